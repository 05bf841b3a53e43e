// Fuzz target: a game text run with the model compositor alive. Whatever model comes out must be
// written and rebuilt without harm, and after one rebuild its save text must be a fixed point:
// writing, running and writing again gives the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/compositor.h"
#include "model/game.h"
#include "model/globals.h"
#include "model/highscore.h"
#include "model/modelscript.h"
#include "ui/windowscript.h"

namespace {

// Ends scripts that run too long.
void StopLongRuns(lua_State* L, lua_Debug*) {
  lua_pushstring(L, "instruction budget used up");
  lua_error(L);
}

std::string RunOnce(TScript& script, const std::string& text, bool saved) {
  CGame::DestroyInstance();
  CGame::CreateInstance();
  CHighscoreSystem::CreateInstance();
  CGlobalInformationSystem::CreateInstance();
  CModelCompositor::CreateInstance();
  RunGameText(script, text, "fuzz", saved);
  CModelCompositor::ReleaseInstance();
  std::string out;
  CGame::GetInstance()->Serialize(out);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  TWindowScript script;
  SetModelScriptSource([&script]() -> TScript* { return &script; });
  // No files: the texts load nothing beyond themselves.
  script.DoLuaString("require = function() end dofile = nil loadfile = nil", -1, 0);
  lua_sethook(script.GetState(), &StopLongRuns, LUA_MASKCOUNT, 200000);

  // The input as a new-game text, then what it wrote as a saved one.
  const std::string first = RunOnce(script, std::string(reinterpret_cast<const char*>(data), size), false);
  const std::string second = RunOnce(script, first, true);
  const std::string third = RunOnce(script, second, true);
  if (second != third) {
    std::fprintf(stderr, "save text is no fixed point:\n%s\n----\n%s\n", second.c_str(), third.c_str());
    std::abort();
  }

  CGame::DestroyInstance();
  CHighscoreSystem::DestroyInstance();
  CGlobalInformationSystem::DestroyInstance();
  SetModelScriptSource(nullptr);
  return 0;
}
