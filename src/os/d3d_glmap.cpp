// Direct3D state in GL terms (see d3d_glmap.h).
#include "os/d3d_glmap.h"

#include "os/ddraw_internal.h"

namespace os::dd {

GLuint WhiteTexture() {
  static GLuint tex = 0;
  if (!tex && os::gl::OnGlThread()) {
    const uint32_t white = 0xFFFFFFFFu;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &white);
  }
  return tex;
}

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1;
  return m;
}

// Row-vector product a * b.
D3DMATRIX Mul(const D3DMATRIX& a, const D3DMATRIX& b) {
  const float* x = &a._11;
  const float* y = &b._11;
  D3DMATRIX r{};
  float* o = &r._11;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += x[i * 4 + k] * y[k * 4 + j];
      o[i * 4 + j] = s;
    }
  return r;
}

GLenum BlendOf(DWORD b) {
  switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    default: return GL_ONE;
  }
}

GLenum CompareOf(DWORD c) {
  static const GLenum kMap[] = {GL_ALWAYS, GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL,
                                GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
  return c < 9 ? kMap[c] : GL_ALWAYS;
}

GLint AddressOf(DWORD a) {
  if (a == D3DTADDRESS_CLAMP) return GL_CLAMP_TO_EDGE;
  if (a == D3DTADDRESS_MIRROR) return GL_MIRRORED_REPEAT;
  return GL_REPEAT;
}

void ColorOf(D3DCOLOR c, float out[4]) {
  out[0] = (c >> 16 & 0xFF) / 255.f;
  out[1] = (c >> 8 & 0xFF) / 255.f;
  out[2] = (c & 0xFF) / 255.f;
  out[3] = (c >> 24) / 255.f;
}

// One half (colour or alpha) of stage 0 as a GL_COMBINE texture environment.
void Combine(bool alpha, DWORD op, DWORD arg1, DWORD arg2) {
  auto source = [](DWORD arg) -> GLint {
    switch (arg & D3DTA_SELECTMASK) {
      case D3DTA_CURRENT: return GL_PREVIOUS;   // stage 0: the diffuse colour
      case D3DTA_TEXTURE: return GL_TEXTURE;
      case D3DTA_TFACTOR: return GL_CONSTANT;
      default: return GL_PRIMARY_COLOR;          // diffuse (specular is summed after the stage)
    }
  };
  auto operand = [alpha](DWORD arg) -> GLint {
    bool complement = arg & D3DTA_COMPLEMENT;
    if (alpha || (arg & D3DTA_ALPHAREPLICATE)) return complement ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    return complement ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
  };
  GLenum combine = alpha ? GL_COMBINE_ALPHA : GL_COMBINE_RGB;
  GLenum src0 = alpha ? GL_SOURCE0_ALPHA : GL_SOURCE0_RGB, src1 = alpha ? GL_SOURCE1_ALPHA : GL_SOURCE1_RGB;
  GLenum opd0 = alpha ? GL_OPERAND0_ALPHA : GL_OPERAND0_RGB, opd1 = alpha ? GL_OPERAND1_ALPHA : GL_OPERAND1_RGB;
  GLenum scale = alpha ? GL_ALPHA_SCALE : GL_RGB_SCALE;
  GLint mode = GL_MODULATE;
  DWORD a = arg1, b = arg2;
  float factor = 1;
  switch (op) {
    case D3DTOP_SELECTARG1: mode = GL_REPLACE; break;
    case D3DTOP_SELECTARG2: mode = GL_REPLACE; a = arg2; break;
    case D3DTOP_MODULATE2X: factor = 2; break;
    case D3DTOP_MODULATE4X: factor = 4; break;
    case D3DTOP_ADD: mode = GL_ADD; break;
    case D3DTOP_MODULATE: break;
    default: mode = GL_REPLACE; a = D3DTA_CURRENT; break;   // disabled: pass the diffuse on
  }
  glTexEnvi(GL_TEXTURE_ENV, combine, mode);
  glTexEnvi(GL_TEXTURE_ENV, src0, source(a));
  glTexEnvi(GL_TEXTURE_ENV, opd0, operand(a));
  glTexEnvi(GL_TEXTURE_ENV, src1, source(b));
  glTexEnvi(GL_TEXTURE_ENV, opd1, operand(b));
  glTexEnvf(GL_TEXTURE_ENV, scale, factor);
}

// Whether one half (colour or alpha) of stage 0 hands on the diffuse colour unchanged when its
// texture reads as opaque white.
bool PassesDiffuse(bool alpha, DWORD op, DWORD arg1, DWORD arg2) {
  auto diffuse = [alpha](DWORD a) {
    DWORD s = a & D3DTA_SELECTMASK;
    return (s == D3DTA_DIFFUSE || s == D3DTA_CURRENT) && !(a & D3DTA_COMPLEMENT) &&
           (alpha || !(a & D3DTA_ALPHAREPLICATE));
  };
  auto white = [](DWORD a) { return (a & D3DTA_SELECTMASK) == D3DTA_TEXTURE && !(a & D3DTA_COMPLEMENT); };
  switch (op) {
    case D3DTOP_SELECTARG1: return diffuse(arg1);
    case D3DTOP_SELECTARG2: return diffuse(arg2);
    case D3DTOP_MODULATE: return (diffuse(arg1) && white(arg2)) || (white(arg1) && diffuse(arg2));
    case D3DTOP_DISABLE: return alpha;
    default: return false;
  }
}

}  // namespace os::dd
