// The adventure screen: scene-object and exit sprites, clicks and hovers on objects and hotspots,
// picking objects up, fading objects out, the free text boxes and the sidebar.
#include "shell/adventurescreen.h"

#include <algorithm>

#include "core/log.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/minigamemodels.h"
#include "model/scenekinds.h"
#include "render/drawspec.h"
#include "render/sprite.h"
#include "render/texture.h"
#include "shell/scenetext.h"
#include "shell/settings.h"
#include "shell/sidebar.h"
#include "shell/spritewindow.h"
#include "ui/windowmanager.h"

namespace {

bool BriefingShown() {
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  return globals && globals->GetGlobalBool("showBriefingWindow");
}

std::shared_ptr<TSprite> PlacedSprite(std::shared_ptr<TTexture> texture, int32_t x, int32_t y) {
  std::shared_ptr<TSprite> sprite = TSprite::Create(0, texture);
  // Placed by its top-left corner.
  sprite->SetSpec(TDrawSpec(TVec2(float(x), float(y)), 1.0f, 1.0f, kDrawUseAnchor));
  return sprite;
}

}  // namespace

TAdventureScreenWindow::TAdventureScreenWindow() {
  mModel = dynamic_cast<CAdventureScreen*>(mScene);
  BindGlobal("SetTimesPickable", this, &TAdventureScreenWindow::SetTimesPickable);
  BindGlobal("FadeOut", this, &TAdventureScreenWindow::FadeOut);
  BindGlobal("SetTextForSceneObject", this, &TAdventureScreenWindow::SetTextForSceneObject);
}

TAdventureScreenWindow::~TAdventureScreenWindow() {
  if (mModel) {
    mModel->Detach(this);
    mModel->ClearTextboxWindows();
  }
}

void TAdventureScreenWindow::PostCreate(TWindowStyle& style) {
  TSpriteWindow* sprites = GetSpriteWindow();
  const int32_t w = ConfigInt("screenwidth");
  const int32_t h = ConfigInt("screenheight");
  if (mModel) {
    mModel->ClearTextboxWindows();
    mModel->ResetSceneObjectIterator();
    while (mModel->HasNextSceneObject()) {
      CSceneObject* object = mModel->NextSceneObject();
      if (!object) continue;
      TSpriteEntry entry;
      entry.sprite = PlacedSprite(GetSceneTexture(object->GetImage()), object->GetPositionX(), object->GetPositionY());
      entry.sprite->SetVisible(object->IsVisible());
      entry.sprite->GetSpec().alpha = object->GetAlpha();
      entry.name = object->GetId();
      entry.clickable = entry.active = object->IsActive();
      entry.id = kEntrySceneObject;
      sprites->AddSpriteEntry(entry);
    }
    mModel->ResetSceneExitIterator();
    while (mModel->HasNextSceneExit()) {
      CSceneExit* exit = mModel->GetNextSceneExit();
      if (!exit || !*exit->GetImage()) continue;
      TSpriteEntry entry;
      entry.sprite = PlacedSprite(GetSceneTexture(exit->GetImage()), exit->GetImagePositionX(), exit->GetImagePositionY());
      entry.name = exit->GetId();
      entry.id = kEntryExitImage;
      sprites->AddSpriteEntry(entry);
    }
  }
  mSidebar = new TSidebarWindow(mModel && mModel->IsType(kScenePlacingObject) ? kSidebarPlacing : kSidebarAdventure);
  mSidebar->SetSize(w, h);
  AddChild(mSidebar, false);
  mSidebar->StartUpdates();
  if (mModel) {
    mModel->Attach(this);
    for (int32_t i = 0; i < mModel->GetTextboxCount(); ++i) {
      TWindow* box = scenetext::Make(TString::Format("textbox%d", i), LookUpLabel(mModel->GetTextboxText(i)),
                                     mModel->GetTextboxWidth(), mModel->GetTextboxHeight(), 0, mModel->GetTextFont(),
                                     std::max(mModel->GetLineHeight(), 1),
                                     scenetext::FromBytes(mModel->GetTextColor()).data(), 100);
      const auto at = mModel->GetTextboxPosition(i);
      box->MoveTo(at.x, at.y);
      scenetext::SetRotation(box, mModel->GetTextboxRotation(i), mModel->GetTextboxWidth() / 2.0f,
                             mModel->GetTextboxHeight() / 2.0f);
      mModel->AddTextboxWindow(box);
    }
    for (int32_t i = 0; i < mModel->GetTextboxCount(); ++i) AddChild(mModel->GetTextboxWindow(i), false);
    if (!mModel->GetShowHintButton()) mSidebar->SetHintButtonVisible(false);
    if (!mModel->GetShowDiaryButton()) mSidebar->SetDiaryButtonVisible(false);
  }
  TScene::PostCreate(style);
}

