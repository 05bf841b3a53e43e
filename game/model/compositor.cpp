// Building the model from the tagged tables of a game text.
#include "model/compositor.h"

#include <cmath>
#include <vector>

#include "core/log.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/hiddenobject.h"
#include "model/highscore.h"
#include "model/inventory.h"
#include "model/minigamemodels.h"
#include "model/modelscript.h"
#include "model/savetext.h"
#include "model/scene.h"
#include "model/scenekinds.h"
#include "script/luastack.h"
#include "script/luawrapper.h"
#include "script/script.h"

// Model types of the records.
enum : int32_t {
  kTypeLevel = 0,
  kTypeInventory = 2,
  kTypeInventoryItem = 3,
  kTypeActionMap = 4,
  kTypeCutsceneCharacter = 12,
  kTypeCutsceneScript = 13,
  kTypeHighscore = 21,
  kTypeHOFoundBonus = 22,
  kTypeHintUsedBonus = 23,
  kTypeFixItems = 24,
  kTypeFoundItems = 25,
  kTypeHOGGroup = 26,
};

namespace {

// ---- value conversions ----

// Lua's string conversion, keeping every byte (a NUL inside a text included).
std::string Text(const TLuaObjectWrapper& v) {
  lua_State* L = v.GetState();
  RestoreLuaStackTop guard(L);
  v.PushValue();
  const int type = lua_type(L, -1);
  if (type != LUA_TSTRING && type != LUA_TNUMBER) return std::string();
  lua_pushvalue(L, -1);  // converting a number rewrites the slot
  return std::string(lua_tostring(L, -1), lua_strlen(L, -1));
}

int32_t Int(const TLuaObjectWrapper& v) { return ScriptNumberToInt(v.ToNumber()); }

int64_t Int64(const TLuaObjectWrapper& v) {
  const double d = v.ToNumber();
  if (std::isnan(d)) return 0;
  if (d >= 9223372036854775807.0) return INT64_MAX;
  if (d <= -9223372036854775808.0) return INT64_MIN;
  return static_cast<int64_t>(d);
}

// Unsigned values are written as their unsigned text; reading wraps them back into 32 bits, so a
// negative value written as such reads back unchanged.
int32_t Uint(const TLuaObjectWrapper& v) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(Int64(v))));
}

// A Lua boolean stands for its word, so a hand-written `false` is not read as true.
std::string FlagWord(const TLuaObjectWrapper& v) {
  lua_State* L = v.GetState();
  RestoreLuaStackTop guard(L);
  v.PushValue();
  if (lua_type(L, -1) == LUA_TBOOLEAN) return lua_toboolean(L, -1) ? "true" : "false";
  return Text(v);
}

bool Flag(const TLuaObjectWrapper& v) { return CModelCompositor::ParseBool(FlagWord(v).c_str()); }
// The strict kind: only "true" is true.
bool FlagEq(const TLuaObjectWrapper& v) { return FlagWord(v) == "true"; }

// A nested table without a "modeltype": the lists inside some records.
bool IsPlainTable(const TLuaObjectWrapper& v) {
  return v.IsTable() && v.GetNumber("modeltype", -1) == -1;
}

// The numbers of a plain list, in traversal order.
std::vector<int32_t> IntList(const TLuaObjectWrapper& t) {
  std::vector<int32_t> values;
  std::unique_ptr<TLuaObjectWrapper> key;
  while (std::unique_ptr<TLuaObjectWrapper> value = t.Next(key)) {
    values.push_back(ScriptNumberToInt(value->ToNumber()));
  }
  return values;
}

// The "modeltype" of a nested table, or -1 for a value that is no table.
int32_t ModelType(const TLuaObjectWrapper& v) {
  if (!v.IsTable()) return -1;
  return ScriptNumberToInt(v.GetNumber("modeltype", 0));
}

// Calls f(key text, value) for every entry in traversal order.
template <class F>
void ForEach(const TLuaObjectWrapper& t, F&& f) {
  std::unique_ptr<TLuaObjectWrapper> key;
  while (std::unique_ptr<TLuaObjectWrapper> value = t.Next(key)) f(key->ToString(), *value);
}

// Every entry except the "modeltype" tag.
template <class F>
void ForEachListEntry(const TLuaObjectWrapper& t, F&& f) {
  ForEach(t, [&](const TString& key, const TLuaObjectWrapper& value) {
    if (!(key == "modeltype")) f(value);
  });
}

// Element [n] of a table value as text, "" when absent.
std::string TextAt(const TLuaObjectWrapper& t, int n) {
  lua_State* L = t.GetState();
  RestoreLuaStackTop guard(L);
  t.PushValue();
  if (!lua_istable(L, -1)) return std::string();
  lua_rawgeti(L, -1, n);
  const int type = lua_type(L, -1);
  if (type != LUA_TSTRING && type != LUA_TNUMBER) return std::string();
  return std::string(lua_tostring(L, -1), lua_strlen(L, -1));
}

}  // namespace

// ---- life ----

CModelCompositor* CModelCompositor::CreateInstance() {
  ModelSingleton<CModelCompositor>().reset();
  ModelSingleton<CModelCompositor>().reset(new CModelCompositor());
  return ModelSingleton<CModelCompositor>().get();
}

CModelCompositor* CModelCompositor::GetInstance() { return ModelSingleton<CModelCompositor>().get(); }

void CModelCompositor::ReleaseInstance() { ModelSingleton<CModelCompositor>().reset(); }

