// Shared set-up of the game shell tests: a temporary player folder ("user:") holding the real
// preference and score files, a window script with a small new-game text and exit scripts, and a
// recording stand-in for the window system's modal stack.
#pragma once
#include <gtest/gtest.h>

#include "filetext.h"
#include "game/modeltexts.h"

#include <cstdint>
#include <string>
#include <vector>

#include "core/assetindex.h"
#include "core/config.h"
#include "core/log.h"
#include "core/prefsdb.h"
#include "model/compositor.h"
#include "model/diary.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "model/modelscript.h"
#include "os/msgbox.h"
#include "os/paths.h"
#include "os/tempfolder.h"
#include "script/scriptbinding.h"
#include "ui/windowscript.h"
#include "shell/screenstack.h"
#include "shell/settings.h"
#include "ui/windowmanager.h"

namespace shelltest {

// What the tests see happen, in order: screen scripts, exit scripts (through Note), closes, pushes.
inline std::vector<std::string>& Events() {
  static std::vector<std::string> events;
  return events;
}
inline void Note(TString text) { Events().push_back(text.CStr()); }

// A modal stack of named windows; a new window takes the name of the script run for it.
class FakeScreens : public IScreenStack {
 public:
  struct Window {
    uintptr_t id;
    std::string name;
  };

  TString GetTopModalName() override { return stack.empty() ? TString() : TString(stack.back().name.c_str()); }
  TString GetTopModalIdString() override {
    return stack.empty() ? TString() : TString::Format("%8x", unsigned(stack.back().id));
  }
  bool TopModalHasParent() override { return stack.size() > 1; }
  void CloseModal(const TString& nameOrId) override {
    Events().push_back(std::string("close:") + nameOrId.CStr());
    for (size_t i = stack.size(); i-- > 0;) {
      const bool match = stack[i].name == nameOrId.CStr() ||
                         TString::Format("%8x", unsigned(stack[i].id)) == nameOrId;
      if (match) {
        stack.resize(i);
        return;
      }
    }
  }
  TWindow* NewModalWindow() override {
    pending.push_back({++serial, ""});
    return reinterpret_cast<TWindow*>(serial);
  }
  void DoScriptFile(TWindow* window, const TString& script) override {
    Events().push_back(std::string("script:") + script.CStr());
    if (Window* w = Pending(window)) w->name = script.CStr();
  }
  void PushModal(TWindow* window) override {
    Window* w = Pending(window);
    ASSERT_NE(w, nullptr);
    Events().push_back("push:" + w->name);
    stack.push_back(*w);
  }
  bool SetSceneFadeStep(float step) override {
    if (!sceneWindow) return false;
    fadeStep = step;
    return true;
  }
  void ShowMessage(const TString& text) override { messages.push_back(text.CStr()); }

  void Open(const std::string& name) { stack.push_back({++serial, name}); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const Window& w : stack) names.push_back(w.name);
    return names;
  }

  std::vector<Window> stack, pending;
  uintptr_t serial = 0x100;
  bool sceneWindow = false;
  float fadeStep = 0;
  std::vector<std::string> messages;

 private:
  Window* Pending(TWindow* window) {
    for (Window& w : pending)
      if (w.id == reinterpret_cast<uintptr_t>(window)) return &w;
    return nullptr;
  }
};

