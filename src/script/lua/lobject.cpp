/*
** Generic functions over values: raw equality, numeral parsing (narrow and wide), formatted
** pushes for messages, chunk names for messages, size encodings for table constructors.
*/
#include <ctype.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "ldo.h"
#include "lmem.h"
#include "lobject.h"
#include "lstate.h"
#include "lstring.h"
#include "lvm.h"

const TObject luaO_nilobject = {LUA_TNIL, {NULL}};

/* converts an integer to a "floating point byte": (eeeeexxx), value (xxx) * 2^(eeeee) */
int luaO_int2fb(unsigned int x) {
  int m = 0; /* mantissa */
  while (x >= (1 << 3)) {
    x = (x + 1) >> 1;
    m++;
  }
  return (m << 3) | cast(int, x);
}

int luaO_log2(unsigned int x) {
  int l = -1;
  while (x) {
    x >>= 1;
    l++;
  }
  return l;
}

int luaO_rawequalObj(const TObject *t1, const TObject *t2) {
  if (ttype(t1) != ttype(t2)) return 0;
  switch (ttype(t1)) {
    case LUA_TNIL:
      return 1;
    case LUA_TNUMBER:
      return nvalue(t1) == nvalue(t2);
    case LUA_TBOOLEAN:
      return bvalue(t1) == bvalue(t2); /* boolean true must be 1 !! */
    case LUA_TLIGHTUSERDATA:
      return pvalue(t1) == pvalue(t2);
    default: /* strings of both kinds are interned: identity is equality */
      return gcvalue(t1) == gcvalue(t2);
  }
}

int luaO_num2str(char *s, lua_Number n) {
  /* an integer of at most 14 digits prints as its digits under LUA_NUMBER_FMT: done here, as
     printf's general path costs many times more (-0 keeps its sign through printf) */
  if (n > -1e14 && n < 1e14 && n == (lua_Number)(long long)n && !(n == 0 && signbit(n))) {
    char digits[16];
    unsigned long long u = n < 0 ? (unsigned long long)(-(long long)n) : (unsigned long long)n;
    int nd = 0;
    do {
      digits[nd++] = (char)('0' + u % 10);
      u /= 10;
    } while (u != 0);
    int l = 0;
    if (n < 0) s[l++] = '-';
    while (nd > 0) s[l++] = digits[--nd];
    s[l] = '\0';
    return l;
  }
  return snprintf(s, LUAI_MAXNUMBER2STR, LUA_NUMBER_FMT, n);
}

int luaO_str2d(const char *s, lua_Number *result) {
  /* plain decimal integers (the lexer's commonest numerals) are exact without strtod */
  const char *p = s;
  lua_Number v = 0;
  while (*p >= '0' && *p <= '9' && p - s < 15) v = v * 10 + (*p++ - '0');
  if (*p == '\0' && p != s) {
    *result = v;
    return 1;
  }
  char *endptr;
  lua_Number res = strtod(s, &endptr);
  if (endptr == s) return 0; /* no conversion */
  while (isspace((unsigned char)(*endptr))) endptr++;
  if (*endptr != '\0') return 0; /* invalid format */
  *result = res;
  return 1;
}

static int wdigit(lua_WChar c) { return c < 128 && isdigit(c); }
static int wxdigit(lua_WChar c) { return c < 128 && isxdigit(c); }
static int wxvalue(lua_WChar c) { return isdigit(c) ? c - '0' : (tolower(c) - 'a' + 10); }

/* reads a decimal exponent's digits, saturating so that huge exponents stay finite in int */
static int wexponent(const lua_WChar **pp) {
  const lua_WChar *p = *pp;
  int neg = 0, e = 0;
  if (*p == '+') p++;
  else if (*p == '-') { neg = 1; p++; }
  while (wdigit(*p)) {
    if (e < 100000) e = e * 10 + (*p - '0');
    p++;
  }
  *pp = p;
  return neg ? -e : e;
}

