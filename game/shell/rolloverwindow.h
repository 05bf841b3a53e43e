// The rollover window: while the pointer is over it, another window of the same screen (named by
// the style's "activate") is shown, optionally with the style's "text" as its caption; it hides
// again when the pointer leaves.
#pragma once
#include "core/string.h"
#include "ui/window.h"

class TRolloverWindow : public TWindow {
  TM_CLASS(TRolloverWindow, TWindow)

 public:
  TRolloverWindow() = default;
  ~TRolloverWindow() override;
  static TWindow* CreateInstance() { return new TRolloverWindow; }

  void PostCreate(TWindowStyle& style) override;
  bool OnMouseMove(TPoint point) override;
  bool OnMouseLeave() override;

  bool IsTracking() const { return mTracking; }

 private:
  void ShowTarget(bool visible);

  TString mActivateName;
  TString mCaption;
  bool mTracking = false;
};
