// The sidebar: its buttons and their glows, the hint with its refill gauge, the sundial, the item
// strip of the adventure screens and the object list of the hidden-object screens with the win.
#include "shell/sidebar.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "core/config.h"
#include "core/log.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/hiddenobject.h"
#include "model/highscore.h"
#include "model/minigamemodels.h"
#include "model/scenekinds.h"
#include "render/drawspec.h"
#include "render/sprite.h"
#include "render/texture.h"
#include "shell/scene.h"
#include "shell/scenetext.h"
#include "shell/settings.h"
#include "shell/sidebarinventory.h"
#include "shell/spriteanimator.h"
#include "shell/spritewindow.h"
#include "sound/sound.h"
#include "ui/image.h"
#include "ui/modalwindow.h"
#include "ui/text.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {

const float kLabelInk[4] = {226 / 255.0f, 171 / 255.0f, 65 / 255.0f, 1.0f};
const float kListInk[4] = {0.0f, 0.0f, 0.0f, 1.0f};
const float kStruckInk[4] = {120 / 255.0f, 120 / 255.0f, 120 / 255.0f, 1.0f};
constexpr int32_t kButtonId = 8;

int32_t ConfigInt(const char* key) { return GetConfig(key).ToInt(); }

bool BriefingShown() {
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  return globals && globals->GetGlobalBool("showBriefingWindow");
}

// Every word wrapped in underline tags, the words joined by one blank.
TString StrikeText(const TString& text) {
  std::istringstream words(text.CStr());
  std::string word, out;
  while (words >> word) {
    if (!out.empty()) out += ' ';
    out += "<u>" + word + "</u>";
  }
  return TString(out.c_str());
}

}  // namespace

TSidebarWindow::TSidebarWindow(int32_t mode) : mMode(mode) {
  SetName("sidebarWindow");
  const int32_t w = ConfigInt("screenwidth");
  const int32_t h = ConfigInt("screenheight");
  SetSize(w, h);

  auto* bar = new TImage(false);
  bar->SetName("interfaceImage");
  bar->MoveTo(0, 647);
  bar->SetTexture(TTexture::Get(mode == kSidebarHiddenObject ? "backgrounds/sidebar_bg" : "backgrounds/sidebar_bg_as", 0),
                  1.0f);
  AddChild(bar, false);

  // The button captions exist for the layout's sake and are never seen.
  auto* diary = new TText(false);
  diary->SetName("diary");
  diary->Setup("Diary", 121, 26, 1, "fonts/kingthings.mvec", 23, kLabelInk);
  diary->MoveTo(2, 656);
  diary->SetAlpha(0.0f);
  AddChild(diary, false);
  auto* menu = new TText(false);
  menu->SetName("menu");
  menu->Setup("Menu", 123, 27, 1, "fonts/kingthings.mvec", 26, kLabelInk);
  menu->MoveTo(15, 726);
  menu->SetAlpha(0.0f);
  AddChild(menu, false);

  mSpriteWindow = new TSpriteWindow;
  mSpriteWindow->SetName("animationWindow");
  mSpriteWindow->SetSize(w, h);
  AddChild(mSpriteWindow, false);
  CGame* game = CGame::GetInstance();
  AddButton("hintTimer", TString(game ? game->GetHintSprite() : "") + "01", 939, 621, 5, false);
  AddButton("sidebarmenu", "sprites/sidebarmenu", 132, 709, 2, true);
  AddButton("sidebarbriefing", "sprites/sidebarhelp", 842, 707, 2, true);
  AddButton("hintbutton", "sprites/hint/hintbutton", 939, 621, 2, true);
  AddButton("sidebardiary", "sprites/sidebardiary", 4, 626, 2, true);

  CScene* scene = game ? game->GetCurrentScene() : nullptr;
  if (mode == kSidebarHiddenObject) {
    mHiddenObjectGame = dynamic_cast<CHiddenObjectGame*>(scene);
    if (mHiddenObjectGame) {
      mObserved = mHiddenObjectGame;
      mHiddenObjectGame->Attach(this);
      mHiddenObjectGame->BuildItemList();
      BuildItemList();
      mBuilding = true;
      RefreshItemList();
      mBuilding = false;
    }
  } else {
    mAdventureScreen = dynamic_cast<CAdventureScreen*>(scene);
    mItemsWindow = new TSidebarInventoryWindow(mAdventureScreen);
    mItemsWindow->SetSize(w, h);
    AddChild(mItemsWindow, false);
    CInventory* inventory = nullptr;
    if (auto* placing = dynamic_cast<CPlacingObjectGame*>(scene))
      inventory = &placing->GetInventory();
    else if (game)
      inventory = &game->GetInventory();
    if (inventory) {
      mObserved = inventory;
      inventory->Attach(mItemsWindow);
      mItemsWindow->Update(inventory);
    }
  }

  if (TWindowManager* manager = GetWindowManager())
    if (TWindowScript* script = manager->GetWindowScript()) {
      GetScriptBindings().Bind(script->GetState(), "SetHintButtonVisible", this, &TSidebarWindow::SetHintButtonVisible);
      GetScriptBindings().Bind(script->GetState(), "SetDiaryButtonVisible", this, &TSidebarWindow::SetDiaryButtonVisible);
    }
}

