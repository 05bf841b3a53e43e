// DirectDraw surfaces of the stand-in: pixels in system memory in the surface's own format, a GL
// texture (RGBA8) mirroring them, and a framebuffer object when GL draws or copies into the surface.
// A pair of flags says which side changed last; Lock reads GL drawing back, Unlock uploads. Fills
// and copies run on the GPU, so the system-memory pixels are brought up to date only when a Lock
// asks for them. A fill of a whole surface is only noted until its pixels are next used, so that a
// cleared frame reaches the window as a clear of the window. Rows run top-down on both sides (GL row 0 is surface row 0), so copies need no
// flipping.
#include <algorithm>
#include <cstring>

#include "os/d3d_frame.h"
#include "os/ddraw_internal.h"

namespace os::dd {

namespace {
bool InBounds(const RECT& r, int w, int h) {
  return r.left >= 0 && r.top >= 0 && r.right <= w && r.bottom <= h && r.left < r.right && r.top < r.bottom;
}

RECT Whole(int w, int h) { return RECT{0, 0, w, h}; }

// Converts a run of pixels of format `f` into 0xAARRGGBB words.
void RowToArgb(const DDPIXELFORMAT& f, const uint8_t* src, uint32_t* dst, int n) {
  int bpp = BytesPerPixel(f);
  for (int i = 0; i < n; ++i) dst[i] = ToArgb(f, ReadPixel(src + i * bpp, bpp));
}

void RowFromArgb(const DDPIXELFORMAT& f, const uint32_t* src, uint8_t* dst, int n) {
  int bpp = BytesPerPixel(f);
  for (int i = 0; i < n; ++i) WritePixel(dst + i * bpp, bpp, FromArgb(f, src[i]));
}


// Textures handed over by surfaces overwritten whole, with their framebuffer objects, for the next
// one of their size. A depth renderbuffer going away may leave its name to a new one, so the depth
// attached to a spare is trusted only while no depth buffer was deleted since.
struct Spare {
  GLuint texture = 0, framebuffer = 0, attachedDepth = ~0u;
  int width = 0, height = 0;
  uint64_t depthEpoch = 0;
};
std::vector<Spare> gSpares;
uint64_t gDepthEpoch = 0;

GLuint NewTexture(int w, int h) {
  GLuint t = 0;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_2D, t);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  return t;
}

Spare TakeSpare(int w, int h) {
  for (size_t i = 0; i < gSpares.size(); ++i)
    if (gSpares[i].width == w && gSpares[i].height == h) {
      Spare s = gSpares[i];
      gSpares.erase(gSpares.begin() + static_cast<long>(i));
      if (s.depthEpoch != gDepthEpoch) s.attachedDepth = ~0u;
      return s;
    }
  Spare s;
  s.texture = NewTexture(w, h);
  s.width = w;
  s.height = h;
  return s;
}

void GiveSpare(const Spare& spare) {
  if (gSpares.size() >= 4) {
    os::gl::DeleteObjects(gSpares.front().texture, gSpares.front().framebuffer, 0);
    gSpares.erase(gSpares.begin());
  }
  gSpares.push_back(spare);
}

// A framebuffer object for reading a texture that no surface owns.
GLuint ReadFramebufferOf(GLuint texture) {
  static GLuint fb = 0;
  if (!fb) os::gl::GenFramebuffers(1, &fb);
  os::gl::BindFramebuffer(GL_READ_FRAMEBUFFER, fb);
  os::gl::FramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  return fb;
}

uint64_t gGenerations = 0;

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
}  // namespace

Surface* AsSurface(IDirectDrawSurface7* s) { return static_cast<Surface*>(s); }

Surface::Surface(std::shared_ptr<Display> display, const DDSURFACEDESC2& desc, int64_t budgetBytes)
    : mDisplay(std::move(display)), mDesc(desc), mBudgetBytes(budgetBytes) {
  int bpp = IsDepth() ? 0 : BytesPerPixel(Format());
  mPitch = (Width() * bpp + 3) & ~3;
  mDesc.lPitch = mPitch;
  mPixels.reset(static_cast<uint8_t*>(std::calloc(std::max<size_t>(size_t(mPitch) * size_t(Height()), 1), 1)));
  if (!mPixels) throw std::bad_alloc();
  mMipmaps = (Caps() & DDSCAPS_MIPMAP) != 0;
  Touch();
  Register(this);
}