lua_Number luaO_wstrtod(const lua_WChar *s, const lua_WChar **endptr) {
  const lua_WChar *p = s;
  lua_Number v = 0;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    p += 2;
    while (wxdigit(*p)) v = v * 16 + wxvalue(*p++);
    if (*p == '.') {
      lua_Number f = 1.0 / 16;
      p++;
      while (wxdigit(*p)) {
        v += wxvalue(*p++) * f;
        f /= 16;
      }
      if (*p == 'p' || *p == 'P') {
        p++;
        v = ldexp(v, wexponent(&p));
      }
    }
  }
  else {
    int neg = 0;
    if (*p == '+') p++;
    else if (*p == '-') { neg = 1; p++; }
    while (wdigit(*p)) v = v * 10 + (*p++ - '0');
    if (*p == '.') {
      lua_Number f = 0.1;
      p++;
      while (wdigit(*p)) {
        v += (*p++ - '0') * f;
        f /= 10;
      }
    }
    if (*p == 'e' || *p == 'E') {
      p++;
      v *= pow(10.0, wexponent(&p));
    }
    if (neg && v != 0) v = -v; /* a lone sign reads as plain 0 */
  }
  if (endptr) *endptr = p;
  return v;
}

int luaO_wstr2d(const lua_WChar *s, lua_Number *result) {
  const lua_WChar *endptr;
  lua_Number res = luaO_wstrtod(s, &endptr);
  if (endptr == s) return 0; /* no conversion */
  while (*endptr < 256 && isspace(*endptr) && *endptr != 0) endptr++;
  if (*endptr != 0) return 0; /* invalid format */
  *result = res;
  return 1;
}

size_t luaO_wstrlen(const lua_WChar *s) {
  size_t n = 0;
  while (s[n]) n++;
  return n;
}

int64_t luaO_num2int64(lua_Number n) {
  if (!(n >= -9223372036854775808.0 && n < 9223372036854775808.0)) return INT64_MIN;
  return (int64_t)n;
}

static void pushstr(lua_State *L, const char *str, size_t l) {
  setsvalue2s(L->top, luaS_newlstr(L, str, l));
  incr_top(L);
}

/* this function handles only `%d', `%c', %f, %p and `%s' formats */
const char *luaO_pushvfstring(lua_State *L, const char *fmt, va_list argp) {
  std::string out;
  for (;;) {
    const char *e = strchr(fmt, '%');
    if (e == NULL) break;
    out.append(fmt, e - fmt);
    switch (*(e + 1)) {
      case 's': {
        const char *s = va_arg(argp, char *);
        out += s ? s : "(null)";
        break;
      }
      case 'c':
        out += (char)va_arg(argp, int);
        break;
      case 'd': {
        char buff[32];
        snprintf(buff, sizeof(buff), "%d", va_arg(argp, int));
        out += buff;
        break;
      }
      case 'f': {
        char buff[64];
        luaO_num2str(buff, va_arg(argp, l_uacNumber));
        out += buff;
        break;
      }
      case 'p': {
        char buff[64];
        snprintf(buff, sizeof(buff), "%p", va_arg(argp, void *));
        out += buff;
        break;
      }
      case '%':
        out += '%';
        break;
      default:
        out += '%';
        if (*(e + 1)) out += *(e + 1);
        else e--; /* a lone '%' at the end */
        break;
    }
    fmt = e + 2;
  }
  out += fmt;
  pushstr(L, out.data(), out.size());
  return svalue(L->top - 1);
}

const char *luaO_pushfstring(lua_State *L, const char *fmt, ...) {
  const char *msg;
  va_list argp;
  va_start(argp, fmt);
  msg = luaO_pushvfstring(L, fmt, argp);
  va_end(argp);
  return msg;
}

void luaO_chunkid(char *out, const char *source, int bufflen) {
  if (*source == '=') {
    strncpy(out, source + 1, bufflen); /* remove first char */
    out[bufflen - 1] = '\0';           /* ensures null termination */
  }
  else { /* out = "source", or "...source" */
    if (*source == '@') {
      int l;
      source++; /* skip the `@' */
      bufflen -= sizeof(" `...' ");
      l = (int)strlen(source);
      strcpy(out, "");
      if (l > bufflen) {
        source += (l - bufflen); /* get last part of file name */
        strcat(out, "...");
      }
      strcat(out, source);
    }
    else { /* out = [string "string"] */
      int len = (int)strcspn(source, "\n"); /* stop at first newline */
      bufflen -= sizeof(" [string \"...\"] ");
      if (len > bufflen) len = bufflen;
      strcpy(out, "[string \"");
      if (source[len] != '\0') { /* must truncate? */
        strncat(out, source, len);
        strcat(out, "...");
      }
      else
        strcat(out, source);
      strcat(out, "\"]");
    }
  }
}
