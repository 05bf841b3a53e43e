// The scene's player of animated textures: the timeline from the texture's script, looped.
#include "shell/animationplayer.h"

#include "core/log.h"
#include "render/animatedtexture.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lua.h"
#include "script/script.h"

namespace {

// What the script's two functions write to: the delay in force and the steps so far.
struct TimelineRecorder {
  std::vector<TAnimationPlayer::Step>* steps;
  int32_t frameCount;
  uint32_t delay;
  bool full;
};

// A timeline holds at most this many steps: a script that lists frames in an endless loop is
// stopped there and keeps what it listed.
constexpr size_t kMaxSteps = 4096;
// A script that runs this many instructions without finishing is stopped (checked every 1000).
constexpr int kMaxInstructions = 5000000;

TimelineRecorder* Recorder(lua_State* L) { return static_cast<TimelineRecorder*>(lua_touserdata(L, lua_upvalueindex(1))); }

int Delay(lua_State* L) {
  const double ms = luaL_checknumber(L, 1);
  Recorder(L)->delay = ms > 0 && ms < 3600000 ? static_cast<uint32_t>(ms) : 0;
  return 0;
}

int Frames(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  TimelineRecorder* recorder = Recorder(L);
  const int n = luaL_getn(L, 1);
  for (int i = 1; i <= n; ++i) {
    if (recorder->steps->size() >= kMaxSteps) {
      recorder->full = true;
      return luaL_error(L, "the animation's timeline is full");
    }
    lua_rawgeti(L, 1, i);
    const double number = lua_tonumber(L, -1);
    lua_pop(L, 1);
    if (number >= 1 && number <= recorder->frameCount)
      recorder->steps->push_back({static_cast<int32_t>(number) - 1, recorder->delay});
  }
  return 0;
}

int gInstructions = 0;
void CountInstructions(lua_State* L, lua_Debug*) {
  gInstructions += 1000;
  if (gInstructions >= kMaxInstructions) luaL_error(L, "the animation's script runs too long");
}

}  // namespace

std::vector<TAnimationPlayer::Step> TAnimationPlayer::ReadTimeline(const TString& script, int32_t frameCount) {
  std::vector<Step> steps;
  TimelineRecorder recorder{&steps, frameCount, 60, false};
  TScript lua;
  lua_State* L = lua.GetState();
  gInstructions = 0;
  lua_sethook(L, CountInstructions, LUA_MASKCOUNT, 1000);
  lua_pushstring(L, "delay");
  lua_pushlightuserdata(L, &recorder);
  lua_pushcclosure(L, Delay, 1);
  lua_settable(L, LUA_GLOBALSINDEX);
  lua_pushstring(L, "frames");
  lua_pushlightuserdata(L, &recorder);
  lua_pushcclosure(L, Frames, 1);
  lua_settable(L, LUA_GLOBALSINDEX);
  const bool ran = lua.DoLuaString(script, -1, 0) == 0 && lua.DoLuaString("if DoAnim then DoAnim() end", -1, 0) == 0;
  lua_sethook(L, nullptr, 0, 0);
  if (!ran && !recorder.full) {
    LogPrintf("Animation script failed: %s", script.CStr());
    steps.clear();
  }
  return steps;
}

TAnimationPlayer::TAnimationPlayer(std::shared_ptr<TAnimatedTexture> texture) : mTexture(std::move(texture)) {
  if (!mTexture) return;
  const TAnimation& anim = mTexture->GetAnimation();
  mTimeline = ReadTimeline(anim.script, anim.GetFrameCount());
  for (const Step& step : mTimeline) mLength += step.ms;
}

void TAnimationPlayer::Update(uint32_t ms) {
  if (!mTexture || mTimeline.empty()) return;
  // A timeline of only zero delays shows its last frame.
  if (mLength == 0) {
    mTexture->SetCurrentFrame(mTimeline.back().frame);
    return;
  }
  uint32_t t = ms % mLength;
  for (const Step& step : mTimeline) {
    if (t < step.ms) {
      mTexture->SetCurrentFrame(step.frame);
      return;
    }
    t -= step.ms;
  }
}