Surface::~Surface() {
  PresentedSurfaceChanging(this);
  DropDeferred();
  if (mShownIn) mShownIn->CopyInOverlay();
  DropOverlay();
  Unregister(this);
  if (mBack) mBack->Release();
  if (mZ) mZ->Release();
  if (mClipper) mClipper->Release();
  if (mBudgetBytes) GiveVideoMemory(mBudgetBytes);
  if (mDepth) ++gDepthEpoch;
  os::gl::DeleteObjects(mTexture, mFramebuffer, mDepth);
}

HRESULT Surface::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!(iid == IID_IDirectDrawSurface7)) return E_NOINTERFACE;
  AddRef();
  *out = static_cast<IDirectDrawSurface7*>(this);
  return DD_OK;
}

bool Surface::IsRenderable() const {
  return (Caps() & (DDSCAPS_3DDEVICE | DDSCAPS_PRIMARYSURFACE | DDSCAPS_BACKBUFFER)) != 0;
}

void Surface::SetBackBuffer(Surface* back) {
  back->AddRef();
  if (mBack) mBack->Release();
  mBack = back;
}

// ---- GL mirror -----------------------------------------------------------------------------------

void Surface::Upload() {
  if (IsDepth() || !mTexture) return;
  BeforeGlChange(Change::Whole);
  glBindTexture(GL_TEXTURE_2D, mTexture);
  if (IsArgb8888(Format())) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, mPitch / 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, Width(), Height(), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, mPixels.get());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  } else {
    std::vector<uint32_t> argb(static_cast<size_t>(Width()) * Height());
    for (int y = 0; y < Height(); ++y) RowToArgb(Format(), Row(y), argb.data() + static_cast<size_t>(y) * Width(), Width());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, Width(), Height(), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, argb.data());
  }
  if (mMipmaps) gl::GenerateMipmap(GL_TEXTURE_2D);
  mCpuNewer = false;
  const DDPIXELFORMAT& f = Format();
  if (!((f.dwFlags & DDPF_ALPHAPIXELS) && f.dwRGBAlphaBitMask)) mOpaqueGeneration = mGeneration;
}

GLuint Surface::Texture() {
  if (IsDepth() || !os::gl::OnGlThread()) return 0;
  if (mDeferred) ResolveDeferred();
  if (HasOverlay()) CopyInOverlay();
  if (!mTexture) {
    glGenTextures(1, &mTexture);
    glBindTexture(GL_TEXTURE_2D, mTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, Width(), Height(), 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    if (mMipmaps) gl::GenerateMipmap(GL_TEXTURE_2D);
    mCpuNewer = !mClearPending;   // a pending fill replaces what memory holds
  }
  if (mCpuNewer && mUntouched && !mClearPending) UploadZeros();
  else if (mCpuNewer) Upload();
  if (mClearPending) ClearNow();
  return mTexture;
}

GLuint Surface::DepthRenderbuffer() {
  if (!IsDepth() || !os::gl::OnGlThread()) return 0;
  if (!mDepth) {
    gl::GenRenderbuffers(1, &mDepth);
    gl::BindRenderbuffer(GL_RENDERBUFFER, mDepth);
    gl::RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, Width(), Height());
    gl::BindRenderbuffer(GL_RENDERBUFFER, 0);
  }
  return mDepth;
}

void Surface::ApplyDepthClear() {
  if (!mDepthClearPending || !os::gl::OnGlThread()) return;
  mDepthClearPending = false;
  glDisable(GL_SCISSOR_TEST);
  glDepthMask(GL_TRUE);
  glClearDepth(mDepthClearValue);
  glClear(GL_DEPTH_BUFFER_BIT);
}

GLuint Surface::Framebuffer() {
  GLuint tex = Texture();
  return tex ? BindFramebufferOf(tex) : 0;
}

GLuint Surface::BindFramebufferOf(GLuint tex) {
  bool made = false;
  if (!mFramebuffer) {
    gl::GenFramebuffers(1, &mFramebuffer);
    made = true;
  }
  gl::BindFramebuffer(GL_FRAMEBUFFER, mFramebuffer);
  if (made) gl::FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
  // The depth attachment follows AddAttachedSurface / DeleteAttachedSurface; changing it only when
  // it changed spares the driver a new check of the framebuffer each time.
  GLuint depth = mZ ? mZ->DepthRenderbuffer() : 0;
  if (depth != mAttachedDepth) {
    gl::FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    mAttachedDepth = depth;
  }
  return mFramebuffer;
}

