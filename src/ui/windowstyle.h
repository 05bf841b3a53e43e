// Window styles: the read-only view through which a window reads the Lua table it was built from.
// A key the table lacks is looked up in the global "gCurrentDefaultStyle", then along that style's
// chain of "parent" tables, so screens share fonts, colours and images without repeating them.
#pragma once
#include <memory>

#include "core/math.h"
#include "core/string.h"
#include "script/luawrapper.h"

class TWindowStyle {
 public:
  // The wrapper is not owned; every read happens in its Lua state.
  explicit TWindowStyle(const TLuaObjectWrapper* table) : mTable(table) {}
  virtual ~TWindowStyle() = default;

  double GetNumber(const char* key, double def) const;
  // The same as GetNumber; callers truncate it for positions, sizes, "align" and "type".
  double GetFloatByName(const char* key, double def) const { return GetNumber(key, def); }
  TString GetString(const char* key, const TString& def) const;
  // nil is false, a number is true when not 0, booleans as they are; other types give false (logged).
  bool GetBool(const char* key, bool def) const;
  // Elements [1] to [4] of the found table, missing ones 0.
  TVec4 GetQuad(const char* key, const TVec4& def) const;
  std::unique_ptr<TLuaTable> GetTable(const char* key) const;
  std::unique_ptr<TLuaFunction> GetFunction(const char* key) const;

  // Looks the key up in the table on the stack top (or among the globals when that is no table),
  // then down the default-style chain. Found: the value replaces the table on the stack top.
  // Not found: the table is popped. The chain is cut after kMaxDepth levels, so a cycle of
  // "parent" links ends as not found.
  static bool Find(lua_State* L, const char* key, int level = 0);
  static constexpr int kMaxDepth = 64;

 private:
  // Pushes the found value and answers true, or answers false with the stack as it was.
  bool PushFound(const char* key) const;

  const TLuaObjectWrapper* mTable;
};
