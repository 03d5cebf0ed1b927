// contmem.h - allocation for the containers: qel_malloc, qel_realloc and qel_free, so that
// running out of memory ends the process through UT_MEMMGR::die() and buffers handed out
// (a_makearray) are freed with qel_free.
#ifndef PORT_CONTAINER_CONTMEM_H
#define PORT_CONTAINER_CONTMEM_H

#include <cstddef>

namespace contmem {

// Never return null; a size the system cannot give ends the process as running out of memory.
void *allocate(size_t bytes);
void *reallocate(void *p, size_t bytes);
void release(void *p);

} // namespace contmem

#endif
