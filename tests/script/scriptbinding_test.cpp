// Lua globals bound to native member and free functions: every argument and result kind, missing
// arguments, re-registration, the this adjustment, and calls that reach an object after its end.
#include "script/scriptbinding.h"

#include <string>

#include "script/lua/lauxlib.h"
#include "scriptfixture.h"
#include "ui/luamessage.h"

namespace {

// A bound object that records what its members received.
class Recorder {
 public:
  TString text;
  double d = -1;
  float f = -1;
  int32_t i = -1;
  bool b = false;
  TString tableField;
  TLuaTable* table = nullptr;
  TString messageName;
  int calls = 0;

  void Texts(TString a, TString c) {
    text = a + "|" + c;
    ++calls;
  }
  void Numbers(double x, float y, int32_t z) {
    d = x;
    f = y;
    i = z;
    ++calls;
  }
  bool Flag(bool v) {
    b = v;
    ++calls;
    return !v;
  }
  void Table(TLuaTable* t, TString s) {
    table = t;
    tableField = t->GetString("name", "none") + s;
    ++calls;
  }
  void Message(TMessage* m) {
    messageName = m ? m->GetName() : TString("null");
    ++calls;
  }
  TString Echo(TString s) { return "<" + s + ">"; }
  uint32_t Unsigned() { return 0xFFFFFFFFu; }
  int32_t Signed() { return -3; }
  TString Six(TString a, TString b, TString c, TString d2, TString e, TString f2) {
    return a + b + c + d2 + e + f2;
  }
  TMessage* MakeMessage() { return new TMessage(kCommandOnly, "made"); }
  int Raw(lua_State* L) {
    lua_pushnumber(L, lua_gettop(L));
    lua_pushstring(L, "second");
    return 2;
  }
  int Count() const { return calls; }
};

class BindingTest : public ScriptTest {
 protected:
  BindingTest() : L(script.GetState()) { OpenMessageLibrary(L); }
  TScript script;
  lua_State* L;
};

TString Joined(TString a, TString b) { return a + "+" + b; }
bool Truthy(TString s) { return !s.IsEmpty(); }

}  // namespace

TEST_F(BindingTest, MemberCalledWithEveryArgumentKind) {
  Recorder r;
  TScriptBindings bindings;
  bindings.Bind(L, "Texts", &r, &Recorder::Texts);
  bindings.Bind(L, "Numbers", &r, &Recorder::Numbers);
  bindings.Bind(L, "Flag", &r, &Recorder::Flag);
  bindings.Bind(L, "Table", &r, &Recorder::Table);
  bindings.Bind(L, "Message", &r, &Recorder::Message);

  Run(script, "Texts('a', 5)");
  EXPECT_EQ(r.text, "a|5");  // numbers pass as their text
  Run(script, "Numbers(2.75, 1.5, -7.9)");
  EXPECT_EQ(r.d, 2.75);
  EXPECT_EQ(r.f, 1.5f);
  EXPECT_EQ(r.i, -7);  // truncated toward zero
  Run(script, "Numbers('12', {}, 1e300)");
  EXPECT_EQ(r.d, 12);
  EXPECT_EQ(r.f, 0);
  EXPECT_EQ(r.i, INT32_MAX);  // out of range: clamped, never undefined
  Run(script, "Numbers(0, 0, 0/0)");
  EXPECT_EQ(r.i, 0);

  Run(script, "flagResult = Flag(0)");  // 0 is true in Lua
  EXPECT_TRUE(r.b);
  EXPECT_EQ(GlobalString(script, "flagResult"), "");  // false reads as ""
  Run(script, "Flag(nil)");
  EXPECT_FALSE(r.b);

  Run(script, "Table({name = 'panel'}, '!')");
  EXPECT_EQ(r.tableField, "panel!");
  EXPECT_EQ(script.GetOwnedWrapperCount(), 1u);  // the script deletes it at its next run
  Run(script, "x = 1");
  EXPECT_EQ(script.GetOwnedWrapperCount(), 0u);

  Run(script, "Message(CreateNamedMessage(3, 'pressed'))");
  EXPECT_EQ(r.messageName, "pressed");
  Run(script, "Message({})");
  EXPECT_EQ(r.messageName, "null");
}

