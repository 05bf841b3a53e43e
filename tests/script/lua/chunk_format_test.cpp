// Precompiled chunks: dump and load round trips, the exact header, wide constants in both byte
// orders, and hostile chunks (bad header bytes, truncation at every offset, forged counts, bad
// constants and bad code) that must fail with a message and never crash.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "budget_alloc.h"
#include "lua_runner.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lobject.h"
#include "script/lua/lstate.h"
#include "script/lua/lundump.h"

namespace {


using luatest::RunIn;
using luatest::State;
using luatest::Summary;

int AppendWriter(lua_State *, const void *p, size_t sz, void *ud) {
  static_cast<std::string *>(ud)->append(static_cast<const char *>(p), sz);
  return 1;
}

// Compiles `source' and dumps its main function in the given byte order.
std::string Compile(const std::string &source, bool little = true, const char *name = "=test") {
  State s;
  lua_State *L = s.get();
  EXPECT_EQ(luaL_loadbuffer(L, source.data(), source.size(), name), 0) << lua_tostring(L, -1);
  std::string out;
  luaU_dumporder(L, clvalue(L->top - 1)->l.p, AppendWriter, &out, little ? 1 : 0);
  return out;
}

// The error message of loading `chunk' (empty when it loads).
std::string LoadError(const std::string &chunk, int *status = nullptr) {
  State s;
  lua_State *L = s.get();
  int st = luaL_loadbuffer(L, chunk.data(), chunk.size(), "=chunk");
  if (status) *status = st;
  return st == 0 ? std::string() : std::string(lua_tostring(L, -1));
}

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}

const std::string kHeader = Bytes({0x1B, 0x4C, 0x75, 0x61, 0x50, 0x01, 4, 4, 4, 6, 8, 9, 9, 8,
                                   0xB6, 0x09, 0x93, 0x68, 0xE7, 0xF5, 0x7D, 0x41});

// Writes chunks field by field, so tests can forge what the compiler never makes.
struct Writer {
  std::string out;
  bool big = false;
  void Byte(int b) { out += static_cast<char>(b); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; i++) Byte(static_cast<int>((big ? v >> (24 - 8 * i) : v >> (8 * i)) & 0xFF));
  }
  void Str(const std::string &s) {
    U32(static_cast<uint32_t>(s.size() + 1));
    out += s;
    Byte(0);
  }
};

enum KKind { kNil, kNum, kStr, kRaw };
struct K {
  KKind kind;
  double n = 0;
  std::string s;  // string text, or raw bytes after the type byte for kRaw
  int type = 0;   // type byte for kRaw
  K(KKind k, double num = 0, std::string str = std::string()) : kind(k), n(num), s(std::move(str)) {}
};

struct Fn {
  std::string source = "=forged";  // empty: write a null name
  int nups = 0, nparams = 0, vararg = 0, maxstack = 2;
  std::vector<std::string> upnames;
  std::vector<K> k;
  std::vector<Fn> p;
  std::vector<uint32_t> code;
  int upnamecount = -1;  // forged count of upvalue names (-1: the real one)

  void Write(Writer &w) const {
    if (source.empty()) w.U32(0); else w.Str(source);
    w.U32(0);  // line defined
    w.Byte(nups);
    w.Byte(nparams);
    w.Byte(vararg);
    w.Byte(maxstack);
    w.U32(0);  // no line info
    w.U32(0);  // no locals
    w.U32(upnamecount >= 0 ? static_cast<uint32_t>(upnamecount) : static_cast<uint32_t>(upnames.size()));
    for (auto &u : upnames) w.Str(u);
    w.U32(static_cast<uint32_t>(k.size()));
    for (auto &c : k) {
      switch (c.kind) {
        case kNil: w.Byte(0); break;
        case kNum: {
          w.Byte(3);
          uint64_t bits;
          std::memcpy(&bits, &c.n, 8);
          for (int i = 0; i < 8; i++) w.Byte(static_cast<int>((w.big ? bits >> (56 - 8 * i) : bits >> (8 * i)) & 0xFF));
          break;
        }
        case kStr: w.Byte(4); w.Str(c.s); break;
        case kRaw: w.Byte(c.type); w.out += c.s; break;
      }
    }
    w.U32(static_cast<uint32_t>(p.size()));
    for (auto &f : p) f.Write(w);
    w.U32(static_cast<uint32_t>(code.size()));
    for (uint32_t i : code) w.U32(i);
  }
};

