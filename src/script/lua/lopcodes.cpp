/*
** Opcode names (for listings) and the mode byte of every opcode, used by the code generator,
** the verifier and the symbolic execution that names variables in error messages.
*/
#include "lopcodes.h"

const char *const luaP_opnames[NUM_OPCODES] = {
    "MOVE", "LOADK", "LOADBOOL", "LOADNIL", "GETUPVAL", "GETGLOBAL", "GETTABLE", "SETGLOBAL",
    "SETUPVAL", "SETTABLE", "NEWTABLE", "SELF", "ADD", "SUB", "MUL", "DIV", "BAND", "BOR", "SHL",
    "SHR", "POW", "UNM", "NOT", "CONCAT", "JMP", "EQ", "LT", "LE", "TEST", "CALL", "TAILCALL",
    "RETURN", "FORLOOP", "TFORLOOP", "TFORPREP", "SETLIST", "SETLISTO", "CLOSE", "CLOSURE"};

#define opmode(t, b, bk, ck, sa, k, m) \
  (((t) << OpModeT) | ((b) << OpModeBreg) | ((bk) << OpModeBrk) | ((ck) << OpModeCrk) | ((sa) << OpModesetA) | ((k) << OpModeK) | (m))

const lu_byte luaP_opmodes[NUM_OPCODES] = {
    /*     T  B  Bk Ck sA K  mode                opcode   */
    opmode(0, 1, 0, 0, 1, 0, iABC),  /* OP_MOVE 0x24 */
    opmode(0, 0, 0, 0, 1, 1, iABx),  /* OP_LOADK 0x61 */
    opmode(0, 0, 0, 0, 1, 0, iABC),  /* OP_LOADBOOL 0x20 */
    opmode(0, 1, 0, 0, 1, 0, iABC),  /* OP_LOADNIL 0x24 */
    opmode(0, 0, 0, 0, 1, 0, iABC),  /* OP_GETUPVAL 0x20 */
    opmode(0, 0, 0, 0, 1, 1, iABx),  /* OP_GETGLOBAL 0x61 */
    opmode(0, 1, 0, 1, 1, 0, iABC),  /* OP_GETTABLE 0x34 */
    opmode(0, 0, 0, 0, 0, 1, iABx),  /* OP_SETGLOBAL 0x41 */
    opmode(0, 0, 0, 0, 0, 0, iABC),  /* OP_SETUPVAL 0x00 */
    opmode(0, 0, 1, 1, 0, 0, iABC),  /* OP_SETTABLE 0x18 */
    opmode(0, 0, 0, 0, 1, 0, iABC),  /* OP_NEWTABLE 0x20 */
    opmode(0, 1, 0, 1, 1, 0, iABC),  /* OP_SELF 0x34 */
    opmode(0, 0, 1, 1, 1, 0, iABC),  /* OP_ADD 0x38 */
    opmode(0, 0, 1, 1, 1, 0, iABC),  /* OP_SUB */
    opmode(0, 0, 1, 1, 1, 0, iABC),  /* OP_MUL */
    opmode(0, 0, 1, 1, 1, 0, iABC),  /* OP_DIV */
    opmode(0, 0, 1, 1, 1, 0, iABC),  /* OP_BAND */
    opmode(0, 0, 1, 1, 1, 0, iABC),  /* OP_BOR */
    opmode(0, 0, 1, 1, 1, 0, iABC),  /* OP_SHL */
    opmode(0, 0, 1, 1, 1, 0, iABC),  /* OP_SHR */
    opmode(0, 0, 1, 1, 1, 0, iABC),  /* OP_POW */
    opmode(0, 1, 0, 0, 1, 0, iABC),  /* OP_UNM 0x24 */
    opmode(0, 1, 0, 0, 1, 0, iABC),  /* OP_NOT */
    opmode(0, 1, 0, 1, 1, 0, iABC),  /* OP_CONCAT 0x34 */
    opmode(0, 0, 0, 0, 0, 0, iAsBx), /* OP_JMP 0x02 */
    opmode(1, 0, 1, 1, 0, 0, iABC),  /* OP_EQ 0x98 */
    opmode(1, 0, 1, 1, 0, 0, iABC),  /* OP_LT */
    opmode(1, 0, 1, 1, 0, 0, iABC),  /* OP_LE */
    opmode(1, 1, 0, 0, 1, 0, iABC),  /* OP_TEST 0xA4 */
    opmode(0, 0, 0, 0, 0, 0, iABC),  /* OP_CALL 0x00 */
    opmode(0, 0, 0, 0, 0, 0, iABC),  /* OP_TAILCALL */
    opmode(0, 0, 0, 0, 0, 0, iABC),  /* OP_RETURN */
    opmode(0, 0, 0, 0, 0, 0, iAsBx), /* OP_FORLOOP 0x02 */
    opmode(1, 0, 0, 0, 0, 0, iABC),  /* OP_TFORLOOP 0x80 */
    opmode(0, 0, 0, 0, 0, 0, iAsBx), /* OP_TFORPREP 0x02 */
    opmode(0, 0, 0, 0, 0, 0, iABx),  /* OP_SETLIST 0x01 */
    opmode(0, 0, 0, 0, 0, 0, iABx),  /* OP_SETLISTO */
    opmode(0, 0, 0, 0, 0, 0, iABC),  /* OP_CLOSE */
    opmode(0, 0, 0, 0, 1, 0, iABx)   /* OP_CLOSURE 0x21 */
};
