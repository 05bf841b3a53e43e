// The display back end (see dxdisplayhandler.h): SetDisplay with its fallback chain, frames,
// viewports and the 2D projection, render targets, vertex submission, device states of the draw
// blocks and blend modes, device-loss recovery and the low-video-memory switch.
#include "render/dxdisplayhandler.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/commandline.h"
#include "core/config.h"
#include "core/file.h"
#include "core/log.h"
#include "core/timer.h"
#include "core/xml.h"
#include "os/d3dx.h"
#include "os/gdi.h"
#include "os/msgbox.h"
#include "os/present.h"
#include "os/process.h"
#include "os/thread.h"
#include "os/time.h"
#include "os/winuser.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"
#include "render/assetmanager.h"
#include "render/directx.h"
#include "render/drawcontext.h"
#include "render/texture.h"
#include "render/texturedata.h"
#include "services/portal.h"
#include "ui/windowmanager.h"

namespace {

std::atomic<bool> gOutOfVideoMemorySeen{false};
std::thread::id gMainThread;

constexpr const char kDisplayFile[] = "common:display.xml";
constexpr const char kSourceName[] = "dxdisplayhandler";
constexpr const char kOutOfMemoryText[] =
    "You cannot run this application at your current screen resolution or bit depth (out of memory). Change your "
    "display settings and run again. Closing other applications might also help.";

TPlatformImpl* Impl() {
  TPlatform* platform = TPlatform::GetInstance();
  return platform ? platform->GetImpl() : nullptr;
}

TWindowManager* WindowManager() {
  TPlatformImpl* impl = Impl();
  return impl ? impl->GetWindowManager() : nullptr;
}

bool MovieMode() {
  TWindowManager* manager = WindowManager();
  return manager && manager->IsMovieOpen();
}

void Invalidate() {
  if (TWindowManager* manager = WindowManager()) manager->Invalidate();
}

// The application counts as active when its window is and no pending activation change says no.
bool AppActive(const TPlatformImpl* impl) {
  return impl->mWindowActive && (!impl->mActivationChangedPending || impl->mAppActive);
}

float ViewportScale() {
  TPlatformImpl* impl = Impl();
  return impl ? impl->mViewportScale[0] : 1.0f;
}

void SetViewportScale(float scale) {
  if (TPlatformImpl* impl = Impl()) impl->mViewportScale[0] = impl->mViewportScale[1] = scale;
}

int RoundHalfUp(float value) { return static_cast<int>(std::floor(value + 0.5f)); }

[[noreturn]] void Fatal(const char* text) {
  if (text) MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONWARNING);
  ExitProcess(static_cast<UINT>(-1));
}

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

