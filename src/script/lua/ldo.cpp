/*
** Stack and call handling of the runtime: stack and call-record growth, calls and returns of Lua
** and C functions, protected execution, coroutines (resume/yield) and the protected parser.
** Errors travel as a C++ exception of a private type from luaD_throw to luaD_rawrunprotected.
*/
#include <stdlib.h>
#include <string.h>

#include <exception>
#include <new>
#include <string>

#include "ldebug.h"
#include "ldo.h"
#include "lfunc.h"
#include "lgc.h"
#include "lmem.h"
#include "lobject.h"
#include "lopcodes.h"
#include "lparser.h"
#include "lstate.h"
#include "lstring.h"
#include "ltable.h"
#include "ltm.h"
#include "lundump.h"
#include "lvm.h"
#include "lzio.h"

/* status of a thread suspended by lua_yield */
#define THREAD_YIELDED 6

/*
** Error-recovery functions
*/

/* chain list of long jump buffers */
struct lua_longjmp {
  struct lua_longjmp *previous;
  volatile int status; /* error code */
};

namespace {
/* what luaD_throw throws; only luaD_rawrunprotected catches it */
struct LuaUnwind {
  int status;
};
} // namespace

static lua_ExitHook g_exithook = NULL;

LUA_API lua_ExitHook lua_setexithook(lua_ExitHook hook) {
  lua_ExitHook old = g_exithook;
  g_exithook = hook;
  return old;
}

void luaD_seterrorobj(lua_State *L, int errcode, StkId oldtop) {
  switch (errcode) {
    case LUA_ERRMEM: {
      setsvalue2s(oldtop, luaS_newliteral(L, MEMERRMSG));
      break;
    }
    case LUA_ERRERR: {
      setsvalue2s(oldtop, luaS_newliteral(L, "error in error handling"));
      break;
    }
    case LUA_ERRSYNTAX:
    case LUA_ERRRUN: {
      setobjs2s(oldtop, L->top - 1); /* error message on current top */
      break;
    }
  }
  L->top = oldtop + 1;
}

void luaD_throw(lua_State *L, int errcode) {
  if (L->errorJmp) {
    L->errorJmp->status = errcode;
    throw LuaUnwind{errcode};
  }
  else {
    if (G(L)->panic) G(L)->panic(L);
    if (g_exithook) g_exithook(L, EXIT_FAILURE);
    exit(EXIT_FAILURE);
  }
}

int luaD_rawrunprotected(lua_State *L, Pfunc f, void *ud) {
  struct lua_longjmp lj;
  std::string foreign; /* message of a C++ exception thrown by a native function */
  lj.status = 0;
  lj.previous = L->errorJmp; /* chain new error handler */
  L->errorJmp = &lj;
  try {
    (*f)(L, ud);
  }
  catch (const LuaUnwind &) {
    if (lj.status == 0) lj.status = LUA_ERRRUN;
  }
  catch (const std::bad_alloc &) {
    lj.status = LUA_ERRMEM;
  }
  catch (const std::exception &e) { /* a native function broke the rules: report, don't unwind past */
    lj.status = LUA_ERRRUN;
    foreign = std::string("native exception: ") + e.what();
  }
  L->errorJmp = lj.previous; /* restore old error handler */
  if (!foreign.empty()) {
    try {
      if (L->stack_last - L->top < 1) luaD_growstack(L, 1);
      setsvalue2s(L->top, luaS_newlstr(L, foreign.data(), foreign.size()));
      L->top++;
    }
    catch (...) {
      lj.status = LUA_ERRMEM;
    }
  }
  return lj.status;
}

static void restore_stack_limit(lua_State *L) {
  if (L->size_ci > LUA_MAXCALLS) { /* there was an overflow? */
    int inuse = cast(int, L->ci - L->base_ci);
    if (inuse + 1 < LUA_MAXCALLS) /* can `undo' overflow? */
      luaD_reallocCI(L, LUA_MAXCALLS);
  }
}

/* }====================================================== */

static void correctstack(lua_State *L, TObject *oldstack, TObject *newstack) {
  CallInfo *ci;
  GCObject *up;
  L->top = (L->top - oldstack) + newstack;
  for (up = L->openupval; up != NULL; up = up->gch.next) gcotouv(up)->v = (gcotouv(up)->v - oldstack) + newstack;
  for (ci = L->base_ci; ci <= L->ci; ci++) {
    ci->top = (ci->top - oldstack) + newstack;
    ci->base = (ci->base - oldstack) + newstack;
    ci->func = (ci->func - oldstack) + newstack;
  }
  L->base = L->ci->base;
}