CModelCompositor::CModelCompositor() {
  lua_State* L = GetModelScriptState();
  if (!L) {
    LogPrintf("Model compositor: no window script, the constructors are not bound\n");
    return;
  }
  using C = CModelCompositor;
  TScriptBindings& b = mBindings;
  b.Bind(L, "MakeGame", this, &C::MakeGame);
  b.Bind(L, "MakeLevel", this, &C::Tag<0>);
  b.Bind(L, "MakeCutscene", this, &C::Tag<11>);
  b.Bind(L, "MakeChapterScreen", this, &C::Tag<1>);
  b.Bind(L, "MakeInventory", this, &C::Tag<2>);
  b.Bind(L, "MakeInventoryItem", this, &C::Tag<3>);
  b.Bind(L, "MakeActionMap", this, &C::Tag<4>);
  b.Bind(L, "MakeHiddenObjectGame", this, &C::Tag<5>);
  b.Bind(L, "MakeHiddenObject", this, &C::Tag<8>);
  b.Bind(L, "MakeUnlockingDoorsMiniGame", this, &C::Tag<9>);
  b.Bind(L, "MakeUnlockingDoorsBolt", this, &C::Tag<10>);
  b.Bind(L, "MakeCutscene", this, &C::Tag<11>);
  b.Bind(L, "MakeCutsceneCharacter", this, &C::Tag<12>);
  b.Bind(L, "MakeCutsceneScript", this, &C::Tag<13>);
  b.Bind(L, "MakeMixPotionMiniGame", this, &C::Tag<14>);
  b.Bind(L, "MakeMixPotionPipe", this, &C::Tag<15>);
  b.Bind(L, "MakeMixPotionGivenColors", this, &C::Tag<16>);
  b.Bind(L, "MakeMixPotionNeedColors", this, &C::Tag<17>);
  b.Bind(L, "MakeAdventureScreen", this, &C::Tag<18>);
  b.Bind(L, "MakePlacingObjectGame", this, &C::Tag<29>);
  b.Bind(L, "MakeSceneObject", this, &C::Tag<19>);
  b.Bind(L, "MakeSceneExit", this, &C::Tag<20>);
  b.Bind(L, "MakeSceneHotspot", this, &C::Tag<28>);
  b.Bind(L, "MakeHighscoreSystem", this, &C::Tag<21>);
  b.Bind(L, "MakeHOFoundBonus", this, &C::Tag<22>);
  b.Bind(L, "MakeHintUsedInLevelBonus", this, &C::Tag<23>);
  b.Bind(L, "MakeFixItems", this, &C::Tag<24>);
  b.Bind(L, "MakeFoundItems", this, &C::Tag<25>);
  b.Bind(L, "MakeMirroredImageGame", this, &C::Tag<27>);
  b.Bind(L, "MakeNineMensMorrisGame", this, &C::Tag<30>);
  b.Bind(L, "MakePlacingPicturesGame", this, &C::Tag<31>);
  b.Bind(L, "MakeHOGGroup", this, &C::Tag<26>);
  b.Bind(L, "MakeJigsawPiece", this, &C::Tag<7>);
  b.Bind(L, "MakeJigsawPuzzle", this, &C::Tag<6>);
  b.Bind(L, "MakePlotpoint", this, &C::Tag<32>);
  b.Bind(L, "MakePlotpointTexts", this, &C::Tag<33>);
}

CModelCompositor::~CModelCompositor() = default;

bool CModelCompositor::ParseBool(const TString& text) { return !(text == "false"); }

int32_t CModelCompositor::ParseMood(const TString& text) {
  if (text == "normal") return kMoodNormal;
  if (text == "happy") return kMoodHappy;
  if (text == "sad") return kMoodSad;
  return 0;
}

template <int32_t kType>
int CModelCompositor::Tag(lua_State* L) {
  if (!lua_istable(L, 1)) {
    lua_pushnil(L);
    return 1;
  }
  lua_pushvalue(L, 1);
  lua_pushstring(L, "modeltype");
  lua_pushnumber(L, kType);
  lua_rawset(L, -3);
  return 1;
}

int CModelCompositor::MakeGame(lua_State* L) {
  if (!lua_istable(L, 1)) {
    LogPrintf("MakeGame: the argument is no table\n");
    return 0;
  }
  CGame* game = CGame::GetInstance();
  if (!game) {
    LogPrintf("MakeGame: no game root, creating one\n");
    game = CGame::CreateInstance();
  }
  lua_pushvalue(L, 1);
  TLuaTable table(L);
  FillGame(table, *game);
  mBuiltGame = true;
  return 0;
}

// ---- the game root ----

void CModelCompositor::FillGame(const TLuaObjectWrapper& t, CGame& game) {
  CGame::TButton& skip = game.GetMiniGameSkipButton();
  CGame::TButton& menu = game.GetMiniGameMenuButton();
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "name") game.SetName(Text(v));
    else if (k == "startScene") game.SetStartScene(Int(v));
    else if (k == "currentScene") game.SetCurrentScene(Int(v));
    else if (k == "sundialShadowSprite") game.SetSundialShadowSprite(Text(v));
    else if (k == "sundialShadowCount") game.SetSundialShadowCount(Uint(v));
    else if (k == "sundialPoleSprite") game.SetSundialPoleSprite(Text(v));
    else if (k == "hintSprite") game.SetHintSprite(Text(v));
    else if (k == "hintCount") game.SetHintCount(Uint(v));
    else if (k == "miniGameSkipButtonPosX") skip.posX = Int(v);
    else if (k == "miniGameSkipButtonPosY") skip.posY = Int(v);
    else if (k == "miniGameSkipButtonGraphic") skip.graphic = Text(v);
    else if (k == "miniGameSkipButtonFontType") skip.fontType = Text(v);
    else if (k == "miniGameSkipButtonFontSize") skip.fontSize = Int(v);
    else if (k == "miniGameSkipButtonFontColorR") skip.fontColorR = Int(v);
    else if (k == "miniGameSkipButtonFontColorG") skip.fontColorG = Int(v);
    else if (k == "miniGameSkipButtonFontColorB") skip.fontColorB = Int(v);
    else if (k == "miniGameMenuButtonPosX") menu.posX = Int(v);
    else if (k == "miniGameMenuButtonPosY") menu.posY = Int(v);
    else if (k == "miniGameMenuButtonGraphic") menu.graphic = Text(v);
    else if (k == "miniGameMenuButtonFontType") menu.fontType = Text(v);
    else if (k == "miniGameMenuButtonFontSize") menu.fontSize = Int(v);
    else if (k == "miniGameMenuButtonFontColorR") menu.fontColorR = Int(v);
    else if (k == "miniGameMenuButtonFontColorG") menu.fontColorG = Int(v);
    else if (k == "miniGameMenuButtonFontColorB") menu.fontColorB = Int(v);
    else if (k == "cutsceneSkipButtonPosX") game.SetCutsceneSkipButtonPosX(Int(v));
    else if (k == "cutsceneSkipButtonPosY") game.SetCutsceneSkipButtonPosY(Int(v));
    else if (k == "cutsceneSkipButtonGraphic") game.SetCutsceneSkipButtonGraphic(Text(v));
    else if (k == "canUseItemSound") game.SetCanUseItemSound(Text(v));
    else if (k == "canNotUseItemText") game.SetCanNotUseItemText(Text(v));
    else if (k == "canNotUseItemSound") game.SetCanNotUseItemSound(Text(v));
    else {
      switch (ModelType(v)) {
        case kTypeLevel: game.AddLevel(BuildLevel(v)); break;
        case kTypeInventory: game.SetInventory(*BuildInventory(v)); break;
        case kTypeInventoryItem: game.AddInventoryItemDefinition(BuildInventoryItem(v)); break;
        case kTypeHighscore: BuildHighscoreSystem(v); break;
        default: break;
      }
    }
  });
}

