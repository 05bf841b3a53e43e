// DirectDraw 7 objects of the stand-in: adapter walk, object creation, display modes (logical
// depths over the 32-bit GL framebuffer), cooperative levels, capabilities, the video memory
// budget, clippers, pixel format conversion and the test control interface.
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "os/d3d_frame.h"
#include "os/ddraw_internal.h"
#include "os/user_internal.h"
#include "os/winuser.h"

const GUID IID_IDirectDraw7 = {0x7a11d001, 0x0d07, 0x4c1e, {0x9a, 0x52, 0x11, 0x30, 0x07, 0xd0, 0x00, 0x07}};
const GUID IID_IDirectDrawSurface7 = {0x7a11d002, 0x0d07, 0x4c1e, {0x9a, 0x52, 0x11, 0x30, 0x07, 0xd0, 0x00, 0x07}};

namespace os::dd {

// ---- pixel formats -------------------------------------------------------------------------------

DDPIXELFORMAT MakeRgbFormat(DWORD bits, DWORD a, DWORD r, DWORD g, DWORD b) {
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

DDPIXELFORMAT FormatOfDepth(DWORD bits) {
  if (bits == 15) return MakeRgbFormat(16, 0, 0x7C00, 0x03E0, 0x001F);
  if (bits == 16) return MakeRgbFormat(16, 0, 0xF800, 0x07E0, 0x001F);
  if (bits == 24) return MakeRgbFormat(24, 0, 0xFF0000, 0xFF00, 0xFF);
  return MakeRgbFormat(32, 0, 0xFF0000, 0xFF00, 0xFF);
}

int BytesPerPixel(const DDPIXELFORMAT& f) {
  DWORD bits = f.dwRGBBitCount;
  if (bits == 15) return 2;
  if (bits == 16 || bits == 24 || bits == 32) return static_cast<int>(bits / 8);
  return 0;
}

bool IsArgb8888(const DDPIXELFORMAT& f) {
  return f.dwRGBBitCount == 32 && f.dwRBitMask == 0xFF0000 && f.dwGBitMask == 0xFF00 && f.dwBBitMask == 0xFF &&
         (f.dwFlags & DDPF_ALPHAPIXELS) && f.dwRGBAlphaBitMask == 0xFF000000u;
}

namespace {
int Shift(uint32_t mask) { return mask ? __builtin_ctz(mask) : 0; }
int Bits(uint32_t mask) { return __builtin_popcount(mask); }

// Channel value of `mask` scaled to 8 bits (rounded, so conversions round-trip).
uint32_t Get8(uint32_t raw, uint32_t mask) {
  int n = Bits(mask);
  uint32_t v = (raw & mask) >> Shift(mask);
  if (n >= 8) return v >> (n - 8);
  uint32_t max = (1u << n) - 1;
  return (v * 255 + max / 2) / max;
}

uint32_t Put8(uint32_t c, uint32_t mask) {
  int n = Bits(mask);
  if (n == 0) return 0;
  uint32_t v = n >= 8 ? c << (n - 8) : (c * ((1u << n) - 1) + 127) / 255;
  return (v << Shift(mask)) & mask;
}
}  // namespace

uint32_t ToArgb(const DDPIXELFORMAT& f, uint32_t raw) {
  uint32_t a = (f.dwFlags & DDPF_ALPHAPIXELS) && f.dwRGBAlphaBitMask ? Get8(raw, f.dwRGBAlphaBitMask) : 255;
  return a << 24 | Get8(raw, f.dwRBitMask) << 16 | Get8(raw, f.dwGBitMask) << 8 | Get8(raw, f.dwBBitMask);
}

uint32_t FromArgb(const DDPIXELFORMAT& f, uint32_t argb) {
  uint32_t v = Put8(argb >> 16 & 0xFF, f.dwRBitMask) | Put8(argb >> 8 & 0xFF, f.dwGBitMask) |
               Put8(argb & 0xFF, f.dwBBitMask);
  if ((f.dwFlags & DDPF_ALPHAPIXELS) && f.dwRGBAlphaBitMask) v |= Put8(argb >> 24, f.dwRGBAlphaBitMask);
  return v;
}

uint32_t ReadPixel(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  std::memcpy(&v, p, static_cast<size_t>(bytes));
  return v;
}

void WritePixel(uint8_t* p, int bytes, uint32_t value) { std::memcpy(p, &value, static_cast<size_t>(bytes)); }

// ---- shared state --------------------------------------------------------------------------------

std::recursive_mutex& Mutex() {
  static std::recursive_mutex m;
  return m;
}

TestConfig& Config() {
  static TestConfig c;
  return c;
}

std::vector<Surface*>& Registry() {
  static std::vector<Surface*> r;
  return r;
}

void Register(Surface* s) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  Registry().push_back(s);
}

void Unregister(Surface* s) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  auto& r = Registry();
  r.erase(std::remove(r.begin(), r.end(), s), r.end());
}

