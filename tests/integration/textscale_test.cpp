// Text on a window shown scaled, read back from the presented frame: it grows with the view as a
// filled rectangle does, once, and its outline grows with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "../render/displayfixture.h"
#include "render/vxlinesink.h"
#include "render/vxminivecdraw.h"
#include "ui/textlayout.h"
#include "ui/windowdraw.h"

namespace {

using render_test::DisplayFixture;

const float kWhite[4] = {1, 1, 1, 1};

// Left, top, right, bottom (exclusive) of the pixels in the area with a channel above 128.
std::array<int, 4> LitBounds(const std::vector<uint32_t>& frame, int width, int left, int top, int right, int bottom) {
  std::array<int, 4> b{right, bottom, left, top};
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      uint32_t p = frame[size_t(y) * size_t(width) + size_t(x)];
      if (((p >> 16) & 255) > 128 || ((p >> 8) & 255) > 128 || (p & 255) > 128)
        b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x + 1), std::max(b[3], y + 1)};
    }
  return b;
}

// The same bounds of the text drawn into pixels at the game's own size.
std::array<int, 4> TextBoundsInPixels(const char* text) {
  std::vector<uint32_t> px(size_t(160 * 80), 0);
  TVxPixelTarget target{px.data(), 160, 80, 160 * 4};
  TVxMiniVecDraw draw;
  auto layout = TTextLayout::Create(text, 150, 70, 0, "__DEFAULT", 24, kWhite);
  layout->SetSwitches(true, false);
  layout->Draw(draw, TRect(0, 0, 150, 70), 1.0f, 0, 1.0f, &target);
  std::vector<uint32_t> rgb(px.size());
  for (size_t i = 0; i < px.size(); ++i) rgb[i] = (px[i] >> 24) > 128 ? 0xFFFFFF : 0;
  return LitBounds(rgb, 160, 0, 0, 160, 80);
}

class TextScaleTest : public DisplayFixture {
 protected:
  void SetUp() override {
    DisplayFixture::SetUp();
    windowdraw::SetHooks(TWindowDrawHooks());
    // The game's 160 x 120 shown in a window twice as large.
    Impl().mViewportScale[0] = Impl().mViewportScale[1] = 2.0f;
    Window(160, 120);
  }
};

TEST_F(TextScaleTest, TextGrowsWithTheScaledViewOnceLikeARectangle) {
  const std::array<int, 4> game = TextBoundsInPixels("Hm");
  const int gameWidth = game[2] - game[0], gameHeight = game[3] - game[1];
  ASSERT_GT(gameWidth, 10);
  ASSERT_GT(gameHeight, 10);

  TVxMiniVecDraw vec;
  ConnectLineSink(vec);
  ASSERT_TRUE(windowdraw::BeginDraw());
  windowdraw::FillRect(TRect(0, 0, 160, 120), TVec4(0, 0, 0, 1));
  windowdraw::FillRect(TRect(10, 10, 20, 20), TVec4(1, 0, 0, 1));
  auto layout = TTextLayout::Create("Hm", 150, 70, 0, "__DEFAULT", 24, kWhite);
  layout->Draw(vec, TRect(40, 30, 190, 100), 1.0f, 0, 1.0f, nullptr);
  windowdraw::EndDraw();

  std::vector<uint32_t> frame;
  int w = 0, h = 0;
  ASSERT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
  ASSERT_EQ(w, 320);
  ASSERT_EQ(h, 240);
  // The 10 x 10 square shows as 20 x 20 (the pixel-centre offset may move it by one).
  const std::array<int, 4> square = LitBounds(frame, w, 0, 0, 70, 70);
  EXPECT_EQ(square[2] - square[0], 20);
  EXPECT_EQ(square[3] - square[1], 20);
  EXPECT_NEAR(square[0], 20, 1);
  EXPECT_NEAR(square[1], 20, 1);
  // The text, twice its size in the game (not four times), where the view puts its box.
  const std::array<int, 4> shown = LitBounds(frame, w, 75, 55, 320, 240);
  EXPECT_NEAR(shown[2] - shown[0], 2 * gameWidth, 4);
  EXPECT_NEAR(shown[3] - shown[1], 2 * gameHeight, 4);
  EXPECT_NEAR(shown[0], 2 * (40 + game[0]), 4);
  EXPECT_NEAR(shown[1], 2 * (30 + game[1]), 4);
}

}  // namespace
