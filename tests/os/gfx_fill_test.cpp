// Fills that wait and quads that become fills: a surface filled whole reads, samples, copies and
// presents as its colour wherever its pixels are next used; a quad over the whole viewport leaves
// the pixels a drawn quad would, under every state that changes what a quad writes; a flip shows
// the back buffer while the front keeps the flipped frame.
#include "gfx_fixture.h"

#include <functional>

using namespace gfx_test;

namespace {

constexpr DWORD kBackground = 0xFF204060, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

void FillRect(IDirectDrawSurface7* s, RECT* r, DWORD colour) {
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = colour;
  ASSERT_EQ(s->Blt(r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
}

struct QuadCase {
  const char* name;
  std::function<void(IDirect3DDevice7*)> states;   // after the plain untextured states
  DWORD colour;
  float right;                                      // right edge of the quad (15.5 covers the target)
  std::vector<std::pair<int, DWORD>> columns;       // expected colour per column, rows 0 and 3 alike
};

class GfxFill : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    target = Target(16, 4);
    device = Device(target);
    DDPIXELFORMAT f = Argb8888();
    green = Make(1, 1, DDSCAPS_TEXTURE, &f);
    Write(green, {kGreen});
  }

  void Untextured() {
    Plain(device);
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  }

  void ExpectRows(IDirectDrawSurface7* s, const std::vector<std::pair<int, DWORD>>& columns) {
    std::vector<uint32_t> px = Raw(s);
    ASSERT_EQ(px.size(), 64u);
    for (int row : {0, 3})
      for (auto [x, colour] : columns) EXPECT_TRUE(Near(px[row * 16 + x], colour)) << "row " << row << " column " << x;
  }

  IDirectDrawSurface7* target = nullptr;
  IDirectDrawSurface7* green = nullptr;
  IDirect3DDevice7* device = nullptr;
};

TEST_F(GfxFill, AQuadOverTheViewportWritesWhatADrawnQuadWould) {
  auto blend = [](DWORD src, DWORD dst) {
    return [src, dst](IDirect3DDevice7* d) {
      d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
      d->SetRenderState(D3DRENDERSTATE_SRCBLEND, src);
      d->SetRenderState(D3DRENDERSTATE_DESTBLEND, dst);
    };
  };
  auto alphaTest = [](DWORD ref) {
    return [ref](IDirect3DDevice7* d) {
      d->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
      d->SetRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATER);
      d->SetRenderState(D3DRENDERSTATE_ALPHAREF, ref);
    };
  };
  auto none = [](IDirect3DDevice7*) {};
  const std::vector<QuadCase> cases = {
      {"opaque", none, kRed, 15.5f, {{0, kRed}, {7, kRed}, {15, kRed}}},
      {"opaque under alpha blending", blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA), kRed, 15.5f,
       {{0, kRed}, {15, kRed}}},
      {"half transparent", blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA), 0x80FF0000, 15.5f,
       {{0, 0xFF902030}, {15, 0xFF902030}}},
      {"added", blend(D3DBLEND_ONE, D3DBLEND_ONE), 0xFF100000, 15.5f, {{0, 0xFF304060}, {15, 0xFF304060}}},
      {"one column short", none, kRed, 14.5f, {{0, kRed}, {14, kRed}, {15, kBackground}}},
      {"textured",
       [this](IDirect3DDevice7* d) {
         d->SetTexture(0, green);
         d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
       },
       kRed, 15.5f, {{0, kGreen}, {15, kGreen}}},
      {"modulated by the texture factor",
       [](IDirect3DDevice7* d) {
         d->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0xFF808080);
         d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
         d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
       },
       kRed, 15.5f, {{0, 0xFF800000}, {15, 0xFF800000}}},
      {"alpha test failing", alphaTest(0x80), 0x40FF0000, 15.5f, {{0, kBackground}, {15, kBackground}}},
      {"alpha test passing", alphaTest(0x80), 0xC0FF0000, 15.5f, {{0, kRed}, {15, kRed}}},
      {"viewport part of the target",
       [](IDirect3DDevice7* d) {
         D3DVIEWPORT7 vp{4, 0, 8, 4, 0, 1};
         d->SetViewport(&vp);
       },
       kRed, 15.5f, {{3, kBackground}, {4, kRed}, {11, kRed}, {12, kBackground}}},
  };
  for (const QuadCase& c : cases) {
    SCOPED_TRACE(c.name);
    D3DVIEWPORT7 all{0, 0, 16, 4, 0, 1};
    device->SetViewport(&all);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, FALSE);
    FillRect(target, nullptr, kBackground);
    Untextured();
    c.states(device);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    std::vector<TLVertex> q = TLQuad(-0.5f, -0.5f, c.right, 3.5f, c.colour);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, q.data(), 4, 0), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ExpectRows(target, c.columns);
  }
}

