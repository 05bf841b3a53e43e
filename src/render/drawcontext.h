// The drawing context. Only what the platform calls exists yet: the process-wide instance with the
// display handler it holds, the debug overlay switch, the viewport size and the clip-rectangle
// stack.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/rect.h"

class TDxDisplayHandler;

class TDrawContext {
 public:
  TDrawContext();
  ~TDrawContext();
  TDrawContext(const TDrawContext&) = delete;
  TDrawContext& operator=(const TDrawContext&) = delete;

  static TDrawContext* GetInstance();  // made on first use, with its display handler
  static TDrawContext* Find();         // the instance, or null (nothing is made)
  static void DestroyInstance();
  TDxDisplayHandler* GetDisplayHandler() const { return mDisplay.get(); }

  bool ToggleDebugOverlay() { return mDebugOverlay = !mDebugOverlay; }
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
  void PushClipRect(const TRect& rect) { mClipRects.push_back(rect); }
  // Pops only while two or more entries are held: the base rectangle stays.
  void PopClipRect() {
    if (mClipRects.size() >= 2) mClipRects.pop_back();
  }
  // The top entry, or an all-zero rectangle when the stack is empty.
  TRect GetClipRect() const { return mClipRects.empty() ? TRect() : mClipRects.back(); }

 private:
  std::unique_ptr<TDxDisplayHandler> mDisplay;
  bool mDebugOverlay = false;
  int32_t mViewportWidth = 800;
  int32_t mViewportHeight = 600;
  std::vector<TRect> mClipRects;
};
