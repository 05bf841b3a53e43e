/*
** Auxiliary library: argument checking with the standard messages, error positions,
** the reference system, the table size rules ("n" field, then a weak size table, then
** counting), chunk loading from files and memory, and string buffers (narrow and wide).
*/
#include <ctype.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lauxlib.h"
#include "lua.h"
#include "lapi.h"
#include "lmem.h"
#include "lobject.h"

/* the registry slots the reference system and the size table use */
#define FREELIST_REF 1
#define ARRAYSIZE_REF 2
#define RESERVED_REFS 2

#define abs_index(L, i) ((i) > 0 || (i) <= LUA_REGISTRYINDEX ? (i) : lua_gettop(L) + (i) + 1)

/* ======================================================================================
** Error reporting
** ====================================================================================== */

LUALIB_API int luaL_argerror(lua_State *L, int narg, const char *extramsg) {
  lua_Debug ar;
  if (!lua_getstack(L, 0, &ar))  /* no stack frame? */
    return luaL_error(L, "bad argument #%d (%s)", narg, extramsg);
  lua_getinfo(L, "n", &ar);
  if (ar.namewhat != NULL && strcmp(ar.namewhat, "method") == 0) {
    narg--;
    if (narg == 0)  /* error is in the self argument itself */
      return luaL_error(L, "calling `%s' on bad self (%s)", ar.name, extramsg);
  }
  if (ar.name == NULL) ar.name = "?";
  return luaL_error(L, "bad argument #%d to `%s' (%s)", narg, ar.name, extramsg);
}

LUALIB_API int luaL_typerror(lua_State *L, int narg, const char *tname) {
  const char *msg =
      lua_pushfstring(L, "%s expected, got %s", tname, lua_typename(L, lua_type(L, narg)));
  return luaL_argerror(L, narg, msg);
}

static void tag_error(lua_State *L, int narg, int tag) {
  luaL_typerror(L, narg, lua_typename(L, tag));
}

LUALIB_API void luaL_where(lua_State *L, int level) {
  lua_Debug ar;
  if (lua_getstack(L, level, &ar)) {  /* check function at level */
    lua_getinfo(L, "Snl", &ar);
    if (ar.currentline > 0) {  /* is there line information? */
      lua_pushfstring(L, "%s:%d: ", ar.short_src, ar.currentline);
      return;
    }
  }
  lua_pushliteral(L, "");  /* no information available */
}

LUALIB_API int luaL_error(lua_State *L, const char *fmt, ...) {
  va_list argp;
  va_start(argp, fmt);
  luaL_where(L, 1);
  lua_pushvfstring(L, fmt, argp);
  va_end(argp);
  lua_concat(L, 2);
  return lua_error(L);
}

/* ======================================================================================
** Argument checks
** ====================================================================================== */

LUALIB_API int luaL_findstring(const char *name, const char *const list[]) {
  for (int i = 0; list[i]; i++)
    if (strcmp(list[i], name) == 0) return i;
  return -1;  /* name not found */
}

LUALIB_API int luaL_newmetatable(lua_State *L, const char *tname) {
  lua_pushstring(L, tname);
  lua_rawget(L, LUA_REGISTRYINDEX);  /* get registry.name */
  if (!lua_isnil(L, -1))  /* name already in use? */
    return 0;  /* leave previous value on top, but return 0 */
  lua_pop(L, 1);
  lua_newtable(L);  /* create metatable */
  lua_pushstring(L, tname);
  lua_pushvalue(L, -2);
  lua_rawset(L, LUA_REGISTRYINDEX);  /* registry.name = metatable */
  lua_pushvalue(L, -1);
  lua_pushstring(L, tname);
  lua_rawset(L, LUA_REGISTRYINDEX);  /* registry[metatable] = name */
  return 1;
}

LUALIB_API void luaL_getmetatable(lua_State *L, const char *tname) {
  lua_pushstring(L, tname);
  lua_rawget(L, LUA_REGISTRYINDEX);
}

