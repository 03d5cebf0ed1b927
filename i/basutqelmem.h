// basutqelmem.h - allocation functions that never return null. When the system cannot satisfy
// a request, the tool's memory handler (basutmemmgr.h) is asked to free memory and the request
// is tried again for as long as the handler reports that it freed some; when it cannot, the
// process ends through UT_MEMMGR::die() with exit status 19.
//
// A request for 0 bytes returns a distinct, valid block of at least one byte, and
// qel_realloc(p, 0) shrinks p to such a block instead of freeing it, so a null result never
// has to be told apart from an empty one. Blocks are freed with qel_free.
//
// Threads: the functions may be called from any thread. A failed request asks the handler under
// the memory manager's lock (basutmemmgr.h), so threads that run out of memory at once take
// turns at the handler.
#ifndef BASUTQELMEM_H
#define BASUTQELMEM_H

#include "Port_Export.h"

#include <cstddef>

PORT_API void *qel_malloc(size_t size);
PORT_API void *qel_calloc(size_t count, size_t size);
PORT_API void *qel_realloc(void *ptr, size_t size);
PORT_API void qel_free(void *ptr);

#endif