bool TakeVideoMemory(int64_t bytes) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  if (bytes > Config().memoryBudget) return false;
  Config().memoryBudget -= bytes;
  return true;
}

void GiveVideoMemory(int64_t bytes) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  Config().memoryBudget = std::min<int64_t>(Config().memoryBudget + bytes, Config().memoryTotal);
}

namespace {
std::map<std::string, std::pair<HRESULT, int>> gFaults;  // under Mutex()
class DirectDraw;
DirectDraw* gExclusive = nullptr;  // the object holding exclusive mode
bool gLastHadGuid = false;
GUID gLastGuid{};

std::vector<TestAdapter> Adapters() {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  if (Config().adapters) return *Config().adapters;
  std::vector<TestAdapter> list;
  list.push_back(TestAdapter{false, GUID{}, "Primary Display Driver", "display"});
  if (os::sdl::EnsureVideo() || os::sdl::VideoReady()) {
    int n = SDL_GetNumVideoDisplays();
    for (int i = 0; i < n; ++i) {
      const char* name = SDL_GetDisplayName(i);
      GUID g{0x7a11ad00u + static_cast<DWORD>(i), 0x0d07, 0x4c1e, {0x9a, 0x52, 0x11, 0x30, 0x07, 0xd0, 0xad, 0x00}};
      list.push_back(TestAdapter{true, g, name ? name : "Display", "display"});
    }
  }
  return list;
}

void DesktopSize(DWORD* w, DWORD* h) {
  SDL_DisplayMode m{};
  if (os::sdl::VideoReady() && SDL_GetDesktopDisplayMode(0, &m) == 0 && m.w > 0 && m.h > 0) {
    *w = static_cast<DWORD>(m.w);
    *h = static_cast<DWORD>(m.h);
  } else {
    *w = 1024;
    *h = 768;
  }
}

std::vector<TestDisplayMode> Modes() {
  {
    std::lock_guard<std::recursive_mutex> lk(Mutex());
    if (Config().modes) return *Config().modes;
  }
  // Full screen is shown scaled into the window, so any size can be honoured: SDL's list plus the
  // common sizes, each with a 16-bit twin (the 16-bit depth is logical).
  std::vector<std::pair<int, int>> sizes = {{640, 480}, {800, 600}, {1024, 768}};
  if (os::sdl::VideoReady()) {
    for (int i = 0, n = SDL_GetNumDisplayModes(0); i < n; ++i) {
      SDL_DisplayMode m{};
      if (SDL_GetDisplayMode(0, i, &m) == 0) sizes.emplace_back(m.w, m.h);
    }
  }
  std::sort(sizes.begin(), sizes.end());
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
  std::vector<TestDisplayMode> list;
  for (auto [w, h] : sizes)
    for (DWORD bits : {16u, 32u}) list.push_back({static_cast<DWORD>(w), static_cast<DWORD>(h), bits, 60});
  return list;
}

DWORD RefreshRate() {
  SDL_DisplayMode m{};
  if (os::sdl::VideoReady() && SDL_GetCurrentDisplayMode(0, &m) == 0 && m.refresh_rate > 0)
    return static_cast<DWORD>(m.refresh_rate);
  return 60;
}

class Clipper final : public ComObject<IDirectDrawClipper> {
 public:
  HRESULT QueryInterface(REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT SetHWnd(DWORD, HWND hwnd) override {
    mWindow = hwnd;
    return DD_OK;
  }
  HRESULT GetHWnd(HWND* hwnd) override {
    if (!hwnd) return DDERR_INVALIDPARAMS;
    *hwnd = mWindow;
    return DD_OK;
  }

 private:
  ~Clipper() override = default;
  HWND mWindow = nullptr;
};

class DirectDraw final : public ComObject<IDirectDraw7> {
 public:
  DirectDraw() : mDisplay(std::make_shared<Display>()) {}

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IDirectDraw7) {
      AddRef();
      *out = static_cast<IDirectDraw7*>(this);
      return DD_OK;
    }
    if (iid == IID_IDirect3D7) {
      if (HRESULT hr = DxFault("QueryInterface"); FAILED(hr)) return hr;
      *out = NewDirect3D(this);
      return DD_OK;
    }
    return E_NOINTERFACE;
  }

