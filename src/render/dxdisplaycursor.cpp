// The display handler's cursor: the cursor textures, the vsync option of the cursor drawing, and the
// position of the cursor image in the window's client area.
#include "render/dxdisplayhandler.h"

#include "os/winuser.h"
#include "render/directx.h"
#include "render/dxdisplayhandler_internal.h"
#include "render/texture.h"

using namespace dxdisplay;

void TDxDisplayHandler::SetMouseTexture(const std::shared_ptr<TTexture>& texture, int32_t hotX, int32_t hotY,
                                        bool hardware) {
  {
    std::lock_guard<std::mutex> guard(mMouseLock);
    mMouseTexture[hardware ? 1 : 0] = texture;
    mMouseHotSpot[hardware ? 1 : 0] = POINT{hotX, hotY};
  }
  // The device context draws the image into every presented frame, where the pointer is. A
  // hardware cursor becomes the pointer's own image instead when the back end can make one; then
  // nothing is drawn, so the pointer never shows twice.
  TDXContext* context = mData->mContext.get();
  if (!texture || !context) return;
  uint32_t* pixels = nullptr;
  int row = 0;
  if (!texture->Lock(&pixels, &row)) return;
  HCURSOR made = hardware ? CreateColorCursor(pixels, texture->GetWidth(), texture->GetHeight(), row, hotX, hotY)
                          : nullptr;
  if (made) {
    const HCURSOR previous = mColorCursor;
    mColorCursor = made;
    ::SetCursor(made);
    context->ShowHardwareCursor(false);
    if (previous) DestroyCursor(previous);
  } else {
    context->SetMouseImage(pixels, texture->GetWidth(), texture->GetHeight(), row, hotX, hotY, hardware);
  }
  texture->Unlock();
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
