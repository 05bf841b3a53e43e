// The model compositor turns a game text into the model objects. While it lives, the window
// script holds the constructor globals: "MakeLevel" and the others only tag their table with a
// model type; "MakeGame" walks the finished tree and builds the levels, scenes, items and score
// constants into the game root. It lives only while a game text runs.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/string.h"
#include "model/command.h"
#include "script/lua/lua.h"
#include "script/scriptbinding.h"

class CAdventureScreen;
class CChapterScreen;
class CCutscene;
class CCutsceneCharacter;
class CCutsceneScript;
class CGame;
class CHiddenObject;
class CHiddenObjectGame;
class CInventory;
class CInventoryItem;
class CLevel;
class CScene;
class CSceneExit;
class CSceneHotspot;
class CSceneObject;
class CTextboxSet;
class TLuaObjectWrapper;
class TScript;

class CModelCompositor {
 public:
  // Replaces an existing compositor; binds the constructor globals in the window script.
  static CModelCompositor* CreateInstance();
  static CModelCompositor* GetInstance();
  // After this the constructor globals are dead: calling one logs an error and does nothing.
  static void ReleaseInstance();

  virtual ~CModelCompositor();
  CModelCompositor(const CModelCompositor&) = delete;
  CModelCompositor& operator=(const CModelCompositor&) = delete;

  // False only for the text "false".
  static bool ParseBool(const TString& text);
  // "normal" 1, "happy" 2, "sad" 3, anything else 0.
  static int32_t ParseMood(const TString& text);

  // The tag functions: argument 1 gets "modeltype" = kType and is returned; a value that is not a
  // table gives nil.
  template <int32_t kType>
  int Tag(lua_State* L);
  // Fills the game root from the table in argument 1.
  int MakeGame(lua_State* L);
  // MakeGame ran since this compositor was made.
  bool HasBuiltGame() const { return mBuiltGame; }

  // The builders, one per record kind; each reads a table as the save text's schema says.
  std::unique_ptr<CLevel> BuildLevel(const TLuaObjectWrapper& t);
  void BuildSceneCommon(const TLuaObjectWrapper& t, CScene& scene);
  std::unique_ptr<CSceneExit> BuildSceneExit(const TLuaObjectWrapper& t);
  std::unique_ptr<CSceneHotspot> BuildSceneHotspot(const TLuaObjectWrapper& t);
  std::unique_ptr<CSceneObject> BuildSceneObject(const TLuaObjectWrapper& t);
  std::unique_ptr<ActionMap> BuildActionMap(const TLuaObjectWrapper& t);
  std::unique_ptr<CInventory> BuildInventory(const TLuaObjectWrapper& t);
  std::unique_ptr<CInventoryItem> BuildInventoryItem(const TLuaObjectWrapper& t);
  void BuildHighscoreSystem(const TLuaObjectWrapper& t);
  std::unique_ptr<CChapterScreen> BuildChapterScreen(const TLuaObjectWrapper& t);
  std::unique_ptr<CAdventureScreen> BuildAdventureScreen(const TLuaObjectWrapper& t);
  std::unique_ptr<CCutscene> BuildCutscene(const TLuaObjectWrapper& t);
  std::unique_ptr<CCutsceneCharacter> BuildCutsceneCharacter(const TLuaObjectWrapper& t);
  std::unique_ptr<CCutsceneScript> BuildCutsceneScript(const TLuaObjectWrapper& t);
  std::unique_ptr<CHiddenObjectGame> BuildHiddenObjectGame(const TLuaObjectWrapper& t);
  std::unique_ptr<CHiddenObject> BuildHiddenObject(const TLuaObjectWrapper& t,
                                                   const std::string& groupName, int32_t groupId);
  std::unique_ptr<CScene> BuildJigsawPuzzle(const TLuaObjectWrapper& t);
  std::unique_ptr<CScene> BuildLock(const TLuaObjectWrapper& t);
  std::unique_ptr<CScene> BuildMixPotionMiniGame(const TLuaObjectWrapper& t);
  std::unique_ptr<CScene> BuildMirroredImageGame(const TLuaObjectWrapper& t);
  std::unique_ptr<CScene> BuildPlacingObjectGame(const TLuaObjectWrapper& t);
  std::unique_ptr<CScene> BuildNineMensMorrisGame(const TLuaObjectWrapper& t);
  std::unique_ptr<CScene> BuildPlacingPicturesGame(const TLuaObjectWrapper& t);
  std::unique_ptr<CScene> BuildPlotpoint(const TLuaObjectWrapper& t);

 private:
  CModelCompositor();
  void FillGame(const TLuaObjectWrapper& t, CGame& game);
  // The scene builder of the record kind, or null for kinds without one.
  std::unique_ptr<CScene> BuildScene(int32_t type, const TLuaObjectWrapper& t);
  // Text-box fields shared by the adventure screen and kinds built on it; false for other keys.
  template <class T>
  bool ReadPictureObjectKey(const TString& key, const TLuaObjectWrapper& value, T& object);
  bool ReadTextboxKey(const TString& key, const TLuaObjectWrapper& value, CTextboxSet& screen);

  bool mBuiltGame = false;
  TScriptBindings mBindings;
};

// Runs one game text (the new-game script's text, a saved "gamedata" or "gamestate") in the
// script. Saved texts are source text only: a precompiled chunk is refused. A saved text (`saved`)
// runs where it sees only what a save needs: the constructors, the global variable setters and
// `require`. False, with a log line, when the text was refused or its run failed.
bool RunGameText(TScript& script, const std::string& text, const char* what, bool saved = false);

// Loads a profile's saved game: makes the compositor, runs "gamedata" and then "gamestate",
// releases it. False when a text failed, MakeGame never ran, or the game has no current scene
// afterwards; the caller must then leave the stored texts alone.
bool LoadSavedGame(TScript& script, const std::string& gamedata, const std::string& gamestate);
