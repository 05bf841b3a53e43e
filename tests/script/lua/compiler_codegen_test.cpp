// Code generation: the instructions emitted for the bitwise operators and `^', constants, tail
// calls, table size hints and loop control, checked on the compiled prototypes where the shape
// itself matters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lua_runner.h"
#include "script/lua/lauxlib.h"
#include "script/lua/ldebug.h"
#include "script/lua/lobject.h"
#include "script/lua/lopcodes.h"
#include "script/lua/lstate.h"

namespace {

// Compiles `source' and keeps the main prototype for inspection.
class Compiled {
 public:
  explicit Compiled(const std::string& source) {
    int status = luaL_loadbuffer(mState.get(), source.data(), source.size(), "=code");
    if (status != 0) {
      mError = lua_tostring(mState.get(), -1);
      return;
    }
    mProto = clvalue(mState.get()->top - 1)->l.p;
  }
  const Proto* main() const { return mProto; }
  const std::string& error() const { return mError; }

  std::vector<OpCode> Ops(const Proto* p = nullptr) const {
    if (!p) p = mProto;
    std::vector<OpCode> ops;
    for (int i = 0; i < p->sizecode; i++) ops.push_back(GET_OPCODE(p->code[i]));
    return ops;
  }
  // The first instruction with opcode `op', or 0 when there is none.
  Instruction Find(OpCode op, const Proto* p = nullptr) const {
    if (!p) p = mProto;
    for (int i = 0; i < p->sizecode; i++)
      if (GET_OPCODE(p->code[i]) == op) return p->code[i];
    return 0;
  }
  bool Has(OpCode op, const Proto* p = nullptr) const {
    for (OpCode o : Ops(p))
      if (o == op) return true;
    return false;
  }

