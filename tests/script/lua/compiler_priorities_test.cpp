// Operator priorities against an independent model: random expression trees over the arithmetic
// and bitwise operators are printed with only the parentheses the priority table requires, run,
// and compared with the tree's own value.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "lua_runner.h"

namespace {

struct Priority {
  const char* op;
  int left, right;
};

// The binary operators under test with their (left, right) priorities; unary minus is 8.
const Priority kOps[] = {{"+", 6, 6}, {"-", 6, 6}, {"*", 7, 7}, {"&", 8, 8},
                         {"|", 8, 8}, {"<<", 8, 8}, {">>", 8, 8}, {"^", 10, 9}};
constexpr int kUnary = 8;

struct Node {
  enum Kind { Number, Negate, Binary } kind;
  double value = 0;
  int op = 0;  // index into kOps
  std::unique_ptr<Node> a, b;
};

struct OutOfModel {};  // a value whose integer conversion is not defined: the case is skipped

uint32_t Low32(double x) {
  if (!std::isfinite(x) || std::fabs(x) >= 9.2e18) throw OutOfModel{};
  return static_cast<uint32_t>(static_cast<int64_t>(x));  // toward zero, then the low 32 bits
}

double Eval(const Node& n) {
  if (n.kind == Node::Number) return n.value;
  if (n.kind == Node::Negate) return -Eval(*n.a);
  double x = Eval(*n.a), y = Eval(*n.b), r = 0;
  std::string op = kOps[n.op].op;
  if (op == "+") r = x + y;
  else if (op == "-") r = x - y;
  else if (op == "*") r = x * y;
  else if (op == "&") r = Low32(x) & Low32(y);
  else if (op == "|") r = Low32(x) | Low32(y);
  else if (op == "<<") r = static_cast<uint32_t>(Low32(x) << (Low32(y) & 31));
  else if (op == ">>") r = Low32(x) >> (Low32(y) & 31);
  else r = Low32(x) ^ Low32(y);  // `^' between numbers
  if (!std::isfinite(r) || std::fabs(r) > 1e15) throw OutOfModel{};
  return r;
}

std::unique_ptr<Node> Generate(std::mt19937& rng, int depth) {
  static const double kLeaves[] = {0, 1, 2, 3, 5, 7, 12, 31, 32, 255, 2.5, 0.75, 4294967295, 65536};
  auto n = std::make_unique<Node>();
  std::uniform_real_distribution<double> coin(0, 1);
  if (depth == 0 || coin(rng) < 0.25) {
    n->kind = Node::Number;
    n->value = kLeaves[rng() % (sizeof kLeaves / sizeof kLeaves[0])];
  } else if (coin(rng) < 0.15) {
    n->kind = Node::Negate;
    n->a = Generate(rng, depth - 1);
  } else {
    n->kind = Node::Binary;
    n->op = static_cast<int>(rng() % (sizeof kOps / sizeof kOps[0]));
    n->a = Generate(rng, depth - 1);
    n->b = Generate(rng, depth - 1);
  }
  return n;
}

// Source text with the fewest parentheses the priorities allow.
std::string Show(const Node& n) {
  if (n.kind == Node::Number) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.14g", n.value);
    return buf;
  }
  if (n.kind == Node::Negate) {
    std::string s = Show(*n.a);
    // only `^' binds tighter than the unary minus
    bool wrap = n.a->kind == Node::Negate || (n.a->kind == Node::Binary && kOps[n.a->op].left <= kUnary);
    return "-" + (wrap ? "(" + s + ")" : s);
  }
  const Priority& p = kOps[n.op];
  std::string l = Show(*n.a), r = Show(*n.b);
  if (n.a->kind == Node::Binary) {
    const Priority& c = kOps[n.a->op];
    if (p.left > c.right) l = "(" + l + ")";  // else our operator would bind into its right operand
  } else if (n.a->kind == Node::Negate && p.left > kUnary) {
    l = "(" + l + ")";
  }
  // a right operand keeps its operator only when that one binds tighter than our right priority
  if (n.b->kind == Node::Binary && kOps[n.b->op].left <= p.right) r = "(" + r + ")";
  return l + " " + p.op + " " + r;
}

TEST(OperatorPriorities, RandomExpressionsMatchTheModel) {
  std::mt19937 rng(20261210);
  for (int batch = 0; batch < 8; batch++) {
    std::vector<std::string> sources, expected;
    while (sources.size() < 40) {
      std::unique_ptr<Node> tree = Generate(rng, 4);
      try {
        double v = Eval(*tree);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.14g", v == 0 ? 0.0 : v);  // -0 and 0 print alike here
        expected.push_back(buf);
        sources.push_back(Show(*tree));
      } catch (const OutOfModel&) {
      }
    }
    std::string chunk = "return ";
    for (size_t i = 0; i < sources.size(); i++) chunk += (i ? ", " : "") + sources[i];
    luatest::RunResult r = luatest::Run(chunk);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.results.size(), sources.size());
    for (size_t i = 0; i < sources.size(); i++) {
      std::string got = r.results[i] == "-0" ? "0" : r.results[i];
      EXPECT_EQ(got, expected[i]) << sources[i];
    }
  }
}

}  // namespace