// Centres the window on the screen (the whole screen stands for the single monitor); a window
// larger than the screen is left alone.
void CentreWindow(HWND window) {
  RECT r{};
  if (!GetWindowRect(window, &r)) return;
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  int w = r.right - r.left, h = r.bottom - r.top;
  if (w > sw || h > sh) return;
  SetWindowPos(window, nullptr, (sw - w) / 2, (sh - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

DWORD VertexFormat(int format) {
  if (format == 1 || format == 2) return D3DFVF_LVERTEX;
  if (format == 3) return D3DFVF_TLVERTEX;
  return D3DFVF_VERTEX;
}

// Releases the mouse mutex and the busy flag on every way out of SetDisplay.
struct SetDisplayScope {
  HANDLE mutex;
  bool* busy = nullptr;
  ~SetDisplayScope() {
    if (busy) *busy = false;
    if (mutex) ReleaseMutex(mutex);
  }
};

}  // namespace

TDxDisplayHandler::TDxDisplayHandler() {
  D3DXInitialize();
  mData = std::make_unique<TPlatformData>();
  if (!CommandLineHas(kSwitchHostDriven)) {
    TXmlNode doc;
    if (doc.Load(kDisplayFile)) {
      TXmlNode* settings = doc.FindChild("Settings");
      if (settings && std::atoi(settings->GetAttribute("LowMemoryVideo").CStr()) != 0) {
        mData->mLowMemoryVideo = true;
        LogPrintf("Low memory video card setting enabled!");
      }
    }
  }
}

TDxDisplayHandler::~TDxDisplayHandler() {
  mTexture.reset();
  if (mData) {
    mData->mRenderTargetTexture.reset();
    mData.reset();
  }
  os::ReleaseFramePresenter();
  D3DXUninitialize();
}

TDxDisplayHandler* TDxDisplayHandler::GetInstance() {
  TDrawContext* context = TDrawContext::Find();
  return context ? context->GetDisplayHandler() : nullptr;
}

void TDxDisplayHandler::BecomeProcessDisplay() {
  gMainThread = std::this_thread::get_id();
  gOutOfVideoMemorySeen = false;
  SetOutOfVideoMemoryHook(&TDxDisplayHandler::ReportOutOfVideoMemory);
}

void TDxDisplayHandler::LeaveProcessDisplay() { SetOutOfVideoMemoryHook(nullptr); }

HRESULT TDxDisplayHandler::Check(HRESULT result, int line) {
  if (FAILED(result)) DxError(result, kSourceName, line);
  return result;
}

#define DX_CHECK(call) Check((call), __LINE__)

// ---- State queries -------------------------------------------------------------------------

bool TDxDisplayHandler::IsReady() {
  if (!mReady) return false;
  if (!mSetUp) return true;
  HandleOutOfVideoMemoryReports();
  TPlatformData& d = *mData;
  if (!d.mDirectDraw || !d.mDirect3D || !d.mDevice) {
    if (!d.mBroken) MarkBroken();
    return false;
  }
  return !d.mBroken;
}

bool TDxDisplayHandler::IsFlipDone() {
  if (!mReady) return false;
  if (!mSetUp) return true;
  IDirectDrawSurface7* front = mData->mContext->GetDisplay().GetFrontBuffer();
  if (mFullScreen && front && front->GetFlipStatus(DDGFS_ISFLIPDONE) == DDERR_WASSTILLDRAWING) return false;
  return IsReady();
}

void TDxDisplayHandler::GetDisplaySize(int32_t* width, int32_t* height, bool* fullScreen) const {
  if (width) *width = mData->mDisplayRect.right;
  if (height) *height = mData->mDisplayRect.bottom;
  if (fullScreen) *fullScreen = mFullScreen;
}

IDirectDrawSurface7* TDxDisplayHandler::GetBackBuffer() const { return mData->mContext->GetDisplay().GetBackBuffer(); }

void TDxDisplayHandler::MarkBroken() {
  mData->mBroken = true;
  mData->mBrokenTime = GetFrameworkTimer();
  SetConfig("dxbroken", "1");
}

void TDxDisplayHandler::MarkBrokenThrottled() {
  if (mData->mBroken && GetFrameworkTimer() - mData->mBrokenTime <= 250) return;
  MarkBroken();
}

void TDxDisplayHandler::RefreshDesktopMetrics() {
  ++mDesktopRefreshes;
  mData->mContext->RefreshDesktopMetrics();
}

std::unique_ptr<TTextureData> TDxDisplayHandler::CreateTextureData() { return std::make_unique<TDxTextureData>(); }

bool TDxDisplayHandler::PresentFrame(uint32_t argb) {
  TPlatformData& d = *mData;
  if (!d.mDevice) return mWindow && os::PresentClearedFrame(mWindow, argb);
  TVec4 color(float(argb >> 16 & 0xFF) / 255.0f, float(argb >> 8 & 0xFF) / 255.0f, float(argb & 0xFF) / 255.0f,
              float(argb >> 24) / 255.0f);
  if (FAILED(ColorFill(GetBackBuffer(), d.mSurfaceRect, color))) return false;
  return SUCCEEDED(DX_CHECK(d.mContext->Present()));
}

void TDxDisplayHandler::SetMouseTexture(const std::shared_ptr<TTexture>& texture, int32_t hotX, int32_t hotY,
                                        bool hardware) {
  std::lock_guard<std::mutex> guard(mMouseLock);
  mMouseTexture[hardware ? 1 : 0] = texture;
  mMouseHotSpot[hardware ? 1 : 0] = POINT{hotX, hotY};
}

void TDxDisplayHandler::SetCursorOption(bool vsync) {
  mVsync = vsync;
  mData->mContext->SetCursorOption(vsync ? 1 : 0);
}

void TDxDisplayHandler::NotifyWindowChanged() {
  if (mData->mDirectDraw) DX_CHECK(mData->mDirectDraw->FlipToGDISurface());
}

bool TDxDisplayHandler::SetFullScreen(bool fullScreen) {
  if (!mSetUp) {  // no display yet: the flag is all there is
    mFullScreen = fullScreen;
    return true;
  }
  TDXContext& ctx = *mData->mContext;
  if (!fullScreen) {
    bool paletted = ctx.mDesktopColors != -1 && ctx.mDesktopColors <= 256;
    if (paletted || ctx.WindowDoesNotFit(mData->mDisplayRect.right, mData->mDisplayRect.bottom) ||
        ctx.mWindowedOutOfMemory || mData->mLowMemoryVideo)
      return false;
  }
  SetDisplay(mData->mDisplayRect.right, mData->mDisplayRect.bottom, fullScreen, false, false, false);
  return true;
}

// ---- SetDisplay ----------------------------------------------------------------------------

void TDxDisplayHandler::SetDisplay(int32_t width, int32_t height, bool fullScreen, bool force, bool silent, bool child) {
  TPlatformData& d = *mData;
  TDXContext& ctx = *d.mContext;
  d.mDisplayReady = false;
  SetDisplayScope scope{ctx.GetMouseMutex()};
  if (scope.mutex) WaitForSingleObject(scope.mutex, INFINITE);
  if (d.mSetDisplayBusy) {
    Sleep(50);
    return;
  }
  d.mSetDisplayBusy = true;
  scope.busy = &d.mSetDisplayBusy;

  if (PortalIsZylom()) {
    fullScreen = false;
    silent = true;
  }
  TPlatformImpl* impl = Impl();
  if (!impl || !impl->mMainWindow) return;
  HWND own = impl->mMainWindow;
  if (impl->mSuspended) {
    Sleep(100);
    return;
  }
  bool hostDriven = CommandLineHas(kSwitchHostDriven);
  if (d.mLowMemoryVideo) {
    if (hostDriven) Fatal(kOutOfMemoryText);
    LogPrintf("SetDisplay Forcing Fullscreen (MEMORY)");
    fullScreen = true;
  }
  bool active = AppActive(impl);
  if (!active && !force) return;

  bool hosted = impl->mHosted;
  HWND host = impl->mHostWindow;
  if (hosted && !impl->mHostTestMode) {
    if (host && !IsWindow(host)) {
      LogPrintf("Error: mExternalWindowParent is lost, exiting!");
      ExitProcess(static_cast<UINT>(-1));
    }
    if (fullScreen) {
      SetParent(own, nullptr);
    } else {
      SetParent(own, host);
      child = true;
      SetWindowLongA(own, GWL_EXSTYLE, 0);
      SetWindowLongA(own, GWL_STYLE, static_cast<LONG>(WS_CHILD | WS_VISIBLE));
      RECT hc{};
      if (host) GetClientRect(host, &hc);
      MoveWindow(own, 0, 0, hc.right, hc.bottom, TRUE);
    }
    ctx.SetClipperWindow(host ? own : nullptr);
    SetWindowLongA(own, GWL_EXSTYLE, fullScreen ? WS_EX_TOPMOST : 0);
    SetWindowLongA(own, GWL_STYLE, static_cast<LONG>(fullScreen ? WS_POPUP : WS_CHILD | WS_VISIBLE));
  }
  bool hostedWithHost = hosted && host;
  if (d.mFatal) ExitProcess(static_cast<UINT>(-1));
  // A hosted display waits a second after DirectX was marked broken before trying again.
  if (hostedWithHost && d.mBroken && GetFrameworkTimer() - d.mBrokenTime < 1000) return;
  d.mFrameCount = 0;

  if (!fullScreen && ctx.mDesktopColors != -1 && ctx.mDesktopColors <= 256) {
    if (hostedWithHost)
      Fatal("You cannot run this application when your video mode is 8 bits or less. Change your display settings "
            "and run again.");
    LogPrintf("SetDisplay Forcing Fullscreen (PALLETTED)");
    fullScreen = true;
  }
  if (fullScreen == mFullScreen && width == d.mDisplayRect.right && height == d.mDisplayRect.bottom && !force &&
      d.mDisplayRect.right > 0) {
    d.mDisplayReady = true;
    return;
  }
  float scale = impl->mViewportScale[0];
  if (!hostDriven && !fullScreen &&
      ctx.WindowDoesNotFit(static_cast<int>(width * scale), static_cast<int>(height * scale))) {
    if (hostedWithHost)
      Fatal("You cannot run this application at your current screen resolution. Change your display settings and "
            "run again.");
    LogPrintf("SetDisplay Forcing Fullscreen (SMALL)");
    fullScreen = true;
  }
  if (!fullScreen && ctx.mWindowedOutOfMemory) {
    if (hostedWithHost) Fatal(kOutOfMemoryText);
    LogPrintf("SetDisplay Forcing Fullscreen (MEMORY)");
    fullScreen = true;
  }

  if (TAssetManager* assets = TAssetManager::GetInstance()) assets->UnloadAll();
  impl->mDisplayChangedPending = true;
  if (!hosted) {
    SetWindowLongA(own, GWL_EXSTYLE, WS_EX_APPWINDOW | (fullScreen ? WS_EX_TOPMOST : 0));
    SetWindowLongA(own, GWL_STYLE,
                   static_cast<LONG>(fullScreen ? WS_POPUP : WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX));
  }

  mSetUp = true;
  mFullScreen = fullScreen;
  mWidth = width;
  mHeight = height;
  TDrawContext::GetInstance()->SetViewport(width, height);
  d.mViewport = d.mSurfaceRect = d.mDisplayRect = d.mClipRect = TRect(0, 0, width, height);
  d.mViewportStack.clear();
  d.mDirectDraw = nullptr;
  d.mDirect3D = nullptr;
  d.mDevice = nullptr;
  d.mRenderTarget = nullptr;
  d.mInScene = false;
  d.mProjectionDirty = true;
  d.mBroken = false;
  SetConfig("dxbroken", "0");
  mTexture.reset();
  ctx.ReleaseDevice();

  if (d.mOutOfVideoMemoryReported) {
    MessageBoxA(own,
                "Your video card doesn't have enough memory in the current mode. Changing to another mode. This "
                "setting will be saved so you won't see this box again. This will take less than a minute. Press OK "
                "to continue.",
                "Reconfiguring", MB_OK | MB_ICONWARNING);
    d.mOutOfVideoMemoryReported = false;
  }

  int bits = d.mLowMemoryVideo ? 16 : 32;
  int flags = child ? TDXContext::kCreateAlways | TDXContext::kCreateChild : TDXContext::kCreateAlways;
  if (d.mHintAntialias) flags |= TDXContext::kCreateAntialias;
  ctx.mPlatform.hosted = hosted;
  ctx.mPlatform.scaling = scale != 1.0f;
  ctx.mPlatform.scale = scale;
  ctx.mPlatform.movieMode = MovieMode();
  ctx.mPlatform.addTask = [](std::unique_ptr<TTask> task) {
    if (TPlatform* platform = TPlatform::GetInstance()) platform->AddTask(std::move(task));
  };
  bool created = ctx.Create(own, fullScreen, width, height, bits, flags);
  while (!created && (flags & TDXContext::kCreateAntialias)) {
    d.mAntialias = d.mHintAntialias = false;
    flags &= ~TDXContext::kCreateAntialias;
    created = ctx.Create(own, fullScreen, width, height, bits, flags);
  }
  if (!created) {
    scope.busy = nullptr;
    d.mSetDisplayBusy = false;  // the fallbacks call SetDisplay again
    SetDisplayFailed(width, height, fullScreen, silent, active);
    return;
  }

  d.mFallbackInProgress = false;
  if (!child) {
    RECT wr{};
    GetWindowRect(own, &wr);
    if (wr.left == 0 && wr.top == 0 && !fullScreen) CentreWindow(own);
    ShowWindow(own, SW_SHOW);
    if (fullScreen) SetActiveWindow(own);
  }
  d.mDirectDraw = ctx.GetDirectDraw();
  d.mDirect3D = ctx.GetDirect3D();
  d.mDevice = ctx.GetDevice();
  IDirect3DDevice7* dev = d.mDevice;

  D3DDEVICEDESC7 caps{};
  if (SUCCEEDED(DX_CHECK(dev->GetCaps(&caps)))) {
    d.mSeparateTextureMemories = (caps.dwDevCaps & D3DDEVCAPS_SEPARATETEXTUREMEMORIES) != 0;
    d.mNoSpecularGouraud = !(caps.dpcTriCaps.dwShadeCaps & D3DPSHADECAPS_SPECULARGOURAUDRGB);
    d.mSquareTexturesOnly =
        (caps.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY) || caps.dwMaxTextureAspectRatio < 64;
  }
  IDirectDrawSurface7* target = nullptr;
  if (SUCCEEDED(DX_CHECK(dev->GetRenderTarget(&target))) && target) target->Release();
  d.mRenderTarget = ctx.GetDisplay().GetBackBuffer();

  auto rs = [&](D3DRENDERSTATETYPE state, DWORD value) { DX_CHECK(dev->SetRenderState(state, value)); };
  auto tss = [&](D3DTEXTURESTAGESTATETYPE state, DWORD value) { DX_CHECK(dev->SetTextureStageState(0, state, value)); };
  rs(D3DRENDERSTATE_AMBIENT, 0xFFFFFFFFu);
  rs(D3DRENDERSTATE_ZENABLE, 1);
  rs(D3DRENDERSTATE_ZWRITEENABLE, 1);
  d.mDepthTest = d.mDepthWrite = true;
  rs(D3DRENDERSTATE_COLORVERTEX, 1);
  rs(D3DRENDERSTATE_LIGHTING, 1);
  rs(D3DRENDERSTATE_NORMALIZENORMALS, 1);
  rs(D3DRENDERSTATE_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
  rs(D3DRENDERSTATE_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
  rs(D3DRENDERSTATE_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
  rs(D3DRENDERSTATE_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL);
  rs(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  rs(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  rs(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  rs(D3DRENDERSTATE_WRAP0, 0);
  tss(D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  tss(D3DTSS_MINFILTER, D3DTFN_LINEAR);
  tss(D3DTSS_MIPFILTER, D3DTFP_LINEAR);
  tss(D3DTSS_COLORARG1, D3DTA_TEXTURE);
  tss(D3DTSS_COLORARG2, D3DTA_CURRENT);
  tss(D3DTSS_COLOROP, D3DTOP_MODULATE);
  tss(D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  tss(D3DTSS_ALPHAARG2, D3DTA_CURRENT);
  tss(D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  rs(D3DRENDERSTATE_ALPHATESTENABLE, 1);
  rs(D3DRENDERSTATE_ALPHAREF, 1);
  rs(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  rs(D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD);
  d.mBlendMode = -1;

  TAssetManager* assets = TAssetManager::GetInstance();
  if (assets && assets->GetCount() > 0 && WindowManager() && !MovieMode()) ctx.Present();

  if (IsReady()) {
    D3DMATRIX identity = Identity();
    DX_CHECK(dev->SetTransform(D3DTRANSFORMSTATE_WORLD, &identity));
    DX_CHECK(dev->SetTransform(D3DTRANSFORMSTATE_VIEW, &identity));
    TRect clipped;
    clipped.Intersect(d.mViewport, d.mClipRect);
    float aspect = clipped.bottom > clipped.top
                       ? float(clipped.right - clipped.left) / float(clipped.bottom - clipped.top)
                       : 1.0f;
    TMat4 perspective;
    perspective.SetPerspective(d.mNear, d.mFar, 0.7853982f, aspect, TVec2(0, 0));
    D3DMATRIX projection;
    std::memcpy(&projection, &perspective, sizeof projection);
    DX_CHECK(dev->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection));
    rs(D3DRENDERSTATE_AMBIENT, 0xFFFFFFFFu);
    D3DMATERIAL7 material{};
    material.diffuse = {1, 1, 1, 1};
    material.ambient = {0.5f, 0.5f, 0.5f, 1};
    material.specular = {1, 1, 1, 1};
    material.emissive = {0, 0, 0, 0};
    DX_CHECK(dev->SetMaterial(&material));
    RestoreAssets();
    Invalidate();
    if (fullScreen) d.mFullScreenHasWorked = true;
    DWORD hertz = 0;
    if (SUCCEEDED(DX_CHECK(d.mDirectDraw->GetMonitorFrequency(&hertz))))
      SetConfig("monitorfrequency", TString::Format("%d", static_cast<int>(hertz)));
    DDSURFACEDESC2 mode{};
    mode.dwSize = sizeof mode;
    if (SUCCEEDED(DX_CHECK(d.mDirectDraw->GetDisplayMode(&mode))))
      d.mDisplayBitsPerPixel = static_cast<int32_t>(mode.ddpfPixelFormat.dwRGBBitCount);
    d.mDisplayReady = true;
  }
  mWindow = own;
  RefreshCursorRect();
}

void TDxDisplayHandler::SetDisplayFailed(int width, int height, bool fullScreen, bool silent, bool active) {
  TPlatformData& d = *mData;
  TDXContext& ctx = *d.mContext;
  TPlatformImpl* impl = Impl();
  HWND own = impl->mMainWindow;
  if (ctx.mSixteenColors) {
    if (!silent)
      MessageBoxA(nullptr,
                  "DirectX requires that you have your screen set to 256 color mode or higher for any DirectX "
                  "application to run. Please go to your control panel and select 256 color mode or install new "
                  "video drivers to run this game. Exiting.",
                  "Error", MB_OK);
    d.mFatal = true;
    ExitProcess(static_cast<UINT>(-1));
  }
  if (impl->mHosted && impl->mHostWindow) {
    MarkBroken();
    return;
  }
  if (d.mFullScreenHasWorked && fullScreen) {
    MarkBroken();
    Sleep(150);
    return;
  }
  bool foreground = GetForegroundWindow() == own;
  if (!d.mFallbackInProgress && !(active && foreground)) {
    LogPrintf("SetDisplay marking DirectX Broken: %s, %s", active ? "ACTIVE" : "INACTIVE",
              foreground ? "BACKGROUND" : "FOREGROUND");
    MarkBroken();
    return;
  }
  if (!fullScreen) {
    float scale = ViewportScale();
    const char* cause = nullptr;
    if (ctx.mDesktopColors != -1 && ctx.mDesktopColors <= 256)
      cause = "Cannot run in 256 color mode or lower in a window. Switching to full screen.";
    else if (ctx.WindowDoesNotFit(static_cast<int>(width * scale), static_cast<int>(height * scale)))
      cause = "Cannot run in a window when your desktop is set to 800x600 or lower resolution. Switching to full "
              "screen.";
    else if (ctx.mWindowedOutOfMemory)
      cause = "Cannot run in a window: Insufficient video memory. Switching to full screen.";
    if (cause) {
      if (!silent) MessageBoxA(nullptr, cause, "Error", MB_OK | MB_ICONWARNING);
      d.mFallbackInProgress = true;
      SetDisplay(width, height, true, true, false, false);
      return;
    }
  }
  if (d.mFallbackInProgress) {
    LogPrintf("ERROR FALLBACK FAILED");
    MessageBoxA(own,
                "Failed to initialize window. Please try running the game again. If that doesn't help, try changing "
                "the screen resolution and color depth. If that fails, then your video card does not support this "
                "game.",
                "Error", MB_OK | MB_ICONERROR);
    PostQuitMessage(0);
    d.mFatal = true;
    return;
  }
  d.mFallbackInProgress = true;
  if (fullScreen) {
    SetDisplay(width, height, false, true, false, false);
    if (!silent)
      MessageBoxA(nullptr, "Failed to initialize full screen mode. Your video card is not supported. Trying to run in a window.",
                  "Error", MB_OK);
  } else {
    if (!silent) MessageBoxA(nullptr, "Failed to initialize windowed mode. Trying full screen.", "Error", MB_OK);
    SetDisplay(width, height, true, false, false, false);
  }
}

// ---- Frames ---------------------------------------------------------------------------------

bool TDxDisplayHandler::BeginDraw(bool prepare) {
  HandleOutOfVideoMemoryReports();
  TPlatformData& d = *mData;
  if (!d.mDevice || d.mBroken) return false;
  TDXContext& ctx = *d.mContext;
  IDirectDrawSurface7* front = ctx.GetDisplay().GetFrontBuffer();
  IDirectDrawSurface7* back = ctx.GetDisplay().GetBackBuffer();
  if (front && front->IsLost() == DDERR_SURFACELOST) {
    TPlatform* platform = TPlatform::GetInstance();
    if (platform && platform->HasFocus()) MarkBroken();
    return false;
  }
  if (back && back->IsLost() == DDERR_SURFACELOST) return false;
  if (front) {
    HRESULT flip = front->GetFlipStatus(DDGFS_ISFLIPDONE);
    if (flip == DDERR_WASSTILLDRAWING) return false;
    if (FAILED(flip)) DX_CHECK(flip);
  }
  if (prepare && !ctx.PrepareBackBuffer()) {
    MarkBroken();
    return false;
  }
  HRESULT hr = d.mDevice->BeginScene();
  if (hr == DDERR_SURFACELOST) {
    LogPrintf("TRenderer::BeginDraw: DDERR_SURFACELOST on BeginScene");
    if (d.mRestoreBusy) {
      MarkBroken();
      return false;
    }
    RestoreDisplay();
    if (d.mBroken || !d.mDevice) {
      d.mInScene = false;
      return false;
    }
    hr = d.mDevice->BeginScene();
    if (FAILED(hr)) {
      DX_CHECK(hr);
      MarkBroken();
      d.mInScene = false;
      return false;
    }
  } else if (FAILED(hr)) {
    DX_CHECK(hr);
    d.mInScene = false;
    return false;
  }
  ++d.mFrameCount;
  TRect viewport = d.mViewport, clip = d.mClipRect;
  d.mViewport = d.mClipRect = d.mSurfaceRect;
  ApplyViewport();
  DX_CHECK(d.mDevice->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0));
  d.mViewport = viewport;
  d.mClipRect = clip;
  ApplyViewport();
  d.mInScene = true;
  return true;
}

HRESULT TDxDisplayHandler::EndDraw(bool present) {
  TPlatformData& d = *mData;
  if (!d.mInScene) return DD_OK;
  d.mInScene = false;
  if (!d.mDevice) return DD_OK;
  HRESULT hr = d.mDevice->EndScene();
  if (hr == D3DERR_SCENE_END_FAILED) {
    MarkBroken();
    return hr;
  }
  if (FAILED(hr)) DX_CHECK(hr);
  HRESULT result = hr;
  if (present && !MovieMode() && SUCCEEDED(hr)) result = d.mContext->Present();
  if (result == DDERR_SURFACELOST) {
    LogPrintf("TPlatform::EndDraw: DDERR_SURFACELOST on UpdateFrame or EndScene");
    RestoreDisplay();
  } else if (FAILED(result)) {
    if (result != hr) DX_CHECK(result);
    LogPrintf("TPlatform::EndDraw: Unexpected error (see above) on UpdateFrame or EndScene");
    RestoreDisplay();
  }
  return result;
}

void TDxDisplayHandler::WaitForFlip() {
  IDirectDrawSurface7* front = mData->mContext->GetDisplay().GetFrontBuffer();
  while (front && front->GetFlipStatus(DDGFS_ISFLIPDONE) == DDERR_WASSTILLDRAWING) Sleep(1);
}

// ---- Viewport, clip and projection ------------------------------------------------------------

bool TDxDisplayHandler::ApplyViewport() {
  TPlatformData& d = *mData;
  if (!d.mDevice) return true;
  TRect r;
  r.Intersect(d.mViewport, d.mClipRect);
  int w = d.mSurfaceRect.right, h = d.mSurfaceRect.bottom;
  r.left = std::clamp(r.left, 0, std::max(0, w - 1));
  r.top = std::clamp(r.top, 0, std::max(0, h - 1));
  r.right = std::clamp(r.right, r.left, std::max(r.left, w));
  r.bottom = std::clamp(r.bottom, r.top, std::max(r.top, h));
  float scale = ViewportScale();
  int limitW = w, limitH = h;
  if (scale != 1.0f) {
    r = TRect(RoundHalfUp(r.left * scale), RoundHalfUp(r.top * scale), RoundHalfUp(r.right * scale),
              RoundHalfUp(r.bottom * scale));
    limitW = RoundHalfUp(w * scale);
    limitH = RoundHalfUp(h * scale);
  }
  r.right = std::min(r.right, limitW);
  r.bottom = std::min(r.bottom, limitH);
  D3DVIEWPORT7 vp{static_cast<DWORD>(r.left), static_cast<DWORD>(r.top), static_cast<DWORD>(std::max(0, r.right - r.left)),
                  static_cast<DWORD>(std::max(0, r.bottom - r.top)), 0.0f, 1.0f};
  return SUCCEEDED(DX_CHECK(d.mDevice->SetViewport(&vp)));
}

void TDxDisplayHandler::SetViewport(int left, int top, int right, int bottom) {
  TPlatformData& d = *mData;
  TRect previous = d.mViewport;
  d.mViewport = TRect(left, top, right, bottom);
  d.mProjectionDirty = true;
  if (!ApplyViewport()) {
    LogPrintf("Bad viewport: %d, %d, %d, %d", left, top, right, bottom);
    d.mViewport = previous;
    ApplyViewport();
  }
}

void TDxDisplayHandler::PushViewport(int left, int top, int right, int bottom) {
  mData->mViewportStack.push_back(mData->mViewport);
  SetViewport(left, top, right, bottom);
}

void TDxDisplayHandler::PopViewport() {
  TPlatformData& d = *mData;
  if (d.mViewportStack.empty()) return;  // a pop without its push changes nothing
  d.mViewport = d.mViewportStack.back();
  d.mViewportStack.pop_back();
  ApplyViewport();
  d.mProjectionDirty = true;
}

void TDxDisplayHandler::GetViewport(int* left, int* top, int* right, int* bottom) const {
  const TRect& v = mData->mViewport;
  if (left) *left = v.left;
  if (top) *top = v.top;
  if (right) *right = v.right;
  if (bottom) *bottom = v.bottom;
}

void TDxDisplayHandler::SetClipRect(const TRect& clip) {
  mData->mClipRect = clip;
  mData->mProjectionDirty = true;
  ApplyViewport();
}

void TDxDisplayHandler::BuildProjection() {
  TPlatformData& d = *mData;
  if (!d.mProjectionDirty || !mIn2d || !d.mDevice) return;
  d.mProjectionDirty = false;
  const TRect& v = d.mViewport;
  const TRect& c = d.mClipRect;
  float dx = c.left > v.left ? float(c.left - v.left) : 0.0f;
  float dy = c.top > v.top ? float(c.top - v.top) : 0.0f;
  TRect r;
  r.Intersect(v, d.mSurfaceRect);
  r.Intersect(r, c);
  float w = float(std::max(0, r.right - r.left)), h = float(std::max(0, r.bottom - r.top));
  float off = d.mPixelCentreOffset;
  D3DMATRIX m;
  D3DXMatrixOrthoOffCenterLH(&m, dx - off, dx + w - off, dy + h - off, dy - off, d.mNear, d.mFar);
  m._13 = m._23 = m._43 = 0.0f;
  m._31 = m._32 = m._34 = 0.0f;
  m._33 = 1.0f;
  std::memcpy(d.mProjection, &m, sizeof d.mProjection);
  DX_CHECK(d.mDevice->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &m));
}

bool TDxDisplayHandler::SwitchRenderTarget(IDirectDrawSurface7* current, IDirectDrawSurface7* target) {
  if (current == target) return true;
  TPlatformData& d = *mData;
  if (!d.mDevice || !target) return true;
  DX_CHECK(d.mDevice->SetRenderTarget(target, 0));
  d.mRenderTarget = target;
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  DX_CHECK(target->GetSurfaceDesc(&desc));
  float scale = ViewportScale();
  TRect previous = d.mSurfaceRect;
  d.mSurfaceRect = TRect(0, 0, RoundHalfUp(desc.dwWidth / scale), RoundHalfUp(desc.dwHeight / scale));
  d.mViewport = d.mSurfaceRect;
  if (ApplyViewport()) return true;
  d.mSurfaceRect = previous;
  LogPrintf("Bad viewport in switching render target!");
  if (ApplyViewport()) return true;
  static bool loggedOnce = false;
  if (desc.ddpfPixelFormat.dwRGBBitCount == 16) {
    LogPrintf("Failed to SetRenderTarget with bit depth 16");
    d.mContext->mRenderTargets16BitFail = true;
    MarkBroken();
  } else if (!loggedOnce) {
    loggedOnce = true;
    LogPrintf("Failed to SetRenderTarget with alpha bit depth %d", static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount));
  }
  return true;
}

// ---- Render targets -------------------------------------------------------------------------

bool TDxDisplayHandler::BeginRenderTarget(const std::shared_ptr<TTexture>& texture, int mode) {
  TPlatformData& d = *mData;
  if (!d.mDevice || d.mBroken || !texture) return false;
  if (!texture->GetSurface()) {
    MarkBroken();
    return false;
  }
  d.mRenderTargetMode = mode;
  d.mRenderTargetTexture = texture;
  WaitForFlip();
  d.mSavedViewportScale = ViewportScale();
  SetViewportScale(1.0f);
  PushViewport(0, 0, texture->GetWidth(), texture->GetHeight());
  d.mSavedViewport = d.mViewport;
  Invalidate();
  IDirectDrawSurface7* back = GetBackBuffer();
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  if (back) back->GetSurfaceDesc(&desc);
  RECT region{0, 0, std::min<LONG>(texture->GetWidth(), desc.dwWidth), std::min<LONG>(texture->GetHeight(), desc.dwHeight)};
  auto fail = [&] {
    d.mRenderTargetTexture.reset();
    PopViewport();
    SetViewportScale(d.mSavedViewportScale);
    return false;
  };
  if (mode == 2 || mode == 3) {
    RECT source = region;
    HRESULT hr = back ? back->Blt(&region, texture->GetSurface(), &source, DDBLT_WAIT, nullptr) : DDERR_SURFACELOST;
    if (FAILED(hr)) {
      DX_CHECK(hr);
      LogPrintf("BeginRenderTarget failed because of the above DX error.");
      return fail();
    }
  } else if (mode == 4 && back) {
    ColorFill(back, TRect(region.left, region.top, region.right, region.bottom), TVec4(0, 0, 0, 0));
  }
  WaitForFlip();
  if (BeginDraw(false)) return true;
  return fail();
}

// Copies the back buffer's top-left w x h pixels (15/16, 24 or 32 bits) into the texture as opaque ARGB.
static void CopyBackBufferPixels(IDirectDrawSurface7* back, TTexture& texture, LONG w, LONG h) {
  DDSURFACEDESC2 from{};
  from.dwSize = sizeof from;
  if (FAILED(back->Lock(nullptr, &from, DDLOCK_WAIT, nullptr))) return;
  uint32_t* to = nullptr;
  int row = 0;
  if (texture.Lock(&to, &row)) {
    const DDPIXELFORMAT& f = from.ddpfPixelFormat;
    LONG rows = std::min<LONG>(h, texture.GetData()->mSurfaceHeight);
    LONG cols = std::min<LONG>(w, texture.GetData()->mSurfaceWidth);
    for (LONG y = 0; y < rows; ++y) {
      const uint8_t* src = static_cast<const uint8_t*>(from.lpSurface) + y * from.lPitch;
      for (LONG x = 0; x < cols; ++x) {
        DWORD p = 0;
        int bytes = f.dwRGBBitCount == 24 ? 3 : static_cast<int>((f.dwRGBBitCount + 7) / 8);
        if (bytes < 2 || bytes > 4) continue;
        std::memcpy(&p, src + x * bytes, bytes);
        to[y * row + x] = 0xFF000000u | ReadSurfaceChannel(p, f.dwRBitMask) << 16 |
                          ReadSurfaceChannel(p, f.dwGBitMask) << 8 | ReadSurfaceChannel(p, f.dwBBitMask);
      }
    }
    texture.Unlock();
  }
  back->Unlock(nullptr);
}

void TDxDisplayHandler::EndRenderTarget() {
  TPlatformData& d = *mData;
  SetViewportScale(d.mSavedViewportScale);
  std::shared_ptr<TTexture> texture = d.mRenderTargetTexture;
  if (!texture) return;
  EndDraw(false);
  PopViewport();
  IDirectDrawSurface7* back = GetBackBuffer();
  IDirectDrawSurface7* surface = texture->GetSurface();
  if (back && surface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    back->GetSurfaceDesc(&desc);
    LONG w = std::min<LONG>(d.mSavedViewport.right, desc.dwWidth), h = std::min<LONG>(d.mSavedViewport.bottom, desc.dwHeight);
    RECT region{0, 0, w, h};
    int mode = d.mRenderTargetMode;
    if (mode != 4) {
      RECT source = region;
      HRESULT hr = DDERR_CURRENTLYNOTAVAIL;
      if (d.mDisplayBitsPerPixel == 32) {
        hr = surface->Blt(&region, back, &source, DDBLT_WAIT, nullptr);
        if (FAILED(hr)) DX_CHECK(hr);
      }
      // Surfaces offer no device context here: the pixels are converted by hand.
      if (FAILED(hr)) CopyBackBufferPixels(back, *texture, w, h);
      if (mode != 1 && texture->HasAlpha()) {
        DDSURFACEDESC2 lock{};
        lock.dwSize = sizeof lock;
        if (SUCCEEDED(DX_CHECK(surface->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr)))) {
          DWORD alphaMask = lock.ddpfPixelFormat.dwRGBAlphaBitMask;
          int bytes = static_cast<int>(lock.ddpfPixelFormat.dwRGBBitCount / 8);
          for (LONG y = 0; y < h; ++y) {
            uint8_t* row = static_cast<uint8_t*>(lock.lpSurface) + y * lock.lPitch;
            for (LONG x = 0; x < w; ++x) {
              DWORD p = 0;
              std::memcpy(&p, row + x * bytes, bytes);
              p |= alphaMask;
              std::memcpy(row + x * bytes, &p, bytes);
            }
          }
          DX_CHECK(surface->Unlock(nullptr));
        }
      }
    } else if (texture->HasAlpha()) {
      DDSURFACEDESC2 from{}, to{};
      from.dwSize = to.dwSize = sizeof from;
      if (SUCCEEDED(DX_CHECK(back->Lock(nullptr, &from, DDLOCK_WAIT, nullptr)))) {
        if (SUCCEEDED(DX_CHECK(surface->Lock(nullptr, &to, DDLOCK_WAIT, nullptr)))) {
          DWORD fromMask = from.ddpfPixelFormat.dwBBitMask, toMask = to.ddpfPixelFormat.dwRGBAlphaBitMask;
          int fromBytes = static_cast<int>(from.ddpfPixelFormat.dwRGBBitCount / 8);
          int toBytes = static_cast<int>(to.ddpfPixelFormat.dwRGBBitCount / 8);
          for (LONG y = 0; y < h; ++y) {
            for (LONG x = 0; x < w; ++x) {
              DWORD p = 0, q = 0;
              std::memcpy(&p, static_cast<uint8_t*>(from.lpSurface) + y * from.lPitch + x * fromBytes, fromBytes);
              uint8_t* dst = static_cast<uint8_t*>(to.lpSurface) + y * to.lPitch + x * toBytes;
              std::memcpy(&q, dst, toBytes);
              // The blue channel scaled from its mask into the alpha mask.
              double level = fromMask ? double(p & fromMask) / double(fromMask) : 0.0;
              q = (q & ~toMask) | (static_cast<DWORD>(level * toMask + 0.5) & toMask);
              std::memcpy(dst, &q, toBytes);
            }
          }
          DX_CHECK(surface->Unlock(nullptr));
        }
        DX_CHECK(back->Unlock(nullptr));
      }
    }
  }
  d.mRenderTargetTexture.reset();
}

// ---- Vertices and textures ------------------------------------------------------------------

void TDxDisplayHandler::SetLighting(int format) {
  bool lit = !(format >= 1 && format <= 3);
  DX_CHECK(mData->mDevice->SetRenderState(D3DRENDERSTATE_LIGHTING, lit ? 1 : 0));
  if (!lit) BuildProjection();
}

void TDxDisplayHandler::DrawVertices(int primitive, const TVertexSet& set) {
  TPlatformData& d = *mData;
  if (d.mBroken || !d.mDevice || !set.mVertices || set.mCount <= 0) return;
  if (GetSettingFlag("brokenindexedverts")) {
    int count = std::min(set.mCount, 0xFFFF);
    if (d.mIdentityIndices.empty() || d.mIdentityCapacity < count) {
      uint32_t capacity = 1;
      while (capacity < static_cast<uint32_t>(count)) capacity = std::min<uint32_t>(capacity * 2, 0xFFFF);
      d.mIdentityCapacity = static_cast<uint16_t>(capacity);
      d.mIdentityIndices.resize(capacity);
      for (uint32_t i = 0; i < capacity; ++i) d.mIdentityIndices[i] = static_cast<uint16_t>(i);
    }
    TVertexSet capped(set.mFormat, set.mVertices, count);
    DrawIndexedVertices(primitive, capped, d.mIdentityIndices.data(), count);
    return;
  }
  SetLighting(set.mFormat);
  HRESULT hr = d.mDevice->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(primitive), VertexFormat(set.mFormat),
                                        const_cast<TTransformedVertex*>(set.mVertices), static_cast<DWORD>(set.mCount), 0);
  if (hr == DDERR_OUTOFVIDEOMEMORY) {
    LogPrintf("DrawVertices out of video memory");
    OutOfVideoMemory();
  } else if (FAILED(hr)) {
    DX_CHECK(hr);
    MarkBroken();
  }
}

void TDxDisplayHandler::DrawIndexedVertices(int primitive, const TVertexSet& set, const uint16_t* indices, int count) {
  TPlatformData& d = *mData;
  if (d.mBroken || !d.mDevice || !set.mVertices || !indices || count <= 0) return;
  SetLighting(set.mFormat);
  HRESULT hr;
  if (d.mContext->mExpandIndexedDraws) {
    d.mExpanded.resize(static_cast<size_t>(count) * sizeof(TTransformedVertex));
    auto* out = reinterpret_cast<TTransformedVertex*>(d.mExpanded.data());
    for (int i = 0; i < count; ++i)
      out[i] = indices[i] < set.mCount ? set.mVertices[indices[i]] : TTransformedVertex{};
    hr = d.mDevice->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(primitive), VertexFormat(set.mFormat), out,
                                  static_cast<DWORD>(count), 0);
  } else {
    hr = d.mDevice->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(primitive), VertexFormat(set.mFormat),
                                         const_cast<TTransformedVertex*>(set.mVertices), static_cast<DWORD>(set.mCount),
                                         const_cast<WORD*>(indices), static_cast<DWORD>(count), 0);
  }
  DX_CHECK(hr);
}

void TDxDisplayHandler::SetTexture(const std::shared_ptr<TTexture>& texture) {
  mTexture = texture;
  if (!IsReady() || !mData->mDevice) return;
  IDirectDrawSurface7* surface = texture && !texture->IsSimple() ? texture->GetSurface() : nullptr;
  DX_CHECK(mData->mDevice->SetTexture(0, surface));
  ApplyTextureStage();
}

// ---- Draw blocks and states -----------------------------------------------------------------

bool TDxDisplayHandler::Begin2d() {
  TPlatformData& d = *mData;
  if (!d.mDevice) return false;
  IDirect3DDevice7* dev = d.mDevice;
  auto rs = [&](D3DRENDERSTATETYPE state, DWORD value) { DX_CHECK(dev->SetRenderState(state, value)); };
  rs(D3DRENDERSTATE_SPECULARENABLE, 0);
  rs(D3DRENDERSTATE_LIGHTING, 0);
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP));
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP));
  SetBlendMode(0);
  SetTextureFilter(1);
  rs(D3DRENDERSTATE_ZENABLE, 0);
  rs(D3DRENDERSTATE_ZWRITEENABLE, 0);
  d.mDepthTest = d.mDepthWrite = false;
  rs(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  D3DMATRIX identity = Identity();
  DX_CHECK(dev->SetTransform(D3DTRANSFORMSTATE_WORLD, &identity));
  DX_CHECK(dev->SetTransform(D3DTRANSFORMSTATE_VIEW, &identity));
  mIn2d = true;
  d.mProjectionDirty = true;
  return true;
}

void TDxDisplayHandler::End2d() {
  mIn2d = false;
  TPlatformData& d = *mData;
  SetTexture(nullptr);
  if (!d.mDevice) return;
  D3DMATRIX identity = Identity();
  DX_CHECK(d.mDevice->SetTransform(D3DTRANSFORMSTATE_WORLD, &identity));
  DX_CHECK(d.mDevice->SetTransform(D3DTRANSFORMSTATE_VIEW, &identity));
  d.mProjectionDirty = true;
}

bool TDxDisplayHandler::Begin3d() {
  TPlatformData& d = *mData;
  if (!d.mDevice) return false;
  IDirect3DDevice7* dev = d.mDevice;
  auto rs = [&](D3DRENDERSTATETYPE state, DWORD value) { DX_CHECK(dev->SetRenderState(state, value)); };
  rs(D3DRENDERSTATE_SPECULARENABLE, d.mNoSpecularGouraud ? 0 : 1);
  rs(D3DRENDERSTATE_LIGHTING, 1);
  rs(D3DRENDERSTATE_ZENABLE, 1);
  rs(D3DRENDERSTATE_ZWRITEENABLE, 1);
  d.mDepthTest = d.mDepthWrite = true;
  SetBlendMode(0);
  SetTextureFilter(1);
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP));
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP));
  rs(D3DRENDERSTATE_CULLMODE, D3DCULL_CCW);
  mIn3d = true;
  return true;
}

