// Library calls that could run without bound inside one native call: string building past the
// string limit (refused before it is built, so a small memory budget is never reached),
// backtracking patterns (a step limit), and the compiler on very long jump lists (linear, so a
// chain too long reaches its "control structure too long" error). The results of ordinary
// inputs stay as before.
#include <gtest/gtest.h>

#include <string>

#include "budget_alloc.h"
#include "lua_runner.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lualib.h"

using luatest::Case;
using luatest::ExpectCases;

namespace {

// A state whose allocations go through a budget; `limit' bytes past what opening it took.
class BudgetState {
 public:
  explicit BudgetState(size_t limit) {
    lua_setdefaultalloc(luatest::BudgetAlloc, &mBudget);
    mL = lua_open();
    lua_setdefaultalloc(nullptr, nullptr);
    luaopen_stdlibs(mL);
    lua_settop(mL, 0);
    mBase = mBudget.live;
    mBudget.limit = mBase + limit;
    mBudget.peak = mBase;
  }
  ~BudgetState() {
    if (mL != nullptr) lua_close(mL);
  }
  BudgetState(const BudgetState &) = delete;
  BudgetState &operator=(const BudgetState &) = delete;

  // Runs a chunk; the error message, or "ok: " and the first result.
  std::string Run(const std::string &src) {
    std::string out;
    if (luaL_loadbuffer(mL, src.data(), src.size(), "=bounds") != 0 || lua_pcall(mL, 0, 1, 0) != 0) {
      const char *msg = lua_tostring(mL, -1);
      out = msg ? msg : "(no message)";
    } else {
      out = "ok: " + luatest::Render(mL, -1);
    }
    lua_settop(mL, 0);
    return out;
  }
  size_t PeakGrowth() const { return mBudget.peak - mBase; }
  size_t LiveAfterClose() {
    lua_close(mL);
    mL = nullptr;
    return mBudget.live;
  }

 private:
  luatest::Budget mBudget;
  lua_State *mL = nullptr;
  size_t mBase = 0;
};

const size_t kMiB = 1024 * 1024;

// A chunk that concatenates `count' copies of one value in a single expression.
std::string CopiesConcatenated(const char *value, int count) {
  std::string src = std::string("local s = ") + value + " return string.len(s";
  for (int i = 1; i < count; i++) src += " .. s";
  return src + ")";
}

}  // namespace

TEST(LuaBounds, ResultsPastTheStringLimitAreRefusedBeforeTheyAreBuilt) {
  // Each would be gigabytes; the budget of 32 MiB would turn any attempt into a memory error.
  const struct {
    std::string source;
    const char *error;
  } cases[] = {
      {"local t = {} for i = 1, 3000 do t[i] = 'x' end "
       "return table.concat(t, string.rep('s', 1048576))",
       "resulting string too large"},
      {"local t, v = {}, string.rep('v', 1048576 - 1) for i = 1, 3000 do t[i] = v end "
       "return table.concat(t)",
       "resulting string too large"},
      {"local t = {1.5, 2} return table.concat(t, string.rep('s', 1048576), 1, 3000)",
       "table contains non-strings"},  // the element comes before the length would pass
      {"return string.gsub(string.rep('a', 3000), 'a', string.rep('r', 1048576))",
       "resulting string too large"},
      {"return string.gsub(string.rep('ab', 3000), '(a)(b)', string.rep('%1%2', 400000))",
       "resulting string too large"},
      {"return string.gsub(string.rep('a', 3000), '()', string.rep('%1', 1000000))",
       "resulting string too large"},
      {"return string.gsub(string.rep('a', 3000), 'a', string.rep('%2', 1000000))",
       "invalid capture index"},  // the first match meets the error before any size does
      {"return string.rep('x', 2147483647)", "resulting string too large"},
      {"return string.rep('abc', 1000000000)", "resulting string too large"},
      // one concatenation of 130 copies of 16 MiB
      {CopiesConcatenated("string.rep('x', 16777216)", 130), "string size overflow"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.source);
    BudgetState s(32 * kMiB);
    std::string r = s.Run(c.source);
    EXPECT_NE(r.find(c.error), std::string::npos) << r;
    EXPECT_EQ(s.LiveAfterClose(), 0u);
  }
}

