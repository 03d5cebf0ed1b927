// basutmemmgr.h - the out-of-memory manager. It holds two reserve blocks of 153600 bytes: the
// handler reserve is released while the tool's handler runs (so that the handler itself has
// room to work) and made again afterwards; the panic block is released just before the
// process dies, so that the out-of-memory message can still be formatted and issued.
//
// Threads: every operation may be called from any thread; they serialise on the manager's
// recursive lock, which is held while the handler's Recover runs (so threads that run out of
// memory at once take turns, and the handler may allocate) and while die() issues its message.
#ifndef BASUTMEMMGR_H
#define BASUTMEMMGR_H

#include "Port_Export.h"

// Implemented by a tool that can give memory back (caches, undo history...) when it runs out.
class PORT_API UT_MEMHANDLER {
public:
  // Frees what it can; true when it freed something, so that the failed request is worth
  // trying again. May allocate: it runs under the manager's recursive lock.
  virtual bool Recover() = 0;
  virtual ~UT_MEMHANDLER() = default;
};

class PORT_API UT_MEMMGR {
public:
  static void set_memhandler(UT_MEMHANDLER *handler);
  static UT_MEMHANDLER *get_memhandler();

  // Gives the handler its chance to free memory and returns what it answered. Without a
  // handler (or when its reserve cannot be made again) the process dies instead.
  static bool recovermem();

  // Ends the process with exit status 19. The first time through the message system as a
  // user-fatal message; when memory runs out again while that message is being made, with a
  // plain error line on standard error.
  [[noreturn]] static void die();

  UT_MEMMGR() = delete;
};

// For callers with their own allocation loop: 0 when the handler freed memory (try again);
// otherwise the process ends (status 1, or 19 when there is no handler at all).
PORT_API int outofmem(unsigned int size);

#endif
