// Fuzz target for particle scripts: any text is loaded as an effect script and stepped and drawn
// for a few frames, under an instruction budget and a memory budget for its script state. It must
// finish or fail with a logged error, never crash or trip the sanitizers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "../script/lua/budget_alloc.h"
#include "particles/luaparticlesystem.h"
#include "script/lua/lauxlib.h"
#include "script/lua/lua.h"

namespace {

int gTicks = 0;

void StopRunaways(lua_State* L, lua_Debug*) {
  if (++gTicks > 200) luaL_error(L, "instruction budget spent");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  // a path would be looked up as a file; the target is about script text
  if (text.find(".lua") != std::string::npos || text.find('\0') != std::string::npos) return 0;
  luatest::Budget budget;
  budget.limit = 64u << 20;
  lua_setdefaultalloc(luatest::BudgetAlloc, &budget);
  {
    TLuaParticleSystem system;
    lua_setdefaultalloc(nullptr, nullptr);
    lua_State* L = system.GetState();
    gTicks = 0;
    lua_sethook(L, StopRunaways, LUA_MASKCOUNT, 1000);
    system.Load(text.c_str());
    for (int frame = 0; frame < 4; ++frame) {
      gTicks = 0;
      system.Update(16);
      system.Render(TVec3(10, 10, 0));
    }
  }
  lua_setdefaultalloc(nullptr, nullptr);
  return 0;
}