// Memory never written holds zeros: the texture is cleared to what they read as rather than sent
// every byte of them.
void Surface::UploadZeros() {
  BeforeGlChange(Change::Whole);
  uint32_t saved = mSolidArgb;
  mSolidArgb = ToArgb(Format(), 0);
  ClearNow();
  mSolidArgb = saved;
  if (mMipmaps) {
    glBindTexture(GL_TEXTURE_2D, mTexture);
    gl::GenerateMipmap(GL_TEXTURE_2D);
  }
  mCpuNewer = false;
}

void Surface::ClearNow() {
  mClearPending = false;
  // Called on the way to other GL work, which expects its own framebuffers still bound.
  GLint draw = 0, read = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
  BindFramebufferOf(mTexture);
  uint32_t argb = mSolidArgb;
  glDisable(GL_SCISSOR_TEST);
  glClearColor((argb >> 16 & 0xFF) / 255.f, (argb >> 8 & 0xFF) / 255.f, (argb & 0xFF) / 255.f, (argb >> 24) / 255.f);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT);
  gl::BindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(draw));
  gl::BindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(read));
}

bool Surface::BindAsTarget(Change change) {
  if (change != Change::None && os::gl::OnGlThread()) BeforeGlChange(change);
  GLuint fb = Framebuffer();
  if (!fb) return false;
  return gl::CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void Surface::SyncToMemory() {
  if (!mGpuNewer || IsDepth()) return;
  if (mClearPending) {
    // The fill not yet done on the GL side is done here instead.
    uint32_t raw = FromArgb(Format(), mSolidArgb);
    int bpp = BytesPerPixel(Format());
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x) WritePixel(Row(y) + x * bpp, bpp, raw);
    mGpuNewer = false;
    return;
  }
  if (!os::gl::OnGlThread()) return;
  FlushPendingDraws();
  std::vector<uint32_t> argb(static_cast<size_t>(Width()) * Height());
  gl::BindFramebuffer(GL_FRAMEBUFFER, Framebuffer());
  glReadPixels(0, 0, Width(), Height(), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, argb.data());
  for (int y = 0; y < Height(); ++y) RowFromArgb(Format(), argb.data() + static_cast<size_t>(y) * Width(), Row(y), Width());
  mGpuNewer = false;
}

void Surface::SyncRectToMemory(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  std::vector<uint32_t> argb(static_cast<size_t>(w) * h);
  gl::BindFramebuffer(GL_FRAMEBUFFER, Framebuffer());
  glReadPixels(r.left, r.top, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, argb.data());
  gl::BindFramebuffer(GL_FRAMEBUFFER, 0);
  const int bpp = BytesPerPixel(Format());
  for (int y = 0; y < h; ++y)
    RowFromArgb(Format(), argb.data() + static_cast<size_t>(y) * w, Row(r.top + y) + r.left * bpp, w);
}

void Surface::Touch() {
  mGeneration = ++gGenerations;
  mSolid = false;
}

void Surface::BeforeGlChange(Change change) {
  ResolveFramesReading(this);
  if (mDeferred) {
    if (change == Change::Whole) DropDeferred();
    else ResolveDeferred();
  }
  Touch();
  PresentedSurfaceChanging(this);
  Surface* shown = mShownIn;
  if (!shown) return;
  if (change == Change::Whole && !mMipmaps && mFramebuffer && shown->mOverlay.from == this &&
      shown->mOverlay.texture == mTexture) {
    // Nothing of the old pixels survives here: the overlay keeps the texture with its framebuffer
    // object, this surface takes a spare pair.
    shown->mOverlay.owned = true;
    shown->mOverlay.from = nullptr;
    shown->mOverlay.framebuffer = mFramebuffer;
    shown->mOverlay.attachedDepth = mAttachedDepth;
    shown->mOverlay.depthEpoch = gDepthEpoch;
    mShownIn = nullptr;
    Spare spare = TakeSpare(Width(), Height());
    mTexture = spare.texture;
    mFramebuffer = spare.framebuffer;   // 0: made around the texture when next bound
    mAttachedDepth = spare.framebuffer ? spare.attachedDepth : ~0u;
    return;
  }
  shown->CopyInOverlay();
}

