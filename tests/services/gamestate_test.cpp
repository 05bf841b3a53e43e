// The game-state hub, module handlers loaded from ".vxmod" libraries, the script functions, and the
// paste check.
#include "services/gamestate.h"

#include <gtest/gtest.h>

#include "os/dll.h"
#include "script/script.h"
#include "services/validutf8.h"
#include "testplugins.h"

namespace {

struct Recorder : IGameStateHandler {
  std::string* log;
  bool* busy;
  Recorder(std::string* l, bool* b) : log(l), busy(b) {}
  void SetState(const char* key, const char* value) override { *log += std::string(key) + "=" + value + ";"; }
  bool IsBusy() override { return *busy; }
};

// A handler with opinions: it consumes one key, rewrites one answer and can want each query.
struct Opinionated : TGameStateHandler {
  std::string name;
  std::string* log;
  TString consume;
  bool restart = false, menu = false, mute = false;
  Opinionated(std::string n, std::string* l) : name(std::move(n)), log(l) {}
  bool SetState(const TString& key, const TString& value) override {
    *log += name + ":" + key.CStr() + "=" + value.CStr() + ";";
    return key == consume;
  }
  TString GetState(const TString& key, const TString& current) override {
    return key == "chain" ? current + TString(name.c_str()) : current;
  }
  bool QueryRestartMode() override {
    *log += name + "?restart;";
    return restart;
  }
  bool QueryJumpToMenu() override { return menu; }
  bool QueryMuteGame() override { return mute; }
};

}  // namespace

TEST(GameState, StatesReachEveryHandlerInOrderAndAnyBusyHandlerMakesTheHubBusy) {
  TGameState hub;
  EXPECT_FALSE(hub.IsBusy());  // empty
  std::string a, b;
  bool busyA = false, busyB = false;
  hub.AddHandler(std::make_unique<Recorder>(&a, &busyA));
  hub.AddHandler(std::make_unique<Recorder>(&b, &busyB));
  hub.AddHandler(nullptr);  // ignored
  EXPECT_EQ(hub.HandlerCount(), 2u);
  hub.SendState("cmdline", "-x");
  hub.SendStateNumber("windowmessage", -5);
  EXPECT_EQ(a, "cmdline=-x;windowmessage=-5;");
  EXPECT_EQ(b, a);
  EXPECT_FALSE(hub.IsBusy());
  busyB = true;
  EXPECT_TRUE(hub.IsBusy());
}

TEST(GameState, WithoutHandlersTheHubKeepsValuesAndMuteFollowsTheStoredValue) {
  TGameState hub;
  EXPECT_EQ(hub.GetState("level"), "");
  hub.SendState("level", "4");
  EXPECT_EQ(hub.GetState("level"), "4");
  hub.SendState("level", "7");  // a later report replaces
  EXPECT_EQ(hub.GetState("level"), "7");
  EXPECT_FALSE(hub.QueryMuteGame());
  hub.SendState("mute", "1");
  EXPECT_TRUE(hub.QueryMuteGame());
  hub.SendState("mute", "0");
  EXPECT_FALSE(hub.QueryMuteGame());
  EXPECT_FALSE(hub.QueryRestartMode());
  EXPECT_FALSE(hub.QueryJumpToMenu());
}

TEST(GameState, IncrementKeysCountFromTheCurrentValue) {
  TGameState hub;
  std::string log;
  bool busy = false;
  hub.AddHandler(std::make_unique<Recorder>(&log, &busy));
  hub.SendState("level", "4");
  hub.SendState("++level", "ignored");
  EXPECT_EQ(hub.GetState("level"), "5");
  hub.SendState("++breaks", "");  // from nothing
  EXPECT_EQ(hub.GetState("breaks"), "1");
  EXPECT_EQ(hub.GetState("++level"), "");  // nothing is stored under the prefixed key
  EXPECT_EQ(log, "level=4;level=5;breaks=1;");
}

TEST(GameState, AConsumingHandlerStopsTheReportAndAnswersChainInListOrder) {
  TGameState hub;
  std::string log;
  auto first = std::make_unique<Opinionated>("A", &log);
  auto second = std::make_unique<Opinionated>("B", &log);
  Opinionated* a = first.get();
  Opinionated* b = second.get();
  a->consume = "secret";
  hub.AddHandler(std::move(first));
  hub.AddHandler(std::move(second));

  hub.SendState("secret", "1");
  hub.SendState("open", "2");
  EXPECT_EQ(log, "A:secret=1;A:open=2;B:open=2;");
  EXPECT_EQ(hub.GetState("secret"), "1");  // stored even though consumed

  hub.SendState("chain", "x");
  EXPECT_EQ(hub.GetState("chain"), "xAB");

  log.clear();
  a->restart = true;
  b->restart = true;
  EXPECT_TRUE(hub.QueryRestartMode());
  EXPECT_EQ(log, "A?restart;");  // stops at the first true
  b->menu = true;
  EXPECT_TRUE(hub.QueryJumpToMenu());
  hub.SendState("mute", "0");
  b->mute = true;
  EXPECT_TRUE(hub.QueryMuteGame());  // a handler's wish beats the stored value
}

