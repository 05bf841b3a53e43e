// The game's start-up, main loop and shutdown, and the handler of its named messages.
#include "shell/gamemain.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "core/config.h"
#include "core/folder.h"
#include "core/log.h"
#include "os/msgbox.h"
#include "os/process.h"
#include "script/scriptcode.h"
#include "platform/platform.h"
#include "core/stringtable.h"
#include "model/diary.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "render/drawcontext.h"
#include "particles/particledraw.h"
#include "render/texture.h"
#include "shell/settings.h"
#include "shell/spriteanimator.h"
#include "shell/windowscreenstack.h"
#include "shell/windowtypes.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"

uint8_t gAppShuttingDown = 0;

namespace {

// The game handle, the game-mode identifiers and the medal identifiers, in this order.
const char* const kIdentifiers[5] = {"The Harrowmere", "brask_gamemode1", "brask_gamemode2",
                                     "harrowmere_medal1", "harrowmere_medal2"};

void SetNumberedConfig(const char* base, int number, const char* value) {
  char key[64];
  std::snprintf(key, sizeof key, "%s%d", base, number);
  SetConfig(key, value);
}

std::shared_ptr<TTexture> CursorTexture(const char* key) {
  const TString name = GetConfig(key, "");
  if (name.IsEmpty()) return nullptr;
  return TTexture::Get(name, 0);
}

// Compiles every script below the folder (the compiled code is kept for their first use). The first
// that does not compile names itself and its error in `failure`.
bool CheckScripts(const TString& folder, TString* failure) {
  TDirectoryIterator entries(folder);
  TString name;
  bool isFolder = false;
  while (entries.Next(&name, &isFolder)) {
    const TString path = folder + "/" + name;
    if (isFolder) {
      if (!CheckScripts(path, failure)) return false;
      continue;
    }
    TString lower = name;
    lower.ToLower();
    const size_t n = std::strlen(lower.CStr());
    if (n < 4 || std::strcmp(lower.CStr() + n - 4, ".lua") != 0) continue;
    TString error;
    if (!TScriptCode::Get(path, "", &error)) {
      // The compiler's message names the file and line itself; a file that cannot be read does not.
      if (std::strstr(error.CStr(), path.CStr())) *failure = error;
      else *failure = TString::Format("%s: %s", path.CStr(), error.IsEmpty() ? "cannot be read" : error.CStr());
      return false;
    }
  }
  return true;
}

}  // namespace

bool CheckGameScripts(TString* failure) { return CheckScripts("assets/scripts", failure); }

void GamePreInitialize() {
  SetConfig("mac_fix_common_and_user_dirs", "1");
  SetConfig("lpsonescript", "1");
  SetConfig("publisher", "The Harrowmere Demo");
  SetConfig("buildtag", "V. 0.85b");
  SetConfig("version", "V. 0.85b");
  SetConfig("fixbuttonmask", "1");
  SetConfig("utf8mode", "1");
  SetConfig("verbosedebug", "0");
  SetConfig("largevramusage", "1");
  SetConfig("hittestchildren", "1");
  SetConfig("encryptionkey", "vqlzkrtwMNPQ");
  SetConfig("vxgamehandle", kIdentifiers[0]);
  // The screens' fixed layouts assume this size; the settings file may still name another.
  SetConfig("screenwidth", "1024");
  SetConfig("screenheight", "768");
  SetNumberedConfig("vxgamemodename", 1, kIdentifiers[1]);
  SetNumberedConfig("vxgamemodename", 2, kIdentifiers[2]);
  SetNumberedConfig("vxgamemedalname", 1, kIdentifiers[3]);
  SetNumberedConfig("vxgamemedalname", 2, kIdentifiers[4]);
}

void SetRenderFlags() {
  TDrawContext* draw = TDrawContext::GetInstance();
  for (const char* option : {"new_subtractive", "new_render_blend", "texture_rectangle", "mac_use_hw_cursors"})
    draw->SetOption(option, "1");
}

