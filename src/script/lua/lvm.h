/*
** Lua virtual machine: conversions, comparisons, indexing with metamethods, concatenation and the
** interpreter loop (luaV_execute).
*/
#ifndef lvm_h
#define lvm_h

#include "ldo.h"
#include "lobject.h"
#include "ltm.h"

#define tostring(L, o) ((ttype(o) == LUA_TSTRING) || (luaV_tostring(L, o)))

#define tonumber(o, n) (ttype(o) == LUA_TNUMBER || (((o) = luaV_tonumber(o, n)) != NULL))

#define equalobj(L, o1, o2) (ttype(o1) == ttype(o2) && luaV_equalVal(L, o1, o2))

int luaV_lessthan(lua_State *L, const TObject *l, const TObject *r);
int luaV_equalVal(lua_State *L, const TObject *t1, const TObject *t2);
const TObject *luaV_tonumber(const TObject *obj, TObject *n);
int luaV_tostring(lua_State *L, StkId obj);
/* converts a number slot in place to an interned wide string ("%.14g") */
int luaV_towstring(lua_State *L, StkId obj);
/* t[key] with the __index chain; the result goes to `val' (a stack slot) */
void luaV_gettable(lua_State *L, const TObject *t, TObject *key, StkId val);
void luaV_settable(lua_State *L, const TObject *t, TObject *key, const TObject *val);
/* runs the current Lua frame until `nexeccalls' Lua frames have returned */
void luaV_execute(lua_State *L, int nexeccalls);
void luaV_concat(lua_State *L, int total, int last);

#endif
