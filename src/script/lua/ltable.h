/*
** Lua tables (hash): an array part for keys 1..sizearray and a chained scatter table with Brent's
** variation for everything else; both parts are resized together by the 5.0 rehash rule.
*/
#ifndef ltable_h
#define ltable_h

#include "lobject.h"

#define gnode(t, i) (&(t)->node[i])
#define gkey(n) (&(n)->i_key)
#define gval(n) (&(n)->i_val)

const TObject *luaH_getnum(Table *t, int key);
TObject *luaH_setnum(lua_State *L, Table *t, int key);
const TObject *luaH_getstr(Table *t, LString *key);
const TObject *luaH_get(Table *t, const TObject *key);
TObject *luaH_set(lua_State *L, Table *t, const TObject *key);
Table *luaH_new(lua_State *L, int narray, int lnhash);
void luaH_free(lua_State *L, Table *t);
int luaH_next(lua_State *L, Table *t, StkId key);
Node *luaH_mainposition(const Table *t, const TObject *key);
/* the size reported by lua_tablesize (without the "n" field rule) */
int luaH_maxn(Table *t);

#endif
