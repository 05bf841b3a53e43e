// A solid quad over the whole viewport, found by following the device's own mapping: the vertices
// through the matrices and the viewport to window coordinates, the colour through stage 0 and the
// blend. Anything whose result is not exact in eight bits (scaled products, a sampled texture,
// lighting, a culled or partly covering quad) is left to be drawn.
#include "os/d3d_cover.h"

#include <cstring>

namespace os::dd {
namespace {

struct Rgba {
  int c[4];   // r, g, b, a: 0..255
};

Rgba Unpack(uint32_t argb) {
  return Rgba{{int(argb >> 16 & 0xFF), int(argb >> 8 & 0xFF), int(argb & 0xFF), int(argb >> 24)}};
}

// One argument of stage 0 for channel `ch` (3: alpha). The device maps "current" at stage 0, and
// every argument it does not know, to the diffuse colour.
int Argument(DWORD arg, int ch, bool alphaHalf, const Rgba& diffuse, const Rgba& factor) {
  const Rgba* from = &diffuse;
  static const Rgba kWhite{{255, 255, 255, 255}};
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_TEXTURE: from = &kWhite; break;
    case D3DTA_TFACTOR: from = &factor; break;
    default: break;
  }
  int v = (alphaHalf || (arg & D3DTA_ALPHAREPLICATE)) ? from->c[3] : from->c[ch];
  return (arg & D3DTA_COMPLEMENT) ? 255 - v : v;
}

// Stage 0's result for one channel; false when it is not exact.
bool Stage(const DWORD* t, int ch, const Rgba& diffuse, const Rgba& factor, int* out) {
  bool alpha = ch == 3;
  DWORD op = t[alpha ? D3DTSS_ALPHAOP : D3DTSS_COLOROP];
  DWORD arg1 = t[alpha ? D3DTSS_ALPHAARG1 : D3DTSS_COLORARG1], arg2 = t[alpha ? D3DTSS_ALPHAARG2 : D3DTSS_COLORARG2];
  int a = Argument(arg1, ch, alpha, diffuse, factor), b = Argument(arg2, ch, alpha, diffuse, factor);
  switch (op) {
    case D3DTOP_SELECTARG1: *out = a; return true;
    case D3DTOP_SELECTARG2: *out = b; return true;
    case D3DTOP_MODULATE:
      // Exact only when one side is 0 or 1.
      if (a == 255 || b == 0) *out = b;
      else if (b == 255 || a == 0) *out = a;
      else return false;
      return true;
    case D3DTOP_MODULATE2X:
    case D3DTOP_MODULATE4X:
    case D3DTOP_ADD:
      return false;
    default:
      *out = Argument(D3DTA_CURRENT, ch, alpha, diffuse, factor);
      return true;
  }
}

bool AlphaTestPasses(DWORD func, int alpha, int ref) {
  if (func == D3DCMP_ALWAYS) return true;
  if (alpha == ref) return false;
  switch (func) {
    case D3DCMP_LESS:
    case D3DCMP_LESSEQUAL: return alpha < ref;
    case D3DCMP_GREATER:
    case D3DCMP_GREATEREQUAL: return alpha > ref;
    case D3DCMP_NOTEQUAL: return true;
    default: return false;
  }
}

// Window coordinates of a vertex as the device's projection puts it; false when it is clipped by
// depth or lies behind the eye.
bool ToWindow(const CoverDraw& d, const float* v, double* x, double* y) {
  const D3DVIEWPORT7& vp = d.viewport;
  if (d.transformed) {
    // Pixel centres lie on whole coordinates; the window's lie half a pixel further.
    if (v[2] < 0 || v[2] > 1) return false;
    *x = double(v[0]) + 0.5;
    *y = double(v[1]) + 0.5;
    return true;
  }
  double in[4] = {v[0], v[1], v[2], 1}, mid[4], clip[4];
  auto apply = [](const double* row, const D3DMATRIX& m, double* out) {
    const float* e = &m._11;
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += row[k] * e[k * 4 + j];
      out[j] = s;
    }
  };
  apply(in, d.world, mid);
  apply(mid, d.view, clip);
  std::memcpy(mid, clip, sizeof mid);
  apply(mid, d.projection, clip);
  double w = clip[3];
  if (!(w > 0)) return false;
  // The device's correction: y flipped, half a pixel towards the centres, depth 0..1 to -1..1.
  double nx = clip[0] / w + 1.0 / vp.dwWidth, ny = -clip[1] / w + 1.0 / vp.dwHeight, nz = 2 * clip[2] / w - 1;
  if (nz < -1 || nz > 1) return false;
  *x = vp.dwX + (nx + 1) * vp.dwWidth / 2;
  *y = vp.dwY + (ny + 1) * vp.dwHeight / 2;
  return true;
}

