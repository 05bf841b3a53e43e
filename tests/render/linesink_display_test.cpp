// Text lines and textured sprites drawn in turn through the display: the device gathers runs of
// primitives into one GL draw, so each case interleaves lines, sprites and blend changes over the
// same pixels, where a draw gathered into the wrong run, or dropped, shows in the pixels read back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "displayfixture.h"
#include "render/texture.h"
#include "render/vxlinesink.h"

namespace {

constexpr uint32_t kBlack = 0xFF000000u, kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu,
                   kYellow = 0xFFFFFF00u;
constexpr int kWidth = 32, kHeight = 4;

class LineSinkDisplayTest : public render_test::DisplayFixture {
 protected:
  LineSinkDisplayTest() { setenv("LP_NUM_THREADS", "0", 1); }

  void SetUp() override {
    DisplayFixture::SetUp();
    Window();
    target = TTexture::CreateBlank(kWidth, kHeight, true);
    ASSERT_TRUE(target);
    green = Solid(8, kHeight, kGreen);
    ASSERT_TRUE(green);
    ASSERT_TRUE(draw->BeginRenderTarget(target, 0)) << Log();
    ASSERT_TRUE(draw->Begin2d()) << Log();
  }

  void TearDown() override {
    target.reset();
    green.reset();
    DisplayFixture::TearDown();
  }

  static std::shared_ptr<TTexture> Solid(int w, int h, uint32_t argb) {
    auto t = TTexture::CreateBlank(w, h, true);
    uint32_t* pixels = nullptr;
    int row = 0;
    if (!t || !t->Lock(&pixels, &row)) return nullptr;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) pixels[y * row + x] = argb;
    t->Unlock();
    return t;
  }

  // Text spans over columns [from, to) of every row, as the rasteriser hands them to the sink.
  void Text(int from, int to, uint32_t argb) {
    std::vector<TVxLineVertex> v;
    for (int y = 0; y < kHeight; ++y) {
      v.push_back({from + 0.25f, y + 0.25f, argb});
      v.push_back({to + 0.25f, y + 0.25f, argb});
    }
    sink(v.data(), int(v.size()));
  }

  // The green sprite over columns [left, left + 8), under a blend mode (or the current one).
  void Sprite(int left, int blendMode = kBlendKeep) {
    TDrawSpec spec(TVec2(left + 4.0f, kHeight / 2.0f), 1.0f, 1.0f, 0);
    spec.blendMode = blendMode;
    green->Draw(spec);
  }

  // Ends the drawing and compares row 2 of the target at the listed columns.
  void Expect(std::vector<std::pair<int, uint32_t>> want) {
    draw->End2d();
    draw->EndRenderTarget();
    uint32_t* pixels = nullptr;
    int row = 0;
    ASSERT_TRUE(target->Lock(&pixels, &row));
    for (auto [x, argb] : want)
      EXPECT_EQ(pixels[2 * row + x] & 0xFFFFFFu, argb & 0xFFFFFFu) << "column " << x;
    target->Unlock();
  }

  TVxMiniVecDraw::LineSink sink = MakeDrawContextLineSink();
  std::shared_ptr<TTexture> target, green;
};

TEST_F(LineSinkDisplayTest, TextSpritesAndTextAgainKeepTheirOrder) {
  Text(0, kWidth, kBlack);
  Text(0, 12, kRed);
  Sprite(8);              // over the red text
  Text(14, 20, kBlue);    // over the sprite
  Sprite(24);
  Text(28, 30, kRed);     // the sprite's texture was set back after the text: still one run apart
  Expect({{2, kRed}, {10, kGreen}, {15, kBlue}, {18, kBlue}, {21, kBlack}, {25, kGreen}, {29, kRed}, {31, kGreen}});
}

TEST_F(LineSinkDisplayTest, ABlendChangeBetweenTextRunsDrawsEachUnderItsOwnBlend) {
  Text(0, kWidth, kBlack);
  Text(16, kWidth, kRed);
  Sprite(20, 2);          // added onto the red text: yellow
  Text(26, 30, kBlue);    // the sink's own blend again: replaces
  Sprite(4, 2);           // added onto black
  Expect({{2, kBlack}, {6, kGreen}, {17, kRed}, {22, kYellow}, {27, kBlue}, {31, kRed}});
}

}  // namespace
