// Value model of the runtime core: string interning per kind and its hash, the string table's
// growth, wide numerals, number truncation, the table's array/hash split and traversal across
// removals and collections, and binary metamethods reached through either operand.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "lua_runner.h"
#include "script/lua/lobject.h"
#include "script/lua/lstate.h"
#include "script/lua/lstring.h"
#include "script/lua/ltable.h"

using luatest::ExpectCases;

namespace {

std::u16string Units(const char *ascii) {
  std::u16string s;
  for (; *ascii; ascii++) s += static_cast<char16_t>(static_cast<unsigned char>(*ascii));
  return s;
}

const lua_WChar *W(const std::u16string &s) { return reinterpret_cast<const lua_WChar *>(s.c_str()); }

// The hash both string kinds use: seed = length, step over long strings, 32-bit arithmetic.
uint32_t ExpectedHash(const std::vector<uint32_t> &units) {
  uint32_t h = static_cast<uint32_t>(units.size());
  size_t step = (units.size() >> 5) + 1;
  for (size_t l1 = units.size(); l1 >= step; l1 -= step) h = h ^ ((h << 5) + (h >> 2) + units[l1 - 1]);
  return h;
}

}  // namespace

TEST(VmStrings, EqualContentsGiveOneObjectPerKind) {
  luatest::State s;
  lua_State *L = s.get();
  LString *a = luaS_newlstr(L, "hello", 5);
  LString *b = luaS_newlstr(L, "hello", 5);
  std::u16string wide = Units("hello");
  LString *wa = luaS_newlwstr(L, W(wide), wide.size());
  LString *wb = luaS_newlwstr(L, W(wide), wide.size());
  EXPECT_EQ(a, b);
  EXPECT_EQ(wa, wb);
  EXPECT_NE(a, wa);
  EXPECT_EQ(a->tsv.tt, LUA_TSTRING);
  EXPECT_EQ(wa->tsv.tt, LUA_TWSTRING);
  EXPECT_EQ(wa->tsv.len, 5u);
  EXPECT_EQ(getwstr(wa)[5], 0);  // one zero unit after the text
  EXPECT_EQ(wa->tsv.reserved, 0);

  // a narrow string whose bytes equal a wide string's units in memory is still another object
  LString *bytes = luaS_newlstr(L, reinterpret_cast<const char *>(W(wide)), 2 * wide.size());
  EXPECT_NE(bytes, wa);
  // embedded zeros take part in the comparison
  EXPECT_NE(luaS_newlstr(L, "a\0b", 3), luaS_newlstr(L, "a\0c", 3));
}

TEST(VmStrings, BothKindsHashTheirUnitsWithTheSameFormula) {
  luatest::State s;
  lua_State *L = s.get();
  for (size_t len : {0u, 1u, 31u, 32u, 33u, 100u}) {
    SCOPED_TRACE(len);
    std::u16string wide;
    std::string narrow;
    std::vector<uint32_t> units;
    for (size_t i = 0; i < len; i++) {
      char16_t u = static_cast<char16_t>(0x2600 + i * 7);
      wide += u;
      units.push_back(u);
      narrow += static_cast<char>('a' + i % 26);
    }
    EXPECT_EQ(luaS_newlwstr(L, W(wide), len)->tsv.hash, ExpectedHash(units));
    std::vector<uint32_t> bytes(narrow.begin(), narrow.end());
    EXPECT_EQ(luaS_newlstr(L, narrow.data(), len)->tsv.hash, ExpectedHash(bytes));
  }
}

TEST(VmStrings, StringTableDoublesWhenEntriesOutnumberBuckets) {
  luatest::State s;
  lua_State *L = s.get();
  lua_setgcthreshold(L, 1 << 20);  // keep the strings while counting
  int before = G(L)->strt.size;
  std::vector<LString *> made;
  for (int i = 0; i < 3 * before; i++) {
    std::string t = "key" + std::to_string(i);
    made.push_back(luaS_newlstr(L, t.data(), t.size()));
  }
  EXPECT_GE(G(L)->strt.size, 2 * before);
  EXPECT_LE(G(L)->strt.nuse, static_cast<lu_int32>(G(L)->strt.size));
  for (int i = 0; i < 3 * before; i++) {
    std::string t = "key" + std::to_string(i);
    EXPECT_EQ(luaS_newlstr(L, t.data(), t.size()), made[i]);
  }
}

