/*
** Type definitions for the runtime's values and collectable objects: value slots (TObject),
** strings (narrow and wide share LString), tables, closures, prototypes, upvalues, userdata.
*/
#ifndef lobject_h
#define lobject_h

#include "llimits.h"
#include "lua.h"

/* tags for values visible from Lua */
#define NUM_TAGS LUA_TWSTRING

/* extra tags for internal collectable objects */
#define LUA_TPROTO (NUM_TAGS + 1)
#define LUA_TUPVAL (NUM_TAGS + 2)

/* number of per-type table slots (tags 0 .. LUA_TUPVAL) */
#define NUM_TYPETABLES (LUA_TUPVAL)

/* key of a table node whose value was removed and whose key may have been collected */
#define LUA_TDEADKEY (LUA_TUPVAL + 1)

typedef union GCObject GCObject;

/* common header for all collectable objects (in macro form, to be included in other objects) */
#define CommonHeader \
  GCObject *next;    \
  lu_byte tt;        \
  lu_byte marked

/* common header in struct form */
typedef struct GCheader {
  CommonHeader;
} GCheader;

/* union of all Lua values */
typedef union {
  GCObject *gc;
  void *p;
  lua_Number n;
  int b;
} Value;

/* Lua values (or `tagged objects') */
typedef struct lua_TObject {
  int tt;
  Value value;
} TObject;

/* macros to test type */
#define ttisnil(o) (ttype(o) == LUA_TNIL)
#define ttisnumber(o) (ttype(o) == LUA_TNUMBER)
#define ttisstring(o) (ttype(o) == LUA_TSTRING)
#define ttiswstring(o) (ttype(o) == LUA_TWSTRING)
#define ttisanystring(o) (ttype(o) == LUA_TSTRING || ttype(o) == LUA_TWSTRING)
#define ttistable(o) (ttype(o) == LUA_TTABLE)
#define ttisfunction(o) (ttype(o) == LUA_TFUNCTION)
#define ttisboolean(o) (ttype(o) == LUA_TBOOLEAN)
#define ttisuserdata(o) (ttype(o) == LUA_TUSERDATA)
#define ttisthread(o) (ttype(o) == LUA_TTHREAD)
#define ttislightuserdata(o) (ttype(o) == LUA_TLIGHTUSERDATA)

/* macros to access values */
#define ttype(o) ((o)->tt)
#define gcvalue(o) ((o)->value.gc)
#define pvalue(o) ((o)->value.p)
#define nvalue(o) ((o)->value.n)
#define tsvalue(o) (&(o)->value.gc->ts)
#define uvalue(o) (&(o)->value.gc->u)
#define clvalue(o) (&(o)->value.gc->cl)
#define hvalue(o) (&(o)->value.gc->h)
#define bvalue(o) ((o)->value.b)
#define thvalue(o) (&(o)->value.gc->th)

#define l_isfalse(o) (ttisnil(o) || (ttisboolean(o) && bvalue(o) == 0))

/* macros to set values */
#define setnvalue(obj, x) \
  do { TObject *i_o = (obj); i_o->tt = LUA_TNUMBER; i_o->value.n = (x); } while (0)

#define chgnvalue(obj, x) ((obj)->value.n = (x))

#define setpvalue(obj, x) \
  do { TObject *i_o = (obj); i_o->tt = LUA_TLIGHTUSERDATA; i_o->value.p = (x); } while (0)

#define setbvalue(obj, x) \
  do { TObject *i_o = (obj); i_o->tt = LUA_TBOOLEAN; i_o->value.b = (x); } while (0)

#define setsvalue(obj, x) \
  do { TObject *i_o = (obj); i_o->tt = LUA_TSTRING; i_o->value.gc = cast(GCObject *, (x)); } while (0)

#define setwsvalue(obj, x) \
  do { TObject *i_o = (obj); i_o->tt = LUA_TWSTRING; i_o->value.gc = cast(GCObject *, (x)); } while (0)

/* a narrow or wide string, tag taken from the string itself */
#define setanysvalue(obj, x) \
  do { TObject *i_o = (obj); i_o->tt = (x)->tsv.tt; i_o->value.gc = cast(GCObject *, (x)); } while (0)

#define setuvalue(obj, x) \
  do { TObject *i_o = (obj); i_o->tt = LUA_TUSERDATA; i_o->value.gc = cast(GCObject *, (x)); } while (0)

#define setthvalue(obj, x) \
  do { TObject *i_o = (obj); i_o->tt = LUA_TTHREAD; i_o->value.gc = cast(GCObject *, (x)); } while (0)

#define setclvalue(obj, x) \
  do { TObject *i_o = (obj); i_o->tt = LUA_TFUNCTION; i_o->value.gc = cast(GCObject *, (x)); } while (0)

#define sethvalue(obj, x) \
  do { TObject *i_o = (obj); i_o->tt = LUA_TTABLE; i_o->value.gc = cast(GCObject *, (x)); } while (0)

#define setnilvalue(obj) ((obj)->tt = LUA_TNIL)

#define setobj(obj1, obj2) \
  do { const TObject *o2 = (obj2); TObject *o1 = (obj1); o1->tt = o2->tt; o1->value = o2->value; } while (0)

/* different types of sets, according to destination (kept for the stock call sites) */
#define setobjs2s setobj        /* from stack to (same) stack */
#define setobj2s setobj         /* to stack (not from same stack) */
#define setsvalue2s setsvalue
#define setobjt2t setobj        /* from table to same table */
#define setobj2t setobj         /* to table */
#define setobj2n setobj         /* to new object */
#define setsvalue2n setsvalue

