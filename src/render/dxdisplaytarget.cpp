// The display handler's render targets: switching the device's target, and drawing into a texture
// through the back buffer (BeginRenderTarget / EndRenderTarget with their copy modes).
#include "render/dxdisplayhandler.h"

#include <algorithm>
#include <cstring>

#include "core/log.h"
#include "render/directx.h"
#include "render/dxdisplayhandler_internal.h"
#include "render/texture.h"
#include "render/texturedata.h"

using namespace dxdisplay;

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
  // Drawn in a surface of its own: the back buffer keeps the frame it holds.
  IDirectDrawSurface7* back = d.mContext->GetRenderTargetSurface();
  if (back && back != GetBackBuffer() && FAILED(DX_CHECK(d.mDevice->SetRenderTarget(back, 0)))) back = GetBackBuffer();
  d.mRenderTarget = back;
  d.mSavedViewportScale = ViewportScale();
  SetViewportScale(1.0f);
  PushViewport(0, 0, texture->GetWidth(), texture->GetHeight());
  d.mSavedViewport = d.mViewport;
  Invalidate();
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  if (back) back->GetSurfaceDesc(&desc);
  RECT region{0, 0, std::min<LONG>(texture->GetWidth(), desc.dwWidth), std::min<LONG>(texture->GetHeight(), desc.dwHeight)};
  auto fail = [&] {
    d.mRenderTargetTexture.reset();
    PopViewport();
    SetViewportScale(d.mSavedViewportScale);
    LeaveRenderTargetSurface();
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
  RECT region{0, 0, w, h};
  if (FAILED(back->Lock(&region, &from, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) return;
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
  IDirectDrawSurface7* back = d.mRenderTarget ? d.mRenderTarget : GetBackBuffer();
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
      // Only the drawn corner is read, and nothing is written back.
      if (SUCCEEDED(DX_CHECK(back->Lock(&region, &from, DDLOCK_WAIT | DDLOCK_READONLY, nullptr)))) {
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
  LeaveRenderTargetSurface();
}

void TDxDisplayHandler::LeaveRenderTargetSurface() {
  TPlatformData& d = *mData;
  IDirectDrawSurface7* back = GetBackBuffer();
  if (!d.mDevice || !back || d.mRenderTarget == back) return;
  DX_CHECK(d.mDevice->SetRenderTarget(back, 0));
  d.mRenderTarget = back;
  ApplyViewport();
}
