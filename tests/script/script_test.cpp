// TScript and TScriptCode: script files compiled once and shared, coroutines resumed by native
// code and by the task list, error reports with chunk name and line, strings, and the framework
// globals every script state gets.
#include "script/script.h"

#include <memory>

#include "core/task.h"
#include "ui/luamessage.h"
#include "script/luawrapper.h"
#include "script/scriptcode.h"
#include "scriptfixture.h"

namespace {

constexpr const char kTwoYields[] = R"(
return function()
  got = ""
  local a, b = coroutine.yield("first")
  got = got .. a .. b
  local c = coroutine.yield("second")
  got = got .. c
  return "done"
end
)";

}  // namespace

TEST_F(ScriptTest, CoroutineYieldsAndIsResumedWithValues) {
  WriteFile("co.lua", kTwoYields);
  TScript script;
  lua_State* L = script.GetState();
  ASSERT_TRUE(script.RunScript("co.lua")) << Log();
  EXPECT_TRUE(script.IsSuspended());
  EXPECT_TRUE(script.IsScheduled());
  EXPECT_EQ(lua_gettop(L), 0);

  lua_pushstring(L, "x");
  lua_pushnumber(L, 7);
  int results = -1;
  EXPECT_EQ(script.Resume(2, &results), 0);
  ASSERT_EQ(results, 1);  // what the coroutine yielded
  EXPECT_EQ(ScriptGetString(L, -1), "second");
  lua_pop(L, 1);
  EXPECT_EQ(GlobalString(script, "got"), "x7");
  EXPECT_TRUE(script.IsSuspended());

  lua_pushstring(L, "!");
  EXPECT_EQ(script.Resume(1, &results), 0);
  ASSERT_EQ(results, 1);  // what it returned
  EXPECT_EQ(ScriptGetString(L, -1), "done");
  lua_pop(L, 1);
  EXPECT_EQ(GlobalString(script, "got"), "x7!");
  EXPECT_FALSE(script.IsSuspended());
  EXPECT_EQ(script.GetCoroutine(), nullptr);

  // Nothing is left to resume: a further resume fails with a log line and drops its values.
  lua_pushnumber(L, 1);
  EXPECT_NE(script.Resume(1), 0);
  EXPECT_EQ(lua_gettop(L), 0);
  EXPECT_TRUE(Logged("lua_resume ERROR: cannot resume dead coroutine"));
}

TEST_F(ScriptTest, TaskListResumesTheCoroutineUntilItEnds) {
  WriteFile("count.lua", R"(
    steps = 0
    return function()
      while steps < 3 do steps = steps + 1; coroutine.yield() end
    end)");
  auto owned = std::make_unique<TScript>();
  TScript* script = owned.get();
  EXPECT_FALSE(script->IsScheduled());  // a new script waits for work
  ASSERT_TRUE(script->RunScript("count.lua"));
  EXPECT_EQ(GlobalNumber(*script, "steps"), 1);  // started at once

  TTaskList tasks;
  tasks.Add(std::move(owned));
  for (int i = 0; i < 5; ++i) tasks.RunAll(kTaskPhaseIdle);
  EXPECT_EQ(GlobalNumber(*script, "steps"), 3);
  EXPECT_FALSE(script->IsScheduled());
  EXPECT_TRUE(tasks.Contains(script));  // unscheduled, not deleted
}

TEST_F(ScriptTest, ErrorInsideCoroutineIsLoggedWithChunkNameAndLine) {
  WriteFile("scripts/fail.lua",
            "return function()\n"
            "  coroutine.yield()\n"
            "  local t = nil\n"
            "  t.field = 1\n"
            "end\n");
  TScript script;
  ASSERT_TRUE(script.RunScript("scripts/fail.lua"));
  EXPECT_NE(script.Resume(0), 0);
  EXPECT_TRUE(Logged("lua_resume ERROR: scripts/fail.lua:4:")) << Log();
  EXPECT_FALSE(script.IsSuspended());
  EXPECT_EQ(lua_gettop(script.GetState()), 0);

  // An error before the first yield is reported when the coroutine starts.
  WriteFile("early.lua", "return function()\n  error('early')\nend\n");
  ASSERT_TRUE(script.RunScript("early.lua"));
  EXPECT_TRUE(Logged("lua_resume error: early.lua:2: early")) << Log();
  EXPECT_FALSE(script.IsSuspended());
}