// The 2D path: vertices in pixels through an orthographic projection with the centres moved half a
// pixel, as the display handler sets it up.
TEST_F(GfxFill, AProjectedQuadOverTheViewportCoversItAndAShorterOneDoesNot) {
  D3DMATRIX m;
  D3DXMatrixOrthoOffCenterLH(&m, 0.5f, 16.5f, 4.5f, 0.5f, 0.0f, 1.0f);
  m._13 = m._23 = m._43 = m._31 = m._32 = m._34 = 0.0f;
  m._33 = 1.0f;
  device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &m);
  for (float right : {16.0f, 15.0f}) {
    SCOPED_TRACE(right);
    FillRect(target, nullptr, kBackground);
    Untextured();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    LVertex q[4] = {{0, 0, 0.5f, 0, kBlue, 0, 0, 0}, {right, 0, 0.5f, 0, kBlue, 0, 0, 0},
                    {right, 4, 0.5f, 0, kBlue, 0, 0, 0}, {0, 4, 0.5f, 0, kBlue, 0, 0, 0}};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_LVERTEX, q, 4, 0), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ExpectRows(target, {{0, kBlue}, {14, kBlue}, {15, right == 16.0f ? kBlue : kBackground}});
  }
}

TEST_F(GfxFill, AWholeFillIsSeenByEveryLaterUseOfThePixels) {
  IDirectDrawSurface7* other = Target(16, 4);
  FillRect(target, nullptr, kBlue);
  FillRect(target, nullptr, kRed);   // the later fill wins
  // Read back, in memory.
  ExpectRows(target, {{0, kRed}, {15, kRed}});
  // Copied, stretched, onto part of another surface.
  FillRect(other, nullptr, kBackground);
  RECT from{0, 0, 2, 2}, to{4, 0, 12, 4};
  ASSERT_EQ(other->Blt(&to, target, &from, DDBLT_WAIT, nullptr), DD_OK);
  ExpectRows(other, {{3, kBackground}, {4, kRed}, {11, kRed}, {12, kBackground}});
  // Sampled as a texture.
  FillRect(target, nullptr, kGreen);
  IDirect3DDevice7* drawing = Device(other);
  Plain(drawing);
  drawing->SetTexture(0, target);
  drawing->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  drawing->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  ASSERT_EQ(drawing->BeginScene(), D3D_OK);
  std::vector<TLVertex> q = TLQuad(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF);
  ASSERT_EQ(drawing->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, q.data(), 4, 0), D3D_OK);
  ASSERT_EQ(drawing->EndScene(), D3D_OK);
  drawing->SetTexture(0, nullptr);
  ExpectRows(other, {{0, kGreen}, {3, kGreen}, {4, kRed}});
  // Drawn over in part.
  RECT left{0, 0, 4, 4};
  FillRect(target, &left, kBlue);
  ExpectRows(target, {{0, kBlue}, {3, kBlue}, {4, kGreen}, {15, kGreen}});
}