TEST(GameState, ScriptFunctionsReachTheHubAndGoDeadWithIt) {
  TScript script;
  auto hub = std::make_unique<TGameState>();
  hub->BindScript(script.GetState());
  script.DoLuaString("_SetState('level', 3) _SetState('++level', '') lvl = GetState('level') "
                     "m1 = QueryMuteGame() _SetState('mute', '1') m2 = QueryMuteGame() "
                     "r = QueryRestartMode() j = QueryJumpToMenu()",
                     -1, 0);
  EXPECT_EQ(hub->GetState("level"), "4");
  script.DoLuaString("return lvl, m1, m2, r, j", -1, 5);
  lua_State* L = script.GetState();
  EXPECT_STREQ(lua_tostring(L, -5), "4");
  EXPECT_FALSE(lua_toboolean(L, -4));
  EXPECT_TRUE(lua_toboolean(L, -3));
  EXPECT_FALSE(lua_toboolean(L, -2));
  EXPECT_FALSE(lua_toboolean(L, -1));
  lua_settop(L, 0);
  hub.reset();
  script.DoLuaString("after = GetState('level')", -1, 0);  // logged, not a use of the freed hub
  script.DoLuaString("return after", -1, 1);
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_settop(L, 0);
}

TEST(GameState, ModulesLoadBesideTheExecutableAndAnswerLikeHandlers) {
  auto module = std::make_unique<TDllGameState>();
  ASSERT_TRUE(module->Load("test.vxmod"));
  HMODULE lib = LoadLibraryA("test.vxmod");  // a second reference, to read what the module heard
  ASSERT_NE(lib, nullptr);
  auto log = reinterpret_cast<const char* (*)()>(GetProcAddress(lib, "TestModuleLog"));
  auto setBusy = reinterpret_cast<void (*)(bool)>(GetProcAddress(lib, "TestModuleSetBusy"));
  auto setRestart = reinterpret_cast<void (*)(bool)>(GetProcAddress(lib, "TestModuleSetRestart"));
  ASSERT_TRUE(log && setBusy && setRestart);
  TGameState hub;
  std::string after;
  bool busy = false;
  hub.AddHandler(std::move(module));
  hub.AddHandler(std::make_unique<Recorder>(&after, &busy));
  hub.SendState("cmdline", "--multiple");
  hub.SendState("commondatadir", "Z:\\common");
  hub.SendState("userdatadir", "Z:\\user");
  hub.SendStateNumber("loadbroadcast", 0);
  hub.SendStateNumber("sessionready", 0);
  hub.SendState("eat", "1");  // the module consumes it: the handler after it hears nothing
  EXPECT_STREQ(log(), "cmdline=--multiple;commondatadir=Z:\\common;userdatadir=Z:\\user;loadbroadcast=0;"
                      "sessionready=0;eat=1;");
  EXPECT_EQ(after, "cmdline=--multiple;commondatadir=Z:\\common;userdatadir=Z:\\user;loadbroadcast=0;"
                   "sessionready=0;");
  hub.SendState("modulekey", "v");
  EXPECT_EQ(hub.GetState("modulekey"), "v+module");
  EXPECT_EQ(hub.GetState("other"), "");
  setBusy(true);
  EXPECT_TRUE(hub.IsBusy());
  setBusy(false);
  EXPECT_FALSE(hub.QueryRestartMode());
  setRestart(true);
  EXPECT_TRUE(hub.QueryRestartMode());
  setRestart(false);
  FreeLibrary(lib);
}

TEST(GameState, AModuleWithoutItsExportsOrLibraryLoadsNothing) {
  TDllGameState missing;
  EXPECT_FALSE(missing.Load("nosuchmodule.vxmod"));
  TDllGameState noExports;
  EXPECT_FALSE(noExports.Load("noexports.vxmod"));
  EXPECT_EQ(GetModuleHandleA("noexports.vxmod"), nullptr);  // not kept loaded
  // An empty handler hears nothing, wants nothing and answers the value it was given.
  EXPECT_FALSE(noExports.SetState("k", "v"));
  EXPECT_FALSE(noExports.IsBusy());
  EXPECT_FALSE(noExports.QueryRestartMode());
  EXPECT_FALSE(noExports.QueryJumpToMenu());
  EXPECT_FALSE(noExports.QueryMuteGame());
  EXPECT_EQ(noExports.GetState("k", "v"), "v");
}

TEST(GameState, PasteCheckRefusesLeadBytesFromC0Up) {
  struct Case {
    const char* text;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain ascii", true},
      {"stray \x80\xbf continuation", true},
      {"caf\xc3\xa9", false},
      {"\xc0", false},
      {"\xff", false},
      {"euro \xe2\x82\xac", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUTF8(c.text), c.valid) << c.text;
}
