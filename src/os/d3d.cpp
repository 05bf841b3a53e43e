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
// coordinates and maps Direct3D's depth range 0..1 onto GL's -1..1. Vertex layouts and unrolling
// live in d3d_vertex, the state's GL terms in d3d_glmap, the Direct3D object in d3d_object.
#include <algorithm>
#include <cstring>

#include "os/d3d_cover.h"
#include "os/d3d_frame.h"
#include "os/d3d_glmap.h"
#include "os/d3d_stageprogram.h"
#include "os/d3d_vertex.h"
#include "os/ddraw_internal.h"

const GUID IID_IDirect3D7 = {0x7a11d003, 0x0d07, 0x4c1e, {0x9a, 0x52, 0x11, 0x30, 0x07, 0xd0, 0x00, 0x07}};
const GUID IID_IDirect3DHALDevice = {0x7a11d004, 0x0d07, 0x4c1e, {0x9a, 0x52, 0x11, 0x30, 0x07, 0xd0, 0x00, 0x07}};
const GUID IID_IDirect3DTnLHalDevice = {0x7a11d005, 0x0d07, 0x4c1e, {0x9a, 0x52, 0x11, 0x30, 0x07, 0xd0, 0x00, 0x07}};
const GUID IID_IDirect3DRGBDevice = {0x7a11d006, 0x0d07, 0x4c1e, {0x9a, 0x52, 0x11, 0x30, 0x07, 0xd0, 0x00, 0x07}};

namespace os::dd {

namespace {

class Device;

Device* gPendingDevice = nullptr;  // the device holding gathered primitives, if any
long gDrawCalls = 0;               // GL draws issued by all devices

// The vertex arrays a draw reads besides positions and diffuse colours.
struct Arrays {
  bool normal = false, specular = false, tex = false;
};

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

  // Hands the gathered primitives to GL in one draw (`keep`: the vertices stay in mBatch).
  void DrawBatch(bool keep = false) {
    if (gPendingDevice == this && mLog.empty()) gPendingDevice = nullptr;
    if (mBatchCount == 0) return;
    DWORD count = mBatchCount;
    mBatchCount = 0;
    if (!os::gl::OnGlThread() || !BindDrawTarget()) {
      if (!keep) mBatch.clear();
      return;
    }
    const Layout& l = mBatchLayout;
    if (mRs[D3DRENDERSTATE_ZENABLE] && !mRaw.on)
      if (Surface* depth = mTarget->DepthBuffer()) depth->ApplyDepthClear();
    ApplyTransforms(l);
    // Blending what is opaque only reads the target for nothing.
    mBlendSkipped = BlendsAsOpaque(CoverOf(l, mBatch.data()), count, mTextures[0] && mTextures[0]->OpaqueTexels());
    Arrays arrays = ApplyStates(l);
    SetArrays(l, arrays, mBatch.data());
    glDrawArrays(mBatchMode, 0, GLsizei(count));
    EndStageProgram();
    ++gDrawCalls;
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_SECONDARY_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_SCISSOR_TEST);
    if (!keep) mBatch.clear();
    if (!mRaw.on) mTarget->MarkDrawn();
    if (glGetError() == GL_OUT_OF_MEMORY) mDeferredError = DDERR_OUTOFVIDEOMEMORY;
  }

  // Takes the log as a frame to draw straight into the window (see TakeLoggedFrame).
  std::shared_ptr<DeferredFrame> TakeLog(Surface* shownIn, const uint32_t* fill) {
    CloseBatch();
    if (mLog.empty()) return nullptr;
    for (const LoggedBatch& b : mLog) {
      if (b.rs[D3DRENDERSTATE_ZENABLE]) return nullptr;
      for (Surface* t : b.textures)
        if (t && (t == mTarget || t == shownIn)) return nullptr;
    }
    if (!fill && !CoversTargetOpaque(mLog.front())) return nullptr;
    auto frame = std::make_shared<DeferredFrame>();
    frame->filled = fill != nullptr;
    frame->argb = fill ? *fill : 0;
    frame->width = mTarget->Width();
    frame->height = mTarget->Height();
    frame->batches.swap(mLog);
    mLogDigest.Reset();
    for (const LoggedBatch& b : frame->batches)
      for (Surface* t : b.textures)
        if (t && std::find(frame->textures.begin(), frame->textures.end(), t) == frame->textures.end())
          frame->textures.push_back(t);
    frame->device = this;
    if (gPendingDevice == this) gPendingDevice = nullptr;
    NoteDeferredFrame(frame.get(), true);
    return frame;
  }

