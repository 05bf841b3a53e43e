/*
** String library: len, sub, lower, upper, char, rep, byte, format, dump, pattern matching
** (find, gfind, gsub) with the classic pattern language, and lualex (escape decoding); pack and
** unpack come from lpack.cpp. Functions take narrow strings; the library also becomes the
** strings' per-type table so that s:upper() works.
*/
#include <ctype.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"

#define uchar(c) ((unsigned char)(c))

typedef long sint32;  /* a signed type with enough room for string positions */

static int str_len(lua_State *L) {
  size_t l;
  luaL_checklstring(L, 1, &l);
  lua_pushnumber(L, (lua_Number)l);
  return 1;
}

/* relative string position: negative means back from the end */
static sint32 posrelat(sint32 pos, size_t len) {
  if (pos >= 0) return pos;
  if ((size_t)(-(pos + 1)) >= len) return 0;
  return (sint32)len + pos + 1;
}

static int str_sub(lua_State *L) {
  size_t l;
  const char *s = luaL_checklstring(L, 1, &l);
  sint32 start = posrelat(luaL_checklong(L, 2), l);
  sint32 end = posrelat(luaL_optlong(L, 3, -1), l);
  if (start < 1) start = 1;
  if (end > (sint32)l) end = (sint32)l;
  if (start <= end)
    lua_pushlstring(L, s + start - 1, (size_t)(end - start + 1));
  else
    lua_pushliteral(L, "");
  return 1;
}

/* the string with `f' applied to every byte */
static int str_map(lua_State *L, int (*f)(int)) {
  size_t l;
  luaL_Buffer b;
  const char *s = luaL_checklstring(L, 1, &l);
  luaL_buffinit(L, &b);
  char *d = luaL_prepbuffsize(&b, l);
  unsigned char table[256];  /* `f' asked once per byte value, not once per byte */
  for (int c = 0; c < 256; c++) table[c] = (unsigned char)f(c);
  for (size_t i = 0; i < l; i++) d[i] = (char)table[uchar(s[i])];
  luaL_addsize(&b, l);
  luaL_pushresult(&b);
  return 1;
}

static int str_lower(lua_State *L) { return str_map(L, tolower); }

static int str_upper(lua_State *L) { return str_map(L, toupper); }

static int str_rep(lua_State *L) {
  size_t l;
  luaL_Buffer b;
  const char *s = luaL_checklstring(L, 1, &l);
  int n = luaL_checkint(L, 2);
  if (n <= 0 || l == 0) {
    lua_pushliteral(L, "");
    return 1;
  }
  if ((size_t)n >= ((size_t)0x7FFFFFFF) / l) return luaL_error(L, "resulting string too large");
  size_t total = (size_t)n * l;
  luaL_buffinit(L, &b);
  char *d = luaL_prepbuffsize(&b, total);
  memcpy(d, s, l);
  for (size_t done = l; done < total; done *= 2)  /* double what is there */
    memcpy(d + done, d, done < total - done ? done : total - done);
  luaL_addsize(&b, total);
  luaL_pushresult(&b);
  return 1;
}

static int str_byte(lua_State *L) {
  size_t l;
  const char *s = luaL_checklstring(L, 1, &l);
  sint32 pos = posrelat(luaL_optlong(L, 2, 1), l);
  if (pos <= 0 || (size_t)pos > l) return 0;  /* index out of range: no answer */
  lua_pushnumber(L, uchar(s[pos - 1]));
  return 1;
}

static int str_char(lua_State *L) {
  int n = lua_gettop(L);
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  for (int i = 1; i <= n; i++) {
    int c = luaL_checkint(L, i);
    luaL_argcheck(L, uchar(c) == c, i, "invalid value");
    luaL_putchar(&b, uchar(c));
  }
  luaL_pushresult(&b);
  return 1;
}

static int writer(lua_State *, const void *b, size_t size, void *B) {
  luaL_addlstring(static_cast<luaL_Buffer *>(B), static_cast<const char *>(b), size);
  return 1;
}

/* the precompiled chunk of a Lua function */
static int str_dump(lua_State *L) {
  luaL_Buffer b;
  luaL_checktype(L, 1, LUA_TFUNCTION);
  lua_settop(L, 1);  /* the function on the top, where lua_dump takes it */
  luaL_buffinit(L, &b);
  if (!lua_dump(L, writer, &b)) luaL_error(L, "unable to dump given function");
  luaL_pushresult(&b);
  return 1;
}

/* ======================================================================================
** lualex: the escapes of literal text decoded, one byte per character, or in wide mode one
** 16-bit unit per character written low byte first
** ====================================================================================== */

static void lex_put(luaL_Buffer *b, int wide, unsigned v) {
  luaL_putchar(b, (char)(v & 0xFF));
  if (wide) luaL_putchar(b, (char)((v >> 8) & 0xFF));
}

static int hexvalue(int c) { return isdigit(c) ? c - '0' : tolower(c) - 'a' + 10; }

