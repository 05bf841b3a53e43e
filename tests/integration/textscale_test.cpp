// Text on a window shown scaled, read back from the presented frame: it grows with the view as a
// filled rectangle does, once; its outline grows with it; and a clip given in the game's
// coordinates (as text windows give the screen) keeps the whole text.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "../render/displayfixture.h"
#include "render/vxlinesink.h"
#include "render/vxminivecdraw.h"
#include "ui/textlayout.h"
#include "ui/windowdraw.h"

namespace {

using render_test::DisplayFixture;

const float kWhite[4] = {1, 1, 1, 1};

using PixelTest = std::function<bool(uint32_t)>;

bool Lit(uint32_t p) { return ((p >> 16) & 255) > 128 || ((p >> 8) & 255) > 128 || (p & 255) > 128; }
// Red well above green: the outline's colour, not the white letter or its antialiased edge.
bool Reddish(uint32_t p) { return ((p >> 16) & 255) > 128 && ((p >> 8) & 255) < 64; }

// Left, top, right, bottom (exclusive) of the pixels in the area that pass the test.
std::array<int, 4> Bounds(const std::vector<uint32_t>& frame, int width, int left, int top, int right, int bottom,
                          const PixelTest& test = Lit) {
  std::array<int, 4> b{right, bottom, left, top};
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (test(frame[size_t(y) * size_t(width) + size_t(x)]))
        b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x + 1), std::max(b[3], y + 1)};
  return b;
}

int CountWhere(const std::vector<uint32_t>& frame, const PixelTest& test) {
  return int(std::count_if(frame.begin(), frame.end(), test));
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
  return Bounds(rgb, 160, 0, 0, 160, 80);
}

class TextScaleTest : public DisplayFixture {
 protected:
  void SetUp() override {
    DisplayFixture::SetUp();
    windowdraw::SetHooks(TWindowDrawHooks());
  }

  // The game (160 x 120 unless given) shown at the scale; the frame as presented.
  std::vector<uint32_t> Present(float scale, const std::function<void(TVxMiniVecDraw&)>& drawText, int* w, int* h,
                                int gameWidth = 160, int gameHeight = 120) {
    Impl().mViewportScale[0] = Impl().mViewportScale[1] = scale;
    Window(gameWidth, gameHeight);
    TVxMiniVecDraw vec;
    ConnectLineSink(vec);
    std::vector<uint32_t> frame;
    EXPECT_TRUE(windowdraw::BeginDraw());
    windowdraw::FillRect(TRect(0, 0, gameWidth, gameHeight), TVec4(0, 0, 0, 1));
    drawText(vec);
    windowdraw::EndDraw();
    EXPECT_TRUE(os::TestReadPresentedFrame(&frame, w, h));
    return frame;
  }
};

TEST_F(TextScaleTest, TextGrowsWithTheScaledViewOnceLikeARectangle) {
  const std::array<int, 4> game = TextBoundsInPixels("Hm");
  const int gameWidth = game[2] - game[0], gameHeight = game[3] - game[1];
  ASSERT_GT(gameWidth, 10);
  ASSERT_GT(gameHeight, 10);

  int w = 0, h = 0;
  const std::vector<uint32_t> frame = Present(2.0f, [](TVxMiniVecDraw& vec) {
    windowdraw::FillRect(TRect(10, 10, 20, 20), TVec4(1, 0, 0, 1));
    auto layout = TTextLayout::Create("Hm", 150, 70, 0, "__DEFAULT", 24, kWhite);
    layout->Draw(vec, TRect(40, 30, 190, 100), 1.0f, 0, 1.0f, nullptr);
  }, &w, &h);
  ASSERT_EQ(w, 320);
  ASSERT_EQ(h, 240);
  // The 10 x 10 square shows as 20 x 20 (the pixel-centre offset may move it by one).
  const std::array<int, 4> square = Bounds(frame, w, 0, 0, 70, 70);
  EXPECT_EQ(square[2] - square[0], 20);
  EXPECT_EQ(square[3] - square[1], 20);
  EXPECT_NEAR(square[0], 20, 1);
  EXPECT_NEAR(square[1], 20, 1);
  // The text, twice its size in the game (not four times), where the view puts its box.
  const std::array<int, 4> shown = Bounds(frame, w, 75, 55, 320, 240);
  EXPECT_NEAR(shown[2] - shown[0], 2 * gameWidth, 4);
  EXPECT_NEAR(shown[3] - shown[1], 2 * gameHeight, 4);
  EXPECT_NEAR(shown[0], 2 * (40 + game[0]), 4);
  EXPECT_NEAR(shown[1], 2 * (30 + game[1]), 4);
}