  // Draws a deferred frame's batches into `surface`, or with none into `framebuffer` (0: the
  // window, rows mirrored), leaving whatever the device is gathering as it was.
  void Replay(DeferredFrame& frame, Surface* surface, GLuint framebuffer) {
    frame.drawing = true;
    Surface* savedTarget = mTarget;
    VertexBytes savedBatch;
    savedBatch.swap(mBatch);
    const DWORD savedCount = mBatchCount, savedFvf = mBatchFvf;
    const GLenum savedMode = mBatchMode;
    const Layout savedLayout = mBatchLayout;
    const bool savedLogged = mBatchLogged;
    const RawTarget savedRaw = mRaw;
    const HRESULT savedError = mDeferredError;
    Device* savedPending = gPendingDevice;
    if (surface) {
      mTarget = surface;
      mRaw = RawTarget{};
    } else {
      mRaw = RawTarget{true, framebuffer, frame.width, frame.height};
    }
    // Without a fill first, the first batch paints every pixel.
    Surface::Change change = frame.filled ? Surface::Change::Part : Surface::Change::Whole;
    for (LoggedBatch& b : frame.batches) {
      EnterBatch(b);
      if (!surface || mTarget->BindAsTarget(change)) {
        change = Surface::Change::Part;
        if (mTextures[0]) mTextures[0]->Texture();
        DrawBatch(true);
      }
      mBatchCount = 0;
      mBatch.swap(b.vertices);
      SwapState(b);
    }
    mTarget = savedTarget;
    mBatch.swap(savedBatch);
    mBatchCount = savedCount;
    mBatchFvf = savedFvf;
    mBatchMode = savedMode;
    mBatchLayout = savedLayout;
    mBatchLogged = savedLogged;
    mRaw = savedRaw;
    mDeferredError = savedError;
    gPendingDevice = savedPending;
    frame.drawing = false;
  }

 private:
  static constexpr int kStates = 256, kStages = 8, kStageStates = 32;

