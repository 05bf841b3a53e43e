// What the model classes need from their surroundings: the script whose Lua state they bind their
// globals into and run command texts in (the game's window script, handed in by the shell), and the
// wall clock in whole seconds, which tests can replace to walk through timed behaviour.
#pragma once
#include <cstdint>
#include <functional>

#include "script/lua/lua.h"

class TScript;

// The script the source answers, or null (also without a source).
TScript* GetModelScript();
// Its Lua state, or null.
lua_State* GetModelScriptState();

// Seconds of the wall clock (or of the clock a test set).
int64_t ModelNow();
// Replaces the clock; an empty function restores the wall clock.
void SetModelClock(std::function<int64_t()> clock);
// Sets where the model finds its script; asked at every use, so the script may come and go. An
// empty function leaves the model without one.
void SetModelScriptSource(std::function<TScript*()> source);
