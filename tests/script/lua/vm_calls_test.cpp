// Calls and control transfer in the runtime core: tail calls in constant stack, the call-depth
// and C-depth limits, yields across native boundaries, error positions and names, hooks, the
// panic path for unprotected errors, and the verifier on damaged code.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "lua_runner.h"
#include "script/lua/lauxlib.h"
#include "script/lua/ldebug.h"
#include "script/lua/lopcodes.h"
#include "script/lua/lstate.h"

using luatest::ExpectCases;

TEST(VmCalls, DepthLimitsAndTailCalls) {
  ExpectCases({
      {"local function loop(n) if n == 0 then return 'done' end return loop(n - 1) end return loop(200000)",
       "done"},
      {"local function f() return 1 + f() end return f()", "error: stack overflow"},
      {"local function f() return 1 + f() end pcall(f) local ok = pcall(f) return ok, 'usable'", "false, usable"},
      {"local t = setmetatable({}, {}) getmetatable(t).__index = function(t, k) return t[k] end return t.x",
       "error: C stack overflow"},
      {"local co = coroutine.create(function() return pcall(coroutine.yield, 1) end)\n"
       "return coroutine.resume(co)",
       "true, false, attempt to yield across metamethod/C-call boundary"},
      {"local co = coroutine.wrap(function(a) local b = coroutine.yield(a + 1) return b * 2 end)\n"
       "return co(1), co(10)",
       "2, 20"},
  });
}

TEST(VmCalls, ErrorsNameTheirVariableAndPosition) {
  ExpectCases({
      {"local x\nreturn x.y", "error: test:2: attempt to index local `x' (a nil value)"},
      {"return undefinedglobal()", "error: test:1: attempt to call global `undefinedglobal' (a nil value)"},
      {"local t = {}\nreturn t.a.b", "error: test:2: attempt to index field `a' (a nil value)"},
      {"local t = {}\nt:nomethod()", "error: test:2: attempt to call method `nomethod' (a nil value)"},
      {"return 1 < 'x'", "error: attempt to compare number with string"},
      {"return {} < {}", "error: attempt to compare two table values"},
      {"return true < false", "error: attempt to call a table value"},
      {"local s = 'a' return s + 1", "error: attempt to perform arithmetic on local `s' (a string value)"},
      {"for i = 1, 'x' do end", "error: `for' limit must be a number"},
      {"for i = 1, 2, {} do end", "error: attempt to perform arithmetic on a table value"},
      {"return (nil)()", "error: attempt to call a nil value"},
      {"error({code = 1})", "error: "},
  });
}

TEST(VmCalls, VarargsArriveInTheArgTable) {
  ExpectCases({
      {"local function f(a, ...) return a, arg.n, arg[1], arg[2] end return f(1, 2, nil)", "1, 2, 2, nil"},
      {"local function f(...) return arg.n end return f()", "0"},
      {"local function f(a, b) return b end return f(1)", "nil"},
      {"local function f(a) return a end return f(1, 2, 3)", "1"},
  });
}

namespace {

int gLines = 0;
int gCalls = 0;

void CountingHook(lua_State *L, lua_Debug *ar) {
  if (ar->event == LUA_HOOKLINE) gLines++;
  if (ar->event == LUA_HOOKCALL) gCalls++;
}

int gPanicked = 0;
std::string gPanicMessage;

int RecordPanic(lua_State *L) {
  gPanicked++;
  gPanicMessage = lua_tostring(L, -1) ? lua_tostring(L, -1) : "";
  return 0;
}

struct ExitRequested : std::runtime_error {
  int status;
  explicit ExitRequested(int s) : std::runtime_error("exit"), status(s) {}
};

void ThrowingExit(lua_State *, int status) { throw ExitRequested(status); }

}  // namespace

