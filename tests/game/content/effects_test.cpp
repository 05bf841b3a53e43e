// The demo's effect scripts load into a particle system and give off particles when stepped; the
// hint sparkle keeps its trail alive for as long as the scene moves it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/assetindex.h"
#include "particles/luaparticlesystem.h"
#include "particles/particlecollection.h"
#include "particles/particlefunction.h"

namespace {

std::string SourceDir() {
  const char* root = std::getenv("TM_SOURCE_DIR");
  return root ? root : TM_CONTENT_SOURCE_DIR;
}

class EffectScripts : public testing::TestWithParam<const char*> {
 protected:
  EffectScripts() { SetFileRoots(TString((SourceDir() + "/assets").c_str()), TString(), TString()); }
  ~EffectScripts() override { filetest::ResetFileSystem(); }
};

TEST_P(EffectScripts, LoadAndEmit) {
  TLuaParticleSystem system(nullptr);
  ASSERT_TRUE(system.Load(TString("user:") + GetParam()));
  for (int i = 0; i < 20; ++i) system.Update(12.0f);
  EXPECT_GT(system.GetCollection().GetCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Demo, EffectScripts, testing::Values("fx/spinshinebrasks.lua", "fx/blurfx.lua"));

// The first two floats of each live particle: its place.
std::vector<std::pair<float, float>> Places(TLuaParticleSystem& system) {
  std::vector<std::pair<float, float>> out;
  for (const float* p : system.GetCollection().GetLiveList()) out.emplace_back(p[0], p[1]);
  return out;
}

// The scene moves the sparkle round its target for about four seconds. A trail whose stars never
// moved nor went out filled the particle store within a second and then stood still, frozen,
// for the rest of the orbit.
TEST_F(EffectScripts, TheHintSparkleKeepsMovingAndRenewingForItsWholeOrbit) {
  TLuaParticleSystem system(nullptr);
  auto locus = std::make_shared<FConstVec2>(TVec2(500, 400));
  system.SetNamedValue("dLocus", locus);
  ASSERT_TRUE(system.Load("user:fx/spinshinebrasks.lua"));
  const int capacity = system.GetCollection().GetCapacity();
  std::vector<std::pair<float, float>> before;
  for (int step = 1; step <= 350; ++step) {  // 4.2 s in the effect task's 12 ms steps
    locus->Set(TVec2(500 + step * 0.5f, 400));
    system.Update(12.0f);
    if (step % 40 != 0) continue;
    const auto now = Places(system);
    EXPECT_GT(now.size(), 0u) << "step " << step;
    EXPECT_LT(int(now.size()), capacity) << "stars go out at step " << step;
    EXPECT_NE(now, before) << "the trail changes by step " << step;
    bool drifted = false;
    for (const auto& p : now) drifted = drifted || std::abs(p.first - (500 + step * 0.5f)) > 1 || std::abs(p.second - 400) > 1;
    EXPECT_TRUE(drifted) << "stars drift from where they were born, step " << step;
    before = now;
  }
}

}  // namespace
