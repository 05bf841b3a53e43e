// TFadeInOutInterface: a plain window with a signed per-frame fade step. The scene windows and the
// main menu derive from it, so the game flow can find the screen that fades ("scene") by its kind
// and start its fade-out.
#pragma once
#include "ui/window.h"

class TFadeInOutInterface : public TWindow {
  TM_CLASS(TFadeInOutInterface, TWindow)

 public:
  TFadeInOutInterface() = default;
  static TWindow* CreateInstance() { return new TFadeInOutInterface; }

  virtual void SetFadeStep(float step) { mFadeStep = step; }
  float GetFadeStep() const { return mFadeStep; }

 protected:
  // Negative fades in (the cover clears), positive fades out.
  float mFadeStep = -0.03f;
};
