// Wrappers that keep a Lua value alive beyond one call: each stores its value in the registry
// under the wrapper's own address, so the value cannot be collected while the wrapper exists, and
// clears that entry when destroyed. TLuaTable reads constructor tables by field name or array
// index with defaults; TLuaFunction calls a wrapped function with error reporting.
#pragma once
#include <memory>

#include "core/math.h"
#include "core/string.h"
#include "script/lua/lua.h"

class TLuaObjectWrapper {
 public:
  // Takes the value on the stack top (popping it).
  explicit TLuaObjectWrapper(lua_State* L);
  // Clears the registry entry, which releases the value.
  virtual ~TLuaObjectWrapper();
  // The registry key is the wrapper's address: it must never be copied or moved.
  TLuaObjectWrapper(const TLuaObjectWrapper&) = delete;
  TLuaObjectWrapper& operator=(const TLuaObjectWrapper&) = delete;

  lua_State* GetState() const { return mL; }
  // Pushes the wrapped value.
  void PushValue() const;
  // A number, a string or a wide string.
  bool IsString() const;
  bool IsTable() const;
  // Lua's string conversion; values that are neither strings nor numbers give "".
  TString ToString() const;
  // Lua's number conversion; anything that does not read as a number gives 0.
  double ToNumber() const;

  // Pushes field [name] and answers true when it is not nil; otherwise pushes nothing. A wrapped
  // value that is not a table has no fields.
  bool PushField(const char* name) const;
  TString GetString(const char* name, const TString& def) const;
  double GetNumber(const char* name, double def) const;

  // One step of a traversal in `next` order. `key` holds the previous key (empty to start) and is
  // replaced by the next entry's key; answers that entry's value, or empty (and an empty key) at
  // the end. A value that is not a table has no entries.
  std::unique_ptr<TLuaObjectWrapper> Next(std::unique_ptr<TLuaObjectWrapper>& key) const;

 protected:
  // Replaces the key on the stack top by entry [key] of the wrapped table and answers true when
  // that is not nil; otherwise pops the key and answers false.
  bool PushEntry() const;

  lua_State* mL;
};

class TLuaTable : public TLuaObjectWrapper {
 public:
  explicit TLuaTable(lua_State* L) : TLuaObjectWrapper(L) {}
  ~TLuaTable() override;

  // Pushes element [n] and answers true when it is not nil; otherwise pushes nothing.
  bool PushIndex(double n) const;
  TString GetStringAt(double n, const TString& def) const;
  double GetNumberAt(double n, double def) const;
  // Element [n] as a new table wrapper when it is a table, else empty.
  std::unique_ptr<TLuaTable> GetTableAt(double n) const;
  // When element [n] is a table: its elements [1] to [4], each defaulting to the matching
  // component of def; otherwise def. Rectangles and colours are read this way.
  TVec4 GetQuadAt(double n, const TVec4& def) const;
  // field [name] = number; nothing when the value is not a table.
  void SetNumber(const char* name, double number);
  // Hands the wrapper to the script that owns the state (the global _SCRIPT), which deletes it at
  // its next run or resume. Without such a script the wrapper is deleted at once; answers whether
  // a script took it.
  static bool AttachToScript(std::unique_ptr<TLuaTable> table);
};

class TLuaFunction : public TLuaObjectWrapper {
 public:
  explicit TLuaFunction(lua_State* L) : TLuaObjectWrapper(L) {}
  ~TLuaFunction() override;

  // Calls the wrapped function in protected mode with no arguments and one result (dropped), with
  // the global _ALERT as error handler; answers the call's code. Does nothing and answers 0 when
  // the value is not a function.
  int Call() const;
};

// Argument `index` of a native call as a table wrapper (of whatever the argument is; readers of a
// non-table answer their defaults), handed to the running script so that it is deleted at its next
// run or resume. The callee must not keep it. Without a script it is deleted when `holder` ends.
TLuaTable* GetTableArgument(lua_State* L, int index, std::unique_ptr<TLuaTable>* holder = nullptr);

// Calls the function below `nargs` arguments on the stack top in protected mode with the global
// _ALERT as error handler (removed again afterwards); answers the call's code.
int CallWithAlert(lua_State* L, int nargs, int nresults);
