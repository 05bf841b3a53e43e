// Lexical analyser of the script runtime (see llex.h). Works on the current character `LS->current`,
// which is one byte of a narrow chunk or one 16-bit unit of a wide (UTF-16LE) chunk; token text is
// collected in the shared Mbuffer so that error messages can quote it.
#include "llex.h"

#include <climits>
#include <cstring>
#include <vector>

#include "ldo.h"
#include "lobject.h"
#include "lparser.h"
#include "lstate.h"
#include "lstring.h"
#include "lzio.h"

// What luaX_token2str prints for each token from FIRST_RESERVED on.
static const char* const token2string[] = {
    "and",   "break",  "continue", "do",     "else",    "elseif", "end",     "false",  "for",
    "function", "if",  "in",       "local",  "nil",     "not",    "or",      "repeat", "return",
    "then",  "true",   "until",    "while",  "*name",   "..",     "...",     "==",     ">=",
    "<=",    "~=",     "*number",  "*string", "*wstring", "<<",   ">>",      "<eof>"};

static_assert(sizeof(token2string) / sizeof(token2string[0]) == TK_EOS - FIRST_RESERVED + 1,
              "token names out of step with the token codes");
static_assert(TK_CONTINUE == 259 && TK_WHILE == 278 && TK_NAME == 279 && TK_WSTRING == 288 &&
                  TK_SHL == 289 && TK_SHR == 290 && TK_EOS == 291,
              "token codes are fixed");