// A whole depth clear waits through drawing that does not test depth and is in force, with its
// value, at the next drawing that does.
TEST_F(GfxFill, ADepthClearHoldsAtTheNextDrawingThatTestsDepth) {
  IDirectDrawSurface7* deep = Target(8, 8, true);
  IDirect3DDevice7* d = Device(deep);
  Plain(d);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  std::vector<TLVertex> near = TLQuad(-0.5f, -0.5f, 7.5f, 7.5f, kRed, 0.2f);
  std::vector<TLVertex> far = TLQuad(-0.5f, -0.5f, 7.5f, 7.5f, kBlue, 0.8f);
  std::vector<TLVertex> flat = TLQuad(-0.5f, -0.5f, 1.5f, 1.5f, kGreen, 0.5f);
  for (float depth : {1.0f, 0.0f}) {
    SCOPED_TRACE(depth);
    d->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
    ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0), D3D_OK);
    ASSERT_EQ(d->BeginScene(), D3D_OK);
    d->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, near.data(), 4, 0);
    ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, depth, 0), D3D_OK);
    d->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
    d->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, flat.data(), 4, 0);
    d->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
    d->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, far.data(), 4, 0);
    ASSERT_EQ(d->EndScene(), D3D_OK);
    std::vector<uint32_t> px = Raw(deep);
    // Cleared to the back, the far quad covers all; cleared to the front, it hides behind all.
    EXPECT_TRUE(Near(px[0], depth == 1.0f ? kBlue : kGreen));
    EXPECT_TRUE(Near(px[4 * 8 + 4], depth == 1.0f ? kBlue : kRed));
  }
}

class GfxFillPresent : public GfxWindowTest {
 protected:
  // A flipping chain at 64 x 48 in full screen: the front, with the back buffer in `back`.
  IDirectDrawSurface7* FullScreenFlipChain(IDirectDrawSurface7** back) {
    os::TestSetDisplayModes({{64, 48, 32, 60}});
    *back = nullptr;
    if (dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK ||
        dd->SetDisplayMode(64, 48, 32, 0, 0) != DD_OK)
      return nullptr;
    return FlipChain(back);
  }
  uint32_t FrameAt(int x, int y, int width) {
    std::vector<uint32_t> frame;
    int w = 0, h = 0;
    EXPECT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
    size_t at = static_cast<size_t>(y) * width + x;
    return w == width && at < frame.size() ? frame[at] | 0xFF000000u : 0xDEADu;
  }
};

