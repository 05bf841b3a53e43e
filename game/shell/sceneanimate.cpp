// The scene window's frame: ambient sound, hint sparkle, the transition fade with its once-only
// messages, the end of an input block, the short-text fade, the queued presentations (in-game
// objects, briefing texts, letterbox bars, bonus texts) and the pause when the game loses focus.
// All steps are per frame; all times are milliseconds of the scene's clocks.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/config.h"
#include "model/globals.h"
#include "model/scene.h"
#include "particles/effectsprite.h"
#include "render/sprite.h"
#include "shell/animationplayer.h"
#include "shell/scene.h"
#include "shell/scenetext.h"
#include "shell/spriteanimation.h"
#include "shell/spriteanimator.h"
#include "shell/spritewindow.h"
#include "sound/sound.h"
#include "ui/button.h"
#include "ui/image.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"

namespace {

constexpr float kFadeStep = 0.03f;
constexpr float kObjectFadeStep = 0.025f;
constexpr float kBarSlide = 0.02f;
constexpr uint32_t kBriefingMinimum = 500;

bool GlobalBool(const char* name) {
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  return globals && globals->GetGlobalBool(name);
}

}  // namespace

bool TScene::Animate() {
  if (TWindowManager* manager = GetWindowManager()) manager->Invalidate();
  if (TSpriteAnimator* animator = TSpriteAnimator::Instance()) animator->Update();
  AnimateAmbient();
  if (mTransitionAlpha < 0.00001f) mSceneClock.Start();
  AnimateHint();
  AnimateFade();
  AnimateExitGlows();
  AnimateInputBlock();
  AnimateShortText();
  AnimateInGameObjects();
  AnimateBriefing();
  AnimateLetterbox();
  AnimateBonusTexts();
  AnimateButtonCursor();
  AnimateTextures();
  if (GlobalBool("WindowHasNotFocus")) {
    mSceneClock.Pause();
    // Once the pause screen is on top the scene waits under it instead of opening another.
    TWindowManager* manager = GetWindowManager();
    if (manager && manager->GetTopModal() == GetModalParent()) RunScriptText("DoModal('scripts/pause.lua')");
  }
  return true;
}

namespace {
// A shown button of the window's tree that the pointer rests on (or presses).
bool PointerOnButton(const TWindow* window) {
  for (const TWindow* child : window->GetChildren()) {
    if (!child->IsVisible()) continue;
    if (const TButton* button = KindCast<TButton>(const_cast<TWindow*>(child)))
      if (button->GetState() == kButtonRollover || button->GetState() == kButtonPressed) return true;
    if (PointerOnButton(child)) return true;
  }
  return false;
}
}  // namespace

// Buttons take the pointer's moves, so the scene learns of them from the buttons' state: over a
// button the pointer shows that a click there does something, and shows the plain kind once it
// leaves (unless a move over the picture chose another kind meanwhile).
void TScene::AnimateButtonCursor() {
  TModalWindow* modal = GetModalParent();
  TWindowManager* manager = GetWindowManager();
  const bool on = modal && manager && manager->GetTopModal() == modal && PointerOnButton(modal);
  if (on && !mButtonCursor && mCursorKind != kCursorInactive) {
    mButtonCursor = true;
    SetCursor(kCursorActiveRed);
  } else if (!on && mButtonCursor) {
    mButtonCursor = false;
    if (mCursorKind == kCursorActiveRed) SetCursor(kCursorActive);
  }
}

void TScene::AnimateAmbient() {
  mAmbientClock.Start();
  if (!mScene || !*mScene->GetAtmo()) return;
  std::shared_ptr<TSound> sound = GetSceneSound(mScene->GetAtmo(), mScene->GetAtmo());
  const float length = sound ? sound->GetLength() : 0.0f;
  if (mAmbientClock.GetTime() <= mNextAmbientTime) return;
  const int32_t minLoop = mScene->GetMinLoop();
  const int32_t maxLoop = std::max(mScene->GetMaxLoop(), minLoop);
  const double pause = minLoop + std::rand() % (maxLoop - minLoop + 1);
  mNextAmbientTime = static_cast<uint32_t>((pause + length) * 1000.0);
  if (sound) {
    sound->Stop();
    sound->Play(false);
  }
  mAmbientClock.Pause();
  mAmbientClock.Reset();
  mAmbientClock.Start();
}

