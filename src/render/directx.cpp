// Device creation of the display (see directx.h): the checks of the desktop, the DirectDraw display,
// the choice of the Direct3D device and depth format, the device identifier and the adapter quirks.
#include "render/directx.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "core/commandline.h"
#include "core/config.h"
#include "core/log.h"
#include "os/gdi.h"
#include "os/handles.h"
#include "os/process.h"
#include "os/thread.h"
#include "os/winuser.h"

namespace {

// Holds the mouse mutex for a scope.
class MouseLock {
 public:
  explicit MouseLock(HANDLE mutex) : mMutex(mutex) {
    if (mMutex) WaitForSingleObject(mMutex, INFINITE);
  }
  ~MouseLock() {
    if (mMutex) ReleaseMutex(mMutex);
  }

 private:
  HANDLE mMutex;
};

bool IsVistaOrLater() {
  static const bool vista = (GetVersion() & 0xFF) > 5;
  return vista;
}

void GuidWords(const GUID& g, DWORD words[4]) { std::memcpy(words, &g, 16); }

std::string Hex(const void* data, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    uint8_t b = static_cast<const uint8_t*>(data)[i];
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

struct DeviceChoice {
  DWORD depth;
  bool hosted;
  bool kept = false, hardware = false;
  D3DDEVICEDESC7 desc{};
};

HRESULT ChooseDevice(LPSTR, LPSTR, LPD3DDEVICEDESC7 desc, LPVOID context) {
  auto* c = static_cast<DeviceChoice*>(context);
  bool hardware = desc->dwDevCaps & D3DDEVCAPS_HWRASTERIZATION;
  bool qualifies = (desc->dwDeviceRenderBitDepth & c->depth) &&
                   (desc->dpcTriCaps.dwShadeCaps & D3DPSHADECAPS_COLORGOURAUDRGB) && (hardware || c->hosted);
  if (!qualifies) return D3DENUMRET_OK;
  c->kept = true;
  c->hardware = hardware;
  c->desc = *desc;
  return hardware ? D3DENUMRET_CANCEL : D3DENUMRET_OK;
}

HRESULT ChooseDepthFormat(LPDDPIXELFORMAT f, LPVOID context) {
  if (f->dwFlags != DDPF_ZBUFFER || f->dwZBufferBitDepth < 16) return D3DENUMRET_OK;
  *static_cast<DDPIXELFORMAT*>(context) = *f;
  return D3DENUMRET_CANCEL;
}

DWORD RenderDepthOf(DWORD bits) {
  switch (bits) {
    case 8: return DDBD_8;
    case 16: return DDBD_16;
    case 24: return DDBD_24;
    default: return DDBD_32;
  }
}
}  // namespace

TDXContext::TDXContext() {
  std::random_device random;
  DWORD words[4] = {random(), random(), random(), random()};
  char name[96];
  std::snprintf(name, sizeof name, "TDXContextMouseMutex:%x:%x:%x:%x", words[0], words[1], words[2], words[3]);
  mMouseMutex = CreateMutexA(nullptr, FALSE, name);
  RefreshDesktopMetrics();
}

TDXContext::~TDXContext() {
  ReleaseDevice();
  if (mMouseMutex) CloseHandle(mMouseMutex);
}

void TDXContext::RefreshDesktopMetrics() {
  HDC screen = GetDC(nullptr);
  mDesktopWidth = GetDeviceCaps(screen, HORZRES);
  mDesktopHeight = GetDeviceCaps(screen, VERTRES);
  mDesktopColors = GetDeviceCaps(screen, NUMCOLORS);
  ReleaseDC(nullptr, screen);
}

bool TDXContext::WindowDoesNotFit(int width, int height) const {
  return mDesktopWidth < width + GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXFRAME) ||
         mDesktopHeight < height + GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYFRAME) +
                              GetSystemMetrics(SM_CYCAPTION);
}

void TDXContext::ReleaseDevice() {
  mDevice.reset();
  mDirect3D.reset();
  mDepthBuffer.reset();
  mDisplay.ReleaseObjects();
  InvalidateRect(nullptr, nullptr, FALSE);
  mImageDrawn = false;
}

bool TDXContext::Create(HWND window, bool fullScreen, int width, int height, int bitsPerPixel, int flags) {
  if (mPlatform.hosted) {
    mWindowedOutOfMemory = false;
    fullScreen = false;
  }
  MouseLock lock(mMouseMutex);
  ReleaseDevice();
  return CreateDevice(window, fullScreen, width, height, bitsPerPixel, flags);
}

