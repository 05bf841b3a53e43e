// One-pass parser of the script runtime (see lparser.h): a recursive-descent reader of the 5.0
// grammar plus `continue', numbered `break N'/`continue N', table size hints and the bitwise
// operators, generating code through lcode as it goes.
#include "lparser.h"

#include <cmath>
#include <cstring>

#include "lcode.h"
#include "ldebug.h"
#include "ldo.h"
#include "lfunc.h"
#include "llex.h"
#include "lmem.h"
#include "lobject.h"
#include "lopcodes.h"
#include "lstate.h"
#include "lstring.h"
#include "ltable.h"

#define getlocvar(fs, i) ((fs)->f->locvars[(fs)->actvar[i]])

#define enterlevel(ls) \
  if (++(ls)->nestlevel > LUA_MAXCCALLS) luaX_syntaxerror(ls, "too many syntax levels");
#define leavelevel(ls) ((ls)->nestlevel--)

// Deepest loop a numbered `break'/`continue' may name.
#define MAXLOOPNUMBER 100

// Nodes for the block list (list of active blocks).
typedef struct BlockCnt {
  struct BlockCnt* previous;  // chain
  int breaklist;              // list of jumps out of this loop
  int continuelist;           // list of jumps to this loop's continuation point
  int nactvar;                // number of active locals outside the block
  int upval;                  // true if some variable in the block is an upvalue
  int isbreakable;            // true if the block is a loop
} BlockCnt;

// prototypes for recursive non-terminal functions
static void chunk(LexState* ls);
static void expr(LexState* ls, expdesc* v);

static void next(LexState* ls) {
  ls->lastline = ls->linenumber;
  if (ls->lookahead.token != TK_EOS) {  // is there a look-ahead token?
    ls->t = ls->lookahead;              // use it
    ls->lookahead.token = TK_EOS;       // and discharge it
  } else {
    ls->t.token = luaX_lex(ls, &ls->t.seminfo);  // read the next token
  }
}

static void lookahead(LexState* ls) {
  lua_assert(ls->lookahead.token == TK_EOS);
  ls->lookahead.token = luaX_lex(ls, &ls->lookahead.seminfo);
}

[[noreturn]] static void error_expected(LexState* ls, int token) {
  luaX_syntaxerror(ls, luaO_pushfstring(ls->L, "`%s' expected", luaX_token2str(ls, token)));
}

static int testnext(LexState* ls, int c) {
  if (ls->t.token == c) {
    next(ls);
    return 1;
  }
  return 0;
}

static void check(LexState* ls, int c) {
  if (!testnext(ls, c)) error_expected(ls, c);
}

#define check_condition(ls, c, msg) \
  { if (!(c)) luaX_syntaxerror(ls, msg); }

static void check_match(LexState* ls, int what, int who, int where) {
  if (!testnext(ls, what)) {
    if (where == ls->linenumber) {
      error_expected(ls, what);
    } else {
      luaX_syntaxerror(ls, luaO_pushfstring(ls->L, "`%s' expected (to close `%s' at line %d)",
                                            luaX_token2str(ls, what), luaX_token2str(ls, who),
                                            where));
    }
  }
}

static LString* str_checkname(LexState* ls) {
  check_condition(ls, (ls->t.token == TK_NAME), "<name> expected");
  LString* ts = ls->t.seminfo.ts;
  next(ls);
  return ts;
}

static void init_exp(expdesc* e, expkind k, int i) {
  e->f = e->t = NO_JUMP;
  e->k = k;
  e->info = i;
}

static void codestring(LexState* ls, expdesc* e, LString* s) {
  init_exp(e, VK, luaK_stringK(ls->fs, s));
}

static void checkname(LexState* ls, expdesc* e) { codestring(ls, e, str_checkname(ls)); }

static int luaI_registerlocalvar(LexState* ls, LString* varname) {
  FuncState* fs = ls->fs;
  Proto* f = fs->f;
  int oldsize = f->sizelocvars;
  luaM_growvector(ls->L, f->locvars, fs->nlocvars, f->sizelocvars, LocVar, MAX_INT, "");
  while (oldsize < f->sizelocvars) f->locvars[oldsize++].varname = NULL;
  f->locvars[fs->nlocvars].varname = varname;
  return fs->nlocvars++;
}

static void new_localvar(LexState* ls, LString* name, int n) {
  FuncState* fs = ls->fs;
  luaX_checklimit(ls, fs->nactvar + n + 1, MAXVARS, "local variables");
  fs->actvar[fs->nactvar + n] = luaI_registerlocalvar(ls, name);
}

static void adjustlocalvars(LexState* ls, int nvars) {
  FuncState* fs = ls->fs;
  fs->nactvar += nvars;
  for (; nvars; nvars--) getlocvar(fs, fs->nactvar - nvars).startpc = fs->pc;
}

static void removevars(LexState* ls, int tolevel) {
  FuncState* fs = ls->fs;
  while (fs->nactvar > tolevel) getlocvar(fs, --fs->nactvar).endpc = fs->pc;
}

static void new_localvarstr(LexState* ls, const char* name, int n) {
  new_localvar(ls, luaS_new(ls->L, name), n);
}

static void create_local(LexState* ls, const char* name) {
  new_localvarstr(ls, name, 0);
  adjustlocalvars(ls, 1);
}

static int indexupvalue(FuncState* fs, LString* name, expdesc* v) {
  Proto* f = fs->f;
  for (int i = 0; i < f->nups; i++) {
    if (fs->upvalues[i].k == v->k && fs->upvalues[i].info == v->info) {
      lua_assert(fs->f->upvalues[i] == name);
      return i;
    }
  }
  // a new one
  luaX_checklimit(fs->ls, f->nups + 1, MAXUPVALUES, "upvalues");
  int oldsize = f->sizeupvalues;
  luaM_growvector(fs->L, f->upvalues, f->nups, f->sizeupvalues, LString*, MAX_INT, "");
  while (oldsize < f->sizeupvalues) f->upvalues[oldsize++] = NULL;
  f->upvalues[f->nups] = name;
  fs->upvalues[f->nups] = *v;
  return f->nups++;
}