void Surface::ShowOverlay(Surface* from, const RECT& src, const RECT& dst) {
  // A frame of one colour over all of this surface is a fill, which waits like the source's did.
  if (from->mClearPending && SameRect(dst, Whole(Width(), Height())) && FillArgb(dst, from->mSolidArgb)) return;
  if (HasOverlay() && !SameRect(mOverlay.dst, dst)) CopyInOverlay();
  DropOverlay();
  if (from->mClearPending) {
    Texture();
    PresentedSurfaceChanging(this);
    Touch();
    mOverlay.solid = true;
    mOverlay.argb = from->mSolidArgb;
    mOverlay.src = src;
    mOverlay.dst = dst;
    mGpuNewer = true;
    return;
  }
  if (from->mShownIn && from->mShownIn != this) from->mShownIn->CopyInOverlay();
  GLuint texture = from->Texture();
  Texture();   // made, with pending pixels uploaded, before the overlay hides them
  PresentedSurfaceChanging(this);
  Touch();
  mOverlay = Overlay{};
  mOverlay.from = from;
  mOverlay.texture = texture;
  mOverlay.width = from->Width();
  mOverlay.height = from->Height();
  mOverlay.src = src;
  mOverlay.dst = dst;
  from->mShownIn = this;
  mGpuNewer = true;
}

void Surface::CopyInOverlay() {
  if (!HasOverlay()) return;
  Overlay o = mOverlay;
  mOverlay = Overlay{};
  if (o.deferred) {
    // The frame is drawn first: by the surface it came from while that still holds it (which
    // shows its own texture afterwards), else into a spare texture that stands in for it.
    std::shared_ptr<DeferredFrame> frame = std::move(o.deferred);
    o.deferred.reset();
    frame->Unhold(this);
    if (o.from && o.from->mDeferred == frame) {
      o.from->mShownIn = nullptr;
      o.from->ResolveDeferred();
      o.texture = o.from->Texture();
      o.from->mShownIn = this;
    } else if (os::gl::OnGlThread()) {
      o.from = nullptr;
      Spare spare = TakeSpare(o.width, o.height);
      if (!spare.framebuffer) {
        os::gl::GenFramebuffers(1, &spare.framebuffer);
        os::gl::BindFramebuffer(GL_FRAMEBUFFER, spare.framebuffer);
        os::gl::FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, spare.texture, 0);
      }
      DrawDeferredOffscreen(*frame, spare.framebuffer);
      o.texture = spare.texture;
      o.framebuffer = spare.framebuffer;
      o.attachedDepth = spare.attachedDepth;
      o.depthEpoch = gDepthEpoch;
      o.owned = true;
    }
  }
  GLuint to = Framebuffer();
  if (to && os::gl::OnGlThread() && o.solid) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(o.dst.left, o.dst.top, o.dst.right - o.dst.left, o.dst.bottom - o.dst.top);
    glClearColor((o.argb >> 16 & 0xFF) / 255.f, (o.argb >> 8 & 0xFF) / 255.f, (o.argb & 0xFF) / 255.f,
                 (o.argb >> 24) / 255.f);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    gl::BindFramebuffer(GL_FRAMEBUFFER, 0);
  } else if (to && os::gl::OnGlThread()) {
    CountFrameCopy();
    if (o.framebuffer) gl::BindFramebuffer(GL_READ_FRAMEBUFFER, o.framebuffer);
    else ReadFramebufferOf(o.texture);
    gl::BindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    glDisable(GL_SCISSOR_TEST);
    gl::BlitFramebuffer(o.src.left, o.src.top, o.src.right, o.src.bottom, o.dst.left, o.dst.top, o.dst.right,
                        o.dst.bottom, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gl::BindFramebuffer(GL_FRAMEBUFFER, 0);
  }
  mOverlay = o;
  DropOverlay();
}

void Surface::DropOverlay() {
  if (!HasOverlay()) return;
  if (mOverlay.owned) {
    Spare spare;
    spare.texture = mOverlay.texture;
    spare.framebuffer = mOverlay.framebuffer;
    spare.attachedDepth = mOverlay.attachedDepth;
    spare.depthEpoch = mOverlay.depthEpoch;
    spare.width = mOverlay.width;
    spare.height = mOverlay.height;
    GiveSpare(spare);
  }
  else if (mOverlay.from) mOverlay.from->mShownIn = nullptr;
  if (mOverlay.deferred) mOverlay.deferred->Unhold(this);
  mOverlay = Overlay{};
}

void Surface::MarkWritten() {
  FlushPendingDraws();
  ResolveFramesReading(this);
  DropDeferred();   // memory holds the pixels now
  PresentedSurfaceChanging(this);
  Touch();
  mCpuNewer = true;
  mGpuNewer = false;
  mClearPending = false;
  if (os::gl::OnGlThread()) Texture();
}

// ---- DirectDraw calls ----------------------------------------------------------------------------

