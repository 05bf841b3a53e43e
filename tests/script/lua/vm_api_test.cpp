// The core of the native interface as hosts drive it: coroutines resumed from C, locals and
// upvalues through the debug interface, comparisons and concatenation with metamethods, stack
// resizing by lua_settop, and writes through registry integer pseudo-indices.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lua_runner.h"
#include "script/lua/lauxlib.h"

namespace {

class VmApi : public ::testing::Test {
 protected:
  luatest::State mState;
  lua_State *L = mState.get();

  // Leaves the single result of `source' on the stack.
  void Eval(const char *source) {
    ASSERT_EQ(luaL_loadbuffer(L, source, strlen(source), "=eval"), 0) << lua_tostring(L, -1);
    ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0) << lua_tostring(L, -1);
  }
};

}  // namespace

TEST_F(VmApi, CoroutinesResumedFromNativeCode) {
  Eval("return function(a, b) local c = coroutine.yield(a + b) error('stop ' .. c, 0) end");
  lua_State *co = lua_newthread(L);
  lua_pushvalue(L, -2);
  lua_xmove(L, co, 1);
  lua_pushnumber(co, 2);
  lua_pushnumber(co, 3);
  EXPECT_EQ(lua_resume(co, 2), 0);  // yielded
  ASSERT_EQ(lua_gettop(co), 1);
  EXPECT_EQ(lua_tonumber(co, 1), 5);
  lua_Debug ar;
  EXPECT_EQ(lua_getstack(co, 0, &ar), 1) << "a suspended coroutine keeps its frames";
  lua_pop(co, 1);

  lua_pushstring(co, "now");
  EXPECT_EQ(lua_resume(co, 1), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(co, -1), "stop now");
  lua_pop(co, 1);
  EXPECT_EQ(lua_getstack(co, 0, &ar), 0) << "an error kills the coroutine";
  EXPECT_EQ(lua_gettop(co), 0);

  EXPECT_EQ(lua_resume(co, 0), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(co, -1), "cannot resume dead coroutine");
  lua_settop(L, 0);
}

TEST_F(VmApi, FinishedCoroutineLeavesOnlyItsResults) {
  Eval("return function(...) return arg.n, arg[1] end");
  lua_State *co = lua_newthread(L);
  lua_pushvalue(L, -2);
  lua_xmove(L, co, 1);
  lua_pushstring(co, "x");
  EXPECT_EQ(lua_resume(co, 1), 0);
  ASSERT_EQ(lua_gettop(co), 2);
  EXPECT_EQ(lua_tonumber(co, 1), 1);
  EXPECT_STREQ(lua_tostring(co, 2), "x");
  lua_settop(co, 0);
  EXPECT_EQ(lua_resume(co, 0), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(co, -1), "cannot resume dead coroutine");
  lua_settop(L, 0);
}

TEST_F(VmApi, LocalsAndUpvaluesThroughTheDebugInterface) {
  static std::string seen;
  lua_register(L, "inspect", [](lua_State *L) -> int {
    lua_Debug ar;
    seen.clear();
    if (!lua_getstack(L, 1, &ar)) return 0;
    for (int n = 1;; n++) {
      const char *name = lua_getlocal(L, &ar, n);
      if (!name) break;
      seen += std::string(name) + "=" + (lua_tostring(L, -1) ? lua_tostring(L, -1) : "?") + " ";
      lua_pop(L, 1);
    }
    lua_pushnumber(L, 99);
    lua_setlocal(L, &ar, 1);  // the caller's first local becomes 99
    return 0;
  });
  luatest::RunResult r = luatest::RunIn(L, "local a, b = 1, 'two' inspect() return a, b");
  EXPECT_EQ(luatest::Summary(r), "99, two");
  EXPECT_EQ(seen, "a=1 b=two ");

  Eval("local up = 'u' return function() return up end");
  EXPECT_STREQ(lua_getupvalue(L, -1, 1), "up");
  EXPECT_STREQ(lua_tostring(L, -1), "u");
  lua_pop(L, 1);
  lua_pushstring(L, "changed");
  EXPECT_STREQ(lua_setupvalue(L, -2, 1), "up");
  EXPECT_EQ(lua_getupvalue(L, -1, 2), nullptr);
  EXPECT_EQ(lua_getupvalue(L, -1, 0), nullptr);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_STREQ(lua_tostring(L, -1), "changed");
  lua_settop(L, 0);
}