  ~Device() override {
    // Frames this device kept can be drawn by no one else: their holders draw them now.
    ResolveFramesDrawnBy(this);
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

  // A replay into a bare framebuffer (see Replay): its size, and whether it is the window's.
  struct RawTarget {
    bool on = false;
    GLuint framebuffer = 0;
    int width = 0, height = 0;
  };
  RawTarget mRaw;
  int TargetWidth() const { return mRaw.on ? mRaw.width : mTarget->Width(); }
  int TargetHeight() const { return mRaw.on ? mRaw.height : mTarget->Height(); }
  // The GL row of a rectangle's bottom edge: our framebuffers keep the top row at 0, the window
  // (drawn with its clip-space origin at the top) keeps it at the bottom.
  GLint RowOf(DWORD top, DWORD height) const {
    if (mRaw.on && mRaw.framebuffer == 0) return GLint(mRaw.height) - GLint(top) - GLint(height);
    return GLint(top);
  }
  bool BindDrawTarget() {
    if (!mRaw.on) return mTarget->Framebuffer() != 0;
    os::gl::BindFramebuffer(GL_FRAMEBUFFER, mRaw.framebuffer);
    return true;
  }

  void FullViewport() {
    mViewport = D3DVIEWPORT7{0, 0, DWORD(mTarget->Width()), DWORD(mTarget->Height()), 0.f, 1.f};
  }

  void ApplyTransforms(const Layout& l) {
    D3DMATRIX fix{};
    float tw = float(TargetWidth()), th = float(TargetHeight());
    if (l.transformed) {
      // Pixel coordinates of the whole target (the viewport only clips).
      glViewport(0, 0, TargetWidth(), TargetHeight());
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
    glViewport(GLint(mViewport.dwX), RowOf(mViewport.dwY, mViewport.dwHeight), GLsizei(mViewport.dwWidth),
               GLsizei(mViewport.dwHeight));
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
    glScissor(GLint(mViewport.dwX), RowOf(mViewport.dwY, mViewport.dwHeight), GLsizei(mViewport.dwWidth),
              GLsizei(mViewport.dwHeight));
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glShadeModel(mRs[D3DRENDERSTATE_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);
    if (mRs[D3DRENDERSTATE_ZENABLE]) glEnable(GL_DEPTH_TEST); else glDisable(GL_DEPTH_TEST);
    glDepthFunc(CompareOf(mRs[D3DRENDERSTATE_ZFUNC]));
    glDepthMask(mRs[D3DRENDERSTATE_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    bool blending = mRs[D3DRENDERSTATE_ALPHABLENDENABLE] && !mBlendSkipped;
    if (!AlphaTestIsVoid(mRs, blending)) glEnable(GL_ALPHA_TEST); else glDisable(GL_ALPHA_TEST);
    glAlphaFunc(CompareOf(mRs[D3DRENDERSTATE_ALPHAFUNC]), float(mRs[D3DRENDERSTATE_ALPHAREF] & 0xFF) / 255.f);
    if (blending) glEnable(GL_BLEND); else glDisable(GL_BLEND);
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
    bool textured = ApplyStage();
    arrays.tex = textured && l.tex >= 0;
    // Lit vertices and a specular sum stay with the fixed-function pipeline.
    if (textured && !lit && !arrays.specular) UseStageProgram(StageState{mTss[0], mRs, blending});
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
      mBatchLogged = mTarget->CanLogDraws();
      if (!mBatchLogged && !mTarget->BindAsTarget()) return DDERR_GENERIC;
      if (mTextures[0]) mTextures[0]->Texture();
      mBatchFvf = fvf;
      mBatchMode = list;
      mBatchLayout = l;
      mBatchDigest.Reset();
    }
    const uint8_t* v = static_cast<const uint8_t*>(vertices);
    size_t before = mBatch.size();
    if (mBatchLogged && !indices && IsList(type)) {
      // A list is copied whole: the frame log's digest folds it in the same pass.
      const size_t bytes = UnrolledCount(type, count) * size_t(l.stride);
      mBatch.resize(before + bytes);
      mBatchDigest.CopyAndAdd(mBatch.data() + before, v, bytes);
    } else {
      if (indices)
        Unroll(type, indexCount, l.stride, [&](DWORD i) { return v + size_t(indices[i]) * l.stride; }, &mBatch);
      else
        Unroll(type, count, l.stride, v, &mBatch);
      if (mBatchLogged) mBatchDigest.Add(mBatch.data() + before, mBatch.size() - before);
    }
    mBatchCount += DWORD((mBatch.size() - before) / l.stride);
    if (mBatchCount > 0) gPendingDevice = this;
    return TakeDeferredError();
  }

  // Vertices in layout `l` under the device's current state.
  CoverDraw CoverOf(const Layout& l, const void* vertices) const {
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
    return c;
  }

  // A quad painting the whole viewport one colour is done as a fill of the viewport.
  bool ClearedAsSolid(const Layout& l, const void* vertices) {
    CoverDraw c = CoverOf(l, vertices);
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
  // The gathered primitives: vertices in the caller's layout, as a list of one kind, and the
  // digest of their bytes while the batch goes to the frame log.
  VertexBytes mBatch;
  StreamDigest mBatchDigest;
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
  bool mBlendSkipped = false;   // the batch drawn now blends as if opaque: GL's blend stays off
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

  // Makes a logged batch the gathered one, under its state (its vertices and the device's state
  // are swapped, so that SwapState gives the state back).
  void EnterBatch(LoggedBatch& b) {
    SwapState(b);
    mBatch.swap(b.vertices);
    mBatchCount = b.count;
    mBatchFvf = b.fvf;
    mBatchMode = b.mode;
    LayoutOf(b.fvf, &mBatchLayout);
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
    b.vertexDigest = mBatchDigest.Value();
    mBatch.clear();
    mBatchCount = 0;
    if (mLog.size() == 1) mLogDigest.AddValue(mTarget);
    AddToDigest(b, mLog.size() > 1 ? &mLog[mLog.size() - 2] : nullptr, &mLogDigest);
    gPendingDevice = this;
  }

  // Whether a logged batch starts with a quad that writes every pixel of the target whatever was
  // there (a frame's background); its first two triangles must be those of a fan of four.
  bool CoversTargetOpaque(const LoggedBatch& b) const {
    if (b.mode != GL_TRIANGLES || b.count < 6) return false;
    if (b.viewport.dwX != 0 || b.viewport.dwY != 0 || b.viewport.dwWidth != DWORD(mTarget->Width()) ||
        b.viewport.dwHeight != DWORD(mTarget->Height()))
      return false;
    if (b.tss[1][D3DTSS_COLOROP] != D3DTOP_DISABLE) return false;
    Layout l;
    if (!LayoutOf(b.fvf, &l)) return false;
    const size_t stride = size_t(l.stride);
    const uint8_t* v = b.vertices.data();
    if (std::memcmp(v + 3 * stride, v, stride) != 0 || std::memcmp(v + 4 * stride, v + 2 * stride, stride) != 0)
      return false;
    std::vector<uint8_t> quad(4 * stride);
    for (int corner = 0; corner < 4; ++corner)
      std::memcpy(quad.data() + corner * stride, v + size_t(corner == 3 ? 5 : corner) * stride, stride);
    CoverDraw c;
    c.vertices = quad.data();
    c.stride = l.stride;
    c.diffuse = l.diffuse;
    c.specular = l.specular;
    c.transformed = l.transformed;
    c.renderStates = b.rs;
    c.stage = b.tss[0];
    c.textured = b.textures[0] != nullptr;
    c.world = b.world;
    c.view = b.view;
    c.projection = b.projection;
    c.viewport = b.viewport;
    return PaintsViewportOpaque(c, b.textures[0] && b.textures[0]->OpaqueTexels());
  }

  // Draws the logged batches in order, each under the state it was logged with.
  void RunLog() {
    if (mLog.empty()) return;
    std::vector<LoggedBatch> log;
    log.swap(mLog);
    mLogDigest.Reset();
    // A frame that starts by covering the whole target needs none of the pixels there before.
    Surface::Change change = CoversTargetOpaque(log.front()) ? Surface::Change::Whole : Surface::Change::Part;
    for (LoggedBatch& b : log) {
      EnterBatch(b);
      if (mTarget->BindAsTarget(change)) {
        change = Surface::Change::Part;
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

}  // namespace

IDirect3DDevice7* NewDevice(IDirect3D7* d3d, Surface* target) { return new Device(d3d, target); }

void FlushPendingDraws() {
  if (gPendingDevice) gPendingDevice->Flush();
}

std::shared_ptr<DeferredFrame> TakeLoggedFrame(Surface* target, Surface* shownIn, const uint32_t* fill) {
  if (!gPendingDevice || gPendingDevice->Target() != target) return nullptr;
  return gPendingDevice->TakeLog(shownIn, fill);
}

void DrawDeferredFrame(DeferredFrame& frame, Surface* target, GLuint framebuffer) {
  if (frame.device) static_cast<Device*>(frame.device)->Replay(frame, target, framebuffer);
}

uint64_t LoggedFrameDigest(Surface* target) {
  if (!gPendingDevice || gPendingDevice->Target() != target) return 0;
  return gPendingDevice->LoggedDigest();
}

void DropLoggedFrame() {
  if (gPendingDevice) gPendingDevice->DropLog();
}

}  // namespace os::dd

namespace os {
long TestDrawCallCount() { return dd::gDrawCalls; }
}  // namespace os
