// DirectDraw set-up of the display (see ddutil.h). Full-screen creation is the last step of the
// display fallback chain: it tries the primary driver, then each enumerated device with a GUID, and
// only when every device refused says that the display is not compatible.
#include "render/ddutil.h"

#include <algorithm>

#include "core/config.h"
#include "core/log.h"
#include "os/msgbox.h"
#include "os/winuser.h"

namespace {
void (*gOutOfVideoMemoryHook)() = nullptr;

constexpr DWORD kEnableAlphaChannel = 0x100;   // second caps word asking for the anti-aliasing hint
constexpr DWORD kVideoMemoryFloor = 16u << 20;   // below this total, full screen runs at 16 bits

DWORD FpuFlag() { return GetConfig("fpuprecision").IsEmpty() ? 0 : DDSCL_FPUPRESERVE; }

// Walk state for the n-th enumerated device that has a GUID.
struct DeviceWalk {
  int count;
  bool found = false;
  GUID guid{};
};

BOOL TakeDevice(GUID* guid, LPSTR, LPSTR, LPVOID context, HMONITOR) {
  auto* walk = static_cast<DeviceWalk*>(context);
  if (--walk->count >= 0) return TRUE;
  if (!guid) return TRUE;   // a device without GUID cannot be named; the next one is taken
  walk->guid = *guid;
  walk->found = true;
  return FALSE;
}

// Depth choice for width x height: the requested depth wins, else 16, else the first match.
struct DepthChoice {
  DWORD width, height, wanted;
  DWORD first = 0;
  bool hasWanted = false, has16 = false;
};

HRESULT ChooseDepth(LPDDSURFACEDESC2 mode, LPVOID context) {
  auto* c = static_cast<DepthChoice*>(context);
  DWORD bits = mode->ddpfPixelFormat.dwRGBBitCount;
  if (mode->dwWidth != c->width || mode->dwHeight != c->height || bits < 15) return DDENUMRET_OK;
  if (bits == c->wanted) {
    c->hasWanted = true;
    return DDENUMRET_CANCEL;
  }
  if (bits == 16) c->has16 = true;
  if (!c->first) c->first = bits;
  return DDENUMRET_OK;
}
}  // namespace

void SetOutOfVideoMemoryHook(void (*hook)()) { gOutOfVideoMemoryHook = hook; }

void DxError(HRESULT result, const char* sourceFile, int line) {
  LogDxError("", result, sourceFile, line);
  if (result == DDERR_OUTOFVIDEOMEMORY && gOutOfVideoMemoryHook) gOutOfVideoMemoryHook();
}

CDisplay::~CDisplay() { CDisplay::ReleaseObjects(); }

void CDisplay::ReleaseObjects() {
  mBackBuffer.reset();
  mFrontBuffer.reset();
  if (mDirectDraw) {
    mDirectDraw->SetCooperativeLevel(mWindow, DDSCL_NORMAL);
    mDirectDraw.reset();
  }
}

