// Particle functors evaluated on their own: results, width checks, and that no index taken from a
// particle value can reach outside the member it names or the particle's block.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "particles/particlefunction.h"

namespace {

using Values = std::vector<std::vector<float>>;

// An evaluation stack with the arguments pushed, and a particle laid out like the 2D renderer's:
// position (2), up (2), scale (1), colour (4), frame (1) = 10 floats, followed by a guard float.
class FunctorBench {
 public:
  FunctorBench() {
    eval.data = evalData;
    eval.widths = evalWidths;
    eval.count = kParticleStackEntries;
    eval.floatCapacity = kParticleStackFloats;
    const uint8_t sizes[5] = {2, 2, 1, 4, 1};
    particle.data = block;
    particle.widths = memberWidths;
    for (int i = 0; i < 5; ++i) {
      memberWidths[i] = sizes[i];
      particle.offsets[i + 1] = particle.offsets[i] + sizes[i];
    }
    particle.count = 5;
    particle.floatCapacity = 10;
    for (int i = 0; i < 11; ++i) block[i] = static_cast<float>(i + 1);
    frame.stack = &eval;
    frame.particle = &particle;
  }

  // Evaluates with the arguments; answers whether it succeeded and, in out, what it pushed.
  bool Eval(TParticleFunction& f, const Values& args, std::vector<float>* out = nullptr) {
    frame.base = 0;
    frame.top = 0;
    for (const auto& a : args) EXPECT_TRUE(frame.Push(a.data(), static_cast<int32_t>(a.size())));
    frame.base = 0;
    frame.argc = static_cast<int32_t>(args.size());
    bool ok = f.Evaluate(&particle, &frame);
    if (ok && out) {
      out->clear();
      if (frame.base == 1) out->assign(eval.At(0), eval.At(0) + eval.widths[0]);
    }
    return ok;
  }

