// The display handler's operations that exist so far (see dxdisplayhandler.h).
#include "render/dxdisplayhandler.h"

#include "core/commandline.h"
#include "core/log.h"
#include "core/platform.h"
#include "core/platformimpl.h"
#include "os/present.h"
#include "os/time.h"
#include "os/winuser.h"
#include "render/assetmanager.h"
#include "render/drawcontext.h"

TDxDisplayHandler::~TDxDisplayHandler() { os::ReleaseFramePresenter(); }

TDxDisplayHandler* TDxDisplayHandler::GetInstance() {
  TDrawContext* context = TDrawContext::Find();
  return context ? context->GetDisplayHandler() : nullptr;
}

void TDxDisplayHandler::SetDisplay(int32_t width, int32_t height, bool fullScreen, bool force, bool silent,
                                   bool child) {
  mReady = false;
  TPlatform* platform = TPlatform::GetInstance();
  TPlatformImpl* impl = platform ? platform->GetImpl() : nullptr;
  if (!impl || !impl->mMainWindow) return;
  if (impl->mSuspended) {
    Sleep(100);
    return;
  }
  HWND window = impl->mMainWindow;
  if (!force && fullScreen == mFullScreen && width == mWidth && height == mHeight) {
    mReady = true;
    return;
  }
  if (TAssetManager* assets = TAssetManager::GetInstance()) assets->UnloadAll();
  impl->mDisplayChangedPending = true;

  mFullScreen = fullScreen;
  mWidth = width;
  mHeight = height;
  TDrawContext::GetInstance()->SetViewport(width, height);
  if (!child) {
    DWORD exStyle = WS_EX_APPWINDOW | (fullScreen ? WS_EX_TOPMOST : 0);
    DWORD style = fullScreen ? WS_POPUP : (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX);
    SetWindowLongA(window, GWL_EXSTYLE, static_cast<LONG>(exStyle));
    SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(style));
    if (fullScreen) {
      SetWindowPos(window, HWND_TOP, 0, 0, width, height, SWP_NOCOPYBITS);
    } else {
      int32_t w = width, h = height;
      if (!CommandLineHas(kSwitchHostDriven)) {
        w = static_cast<int32_t>(width * impl->mViewportScale[0]);
        h = static_cast<int32_t>(height * impl->mViewportScale[0]);
      }
      RECT r{0, 0, w, h};
      AdjustWindowRectEx(&r, style, FALSE, exStyle);
      SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    }
    ShowWindow(window, SW_SHOW);
    if (fullScreen) SetActiveWindow(window);
  }
  mWindow = window;
  RefreshCursorRect();
  mReady = true;
}

void TDxDisplayHandler::GetDisplaySize(int32_t* width, int32_t* height, bool* fullScreen) const {
  *width = mWidth;
  *height = mHeight;
  *fullScreen = mFullScreen;
}

bool TDxDisplayHandler::SetFullScreen(bool fullScreen) {
  if (mWidth > 0 && mHeight > 0 && fullScreen != mFullScreen) {
    SetDisplay(mWidth, mHeight, fullScreen, false, false, false);
    return true;
  }
  mFullScreen = fullScreen;
  return true;
}

void TDxDisplayHandler::OutOfVideoMemory() {
  if (mOutOfVideoMemoryCalls++ == 0) LogPrintf("Out of video memory");
}

bool TDxDisplayHandler::PresentFrame(uint32_t argb) { return mWindow && os::PresentClearedFrame(mWindow, argb); }

void TDxDisplayHandler::SetMouseTexture(const std::shared_ptr<TTexture>& texture, int32_t hotX, int32_t hotY,
                                        bool hardware) {
  std::lock_guard<std::mutex> guard(mMouseLock);
  mMouseTexture[hardware ? 1 : 0] = texture;
  mMouseHotSpot[hardware ? 1 : 0] = POINT{hotX, hotY};
}

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