std::unique_ptr<CLevel> CModelCompositor::BuildLevel(const TLuaObjectWrapper& t) {
  auto level = std::make_unique<CLevel>();
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "seqId") level->SetSeqId(Int(v));
    else if (k == "name") level->SetName(Text(v));
    else if (v.IsTable()) level->AddScene(BuildScene(ModelType(v), v));
  });
  return level;
}

std::unique_ptr<CScene> CModelCompositor::BuildScene(int32_t type, const TLuaObjectWrapper& t) {
  switch (type) {
    case kSceneChapter: return BuildChapterScreen(t);
    case kSceneHiddenObject: return BuildHiddenObjectGame(t);
    case kSceneCutscene: return BuildCutscene(t);
    case kSceneAdventure: return BuildAdventureScreen(t);
    case kSceneJigsaw: return BuildJigsawPuzzle(t);
    case kSceneLock: return BuildLock(t);
    case kSceneMixPotion: return BuildMixPotionMiniGame(t);
    case kSceneMirroredImage: return BuildMirroredImageGame(t);
    case kScenePlacingObject: return BuildPlacingObjectGame(t);
    case kSceneNineMensMorris: return BuildNineMensMorrisGame(t);
    case kScenePlacingPictures: return BuildPlacingPicturesGame(t);
    case kScenePlotpoint: return BuildPlotpoint(t);
    default: return nullptr;
  }
}

// ---- scenes and their parts ----

void CModelCompositor::BuildSceneCommon(const TLuaObjectWrapper& t, CScene& scene) {
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "seqId") scene.SetSeqId(Int(v));
    else if (k == "bg") scene.SetBg(Text(v));
    else if (k == "theme") scene.SetTheme(Text(v));
    else if (k == "atmo") scene.SetAtmo(Text(v));
    else if (k == "minLoop") scene.SetMinLoop(Int(v));
    else if (k == "maxLoop") scene.SetMaxLoop(Int(v));
    else if (k == "themeOffset") scene.SetThemeOffset(Int(v));
    else if (k == "fadeInDuration") scene.SetFadeInDuration(Int(v));
    else if (k == "fadeOutDuration") scene.SetFadeOutDuration(Int(v));
    else if (k == "nextScene") scene.SetNextScene(Int(v));
    else if (k == "showHintButton") scene.SetShowHintButton(Flag(v));
    else if (k == "showDiaryButton") scene.SetShowDiaryButton(Flag(v));
    else if (k == "initScript") scene.SetInitScript(Text(v));
    else if (k == "exitScript") scene.SetExitScript(Text(v));
    else {
      const int32_t type = ModelType(v);
      if (type == kModelSceneExit) scene.AddSceneExit(BuildSceneExit(v));
      else if (type == kModelSceneHotspot) scene.AddSceneHotspot(BuildSceneHotspot(v));
    }
  });
}

// The keys exits and hotspots share; false for any other key.
static bool ReadAreaKey(const TString& k, const TLuaObjectWrapper& v, CSceneArea& area) {
  static const char* const kCorners[8] = {"positionX1", "positionY1", "positionX2", "positionY2",
                                          "positionX3", "positionY3", "positionX4", "positionY4"};
  for (int i = 0; i < 8; ++i) {
    if (!(k == kCorners[i])) continue;
    if (i % 2) area.SetPositionY(i / 2, Int(v));
    else area.SetPositionX(i / 2, Int(v));
    return true;
  }
  if (k == "id") area.SetId(Text(v));
  else if (k == "name") area.SetName(Text(v));
  else if (k == "text") area.SetText(Text(v));
  else if (k == "isActive") area.SetActive(Flag(v));
  else return false;
  return true;
}

std::unique_ptr<CSceneExit> CModelCompositor::BuildSceneExit(const TLuaObjectWrapper& t) {
  auto exit = std::make_unique<CSceneExit>();
  int imageX = 0, imageY = 0;
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (ReadAreaKey(k, v, *exit)) return;
    if (k == "cursorstyleid") exit->SetCursorStyleId(Uint(v));
    else if (k == "cursorstylepath") exit->SetCursorStylePath(Text(v));
    else if (k == "nextScene") exit->SetNextScene(Int(v));
    else if (k == "image") exit->SetImage(Text(v));
    else if (k == "imagePositionX") imageX = Int(v);
    else if (k == "imagePositionY") imageY = Int(v);
  });
  exit->SetImagePosition(imageX, imageY);
  return exit;
}

std::unique_ptr<CSceneHotspot> CModelCompositor::BuildSceneHotspot(const TLuaObjectWrapper& t) {
  auto hotspot = std::make_unique<CSceneHotspot>();
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (ReadAreaKey(k, v, *hotspot)) return;
    if (ModelType(v) == kTypeActionMap) hotspot->SetActionMap(BuildActionMap(v));
  });
  return hotspot;
}

// The keys scene objects and hidden objects share; false for any other key.
template <class T>
bool CModelCompositor::ReadPictureObjectKey(const TString& k, const TLuaObjectWrapper& v, T& object) {
  if (k == "id") object.SetId(Text(v));
  else if (k == "name") object.SetName(Text(v));
  else if (k == "positionX") object.SetPositionX(Int(v));
  else if (k == "positionY") object.SetPositionY(Int(v));
  else if (k == "image") object.SetImage(Text(v));
  else if (k == "isActive") object.SetActive(Flag(v));
  else if (k == "isVisible") object.SetVisible(Flag(v));
  else if (ModelType(v) == kTypeActionMap) object.SetActionMap(std::move(*BuildActionMap(v)));
  else return false;
  return true;
}

