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
// Adding the check to a platform function, one line just before the system call it stands for:
//
//     if (platform::injectFault(Port_TestOpen)) return -1; // errno is set
//
// or, for a call that moves bytes, inside its retry loop:
//
//     long ask = platform::injectTransfer(Port_TestRead, n); // -1 with errno, or <= n
//
// A new kind of call gets a new enumerator, appended before Port_TestServiceCount.
#ifndef PORT_PLATFORM_FAULTS_H
#define PORT_PLATFORM_FAULTS_H

#ifdef __cplusplus
extern "C" {
#endif

enum Port_TestService {
  Port_TestRead,         // _read, and every read of a file's bytes (fopen'ed files too)
  Port_TestWrite,        // _write, and every write of a file's bytes (copies too)
  Port_TestOpen,         // _open, fopen, the opens of CopyFileA and of directory walks
  Port_TestSeek,         // _lseek
  Port_TestClose,        // _close (the descriptor is released all the same, as on POSIX)
  Port_TestStat,         // _stat and its lstat/fstat twins, GetFileAttributesA, _access
  Port_TestRename,       // rename, MoveFileExA
  Port_TestUnlink,       // _unlink
  Port_TestMkdir,        // _mkdir
  Port_TestRmdir,        // _rmdir
  Port_TestListDir,      // FindFirstFileA / _findfirst
  Port_TestChmod,        // _chmod, SetFileAttributesA
  Port_TestCopy,         // CopyFileA as a whole
  Port_TestReserve,      // allocation of the out-of-memory reserve blocks
  Port_TestSharedMemory, // the shared halt table's segment
  Port_TestProcessTimes, // GetProcessTimes (fails: false)
  Port_TestProcessClock, // clock (fails: -1)
  Port_TestWallClock,    // ftime (fails: the clock reads 0)
  Port_TestNotify,       // FindFirstChangeNotificationA (and making the notifier itself)
  Port_TestLoadLibrary,  // LoadLibraryA of an outside library mapped on first use (zlib, expat...)
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
inline long injectTransfer(int service, unsigned n) {
  if (faults::g_armed.load(std::memory_order_relaxed) == 0)
    return n;
  int err = 0;
  if (!faults::strike(service, &err))
    return n;
  if (err != Port_TestShort)
    return -1;
  return n > 1 ? n / 2 : n;
}

} // namespace platform
#endif

#endif
