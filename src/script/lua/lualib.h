/*
** The standard libraries this runtime offers (base with coroutines, string, table, math)
** and the single call a host uses to open them all.
*/
#ifndef lualib_h
#define lualib_h

#include <stddef.h>

#include "lua.h"

#ifndef LUALIB_API
#define LUALIB_API LUA_API
#endif

#define LUA_COLIBNAME "coroutine"
LUALIB_API int luaopen_base(lua_State *L);

#define LUA_TABLIBNAME "table"
LUALIB_API int luaopen_table(lua_State *L);

#define LUA_STRLIBNAME "string"
LUALIB_API int luaopen_string(lua_State *L);
/* adds string.pack and string.unpack (luaopen_string calls it) */
LUALIB_API int luaopen_pack(lua_State *L);

#define LUA_MATHLIBNAME "math"
LUALIB_API int luaopen_math(lua_State *L);

/* opens base (with coroutine), string, table and math, leaving the stack as it was */
LUALIB_API void luaopen_stdlibs(lua_State *L);

/*
** Where `print' writes. The default writes to the standard output; a host (or a test)
** may route the text elsewhere. Passing null restores the default.
*/
typedef void (*lua_PrintWriter)(const char *s, size_t len, void *ud);
LUALIB_API void luaB_setprintwriter(lua_PrintWriter writer, void *ud);

#endif
