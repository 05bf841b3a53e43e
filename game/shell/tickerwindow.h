// The ticker: a text window drawn again every frame, for texts that change on their own (counters,
// scrolling lines). Its text comes from the script through SetText; the style gives it only a place.
#pragma once
#include "ui/text.h"

class TTickerWindow : public TText {
  TM_CLASS(TTickerWindow, TText)

 public:
  TTickerWindow() : TText(false) {}
  static TWindow* CreateInstance() { return new TTickerWindow; }

  // Starts the per-frame redraw and takes the name; nothing else is read from the style.
  void Init(TWindowStyle& style) override;
  bool Animate() override;
  // The first text lays the ticker out over its own size in the default font.
  void SetText(const TString& text) override;
};
