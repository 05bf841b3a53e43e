// DirectDraw surfaces of the graphics stand-in: pixels kept in each format through Lock/Unlock and
// through the GL mirror, colour fills, copies with conversion and stretching, lost surfaces, and
// presenting a frame (flip and windowed blit) read back as pixels.
#include "gfx_fixture.h"

#include <algorithm>
#include <thread>

#include "os/gl.h"

using namespace gfx_test;

namespace {

using GfxSurface = GfxTest;

struct FormatCase {
  const char* name;
  DDPIXELFORMAT format;
  std::vector<uint32_t> raw;    // 4 pixels of a 2x2 surface
  std::vector<uint32_t> argb;   // what they look like (alpha 255 where the format has none)
};

std::vector<FormatCase> Formats() {
  return {
      {"A8R8G8B8", Argb8888(), {0xFFFF0000, 0x8000FF00, 0x000000FF, 0x40123456},
       {0xFFFF0000, 0x8000FF00, 0x000000FF, 0x40123456}},
      {"X8R8G8B8", Xrgb8888(), {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00123456},
       {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456}},
      {"R5G6B5", Rgb565(), {0xF800, 0x07E0, 0x001F, 0xFFFF}, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}},
      {"A1R5G5B5", Argb1555(), {0xFC00, 0x83E0, 0x001F, 0xFFFF}, {0xFFFF0000, 0xFF00FF00, 0x000000FF, 0xFFFFFFFF}},
      {"A4R4G4B4", Argb4444(), {0xFF00, 0x80F0, 0x000F, 0xF888}, {0xFFFF0000, 0x8800FF00, 0x000000FF, 0xFF888888}},
  };
}

TEST_F(GfxSurface, PixelsKeepTheirFormatThroughLockAndUnlock) {
  for (const FormatCase& c : Formats()) {
    SCOPED_TRACE(c.name);
    IDirectDrawSurface7* s = Make(2, 2, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_TEXTURE, &c.format);
    ASSERT_NE(s, nullptr);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, c.format.dwRGBBitCount);
    EXPECT_GE(d.lPitch, LONG(2 * c.format.dwRGBBitCount / 8));
    s->Unlock(nullptr);
    Write(s, c.raw);
    EXPECT_EQ(Raw(s), c.raw);
    // A locked sub-rectangle points into the same rows.
    RECT r{1, 1, 2, 2};
    ASSERT_EQ(s->Lock(&r, &d, DDLOCK_WAIT, nullptr), DD_OK);
    uint32_t v = 0;
    std::memcpy(&v, d.lpSurface, c.format.dwRGBBitCount / 8);
    EXPECT_EQ(v, c.raw[3]);
    s->Unlock(nullptr);
  }
}

TEST_F(GfxSurface, UnlockedPixelsReachTheTextureInEachFormat) {
  IDirectDrawSurface7* target = Target(4, 4);
  IDirect3DDevice7* device = Device(target);
  Plain(device);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  for (const FormatCase& c : Formats()) {
    SCOPED_TRACE(c.name);
    IDirectDrawSurface7* tex = Make(2, 2, DDSCAPS_TEXTURE, &c.format);
    Write(tex, c.raw);
    device->SetTexture(0, tex);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    std::vector<TLVertex> quad = TLQuad(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, quad.data(), 4, 0), D3D_OK);
    device->EndScene();
    std::vector<uint32_t> px = Raw(target);
    // Texel (tx, ty) covers the 2x2 block of pixels at (2tx, 2ty).
    for (int i = 0; i < 4; ++i) {
      int x = (i % 2) * 2, y = (i / 2) * 2;
      EXPECT_TRUE(Near(px[y * 4 + x], c.argb[i], 1, true)) << "texel " << i;
    }
    device->SetTexture(0, nullptr);
  }
}

TEST_F(GfxSurface, ColourFillWritesTheRawValueInsideTheRectangleOnly) {
  for (const FormatCase& c : Formats()) {
    SCOPED_TRACE(c.name);
    IDirectDrawSurface7* s = Make(4, 3, DDSCAPS_OFFSCREENPLAIN, &c.format);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = c.raw[3];
    RECT r{1, 1, 3, 2};
    ASSERT_EQ(s->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    std::vector<uint32_t> px = Raw(s);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) {
        bool inside = x >= 1 && x < 3 && y == 1;
        EXPECT_EQ(px[y * 4 + x], inside ? c.raw[3] : 0u) << x << "," << y;
      }
  }
}

