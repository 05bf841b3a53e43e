/*
** Auxiliary functions from the C API used inside the runtime.
*/
#ifndef lapi_h
#define lapi_h

#include "lobject.h"

void luaA_pushobject(lua_State *L, const TObject *o);

#endif
