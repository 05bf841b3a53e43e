/*
** The instruction set of the virtual machine: 39 opcodes and the instruction layout.
** An instruction is 32 bits: opcode (6 low bits), then C (9), B (9), A (8); Bx (18 bits) takes the
** place of C and B; sBx is Bx biased by 131071. B and C operands of MAXSTACK (250) and above name
** constants (RK operands).
*/
#ifndef lopcodes_h
#define lopcodes_h

#include "llimits.h"

enum OpMode { iABC, iABx, iAsBx }; /* basic instruction format */

/* size and position of opcode arguments */
#define SIZE_C 9
#define SIZE_B 9
#define SIZE_Bx (SIZE_C + SIZE_B)
#define SIZE_A 8

#define SIZE_OP 6

#define POS_C SIZE_OP
#define POS_B (POS_C + SIZE_C)
#define POS_Bx POS_C
#define POS_A (POS_B + SIZE_B)

/* limits for opcode arguments */
#define MAXARG_Bx ((1 << SIZE_Bx) - 1)
#define MAXARG_sBx (MAXARG_Bx >> 1) /* `sBx' is signed */

#define MAXARG_A ((1 << SIZE_A) - 1)
#define MAXARG_B ((1 << SIZE_B) - 1)
#define MAXARG_C ((1 << SIZE_C) - 1)

/* creates a mask with `n' 1 bits at position `p' */
#define MASK1(n, p) ((~((~(Instruction)0) << (n))) << (p))

/* creates a mask with `n' 0 bits at position `p' */
#define MASK0(n, p) (~MASK1(n, p))

#define GET_OPCODE(i) (cast(OpCode, (i) & MASK1(SIZE_OP, 0)))
#define SET_OPCODE(i, o) ((i) = (((i) & MASK0(SIZE_OP, 0)) | cast(Instruction, o)))

#define GETARG_A(i) (cast(int, (i) >> POS_A))
#define SETARG_A(i, u) ((i) = (((i) & MASK0(SIZE_A, POS_A)) | ((cast(Instruction, u) << POS_A) & MASK1(SIZE_A, POS_A))))

#define GETARG_B(i) (cast(int, ((i) >> POS_B) & MASK1(SIZE_B, 0)))
#define SETARG_B(i, b) ((i) = (((i) & MASK0(SIZE_B, POS_B)) | ((cast(Instruction, b) << POS_B) & MASK1(SIZE_B, POS_B))))

#define GETARG_C(i) (cast(int, ((i) >> POS_C) & MASK1(SIZE_C, 0)))
#define SETARG_C(i, b) ((i) = (((i) & MASK0(SIZE_C, POS_C)) | ((cast(Instruction, b) << POS_C) & MASK1(SIZE_C, POS_C))))

#define GETARG_Bx(i) (cast(int, ((i) >> POS_Bx) & MASK1(SIZE_Bx, 0)))
#define SETARG_Bx(i, b) ((i) = (((i) & MASK0(SIZE_Bx, POS_Bx)) | ((cast(Instruction, b) << POS_Bx) & MASK1(SIZE_Bx, POS_Bx))))

#define GETARG_sBx(i) (GETARG_Bx(i) - MAXARG_sBx)
#define SETARG_sBx(i, b) SETARG_Bx((i), cast(unsigned int, (b) + MAXARG_sBx))

#define CREATE_ABC(o, a, b, c) \
  (cast(Instruction, o) | (cast(Instruction, a) << POS_A) | (cast(Instruction, b) << POS_B) | (cast(Instruction, c) << POS_C))

#define CREATE_ABx(o, a, bc) (cast(Instruction, o) | (cast(Instruction, a) << POS_A) | (cast(Instruction, bc) << POS_Bx))

/* an invalid register that fits in 8 bits */
#define NO_REG MAXARG_A

/* is `x' (a B or C operand) a constant? index of the constant when it is */
#define ISK(x) ((x) >= MAXSTACK)
#define INDEXK(x) ((x) - MAXSTACK)
#define RKASK(x) ((x) + MAXSTACK)

