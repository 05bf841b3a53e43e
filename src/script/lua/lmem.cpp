/*
** Interface to the memory manager: all blocks go through the state's allocation function, with
** the bytes-in-use count kept for the collector's threshold.
*/
#include "ldebug.h"
#include "ldo.h"
#include "lmem.h"
#include "lobject.h"
#include "lstate.h"

#define MINSIZEARRAY 4

void *luaM_growaux(lua_State *L, void *block, int *size, int size_elems, int limit, const char *errormsg) {
  void *newblock;
  int newsize = (*size) * 2;
  if (newsize < MINSIZEARRAY)
    newsize = MINSIZEARRAY; /* minimum size */
  else if (*size >= limit / 2) { /* cannot double it? */
    if (*size < limit - MINSIZEARRAY) /* try something smaller... */
      newsize = limit; /* still have at least MINSIZEARRAY free places */
    else
      luaG_runerror(L, errormsg);
  }
  newblock = luaM_realloc(L, block, cast(lu_mem, *size) * cast(lu_mem, size_elems),
                          cast(lu_mem, newsize) * cast(lu_mem, size_elems));
  *size = newsize; /* update only when everything else is OK */
  return newblock;
}

void *luaM_realloc(lua_State *L, void *block, lu_mem oldsize, lu_mem size) {
  global_State *g = G(L);
  if (size == 0) {
    if (block == NULL) return NULL;
    g->frealloc(g->ud, block, oldsize, 0);
    block = NULL;
  }
  else if (size >= MAXBLOCKREQUEST)
    luaG_runerror(L, "memory allocation error: block too big");
  else {
    block = g->frealloc(g->ud, block, oldsize, size);
    if (block == NULL) luaD_throw(L, LUA_ERRMEM);
  }
  g->nblocks -= oldsize;
  g->nblocks += size;
  return block;
}
