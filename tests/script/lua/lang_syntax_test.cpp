// Lexer and parser extensions: hexadecimal numerals, \x escapes, wide literals, UTF-16 source,
// continue and numbered break/continue, table size hints, and the bitwise operator priorities.
#include <gtest/gtest.h>

#include <string>

#include "lua_runner.h"

using luatest::Case;
using luatest::ExpectCases;

TEST(LuaSyntax, HexadecimalNumerals) {
  ExpectCases({
      {"return 0xff, 0xFFFFFFFF, 0x7fffffff", "255, 4294967295, 2147483647"},
      {"return 0xffffffff + 1", "4294967296"},
      {"return 0x10 * 2", "32"},
      {"return 0xg", "0"},
      {"return 0x100000000", "error: near `0'"},
      {"return 0X10", "error: "},
      {"return 0x123456789", "error: near `9'"},
  });
}

TEST(LuaSyntax, NumeralErrors) {
  ExpectCases({
      {"return 1..2", "error: ambiguous syntax (decimal point x string concatenation)"},
      {"return 3e", "error: malformed number"},
      {"return 3e+", "error: malformed number"},
      {"return 1 .. 2", "12"},
  });
}

TEST(LuaSyntax, EscapesInNarrowAndWideLiterals) {
  ExpectCases({
      {"return \"\\x41\\x4a\"", "AJ"},
      {"return \"\\x414\"", "A4"},
      {"return string.byte(\"\\x4\")", "4"},
      {"return \"\\xq\"", "xq"},
      {"return \"\\65\\066\"", "AB"},
      {"return \"a\\tb\"", "a\tb"},
      {"return \"\\256\"", "error: escape sequence too large"},
      {"return L\"\\x263A\"", "L\"\\x{263a}\""},
      {"return L\"\\x41\"", "L\"A\""},
      {"return L\"\\x123456\"", "L\"\\x{1234}56\""},
      {"return L\"\\xq\"", "L\"xq\""},
      {"return L\"a\\nb\"", "L\"a\\x{a}b\""},
      {"return L\"\"", "L\"\""},
  });
}

TEST(LuaSyntax, WideLiteralsAreConstantExpressions) {
  ExpectCases({
      {"local function f(x) return type(x) end return f(L\"x\")", "wstring"},
      {"local function f(x) return x end return f L\"x\"", "error: function arguments expected"},
      {"local t = {L\"a\", k = L\"b\"} return t[1], t.k", "L\"a\", L\"b\""},
      {"local function f() return L\"same\" end return f() == f()", "true"},
      {"return L\"abc", "error: unfinished string"},
      {"return L\"ab\ncd\"", "error: unfinished string"},
      {"return L'x'", "error: attempt to call global `L' (a nil value)"},
  });
}

namespace {

// The UTF-16LE form of `text' (each character one unit) after the byte-order mark.
std::string Utf16(const std::u16string &text) {
  std::string s = "\xFF\xFE";
  for (char16_t c : text) {
    s += static_cast<char>(c & 0xFF);
    s += static_cast<char>(c >> 8);
  }
  return s;
}

}  // namespace

TEST(LuaSyntax, Utf16SourceWithByteOrderMark) {
  luatest::RunResult r = luatest::Run(Utf16(u"local x = 0x10 + 2\nreturn x, 'ok', L\"\x263A\"\n"));
  EXPECT_EQ(luatest::Summary(r), "18, ok, L\"\\x{263a}\"");

  // a narrow literal keeps the low byte of each character
  r = luatest::Run(Utf16(u"return '\x0141'"));
  EXPECT_EQ(luatest::Summary(r), "A");

  // line numbers count in the wide source too
  r = luatest::Run(Utf16(u"local a = 1\nlocal b = nil + a\n"));
  EXPECT_NE(r.error.find("test:2:"), std::string::npos) << r.error;

  // names must be ASCII
  r = luatest::Run(Utf16(u"local \x263A = 1"));
  EXPECT_NE(r.error.find("invalid wide char"), std::string::npos) << r.error;
  r = luatest::Run(Utf16(u"return \x00E9"));
  EXPECT_NE(r.error.find("unexpected symbol"), std::string::npos) << r.error;
}

TEST(LuaSyntax, ShortAndOddSources) {
  ExpectCases({
      {"", ""},
      {"\xFF", "error: invalid wide char"},
      {"return 1 \x01", "error: invalid control char"},
      {"return 1 \x7f", "error: invalid control char"},
  });
  // a lone FF byte followed by nothing else must not be taken for a byte-order mark
  luatest::RunResult r = luatest::Run(std::string("\xFE", 1));
  EXPECT_FALSE(r.ok);
}