void TAdventureScreenWindow::Update(CObservedSubject*) {
  if (!mModel) return;
  TSpriteWindow* sprites = GetSpriteWindow();
  for (int32_t i = 0; i < sprites->GetSpriteCount(); ++i) {
    const TSpriteEntry entry = sprites->GetSpriteEntry(i);
    if (entry.id != kEntrySceneObject || !entry.sprite) continue;
    CSceneObject* object = mModel->FindSceneObject(entry.name.CStr());
    if (!object) continue;
    sprites->SetSpriteClickable(entry.name, object->IsActive());
    const TFade* fade = object->IsVisible() ? nullptr : FindFade(entry.name.CStr());
    entry.sprite->GetSpec().alpha = fade ? fade->alpha : object->GetAlpha();
    entry.sprite->SetVisible(fade || object->IsVisible());
  }
  if (TWindowManager* manager = GetWindowManager()) manager->Invalidate();
}

// ---- script functions and slots ----

void TAdventureScreenWindow::SetTimesPickable(TString name, int32_t count) {
  if (CSceneObject* object = mModel ? mModel->FindSceneObject(name.CStr()) : nullptr) object->SetTimesPickable(count);
}

void TAdventureScreenWindow::FadeOut(TString name) {
  CSceneObject* object = mModel ? mModel->FindSceneObject(name.CStr()) : nullptr;
  if (!object || !object->IsVisible() || FindFade(name.CStr())) return;
  // Gone from the model at once; only the picture fades, from this window's own state.
  mFadeQueue.push_back({name.CStr(), object->GetAlpha()});
  mModel->SetObjectVisible(name.CStr(), false);
}

const TAdventureScreenWindow::TFade* TAdventureScreenWindow::FindFade(const std::string& name) const {
  for (const TFade& fade : mFadeQueue)
    if (fade.name == name) return &fade;
  return nullptr;
}

void TAdventureScreenWindow::SetTextForSceneObject(TString name, TString text) {
  if (CSceneObject* object = mModel ? mModel->FindSceneObject(name.CStr()) : nullptr) object->SetText(text.CStr());
}

void TAdventureScreenWindow::SetSceneObjectVisible(const TString& name, bool visible) {
  if (CSceneObject* object = mModel ? mModel->FindSceneObject(name.CStr()) : nullptr) object->SetVisible(visible);
}

void TAdventureScreenWindow::SetSceneObjectActive(const TString& name, bool active) {
  if (!mModel) return;
  mModel->SetObjectActive(name.CStr(), active);
  if (CSceneObject* object = mModel->FindSceneObject(name.CStr())) object->SetActive(active);
}

void TAdventureScreenWindow::AddInventoryItem(TString id) {
  if (auto* placing = dynamic_cast<CPlacingObjectGame*>(mModel)) {
    placing->GetInventory().AddItem(id.CStr());
    return;
  }
  TScene::AddInventoryItem(id);
}

void TAdventureScreenWindow::RemoveInventoryItem(TString id) {
  if (auto* placing = dynamic_cast<CPlacingObjectGame*>(mModel)) {
    placing->GetInventory().RemoveItem(id.CStr());
    return;
  }
  TScene::RemoveInventoryItem(id);
}

