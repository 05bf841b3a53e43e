/*
** Buffered streams for the loader (ZIO) and growable byte buffers (Mbuffer) for the lexer.
** A stream read as UTF-16 (wide flag) yields one 16-bit little-endian character per read.
*/
#ifndef lzio_h
#define lzio_h

#include "lua.h"
#include "llimits.h"

#define EOZ (-1) /* end of stream */

typedef struct Zio ZIO;

#define char2int(c) cast(int, cast(unsigned char, (c)))

/* next byte of the stream, or EOZ */
#define zgetc(z) (((z)->n--) > 0 ? char2int(*(z)->p++) : luaZ_fill(z))

#define zname(z) ((z)->name)

void luaZ_init(ZIO *z, lua_Chunkreader reader, void *data, const char *name);
size_t luaZ_read(ZIO *z, void *b, size_t n); /* read next n bytes; returns count left unread */
int luaZ_lookahead(ZIO *z);                 /* next byte without consuming it, or EOZ */
int luaZ_lookahead16(ZIO *z);               /* next two bytes as one little-endian value, or EOZ */

/* next character: a byte, or in wide mode two bytes little-endian (EOZ if either is missing) */
int luaZ_getchar(ZIO *z);
#define zgetchar(z) ((z)->wide ? luaZ_getchar(z) : zgetc(z))

/* --------- Private Part ------------------ */

struct Zio {
  size_t n;       /* bytes still unread */
  const char *p;  /* current position in buffer */
  lua_Chunkreader reader;
  void *data;     /* additional data */
  const char *name;
  lua_State *L;   /* passed to the reader */
  int wide;       /* characters are 16-bit little-endian units */
  /* bytes pushed back by luaZ_lookahead16 when a block ended between them */
  const char *savedp;
  size_t savedn;
  char back[2];
};

int luaZ_fill(ZIO *z);

/* growable buffers */
typedef struct Mbuffer {
  char *buffer;
  size_t size;
} Mbuffer;

char *luaZ_openspace(lua_State *L, Mbuffer *buff, size_t n);

#define luaZ_initbuffer(L, buff) ((buff)->buffer = NULL, (buff)->size = 0)
#define luaZ_sizebuffer(buff) ((buff)->size)
#define luaZ_buffer(buff) ((buff)->buffer)

#define luaZ_resizebuffer(L, buff, sz) \
  (luaM_reallocvector(L, (buff)->buffer, (buff)->size, sz, char), (buff)->size = (sz))

#define luaZ_freebuffer(L, buff) luaZ_resizebuffer(L, buff, 0)

#endif
