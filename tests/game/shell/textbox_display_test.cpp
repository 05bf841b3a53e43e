// A text box on a real display: its fitted text is drawn through the text windows' line sink onto
// the presented frame, inside the box and nowhere else.
#include <gtest/gtest.h>

#include <vector>

#include "render/windowdisplayfixture.h"
#include "shell/textbox.h"

namespace {

class TextboxDisplayTest : public render_test::WindowDisplayFixture {
 protected:
  // Pixels of the presented frame that are not black, counted inside and outside the rectangle.
  void CountInk(const TRect& r, int* inside, int* outside) {
    std::vector<uint32_t> frame;
    int w = 0, h = 0;
    ASSERT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
    *inside = *outside = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if ((frame[size_t(y) * w + x] & 0xFFFFFF) > 0x202020) ++(r.Contains(x, y) ? *inside : *outside);
  }
};

TEST_F(TextboxDisplayTest, FittedTextIsDrawnInsideTheBox) {
  const float white[4] = {1, 1, 1, 1};
  TTextbox box;
  box.MoveTo(60, 40);
  ASSERT_TRUE(box.BuildText("Lantern lit over the moor, the harrow waits", 120, 50, 0, "__DEFAULT", 40, white, 2));
  ASSERT_LT(box.GetFontSize(), 40u);

  ASSERT_TRUE(windowdraw::BeginDraw());
  windowdraw::FillRect(TRect(0, 0, 320, 240), TVec4(0, 0, 0, 1));
  box.DrawTree(0);
  windowdraw::EndDraw();

  int inside = 0, outside = 0;
  CountInk(TRect(60, 40, 180, 90), &inside, &outside);
  EXPECT_GT(inside, 100);
  EXPECT_EQ(outside, 0);
}

}  // namespace