std::unique_ptr<CSceneObject> CModelCompositor::BuildSceneObject(const TLuaObjectWrapper& t) {
  auto object = std::make_unique<CSceneObject>();
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (ReadPictureObjectKey(k, v, *object)) return;
    if (k == "timesPickable") object->SetTimesPickable(Int(v));
    else if (k == "invitem") object->SetInvItem(Text(v));
    else if (k == "text") object->SetText(Text(v));
  });
  return object;
}

// A later pair for the same target replaces the earlier command.
std::unique_ptr<ActionMap> CModelCompositor::BuildActionMap(const TLuaObjectWrapper& t) {
  auto map = std::make_unique<ActionMap>();
  ForEach(t, [&](const TString&, const TLuaObjectWrapper& pair) {
    if (!pair.IsTable()) return;
    std::string parts[2];
    int n = 0;
    ForEach(pair, [&](const TString&, const TLuaObjectWrapper& v) {
      if (n < 2) parts[n] = Text(v);
      ++n;
    });
    (*map)[parts[0]] = std::make_unique<CCommandLua>(parts[1]);
  });
  return map;
}

// ---- inventory ----

std::unique_ptr<CInventory> CModelCompositor::BuildInventory(const TLuaObjectWrapper& t) {
  std::vector<std::string> held;
  ForEachListEntry(t, [&](const TLuaObjectWrapper& v) { held.push_back(Text(v)); });
  auto inventory = std::make_unique<CInventory>();
  inventory->SetHeld(std::move(held));
  return inventory;
}

std::unique_ptr<CInventoryItem> CModelCompositor::BuildInventoryItem(const TLuaObjectWrapper& t) {
  auto item = std::make_unique<CInventoryItem>();
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "id") item->SetId(Text(v));
    else if (k == "name") item->SetName(Text(v));
    else if (k == "description") item->SetDescription(Text(v));
    else if (k == "image") item->SetImage(Text(v));
    else if (k == "pickUpImage") item->SetPickUpImage(Text(v));
    else if (ModelType(v) == kTypeActionMap) item->SetActionMap(BuildActionMap(v));
  });
  return item;
}

// ---- score constants ----

void CModelCompositor::BuildHighscoreSystem(const TLuaObjectWrapper& t) {
  int32_t levelComplete = 0, perSecond = 0, hoTask = 0, found = 0, used = 0, adventure = 0,
          miniGame = 0, clicks = 0;
  uint32_t needed = 0;
  int64_t clickWindow = 1, penalty = 1;
  std::vector<int32_t> ladder, hints;
  auto readList = [](const TLuaObjectWrapper& v, std::vector<int32_t>& into) {
    into.clear();
    ForEachListEntry(v, [&](const TLuaObjectWrapper& e) { into.push_back(Int(e)); });
  };
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "levelCompleteBonus") levelComplete = Uint(v);
    else if (k == "levelSpeedPerSecondBonus") perSecond = Uint(v);
    else if (k == "neededTimeForHOSpeedBonusInSeconds") needed = static_cast<uint32_t>(Uint(v));
    else if (k == "HOTaskCompleteBonus") hoTask = Uint(v);
    else if (k == "foundInventoryItemBonus") found = Uint(v);
    else if (k == "usedInventoryItemSuccessfullyBonus") used = Uint(v);
    else if (k == "adventureTaskCompleteBonus") adventure = Uint(v);
    else if (k == "miniGameTaskCompleteBonus") miniGame = Uint(v);
    else if (k == "clicksNeedForPenalty") clicks = Uint(v);
    else if (k == "timeForClicksForPenalty") clickWindow = Int64(v);
    else if (k == "timeForPenalty") penalty = Int64(v);
    else if (ModelType(v) == kTypeHOFoundBonus) readList(v, ladder);
    else if (ModelType(v) == kTypeHintUsedBonus) readList(v, hints);
  });
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  if (!score) {
    LogPrintf("MakeHighscoreSystem: no score keeper, the constants are dropped\n");
    return;
  }
  score->SetLevelCompleteBonus(levelComplete);
  score->SetLevelSpeedPerSecondBonus(perSecond);
  score->SetNeededTimeForHOSpeedBonusInSeconds(needed);
  score->SetHOTaskCompleteBonus(hoTask);
  score->SetFoundInventoryItemBonus(found);
  score->SetUsedInventoryItemSuccessfullyBonus(used);
  score->SetAdventureTaskCompleteBonus(adventure);
  score->SetMiniGameTaskCompleteBonus(miniGame);
  score->SetClicksNeedForPenalty(clicks);
  score->SetTimeForClicksForPenalty(clickWindow);
  score->SetTimeForPenalty(penalty);
  score->ClearBonusLists();
  for (int32_t v : ladder) score->AddHOFoundBonuses(v);
  for (int32_t v : hints) score->AddHintUsedInLevelBonuses(v);
}

// ---- scene kinds ----

std::unique_ptr<CChapterScreen> CModelCompositor::BuildChapterScreen(const TLuaObjectWrapper& t) {
  auto screen = std::make_unique<CChapterScreen>();
  BuildSceneCommon(t, *screen);
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "title") screen->SetTitle(Text(v));
    else if (k == "subtitle") screen->SetSubtitle(Text(v));
    else if (k == "locationImage") screen->SetLocationImage(Text(v));
    else if (k == "locationX") screen->SetLocationX(Int(v));
    else if (k == "locationY") screen->SetLocationY(Int(v));
    else if (k == "locationText") screen->SetLocationText(Text(v));
  });
  return screen;
}

