/*
** The virtual machine: conversions, comparisons, indexing and arithmetic with their metamethods,
** concatenation of narrow and wide strings, and the register-based interpreter loop. Lua-to-Lua
** calls and returns stay inside one luaV_execute activation (no C recursion).
*/
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ldebug.h"
#include "ldo.h"
#include "lfunc.h"
#include "lgc.h"
#include "lmem.h"
#include "lobject.h"
#include "lopcodes.h"
#include "lstate.h"
#include "lstring.h"
#include "ltable.h"
#include "ltm.h"
#include "lvm.h"

const TObject *luaV_tonumber(const TObject *obj, TObject *n) {
  lua_Number num;
  if (ttisnumber(obj)) return obj;
  if (ttisstring(obj) && luaO_str2d(svalue(obj), &num)) {
    setnvalue(n, num);
    return n;
  }
  if (ttiswstring(obj) && luaO_wstr2d(wsvalue(obj), &num)) {
    setnvalue(n, num);
    return n;
  }
  return NULL;
}

int luaV_tostring(lua_State *L, StkId obj) {
  if (!ttisnumber(obj)) return 0;
  char s[LUAI_MAXNUMBER2STR];
  int l = luaO_num2str(s, nvalue(obj));
  setsvalue2s(obj, luaS_newlstr(L, s, l));
  return 1;
}

int luaV_towstring(lua_State *L, StkId obj) {
  if (!ttisnumber(obj)) return 0;
  char s[LUAI_MAXNUMBER2STR];
  lua_WChar w[LUAI_MAXNUMBER2STR];
  int l = luaO_num2str(s, nvalue(obj));
  for (int i = 0; i < l; i++) w[i] = cast(unsigned char, s[i]);
  setwsvalue(obj, luaS_newlwstr(L, w, l));
  return 1;
}

static void traceexec(lua_State *L, const Instruction *pc) {
  lu_byte mask = L->hookmask;
  const Instruction *oldpc = L->ci->savedpc;
  L->ci->savedpc = pc;
  if (mask & LUA_MASKCOUNT) { /* instruction-hook set? */
    if (--L->hookcount == 0) {
      resethookcount(L);
      luaD_callhook(L, LUA_HOOKCOUNT, -1);
    }
  }
  if (mask & LUA_MASKLINE) {
    Proto *p = ci_func(L->ci)->l.p;
    int npc = pcRel(pc, p);
    int newline = getline(p, npc);
    /* call linehook when enter a new function, when jump back (loop), or when enter a new line */
    if (npc == 0 || pc <= oldpc || newline != getline(p, pcRel(oldpc, p))) luaD_callhook(L, LUA_HOOKLINE, newline);
  }
}

/* calls f(p1, p2) with one result, left at L->top (just above the stack top) */
static void callTMres(lua_State *L, const TObject *f, const TObject *p1, const TObject *p2) {
  setobj2s(L->top, f);      /* push function */
  setobj2s(L->top + 1, p1); /* 1st argument */
  setobj2s(L->top + 2, p2); /* 2nd argument */
  luaD_checkstack(L, 3);    /* cannot check before (could invalidate p1, p2) */
  L->top += 3;
  luaD_call(L, L->top - 3, 1);
  L->top--; /* result will be in L->top */
}

/* calls f(p1, p2) with one result stored in stack slot `res' */
static void callTMtoslot(lua_State *L, StkId res, const TObject *f, const TObject *p1, const TObject *p2) {
  ptrdiff_t result = savestack(L, res);
  callTMres(L, f, p1, p2);
  res = restorestack(L, result);
  setobjs2s(res, L->top);
}

static void callTM(lua_State *L, const TObject *f, const TObject *p1, const TObject *p2, const TObject *p3) {
  setobj2s(L->top, f);      /* push function */
  setobj2s(L->top + 1, p1); /* 1st argument */
  setobj2s(L->top + 2, p2); /* 2nd argument */
  setobj2s(L->top + 3, p3); /* 3th argument */
  luaD_checkstack(L, 4);    /* cannot check before (could invalidate p1...p3) */
  L->top += 4;
  luaD_call(L, L->top - 4, 0);
}