bool TDXContext::CreateDevice(HWND window, bool fullScreen, int width, int height, int bitsPerPixel, int flags) {
  RefreshDesktopMetrics();
  if (!fullScreen && WindowDoesNotFit(width, height) && !mPlatform.hosted) return false;
  if (mDesktopColors != -1) {
    if (mDesktopColors <= 16) {
      mSixteenColors = true;
      return false;
    }
    if (!fullScreen) return false;
  }
  if (!fullScreen && mWindowedOutOfMemory) return false;

  int surfaceWidth = width, surfaceHeight = height;
  HRESULT hr;
  if (!fullScreen) {
    if (mPlatform.scaling) {
      surfaceWidth = static_cast<int>(width * mPlatform.scale + 0.5f);
      surfaceHeight = static_cast<int>(height * mPlatform.scale + 0.5f);
    }
    hr = mDisplay.CreateWindowMode(window, mClipperWindow, DWORD(surfaceWidth), DWORD(surfaceHeight),
                                   mBackBufferInVideoMemory, DWORD(flags));
    if (hr == DDERR_OUTOFVIDEOMEMORY) {
      mWindowedOutOfMemory = true;
      DxError(hr, "directx", __LINE__);
      return false;
    }
  } else {
    hr = mDisplay.CreateFullScreenMode(window, DWORD(width), DWORD(height), DWORD(bitsPerPixel), DWORD(flags));
  }
  if (FAILED(hr)) {
    LogDxError("", hr, "directx", __LINE__);
    return false;
  }

  IDirectDraw7* dd = mDisplay.GetDirectDraw();
  mDisplayMode = DDSURFACEDESC2{};
  mDisplayMode.dwSize = sizeof mDisplayMode;
  dd->GetDisplayMode(&mDisplayMode);
  IDirect3D7* d3d = nullptr;
  hr = dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&d3d));
  if (FAILED(hr)) {
    DxError(hr, "directx", __LINE__);
    return false;
  }
  mDirect3D.reset(d3d);

  DeviceChoice choice{RenderDepthOf(mDisplayMode.ddpfPixelFormat.dwRGBBitCount), mPlatform.hosted};
  mDirect3D->EnumDevices(ChooseDevice, &choice);
  mHardwareDevice = choice.kept && choice.hardware;
  if (!choice.kept || (!choice.hardware && !mPlatform.hosted)) {
    LogPrintf("TDXContext::Create failed! Could not find a hardware renderer.");
    return false;
  }
  mDeviceDesc = choice.desc;

  mDepthFormat = DDPIXELFORMAT{};
  mDirect3D->EnumZBufferFormats(mDeviceDesc.deviceGUID, ChooseDepthFormat, &mDepthFormat);
  if (mDepthFormat.dwFlags != DDPF_ZBUFFER) {
    LogPrintf("TDXContext::Create failed! No depth buffer format.");
    return false;
  }
  DDSURFACEDESC2 depth{};
  depth.dwSize = sizeof depth;
  depth.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  depth.dwWidth = DWORD(surfaceWidth);
  depth.dwHeight = DWORD(surfaceHeight);
  depth.ddpfPixelFormat = mDepthFormat;
  depth.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | (mHardwareDevice ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY);
  IDirectDrawSurface7* z = nullptr;
  hr = dd->CreateSurface(&depth, &z, nullptr);
  if (FAILED(hr)) {
    if (hr == DDERR_OUTOFVIDEOMEMORY && !fullScreen) mWindowedOutOfMemory = true;
    DxError(hr, "directx", __LINE__);
    return false;
  }
  mDepthBuffer.reset(z);

  IDirectDrawSurface7* back = mDisplay.GetBackBuffer();
  DDPIXELFORMAT backFormat{};
  backFormat.dwSize = sizeof backFormat;
  back->GetPixelFormat(&backFormat);
  mColorMask = backFormat.dwRBitMask | backFormat.dwGBitMask | backFormat.dwBBitMask;
  hr = back->AddAttachedSurface(z);
  if (FAILED(hr)) DxError(hr, "directx", __LINE__);

  IDirect3DDevice7* device = nullptr;
  hr = mDirect3D->CreateDevice(mDeviceDesc.deviceGUID, back, &device);
  if (hr == D3DERR_NEEDS_VIDEOMEMORY_TARGET) {
    mBackBufferInVideoMemory = true;
    return false;
  }
  if (hr == D3DERR_UNSUPPORTED_DESKTOP) {
    mDesktopColors = 32;   // later window requests are refused as on a palettized desktop
    return false;
  }
  if (FAILED(hr)) {
    DxError(hr, "directx", __LINE__);
    return false;
  }
  mDevice.reset(device);

  mImageDrawn = false;
  mLastImageX = mLastImageY = -1;
  D3DDEVICEDESC7 caps{};
  mDevice->GetCaps(&caps);
  if (caps.dwMaxTextureWidth < 1024 || caps.dwMaxTextureHeight < 1024) {
    LogPrintf("TDXContext::Create - context does not support 1024x1024 textures! Failing!");
    mDevice.reset();
    return false;
  }

  DDCAPS ddCaps{};
  ddCaps.dwSize = sizeof ddCaps;
  dd->GetCaps(&ddCaps, nullptr);
  mSourceColorKeyBlits = (ddCaps.dwCKeyCaps & DDCKEYCAPS_SRCBLT) != 0;
  DDDEVICEIDENTIFIER2 id{};
  dd->GetDeviceIdentifier(&id, 0);
  DWORD guid[4];
  GuidWords(mDeviceDesc.deviceGUID, guid);
  char text[2048];
  std::snprintf(text, sizeof text,
                "Device identifier:  \n  Driver: '%s'\n  Description: '%s'\n  Version: %x:%x\n  Vendor ID: %x (%d)\n"
                "  Device ID: %x (%d)\n  SubSys:  : %x (%d)\n  Revision:  %x (%d)\n  GUID:      %x:%x:%x:%x\n",
                id.szDriver, id.szDescription, unsigned(id.liDriverVersion.HighPart), unsigned(id.liDriverVersion.LowPart),
                id.dwVendorId, int(id.dwVendorId), id.dwDeviceId, int(id.dwDeviceId), id.dwSubSysId, int(id.dwSubSysId),
                id.dwRevision, int(id.dwRevision), guid[0], guid[1], guid[2], guid[3]);
  LogPrintf("%s", text);
  mDeviceInfo += TString(text);

  bool recreated = false, result = true;
  AdapterQuirks(id, window, fullScreen, width, height, bitsPerPixel, flags, &recreated, &result);
  if (recreated) return result;

  mDeviceInfo += TString(("DDCAPS: " + Hex(&ddCaps, sizeof ddCaps) + "\n").c_str());
  mDeviceInfo += TString(("D3DDESC: " + Hex(&mDeviceDesc, sizeof mDeviceDesc) + "\n").c_str());
  return true;
}

