// Scripted particle systems running real effect scripts: compiling value tables into streams,
// births, animation, expiry, the shared script state, script files and textures.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "particlefixture.h"
#include "particles/particlefunction.h"
#include "script/script.h"

namespace {

// An emitter: two particles per update, moving at (100, -50) per second, gone after 300 ms.
constexpr const char kEmitter[] = R"(
pAge = Allocate(1)
RequireVelocity()
SetNumParticles(8)
pPosition:Init(Vec2(5, 6))
pVelocity:Init(Vec2(100, -50))
pColor:Init(Color(1, 0.5, 0.25, 1))
pAge:Init(0)
pPosition:Anim(pPosition + fTimeScale(pVelocity))
pAge:Anim(pAge + fAge())
Anim(fExpire(fLess(300, pAge)))
function Update(seconds)
  CreateParticles(2)
end
)";

std::vector<std::string> Entries(const TLuaParticleSystem::TStream& s, size_t from = 0) {
  std::vector<std::string> out;
  for (size_t i = from; i < s.size(); ++i)
    out.push_back(std::string(s[i].functor->GetClassName()) + "/" + std::to_string(s[i].argc));
  return out;
}

TEST_F(ParticleTest, RendererMembersComeFirstInEveryParticle) {
  auto s = Make("pAge = Allocate(1)");
  EXPECT_EQ(s->GetMemberSizes(), (std::vector<uint8_t>{2, 2, 1, 4, 1, 1}));
  EXPECT_EQ(s->GetStride(), 11);
  Run(*s, "b, n = GetParticleMemberParts(pColor); ab, an = GetParticleMemberParts(pAge)");
  EXPECT_EQ(Global(*s, "b"), 5);
  EXPECT_EQ(Global(*s, "n"), 4);
  EXPECT_EQ(Global(*s, "ab"), 10);
  EXPECT_EQ(Global(*s, "an"), 1);
}

TEST_F(ParticleTest, EmitterMovesAgesAndExpiresItsParticles) {
  auto s = Make(kEmitter);
  for (int frame = 1; frame <= 3; ++frame) s->Update(100);
  EXPECT_EQ(s->GetCollection().GetCount(), 6);
  s->Update(100);  // the first pair reaches 400 ms and goes
  ASSERT_EQ(s->GetCollection().GetCount(), 6);
  std::vector<std::vector<float>> p = Particles(*s, 13);
  // oldest first: three, two and one animation steps
  const float expected[3][2] = {{35, -9}, {25, -4}, {15, 1}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_FLOAT_EQ(p[i][0], expected[i / 2][0]) << i;
    EXPECT_FLOAT_EQ(p[i][1], expected[i / 2][1]) << i;
    EXPECT_EQ(std::vector<float>(p[i].begin() + 2, p[i].begin() + 10),
              (std::vector<float>{0, -1, 1, 1, 0.5f, 0.25f, 1, 0}))
        << "renderer defaults and the colour";
    EXPECT_FLOAT_EQ(p[i][10], 300.0f - 100.0f * (i / 2)) << "age";
    EXPECT_FLOAT_EQ(p[i][11], 100) << "velocity x";
  }
  // the freed blocks are born again
  s->Update(100);
  EXPECT_EQ(s->GetCollection().GetCount(), 6);
  EXPECT_EQ(s->GetCollection().GetFreeCount(), 2);
}

TEST_F(ParticleTest, BirthsCarryFractionsAndDropWhatDoesNotFit) {
  auto s = Make("SetNumParticles(3)\nAnim(fExpire(1))");
  Run(*s, "CreateParticles(0.5)");
  EXPECT_EQ(s->GetCollection().GetCount(), 1);
  Run(*s, "CreateParticles(0.5)");
  EXPECT_EQ(s->GetCollection().GetCount(), 1) << "-0.5 + 0.5 is not above 0";
  Run(*s, "CreateParticles(10)");
  EXPECT_EQ(s->GetCollection().GetCount(), 3);
  s->Update(16);  // every particle expires
  EXPECT_EQ(s->GetCollection().GetCount(), 0);
  Run(*s, "CreateParticles(0)");
  EXPECT_EQ(s->GetCollection().GetCount(), 0) << "the overflow was not queued";
  Run(*s, "CreateParticles(1); c = GetParticleCount()");
  EXPECT_EQ(Global(*s, "c"), 1);
  // counts that are no numbers or not finite change nothing later on
  Run(*s, "CreateParticles(0/0); CreateParticles(-1/0); CreateParticles(1)");
  EXPECT_EQ(s->GetCollection().GetCount(), 2);
}

