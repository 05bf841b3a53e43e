// Recognises a draw that paints every pixel of the viewport with one colour: a quad of one solid
// colour covering the viewport under states that write that colour unchanged. Such a draw is
// carried out as a clear, which costs the renderer no pass over the pixels. Internal to src/os.
#pragma once
#include <cstdint>

#include "os/d3d.h"

namespace os::dd {

struct CoverDraw {
  const uint8_t* vertices = nullptr;   // four vertices of a triangle fan
  int stride = 0, diffuse = -1, specular = -1;   // byte offsets, -1: absent
  bool transformed = false;            // screen coordinates (x, y, z, rhw)
  const DWORD* renderStates = nullptr;
  const DWORD* stage = nullptr;        // stage 0's states
  bool textured = false;               // stage 0 samples a surface
  D3DMATRIX world{}, view{}, projection{};
  D3DVIEWPORT7 viewport{};
};

// True when the draw paints the whole viewport with one colour, given in `argb`.
bool PaintsViewportSolid(const CoverDraw& draw, uint32_t* argb);
// True when the draw writes every pixel of the viewport with a value that does not depend on the
// pixel there before (opaque: alpha 1 through stage 0, a blend that drops the destination).
// `opaqueTexture`: stage 0's texture, if it samples one, has alpha 1 everywhere.
bool PaintsViewportOpaque(const CoverDraw& draw, bool opaqueTexture);
// True when `count` vertices from `draw.vertices` come out of stage 0 with alpha 1 and the blend
// would only keep the source over the destination: drawn without blending, the pixels are the same.
bool BlendsAsOpaque(const CoverDraw& draw, size_t count, bool opaqueTexture);

}  // namespace os::dd
