// syscalls.h - the platform layer's way to the operating system: one wrapper per system call,
// named as the call, each consulting its entry of the fault table (faults.h) before making it.
// The layer's sources write sys::open(...) where they would write ::open(...); a direct call
// bypasses the test switch, and a test of the sources looks for them.
//
// A wrapper fails as its call does: -1 (or a null pointer) with errno set, or, for the calls
// that return an error number (posix_spawnp), that number. The calls that move bytes answer to
// a short transfer as well: they ask the system for fewer bytes than the caller did.
#ifndef PORT_PLATFORM_SYSCALLS_H
#define PORT_PLATFORM_SYSCALLS_H

#include "platform/faults.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <type_traits>

namespace platform {
namespace sys {

// The value a call of return type R fails with.
template <class R> inline R failure() {
  if constexpr (std::is_pointer<R>::value)
    return nullptr;
  else
    return static_cast<R>(-1);
}

// One wrapper: the entry's check, then the call.
#define PORT_SYSCALL(service, fn)                                                                  \
  template <class... A> inline auto fn(A... a)->decltype(::fn(a...)) {                             \
    if (injectFault(service))                                                                      \
      return failure<decltype(::fn(a...))>();                                                      \
    return ::fn(a...);                                                                             \
  }

PORT_SYSCALL(Port_TestOpen, open)
PORT_SYSCALL(Port_TestOpen, openat)
PORT_SYSCALL(Port_TestSeek, lseek)
PORT_SYSCALL(Port_TestStat, stat)
PORT_SYSCALL(Port_TestStat, lstat)
PORT_SYSCALL(Port_TestStat, fstat)
PORT_SYSCALL(Port_TestStat, fstatat)
PORT_SYSCALL(Port_TestStat, access)
PORT_SYSCALL(Port_TestRename, rename)
PORT_SYSCALL(Port_TestRename, renameat2)
PORT_SYSCALL(Port_TestUnlink, unlink)
PORT_SYSCALL(Port_TestMkdir, mkdir)
PORT_SYSCALL(Port_TestRmdir, rmdir)
PORT_SYSCALL(Port_TestListDir, opendir)
PORT_SYSCALL(Port_TestListDir, fdopendir)
PORT_SYSCALL(Port_TestListDir, readdir)
PORT_SYSCALL(Port_TestChmod, chmod)
PORT_SYSCALL(Port_TestChmod, fchmod)
PORT_SYSCALL(Port_TestSharedMemory, shm_open)
PORT_SYSCALL(Port_TestProcessTimes, getrusage)
PORT_SYSCALL(Port_TestProcessClock, clock)
PORT_SYSCALL(Port_TestWallClock, clock_gettime)
PORT_SYSCALL(Port_TestWallClock, time)
PORT_SYSCALL(Port_TestNotify, inotify_init1)
PORT_SYSCALL(Port_TestNotify, inotify_add_watch)
PORT_SYSCALL(Port_TestNotify, eventfd)
PORT_SYSCALL(Port_TestTruncate, ftruncate)
PORT_SYSCALL(Port_TestSync, fsync)
PORT_SYSCALL(Port_TestFileTimes, futimens)
PORT_SYSCALL(Port_TestFileTimes, utimensat)
PORT_SYSCALL(Port_TestOwner, chown)
PORT_SYSCALL(Port_TestCwd, getcwd)
PORT_SYSCALL(Port_TestCwd, chdir)
PORT_SYSCALL(Port_TestEnvironment, getenv)
PORT_SYSCALL(Port_TestEnvironment, setenv)
PORT_SYSCALL(Port_TestEnvironment, unsetenv)
PORT_SYSCALL(Port_TestPipe, pipe2)
PORT_SYSCALL(Port_TestPidfd, syscall)
PORT_SYSCALL(Port_TestWait, waitid)
PORT_SYSCALL(Port_TestWait, waitpid)
PORT_SYSCALL(Port_TestPoll, poll)
PORT_SYSCALL(Port_TestKill, kill)
PORT_SYSCALL(Port_TestDlOpen, dlopen)
PORT_SYSCALL(Port_TestDlSym, dlsym)
PORT_SYSCALL(Port_TestControl, fcntl)
PORT_SYSCALL(Port_TestControl, ioctl)
PORT_SYSCALL(Port_TestReadlink, readlink)
PORT_SYSCALL(Port_TestSignal, sigaction)
PORT_SYSCALL(Port_TestSignal, sigtimedwait)
PORT_SYSCALL(Port_TestSignal, sigpending)
PORT_SYSCALL(Port_TestSleep, nanosleep)
PORT_SYSCALL(Port_TestStream, fopencookie)
#undef PORT_SYSCALL

// Removing a directory answers to the rmdir entry.
inline int unlinkat(int dir, const char *name, int flags) {
  return injectFault((flags & AT_REMOVEDIR) ? Port_TestRmdir : Port_TestUnlink)
             ? -1
             : ::unlinkat(dir, name, flags);
}

// isatty answers 0 when it fails, and sets errno.
inline int isatty(int fd) { return injectFault(Port_TestTerminal) ? 0 : ::isatty(fd); }

// The calls that return an error number instead of setting errno.
inline int pthread_sigmask(int how, const sigset_t *set, sigset_t *old) {
  return injectFault(Port_TestSignal) ? errno : ::pthread_sigmask(how, set, old);
}
inline int posix_spawnp(pid_t *pid, const char *file, const posix_spawn_file_actions_t *actions,
                        const posix_spawnattr_t *attr, char *const argv[], char *const envp[]) {
  return injectFault(Port_TestSpawn) ? errno : ::posix_spawnp(pid, file, actions, attr, argv, envp);
}

// mmap fails with MAP_FAILED, not null.
inline void *mmap(void *at, size_t n, int prot, int flags, int fd, off_t offset) {
  return injectFault(Port_TestSharedMemory) ? MAP_FAILED : ::mmap(at, n, prot, flags, fd, offset);
}

// The descriptor is released even when the close is made to fail, as a failing close(2) does
// on Linux: the caller must not close it again.
inline int close(int fd) {
  if (injectFault(Port_TestClose)) {
    const int e = errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  return ::close(fd);
}

// The calls that move bytes: a fault fails them or shortens them.
inline ssize_t read(int fd, void *buf, size_t n) {
  const long ask = injectTransfer(Port_TestRead, n);
  return ask < 0 ? -1 : ::read(fd, buf, static_cast<size_t>(ask));
}
inline ssize_t pread(int fd, void *buf, size_t n, off_t at) {
  const long ask = injectTransfer(Port_TestRead, n);
  return ask < 0 ? -1 : ::pread(fd, buf, static_cast<size_t>(ask), at);
}
inline ssize_t write(int fd, const void *buf, size_t n) {
  const long ask = injectTransfer(Port_TestWrite, n);
  return ask < 0 ? -1 : ::write(fd, buf, static_cast<size_t>(ask));
}
inline ssize_t pwrite(int fd, const void *buf, size_t n, off_t at) {
  const long ask = injectTransfer(Port_TestWrite, n);
  return ask < 0 ? -1 : ::pwrite(fd, buf, static_cast<size_t>(ask), at);
}
// One call that reads and writes: it answers to the faults of both entries.
inline ssize_t copy_file_range(int in, loff_t *from, int out, loff_t *to, size_t n,
                               unsigned flags) {
  const long readable = injectTransfer(Port_TestRead, n);
  const long ask =
      readable < 0 ? -1 : injectTransfer(Port_TestWrite, static_cast<unsigned long>(readable));
  return ask < 0 ? -1 : ::copy_file_range(in, from, out, to, static_cast<size_t>(ask), flags);
}

} // namespace sys
} // namespace platform

#endif
