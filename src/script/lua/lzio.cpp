/*
** A generic input stream over a chunk reader, with one- and two-byte lookahead (the second used
** to recognise a UTF-16 byte-order mark) and 16-bit reads for wide sources.
*/
#include <string.h>

#include "llimits.h"
#include "lmem.h"
#include "lzio.h"

int luaZ_fill(ZIO *z) {
  size_t size;
  const char *buff;
  if (z->savedp != NULL) { /* finish the block interrupted by a lookahead */
    z->p = z->savedp;
    z->n = z->savedn;
    z->savedp = NULL;
    if (z->n > 0) {
      z->n--;
      return char2int(*(z->p++));
    }
  }
  buff = z->reader(z->L, z->data, &size);
  if (buff == NULL || size == 0) {
    z->n = 0;
    return EOZ;
  }
  z->n = size - 1;
  z->p = buff;
  return char2int(*(z->p++));
}

int luaZ_lookahead(ZIO *z) {
  if (z->n == 0) {
    int c = luaZ_fill(z);
    if (c == EOZ) return c;
    z->n++;
    z->p--;
  }
  return char2int(*z->p);
}

int luaZ_lookahead16(ZIO *z) {
  int c0 = luaZ_lookahead(z);
  int c1;
  if (c0 == EOZ) return EOZ;
  if (z->n >= 2) return c0 | (char2int(z->p[1]) << 8);
  /* the block ends after c0: read the next one and push both bytes back */
  z->n--;
  z->p++;
  c1 = luaZ_fill(z);
  if (c1 == EOZ) {
    z->back[0] = (char)c0;
    z->p = z->back;
    z->n = 1;
    return EOZ;
  }
  z->savedp = z->p;
  z->savedn = z->n;
  z->back[0] = (char)c0;
  z->back[1] = (char)c1;
  z->p = z->back;
  z->n = 2;
  return c0 | (c1 << 8);
}

int luaZ_getchar(ZIO *z) {
  int lo = zgetc(z);
  int hi;
  if (lo == EOZ) return EOZ;
  hi = zgetc(z);
  if (hi == EOZ) return EOZ;
  return lo | (hi << 8);
}

void luaZ_init(ZIO *z, lua_Chunkreader reader, void *data, const char *name) {
  z->reader = reader;
  z->data = data;
  z->name = name;
  z->n = 0;
  z->p = NULL;
  z->L = NULL;
  z->wide = 0;
  z->savedp = NULL;
  z->savedn = 0;
}

size_t luaZ_read(ZIO *z, void *b, size_t n) {
  while (n) {
    size_t m;
    if (z->n == 0) {
      if (luaZ_fill(z) == EOZ)
        return n; /* return number of missing bytes */
      else {
        ++z->n; /* filbuf removed first byte; put back it */
        --z->p;
      }
    }
    m = (n <= z->n) ? n : z->n; /* min. between n and z->n */
    memcpy(b, z->p, m);
    z->n -= m;
    z->p += m;
    b = (char *)b + m;
    n -= m;
  }
  return 0;
}

char *luaZ_openspace(lua_State *L, Mbuffer *buff, size_t n) {
  if (n > buff->size) {
    if (n < LUA_MINBUFFER) n = LUA_MINBUFFER;
    luaZ_resizebuffer(L, buff, n);
  }
  return buff->buffer;
}
