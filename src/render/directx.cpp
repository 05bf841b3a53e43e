// Device creation of the display (see directx.h): the checks of the desktop, the DirectDraw display,
// the choice of the Direct3D device and depth format, the device identifier and the adapter quirks.
#include "render/directx.h"

#include <cstdio>
#include <algorithm>
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
  if (mListener) mListener->mContext = nullptr;
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
  mTargetSurface.reset();
  mImageSurface.reset();
  mSavedSurface.reset();
  mRuns.clear();
  mImageNeedsRestore = !mImagePixels.empty();
  mDevice.reset();
  mDirect3D.reset();
  mDepthBuffer.reset();
  mDisplay.ReleaseObjects();
  InvalidateRect(nullptr, nullptr, FALSE);
  mImageDrawn = false;
}

IDirectDrawSurface7* TDXContext::GetRenderTargetSurface() {
  IDirectDrawSurface7* back = mDisplay.GetBackBuffer();
  IDirectDraw7* dd = mDisplay.GetDirectDraw();
  if (mTargetSurface && mTargetSurface->IsLost() == DDERR_SURFACELOST) mTargetSurface.reset();
  if (!mTargetSurface && back && dd) {
    DDSURFACEDESC2 like{};
    like.dwSize = sizeof like;
    if (FAILED(back->GetSurfaceDesc(&like))) return back;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = like.dwWidth;
    desc.dwHeight = like.dwHeight;
    desc.ddpfPixelFormat = like.ddpfPixelFormat;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | (like.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);
    IDirectDrawSurface7* surface = nullptr;
    if (FAILED(dd->CreateSurface(&desc, &surface, nullptr)) || !surface) return back;
    if (mDepthBuffer && FAILED(surface->AddAttachedSurface(mDepthBuffer.get()))) {
      surface->Release();
      return back;
    }
    mTargetSurface.reset(surface);
  }
  return mTargetSurface ? mTargetSurface.get() : back;
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
  mImageX = mImageY = -1;
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
  CacheWindow();
  if (!mImagePixels.empty())
    SetMouseImage(mImagePixels.data(), mImageWidth, mImageHeight, mImagePitch, -mHotX, -mHotY, mImageHardware);
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
  // The front buffer shows the cursor image; the back buffer gets the background under it instead.
  if (mImageDrawn) TakeImageOutOfBackBuffer();
  return true;
}

HRESULT TDXContext::Present() {
  MouseLock lock(mMouseMutex);
  CacheWindow();
  mImageDrawn = false;
  bool drawn = DrawImageIntoBackBuffer();
  if (!mDisplay.IsWindowed() && mWaitForVerticalBlank && mDisplay.GetDirectDraw())
    mDisplay.GetDirectDraw()->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
  HRESULT hr = mDisplay.PresentFrame();
  if (drawn) TakeImageOutOfBackBuffer();
  return hr;
}

void TDXContext::CacheWindow() {
  mDisplay.RefreshBounds();
  const RECT& r = mDisplay.GetWindowRect();
  mWindowLeft = r.left;
  mWindowTop = r.top;
  mClientWidth = r.right - r.left;
  mClientHeight = r.bottom - r.top;
}

// ---- cursor image --------------------------------------------------------------------------------

namespace {
int MaskShift(DWORD mask) { return mask ? __builtin_ctz(mask) : 0; }
int MaskBits(DWORD mask) { return __builtin_popcount(mask); }

// An 8-bit channel value placed into a mask of the screen format.
uint32_t IntoMask(uint32_t value, DWORD mask) {
  int bits = MaskBits(mask);
  if (bits == 0) return 0;
  uint32_t v = bits >= 8 ? value << (bits - 8) : value >> (8 - bits);
  return (v << MaskShift(mask)) & mask;
}
}  // namespace