TEST_F(ScriptTest, AnimateUnschedulesWhenTheCoroutineFails) {
  WriteFile("a.lua", "return function()\n  coroutine.yield()\n  error('boom')\nend\n");
  TScript script;
  ASSERT_TRUE(script.RunScript("a.lua"));
  EXPECT_TRUE(script.Animate());
  EXPECT_FALSE(script.IsScheduled());
  EXPECT_TRUE(Logged("lua_resume ERROR: a.lua:3: boom")) << Log();
}

TEST_F(ScriptTest, ScriptsThatReturnNoFunctionRunToTheirEnd) {
  WriteFile("plain.lua", "ran = (ran or 0) + 1\nreturn 5\n");
  TScript script;
  ASSERT_TRUE(script.RunScript("plain.lua"));
  ASSERT_TRUE(script.RunScript("plain.lua"));
  EXPECT_EQ(GlobalNumber(script, "ran"), 2);
  EXPECT_FALSE(script.IsSuspended());
  EXPECT_FALSE(script.IsScheduled());
  EXPECT_EQ(lua_gettop(script.GetState()), 0);
}

TEST_F(ScriptTest, RunScriptFailures) {
  TScript script;
  std::string before = Log();
  EXPECT_FALSE(script.RunScript("missing.lua"));
  EXPECT_FALSE(script.RunScript(""));
  EXPECT_EQ(Log(), before);  // a missing file is no error worth a line

  WriteFile("bad.lua", "x = = 1\n");
  EXPECT_FALSE(script.RunScript("bad.lua"));
  EXPECT_TRUE(Logged("Lua error: bad.lua:1:")) << Log();

  WriteFile("throws.lua", "local a = 1\nerror('thrown')\n");
  EXPECT_FALSE(script.RunScript("throws.lua"));
  EXPECT_TRUE(Logged("Lua error: throws.lua:2: thrown")) << Log();
  EXPECT_TRUE(Logged("Failed to run script throws.lua: 1")) << Log();
  EXPECT_EQ(lua_gettop(script.GetState()), 0);
}

TEST_F(ScriptTest, ScriptCodeIsCompiledOnceAndSharedWhileHeld) {
  WriteFile("shared.lua", "n = (n or 0) + 1\n");
  TString error;
  std::shared_ptr<TScriptCode> a = TScriptCode::Get("shared.lua", "", &error);
  ASSERT_TRUE(a) << error.CStr();
  EXPECT_STREQ(a->GetClassName(), "TScriptCode");
  EXPECT_TRUE(a->IsKindOf(TAsset::ClassId()));
  EXPECT_EQ(TScriptCode::Get("shared.lua", "", nullptr), a);

  // While held, a changed file is not read again; once released it is.
  WriteFile("shared.lua", "n = (n or 0) + 10\n");
  TScript script;
  ASSERT_TRUE(script.RunScript("shared.lua"));
  EXPECT_EQ(GlobalNumber(script, "n"), 1);
  a.reset();
  ASSERT_TRUE(script.RunScript("shared.lua"));
  EXPECT_EQ(GlobalNumber(script, "n"), 11);

  // One compiled chunk runs in any number of states.
  std::shared_ptr<TScriptCode> code = TScriptCode::Get("shared.lua", "", nullptr);
  TScript other;
  ASSERT_EQ(code->Load(other.GetState(), "@shared.lua"), 0);
  ASSERT_EQ(other.RunFunction(0, 0), 0);
  EXPECT_EQ(GlobalNumber(other, "n"), 10);
}

