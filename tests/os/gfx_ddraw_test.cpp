// DirectDraw objects of the graphics stand-in: adapter walk, display modes, cooperative levels,
// capabilities and the video memory budget, flipping chains, and injected failures.
#include <functional>
#include <string>

#include "gfx_fixture.h"

using namespace gfx_test;

namespace {

struct Seen {
  bool hasGuid;
  GUID guid;
  std::string description;
};

BOOL Collect(GUID* guid, LPSTR description, LPSTR, LPVOID context, HMONITOR) {
  auto* seen = static_cast<std::vector<Seen>*>(context);
  seen->push_back(Seen{guid != nullptr, guid ? *guid : GUID{}, description});
  return TRUE;
}

const GUID kSecond = {0x11, 0x22, 0x33, {1, 2, 3, 4, 5, 6, 7, 8}};
const GUID kThird = {0x44, 0x55, 0x66, {8, 7, 6, 5, 4, 3, 2, 1}};

TEST(GfxAdapters, EnumerationOffersTheInjectedListInOrder) {
  os::TestResetGraphics();
  os::TestSetAdapters({{false, {}, "Primary", "display"}, {true, kSecond, "Second", "d2"}, {true, kThird, "Third", "d3"}});
  std::vector<Seen> seen;
  ASSERT_EQ(DirectDrawEnumerateExA(Collect, &seen, DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES),
            DD_OK);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_FALSE(seen[0].hasGuid);
  EXPECT_EQ(seen[1].description, "Second");
  EXPECT_TRUE(seen[1].guid == kSecond);
  EXPECT_TRUE(seen[2].guid == kThird);

  // Without the secondary flags only the primary display driver is walked.
  seen.clear();
  DirectDrawEnumerateExA(Collect, &seen, 0);
  EXPECT_EQ(seen.size(), 1u);

  // A callback answering FALSE ends the walk.
  int calls = 0;
  DirectDrawEnumerateExA([](GUID*, LPSTR, LPSTR, LPVOID c, HMONITOR) -> BOOL { ++*static_cast<int*>(c); return FALSE; },
                         &calls, DDENUM_ATTACHEDSECONDARYDEVICES);
  EXPECT_EQ(calls, 1);

  os::TestSetAdapters({});
  seen.clear();
  DirectDrawEnumerateExA(Collect, &seen, DDENUM_ATTACHEDSECONDARYDEVICES);
  EXPECT_TRUE(seen.empty());
  os::TestResetGraphics();
}

TEST(GfxAdapters, CreationTakesKnownGuidsOnly) {
  os::TestResetGraphics();
  os::TestSetAdapters({{false, {}, "Primary", "display"}, {true, kSecond, "Second", "d2"}});
  IDirectDraw7* dd = nullptr;
  GUID second = kSecond, third = kThird;
  ASSERT_EQ(DirectDrawCreateEx(&second, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
  dd->Release();
  EXPECT_EQ(DirectDrawCreateEx(&third, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr),
            DDERR_INVALIDDIRECTDRAWGUID);
  EXPECT_EQ(dd, nullptr);
  EXPECT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirect3D7, nullptr), E_NOINTERFACE);
  os::TestFailNextDx("DirectDrawCreateEx", DDERR_GENERIC);
  EXPECT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DDERR_GENERIC);
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
  dd->Release();
  os::TestResetGraphics();
}

using GfxDirectDraw = GfxTest;

HRESULT CollectMode(LPDDSURFACEDESC2 d, LPVOID context) {
  static_cast<std::vector<os::TestDisplayMode>*>(context)->push_back(
      {d->dwWidth, d->dwHeight, d->ddpfPixelFormat.dwRGBBitCount, d->dwRefreshRate});
  return DDENUMRET_OK;
}

