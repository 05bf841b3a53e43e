// Fixture of the particle tests: a temporary current folder with a log that tests read, an asset
// manager, a fixed random seed, the script collector in stress mode when TM_LUA_GCSTRESS=1, and a
// batch sink that keeps copies of what the renderers draw.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/assetindex.h"
#include "core/config.h"
#include "core/log.h"
#include "core/luaparticlesystem.h"
#include "os/tempfolder.h"
#include "render/assetmanager.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lua.h"

struct CapturedBatch {
  const IParticleTexture* texture = nullptr;
  int32_t blendMode = 0;
  std::vector<TParticleVertex> vertices;
  std::vector<uint16_t> indices;
};

class ParticleTest : public testing::Test {
 protected:
  ParticleTest() : mCwd(mTemp.Path()) {
    filetest::ResetFileSystem();
    LogInit((mTemp / "log").c_str());
    TAssetManager::SetInstance(&mAssets);
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
    TAssetManager::SetInstance(nullptr);
    LogInit("");
    filetest::ResetFileSystem();
  }

  // A system with the script text loaded.
  std::unique_ptr<TLuaParticleSystem> Make(const std::string& script) {
    auto system = std::make_unique<TLuaParticleSystem>();
    EXPECT_TRUE(system->Load(script.c_str()));
    return system;
  }

  // Writes a file below the current folder and indexes the assets folder.
  void WriteFile(const std::string& rel, const std::string& text) {
    mTemp.Write(rel, text);
    IndexAssetFolder("assets", TString());
  }

  // The live particles' first `floats` floats, in list order.
  static std::vector<std::vector<float>> Particles(TLuaParticleSystem& s, int floats) {
    std::vector<std::vector<float>> out;
    for (const float* p : s.GetCollection().GetLiveList()) out.emplace_back(p, p + floats);
    return out;
  }

  // Runs a text in the system's state (for reading results back through globals).
  static void Run(TLuaParticleSystem& s, const std::string& text) {
    lua_State* L = s.GetState();
    ASSERT_EQ(luaL_loadbuffer(L, text.c_str(), text.size(), "=test"), 0);
    ASSERT_EQ(lua_pcall(L, 0, 0, 0), 0) << lua_tostring(L, -1);
  }
  static double Global(TLuaParticleSystem& s, const char* name) {
    lua_State* L = s.GetState();
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    double v = lua_tonumber(L, -1);
    lua_pop(L, 1);
    return v;
  }
  static int GlobalType(TLuaParticleSystem& s, const char* name) {
    lua_State* L = s.GetState();
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    int t = lua_type(L, -1);
    lua_pop(L, 1);
    return t;
  }

  std::string Log() const {
    std::ifstream in(mTemp / "log/logfile.txt", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }

  testutil::TempFolder mTemp;
  testutil::ScopedCwd mCwd;
  TAssetManager mAssets;
  std::vector<CapturedBatch> mBatches;
};

