// The score sheet's line-by-line fade.
#include "shell/scorewindow.h"

#include "core/config.h"
#include "model/highscore.h"
#include "ui/text.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

TScoreWindow::TScoreWindow() {
  if (CHighscoreSystem* scores = CHighscoreSystem::GetInstance()) scores->PausePlay();
  SetConfig("vsync", "1");
}

TScoreWindow::~TScoreWindow() {
  if (CHighscoreSystem* scores = CHighscoreSystem::GetInstance()) scores->StartPlay();
}

void TScoreWindow::Init(TWindowStyle& style) {
  StartAnim(25, true, true, false);
  mRows = static_cast<int32_t>(style.GetNumber("rows", 0));
  mColumns = static_cast<int32_t>(style.GetNumber("columns", 0));
  mAfterLinesName = style.GetString("afterlines", TString());
  // The placement comes with PostCreate; the name is taken now so scripts can find the sheet.
  SetName(style.GetString("name", TString()));
}

void TScoreWindow::PostCreate(TWindowStyle& style) {
  for (size_t i = 0; i < mLines.size(); ++i) {
    mLines[i] = KindCast<TText>(FindChild(kLineNames[i], -1));
    if (mLines[i]) mLines[i]->SetAlpha(0.0f);
  }
  TWindow::PostCreate(style);
  if (TWindow* after = AfterLinesWindow()) after->Show(false);
}

TWindow* TScoreWindow::AfterLinesWindow() {
  return mAfterLinesName.IsEmpty() ? nullptr : FindChild(mAfterLinesName, -1);
}

bool TScoreWindow::Animate() {
  GetWindowManager()->Invalidate();
  mClock.Start();
  if (mClock.GetTime() < mStageDelay) return true;
  if (mStage < 1 || AllLinesShown()) {
    mFade = 0;
    if (!mAfterLinesShown) {
      mAfterLinesShown = true;
      if (TWindow* after = AfterLinesWindow()) after->Show(true);
    }
    return true;
  }
  // A line the script lacks is passed over in the same time as one it has.
  TText* line = mLines[static_cast<size_t>(mStage - 1)];
  mFade += kFadeStep;
  if (line) line->SetAlpha(mFade);
  if (mFade >= 1.0f) {
    if (line) line->SetAlpha(1.0f);
    if (mStage == 1) mStageDelay = 500;
    if (mStage == 5) mStageDelay = 750;
    ++mStage;
    mFade = 0;
    mClock.Reset();
  }
  return true;
}
