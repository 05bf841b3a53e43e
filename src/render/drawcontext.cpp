// The drawing context (see drawcontext.h).
#include "render/drawcontext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/config.h"
#include "core/log.h"
#include "core/timer.h"
#include "os/d3d.h"
#include "os/version.h"
#include "platform/platform.h"
#include "platform/platformimpl.h"
#include "render/dxdisplayhandler.h"
#include "render/texture.h"

namespace {

std::unique_ptr<TDrawContext> gInstance;

// component x 255 truncated toward zero, low 8 bits kept (values out of int range count as 0).
uint32_t ColorByte(float component) {
  double value = double(component) * 255.0;
  if (!(std::fabs(value) < 2147483647.0)) return 0;
  return static_cast<uint32_t>(static_cast<int32_t>(value)) & 0xFFu;
}

}  // namespace

void BuildQuadVertices(TTransformedVertex out[4], const TVec2& offset, TVec2 corners[4], const TVec2& uvTopLeft,
                       const TVec2& uvBottomRight, const TMat3& transform, float alpha, float red, float green,
                       float blue) {
  float scaledAlpha = alpha * 255.0f;
  int alphaByte = !(scaledAlpha > 0.0f) ? 0 : scaledAlpha >= 255.0f ? 255 : static_cast<int>(scaledAlpha);
  const TVec2 uv[4] = {{uvTopLeft.x, uvTopLeft.y},
                       {uvBottomRight.x, uvTopLeft.y},
                       {uvBottomRight.x, uvBottomRight.y},
                       {uvTopLeft.x, uvBottomRight.y}};
  uint32_t diffuse = static_cast<uint32_t>(alphaByte) << 24 | ColorByte(red) << 16 | ColorByte(green) << 8 |
                     ColorByte(blue);
  for (int i = 0; i < 4; ++i) {
    out[i] = TTransformedVertex{};
    corners[i] = TransformPoint(transform, corners[i]);
    out[i].x = corners[i].x + offset.x;
    out[i].y = corners[i].y + offset.y;
    out[i].z = 0.1f;
    out[i].w = 0.5f;
    out[i].diffuse = diffuse;
    out[i].specular = 0xFF000000u;
    out[i].u = uv[i].x;
    out[i].v = uv[i].y;
  }
}

TDrawContext::TDrawContext() : mHandler(std::make_unique<TDxDisplayHandler>()) { mHandler->BecomeProcessDisplay(); }

TDrawContext::~TDrawContext() {
  mTexture.reset();
  mHandler->LeaveProcessDisplay();
  mHandler.reset();
}

TDrawContext* TDrawContext::Find() { return gInstance.get(); }

TDrawContext* TDrawContext::GetInstance() {
  if (!gInstance) gInstance = std::make_unique<TDrawContext>();
  return gInstance.get();
}

void TDrawContext::DestroyInstance() { gInstance.reset(); }

bool TDrawContext::BeginDraw(int prepare) {
  mDrawing = mHandler->BeginDraw(prepare != 0);
  return mDrawing;
}

int32_t TDrawContext::EndDraw(int present) {
  MeasureFrameRate();
  if (mDebugOverlay) DrawOverlay();
  mDrawing = false;
  return mHandler->EndDraw(present != 0);
}

bool TDrawContext::BeginRenderTarget(const std::shared_ptr<TTexture>& target, int mode) {
  if (!target || target->IsSimple() || mDrawing || mRenderTarget) return false;
  bool ok = mHandler->BeginRenderTarget(target, mode);
  mRenderTarget = mDrawing = ok;
  return ok;
}

void TDrawContext::EndRenderTarget() {
  mHandler->EndRenderTarget();
  mRenderTarget = mDrawing = false;
}

bool TDrawContext::Begin2d() {
  if (mIn2d) {
    LogPrintf("Begin2d called when already in Begin2d state");
    return false;
  }
  if (mIn3d) {
    LogPrintf("Begin2d called when already in Begin3d state");
    return false;
  }
  if (!IsDrawing()) {
    LogPrintf("ERROR: Calling Begin2d outside of a BeginDraw or BeginRenderTarget block!");
    return false;
  }
  mIn2d = mHandler->Begin2d();
  return mIn2d;
}

