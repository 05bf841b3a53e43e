/*
** Lua tables (hash).
** Tables keep their elements in two parts: an array part for integer keys 1..sizearray and a hash
** part, a chained scatter table with Brent's variation: a colliding element that is not in its main
** position moves to a free slot, so every chain starts at its main position. When the hash part is
** full, both parts are resized so that the array part is the largest power of two more than half
** full of integer keys (the rest goes to the hash part).
*/
#include <math.h>
#include <string.h>

#include "ldebug.h"
#include "ldo.h"
#include "lgc.h"
#include "lmem.h"
#include "lobject.h"
#include "lstate.h"
#include "lstring.h"
#include "ltable.h"

/* max size of array part is 2^MAXBITS */
#define MAXBITS 24
#define MAXASIZE (1 << MAXBITS)

#define hashpow2(t, n) (gnode(t, lmod((n), sizenode(t))))
#define hashstr(t, str) hashpow2(t, (str)->tsv.hash)
#define hashboolean(t, p) hashpow2(t, p)

/* for other types, it is better to avoid modulus by power of 2, as they tend to have many 2 factors */
#define hashmod(t, n) (gnode(t, ((n) % ((sizenode(t) - 1) | 1))))
#define hashpointer(t, p) hashmod(t, IntPoint(p))

static Node *hashnum(const Table *t, lua_Number n) {
  unsigned int a[sizeof(lua_Number) / sizeof(unsigned int)];
  lu_int32 h;
  if (n == 0) n = 0; /* -0 and +0 are the same key (adding 1 instead would merge all tiny keys) */
  memcpy(a, &n, sizeof(a));
  for (size_t i = 1; i < sizeof(a) / sizeof(a[0]); i++) a[0] += a[i];
  /* mix the bits: keys that differ only in a few mantissa bits must not share residues */
  h = cast(lu_int32, a[0]);
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  return hashmod(t, h);
}

/* main position of a key, that is, the index of its hash value in the node array */
Node *luaH_mainposition(const Table *t, const TObject *key) {
  switch (ttype(key)) {
    case LUA_TNUMBER:
      return hashnum(t, nvalue(key));
    case LUA_TSTRING:
    case LUA_TWSTRING:
      return hashstr(t, tsvalue(key));
    case LUA_TBOOLEAN:
      return hashboolean(t, bvalue(key));
    case LUA_TLIGHTUSERDATA:
      return hashpointer(t, pvalue(key));
    default:
      return hashpointer(t, gcvalue(key));
  }
}

/* the integer value of a number key when it is a valid array index (1 .. 2^MAXBITS), else -1 */
static int arrayindex(const TObject *key) {
  if (ttisnumber(key)) {
    lua_Number n = nvalue(key);
    if (n >= 1 && n <= MAXASIZE) {
      int k = (int)n;
      if (cast(lua_Number, k) == n) return k;
    }
  }
  return -1;
}

/*
** returns the index of a `key' for table traversals. First goes all elements in the array part,
** then elements in the hash part. The beginning and the end of a traversal are signalled by -1.
*/
static int luaH_index(lua_State *L, Table *t, StkId key) {
  int i;
  if (ttisnil(key)) return -1; /* first iteration */
  i = arrayindex(key);
  if (0 <= i && i <= t->sizearray) /* is `key' inside array part? */
    return i - 1;                  /* yes; that's the index (corrected to C) */
  else {
    Node *n = luaH_mainposition(t, key);
    do { /* the key may be dead (its value removed) but is still in its chain */
      if (luaO_rawequalObj(gkey(n), key) ||
          (ttype(gkey(n)) == LUA_TDEADKEY && iscollectable(key) && gcvalue(gkey(n)) == gcvalue(key)))
        return cast(int, n - gnode(t, 0)) + t->sizearray;
      n = n->next;
    } while (n);
    luaG_runerror(L, "invalid key for `next'");
  }
}

