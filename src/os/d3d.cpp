// Direct3D 7 of the stand-in over fixed-function GL. The device keeps Direct3D's state (render
// states, stage states, matrices, viewport, material) and applies all of it before each GL draw, so
// GL state changed elsewhere (presenting, copies) never leaks into drawing. Consecutive primitives
// drawn under the same state are gathered into one vertex list (fans and strips unrolled into lists)
// and handed to GL in one draw when anything could tell the difference: a state change, a new
// target, a clear, the scene's end, or any surface operation (see FlushPendingDraws). GL draws the
// list's primitives in order, so the pixels are those of separate draws. Batches ended by a state
// change or the scene's end wait in a frame log (d3d_frame.h) until the present, so that a frame
// repeating the one on screen is never drawn; anything else that needs the pixels draws them first.
// Framebuffer rows run top-down, so the projection flips y; it also moves pixel centres to integer
// coordinates and maps Direct3D's depth range 0..1 onto GL's -1..1.
#include <algorithm>
#include <cstring>

#include "os/d3d_cover.h"
#include "os/d3d_frame.h"
#include "os/ddraw_internal.h"

const GUID IID_IDirect3D7 = {0x7a11d003, 0x0d07, 0x4c1e, {0x9a, 0x52, 0x11, 0x30, 0x07, 0xd0, 0x00, 0x07}};
const GUID IID_IDirect3DHALDevice = {0x7a11d004, 0x0d07, 0x4c1e, {0x9a, 0x52, 0x11, 0x30, 0x07, 0xd0, 0x00, 0x07}};
const GUID IID_IDirect3DTnLHalDevice = {0x7a11d005, 0x0d07, 0x4c1e, {0x9a, 0x52, 0x11, 0x30, 0x07, 0xd0, 0x00, 0x07}};
const GUID IID_IDirect3DRGBDevice = {0x7a11d006, 0x0d07, 0x4c1e, {0x9a, 0x52, 0x11, 0x30, 0x07, 0xd0, 0x00, 0x07}};

