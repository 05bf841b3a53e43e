// Frames drawn straight into a window of their own size: the same pixels as a frame copied there
// from its framebuffer object, and the frame still there when anything reads or partly redraws the
// surfaces it was drawn for, even after a texture it read has changed.
#include <functional>

#include "gfx_fixture.h"

using namespace gfx_test;

namespace {

constexpr int kW = 64, kH = 48;

class GfxDirect : public GfxWindowTest {
 protected:
  void SetUp() override {
    GfxWindowTest::SetUp();
    ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
    front = Primary();
    DDPIXELFORMAT f = Xrgb8888();
    back = Make(kW, kH, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, &f);
    DDPIXELFORMAT a = Argb8888();
    texture = Make(2, 2, DDSCAPS_TEXTURE, &a);
    Write(texture, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu});
    device = Device(back);
    Plain(device);
    os::TestCaptureWindowPixels(true);
  }
  void TearDown() override {
    os::TestCaptureWindowPixels(false);
    GfxWindowTest::TearDown();
  }

  void Fill(DWORD colour) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = colour;
    ASSERT_EQ(back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
  }
  void Quad(const std::vector<TLVertex>& q, IDirectDrawSurface7* tex = nullptr) {
    device->SetTexture(0, tex);
    device->SetTextureStageState(0, D3DTSS_COLOROP, tex ? D3DTOP_SELECTARG1 : D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, const_cast<TLVertex*>(q.data()), 4, 0), D3D_OK);
  }
  // Shows the back buffer at the window's top-left, at its own size; answers the swaps it took.
  int Present() {
    int swaps = os::TestWindowSwapCount();
    RECT at{0, 0, kW, kH};
    EXPECT_EQ(front->Blt(&at, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    return os::TestWindowSwapCount() - swaps;
  }
  std::vector<uint32_t> Window() {
    std::vector<uint32_t> p;
    int w = 0, h = 0;
    EXPECT_TRUE(os::TestReadWindowPixels(&p, &w, &h));
    if (w != kW || h != kH) return {};
    for (uint32_t& v : p) v &= 0xFFFFFF;
    return p;
  }
  uint32_t PresentedAt(int x, int y) {
    std::vector<uint32_t> p;
    int w = 0, h = 0;
    EXPECT_TRUE(os::TestReadPresentedFrame(&p, &w, &h));
    return w == kW && h == kH ? p[size_t(y) * kW + x] & 0xFFFFFF : 0xDEADu;
  }
  // Draws one frame that starts with a fill; false when it could not be drawn straight into the
  // window (the driver cannot put the window's origin at the top).
  bool DirectFrame(const std::function<void()>& draw) {
    int direct = os::TestDirectFrameCount();
    device->BeginScene();
    draw();
    device->EndScene();
    Present();
    return os::TestDirectFrameCount() == direct + 1;
  }

  IDirectDrawSurface7* front = nullptr;
  IDirectDrawSurface7* back = nullptr;
  IDirectDrawSurface7* texture = nullptr;
  IDirect3DDevice7* device = nullptr;
};

TEST_F(GfxDirect, DrawnStraightIntoTheWindowTheFrameHasTheCopiedFramesPixels) {
  // Edges through pixel centres, a textured quad, a viewport and its clip away from the corner,
  // an untransformed triangle in one, a culled and a kept triangle, and lines.
  auto scene = [&] {
    Fill(0x203040);
    Quad(TLQuad(-0.5f, -0.5f, 31.5f, 23.5f, 0xFFFFFFFF), texture);
    Quad(TLQuad(40.0f, 3.0f, 50.0f, 13.0f, 0xFFFF8000));
    Quad(TLQuad(40.5f, 15.25f, 49.75f, 20.5f, 0x80FFFFFF));
    D3DVIEWPORT7 corner{32, 24, 32, 24, 0, 1};
    device->SetViewport(&corner);
    Quad(TLQuad(-0.5f, -0.5f, 63.5f, 47.5f, 0xFF00C000), texture);   // clipped to the viewport
    D3DVIEWPORT7 left{0, 24, 32, 24, 0, 1};
    device->SetViewport(&left);
    LVertex tri[3] = {{-1, 1, 0.5f, 0, 0xFFC000C0, 0, 0, 0}, {1, 1, 0.5f, 0, 0xFFC000C0, 0, 0, 0},
                      {-1, -1, 0.5f, 0, 0xFFC000C0, 0, 0, 0}};
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, tri, 3, 0), D3D_OK);
    D3DVIEWPORT7 all{0, 0, kW, kH, 0, 1};
    device->SetViewport(&all);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CCW);
    TLVertex cw[3] = {{52, 2, 0.5f, 1, 0xFFFFFF00, 0, 0, 0}, {62, 2, 0.5f, 1, 0xFFFFFF00, 0, 0, 0},
                      {52, 12, 0.5f, 1, 0xFFFFFF00, 0, 0, 0}};
    TLVertex ccw[3] = {{52, 14, 0.5f, 1, 0xFFFF00FF, 0, 0, 0}, {52, 22, 0.5f, 1, 0xFFFF00FF, 0, 0, 0},
                       {62, 14, 0.5f, 1, 0xFFFF00FF, 0, 0, 0}};
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, cw, 3, 0), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, ccw, 3, 0), D3D_OK);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    TLVertex lines[4] = {{33, 26.5f, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0}, {60, 26.5f, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0},
                         {34, 28, 0.5f, 1, 0xFF80FF80, 0, 0, 0}, {34, 45, 0.5f, 1, 0xFF80FF80, 0, 0, 0}};
    device->SetTexture(0, nullptr);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_LINELIST, D3DFVF_TLVERTEX, lines, 4, 0), D3D_OK);
  };
  os::TestAllowDirectPresent(false);
  ASSERT_FALSE(DirectFrame(scene));
  std::vector<uint32_t> copied = Window();
  if (copied.empty()) GTEST_SKIP() << "no real window of the frame's size";
  os::TestAllowDirectPresent(true);
  Fill(0x000000);   // a different frame in between, so the next is not a repeat
  Present();
  if (!DirectFrame(scene)) GTEST_SKIP() << "the driver cannot draw straight into the window";
  std::vector<uint32_t> direct = Window();
  ASSERT_EQ(direct.size(), copied.size());
  int differ = 0;
  for (size_t i = 0; i < direct.size(); ++i)
    if (direct[i] != copied[i] && differ++ < 8)
      ADD_FAILURE() << "pixel " << i % kW << "," << i / kW << std::hex << ": direct 0x" << direct[i] << ", copied 0x"
                    << copied[i];
  EXPECT_EQ(differ, 0);
  // The surfaces hold the frame too.
  EXPECT_EQ(PresentedAt(45, 8), copied[8 * kW + 45]);
  std::vector<uint32_t> held = Raw(back);
  ASSERT_EQ(held.size(), copied.size());
  for (size_t i = 0; i < held.size(); ++i) held[i] &= 0xFFFFFF;
  EXPECT_EQ(held, copied);
}