TEST_F(GfxDirectDraw, SixteenBitOnlyModeListIsWhatIsOfferedAndSet) {
  os::TestSetDisplayModes({{640, 480, 16, 60}, {800, 600, 16, 60}, {800, 600, 24, 60}});
  std::vector<os::TestDisplayMode> modes;
  ASSERT_EQ(dd->EnumDisplayModes(0, nullptr, &modes, CollectMode), DD_OK);
  ASSERT_EQ(modes.size(), 3u);
  EXPECT_EQ(modes[1].width, 800u);
  EXPECT_EQ(modes[1].bitsPerPixel, 16u);

  EXPECT_EQ(dd->SetDisplayMode(800, 600, 32, 0, 0), DDERR_INVALIDMODE);
  ASSERT_EQ(dd->SetDisplayMode(800, 600, 16, 0, 0), DD_OK);
  DDSURFACEDESC2 mode{};
  mode.dwSize = sizeof mode;
  ASSERT_EQ(dd->GetDisplayMode(&mode), DD_OK);
  EXPECT_EQ(mode.dwWidth, 800u);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRBitMask, 0xF800u);
  EXPECT_EQ(mode.ddpfPixelFormat.dwGBitMask, 0x07E0u);
  EXPECT_EQ(mode.ddpfPixelFormat.dwBBitMask, 0x001Fu);

  // Surfaces without a format take the display's.
  IDirectDrawSurface7* s = Make(4, 4, DDSCAPS_OFFSCREENPLAIN);
  DDPIXELFORMAT f{};
  ASSERT_EQ(s->GetPixelFormat(&f), DD_OK);
  EXPECT_EQ(f.dwRGBBitCount, 16u);

  ASSERT_EQ(dd->RestoreDisplayMode(), DD_OK);
  dd->GetDisplayMode(&mode);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 32u);
}

TEST_F(GfxDirectDraw, DefaultModeListHasASixteenBitTwinOfEveryMode) {
  std::vector<os::TestDisplayMode> modes;
  dd->EnumDisplayModes(0, nullptr, &modes, CollectMode);
  ASSERT_FALSE(modes.empty());
  bool has800 = false;
  for (const auto& m : modes) {
    has800 = has800 || (m.width == 800 && m.height == 600);
    DWORD twin = m.bitsPerPixel == 16 ? 32 : 16;
    bool found = false;
    for (const auto& n : modes) found = found || (n.width == m.width && n.height == m.height && n.bitsPerPixel == twin);
    EXPECT_TRUE(found) << m.width << "x" << m.height << "x" << m.bitsPerPixel;
  }
  EXPECT_TRUE(has800);
}

TEST_F(GfxDirectDraw, DesktopDepthIsInjectable) {
  os::TestSetDesktopDepth(16);
  DDSURFACEDESC2 mode{};
  mode.dwSize = sizeof mode;
  dd->GetDisplayMode(&mode);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);
}

