// The settings and profile keeper: the player profiles kept in the preference database, each
// profile's sound settings and saved game, the install-wide display mode, the music, the game
// mode, the local score and medal client, and the flow of play (selecting a profile rebuilds the
// model from its saved texts; saving, returning to the main menu, scene changes). The menu scripts
// reach it through 27 Lua globals.
#pragma once
#include <cstdint>
#include <memory>

#include "core/string.h"
#include "script/scriptbinding.h"

class CScene;
class TPrefsDB;
class TSound;
class TVxHiscores;
class TWindow;

class TSettings {
 public:
  // Deletes an existing keeper, then makes the full one: binds the script functions, opens the
  // preference database and the score client, and selects the stored current profile.
  static TSettings* CreateInstance();
  // A keeper with no database, score client or profile of its own and no script functions; tests
  // and tools attach a database with SetPrefsDB.
  static TSettings* CreateDetachedInstance();
  static TSettings* GetInstance();
  static TSettings* Instance() { return GetInstance(); }
  static void DestroyInstance();
  static void ReleaseInstance() { DestroyInstance(); }

  virtual ~TSettings();
  TSettings(const TSettings&) = delete;
  TSettings& operator=(const TSettings&) = delete;

  // The preference database (owned by the full keeper), or null.
  TPrefsDB* GetPrefsDB() const { return mPrefs; }
  void SetPrefsDB(TPrefsDB* prefs) { mPrefs = prefs; }
  // The current profile's index, -1 when none.
  int GetCurrentUser() const { return mCurrentUser; }
  void SetCurrentUserIndex(int user) { mCurrentUser = user; }
  TVxHiscores* GetScoreClient() const { return mScores.get(); }
  // Tells the player, once each, what the preference and score files' state means for them: the
  // players could not be read (the file was damaged and set aside), or progress cannot be saved now
  // (the disk is full or the folder takes no writes). Called at the start and between events, when
  // it also tries again to write scores a full disk refused.
  void ReportStorageProblems();

  // Display and sound.
  void ApplyDisplaySettings();
  void ApplySoundLevels();
  void StoreFullscreen();
  bool IsFullscreen() const;
  bool ToggleFullScreen();
  void ToggleSoundMute();
  void SetMusic(TString name, bool streaming);
  const TString& GetMusicName() const { return mMusicName; }

  // Profiles.
  int32_t GetNumUsers() const;
  TString GetCurrentUserName() const;
  TString GetUserName(int32_t index) const;
  bool IsNameInUse(TString name) const;
  void SetCurrentUser(int32_t index);
  void CreateNewUser(TString name);
  void ChangeCurrentUserName(TString name);
  void DeleteUser(int32_t index);
  void ResetUserGame(int32_t index);
  // Starts the finished current player over in place: a new game under the same profile, which
  // keeps its index, name, sound settings and high scores.
  void RestartFinishedPlayer();
  // The Lua text that hands the first ten profile names to the profile screen's script:
  // "UpdatePlayerChoices( count, current, { 'name', ... } )", every name a quoted Lua literal.
  TString BuildPlayerChoicesText() const;
  // False while the current profile's saved game failed to load; its stored texts are then kept
  // and no save writes over them.
  bool IsGameLoaded() const { return mGameLoaded; }

  // Game mode, scores and medals.
  void SetCurrentGameMode(int32_t mode);
  int32_t GetCurrentGameMode() const { return mGameMode; }
  void LogHighScore(int32_t score);
  int32_t NumMedalsToSubmit() const;
  int32_t NumEarnedMedals() const;
  TString GetMedalName(int32_t index) const;
  int32_t GetMedalType(int32_t index) const;
  TString GetMedalGameMode(int32_t index) const;
  TString GetMedalGameData(int32_t index) const;
  TString GetVXGameModeName(int32_t index) const;
  TString GetVXMedalName(int32_t index) const;

  // The scene script name kept for the scripts.
  TString GetCurrentScene() const;
  void SetCurrentScene(TString scene);

  // Flow of play. SaveGame answers whether the save reached the file (a failure is logged and
  // leaves the previous save in place).
  bool SaveGame();
  void QuitToMainMenu();
  void StartGame(bool fade);
  void ChangeScene(int32_t sceneId, bool fade);
  void GotoNextScene(bool fade);
  void OpenCurrentScene();
  TWindow* OpenSceneWindow(CScene* scene);
  // The screen script of a scene's kind, or null when no kind matches.
  static const char* GetSceneScript(const CScene& scene);
  int32_t GetPreviousScene() const { return mPreviousScene; }

  void GetMousePosition(int32_t* x, int32_t* y) const {
    *x = mMouseX;
    *y = mMouseY;
  }
  void SetMousePosition(int32_t x, int32_t y) {
    mMouseX = x;
    mMouseY = y;
  }

 private:
  TSettings() = default;
  void Start();
  void BindScriptFunctions();
  // Tells the player that a profile's saved game could not be loaded.
  void ReportDamagedSave(const TString& name);
  int32_t ReadCurrentUser() const;
  bool IsProfile(int32_t index) const;
  int32_t GetCurrentUserForScript() { return ReadCurrentUser(); }
  int SetMusicForScript(lua_State* L);
  int StartGameForScript(lua_State* L);

  int32_t mMouseX = 0, mMouseY = 0;
  std::unique_ptr<TPrefsDB> mOwnedPrefs;
  TPrefsDB* mPrefs = nullptr;
  std::unique_ptr<TVxHiscores> mScores;
  static constexpr uint32_t kScoreRetryMs = 10000;
  uint32_t mScoreRetryTick = 0;
  int32_t mGameMode = -1;
  std::shared_ptr<TSound> mMusic;
  TString mMusicName;
  int32_t mPreviousScene = -1;
  int mCurrentUser = -1;
  bool mGameLoaded = true;
  TScriptBindings mBindings;
};

// Hands the model the window manager's window script as the script it binds into and runs texts in.
void ConnectModelScript();
