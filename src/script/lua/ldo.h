/*
** Stack and call handling: growing the stack, calling Lua and C functions, returning, protected
** execution. An error is raised by luaD_throw as a C++ exception of a private type, caught only by
** luaD_rawrunprotected, so native frames in between unwind normally.
*/
#ifndef ldo_h
#define ldo_h

#include "lobject.h"
#include "lstate.h"
#include "lzio.h"

/* macro to control inclusion of some hard tests on stack reallocation */
#define condhardstacktests(x) ((void)0)

#define luaD_checkstack(L, n) \
  do { \
    if ((char *)L->stack_last - (char *)L->top <= (n) * (int)sizeof(TObject)) luaD_growstack(L, n); \
  } while (0)

#define incr_top(L) \
  do { \
    luaD_checkstack(L, 1); \
    L->top++; \
  } while (0)

#define savestack(L, p) ((char *)(p) - (char *)L->stack)
#define restorestack(L, n) ((TObject *)((char *)L->stack + (n)))

#define saveci(L, p) ((char *)(p) - (char *)L->base_ci)
#define restoreci(L, n) ((CallInfo *)((char *)L->base_ci + (n)))

/* results from luaD_precall */
#define PCRLUA 0   /* initiated a call to a Lua function */
#define PCRC 1     /* did a call to a C function */
#define PCRYIELD 2 /* C function yielded */

/* type of protected functions, to be ran by `runprotected' */
typedef void (*Pfunc)(lua_State *L, void *ud);

void luaD_resetprotection(lua_State *L);
int luaD_protectedparser(lua_State *L, ZIO *z, int bin);
void luaD_callhook(lua_State *L, int event, int line);
int luaD_precall(lua_State *L, StkId func, int nresults);
void luaD_call(lua_State *L, StkId func, int nResults);
int luaD_pcall(lua_State *L, Pfunc func, void *u, ptrdiff_t oldtop, ptrdiff_t ef);
int luaD_poscall(lua_State *L, StkId firstResult);
void luaD_reallocCI(lua_State *L, int newsize);
void luaD_reallocstack(lua_State *L, int newsize);
void luaD_growstack(lua_State *L, int n);

[[noreturn]] void luaD_throw(lua_State *L, int errcode);
int luaD_rawrunprotected(lua_State *L, Pfunc f, void *ud);

void luaD_seterrorobj(lua_State *L, int errcode, StkId oldtop);

#endif
