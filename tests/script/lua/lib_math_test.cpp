// Math library: the classic function set, random ranges and errors, and the global __pow.
#include <gtest/gtest.h>

#include "lua_runner.h"

using luatest::Case;
using luatest::ExpectCases;

TEST(LuaMathLib, Functions) {
  ExpectCases({
      {"return math.floor(3.7), math.ceil(3.2), math.abs(-4), math.floor(-3.5)", "3, 4, 4, -4"},
      {"return math.mod(7, 3), math.mod(-7, 3), math.mod(7, -3), math.mod(5.5, 2)", "1, -1, 1, 1.5"},
      {"return math.sqrt(16), math.pow(2, 10), math.exp(0), math.log(1), math.log10(1000)",
       "4, 1024, 1, 0, 3"},
      {"return math.max(1, 5, 3), math.min(4, -2, 8), math.max(2)", "5, -2, 2"},
      {"local m, e = math.frexp(8) return m, e, math.ldexp(0.5, 4)", "0.5, 4, 8"},
      {"return math.deg(math.pi), math.rad(180) == math.pi, math.pi", "180, true, 3.1415926535898"},
      {"return math.sin(0), math.cos(0), math.floor(math.sin(math.pi / 2) + 0.5)", "0, 1, 1"},
      {"return math.atan2(1, 1) == math.pi / 4, math.asin(1) * 2 == math.pi, math.acos(1), math.atan(0)",
       "true, true, 0, 0"},
      {"return math.tan(0)", "0"},
      {"return math.max()", "error: bad argument #1 to `max' (number expected, got no value)"},
      {"return math.floor('x')", "error: bad argument #1 to `floor' (number expected, got string)"},
      {"return math.floor('2.5')", "2"},
  });
}

TEST(LuaMathLib, Random) {
  ExpectCases({
      {"math.randomseed(42) for i = 1, 200 do local r = math.random(3, 7)\n"
       " if r < 3 or r > 7 or math.floor(r) ~= r then return 'bad ' .. r end end return 'ok'",
       "ok"},
      {"for i = 1, 100 do local r = math.random(4) if r < 1 or r > 4 then return r end end return 'ok'", "ok"},
      {"for i = 1, 100 do local r = math.random() if r < 0 or r >= 1 then return r end end return 'ok'", "ok"},
      {"math.randomseed(5) local a = math.random(1000) math.randomseed(5) return a == math.random(1000)", "true"},
      {"return math.random(0)", "error: bad argument #1 to `random' (interval is empty)"},
      {"return math.random(5, 1)", "error: bad argument #2 to `random' (interval is empty)"},
      {"return math.random(1, 2, 3)", "error: wrong number of arguments"},
      {"local r = math.random(-2147483648, 2147483647) return r >= -2147483648 and r <= 2147483647", "true"},
  });
}

TEST(LuaMathLib, GlobalPowIsThePowerFunction) {
  ExpectCases({
      {"return __pow == math.pow, __pow(2, 10)", "true, 1024"},
      {"return '2' ^ 10, 2 ^ '10'", "1024, 1024"},
  });
}
