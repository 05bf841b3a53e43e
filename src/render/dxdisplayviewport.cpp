// The display handler's viewports: the viewport and clip rectangle applied to the device (scaled
// with the window), the viewport stack, and the 2D projection built from them.
#include "render/dxdisplayhandler.h"

#include <algorithm>
#include <cstring>

#include "core/log.h"
#include "os/d3dx.h"
#include "render/directx.h"
#include "render/dxdisplayhandler_internal.h"

using namespace dxdisplay;

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
