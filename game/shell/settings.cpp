// The settings and profile keeper: profile keys in the preference database, sound and display
// settings, music, game mode and medals, and the flow of play (profile selection rebuilding the
// model, saving as one commit, scene changes through the window system's modal stack).
#include "shell/settings.h"

#include <algorithm>
#include <string>

#include "core/config.h"
#include "core/log.h"
#include "core/prefsdb.h"
#include "core/stringtable.h"
#include "model/compositor.h"
#include "model/diary.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "model/modelscript.h"
#include "model/profilestore.h"
#include "model/savetext.h"
#include "os/msgbox.h"
#include "os/time.h"
#include "platform/platform.h"
#include "services/gamestate.h"
#include "services/hiscores.h"
#include "shell/screenstack.h"
#include "sound/sound.h"
#include "sound/soundmanager.h"
#include "ui/windowmanager.h"

namespace {

// The game handle, the two game-mode identifiers and the two medal identifiers.
const char* const kIdentifiers[5] = {"The Harrowmere", "brask_gamemode1", "brask_gamemode2",
                                     "harrowmere_medal1", "harrowmere_medal2"};

const char kDefaultScene[] = "scripts/scene1.lua";
const char kNewGameScript[] = "scripts/game/game.lua";

std::unique_ptr<TSettings>& Slot() {
  static std::unique_ptr<TSettings> instance;
  return instance;
}

IScreenStack* gScreenStack = nullptr;

TScript* WindowScript() {
  TWindowManager* manager = GetWindowManager();
  return manager ? manager->GetWindowScript() : nullptr;
}

// The model's view of the profiles: those of the installed keeper, once it is installed (a keeper
// still starting up answers none).
class TKeeperProfiles : public IProfileStore {
 public:
  TPrefsDB* GetProfileDB() override {
    TSettings* settings = TSettings::GetInstance();
    return settings ? settings->GetPrefsDB() : nullptr;
  }
  int GetCurrentProfile() override {
    TSettings* settings = TSettings::GetInstance();
    return settings ? settings->GetCurrentUser() : -1;
  }
};
TKeeperProfiles gKeeperProfiles;

// A flag argument: scripts pass booleans or the numbers 0 and 1 (a Lua 0 would read as true).
bool FlagArgument(lua_State* L, int index) {
  return lua_type(L, index) == LUA_TBOOLEAN ? lua_toboolean(L, index) != 0 : lua_tonumber(L, index) != 0;
}

int32_t DefaultSoundVolume() { return GetConfig("defaultsoundvolume", "").ToInt(); }

}  // namespace

IScreenStack* GetScreenStack() { return gScreenStack; }
void SetScreenStack(IScreenStack* stack) { gScreenStack = stack; }

void ConnectModelScript() { SetModelScriptSource(WindowScript); }

// ---- singleton ----

TSettings* TSettings::CreateInstance() {
  Slot().reset();
  // The game is built in the window script, and its score keeper saves into our profiles.
  ConnectModelScript();
  SetProfileStore(&gKeeperProfiles);
  // The pointer is set only once the stored profile is loaded, as the score keeper expects.
  std::unique_ptr<TSettings> settings(new TSettings());
  settings->Start();
  Slot() = std::move(settings);
  return Slot().get();
}

TSettings* TSettings::CreateDetachedInstance() {
  Slot().reset();
  SetProfileStore(&gKeeperProfiles);
  Slot().reset(new TSettings());
  return Slot().get();
}

TSettings* TSettings::GetInstance() { return Slot().get(); }

void TSettings::DestroyInstance() { Slot().reset(); }

TSettings::~TSettings() {
  mBindings.Release();
  if (mMusic) mMusic->Stop();
  mMusic.reset();
  mScores.reset();
  mOwnedPrefs.reset();
}

void TSettings::Start() {
  BindScriptFunctions();
  mOwnedPrefs = std::make_unique<TPrefsDB>(true);
  mPrefs = mOwnedPrefs.get();
  mScores = std::make_unique<TVxHiscores>(true);
  mGameMode = -1;
  mScores->SetUserField(2, kIdentifiers[0]);
  int32_t user = mPrefs->GetInt("curuser", -1, -1);
  if (user < -1 || user >= GetNumUsers()) {
    // A damaged "curuser" must not make every later profile write append empty profiles.
    LogPrintf("Stored current profile %d does not exist; no profile selected\n", user);
    user = -1;
  }
  SetCurrentUser(user);
  ReportStorageProblems();
}