int luaH_next(lua_State *L, Table *t, StkId key) {
  int i = luaH_index(L, t, key); /* find original element */
  for (i++; i < t->sizearray; i++) { /* try first array part */
    if (!ttisnil(&t->array[i])) {    /* a non-nil value? */
      setnvalue(key, cast(lua_Number, i + 1));
      setobj2s(key + 1, &t->array[i]);
      return 1;
    }
  }
  for (i -= t->sizearray; i < sizenode(t); i++) { /* then hash part */
    if (!ttisnil(gval(gnode(t, i)))) {            /* a non-nil value? */
      setobj2s(key, gkey(gnode(t, i)));
      setobj2s(key + 1, gval(gnode(t, i)));
      return 1;
    }
  }
  return 0; /* no more elements */
}

/*
** Rehash
*/
static void computesizes(int nums[], int ntotal, int *narray, int *nhash) {
  int i;
  int a = nums[0];                   /* number of elements smaller than 2^i */
  int na = a;                        /* number of elements to go to array part */
  int n = (na == 0) ? -1 : 0;        /* (log of) optimal size for array part */
  for (i = 1; a < *narray && *narray >= twoto(i - 1); i++) {
    if (nums[i] > 0) {
      a += nums[i];
      if (a >= twoto(i - 1)) { /* more than half elements in use? */
        n = i;
        na = a;
      }
    }
  }
  *nhash = ntotal - na;
  *narray = (n == -1) ? 0 : twoto(n);
}

static void numuse(const Table *t, int *narray, int *nhash) {
  int nums[MAXBITS + 1];
  int i, lg;
  int totaluse = 0;
  /* count elements in array part */
  for (i = 0, lg = 0; lg <= MAXBITS; lg++) { /* for each slice [2^(lg-1) to 2^lg) */
    int ttlg = twoto(lg);                    /* 2^lg */
    if (ttlg > t->sizearray) {
      ttlg = t->sizearray;
      if (i >= ttlg) break;
    }
    nums[lg] = 0;
    for (; i < ttlg; i++) {
      if (!ttisnil(&t->array[i])) {
        nums[lg]++;
        totaluse++;
      }
    }
  }
  for (; lg <= MAXBITS; lg++) nums[lg] = 0; /* reset other counts */
  *narray = totaluse;                       /* all previous uses were in array part */
  /* count elements in hash part */
  i = sizenode(t);
  while (i--) {
    Node *n = &t->node[i];
    if (!ttisnil(gval(n))) {
      int k = arrayindex(gkey(n));
      if (k >= 0) { /* is `key' an appropriate array index? */
        nums[luaO_log2(k - 1) + 1]++; /* count as such */
        (*narray)++;
      }
      totaluse++;
    }
  }
  computesizes(nums, totaluse, narray, nhash);
}

static void setarrayvector(lua_State *L, Table *t, int size) {
  int i;
  luaM_reallocvector(L, t->array, t->sizearray, size, TObject);
  for (i = t->sizearray; i < size; i++) setnilvalue(&t->array[i]);
  t->sizearray = size;
}

static void setnodevector(lua_State *L, Table *t, int lsize) {
  int i;
  int size;
  if (lsize > MAXBITS) luaG_runerror(L, "table overflow");
  size = twoto(lsize);
  if (lsize == 0) { /* no elements to hash part? */
    t->node = G(L)->dummynode; /* use common `dummynode' */
  }
  else {
    t->node = luaM_newvector(L, size, Node);
    for (i = 0; i < size; i++) {
      t->node[i].next = NULL;
      setnilvalue(gkey(gnode(t, i)));
      setnilvalue(gval(gnode(t, i)));
    }
  }
  t->lsizenode = cast(lu_byte, lsize);
  t->firstfree = gnode(t, size - 1); /* first free position to be used */
}

