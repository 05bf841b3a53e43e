/*
** Table library: getn/setn (the auxiliary library's size rules), insert, remove, sort,
** concat, foreach and foreachi. Sizes follow luaL_getn, so a table's "n" field or its
** recorded size counts before its contents.
*/
#include <stddef.h>
#include <stdio.h>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"

#define aux_getn(L, n) (luaL_checktype(L, n, LUA_TTABLE), luaL_getn(L, n))

/* ======================================================================================
** Walk bounds: a size set through setn or "n", or a far position, can name billions of
** slots a table does not have, and one native call would step through them all, out of
** reach of any instruction or memory budget. A walk may pass the table's entries by a
** margin (a size a little larger than the contents is ordinary); beyond that it is refused.
** ====================================================================================== */

#define WALK_MARGIN (1 << 16)

/* the count of entries in the table at t (every key, not only the array part) */
static long long countentries(lua_State *L, int t) {
  long long n = 0;
  lua_pushnil(L);
  while (lua_next(L, t) != 0) {
    lua_pop(L, 1);  /* keep the key for the next step */
    n++;
  }
  return n;
}

/* true when a walk of `steps' slots over table t stays within its entries and the margin;
   the table is only counted for long walks, so short ones cost nothing */
static int walkfits(lua_State *L, int t, long long steps) {
  if (steps <= WALK_MARGIN) return 1;
  return steps <= countentries(L, t) + WALK_MARGIN;
}

static void checksizewalk(lua_State *L, int t, long long steps) {
  if (!walkfits(L, t, steps)) luaL_error(L, "table size out of range");
}

static int luaB_foreachi(lua_State *L) {
  int n = aux_getn(L, 1);
  luaL_checktype(L, 2, LUA_TFUNCTION);
  checksizewalk(L, 1, n);
  for (int i = 1; i <= n; i++) {
    lua_pushvalue(L, 2);  /* function */
    lua_pushnumber(L, (lua_Number)i);  /* 1st argument */
    lua_rawgeti(L, 1, i);  /* 2nd argument */
    lua_call(L, 2, 1);
    if (!lua_isnil(L, -1)) return 1;
    lua_pop(L, 1);  /* remove nil result */
  }
  return 0;
}

static int luaB_foreach(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checktype(L, 2, LUA_TFUNCTION);
  lua_pushnil(L);  /* first key */
  for (;;) {
    if (lua_next(L, 1) == 0) return 0;
    lua_pushvalue(L, 2);  /* function */
    lua_pushvalue(L, -3);  /* key */
    lua_pushvalue(L, -3);  /* value */
    lua_call(L, 2, 1);
    if (!lua_isnil(L, -1)) return 1;
    lua_pop(L, 2);  /* remove value and result */
  }
}

static int luaB_getn(lua_State *L) {
  lua_pushnumber(L, (lua_Number)aux_getn(L, 1));
  return 1;
}

static int luaB_setn(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_setn(L, 1, luaL_checkint(L, 2));
  return 0;
}

static int luaB_tinsert(lua_State *L) {
  int v = lua_gettop(L);  /* number of arguments */
  int e = aux_getn(L, 1);
  if (e == 2147483647) return luaL_error(L, "table overflow");
  int n = e + 1;
  int pos;  /* where to insert the new element */
  if (v == 2) {  /* called with only 2 arguments */
    pos = n;  /* insert the new element at the end */
  } else {
    pos = luaL_checkint(L, 2);  /* 2nd argument is the position */
    if (pos > n) n = pos;  /* grow the array if necessary */
    v = 3;  /* the function may be called with more than 3 arguments */
    /* elements n-1 .. pos move up */
    if (!walkfits(L, 1, (long long)n - pos)) luaL_argerror(L, 2, "position out of range");
  }
  luaL_setn(L, 1, n);  /* new size */
  while (--n >= pos) {  /* move up elements */
    lua_rawgeti(L, 1, n);
    lua_rawseti(L, 1, n + 1);  /* t[n+1] = t[n] */
  }
  lua_pushvalue(L, v);
  lua_rawseti(L, 1, pos);  /* t[pos] = v */
  return 0;
}

/* a position outside 1..n removes nothing (and keeps the size), so no element is lost */
static int luaB_tremove(lua_State *L) {
  int n = aux_getn(L, 1);
  int pos = luaL_optint(L, 2, n);
  if (n <= 0 || pos < 1 || pos > n) return 0;  /* nothing to remove */
  checksizewalk(L, 1, (long long)n - pos);
  luaL_setn(L, 1, n - 1);  /* t.n = n-1 */
  lua_rawgeti(L, 1, pos);  /* result = t[pos] */
  for (; pos < n; pos++) {
    lua_rawgeti(L, 1, pos + 1);
    lua_rawseti(L, 1, pos);  /* t[pos] = t[pos+1] */
  }
  lua_pushnil(L);
  lua_rawseti(L, 1, n);  /* t[n] = nil */
  return 1;
}

