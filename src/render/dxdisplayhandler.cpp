// The display back end (see dxdisplayhandler.h): making and ending the handler, its state queries
// and the broken mark. The rest lives beside it by concern: dxdisplaymode.cpp (SetDisplay and its
// fallback chain), dxdisplayframe.cpp (frames and presenting), dxdisplayviewport.cpp,
// dxdisplaytarget.cpp (render targets), dxdisplaystate.cpp (vertices, textures, draw states),
// dxdisplayloss.cpp (device loss and low video memory), dxdisplaycursor.cpp, dxdisplaycalibrate.cpp.
#include "render/dxdisplayhandler.h"

#include <cstdlib>

#include "core/commandline.h"
#include "core/config.h"
#include "core/log.h"
#include "core/timer.h"
#include "core/xml.h"
#include "os/d3dx.h"
#include "os/present.h"
#include "os/winuser.h"
#include "render/directx.h"
#include "render/drawcontext.h"
#include "render/dxdisplayhandler_internal.h"
#include "render/texture.h"
#include "render/texturedata.h"

using namespace dxdisplay;

namespace {

constexpr const char kSourceName[] = "dxdisplayhandler";

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
  if (mColorCursor) {
    if (GetCursor() == mColorCursor) ::SetCursor(nullptr);
    DestroyCursor(mColorCursor);
  }
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

HRESULT TDxDisplayHandler::Check(HRESULT result, int line) {
  if (FAILED(result)) DxError(result, kSourceName, line);
  return result;
}

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

void TDxDisplayHandler::NotifyWindowChanged() {
  if (mData->mDirectDraw) DX_CHECK(mData->mDirectDraw->FlipToGDISurface());
}