void CDisplay::FillBlack(IDirectDrawSurface7* surface) {
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0;
  surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

HRESULT CDisplay::CreateFullScreenMode(HWND window, DWORD width, DWORD height, DWORD bitsPerPixel, DWORD modeWord) {
  // Each failing attempt goes on with the next device; the walk ends when the devices run out.
  for (DWORD attempt = modeWord >> 16;; ++attempt) {
    bool exhausted = false;
    HRESULT hr = CreateFullScreenAttempt(window, width, height, bitsPerPixel, modeWord & 0xFFFF, attempt, &exhausted);
    if (SUCCEEDED(hr) || exhausted) return hr;
  }
}

HRESULT CDisplay::CreateFullScreenAttempt(HWND window, DWORD width, DWORD height, DWORD bits, DWORD flags,
                                          DWORD attempt, bool* exhausted) {
  ReleaseObjects();
  mWindow = window;
  IDirectDraw7* dd = nullptr;
  HRESULT hr;
  if (attempt == 0) {
    hr = DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr);
  } else {
    DeviceWalk walk{static_cast<int>(attempt)};
    DirectDrawEnumerateExA(TakeDevice, &walk, DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES);
    if (!walk.found) {
      LogPrintf("Failed to create a DirectDraw device after trying all GUIDs");
      if (!mCreatedBefore)
        MessageBoxA(nullptr,
                    "Sorry, but this product isn't compatible with your display. Try using a different display "
                    "(for instance, the main display in your laptop), if you have the option.",
                    "Error", MB_OK | MB_ICONERROR);
      *exhausted = true;
      return E_FAIL;
    }
    hr = DirectDrawCreateEx(&walk.guid, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr);
  }
  if (FAILED(hr)) {
    DxError(hr, "ddutil", __LINE__);
    return hr;
  }
  mDirectDraw.reset(dd);

  hr = mDirectDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | FpuFlag());
  if (FAILED(hr)) {
    DxError(hr, "ddutil", __LINE__);
    return hr;
  }

  DDCAPS caps{};
  caps.dwSize = sizeof caps;
  if (SUCCEEDED(mDirectDraw->GetCaps(&caps, nullptr)) && caps.dwVidMemTotal < kVideoMemoryFloor && bits > 16)
    bits = 16;

  DepthChoice choice{width, height, bits};
  mDirectDraw->EnumDisplayModes(0, nullptr, &choice, ChooseDepth);
  DWORD depth = choice.hasWanted ? bits : choice.has16 ? 16 : choice.first ? choice.first : bits;

  hr = mDirectDraw->SetDisplayMode(width, height, depth, 0, 0);
  if (FAILED(hr)) {
    LogPrintf("Failed to create screen at %d bpp.", static_cast<int>(bits));
    DxError(hr, "ddutil", __LINE__);
    return hr;
  }
  LogPrintf("Created screen at %d bpp.", static_cast<int>(bits));

  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.dwBackBufferCount = 1;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
  desc.ddsCaps.dwCaps2 = (flags & 4) ? kEnableAlphaChannel : 0;
  IDirectDrawSurface7* front = nullptr;
  hr = mDirectDraw->CreateSurface(&desc, &front, nullptr);
  if (FAILED(hr)) {
    LogPrintf("FAILED to create front buffer with DDSCAPS2_ENABLEALPHACHANNEL");
    desc.ddsCaps.dwCaps2 = 0;
    hr = mDirectDraw->CreateSurface(&desc, &front, nullptr);
  }
  if (FAILED(hr)) {
    DxError(hr, "ddutil", __LINE__);
    return hr;
  }
  mFrontBuffer.reset(front);

  DDSCAPS2 backCaps{DDSCAPS_BACKBUFFER, 0, 0, 0};
  IDirectDrawSurface7* back = nullptr;
  hr = mFrontBuffer->GetAttachedSurface(&backCaps, &back);
  if (FAILED(hr)) {
    DxError(hr, "ddutil", __LINE__);
    return hr;
  }
  mBackBuffer.reset(back);

  mWindowed = false;
  RefreshBounds();
  FillBlack(mBackBuffer.get());
  FillBlack(mFrontBuffer.get());
  mCreatedBefore = true;
  return S_OK;
}

