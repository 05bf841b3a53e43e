// The drawing context: bracket misuse and its log lines, the quad builder, the clip stack, blend
// modes and viewports read back from the presented frame, render options.
#include "render/drawcontext.h"

#include <gtest/gtest.h>

#include <functional>

#include "displayfixture.h"
#include "render/texture.h"
#include "os/time.h"
#include "os/version.h"
#include "../os/gfx_fixture.h"

namespace {

using render_test::DisplayFixture;

class DrawContextTest : public DisplayFixture {
 protected:
  // A frame filled with mid grey, in a 2D block.
  void GreyFrame() {
    ASSERT_TRUE(draw->BeginDraw(0));
    ASSERT_TRUE(draw->Begin2d());
    draw->DrawTextureRect(TRect(0, 0, 320, 240), TVec4(128 / 255.0f, 128 / 255.0f, 128 / 255.0f, 1), nullptr);
  }
  void Quad(const TRect& r, float red, float green, float blue, float alpha) {
    TVec2 corners[4] = {{float(r.left), float(r.top)}, {float(r.right), float(r.top)},
                        {float(r.right), float(r.bottom)}, {float(r.left), float(r.bottom)}};
    TTransformedVertex v[4];
    BuildQuadVertices(v, TVec2(0, 0), corners, TVec2(0, 0), TVec2(1, 1), TMat3::Identity(), alpha, red, green, blue);
    draw->DrawVertices(D3DPT_TRIANGLEFAN, TVertexSet(v, 4));
  }
  void EndFrame() {
    draw->End2d();
    EXPECT_EQ(draw->EndDraw(1), DD_OK);
  }
};

TEST_F(DrawContextTest, MisusedBracketsLogTheirTextAndChangeNothing) {
  struct Case {
    const char* what;
    std::function<void()> call;
    const char* line;
  } cases[] = {
      {"Begin2d outside a frame", [&] { EXPECT_FALSE(draw->Begin2d()); },
       "ERROR: Calling Begin2d outside of a BeginDraw or BeginRenderTarget block!"},
      {"Begin3d outside a frame", [&] { EXPECT_FALSE(draw->Begin3d()); },
       "ERROR: Calling Begin3d outside of a BeginDraw or BeginRenderTarget block!"},
      {"End2d without Begin2d", [&] { draw->End2d(); }, "End2d called when not in Begin2d state"},
      {"End3d without Begin3d", [&] { draw->End3d(); }, "End3d called when not in Begin3d state"},
      {"DrawVertices outside a block", [&] { draw->DrawVertices(D3DPT_TRIANGLEFAN, TVertexSet(nullptr, 0)); },
       "DrawVertices called when not in Begin2d or Begin3d state"},
      {"DrawIndexedVertices outside a block",
       [&] { draw->DrawIndexedVertices(D3DPT_TRIANGLELIST, TVertexSet(nullptr, 0), nullptr, 0); },
       "DrawIndexedVertices called when not in Begin2d or Begin3d state"},
  };
  Window();
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.call();
    EXPECT_TRUE(Logged(c.line));
    EXPECT_FALSE(draw->IsIn2d());
    EXPECT_FALSE(draw->IsIn3d());
    EXPECT_FALSE(draw->IsDrawing());
  }
}

TEST_F(DrawContextTest, NestedBlocksAreRefusedAndTheFirstBlockStays) {
  Window();
  ASSERT_TRUE(draw->BeginDraw(0));
  EXPECT_TRUE(draw->IsDrawing());
  ASSERT_TRUE(draw->Begin2d());
  EXPECT_FALSE(draw->Begin2d());
  EXPECT_TRUE(Logged("Begin2d called when already in Begin2d state"));
  EXPECT_FALSE(draw->Begin3d());
  EXPECT_TRUE(Logged("Begin3d called when already in Begin2d state"));
  EXPECT_TRUE(draw->IsIn2d());
  draw->End2d();
  ASSERT_TRUE(draw->Begin3d());
  EXPECT_FALSE(draw->Begin2d());
  EXPECT_TRUE(Logged("Begin2d called when already in Begin3d state"));
  EXPECT_FALSE(draw->Begin3d());
  EXPECT_TRUE(Logged("Begin3d called when already in Begin3d state"));
  draw->End3d();
  ASSERT_TRUE(draw->Begin2d());
  draw->EndDraw(0);
  // EndDraw leaves the open block to be reported by its End.
  EXPECT_TRUE(draw->IsIn2d());
  draw->End2d();
  EXPECT_TRUE(Logged("ERROR: Calling End2d after EndDraw or EndRenderTarget!"));
  EXPECT_FALSE(draw->IsIn2d());
  ASSERT_TRUE(draw->BeginDraw(0));
  ASSERT_TRUE(draw->Begin3d());
  draw->EndDraw(0);
  draw->End3d();
  EXPECT_TRUE(Logged("Calling End3d after EndDraw or EndRenderTarget!"));
  EXPECT_FALSE(draw->IsIn3d());
}

