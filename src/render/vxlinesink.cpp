// The outline rasteriser's line output drawn through the drawing context.
#include "render/vxlinesink.h"

#include <memory>
#include <vector>

#include "os/d3d.h"
#include "render/drawcontext.h"

namespace {

void Convert(const TVxLineVertex* in, int count, std::vector<TTransformedVertex>* out) {
  out->resize(static_cast<size_t>(count));
  TTransformedVertex* to = out->data();
  for (int i = 0; i < count; ++i) {
    to[i] = TTransformedVertex{};
    to[i].x = in[i].x;
    to[i].y = in[i].y;
    to[i].w = 1.0f;
    to[i].diffuse = in[i].color;
  }
}

// The texture and blend mode are touched only when they are not already the ones the lines need,
// so that consecutive runs stay in one batch of the device.
void DrawLines(const TTransformedVertex* vertices, int count) {
  TDrawContext* draw = TDrawContext::GetInstance();
  if (count < 2 || !draw->IsIn2d()) return;
  std::shared_ptr<TTexture> saved = draw->GetTexture();
  if (saved) draw->SetTexture(nullptr);
  if (draw->GetBlendMode() != 0) draw->SetBlendMode(0);
  draw->DrawVertices(D3DPT_LINELIST, TVertexSet(vertices, count));
  if (saved) draw->SetTexture(saved);
}

}  // namespace

TVxMiniVecDraw::LineSink MakeDrawContextLineSink() {
  // The sink is called once per span run of every glyph: its vertex buffer is kept between calls.
  auto buffer = std::make_shared<std::vector<TTransformedVertex>>();
  auto lines = [buffer](const TVxLineVertex* vertices, int count) {
    if (!vertices || count < 2 || !TDrawContext::GetInstance()->IsIn2d()) return;
    Convert(vertices, count & ~1, buffer.get());  // a line list takes whole pairs
    DrawLines(buffer->data(), count & ~1);
  };
  auto prepare = [](const TVxLineVertex* vertices, int count) -> std::function<void()> {
    auto kept = std::make_shared<std::vector<TTransformedVertex>>();
    if (vertices && count >= 2) Convert(vertices, count & ~1, kept.get());
    return [kept] { DrawLines(kept->data(), static_cast<int>(kept->size())); };
  };
  return {lines, prepare};
}

void ConnectLineSink(TVxMiniVecDraw& draw) { draw.SetLineSink(MakeDrawContextLineSink()); }