bool CModelCompositor::ReadTextboxKey(const TString& k, const TLuaObjectWrapper& v,
                                      CTextboxSet& screen) {
  if (k == "title") return true;  // accepted and ignored
  if (k == "textFont") screen.SetTextFont(Text(v));
  else if (k == "textboxHeight") screen.SetTextboxHeight(Int(v));
  else if (k == "textboxWidth") screen.SetTextboxWidth(Int(v));
  else if (k == "lineHeight") screen.SetLineHeight(Int(v));
  else if (k == "textColor") {
    auto part = [&](const char* name) { return ScriptNumberToInt(v.GetNumber(name, 0)); };
    screen.SetTextColor(part("red"), part("green"), part("blue"), part("alpha"));
  } else if (k == "textboxes") {
    ForEach(v, [&](const TString&, const TLuaObjectWrapper& box) {
      if (!box.IsTable()) return;
      // Read through the text form so that a NUL inside the text survives.
      lua_State* L = box.GetState();
      if (box.PushField("text")) {
        TLuaObjectWrapper text(L);
        screen.AddTextboxText(Text(text));
      } else {
        screen.AddTextboxText(std::string());
      }
      screen.AddTextboxPosition(ScriptNumberToInt(box.GetNumber("x", 0)),
                                ScriptNumberToInt(box.GetNumber("y", 0)));
      screen.AddTextboxRotation(static_cast<float>(box.GetNumber("rotation", 0)));
    });
  } else {
    return false;
  }
  return true;
}

std::unique_ptr<CAdventureScreen> CModelCompositor::BuildAdventureScreen(
    const TLuaObjectWrapper& t) {
  auto screen = std::make_unique<CAdventureScreen>();
  BuildSceneCommon(t, *screen);
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (ReadTextboxKey(k, v, *screen)) return;
    if (ModelType(v) == kModelSceneObject) screen->AddSceneObject(BuildSceneObject(v));
  });
  return screen;
}

std::unique_ptr<CCutscene> CModelCompositor::BuildCutscene(const TLuaObjectWrapper& t) {
  auto cutscene = std::make_unique<CCutscene>();
  BuildSceneCommon(t, *cutscene);
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "stageBg") cutscene->SetStageBg(Text(v));
    else if (k == "letterFont") cutscene->SetLetterFont(Text(v));
    else if (k == "letterFontSize") cutscene->SetLetterFontSize(Int(v));
    else if (ModelType(v) == kTypeCutsceneCharacter) cutscene->AddCharacter(BuildCutsceneCharacter(v));
    else if (ModelType(v) == kTypeCutsceneScript) cutscene->SetScript(BuildCutsceneScript(v));
  });
  return cutscene;
}

std::unique_ptr<CCutsceneCharacter> CModelCompositor::BuildCutsceneCharacter(
    const TLuaObjectWrapper& t) {
  auto character = std::make_unique<CCutsceneCharacter>();
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "id") character->SetId(Text(v));
    else if (k == "name") character->SetName(Text(v));
    else if (k == "position") character->SetPosition(Int(v));
    else if (k == "offsetX") character->SetOffsetX(Int(v));
    else if (k == "images") {
      ForEach(v, [&](const TString& mood, const TLuaObjectWrapper& image) {
        character->SetImageForMood(ParseMood(mood), Text(image));
      });
    }
  });
  return character;
}

std::unique_ptr<CCutsceneScript> CModelCompositor::BuildCutsceneScript(const TLuaObjectWrapper& t) {
  auto script = std::make_unique<CCutsceneScript>();
  int32_t index = 0;
  ForEach(t, [&](const TString&, const TLuaObjectWrapper& v) {
    if (!v.IsTable()) return;
    auto line = std::make_unique<CCutsceneScriptItem>();
    line->SetCharacterId(TextAt(v, 1));
    line->SetMood(ParseMood(TextAt(v, 2).c_str()));
    line->SetText(TextAt(v, 3));
    line->SetSecondText(TextAt(v, 4));
    script->AddItem(++index, std::move(line));
  });
  return script;
}

// ---- hidden-object scenes ----

std::unique_ptr<CHiddenObject> CModelCompositor::BuildHiddenObject(const TLuaObjectWrapper& t,
                                                                   const std::string& groupName,
                                                                   int32_t groupId) {
  auto object = std::make_unique<CHiddenObject>();
  object->SetGroupName(groupName);
  object->SetGroupId(groupId);
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (ReadPictureObjectKey(k, v, *object)) return;
    if (k == "groupName") object->SetGroupName(Text(v));
    else if (k == "groupId") object->SetGroupId(Int(v));
  });
  return object;
}

std::unique_ptr<CHiddenObjectGame> CModelCompositor::BuildHiddenObjectGame(
    const TLuaObjectWrapper& t) {
  auto game = std::make_unique<CHiddenObjectGame>();
  BuildSceneCommon(t, *game);
  std::vector<std::string> fixItems, foundItems;
  int32_t groups = 0;
  auto readNames = [](const TLuaObjectWrapper& v, std::vector<std::string>& into) {
    ForEachListEntry(v, [&](const TLuaObjectWrapper& e) { into.push_back(Text(e)); });
  };
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "itemListCount") game->SetItemListCount(Uint(v));
    else if (k == "hitClickSound") game->SetHitClickSound(Text(v));
    else if (k == "missClickSound") game->SetMissClickSound(Text(v));
    else if (k == "pickedUpInventoryItemOnWon") game->SetPickedUpInventoryItemOnWon(Text(v));
    else if (k == "STDLeftSideOfActiveSide") game->SetSTDLeftSideOfActiveSide(Int(v));
    else {
      switch (ModelType(v)) {
        case kTypeFixItems: readNames(v, fixItems); break;
        case kTypeFoundItems: readNames(v, foundItems); break;
        case kModelHiddenObject: game->AddHiddenObject(BuildHiddenObject(v, "none", 0)); break;
        case kTypeHOGGroup: {
          const int32_t group = ++groups;
          const std::string name = v.GetString("groupName", TString()).CStr();
          ForEach(v, [&](const TString&, const TLuaObjectWrapper& e) {
            if (ModelType(e) != kModelHiddenObject) return;
            std::unique_ptr<CHiddenObject> object = BuildHiddenObject(e, name, group);
            if (!object->IsActive()) object->SetGroupId(0);
            game->AddHiddenObject(std::move(object));
          });
          break;
        }
        default: break;
      }
    }
  });
  // A saved list may hold more names than the wanted length (grouped objects come on top).
  for (const std::string& name : fixItems) game->RestoreDisplayedItem(name);
  for (const std::string& name : foundItems) game->MarkItemFound(name);
  return game;
}

// ---- mini-game scenes ----

