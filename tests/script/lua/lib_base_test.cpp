// Base library: types and conversions, errors and protected calls, metatables and
// environments, traversal, loading (strings, files, require) and print.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "lua_runner.h"

using luatest::Case;
using luatest::ExpectCases;

TEST(LuaBaseLib, TypeAndVersion) {
  ExpectCases({
      {"return type(nil), type(1), type('s'), type({}), type(print), type(true)",
       "nil, number, string, table, function, boolean"},
      {"return type(coroutine.create(function() end)), type(L\"w\")", "thread, wstring"},
      {"return type()", "error: bad argument #1 to `type' (value expected)"},
      {"return _VERSION", "Lua 5.0.2"},
      {"return _G._G == _G, _G.print == print", "true, true"},
      {"return select, string.gmatch, math.fmod, table.maxn", "nil, nil, nil, nil"},
  });
}

TEST(LuaBaseLib, Tostring) {
  ExpectCases({
      {"return tostring(nil), tostring(true), tostring(false)", "nil, true, false"},
      {"return tostring(1.5), tostring(10 / 3), tostring(1e100), tostring(9007199254740992)",
       "1.5, 3.3333333333333, 1e+100, 9.007199254741e+15"},
      {"return tostring(123456789012)", "123456789012"},
      {"return string.sub(tostring({}), 1, 7), string.sub(tostring(print), 1, 10)",
       "table: , function: "},
      {"return tostring(L\"A\\x263A\")", "A:"},
      {"return tostring(setmetatable({}, {__tostring = function() return 'custom' end}))", "custom"},
      {"return tostring()", "error: bad argument #1 to `tostring' (value expected)"},
  });
}

TEST(LuaBaseLib, Tonumber) {
  ExpectCases({
      {"return tonumber('10'), tonumber(' 10 '), tonumber('1e1'), tonumber('-3.5')", "10, 10, 10, -3.5"},
      {"return tonumber(''), tonumber('abc'), tonumber('1 2'), tonumber({})", "nil, nil, nil, nil"},
      {"return tonumber('z', 36), tonumber('ff', 16), tonumber('777', 8), tonumber('11', 2)",
       "35, 255, 511, 3"},
      {"return tonumber('8', 8), tonumber('', 16), tonumber('1f ', 16)", "nil, nil, 31"},
      {"return tonumber('ffffffffff', 16)", "4294967295"},
      {"return tonumber(L\"ff\", 16), tonumber(L\"12\")", "255, 12"},
      {"return tonumber('10', 99)", "error: bad argument #2 to `tonumber' (base out of range)"},
      {"return tonumber('10', 1)", "error: base out of range"},
      {"return tonumber()", "error: bad argument #1 to `tonumber' (value expected)"},
  });
}

TEST(LuaBaseLib, ErrorLevelsAndObjects) {
  ExpectCases({
      {"error('msg')", "error: test:1: msg"},
      {"local ok, e = pcall(error, 'msg', 0) return e", "msg"},
      {"local function f() error('deep', 2) end\nlocal function g()\n f()\nend\nlocal ok, e = pcall(g) return e",
       "test:3: deep"},
      {"local ok, e = pcall(error, {code = 7}) return ok, type(e), e.code", "false, table, 7"},
      {"local ok, e = pcall(error) return e", "bad argument #1 to `error' (value expected)"},
      {"local ok, e = pcall(function() error(42) end) return e", "test:1: 42"},
      {"local ok, e = pcall(function() error(L\"wide\") end) return e", "L\"test:1: wide\""},
      {"local ok, e = pcall(function() error(nil) end) return ok, e", "false, nil"},
  });
}

TEST(LuaBaseLib, ProtectedCalls) {
  ExpectCases({
      {"return pcall(function(a, b) return a + b, a * b end, 3, 4)", "true, 7, 12"},
      {"return pcall(nil)", "false, attempt to call a nil value"},
      {"return pcall()", "error: bad argument #1 to `pcall' (value expected)"},
      {"return xpcall(function() error('x') end, function(m) return 'handled: ' .. m end)",
       "false, handled: test:1: x"},
      {"return xpcall(function() return 1, 2 end, print)", "true, 1, 2"},
      {"return pcall(pcall, error, 'e')", "true, false, e"},
      {"local function rec(n) if n == 0 then error('bottom') end return rec(n - 1) end\n"
       "return pcall(rec, 50)",
       "false, test:1: bottom"},
      {"local function inf(n) return 1 + inf(n) end inf(1)", "error: stack overflow"},
  });
}

TEST(LuaBaseLib, Assert) {
  ExpectCases({
      {"return assert(1, 2)", "1"},
      {"return assert('v')", "v"},
      {"assert(false)", "error: test:1: assertion failed!"},
      {"assert(nil, 'custom')", "error: test:1: custom"},
      {"assert()", "error: bad argument #1 to `assert' (value expected)"},
  });
}

