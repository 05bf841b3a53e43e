// Direct3D's flexible vertex formats and primitive kinds as the device hands them to GL: where each
// part of a vertex lies, and fans and strips unrolled into lists so that consecutive calls can be
// drawn as one. Internal to src/os.
#pragma once
#include <cstring>
#include <vector>

#include "os/d3d.h"
#include "os/gl.h"

namespace os::dd {

// Byte offsets of a flexible vertex format's parts (-1: absent).
struct Layout {
  int stride = 0, normal = -1, diffuse = -1, specular = -1, tex = -1;
  bool transformed = false;
};

// False for a format without a position the device can draw.
bool LayoutOf(DWORD fvf, Layout* l);

// GL's primitive for a Direct3D primitive type (GL_INVALID_ENUM for none).
GLenum PrimitiveOf(D3DPRIMITIVETYPE t);
// The list primitive a primitive type unrolls into.
GLenum ListOf(D3DPRIMITIVETYPE t);

// Appends the vertices of one primitive call as a list: vertex i of the call is `at(i)`. Triangle
// fans and strips keep GL's own vertex order for each triangle (so winding and the flat-shading
// vertex stay), line strips become pairs.
template <class At>
void Unroll(D3DPRIMITIVETYPE type, DWORD n, int stride, At at, std::vector<uint8_t>* out) {
  size_t vertices = 0;
  switch (type) {
    case D3DPT_TRIANGLEFAN:
    case D3DPT_TRIANGLESTRIP: vertices = n >= 3 ? size_t(n - 2) * 3 : 0; break;
    case D3DPT_LINESTRIP: vertices = n >= 2 ? size_t(n - 1) * 2 : 0; break;
    case D3DPT_TRIANGLELIST: vertices = n / 3 * 3; break;
    case D3DPT_LINELIST: vertices = n / 2 * 2; break;
    default: vertices = n; break;
  }
  size_t at0 = out->size();
  out->resize(at0 + vertices * size_t(stride));
  uint8_t* to = out->data() + at0;
  auto put = [&](DWORD i) {
    std::memcpy(to, at(i), size_t(stride));
    to += stride;
  };
  switch (type) {
    case D3DPT_TRIANGLEFAN:
      for (DWORD i = 0; i + 2 < n; ++i) put(0), put(i + 1), put(i + 2);
      break;
    case D3DPT_TRIANGLESTRIP:
      for (DWORD i = 0; i + 2 < n; ++i) {
        if (i % 2 == 0) put(i), put(i + 1), put(i + 2);
        else put(i + 1), put(i), put(i + 2);
      }
      break;
    case D3DPT_LINESTRIP:
      for (DWORD i = 0; i + 1 < n; ++i) put(i), put(i + 1);
      break;
    default:
      for (DWORD i = 0; i < vertices; ++i) put(i);
      break;
  }
}

// The same for vertices stored one after another: lists are copied whole.
void Unroll(D3DPRIMITIVETYPE type, DWORD n, int stride, const uint8_t* v, std::vector<uint8_t>* out);

}  // namespace os::dd