#define setttype(obj, tt) (ttype(obj) = (tt))

#define iscollectable(o) (ttype(o) >= LUA_TSTRING && ttype(o) <= LUA_TWSTRING)

typedef TObject *StkId; /* index to stack elements */

/*
** String headers, narrow (tag LUA_TSTRING, bytes) and wide (tag LUA_TWSTRING, 16-bit units).
** The characters follow the header, ended by one zero byte (narrow) or one zero unit (wide).
*/
typedef union LString {
  L_Umaxalign dummy; /* ensures maximum alignment for strings */
  struct {
    CommonHeader;
    lu_byte reserved; /* reserved-word index + 1 (0 for wide strings and non-reserved names) */
    lu_int32 hash;
    size_t len;       /* bytes for narrow strings, units for wide strings */
  } tsv;
} LString;

#define getstr(ts) cast(const char *, (ts) + 1)
#define svalue(o) getstr(tsvalue(o))
#define getwstr(ts) cast(const lua_WChar *, (ts) + 1)
#define wsvalue(o) getwstr(tsvalue(o))

/* full userdata; the block follows the header. An odd recorded length marks a boxed pointer. */
typedef union Udata {
  L_Umaxalign dummy; /* ensures maximum alignment for `local' udata */
  struct {
    CommonHeader;
    struct Table *metatable;
    size_t len;
  } uv;
} Udata;

#define isboxedpointer(u) (((u)->uv.len & 1) != 0)

/* function prototypes */
typedef struct Proto {
  CommonHeader;
  TObject *k; /* constants used by the function */
  Instruction *code;
  struct Proto **p; /* functions defined inside the function */
  int *lineinfo;    /* map from opcodes to source lines */
  struct LocVar *locvars; /* information about local variables */
  LString **upvalues;     /* upvalue names */
  LString *source;
  int sizeupvalues;
  int sizek; /* size of `k' */
  int sizecode;
  int sizelineinfo;
  int sizep; /* size of `p' */
  int sizelocvars;
  int lineDefined;
  GCObject *gclist;
  lu_byte nups; /* number of upvalues */
  lu_byte numparams;
  lu_byte is_vararg;
  lu_byte maxstacksize;
} Proto;

typedef struct LocVar {
  LString *varname;
  int startpc; /* first point where variable is active */
  int endpc;   /* first point where variable is dead */
} LocVar;

/* upvalues */
typedef struct UpVal {
  CommonHeader;
  TObject *v;    /* points to stack or to its own value */
  TObject value; /* the value (when closed) */
} UpVal;

/* closures */
#define ClosureHeader \
  CommonHeader;       \
  lu_byte isC;        \
  lu_byte nupvalues;  \
  GCObject *gclist

typedef struct CClosure {
  ClosureHeader;
  lua_CFunction f;
  TObject upvalue[1];
} CClosure;

typedef struct LClosure {
  ClosureHeader;
  struct Proto *p;
  TObject g; /* global table */
  UpVal *upvals[1];
} LClosure;

typedef union Closure {
  CClosure c;
  LClosure l;
} Closure;

#define iscfunction(o) (ttype(o) == LUA_TFUNCTION && clvalue(o)->c.isC)
#define isLfunction(o) (ttype(o) == LUA_TFUNCTION && !clvalue(o)->c.isC)

/* tables */
typedef struct Node {
  TObject i_key;
  TObject i_val;
  struct Node *next; /* for chaining */
} Node;

typedef struct Table {
  CommonHeader;
  lu_byte flags;     /* 1<<p means tagmethod(p) is not present */
  lu_byte lsizenode; /* log2 of size of `node' array */
  struct Table *metatable;
  TObject *array; /* array part */
  Node *node;
  Node *firstfree; /* this position is free; all positions after it are full */
  GCObject *gclist;
  int sizearray; /* size of `array' array */
} Table;

/* `module' operation for hashing (size is always a power of 2) */
#define lmod(s, size) (cast(int, (s) & ((size) - 1)))

#define twoto(x) (1 << (x))
#define sizenode(t) (twoto((t)->lsizenode))

extern const TObject luaO_nilobject;

int luaO_log2(unsigned int x);
int luaO_int2fb(unsigned int x);
#define fb2int(x) (((int)(x) & 7) << ((int)(x) >> 3))

int luaO_rawequalObj(const TObject *t1, const TObject *t2);
/* the text of a number under LUA_NUMBER_FMT, in `s' (LUAI_MAXNUMBER2STR bytes); its length */
#define LUAI_MAXNUMBER2STR 32
int luaO_num2str(char *s, lua_Number n);
int luaO_str2d(const char *s, lua_Number *result);
/* wide numerals: hexadecimal ("0x", fraction, binary exponent after a fraction) or decimal */
lua_Number luaO_wstrtod(const lua_WChar *s, const lua_WChar **endptr);
int luaO_wstr2d(const lua_WChar *s, lua_Number *result);

const char *luaO_pushvfstring(lua_State *L, const char *fmt, va_list argp);
const char *luaO_pushfstring(lua_State *L, const char *fmt, ...);
void luaO_chunkid(char *out, const char *source, int len);

/* double -> signed 64-bit toward zero; NaN and out-of-range values give INT64_MIN (the x86 result) */
int64_t luaO_num2int64(lua_Number n);

#endif