namespace {
// A text of the string table, or the fallback when the table lacks it; %s is the path.
TString NoticeText(const char* key, const char* fallback, const std::string& path) {
  TString text;
  if (TPlatform* platform = TPlatform::GetInstance())
    if (TStringTable* table = platform->GetStringTable()) text = table->GetString(key, path.c_str());
  if (text.IsEmpty() || text == "#####") text = TString::Format(fallback, path.c_str());
  return text;
}
// The system's message box does not wrap its text: lines are broken between words here, but for
// lines holding a path (which has to stay whole to be found).
TString WrapForBox(const TString& text, size_t width = 70) {
  std::string out, line;
  const std::string in = std::string(text.CStr()) + "\n";
  for (char c : in) {
    if (c != '\n') {
      line += c;
      continue;
    }
    if (line.find('/') == std::string::npos) {
      size_t start = 0;
      for (size_t i = 0; i < line.size(); ++i)
        if (line[i] == ' ' && i - start > width) {
          line[i] = '\n';
          start = i + 1;
        }
    }
    out += line + "\n";
    line.clear();
  }
  out.pop_back();
  return TString(out.c_str());
}
}  // namespace

void TSettings::ReportStorageProblems() {
  // Scores a full disk refused are written again now and then (each try writes a whole file).
  if (mScores && mScores->IsHoldingChanges()) {
    const DWORD now = GetTickCount();
    if (now - mScoreRetryTick >= kScoreRetryMs) {
      mScoreRetryTick = now;
      mScores->SaveUnsaved();
    }
  }
  std::string path, scorePath;
  TString text;
  const bool scoresUnsaved = mScores && mScores->TakeUnsavedNotice(scorePath);
  bool prefsUnsaved = false;
  if (mOwnedPrefs) {
    TPrefsStore& store = mOwnedPrefs->Store();
    if (store.TakeDamagedNotice(path))
      text = NoticeText("prefsdamaged",
                        "The saved players could not be read: the file that holds them is damaged. The game "
                        "starts anew; the damaged file was kept as\n%s",
                        path);
    prefsUnsaved = store.TakeUnsavedNotice(path);
  }
  if (prefsUnsaved || scoresUnsaved) {
    // one notice for both files, each named on a line of its own
    std::string paths = prefsUnsaved ? path : scorePath;
    if (prefsUnsaved && scoresUnsaved) paths += "\n" + scorePath;
    if (!text.IsEmpty()) text += "\n\n";
    text += NoticeText("prefsunsaved",
                       "Your progress cannot be saved: the disk may be full, or the folder may not allow "
                       "writing. The game goes on and saves as soon as it can. The file that cannot be "
                       "written:\n%s",
                       paths);
  }
  if (text.IsEmpty()) return;
  text = WrapForBox(text);
  if (IScreenStack* stack = GetScreenStack())
    stack->ShowMessage(text);
  else
    MessageBoxA(nullptr, text.CStr(), GetConfig("publisher", "").CStr(), MB_OK | MB_ICONWARNING);
}

