/*
** Garbage collector: a stop-the-world mark and sweep. Marks from the registry, the per-type
** tables and the main thread; clears weak tables; separates unreachable userdata with __gc
** (kept alive until their finalizer ran); sweeps; sets the threshold to twice the memory in use.
*/
#include <string.h>

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

typedef struct GCState {
  GCObject *tmark; /* list of marked objects to be traversed */
  GCObject *wk;    /* list of traversed key-weak tables (to be cleared) */
  GCObject *wv;    /* list of traversed value-weak tables */
  GCObject *wkv;   /* list of traversed key-value weak tables */
  global_State *g;
} GCState;

#define bitmask(b) (1 << (b))
#define setmarkbit(o) ((o)->gch.marked |= bitmask(MARKBIT))
#define isfinalized(u) ((u)->uv.marked & bitmask(FINALIZEDBIT))
#define markfinalized(u) ((u)->uv.marked |= bitmask(FINALIZEDBIT))

#define markvalue(st, o) \
  { if (iscollectable(o) && !ismarked(gcvalue(o))) reallymarkobject(st, gcvalue(o)); }

#define condmarkobject(st, o, c) \
  { if (iscollectable(o) && !ismarked(gcvalue(o)) && (c)) reallymarkobject(st, gcvalue(o)); }

#define markobject(st, t) \
  { if (!ismarked(valtogco(t))) reallymarkobject(st, valtogco(t)); }

static void reallymarkobject(GCState *st, GCObject *o) {
  setmarkbit(o);
  switch (o->gch.tt) {
    case LUA_TSTRING:
    case LUA_TWSTRING:
      break;
    case LUA_TUSERDATA: {
      Table *mt = gcotou(o)->uv.metatable;
      if (mt) markobject(st, mt);
      break;
    }
    case LUA_TFUNCTION:
      gcotocl(o)->c.gclist = st->tmark;
      st->tmark = o;
      break;
    case LUA_TTABLE:
      gcotoh(o)->gclist = st->tmark;
      st->tmark = o;
      break;
    case LUA_TTHREAD:
      gcototh(o)->gclist = st->tmark;
      st->tmark = o;
      break;
    case LUA_TPROTO:
      gcotop(o)->gclist = st->tmark;
      st->tmark = o;
      break;
    case LUA_TUPVAL: { /* only closed upvalues get here */
      UpVal *uv = gcotouv(o);
      markvalue(st, uv->v);
      break;
    }
    default:
      lua_assert(0);
  }
}

static void marktmu(GCState *st) {
  GCObject *u;
  for (u = st->g->tmudata; u; u = u->gch.next) {
    u->gch.marked &= ~bitmask(MARKBIT);
    reallymarkobject(st, u);
  }
}

/* move `dead' udata that need finalization to list `tmudata' */
size_t luaC_separateudata(lua_State *L) {
  size_t deadmem = 0;
  GCObject **p = &G(L)->rootudata;
  GCObject *curr;
  GCObject *collected = NULL; /* to collect udata with gc event */
  GCObject **lastcollected = &collected;
  while ((curr = *p) != NULL) {
    if (ismarked(curr) || isfinalized(gcotou(curr)))
      p = &curr->gch.next; /* don't bother with them */
    else if (fasttm(L, gcotou(curr)->uv.metatable, TM_GC) == NULL) {
      markfinalized(gcotou(curr)); /* don't need finalization */
      p = &curr->gch.next;
    }
    else { /* must call its gc method */
      deadmem += sizeudata(gcotou(curr)->uv.len);
      *p = curr->gch.next;
      curr->gch.next = NULL; /* link `curr' at the end of `collected' list */
      *lastcollected = curr;
      lastcollected = &curr->gch.next;
    }
  }
  /* insert collected udata with gc event into `tmudata' list */
  *lastcollected = G(L)->tmudata;
  G(L)->tmudata = collected;
  return deadmem;
}

static void removeentry(Node *n) {
  setnilvalue(gval(n)); /* remove corresponding value ... */
  if (iscollectable(gkey(n))) setttype(gkey(n), LUA_TDEADKEY); /* dead key; remove it */
}