static void resize(lua_State *L, Table *t, int nasize, int nhsize) {
  int i;
  int oldasize = t->sizearray;
  int oldhsize = t->lsizenode;
  Node *nold;
  Node temp[1];
  if (oldhsize)
    nold = t->node; /* save old hash ... */
  else {            /* old hash is `dummynode' */
    temp[0] = t->node[0]; /* copy it to `temp' */
    nold = temp;
    setnilvalue(gkey(G(L)->dummynode)); /* restate invariant */
    setnilvalue(gval(G(L)->dummynode));
    G(L)->dummynode->next = NULL;
  }
  if (nasize > oldasize) /* array part must grow? */
    setarrayvector(L, t, nasize);
  /* create new hash part with appropriate size */
  setnodevector(L, t, nhsize);
  /* re-insert elements */
  if (nasize < oldasize) { /* array part must shrink? */
    t->sizearray = nasize;
    /* re-insert elements from vanishing slice */
    for (i = nasize; i < oldasize; i++) {
      if (!ttisnil(&t->array[i])) setobjt2t(luaH_setnum(L, t, i + 1), &t->array[i]);
    }
    /* shrink array */
    luaM_reallocvector(L, t->array, oldasize, nasize, TObject);
  }
  /* re-insert elements in hash part */
  for (i = twoto(oldhsize) - 1; i >= 0; i--) {
    Node *old = nold + i;
    if (!ttisnil(gval(old))) setobjt2t(luaH_set(L, t, gkey(old)), gval(old));
  }
  if (oldhsize) luaM_freearray(L, nold, twoto(oldhsize), Node); /* free old array */
}

static void rehash(lua_State *L, Table *t) {
  int nasize, nhsize;
  numuse(t, &nasize, &nhsize); /* compute new sizes for array and hash parts */
  resize(L, t, nasize, luaO_log2(nhsize) + 1);
}

Table *luaH_new(lua_State *L, int narray, int lnhash) {
  Table *t = luaM_new(L, Table);
  t->flags = cast(lu_byte, ~0);
  t->metatable = NULL;
  t->array = NULL;
  t->sizearray = 0;
  t->lsizenode = 0;
  t->node = G(L)->dummynode;
  t->firstfree = G(L)->dummynode;
  t->gclist = NULL;
  luaC_link(L, valtogco(t), LUA_TTABLE);
  /* new tables share the table type's table as their metatable */
  if (ttistable(typetable(L, LUA_TTABLE)))
    t->metatable = hvalue(typetable(L, LUA_TTABLE));
  else if (ttistable(defaultmeta(L)))
    t->metatable = hvalue(defaultmeta(L));
  setarrayvector(L, t, narray);
  setnodevector(L, t, lnhash);
  return t;
}

void luaH_free(lua_State *L, Table *t) {
  if (t->lsizenode) luaM_freearray(L, t->node, sizenode(t), Node);
  luaM_freearray(L, t->array, t->sizearray, TObject);
  luaM_freelem(L, t);
}

/*
** inserts a new key into a hash table; first, check whether key's main position is free. If not,
** check whether colliding node is in its main position or not: if it is not, move colliding node to
** an empty place and put new key in its main position; otherwise (colliding node is in its main
** position), new key goes to an empty position.
*/
static TObject *newkey(lua_State *L, Table *t, const TObject *key) {
  TObject *val;
  Node *mp = luaH_mainposition(t, key);
  if (!ttisnil(gval(mp))) { /* main position is not free? */
    Node *othern = luaH_mainposition(t, gkey(mp)); /* `mp' of colliding node */
    Node *n = t->firstfree;                        /* get a free place */
    if (othern != mp) { /* is colliding node out of its main position? */
      /* yes; move colliding node into free position */
      while (othern->next != mp) othern = othern->next; /* find previous */
      othern->next = n; /* redo the chain with `n' in place of `mp' */
      *n = *mp;         /* copy colliding node into free pos. (mp->next also goes) */
      mp->next = NULL;  /* now `mp' is free */
      setnilvalue(gval(mp));
    }
    else { /* colliding node is in its own main position */
      /* new node will go into free position */
      n->next = mp->next; /* chain new position */
      mp->next = n;
      mp = n;
    }
  }
  setobj2t(gkey(mp), key);
  for (;;) { /* correct `firstfree' */
    if (ttisnil(gkey(t->firstfree)))
      return gval(mp); /* OK; table still has a free place */
    else if (t->firstfree == t->node)
      break; /* cannot decrement from here */
    else
      (t->firstfree)--;
  }
  /* no more free places; must create one */
  setbvalue(gval(mp), 0); /* avoid new key being removed */
  rehash(L, t);           /* grow table */
  val = cast(TObject *, luaH_get(t, key)); /* get new position */
  setnilvalue(val);
  return val;
}

