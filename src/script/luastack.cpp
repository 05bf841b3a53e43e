// Stack helpers and value conversions shared by the wrappers, the script and the binding layer.
#include "script/luastack.h"

#include <cmath>

void ScriptPushString(lua_State* L, const TString& text) {
  lua_pushlstring(L, text.CStr(), static_cast<size_t>(text.Length()));
}

TString ScriptGetString(lua_State* L, int index) {
  int type = lua_type(L, index);
  if (type != LUA_TSTRING && type != LUA_TNUMBER) return TString();
  // Converting a number rewrites the slot in place; convert a copy so the caller's value stays.
  lua_pushvalue(L, index);
  TString text(lua_tostring(L, -1), static_cast<ptrdiff_t>(lua_strlen(L, -1)));
  lua_pop(L, 1);
  return text;
}

double ScriptGetNumber(lua_State* L, int index) { return lua_tonumber(L, index); }

int32_t ScriptNumberToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(value);
}

const char* ScriptErrorText(lua_State* L, int index) {
  const char* text = lua_tostring(L, index);
  return text ? text : lua_typename(L, lua_type(L, index));
}