TEST(VmCalls, LineAndCallHooks) {
  luatest::State s;
  lua_State *L = s.get();
  gLines = gCalls = 0;
  lua_sethook(L, CountingHook, LUA_MASKLINE | LUA_MASKCALL, 0);
  EXPECT_EQ(lua_gethookmask(L), LUA_MASKLINE | LUA_MASKCALL);
  const char *src = "local a = 1\nlocal b = 2\nlocal function f() return a + b end\nreturn f()\n";
  ASSERT_EQ(luaL_loadbuffer(L, src, strlen(src), "=hooks"), 0);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 3);
  lua_pop(L, 1);
  lua_sethook(L, nullptr, 0, 0);
  EXPECT_GE(gLines, 4);
  EXPECT_GE(gCalls, 2);  // the chunk and f
  EXPECT_EQ(lua_gethook(L), nullptr);
}

TEST(VmCalls, UnprotectedErrorsGoToThePanicFunctionThenExit) {
  luatest::State s;
  lua_State *L = s.get();
  gPanicked = 0;
  lua_atpanic(L, RecordPanic);
  lua_ExitHook old = lua_setexithook(ThrowingExit);
  int status = -1;
  try {
    lua_pushstring(L, "boom");
    lua_error(L);
  } catch (const ExitRequested &e) {
    status = e.status;
  }
  lua_setexithook(old);
  EXPECT_EQ(gPanicked, 1);
  EXPECT_EQ(gPanicMessage, "boom");
  EXPECT_EQ(status, 1);
  lua_settop(L, 0);
}

TEST(VmCalls, ProtectedCallsOfNativeFunctions) {
  luatest::State s;
  lua_State *L = s.get();
  static int seen = 0;
  int value = 7;
  EXPECT_EQ(lua_cpcall(L, [](lua_State *L) -> int {
              seen = *static_cast<int *>(lua_touserdata(L, 1));
              return 0;
            }, &value),
            0);
  EXPECT_EQ(seen, 7);
  EXPECT_EQ(lua_cpcall(L, [](lua_State *L) -> int { return luaL_error(L, "failed %d", 3); }, nullptr), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(L, -1), "failed 3");
  lua_pop(L, 1);
  // an error handler sees the message and can replace it
  lua_pushcfunction(L, [](lua_State *L) -> int {
    lua_pushstring(L, "handled: ");
    lua_insert(L, 1);
    lua_concat(L, 2);
    return 1;
  });
  const char *src = "error('bad', 0)";
  ASSERT_EQ(luaL_loadbuffer(L, src, strlen(src), "=h"), 0);
  EXPECT_EQ(lua_pcall(L, 0, 0, 1), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(L, -1), "handled: bad");
  lua_settop(L, 0);
}

TEST(VmVerifier, RejectsDamagedCode) {
  luatest::State s;
  lua_State *L = s.get();
  const char *src =
      "local t = {} for i = 1, 3 do t[i] = i end\n"
      "local function g(x) return t[x] end\n"
      "if g(1) == 1 then return g(2) end return 0\n";
  ASSERT_EQ(luaL_loadbuffer(L, src, strlen(src), "=v"), 0);
  Proto *p = clvalue(L->top - 1)->l.p;
  ASSERT_NE(luaG_checkcode(p), 0);
  struct Damage {
    const char *what;
    void (*apply)(Instruction &);
  };
  const Damage damages[] = {
      {"register beyond the frame", [](Instruction &i) { SETARG_A(i, MAXARG_A); }},
      {"opcode 39", [](Instruction &i) { SET_OPCODE(i, 39); }},
      {"opcode 63", [](Instruction &i) { SET_OPCODE(i, 63); }},
  };
  for (const Damage &d : damages) {
    for (int pc = 0; pc < p->sizecode - 1; pc++) {
      SCOPED_TRACE(std::string(d.what) + " at " + std::to_string(pc));
      Instruction saved = p->code[pc];
      d.apply(p->code[pc]);
      EXPECT_EQ(luaG_checkcode(p), 0);
      p->code[pc] = saved;
    }
  }
  // a jump out of the code, a missing final return, a constant index beyond the table
  for (int pc = 0; pc < p->sizecode; pc++) {
    Instruction saved = p->code[pc];
    if (GET_OPCODE(saved) == OP_JMP) {
      SETARG_sBx(p->code[pc], p->sizecode + 5);
      EXPECT_EQ(luaG_checkcode(p), 0) << pc;
    }
    if (GET_OPCODE(saved) == OP_LOADK || GET_OPCODE(saved) == OP_GETGLOBAL) {
      SETARG_Bx(p->code[pc], p->sizek);
      EXPECT_EQ(luaG_checkcode(p), 0) << pc;
    }
    p->code[pc] = saved;
  }
  Instruction last = p->code[p->sizecode - 1];
  SET_OPCODE(p->code[p->sizecode - 1], OP_JMP);
  EXPECT_EQ(luaG_checkcode(p), 0);
  p->code[p->sizecode - 1] = last;
  ASSERT_NE(luaG_checkcode(p), 0);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 2);
  lua_settop(L, 0);
}

