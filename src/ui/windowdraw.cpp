// The window system's drawing seam over the drawing context.
#include "ui/windowdraw.h"

#include "render/drawcontext.h"
#include "render/drawspec.h"
#include "render/texture.h"

namespace {
TWindowDrawHooks& Hooks() {
  static TWindowDrawHooks hooks;
  return hooks;
}
}  // namespace

namespace windowdraw {
void SetHooks(const TWindowDrawHooks& hooks) { Hooks() = hooks; }

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
void DrawTexture(const std::shared_ptr<TTexture>& texture, const TDrawSpec& spec) {
  if (!texture) return;
  if (Hooks().drawTexture) Hooks().drawTexture(texture, spec);
  else texture->Draw(spec);
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