TEST(VmNumbers, WideNumerals) {
  struct Row {
    const char *text;
    bool ok;
    double value;
  };
  const Row rows[] = {
      {"0x1F", true, 31},     {"0X1f", true, 31},        {"0x1.8p1", true, 3},  {"0x1.8p-1", true, 0.75},
      {"0x10.", true, 16},    {"0x1p4", false, 0},       {"0x-1", false, 0},    {"0x", true, 0},
      {" 5", false, 0},       {"5 \t\n", true, 5},       {"-2.5e1", true, -25}, {"+3", true, 3},
      {"1.5E+2", true, 150},  {"2e-1", true, 0.2},       {"1e", true, 1},       {"-", true, 0},
      {".", true, 0},         {"e", true, 0},            {"", false, 0},        {"12abc", false, 0},
      {"0.0001", true, 1e-4}, {"123456789", true, 123456789},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.text);
    std::u16string u = Units(r.text);
    lua_Number n = -99;
    int ok = luaO_wstr2d(W(u), &n);
    EXPECT_EQ(ok != 0, r.ok);
    if (r.ok) {
      EXPECT_NEAR(n, r.value, 1e-12);
      EXPECT_FALSE(std::signbit(n) && n == 0) << "a lone sign reads as plain 0";
    }
  }
  // units above 255 are never digits or white space
  std::u16string odd = u"5\u0A66";
  lua_Number n;
  EXPECT_EQ(luaO_wstr2d(W(odd), &n), 0);
}

TEST(VmNumbers, TruncationTo64BitsSaturatesLikeTheProcessor) {
  EXPECT_EQ(luaO_num2int64(2.9), 2);
  EXPECT_EQ(luaO_num2int64(-2.9), -2);
  EXPECT_EQ(luaO_num2int64(4294967295.0), 4294967295LL);
  EXPECT_EQ(luaO_num2int64(1e300), INT64_MIN);
  EXPECT_EQ(luaO_num2int64(-1e300), INT64_MIN);
  EXPECT_EQ(luaO_num2int64(std::nan("")), INT64_MIN);
  ExpectCases({
      {"return 1e300 & 0xFFFFFFFF, (0/0) | 0", "0, 0"},
      {"return 2147483648 | 0, (-2147483648) >> 31, 2^31", "2147483648, 1, 29"},
  });
}

TEST(VmNumbers, FloatingPointByteEncodingNeverShrinksASize) {
  for (unsigned x = 0; x < 5000; x++) {
    int fb = luaO_int2fb(x);
    ASSERT_LT(fb, 256) << x;
    ASSERT_GE(static_cast<unsigned>(fb2int(fb)), x) << x;
    ASSERT_LE(static_cast<unsigned>(fb2int(fb)), x + x / 4 + 8) << x;
  }
}

TEST(VmTables, ArrayPartTakesDenseIntegerKeysHashPartTheRest) {
  luatest::State s;
  lua_State *L = s.get();
  lua_newtable(L);
  Table *t = hvalue(L->top - 1);
  for (int i = 1; i <= 100; i++) {
    TObject v;
    setnvalue(&v, i * 10);
    setobj(luaH_setnum(L, t, i), &v);
  }
  EXPECT_EQ(t->sizearray, 128);
  EXPECT_EQ(t->lsizenode, 0) << "no hash part needed";
  for (int i = 1; i <= 100; i++) ASSERT_EQ(nvalue(luaH_getnum(t, i)), i * 10);
  EXPECT_TRUE(ttisnil(luaH_getnum(t, 101)));

  // sparse integer keys stay in the hash part
  lua_newtable(L);
  Table *sparse = hvalue(L->top - 1);
  for (int i = 0; i < 20; i++) {
    TObject v;
    setnvalue(&v, i);
    setobj(luaH_setnum(L, sparse, 1 << i), &v);
  }
  EXPECT_LE(sparse->sizearray, 8);  // keys 1, 2, 4 and 8 fill half of 8 slots
  for (int i = 0; i < 20; i++) ASSERT_EQ(nvalue(luaH_getnum(sparse, 1 << i)), i);
  EXPECT_EQ(luaH_maxn(sparse), 1 << 19);

  // integer keys at the ends of the int range go to the hash part
  for (int key : {INT_MIN, INT_MIN + 1, 0, -1, INT_MAX}) {
    SCOPED_TRACE(key);
    EXPECT_TRUE(ttisnil(luaH_getnum(t, key)));
    TObject v;
    setnvalue(&v, 1);
    setobj(luaH_setnum(L, t, key), &v);
    EXPECT_EQ(nvalue(luaH_getnum(t, key)), 1);
  }
  lua_settop(L, 0);
  EXPECT_EQ(lua_checkstack(L, INT_MAX), 0);
  EXPECT_EQ(lua_checkstack(L, 100), 1);
}