  float evalData[kParticleStackFloats] = {};
  uint8_t evalWidths[kParticleStackEntries + 1] = {};
  TParticleValueStack eval;
  float block[11] = {};
  uint8_t memberWidths[5] = {};
  TParticleValueStack particle;
  TParticleCallFrame frame;
};

ParticleFunctionPtr Make(const char* name) {
  ParticleFunctionCreator c = FindParticleFunctionCreator(name);
  EXPECT_NE(c, nullptr) << name;
  return c ? c() : nullptr;
}

float Scalar(FunctorBench& b, TParticleFunction& f, const Values& args) {
  std::vector<float> out;
  EXPECT_TRUE(b.Eval(f, args, &out));
  EXPECT_EQ(out.size(), 1u);
  return out.empty() ? NAN : out[0];
}

TEST(ParticleFunctors, CyclesStepThroughTheirRangeAndStartAgain) {
  struct Case {
    const char* name;
    std::vector<float> expected;
  };
  for (const Case& c : {Case{"fOpenCycle", {0, 2, 4, 6, 8, 0, 2}},
                        Case{"fClosedCycle", {0, 2.5f, 5, 7.5f, 10, 0, 2.5f}}}) {
    FunctorBench b;
    ParticleFunctionPtr f = Make(c.name);
    for (size_t i = 0; i < c.expected.size(); ++i)
      EXPECT_FLOAT_EQ(Scalar(b, *f, {{0}, {10}, {5}}), c.expected[i]) << c.name << " step " << i;
  }
}

TEST(ParticleFunctors, CyclesWithoutStepsFailInsteadOfDividingByZero) {
  FunctorBench b;
  for (const char* name : {"fOpenCycle", "fClosedCycle"})
    for (float steps : {0.0f, -3.0f, NAN}) {
      ParticleFunctionPtr f = Make(name);
      EXPECT_FALSE(b.Eval(*f, {{0}, {10}, {steps}})) << name << " " << steps;
    }
  // one step of a closed cycle stays on its start
  FunctorBench one;
  ParticleFunctionPtr closed = Make("fClosedCycle");
  EXPECT_FLOAT_EQ(Scalar(one, *closed, {{3}, {10}, {1}}), 3.0f);
  EXPECT_FLOAT_EQ(Scalar(one, *closed, {{3}, {10}, {1}}), 3.0f);
}

TEST(ParticleFunctors, FadeBlendsAlongItsDurations) {
  struct Case {
    Values args;
    std::vector<float> expected;
  };
  const Case cases[] = {
      {{{0}, {0}, {1}, {10}}, {0}},
      {{{0.5f}, {0}, {1}, {10}}, {5}},
      {{{1}, {0}, {1}, {10}}, {10}},
      {{{7}, {0}, {1}, {10}}, {10}},
      {{{-2}, {0}, {1}, {10}}, {0}},
      {{{NAN}, {0}, {1}, {10}}, {0}},
      // two segments: 0 -> 10 over 1, then 10 -> 20 over 2
      {{{2}, {0}, {1}, {10}, {2}, {20}}, {15}},
      {{{9}, {0}, {1}, {10}, {2}, {20}}, {20}},
      // a zero duration is passed at once
      {{{0}, {4}, {0}, {8}, {1}, {12}}, {8}},
      // vectors blend per component
      {{{0.5f}, {0, 10}, {1}, {10, 30}}, {5, 20}},
      // fewer than three arguments: the value as it is
      {{{0.5f}, {3, 4}}, {3, 4}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    FunctorBench b;
    ParticleFunctionPtr f = Make("fFade");
    std::vector<float> out;
    ASSERT_TRUE(b.Eval(*f, cases[i].args, &out)) << "case " << i;
    ASSERT_EQ(out.size(), cases[i].expected.size()) << "case " << i;
    for (size_t k = 0; k < out.size(); ++k) EXPECT_FLOAT_EQ(out[k], cases[i].expected[k]) << i;
  }
}

TEST(ParticleFunctors, WrongCountsAndWidthsFailWithoutPushing) {
  struct Case {
    const char* name;
    Values args;
  };
  const Case cases[] = {
      {"add", {{1, 2}}},               // one argument
      {"add", {{1, 2}, {1}}},          // second narrower than the first
      {"mul", {{1}, {2}, {3}}},
      {"unm", {}},
      {"lt", {{1, 2}, {1}}},           // comparisons take single floats
      {"fVec", {}},
      {"fVec", {{1}, {2}, {3}, {4}, {5}}},
      {"fAge", {{1}}},
      {"fExpire", {{1, 1}}},
      {"fRange", {{0}, {1, 2}}},       // widths must match
      {"fFade", {{0}, {1, 1}, {1}, {2}}},  // values of different widths
      {"fFade", {{0}, {1}, {1, 1}, {2}}},  // a duration that is not one float
      {"fAlpha", {{1, 1}, {0.5f}}},    // colour needs three components
      {"f2dRadius", {{1}, {1}}},       // second argument must be 2 wide
      {"f2dRotation", {{1, 2}}},
      {"fPick", {}},
      {"vindex", {{1, 2}, {3}}},       // index past the value
      {"vindex", {{1, 2}, {0}}},
      {"vindex", {{1, 2}, {NAN}}},
  };
  for (const Case& c : cases) {
    FunctorBench b;
    ParticleFunctionPtr f = Make(c.name);
    EXPECT_FALSE(b.Eval(*f, c.args)) << c.name << " with " << c.args.size() << " arguments";
  }
}

TEST(ParticleFunctors, ArithmeticAndValuesPushTheirResults) {
  struct Case {
    const char* name;
    Values args;
    std::vector<float> expected;
  };
  const Case cases[] = {
      {"add", {{1, 2}, {10, 20}}, {11, 22}},
      {"sub", {{1, 2}, {10, 20}}, {-9, -18}},
      {"mul", {{2, 3, 4}, {5, 6, 7}}, {10, 18, 28}},
      {"div", {{8}, {2}}, {4}},
      {"add", {{1}, {10, 20}}, {11}},  // the first argument's width rules
      {"unm", {{1, -2}}, {-1, 2}},
      {"lt", {{1}, {2}}, {1}},
      {"lt", {{2}, {2}}, {0}},
      {"le", {{2}, {2}}, {1}},
      {"fLess", {{3}, {2}}, {0}},
      {"fVec", {{1}, {2, 9}, {3}}, {1, 2, 3}},
      {"fAlpha", {{0.1f, 0.2f, 0.3f, 0.9f}, {0.5f}}, {0.1f, 0.2f, 0.3f, 0.5f}},
      {"f2dRotation", {{0}}, {1, 0}},
      {"fDistance", {{0, 0}, {3, 4}}, {5}},
      {"vindex", {{7, 8, 9}, {2}}, {8}},
      {"fRange", {{2, 5}, {2, 5}}, {2, 5}},
  };
  for (const Case& c : cases) {
    FunctorBench b;
    ParticleFunctionPtr f = Make(c.name);
    std::vector<float> out;
    ASSERT_TRUE(b.Eval(*f, c.args, &out)) << c.name;
    ASSERT_EQ(out.size(), c.expected.size()) << c.name;
    for (size_t k = 0; k < out.size(); ++k) EXPECT_NEAR(out[k], c.expected[k], 1e-6) << c.name;
  }
}

TEST(ParticleFunctors, TimeAndExpiryFollowTheFrame) {
  FunctorBench b;
  b.frame.milliseconds = 250;
  EXPECT_FLOAT_EQ(Scalar(b, *Make("fAge"), {}), 250.0f);
  std::vector<float> out;
  ASSERT_TRUE(b.Eval(*Make("fTimeScale"), {{4, -8}}, &out));
  EXPECT_EQ(out, (std::vector<float>{1, -2}));

  b.frame.alive = 1;
  EXPECT_FLOAT_EQ(Scalar(b, *Make("fExpire"), {{0}}), 0.0f);
  EXPECT_EQ(b.frame.alive, 1);
  EXPECT_FLOAT_EQ(Scalar(b, *Make("fExpire"), {{-0.25f}}), 1.0f);
  EXPECT_EQ(b.frame.alive, 0);
}

TEST(ParticleFunctors, RandomChoicesStayWithinTheirArguments) {
  FunctorBench b;
  ParticleFunctionPtr pick = Make("fPick");
  std::set<std::vector<float>> seen;
  for (int i = 0; i < 200; ++i) {
    std::vector<float> out;
    ASSERT_TRUE(b.Eval(*pick, {{1}, {2, 3}, {4, 5, 6}}, &out));
    ASSERT_TRUE(out == std::vector<float>{1} || out == (std::vector<float>{2, 3}) ||
                out == (std::vector<float>{4, 5, 6}));
    seen.insert(out);
  }
  EXPECT_EQ(seen.size(), 3u);

  ParticleFunctionPtr range = Make("fRange");
  ParticleFunctionPtr radius = Make("f2dRadius");
  for (int i = 0; i < 100; ++i) {
    std::vector<float> out;
    ASSERT_TRUE(b.Eval(*range, {{-1, 10}, {1, 20}}, &out));
    EXPECT_TRUE(out[0] >= -1 && out[0] <= 1 && out[1] >= 10 && out[1] <= 20);
    ASSERT_TRUE(b.Eval(*radius, {{3}}, &out));
    EXPECT_NEAR(std::hypot(out[0], out[1]), 3.0, 1e-4);
  }
}

// Indices and bases come from particle values at run time: nothing may reach beyond the member.
TEST(ParticleFunctors, MemberAccessStaysInsideTheMember) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* name;
    Values args;
    bool ok;
  };
  const Case cases[] = {
      {"index", {{5}, {1}}, true},     // colour red
      {"index", {{5}, {4}}, true},     // colour alpha
      {"index", {{5}, {5}}, false},    // past the colour
      {"index", {{5}, {0}}, false},
      {"index", {{9}, {2}}, false},    // frame has one float
      {"index", {{6}, {1}}, false},    // not where a member starts
      {"index", {{10}, {1}}, false},   // past the block
      {"index", {{5}, {NAN}}, false},
      {"index", {{5}, {inf}}, false},
      {"index", {{1e30f}, {1}}, false},
      {"newindex", {{5}, {4}, {0.5f}}, true},
      {"newindex", {{5}, {5}, {0.5f}}, false},
      {"newindex", {{9}, {2}, {0.5f}}, false},
      {"newindex", {{-1}, {1}, {0.5f}}, false},
      {"newindex", {{200}, {1}, {0.5f}}, false},
  };
  for (const Case& c : cases) {
    FunctorBench b;
    ParticleFunctionPtr f = Make(c.name);
    EXPECT_EQ(b.Eval(*f, c.args), c.ok) << c.name << " " << c.args[0][0] << " " << c.args[1][0];
    EXPECT_EQ(b.block[10], 11.0f) << "guard float changed";
  }
  FunctorBench b;
  EXPECT_FLOAT_EQ(Scalar(b, *Make("index"), {{5}, {3}}), 8.0f);
  EXPECT_FLOAT_EQ(Scalar(b, *Make("newindex"), {{4}, {1}, {-3}}), -3.0f);
  EXPECT_FLOAT_EQ(b.block[4], -3.0f);
}

