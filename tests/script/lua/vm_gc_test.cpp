// The collector: the threshold rule, weak tables, finalizers of userdata, values kept by closures
// over the stack of a dead coroutine, stress mode, and memory errors from the allocation function.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "budget_alloc.h"
#include "lua_runner.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lstate.h"
#include "script/lua/lualib.h"

using luatest::Budget;
using luatest::BudgetAlloc;
using luatest::ExpectCases;

namespace {

// Finalizer bookkeeping shared with the __gc function below.
std::vector<int> gFinalized;

int RecordGc(lua_State *L) {
  int *id = static_cast<int *>(lua_touserdata(L, 1));
  gFinalized.push_back(*id);
  return 0;
}

// newobject(id): a userdata whose metatable has __gc = RecordGc.
int NewObject(lua_State *L) {
  int id = static_cast<int>(luaL_checknumber(L, 1));
  *static_cast<int *>(lua_newuserdata(L, sizeof(int))) = id;
  lua_newtable(L);
  lua_pushliteral(L, "__gc");
  lua_pushcfunction(L, RecordGc);
  lua_rawset(L, -3);
  lua_setmetatable(L, -2);
  return 1;
}

std::string DoString(lua_State *L, const char *src) {
  if (luaL_loadbuffer(L, src, strlen(src), "=t") != 0 || lua_pcall(L, 0, 1, 0) != 0) {
    std::string e = lua_tostring(L, -1) ? lua_tostring(L, -1) : "?";
    lua_pop(L, 1);
    return "error: " + e;
  }
  std::string r = lua_isnil(L, -1) ? "nil" : (lua_tostring(L, -1) ? lua_tostring(L, -1) : lua_typename(L, lua_type(L, -1)));
  lua_pop(L, 1);
  return r;
}

}  // namespace

TEST(VmCollector, ThresholdIsTwiceTheMemoryInUseAfterACollection) {
  luatest::State s;
  lua_State *L = s.get();
  EXPECT_EQ(DoString(L, "t = {} for i = 1, 5000 do t[i] = {i} end return 1"), "1");
  lua_setgcthreshold(L, 0);  // collect now
  EXPECT_EQ(G(L)->GCthreshold, 2 * G(L)->nblocks);
  lu_mem withData = G(L)->nblocks;
  EXPECT_EQ(DoString(L, "t = nil return 1"), "1");
  lua_setgcthreshold(L, 0);
  EXPECT_LT(G(L)->nblocks, withData);
  EXPECT_EQ(G(L)->GCthreshold, 2 * G(L)->nblocks);
  EXPECT_NEAR(lua_getgcthreshold(L), 2 * lua_getgccount(L), 1);
}

TEST(VmCollector, LoopsThatOnlyCallVarargFunctionsStillCollect) {
  // the `arg' table made by each call is the only allocation in the loop
  luatest::State s;
  lua_State *L = s.get();
  EXPECT_EQ(DoString(L,
                     "local function f(...) return arg.n end\n"
                     "local peak = 0\n"
                     "for i = 1, 200000 do\n"
                     "  f(i, i)\n"
                     "  if math.mod(i, 1000) == 0 and gcinfo() > peak then peak = gcinfo() end\n"
                     "end\n"
                     "return peak < 1024 and 'bounded' or peak"),
            "bounded");
}

TEST(VmCollector, FreshStateStartsWithFourTimesItsSize) {
  lua_setdefaultgcstress(0);
  lua_State *L = lua_open();
  lua_setdefaultgcstress(luatest::GcStressRequested() ? 1 : 0);
  ASSERT_NE(L, nullptr);
  EXPECT_EQ(G(L)->GCthreshold, 4 * G(L)->nblocks);
  lua_close(L);
}

TEST(VmCollector, WeakTablesDropCollectedEntriesOnly) {
  ExpectCases({
      {"local w = setmetatable({}, {__mode = 'k'}) local keep = {}\n"
       "w[keep] = 1 w[{}] = 2 w['s'] = 3 w[1] = {}\n"
       "collectgarbage()\n"
       "local n = 0 for k, v in pairs(w) do n = n + 1 end return n, w[keep], w.s, type(w[1])",
       "3, 1, 3, table"},
      {"local w = setmetatable({}, {__mode = 'v'}) local keep = {}\n"
       "w.a = keep w.b = {} w.c = 'str' w[1] = {} w[2] = keep\n"
       "collectgarbage()\n"
       "return w.a == keep, w.b, w.c, w[1], w[2] == keep",
       "true, nil, str, nil, true"},
      {"local w = setmetatable({}, {__mode = 'kv'}) local k, v = {}, {}\n"
       "w[k] = {} w[{}] = v w[k] = v w.x = {}\n"
       "collectgarbage()\n"
       "local n = 0 for _ in pairs(w) do n = n + 1 end return n, w[k] == v",
       "1, true"},
  });
}

TEST(VmCollector, FinalizersRunOnceForUnreachableUserdataAndAtClose) {
  gFinalized.clear();
  lua_setdefaultgcstress(luatest::GcStressRequested() ? 1 : 0);
  lua_State *L = lua_open();
  luaopen_stdlibs(L);
  lua_register(L, "newobject", NewObject);
  EXPECT_EQ(DoString(L, "keep = newobject(1) local a = newobject(2) local b = newobject(3) return 1"), "1");
  lua_setgcthreshold(L, 0);
  std::vector<int> got = gFinalized;
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<int>{2, 3}));
  lua_setgcthreshold(L, 0);  // no second call for the same objects
  EXPECT_EQ(gFinalized.size(), 2u);
  lua_close(L);  // the reachable one is finalized when the state closes
  EXPECT_EQ(gFinalized.size(), 3u);
  EXPECT_EQ(gFinalized.back(), 1);
}