std::vector<TDXContext::PixelRun> BuildPixelRuns(const uint32_t* argb, int width, int height, int pitch,
                                                 bool hardware, const DDPIXELFORMAT& screen) {
  std::vector<TDXContext::PixelRun> runs;
  for (int row = 0; row < height; ++row) {
    TDXContext::PixelRun* run = nullptr;
    for (int x = 0; x < width; ++x) {
      uint32_t p = argb[static_cast<size_t>(row) * pitch + x];
      uint32_t a = p >> 24, r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
      bool inRun = hardware ? a != 0 : !(r > 247 && g > 247 && b > 247);
      if (!inRun) {
        run = nullptr;
        continue;
      }
      if (!hardware) a = 255;
      if (!run) {
        runs.push_back(TDXContext::PixelRun{static_cast<int16_t>(x), static_cast<int16_t>(row), {}});
        run = &runs.back();
      }
      uint32_t value = IntoMask(r * a / 255, screen.dwRBitMask) | IntoMask(g * a / 255, screen.dwGBitMask) |
                       IntoMask(b * a / 255, screen.dwBBitMask);
      run->pixels.push_back(value | (255 - a) << 24);
    }
  }
  return runs;
}

void DrawPixelRuns(const std::vector<TDXContext::PixelRun>& runs, uint8_t* bits, int pitch, int width, int height,
                   const DDPIXELFORMAT& screen, int x, int y) {
  int bytes = static_cast<int>((screen.dwRGBBitCount + 7) / 8);
  const DWORD masks[3] = {screen.dwRBitMask, screen.dwGBitMask, screen.dwBBitMask};
  for (const TDXContext::PixelRun& run : runs) {
    int py = y + run.row;
    if (py < 0 || py >= height) continue;
    for (size_t i = 0; i < run.pixels.size(); ++i) {
      int px = x + run.x + static_cast<int>(i);
      if (px < 0 || px >= width) continue;
      uint8_t* at = bits + static_cast<size_t>(py) * pitch + static_cast<size_t>(px) * bytes;
      uint32_t background = 0;
      std::memcpy(&background, at, static_cast<size_t>(bytes));
      uint32_t stored = run.pixels[i], inverse = stored >> 24, out = background;
      for (DWORD mask : masks) {
        if (!mask) continue;
        int shift = MaskShift(mask);
        uint32_t max = mask >> shift;
        uint32_t c = ((background & mask) >> shift) * inverse / 256 + ((stored & mask) >> shift);
        out = (out & ~mask) | (std::min(c, max) << shift);
      }
      std::memcpy(at, &out, static_cast<size_t>(bytes));
    }
  }
}

bool TDXContext::SetMouseImage(const uint32_t* argb, int width, int height, int pitch, int hotX, int hotY,
                               bool hardware) {
  if (!argb || width <= 0 || height <= 0 || pitch < width) return false;
  MouseLock lock(mMouseMutex);
  HideDrawnImage();
  if (argb != mImagePixels.data())
    mImagePixels.assign(argb, argb + static_cast<size_t>(pitch) * (height - 1) + width);
  mImageWidth = width;
  mImageHeight = height;
  mImagePitch = pitch;
  mImageHardware = hardware;
  mHotX = -hotX;
  mHotY = -hotY;
  mRuns.clear();
  mImageSurface.reset();
  mSavedSurface.reset();
  mImageDrawn = false;
  mImageNeedsRestore = true;
  if (!hardware && !mListener && mPlatform.addTask) {
    auto listener = std::make_unique<MouseTextureListener>(this);
    mListener = listener.get();
    mPlatform.addTask(std::move(listener));
  }
  IDirectDrawSurface7* back = mDisplay.GetBackBuffer();
  if (!mDevice || !back) return true;
  mRunFormat = DDPIXELFORMAT{};
  mRunFormat.dwSize = sizeof mRunFormat;
  back->GetPixelFormat(&mRunFormat);
  // The image and the background it covers, in the screen's format.
  auto make = [&](ComOwned<IDirectDrawSurface7>* out) {
    CDisplaySurface* holder = nullptr;
    HRESULT hr = mDisplay.MakeSurface(&holder, DWORD(width), DWORD(height), &mRunFormat, nullptr);
    if (hr == DDERR_OUTOFVIDEOMEMORY) {
      mDirect3D->EvictManagedTextures();
      hr = mDisplay.MakeSurface(&holder, DWORD(width), DWORD(height), &mRunFormat, nullptr);
    }
    if (FAILED(hr)) {
      DxError(hr, "directx", __LINE__);
      return false;
    }
    out->reset(holder->mSurface.release());
    delete holder;
    return true;
  };
  if (!make(&mImageSurface) || !make(&mSavedSurface)) {
    mImageSurface.reset();
    mSavedSurface.reset();
    return false;
  }
  mRuns = BuildPixelRuns(mImagePixels.data(), width, height, pitch, hardware, mRunFormat);
  mImageNeedsRestore = false;
  return true;
}

