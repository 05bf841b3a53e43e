// Effect sprites: fixed 12 ms effect steps, playing only once drawn in place, the emitter's
// position and direction reaching the script, child effects made by "CreateFx".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "particles/effectsprite.h"
#include "particles/particlefixture.h"

namespace {

// Counts its updates and the seconds they carried; emits from the sprite.
constexpr const char kCounting[] = R"(
SetNumParticles(16)
pPosition:Init(dLocus)
pUp:Init(dUp)
calls = 0
total = 0
function Update(seconds)
  calls = calls + 1
  total = total + seconds
  CreateParticles(1)
end
)";

// A sprite's children, all effect sprites here, in drawing order.
std::vector<std::shared_ptr<TFxSprite>> FxChildren(const TSprite& sprite) {
  std::vector<std::shared_ptr<TFxSprite>> children;
  for (const auto& child : sprite.GetChildren()) children.push_back(std::dynamic_pointer_cast<TFxSprite>(child));
  return children;
}

class FxSpriteTest : public ParticleTest {
 protected:
  // A sprite running the script, registered with the test's own task.
  std::shared_ptr<TFxSprite> MakeSprite(const char* script, int32_t layer = 0) {
    auto sprite = TFxSprite::Create(layer, "");
    EXPECT_TRUE(sprite->LoadSpec(script, &mTask, false));
    return sprite;
  }

  TFxSpriteAnimTask mTask{1000};
};

TEST_F(FxSpriteTest, EffectsAdvanceInWholeStepsOfTwelveMilliseconds) {
  struct Case {
    uint32_t elapsed;
    double calls;
  };
  // the time below a step carries over to the next frame; a long frame gives at most four steps
  // and drops the rest
  const Case frames[] = {{30, 2}, {6, 1}, {100, 4}, {11, 0}, {12, 1}, {48, 4}, {1, 1}, {0, 0}};
  auto sprite = MakeSprite(kCounting);
  TDrawSpec root;
  sprite->Draw(&root);
  uint32_t now = 1000;
  double calls = 0;
  for (const Case& f : frames) {
    now += f.elapsed;
    EXPECT_TRUE(mTask.Update(now));
    calls += f.calls;
    EXPECT_EQ(Global(sprite->GetParticleSystem(), "calls"), calls) << "after " << f.elapsed;
  }
  EXPECT_NEAR(Global(sprite->GetParticleSystem(), "total"), calls * 0.012, 1e-9);
  // An idle loop that comes round every millisecond still moves effects a step per 12 ms.
  for (int turn = 0; turn < 36; ++turn) mTask.Update(++now);
  EXPECT_EQ(Global(sprite->GetParticleSystem(), "calls"), calls + 3);
}

TEST_F(FxSpriteTest, OnlyPlacedSpritesPlay) {
  auto never = MakeSprite(kCounting);
  auto root = MakeSprite(kCounting);
  root->Draw(nullptr);  // drawn, but not under anything
  EXPECT_FALSE(root->IsPlaying());
  EXPECT_EQ(mTask.GetCount(), 2u);
  mTask.Update(1100);
  EXPECT_EQ(Global(never->GetParticleSystem(), "calls"), 0);
  EXPECT_EQ(Global(root->GetParticleSystem(), "calls"), 0);
}

TEST_F(FxSpriteTest, FinishedAndReleasedSpritesLeaveTheTask) {
  auto done = MakeSprite("function Update() Done() end");
  auto gone = MakeSprite(kCounting);
  auto stays = MakeSprite(kCounting);
  TDrawSpec root;
  done->Draw(&root);
  gone.reset();
  EXPECT_TRUE(mTask.Update(1012));
  EXPECT_TRUE(done->GetParticleSystem().IsDone());
  EXPECT_EQ(mTask.GetCount(), 2u) << "the released sprite went";
  EXPECT_TRUE(mTask.Update(1024));
  EXPECT_EQ(mTask.GetCount(), 1u) << "the finished one went at the next update";
  stays.reset();
  EXPECT_FALSE(mTask.Update(1036)) << "nothing left to step";
}

TEST_F(FxSpriteTest, EmitterFollowsWhereTheSpriteIsDrawn) {
  auto parent = TFxSprite::Create(0, "");
  auto sprite = MakeSprite(kCounting);
  parent->AddChild(sprite);
  sprite->SetPosition(TVec2(10, 20));
  TDrawSpec screen;
  screen.transform.SetTranslation(TVec2(100, 50));
  parent->Draw(&screen);
  EXPECT_TRUE(sprite->IsPlaying());
  EXPECT_EQ(sprite->GetEmitterLocus(), TVec2(110, 70));
  EXPECT_EQ(sprite->GetEmitterUp(), TVec2(0, -1));

  mTask.Update(1012);
  std::vector<std::vector<float>> p = Particles(sprite->GetParticleSystem(), 4);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0], (std::vector<float>{110, 70, 0, -1}));

  // a quarter turn of the parent turns the emitter's up direction
  screen.transform = TMat3::Rotation(1.5707964f);
  parent->Draw(&screen);
  EXPECT_NEAR(sprite->GetEmitterUp().x, -1, 1e-6);
  EXPECT_NEAR(sprite->GetEmitterUp().y, 0, 1e-6);
}