static int searchvar(FuncState* fs, LString* n) {
  for (int i = fs->nactvar - 1; i >= 0; i--) {
    if (n == getlocvar(fs, i).varname) return i;
  }
  return -1;  // not found
}

static void markupval(FuncState* fs, int level) {
  BlockCnt* bl = fs->bl;
  while (bl && bl->nactvar > level) bl = bl->previous;
  if (bl) bl->upval = 1;
}

static void singlevaraux(FuncState* fs, LString* n, expdesc* var, int base) {
  if (fs == NULL) {  // no more levels?
    init_exp(var, VGLOBAL, NO_REG);  // default is a global variable
    return;
  }
  int v = searchvar(fs, n);  // look up at the current level
  if (v >= 0) {
    init_exp(var, VLOCAL, v);
    if (!base) markupval(fs, v);  // the local will be used as an upvalue
  } else {  // not found at the current level: try the upper one
    singlevaraux(fs->prev, n, var, 0);
    if (var->k == VGLOBAL) {
      if (base) var->info = luaK_stringK(fs, n);  // info points to the global's name
    } else {  // LOCAL or UPVAL
      var->info = indexupvalue(fs, n, var);
      var->k = VUPVAL;  // an upvalue at this level
    }
  }
}

static LString* singlevar(LexState* ls, expdesc* var, int base) {
  LString* varname = str_checkname(ls);
  singlevaraux(ls->fs, varname, var, base);
  return varname;
}

static void adjust_assign(LexState* ls, int nvars, int nexps, expdesc* e) {
  FuncState* fs = ls->fs;
  int extra = nvars - nexps;
  if (e->k == VCALL) {
    extra++;  // includes the call itself
    if (extra <= 0)
      extra = 0;
    else
      luaK_reserveregs(fs, extra - 1);
    luaK_setcallreturns(fs, e, extra);  // the call provides the difference
  } else {
    if (e->k != VVOID) luaK_exp2nextreg(fs, e);  // close the last expression
    if (extra > 0) {
      int reg = fs->freereg;
      luaK_reserveregs(fs, extra);
      luaK_nil(fs, reg, extra);
    }
  }
}

static void code_params(LexState* ls, int nparams, int dots) {
  FuncState* fs = ls->fs;
  adjustlocalvars(ls, nparams);
  luaX_checklimit(ls, fs->nactvar, MAXPARAMS, "parameters");
  fs->f->numparams = cast(lu_byte, fs->nactvar);
  fs->f->is_vararg = cast(lu_byte, dots);
  if (dots) create_local(ls, "arg");
  luaK_reserveregs(fs, fs->nactvar);  // reserve registers for the parameters
}

static void enterblock(FuncState* fs, BlockCnt* bl, int isbreakable) {
  bl->breaklist = NO_JUMP;
  bl->continuelist = NO_JUMP;
  bl->isbreakable = isbreakable;
  bl->nactvar = fs->nactvar;
  bl->upval = 0;
  bl->previous = fs->bl;
  fs->bl = bl;
  lua_assert(fs->freereg == fs->nactvar);
}

static void leaveblock(FuncState* fs) {
  BlockCnt* bl = fs->bl;
  fs->bl = bl->previous;
  removevars(fs->ls, bl->nactvar);
  if (bl->upval) luaK_codeABC(fs, OP_CLOSE, bl->nactvar, 0, 0);
  lua_assert(bl->nactvar == fs->nactvar);
  lua_assert(bl->continuelist == NO_JUMP);  // loops patch it before leaving
  fs->freereg = fs->nactvar;  // free registers
  luaK_patchtohere(fs, bl->breaklist);
}

static void pushclosure(LexState* ls, FuncState* func, expdesc* v) {
  FuncState* fs = ls->fs;
  Proto* f = fs->f;
  int oldsize = f->sizep;
  luaM_growvector(ls->L, f->p, fs->np, f->sizep, Proto*, MAXARG_Bx, "constant table overflow");
  while (oldsize < f->sizep) f->p[oldsize++] = NULL;
  f->p[fs->np++] = func->f;
  init_exp(v, VRELOCABLE, luaK_codeABx(fs, OP_CLOSURE, 0, fs->np - 1));
  for (int i = 0; i < func->f->nups; i++) {
    OpCode o = (func->upvalues[i].k == VLOCAL) ? OP_MOVE : OP_GETUPVAL;
    luaK_codeABC(fs, o, 0, func->upvalues[i].info, 0);
  }
}

static void open_func(LexState* ls, FuncState* fs) {
  lua_State* L = ls->L;
  Proto* f = luaF_newproto(L);
  fs->f = f;
  fs->prev = ls->fs;  // linked list of FuncStates
  fs->ls = ls;
  fs->L = L;
  ls->fs = fs;
  fs->pc = 0;
  fs->lasttarget = 0;
  fs->jpc = NO_JUMP;
  fs->freereg = 0;
  fs->nk = 0;
  fs->np = 0;
  fs->nlocvars = 0;
  fs->nactvar = 0;
  fs->bl = NULL;
  f->source = ls->source;
  f->maxstacksize = 2;  // registers 0 and 1 are always valid
  // anchor the prototype on the stack before the next allocation can collect
  L->top->tt = LUA_TPROTO;
  L->top->value.gc = cast(GCObject*, f);
  incr_top(L);
  fs->h = luaH_new(L, 0, 2);  // room for a few constants before the first resize
  sethvalue(L->top, fs->h);  // and the table of constants
  incr_top(L);
}

