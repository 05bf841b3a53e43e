// Small helpers for native code that reads and pushes Lua values: a scope guard that puts the
// stack back to its height, and the text and number conversions the binding layer uses.
#pragma once
#include <cstdint>

#include "core/string.h"
#include "script/lua/lua.h"

// Sets the stack top back to its height at construction when the scope ends.
class RestoreLuaStackTop {
 public:
  explicit RestoreLuaStackTop(lua_State* L) : mL(L), mTop(lua_gettop(L)) {}
  ~RestoreLuaStackTop() { lua_settop(mL, mTop); }
  RestoreLuaStackTop(const RestoreLuaStackTop&) = delete;
  RestoreLuaStackTop& operator=(const RestoreLuaStackTop&) = delete;

 private:
  lua_State* mL;
  int mTop;
};

// Pushes the text (an empty string for the empty text).
void ScriptPushString(lua_State* L, const TString& text);
// The value at the index by Lua's string conversion: numbers become their text; nil, booleans,
// tables and the rest give the empty text. The stack slot itself is left unchanged.
TString ScriptGetString(lua_State* L, int index);
// The value at the index by Lua's number conversion, 0 for non-numbers.
double ScriptGetNumber(lua_State* L, int index);
// A number truncated toward zero to 32 bits; NaN gives 0 and values out of range the nearest end,
// so no script value can make the conversion undefined.
int32_t ScriptNumberToInt(double value);
// The text of the value on the stack top for error reports: its string, or its type name.
const char* ScriptErrorText(lua_State* L, int index);