static int str_lualex(lua_State *L) {
  size_t l;
  const char *s = luaL_checklstring(L, 1, &l);
  lua_Number mode = luaL_checknumber(L, 2);
  int wide = (mode >= 1 || mode <= -1); /* a non-zero integer part */
  const char *end = s + l;
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  /* each character gives one unit at most: room for all at once where that fits */
  if (l <= LUAL_MAXRESULT / 2) luaL_prepbuffsize(&b, wide ? 2 * l : l);
  while (s < end) {
    if (*s != '\\') {  /* the text up to the next backslash in one piece */
      const char *bs = static_cast<const char *>(memchr(s, '\\', (size_t)(end - s)));
      size_t run = bs ? (size_t)(bs - s) : (size_t)(end - s);
      if (!wide) {
        luaL_addlstring(&b, s, run);
      } else {
        if (run > LUAL_MAXRESULT / 2) luaL_error(L, "resulting string too large");
        char *d = luaL_prepbuffsize(&b, 2 * run);
        for (size_t i = 0; i < run; i++) {
          d[2 * i] = s[i];
          d[2 * i + 1] = 0;
        }
        luaL_addsize(&b, 2 * run);
      }
      s += run;
      continue;
    }
    int c = uchar(*s++);
    if (c != '\\' || s == end) { /* (a backslash at the very end stands for itself) */
      lex_put(&b, wide, (unsigned)c);
      continue;
    }
    c = uchar(*s++);
    switch (c) {
      case 'a': lex_put(&b, wide, '\a'); break;
      case 'b': lex_put(&b, wide, '\b'); break;
      case 'f': lex_put(&b, wide, '\f'); break;
      case 'n': lex_put(&b, wide, '\n'); break;
      case 'r': lex_put(&b, wide, '\r'); break;
      case 't': lex_put(&b, wide, '\t'); break;
      case 'v': lex_put(&b, wide, '\v'); break;
      case 'x': {
        unsigned v = 0;
        int digits = 0, max = wide ? 4 : 2;
        while (digits < max && s < end && isxdigit(uchar(*s))) {
          v = v * 16 + (unsigned)hexvalue(uchar(*s++));
          digits++;
        }
        lex_put(&b, wide, digits > 0 ? v : (unsigned)'x');
        break;
      }
      default:
        if (isdigit(c)) { /* up to 3 decimal digits, kept to 8 bits */
          unsigned v = (unsigned)(c - '0');
          for (int i = 1; i < 3 && s < end && isdigit(uchar(*s)); i++) v = v * 10 + (unsigned)(*s++ - '0');
          lex_put(&b, wide, v & 0xFF);
        } else {
          lex_put(&b, wide, (unsigned)c);
        }
        break;
    }
  }
  luaL_pushresult(&b);
  return 1;
}

/* ======================================================================================
** Pattern matching
** ====================================================================================== */

#define MAX_CAPTURES 32
#define CAP_UNFINISHED (-1)
#define CAP_POSITION (-2)
/* recursion limit of the matcher (each optional item or capture nests one level) */
#define MAX_MATCH_DEPTH 1000
/* Work limit of one call (find, gsub, one step of gfind): a step is one attempt of the matcher
   or one character a repetition or a balance scans. Backtracking over nested repetitions grows
   with a power of the subject's length, out of reach of any hook; ordinary patterns need a few
   steps per character of the subject, so this allows megabytes of text per call. */
#define MAX_MATCH_STEPS 50000000LL

typedef struct MatchState {
  const char *src_init;  /* init of source string */
  const char *src_end;   /* end of source string */
  lua_State *L;
  int level;  /* total number of captures (finished or unfinished) */
  int depth;  /* current nesting of match() */
  long long steps;  /* what is left of MAX_MATCH_STEPS */
  struct {
    const char *init;
    sint32 len;
  } capture[MAX_CAPTURES];
} MatchState;

#define L_ESC '%'
#define SPECIALS "^$*+?.([%-"

static int check_capture(MatchState *ms, int l) {
  l -= '1';
  if (l < 0 || l >= ms->level || ms->capture[l].len == CAP_UNFINISHED)
    return luaL_error(ms->L, "invalid capture index");
  return l;
}

static int capture_to_close(MatchState *ms) {
  int level = ms->level;
  for (level--; level >= 0; level--)
    if (ms->capture[level].len == CAP_UNFINISHED) return level;
  return luaL_error(ms->L, "invalid pattern capture");
}

static const char *luaI_classend(MatchState *ms, const char *p) {
  switch (*p++) {
    case L_ESC: {
      if (*p == '\0') luaL_error(ms->L, "malformed pattern (ends with `%%')");
      return p + 1;
    }
    case '[': {
      if (*p == '^') p++;
      do {  /* look for a `]' */
        if (*p == '\0') luaL_error(ms->L, "malformed pattern (missing `]')");
        if (*(p++) == L_ESC && *p != '\0') p++;  /* skip escapes (e.g. `%]') */
      } while (*p != ']');
      return p + 1;
    }
    default:
      return p;
  }
}