static void close_func(LexState* ls) {
  lua_State* L = ls->L;
  FuncState* fs = ls->fs;
  Proto* f = fs->f;
  removevars(ls, 0);
  luaK_codeABC(fs, OP_RETURN, 0, 1, 0);  // final return
  luaM_reallocvector(L, f->code, f->sizecode, fs->pc, Instruction);
  f->sizecode = fs->pc;
  luaM_reallocvector(L, f->lineinfo, f->sizelineinfo, fs->pc, int);
  f->sizelineinfo = fs->pc;
  luaM_reallocvector(L, f->k, f->sizek, fs->nk, TObject);
  f->sizek = fs->nk;
  luaM_reallocvector(L, f->p, f->sizep, fs->np, Proto*);
  f->sizep = fs->np;
  luaM_reallocvector(L, f->locvars, f->sizelocvars, fs->nlocvars, LocVar);
  f->sizelocvars = fs->nlocvars;
  luaM_reallocvector(L, f->upvalues, f->sizeupvalues, f->nups, LString*);
  f->sizeupvalues = f->nups;
  lua_assert(fs->bl == NULL);
  ls->fs = fs->prev;
  L->top -= 2;  // remove the table and the prototype from the stack
}

Proto* luaY_parser(lua_State* L, ZIO* z, Mbuffer* buff) {
  LexState lexstate;
  FuncState funcstate;
  lexstate.buff = buff;
  lexstate.nestlevel = 0;
  LString* source = luaS_new(L, zname(z));
  setsvalue2s(L->top, source);  // anchor the chunk name while the main prototype is made
  incr_top(L);
  luaX_setinput(L, &lexstate, z, source);
  open_func(&lexstate, &funcstate);
  next(&lexstate);  // read the first token
  chunk(&lexstate);
  check_condition(&lexstate, (lexstate.t.token == TK_EOS), "<eof> expected");
  close_func(&lexstate);
  L->top--;  // the chunk name
  lua_assert(funcstate.prev == NULL);
  lua_assert(funcstate.f->nups == 0);
  lua_assert(lexstate.nestlevel == 0);
  return funcstate.f;
}

// ---- rules for constructors -------------------------------------------------------------------

static void luaY_field(LexState* ls, expdesc* v) {
  // field -> ['.' | ':'] NAME
  FuncState* fs = ls->fs;
  expdesc key;
  luaK_exp2anyreg(fs, v);
  next(ls);  // skip the dot or colon
  checkname(ls, &key);
  luaK_indexed(fs, v, &key);
}

static void luaY_index(LexState* ls, expdesc* v) {
  // index -> '[' expr ']'
  next(ls);  // skip the '['
  expr(ls, v);
  luaK_exp2val(ls->fs, v);
  check(ls, ']');
}

struct ConsControl {
  expdesc v;    // last list item read
  expdesc* t;   // table descriptor
  int nh;       // total number of record elements
  int na;       // total number of array elements
  int tostore;  // number of array elements pending to be stored
};

static void recfield(LexState* ls, ConsControl* cc) {
  // recfield -> (NAME | '['exp1']') = exp1
  FuncState* fs = ls->fs;
  int reg = ls->fs->freereg;
  expdesc key, val;
  if (ls->t.token == TK_NAME) {
    luaX_checklimit(ls, cc->nh, MAX_INT, "items in a constructor");
    cc->nh++;
    checkname(ls, &key);
  } else {  // ls->t.token == '['
    luaY_index(ls, &key);
  }
  check(ls, '=');
  luaK_exp2RK(fs, &key);
  expr(ls, &val);
  luaK_codeABC(fs, OP_SETTABLE, cc->t->info, luaK_exp2RK(fs, &key), luaK_exp2RK(fs, &val));
  fs->freereg = reg;  // free registers
}

static void closelistfield(FuncState* fs, ConsControl* cc) {
  if (cc->v.k == VVOID) return;  // there is no list item
  luaK_exp2nextreg(fs, &cc->v);
  cc->v.k = VVOID;
  if (cc->tostore == LFIELDS_PER_FLUSH) {
    luaK_codeABx(fs, OP_SETLIST, cc->t->info, cc->na - 1);  // flush
    cc->tostore = 0;                                       // no more items pending
    fs->freereg = cc->t->info + 1;                         // free registers
  }
}

static void lastlistfield(FuncState* fs, ConsControl* cc) {
  if (cc->tostore == 0) return;
  if (cc->v.k == VCALL) {
    luaK_setcallreturns(fs, &cc->v, LUA_MULTRET);
    luaK_codeABx(fs, OP_SETLISTO, cc->t->info, cc->na - 1);
  } else {
    if (cc->v.k != VVOID) luaK_exp2nextreg(fs, &cc->v);
    luaK_codeABx(fs, OP_SETLIST, cc->t->info, cc->na - 1);
  }
  fs->freereg = cc->t->info + 1;  // free registers
}

static void listfield(LexState* ls, ConsControl* cc) {
  expr(ls, &cc->v);
  luaX_checklimit(ls, cc->na, MAXARG_Bx, "items in a constructor");
  cc->na++;
  cc->tostore++;
}

// Largest table size hint taken as it is. Larger hints are capped: the numeral could be beyond
// any integer, and the encodings of NEWTABLE must still decode to an int.
#define MAXSIZEHINT (1 << 26)

// A size hint after '&': a number token, taken toward zero.
static int sizehint(LexState* ls) {
  if (ls->t.token != TK_NUMBER)
    luaX_syntaxerror(ls, luaO_pushfstring(ls->L, "size expected following & (line %d)",
                                          ls->linenumber));
  lua_Number r = ls->t.seminfo.r;
  next(ls);
  if (!(r >= 1)) return 0;  // also NaN
  if (r >= cast(lua_Number, MAXSIZEHINT)) return MAXSIZEHINT;
  return cast(int, r);
}