TSidebarWindow::~TSidebarWindow() {
  if (mObserved) {
    mObserved->Detach(this);
    if (mItemsWindow) mObserved->Detach(mItemsWindow);
  }
  if (mHintSound) mHintSound->Stop();
}

void TSidebarWindow::Init(TWindowStyle& style) {
  TWindow::Init(style);
  StartUpdates();
}

void TSidebarWindow::StartUpdates() { StartAnim(25, true, true, false); }

TScene* TSidebarWindow::Owner() const { return KindCast<TScene>(GetParent()); }

void TSidebarWindow::AddButton(const char* name, const TString& image, int32_t x, int32_t y, int32_t layer,
                               bool clickable) {
  TSpriteEntry entry;
  entry.sprite = TSprite::Create(layer, TTexture::Get(image, 0));
  entry.sprite->SetSpec(TDrawSpec(TVec2(float(x), float(y)), 1.0f, 1.0f, kDrawUseAnchor));
  entry.name = name;
  entry.clickable = entry.active = clickable;
  entry.id = kButtonId;
  mSpriteWindow->AddSpriteEntry(entry);
}

void TSidebarWindow::StartGlow(const char* name) {
  int32_t index = -1;
  if (!mSpriteWindow->FindSprite(name, &index)) return;
  const TSpriteEntry entry = mSpriteWindow->GetSpriteEntry(index);
  if (entry.sprite) TSpriteAnimator::Instance()->StartGlow(entry.sprite, mSpriteWindow->GetRootSprite());
}

void TSidebarWindow::StopGlow(const char* name) {
  int32_t index = -1;
  if (!mSpriteWindow->FindSprite(name, &index)) return;
  const TSpriteEntry entry = mSpriteWindow->GetSpriteEntry(index);
  if (entry.sprite) TSpriteAnimator::Instance()->StopGlow(entry.sprite);
}

bool TSidebarWindow::IsHintAvailable() const {
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  const uint32_t t = score ? static_cast<uint32_t>(score->GetTimeSinceLastHint()) : 0;
  const uint32_t r = static_cast<uint32_t>(ConfigInt("hintrefilltime"));
  return r < t + 1;
}

void TSidebarWindow::PlayHintSound() {
  if (mHintSound) mHintSound->Stop();
  mHintSound = TSound::Get("audio/sfx/hint.ogg", true, 1000);
  if (mHintSound) mHintSound->Play(false);
}

void TSidebarWindow::SetHintButtonVisible(bool visible) {
  mSpriteWindow->SetSpriteVisible("hintbutton", visible);
  mSpriteWindow->SetSpriteVisible("hintTimer", visible);
  if (!visible) return;
  StartGlow("hintbutton");
  mHintGlowClock.Start();
}