TEST(QuadBuilder, CornersColoursAndTextureCoordinates) {
  struct Case {
    float alpha, red, green, blue;
    uint32_t diffuse;
  } cases[] = {
      {1.0f, 1.0f, 0.5f, 0.0f, 0xFFFF7F00u},
      {1.2f, 1.2f, 0.0f, 0.0f, 0xFF320000u},  // 306 keeps its low byte 50; alpha is clamped
      {-0.1f, 0.0f, 0.0f, 1.0f, 0x000000FFu},
      {0.5f, 0.25f, 0.25f, 0.25f, 0x7F3F3F3Fu},
  };
  for (auto& c : cases) {
    TVec2 corners[4] = {{0, 0}, {10, 0}, {10, 20}, {0, 20}};
    TMat3 m = TMat3::Identity();
    m.Scale(2.0f);
    m.SetTranslation(TVec2(1, 1));
    TTransformedVertex v[4];
    BuildQuadVertices(v, TVec2(100, 200), corners, TVec2(0.25f, 0.5f), TVec2(0.75f, 1.0f), m, c.alpha, c.red,
                      c.green, c.blue);
    const float want[4][4] = {{101, 201, 0.25f, 0.5f}, {121, 201, 0.75f, 0.5f}, {121, 241, 0.75f, 1.0f},
                              {101, 241, 0.25f, 1.0f}};
    for (int i = 0; i < 4; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(v[i].diffuse, c.diffuse);
      EXPECT_EQ(v[i].specular, 0xFF000000u);
      EXPECT_FLOAT_EQ(v[i].x, want[i][0]);
      EXPECT_FLOAT_EQ(v[i].y, want[i][1]);
      EXPECT_FLOAT_EQ(v[i].u, want[i][2]);
      EXPECT_FLOAT_EQ(v[i].v, want[i][3]);
      EXPECT_FLOAT_EQ(v[i].z, 0.1f);
      EXPECT_FLOAT_EQ(v[i].w, 0.5f);
    }
    // The caller's corners come back transformed (without the offset).
    EXPECT_FLOAT_EQ(corners[2].x, 21);
    EXPECT_FLOAT_EQ(corners[2].y, 41);
  }
}

TEST_F(DrawContextTest, ClipStackKeepsItsLastEntry) {
  EXPECT_EQ(draw->GetClipRect(), TRect(0, 0, 0, 0));
  draw->PopClipRect();
  draw->PushClipRect(TRect(1, 2, 3, 4));
  draw->PopClipRect();
  EXPECT_EQ(draw->GetClipRect(), TRect(1, 2, 3, 4));
  draw->PushClipRect(TRect(5, 6, 7, 8));
  EXPECT_EQ(draw->GetClipRect(), TRect(5, 6, 7, 8));
  draw->PopClipRect();
  EXPECT_EQ(draw->GetClipRect(), TRect(1, 2, 3, 4));
}

TEST_F(DrawContextTest, BlendModesMixTheQuadWithTheFrame) {
  struct Case {
    int mode;
    uint32_t want;  // over grey 128, quad (255, 64, 0) at alpha 0.5
  } cases[] = {
      {0, 0xC06040u},  // source alpha, inverse source alpha
      {1, 0xFF4000u},  // opaque
      {2, 0xFFA080u},  // additive
      {3, 0x006080u},  // subtractive: frame times inverse source colour
      {4, 0x802000u},  // multiply
  };
  Window();
  for (auto& c : cases) {
    SCOPED_TRACE(c.mode);
    GreyFrame();
    draw->SetBlendMode(c.mode);
    Quad(TRect(40, 40, 120, 120), 1.0f, 64 / 255.0f, 0.0f, 0.5f);
    EndFrame();
    EXPECT_TRUE(gfx_test::Near(Presented(80, 80), c.want, 4));
    EXPECT_TRUE(gfx_test::Near(Presented(200, 200), 0x808080u, 2));
  }
}

TEST_F(DrawContextTest, ViewportsAndClipRectanglesLimitDrawing) {
  Window();
  GreyFrame();
  // A viewport moves the view's origin and cuts what lies outside it.
  draw->SetViewport(TRect(100, 50, 200, 150));
  int32_t l, t, r, b;
  draw->GetViewport(&l, &t, &r, &b);
  EXPECT_EQ(TRect(l, t, r, b), TRect(100, 50, 200, 150));
  draw->SetBlendMode(1);
  Quad(TRect(0, 0, 300, 300), 1, 0, 0, 1);
  draw->PopViewport();
  // A clip rectangle cuts without moving.
  draw->PushClipRect(TRect(10, 180, 40, 220));
  Quad(TRect(0, 0, 320, 240), 0, 0, 1, 1);
  EndFrame();
  EXPECT_TRUE(gfx_test::Near(Presented(101, 51), 0xFF0000u));
  EXPECT_TRUE(gfx_test::Near(Presented(198, 148), 0xFF0000u));
  EXPECT_TRUE(gfx_test::Near(Presented(98, 100), 0x808080u));
  EXPECT_TRUE(gfx_test::Near(Presented(150, 152), 0x808080u));
  EXPECT_TRUE(gfx_test::Near(Presented(20, 200), 0x0000FFu));
  EXPECT_TRUE(gfx_test::Near(Presented(50, 200), 0x808080u));
  EXPECT_TRUE(gfx_test::Near(Presented(20, 170), 0x808080u));
}

