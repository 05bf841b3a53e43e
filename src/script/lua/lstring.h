/*
** String table: narrow and wide strings are interned in one table (keyed by contents and tag);
** also creates full userdata blocks.
*/
#ifndef lstring_h
#define lstring_h

#include "lobject.h"
#include "lstate.h"

#define sizestring(l) (cast(lu_mem, sizeof(union LString)) + (cast(lu_mem, l) + 1) * sizeof(char))
#define sizewstring(l) (cast(lu_mem, sizeof(union LString)) + (cast(lu_mem, l) + 1) * sizeof(lua_WChar))
/* size of a string object of either kind */
#define sizeanystring(ts) \
  ((ts)->tsv.tt == LUA_TWSTRING ? sizewstring((ts)->tsv.len) : sizestring((ts)->tsv.len))

#define sizeudata(l) (cast(lu_mem, sizeof(union Udata)) + (l))

#define luaS_new(L, s) (luaS_newlstr(L, s, strlen(s)))
#define luaS_newliteral(L, s) (luaS_newlstr(L, "" s, (sizeof(s) / sizeof(char)) - 1))

#define luaS_fix(s) ((s)->tsv.marked |= (1 << 4))

void luaS_resize(lua_State *L, int newsize);
Udata *luaS_newudata(lua_State *L, size_t s);
/* a userdata of recorded length 1 whose block holds one pointer */
Udata *luaS_newboxedpointer(lua_State *L, void *p);
void luaS_freeall(lua_State *L);
LString *luaS_newlstr(lua_State *L, const char *str, size_t l);
LString *luaS_newlwstr(lua_State *L, const lua_WChar *str, size_t l);
/* The string of the `l' bytes that follow a header's room (sizeof(LString)) in `block', a block
   of exactly sizestring(l) bytes from the state's allocator. The block becomes the string, so
   the bytes are not copied, or is freed when an equal string exists; nothing here can fail
   before the block has an owner. */
LString *luaS_adoptlstr(lua_State *L, char *block, lu_mem blocksize, size_t l);

#endif