void TSidebarWindow::SetDiaryButtonVisible(bool visible) {
  mSpriteWindow->SetSpriteVisible("sidebardiary", visible);
  if (!visible) return;
  StartGlow("sidebardiary");
  mDiaryGlowClock.Start();
}

// ---- input ----

bool TSidebarWindow::OnMouseDown(TPoint point) {
  if (BriefingShown()) return true;
  TScene* scene = Owner();
  if (scene && scene->IsInputBlocked()) return false;
  int32_t index = -1;
  if (!mSpriteWindow->HitTest(point, &index)) return false;
  const TString name = mSpriteWindow->GetSpriteEntry(index).name;
  TWindowManager* manager = GetWindowManager();
  if (name == "hintbutton") {
    if (!IsHintAvailable()) return true;
    CHighscoreSystem* score = CHighscoreSystem::GetInstance();
    if (mMode == kSidebarHiddenObject) {
      PlayHintSound();
      if (scene) scene->StartObjectHint();
    } else if (mMode == kSidebarAdventure) {
      CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
      const TString location = globals ? globals->GetGlobalString("HintLocation") : TString();
      // The marker needs a location; the sound and the count do not.
      if (!location.IsEmpty()) {
        TModalWindow* top = manager ? manager->GetTopModal() : nullptr;
        if (TScene* target = KindCast<TScene>(top ? top->FindChild("scene", -1) : nullptr))
          target->ShowHint(location, static_cast<int32_t>(globals->GetGlobalNumber("HintPosX")),
                           static_cast<int32_t>(globals->GetGlobalNumber("HintPosY")));
      }
      PlayHintSound();
    } else {
      PlayHintSound();
      auto* placing = dynamic_cast<CPlacingObjectGame*>(mAdventureScreen);
      TModalWindow* top = manager ? manager->GetTopModal() : nullptr;
      if (TScene* target = KindCast<TScene>(top ? top->FindChild("scene", -1) : nullptr); target && placing)
        target->ShowShortText(TScene::LookUpLabel(placing->GetHintImage()));
    }
    if (score) score->UseHint();
    return true;
  }
  if (name == "sidebardiary") {
    if (manager) {
      manager->DoScriptString(this, "PlaySoundSFX('audio/sfx/umblaettern.ogg')");
      manager->DoScriptString(this, "DoModal('scripts/diary.lua')");
    }
    return true;
  }
  if (name == "sidebarmenu") {
    if (manager) manager->DoScriptString(this, "DoModal('scripts/pause.lua')");
    return true;
  }
  if (name == "sidebarbriefing") {
    if (TWindowScript* script = manager ? manager->GetWindowScript() : nullptr) script->DoLuaString("ShowHelp(0);", -1, 0);
    return true;
  }
  return false;
}

bool TSidebarWindow::OnMouseMove(TPoint point) {
  if (TSettings* settings = TSettings::GetInstance()) settings->SetMousePosition(point.x, point.y);
  if (BriefingShown()) return true;
  int32_t index = -1;
  const bool hit = mSpriteWindow->HitTest(point, &index);
  const TString under = hit ? mSpriteWindow->GetSpriteEntry(index).name : TString();
  for (const char* button : {"hintbutton", "sidebardiary", "sidebarmenu", "sidebarbriefing"}) {
    const bool isHint = TString(button) == "hintbutton";
    if (under == button) {
      if (!isHint || IsHintAvailable()) StartGlow(button);
    } else {
      const bool timed = isHint ? !mHintGlowClock.IsPaused()
                                : TString(button) == "sidebardiary" && !mDiaryGlowClock.IsPaused();
      if (!timed) StopGlow(button);
    }
  }
  // Over one of the buttons the pointer shows that a click there does something.
  TScene* scene = Owner();
  if (scene && !scene->IsInputBlocked()) {
    const bool onButton = under == "hintbutton" || under == "sidebardiary" || under == "sidebarmenu" ||
                          under == "sidebarbriefing";
    if (onButton && scene->GetCursorKind() != kCursorActiveRed) scene->SetCursor(kCursorActiveRed);
    else if (!onButton && hit && scene->GetCursorKind() == kCursorActiveRed) scene->SetCursor(kCursorActive);
  }
  return hit;
}

