/*
** Global state (shared by all threads of one universe) and per-thread state: stacks, call
** records, hooks, error handler. Also the union of all collectable objects.
*/
#ifndef lstate_h
#define lstate_h

#include "lua.h"

#include "lobject.h"
#include "ltm.h"
#include "lzio.h"

struct lua_longjmp; /* defined in ldo.cpp */

/* table of globals */
#define gt(L) (&L->_gt)

/* registry */
#define registry(L) (&G(L)->_registry)

/* default metatable (a table whose metatable is itself) */
#define defaultmeta(L) (&G(L)->_defaultmeta)

/* per-type table of tag t (nil for nil) */
#define typetable(L, t) (&G(L)->typetables[t])

/* extra stack space to handle TM calls and some other extras */
#define EXTRA_STACK 5

#define BASIC_CI_SIZE 8

#define BASIC_STACK_SIZE (2 * LUA_MINSTACK)

typedef struct stringtable {
  GCObject **hash;
  lu_int32 nuse; /* number of elements */
  int size;
} stringtable;

/* informations about a call */
typedef struct CallInfo {
  StkId base; /* base for this function */
  StkId func; /* function index in the stack */
  StkId top;  /* top for this function */
  const Instruction *savedpc;
  int nresults;  /* expected number of results from this function */
  int tailcalls; /* number of tail calls lost under this entry */
} CallInfo;

#define curr_func(L) (clvalue(L->ci->func))
#define ci_func(ci) (clvalue((ci)->func))
#define f_isLua(ci) (!ci_func(ci)->c.isC)
#define isLua(ci) (ttisfunction((ci)->func) && f_isLua(ci))

/* `global state', shared by all threads of this state */
typedef struct global_State {
  stringtable strt; /* hash table for strings */
  lua_Alloc frealloc; /* function to reallocate memory */
  void *ud;           /* auxiliary data to `frealloc' */
  GCObject *rootgc;   /* list of (almost) all collectable objects */
  GCObject *rootudata; /* (separated) list of all userdata */
  GCObject *tmudata;   /* list of userdata to be GC */
  Mbuffer buff;        /* temporary buffer for string concatenation */
  lu_mem GCthreshold;
  lu_mem nblocks; /* number of `bytes' currently allocated */
  lua_CFunction panic; /* to be called in unprotected errors */
  TObject _registry;
  TObject _defaultmeta;
  struct lua_State *mainthread;
  Node dummynode[1]; /* common node array for all empty tables */
  LString *tmname[TM_N]; /* array with tag-method names */
  TObject typetables[NUM_TYPETABLES]; /* per-type tables, indexed by tag 0 .. 10 */
  /* collector internals */
  GCObject *gray; /* objects marked but not yet traversed */
  GCObject *weak; /* tables with weak keys or values found in the mark phase */
  int gcstress;   /* run a full collection at every allocation check */
  int gcrunning;  /* a collection is in progress */
  GCObject *pending; /* objects linked while sweeping (upvalues of freed threads) */
  int resumedepth;   /* nested lua_resume calls (each one recurses on the C stack) */
} global_State;

/* `per thread' state */
struct lua_State {
  CommonHeader;
  lu_byte status;
  StkId top;  /* first free slot in the stack */
  StkId base; /* base of current function */
  global_State *l_G;
  CallInfo *ci;       /* call info for current function */
  StkId stack_last;   /* last free slot in the stack */
  StkId stack;        /* stack base */
  int stacksize;
  CallInfo *end_ci;   /* points after end of ci array */
  CallInfo *base_ci;  /* array of CallInfo's */
  int size_ci;        /* size of array `base_ci' */
  unsigned short nCcalls;    /* number of nested C calls */
  unsigned short baseCcalls; /* nested C calls when resuming coroutine */
  lu_byte hookmask;
  lu_byte allowhook;
  int basehookcount;
  int hookcount;
  lua_Hook hook;
  TObject _gt; /* table of globals */
  GCObject *openupval; /* list of open upvalues in this stack */
  GCObject *gclist;
  struct lua_longjmp *errorJmp; /* current error recover point */
  ptrdiff_t errfunc;            /* current error handling function (stack index) */
};

#define G(L) (L->l_G)

/* Union of all collectable objects */
union GCObject {
  GCheader gch;
  union LString ts;
  union Udata u;
  union Closure cl;
  struct Table h;
  struct Proto p;
  struct UpVal uv;
  struct lua_State th; /* thread */
};

/* macros to convert a GCObject into a specific value */
#define gcotots(o) check_exp((o)->gch.tt == LUA_TSTRING || (o)->gch.tt == LUA_TWSTRING, &((o)->ts))
#define gcotou(o) (&((o)->u))
#define gcotocl(o) (&((o)->cl))
#define gcotoh(o) (&((o)->h))
#define gcotop(o) (&((o)->p))
#define gcotouv(o) (&((o)->uv))
#define ngcotouv(o) (&((o)->uv))
#define gcototh(o) (&((o)->th))

#define check_exp(c, e) (e)

/* macro to convert any value into a GCObject */
#define valtogco(v) (cast(GCObject *, (v)))

lua_State *luaE_newthread(lua_State *L);
void luaE_freethread(lua_State *L, lua_State *L1);

#endif