TEST_F(TextScaleTest, AlignedTextKeepsItsPlaceInTheBoxAtEveryScale) {
  // Text placed by its box's alignment shows where the view puts it: its bounds at a scale are the
  // bounds at scale 1 times the scale (a vertically centred or bottom-aligned line was placed from
  // an unscaled anchor: too high on a larger view, and on a smaller one below its box, where it
  // was not drawn at all).
  struct Case {
    int flags;
    float scale;
  };
  const Case cases[] = {{0, 1.5f}, {0, 2.0f}, {1 | 4, 1.5f}, {1 | 4, 2.0f}, {2 | 8, 1.5f}, {2 | 8, 2.0f}};
  for (const Case& c : cases) {
    auto drawAligned = [&](TVxMiniVecDraw& vec) {
      auto layout = TTextLayout::Create("Hm", 100, 70, c.flags, "__DEFAULT", 24, kWhite);
      layout->Draw(vec, TRect(30, 20, 130, 90), 1.0f, 0, 1.0f, nullptr);
    };
    int w = 0, h = 0;
    const std::vector<uint32_t> single = Present(1.0f, drawAligned, &w, &h, 320, 240);
    const std::array<int, 4> at1 = Bounds(single, w, 0, 0, w, h);
    ASSERT_GT(at1[2] - at1[0], 10) << c.flags;
    const std::vector<uint32_t> scaled = Present(c.scale, drawAligned, &w, &h, 320, 240);
    ASSERT_EQ(w, int(320 * c.scale));
    const std::array<int, 4> shown = Bounds(scaled, w, 0, 0, w, h);
    for (int i = 0; i < 4; ++i)
      EXPECT_NEAR(shown[i], at1[i] * c.scale, 3) << "flags " << c.flags << ", scale " << c.scale << ", side " << i;
  }
}

TEST_F(TextScaleTest, TheOutlineGrowsWithTheView) {
  // A white letter in a thick red outline: at twice the view both the letter and the band of
  // red round it are twice as wide and high, so the red covers four times the pixels.
  auto drawOutlined = [](TVxMiniVecDraw& vec) {
    auto layout = TTextLayout::Create("<outline color=\"FF0000\" size=\"3\">I</outline>", 60, 60, 0, "__DEFAULT", 32, kWhite);
    layout->Draw(vec, TRect(40, 20, 100, 80), 1.0f, 0, 1.0f, nullptr);
  };
  int w = 0, h = 0;
  const std::vector<uint32_t> single = Present(1.0f, drawOutlined, &w, &h);
  ASSERT_EQ(w, 160);
  const int red = CountWhere(single, Reddish);
  const std::array<int, 4> singleBox = Bounds(single, w, 0, 0, w, h);
  const std::vector<uint32_t> twice = Present(2.0f, drawOutlined, &w, &h);
  ASSERT_EQ(w, 320);
  const std::array<int, 4> twiceBox = Bounds(twice, w, 0, 0, w, h);
  ASSERT_GT(red, 40);
  EXPECT_NEAR(double(CountWhere(twice, Reddish)) / red, 4.0, 0.8);
  EXPECT_NEAR(twiceBox[2] - twiceBox[0], 2 * (singleBox[2] - singleBox[0]), 3);
  EXPECT_NEAR(twiceBox[3] - twiceBox[1], 2 * (singleBox[3] - singleBox[1]), 3);
}

TEST_F(TextScaleTest, AClipInTheGamesCoordinatesKeepsTextAcrossTheWholeView) {
  // Text windows clip to the screen as the game sees it; text near its far corner, further from
  // the clip's corner in the window's pixels than the rasteriser ever scans past a clip, still shows.
  int w = 0, h = 0;
  const std::vector<uint32_t> frame = Present(2.0f, [](TVxMiniVecDraw& vec) {
    vec.SetClip(0, 0, 400, 300);
    auto layout = TTextLayout::Create("Hm", 50, 30, 0, "__DEFAULT", 20, kWhite);
    layout->Draw(vec, TRect(340, 262, 390, 292), 1.0f, 0, 1.0f, nullptr);
  }, &w, &h, 400, 300);
  ASSERT_EQ(w, 800);
  const std::array<int, 4> shown = Bounds(frame, w, 0, 0, w, h);
  EXPECT_GE(shown[0], 680);
  EXPECT_GE(shown[1], 524);
  EXPECT_GT(shown[2] - shown[0], 20);
  EXPECT_GT(shown[3] - shown[1], 14);
}

}  // namespace