// ---- frame ----

bool TSidebarWindow::Animate() {
  if (mPrizeWindowOwed) {
    mPrizeWindowOwed = false;
    ShowPrizeWindow();
  }
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  CGame* game = CGame::GetInstance();
  const int32_t p = score ? score->GetRemainingTimePercent() : 100;
  const int32_t n = game ? game->GetSundialShadowCount() : 0;
  const int32_t h = game ? game->GetHintCount() : 0;
  uint32_t t = score ? static_cast<uint32_t>(score->GetTimeSinceLastHint()) : 0;
  const uint32_t r = static_cast<uint32_t>(ConfigInt("hintrefilltime"));
  if (t > r) {
    if (mLastRefillTime != uint32_t(-1) && r >= mLastRefillTime) {
      StartGlow("hintbutton");
      mHintGlowClock.Start();
      mLastRefillTime = uint32_t(-1);
    }
    t = r;
  }
  if (!mDiaryGlowClock.IsPaused() && mDiaryGlowClock.GetTime() >= static_cast<uint32_t>(ConfigInt("glowtimerDiary"))) {
    StopGlow("sidebardiary");
    mDiaryGlowClock.Pause();
    mDiaryGlowClock.Reset();
  }
  if (!mHintGlowClock.IsPaused() && mHintGlowClock.GetTime() >= static_cast<uint32_t>(ConfigInt("glowtimerhint"))) {
    StopGlow("hintbutton");
    mHintGlowClock.Pause();
    mHintGlowClock.Reset();
  }
  TSettings* settings = TSettings::GetInstance();
  if (settings && settings->GetCurrentGameMode() == 0 && n > 0 && game) {
    const int32_t k = static_cast<int32_t>(std::floor((n - 1) / 100.0 * p + 0.5));
    mSpriteWindow->SetSpriteTexture("sundialShadow",
                                    TString(game->GetSundialShadowSprite()) + TString::Format("%04d", (n - k) % 10000));
  }
  if (h > 0 && game) {
    // With no refill time the hint is always ready: the full gauge.
    int32_t g = r == 0 ? h : static_cast<int32_t>(static_cast<double>(t) / r * h);
    if (g == 0) g = 1;
    mSpriteWindow->SetSpriteTexture("hintTimer", TString(game->GetHintSprite()) + TString::Format("%02d", g % 100));
  }
  if (t != r) mLastRefillTime = t;
  return true;
}

// ---- the hidden-object list ----

void TSidebarWindow::Update(CObservedSubject*) {
  if (mMode == kSidebarHiddenObject) RefreshItemList();
}

TString TSidebarWindow::GroupText(int32_t group) {
  int32_t pending = 0;
  const std::vector<std::string> names = mHiddenObjectGame->GetItemListNames();
  const std::vector<std::string> slots = mHiddenObjectGame->GetItemListSlots();
  for (size_t i = 0; i < names.size() && i < slots.size(); ++i)
    if (mHiddenObjectGame->GetGroupIdById(names[i]) == group && slots[i] != "none") ++pending;
  return TScene::LookUpLabel(mHiddenObjectGame->GetGroupNameByGroupId(group)) +
         TString::Format(" %d/%d", pending, mHiddenObjectGame->CountObjectsInGroup(group));
}

