// The high-score table: ten rows of name, score, rank and a marker for the entries of this
// machine's players, always from the first game mode's table; an empty table shows "noscores".
#include <cstdio>

#include "core/config.h"
#include "platform/platform.h"
#include "core/stringtable.h"
#include "services/hiscores.h"
#include "shell/fittext.h"
#include "shell/menuwindows.h"
#include "shell/settings.h"
#include "ui/message.h"
#include "ui/text.h"
#include "ui/textlayout.h"

namespace {

void SetWindowText(TWindow* window, const TString& text) {
  if (auto* t = KindCast<TText>(window)) t->SetText(text);
}

}  // namespace

void THiscoreWindow::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  for (int i = 1; i <= 10; ++i) {
    mNameTexts[i - 1] = FindChild(TString::Format("name%d", i), -1);
    if (auto* text = KindCast<TText>(mNameTexts[i - 1]))
      if (TTextLayout* layout = text->GetLayout()) mNameSizes[i - 1] = layout->GetFontSize();
    mScoreTexts[i - 1] = FindChild(TString::Format("score%d", i), -1);
    mRankTexts[i - 1] = FindChild(TString::Format("%d", i), -1);
    mMarkerImages[i - 1] = FindChild(TString::Format("p1_%d", i), -1);
  }
  mTitleText = FindChild("gamemode", -1);
  Refresh();
}

bool THiscoreWindow::OnMessage(TMessage& message) {
  if (message.GetType() == kButtonPress && (message.GetName() == "scrollup" || message.GetName() == "scrolldown")) {
    Refresh();
    return true;
  }
  return false;
}

void THiscoreWindow::Refresh() {
  for (int i = 0; i < 10; ++i)
    for (TWindow* w : {mNameTexts[i], mScoreTexts[i], mRankTexts[i], mMarkerImages[i]})
      if (w) w->Show(false);
  for (const char* name : {"topplayers", "scrollup", "scrolldown", "noscores"})
    if (TWindow* w = FindChild(name, -1)) w->Show(false);
  if (TPlatform* platform = TPlatform::GetInstance())
    if (TStringTable* table = platform->GetStringTable()) SetWindowText(mTitleText, table->GetString("gamemode1"));

  TSettings* settings = TSettings::GetInstance();
  TVxHiscores* scores = settings ? settings->GetScoreClient() : nullptr;
  if (!scores) {
    if (TWindow* w = FindChild("noscores", -1)) w->Show(true);
    return;
  }
  scores->SetUserField(2, "brask_gamemode1");
  const int32_t count = scores->GetScoreCount(true);
  // An empty table says so rather than showing nothing at all.
  if (count == 0)
    if (TWindow* w = FindChild("noscores", -1)) w->Show(true);
  const bool local = GetSettingFlag("hiscorelocal");
  const bool anonymous = GetSettingFlag("hiscoreanon");
  if (local)
    if (TWindow* w = FindChild("topplayers", -1)) w->Show(true);
  mScrollOffset = 0;
  for (int e = 0; e < 10 && mScrollOffset + e < count; ++e) {
    int32_t rank = 0, score = 0;
    bool entry = false;
    char name[64] = {}, data[64] = {};
    if (!scores->GetScore(true, mScrollOffset + e, &rank, name, sizeof name, &entry, &score, data, sizeof data))
      continue;
    if (auto* text = KindCast<TText>(mNameTexts[e])) {
      text->SetText(name);
      FitTextToBox(text, mNameSizes[e] > 0 ? mNameSizes[e] : 20);  // only a long name gets a smaller font
      text->Show(true);
    }
    if (mScoreTexts[e]) {
      SetWindowText(mScoreTexts[e], TString::Format("%d", score));
      mScoreTexts[e]->Show(true);
    }
    if (mRankTexts[e]) {
      SetWindowText(mRankTexts[e], TString::Format("%d.", rank));
      mRankTexts[e]->Show(true);
    }
    if (mMarkerImages[e]) mMarkerImages[e]->Show(!entry && !local && !anonymous);
  }
  const int32_t mode = settings->GetCurrentGameMode();
  scores->SetUserField(2, mode == 0 ? "brask_gamemode1" : mode == 1 ? "brask_gamemode2" : "The Harrowmere");
}