void TDxDisplayHandler::End3d() { mIn3d = false; }

void TDxDisplayHandler::SetBlendMode(int kind) {
  TPlatformData& d = *mData;
  d.mBlendMode = kind;
  if (!d.mDevice) return;
  IDirect3DDevice7* dev = d.mDevice;
  auto blend = [&](DWORD source, DWORD dest) {
    DX_CHECK(dev->SetRenderState(D3DRENDERSTATE_SRCBLEND, source));
    DX_CHECK(dev->SetRenderState(D3DRENDERSTATE_DESTBLEND, dest));
    DX_CHECK(dev->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1));
  };
  bool alpha = IsAlphaMode();
  switch (kind) {
    case 0: blend(D3DBLEND_SRCALPHA, alpha ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA); break;
    case 1: DX_CHECK(dev->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 0)); break;
    case 2: blend(D3DBLEND_SRCALPHA, D3DBLEND_ONE); break;
    case 3:
      if (alpha && d.mNewSubtractive) blend(D3DBLEND_ONE, D3DBLEND_ONE);
      else if (alpha) blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
      else blend(D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR);
      break;
    case 4: blend(D3DBLEND_ZERO, D3DBLEND_SRCCOLOR); break;
    default: break;
  }
  ApplyTextureStage();
}