static int match_class(int c, int cl) {
  int res;
  switch (tolower(cl)) {
    case 'a': res = isalpha(c); break;
    case 'c': res = iscntrl(c); break;
    case 'd': res = isdigit(c); break;
    case 'l': res = islower(c); break;
    case 'p': res = ispunct(c); break;
    case 's': res = isspace(c); break;
    case 'u': res = isupper(c); break;
    case 'w': res = isalnum(c); break;
    case 'x': res = isxdigit(c); break;
    case 'z': res = (c == 0); break;
    default: return (cl == c);
  }
  if (isupper(cl)) res = !res;
  return res;
}

static int matchbracketclass(int c, const char *p, const char *ec) {
  int sig = 1;
  if (*(p + 1) == '^') {
    sig = 0;
    p++;  /* skip the `^' */
  }
  while (++p < ec) {
    if (*p == L_ESC) {
      p++;
      if (match_class(c, uchar(*p))) return sig;
    } else if ((*(p + 1) == '-') && (p + 2 < ec)) {
      p += 2;
      if (uchar(*(p - 2)) <= c && c <= uchar(*p)) return sig;
    } else if (uchar(*p) == c)
      return sig;
  }
  return !sig;
}

static int luaI_singlematch(int c, const char *p, const char *ep) {
  switch (*p) {
    case '.': return 1;  /* matches any char */
    case L_ESC: return match_class(c, uchar(*(p + 1)));
    case '[': return matchbracketclass(c, p, ep - 1);
    default: return (uchar(*p) == c);
  }
}

static const char *match(MatchState *ms, const char *s, const char *p);

static void spend(MatchState *ms, ptrdiff_t steps) {
  ms->steps -= steps;
  if (ms->steps < 0) luaL_error(ms->L, "pattern too complex (step limit reached)");
}

static const char *matchbalance(MatchState *ms, const char *s, const char *p) {
  if (*p == 0 || *(p + 1) == 0) luaL_error(ms->L, "unbalanced pattern");
  if (s >= ms->src_end || *s != *p) return NULL;
  int b = *p;
  int e = *(p + 1);
  int cont = 1;
  const char *init = s;
  while (++s < ms->src_end) {
    if (*s == e) {
      if (--cont == 0) {
        spend(ms, s - init);
        return s + 1;
      }
    } else if (*s == b)
      cont++;
  }
  spend(ms, s - init);
  return NULL;  /* string ends out of balance */
}

static const char *max_expand(MatchState *ms, const char *s, const char *p, const char *ep) {
  ptrdiff_t i = 0;  /* counts maximum expand for item */
  while ((s + i) < ms->src_end && luaI_singlematch(uchar(*(s + i)), p, ep)) i++;
  spend(ms, i);
  /* keeps trying to match with the maximum repetitions */
  while (i >= 0) {
    const char *res = match(ms, (s + i), ep + 1);
    if (res) return res;
    i--;  /* else didn't match; reduce 1 repetition to try again */
  }
  return NULL;
}

static const char *min_expand(MatchState *ms, const char *s, const char *p, const char *ep) {
  for (;;) {
    const char *res = match(ms, s, ep + 1);
    if (res != NULL) return res;
    if (s < ms->src_end && luaI_singlematch(uchar(*s), p, ep))
      s++;  /* try with one more repetition */
    else
      return NULL;
  }
}

static const char *start_capture(MatchState *ms, const char *s, const char *p, int what) {
  int level = ms->level;
  if (level >= MAX_CAPTURES) luaL_error(ms->L, "too many captures");
  ms->capture[level].init = s;
  ms->capture[level].len = what;
  ms->level = level + 1;
  const char *res = match(ms, s, p);
  if (res == NULL) ms->level--;  /* match failed: undo capture */
  return res;
}

static const char *end_capture(MatchState *ms, const char *s, const char *p) {
  int l = capture_to_close(ms);
  ms->capture[l].len = s - ms->capture[l].init;  /* close capture */
  const char *res = match(ms, s, p);
  if (res == NULL) ms->capture[l].len = CAP_UNFINISHED;  /* undo capture */
  return res;
}

static const char *match_capture(MatchState *ms, const char *s, int l) {
  l = check_capture(ms, l);
  size_t len = (size_t)ms->capture[l].len;
  if ((size_t)(ms->src_end - s) >= len) {
    spend(ms, (ptrdiff_t)len);
    if (memcmp(ms->capture[l].init, s, len) == 0) return s + len;
  }
  return NULL;
}

