// Message userdata, its metatable, and the wrapper of messages coming back from Lua.
#include "ui/luamessage.h"

#include <cstring>

#include "script/luastack.h"
#include "script/scriptbinding.h"

namespace {

void DeleteMessage(TMessage* message) { delete message; }

// __index(message, key): "type" and "name"; nil for other keys; no value without a message.
int MessageIndex(lua_State* L) {
  auto* message = static_cast<TMessage*>(ToBoxedPointer(L, 1));
  if (!message) return 0;
  const char* key = lua_tostring(L, 2);
  if (key && std::strcmp(key, "type") == 0)
    lua_pushnumber(L, message->GetType());
  else if (key && std::strcmp(key, "name") == 0)
    ScriptPushString(L, message->GetName());
  else
    lua_pushnil(L);
  return 1;
}

// Pushes the registry's message metatable, creating it on first use.
void PushMessageMetatable(lua_State* L) {
  lua_pushstring(L, kMessageMetatableName);
  lua_gettable(L, LUA_REGISTRYINDEX);
  if (lua_istable(L, -1)) return;
  lua_pop(L, 1);
  lua_newtable(L);
  lua_pushstring(L, "__gc");
  PushScriptFunction(L, &DeleteMessage);
  lua_settable(L, -3);
  lua_pushstring(L, "__index");
  lua_pushcfunction(L, &MessageIndex);
  lua_settable(L, -3);
  lua_pushstring(L, kMessageMetatableName);
  lua_pushvalue(L, -2);
  lua_settable(L, LUA_REGISTRYINDEX);
}

}  // namespace

void PushMessageUserdata(lua_State* L, TMessage* message) {
  lua_pushboxedpointer(L, message);
  PushMessageMetatable(L);
  lua_setmetatable(L, -2);
}

void* ToBoxedPointer(lua_State* L, int index) {
  if (lua_type(L, index) != LUA_TUSERDATA) return nullptr;
  if (index < 0 && index > LUA_REGISTRYINDEX) index = lua_gettop(L) + index + 1;
  RestoreLuaStackTop guard(L);
  if (!lua_getmetatable(L, index)) return nullptr;
  lua_pushstring(L, kMessageMetatableName);
  lua_gettable(L, LUA_REGISTRYINDEX);
  if (!lua_rawequal(L, -1, -2)) return nullptr;
  return lua_touserdata(L, index);
}

void OpenMessageLibrary(lua_State* L) {
  PushMessageMetatable(L);
  lua_pop(L, 1);
  BindScriptFunction(L, "CreateNamedMessage", &CreateNamedMessage);
}

TMessage* CreateNamedMessage(int32_t type, TString name) { return new TMessage(type, name); }

TLuaMessage::~TLuaMessage() = default;

TMessage* TLuaMessage::GetBoxedMessage() const {
  RestoreLuaStackTop guard(mL);
  PushValue();
  return static_cast<TMessage*>(ToBoxedPointer(mL, -1));
}

TLuaMessageWrapper::TLuaMessageWrapper(lua_State* L)
    : TMessage(kGeneric, TString()), mLuaMessage(L) {
  if (TMessage* boxed = mLuaMessage.GetBoxedMessage()) {
    SetType(boxed->GetType());
    SetName(boxed->GetName());
    SetTarget(boxed->GetTarget());
  }
}

TLuaMessageWrapper::~TLuaMessageWrapper() = default;

void PushMessageForScript(lua_State* L, TMessage* message) {
  if (auto* wrapper = KindCast<TLuaMessageWrapper>(message)) {
    wrapper->PushValue();
    delete wrapper;  // only its Lua value is used from here on
    return;
  }
  PushMessageUserdata(L, message);
}
