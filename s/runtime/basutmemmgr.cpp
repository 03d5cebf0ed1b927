// basutmemmgr.cpp - the out-of-memory manager: the tool's handler, the two reserve blocks and
// the last message of a process that ran out of memory.
#include "basutmemmgr.h"
#include "platform/exit.h"

#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_Thr.h"
#include "basutmemory.h"
#include "platform/memory.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

const char kRevision[] = "$Revision: 1.1 $";
constexpr size_t kReserveSize = 153600;

struct MemMgrState {
  Port_ThrRecursiveLock s_mutex;
  bool initialized = false;
  UT_MEMHANDLER *memhandler = nullptr;
  void *panic_block = nullptr;
  void *handler_reserve = nullptr;
  bool first_time = true;
};

// Made on first use in static storage and never destroyed: memory can run out while static
// objects are being destroyed too, and making the state must not itself need the heap.
MemMgrState &state() {
  alignas(MemMgrState) static unsigned char storage[sizeof(MemMgrState)];
  static MemMgrState *s = new (storage) MemMgrState;
  return *s;
}

void releasePanicBlock(MemMgrState &s) {
  std::free(s.panic_block);
  s.panic_block = nullptr;
}

// Lock held.
void setUpReserves(MemMgrState &s) {
  if (s.initialized)
    return;
  s.initialized = true;
  s.panic_block = platform::allocateReserve(kReserveSize);
  s.handler_reserve = platform::allocateReserve(kReserveSize);
  if (s.panic_block && s.handler_reserve)
    return;
  std::free(s.handler_reserve);
  s.handler_reserve = nullptr;
  releasePanicBlock(s);
  UT_MEMMGR::die();
}

// The reserves are made when the library is loaded, while memory is still to be had: made on
// the first failure they would not be there when they are needed.
struct ReservesAtLoad {
  ReservesAtLoad() { UT_MEMMGR::get_memhandler(); }
} reservesAtLoad;

} // namespace

void UT_MEMMGR::set_memhandler(UT_MEMHANDLER *handler) {
  MemMgrState &s = state();
  Port_ThrGuard<Port_ThrRecursiveLock> guard(s.s_mutex);
  setUpReserves(s);
  s.memhandler = handler;
}

UT_MEMHANDLER *UT_MEMMGR::get_memhandler() {
  MemMgrState &s = state();
  Port_ThrGuard<Port_ThrRecursiveLock> guard(s.s_mutex);
  setUpReserves(s);
  return s.memhandler;
}

bool UT_MEMMGR::recovermem() {
  MemMgrState &s = state();
  Port_ThrGuard<Port_ThrRecursiveLock> guard(s.s_mutex);
  setUpReserves(s);
  // No reserve means the handler is already running and memory ran out inside it.
  if (!s.memhandler || !s.handler_reserve) {
    releasePanicBlock(s);
    die();
  }
  std::free(s.handler_reserve);
  s.handler_reserve = nullptr;
  bool freed;
  try {
    freed = s.memhandler->Recover();
  } catch (...) {
    s.handler_reserve = platform::allocateReserve(kReserveSize);
    throw;
  }
  s.handler_reserve = platform::allocateReserve(kReserveSize);
  if (!s.handler_reserve) {
    releasePanicBlock(s);
    die();
  }
  return freed;
}

void UT_MEMMGR::die() {
  MemMgrState &s = state();
  Port_ThrGuard<Port_ThrRecursiveLock> guard(s.s_mutex);
  int kilobytes = static_cast<int>(UT_MEMORY::getMemoryUsage() / 1024);
  releasePanicBlock(s);
  if (s.first_time) {
    s.first_time = false;
    try {
      Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
          ->issueUserFatal(
              19,
              "A Quelmo application has run out of memory, the current memory usage is:  %d kb.\n",
              kilobytes);
      // The abort functions end the process; should a tool's abort function return anyway,
      // end it here.
      Port_MsgDispatcher::exit(19);
    } catch (const std::bad_alloc &) {
      // The message itself found no memory: fall through to the plain line.
    }
  }
  // Memory ran out again while the message above was being made: no more allocation, and no
  // second run of the exit handlers.
  char line[128];
  std::snprintf(line, sizeof line,
                "A Quelmo application has run out of memory, the current memory usage is:  %d kb\n",
                kilobytes);
  Port::PrintError(line);
  std::fflush(stdout);
  platform::TerminateProcess(19);
}

int outofmem(unsigned int /*size*/) {
  if (UT_MEMMGR::recovermem())
    return 0;
  platform::ExitProcess(1);
}