LUALIB_API void *luaL_checkudata(lua_State *L, int ud, const char *tname) {
  const char *tn;
  if (!lua_getmetatable(L, ud)) return NULL;  /* no metatable? */
  lua_rawget(L, LUA_REGISTRYINDEX);  /* get registry[metatable] */
  tn = lua_tostring(L, -1);
  if (tn && (strcmp(tn, tname) == 0)) {
    lua_pop(L, 1);
    return lua_touserdata(L, ud);
  }
  lua_pop(L, 1);
  return NULL;
}

LUALIB_API void luaL_checkstack(lua_State *L, int space, const char *mes) {
  if (!lua_checkstack(L, space)) luaL_error(L, "stack overflow (%s)", mes);
}

LUALIB_API void luaL_checktype(lua_State *L, int narg, int t) {
  if (lua_type(L, narg) != t) tag_error(L, narg, t);
}

LUALIB_API void luaL_checkany(lua_State *L, int narg) {
  if (lua_type(L, narg) == LUA_TNONE) luaL_argerror(L, narg, "value expected");
}

LUALIB_API const char *luaL_checklstring(lua_State *L, int narg, size_t *len) {
  const char *s = lua_tostring(L, narg);
  if (!s) tag_error(L, narg, LUA_TSTRING);
  if (len) *len = lua_strlen(L, narg);
  return s;
}

LUALIB_API const char *luaL_optlstring(lua_State *L, int narg, const char *def, size_t *len) {
  if (lua_isnoneornil(L, narg)) {
    if (len) *len = (def ? strlen(def) : 0);
    return def;
  }
  return luaL_checklstring(L, narg, len);
}

LUALIB_API const lua_WChar *luaL_checklwstring(lua_State *L, int narg, size_t *len) {
  const lua_WChar *s = lua_towstring(L, narg);
  if (!s) tag_error(L, narg, LUA_TWSTRING);
  if (len) *len = lua_strlen(L, narg);
  return s;
}

LUALIB_API lua_Number luaL_checknumber(lua_State *L, int narg) {
  lua_Number d = lua_tonumber(L, narg);
  if (d == 0 && !lua_isnumber(L, narg))  /* avoid extra test when d is not 0 */
    tag_error(L, narg, LUA_TNUMBER);
  return d;
}

LUALIB_API lua_Number luaL_optnumber(lua_State *L, int narg, lua_Number def) {
  if (lua_isnoneornil(L, narg)) return def;
  return luaL_checknumber(L, narg);
}

LUALIB_API int luaL_getmetafield(lua_State *L, int obj, const char *event) {
  if (!lua_getmetatable(L, obj))  /* no metatable? */
    return 0;
  lua_pushstring(L, event);
  lua_rawget(L, -2);
  if (lua_isnil(L, -1)) {
    lua_pop(L, 2);  /* remove metatable and metafield */
    return 0;
  }
  lua_remove(L, -2);  /* remove only metatable */
  return 1;
}

LUALIB_API int luaL_callmeta(lua_State *L, int obj, const char *event) {
  obj = abs_index(L, obj);
  if (!luaL_getmetafield(L, obj, event))  /* no metafield? */
    return 0;
  lua_pushvalue(L, obj);
  lua_call(L, 1, 1);
  return 1;
}

LUALIB_API void luaL_openlib(lua_State *L, const char *libname, const luaL_reg *l, int nup) {
  if (libname) {
    lua_pushstring(L, libname);
    lua_gettable(L, LUA_GLOBALSINDEX);  /* check whether lib already exists */
    if (lua_isnil(L, -1)) {
      lua_pop(L, 1);
      lua_newtable(L);
      lua_pushstring(L, libname);
      lua_pushvalue(L, -2);
      lua_settable(L, LUA_GLOBALSINDEX);  /* register it with the given name */
    }
    lua_insert(L, -(nup + 1));  /* move library table below the upvalues */
  }
  for (; l->name; l++) {
    lua_pushstring(L, l->name);
    for (int i = 0; i < nup; i++)  /* copy upvalues to the top */
      lua_pushvalue(L, -(nup + 1));
    lua_pushcclosure(L, l->func, nup);
    lua_settable(L, -(nup + 3));
  }
  lua_pop(L, nup);  /* remove upvalues */
}

/* ======================================================================================
** Table sizes: the "n" field when it holds a number, else the entry of the weak-keyed
** size table kept in the registry, else the count of non-nil items from 1.
** ====================================================================================== */

