// A script state for the runtime's fuzz targets: standard libraries without file access, output
// discarded, allocations under a memory budget, and a count hook that ends runaway code.
#pragma once

#include <initializer_list>

#include "../script/lua/budget_alloc.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lua.h"
#include "script/lua/lualib.h"

namespace luafuzz {

inline int gTicks = 0;

inline void StopRunaways(lua_State *L, lua_Debug *) {
  if (++gTicks > 200) luaL_error(L, "instruction budget spent");
}

inline void Discard(const char *, size_t, void *) {}

// Opens the state (null when even that fails under the budget); print output is dropped until
// CloseState. Code run in it stops with an error after about 200k instructions.
inline lua_State *OpenState(luatest::Budget &budget) {
  lua_setdefaultalloc(luatest::BudgetAlloc, &budget);
  lua_State *L = lua_open();
  lua_setdefaultalloc(nullptr, nullptr);
  if (L == nullptr) return nullptr;
  luaB_setprintwriter(Discard, nullptr);
  luaopen_stdlibs(L);
  for (const char *name : {"dofile", "loadfile", "require"}) {  // no file access
    lua_pushnil(L);
    lua_setglobal(L, name);
  }
  gTicks = 0;
  lua_sethook(L, StopRunaways, LUA_MASKCOUNT, 1000);
  return L;
}

inline void CloseState(lua_State *L) {
  if (L != nullptr) lua_close(L);
  luaB_setprintwriter(nullptr, nullptr);
}

}  // namespace luafuzz