/*
** R(x) - register
** Kst(x) - constant (in constant table)
** RK(x) == if x < MAXSTACK then R(x) else Kst(x-MAXSTACK)
*/
typedef enum {
  /*----------------------------------------------------------------------
  name            args    description
  ------------------------------------------------------------------------*/
  OP_MOVE,      /* 0  A B     R(A) := R(B) */
  OP_LOADK,     /* 1  A Bx    R(A) := Kst(Bx) */
  OP_LOADBOOL,  /* 2  A B C   R(A) := (Bool)B; if (C) PC++ */
  OP_LOADNIL,   /* 3  A B     R(A) := ... := R(B) := nil */
  OP_GETUPVAL,  /* 4  A B     R(A) := UpValue[B] */
  OP_GETGLOBAL, /* 5  A Bx    R(A) := Gbl[Kst(Bx)] */
  OP_GETTABLE,  /* 6  A B C   R(A) := R(B)[RK(C)] */
  OP_SETGLOBAL, /* 7  A Bx    Gbl[Kst(Bx)] := R(A) */
  OP_SETUPVAL,  /* 8  A B     UpValue[B] := R(A) */
  OP_SETTABLE,  /* 9  A B C   R(A)[RK(B)] := RK(C) */
  OP_NEWTABLE,  /* 10 A B C   R(A) := {} (array size fb2int(B), hash size 2^C / 0 when C is 0) */
  OP_SELF,      /* 11 A B C   R(A+1) := R(B); R(A) := R(B)[RK(C)] */
  OP_ADD,       /* 12 A B C   R(A) := RK(B) + RK(C) */
  OP_SUB,       /* 13 A B C   R(A) := RK(B) - RK(C) */
  OP_MUL,       /* 14 A B C   R(A) := RK(B) * RK(C) */
  OP_DIV,       /* 15 A B C   R(A) := RK(B) / RK(C) */
  OP_BAND,      /* 16 A B C   R(A) := RK(B) & RK(C)   (32-bit, numbers only) */
  OP_BOR,       /* 17 A B C   R(A) := RK(B) | RK(C) */
  OP_SHL,       /* 18 A B C   R(A) := RK(B) << (RK(C) & 31) */
  OP_SHR,       /* 19 A B C   R(A) := RK(B) >> (RK(C) & 31)  (zero fill) */
  OP_POW,       /* 20 A B C   R(A) := RK(B) ^ RK(C)  (xor between numbers, else global __pow) */
  OP_UNM,       /* 21 A B     R(A) := -R(B) */
  OP_NOT,       /* 22 A B     R(A) := not R(B) */
  OP_CONCAT,    /* 23 A B C   R(A) := R(B).. ... ..R(C) */
  OP_JMP,       /* 24 sBx     PC += sBx */
  OP_EQ,        /* 25 A B C   if ((RK(B) == RK(C)) ~= A) then pc++ (else the next JMP is taken) */
  OP_LT,        /* 26 A B C   if ((RK(B) <  RK(C)) ~= A) then pc++ */
  OP_LE,        /* 27 A B C   if ((RK(B) <= RK(C)) ~= A) then pc++ */
  OP_TEST,      /* 28 A B C   if (R(B) <=> C) then R(A) := R(B) (and the next JMP is taken) else pc++ */
  OP_CALL,      /* 29 A B C   R(A), ... ,R(A+C-2) := R(A)(R(A+1), ... ,R(A+B-1)) */
  OP_TAILCALL,  /* 30 A B C   return R(A)(R(A+1), ... ,R(A+B-1)) */
  OP_RETURN,    /* 31 A B     return R(A), ... ,R(A+B-2) */
  OP_FORLOOP,   /* 32 A sBx   R(A)+=R(A+2); if R(A) <?= R(A+1) then PC+= sBx */
  OP_TFORLOOP,  /* 33 A C     R(A+2), ... ,R(A+2+C) := R(A)(R(A+1), R(A+2));
                              if R(A+2) == nil then pc++ (skips the JMP back that follows) */
  OP_TFORPREP,  /* 34 A sBx   if type(R(A)) == table then R(A+1):=R(A), R(A):=next; PC += sBx */
  OP_SETLIST,   /* 35 A Bx    R(A)[Bx-Bx%FPF+i] := R(A+i), 1 <= i <= Bx%FPF+1 */
  OP_SETLISTO,  /* 36 A Bx    like SETLIST, values up to the top */
  OP_CLOSE,     /* 37 A       close all variables in the stack up to (>=) R(A) */
  OP_CLOSURE    /* 38 A Bx    R(A) := closure(KPROTO[Bx], R(A), ... ,R(A+n)) */
} OpCode;

#define NUM_OPCODES (cast(int, OP_CLOSURE + 1))

/*
** Notes:
** (1) In OP_CALL, if (B == 0) then B = top. C is the number of returns - 1, and can be 0:
**     OP_CALL then sets `top' to last_result+1, so the next open instruction (OP_CALL, OP_RETURN,
**     OP_SETLISTO) may use `top'.
** (2) In OP_RETURN, if (B == 0) then return up to `top'.
** (3) OP_CLOSURE is followed by one pseudo-instruction per upvalue: OP_MOVE 0 B (the upvalue is
**     local register B of the enclosing function) or OP_GETUPVAL 0 B (its upvalue B).
** (4) A numeric for loop is compiled as: R(A) := R(A) - R(A+2) (OP_SUB), JMP to the OP_FORLOOP.
**     A generic for loop: OP_TFORPREP to the OP_TFORLOOP, which is followed by a JMP back.
** (5) OP_EQ, OP_LT, OP_LE and OP_TEST are followed by a JMP.
*/

/* masks for instruction properties (bit numbers in luaP_opmodes) */
enum OpModeMask {
  OpModeBreg = 2, /* B is a register */
  OpModeBrk,      /* B is a register/constant */
  OpModeCrk,      /* C is a register/constant */
  OpModesetA,     /* instruction set register A */
  OpModeK,        /* Bx is a constant */
  OpModeT         /* operator is a test */
};

extern const lu_byte luaP_opmodes[NUM_OPCODES];

#define getOpMode(m) (cast(enum OpMode, luaP_opmodes[m] & 3))
#define testOpMode(m, b) (luaP_opmodes[m] & (1 << (b)))

extern const char *const luaP_opnames[NUM_OPCODES];

/* number of list items to accumulate before a SETLIST instruction (must be a power of 2) */
#define LFIELDS_PER_FLUSH 32

#endif