void TSettings::BindScriptFunctions() {
  TScript* script = WindowScript();
  if (!script) {
    LogPrintf("TSettings: no window script for the settings functions\n");
    return;
  }
  lua_State* L = script->GetState();
  mBindings.Bind(L, "ToggleFullScreen", this, &TSettings::ToggleFullScreen);
  mBindings.Bind(L, "ToggleSoundMute", this, &TSettings::ToggleSoundMute);
  mBindings.Bind(L, "SetCurrentGameMode", this, &TSettings::SetCurrentGameMode);
  mBindings.Bind(L, "GetCurrentGameMode", this, &TSettings::GetCurrentGameMode);
  mBindings.Bind(L, "GetNumUsers", this, &TSettings::GetNumUsers);
  mBindings.Bind(L, "CreateNewUser", this, &TSettings::CreateNewUser);
  mBindings.Bind(L, "GetCurrentUser", this, &TSettings::GetCurrentUserForScript);
  mBindings.Bind(L, "SetCurrentUser", this, &TSettings::SetCurrentUser);
  mBindings.Bind(L, "ResetUserGame", this, &TSettings::ResetUserGame);
  mBindings.Bind(L, "ChangeCurrentUserName", this, &TSettings::ChangeCurrentUserName);
  mBindings.Bind(L, "DeleteUser", this, &TSettings::DeleteUser);
  mBindings.Bind(L, "IsNameInUse", this, &TSettings::IsNameInUse);
  mBindings.Bind(L, "QuitToMainMenu", this, &TSettings::QuitToMainMenu);
  mBindings.Bind(L, "LogHighScore", this, &TSettings::LogHighScore);
  mBindings.Bind(L, "NumMedalsToSubmit", this, &TSettings::NumMedalsToSubmit);
  mBindings.Bind(L, "NumEarnedMedals", this, &TSettings::NumEarnedMedals);
  mBindings.Bind(L, "GetMedalName", this, &TSettings::GetMedalName);
  mBindings.Bind(L, "GetMedalType", this, &TSettings::GetMedalType);
  mBindings.Bind(L, "GetMedalGameMode", this, &TSettings::GetMedalGameMode);
  mBindings.Bind(L, "GetMedalGameData", this, &TSettings::GetMedalGameData);
  mBindings.Bind(L, "GetVXGameModeName", this, &TSettings::GetVXGameModeName);
  mBindings.Bind(L, "GetVXMedalName", this, &TSettings::GetVXMedalName);
  mBindings.Bind(L, "GetCurrentScene", this, &TSettings::GetCurrentScene);
  mBindings.Bind(L, "SetCurrentScene", this, &TSettings::SetCurrentScene);
  mBindings.Bind(L, "SetMusic", this, &TSettings::SetMusicForScript);
  mBindings.Bind(L, "StartGame", this, &TSettings::StartGameForScript);
  mBindings.Bind(L, "SaveGame", this, &TSettings::SaveGame);
}

int TSettings::SetMusicForScript(lua_State* L) {
  SetMusic(ScriptGetString(L, 1), FlagArgument(L, 2));
  return 0;
}

int TSettings::StartGameForScript(lua_State* L) {
  StartGame(FlagArgument(L, 1));
  return 0;
}

// ---- helpers ----

int32_t TSettings::ReadCurrentUser() const { return mPrefs ? mPrefs->GetInt("curuser", -1, -1) : -1; }

bool TSettings::IsProfile(int32_t index) const { return index >= 0 && index < GetNumUsers(); }

// ---- display and sound ----

void TSettings::ApplyDisplaySettings() {
  const bool fullScreen = mPrefs && mPrefs->GetInt("fullscreen", 1, -1) == 1;
  const int32_t width = GetConfig("screenwidth", "").ToInt();
  const int32_t height = GetConfig("screenheight", "").ToInt();
  if (TPlatform* platform = TPlatform::GetInstance()) platform->InitDisplay(width, height, fullScreen);
  ApplySoundLevels();
}

namespace {
// The game-state handlers (a host window's portal among them) hear whether the player muted the game.
void ReportMute(int32_t soundOff) {
  if (TGameState* hub = FindGameState()) hub->SendStateNumber("mute", soundOff != 0 ? 1 : 0);
}
}  // namespace

void TSettings::ApplySoundLevels() {
  TSoundManager* sound = GetPlatformSoundManager();
  if (!sound || !mPrefs) return;
  const int32_t user = ReadCurrentUser();
  const int32_t fallback = DefaultSoundVolume();
  const int32_t soundLevel = mPrefs->GetInt("soundlevel", fallback, user);
  const int32_t musicLevel = mPrefs->GetInt("musiclevel", fallback, user);
  const int32_t soundOff = mPrefs->GetInt("soundoff", 0, user);
  sound->SetGroupVolume(1000, soundLevel / 1000.0f);
  sound->SetGroupVolume(0, soundLevel / 1000.0f);
  sound->SetGroupVolume(1001, musicLevel / 1000.0f);
  sound->SetVolume(soundOff == 0 ? 1.0f : 0.0f);
  ReportMute(soundOff);
}

