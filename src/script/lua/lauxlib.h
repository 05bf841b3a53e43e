/*
** Auxiliary library: helpers that library and host code build on top of the public API
** (argument checks, error messages with a position, references, chunk loading, string
** buffers, the table size rules). Uses only lua.h.
*/
#ifndef lauxlib_h
#define lauxlib_h

#include <stddef.h>
#include <stdio.h>

#include "lua.h"

#ifndef LUALIB_API
#define LUALIB_API LUA_API
#endif

typedef struct luaL_reg {
  const char *name;
  lua_CFunction func;
} luaL_reg;

LUALIB_API void luaL_openlib(lua_State *L, const char *libname, const luaL_reg *l, int nup);
LUALIB_API int luaL_getmetafield(lua_State *L, int obj, const char *e);
LUALIB_API int luaL_callmeta(lua_State *L, int obj, const char *e);
LUALIB_API int luaL_typerror(lua_State *L, int narg, const char *tname);
LUALIB_API int luaL_argerror(lua_State *L, int numarg, const char *extramsg);
LUALIB_API const char *luaL_checklstring(lua_State *L, int numArg, size_t *l);
LUALIB_API const char *luaL_optlstring(lua_State *L, int numArg, const char *def, size_t *l);
LUALIB_API lua_Number luaL_checknumber(lua_State *L, int numArg);
LUALIB_API lua_Number luaL_optnumber(lua_State *L, int nArg, lua_Number def);

LUALIB_API void luaL_checkstack(lua_State *L, int sz, const char *msg);
LUALIB_API void luaL_checktype(lua_State *L, int narg, int t);
LUALIB_API void luaL_checkany(lua_State *L, int narg);

LUALIB_API int luaL_newmetatable(lua_State *L, const char *tname);
LUALIB_API void luaL_getmetatable(lua_State *L, const char *tname);
LUALIB_API void *luaL_checkudata(lua_State *L, int ud, const char *tname);

LUALIB_API void luaL_where(lua_State *L, int lvl);
LUALIB_API int luaL_error(lua_State *L, const char *fmt, ...);

LUALIB_API int luaL_findstring(const char *st, const char *const lst[]);

LUALIB_API int luaL_ref(lua_State *L, int t);
LUALIB_API void luaL_unref(lua_State *L, int t, int ref);

LUALIB_API int luaL_getn(lua_State *L, int t);
LUALIB_API void luaL_setn(lua_State *L, int t, int n);

LUALIB_API int luaL_loadfile(lua_State *L, const char *filename);
LUALIB_API int luaL_loadbuffer(lua_State *L, const char *buff, size_t sz, const char *name);

/* the wide-string argument check: units of a wide string (numbers are converted in place) */
LUALIB_API const lua_WChar *luaL_checklwstring(lua_State *L, int numArg, size_t *l);

/* reference values that never name a registry slot */
#define LUA_NOREF (-2)
#define LUA_REFNIL (-1)

/* ---- useful macros ---- */
#define luaL_argcheck(L, cond, numarg, extramsg) \
  if (!(cond)) luaL_argerror(L, numarg, extramsg)
#define luaL_checkstring(L, n) (luaL_checklstring(L, (n), NULL))
#define luaL_optstring(L, n, d) (luaL_optlstring(L, (n), (d), NULL))
#define luaL_checkint(L, n) (luaL_num2int(luaL_checknumber(L, n)))
#define luaL_checklong(L, n) (luaL_num2long(luaL_checknumber(L, n)))
#define luaL_optint(L, n, d) (luaL_num2int(luaL_optnumber(L, n, (lua_Number)(d))))
#define luaL_optlong(L, n, d) (luaL_num2long(luaL_optnumber(L, n, (lua_Number)(d))))

/* number to integer toward zero, clamped to the target range (NaN gives 0): a plain cast
   of an out-of-range double is undefined */
inline int luaL_num2int(lua_Number d) {
  if (!(d == d)) return 0;
  if (d >= 2147483647.0) return 2147483647;
  if (d <= -2147483648.0) return -2147483647 - 1;
  return (int)d;
}

inline long luaL_num2long(lua_Number d) {
  if (!(d == d)) return 0;
  if (d >= 9223372036854775808.0) return 9223372036854775807L;
  if (d <= -9223372036854775808.0) return -9223372036854775807L - 1;
  return (long)d;
}

/*
** String buffers. The bytes are gathered in one block that starts in the fixed area and moves
** to a block from the state's allocator, doubling as it fills, so building a string of n bytes
** costs O(n). The block is freed when the result is pushed, or by the destructor when an error
** unwinds past the buffer. A buffer never holds more than LUAL_MAXRESULT bytes: growing past that
** is the error "resulting string too large", raised before anything that large is allocated.
** Nothing is kept on the stack while a buffer is in use. In wide mode the bytes written are
** 16-bit units (two bytes each, machine order) and the result is a wide string.
*/
#ifndef LUAL_BUFFERSIZE
#define LUAL_BUFFERSIZE 512
#endif

/* the longest string a buffer (and so any library function) builds, in bytes */
#define LUAL_MAXRESULT ((size_t)0x7FFFFFFE)

typedef struct luaL_Buffer {
  char *p;    /* current position in buffer */
  char *b;    /* start of the bytes: `initb' or a block from the allocator */
  char *end;  /* end of the usable bytes */
  int wide;   /* 1 when the result is a wide string */
  lua_State *L;
  alignas(lua_WChar) char initb[LUAL_BUFFERSIZE];

  luaL_Buffer() : p(initb), b(initb), end(initb + LUAL_BUFFERSIZE), wide(0), L(nullptr) {}
  luaL_Buffer(const luaL_Buffer &) = delete;
  luaL_Buffer &operator=(const luaL_Buffer &) = delete;
  ~luaL_Buffer();
} luaL_Buffer;

#define luaL_putchar(B, c) \
  ((void)((B)->p < (B)->end || luaL_prepbuffsize((B), 1)), (*(B)->p++ = (char)(c)))

#define luaL_addsize(B, n) ((B)->p += (n))
#define luaL_bufflen(B) ((size_t)((B)->p - (B)->b))

LUALIB_API void luaL_buffinit(lua_State *L, luaL_Buffer *B);
LUALIB_API void luaL_wbuffinit(lua_State *L, luaL_Buffer *B);
LUALIB_API char *luaL_prepbuffer(luaL_Buffer *B);
/* room for `sz' more bytes; returns where they go */
LUALIB_API char *luaL_prepbuffsize(luaL_Buffer *B, size_t sz);
LUALIB_API void luaL_addlstring(luaL_Buffer *B, const char *s, size_t l);
LUALIB_API void luaL_addstring(luaL_Buffer *B, const char *s);
LUALIB_API void luaL_addlwstring(luaL_Buffer *B, const lua_WChar *s, size_t l);
LUALIB_API void luaL_addvalue(luaL_Buffer *B);
LUALIB_API void luaL_pushresult(luaL_Buffer *B);

/* ---- the older "do" entry points: load and run, reporting errors through _ALERT ---- */
LUALIB_API int lua_dofile(lua_State *L, const char *filename);
LUALIB_API int lua_dostring(lua_State *L, const char *str);
LUALIB_API int lua_dobuffer(lua_State *L, const char *buff, size_t sz, const char *n);

#endif
