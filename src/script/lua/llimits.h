/*
** Limits, basic types and small helpers shared by every module of the runtime.
*/
#ifndef llimits_h
#define llimits_h

#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <assert.h>

#include "lua.h"

typedef uint32_t lu_int32;
typedef size_t lu_mem;   /* an unsigned integer big enough to count the memory in use */
typedef ptrdiff_t ls_mem;
typedef unsigned char lu_byte;

#define MAX_SIZET ((size_t)(~(size_t)0) - 2)
#define MAX_INT (INT_MAX - 2)

/* the longest string the runtime makes, in bytes (LUAL_MAXRESULT for the libraries' buffers) */
#define MAX_STRBYTES ((size_t)0x7FFFFFFE)

/* conversion of pointer to integer, for hashing only */
#define IntPoint(p) ((lu_int32)(uintptr_t)(p))

/* type to ensure maximum alignment */
typedef union {
  double u;
  void *s;
  long l;
  long long ll;
} L_Umaxalign;

typedef double l_uacNumber;

#ifdef LUA_DEBUG_ASSERT
#define lua_assert(c) assert(c)
#else
#define lua_assert(c) ((void)0)
#endif

#ifndef api_check
#define api_check(L, o) lua_assert(o)
#endif

#define cast(t, exp) ((t)(exp))

/* a type for virtual-machine instructions: must be an unsigned with at least 4 bytes */
typedef lu_int32 Instruction;

/* maximum depth for calls (unsigned short) */
#define LUA_MAXCALLS 4096

/* maximum depth for C calls (unsigned short) and syntactical nested non-terminals */
#define LUA_MAXCCALLS 200

/* maximum size for the C stack */
#define LUA_MAXCSTACK 2048

/* maximum stack for a Lua function; registers at this index and above name constants in RK operands */
#define MAXSTACK 250

/* maximum number of variables declared in a function */
#define MAXVARS 200

/* maximum number of upvalues per function */
#define MAXUPVALUES 32

/* maximum number of parameters */
#define MAXPARAMS 100

/* minimum size for the string table (must be power of 2) */
#define MINSTRTABSIZE 32

/* minimum size for string buffer */
#define LUA_MINBUFFER 32

/* maximum number of tag-method redirections (__index chains) */
#define MAXTAGLOOP 100

/* number -> int conversion (caller guarantees the value is in range) */
#define lua_number2int(i, d) ((i) = (int)(d))

#endif