TEST(LuaBaseLib, MetatablesAndProtection) {
  ExpectCases({
      {"local mt = {} local t = setmetatable({}, mt) return getmetatable(t) == mt, setmetatable(t, nil) == t",
       "true, true"},
      {"local t = setmetatable({}, {__metatable = 'locked'}) return getmetatable(t)", "locked"},
      {"local t = setmetatable({}, {__metatable = false}) return getmetatable(t)", "false"},
      {"local t = setmetatable({}, {__metatable = 'locked'}) setmetatable(t, {})",
       "error: cannot change a protected metatable"},
      {"setmetatable({}, 5)", "error: bad argument #2 to `setmetatable' (nil or table expected)"},
      {"setmetatable(5, {})", "error: bad argument #1 to `setmetatable' (table expected, got number)"},
      {"return getmetatable(nil)", "nil"},
      {"return getmetatable()", "error: bad argument #1 to `getmetatable' (value expected)"},
      {"return getmetatable('abc') == string", "true"},
  });
}

TEST(LuaBaseLib, Environments) {
  ExpectCases({
      {"local function f() return x end setfenv(f, {x = 5}) return f()", "5"},
      {"return getfenv(1) == _G, getfenv() == _G, getfenv(print) == _G", "true, true, true"},
      {"local function f() return getfenv(2) end return f() == _G", "true"},
      {"x = 'global' local function f() setfenv(1, {x = 'local'}) return x end return f(), x",
       "local, global"},
      {"local function f() end setfenv(f, {__fenv = 'hidden'}) return getfenv(f)", "hidden"},
      {"local function f() end setfenv(f, {__fenv = 1}) setfenv(f, {})",
       "error: `setfenv' cannot change a protected environment"},
      {"local g = _G setfenv(0, {marker = 1}) local r = getfenv(0).marker setfenv(0, g)\n"
       "return r, getfenv(0) == _G",
       "1, true"},
      {"setfenv(print, {})", "error: `setfenv' cannot change environment of given function"},
      {"return getfenv(100)", "error: bad argument #1 to `getfenv' (invalid level)"},
      {"return getfenv(-1)", "error: bad argument #1 to `getfenv' (level must be non-negative)"},
      {"setfenv(1, 2)", "error: bad argument #2 to `setfenv' (table expected, got number)"},
  });
}

TEST(LuaBaseLib, RawAccess) {
  ExpectCases({
      {"local t = setmetatable({}, {__index = function() return 'dflt' end}) return t.x, rawget(t, 'x')",
       "dflt, nil"},
      {"local log = {} local t = setmetatable({}, {__newindex = function(t, k, v) log[k] = v end})\n"
       "t.a = 1 rawset(t, 'b', 2) return rawget(t, 'a'), log.a, rawget(t, 'b'), log.b",
       "nil, 1, 2, nil"},
      {"return rawequal('a', 'a'), rawequal({}, {}), rawequal(1, '1')", "true, false, false"},
      {"local t = {} return rawset(t, 1, 2) == t", "true"},
      {"return rawget('s', 1)", "error: bad argument #1 to `rawget' (table expected, got string)"},
      {"return rawset({}, 1)", "error: bad argument #3 to `rawset' (value expected)"},
      {"return rawset({}, nil, 1)", "error: table index is nil"},
  });
}

TEST(LuaBaseLib, Traversal) {
  ExpectCases({
      {"local s = 0 for i, v in ipairs({10, 20, 30}) do s = s + i * v end return s", "140"},
      {"local n = 0 for i in ipairs({1, 2, nil, 4}) do n = n + 1 end return n", "2"},
      {"local s = 0 for k, v in pairs({a = 1, b = 2, 3}) do s = s + v end return s", "6"},
      {"return next({})", "nil"},
      {"local k, v = next({'only'}) return k, v", "1, only"},
      {"next = nil local n = 0 for k in pairs({1, 2}) do n = n + 1 end return n", "2"},
      {"ipairs = nil return 'ok'", "ok"},
      {"local t = {a = 1, b = 2, c = 3} for k in pairs(t) do t[k] = nil end return next(t)", "nil"},
      {"return pairs(nil)", "error: bad argument #1 to `pairs' (table expected, got nil)"},
      {"return next({}, 'nokey')", "error: invalid key for `next'"},
      {"return unpack({1, 2, 3})", "1, 2, 3"},
      {"return unpack({n = 2, 'a', 'b', 'c'})", "a, b"},
      {"return unpack({})", ""},
      {"return unpack({n = 100000})", "error: stack overflow (table too big to unpack)"},
      {"return unpack('x')", "error: bad argument #1 to `unpack' (table expected, got string)"},
  });
}

TEST(LuaBaseLib, Loadstring) {
  ExpectCases({
      {"local f = loadstring('return 1 + 1') return f()", "2"},
      {"return loadstring('x =')", "nil, [string \"x =\"]:1: unexpected symbol near `<eof>'"},
      {"local f = loadstring('error(\"e\")', '=mine') return pcall(f)", "false, mine:1: e"},
      {"local f = loadstring('return arg.n, arg[1]') return type(f)", "function"},
      {"return loadstring('local function f(...) return arg.n end return f(1, nil, 3)')()", "3"},
      {"return loadstring()", "error: bad argument #1 to `loadstring' (string expected, got no value)"},
      {"local f, e = loadstring('\\27binary') return f, type(e)", "nil, string"},
  });
}