static const char *do_match(MatchState *ms, const char *s, const char *p) {
init: /* using goto's to optimize tail recursion */
  switch (*p) {
    case '(': {  /* start capture */
      if (*(p + 1) == ')')  /* position capture? */
        return start_capture(ms, s, p + 2, CAP_POSITION);
      return start_capture(ms, s, p + 1, CAP_UNFINISHED);
    }
    case ')':  /* end capture */
      return end_capture(ms, s, p + 1);
    case L_ESC: {
      switch (*(p + 1)) {
        case 'b': {  /* balanced string? */
          s = matchbalance(ms, s, p + 2);
          if (s == NULL) return NULL;
          p += 4;
          goto init;
        }
        default: {
          if (isdigit(uchar(*(p + 1)))) {  /* capture back-reference */
            s = match_capture(ms, s, uchar(*(p + 1)));
            if (s == NULL) return NULL;
            p += 2;
            goto init;
          }
          goto dflt;
        }
      }
    }
    case '\0':  /* end of pattern */
      return s;  /* match succeeded */
    case '$': {
      if (*(p + 1) == '\0')  /* is the `$' the last char in pattern? */
        return (s == ms->src_end) ? s : NULL;  /* check end of string */
      goto dflt;
    }
    default:
    dflt: {  /* it is a pattern item */
      const char *ep = luaI_classend(ms, p);  /* points to what is next */
      int m = s < ms->src_end && luaI_singlematch(uchar(*s), p, ep);
      switch (*ep) {
        case '?': {  /* optional */
          const char *res;
          if (m && ((res = match(ms, s + 1, ep + 1)) != NULL)) return res;
          p = ep + 1;
          goto init;
        }
        case '*':  /* 0 or more repetitions */
          return max_expand(ms, s, p, ep);
        case '+':  /* 1 or more repetitions */
          return (m ? max_expand(ms, s + 1, p, ep) : NULL);
        case '-':  /* 0 or more repetitions (minimum) */
          return min_expand(ms, s, p, ep);
        default: {
          if (!m) return NULL;
          s++;
          p = ep;
          goto init;
        }
      }
    }
  }
}

static const char *match(MatchState *ms, const char *s, const char *p) {
  if (++ms->depth > MAX_MATCH_DEPTH) luaL_error(ms->L, "pattern too complex");
  spend(ms, 1);
  const char *res = do_match(ms, s, p);
  ms->depth--;
  return res;
}

/* the first occurrence of s2 in s1; glibc's memmem is linear in both lengths, where a naive
   search costs their product */
static const char *lmemfind(const char *s1, size_t l1, const char *s2, size_t l2) {
  if (l2 == 0) return s1;  /* empty strings are everywhere */
  if (l2 > l1) return NULL;
  return static_cast<const char *>(memmem(s1, l1, s2, l2));
}

static void push_onecapture(MatchState *ms, int i) {
  sint32 l = ms->capture[i].len;
  if (l == CAP_UNFINISHED) luaL_error(ms->L, "unfinished capture");
  if (l == CAP_POSITION)
    lua_pushnumber(ms->L, (lua_Number)(ms->capture[i].init - ms->src_init + 1));
  else
    lua_pushlstring(ms->L, ms->capture[i].init, (size_t)l);
}

static int push_captures(MatchState *ms, const char *s, const char *e) {
  luaL_checkstack(ms->L, ms->level, "too many captures");
  if (ms->level == 0 && s) {  /* no explicit captures? */
    lua_pushlstring(ms->L, s, (size_t)(e - s));  /* return whole match */
    return 1;
  }
  for (int i = 0; i < ms->level; i++) push_onecapture(ms, i);
  return ms->level;  /* number of strings pushed */
}

static void init_match(MatchState *ms, lua_State *L, const char *s, size_t ls) {
  ms->L = L;
  ms->src_init = s;
  ms->src_end = s + ls;
  ms->level = 0;
  ms->depth = 0;
  ms->steps = MAX_MATCH_STEPS;
}

static int str_find(lua_State *L) {
  size_t l1, l2;
  const char *s = luaL_checklstring(L, 1, &l1);
  const char *p = luaL_checklstring(L, 2, &l2);
  sint32 init = posrelat(luaL_optlong(L, 3, 1), l1) - 1;
  if (init < 0)
    init = 0;
  else if ((size_t)init > l1)
    init = (sint32)l1;
  if (lua_toboolean(L, 4) ||  /* explicit request? */
      strpbrk(p, SPECIALS) == NULL) {  /* or no special characters? */
    /* do a plain search */
    const char *s2 = lmemfind(s + init, l1 - (size_t)init, p, l2);
    if (s2) {
      lua_pushnumber(L, (lua_Number)(s2 - s + 1));
      lua_pushnumber(L, (lua_Number)(s2 - s + (ptrdiff_t)l2));
      return 2;
    }
  } else {
    MatchState ms;
    int anchor = (*p == '^') ? (p++, 1) : 0;
    const char *s1 = s + init;
    init_match(&ms, L, s, l1);
    do {
      const char *res;
      ms.level = 0;
      ms.depth = 0;
      if ((res = match(&ms, s1, p)) != NULL) {
        lua_pushnumber(L, (lua_Number)(s1 - s + 1));  /* start */
        lua_pushnumber(L, (lua_Number)(res - s));    /* end */
        return push_captures(&ms, NULL, 0) + 2;
      }
    } while (s1++ < ms.src_end && !anchor);
  }
  lua_pushnil(L);  /* not found */
  return 1;
}

