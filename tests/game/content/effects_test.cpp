// The demo's effect scripts load into a particle system and give off particles when stepped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/assetindex.h"
#include "particles/particlecollection.h"
#include "particles/luaparticlesystem.h"

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

}  // namespace
