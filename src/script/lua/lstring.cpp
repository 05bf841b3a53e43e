/*
** String table: keeps every string (narrow and wide) unique, so string equality is identity.
** A lookup only accepts an entry of the kind sought; both kinds hash with the same formula.
*/
#include <string.h>

#include "lmem.h"
#include "lobject.h"
#include "lstate.h"
#include "lstring.h"
#include "ltable.h"

void luaS_freeall(lua_State *L) {
  luaM_freearray(L, G(L)->strt.hash, G(L)->strt.size, LString *);
  G(L)->strt.hash = NULL;
  G(L)->strt.size = 0;
}

void luaS_resize(lua_State *L, int newsize) {
  GCObject **newhash = luaM_newvector(L, newsize, GCObject *);
  stringtable *tb = &G(L)->strt;
  int i;
  for (i = 0; i < newsize; i++) newhash[i] = NULL;
  /* rehash */
  for (i = 0; i < tb->size; i++) {
    GCObject *p = tb->hash[i];
    while (p) { /* for each node in the list */
      GCObject *next = p->gch.next; /* save next */
      lu_int32 h = p->ts.tsv.hash;
      int h1 = lmod(h, newsize); /* new position */
      p->gch.next = newhash[h1]; /* chain it */
      newhash[h1] = p;
      p = next;
    }
  }
  luaM_freearray(L, tb->hash, tb->size, LString *);
  tb->size = newsize;
  tb->hash = newhash;
}

/* chains a new string at the head of its bucket, doubling the table when it gets crowded */
static void intern(lua_State *L, LString *ts) {
  stringtable *tb = &G(L)->strt;
  int h = lmod(ts->tsv.hash, tb->size);
  ts->tsv.next = tb->hash[h];
  tb->hash[h] = valtogco(ts);
  tb->nuse++;
  if (tb->nuse > cast(lu_int32, tb->size) && tb->size <= MAX_INT / 2)
    luaS_resize(L, tb->size * 2); /* too crowded */
}

static lu_int32 hashbytes(const char *str, size_t l) {
  lu_int32 h = cast(lu_int32, l); /* seed */
  size_t step = (l >> 5) + 1;     /* if string is too long, don't hash all its chars */
  size_t l1;
  for (l1 = l; l1 >= step; l1 -= step) /* compute hash */
    h = h ^ ((h << 5) + (h >> 2) + cast(unsigned char, str[l1 - 1]));
  return h;
}

static LString *findlstr(lua_State *L, const char *str, size_t l, lu_int32 h) {
  for (GCObject *o = G(L)->strt.hash[lmod(h, G(L)->strt.size)]; o != NULL; o = o->gch.next) {
    LString *ts = &o->ts;
    if (ts->tsv.tt == LUA_TSTRING && ts->tsv.len == l && (l == 0 || memcmp(str, getstr(ts), l) == 0)) return ts;
  }
  return NULL;
}

LString *luaS_adoptlstr(lua_State *L, char *block, lu_mem blocksize, size_t l) {
  const char *str = block + sizeof(LString);
  lu_int32 h = hashbytes(str, l);
  LString *found = findlstr(L, str, l, h);
  if (found != NULL) {
    luaM_free(L, block, blocksize);
    return found;
  }
  lua_assert(blocksize == sizestring(l));
  LString *ts = cast(LString *, cast(void *, block));
  ts->tsv.len = l;
  ts->tsv.hash = h;
  ts->tsv.marked = 0;
  ts->tsv.tt = LUA_TSTRING;
  ts->tsv.reserved = 0;
  ((char *)(ts + 1))[l] = '\0'; /* ending 0 */
  intern(L, ts);
  return ts;
}

LString *luaS_newlstr(lua_State *L, const char *str, size_t l) {
  lu_int32 h = hashbytes(str, l);
  LString *found = findlstr(L, str, l, h);
  if (found != NULL) return found;
  LString *ts = cast(LString *, luaM_malloc(L, sizestring(l)));
  ts->tsv.len = l;
  ts->tsv.hash = h;
  ts->tsv.marked = 0;
  ts->tsv.tt = LUA_TSTRING;
  ts->tsv.reserved = 0;
  if (l) memcpy(ts + 1, str, l * sizeof(char));
  ((char *)(ts + 1))[l] = '\0'; /* ending 0 */
  intern(L, ts);
  return ts;
}

LString *luaS_newlwstr(lua_State *L, const lua_WChar *str, size_t l) {
  GCObject *o;
  lu_int32 h = cast(lu_int32, l);
  size_t step = (l >> 5) + 1;
  size_t l1;
  for (l1 = l; l1 >= step; l1 -= step) h = h ^ ((h << 5) + (h >> 2) + str[l1 - 1]);
  for (o = G(L)->strt.hash[lmod(h, G(L)->strt.size)]; o != NULL; o = o->gch.next) {
    LString *ts = &o->ts;
    if (ts->tsv.tt == LUA_TWSTRING && ts->tsv.len == l && (l == 0 || memcmp(str, getwstr(ts), l * sizeof(lua_WChar)) == 0))
      return ts;
  }
  LString *ts = cast(LString *, luaM_malloc(L, sizewstring(l)));
  ts->tsv.len = l;
  ts->tsv.hash = h;
  ts->tsv.marked = 0;
  ts->tsv.tt = LUA_TWSTRING;
  ts->tsv.reserved = 0;
  if (l) memcpy(ts + 1, str, l * sizeof(lua_WChar));
  ((lua_WChar *)(ts + 1))[l] = 0;
  intern(L, ts);
  return ts;
}

static Udata *newudata(lua_State *L, size_t blocksize, size_t recorded) {
  Udata *u = cast(Udata *, luaM_malloc(L, sizeudata(blocksize)));
  u->uv.marked = 0;
  u->uv.tt = LUA_TUSERDATA;
  u->uv.len = recorded;
  u->uv.metatable = ttistable(typetable(L, LUA_TUSERDATA)) ? hvalue(typetable(L, LUA_TUSERDATA)) : NULL;
  /* chain it on udata list */
  u->uv.next = G(L)->rootudata;
  G(L)->rootudata = valtogco(u);
  return u;
}

Udata *luaS_newudata(lua_State *L, size_t s) {
  if (s >= MAXBLOCKREQUEST) s = MAXBLOCKREQUEST; /* let the allocator report it */
  s = (s + 1) & ~(size_t)1; /* an even size: odd sizes mark boxed pointers */
  return newudata(L, s, s);
}

Udata *luaS_newboxedpointer(lua_State *L, void *p) {
  Udata *u = newudata(L, sizeof(void *), 1);
  memcpy(u + 1, &p, sizeof(void *));
  return u;
}
