// TLuaParticleSystem: script state set-up, the script API, the compiler from value tables to
// functor streams, and the stream runner. With "lpsonescript" on, every system shares one script
// state and keeps its own update function in it as "Update<id>".
#include "particles/luaparticlesystem.h"

#include <cmath>
#include <cstring>

#include "core/config.h"
#include "core/file.h"
#include "core/log.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lua.h"
#include "script/lua/lualib.h"
#include "script/luastack.h"
#include "script/luawrapper.h"
#include "script/script.h"
#include "script/scriptcode.h"

// The base script "particles.lua", built into the program.
extern const unsigned char luachunk_particles[];
extern const std::size_t luachunk_particles_size;

namespace {

constexpr const char kSearchPath[] = "?;assets/?;assets/fx/?";

// The state shared by every system while "lpsonescript" is on.
std::unique_ptr<TScript> gSharedScript;
int32_t gSharedUsers = 0;
uint32_t gNextSystemId = 0;
int32_t gSystems = 0;

TParticleTextureLookup& TextureLookup() {
  static TParticleTextureLookup lookup;
  return lookup;
}

int RandomFloat(lua_State* L) {
  lua_pushnumber(L, particlerandom::NextFloat());
  return 1;
}

int RandomRange(lua_State* L) {
  double a = lua_tonumber(L, 1);
  double b = lua_tonumber(L, 2);
  lua_pushnumber(L, a + std::floor(particlerandom::NextFloat() * (b - a + 1)));
  return 1;
}

// A script number as a whole count held to [lo, hi]; NaN gives lo.
int64_t ClampCount(double v, int64_t lo, int64_t hi) {
  if (!(v >= static_cast<double>(lo))) return lo;
  if (v >= static_cast<double>(hi)) return hi;
  return static_cast<int64_t>(v);
}

// The member form: base in the low 16 bits, size in the high 16 bits.
uint32_t PackMember(int32_t base, int32_t size) {
  return (static_cast<uint32_t>(size) & 0xFFFFu) << 16 | (static_cast<uint32_t>(base) & 0xFFFFu);
}
void UnpackMember(uint32_t packed, int32_t* base, int32_t* size) {
  *base = static_cast<int16_t>(packed & 0xFFFFu);
  *size = static_cast<int16_t>(packed >> 16);
}

// Reports through the script's _ALERT; the log takes it when that is gone or fails.
void Alert(lua_State* L, const TString& message) {
  RestoreLuaStackTop guard(L);
  lua_pushstring(L, "_ALERT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  ScriptPushString(L, message);
  if (lua_pcall(L, 1, 0, 0) != 0) LogPrintf("Lua error: %s", message.CStr());
}

}  // namespace

TLuaParticleSystem::TLuaParticleSystem(TParticleRenderer* renderer)
    : mCollection(std::make_unique<TParticleCollection>()) {
  if (renderer) {
    mRenderer = renderer;
  } else {
    mOwnedRenderer = std::make_unique<T2dParticleRenderer>();
    mRenderer = mOwnedRenderer.get();
    mOwnsRenderer = true;
  }
  if (gSystems++ == 0) particlerandom::Acquire();
  mOneScript = GetSettingFlag("lpsonescript");
  if (mOneScript) mSystemId = ++gNextSystemId;
  ResetScript();
}

TLuaParticleSystem::~TLuaParticleSystem() {
  mBindings.Release();
  if (mOneScript && mScript == gSharedScript.get() && mScript) {
    if (--gSharedUsers == 0) {
      gSharedScript.reset();
    } else {
      lua_State* L = mScript->GetState();
      lua_pushstring(L, TString::Format("Update%u", mSystemId).CStr());
      lua_pushnil(L);
      lua_settable(L, LUA_GLOBALSINDEX);
      lua_setgcthreshold(L, 0);
      lua_setgcthreshold(L, 20);
    }
  }
  mScript = nullptr;
  mOwnScript.reset();
  mInitStream.clear();
  mAnimStream.clear();
  mCompileBuffer.clear();
  mParameterValues.clear();
  mNamedFunctors.clear();
  mCollection.reset();
  mOwnedRenderer.reset();
  if (--gSystems == 0) particlerandom::Release();
}

lua_State* TLuaParticleSystem::GetState() const { return mScript ? mScript->GetState() : nullptr; }

void TLuaParticleSystem::SetTextureLookup(TParticleTextureLookup lookup) {
  TextureLookup() = std::move(lookup);
}

void TLuaParticleSystem::SeedRandom(const uint32_t words[4]) { particlerandom::Seed(words); }

void TLuaParticleSystem::RunChunk(const char* text, size_t length, const char* chunkName) {
  lua_State* L = GetState();
  RestoreLuaStackTop guard(L);
  if (luaL_loadbuffer(L, text, length, chunkName) == 0)
    CallWithAlert(L, 0, 0);
  else
    Alert(L, ScriptErrorText(L, -1));
}

void TLuaParticleSystem::ResetScript() {
  // 1. nothing compiled, no members, no particles
  mArgumentCursor = 0;
  mInitStream.clear();
  mAnimStream.clear();
  mCompileBuffer.clear();
  mParameterValues.clear();
  mMemberSizes.clear();
  mMemberView = TParticleValueStack();
  mStride = 0;
  mCollection->Clear();
  mBindings.Release();

  // 2. the state: the shared one, or a new one
  bool fresh = false;
  if (mOneScript && gSharedScript) {
    if (mScript != gSharedScript.get()) {
      mScript = gSharedScript.get();
      ++gSharedUsers;
    }
    // a member global of an earlier system would point into another particle layout
    lua_State* L = mScript->GetState();
    lua_pushstring(L, "pVelocity");
    lua_pushnil(L);
    lua_settable(L, LUA_GLOBALSINDEX);
  } else {
    if (mOneScript && mScript == gSharedScript.get() && mScript) --gSharedUsers;
    auto script = std::make_unique<TScript>();
    lua_State* L = script->GetState();
    {
      RestoreLuaStackTop guard(L);
      luaopen_math(L);
    }
    lua_pushstring(L, "ParticleMemberMT");
    lua_newtable(L);
    lua_settable(L, LUA_GLOBALSINDEX);
    lua_register(L, "RandomRange", &RandomRange);
    lua_register(L, "RandomFloat", &RandomFloat);
    fresh = true;
    if (mOneScript) {
      gSharedScript = std::move(script);
      mScript = gSharedScript.get();
      ++gSharedUsers;
      mOwnScript.reset();
    } else {
      mOwnScript = std::move(script);
      mScript = mOwnScript.get();
    }
  }
  lua_State* L = mScript->GetState();

  // 3. constructors and the API
  mConstructors.clear();
  int32_t count = 0;
  const TParticleCreatorEntry* creators = GetParticleCreators(&count);
  for (int32_t i = 0; i < count; ++i) {
    mConstructors[creators[i].name] = creators[i].creator;
    if (creators[i].scriptFunction) {
      TString text = TString::Format("function %s(...) return CreateValue('%s',arg); end",
                                     creators[i].name, creators[i].name);
      RunChunk(text.CStr(), static_cast<size_t>(text.Length()), text.CStr());
    }
  }
  BindApi(L);

  // 4. the base script, once per state
  if (fresh)
    RunChunk(reinterpret_cast<const char*>(luachunk_particles), luachunk_particles_size,
             "=particles.lua");

  // 5. the renderer's members come first in every particle
  const char* attributes = mRenderer->GetAttributeScript();
  RunChunk(attributes, std::strlen(attributes), "TLuaParticleSystem ParticleRenderer init string");
}

void TLuaParticleSystem::BindApi(lua_State* L) {
  using S = TLuaParticleSystem;
  mBindings.Bind(L, "SetRendererOption1", this, &S::LuaSetRendererOption1);
  mBindings.Bind(L, "SetRendererOption2", this, &S::LuaSetRendererOption2);
  mBindings.Bind(L, "SetRendererOption3", this, &S::LuaSetRendererOption3);
  mBindings.Bind(L, "SetRendererOption4", this, &S::LuaSetRendererOption4);
  mBindings.Bind(L, "SetNumParticles", this, &S::LuaSetNumParticles);
  mBindings.Bind(L, "_SetTexture", this, &S::LuaSetTexture);
  mBindings.Bind(L, "CreateParticles", this, &S::LuaCreateParticles);
  mBindings.Bind(L, "Allocate", this, &S::LuaAllocate);
  mBindings.Bind(L, "CompileParam", this, &S::LuaCompileParam);
  mBindings.Bind(L, "GetParticleMemberParts", this, &S::LuaGetParticleMemberParts);
  mBindings.Bind(L, "GetParticleCount", this, &S::LuaGetParticleCount);
  mBindings.Bind(L, "AccumulateInitStream", this, &S::LuaAccumulateInitStream);
  mBindings.Bind(L, "AccumulateAnimStream", this, &S::LuaAccumulateAnimStream);
  mBindings.Bind(L, "Done", this, &S::LuaDone);
  if (mBindHook) mBindHook(L);
}

void TLuaParticleSystem::BindScriptApi() {
  if (lua_State* L = GetState()) BindApi(L);
}

void TLuaParticleSystem::SetBindHook(std::function<void(lua_State*)> hook) {
  mBindHook = std::move(hook);
  lua_State* L = GetState();
  if (mBindHook && L) mBindHook(L);
}

bool TLuaParticleSystem::Load(const TString& path) {
  mBirthAccumulator = 0.0f;
  lua_State* L = GetState();
  if (!L) return false;
  // in a shared state the script's set-up calls must reach this system
  if (mOneScript) BindApi(L);
  RestoreLuaStackTop guard(L);
  if (path.Find(".lua") >= 0) {
    TString found;
    TString patterns = kSearchPath;
    int start = 0;
    while (start <= patterns.Length()) {
      int end = patterns.FindChar(';', 0, start);
      TString pattern = patterns.SubString(start, end < 0 ? -1 : end - start);
      TString candidate = pattern;
      candidate.Replace("?", path, kStringAll);
      if (FileExists(candidate)) {
        found = candidate;
        break;
      }
      if (end < 0) break;
      start = end + 1;
    }
    if (found.IsEmpty()) {
      LogPrintf("TLuaParticleSystem: no particle script %s", path.CStr());
      return false;
    }
    int slash = path.FindChar('/', kStringBackwards);
    mScriptFolder = slash >= 0 ? path.SubString(0, slash) : TString();
    TString error;
    std::shared_ptr<TScriptCode> code = TScriptCode::Get(found, "", &error);
    if (!code) {
      LogPrintf("TLuaParticleSystem: cannot read %s: %s", found.CStr(), error.CStr());
      return false;
    }
    mScriptAsset = code;
    if (code->Load(L, "@" + found) == 0)
      CallWithAlert(L, 0, 0);
    else
      Alert(L, ScriptErrorText(L, -1));
  } else {
    RunChunk(path.CStr(), static_cast<size_t>(path.Length()), "=particle script");
  }
  if (mOneScript) {
    // each system keeps its own update function in the shared state
    lua_pushstring(L, TString::Format("Update%u", mSystemId).CStr());
    lua_pushstring(L, "Update");
    lua_gettable(L, LUA_GLOBALSINDEX);
    lua_settable(L, LUA_GLOBALSINDEX);
  }
  mDone = false;
  return true;
}

void TLuaParticleSystem::Update(float milliseconds) {
  lua_State* L = GetState();
  if (L) {
    RestoreLuaStackTop guard(L);
    TString name = "Update";
    if (mOneScript) {
      BindApi(L);
      name = TString::Format("Update%u", mSystemId);
    }
    lua_pushstring(L, name.CStr());
    lua_gettable(L, LUA_GLOBALSINDEX);
    if (lua_isfunction(L, -1)) {
      lua_pushnumber(L, milliseconds / 1000.0);
      CallWithAlert(L, 1, 0);
    } else if (!mReportedNoUpdate) {
      mReportedNoUpdate = true;
      LogPrintf("TLuaParticleSystem: the script has no function %s", name.CStr());
    }
  }
  Animate(milliseconds);
}

int32_t TLuaParticleSystem::Render(const TVec3& origin) {
  if (mCollection->GetCount() == 0) return 0;
  return mRenderer->Render(origin, mRenderScale, mCollection->GetLiveList(),
                           mCollection->GetCount());
}

bool TLuaParticleSystem::SetNamedValue(const TString& name, const ParticleFunctionPtr& functor) {
  lua_State* L = GetState();
  if (!L || !functor) return false;
  int32_t width = functor->GetResultWidth(0, nullptr);
  if (width < 1 || width > 4 || mParameterValues.size() >= 32767) {
    LogPrintf("TLuaParticleSystem: cannot name the value %s", name.CStr());
    return false;
  }
  functor->SetName(name);
  mParameterValues.push_back(functor);
  RestoreLuaStackTop guard(L);
  ScriptPushString(L, name);
  PushMember(L, -static_cast<int32_t>(mParameterValues.size()), width);
  lua_settable(L, LUA_GLOBALSINDEX);
  return true;
}

void TLuaParticleSystem::AddNamedFunctor(const TString& name, const ParticleFunctionPtr& functor) {
  if (functor) mNamedFunctors[name] = functor;
}

TParticleFunction* TLuaParticleSystem::GetParameterValue(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= mParameterValues.size()) return nullptr;
  return mParameterValues[static_cast<size_t>(index)].get();
}

