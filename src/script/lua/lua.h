/*
** Public C API of the script runtime: the Lua 5.0 interface plus the host extensions
** (wide strings, per-type tables, boxed pointers, registry integer pseudo-indices, table size).
** Everything a native library or the framework binding needs is declared here.
*/
#ifndef lua_h
#define lua_h

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#define LUA_VERSION "Lua 5.0.2"

/* option for multiple returns in `lua_pcall' and `lua_call' */
#define LUA_MULTRET (-1)

/* pseudo-indices */
#define LUA_REGISTRYINDEX (-10000)
#define LUA_GLOBALSINDEX (-10001)
#define lua_upvalueindex(i) (LUA_GLOBALSINDEX - (i))
/* index -40001 and below: registry[-40000 - index] (integer keys, e.g. luaL_ref results) */
#define LUA_REGISTRYINTBASE (-40000)
#define lua_registryintindex(ref) (LUA_REGISTRYINTBASE - (ref))

/* error codes for `lua_load' and `lua_pcall' */
#define LUA_ERRRUN 1
#define LUA_ERRFILE 2
#define LUA_ERRSYNTAX 3
#define LUA_ERRMEM 4
#define LUA_ERRERR 5

typedef struct lua_State lua_State;

typedef int (*lua_CFunction)(lua_State *L);

/* functions that read/write blocks when loading/dumping chunks */
typedef const char *(*lua_Chunkreader)(lua_State *L, void *ud, size_t *sz);
typedef int (*lua_Chunkwriter)(lua_State *L, const void *p, size_t sz, void *ud);

/* the allocation function: (ud, old block, old size, new size) -> new block; release when new size is 0 */
typedef void *(*lua_Alloc)(void *ud, void *ptr, size_t osize, size_t nsize);

/* one 16-bit unit of a wide string */
typedef uint16_t lua_WChar;

/* basic types */
#define LUA_TNONE (-1)
#define LUA_TNIL 0
#define LUA_TBOOLEAN 1
#define LUA_TLIGHTUSERDATA 2
#define LUA_TNUMBER 3
#define LUA_TSTRING 4
#define LUA_TTABLE 5
#define LUA_TFUNCTION 6
#define LUA_TUSERDATA 7
#define LUA_TTHREAD 8
#define LUA_TWSTRING 9

/* minimum stack available to a C function */
#define LUA_MINSTACK 20

/* type of numbers */
typedef double lua_Number;
#define LUA_NUMBER_SCAN "%lf"
#define LUA_NUMBER_FMT "%.14g"

#define LUA_API extern

/* state manipulation */
LUA_API lua_State *lua_open(void);
LUA_API void lua_close(lua_State *L);
LUA_API lua_State *lua_newthread(lua_State *L);
LUA_API lua_CFunction lua_atpanic(lua_State *L, lua_CFunction panicf);

/* basic stack manipulation */
LUA_API int lua_gettop(lua_State *L);
LUA_API void lua_settop(lua_State *L, int idx);
LUA_API void lua_pushvalue(lua_State *L, int idx);
LUA_API void lua_remove(lua_State *L, int idx);
LUA_API void lua_insert(lua_State *L, int idx);
LUA_API void lua_replace(lua_State *L, int idx);
LUA_API int lua_checkstack(lua_State *L, int sz);
LUA_API void lua_xmove(lua_State *from, lua_State *to, int n);

/* access functions (stack -> C) */
LUA_API int lua_isnumber(lua_State *L, int idx);
LUA_API int lua_isstring(lua_State *L, int idx);
LUA_API int lua_iscfunction(lua_State *L, int idx);
LUA_API int lua_isuserdata(lua_State *L, int idx);
LUA_API int lua_type(lua_State *L, int idx);
LUA_API const char *lua_typename(lua_State *L, int tp);

LUA_API int lua_equal(lua_State *L, int idx1, int idx2);
LUA_API int lua_rawequal(lua_State *L, int idx1, int idx2);
LUA_API int lua_lessthan(lua_State *L, int idx1, int idx2);

LUA_API lua_Number lua_tonumber(lua_State *L, int idx);
LUA_API int lua_toboolean(lua_State *L, int idx);
LUA_API const char *lua_tostring(lua_State *L, int idx);
LUA_API size_t lua_strlen(lua_State *L, int idx);
LUA_API lua_CFunction lua_tocfunction(lua_State *L, int idx);
LUA_API void *lua_touserdata(lua_State *L, int idx);
LUA_API lua_State *lua_tothread(lua_State *L, int idx);
LUA_API const void *lua_topointer(lua_State *L, int idx);

