// contmem.cpp - allocation for the containers.
//
// Interim: the library's allocation functions (qel_malloc, qel_realloc, qel_free) and its
// out-of-memory manager live with the memory services; until they are part of the build the
// containers use the process allocator directly and end the process with exit value 19 when
// it refuses. Swapping in qel_malloc/qel_realloc/qel_free here is the whole change.
#include "container/contmem.h"

#include "Port_MsgManData.h"

#include <cstdlib>

namespace {
[[noreturn]] void outofmemory() {
  Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $")
      ->issueUserFatal(19, "Out of memory.\n");
  std::exit(19); // the fatal report ends the process; this is only reached without it
}
} // namespace

namespace contmem {

void *allocate(size_t bytes) {
  void *p = std::malloc(bytes ? bytes : 1);
  if (!p)
    outofmemory();
  return p;
}

void *reallocate(void *p, size_t bytes) {
  void *q = std::realloc(p, bytes ? bytes : 1);
  if (!q)
    outofmemory();
  return q;
}

void release(void *p) { std::free(p); }

} // namespace contmem
