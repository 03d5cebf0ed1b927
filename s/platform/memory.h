// memory.h - what the memory services ask of the system: the process's virtual address space
// in use, and an abrupt stop for debugging.
#ifndef PORT_PLATFORM_MEMORY_H
#define PORT_PLATFORM_MEMORY_H

#include <cstddef>
#include <cstdint>

namespace platform {

// GlobalMemoryStatusEx: ullTotalVirtual - ullAvailVirtual, the bytes of virtual address space
// the process has reserved or committed. Here the size of the process's mappings (the first
// field of /proc/self/statm, in pages). Allocates nothing, so it may be called when memory
// has run out; 0 when the figure cannot be read.
uint64_t VirtualMemoryInUse();

// malloc of the out-of-memory reserve blocks, through the layer so that tests can make it fail
// (Port_TestReserve); freed with std::free.
void *allocateReserve(size_t bytes);

// DebugBreak outside a debugger: stops the process at once with an abnormal-termination
// status (SIGABRT), leaving a core where the system keeps them.
[[noreturn]] void DebugBreakProcess();

} // namespace platform

#endif