/* reads the number on the top as a size (-1 when it is not a number) and pops `topop' */
static int checkint(lua_State *L, int topop) {
  int n = -1;
  if (lua_isnumber(L, -1)) {
    lua_Number d = lua_tonumber(L, -1);
    if (d >= 0 && d < 2147483647.0) n = (int)d;
    else if (d >= 2147483647.0) n = 2147483647;
  }
  lua_pop(L, topop);
  return n;
}

static void getsizes(lua_State *L) {
  lua_rawgeti(L, LUA_REGISTRYINDEX, ARRAYSIZE_REF);
  if (lua_isnil(L, -1)) {  /* no size table yet? */
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -1);  /* the size table is its own metatable */
    lua_setmetatable(L, -2);
    lua_pushliteral(L, "__mode");
    lua_pushliteral(L, "k");
    lua_rawset(L, -3);  /* metatable(sizes).__mode = "k" */
    lua_pushvalue(L, -1);
    lua_rawseti(L, LUA_REGISTRYINDEX, ARRAYSIZE_REF);
  }
}

LUALIB_API void luaL_setn(lua_State *L, int t, int n) {
  t = abs_index(L, t);
  lua_pushliteral(L, "n");
  lua_rawget(L, t);
  if (checkint(L, 1) >= 0) {  /* is there a numeric field "n"? use it */
    lua_pushliteral(L, "n");
    lua_pushnumber(L, (lua_Number)n);
    lua_rawset(L, t);
  } else {  /* use the size table */
    getsizes(L);
    lua_pushvalue(L, t);
    lua_pushnumber(L, (lua_Number)n);
    lua_rawset(L, -3);  /* sizes[t] = n */
    lua_pop(L, 1);
  }
}

LUALIB_API int luaL_getn(lua_State *L, int t) {
  int n;
  t = abs_index(L, t);
  lua_pushliteral(L, "n");  /* try t.n */
  lua_rawget(L, t);
  if ((n = checkint(L, 1)) >= 0) return n;
  getsizes(L);  /* else try sizes[t] */
  lua_pushvalue(L, t);
  lua_rawget(L, -2);
  if ((n = checkint(L, 2)) >= 0) return n;
  for (n = 1;; n++) {  /* else count the elements */
    lua_rawgeti(L, t, n);
    if (lua_isnil(L, -1)) break;
    lua_pop(L, 1);
  }
  lua_pop(L, 1);
  return n - 1;
}

/* ======================================================================================
** References: free slots are chained from t[FREELIST_REF]
** ====================================================================================== */

LUALIB_API int luaL_ref(lua_State *L, int t) {
  int ref;
  t = abs_index(L, t);
  if (lua_isnil(L, -1)) {
    lua_pop(L, 1);
    return LUA_REFNIL;  /* nil has a fixed reference */
  }
  lua_rawgeti(L, t, FREELIST_REF);  /* first free element */
  ref = (int)lua_tonumber(L, -1);
  lua_pop(L, 1);
  if (ref != 0) {  /* any free element? take it off the list */
    lua_rawgeti(L, t, ref);
    lua_rawseti(L, t, FREELIST_REF);  /* t[FREELIST_REF] = t[ref] */
  } else {  /* no free elements: a new one past the end */
    ref = luaL_getn(L, t);
    if (ref < RESERVED_REFS) ref = RESERVED_REFS;
    ref++;
    luaL_setn(L, t, ref);
  }
  lua_rawseti(L, t, ref);
  return ref;
}

LUALIB_API void luaL_unref(lua_State *L, int t, int ref) {
  if (ref >= 0) {
    t = abs_index(L, t);
    lua_rawgeti(L, t, FREELIST_REF);
    lua_rawseti(L, t, ref);  /* t[ref] = t[FREELIST_REF] */
    lua_pushnumber(L, (lua_Number)ref);
    lua_rawseti(L, t, FREELIST_REF);  /* t[FREELIST_REF] = ref */
  }
}

/* ======================================================================================
** String buffers
** ====================================================================================== */

/* A buffer that outgrows its fixed area moves to a block laid out as a narrow string: room for
   the string header, the bytes, and one more for the ending 0. The result then becomes a
   string without a copy (luaS_adoptlstr). */