TEST(ParticleFunctors, AssignmentWritesNoMoreThanTheMemberHolds) {
  struct Case {
    Values args;  // value, base, size
    std::vector<float> block;
    bool ok;
  };
  const Case cases[] = {
      // position = (20, 30)
      {{{20, 30}, {0}, {2}}, {20, 30, 3, 4, 5, 6, 7, 8, 9, 10, 11}, true},
      // a value wider than scale: only scale is written
      {{{20, 30, 40, 50}, {4}, {1}}, {1, 2, 3, 4, 20, 6, 7, 8, 9, 10, 11}, true},
      // a forged size larger than the member: still only the member
      {{{20, 30, 40, 50}, {4}, {200}}, {1, 2, 3, 4, 20, 6, 7, 8, 9, 10, 11}, true},
      // the last member, frame: never past the block's end
      {{{20, 30, 40}, {9}, {3}}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 20, 11}, true},
      {{{20}, {-1}, {1}}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, false},
      {{{20}, {10}, {1}}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, false},
      {{{20}, {3}, {1}}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, false},  // inside a member
      {{{20}, {NAN}, {1}}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, false},
      {{{20}, {0}, {0}}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    FunctorBench b;
    ParticleFunctionPtr f = Make("assign");
    std::vector<float> out;
    EXPECT_EQ(b.Eval(*f, cases[i].args, &out), cases[i].ok) << "case " << i;
    EXPECT_TRUE(out.empty()) << "assignment pushes nothing";
    EXPECT_EQ(std::vector<float>(b.block, b.block + 11), cases[i].block) << "case " << i;
  }
}

