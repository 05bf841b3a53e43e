// The display handler (device, display mode, cursor image). Only the operations the event pump and
// window procedure call exist yet, keeping the state they report; the display set-up, drawing and
// cursor code fill the rest in.
#pragma once
#include <mutex>

#include "os/win32types.h"

class TDxDisplayHandler {
 public:
  // Whether the device can draw this frame (its flip test); false sends the pump into Restore.
  bool IsReady() const { return mReady; }
  // Whether the last flip has completed (the facade's display-ready test).
  bool IsFlipDone() const { return mReady; }
  bool IsFullScreen() const { return mFullScreen; }
  // Switches between full screen and a window; true when the display is in the wanted mode.
  bool SetFullScreen(bool fullScreen);
  // Forgets the device state remembered for a later restore (the window went inactive).
  void ResetStateFlag() { mStateFlag = false; }
  // Whether the device can draw now (the polling thread moves the cursor image only then).
  bool CanRender() const { return mReady; }
  // Where the cursor image stands, in window pixels (safe from the polling thread).
  POINT GetMouseImagePosition() const {
    std::lock_guard<std::mutex> guard(mMouseLock);
    return mMouseImage;
  }
  // Moves the cursor image to a point (-1, -1: where the pointer is) and answers the point it took.
  POINT SetMouseImagePosition(int x, int y);
  void HideMouseImage() { mMouseImageVisible = false; }
  bool IsMouseImageVisible() const { return mMouseImageVisible; }
  // The screen rectangle the cursor image maps to (the window's client area).
  RECT GetCursorRect() const {
    std::lock_guard<std::mutex> guard(mMouseLock);
    return mCursorRect;
  }
  void RefreshCursorRect();
  // Sets the system pointer for the client area; true when it did so (a hardware cursor is shown).
  bool UpdateSystemCursor() { return mHardwareCursor; }
  // Reads the desktop's size and depth again.
  void RefreshDesktopMetrics() { ++mDesktopRefreshes; }

  // State until the display code exists (tests set it).
  bool mReady = true;
  bool mFullScreen = false;
  bool mStateFlag = true;
  bool mHardwareCursor = false;
  bool mMouseImageVisible = true;
  POINT mMouseImage{0, 0};
  RECT mCursorRect{0, 0, 0, 0};
  HWND mWindow = nullptr;  // the window whose client area the cursor rectangle follows
  int mDesktopRefreshes = 0;
  int mImageUpdates = 0;   // SetMouseImagePosition calls

 private:
  mutable std::mutex mMouseLock;
};
