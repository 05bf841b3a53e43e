// Shared set-up of the model tests: a window script the model binds into (with `require` of the
// game's libraries stubbed), a log in a temporary folder, a settable clock, and helpers to run
// game texts and read what the model writes.
#pragma once
#include <gtest/gtest.h>

#include "filetext.h"
#include "game/modeltexts.h"

#include <cstdlib>
#include <string>

#include "core/assetindex.h"
#include "core/log.h"
#include "model/compositor.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "model/modelscript.h"
#include "os/tempfolder.h"
#include "script/luastack.h"
#include "ui/windowscript.h"

class ModelTest : public testing::Test {
 protected:
  ModelTest() {
    filetest::ResetFileSystem();
    LogInit((mTemp / "log").c_str());
    SetModelScriptSource([this] { return &mScript; });
    SetModelClock([this] { return mNow; });
    // The saved texts require the game's script libraries; these tests have none.
    Run("function require(name) end");
  }
  ~ModelTest() override {
    CModelCompositor::ReleaseInstance();
    CGame::DestroyInstance();
    CHighscoreSystem::DestroyInstance();
    CGlobalInformationSystem::DestroyInstance();
    SetModelClock(nullptr);
    SetModelScriptSource(nullptr);
    LogInit("");
    filetest::ResetFileSystem();
  }

  // The singletons a profile load makes afresh before its texts run.
  void MakeSingletons() {
    CGame::DestroyInstance();
    CGame::CreateInstance();
    CHighscoreSystem::CreateInstance();
    CGlobalInformationSystem::CreateInstance();
  }

  void Run(const std::string& text) {
    ASSERT_EQ(mScript.DoLuaString(TString(text.data(), ptrdiff_t(text.size())), -1, 0), 0)
        << text << "\n" << Log();
  }

  // Builds a fresh model from a game text through the compositor.
  void Build(const std::string& text) {
    MakeSingletons();
    CModelCompositor::CreateInstance();
    Run(text);
    CModelCompositor::ReleaseInstance();
  }


  // Writes the model, builds it again from that text and expects the same text back.
  void ExpectRoundTrip() {
    const std::string data = GameText();
    const std::string state = StateText();
    Build(data);
    Run(state);
    EXPECT_EQ(GameText(), data);
    EXPECT_EQ(StateText(), state);
  }

  std::string Log() const { return testutil::ReadLogText(mTemp / "log"); }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }

  // A whole file of the test data folder.
  static std::string TestData(const std::string& rel) {
    const char* root = std::getenv("TM_TEST_DATA");
    std::string text = testutil::ReadFileText(std::string(root ? root : TM_MODEL_TEST_DATA) + "/" + rel);
    if (text.empty()) ADD_FAILURE() << "no test data " << rel;
    return text;
  }

  std::string GlobalString(const char* name) {
    lua_State* L = PushGlobal(name);
    std::string s = lua_isstring(L, -1) ? std::string(lua_tostring(L, -1), lua_strlen(L, -1)) : "";
    lua_pop(L, 1);
    return s;
  }
  double GlobalNumber(const char* name) {
    lua_State* L = PushGlobal(name);
    double n = lua_tonumber(L, -1);
    lua_pop(L, 1);
    return n;
  }
  int GlobalType(const char* name) {
    lua_State* L = PushGlobal(name);
    int t = lua_type(L, -1);
    lua_pop(L, 1);
    return t;
  }
  lua_State* PushGlobal(const char* name) {
    lua_State* L = mScript.GetState();
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    return L;
  }

  testutil::TempFolder mTemp;
  TWindowScript mScript;
  int64_t mNow = 1000000;
};
