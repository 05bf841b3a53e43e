/*
** Loading precompiled chunks. The whole chunk is read into memory first, so that every count and
** length can be checked against the bytes actually left before anything is allocated for it: a
** hostile chunk ends in "unexpected end of file" instead of a huge allocation or a read past the
** data. The loaded main function (with its nested functions) must pass the verifier.
*/
#include <string.h>

#include "ldebug.h"
#include "ldo.h"
#include "lfunc.h"
#include "lmem.h"
#include "lobject.h"
#include "lopcodes.h"
#include "lstring.h"
#include "lundump.h"

namespace {

/* nested functions deeper than this are refused (the compiler never makes nearly as many) */
const int MAX_NESTING = 200;

/* the smallest encodings, used to bound counts by the bytes left */
const size_t MIN_LOCVAR = DUMP_SIZE_T + 2 * 4;         /* null name, start pc, end pc */
const size_t MIN_FUNCTION = DUMP_SIZE_T + 4 + 4 + 6 * 4; /* name, line, 4 bytes, 6 counts */

struct LoadState {
  lua_State *L;
  const unsigned char *p;   /* next unread byte */
  const unsigned char *end; /* end of the chunk */
  Mbuffer *units;           /* scratch space for wide constants */
  const char *name;
  int swap; /* the chunk's byte order differs from the machine's */
  int depth;
};

[[noreturn]] void LoadError(LoadState *S, const char *fmt, ...) {
  va_list argp;
  va_start(argp, fmt);
  luaO_pushvfstring(S->L, fmt, argp);
  va_end(argp);
  luaD_throw(S->L, LUA_ERRSYNTAX);
}

[[noreturn]] void unexpectedEOZ(LoadState *S) { LoadError(S, "unexpected end of file in %s", S->name); }

size_t left(const LoadState *S) { return (size_t)(S->end - S->p); }

/* n bytes from the chunk, or the end-of-file error when fewer are left */
const unsigned char *LoadBlock(LoadState *S, size_t n) {
  if (n > left(S)) unexpectedEOZ(S);
  const unsigned char *b = S->p;
  S->p += n;
  return b;
}

/* one multi-byte field, turned into machine order */
void LoadField(LoadState *S, void *out, size_t size) {
  const unsigned char *b = LoadBlock(S, size);
  unsigned char *o = static_cast<unsigned char *>(out);
  if (S->swap)
    for (size_t i = 0; i < size; i++) o[i] = b[size - 1 - i];
  else
    memcpy(o, b, size);
}

int LoadByte(LoadState *S) { return *LoadBlock(S, 1); }

int LoadInt(LoadState *S) {
  int x;
  LoadField(S, &x, sizeof(x));
  return x;
}

size_t LoadSize(LoadState *S) {
  lu_int32 x;
  LoadField(S, &x, sizeof(x));
  return x;
}

lua_Number LoadNumber(LoadState *S) {
  lua_Number x;
  LoadField(S, &x, sizeof(x));
  return x;
}

/* a count of elements each taking at least `minsize' bytes; more than the bytes left can hold is
   a truncated (or forged) chunk */
int LoadCount(LoadState *S, size_t minsize) {
  lu_int32 n;
  LoadField(S, &n, sizeof(n));
  if (n > (lu_int32)INT_MAX || n > left(S) / minsize) unexpectedEOZ(S);
  return (int)n;
}

LString *LoadString(LoadState *S) {
  size_t size = LoadSize(S);
  if (size == 0) return NULL;
  const unsigned char *s = LoadBlock(S, size);
  return luaS_newlstr(S->L, reinterpret_cast<const char *>(s), size - 1);
}

/* a string that must be present (names) */
LString *LoadName(LoadState *S) {
  LString *s = LoadString(S);
  if (s == NULL) LoadError(S, "bad code in %s", S->name);
  return s;
}

LString *LoadWString(LoadState *S) {
  size_t count = LoadSize(S);
  if (count == 0) return NULL;
  if (count > left(S) / 2) unexpectedEOZ(S);
  const unsigned char *b = LoadBlock(S, 2 * count);
  lua_WChar *u = reinterpret_cast<lua_WChar *>(luaZ_openspace(S->L, S->units, 2 * count));
  int little = (luaU_endianness() != 0) != (S->swap != 0); /* the chunk's byte order */
  for (size_t i = 0; i < count; i++) {
    unsigned b0 = b[2 * i], b1 = b[2 * i + 1];
    u[i] = (lua_WChar)(little ? (b0 | (b1 << 8)) : ((b0 << 8) | b1));
  }
  return luaS_newlwstr(S->L, u, count - 1);
}

void LoadLines(LoadState *S, Proto *f) {
  int n = LoadCount(S, sizeof(int));
  f->lineinfo = luaM_newvector(S->L, n, int);
  f->sizelineinfo = n;
  for (int i = 0; i < n; i++) f->lineinfo[i] = LoadInt(S);
}

void LoadLocals(LoadState *S, Proto *f) {
  int n = LoadCount(S, MIN_LOCVAR);
  f->locvars = luaM_newvector(S->L, n, LocVar);
  for (int i = 0; i < n; i++) f->locvars[i].varname = NULL;
  f->sizelocvars = n;
  for (int i = 0; i < n; i++) {
    f->locvars[i].varname = LoadName(S);
    f->locvars[i].startpc = LoadInt(S);
    f->locvars[i].endpc = LoadInt(S);
  }
}

void LoadUpvalues(LoadState *S, Proto *f) {
  int n = LoadCount(S, DUMP_SIZE_T);
  if (n != 0 && n != f->nups)
    LoadError(S, "bad nupvalues in %s: read %d; expected %d", S->name, n, f->nups);
  f->upvalues = luaM_newvector(S->L, n, LString *);
  for (int i = 0; i < n; i++) f->upvalues[i] = NULL;
  f->sizeupvalues = n;
  for (int i = 0; i < n; i++) f->upvalues[i] = LoadName(S);
}

Proto *LoadFunction(LoadState *S, LString *p);

void LoadConstants(LoadState *S, Proto *f) {
  int n = LoadCount(S, 1);
  f->k = luaM_newvector(S->L, n, TObject);
  for (int i = 0; i < n; i++) setnilvalue(&f->k[i]);
  f->sizek = n;
  for (int i = 0; i < n; i++) {
    TObject *o = &f->k[i];
    int t = LoadByte(S);
    switch (t) {
      case LUA_TNUMBER:
        setnvalue(o, LoadNumber(S));
        break;
      case LUA_TSTRING: {
        LString *s = LoadString(S);
        if (s == NULL) LoadError(S, "bad code in %s", S->name);
        setsvalue2n(o, s);
        break;
      }
      case LUA_TWSTRING: {
        LString *s = LoadWString(S);
        if (s == NULL) LoadError(S, "bad code in %s", S->name);
        setwsvalue(o, s);
        break;
      }
      case LUA_TNIL:
        setnilvalue(o);
        break;
      default:
        LoadError(S, "bad constant type (%d) in %s", t, S->name);
    }
  }
  n = LoadCount(S, MIN_FUNCTION);
  f->p = luaM_newvector(S->L, n, Proto *);
  for (int i = 0; i < n; i++) f->p[i] = NULL;
  f->sizep = n;
  for (int i = 0; i < n; i++) f->p[i] = LoadFunction(S, f->source);
}

void LoadCode(LoadState *S, Proto *f) {
  int n = LoadCount(S, sizeof(Instruction));
  f->code = luaM_newvector(S->L, n, Instruction);
  f->sizecode = n;
  for (int i = 0; i < n; i++) LoadField(S, &f->code[i], sizeof(Instruction));
}

Proto *LoadFunction(LoadState *S, LString *p) {
  if (++S->depth > MAX_NESTING) LoadError(S, "bad code in %s", S->name);
  Proto *f = luaF_newproto(S->L);
  f->source = LoadString(S);
  if (f->source == NULL) f->source = p;
  if (f->source == NULL) f->source = luaS_newliteral(S->L, "=?");
  f->lineDefined = LoadInt(S);
  f->nups = (lu_byte)LoadByte(S);
  f->numparams = (lu_byte)LoadByte(S);
  f->is_vararg = (lu_byte)LoadByte(S);
  f->maxstacksize = (lu_byte)LoadByte(S);
  LoadLines(S, f);
  LoadLocals(S, f);
  LoadUpvalues(S, f);
  LoadConstants(S, f);
  LoadCode(S, f);
  S->depth--;
  return f;
}

void LoadSignature(LoadState *S) {
  const char *s = LUA_SIGNATURE;
  while (*s != 0 && LoadByte(S) == (unsigned char)*s) ++s;
  if (*s != 0) LoadError(S, "bad signature in %s", S->name);
}

void TestSize(LoadState *S, int s, const char *what) {
  int r = LoadByte(S);
  if (r != s)
    LoadError(S, "virtual machine mismatch in %s: size of %s is %d but read %d", S->name, what, s, r);
}

#define V(v) (v) / 16, (v) % 16

void LoadHeader(LoadState *S) {
  LoadSignature(S);
  int version = LoadByte(S);
  if (version > VERSION)
    LoadError(S, "%s too new: read version %d.%d; expected at most %d.%d", S->name, V(version),
              V(VERSION));
  if (version < VERSION0)
    LoadError(S, "%s too old: read version %d.%d; expected at least %d.%d", S->name, V(version),
              V(VERSION0));
  S->swap = (luaU_endianness() != LoadByte(S));
  TestSize(S, sizeof(int), "int");
  TestSize(S, DUMP_SIZE_T, "size_t");
  TestSize(S, sizeof(Instruction), "Instruction");
  TestSize(S, SIZE_OP, "OP");
  TestSize(S, SIZE_A, "A");
  TestSize(S, SIZE_B, "B");
  TestSize(S, SIZE_C, "C");
  TestSize(S, sizeof(lua_Number), "number");
  lua_Number x = LoadNumber(S);
  /* only the integer part must agree: the last bits of the fraction may differ between writers */
  if (!(x >= 31415926.0 && x < 31415927.0))
    LoadError(S, "unknown number format in %s", S->name);
}

/* reads the rest of the stream into `buff' */
size_t ReadAll(lua_State *L, ZIO *Z, Mbuffer *buff) {
  size_t used = 0;
  for (;;) {
    if (Z->n == 0) {
      if (luaZ_fill(Z) == EOZ) break;
      Z->n++; /* luaZ_fill took the first byte: put it back */
      Z->p--;
    }
    size_t n = Z->n;
    if (n > MAX_SIZET - used) luaD_throw(L, LUA_ERRMEM);
    if (used + n > luaZ_sizebuffer(buff)) {
      size_t want = luaZ_sizebuffer(buff) < MAX_SIZET / 2 ? 2 * luaZ_sizebuffer(buff) : MAX_SIZET;
      if (want < used + n) want = used + n;
      luaZ_resizebuffer(L, buff, want);
    }
    memcpy(luaZ_buffer(buff) + used, Z->p, n);
    used += n;
    Z->p += n;
    Z->n = 0;
  }
  return used;
}

/* frees the wide-constant scratch space however the load ends */
struct ScratchGuard {
  lua_State *L;
  Mbuffer buff;
  explicit ScratchGuard(lua_State *l) : L(l) { luaZ_initbuffer(L, &buff); }
  ~ScratchGuard() { luaZ_freebuffer(L, &buff); }
};

}  // namespace

int luaU_endianness(void) {
  int x = 1;
  return *(char *)&x;
}

Proto *luaU_undump(lua_State *L, ZIO *Z, Mbuffer *buff) {
  LoadState S;
  ScratchGuard units(L);
  const char *s = zname(Z);
  if (*s == '@' || *s == '=')
    S.name = s + 1;
  else if (*s == LUA_SIGNATURE[0])
    S.name = "binary string";
  else
    S.name = s;
  S.L = L;
  S.units = &units.buff;
  S.swap = 0;
  S.depth = 0;
  size_t size = ReadAll(L, Z, buff);
  S.p = reinterpret_cast<const unsigned char *>(luaZ_buffer(buff));
  S.end = S.p + size;
  if (size == 0) S.p = S.end = reinterpret_cast<const unsigned char *>("");
  LoadHeader(&S);
  Proto *f = LoadFunction(&S, NULL);
  /* a main function has no enclosing function to take upvalues from */
  if (f->nups != 0 || !luaG_checkcode(f)) LoadError(&S, "bad code in %s", S.name);
  return f;
}