TEST_F(GfxDirect, TheFrameOutlivesItsDrawsWhereverItIsNeeded) {
  auto frame = [&](DWORD background, IDirectDrawSurface7* tex) {
    return DirectFrame([&] {
      Fill(background);
      Quad(TLQuad(9.5f, 9.5f, 19.5f, 19.5f, 0xFFFFFFFF), tex);
    });
  };
  if (!frame(0xFF0000, nullptr)) GTEST_SKIP() << "the driver cannot draw straight into the window";
  int drawnAgain = os::TestDeferredFrameDrawCount();

  // Frames that replace it whole, and a repeat of the last, never draw it anywhere else.
  EXPECT_TRUE(frame(0x00FF00, nullptr));
  EXPECT_TRUE(frame(0x0000FF, nullptr));
  device->BeginScene();
  Quad(TLQuad(9.5f, 9.5f, 19.5f, 19.5f, 0xFFFFFFFF));
  device->EndScene();
  int before = os::TestDirectFrameCount();
  EXPECT_EQ(Present(), 0);
  EXPECT_EQ(os::TestDirectFrameCount(), before);
  EXPECT_EQ(os::TestDeferredFrameDrawCount(), drawnAgain);

  // A frame drawn over part of it: the back buffer draws the kept frame first.
  device->BeginScene();
  Quad(TLQuad(29.5f, 29.5f, 39.5f, 39.5f, 0xFFFFFF00));
  device->EndScene();
  Present();
  EXPECT_EQ(os::TestDeferredFrameDrawCount(), drawnAgain + 1);
  std::vector<uint32_t> shown = Window();
  ASSERT_EQ(shown.size(), size_t(kW) * kH);
  EXPECT_EQ(shown[2 * kW + 2], 0x0000FFu);
  EXPECT_EQ(shown[12 * kW + 12], 0xFFFFFFu);
  EXPECT_EQ(shown[32 * kW + 32], 0xFFFF00u);

  // A texture the kept frame read changes before anything reads the frame: what was shown stays.
  os::TestResetGraphics();
  ASSERT_TRUE(frame(0x000000, texture));
  uint32_t wasShown = Window()[12 * kW + 12];
  Write(texture, std::vector<uint32_t>(4, 0xFF00FFFFu));
  EXPECT_EQ(PresentedAt(12, 12), wasShown);
  std::vector<uint32_t> held = Raw(back);
  ASSERT_EQ(held.size(), size_t(kW) * kH);
  EXPECT_EQ(held[12 * kW + 12] & 0xFFFFFF, wasShown);
  EXPECT_EQ(held[2 * kW + 2] & 0xFFFFFF, 0u);

  // The back buffer drawn over whole while the primary still shows the kept frame: the primary
  // draws it on its own when read.
  os::TestResetGraphics();
  ASSERT_TRUE(frame(0x00FFFF, nullptr));
  Fill(0x808080);
  EXPECT_EQ(PresentedAt(2, 2), 0x00FFFFu);
  EXPECT_EQ(PresentedAt(12, 12), 0xFFFFFFu);
}