static int gfind_aux(lua_State *L) {
  MatchState ms;
  const char *s = lua_tostring(L, lua_upvalueindex(1));
  size_t ls = lua_strlen(L, lua_upvalueindex(1));
  const char *p = lua_tostring(L, lua_upvalueindex(2));
  lua_Number start = lua_tonumber(L, lua_upvalueindex(3));
  init_match(&ms, L, s, ls);
  if (!(start >= 0) || start > (lua_Number)ls) return 0;  /* past the end */
  for (const char *src = s + (size_t)start; src <= ms.src_end; src++) {
    const char *e;
    ms.level = 0;
    ms.depth = 0;
    if ((e = match(&ms, src, p)) != NULL) {
      ptrdiff_t newstart = e - s;
      if (e == src) newstart++;  /* empty match? go at least one position */
      lua_pushnumber(L, (lua_Number)newstart);
      lua_replace(L, lua_upvalueindex(3));
      return push_captures(&ms, src, e);
    }
  }
  lua_pushnumber(L, (lua_Number)ls + 1);  /* exhausted: later calls find nothing */
  lua_replace(L, lua_upvalueindex(3));
  return 0;  /* not found */
}

static int gfind(lua_State *L) {
  luaL_checkstring(L, 1);
  luaL_checkstring(L, 2);
  lua_settop(L, 2);
  lua_pushnumber(L, 0);
  lua_pushcclosure(L, gfind_aux, 3);
  return 1;
}

/* a capture's text straight into the result: as push_onecapture and luaL_addvalue would add it,
   without making a string of it each time it is named */
static void add_onecapture(MatchState *ms, luaL_Buffer *b, int i) {
  sint32 l = ms->capture[i].len;
  if (l == CAP_UNFINISHED) luaL_error(ms->L, "unfinished capture");
  if (l == CAP_POSITION) {  /* a position: a positive integer, written as a number prints */
    char num[24];
    char *d = num + sizeof(num);
    size_t v = (size_t)(ms->capture[i].init - ms->src_init + 1);
    do {
      *--d = (char)('0' + v % 10);
      v /= 10;
    } while (v != 0);
    luaL_addlstring(b, d, (size_t)(num + sizeof(num) - d));
  } else {
    luaL_addlstring(b, ms->capture[i].init, (size_t)l);
  }
}

static void add_s(MatchState *ms, luaL_Buffer *b, const char *s, const char *e) {
  lua_State *L = ms->L;
  if (lua_type(L, 3) != LUA_TFUNCTION) {  /* replacement text */
    const char *news = lua_tostring(L, 3);
    size_t l = lua_strlen(L, 3);
    for (size_t i = 0; i < l; i++) {
      if (news[i] != L_ESC) {  /* the text up to the next `%' in one piece */
        const char *esc = static_cast<const char *>(memchr(news + i, L_ESC, l - i));
        size_t run = esc ? (size_t)(esc - (news + i)) : l - i;
        luaL_addlstring(b, news + i, run);
        i += run - 1;
      } else {
        i++;  /* skip ESC */
        if (i >= l) break;  /* a lone `%' at the end adds nothing */
        if (!isdigit(uchar(news[i]))) {
          luaL_putchar(b, news[i]);
        } else {
          add_onecapture(ms, b, check_capture(ms, news[i]));
        }
      }
    }
  } else {  /* a function */
    lua_pushvalue(L, 3);
    int n = push_captures(ms, s, e);
    lua_call(L, n, 1);
    int t = lua_type(L, -1);
    if (t == LUA_TSTRING || t == LUA_TNUMBER)
      luaL_addvalue(b);  /* add the result to the accumulated text */
    else
      lua_pop(L, 1);  /* function result is not a string: pop it */
  }
}

/* A replacement text read once: how many bytes it adds itself, and how often it names each
   capture (the digits in the order they first appear, so errors come as add_s raises them) */
struct Replacement {
  size_t literal = 0;
  int ndigits = 0;
  char digits[10];
  size_t count[10] = {0};
};

static void read_replacement(const char *news, size_t l, Replacement *r) {
  for (size_t i = 0; i < l; i++) {
    if (news[i] != L_ESC) {
      r->literal++;
    } else {
      i++;
      if (i >= l) break;  /* a lone `%' at the end adds nothing */
      if (isdigit(uchar(news[i]))) {
        int d = news[i] - '0';
        if (r->count[d]++ == 0) r->digits[r->ndigits++] = news[i];
      } else {
        r->literal++;
      }
    }
  }
}

/* the length add_s adds for a replacement text; raises the errors add_s would */
static size_t add_s_length(MatchState *ms, const Replacement *r) {
  size_t total = r->literal;
  for (int k = 0; k < r->ndigits; k++) {
    int level = check_capture(ms, r->digits[k]);
    sint32 cl = ms->capture[level].len;
    size_t one;
    if (cl == CAP_POSITION) {
      char num[64];
      one = (size_t)snprintf(num, sizeof(num), LUA_NUMBER_FMT,
                             (double)(ms->capture[level].init - ms->src_init + 1));
    } else {
      one = (size_t)cl;
    }
    size_t n = r->count[r->digits[k] - '0'];
    if (one != 0 && n > LUAL_MAXRESULT / one) return LUAL_MAXRESULT + 1;
    total += n * one;  /* both terms are below the limit: no overflow */
  }
  return total;
}