static void constructor(LexState* ls, expdesc* t) {
  // constructor -> '{' [ '&' size [ '&' size ] ] [ fieldsep ] { field fieldsep } [ field ] '}'
  FuncState* fs = ls->fs;
  int line = ls->linenumber;
  int pc = luaK_codeABC(fs, OP_NEWTABLE, 0, 0, 0);
  ConsControl cc;
  cc.na = cc.nh = cc.tostore = 0;
  cc.t = t;
  init_exp(t, VRELOCABLE, pc);
  init_exp(&cc.v, VVOID, 0);  // no value (yet)
  luaK_exp2nextreg(ls->fs, t);
  check(ls, '{');
  int hashhint = 0, arrayhint = 0;
  if (testnext(ls, '&')) {
    hashhint = sizehint(ls);
    if (testnext(ls, '&')) arrayhint = sizehint(ls);
  }
  do {
    lua_assert(cc.v.k == VVOID || cc.tostore > 0);
    testnext(ls, ';');  // compatibility only
    if (ls->t.token == '}') break;
    closelistfield(fs, &cc);
    switch (ls->t.token) {
      case TK_NAME:  // may be a list field or a record field
        lookahead(ls);
        if (ls->lookahead.token != '=')  // expression?
          listfield(ls, &cc);
        else
          recfield(ls, &cc);
        break;
      case '[':  // constructor_item -> recfield
        recfield(ls, &cc);
        break;
      default:  // constructor_part -> listfield
        listfield(ls, &cc);
        break;
    }
  } while (testnext(ls, ',') || testnext(ls, ';'));
  check_match(ls, '}', '{', line);
  lastlistfield(fs, &cc);
  int narray = cc.na > arrayhint ? cc.na : arrayhint;
  int nhash = cc.nh > hashhint ? cc.nh : hashhint;
  if (narray > 0) SETARG_B(fs->f->code[pc], luaO_int2fb(cast(unsigned int, narray)));
  SETARG_C(fs->f->code[pc], luaO_log2(cast(unsigned int, nhash)) + 1);
}

// ---- functions ----------------------------------------------------------------------------------

static void parlist(LexState* ls) {
  // parlist -> [ param { ',' param } ]
  int nparams = 0;
  int dots = 0;
  if (ls->t.token != ')') {  // is `parlist' not empty?
    do {
      switch (ls->t.token) {
        case TK_DOTS:
          dots = 1;
          next(ls);
          break;
        case TK_NAME:
          new_localvar(ls, str_checkname(ls), nparams++);
          break;
        default:
          luaX_syntaxerror(ls, "<name> or `...' expected");
      }
    } while (!dots && testnext(ls, ','));
  }
  code_params(ls, nparams, dots);
}

static void body(LexState* ls, expdesc* e, int needself, int line) {
  // body -> '(' parlist ')' chunk END
  FuncState new_fs;
  open_func(ls, &new_fs);
  new_fs.f->lineDefined = line;
  check(ls, '(');
  if (needself) create_local(ls, "self");
  parlist(ls);
  check(ls, ')');
  chunk(ls);
  check_match(ls, TK_END, TK_FUNCTION, line);
  close_func(ls);
  pushclosure(ls, &new_fs, e);
}

static int explist1(LexState* ls, expdesc* v) {
  // explist1 -> expr { ',' expr }
  int n = 1;  // at least one expression
  expr(ls, v);
  while (testnext(ls, ',')) {
    luaK_exp2nextreg(ls->fs, v);
    expr(ls, v);
    n++;
  }
  return n;
}

static void funcargs(LexState* ls, expdesc* f) {
  FuncState* fs = ls->fs;
  expdesc args;
  int line = ls->linenumber;
  switch (ls->t.token) {
    case '(':  // funcargs -> '(' [ explist1 ] ')'
      if (line != ls->lastline)
        luaX_syntaxerror(ls, "ambiguous syntax (function call x new statement)");
      next(ls);
      if (ls->t.token == ')') {  // empty argument list?
        args.k = VVOID;
      } else {
        explist1(ls, &args);
        luaK_setcallreturns(fs, &args, LUA_MULTRET);
      }
      check_match(ls, ')', '(', line);
      break;
    case '{':  // funcargs -> constructor
      constructor(ls, &args);
      break;
    case TK_STRING:  // funcargs -> STRING
      codestring(ls, &args, ls->t.seminfo.ts);
      next(ls);  // must use `seminfo' before `next'
      break;
    default:  // a wide literal needs parentheses
      luaX_syntaxerror(ls, "function arguments expected");
  }
  lua_assert(f->k == VNONRELOC);
  int base = f->info;  // base register for the call
  int nparams;
  if (args.k == VCALL) {
    nparams = LUA_MULTRET;  // open call
  } else {
    if (args.k != VVOID) luaK_exp2nextreg(fs, &args);  // close the last argument
    nparams = fs->freereg - (base + 1);
  }
  init_exp(f, VCALL, luaK_codeABC(fs, OP_CALL, base, nparams + 1, 2));
  luaK_fixline(fs, line);
  // the call removes the function and its arguments and leaves (unless changed) one result
  fs->freereg = base + 1;
}

// ---- expression parsing -------------------------------------------------------------------------

static void prefixexp(LexState* ls, expdesc* v) {
  // prefixexp -> NAME | '(' expr ')'
  switch (ls->t.token) {
    case '(': {
      int line = ls->linenumber;
      next(ls);
      expr(ls, v);
      check_match(ls, ')', '(', line);
      luaK_dischargevars(ls->fs, v);
      return;
    }
    case TK_NAME:
      singlevar(ls, v, 1);
      return;
    default:
      luaX_syntaxerror(ls, "unexpected symbol");
  }
}