 private:
  luatest::State mState;
  const Proto* mProto = nullptr;
  std::string mError;
};

TEST(Codegen, OpcodeNumbersAreTheRuntimesOwn) {
  // the numbering is shared with precompiled chunks: it must not drift
  EXPECT_EQ(NUM_OPCODES, 39);
  const std::pair<OpCode, int> fixed[] = {{OP_DIV, 15},  {OP_BAND, 16},    {OP_BOR, 17},
                                          {OP_SHL, 18},  {OP_SHR, 19},     {OP_POW, 20},
                                          {OP_JMP, 24},  {OP_TEST, 28},    {OP_CALL, 29},
                                          {OP_TAILCALL, 30}, {OP_RETURN, 31}, {OP_CLOSE, 37},
                                          {OP_CLOSURE, 38}};
  for (auto [op, n] : fixed) EXPECT_EQ(static_cast<int>(op), n);
}

struct BinCase {
  const char* op;
  OpCode opcode;
};

class BinaryOperators : public ::testing::TestWithParam<BinCase> {};

TEST_P(BinaryOperators, TakeBothOperandsAsRegisterOrConstant) {
  const BinCase& c = GetParam();
  Compiled reg(std::string("local a, b return a ") + c.op + " b");
  ASSERT_EQ(reg.error(), "");
  Instruction i = reg.Find(c.opcode);
  ASSERT_NE(i, 0u) << c.op;
  EXPECT_EQ(GETARG_B(i), 0);
  EXPECT_EQ(GETARG_C(i), 1);

  // constants are not folded: both stay constant operands of the instruction
  Compiled kst(std::string("return 6 ") + c.op + " 3");
  Instruction k = kst.Find(c.opcode);
  ASSERT_NE(k, 0u) << c.op;
  EXPECT_TRUE(ISK(GETARG_B(k)));
  EXPECT_TRUE(ISK(GETARG_C(k)));
  EXPECT_EQ(nvalue(&kst.main()->k[INDEXK(GETARG_B(k))]), 6);
  EXPECT_EQ(nvalue(&kst.main()->k[INDEXK(GETARG_C(k))]), 3);
}

INSTANTIATE_TEST_SUITE_P(Arithmetic, BinaryOperators,
                         ::testing::Values(BinCase{"+", OP_ADD}, BinCase{"-", OP_SUB},
                                           BinCase{"*", OP_MUL}, BinCase{"/", OP_DIV},
                                           BinCase{"&", OP_BAND}, BinCase{"|", OP_BOR},
                                           BinCase{"<<", OP_SHL}, BinCase{">>", OP_SHR},
                                           BinCase{"^", OP_POW}));

TEST(Codegen, ComparisonsSwapOperandsForGreaterAndNegateForNotEqual) {
  Compiled greater("local a, b return a > b");
  Instruction lt = greater.Find(OP_LT);
  ASSERT_NE(lt, 0u);
  EXPECT_EQ(GETARG_B(lt), 1);
  EXPECT_EQ(GETARG_C(lt), 0);
  Compiled ne("local a, b return a ~= b");
  Instruction eq = ne.Find(OP_EQ);
  ASSERT_NE(eq, 0u);
  EXPECT_EQ(GETARG_A(eq), 0);
}

TEST(Codegen, OnlyNegationOfANumeralIsFolded) {
  Compiled neg("return -5");
  EXPECT_FALSE(neg.Has(OP_UNM));
  Instruction load = neg.Find(OP_LOADK);
  ASSERT_NE(load, 0u);
  EXPECT_EQ(nvalue(&neg.main()->k[GETARG_Bx(load)]), -5);
  EXPECT_TRUE(Compiled("local a return -a").Has(OP_UNM));
  Compiled sum("return 2 + 3");
  EXPECT_TRUE(sum.Has(OP_ADD));
}

TEST(Codegen, ConstantsAreSharedPerFunctionWideOnesSeparateFromNarrow) {
  Compiled c("return L\"ab\", L\"ab\", \"ab\", 1, 1, nil == nil");
  ASSERT_EQ(c.error(), "");
  int wide = 0, narrow = 0, numbers = 0;
  for (int i = 0; i < c.main()->sizek; i++) {
    const TObject* k = &c.main()->k[i];
    if (ttiswstring(k)) wide++;
    if (ttisstring(k)) narrow++;
    if (ttisnumber(k)) numbers++;
  }
  EXPECT_EQ(wide, 1);
  EXPECT_EQ(narrow, 1);
  EXPECT_EQ(numbers, 1);
}

TEST(Codegen, ReturnOfASingleCallIsATailCall) {
  Compiled tail("return f(1)");
  std::vector<OpCode> ops = tail.Ops();
  ASSERT_GE(ops.size(), 2u);
  EXPECT_TRUE(tail.Has(OP_TAILCALL));
  EXPECT_FALSE(tail.Has(OP_CALL));
  // parentheses or a second value keep an ordinary call
  EXPECT_FALSE(Compiled("return (f(1))").Has(OP_TAILCALL));
  EXPECT_FALSE(Compiled("return f(1), 2").Has(OP_TAILCALL));
  EXPECT_EQ(Compiled("x = 1").Ops().back(), OP_RETURN);
}

struct HintCase {
  const char* constructor;
  int b;  // NEWTABLE B: encoded array size
  int c;  // NEWTABLE C: log2 of the hash size + 1
};

class TableSizes : public ::testing::TestWithParam<HintCase> {};

TEST_P(TableSizes, NewTableCarriesTheLargerOfCountAndHint) {
  const HintCase& h = GetParam();
  Compiled c(std::string("return ") + h.constructor);
  ASSERT_EQ(c.error(), "") << h.constructor;
  Instruction i = c.Find(OP_NEWTABLE);
  EXPECT_EQ(GETARG_B(i), h.b) << h.constructor;
  EXPECT_EQ(GETARG_C(i), h.c) << h.constructor;
}

INSTANTIATE_TEST_SUITE_P(
    Hints, TableSizes,
    ::testing::Values(HintCase{"{}", 0, 0}, HintCase{"{1, 2, 3}", luaO_int2fb(3), 0},
                      HintCase{"{x = 1, y = 2}", 0, luaO_log2(2) + 1},
                      HintCase{"{ & 16 }", 0, luaO_log2(16) + 1},
                      HintCase{"{ & 0 & 100 }", luaO_int2fb(100), 0},
                      HintCase{"{ & 4 & 8; 1, 2 }", luaO_int2fb(8), luaO_log2(4) + 1},
                      HintCase{"{ & 1 & 2; 1, 2, 3, x = 1, y = 2 }", luaO_int2fb(3), luaO_log2(2) + 1},
                      HintCase{"{ & 2.9 }", 0, luaO_log2(2) + 1},
                      HintCase{"{ & 0x10 & 0x20 }", luaO_int2fb(32), luaO_log2(16) + 1},
                      // absurd hints are capped instead of overflowing the conversion
                      HintCase{"{ & 1e300 }", 0, 27},
                      HintCase{"{ & 0 & 4294967295 }", luaO_int2fb(1u << 26), 0}));

TEST(Codegen, BreakAndContinueCloseCapturedLocalsOnlyWhenNeeded) {
  EXPECT_FALSE(Compiled("while x do local a = 1 if a then break end end").Has(OP_CLOSE));
  Compiled brk("while x do local a = 1 f = function() return a end if a then break end end");
  std::vector<OpCode> ops = brk.Ops();
  // one CLOSE at the end of the body and one before the break's jump
  int closes = 0;
  for (OpCode o : ops) closes += o == OP_CLOSE;
  EXPECT_EQ(closes, 2);
  Compiled cont("for i = 1, 2 do local a f = function() return a end continue end");
  Instruction close = cont.Find(OP_CLOSE);
  ASSERT_NE(close, 0u);
  // the loop's own variables (index, limit, step) stay open
  EXPECT_EQ(GETARG_A(close), 3);
}

TEST(Codegen, WhileConditionIsMovedAfterTheBody) {
  Compiled c("while x do y = 1 end");
  std::vector<OpCode> ops = c.Ops();
  ASSERT_GE(ops.size(), 5u);
  EXPECT_EQ(ops[0], OP_JMP);  // straight to the condition
  EXPECT_EQ(ops[1], OP_LOADK);
  EXPECT_EQ(ops[2], OP_SETGLOBAL);
  EXPECT_EQ(ops[3], OP_GETGLOBAL);  // the condition
}

TEST(Codegen, EmittedCodePassesTheLoadersVerifier) {
  // precompiled chunks are checked on load: whatever the compiler writes must pass
  const char* chunks[] = {
      "local t = { & 4 & 8; 1, 2, x = L\"w\" } for i = 1, 3 do if i == 2 then continue end end "
      "return t[1] & 3 | 1 << 2 >> 1 ^ 5",
      "for k, v in pairs({}) do for j = 1, 2 do local a f = function() return a end break 2 end end",
      "local i = 0 while i < 3 and (i ~= 1 or not x) do i = i + 1 repeat continue until i end",
      "local function f(...) local a, b = arg[1], g(arg.n) return f(a .. b, {f()}) end return f",
      "local a, b, c = 1 a, b.x, c[a] = b, c, a",
  };
  for (const char* src : chunks) {
    Compiled c(src);
    ASSERT_EQ(c.error(), "") << src;
    EXPECT_TRUE(luaG_checkcode(c.main())) << src;
  }
}

TEST(Codegen, LineInfoFollowsTheSource) {
  Compiled c("local a = 1\n\nb = a\n");
  const Proto* p = c.main();
  ASSERT_GE(p->sizecode, 2);
  EXPECT_EQ(p->lineinfo[0], 1);
  EXPECT_EQ(p->lineinfo[1], 3);
}

}  // namespace