namespace os::dd {

const GUID kHalDeviceGuid = IID_IDirect3DHALDevice;

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

D3DDEVICEDESC7 DeviceDesc() {
  {
    std::lock_guard<std::recursive_mutex> lk(Mutex());
    if (Config().deviceDesc) return *Config().deviceDesc;
  }
  D3DDEVICEDESC7 d{};
  GLint maxSize = 2048;
  if (os::gl::OnGlThread()) glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  maxSize = std::min(maxSize, 16384);
  d.dwDevCaps = D3DDEVCAPS_HWRASTERIZATION;
  for (D3DPRIMCAPS* p : {&d.dpcLineCaps, &d.dpcTriCaps}) {
    p->dwSize = sizeof(D3DPRIMCAPS);
    p->dwShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB;
  }
  d.dwDeviceRenderBitDepth = DDBD_16 | DDBD_32;
  d.dwDeviceZBufferBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  d.dwMinTextureWidth = d.dwMinTextureHeight = 1;
  d.dwMaxTextureWidth = d.dwMaxTextureHeight = static_cast<DWORD>(maxSize);
  d.dwMaxTextureRepeat = d.dwMaxTextureAspectRatio = static_cast<DWORD>(maxSize);
  d.dwFVFCaps = 1;
  d.wMaxTextureBlendStages = 1;
  d.wMaxSimultaneousTextures = 1;
  d.dwMaxActiveLights = 0;
  d.dvMaxVertexW = 1e10f;
  d.deviceGUID = kHalDeviceGuid;
  return d;
}

namespace {

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

GLint AddressOf(DWORD a) {
  if (a == D3DTADDRESS_CLAMP) return GL_CLAMP_TO_EDGE;
  if (a == D3DTADDRESS_MIRROR) return GL_MIRRORED_REPEAT;
  return GL_REPEAT;
}

// Byte offsets of a flexible vertex format's parts (-1: absent).
struct Layout {
  int stride = 0, normal = -1, diffuse = -1, specular = -1, tex = -1;
  bool transformed = false;
};

bool LayoutOf(DWORD fvf, Layout* l) {
  // Filled afresh: a layout reused for batches of other formats keeps nothing of the last one.
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

class Direct3D;
class Device;

Device* gPendingDevice = nullptr;  // the device holding gathered primitives, if any
long gDrawCalls = 0;               // GL draws issued by all devices

// The list primitive a primitive type unrolls into.
GLenum ListOf(D3DPRIMITIVETYPE t) {
  switch (t) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST:
    case D3DPT_LINESTRIP: return GL_LINES;
    default: return GL_TRIANGLES;
  }
}

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
void Unroll(D3DPRIMITIVETYPE type, DWORD n, int stride, const uint8_t* v, std::vector<uint8_t>* out) {
  if (type == D3DPT_TRIANGLELIST || type == D3DPT_LINELIST || type == D3DPT_POINTLIST) {
    DWORD whole = type == D3DPT_TRIANGLELIST ? n / 3 * 3 : type == D3DPT_LINELIST ? n / 2 * 2 : n;
    out->insert(out->end(), v, v + size_t(whole) * size_t(stride));
    return;
  }
  Unroll(type, n, stride, [&](DWORD i) { return v + size_t(i) * size_t(stride); }, out);
}

// The vertex arrays a draw reads besides positions and diffuse colours.
struct Arrays {
  bool normal = false, specular = false, tex = false;
};

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

class Device final : public ComObject<IDirect3DDevice7> {
 public:
  Device(IDirect3D7* d3d, Surface* target) : mD3D(d3d) {
    mD3D->AddRef();
    target->AddRef();
    mTarget = target;
    mWorld = mView = mProjection = Identity();
    mMaterial = D3DMATERIAL7{};
    std::memset(mRs, 0, sizeof mRs);
    std::memset(mTss, 0, sizeof mTss);
    bool hasDepth = target->HasDepth();
    mRs[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = TRUE;
    mRs[D3DRENDERSTATE_ZENABLE] = hasDepth ? TRUE : FALSE;
    mRs[D3DRENDERSTATE_FILLMODE] = 3;
    mRs[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
    mRs[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
    mRs[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    mRs[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    mRs[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
    mRs[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
    mRs[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
    mRs[D3DRENDERSTATE_TEXTUREFACTOR] = 0xFFFFFFFFu;
    mRs[D3DRENDERSTATE_LIGHTING] = TRUE;
    mRs[D3DRENDERSTATE_COLORVERTEX] = TRUE;
    mRs[D3DRENDERSTATE_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    mRs[D3DRENDERSTATE_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    for (int s = 0; s < kStages; ++s) {
      mTss[s][D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
      mTss[s][D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
      mTss[s][D3DTSS_COLORARG1] = mTss[s][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
      mTss[s][D3DTSS_COLORARG2] = mTss[s][D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
      mTss[s][D3DTSS_ADDRESS] = mTss[s][D3DTSS_ADDRESSU] = mTss[s][D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
      mTss[s][D3DTSS_MAGFILTER] = D3DTFG_POINT;
      mTss[s][D3DTSS_MINFILTER] = D3DTFN_POINT;
      mTss[s][D3DTSS_MIPFILTER] = D3DTFP_NONE;
    }
    FullViewport();
  }

  HRESULT QueryInterface(REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT GetCaps(LPD3DDEVICEDESC7 desc) override {
    if (!desc) return DDERR_INVALIDPARAMS;
    *desc = DeviceDesc();
    return D3D_OK;
  }

  HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) override {
    if (!callback) return DDERR_INVALIDPARAMS;
    std::vector<DDPIXELFORMAT> list;
    {
      std::lock_guard<std::recursive_mutex> lk(Mutex());
      list = Config().textureFormats;
    }
    if (list.empty()) {
      list = {MakeRgbFormat(32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF), MakeRgbFormat(32, 0, 0xFF0000, 0xFF00, 0xFF),
              MakeRgbFormat(16, 0xF000, 0x0F00, 0x00F0, 0x000F), MakeRgbFormat(16, 0x8000, 0x7C00, 0x03E0, 0x001F),
              MakeRgbFormat(16, 0, 0x7C00, 0x03E0, 0x001F), MakeRgbFormat(16, 0, 0xF800, 0x07E0, 0x001F)};
      DDPIXELFORMAT l8{}, a8l8{};
      l8.dwSize = a8l8.dwSize = sizeof(DDPIXELFORMAT);
      l8.dwFlags = DDPF_LUMINANCE;
      l8.dwLuminanceBitCount = 8;
      l8.dwLuminanceBitMask = 0xFF;
      a8l8.dwFlags = DDPF_LUMINANCE | DDPF_ALPHAPIXELS;
      a8l8.dwLuminanceBitCount = 16;
      a8l8.dwLuminanceBitMask = 0xFF;
      a8l8.dwLuminanceAlphaBitMask = 0xFF00;
      list.push_back(l8);
      list.push_back(a8l8);
    }
    for (DDPIXELFORMAT& f : list)
      if (callback(&f, context) == D3DENUMRET_CANCEL) break;
    return D3D_OK;
  }

  HRESULT BeginScene() override {
    if (HRESULT hr = DxFault("BeginScene"); FAILED(hr)) return hr;
    if (mInScene) return D3DERR_SCENE_IN_SCENE;
    if (mTarget->Lost()) return DDERR_SURFACELOST;
    mInScene = true;
    return D3D_OK;
  }

  HRESULT EndScene() override {
    CloseBatch();
    if (HRESULT hr = DxFault("EndScene"); FAILED(hr)) {
      mInScene = false;
      return hr;
    }
    if (!mInScene) return D3DERR_SCENE_NOT_IN_SCENE;
    mInScene = false;
    return TakeDeferredError();
  }

  HRESULT GetDirect3D(LPDIRECT3D7* out) override {
    if (!out) return DDERR_INVALIDPARAMS;
    mD3D->AddRef();
    *out = mD3D;
    return D3D_OK;
  }

  HRESULT SetRenderTarget(LPDIRECTDRAWSURFACE7 target, DWORD) override {
    if (!target) return DDERR_INVALIDPARAMS;
    if (HRESULT hr = DxFault("SetRenderTarget"); FAILED(hr)) return hr;
    Surface* s = AsSurface(target);
    if (!s->IsRenderable()) return DDERR_INVALIDCAPS;
    if (s->Lost()) return DDERR_SURFACELOST;
    Flush();
    s->AddRef();
    mTarget->Release();
    mTarget = s;
    FullViewport();
    return D3D_OK;
  }

  HRESULT GetRenderTarget(LPDIRECTDRAWSURFACE7* out) override {
    if (!out) return DDERR_INVALIDPARAMS;
    mTarget->AddRef();
    *out = mTarget;
    return D3D_OK;
  }

  HRESULT Clear(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR color, D3DVALUE z, DWORD) override {
    if (mTarget->Lost()) return DDERR_SURFACELOST;
    Flush();
    // A depth-only clear leaves the colour alone; one rectangle over the whole target replaces it.
    bool whole = (!count || !rects || (count == 1 && rects[0].x1 <= 0 && rects[0].y1 <= 0 &&
                                       rects[0].x2 >= mTarget->Width() && rects[0].y2 >= mTarget->Height())) &&
                 mViewport.dwX == 0 && mViewport.dwY == 0 && LONG(mViewport.dwWidth) == mTarget->Width() &&
                 LONG(mViewport.dwHeight) == mTarget->Height();
    Surface::Change change = Surface::Change::None;
    if (flags & D3DCLEAR_TARGET) change = whole ? Surface::Change::Whole : Surface::Change::Part;
    // The whole depth buffer cleared waits for the next draw that tests depth.
    Surface* depth = mTarget->DepthBuffer();
    if ((flags & D3DCLEAR_ZBUFFER) && depth && whole && depth->Width() == mTarget->Width() &&
        depth->Height() == mTarget->Height()) {
      depth->NoteDepthClear(z);
      flags &= ~DWORD(D3DCLEAR_ZBUFFER);
      if (!(flags & D3DCLEAR_TARGET)) return D3D_OK;
    }
    if (!os::gl::OnGlThread() || !mTarget->BindAsTarget(change)) return DDERR_GENERIC;
    if ((flags & D3DCLEAR_ZBUFFER) && depth) depth->ApplyDepthClear();
    std::vector<D3DRECT> list;
    D3DRECT vp{LONG(mViewport.dwX), LONG(mViewport.dwY), LONG(mViewport.dwX + mViewport.dwWidth),
               LONG(mViewport.dwY + mViewport.dwHeight)};
    if (count && rects) list.assign(rects, rects + count);
    else list.push_back(vp);
    float c[4];
    ColorOf(color, c);
    glClearColor(c[0], c[1], c[2], c[3]);
    glClearDepth(z);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    GLbitfield bits = ((flags & D3DCLEAR_TARGET) ? GL_COLOR_BUFFER_BIT : 0) |
                      ((flags & D3DCLEAR_ZBUFFER) ? GL_DEPTH_BUFFER_BIT : 0);
    for (const D3DRECT& r : list) {
      // Direct3D clears only inside the viewport.
      LONG x1 = std::max(r.x1, vp.x1), y1 = std::max(r.y1, vp.y1), x2 = std::min(r.x2, vp.x2), y2 = std::min(r.y2, vp.y2);
      if (x1 >= x2 || y1 >= y2 || !bits) continue;
      // The whole target clears without a scissor, which lets the driver clear without drawing.
      if (x1 == 0 && y1 == 0 && x2 == mTarget->Width() && y2 == mTarget->Height()) glDisable(GL_SCISSOR_TEST);
      else glEnable(GL_SCISSOR_TEST);
      glScissor(x1, y1, x2 - x1, y2 - y1);
      glClear(bits);
    }
    glDisable(GL_SCISSOR_TEST);
    if (flags & D3DCLEAR_TARGET) mTarget->MarkDrawn();
    return D3D_OK;
  }

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE which, LPD3DMATRIX m) override {
    D3DMATRIX* slot = Slot(which);
    if (!slot || !m) return DDERR_INVALIDPARAMS;
    if (std::memcmp(slot, m, sizeof *m) != 0) Changing();
    *slot = *m;
    return D3D_OK;
  }

  HRESULT GetTransform(D3DTRANSFORMSTATETYPE which, LPD3DMATRIX m) override {
    D3DMATRIX* slot = Slot(which);
    if (!slot || !m) return DDERR_INVALIDPARAMS;
    *m = *slot;
    return D3D_OK;
  }

  HRESULT SetViewport(LPD3DVIEWPORT7 vp) override {
    if (!vp) return DDERR_INVALIDPARAMS;
    if (HRESULT hr = DxFault("SetViewport"); FAILED(hr)) return hr;
    uint64_t right = uint64_t{vp->dwX} + vp->dwWidth, bottom = uint64_t{vp->dwY} + vp->dwHeight;
    if (vp->dwWidth == 0 || vp->dwHeight == 0 || right > uint64_t(mTarget->Width()) ||
        bottom > uint64_t(mTarget->Height()) || vp->dvMinZ < 0 || vp->dvMaxZ > 1 || vp->dvMinZ > vp->dvMaxZ)
      return DDERR_INVALIDPARAMS;
    if (std::memcmp(&mViewport, vp, sizeof *vp) != 0) Changing();
    mViewport = *vp;
    return D3D_OK;
  }

  HRESULT GetViewport(LPD3DVIEWPORT7 vp) override {
    if (!vp) return DDERR_INVALIDPARAMS;
    *vp = mViewport;
    return D3D_OK;
  }

  HRESULT SetMaterial(LPD3DMATERIAL7 m) override {
    if (!m) return DDERR_INVALIDPARAMS;
    if (std::memcmp(&mMaterial, m, sizeof *m) != 0) Changing();
    mMaterial = *m;
    return D3D_OK;
  }

  HRESULT GetMaterial(LPD3DMATERIAL7 m) override {
    if (!m) return DDERR_INVALIDPARAMS;
    *m = mMaterial;
    return D3D_OK;
  }

  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    if (state >= kStates) return DDERR_INVALIDPARAMS;
    if (mRs[state] != value) Changing();
    mRs[state] = value;
    return D3D_OK;
  }

  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
    if (state >= kStates || !value) return DDERR_INVALIDPARAMS;
    *value = mRs[state];
    return D3D_OK;
  }

  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD count, DWORD) override {
    return Draw(type, fvf, vertices, count, nullptr, 0);
  }

  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD count, WORD* indices,
                               DWORD indexCount, DWORD) override {
    if (!indices && indexCount) return DDERR_INVALIDPARAMS;
    // An index past the vertices would read outside the caller's array.
    for (DWORD i = 0; i < indexCount; ++i)
      if (indices[i] >= count) return DDERR_INVALIDPARAMS;
    return Draw(type, fvf, vertices, count, indices, indexCount);
  }

  HRESULT GetTexture(DWORD stage, LPDIRECTDRAWSURFACE7* out) override {
    if (stage >= kStages || !out) return DDERR_INVALIDPARAMS;
    *out = mTextures[stage];
    if (*out) (*out)->AddRef();
    return D3D_OK;
  }

  HRESULT SetTexture(DWORD stage, LPDIRECTDRAWSURFACE7 texture) override {
    if (stage >= kStages) return DDERR_INVALIDPARAMS;
    Surface* s = texture ? AsSurface(texture) : nullptr;
    if (s && s->IsDepth()) return DDERR_INVALIDCAPS;
    if (stage == 0 && s != mTextures[0]) Changing();
    if (s) s->AddRef();
    if (mTextures[stage]) mTextures[stage]->Release();
    mTextures[stage] = s;
    return D3D_OK;
  }

  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value) override {
    if (stage >= kStages || state >= kStageStates || !value) return DDERR_INVALIDPARAMS;
    *value = mTss[stage][state];
    return D3D_OK;
  }

  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) override {
    if (stage >= kStages || state >= kStageStates) return DDERR_INVALIDPARAMS;
    bool same = mTss[stage][state] == value;
    if (state == D3DTSS_ADDRESS) same = same && mTss[stage][D3DTSS_ADDRESSU] == value && mTss[stage][D3DTSS_ADDRESSV] == value;
    if (!same) Changing();
    mTss[stage][state] = value;
    if (state == D3DTSS_ADDRESS) mTss[stage][D3DTSS_ADDRESSU] = mTss[stage][D3DTSS_ADDRESSV] = value;
    return D3D_OK;
  }

  // Hands everything held back to GL: the logged batches in order, then the gathered one.
  void Flush() {
    CloseBatch();
    RunLog();
    if (gPendingDevice == this) gPendingDevice = nullptr;
  }

  // Ends the gathered batch, under the state it was gathered under: into the frame log when it was
  // started for it, else drawn now.
  void CloseBatch() {
    if (mBatchCount == 0) {
      ForgetKeptState();
      return;
    }
    if (mStateKept) SwapState(mKept);
    if (mBatchLogged) LogBatch();
    else DrawBatch();
    if (mStateKept) SwapState(mKept);
    ForgetKeptState();
  }

  // A state is about to change while primitives wait: they keep a copy of the state they were
  // gathered under, so that a state set and set back between two draws ends no batch.
  void Changing() {
    if (mBatchCount == 0 || mStateKept) return;
    mStateKept = true;
    CaptureState(mKept);
  }

  bool SameAsKeptState() const {
    return std::memcmp(mKept.rs, mRs, sizeof mRs) == 0 && std::memcmp(mKept.tss, mTss, sizeof mTss) == 0 &&
           std::memcmp(&mKept.world, &mWorld, sizeof mWorld) == 0 && std::memcmp(&mKept.view, &mView, sizeof mView) == 0 &&
           std::memcmp(&mKept.projection, &mProjection, sizeof mProjection) == 0 &&
           std::memcmp(&mKept.viewport, &mViewport, sizeof mViewport) == 0 &&
           std::memcmp(&mKept.material, &mMaterial, sizeof mMaterial) == 0 &&
           std::equal(mTextures, mTextures + kStages, mKept.textures);
  }

  void ForgetKeptState() {
    if (!mStateKept) return;
    mStateKept = false;
    ReleaseTextures(mKept);
  }

  // The digest of the logged frame when the log holds every draw of this device since it was last
  // emptied (0: nothing logged).
  uint64_t LoggedDigest() {
    CloseBatch();
    return mLog.empty() ? 0 : mLogDigest.Value();
  }
  Surface* Target() const { return mTarget; }

  // Forgets the logged draws (their result is already in the target).
  void DropLog() {
    CloseBatch();
    for (LoggedBatch& b : mLog) ReleaseTextures(b);
    mLog.clear();
    mLogDigest.Reset();
    if (gPendingDevice == this) gPendingDevice = nullptr;
  }

  // Hands the gathered primitives to GL in one draw.
  void DrawBatch() {
    if (gPendingDevice == this && mLog.empty()) gPendingDevice = nullptr;
    if (mBatchCount == 0) return;
    DWORD count = mBatchCount;
    mBatchCount = 0;
    if (!os::gl::OnGlThread() || !mTarget->Framebuffer()) {
      mBatch.clear();
      return;
    }
    const Layout& l = mBatchLayout;
    if (mRs[D3DRENDERSTATE_ZENABLE])
      if (Surface* depth = mTarget->DepthBuffer()) depth->ApplyDepthClear();
    ApplyTransforms(l);
    Arrays arrays = ApplyStates(l);
    SetArrays(l, arrays, mBatch.data());
    glDrawArrays(mBatchMode, 0, GLsizei(count));
    ++gDrawCalls;
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_SECONDARY_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_SCISSOR_TEST);
    mBatch.clear();
    mTarget->MarkDrawn();
    if (glGetError() == GL_OUT_OF_MEMORY) mDeferredError = DDERR_OUTOFVIDEOMEMORY;
  }

 private:
  static constexpr int kStates = 256, kStages = 8, kStageStates = 32;

  ~Device() override {
    Flush();
    for (Surface*& t : mTextures)
      if (t) t->Release();
    mTarget->Release();
    mD3D->Release();
  }

  D3DMATRIX* Slot(D3DTRANSFORMSTATETYPE which) {
    switch (which) {
      case D3DTRANSFORMSTATE_WORLD: return &mWorld;
      case D3DTRANSFORMSTATE_VIEW: return &mView;
      case D3DTRANSFORMSTATE_PROJECTION: return &mProjection;
    }
    return nullptr;
  }

  void FullViewport() {
    mViewport = D3DVIEWPORT7{0, 0, DWORD(mTarget->Width()), DWORD(mTarget->Height()), 0.f, 1.f};
  }

  void ApplyTransforms(const Layout& l) {
    D3DMATRIX fix{};
    float tw = float(mTarget->Width()), th = float(mTarget->Height());
    if (l.transformed) {
      // Pixel coordinates of the whole target (the viewport only clips).
      glViewport(0, 0, mTarget->Width(), mTarget->Height());
      glDepthRange(0, 1);
      fix._11 = 2 / tw;
      fix._41 = 1 / tw - 1;
      fix._22 = 2 / th;
      fix._42 = 1 / th - 1;
      fix._33 = 2;
      fix._43 = -1;
      fix._44 = 1;
      glMatrixMode(GL_PROJECTION);
      glLoadMatrixf(&fix._11);
      glMatrixMode(GL_MODELVIEW);
      glLoadIdentity();
      return;
    }
    glViewport(GLint(mViewport.dwX), GLint(mViewport.dwY), GLsizei(mViewport.dwWidth), GLsizei(mViewport.dwHeight));
    glDepthRange(mViewport.dvMinZ, mViewport.dvMaxZ);
    // y flipped (rows run top-down), half a pixel towards the centres, depth 0..1 to -1..1.
    fix._11 = 1;
    fix._41 = 1.f / float(mViewport.dwWidth);
    fix._22 = -1;
    fix._42 = 1.f / float(mViewport.dwHeight);
    fix._33 = 2;
    fix._43 = -1;
    fix._44 = 1;
    D3DMATRIX p = Mul(mProjection, fix);
    D3DMATRIX mv = Mul(mWorld, mView);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&p._11);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(&mv._11);
  }

  // Sets GL's state for a draw; answers which vertex arrays the draw reads.
  Arrays ApplyStates(const Layout& l) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(GLint(mViewport.dwX), GLint(mViewport.dwY), GLsizei(mViewport.dwWidth), GLsizei(mViewport.dwHeight));
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glShadeModel(mRs[D3DRENDERSTATE_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);
    if (mRs[D3DRENDERSTATE_ZENABLE]) glEnable(GL_DEPTH_TEST); else glDisable(GL_DEPTH_TEST);
    glDepthFunc(CompareOf(mRs[D3DRENDERSTATE_ZFUNC]));
    glDepthMask(mRs[D3DRENDERSTATE_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    if (mRs[D3DRENDERSTATE_ALPHATESTENABLE]) glEnable(GL_ALPHA_TEST); else glDisable(GL_ALPHA_TEST);
    glAlphaFunc(CompareOf(mRs[D3DRENDERSTATE_ALPHAFUNC]), float(mRs[D3DRENDERSTATE_ALPHAREF] & 0xFF) / 255.f);
    if (mRs[D3DRENDERSTATE_ALPHABLENDENABLE]) glEnable(GL_BLEND); else glDisable(GL_BLEND);
    glBlendFunc(BlendOf(mRs[D3DRENDERSTATE_SRCBLEND]), BlendOf(mRs[D3DRENDERSTATE_DESTBLEND]));
    // Rows run top-down, so a triangle clockwise on screen is counter-clockwise to GL.
    DWORD cull = mRs[D3DRENDERSTATE_CULLMODE];
    if (cull == D3DCULL_CW || cull == D3DCULL_CCW) {
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
      glFrontFace(cull == D3DCULL_CCW ? GL_CCW : GL_CW);
    } else {
      glDisable(GL_CULL_FACE);
    }
    bool lit = mRs[D3DRENDERSTATE_LIGHTING] && !l.transformed;
    if (lit) {
      glEnable(GL_LIGHTING);
      float ambient[4];
      ColorOf(mRs[D3DRENDERSTATE_AMBIENT], ambient);
      glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
      glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
      glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, &mMaterial.diffuse.r);
      glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, &mMaterial.ambient.r);
      glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, &mMaterial.specular.r);
      glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, &mMaterial.emissive.r);
      glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(mMaterial.power, 0.f, 128.f));
      bool colorMaterial = mRs[D3DRENDERSTATE_COLORVERTEX] && l.diffuse >= 0 &&
                           mRs[D3DRENDERSTATE_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1;
      if (colorMaterial) {
        glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
        glEnable(GL_COLOR_MATERIAL);
      } else {
        glDisable(GL_COLOR_MATERIAL);
      }
    } else {
      glDisable(GL_LIGHTING);
      glDisable(GL_COLOR_MATERIAL);
    }
    if (mRs[D3DRENDERSTATE_NORMALIZENORMALS]) glEnable(GL_NORMALIZE); else glDisable(GL_NORMALIZE);
    Arrays arrays;
    arrays.normal = lit && l.normal >= 0;
    arrays.specular = mRs[D3DRENDERSTATE_SPECULARENABLE] && l.specular >= 0 && !lit;
    if (arrays.specular) glEnable(GL_COLOR_SUM);
    else glDisable(GL_COLOR_SUM);
    arrays.tex = ApplyStage() && l.tex >= 0;
    return arrays;
  }

  // Sets up stage 0; false when it samples no texture.
  bool ApplyStage() {
    const DWORD* t = mTss[0];
    Surface* s = mTextures[0];
    // Without a texture the stage samples white: a stage that only multiplies by it or passes the
    // diffuse colour on draws untextured, which spares the texture reads.
    if (t[D3DTSS_COLOROP] == D3DTOP_DISABLE ||
        (!s && PassesDiffuse(false, t[D3DTSS_COLOROP], t[D3DTSS_COLORARG1], t[D3DTSS_COLORARG2]) &&
         PassesDiffuse(true, t[D3DTSS_ALPHAOP], t[D3DTSS_ALPHAARG1], t[D3DTSS_ALPHAARG2]))) {
      glDisable(GL_TEXTURE_2D);
      return false;
    }
    glEnable(GL_TEXTURE_2D);
    GLuint tex = s ? s->Texture() : 0;
    glBindTexture(GL_TEXTURE_2D, tex ? tex : WhiteTexture());
    bool linearMag = t[D3DTSS_MAGFILTER] != D3DTFG_POINT, linearMin = t[D3DTSS_MINFILTER] != D3DTFN_POINT;
    GLint min = linearMin ? GL_LINEAR : GL_NEAREST;
    if (s && (s->Caps() & DDSCAPS_MIPMAP) && t[D3DTSS_MIPFILTER] != D3DTFP_NONE) {
      bool linearMip = t[D3DTSS_MIPFILTER] == D3DTFP_LINEAR;
      min = linearMin ? (linearMip ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST)
                      : (linearMip ? GL_NEAREST_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, linearMag ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, AddressOf(t[D3DTSS_ADDRESSU]));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, AddressOf(t[D3DTSS_ADDRESSV]));
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    float factor[4];
    ColorOf(mRs[D3DRENDERSTATE_TEXTUREFACTOR], factor);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);
    Combine(false, t[D3DTSS_COLOROP], t[D3DTSS_COLORARG1], t[D3DTSS_COLORARG2]);
    Combine(true, t[D3DTSS_ALPHAOP], t[D3DTSS_ALPHAARG1], t[D3DTSS_ALPHAARG2]);
    return true;
  }

  void SetArrays(const Layout& l, const Arrays& arrays, const uint8_t* v) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, l.stride, v);
    if (arrays.normal) {
      glEnableClientState(GL_NORMAL_ARRAY);
      glNormalPointer(GL_FLOAT, l.stride, v + l.normal);
    } else {
      glDisableClientState(GL_NORMAL_ARRAY);
      glNormal3f(0, 0, 0);
    }
    if (l.diffuse >= 0) {
      glEnableClientState(GL_COLOR_ARRAY);
      glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, l.stride, v + l.diffuse);
    } else {
      glDisableClientState(GL_COLOR_ARRAY);
      glColor4f(1, 1, 1, 1);
    }
    if (arrays.specular) {
      glEnableClientState(GL_SECONDARY_COLOR_ARRAY);
      gl::SecondaryColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, l.stride, v + l.specular);
    } else {
      glDisableClientState(GL_SECONDARY_COLOR_ARRAY);
    }
    if (arrays.tex) {
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, l.stride, v + l.tex);
    } else {
      glDisableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoord2f(0, 0);
    }
  }