HRESULT Surface::AddAttachedSurface(LPDIRECTDRAWSURFACE7 depth) {
  if (!depth) return DDERR_INVALIDPARAMS;
  Surface* z = AsSurface(depth);
  if (!z->IsDepth() || IsDepth()) return DDERR_CANNOTATTACHSURFACE;
  if (mZ) return DDERR_SURFACEALREADYATTACHED;
  if (z->Width() < Width() || z->Height() < Height()) return DDERR_INVALIDPARAMS;
  z->AddRef();
  mZ = z;
  mAttachedDepth = ~0u;
  return DD_OK;
}

HRESULT Surface::DeleteAttachedSurface(DWORD, LPDIRECTDRAWSURFACE7 depth) {
  if (!mZ || (depth && AsSurface(depth) != mZ)) return DDERR_SURFACENOTATTACHED;
  mZ->Release();
  mZ = nullptr;
  mAttachedDepth = ~0u;
  return DD_OK;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7* out) {
  if (!caps || !out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (HRESULT hr = DxFault("GetAttachedSurface"); FAILED(hr)) return hr;
  Surface* found = nullptr;
  if ((caps->dwCaps & (DDSCAPS_BACKBUFFER | DDSCAPS_FLIP)) && mBack) found = mBack;
  else if ((caps->dwCaps & DDSCAPS_ZBUFFER) && mZ) found = mZ;
  if (!found) return DDERR_NOTFOUND;
  found->AddRef();
  *out = found;
  return DD_OK;
}

HRESULT Surface::GetCaps(LPDDSCAPS2 caps) {
  if (!caps) return DDERR_INVALIDPARAMS;
  *caps = mDesc.ddsCaps;
  return DD_OK;
}

HRESULT Surface::GetDC(HDC* dc) {
  if (dc) *dc = nullptr;
  return DDERR_CANTCREATEDC;
}

HRESULT Surface::ReleaseDC(HDC) { return DDERR_CANTCREATEDC; }

HRESULT Surface::GetFlipStatus(DWORD) { return DxFault("GetFlipStatus"); }

HRESULT Surface::GetPixelFormat(LPDDPIXELFORMAT format) {
  if (!format) return DDERR_INVALIDPARAMS;
  *format = Format();
  return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC2 desc) {
  if (!desc) return DDERR_INVALIDPARAMS;
  *desc = mDesc;
  desc->lpSurface = nullptr;
  return DD_OK;
}

HRESULT Surface::IsLost() { return mLost ? DDERR_SURFACELOST : DD_OK; }

HRESULT Surface::Restore() {
  mLost = false;
  return DD_OK;
}

HRESULT Surface::SetClipper(LPDIRECTDRAWCLIPPER clipper) {
  if (clipper) clipper->AddRef();
  if (mClipper) mClipper->Release();
  mClipper = clipper;
  return DD_OK;
}

HRESULT Surface::Lock(RECT* rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE) {
  if (!desc) return DDERR_INVALIDPARAMS;
  if (HRESULT hr = DxFault("Lock"); FAILED(hr)) return hr;
  if (mLost) return DDERR_SURFACELOST;
  if (IsDepth()) return DDERR_UNSUPPORTED;
  if (mLocked) return DDERR_SURFACEBUSY;
  RECT r = rect ? *rect : Whole(Width(), Height());
  if (!InBounds(r, Width(), Height())) return DDERR_INVALIDRECT;
  FlushPendingDraws();
  // Reading a small part of a surface drawn by GL reads back only that part; memory stays behind
  // elsewhere, so the surface still counts as newer on the GL side.
  bool part = !SameRect(r, Whole(Width(), Height()));
  if ((flags & DDLOCK_READONLY) && part && mGpuNewer && !mClearPending && os::gl::OnGlThread())
    SyncRectToMemory(r);
  else
    SyncToMemory();
  *desc = mDesc;
  desc->dwFlags |= DDSD_LPSURFACE | DDSD_PITCH;
  desc->lpSurface = Row(r.top) + r.left * BytesPerPixel(Format());
  mLocked = true;
  mLockFlags = flags;
  return DD_OK;
}

HRESULT Surface::Unlock(RECT*) {
  if (!mLocked) return DDERR_NOTLOCKED;
  mLocked = false;
  if (!(mLockFlags & DDLOCK_READONLY)) MarkWritten();
  return DxFault("Unlock");
}

HRESULT Surface::Fill(const RECT& r, DWORD raw) {
  if (os::gl::OnGlThread() && FillArgb(r, ToArgb(Format(), raw))) return DD_OK;
  int bpp = BytesPerPixel(Format());
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) WritePixel(Row(y) + x * bpp, bpp, raw);
  MarkWritten();
  return DD_OK;
}