bool CoversViewport(const CoverDraw& d);

}  // namespace

bool PaintsViewportSolid(const CoverDraw& d, uint32_t* argb) {
  const DWORD* rs = d.renderStates;
  const DWORD* t = d.stage;
  bool lit = rs[D3DRENDERSTATE_LIGHTING] && !d.transformed;
  if (lit || rs[D3DRENDERSTATE_ZENABLE]) return false;
  if (rs[D3DRENDERSTATE_CULLMODE] == D3DCULL_CW || rs[D3DRENDERSTATE_CULLMODE] == D3DCULL_CCW) return false;
  // One diffuse colour, no specular sum.
  uint32_t colour = 0xFFFFFFFFu;
  for (int i = 0; i < 4; ++i) {
    const uint8_t* v = d.vertices + size_t(i) * d.stride;
    uint32_t c = 0xFFFFFFFFu, s = 0;
    if (d.diffuse >= 0) std::memcpy(&c, v + d.diffuse, 4);
    if (d.specular >= 0) std::memcpy(&s, v + d.specular, 4);
    if (i > 0 && c != colour) return false;
    colour = c;
    if (rs[D3DRENDERSTATE_SPECULARENABLE] && d.specular >= 0 && (s & 0xFFFFFF)) return false;
  }
  Rgba diffuse = Unpack(colour), factor = Unpack(rs[D3DRENDERSTATE_TEXTUREFACTOR]), out = diffuse;
  if (t[D3DTSS_COLOROP] != D3DTOP_DISABLE) {
    if (d.textured) return false;
    for (int ch = 0; ch < 4; ++ch)
      if (!Stage(t, ch, diffuse, factor, &out.c[ch])) return false;
  }
  // The alpha test must pass; a tie is left to the renderer's own comparison.
  if (rs[D3DRENDERSTATE_ALPHATESTENABLE] && !AlphaTestPasses(rs[D3DRENDERSTATE_ALPHAFUNC], out.c[3],
                                                             int(rs[D3DRENDERSTATE_ALPHAREF] & 0xFF)))
    return false;
  // The blend must keep the source as it is and drop the destination.
  if (rs[D3DRENDERSTATE_ALPHABLENDENABLE]) {
    DWORD src = rs[D3DRENDERSTATE_SRCBLEND], dst = rs[D3DRENDERSTATE_DESTBLEND];
    bool opaque = out.c[3] == 255;
    bool keeps = src == D3DBLEND_ONE || (src == D3DBLEND_SRCALPHA && opaque);
    bool drops = dst == D3DBLEND_ZERO || (dst == D3DBLEND_INVSRCALPHA && opaque);
    if (!keeps || !drops) return false;
  }
  if (!CoversViewport(d)) return false;
  *argb = uint32_t(out.c[3]) << 24 | uint32_t(out.c[0]) << 16 | uint32_t(out.c[1]) << 8 | uint32_t(out.c[2]);
  return true;
}