  HRESULT Draw(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD count, WORD* indices, DWORD indexCount) {
    if (HRESULT hr = DxFault("DrawPrimitive"); FAILED(hr)) return hr;
    GLenum mode = PrimitiveOf(type);
    if (mode == GL_INVALID_ENUM) return D3DERR_INVALIDPRIMITIVETYPE;
    Layout l;
    if (!LayoutOf(fvf, &l)) return D3DERR_INVALIDVERTEXFORMAT;
    if (!vertices && count) return DDERR_INVALIDPARAMS;
    if (mTarget->Lost()) return DDERR_SURFACELOST;
    if (count == 0 || (indices && indexCount == 0)) return D3D_OK;
    if (!os::gl::OnGlThread()) return DDERR_GENERIC;
    if (type == D3DPT_TRIANGLEFAN && count == 4 && !indices && ClearedAsSolid(l, vertices)) return TakeDeferredError();
    GLenum list = ListOf(type);
    if (mStateKept) {
      if (SameAsKeptState()) ForgetKeptState();
      else CloseBatch();
    }
    if (mBatchCount > 0 && (fvf != mBatchFvf || list != mBatchMode)) CloseBatch();
    if (mBatchCount == 0) {
      // A new batch: another device's primitives go first; the texture is made ready now, and the
      // target too unless the batch goes into the frame log (it is bound when the log is drawn).
      if (gPendingDevice && gPendingDevice != this) gPendingDevice->Flush();
      if (mLog.size() >= kMaxLogged) RunLog();
      mBatchLogged = mTarget->Framebuffer() != 0;
      if (!mBatchLogged && !mTarget->BindAsTarget()) return DDERR_GENERIC;
      if (mTextures[0]) mTextures[0]->Texture();
      mBatchFvf = fvf;
      mBatchMode = list;
      mBatchLayout = l;
    }
    const uint8_t* v = static_cast<const uint8_t*>(vertices);
    size_t before = mBatch.size();
    if (indices)
      Unroll(type, indexCount, l.stride, [&](DWORD i) { return v + size_t(indices[i]) * l.stride; }, &mBatch);
    else
      Unroll(type, count, l.stride, v, &mBatch);
    mBatchCount += DWORD((mBatch.size() - before) / l.stride);
    if (mBatchCount > 0) gPendingDevice = this;
    return TakeDeferredError();
  }

