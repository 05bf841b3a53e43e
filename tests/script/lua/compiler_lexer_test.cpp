// Lexical side of the compiler: numerals (hexadecimal included), escapes, narrow and wide literals,
// long strings and comments, UTF-16 sources with the byte-order mark, and the lexer's errors.
#include <gtest/gtest.h>

#include <string>

#include "budget_alloc.h"
#include "compiler_cases.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lua.h"

namespace {

using compilertest::ChunkCase;
using compilertest::ChunkRuns;
using compilertest::Outcome;

INSTANTIATE_TEST_SUITE_P(
    HexNumerals, ChunkRuns,
    ::testing::Values(
        ChunkCase{"return 0xff, 0xFFFFFFFF, 0x7fffffff", "255, 4294967295, 2147483647"},
        ChunkCase{"return 0xAbCd, 0x0, 0x00000001", "43981, 0, 1"},
        // nine hex digits: the ninth starts a new token
        ChunkCase{"return 0x100000000", "error: test:1: <eof> expected near `0'"},
        ChunkCase{"return 0x123456789", "error: test:1: <eof> expected near `9'"},
        // the character after the x is always taken, adding nothing
        ChunkCase{"return 0xg", "0"},
        ChunkCase{"return 0xg1", "1"},
        ChunkCase{"return 0x.5", "5"},
        ChunkCase{"return 0x", "0"},
        // eight characters at most, the odd first one included
        ChunkCase{"return 0xg1234567", "19088743"},
        ChunkCase{"return 0xg12345678", "error: test:1: <eof> expected near `8'"},
        // only a lower-case x makes a hexadecimal numeral
        ChunkCase{"return 0X10", "error: test:1: <eof> expected near `X10'"},
        ChunkCase{"local x = 0x10 return x + 0x1", "17"}));

INSTANTIATE_TEST_SUITE_P(
    DecimalNumerals, ChunkRuns,
    ::testing::Values(ChunkCase{"return 1e2, .5, 3., 0.5e-1, 2E+1, 007", "100, 0.5, 3, 0.05, 20, 7"},
                      ChunkCase{"return 1e", "error: test:1: malformed number near `1e'"},
                      ChunkCase{"return 1.5e+", "error: test:1: malformed number near `1.5e+'"},
                      ChunkCase{"return 1..2",
                           "error: test:1: ambiguous syntax (decimal point x string concatenation) "
                           "near `1..'"},
                      ChunkCase{"return 1 .. 2", "12"},
                      // a numeral followed by letters is two tokens, as the classic lexer does
                      ChunkCase{"return 3abc", "error: test:1: <eof> expected near `abc'"}));

INSTANTIATE_TEST_SUITE_P(
    Escapes, ChunkRuns,
    ::testing::Values(
        ChunkCase{R"(return "\x41\x4a", "\x4a\x4B")", "AJ, JK"},
        ChunkCase{R"(return "\xq", "\x", "\x414")", "xq, x, A4"},
        ChunkCase{R"(return "\065\066\0671", "a\tb" == "a\9b", "\\\"\'")", "ABC1, true, \\\"'"},
        ChunkCase{"return \"a\\\nb\"", "a\nb"},
        ChunkCase{R"(return "\255" == "\xff", "\z")", "true, z"},
        ChunkCase{R"(return "\256")", "error: test:1: escape sequence too large near `\"'"},
        ChunkCase{R"(return L"\256")", "error: test:1: escape sequence too large near `\"'"},
        ChunkCase{R"(return L"\x263A", L"\x41", L"\x263A5", L"\x12345")",
             "L\"\\x{263a}\", L\"A\", L\"\\x{263a}5\", L\"\\x{1234}5\""},
        ChunkCase{R"(return L"a\tb\255\xq")", "L\"a\\x{9}b\\x{ff}xq\""}));

INSTANTIATE_TEST_SUITE_P(
    Literals, ChunkRuns,
    ::testing::Values(
        ChunkCase{R"(return type(L"x"), type("x"), L"abc" == L"abc", "abc" == L"abc")",
             "wstring, string, true, false"},
        ChunkCase{R"(return L"", L"it's")", "L\"\", L\"it's\""},
        // only L" starts a wide literal: L'x' is a call of L with a narrow string
        ChunkCase{"local function L(s) return type(s) end return L'x'", "string"},
        ChunkCase{"local Lx = 1 return Lx", "1"},
        ChunkCase{"return 'abc", "error: test:1: unfinished string near `<eof>'"},
        ChunkCase{"return 'abc\nd'", "error: test:1: unfinished string near `'abc'"},
        ChunkCase{"return L\"abc\nd\"", "error: test:1: unfinished string near `\"abc'"},
        ChunkCase{"return [[a[[b]]c]]", "a[[b]]c"},
        ChunkCase{"return [[\nfirst\nsecond]]", "first\nsecond"},
        ChunkCase{"return [[]]", ""},
        ChunkCase{"return [[a", "error: test:1: unfinished long string near `<eof>'"},
        ChunkCase{"return [[a]", "error: test:1: unfinished long string near `<eof>'"}));

INSTANTIATE_TEST_SUITE_P(
    CommentsAndSymbols, ChunkRuns,
    ::testing::Values(
        ChunkCase{"-- a comment\nreturn --[[ long\ncomment ]] 1 -- tail", "1"},
        ChunkCase{"--[[ a [[nested]] one ]] return 2", "2"},
        ChunkCase{"--[[ open", "error: test:1: unfinished long comment near `<eof>'"},
        ChunkCase{"return 1 <= 2, 2 >= 3, 1 ~= 1, 1 == 1, 1 < 2, 2 > 1", "true, false, false, true, true, true"},
        ChunkCase{"return 1 << 3, 256 >> 4", "8, 16"},
        ChunkCase{"return \x01", "error: test:1: invalid control char near `char(1)'"},
        ChunkCase{"return 1 \x7f", "error: test:1: invalid control char near `char(127)'"},
        ChunkCase{"return \xff", "error: test:1: invalid wide char near `char(255)'"},
        // other high bytes are one-character tokens the parser rejects
        ChunkCase{"return \xc8", "error: test:1: unexpected symbol near `\xc8'"},
        ChunkCase{"return\t1\r\n,\v2\f", "1, 2"}));

