// Fuzz target for the script compiler: any byte string is lexed and parsed (narrow or, with the
// byte-order mark, UTF-16); it must either compile or fail with a syntax error, never crash.
// Some faults only show in long sources (jump lists of tens of thousands of branches), so the
// corpus holds seeds of hundreds of kilobytes: libFuzzer takes its default -max_len from the
// longest seed. Runs from an empty corpus need -max_len=300000 to reach them.
#include <cstddef>
#include <cstdint>

#include "script/lua/lauxlib.h"
#include "script/lua/lua.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // binary chunks belong to the loader, not to the compiler
  if (size > 0 && data[0] == 0x1b) return 0;
  lua_State* L = lua_open();
  if (L == nullptr) return 0;
  luaL_loadbuffer(L, reinterpret_cast<const char*>(data), size, "=fuzz");
  lua_close(L);
  return 0;
}