TEST_F(FxSpriteTest, AnEffectHangsInAnOrdinarySpriteTree) {
  auto parent = TSprite::Create(0);
  auto sprite = MakeSprite(kCounting, 2);
  sprite->SetPosition(TVec2(10, 20));
  parent->AddChild(sprite);
  parent->AddChild(TSprite::Create(1));
  ASSERT_EQ(KindCast<TFxSprite>(parent->GetChildren().back().get()), sprite.get()) << "kept by layer";
  EXPECT_EQ(KindCast<TFxSprite>(parent->GetChildren().front().get()), nullptr);
  parent->Draw(TDrawSpec(TVec2(100, 50), 1.0f, 1.0f, 0), -1);
  EXPECT_TRUE(sprite->IsPlaying());
  EXPECT_EQ(sprite->GetEmitterLocus(), TVec2(110, 70));
}

TEST_F(FxSpriteTest, CreateFxMakesChildEffects) {
  WriteFile("fx/spark.lua", "SetNumParticles(1)\nsparkLoaded = 1\n");
  WriteFile("fx/host.lua",
            "a = CreateFx({spec = 'spark.lua'})\n"
            "b = CreateFx({spec = 'spark.lua', x = 5, y = 6, layer = 3})\n"
            "c = CreateFx({spec = 'missing.lua', layer = -1})\n"
            "d = CreateFx(7)\n");
  auto host = TFxSprite::Create(0, "fx/host.lua");
  EXPECT_STREQ(host->GetSpecFolder().CStr(), "fx");
  // the fourth, made from no table, has no effect script to load
  ASSERT_EQ(host->GetChildren().size(), 4u) << Log();
  // kept by layer: the missing effect's child (layer -1) first
  const auto c = FxChildren(*host);
  EXPECT_EQ(c[0]->GetLayer(), -1);
  EXPECT_TRUE(Logged("cannot load the effect fx/missing.lua")) << Log();
  EXPECT_EQ(c[1]->GetPosition(), TVec2(0, 0));
  EXPECT_EQ(c[1]->GetLayer(), 0);
  EXPECT_STREQ(c[1]->GetSpecPath().CStr(), "fx/spark.lua");
  EXPECT_EQ(Global(c[1]->GetParticleSystem(), "sparkLoaded"), 1);
  EXPECT_STREQ(c[2]->GetSpecPath().CStr(), "fx/");
  EXPECT_EQ(c[3]->GetPosition(), TVec2(5, 6));
  EXPECT_EQ(c[3]->GetLayer(), 3);
  for (const auto& child : c) EXPECT_EQ(child->GetParent(), host.get());
  EXPECT_EQ(GlobalType(host->GetParticleSystem(), "a"), LUA_TLIGHTUSERDATA);

  // re-adding a child elsewhere takes it from its parent; a parent cannot become its own child
  auto other = TFxSprite::Create(0, "");
  other->AddChild(c[3]);
  EXPECT_EQ(host->GetChildren().size(), 3u);
  other->GetChildren().front()->AddChild(other);
  EXPECT_EQ(other->GetParent(), nullptr);
}

TEST_F(FxSpriteTest, AnEffectThatMakesItselfStopsAtANestingLimit) {
  WriteFile("fx/echo.lua", "child = CreateFx({spec = 'echo.lua'})\n");
  auto top = TFxSprite::Create(0, "fx/echo.lua");
  int depth = 0;
  for (TSprite* s = top.get(); !s->GetChildren().empty(); s = s->GetChildren().front().get()) ++depth;
  EXPECT_EQ(depth, 16);
  EXPECT_TRUE(Logged("effects nested too deep")) << Log();
}

TEST_F(FxSpriteTest, SpritesSharingOneScriptStateKeepTheirOwnChildren) {
  SetConfig("lpsonescript", "1");
  auto a = MakeSprite("SetNumParticles(4)\nfunction Update() CreateFx({x = 1}); CreateParticles(1) end");
  auto b = MakeSprite("SetNumParticles(4)\nfunction Update() CreateFx({x = 2}); CreateParticles(2) end");
  ASSERT_EQ(a->GetParticleSystem().GetState(), b->GetParticleSystem().GetState());
  TDrawSpec root;
  a->Draw(&root);
  b->Draw(&root);
  mTask.Update(1012);
  ASSERT_EQ(a->GetChildren().size(), 1u);
  ASSERT_EQ(b->GetChildren().size(), 1u);
  EXPECT_EQ(FxChildren(*a)[0]->GetPosition(), TVec2(1, 0));
  EXPECT_EQ(FxChildren(*b)[0]->GetPosition(), TVec2(2, 0));
  EXPECT_EQ(a->GetParticleSystem().GetCollection().GetCount(), 1);
  EXPECT_EQ(b->GetParticleSystem().GetCollection().GetCount(), 2);
}

}  // namespace
