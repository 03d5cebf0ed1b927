// faults.h - the test switch of the platform layer: makes chosen calls to the operating system
// fail on purpose, as a test VFS does, so that tests can show how the library handles failing
// I/O. Only tests arm it, through the exported Port_Test* functions below (they stay exported
// when the rest of the layer is hidden); nothing in the environment turns it on. When no fault
// is armed a check costs one relaxed atomic load.
//
// Arming: Port_TestFault(service, n, persist, err) makes the n-th call of the service from now
// on (counting from 1) fail, and with persist every later call as well. err is the errno value
// the call fails with (EIO, ENOSPC, EINTR, EACCES...), or Port_TestShort: the call then moves
// fewer bytes than asked (half, at least one; meaningful for read and write). The platform
// treats an injected failure exactly as a real one: an EINTR or a short write inside a call that
// retries them is retried, so the caller sees success (arm EINTR for single calls: a persistent
// one keeps such a call retrying for ever). Port_TestFaultClear disarms every service and resets
// the counters.
//
#ifndef PORT_PLATFORM_FAULTS_H
#define PORT_PLATFORM_FAULTS_H

#ifdef __cplusplus
extern "C" {
#endif

// The table: every call the platform layer makes to the operating system or to the C runtime
// that can fail goes through one entry of it, named after the call (a few entries stand for a
// whole emulated Windows call, such as CopyFileA). The layer reaches those calls only through
// the wrappers of platform/syscalls.h (and platform/thread.h for threads), which consult the
// entry first. Each row: the enumerator's suffix, the entry's name, and the symbols of the C
// library or the C++ runtime that the entry stands for (a test compares them with what the
// library imports, so a call added without an entry is caught). A new call gets a row here,
// appended, and a wrapper there.
#define PORT_TEST_SERVICES(X)                                                                      \
  X(Read, "read", "read pread copy_file_range")                                                    \
  X(Write, "write", "write pwrite")                                                                \
  X(Open, "open", "open openat")                                                                   \
  X(Seek, "seek", "lseek")                                                                         \
  X(Close, "close", "close") /* the descriptor is released all the same, as on POSIX */            \
  X(Stat, "stat", "stat lstat fstat fstatat access")                                               \
  X(Rename, "rename", "rename renameat2")                                                          \
  X(Unlink, "unlink", "unlink unlinkat")                                                           \
  X(Mkdir, "mkdir", "mkdir")                                                                       \
  X(Rmdir, "rmdir", "rmdir")                                                                       \
  X(ListDir, "listdir", "opendir fdopendir readdir")                                               \
  X(Chmod, "chmod", "chmod fchmod")                                                                \
  X(Copy, "copy", "")       /* CopyFileA as a whole */                                             \
  X(Reserve, "reserve", "") /* the out-of-memory reserve blocks */                                 \
  X(SharedMemory, "shm", "shm_open mmap")                                                          \
  X(ProcessTimes, "getrusage", "getrusage")                                                        \
  X(ProcessClock, "clock", "clock")                                                                \
  X(WallClock, "clock_gettime", "clock_gettime time") /* a failed clock reads 0 */                 \
  X(Notify, "inotify", "inotify_init1 inotify_add_watch eventfd")                                  \
  X(Truncate, "truncate", "ftruncate")                                                             \
  X(Sync, "fsync", "fsync")                                                                        \
  X(FileTimes, "utimens", "futimens utimensat")                                                    \
  X(Owner, "chown", "chown")                                                                       \
  X(Cwd, "cwd", "getcwd chdir")                                                                    \
  X(Environment, "env", "getenv setenv unsetenv")                                                  \
  X(Spawn, "spawn", "posix_spawnp")                                                                \
  X(Pipe, "pipe", "pipe2")                                                                         \
  X(Pidfd, "pidfd", "syscall") /* pidfd_open and pidfd_send_signal */                              \
  X(Wait, "wait", "waitid waitpid")                                                                \
  X(Poll, "poll", "poll")                                                                          \
  X(Kill, "kill", "kill")                                                                          \
  X(DlOpen, "dlopen", "dlopen")                                                                    \
  X(DlSym, "dlsym", "dlsym")                                                                       \
  X(Thread, "thread", "std::thread::_M_start_thread")                                              \
  X(Control, "fcntl", "fcntl ioctl")                                                               \
  X(Terminal, "isatty", "isatty")                                                                  \
  X(Readlink, "readlink", "readlink")                                                              \
  X(Signal, "signal", "sigaction pthread_sigmask sigtimedwait sigpending")                         \
  X(Sleep, "sleep", "nanosleep")                                                                   \
  X(Stream, "fopencookie", "fopencookie")                                                          \
  X(Random, "random", "std::random_device::")

enum Port_TestService {
#define PORT_TEST_ENUMERATOR(id, name, symbols) Port_Test##id,
  PORT_TEST_SERVICES(PORT_TEST_ENUMERATOR)
#undef PORT_TEST_ENUMERATOR
      Port_TestServiceCount
};

// The err value that makes a transfer short instead of failing.
enum { Port_TestShort = -1 };

// Arms service; returns 0, or -1 for an unknown service or n < 1.
__attribute__((visibility("default"))) int Port_TestFault(int service, long n, int persist,
                                                          int err);
// Disarms every service and sets every count to 0.
__attribute__((visibility("default"))) void Port_TestFaultClear(void);
// Calls of the service made since it was last armed or cleared (counted only while something
// is armed), and the faults injected into them.
__attribute__((visibility("default"))) long Port_TestFaultCalls(int service);
__attribute__((visibility("default"))) long Port_TestFaultHits(int service);
// The entry's name and the symbols it stands for (blank-separated), or null past the table's end.
__attribute__((visibility("default"))) const char *Port_TestFaultName(int service);
__attribute__((visibility("default"))) const char *Port_TestFaultSymbols(int service);

#ifdef __cplusplus
} // extern "C"

#include <atomic>

namespace platform {

namespace faults {
extern std::atomic<int> g_armed; // services armed now
bool strike(int service, int *err);
} // namespace faults

// True when this call of the service must fail; errno is then the armed value. A short
// transfer armed for the service does not fail the call (see injectShortTransfer).
inline bool injectFault(int service) {
  if (faults::g_armed.load(std::memory_order_relaxed) == 0)
    return false;
  return faults::strike(service, nullptr);
}

// For a call that moves n bytes: the count to ask the system for. With an error armed, -1
// and errno set; with a short transfer armed, fewer bytes than n.
inline long injectTransfer(int service, unsigned long n) {
  if (faults::g_armed.load(std::memory_order_relaxed) == 0)
    return static_cast<long>(n);
  int err = 0;
  if (!faults::strike(service, &err))
    return static_cast<long>(n);
  if (err != Port_TestShort)
    return -1;
  return static_cast<long>(n > 1 ? n / 2 : n);
}

} // namespace platform
#endif

#endif