// Character classes are ASCII only: a wide source may carry any unit, and the C classifiers are
// undefined beyond unsigned char.
static inline bool isDigit(int c) { return c >= '0' && c <= '9'; }
static inline bool isAlpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
static inline bool isAlnum(int c) { return isAlpha(c) || isDigit(c); }
static inline bool isSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
static inline bool isCntrl(int c) { return (c >= 0 && c < 32) || c == 127; }
static inline int hexValue(int c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One byte, or one 16-bit unit of a wide chunk.
#define next(LS) (LS->current = zgetchar(LS->z))

void luaX_init(lua_State* L) {
  for (int i = 0; i < NUM_RESERVED; i++) {
    LString* ts = luaS_new(L, token2string[i]);
    luaS_fix(ts);  // reserved words are never collected
    lua_assert(strlen(token2string[i]) + 1 <= TOKEN_LEN);
    ts->tsv.reserved = cast(lu_byte, i + 1);
  }
}

#define MAXSRC 80

void luaX_checklimit(LexState* ls, int val, int limit, const char* msg) {
  if (val > limit) {
    msg = luaO_pushfstring(ls->L, "too many %s (limit=%d)", msg, limit);
    luaX_syntaxerror(ls, msg);
  }
}

void luaX_errorline(LexState* ls, const char* s, const char* token, int line) {
  lua_State* L = ls->L;
  char buff[MAXSRC];
  luaO_chunkid(buff, getstr(ls->source), MAXSRC);
  luaO_pushfstring(L, "%s:%d: %s near `%s'", buff, line, s, token);
  luaD_throw(L, LUA_ERRSYNTAX);
}

[[noreturn]] static void luaX_error(LexState* ls, const char* s, const char* token) {
  luaX_errorline(ls, s, token, ls->linenumber);
}

void luaX_syntaxerror(LexState* ls, const char* msg) {
  const char* lasttoken;
  switch (ls->t.token) {
    case TK_NAME:
      lasttoken = getstr(ls->t.seminfo.ts);
      break;
    case TK_STRING:
    case TK_WSTRING:
    case TK_NUMBER:
      lasttoken = luaZ_buffer(ls->buff);
      break;
    default:
      lasttoken = luaX_token2str(ls, ls->t.token);
      break;
  }
  luaX_error(ls, msg, lasttoken);
}

const char* luaX_token2str(LexState* ls, int token) {
  if (token < FIRST_RESERVED) {
    lua_assert(token == cast(unsigned char, token));
    return luaO_pushfstring(ls->L, "%c", token);
  }
  return token2string[token - FIRST_RESERVED];
}

[[noreturn]] static void luaX_lexerror(LexState* ls, const char* s, int token) {
  if (token == TK_EOS)
    luaX_error(ls, s, luaX_token2str(ls, token));
  else
    luaX_error(ls, s, luaZ_buffer(ls->buff));
}

static void inclinenumber(LexState* LS) {
  next(LS);  // skip '\n'
  ++LS->linenumber;
  luaX_checklimit(LS, LS->linenumber, MAX_INT, "lines in a chunk");
}

void luaX_setinput(lua_State* L, LexState* LS, ZIO* z, LString* source) {
  LS->L = L;
  LS->lookahead.token = TK_EOS;  // no look-ahead token
  LS->z = z;
  LS->fs = NULL;
  LS->linenumber = 1;
  LS->lastline = 1;
  LS->source = source;
  next(LS);  // read first char
  if (LS->current == '#') {  // a first line such as "#!/usr/bin/lua" is skipped (it still counts)
    do {
      next(LS);
    } while (LS->current != '\n' && LS->current != EOZ);
  }
}

// ---- token text buffer ------------------------------------------------------------------------

// Room for at least len + MAXNOCHECK bytes; callers check before every few saves.
#define EXTRABUFF 32
#define MAXNOCHECK 5

static inline void checkbuffer(LexState* LS, size_t len) {
  const size_t size = luaZ_sizebuffer(LS->buff);
  if ((len + MAXNOCHECK) * sizeof(char) > size) {
    // Doubling keeps a long token's cost linear in its length (a fixed step made it quadratic).
    size_t want = len + EXTRABUFF;
    if (size <= MAX_SIZET / 2 && size * 2 > want) want = size * 2;
    luaZ_openspace(LS->L, LS->buff, want);
  }
}

// Narrow text keeps the low byte of a wide unit.
#define save(LS, c, l) (luaZ_buffer((LS)->buff)[l++] = cast(char, c))
#define save_and_next(LS, l) (save(LS, LS->current, l), next(LS))

// Tests a character that stands outside strings and comments for the wide-character rule.
static void checkwidechar(LexState* LS) {
  if (LS->current > 254)
    luaX_error(LS, "invalid wide char", luaO_pushfstring(LS->L, "char(%d)", LS->current));
}

// ---- names and numerals -----------------------------------------------------------------------

static size_t readname(LexState* LS) {
  size_t l = 0;
  checkbuffer(LS, l);
  do {
    checkbuffer(LS, l);
    save_and_next(LS, l);
  } while (isAlnum(LS->current) || LS->current == '_');
  save(LS, '\0', l);
  return l - 1;
}

// "0x" numerals: an unsigned 32-bit value from at most eight characters after the x. The first of
// them is always taken, even when it is no hex digit (it then adds nothing).
static void read_hexnumeral(LexState* LS, size_t l, SemInfo* seminfo) {
  unsigned int value = 0;
  save_and_next(LS, l);  // the 'x'
  for (int taken = 0; taken < 8; taken++) {
    checkbuffer(LS, l);
    int d = hexValue(LS->current);
    if (d >= 0) {
      value = value * 16u + cast(unsigned int, d);
      save_and_next(LS, l);
    } else if (taken == 0 && LS->current != EOZ) {
      if (LS->current == '\n') {
        save(LS, '\n', l);
        inclinenumber(LS);  // keep the line count right even for this odd input
      } else {
        save_and_next(LS, l);
      }
    } else {
      break;
    }
  }
  save(LS, '\0', l);
  seminfo->r = cast(lua_Number, value);
}

static void read_numeral(LexState* LS, int comma, SemInfo* seminfo) {
  size_t l = 0;
  bool integral = true;
  checkbuffer(LS, l);
  if (comma) {
    save(LS, '.', l);
    integral = false;
  } else if (LS->current == '0') {
    save_and_next(LS, l);
    if (LS->current == 'x') {
      read_hexnumeral(LS, l, seminfo);
      return;
    }
  }
  while (isDigit(LS->current)) {
    checkbuffer(LS, l);
    save_and_next(LS, l);
  }
  if (LS->current == '.') {
    integral = false;
    save_and_next(LS, l);
    if (LS->current == '.') {
      save_and_next(LS, l);
      save(LS, '\0', l);
      luaX_lexerror(LS, "ambiguous syntax (decimal point x string concatenation)", TK_NUMBER);
    }
  }
  while (isDigit(LS->current)) {
    checkbuffer(LS, l);
    save_and_next(LS, l);
  }
  if (LS->current == 'e' || LS->current == 'E') {
    integral = false;
    save_and_next(LS, l);  // read the 'E'
    if (LS->current == '+' || LS->current == '-') save_and_next(LS, l);  // optional exponent sign
    while (isDigit(LS->current)) {
      checkbuffer(LS, l);
      save_and_next(LS, l);
    }
  }
  save(LS, '\0', l);
  if (!luaO_str2d(luaZ_buffer(LS->buff), &seminfo->r))
    luaX_lexerror(LS, integral ? "malformed integer" : "malformed number", TK_NUMBER);
}

// ---- strings ----------------------------------------------------------------------------------

static void read_long_string(LexState* LS, SemInfo* seminfo) {
  int cont = 0;
  size_t l = 0;
  checkbuffer(LS, l);
  save(LS, '[', l);       // save first '['
  save_and_next(LS, l);   // pass the second '['
  if (LS->current == '\n') inclinenumber(LS);  // a first newline is skipped
  for (;;) {
    checkbuffer(LS, l);
    switch (LS->current) {
      case EOZ:
        save(LS, '\0', l);
        luaX_lexerror(LS, seminfo ? "unfinished long string" : "unfinished long comment", TK_EOS);
      case '[':
        save_and_next(LS, l);
        if (LS->current == '[') {
          cont++;
          save_and_next(LS, l);
        }
        continue;
      case ']':
        save_and_next(LS, l);
        if (LS->current == ']') {
          if (cont == 0) goto endloop;
          cont--;
          save_and_next(LS, l);
        }
        continue;
      case '\n':
        save(LS, '\n', l);
        inclinenumber(LS);
        if (!seminfo) l = 0;  // comments need no text: don't let the buffer grow
        continue;
      default:
        save_and_next(LS, l);
    }
  }
endloop:
  save_and_next(LS, l);  // skip the second ']'
  save(LS, '\0', l);
  if (seminfo) seminfo->ts = luaS_newlstr(LS->L, luaZ_buffer(LS->buff) + 2, l - 5);
}

// Reads up to `maxdigits` hex digits after "\x"; returns -1 when none follows.
static int read_hexescape(LexState* LS, int maxdigits) {
  int c = 0, n = 0;
  int d;
  while (n < maxdigits && (d = hexValue(LS->current)) >= 0) {
    c = c * 16 + d;
    next(LS);
    n++;
  }
  return n == 0 ? -1 : c;
}

// Reads a quoted literal. Narrow literals keep the low byte of every character in the buffer; wide
// ones (`units` not null) also collect full 16-bit units, while the buffer keeps a narrow copy for
// error messages.
static size_t read_quoted(LexState* LS, int del, std::vector<lua_WChar>* units) {
  size_t l = 0;
  auto put = [&](int c) {
    checkbuffer(LS, l);
    save(LS, c, l);
    if (units) units->push_back(cast(lua_WChar, c));
  };
  checkbuffer(LS, l);
  save_and_next(LS, l);  // the delimiter
  while (LS->current != del) {
    checkbuffer(LS, l);
    switch (LS->current) {
      case EOZ:
        save(LS, '\0', l);
        luaX_lexerror(LS, "unfinished string", TK_EOS);
      case '\n':
        save(LS, '\0', l);
        luaX_lexerror(LS, "unfinished string", units ? TK_WSTRING : TK_STRING);
      case '\\':
        next(LS);  // do not save the '\'
        switch (LS->current) {
          case 'a': put('\a'); next(LS); break;
          case 'b': put('\b'); next(LS); break;
          case 'f': put('\f'); next(LS); break;
          case 'n': put('\n'); next(LS); break;
          case 'r': put('\r'); next(LS); break;
          case 't': put('\t'); next(LS); break;
          case 'v': put('\v'); next(LS); break;
          case '\n': put('\n'); inclinenumber(LS); break;
          case EOZ: break;  // raises an error on the next round
          case 'x': {
            next(LS);
            int c = read_hexescape(LS, units ? 4 : 2);
            put(c < 0 ? 'x' : c);
            break;
          }
          default:
            if (!isDigit(LS->current)) {
              put(LS->current);  // handles \\, \", \', \? and the rest
              next(LS);
            } else {  // \ddd
              int c = 0;
              int i = 0;
              do {
                c = 10 * c + (LS->current - '0');
                next(LS);
              } while (++i < 3 && isDigit(LS->current));
              if (c > UCHAR_MAX) {
                save(LS, '\0', l);
                luaX_lexerror(LS, "escape sequence too large", units ? TK_WSTRING : TK_STRING);
              }
              put(c);
            }
        }
        break;
      default:
        put(LS->current);
        next(LS);
    }
  }
  checkbuffer(LS, l);
  save_and_next(LS, l);  // skip the delimiter
  save(LS, '\0', l);
  return l;
}

static void read_string(LexState* LS, int del, SemInfo* seminfo) {
  size_t l = read_quoted(LS, del, nullptr);
  seminfo->ts = luaS_newlstr(LS->L, luaZ_buffer(LS->buff) + 1, l - 3);
}

static void read_wstring(LexState* LS, SemInfo* seminfo) {
  std::vector<lua_WChar> units;
  read_quoted(LS, '"', &units);
  static const lua_WChar empty = 0;  // a valid pointer even for L""
  seminfo->ts = luaS_newlwstr(LS->L, units.empty() ? &empty : units.data(), units.size());
}

// ---- the scanner ------------------------------------------------------------------------------

int luaX_lex(LexState* LS, SemInfo* seminfo) {
  for (;;) {
    switch (LS->current) {
      case '\n':
        inclinenumber(LS);
        continue;
      case '-':
        next(LS);
        if (LS->current != '-') return '-';
        // a comment
        next(LS);
        if (LS->current == '[' && (next(LS), LS->current == '['))
          read_long_string(LS, NULL);  // long comment
        else  // short comment
          while (LS->current != '\n' && LS->current != EOZ) next(LS);
        continue;
      case '[':
        next(LS);
        if (LS->current != '[') return '[';
        read_long_string(LS, seminfo);
        return TK_STRING;
      case '=':
        next(LS);
        if (LS->current != '=') return '=';
        next(LS);
        return TK_EQ;
      case '<':
        next(LS);
        if (LS->current == '<') {
          next(LS);
          return TK_SHL;
        }
        if (LS->current != '=') return '<';
        next(LS);
        return TK_LE;
      case '>':
        next(LS);
        if (LS->current == '>') {
          next(LS);
          return TK_SHR;
        }
        if (LS->current != '=') return '>';
        next(LS);
        return TK_GE;
      case '~':
        next(LS);
        if (LS->current != '=') return '~';
        next(LS);
        return TK_NE;
      case '"':
      case '\'':
        read_string(LS, LS->current, seminfo);
        return TK_STRING;
      case '.':
        next(LS);
        if (LS->current == '.') {
          next(LS);
          if (LS->current == '.') {
            next(LS);
            return TK_DOTS;  // ...
          }
          return TK_CONCAT;  // ..
        }
        if (!isDigit(LS->current)) return '.';
        read_numeral(LS, 1, seminfo);
        return TK_NUMBER;
      case EOZ:
        return TK_EOS;
      default: {
        if (isSpace(LS->current)) {
          next(LS);
          continue;
        }
        if (isDigit(LS->current)) {
          read_numeral(LS, 0, seminfo);
          return TK_NUMBER;
        }
        if (isAlpha(LS->current) || LS->current == '_') {
          // identifier, reserved word or the L of a wide literal
          size_t l = readname(LS);
          if (l == 1 && luaZ_buffer(LS->buff)[0] == 'L' && LS->current == '"') {
            read_wstring(LS, seminfo);
            return TK_WSTRING;
          }
          LString* ts = luaS_newlstr(LS->L, luaZ_buffer(LS->buff), l);
          if (ts->tsv.reserved > 0)  // reserved word?
            return ts->tsv.reserved - 1 + FIRST_RESERVED;
          seminfo->ts = ts;
          return TK_NAME;
        }
        int c = LS->current;
        checkwidechar(LS);
        if (isCntrl(c))
          luaX_error(LS, "invalid control char", luaO_pushfstring(LS->L, "char(%d)", c));
        next(LS);
        return c;  // single-char tokens (+ - / & | ...)
      }
    }
  }
}
