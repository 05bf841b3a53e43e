/*
** Math library: the classic set (trigonometry in radians, mod, frexp/ldexp, deg/rad,
** random/randomseed, min/max, pi) and the global `__pow', the function the `^' operator
** calls for operands that are not both numbers.
*/
#include <math.h>
#include <stdlib.h>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"

#define PI (3.14159265358979323846)
#define RADIANS_PER_DEGREE (PI / 180.0)

/* pushes f(argument 1) */
static int unary(lua_State *L, double (*f)(double)) {
  lua_pushnumber(L, f(luaL_checknumber(L, 1)));
  return 1;
}

/* pushes f(argument 1, argument 2) */
static int binary(lua_State *L, double (*f)(double, double)) {
  lua_pushnumber(L, f(luaL_checknumber(L, 1), luaL_checknumber(L, 2)));
  return 1;
}

static int math_abs(lua_State *L) { return unary(L, fabs); }
static int math_sin(lua_State *L) { return unary(L, sin); }
static int math_cos(lua_State *L) { return unary(L, cos); }
static int math_tan(lua_State *L) { return unary(L, tan); }
static int math_asin(lua_State *L) { return unary(L, asin); }
static int math_acos(lua_State *L) { return unary(L, acos); }
static int math_atan(lua_State *L) { return unary(L, atan); }
static int math_ceil(lua_State *L) { return unary(L, ceil); }
static int math_floor(lua_State *L) { return unary(L, floor); }
static int math_sqrt(lua_State *L) { return unary(L, sqrt); }
static int math_log(lua_State *L) { return unary(L, log); }
static int math_log10(lua_State *L) { return unary(L, log10); }
static int math_exp(lua_State *L) { return unary(L, exp); }
static int math_atan2(lua_State *L) { return binary(L, atan2); }
static int math_mod(lua_State *L) { return binary(L, fmod); }
static int math_pow(lua_State *L) { return binary(L, pow); }

static int math_deg(lua_State *L) {
  lua_pushnumber(L, luaL_checknumber(L, 1) / RADIANS_PER_DEGREE);
  return 1;
}

static int math_rad(lua_State *L) {
  lua_pushnumber(L, luaL_checknumber(L, 1) * RADIANS_PER_DEGREE);
  return 1;
}

static int math_frexp(lua_State *L) {
  int e;
  lua_pushnumber(L, frexp(luaL_checknumber(L, 1), &e));
  lua_pushnumber(L, e);
  return 2;
}

static int math_ldexp(lua_State *L) {
  lua_pushnumber(L, ldexp(luaL_checknumber(L, 1), luaL_checkint(L, 2)));
  return 1;
}

static int math_min(lua_State *L) {
  int n = lua_gettop(L);
  lua_Number dmin = luaL_checknumber(L, 1);
  for (int i = 2; i <= n; i++) {
    lua_Number d = luaL_checknumber(L, i);
    if (d < dmin) dmin = d;
  }
  lua_pushnumber(L, dmin);
  return 1;
}

static int math_max(lua_State *L) {
  int n = lua_gettop(L);
  lua_Number dmax = luaL_checknumber(L, 1);
  for (int i = 2; i <= n; i++) {
    lua_Number d = luaL_checknumber(L, i);
    if (d > dmax) dmax = d;
  }
  lua_pushnumber(L, dmax);
  return 1;
}

static int math_random(lua_State *L) {
  /* the `%' avoids the rare case of r == 1 */
  lua_Number r = (lua_Number)(rand() % RAND_MAX) / (lua_Number)RAND_MAX;
  switch (lua_gettop(L)) {
    case 0:  /* no arguments: a number in [0, 1) */
      lua_pushnumber(L, r);
      break;
    case 1: {  /* an integer in [1, u] */
      int u = luaL_checkint(L, 1);
      luaL_argcheck(L, 1 <= u, 1, "interval is empty");
      lua_pushnumber(L, floor(r * u) + 1);
      break;
    }
    case 2: {  /* an integer in [l, u] */
      int l = luaL_checkint(L, 1);
      int u = luaL_checkint(L, 2);
      luaL_argcheck(L, l <= u, 2, "interval is empty");
      lua_pushnumber(L, floor(r * ((lua_Number)u - l + 1)) + l);
      break;
    }
    default:
      return luaL_error(L, "wrong number of arguments");
  }
  return 1;
}

static int math_randomseed(lua_State *L) {
  srand((unsigned int)luaL_checkint(L, 1));
  return 0;
}

static const luaL_reg mathlib[] = {
    {"abs", math_abs},     {"sin", math_sin},     {"cos", math_cos},
    {"tan", math_tan},     {"asin", math_asin},   {"acos", math_acos},
    {"atan", math_atan},   {"atan2", math_atan2}, {"ceil", math_ceil},
    {"floor", math_floor}, {"mod", math_mod},     {"frexp", math_frexp},
    {"ldexp", math_ldexp}, {"sqrt", math_sqrt},   {"min", math_min},
    {"max", math_max},     {"log", math_log},     {"log10", math_log10},
    {"exp", math_exp},     {"deg", math_deg},     {"rad", math_rad},
    {"random", math_random}, {"randomseed", math_randomseed}, {"pow", math_pow},
    {NULL, NULL}};

LUALIB_API int luaopen_math(lua_State *L) {
  luaL_openlib(L, LUA_MATHLIBNAME, mathlib, 0);
  lua_pushliteral(L, "pi");
  lua_pushnumber(L, PI);
  lua_settable(L, -3);
  lua_pushliteral(L, "__pow");  /* the same function as math.pow */
  lua_pushliteral(L, "pow");
  lua_rawget(L, -3);
  lua_settable(L, LUA_GLOBALSINDEX);
  return 1;
}