TEST_F(GfxSurface, ColourFillAfterDrawingKeepsTheDrawing) {
  IDirectDrawSurface7* target = Target(4, 4);
  IDirect3DDevice7* device = Device(target);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0), D3D_OK);
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0xFF00FF00;
  RECT r{0, 0, 2, 4};
  ASSERT_EQ(target->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
  std::vector<uint32_t> px = Raw(target);
  EXPECT_EQ(px[0], 0xFF00FF00u);
  EXPECT_EQ(px[3], 0xFF0000FFu);
  EXPECT_EQ(px[15], 0xFF0000FFu);
}

TEST_F(GfxSurface, AReadOnlyLockOfAPartReadsThatPartAndLeavesTheRestToTheNextLock) {
  IDirectDrawSurface7* target = Target(64, 48);
  IDirect3DDevice7* device = Device(target);
  Plain(device);
  auto quad = [&](float x0, float y0, float x1, float y1, DWORD colour) {
    std::vector<TLVertex> q = TLQuad(x0, y0, x1, y1, colour);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, q.data(), 4, 0), D3D_OK);
  };
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0), D3D_OK);
  quad(39.5f, 29.5f, 47.5f, 37.5f, 0xFFFF0000);
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  RECT corner{40, 30, 44, 34};
  ASSERT_EQ(target->Lock(&corner, &d, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), DD_OK);
  uint32_t first = 0, last = 0;
  std::memcpy(&first, d.lpSurface, 4);
  std::memcpy(&last, static_cast<uint8_t*>(d.lpSurface) + 3 * d.lPitch + 3 * 4, 4);
  ASSERT_EQ(target->Unlock(nullptr), DD_OK);
  EXPECT_EQ(first, 0xFFFF0000u);
  EXPECT_EQ(last, 0xFFFF0000u);
  // Drawn on after the part was read: a whole lock sees all of it, and the drawing stays.
  quad(1.5f, 1.5f, 5.5f, 5.5f, 0xFF00FF00);
  std::vector<uint32_t> px = Raw(target);
  ASSERT_EQ(px.size(), 64u * 48);
  EXPECT_EQ(px[3 * 64 + 3], 0xFF00FF00u);
  EXPECT_EQ(px[31 * 64 + 41], 0xFFFF0000u);
  EXPECT_EQ(px[20 * 64 + 20], 0xFF0000FFu);
  quad(9.5f, 9.5f, 11.5f, 11.5f, 0xFFFFFF00);
  px = Raw(target);
  EXPECT_EQ(px[3 * 64 + 3], 0xFF00FF00u);
  EXPECT_EQ(px[10 * 64 + 10], 0xFFFFFF00u);
}

TEST_F(GfxSurface, CopiesConvertFormatsAndStretch) {
  DDPIXELFORMAT from = Rgb565(), to = Argb8888();
  IDirectDrawSurface7* src = Make(2, 2, DDSCAPS_OFFSCREENPLAIN, &from);
  IDirectDrawSurface7* dst = Make(4, 4, DDSCAPS_OFFSCREENPLAIN, &to);
  Write(src, {0xF800, 0x07E0, 0x001F, 0x0000});
  ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  std::vector<uint32_t> px = Raw(dst);
  EXPECT_EQ(px[0], 0xFFFF0000u);
  EXPECT_EQ(px[1 * 4 + 1], 0xFFFF0000u);
  EXPECT_EQ(px[0 * 4 + 3], 0xFF00FF00u);
  EXPECT_EQ(px[3 * 4 + 0], 0xFF0000FFu);
  EXPECT_EQ(px[3 * 4 + 3], 0xFF000000u);
}

TEST_F(GfxSurface, OverlappingCopyWithinASurfaceReadsTheSourceFirst) {
  DDPIXELFORMAT f = Xrgb8888();
  IDirectDrawSurface7* s = Make(4, 1, DDSCAPS_OFFSCREENPLAIN, &f);
  Write(s, {1, 2, 3, 4});
  RECT from{0, 0, 3, 1};
  ASSERT_EQ(s->BltFast(1, 0, s, &from, DDBLTFAST_WAIT), DD_OK);
  EXPECT_EQ(Raw(s), (std::vector<uint32_t>{1, 1, 2, 3}));
}

