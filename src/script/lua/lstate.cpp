/*
** Global state and threads: lua_open builds the universe (per-type tables, registry, globals,
** string table, event names, reserved words), lua_close finalizes userdata and frees everything.
*/
#include <stdlib.h>
#include <string.h>

#include "ldebug.h"
#include "ldo.h"
#include "lfunc.h"
#include "lgc.h"
#include "llex.h"
#include "lmem.h"
#include "lstate.h"
#include "lstring.h"
#include "ltable.h"
#include "ltm.h"

static void *l_alloc(void *ud, void *ptr, size_t osize, size_t nsize) {
  (void)ud;
  (void)osize;
  if (nsize == 0) {
    free(ptr);
    return NULL;
  }
  return realloc(ptr, nsize);
}

/* the allocation function and its data word taken by the next lua_open */
static lua_Alloc g_defaultalloc = l_alloc;
static void *g_defaultud = NULL;
static int g_defaultgcstress = 0;

LUA_API void lua_setdefaultalloc(lua_Alloc f, void *ud) {
  g_defaultalloc = f ? f : l_alloc;
  g_defaultud = f ? ud : NULL;
}

LUA_API void lua_setdefaultgcstress(int on) { g_defaultgcstress = on; }

LUA_API void lua_setgcstress(lua_State *L, int on) { G(L)->gcstress = on; }

LUA_API int lua_getgcstress(lua_State *L) { return G(L)->gcstress; }

static void stack_init(lua_State *L1, lua_State *L) {
  int i;
  L1->stack = luaM_newvector(L, BASIC_STACK_SIZE + EXTRA_STACK, TObject);
  L1->stacksize = BASIC_STACK_SIZE + EXTRA_STACK;
  for (i = 0; i < L1->stacksize; i++) setnilvalue(L1->stack + i);
  L1->top = L1->stack;
  L1->stack_last = L1->stack + (L1->stacksize - EXTRA_STACK) - 1;
  L1->base_ci = luaM_newvector(L, BASIC_CI_SIZE, CallInfo);
  L1->ci = L1->base_ci;
  L1->ci->func = L1->top;
  setnilvalue(L1->top++); /* `function' entry for this `ci' */
  L1->base = L1->ci->base = L1->top;
  L1->ci->top = L1->top + LUA_MINSTACK;
  L1->ci->savedpc = NULL;
  L1->ci->nresults = 0;
  L1->ci->tailcalls = 0;
  L1->size_ci = BASIC_CI_SIZE;
  L1->end_ci = L1->base_ci + L1->size_ci - 1;
}

static void freestack(lua_State *L, lua_State *L1) {
  luaM_freearray(L, L1->base_ci, L1->size_ci, CallInfo);
  luaM_freearray(L, L1->stack, L1->stacksize, TObject);
}

/* open parts that may cause memory-allocation errors */
static void f_luaopen(lua_State *L, void *ud) {
  global_State *g = G(L);
  Table *dm;
  int i;
  (void)ud;
  stack_init(L, L); /* init stack */
  luaS_resize(L, MINSTRTABSIZE); /* initial size of string table */
  dm = luaH_new(L, 0, 0);
  dm->metatable = dm; /* the default metatable is its own metatable */
  sethvalue(defaultmeta(L), dm);
  for (i = 1; i < NUM_TYPETABLES; i++) { /* one table per type, nil has none */
    Table *t = luaH_new(L, 0, 0);
    t->metatable = dm;
    sethvalue(typetable(L, i), t);
  }
  sethvalue(gt(L), luaH_new(L, 0, 4));       /* table of globals */
  sethvalue(registry(L), luaH_new(L, 4, 4)); /* registry */
  luaT_init(L);
  luaX_init(L);
  luaS_fix(luaS_newliteral(L, MEMERRMSG));
  g->GCthreshold = 4 * g->nblocks;
}

static void preinit_state(lua_State *L) {
  L->stack = NULL;
  L->stacksize = 0;
  L->errorJmp = NULL;
  L->hook = NULL;
  L->hookmask = 0;
  L->basehookcount = 0;
  L->allowhook = 1;
  resethookcount(L);
  L->openupval = NULL;
  L->size_ci = 0;
  L->nCcalls = 0;
  L->baseCcalls = 0;
  L->status = 0;
  L->base_ci = L->ci = NULL;
  L->end_ci = NULL;
  L->errfunc = 0;
  L->top = L->base = L->stack_last = NULL;
  L->gclist = NULL;
  setnilvalue(gt(L));
}

