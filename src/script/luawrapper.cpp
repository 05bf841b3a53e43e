// The registry-anchored wrappers of Lua values and the table readers built on them.
#include "script/luawrapper.h"

#include "script/luastack.h"
#include "script/script.h"

TLuaObjectWrapper::TLuaObjectWrapper(lua_State* L) : mL(L) {
  lua_pushlightuserdata(L, this);
  lua_insert(L, -2);
  lua_settable(L, LUA_REGISTRYINDEX);
}

TLuaObjectWrapper::~TLuaObjectWrapper() {
  lua_pushlightuserdata(mL, this);
  lua_pushnil(mL);
  lua_settable(mL, LUA_REGISTRYINDEX);
}

void TLuaObjectWrapper::PushValue() const {
  lua_pushlightuserdata(mL, const_cast<TLuaObjectWrapper*>(this));
  lua_gettable(mL, LUA_REGISTRYINDEX);
}

bool TLuaObjectWrapper::IsString() const {
  RestoreLuaStackTop guard(mL);
  PushValue();
  int type = lua_type(mL, -1);
  return type == LUA_TNUMBER || type == LUA_TSTRING || type == LUA_TWSTRING;
}

bool TLuaObjectWrapper::IsTable() const {
  RestoreLuaStackTop guard(mL);
  PushValue();
  return lua_istable(mL, -1);
}

TString TLuaObjectWrapper::ToString() const {
  RestoreLuaStackTop guard(mL);
  PushValue();
  return ScriptGetString(mL, -1);
}

double TLuaObjectWrapper::ToNumber() const {
  RestoreLuaStackTop guard(mL);
  PushValue();
  return lua_tonumber(mL, -1);
}

bool TLuaObjectWrapper::PushEntry() const {
  PushValue();
  // Indexing a non-table would raise a Lua error inside native code: a missing table simply has
  // no entries.
  if (!lua_istable(mL, -1)) {
    lua_pop(mL, 2);
    return false;
  }
  lua_insert(mL, -2);
  lua_gettable(mL, -2);
  lua_remove(mL, -2);
  if (lua_isnil(mL, -1)) {
    lua_pop(mL, 1);
    return false;
  }
  return true;
}

bool TLuaObjectWrapper::PushField(const char* name) const {
  lua_pushstring(mL, name);
  return PushEntry();
}

TString TLuaObjectWrapper::GetString(const char* name, const TString& def) const {
  if (!PushField(name)) return def;
  TString text = ScriptGetString(mL, -1);
  lua_pop(mL, 1);
  return text;
}

double TLuaObjectWrapper::GetNumber(const char* name, double def) const {
  if (!PushField(name)) return def;
  double number = lua_tonumber(mL, -1);
  lua_pop(mL, 1);
  return number;
}

std::unique_ptr<TLuaObjectWrapper> TLuaObjectWrapper::Next(
    std::unique_ptr<TLuaObjectWrapper>& key) const {
  RestoreLuaStackTop guard(mL);
  PushValue();
  if (!lua_istable(mL, -1)) {
    key.reset();
    return nullptr;
  }
  if (key)
    key->PushValue();
  else
    lua_pushnil(mL);
  key.reset();
  if (!lua_next(mL, -2)) return nullptr;
  auto value = std::make_unique<TLuaObjectWrapper>(mL);  // takes the value
  key = std::make_unique<TLuaObjectWrapper>(mL);         // takes the key
  return value;
}

TLuaTable::~TLuaTable() = default;

bool TLuaTable::PushIndex(double n) const {
  lua_pushnumber(mL, n);
  return PushEntry();
}

TString TLuaTable::GetStringAt(double n, const TString& def) const {
  if (!PushIndex(n)) return def;
  TString text = ScriptGetString(mL, -1);
  lua_pop(mL, 1);
  return text;
}

double TLuaTable::GetNumberAt(double n, double def) const {
  if (!PushIndex(n)) return def;
  double number = lua_tonumber(mL, -1);
  lua_pop(mL, 1);
  return number;
}

std::unique_ptr<TLuaTable> TLuaTable::GetTableAt(double n) const {
  if (!PushIndex(n)) return nullptr;
  if (!lua_istable(mL, -1)) {
    lua_pop(mL, 1);
    return nullptr;
  }
  return std::make_unique<TLuaTable>(mL);
}

TVec4 TLuaTable::GetQuadAt(double n, const TVec4& def) const {
  std::unique_ptr<TLuaTable> quad = GetTableAt(n);
  if (!quad) return def;
  return TVec4(static_cast<float>(quad->GetNumberAt(1, def.x)),
               static_cast<float>(quad->GetNumberAt(2, def.y)),
               static_cast<float>(quad->GetNumberAt(3, def.z)),
               static_cast<float>(quad->GetNumberAt(4, def.w)));
}

void TLuaTable::SetNumber(const char* name, double number) {
  RestoreLuaStackTop guard(mL);
  PushValue();
  if (!lua_istable(mL, -1)) return;
  lua_pushstring(mL, name);
  lua_pushnumber(mL, number);
  lua_settable(mL, -3);
}

bool TLuaTable::AttachToScript(std::unique_ptr<TLuaTable> table) {
  if (!table) return false;
  TScript* script = TScript::FromState(table->GetState());
  if (!script) return false;
  script->AddOwnedWrapper(std::move(table));
  return true;
}

TLuaFunction::~TLuaFunction() = default;

int TLuaFunction::Call() const {
  RestoreLuaStackTop guard(mL);
  PushValue();
  if (!lua_isfunction(mL, -1)) return 0;
  return CallWithAlert(mL, 0, 1);
}

TLuaTable* GetTableArgument(lua_State* L, int index, std::unique_ptr<TLuaTable>* holder) {
  TScript* script = TScript::FromState(L);
  lua_pushvalue(L, index);
  if (script && script->GetState() != L) {
    // Called on the coroutine's thread: anchor the wrapper to the main state, which outlives it.
    lua_xmove(L, script->GetState(), 1);
    L = script->GetState();
  }
  auto table = std::make_unique<TLuaTable>(L);
  TLuaTable* raw = table.get();
  if (script)
    script->AddOwnedWrapper(std::move(table));
  else if (holder)
    *holder = std::move(table);
  else
    return nullptr;  // nobody could delete it later: the table is released at once
  return raw;
}

int CallWithAlert(lua_State* L, int nargs, int nresults) {
  int base = lua_gettop(L) - nargs;  // the function's index
  lua_pushstring(L, "_ALERT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_insert(L, base);
  int code = lua_pcall(L, nargs, nresults, base);
  lua_remove(L, base);
  return code;
}