std::unique_ptr<CScene> CModelCompositor::BuildJigsawPuzzle(const TLuaObjectWrapper& t) {
  auto puzzle = std::make_unique<CJigsawPuzzle>();
  BuildSceneCommon(t, *puzzle);
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "offsetX") puzzle->offsetX = Int(v);
    else if (k == "offsetY") puzzle->offsetY = Int(v);
    else if (k == "hookPieces") puzzle->hookPieces = Flag(v);
    else if (k == "stickOnBackground") puzzle->stickOnBackground = Flag(v);
    else if (k == "delta") puzzle->delta = Int(v);
    else if (k == "numberOfGroupsToWin") puzzle->numberOfGroupsToWin = Int(v);
    else if (ModelType(v) == 7) {
      CJigsawPiece& piece = puzzle->GetOrAddPiece(
          CJigsawPuzzle::PieceName(static_cast<int64_t>(ScriptNumberToInt(v.GetNumber("id", 0)))));
      ForEach(v, [&](const TString& pk, const TLuaObjectWrapper& pv) {
        if (pk == "startPosX") piece.initialX = piece.currentX = Int(pv);
        else if (pk == "startPosY") piece.initialY = piece.currentY = Int(pv);
        else if (pk == "endPosX") piece.endX = Int(pv);
        else if (pk == "endPosY") piece.endY = Int(pv);
        else if (pk == "image") piece.image = Text(pv);
        else if (IsPlainTable(pv)) {
          for (int32_t n : IntList(pv)) piece.neighbours.push_back(CJigsawPuzzle::PieceName(n));
        }
      });
    }
  });
  return puzzle;
}

// The bolts take the lock's std values for what they do not give themselves, wherever in the
// table the std keys stand.
std::unique_ptr<CScene> CModelCompositor::BuildLock(const TLuaObjectWrapper& t) {
  bool stdMovesOthers = true, stdLocked = false, stdUp = false;
  std::string stdGraphic, stdUpper, stdLower;
  auto lock = std::make_unique<CLock>();
  std::vector<std::unique_ptr<CLockingBolt>> bolts;
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "stdMovesOthers") stdMovesOthers = FlagEq(v);
    else if (k == "stdLocked") stdLocked = FlagEq(v);
    else if (k == "stdUp") stdUp = FlagEq(v);
    else if (k == "stdGraphic") stdGraphic = Text(v);
    else if (k == "stdBoltUpperLockGraphic") stdUpper = Text(v);
    else if (k == "stdBoltLowerLockGraphic") stdLower = Text(v);
    else if (k == "moveBoltSoundFile") lock->SetMoveBoltSoundFile(Text(v));
    else if (k == "missSoundFile") lock->SetMissSoundFile(Text(v));
    else if (k == "wonSoundFile") lock->SetWonSoundFile(Text(v));
    else if (k == "overlayImage") lock->overlayImage = Text(v);
    else if (k == "overlayImagePosX") lock->overlayImagePosX = Uint(v);
    else if (k == "overlayImagePosY") lock->overlayImagePosY = Uint(v);
    else if (ModelType(v) == 10) {
      auto bolt = std::make_unique<CLockingBolt>(false, false, false);
      ForEach(v, [&](const TString& bk, const TLuaObjectWrapper& bv) {
        if (bk == "movesOthers") bolt->movesOthers = FlagEq(bv), bolt->gaveMovesOthers = true;
        else if (bk == "locked") bolt->locked = FlagEq(bv), bolt->gaveLocked = true;
        else if (bk == "up") bolt->up = FlagEq(bv), bolt->gaveUp = true;
        else if (bk == "graphic") bolt->graphic = Text(bv);
        else if (bk == "downX") bolt->downX = Int(bv);
        else if (bk == "downY") bolt->downY = Int(bv);
        else if (bk == "upX") bolt->upX = Int(bv);
        else if (bk == "upY") bolt->upY = Int(bv);
        else if (bk == "boltUpperLockGraphic") bolt->boltUpperLockGraphic = Text(bv);
        else if (bk == "upperBoltLockOpenRotAngle") bolt->upperBoltLockOpenRotAngle = Int(bv);
        else if (bk == "upperBoltLockCloseRotAngle") bolt->upperBoltLockCloseRotAngle = Int(bv);
        else if (bk == "upperBoltLockPositionX") bolt->upperBoltLockPositionX = Int(bv);
        else if (bk == "upperBoltLockPositionY") bolt->upperBoltLockPositionY = Int(bv);
        else if (bk == "boltLowerLockGraphic") bolt->boltLowerLockGraphic = Text(bv);
        else if (bk == "lowerBoltLockOpenRotAngle") bolt->lowerBoltLockOpenRotAngle = Int(bv);
        else if (bk == "lowerBoltLockCloseRotAngle") bolt->lowerBoltLockCloseRotAngle = Int(bv);
        else if (bk == "lowerBoltLockPositionX") bolt->lowerBoltLockPositionX = Int(bv);
        else if (bk == "lowerBoltLockPositionY") bolt->lowerBoltLockPositionY = Int(bv);
        else if (IsPlainTable(bv)) bolt->movedIndices = IntList(bv);
      });
      bolts.push_back(std::move(bolt));
    }
  });
  BuildSceneCommon(t, *lock);
  for (auto& bolt : bolts) {
    if (!bolt->gaveMovesOthers) bolt->movesOthers = stdMovesOthers;
    if (!bolt->gaveLocked) bolt->locked = stdLocked;
    if (!bolt->gaveUp) bolt->up = stdUp;
    if (bolt->graphic.empty()) bolt->graphic = stdGraphic;
    if (bolt->boltUpperLockGraphic.empty()) bolt->boltUpperLockGraphic = stdUpper;
    if (bolt->boltLowerLockGraphic.empty()) bolt->boltLowerLockGraphic = stdLower;
    lock->AddBolt(std::move(bolt));
  }
  // A bolt acts on at most 30 others, and only on a list that names other bolts of this lock
  // once each; a bolt with any other list acts on nothing and keeps the lock's std flags.
  for (const auto& bolt : lock->GetBolts()) {
    if (bolt->movedIndices.size() > CLock::kMaxMovedBolts) {
      LogPrintf("Unlocking doors: bolt %d names %zu bolts, only the first %zu are used\n", bolt->index,
                bolt->movedIndices.size(), CLock::kMaxMovedBolts);
      bolt->movedIndices.resize(CLock::kMaxMovedBolts);
    }
    if (!lock->IsValidMovedList(bolt->movedIndices)) {
      LogPrintf("Unlocking doors: bolt %d has an unusable list of moved bolts; it acts on none\n", bolt->index);
      bolt->movedIndices.clear();
      bolt->movesOthers = stdMovesOthers, bolt->locked = stdLocked, bolt->up = stdUp;
    }
  }
  return lock;
}