void luaD_reallocstack(lua_State *L, int newsize) {
  TObject *oldstack = L->stack;
  int realsize = newsize + 1 + EXTRA_STACK;
  TObject *newstack = luaM_newvector(L, realsize, TObject);
  int keep = L->stacksize < realsize ? L->stacksize : realsize;
  int i;
  memcpy(newstack, oldstack, keep * sizeof(TObject));
  for (i = keep; i < realsize; i++) setnilvalue(newstack + i);
  correctstack(L, oldstack, newstack);
  luaM_freearray(L, oldstack, L->stacksize, TObject);
  L->stack = newstack;
  L->stacksize = realsize;
  L->stack_last = L->stack + newsize;
}

void luaD_reallocCI(lua_State *L, int newsize) {
  ptrdiff_t inuse = L->ci - L->base_ci;
  luaM_reallocvector(L, L->base_ci, L->size_ci, newsize, CallInfo);
  L->size_ci = newsize;
  L->ci = L->base_ci + inuse;
  L->end_ci = L->base_ci + L->size_ci - 1;
}

void luaD_growstack(lua_State *L, int n) {
  if (n <= L->stacksize) /* double size is enough? */
    luaD_reallocstack(L, 2 * L->stacksize);
  else
    luaD_reallocstack(L, L->stacksize + n);
}

static CallInfo *growCI(lua_State *L) {
  if (L->size_ci > LUA_MAXCALLS) /* overflow while handling overflow? */
    luaD_throw(L, LUA_ERRERR);
  else {
    luaD_reallocCI(L, 2 * L->size_ci);
    if (L->size_ci > LUA_MAXCALLS) luaG_runerror(L, "stack overflow");
  }
  return ++L->ci;
}

#define inc_ci(L) ((L->ci == L->end_ci) ? growCI(L) : (++L->ci))

void luaD_callhook(lua_State *L, int event, int line) {
  lua_Hook hook = L->hook;
  if (hook && L->allowhook) {
    ptrdiff_t top = savestack(L, L->top);
    ptrdiff_t ci_top = savestack(L, L->ci->top);
    lua_Debug ar;
    ar.event = event;
    ar.currentline = line;
    if (event == LUA_HOOKTAILRET)
      ar.i_ci = 0; /* tail call; no debug information about it */
    else
      ar.i_ci = cast(int, L->ci - L->base_ci);
    luaD_checkstack(L, LUA_MINSTACK); /* ensure minimum stack size */
    L->ci->top = L->top + LUA_MINSTACK;
    L->allowhook = 0; /* cannot call hooks inside a hook */
    (*hook)(L, &ar);
    L->allowhook = 1;
    L->ci->top = restorestack(L, ci_top);
    L->top = restorestack(L, top);
  }
}

/* collects the extra arguments of a vararg function into its `arg' table (with field n) */
static void adjust_varargs(lua_State *L, int nfixargs, StkId base) {
  int i;
  Table *htab;
  TObject nname;
  int actual = cast(int, L->top - base); /* actual number of arguments */
  if (actual < nfixargs) {
    luaD_checkstack(L, nfixargs - actual);
    for (; actual < nfixargs; ++actual) setnilvalue(L->top++);
  }
  actual -= nfixargs; /* number of extra arguments */
  htab = luaH_new(L, actual, 1); /* create `arg' table */
  for (i = 0; i < actual; i++) /* put extra arguments into `arg' table */
    setobj2n(luaH_setnum(L, htab, i + 1), L->top - actual + i);
  /* store counter in field `n' */
  setsvalue(&nname, luaS_newliteral(L, "n"));
  setnvalue(luaH_set(L, htab, &nname), cast(lua_Number, actual));
  L->top -= actual; /* remove extra elements from the stack */
  sethvalue(L->top, htab);
  L->top++;
}

static StkId tryfuncTM(lua_State *L, StkId func) {
  const TObject *tm = luaT_gettmbyobj(L, func, TM_CALL);
  StkId p;
  ptrdiff_t funcr = savestack(L, func);
  if (!ttisfunction(tm)) luaG_typeerror(L, func, "call");
  /* Open a hole inside the stack at `func' */
  for (p = L->top; p > func; p--) setobjs2s(p, p - 1);
  incr_top(L);
  func = restorestack(L, funcr); /* previous call may change stack */
  setobj2s(func, tm); /* tag method is the new function to be called */
  return func;
}

