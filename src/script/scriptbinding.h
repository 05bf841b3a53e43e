// Binding of Lua globals to native member functions and free functions. Each global is a native
// closure whose single upvalue is a small record (object, member function and this adjustment, or
// a free function); one dispatcher per native signature converts the Lua arguments, makes the call
// and pushes the result. A later registration of a global replaces the earlier one.
//
// A record never keeps its object alive. An object that binds members owns a TScriptBindings; when
// that ends, every record made through it goes dead, and a later call of such a global (or of any
// copy a script kept) logs an error and returns nothing instead of reaching the freed object.
#pragma once
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/string.h"
#include "script/lua/lua.h"
#include "script/luastack.h"
#include "script/luawrapper.h"

namespace scriptbinding {

// Liveness of an owner: records carry its serial, the owner's end removes the serial.
bool IsOwnerLive(uint64_t serial);
// Logs the call of a dead binding (with the global's name when Lua knows it).
void ReportDeadCall(lua_State* L);

// What a call's argument conversions made and the call's end releases: table wrappers that no
// running script took over.
struct TArgScope {
  std::vector<std::unique_ptr<TLuaTable>> tables;
};

// ---- argument conversions, reading Lua argument `index` ----
template <class T>
struct Arg;
template <>
struct Arg<TString> {
  static TString Get(lua_State* L, int i, TArgScope&) { return ScriptGetString(L, i); }
};
template <>
struct Arg<double> {
  static double Get(lua_State* L, int i, TArgScope&) { return lua_tonumber(L, i); }
};
template <>
struct Arg<float> {
  static float Get(lua_State* L, int i, TArgScope&) {
    return static_cast<float>(lua_tonumber(L, i));
  }
};
template <>
struct Arg<int32_t> {
  static int32_t Get(lua_State* L, int i, TArgScope&) {
    return ScriptNumberToInt(lua_tonumber(L, i));
  }
};
template <>
struct Arg<bool> {
  static bool Get(lua_State* L, int i, TArgScope&) { return lua_toboolean(L, i) != 0; }
};
template <>
struct Arg<TLuaTable*> {
  static TLuaTable* Get(lua_State* L, int i, TArgScope& scope) {
    return GetTableArgument(L, i, &scope.tables.emplace_back());
  }
};

// ---- result conversions: push the value, answer the number of Lua results ----
inline int PushResult(lua_State* L, const TString& v) {
  ScriptPushString(L, v);
  return 1;
}
inline int PushResult(lua_State* L, bool v) {
  lua_pushboolean(L, v);
  return 1;
}
// Numbers of every native type; unsigned values stay unsigned.
template <class N>
requires std::is_arithmetic_v<N>
int PushResult(lua_State* L, N v) {
  lua_pushnumber(L, static_cast<lua_Number>(v));
  return 1;
}
// A text pointer, or any other pointer without a conversion of its own (the message binding adds
// one for messages), would otherwise pass as a boolean.
int PushResult(lua_State* L, const char* v) = delete;
template <class P>
int PushResult(lua_State* L, P* v) = delete;

// The raw form: the function gets the state and answers its own result count.
template <class R, class... A>
inline constexpr bool kIsRaw = sizeof...(A) == 1 && std::is_same_v<R, int> &&
                               (std::is_same_v<A, lua_State*> && ...);

// Converts the arguments (from index 1 upward), calls, and pushes the result.
template <class R, class... A, class Call, size_t... I>
int ScriptMemberInvoker(lua_State* L, Call&& call, std::index_sequence<I...>) {
  if constexpr (kIsRaw<R, A...>) {
    return call(L);
  } else {
    TArgScope scope;
    if constexpr (std::is_void_v<R>) {
      call(Arg<std::decay_t<A>>::Get(L, static_cast<int>(I) + 1, scope)...);
      return 0;
    } else {
      return PushResult(L, call(Arg<std::decay_t<A>>::Get(L, static_cast<int>(I) + 1, scope)...));
    }
  }
}

// The upvalue record of a member binding: the object (plus a byte adjustment added before the
// call), the member function and the serial of the owner whose end kills the record.
template <class Obj, class Fn, class R, class... A>
struct ScriptBinding {
  uint64_t owner;
  void* object;
  Fn function;
  int32_t adjust;

