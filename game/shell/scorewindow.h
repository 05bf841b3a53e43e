// The end-of-level score sheet: its six score lines (texts of its script) fade in one after
// another, the previous level's bonus first and the total last. Play time stands still while the
// sheet is open, and the sheet swallows input aimed at itself (its buttons come from the script).
// The child named by the style key "afterlines" (the sheet's close button) shows only once the
// total has come in, so clicks meant for the screen before cannot close the sheet unseen.
#pragma once
#include <array>
#include <cstdint>

#include "core/clock.h"
#include "core/string.h"
#include "ui/window.h"

class TText;

class TScoreWindow : public TWindow {
  TM_CLASS(TScoreWindow, TWindow)

 public:
  // The score lines in the order they appear.
  static constexpr const char* kLineNames[6] = {"previouslevelbonus", "bonuspointscore", "bonuscompletelevelscore",
                                                "usedhintsbonusscore", "timebonusscore", "scoreedit"};
  static constexpr float kFadeStep = 0.035f;

  TScoreWindow();
  ~TScoreWindow() override;
  static TWindow* CreateInstance() { return new TScoreWindow; }

  void Init(TWindowStyle& style) override;
  void PostCreate(TWindowStyle& style) override;
  bool Animate() override;
  bool OnMouseDown(TPoint) override { return true; }
  bool OnMouseMove(TPoint) override { return true; }
  bool OnChar(int8_t) override { return true; }

  int32_t GetStage() const { return mStage; }
  // True once every line, the total last, has faded in.
  bool AllLinesShown() const { return mStage > static_cast<int32_t>(mLines.size()); }
  int32_t GetRows() const { return mRows; }
  int32_t GetColumns() const { return mColumns; }

 private:
  TWindow* AfterLinesWindow();

  int32_t mRows = 0;
  int32_t mColumns = 0;
  float mFade = 0;
  std::array<TText*, 6> mLines{};  // children; null where the script has no such text
  int32_t mStage = 1;
  TClock mClock;
  uint32_t mStageDelay = 1000;
  TString mAfterLinesName;
  bool mAfterLinesShown = false;
};
