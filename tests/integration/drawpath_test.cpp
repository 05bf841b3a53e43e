// The window system's drawing hooks, the outline rasteriser's lines and the particle batches drawn
// for real: through the drawing context and the display handler onto the offscreen window, read
// back from the presented frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "../render/displayfixture.h"
#include "particles/particledraw.h"
#include "particles/particlerenderer.h"
#include "render/texture.h"
#include "render/vxlinesink.h"
#include "render/vxminivecdraw.h"
#include "render/vxselftest.h"
#include "ui/vectorfont.h"
#include "ui/windowdraw.h"

namespace {

using render_test::DisplayFixture;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kBlack = 0x000000;

// True when every channel of the two 0xRRGGBB colours is within the tolerance.
bool Near(uint32_t a, uint32_t b, int tolerance = 8) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

class DrawPathTest : public DisplayFixture {
 protected:
  void SetUp() override {
    DisplayFixture::SetUp();
    windowdraw::SetHooks(TWindowDrawHooks());  // the defaults, whatever ran before
    Window(320, 240);
  }
  void TearDown() override {
    T2dParticleRenderer::SetBatchSink(nullptr);
    DisplayFixture::TearDown();
  }
  // A frame through the window hooks, cleared to black.
  void BeginBlackFrame() {
    ASSERT_TRUE(windowdraw::BeginDraw());
    ASSERT_TRUE(draw->IsIn2d());
    windowdraw::FillRect(TRect(0, 0, 320, 240), TVec4(0, 0, 0, 1));
  }
  void ExpectPixel(int x, int y, uint32_t colour, int tolerance = 8) {
    uint32_t got = Presented(x, y);
    EXPECT_TRUE(Near(got, colour, tolerance)) << "at " << x << "," << y << std::hex << " got " << got << " want " << colour;
  }
};

TEST_F(DrawPathTest, WindowHooksFillAndNestViewportsOnThePresentedFrame) {
  BeginBlackFrame();
  windowdraw::FillRect(TRect(10, 10, 60, 40), TVec4(1, 0, 0, 1));
  // Inside a pushed viewport, rectangles are in its coordinates and stop at its edge.
  windowdraw::PushViewport(TRect(100, 100, 200, 160));
  EXPECT_EQ(windowdraw::GetViewportRect(), TRect(0, 0, 320, 240));  // the game's view, not the stack's
  windowdraw::FillRect(TRect(0, 0, 500, 500), TVec4(0, 1, 0, 1));
  windowdraw::PopViewport();
  windowdraw::FillRect(TRect(250, 10, 300, 40), TVec4(0, 0, 1, 1));
  windowdraw::EndDraw();
  EXPECT_FALSE(draw->IsDrawing());
  EXPECT_FALSE(draw->IsIn2d());

  ExpectPixel(30, 20, kRed);
  ExpectPixel(5, 5, kBlack);
  ExpectPixel(100, 100, kGreen);
  ExpectPixel(199, 159, kGreen);
  ExpectPixel(200, 120, kBlack);  // beyond the viewport's right edge
  ExpectPixel(150, 160, kBlack);  // below it
  ExpectPixel(275, 25, kBlue);    // after the pop, the whole screen again
}

TEST_F(DrawPathTest, HeldTextureIsDrawnIntoThenCopiedWholeAtTheOrigin) {
  std::shared_ptr<TTexture> held = TTexture::CreateBlank(64, 32, false);
  ASSERT_TRUE(held);
  ASSERT_TRUE(windowdraw::BeginRenderTarget(held));
  EXPECT_TRUE(draw->IsIn2d());
  windowdraw::FillRect(TRect(0, 0, 64, 32), TVec4(0, 0, 1, 1));
  windowdraw::FillRect(TRect(32, 0, 64, 32), TVec4(0, 1, 0, 1));
  windowdraw::EndRenderTarget();
  EXPECT_FALSE(draw->IsDrawing());

  BeginBlackFrame();
  windowdraw::CopyHeldTexture(held);
  windowdraw::EndDraw();
  ExpectPixel(2, 2, kBlue);
  ExpectPixel(20, 28, kBlue);
  ExpectPixel(40, 10, kGreen);
  ExpectPixel(70, 10, kBlack);  // right of the texture
  ExpectPixel(10, 36, kBlack);  // below it

  // A render target cannot open inside a frame; the frame stays usable.
  BeginBlackFrame();
  EXPECT_FALSE(windowdraw::BeginRenderTarget(held));
  EXPECT_TRUE(draw->IsIn2d());
  windowdraw::FillRect(TRect(0, 0, 10, 10), TVec4(1, 0, 0, 1));
  windowdraw::EndDraw();
  ExpectPixel(5, 5, kRed);
}

TEST_F(DrawPathTest, ReplacedHooksRecordAndAnEmptySetRestoresTheDrawing) {
  int fills = 0;
  TWindowDrawHooks recorder;
  recorder.fillRect = [&](const TRect&, const TVec4&) { ++fills; };
  windowdraw::SetHooks(recorder);
  EXPECT_TRUE(windowdraw::BeginDraw());  // no hook: nothing opens, the frame counts as begun
  EXPECT_FALSE(draw->IsDrawing());
  windowdraw::FillRect(TRect(0, 0, 10, 10), TVec4(1, 0, 0, 1));
  EXPECT_EQ(fills, 1);
  windowdraw::EndDraw();

  windowdraw::SetHooks(TWindowDrawHooks());
  BeginBlackFrame();
  windowdraw::FillRect(TRect(0, 0, 10, 10), TVec4(1, 0, 0, 1));
  windowdraw::EndDraw();
  EXPECT_EQ(fills, 1);
  ExpectPixel(5, 5, kRed);
}

TEST_F(DrawPathTest, OutlineLinesAreDrawnAsALineList) {
  TVxMiniVecDraw vec;
  ConnectLineSink(vec);
  vec.SetColor(1, 0xFFFF0000, 1.0f);
  vec.SetColor(255, 0xFFFF0000, 1.0f);
  BeginBlackFrame();
  vec.SetTarget(40, 50, nullptr);
  DrawBar(vec, 0, 0, 160, 80, 0, 0);  // quarter pixels: 40 x 20 pixels from the pen
  vec.Flush();
  windowdraw::EndDraw();
  // The bar's inside is solid; outside it nothing was drawn.
  ExpectPixel(42, 52, kRed, 40);
  ExpectPixel(60, 60, kRed, 40);
  ExpectPixel(77, 67, kRed, 40);
  ExpectPixel(60, 45, kBlack);
  ExpectPixel(85, 60, kBlack);
  ExpectPixel(60, 74, kBlack);

  // Outside a 2D block the sink draws nothing (and logs no misuse).
  TVxLineVertex stray[2] = {{0, 0, 0xFFFFFFFF}, {100, 0, 0xFFFFFFFF}};
  MakeDrawContextLineSink()(stray, 2);
  EXPECT_FALSE(Logged("DrawVertices called when not in Begin2d or Begin3d state"));
}

// Lines from the sink are plain and alpha-blended whatever texture and blend mode the caller left
// bound; the texture is given back, and runs of different lengths all arrive.
TEST_F(DrawPathTest, SinkLinesArePlainBlendedLinesWhateverTheCallerHadBound) {
  std::shared_ptr<TTexture> blue = TTexture::CreateBlank(32, 32, false);
  ASSERT_TRUE(blue);
  ASSERT_TRUE(draw->DrawTextureRect(TRect(0, 0, 32, 32), TVec4(0, 0, 1, 1), blue));
  TVxMiniVecDraw::LineSink sink = MakeDrawContextLineSink();
  auto rows = [&](int from, int to, uint32_t argb) {
    std::vector<TVxLineVertex> v;
    for (int y = from; y < to; ++y) {
      v.push_back({10.0f, y + 0.5f, argb});
      v.push_back({40.0f, y + 0.5f, argb});
    }
    sink(v.data(), int(v.size()));
  };
  BeginBlackFrame();
  draw->SetTexture(blue);
  draw->SetBlendMode(1);   // no blending
  rows(20, 30, 0x80FF0000);
  rows(30, 33, 0xFF00FF00);
  rows(33, 34, 0xFF0000FF);
  EXPECT_EQ(draw->GetTexture(), blue);
  windowdraw::EndDraw();
  ExpectPixel(25, 25, 0x800000, 40);
  ExpectPixel(25, 31, kGreen, 40);
  ExpectPixel(25, 33, kBlue, 40);
  ExpectPixel(25, 36, kBlack);
}

// One quad of pre-transformed particle vertices over the rectangle, with the colour.
struct Quad {
  TParticleVertex v[4];
  uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
  Quad(float l, float t, float r, float b, uint32_t argb) {
    v[0] = {l, t, 0, 1, argb, 0, 0, 0};
    v[1] = {r, t, 0, 1, argb, 0, 1, 0};
    v[2] = {r, b, 0, 1, argb, 0, 1, 1};
    v[3] = {l, b, 0, 1, argb, 0, 0, 1};
  }
};

TEST_F(DrawPathTest, ParticleBatchesDrawIndexedOrAsListsWithTheirTexture) {
  ConnectParticleDrawing();
  std::shared_ptr<TTexture> blue = TTexture::CreateBlank(32, 32, false);
  ASSERT_TRUE(blue);
  ASSERT_TRUE(draw->DrawTextureRect(TRect(0, 0, 32, 32), TVec4(0, 0, 1, 1), blue));
  TParticleTexture wrapped(blue);
  EXPECT_EQ(wrapped.GetWidth(), 32);
  EXPECT_EQ(wrapped.GetFrameCount(), 1);
  EXPECT_EQ(wrapped.GetFrameSource(0), TRect(0, 0, 32, 32));

  Quad indexed(10, 10, 60, 60, 0xFFFF0000);
  Quad textured(100, 10, 150, 60, 0xFFFFFFFF);
  Quad listed(200, 10, 250, 60, 0xFF00FF00);
  TParticleVertex list[6] = {listed.v[0], listed.v[1], listed.v[2], listed.v[0], listed.v[2], listed.v[3]};

  BeginBlackFrame();
  DrawParticleBatch({nullptr, 0, indexed.v, 4, indexed.indices, 6});
  DrawParticleBatch({&wrapped, 0, textured.v, 4, textured.indices, 6});
  DrawParticleBatch({nullptr, 0, list, 6, nullptr, 0});
  EXPECT_EQ(draw->GetTexture(), nullptr);  // the bound texture is given back
  windowdraw::EndDraw();
  ExpectPixel(35, 35, kRed);
  ExpectPixel(125, 35, kBlue);
  ExpectPixel(225, 35, kGreen);
  ExpectPixel(35, 100, kBlack);
}

}  // namespace

