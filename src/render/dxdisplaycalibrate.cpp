// The display handler's pixel-centre calibration: small quads drawn into a render target at ten
// offsets, read back to find the offset that lights exactly the intended pixels.
#include "render/dxdisplayhandler.h"

#include "render/drawcontext.h"
#include "render/dxdisplayhandler_internal.h"
#include "render/texture.h"
#include "render/texturedata.h"

using namespace dxdisplay;

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

}  // namespace

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
