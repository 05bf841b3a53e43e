// Test fixture for the script layer: a temporary current folder for script files, a log file in
// it that tests can read, and an asset manager installed as the platform's.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "core/assetindex.h"
#include "core/log.h"
#include "filetext.h"
#include "os/tempfolder.h"
#include "render/assetmanager.h"
#include "script/luastack.h"
#include "script/script.h"

class ScriptTest : public testing::Test {
 protected:
  ScriptTest() : mCwd(mTemp.Path()) {
    filetest::ResetFileSystem();
    LogInit((mTemp / "log").c_str());
    TAssetManager::SetInstance(&mAssets);
  }
  ~ScriptTest() override {
    TAssetManager::SetInstance(nullptr);
    LogInit("");
    filetest::ResetFileSystem();
  }

  // Writes a script to the assets folder below the current one and indexes it under its
  // relative name, the way the start-up scan makes the game's scripts known.
  void WriteFile(const std::string& rel, const std::string& text) {
    mTemp.Write("assets/" + rel, text);
    IndexAssetFolder("assets", TString());
  }

  // Everything logged so far.
  std::string Log() const { return testutil::ReadLogText(mTemp / "log"); }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }

  // Runs a text in the script's state and expects it to succeed.
  void Run(TScript& script, const std::string& text) {
    ASSERT_EQ(script.DoLuaString(text.c_str(), -1, 0), 0) << text << "\n" << Log();
  }
  std::string GlobalString(TScript& script, const char* name) {
    lua_State* L = script.GetState();
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    std::string s = ScriptGetString(L, -1).CStr();
    lua_pop(L, 1);
    return s;
  }
  double GlobalNumber(TScript& script, const char* name) {
    lua_State* L = script.GetState();
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    double n = lua_tonumber(L, -1);
    lua_pop(L, 1);
    return n;
  }

  testutil::TempFolder mTemp;
  testutil::ScopedCwd mCwd;
  TAssetManager mAssets;
};
