// TFxSprite and the task that steps every effect sprite in fixed 12 ms steps.
#include "particles/effectsprite.h"

#include "core/log.h"
#include "platform/platform.h"
#include "script/lua/lua.h"
#include "script/luastack.h"

namespace {

TFxSpriteAnimTask* gTask = nullptr;

// Effects made by effects while they load: an effect that makes itself would recurse without end.
constexpr int32_t kMaxFxNesting = 16;
int32_t gFxNesting = 0;

TString FolderOf(const TString& path) {
  int slash = path.FindChar('/', kStringBackwards);
  return slash >= 0 ? path.SubString(0, slash) : TString();
}

uint32_t Now() {
  TPlatform* platform = TPlatform::GetInstance();
  return platform ? platform->GetTimer() : 0;
}

}  // namespace

TFxSprite::TFxSprite(int32_t layer)
    : TSprite(layer),
      mLocus(std::make_shared<FConstVec2>(TVec2(0, 0))),
      mUp(std::make_shared<FConstVec2>(TVec2(0, -1))),
      mSystem(std::make_unique<TLuaParticleSystem>()) {}

TFxSprite::~TFxSprite() { mBindings.Release(); }

std::shared_ptr<TFxSprite> TFxSprite::Create(int32_t layer, const TString& specPath) {
  std::shared_ptr<TFxSprite> sprite(new TFxSprite(layer));
  sprite->BindScript();
  sprite->mSpecPath = specPath;
  sprite->mSpecFolder = FolderOf(specPath);
  if (!specPath.IsEmpty()) sprite->LoadSpec(specPath, nullptr, false);
  return sprite;
}

void TFxSprite::BindScript() {
  // A shared script state serves many sprites: the system binds these again with its own API.
  mSystem->SetBindHook([this](lua_State* L) {
    mBindings.Bind(L, "CreateFx", this, &TFxSprite::LuaCreateFx);
    lua_pushstring(L, "gParent");
    lua_pushlightuserdata(L, this);
    lua_settable(L, LUA_GLOBALSINDEX);
  });
}

bool TFxSprite::LoadSpec(const TString& effectPath, TFxSpriteAnimTask* task, bool reset) {
  if (reset) {
    mPlaying = false;
    mSystem->ResetScript();
  }
  mSystem->SetNamedValue("dLocus", mLocus);
  mSystem->SetNamedValue("dUp", mUp);
  if (!mSystem->Load(effectPath)) {
    LogPrintf("TFxSprite: cannot load the effect %s", effectPath.CStr());
    return false;
  }
  mSpecPath = effectPath;
  if (!task) task = TFxSpriteAnimTask::GetInstance();
  task->Add(std::static_pointer_cast<TFxSprite>(shared_from_this()));
  return true;
}

int TFxSprite::LuaCreateFx(lua_State* L) {
  // Fields are read in place: a table wrapper would stay with the script state until it ends,
  // since particle scripts are never resumed.
  auto field = [L](const char* name) {
    if (lua_istable(L, 1)) {
      lua_pushstring(L, name);
      lua_gettable(L, 1);
    } else {
      lua_pushnil(L);
    }
  };
  auto number = [&](const char* name, double def) {
    field(name);
    double v = lua_isnumber(L, -1) ? lua_tonumber(L, -1) : def;
    lua_pop(L, 1);
    return v;
  };
  float x = static_cast<float>(number("x", 0));
  float y = static_cast<float>(number("y", 0));
  int32_t layer = ScriptNumberToInt(number("layer", 0));
  field("spec");
  TString effectPath = lua_isstring(L, -1) ? ScriptGetString(L, -1) : TString();
  lua_pop(L, 1);
  if (!mSpecFolder.IsEmpty()) effectPath = mSpecFolder + "/" + effectPath;
  if (gFxNesting >= kMaxFxNesting) {
    LogPrintf("TFxSprite: effects nested too deep at %s", effectPath.CStr());
    return 0;
  }
  ++gFxNesting;
  std::shared_ptr<TFxSprite> child = TFxSprite::Create(layer, effectPath);
  --gFxNesting;
  // in a shared script state the child's system took the globals over; the script goes on with ours
  mSystem->BindScriptApi();
  child->SetPosition(TVec2(x, y));
  AddChild(child);
  lua_pushlightuserdata(L, child.get());
  return 1;
}

void TFxSprite::Draw(const TDrawSpec* parent) {
  if (parent) {
    TSprite::Draw(*parent, -1);
    return;
  }
  mUnplacedDraw = true;
  TSprite::Draw(TDrawSpec(), -1);
  mUnplacedDraw = false;
}

void TFxSprite::DrawContent(const TDrawSpec& drawSpec) {
  if (!mUnplacedDraw) {
    mLocus->Set(drawSpec.transform.GetTranslation());
    mUp->Set(TVec2(drawSpec.transform.row[1].x, -drawSpec.transform.row[1].y));
    mPlaying = true;
  }
  TSprite::DrawContent(drawSpec);
  mSystem->Render(TVec3());
}

TFxSpriteAnimTask::TFxSpriteAnimTask(uint32_t now) : mLastStep(now) {}

TFxSpriteAnimTask::~TFxSpriteAnimTask() {
  if (gTask == this) gTask = nullptr;
}

TFxSpriteAnimTask* TFxSpriteAnimTask::GetInstance() {
  if (!gTask) {
    auto task = std::make_unique<TFxSpriteAnimTask>(Now());
    gTask = task.get();
    TPlatform* platform = TPlatform::GetInstance();
    if (platform) {
      platform->AddTask(std::move(task));
    } else {
      // Without a platform nobody runs the task; it stays for the life of the process.
      static std::unique_ptr<TFxSpriteAnimTask> orphan;
      orphan = std::move(task);
    }
  }
  return gTask;
}

void TFxSpriteAnimTask::Add(const std::shared_ptr<TFxSprite>& sprite) {
  for (const auto& w : mSprites)
    if (w.lock() == sprite) return;
  mSprites.push_back(sprite);
}

bool TFxSpriteAnimTask::Update(uint32_t now) {
  // The time below a step is kept for the next turn: the idle loop comes round far more often
  // than every 12 ms, and dropping it would leave effects standing still. A long frame gives at
  // most four steps, and the rest of it is dropped.
  uint32_t steps = (now - mLastStep) / kStepMs;
  if (steps > kMaxSteps) {
    steps = kMaxSteps;
    mLastStep = now;
  } else {
    mLastStep += steps * kStepMs;
  }
  for (size_t i = 0; i < mSprites.size();) {
    std::shared_ptr<TFxSprite> sprite = mSprites[i].lock();
    if (!sprite || sprite->GetParticleSystem().IsDone()) {
      mSprites.erase(mSprites.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    if (sprite->IsPlaying())
      for (uint32_t s = 0; s < steps; ++s) sprite->GetParticleSystem().Update(kStepMs);
    ++i;
  }
  return !mSprites.empty();
}

bool TFxSpriteAnimTask::Run() { return Update(Now()); }