// ---- input ----

bool TAdventureScreenWindow::OnMouseDown(TPoint point) {
  if (BriefingShown()) return true;
  if (IsInputBlocked()) return TScene::OnMouseDown(point);
  if (!CanUseExits()) return false;
  if (CSceneHotspot* hotspot = FindHotspotAt(point); hotspot && hotspot->IsActive()) {
    if (*hotspot->GetText()) ShowShortText(LookUpLabel(hotspot->GetText()));
    hotspot->DoAction("OnClick");
  }
  int32_t index = -1;
  TSpriteWindow* sprites = GetSpriteWindow();
  if (!sprites->HitTest(point, &index)) return TScene::OnMouseDown(point);
  const TSpriteEntry entry = sprites->GetSpriteEntry(index);
  CSceneObject* object = mModel ? mModel->FindSceneObject(entry.name.CStr()) : nullptr;
  if (!object) return TScene::OnMouseDown(point);
  if (!object->IsActive()) return true;
  if (object->IsPickable()) {
    CGame* game = CGame::GetInstance();
    const std::string item = object->GetInvItem();
    if (game) game->GetInventory().AddItem(item);
    object->SetTimesPickable(object->GetTimesPickable() - 1);
    object->DoAction("OnPickedUp");
    const CInventoryItem* definition = game ? game->GetInventoryItem(item) : nullptr;
    if (CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance()) {
      globals->SetGlobalString("description", definition ? definition->GetDescription() : "");
      globals->SetGlobalString("pickupImage", definition ? definition->GetPickUpImage() : "");
    }
    RunScriptText("DoModal('scripts/pickupwindow.lua')");
  } else if (*object->GetText()) {
    ShowShortText(LookUpLabel(object->GetText()));
  } else {
    object->DoAction("OnPickedUp");
  }
  return true;
}

bool TAdventureScreenWindow::OnMouseMove(TPoint point) {
  if (TSettings* settings = TSettings::GetInstance()) settings->SetMousePosition(point.x, point.y);
  if (BriefingShown()) return true;
  if (!CanUseExits()) return false;
  if (CSceneHotspot* hotspot = FindHotspotAt(point)) {
    if (hotspot->IsActive() && GetCursorKind() != kCursorHotspot) SetCursor(kCursorHotspot);
    return true;
  }
  int32_t index = -1;
  TSpriteWindow* sprites = GetSpriteWindow();
  if (sprites->HitTest(point, &index)) {
    const TSpriteEntry entry = sprites->GetSpriteEntry(index);
    const CSceneObject* object = mModel ? mModel->FindSceneObject(entry.name.CStr()) : nullptr;
    if ((entry.id == kEntrySceneObject || entry.id == kEntryExitImage) && object) {
      if (object->IsPickable() && object->IsActive()) {
        if (GetCursorKind() != kCursorUse) SetCursor(kCursorUse);
      } else if (object->IsActive() && GetCursorKind() != kCursorLook && GetCursorKind() != kCursorUse) {
        SetCursor(kCursorLook);
      }
      return true;
    }
  }
  const bool consumed = TScene::OnMouseMove(point);
  if (!consumed && GetCursorKind() != kCursorActive) SetCursor(kCursorActive);
  return consumed;
}

// ---- frame ----

bool TAdventureScreenWindow::Animate() {
  if (!mFadeQueue.empty()) {
    const float speed = ConfigFloat("sceneObjFadeSpeed");
    for (TFade& fade : mFadeQueue) fade.alpha -= speed;
    // A fade ends when it is nearly clear, or when its object was shown again meanwhile.
    std::erase_if(mFadeQueue, [&](const TFade& fade) {
      const CSceneObject* object = mModel ? mModel->FindSceneObject(fade.name) : nullptr;
      return !object || object->IsVisible() || fade.alpha <= 0.5f * speed;
    });
    Update(mModel);
  }
  return TScene::Animate();
}