std::unique_ptr<CScene> CModelCompositor::BuildMixPotionMiniGame(const TLuaObjectWrapper& t) {
  auto game = std::make_unique<CMixPotionMiniGame>();
  auto colors = [](const TLuaObjectWrapper& v, std::vector<int32_t>& into) {
    into.clear();
    ForEachListEntry(v, [&](const TLuaObjectWrapper& e) { into.push_back(MixPotionColorCode(Text(e))); });
  };
  std::vector<std::unique_ptr<CMixPotionPipe>> pipes;
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    for (int i = 0; i < CMixPotionMiniGame::kImageCount; ++i) {
      if (k == CMixPotionMiniGame::kImageKeys[i]) {
        game->images[i] = Text(v);
        return;
      }
    }
    if (k == "mixSoundFile") game->mixSoundFile = Text(v), game->hasMixSoundFile = true;
    else if (k == "wonSoundFile") game->wonSoundFile = Text(v), game->hasWonSoundFile = true;
    else if (k == "tryAgainSoundFile") game->tryAgainSoundFile = Text(v), game->hasTryAgainSoundFile = true;
    else if (k == "x") game->x = Uint(v);
    else if (k == "y") game->y = Uint(v);
    else if (k == "colorSystem") game->colorSystem = Uint(v);
    else if (k == "buttonX") game->buttonX = Uint(v);
    else if (k == "buttonY") game->buttonY = Uint(v);
    else if (k == "cboardX") game->cboardX = Uint(v);
    else if (k == "cboardY") game->cboardY = Uint(v);
    else if (k == "resetbuttonX") game->resetbuttonX = Int(v);
    else if (k == "resetbuttonY") game->resetbuttonY = Int(v);
    else if (ModelType(v) == 16) colors(v, game->givenColors);
    else if (ModelType(v) == 17) colors(v, game->needColors);
    else if (ModelType(v) == 15) {
      auto pipe = std::make_unique<CMixPotionPipe>();
      ForEach(v, [&](const TString& pk, const TLuaObjectWrapper& pv) {
        if (pk == "id") pipe->id = Uint(pv);
        else if (pk == "x") pipe->x = Uint(pv);
        else if (pk == "y") pipe->y = Uint(pv);
        else if (pk == "h") pipe->h = Uint(pv);
        else if (IsPlainTable(pv)) {
          // A pipe has at most three outputs.
          pipe->links = IntList(pv);
          if (pipe->links.size() > 3) pipe->links.resize(3);
        }
      });
      pipes.push_back(std::move(pipe));
    }
  });
  BuildSceneCommon(t, *game);
  for (auto& pipe : pipes) game->AddPipe(std::move(pipe));
  game->ConnectPipes();
  return game;
}

std::unique_ptr<CScene> CModelCompositor::BuildMirroredImageGame(const TLuaObjectWrapper& t) {
  auto game = std::make_unique<CMirroredImageGame>();
  BuildSceneCommon(t, *game);
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "amountSelectedFalseImages") game->SetAmountSelectedFalseImages(Int(v));
    else if (k == "amountAllFalseImages") game->SetAmountAllFalseImages(Int(v));
    else if (k == "filepath") game->filepath = Text(v);
    else if (k == "nameFalseImage") game->nameFalseImage = Text(v);
    else if (k == "nameCorrectImage") game->nameCorrectImage = Text(v);
    else if (IsPlainTable(v)) {
      ForEach(v, [&](const TString&, const TLuaObjectWrapper& p) {
        if (!p.IsTable()) return;
        game->positions.emplace_back(ScriptNumberToInt(p.GetNumber("xPos", 0)),
                                     ScriptNumberToInt(p.GetNumber("yPos", 0)));
      });
    }
  });
  return game;
}

std::unique_ptr<CScene> CModelCompositor::BuildPlacingObjectGame(const TLuaObjectWrapper& t) {
  auto game = std::make_unique<CPlacingObjectGame>();
  BuildSceneCommon(t, *game);
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (ReadTextboxKey(k, v, *game)) return;
    if (k == "hintImage") game->SetHintImage(Text(v));
    else if (ModelType(v) == kModelSceneObject) game->AddSceneObject(BuildSceneObject(v));
    else if (ModelType(v) == kTypeInventory) game->SetInventory(*BuildInventory(v));
  });
  return game;
}

std::unique_ptr<CScene> CModelCompositor::BuildNineMensMorrisGame(const TLuaObjectWrapper& t) {
  auto game = std::make_unique<CNineMensMorrisGame>();
  BuildSceneCommon(t, *game);
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "filepath") game->filepath = Text(v);
    else if (IsPlainTable(v)) {
      ForEach(v, [&](const TString&, const TLuaObjectWrapper& field) {
        if (!field.IsTable()) return;
        game->AddPosition(ScriptNumberToInt(field.GetNumber("xPos", 0)),
                          ScriptNumberToInt(field.GetNumber("yPos", 0)));
        game->AddStatusStart(ScriptNumberToInt(field.GetNumber("statusStart", 0)));
        game->AddStatusEnd(ScriptNumberToInt(field.GetNumber("statusEnd", 0)));
        std::vector<int32_t> links;
        ForEach(field, [&](const TString&, const TLuaObjectWrapper& e) {
          if (e.IsTable()) links = IntList(e);
        });
        game->AddNeighbourList(links);
      });
    }
  });
  game->BuildFields();
  return game;
}

std::unique_ptr<CScene> CModelCompositor::BuildPlacingPicturesGame(const TLuaObjectWrapper& t) {
  auto game = std::make_unique<CPlacingPicturesGame>();
  BuildSceneCommon(t, *game);
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (ReadTextboxKey(k, v, *game)) return;
    if (k == "filepath") game->filepath = Text(v);
    else if (k == "hotspots") {
      ForEach(v, [&](const TString&, const TLuaObjectWrapper& h) {
        if (!h.IsTable()) return;
        TPictureArea area;
        ForEach(h, [&](const TString& hk, const TLuaObjectWrapper& hv) {
          if (hk == "id") area.id = Text(hv);
          else if (hk == "imageStart") area.imageStart = Text(hv);
          else if (hk == "imageEnd") area.imageEnd = Text(hv);
          for (int i = 0; i < 4; ++i) {
            const std::string n = std::to_string(i + 1);
            if (hk == ("xPos" + n).c_str()) area.x[i] = Int(hv);
            if (hk == ("yPos" + n).c_str()) area.y[i] = Int(hv);
          }
        });
        game->areas.push_back(std::move(area));
      });
    }
  });
  game->AdoptSceneHotspots();
  game->BuildBoard();
  return game;
}

