// The hidden-object screen: object sprites, hits and misses with the score keeper, the found
// object's flight to the sidebar, the hint orbit and the miss-penalty spiral.
#include "shell/hiddenobjectgame.h"

#include <cmath>

#include "platform/platform.h"
#include "model/globals.h"
#include "model/hiddenobject.h"
#include "model/highscore.h"
#include "render/drawspec.h"
#include "particles/effectsprite.h"
#include "render/sprite.h"
#include "render/texture.h"
#include "shell/settings.h"
#include "shell/sidebar.h"
#include "shell/spriteanimation.h"
#include "shell/spriteanimator.h"
#include "shell/spritewindow.h"

namespace {

constexpr int32_t kSidebarEdge = 161;  // clicks at or left of it are on the sidebar, never misses

bool BriefingShown() {
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  return globals && globals->GetGlobalBool("showBriefingWindow");
}

}  // namespace

THiddenObjectGameWindow::THiddenObjectGameWindow() {
  BindGlobal("ResetHOG", this, &THiddenObjectGameWindow::ResetHOG);
  BindGlobal("AddFixItem", this, &THiddenObjectGameWindow::AddFixItem);
  BindGlobal("FillHOGList", this, &THiddenObjectGameWindow::FillHOGList);
  BindGlobal("SetInventoryOnWon", this, &THiddenObjectGameWindow::SetInventoryOnWon);
  mModel = dynamic_cast<CHiddenObjectGame*>(mScene);
  if (mModel && mModel->HasHitClickSound()) GetSceneSound("HitSound", mModel->GetHitClickSound());
  if (mModel && mModel->HasMissClickSound()) GetSceneSound("MissSound", mModel->GetMissClickSound());
  if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->HOStart();
}

THiddenObjectGameWindow::~THiddenObjectGameWindow() {
  if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->HOEnd();
  if (mEffect && GetSpriteWindow()) GetSpriteWindow()->GetRootSprite()->RemoveChild(mEffect);
}

void THiddenObjectGameWindow::PostCreate(TWindowStyle& style) {
  TScene::PostCreate(style);
  TSpriteWindow* sprites = GetSpriteWindow();
  if (mModel) {
    for (int32_t i = 0; i < mModel->GetObjectCount(); ++i) {
      CHiddenObject* object = mModel->GetObject(i);
      if (!object) continue;
      TSpriteEntry entry;
      entry.sprite = TSprite::Create(0, TTexture::Get(object->GetImage(), 0));
      entry.sprite->SetSpec(TDrawSpec(TVec2(float(object->GetPositionX()), float(object->GetPositionY())), 1.0f, 1.0f,
                                      kDrawUseAnchor));
      entry.sprite->SetVisible(object->IsVisible());
      entry.name = object->GetId();
      entry.clickable = entry.active = object->IsActive();
      sprites->AddSpriteEntry(entry);
    }
  }
  mSidebar = new TSidebarWindow(kSidebarHiddenObject);
  mSidebar->SetSize(ConfigInt("screenwidth"), ConfigInt("screenheight"));
  AddChild(mSidebar, false);
  mSidebar->StartUpdates();
  for (const char* name : {"tutorial", "tutorialtextText", "transition"})
    if (TWindow* child = FindChild(name, 1)) child->Restack(1);
  if (mModel && !mModel->GetShowHintButton()) mSidebar->SetHintButtonVisible(false);
  if (mModel && !mModel->GetShowDiaryButton()) mSidebar->SetDiaryButtonVisible(false);
}

// ---- script functions ----

void THiddenObjectGameWindow::ResetHOG() {
  if (!mModel) return;
  mModel->ClearDisplayedItems();
  for (int32_t i = 0; i < mModel->GetObjectCount(); ++i)
    if (CHiddenObject* object = mModel->GetObject(i); object && object->IsActive()) object->SetVisible(true);
}

void THiddenObjectGameWindow::AddFixItem(TString name) {
  if (mModel) mModel->AddDisplayedItem(name.CStr());
}

void THiddenObjectGameWindow::FillHOGList() {
  if (mModel) mModel->SetFillItemList(1);
  TSpriteWindow* sprites = GetSpriteWindow();
  for (int32_t i = 0; i < sprites->GetSpriteCount(); ++i) {
    const TSpriteEntry entry = sprites->GetSpriteEntry(i);
    if (entry.sprite) entry.sprite->SetVisible(true);
  }
}

void THiddenObjectGameWindow::SetInventoryOnWon(TString name) {
  if (mModel) mModel->SetPickedUpInventoryItemOnWon(name.CStr());
}

// ---- input ----

bool THiddenObjectGameWindow::OnMouseMove(TPoint point) {
  if (mModel && ConfigInt("sidebarWidth") < point.x && point.x < mModel->GetSTDLeftSideOfActiveSide()) {
    if (GetCursorKind() != kCursorActiveRed) SetCursor(kCursorActiveRed);
  } else if (GetCursorKind() != kCursorActive && GetCursorKind() != kCursorInactive) {
    SetCursor(kCursorActive);
  }
  return TScene::OnMouseMove(point);
}

