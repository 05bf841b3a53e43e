// The last presented frame, for the test interface's TestReadPresentedFrame. Presenting only notes
// which surface region was shown; its pixels are copied aside (on the GPU) only when that surface
// is about to change or go away, and read back only when a test asks. A frame presented from the
// primary surface, which changes only when the next frame is presented, so costs nothing per frame.
#include "os/d3d_frame.h"
#include "os/ddraw_internal.h"

namespace os::dd {
namespace {
Surface* gSource = nullptr;              // the surface the frame is still in, or null
int gX = 0, gY = 0, gWidth = 0, gHeight = 0;
GLuint gCopyTexture = 0, gCopyBuffer = 0;  // the copy aside, once taken
int gCopyWidth = 0, gCopyHeight = 0;
bool gHaveCopy = false;
int gFrameCopies = 0;
}  // namespace

void CountFrameCopy() { ++gFrameCopies; }

void RememberPresentedFrame(Surface* source, int x, int y, int width, int height) {
  if (!os::gl::OnGlThread() || width <= 0 || height <= 0) return;
  gSource = source;
  gX = x;
  gY = y;
  gWidth = width;
  gHeight = height;
  gHaveCopy = false;
}

void ForgetPresentedFrame() {
  gSource = nullptr;
  gHaveCopy = false;
  gWidth = gHeight = 0;
}

bool PresentedFrameIn(const Surface* surface) { return surface && surface == gSource; }

void PresentedSurfaceChanging(Surface* surface) {
  if (surface != gSource || !surface) return;
  gSource = nullptr;
  if (!os::gl::OnGlThread()) {
    gWidth = gHeight = 0;
    return;
  }
  GLuint from = surface->Framebuffer();
  if (!from) {
    gWidth = gHeight = 0;
    return;
  }
  if (!gCopyBuffer) {
    glGenTextures(1, &gCopyTexture);
    gl::GenFramebuffers(1, &gCopyBuffer);
  }
  if (gWidth != gCopyWidth || gHeight != gCopyHeight) {
    glBindTexture(GL_TEXTURE_2D, gCopyTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, gWidth, gHeight, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    gl::BindFramebuffer(GL_FRAMEBUFFER, gCopyBuffer);
    gl::FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gCopyTexture, 0);
    gCopyWidth = gWidth;
    gCopyHeight = gHeight;
  }
  CountFrameCopy();
  gl::BindFramebuffer(GL_READ_FRAMEBUFFER, from);
  gl::BindFramebuffer(GL_DRAW_FRAMEBUFFER, gCopyBuffer);
  glDisable(GL_SCISSOR_TEST);
  gl::BlitFramebuffer(gX, gY, gX + gWidth, gY + gHeight, 0, 0, gWidth, gHeight, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  gl::BindFramebuffer(GL_FRAMEBUFFER, 0);
  gHaveCopy = true;
}

}  // namespace os::dd

namespace os {
bool TestReadPresentedFrame(std::vector<uint32_t>* pixels, int* width, int* height) {
  using namespace os::dd;
  if (!pixels || !os::gl::OnGlThread() || gWidth == 0 || (!gSource && !gHaveCopy)) return false;
  FlushPendingDraws();
  GLuint from = gSource ? gSource->Framebuffer() : gCopyBuffer;
  int x = gSource ? gX : 0, y = gSource ? gY : 0;
  if (!from) return false;
  pixels->assign(static_cast<size_t>(gWidth) * gHeight, 0);
  gl::BindFramebuffer(GL_FRAMEBUFFER, from);
  glReadPixels(x, y, gWidth, gHeight, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels->data());
  gl::BindFramebuffer(GL_FRAMEBUFFER, 0);
  if (width) *width = gWidth;
  if (height) *height = gHeight;
  return true;
}
}  // namespace os

// ---- repeated frames ----

namespace os::dd {
namespace {
struct ShownDigest {
  Surface* from = nullptr;
  uint64_t digest = 0, generation = 0, key = 0;
};
ShownDigest gShownDigest;      // digest 0: nothing known
uint64_t gPendingDigest = 0;   // of the frame being presented
int gSkipped = 0;
}  // namespace

bool SkipRepeatedFrame(Surface* from, uint64_t key) {
  gPendingDigest = LoggedFrameDigest(from);
  if (!gPendingDigest) return false;
  const ShownDigest& s = gShownDigest;
  // The same draws over the pixels they made last time, shown the same way: nothing would change.
  if (s.digest == gPendingDigest && s.from == from && s.key == key && s.generation == from->Generation()) {
    DropLoggedFrame();
    ++gSkipped;
    return true;
  }
  return false;
}

bool RepeatsShownDraws(Surface* from, uint64_t key, uint64_t* shownGeneration) {
  const ShownDigest& s = gShownDigest;
  if (!gPendingDigest || s.digest != gPendingDigest || s.from != from || s.key != key) return false;
  *shownGeneration = s.generation;
  return true;
}

void NoteRepeatKept() { ++gSkipped; }

void FramePresented(Surface* from, uint64_t key) {
  gShownDigest = ShownDigest{from, gPendingDigest, from ? from->Generation() : 0, key};
  gPendingDigest = 0;
}

void ForgetShownFrameDigest() {
  gShownDigest = ShownDigest{};
  gPendingDigest = 0;
}

int RepeatedFramesSkipped() { return gSkipped; }

}  // namespace os::dd

namespace os {
int TestRepeatedFrameCount() { return os::dd::RepeatedFramesSkipped(); }
int TestFrameCopyCount() { return os::dd::gFrameCopies; }
}  // namespace os
