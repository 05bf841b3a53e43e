// The display handler (device, display mode, cursor image). Only the operations the platform's
// start-up, event pump and window procedure call exist yet, keeping the state they report; the
// device code fills the rest in. Until then a frame is a cleared window shown through the stand-in.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "os/win32types.h"

class TTexture;

class TDxDisplayHandler {
 public:
  TDxDisplayHandler() = default;
  ~TDxDisplayHandler();
  TDxDisplayHandler(const TDxDisplayHandler&) = delete;
  TDxDisplayHandler& operator=(const TDxDisplayHandler&) = delete;

  // The drawing context's handler, or null while there is no drawing context.
  static TDxDisplayHandler* GetInstance();

  // Chooses the display: a window of the size (sized by its client area and shown) or full screen.
  // Asks the platform for the display-changed event and marks the display ready.
  void SetDisplay(int32_t width, int32_t height, bool fullScreen, bool force, bool silent, bool child);
  void GetDisplaySize(int32_t* width, int32_t* height, bool* fullScreen) const;
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
  // Checks which render-target formats the device offers (nothing to check without a device).
  void TestRenderTargets() {}
  // The reaction to an out-of-video-memory result: logged once per display.
  void OutOfVideoMemory();
  // Shows a cleared frame in the window (the whole drawing until the device code exists).
  bool PresentFrame(uint32_t argb);

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
  // The cursor's texture and hot spot: the system pointer's image (hardware) or the drawn one.
  void SetMouseTexture(const std::shared_ptr<TTexture>& texture, int32_t hotX, int32_t hotY, bool hardware);
  void ShowHardwareCursor(bool show) { mHardwareCursor = show; }
  // The device context's switches read at present time ("vsync").
  void SetCursorOption(bool vsync) { mVsync = vsync; }

  // State until the display code exists (tests set it). Read by the polling thread, hence atomic.
  std::atomic<bool> mReady{true};
  std::atomic<bool> mFullScreen{false};
  bool mStateFlag = true;
  std::atomic<bool> mHardwareCursor{false};
  bool mMouseImageVisible = true;
  bool mVsync = false;
  POINT mMouseImage{0, 0};
  RECT mCursorRect{0, 0, 0, 0};
  HWND mWindow = nullptr;  // the window whose client area the cursor rectangle follows
  int32_t mWidth = 0, mHeight = 0;  // the display rectangle
  int mDesktopRefreshes = 0;
  int mImageUpdates = 0;   // SetMouseImagePosition calls
  int mOutOfVideoMemoryCalls = 0;
  // The cursor textures handed over: [0] drawn, [1] hardware.
  std::shared_ptr<TTexture> mMouseTexture[2];
  POINT mMouseHotSpot[2]{};

 private:
  mutable std::mutex mMouseLock;
};
