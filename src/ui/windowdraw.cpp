// The window system's drawing seam over the drawing context. The default hooks bracket every
// frame and render target with a 2D block, so the window tree draws with pixel coordinates.
#include "ui/windowdraw.h"

#include "render/drawcontext.h"
#include "render/drawspec.h"
#include "render/texture.h"

namespace {
TDrawContext* Draw() { return TDrawContext::GetInstance(); }

void EndBlocks() {
  if (Draw()->IsIn2d()) Draw()->End2d();
  if (Draw()->IsIn3d()) Draw()->End3d();
}

TWindowDrawHooks DefaultHooks() {
  TWindowDrawHooks h;
  h.beginDraw = [] {
    if (!Draw()->BeginDraw(1)) return false;
    if (Draw()->Begin2d()) return true;
    Draw()->EndDraw(0);  // a frame without its 2D block is given up, nothing presented
    return false;
  };
  h.endDraw = [] {
    if (!Draw()->IsDrawing()) return;
    EndBlocks();
    Draw()->EndDraw(1);
  };
  h.beginRenderTarget = [](const std::shared_ptr<TTexture>& texture) {
    if (!Draw()->BeginRenderTarget(texture)) return false;
    if (Draw()->Begin2d()) return true;
    Draw()->EndRenderTarget();
    return false;
  };
  h.endRenderTarget = [] {
    EndBlocks();
    Draw()->EndRenderTarget();
  };
  h.pushViewport = [](const TRect& rect) { Draw()->SetViewport(rect); };
  h.popViewport = [] { Draw()->PopViewport(); };
  h.fillRect = [](const TRect& rect, const TVec4& colour) { Draw()->DrawTextureRect(rect, colour, nullptr); };
  h.copyHeldTexture = [](const std::shared_ptr<TTexture>& texture) {
    if (!texture) return;
    // Anchored at its top-left pixel, so the texture covers the target from (0, 0).
    TDrawSpec drawSpec(TVec2(0, 0), 1.0f, 1.0f, kDrawUseAnchor);
    drawSpec.anchor = TVec2(0, 0);
    texture->Draw(drawSpec);
  };
  return h;
}

TWindowDrawHooks& Hooks() {
  static TWindowDrawHooks hooks = DefaultHooks();
  return hooks;
}
}  // namespace

namespace windowdraw {
// A set with no hook at all restores the defaults; otherwise hooks left empty do nothing, so a
// test records only what it cares about.
void SetHooks(const TWindowDrawHooks& hooks) {
  bool empty = !hooks.beginDraw && !hooks.endDraw && !hooks.beginRenderTarget && !hooks.endRenderTarget &&
               !hooks.pushViewport && !hooks.popViewport && !hooks.fillRect && !hooks.copyHeldTexture;
  Hooks() = empty ? DefaultHooks() : hooks;
}

bool BeginDraw() { return Hooks().beginDraw ? Hooks().beginDraw() : true; }
void EndDraw() {
  if (Hooks().endDraw) Hooks().endDraw();
}
bool BeginRenderTarget(const std::shared_ptr<TTexture>& texture) {
  return Hooks().beginRenderTarget ? Hooks().beginRenderTarget(texture) : false;
}
void EndRenderTarget() {
  if (Hooks().endRenderTarget) Hooks().endRenderTarget();
}
void PushViewport(const TRect& rect) {
  if (Hooks().pushViewport) Hooks().pushViewport(rect);
}
void PopViewport() {
  if (Hooks().popViewport) Hooks().popViewport();
}
TRect GetViewportRect() {
  int32_t width = 0, height = 0;
  TDrawContext::GetInstance()->GetViewport(&width, &height);
  return TRect(0, 0, width, height);
}
void PushClipRect(const TRect& rect) { TDrawContext::GetInstance()->PushClipRect(rect); }
void PopClipRect() { TDrawContext::GetInstance()->PopClipRect(); }
TRect GetClipRect() { return TDrawContext::GetInstance()->GetClipRect(); }
void FillRect(const TRect& rect, const TVec4& colour) {
  if (Hooks().fillRect) Hooks().fillRect(rect, colour);
}
void CopyHeldTexture(const std::shared_ptr<TTexture>& texture) {
  if (Hooks().copyHeldTexture) Hooks().copyHeldTexture(texture);
}
void DrawTexture(const std::shared_ptr<TTexture>& texture, const TDrawSpec& drawSpec) {
  if (!texture) return;
  if (Hooks().drawTexture) Hooks().drawTexture(texture, drawSpec);
  else texture->Draw(drawSpec);
}
void DrawTriangles(const std::shared_ptr<TTexture>& texture, const TTransformedVertex* vertices, int32_t count) {
  if (Hooks().drawTriangles) {
    Hooks().drawTriangles(texture, vertices, count);
    return;
  }
  TDrawContext* context = TDrawContext::GetInstance();
  context->SetTexture(texture);
  context->DrawVertices(4, TVertexSet(vertices, count));  // a triangle list
}
}  // namespace windowdraw