  // A quad painting the whole viewport one colour is done as a fill of the viewport.
  bool ClearedAsSolid(const Layout& l, const void* vertices) {
    CoverDraw c;
    c.vertices = static_cast<const uint8_t*>(vertices);
    c.stride = l.stride;
    c.diffuse = l.diffuse;
    c.specular = l.specular;
    c.transformed = l.transformed;
    c.renderStates = mRs;
    c.stage = mTss[0];
    c.textured = mTextures[0] != nullptr;
    c.world = mWorld;
    c.view = mView;
    c.projection = mProjection;
    c.viewport = mViewport;
    uint32_t argb = 0;
    if (!PaintsViewportSolid(c, &argb)) return false;
    Flush();
    if (gPendingDevice && gPendingDevice != this) gPendingDevice->Flush();
    RECT r{LONG(mViewport.dwX), LONG(mViewport.dwY), LONG(mViewport.dwX + mViewport.dwWidth),
           LONG(mViewport.dwY + mViewport.dwHeight)};
    return mTarget->FillArgb(r, argb);
  }

  HRESULT TakeDeferredError() {
    HRESULT hr = mDeferredError;
    mDeferredError = D3D_OK;
    return hr;
  }

  IDirect3D7* mD3D;
  Surface* mTarget = nullptr;
  Surface* mTextures[kStages] = {};
  DWORD mRs[kStates];
  DWORD mTss[kStages][kStageStates];
  D3DMATRIX mWorld, mView, mProjection;
  D3DVIEWPORT7 mViewport{};
  D3DMATERIAL7 mMaterial;
  bool mInScene = false;
  // The gathered primitives: vertices in the caller's layout, as a list of one kind.
  std::vector<uint8_t> mBatch;
  DWORD mBatchCount = 0, mBatchFvf = 0;
  GLenum mBatchMode = GL_TRIANGLES;
  Layout mBatchLayout;
  HRESULT mDeferredError = D3D_OK;   // a GL error of a batch drawn after its calls returned
  // The frame log (see d3d_frame.h): batches held back until presenting or anything else needs the
  // target's pixels, and the digest of what they draw.
  static constexpr size_t kMaxLogged = 4096;
  static_assert(LoggedBatch::kStates == kStates && LoggedBatch::kStages == kStages &&
                LoggedBatch::kStageStates == kStageStates);
  bool mBatchLogged = false;
  // The state the gathered batch was gathered under, once a setter changed it while it waits
  // (textures hold a reference while kept).
  LoggedBatch mKept;
  bool mStateKept = false;
  std::vector<LoggedBatch> mLog;
  FrameDigest mLogDigest;