// One scene of every kind with a screen script, chained by their next scenes; the adventure
// scene has an exit script.
inline const char kNewGame[] = R"(
MakeGame
{
  name = "shelltest", startScene = 101,
  MakeLevel
  {
    seqId = 1, name = "one",
    MakeAdventureScreen { seqId = 101, nextScene = 102, exitScript = "scripts/exit101.lua" },
    MakeCutscene { seqId = 102, nextScene = 103, exitScript = "scripts/exit102.lua" },
    MakeChapterScreen { seqId = 103, nextScene = 104 },
    MakeHiddenObjectGame { seqId = 104, nextScene = 105 },
    MakeJigsawPuzzle { seqId = 105, nextScene = 106 },
    MakeUnlockingDoorsMiniGame { seqId = 106, nextScene = 107 },
    MakeMixPotionMiniGame { seqId = 107, nextScene = 108 },
    MakeMirroredImageGame { seqId = 108, nextScene = 109 },
    MakeNineMensMorrisGame { seqId = 109, nextScene = 110 },
    MakePlacingPicturesGame { seqId = 110, nextScene = 111 },
    MakePlacingObjectGame { seqId = 111, nextScene = 112 },
    MakePlotpoint { seqId = 112, nextScene = 101 },
  },
}
)";
inline const char kExit101[] = "Note('exit:101')";
inline const char kExit102[] = "Note('exit:102')";

class ShellTest : public testing::Test {
 protected:
  ShellTest() {
    filetest::ResetFileSystem();
    LogInit((mTemp / "log").c_str());
    SetFileRoots(os::ToWindowsPath(mTemp.Path()).c_str(), TString(), TString());
    SetConfig("encryptionkey", "ShellKeyText");
    SetConfig("installkey", "");
    SetConfig("defaultsoundvolume", "800");
    SetConfig("vxgamehandle", "The Harrowmere");
    os::TestRecordMessageBoxes(true);
    os::TestResetMessageBoxes();
    Events().clear();
    GetWindowManager()->SetWindowScript(&mScript);
    ConnectModelScript();
    SetScreenStack(&mScreens);
    // The saved texts require the game's script libraries; these tests have none.
    Run("function require(name) end");
    BindScriptFunction(mScript.GetState(), "Note", &Note);
    RegisterMemoryFile("scripts/game/game.lua", kNewGame, sizeof kNewGame - 1);
    RegisterMemoryFile("scripts/exit101.lua", kExit101, sizeof kExit101 - 1);
    RegisterMemoryFile("scripts/exit102.lua", kExit102, sizeof kExit102 - 1);
  }
  ~ShellTest() override {
    TSettings::DestroyInstance();
    CModelCompositor::ReleaseInstance();
    CGame::DestroyInstance();
    CHighscoreSystem::DestroyInstance();
    CGlobalInformationSystem::DestroyInstance();
    TDiary::DestroyInstance();
    SetScreenStack(nullptr);
    SetModelScriptSource(nullptr);
    GetWindowManager()->SetWindowScript(nullptr);
    os::TestResetMessageBoxes();
    Events().clear();
    LogInit("");
    filetest::ResetFileSystem();
    ClearConfig();
  }

  // The keeper as the game starts it: over the files in the player folder.
  TSettings* Start() { return TSettings::CreateInstance(); }
  // Ends the keeper and the model, as a quit does, and starts again from the files.
  TSettings* Restart() {
    TSettings::DestroyInstance();
    CGame::DestroyInstance();
    return Start();
  }
  TPrefsDB& Prefs() { return *TSettings::GetInstance()->GetPrefsDB(); }

  void Run(const std::string& text) {
    ASSERT_EQ(mScript.DoLuaString(TString(text.data(), ptrdiff_t(text.size())), -1, 0), 0)
        << text << "\n" << Log();
  }
  std::string GlobalString(const char* name) {
    lua_State* L = mScript.GetState();
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    std::string s = lua_isstring(L, -1) ? std::string(lua_tostring(L, -1), lua_strlen(L, -1)) : "";
    lua_pop(L, 1);
    return s;
  }
  double GlobalNumber(const char* name) {
    lua_State* L = mScript.GetState();
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    double n = lua_tonumber(L, -1);
    lua_pop(L, 1);
    return n;
  }


  std::string Log() const { return testutil::ReadLogText(mTemp / "log"); }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }
  std::string PrefsPath() const { return mTemp / "prefsdb.dat"; }

  testutil::TempFolder mTemp;
  TWindowScript mScript;
  FakeScreens mScreens;
};

}  // namespace shelltest
