// Fuzz target for the chunk loader: the input is loaded as a precompiled chunk (an ESC byte is put
// in front when it lacks one). A chunk that loads must dump to a chunk that loads again to the
// same bytes, and it is run under instruction and memory budgets: the verifier stands between
// hostile code and the virtual machine, so running must end in results or an error, never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "lua_fuzz_state.h"

namespace {

int AppendWriter(lua_State *, const void *p, size_t sz, void *ud) {
  static_cast<std::string *>(ud)->append(static_cast<const char *>(p), sz);
  return 1;
}

std::string Dump(lua_State *L) {
  std::string out;
  lua_dump(L, AppendWriter, &out);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string chunk(reinterpret_cast<const char *>(data), size);
  if (chunk.empty() || chunk[0] != '\033') chunk.insert(chunk.begin(), '\033');
  luatest::Budget budget;
  budget.limit = 64u << 20;
  lua_State *L = luafuzz::OpenState(budget);
  if (L == nullptr) return 0;
  if (luaL_loadbuffer(L, chunk.data(), chunk.size(), "=fuzz") == 0) {
    std::string again = Dump(L);
    if (luaL_loadbuffer(L, again.data(), again.size(), "=again") != 0) {
      std::fprintf(stderr, "a loaded chunk dumps to one that does not load: %s\n", lua_tostring(L, -1));
      std::abort();
    }
    if (Dump(L) != again) {
      std::fprintf(stderr, "dumping a reloaded chunk changes it\n");
      std::abort();
    }
    lua_pop(L, 1);
    lua_pcall(L, 0, 0, 0);
  }
  luafuzz::CloseState(L);
  return 0;
}
