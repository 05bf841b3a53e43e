// The chapter title card: its four children and their timed fade-in.
#include "shell/chapterscreen.h"

#include <algorithm>

#include "model/globals.h"
#include "model/highscore.h"
#include "model/scenekinds.h"
#include "render/texture.h"
#include "shell/scenetext.h"
#include "ui/image.h"

namespace {

const float kCardInk[4] = {45 / 255.0f, 5 / 255.0f, 0.0f, 1.0f};
const char kCardFont[] = "fonts/schwarzwald.mvec";
constexpr float kCardStep = 0.03f;

// One step of a caption's fade-in, capped at 1.
float Raise(float alpha) { return alpha < 1.0f ? std::min(1.0f, alpha + kCardStep) : alpha; }

}  // namespace

TChapterScreenWindow::TChapterScreenWindow() {
  mCardClock.Reset();
  mCardClock.Pause();
  if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->PausePlay();
}

TChapterScreenWindow::~TChapterScreenWindow() {
  if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->StartPlay();
}

void TChapterScreenWindow::OnFadeInCompleted() { mCardClock.Start(); }

bool TChapterScreenWindow::OnMouseDown(TPoint point) {
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  if (globals && globals->GetGlobalBool("showBriefingWindow")) return true;
  if (IsInputBlocked()) return TScene::OnMouseDown(point);
  Skip();
  return true;
}

void TChapterScreenWindow::PostCreate(TWindowStyle& style) {
  auto* card = dynamic_cast<CChapterScreen*>(mScene);
  const int32_t w = ConfigInt("screenwidth");
  const int32_t h = ConfigInt("screenheight");

  auto* picture = new TImage(false);
  picture->SetName("locationImage");
  picture->SetTexture(TTexture::Get(card ? card->GetLocationImage() : "", 0), 1.0f);
  picture->MoveTo(card ? card->GetLocationX() : 0, card ? card->GetLocationY() : 0);
  picture->SetAlpha(0.0f);
  AddChild(picture, false);

  TWindow* location = scenetext::Make("locationText", LookUpLabel(card ? card->GetLocationText() : ""), w, h, 0,
                                      kCardFont, 35, kCardInk, 1);
  const TRect extent = scenetext::GetTextRect(location);
  const int32_t textWidth = extent.right - extent.left;
  scenetext::SetBoxSize(location, textWidth, extent.bottom - extent.top);
  // Centred under the picture.
  const TRect frame = picture->GetScreenRect();
  location->MoveTo(frame.left + (frame.right - frame.left) / 2 - textWidth / 2, frame.bottom + 8);
  scenetext::SetTextAlpha(location, mLocationTextAlpha);
  AddChild(location, false);

  TWindow* title = scenetext::Make("title", LookUpLabel(card ? card->GetTitle() : ""), 337, 60, 1, kCardFont, 50,
                                   kCardInk, 1);
  scenetext::SetBoxSize(title, 337, 60);
  title->MoveTo(628, 320);
  scenetext::SetTextAlpha(title, mTitleAlpha);
  AddChild(title, false);

  TWindow* subtitle = scenetext::Make("subtitle", LookUpLabel(card ? card->GetSubtitle() : ""), 337, 90, 1, kCardFont,
                                      37, kCardInk, 100);
  scenetext::SetBoxSize(subtitle, 337, 90);
  subtitle->MoveTo(628, 390);
  scenetext::SetTextAlpha(subtitle, mSubtitleAlpha);
  AddChild(subtitle, false);

  TScene::PostCreate(style);
}

bool TChapterScreenWindow::Animate() {
  if (!mCardClock.IsPaused()) {
    const uint32_t t = mCardClock.GetTime();
    float pictureAlpha = 1.0f;
    if (TImage* picture = FindImage("locationImage")) {
      if (picture->GetAlpha() < 1.0f) picture->SetAlpha(picture->GetAlpha() + kCardStep);
      pictureAlpha = picture->GetAlpha();
    }
    mLocationTextAlpha = Raise(mLocationTextAlpha);
    scenetext::SetTextAlpha(FindText("locationText"), mLocationTextAlpha);
    if (t > 1999) {
      mTitleAlpha = Raise(mTitleAlpha);
      scenetext::SetTextAlpha(FindText("title"), mTitleAlpha);
    }
    if (t > 3999) {
      mSubtitleAlpha = Raise(mSubtitleAlpha);
      scenetext::SetTextAlpha(FindText("subtitle"), mSubtitleAlpha);
    }
    if (pictureAlpha >= 1.0f && mLocationTextAlpha >= 1.0f && mTitleAlpha >= 1.0f && mSubtitleAlpha >= 1.0f &&
        t > 10000) {
      mCardClock.Pause();
      Skip();
    }
  }
  return TScene::Animate();
}
