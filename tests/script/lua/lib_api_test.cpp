// The native interface as library and host code use it: pushes that grow the stack, registry
// integer pseudo-indices, boxed pointers, table sizes, wide strings through the API, and the
// auxiliary library (references, argument checks, error positions, getn/setn, buffers).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "lua_runner.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lualib.h"

namespace {

class LuaApi : public ::testing::Test {
 protected:
  lua_State *L = nullptr;
  luatest::State mState;
  void SetUp() override {
    L = mState.get();
    ASSERT_NE(L, nullptr);
  }
  // Runs `source' and leaves its single result on the stack top.
  void Eval(const char *source) {
    ASSERT_EQ(luaL_loadbuffer(L, source, strlen(source), "=eval"), 0) << lua_tostring(L, -1);
    ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0) << lua_tostring(L, -1);
  }
  // Calls the C function `f' in protected mode with the given chunk's results as arguments and
  // returns the error message (empty when it succeeded).
  std::string CallError(lua_CFunction f, const char *argsChunk = "return") {
    lua_register(L, "cfn", f);
    std::string src = std::string("cfn(") + argsChunk + ")";
    luatest::RunResult r = luatest::RunIn(L, src);
    return r.ok ? std::string() : r.error;
  }
};

int PushHundred(lua_State *L) {
  for (int i = 1; i <= 100; i++) lua_pushnumber(L, i);
  return 100;
}

}  // namespace

TEST_F(LuaApi, NativeFunctionPushesHundredValuesWithoutCheckstack) {
  lua_register(L, "hundred", PushHundred);
  luatest::RunResult r = luatest::RunIn(
      L, "local t = {hundred()} local s = 0 for i = 1, 100 do s = s + t[i] end return table.getn(t), s, t[100]");
  EXPECT_EQ(luatest::Summary(r), "100, 5050, 100");
}

TEST_F(LuaApi, RegistryIntegerPseudoIndicesReadReferences) {
  lua_pushstring(L, "payload");
  int ref = luaL_ref(L, LUA_REGISTRYINDEX);
  ASSERT_GT(ref, 0);
  lua_pushvalue(L, -40000 - ref);
  EXPECT_STREQ(lua_tostring(L, -1), "payload");
  lua_pop(L, 1);
  EXPECT_EQ(lua_registryintindex(ref), -40000 - ref);
  lua_pushvalue(L, lua_registryintindex(ref + 1000));  // no such entry
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_pop(L, 1);
  EXPECT_STREQ(lua_tostring(L, lua_registryintindex(ref)), "payload");
  luaL_unref(L, LUA_REGISTRYINDEX, ref);
}

TEST_F(LuaApi, ReferencesReuseFreedSlotsAndNilHasItsOwn) {
  lua_pushnil(L);
  EXPECT_EQ(luaL_ref(L, LUA_REGISTRYINDEX), LUA_REFNIL);
  EXPECT_EQ(lua_gettop(L), 0);
  lua_pushnumber(L, 1);
  int a = luaL_ref(L, LUA_REGISTRYINDEX);
  lua_pushnumber(L, 2);
  int b = luaL_ref(L, LUA_REGISTRYINDEX);
  EXPECT_NE(a, b);
  EXPECT_GT(a, 2);  // the first slots are reserved
  luaL_unref(L, LUA_REGISTRYINDEX, a);
  lua_pushnumber(L, 3);
  int c = luaL_ref(L, LUA_REGISTRYINDEX);
  EXPECT_EQ(c, a);  // the freed slot is taken again
  lua_rawgeti(L, LUA_REGISTRYINDEX, c);
  EXPECT_EQ(lua_tonumber(L, -1), 3);
  lua_rawgeti(L, LUA_REGISTRYINDEX, b);
  EXPECT_EQ(lua_tonumber(L, -1), 2);
  lua_settop(L, 0);
  // references in an ordinary table
  lua_newtable(L);
  lua_pushstring(L, "x");
  int r1 = luaL_ref(L, 1);
  lua_rawgeti(L, 1, r1);
  EXPECT_STREQ(lua_tostring(L, -1), "x");
  lua_settop(L, 0);
}

