/*
** Writing a function prototype as a precompiled chunk: the header (signature, version, byte
** order, sizes, test number), then the function and its nested functions recursively. Multi-byte
** fields go out in the requested byte order; sizes are 4-byte fields whatever the machine's size_t.
*/
#include <string.h>

#include "lobject.h"
#include "lopcodes.h"
#include "lstate.h"
#include "lundump.h"

namespace {

struct DumpState {
  lua_State *L;
  lua_Chunkwriter write;
  void *data;
  int swap;   /* write multi-byte fields reversed */
  int status; /* last writer result */
};

void DumpBlock(const void *b, size_t size, DumpState *D) {
  if (size == 0) return;
  D->status = (*D->write)(D->L, b, size, D->data);
}

/* one multi-byte field in the chunk's byte order */
void DumpField(const void *b, size_t size, DumpState *D) {
  if (!D->swap) {
    DumpBlock(b, size, D);
    return;
  }
  unsigned char r[16];
  const unsigned char *p = static_cast<const unsigned char *>(b);
  for (size_t i = 0; i < size; i++) r[i] = p[size - 1 - i];
  DumpBlock(r, size, D);
}

void DumpByte(int y, DumpState *D) {
  char x = (char)y;
  DumpBlock(&x, 1, D);
}

void DumpInt(int x, DumpState *D) { DumpField(&x, sizeof(x), D); }

void DumpSize(size_t x, DumpState *D) {
  lu_int32 y = (lu_int32)x; /* callers keep sizes below 2^32 */
  DumpField(&y, sizeof(y), D);
}

void DumpNumber(lua_Number x, DumpState *D) { DumpField(&x, sizeof(x), D); }

/* length including the terminating zero (0 for a null string), then the bytes */
void DumpString(const LString *s, DumpState *D) {
  if (s == NULL) {
    DumpSize(0, D);
    return;
  }
  size_t size = s->tsv.len + 1;
  DumpSize(size, D);
  DumpBlock(getstr(s), size, D);
}

/* units including the terminating zero unit, then the units in the chunk's byte order */
void DumpWString(const LString *s, DumpState *D) {
  size_t count = s->tsv.len + 1;
  DumpSize(count, D);
  if (!D->swap) {
    DumpBlock(getwstr(s), count * sizeof(lua_WChar), D);
    return;
  }
  const lua_WChar *w = getwstr(s);
  unsigned char buf[256];
  size_t used = 0;
  for (size_t i = 0; i < count; i++) {
    if (used + 2 > sizeof(buf)) {
      DumpBlock(buf, used, D);
      used = 0;
    }
    buf[used++] = (unsigned char)(w[i] >> 8);
    buf[used++] = (unsigned char)(w[i] & 0xFF);
  }
  DumpBlock(buf, used, D);
}

/* a count, then that many 4-byte fields */
void DumpInts(const int *v, int n, DumpState *D) {
  DumpInt(n, D);
  if (!D->swap) {
    DumpBlock(v, (size_t)n * sizeof(int), D);
    return;
  }
  for (int i = 0; i < n; i++) DumpInt(v[i], D);
}

void DumpCode(const Proto *f, DumpState *D) {
  DumpInt(f->sizecode, D);
  if (!D->swap) {
    DumpBlock(f->code, (size_t)f->sizecode * sizeof(Instruction), D);
    return;
  }
  for (int i = 0; i < f->sizecode; i++) DumpField(&f->code[i], sizeof(Instruction), D);
}

void DumpLocals(const Proto *f, DumpState *D) {
  DumpInt(f->sizelocvars, D);
  for (int i = 0; i < f->sizelocvars; i++) {
    DumpString(f->locvars[i].varname, D);
    DumpInt(f->locvars[i].startpc, D);
    DumpInt(f->locvars[i].endpc, D);
  }
}

void DumpUpvalues(const Proto *f, DumpState *D) {
  DumpInt(f->sizeupvalues, D);
  for (int i = 0; i < f->sizeupvalues; i++) DumpString(f->upvalues[i], D);
}

void DumpFunction(const Proto *f, const LString *p, DumpState *D);

void DumpConstants(const Proto *f, DumpState *D) {
  DumpInt(f->sizek, D);
  for (int i = 0; i < f->sizek; i++) {
    const TObject *o = &f->k[i];
    DumpByte(ttype(o), D);
    switch (ttype(o)) {
      case LUA_TNUMBER:
        DumpNumber(nvalue(o), D);
        break;
      case LUA_TSTRING:
        DumpString(tsvalue(o), D);
        break;
      case LUA_TWSTRING:
        DumpWString(tsvalue(o), D);
        break;
      case LUA_TNIL:
        break;
      default:
        lua_assert(0); /* the compiler makes no other constants */
        break;
    }
  }
  DumpInt(f->sizep, D);
  for (int i = 0; i < f->sizep; i++) DumpFunction(f->p[i], f->source, D);
}

void DumpFunction(const Proto *f, const LString *p, DumpState *D) {
  DumpString((f->source == p) ? NULL : f->source, D);
  DumpInt(f->lineDefined, D);
  DumpByte(f->nups, D);
  DumpByte(f->numparams, D);
  DumpByte(f->is_vararg, D);
  DumpByte(f->maxstacksize, D);
  DumpInts(f->lineinfo, f->sizelineinfo, D);
  DumpLocals(f, D);
  DumpUpvalues(f, D);
  DumpConstants(f, D);
  DumpCode(f, D);
}

void DumpHeader(DumpState *D, int littleendian) {
  DumpBlock(LUA_SIGNATURE, sizeof(LUA_SIGNATURE) - 1, D);
  DumpByte(VERSION, D);
  DumpByte(littleendian, D);
  DumpByte(sizeof(int), D);
  DumpByte(DUMP_SIZE_T, D);
  DumpByte(sizeof(Instruction), D);
  DumpByte(SIZE_OP, D);
  DumpByte(SIZE_A, D);
  DumpByte(SIZE_B, D);
  DumpByte(SIZE_C, D);
  DumpByte(sizeof(lua_Number), D);
  DumpNumber(TEST_NUMBER, D);
}

}  // namespace

int luaU_dumporder(lua_State *L, const Proto *f, lua_Chunkwriter w, void *data, int littleendian) {
  DumpState D;
  D.L = L;
  D.write = w;
  D.data = data;
  D.swap = (littleendian != 0) != (luaU_endianness() != 0);
  D.status = 0;
  DumpHeader(&D, littleendian != 0);
  DumpFunction(f, NULL, &D);
  return D.status;
}

int luaU_dump(lua_State *L, const Proto *f, lua_Chunkwriter w, void *data) {
  return luaU_dumporder(L, f, w, data, luaU_endianness());
}