  HRESULT CreateClipper(DWORD, LPDIRECTDRAWCLIPPER* out, IUnknown*) override {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = new Clipper();
    return DD_OK;
  }

  HRESULT CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* out, IUnknown*) override;

  HRESULT EnumDisplayModes(DWORD, LPDDSURFACEDESC2 filter, LPVOID context,
                           LPDDENUMMODESCALLBACK2 callback) override {
    if (!callback) return DDERR_INVALIDPARAMS;
    for (const TestDisplayMode& m : Modes()) {
      if (filter && (filter->dwFlags & DDSD_WIDTH) && filter->dwWidth != m.width) continue;
      if (filter && (filter->dwFlags & DDSD_HEIGHT) && filter->dwHeight != m.height) continue;
      DDSURFACEDESC2 d = ModeDesc(m.width, m.height, m.bitsPerPixel, m.refreshRate);
      if (callback(&d, context) == DDENUMRET_CANCEL) break;
    }
    return DD_OK;
  }

  HRESULT FlipToGDISurface() override { return DD_OK; }

  HRESULT GetCaps(LPDDCAPS driver, LPDDCAPS emulation) override {
    if (!driver && !emulation) return DDERR_INVALIDPARAMS;
    DDCAPS c{};
    c.dwSize = sizeof c;
    c.dwCaps = DDCAPS_3D | DDCAPS_BLT | DDCAPS_BLTCOLORFILL | DDCAPS_BLTSTRETCH;
    c.dwCaps2 = DDCAPS2_CANRENDERWINDOWED;
    c.dwCKeyCaps = DDCKEYCAPS_SRCBLT;
    c.ddsCaps.dwCaps = DDSCAPS_3DDEVICE | DDSCAPS_TEXTURE | DDSCAPS_ZBUFFER | DDSCAPS_PRIMARYSURFACE |
                       DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY | DDSCAPS_FLIP;
    GetAvailableVidMem(nullptr, &c.dwVidMemTotal, &c.dwVidMemFree);
    if (driver) *driver = c;
    if (emulation) *emulation = c;
    return DD_OK;
  }

  HRESULT GetDisplayMode(LPDDSURFACEDESC2 desc) override {
    if (!desc) return DDERR_INVALIDPARAMS;
    if (mDisplay->modeSet) {
      *desc = ModeDesc(mDisplay->width, mDisplay->height, mDisplay->bits, mDisplay->refresh);
    } else {
      DWORD w, h;
      DesktopSize(&w, &h);
      std::lock_guard<std::recursive_mutex> lk(Mutex());
      *desc = ModeDesc(w, h, Config().desktopBits, RefreshRate());
    }
    return DD_OK;
  }

  HRESULT GetMonitorFrequency(DWORD* hertz) override {
    if (!hertz) return DDERR_INVALIDPARAMS;
    *hertz = RefreshRate();
    return DD_OK;
  }

  HRESULT RestoreDisplayMode() override {
    mDisplay->modeSet = false;
    return DD_OK;
  }

  HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags) override {
    if (HRESULT hr = DxFault("SetCooperativeLevel"); FAILED(hr)) return hr;
    bool exclusive = flags & DDSCL_EXCLUSIVE, full = flags & DDSCL_FULLSCREEN, normal = flags & DDSCL_NORMAL;
    if (exclusive != full || exclusive == normal) return DDERR_INVALIDPARAMS;
    if (hwnd && !IsWindow(hwnd)) return DDERR_INVALIDPARAMS;
    std::lock_guard<std::recursive_mutex> lk(Mutex());
    if (exclusive) {
      if (!hwnd) return DDERR_INVALIDPARAMS;
      if (gExclusive && gExclusive != this) return DDERR_EXCLUSIVEMODEALREADYSET;
      gExclusive = this;
    } else if (gExclusive == this) {
      gExclusive = nullptr;
      mDisplay->modeSet = false;   // leaving exclusive mode gives the desktop its mode back
    }
    mDisplay->window = hwnd;
    mDisplay->level = flags;
    return DD_OK;
  }

  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refresh, DWORD) override {
    if (HRESULT hr = DxFault("SetDisplayMode"); FAILED(hr)) return hr;
    for (const TestDisplayMode& m : Modes()) {
      if (m.width == width && m.height == height && m.bitsPerPixel == bits &&
          (refresh == 0 || refresh == m.refreshRate)) {
        mDisplay->modeSet = true;
        mDisplay->width = width;
        mDisplay->height = height;
        mDisplay->bits = bits;
        mDisplay->refresh = m.refreshRate;
        // The desktop keeps its mode: the exclusive window covers the screen and presenting scales
        // the mode's frame onto it.
        if ((mDisplay->level & DDSCL_EXCLUSIVE) && mDisplay->window)
          SetWindowPos(mDisplay->window, HWND_TOPMOST, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                       GetSystemMetrics(SM_CYSCREEN), SWP_NOACTIVATE);
        return DD_OK;
      }
    }
    return DDERR_INVALIDMODE;
  }

  HRESULT WaitForVerticalBlank(DWORD, HANDLE) override {
    mDisplay->vsync = true;
    return DD_OK;
  }

  HRESULT GetAvailableVidMem(LPDDSCAPS2, DWORD* total, DWORD* free) override {
    std::lock_guard<std::recursive_mutex> lk(Mutex());
    if (total) *total = Config().memoryTotal;
    if (free) *free = static_cast<DWORD>(std::max<int64_t>(0, Config().memoryBudget));
    return DD_OK;
  }

  HRESULT RestoreAllSurfaces() override {
    if (HRESULT hr = DxFault("RestoreAllSurfaces"); FAILED(hr)) return hr;
    std::lock_guard<std::recursive_mutex> lk(Mutex());
    ForEachSurface([](Surface* s) { s->SetLost(false); });
    return DD_OK;
  }

  HRESULT TestCooperativeLevel() override { return DxFault("TestCooperativeLevel"); }

  HRESULT GetDeviceIdentifier(DDDEVICEIDENTIFIER2* id, DWORD) override {
    if (!id) return DDERR_INVALIDPARAMS;
    *id = DDDEVICEIDENTIFIER2{};
    auto text = [](GLenum e) {
      const GLubyte* s = os::gl::OnGlThread() ? glGetString(e) : nullptr;
      return std::string(s ? reinterpret_cast<const char*>(s) : "");
    };
    std::string description;
    {
      std::lock_guard<std::recursive_mutex> lk(Mutex());
      description = Config().description;
    }
    if (description.empty()) description = text(GL_RENDERER);
    std::snprintf(id->szDriver, sizeof id->szDriver, "%s", text(GL_VENDOR).c_str());
    std::snprintf(id->szDescription, sizeof id->szDescription, "%s", description.c_str());
    int major = 0, minor = 0;
    std::sscanf(text(GL_VERSION).c_str(), "%d.%d", &major, &minor);
    id->liDriverVersion.HighPart = major << 16 | minor;
    id->guidDeviceIdentifier = kHalDeviceGuid;
    return DD_OK;
  }

  std::shared_ptr<Display> GetDisplay() const { return mDisplay; }

 private:
  ~DirectDraw() override {
    std::lock_guard<std::recursive_mutex> lk(Mutex());
    if (gExclusive == this) gExclusive = nullptr;
  }

  static DDSURFACEDESC2 ModeDesc(DWORD w, DWORD h, DWORD bits, DWORD refresh) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    d.dwWidth = w;
    d.dwHeight = h;
    d.ddpfPixelFormat = FormatOfDepth(bits);
    d.ddpfPixelFormat.dwRGBBitCount = bits;
    d.lPitch = static_cast<LONG>(w * ((bits + 7) / 8));
    d.dwRefreshRate = refresh;
    return d;
  }

  DDPIXELFORMAT DisplayFormat() {
    DDSURFACEDESC2 d{};
    GetDisplayMode(&d);
    return FormatOfDepth(d.ddpfPixelFormat.dwRGBBitCount);
  }

  std::shared_ptr<Display> mDisplay;
};