static size_t l_refs(const Replacement *r) {
  size_t n = 0;
  for (int d = 0; d < 10; d++) n += r->count[d];
  return n;
}

static void grow_length(MatchState *ms, size_t *total, size_t add) {
  if (add > LUAL_MAXRESULT - *total) luaL_error(ms->L, "resulting string too large");
  *total += add;
}

static size_t gsub_length(MatchState *ms, const Replacement *r, const char *src, const char *p,
                          int anchor, int max_s) {
  size_t total = 0;
  int n = 0;
  while (n < max_s) {
    ms->level = 0;
    ms->depth = 0;
    const char *e = match(ms, src, p);
    if (e) {
      n++;
      grow_length(ms, &total, add_s_length(ms, r));
    }
    if (e && e > src) /* non empty match? */
      src = e;
    else if (src < ms->src_end)
      grow_length(ms, &total, 1), src++;
    else
      break;
    if (anchor) break;
  }
  grow_length(ms, &total, (size_t)(ms->src_end - src));
  return total;
}

/* capture references one gsub may write: far above real use, a second or so of copying */
#define MAX_GSUB_REFS ((size_t)1 << 26)

static int str_gsub(lua_State *L) {
  size_t srcl;
  const char *src = luaL_checklstring(L, 1, &srcl);
  const char *p = luaL_checkstring(L, 2);
  int max_s = luaL_optint(L, 4, (lua_Number)srcl + 1);
  int anchor = (*p == '^') ? (p++, 1) : 0;
  int n = 0;
  int t3 = lua_type(L, 3);
  MatchState ms;
  luaL_Buffer b;
  luaL_argcheck(L, t3 == LUA_TSTRING || t3 == LUA_TNUMBER || t3 == LUA_TFUNCTION, 3,
                "string or function expected");
  if (t3 == LUA_TNUMBER) lua_tostring(L, 3);  /* the replacement as text */
  luaL_buffinit(L, &b);
  Replacement r;
  size_t refs = 0, maxrefs = 0;  /* capture references written, and how many are allowed */
  if (t3 != LUA_TFUNCTION) {
    read_replacement(lua_tostring(L, 3), lua_strlen(L, 3), &r);
    refs = l_refs(&r);
    maxrefs = MAX_GSUB_REFS;
    /* A result that may pass the limit is measured first. The bound: a match at every
       position, each capture reference taking the whole subject. */
    double bound = (double)srcl + ((double)srcl + 1) *
                   ((double)r.literal + (double)l_refs(&r) * ((double)srcl + 64));
    if (bound > (double)LUAL_MAXRESULT) {
      init_match(&ms, L, src, srcl);
      luaL_prepbuffsize(&b, gsub_length(&ms, &r, src, p, anchor, max_s));
    }
  }
  init_match(&ms, L, src, srcl);
  while (n < max_s) {
    const char *e;
    ms.level = 0;
    ms.depth = 0;
    e = match(&ms, src, p);
    if (e) {
      n++;
      add_s(&ms, &b, src, e);
      /* each reference costs a copy of its own, however short: their number is bounded too */
      if (refs > maxrefs) luaL_error(L, "replacement too complex (reference limit reached)");
      maxrefs -= refs;
    }
    if (e && e > src) /* non empty match? */
      src = e;  /* skip it */
    else if (src < ms.src_end)
      luaL_putchar(&b, *src++);
    else
      break;
    if (anchor) break;
  }
  luaL_addlstring(&b, src, (size_t)(ms.src_end - src));
  luaL_pushresult(&b);
  lua_pushnumber(L, (lua_Number)n);  /* number of substitutions */
  return 2;
}

/* ======================================================================================
** format
** ====================================================================================== */

#define MAX_ITEM 512  /* maximum size of each formatted item */
#define FLAGS "-+ #0"
#define MAX_FORMAT 20  /* maximum size of each conversion item (such as "%-099.99d") */

/* %q. The length is counted first, so a literal past the string limit is refused before any of
   it is written. */
static void luaI_addquoted(lua_State *L, luaL_Buffer *b, int arg) {
  size_t l;
  const char *s = luaL_checklstring(L, arg, &l);
  size_t total = l + 2;
  for (size_t i = 0; i < l; i++) {
    char c = s[i];
    if (c == '"' || c == '\\' || c == '\n')
      total += 1;
    else if (c == '\0')
      total += 3;
  }
  char *d = luaL_prepbuffsize(b, total);
  *d++ = '"';
  for (size_t i = 0; i < l; i++) {
    char c = s[i];
    if (c == '"' || c == '\\' || c == '\n') {
      *d++ = '\\';
      *d++ = c;
    } else if (c == '\0') {
      memcpy(d, "\\000", 4);
      d += 4;
    } else {
      *d++ = c;
    }
  }
  *d = '"';
  luaL_addsize(b, total);
}

