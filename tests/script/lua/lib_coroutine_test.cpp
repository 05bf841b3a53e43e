// Coroutines: passing values through resume and yield, status, wrap, errors inside and
// around coroutines, and many live coroutines across collections.
#include <gtest/gtest.h>

#include "lua_runner.h"

using luatest::Case;
using luatest::ExpectCases;

TEST(LuaCoroutines, ValuesFlowThroughResumeAndYield) {
  ExpectCases({
      {"local co = coroutine.create(function(a, b)\n"
       "  local c = coroutine.yield(a + b)\n"
       "  local d, e = coroutine.yield(c * 2)\n"
       "  return d + e\n"
       "end)\n"
       "local r = {}\n"
       "local function put(...) for i = 1, arg.n do table.insert(r, tostring(arg[i])) end end\n"
       "put(coroutine.resume(co, 1, 2)) put(coroutine.resume(co, 10)) put(coroutine.resume(co, 3, 4))\n"
       "put(coroutine.resume(co))\n"
       "return table.concat(r, ' ')",
       "true 3 true 20 true 7 false cannot resume dead coroutine"},
      {"local co = coroutine.create(function() coroutine.yield() end) return coroutine.resume(co)", "true"},
      {"local co = coroutine.create(function(...) return arg.n end) return coroutine.resume(co, 1, nil, 3)",
       "true, 3"},
      {"local gen = coroutine.wrap(function() for i = 1, 3 do coroutine.yield(i) end end)\n"
       "return gen(), gen(), gen()",
       "1, 2, 3"},
  });
}

TEST(LuaCoroutines, Status) {
  ExpectCases({
      {"local co = coroutine.create(function() coroutine.yield() end)\n"
       "local s1 = coroutine.status(co) coroutine.resume(co) local s2 = coroutine.status(co)\n"
       "coroutine.resume(co) return s1, s2, coroutine.status(co)",
       "suspended, suspended, dead"},
      {"local co co = coroutine.create(function() return coroutine.status(co) end) return coroutine.resume(co)",
       "true, running"},
      {"local co = coroutine.create(function() error('x') end) coroutine.resume(co) return coroutine.status(co)",
       "dead"},
      {"return coroutine.status(1)", "error: bad argument #1 to `status' (coroutine expected)"},
  });
}

TEST(LuaCoroutines, Errors) {
  ExpectCases({
      {"local co = coroutine.create(function() error('oops') end) return coroutine.resume(co)",
       "false, test:1: oops"},
      {"local co = coroutine.create(function() error({}) end) local ok, e = coroutine.resume(co) return ok, type(e)",
       "false, table"},
      {"local f = coroutine.wrap(function() error('oops') end) f()", "error: test:1: test:1: oops"},
      {"local f = coroutine.wrap(function() error({code = 1}) end) local ok, e = pcall(f) return e.code", "1"},
      {"local f = coroutine.wrap(function() end) f() f()", "error: cannot resume dead coroutine"},
      {"local co co = coroutine.create(function() return coroutine.resume(co) end) return coroutine.resume(co)",
       "true, false, cannot resume non-suspended coroutine"},
      {"local co = coroutine.create(function() return pcall(coroutine.yield, 1) end) return coroutine.resume(co)",
       "true, false, attempt to yield across metamethod/C-call boundary"},
      {"coroutine.yield(1)", "error: attempt to yield across metamethod/C-call boundary"},
      {"coroutine.create(print)", "error: bad argument #1 to `create' (Lua function expected)"},
      {"coroutine.resume(1)", "error: bad argument #1 to `resume' (coroutine expected)"},
      {"coroutine.wrap(5)", "error: bad argument #1 to `wrap' (Lua function expected)"},
  });
}

TEST(LuaCoroutines, ManyLiveCoroutinesSurviveCollections) {
  ExpectCases({
      {"local cos = {}\n"
       "for i = 1, 100 do cos[i] = coroutine.create(function(x) local y = coroutine.yield(x * 2) return x + y end) end\n"
       "local sum = 0\n"
       "for i = 1, 100 do local ok, v = coroutine.resume(cos[i], i) sum = sum + v end\n"
       "collectgarbage()\n"
       "for i = 1, 100 do local ok, v = coroutine.resume(cos[i], 1) sum = sum + v end\n"
       "cos = nil collectgarbage()\n"
       "return sum",
       "15250"},
      {"local function gen(n) return coroutine.wrap(function() for i = 1, n do coroutine.yield(i) end end) end\n"
       "local total = 0 for i = 1, 50 do local g = gen(3) total = total + g() end collectgarbage() return total",
       "50"},
      {"local inner = coroutine.wrap(function() coroutine.yield('in1') coroutine.yield('in2') end)\n"
       "local outer = coroutine.wrap(function() coroutine.yield(inner()) coroutine.yield(inner()) end)\n"
       "return outer(), outer()",
       "in1, in2"},
  });
}