HRESULT CDisplay::CreateWindowMode(HWND window, HWND clipperWindow, DWORD width, DWORD height, bool videoMemory,
                                   DWORD flags) {
  ReleaseObjects();
  mWindow = window;
  IDirectDraw7* dd = nullptr;
  HRESULT hr = DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr);
  if (FAILED(hr)) return hr;
  mDirectDraw.reset(dd);
  if (FAILED(mDirectDraw->SetCooperativeLevel(window, DDSCL_NORMAL | FpuFlag()))) return E_FAIL;

  if (!(flags & 2)) {
    DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    style = (style & ~WS_POPUP) | WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX;
    SetWindowLongA(window, GWL_STYLE, static_cast<LONG_PTR>(style));
    RECT frame{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    AdjustWindowRectEx(&frame, style, GetMenu(window) != nullptr, static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RECT placed{}, work{};
    ::GetWindowRect(window, &placed);
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) && (placed.left < work.left || placed.top < work.top))
      SetWindowPos(window, nullptr, std::max(placed.left, work.left), std::max(placed.top, work.top), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* front = nullptr;
  hr = mDirectDraw->CreateSurface(&desc, &front, nullptr);
  if (FAILED(hr)) {
    LogDxError("", hr, "ddutil", __LINE__);
    return hr;
  }
  mFrontBuffer.reset(front);

  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.dwWidth = width;
  desc.dwHeight = height;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | (videoMemory ? DDSCAPS_VIDEOMEMORY : 0);
  desc.ddsCaps.dwCaps2 = (flags & 4) ? kEnableAlphaChannel : 0;
  IDirectDrawSurface7* back = nullptr;
  hr = mDirectDraw->CreateSurface(&desc, &back, nullptr);
  if (FAILED(hr)) {
    LogDxError("", hr, "ddutil", __LINE__);
    return hr;
  }
  mBackBuffer.reset(back);

  IDirectDrawClipper* clipper = nullptr;
  hr = mDirectDraw->CreateClipper(0, &clipper, nullptr);
  if (FAILED(hr)) {
    LogDxError("", hr, "ddutil", __LINE__);
    return hr;
  }
  hr = clipper->SetHWnd(0, clipperWindow ? clipperWindow : window);
  if (SUCCEEDED(hr)) hr = mFrontBuffer->SetClipper(clipper);
  clipper->Release();
  if (FAILED(hr)) {
    LogDxError("", hr, "ddutil", __LINE__);
    return hr;
  }

  mWindowed = true;
  RefreshBounds();
  FillBlack(mBackBuffer.get());
  mCreatedBefore = true;
  return S_OK;
}

HRESULT CDisplay::PresentFrame() {
  if (!mFrontBuffer || !mBackBuffer) return E_POINTER;
  for (;;) {
    HRESULT hr;
    if (mWindowed) {
      DDBLTFX fx{};
      fx.dwSize = sizeof fx;
      fx.dwDDFX = DDBLTFX_NOTEARING;
      hr = mFrontBuffer->Blt(&mWindowRect, mBackBuffer.get(), nullptr, DDBLT_WAIT | DDBLT_DDFX, &fx);
    } else {
      hr = mFrontBuffer->Flip(nullptr, 0);
    }
    if (hr == DDERR_WASSTILLDRAWING) continue;
    if (hr == DDERR_SURFACELOST) {
      mFrontBuffer->Restore();
      mBackBuffer->Restore();
    }
    return hr;
  }
}

void CDisplay::RefreshBounds() {
  if (mWindowed) {
    GetClientRect(mWindow, &mWindowRect);
    POINT topLeft{mWindowRect.left, mWindowRect.top}, bottomRight{mWindowRect.right, mWindowRect.bottom};
    ClientToScreen(mWindow, &topLeft);
    ClientToScreen(mWindow, &bottomRight);
    mWindowRect = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  } else {
    mWindowRect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
}

POINT CDisplay::GetWindowOrigin() {
  RefreshBounds();
  return POINT{mWindowRect.left, mWindowRect.top};
}

HRESULT CDisplay::MakeSurface(CDisplaySurface** out, DWORD width, DWORD height, const DDPIXELFORMAT* format,
                              const DDSCAPS2* caps) {
  if (!mDirectDraw) return E_POINTER;
  if (!out) return E_INVALIDARG;
  auto holder = std::make_unique<CDisplaySurface>();
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | (format ? DDSD_PIXELFORMAT : 0);
  desc.dwWidth = width;
  desc.dwHeight = height;
  if (format) desc.ddpfPixelFormat = *format;
  desc.ddsCaps = caps ? *caps : DDSCAPS2{DDSCAPS_OFFSCREENPLAIN, 0, 0, 0};
  IDirectDrawSurface7* surface = nullptr;
  HRESULT hr = mDirectDraw->CreateSurface(&desc, &surface, nullptr);
  if (FAILED(hr)) {
    *out = nullptr;
    return hr;
  }
  holder->mSurface.reset(surface);
  holder->mDesc.dwSize = sizeof holder->mDesc;
  surface->GetSurfaceDesc(&holder->mDesc);
  *out = holder.release();
  return hr;
}
