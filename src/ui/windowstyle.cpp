// Window styles: the lookup down the default-style chain and the typed getters over it.
#include "ui/windowstyle.h"

#include "core/log.h"
#include "script/lua/lua.h"

bool TWindowStyle::Find(lua_State* L, const char* key, int level) {
  if (lua_istable(L, -1)) {
    lua_pushstring(L, key);
    lua_rawget(L, -2);
  } else {
    lua_getglobal(L, key);
  }
  if (!lua_isnil(L, -1)) {
    lua_remove(L, -2);
    return true;
  }
  lua_pop(L, 1);
  if (level >= kMaxDepth) {
    lua_pop(L, 1);
    return false;
  }
  if (level == 0) {
    lua_getglobal(L, "gCurrentDefaultStyle");
  } else if (lua_istable(L, -1)) {
    lua_pushstring(L, "parent");
    lua_rawget(L, -2);
  } else {
    lua_pushnil(L);
  }
  if (!lua_istable(L, -1)) {
    lua_pop(L, 2);
    return false;
  }
  bool found = Find(L, key, level + 1);
  if (found) lua_remove(L, -2);
  else lua_pop(L, 1);
  return found;
}

bool TWindowStyle::PushFound(const char* key) const {
  if (!mTable) return false;
  mTable->PushValue();
  return Find(mTable->GetState(), key);
}

double TWindowStyle::GetNumber(const char* key, double def) const {
  if (!PushFound(key)) return def;
  lua_State* L = mTable->GetState();
  double value = lua_tonumber(L, -1);
  lua_pop(L, 1);
  return value;
}

TString TWindowStyle::GetString(const char* key, const TString& def) const {
  if (!PushFound(key)) return def;
  lua_State* L = mTable->GetState();
  const char* text = lua_tostring(L, -1);
  TString value = text ? TString(text) : TString();
  lua_pop(L, 1);
  return value;
}

bool TWindowStyle::GetBool(const char* key, bool def) const {
  if (!PushFound(key)) return def;
  lua_State* L = mTable->GetState();
  bool value = false;
  if (lua_isboolean(L, -1)) value = lua_toboolean(L, -1) != 0;
  else if (lua_type(L, -1) == LUA_TNUMBER) value = lua_tonumber(L, -1) != 0;
  else LogPrintf("Style value '%s' is not a boolean", key);
  lua_pop(L, 1);
  return value;
}

TVec4 TWindowStyle::GetQuad(const char* key, const TVec4& def) const {
  if (!PushFound(key)) return def;
  lua_State* L = mTable->GetState();
  float out[4] = {0, 0, 0, 0};
  if (lua_istable(L, -1)) {
    for (int i = 0; i < 4; ++i) {
      lua_rawgeti(L, -1, i + 1);
      out[i] = static_cast<float>(lua_tonumber(L, -1));
      lua_pop(L, 1);
    }
  }
  lua_pop(L, 1);
  return TVec4(out[0], out[1], out[2], out[3]);
}

std::unique_ptr<TLuaTable> TWindowStyle::GetTable(const char* key) const {
  if (!PushFound(key)) return nullptr;
  return std::make_unique<TLuaTable>(mTable->GetState());  // takes the value off the stack
}

std::unique_ptr<TLuaFunction> TWindowStyle::GetFunction(const char* key) const {
  if (!PushFound(key)) return nullptr;
  return std::make_unique<TLuaFunction>(mTable->GetState());
}
