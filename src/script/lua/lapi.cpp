/*
** The C API: stack access with pseudo-indices (registry, globals, upvalues, registry integer
** keys), pushes that grow the stack as needed, calls and protected calls, loading, the collector
** controls, and the host extensions (wide strings, per-type tables, boxed pointers, table size).
*/
#include <limits.h>
#include <string.h>

#include "lapi.h"
#include "ldebug.h"
#include "ldo.h"
#include "lfunc.h"
#include "lgc.h"
#include "lmem.h"
#include "lobject.h"
#include "lstate.h"
#include "lstring.h"
#include "ltable.h"
#include "ltm.h"
#include "lundump.h"
#include "lvm.h"


#define api_checknelems(L, n) api_check(L, (n) <= (L->top - L->base))

/* advances the top after a push, growing the stack when at most one free slot remains */
static inline void api_incr_top(lua_State *L) {
  if (L->stack_last - L->top <= 1) luaD_growstack(L, 1);
  L->top++;
}

static TObject *negindex(lua_State *L, int idx) {
  if (idx > LUA_REGISTRYINDEX) {
    return L->top + idx;
  }
  else if (idx == LUA_REGISTRYINDEX)
    return registry(L);
  else if (idx == LUA_GLOBALSINDEX)
    return gt(L);
  else if (idx < LUA_REGISTRYINTBASE) { /* registry[-40000 - idx] */
    if (!ttistable(registry(L))) return cast(TObject *, &luaO_nilobject);
    return cast(TObject *, luaH_getnum(hvalue(registry(L)), LUA_REGISTRYINTBASE - idx));
  }
  else { /* upvalue of the running C function */
    TObject *func = L->base - 1;
    idx = LUA_GLOBALSINDEX - idx;
    if (ttisfunction(func) && clvalue(func)->c.isC && idx <= clvalue(func)->c.nupvalues)
      return &clvalue(func)->c.upvalue[idx - 1];
    return NULL;
  }
}

static TObject *luaA_index(lua_State *L, int idx) {
  if (idx > 0) {
    api_check(L, idx <= L->top - L->base);
    return L->base + idx - 1;
  }
  else {
    TObject *o = negindex(L, idx);
    api_check(L, o != NULL);
    return o;
  }
}

static TObject *luaA_indexAcceptable(lua_State *L, int idx) {
  if (idx > 0) {
    TObject *o = L->base + (idx - 1);
    if (o >= L->top)
      return NULL;
    else
      return o;
  }
  else
    return negindex(L, idx);
}

void luaA_pushobject(lua_State *L, const TObject *o) {
  setobj2s(L->top, o);
  api_incr_top(L);
}

LUA_API int lua_checkstack(lua_State *L, int size) {
  int res;
  if (size > LUA_MAXCSTACK || (L->top - L->base + size) > LUA_MAXCSTACK)
    res = 0; /* stack overflow */
  else {
    luaD_checkstack(L, size);
    if (L->ci->top < L->top + size) L->ci->top = L->top + size;
    res = 1;
  }
  return res;
}

LUA_API void lua_xmove(lua_State *from, lua_State *to, int n) {
  int i;
  if (from == to) return;
  from->top -= n;
  for (i = 0; i < n; i++) {
    setobj2s(to->top, from->top + i);
    api_incr_top(to);
  }
}

LUA_API lua_CFunction lua_atpanic(lua_State *L, lua_CFunction panicf) {
  lua_CFunction old = G(L)->panic;
  G(L)->panic = panicf;
  return old;
}

LUA_API lua_State *lua_newthread(lua_State *L) {
  lua_State *L1;
  luaC_checkGC(L);
  L1 = luaE_newthread(L);
  setthvalue(L->top, L1);
  api_incr_top(L);
  return L1;
}

/*
** basic stack manipulation
*/

LUA_API int lua_gettop(lua_State *L) { return cast(int, L->top - L->base); }

LUA_API void lua_settop(lua_State *L, int idx) {
  if (idx >= 0) {
    if (L->base + idx > L->stack_last - 1) luaD_checkstack(L, cast(int, L->base + idx - L->top) + 1);
    while (L->top < L->base + idx) setnilvalue(L->top++);
    L->top = L->base + idx;
  }
  else {
    L->top += idx + 1; /* `subtract' index (index is negative) */
  }
}