// The GL side of a fill (false when there is no framebuffer to fill); memory catches up on Lock.
bool Surface::FillArgb(const RECT& r, uint32_t argb) {
  bool whole = r.left == 0 && r.top == 0 && r.right == Width() && r.bottom == Height();
  if (whole) {
    // Filling a surface whole with the colour it already holds whole changes nothing.
    if (mSolid && mSolidArgb == argb && !mCpuNewer && !HasOverlay()) return true;
    // Nothing of the old pixels survives: the fill waits until the pixels are next used.
    BeforeGlChange(Change::Whole);
    DropOverlay();
    mClearPending = true;
    mCpuNewer = false;
    mGpuNewer = true;
    mSolid = true;
    mSolidArgb = argb;
    return true;
  }
  if (!BindAsTarget(Change::Part)) return false;
  glEnable(GL_SCISSOR_TEST);
  glScissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
  glClearColor((argb >> 16 & 0xFF) / 255.f, (argb >> 8 & 0xFF) / 255.f, (argb & 0xFF) / 255.f, (argb >> 24) / 255.f);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  mGpuNewer = true;
  return true;
}

HRESULT Surface::CopyFrom(Surface* src, const RECT& d, const RECT& s) {
  int dw = d.right - d.left, dh = d.bottom - d.top, sw = s.right - s.left, sh = s.bottom - s.top;
  // A copy back of what an overlay of this surface's own texture shows changes nothing.
  if (src->mOverlay.texture && src->mOverlay.from == this && src->mOverlay.texture == mTexture &&
      SameRect(src->mOverlay.dst, s) && SameRect(src->mOverlay.src, d))
    return DD_OK;
  if (src->mOverlay.deferred && src->mOverlay.from == this && src->mOverlay.deferred == mDeferred &&
      SameRect(src->mOverlay.dst, s) && SameRect(src->mOverlay.src, d))
    return DD_OK;
  // Copies between surfaces run on the GPU. A stretched copy of pixels that are newest in memory
  // stays there: GL samples stretched copies at pixel centres, the memory copy at their corners.
  bool stretched = dw != sw || dh != sh;
  // Any part of a surface of one colour, however stretched, is a fill; so is a part of an overlay
  // of one colour.
  if (src != this && src->mClearPending && os::gl::OnGlThread() && FillArgb(d, src->mSolidArgb)) return DD_OK;
  const RECT& o = src->mOverlay.dst;
  if (src != this && src->mOverlay.solid && s.left >= o.left && s.top >= o.top && s.right <= o.right &&
      s.bottom <= o.bottom && os::gl::OnGlThread() && FillArgb(d, src->mOverlay.argb))
    return DD_OK;
  if (src != this && (!stretched || src->mGpuNewer || mGpuNewer) && os::gl::OnGlThread()) {
    GLuint from = src->Framebuffer();
    bool whole = d.left == 0 && d.top == 0 && d.right == Width() && d.bottom == Height();
    BeforeGlChange(whole ? Change::Whole : Change::Part);
    GLuint to = Framebuffer();
    gl::BindFramebuffer(GL_READ_FRAMEBUFFER, from);
    gl::BindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    glDisable(GL_SCISSOR_TEST);
    gl::BlitFramebuffer(s.left, s.top, s.right, s.bottom, d.left, d.top, d.right, d.bottom, GL_COLOR_BUFFER_BIT,
                        GL_NEAREST);
    gl::BindFramebuffer(GL_FRAMEBUFFER, 0);
    mGpuNewer = true;
    return DD_OK;
  }
  src->SyncToMemory();
  SyncToMemory();
  const DDPIXELFORMAT& sf = src->Format();
  int sb = BytesPerPixel(sf), db = BytesPerPixel(Format());
  bool same = std::memcmp(&sf, &Format(), sizeof sf) == 0;
  // Read the whole source rectangle first, so a copy within one surface may overlap.
  std::vector<uint32_t> rows(static_cast<size_t>(sw) * sh);
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < sw; ++x) {
      uint32_t raw = ReadPixel(src->Row(s.top + y) + (s.left + x) * sb, sb);
      rows[static_cast<size_t>(y) * sw + x] = same ? raw : ToArgb(sf, raw);
    }
  for (int y = 0; y < dh; ++y) {
    int sy = static_cast<int>(int64_t{y} * sh / dh);
    for (int x = 0; x < dw; ++x) {
      int sx = static_cast<int>(int64_t{x} * sw / dw);
      uint32_t v = rows[static_cast<size_t>(sy) * sw + sx];
      WritePixel(Row(d.top + y) + (d.left + x) * db, db, same ? v : FromArgb(Format(), v));
    }
  }
  MarkWritten();
  return DD_OK;
}