TEST(VmCalls, NativeExceptionsStopAtTheProtectedCall) {
  luatest::State s;
  lua_State *L = s.get();
  lua_pushcfunction(L, [](lua_State *) -> int { throw std::runtime_error("disk on fire"); });
  EXPECT_EQ(lua_pcall(L, 0, 0, 0), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(L, -1), "native exception: disk on fire");
  lua_pop(L, 1);
  lua_pushcfunction(L, [](lua_State *) -> int { throw std::bad_alloc(); });
  EXPECT_EQ(lua_pcall(L, 0, 0, 0), LUA_ERRMEM);
  EXPECT_STREQ(lua_tostring(L, -1), "not enough memory");
  lua_settop(L, 0);
}

TEST(VmCalls, DeepChainsOfResumesStopWithAnError) {
  ExpectCases({
      {"local function nest(n)\n"
       "  local co = coroutine.create(function() return nest(n + 1) end)\n"
       "  local ok, r = coroutine.resume(co)\n"
       "  if not ok then return r end\n"
       "  return r\n"
       "end\n"
       "return nest(1)",
       "C stack overflow"},
  });
}

namespace {
void InterruptHook(lua_State *L, lua_Debug *) {
  lua_sethook(L, nullptr, 0, 0);
  luaL_error(L, "interrupted");
}
}  // namespace

TEST(VmCalls, AnErrorAtAnyInstructionLeavesAUsableState) {
  // a hook raises an error after n instructions, for every n until the program completes
  const char *program =
      "local t = setmetatable({}, {__index = function(t, k) return k * 2 end})\n"
      "local s = 0\n"
      "for i = 1, 20 do s = s + t[i] end\n"
      "local co = coroutine.wrap(function(a) while true do a = coroutine.yield(a + 1) end end)\n"
      "for i = 1, 5 do s = s + co(i) end\n"
      "local ok = pcall(function() error('inner') end)\n"
      "local parts = {} for k, v in pairs({a = 1, b = 2}) do parts[k] = v end\n"
      "return s .. '|' .. tostring(ok) .. '|' .. (L\"w\" .. 1 == L\"w1\" and 'w' or '?')";
  bool completed = false;
  for (int n = 1; !completed; n++) {
    SCOPED_TRACE(n);
    luatest::State s;
    lua_State *L = s.get();
    ASSERT_EQ(luaL_loadbuffer(L, program, strlen(program), "=p"), 0);
    lua_sethook(L, InterruptHook, LUA_MASKCOUNT, n);
    int status = lua_pcall(L, 0, 1, 0);
    lua_sethook(L, nullptr, 0, 0);
    if (status == 0) {
      completed = true;
      EXPECT_STREQ(lua_tostring(L, -1), "440|false|w");
    }
    else {
      EXPECT_EQ(status, LUA_ERRRUN);
      EXPECT_NE(std::string(lua_tostring(L, -1)).find("interrupted"), std::string::npos);
    }
    lua_settop(L, 0);
    // the state keeps working after the interruption
    EXPECT_EQ(luatest::Summary(luatest::RunIn(L, "local x = {} for i = 1, 3 do x[i] = i end return table.getn(x)")),
              "3");
    ASSERT_LT(n, 100000);
  }
}