LUA_API void lua_remove(lua_State *L, int idx) {
  StkId p = luaA_index(L, idx);
  while (++p < L->top) setobjs2s(p - 1, p);
  L->top--;
}

LUA_API void lua_insert(lua_State *L, int idx) {
  StkId p = luaA_index(L, idx);
  StkId q;
  for (q = L->top; q > p; q--) setobjs2s(q, q - 1);
  setobjs2s(p, L->top);
}

LUA_API void lua_replace(lua_State *L, int idx) {
  if (idx < LUA_REGISTRYINTBASE && ttistable(registry(L))) /* a registry entry by integer key */
    setobj2t(luaH_setnum(L, hvalue(registry(L)), LUA_REGISTRYINTBASE - idx), L->top - 1);
  else
    setobj(luaA_index(L, idx), L->top - 1);
  L->top--;
}

LUA_API void lua_pushvalue(lua_State *L, int idx) {
  setobj2s(L->top, luaA_index(L, idx));
  api_incr_top(L);
}

/*
** access functions (stack -> C)
*/

LUA_API int lua_type(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  return (o == NULL) ? LUA_TNONE : ttype(o);
}

LUA_API const char *lua_typename(lua_State *L, int t) {
  (void)L;
  return (t == LUA_TNONE || t < 0 || t > LUA_TWSTRING) ? "no value" : luaT_typenames[t];
}

LUA_API int lua_iscfunction(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  return (o == NULL) ? 0 : iscfunction(o);
}

LUA_API int lua_isnumber(lua_State *L, int idx) {
  TObject n;
  const TObject *o = luaA_indexAcceptable(L, idx);
  return (o != NULL && tonumber(o, &n));
}

LUA_API int lua_isstring(lua_State *L, int idx) {
  int t = lua_type(L, idx);
  return (t == LUA_TSTRING || t == LUA_TNUMBER || t == LUA_TWSTRING);
}

LUA_API int lua_isuserdata(lua_State *L, int idx) {
  const TObject *o = luaA_indexAcceptable(L, idx);
  return (o != NULL && (ttisuserdata(o) || ttislightuserdata(o)));
}

LUA_API int lua_rawequal(lua_State *L, int index1, int index2) {
  StkId o1 = luaA_indexAcceptable(L, index1);
  StkId o2 = luaA_indexAcceptable(L, index2);
  return (o1 == NULL || o2 == NULL) ? 0 /* index out of range */
                                    : luaO_rawequalObj(o1, o2);
}

LUA_API int lua_equal(lua_State *L, int index1, int index2) {
  StkId o1 = luaA_indexAcceptable(L, index1);
  StkId o2 = luaA_indexAcceptable(L, index2);
  return (o1 == NULL || o2 == NULL) ? 0 : equalobj(L, o1, o2);
}

LUA_API int lua_lessthan(lua_State *L, int index1, int index2) {
  StkId o1 = luaA_indexAcceptable(L, index1);
  StkId o2 = luaA_indexAcceptable(L, index2);
  return (o1 == NULL || o2 == NULL) ? 0 : luaV_lessthan(L, o1, o2);
}

LUA_API lua_Number lua_tonumber(lua_State *L, int idx) {
  TObject n;
  const TObject *o = luaA_indexAcceptable(L, idx);
  if (o != NULL && tonumber(o, &n))
    return nvalue(o);
  else
    return 0;
}

LUA_API int lua_toboolean(lua_State *L, int idx) {
  const TObject *o = luaA_indexAcceptable(L, idx);
  return (o != NULL) && !l_isfalse(o);
}

LUA_API const char *lua_tostring(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == NULL)
    return NULL;
  else if (ttisstring(o))
    return svalue(o);
  else if (!ttisnumber(o))
    return NULL; /* wide strings are not converted */
  else {
    const char *s;
    s = (luaV_tostring(L, o) ? svalue(o) : NULL);
    luaC_checkGC(L);
    return s;
  }
}

