// halt.h - what the halt service asks of the operating system: the process id, whether a
// process still exists, the interrupt signal, and the memory that holds the halt table.
#ifndef PORT_PLATFORM_HALT_H
#define PORT_PLATFORM_HALT_H

#include <cstddef>
#include <cstdint>

namespace platform {

// GetCurrentProcessId.
uint32_t currentProcessId();

// OpenProcess(pid) + GetExitCodeProcess() == STILL_ACTIVE, with GetProcessTimes' creation time
// as the process's identity: the start time of the running process with this id (clock ticks
// since boot, field 22 of /proc/<pid>/stat), which tells it from an earlier process that had
// the same id. 0 when no process with this id runs: none exists, or it has ended and waits to
// be reaped (a zombie, state Z or X), which Windows reports as no longer active. A process of
// another user is found as well.
uint64_t processStartTime(uint32_t pid);

// signal(SIGINT, handler). The handler stays installed after each interrupt (no reset to the
// default action, so nothing has to install it again), and an interrupted blocking call is
// restarted. A null handler restores the default action, signal(SIGINT, SIG_DFL).
// Returns false when the handler could not be changed.
bool setInterruptHandler(void (*handler)(int));

// The data section shared by every process that loads the library (on Windows a section
// marked shared, or a named file mapping). Here: a POSIX shared-memory segment, one per user,
// named "/quelmo-halt-<uid>", readable and writable by the owner only; the environment
// variable QEL_HALT_TABLE names another segment instead (tests use it to get a table of
// their own). A new segment is all zero bytes. Returns null when the segment cannot be made
// or opened, or belongs to another user; the caller then keeps a table of its own.
void *mapSharedHaltTable(size_t bytes);
void unmapSharedHaltTable(void *view, size_t bytes);

// No Windows counterpart (Windows cannot duplicate a process): fn runs in the child of every
// fork() from then on, before fork() returns there. fn must be async-signal-safe.
void atForkChild(void (*fn)());

} // namespace platform

#endif
