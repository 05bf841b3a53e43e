/*
** Garbage collector: stop-the-world mark and sweep. After each collection the threshold is twice
** the bytes in use; userdata with __gc are finalized after the sweep, weak tables cleared.
*/
#ifndef lgc_h
#define lgc_h

#include "lobject.h"
#include "lstate.h"

/* mark bits */
#define MARKBIT 0      /* object reached in this collection */
#define FINALIZEDBIT 1 /* userdata whose __gc has been scheduled */
#define KEYWEAKBIT 2   /* table with weak keys */
#define VALUEWEAKBIT 3 /* table with weak values */
#define FIXEDBIT 4     /* object never collected (reserved words, memory error text) */

#define ismarked(x) ((x)->gch.marked & (1 << MARKBIT))

#define luaC_checkGC(L) \
  do { \
    if (G(L)->nblocks >= G(L)->GCthreshold || G(L)->gcstress) luaC_collectgarbage(L); \
  } while (0)

size_t luaC_separateudata(lua_State *L);
void luaC_callGCTM(lua_State *L);
void luaC_sweep(lua_State *L, int all);
void luaC_collectgarbage(lua_State *L);
void luaC_link(lua_State *L, GCObject *o, lu_byte tt);

#endif