/* push functions (C -> stack); each grows the stack when it runs out */
LUA_API void lua_pushnil(lua_State *L);
LUA_API void lua_pushnumber(lua_State *L, lua_Number n);
LUA_API void lua_pushlstring(lua_State *L, const char *s, size_t l);
LUA_API void lua_pushstring(lua_State *L, const char *s);
LUA_API const char *lua_pushvfstring(lua_State *L, const char *fmt, va_list argp);
LUA_API const char *lua_pushfstring(lua_State *L, const char *fmt, ...);
LUA_API void lua_pushcclosure(lua_State *L, lua_CFunction fn, int n);
LUA_API void lua_pushboolean(lua_State *L, int b);
LUA_API void lua_pushlightuserdata(lua_State *L, void *p);

/* get functions (Lua -> stack) */
LUA_API void lua_gettable(lua_State *L, int idx);
LUA_API void lua_rawget(lua_State *L, int idx);
LUA_API void lua_rawgeti(lua_State *L, int idx, int n);
LUA_API void lua_newtable(lua_State *L);
LUA_API void *lua_newuserdata(lua_State *L, size_t sz);
LUA_API int lua_getmetatable(lua_State *L, int objindex);
LUA_API void lua_getfenv(lua_State *L, int idx);

/* set functions (stack -> Lua) */
LUA_API void lua_settable(lua_State *L, int idx);
LUA_API void lua_rawset(lua_State *L, int idx);
LUA_API void lua_rawseti(lua_State *L, int idx, int n);
LUA_API int lua_setmetatable(lua_State *L, int objindex);
LUA_API int lua_setfenv(lua_State *L, int idx);

/* `load' and `call' functions (load and run Lua code) */
LUA_API void lua_call(lua_State *L, int nargs, int nresults);
LUA_API int lua_pcall(lua_State *L, int nargs, int nresults, int errfunc);
LUA_API int lua_cpcall(lua_State *L, lua_CFunction func, void *ud);
LUA_API int lua_load(lua_State *L, lua_Chunkreader reader, void *dt, const char *chunkname);
LUA_API int lua_dump(lua_State *L, lua_Chunkwriter writer, void *data);

/* coroutine functions */
LUA_API int lua_yield(lua_State *L, int nresults);
LUA_API int lua_resume(lua_State *L, int narg);

/* garbage-collection functions (counts in Kbytes) */
LUA_API int lua_getgcthreshold(lua_State *L);
LUA_API int lua_getgccount(lua_State *L);
LUA_API void lua_setgcthreshold(lua_State *L, int newthreshold);

/* miscellaneous functions */
LUA_API const char *lua_version(void);
LUA_API int lua_error(lua_State *L);
LUA_API int lua_next(lua_State *L, int idx);
LUA_API void lua_concat(lua_State *L, int n);

/* wide strings */
LUA_API size_t luaO_wstrlen(const lua_WChar *s);
LUA_API const lua_WChar *lua_towstring(lua_State *L, int idx);
LUA_API void lua_pushlwstring(lua_State *L, const lua_WChar *s, size_t len);
LUA_API void lua_pushwstring(lua_State *L, const lua_WChar *s);

/* per-type tables (tags 1 to 10) */
LUA_API void lua_gettypetable(lua_State *L, int tag);
LUA_API void lua_settypetable(lua_State *L, int tag);

/* size of a table: field "n" when numeric, else the largest non-nil integer position */
LUA_API int lua_tablesize(lua_State *L, int idx);

/* a full userdata holding one native pointer; lua_touserdata gives the pointer back */
LUA_API void lua_pushboxedpointer(lua_State *L, void *p);

/* host hooks: allocation function used by the next lua_open, collector stress mode
   (a full collection at every allocation check), and what happens after an unprotected error */
LUA_API void lua_setdefaultalloc(lua_Alloc f, void *ud);
LUA_API void lua_setdefaultgcstress(int on);
LUA_API void lua_setgcstress(lua_State *L, int on);
LUA_API int lua_getgcstress(lua_State *L);
LUA_API void lua_fullgc(lua_State *L);
typedef void (*lua_ExitHook)(lua_State *L, int status);
LUA_API lua_ExitHook lua_setexithook(lua_ExitHook hook);

