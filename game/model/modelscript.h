// What the model classes need from their surroundings: the window script's Lua state (where they
// bind their globals and run command texts) and the wall clock in whole seconds, which tests can
// replace to walk through timed behaviour.
#pragma once
#include <cstdint>
#include <functional>

#include "script/lua/lua.h"

class TScript;

// The window manager's window script, or null.
TScript* GetModelScript();
// Its Lua state, or null.
lua_State* GetModelScriptState();

// Seconds of the wall clock (or of the clock a test set).
int64_t ModelNow();
// Replaces the clock; an empty function restores the wall clock.
void SetModelClock(std::function<int64_t()> clock);