void TLuaParticleSystem::PushMember(lua_State* L, int32_t base, int32_t size) {
  lua_pushboxedpointer(L, reinterpret_cast<void*>(static_cast<uintptr_t>(PackMember(base, size))));
  lua_pushstring(L, "ParticleMemberMT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  if (lua_istable(L, -1))
    lua_setmetatable(L, -2);
  else
    lua_pop(L, 1);
}

// ---- the script API ----

int TLuaParticleSystem::SetRendererOption(lua_State* L, int count) {
  TString name = ScriptGetString(L, 1);
  float values[4];
  for (int i = 0; i < count; ++i) values[i] = static_cast<float>(lua_tonumber(L, i + 2));
  mRenderer->SetOption(name, values, count);
  return 0;
}

int TLuaParticleSystem::LuaSetNumParticles(lua_State* L) {
  double requested = lua_tonumber(L, 1);
  int64_t count = ClampCount(requested, 0, TParticleCollection::kMaxFloats);
  if (!mCollection->SetStorage(count, mStride, nullptr))
    LogPrintf("TLuaParticleSystem: SetNumParticles(%g) failed", requested);
  mMemberView.floatCapacity = mCollection->GetCapacity() > 0 ? mCollection->GetStride() : 0;
  return 0;
}

int TLuaParticleSystem::LuaSetTexture(lua_State* L) {
  TString name = ScriptGetString(L, 1);
  std::shared_ptr<IParticleTexture> texture;
  if (TextureLookup()) {
    texture = TextureLookup()(name);
    if (!texture && !mScriptFolder.IsEmpty()) texture = TextureLookup()(mScriptFolder + "/" + name);
  }
  if (!texture) {
    LogPrintf("TLuaParticleSystem: no texture %s", name.CStr());
    return 0;
  }
  mRenderer->SetTexture(texture);
  return 0;
}

int TLuaParticleSystem::LuaCreateParticles(lua_State* L) {
  CreateParticles(static_cast<float>(lua_tonumber(L, 1)));
  return 0;
}

int TLuaParticleSystem::LuaAllocate(lua_State* L) {
  double n = lua_tonumber(L, 1);
  if (!(n >= 1.0 && n <= 4.0) || n != std::floor(n)) {
    LogPrintf("TLuaParticleSystem: Allocate(%g): a member holds 1 to 4 floats", n);
    return 0;
  }
  int32_t size = static_cast<int32_t>(n);
  if (mStride + size > 255) {
    LogPrintf("TLuaParticleSystem: Allocate(%d): a particle holds at most 255 floats", size);
    return 0;
  }
  int32_t base = mStride;
  mStride += size;
  mMemberSizes.push_back(static_cast<uint8_t>(size));
  TParticleValueStack& view = mMemberView;
  view.widths = mMemberSizes.data();
  view.count = static_cast<int32_t>(mMemberSizes.size());
  view.offsets[view.count] = mStride;
  PushMember(L, base, size);
  return 1;
}

int TLuaParticleSystem::LuaGetParticleMemberParts(lua_State* L) {
  if (!lua_isuserdata(L, 1)) return 0;
  int32_t base = 0;
  int32_t size = 0;
  UnpackMember(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(lua_touserdata(L, 1))), &base,
               &size);
  lua_pushnumber(L, base);
  lua_pushnumber(L, size);
  return 2;
}

