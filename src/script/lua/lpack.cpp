/*
** string.pack and string.unpack: binary records described by a format of one-letter codes with
** counts, byte-order switches and wide-string prefixes. Unpack never reads outside its string:
** a field for which too few bytes are left ends the unpacking.
*/
#include <ctype.h>
#include <stdint.h>
#include <string.h>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"

namespace {

/* largest count taken from a format; larger written counts saturate here */
const size_t MAX_COUNT = 0xFFFFFFFFu;

/* longest padding a fixed-size field may add (the longest string string.rep builds) */
const size_t MAX_RESULT = 0x7FFFFFFFu;

int machine_little() {
  const uint16_t one = 1;
  unsigned char b;
  memcpy(&b, &one, 1);
  return b == 1;
}

/* decimal digits at *fmt (none: 1; a written 0 also counts as 1) */
size_t getcount(const char **fmt, const char *end) {
  const char *p = *fmt;
  if (p >= end || !isdigit((unsigned char)*p)) return 1;
  size_t n = 0;
  while (p < end && isdigit((unsigned char)*p)) {
    n = n * 10 + (size_t)(*p++ - '0');
    if (n > MAX_COUNT) n = MAX_COUNT;
  }
  *fmt = p;
  return n == 0 ? 1 : n;
}

/* a format being read: `w' marks the code after it as wide */
struct Format {
  const char *p;
  const char *end;
  int wide;
};

/* the next code, its count and whether a `w' came before it */
int nextcode(Format *F, size_t *n, int *wide) {
  int c = (unsigned char)*F->p++;
  *n = getcount(&F->p, F->end);
  *wide = F->wide;
  F->wide = 0;
  return c;
}

/* the argument error for a format character that is no code */
int badcode(lua_State *L, int c) {
  char msg[] = "bad code `?'";
  msg[sizeof(msg) - 3] = (char)c;
  return luaL_argerror(L, 1, msg);
}

/* number toward zero as a 64-bit integer, saturating at the ends of the range (NaN gives 0) */
int64_t num2int64(lua_Number d) {
  if (!(d == d)) return 0;
  if (d >= 9223372036854775808.0) return INT64_MAX;
  if (d <= -9223372036854775808.0) return INT64_MIN;
  return (int64_t)d;
}

/* ------------------------------------------------------------------------------------------
** pack
** ------------------------------------------------------------------------------------------ */

struct Packer {
  lua_State *L;
  luaL_Buffer b;
  size_t written; /* bytes in the result so far */
  int little;     /* byte order of the following fields */
};

void addbytes(Packer *P, const void *p, size_t n) {
  luaL_addlstring(&P->b, static_cast<const char *>(p), n);
  P->written += n;
}

/* `n' copies of one byte, made room for at once (a fill past the string limit is refused
   before any of it is written) */
void addfill(Packer *P, unsigned char byte, size_t n) {
  memset(luaL_prepbuffsize(&P->b, n), byte, n);
  luaL_addsize(&P->b, n);
  P->written += n;
}

/* the low `size' bytes of v in the selected order */
void addint(Packer *P, uint64_t v, size_t size) {
  unsigned char out[8];
  for (size_t i = 0; i < size; i++) {
    unsigned char byte = (unsigned char)((v >> (8 * i)) & 0xFF);
    out[P->little ? i : size - 1 - i] = byte;
  }
  addbytes(P, out, size);
}

/* reverses the bytes of a float or double when the selected order is not the machine's */
void toorder(unsigned char *b, size_t size, int little) {
  if ((little != 0) == (machine_little() != 0)) return;
  for (size_t i = 0; i < size / 2; i++) {
    unsigned char t = b[i];
    b[i] = b[size - 1 - i];
    b[size - 1 - i] = t;
  }
}

/* a float or double in the selected order */
void addfloat(Packer *P, const void *v, size_t size) {
  unsigned char out[8];
  memcpy(out, v, size);
  toorder(out, size, P->little);
  addbytes(P, out, size);
}

/* code z, p, P, a or A for one string argument; wide strings count and write 16-bit units */
void packstring(Packer *P, int code, int wide, int arg) {
  size_t len;
  const char *s = NULL;
  const lua_WChar *w = NULL;
  if (wide)
    w = luaL_checklwstring(P->L, arg, &len);
  else
    s = luaL_checklstring(P->L, arg, &len);
  switch (code) {
    case 'p': addint(P, len, 1); break;
    case 'P': addint(P, len, 2); break;
    case 'a': addint(P, len, 4); break;
    default: break;
  }
  if (wide) {
    for (size_t i = 0; i < len; i++) addint(P, w[i], 2);
    if (code == 'z') addint(P, 0, 2);
  } else {
    addbytes(P, s, len);
    if (code == 'z') addbytes(P, "", 1);
  }
}

int l_pack(lua_State *L) {
  size_t fl;
  const char *f = luaL_checklstring(L, 1, &fl);
  const char *end = f + fl;
  int arg = 1;
  /* the fixed-size field opened by the first `@' */
  enum { NOFIELD, OPEN, CLOSED } field = NOFIELD;
  size_t fieldsize = 0, fieldstart = 0;
  int fill = 0;
  Packer P;
  P.L = L;
  P.written = 0;
  P.little = 1;
  luaL_buffinit(L, &P.b);
  Format F = {f, end, 0};
  while (F.p < F.end) {
    size_t n;
    int w;
    int c = nextcode(&F, &n, &w);
    switch (c) {
      case 'z': case 'p': case 'P': case 'a':
        for (size_t i = 0; i < n; i++) packstring(&P, c, w, ++arg);
        break;
      case 'A':
        packstring(&P, c, w, ++arg);
        break;
      case 'f':
        for (size_t i = 0; i < n; i++) {
          float v = (float)luaL_checknumber(L, ++arg);
          addfloat(&P, &v, sizeof(v));
        }
        break;
      case 'd': case 'n':
        for (size_t i = 0; i < n; i++) {
          double v = (double)luaL_checknumber(L, ++arg);
          addfloat(&P, &v, sizeof(v));
        }
        break;
      case 'c': case 'b': case 'h': case 'H': case 'i': case 'l': case 'I': case 'L': {
        size_t size = (c == 'c' || c == 'b') ? 1 : (c == 'h' || c == 'H') ? 2 : 4;
        for (size_t i = 0; i < n; i++)
          addint(&P, (uint64_t)num2int64(luaL_checknumber(L, ++arg)), size);
        break;
      }
      case 'B':
        for (size_t i = 0; i < n; i++) {
          if (lua_type(L, ++arg) != LUA_TBOOLEAN) return luaL_error(L, "expected a boolean");
          addint(&P, lua_toboolean(L, arg) ? 1 : 0, 1);
        }
        break;
      case '<': case '=': P.little = 1; break;
      case '>': P.little = 0; break;
      case ' ': case ',': break;
      case 'w': F.wide = 1; break;
      case '@': {
        if (F.p < F.end && *F.p == ':') { /* fill byte */
          F.p++;
          size_t v = 0;
          while (F.p < F.end && isdigit((unsigned char)*F.p)) {
            v = v * 10 + (size_t)(*F.p++ - '0');
            if (v > MAX_COUNT) v = MAX_COUNT;
          }
          if (field == NOFIELD) fill = (int)(v & 0xFF);
        }
        if (field == NOFIELD) {
          field = OPEN;
          fieldsize = n;
          fieldstart = P.written;
        } else if (field == OPEN) {
          field = CLOSED;
          size_t have = P.written - fieldstart;
          if (have < fieldsize) {
            if (fieldsize - have > MAX_RESULT) return luaL_error(L, "resulting string too large");
            addfill(&P, (unsigned char)fill, fieldsize - have);
          }
        }
        break;
      }
      default:
        return badcode(L, c);
    }
  }
  luaL_pushresult(&P.b);
  return 1;
}

/* ------------------------------------------------------------------------------------------
** unpack
** ------------------------------------------------------------------------------------------ */

struct Unpacker {
  lua_State *L;
  const unsigned char *s;
  size_t len;
  size_t pos; /* 0-based offset of the next byte */
  int little;
};

size_t avail(const Unpacker *U) { return U->len - U->pos; }

uint64_t getint(Unpacker *U, size_t size) {
  uint64_t v = 0;
  for (size_t i = 0; i < size; i++) {
    unsigned char byte = U->s[U->pos + (U->little ? i : size - 1 - i)];
    v |= (uint64_t)byte << (8 * i);
  }
  U->pos += size;
  return v;
}

void getfloat(Unpacker *U, void *out, size_t size) {
  unsigned char b[8];
  memcpy(b, U->s + U->pos, size);
  toorder(b, size, U->little);
  memcpy(out, b, size);
  U->pos += size;
}

/* pushes `units' 16-bit units from the current position as a wide string */
void pushwide(Unpacker *U, size_t units) {
  luaL_Buffer b;
  luaL_wbuffinit(U->L, &b);
  for (size_t i = 0; i < units; i++) {
    lua_WChar u = (lua_WChar)getint(U, 2);
    luaL_addlwstring(&b, &u, 1);
  }
  luaL_pushresult(&b);
}

/* one string field; returns 0 (consuming nothing) when the data is too short */
int unpackstring(Unpacker *U, int code, int wide, size_t n) {
  size_t start = U->pos;
  size_t unit = wide ? 2 : 1;
  size_t count;
  if (code == 'z') {
    if (avail(U) < unit) return 0;
    count = 0;
    while (count < avail(U) / unit) { /* up to the zero (or the end of the data) */
      size_t at = U->pos + count * unit;
      if (U->s[at] == 0 && (!wide || U->s[at + 1] == 0)) break;
      count++;
    }
  } else if (code == 'A') {
    count = n;
  } else {
    size_t lsize = code == 'p' ? 1 : code == 'P' ? 2 : 4;
    if (avail(U) < lsize) return 0;
    count = (size_t)getint(U, lsize);
  }
  if (count > avail(U) / unit) { /* without overflow: count * unit > bytes left */
    U->pos = start;
    return 0;
  }
  luaL_checkstack(U->L, 2, "too many results to unpack");
  if (wide)
    pushwide(U, count);
  else {
    lua_pushlstring(U->L, reinterpret_cast<const char *>(U->s + U->pos), count);
    U->pos += count;
  }
  if (code == 'z' && avail(U) >= unit) U->pos += unit; /* skip the terminator */
  return 1;
}

/* one number or boolean field; 0 when the data is too short */
int unpacknumber(Unpacker *U, int code) {
  lua_State *L = U->L;
  size_t size;
  switch (code) {
    case 'c': case 'b': case 'B': size = 1; break;
    case 'h': case 'H': size = 2; break;
    case 'f': case 'i': case 'l': case 'I': case 'L': size = 4; break;
    default: size = 8; break; /* d, n */
  }
  if (avail(U) < size) return 0;
  luaL_checkstack(L, 2, "too many results to unpack");
  switch (code) {
    case 'f': {
      float v;
      getfloat(U, &v, sizeof(v));
      lua_pushnumber(L, (lua_Number)v);
      break;
    }
    case 'd': case 'n': {
      double v;
      getfloat(U, &v, sizeof(v));
      lua_pushnumber(L, (lua_Number)v);
      break;
    }
    case 'B': lua_pushboolean(L, getint(U, 1) != 0); break;
    case 'c': lua_pushnumber(L, (lua_Number)(int8_t)getint(U, 1)); break;
    case 'b': lua_pushnumber(L, (lua_Number)getint(U, 1)); break;
    case 'h': lua_pushnumber(L, (lua_Number)(int16_t)getint(U, 2)); break;
    case 'H': lua_pushnumber(L, (lua_Number)getint(U, 2)); break;
    case 'i': case 'l': lua_pushnumber(L, (lua_Number)(int32_t)getint(U, 4)); break;
    default: lua_pushnumber(L, (lua_Number)getint(U, 4)); break; /* I, L */
  }
  return 1;
}

int l_unpack(lua_State *L) {
  size_t len, fl;
  const char *s = luaL_checklstring(L, 1, &len);
  const char *f = luaL_checklstring(L, 2, &fl);
  const char *end = f + fl;
  lua_Number init = luaL_optnumber(L, 3, 1);
  /* positions 1 .. len + 1 only: anything else would read before or after the string */
  luaL_argcheck(L, init >= 1 && init <= (lua_Number)len + 1, 3, "initial position out of range");
  Unpacker U;
  U.L = L;
  U.s = reinterpret_cast<const unsigned char *>(s);
  U.len = len;
  U.pos = (size_t)init - 1;
  U.little = 1;
  lua_settop(L, 3);
  lua_pushnil(L); /* slot of the final position */
  int done = 0;
  Format F = {f, end, 0};
  while (F.p < F.end && !done) {
    size_t n;
    int w;
    int c = nextcode(&F, &n, &w);
    switch (c) {
      case 'z': case 'p': case 'P': case 'a':
        for (size_t i = 0; i < n && !done; i++) done = !unpackstring(&U, c, w, n);
        break;
      case 'A':
        done = !unpackstring(&U, c, w, n);
        break;
      case 'f': case 'd': case 'n': case 'c': case 'b': case 'h': case 'H':
      case 'i': case 'l': case 'I': case 'L': case 'B':
        for (size_t i = 0; i < n && !done; i++) done = !unpacknumber(&U, c);
        break;
      case '<': case '=': U.little = 1; break;
      case '>': U.little = 0; break;
      case ' ': case ',': break;
      case 'w': F.wide = 1; break;
      default:
        return badcode(L, c);
    }
  }
  lua_pushnumber(L, (lua_Number)(U.pos + 1));
  lua_replace(L, 4);
  return lua_gettop(L) - 3;
}

const luaL_reg packlib[] = {{"pack", l_pack}, {"unpack", l_unpack}, {NULL, NULL}};

}  // namespace

LUALIB_API int luaopen_pack(lua_State *L) {
  luaL_openlib(L, LUA_STRLIBNAME, packlib, 0);
  return 0;
}
