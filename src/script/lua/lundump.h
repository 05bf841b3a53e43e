/*
** Precompiled chunks: the loader (luaU_undump) and the dumper (luaU_dump). A chunk whose first
** byte is ESC is binary; its header records the writer's byte order and sizes, and every loaded
** function is checked by the verifier before it can run.
*/
#ifndef lundump_h
#define lundump_h

#include "lobject.h"
#include "lzio.h"

#define LUA_SIGNATURE "\033Lua"

/* format version: 5.0 (high nibble major, low nibble minor); the oldest readable one too */
#define VERSION 0x50
#define VERSION0 0x50

/* written after the sizes so that a reader can tell its number format */
#define TEST_NUMBER ((lua_Number)3.14159265358979323846E7)

/* a size_t is written in 4 bytes whatever the machine's size_t */
#define DUMP_SIZE_T 4

/* loads a binary chunk from Z (the signature byte still unread); raises a syntax error on bad data */
Proto *luaU_undump(lua_State *L, ZIO *Z, Mbuffer *buff);

/* 1 on a little-endian machine, 0 on a big-endian one (the header's byte-order byte) */
int luaU_endianness(void);

/* writes f as a chunk in the machine's byte order; returns the writer's last status */
int luaU_dump(lua_State *L, const Proto *f, lua_Chunkwriter w, void *data);

/* the same with the byte order chosen: 1 little-endian, 0 big-endian */
int luaU_dumporder(lua_State *L, const Proto *f, lua_Chunkwriter w, void *data, int littleendian);

#endif
