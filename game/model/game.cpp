// The game root and its levels.
#include "model/game.h"

#include "core/log.h"
#include "model/highscore.h"
#include "model/modelscript.h"
#include "model/savetext.h"

using namespace savetext;

// ---- levels ----

void CLevel::AddScene(std::unique_ptr<CScene> scene) {
  if (!scene) return;
  const int32_t id = scene->GetSeqId();
  mScenes[id] = std::move(scene);
}

CScene* CLevel::GetScene(int32_t seqId) const {
  auto it = mScenes.find(seqId);
  return it == mScenes.end() ? nullptr : it->second.get();
}

void CLevel::RemoveScene(int32_t seqId) { mScenes.erase(seqId); }

CSceneExit* CLevel::FindSceneExit(const std::string& id) const {
  for (const auto& [seq, scene] : mScenes) {
    if (CSceneExit* exit = scene->FindSceneExit(id)) return exit;
  }
  return nullptr;
}

CSceneHotspot* CLevel::FindSceneHotspot(const std::string& id) const {
  for (const auto& [seq, scene] : mScenes) {
    if (CSceneHotspot* hotspot = scene->FindSceneHotspot(id)) return hotspot;
  }
  return nullptr;
}

void CLevel::SetObjectActive(const std::string& name, bool active) {
  for (const auto& [seq, scene] : mScenes) scene->SetObjectActive(name, active);
}

void CLevel::SetObjectVisible(const std::string& name, bool visible) {
  for (const auto& [seq, scene] : mScenes) scene->SetObjectVisible(name, visible);
}

void CLevel::Serialize(std::string& out) const {
  BeginRecord(out, "MakeLevel");
  IntField(out, "seqId", mSeqId);
  TextField(out, "name", mName);
  for (const auto& [seq, scene] : mScenes) scene->Serialize(out);
  EndRecord(out, "MakeLevel");
}

// ---- the root ----

CGame* CGame::CreateInstance() {
  if (!ModelSingleton<CGame>()) ModelSingleton<CGame>().reset(new CGame());
  return ModelSingleton<CGame>().get();
}

CGame* CGame::GetInstance() { return ModelSingleton<CGame>().get(); }

void CGame::DestroyInstance() { ModelSingleton<CGame>().reset(); }

CGame::CGame() {
  mHintRoutes = {
      {"001", {{"002", "001_adv_exit_wassermuehle"}, {"101", "001_adv_exit_buchenfeld"}}},
      {"002", {{"001", "002_adv_exit_bruecke"}, {"003", "002_adv_exit_waldkreuzung"}}},
      {"003",
       {{"002", "003_adv_exit_wassermuehle"},
        {"301", "003_adv_exit_pfuhl"},
        {"201", "003_adv_exit_temsershof"},
        {"401", "003_adv_exit_theowulfsburg"}}},
      {"101",
       {{"001", "101_adv_exit_bruecke"},
        {"102", "101_adv_exit_bressershaus"},
        {"103", "101_adv_exit_turmhaus"}}},
      {"102", {{"101", "102_adv_exit_stadtzentrum"}}},
      {"103", {{"101", "103_adv_exit_stadtzentrum"}, {"104", "103_adv_exit_keller"}}},
      {"104", {{"103", "104_adv_exit1"}}},
      {"201",
       {{"202", "201_adv_exit_derwaltshuette"},
        {"203", "201_adv_exit_temsershaus"},
        {"003", "201_adv_exit_waldkreuzung"}}},
      {"202", {{"201", "202_adv_exit_temsershof"}}},
      {"203", {{"201", "203_adv_exit_temsershof"}}},
      {"301", {{"003", "301_adv_exit_waldkreuzung"}, {"302", "301_adv_exit_hoehle"}}},
      {"302", {{"301", "302_adv_exit_pfuhl"}}},
      {"401", {{"003", "401_adv_exit_waldkreuzung"}, {"402", "401_adv_exit_theowulfsgemach"}}},
      {"402", {{"401", "402_adv_exit_theowulfsburg"}, {"403", "402_adv_exit_alchemielabor"}}},
      {"403", {{"402", "403_adv_exit_theowulfsgemach"}}},
  };
  // Every routed location exists. The demo's adventure scenes stand at the first two locations:
  // the village (101) and the manor hall (103), joined by the exits the routes name.
  for (const auto& [location, routes] : mHintRoutes) mLocationScenes[location];
  mLocationScenes["001"] = {101};
  mLocationScenes["002"] = {103};

  if (lua_State* L = GetModelScriptState()) {
    mBindings.Bind(L, "GetCurrentLevel", this, &CGame::GetCurrentLevel);
    mBindings.Bind(L, "GetInventoryItemDescription", this, &CGame::GetInventoryItemDescription);
    mBindings.Bind(L, "GetInventoryItemPickupImage", this, &CGame::GetInventoryItemPickupImage);
    mBindings.Bind(L, "SetActive", this, &CGame::SetActive);
    mBindings.Bind(L, "SetVisible", this, &CGame::SetVisible);
  } else {
    LogPrintf("Game model: no window script, its functions are not bound\n");
  }
}

CGame::~CGame() = default;

