// contmem.h - allocation for the containers: the process's allocator, where running out of
// memory ends the process with the out-of-memory report instead of returning null.
#ifndef PORT_CONTAINER_CONTMEM_H
#define PORT_CONTAINER_CONTMEM_H

#include <cstddef>

namespace contmem {

// Never return null. Sizes are checked for overflow by the callers; a size that does not fit
// in the address space is reported as running out of memory.
void *allocate(size_t bytes);
void *reallocate(void *p, size_t bytes);
void release(void *p);

} // namespace contmem

#endif
