// contmem.cpp - allocation for the containers through the library's allocation functions, which
// end the process through the out-of-memory manager (exit status 19) instead of returning null.
#include "container/contmem.h"

#include "basutqelmem.h"

namespace contmem {

void *allocate(size_t bytes) { return qel_malloc(bytes); }

void *reallocate(void *p, size_t bytes) { return qel_realloc(p, bytes); }

void release(void *p) { qel_free(p); }

} // namespace contmem
