// Vertex layouts and primitive lists of the Direct3D device (see d3d_vertex.h).
#include "os/d3d_vertex.h"

namespace os::dd {

bool LayoutOf(DWORD fvf, Layout* l) {
  // Parts absent from the format must read as absent, not as left by the layout filled before.
  *l = Layout{};
  DWORD position = fvf & 0xE;
  if (position == D3DFVF_XYZRHW) {
    l->transformed = true;
    l->stride = 16;
  } else if (position == D3DFVF_XYZ) {
    l->stride = 12;
  } else {
    return false;
  }
  if (fvf & D3DFVF_RESERVED1) l->stride += 4;
  if (fvf & D3DFVF_NORMAL) { l->normal = l->stride; l->stride += 12; }
  if (fvf & D3DFVF_DIFFUSE) { l->diffuse = l->stride; l->stride += 4; }
  if (fvf & D3DFVF_SPECULAR) { l->specular = l->stride; l->stride += 4; }
  int texCount = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  if (texCount > 0) { l->tex = l->stride; l->stride += 8 * texCount; }
  return true;
}

GLenum PrimitiveOf(D3DPRIMITIVETYPE t) {
  switch (t) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
  }
  return GL_INVALID_ENUM;
}

GLenum ListOf(D3DPRIMITIVETYPE t) {
  switch (t) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST:
    case D3DPT_LINESTRIP: return GL_LINES;
    default: return GL_TRIANGLES;
  }
}

void Unroll(D3DPRIMITIVETYPE type, DWORD n, int stride, const uint8_t* v, VertexBytes* out) {
  if (IsList(type)) {
    const size_t bytes = UnrolledCount(type, n) * size_t(stride), at = out->size();
    out->resize(at + bytes);
    if (bytes) std::memcpy(out->data() + at, v, bytes);
    return;
  }
  Unroll(type, n, stride, [&](DWORD i) { return v + size_t(i) * size_t(stride); }, out);
}

}  // namespace os::dd