LUA_API size_t lua_strlen(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == NULL)
    return 0;
  else if (ttisanystring(o))
    return tsvalue(o)->tsv.len;
  else if (ttisnumber(o)) {
    size_t l;
    l = (luaV_tostring(L, o) ? tsvalue(o)->tsv.len : 0);
    luaC_checkGC(L);
    return l;
  }
  return 0;
}

LUA_API lua_CFunction lua_tocfunction(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  return (o == NULL || !iscfunction(o)) ? NULL : clvalue(o)->c.f;
}

LUA_API void *lua_touserdata(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == NULL) return NULL;
  switch (ttype(o)) {
    case LUA_TUSERDATA: {
      Udata *u = uvalue(o);
      if (isboxedpointer(u)) {
        void *p;
        memcpy(&p, u + 1, sizeof(void *));
        return p;
      }
      return u + 1;
    }
    case LUA_TLIGHTUSERDATA:
      return pvalue(o);
    default:
      return NULL;
  }
}

LUA_API lua_State *lua_tothread(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  return (o == NULL || !ttisthread(o)) ? NULL : thvalue(o);
}

LUA_API const void *lua_topointer(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == NULL)
    return NULL;
  else {
    switch (ttype(o)) {
      case LUA_TTABLE:
        return hvalue(o);
      case LUA_TFUNCTION:
        return clvalue(o);
      case LUA_TTHREAD:
        return thvalue(o);
      case LUA_TUSERDATA:
      case LUA_TLIGHTUSERDATA:
        return lua_touserdata(L, idx);
      default:
        return NULL;
    }
  }
}

/*
** push functions (C -> stack)
*/

LUA_API void lua_pushnil(lua_State *L) {
  setnilvalue(L->top);
  api_incr_top(L);
}

LUA_API void lua_pushnumber(lua_State *L, lua_Number n) {
  setnvalue(L->top, n);
  api_incr_top(L);
}

LUA_API void lua_pushlstring(lua_State *L, const char *s, size_t len) {
  luaC_checkGC(L);
  setsvalue2s(L->top, luaS_newlstr(L, len ? s : "", len));
  api_incr_top(L);
}

void luaA_pushadopted(lua_State *L, char *block, size_t len) {
  setsvalue2s(L->top, luaS_adoptlstr(L, block, sizestring(len), len));
  api_incr_top(L);
}

LUA_API void lua_pushstring(lua_State *L, const char *s) {
  if (s == NULL)
    lua_pushnil(L);
  else
    lua_pushlstring(L, s, strlen(s));
}

LUA_API const char *lua_pushvfstring(lua_State *L, const char *fmt, va_list argp) {
  const char *ret;
  luaC_checkGC(L);
  if (L->stack_last - L->top <= 1) luaD_growstack(L, 1);
  ret = luaO_pushvfstring(L, fmt, argp);
  if (L->stack_last - L->top <= 1) luaD_growstack(L, 1);
  return ret;
}

LUA_API const char *lua_pushfstring(lua_State *L, const char *fmt, ...) {
  const char *ret;
  va_list argp;
  va_start(argp, fmt);
  ret = lua_pushvfstring(L, fmt, argp);
  va_end(argp);
  return ret;
}

LUA_API void lua_pushcclosure(lua_State *L, lua_CFunction fn, int n) {
  Closure *cl;
  luaC_checkGC(L);
  api_checknelems(L, n);
  cl = luaF_newCclosure(L, n);
  cl->c.f = fn;
  L->top -= n;
  while (n--) setobj2n(&cl->c.upvalue[n], L->top + n);
  setclvalue(L->top, cl);
  api_incr_top(L);
}

LUA_API void lua_pushboolean(lua_State *L, int b) {
  setbvalue(L->top, (b != 0)); /* ensure that true is 1 */
  api_incr_top(L);
}

LUA_API void lua_pushlightuserdata(lua_State *L, void *p) {
  setpvalue(L->top, p);
  api_incr_top(L);
}

/*
** get functions (Lua -> stack)
*/

LUA_API void lua_gettable(lua_State *L, int idx) {
  StkId t = luaA_index(L, idx);
  luaV_gettable(L, t, L->top - 1, L->top - 1);
}

