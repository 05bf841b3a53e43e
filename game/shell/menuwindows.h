// The menu screens' window types: the main menu with its fade and transition cover, the options
// with their sound sliders and toggles, the profile chooser, the high-score table and the credits
// roll. Their buttons, sliders and texts come from the screen scripts; these classes find them by
// name and talk to the settings keeper and the score client.
#pragma once
#include <cstdint>
#include <memory>

#include "script/scriptbinding.h"
#include "shell/fadeinout.h"
#include "ui/image.h"
#include "ui/window.h"

class TSound;
class TText;
class TTextLayout;
class TVxMiniVecDraw;

// A screen-sized picture; the main menu fades it.
class TTransitionWindow : public TImage {
  TM_CLASS(TTransitionWindow, TImage)

 public:
  TTransitionWindow() : TImage(true) {}
};

class TMainMenuWindow : public TFadeInOutInterface {
  TM_CLASS(TMainMenuWindow, TFadeInOutInterface)

 public:
  TMainMenuWindow();
  ~TMainMenuWindow() override;
  static TWindow* CreateInstance() { return new TMainMenuWindow; }

  void PostCreate(TWindowStyle& style) override;
  bool Animate() override;
  bool OnMouseMove(TPoint) override { return true; }
  bool OnMouseDown(TPoint) override { return true; }
  bool OnChar(int8_t) override { return true; }

  // Shows "welcome" with the current player's name, or hides it and "changeplayer" without players.
  void SetWelcomeName();
  float GetFadeAlpha() const { return mAlpha; }

 private:
  float mAlpha = 1.0f;
  bool mFadedIn = false;
  bool mSceneOpened = false;
  TScriptBindings mBindings;
};

class TOptionsWindow : public TWindow {
  TM_CLASS(TOptionsWindow, TWindow)

 public:
  TOptionsWindow();
  ~TOptionsWindow() override;
  static TWindow* CreateInstance() { return new TOptionsWindow; }

  void PostCreate(TWindowStyle& style) override;
  bool OnMessage(TMessage& message) override;
  // Stores both sliders' levels (per mille) for the current player.
  void SaveVolumes();

 private:
  std::shared_ptr<TSound> mLeverSound;
  bool mFirstLevelMessage = true;
  TScriptBindings mBindings;
};

class TProfilesWindow : public TWindow {
  TM_CLASS(TProfilesWindow, TWindow)

 public:
  TProfilesWindow();
  ~TProfilesWindow() override;
  static TWindow* CreateInstance() { return new TProfilesWindow; }

  void PostCreate(TWindowStyle& style) override;
  // Hands the first ten player names to the script's UpdatePlayerChoices, then fits each name
  // into its button.
  void SetPlayerChoices();
  // The index of the first selected "button%d" (0..9), 0 when none is selected.
  int32_t GetCurrentSelectedUser();
  TString GetSelectedPlayerName();

 private:
  // The text "label" of "button%d", or null.
  TText* ButtonLabel(int32_t index);

  int mLabelSizes[10] = {};
  TScriptBindings mBindings;
};

class THiscoreWindow : public TWindow {
  TM_CLASS(THiscoreWindow, TWindow)

 public:
  static TWindow* CreateInstance() { return new THiscoreWindow; }

  void PostCreate(TWindowStyle& style) override;
  bool OnMessage(TMessage& message) override;
  void Refresh();

 private:
  int32_t mScrollOffset = 0;
  TWindow* mNameTexts[10] = {};
  int mNameSizes[10] = {};  // each name's font size as the layout gave it
  TWindow* mScoreTexts[10] = {};
  TWindow* mRankTexts[10] = {};
  TWindow* mMarkerImages[10] = {};
  TWindow* mTitleText = nullptr;
};

class TCreditsWindow : public TWindow {
  TM_CLASS(TCreditsWindow, TWindow)

 public:
  TCreditsWindow();
  ~TCreditsWindow() override;
  static TWindow* CreateInstance() { return new TCreditsWindow; }

  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool Animate() override;

  // Milliseconds of the roll that count (the intro pause taken off), from the first frame on.
  uint32_t GetRollTime();
  // The three column texts as the layouts were made from them (one copy each).
  const TString& GetColumnText(int column) const { return mColumns[column]; }
  int32_t GetScrollRange() const { return mScrollRange; }

 private:
  TString FormatPiece(const TString& piece) const;

  std::unique_ptr<TTextLayout> mLeftLayout, mRightLayout, mCentreLayout;
  std::unique_ptr<TVxMiniVecDraw> mDraw;
  uint32_t mStartTime = 0;
  int32_t mScrollRange = 0;
  TString mFontName;
  uint32_t mFontSize = 16;
  uint32_t mColumnGap = 0, mRollTime = 0, mIntroPause = 0, mColumnWidth = 0;
  float mFontColor[4] = {1, 1, 1, 1};
  TString mHeaderColorDigits;
  TString mFileName;
  TString mColumns[3];
  bool mClosing = false;
};