static void traversetable(GCState *st, Table *h) {
  int i;
  int weakkey = 0;
  int weakvalue = 0;
  const TObject *mode;
  if (h->metatable) markobject(st, h->metatable);
  mode = gfasttm(st->g, h->metatable, TM_MODE);
  if (mode && ttisstring(mode)) { /* is there a weak mode? */
    weakkey = (strchr(svalue(mode), 'k') != NULL);
    weakvalue = (strchr(svalue(mode), 'v') != NULL);
    if (weakkey || weakvalue) { /* is really weak? */
      GCObject **weaklist;
      h->marked &= ~(bitmask(KEYWEAKBIT) | bitmask(VALUEWEAKBIT)); /* clear bits */
      h->marked |= cast(lu_byte, (weakkey << KEYWEAKBIT) | (weakvalue << VALUEWEAKBIT));
      weaklist = (weakkey && weakvalue) ? &st->wkv : (weakkey) ? &st->wk : &st->wv;
      h->gclist = *weaklist; /* must be cleared after GC, ... */
      *weaklist = valtogco(h); /* ... so put in the appropriate list */
    }
  }
  if (!weakvalue) {
    i = h->sizearray;
    while (i--) markvalue(st, &h->array[i]);
  }
  if (h->lsizenode == 0) return; /* the shared empty node */
  i = sizenode(h);
  while (i--) {
    Node *n = gnode(h, i);
    if (!ttisnil(gval(n))) {
      condmarkobject(st, gkey(n), !weakkey);
      condmarkobject(st, gval(n), !weakvalue);
    }
    else
      removeentry(n); /* its key may die: never look at it again */
  }
}

static void traverseproto(GCState *st, Proto *f) {
  int i;
  if (f->source) markobject(st, f->source);
  for (i = 0; i < f->sizek; i++) { /* mark literal strings */
    if (ttisanystring(f->k + i)) markobject(st, tsvalue(f->k + i));
  }
  for (i = 0; i < f->sizeupvalues; i++) { /* mark upvalue names */
    if (f->upvalues[i]) markobject(st, f->upvalues[i]);
  }
  for (i = 0; i < f->sizep; i++) { /* mark nested protos */
    if (f->p[i]) markobject(st, f->p[i]);
  }
  for (i = 0; i < f->sizelocvars; i++) { /* mark local-variable names */
    if (f->locvars[i].varname) markobject(st, f->locvars[i].varname);
  }
}

static void traverseclosure(GCState *st, Closure *cl) {
  if (cl->c.isC) {
    int i;
    for (i = 0; i < cl->c.nupvalues; i++) /* mark its upvalues */
      markvalue(st, &cl->c.upvalue[i]);
  }
  else {
    int i;
    markvalue(st, &cl->l.g);
    if (cl->l.p) markobject(st, cl->l.p);
    for (i = 0; i < cl->l.nupvalues; i++) { /* mark its upvalues */
      UpVal *u = cl->l.upvals[i];
      if (u == NULL) continue;
      if (u->v == &u->value) { /* closed */
        markobject(st, u);
      }
      else /* open: the value lives in a thread's stack, which may itself be dying */
        markvalue(st, u->v);
    }
  }
}

static void traversestack(GCState *st, lua_State *L1) {
  StkId o;
  markvalue(st, gt(L1));
  for (o = L1->stack; o < L1->top; o++) markvalue(st, o);
  /* dead slots must not keep stale references */
  for (; o < L1->stack + L1->stacksize; o++) setnilvalue(o);
}

static void propagatemarks(GCState *st) {
  while (st->tmark) { /* traverse marked objects */
    switch (st->tmark->gch.tt) {
      case LUA_TTABLE: {
        Table *h = gcotoh(st->tmark);
        st->tmark = h->gclist;
        traversetable(st, h);
        break;
      }
      case LUA_TFUNCTION: {
        Closure *cl = gcotocl(st->tmark);
        st->tmark = cl->c.gclist;
        traverseclosure(st, cl);
        break;
      }
      case LUA_TTHREAD: {
        lua_State *th = gcototh(st->tmark);
        st->tmark = th->gclist;
        traversestack(st, th);
        break;
      }
      case LUA_TPROTO: {
        Proto *p = gcotop(st->tmark);
        st->tmark = p->gclist;
        traverseproto(st, p);
        break;
      }
      default:
        lua_assert(0);
    }
  }
}