uint32_t ABC(int op, int a, int b, int c) { return op | (c << 6) | (b << 15) | (static_cast<uint32_t>(a) << 24); }
uint32_t ABx(int op, int a, int bx) { return op | (bx << 6) | (static_cast<uint32_t>(a) << 24); }
const int OP_LOADK_ = 1, OP_RETURN_ = 31;

std::string Forge(const Fn &f, bool big = false) {
  Writer w;
  w.big = big;
  w.out = kHeader;
  if (big) {  // byte-order byte and the test number reversed
    w.out[5] = 0;
    for (int i = 0; i < 4; i++) std::swap(w.out[14 + i], w.out[21 - i]);
  }
  f.Write(w);
  return w.out;
}

// A function returning its constant 0.
Fn ReturnsK0(K k) {
  Fn f;
  f.k = {k};
  f.code = {ABx(OP_LOADK_, 0, 0), ABC(OP_RETURN_, 0, 2, 0)};
  return f;
}

TEST(ChunkFormat, HeaderIsExact) {
  std::string c = Compile("return 1");
  ASSERT_GE(c.size(), kHeader.size());
  EXPECT_EQ(c.substr(0, kHeader.size()), kHeader);
}

// Source runs and the same source dumped and reloaded give the same results, in both byte orders.
TEST(ChunkFormat, RoundTripsGiveTheSameResults) {
  const char *sources[] = {
      "return 1, -2.5, 1e300, 0.1, 4294967295",
      "return 'abc', '', 'with\\0zero', L\"wide\", L\"\", L\"\\x263A\\xffff\"",
      "local a = nil; local b = 'x' return a, b, nil",
      "local t = {1, 2, n = 'x', [L\"k\"] = 3} return t[1] + t[2], t.n, t[L\"k\"]",
      "local function mk(n) local c = 0 return function(d) c = c + d + n return c end end "
      "local f = mk(10) f(1) return f(2), mk(0)(5)",
      "local x = 1 local function outer() local y = 2 "
      "return function() x = x + 1 return function() return x + y end end end "
      "return outer()()(), x",
      "local s = 0 for i = 1, 10 do if i == 3 then continue end s = s + i end return s, 6 & 3, 1 << 4",
      "local function f(...) return arg.n, arg[1] end return f('a', L\"b\", 3)",
      "local r = {} for k, v in pairs({a = 1}) do r[1] = k .. v end return r[1], 5 ^ 1",
      "return string.format('%5.2f', 3.14159), ('x'):rep(3)",
  };
  for (const char *src : sources) {
    std::string expected = Summary(luatest::Run(src));
    for (bool little : {true, false}) {
      std::string chunk = Compile(src, little);
      EXPECT_EQ(Summary(luatest::Run(chunk, "=dumped")), expected) << src << (little ? " (little)" : " (big)");
    }
  }
}

// string.dump through lua_dump: functions without upvalues of their own dump and load again.
TEST(ChunkFormat, StringDump) {
  luatest::ExpectCases({
      {"local f = function(a, b) return a & b, L\"w\" .. a end "
       "local g = loadstring(string.dump(f)) return g(6, 3)",
       "2, L\"w6\""},
      {"local d = string.dump(function() local x = 1 return function() x = x + 1 return x end end) "
       "local mk = loadstring(d) local c = mk() c() return c(), string.byte(d, 1), string.sub(d, 2, 4)",
       "3, 27, Lua"},
      {"return loadstring(string.dump(loadstring('return 1, 2')))()", "1, 2"},
      {"local u = 1 return string.dump(function() return u end)", "error: unable to dump given function"},
      {"return string.dump(print)", "error: unable to dump given function"},
      {"return loadstring(string.sub(string.dump(function() end), 1, 30))", "nil, unexpected end of file in binary string"},
  });
}

