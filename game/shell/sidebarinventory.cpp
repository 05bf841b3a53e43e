// The sidebar's item strip: one sprite per held item, carried on the pointer after a click and
// used on the scene object or hotspot it is dropped on.
#include "shell/sidebarinventory.h"

#include "core/config.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "model/scenekinds.h"
#include "render/drawspec.h"
#include "render/sprite.h"
#include "render/texture.h"
#include "shell/scene.h"
#include "shell/settings.h"
#include "shell/spritewindow.h"
#include "sound/sound.h"
#include "ui/windowmanager.h"

namespace {

int32_t ConfigInt(const char* key) { return GetConfig(key).ToInt(); }

bool BriefingShown() {
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  return globals && globals->GetGlobalBool("showBriefingWindow");
}

std::shared_ptr<TSound> LoadSound(const char* name) {
  return name && *name ? TSound::Get(name, true, 1000) : nullptr;
}

void PlayOnce(const std::shared_ptr<TSound>& sound) {
  if (!sound) return;
  sound->Stop();
  sound->Play(false);
}

void PlaceSprite(TSprite& sprite, TPoint at) { sprite.GetSpec().transform.SetTranslation(TVec2(float(at.x), float(at.y))); }

}  // namespace

TSidebarInventoryWindow::TSidebarInventoryWindow(CAdventureScreen* adventure)
    : mAdventure(adventure), mRoot(TSprite::Create(0)) {
  SetName("itemsWindow");
  if (CGame* game = CGame::GetInstance()) {
    mCanUseSound = LoadSound(game->GetCanUseItemSound());
    mCanNotUseSound = LoadSound(game->GetCanNotUseItemSound());
  }
}

TSidebarInventoryWindow::~TSidebarInventoryWindow() = default;

TScene* TSidebarInventoryWindow::Owner() const {
  for (TWindow* w = GetParent(); w; w = w->GetParent())
    if (TScene* scene = KindCast<TScene>(w)) return scene;
  return nullptr;
}

TSprite* TSidebarInventoryWindow::GetItemSprite(size_t i) const {
  return i < mSprites.size() && i < static_cast<size_t>(mInventory.GetCount()) ? mSprites[i].get() : nullptr;
}

TPoint TSidebarInventoryWindow::SlotPosition(size_t index) const {
  return {ConfigInt("inventoryStartPosX") + static_cast<int32_t>(index) * ConfigInt("inventoryPosOffsetX"),
          ConfigInt("inventoryStartPosY")};
}

void TSidebarInventoryWindow::Update(CObservedSubject* subject) {
  if (auto* inventory = dynamic_cast<CInventory*>(subject)) mInventory = *inventory;
  CGame* game = CGame::GetInstance();
  const size_t count = static_cast<size_t>(mInventory.GetCount());
  for (size_t i = 0; i < count; ++i) {
    const CInventoryItem* item = game ? game->GetInventoryItem(mInventory.GetItem(static_cast<int32_t>(i))) : nullptr;
    std::shared_ptr<TTexture> texture = TTexture::Get(item ? item->GetImage() : "sprites/no_sprite", 0);
    if (i >= mSprites.size()) {
      mSprites.push_back(TSprite::Create(0));
      mSprites.back()->GetSpec().flags |= kDrawUseAnchor;  // placed by the top-left corner
      mRoot->AddChild(mSprites.back());
    }
    TSprite& sprite = *mSprites[i];
    sprite.SetTexture(texture);
    sprite.SetVisible(true);
    PlaceSprite(sprite, SlotPosition(i));
  }
  // Slots past the held items keep their sprites for later, but show nothing.
  for (size_t i = count; i < mSprites.size(); ++i) mSprites[i]->SetVisible(false);
  if (mDraggedIndex >= static_cast<int32_t>(count)) mDraggedIndex = -1;
  if (TWindowManager* manager = GetWindowManager()) manager->Invalidate();
}

void TSidebarInventoryWindow::Draw() {
  DrawSpriteTree(*mRoot);
}