TVec2 TScene::HintOrbitPoint(int32_t x, int32_t y, float radius, float t) {
  const float radians = t * 360.0f * 3.14159265f / 180.0f;
  return TVec2(x + radius * std::cos(radians), y + radius * std::sin(radians));
}

void TScene::AnimateHint() {
  if (!mHintActive) return;
  mHintTimer += kHintOrbitStep;
  if (mSparkle) mSparkle->GetSpec().transform.SetTranslation(HintOrbitPoint(mHintX, mHintY, mHintRadius, mHintTimer));
  if (mHintTimer >= kHintOrbitEnd) {
    mHintActive = false;
    if (mSparkle && mSpriteWindow) mSpriteWindow->GetRootSprite()->RemoveChild(mSparkle);
  }
}

void TScene::AnimateFade() {
  const float step = mFadeStep;
  if ((step < 0 && mTransitionAlpha > 0) || (step > 0 && mTransitionAlpha <= 1)) {
    if (TImage* transition = FindImage("transition")) transition->SetAlpha(mTransitionAlpha);
    ++mFrameCounter;
    mTransitionAlpha += step;
    if (mTransitionAlpha < ConfigFloat("alphaToShowBriefing") && GlobalBool("showBriefingWindow")) {
      mSceneClock.Pause();
      TWindowManager* manager = GetWindowManager();
      if (manager) manager->DoScriptString(manager->GetTopModal(), "DoModal('scripts/briefingwindow.lua')");
    }
    return;
  }
  if (step < 0 && mTransitionAlpha < 0 && !mFadeInSent) {
    mFadeInSent = true;
    SendGameMessage("fadeInCompleted");
  } else if (step > 0 && mTransitionAlpha > 1 && !mFadeOutSent) {
    mFadeOutSent = true;
    SendGameMessage("fadeOutCompleted");
  }
}

void TScene::AnimateExitGlows() {
  if (!CanUseExits() || !mScene || !mSpriteWindow) return;
  TSpriteAnimator* animator = TSpriteAnimator::Instance();
  mScene->ResetSceneExitIterator();
  while (mScene->HasNextSceneExit()) {
    CSceneExit* exit = mScene->GetNextSceneExit();
    if (!exit || !exit->IsActive() || !exit->IsGlowing() || !*exit->GetImage()) continue;
    int32_t index = -1;
    if (!mSpriteWindow->FindSprite(exit->GetId(), &index)) continue;
    const TSpriteEntry entry = mSpriteWindow->GetSpriteEntry(index);
    if (entry.sprite && animator) animator->StartGlow(entry.sprite, mSpriteWindow->GetRootSprite());
  }
}

void TScene::AnimateInputBlock() {
  if (!mInputBlocked) return;
  if (static_cast<int32_t>(mSceneClock.GetTime()) > mBlockStart) {
    mBlockClock.Start();
    if (mCursorKind != kCursorInactive) SetBlockedCursor();
  }
  if (static_cast<int32_t>(mBlockClock.GetTime()) > mBlockLength) {
    mBlockClock.Pause();
    mBlockClock.Reset();
    mInputBlocked = false;
    if (mCursorKind == kCursorExit) StopExitGlows();
    mCursorKind = kCursorReset;
  }
}

void TScene::AnimateShortText() {
  if (mShortTextClock.IsPaused()) return;
  TImage* bg = FindImage("shorttextBg");
  TWindow* text = FindText("shorttextText");
  if (!bg) return;
  if (static_cast<int32_t>(mShortTextClock.GetTime()) >= ConfigInt("infoboxDisplayTime") && bg->GetAlpha() > 0) {
    mShortTextAlpha = std::max(0.0f, mShortTextAlpha - mShortTextFadeModifier);
    bg->SetAlpha(mShortTextAlpha);
    scenetext::SetTextAlpha(text, mShortTextAlpha);
  }
  if (bg->GetAlpha() <= 0) {
    mShortTextClock.Pause();
    mShortTextClock.Reset();
  }
}