/* number to a 64-bit integer toward zero, saturating at the ends of the range */
static long long num2ll(lua_Number d) {
  if (!(d == d)) return 0;
  if (d >= 9223372036854775808.0) return INT64_MAX;
  if (d <= -9223372036854775808.0) return INT64_MIN;
  return (long long)d;
}

/* the escape letter of a control character, or 0 */
static int escapeletter(unsigned c) {
  switch (c) {
    case 7: return 'a';
    case 8: return 'b';
    case 9: return 't';
    case 10: return 'n';
    case 11: return 'v';
    case 12: return 'f';
    case 13: return 'r';
    default: return 0;
  }
}

/* the bytes one character of a %Q literal takes: letter escapes, \" and \\, hex escapes of
   `hexdigits' digits for characters not printable or above 255 */
static size_t quotedCharLength(unsigned c, int hexdigits) {
  if (escapeletter(c) || c == '"' || c == '\\') return 2;
  if (c >= 256 || !isprint((int)c)) return 2 + (size_t)hexdigits;
  return 1;
}

static char *putQuotedChar(char *d, unsigned c, int hexdigits) {
  static const char kHex[] = "0123456789abcdef";
  int e = escapeletter(c);
  if (e || c == '"' || c == '\\') {
    *d++ = '\\';
    *d++ = (char)(e ? e : (int)c);
  } else if (c >= 256 || !isprint((int)c)) {
    *d++ = '\\';
    *d++ = 'x';
    for (int k = hexdigits - 1; k >= 0; k--) *d++ = kHex[(c >> (4 * k)) & 0xF];
  } else {
    *d++ = (char)c;
  }
  return d;
}

/* %Q: a literal the lexer reads back, narrow ("...") or wide (L"...") after the argument. Counted
   first, like %q. */
static void addQuoted(lua_State *L, luaL_Buffer *b, int arg) {
  size_t l;
  if (lua_type(L, arg) == LUA_TWSTRING) {
    const lua_WChar *w = luaL_checklwstring(L, arg, &l);
    size_t total = 3;
    for (size_t i = 0; i < l; i++) total += quotedCharLength(w[i], 4);
    char *d = luaL_prepbuffsize(b, total);
    *d++ = 'L';
    *d++ = '"';
    for (size_t i = 0; i < l; i++) d = putQuotedChar(d, w[i], 4);
    *d = '"';
    luaL_addsize(b, total);
  } else {
    const char *s = luaL_checklstring(L, arg, &l);
    size_t total = 2;
    for (size_t i = 0; i < l; i++) total += quotedCharLength(uchar(s[i]), 2);
    char *d = luaL_prepbuffsize(b, total);
    *d++ = '"';
    for (size_t i = 0; i < l; i++) d = putQuotedChar(d, uchar(s[i]), 2);
    *d = '"';
    luaL_addsize(b, total);
  }
}

/* %b followed by a letter: the number's raw bytes in machine order */
static const char *addRawNumber(lua_State *L, luaL_Buffer *b, int arg, const char *p, const char *end) {
  int kind = p < end ? uchar(*p++) : 0;
  if (!strchr("Ffdwb", kind) || kind == 0) return p; /* any other letter: the argument is passed over */
  lua_Number n = luaL_checknumber(L, arg);
  switch (kind) {
    case 'F': {
      double d = (double)n;
      luaL_addlstring(b, (const char *)&d, sizeof(d));
      break;
    }
    case 'f': {
      float f = (float)n;
      luaL_addlstring(b, (const char *)&f, sizeof(f));
      break;
    }
    case 'd': {
      uint32_t v = (uint32_t)((unsigned long long)num2ll(n) & 0xFFFFFFFFull);
      luaL_addlstring(b, (const char *)&v, sizeof(v));
      break;
    }
    case 'w': {
      uint16_t v = (uint16_t)((unsigned long long)num2ll(n) & 0xFFFFull);
      luaL_addlstring(b, (const char *)&v, sizeof(v));
      break;
    }
    case 'b':
      luaL_putchar(b, (char)((unsigned long long)num2ll(n) & 0xFFull));
      break;
    default: /* any other letter writes nothing */
      break;
  }
  return p;
}

static const char *scanformat(lua_State *L, const char *strfrmt, char *form, int *hasprecision) {
  const char *p = strfrmt;
  while (*p != '\0' && strchr(FLAGS, *p)) p++;  /* skip flags */
  if ((size_t)(p - strfrmt) >= sizeof(FLAGS)) luaL_error(L, "invalid format (repeated flags)");
  if (isdigit(uchar(*p))) p++;  /* skip width */
  if (isdigit(uchar(*p))) p++;  /* (2 digits at most) */
  if (*p == '.') {
    p++;
    *hasprecision = 1;
    if (isdigit(uchar(*p))) p++;  /* skip precision */
    if (isdigit(uchar(*p))) p++;  /* (2 digits at most) */
  }
  if (isdigit(uchar(*p))) luaL_error(L, "invalid format (width or precision too long)");
  if (p - strfrmt + 2 > MAX_FORMAT)  /* +2 to include `%' and the specifier */
    luaL_error(L, "invalid format (too long)");
  form[0] = '%';
  memcpy(form + 1, strfrmt, (size_t)(p - strfrmt + 1));
  form[p - strfrmt + 2] = 0;
  return p;
}