/* generic search function */
static const TObject *luaH_getany(Table *t, const TObject *key) {
  if (ttisnil(key))
    return &luaO_nilobject;
  else {
    Node *n = luaH_mainposition(t, key);
    do { /* check whether `key' is somewhere in the chain */
      if (luaO_rawequalObj(gkey(n), key))
        return gval(n); /* that's it */
      else
        n = n->next;
    } while (n);
    return &luaO_nilobject;
  }
}

/* search function for integers */
const TObject *luaH_getnum(Table *t, int key) {
  if (cast(unsigned int, key) - 1u < cast(unsigned int, t->sizearray))
    return &t->array[key - 1];
  else {
    lua_Number nk = cast(lua_Number, key);
    Node *n = hashnum(t, nk);
    do { /* check whether `key' is somewhere in the chain */
      if (ttisnumber(gkey(n)) && nvalue(gkey(n)) == nk)
        return gval(n); /* that's it */
      else
        n = n->next;
    } while (n);
    return &luaO_nilobject;
  }
}

/* search function for strings */
const TObject *luaH_getstr(Table *t, LString *key) {
  Node *n = hashstr(t, key);
  do { /* check whether `key' is somewhere in the chain */
    if (ttisstring(gkey(n)) && tsvalue(gkey(n)) == key)
      return gval(n); /* that's it */
    else
      n = n->next;
  } while (n);
  return &luaO_nilobject;
}

/* main search function */
const TObject *luaH_get(Table *t, const TObject *key) {
  switch (ttype(key)) {
    case LUA_TSTRING:
      return luaH_getstr(t, tsvalue(key));
    case LUA_TNUMBER: {
      lua_Number n = nvalue(key);
      if (n >= -2147483647.0 && n <= 2147483647.0) {
        int k = (int)n;
        if (cast(lua_Number, k) == n) /* is an integer index? */
          return luaH_getnum(t, k);   /* use specialized version */
      }
      return luaH_getany(t, key);
    }
    default:
      return luaH_getany(t, key);
  }
}

TObject *luaH_set(lua_State *L, Table *t, const TObject *key) {
  const TObject *p = luaH_get(t, key);
  t->flags = 0;
  if (p != &luaO_nilobject)
    return cast(TObject *, p);
  else {
    if (ttisnil(key))
      luaG_runerror(L, "table index is nil");
    else if (ttisnumber(key) && nvalue(key) != nvalue(key))
      luaG_runerror(L, "table index is NaN");
    return newkey(L, t, key);
  }
}

TObject *luaH_setnum(lua_State *L, Table *t, int key) {
  const TObject *p = luaH_getnum(t, key);
  if (p != &luaO_nilobject)
    return cast(TObject *, p);
  else {
    TObject k;
    setnvalue(&k, cast(lua_Number, key));
    return newkey(L, t, &k);
  }
}

int luaH_maxn(Table *t) {
  lua_Number max = 0;
  int i = t->sizearray;
  while (i > 0 && ttisnil(&t->array[i - 1])) i--;
  max = i;
  for (i = sizenode(t) - 1; i >= 0; i--) {
    Node *n = gnode(t, i);
    if (!ttisnil(gval(n)) && ttisnumber(gkey(n)) && nvalue(gkey(n)) > max) max = nvalue(gkey(n));
  }
  if (max >= 2147483647.0) return INT_MAX;
  return (int)max; /* truncated toward zero */
}
