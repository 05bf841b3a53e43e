// A text window on a real display shows the same pixels whether its lines were kept from the frame
// before or drawn afresh: unchanged, after moving, and after each change to its text's looks.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "../render/windowdisplayfixture.h"

namespace {

class TextCacheDisplayTest : public render_test::WindowDisplayFixture {
 protected:
  void TearDown() override {
    TText::DrawCaching() = true;
    WindowDisplayFixture::TearDown();
  }

  std::vector<uint32_t> Frame(TText& text) {
    EXPECT_TRUE(windowdraw::BeginDraw());
    windowdraw::FillRect(TRect(0, 0, 320, 240), TVec4(0.1f, 0.15f, 0.2f, 1));
    text.DrawTree(0);
    windowdraw::EndDraw();
    std::vector<uint32_t> frame;
    int w = 0, h = 0;
    EXPECT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
    EXPECT_EQ(w, 320);
    return frame;
  }
  std::vector<uint32_t> FreshFrame(TText& text) {
    TText::DrawCaching() = false;
    std::vector<uint32_t> frame = Frame(text);
    TText::DrawCaching() = true;
    return frame;
  }
};

TEST_F(TextCacheDisplayTest, KeptLinesShowTheSamePixelsAsFreshOnes) {
  const float white[4] = {1, 1, 1, 1};
  TText text;
  ASSERT_TRUE(text.Setup("The <b>harrow</b> waits by the <font color='#ffcc40'>mere</font>; <u>count</u> "
                         "<a id='x' color='#ff4040'>the reeds</a> and <outline color='#2040ff'>the stones</outline>.",
                         200, 120, 0, "__DEFAULT", 18, white));
  text.MoveTo(40, 30);
  const std::vector<uint32_t> fresh = FreshFrame(text);
  size_t lit = 0;
  for (uint32_t p : fresh) lit += (p & 0xFFFFFF) != fresh[0];
  ASSERT_GT(lit, 500u);
  for (int frame = 0; frame < 4; ++frame) EXPECT_TRUE(Frame(text) == fresh) << "frame " << frame;
  ASSERT_GT(text.GetDrawCache().GetReplayCount(), 0);

  struct Case {
    const char* name;
    std::function<void()> change;
  };
  const float gold[4] = {1, 0.8f, 0.25f, 1};
  const Case cases[] = {
      {"moved", [&] { text.MoveTo(90, 70); }},
      {"colour", [&] { text.SetColor(gold); }},
      {"alpha", [&] { text.SetAlpha(0.5f); }},
      {"draw scale", [&] { text.SetDrawScale(0.75f); }},
      {"text", [&] { text.SetText("Other <i>words</i> now"); }},
  };
  std::vector<uint32_t> before = fresh;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.change();
    const std::vector<uint32_t> changed = FreshFrame(text);
    EXPECT_FALSE(changed == before);
    for (int frame = 0; frame < 3; ++frame) EXPECT_TRUE(Frame(text) == changed) << "frame " << frame;
    before = changed;
  }
}

}  // namespace