TEST_F(GfxDirectDraw, CooperativeLevelsAreCheckedAndExclusiveModeIsHeldByOneObject) {
  HWND window = TestWindow();
  struct Case { DWORD flags; HWND hwnd; HRESULT want; };
  const Case cases[] = {
      {DDSCL_EXCLUSIVE, window, DDERR_INVALIDPARAMS},                       // exclusive needs full screen
      {DDSCL_FULLSCREEN, window, DDERR_INVALIDPARAMS},                      // and full screen needs exclusive
      {DDSCL_NORMAL | DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, window, DDERR_INVALIDPARAMS},
      {0, window, DDERR_INVALIDPARAMS},
      {DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, nullptr, DDERR_INVALIDPARAMS},   // exclusive needs a window
      {DDSCL_NORMAL | DDSCL_FPUPRESERVE, nullptr, DD_OK},
      {DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_FPUPRESERVE, window, DD_OK},
  };
  for (const Case& c : cases) EXPECT_EQ(dd->SetCooperativeLevel(c.hwnd, c.flags), c.want) << std::hex << c.flags;

  IDirectDraw7* other = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&other), IID_IDirectDraw7, nullptr), DD_OK);
  EXPECT_EQ(other->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DDERR_EXCLUSIVEMODEALREADYSET);
  EXPECT_EQ(other->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
  // Going back to normal gives exclusive mode up.
  ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
  EXPECT_EQ(other->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  // So does releasing the object.
  other->Release();
  EXPECT_EQ(dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  dd->SetCooperativeLevel(window, DDSCL_NORMAL);
  DestroyWindow(window);
}

TEST_F(GfxDirectDraw, VideoMemoryBudgetIsReportedAndUsedUp) {
  os::TestSetVideoMemory(8u << 20, 64 * 64 * 4 * 3);
  DDCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(dd->GetCaps(&caps, nullptr), DD_OK);
  EXPECT_EQ(caps.dwVidMemTotal, 8u << 20);
  EXPECT_EQ(caps.dwVidMemFree, 64u * 64 * 4 * 3);
  EXPECT_TRUE(caps.dwCKeyCaps & DDCKEYCAPS_SRCBLT);

  DDPIXELFORMAT f = Argb8888();
  IDirectDrawSurface7* a = Make(64, 64, DDSCAPS_TEXTURE, &f);
  IDirectDrawSurface7* b = Make(64, 64, DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY, &f);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  DDSCAPS2 got{};
  a->GetCaps(&got);
  EXPECT_TRUE(got.dwCaps & DDSCAPS_VIDEOMEMORY);
  DWORD total = 0, free = 0;
  dd->GetAvailableVidMem(nullptr, &total, &free);
  EXPECT_EQ(free, 64u * 64 * 4);

  HRESULT hr = DD_OK;
  EXPECT_EQ(Make(64, 65, DDSCAPS_TEXTURE, &f, &hr), nullptr);
  EXPECT_EQ(hr, DDERR_OUTOFVIDEOMEMORY);
  // System memory does not count.
  EXPECT_NE(Make(256, 256, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, &f), nullptr);
  // Released surfaces give their share back.
  held.erase(std::find(held.begin(), held.end(), b));
  b->Release();
  dd->GetAvailableVidMem(nullptr, &total, &free);
  EXPECT_EQ(free, 64u * 64 * 4 * 2);
}

TEST_F(GfxDirectDraw, SurfaceRequestsAreValidated) {
  struct Case { const char* what; DWORD w, h, caps; DDPIXELFORMAT format; bool withFormat; HRESULT want; };
  DDPIXELFORMAT luminance{};
  luminance.dwSize = sizeof luminance;
  luminance.dwFlags = DDPF_LUMINANCE;
  luminance.dwLuminanceBitCount = 8;
  const Case cases[] = {
      {"zero width", 0, 4, DDSCAPS_TEXTURE, {}, false, DDERR_INVALIDPARAMS},
      {"luminance", 4, 4, DDSCAPS_TEXTURE, luminance, true, DDERR_UNSUPPORTEDFORMAT},
      {"8 bits", 4, 4, DDSCAPS_TEXTURE, Rgb(8, 0, 0xE0, 0x1C, 0x03), true, DDERR_UNSUPPORTEDFORMAT},
      {"overlapping masks", 4, 4, DDSCAPS_TEXTURE, Rgb(16, 0, 0xFF00, 0x0FF0, 0x000F), true, DDERR_UNSUPPORTEDFORMAT},
      {"both memories", 4, 4, DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY, {}, false, DDERR_INVALIDCAPS},
      {"565", 4, 4, DDSCAPS_TEXTURE, Rgb565(), true, DD_OK},
      {"4444", 5, 3, DDSCAPS_TEXTURE, Argb4444(), true, DD_OK},
  };
  for (const Case& c : cases) {
    HRESULT hr = DD_OK;
    Make(c.w, c.h, c.caps, c.withFormat ? &c.format : nullptr, &hr);
    EXPECT_EQ(hr, c.want) << c.what;
  }
  // The antialiasing hint needs a multisampled context, which there is not.
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  d.dwWidth = d.dwHeight = 8;
  d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
  d.ddsCaps.dwCaps2 = DDSCAPS2_HINTANTIALIASING;
  IDirectDrawSurface7* s = nullptr;
  EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DDERR_INVALIDCAPS);
  EXPECT_EQ(s, nullptr);
}

TEST_F(GfxDirectDraw, FlippingChainNeedsExclusiveModeAndSharesItsBackBuffer) {
  HWND window = TestWindow();
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  d.dwBackBufferCount = 1;
  d.ddsCaps.dwCaps = 0x2218;   // primary, flip, complex, 3D device
  IDirectDrawSurface7* front = nullptr;
  EXPECT_EQ(dd->CreateSurface(&d, &front, nullptr), DDERR_NOEXCLUSIVEMODE);

  os::TestSetDisplayModes({{320, 240, 32, 60}});
  ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  ASSERT_EQ(dd->SetDisplayMode(320, 240, 32, 0, 0), DD_OK);
  ASSERT_EQ(dd->CreateSurface(&d, &front, nullptr), DD_OK);
  DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
  IDirectDrawSurface7* back = nullptr;
  ASSERT_EQ(front->GetAttachedSurface(&caps, &back), DD_OK);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  back->GetSurfaceDesc(&desc);
  EXPECT_EQ(desc.dwWidth, 320u);
  EXPECT_EQ(desc.dwHeight, 240u);
  EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_BACKBUFFER);
  caps.dwCaps = DDSCAPS_ZBUFFER;
  IDirectDrawSurface7* none = nullptr;
  EXPECT_EQ(front->GetAttachedSurface(&caps, &none), DDERR_NOTFOUND);
  EXPECT_EQ(back->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);

  // The chain lives until both references are gone, whichever goes first.
  EXPECT_EQ(os::TestLiveSurfaceCount(), 2);
  front->Release();
  EXPECT_EQ(os::TestLiveSurfaceCount(), 1);
  back->Release();
  EXPECT_EQ(os::TestLiveSurfaceCount(), 0);
  dd->SetCooperativeLevel(window, DDSCL_NORMAL);
  DestroyWindow(window);
}