HRESULT Surface::Present(Surface* from, const RECT& r, Surface* kept, const RECT& keptRegion) {
  HWND window = PresentWindow();
  if (!os::gl::OnGlThread()) return DD_OK;
  os::gl::CollectGarbage();
  bool solid = from->mClearPending;
  GLuint fb = solid ? 0 : from->Framebuffer();
  if (!fb && !solid) return DD_OK;
  if (!kept) RememberPresentedFrame(from, r.left, r.top, r.right - r.left, r.bottom - r.top);
  else RememberPresentedFrame(kept, keptRegion.left, keptRegion.top, keptRegion.right - keptRegion.left,
                              keptRegion.bottom - keptRegion.top);
  // A frame of one colour is cleared into the window rather than copied there.
  if (solid) {
    os::gl::PresentSolidToWindow(window, from->mSolidArgb, r.right - r.left, r.bottom - r.top, mDisplay->vsync, from,
                                 from->Generation());
    return DD_OK;
  }
  os::gl::PresentToWindow(window, fb, r.left, r.top, r.right - r.left, r.bottom - r.top, mDisplay->vsync, from,
                          from->Generation());
  return DD_OK;
}

namespace {
// How a frame is shown, as a number: presenting the same frame the same way changes nothing.
uint64_t PresentKey(const RECT* dst, const RECT* src, DWORD flags) {
  FrameDigest d;
  d.AddValue(flags);
  d.AddValue(dst ? *dst : RECT{-1, -1, -1, -1});
  d.AddValue(src ? *src : RECT{-1, -1, -1, -1});
  return d.Value();
}
}  // namespace

HRESULT Surface::Blt(RECT* destRect, LPDIRECTDRAWSURFACE7 source, RECT* sourceRect, DWORD flags, LPDDBLTFX fx) {
  // A frame for the primary whose draws repeat those of the frame it shows is not drawn again.
  Surface* shown = nullptr;
  uint64_t key = 0;
  if ((Caps() & DDSCAPS_PRIMARYSURFACE) && source && !(flags & DDBLT_COLORFILL) && os::gl::OnGlThread()) {
    shown = AsSurface(source);
    key = PresentKey(destRect, sourceRect, flags);
    RECT at{};
    if (!SkipRepeatedFrame(shown, key) && WholeUnscaledBlt(shown, destRect, sourceRect, flags, &at) &&
        KeepRepeatedFrame(shown, at, key)) {
      FramePresented(shown, key);
      return DD_OK;
    }
  }
  HRESULT hr = DD_OK;
  if (!shown || !PresentDirectBlt(shown, destRect, sourceRect, flags)) hr = BltNow(destRect, source, sourceRect, flags, fx);
  if (shown) {
    if (SUCCEEDED(hr)) FramePresented(shown, key);
    else ForgetShownFrameDigest();
  }
  return hr;
}