LUA_API void lua_rawget(lua_State *L, int idx) {
  StkId t = luaA_index(L, idx);
  api_check(L, ttistable(t));
  setobj2s(L->top - 1, luaH_get(hvalue(t), L->top - 1));
}

LUA_API void lua_rawgeti(lua_State *L, int idx, int n) {
  StkId o = luaA_index(L, idx);
  api_check(L, ttistable(o));
  setobj2s(L->top, luaH_getnum(hvalue(o), n));
  api_incr_top(L);
}

LUA_API void lua_newtable(lua_State *L) {
  luaC_checkGC(L);
  sethvalue(L->top, luaH_new(L, 0, 0));
  api_incr_top(L);
}

LUA_API int lua_getmetatable(lua_State *L, int objindex) {
  const TObject *obj = luaA_indexAcceptable(L, objindex);
  Table *mt = (obj == NULL) ? NULL : luaT_getmetatable(L, obj);
  if (mt == NULL) return 0;
  sethvalue(L->top, mt);
  api_incr_top(L);
  return 1;
}

LUA_API void lua_getfenv(lua_State *L, int idx) {
  StkId o = luaA_index(L, idx);
  setobj2s(L->top, isLfunction(o) ? &clvalue(o)->l.g : gt(L));
  api_incr_top(L);
}

/*
** set functions (stack -> Lua)
*/

LUA_API void lua_settable(lua_State *L, int idx) {
  StkId t;
  api_checknelems(L, 2);
  t = luaA_index(L, idx);
  luaV_settable(L, t, L->top - 2, L->top - 1);
  L->top -= 2; /* pop index and value */
}

LUA_API void lua_rawset(lua_State *L, int idx) {
  StkId t;
  api_checknelems(L, 2);
  t = luaA_index(L, idx);
  api_check(L, ttistable(t));
  setobj2t(luaH_set(L, hvalue(t), L->top - 2), L->top - 1);
  L->top -= 2;
}

LUA_API void lua_rawseti(lua_State *L, int idx, int n) {
  StkId o;
  api_checknelems(L, 1);
  o = luaA_index(L, idx);
  api_check(L, ttistable(o));
  setobj2t(luaH_setnum(L, hvalue(o), n), L->top - 1);
  L->top--;
}

LUA_API int lua_setmetatable(lua_State *L, int objindex) {
  TObject *obj, *mt;
  int res = 1;
  api_checknelems(L, 1);
  obj = luaA_index(L, objindex);
  mt = (!ttisnil(L->top - 1)) ? L->top - 1 : defaultmeta(L);
  api_check(L, ttistable(mt));
  switch (ttype(obj)) {
    case LUA_TTABLE: {
      hvalue(obj)->metatable = hvalue(mt);
      break;
    }
    case LUA_TUSERDATA: {
      uvalue(obj)->uv.metatable = hvalue(mt);
      break;
    }
    default: {
      res = 0; /* cannot set */
      break;
    }
  }
  L->top--;
  return res;
}

LUA_API int lua_setfenv(lua_State *L, int idx) {
  StkId o;
  int res = 0;
  api_checknelems(L, 1);
  o = luaA_index(L, idx);
  L->top--;
  api_check(L, ttistable(L->top));
  if (isLfunction(o)) {
    res = 1;
    clvalue(o)->l.g = *(L->top);
  }
  return res;
}

/*
** `load' and `call' functions (run Lua code)
*/

static void adjustresults(lua_State *L, int nres) {
  if (nres == LUA_MULTRET && L->top >= L->ci->top) L->ci->top = L->top;
}

LUA_API void lua_call(lua_State *L, int nargs, int nresults) {
  StkId func;
  api_checknelems(L, nargs + 1);
  func = L->top - (nargs + 1); /* function to be called */
  luaD_call(L, func, nresults);
  adjustresults(L, nresults);
}

/*
** Execute a protected call.
*/
struct CallS { /* data to `f_call' */
  StkId func;
  int nresults;
};

static void f_call(lua_State *L, void *ud) {
  struct CallS *c = cast(struct CallS *, ud);
  luaD_call(L, c->func, c->nresults);
}