int TLuaParticleSystem::LuaGetParticleCount(lua_State* L) {
  lua_pushnumber(L, mCollection->GetCount());
  return 1;
}

int TLuaParticleSystem::LuaAccumulateInitStream(lua_State*) {
  for (TStreamEntry& e : mCompileBuffer) mInitStream.push_back(std::move(e));
  mCompileBuffer.clear();
  return 0;
}

int TLuaParticleSystem::LuaAccumulateAnimStream(lua_State*) {
  for (TStreamEntry& e : mCompileBuffer) mAnimStream.push_back(std::move(e));
  mCompileBuffer.clear();
  return 0;
}

int TLuaParticleSystem::LuaDone(lua_State*) {
  mDone = true;
  return 0;
}

int TLuaParticleSystem::LuaCompileParam(lua_State* L) {
  lua_settop(L, 1);
  int32_t width = CompileValue(L, 1);
  if (width < 0) return 0;
  lua_pushnumber(L, width);
  return 1;
}

// ---- the compiler ----

ParticleFunctionPtr TLuaParticleSystem::MakeFunctor(lua_State* L, const TString& name) {
  auto c = mConstructors.find(name);
  if (c != mConstructors.end()) return c->second();
  auto n = mNamedFunctors.find(name);
  if (n != mNamedFunctors.end()) {
    n->second->SetName(name);
    return n->second;
  }
  Alert(L, "Type not found: " + name);
  return nullptr;
}

