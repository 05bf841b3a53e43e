// The display handler's cursor: the cursor textures, the vsync option of the cursor drawing, and the
// position of the cursor image in the window's client area.
#include "render/dxdisplayhandler.h"

#include <vector>

#include "os/winuser.h"
#include "render/directx.h"
#include "render/dxdisplayhandler_internal.h"
#include "render/texture.h"

using namespace dxdisplay;

void TDxDisplayHandler::SetMouseTexture(const std::shared_ptr<TTexture>& texture, int32_t hotX, int32_t hotY,
                                        bool hardware) {
  std::shared_ptr<TTexture> shown;
  POINT hot{};
  bool shownHardware = false;
  {
    std::lock_guard<std::mutex> guard(mMouseLock);
    mMouseTexture[hardware ? 1 : 0] = texture;
    mMouseHotSpot[hardware ? 1 : 0] = POINT{hotX, hotY};
    // The pointer shows the drawn cursor (the screens set it to tell what a click there does) once
    // one is set, else the hardware cursor.
    shownHardware = !mMouseTexture[0];
    shown = mMouseTexture[shownHardware ? 1 : 0];
    hot = mMouseHotSpot[shownHardware ? 1 : 0];
  }
  // The image becomes the pointer's own image when the back end can make one; then nothing is
  // drawn, so the pointer never shows twice. Otherwise the device context draws it into every
  // presented frame, where the pointer is.
  TDXContext* context = mData->mContext.get();
  if (!shown || !context) return;
  uint32_t* pixels = nullptr;
  int row = 0;
  if (!shown->Lock(&pixels, &row)) return;
  const int width = shown->GetWidth(), height = shown->GetHeight();
  HCURSOR made = nullptr;
  if (width > 0 && height > 0 && row >= width) {
    // A drawn cursor keys out near-white (as the drawn image does); the pointer image wants alpha.
    std::vector<uint32_t> argb(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(row) + static_cast<size_t>(x)];
        if (!shownHardware) {
          const bool white = (p >> 16 & 0xFF) > 247 && (p >> 8 & 0xFF) > 247 && (p & 0xFF) > 247;
          p = white || (p >> 24) == 0 ? 0 : (p | 0xFF000000u);
        }
        argb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = p;
      }
    made = CreateColorCursor(argb.data(), width, height, width, hot.x, hot.y);
  }
  if (made) {
    const HCURSOR previous = mColorCursor;
    mColorCursor = made;
    ::SetCursor(made);
    context->ShowHardwareCursor(false);
    if (previous) DestroyCursor(previous);
  } else {
    context->SetMouseImage(pixels, width, height, row, hot.x, hot.y, shownHardware);
  }
  shown->Unlock();
}

bool TDxDisplayHandler::UpdateSystemCursor() {
  if (!mColorCursor) return mHardwareCursor;
  ::SetCursor(mColorCursor);
  return true;
}

void TDxDisplayHandler::SetCursorOption(bool vsync) {
  mVsync = vsync;
  mData->mContext->SetCursorOption(vsync ? 1 : 0);
}

POINT TDxDisplayHandler::SetMouseImagePosition(int x, int y) {
  std::lock_guard<std::mutex> guard(mMouseLock);
  ++mImageUpdates;
  if (x == -1 && y == -1) {
    POINT p;
    GetCursorPos(&p);
    x = p.x - mCursorRect.left;
    y = p.y - mCursorRect.top;
  }
  mMouseImage = POINT{x, y};
  mMouseImageVisible = true;
  if (TDXContext* context = mData->mContext.get()) context->SetMouseImagePosition(x, y);
  return mMouseImage;
}

void TDxDisplayHandler::HideMouseImage() {
  mMouseImageVisible = false;
  if (TDXContext* context = mData->mContext.get()) context->HideMouseImage();
}

void TDxDisplayHandler::RefreshCursorRect() {
  if (!mWindow) return;
  RECT c;
  if (!GetClientRect(mWindow, &c)) return;
  POINT origin{0, 0};
  ClientToScreen(mWindow, &origin);
  std::lock_guard<std::mutex> guard(mMouseLock);
  mCursorRect = RECT{origin.x, origin.y, origin.x + c.right, origin.y + c.bottom};
}
