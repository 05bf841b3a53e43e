/*
** Tag methods: event names, the lookup of an event in a metatable (with the absence cached in the
** table's flags) and the lookup for any value, which falls back to the per-type tables.
*/
#include <string.h>

#include "lobject.h"
#include "lstate.h"
#include "lstring.h"
#include "ltable.h"
#include "ltm.h"

const char *const luaT_typenames[] = {"nil", "boolean", "userdata", "number", "string", "table",
                                      "function", "userdata", "thread", "wstring", "proto", "upval"};

void luaT_init(lua_State *L) {
  static const char *const luaT_eventname[] = {/* ORDER TM */
                                               "__index", "__newindex", "__gc", "__mode", "__eq",
                                               "__add", "__sub", "__mul", "__div", "__pow",
                                               "__unm", "__lt", "__le", "__concat", "__call"};
  int i;
  for (i = 0; i < TM_N; i++) {
    G(L)->tmname[i] = luaS_new(L, luaT_eventname[i]);
    luaS_fix(G(L)->tmname[i]); /* never collect these names */
  }
}

/* function to be used with macro "fasttm": optimized for absence of tag methods */
const TObject *luaT_gettm(Table *events, TMS event, LString *ename) {
  const TObject *tm = luaH_getstr(events, ename);
  if (ttisnil(tm)) { /* no tag method? */
    events->flags |= cast(lu_byte, 1u << event); /* cache this fact */
    return NULL;
  }
  else
    return tm;
}

const TObject *luaT_gettmbyobj(lua_State *L, const TObject *o, TMS event) {
  Table *mt;
  switch (ttype(o)) {
    case LUA_TTABLE:
      mt = hvalue(o)->metatable;
      break;
    case LUA_TUSERDATA:
      mt = uvalue(o)->uv.metatable;
      break;
    default: /* every other value: its type's table stands for the metamethod */
      return typetable(L, ttype(o));
  }
  return (mt ? luaH_getstr(mt, G(L)->tmname[event]) : &luaO_nilobject);
}

Table *luaT_getmetatable(lua_State *L, const TObject *o) {
  switch (ttype(o)) {
    case LUA_TTABLE:
      return hvalue(o)->metatable;
    case LUA_TUSERDATA:
      return uvalue(o)->uv.metatable;
    default: {
      const TObject *tt = typetable(L, ttype(o));
      return ttistable(tt) ? hvalue(tt) : NULL;
    }
  }
}