TEST_F(LuaApi, TableSize) {
  const struct {
    const char *table;
    int size;
  } cases[] = {
      {"return {n = 3, 1, 2, 3, 4}", 3}, {"return {1, 2, nil, 4}", 4},
      {"return {[10] = true}", 10},      {"return {}", 0},
      {"return {[2.5] = 1}", 2},         {"return {n = 7.9}", 7},
      {"local t = {1, 2, 3} t[3] = nil return t", 2},
      {"local t = {} t[5] = 1 t[7] = nil return t", 5},
      {"return {n = 'x', 1, 2}", 2},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.table);
    Eval(c.table);
    EXPECT_EQ(lua_tablesize(L, -1), c.size);
    lua_settop(L, 0);
  }
}

TEST_F(LuaApi, BoxedPointersAndUserdataBlocks) {
  int target = 7;
  lua_pushboxedpointer(L, &target);
  EXPECT_EQ(lua_type(L, -1), LUA_TUSERDATA);
  EXPECT_EQ(lua_touserdata(L, -1), &target);
  EXPECT_EQ(lua_topointer(L, -1), &target);
  // a boxed pointer gets the userdata type's table like any new userdata
  ASSERT_TRUE(lua_getmetatable(L, -1));
  lua_gettypetable(L, LUA_TUSERDATA);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);

  void *block = lua_newuserdata(L, 3);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(lua_touserdata(L, -1), block);
  memset(block, 0xAB, 4);  // the block is rounded up to 4 bytes
  lua_settop(L, 0);
}

TEST_F(LuaApi, WideStringsThroughTheApi) {
  const lua_WChar abc[] = {'a', 'b', 'c', 0};
  EXPECT_EQ(luaO_wstrlen(abc), 3u);
  lua_pushwstring(L, abc);
  EXPECT_EQ(lua_type(L, -1), LUA_TWSTRING);
  EXPECT_TRUE(lua_isstring(L, -1));
  EXPECT_EQ(lua_tostring(L, -1), nullptr);
  EXPECT_EQ(lua_strlen(L, -1), 3u);
  const lua_WChar *w = lua_towstring(L, -1);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w[0], 'a');
  EXPECT_EQ(w[3], 0);
  lua_pushlwstring(L, abc, 2);
  EXPECT_EQ(luatest::Render(L, -1), "L\"ab\"");
  lua_pushwstring(L, nullptr);
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_settop(L, 0);

  // a number is converted in place
  lua_pushnumber(L, 12);
  w = lua_towstring(L, -1);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(lua_type(L, -1), LUA_TWSTRING);
  EXPECT_EQ(luatest::Render(L, -1), "L\"12\"");
  lua_pushboolean(L, 1);
  EXPECT_EQ(lua_towstring(L, -1), nullptr);
  EXPECT_EQ(lua_towstring(L, 10), nullptr);  // no value there
  lua_settop(L, 0);

  // wide numbers convert through lua_tonumber
  const lua_WChar hex[] = {'0', 'x', '1', 'F', 0};
  lua_pushwstring(L, hex);
  EXPECT_TRUE(lua_isnumber(L, -1));
  EXPECT_EQ(lua_tonumber(L, -1), 31);
  lua_settop(L, 0);
}

TEST_F(LuaApi, GetmetatableAnswersTypeTablesAndNothingOnlyForNil) {
  const int tags[] = {LUA_TBOOLEAN, LUA_TNUMBER, LUA_TSTRING, LUA_TFUNCTION, LUA_TWSTRING};
  Eval("return true");
  Eval("return 1");
  Eval("return 's'");
  Eval("return print");
  Eval("return L\"w\"");
  for (int i = 0; i < 5; i++) {
    SCOPED_TRACE(tags[i]);
    ASSERT_EQ(lua_getmetatable(L, i + 1), 1);
    lua_gettypetable(L, tags[i]);
    EXPECT_TRUE(lua_rawequal(L, -1, -2));
    lua_pop(L, 2);
  }
  lua_pushnil(L);
  int top = lua_gettop(L);
  EXPECT_EQ(lua_getmetatable(L, -1), 0);
  EXPECT_EQ(lua_gettop(L), top);
  EXPECT_EQ(lua_getmetatable(L, 50), 0);  // no value there
  lua_settop(L, 0);
}