/*
** t[key] into val. A value that is not a table takes its __index from its metatable (userdata)
** or its type's table; when there is none, the metatable itself is indexed as a table, and only a
** value without one (nil) is an error.
*/
void luaV_gettable(lua_State *L, const TObject *t, TObject *key, StkId val) {
  int loop;
  TObject mtobj;
  for (loop = 0; loop < MAXTAGLOOP; loop++) {
    const TObject *tm;
    if (ttistable(t)) { /* `t' is a table? */
      Table *h = hvalue(t);
      const TObject *res = luaH_get(h, key); /* do a primitive get */
      if (!ttisnil(res) || (tm = fasttm(L, h->metatable, TM_INDEX)) == NULL) { /* result is no nil or no TM? */
        setobj2s(val, res);
        return;
      }
      /* else will try the tag method */
    }
    else { /* luaV_getnotable */
      tm = luaT_gettmbyobj(L, t, TM_INDEX);
      if (ttisnil(tm)) {
        Table *mt = luaT_getmetatable(L, t);
        if (mt == NULL) luaG_typeerror(L, t, "index");
        sethvalue(&mtobj, mt);
        t = &mtobj; /* index the metatable itself */
        continue;
      }
    }
    if (ttisfunction(tm)) {
      callTMtoslot(L, val, tm, t, key);
      return;
    }
    t = tm; /* else repeat with `tm' */
  }
  luaG_runerror(L, "loop in gettable");
}

void luaV_settable(lua_State *L, const TObject *t, TObject *key, const TObject *val) {
  int loop;
  for (loop = 0; loop < MAXTAGLOOP; loop++) {
    const TObject *tm;
    if (ttistable(t)) { /* `t' is a table? */
      Table *h = hvalue(t);
      TObject *oldval = luaH_set(L, h, key); /* do a primitive set */
      if (!ttisnil(oldval) || (tm = fasttm(L, h->metatable, TM_NEWINDEX)) == NULL) { /* or no TM? */
        setobj2t(oldval, val);
        return;
      }
      /* else will try the tag method */
    }
    else if (ttisnil(tm = luaT_gettmbyobj(L, t, TM_NEWINDEX)))
      luaG_typeerror(L, t, "index");
    if (ttisfunction(tm)) {
      callTM(L, tm, t, key, val);
      return;
    }
    t = tm; /* else repeat with `tm' (a type's table for numbers, strings...) */
  }
  luaG_runerror(L, "loop in settable");
}

/*
** A binary metamethod: the first operand's, else the second's. A per-type table stands for the
** metamethod of plain values but is no function, so it yields to the other operand's.
*/
static int call_binTM(lua_State *L, const TObject *p1, const TObject *p2, StkId res, TMS event) {
  const TObject *tm = luaT_gettmbyobj(L, p1, event); /* try first operand */
  if (!ttisfunction(tm)) tm = luaT_gettmbyobj(L, p2, event); /* try second operand */
  if (!ttisfunction(tm)) return 0;
  callTMtoslot(L, res, tm, p1, p2);
  return 1;
}

static const TObject *get_compTM(lua_State *L, Table *mt1, Table *mt2, TMS event) {
  const TObject *tm1 = fasttm(L, mt1, event);
  const TObject *tm2;
  if (tm1 == NULL) return NULL; /* no metamethod */
  if (mt1 == mt2) return tm1;   /* same metatables => same metamethods */
  tm2 = fasttm(L, mt2, event);
  if (tm2 == NULL) return NULL; /* no metamethod */
  if (luaO_rawequalObj(tm1, tm2)) /* same metamethods? */
    return tm1;
  return NULL;
}

static int call_orderTM(lua_State *L, const TObject *p1, const TObject *p2, TMS event) {
  const TObject *tm1 = luaT_gettmbyobj(L, p1, event);
  const TObject *tm2;
  if (ttisnil(tm1)) return -1; /* no metamethod? */
  tm2 = luaT_gettmbyobj(L, p2, event);
  if (!luaO_rawequalObj(tm1, tm2)) /* different metamethods? */
    return -1;
  callTMres(L, tm1, p1, p2);
  return !l_isfalse(L->top);
}

static int luaV_strcmp(const LString *ls, const LString *rs) {
  const char *l = getstr(ls);
  size_t ll = ls->tsv.len;
  const char *r = getstr(rs);
  size_t lr = rs->tsv.len;
  for (;;) {
    int temp = strcoll(l, r);
    if (temp != 0)
      return temp;
    else { /* strings are equal up to a `\0' */
      size_t len = strlen(l); /* index of first `\0' in both strings */
      if (len == lr)         /* r is finished? */
        return (len == ll) ? 0 : 1;
      else if (len == ll) /* l is finished? */
        return -1; /* l is smaller than r (because r is not finished) */
      /* both strings longer than `len'; go on comparing (after the `\0') */
      len++;
      l += len;
      ll -= len;
      r += len;
      lr -= len;
    }
  }
}

