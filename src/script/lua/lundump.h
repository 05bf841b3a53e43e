/*
** Loading of precompiled chunks. Binary chunks are recognised by their first byte (ESC); this
** build refuses them with a clear error until the chunk format lands.
*/
#ifndef lundump_h
#define lundump_h

#include "lobject.h"
#include "lzio.h"

#define LUA_SIGNATURE "\033Lua"

Proto *luaU_undump(lua_State *L, ZIO *Z, Mbuffer *buff);

#endif