// A dumped function keeps its debug information: names in errors and the source name.
TEST(ChunkFormat, DebugInformationSurvives) {
  std::string chunk = Compile("local function f()\n local t = nil\n return t.x\nend\nreturn f()", true, "=src");
  luatest::RunResult r = luatest::Run(chunk, "=dumped");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "src:3: attempt to index local `t' (a nil value)");
}

TEST(ChunkFormat, WideConstantEncoding) {
  std::string little = Compile("return L\"hi\"");
  EXPECT_NE(little.find(Bytes({9, 3, 0, 0, 0, 0x68, 0, 0x69, 0, 0, 0})), std::string::npos);
  std::string big = Compile("return L\"hi\"", false);
  EXPECT_EQ(big[5], 0);  // byte-order byte
  EXPECT_NE(big.find(Bytes({9, 0, 0, 0, 3, 0, 0x68, 0, 0x69, 0, 0})), std::string::npos);
  EXPECT_EQ(Summary(luatest::Run(big)), "L\"hi\"");
}

// A chunk written big-endian by another writer (forged here) loads to the same units.
TEST(ChunkFormat, ForgedBigEndianChunkLoads) {
  K wide{kRaw};
  wide.type = 9;
  wide.s = Bytes({0, 0, 0, 3, 0x26, 0x3A, 0x00, 0x41, 0, 0});
  EXPECT_EQ(Summary(luatest::Run(Forge(ReturnsK0(wide), true))), "L\"\\x{263a}A\"");
  EXPECT_EQ(Summary(luatest::Run(Forge(ReturnsK0(K{kNum, 2.5}), true))), "2.5");
  EXPECT_EQ(Summary(luatest::Run(Forge(ReturnsK0(K{kStr, 0, "ok"}), true))), "ok");
}

TEST(ChunkFormat, HeaderMismatches) {
  struct Row {
    size_t offset;
    int value;
    const char *message;
  };
  const Row rows[] = {
      {1, 0x4D, "bad signature in chunk"},
      {3, 0x62, "bad signature in chunk"},
      {4, 0x51, "chunk too new: read version 5.1; expected at most 5.0"},
      {4, 0x40, "chunk too old: read version 4.0; expected at least 5.0"},
      {6, 8, "virtual machine mismatch in chunk: size of int is 4 but read 8"},
      {7, 8, "virtual machine mismatch in chunk: size of size_t is 4 but read 8"},
      {8, 2, "virtual machine mismatch in chunk: size of Instruction is 4 but read 2"},
      {9, 7, "virtual machine mismatch in chunk: size of OP is 6 but read 7"},
      {10, 9, "virtual machine mismatch in chunk: size of A is 8 but read 9"},
      {11, 8, "virtual machine mismatch in chunk: size of B is 9 but read 8"},
      {12, 8, "virtual machine mismatch in chunk: size of C is 9 but read 8"},
      {13, 4, "virtual machine mismatch in chunk: size of number is 8 but read 4"},
      {21, 0x42, "unknown number format in chunk"},  // exponent byte: another number
      {21, 0x7F, "unknown number format in chunk"},  // a huge number
  };
  std::string good = Compile("return 1");
  for (const Row &r : rows) {
    std::string c = good;
    c[r.offset] = static_cast<char>(r.value);
    int status = 0;
    EXPECT_EQ(LoadError(c, &status), r.message) << "offset " << r.offset;
    EXPECT_EQ(status, LUA_ERRSYNTAX);
  }
  // the last bits of the test number may differ
  std::string c = good;
  c[14] = static_cast<char>(0xB7);
  EXPECT_EQ(LoadError(c), "");
  // a NaN test number (no integer part to compare)
  c = good;
  c.replace(14, 8, Bytes({0, 0, 0, 0, 0, 0, 0xF8, 0x7F}));
  EXPECT_EQ(LoadError(c), "unknown number format in chunk");
  // byte order 0 reads every field reversed: the test number is then wrong
  c = good;
  c[5] = 0;
  EXPECT_EQ(LoadError(c), "unknown number format in chunk");
}