TEST_F(VmApi, ComparisonsAndConcatenationUseMetamethods) {
  Eval("local mt = {__eq = function() return true end, __lt = function() return true end}"
       "local a, b = setmetatable({}, mt), setmetatable({}, mt) return {a, b}");
  lua_rawgeti(L, 1, 1);
  lua_rawgeti(L, 1, 2);
  EXPECT_EQ(lua_equal(L, 2, 3), 1);
  EXPECT_EQ(lua_rawequal(L, 2, 3), 0);
  EXPECT_EQ(lua_lessthan(L, 2, 3), 1);
  EXPECT_EQ(lua_equal(L, 2, 10), 0) << "no value at an index is never equal";
  lua_settop(L, 0);

  static const lua_WChar w[] = {'w', 0};
  lua_pushnumber(L, 1);
  lua_pushwstring(L, w);
  lua_pushnumber(L, 2);
  lua_concat(L, 3);
  EXPECT_EQ(lua_type(L, -1), LUA_TWSTRING);
  EXPECT_EQ(lua_strlen(L, -1), 3u);
  const lua_WChar *got = lua_towstring(L, -1);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got[0], '1');
  EXPECT_EQ(got[1], 'w');
  EXPECT_EQ(got[2], '2');
  lua_concat(L, 0);
  EXPECT_STREQ(lua_tostring(L, -1), "");
  lua_settop(L, 0);
}

TEST_F(VmApi, SettopGrowsTheStackAndFillsWithNil) {
  lua_pushcfunction(L, [](lua_State *L) -> int {
    lua_settop(L, 500);
    for (int i = 1; i <= 500; i++)
      if (!lua_isnil(L, i)) return luaL_error(L, "slot %d", i);
    lua_pushnumber(L, 7);
    lua_replace(L, 500);
    return 1;
  });
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0) << lua_tostring(L, -1);
  EXPECT_EQ(lua_tonumber(L, -1), 7);
  lua_settop(L, 0);
}

TEST_F(VmApi, ReplaceThroughARegistryIntegerIndex) {
  lua_pushstring(L, "first");
  int ref = luaL_ref(L, LUA_REGISTRYINDEX);
  lua_pushstring(L, "second");
  lua_replace(L, lua_registryintindex(ref));
  lua_rawgeti(L, LUA_REGISTRYINDEX, ref);
  EXPECT_STREQ(lua_tostring(L, -1), "second");
  lua_pop(L, 1);
  // an absent entry is created instead of writing into the shared nil value
  lua_pushstring(L, "new");
  lua_replace(L, lua_registryintindex(12345));
  lua_pushvalue(L, lua_registryintindex(12345));
  EXPECT_STREQ(lua_tostring(L, -1), "new");
  lua_pushvalue(L, lua_registryintindex(12346));
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_settop(L, 0);
  lua_pushnil(L);
  lua_rawseti(L, LUA_REGISTRYINDEX, 12345);
  luaL_unref(L, LUA_REGISTRYINDEX, ref);
}

TEST_F(VmApi, IndexesBeyondTheStackOrUpvaluesHaveNoValue) {
  EXPECT_EQ(lua_type(L, 5), LUA_TNONE);
  EXPECT_STREQ(lua_typename(L, LUA_TNONE), "no value");
  EXPECT_EQ(lua_getmetatable(L, 5), 0);
  lua_pushnil(L);
  EXPECT_EQ(lua_getmetatable(L, -1), 0) << "nil has no type table";
  lua_pop(L, 1);
  lua_pushnumber(L, 1);
  lua_pushcclosure(L, [](lua_State *L) -> int {
    lua_pushboolean(L, lua_type(L, lua_upvalueindex(1)) == LUA_TNUMBER &&
                           lua_type(L, lua_upvalueindex(2)) == LUA_TNONE);
    return 1;
  }, 1);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_TRUE(lua_toboolean(L, -1));
  lua_settop(L, 0);
}