void TSettings::StoreFullscreen() {
  if (mPrefs) mPrefs->SetInt("fullscreen", IsFullscreen() ? 1 : 0, -1, true);
}

bool TSettings::IsFullscreen() const {
  TPlatform* platform = TPlatform::GetInstance();
  return platform && platform->IsFullScreen();
}

bool TSettings::ToggleFullScreen() {
  TPlatform* platform = TPlatform::GetInstance();
  if (!platform) return false;
  const bool fullScreen = !platform->IsFullScreen();
  if (!platform->SetFullScreen(fullScreen)) return false;
  if (mPrefs) mPrefs->SetInt("fullscreen", fullScreen ? 1 : 0, -1, true);
  return true;
}

void TSettings::ToggleSoundMute() {
  if (!mPrefs) return;
  const int32_t user = ReadCurrentUser();
  if (user != -1 && !IsProfile(user)) return;
  const int32_t off = ((mPrefs->GetInt("soundoff", 0, user) + 1) % 2 + 2) % 2;
  mPrefs->SetInt("soundoff", off, user, true);
  if (TSoundManager* sound = GetPlatformSoundManager()) sound->SetVolume(off == 0 ? 1.0f : 0.0f);
  ReportMute(off);
}

void TSettings::SetMusic(TString name, bool streaming) {
  if (name == mMusicName) return;
  mMusicName = name;
  if (mMusic) mMusic->Stop();
  mMusic = TSound::Get(name, !streaming, 1001);
  if (mMusic) mMusic->Play(true);
}

// ---- profiles ----

int32_t TSettings::GetNumUsers() const { return mPrefs ? mPrefs->GetUserCount() : 0; }

TString TSettings::GetCurrentUserName() const { return GetUserName(ReadCurrentUser()); }

TString TSettings::GetUserName(int32_t index) const {
  if (!mPrefs || !IsProfile(index)) return TString();
  return mPrefs->GetString("name", "", index);
}

bool TSettings::IsNameInUse(TString name) const {
  for (int32_t i = 0; i < GetNumUsers(); ++i)
    if (GetUserName(i) == name) return true;
  return false;
}

void TSettings::SetCurrentUser(int32_t index) {
  if (!mPrefs) return;
  if (index >= GetNumUsers()) return;
  if (index < -1) {
    LogPrintf("SetCurrentUser: no profile %d\n", index);
    return;
  }
  mPrefs->SetInt("curuser", index, -1, true);
  mCurrentUser = index;
  if (index >= 0) {
    if (mScores) {
      const TString name = mPrefs->GetString("name", "", index);
      // The local score rows carry the player name, so it follows the profile too (unless a host
      // locked it).
      mScores->SetUserField(0, name);
      mScores->SetUserField(1, name);
    }
    ApplySoundLevels();
  }

  CHighscoreSystem::CreateInstance();
  TDiary* diary = TDiary::CreateInstance();
  diary->SetGoBackButtonPosition(119, 530);
  diary->SetGoForwardButtonPosition(823, 536);
  diary->AddArea(0, 0, 1030, 770);
  CGlobalInformationSystem::CreateInstance();

  TPrefsValueState dataState = TPrefsValueState::kAbsent, stateState = TPrefsValueState::kAbsent;
  const TString gamedata = mPrefs->GetString("gamedata", "", index, &dataState);
  const TString gamestate = mPrefs->GetString("gamestate", "", index, &stateState);
  mGameMode = mPrefs->GetInt("gamemode", -1, ReadCurrentUser());

  CGame::DestroyInstance();
  CGame::CreateInstance();
  TScript* script = WindowScript();
  // A stored text that does not decipher is a damaged save, not a missing one.
  const bool damaged = dataState == TPrefsValueState::kUndecipherable ||
                       stateState == TPrefsValueState::kUndecipherable;
  const bool saved = damaged || !gamedata.IsEmpty();
  bool loaded = false;
  if (!script) {
    LogPrintf("SetCurrentUser: no window script to build the game in\n");
  } else if (damaged) {
    LogPrintf("Saved game of profile %d does not decipher\n", index);
  } else if (saved) {
    loaded = LoadSavedGame(*script, std::string(gamedata.CStr(), size_t(gamedata.Length())),
                           std::string(gamestate.CStr(), size_t(gamestate.Length())));
  } else {
    CModelCompositor* compositor = CModelCompositor::CreateInstance();
    script->RunScript(kNewGameScript);
    loaded = compositor->HasBuiltGame();
    CModelCompositor::ReleaseInstance();
    if (!loaded) LogPrintf("New game script %s built no game\n", kNewGameScript);
  }
  mGameLoaded = loaded;
  if (!loaded && saved) {
    LogPrintf("Saved game of profile %d could not be loaded; the stored game is kept and not saved over\n",
              index);
    ReportDamagedSave(index >= 0 ? mPrefs->GetString("name", "", index) : TString());
  }
  if (GetInstance() == this)
    if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->LoadHighscoreCurrentUser();
}