int32_t TSidebarInventoryWindow::ItemAt(TPoint point) const {
  const size_t count = std::min(mSprites.size(), static_cast<size_t>(mInventory.GetCount()));
  for (size_t i = 0; i < count; ++i) {
    const TSprite& sprite = *mSprites[i];
    const std::shared_ptr<TTexture>& texture = sprite.GetTexture();
    if (!texture) continue;
    const TVec2 at = sprite.GetSpec().transform.GetTranslation();
    if (point.x >= at.x && point.x < at.x + texture->GetWidth() && point.y >= at.y &&
        point.y < at.y + texture->GetHeight())
      return static_cast<int32_t>(i);
  }
  return -1;
}

std::string TSidebarInventoryWindow::TargetAt(TPoint point) const {
  TScene* scene = Owner();
  if (!scene) return std::string();
  int32_t index = -1;
  if (TSpriteWindow* sprites = scene->GetSpriteWindow(); sprites && sprites->HitTest(point, &index))
    return sprites->GetSpriteEntry(index).name.CStr();
  if (CSceneHotspot* hotspot = scene->FindHotspotAt(point)) return hotspot->GetId();
  return std::string();
}

namespace {
// The sidebar strip begins here; an item dropped below it is simply put back.
constexpr int32_t kStripTop = 647;
}  // namespace

bool TSidebarInventoryWindow::OnMouseDown(TPoint point) {
  if (BriefingShown()) return true;
  TScene* scene = Owner();
  if (scene && scene->IsInputBlocked()) return false;
  if (mDraggedIndex < 0) {
    const int32_t index = ItemAt(point);
    if (index < 0) return false;
    mDraggedIndex = index;
    PlaceSprite(*mSprites[static_cast<size_t>(index)],
                {point.x + ConfigInt("itemCursorOffsetX"), point.y + ConfigInt("itemCursorOffsetY")});
    return true;
  }
  const size_t index = static_cast<size_t>(mDraggedIndex);
  const std::string item = mInventory.GetItem(mDraggedIndex) ? mInventory.GetItem(mDraggedIndex) : "";
  const std::string target = TargetAt(point);
  PlaceSprite(*mSprites[index], SlotPosition(index));
  mDraggedIndex = -1;
  if (!target.empty() && mAdventure) {
    if (mAdventure->ItemHasAction(item, target)) {
      mAdventure->DoItemAction(item, target);
      PlayOnce(mCanUseSound);
    } else {
      PlayOnce(mCanNotUseSound);
      CGame* game = CGame::GetInstance();
      if (scene && game) scene->ShowShortText(TScene::LookUpLabel(game->GetCanNotUseItemText()));
      if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->UsedInventoryItemWrong();
    }
  } else if (mAdventure && scene && point.y < kStripTop) {
    // Laid on the picture where nothing takes it: the player is told so, not left guessing.
    PlayOnce(mCanNotUseSound);
    if (CGame* game = CGame::GetInstance()) scene->ShowShortText(TScene::LookUpLabel(game->GetCanNotUseItemText()));
  }
  if (scene) scene->SetCursor(kCursorActive);
  return true;
}

bool TSidebarInventoryWindow::OnMouseMove(TPoint point) {
  if (TSettings* settings = TSettings::GetInstance()) settings->SetMousePosition(point.x, point.y);
  if (BriefingShown()) return true;
  if (mDraggedIndex < 0 || static_cast<size_t>(mDraggedIndex) >= mSprites.size()) return false;
  PlaceSprite(*mSprites[static_cast<size_t>(mDraggedIndex)],
              {point.x + ConfigInt("itemCursorOffsetX"), point.y + ConfigInt("itemCursorOffsetY")});
  if (TWindowManager* manager = GetWindowManager()) manager->Invalidate();
  TScene* scene = Owner();
  if (!scene) return true;
  bool overTarget = scene->FindHotspotAt(point) != nullptr;
  int32_t index = -1;
  if (!overTarget && scene->GetSpriteWindow() && scene->GetSpriteWindow()->HitTest(point, &index)) {
    const TSpriteEntry entry = scene->GetSpriteWindow()->GetSpriteEntry(index);
    const CSceneObject* object = mAdventure ? mAdventure->FindSceneObject(entry.name.CStr()) : nullptr;
    overTarget = object && object->IsActive();
  }
  const int32_t kind = overTarget ? kCursorUse : kCursorActive;
  if (scene->GetCursorKind() != kind) scene->SetCursor(kind);
  return true;
}