void CGame::AddLevel(std::unique_ptr<CLevel> level) {
  if (!level) return;
  const int32_t id = level->GetSeqId();
  mLevels[id] = std::move(level);
}

void CGame::RemoveLevel(int32_t seqId) { mLevels.erase(seqId); }

CLevel* CGame::GetLevel(int32_t seqId) const {
  auto it = mLevels.find(seqId);
  return it == mLevels.end() ? nullptr : it->second.get();
}

CScene* CGame::FindScene(int32_t sceneId) const {
  for (const auto& [id, level] : mLevels) {
    if (CScene* scene = level->GetScene(sceneId)) return scene;
  }
  return nullptr;
}

int32_t CGame::GetLevelIdOfScene(int32_t sceneId) const {
  for (const auto& [id, level] : mLevels) {
    if (level->GetScene(sceneId)) return id;
  }
  return -1;
}

CSceneExit* CGame::FindSceneExit(const std::string& exitId) const {
  for (const auto& [id, level] : mLevels) {
    if (CSceneExit* exit = level->FindSceneExit(exitId)) return exit;
  }
  return nullptr;
}

CSceneHotspot* CGame::FindSceneHotspot(const std::string& hotspotId) const {
  for (const auto& [id, level] : mLevels) {
    if (CSceneHotspot* hotspot = level->FindSceneHotspot(hotspotId)) return hotspot;
  }
  return nullptr;
}

void CGame::AddInventoryItemDefinition(std::unique_ptr<CInventoryItem> item) {
  if (!item) return;
  const std::string id = item->GetId();
  mItems[id] = std::move(item);
}

void CGame::RemoveInventoryItemDefinition(const std::string& id) { mItems.erase(id); }

CInventoryItem* CGame::GetInventoryItem(const std::string& id) const {
  auto it = mItems.find(id);
  return it == mItems.end() ? nullptr : it->second.get();
}

void CGame::AddLocationScene(const std::string& location, int32_t sceneId) {
  mLocationScenes[location].push_back(sceneId);
}

std::string CGame::GetLocationOfScene(int32_t sceneId) const {
  for (const auto& [location, scenes] : mLocationScenes) {
    for (int32_t id : scenes) {
      if (id == sceneId) return location;
    }
  }
  return std::string();
}

void CGame::SetStartScene(int32_t v) {
  mStartScene = v;
  if (mCurrentScene == -1) mCurrentScene = v;
}

int32_t CGame::GetCurrentLevel() { return GetLevelIdOfScene(mCurrentScene); }

// An unknown item answers the empty text; the caller shows nothing rather than failing.
TString CGame::GetInventoryItemDescription(TString id) {
  CInventoryItem* item = GetInventoryItem(id.CStr());
  if (!item) LogPrintf("GetInventoryItemDescription: unknown item '%s'\n", id.CStr());
  return item ? TString(item->GetDescription()) : TString();
}

TString CGame::GetInventoryItemPickupImage(TString id) {
  CInventoryItem* item = GetInventoryItem(id.CStr());
  if (!item) LogPrintf("GetInventoryItemPickupImage: unknown item '%s'\n", id.CStr());
  return item ? TString(item->GetPickUpImage()) : TString();
}

void CGame::SetActive(TString name, bool active) {
  for (const auto& [id, level] : mLevels) level->SetObjectActive(name.CStr(), active);
}

void CGame::SetVisible(TString name, bool visible) {
  for (const auto& [id, level] : mLevels) level->SetObjectVisible(name.CStr(), visible);
}

void CGame::Serialize(std::string& out) const {
  out += "\nrequire(\"scripts/game/init.lua\")\nrequire(\"scripts/game/objectives.lua\")\n";
  BeginRecord(out, "MakeGame");
  TextField(out, "name", mName);
  IntField(out, "startScene", mStartScene);
  IntField(out, "currentScene", mCurrentScene);
  TextField(out, "sundialShadowSprite", mSundialShadowSprite);
  UintField(out, "sundialShadowCount", static_cast<uint32_t>(mSundialShadowCount));
  TextField(out, "sundialPoleSprite", mSundialPoleSprite);
  TextField(out, "hintSprite", mHintSprite);
  UintField(out, "hintCount", static_cast<uint32_t>(mHintCount));
  IntField(out, "miniGameSkipButtonPosX", mSkipButton.posX);
  IntField(out, "miniGameSkipButtonPosY", mSkipButton.posY);
  TextField(out, "miniGameSkipButtonGraphic", mSkipButton.graphic);
  IntField(out, "miniGameMenuButtonPosX", mMenuButton.posX);
  IntField(out, "miniGameMenuButtonPosY", mMenuButton.posY);
  TextField(out, "miniGameMenuButtonGraphic", mMenuButton.graphic);
  IntField(out, "cutsceneSkipButtonPosX", mCutsceneSkipX);
  IntField(out, "cutsceneSkipButtonPosY", mCutsceneSkipY);
  TextField(out, "cutsceneSkipButtonGraphic", mCutsceneSkipGraphic);
  for (const auto& [id, level] : mLevels) level->Serialize(out);
  for (const auto& [id, item] : mItems) item->Serialize(out);
  mInventory.Serialize(out);
  if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->Serialize(out);
  EndRecord(out, "MakeGame");
}