TEST_F(ParticleTest, SeededEffectsRepeat) {
  const char* script = R"(
SetNumParticles(20)
pPosition:Init(fRange(Vec2(-10, -10), Vec2(10, 10)))
pScale:Init(fPick(0.5, 1, 2))
pColor:Init(fAlpha(Color(1, 1, 1, 1), fRange(0, 1)))
function Update(s) CreateParticles(4) end
)";
  const uint32_t seed[4] = {7, 7, 7, 7};
  std::vector<std::vector<float>> runs[2];
  for (auto& run : runs) {
    TLuaParticleSystem::SeedRandom(seed);
    auto s = Make(script);
    for (int i = 0; i < 3; ++i) s->Update(12);
    run = Particles(*s, 10);
  }
  ASSERT_EQ(runs[0].size(), 12u);
  EXPECT_EQ(runs[0], runs[1]);
  std::set<float> xs;
  for (const auto& p : runs[0]) {
    EXPECT_TRUE(p[0] >= -10 && p[0] <= 10 && p[1] >= -10 && p[1] <= 10);
    EXPECT_TRUE(p[4] == 0.5f || p[4] == 1 || p[4] == 2);
    EXPECT_TRUE(p[8] >= 0 && p[8] <= 1);
    xs.insert(p[0]);
  }
  EXPECT_GT(xs.size(), 6u) << "positions should differ";
}

TEST_F(ParticleTest, RandomFunctionsOfTheScript) {
  auto s = Make("");
  Run(*s, R"(
same = 1
for i = 1, 50 do if RandomRange(3, 3) ~= 3 then same = 0 end end
inside = 1
for i = 1, 200 do
  local r = RandomRange(1, 6)
  local f = RandomFloat()
  if r < 1 or r > 6 or math.floor(r) ~= r or f < 0 or f >= 1 then inside = 0 end
end)");
  EXPECT_EQ(Global(*s, "same"), 1);
  EXPECT_EQ(Global(*s, "inside"), 1);
}

TEST_F(ParticleTest, CompilingValuesAppendsTheirPrograms) {
  auto s = Make("");
  struct Case {
    const char* value;
    int width;  // -1: no value returned
    std::vector<std::string> entries;
  };
  const Case cases[] = {
      {"Vec2(1, 2)", 2, {"FPush/0"}},
      {"Color(1, 2, 3, 4)", 4, {"FPush/0"}},
      {"Value(5)", -1, {}},
      {"{1, 2, 3, 4, 5}", -1, {}},
      {"{}", -1, {}},
      {"7", 1, {"FPush/0"}},
      {"'2.5'", 1, {"FPush/0"}},
      {"Vec2(0, pScale)", 1, {"FPush/0", "FGetParticleParam/0", "FVec/2"}},
      {"Vec2(nil, pScale)", 1, {"FGetParticleParam/0", "FVec/2"}},
      {"pColor", 4, {"FGetParticleParam/0"}},
      {"nil", 0, {}},
      {"true", 0, {}},
      {"'text'", 0, {}},
      {"print", 0, {}},
      {"pPosition + Vec2(1, 1)", 2, {"FGetParticleParam/0", "FPush/0", "FAdd/2"}},
      {"-pPosition", 2, {"FGetParticleParam/0", "FUnm/1"}},
      {"pColor[2]", 1, {"FPush/0", "FPush/0", "FIndex/2"}},
      {"(pPosition + Vec2(1, 1))[2]", 1,
       {"FGetParticleParam/0", "FPush/0", "FAdd/2", "FPush/0", "FVIndex/2"}},
      {"fGreater(pScale, 2)", 1, {"FPush/0", "FGetParticleParam/0", "FLt/2"}},
      {"fFade(fAge(), 0, 1, 10, 2, 20)", 1,
       {"FAge/0", "FPush/0", "FPush/0", "FPush/0", "FPush/0", "FPush/0", "FFade/6"}},
      {"fAlpha(pColor, 0.5)", 4, {"FGetParticleParam/0", "FPush/0", "FAlpha/2"}},
  };
  for (const Case& c : cases) {
    size_t before = s->GetCompileBuffer().size();
    Run(*s, std::string("w = CompileParam(") + c.value + ")");
    if (c.width < 0)
      EXPECT_EQ(GlobalType(*s, "w"), LUA_TNIL) << c.value;
    else
      EXPECT_EQ(Global(*s, "w"), c.width) << c.value;
    EXPECT_EQ(Entries(s->GetCompileBuffer(), before), c.entries) << c.value;
  }
}