LUA_API int lua_pcall(lua_State *L, int nargs, int nresults, int errfunc) {
  struct CallS c;
  int status;
  ptrdiff_t func;
  func = (errfunc == 0) ? 0 : savestack(L, luaA_index(L, errfunc));
  c.func = L->top - (nargs + 1); /* function to be called */
  c.nresults = nresults;
  status = luaD_pcall(L, f_call, &c, savestack(L, c.func), func);
  adjustresults(L, nresults);
  return status;
}

/*
** Execute a protected C call.
*/
struct CCallS { /* data to `f_Ccall' */
  lua_CFunction func;
  void *ud;
};

static void f_Ccall(lua_State *L, void *ud) {
  struct CCallS *c = cast(struct CCallS *, ud);
  Closure *cl;
  cl = luaF_newCclosure(L, 0);
  cl->c.f = c->func;
  setclvalue(L->top, cl); /* push function */
  incr_top(L);
  setpvalue(L->top, c->ud); /* push only argument */
  incr_top(L);
  luaD_call(L, L->top - 2, 0);
}

LUA_API int lua_cpcall(lua_State *L, lua_CFunction func, void *ud) {
  struct CCallS c;
  c.func = func;
  c.ud = ud;
  return luaD_pcall(L, f_Ccall, &c, savestack(L, L->top), 0);
}

LUA_API int lua_load(lua_State *L, lua_Chunkreader reader, void *data, const char *chunkname) {
  ZIO z;
  int c;
  if (!chunkname) chunkname = "?";
  luaZ_init(&z, reader, data, chunkname);
  z.L = L;
  c = luaZ_lookahead(&z);
  return luaD_protectedparser(L, &z, (c == LUA_SIGNATURE[0]));
}

LUA_API int lua_dump(lua_State *L, lua_Chunkwriter writer, void *data) {
  int status;
  TObject *o;
  api_checknelems(L, 1);
  o = L->top - 1;
  if (isLfunction(o) && clvalue(o)->l.nupvalues == 0) {
    luaU_dump(L, clvalue(o)->l.p, writer, data);
    status = 1;
  }
  else
    status = 0;
  return status;
}

/*
** Garbage-collection functions
*/

/* GC values are expressed in Kbytes: #bytes/2^10 */
#define GCscalel(x) ((x) >> 10)
#define GCscale(x) (cast(int, GCscalel(x)))
#define GCunscale(x) (cast(lu_mem, x) << 10)

LUA_API int lua_getgcthreshold(lua_State *L) {
  lu_mem t = GCscalel(G(L)->GCthreshold);
  return t > INT_MAX ? INT_MAX : cast(int, t);
}

LUA_API int lua_getgccount(lua_State *L) { return GCscale(G(L)->nblocks); }

LUA_API void lua_setgcthreshold(lua_State *L, int newthreshold) {
  if (newthreshold < 0) newthreshold = 0;
  G(L)->GCthreshold = GCunscale(newthreshold);
  luaC_checkGC(L);
}

LUA_API void lua_fullgc(lua_State *L) { luaC_collectgarbage(L); }

/*
** miscellaneous functions
*/

LUA_API const char *lua_version(void) { return LUA_VERSION; }

LUA_API int lua_error(lua_State *L) {
  api_checknelems(L, 1);
  luaG_errormsg(L);
  return 0; /* to avoid warnings */
}

LUA_API int lua_next(lua_State *L, int idx) {
  StkId t;
  int more;
  t = luaA_index(L, idx);
  api_check(L, ttistable(t));
  more = luaH_next(L, hvalue(t), L->top - 1);
  if (more) {
    api_incr_top(L);
  }
  else /* no more elements */
    L->top -= 1; /* remove key */
  return more;
}

LUA_API void lua_concat(lua_State *L, int n) {
  api_checknelems(L, n);
  if (n >= 2) {
    luaC_checkGC(L);
    luaV_concat(L, n, cast(int, L->top - L->base) - 1);
    L->top -= (n - 1);
  }
  else if (n == 0) { /* push empty string */
    luaC_checkGC(L);
    setsvalue2s(L->top, luaS_newlstr(L, "", 0));
    api_incr_top(L);
  }
  /* else n == 1; nothing to do */
}