bool ValidFormat(const DDPIXELFORMAT& f) {
  if (!(f.dwFlags & DDPF_RGB) || (f.dwFlags & (DDPF_FOURCC | DDPF_LUMINANCE | DDPF_ALPHA))) return false;
  if (BytesPerPixel(f) == 0) return false;
  DWORD a = (f.dwFlags & DDPF_ALPHAPIXELS) ? f.dwRGBAlphaBitMask : 0;
  DWORD all = f.dwRBitMask | f.dwGBitMask | f.dwBBitMask | a;
  DWORD sum = static_cast<DWORD>(Bits(f.dwRBitMask) + Bits(f.dwGBitMask) + Bits(f.dwBBitMask) + Bits(a));
  bool fits = f.dwRGBBitCount >= 32 || (all >> f.dwRGBBitCount) == 0;
  return f.dwRBitMask && f.dwGBitMask && f.dwBBitMask && fits && sum == static_cast<DWORD>(Bits(all));
}

HRESULT DirectDraw::CreateSurface(LPDDSURFACEDESC2 in, LPDIRECTDRAWSURFACE7* out, IUnknown*) {
  if (!in || !out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (HRESULT hr = DxFault("CreateSurface"); FAILED(hr)) return hr;
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  d.ddsCaps = (in->dwFlags & DDSD_CAPS) ? in->ddsCaps : DDSCAPS2{};
  DWORD& caps = d.ddsCaps.dwCaps;
  if (d.ddsCaps.dwCaps2 & DDSCAPS2_HINTANTIALIASING) return DDERR_INVALIDCAPS;  // no multisampled context
  if ((caps & DDSCAPS_SYSTEMMEMORY) && (caps & DDSCAPS_VIDEOMEMORY)) return DDERR_INVALIDCAPS;
  bool primary = caps & DDSCAPS_PRIMARYSURFACE;
  int backBuffers = (in->dwFlags & DDSD_BACKBUFFERCOUNT) ? static_cast<int>(in->dwBackBufferCount) : 0;
  if (primary) {
    if (mDisplay->level == 0) return DDERR_NOCOOPERATIVELEVELSET;
    if (backBuffers > 0 && !(mDisplay->level & DDSCL_EXCLUSIVE)) return DDERR_NOEXCLUSIVEMODE;
    if (backBuffers > 1) return DDERR_INVALIDPARAMS;
    DDSURFACEDESC2 mode{};
    GetDisplayMode(&mode);
    d.dwWidth = mode.dwWidth;
    d.dwHeight = mode.dwHeight;
    d.ddpfPixelFormat = DisplayFormat();
    if (backBuffers) caps |= DDSCAPS_FRONTBUFFER;
  } else {
    if ((in->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) || in->dwWidth == 0 ||
        in->dwHeight == 0 || in->dwWidth > 16384 || in->dwHeight > 16384)
      return DDERR_INVALIDPARAMS;
    d.dwWidth = in->dwWidth;
    d.dwHeight = in->dwHeight;
    if (caps & DDSCAPS_ZBUFFER) {
      DWORD depth = (in->dwFlags & DDSD_PIXELFORMAT) ? in->ddpfPixelFormat.dwZBufferBitDepth : 16;
      if (depth != 16 && depth != 24 && depth != 32) return DDERR_INVALIDPIXELFORMAT;
      d.ddpfPixelFormat = DDPIXELFORMAT{};
      d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
      d.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
      d.ddpfPixelFormat.dwZBufferBitDepth = depth;
      d.ddpfPixelFormat.dwZBitMask = depth == 16 ? 0xFFFF : 0xFFFFFF;
    } else if (in->dwFlags & DDSD_PIXELFORMAT) {
      if (!ValidFormat(in->ddpfPixelFormat)) return DDERR_UNSUPPORTEDFORMAT;
      d.ddpfPixelFormat = in->ddpfPixelFormat;
      d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    } else {
      d.ddpfPixelFormat = DisplayFormat();
    }
    if (caps & DDSCAPS_MIPMAP) {
      d.dwFlags |= DDSD_MIPMAPCOUNT;
      DWORD levels = 1;
      for (DWORD s = std::max(d.dwWidth, d.dwHeight); s > 1; s /= 2) ++levels;
      d.dwMipMapCount = (in->dwFlags & DDSD_MIPMAPCOUNT) && in->dwMipMapCount ? std::min(in->dwMipMapCount, levels)
                                                                             : levels;
    }
  }
  if (in->dwFlags & DDSD_TEXTURESTAGE) {
    d.dwFlags |= DDSD_TEXTURESTAGE;
    d.dwTextureStage = in->dwTextureStage;
  }
  int bytesPer = (caps & DDSCAPS_ZBUFFER) ? static_cast<int>(d.ddpfPixelFormat.dwZBufferBitDepth / 8)
                                          : BytesPerPixel(d.ddpfPixelFormat);
  int64_t bytes = int64_t{d.dwWidth} * d.dwHeight * bytesPer;
  auto place = [&](DWORD& surfaceCaps, int64_t size) -> int64_t {
    if (surfaceCaps & DDSCAPS_SYSTEMMEMORY) return 0;
    if (!TakeVideoMemory(size)) return -1;
    surfaceCaps |= DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
    return size;
  };
  int64_t taken = place(caps, bytes * (1 + backBuffers));
  if (taken < 0) return DDERR_OUTOFVIDEOMEMORY;
  Surface* s = new Surface(mDisplay, d, backBuffers ? bytes : taken);
  if (backBuffers) {
    DDSURFACEDESC2 b = d;
    b.ddsCaps.dwCaps = (caps & ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER)) | DDSCAPS_BACKBUFFER |
                       DDSCAPS_3DDEVICE;
    Surface* back = new Surface(mDisplay, b, bytes);
    s->SetBackBuffer(back);
    back->Release();
  }
  *out = s;
  return DD_OK;
}

}  // namespace

}  // namespace os::dd