bool TDrawContext::Begin3d() {
  if (mIn2d) {
    LogPrintf("Begin3d called when already in Begin2d state");
    return false;
  }
  if (mIn3d) {
    LogPrintf("Begin3d called when already in Begin3d state");
    return false;
  }
  if (!IsDrawing()) {
    LogPrintf("ERROR: Calling Begin3d outside of a BeginDraw or BeginRenderTarget block!");
    return false;
  }
  mIn3d = mHandler->Begin3d();
  return mIn3d;
}

void TDrawContext::End2d() {
  if (!mIn2d) {
    LogPrintf("End2d called when not in Begin2d state");
    return;
  }
  if (!IsDrawing()) LogPrintf("ERROR: Calling End2d after EndDraw or EndRenderTarget!");
  mHandler->End2d();
  mIn2d = false;
}

void TDrawContext::End3d() {
  if (!mIn3d) {
    LogPrintf("End3d called when not in Begin3d state");
    return;
  }
  if (!IsDrawing()) LogPrintf("Calling End3d after EndDraw or EndRenderTarget!");
  mHandler->End3d();
  mIn3d = false;
}

void TDrawContext::DrawVertices(int primitive, const TVertexSet& set) {
  if (!mIn2d && !mIn3d) {
    LogPrintf("DrawVertices called when not in Begin2d or Begin3d state");
    return;
  }
  mHandler->DrawVertices(primitive, set);
}

void TDrawContext::DrawIndexedVertices(int primitive, const TVertexSet& set, const uint16_t* indices, int count) {
  if (!mIn2d && !mIn3d) {
    LogPrintf("DrawIndexedVertices called when not in Begin2d or Begin3d state");
    return;
  }
  mHandler->DrawIndexedVertices(primitive, set, indices, count);
}

void TDrawContext::SetTexture(const std::shared_ptr<TTexture>& texture) {
  mTexture = texture && texture->IsSimple() ? nullptr : texture;
  mHandler->SetTexture(mTexture);
}

void TDrawContext::SetBlendMode(int kind) { mHandler->SetBlendMode(kind); }
int TDrawContext::GetBlendMode() const { return mHandler->GetData()->mBlendMode; }
void TDrawContext::SetCullMode(int kind) { mHandler->SetCullMode(kind); }
void TDrawContext::SetTextureFilter(int filter) { mHandler->SetTextureFilter(filter); }

void TDrawContext::GetViewport(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom) const {
  int l, t, r, b;
  mHandler->GetViewport(&l, &t, &r, &b);
  *left = l;
  *top = t;
  *right = r;
  *bottom = b;
}

void TDrawContext::GetViewport(int32_t* width, int32_t* height) const {
  int w = 0, h = 0;
  if (mHandler->WasSetUp()) {
    mHandler->GetDisplaySize(&w, &h, nullptr);
    *width = w;
    *height = h;
    return;
  }
  *width = mViewportWidth;
  *height = mViewportHeight;
}

void TDrawContext::SetViewport(const TRect& viewport) {
  mHandler->PushViewport(viewport.left, viewport.top, viewport.right, viewport.bottom);
}

void TDrawContext::PopViewport() { mHandler->PopViewport(); }

void TDrawContext::PushClipRect(const TRect& clip) {
  mClipRects.push_back(clip);
  mHandler->SetClipRect(clip);
}

void TDrawContext::PopClipRect() {
  if (mClipRects.size() < 2) return;
  mClipRects.pop_back();
  mHandler->SetClipRect(mClipRects.back());
}

TRect TDrawContext::GetClipRect() const { return mClipRects.empty() ? TRect() : mClipRects.back(); }