void TSettings::ReportDamagedSave(const TString& name) {
  TString text;
  if (TPlatform* platform = TPlatform::GetInstance())
    if (TStringTable* table = platform->GetStringTable()) text = table->GetString("savedamaged", name);
  if (text.IsEmpty() || text == "#####")
    text = TString::Format(
        "The saved game of %s could not be loaded. It is kept as it is, and this game will not save over it.",
        name.IsEmpty() ? "this player" : name.CStr());
  if (IScreenStack* stack = GetScreenStack())
    stack->ShowMessage(text);
  else
    MessageBoxA(nullptr, text.CStr(), GetConfig("publisher", "").CStr(), MB_OK | MB_ICONWARNING);
}

void TSettings::CreateNewUser(TString name) {
  if (!mPrefs) return;
  const int32_t current = ReadCurrentUser();
  const int32_t index = GetNumUsers();
  const int32_t fallback = DefaultSoundVolume();
  const bool copy = IsProfile(current);
  const int32_t soundLevel = copy ? mPrefs->GetInt("soundlevel", fallback, current) : fallback;
  const int32_t musicLevel = copy ? mPrefs->GetInt("musiclevel", fallback, current) : fallback;
  const int32_t soundOff = copy ? mPrefs->GetInt("soundoff", 0, current) : 0;
  // The new profile reaches the file whole.
  mPrefs->SetString("name", name, index, false);
  mPrefs->SetInt("soundlevel", soundLevel, index, false);
  mPrefs->SetInt("musiclevel", musicLevel, index, false);
  mPrefs->SetInt("soundoff", soundOff, index, false);
  mPrefs->Commit();
  SetCurrentUser(index);
}

void TSettings::ChangeCurrentUserName(TString name) {
  if (!mPrefs) return;
  CHighscoreSystem* score = CHighscoreSystem::GetInstance();
  const int32_t total = score ? score->GetHighscoreAsInt() : 0;
  const int32_t user = mPrefs->GetInt("curuser", 0, -1);
  if (!IsProfile(user)) {
    LogPrintf("ChangeCurrentUserName: no profile %d\n", user);
    return;
  }
  const TString oldName = mPrefs->GetString("name", "", user);
  mPrefs->SetString("name", name, user, true);
  if (!mScores) return;
  // Later scores are logged under the new name even when the old one had none yet.
  mScores->SetUserField(0, name);
  mScores->SetUserField(1, name);
  const int32_t count = std::min(mScores->GetScoreCount(true), 10);
  for (int32_t i = 0; i < count; ++i) {
    char entry[64] = {};
    if (!mScores->GetScore(true, i, nullptr, entry, sizeof entry, nullptr, nullptr, nullptr, 0)) continue;
    if (oldName == entry) {
      mScores->RemoveUserEntries(oldName);
      mScores->LogScore(total, true, TString());
      break;
    }
  }
}