void TScene::AnimateInGameObjects() {
  const uint32_t now = mSceneClock.GetTime();
  bool appended = false;
  for (uint32_t i = 0; i < mInGameObjects.size(); ++i) {
    TSceneTimedText& object = mInGameObjects[i];
    if (object.startTime < now && !object.started && !object.finished &&
        std::find(mShownObjects.begin(), mShownObjects.end(), i) == mShownObjects.end()) {
      mShownObjects.push_back(i);
      appended = true;
    }
  }
  if (appended) {
    for (uint32_t index : mShownObjects) {
      TSceneTimedText& object = mInGameObjects[index];
      if (object.started || object.finished) continue;
      object.clock.Pause();
      object.clock.Reset();
      if (mSpriteWindow) mSpriteWindow->SetSpriteVisible(object.name, true);
      if (!object.text.IsEmpty()) scenetext::SetTextAlpha(FindChild(object.name, -1), 1.0f);
      object.started = true;
      object.clock.Start();
    }
  }
  for (size_t k = 0; k < mShownObjects.size();) {
    TSceneTimedText& object = mInGameObjects[mShownObjects[k]];
    const bool due = object.clock.GetTime() >= object.duration || (object.clicked && !object.keepOnClick);
    if (object.finished || !due) {
      ++k;
      continue;
    }
    float alpha = 0.0f;
    int32_t entryIndex = -1;
    if (mSpriteWindow && mSpriteWindow->FindSprite(object.name, &entryIndex)) {
      const TSpriteEntry entry = mSpriteWindow->GetSpriteEntry(entryIndex);
      if (entry.sprite) {
        alpha = entry.sprite->GetSpec().alpha - kObjectFadeStep;
        if (alpha <= 0) alpha = 0;
        entry.sprite->GetSpec().alpha = alpha;
      }
    }
    float textAlpha = 0.0f;
    TWindow* box = object.text.IsEmpty() ? nullptr : FindChild(object.name, -1);
    if (box) {
      textAlpha = scenetext::GetTextAlpha(box) - kObjectFadeStep;
      if (textAlpha <= 0) textAlpha = 0;
      scenetext::SetTextAlpha(box, textAlpha);
    }
    if (alpha == 0 && textAlpha == 0) {
      object.clock.Pause();
      object.clock.Reset();
      object.finished = true;
      mShownObjects.erase(mShownObjects.begin() + static_cast<ptrdiff_t>(k));
      continue;
    }
    ++k;
  }
}

void TScene::AnimateBriefing() {
  const uint32_t now = mSceneClock.GetTime();
  if (mBriefingPending) {
    mBriefingPending = false;
    for (size_t i = 0; i < mBriefings.size(); ++i) {
      TBriefing& b = mBriefings[i];
      if (b.start < now && !b.shown && i >= mBriefingIndex) {
        ShowBriefingText(i);
        mBriefingIndex = i;
      }
      if (!b.finished) mBriefingPending = true;
    }
  }
  if (mBriefingIndex >= mBriefings.size()) return;
  TImage* bg = FindImage("briefingWindowBg");
  TWindow* text = FindText("briefingWindowText");
  const float imageAlpha = bg ? bg->GetAlpha() : 0.0f;
  TBriefing& current = mBriefings[mBriefingIndex];
  // Advancing needs a next text; without one the flag counts as not set and the text fades.
  const bool canAdvance = current.advanceOnClick && mBriefingIndex + 1 < mBriefings.size();
  if ((!mInfoClock.IsPaused() || mInfoDismissed) && mInfoClock.GetTime() > kBriefingMinimum) {
    const bool timedOut = current.display != uint32_t(-1) && mInfoClock.GetTime() >= current.display && imageAlpha > 0;
    const bool clickedAway = mInfoDismissed && imageAlpha > 0 && !canAdvance;
    if (timedOut || clickedAway) {
      mInfoAlpha -= mInfoFadeStep;
      if (mInfoAlpha < 0) mInfoAlpha = 0;
      if (bg) bg->SetAlpha(mInfoAlpha);
      scenetext::SetTextAlpha(text, mInfoAlpha);
    }
    if (mInfoDismissed && canAdvance) {
      current.finished = true;
      mInfoClock.Pause();
      mInfoClock.Reset();
      TBriefing& next = mBriefings[mBriefingIndex + 1];
      if (next.display != uint32_t(-1)) next.display = current.start + current.display + next.display - now;
      ++mBriefingIndex;
      ShowBriefingText(mBriefingIndex);
      mInfoShown = true;
      mInfoDismissed = false;
      return;
    }
  }
  if (bg && bg->GetAlpha() <= 0 && mInfoShown) {
    current.finished = true;
    mInfoShown = false;
    mInfoDismissed = false;
    mInfoClock.Pause();
    mInfoClock.Reset();
  }
}