void TDXContext::AdapterQuirks(const DDDEVICEIDENTIFIER2& id, HWND window, bool fullScreen, int width, int height,
                               int bitsPerPixel, int flags, bool* recreated, bool* result) {
  std::string description = id.szDescription;
  auto has = [&](const char* part) { return description.find(part) != std::string::npos; };
  if (has("Intel") && (has("82810E") || has("82945") || has("82845") || has(" 915") || has(" 965 ")))
    SetConfig("brokenindexedverts", "1");
  if (description != "SiS Mirage 3 Graphics") return;
  mExpandIndexedDraws = true;
  if (!GetConfig("largevramusage").IsEmpty() && IsVistaOrLater() && !CommandLineHas("-pq=") && !mPlatform.hosted &&
      bitsPerPixel > 16) {
    mLowMemoryVideo = true;
    *recreated = true;
    ReleaseDevice();
    *result = CreateDevice(window, fullScreen, width, height, 16, flags);
  }
}

bool TDXContext::PrepareBackBuffer() {
  if (!mDisplay.IsWindowed()) return true;
  MouseLock lock(mMouseMutex);
  IDirectDrawSurface7* front = mDisplay.GetFrontBuffer();
  IDirectDrawSurface7* back = mDisplay.GetBackBuffer();
  if (!front || !back) return false;
  RECT region = mDisplay.GetWindowRect();
  HRESULT hr = back->BltFast(0, 0, front, &region, DDBLTFAST_WAIT);
  if (FAILED(hr)) {
    DxError(hr, "directx", __LINE__);
    return false;
  }
  return true;
}

HRESULT TDXContext::Present() {
  MouseLock lock(mMouseMutex);
  if (!mDisplay.IsWindowed() && mWaitForVerticalBlank && mDisplay.GetDirectDraw())
    mDisplay.GetDirectDraw()->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
  return mDisplay.PresentFrame();
}