TEST(VmVerifier, ChecksTheUpvalueListOfAClosure) {
  luatest::State s;
  lua_State *L = s.get();
  const char *src = "local a = 1 local function g() local b = a return function() return a + b end end return g()()";
  ASSERT_EQ(luaL_loadbuffer(L, src, strlen(src), "=v"), 0);
  Proto *main = clvalue(L->top - 1)->l.p;
  ASSERT_NE(luaG_checkcode(main), 0);
  ASSERT_GE(main->sizep, 1);
  Proto *g = main->p[0];
  int checked = 0;
  for (Proto *p : {main, g}) {
    for (int pc = 0; pc < p->sizecode; pc++) {
      if (GET_OPCODE(p->code[pc]) != OP_CLOSURE) continue;
      Proto *inner = p->p[GETARG_Bx(p->code[pc])];
      for (int u = 1; u <= inner->nups; u++) {
        Instruction &pseudo = p->code[pc + u];
        Instruction saved = pseudo;
        if (GET_OPCODE(pseudo) == OP_MOVE)
          SETARG_B(pseudo, p->maxstacksize);  // a register outside the frame
        else
          SETARG_B(pseudo, p->nups);  // an upvalue the enclosing function does not have
        EXPECT_EQ(luaG_checkcode(main), 0) << "pc " << pc << " upvalue " << u;
        SET_OPCODE(pseudo, OP_LOADK);  // neither MOVE nor GETUPVAL
        EXPECT_EQ(luaG_checkcode(main), 0) << "pc " << pc << " upvalue " << u;
        pseudo = saved;
        checked++;
      }
    }
  }
  EXPECT_GE(checked, 3);
  ASSERT_NE(luaG_checkcode(main), 0);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 2);
  lua_settop(L, 0);
}

namespace {
int AppendChunk(lua_State *, const void *p, size_t sz, void *ud) {
  static_cast<std::string *>(ud)->append(static_cast<const char *>(p), sz);
  return 0;
}
int gBudgetTicks = 0;
void SpendBudget(lua_State *L, lua_Debug *) {
  if (++gBudgetTicks > 100) luaL_error(L, "budget spent");
}
}  // namespace

TEST(VmVerifier, DamagedPrecompiledChunksFailOrRunSafely) {
  // bytes of a precompiled chunk changed at random: loading refuses it or the code runs (under an
  // instruction budget) without touching memory it does not own
  const char *src =
      "local t = {} for i = 1, 10 do t[i] = function(x) return x * i end end\n"
      "local s = 0 for k, v in pairs(t) do s = s + v(k) end\n"
      "local co = coroutine.wrap(function(a) while true do a = coroutine.yield(a .. 'x') end end)\n"
      "local m = setmetatable({}, {__index = function(t, k) return k end})\n"
      "return s, co('a'), m.q, L\"w\" .. 1, 5 & 3, {1, 2, 3}\n";
  std::string chunk;
  {
    luatest::State s;
    ASSERT_EQ(luaL_loadbuffer(s.get(), src, strlen(src), "=src"), 0);
    ASSERT_EQ(lua_dump(s.get(), AppendChunk, &chunk), 1);
  }
  ASSERT_GT(chunk.size(), 100u);
  uint32_t seed = 12345;
  auto next = [&seed]() { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  int loaded = 0;
  for (int it = 0; it < 2000; it++) {
    std::string damaged = chunk;
    for (int f = 1 + next() % 4; f > 0; f--) damaged[12 + next() % (damaged.size() - 12)] = static_cast<char>(next());
    luatest::State s;
    lua_State *L = s.get();
    if (luaL_loadbuffer(L, damaged.data(), damaged.size(), "=damaged") != 0) continue;
    loaded++;
    gBudgetTicks = 0;
    lua_sethook(L, SpendBudget, LUA_MASKCOUNT, 100);
    lua_pcall(L, 0, 0, 0);
    lua_sethook(L, nullptr, 0, 0);
  }
  EXPECT_GT(loaded, 100) << "most damage lands in constants and debug information";
}
