// String and base library additions: the %Q, %B and %b formats, string.lualex, string.pack and
// string.unpack (tables of formats, bounds of hostile lengths and positions), towstring, and
// wide strings through tostring and print.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lua_runner.h"
#include "script/lua/lauxlib.h"

namespace {

using luatest::Case;
using luatest::ExpectCases;
using luatest::Run;

// Cases whose byte strings are shown as hex: `hex(s)' gives "61 62 00".
void ExpectHexCases(const std::vector<Case> &cases) {
  ExpectCases(cases,
              "local function hex(s) local t = {} for i = 1, string.len(s) do "
              "t[i] = string.format('%02x', string.byte(s, i)) end return table.concat(t, ' ') end ");
}

TEST(StringAdditions, QuotedFormat) {
  ExpectCases({
      {"return string.format('%Q', 'a\\nb')", "\"a\\nb\""},
      {"return string.format('%q', 'a\\nb')", "\"a\\\nb\""},
      {"return string.format('%Q', '\\7\\8\\9\\10\\11\\12\\13\"\\\\\\1\\255x')",
       "\"\\a\\b\\t\\n\\v\\f\\r\\\"\\\\\\x01\\xffx\""},
      {"return string.format('%Q', L\"\\x263A\")", "L\"\\x263a\""},
      {"return string.format('%Q', L\"a\\\"\\\\\\n\\x7f\\xff\\x100\")",
       "L\"a\\\"\\\\\\n\\x007f\\x00ff\\x0100\""},
      {"return string.format('<%Q>', 12)", "<\"12\">"},
      {"return string.format('%Q', {})", "error: bad argument #2 to `format' (string expected, got table)"},
  });
}

// Whatever %Q writes reads back through the lexer as the same string.
TEST(StringAdditions, QuotedFormatReadsBack) {
  ExpectCases({
      {"local t = {} for i = 0, 255 do t[i + 1] = string.char(i) end local s = table.concat(t) "
       "local back = loadstring('return ' .. string.format('%Q', s))() return back == s, string.len(back)",
       "true, 256"},
      {"local s = L\"\\x0\\x1\\x41\\x7f\\x80\\xff\\x100\\x263A\\xd800\\xffff\\\"\\\\\" .. 5 "
       "local back = loadstring('return ' .. string.format('%Q', s))() return back == s",
       "true"},
  });
}

TEST(StringAdditions, BooleanAndRawFormats) {
  ExpectHexCases({
      {"return string.format('%B%B', 1 == 1, nil)", "truefalse"},
      {"return string.format('[%-8.2B]', false)", "[false]"},
      {"return string.format('%B', 1)", "error: bad argument #2 to `format' (boolean expected, got number)"},
      {"return hex(string.format('%bw', 258))", "02 01"},
      {"return hex(string.format('%bw', -1.9))", "ff ff"},
      {"return hex(string.format('%bd', -1))", "ff ff ff ff"},
      {"return hex(string.format('%bd', 4294967297))", "01 00 00 00"},
      {"return hex(string.format('%bb', 511))", "ff"},
      {"return hex(string.format('%bF', 1))", "00 00 00 00 00 00 f0 3f"},
      {"return hex(string.format('%bf', 1))", "00 00 80 3f"},
      {"return string.format('a%bx%d', 5, 7)", "a7"},
      {"return string.format('a%bx%d', {}, 7)", "a7"},
      {"return hex(string.format('%bb%bb', 0, 65))", "00 41"},
      {"return string.format('%bw', 'x')", "error: bad argument #2 to `format' (number expected, got string)"},
      {"return string.format('x%b', 1)", "x"},
  });
}

TEST(StringAdditions, Lualex) {
  ExpectHexCases({
      {"return string.lualex('A\\\\x42C', 0)", "ABC"},
      {"return string.lualex('\\\\65\\\\66', 0)", "AB"},
      {"return hex(string.lualex('a', 1))", "61 00"},
      {"return hex(string.lualex('\\\\x263A', 1))", "3a 26"},
      {"return string.lualex('\\\\x263A', 0)", "&3A"},
      {"return string.lualex('\\\\xq', 0)", "xq"},
      {"return hex(string.lualex('\\\\a\\\\b\\\\f\\\\n\\\\r\\\\t\\\\v', 0))", "07 08 0c 0a 0d 09 0b"},
      {"return hex(string.lualex('\\\\\\\\\\\\\"', 0))", "5c 22"},
      {"return string.lualex('\\\\300', 0)", ","},
      {"return string.lualex('\\\\1234', 0)", "{4"},
      {"return string.lualex('\\\\z', 0)", "z"},
      {"return string.lualex('a\\\\', 0)", "a\\"},
      {"return hex(string.lualex('\\233', 1))", "e9 00"},
      {"return hex(string.lualex('\\\\xffff\\\\300', 1.5))", "ff ff 2c 00"},
      {"return string.lualex('ab', 0.5)", "ab"},
      {"return string.lualex('a')", "error: bad argument #2 to `lualex' (number expected, got no value)"},
  });
}

TEST(StringAdditions, PackFormats) {
  ExpectHexCases({
      {"return hex(string.pack('<H>H', 258, 258))", "02 01 01 02"},
      {"return hex(string.pack('i2', 1, 2))", "01 00 00 00 02 00 00 00"},
      {"return hex(string.pack('B2', true, false))", "01 00"},
      {"return string.pack('B', 1)", "error: expected a boolean"},
      {"return hex(string.pack('I', 4294967295))", "ff ff ff ff"},
      {"return hex(string.pack('L', 4294967296 + 5))", "05 00 00 00"},
      {"return hex(string.pack('i', -2))", "fe ff ff ff"},
      {"return hex(string.pack('>l', 1))", "00 00 00 01"},
      {"return hex(string.pack('c', -1))", "ff"},
      {"return hex(string.pack('b', 257))", "01"},
      {"return hex(string.pack('h', -2.7))", "fe ff"},
      {"return hex(string.pack('=H', 65537))", "01 00"},
      {"return hex(string.pack('f', 1.5))", "00 00 c0 3f"},
      {"return hex(string.pack('>d', 1))", "3f f0 00 00 00 00 00 00"},
      {"return hex(string.pack('n', 1))", "00 00 00 00 00 00 f0 3f"},
      {"return hex(string.pack('z', 'ab'))", "61 62 00"},
      {"return hex(string.pack('p', 'ab'))", "02 61 62"},
      {"return hex(string.pack('>P', 'ab'))", "00 02 61 62"},
      {"return hex(string.pack('a', 'ab'))", "02 00 00 00 61 62"},
      {"return hex(string.pack('A3', 'ab'))", "61 62"},
      {"return hex(string.pack('z2', 'a', 3))", "61 00 33 00"},
      {"return hex(string.pack('wz', L\"ab\"))", "61 00 62 00 00 00"},
      {"return hex(string.pack('>wp', L\"\\x263A\"))", "01 26 3a"},
      {"return hex(string.pack('>wa', L\"\\x263A\"))", "00 00 00 01 26 3a"},
      {"return hex(string.pack('wA', 12))", "31 00 32 00"},
      {"return hex(string.pack('wAz', L\"a\", 'b'))", "61 00 62 00"},
      {"return string.pack('wa', 'x')", "error: bad argument #2 to `pack' (wstring expected, got string)"},
      {"local s = string.pack('p', string.rep('x', 300)) return string.byte(s, 1), string.len(s)", "44, 301"},
      {"return hex(string.pack('@4:32A@', 'x'))", "78 20 20 20"},
      {"return hex(string.pack('@2A@', 'abc'))", "61 62 63"},
      {"return hex(string.pack('@3A@@5:1A@', 'a', 'b'))", "61 00 00 62"},
      {"return hex(string.pack('b@4:7b@b', 1, 2, 3))", "01 02 07 07 07 03"},
      {"return hex(string.pack('@4A', 'x'))", "78"},
      {"return string.pack('@4294967295b@', 1)", "error: resulting string too large"},
      {"return string.len(string.pack('@100000:1b@', 1))", "100000"},
      {"return hex(string.pack(' , <i', 1))", "01 00 00 00"},
      {"return hex(string.pack('i0', 5))", "05 00 00 00"},
      {"return string.pack('w')", ""},
      {"return string.pack('q')", "error: bad argument #1 to `pack' (bad code `q')"},
      {"return string.pack('i', 'x')", "error: bad argument #2 to `pack' (number expected, got string)"},
      {"return string.pack('i2', 1)", "error: bad argument #3 to `pack' (number expected, got no value)"},
  });
}

TEST(StringAdditions, UnpackFormats) {
  ExpectCases({
      {"return string.unpack(string.pack('zp', 'ab', 'cd'), 'zp')", "7, ab, cd"},
      {"return string.unpack('\\1', 'H')", "1"},
      {"return string.unpack(string.pack('<hHiIcbB', -2, 65535, -3, 4294967295, -1, 255, true), '<hHiIcbB')",
       "16, -2, 65535, -3, 4294967295, -1, 255, true"},
      {"return string.unpack(string.pack('>hHlLB', -2, 65535, -3, 4294967295, false), '>hHlLB')",
       "14, -2, 65535, -3, 4294967295, false"},
      {"return string.unpack(string.pack('fd>n', 1.5, 0.1, -2), 'fd>n')", "21, 1.5, 0.1, -2"},
      {"return string.unpack(string.pack('>Pa', 'xy', 'z'), '>Pa')", "10, xy, z"},
      {"return string.unpack('abc', 'A2')", "3, ab"},
      {"return string.unpack('abc', 'A0')", "2, a"},
      {"return string.unpack('abc', 'A5')", "1"},
      {"return string.unpack('abc', 'z')", "4, abc"},
      {"return string.unpack('', 'z')", "1"},
      {"return string.unpack('ab\\0cd\\0', 'z2')", "7, ab, cd"},
      {"return string.unpack('ab\\0', 'zz')", "4, ab"},
      {"return string.unpack('\\1\\0\\2\\0', 'H3')", "5, 1, 2"},
      {"return string.unpack('\\1\\0\\2', 'H2b')", "3, 1"},
      {"return string.unpack('\\2ab\\3', 'pp')", "4, ab"},
      {"return string.unpack('abcd', 'A2', 3)", "5, cd"},
      {"return string.unpack('abcd', 'z', 5)", "5"},
      {"return string.unpack(string.pack('wz>wp', L\"hi\", L\"\\x263A\"), 'wz>wp')", "10, L\"hi\", L\"\\x{263a}\""},
      {"return string.unpack('a\\0b', 'wz')", "3, L\"a\""},  // no room for a terminator
      {"return string.unpack('a\\0b\\0', 'wA2')", "5, L\"ab\""},
      {"return string.unpack('\\0\\0', 'wz')", "3, L\"\""},
      {"return string.unpack('x', '@')", "error: bad argument #1 to `unpack' (bad code `@')"},
      {"return string.unpack('x', ' ,<>=w')", "1"},
  });
}

// Positions outside the string and lengths near 2^32 never make unpack read outside its data.
TEST(StringAdditions, UnpackBounds) {
  ExpectCases({
      {"return string.unpack('\\255\\255\\255\\255x', 'a')", "1"},
      {"return string.unpack('\\255\\255\\255\\127x', 'a')", "1"},
      {"return string.unpack('\\255\\255x', '>P')", "1"},
      {"return string.unpack('\\255\\255\\255\\255xy', 'wa')", "1"},
      {"return string.unpack('\\0\\0\\0\\128xy', 'wa')", "1"},
      {"return string.unpack('\\5abc', 'p')", "1"},
      {"return string.unpack('ab', 'A4294967295')", "1"},
      {"return string.unpack('ab', 'A99999999999999999999')", "1"},
      {"return string.unpack('ab', 'wA2147483648')", "1"},
      {"return string.unpack('abcd', 'A1', 0)", "error: bad argument #3 to `unpack' (initial position out of range)"},
      {"return string.unpack('abcd', 'A1', -1)", "error: initial position out of range"},
      {"return string.unpack('abcd', 'A1', 6)", "error: initial position out of range"},
      {"return string.unpack('abcd', 'A1', 4294967297)", "error: initial position out of range"},
      {"return string.unpack('abcd', 'A1', 0/0)", "error: initial position out of range"},
      {"return string.unpack('', 'i', 1)", "1"},
  });
}

// The stock string functions take narrow strings only; pack's `w' is the way in for wide ones.
TEST(StringAdditions, WideArgumentsAreRefused) {
  ExpectCases({
      {"return string.len(L\"ab\")", "error: bad argument #1 to `len' (string expected, got wstring)"},
      {"return string.rep('x', 2, L\"y\"), string.upper(L\"a\")", "error: bad argument #1 to `upper' (string expected, got wstring)"},
      {"return string.lualex(L\"a\", 0)", "error: bad argument #1 to `lualex' (string expected, got wstring)"},
      {"return string.unpack(L\"ab\", 'A')", "error: bad argument #1 to `unpack' (string expected, got wstring)"},
      {"return string.pack('z', L\"ab\")", "error: bad argument #2 to `pack' (string expected, got wstring)"},
  });
}

TEST(BaseAdditions, Towstring) {
  ExpectCases({
      {"return towstring(nil), towstring(true), towstring(false)", "L\"nil\", L\"true\", L\"false\""},
      {"return towstring(12.5), towstring(1e100)", "L\"12.5\", L\"1e+100\""},
      {"return towstring('a\\255\\128'), towstring(''), towstring(L\"x\")",
       "L\"a\\x{ffff}\\x{ff80}\", L\"\", L\"x\""},
      // both tables stay alive, so the collector cannot hand the first one's address to the second
      {"local a, b = {}, {} return type(towstring(a)), tostring(towstring(a)) == tostring(b) or 'differs'",
       "wstring, differs"},
      {"local t = {} return tostring(towstring(t)) == tostring(t)", "true"},
      {"local f = print return tostring(towstring(f)) == tostring(f)", "true"},
      {"local c = coroutine.create(function() end) return tostring(towstring(c)) == tostring(c)", "true"},
      {"local t = setmetatable({}, {__tostring = function() return 'X' end}) "
       "return string.sub(tostring(towstring(t)), 1, 7), tostring(t)",
       "table: , X"},
      {"return towstring()", "error: bad argument #1 to `towstring' (value expected)"},
      {"return tostring(L\"\\x263A\"), tostring(L\"ab\")", ":, ab"},
      {"return ('abc'):upper(), ('x'):rep(3)", "ABC, xxx"},
      {"return tonumber(L\"ff\", 16), tonumber(L\"12\")", "255, 12"},
  });
}

TEST(BaseAdditions, PrintWritesWideStrings) {
  luatest::ExpectOutputs({
      {"print(L\"h\\x00e9\\x263A\")", "h\xC3\xA9\xE2\x98\xBA\n"},
      {"print('a', L\"b\", 1, nil)", "a\tb\t1\tnil\n"},
      {"towstring = function(w) return L\"X\" end print(L\"a\", 'b')", "X\tb\n"},
  });
  ExpectCases({
      {"towstring = function() return 1 end print(L\"a\")", "error: `tostring' must return a string to `print'"},
      {"tostring = function() return nil end print(1)", "error: `tostring' must return a string to `print'"},
  });
}

// The per-type tables are in the registry; "_string" is the initial table, not the library.
TEST(BaseAdditions, TypeTablesInTheRegistry) {
  luatest::State s;
  lua_State *L = s.get();
  const char *names[] = {"_boolean", "_lightuserdata", "_number", "_string", "_table",
                         "_function", "_userdata", "_thread", "_wstring"};
  for (int tag = 1; tag <= 9; tag++) {
    lua_pushstring(L, names[tag - 1]);
    lua_rawget(L, LUA_REGISTRYINDEX);
    ASSERT_EQ(lua_type(L, -1), LUA_TTABLE) << names[tag - 1];
    lua_gettypetable(L, tag);
    if (tag == LUA_TSTRING)
      EXPECT_FALSE(lua_rawequal(L, -1, -2)) << "the string type's table is now the library";
    else
      EXPECT_TRUE(lua_rawequal(L, -1, -2)) << names[tag - 1];
    lua_pop(L, 2);
  }
  lua_gettypetable(L, LUA_TSTRING);
  lua_getglobal(L, "string");
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_pop(L, 2);
}

}  // namespace