TEST_F(ParticleTest, MemberAnimationCompilesToOneAssignment) {
  auto s = Make("RequireVelocity()\npPosition:Anim(pPosition + fTimeScale(pVelocity))");
  EXPECT_EQ(Entries(s->GetAnimStream()),
            (std::vector<std::string>{"FGetParticleParam/0", "FGetParticleParam/0",
                                      "FTimeScale/1", "FAdd/2", "FPush/0", "FPush/0",
                                      "FAssign/3"}));
  EXPECT_TRUE(s->GetCompileBuffer().empty());
  EXPECT_TRUE(s->GetInitStream().empty());
  auto* base = dynamic_cast<FPush<1>*>(s->GetAnimStream()[4].functor.get());
  auto* size = dynamic_cast<FPush<1>*>(s->GetAnimStream()[5].functor.get());
  ASSERT_TRUE(base && size);
  EXPECT_EQ(base->GetValue()[0], 0.0f);
  EXPECT_EQ(size->GetValue()[0], 2.0f);
}

TEST_F(ParticleTest, GravityAndGeneratorsOfTheBaseScript) {
  auto s = Make(R"(
SetUpGravity(1000)
SetNumParticles(4)
pVelocity:Init(Vec2(0, 0))
pPosition:Anim(pPosition + fTimeScale(pVelocity))
gen = NewParticleGenerator()
timeout = NewTimeout(0.05)
function Update(seconds)
  CreateParticles(ParticlesPerSecond(50, seconds * 1000))
  if timeout(seconds) then Done() end
end
)");
  s->Update(10);  // 10 ms at 50 per second: none due yet
  EXPECT_EQ(s->GetCollection().GetCount(), 0);
  s->Update(10);  // 20 ms: one
  ASSERT_EQ(s->GetCollection().GetCount(), 1);
  std::vector<float> p = Particles(*s, 12)[0];
  EXPECT_FLOAT_EQ(p[10], 0) << "velocity x";
  EXPECT_FLOAT_EQ(p[11], 10) << "1000 per second for 10 ms";
  EXPECT_FLOAT_EQ(p[1], 0.1f);
  EXPECT_FALSE(s->IsDone());
  for (int i = 0; i < 5; ++i) s->Update(10);
  EXPECT_TRUE(s->IsDone());
  Run(*s, "z = gen(0, 1000) + gen(-5, 1000)");
  EXPECT_EQ(Global(*s, "z"), 0) << "no rate, no particles";
}

