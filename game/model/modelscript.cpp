// The script state and clock behind the model classes.
#include "model/modelscript.h"

#include <ctime>

#include "script/script.h"

static std::function<TScript*()>& ScriptSource() {
  static std::function<TScript*()> source;
  return source;
}

TScript* GetModelScript() { return ScriptSource() ? ScriptSource()() : nullptr; }

void SetModelScriptSource(std::function<TScript*()> source) { ScriptSource() = std::move(source); }

lua_State* GetModelScriptState() {
  TScript* script = GetModelScript();
  return script ? script->GetState() : nullptr;
}

static std::function<int64_t()>& Clock() {
  static std::function<int64_t()> clock;
  return clock;
}

int64_t ModelNow() {
  if (Clock()) return Clock()();
  return static_cast<int64_t>(std::time(nullptr));
}

void SetModelClock(std::function<int64_t()> clock) { Clock() = std::move(clock); }