TEST(VmTables, TinyAndSignedZeroNumberKeysSpreadOverTheHashPart) {
  luatest::State s;
  lua_State *L = s.get();
  struct Family {
    const char *what;
    double (*key)(int);
  };
  const Family families[] = {
      {"tiny numbers (each rounds to 1 when 1 is added)", [](int i) { return i * 1e-300; }},
      {"multiples of 2^-49", [](int i) { return std::ldexp(i, -49); }},
      {"multiples of 2^20 beyond the array range", [](int i) { return std::ldexp(i + 1000, 20); }},
      {"negative integers", [](int i) { return -static_cast<double>(i); }},
  };
  const int n = 40000;
  for (const Family &f : families) {
    SCOPED_TRACE(f.what);
    lua_newtable(L);
    Table *t = hvalue(L->top - 1);
    for (int i = 1; i <= n; i++) {
      TObject k, v;
      setnvalue(&k, f.key(i));
      setnvalue(&v, i);
      setobj(luaH_set(L, t, &k), &v);
    }
    int longest = 0;
    for (int i = 0; i < sizenode(t); i++) {
      Node *node = gnode(t, i);
      if (ttisnil(gval(node))) continue;
      int len = 1;
      for (Node *m = luaH_mainposition(t, gkey(node)); m != node && m != nullptr; m = m->next) len++;
      longest = std::max(longest, len);
    }
    EXPECT_LT(longest, 32) << "collision chain length";
    for (int i = 1; i <= n; i++) {
      TObject k;
      setnvalue(&k, f.key(i));
      ASSERT_EQ(nvalue(luaH_get(t, &k)), i);
    }
    lua_pop(L, 1);
  }
  ExpectCases({{"local t = {} t[0] = 'zero' return t[-0], t[0]", "zero, zero"},
               {"local t = {} t[-0] = 'negzero' return t[0]", "negzero"}});
}

TEST(VmTables, KeysOfEveryKindAndInvalidKeys) {
  ExpectCases({
      {"local t = {} local f = function() end local co = coroutine.create(f)\n"
       "t[1] = 'i' t[1.5] = 'f' t[-0] = 'z' t['s'] = 's' t[L\"s\"] = 'w' t[true] = 'b' t[false] = 'nb'\n"
       "t[f] = 'fn' t[co] = 'co' t[t] = 'self'\n"
       "return t[1], t[1.5], t[0], t.s, t[L\"s\"], t[true], t[false], t[f], t[co], t[t]",
       "i, f, z, s, w, b, nb, fn, co, self"},
      {"local t = {} t[2^53] = 1 t[-1] = 2 t[2^31] = 3 return t[2^53], t[-1], t[2^31]", "1, 2, 3"},
      {"local t = {} t[nil] = 1", "error: table index is nil"},
      {"local t = {} t[0/0] = 1", "error: table index is NaN"},
      {"local t = {} return t[nil], t[0/0]", "nil, nil"},
  });
}

TEST(VmTables, TraversalSurvivesRemovalsAndCollections) {
  // removing the visited entry and collecting garbage between steps must not lose or repeat keys
  ExpectCases({
      {"local t = {} for i = 1, 200 do t['k' .. i] = {} t[i] = i end\n"
       "local seen, n = {}, 0\n"
       "for k in pairs(t) do\n"
       "  if seen[k] then error('twice ' .. tostring(k)) end\n"
       "  seen[k] = true n = n + 1 t[k] = nil\n"
       "  if math.mod(n, 7) == 0 then collectgarbage() end\n"
       "end\n"
       "return n, next(t)",
       "400, nil"},
      {"local t = {a = 1} return pcall(next, t, 'zz')", "false, invalid key for `next'"},
  });
}

TEST(VmMetamethods, BinaryEventsReachTheOperandThatDefinesThem) {
  const char *prelude =
      "local mt = {}\n"
      "mt.__add = function(a, b) return 'add' end\n"
      "mt.__concat = function(a, b) return 'cat:' .. type(a) .. ':' .. type(b) end\n"
      "mt.__unm = function(a) return 'unm' end\n"
      "mt.__lt = function(a, b) return true end\n"
      "local o = setmetatable({}, mt)\n";
  auto c = [&](const char *body) { return std::string(prelude) + body; };
  std::vector<std::string> sources = {c("return 1 + o, o + 1, '2' + o"), c("return 1 .. o, o .. 'x', L\"w\" .. o"),
                                      c("return -o"), c("return o < o"), c("return 1 + {}"),
                                      c("return 1 < o")};
  std::vector<luatest::Case> cases = {
      {sources[0].c_str(), "add, add, add"},
      {sources[1].c_str(), "cat:string:table, cat:table:string, cat:wstring:table"},
      {sources[2].c_str(), "unm"},
      {sources[3].c_str(), "true"},
      {sources[4].c_str(), "error: attempt to perform arithmetic on a table value"},
      {sources[5].c_str(), "error: attempt to compare number with table"},
  };
  ExpectCases(cases);
}

TEST(VmMetamethods, IndexChainsAndLoops) {
  ExpectCases({
      {"local a = setmetatable({}, {__index = {x = 1}}) local b = setmetatable({}, {__index = a}) return b.x",
       "1"},
      {"local t = {} setmetatable(t, {__index = t}) return t.x", "error: loop in gettable"},
      {"local t = setmetatable({}, {}) getmetatable(t).__index = function(t, k) return k .. '!' end return t.y",
       "y!"},
      {"local a = {} local b = {} setmetatable(a, {__index = b}) setmetatable(b, {__index = a}) return a.x",
       "error: loop in gettable"},
      {"local a = {} local b = {} setmetatable(a, {__newindex = b}) setmetatable(b, {__newindex = a}) a.x = 1",
       "error: loop in settable"},
      {"local log = {} local t = setmetatable({}, {__newindex = function(t, k, v) rawset(t, k, v * 2) end})\n"
       "t.a = 1 t.a = 5 return t.a",
       "5"},
  });
}