TEST(ChunkFormat, NamesInMessages) {
  std::string c = Compile("return 1");
  c[1] = 'X';
  State s;
  lua_State *L = s.get();
  struct Row { const char *name; const char *expected; } rows[] = {
      {"@file.luac", "bad signature in file.luac"},
      {"=stdin", "bad signature in stdin"},
      {"plain", "bad signature in plain"},
      {"\033Lua...", "bad signature in binary string"},
  };
  for (auto &r : rows) {
    ASSERT_NE(luaL_loadbuffer(L, c.data(), c.size(), r.name), 0);
    EXPECT_STREQ(lua_tostring(L, -1), r.expected);
    lua_pop(L, 1);
  }
}

// Every prefix of a chunk holding every kind of constant and nested functions is refused.
TEST(ChunkFormat, TruncatedAtEveryOffset) {
  std::string full = Compile(
      "local u = 1 local function f(a, ...) local v = {u, 'str', L\"w\", nil, 2.5} "
      "return function() return v, u, a end end return f(1)");
  ASSERT_EQ(LoadError(full), "");
  for (size_t n = 1; n < full.size(); n++) {
    int status = 0;
    EXPECT_EQ(LoadError(full.substr(0, n), &status), "unexpected end of file in chunk") << "length " << n;
    EXPECT_EQ(status, LUA_ERRSYNTAX);
  }
}

// Chunks read through a reader that hands out one byte at a time load like whole buffers.
TEST(ChunkFormat, ByteWiseReader) {
  std::string chunk = Compile("local t = {L\"abc\", 'def'} return t[1], t[2]");
  struct Src {
    const std::string *s;
    size_t pos;
  } src{&chunk, 0};
  auto reader = [](lua_State *, void *ud, size_t *sz) -> const char * {
    Src *r = static_cast<Src *>(ud);
    if (r->pos >= r->s->size()) {
      *sz = 0;
      return nullptr;
    }
    *sz = 1;
    return r->s->data() + r->pos++;
  };
  State s;
  lua_State *L = s.get();
  ASSERT_EQ(lua_load(L, reader, &src, "=bytes"), 0) << lua_tostring(L, -1);
  ASSERT_EQ(lua_pcall(L, 0, 2, 0), 0);
  EXPECT_EQ(luatest::Render(L, -2), "L\"abc\"");
  EXPECT_EQ(luatest::Render(L, -1), "def");
}

TEST(ChunkFormat, ForgedChunks) {
  struct Row {
    const char *what;
    Fn fn;
    const char *message;
  };
  std::vector<Row> rows;
  rows.push_back({"plain forged chunk loads", ReturnsK0(K{kStr, 0, "hello"}), ""});
  {
    K k{kRaw};
    k.type = 5;
    rows.push_back({"table constant", ReturnsK0(k), "bad constant type (5) in chunk"});
    k.type = 1;
    rows.push_back({"boolean constant", ReturnsK0(k), "bad constant type (1) in chunk"});
  }
  {
    K k{kRaw};
    k.type = 9;  // 2^31 + 1 units: twice that wraps in 32 bits
    k.s = Bytes({0x01, 0x00, 0x00, 0x80, 0x41, 0x00, 0x00, 0x00});
    rows.push_back({"wide count beyond the data", ReturnsK0(k), "unexpected end of file in chunk"});
    k.s = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x41, 0x00});
    rows.push_back({"wide count 2^32 - 1", ReturnsK0(k), "unexpected end of file in chunk"});
    k.s = Bytes({0x00, 0x00, 0x00, 0x00});
    rows.push_back({"null wide constant", ReturnsK0(k), "bad code in chunk"});
    K s{kRaw};
    s.type = 4;
    s.s = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 'a', 0});
    rows.push_back({"string length beyond the data", ReturnsK0(s), "unexpected end of file in chunk"});
  }
  {
    Fn f = ReturnsK0(K{kNil});
    f.code = {ABC(39, 0, 0, 0), ABC(OP_RETURN_, 0, 1, 0)};
    rows.push_back({"opcode 39", f, "bad code in chunk"});
    f.code = {ABC(63, 0, 0, 0), ABC(OP_RETURN_, 0, 1, 0)};
    rows.push_back({"opcode 63", f, "bad code in chunk"});
    f.code = {ABx(OP_LOADK_, 0, 1), ABC(OP_RETURN_, 0, 2, 0)};
    rows.push_back({"constant index out of range", f, "bad code in chunk"});
    f.code = {ABx(OP_LOADK_, 5, 0), ABC(OP_RETURN_, 0, 2, 0)};
    rows.push_back({"register beyond the stack size", f, "bad code in chunk"});
    f.code = {ABx(OP_LOADK_, 0, 0)};
    rows.push_back({"no final return", f, "bad code in chunk"});
    f.code = {};
    rows.push_back({"no code", f, "bad code in chunk"});
  }
  {
    Fn f = ReturnsK0(K{kNil});
    Fn inner = ReturnsK0(K{kNil});
    inner.nups = 1;
    inner.upnamecount = 2;
    f.p = {inner};
    rows.push_back({"upvalue names", f, "bad nupvalues in chunk: read 2; expected 1"});
    f = ReturnsK0(K{kNil});
    f.nups = 1;
    f.upnames = {"u"};
    rows.push_back({"main function with upvalues", f, "bad code in chunk"});
  }
  {
    Fn f = ReturnsK0(K{kNil});
    Fn bad = ReturnsK0(K{kNil});
    bad.code = {ABC(45, 0, 0, 0), ABC(OP_RETURN_, 0, 1, 0)};
    f.p = {bad};
    rows.push_back({"bad code in a nested function", f, "bad code in chunk"});
  }
  {
    Fn f = ReturnsK0(K{kNil});
    f.source = "";  // main function without a source name
    rows.push_back({"null source name", f, ""});
  }
  for (const Row &r : rows) EXPECT_EQ(LoadError(Forge(r.fn)), r.message) << r.what;
}