static void primaryexp(LexState* ls, expdesc* v) {
  // primaryexp -> prefixexp { '.' NAME | '[' exp ']' | ':' NAME funcargs | funcargs }
  FuncState* fs = ls->fs;
  prefixexp(ls, v);
  for (;;) {
    switch (ls->t.token) {
      case '.':  // field
        luaY_field(ls, v);
        break;
      case '[': {  // '[' exp1 ']'
        expdesc key;
        luaK_exp2anyreg(fs, v);
        luaY_index(ls, &key);
        luaK_indexed(fs, v, &key);
        break;
      }
      case ':': {  // ':' NAME funcargs
        expdesc key;
        next(ls);
        checkname(ls, &key);
        luaK_self(fs, v, &key);
        funcargs(ls, v);
        break;
      }
      case '(':
      case TK_STRING:
      case TK_WSTRING:  // rejected by funcargs with the usual message
      case '{':
        luaK_exp2nextreg(fs, v);
        funcargs(ls, v);
        break;
      default:
        return;
    }
  }
}

static void simpleexp(LexState* ls, expdesc* v) {
  // simpleexp -> NUMBER | STRING | WSTRING | NIL | TRUE | FALSE | constructor | FUNCTION body
  //            | primaryexp
  switch (ls->t.token) {
    case TK_NUMBER:
      init_exp(v, VK, luaK_numberK(ls->fs, ls->t.seminfo.r));
      next(ls);  // must use `seminfo' before `next'
      break;
    case TK_STRING:
      codestring(ls, v, ls->t.seminfo.ts);
      next(ls);
      break;
    case TK_WSTRING:
      init_exp(v, VK, luaK_wstringK(ls->fs, ls->t.seminfo.ts));
      next(ls);
      break;
    case TK_NIL:
      init_exp(v, VNIL, 0);
      next(ls);
      break;
    case TK_TRUE:
      init_exp(v, VTRUE, 0);
      next(ls);
      break;
    case TK_FALSE:
      init_exp(v, VFALSE, 0);
      next(ls);
      break;
    case '{':  // constructor
      constructor(ls, v);
      break;
    case TK_FUNCTION:
      next(ls);
      body(ls, v, 0, ls->linenumber);
      break;
    default:
      primaryexp(ls, v);
      break;
  }
}

static UnOpr getunopr(int op) {
  switch (op) {
    case TK_NOT: return OPR_NOT;
    case '-': return OPR_MINUS;
    default: return OPR_NOUNOPR;
  }
}

static BinOpr getbinopr(int op) {
  switch (op) {
    case '+': return OPR_ADD;
    case '-': return OPR_SUB;
    case '*': return OPR_MULT;
    case '/': return OPR_DIV;
    case '&': return OPR_BAND;
    case '|': return OPR_BOR;
    case TK_SHL: return OPR_SHL;
    case TK_SHR: return OPR_SHR;
    case '^': return OPR_POW;
    case TK_CONCAT: return OPR_CONCAT;
    case TK_NE: return OPR_NE;
    case TK_EQ: return OPR_EQ;
    case '<': return OPR_LT;
    case TK_LE: return OPR_LE;
    case '>': return OPR_GT;
    case TK_GE: return OPR_GE;
    case TK_AND: return OPR_AND;
    case TK_OR: return OPR_OR;
    default: return OPR_NOBINOPR;
  }
}

static const struct {
  lu_byte left;   // left priority for each binary operator
  lu_byte right;  // right priority
} priority[] = {
    // in BinOpr order
    {6, 6}, {6, 6}, {7, 7}, {7, 7},  // + - * /
    {8, 8}, {8, 8}, {8, 8}, {8, 8},  // & | << >>
    {10, 9}, {5, 4},                 // ^ and .. (right associative)
    {3, 3}, {3, 3},                  // ~= ==
    {3, 3}, {3, 3}, {3, 3}, {3, 3},  // < <= > >=
    {2, 2}, {1, 1}                   // and or
};
static_assert(sizeof(priority) / sizeof(priority[0]) == OPR_NOBINOPR, "one priority per operator");

#define UNARY_PRIORITY 8  // priority for unary operators

// subexpr -> (simplexep | unop subexpr) { binop subexpr }
// where `binop' is any binary operator with a priority higher than `limit'
static BinOpr subexpr(LexState* ls, expdesc* v, int limit) {
  enterlevel(ls);
  UnOpr uop = getunopr(ls->t.token);
  if (uop != OPR_NOUNOPR) {
    next(ls);
    subexpr(ls, v, UNARY_PRIORITY);
    luaK_prefix(ls->fs, uop, v);
  } else {
    simpleexp(ls, v);
  }
  // expand while operators have priorities higher than `limit'
  BinOpr op = getbinopr(ls->t.token);
  while (op != OPR_NOBINOPR && cast(int, priority[op].left) > limit) {
    expdesc v2;
    next(ls);
    luaK_infix(ls->fs, op, v);
    // read a sub-expression with a higher priority
    BinOpr nextop = subexpr(ls, &v2, cast(int, priority[op].right));
    luaK_posfix(ls->fs, op, v, &v2);
    op = nextop;
  }
  leavelevel(ls);
  return op;  // the first untreated operator
}

static void expr(LexState* ls, expdesc* v) { subexpr(ls, v, -1); }

// ---- rules for statements -----------------------------------------------------------------------

static int block_follow(int token) {
  switch (token) {
    case TK_ELSE:
    case TK_ELSEIF:
    case TK_END:
    case TK_UNTIL:
    case TK_EOS:
      return 1;
    default:
      return 0;
  }
}

static void block(LexState* ls) {
  // block -> chunk
  FuncState* fs = ls->fs;
  BlockCnt bl;
  enterblock(fs, &bl, 0);
  chunk(ls);
  lua_assert(bl.breaklist == NO_JUMP);
  leaveblock(fs);
}