int luaV_lessthan(lua_State *L, const TObject *l, const TObject *r) {
  int res;
  if (ttype(l) != ttype(r))
    return luaG_ordererror(L, l, r);
  else if (ttisnumber(l))
    return nvalue(l) < nvalue(r);
  else if (ttisstring(l))
    return luaV_strcmp(tsvalue(l), tsvalue(r)) < 0;
  else if ((res = call_orderTM(L, l, r, TM_LT)) != -1)
    return res;
  return luaG_ordererror(L, l, r);
}

static int luaV_lessequal(lua_State *L, const TObject *l, const TObject *r) {
  int res;
  if (ttype(l) != ttype(r))
    return luaG_ordererror(L, l, r);
  else if (ttisnumber(l))
    return nvalue(l) <= nvalue(r);
  else if (ttisstring(l))
    return luaV_strcmp(tsvalue(l), tsvalue(r)) <= 0;
  else if ((res = call_orderTM(L, l, r, TM_LE)) != -1) /* first try `le' */
    return res;
  else if ((res = call_orderTM(L, r, l, TM_LT)) != -1) /* else try `lt' */
    return !res;
  return luaG_ordererror(L, l, r);
}

int luaV_equalVal(lua_State *L, const TObject *t1, const TObject *t2) {
  const TObject *tm;
  switch (ttype(t1)) {
    case LUA_TNIL:
      return 1;
    case LUA_TNUMBER:
      return nvalue(t1) == nvalue(t2);
    case LUA_TBOOLEAN:
      return bvalue(t1) == bvalue(t2); /* true must be 1 !! */
    case LUA_TLIGHTUSERDATA:
      return pvalue(t1) == pvalue(t2);
    case LUA_TUSERDATA: {
      if (uvalue(t1) == uvalue(t2)) return 1;
      tm = get_compTM(L, uvalue(t1)->uv.metatable, uvalue(t2)->uv.metatable, TM_EQ);
      break; /* will try TM */
    }
    case LUA_TTABLE: {
      if (hvalue(t1) == hvalue(t2)) return 1;
      tm = get_compTM(L, hvalue(t1)->metatable, hvalue(t2)->metatable, TM_EQ);
      break; /* will try TM */
    }
    default:
      return gcvalue(t1) == gcvalue(t2);
  }
  if (tm == NULL) return 0; /* no TM? */
  callTMres(L, tm, t1, t2); /* call TM */
  return !l_isfalse(L->top);
}

/* an operand a concatenation run accepts as it is (after converting numbers) */
static int concatok(lua_State *L, StkId o, int wide) {
  if (wide) return ttiswstring(o) || luaV_towstring(L, o);
  return ttisstring(o) || luaV_tostring(L, o);
}

/* the operand of a failed pair that the error names */
[[noreturn]] static void concaterror(lua_State *L, StkId p1, StkId p2, int wide) {
  int p1ok = ttisnumber(p1) || (wide ? ttiswstring(p1) : ttisstring(p1));
  luaG_typeerror(L, p1ok ? p2 : p1, "concatenate");
}

/*
** Concatenates the `total' values ending at register `last'. The rightmost string operand decides
** the mode: wide when it is a wide string (numbers become wide strings), narrow otherwise (stock).
** An operand of the other kind goes to __concat or is an error.
*/
/* results from this length on skip the shared scratch buffer, which would keep their size */
#define CONCAT_ADOPT ((lu_mem)65536)