int luaD_precall(lua_State *L, StkId func, int nresults) {
  LClosure *cl;
  ptrdiff_t funcr;
  if (!ttisfunction(func)) /* `func' is not a function? */
    func = tryfuncTM(L, func); /* check the `function' tag method */
  funcr = savestack(L, func);
  cl = &clvalue(func)->l;
  if (!cl->isC) { /* Lua function? prepare its call */
    CallInfo *ci;
    StkId st, base;
    Proto *p = cl->p;
    luaD_checkstack(L, p->maxstacksize + 1);
    func = restorestack(L, funcr);
    base = func + 1;
    if (p->is_vararg) { /* varargs? */
      adjust_varargs(L, p->numparams, base);
      luaC_checkGC(L); /* the `arg' table is new garbage (anchored on the stack for now) */
      func = restorestack(L, funcr);
      base = func + 1;
      luaD_checkstack(L, p->maxstacksize + 1);
      func = restorestack(L, funcr);
      base = func + 1;
    }
    else if (L->top > base + p->numparams)
      L->top = base + p->numparams; /* drop the extra arguments */
    ci = inc_ci(L); /* now `enter' new function */
    func = restorestack(L, funcr);
    ci->func = func;
    L->base = ci->base = base;
    ci->top = L->base + p->maxstacksize;
    ci->savedpc = p->code; /* starting point */
    ci->tailcalls = 0;
    ci->nresults = nresults;
    for (st = L->top; st < ci->top; st++) setnilvalue(st);
    L->top = ci->top;
    if (L->hookmask & LUA_MASKCALL) {
      ci->savedpc++; /* hooks assume 'pc' is already incremented */
      luaD_callhook(L, LUA_HOOKCALL, -1);
      L->ci->savedpc--; /* correct 'pc' */
    }
    return PCRLUA;
  }
  else { /* if is a C function, call it */
    CallInfo *ci;
    int n;
    luaD_checkstack(L, LUA_MINSTACK); /* ensure minimum stack size */
    ci = inc_ci(L); /* now `enter' new function */
    ci->func = restorestack(L, funcr);
    L->base = ci->base = ci->func + 1;
    ci->top = L->top + LUA_MINSTACK;
    ci->nresults = nresults;
    ci->savedpc = NULL;
    ci->tailcalls = 0;
    if (L->hookmask & LUA_MASKCALL) luaD_callhook(L, LUA_HOOKCALL, -1);
    n = (*curr_func(L)->c.f)(L); /* do the actual call */
    if (n < 0) /* yielding? */
      return PCRYIELD;
    else {
      luaD_poscall(L, L->top - n);
      return PCRC;
    }
  }
}

static StkId callrethooks(lua_State *L, StkId firstResult) {
  ptrdiff_t fr = savestack(L, firstResult); /* next call may change stack */
  luaD_callhook(L, LUA_HOOKRET, -1);
  if (L->ci->func && isLua(L->ci)) { /* Lua function? */
    while (L->ci->tailcalls--) /* call hook for eventual tail calls */
      luaD_callhook(L, LUA_HOOKTAILRET, -1);
  }
  return restorestack(L, fr);
}

int luaD_poscall(lua_State *L, StkId firstResult) {
  StkId res;
  int wanted, i;
  CallInfo *ci;
  if (L->hookmask & LUA_MASKRET) firstResult = callrethooks(L, firstResult);
  ci = L->ci--;
  res = ci->func; /* res == final position of 1st result */
  wanted = ci->nresults;
  L->base = (ci - 1)->base; /* restore base */
  /* move results to correct place */
  for (i = wanted; i != 0 && firstResult < L->top; i--) setobjs2s(res++, firstResult++);
  while (i-- > 0) setnilvalue(res++);
  L->top = res;
  return (wanted - LUA_MULTRET); /* 0 iff wanted == LUA_MULTRET */
}

/*
** Call a function (C or Lua). The function to be called is at *func. The arguments are on the
** stack, right after the function. When returns, all the results are on the stack, starting at
** the original function position.
*/
void luaD_call(lua_State *L, StkId func, int nResults) {
  if (++L->nCcalls >= LUA_MAXCCALLS) {
    if (L->nCcalls == LUA_MAXCCALLS)
      luaG_runerror(L, "C stack overflow");
    else if (L->nCcalls >= (LUA_MAXCCALLS + (LUA_MAXCCALLS >> 3)))
      luaD_throw(L, LUA_ERRERR); /* error while handing stack error */
  }
  if (luaD_precall(L, func, nResults) == PCRLUA) /* is a Lua function? */
    luaV_execute(L, 1); /* call it */
  L->nCcalls--;
}

static void resume(lua_State *L, void *ud) {
  StkId firstArg = cast(StkId, ud);
  CallInfo *ci = L->ci;
  if (L->status == 0) { /* start coroutine? */
    if (luaD_precall(L, firstArg - 1, LUA_MULTRET) != PCRLUA) return;
  }
  else { /* resuming from previous yield */
    L->status = 0;
    if (!f_isLua(ci)) { /* `common' yield? */
      /* finish interrupted execution of `OP_CALL' */
      if (luaD_poscall(L, firstArg)) /* complete it... */
        L->top = L->ci->top; /* and correct top if not multiple results */
    }
    else /* yielded inside a hook: just continue its execution */
      L->base = L->ci->base;
  }
  luaV_execute(L, cast(int, L->ci - L->base_ci));
}