// ---- entry points --------------------------------------------------------------------------------

HRESULT DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags) {
  if (!callback) return DDERR_INVALIDPARAMS;
  std::vector<os::TestAdapter> list = os::dd::Adapters();
  bool secondaries = flags & (DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES);
  for (size_t i = 0; i < list.size(); ++i) {
    if (i > 0 && !secondaries) break;
    os::TestAdapter& a = list[i];
    if (!callback(a.hasGuid ? &a.guid : nullptr, a.description.data(), a.driver.data(), context, nullptr)) break;
  }
  return DD_OK;
}

HRESULT DirectDrawCreateEx(GUID* guid, LPVOID* out, REFIID iid, IUnknown*) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!(iid == IID_IDirectDraw7)) return E_NOINTERFACE;
  if (HRESULT hr = os::DxFault("DirectDrawCreateEx"); FAILED(hr)) return hr;
  if (guid) {
    bool known = false;
    for (const os::TestAdapter& a : os::dd::Adapters()) known = known || (a.hasGuid && a.guid == *guid);
    if (!known) return DDERR_INVALIDDIRECTDRAWGUID;
  }
  if (!os::gl::Ready()) return DDERR_GENERIC;
  {
    std::lock_guard<std::recursive_mutex> lk(os::dd::Mutex());
    os::dd::gLastHadGuid = guid != nullptr;
    os::dd::gLastGuid = guid ? *guid : GUID{};
  }
  *out = static_cast<IDirectDraw7*>(new os::dd::DirectDraw());
  return DD_OK;
}

