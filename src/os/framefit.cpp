// The frame's placing in the window and the pointer's way back through it (see framefit.h).
#include "os/framefit.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace os::fit {
namespace {
std::atomic<int> gShownWidth{0}, gShownHeight{0};

int FloorDiv(int64_t a, int64_t b) { return static_cast<int>(a >= 0 ? a / b : -((-a + b - 1) / b)); }
}  // namespace

Placement Fit(int frameWidth, int frameHeight, int areaWidth, int areaHeight) {
  if (frameWidth <= 0 || frameHeight <= 0 || areaWidth <= 0 || areaHeight <= 0)
    return Placement{0, 0, std::max(areaWidth, 0), std::max(areaHeight, 0)};
  int64_t fw = frameWidth, fh = frameHeight, aw = areaWidth, ah = areaHeight;
  Placement p;
  if (aw * fh <= ah * fw) {   // the width limits: bars above and below
    p.width = areaWidth;
    p.height = static_cast<int>(std::min<int64_t>(ah, (aw * fh * 2 + fw) / (fw * 2)));
  } else {                    // the height limits: bars left and right
    p.height = areaHeight;
    p.width = static_cast<int>(std::min<int64_t>(aw, (ah * fw * 2 + fh) / (fh * 2)));
  }
  p.width = std::max(p.width, 1);
  p.height = std::max(p.height, 1);
  p.x = (areaWidth - p.width) / 2;
  p.y = (areaHeight - p.height) / 2;
  return p;
}

namespace {
// The drawable's size, or the window's when the drawable is unknown.
void DrawableOf(const Window& w, int* dw, int* dh) {
  *dw = w.drawableWidth > 0 ? w.drawableWidth : w.width;
  *dh = w.drawableHeight > 0 ? w.drawableHeight : w.height;
}
}  // namespace

void WindowToFrame(const Window& window, int frameWidth, int frameHeight, int x, int y, int* fx, int* fy) {
  int dw, dh;
  DrawableOf(window, &dw, &dh);
  if (frameWidth <= 0 || frameHeight <= 0 || window.width <= 0 || window.height <= 0 || dw <= 0 || dh <= 0) {
    *fx = x;
    *fy = y;
    return;
  }
  Placement p = Fit(frameWidth, frameHeight, dw, dh);
  // The centre of the window pixel in drawable pixels, then in the frame (all times two and times
  // the window's size, to stay in whole numbers).
  int64_t px = (2 * int64_t(x) + 1) * dw, py = (2 * int64_t(y) + 1) * dh;
  int rx = FloorDiv((px - 2 * int64_t(p.x) * window.width) * frameWidth, 2 * int64_t(p.width) * window.width);
  int ry = FloorDiv((py - 2 * int64_t(p.y) * window.height) * frameHeight, 2 * int64_t(p.height) * window.height);
  // Over the bars the point clamps to the frame's edge; outside the window (a captured drag) it
  // keeps going, as a pointer beyond a window's client area does.
  bool inWindow = x >= 0 && y >= 0 && x < window.width && y < window.height;
  *fx = inWindow ? std::clamp(rx, 0, frameWidth - 1) : rx;
  *fy = inWindow ? std::clamp(ry, 0, frameHeight - 1) : ry;
}

void FrameToWindow(const Window& window, int frameWidth, int frameHeight, int fx, int fy, int* x, int* y) {
  int dw, dh;
  DrawableOf(window, &dw, &dh);
  if (frameWidth <= 0 || frameHeight <= 0 || window.width <= 0 || window.height <= 0 || dw <= 0 || dh <= 0) {
    *x = fx;
    *y = fy;
    return;
  }
  Placement p = Fit(frameWidth, frameHeight, dw, dh);
  // The centre of the frame pixel in drawable pixels, then in window units.
  int64_t cx2 = int64_t(p.x) * 2 * frameWidth + (2 * int64_t(fx) + 1) * p.width;   // twice, times frameWidth
  int64_t cy2 = int64_t(p.y) * 2 * frameHeight + (2 * int64_t(fy) + 1) * p.height;
  *x = FloorDiv(cx2 * window.width, int64_t(2) * frameWidth * dw);
  *y = FloorDiv(cy2 * window.height, int64_t(2) * frameHeight * dh);
}

void NoteShownFrame(int width, int height) {
  gShownWidth = width;
  gShownHeight = height;
}

void ForgetShownFrame() { NoteShownFrame(0, 0); }

bool ShownFrame(int* width, int* height) {
  *width = gShownWidth;
  *height = gShownHeight;
  return *width > 0 && *height > 0;
}

}  // namespace os::fit