TEST(ParticleFunctors, ParticleReadsStayInsideTheBlock) {
  FunctorBench b;
  std::vector<float> out;
  FGetParticleParam colour(5, 4);
  ASSERT_TRUE(b.Eval(colour, {}, &out));
  EXPECT_EQ(out, (std::vector<float>{6, 7, 8, 9}));
  FGetParticleParam pastEnd(8, 4);
  EXPECT_FALSE(b.Eval(pastEnd, {}));
  // a negative base names a parameter value; without a system there is none
  FGetParticleParam named(-1, 2);
  EXPECT_FALSE(b.Eval(named, {}));
  FunctorBench b2;
  EXPECT_FALSE(b2.Eval(*Make("index"), {{-3}, {1}}));
}

TEST(ParticleFunctors, TheStackRefusesAPushWhenFull) {
  FunctorBench b;
  float v[4] = {1, 2, 3, 4};
  b.frame.base = 0;
  for (int i = 0; i < kParticleStackEntries; ++i) ASSERT_TRUE(b.frame.Push(v, 4)) << i;
  EXPECT_FALSE(b.frame.Push(v, 1));
  EXPECT_EQ(b.frame.base, kParticleStackEntries);
  b.frame.base = 0;
  EXPECT_FALSE(b.frame.Push(v, 5));
  EXPECT_FALSE(b.frame.Push(v, 0));
}

}  // namespace