// Structure to chain all variables in the left-hand side of an assignment.
struct LHS_assign {
  struct LHS_assign* prev;
  expdesc v;  // variable (global, local, upvalue, or indexed)
};

// Check whether, in an assignment to a local variable, the local is used in a previous assignment
// to a table. If so, save the original value in a safe place and use it in the previous assignment.
static void check_conflict(LexState* ls, LHS_assign* lh, expdesc* v) {
  FuncState* fs = ls->fs;
  int extra = fs->freereg;  // eventual position to save the local
  int conflict = 0;
  for (; lh; lh = lh->prev) {
    if (lh->v.k == VINDEXED) {
      if (lh->v.info == v->info) {  // conflict?
        conflict = 1;
        lh->v.info = extra;  // the previous assignment will use the safe copy
      }
      if (lh->v.aux == v->info) {  // conflict?
        conflict = 1;
        lh->v.aux = extra;  // the previous assignment will use the safe copy
      }
    }
  }
  if (conflict) {
    luaK_codeABC(fs, OP_MOVE, fs->freereg, v->info, 0);  // make the copy
    luaK_reserveregs(fs, 1);
  }
}

static void assignment(LexState* ls, LHS_assign* lh, int nvars) {
  expdesc e;
  check_condition(ls, VLOCAL <= lh->v.k && lh->v.k <= VINDEXED, "syntax error");
  if (testnext(ls, ',')) {  // assignment -> ',' primaryexp assignment
    LHS_assign nv;
    nv.prev = lh;
    // each target is one more C frame: keep the recursion bounded like nested expressions
    luaX_checklimit(ls, nvars, LUA_MAXCCALLS, "variables in assignment");
    primaryexp(ls, &nv.v);
    if (nv.v.k == VLOCAL) check_conflict(ls, lh, &nv.v);
    assignment(ls, &nv, nvars + 1);
  } else {  // assignment -> '=' explist1
    check(ls, '=');
    int nexps = explist1(ls, &e);
    if (nexps != nvars) {
      adjust_assign(ls, nvars, nexps, &e);
      if (nexps > nvars) ls->fs->freereg -= nexps - nvars;  // remove extra values
    } else {
      luaK_setcallreturns(ls->fs, &e, 1);  // close the last expression
      luaK_storevar(ls->fs, &lh->v, &e);
      return;  // avoid the default
    }
  }
  init_exp(&e, VNONRELOC, ls->fs->freereg - 1);  // default assignment
  luaK_storevar(ls->fs, &lh->v, &e);
}

static void cond(LexState* ls, expdesc* v) {
  // cond -> exp
  expr(ls, v);                       // read the condition
  if (v->k == VNIL) v->k = VFALSE;   // `falses' are all equal here
  luaK_goiftrue(ls->fs, v);
  luaK_patchtohere(ls->fs, v->t);
}

// The condition of a `while' is moved after the body, so the loop costs one jump per round; this
// bounds the code saved for the move.
#define MAXEXPWHILE 100
#define EXTRAEXP 5

static void whilestat(LexState* ls, int line) {
  // whilestat -> WHILE cond DO block END
  Instruction codeexp[MAXEXPWHILE + EXTRAEXP];
  FuncState* fs = ls->fs;
  expdesc v;
  BlockCnt bl;
  next(ls);  // skip WHILE
  int whileinit = luaK_jump(fs);  // jump to the condition (which will be moved)
  int expinit = luaK_getlabel(fs);
  expr(ls, &v);  // parse the condition
  if (v.k == VK) v.k = VTRUE;  // `trues' are all equal here
  int lineexp = ls->linenumber;
  luaK_goiffalse(fs, &v);
  luaK_concat(fs, &v.f, fs->jpc);
  fs->jpc = NO_JUMP;
  int sizeexp = fs->pc - expinit;  // size of the condition's code
  if (sizeexp > MAXEXPWHILE) luaX_syntaxerror(ls, "`while' condition too complex");
  for (int i = 0; i < sizeexp; i++)  // save the condition's code
    codeexp[i] = fs->f->code[expinit + i];
  fs->pc = expinit;  // remove it
  enterblock(fs, &bl, 1);
  check(ls, TK_DO);
  int blockinit = luaK_getlabel(fs);
  block(ls);
  luaK_patchtohere(fs, whileinit);  // the initial jump jumps to here
  luaK_patchtohere(fs, bl.continuelist);  // and so does `continue'
  bl.continuelist = NO_JUMP;
  // move the condition's code back
  if (v.t != NO_JUMP) v.t += fs->pc - expinit;
  if (v.f != NO_JUMP) v.f += fs->pc - expinit;
  for (int i = 0; i < sizeexp; i++) luaK_code(fs, codeexp[i], lineexp);
  check_match(ls, TK_END, TK_WHILE, line);
  leaveblock(fs);
  luaK_patchlist(fs, v.t, blockinit);  // true conditions go back into the loop
  luaK_patchtohere(fs, v.f);           // false conditions finish the loop
}

static void repeatstat(LexState* ls, int line) {
  // repeatstat -> REPEAT block UNTIL cond
  FuncState* fs = ls->fs;
  int repeat_init = luaK_getlabel(fs);
  expdesc v;
  BlockCnt bl;
  enterblock(fs, &bl, 1);
  next(ls);
  block(ls);
  luaK_patchtohere(fs, bl.continuelist);  // `continue' evaluates the condition
  bl.continuelist = NO_JUMP;
  check_match(ls, TK_UNTIL, TK_REPEAT, line);
  cond(ls, &v);
  luaK_patchlist(fs, v.f, repeat_init);
  leaveblock(fs);
}

static int exp1(LexState* ls) {
  expdesc e;
  expr(ls, &e);
  int k = e.k;
  luaK_exp2nextreg(ls->fs, &e);
  return k;
}

