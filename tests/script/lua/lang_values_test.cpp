// Value model of the runtime: wide strings (literals, equality, concatenation, number
// conversion) and the per-type tables that every basic type indexes into.
#include <gtest/gtest.h>

#include "lua_runner.h"
#include "script/lua/lauxlib.h"

using luatest::Case;
using luatest::ExpectCases;

TEST(LuaWideStrings, ConcatenationPicksTheModeFromTheFirstStringOperand) {
  ExpectCases({
      {"return L\"ab\" .. 1", "L\"ab1\""},
      {"return 1 .. L\"ab\"", "L\"1ab\""},
      {"return 1 .. 2.5 .. L\"x\"", "L\"12.5x\""},
      {"local s = 1 .. 2 return s, type(s)", "12, string"},
      {"return L\"a\" .. L\"b\" .. L\"c\"", "L\"abc\""},
      {"return \"ab\" .. L\"cd\"", "error: attempt to concatenate a string value"},
      {"return L\"ab\" .. \"cd\"", "error: attempt to concatenate a wstring value"},
      {"local w = L\"ab\" return w .. \"x\"", "error: concatenate local `w' (a wstring value)"},
      {"return L\"ab\" .. {}", "error: attempt to concatenate a table value"},
  });
}

TEST(LuaWideStrings, ConcatenationFallsBackToConcatMetamethod) {
  ExpectCases({
      {"local t = setmetatable({}, {__concat = function(a, b) return 'meta' end})\n"
       "return L\"w\" .. t",
       "meta"},
      {"local t = setmetatable({}, {__concat = function(a, b) return type(a) .. type(b) end})\n"
       "return t .. L\"w\"",
       "tablewstring"},
  });
}

TEST(LuaWideStrings, TypeEqualityAndInterning) {
  ExpectCases({
      {"return type(L\"x\")", "wstring"},
      {"return L\"abc\" == L\"abc\"", "true"},
      {"return \"abc\" == L\"abc\"", "false"},
      {"return L\"abc\" ~= L\"abd\"", "true"},
      {"return L\"\" == L\"\"", "true"},
      {"local a = L\"ab\" .. L\"c\" return a == L\"abc\"", "true"},
      {"local t = {} t[L\"k\"] = 1 t[\"k\"] = 2 return t[L\"k\"], t[\"k\"]", "1, 2"},
      {"local t = {[L\"key\"] = 'v'} local k = L\"ke\" .. L\"y\" return t[k]", "v"},
  });
}

TEST(LuaWideStrings, NumberConversion) {
  ExpectCases({
      {"return tonumber(L\"0x1F\")", "31"},
      {"return tonumber(L\"0x1.8p1\")", "3"},
      {"return tonumber(L\"0x1p4\")", "nil"},
      {"return tonumber(L\" 5\")", "nil"},
      {"return tonumber(L\"5 \")", "5"},
      {"return tonumber(L\"-2.5e1\")", "-25"},
      {"return tonumber(L\"-\")", "0"},
      {"return tonumber(L\".\")", "0"},
      {"return tonumber(L\"e\")", "0"},
      {"return tonumber(L\"\")", "nil"},
      {"return tonumber(L\"12x\")", "nil"},
      {"return L\"10\" + 1", "11"},
      {"return L\"0x10\" * 2", "32"},
  });
}

TEST(LuaPerTypeTables, NonTableValuesIndexTheirTypeTable) {
  ExpectCases({
      {"return (5).x", "nil"},
      {"(5).x = 1 return (7).x", "1"},
      {"(true).flag = 'b' return (false).flag", "b"},
      {"local f = function() end f.tag = 3 return (print).tag", "3"},
      {"return ('abc'):upper()", "ABC"},
      {"return ('x'):rep(3)", "xxx"},
      {"local s = 'hello' return s:sub(2, 3), s.len", "el, function"},
      {"local a return a.x", "error: attempt to index local `a' (a nil value)"},
      {"return nothing.x", "error: attempt to index global `nothing' (a nil value)"},
      {"local a a.x = 1", "error: attempt to index local `a' (a nil value)"},
  });
}

TEST(LuaPerTypeTables, ArithmeticCallAndOrderOnTypeTablesStillFail) {
  ExpectCases({
      {"return L\"a\" < L\"b\"", "error: attempt to call a table value"},
      {"return true < false", "error: attempt to call a table value"},
      {"return {} < {}", "error: attempt to compare two table values"},
      {"local n = nil return n + 1", "error: attempt to perform arithmetic on local `n' (a nil value)"},
      {"return (true)()", "error: attempt to call a boolean value"},
      {"local b = true return b .. 'x'", "error: attempt to concatenate local `b' (a boolean value)"},
  });
}

TEST(LuaPerTypeTables, GetmetatableSeesTypeTablesAndTheDefaultMetatable) {
  luatest::State s;
  lua_State *L = s.get();
  ASSERT_NE(L, nullptr);
  // a fresh table answers its type's table
  ASSERT_TRUE(luatest::RunIn(L, "tmt = getmetatable({}) return type(tmt)").ok);
  lua_getglobal(L, "tmt");
  lua_gettypetable(L, LUA_TTABLE);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);
  // a number answers the number type's table
  ASSERT_TRUE(luatest::RunIn(L, "nmt = getmetatable(5)").ok);
  lua_getglobal(L, "nmt");
  lua_gettypetable(L, LUA_TNUMBER);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);
  // clearing a metatable leaves the default metatable, shared by every cleared table
  luatest::RunResult r = luatest::RunIn(
      L,
      "local t = setmetatable({}, {}) setmetatable(t, nil)\n"
      "local u = setmetatable({}, nil)\n"
      "local m = getmetatable(t)\n"
      "return m ~= nil, m ~= tmt, m == getmetatable(u)");
  EXPECT_EQ(luatest::Summary(r), "true, true, true");
}

TEST(LuaPerTypeTables, BaseLibraryRegistersTypeTablesByName) {
  luatest::State s;
  lua_State *L = s.get();
  ASSERT_NE(L, nullptr);
  const struct {
    const char *name;
    int tag;
  } names[] = {{"_boolean", LUA_TBOOLEAN}, {"_lightuserdata", LUA_TLIGHTUSERDATA},
               {"_number", LUA_TNUMBER},   {"_table", LUA_TTABLE},
               {"_function", LUA_TFUNCTION}, {"_userdata", LUA_TUSERDATA},
               {"_thread", LUA_TTHREAD},   {"_wstring", LUA_TWSTRING}};
  for (const auto &n : names) {
    SCOPED_TRACE(n.name);
    lua_pushstring(L, n.name);
    lua_rawget(L, LUA_REGISTRYINDEX);
    lua_gettypetable(L, n.tag);
    EXPECT_EQ(lua_type(L, -1), LUA_TTABLE);
    EXPECT_TRUE(lua_rawequal(L, -1, -2));
    lua_settop(L, 0);
  }
  // the string library replaced the strings' type table after the base library ran
  lua_getglobal(L, "string");
  lua_gettypetable(L, LUA_TSTRING);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);
}