int32_t TLuaParticleSystem::CompileValue(lua_State* L, int index) {
  int type = lua_type(L, index);
  if (type == LUA_TTABLE) {
    int32_t n = lua_tablesize(L, index);
    bool allNumbers = true;
    float constant[4] = {};
    for (int32_t i = 1; i <= n && allNumbers; ++i) {
      lua_rawgeti(L, index, i);
      allNumbers = lua_isnumber(L, -1) != 0;
      if (allNumbers && i <= 4) constant[i - 1] = static_cast<float>(lua_tonumber(L, -1));
      lua_pop(L, 1);
    }
    lua_pushstring(L, "cmd");
    lua_rawget(L, index);
    TString command = lua_isstring(L, -1) ? ScriptGetString(L, -1) : TString();
    lua_pop(L, 1);

    if (command.IsEmpty() && allNumbers) {
      TStreamEntry entry;
      switch (n) {
        case 2: entry.functor = std::make_shared<FPush<2>>(constant); break;
        case 3: entry.functor = std::make_shared<FPush<3>>(constant); break;
        case 4: entry.functor = std::make_shared<FPush<4>>(constant); break;
        default: return -1;
      }
      mCompileBuffer.push_back(std::move(entry));
      return n;
    }

    int32_t count = 0;
    if (!command.IsEmpty()) {
      lua_pushstring(L, "params");
      lua_rawget(L, index);
      if (!lua_istable(L, -1)) {
        lua_pop(L, 1);
        lua_newtable(L);
      }
      count = lua_tablesize(L, -1);
    } else {
      command = "fVec";
      lua_pushvalue(L, index);
      count = n;
    }
    if (count < 0) count = 0;
    if (count > 255) {
      lua_pop(L, 1);
      Alert(L, TString::Format("Too many arguments (%d) for %s", count, command.CStr()));
      return 0;
    }
    int arguments = lua_gettop(L);
    lua_pushstring(L, "CompileParameters");
    lua_gettable(L, LUA_GLOBALSINDEX);
    if (!lua_isfunction(L, -1)) {
      lua_settop(L, arguments - 1);
      Alert(L, "CompileParameters is not a function");
      return 0;
    }
    lua_pushvalue(L, arguments);
    lua_call(L, 1, 1);  // errors travel on to the script's protected call
    int widthsTable = lua_gettop(L);

    ParticleFunctionPtr functor = MakeFunctor(L, command);
    if (!functor) {
      lua_settop(L, arguments - 1);
      return 0;
    }
    TStreamEntry entry;
    entry.functor = functor;
    entry.argc = static_cast<uint8_t>(count);
    uint8_t* widths = count >= 4 ? mArgumentPool + mArgumentCursor : entry.widths;
    for (int32_t i = 0; i < count; ++i) {
      double w = 0.0;
      if (lua_istable(L, widthsTable)) {
        lua_rawgeti(L, widthsTable, i + 1);
        w = lua_tonumber(L, -1);
        lua_pop(L, 1);
      }
      widths[i] = static_cast<uint8_t>(ScriptNumberToInt(w));
    }
    if (count >= 4) mArgumentCursor = static_cast<uint8_t>(mArgumentCursor + count);
    lua_settop(L, arguments - 1);
    int32_t width = functor->GetResultWidth(count, widths);
    mCompileBuffer.push_back(std::move(entry));
    return width;
  }
  if (type == LUA_TNUMBER || (type == LUA_TSTRING && lua_isnumber(L, index))) {
    float v = static_cast<float>(lua_tonumber(L, index));
    TStreamEntry entry;
    entry.functor = std::make_shared<FPush<1>>(&v);
    mCompileBuffer.push_back(std::move(entry));
    return 1;
  }
  if (type == LUA_TUSERDATA) {
    int32_t base = 0;
    int32_t size = 0;
    UnpackMember(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(lua_touserdata(L, index))),
                 &base, &size);
    if (size < 1 || size > 4) return 0;
    TStreamEntry entry;
    entry.functor =
        std::make_shared<FGetParticleParam>(static_cast<int16_t>(base), static_cast<uint8_t>(size));
    mCompileBuffer.push_back(std::move(entry));
    return size;
  }
  return 0;
}