/* inserts a length modifier before the conversion letter at the end of `form' */
static void addlenmod(char *form, const char *mod) {
  size_t l = strlen(form);
  char conversion = form[l - 1];
  size_t lm = strlen(mod);
  memcpy(form + l - 1, mod, lm);
  form[l + lm - 1] = conversion;
  form[l + lm] = '\0';
}

static int str_format(lua_State *L) {
  int arg = 1;
  size_t sfl;
  const char *strfrmt = luaL_checklstring(L, arg, &sfl);
  const char *strfrmt_end = strfrmt + sfl;
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  while (strfrmt < strfrmt_end) {
    if (*strfrmt != L_ESC) {  /* the text up to the next `%' in one piece */
      const char *esc = static_cast<const char *>(memchr(strfrmt, L_ESC, (size_t)(strfrmt_end - strfrmt)));
      size_t run = esc ? (size_t)(esc - strfrmt) : (size_t)(strfrmt_end - strfrmt);
      luaL_addlstring(&b, strfrmt, run);
      strfrmt += run;
    } else if (*++strfrmt == L_ESC) {
      luaL_putchar(&b, *strfrmt++);  /* %% */
    } else { /* format item */
      char form[MAX_FORMAT + 4];  /* the format (`%...') with room for a length modifier */
      char buff[MAX_ITEM];  /* the formatted item */
      int hasprecision = 0;
      if (isdigit(uchar(*strfrmt)) && *(strfrmt + 1) == '$')
        return luaL_error(L, "obsolete option (d$) to `format'");
      arg++;
      strfrmt = scanformat(L, strfrmt, form, &hasprecision);
      switch (*strfrmt++) {
        case 'c': {
          snprintf(buff, sizeof(buff), form, luaL_checkint(L, arg));
          break;
        }
        case 'd':
        case 'i': {
          addlenmod(form, "ll");
          snprintf(buff, sizeof(buff), form, num2ll(luaL_checknumber(L, arg)));
          break;
        }
        case 'o':
        case 'u':
        case 'x':
        case 'X': {  /* the low 32 bits, as an unsigned int */
          unsigned int u = (unsigned int)((unsigned long long)num2ll(luaL_checknumber(L, arg)) &
                                          0xFFFFFFFFull);
          snprintf(buff, sizeof(buff), form, u);
          break;
        }
        case 'e':
        case 'E':
        case 'f':
        case 'g':
        case 'G': {
          snprintf(buff, sizeof(buff), form, (double)luaL_checknumber(L, arg));
          break;
        }
        case 'q': {
          luaI_addquoted(L, &b, arg);
          continue;  /* skip the `addsize' at the end */
        }
        case 'Q': {
          addQuoted(L, &b, arg);
          continue;
        }
        case 'B': {  /* flags, width and precision do not apply */
          int t = lua_type(L, arg);
          if (t != LUA_TBOOLEAN && t != LUA_TNIL) luaL_typerror(L, arg, "boolean");
          luaL_addstring(&b, lua_toboolean(L, arg) ? "true" : "false");
          continue;
        }
        case 'b': {
          strfrmt = addRawNumber(L, &b, arg, strfrmt, strfrmt_end);
          continue;
        }
        case 's': {
          size_t l;
          const char *s = luaL_checklstring(L, arg, &l);
          if (!hasprecision && l >= 100) {
            /* no precision and the string is too long to be formatted: keep it whole */
            lua_pushvalue(L, arg);
            luaL_addvalue(&b);
            continue;
          }
          snprintf(buff, sizeof(buff), form, s);
          break;
        }
        default:  /* also treat cases `pnLlh' */
          return luaL_error(L, "invalid option to `format'");
      }
      luaL_addlstring(&b, buff, strlen(buff));
    }
  }
  luaL_pushresult(&b);
  return 1;
}

static const luaL_reg strlib[] = {
    {"len", str_len},       {"sub", str_sub},   {"lower", str_lower},   {"upper", str_upper},
    {"char", str_char},     {"rep", str_rep},   {"byte", str_byte},     {"format", str_format},
    {"dump", str_dump},     {"find", str_find}, {"gfind", gfind},       {"gsub", str_gsub},
    {"lualex", str_lualex}, {NULL, NULL}};

LUALIB_API int luaopen_string(lua_State *L) {
  luaL_openlib(L, LUA_STRLIBNAME, strlib, 0);
  /* strings index the library: s:upper() */
  lua_pushvalue(L, -1);
  lua_settypetable(L, LUA_TSTRING);
  luaopen_pack(L);
  return 1;
}
