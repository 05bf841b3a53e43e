// The scene's player of animated textures: the timeline a texture's script describes.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "render/animatedtexture.h"
#include "shell/animationplayer.h"

namespace {

using Steps = std::vector<std::pair<int32_t, uint32_t>>;

Steps Timeline(const char* script, int32_t frames) {
  Steps out;
  for (const TAnimationPlayer::Step& s : TAnimationPlayer::ReadTimeline(script, frames)) out.emplace_back(s.frame, s.ms);
  return out;
}

TEST(AnimationPlayer, TheScriptDescribesTheTimeline) {
  const TString standard = MakeDefaultAnimationScript(3);
  const struct {
    const char* script;
    int32_t frames;
    Steps expected;
  } cases[] = {
      // The script a description without one gets.
      {standard.CStr(), 3, {{0, 60}, {1, 60}, {2, 60}}},
      // A delay holds for the frames after it; frames repeat and come in any order.
      {"function DoAnim() delay(100); frames{2,1}; delay(40); frames{2} end", 2, {{1, 100}, {0, 100}, {1, 40}}},
      // Frames the texture does not have are left out.
      {"function DoAnim() frames{0,1,5,2} end", 2, {{0, 60}, {1, 60}}},
      // A script that fails, or has no DoAnim, describes nothing.
      {"function DoAnim() frames(nil) end", 2, {}},
      {"this is no script", 2, {}},
      {"x = 1", 2, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Timeline(c.script, c.frames), c.expected) << c.script;
}

TEST(AnimationPlayer, AScriptThatNeverEndsIsStopped) {
  // Listing frames for ever: what fits in a timeline is kept.
  const Steps listed = Timeline("function DoAnim() while true do frames{1} end end", 1);
  EXPECT_GT(listed.size(), 100u);
  EXPECT_LT(listed.size(), 10000u);
  // Looping without listing anything describes nothing.
  EXPECT_EQ(Timeline("function DoAnim() while true do end end", 1), Steps());
  EXPECT_EQ(Timeline("while true do end", 1), Steps());
}

}  // namespace
