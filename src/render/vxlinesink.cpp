// The outline rasteriser's line output drawn through the drawing context.
#include "render/vxlinesink.h"

#include <memory>
#include <vector>

#include "os/d3d.h"
#include "render/drawcontext.h"

TVxMiniVecDraw::LineSink MakeDrawContextLineSink() {
  // The sink is called once per span run of every glyph: its vertex buffer is kept between calls,
  // and the texture and blend mode are touched only when they are not already the ones it needs,
  // so consecutive runs stay in one batch of the device.
  auto buffer = std::make_shared<std::vector<TTransformedVertex>>();
  return [buffer](const TVxLineVertex* vertices, int count) {
    TDrawContext* draw = TDrawContext::GetInstance();
    if (!vertices || count < 2 || !draw->IsIn2d()) return;
    count &= ~1;  // a line list takes whole pairs
    std::vector<TTransformedVertex>& out = *buffer;
    out.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      out[i] = TTransformedVertex{};
      out[i].x = vertices[i].x;
      out[i].y = vertices[i].y;
      out[i].w = 1.0f;
      out[i].diffuse = vertices[i].color;
    }
    std::shared_ptr<TTexture> saved = draw->GetTexture();
    if (saved) draw->SetTexture(nullptr);
    if (draw->GetBlendMode() != 0) draw->SetBlendMode(0);
    draw->DrawVertices(D3DPT_LINELIST, TVertexSet(out.data(), count));
    if (saved) draw->SetTexture(saved);
  };
}

void ConnectLineSink(TVxMiniVecDraw& draw) { draw.SetLineSink(MakeDrawContextLineSink()); }