TEST(LuaBounds, BuiltStringsAreRightAndTakeAboutTheirOwnSize) {
  // The result is built once: a 4 MiB string costs little more than 4 MiB at its peak (the
  // source pieces come on top where they exist).
  const struct {
    const char *source;
    const char *result;
    size_t peakMiB;
  } cases[] = {
      {"local s = string.rep('ab', 2097152) "
       "return string.len(s) .. string.sub(s, 1, 3) .. string.sub(s, -3)",
       "ok: 4194304ababab", 5},
      {"local t = {} for i = 1, 1024 do t[i] = string.rep(string.char(65 + math.mod(i, 26)), 4095) end "
       "local s = table.concat(t, ',') return string.len(s) .. string.sub(s, 4094, 4099)",
       "ok: 4194303BB,CCC", 10},
      {"local s = string.gsub(string.rep('a', 4096), '(a)', string.rep('%1', 1023) .. 'b') "
       "return string.len(s) .. string.sub(s, 1020, 1026)",
       "ok: 4194304aaaabaa", 6},
      // the source's 1 MiB, the result's 4 MiB, no scratch copy
      {"local s = string.rep('q', 1048576) local r = s .. s .. s .. 'z' .. s "
       "return string.len(r) .. string.sub(r, 3145726, 3145730)",
       "ok: 4194305qqqzq", 6},
      // %q counts before it writes: the result's block is its own size
      {"local s = string.format('%q', string.rep('a\"', 1048576)) "
       "return string.len(s) .. string.sub(s, 1, 5)",
       "ok: 3145730\"a\\\"a", 6},
      {"local s = string.upper(string.rep('ab', 1048576)) return string.len(s) .. string.sub(s, -3)", "ok: 2097152BAB",
       5},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.source);
    BudgetState s(64 * kMiB);
    EXPECT_EQ(s.Run(c.source), c.result);
    EXPECT_LE(s.PeakGrowth(), c.peakMiB * kMiB);
    EXPECT_EQ(s.LiveAfterClose(), 0u);
  }
}

TEST(LuaBounds, ReplacementsNamingCapturesWithoutEndStopAtTheReferenceLimit) {
  // Empty captures: the result stays small, but 101 matches of a million references each are
  // 10^8 copies.
  BudgetState s(32 * kMiB);
  EXPECT_NE(s.Run("return string.gsub(string.rep('b', 100), '(a-)', string.rep('%1', 1000000))")
                .find("replacement too complex (reference limit reached)"),
            std::string::npos);
  // a tenth of that is written
  EXPECT_EQ(s.Run("local r, n = string.gsub(string.rep('b', 20), '(a-)', string.rep('%1', 1000000)) "
                  "return r .. n"),
            "ok: bbbbbbbbbbbbbbbbbbbb21");
  EXPECT_EQ(s.LiveAfterClose(), 0u);
}

TEST(LuaBounds, AnErrorWhileBuildingFreesTheBuffer) {
  // the buffer has grown past its fixed area when the replacement function fails
  BudgetState s(64 * kMiB);
  EXPECT_NE(s.Run("local n = 0 return string.gsub(string.rep('a', 100000), 'a', function() "
                  "n = n + 1 if n == 90000 then error('stop here') end return 'xyz' end)")
                .find("stop here"),
            std::string::npos);
  EXPECT_EQ(s.Run("return string.len(string.rep('q', 70000) .. '')"), "ok: 70000");
  EXPECT_EQ(s.LiveAfterClose(), 0u);
}

TEST(LuaBounds, BuildersKeepTheirResults) {
  ExpectCases({
      {"return table.concat({1, 2.5, -3, 'x', 1e100}, ', ')", "1, 2.5, -3, x, 1e+100"},
      {"return table.concat({'a', 'b', 'c', 'd'}, '-', 2, 3), table.concat({}, 'x')", "b-c, "},
      {"return table.concat({'a', 'b'}, '', 3), table.concat({'a'}, '-', 1, 1)", ", a"},
      {"local t = {10, 20} local s = table.concat(t, ' ') return s, type(t[1])", "10 20, number"},
      {"return string.gsub('hello world', 'o', '[%%]')", "hell[%] w[%]rld, 2"},
      {"return string.gsub('abc', '()', '%1')", "1a2b3c4, 4"},
      {"return string.gsub('abc', '%w', '%1')", "error: invalid capture index"},
      {"return string.gsub(string.rep('x', 12) .. 'y', '()y', '<%1%1>')", "xxxxxxxxxxxx<1313>, 1"},
      {"return string.gsub('abc', '(b)', 'x%', 5)", "axc, 1"},
      {"return string.gsub('abc', 'b', 7)", "a7c, 1"},
      {"return string.len(string.rep('xyz', 1000)), string.rep('ab', 3)", "3000, ababab"},
      {"return string.find(string.rep('a', 1000) .. 'b', string.rep('a', 500) .. 'b', 1, 1)",
       "501, 1001"},
      {"return string.find('abcabd', 'abd', 1, true), string.find('ab', 'abc', 1, true)", "4, nil"},
      {"return string.format('%s|%5.2f|%q', tostring(string.rep('s', 600) == string.rep('s', 600)), 3.14159, "
       "'a\\n\"')",
       "true| 3.14|\"a\\\n\\\"\""},
      {"return string.format('ab%%cd%5sef', 'x'), string.format('%q', 'a\\0b\\\\')", "ab%cd    xef, \"a\\000b\\\\\""},
      {"return string.format('x%')", "error: invalid option to `format'"},
      {"return string.upper('a\\0z\\233') == 'A\\0Z\\233', string.lower('Q\\200')", "true, q\xC8"},
      // long concatenations are interned like short ones: equal results are one string
      {"local s = string.rep('ab', 40000) local a, b = s .. 'c', s .. 'c' local t = {[a] = 1} "
       "return a == b, t[b], string.len(a), string.sub(b, -3)",
       "true, 1, 80001, abc"},
      {"local w = towstring(string.rep('y', 70000)) local v = w .. L\"z\" "
       "return type(v), string.len(tostring(v)), string.sub(tostring(v), -2)",
       "wstring, 70001, yz"},
  });
}