#define HEADER sizeof(LString)
#define blocksize(B) (HEADER + (size_t)((B)->end - (B)->b) + 1)

static void freeblock(luaL_Buffer *B) {
  if (B->b != B->initb) {
    luaM_free(B->L, B->b - HEADER, (lu_mem)blocksize(B));
    B->b = B->initb;
  }
  B->p = B->initb;
  B->end = B->initb + LUAL_BUFFERSIZE;
}

luaL_Buffer::~luaL_Buffer() {
  if (b != initb) freeblock(this);
}

/* moves the bytes to a block with room for `size' bytes */
static void resizeblock(luaL_Buffer *B, size_t size) {
  size_t used = luaL_bufflen(B);
  char *block;
  if (B->b == B->initb) {
    block = static_cast<char *>(luaM_realloc(B->L, NULL, 0, (lu_mem)(HEADER + size + 1)));
    memcpy(block + HEADER, B->b, used);
  } else {
    block = static_cast<char *>(luaM_realloc(B->L, B->b - HEADER, (lu_mem)blocksize(B),
                                             (lu_mem)(HEADER + size + 1)));
  }
  B->b = block + HEADER;
  B->p = B->b + used;
  B->end = B->b + size;
}

LUALIB_API char *luaL_prepbuffsize(luaL_Buffer *B, size_t sz) {
  if ((size_t)(B->end - B->p) >= sz) return B->p;
  size_t used = luaL_bufflen(B);
  if (sz > LUAL_MAXRESULT - used) luaL_error(B->L, "resulting string too large");
  size_t size = (size_t)(B->end - B->b);
  size_t newsize = size <= LUAL_MAXRESULT / 2 ? 2 * size : LUAL_MAXRESULT;
  if (newsize < used + sz) newsize = used + sz;
  resizeblock(B, newsize);
  return B->p;
}

LUALIB_API char *luaL_prepbuffer(luaL_Buffer *B) { return luaL_prepbuffsize(B, LUAL_BUFFERSIZE); }

LUALIB_API void luaL_addlstring(luaL_Buffer *B, const char *s, size_t l) {
  if (l == 0) return;
  memcpy(luaL_prepbuffsize(B, l), s, l);
  B->p += l;
}

LUALIB_API void luaL_addstring(luaL_Buffer *B, const char *s) {
  luaL_addlstring(B, s, strlen(s));
}

LUALIB_API void luaL_addlwstring(luaL_Buffer *B, const lua_WChar *s, size_t l) {
  if (l > LUAL_MAXRESULT / sizeof(lua_WChar)) luaL_error(B->L, "resulting string too large");
  luaL_addlstring(B, reinterpret_cast<const char *>(s), l * sizeof(lua_WChar));
}

LUALIB_API void luaL_pushresult(luaL_Buffer *B) {
  size_t l = luaL_bufflen(B);
  if (B->wide) {
    lua_WChar *units = reinterpret_cast<lua_WChar *>(B->b);  /* both kinds of block are aligned */
    lua_pushlwstring(B->L, units, l / sizeof(lua_WChar));
  } else if (B->b == B->initb) {
    lua_pushlstring(B->L, B->b, l);
  } else {
    if (B->p != B->end) resizeblock(B, l);  /* the string's exact size */
    char *block = B->b - HEADER;
    B->b = B->initb;  /* from here on the string owns the block */
    luaA_pushadopted(B->L, block, l);
  }
  freeblock(B);
}

LUALIB_API void luaL_addvalue(luaL_Buffer *B) {
  lua_State *L = B->L;
  const char *s = lua_tostring(L, -1);
  if (s == NULL)  /* only narrow strings and numbers have bytes to add */
    luaL_error(L, "invalid value (a %s) added to a string buffer", lua_typename(L, lua_type(L, -1)));
  luaL_addlstring(B, s, lua_strlen(L, -1));  /* the value stays anchored on the stack meanwhile */
  lua_pop(L, 1);
}

LUALIB_API void luaL_buffinit(lua_State *L, luaL_Buffer *B) {
  if (B->b != B->initb) freeblock(B);  /* a buffer used before and left unfinished */
  B->L = L;
  B->p = B->b = B->initb;
  B->end = B->initb + LUAL_BUFFERSIZE;
  B->wide = 0;
}

