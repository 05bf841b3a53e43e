/*
** Auxiliary functions from the C API used inside the runtime.
*/
#ifndef lapi_h
#define lapi_h

#include "lobject.h"

void luaA_pushobject(lua_State *L, const TObject *o);
/* pushes the string luaS_adoptlstr makes of a string buffer's block (sizestring(len) bytes) */
void luaA_pushadopted(lua_State *L, char *block, size_t len);

#endif