static int resume_error(lua_State *L, const char *msg, int nargs) {
  L->top -= nargs;
  setsvalue2s(L->top, luaS_new(L, msg));
  incr_top(L);
  return LUA_ERRRUN;
}

LUA_API int lua_resume(lua_State *L, int nargs) {
  int status;
  if (L->status != THREAD_YIELDED) {
    if (L->ci != L->base_ci)
      return resume_error(L, "cannot resume non-suspended coroutine", nargs);
    if (nargs >= L->top - L->base)
      return resume_error(L, "cannot resume dead coroutine", nargs);
  }
  if (L->nCcalls >= LUA_MAXCCALLS || G(L)->resumedepth >= LUA_MAXCCALLS)
    return resume_error(L, "C stack overflow", nargs);
  G(L)->resumedepth++;
  L->baseCcalls = ++L->nCcalls;
  status = luaD_rawrunprotected(L, resume, L->top - nargs);
  if (status != 0) { /* error? the thread is dead: only the error object remains */
    StkId errobj = L->top - 1;
    L->status = 0;
    luaF_close(L, L->stack);
    L->ci = L->base_ci;
    L->base = L->ci->base;
    if (status == LUA_ERRRUN || status == LUA_ERRSYNTAX) {
      setobjs2s(L->base, errobj);
      L->top = L->base + 1;
    }
    else
      luaD_seterrorobj(L, status, L->base);
    L->nCcalls = 0;
    restore_stack_limit(L);
  }
  else if (L->status != THREAD_YIELDED) { /* finished: keep only the results */
    StkId res = L->base;
    StkId first = L->base_ci->base;
    if (first != res) {
      for (; res < L->top; res++, first++) setobjs2s(first, res);
      L->top = first;
    }
  }
  --L->nCcalls;
  G(L)->resumedepth--;
  return status;
}

LUA_API int lua_yield(lua_State *L, int nresults) {
  if (L->nCcalls > L->baseCcalls)
    luaG_runerror(L, "attempt to yield across metamethod/C-call boundary");
  L->base = L->top - nresults; /* protect stack slots below */
  L->status = THREAD_YIELDED;
  return -1;
}

int luaD_pcall(lua_State *L, Pfunc func, void *u, ptrdiff_t old_top, ptrdiff_t ef) {
  int status;
  unsigned short oldnCcalls = L->nCcalls;
  ptrdiff_t old_ci = saveci(L, L->ci);
  lu_byte old_allowhooks = L->allowhook;
  ptrdiff_t old_errfunc = L->errfunc;
  L->errfunc = ef;
  status = luaD_rawrunprotected(L, func, u);
  if (status != 0) { /* an error occurred? */
    StkId oldtop = restorestack(L, old_top);
    luaF_close(L, oldtop); /* close eventual pending closures */
    luaD_seterrorobj(L, status, oldtop);
    L->nCcalls = oldnCcalls;
    L->ci = restoreci(L, old_ci);
    L->base = L->ci->base;
    L->allowhook = old_allowhooks;
    restore_stack_limit(L);
  }
  L->errfunc = old_errfunc;
  return status;
}

/*
** Execute a protected parser.
*/
struct SParser { /* data to `f_parser' */
  ZIO *z;
  Mbuffer buff; /* buffer to be used by the scanner */
  int bin;
};

static void f_parser(lua_State *L, void *ud) {
  struct SParser *p = cast(struct SParser *, ud);
  Proto *tf;
  Closure *cl;
  luaC_checkGC(L);
  if (p->bin)
    tf = luaU_undump(L, p->z, &p->buff);
  else {
    if (luaZ_lookahead16(p->z) == 0xFEFF) { /* UTF-16 little-endian source */
      zgetc(p->z);
      zgetc(p->z);
      p->z->wide = 1;
    }
    tf = luaY_parser(L, p->z, &p->buff);
  }
  if (tf->nups != 0) { /* a main function has no enclosing function to take upvalues from */
    luaO_pushfstring(L, "%s: bad code in precompiled chunk", zname(p->z));
    luaD_throw(L, LUA_ERRSYNTAX);
  }
  cl = luaF_newLclosure(L, 0, gt(L));
  cl->l.p = tf;
  setclvalue(L->top, cl);
  incr_top(L);
}

int luaD_protectedparser(lua_State *L, ZIO *z, int bin) {
  struct SParser p;
  int status;
  ptrdiff_t oldtopr = savestack(L, L->top); /* save current top */
  p.z = z;
  p.bin = bin;
  z->L = L;
  luaZ_initbuffer(L, &p.buff);
  status = luaD_rawrunprotected(L, f_parser, &p);
  luaZ_freebuffer(L, &p.buff);
  if (status != 0) { /* error? */
    StkId oldtop = restorestack(L, oldtopr);
    luaD_seterrorobj(L, status, oldtop);
  }
  return status;
}
