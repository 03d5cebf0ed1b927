// memory.cpp - process memory figures from /proc, read without allocating.
#include "platform/memory.h"
#include "platform/filesys.h"
#include "platform/syscalls.h"

#include "platform/faults.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

uint64_t VirtualMemoryInUse() {
  // "size resident shared text lib data dt", all in pages; only the first field is needed.
  char buf[128];
  if (!readSystemFile("/proc/self/statm", buf, sizeof buf))
    return 0;
  uint64_t pages = 0;
  for (const char *p = buf; *p >= '0' && *p <= '9'; ++p)
    pages = pages * 10 + static_cast<uint64_t>(*p - '0');
  long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pageSize <= 0)
    pageSize = 4096;
  return pages * static_cast<uint64_t>(pageSize);
}

void *allocateReserve(size_t bytes) {
  if (injectFault(Port_TestReserve))
    return nullptr;
  return std::malloc(bytes);
}

void DebugBreakProcess() { std::abort(); }

} // namespace platform