HRESULT Surface::BltNow(RECT* destRect, LPDIRECTDRAWSURFACE7 source, RECT* sourceRect, DWORD flags, LPDDBLTFX fx) {
  if (HRESULT hr = DxFault("Blt"); FAILED(hr)) return hr;
  FlushPendingDraws();
  if (mLost) return DDERR_SURFACELOST;
  if (IsDepth()) return DDERR_UNSUPPORTED;
  if (mLocked) return DDERR_SURFACEBUSY;
  RECT d = destRect ? *destRect : Whole(Width(), Height());
  if (flags & DDBLT_COLORFILL) {
    if (!fx) return DDERR_INVALIDPARAMS;
    if (!InBounds(d, Width(), Height())) return DDERR_INVALIDRECT;
    return Fill(d, fx->dwFillColor);
  }
  if (!source) return DDERR_INVALIDPARAMS;
  Surface* src = AsSurface(source);
  if (src->Lost()) return DDERR_SURFACELOST;
  if (src->IsDepth()) return DDERR_UNSUPPORTED;
  RECT s = sourceRect ? *sourceRect : Whole(src->Width(), src->Height());
  if (!InBounds(s, src->Width(), src->Height())) return DDERR_INVALIDRECT;
  const RECT shown = s;   // the window shows all of it, even where the primary clips
  bool primary = Caps() & DDSCAPS_PRIMARYSURFACE;
  if (primary) {
    // The primary clips to its bounds, as a clipper would; the source shrinks in proportion.
    if (d.left >= d.right || d.top >= d.bottom) return DDERR_INVALIDRECT;
    double kx = double(s.right - s.left) / (d.right - d.left), ky = double(s.bottom - s.top) / (d.bottom - d.top);
    RECT c{std::max<LONG>(d.left, 0), std::max<LONG>(d.top, 0), std::min<LONG>(d.right, Width()),
           std::min<LONG>(d.bottom, Height())};
    if (c.left >= c.right || c.top >= c.bottom) return Present(src, shown);
    s = RECT{s.left + LONG((c.left - d.left) * kx), s.top + LONG((c.top - d.top) * ky),
             s.right - LONG((d.right - c.right) * kx), s.bottom - LONG((d.bottom - c.bottom) * ky)};
    d = c;
    if (s.left >= s.right || s.top >= s.bottom) return Present(src, shown);
  } else if (!InBounds(d, Width(), Height())) {
    return DDERR_INVALIDRECT;
  }
  // A new frame replaces the one the primary holds: no need to keep that one aside.
  if (primary && PresentedFrameIn(this)) ForgetPresentedFrame();
  // When the primary receives the frame unclipped and unscaled, it takes it as an overlay (see
  // Overlay) and the frame is remembered there: the source will be drawn over by the next frame,
  // the primary only by the next present.
  bool whole = primary && SameRect(s, shown) && d.right - d.left == s.right - s.left &&
               d.bottom - d.top == s.bottom - s.top;
  if (whole && src != this && SameRect(s, Whole(src->Width(), src->Height())) && PresentDeferredAgain(src, d))
    return DD_OK;
  if (whole && src != this && os::gl::OnGlThread()) {
    ShowOverlay(src, s, d);
    return Present(src, shown, this, d);
  }
  HRESULT hr = CopyFrom(src, d, s);
  if (SUCCEEDED(hr) && primary) hr = whole ? Present(src, shown, this, d) : Present(src, shown);
  return hr;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source, RECT* sourceRect, DWORD) {
  if (!source) return DDERR_INVALIDPARAMS;
  Surface* src = AsSurface(source);
  RECT s = sourceRect ? *sourceRect : Whole(src->Width(), src->Height());
  RECT d{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x) + (s.right - s.left),
         static_cast<LONG>(y) + (s.bottom - s.top)};
  return Blt(&d, source, &s, DDBLT_WAIT, nullptr);
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags) {
  if (HRESULT hr = DxFault("Flip"); FAILED(hr)) return hr;
  if (!mBack) return DDERR_NOTFLIPPABLE;
  if (mLost || mBack->Lost()) return DDERR_SURFACELOST;
  Surface* back = mBack;
  const uint64_t key = PresentKey(nullptr, nullptr, ~0u);
  RECT all = Whole(Width(), Height());
  const bool sameSize = back->Width() == Width() && back->Height() == Height();
  if (os::gl::OnGlThread() && !SkipRepeatedFrame(back, key) && sameSize && KeepRepeatedFrame(back, all, key)) {
    FramePresented(back, key);
    return DD_OK;
  }
  bool direct = sameSize && PresentDirect(back, all);
  HRESULT hr = direct ? DD_OK : FlipNow(target, flags);
  if (SUCCEEDED(hr)) FramePresented(back, key);
  else ForgetShownFrameDigest();
  return hr;
}

HRESULT Surface::FlipNow(LPDIRECTDRAWSURFACE7, DWORD) {
  FlushPendingDraws();
  if (PresentedFrameIn(this)) ForgetPresentedFrame();
  RECT all = Whole(Width(), Height());
  // The window shows the back buffer itself; this surface holds the frame as an overlay of the back
  // buffer's texture, copied in only when this surface is used or the back buffer is drawn over.
  if (os::gl::OnGlThread() && mBack->Width() == Width() && mBack->Height() == Height()) {
    if (PresentDeferredAgain(mBack, all)) return DD_OK;
    ShowOverlay(mBack, all, all);
    return Present(mBack, all, this, all);
  }
  HRESULT hr = CopyFrom(mBack, all, Whole(mBack->Width(), mBack->Height()));
  if (FAILED(hr)) return hr;
  return Present(this, all);
}

}  // namespace os::dd