static int valismarked(const TObject *o) {
  if (ttisanystring(o)) { /* strings are `values', so are never weak */
    setmarkbit(gcvalue(o));
    return 1;
  }
  return !iscollectable(o) || ismarked(gcvalue(o));
}

/* clear collected keys from weaktables */
static void cleartablekeys(GCObject *l) {
  while (l) {
    Table *h = gcotoh(l);
    int i = sizenode(h);
    if (h->lsizenode) {
      while (i--) {
        Node *n = gnode(h, i);
        if (!valismarked(gkey(n))) /* key was collected? */
          removeentry(n);          /* remove entry from table */
      }
    }
    l = h->gclist;
  }
}

/* clear collected values from weaktables */
static void cleartablevalues(GCObject *l) {
  while (l) {
    Table *h = gcotoh(l);
    int i = h->sizearray;
    while (i--) {
      TObject *o = &h->array[i];
      if (!valismarked(o)) /* value was collected? */
        setnilvalue(o);    /* remove value */
    }
    if (h->lsizenode) {
      i = sizenode(h);
      while (i--) {
        Node *n = gnode(h, i);
        if (!valismarked(gval(n))) /* value was collected? */
          removeentry(n);          /* remove entry from table */
      }
    }
    l = h->gclist;
  }
}

static void freeobj(lua_State *L, GCObject *o) {
  switch (o->gch.tt) {
    case LUA_TPROTO:
      luaF_freeproto(L, gcotop(o));
      break;
    case LUA_TFUNCTION:
      luaF_freeclosure(L, gcotocl(o));
      break;
    case LUA_TUPVAL:
      luaM_freelem(L, gcotouv(o));
      break;
    case LUA_TTABLE:
      luaH_free(L, gcotoh(o));
      break;
    case LUA_TTHREAD:
      luaE_freethread(L, gcototh(o));
      break;
    case LUA_TSTRING:
    case LUA_TWSTRING:
      G(L)->strt.nuse--;
      luaM_free(L, o, sizeanystring(&o->ts));
      break;
    case LUA_TUSERDATA: {
      Udata *u = gcotou(o);
      luaM_free(L, o, sizeudata(isboxedpointer(u) ? sizeof(void *) : u->uv.len));
      break;
    }
    default:
      lua_assert(0);
  }
}

static int isdead(GCObject *o, int all) {
  if (all) return 1;
  return !(o->gch.marked & (bitmask(MARKBIT) | bitmask(FIXEDBIT)));
}

static void sweeplist(lua_State *L, GCObject **p, int all) {
  GCObject *curr;
  while ((curr = *p) != NULL) {
    if (!isdead(curr, all)) {
      curr->gch.marked &= ~(bitmask(MARKBIT) | bitmask(KEYWEAKBIT) | bitmask(VALUEWEAKBIT));
      p = &curr->gch.next;
    }
    else {
      *p = curr->gch.next;
      freeobj(L, curr);
    }
  }
}

static void sweepstrings(lua_State *L, int all) {
  int i;
  for (i = 0; i < G(L)->strt.size; i++) /* for each list */
    sweeplist(L, &G(L)->strt.hash[i], all);
}

static void checkSizes(lua_State *L, size_t deadmem) {
  global_State *g = G(L);
  /* check size of string hash */
  if (g->strt.nuse < cast(lu_int32, g->strt.size / 4) && g->strt.size > MINSTRTABSIZE * 2)
    luaS_resize(L, g->strt.size / 2); /* table is too big */
  /* check size of buffer */
  if (luaZ_sizebuffer(&g->buff) > LUA_MINBUFFER * 2) { /* buffer too big? */
    size_t newsize = luaZ_sizebuffer(&g->buff) / 2;
    luaZ_resizebuffer(L, &g->buff, newsize);
  }
  g->GCthreshold = 2 * g->nblocks - deadmem; /* new threshold */
}

