// Fuzz target for the virtual machine: any chunk that compiles is run with the standard
// libraries, under an instruction budget and a memory budget; it must finish or fail with an
// error, never crash or trip the sanitizers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "../script/lua/budget_alloc.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lua.h"
#include "script/lua/lualib.h"

namespace {

int gTicks = 0;

void StopRunaways(lua_State *L, lua_Debug *) {
  if (++gTicks > 200) luaL_error(L, "instruction budget spent");
}

void Discard(const char *, size_t, void *) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 0 && data[0] == 0x1b) return 0;  // binary chunks belong to the loader
  luatest::Budget budget;
  budget.limit = 64u << 20;
  lua_setdefaultalloc(luatest::BudgetAlloc, &budget);
  lua_State *L = lua_open();
  lua_setdefaultalloc(nullptr, nullptr);
  if (L == nullptr) return 0;
  luaB_setprintwriter(Discard, nullptr);
  luaopen_stdlibs(L);
  for (const char *name : {"dofile", "loadfile", "require"}) {  // no file access
    lua_pushnil(L);
    lua_setglobal(L, name);
  }
  gTicks = 0;
  lua_sethook(L, StopRunaways, LUA_MASKCOUNT, 1000);
  if (luaL_loadbuffer(L, reinterpret_cast<const char *>(data), size, "=fuzz") == 0) lua_pcall(L, 0, 0, 0);
  lua_close(L);
  luaB_setprintwriter(nullptr, nullptr);
  return 0;
}
