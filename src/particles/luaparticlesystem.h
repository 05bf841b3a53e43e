// TLuaParticleSystem: one particle effect whose behaviour is a script. The script declares particle
// members, and every expression it writes over them is compiled into a postfix program of particle
// functors (the init stream, run for each new particle, and the anim stream, run for each live
// particle every frame). The system owns the particles and draws them through its renderer.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "core/math.h"
#include "core/string.h"
#include "particles/particlecollection.h"
#include "particles/particlefunction.h"
#include "particles/particlerenderer.h"
#include "script/scriptbinding.h"

class TScript;
class TScriptCode;
struct lua_State;

// Finds a texture by name for the particle scripts' SetTexture; empty when there is none.
using TParticleTextureLookup = std::function<std::shared_ptr<IParticleTexture>(const TString& name)>;

class TLuaParticleSystem {
 public:
  // One compiled instruction: the functor, the argument widths it was compiled with (the first
  // three here, more in the argument pool) and how many stack values it takes.
  struct TStreamEntry {
    ParticleFunctionPtr functor;
    uint8_t widths[3] = {};
    uint8_t argc = 0;
  };
  using TStream = std::vector<TStreamEntry>;

  // Without a renderer the system makes (and owns) a 2D renderer; a given one stays the caller's.
  explicit TLuaParticleSystem(TParticleRenderer* renderer = nullptr);
  virtual ~TLuaParticleSystem();
  TLuaParticleSystem(const TLuaParticleSystem&) = delete;
  TLuaParticleSystem& operator=(const TLuaParticleSystem&) = delete;

  // A path containing ".lua" names a script file (searched as "?;assets/?;assets/fx/?"); anything
  // else is script text. False when the file cannot be found or read.
  virtual bool Load(const TString& path);
  // Runs the script's Update with the seconds, then animates the particles.
  virtual void Update(float milliseconds);
  // Draws the live particles at the origin; answers 0.
  int32_t Render(const TVec3& origin);
  bool IsDone() const { return mDone; }

  // Empties streams, members and particles and prepares the script state again.
  void ResetScript();
  // Gives the script a global of the member form that evaluates the functor.
  bool SetNamedValue(const TString& name, const ParticleFunctionPtr& functor);
  // A functor the compiler hands out (shared) for a command name that no constructor makes.
  void AddNamedFunctor(const TString& name, const ParticleFunctionPtr& functor);
  // Binds the script API to this system again (a system made meanwhile in a shared script state
  // took the globals over).
  void BindScriptApi();
  // Globals of the owner that must follow this system's API wherever it is bound again (in a
  // shared script state, before each load and update); called at once as well.
  void SetBindHook(std::function<void(lua_State*)> hook);
  // Parameter value by index, or null.
  TParticleFunction* GetParameterValue(int32_t index) const;

  lua_State* GetState() const;
  TScript* GetScript() const { return mScript; }
  TParticleCollection& GetCollection() { return *mCollection; }
  TParticleRenderer* GetRenderer() const { return mRenderer; }
  int32_t GetStride() const { return mStride; }
  const std::vector<uint8_t>& GetMemberSizes() const { return mMemberSizes; }
  const TStream& GetInitStream() const { return mInitStream; }
  const TStream& GetAnimStream() const { return mAnimStream; }
  const TStream& GetCompileBuffer() const { return mCompileBuffer; }
  const TString& GetScriptFolder() const { return mScriptFolder; }
  uint32_t GetSystemId() const { return mSystemId; }

  // Where SetTexture finds textures (the texture cache installs its lookup).
  static void SetTextureLookup(TParticleTextureLookup lookup);
  // Seeds the shared random generator (tests use it for repeatable effects).
  static void SeedRandom(const uint32_t words[4]);

 private:
  // ---- the script API ----
  int LuaSetRendererOption1(lua_State* L) { return SetRendererOption(L, 1); }
  int LuaSetRendererOption2(lua_State* L) { return SetRendererOption(L, 2); }
  int LuaSetRendererOption3(lua_State* L) { return SetRendererOption(L, 3); }
  int LuaSetRendererOption4(lua_State* L) { return SetRendererOption(L, 4); }
  int SetRendererOption(lua_State* L, int count);
  int LuaSetNumParticles(lua_State* L);
  int LuaSetTexture(lua_State* L);
  int LuaCreateParticles(lua_State* L);
  int LuaAllocate(lua_State* L);
  int LuaCompileParam(lua_State* L);
  int LuaGetParticleMemberParts(lua_State* L);
  int LuaGetParticleCount(lua_State* L);
  int LuaAccumulateInitStream(lua_State* L);
  int LuaAccumulateAnimStream(lua_State* L);
  int LuaDone(lua_State* L);

  // Binds the API globals to this system (a shared state serves many systems).
  void BindApi(lua_State* L);
  // Runs a fixed text in the state under the chunk name, errors through _ALERT.
  void RunChunk(const char* text, size_t length, const char* chunkName);
  // Appends the program of the value at the index; answers its width, or -1 for "no value".
  int32_t CompileValue(lua_State* L, int index);
  ParticleFunctionPtr MakeFunctor(lua_State* L, const TString& name);
  void CreateParticles(float count);
  void Animate(float milliseconds);
  // Runs a stream on one particle; answers the particle's alive flag.
  int32_t RunStream(const TStream& stream, float* block, float milliseconds,
                    TParticleValueStack* eval);
  void PushMember(lua_State* L, int32_t base, int32_t size);

  bool mOwnsRenderer = false;
  TParticleRenderer* mRenderer = nullptr;
  std::unique_ptr<TParticleRenderer> mOwnedRenderer;
  std::unique_ptr<TParticleCollection> mCollection;
  TScript* mScript = nullptr;  // own, or the shared one
  std::unique_ptr<TScript> mOwnScript;
  bool mOneScript = false;  // "lpsonescript" at construction
  uint32_t mSystemId = 0;
  std::shared_ptr<TScriptCode> mScriptAsset;
  TString mScriptFolder;
  int32_t mStride = 0;
  std::vector<uint8_t> mMemberSizes;
  TParticleValueStack mMemberView;  // the particle view; data is set per particle
  std::vector<ParticleFunctionPtr> mParameterValues;
  std::map<TString, ParticleFunctionCreator> mConstructors;
  std::map<TString, ParticleFunctionPtr> mNamedFunctors;
  uint8_t mArgumentPool[1024] = {};
  uint8_t mArgumentCursor = 0;
  TStream mInitStream;
  TStream mAnimStream;
  TStream mCompileBuffer;
  float mRenderScale = 1.0f;
  bool mDone = false;
  float mBirthAccumulator = 0.0f;
  bool mReportedNoUpdate = false;
  std::function<void(lua_State*)> mBindHook;
  TScriptBindings mBindings;
};
