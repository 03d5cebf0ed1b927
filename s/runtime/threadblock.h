// threadblock.h - a per-thread block of results, made on the thread's first use.
#ifndef PORTABILITY_RUNTIME_THREADBLOCK_H
#define PORTABILITY_RUNTIME_THREADBLOCK_H

#include "Port_Thr.h"

namespace runtime {

// The calling thread's Block, made with new on its first call. The slot is made on the first
// call in the process; C++ serialises that construction.
template <class Block> Block *threadBlock() {
  static Port_ThrThreadData<Block *> slot;
  Block *block = slot.get();
  if (!block) {
    block = new Block();
    slot.set(block);
  }
  return block;
}

} // namespace runtime

#endif