TEST_F(BindingTest, MissingArgumentsConvertAsNil) {
  Recorder r;
  TScriptBindings bindings;
  bindings.Bind(L, "Texts", &r, &Recorder::Texts);
  bindings.Bind(L, "Numbers", &r, &Recorder::Numbers);
  bindings.Bind(L, "Table", &r, &Recorder::Table);
  Run(script, "Texts() Numbers() Table()");
  EXPECT_EQ(r.text, "|");
  EXPECT_EQ(r.d, 0);
  EXPECT_EQ(r.i, 0);
  EXPECT_EQ(r.tableField, "none");  // a wrapper of nil, read without a Lua error
  EXPECT_EQ(r.calls, 3);
}

TEST_F(BindingTest, EveryResultKind) {
  Recorder r;
  TScriptBindings bindings;
  bindings.Bind(L, "Echo", &r, &Recorder::Echo);
  bindings.Bind(L, "Unsigned", &r, &Recorder::Unsigned);
  bindings.Bind(L, "Signed", &r, &Recorder::Signed);
  bindings.Bind(L, "Six", &r, &Recorder::Six);
  bindings.Bind(L, "MakeMessage", &r, &Recorder::MakeMessage);
  bindings.Bind(L, "Raw", &r, &Recorder::Raw);
  bindings.Bind(L, "Count", &r, &Recorder::Count);
  BindScriptFunction(L, "Joined", &Joined);
  BindScriptFunction(L, "Truthy", &Truthy);

  Run(script,
      "e = Echo(5); u = Unsigned(); s = Signed(); six = Six('a', 'b', 'c', 'd', 'e', 'f'); "
      "m = MakeMessage(); mt = m.type; mn = m.name; r1, r2 = Raw(1, 2, 3); c = Count(); "
      "j = Joined('x', 'y'); t = Truthy('') == false and Truthy('q') == true");
  EXPECT_EQ(GlobalString(script, "e"), "<5>");
  EXPECT_EQ(GlobalNumber(script, "u"), 4294967295.0);
  EXPECT_EQ(GlobalNumber(script, "s"), -3);
  EXPECT_EQ(GlobalString(script, "six"), "abcdef");
  EXPECT_EQ(GlobalNumber(script, "mt"), kCommandOnly);
  EXPECT_EQ(GlobalString(script, "mn"), "made");
  EXPECT_EQ(GlobalNumber(script, "r1"), 3);
  EXPECT_EQ(GlobalString(script, "r2"), "second");
  EXPECT_EQ(GlobalNumber(script, "c"), 0);
  EXPECT_EQ(GlobalString(script, "j"), "x+y");
  Run(script, "assert(t)");
}

TEST_F(BindingTest, LaterRegistrationReplacesTheGlobal) {
  Recorder first, second;
  TScriptBindings a, b;
  a.Bind(L, "Texts", &first, &Recorder::Texts);
  b.Bind(L, "Texts", &second, &Recorder::Texts);
  Run(script, "Texts('to', 'second')");
  EXPECT_EQ(first.calls, 0);
  EXPECT_EQ(second.text, "to|second");
  lua_fullgc(L);  // the first record went with its closure; the second still works
  Run(script, "Texts('again', '')");
  EXPECT_EQ(second.calls, 2);
}

TEST_F(BindingTest, DestroyedObjectsGlobalLogsAnErrorInsteadOfCalling) {
  auto r = std::make_unique<Recorder>();
  auto bindings = std::make_unique<TScriptBindings>();
  bindings->Bind(L, "Echo", r.get(), &Recorder::Echo);
  bindings->Bind(L, "Texts", r.get(), &Recorder::Texts);
  Run(script, "kept = Echo  echoed = Echo('x')");
  EXPECT_EQ(GlobalString(script, "echoed"), "<x>");

  bindings.reset();  // the object's end takes its bindings along
  r.reset();
  Run(script, "echoed = Echo('y'); Texts('a', 'b'); viaCopy = kept('z'); after = 1");
  EXPECT_EQ(GlobalString(script, "echoed"), "");  // no result, no crash
  EXPECT_EQ(GlobalString(script, "viaCopy"), "");
  EXPECT_EQ(GlobalNumber(script, "after"), 1);  // the script went on
  EXPECT_TRUE(Logged("Script function Echo called after its object was destroyed")) << Log();
  EXPECT_TRUE(Logged("Script function Texts called after its object was destroyed"));

  // A newer object's registration of the same name works normally.
  Recorder newer;
  TScriptBindings newerBindings;
  newerBindings.Bind(L, "Echo", &newer, &Recorder::Echo);
  Run(script, "echoed = Echo('n')");
  EXPECT_EQ(GlobalString(script, "echoed"), "<n>");
}

