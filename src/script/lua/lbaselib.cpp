/*
** Base library: the global functions (print, type, tostring, tonumber, pairs, pcall,
** error, load functions, require, environments, the collector controls) and the
** coroutine table. Registers the per-type tables in the registry for native code.
*/
#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"

/* ======================================================================================
** print and its output
** ====================================================================================== */

static void stdout_writer(const char *s, size_t len, void *) {
  fwrite(s, 1, len, stdout);
}

static lua_PrintWriter print_writer = stdout_writer;
static void *print_writer_ud = NULL;

LUALIB_API void luaB_setprintwriter(lua_PrintWriter writer, void *ud) {
  print_writer = writer ? writer : stdout_writer;
  print_writer_ud = writer ? ud : NULL;
}

/* writes a wide string as UTF-8 (unpaired surrogates are written as their own code) */
static void write_wide(const lua_WChar *w, size_t n) {
  char buf[256];
  size_t used = 0;
  for (size_t i = 0; i < n; i++) {
    unsigned long c = w[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && w[i + 1] >= 0xDC00 && w[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (w[i + 1] - 0xDC00);
      i++;
    }
    if (used + 4 > sizeof(buf)) {
      print_writer(buf, used, print_writer_ud);
      used = 0;
    }
    if (c < 0x80) {
      buf[used++] = (char)c;
    } else if (c < 0x800) {
      buf[used++] = (char)(0xC0 | (c >> 6));
      buf[used++] = (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      buf[used++] = (char)(0xE0 | (c >> 12));
      buf[used++] = (char)(0x80 | ((c >> 6) & 0x3F));
      buf[used++] = (char)(0x80 | (c & 0x3F));
    } else {
      buf[used++] = (char)(0xF0 | (c >> 18));
      buf[used++] = (char)(0x80 | ((c >> 12) & 0x3F));
      buf[used++] = (char)(0x80 | ((c >> 6) & 0x3F));
      buf[used++] = (char)(0x80 | (c & 0x3F));
    }
  }
  if (used > 0) print_writer(buf, used, print_writer_ud);
}

static int luaB_print(lua_State *L) {
  int n = lua_gettop(L);
  lua_getglobal(L, "towstring"); /* n + 1 */
  lua_getglobal(L, "tostring");  /* n + 2 */
  for (int i = 1; i <= n; i++) {
    if (i > 1) print_writer("\t", 1, print_writer_ud);
    if (lua_type(L, i) == LUA_TWSTRING) {  /* wide text goes out as UTF-8 */
      lua_pushvalue(L, n + 1);
      lua_pushvalue(L, i);
      lua_call(L, 1, 1);
      if (lua_type(L, -1) != LUA_TWSTRING)
        return luaL_error(L, "`tostring' must return a string to `print'");
      write_wide(lua_towstring(L, -1), lua_strlen(L, -1));
      lua_pop(L, 1);
      continue;
    }
    lua_pushvalue(L, n + 2);  /* function to be called */
    lua_pushvalue(L, i);   /* value to print */
    lua_call(L, 1, 1);
    const char *s = lua_tostring(L, -1);
    if (s == NULL) return luaL_error(L, "`tostring' must return a string to `print'");
    print_writer(s, lua_strlen(L, -1), print_writer_ud);
    lua_pop(L, 1);
  }
  print_writer("\n", 1, print_writer_ud);
  return 0;
}

/* ======================================================================================
** Conversions and types
** ====================================================================================== */

/* strtoul as a 32-bit unsigned long: optional sign, saturating on overflow */
static int str2ulong32(const char *s, int base, lua_Number *result) {
  const char *p = s;
  while (isspace((unsigned char)*p)) p++;
  int neg = 0;
  if (*p == '-' || *p == '+') neg = (*p++ == '-');
  unsigned long long v = 0;
  int overflow = 0, digits = 0;
  for (;; p++) {
    int c = (unsigned char)*p, d;
    if (isdigit(c)) d = c - '0';
    else if (isalpha(c)) d = tolower(c) - 'a' + 10;
    else break;
    if (d >= base) break;
    digits++;
    v = v * (unsigned)base + (unsigned)d;
    if (v > 0xFFFFFFFFull) {
      overflow = 1;
      v = 0xFFFFFFFFull;
    }
  }
  if (digits == 0) return 0;
  while (isspace((unsigned char)*p)) p++;  /* skip trailing spaces */
  if (*p != '\0') return 0;  /* invalid trailing characters */
  unsigned long u = (unsigned long)v;
  if (neg && !overflow) u = (0x100000000ull - v) & 0xFFFFFFFFull;
  *result = (lua_Number)u;
  return 1;
}

static int luaB_tonumber(lua_State *L) {
  int base = luaL_optint(L, 2, 10);
  if (base == 10) {  /* standard conversion */
    luaL_checkany(L, 1);
    if (lua_isnumber(L, 1)) {
      lua_pushnumber(L, lua_tonumber(L, 1));
      return 1;
    }
  } else {
    char narrow[100];
    const char *s1;
    luaL_argcheck(L, 2 <= base && base <= 36, 2, "base out of range");
    if (lua_type(L, 1) == LUA_TWSTRING) {  /* low bytes of a short wide string */
      size_t n = lua_strlen(L, 1);
      const lua_WChar *w = lua_towstring(L, 1);
      if (n >= sizeof(narrow)) {
        lua_pushnil(L);
        return 1;
      }
      for (size_t i = 0; i < n; i++) narrow[i] = (char)(w[i] & 0xFF);
      narrow[n] = '\0';
      s1 = narrow;
    } else {
      s1 = luaL_checkstring(L, 1);
    }
    lua_Number n;
    if (str2ulong32(s1, base, &n)) {
      lua_pushnumber(L, n);
      return 1;
    }
  }
  lua_pushnil(L);  /* not a number */
  return 1;
}

static int luaB_tostring(lua_State *L) {
  char buff[128];
  luaL_checkany(L, 1);
  if (luaL_callmeta(L, 1, "__tostring"))  /* is there a metafield? */
    return 1;
  switch (lua_type(L, 1)) {
    case LUA_TNUMBER:
      lua_pushstring(L, lua_tostring(L, 1));
      return 1;
    case LUA_TSTRING:
      lua_pushvalue(L, 1);
      return 1;
    case LUA_TWSTRING: {  /* the low byte of each unit */
      size_t n = lua_strlen(L, 1);
      const lua_WChar *w = lua_towstring(L, 1);
      luaL_Buffer b;
      luaL_buffinit(L, &b);
      char *d = luaL_prepbuffsize(&b, n);
      for (size_t i = 0; i < n; i++) d[i] = (char)(w[i] & 0xFF);
      luaL_addsize(&b, n);
      luaL_pushresult(&b);
      return 1;
    }
    case LUA_TBOOLEAN:
      lua_pushstring(L, lua_toboolean(L, 1) ? "true" : "false");
      return 1;
    case LUA_TTABLE:
      snprintf(buff, sizeof(buff), "table: %p", lua_topointer(L, 1));
      break;
    case LUA_TFUNCTION:
      snprintf(buff, sizeof(buff), "function: %p", lua_topointer(L, 1));
      break;
    case LUA_TUSERDATA:
    case LUA_TLIGHTUSERDATA:
      snprintf(buff, sizeof(buff), "userdata: %p", lua_touserdata(L, 1));
      break;
    case LUA_TTHREAD:
      snprintf(buff, sizeof(buff), "thread: %p", (void *)lua_tothread(L, 1));
      break;
    case LUA_TNIL:
      lua_pushliteral(L, "nil");
      return 1;
    default:
      snprintf(buff, sizeof(buff), "%s: %p", lua_typename(L, lua_type(L, 1)),
               lua_topointer(L, 1));
      break;
  }
  lua_pushstring(L, buff);
  return 1;
}

/* a wide string: the value's text, without consulting __tostring */
static int luaB_towstring(lua_State *L) {
  char buff[128];
  const char *text = buff;
  size_t len;
  luaL_checkany(L, 1);
  switch (lua_type(L, 1)) {
    case LUA_TWSTRING:
      lua_settop(L, 1);
      return 1;
    case LUA_TNUMBER:
      lua_settop(L, 1);
      lua_pushvalue(L, 1);
      lua_towstring(L, -1); /* converts the copy in place */
      return 1;
    case LUA_TSTRING: { /* each byte one unit, sign-extended */
      const char *s = lua_tostring(L, 1);
      len = lua_strlen(L, 1);
      luaL_Buffer b;
      luaL_wbuffinit(L, &b);
      if (len > LUAL_MAXRESULT / sizeof(lua_WChar)) luaL_error(L, "resulting string too large");
      lua_WChar *d = reinterpret_cast<lua_WChar *>(luaL_prepbuffsize(&b, len * sizeof(lua_WChar)));
      for (size_t i = 0; i < len; i++) d[i] = (lua_WChar)(int)(signed char)s[i];
      luaL_addsize(&b, len * sizeof(lua_WChar));
      luaL_pushresult(&b);
      return 1;
    }
    case LUA_TNIL: text = "nil"; break;
    case LUA_TBOOLEAN: text = lua_toboolean(L, 1) ? "true" : "false"; break;
    case LUA_TTABLE: snprintf(buff, sizeof(buff), "table: %p", lua_topointer(L, 1)); break;
    case LUA_TFUNCTION: snprintf(buff, sizeof(buff), "function: %p", lua_topointer(L, 1)); break;
    case LUA_TUSERDATA:
    case LUA_TLIGHTUSERDATA: snprintf(buff, sizeof(buff), "userdata: %p", lua_touserdata(L, 1)); break;
    case LUA_TTHREAD: snprintf(buff, sizeof(buff), "thread: %p", (void *)lua_tothread(L, 1)); break;
    default:
      snprintf(buff, sizeof(buff), "%s: %p", lua_typename(L, lua_type(L, 1)), lua_topointer(L, 1));
      break;
  }
  len = strlen(text);
  luaL_Buffer b;
  luaL_wbuffinit(L, &b);
  for (size_t i = 0; i < len; i++) {
    lua_WChar u = (unsigned char)text[i];
    luaL_addlwstring(&b, &u, 1);
  }
  luaL_pushresult(&b);
  return 1;
}

static int luaB_type(lua_State *L) {
  luaL_checkany(L, 1);
  lua_pushstring(L, lua_typename(L, lua_type(L, 1)));
  return 1;
}

/* ======================================================================================
** Errors and protected calls
** ====================================================================================== */

static int luaB_error(lua_State *L) {
  int level = luaL_optint(L, 2, 1);
  luaL_checkany(L, 1);
  int t = lua_type(L, 1);
  if ((t != LUA_TSTRING && t != LUA_TNUMBER && t != LUA_TWSTRING) || level == 0) {
    lua_pushvalue(L, 1);  /* propagate the error object unchanged */
  } else if (t == LUA_TWSTRING) {  /* a wide message gets a wide position prefix */
    luaL_where(L, level);
    size_t pl = lua_strlen(L, -1);
    const char *pos = lua_tostring(L, -1);
    luaL_Buffer b;
    luaL_wbuffinit(L, &b);
    for (size_t i = 0; i < pl; i++) {
      lua_WChar u = (unsigned char)pos[i];
      luaL_addlwstring(&b, &u, 1);
    }
    luaL_addlwstring(&b, lua_towstring(L, 1), lua_strlen(L, 1));
    luaL_pushresult(&b);
  } else {  /* add position information */
    luaL_where(L, level);
    lua_pushvalue(L, 1);
    lua_concat(L, 2);
  }
  return lua_error(L);
}

static int luaB_assert(lua_State *L) {
  luaL_checkany(L, 1);
  if (!lua_toboolean(L, 1))
    return luaL_error(L, "%s", luaL_optstring(L, 2, "assertion failed!"));
  lua_settop(L, 1);
  return 1;
}

static int luaB_pcall(lua_State *L) {
  luaL_checkany(L, 1);
  int status = lua_pcall(L, lua_gettop(L) - 1, LUA_MULTRET, 0);
  lua_pushboolean(L, status == 0);
  lua_insert(L, 1);
  return lua_gettop(L);  /* status and all results */
}

static int luaB_xpcall(lua_State *L) {
  luaL_checkany(L, 2);
  lua_settop(L, 2);
  lua_insert(L, 1);  /* put the error function under the function to call */
  int status = lua_pcall(L, 0, LUA_MULTRET, 1);
  lua_pushboolean(L, status == 0);
  lua_replace(L, 1);
  return lua_gettop(L);  /* status and all results */
}

/* ======================================================================================
** Metatables, environments, raw access
** ====================================================================================== */

static int luaB_getmetatable(lua_State *L) {
  luaL_checkany(L, 1);
  if (!lua_getmetatable(L, 1)) {
    lua_pushnil(L);
    return 1;  /* no metatable */
  }
  luaL_getmetafield(L, 1, "__metatable");
  return 1;  /* either the __metatable field or the metatable */
}

static int luaB_setmetatable(lua_State *L) {
  int t = lua_type(L, 2);
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_argcheck(L, t == LUA_TNIL || t == LUA_TTABLE, 2, "nil or table expected");
  if (luaL_getmetafield(L, 1, "__metatable"))
    luaL_error(L, "cannot change a protected metatable");
  lua_settop(L, 2);
  lua_setmetatable(L, 1);
  return 1;
}

/* pushes the function given by argument 1: a function or a stack level (default 1) */
static void getfunc(lua_State *L) {
  if (lua_isfunction(L, 1)) {
    lua_pushvalue(L, 1);
  } else {
    lua_Debug ar;
    int level = luaL_optint(L, 1, 1);
    luaL_argcheck(L, level >= 0, 1, "level must be non-negative");
    if (lua_getstack(L, level, &ar) == 0) luaL_argerror(L, 1, "invalid level");
    lua_getinfo(L, "f", &ar);
    if (lua_isnil(L, -1))
      luaL_error(L, "no function environment for tail call at level %d", level);
  }
}

/* pushes the environment of the function on the top and its __fenv field (the name is the
   closure's upvalue: making the string anew on every call cost more than the rest) */
static int aux_getfenv(lua_State *L) {
  lua_getfenv(L, -1);
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_rawget(L, -2);
  return !lua_isnil(L, -1);
}

static int luaB_getfenv(lua_State *L) {
  getfunc(L);
  if (!aux_getfenv(L))  /* no __fenv? return the real environment */
    lua_pop(L, 1);
  return 1;
}

static int luaB_setfenv(lua_State *L) {
  luaL_checktype(L, 2, LUA_TTABLE);
  getfunc(L);
  if (aux_getfenv(L))
    luaL_error(L, "`setfenv' cannot change a protected environment");
  else
    lua_pop(L, 2);  /* remove __fenv and the real environment */
  lua_pushvalue(L, 2);
  if (lua_isnumber(L, 1) && lua_tonumber(L, 1) == 0)
    lua_replace(L, LUA_GLOBALSINDEX);  /* level 0 changes the thread's globals */
  else if (lua_setfenv(L, -2) == 0)
    luaL_error(L, "`setfenv' cannot change environment of given function");
  return 0;
}

static int luaB_rawequal(lua_State *L) {
  luaL_checkany(L, 1);
  luaL_checkany(L, 2);
  lua_pushboolean(L, lua_rawequal(L, 1, 2));
  return 1;
}

static int luaB_rawget(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checkany(L, 2);
  lua_rawget(L, 1);
  return 1;
}

static int luaB_rawset(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checkany(L, 2);
  luaL_checkany(L, 3);
  lua_rawset(L, 1);
  return 1;
}

/* ======================================================================================
** Collector
** ====================================================================================== */

static int luaB_gcinfo(lua_State *L) {
  lua_pushnumber(L, (lua_Number)lua_getgccount(L));
  lua_pushnumber(L, (lua_Number)lua_getgcthreshold(L));
  return 2;
}

static int luaB_collectgarbage(lua_State *L) {
  lua_setgcthreshold(L, luaL_optint(L, 1, 0));
  return 0;
}

/* ======================================================================================
** Traversal
** ====================================================================================== */

static int luaB_next(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_settop(L, 2);  /* create a 2nd argument if there isn't one */
  if (lua_next(L, 1)) return 2;
  lua_pushnil(L);
  return 1;
}

static int luaB_pairs(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_pushvalue(L, lua_upvalueindex(1));  /* the `next' function */
  lua_pushvalue(L, 1);  /* state */
  lua_pushnil(L);  /* initial value */
  return 3;
}

static int ipairsaux(lua_State *L) {
  lua_Number i = luaL_checknumber(L, 2);
  luaL_checktype(L, 1, LUA_TTABLE);
  i++;  /* next value */
  lua_pushnumber(L, i);
  lua_rawgeti(L, 1, luaL_num2int(i));
  return lua_isnil(L, -1) ? 0 : 2;
}

static int luaB_ipairs(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_pushvalue(L, lua_upvalueindex(1));  /* the iterator */
  lua_pushvalue(L, 1);  /* state */
  lua_pushnumber(L, 0);  /* initial value */
  return 3;
}

static int luaB_unpack(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  int n = luaL_getn(L, 1);
  luaL_checkstack(L, n, "table too big to unpack");
  for (int i = 1; i <= n; i++) lua_rawgeti(L, 1, i);
  return n;
}

/* ======================================================================================
** Loading
** ====================================================================================== */

static int load_aux(lua_State *L, int status) {
  if (status == 0) return 1;  /* the compiled function */
  lua_pushnil(L);
  lua_insert(L, -2);  /* nil before the error message */
  return 2;
}

static int luaB_loadstring(lua_State *L) {
  size_t l;
  const char *s = luaL_checklstring(L, 1, &l);
  const char *chunkname = luaL_optstring(L, 2, s);
  return load_aux(L, luaL_loadbuffer(L, s, l, chunkname));
}

static int luaB_loadfile(lua_State *L) {
  const char *fname = luaL_optstring(L, 1, NULL);
  return load_aux(L, luaL_loadfile(L, fname));
}

static int luaB_dofile(lua_State *L) {
  const char *fname = luaL_optstring(L, 1, NULL);
  lua_settop(L, 1);
  if (luaL_loadfile(L, fname) != 0) lua_error(L);
  lua_call(L, 0, LUA_MULTRET);
  return lua_gettop(L) - 1;
}

/* ---- require: LUA_PATH (global, else environment, else "?;?.lua"), "_LOADED" ---- */

#define REQTAB "_LOADED"
#define LUA_PATH_NAME "LUA_PATH"
#define LUA_PATH_SEP ';'
#define LUA_PATH_MARK '?'
#define LUA_PATH_DEFAULT "?;?.lua"

/* pushes the search path */
static void pushpath(lua_State *L) {
  lua_getglobal(L, LUA_PATH_NAME);
  if (lua_type(L, -1) == LUA_TSTRING || lua_type(L, -1) == LUA_TNUMBER) {
    lua_tostring(L, -1);
    return;
  }
  lua_pop(L, 1);
  const char *path = getenv(LUA_PATH_NAME);
  lua_pushstring(L, path ? path : LUA_PATH_DEFAULT);
}

/* pushes the next template of the path; returns where the rest starts, or NULL at the end */
static const char *pushnextpath(lua_State *L, const char *path) {
  if (*path == '\0') return NULL;
  if (*path == LUA_PATH_SEP) path++;  /* skip separator */
  const char *l = strchr(path, LUA_PATH_SEP);
  if (l == NULL) l = path + strlen(path);
  lua_pushlstring(L, path, (size_t)(l - path));
  return l;
}

/* replaces the template on the top by the file name with the package name for each mark */
static void pushcomposename(lua_State *L) {
  const char *path = lua_tostring(L, -1);
  const char *wild;
  int n = 1;
  while ((wild = strchr(path, LUA_PATH_MARK)) != NULL) {
    luaL_checkstack(L, 3, "too many marks in a path component");
    lua_pushlstring(L, path, (size_t)(wild - path));  /* prefix */
    lua_pushvalue(L, 1);  /* package name in place of the mark */
    path = wild + 1;
    n += 2;
  }
  lua_pushstring(L, path);  /* last suffix */
  lua_concat(L, n);
}

static int luaB_require(lua_State *L) {
  int status = LUA_ERRFILE;  /* not found */
  luaL_checkstring(L, 1);
  lua_settop(L, 1);
  lua_getglobal(L, REQTAB);  /* 2 */
  if (!lua_istable(L, 2)) return luaL_error(L, "`" REQTAB "' is not a table");
  pushpath(L);  /* 3 */
  const char *path = lua_tostring(L, 3);
  lua_pushvalue(L, 1);
  lua_rawget(L, 2);
  if (lua_toboolean(L, -1)) return 1;  /* already loaded: its result */
  while (status == LUA_ERRFILE) {
    lua_settop(L, 3);
    if ((path = pushnextpath(L, path)) == NULL) break;
    pushcomposename(L);
    status = luaL_loadfile(L, lua_tostring(L, -1));
  }
  switch (status) {
    case 0: {
      lua_getglobal(L, "_REQUIREDNAME");  /* save the previous name */
      lua_insert(L, -2);  /* below the function */
      lua_pushvalue(L, 1);
      lua_setglobal(L, "_REQUIREDNAME");
      lua_call(L, 0, 1);  /* run the module */
      lua_insert(L, -2);  /* result below the previous name */
      lua_setglobal(L, "_REQUIREDNAME");  /* restore it */
      if (lua_isnil(L, -1)) {  /* no result? then true */
        lua_pushboolean(L, 1);
        lua_replace(L, -2);
      }
      lua_pushvalue(L, 1);
      lua_pushvalue(L, -2);
      lua_rawset(L, 2);  /* mark it as loaded */
      return 1;
    }
    case LUA_ERRFILE:
      return luaL_error(L, "could not load package `%s' from path `%s'", lua_tostring(L, 1),
                        lua_tostring(L, 3));
    default: {
      const char *msg = lua_tostring(L, -1);
      return luaL_error(L, "error loading package `%s' (%s)", lua_tostring(L, 1),
                        msg ? msg : "?");
    }
  }
}

static const luaL_reg base_funcs[] = {
    {"error", luaB_error},
    {"getmetatable", luaB_getmetatable},
    {"setmetatable", luaB_setmetatable},
    {"next", luaB_next},
    {"print", luaB_print},
    {"tonumber", luaB_tonumber},
    {"tostring", luaB_tostring},
    {"towstring", luaB_towstring},
    {"type", luaB_type},
    {"assert", luaB_assert},
    {"unpack", luaB_unpack},
    {"rawequal", luaB_rawequal},
    {"rawget", luaB_rawget},
    {"rawset", luaB_rawset},
    {"pcall", luaB_pcall},
    {"xpcall", luaB_xpcall},
    {"collectgarbage", luaB_collectgarbage},
    {"gcinfo", luaB_gcinfo},
    {"loadfile", luaB_loadfile},
    {"dofile", luaB_dofile},
    {"loadstring", luaB_loadstring},
    {"require", luaB_require},
    {NULL, NULL}};

/* ======================================================================================
** Coroutines
** ====================================================================================== */

/* moves narg arguments to co and resumes it; returns the count of results moved back,
   or -1 with the error object on the top */
static int auxresume(lua_State *L, lua_State *co, int narg) {
  if (!lua_checkstack(co, narg)) luaL_error(L, "too many arguments to resume");
  lua_xmove(L, co, narg);
  int status = lua_resume(co, narg);
  if (status == 0) {
    int nres = lua_gettop(co);
    if (!lua_checkstack(L, nres)) luaL_error(L, "too many results to resume");
    lua_xmove(co, L, nres);  /* move the yielded values */
    return nres;
  }
  lua_xmove(co, L, 1);  /* move the error object */
  return -1;
}

static int luaB_coresume(lua_State *L) {
  lua_State *co = lua_tothread(L, 1);
  luaL_argcheck(L, co, 1, "coroutine expected");
  int r = auxresume(L, co, lua_gettop(L) - 1);
  if (r < 0) {
    lua_pushboolean(L, 0);
    lua_insert(L, -2);
    return 2;  /* false and the error object */
  }
  lua_pushboolean(L, 1);
  lua_insert(L, -(r + 1));
  return r + 1;  /* true and the values of yield or return */
}

static int luaB_auxwrap(lua_State *L) {
  lua_State *co = lua_tothread(L, lua_upvalueindex(1));
  int r = auxresume(L, co, lua_gettop(L));
  if (r < 0) {
    int t = lua_type(L, -1);
    if (t == LUA_TSTRING || t == LUA_TNUMBER) {  /* add the caller's position */
      luaL_where(L, 1);
      lua_insert(L, -2);
      lua_concat(L, 2);
    }
    lua_error(L);  /* propagate the error */
  }
  return r;
}

static int luaB_cocreate(lua_State *L) {
  luaL_argcheck(L, lua_isfunction(L, 1) && !lua_iscfunction(L, 1), 1, "Lua function expected");
  lua_State *NL = lua_newthread(L);
  lua_pushvalue(L, 1);  /* function to the top */
  lua_xmove(L, NL, 1);  /* move it from L to NL */
  return 1;
}

static int luaB_cowrap(lua_State *L) {
  luaB_cocreate(L);
  lua_pushcclosure(L, luaB_auxwrap, 1);
  return 1;
}

static int luaB_yield(lua_State *L) {
  return lua_yield(L, lua_gettop(L));
}

static int luaB_costatus(lua_State *L) {
  lua_State *co = lua_tothread(L, 1);
  luaL_argcheck(L, co, 1, "coroutine expected");
  if (L == co) {
    lua_pushliteral(L, "running");
  } else {
    lua_Debug ar;
    if (lua_getstack(co, 0, &ar) == 0 && lua_gettop(co) == 0)
      lua_pushliteral(L, "dead");
    else
      lua_pushliteral(L, "suspended");
  }
  return 1;
}

static const luaL_reg co_funcs[] = {
    {"create", luaB_cocreate},
    {"wrap", luaB_cowrap},
    {"resume", luaB_coresume},
    {"yield", luaB_yield},
    {"status", luaB_costatus},
    {NULL, NULL}};

/* ======================================================================================
** Opening
** ====================================================================================== */

/* registry names of the per-type tables of tags 1 to 9 */
static const char *const typetable_names[] = {"_boolean", "_lightuserdata", "_number",
                                              "_string",  "_table",         "_function",
                                              "_userdata", "_thread",       "_wstring"};

static void base_open(lua_State *L) {
  lua_pushvalue(L, LUA_GLOBALSINDEX);
  luaL_openlib(L, NULL, base_funcs, 0);  /* the functions go into the globals */
  static const luaL_reg fenv_funcs[] = {{"getfenv", luaB_getfenv}, {"setfenv", luaB_setfenv}, {NULL, NULL}};
  lua_pushliteral(L, "__fenv");
  luaL_openlib(L, NULL, fenv_funcs, 1);
  lua_pushliteral(L, "_VERSION");
  lua_pushliteral(L, LUA_VERSION);
  lua_rawset(L, -3);
  lua_pushliteral(L, "_G");
  lua_pushvalue(L, -2);
  lua_rawset(L, -3);
  /* pairs and ipairs keep their iterators as upvalues so redefining globals cannot break them */
  lua_pushliteral(L, "pairs");
  lua_pushliteral(L, "next");
  lua_rawget(L, -3);
  lua_pushcclosure(L, luaB_pairs, 1);
  lua_rawset(L, -3);
  lua_pushliteral(L, "ipairs");
  lua_pushcfunction(L, ipairsaux);
  lua_pushcclosure(L, luaB_ipairs, 1);
  lua_rawset(L, -3);
  lua_pop(L, 1);  /* globals */
}

LUALIB_API int luaopen_base(lua_State *L) {
  base_open(L);
  luaL_openlib(L, LUA_COLIBNAME, co_funcs, 0);
  lua_pop(L, 1);  /* coroutine table */
  lua_newtable(L);
  lua_setglobal(L, REQTAB);
  for (int tag = 1; tag <= 9; tag++) {
    lua_pushstring(L, typetable_names[tag - 1]);
    lua_gettypetable(L, tag);
    lua_rawset(L, LUA_REGISTRYINDEX);
  }
  return 0;
}
