// Syntax side of the compiler: the messages of the parser (with chunk name and line), its limits,
// and the checks of `break N'/`continue N' and of table size hints.
#include <gtest/gtest.h>

#include <string>

#include "compiler_cases.h"

namespace {

using compilertest::ChunkCase;
using compilertest::ChunkRuns;
using compilertest::Outcome;

INSTANTIATE_TEST_SUITE_P(
    Grammar, ChunkRuns,
    ::testing::Values(
        ChunkCase{"a b", "error: test:1: `=' expected near `b'"},
        ChunkCase{"x = = 1", "error: test:1: unexpected symbol near `='"},
        ChunkCase{"x", "error: test:1: `=' expected near `<eof>'"},
        ChunkCase{"(a) = 1", "error: test:1: syntax error near `='"},
        ChunkCase{"f() = 1", "error: test:1: unexpected symbol near `='"},
        ChunkCase{"for i do end", "error: test:1: `=' or `in' expected near `do'"},
        ChunkCase{"for 1 = 1, 2 do end", "error: test:1: <name> expected near `1'"},
        ChunkCase{"if x then", "error: test:1: `end' expected near `<eof>'"},
        ChunkCase{"if x then\n\n", "error: test:3: `end' expected (to close `if' at line 1) near `<eof>'"},
        ChunkCase{"while 1 do\nx = (1\n", "error: test:3: `)' expected (to close `(' at line 2) near `<eof>'"},
        ChunkCase{"repeat x = 1", "error: test:1: `until' expected near `<eof>'"},
        ChunkCase{"local function end", "error: test:1: <name> expected near `end'"},
        ChunkCase{"function f(a,) end", "error: test:1: <name> or `...' expected near `)'"},
        ChunkCase{"function f(..., a) end", "error: test:1: `)' expected near `,'"},
        ChunkCase{"return return", "error: test:1: unexpected symbol near `return'"},
        ChunkCase{"return 1 x = 2", "error: test:1: <eof> expected near `x'"},
        ChunkCase{"t = {1 2}", "error: test:1: `}' expected near `2'"},
        ChunkCase{"x = 1 + ", "error: test:1: unexpected symbol near `<eof>'"},
        ChunkCase{"x = #t", "error: test:1: unexpected symbol near `#'"},
        ChunkCase{"x = 5 % 2", "error: test:1: unexpected symbol near `%'"},
        ChunkCase{"x = ~1", "error: test:1: unexpected symbol near `~'"},
        // `continue' is a reserved word
        ChunkCase{"local continue = 1", "error: test:1: <name> expected near `continue'"},
        ChunkCase{"t = {} t.continue = 1", "error: test:1: <name> expected near `continue'"},
        ChunkCase{"x = & 1", "error: test:1: unexpected symbol near `&'"},
        ChunkCase{"x = 1 <<", "error: test:1: unexpected symbol near `<eof>'"},
        ChunkCase{"x = 1 >> >> 2", "error: test:1: unexpected symbol near `>>'"},
        ChunkCase{"f\n(g)", "error: test:2: ambiguous syntax (function call x new statement) near `('"},
        ChunkCase{"x = 'a' 'b'", "error: test:1: unexpected symbol near `'b''"},
        // a wide literal is an expression but not a call argument without parentheses
        ChunkCase{"f L\"x\"", "error: test:1: function arguments expected near `\"x\"'"},
        ChunkCase{"local s = 'a' s L\"x\"", "error: test:1: function arguments expected near `\"x\"'"}));

INSTANTIATE_TEST_SUITE_P(
    LoopControl, ChunkRuns,
    ::testing::Values(
        ChunkCase{"break", "error: test:1: no loop to break near `<eof>'"},
        ChunkCase{"continue", "error: test:1: no loop to continue near `<eof>'"},
        ChunkCase{"do continue end", "error: test:1: no loop to continue near `end'"},
        ChunkCase{"while 1 do break 2 end", "error: test:1: no loop to break near `end'"},
        ChunkCase{"for i = 1, 2 do repeat continue 3 until 1 end",
             "error: test:1: no loop to continue near `until'"},
        ChunkCase{"while 1 do break 0 end", "error: test:1: loop block number out of range near `0'"},
        ChunkCase{"while 1 do break 101 end", "error: test:1: loop block number out of range near `101'"},
        ChunkCase{"while 1 do continue 0x80 end",
             "error: test:1: loop block number out of range near `0x80'"},
        ChunkCase{"while 1 do break 1.5 end", "error: test:1: loop block number must be integer near `1.5'"},
        ChunkCase{"while 1 do continue 2.25 end",
             "error: test:1: loop block number must be integer near `2.25'"},
        // both statements end their block
        ChunkCase{"while 1 do continue x = 1 end", "error: test:1: `end' expected near `x'"},
        ChunkCase{"while 1 do break 1 x = 1 end", "error: test:1: `end' expected near `x'"},
        // loops do not reach through function bodies
        ChunkCase{"while 1 do local f = function() break end end",
             "error: test:1: no loop to break near `end'"},
        ChunkCase{"for i = 1, 2 do local function f() continue end end",
             "error: test:1: no loop to continue near `end'"}));

INSTANTIATE_TEST_SUITE_P(
    SizeHints, ChunkRuns,
    ::testing::Values(ChunkCase{"t = { & x }", "error: test:1: size expected following & (line 1) near `x'"},
                      ChunkCase{"t = {\n&\n'4' }", "error: test:3: size expected following & (line 3) near `'4''"},
                      ChunkCase{"t = { & 4 & }", "error: test:1: size expected following & (line 1) near `}'"},
                      ChunkCase{"t = { & -4 }", "error: test:1: size expected following & (line 1) near `-'"},
                      ChunkCase{"t = { 1, & 4 }", "error: test:1: unexpected symbol near `&'"},
                      ChunkCase{"t = { & 4 & 8 & 2 }", "error: test:1: unexpected symbol near `&'"}));

// The names prefix0 ... prefix(n-1) joined by `sep'.
std::string Names(const std::string& prefix, int n, const std::string& sep) {
  std::string s;
  for (int i = 0; i < n; i++) s += (i ? sep : "") + prefix + std::to_string(i);
  return s;
}

TEST(ParserLimits, LocalsUpvaluesParametersAndNesting) {
  EXPECT_EQ(Outcome("local " + Names("a", 200, ",") + " return 1"), "1");
  EXPECT_EQ(Outcome("local " + Names("a", 201, ",")),
            "error: test:1: too many local variables (limit=200) near `<eof>'");

  EXPECT_EQ(Outcome("function f(" + Names("p", 100, ",") + ") end return 1"), "1");
  EXPECT_EQ(Outcome("function f(" + Names("p", 101, ",") + ") end"),
            "error: test:1: too many parameters (limit=100) near `)'");

  // 32 upvalues are fine, the 33rd is not
  std::string up32 = "local " + Names("u", 33, ",") + " = 1 return function() return " +
                     Names("u", 32, "+") + " end";
  EXPECT_EQ(luatest::Run(up32).ok, true) << Outcome(up32);
  std::string up33 = "local " + Names("u", 33, ",") + " return function() return " +
                     Names("u", 33, "+") + " end";
  EXPECT_EQ(Outcome(up33), "error: test:1: too many upvalues (limit=32) near `end'");

  EXPECT_EQ(Outcome("return " + std::string(150, '(') + "1" + std::string(150, ')')), "1");
  EXPECT_EQ(Outcome("return " + std::string(300, '(') + "1" + std::string(300, ')')),
            "error: test:1: too many syntax levels near `('");
  std::string deepBlocks;
  for (int i = 0; i < 300; i++) deepBlocks += "do ";
  EXPECT_EQ(Outcome(deepBlocks).rfind("error: test:1: too many syntax levels", 0), 0u);
}

TEST(ParserLimits, WhileConditionSizeAndRegisterPressure) {
  // each `and' term costs three instructions; the moved condition holds at most 100
  EXPECT_EQ(Outcome("while " + Names("a", 30, " and ") + " do end return 1"), "1");
  EXPECT_EQ(Outcome("while " + Names("a", 40, " and ") + " do end"),
            "error: test:1: `while' condition too complex near `do'");

  std::string args;
  for (int i = 0; i < 260; i++) args += (i ? "," : "") + std::to_string(i);
  EXPECT_EQ(Outcome("f(" + args + ")").rfind("error: test:1: function or expression too complex", 0),
            0u);
}

TEST(ParserLimits, LongAssignmentListsAreBoundedNotRecursedWithoutLimit) {
  // every target of a multiple assignment is one level of recursion in the parser
  EXPECT_EQ(Outcome(Names("g", 100, ",") + " = 1 return g0, g1"), "1, nil");
  std::string huge = Names("g", 50000, ",") + " = 1";
  EXPECT_EQ(Outcome(huge).rfind("error: test:1: too many variables in assignment", 0), 0u);
}

TEST(ParserErrorsChunkName, MessagesCarryTheChunkName) {
  EXPECT_EQ(Outcome("x = ", "=config"), "error: config:1: unexpected symbol near `<eof>'");
  EXPECT_EQ(Outcome("x = ", "@scripts/game.lua"),
            "error: scripts/game.lua:1: unexpected symbol near `<eof>'");
  EXPECT_EQ(Outcome("x = ", "x = "), "error: [string \"x = \"]:1: unexpected symbol near `<eof>'");
}

}  // namespace
