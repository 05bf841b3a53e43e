// Frames drawn straight into the window (see d3d_frame.h): the present that does it, the deferred
// frames' bookkeeping, and their drawing into the surfaces that hold them when those are used.
#include <algorithm>

#include "os/d3d_frame.h"
#include "os/ddraw_internal.h"

namespace os::dd {
namespace {
std::vector<DeferredFrame*> gLive;   // the deferred frames alive
int gDirectFrames = 0, gResolved = 0;
// A deferred frame that had to be drawn after all cost a draw more than a copy would have: the
// frames after it are presented by copying for a while (a scene whose textures change every frame,
// a test reading every frame back).
constexpr int kPauseAfterResolve = 30;
int gPause = 0;

void Clear(uint32_t argb) {
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClearColor((argb >> 16 & 0xFF) / 255.f, (argb >> 8 & 0xFF) / 255.f, (argb & 0xFF) / 255.f, (argb >> 24) / 255.f);
  glClear(GL_COLOR_BUFFER_BIT);
}

void NoteResolved() {
  ++gResolved;
  gPause = kPauseAfterResolve;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
}  // namespace

DeferredFrame::~DeferredFrame() {
  NoteDeferredFrame(this, false);
  for (LoggedBatch& b : batches) ReleaseTextures(b);
}

bool DeferredFrame::Reads(const Surface* texture) const {
  return std::find(textures.begin(), textures.end(), texture) != textures.end();
}

void DeferredFrame::Unhold(const Surface* holder) {
  holders.erase(std::remove(holders.begin(), holders.end(), holder), holders.end());
}

void NoteDeferredFrame(DeferredFrame* frame, bool alive) {
  if (alive) gLive.push_back(frame);
  else gLive.erase(std::remove(gLive.begin(), gLive.end(), frame), gLive.end());
}

namespace {
// The holders of each live frame `which` picks draw it: the surface it was drawn for first, so that
// the primary can show that surface's texture rather than draw the frame again. Each frame once:
// drawing one may end others.
template <class Pick>
void ResolveEach(Pick which) {
  std::vector<const DeferredFrame*> done;
  for (;;) {
    DeferredFrame* next = nullptr;
    for (DeferredFrame* frame : gLive)
      if (!frame->drawing && !frame->holders.empty() && which(frame) &&
          std::find(done.begin(), done.end(), frame) == done.end()) {
        next = frame;
        break;
      }
    if (!next) return;
    done.push_back(next);
    std::vector<Surface*> holders = next->holders;
    for (Surface* h : holders)
      if (h->HoldsDeferred(next)) h->ResolveDeferred();
    for (Surface* h : holders)
      if (h->ShowsDeferred(next)) h->ResolveDeferredOverlay();
  }
}
}  // namespace

void ResolveFramesReading(Surface* texture) {
  ResolveEach([texture](const DeferredFrame* f) { return f->Reads(texture); });
}

void ResolveFramesDrawnBy(IDirect3DDevice7* device) {
  ResolveEach([device](const DeferredFrame* f) { return f->device == device; });
  for (DeferredFrame* frame : gLive)
    if (frame->device == device) frame->device = nullptr;
}

void DrawDeferredOffscreen(DeferredFrame& frame, GLuint framebuffer) {
  NoteResolved();
  gl::BindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  if (frame.filled) Clear(frame.argb);
  DrawDeferredFrame(frame, nullptr, framebuffer);
  gl::BindFramebuffer(GL_FRAMEBUFFER, 0);
}

int DirectFramesPresented() { return gDirectFrames; }
void ResetDirectPresent() {
  gPause = 0;
  os::gl::SetDirectPresentAllowed(true);
}
int DeferredFramesResolved() { return gResolved; }

// ---- surfaces -------------------------------------------------------------------------------------

void Surface::ResolveDeferred() {
  std::shared_ptr<DeferredFrame> frame = std::move(mDeferred);
  mDeferred.reset();
  if (!frame) return;
  frame->Unhold(this);
  NoteResolved();
  // A primary showing the frame lets go of this surface while it draws, then shows its texture.
  Surface* shown = mShownIn && mShownIn->mOverlay.from == this && mShownIn->mOverlay.deferred == frame ? mShownIn
                                                                                                      : nullptr;
  if (shown) {
    shown->mOverlay.from = nullptr;
    mShownIn = nullptr;
  }
  if (frame->filled) FillArgb(RECT{0, 0, Width(), Height()}, frame->argb);
  DrawDeferredFrame(*frame, this);
  if (shown && shown->mOverlay.deferred == frame) {
    frame->Unhold(shown);
    shown->mOverlay.deferred.reset();
    shown->mOverlay.from = this;
    shown->mOverlay.texture = Texture();
    mShownIn = shown;
  }
}

void Surface::DropDeferred() {
  if (!mDeferred) return;
  mDeferred->Unhold(this);
  // A primary showing the frame keeps it, on its own.
  if (mShownIn && mShownIn->mOverlay.from == this && mShownIn->mOverlay.deferred == mDeferred) {
    mShownIn->mOverlay.from = nullptr;
    mShownIn = nullptr;
  }
  mDeferred.reset();
}

void Surface::ShowDeferredOverlay(Surface* from, const std::shared_ptr<DeferredFrame>& frame, const RECT& dst) {
  if (from->mShownIn && from->mShownIn != this) from->mShownIn->CopyInOverlay();
  DropOverlay();
  Texture();   // made, with pending pixels uploaded, before the overlay hides them
  PresentedSurfaceChanging(this);
  Touch();
  mOverlay = Overlay{};
  mOverlay.from = from;
  mOverlay.deferred = frame;
  mOverlay.width = from->Width();
  mOverlay.height = from->Height();
  mOverlay.src = RECT{0, 0, from->Width(), from->Height()};
  mOverlay.dst = dst;
  from->mShownIn = this;
  frame->holders.push_back(this);
  mGpuNewer = true;
}

bool Surface::WholeUnscaledBlt(Surface* from, const RECT* dst, const RECT* src, DWORD flags, RECT* at) {
  if ((flags & DDBLT_COLORFILL) || DxFaultArmed("Blt") || from == this) return false;
  const RECT whole{0, 0, from->Width(), from->Height()};
  if (src && !SameRect(*src, whole)) return false;
  RECT d = dst ? *dst : RECT{0, 0, Width(), Height()};
  if (d.right - d.left != whole.right || d.bottom - d.top != whole.bottom) return false;
  if (d.left < 0 || d.top < 0 || d.right > Width() || d.bottom > Height()) return false;
  *at = d;
  return true;
}

bool Surface::PresentDirectBlt(Surface* from, const RECT* dst, const RECT* src, DWORD flags) {
  RECT d{};
  return WholeUnscaledBlt(from, dst, src, flags, &d) && PresentDirect(from, d);
}

void Surface::AdoptFrame(Surface* from, const std::shared_ptr<DeferredFrame>& frame, const RECT& dst) {
  if (PresentedFrameIn(this)) ForgetPresentedFrame();
  // The frame becomes the pixels of `from` and, as an overlay, of this primary.
  from->BeforeGlChange(Change::Whole);
  from->DropOverlay();
  from->mClearPending = false;
  from->mCpuNewer = false;
  from->mGpuNewer = true;
  from->mDeferred = frame;
  frame->holders.push_back(from);
  ShowDeferredOverlay(from, frame, dst);
  RememberPresentedFrame(this, dst.left, dst.top, from->Width(), from->Height());
}

bool Surface::CanAdoptFrameOf(const Surface* from) const {
  return os::gl::OnGlThread() && from != this && !from->IsDepth() && !mLost && !from->mLost && !mLocked &&
         !from->mLocked;
}

bool Surface::DrawFrameIntoWindow(DeferredFrame& frame, Surface* from) {
  const int w = from->Width(), h = from->Height();
  if (!os::gl::BeginDirectPresent(PresentWindow(), w, h, mDisplay->vsync, from, from->Generation())) return false;
  if (frame.filled) Clear(frame.argb);
  DrawDeferredFrame(frame, nullptr, 0);
  os::gl::EndDirectPresent();
  ++gDirectFrames;
  return true;
}

bool Surface::KeepRepeatedFrame(Surface* from, const RECT& dst, uint64_t key) {
  if (!CanAdoptFrameOf(from)) return false;
  uint64_t shownGeneration = 0;
  if (!RepeatsShownDraws(from, key, &shownGeneration)) return false;
  if (!os::gl::WindowShows(PresentWindow(), from, shownGeneration, from->Width(), from->Height())) return false;
  // Its first batch must cover the target: a fill before it is not part of the draws compared.
  std::shared_ptr<DeferredFrame> frame = TakeLoggedFrame(from, this, nullptr);
  if (!frame) return false;
  for (Surface* t : frame->textures) t->Texture();
  AdoptFrame(from, frame, dst);
  os::gl::RenameShownFrame(from, shownGeneration, from->Generation());
  NoteRepeatKept();
  return true;
}

bool Surface::PresentDirect(Surface* from, const RECT& dst) {
  if (!CanAdoptFrameOf(from)) return false;
  if (gPause > 0) {
    --gPause;
    return false;
  }
  const int w = from->Width(), h = from->Height();
  if (!os::gl::CanPresentDirect(PresentWindow(), w, h)) return false;
  // What the frame draws over: a fill of the whole surface, or anything (its first batch covers it).
  bool filled = (from->mClearPending || from->mSolid) && !from->HasOverlay() && !from->mCpuNewer && !from->mDeferred;
  uint32_t argb = from->mSolidArgb;
  std::shared_ptr<DeferredFrame> frame = TakeLoggedFrame(from, this, filled ? &argb : nullptr);
  if (!frame) return false;
  // Pending uploads and copies of the textures are done now, before the window is bound.
  for (Surface* t : frame->textures) t->Texture();
  AdoptFrame(from, frame, dst);
  if (!DrawFrameIntoWindow(*frame, from)) Present(from, RECT{0, 0, w, h}, this, dst);   // the usual way after all
  return true;
}

bool Surface::PresentDeferredAgain(Surface* from, const RECT& dst) {
  if (!mOverlay.deferred || mOverlay.from != from || from->mDeferred != mOverlay.deferred ||
      !SameRect(mOverlay.dst, dst) || !os::gl::OnGlThread())
    return false;
  RememberPresentedFrame(this, dst.left, dst.top, from->Width(), from->Height());
  if (os::gl::WindowShows(PresentWindow(), from, from->Generation(), from->Width(), from->Height())) return true;
  std::shared_ptr<DeferredFrame> frame = mOverlay.deferred;
  for (Surface* t : frame->textures) t->Texture();
  return !frame->holders.empty() && mOverlay.deferred == frame && DrawFrameIntoWindow(*frame, from);
}

}  // namespace os::dd

namespace os {
int TestDirectFrameCount() { return os::dd::DirectFramesPresented(); }
int TestDeferredFrameDrawCount() { return os::dd::DeferredFramesResolved(); }
void TestAllowDirectPresent(bool allowed) { os::gl::SetDirectPresentAllowed(allowed); }
}  // namespace os
