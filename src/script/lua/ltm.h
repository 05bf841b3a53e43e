/*
** Tag methods (metamethods): the 15 events, their fast lookup through the table flag cache, and
** the per-type tables that stand in for the metatable of values that are not tables or userdata.
*/
#ifndef ltm_h
#define ltm_h

#include "lobject.h"

/* WARNING: if you change the order of this enumeration, grep "ORDER TM" */
typedef enum {
  TM_INDEX,
  TM_NEWINDEX,
  TM_GC,
  TM_MODE,
  TM_EQ, /* last tag method with `fast' access */
  TM_ADD,
  TM_SUB,
  TM_MUL,
  TM_DIV,
  TM_POW,
  TM_UNM,
  TM_LT,
  TM_LE,
  TM_CONCAT,
  TM_CALL,
  TM_N /* number of elements in the enum */
} TMS;

#define gfasttm(g, et, e) \
  (((et) == NULL) ? NULL : ((et)->flags & (1u << (e))) ? NULL : luaT_gettm(et, e, (g)->tmname[e]))

#define fasttm(l, et, e) gfasttm(G(l), et, e)

const TObject *luaT_gettm(Table *events, TMS event, LString *ename);
/* metamethod of any value: from the metatable of tables and userdata, else the per-type table */
const TObject *luaT_gettmbyobj(lua_State *L, const TObject *o, TMS event);
/* metatable of a table or userdata, else the per-type table of the value's tag (NULL for nil) */
Table *luaT_getmetatable(lua_State *L, const TObject *o);
void luaT_init(lua_State *L);

extern const char *const luaT_typenames[];

#endif
