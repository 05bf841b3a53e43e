// The movie window over a player plug-in: without a player nothing opens and nothing changes; with
// the test player the blocker and movie windows, the movie path search, the texts handed to the
// movie, the version rule, the flags and the hardware-cursor switch, input filtering and closing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "core/config.h"
#include "core/stringtable.h"
#include "os/dll.h"
#include "os/winuser.h"
#include "ui/windowscript.h"
#include "ui/flashhost.h"
#include "uifixture.h"
#include "../os/tempfolder.h"
#include "testplugins.h"

namespace {

using LogFn = const char* (*)();
using ResetFn = void (*)(int, const char*, bool, bool);
using AliveFn = int (*)();

constexpr int kVersion9 = 9 << 16;

class FlashHostTest : public UiFixture {
 protected:
  void SetUp() override {
    UiFixture::SetUp();
    window_ = os::TestCreateForeignWindow("zmoviehost", "", 640, 480);
    platform_->GetImpl()->mMainWindow = window_;
    TFlashHost::SetPlayerModuleName("testmovieplayer.dll");
    player_ = LoadLibraryA("testmovieplayer.dll");
    ASSERT_NE(player_, nullptr);
    log_ = reinterpret_cast<LogFn>(GetProcAddress(player_, "TestMoviePlayerLog"));
    reset_ = reinterpret_cast<ResetFn>(GetProcAddress(player_, "TestMoviePlayerReset"));
    alive_ = reinterpret_cast<AliveFn>(GetProcAddress(player_, "TestMoviePlayersAlive"));
    ASSERT_TRUE(log_ && reset_ && alive_);
    reset_(kVersion9, "", true, false);
    // Movies in the current folder and its assets folder.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    oldCwd_ = cwd;
    folder_.Write("assets/intro.swf", "movie");
    folder_.Write("assets/both.swf", "movie");
    folder_.Write("both.swf", "movie");
    folder_.Write("bare.swf", "movie");
    ASSERT_EQ(chdir(folder_.Path().c_str()), 0);
    platform_->SetHardwareCursor(true);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(oldCwd_.c_str()), 0);
    TFlashHost::SetPlayerModuleName("vxmovie.dll");
    if (player_) FreeLibrary(player_);
    UiFixture::TearDown();
  }
  std::string Log() const { return log_(); }
  // The children of the platform window that still exist.
  int Children() const {
    int count = 0;
    for (HWND w = GetWindow(window_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) ++count;
    return count;
  }
  void LoadStrings(const std::string& rows) {
    std::string sheet = "<?xml version=\"1.0\"?>\n<Workbook><Worksheet><Table>\n" + rows +
                        "</Table></Worksheet></Workbook>\n";
    std::string path = folder_.Write("strings.xml", sheet);
    auto table = std::make_unique<TStringTable>();
    ASSERT_TRUE(table->Load(("::" + path).c_str()));
    platform_->GetImpl()->mStringTable = std::move(table);
  }
  static std::string Row(const std::string& label, const std::string& text) {
    return "<Row><Cell><Data>" + label + "</Data></Cell><Cell><Data>" + text + "</Data></Cell></Row>\n";
  }
  // The game as it was before a movie: nothing open, the cursor switch back, no flags.
  void ExpectGameUntouched() {
    EXPECT_EQ(Children(), 0);
    EXPECT_TRUE(platform_->GetHardwareCursor());
    EXPECT_FALSE(manager_->IsMovieOpen());
    EXPECT_FALSE(manager_->MovieTakesInput());
    EXPECT_EQ(alive_(), 0);
  }

  HWND window_ = nullptr;
  HMODULE player_ = nullptr;
  LogFn log_ = nullptr;
  ResetFn reset_ = nullptr;
  AliveFn alive_ = nullptr;
  testutil::TempFolder folder_;
  std::string oldCwd_;
};

TEST_F(FlashHostTest, WithoutAPlayerNothingOpens) {
  TFlashHost::SetPlayerModuleName("nosuchplayer.dll");
  TFlashHost host("intro.swf");
  EXPECT_FALSE(host.Create(false, false, false));
  EXPECT_FALSE(host.Create(true, true, true));
  EXPECT_FALSE(host.IsPlaying());
  EXPECT_EQ(host.GetFlashVersion(), 0);
  host.Destroy();  // harmless on a host that never opened
  ExpectGameUntouched();
  EXPECT_EQ(Log(), "");
}

TEST_F(FlashHostTest, MovieOpensBehindABlockerAndClosesCleanly) {
  {
    TFlashHost host("intro.swf");
    ASSERT_TRUE(host.Create(false, false, false));
    EXPECT_EQ(Log(), "create 640x480;movie=" + folder_.Path() + "/assets/intro.swf;loop=0;");
    EXPECT_TRUE(IsWindow(host.GetBlockerWindow()));
    EXPECT_TRUE(IsWindow(host.GetControlWindow()));
    EXPECT_EQ(GetParent(host.GetBlockerWindow()), window_);
    RECT rect;
    ASSERT_TRUE(GetClientRect(host.GetControlWindow(), &rect));
    EXPECT_EQ(rect.right, 640);
    EXPECT_EQ(rect.bottom, 480);
    EXPECT_TRUE(manager_->IsMovieOpen());
    EXPECT_FALSE(manager_->MovieTakesInput());
    EXPECT_FALSE(platform_->GetHardwareCursor());  // the movie shows the system pointer
    EXPECT_EQ(host.GetFlashVersion(), 9);
    EXPECT_TRUE(host.IsPlaying());
    reset_(kVersion9, "", false, false);
    EXPECT_FALSE(host.IsPlaying());
    // Input to the movie's window does not reach a movie that takes none.
    SendMessageA(host.GetControlWindow(), WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(Log(), "");
  }  // the host closes itself
  EXPECT_EQ(Log(), "destroy;");
  ExpectGameUntouched();
}

TEST_F(FlashHostTest, MovieTakingInputGetsAllButRightClicks) {
  TFlashHost host("intro.swf");
  ASSERT_TRUE(host.Create(true, false, true));
  EXPECT_EQ(host.GetBlockerWindow(), nullptr);
  EXPECT_TRUE(manager_->MovieTakesInput());
  reset_(kVersion9, "", true, false);
  for (UINT msg : {UINT(WM_RBUTTONDOWN), UINT(WM_RBUTTONUP), UINT(WM_LBUTTONDOWN), UINT(WM_KEYDOWN)})
    SendMessageA(host.GetControlWindow(), msg, 0, 0);
  EXPECT_EQ(Log(), "input " + std::to_string(WM_LBUTTONDOWN) + ";input " + std::to_string(WM_KEYDOWN) + ";");
  host.Destroy();
  ExpectGameUntouched();
}

TEST_F(FlashHostTest, MovieIsLookedForInAssetsThenByItsName) {
  struct Case {
    const char* movie;
    std::string expected;  // empty: not found
  } cases[] = {
      {"both.swf", folder_.Path() + "/assets/both.swf"},
      {"bare.swf", folder_.Path() + "/bare.swf"},
      {"none.swf", ""},
  };
  for (const Case& c : cases) {
    reset_(kVersion9, "", true, false);
    TFlashHost host(c.movie);
    bool opened = host.Create(false, false, false);
    EXPECT_EQ(opened, !c.expected.empty()) << c.movie;
    if (opened) EXPECT_NE(Log().find("movie=" + c.expected + ";"), std::string::npos) << Log();
    host.Destroy();
    ExpectGameUntouched();
  }
}

TEST_F(FlashHostTest, TranslatedMovieGetsItsTextsThenPlays) {
  LoadStrings(Row("title", "The Demo") + Row("button", "Start") + Row("FLASH_caption", "Welcome") +
              Row("other", "unused"));
  struct Case {
    const char* names;
    std::string sets;
  } cases[] = {
      {"title;button;", "set title=The Demo;set button=Start;"},
      {"title;button", "set title=The Demo;"},  // the last name lacks its separator
      {"", ""},
  };
  for (const Case& c : cases) {
    reset_(kVersion9, c.names, true, false);
    TFlashHost host("intro.swf");
    ASSERT_TRUE(host.Create(true, true, false)) << c.names;
    std::string log = Log();
    std::string tail = log.substr(log.find("loop=1;"));
    EXPECT_EQ(tail, "loop=1;stop;get textvarnames;" + c.sets + "set caption=Welcome;play;") << c.names;
  }
}

TEST_F(FlashHostTest, PlayerVersionMustReachTheRequiredOne) {
  struct Case {
    int major;
    const char* configured;
    bool translate;
    bool opens;
  } cases[] = {
      {4, "", false, true}, {3, "", false, false}, {5, "", true, false}, {6, "", true, true},
      {8, "9", false, false}, {9, "9", false, true}, {4, "3", false, true},
  };
  for (const Case& c : cases) {
    SetConfig("flashmajorversion", c.configured);
    reset_(c.major << 16, "", true, false);
    TFlashHost host("intro.swf");
    EXPECT_EQ(host.Create(false, c.translate, false), c.opens) << c.major << " " << c.configured;
    host.Destroy();
    ExpectGameUntouched();
  }
}

TEST_F(FlashHostTest, FailuresLeaveTheGameAsItWas) {
  reset_(kVersion9, "", true, true);  // the player refuses the movie
  TFlashHost refused("intro.swf");
  EXPECT_FALSE(refused.Create(false, false, true));
  EXPECT_NE(Log().find("destroy;"), std::string::npos);
  ExpectGameUntouched();

  SetConfig("dxbroken", "1");
  reset_(kVersion9, "", true, false);
  TFlashHost broken("intro.swf");
  EXPECT_FALSE(broken.Create(false, false, false));
  EXPECT_EQ(Log(), "");  // no player was even made
  ExpectGameUntouched();
}

TEST_F(FlashHostTest, PlayingMovieKeepsTheWindowAtLeastItsSize) {
  TFlashHost host("intro.swf");
  ASSERT_TRUE(host.Create(false, false, false));
  SetWindowPos(window_, nullptr, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOMOVE);
  RECT client;
  GetClientRect(window_, &client);
  ASSERT_LT(client.right, 640);
  EXPECT_TRUE(host.IsPlaying());
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
}

// The window script owns the one movie: the script functions start, poll and stop it, a close
// request stops it, and so does the script's end.
TEST_F(FlashHostTest, WindowScriptOwnsTheMovie) {
  auto script = std::make_unique<TWindowScript>();
  lua_State* L = script->GetState();
  auto eval = [&](const char* expression) {
    std::string text = std::string("gOut = tostring(") + expression + ")";
    EXPECT_EQ(script->DoLuaString(text.c_str(), -1, 0), 0);
    lua_getglobal(L, "gOut");
    std::string out = lua_tostring(L, -1);
    lua_pop(L, 1);
    return out;
  };
  EXPECT_EQ(eval("StartMovie('', false, false)"), "false");
  EXPECT_EQ(eval("StartMovie('none.swf', false, false)"), "false");
  EXPECT_EQ(eval("StartMovie('intro.swf', false, false)"), "true");
  EXPECT_EQ(eval("IsMoviePlaying()"), "true");
  reset_(kVersion9, "", false, false);
  EXPECT_EQ(eval("IsMoviePlaying()"), "false");
  EXPECT_EQ(script->DoLuaString("StopMovie()", -1, 0), 0);
  EXPECT_EQ(script->GetMovieHost(), nullptr);
  ExpectGameUntouched();

  EXPECT_EQ(eval("StartMovie('intro.swf', false, true)"), "true");
  script->StopMovieIfPlaying();
  ExpectGameUntouched();

  EXPECT_EQ(eval("StartMovie('intro.swf', true, false)"), "true");
  EXPECT_EQ(alive_(), 1);
  script.reset();
  ExpectGameUntouched();
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
