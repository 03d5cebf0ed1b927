// cmdops.h - walking a compiled command format: a sequence of opcode cells, where a literal, a
// used name and a number are followed by one operand cell.
#ifndef PORT_CMDLINE_CMDOPS_H
#define PORT_CMDLINE_CMDOPS_H

#include "basutcmdarg.h"

namespace cmdops {

// The index of the opcode after the one at pc, stepping over its operand cell.
inline int nextop(const PORT_DARRAY_UT_CMDOPS &ops, int pc) {
  const int op = ops.getop(pc);
  return op == OP_LITERAL || op == OP_USEDNAME || op == OP_NUMBER ? pc + 2 : pc + 1;
}

// The index of the closer that matches the opener at pc: each open (or alsoOpen) nests a level,
// each close ends one. The index of the end cell when the format ends first.
inline int scan2op(const PORT_DARRAY_UT_CMDOPS &ops, int pc, int open, int close,
                   int alsoOpen = -1) {
  int depth = 0;
  for (int i = pc; i < ops.getnum(); i = nextop(ops, i)) {
    const int op = ops.getop(i);
    if (op == OP_END)
      return i;
    if (op == open || op == alsoOpen)
      ++depth;
    else if (op == close && --depth == 0)
      return i;
  }
  return ops.getnum();
}

} // namespace cmdops

#endif