void TSidebarWindow::BuildItemList() {
  const int32_t x0 = ConfigInt("itemlistPosX"), y0 = ConfigInt("itemlistPosY");
  const int32_t w = ConfigInt("itemlistWidth"), h = ConfigInt("itemlistHeight");
  const int32_t gap = ConfigInt("itemlistPosOffset");
  const std::vector<std::string> names = mHiddenObjectGame->GetItemListNames();
  for (const std::string& id : names) {
    const int32_t group = mHiddenObjectGame->GetGroupIdById(id);
    if (group != 0 && mGroupTexts.count(group)) continue;
    const TString name = group != 0 ? TString::Format("group%d", group) : TString(id.c_str());
    const char* label = mHiddenObjectGame->GetObjectNameById(id);
    const TString text = group != 0 ? GroupText(group) : TScene::LookUpLabel(label ? label : id.c_str());
    TWindow* box = scenetext::Make(name, text, w, h, 1, "fonts/rabiohead.mvec", 30, kListInk, 1);
    const int32_t i = static_cast<int32_t>(mItemWindows.size());
    box->MoveTo(x0 + (i / 3) * (w + gap), y0 + (i % 3) * (h + gap));
    AddChild(box, false);
    mItemWindows.push_back(box);
    mItemTexts[name] = box;
    mEntryGroups[name] = group;
    if (group != 0) mGroupTexts[group] = box;
  }
}

void TSidebarWindow::RefreshItemList() {
  if (!mHiddenObjectGame || mWon) return;
  const std::vector<std::string> names = mHiddenObjectGame->GetItemListNames();
  const std::vector<std::string> slots = mHiddenObjectGame->GetItemListSlots();
  for (auto& [group, box] : mGroupTexts) scenetext::SetText(box, GroupText(group));
  for (auto it = mItemTexts.begin(); it != mItemTexts.end();) {
    const int32_t group = mEntryGroups[it->first];
    bool found = true;
    for (size_t i = 0; i < names.size() && i < slots.size(); ++i) {
      const bool member = group != 0 ? mHiddenObjectGame->GetGroupIdById(names[i]) == group
                                     : TString(names[i].c_str()) == it->first;
      if (member && slots[i] != "none") found = false;
    }
    if (!found) {
      ++it;
      continue;
    }
    TWindow* box = it->second;
    box->SetName(box->GetName() + "strikeOut");
    scenetext::SetText(box, StrikeText(scenetext::GetText(box)));
    scenetext::SetColor(box, kStruckInk);
    it = mItemTexts.erase(it);
  }
  if (mItemTexts.empty() && !mItemWindows.empty()) Win();
}

void TSidebarWindow::Win() {
  mWon = true;
  // A game won before it was saved comes back won: its points and prize were given then, so only
  // the prize window, whose close leads on, is owed. It opens with the first frame, since a window
  // still being built cannot wait for another.
  const bool wonBefore = mBuilding;
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  if (score && !wonBefore) score->HOTaskComplete();
  const std::string prize = mHiddenObjectGame->GetPickedUpInventoryItemOnWon();
  if (prize.empty()) return;
  CGame* game = CGame::GetInstance();
  const CInventoryItem* item = game ? game->GetInventoryItem(prize) : nullptr;
  if (!item) {
    // A prize the game does not define cannot be shown.
    LogPrintf("Sidebar: the prize '%s' of the hidden-object game is not an inventory item\n", prize.c_str());
    return;
  }
  if (score && !wonBefore) score->FoundInventoryItem();
  if (CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance()) {
    globals->SetGlobalString("description", item->GetDescription());
    globals->SetGlobalString("pickupImage", item->GetPickUpImage());
  }
  const std::vector<std::string>& held = game->GetInventory().GetHeld();
  if (!wonBefore || std::find(held.begin(), held.end(), prize) == held.end()) game->GetInventory().AddItem(prize);
  if (wonBefore) {
    mPrizeWindowOwed = true;
    return;
  }
  ShowPrizeWindow();
}

void TSidebarWindow::ShowPrizeWindow() {
  if (TWindowManager* manager = GetWindowManager()) manager->DoScriptString(this, "DoModal('scripts/pickupwindow.lua')");
}