void TScene::AnimateLetterbox() {
  TImage* top = FindImage("borderTop");
  TImage* bottom = FindImage("borderBottom");
  if (!top || !bottom) return;
  const int32_t screenHeight = ConfigInt("screenheight");
  const uint32_t now = mSceneClock.GetTime();
  if (mLetterboxPending) {
    mLetterboxPending = false;
    for (size_t i = 0; i < mLetterboxes.size(); ++i) {
      TLetterbox& entry = mLetterboxes[i];
      if (entry.start < now && !entry.slidIn) {
        if (top->GetRect().top < 0 || bottom->GetRect().bottom > screenHeight) {
          top->MoveTo(top->GetRect().left, top->GetRect().top + static_cast<int32_t>(top->GetHeight() * kBarSlide));
          bottom->MoveTo(bottom->GetRect().left,
                         bottom->GetRect().top - static_cast<int32_t>(bottom->GetHeight() * kBarSlide));
        } else {
          mBarsIn = true;
          entry.slidIn = true;
          mLetterboxClock.Pause();
          mLetterboxClock.Reset();
          mLetterboxClock.Start();
        }
        mLetterboxIndex = i;
      }
      if (!entry.slidIn) mLetterboxPending = true;
    }
  }
  if (mLetterboxIndex >= mLetterboxes.size()) return;
  TLetterbox& current = mLetterboxes[mLetterboxIndex];
  if (!mLetterboxClock.IsPaused() && mLetterboxClock.GetTime() >= current.hold && !current.slidOut) {
    const int32_t topHeight = top->GetTexture() ? top->GetTexture()->GetHeight() : top->GetHeight();
    const int32_t bottomHeight = bottom->GetTexture() ? bottom->GetTexture()->GetHeight() : bottom->GetHeight();
    if (top->GetRect().top >= -topHeight || bottom->GetRect().top <= screenHeight + bottomHeight) {
      top->MoveTo(top->GetRect().left, top->GetRect().top - static_cast<int32_t>(top->GetHeight() * kBarSlide));
      bottom->MoveTo(bottom->GetRect().left,
                     bottom->GetRect().top + static_cast<int32_t>(bottom->GetHeight() * kBarSlide));
    } else {
      mBarsIn = false;
      current.slidOut = true;
      mLetterboxClock.Pause();
      mLetterboxClock.Reset();
    }
  }
}

void TScene::AnimateBonusTexts() {
  for (size_t i = 0; i < mBonusTexts.size();) {
    auto& [box, alpha] = mBonusTexts[i];
    alpha -= kFadeStep;
    if (alpha > 0) {
      scenetext::SetTextAlpha(box, alpha);
      box->MoveTo(box->GetRect().left, box->GetRect().top - 1);
      ++i;
      continue;
    }
    RemoveChild(box);
    delete box;
    mBonusTexts.erase(mBonusTexts.begin() + static_cast<ptrdiff_t>(i));
  }
}

void TScene::AnimateTextures() {
  const uint32_t now = mSceneClock.GetTime();
  for (const std::unique_ptr<TAnimationPlayer>& player : mAnimations) player->Update(now);
}