TEST_F(ScriptTest, ScriptCodeReportsCompileErrorsAndEmptyNames) {
  EXPECT_FALSE(TScriptCode::Get("", "", nullptr));
  WriteFile("broken.lua", "\n\nfunction (\n");
  TString error;
  EXPECT_FALSE(TScriptCode::Get("broken.lua", "", &error));
  EXPECT_NE(std::string(error.CStr()).find("broken.lua:3:"), std::string::npos) << error.CStr();
  EXPECT_FALSE(TScriptCode::Get("broken.lua", "", nullptr));  // no error text wanted: no crash
  // Interpreter lines are skipped without shifting line numbers.
  WriteFile("hash.lua", "#!/bin/whatever\nerror('line two')\n");
  TScript script;
  EXPECT_FALSE(script.RunScript("hash.lua"));
  EXPECT_TRUE(Logged("hash.lua:2: line two")) << Log();
}

TEST_F(ScriptTest, ScriptCodeWorksWithoutAnAssetManager) {
  TAssetManager::SetInstance(nullptr);
  WriteFile("solo.lua", "solo = 1\n");
  TScript script;
  EXPECT_TRUE(script.RunScript("solo.lua"));
  EXPECT_EQ(GlobalNumber(script, "solo"), 1);
}

TEST_F(ScriptTest, DoLuaStringResultsAndErrorReports) {
  TScript script;
  lua_State* L = script.GetState();
  EXPECT_EQ(script.DoLuaString("return 1, 2", -1, 2), 0);
  ASSERT_EQ(lua_gettop(L), 2);
  EXPECT_EQ(lua_tonumber(L, 2), 2);
  lua_settop(L, 0);
  EXPECT_EQ(script.DoLuaString("v = 1; v = 2", 5, 0), 0);  // only "v = 1"
  EXPECT_EQ(GlobalNumber(script, "v"), 1);
  EXPECT_EQ(lua_gettop(L), 0);
  EXPECT_EQ(GlobalString(script, "LUA_PATH"), "assets/?;?;../?;../../?");

  Run(script, "function LuaErrorMessage(m) seen = m end");
  EXPECT_NE(script.DoLuaString("x = = 2", -1, 0), 0);
  EXPECT_TRUE(Logged("DoLuaString Lua Error: [string \"x = = 2\"]:1:")) << Log();
  EXPECT_TRUE(Logged("when parsing x = = 2"));
  EXPECT_NE(GlobalString(script, "seen").find("when parsing"), std::string::npos);

  // A run-time error goes through _ALERT.
  EXPECT_NE(script.DoLuaString("error('late')", -1, 0), 0);
  EXPECT_TRUE(Logged("Lua error: [string \"error('late')\"]:1: late")) << Log();
  EXPECT_EQ(lua_gettop(L), 0);
}

// An error handler that is no function or fails itself must only be logged.
TEST_F(ScriptTest, BrokenLuaErrorMessageHandlerIsCalledProtected) {
  for (const char* handler :
       {"LuaErrorMessage = 5", "function LuaErrorMessage(m) error('again') end"}) {
    SCOPED_TRACE(handler);
    TScript script;
    Run(script, handler);
    EXPECT_NE(script.DoLuaString("(", -1, 0), 0);
    EXPECT_TRUE(Logged("LuaErrorMessage failed:")) << Log();
    EXPECT_EQ(lua_gettop(script.GetState()), 0);
  }
}

TEST_F(ScriptTest, RunFunctionReportsErrorsAndKeepsTheStack) {
  TScript script;
  lua_State* L = script.GetState();
  Run(script, "function bad() error('nope') end function pair() return 1, 2 end");
  lua_pushnumber(L, 99);  // something of the caller's below
  lua_pushstring(L, "bad");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_NE(script.RunFunction(0, 2), 0);
  EXPECT_TRUE(Logged("Lua error: [string ")) << Log();
  EXPECT_TRUE(Logged(":1: nope"));
  EXPECT_TRUE(Logged("TScript::RunFunction failure. Too many return results? (2, FAILURE CODE 1)"));
  EXPECT_EQ(lua_gettop(L), 1);
  lua_pushstring(L, "pair");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_EQ(script.RunFunction(0, 2), 0);
  EXPECT_EQ(lua_gettop(L), 3);
}

