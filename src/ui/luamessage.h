// Framework messages on the Lua side. A message enters Lua as a boxed-pointer userdata with the
// shared metatable "vxMessageMetatable" (fields "type" and "name"; the userdata owns its message
// and deletes it when collected) and comes back from Lua wrapped in a TLuaMessageWrapper.
#pragma once
#include "script/lua/lua.h"
#include "script/luawrapper.h"
#include "script/scriptbinding.h"
#include "ui/message.h"

// The registry key of the message metatable.
inline constexpr const char kMessageMetatableName[] = "vxMessageMetatable";

// Pushes the message as message userdata; Lua owns it from now on. Creates the metatable when the
// state has none yet.
void PushMessageUserdata(lua_State* L, TMessage* message);
// The pointer boxed in the message userdata at the index; null for nil and for every value that is
// not message userdata (other userdata are never taken for messages).
void* ToBoxedPointer(lua_State* L, int index);
// Makes sure the registry holds the message metatable, and registers `CreateNamedMessage`.
void OpenMessageLibrary(lua_State* L);

// Lua: CreateNamedMessage(type, name) -> a new message as message userdata.
TMessage* CreateNamedMessage(int32_t type, TString name);

// The wrapped Lua value of a message.
class TLuaMessage : public TLuaObjectWrapper {
 public:
  explicit TLuaMessage(lua_State* L) : TLuaObjectWrapper(L) {}
  ~TLuaMessage() override;
  // The message boxed in the wrapped value, or null.
  TMessage* GetBoxedMessage() const;
};

// A message that came from Lua. Type, name and target are copied from the boxed message; the Lua
// value stays referenced so that the script later sees the very userdata it posted.
class TLuaMessageWrapper : public TMessage {
  TM_CLASS(TLuaMessageWrapper, TMessage)

 public:
  // Takes the value on the stack top (popped).
  explicit TLuaMessageWrapper(lua_State* L);
  ~TLuaMessageWrapper() override;

  const TLuaMessage& GetLuaMessage() const { return mLuaMessage; }
  // Pushes the wrapped Lua value.
  void PushValue() const { mLuaMessage.PushValue(); }

 private:
  TLuaMessage mLuaMessage;
};

// Pushes a message handed to a script, taking it over: a message that came from Lua is pushed as
// the very value it wraps (the wrapper is deleted), any other becomes new message userdata.
void PushMessageForScript(lua_State* L, TMessage* message);

// Messages as arguments and results of bound functions: an argument is the message boxed in the
// Lua value (null for anything else), a result passes into Lua's keeping as message userdata.
template <>
struct scriptbinding::Arg<TMessage*> {
  static TMessage* Get(lua_State* L, int i, TArgScope&) {
    return static_cast<TMessage*>(ToBoxedPointer(L, i));
  }
};
// Found by argument-dependent lookup from the binding's dispatchers.
inline int PushResult(lua_State* L, TMessage* v) {
  PushMessageUserdata(L, v);
  return 1;
}