// ---- running the streams ----

int32_t TLuaParticleSystem::RunStream(const TStream& stream, float* block, float milliseconds,
                                      TParticleValueStack* eval) {
  mMemberView.data = block;
  TParticleCallFrame frame;
  frame.system = this;
  frame.stack = eval;
  frame.particle = &mMemberView;
  frame.milliseconds = milliseconds;
  frame.alive = 1;
  for (const TStreamEntry& e : stream) {
    if (frame.top < e.argc) break;
    frame.base = frame.top - e.argc;
    frame.argc = e.argc;
    if (!e.functor->Evaluate(&mMemberView, &frame)) break;
    frame.top = frame.base;
  }
  return frame.alive;
}

namespace {
// The scratch stack of one batch of stream runs.
struct EvalStack {
  float data[kParticleStackFloats] = {};
  uint8_t widths[kParticleStackEntries + 1] = {};
  TParticleValueStack stack;
  EvalStack() {
    stack.data = data;
    stack.widths = widths;
    stack.count = kParticleStackEntries;
    stack.floatCapacity = kParticleStackFloats;
  }
};
}  // namespace

void TLuaParticleSystem::CreateParticles(float count) {
  if (mCollection->GetCapacity() == 0) return;
  if (!std::isfinite(count)) {
    if (!(count > 0.0f)) return;  // NaN and minus infinity would stop every later birth
  }
  EvalStack eval;
  const float* defaults = mRenderer->GetVertexFormat();
  int32_t stride = mCollection->GetStride();
  int32_t copy = std::min(mRenderer->GetDefaultAttributeCount(), stride);
  mBirthAccumulator += count;
  while (mBirthAccumulator > 0.0f) {
    mBirthAccumulator -= 1.0f;
    float* block = mCollection->Birth();
    if (!block) {
      // what does not fit is dropped, not owed
      mBirthAccumulator = 0.0f;
      break;
    }
    std::memset(block, 0, static_cast<size_t>(stride) * sizeof(float));
    if (copy > 0) std::memcpy(block, defaults, static_cast<size_t>(copy) * sizeof(float));
    RunStream(mInitStream, block, 0.0f, &eval.stack);
  }
}

void TLuaParticleSystem::Animate(float milliseconds) {
  if (mCollection->GetCount() == 0) return;
  EvalStack eval;
  TParticleList& live = mCollection->GetLiveList();
  for (auto it = live.begin(); it != live.end();) {
    if (RunStream(mAnimStream, *it, milliseconds, &eval.stack) == 0)
      it = mCollection->Kill(it);
    else
      ++it;
  }
}