bool THiddenObjectGameWindow::OnMouseDown(TPoint point) {
  if (BriefingShown()) return true;
  if (IsInputBlocked()) return TScene::OnMouseDown(point);
  const bool consumed = TScene::OnMouseDown(point);
  if (consumed || !CanUseExits()) return consumed;
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  TSpriteWindow* sprites = GetSpriteWindow();
  int32_t index = -1;
  const bool hit = sprites->HitTest(point, &index);
  if (hit && mModel) {
    const TSpriteEntry entry = sprites->GetSpriteEntry(index);
    const std::string name = entry.name.CStr();
    if (mModel->IsItemDisplayed(name) && entry.clickable && entry.kind == 0) {
      const uint32_t bonus = score ? score->HOHitClick() : 0;
      ShowBonusText(point, static_cast<int32_t>(bonus));
      sprites->SetSpriteKind(index, 1);
    } else if (point.x > kSidebarEdge && score) {
      score->HOMissClick();
    }
    if (mModel->MarkItemFound(name)) {
      SetTutorialVisible(false);
      if (CHiddenObject* object = mModel->FindHiddenObject(name)) object->SetVisible(false);
      const int32_t speed = ConfigInt("hogDestSpeedObj");
      if (entry.sprite)
        TSpriteAnimator::Instance()->StartMove(entry.sprite, sprites->GetRootSprite(), ConfigInt("hogDestXObj"),
                                               ConfigInt("hogDestYObj"), static_cast<uint32_t>(std::max(speed, 0)),
                                               false, false);
      PlaySceneSound("HitSound", false, true, true);
      if (CHiddenObject* object = mModel->FindHiddenObject(name)) object->DoAction("OnPickedUp");
      return true;
    }
  } else if (point.x > kSidebarEdge && score) {
    score->HOMissClick();
  }
  PlaySceneSound("MissSound", false, true, true);
  return hit;
}

// ---- hint and penalty ----

bool THiddenObjectGameWindow::StartObjectHint() {
  if (mHintActive) return false;
  TSpriteWindow* sprites = GetSpriteWindow();
  const std::string item = mModel ? mModel->GetRandomPendingItem() : std::string();
  int32_t index = -1;
  if (item.empty() || !sprites || !sprites->FindSprite(item.c_str(), &index)) return false;
  if (!mEffect) mEffect = std::make_shared<TFxHostSprite>(10, TFxSprite::Create(10, "fx/spinshinebrasks.lua"));
  sprites->AttachSprite(mEffect);
  mHintTimer = 0.0f;
  int32_t x = 0, y = 0, w = 0, h = 0;
  const TSpriteEntry entry = sprites->GetSpriteEntry(index);
  if (entry.sprite && entry.sprite->GetTexture()) {
    w = entry.sprite->GetTexture()->GetWidth();
    h = entry.sprite->GetTexture()->GetHeight();
  }
  sprites->GetSpritePosition(item.c_str(), &x, &y);
  mOrbitRadius = mHintRadius;
  mCentreX = x + w / 2;
  mCentreY = y + h / 2;
  mHintActive = true;
  return true;
}

bool THiddenObjectGameWindow::Animate() {
  if (mHintActive) {
    // The same orbit as the adventure scenes' hint: whole turns round the object, then gone.
    mHintTimer += kHintOrbitStep;
    mOrbitAngle = mHintTimer * 360.0f;
    mEffectPosition = HintOrbitPoint(mCentreX, mCentreY, mOrbitRadius, mHintTimer);
    if (mEffect) mEffect->GetSpec().transform.SetTranslation(mEffectPosition);
    if (mHintTimer >= kHintOrbitEnd) {
      mHintActive = false;
      if (mEffect) GetSpriteWindow()->GetRootSprite()->RemoveChild(mEffect);
    }
  }
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  if (score && score->IsPenaltyActive()) {
    const float inner = ConfigFloat("hogHintInnerRadius");
    const float outer = ConfigFloat("hogHintOuterRadius");
    const float space = ConfigFloat("hogHintSpaceSpiral");
    auto radius = [&](float degrees) {
      const float r = inner + space * degrees / 360.0f;
      return outer <= r ? outer : r;
    };
    const float a = mSpiralDegrees;
    const float aRad = a / 180.0f * 3.1415927f;
    const float oldX = std::cos(aRad) * radius(a), oldY = std::sin(aRad) * radius(a);
    mSpiralDegrees += ConfigFloat("hogHintDegPerStep");
    const float b = mSpiralDegrees;
    const float bRad = b / 180.0f * 3.1415927f;
    const float newX = std::cos(bRad) * radius(b), newY = std::sin(bRad) * radius(b);
    int32_t x = 0, y = 0;
    if (TSettings* settings = TSettings::GetInstance()) {
      settings->GetMousePosition(&x, &y);
      x += static_cast<int32_t>(newX - oldX);
      y -= static_cast<int32_t>(newY - oldY);
      settings->SetMousePosition(x, y);
    }
    if (TPlatform* platform = TPlatform::GetInstance()) platform->SetMousePosition(POINT{x, y});
  } else {
    mSpiralDegrees = 0.0f;
  }
  return TScene::Animate();
}
