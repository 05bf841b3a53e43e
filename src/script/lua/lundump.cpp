/*
** Loading of precompiled chunks: not available in this build; a binary chunk is refused with a
** syntax error naming the chunk.
*/
#include "ldebug.h"
#include "ldo.h"
#include "lobject.h"
#include "lstring.h"
#include "lundump.h"

Proto *luaU_undump(lua_State *L, ZIO *Z, Mbuffer *buff) {
  (void)buff;
  const char *name = zname(Z);
  if (*name == '@' || *name == '=') name++;
  luaO_pushfstring(L, "%s: precompiled chunks are not supported", name);
  luaD_throw(L, LUA_ERRSYNTAX);
}