void TSettings::DeleteUser(int32_t index) {
  if (!mPrefs) return;
  if (!IsProfile(index)) {
    LogPrintf("DeleteUser: no profile %d\n", index);
    return;
  }
  if (mScores) mScores->RemoveUserEntries(GetUserName(index));
  mPrefs->RemoveUser(index);
  mPrefs->Commit();
  SetCurrentUser(index > 0 ? index - 1 : GetNumUsers() - 1);
}

void TSettings::ResetUserGame(int32_t index) {
  if (!mPrefs || !IsProfile(index)) return;
  mPrefs->SetString("gamedata", "", index, false);
  mPrefs->SetString("gamestate", "", index, false);
  mPrefs->Commit();
}

void TSettings::RestartFinishedPlayer() {
  const int32_t user = ReadCurrentUser();
  if (!mPrefs || !IsProfile(user)) return;
  // In place: the profile keeps its index, name and sound settings, and the score just earned stays
  // in the table. Only the game and the score keeper's and diary's progress start over, in one
  // commit so that no half-reset profile can reach the file.
  mPrefs->SetString("gamedata", "", user, false);
  mPrefs->SetString("gamestate", "", user, false);
  CHighscoreSystem::ResetProfileKeys(*mPrefs, user, false);
  TDiary::ResetProfileKeys(*mPrefs, user, false);
  if (!mPrefs->Commit()) LogPrintf("RestartFinishedPlayer: the new game of profile %d could not be saved\n", user);
  SetCurrentUser(user);
}

TString TSettings::BuildPlayerChoicesText() const {
  const int32_t count = GetNumUsers();
  std::string names = "{";
  for (int32_t i = 0; i < count && i < 10; ++i) {
    const TString name = GetUserName(i);
    names += savetext::SingleQuoted(std::string_view(name.CStr(), size_t(name.Length())));
    names += ',';
  }
  names += '}';
  std::string text = "UpdatePlayerChoices( " + std::to_string(count) + ", " +
                     std::to_string(ReadCurrentUser()) + ", " + names + " )";
  return TString(text.data(), ptrdiff_t(text.size()));
}

// ---- game mode, scores, medals ----

void TSettings::SetCurrentGameMode(int32_t mode) {
  if (mode < -1 || mode > 1) return;
  mGameMode = mode;
  if (mScores) mScores->SetUserField(2, kIdentifiers[mode + 1]);
}

void TSettings::LogHighScore(int32_t score) {
  if (mScores) mScores->LogScore(score, true, TString());
}

int32_t TSettings::NumMedalsToSubmit() const { return mScores ? mScores->NumMedalsToSubmit() : 0; }

int32_t TSettings::NumEarnedMedals() const { return mScores ? mScores->NumEarnedMedals() : 0; }

TString TSettings::GetMedalName(int32_t index) const {
  TString name;
  if (mScores) mScores->GetMedal(index, &name, nullptr, nullptr, nullptr);
  return name;
}

int32_t TSettings::GetMedalType(int32_t index) const {
  int32_t type = 0;
  if (mScores) mScores->GetMedal(index, nullptr, &type, nullptr, nullptr);
  return type;
}

TString TSettings::GetMedalGameMode(int32_t index) const {
  TString mode;
  if (mScores) mScores->GetMedal(index, nullptr, nullptr, &mode, nullptr);
  return mode;
}

TString TSettings::GetMedalGameData(int32_t index) const {
  TString data;
  if (mScores) mScores->GetMedal(index, nullptr, nullptr, nullptr, &data);
  return data;
}

TString TSettings::GetVXGameModeName(int32_t index) const {
  return index == 0 || index == 1 ? TString(kIdentifiers[index + 1]) : TString();
}

TString TSettings::GetVXMedalName(int32_t index) const {
  return index == 0 || index == 1 ? TString(kIdentifiers[index + 3]) : TString();
}

TString TSettings::GetCurrentScene() const {
  return mPrefs ? mPrefs->GetString("curscene", kDefaultScene, ReadCurrentUser()) : TString(kDefaultScene);
}

void TSettings::SetCurrentScene(TString scene) {
  if (!mPrefs) return;
  const int32_t user = ReadCurrentUser();
  if (user != -1 && !IsProfile(user)) return;
  mPrefs->SetString("curscene", scene, user, true);
}