static int str_concat(lua_State *L) {
  luaL_Buffer b;
  size_t lsep;
  const char *sep = luaL_optlstring(L, 2, "", &lsep);
  long long i = luaL_optint(L, 3, 1);
  long long n = luaL_optint(L, 4, 0);
  luaL_checktype(L, 1, LUA_TTABLE);
  if (n == 0) n = luaL_getn(L, 1);
  /* The length first: a result too long is refused before any of it is built, and a result
     that fits is built in one block. Errors come in the order building would meet them. */
  size_t total = 0;
  for (long long k = i; k <= n; k++) {
    lua_rawgeti(L, 1, (int)k);
    int t = lua_type(L, -1);
    luaL_argcheck(L, t == LUA_TSTRING || t == LUA_TNUMBER, 1, "table contains non-strings");
    size_t l;
    if (t == LUA_TSTRING) {
      l = lua_strlen(L, -1);
    } else {  /* the length of its text, without converting the table's value */
      char num[64];
      l = (size_t)snprintf(num, sizeof(num), LUA_NUMBER_FMT, (double)lua_tonumber(L, -1));
    }
    lua_pop(L, 1);
    if (k != n) {
      if (lsep > LUAL_MAXRESULT - l) l = LUAL_MAXRESULT + 1;
      else l += lsep;
    }
    if (l > LUAL_MAXRESULT - total) return luaL_error(L, "resulting string too large");
    total += l;
  }
  luaL_buffinit(L, &b);
  luaL_prepbuffsize(&b, total);
  for (; i <= n; i++) {
    lua_rawgeti(L, 1, (int)i);
    luaL_addvalue(&b);
    if (i != n) luaL_addlstring(&b, sep, lsep);
  }
  luaL_pushresult(&b);
  return 1;
}

/* ======================================================================================
** Quicksort (median of three, smaller half by recursion)
** ====================================================================================== */

static void set2(lua_State *L, int i, int j) {
  lua_rawseti(L, 1, i);
  lua_rawseti(L, 1, j);
}

static int sort_comp(lua_State *L, int a, int b) {
  if (!lua_isnil(L, 2)) {  /* a comparison function? */
    lua_pushvalue(L, 2);
    lua_pushvalue(L, a - 1);  /* -1 to compensate for the function */
    lua_pushvalue(L, b - 2);  /* -2 to compensate for the function and `a' */
    lua_call(L, 2, 1);
    int res = lua_toboolean(L, -1);
    lua_pop(L, 1);
    return res;
  }
  return lua_lessthan(L, a, b);  /* a < b? */
}

static void auxsort(lua_State *L, int l, int u) {
  while (l < u) {  /* for tail recursion */
    int i, j;
    /* sort elements a[l], a[(l+u)/2] and a[u] */
    lua_rawgeti(L, 1, l);
    lua_rawgeti(L, 1, u);
    if (sort_comp(L, -1, -2))  /* a[u] < a[l]? */
      set2(L, l, u);  /* swap a[l] - a[u] */
    else
      lua_pop(L, 2);
    if (u - l == 1) break;  /* only 2 elements */
    i = l + (u - l) / 2;
    lua_rawgeti(L, 1, i);
    lua_rawgeti(L, 1, l);
    if (sort_comp(L, -2, -1)) {  /* a[i] < a[l]? */
      set2(L, i, l);
    } else {
      lua_pop(L, 1);  /* remove a[l] */
      lua_rawgeti(L, 1, u);
      if (sort_comp(L, -1, -2))  /* a[u] < a[i]? */
        set2(L, i, u);
      else
        lua_pop(L, 2);
    }
    if (u - l == 2) break;  /* only 3 elements */
    lua_rawgeti(L, 1, i);  /* pivot */
    lua_pushvalue(L, -1);
    lua_rawgeti(L, 1, u - 1);
    set2(L, i, u - 1);
    /* a[l] <= P == a[u-1] <= a[u], only need to sort from l+1 to u-2 */
    i = l;
    j = u - 1;
    for (;;) {  /* invariant: a[l..i] <= P <= a[j..u] */
      /* repeat ++i until a[i] >= P */
      while (lua_rawgeti(L, 1, ++i), sort_comp(L, -1, -2)) {
        if (i > u) luaL_error(L, "invalid order function for sorting");
        lua_pop(L, 1);  /* remove a[i] */
      }
      /* repeat --j until a[j] <= P */
      while (lua_rawgeti(L, 1, --j), sort_comp(L, -3, -1)) {
        if (j < l) luaL_error(L, "invalid order function for sorting");
        lua_pop(L, 1);  /* remove a[j] */
      }
      if (j < i) {
        lua_pop(L, 3);  /* pop pivot, a[i], a[j] */
        break;
      }
      set2(L, i, j);
    }
    lua_rawgeti(L, 1, u - 1);
    lua_rawgeti(L, 1, i);
    set2(L, u - 1, i);  /* swap pivot (a[u-1]) with a[i] */
    /* a[l..i-1] <= a[i] == P <= a[i+1..u]; recurse into the smaller half */
    if (i - l < u - i) {
      j = l;
      i = i - 1;
      l = i + 2;
    } else {
      j = i + 1;
      i = u;
      u = j - 2;
    }
    auxsort(L, j, i);  /* the smaller half */
  }  /* repeat the routine for the larger one */
}

static int luaB_sort(lua_State *L) {
  int n = aux_getn(L, 1);
  luaL_checkstack(L, 40, "");  /* assume the array is smaller than 2^40 */
  if (!lua_isnoneornil(L, 2))  /* is there a 2nd argument? */
    luaL_checktype(L, 2, LUA_TFUNCTION);
  checksizewalk(L, 1, n);
  lua_settop(L, 2);  /* make sure there are two arguments */
  auxsort(L, 1, n);
  return 0;
}

static const luaL_reg tab_funcs[] = {
    {"concat", str_concat},   {"foreach", luaB_foreach}, {"foreachi", luaB_foreachi},
    {"getn", luaB_getn},      {"setn", luaB_setn},       {"sort", luaB_sort},
    {"insert", luaB_tinsert}, {"remove", luaB_tremove},  {NULL, NULL}};

LUALIB_API int luaopen_table(lua_State *L) {
  luaL_openlib(L, LUA_TABLIBNAME, tab_funcs, 0);
  return 1;
}