TEST(Lexer, FirstLineStartingWithHashIsSkipped) {
  EXPECT_EQ(Outcome("#!/usr/bin/lua\nreturn 1 + 1"), "2");
  EXPECT_EQ(Outcome("# only a comment"), "");
  EXPECT_EQ(Outcome("#!x\n\nreturn +"), "error: test:3: unexpected symbol near `+'");
  // only the very first character counts
  EXPECT_EQ(Outcome(" #x"), "error: test:1: unexpected symbol near `#'");
}

// Allocation requests made while compiling `source' in a fresh state.
size_t RequestsToCompile(const std::string &source) {
  luatest::Budget budget;
  lua_setdefaultalloc(luatest::BudgetAlloc, &budget);
  lua_State *L = lua_open();
  lua_setdefaultalloc(nullptr, nullptr);
  EXPECT_NE(L, nullptr);
  if (L == nullptr) return 0;
  const size_t before = budget.requests;
  EXPECT_EQ(luaL_loadbuffer(L, source.data(), source.size(), "=long"), 0);
  const size_t made = budget.requests - before;
  lua_close(L);
  return made;
}

TEST(Lexer, LongTokensGrowTheBufferByDoubling) {
  // A 1 MB literal, comment or name costs a few more buffer growths than a short one, not one per
  // few dozen bytes.
  const std::string body(1 << 20, 'x');
  for (const auto &[open, close] : {std::pair<std::string, std::string>{"return \"", "\""},
                                    {"return [[", "]]"}, {"return L\"", "\""}, {"--[[", "]]"}, {"return ", ""}}) {
    SCOPED_TRACE(open);
    const size_t shortOne = RequestsToCompile(open + "xx" + close);
    const size_t longOne = RequestsToCompile(open + body + close);
    EXPECT_LT(longOne, shortOne + 100);
  }
}

TEST(Lexer, ErrorsReportTheLineOfTheOffendingToken) {
  EXPECT_EQ(Outcome("local a = 1\n\nreturn 'x\n"), "error: test:3: unfinished string near `'x'");
  EXPECT_EQ(Outcome("local s = [[\none\ntwo]] return s .."),
            "error: test:3: unexpected symbol near `<eof>'");
  // a line break inside a long comment is counted too
  EXPECT_EQ(Outcome("--[[\n\n]] x y"), "error: test:3: `=' expected near `y'");
}

// ---- UTF-16 sources ---------------------------------------------------------------------------

// A chunk as UTF-16LE with the byte-order mark, from a string of 16-bit units.
std::string Utf16(const std::u16string& text, bool bom = true) {
  std::string bytes;
  if (bom) bytes += "\xFF\xFE";
  for (char16_t u : text) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes;
}

TEST(Utf16Source, ParsesLikeTheSameAsciiText) {
  const char16_t* text = u"local t = {1, 2}\nreturn t[1] + t[2] << 1, \"ok\", 0x1F, [[long]]";
  EXPECT_EQ(Outcome(Utf16(text)), "5, ok, 31, long");
}

TEST(Utf16Source, WideLiteralsKeepUnitsNarrowOnesKeepLowBytes) {
  EXPECT_EQ(Outcome(Utf16(u"return L\"\u263A\u00e9\", \"\u00e9\" == \"\\233\", \"\u0141\" == \"A\"")),
            "L\"\\x{263a}\\x{e9}\", true, true");
  EXPECT_EQ(Outcome(Utf16(u"return [[\u0142]] == \"B\"")), "true");
  // comments may hold anything
  EXPECT_EQ(Outcome(Utf16(u"-- \u263A\u00e9\nreturn 1")), "1");
}

TEST(Utf16Source, NonAsciiOutsideStringsIsRejected) {
  EXPECT_EQ(Outcome(Utf16(u"local \u263A = 1")),
            "error: test:1: invalid wide char near `char(9786)'");
  EXPECT_EQ(Outcome(Utf16(u"return 1\n+ \u00ff")),
            "error: test:2: invalid wide char near `char(255)'");
  EXPECT_EQ(Outcome(Utf16(u"return \u00e9")), "error: test:1: unexpected symbol near `\xe9'");
  EXPECT_EQ(Outcome(Utf16(u"return \u0001")), "error: test:1: invalid control char near `char(1)'");
}

TEST(Utf16Source, OddTrailingByteEndsTheStream) {
  std::string src = Utf16(u"return 7");
  src += 'x';  // half a character: the stream ends before it
  EXPECT_EQ(Outcome(src), "7");
  EXPECT_EQ(Outcome(Utf16(u"return 'ab") + "c"), "error: test:1: unfinished string near `<eof>'");
}

TEST(Utf16Source, ByteOrderMarkAloneOrTooShortChunks) {
  EXPECT_EQ(Outcome("\xFF\xFE"), "");
  EXPECT_EQ(Outcome(""), "");
  EXPECT_EQ(Outcome("\xFF"), "error: test:1: invalid wide char near `char(255)'");
  // without the mark the same bytes are a narrow chunk
  EXPECT_EQ(Outcome(Utf16(u"return 1", false)),
            "error: test:1: invalid control char near `char(0)'");
}

}  // namespace
