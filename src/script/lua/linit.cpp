/*
** Opens the standard libraries a state gets: base (with coroutine), string, table and
** math. Each opener may leave its library table on the stack; the stack is restored.
*/
#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"

static const lua_CFunction lualibs[] = {luaopen_base, luaopen_string, luaopen_table,
                                        luaopen_math};

LUALIB_API void luaopen_stdlibs(lua_State *L) {
  for (lua_CFunction open : lualibs) {
    int top = lua_gettop(L);
    open(L);
    lua_settop(L, top);
  }
}
