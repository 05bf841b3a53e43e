// TChapterScreenWindow: the chapter title card. The location picture and its caption fade in when
// the scene's fade-in ends, the title from 2 s on and the subtitle from 4 s on; after 10 s, or at a
// click, the card moves on to the next scene. Play time does not count while the card is shown.
#pragma once
#include <cstdint>

#include "core/clock.h"
#include "shell/scene.h"

class TChapterScreenWindow : public TScene {
  TM_CLASS(TChapterScreenWindow, TScene)

 public:
  TChapterScreenWindow();
  ~TChapterScreenWindow() override;
  static TWindow* CreateInstance() { return new TChapterScreenWindow; }

  void PostCreate(TWindowStyle& style) override;
  bool Animate() override;
  bool OnMouseDown(TPoint point) override;
  void OnFadeInCompleted() override;

  float GetTitleAlpha() const { return mTitleAlpha; }
  float GetSubtitleAlpha() const { return mSubtitleAlpha; }
  float GetLocationTextAlpha() const { return mLocationTextAlpha; }

 private:
  TClock mCardClock;
  float mTitleAlpha = 0.0f;
  float mSubtitleAlpha = 0.0f;
  float mLocationTextAlpha = 0.0f;
};