static void forbody(LexState* ls, int base, int line, int nvars, int isnum) {
  BlockCnt bl;
  FuncState* fs = ls->fs;
  adjustlocalvars(ls, nvars);  // scope for all the variables
  check(ls, TK_DO);
  enterblock(fs, &bl, 1);  // the loop block
  int prep = luaK_getlabel(fs);
  block(ls);
  luaK_patchtohere(fs, prep - 1);
  luaK_patchtohere(fs, bl.continuelist);  // `continue' goes to the loop instruction
  bl.continuelist = NO_JUMP;
  int endfor = isnum ? luaK_codeAsBx(fs, OP_FORLOOP, base, NO_JUMP)
                     : luaK_codeABC(fs, OP_TFORLOOP, base, 0, nvars - 3);
  luaK_fixline(fs, line);  // pretend that the loop instruction starts the loop
  luaK_patchlist(fs, isnum ? endfor : luaK_jump(fs), prep);
  leaveblock(fs);
}

static void fornum(LexState* ls, LString* varname, int line) {
  // fornum -> NAME = exp1,exp1[,exp1] DO body
  FuncState* fs = ls->fs;
  int base = fs->freereg;
  new_localvar(ls, varname, 0);
  new_localvarstr(ls, "(for limit)", 1);
  new_localvarstr(ls, "(for step)", 2);
  check(ls, '=');
  exp1(ls);  // initial value
  check(ls, ',');
  exp1(ls);  // limit
  if (testnext(ls, ',')) {
    exp1(ls);  // optional step
  } else {     // default step = 1
    luaK_codeABx(fs, OP_LOADK, fs->freereg, luaK_numberK(fs, 1));
    luaK_reserveregs(fs, 1);
  }
  luaK_codeABC(fs, OP_SUB, fs->freereg - 3, fs->freereg - 3, fs->freereg - 1);
  luaK_jump(fs);
  forbody(ls, base, line, 3, 1);
}

static void forlist(LexState* ls, LString* indexname) {
  // forlist -> NAME {,NAME} IN explist1 DO body
  FuncState* fs = ls->fs;
  expdesc e;
  int nvars = 0;
  int base = fs->freereg;
  new_localvarstr(ls, "(for generator)", nvars++);
  new_localvarstr(ls, "(for state)", nvars++);
  new_localvar(ls, indexname, nvars++);
  while (testnext(ls, ',')) new_localvar(ls, str_checkname(ls), nvars++);
  check(ls, TK_IN);
  int line = ls->linenumber;
  int nexps = explist1(ls, &e);
  adjust_assign(ls, nvars, nexps, &e);
  // Surplus expressions are evaluated but not kept: left in their registers they would shift
  // every local of the body off the register its name is bound to.
  if (nexps > nvars) fs->freereg -= nexps - nvars;
  luaK_checkstack(fs, 3);  // extra space to call the generator
  luaK_codeAsBx(fs, OP_TFORPREP, base, NO_JUMP);
  forbody(ls, base, line, nvars, 0);
}

static void forstat(LexState* ls, int line) {
  // forstat -> fornum | forlist
  FuncState* fs = ls->fs;
  BlockCnt bl;
  enterblock(fs, &bl, 0);  // block to control the variables' scope
  next(ls);                // skip `for'
  LString* varname = str_checkname(ls);  // first variable name
  switch (ls->t.token) {
    case '=':
      fornum(ls, varname, line);
      break;
    case ',':
    case TK_IN:
      forlist(ls, varname);
      break;
    default:
      luaX_syntaxerror(ls, "`=' or `in' expected");
  }
  check_match(ls, TK_END, TK_FOR, line);
  leaveblock(fs);
}

static void test_then_block(LexState* ls, expdesc* v) {
  // test_then_block -> [IF | ELSEIF] cond THEN block
  next(ls);  // skip IF or ELSEIF
  cond(ls, v);
  check(ls, TK_THEN);
  block(ls);  // the `then' part
}

static void ifstat(LexState* ls, int line) {
  // ifstat -> IF cond THEN block {ELSEIF cond THEN block} [ELSE block] END
  FuncState* fs = ls->fs;
  expdesc v;
  int escapelist = NO_JUMP;
  test_then_block(ls, &v);  // IF cond THEN block
  while (ls->t.token == TK_ELSEIF) {
    luaK_concat(fs, &escapelist, luaK_jump(fs));
    luaK_patchtohere(fs, v.f);
    test_then_block(ls, &v);  // ELSEIF cond THEN block
  }
  if (ls->t.token == TK_ELSE) {
    luaK_concat(fs, &escapelist, luaK_jump(fs));
    luaK_patchtohere(fs, v.f);
    next(ls);   // skip ELSE (after the patch, for correct line info)
    block(ls);  // the `else' part
  } else {
    luaK_concat(fs, &escapelist, v.f);
  }
  luaK_patchtohere(fs, escapelist);
  check_match(ls, TK_END, TK_IF, line);
}

static void localfunc(LexState* ls) {
  expdesc v, b;
  FuncState* fs = ls->fs;
  new_localvar(ls, str_checkname(ls), 0);
  init_exp(&v, VLOCAL, fs->freereg);
  luaK_reserveregs(fs, 1);
  adjustlocalvars(ls, 1);
  body(ls, &b, 0, ls->linenumber);
  luaK_storevar(fs, &v, &b);
  // debug information will only see the variable after this point
  getlocvar(fs, fs->nactvar - 1).startpc = fs->pc;
}

static void localstat(LexState* ls) {
  // stat -> LOCAL NAME {',' NAME} ['=' explist1]
  int nvars = 0;
  int nexps;
  expdesc e;
  do {
    new_localvar(ls, str_checkname(ls), nvars++);
  } while (testnext(ls, ','));
  if (testnext(ls, '=')) {
    nexps = explist1(ls, &e);
  } else {
    e.k = VVOID;
    nexps = 0;
  }
  adjust_assign(ls, nvars, nexps, &e);
  adjustlocalvars(ls, nvars);
}