void luaV_concat(lua_State *L, int total, int last) {
  int wide = 0;
  {
    StkId top = L->base + last + 1;
    for (StkId p = top - 1; p >= top - total; p--) {
      if (ttisstring(p)) break;
      if (ttiswstring(p)) {
        wide = 1;
        break;
      }
    }
  }
  do {
    StkId top = L->base + last + 1;
    int n = 2; /* number of elements handled in this pass (at least 2) */
    if (!concatok(L, top - 2, wide) || !concatok(L, top - 1, wide)) {
      if (!call_binTM(L, top - 2, top - 1, top - 2, TM_CONCAT)) {
        top = L->base + last + 1;
        concaterror(L, top - 2, top - 1, wide);
      }
    }
    else if (tsvalue(top - 1)->tsv.len > 0) { /* if len=0, do nothing */
      /* at least two string values; get as many as possible */
      lu_mem tl = cast(lu_mem, tsvalue(top - 1)->tsv.len) + cast(lu_mem, tsvalue(top - 2)->tsv.len);
      int i;
      while (n < total && concatok(L, top - n - 1, wide)) { /* collect total length */
        tl += tsvalue(top - n - 1)->tsv.len;
        n++;
      }
      if (wide) {
        if (tl > MAX_STRBYTES / sizeof(lua_WChar)) luaG_runerror(L, "string size overflow");
        lua_WChar *buffer = cast(lua_WChar *, luaZ_openspace(L, &G(L)->buff, tl * sizeof(lua_WChar)));
        tl = 0;
        for (i = n; i > 0; i--) { /* concat all strings */
          size_t l = tsvalue(top - i)->tsv.len;
          memcpy(buffer + tl, wsvalue(top - i), l * sizeof(lua_WChar));
          tl += l;
        }
        setwsvalue(top - n, luaS_newlwstr(L, buffer, tl));
      }
      else if (tl > MAX_STRBYTES) {
        luaG_runerror(L, "string size overflow");
      }
      else if (tl >= CONCAT_ADOPT) { /* built in the string's own block: one copy, no scratch */
        lu_mem size = sizestring(tl);
        char *block = cast(char *, luaM_malloc(L, size));
        char *buffer = block + sizeof(LString);
        tl = 0;
        for (i = n; i > 0; i--) {
          size_t l = tsvalue(top - i)->tsv.len;
          memcpy(buffer + tl, svalue(top - i), l);
          tl += l;
        }
        setsvalue2s(top - n, luaS_adoptlstr(L, block, size, tl));
      }
      else {
        char *buffer = luaZ_openspace(L, &G(L)->buff, tl);
        tl = 0;
        for (i = n; i > 0; i--) { /* concat all strings */
          size_t l = tsvalue(top - i)->tsv.len;
          memcpy(buffer + tl, svalue(top - i), l);
          tl += l;
        }
        setsvalue2s(top - n, luaS_newlstr(L, buffer, tl));
      }
    }
    total -= n - 1; /* got `n' strings to create 1 new */
    last -= n - 1;
  } while (total > 1); /* repeat until only 1 result left */
}

static void Arith(lua_State *L, StkId ra, const TObject *rb, const TObject *rc, TMS op) {
  TObject tempb, tempc;
  const TObject *b, *c;
  if ((b = luaV_tonumber(rb, &tempb)) != NULL && (c = luaV_tonumber(rc, &tempc)) != NULL) {
    switch (op) {
      case TM_ADD:
        setnvalue(ra, nvalue(b) + nvalue(c));
        break;
      case TM_SUB:
        setnvalue(ra, nvalue(b) - nvalue(c));
        break;
      case TM_MUL:
        setnvalue(ra, nvalue(b) * nvalue(c));
        break;
      case TM_DIV:
        setnvalue(ra, nvalue(b) / nvalue(c));
        break;
      case TM_POW: {
        const TObject *f = luaH_getstr(hvalue(gt(L)), G(L)->tmname[TM_POW]);
        TObject nb = *b, nc = *c;
        if (!ttisfunction(f)) luaG_runerror(L, "`__pow' (`^' operator) is not a function");
        callTMtoslot(L, ra, f, &nb, &nc);
        break;
      }
      default:
        lua_assert(0);
        break;
    }
  }
  else if (!call_binTM(L, rb, rc, ra, op))
    luaG_aritherror(L, rb, rc);
}

/* a number as the 32-bit pattern of its 64-bit truncation */
static inline lu_int32 tobits(lua_Number n) {
  return cast(lu_int32, cast(uint64_t, luaO_num2int64(n)));
}

/*
** some macros for common tasks in `luaV_execute'
*/
/* a condition that only damaged code breaks */
#define runtime_check(L, c) \
  { if (!(c)) luaG_runerror(L, "bad code"); }

#define RA(i) (base + GETARG_A(i))
#define RB(i) (base + GETARG_B(i))
#define RC(i) (base + GETARG_C(i))
#define RKB(i) ((GETARG_B(i) < MAXSTACK) ? base + GETARG_B(i) : k + GETARG_B(i) - MAXSTACK)
#define RKC(i) ((GETARG_C(i) < MAXSTACK) ? base + GETARG_C(i) : k + GETARG_C(i) - MAXSTACK)
#define KBx(i) (k + GETARG_Bx(i))

