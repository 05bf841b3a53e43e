// Shared fixture of the graphics stand-in tests: a DirectDraw object in windowed cooperative level,
// surfaces and devices released at the end (and checked for leaks), vertex records of the three
// formats, and pixel reading through Lock.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "os/d3dx.h"
#include "os/winuser.h"

namespace gfx_test {

struct TLVertex { float x, y, z, rhw; DWORD diffuse, specular; float u, v; };
struct LVertex { float x, y, z; DWORD reserved, diffuse, specular; float u, v; };
struct Vertex { float x, y, z, nx, ny, nz, u, v; };
static_assert(sizeof(TLVertex) == 32 && sizeof(LVertex) == 32 && sizeof(Vertex) == 32);

inline DDPIXELFORMAT Rgb(DWORD bits, DWORD a, DWORD r, DWORD g, DWORD b) {
  DDPIXELFORMAT f{};
  f.dwSize = sizeof f;
  f.dwFlags = DDPF_RGB | (a ? DDPF_ALPHAPIXELS : 0);
  f.dwRGBBitCount = bits;
  f.dwRBitMask = r;
  f.dwGBitMask = g;
  f.dwBBitMask = b;
  f.dwRGBAlphaBitMask = a;
  return f;
}
inline DDPIXELFORMAT Argb8888() { return Rgb(32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF); }
inline DDPIXELFORMAT Xrgb8888() { return Rgb(32, 0, 0xFF0000, 0xFF00, 0xFF); }
inline DDPIXELFORMAT Rgb565() { return Rgb(16, 0, 0xF800, 0x07E0, 0x001F); }
inline DDPIXELFORMAT Argb1555() { return Rgb(16, 0x8000, 0x7C00, 0x03E0, 0x001F); }
inline DDPIXELFORMAT Argb4444() { return Rgb(16, 0xF000, 0x0F00, 0x00F0, 0x000F); }

// Colours compared channel by channel within a tolerance.
inline ::testing::AssertionResult Near(uint32_t got, uint32_t want, int tolerance = 2, bool alpha = false) {
  for (int shift = 0; shift < (alpha ? 32 : 24); shift += 8) {
    int a = got >> shift & 0xFF, b = want >> shift & 0xFF;
    if (std::abs(a - b) > tolerance)
      return ::testing::AssertionFailure() << std::hex << "got 0x" << got << ", want 0x" << want;
  }
  return ::testing::AssertionSuccess();
}

// A top-level window (the first one made becomes the real main window).
inline HWND TestWindow(int width = 64, int height = 64) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "GfxTestWindow";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "GfxTestWindow", "gfx", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr,
                         nullptr);
}

class GfxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::TestResetGraphics();
    ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
    ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  }

  void TearDown() override {
    for (auto it = held.rbegin(); it != held.rend(); ++it) (*it)->Release();
    held.clear();
    if (dd) dd->Release();
    EXPECT_EQ(os::TestLiveSurfaceCount(), 0);
    os::TestResetGraphics();
  }

  template <class T>
  T* Hold(T* object) {
    if (object) held.push_back(object);
    return object;
  }

  // A surface of the given size, capabilities and (optional) format; null on failure.
  IDirectDrawSurface7* Make(DWORD w, DWORD h, DWORD caps, const DDPIXELFORMAT* format = nullptr,
                            HRESULT* result = nullptr) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | (format ? DDSD_PIXELFORMAT : 0);
    d.dwWidth = w;
    d.dwHeight = h;
    d.ddsCaps.dwCaps = caps;
    if (format) d.ddpfPixelFormat = *format;
    IDirectDrawSurface7* s = nullptr;
    HRESULT hr = dd->CreateSurface(&d, &s, nullptr);
    if (result) *result = hr;
    return Hold(s);
  }

  // What a surface says of itself (size, format, caps).
  static DDSURFACEDESC2 Desc(IDirectDrawSurface7* s) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    s->GetSurfaceDesc(&d);
    return d;
  }

  // The primary surface on its own (no back buffer); null on failure.
  IDirectDrawSurface7* Primary() {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface7* front = nullptr;
    return dd->CreateSurface(&d, &front, nullptr) == DD_OK ? Hold(front) : nullptr;
  }

  // The primary surface of a flipping chain with one back buffer, and that back buffer; null on
  // failure.
  IDirectDrawSurface7* FlipChain(IDirectDrawSurface7** back) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    d.dwBackBufferCount = 1;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
    IDirectDrawSurface7* front = nullptr;
    *back = nullptr;
    if (dd->CreateSurface(&d, &front, nullptr) != DD_OK) return nullptr;
    Hold(front);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    if (front->GetAttachedSurface(&caps, back) == DD_OK) Hold(*back);
    return front;
  }

  // A 32-bit ARGB render target with an attached depth buffer when asked.
  IDirectDrawSurface7* Target(DWORD w, DWORD h, bool depth = false) {
    DDPIXELFORMAT f = Argb8888();
    IDirectDrawSurface7* t = Make(w, h, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_TEXTURE, &f);
    if (t && depth) {
      DDSURFACEDESC2 d{};
      d.dwSize = sizeof d;
      d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
      d.dwWidth = w;
      d.dwHeight = h;
      d.ddsCaps.dwCaps = DDSCAPS_ZBUFFER;
      d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
      d.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
      d.ddpfPixelFormat.dwZBufferBitDepth = 16;
      IDirectDrawSurface7* z = nullptr;
      EXPECT_EQ(dd->CreateSurface(&d, &z, nullptr), DD_OK);
      EXPECT_EQ(t->AddAttachedSurface(z), DD_OK);
      z->Release();
    }
    return t;
  }

  IDirect3D7* D3D() {
    if (!d3d) {
      EXPECT_EQ(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&d3d)), DD_OK);
      Hold(d3d);
    }
    return d3d;
  }

  IDirect3DDevice7* Device(IDirectDrawSurface7* target) {
    IDirect3DDevice7* device = nullptr;
    EXPECT_EQ(D3D()->CreateDevice(IID_IDirect3DHALDevice, target, &device), D3D_OK);
    return Hold(device);
  }

  // Every pixel of a surface as raw values of its format (rows top-down).
  std::vector<uint32_t> Raw(IDirectDrawSurface7* s) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    std::vector<uint32_t> out;
    if (s->Lock(nullptr, &d, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK) return out;
    int bytes = static_cast<int>(d.ddpfPixelFormat.dwRGBBitCount / 8);
    for (DWORD y = 0; y < d.dwHeight; ++y)
      for (DWORD x = 0; x < d.dwWidth; ++x) {
        uint32_t v = 0;
        std::memcpy(&v, static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch + x * bytes, bytes);
        out.push_back(v);
      }
    s->Unlock(nullptr);
    return out;
  }

  // Writes raw values (rows top-down) into a surface.
  void Write(IDirectDrawSurface7* s, const std::vector<uint32_t>& values) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    int bytes = static_cast<int>(d.ddpfPixelFormat.dwRGBBitCount / 8);
    for (DWORD y = 0; y < d.dwHeight; ++y)
      for (DWORD x = 0; x < d.dwWidth; ++x)
        std::memcpy(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch + x * bytes, &values[y * d.dwWidth + x], bytes);
    ASSERT_EQ(s->Unlock(nullptr), DD_OK);
  }

  // Draw states of an unblended, unlit, untextured 2D pass.
  static void Plain(IDirect3DDevice7* device) {
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
  }

  static std::vector<TLVertex> TLQuad(float x0, float y0, float x1, float y1, DWORD color, float z = 0.5f) {
    return {{x0, y0, z, 1, color, 0, 0, 0}, {x1, y0, z, 1, color, 0, 1, 0},
            {x1, y1, z, 1, color, 0, 1, 1}, {x0, y1, z, 1, color, 0, 0, 1}};
  }

  IDirectDraw7* dd = nullptr;
  IDirect3D7* d3d = nullptr;
  std::vector<IUnknown*> held;
};

// A test with a window of its own that the display can be tied to; the window is let go last.
class GfxWindowTest : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    window = TestWindow(64, 48);
  }
  void TearDown() override {
    if (dd) dd->SetCooperativeLevel(window, DDSCL_NORMAL);
    GfxTest::TearDown();
    DestroyWindow(window);
  }
  HWND window = nullptr;
};

}  // namespace gfx_test