namespace {
// Every one of `count` vertices comes out of stage 0 with alpha 1 (so does every pixel between
// them), and the blend, if on, keeps such a source and drops the destination.
bool OpaqueSource(const CoverDraw& d, size_t count, bool opaqueTexture) {
  const DWORD* rs = d.renderStates;
  const DWORD* t = d.stage;
  bool lit = rs[D3DRENDERSTATE_LIGHTING] && !d.transformed;
  if (lit) return false;
  if (rs[D3DRENDERSTATE_ALPHABLENDENABLE]) {
    DWORD src = rs[D3DRENDERSTATE_SRCBLEND], dst = rs[D3DRENDERSTATE_DESTBLEND];
    bool keeps = src == D3DBLEND_ONE || src == D3DBLEND_SRCALPHA;
    bool drops = dst == D3DBLEND_ZERO || dst == D3DBLEND_INVSRCALPHA;
    if (!keeps || !drops) return false;
  }
  const Rgba factor = Unpack(rs[D3DRENDERSTATE_TEXTUREFACTOR]);
  bool stage = t[D3DTSS_COLOROP] != D3DTOP_DISABLE;
  if (stage && d.textured && !opaqueTexture) return false;
  if (stage && t[D3DTSS_ALPHAOP] == D3DTOP_DISABLE) return false;   // left to the driver
  uint32_t last = 0;
  for (size_t i = 0; i < count; ++i) {
    uint32_t c = 0xFFFFFFFFu;
    if (d.diffuse >= 0) std::memcpy(&c, d.vertices + i * size_t(d.stride) + d.diffuse, 4);
    if (i > 0 && c == last) continue;
    last = c;
    Rgba diffuse = Unpack(c);
    int alpha = diffuse.c[3];
    if (stage && !Stage(t, 3, diffuse, factor, &alpha)) return false;
    if (alpha != 255) return false;
  }
  return true;
}
}  // namespace

bool PaintsViewportOpaque(const CoverDraw& d, bool opaqueTexture) {
  const DWORD* rs = d.renderStates;
  if (rs[D3DRENDERSTATE_ZENABLE]) return false;
  if (rs[D3DRENDERSTATE_CULLMODE] == D3DCULL_CW || rs[D3DRENDERSTATE_CULLMODE] == D3DCULL_CCW) return false;
  // Only alpha matters: it must be 1 at every corner, so everywhere between them.
  if (!OpaqueSource(d, 4, opaqueTexture)) return false;
  if (rs[D3DRENDERSTATE_ALPHATESTENABLE] &&
      !AlphaTestPasses(rs[D3DRENDERSTATE_ALPHAFUNC], 255, int(rs[D3DRENDERSTATE_ALPHAREF] & 0xFF)))
    return false;
  return CoversViewport(d);
}

bool BlendsAsOpaque(const CoverDraw& d, size_t count, bool opaqueTexture) {
  return d.renderStates[D3DRENDERSTATE_ALPHABLENDENABLE] && OpaqueSource(d, count, opaqueTexture);
}

namespace {
// The quad: an axis-aligned rectangle (opposite corners 0 and 2, 1 and 3) holding every pixel
// centre of the viewport inside.
bool CoversViewport(const CoverDraw& d) {
  double x[4], y[4];
  for (int i = 0; i < 4; ++i) {
    float v[3];
    std::memcpy(v, d.vertices + size_t(i) * d.stride, sizeof v);
    if (!ToWindow(d, v, &x[i], &y[i])) return false;
  }
  bool rectangle = (x[0] == x[1] && y[1] == y[2] && x[2] == x[3] && y[3] == y[0]) ||
                   (y[0] == y[1] && x[1] == x[2] && y[2] == y[3] && x[3] == x[0]);
  if (!rectangle || x[0] == x[2] || y[0] == y[2]) return false;
  double left = x[0] < x[2] ? x[0] : x[2], right = x[0] < x[2] ? x[2] : x[0];
  double top = y[0] < y[2] ? y[0] : y[2], bottom = y[0] < y[2] ? y[2] : y[0];
  // Rasterisers snap vertices to a sub-pixel grid (1/16 pixel or finer), so a centre within that
  // of an edge might fall either way.
  const D3DVIEWPORT7& vp = d.viewport;
  const double snap = 1.0 / 16;
  if (!(left <= vp.dwX + 0.5 - snap && right >= vp.dwX + vp.dwWidth - 0.5 + snap && top <= vp.dwY + 0.5 - snap &&
        bottom >= vp.dwY + vp.dwHeight - 0.5 + snap))
    return false;
  return true;
}
}  // namespace

}  // namespace os::dd