TEST_F(LuaApi, TypeTablesCanBeReplacedOnlyByTables) {
  lua_newtable(L);
  lua_pushliteral(L, "marker");
  lua_pushliteral(L, "yes");
  lua_settable(L, -3);  // t.marker = "yes"
  lua_settypetable(L, LUA_TBOOLEAN);
  luatest::RunResult r = luatest::RunIn(L, "return (true).marker");
  EXPECT_EQ(luatest::Summary(r), "yes");
  lua_pushnumber(L, 5);
  lua_settypetable(L, LUA_TBOOLEAN);  // not a table: nothing changes
  EXPECT_EQ(lua_gettop(L), 0);
  r = luatest::RunIn(L, "return (false).marker");
  EXPECT_EQ(luatest::Summary(r), "yes");
}

static int CheckWide(lua_State *L) {
  size_t len = 0;
  const lua_WChar *w = luaL_checklwstring(L, 1, &len);
  lua_pushnumber(L, (lua_Number)len);
  lua_pushnumber(L, w[0]);
  return 2;
}

TEST_F(LuaApi, CheckWideStringArgument) {
  lua_register(L, "checkwide", CheckWide);
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "return checkwide(L\"xyz\")")), "3, 120");
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "return checkwide(42)")), "2, 52");
  luatest::RunResult r = luatest::RunIn(L, "return checkwide({})");
  EXPECT_NE(r.error.find("bad argument #1 to `checkwide' (wstring expected, got table)"),
            std::string::npos)
      << r.error;
  r = luatest::RunIn(L, "return checkwide('narrow')");
  EXPECT_NE(r.error.find("(wstring expected, got string)"), std::string::npos) << r.error;
}

TEST_F(LuaApi, WideBufferFlushesAsWideStrings) {
  luaL_Buffer b;
  luaL_wbuffinit(L, &b);
  std::vector<lua_WChar> units;
  for (int i = 0; i < 700; i++) units.push_back(static_cast<lua_WChar>(0x100 + i));  // > 512 bytes
  luaL_addlwstring(&b, units.data(), units.size());
  const lua_WChar tail[] = {'!'};
  luaL_addlwstring(&b, tail, 1);
  luaL_pushresult(&b);
  ASSERT_EQ(lua_type(L, -1), LUA_TWSTRING);
  ASSERT_EQ(lua_strlen(L, -1), 701u);
  const lua_WChar *w = lua_towstring(L, -1);
  EXPECT_EQ(w[0], 0x100);
  EXPECT_EQ(w[699], 0x100 + 699);
  EXPECT_EQ(w[700], '!');
  lua_settop(L, 0);

  // bytes written in wide mode are units in machine order
  luaL_wbuffinit(L, &b);
  const char bytes[] = {'h', 0, 'i', 0, 0x3A, 0x26};
  for (char c : bytes) luaL_putchar(&b, c);
  luaL_pushresult(&b);
  EXPECT_EQ(luatest::Render(L, -1), "L\"hi\\x{263a}\"");
  lua_settop(L, 0);

  // an empty wide buffer still gives a wide string
  luaL_wbuffinit(L, &b);
  luaL_pushresult(&b);
  EXPECT_EQ(lua_type(L, -1), LUA_TWSTRING);
  EXPECT_EQ(lua_strlen(L, -1), 0u);
  lua_settop(L, 0);

  // narrow buffers stay narrow, across many flushes
  luaL_buffinit(L, &b);
  for (int i = 0; i < 3000; i++) luaL_addstring(&b, "ab");
  luaL_pushresult(&b);
  EXPECT_EQ(lua_type(L, -1), LUA_TSTRING);
  EXPECT_EQ(lua_strlen(L, -1), 6000u);
  EXPECT_EQ(lua_gettop(L), 1);
  lua_settop(L, 0);
}

TEST_F(LuaApi, BufferAddValueKeepsOrderAcrossLargePieces) {
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  luaL_addstring(&b, "<");
  std::string big(2000, 'x');
  lua_pushlstring(L, big.data(), big.size());
  luaL_addvalue(&b);
  luaL_addstring(&b, "|");
  lua_pushstring(L, "small");
  luaL_addvalue(&b);
  luaL_addstring(&b, ">");
  luaL_pushresult(&b);
  EXPECT_EQ(std::string(lua_tostring(L, -1), lua_strlen(L, -1)), "<" + big + "|small>");
  lua_settop(L, 0);
}