bool TDrawContext::DrawTextureRect(const TRect& rect, const TVec4& color, const std::shared_ptr<TTexture>& target) {
  if (target) {
    TRect r(std::max(0, rect.left), std::max(0, rect.top), std::min(rect.right, target->GetWidth()),
            std::min(rect.bottom, target->GetHeight()));
    return SUCCEEDED(mHandler->ColorFill(target->GetSurface(), r, color));
  }
  int32_t vl, vt, vr, vb;
  GetViewport(&vl, &vt, &vr, &vb);
  TRect viewport(vl, vt, vr, vb);
  TRect r(rect.left + vl, rect.top + vt, rect.right + vl, rect.bottom + vt);
  r.Intersect(r, viewport);
  if (r.right <= r.left || r.bottom <= r.top) return true;
  if (IsDrawing()) {
    bool was2d = mIn2d, was3d = mIn3d;
    if (was3d) End3d();
    if (!was2d && !Begin2d()) return false;
    // The quad is drawn in the viewport's own coordinates.
    TVec2 corners[4] = {{float(r.left - vl), float(r.top - vt)},
                        {float(r.right - vl), float(r.top - vt)},
                        {float(r.right - vl), float(r.bottom - vt)},
                        {float(r.left - vl), float(r.bottom - vt)}};
    TTransformedVertex quad[4];
    float alpha = mHandler->IsAlphaMode() ? color.w : 1.0f;
    BuildQuadVertices(quad, TVec2(0, 0), corners, TVec2(0, 0), TVec2(1, 1), TMat3::Identity(), alpha, color.x,
                      color.y, color.z);
    std::shared_ptr<TTexture> saved = mTexture;
    SetTexture(nullptr);
    SetBlendMode(0);
    DrawVertices(D3DPT_TRIANGLEFAN, TVertexSet(quad, 4));
    SetTexture(saved);
    if (!was2d) End2d();
    if (was3d) Begin3d();
    return true;
  }
  TRect clip = GetClipRect();
  if (!mClipRects.empty()) r.Intersect(r, clip);
  const TRect& surface = mHandler->GetData()->mSurfaceRect;
  r.Intersect(r, surface);
  float scale = 1.0f;
  if (TPlatform* platform = TPlatform::GetInstance()) scale = platform->GetImpl()->mViewportScale[0];
  if (scale != 1.0f && !mRenderTarget)
    r = TRect(int(r.left * scale), int(r.top * scale), int(r.right * scale), int(r.bottom * scale));
  return SUCCEEDED(mHandler->ColorFill(mHandler->GetBackBuffer(), r, color));
}

void TDrawContext::SetRenderOption(const TString& name, const TString& value) { mHandler->SetRenderOption(name, value); }

TString TDrawContext::GetRenderOption(const TString& name) const { return mHandler->GetRenderOption(name); }

bool TDrawContext::NeedsSquareTextures() const { return mHandler->NeedsSquareTextures(); }

void TDrawContext::MeasureFrameRate() {
  uint32_t now = GetFrameworkTimer();
  mFrameStamps[mFrameIndex] = now;
  mFrameIndex = (mFrameIndex + 1) % 15;
  if (mFrameIndex == 0) {
    uint32_t span = now - mFrameStamps[0];
    mFramesPerSecond = span ? 15000.0f / float(span) : 0.0f;
  }
}

namespace {
TDrawContext::TOverlayTextDrawer& OverlayTextDrawer() {
  static TDrawContext::TOverlayTextDrawer drawer;
  return drawer;
}
}  // namespace

void TDrawContext::SetOverlayTextDrawer(TOverlayTextDrawer drawer) { OverlayTextDrawer() = std::move(drawer); }

TString TDrawContext::OverlayVersion() {
  if (TPlatform* platform = TPlatform::GetInstance())
    if (TString text = platform->GetVersionString(); !text.IsEmpty()) return text;
  const os::VersionInfo built = os::BuiltInVersionInfo();
  return TString::Format("%d.%d.%d.%d", built.version[0], built.version[1], built.version[2], built.version[3]);
}

void TDrawContext::DrawOverlay() {
  auto number = [](const char* key) { return std::atoi(GetConfig(key, "").CStr()); };
  int sprites = number("current_sprite_count");
  int textureMemory = number("texture_ram_allocated");
  int maxTextureMemory = number("max_texture_ram_allocated");
  int memory = GetMemoryInUse(), memoryPeak = GetMemoryPeak();
  // The version is the program's own, as its start-up logs it (the game and the framework are
  // built as one), so the overlay and the game never name two different versions.
  mOverlayText = TString::Format(
      "Tallowmark Version %s<br>%.1f FPS<tab pos='150'>Sprites: %d<br>Mem: %dkB<tab pos='150'>TexMem: "
      "%dkB<br>MaxMem: %dkB<tab pos='150'>MaxTexMem: %dkB<br>",
      OverlayVersion().CStr(), mFramesPerSecond, sprites, memory / 1024, textureMemory / 1024, memoryPeak / 1024,
      maxTextureMemory / 1024);
  bool began = Begin2d();
  DrawTextureRect(TRect(0, 0, 300, 64), TVec4(0, 0, 0, 0), nullptr);
  if (OverlayTextDrawer()) OverlayTextDrawer()(mOverlayText, TRect(0, 0, 512, 512));
  if (began) End2d();
}