namespace {
// Hands values to the waiting coroutine the way a window script does.
class DeliveringScript : public TScript {
 public:
  bool DeliverValue() override {
    if (!IsSuspended()) return TScript::DeliverValue();
    ++delivered;
    return Resume(1) == 0;
  }
  int delivered = 0;
};
}  // namespace

TEST_F(ScriptTest, CallsWhileSuspendedAreHandedToTheCoroutine) {
  DeliveringScript script;
  lua_State* L = script.GetState();
  Run(script, R"(
    function add(a, b) sum = a + b return sum end
    function waiter()
      while true do
        local f = coroutine.yield()
        calls = (calls or 0) + 1
        f()
      end
    end)");
  // A call whose single result is a function starts that function as the coroutine.
  Run(script, "function start() return waiter end");
  lua_pushstring(L, "start");
  lua_gettable(L, LUA_GLOBALSINDEX);
  ASSERT_EQ(script.RunFunction(0, 1), 0);
  lua_settop(L, 0);
  ASSERT_TRUE(script.IsSuspended());

  // One result or none: the call becomes a closure that the coroutine runs.
  lua_pushstring(L, "add");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_pushnumber(L, 2);
  lua_pushnumber(L, 3);
  EXPECT_EQ(script.RunFunction(2, 1), 0);
  EXPECT_EQ(script.delivered, 1);
  EXPECT_EQ(GlobalNumber(script, "calls"), 1);
  EXPECT_EQ(GlobalNumber(script, "sum"), 5);
  EXPECT_EQ(lua_gettop(L), 0);

  // Two results: a direct call on the state, the coroutine is not involved.
  lua_pushstring(L, "add");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_pushnumber(L, 4);
  lua_pushnumber(L, 4);
  EXPECT_EQ(script.RunFunction(2, 2), 0);
  EXPECT_EQ(lua_tonumber(L, 1), 8);
  EXPECT_EQ(script.delivered, 1);
  EXPECT_EQ(GlobalNumber(script, "calls"), 1);
}

TEST_F(ScriptTest, PlainScriptRunsAHandedOverCallItself) {
  TScript script;
  lua_State* L = script.GetState();
  WriteFile("wait.lua", "return function() coroutine.yield() end\n");
  ASSERT_TRUE(script.RunScript("wait.lua"));
  ASSERT_TRUE(script.IsSuspended());
  Run(script, "function mark(v) marked = v end");
  lua_pushstring(L, "mark");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_pushstring(L, "yes");
  EXPECT_EQ(script.RunFunction(1, 0), 0);
  EXPECT_EQ(GlobalString(script, "marked"), "yes");
  EXPECT_TRUE(script.IsSuspended());
}