// A back buffer filled whole and presented onto part of the primary: the frame, the primary's part
// and a copy of that part back all show the colour; the rest of the primary keeps what it held.
TEST_F(GfxFillPresent, AFilledFramePresentedOntoPartOfThePrimaryIsThatColourThere) {
  ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
  IDirectDrawSurface7* front = Primary();
  ASSERT_NE(front, nullptr);
  const int pitch = static_cast<int>(Desc(front).dwWidth);
  DDPIXELFORMAT f = Xrgb8888();
  IDirectDrawSurface7* back = Make(16, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, &f);
  FillRect(front, nullptr, 0x000000);
  RECT onScreen{4, 2, 20, 10}, all{0, 0, 16, 8};

  FillRect(back, nullptr, 0x00FF00);
  ASSERT_EQ(front->Blt(&onScreen, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_TRUE(Near(FrameAt(0, 0, 16), kGreen));
  EXPECT_TRUE(Near(FrameAt(15, 7, 16), kGreen));
  // The back buffer changes; the window's part comes back from the primary.
  FillRect(back, nullptr, 0x0000FF);
  ASSERT_EQ(back->BltFast(0, 0, front, &onScreen, DDBLTFAST_WAIT), DD_OK);
  std::vector<uint32_t> b = Raw(back);
  EXPECT_EQ(b[0] & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(b[7 * 16 + 15] & 0xFFFFFF, 0x00FF00u);
  std::vector<uint32_t> p = Raw(front);
  EXPECT_EQ(p[2 * pitch + 4] & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(p[9 * pitch + 19] & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(p[1 * pitch + 4] & 0xFFFFFF, 0u);
  EXPECT_EQ(p[2 * pitch + 20] & 0xFFFFFF, 0u);

  // Part of the next frame drawn over the fill: the frame shows both.
  FillRect(back, nullptr, 0xFF0000);
  RECT corner{0, 0, 4, 4};
  FillRect(back, &corner, 0x0000FF);
  ASSERT_EQ(front->Blt(&onScreen, back, &all, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_TRUE(Near(FrameAt(1, 1, 16), kBlue));
  EXPECT_TRUE(Near(FrameAt(10, 5, 16), kRed));
}

// Frame after frame of a windowed loop that starts each frame with a whole fill: the presented
// frames stay apart, and depth testing keeps working in every frame.
TEST_F(GfxFillPresent, FramesStartingWithAFillKeepTheirDepthBufferAndTheirOwnPixels) {
  ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
  IDirectDrawSurface7* front = Primary();
  ASSERT_NE(front, nullptr);
  IDirectDrawSurface7* back = Target(16, 8, true);
  IDirect3DDevice7* device = Device(back);
  Plain(device);
  device->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  RECT onScreen{0, 0, 16, 8};
  const DWORD fills[] = {0x404040, 0x808080, 0x202020, 0x606060};
  for (int frame = 0; frame < 4; ++frame) {
    SCOPED_TRACE(frame);
    FillRect(back, nullptr, fills[frame]);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1, 0), D3D_OK);
    // The near quad over the left half, then a far one over all: it shows only on the right.
    std::vector<TLVertex> near = TLQuad(-0.5f, -0.5f, 7.5f, 7.5f, kRed, 0.2f);
    std::vector<TLVertex> far = TLQuad(-0.5f, -0.5f, 15.5f, 3.5f, frame % 2 ? kGreen : kBlue, 0.8f);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, near.data(), 4, 0);
    device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, far.data(), 4, 0);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(front->Blt(&onScreen, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    // Reading the frame copies it into the primary, so every other frame goes unread: the next
    // fill then finds the back buffer still shown there and hands its pixels over.
    if (frame % 2 == 0) continue;
    EXPECT_TRUE(Near(FrameAt(2, 2, 16), kRed));
    EXPECT_TRUE(Near(FrameAt(12, 2, 16), frame % 2 ? kGreen : kBlue));
    EXPECT_TRUE(Near(FrameAt(12, 6, 16), 0xFF000000u | fills[frame]));
  }
}

// Flipping shows the back buffer; the front keeps the flipped frame while the back buffer is drawn
// over, and the next flip shows the new drawing.
TEST_F(GfxFillPresent, TheFrontKeepsTheFlippedFrameWhileTheBackBufferIsDrawnOver) {
  IDirectDrawSurface7* back = nullptr;
  IDirectDrawSurface7* front = FullScreenFlipChain(&back);
  ASSERT_NE(front, nullptr);
  ASSERT_NE(back, nullptr);
  IDirect3DDevice7* device = Device(back);
  Plain(device);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  auto quad = [&](float x0, float x1, DWORD colour) {
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    std::vector<TLVertex> q = TLQuad(x0, -0.5f, x1, 47.5f, colour);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, q.data(), 4, 0), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
  };

  FillRect(back, nullptr, 0xFF0000);
  quad(-0.5f, 7.5f, kBlue);
  ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  quad(31.5f, 63.5f, kGreen);   // the next frame, in part
  std::vector<uint32_t> f = Raw(front);
  ASSERT_EQ(f.size(), 64u * 48);
  EXPECT_EQ(f[5] & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(f[40] & 0xFFFFFF, 0xFF0000u);
  EXPECT_TRUE(Near(FrameAt(40, 10, 64), kRed));
  std::vector<uint32_t> b = Raw(back);
  EXPECT_EQ(b[5] & 0xFFFFFF, 0x0000FFu);   // the back buffer keeps its pixels across the flip
  EXPECT_EQ(b[40] & 0xFFFFFF, 0x00FF00u);

  ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_TRUE(Near(FrameAt(5, 10, 64), kBlue));
  EXPECT_TRUE(Near(FrameAt(40, 10, 64), kGreen));
  EXPECT_EQ(Raw(front)[40] & 0xFFFFFF, 0x00FF00u);
}

// A frame that begins with a background over the whole back buffer, opaque whatever lay beneath,
// needs nothing of the flipped frame's pixels: the front keeps that frame without a copy. A
// background that lets the old pixels through (a texture with alpha, a viewport short of the
// target) keeps them, at the cost of the copy.
TEST_F(GfxFillPresent, ABackgroundOverTheWholeFrameTakesNoCopyOfTheFlippedOne) {
  IDirectDrawSurface7* back = nullptr;
  IDirectDrawSurface7* front = FullScreenFlipChain(&back);
  ASSERT_NE(front, nullptr);
  IDirect3DDevice7* device = Device(back);
  DDPIXELFORMAT x = Xrgb8888(), a = Argb8888();
  IDirectDrawSurface7* opaque = Make(2, 2, DDSCAPS_TEXTURE, &x);
  IDirectDrawSurface7* halfSeen = Make(2, 2, DDSCAPS_TEXTURE, &a);
  Write(opaque, std::vector<uint32_t>(4, 0x0000FF00u));    // no alpha in the format: opaque
  Write(halfSeen, std::vector<uint32_t>(4, 0x800000FFu));  // half transparent blue
  struct Case {
    const char* name;
    IDirectDrawSurface7* texture;
    D3DVIEWPORT7 viewport;
    bool copies;
    DWORD centre;   // the new frame at its centre, over a red frame before
  };
  const D3DVIEWPORT7 whole{0, 0, 64, 48, 0, 1}, inset{0, 0, 64, 40, 0, 1};
  const Case cases[] = {
      {"opaque texture over all", opaque, whole, false, kGreen},
      {"texture with alpha", halfSeen, whole, true, 0xFF7F0080},
      {"viewport short of the target", opaque, inset, true, kGreen},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A yellow frame and a red one, each with a green dot (not of one colour: showing them takes
    // their pixels), flipped.
    for (DWORD colour : {0xFFFF00u, 0xFF0000u}) {
      FillRect(back, nullptr, colour);
      RECT dot{60, 44, 62, 46};
      FillRect(back, &dot, 0x00FF00);
      ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    }
    // The next frame: its background, blended as a game's sprites are, then a blue corner.
    Plain(device);
    D3DVIEWPORT7 viewport = c.viewport;
    device->SetViewport(&viewport);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTexture(0, c.texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    const float bottom = float(c.viewport.dwHeight) - 0.5f;
    std::vector<TLVertex> all = TLQuad(-0.5f, -0.5f, 63.5f, bottom, 0xFFFFFFFF);
    const int copies = os::TestFrameCopyCount();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, all.data(), 4, 0), D3D_OK);
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    std::vector<TLVertex> corner = TLQuad(-0.5f, -0.5f, 3.5f, 3.5f, kBlue);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, corner.data(), 4, 0), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    // The back buffer holds the new frame (reading it draws the frame); before the flip the front
    // still shows red (reading that takes a copy of its own).
    std::vector<uint32_t> b = Raw(back);
    EXPECT_EQ(os::TestFrameCopyCount() - copies > 0, c.copies);
    ASSERT_EQ(b.size(), 64u * 48);
    EXPECT_TRUE(Near(b[24 * 64 + 32], c.centre));
    EXPECT_TRUE(Near(b[1 * 64 + 1], kBlue));
    EXPECT_TRUE(Near(b[44 * 64 + 32], c.viewport.dwHeight == 48 ? c.centre : kRed));
    std::vector<uint32_t> f = Raw(front);
    ASSERT_EQ(f.size(), 64u * 48);
    EXPECT_EQ(f[24 * 64 + 32] & 0xFFFFFF, 0xFF0000u);
    ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_TRUE(Near(FrameAt(32, 24, 64), c.centre));
    EXPECT_TRUE(Near(FrameAt(1, 1, 64), kBlue));
  }
}

}  // namespace