void TDxDisplayHandler::ApplyTextureStage() {
  TPlatformData& d = *mData;
  if (!d.mDevice) return;
  IDirect3DDevice7* dev = d.mDevice;
  auto tss = [&](D3DTEXTURESTAGESTATETYPE state, DWORD value) { DX_CHECK(dev->SetTextureStageState(0, state, value)); };
  DX_CHECK(dev->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0xFFFFFFFFu));
  int kind = d.mBlendMode;
  bool textured = mTexture && !mTexture->IsSimple() && mTexture->GetSurface();
  if (IsAlphaMode()) {
    if (kind == 3 && d.mNewSubtractive) {
      tss(D3DTSS_COLORARG1, D3DTA_TFACTOR);
    } else if (textured) {
      tss(D3DTSS_COLORARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE);
      if (d.mNewRenderBlend) {
        tss(D3DTSS_COLORARG2, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE);
        tss(D3DTSS_COLOROP, D3DTOP_MODULATE);
      }
    } else {
      tss(D3DTSS_COLORARG1, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE);
      if (d.mNewRenderBlend) tss(D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    }
    if (!d.mNewRenderBlend) tss(D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    tss(D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    tss(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    return;
  }
  tss(D3DTSS_COLORARG1, D3DTA_TEXTURE);
  if (d.mNewRenderBlend) tss(D3DTSS_COLORARG2, D3DTA_CURRENT);
  tss(D3DTSS_COLOROP, D3DTOP_MODULATE);
  if (kind == 1 || (kind == 3 && d.mNewSubtractive)) {
    tss(D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    tss(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  } else {
    tss(D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    tss(D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  }
}

void TDxDisplayHandler::SetCullMode(int kind) {
  if (!mData->mDevice) return;
  DWORD mode = kind == 2 ? D3DCULL_CW : kind == 3 ? D3DCULL_CCW : D3DCULL_NONE;
  DX_CHECK(mData->mDevice->SetRenderState(D3DRENDERSTATE_CULLMODE, mode));
}

void TDxDisplayHandler::SetTextureFilter(int filter) {
  if (!mData->mDevice || (filter != 0 && filter != 1)) return;
  IDirect3DDevice7* dev = mData->mDevice;
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_MINFILTER, filter ? D3DTFN_LINEAR : D3DTFN_POINT));
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_MAGFILTER, filter ? D3DTFG_LINEAR : D3DTFG_POINT));
  DX_CHECK(dev->SetTextureStageState(0, D3DTSS_MIPFILTER, filter ? D3DTFP_LINEAR : D3DTFP_POINT));
}

void TDxDisplayHandler::SetRenderOption(const TString& name, const TString& value) {
  TPlatformData& d = *mData;
  bool on = std::atoi(value.CStr()) > 0;
  if (name == "antialias") {
    d.mAntialias = on;
    if (d.mDevice)
      DX_CHECK(d.mDevice->SetRenderState(D3DRENDERSTATE_ANTIALIAS, on ? D3DANTIALIAS_SORTINDEPENDENT : D3DANTIALIAS_NONE));
  } else if (name == "hint_antialias") {
    d.mHintAntialias = on;
  } else if (name == "new_subtractive") {
    d.mNewSubtractive = on;
  } else if (name == "new_render_blend") {
    d.mNewRenderBlend = on;
  }
}

TString TDxDisplayHandler::GetRenderOption(const TString& name) const {
  const TPlatformData& d = *mData;
  auto flag = [](bool on) { return TString(on ? "1" : "0"); };
  if (name == "antialias") return flag(d.mAntialias);
  if (name == "hint_antialias") return flag(d.mHintAntialias);
  if (name == "new_subtractive") return flag(d.mNewSubtractive);
  if (name == "16bitmode")
    return flag(d.mLowMemoryVideo || d.mDisplayBitsPerPixel == 15 || d.mDisplayBitsPerPixel == 16);
  return TString();
}

HRESULT TDxDisplayHandler::ColorFill(IDirectDrawSurface7* surface, const TRect& rect, const TVec4& color) {
  if (!surface) return DDERR_SURFACELOST;
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  HRESULT hr = DX_CHECK(surface->GetSurfaceDesc(&desc));
  if (FAILED(hr)) return hr;
  const DDPIXELFORMAT& f = desc.ddpfPixelFormat;
  auto part = [](float component, DWORD mask) {
    double value = double(component) * double(mask);
    if (!(value > 0)) return DWORD{0};
    if (value >= 4294967295.0) return mask;
    return static_cast<DWORD>(value) & mask;
  };
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = part(color.x, f.dwRBitMask) + part(color.y, f.dwGBitMask) + part(color.z, f.dwBBitMask) +
                   part(color.w, f.dwRGBAlphaBitMask);
  RECT r{std::max(0, rect.left), std::max(0, rect.top), std::min<LONG>(rect.right, desc.dwWidth),
         std::min<LONG>(rect.bottom, desc.dwHeight)};
  if (r.right <= r.left || r.bottom <= r.top) return DD_OK;
  return DX_CHECK(surface->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
}

// ---- Device loss ----------------------------------------------------------------------------

void TDxDisplayHandler::RestoreDisplay() {
  TPlatformData& d = *mData;
  if (d.mRestoreBusy) {
    MarkBroken();
    Sleep(50);
    return;
  }
  d.mRestoreBusy = true;
  struct Clear {
    bool* flag;
    ~Clear() { *flag = false; }
  } clear{&d.mRestoreBusy};
  TPlatformImpl* impl = Impl();
  if (impl && impl->mSuspended) {
    Sleep(100);
    return;
  }
  if (TAssetManager* assets = TAssetManager::GetInstance()) assets->UnloadAll();
  HandleOutOfVideoMemoryReports();
  int width = d.mDisplayRect.right, height = d.mDisplayRect.bottom;
  auto again = [&] { SetDisplay(width, height, mFullScreen, true, false, false); };
  if (!d.mDirectDraw || d.mOutOfVideoMemoryReported) {
    LogPrintf("TPlatformData::Restore: mDirectDraw NULL. Calling SetDisplay()");
    SetDisplay(width, height, mFullScreen, true, true, false);
    return;
  }
  bool active = impl && impl->mWindowActive;
  HRESULT hr = d.mDirectDraw->TestCooperativeLevel();
  if (FAILED(hr)) {
    for (int attempt = 1;; ++attempt) {
      if (hr == DDERR_WRONGMODE) {
        again();
        return;
      }
      if (!active) return;
      Sleep(100);
      if (hr == DDERR_NOEXCLUSIVEMODE) return;
      if (hr == DDERR_EXCLUSIVEMODEALREADYSET)
        hr = d.mDirectDraw->SetCooperativeLevel(impl->mMainWindow, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
      if (attempt >= 4) return;
      if (FAILED(hr)) {
        hr = d.mDirectDraw->TestCooperativeLevel();
        if (SUCCEEDED(hr)) break;
        continue;
      }
      LogPrintf("Restore: Test Cooperative level failed. Calling SetDisplay");
      again();
      return;
    }
  }
  if (d.mFrameCount < 3) {
    if (!active) {
      MarkBroken();
      return;
    }
    LogPrintf("TPlatformData::Restore: Working count too small (%d). Calling SetDisplay()", static_cast<int>(d.mFrameCount));
    again();
    return;
  }
  d.mFrameCount = 0;
  d.mBroken = false;
  SetConfig("dxbroken", "0");
  hr = d.mDirectDraw->RestoreAllSurfaces();
  if (SUCCEEDED(hr)) {
    RestoreAssets();
    if (impl) impl->RefreshCursor();
    Invalidate();
  } else if (hr == DDERR_WRONGMODE) {
    LogPrintf("Restore: RestoreAllSurfaces resulted in DDERR_WRONGMODE. Calling SetDisplay.");
    again();
  } else {
    LogPrintf("RestoreAllSurfaces failed!\n");
    DX_CHECK(hr);
    again();
  }
}

void TDxDisplayHandler::RestoreAssets() {
  if (!IsReady()) {
    LogPrintf("RestoreAssets: DX broken");
    return;
  }
  if (TAssetManager* assets = TAssetManager::GetInstance()) assets->RestoreAll();
  if (TPlatform* platform = TPlatform::GetInstance())
    if (TTaskList* tasks = platform->GetTaskList()) tasks->RunAll(0);
  Invalidate();
}

void TDxDisplayHandler::OutOfVideoMemory() {
  ++mOutOfVideoMemoryCalls;
  TPlatformData& d = *mData;
  if (d.mLowMemoryVideo || !d.mDirect3D) return;
  LogPrintf("OutOfVideoMemory triggered!");
  d.mLowMemoryVideo = true;
  MarkBroken();
  d.mOutOfVideoMemoryReported = true;
  TXmlNode doc;
  TXmlNode* settings = doc.AddChild("Settings");
  settings->SetAttribute("LowMemoryVideo", TString("1"));
  TString text = settings->ToString();
  TFile* file = FileOpen(kDisplayFile, kFileWriteText);
  if (!file) {
    LogPrintf("Could not write %s", kDisplayFile);
    return;
  }
  FileWrite(file, text.CStr(), text.Length());
  FileClose(file);
}

void TDxDisplayHandler::ReportOutOfVideoMemory() {
  // Only the main thread may log, touch the configuration or write files: other threads leave a
  // note that the main thread takes up at its next frame or pump turn.
  TDxDisplayHandler* handler = GetInstance();
  if (handler && std::this_thread::get_id() == gMainThread) handler->OutOfVideoMemory();
  else gOutOfVideoMemorySeen = true;
}

void TDxDisplayHandler::HandleOutOfVideoMemoryReports() {
  if (std::this_thread::get_id() != gMainThread) return;
  if (gOutOfVideoMemorySeen.exchange(false)) OutOfVideoMemory();
}

// ---- Cursor image position ------------------------------------------------------------------

POINT TDxDisplayHandler::SetMouseImagePosition(int x, int y) {
  std::lock_guard<std::mutex> guard(mMouseLock);
  ++mImageUpdates;
  if (x == -1 && y == -1) {
    POINT p;
    GetCursorPos(&p);
    x = p.x - mCursorRect.left;
    y = p.y - mCursorRect.top;
  }
  mMouseImage = POINT{x, y};
  mMouseImageVisible = true;
  return mMouseImage;
}

void TDxDisplayHandler::RefreshCursorRect() {
  if (!mWindow) return;
  RECT c;
  if (!GetClientRect(mWindow, &c)) return;
  POINT origin{0, 0};
  ClientToScreen(mWindow, &origin);
  std::lock_guard<std::mutex> guard(mMouseLock);
  mCursorRect = RECT{origin.x, origin.y, origin.x + c.right, origin.y + c.bottom};
}

// ---- Pixel-centre calibration ---------------------------------------------------------------

namespace {

// A texture made in memory with alpha, usable as a render target when asked; null on failure.
std::shared_ptr<TTexture> MakeCalibrationTexture(int width, int height, bool target) {
  std::shared_ptr<TTexture> texture = TTexture::Create(TString());
  texture->GetData()->mFlags |= kTexInMemory | kTexAlpha | (target ? kTexRenderTarget : 0);
  if (!texture->GetData()->CreateSurface(width, height, true) || !texture->GetSurface()) return nullptr;
  return texture;
}

// The calibration's draw positions: rows of 16 pixel steps, wrapping past x = 784.
void NextPosition(int* x, int* y) {
  *x += 16;
  if (*x > 784) {
    *x = 0;
    *y += 16;
  }
}

}  // namespace

void TDxDisplayHandler::TestRenderTargets() {
  TPlatformData& d = *mData;
  TDrawContext* draw = TDrawContext::GetInstance();
  if (d.mCalibrated || !d.mDirectDraw || draw->IsDrawing()) return;
  d.mCalibrated = true;
  std::shared_ptr<TTexture> small = MakeCalibrationTexture(16, 16, false);
  std::shared_ptr<TTexture> target = MakeCalibrationTexture(1024, 512, true);
  if (!small || !target) {
    d.mCalibrated = false;
    return;
  }
  ColorFill(small->GetSurface(), TRect(0, 0, 16, 16), TVec4(1, 1, 1, 1));
  DDSURFACEDESC2 lock{};
  lock.dwSize = sizeof lock;
  if (SUCCEEDED(DX_CHECK(small->GetSurface()->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr)))) {
    auto* first = static_cast<uint32_t*>(lock.lpSurface);
    auto* last = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lock.lpSurface) + 15 * lock.lPitch) + 15;
    *first &= 0xFF000000u;
    *last &= 0xFF000000u;
    DX_CHECK(small->GetSurface()->Unlock(nullptr));
  }
  ColorFill(target->GetSurface(), TRect(0, 0, 512, 512), TVec4(1, 0, 0, 1));

  if (!draw->BeginRenderTarget(target, 0)) {
    d.mCalibrated = false;
    return;
  }
  bool in2d = draw->Begin2d();
  draw->SetTextureFilter(0);
  draw->SetTexture(small);
  int x = 0, y = 0;
  for (int i = 0; i < 10 && y <= 496; ++i, NextPosition(&x, &y)) {
    d.mPixelCentreOffset = i * 0.1f - 0.5f;
    d.mProjectionDirty = true;
    TVec2 corners[4] = {{float(x), float(y)}, {float(x + 16), float(y)}, {float(x + 16), float(y + 16)},
                        {float(x), float(y + 16)}};
    TTransformedVertex quad[4];
    BuildQuadVertices(quad, TVec2(0, 0), corners, TVec2(0, 0), TVec2(1, 1), TMat3::Identity(), 1, 1, 1, 1);
    draw->DrawVertices(D3DPT_TRIANGLEFAN, TVertexSet(quad, 4));
  }
  draw->SetTexture(nullptr);
  draw->SetTextureFilter(1);
  if (in2d) draw->End2d();
  draw->EndRenderTarget();

  float found = -0.5f;
  lock = DDSURFACEDESC2{};
  lock.dwSize = sizeof lock;
  if (SUCCEEDED(DX_CHECK(target->GetSurface()->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr)))) {
    auto black = [&](int px, int py) {
      uint32_t p = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lock.lpSurface) + py * lock.lPitch)[px];
      return (p & 0xFFFFFFu) == 0;
    };
    x = y = 0;
    for (int i = 0; i < 10 && y <= 496; ++i, NextPosition(&x, &y)) {
      if (black(x, y) && black(x + 15, y + 15)) {
        found = i * 0.1f - 0.5f;
        break;
      }
    }
    DX_CHECK(target->GetSurface()->Unlock(nullptr));
  }
  d.mPixelCentreOffset = found;
  d.mProjectionDirty = true;
  draw->PushClipRect(d.mDisplayRect);
  draw->DrawTextureRect(d.mDisplayRect, TVec4(0, 0, 0, 1), nullptr);
  draw->PopClipRect();
}