TEST(LuaBounds, BacktrackingPatternsStopAtTheStepLimit) {
  const char *kLimit = "error: pattern too complex (step limit reached)";
  ExpectCases({
      {"return string.find(string.rep('a', 100), '.-.-.-.-.-b')", kLimit},
      {"return string.find(string.rep('x', 200), string.rep('x*', 6) .. 'y')", kLimit},
      {"return string.gsub(string.rep('a', 100), '(.-)(.-)(.-)(.-)(.-)b', '')", kLimit},
      {"for a in string.gfind(string.rep('a', 90), '.-.-.-.-.-b') do end", kLimit},
      // a later call has its own budget
      {"pcall(string.find, string.rep('a', 100), '.-.-.-.-.-b') "
       "return string.find(string.rep('a', 100) .. 'b', '.-.-.-.-.-b')",
       "1, 101"},
      // ordinary work on a long subject stays far below the limit
      {"local s = string.rep('key = value; ', 20000) "
       "local r, n = string.gsub(s, '(%w+)%s*=%s*(%w+)', '%2=%1') return n, string.sub(r, 1, 11)",
       "20000, value=key; "},
      {"return string.find(string.rep('a', 100) .. 'b', '.-.-b')", "1, 101"},
  });
}

TEST(LuaBounds, LongJumpListsCompileInLinearTime) {
  // a chain long enough that its first jumps cannot reach the end: the error, after parsing
  // all of it, as before
  std::string chain = "local x = 0 if x == 1 then x = 1";
  for (int i = 2; i <= 70000; i++) chain += " elseif x == " + std::to_string(i) + " then x = 1";
  chain += " end";
  std::string orchain = "local a, b = nil, nil local x = a";
  for (int i = 2; i <= 70000; i++) orchain += " or b";
  std::string andchain = "local a = 1 if a";
  for (int i = 2; i <= 70000; i++) andchain += " and a";
  andchain += " then a = 2 end";
  for (const std::string *src : {&chain, &orchain, &andchain}) {
    luatest::RunResult r = luatest::Run(*src);
    ASSERT_FALSE(r.ok);
    EXPECT_NE(r.error.find("control structure too long"), std::string::npos) << r.error;
  }

  // shorter chains compile to code that picks the right branch
  std::string pick = "local function f(x) if x == 1 then return 1";
  for (int i = 2; i <= 5000; i++) pick += " elseif x == " + std::to_string(i) + " then return " + std::to_string(i);
  pick += " else return -1 end end return f(1), f(2500), f(5000), f(5001)";
  EXPECT_EQ(luatest::Summary(luatest::Run(pick)), "1, 2500, 5000, -1");
  std::string ors = "local t = {} t[3000] = 'hit' local i = 0 local function n() i = i + 1 return t[i] end "
                    "return n()";
  for (int i = 2; i <= 4000; i++) ors += " or n()";
  ors += ", i";
  EXPECT_EQ(luatest::Summary(luatest::Run(ors)), "hit, 3000");
  std::string loop = "local n, i = 0, 0 while i < 100 do i = i + 1 if i == 1";
  for (int k = 2; k <= 3000; k++) loop += " or i == " + std::to_string(k * 7);
  loop += " then n = n + 1 elseif i > 90 then break end end return n, i";
  EXPECT_EQ(luatest::Summary(luatest::Run(loop)), "13, 92");
}