namespace {

class LineSelfTest : public DrawPathTest {};

TEST_F(LineSelfTest, ChosenOffsetsLightExactlyTheIntendedPixelsOnScreen) {
  TVxMiniVecDraw vec;
  ConnectLineSink(vec);
  ASSERT_TRUE(RunLineSelfTest(vec)) << Log();
  EXPECT_FALSE(draw->IsDrawing());
  float start = 0, end = 0, y = 0;
  vec.GetSpanOffsets(&start, &end, &y);

  // One-pixel lines at pixel 10 of row 20 and pixels 30..34 of row 21, drawn as the rasteriser would.
  BeginBlackFrame();
  TVxLineVertex lines[4] = {{10 + start, 20 + y, 0xFFFFFFFF}, {11 + end, 20 + y, 0xFFFFFFFF},
                            {30 + start, 21 + y, 0xFFFFFFFF}, {35 + end, 21 + y, 0xFFFFFFFF}};
  MakeDrawContextLineSink()(lines, 4);
  windowdraw::EndDraw();
  ExpectPixel(10, 20, 0xFFFFFF);
  ExpectPixel(9, 20, kBlack);
  ExpectPixel(11, 20, kBlack);
  ExpectPixel(10, 19, kBlack);
  ExpectPixel(10, 21, kBlack);
  for (int x = 30; x < 35; ++x) ExpectPixel(x, 21, 0xFFFFFF);
  ExpectPixel(29, 21, kBlack);
  ExpectPixel(35, 21, kBlack);
  ExpectPixel(32, 22, kBlack);
}

// A rasteriser whose render target cannot be made keeps its offsets.
TEST_F(LineSelfTest, WithoutADisplayTheOffsetsStay) {
  TVxMiniVecDraw vec;
  vec.SetSpanOffsets(0.25f, 0.25f, 0.25f);
  ASSERT_TRUE(windowdraw::BeginDraw());  // a render target cannot open inside a frame
  EXPECT_FALSE(RunLineSelfTest(vec));
  windowdraw::EndDraw();
  float start = 0, end = 0, y = 0;
  vec.GetSpanOffsets(&start, &end, &y);
  EXPECT_EQ(start, 0.25f);
  EXPECT_EQ(end, 0.25f);
  EXPECT_EQ(y, 0.25f);
  EXPECT_EQ(vec.GetBatchCapacity(), 256u);
}

}  // namespace