TEST_F(GfxDirect, ARepeatedFrameOverPixelsChangedSinceIsNotDrawnAgainWhenItCoversThem) {
  // Every frame starts with an opaque picture over all of the target, as a scene's background does.
  DDPIXELFORMAT opaque = Xrgb8888();
  IDirectDrawSurface7* picture = Make(2, 2, DDSCAPS_TEXTURE, &opaque);
  Write(picture, {0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFFFFu});
  auto frame = [&] {
    device->BeginScene();
    Quad(TLQuad(-0.5f, -0.5f, 63.5f, 47.5f, 0xFFFFFFFF), picture);
    Quad(TLQuad(9.5f, 9.5f, 19.5f, 19.5f, 0xFF0000FF));
    device->EndScene();
    return Present();
  };
  int direct = os::TestDirectFrameCount();
  frame();
  if (os::TestDirectFrameCount() != direct + 1) GTEST_SKIP() << "the driver cannot draw straight into the window";
  std::vector<uint32_t> shown = Window();
  // Something draws into a corner of the back buffer (a hit test, say), then the same frame comes.
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0x00FF00;
  RECT corner{0, 0, 4, 4};
  ASSERT_EQ(back->Blt(&corner, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
  int repeats = os::TestRepeatedFrameCount();
  direct = os::TestDirectFrameCount();
  EXPECT_EQ(frame(), 0);
  EXPECT_EQ(os::TestRepeatedFrameCount(), repeats + 1);
  EXPECT_EQ(os::TestDirectFrameCount(), direct);
  EXPECT_EQ(frame(), 0);   // and again, now a plain repeat
  EXPECT_EQ(os::TestRepeatedFrameCount(), repeats + 2);
  // The surfaces hold the frame, not what was drawn into the corner.
  EXPECT_EQ(PresentedAt(1, 1), shown[1 * kW + 1]);
  std::vector<uint32_t> held = Raw(back);
  ASSERT_EQ(held.size(), shown.size());
  EXPECT_EQ(held[1 * kW + 1] & 0xFFFFFF, shown[1 * kW + 1]);
  EXPECT_EQ(held[12 * kW + 12] & 0xFFFFFF, 0x0000FFu);
}

TEST_F(GfxDirect, AFrameKeptPastItsDeviceIsStillThereAndNothingLeaks) {
  IDirect3DDevice7* own = nullptr;
  ASSERT_EQ(D3D()->CreateDevice(IID_IDirect3DHALDevice, back, &own), D3D_OK);
  Plain(own);
  int direct = os::TestDirectFrameCount();
  Fill(0x102030);
  own->BeginScene();
  std::vector<TLVertex> q = TLQuad(9.5f, 9.5f, 19.5f, 19.5f, 0xFFFF8000);
  ASSERT_EQ(own->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, q.data(), 4, 0), D3D_OK);
  own->EndScene();
  Present();
  own->Release();
  if (os::TestDirectFrameCount() != direct + 1) GTEST_SKIP() << "the driver cannot draw straight into the window";
  EXPECT_EQ(PresentedAt(12, 12), 0xFF8000u);
  EXPECT_EQ(PresentedAt(2, 2), 0x102030u);
}

}  // namespace