LUALIB_API void luaL_wbuffinit(lua_State *L, luaL_Buffer *B) {
  luaL_buffinit(L, B);
  B->wide = 1;
}

/* ======================================================================================
** Chunk loading
** ====================================================================================== */

namespace {

struct LoadF {
  FILE *f;
  char buff[LUAL_BUFFERSIZE];
};

struct LoadS {
  const char *s;
  size_t size;
};

}  // namespace

static const char *getF(lua_State *, void *ud, size_t *size) {
  LoadF *lf = static_cast<LoadF *>(ud);
  if (feof(lf->f)) return NULL;
  *size = fread(lf->buff, 1, LUAL_BUFFERSIZE, lf->f);
  return (*size > 0) ? lf->buff : NULL;
}

static int errfile(lua_State *L, const char *what, int fnameindex) {
  const char *filename = lua_tostring(L, fnameindex) + 1;
  lua_pushfstring(L, "cannot %s %s", what, filename);
  lua_remove(L, fnameindex);
  return LUA_ERRFILE;
}

LUALIB_API int luaL_loadfile(lua_State *L, const char *filename) {
  LoadF lf;
  int fnameindex = lua_gettop(L) + 1;  /* index of the file name on the stack */
  if (filename == NULL) {
    lua_pushliteral(L, "=stdin");
    lf.f = stdin;
  } else {
    lua_pushfstring(L, "@%s", filename);
    lf.f = fopen(filename, "rb");
  }
  if (lf.f == NULL) return errfile(L, "open", fnameindex);
  int status = lua_load(L, getF, &lf, lua_tostring(L, -1));
  int readstatus = ferror(lf.f);
  if (lf.f != stdin) fclose(lf.f);  /* close the file even after errors */
  if (readstatus) {
    lua_settop(L, fnameindex);  /* ignore the results of lua_load */
    return errfile(L, "read", fnameindex);
  }
  lua_remove(L, fnameindex);
  return status;
}

static const char *getS(lua_State *, void *ud, size_t *size) {
  LoadS *ls = static_cast<LoadS *>(ud);
  if (ls->size == 0) return NULL;
  *size = ls->size;
  ls->size = 0;
  return ls->s;
}

LUALIB_API int luaL_loadbuffer(lua_State *L, const char *buff, size_t size, const char *name) {
  LoadS ls;
  ls.s = buff;
  ls.size = size;
  return lua_load(L, getS, &ls, name);
}

/* ---- load and run, handing errors to _ALERT (or standard error without one) ---- */

static void printerror(const char *prefix, lua_State *L, int idx) {
  const char *msg = lua_tostring(L, idx);
  fprintf(stderr, "%s%s\n", prefix, msg ? msg : "(error object is not a string)");
}

/* _ALERT runs in protected mode: these entry points may be called with no protected call
   active, and an error raised by the handler itself must not end the process */
static void callalert(lua_State *L, int status) {
  if (status != 0) {
    lua_getglobal(L, "_ALERT");
    if (lua_isfunction(L, -1)) {
      lua_pushvalue(L, -2);  /* the message */
      if (lua_pcall(L, 1, 0, 0) != 0) {
        printerror("", L, -2);
        printerror("error in _ALERT: ", L, -1);
        lua_pop(L, 1);
      }
      lua_pop(L, 1);  /* the message */
    } else {
      printerror("", L, -2);
      lua_pop(L, 2);  /* remove error message and _ALERT */
    }
  }
}

static int aux_do(lua_State *L, int status) {
  if (status == 0) status = lua_pcall(L, 0, LUA_MULTRET, 0);
  callalert(L, status);
  return status;
}

LUALIB_API int lua_dofile(lua_State *L, const char *filename) {
  return aux_do(L, luaL_loadfile(L, filename));
}

LUALIB_API int lua_dobuffer(lua_State *L, const char *buff, size_t size, const char *name) {
  return aux_do(L, luaL_loadbuffer(L, buff, size, name));
}

LUALIB_API int lua_dostring(lua_State *L, const char *str) {
  return lua_dobuffer(L, str, strlen(str), str);
}
