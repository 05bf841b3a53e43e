// Direct3D's flexible vertex formats and primitive kinds as the device hands them to GL: where each
// part of a vertex lies, and fans and strips unrolled into lists so that consecutive calls can be
// drawn as one. Internal to src/os.
#pragma once
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "os/d3d.h"
#include "os/gl.h"

namespace os::dd {

// Leaves elements that a vector grows by uninitialised: the vertex bytes are written right after.
template <class T>
struct UninitAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitAllocator<U>;
  };
  UninitAllocator() = default;
  template <class U>
  UninitAllocator(const UninitAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
// Vertices as the device gathers them: bytes in the caller's layout.
using VertexBytes = std::vector<uint8_t, UninitAllocator<uint8_t>>;

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

// Whether a primitive type is drawn as a list already.
inline bool IsList(D3DPRIMITIVETYPE t) {
  return t == D3DPT_TRIANGLELIST || t == D3DPT_LINELIST || t == D3DPT_POINTLIST;
}

// The vertices `n` vertices of a primitive type unroll into (whole primitives only).
inline size_t UnrolledCount(D3DPRIMITIVETYPE type, DWORD n) {
  switch (type) {
    case D3DPT_TRIANGLEFAN:
    case D3DPT_TRIANGLESTRIP: return n >= 3 ? size_t(n - 2) * 3 : 0;
    case D3DPT_LINESTRIP: return n >= 2 ? size_t(n - 1) * 2 : 0;
    case D3DPT_TRIANGLELIST: return n / 3 * 3;
    case D3DPT_LINELIST: return n / 2 * 2;
    default: return n;
  }
}

// Appends the vertices of one primitive call as a list: vertex i of the call is `at(i)`. Triangle
// fans and strips keep GL's own vertex order for each triangle (so winding and the flat-shading
// vertex stay), line strips become pairs.
template <class At>
void Unroll(D3DPRIMITIVETYPE type, DWORD n, int stride, At at, VertexBytes* out) {
  const size_t vertices = UnrolledCount(type, n);
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
void Unroll(D3DPRIMITIVETYPE type, DWORD n, int stride, const uint8_t* v, VertexBytes* out);

}  // namespace os::dd