// ---- test control --------------------------------------------------------------------------------

namespace os {
using dd::Config;
using dd::Mutex;

void TestSetAdapters(const std::vector<TestAdapter>& adapters) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  Config().adapters = adapters;
}

void TestSetDisplayModes(const std::vector<TestDisplayMode>& modes) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  Config().modes = modes;
}

void TestSetVideoMemory(DWORD total, DWORD free) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  Config().memoryTotal = total;
  Config().memoryBudget = std::min(free, total);
}

void TestFailNextDx(const char* kind, HRESULT code, int count) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  if (count <= 0) dd::gFaults.erase(kind);
  else dd::gFaults[kind] = {code, count};
}

HRESULT DxFault(const char* kind) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  auto it = dd::gFaults.find(kind);
  if (it == dd::gFaults.end()) return DD_OK;
  HRESULT hr = it->second.first;
  if (--it->second.second <= 0) dd::gFaults.erase(it);
  return hr;
}

bool DxFaultArmed(const char* kind) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  return dd::gFaults.count(kind) != 0;
}

void TestLoseSurface(IDirectDrawSurface7* surface) {
  if (surface) dd::AsSurface(surface)->SetLost(true);
}

void TestLoseAllSurfaces() {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  dd::ForEachSurface([](dd::Surface* s) { s->SetLost(true); });
}

void TestSetAdapterDescription(const std::string& description) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  Config().description = description;
}

void TestSetDesktopDepth(DWORD bitsPerPixel) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  Config().desktopBits = bitsPerPixel;
}

bool TestLastCreatedAdapter(GUID* guid) {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  if (guid) *guid = dd::gLastGuid;
  return dd::gLastHadGuid;
}

int TestLiveSurfaceCount() {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  return static_cast<int>(dd::Registry().size());
}

void TestResetGraphics() {
  std::lock_guard<std::recursive_mutex> lk(Mutex());
  int64_t inUse = Config().memoryTotal - Config().memoryBudget;
  Config() = dd::TestConfig{};
  Config().memoryBudget -= inUse;   // surfaces still alive keep their share
  dd::gFaults.clear();
  dd::ForgetPresentedFrame();
  dd::ForgetShownFrameDigest();
  dd::ResetDirectPresent();
  TestAllowStagePrograms(true);
}

}  // namespace os