TEST(LuaBaseLib, CollectorControls) {
  ExpectCases({
      {"local a, b = gcinfo() return type(a), type(b)", "number, number"},
      {"local t = {} for i = 1, 1000 do t[i] = {i} end t = nil collectgarbage() local a = gcinfo() return a < 1000",
       "true"},
  });
}

TEST(LuaBaseLib, CollectgarbageSetsTheThreshold) {
  if (luatest::GcStressRequested()) GTEST_SKIP() << "stress mode resets the threshold at every step";
  ExpectCases({{"collectgarbage(100000) local a, b = gcinfo() return b", "100000"}});
}

namespace {

// A folder of its own for each test that writes files; removed afterwards.
class LuaFiles : public ::testing::Test {
 protected:
  std::filesystem::path mDir;
  void SetUp() override {
    static int counter = 0;
    // kept short: chunk names longer than the message limit get shortened
    mDir = std::filesystem::path(::testing::TempDir()) /
           ("lua" + std::to_string(getpid()) + "_" + std::to_string(++counter));
    std::filesystem::create_directories(mDir);
  }
  void TearDown() override { std::filesystem::remove_all(mDir); }
  std::string Write(const std::string &name, const std::string &text) {
    std::filesystem::path p = mDir / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
};

}  // namespace

TEST_F(LuaFiles, DofileAndLoadfile) {
  std::string f = Write("mod.lua", "local a = 20\nreturn a + 1, 'two'\n");
  std::string bad = Write("bad.lua", "\nreturn +\n");
  std::string err = Write("err.lua", "\n\nerror('inside')\n");
  luatest::State s;
  lua_State *L = s.get();
  lua_pushstring(L, f.c_str());
  lua_setglobal(L, "F");
  lua_pushstring(L, bad.c_str());
  lua_setglobal(L, "BAD");
  lua_pushstring(L, err.c_str());
  lua_setglobal(L, "ERR");
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "return dofile(F)")), "21, two");
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "local g = loadfile(F) return g()")), "21, two");
  luatest::RunResult r = luatest::RunIn(L, "return loadfile(BAD)");
  ASSERT_EQ(r.results.size(), 2u);
  EXPECT_EQ(r.results[0], "nil");
  EXPECT_EQ(r.results[1], bad + ":2: unexpected symbol near `+'");
  r = luatest::RunIn(L, "return pcall(dofile, ERR)");
  EXPECT_EQ(luatest::Summary(r), "false, " + err + ":3: inside");
  r = luatest::RunIn(L, "return loadfile(F .. '.missing')");
  EXPECT_EQ(luatest::Summary(r), "nil, cannot open " + f + ".missing");

  std::string script = Write("script.lua", "#!/usr/bin/env lua\nreturn 'ran'\n");
  lua_pushstring(L, script.c_str());
  lua_setglobal(L, "SCRIPT");
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "return dofile(SCRIPT)")), "ran");
}

TEST_F(LuaFiles, RequireSearchesLuaPathAndLoadsOnce) {
  Write("pkg.lua", "count = (count or 0) + 1\nreturn {name = _REQUIREDNAME}\n");
  Write("noresult.lua", "x = 1\n");
  Write("broken.lua", "return +\n");
  luatest::State s;
  lua_State *L = s.get();
  std::string path = (mDir / "?.lua").string() + ";" + (mDir / "?").string();
  lua_pushstring(L, path.c_str());
  lua_setglobal(L, "LUA_PATH");
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "local a = require('pkg') local b = require('pkg')\n"
                                               "return a == b, a.name, count, _LOADED.pkg == a")),
            "true, pkg, 1, true");
  EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "return require('noresult'), x")), "true, 1");
  luatest::RunResult r = luatest::RunIn(L, "require('absent')");
  EXPECT_NE(r.error.find("could not load package `absent' from path `" + path + "'"), std::string::npos)
      << r.error;
  r = luatest::RunIn(L, "require('broken')");
  EXPECT_NE(r.error.find("error loading package `broken'"), std::string::npos) << r.error;
  r = luatest::RunIn(L, "_LOADED = nil require('pkg')");
  EXPECT_NE(r.error.find("`_LOADED' is not a table"), std::string::npos) << r.error;
}

TEST(LuaBaseLib, PrintUsesTostringAndTabs) {
  luatest::ExpectOutputs({
      {"print(1, nil, true, 'x')", "1\tnil\ttrue\tx\n"},
      {"print()", "\n"},
      {"print(1.5, -2, 1e20)", "1.5\t-2\t1e+20\n"},
      {"print(setmetatable({}, {__tostring = function() return 'T' end}))", "T\n"},
      {"print(L\"x\\x263A\")", "x\xE2\x98\xBA\n"},
  });
  luatest::RunResult r = luatest::Run("print('a\\0b')");
  EXPECT_EQ(r.output, std::string("a\0b\n", 4));
  r = luatest::Run("tostring = function() return nil end print(1)");
  EXPECT_NE(r.error.find("`tostring' must return a string to `print'"), std::string::npos) << r.error;
}