  void SwapState(LoggedBatch& b) {
    std::swap(mRs, b.rs);
    std::swap(mTss, b.tss);
    std::swap(mWorld, b.world);
    std::swap(mView, b.view);
    std::swap(mProjection, b.projection);
    std::swap(mViewport, b.viewport);
    std::swap(mMaterial, b.material);
    std::swap(mTextures, b.textures);
  }

  // Copies the device's current state into a batch record, holding a reference to each texture.
  void CaptureState(LoggedBatch& b) {
    std::memcpy(b.rs, mRs, sizeof mRs);
    std::memcpy(b.tss, mTss, sizeof mTss);
    b.world = mWorld;
    b.view = mView;
    b.projection = mProjection;
    b.viewport = mViewport;
    b.material = mMaterial;
    for (int i = 0; i < kStages; ++i) {
      b.textures[i] = mTextures[i];
      if (b.textures[i]) b.textures[i]->AddRef();
    }
  }

  void LogBatch() {
    LoggedBatch& b = mLog.emplace_back();
    CaptureState(b);
    b.fvf = mBatchFvf;
    b.count = mBatchCount;
    b.mode = mBatchMode;
    b.vertices.swap(mBatch);
    mBatch.clear();
    mBatchCount = 0;
    if (mLog.size() == 1) mLogDigest.AddValue(mTarget);
    AddToDigest(b, &mLogDigest);
    gPendingDevice = this;
  }

