// The display handler's frames: BeginDraw (lost surfaces, flip status, the back buffer's
// preparation, the scene and its depth clear), EndDraw with presenting and its recovery, and the
// cleared frames shown before any drawing.
#include "render/dxdisplayhandler.h"

#include "core/log.h"
#include "os/present.h"
#include "os/time.h"
#include "render/directx.h"
#include "render/dxdisplayhandler_internal.h"

using namespace dxdisplay;

bool TDxDisplayHandler::PresentFrame(uint32_t argb) {
  TPlatformData& d = *mData;
  if (!d.mDevice) return mWindow && os::PresentClearedFrame(mWindow, argb);
  TVec4 color(float(argb >> 16 & 0xFF) / 255.0f, float(argb >> 8 & 0xFF) / 255.0f, float(argb & 0xFF) / 255.0f,
              float(argb >> 24) / 255.0f);
  if (FAILED(ColorFill(GetBackBuffer(), d.mSurfaceRect, color))) return false;
  return SUCCEEDED(DX_CHECK(d.mContext->Present()));
}

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
