// Fuzz target for the virtual machine: any chunk that compiles is run with the standard
// libraries, under an instruction budget and a memory budget; it must finish or fail with an
// error, never crash or trip the sanitizers.
#include <cstddef>
#include <cstdint>

#include "lua_fuzz_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 0 && data[0] == 0x1b) return 0;  // binary chunks belong to the loader
  luatest::Budget budget;
  budget.limit = 64u << 20;
  lua_State *L = luafuzz::OpenState(budget);
  if (L == nullptr) return 0;
  if (luaL_loadbuffer(L, reinterpret_cast<const char *>(data), size, "=fuzz") == 0) lua_pcall(L, 0, 0, 0);
  luafuzz::CloseState(L);
  return 0;
}