  // Draws the logged batches in order, each under the state it was logged with.
  void RunLog() {
    if (mLog.empty()) return;
    std::vector<LoggedBatch> log;
    log.swap(mLog);
    mLogDigest.Reset();
    for (LoggedBatch& b : log) {
      SwapState(b);
      mBatch.swap(b.vertices);
      mBatchCount = b.count;
      mBatchFvf = b.fvf;
      mBatchMode = b.mode;
      LayoutOf(b.fvf, &mBatchLayout);
      if (mTarget->BindAsTarget()) {
        if (mTextures[0]) mTextures[0]->Texture();
        DrawBatch();
      } else {
        mBatchCount = 0;
        mBatch.clear();
        mDeferredError = DDERR_GENERIC;
      }
      SwapState(b);
      ReleaseTextures(b);
    }
    if (gPendingDevice == this && mBatchCount == 0) gPendingDevice = nullptr;
  }
};

class Direct3D final : public ComObject<IDirect3D7> {
 public:
  explicit Direct3D(IDirectDraw7* dd) : mDirectDraw(dd) { mDirectDraw->AddRef(); }

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IDirectDraw7) return mDirectDraw->QueryInterface(iid, out);
    *out = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, LPVOID context) override {
    if (!callback) return DDERR_INVALIDPARAMS;
    D3DDEVICEDESC7 d = DeviceDesc();
    char description[] = "Hardware device over OpenGL";
    char name[] = "HAL";
    callback(description, name, &d, context);
    return D3D_OK;
  }

  HRESULT CreateDevice(REFCLSID device, LPDIRECTDRAWSURFACE7 target, LPDIRECT3DDEVICE7* out) override {
    if (!out || !target) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (HRESULT hr = DxFault("CreateDevice"); FAILED(hr)) return hr;
    if (!(device == IID_IDirect3DHALDevice || device == IID_IDirect3DTnLHalDevice || device == IID_IDirect3DRGBDevice ||
          device == DeviceDesc().deviceGUID))
      return D3DERR_INVALIDDEVICE;
    Surface* s = AsSurface(target);
    if (!(s->Caps() & DDSCAPS_3DDEVICE)) return DDERR_INVALIDCAPS;
    if (s->Lost()) return DDERR_SURFACELOST;
    *out = new Device(this, s);
    return D3D_OK;
  }

  HRESULT EnumZBufferFormats(REFCLSID, LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) override {
    if (!callback) return DDERR_INVALIDPARAMS;
    {
      std::lock_guard<std::recursive_mutex> lk(Mutex());
      if (Config().noZFormats) return D3D_OK;
    }
    for (DWORD bits : {16u, 32u}) {
      DDPIXELFORMAT f{};
      f.dwSize = sizeof f;
      f.dwFlags = DDPF_ZBUFFER;
      f.dwZBufferBitDepth = bits;
      f.dwZBitMask = bits == 16 ? 0xFFFF : 0xFFFFFF;
      if (callback(&f, context) == D3DENUMRET_CANCEL) break;
    }
    return D3D_OK;
  }

  HRESULT EvictManagedTextures() override { return D3D_OK; }

  IDirectDraw7* GetDirectDraw() const { return mDirectDraw; }

 private:
  ~Direct3D() override { mDirectDraw->Release(); }
  IDirectDraw7* mDirectDraw;
};

}  // namespace