#define dojump(pc, i) ((pc) += (i))

/* the position of the running instruction, for error messages and the debug interface */
#define savepc() (L->ci->savedpc = pc)

/* around anything that may raise an error or call out: the stack may move */
#define Protect(x) \
  { savepc(); x; base = L->base; }

#define arith_op(op, tm)                                     \
  {                                                          \
    TObject *rb = RKB(i);                                    \
    TObject *rc = RKC(i);                                    \
    if (ttisnumber(rb) && ttisnumber(rc)) {                  \
      setnvalue(ra, nvalue(rb) op nvalue(rc));               \
    }                                                        \
    else                                                     \
      Protect(Arith(L, ra, rb, rc, tm));                     \
  }

#define bit_op(expr)                                         \
  {                                                          \
    TObject *rb = RKB(i);                                    \
    TObject *rc = RKC(i);                                    \
    if (ttisnumber(rb) && ttisnumber(rc)) {                  \
      lu_int32 x = tobits(nvalue(rb));                       \
      lu_int32 y = tobits(nvalue(rc));                       \
      setnvalue(ra, cast(lua_Number, cast(lu_int32, expr))); \
    }                                                        \
    else                                                     \
      Protect(luaG_aritherror(L, rb, rc));                   \
  }

void luaV_execute(lua_State *L, int nexeccalls) {
  LClosure *cl;
  StkId base;
  TObject *k;
  const Instruction *pc;
reentry: /* entry point */
  pc = L->ci->savedpc;
  cl = &clvalue(L->ci->func)->l;
  base = L->base;
  k = cl->p->k;
  /* main loop of interpreter */
  for (;;) {
    const Instruction i = *pc++;
    StkId ra;
    if (L->hookmask & (LUA_MASKLINE | LUA_MASKCOUNT)) {
      traceexec(L, pc);
      base = L->base;
    }
    ra = RA(i);
    switch (GET_OPCODE(i)) {
      case OP_MOVE: {
        setobjs2s(ra, RB(i));
        continue;
      }
      case OP_LOADK: {
        setobj2s(ra, KBx(i));
        continue;
      }
      case OP_LOADBOOL: {
        setbvalue(ra, GETARG_B(i));
        if (GETARG_C(i)) pc++; /* skip next instruction (if C) */
        continue;
      }
      case OP_LOADNIL: {
        TObject *rb = RB(i);
        do {
          setnilvalue(rb--);
        } while (rb >= ra);
        continue;
      }
      case OP_GETUPVAL: {
        int b = GETARG_B(i);
        setobj2s(ra, cl->upvals[b]->v);
        continue;
      }
      case OP_GETGLOBAL: {
        TObject *rb = KBx(i);
        if (ttistable(&cl->g)) {
          const TObject *v = luaH_getstr(hvalue(&cl->g), tsvalue(rb));
          if (!ttisnil(v)) {
            setobj2s(ra, v);
            continue;
          }
        }
        Protect(luaV_gettable(L, &cl->g, rb, ra));
        continue;
      }
      case OP_GETTABLE: {
        StkId rb = RB(i);
        TObject *rc = RKC(i);
        if (ttistable(rb)) {
          Table *h = hvalue(rb);
          const TObject *v;
          if (ttisnumber(rc)) {
            lua_Number n = nvalue(rc);
            int ik = (int)(n >= 1 && n <= 2147483647.0 ? n : 0);
            if (cast(lua_Number, ik) == n && cast(unsigned int, ik - 1) < cast(unsigned int, h->sizearray))
              v = &h->array[ik - 1];
            else
              v = luaH_get(h, rc);
          }
          else if (ttisstring(rc))
            v = luaH_getstr(h, tsvalue(rc));
          else
            v = luaH_get(h, rc);
          if (!ttisnil(v) || fasttm(L, h->metatable, TM_INDEX) == NULL) {
            setobj2s(ra, v);
            continue;
          }
        }
        Protect(luaV_gettable(L, rb, rc, ra));
        continue;
      }
      case OP_SETGLOBAL: {
        TObject *rb = KBx(i);
        if (ttistable(&cl->g)) {
          TObject *v = cast(TObject *, luaH_getstr(hvalue(&cl->g), tsvalue(rb)));
          if (!ttisnil(v)) { /* existing entry: no metamethod can be involved */
            setobj2t(v, ra);
            continue;
          }
        }
        Protect(luaV_settable(L, &cl->g, rb, ra));
        continue;
      }
      case OP_SETUPVAL: {
        UpVal *uv = cl->upvals[GETARG_B(i)];
        setobj(uv->v, ra);
        continue;
      }
      case OP_SETTABLE: {
        TObject *rb = RKB(i);
        TObject *rc = RKC(i);
        if (ttistable(ra)) {
          Table *h = hvalue(ra);
          TObject *v;
          if (ttisnumber(rb)) {
            lua_Number n = nvalue(rb);
            int ik = (int)(n >= 1 && n <= 2147483647.0 ? n : 0);
            if (cast(lua_Number, ik) == n && cast(unsigned int, ik - 1) < cast(unsigned int, h->sizearray))
              v = &h->array[ik - 1];
            else
              v = cast(TObject *, luaH_get(h, rb));
          }
          else if (ttisstring(rb))
            v = cast(TObject *, luaH_getstr(h, tsvalue(rb)));
          else
            v = cast(TObject *, luaH_get(h, rb));
          if (!ttisnil(v)) { /* existing entry: no metamethod can be involved */
            setobj2t(v, rc);
            continue;
          }
        }
        Protect(luaV_settable(L, ra, rb, rc));
        continue;
      }
      case OP_NEWTABLE: {
        int b = GETARG_B(i);
        savepc();
        if ((b >> 3) > 26) luaG_runerror(L, "table overflow"); /* only a crafted chunk gets here */
        b = fb2int(b);
        sethvalue(ra, luaH_new(L, b, GETARG_C(i)));
        Protect(luaC_checkGC(L));
        continue;
      }
      case OP_SELF: {
        StkId rb = RB(i);
        TObject *rc = RKC(i);
        setobjs2s(ra + 1, rb);
        rb = ra + 1;
        if (ttistable(rb) && ttisstring(rc)) {
          Table *h = hvalue(rb);
          const TObject *v = luaH_getstr(h, tsvalue(rc));
          if (!ttisnil(v) || fasttm(L, h->metatable, TM_INDEX) == NULL) {
            setobj2s(ra, v);
            continue;
          }
        }
        Protect(luaV_gettable(L, rb, rc, ra));
        continue;
      }
      case OP_ADD: {
        arith_op(+, TM_ADD);
        continue;
      }
      case OP_SUB: {
        arith_op(-, TM_SUB);
        continue;
      }
      case OP_MUL: {
        arith_op(*, TM_MUL);
        continue;
      }
      case OP_DIV: {
        arith_op(/, TM_DIV);
        continue;
      }
      case OP_BAND: {
        bit_op(x & y);
        continue;
      }
      case OP_BOR: {
        bit_op(x | y);
        continue;
      }
      case OP_SHL: {
        bit_op(x << (y & 31));
        continue;
      }
      case OP_SHR: {
        bit_op(x >> (y & 31));
        continue;
      }
      case OP_POW: {
        TObject *rb = RKB(i);
        TObject *rc = RKC(i);
        if (ttisnumber(rb) && ttisnumber(rc)) { /* between numbers `^' is exclusive or */
          lu_int32 x = tobits(nvalue(rb));
          lu_int32 y = tobits(nvalue(rc));
          setnvalue(ra, cast(lua_Number, x ^ y));
        }
        else
          Protect(Arith(L, ra, rb, rc, TM_POW));
        continue;
      }
      case OP_UNM: {
        const TObject *rb = RB(i);
        TObject temp;
        if (tonumber(rb, &temp)) {
          setnvalue(ra, -nvalue(rb));
        }
        else {
          setnilvalue(&temp);
          Protect(if (!call_binTM(L, RB(i), &temp, ra, TM_UNM)) luaG_aritherror(L, RB(i), &temp));
        }
        continue;
      }
      case OP_NOT: {
        int res = l_isfalse(RB(i)); /* next assignment may change this value */
        setbvalue(ra, res);
        continue;
      }
      case OP_CONCAT: {
        int b = GETARG_B(i);
        int c = GETARG_C(i);
        Protect(luaV_concat(L, c - b + 1, c)); /* may change `base' (and `ra') */
        setobjs2s(RA(i), base + b);
        Protect(luaC_checkGC(L));
        continue;
      }
      case OP_JMP: {
        dojump(pc, GETARG_sBx(i));
        continue;
      }
      case OP_EQ: {
        TObject *rb = RKB(i);
        TObject *rc = RKC(i);
        int res;
        if (ttype(rb) != ttype(rc))
          res = 0;
        else if (ttisnumber(rb))
          res = nvalue(rb) == nvalue(rc);
        else
          Protect(res = luaV_equalVal(L, rb, rc));
        if (res != GETARG_A(i))
          pc++;
        else
          dojump(pc, GETARG_sBx(*pc) + 1);
        continue;
      }
      case OP_LT: {
        TObject *rb = RKB(i);
        TObject *rc = RKC(i);
        int res;
        if (ttisnumber(rb) && ttisnumber(rc))
          res = nvalue(rb) < nvalue(rc);
        else
          Protect(res = luaV_lessthan(L, rb, rc));
        if (res != GETARG_A(i))
          pc++;
        else
          dojump(pc, GETARG_sBx(*pc) + 1);
        continue;
      }
      case OP_LE: {
        TObject *rb = RKB(i);
        TObject *rc = RKC(i);
        int res;
        if (ttisnumber(rb) && ttisnumber(rc))
          res = nvalue(rb) <= nvalue(rc);
        else
          Protect(res = luaV_lessequal(L, rb, rc));
        if (res != GETARG_A(i))
          pc++;
        else
          dojump(pc, GETARG_sBx(*pc) + 1);
        continue;
      }
      case OP_TEST: {
        TObject *rb = RB(i);
        if (l_isfalse(rb) == GETARG_C(i))
          pc++;
        else {
          setobjs2s(ra, rb);
          dojump(pc, GETARG_sBx(*pc) + 1);
        }
        continue;
      }
      case OP_CALL: {
        int b = GETARG_B(i);
        int nresults = GETARG_C(i) - 1;
        if (b != 0) L->top = ra + b; /* else previous instruction set top */
        savepc();
        if (ttisfunction(ra) && !clvalue(ra)->c.isC && !(L->hookmask & LUA_MASKCALL) && L->ci != L->end_ci) {
          /* the common call of a Lua function with fixed parameters: set the frame up here */
          Proto *p = clvalue(ra)->l.p;
          if (!p->is_vararg && L->stack_last - ra > p->maxstacksize + 1) {
            CallInfo *ci = ++L->ci;
            StkId nbase = ra + 1;
            StkId ntop = nbase + p->maxstacksize;
            StkId st = L->top;
            if (st > nbase + p->numparams) st = nbase + p->numparams; /* drop the extra arguments */
            for (; st < ntop; st++) setnilvalue(st);
            ci->func = ra;
            L->base = ci->base = nbase;
            L->top = ci->top = ntop;
            ci->savedpc = p->code;
            ci->tailcalls = 0;
            ci->nresults = nresults;
            nexeccalls++;
            cl = &clvalue(ra)->l;
            base = nbase;
            k = p->k;
            pc = p->code;
            continue;
          }
        }
        switch (luaD_precall(L, ra, nresults)) {
          case PCRLUA: {
            nexeccalls++;
            goto reentry; /* restart luaV_execute over new Lua function */
          }
          case PCRC: {
            /* it was a C function (`precall' called it); adjust results */
            if (nresults >= 0) L->top = L->ci->top;
            base = L->base;
            continue;
          }
          default: {
            return; /* yield */
          }
        }
      }
      case OP_TAILCALL: {
        int b = GETARG_B(i);
        if (b != 0) L->top = ra + b; /* else previous instruction set top */
        savepc();
        switch (luaD_precall(L, ra, LUA_MULTRET)) {
          case PCRLUA: {
            /* tail call: put new frame in place of previous one */
            CallInfo *ci = L->ci - 1; /* previous frame */
            int aux;
            StkId func = ci->func;
            StkId pfunc = (ci + 1)->func; /* previous function index */
            if (L->openupval) luaF_close(L, ci->base);
            L->base = ci->base = ci->func + ((ci + 1)->base - pfunc);
            for (aux = 0; pfunc + aux < L->top; aux++) /* move frame down */
              setobjs2s(func + aux, pfunc + aux);
            ci->top = L->top = func + aux; /* correct top */
            ci->savedpc = (ci + 1)->savedpc;
            ci->tailcalls++; /* one more call lost */
            L->ci--;         /* remove new frame */
            goto reentry;
          }
          case PCRC: { /* it was a C function (`precall' called it) */
            base = L->base;
            continue;
          }
          default: {
            return; /* yield */
          }
        }
      }
      case OP_RETURN: {
        int b = GETARG_B(i);
        if (b != 0) L->top = ra + b - 1;
        if (L->openupval && L->openupval->uv.v >= base) luaF_close(L, base);
        savepc();
        if (L->hookmask & LUA_MASKRET)
          b = luaD_poscall(L, ra);
        else { /* luaD_poscall without hooks */
          CallInfo *ci = L->ci--;
          StkId res = ci->func;
          int wanted = ci->nresults;
          int n;
          L->base = (ci - 1)->base;
          for (n = wanted; n != 0 && ra < L->top; n--) setobjs2s(res++, ra++);
          while (n-- > 0) setnilvalue(res++);
          L->top = res;
          b = (wanted != LUA_MULTRET);
        }
        if (--nexeccalls == 0) /* was previous function running `here'? */
          return; /* no: return */
        else { /* yes: continue its execution */
          if (b) L->top = L->ci->top;
          goto reentry;
        }
      }
      case OP_FORLOOP: {
        lua_Number step, idx, limit;
        const TObject *plimit = ra + 1;
        const TObject *pstep = ra + 2;
        if (!ttisnumber(ra) || !ttisnumber(plimit) || !ttisnumber(pstep)) savepc();
        if (!ttisnumber(ra)) luaG_runerror(L, "`for' initial value must be a number");
        if (!tonumber(plimit, ra + 1)) luaG_runerror(L, "`for' limit must be a number");
        if (!tonumber(pstep, ra + 2)) luaG_runerror(L, "`for' step must be a number");
        step = nvalue(pstep);
        idx = nvalue(ra) + step; /* increment index */
        limit = nvalue(plimit);
        if (step > 0 ? idx <= limit : idx >= limit) {
          dojump(pc, GETARG_sBx(i)); /* jump back */
          chgnvalue(ra, idx);        /* update index */
        }
        continue;
      }
      case OP_TFORLOOP: {
        setobjs2s(ra + 4, ra + 2);
        setobjs2s(ra + 3, ra + 1);
        setobjs2s(ra + 2, ra);
        L->top = ra + 5;
        Protect(luaD_call(L, ra + 2, GETARG_C(i) + 1));
        L->top = L->ci->top;
        ra = RA(i) + 2; /* final position of first result */
        if (ttisnil(ra))
          pc++; /* skip jump (break loop) */
        else
          dojump(pc, GETARG_sBx(*pc) + 1); /* jump back */
        continue;
      }
      case OP_TFORPREP: { /* for compatibility only */
        if (ttistable(ra)) {
          setobjs2s(ra + 1, ra);
          setobj2s(ra, luaH_getstr(hvalue(gt(L)), luaS_newliteral(L, "next")));
        }
        dojump(pc, GETARG_sBx(i));
        continue;
      }
      case OP_SETLIST:
      case OP_SETLISTO: {
        int bc;
        int n;
        Table *h;
        savepc();
        runtime_check(L, ttistable(ra));
        h = hvalue(ra);
        bc = GETARG_Bx(i);
        if (GET_OPCODE(i) == OP_SETLIST)
          n = (bc & (LFIELDS_PER_FLUSH - 1)) + 1;
        else {
          n = cast(int, L->top - ra) - 1;
          L->top = L->ci->top;
        }
        bc &= ~(LFIELDS_PER_FLUSH - 1); /* bc = bc - bc%FPF */
        for (; n > 0; n--) setobj2t(luaH_setnum(L, h, bc + n), ra + n);
        continue;
      }
      case OP_CLOSE: {
        luaF_close(L, ra);
        continue;
      }
      case OP_CLOSURE: {
        Proto *p;
        Closure *ncl;
        int nup, j;
        p = cl->p->p[GETARG_Bx(i)];
        nup = p->nups;
        ncl = luaF_newLclosure(L, nup, &cl->g);
        ncl->l.p = p;
        for (j = 0; j < nup; j++, pc++) {
          if (GET_OPCODE(*pc) == OP_GETUPVAL)
            ncl->l.upvals[j] = cl->upvals[GETARG_B(*pc)];
          else {
            ncl->l.upvals[j] = luaF_findupval(L, base + GETARG_B(*pc));
          }
        }
        setclvalue(ra, ncl);
        Protect(luaC_checkGC(L));
        continue;
      }
      default:
        savepc();
        luaG_runerror(L, "bad opcode %d", cast(int, GET_OPCODE(i)));
    }
  }
}
