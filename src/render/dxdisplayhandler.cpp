// The display handler's operations that exist so far (see dxdisplayhandler.h).
#include "render/dxdisplayhandler.h"

#include "os/winuser.h"

bool TDxDisplayHandler::SetFullScreen(bool fullScreen) {
  mFullScreen = fullScreen;
  return true;
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
  return mMouseImage;
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