TEST_F(GfxSurface, BadRectanglesAndLockMisuseAreRefused) {
  DDPIXELFORMAT f = Xrgb8888();
  IDirectDrawSurface7* s = Make(4, 4, DDSCAPS_OFFSCREENPLAIN, &f);
  IDirectDrawSurface7* t = Make(4, 4, DDSCAPS_OFFSCREENPLAIN, &f);
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  for (RECT r : {RECT{0, 0, 5, 1}, RECT{-1, 0, 2, 2}, RECT{2, 2, 2, 3}, RECT{3, 3, 1, 1}}) {
    EXPECT_EQ(s->Lock(&r, &d, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(s->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_INVALIDRECT);
    EXPECT_EQ(s->Blt(nullptr, t, &r, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
  }
  EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);
  ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_SURFACEBUSY);
  EXPECT_EQ(s->Unlock(nullptr), DD_OK);
  EXPECT_EQ(s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, nullptr), DDERR_INVALIDPARAMS);
  HDC dc = nullptr;
  EXPECT_EQ(s->GetDC(&dc), DDERR_CANTCREATEDC);
}

TEST_F(GfxSurface, LostSurfacesRefuseWorkUntilRestored) {
  DDPIXELFORMAT f = Xrgb8888();
  IDirectDrawSurface7* s = Make(4, 4, DDSCAPS_OFFSCREENPLAIN, &f);
  IDirectDrawSurface7* t = Make(4, 4, DDSCAPS_OFFSCREENPLAIN, &f);
  Write(s, std::vector<uint32_t>(16, 0x123456));
  os::TestLoseSurface(s);
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  EXPECT_EQ(s->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
  EXPECT_EQ(s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_SURFACELOST);
  EXPECT_EQ(t->Blt(nullptr, s, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
  EXPECT_EQ(t->IsLost(), DD_OK);
  EXPECT_EQ(s->Restore(), DD_OK);
  EXPECT_EQ(s->IsLost(), DD_OK);
  EXPECT_EQ(Raw(s)[5], 0x123456u);

  os::TestLoseAllSurfaces();
  EXPECT_EQ(s->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(t->IsLost(), DDERR_SURFACELOST);
  IDirectDrawSurface7* target = Target(4, 4);
  IDirect3D7* d3d = D3D();
  IDirect3DDevice7* device = nullptr;
  EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, target, &device), DD_OK);   // made after the loss
  Hold(device);
  os::TestLoseSurface(target);
  EXPECT_EQ(device->BeginScene(), DDERR_SURFACELOST);
  ASSERT_EQ(dd->RestoreAllSurfaces(), DD_OK);
  EXPECT_EQ(s->IsLost(), DD_OK);
  EXPECT_EQ(t->IsLost(), DD_OK);
  EXPECT_EQ(device->BeginScene(), D3D_OK);
  device->EndScene();
}

class GfxPresent : public GfxWindowTest {};

TEST_F(GfxPresent, FlipShowsTheBackBufferInTheDisplayFormat) {
  os::TestSetDisplayModes({{64, 48, 16, 60}});
  ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  ASSERT_EQ(dd->SetDisplayMode(64, 48, 16, 0, 0), DD_OK);
  // The exclusive window covers the screen.
  RECT covered{};
  GetWindowRect(window, &covered);
  EXPECT_EQ(covered.right - covered.left, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(covered.bottom - covered.top, GetSystemMetrics(SM_CYSCREEN));
  IDirectDrawSurface7* back = nullptr;
  IDirectDrawSurface7* front = FlipChain(&back);
  ASSERT_NE(front, nullptr);
  ASSERT_NE(back, nullptr);

  IDirect3DDevice7* device = Device(back);
  Plain(device);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
  device->BeginScene();
  std::vector<TLVertex> quad = TLQuad(-0.5f, -0.5f, 31.5f, 47.5f, 0xFFFF0000);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, quad.data(), 4, 0), D3D_OK);
  device->EndScene();

  // Locking the back buffer reads the drawing back in the 16-bit display format.
  std::vector<uint32_t> raw = Raw(back);
  ASSERT_EQ(raw.size(), 64u * 48);
  EXPECT_EQ(raw[0], 0xF800u);
  EXPECT_EQ(raw[40], 0x0000u);

  ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  std::vector<uint32_t> frame;
  int w = 0, h = 0;
  ASSERT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
  ASSERT_EQ(w, 64);
  ASSERT_EQ(h, 48);
  EXPECT_TRUE(Near(frame[10 * 64 + 5], 0xFFFF0000));
  EXPECT_TRUE(Near(frame[47 * 64 + 63], 0xFF000000));

  os::TestFailNextDx("Flip", DDERR_SURFACELOST);
  EXPECT_EQ(front->Flip(nullptr, 0), DDERR_SURFACELOST);
  os::TestLoseSurface(back);
  EXPECT_EQ(front->Flip(nullptr, 0), DDERR_SURFACELOST);
  back->Restore();
  EXPECT_EQ(front->Flip(nullptr, 0), DD_OK);
}

TEST_F(GfxPresent, WindowedBlitOntoThePrimaryPresentsTheDestinationRectangle) {
  ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS;
  d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* front = nullptr;
  ASSERT_EQ(dd->CreateSurface(&d, &front, nullptr), DD_OK);
  Hold(front);
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
  clipper->SetHWnd(0, window);
  front->SetClipper(clipper);
  clipper->Release();

  DDPIXELFORMAT f = Xrgb8888();
  IDirectDrawSurface7* back = Make(32, 16, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, &f);
  std::vector<uint32_t> pixels(32 * 16, 0x0000FF);
  for (int x = 0; x < 16; ++x) pixels[x] = 0x00FF00;   // first row, left half green
  Write(back, pixels);
  RECT onScreen{10, 20, 42, 36};
  ASSERT_EQ(front->Blt(&onScreen, back, nullptr, DDBLT_WAIT | DDBLT_DDFX, nullptr), DD_OK);
  std::vector<uint32_t> frame;
  int w = 0, h = 0;
  ASSERT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
  ASSERT_EQ(w, 32);
  ASSERT_EQ(h, 16);
  EXPECT_TRUE(Near(frame[0], 0xFF00FF00));
  EXPECT_TRUE(Near(frame[20], 0xFF0000FF));
  EXPECT_TRUE(Near(frame[15 * 32 + 31], 0xFF0000FF));

  // A window partly off the screen still shows the whole frame; the primary keeps what is on it.
  RECT partly{-8, 0, 24, 16};
  ASSERT_EQ(front->Blt(&partly, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  ASSERT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
  ASSERT_EQ(w, 32);
  EXPECT_TRUE(Near(frame[0], 0xFF00FF00));
  EXPECT_TRUE(Near(frame[8], 0xFF00FF00));
  std::vector<uint32_t> primary = Raw(front);
  EXPECT_EQ(primary[0] & 0xFFFFFF, 0x00FF00u);   // source column 8 landed at screen column 0
  EXPECT_EQ(primary[8] & 0xFFFFFF, 0x0000FFu);
}

// The windowed loop: fill or draw the back buffer, present it onto the primary, copy the window's
// part of the primary back before the next frame. The primary and the presented frame keep each
// frame until the next present, however the back buffer changes meanwhile.
TEST_F(GfxPresent, ThePrimaryKeepsThePresentedFrameWhileTheBackBufferIsRedrawn) {
  ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
  IDirectDrawSurface7* front = Primary();
  ASSERT_NE(front, nullptr);
  const int pitch = static_cast<int>(Desc(front).dwWidth);
  DDPIXELFORMAT f = Xrgb8888();
  IDirectDrawSurface7* back = Make(32, 16, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, &f);
  RECT onScreen{10, 20, 42, 36}, all{0, 0, 32, 16}, corner{0, 0, 4, 4};
  auto fill = [&](RECT r, DWORD colour) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = colour;
    ASSERT_EQ(back->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
  };
  auto present = [&] { ASSERT_EQ(front->Blt(&onScreen, back, nullptr, DDBLT_WAIT, nullptr), DD_OK); };
  auto frameAt = [&](int x, int y) {
    std::vector<uint32_t> frame;
    int w = 0, h = 0;
    EXPECT_TRUE(os::TestReadPresentedFrame(&frame, &w, &h));
    return frame.size() == 32u * 16 ? frame[static_cast<size_t>(y) * 32 + x] & 0xFFFFFF : 0xDEADu;
  };

  fill(all, 0x00FF00);
  present();
  fill(all, 0x0000FF);   // the whole back buffer anew: the presented frame stays green
  EXPECT_EQ(frameAt(5, 5), 0x00FF00u);
  EXPECT_EQ(Raw(front)[25 * pitch + 15] & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(Raw(back)[5 * 32 + 5] & 0xFFFFFF, 0x0000FFu);

  present();
  ASSERT_EQ(back->BltFast(0, 0, front, &onScreen, DDBLTFAST_WAIT), DD_OK);   // the window's part back
  fill(corner, 0xFF0000);   // part of the back buffer: the rest keeps the copied frame
  EXPECT_EQ(frameAt(1, 1), 0x0000FFu);
  EXPECT_EQ(Raw(front)[21 * pitch + 11] & 0xFFFFFF, 0x0000FFu);
  std::vector<uint32_t> b = Raw(back);
  EXPECT_EQ(b[1 * 32 + 1] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(b[10 * 32 + 20] & 0xFFFFFF, 0x0000FFu);

  present();
  EXPECT_EQ(frameAt(1, 1), 0xFF0000u);
  EXPECT_EQ(frameAt(20, 10), 0x0000FFu);
  EXPECT_EQ(Raw(front)[21 * pitch + 11] & 0xFFFFFF, 0xFF0000u);
}

// A frame is swapped into the window only when its pixels differ from what the window shows or the
// window was exposed: a still screen costs nothing per frame, a changed one is never left out.
TEST_F(GfxPresent, UnchangedFramesAreNotSwappedAgain) {
  ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS;
  d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* front = nullptr;
  ASSERT_EQ(dd->CreateSurface(&d, &front, nullptr), DD_OK);
  Hold(front);
  DDPIXELFORMAT f = Xrgb8888();
  IDirectDrawSurface7* back = Make(64, 48, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, &f);
  IDirect3DDevice7* device = Device(back);
  Plain(device);
  RECT onScreen{0, 0, 64, 48}, part{0, 0, 8, 8};
  auto fill = [&](RECT* r, DWORD colour) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = colour;
    ASSERT_EQ(back->Blt(r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
  };
  // Swaps one present made: 0 or 1.
  auto swapsOfPresent = [&] {
    int before = os::TestWindowSwapCount();
    EXPECT_EQ(front->Blt(&onScreen, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    return os::TestWindowSwapCount() - before;
  };

  fill(nullptr, 0x00FF00);
  if (swapsOfPresent() == 0) GTEST_SKIP() << "no real window to present into";
  EXPECT_EQ(swapsOfPresent(), 0);
  fill(nullptr, 0x00FF00);   // the same colour over the same colour
  EXPECT_EQ(swapsOfPresent(), 0);
  fill(nullptr, 0x0000FF);
  EXPECT_EQ(swapsOfPresent(), 1);
  fill(&part, 0x0000FF);     // a part, same colour: still a change as far as anyone can tell cheaply
  EXPECT_EQ(swapsOfPresent(), 1);
  device->BeginScene();
  std::vector<TLVertex> quad = TLQuad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFFFF0000);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, quad.data(), 4, 0), D3D_OK);
  device->EndScene();
  EXPECT_EQ(swapsOfPresent(), 1);
  Write(back, std::vector<uint32_t>(64 * 48, 0x00FFFFFF));
  EXPECT_EQ(swapsOfPresent(), 1);
  // An exposed window is drawn again.
  os::TestWindowEvent(os::WindowEvent::Exposed);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_EQ(swapsOfPresent(), 1);
  EXPECT_EQ(swapsOfPresent(), 0);
}

}  // namespace

namespace {

TEST_F(GfxSurface, SurfacesReleasedOnAnotherThreadAreCleanedUpLater) {
  DDPIXELFORMAT f = Argb8888();
  IDirectDrawSurface7* s = Make(8, 8, DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE, &f);
  IDirectDrawSurface7* target = Target(8, 8);
  IDirect3DDevice7* device = Device(target);
  device->SetTexture(0, s);
  device->SetTexture(0, nullptr);   // the texture now exists on the GL side
  held.erase(std::find(held.begin(), held.end(), s));
  std::thread([s] {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    // Pixels stay usable from another thread; only GL work waits for the GL thread.
    EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    s->Unlock(nullptr);
    s->Release();
  }).join();
  EXPECT_EQ(os::TestLiveSurfaceCount(), 1);
  os::gl::CollectGarbage();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