static void do1gcTM(lua_State *L, Udata *udata) {
  const TObject *tm = fasttm(L, udata->uv.metatable, TM_GC);
  if (tm != NULL) {
    setobj2s(L->top, tm);
    setuvalue(L->top + 1, udata);
    L->top += 2;
    luaD_call(L, L->top - 2, 0);
  }
}

void luaC_callGCTM(lua_State *L) {
  lu_byte oldah = L->allowhook;
  L->allowhook = 0; /* stop debug hooks during GC tag methods */
  while (G(L)->tmudata != NULL) {
    GCObject *o = G(L)->tmudata;
    Udata *udata = gcotou(o);
    luaD_checkstack(L, 3);
    G(L)->tmudata = udata->uv.next; /* remove udata from `tmudata' */
    udata->uv.next = G(L)->rootudata; /* return it to `root' list */
    G(L)->rootudata = o;
    setuvalue(L->top, udata); /* keep a reference to it */
    L->top++;
    udata->uv.marked &= ~bitmask(MARKBIT);
    markfinalized(udata);
    do1gcTM(L, udata);
    L->top--;
  }
  L->allowhook = oldah; /* restore hooks */
}

void luaC_sweep(lua_State *L, int all) {
  global_State *g = G(L);
  int wasrunning = g->gcrunning;
  g->gcrunning = 1; /* upvalues closed by freed threads go to `pending' */
  sweepstrings(L, all);
  sweeplist(L, &g->rootudata, all);
  sweeplist(L, &g->rootgc, all);
  while (g->pending) { /* upvalues of freed threads: keep them (unmarked) or free them too */
    GCObject *o = g->pending;
    g->pending = o->gch.next;
    if (all)
      freeobj(L, o);
    else {
      o->gch.next = g->rootgc;
      g->rootgc = o;
    }
  }
  g->gcrunning = wasrunning;
}

static size_t mark(lua_State *L) {
  GCState st;
  GCObject *wkv;
  size_t deadmem;
  int i;
  global_State *g = G(L);
  st.g = g;
  st.tmark = NULL;
  st.wkv = st.wk = st.wv = NULL;
  markvalue(&st, defaultmeta(L));
  markvalue(&st, registry(L));
  for (i = 0; i < NUM_TYPETABLES; i++) markvalue(&st, &g->typetables[i]);
  traversestack(&st, g->mainthread);
  if (L != g->mainthread) /* another thread is running? */
    markobject(&st, L);   /* cannot collect it */
  for (GCObject *u = g->tmudata; u; u = u->gch.next) /* finalizers still pending */
    if (!ismarked(u)) reallymarkobject(&st, u);
  propagatemarks(&st); /* mark all reachable objects */
  cleartablevalues(st.wkv);
  cleartablevalues(st.wv);
  wkv = st.wkv; /* keys must be cleared after preserving udata */
  st.wkv = NULL;
  st.wv = NULL;
  deadmem = luaC_separateudata(L); /* separate userdata to be preserved */
  marktmu(&st);                    /* mark `preserved' userdata */
  propagatemarks(&st);             /* remark, to propagate `preserveness' */
  cleartablekeys(wkv);
  /* `propagatemarks' may resuscitate some weak tables; clear them too */
  cleartablekeys(st.wk);
  cleartablevalues(st.wv);
  cleartablekeys(st.wkv);
  cleartablevalues(st.wkv);
  return deadmem;
}

void luaC_collectgarbage(lua_State *L) {
  global_State *g = G(L);
  size_t deadmem;
  if (g->gcrunning) return;
  g->gcrunning = 1;
  deadmem = mark(L);
  luaC_sweep(L, 0);
  g->mainthread->marked &= ~bitmask(MARKBIT);
  g->gcrunning = 0;
  checkSizes(L, deadmem);
  luaC_callGCTM(L);
}

void luaC_link(lua_State *L, GCObject *o, lu_byte tt) {
  global_State *g = G(L);
  GCObject **list = g->gcrunning ? &g->pending : &g->rootgc;
  o->gch.next = *list;
  *list = o;
  o->gch.marked = 0;
  o->gch.tt = tt;
}