static int funcname(LexState* ls, expdesc* v) {
  // funcname -> NAME {field} [':' NAME]
  int needself = 0;
  singlevar(ls, v, 1);
  while (ls->t.token == '.') luaY_field(ls, v);
  if (ls->t.token == ':') {
    needself = 1;
    luaY_field(ls, v);
  }
  return needself;
}

static void funcstat(LexState* ls, int line) {
  // funcstat -> FUNCTION funcname body
  expdesc v, b;
  next(ls);  // skip FUNCTION
  int needself = funcname(ls, &v);
  body(ls, &b, needself, line);
  luaK_storevar(ls->fs, &v, &b);
  luaK_fixline(ls->fs, line);  // the definition `happens' in the first line
}

static void exprstat(LexState* ls) {
  // stat -> func | assignment
  FuncState* fs = ls->fs;
  LHS_assign v;
  primaryexp(ls, &v.v);
  if (v.v.k == VCALL) {  // stat -> func
    luaK_setcallreturns(fs, &v.v, 0);  // a call statement uses no results
  } else {  // stat -> assignment
    v.prev = NULL;
    assignment(ls, &v, 1);
  }
}

static void retstat(LexState* ls) {
  // stat -> RETURN explist
  FuncState* fs = ls->fs;
  expdesc e;
  int first, nret;  // registers with the returned values
  next(ls);         // skip RETURN
  if (block_follow(ls->t.token) || ls->t.token == ';') {
    first = nret = 0;  // return no values
  } else {
    nret = explist1(ls, &e);  // optional return values
    if (e.k == VCALL) {
      luaK_setcallreturns(fs, &e, LUA_MULTRET);
      if (nret == 1) {  // a tail call?
        SET_OPCODE(getcode(fs, &e), OP_TAILCALL);
        lua_assert(GETARG_A(getcode(fs, &e)) == fs->nactvar);
      }
      first = fs->nactvar;
      nret = LUA_MULTRET;  // return all values
    } else if (nret == 1) {  // only one single value?
      first = luaK_exp2anyreg(fs, &e);
    } else {
      luaK_exp2nextreg(fs, &e);  // the values must go to the `stack'
      first = fs->nactvar;       // return all `active' values
      lua_assert(nret == fs->freereg - first);
    }
  }
  luaK_codeABC(fs, OP_RETURN, first, nret + 1, 0);
}

// The loop a `break N' or `continue N' names: reads the optional number, walks out to the N-th
// enclosing loop and closes the upvalues of the blocks left on the way.
static BlockCnt* looptarget(LexState* ls, const char* noloop) {
  FuncState* fs = ls->fs;
  int n = 1;
  if (ls->t.token == TK_NUMBER) {
    lua_Number r = ls->t.seminfo.r;
    if (std::floor(r) != r) luaX_syntaxerror(ls, "loop block number must be integer");
    if (r < 1 || r > MAXLOOPNUMBER) luaX_syntaxerror(ls, "loop block number out of range");
    n = cast(int, r);
    next(ls);
  }
  BlockCnt* bl = fs->bl;
  int upval = 0;
  for (; bl; bl = bl->previous) {
    if (!bl->isbreakable)
      upval |= bl->upval;
    else if (--n == 0)
      break;
  }
  if (!bl) luaX_syntaxerror(ls, noloop);
  if (upval) luaK_codeABC(fs, OP_CLOSE, bl->nactvar, 0, 0);
  return bl;
}

static void breakstat(LexState* ls) {
  // stat -> BREAK [NUMBER]
  next(ls);  // skip BREAK
  BlockCnt* bl = looptarget(ls, "no loop to break");
  luaK_concat(ls->fs, &bl->breaklist, luaK_jump(ls->fs));
}

static void continuestat(LexState* ls) {
  // stat -> CONTINUE [NUMBER]
  next(ls);  // skip CONTINUE
  BlockCnt* bl = looptarget(ls, "no loop to continue");
  luaK_concat(ls->fs, &bl->continuelist, luaK_jump(ls->fs));
}

static int statement(LexState* ls) {
  int line = ls->linenumber;  // may be needed for error messages
  switch (ls->t.token) {
    case TK_IF:
      ifstat(ls, line);
      return 0;
    case TK_WHILE:
      whilestat(ls, line);
      return 0;
    case TK_DO:
      next(ls);  // skip DO
      block(ls);
      check_match(ls, TK_END, TK_DO, line);
      return 0;
    case TK_FOR:
      forstat(ls, line);
      return 0;
    case TK_REPEAT:
      repeatstat(ls, line);
      return 0;
    case TK_FUNCTION:
      funcstat(ls, line);
      return 0;
    case TK_LOCAL:
      next(ls);  // skip LOCAL
      if (testnext(ls, TK_FUNCTION))
        localfunc(ls);
      else
        localstat(ls);
      return 0;
    case TK_RETURN:
      retstat(ls);
      return 1;  // must be the last statement
    case TK_BREAK:
      breakstat(ls);
      return 1;  // must be the last statement
    case TK_CONTINUE:
      continuestat(ls);
      return 1;  // must be the last statement
    default:
      exprstat(ls);
      return 0;
  }
}

static void chunk(LexState* ls) {
  // chunk -> { stat [';'] }
  int islast = 0;
  enterlevel(ls);
  while (!islast && !block_follow(ls->t.token)) {
    islast = statement(ls);
    testnext(ls, ';');
    lua_assert(ls->fs->freereg >= ls->fs->nactvar);
    ls->fs->freereg = ls->fs->nactvar;  // free registers
  }
  leavelevel(ls);
}