TEST_F(DrawContextTest, ARejectedViewportKeepsThePreviousOne) {
  Window();
  handler->SetViewport(10, 10, 100, 100);
  os::TestFailNextDx("SetViewport", DDERR_GENERIC);
  handler->SetViewport(20, 20, 50, 50);
  EXPECT_TRUE(Logged("Bad viewport: 20, 20, 50, 50"));
  int l, t, r, b;
  handler->GetViewport(&l, &t, &r, &b);
  EXPECT_EQ(TRect(l, t, r, b), TRect(10, 10, 100, 100));
}

TEST_F(DrawContextTest, FillsOutsideAFrameGoToTheBackBufferWithinTheClipRectangle) {
  Window();
  draw->PushClipRect(TRect(0, 0, 50, 50));
  EXPECT_TRUE(draw->DrawTextureRect(TRect(0, 0, 320, 240), TVec4(0, 1, 0, 1), nullptr));
  ASSERT_TRUE(draw->BeginDraw(0));
  EXPECT_EQ(draw->EndDraw(1), DD_OK);
  EXPECT_TRUE(gfx_test::Near(Presented(10, 10), 0x00FF00u));
  EXPECT_TRUE(gfx_test::Near(Presented(60, 60), 0x000000u));
}

TEST_F(DrawContextTest, RenderOptions) {
  Window();
  for (const char* name : {"antialias", "hint_antialias", "new_subtractive"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(draw->GetRenderOption(name), "0");
    draw->SetOption(name, "2");
    EXPECT_EQ(draw->GetRenderOption(name), "1");
    draw->SetRenderOption(name, "0");
    EXPECT_EQ(draw->GetRenderOption(name), "0");
  }
  EXPECT_EQ(draw->GetRenderOption("new_render_blend"), "");
  EXPECT_EQ(draw->GetRenderOption("16bitmode"), "0");
  for (int bits : {15, 16}) {
    Data().mDisplayBitsPerPixel = bits;
    EXPECT_EQ(draw->GetRenderOption("16bitmode"), "1");
  }
}

TEST_F(DrawContextTest, FrameRateIsMeasuredOverFifteenFrames) {
  Window();
  os::TestFreezeTime(1000);
  for (int i = 0; i < 15; ++i) {
    ASSERT_TRUE(draw->BeginDraw(0));
    draw->EndDraw(1);
    os::TestAdvanceTime(20);
  }
  os::TestReleaseTime();
  EXPECT_NEAR(draw->GetFramesPerSecond(), 15000.0f / 280.0f, 0.01f);
}

TEST_F(DrawContextTest, DebugOverlayComposesItsTextAndDrawsABacking) {
  Window();
  EXPECT_TRUE(draw->ToggleDebugOverlay());
  SetConfig("current_sprite_count", "7");
  SetConfig("texture_ram_allocated", "4096");
  std::vector<std::string> drawn;
  TDrawContext::SetOverlayTextDrawer([&drawn](const TString& text, const TRect& box) {
    drawn.push_back(std::string(text.CStr()) + " in " + std::to_string(box.right) + "x" + std::to_string(box.bottom));
  });
  ASSERT_TRUE(draw->BeginDraw(0));
  draw->EndDraw(1);
  TDrawContext::SetOverlayTextDrawer(nullptr);
  std::string text = draw->GetOverlayText().CStr();
  // The version the build gave the program, and the frame rate to one decimal.
  const os::VersionInfo built = os::BuiltInVersionInfo();
  const std::string version = std::to_string(built.version[0]) + "." + std::to_string(built.version[1]) + "." +
                              std::to_string(built.version[2]) + "." + std::to_string(built.version[3]);
  EXPECT_EQ(text.rfind("Tallowmark Version " + version + "<br>", 0), 0u) << text;
  const std::string rate = text.substr(text.find("<br>") + 4, text.find(" FPS") - text.find("<br>") - 4);
  ASSERT_NE(rate.find('.'), std::string::npos) << rate;
  EXPECT_EQ(rate.size() - rate.find('.'), 2u) << rate;  // one decimal
  EXPECT_NE(text.find("Sprites: 7<br>"), std::string::npos);
  EXPECT_NE(text.find("TexMem: 4kB"), std::string::npos);
  // The process's real memory figures: some memory is in use, and the peak is at least that.
  int used = -1, peak = -1;
  ASSERT_EQ(std::sscanf(text.c_str() + text.find("Mem: "), "Mem: %dkB", &used), 1);
  ASSERT_EQ(std::sscanf(text.c_str() + text.find("MaxMem: "), "MaxMem: %dkB", &peak), 1);
  EXPECT_GT(used, 0);
  EXPECT_GE(peak, used);
  EXPECT_EQ(drawn, (std::vector<std::string>{text + " in 512x512"}));
  EXPECT_EQ(Presented(10, 10), 0u);
  EXPECT_FALSE(draw->ToggleDebugOverlay());
}

}  // namespace