TEST_F(ScriptTest, FrameworkGlobals) {
  TScript script;
  lua_State* L = script.GetState();
  lua_pushstring(L, "_SCRIPT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_EQ(lua_touserdata(L, -1), &script);
  lua_pop(L, 1);
  EXPECT_EQ(TScript::FromState(L), &script);

  Run(script, "a, b, c = toparams({n = 2, 'x', 'y', 'z'})");
  EXPECT_EQ(GlobalString(script, "a"), "x");
  EXPECT_EQ(GlobalString(script, "b"), "y");
  EXPECT_EQ(GlobalString(script, "c"), "");
  Run(script, "local t = {toparams({1, 2, nil, 4})}; four = t[4]");
  EXPECT_EQ(GlobalNumber(script, "four"), 4);

  Run(script, "DebugOut('ignored'); _ALERT('said through alert')");
  EXPECT_TRUE(Logged("Lua error: said through alert"));

  // DumpTable writes one line per entry, nested tables indented, through DebugOut.
  Run(script,
      "function DebugOut(s) dumped = s end "
      "DumpTable({a = 1, b = {c = 'x'}})");
  std::string dumped = GlobalString(script, "dumped");
  EXPECT_EQ(dumped.rfind("Dump Table: \n", 0), 0u) << dumped;
  EXPECT_NE(dumped.find("  a -> 1\n"), std::string::npos) << dumped;
  EXPECT_NE(dumped.find("  b -> {\n    c -> x\n  }\n"), std::string::npos) << dumped;
  // A table that contains itself stops at the depth limit.
  Run(script, "local t = {} t.self = t DumpTable(t)");
  EXPECT_NE(GlobalString(script, "dumped").find("..."), std::string::npos);
}

TEST_F(ScriptTest, BorrowedStateIsNotNamedOrClosed) {
  lua_State* L = lua_open();
  {
    TScript script(L);
    EXPECT_EQ(TScript::FromState(L), nullptr);
    Run(script, "x = 1");
  }
  lua_pushstring(L, "x");  // still open
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_EQ(lua_tonumber(L, -1), 1);
  lua_close(L);
}

TEST_F(ScriptTest, StateHolderEndsTheStateInsteadOfClose) {
  struct Holder : TLuaStateHolder {
    Holder(lua_State* s, bool* ended) : L(s), ended(ended) {}
    ~Holder() override {
      *ended = true;
      lua_close(L);
    }
    lua_State* L;
    bool* ended;
  };
  bool ended = false;
  lua_State* L = lua_open();
  {
    TScript script(L);
    script.SetStateHolder(std::make_unique<Holder>(L, &ended));
  }
  EXPECT_TRUE(ended);
}

TEST_F(ScriptTest, PopHelpers) {
  TScript script;
  lua_State* L = script.GetState();
  ASSERT_EQ(script.DoLuaString("return {1, 2, 3}, 'text', 12", -1, 3), 0);
  EXPECT_EQ(script.PopNumber(), 12);
  EXPECT_EQ(script.PopString(), "text");
  float quad[4] = {9, 9, 9, 9};
  script.PopQuad(quad);
  EXPECT_EQ(quad[0], 1);
  EXPECT_EQ(quad[2], 3);
  EXPECT_EQ(quad[3], 0);
  EXPECT_EQ(lua_gettop(L), 0);
  script.SetGlobal("name", "value");
  EXPECT_EQ(GlobalString(script, "name"), "value");
  EXPECT_EQ(lua_gettop(L), 0);
}

// With a collection at every allocation, everything the script layer keeps must be anchored: the
// coroutine's thread, wrapped values, bound records and message userdata.
TEST_F(ScriptTest, CoroutinesWrappersAndMessagesSurviveCollectorStress) {
  {
    TScript script;
    lua_setgcstress(script.GetState(), 1);
    OpenMessageLibrary(script.GetState());
    WriteFile("stress.lua", R"(
      return function()
        local m = CreateNamedMessage(1002, "kept")
        local t = {}
        for i = 1, 20 do t[i] = {i, tostring(i)} end
        local v = coroutine.yield("one")
        total = 0
        for i = 1, 20 do total = total + t[i][1] end
        name = m.name .. v
      end)");
    ASSERT_TRUE(script.RunScript("stress.lua")) << Log();
    ASSERT_EQ(script.DoLuaString("return {width = 5}", -1, 1), 0);
    TLuaTable table(script.GetState());
    lua_pushstring(script.GetState(), "!");
    EXPECT_EQ(script.Resume(1), 0) << Log();
    EXPECT_EQ(GlobalNumber(script, "total"), 210);
    EXPECT_EQ(GlobalString(script, "name"), "kept!");
    EXPECT_EQ(table.GetNumber("width", 0), 5);
  }
}

// The core library and earlier scripts may leave LUA_PATH pointing elsewhere; a script file still
// finds its modules below the assets folder.
TEST_F(ScriptTest, RunScriptRequiresFromTheModulePathWhateverLuaPathWasLeftAt) {
  WriteFile("lib/part.lua", "partLoaded = (partLoaded or 0) + 1\n");
  WriteFile("main.lua", "require(\"lib/part.lua\")\nmainRan = 1\n");
  TScript script;
  Run(script, "LUA_PATH = 'nowhere/?'");
  ASSERT_TRUE(script.RunScript("main.lua")) << Log();
  EXPECT_EQ(GlobalNumber(script, "mainRan"), 1);
  EXPECT_EQ(GlobalNumber(script, "partLoaded"), 1);
}