void FlushPendingDraws() {
  if (gPendingDevice) gPendingDevice->Flush();
}

uint64_t LoggedFrameDigest(Surface* target) {
  if (!gPendingDevice || gPendingDevice->Target() != target) return 0;
  return gPendingDevice->LoggedDigest();
}

void DropLoggedFrame() {
  if (gPendingDevice) gPendingDevice->DropLog();
}

IDirect3D7* NewDirect3D(IDirectDraw7* dd) { return new Direct3D(dd); }

IDirectDraw7* DirectDrawOfDevice(IDirect3DDevice7* device) {
  IDirect3D7* d3d = nullptr;
  if (!device || FAILED(device->GetDirect3D(&d3d))) return nullptr;
  IDirectDraw7* dd = static_cast<Direct3D*>(d3d)->GetDirectDraw();
  d3d->Release();
  return dd;
}

}  // namespace os::dd

namespace os {
long TestDrawCallCount() { return dd::gDrawCalls; }

void TestSetDeviceDesc(const D3DDEVICEDESC7* desc) {
  std::lock_guard<std::recursive_mutex> lk(dd::Mutex());
  if (desc) dd::Config().deviceDesc = *desc;
  else dd::Config().deviceDesc.reset();
}

void TestSetTextureFormats(const std::vector<DDPIXELFORMAT>& formats) {
  std::lock_guard<std::recursive_mutex> lk(dd::Mutex());
  dd::Config().textureFormats = formats;
}

void TestSetNoZBufferFormats(bool none) {
  std::lock_guard<std::recursive_mutex> lk(dd::Mutex());
  dd::Config().noZFormats = none;
}
}  // namespace os