bool CMessageHandler::OnMessage(TMessage& message) {
  static const char* const kScreens[][2] = {
      {"ShowPickupWindow", "DoModal('scripts/pickupwindow.lua')"},
      {"ShowPickupWindowDiary", "DoModal('scripts/pickupwindowdiary.lua')"},
      {"ShowScoreWindow", "DoModal('scripts/score.lua')"},
      {"ShowBriefingWindow", "DoModal('scripts/briefingwindow.lua')"},
      {"ShowTutorialWindow", "DoModal('scripts/tutorial.lua')"},
      {"ShowCredits", "DoModal('scripts/credits.lua')"},
  };
  if (!message.IsKindOf(TMessage::ClassId())) return false;
  for (const auto& screen : kScreens) {
    if (message.GetName() != screen[0]) continue;
    TWindowManager* manager = GetWindowManager();
    manager->DoScriptString(manager->GetTopModal(), screen[1]);
    return true;
  }
  return false;
}

bool HandleMainLoopEvent(const TPlatformEvent& event) {
  if (event.type == kEventQuit) return false;
  // A disk that filled up during play is told about once, between events.
  if (TSettings* settings = TSettings::GetInstance()) settings->ReportStorageProblems();
  TWindowManager* manager = GetWindowManager();
  switch (event.type) {
    case kEventClose:
      {
        const TString verify = GetConfig("scriptOkVerify", "");
        TScript* script = manager->GetWindowScript();
        if (!script || !script->RunScript(verify)) {
          // Nothing answered the close request: the window must still close.
          LogPrintf("Failed to run script %s; the game ends\n", verify.CStr());
          if (TPlatform* platform = TPlatform::GetInstance()) platform->PostQuitMessage(0);
        }
      }
      break;
    case kEventFullScreenToggled:
      if (TSettings* settings = TSettings::GetInstance()) settings->StoreFullscreen();
      break;
    case kEventActivate:
      if (CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance())
        globals->SetGlobalBool("WindowHasNotFocus", event.data != 1);
      break;
    default:
      break;
  }
  manager->HandleEvent(event);
  return true;
}

int GameMain(TPlatform* platform, const char*) {
  gAppShuttingDown = 0;
  // A script that does not compile would leave the player before an empty screen that waits for
  // ever; the game ends instead, saying which file and why.
  TString failure;
  if (!CheckGameScripts(&failure)) {
    LogPrintf("The game cannot start: %s", failure.CStr());
    const TString text = "The game cannot start because one of its files is damaged:\n\n" + failure;
    MessageBoxA(nullptr, text.CStr(), GetConfig("publisher", "").CStr(), MB_OK | MB_ICONERROR);
    ExitProcess(kExitDamagedGameFile);
  }
  // The game flow's screens live on the window manager's modal stack and the model in its window
  // script; particles draw on the display.
  TWindowScreenStack* screens = InstallWindowScreenStack();
  ConnectModelScript();
  ConnectParticleDrawing();
  CGame::CreateInstance();
  SetRenderFlags();
  if (TStringTable* table = platform->GetStringTable()) platform->SetWindowTitle(table->GetString("windowtitle"));
  TSettings* settings = TSettings::CreateInstance();
  settings->ApplyDisplaySettings();
  platform->SetCursor(CursorTexture("assetCursorSW"), 0, 0, false);
  platform->SetCursor(CursorTexture("assetCursorHW"), 0, 0, true);
  RegisterWindowTypes();
  TWindowManager* manager = platform->GetWindowManager();
  if (TScript* script = manager->GetWindowScript()) {
    const TString mainLoop = GetConfig("scriptMainLoop", "");
    if (!script->RunScript(mainLoop)) LogPrintf("Failed to run script %s\n", mainLoop.CStr());
  }
  // The manager deletes its listeners; this one is taken back before the manager goes.
  auto* handler = new CMessageHandler();
  manager->AddListener(handler);
  if (CGlobalInformationSystem* globals = CGlobalInformationSystem::GetInstance())
    globals->SetGlobalBool("WindowHasNotFocus", false);

  for (;;) {
    TPlatformEvent event;
    platform->GetEvent(&event);
    if (!HandleMainLoopEvent(event)) break;
  }

  gAppShuttingDown = 1;
  manager->RemoveListener(handler);
  delete handler;
  // The screens hold pointers into the model and the systems below; they go first.
  screens->CloseAll();
  DestroyGameSingletons();
  return 0;
}

void DestroyGameSingletons() {
  CGame::DestroyInstance();
  TSettings::DestroyInstance();
  CGlobalInformationSystem::DestroyInstance();
  TDiary::DestroyInstance();
  CHighscoreSystem::DestroyInstance();
  // Its glows and moves hold sprites of the screens just closed.
  TSpriteAnimator::ReleaseInstance();
}
