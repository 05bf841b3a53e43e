// The outline rasteriser's line output drawn through the drawing context.
#include "render/vxlinesink.h"

#include <vector>

#include "os/d3d.h"
#include "render/drawcontext.h"

TVxMiniVecDraw::LineSink MakeDrawContextLineSink() {
  return [](const TVxLineVertex* vertices, int count) {
    TDrawContext* draw = TDrawContext::GetInstance();
    if (!vertices || count < 2 || !draw->IsIn2d()) return;
    count &= ~1;  // a line list takes whole pairs
    std::vector<TTransformedVertex> out(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      out[i].x = vertices[i].x;
      out[i].y = vertices[i].y;
      out[i].w = 1.0f;
      out[i].diffuse = vertices[i].color;
    }
    std::shared_ptr<TTexture> saved = draw->GetTexture();
    draw->SetTexture(nullptr);
    draw->SetBlendMode(0);
    draw->DrawVertices(D3DPT_LINELIST, TVertexSet(out.data(), count));
    draw->SetTexture(saved);
  };
}

void ConnectLineSink(TVxMiniVecDraw& draw) { draw.SetLineSink(MakeDrawContextLineSink()); }