// Counts larger than the bytes left are refused before anything is allocated for them.
TEST(ChunkFormat, ForgedCountsAreBoundedByTheData) {
  std::string base = Forge(ReturnsK0(K{kNil}));
  // offsets of the counts after the fixed fields of the main function
  const size_t first = kHeader.size() + 4 + 8 + 4 + 4;  // source name, line, four bytes
  const char *what[] = {"line info", "locals", "upvalue names"};
  for (int i = 0; i < 3; i++) {
    for (uint32_t n : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x40000001u}) {
      std::string c = base;
      for (int b = 0; b < 4; b++) c[first + 4 * i + b] = static_cast<char>((n >> (8 * b)) & 0xFF);
      std::string err = LoadError(c);
      EXPECT_TRUE(err == "unexpected end of file in chunk" || err.find("bad nupvalues") == 0)
          << what[i] << " " << n << ": " << err;
    }
  }
}

// Running out of memory at any point of a load fails with the memory error and frees everything.
TEST(ChunkFormat, LoadFailsCleanlyAtEveryAllocation) {
  std::string chunk = Compile(
      "local u = {} local function f(a) local v = {'s', L\"w\", 1.5} return function() return u, v, a end end "
      "return f");
  bool loaded = false;
  int failures = 0;
  for (size_t extra = 0; !loaded; extra += 16) {
    SCOPED_TRACE(extra);
    luatest::Budget budget;
    lua_setdefaultalloc(luatest::BudgetAlloc, &budget);
    lua_State *L = lua_open();
    lua_setdefaultalloc(nullptr, nullptr);
    ASSERT_NE(L, nullptr);
    budget.limit = budget.live + extra;
    int status = luaL_loadbuffer(L, chunk.data(), chunk.size(), "=chunk");
    if (status == 0) {
      loaded = true;
      budget.limit = static_cast<size_t>(-1);
      EXPECT_EQ(lua_pcall(L, 0, 1, 0), 0);
    } else {
      EXPECT_EQ(status, LUA_ERRMEM);
      failures++;
    }
    lua_close(L);
    ASSERT_EQ(budget.live, 0u);
    ASSERT_LT(extra, 1000000u);
  }
  EXPECT_GT(failures, 20);  // the budget really cut the load short many times
}

TEST(ChunkFormat, DeepNestingIsRefused) {
  Fn f = ReturnsK0(K{kNil});
  for (int i = 0; i < 300; i++) {
    Fn outer = ReturnsK0(K{kNil});
    outer.p = {f};
    f = outer;
  }
  EXPECT_EQ(LoadError(Forge(f)), "bad code in chunk");
}

}  // namespace