  int Call(lua_State* L) const {
    Obj* self = reinterpret_cast<Obj*>(static_cast<char*>(object) + adjust);
    return ScriptMemberInvoker<R, A...>(
        L,
        [&](auto&&... args) -> decltype(auto) {
          return (self->*function)(std::forward<decltype(args)>(args)...);
        },
        std::index_sequence_for<A...>());
  }
};

// The upvalue record of a free function.
template <class R, class... A>
struct ScriptFunctionBinding {
  R (*function)(A...);

  int Call(lua_State* L) const {
    return ScriptMemberInvoker<R, A...>(
        L,
        [&](auto&&... args) -> decltype(auto) {
          return function(std::forward<decltype(args)>(args)...);
        },
        std::index_sequence_for<A...>());
  }
};

// The dispatcher of one record type, that is of one native signature.
template <class Record>
int ScriptMemberThunk(lua_State* L) {
  const auto* record = static_cast<const Record*>(lua_touserdata(L, lua_upvalueindex(1)));
  if constexpr (requires { record->owner; }) {
    if (!IsOwnerLive(record->owner)) {
      ReportDeadCall(L);
      return 0;
    }
  }
  return record->Call(L);
}

// Pushes a closure of the record type's dispatcher with a copy of the record as its upvalue.
template <class Record>
void PushClosure(lua_State* L, const Record& record) {
  static_assert(std::is_trivially_copyable_v<Record>);
  new (lua_newuserdata(L, sizeof(Record))) Record(record);
  lua_pushcclosure(L, &ScriptMemberThunk<Record>, 1);
}

template <class Record>
void SetGlobalClosure(lua_State* L, const char* name, const Record& record) {
  lua_pushstring(L, name);
  PushClosure(L, record);
  lua_settable(L, LUA_GLOBALSINDEX);
}

}  // namespace scriptbinding

// Pushes a free function as a native closure.
template <class R, class... A>
void PushScriptFunction(lua_State* L, R (*function)(A...)) {
  scriptbinding::PushClosure(L, scriptbinding::ScriptFunctionBinding<R, A...>{function});
}

// Binds a free function to the global `name`.
template <class R, class... A>
void BindScriptFunction(lua_State* L, const char* name, R (*function)(A...)) {
  scriptbinding::SetGlobalClosure(L, name, scriptbinding::ScriptFunctionBinding<R, A...>{function});
}

// The bindings one object made. Keep it as a member of the bound object: when it ends (or on
// Release), the object's globals go dead.
class TScriptBindings {
 public:
  TScriptBindings();
  ~TScriptBindings();
  TScriptBindings(const TScriptBindings&) = delete;
  TScriptBindings& operator=(const TScriptBindings&) = delete;

  // Global `name` calls object->function.
  template <class Obj, class R, class... A>
  void Bind(lua_State* L, const char* name, Obj* object, R (Obj::*function)(A...)) {
    BindAdjusted(L, name, static_cast<void*>(object), 0, function);
  }
  template <class Obj, class R, class... A>
  void Bind(lua_State* L, const char* name, const Obj* object, R (Obj::*function)(A...) const) {
    BindAdjusted(L, name, const_cast<void*>(static_cast<const void*>(object)), 0, function);
  }
  // Global `name` calls the function on the object found `adjust` bytes after `address`.
  template <class Obj, class R, class... A>
  void BindAdjusted(lua_State* L, const char* name, void* address, int32_t adjust,
                    R (Obj::*function)(A...)) {
    using Record = scriptbinding::ScriptBinding<Obj, R (Obj::*)(A...), R, A...>;
    scriptbinding::SetGlobalClosure(L, name, Record{mSerial, address, function, adjust});
  }
  template <class Obj, class R, class... A>
  void BindAdjusted(lua_State* L, const char* name, void* address, int32_t adjust,
                    R (Obj::*function)(A...) const) {
    using Record = scriptbinding::ScriptBinding<const Obj, R (Obj::*)(A...) const, R, A...>;
    scriptbinding::SetGlobalClosure(L, name, Record{mSerial, address, function, adjust});
  }

  // Kills every record made so far: their globals log an error when called. Later Bind calls
  // make live records again.
  void Release();

 private:
  uint64_t mSerial;
};
