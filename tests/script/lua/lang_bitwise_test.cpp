// The bitwise operators and `^' as exclusive or between numbers; `^' with other operands goes
// to the global __pow function.
#include <gtest/gtest.h>

#include <cstring>

#include "lua_runner.h"
#include "script/lua/lauxlib.h"
#include "script/lua/ldebug.h"
#include "script/lua/lobject.h"
#include "script/lua/lopcodes.h"
#include "script/lua/lstate.h"

using luatest::Case;
using luatest::ExpectCases;

TEST(LuaBitwise, OperatorsWorkOnThe32LowBitsOfTruncatedIntegers) {
  ExpectCases({
      {"return 5 & 3, 5 | 3", "1, 7"},
      {"return 1 << 4, 1 << 36, 1 << 31", "16, 16, 2147483648"},
      {"return -1 >> 28, -1 >> 0, 8 >> 33", "15, 4294967295, 4"},
      {"return -1 & 0xFFFFFFFF", "4294967295"},
      {"return 2.9 & 3, -2.9 | 0", "2, 4294967294"},
      {"return 4294967297 & 3, (4294967296 + 5) | 0", "1, 5"},
      {"return 1 << -1", "2147483648"},
      {"local a, b = 12, 10 return a & b, a | b, a << 1, a >> 2", "8, 14, 24, 3"},
  });
}

TEST(LuaBitwise, CaretIsExclusiveOrBetweenNumbers) {
  ExpectCases({
      {"return 2 ^ 3", "1"},
      {"return 5 ^ 5, 0 ^ 0", "0, 0"},
      {"return (-1) ^ 0, -1 ^ 0", "4294967295, -1"},
      {"local x = 6 return x ^ 3", "5"},
  });
}

TEST(LuaBitwise, CaretWithConvertibleStringsCallsTheGlobalPowFunction) {
  ExpectCases({
      {"return \"2\" ^ 3", "8"},
      {"return 2 ^ \"3\"", "8"},
      {"function __pow(a, b) return type(a) .. a .. type(b) .. b end return \"2\" ^ 3",
       "number2number3"},
      {"__pow = nil return \"2\" ^ 3", "error: `__pow' (`^' operator) is not a function"},
      {"__pow = 5 return 2 ^ \"x\"", "error: attempt to perform arithmetic on a string value"},
      {"local t = setmetatable({}, {__pow = function() return 'meta' end}) return t ^ 1", "meta"},
      {"return {} ^ 1", "error: attempt to perform arithmetic on a table value"},
  });
}

TEST(LuaBitwise, NonNumbersRaiseTheArithmeticErrorWithoutMetamethods) {
  ExpectCases({
      {"return \"x\" & 1", "error: attempt to perform arithmetic on a string value"},
      {"return \"1\" & 1", "error: attempt to perform arithmetic on a number value"},
      {"return 1 | \"1\"", "error: attempt to perform arithmetic on a string value"},
      {"local s = 'x' return s << 1", "error: attempt to perform arithmetic on local `s' (a string value)"},
      {"return {} | 1", "error: attempt to perform arithmetic on a table value"},
      {"local t = setmetatable({}, {__add = function() return 0 end, __index = function() return 0 end})\n"
       "return t & 1",
       "error: attempt to perform arithmetic on local `t' (a table value)"},
      {"return nil >> 1", "error: attempt to perform arithmetic on a nil value"},
      {"return L\"1\" & 1", "error: attempt to perform arithmetic on a number value"},
  });
}

// The verifier that guards loaded code knows exactly the 39 opcodes.

TEST(LuaVerifier, AcceptsCompiledCodeAndRejectsUnknownOpcodes) {
  luatest::State s;
  lua_State *L = s.get();
  const char *src = "local a, b = 5, 3 return a & b, a | b, a << b, a >> b, a ^ b";
  ASSERT_EQ(luaL_loadbuffer(L, src, strlen(src), "=v"), 0);
  Proto *p = clvalue(L->top - 1)->l.p;
  EXPECT_EQ(NUM_OPCODES, 39);
  EXPECT_NE(luaG_checkcode(p), 0);
  ASSERT_GT(p->sizecode, 0);
  Instruction saved = p->code[0];
  for (int op : {39, 40, 63}) {
    SCOPED_TRACE(op);
    SET_OPCODE(p->code[0], op);
    EXPECT_EQ(luaG_checkcode(p), 0);
  }
  p->code[0] = saved;
  EXPECT_NE(luaG_checkcode(p), 0);
  ASSERT_EQ(lua_pcall(L, 0, LUA_MULTRET, 0), 0);
  EXPECT_EQ(lua_gettop(L), 5);
  lua_settop(L, 0);
}
