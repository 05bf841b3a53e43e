// Lexical analyser of the script runtime: turns a chunk (narrow bytes or UTF-16 with the byte-order
// mark) into tokens for the one-pass parser. Besides the classic token set it knows `continue`,
// `<<`, `>>`, wide literals L"..." and hexadecimal numerals.
#ifndef llex_h
#define llex_h

#include "lobject.h"
#include "lzio.h"

#define FIRST_RESERVED 257

// Maximum length of a reserved word.
#define TOKEN_LEN (sizeof("continue") / sizeof(char))

// Reserved words come first, in this order: the order is also the index stored in the interned word.
enum RESERVED {
  TK_AND = FIRST_RESERVED, TK_BREAK, TK_CONTINUE, TK_DO, TK_ELSE, TK_ELSEIF, TK_END, TK_FALSE, TK_FOR,
  TK_FUNCTION, TK_IF, TK_IN, TK_LOCAL, TK_NIL, TK_NOT, TK_OR, TK_REPEAT, TK_RETURN, TK_THEN, TK_TRUE,
  TK_UNTIL, TK_WHILE,
  // other terminal symbols
  TK_NAME, TK_CONCAT, TK_DOTS, TK_EQ, TK_GE, TK_LE, TK_NE, TK_NUMBER, TK_STRING, TK_WSTRING, TK_SHL,
  TK_SHR, TK_EOS
};

// Number of reserved words.
#define NUM_RESERVED (cast(int, TK_WHILE - FIRST_RESERVED + 1))

typedef union {
  lua_Number r;
  LString* ts;  // names, narrow and wide string literals
} SemInfo;

typedef struct Token {
  int token;
  SemInfo seminfo;
} Token;

typedef struct LexState {
  int current;        // current character (a byte, or a 16-bit unit in a wide source)
  int linenumber;     // input line counter
  int lastline;       // line of the last token consumed
  Token t;            // current token
  Token lookahead;    // look-ahead token
  struct FuncState* fs;  // FuncState private to the parser
  struct lua_State* L;
  ZIO* z;             // input stream
  Mbuffer* buff;      // buffer for tokens
  LString* source;    // current source name
  int nestlevel;      // level of nested non-terminals
} LexState;

void luaX_init(lua_State* L);
void luaX_setinput(lua_State* L, LexState* LS, ZIO* z, LString* source);
int luaX_lex(LexState* LS, SemInfo* seminfo);
void luaX_checklimit(LexState* ls, int val, int limit, const char* msg);
[[noreturn]] void luaX_syntaxerror(LexState* ls, const char* s);
[[noreturn]] void luaX_errorline(LexState* ls, const char* s, const char* token, int line);
const char* luaX_token2str(LexState* ls, int token);

#endif
