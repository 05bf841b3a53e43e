// The movie window without a player: opening fails and leaves the game as it was, the script
// calls report no movie, and the rules that need no player (version, variable names) hold.
#include <gtest/gtest.h>

#include "core/config.h"
#include "ui/flashhost.h"

namespace {

class FlashHostTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearConfig(); }
  void TearDown() override { ClearConfig(); }
};

TEST_F(FlashHostTest, OpeningWithoutAPlayerFails) {
  for (const char* broken : {"", "0", "1"}) {
    SetConfig("dxbroken", broken);
    TFlashHost host("intro.swf");
    EXPECT_FALSE(host.Create(false, false, false)) << broken;
    EXPECT_FALSE(host.Create(true, true, true)) << broken;
    EXPECT_FALSE(host.IsPlaying());
    EXPECT_EQ(host.GetFlashVersion(), 0);
    host.Destroy();  // harmless on a host that never opened
    EXPECT_EQ(host.GetMovie(), "intro.swf");
  }
}

TEST_F(FlashHostTest, RequiredVersion) {
  struct Case {
    const char* configured;
    bool translate;
    int32_t expected;
  } cases[] = {
      {"", false, 4}, {"", true, 6}, {"9", false, 9}, {"9", true, 9},
      {"3", false, 4}, {"3", true, 6}, {"5", true, 6}, {"junk", false, 4},
  };
  for (const Case& c : cases) {
    SetConfig("flashmajorversion", c.configured);
    EXPECT_EQ(TFlashHost::RequiredVersion(c.translate), c.expected) << c.configured << " " << c.translate;
  }
}

TEST_F(FlashHostTest, VariableNamesNeedTheirSeparator) {
  struct Case {
    const char* list;
    std::vector<TString> expected;
  } cases[] = {
      {"title;button;", {"title", "button"}},
      {"title;button", {"title"}},
      {"", {}},
      {"lonely", {}},
      {";", {""}},
  };
  for (const Case& c : cases) EXPECT_EQ(TFlashHost::SplitVariableNames(c.list), c.expected) << c.list;
}

}  // namespace