TEST_F(BindingTest, ReleaseKillsEarlierBindingsOnly) {
  Recorder r;
  TScriptBindings bindings;
  bindings.Bind(L, "Old", &r, &Recorder::Echo);
  bindings.Release();
  bindings.Bind(L, "New", &r, &Recorder::Echo);
  Run(script, "o = Old('1'); n = New('2')");
  EXPECT_EQ(GlobalString(script, "o"), "");
  EXPECT_EQ(GlobalString(script, "n"), "<2>");
}

namespace {
struct First {
  int64_t pad[2] = {0, 0};
};
struct Second {
  TString seen;
  void Take(TString s) { seen = s; }
};
struct Both : First, Second {};
}  // namespace

TEST_F(BindingTest, AdjustedRecordCallsTheMemberOnTheAdjustedAddress) {
  Both both;
  static_assert(sizeof(First) == 16);
  ASSERT_EQ(reinterpret_cast<char*>(static_cast<Second*>(&both)) - reinterpret_cast<char*>(&both),
            16);
  TScriptBindings bindings;
  bindings.BindAdjusted(L, "Take", static_cast<void*>(&both), 16, &Second::Take);
  Run(script, "Take('adjusted')");
  EXPECT_EQ(both.seen, "adjusted");
}

TEST_F(BindingTest, TableArgumentWithoutAScriptIsReleasedAfterTheCall) {
  lua_State* bare = lua_open();  // a state no TScript names
  Recorder r;
  TScriptBindings bindings;
  bindings.Bind(bare, "Table", &r, &Recorder::Table);
  const char* text = "Table({name = 'n'}, '')";
  ASSERT_EQ(luaL_loadbuffer(bare, text, strlen(text), text), 0);
  ASSERT_EQ(lua_pcall(bare, 0, 0, 0), 0);
  EXPECT_EQ(r.tableField, "n");
  lua_pushlightuserdata(bare, r.table);
  lua_gettable(bare, LUA_REGISTRYINDEX);
  EXPECT_TRUE(lua_isnil(bare, -1));  // the wrapper ended with the call
  lua_close(bare);
}

TEST_F(BindingTest, BoundMembersWorkFromInsideTheCoroutine) {
  Recorder r;
  TScriptBindings bindings;
  bindings.Bind(L, "Table", &r, &Recorder::Table);
  WriteFile("co.lua", "return function() coroutine.yield() Table({name = 'inside'}, '') end\n");
  ASSERT_TRUE(script.RunScript("co.lua"));
  EXPECT_EQ(script.Resume(0), 0);
  EXPECT_EQ(r.tableField, "inside");
  // The wrapper outlives the finished coroutine's thread and is released by the next run.
  lua_fullgc(L);
  EXPECT_EQ(script.GetOwnedWrapperCount(), 1u);
  EXPECT_EQ(r.table->GetString("name", ""), "inside");
  Run(script, "x = 1");
  EXPECT_EQ(script.GetOwnedWrapperCount(), 0u);
}

namespace {
// Waits for a value the way a window script's message wait does: a raw binding that yields.
struct Waiter {
  int Wait(lua_State* L) {
    ++waits;
    return lua_yield(L, 0);
  }
  int waits = 0;
};
}  // namespace

TEST_F(BindingTest, RawBindingMayYieldTheCoroutine) {
  Waiter waiter;
  TScriptBindings bindings;
  bindings.Bind(L, "WaitForValue", &waiter, &Waiter::Wait);
  WriteFile("wait.lua", "return function() got = WaitForValue() .. '/' .. WaitForValue() end\n");
  ASSERT_TRUE(script.RunScript("wait.lua")) << Log();
  EXPECT_TRUE(script.IsSuspended());
  lua_pushstring(L, "a");
  EXPECT_EQ(script.Resume(1), 0);
  EXPECT_TRUE(script.IsSuspended());
  lua_pushstring(L, "b");
  EXPECT_EQ(script.Resume(1), 0);
  EXPECT_FALSE(script.IsSuspended());
  EXPECT_EQ(waiter.waits, 2);
  EXPECT_EQ(GlobalString(script, "got"), "a/b");
}