/* some useful macros */
#define lua_boxpointer(L, u) (*(void **)(lua_newuserdata(L, sizeof(void *))) = (u))
#define lua_unboxpointer(L, i) (*(void **)(lua_touserdata(L, i)))

#define lua_pop(L, n) lua_settop(L, -(n)-1)

#define lua_register(L, n, f) (lua_pushstring(L, n), lua_pushcfunction(L, f), lua_settable(L, LUA_GLOBALSINDEX))

#define lua_pushcfunction(L, f) lua_pushcclosure(L, f, 0)

#define lua_isfunction(L, n) (lua_type(L, n) == LUA_TFUNCTION)
#define lua_istable(L, n) (lua_type(L, n) == LUA_TTABLE)
#define lua_islightuserdata(L, n) (lua_type(L, n) == LUA_TLIGHTUSERDATA)
#define lua_isnil(L, n) (lua_type(L, n) == LUA_TNIL)
#define lua_isboolean(L, n) (lua_type(L, n) == LUA_TBOOLEAN)
#define lua_iswstring(L, n) (lua_type(L, n) == LUA_TWSTRING)
#define lua_isnone(L, n) (lua_type(L, n) == LUA_TNONE)
#define lua_isnoneornil(L, n) (lua_type(L, n) <= 0)

#define lua_pushliteral(L, s) lua_pushlstring(L, "" s, (sizeof(s) / sizeof(char)) - 1)

/* compatibility with ref system */
#define LUA_NOREF (-2)
#define LUA_REFNIL (-1)

#define lua_ref(L, lock) ((lock) ? luaL_ref(L, LUA_REGISTRYINDEX) : (lua_pushstring(L, "unlocked references are obsolete"), lua_error(L), 0))
#define lua_unref(L, ref) luaL_unref(L, LUA_REGISTRYINDEX, (ref))
#define lua_getref(L, ref) lua_rawgeti(L, LUA_REGISTRYINDEX, ref)

#define lua_getregistry(L) lua_pushvalue(L, LUA_REGISTRYINDEX)

#define lua_getglobal(L, s) (lua_pushstring(L, s), lua_gettable(L, LUA_GLOBALSINDEX))
#define lua_setglobal(L, s) (lua_pushstring(L, s), lua_insert(L, -2), lua_settable(L, LUA_GLOBALSINDEX))

/* pushes the upvalues of the running C closure (used by the base library) */
LUA_API int lua_pushupvalues(lua_State *L);

/*
** Debug API
*/
#define LUA_HOOKCALL 0
#define LUA_HOOKRET 1
#define LUA_HOOKLINE 2
#define LUA_HOOKCOUNT 3
#define LUA_HOOKTAILRET 4

#define LUA_MASKCALL (1 << LUA_HOOKCALL)
#define LUA_MASKRET (1 << LUA_HOOKRET)
#define LUA_MASKLINE (1 << LUA_HOOKLINE)
#define LUA_MASKCOUNT (1 << LUA_HOOKCOUNT)

#define LUA_IDSIZE 60

typedef struct lua_Debug lua_Debug;

typedef void (*lua_Hook)(lua_State *L, lua_Debug *ar);

LUA_API int lua_getstack(lua_State *L, int level, lua_Debug *ar);
LUA_API int lua_getinfo(lua_State *L, const char *what, lua_Debug *ar);
LUA_API const char *lua_getlocal(lua_State *L, const lua_Debug *ar, int n);
LUA_API const char *lua_setlocal(lua_State *L, const lua_Debug *ar, int n);
LUA_API const char *lua_getupvalue(lua_State *L, int funcindex, int n);
LUA_API const char *lua_setupvalue(lua_State *L, int funcindex, int n);

LUA_API int lua_sethook(lua_State *L, lua_Hook func, int mask, int count);
LUA_API lua_Hook lua_gethook(lua_State *L);
LUA_API int lua_gethookmask(lua_State *L);
LUA_API int lua_gethookcount(lua_State *L);

struct lua_Debug {
  int event;
  const char *name;     /* (n) */
  const char *namewhat; /* (n) `global', `local', `field', `method' */
  const char *what;     /* (S) `Lua', `C', `main', `tail' */
  const char *source;   /* (S) */
  int currentline;      /* (l) */
  int nups;             /* (u) number of upvalues */
  int linedefined;      /* (S) */
  char short_src[LUA_IDSIZE]; /* (S) */
  /* private part */
  int i_ci; /* active function */
};

#endif
