// Compiled programs run end to end: every statement and expression form of the language, the
// bitwise operators with their priorities, `continue', numbered `break'/`continue' (including the
// closing of captured locals), table size hints and wide literals.
#include <gtest/gtest.h>

#include <string>

#include "compiler_cases.h"

namespace {

using compilertest::ChunkCase;
using compilertest::ChunkRuns;
using compilertest::Outcome;

INSTANTIATE_TEST_SUITE_P(
    BitwiseOperators, ChunkRuns,
    ::testing::Values(
        ChunkCase{"return 5 & 3, 5 | 3, 1 << 4, 1 << 36, -1 >> 28", "1, 7, 16, 16, 15"},
        ChunkCase{"return -1 & 0xFFFFFFFF, 2.9 & 3, -2.9 | 0, 1 << 31, 0x80000000 >> 31",
             "4294967295, 2, 4294967294, 2147483648, 1"},
        ChunkCase{"return 2 ^ 3, 6 ^ 6, 0xFF ^ 0x0F", "1, 0, 240"},
        // priorities: above * and +, below ^; unary minus binds as tightly
        ChunkCase{"return 1 << 2 + 1, 2 + 1 << 2", "5, 6"},
        ChunkCase{"return 2 * 3 & 1, (2 * 3) & 1", "2, 0"},
        ChunkCase{"return -1 & 7, -(1 & 7)", "7, -1"},
        ChunkCase{"return 1 & 3 ^ 2, (1 & 3) ^ 2", "1, 3"},
        ChunkCase{"return 1 & 3 == 1, 4 | 1 > 4", "true, true"},
        // left grouping
        ChunkCase{"return 1 << 2 << 3, 256 >> 2 >> 1, 12 & 10 | 1", "32, 32, 9"},
        ChunkCase{"return '1' .. 2 << 1, 1 + 2 .. 3", "14, 33"},
        ChunkCase{"local a, b = 12, 10 return a & b, a | b, a << b, a >> 1, a ^ b", "8, 14, 12288, 6, 6"},
        ChunkCase{"local t = {5} return t[1] & 4, t[1] | t[1] << 1", "4, 10"}));

INSTANTIATE_TEST_SUITE_P(
    Continue, ChunkRuns,
    ::testing::Values(
        ChunkCase{"local s = '' for i = 1, 3 do if i == 2 then continue end s = s .. i end return s", "13"},
        // in while the condition is tested again
        ChunkCase{"local i, s = 0, '' while i < 5 do i = i + 1 if i == 3 then continue end s = s .. i end "
             "return s, i",
             "1245, 5"},
        // in repeat the `until' condition is evaluated
        ChunkCase{"local i, s = 0, '' repeat i = i + 1 if i == 2 then continue end s = s .. i until i >= 4 "
             "return s",
             "134"},
        ChunkCase{"local i = 0 repeat i = i + 1 if i >= 3 then continue end until i >= 3 return i", "3"},
        ChunkCase{"local s = '' for k, v in ipairs({1, 2, 3, 4}) do if v == 2 or v == 3 then continue end "
             "s = s .. k .. v end return s",
             "1144"},
        ChunkCase{"local s = '' for i = 3, 1, -1 do if i == 2 then continue 1 end s = s .. i end return s",
             "31"},
        ChunkCase{"local n = 0 while true do n = n + 1 if n < 10 then continue end break end return n", "10"},
        // the condition runs once per round, `continue' included
        ChunkCase{"local n = 0 local function c() n = n + 1 return n < 4 end while c() do continue end "
             "return n",
             "4"},
        ChunkCase{"local n = 0 while n < 3 and true do n = n + 1 continue end return n", "3"},
        ChunkCase{"local s = '' for i = 1, 3 do for j = 1, 3 do if j == 2 then continue 2 end s = s .. i .. j "
             "end s = s .. '|' end return s",
             "112131"},
        ChunkCase{"local s, i = '', 0 while i < 3 do i = i + 1 for j = 1, 3 do if j > i then continue 2 end "
             "s = s .. j end end return s",
             "112123"}));

INSTANTIATE_TEST_SUITE_P(
    NumberedBreak, ChunkRuns,
    ::testing::Values(
        ChunkCase{"local s = '' for i = 1, 3 do for j = 1, 3 do s = s .. i .. j if j == 2 then break 2 end "
             "end end return s",
             "1112"},
        ChunkCase{"local n = 0 for i = 1, 3 do for j = 1, 3 do break 2 end n = n + 1 end return n", "0"},
        ChunkCase{"local n = 0 while true do repeat for k, v in pairs({1}) do n = n + 1 break 3 end until "
             "false end return n",
             "1"},
        ChunkCase{"local s = '' for i = 1, 2 do while true do s = s .. i break 1 end end return s", "12"},
        ChunkCase{"local s = '' for i = 1, 2 do do do s = s .. i break end end s = s .. 'x' end return s",
             "1"}));

INSTANTIATE_TEST_SUITE_P(
    CapturedLoopLocals, ChunkRuns,
    ::testing::Values(
        // each round's local must be closed when `continue'/`break' leave it
        ChunkCase{"local fs = {} for i = 1, 3 do local j = i fs[i] = function() return j end "
             "if i < 3 then continue end end return fs[1](), fs[2](), fs[3]()",
             "1, 2, 3"},
        ChunkCase{"local fs, n = {}, 0 while n < 3 do n = n + 1 local j = n * 10 fs[n] = function() return j "
             "end if n < 3 then continue end end return fs[1](), fs[2](), fs[3]()",
             "10, 20, 30"},
        ChunkCase{"local fs, n = {}, 0 repeat n = n + 1 local j = n fs[n] = function() return j end "
             "if n < 3 then continue end until n == 3 return fs[1](), fs[2](), fs[3]()",
             "1, 2, 3"},
        ChunkCase{"local fs = {} for i = 1, 2 do for j = 1, 2 do local k = i * 10 + j "
             "fs[table.getn(fs) + 1] = function() return k end continue 2 end end "
             "return fs[1](), fs[2]()",
             "11, 21"},
        ChunkCase{"local fs = {} for i = 1, 2 do for j = 1, 2 do local k = i * 10 + j "
             "fs[table.getn(fs) + 1] = function() k = k + 1 return k end break 2 end end "
             "local a = fs[1]() return a, fs[1](), table.getn(fs)",
             "12, 13, 1"},
        // the loop's own variables stay open across `continue'
        ChunkCase{"local n = 0 for i = 1, 3 do local f = function() return i end if i < 3 then continue end "
             "n = f() end return n",
             "3"}));

INSTANTIATE_TEST_SUITE_P(
    Statements, ChunkRuns,
    ::testing::Values(
        ChunkCase{"local a, b, c = 1, 2 return a, b, c", "1, 2, nil"},
        ChunkCase{"local a, b = 1, 2 a, b = b, a return a, b", "2, 1"},
        ChunkCase{"local t, i = {}, 1 i, t[i] = i + 1, 20 return i, t[1], t[2]", "2, 20, nil"},
        ChunkCase{"local t = {} t.a, t.b, t.c = (function() return 1, 2, 3 end)() return t.a, t.b, t.c",
             "1, 2, 3"},
        ChunkCase{"local a, b = 1 a, b = 3, 4, 5 return a, b", "3, 4"},
        ChunkCase{"x = 1 do local x = 2 end return x", "1"},
        ChunkCase{"local x = 1 do local x = 2 x = 3 end return x", "1"},
        ChunkCase{"if nil then return 1 elseif false then return 2 elseif 0 then return 3 else return 4 end",
             "3"},
        ChunkCase{"if false then return 1 else return 2 end", "2"},
        ChunkCase{"local s = '' for i = 10, 1, -3 do s = s .. i .. ',' end return s", "10,7,4,1,"},
        ChunkCase{"local s = '' for i = 1, 2, 0.5 do s = s .. i .. ' ' end return s", "1 1.5 2 "},
        ChunkCase{"local n = 0 for i = 1, 0 do n = n + 1 end return n", "0"},
        ChunkCase{"local i = 10 for i = 1, 2 do end return i", "10"},
        ChunkCase{"local t = {} for k, v in pairs({a = 1, b = 2}) do t[v] = k end return t[1], t[2]", "a, b"},
        ChunkCase{"local function iter(s, c) if c < s then return c + 1, c * 2 end end "
             "local r = '' for a, b in iter, 3, 0 do r = r .. a .. b end return r",
             "102234"},
        ChunkCase{"local n = 0 repeat n = n + 1 until n == 4 return n", "4"},
        // surplus expressions after `in' are evaluated and dropped; the body's locals stay right
        ChunkCase{"for k in next, {1}, nil, 99 do local x = 5 return x, k end", "5, 1"},
        ChunkCase{"local n = 0 local function f() n = n + 1 end "
                  "for k, v in next, {7}, nil, f(), f() do local x, y = 5, 6 return x, y, k, v, n end",
                  "5, 6, 1, 7, 2"},
        // in this language the `until' expression does not see the body's locals
        ChunkCase{"x = 1 local n = 0 repeat local x = 2 n = n + 1 until x == 1 or n > 3 return n", "1"},
        ChunkCase{"local n = 0 while n < 5 do n = n + 1 if n == 3 then break end end return n", "3"},
        ChunkCase{"local a = 1; local b = 2; return a + b;", "3"},
        ChunkCase{"local n = 0 while false do n = n + 1 end while nil do n = n + 1 end return n", "0"},
        ChunkCase{"local n = 0 while true do n = n + 1 break end repeat n = n + 1 until true return n", "2"},
        ChunkCase{"local a = 1 local b, c local d return a, b, c, d", "1, nil, nil, nil"},
        ChunkCase{"local a, b = 1, 2 local c, d = a return c, d", "1, nil"},
        ChunkCase{"t = {} t[1], t[2] = 1 return t[1], t[2]", "1, nil"},
        ChunkCase{"local s = '' for a, b, c, d in function(_, i) if not i or i < 2 then return (i or 0) + 1, "
             "'b', 'c', 'd' end end do s = s .. a .. b .. c .. d end return s",
             "1bcd2bcd"},
        ChunkCase{"return", ""},
        ChunkCase{"do return 1 end return 2", "1"}));

INSTANTIATE_TEST_SUITE_P(
    Functions, ChunkRuns,
    ::testing::Values(
        ChunkCase{"local function f(...) return arg.n, arg[1], arg[2] end return f(7, 8)", "2, 7, 8"},
        ChunkCase{"local function f(a, ...) return a, arg.n end return f(1), f(1, 2, 3)", "1, 1, 2"},
        ChunkCase{"local o = {v = 3} function o:get(x) return self.v + x end return o:get(4), o.get(o, 1)",
             "7, 4"},
        ChunkCase{"a = {b = {}} function a.b.c(x) return x * 2 end function a.b:d() return self == a.b end "
             "return a.b.c(4), a.b:d()",
             "8, true"},
        ChunkCase{"local function f(s) return s .. '!' end return f'x', f\"y\", f[[z]]", "x!, y!, z!"},
        ChunkCase{"local function f(t) return t[2] end return f{1, 2}", "2"},
        ChunkCase{"local function f() return 1, 2, 3 end return f()", "1, 2, 3"},
        ChunkCase{"local function f() return 1, 2, 3 end return (f())", "1"},
        ChunkCase{"local function f() return 1, 2, 3 end return f(), 10", "1, 10"},
        ChunkCase{"local function f() return 1, 2, 3 end local t = {f(), f()} return table.getn(t)", "4"},
        ChunkCase{"local function f() return 1, 2, 3 end local t = {f(), (f())} return table.getn(t)", "2"},
        ChunkCase{"local function fact(n) if n <= 1 then return 1 end return n * fact(n - 1) end "
             "return fact(10)",
             "3628800"},
        ChunkCase{"local function loop(n) if n == 0 then return 'done' end return loop(n - 1) end "
             "return loop(100000)",
             "done"},
        ChunkCase{"local x = 1 local function f() return function() x = x + 1 return x end end "
             "local g = f() g() return g(), x",
             "3, 3"},
        ChunkCase{"local function counter() local c = 0 return function() c = c + 1 return c end end "
             "local a, b = counter(), counter() a() a() return a(), b()",
             "3, 1"},
        ChunkCase{"local a = {} local x = 5 function a.f() return x end x = 6 return a.f()", "6"},
        ChunkCase{"return (function(a, b) return a .. b end)('p', 'q')", "pq"}));

INSTANTIATE_TEST_SUITE_P(
    Expressions, ChunkRuns,
    ::testing::Values(
        ChunkCase{"return nil or 'a', false and 1, 1 and 2, nil and nil or 3", "a, false, 2, 3"},
        ChunkCase{"return not nil, not 1, not not false", "true, false, false"},
        ChunkCase{"local x if not x then x = 1 end if not (x == 1) then x = 2 end return x, not (1 == 2)",
             "1, true"},
        ChunkCase{"local b = 1 < 2 local c = 'a' == 'b' return b, c, (1 < 2) and 'y'", "true, false, y"},
        ChunkCase{"local a, b = nil, 2 local x = a and 1 or b and 3 or 4 return x", "3"},
        ChunkCase{"local a, b = 1, nil return a and b, a or b, b or a, b and a", "nil, 1, 1, nil"},
        ChunkCase{"local x = 3 return x > 2 and 'big' or 'small', x > 5 and 'big' or 'small'", "big, small"},
        ChunkCase{"return 1 < 2, 2 <= 1, 'a' < 'b', 1 == 1, 1 ~= 1, 3 > 2, 3 >= 4",
             "true, false, true, true, false, true, false"},
        ChunkCase{"local a, b = 1, 2 return (a < b) == true, not (a < b), a == b or a < b", "true, false, true"},
        ChunkCase{"return 1 .. 2 .. 3, 'a' .. 'b' .. 'c' .. 'd'", "123, abcd"},
        ChunkCase{"return 2 + 3 * 4, (2 + 3) * 4, 10 - 4 - 3, 2 * 3 / 4", "14, 20, 3, 1.5"},
        ChunkCase{"return -2 + 3, - -2, -(2)", "1, 2, -2"},
        ChunkCase{"local t = {1, 2, 3; n = 4, [10] = 5, ['k'] = 6,} return t[1], t[3], t.n, t[10], t.k",
             "1, 3, 4, 5, 6"},
        ChunkCase{"local t = {[1] = 'a'; 'b'} return t[1]", "b"},
        ChunkCase{"local t = {{1}, {2, {3}}} return t[2][2][1]", "3"},
        ChunkCase{"local t = {} t.a = {} t.a['b'] = {c = 1} t.a.b.d = 2 return t.a.b.c + t['a'].b.d", "3"},
        ChunkCase{"local x = 'k' local t = {[x .. '1'] = 1, x = 2} return t.k1, t.x", "1, 2"},
        ChunkCase{"local t = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, "
             "24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40} "
             "return table.getn(t), t[32], t[33], t[40]",
             "40, 32, 33, 40"},
        ChunkCase{"local function f() return 7, 8 end local t = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, "
             "15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, f()} "
             "return table.getn(t), t[33], t[34]",
             "34, 7, 8"},
        ChunkCase{"local t = { & 16 & 4; 1, 2, x = 3 } return t[1], t[2], t.x", "1, 2, 3"},
        ChunkCase{"local t = { & 0 & 100 } t[100] = 1 return t[100], t[1]", "1, nil"},
        ChunkCase{"local t = { & 2 } return next(t)", "nil"},
        ChunkCase{"return L\"ab\" == L\"ab\", L\"ab\" ~= \"ab\", type(L\"\")", "true, true, wstring"},
        ChunkCase{"local t = {[L\"k\"] = 1, k = 2} return t[L\"k\"], t.k", "1, 2"},
        ChunkCase{"local w = L\"x\" return (w)", "L\"x\""}));

// Run-time messages name variables from the compiler's debug information: local ranges and the
// code shapes for fields, globals and methods.
INSTANTIATE_TEST_SUITE_P(
    VariableNamesInErrors, ChunkRuns,
    ::testing::Values(
        ChunkCase{"local x return x.y", "error: test:1: attempt to index local `x' (a nil value)"},
        ChunkCase{"return y.z", "error: test:1: attempt to index global `y' (a nil value)"},
        ChunkCase{"local t = {} return t.a.b", "error: test:1: attempt to index field `a' (a nil value)"},
        ChunkCase{"local t = {} t:nosuch()",
                  "error: test:1: attempt to call method `nosuch' (a nil value)"},
        ChunkCase{"for i = 1, 2 do local q q.x = 1 end",
                  "error: test:1: attempt to index local `q' (a nil value)"},
        ChunkCase{"local function f(p, ...) return arg.n + p.x end return f()",
                  "error: test:1: attempt to index local `p' (a nil value)"},
        // the register of a dead local is reused under the new name
        ChunkCase{"do local z = 1 end local w return w.k",
                  "error: test:1: attempt to index local `w' (a nil value)"}));

TEST(ProgramsLines, RuntimeErrorsCarryTheSourceLine) {
  EXPECT_EQ(Outcome("local x = 1\n\nerror('boom')"), "error: test:3: boom");
  EXPECT_EQ(Outcome("local t = {}\nfor i = 1, 2 do\n  if i == 2 then\n    error('in loop')\n  end\n"
                        "end"),
            "error: test:4: in loop");
}

// Chunks large enough that constants fall outside the operand range of an instruction and go
// through registers instead.
TEST(ProgramsScale, ManyConstantsKeysAndBranches) {
  std::string sum = "local s = 0 ";
  for (int i = 1; i <= 300; i++) sum += "s = s + " + std::to_string(i) + ".5 ";
  EXPECT_EQ(Outcome(sum + "return s"), "45300");

  std::string keys = "local t = {} ";
  for (int i = 1; i <= 300; i++) keys += "t.k" + std::to_string(i) + " = " + std::to_string(i) + " ";
  keys += "local n = 0 for k, v in pairs(t) do n = n + v end return n, t.k1, t.k300";
  EXPECT_EQ(Outcome(keys), "45150, 1, 300");

  std::string chain = "local x, r = 250 ";
  for (int i = 1; i <= 300; i++)
    chain += (i == 1 ? "if" : "elseif") + std::string(" x == ") + std::to_string(i) + " then r = 'v" +
             std::to_string(i) + "' ";
  chain += "else r = 'none' end return r";
  EXPECT_EQ(Outcome(chain), "v250");

  std::string ctor = "local t = {";
  for (int i = 1; i <= 300; i++) ctor += "'s" + std::to_string(i) + "', ";
  ctor += "} return table.getn(t), t[1], t[300]";
  EXPECT_EQ(Outcome(ctor), "300, s1, s300");
}

TEST(ProgramsLines, DeepButLegalNestingCompilesAndRuns) {
  std::string src = "local n = 0 ";
  for (int i = 0; i < 60; i++) src += "for i" + std::to_string(i) + " = 1, 1 do ";
  src += "n = n + 1 ";
  for (int i = 0; i < 60; i++) src += "end ";
  src += "return n";
  EXPECT_EQ(Outcome(src), "1");
}

TEST(ProgramsPrint, PrintWritesThroughTheRunner) {
  luatest::RunResult r = luatest::Run("for i = 1, 3 do if i == 2 then continue end print(i) end");
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.output, "1\n3\n");
}

}  // namespace
