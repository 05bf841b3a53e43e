// The drawing context. Only what the event pump and the window procedure call exists yet: the
// process-wide instance, the debug overlay switch and the viewport size.
#pragma once
#include <cstdint>

class TDrawContext {
 public:
  static TDrawContext* GetInstance();  // made on first use
  static void DestroyInstance();
  void ToggleDebugOverlay() { mDebugOverlay = !mDebugOverlay; }
  bool IsDebugOverlayOn() const { return mDebugOverlay; }
  // Size of the game's view in pixels (the display set-up decides it).
  void GetViewport(int32_t* width, int32_t* height) const {
    *width = mViewportWidth;
    *height = mViewportHeight;
  }
  void SetViewport(int32_t width, int32_t height) {
    mViewportWidth = width;
    mViewportHeight = height;
  }

 private:
  bool mDebugOverlay = false;
  int32_t mViewportWidth = 800;
  int32_t mViewportHeight = 600;
};