TEST(LuaSyntax, FirstLineStartingWithHashIsSkipped) {
  ExpectCases({
      {"#!/usr/bin/lua\nreturn 1 + 1", "2"},
      {"# comment line\nerror('here')", "error: test:2: here"},
      {"#", ""},
      {"return 1\n# not the first line", "error: test:2: "},
      {"local x = 1\n# again", "error: near `#'"},
  });
}

TEST(LuaSyntax, ContinueGoesToTheLoopsContinuationPoint) {
  luatest::ExpectOutputs({
      {"for i = 1, 3 do if i == 2 then continue end print(i) end", "1\n3\n"},
      {"local i = 0 while i < 4 do i = i + 1 if i == 2 then continue end print(i) end", "1\n3\n4\n"},
      {"local i = 0 repeat i = i + 1 if i == 2 then continue end print(i) until i >= 3", "1\n3\n"},
      {"for _, v in ipairs({10, 20, 30}) do if v == 20 then continue end print(v) end", "10\n30\n"},
      {"for i = 1, 3 do for j = 1, 3 do if j == 2 then continue 2 end print(i, j) end end",
       "1\t1\n2\t1\n3\t1\n"},
      {"for i = 1, 3 do for j = 1, 3 do print(i, j) break 2 end end print('done')", "1\t1\ndone\n"},
      {"for i = 1, 2 do do break end end print('out')", "out\n"},
      {"local n = 0 while true do n = n + 1 if n < 3 then continue end break end print(n)", "3\n"},
  });
}

TEST(LuaSyntax, ContinueAndBreakCloseUpvaluesOfTheBlocksTheyLeave) {
  ExpectCases({
      {"local fs = {}\n"
       "for i = 1, 3 do local x = i fs[i] = function() return x end if i == 2 then continue end end\n"
       "return fs[1](), fs[2](), fs[3]()",
       "1, 2, 3"},
      {"local fs = {}\n"
       "for i = 1, 2 do for j = 1, 2 do local y = i * 10 + j fs[i] = function() return y end break 2 end end\n"
       "local z = 99\n"
       "return fs[1]()",
       "11"},
  });
}

TEST(LuaSyntax, BreakAndContinueErrors) {
  ExpectCases({
      {"for i = 1, 2 do break 0 end", "error: loop block number out of range"},
      {"for i = 1, 2 do break 101 end", "error: loop block number out of range"},
      {"for i = 1, 2 do break 1.5 end", "error: loop block number must be integer"},
      {"for i = 1, 2 do continue 0.5 end", "error: loop block number must be integer"},
      {"while true do break 2 end", "error: no loop to break"},
      {"for i = 1, 2 do break 100 end", "error: no loop to break"},
      {"continue", "error: no loop to continue"},
      {"do continue end", "error: no loop to continue"},
      {"for i = 1, 2 do do continue 2 end end", "error: no loop to continue"},
      {"for i = 1, 2 do continue print(i) end", "error: `end' expected"},
      {"while false do break print(1) end", "error: `end' expected"},
  });
}

TEST(LuaSyntax, TableSizeHints) {
  ExpectCases({
      {"local t = { & 16 } return type(t), next(t)", "table, nil"},
      {"local t = { & 0 & 100 } t[1] = 'a' return t[1]", "a"},
      {"local t = { & 4 & 8; 1, 2 } return t[1], t[2], t[3]", "1, 2, nil"},
      {"local t = { & 2; x = 1, y = 2, z = 3 } return t.x + t.y + t.z", "6"},
      {"return { & x }", "error: size expected following & (line 1)"},
      {"local a = 1\n\nreturn { & 4 & 'y' }", "error: size expected following & (line 3)"},
  });
}

TEST(LuaSyntax, BitwiseOperatorPriorities) {
  ExpectCases({
      {"return 1 << 2 + 1", "5"},
      {"return 2 + 1 << 2", "6"},
      {"return 2 * 3 & 1", "2"},
      {"return 6 & 3 ^ 1", "2"},
      {"return -1 & 255", "255"},
      {"return -2 ^ 1", "-3"},
      {"return 1 << 2 << 3", "32"},
      {"return 256 >> 2 >> 3", "8"},
      {"return 5 & 3 == 1", "true"},
      {"return 1 | 2 .. ''", "3"},
      {"return 12 & 10 | 1", "9"},
  });
}
