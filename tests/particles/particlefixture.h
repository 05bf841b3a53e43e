// Fixture of the particle tests, on top of the script layer's (temporary current folder, readable
// log, asset manager): a fixed random seed, the script collector in stress mode when
// TM_LUA_GCSTRESS=1, and a batch sink that keeps copies of what the renderers draw.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/config.h"
#include "particles/luaparticlesystem.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lua.h"
#include "script/scriptfixture.h"

struct CapturedBatch {
  const IParticleTexture* texture = nullptr;
  int32_t blendMode = 0;
  std::vector<TParticleVertex> vertices;
  std::vector<uint16_t> indices;
};

class ParticleTest : public ScriptTest {
 protected:
  ParticleTest() {
    const char* stress = std::getenv("TM_LUA_GCSTRESS");
    lua_setdefaultgcstress(stress && std::strcmp(stress, "1") == 0 ? 1 : 0);
    const uint32_t seed[4] = {1, 2, 3, 4};
    TLuaParticleSystem::SeedRandom(seed);
    T2dParticleRenderer::SetBatchSink([this](const TParticleBatch& b) {
      CapturedBatch c;
      c.texture = b.texture;
      c.blendMode = b.blendMode;
      c.vertices.assign(b.vertices, b.vertices + b.vertexCount);
      if (b.indices) c.indices.assign(b.indices, b.indices + b.indexCount);
      mBatches.push_back(std::move(c));
    });
  }
  ~ParticleTest() override {
    T2dParticleRenderer::SetBatchSink({});
    TLuaParticleSystem::SetTextureLookup({});
    for (const char* key : {"lpsonescript", "brokenindexedverts", "animatedparticles"})
      SetConfig(key, "");
    lua_setdefaultgcstress(0);
  }

  // A system with the script text loaded.
  std::unique_ptr<TLuaParticleSystem> Make(const std::string& script) {
    auto system = std::make_unique<TLuaParticleSystem>();
    EXPECT_TRUE(system->Load(script.c_str()));
    return system;
  }

  // The live particles' first `floats` floats, in list order.
  static std::vector<std::vector<float>> Particles(TLuaParticleSystem& s, int floats) {
    std::vector<std::vector<float>> out;
    for (const float* p : s.GetCollection().GetLiveList()) out.emplace_back(p, p + floats);
    return out;
  }

  // Runs a text in the system's state (results are read back through globals).
  static void Run(TLuaParticleSystem& s, const std::string& text) {
    lua_State* L = s.GetState();
    ASSERT_EQ(luaL_loadbuffer(L, text.c_str(), text.size(), "=test"), 0);
    ASSERT_EQ(lua_pcall(L, 0, 0, 0), 0) << lua_tostring(L, -1);
  }
  // A global of the system's state read by `read`; as a number; its type.
  template <class Read>
  static auto ReadGlobal(TLuaParticleSystem& s, const char* name, Read read) {
    lua_State* L = s.GetState();
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    auto v = read(L);
    lua_pop(L, 1);
    return v;
  }
  static double Global(TLuaParticleSystem& s, const char* name) {
    return ReadGlobal(s, name, [](lua_State* L) { return lua_tonumber(L, -1); });
  }
  static int GlobalType(TLuaParticleSystem& s, const char* name) {
    return ReadGlobal(s, name, [](lua_State* L) { return lua_type(L, -1); });
  }

  std::vector<CapturedBatch> mBatches;
};