std::unique_ptr<CScene> CModelCompositor::BuildPlotpoint(const TLuaObjectWrapper& t) {
  auto plot = std::make_unique<CPlotpoint>();
  BuildSceneCommon(t, *plot);
  ForEach(t, [&](const TString& k, const TLuaObjectWrapper& v) {
    if (k == "movingTextureDirectory") plot->movingTextureDirectory = Text(v);
    else if (k == "movingTextureName") plot->movingTextureName = Text(v);
    else if (k == "numberOfTextures") plot->numberOfTextures = Uint(v);
    else if (k == "direction") plot->SetDirection(Text(v));
    else if (k == "beginX") plot->beginX = Int(v);
    else if (k == "beginY") plot->beginY = Int(v);
    else if (k == "endX") plot->endX = Int(v);
    else if (k == "endY") plot->endY = Int(v);
    else if (k == "borderTexture") plot->borderTexture = Text(v);
    else if (k == "offsetStart") plot->offsetStart = Int(v);
    else if (k == "offsetEnd") plot->offsetEnd = Int(v);
    else if (k == "textUpperLeftX") plot->textUpperLeftX = Int(v);
    else if (k == "textUpperLeftY") plot->textUpperLeftY = Int(v);
    else if (k == "textLowerRightX") plot->textLowerRightX = Int(v);
    else if (k == "textLowerRightY") plot->textLowerRightY = Int(v);
    else if (k == "textColorRed") plot->textColorRed = Uint(v);
    else if (k == "textColorGreen") plot->textColorGreen = Uint(v);
    else if (k == "textColorBlue") plot->textColorBlue = Uint(v);
    else if (k == "textHeight") plot->textHeight = Uint(v);
    else if (ModelType(v) == 33) {
      ForEach(v, [&](const TString&, const TLuaObjectWrapper& pair) {
        if (!pair.IsTable()) return;
        std::unique_ptr<TLuaObjectWrapper> key;
        std::unique_ptr<TLuaObjectWrapper> first = pair.Next(key);
        std::unique_ptr<TLuaObjectWrapper> second = first ? pair.Next(key) : nullptr;
        if (!first) return;
        const TLuaObjectWrapper* text = first.get();
        const TLuaObjectWrapper* number = second.get();
        if (!first->IsString()) std::swap(text, number);
        plot->AddText(text ? Text(*text) : std::string(), number ? Uint(*number) : 0);
      });
    }
  });
  return plot;
}

// ---- running game texts ----

// The globals a saved text may reach.
static const char* const kSaveTextNames[] = {
    "MakeGame", "MakeLevel", "MakeCutscene", "MakeChapterScreen", "MakeInventory",
    "MakeInventoryItem", "MakeActionMap", "MakeHiddenObjectGame", "MakeHiddenObject",
    "MakeUnlockingDoorsMiniGame", "MakeUnlockingDoorsBolt", "MakeCutsceneCharacter",
    "MakeCutsceneScript", "MakeMixPotionMiniGame", "MakeMixPotionPipe", "MakeMixPotionGivenColors",
    "MakeMixPotionNeedColors", "MakeAdventureScreen", "MakePlacingObjectGame", "MakeSceneObject",
    "MakeSceneExit", "MakeSceneHotspot", "MakeHighscoreSystem", "MakeHOFoundBonus",
    "MakeHintUsedInLevelBonus", "MakeFixItems", "MakeFoundItems", "MakeMirroredImageGame",
    "MakeNineMensMorrisGame", "MakePlacingPicturesGame", "MakeHOGGroup", "MakeJigsawPiece",
    "MakeJigsawPuzzle", "MakePlotpoint", "MakePlotpointTexts", "SetGlobalString",
    "SetGlobalNumber", "SetGlobalBool", "require"};

bool RunGameText(TScript& script, const std::string& text, const char* what, bool saved) {
  if (!text.empty() && text[0] == '\x1b') {
    LogPrintf("Game text %s refused: precompiled chunks are not loaded from saves\n", what);
    return false;
  }
  int code;
  if (!saved) {
    code = script.DoLuaString(TString(text.data(), ptrdiff_t(text.size())), -1, 0);
  } else {
    // The text is handed over as a value, compiled as text only, and run with its own globals.
    lua_State* L = script.GetState();
    lua_pushstring(L, "__SaveText");
    lua_pushlstring(L, text.data(), text.size());
    lua_settable(L, LUA_GLOBALSINDEX);
    std::string loader =
        "local text = __SaveText __SaveText = nil\n"
        "local chunk, message = loadstring(text, " + savetext::Quoted(what) + ")\n"
        "if not chunk then error(message, 0) end\n"
        "setfenv(chunk, {";
    for (const char* name : kSaveTextNames) loader += std::string(name) + " = " + name + ", ";
    loader += "})\nchunk()\n";
    code = script.DoLuaString(loader.c_str(), -1, 0);
  }
  if (code != 0) {
    LogPrintf("Game text %s failed to run (%d)\n", what, code);
    return false;
  }
  return true;
}

bool LoadSavedGame(TScript& script, const std::string& gamedata, const std::string& gamestate) {
  CModelCompositor* compositor = CModelCompositor::CreateInstance();
  bool ok = RunGameText(script, gamedata, "gamedata", true);
  const bool built = compositor->HasBuiltGame();
  if (ok) ok = RunGameText(script, gamestate, "gamestate", true);
  CModelCompositor::ReleaseInstance();
  if (!built) {
    LogPrintf("Saved game did not build a game model\n");
    return false;
  }
  CGame* game = CGame::GetInstance();
  if (ok && (!game || !game->GetCurrentScene())) {
    LogPrintf("Saved game has no current scene\n");
    return false;
  }
  return ok;
}
