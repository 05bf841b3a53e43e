// One-pass parser of the script runtime: reads tokens from llex and drives lcode to build the
// function prototypes of a chunk directly, without a syntax tree.
#ifndef lparser_h
#define lparser_h

#include <vector>

#include "llimits.h"
#include "lobject.h"
#include "lzio.h"

// Expression descriptor: where the value of an expression being compiled lives (or will live).
typedef enum {
  VVOID,      // no value
  VNIL,
  VTRUE,
  VFALSE,
  VK,         // info = index of constant in `k'
  VLOCAL,     // info = local register
  VUPVAL,     // info = index of upvalue in `upvalues'
  VGLOBAL,    // info = index of the global's name in `k'
  VINDEXED,   // info = table register; aux = index register (or `k')
  VJMP,       // info = instruction pc
  VRELOCABLE, // info = instruction pc
  VNONRELOC,  // info = result register
  VCALL       // info = result register
} expkind;

typedef struct expdesc {
  expkind k;
  int info, aux;
  int t;  // patch list of `exit when true'
  int f;  // patch list of `exit when false'
} expdesc;

struct BlockCnt;  // defined in lparser.cpp

// State needed to generate code for a given function.
typedef struct FuncState {
  Proto* f;                 // current function header
  Table* h;                 // table to find (and reuse) elements in `k'
  struct FuncState* prev;   // enclosing function
  struct LexState* ls;      // lexical state
  struct lua_State* L;      // copy of the Lua state
  struct BlockCnt* bl;      // chain of current blocks
  int pc;                   // next position to code (equivalent to `ncode')
  int lasttarget;           // `pc' of last `jump target'
  int jpc;                  // list of pending jumps to `pc'
  // For each instruction that heads a jump list, an element of that list near its end (often
  // the last), so appending to a long list does not walk it (see luaK_concat).
  std::vector<int> jumptail;
  int freereg;              // first free register
  int nk;                   // number of elements in `k'
  int np;                   // number of elements in `p'
  int nlocvars;             // number of elements in `locvars'
  int nactvar;              // number of active local variables
  expdesc upvalues[MAXUPVALUES];  // upvalues
  int actvar[MAXVARS];            // declared-variable stack
} FuncState;

Proto* luaY_parser(lua_State* L, ZIO* z, Mbuffer* buff);

#endif