TEST_F(ParticleTest, NamedValuesReadLikeMembers) {
  auto s = std::make_unique<TLuaParticleSystem>();
  auto locus = std::make_shared<FConstVec2>(TVec2(40, 50));
  ASSERT_TRUE(s->SetNamedValue("dLocus", locus));
  ASSERT_TRUE(s->Load(R"(
SetNumParticles(2)
pPosition:Init(dLocus)
pScale:Init(dLocus[2])
b, n = GetParticleMemberParts(dLocus)
)"));
  EXPECT_EQ(Global(*s, "b"), -1);
  EXPECT_EQ(Global(*s, "n"), 2);
  locus->Set(TVec2(7, 8));
  Run(*s, "CreateParticles(1)");
  std::vector<float> p = Particles(*s, 5)[0];
  EXPECT_EQ(p[0], 7);
  EXPECT_EQ(p[1], 8);
  EXPECT_EQ(p[4], 8);

  // an index past the named value is reported and the rest of the program is skipped
  Run(*s, "pFrame:Init(dLocus[3])\npScale:Init(3)");
  Run(*s, "CreateParticles(1)");
  p = Particles(*s, 10)[1];
  EXPECT_EQ(p[9], 0);
  EXPECT_EQ(p[4], 8) << "the run stopped at the failing entry";
  EXPECT_TRUE(Logged("Out of range parameter index [3] when indexing dLocus")) << Log();
  EXPECT_TRUE(Logged("luaparticlesystem")) << Log();
}

TEST_F(ParticleTest, ScriptFilesAreSearchedAndTexturesFoundBesideThem) {
  struct FakeTexture : IParticleTexture {
    int32_t GetWidth() const override { return 32; }
    int32_t GetHeight() const override { return 16; }
    int32_t GetFrameCount() const override { return 1; }
    TRect GetFrameSource(int32_t) const override { return {0, 0, 32, 16}; }
    void GetFrameTrim(int32_t, TVec2* full, TRect* trimmed) const override {
      *full = TVec2(32, 16);
      *trimmed = TRect(0, 0, 32, 16);
    }
  };
  auto texture = std::make_shared<FakeTexture>();
  std::vector<std::string> asked;
  TLuaParticleSystem::SetTextureLookup([&](const TString& name) -> std::shared_ptr<IParticleTexture> {
    asked.push_back(name.CStr());
    return std::string(name.CStr()) == "fx/glow.png" ? texture : nullptr;
  });
  WriteFile("fx/glow.lua", "SetNumParticles(1)\nSetTexture('glow.png')\nloaded = 1\n");

  TLuaParticleSystem s;
  EXPECT_FALSE(s.Load("fx/absent.lua"));
  ASSERT_TRUE(s.Load("fx/glow.lua")) << Log();
  EXPECT_EQ(Global(s, "loaded"), 1);
  EXPECT_STREQ(s.GetScriptFolder().CStr(), "fx");
  EXPECT_EQ(asked, (std::vector<std::string>{"glow.png", "fx/glow.png"}));
  auto* renderer = static_cast<T2dParticleRenderer*>(s.GetRenderer());
  EXPECT_EQ(renderer->GetTexture(), texture);
  EXPECT_EQ(renderer->GetBaseSize(), TVec2(32, 16));

  TLuaParticleSystem plain;
  ASSERT_TRUE(plain.Load("glow.lua")) << "found below assets/fx/";
  EXPECT_STREQ(plain.GetScriptFolder().CStr(), "");
}

TEST_F(ParticleTest, SharedScriptStateKeepsEachSystemsUpdate) {
  SetConfig("lpsonescript", "1");
  // both exist before either loads its script
  auto a = std::make_unique<TLuaParticleSystem>();
  auto b = std::make_unique<TLuaParticleSystem>();
  ASSERT_EQ(a->GetState(), b->GetState());
  ASSERT_NE(a->GetSystemId(), b->GetSystemId());
  ASSERT_TRUE(a->Load("RequireVelocity()\nSetNumParticles(10)\nfunction Update(s) CreateParticles(1) end"));
  EXPECT_EQ(a->GetStride(), 12);
  ASSERT_TRUE(b->Load("SetNumParticles(20)\nfunction Update(s) CreateParticles(3) end"));
  EXPECT_EQ(a->GetCollection().GetCapacity(), 10);
  EXPECT_EQ(b->GetCollection().GetCapacity(), 20);
  std::string nameA = "Update" + std::to_string(a->GetSystemId());
  std::string nameB = "Update" + std::to_string(b->GetSystemId());
  EXPECT_EQ(GlobalType(*a, nameA.c_str()), LUA_TFUNCTION);
  EXPECT_EQ(GlobalType(*a, nameB.c_str()), LUA_TFUNCTION);
  a->Update(10);
  b->Update(10);
  a->Update(10);
  EXPECT_EQ(a->GetCollection().GetCount(), 2);
  EXPECT_EQ(b->GetCollection().GetCount(), 3);

  a.reset();
  EXPECT_EQ(GlobalType(*b, nameA.c_str()), LUA_TNIL);
  b->Update(10);
  EXPECT_EQ(b->GetCollection().GetCount(), 6);
  // a third system reuses the state without running the base script again
  auto c = std::make_unique<TLuaParticleSystem>();
  EXPECT_EQ(c->GetState(), b->GetState());
  EXPECT_EQ(c->GetStride(), 10);
  EXPECT_EQ(GlobalType(*c, "pVelocity"), LUA_TNIL) << "another system's member is not this one's";
}

TEST_F(ParticleTest, DoneAndResetScript) {
  auto s = Make("SetNumParticles(4)\npScale:Init(3)\nfunction Update(x) CreateParticles(1); Done() end");
  EXPECT_FALSE(s->IsDone());
  s->Update(12);
  EXPECT_TRUE(s->IsDone());
  EXPECT_EQ(s->GetCollection().GetCount(), 1);
  s->ResetScript();
  EXPECT_EQ(s->GetCollection().GetCount(), 0);
  EXPECT_TRUE(s->GetInitStream().empty());
  EXPECT_EQ(s->GetStride(), 10);
  ASSERT_TRUE(s->Load("SetNumParticles(1)"));
  EXPECT_FALSE(s->IsDone());
}

TEST_F(ParticleTest, CollectorStressSwitchReachesTheScriptState) {
  const char* stress = std::getenv("TM_LUA_GCSTRESS");
  bool wanted = stress && std::string(stress) == "1";
  auto s = Make(kEmitter);
  EXPECT_EQ(lua_getgcstress(s->GetState()) != 0, wanted);
  for (int i = 0; i < 6; ++i) s->Update(50);
  EXPECT_GT(s->GetCollection().GetCount(), 0);
}

}  // namespace