void TDXContext::RestoreMouseImage() {
  static std::atomic<bool> running{false};
  if (running.exchange(true)) {
    LogPrintf("Second concurrent call to RestoreMouseImage");
    return;
  }
  {
    MouseLock lock(mMouseMutex);
    if (mPlatform.movieMode) {
      mImageDrawn = false;
    } else if (mImageNeedsRestore && !mImagePixels.empty()) {
      SetMouseImage(mImagePixels.data(), mImageWidth, mImageHeight, mImagePitch, -mHotX, -mHotY, mImageHardware);
    }
  }
  running = false;
}

MouseTextureListener::~MouseTextureListener() {
  if (mContext) mContext->mListener = nullptr;
}

bool MouseTextureListener::Run() {
  if (!mContext) return false;
  mContext->RestoreMouseImage();
  return true;
}

POINT TDXContext::SetMouseImagePosition(int x, int y) {
  if (x == -1 && y == -1) {
    POINT pointer{};
    GetCursorPos(&pointer);
    float scale = mPlatform.scaling && mPlatform.scale > 0 ? mPlatform.scale : 1.0f;
    int cx = pointer.x - mWindowLeft, cy = pointer.y - mWindowTop;
    if (cx < 0 || cy < 0 || cx >= mClientWidth || cy >= mClientHeight) {
      HideMouseImage();
      return POINT{-1, -1};
    }
    x = static_cast<int>(cx / scale);
    y = static_cast<int>(cy / scale);
  }
  mImageX = x;
  mImageY = y;
  return POINT{x, y};
}

bool TDXContext::DrawImageIntoBackBuffer() {
  IDirectDrawSurface7* back = mDisplay.GetBackBuffer();
  int x = mImageX, y = mImageY;
  if (!mImageMode || mRuns.empty() || !mImageSurface || !back || x < 0 || y < 0) return false;
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  back->GetSurfaceDesc(&desc);
  x += mHotX;
  y += mHotY;
  // Clipped to the back buffer; the image surfaces hold the same part at the same offset.
  RECT dst{std::max(x, 0), std::max(y, 0), std::min<LONG>(x + mImageWidth, LONG(desc.dwWidth)),
           std::min<LONG>(y + mImageHeight, LONG(desc.dwHeight))};
  if (dst.left >= dst.right || dst.top >= dst.bottom) return false;
  RECT src{dst.left - x, dst.top - y, dst.right - x, dst.bottom - y};
  if (FAILED(mSavedSurface->Blt(&src, back, &dst, DDBLT_WAIT, nullptr)) ||
      FAILED(mImageSurface->Blt(&src, back, &dst, DDBLT_WAIT, nullptr)))
    return false;
  DDSURFACEDESC2 locked{};
  locked.dwSize = sizeof locked;
  if (FAILED(mImageSurface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr))) return false;
  DrawPixelRuns(mRuns, static_cast<uint8_t*>(locked.lpSurface), locked.lPitch, mImageWidth, mImageHeight, mRunFormat,
                0, 0);
  mImageSurface->Unlock(nullptr);
  if (FAILED(back->Blt(&dst, mImageSurface.get(), &src, DDBLT_WAIT, nullptr))) return false;
  mShownRect = dst;
  mShownSource = src;
  mImageDrawn = true;
  return true;
}

void TDXContext::HideDrawnImage() {
  IDirectDrawSurface7* front = mDisplay.GetFrontBuffer();
  if (!mImageDrawn || !front || !mSavedSurface) return;
  RECT onFront = mShownRect;
  if (mDisplay.IsWindowed()) {
    const RECT& window = mDisplay.GetWindowRect();
    onFront = RECT{onFront.left + window.left, onFront.top + window.top, onFront.right + window.left,
                   onFront.bottom + window.top};
  }
  front->Blt(&onFront, mSavedSurface.get(), &mShownSource, DDBLT_WAIT, nullptr);
  mImageDrawn = false;
}

void TDXContext::TakeImageOutOfBackBuffer() {
  IDirectDrawSurface7* back = mDisplay.GetBackBuffer();
  if (back && mSavedSurface) back->Blt(&mShownRect, mSavedSurface.get(), &mShownSource, DDBLT_WAIT, nullptr);
}