TEST_F(LuaApi, GetnAndSetnFollowTheNFieldThenTheSizeTable) {
  const luatest::Case cases[] = {
      {"return table.getn({1, 2, 3})", "3"},
      {"return table.getn({1, 2, nil, 4})", "2"},
      {"return table.getn({n = 10})", "10"},
      {"return table.getn({n = -1, 1, 2})", "2"},
      {"local t = {1, 2, 3} table.setn(t, 1) return table.getn(t), t.n", "1, nil"},
      {"local t = {n = 2, 'a'} table.setn(t, 5) return table.getn(t), t.n", "5, 5"},
      {"local t = {} table.setn(t, 4) t[1] = 1 return table.getn(t)", "4"},
      {"local t = {} table.insert(t, 'a') table.insert(t, 'b') return table.getn(t), t[2]", "2, b"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(luatest::Summary(luatest::RunIn(L, c.source)), c.expected);
  }
  // sizes set with setn live in a weak table: the table can still be collected
  luatest::RunResult r = luatest::RunIn(
      L, "local t = {} table.setn(t, 3) t = nil collectgarbage() collectgarbage() return 1");
  EXPECT_TRUE(r.ok) << r.error;
}

static int NeedsNumber(lua_State *L) {
  luaL_checknumber(L, 2);
  return 0;
}
static int NeedsString(lua_State *L) {
  luaL_checkstring(L, 1);
  return 0;
}
static int NeedsTable(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  return 0;
}
static int NeedsAny(lua_State *L) {
  luaL_checkany(L, 3);
  return 0;
}
static int FailsWithPosition(lua_State *L) {
  return luaL_error(L, "failed with %d and %s", 42, "text");
}
static int OptionalInt(lua_State *L) {
  lua_pushnumber(L, luaL_optint(L, 1, 17));
  return 1;
}

TEST_F(LuaApi, ArgumentChecksUseTheStandardMessages) {
  EXPECT_NE(CallError(NeedsNumber, "1, 'x'").find("bad argument #2 to `cfn' (number expected, got string)"),
            std::string::npos);
  EXPECT_NE(CallError(NeedsNumber, "1").find("bad argument #2 to `cfn' (number expected, got no value)"),
            std::string::npos);
  EXPECT_NE(CallError(NeedsString, "{}").find("bad argument #1 to `cfn' (string expected, got table)"),
            std::string::npos);
  EXPECT_NE(CallError(NeedsTable, "nil").find("(table expected, got nil)"), std::string::npos);
  EXPECT_NE(CallError(NeedsAny, "1, 2").find("bad argument #3 to `cfn' (value expected)"),
            std::string::npos);
  EXPECT_EQ(CallError(NeedsString, "12"), "");  // numbers are strings here
  EXPECT_EQ(CallError(NeedsNumber, "1, '0x10'"), "");
}

TEST_F(LuaApi, MethodCallsCountArgumentsWithoutSelf) {
  lua_register(L, "cfn", NeedsNumber);
  luatest::RunResult r = luatest::RunIn(L, "local o = {m = cfn} o:m('x')");
  EXPECT_NE(r.error.find("bad argument #1 to `m' (number expected, got string)"), std::string::npos)
      << r.error;
  lua_register(L, "cfs", NeedsString);
  r = luatest::RunIn(L, "local o = {m = cfs} o:m()");
  EXPECT_NE(r.error.find("calling `m' on bad self"), std::string::npos) << r.error;
}

TEST_F(LuaApi, ErrorsCarryTheCallersChunkAndLine) {
  lua_register(L, "fail", FailsWithPosition);
  luatest::RunResult r = luatest::RunIn(L, "local x = 1\nfail()", "=chunk");
  EXPECT_EQ(r.error, "chunk:2: failed with 42 and text");
  r = luatest::RunIn(L, "\n\nfail()", "@scripts/file.lua");
  EXPECT_EQ(r.error, "scripts/file.lua:3: failed with 42 and text");
  r = luatest::RunIn(L, "fail()", "return 1");
  EXPECT_EQ(r.error, "[string \"return 1\"]:1: failed with 42 and text");
}

TEST_F(LuaApi, OptionalArguments) {
  lua_register(L, "opt", OptionalInt);
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "return opt(), opt(nil), opt(3.9), opt(-2.5)")),
            "17, 17, 3, -2");
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "return opt(1e300), opt(-1e300)")),
            "2147483647, -2147483648");
}

