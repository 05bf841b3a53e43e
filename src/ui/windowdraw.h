// The drawing operations the window system needs from the drawing context: the frame brackets,
// render-target brackets, viewport and clip stacks and rectangle fills. Clip rectangles and the
// viewport size go to TDrawContext; the rest goes through hooks whose defaults draw through
// TDrawContext (tests replace them with recorders). Of a replaced set, an empty hook does nothing.
#pragma once
#include <functional>
#include <memory>

#include "core/math.h"
#include "core/rect.h"

class TTexture;
struct TDrawSpec;
struct TTransformedVertex;

struct TWindowDrawHooks {
  std::function<bool()> beginDraw;
  std::function<void()> endDraw;
  std::function<bool(const std::shared_ptr<TTexture>&)> beginRenderTarget;
  std::function<void()> endRenderTarget;
  std::function<void(const TRect&)> pushViewport;
  std::function<void()> popViewport;
  std::function<void(const TRect&, const TVec4&)> fillRect;
  std::function<void(const std::shared_ptr<TTexture>&)> copyHeldTexture;
  std::function<void(const std::shared_ptr<TTexture>&, const TDrawSpec&)> drawTexture;
  // Textured triangles in pixels (six vertices per quad).
  std::function<void(const std::shared_ptr<TTexture>&, const TTransformedVertex*, int32_t)> drawTriangles;
};

namespace windowdraw {
// Replaces the hooks (an empty set restores the defaults).
void SetHooks(const TWindowDrawHooks& hooks);
bool BeginDraw();
void EndDraw();
bool BeginRenderTarget(const std::shared_ptr<TTexture>& texture);
void EndRenderTarget();
void PushViewport(const TRect& rect);
void PopViewport();
// The rectangle of the current viewport: (0, 0, width, height) of the drawing context's view.
TRect GetViewportRect();
void PushClipRect(const TRect& rect);
void PopClipRect();
TRect GetClipRect();
void FillRect(const TRect& rect, const TVec4& colour);
// Draws the held texture at (0, 0), whole, onto the current target.
void CopyHeldTexture(const std::shared_ptr<TTexture>& texture);
// The texture draws itself with the draw record at the current window's place.
void DrawTexture(const std::shared_ptr<TTexture>& texture, const TDrawSpec& drawSpec);
// Triangles (a list, three vertices each) textured with the texture, in pixels.
void DrawTriangles(const std::shared_ptr<TTexture>& texture, const TTransformedVertex* vertices, int32_t count);
}  // namespace windowdraw