TEST(VmCollector, ClosuresKeepValuesFromTheStackOfACollectedCoroutine) {
  ExpectCases({
      {"local f\n"
       "local co = coroutine.create(function()\n"
       "  local x = {v = 'kept'}\n"
       "  f = function() return x.v end\n"
       "  coroutine.yield()\n"
       "end)\n"
       "coroutine.resume(co)\n"
       "co = nil\n"
       "collectgarbage() collectgarbage()\n"
       "local junk = {} for i = 1, 1000 do junk[i] = {i} end\n"
       "return f()",
       "kept"},
  });
}

TEST(VmCollector, StressModeCollectsAtEveryAllocationCheck) {
  luatest::State s;
  lua_State *L = s.get();
  lua_setgcstress(L, 1);
  EXPECT_EQ(lua_getgcstress(L), 1);
  EXPECT_EQ(DoString(L,
                     "local w = setmetatable({}, {__mode = 'v'}) w[1] = {} local x = {} "
                     "return tostring(w[1])"),
            "nil");
  lua_setgcstress(L, luatest::GcStressRequested() ? 1 : 0);
}

TEST(VmMemory, AllocationFailureRaisesMemoryErrorAndTheStateRecovers) {
  Budget budget;
  lua_setdefaultalloc(BudgetAlloc, &budget);
  lua_State *L = lua_open();
  lua_setdefaultalloc(nullptr, nullptr);
  ASSERT_NE(L, nullptr);
  luaopen_stdlibs(L);
  budget.limit = budget.live + 64 * 1024;
  const char *grow = "local t = {} for i = 1, 1e7 do t[i] = i .. '' end";
  ASSERT_EQ(luaL_loadbuffer(L, grow, strlen(grow), "=grow"), 0);
  EXPECT_EQ(lua_pcall(L, 0, 0, 0), LUA_ERRMEM);
  EXPECT_STREQ(lua_tostring(L, -1), "not enough memory");
  lua_pop(L, 1);
  budget.limit = static_cast<size_t>(-1);
  EXPECT_EQ(DoString(L, "local t = {} for i = 1, 100 do t[i] = i end return table.getn(t)"), "100");
  lua_close(L);
  EXPECT_EQ(budget.live, 0u) << "everything went back through the allocation function";
}

TEST(VmMemory, OpenFailsCleanlyAtEveryAllocation) {
  // raise the budget step by step until the state opens: each failure point must free all
  for (size_t limit = 0;; limit += 8) {
    SCOPED_TRACE(limit);
    Budget budget;
    budget.limit = limit;
    lua_setdefaultalloc(BudgetAlloc, &budget);
    lua_State *L = lua_open();
    lua_setdefaultalloc(nullptr, nullptr);
    if (L != nullptr) {
      lua_close(L);
      EXPECT_EQ(budget.live, 0u);
      break;
    }
    ASSERT_EQ(budget.live, 0u);
    ASSERT_LT(limit, 100000u);
  }
}

TEST(VmMemory, EveryAllocationPointOfAProgramCanFail) {
  // the same program under growing budgets: each run ends in success or a memory error, and
  // closing the state gives every byte back
  const char *program =
      "local t = {} for i = 1, 60 do t[i] = {i, tostring(i) .. 'x'} t['k' .. i] = i end\n"
      "local w = setmetatable({}, {__mode = 'k'}) w[t] = L\"wide\" .. 1\n"
      "local co = coroutine.wrap(function(a) local u = {a} coroutine.yield(u) return a end)\n"
      "co(1) co(2)\n"
      "local f = function(...) return arg.n end f(1, 2, 3)\n"
      "table.sort(t, function(a, b) return a[1] > b[1] end)\n"
      "return string.rep('ab', 50) .. table.concat({1, 2, 3})";
  bool succeeded = false;
  for (size_t extra = 0; !succeeded; extra += 24) {
    SCOPED_TRACE(extra);
    Budget budget;
    lua_setdefaultalloc(BudgetAlloc, &budget);
    lua_State *L = lua_open();
    lua_setdefaultalloc(nullptr, nullptr);
    ASSERT_NE(L, nullptr);
    luaopen_stdlibs(L);
    ASSERT_EQ(luaL_loadbuffer(L, program, strlen(program), "=p"), 0);
    budget.limit = budget.live + extra;
    int status = lua_pcall(L, 0, 1, 0);
    if (status == 0)
      succeeded = true;
    else {  // a coroutine's memory error comes back through coroutine.wrap as a runtime error
      EXPECT_TRUE(status == LUA_ERRMEM || status == LUA_ERRRUN) << status;
      EXPECT_NE(std::string(lua_tostring(L, -1)).find("not enough memory"), std::string::npos) << lua_tostring(L, -1);
    }
    budget.limit = static_cast<size_t>(-1);
    lua_close(L);
    ASSERT_EQ(budget.live, 0u);
    ASSERT_LT(extra, 4u << 20);
  }
}

TEST(VmMemory, OversizedRequestsAreRefused) {
  luatest::State s;
  lua_State *L = s.get();
  lua_pushcfunction(L, [](lua_State *L) -> int {
    lua_newuserdata(L, 0xFFFFFFFDu);
    return 1;
  });
  EXPECT_EQ(lua_pcall(L, 0, 1, 0), LUA_ERRRUN);
  EXPECT_NE(std::string(lua_tostring(L, -1)).find("memory allocation error: block too big"), std::string::npos);
  lua_pop(L, 1);
}
