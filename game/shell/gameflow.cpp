// The flow of play carried by the settings keeper: saving a profile's game as one commit, going
// back to the main menu, starting play, and changing scenes by replacing the top modal window with
// the screen that the new scene's kind calls for.
#include <string>

#include "core/log.h"
#include "core/prefsdb.h"
#include "model/diary.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "shell/screenstack.h"
#include "shell/settings.h"
#include "ui/windowmanager.h"

namespace {

struct TSceneScript {
  int32_t type;
  const char* script;
};
// Tested in this order; the first kind a scene is decides.
const TSceneScript kSceneScripts[] = {
    {1, "scripts/chapterscreen.lua"},        {11, "scripts/cutscene.lua"},
    {27, "scripts/mirroredimagegame.lua"},   {30, "scripts/ninemensmorrisgame.lua"},
    {31, "scripts/placingpicturesgame.lua"}, {5, "scripts/hiddenobjectgame.lua"},
    {9, "scripts/unlockingdoors.lua"},       {14, "scripts/mixpotion.lua"},
    {18, "scripts/adventurescreen.lua"},     {29, "scripts/adventurescreen.lua"},
    {6, "scripts/jigsaw.lua"},               {32, "scripts/plotpoint.lua"},
};

TString ToText(const std::string& text) { return TString(text.data(), ptrdiff_t(text.size())); }

bool IsMainMenu() {
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  return globals && globals->GetGlobalBool("isMainMenu");
}

}  // namespace

bool TSettings::SaveGame() {
  CGame* game = CGame::GetInstance();
  CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance();
  if (!mPrefs || !game || !globals) {
    LogPrintf("SaveGame: no game to save\n");
    return false;
  }
  const int32_t user = ReadCurrentUser();
  if (user != -1 && !IsProfile(user)) {
    LogPrintf("SaveGame: no profile %d\n", user);
    return false;
  }
  if (!mGameLoaded) {
    // Writing now would replace the stored game with whatever the failed load left.
    LogPrintf("SaveGame: the stored game of profile %d failed to load and is kept; not saved\n", user);
    return false;
  }
  std::string gamedata, gamestate;
  game->Serialize(gamedata);
  globals->Serialize(gamestate);
  // Every key of one save reaches the file in one commit, so a profile never mixes two saves; a
  // write or commit that fails drops the whole save and the previous one stays.
  mPrefs->SetString("gamedata", ToText(gamedata), user, false);
  mPrefs->SetString("gamestate", ToText(gamestate), user, false);
  mPrefs->SetInt("gamemode", mGameMode, user, false);
  if (user >= 0) {
    if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->Save(*mPrefs, user, false);
    if (TDiary* diary = TDiary::GetInstance()) diary->Save(*mPrefs, user, false);
  }
  if (!mPrefs->Commit()) {
    LogPrintf("SaveGame: the game of profile %d could not be saved; the previous save is kept\n", user);
    return false;
  }
  return true;
}

void TSettings::QuitToMainMenu() {
  SaveGame();
  if (CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance())
    globals->SetGlobalBool("isMainMenu", true);
  IScreenStack* stack = GetScreenStack();
  if (!stack) return;
  // The bottom modal window, the main menu, stays.
  TString last;
  while (stack->TopModalHasParent()) {
    const TString id = stack->GetTopModalIdString();
    if (id.IsEmpty() || id == last) {
      LogPrintf("QuitToMainMenu: modal window %s does not close\n", id.CStr());
      break;
    }
    last = id;
    stack->CloseModal(id);
  }
}

void TSettings::StartGame(bool fade) {
  if (CHighscoreSystem* score = CHighscoreSystem::GetInstance()) score->LoadHighscoreCurrentUser();
  const int32_t user = ReadCurrentUser();
  if (TDiary* diary = TDiary::GetInstance())
    if (mPrefs && IsProfile(user)) diary->Load(*mPrefs, user);
  CGame* game = CGame::GetInstance();
  if (!game) {
    LogPrintf("StartGame: no game\n");
    return;
  }
  ChangeScene(game->GetCurrentSceneId(), fade);
}

void TSettings::ChangeScene(int32_t sceneId, bool fade) {
  CGame* game = CGame::GetInstance();
  if (!game) {
    LogPrintf("ChangeScene: no game\n");
    return;
  }
  CScene* current = game->GetCurrentScene();
  mPreviousScene = current ? current->GetSeqId() : -1;
  game->SetCurrentScene(sceneId);
  if (fade) {
    // The scene window opens the new scene once it has faded out; without one, open it now.
    IScreenStack* stack = GetScreenStack();
    if (stack && stack->SetSceneFadeStep(0.03f)) return;
    LogPrintf("ChangeScene: no fading scene window; the scene opens at once\n");
  }
  OpenCurrentScene();
}

void TSettings::GotoNextScene(bool fade) {
  CGame* game = CGame::GetInstance();
  CScene* scene = game ? game->GetCurrentScene() : nullptr;
  if (!scene) {
    LogPrintf("GotoNextScene: no current scene\n");
    return;
  }
  ChangeScene(scene->GetNextScene(), fade);
}

void TSettings::OpenCurrentScene() {
  CGame* game = CGame::GetInstance();
  if (!game) {
    LogPrintf("OpenCurrentScene: no game\n");
    return;
  }
  if (!game->GetCurrentScene()) {
    game->SetCurrentScene(game->GetStartScene());
    QuitToMainMenu();
    return;
  }
  if (!IsMainMenu() && mPreviousScene != -1) {
    const int32_t id = game->GetCurrentSceneId();
    game->SetCurrentScene(mPreviousScene);
    CScene* previous = game->GetCurrentScene();
    const TString exitScript = previous ? TString(previous->GetExitScript()) : TString();
    game->SetCurrentScene(id);
    if (!exitScript.IsEmpty()) {
      TWindowManager* manager = GetWindowManager();
      if (TWindowScript* script = manager ? manager->GetWindowScript() : nullptr) script->RunScript(exitScript);
    }
  }
  // The exit script may have changed the model; take the scene again.
  CScene* scene = game->GetCurrentScene();
  if (!scene) {
    LogPrintf("OpenCurrentScene: the current scene went away\n");
    game->SetCurrentScene(game->GetStartScene());
    QuitToMainMenu();
    return;
  }
  IScreenStack* stack = GetScreenStack();
  if (!stack) {
    LogPrintf("OpenCurrentScene: no window system\n");
    return;
  }
  // The scene's window replaces the one on top, never the main menu at the bottom. A scene's
  // modal window has no name of its own (its screen script names only the "scene" in it), so it
  // is closed by its id.
  TString oldName;
  if (stack->TopModalHasParent()) {
    oldName = stack->GetTopModalName();
    if (oldName.IsEmpty()) oldName = stack->GetTopModalIdString();
  }
  TWindow* window = OpenSceneWindow(scene);
  if (!oldName.IsEmpty()) stack->CloseModal(oldName);
  if (window) stack->PushModal(window);
}

TWindow* TSettings::OpenSceneWindow(CScene* scene) {
  IScreenStack* stack = GetScreenStack();
  if (!stack) {
    LogPrintf("OpenSceneWindow: no window system\n");
    return nullptr;
  }
  TWindow* window = stack->NewModalWindow();
  const char* script = scene ? GetSceneScript(*scene) : nullptr;
  if (window && script) stack->DoScriptFile(window, script);
  return window;
}

const char* TSettings::GetSceneScript(const CScene& scene) {
  for (const TSceneScript& entry : kSceneScripts)
    if (scene.IsType(entry.type)) return entry.script;
  return nullptr;
}