TEST_F(GfxDirectDraw, PrimaryNeedsACooperativeLevel) {
  IDirectDraw7* fresh = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&fresh), IID_IDirectDraw7, nullptr), DD_OK);
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS;
  d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* s = nullptr;
  EXPECT_EQ(fresh->CreateSurface(&d, &s, nullptr), DDERR_NOCOOPERATIVELEVELSET);
  fresh->Release();
}

TEST_F(GfxDirectDraw, InjectedFailuresHitTheNextCallOfTheirKindOnly) {
  DDPIXELFORMAT f = Argb8888();
  IDirectDrawSurface7* s = Make(8, 8, DDSCAPS_OFFSCREENPLAIN, &f);
  IDirectDrawSurface7* t = Make(8, 8, DDSCAPS_OFFSCREENPLAIN, &f);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  struct Case { const char* kind; std::function<HRESULT()> call; };
  const Case cases[] = {
      {"SetCooperativeLevel", [&] { return dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL); }},
      {"SetDisplayMode", [&] { return dd->SetDisplayMode(800, 600, 32, 0, 0); }},
      {"TestCooperativeLevel", [&] { return dd->TestCooperativeLevel(); }},
      {"RestoreAllSurfaces", [&] { return dd->RestoreAllSurfaces(); }},
      {"GetFlipStatus", [&] { return s->GetFlipStatus(DDGFS_ISFLIPDONE); }},
      {"Blt", [&] { return s->Blt(nullptr, t, nullptr, DDBLT_WAIT, nullptr); }},
      {"Lock", [&] {
         HRESULT hr = s->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
         if (SUCCEEDED(hr)) s->Unlock(nullptr);
         return hr;
       }},
      {"CreateSurface", [&] {
         HRESULT hr = DD_OK;
         Make(4, 4, DDSCAPS_TEXTURE, &f, &hr);
         return hr;
       }},
  };
  for (HRESULT code : {DDERR_SURFACELOST, DDERR_OUTOFVIDEOMEMORY, DDERR_WRONGMODE}) {
    for (const Case& c : cases) {
      os::TestFailNextDx(c.kind, code);
      EXPECT_EQ(c.call(), code) << c.kind;
      EXPECT_EQ(c.call(), DD_OK) << c.kind << " after the injected failure";
    }
  }
  os::TestFailNextDx("TestCooperativeLevel", DDERR_NOEXCLUSIVEMODE, 2);
  EXPECT_EQ(dd->TestCooperativeLevel(), DDERR_NOEXCLUSIVEMODE);
  EXPECT_EQ(dd->TestCooperativeLevel(), DDERR_NOEXCLUSIVEMODE);
  EXPECT_EQ(dd->TestCooperativeLevel(), DD_OK);
}

TEST_F(GfxDirectDraw, DeviceIdentifierDescriptionIsInjectable) {
  DDDEVICEIDENTIFIER2 id{};
  ASSERT_EQ(dd->GetDeviceIdentifier(&id, 0), DD_OK);
  EXPECT_STRNE(id.szDescription, "");
  os::TestSetAdapterDescription("Intel(R) 82845G Graphics");
  ASSERT_EQ(dd->GetDeviceIdentifier(&id, 0), DD_OK);
  EXPECT_STREQ(id.szDescription, "Intel(R) 82845G Graphics");
  DWORD hz = 0;
  ASSERT_EQ(dd->GetMonitorFrequency(&hz), DD_OK);
  EXPECT_GT(hz, 0u);
}

}  // namespace