LUA_API void *lua_newuserdata(lua_State *L, size_t size) {
  Udata *u;
  luaC_checkGC(L);
  u = luaS_newudata(L, size);
  setuvalue(L->top, u);
  api_incr_top(L);
  return u + 1;
}

LUA_API int lua_pushupvalues(lua_State *L) {
  Closure *func;
  int n, i;
  api_check(L, iscfunction(L->base - 1));
  func = clvalue(L->base - 1);
  n = func->c.nupvalues;
  luaD_checkstack(L, n + LUA_MINSTACK);
  for (i = 0; i < n; i++) {
    setobj2s(L->top, &func->c.upvalue[i]);
    L->top++;
  }
  return n;
}

static const char *aux_upvalue(lua_State *L, int funcindex, int n, TObject **val) {
  Closure *f;
  StkId fi = luaA_index(L, funcindex);
  if (!ttisfunction(fi)) return NULL;
  f = clvalue(fi);
  if (f->c.isC) {
    if (n < 1 || n > f->c.nupvalues) return NULL;
    *val = &f->c.upvalue[n - 1];
    return "";
  }
  else {
    Proto *p = f->l.p;
    if (n < 1 || n > p->sizeupvalues || n > f->l.nupvalues) return NULL;
    *val = f->l.upvals[n - 1]->v;
    return getstr(p->upvalues[n - 1]);
  }
}

LUA_API const char *lua_getupvalue(lua_State *L, int funcindex, int n) {
  const char *name;
  TObject *val;
  name = aux_upvalue(L, funcindex, n, &val);
  if (name) {
    setobj2s(L->top, val);
    api_incr_top(L);
  }
  return name;
}

LUA_API const char *lua_setupvalue(lua_State *L, int funcindex, int n) {
  const char *name;
  TObject *val;
  api_checknelems(L, 1);
  name = aux_upvalue(L, funcindex, n, &val);
  if (name) {
    L->top--;
    setobj(val, L->top);
  }
  return name;
}

/*
** wide strings, per-type tables, table size, boxed pointers
*/

LUA_API const lua_WChar *lua_towstring(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == NULL) return NULL;
  if (ttiswstring(o)) return wsvalue(o);
  if (ttisnumber(o)) {
    const lua_WChar *s;
    luaV_towstring(L, o);
    s = wsvalue(o);
    luaC_checkGC(L);
    return s;
  }
  return NULL;
}

LUA_API void lua_pushlwstring(lua_State *L, const lua_WChar *s, size_t len) {
  static const lua_WChar empty[1] = {0};
  luaC_checkGC(L);
  setwsvalue(L->top, luaS_newlwstr(L, len ? s : empty, len));
  api_incr_top(L);
}

LUA_API void lua_pushwstring(lua_State *L, const lua_WChar *s) {
  if (s == NULL)
    lua_pushnil(L);
  else
    lua_pushlwstring(L, s, luaO_wstrlen(s));
}

LUA_API void lua_gettypetable(lua_State *L, int tag) {
  if (tag >= 0 && tag < NUM_TYPETABLES)
    setobj2s(L->top, typetable(L, tag));
  else
    setnilvalue(L->top);
  api_incr_top(L);
}

LUA_API void lua_settypetable(lua_State *L, int tag) {
  api_checknelems(L, 1);
  if (tag >= 1 && tag < NUM_TYPETABLES && ttistable(L->top - 1)) setobj(typetable(L, tag), L->top - 1);
  L->top--;
}

LUA_API int lua_tablesize(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  const TObject *n;
  if (o == NULL || !ttistable(o)) return 0;
  n = luaH_getstr(hvalue(o), luaS_newliteral(L, "n"));
  if (ttisnumber(n)) {
    lua_Number v = nvalue(n);
    if (v != v) return 0;
    if (v >= 2147483647.0) return INT_MAX;
    if (v <= -2147483648.0) return INT_MIN;
    return cast(int, v); /* truncated toward zero */
  }
  return luaH_maxn(hvalue(o));
}

LUA_API void lua_pushboxedpointer(lua_State *L, void *p) {
  setuvalue(L->top, luaS_newboxedpointer(L, p));
  api_incr_top(L);
}
