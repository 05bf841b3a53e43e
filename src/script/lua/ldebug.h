/*
** Auxiliary functions from the debug interface: error messages naming the offending variable,
** runtime errors with "chunk:line:" positions, hooks, and the verifier of loaded code.
*/
#ifndef ldebug_h
#define ldebug_h

#include "lstate.h"

#define pcRel(pc, p) (cast(int, (pc) - (p)->code) - 1)

#define getline(f, pc) (((f)->lineinfo) ? (f)->lineinfo[pc] : 0)

#define resethookcount(L) (L->hookcount = L->basehookcount)

void luaG_inithooks(lua_State *L);
[[noreturn]] void luaG_typeerror(lua_State *L, const TObject *o, const char *opname);
[[noreturn]] void luaG_concaterror(lua_State *L, StkId p1, StkId p2);
[[noreturn]] void luaG_aritherror(lua_State *L, const TObject *p1, const TObject *p2);
[[noreturn]] int luaG_ordererror(lua_State *L, const TObject *p1, const TObject *p2);
[[noreturn]] void luaG_runerror(lua_State *L, const char *fmt, ...);
[[noreturn]] void luaG_errormsg(lua_State *L);
/* checks a prototype (and its nested ones) for well-formed code; 0 when it is bad */
int luaG_checkcode(const Proto *pt);

#endif