static void close_state(lua_State *L) {
  global_State *g = G(L);
  luaF_close(L, L->stack); /* close all upvalues for this thread */
  luaC_sweep(L, 1);        /* collect all elements */
  if (g->strt.hash) luaS_freeall(L);
  luaZ_freebuffer(L, &g->buff);
  if (L->stack) freestack(L, L);
  lua_Alloc f = g->frealloc;
  void *ud = g->ud;
  f(ud, L, sizeof(lua_State), 0);
  f(ud, g, sizeof(global_State), 0);
}

lua_State *luaE_newthread(lua_State *L) {
  lua_State *L1 = luaM_new(L, lua_State);
  luaC_link(L, valtogco(L1), LUA_TTHREAD);
  preinit_state(L1);
  L1->l_G = L->l_G;
  stack_init(L1, L); /* init stack */
  setobj2n(gt(L1), gt(L)); /* share table of globals */
  L1->hookmask = L->hookmask;
  L1->basehookcount = L->basehookcount;
  L1->hook = L->hook;
  resethookcount(L1);
  return L1;
}

void luaE_freethread(lua_State *L, lua_State *L1) {
  luaF_close(L1, L1->stack); /* close all upvalues for this thread */
  if (L1->stack) freestack(L, L1);
  luaM_freelem(L, L1);
}

LUA_API lua_State *lua_open(void) {
  lua_Alloc f = g_defaultalloc;
  void *ud = g_defaultud;
  lua_State *L = cast(lua_State *, f(ud, NULL, 0, sizeof(lua_State)));
  global_State *g = L ? cast(global_State *, f(ud, NULL, 0, sizeof(global_State))) : NULL;
  if (g == NULL) {
    if (L) f(ud, L, sizeof(lua_State), 0);
    return NULL;
  }
  memset(L, 0, sizeof(lua_State));
  memset(g, 0, sizeof(global_State));
  L->tt = LUA_TTHREAD;
  L->marked = 0;
  L->next = NULL;
  preinit_state(L);
  L->l_G = g;
  g->frealloc = f;
  g->ud = ud;
  g->mainthread = L;
  g->GCthreshold = 0; /* mark it as unfinished state */
  g->strt.size = 0;
  g->strt.nuse = 0;
  g->strt.hash = NULL;
  setnilvalue(registry(L));
  setnilvalue(defaultmeta(L));
  for (int i = 0; i < NUM_TYPETABLES; i++) setnilvalue(&g->typetables[i]);
  luaZ_initbuffer(L, &g->buff);
  g->panic = NULL;
  g->rootgc = NULL;
  g->rootudata = NULL;
  g->tmudata = NULL;
  g->pending = NULL;
  g->gcstress = 0;
  g->gcrunning = 0;
  setnilvalue(gkey(g->dummynode));
  setnilvalue(gval(g->dummynode));
  g->dummynode->next = NULL;
  g->nblocks = sizeof(lua_State) + sizeof(global_State);
  if (luaD_rawrunprotected(L, f_luaopen, NULL) != 0) {
    /* memory allocation error: free partial state */
    close_state(L);
    L = NULL;
  }
  else
    g->gcstress = g_defaultgcstress;
  return L;
}

static void callallgcTM(lua_State *L, void *ud) {
  (void)ud;
  luaC_callGCTM(L); /* call GC metamethods for all udata */
}

LUA_API void lua_close(lua_State *L) {
  L = G(L)->mainthread; /* only the main thread can be closed */
  luaF_close(L, L->stack); /* close all upvalues for this thread */
  G(L)->gcstress = 0;
  luaC_separateudata(L); /* separate udata that have GC metamethods */
  L->errfunc = 0;        /* no error function during GC metamethods */
  do { /* repeat until no more errors */
    L->ci = L->base_ci;
    L->base = L->top = L->ci->base;
    L->nCcalls = 0;
  } while (luaD_rawrunprotected(L, callallgcTM, NULL) != 0);
  close_state(L);
}