TEST_F(LuaApi, MetatablesByName) {
  EXPECT_EQ(luaL_newmetatable(L, "Thing"), 1);
  EXPECT_EQ(luaL_newmetatable(L, "Thing"), 0);  // already there: the existing one on top
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);
  void *u = lua_newuserdata(L, 8);
  luaL_getmetatable(L, "Thing");
  lua_setmetatable(L, -2);
  EXPECT_EQ(luaL_checkudata(L, -1, "Thing"), u);
  EXPECT_EQ(luaL_checkudata(L, -1, "Other"), nullptr);
  lua_newuserdata(L, 8);  // only the userdata type's table
  EXPECT_EQ(luaL_checkudata(L, -1, "Thing"), nullptr);
  lua_settop(L, 0);
}

TEST_F(LuaApi, OpenlibRegistersIntoNamedTablesWithUpvalues) {
  static const luaL_reg funcs[] = {
      {"up", [](lua_State *L) -> int {
         lua_pushvalue(L, lua_upvalueindex(1));
         return 1;
       }},
      {NULL, NULL}};
  lua_pushstring(L, "shared");
  luaL_openlib(L, "mylib", funcs, 1);
  EXPECT_EQ(lua_gettop(L), 1);  // the library table
  lua_settop(L, 0);
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "return mylib.up()")), "shared");
  // a second open adds to the existing table
  static const luaL_reg more[] = {{"two", [](lua_State *L) -> int {
                                     lua_pushnumber(L, 2);
                                     return 1;
                                   }},
                                  {NULL, NULL}};
  luaL_openlib(L, "mylib", more, 0);
  lua_settop(L, 0);
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "return mylib.up(), mylib.two()")), "shared, 2");
}

TEST_F(LuaApi, DoStringReportsErrorsThroughAlert) {
  luatest::RunIn(L, "alerts = {} function _ALERT(m) table.insert(alerts, m) end");
  EXPECT_EQ(lua_dostring(L, "x = 1 + 1"), 0);
  EXPECT_NE(lua_dostring(L, "error('boom')"), 0);
  EXPECT_NE(lua_dostring(L, "this is not lua"), 0);
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "return x, table.getn(alerts), alerts[1]")),
            "2, 2, [string \"error('boom')\"]:1: boom");
  EXPECT_EQ(lua_gettop(L), 0);
}

TEST_F(LuaApi, DoStringSurvivesAnAlertHandlerThatFails) {
  luatest::RunIn(L, "function _ALERT(m) error('handler broke') end");
  EXPECT_EQ(lua_dostring(L, "error('first')"), LUA_ERRRUN);
  EXPECT_EQ(lua_gettop(L), 0);
  luatest::RunIn(L, "_ALERT = nil");
  EXPECT_EQ(lua_dostring(L, "error('second')"), LUA_ERRRUN);  // reported on standard error
  EXPECT_EQ(lua_gettop(L), 0);
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "return 'still usable'")), "still usable");
}

static int AddWideValue(lua_State *L) {
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  lua_pushvalue(L, 1);
  luaL_addvalue(&b);
  luaL_pushresult(&b);
  return 1;
}

TEST_F(LuaApi, BufferRefusesValuesWithoutBytes) {
  lua_register(L, "addvalue", AddWideValue);
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "return addvalue(12)")), "12");
  luatest::RunResult r = luatest::RunIn(L, "return addvalue(L\"w\")");
  EXPECT_NE(r.error.find("invalid value (a wstring) added to a string buffer"), std::string::npos) << r.error;
}

TEST_F(LuaApi, LoadFileReportsMissingFiles) {
  EXPECT_EQ(luaL_loadfile(L, "/nonexistent/dir/file.lua"), LUA_ERRFILE);
  EXPECT_STREQ(lua_tostring(L, -1), "cannot open /nonexistent/dir/file.lua");
  lua_settop(L, 0);
}

TEST(LuaGcStress, StatesFollowTheEnvironmentSwitch) {
  luatest::State s;
  ASSERT_NE(s.get(), nullptr);
  EXPECT_EQ(lua_getgcstress(s.get()), luatest::GcStressRequested() ? 1 : 0);
}
