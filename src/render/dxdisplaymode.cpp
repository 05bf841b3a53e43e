// The display handler's mode setting: SetDisplay with its checks that force full screen (paletted
// desktop, too small a desktop, low video memory), the device's initial states, and the fallback
// chain between windowed and full-screen modes when making the display fails.
#include "render/dxdisplayhandler.h"

#include <cstring>

#include "core/commandline.h"
#include "core/config.h"
#include "core/log.h"
#include "core/timer.h"
#include "os/gdi.h"
#include "os/thread.h"
#include "os/time.h"
#include "os/winuser.h"
#include "render/assetmanager.h"
#include "render/directx.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler_internal.h"
#include "services/portal.h"

using namespace dxdisplay;

namespace {

constexpr const char kOutOfMemoryText[] =
    "You cannot run this application at your current screen resolution or bit depth (out of memory). Change your "
    "display settings and run again. Closing other applications might also help.";

// The application counts as active when its window is and no pending activation change says no.
bool AppActive(const TPlatformImpl* impl) {
  return impl->mWindowActive && (!impl->mActivationChangedPending || impl->mAppActive);
}

[[noreturn]] void Fatal(const char* text) {
  if (text) MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONWARNING);
  ExitProcess(static_cast<UINT>(-1));
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
