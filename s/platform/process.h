// process.h - child processes and pipes of the Windows kernel (CreateProcessA, CreatePipe,
// PeekNamedPipe, WaitForSingleObject, GetExitCodeProcess, TerminateProcess, SearchPathA,
// FormatMessageA) and of the C runtime (_spawnvp, WinExec).
//
// A child is started from one command-line text, split with the Windows argument rules
// (splitCommandLine). Its standard output and standard error share one pipe when the caller
// gives one. Every descriptor the layer makes is close-on-exec: a child receives only the
// descriptors handed to it as its standard input, output and error.
//
// Exit codes read as on Windows: a normal exit gives its status; a child ended by a signal
// gives the code of the matching Windows exception (childSignalExitCode); a child ended by
// ChildProcess::terminate(code) gives code.
//
// Process trees (Windows ends a tree through a job object): a child of createProcess is the
// leader of a process group of its own, which everything it starts joins unless it leaves on
// purpose, so terminate ends the child and its descendants together. A group of its own is
// no longer the terminal's foreground group, so the terminal's interrupt misses it; while
// such children live, this process passes every SIGINT it receives on to their groups before
// acting on it as it did before (see the interrupt handler in process.cpp), as a console sends
// Ctrl+C to every process attached to it. A child that shares a terminal with this process
// (its standard input, output or error is one) stays in this process's group instead: in a
// group of its own it would be stopped as soon as it read from or set up the terminal. Such a
// child gets the terminal's interrupt directly, and terminate ends it alone.
#ifndef PORT_PLATFORM_PROCESS_H
#define PORT_PLATFORM_PROCESS_H

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// An owned descriptor, closed on destruction.
class Descriptor {
public:
  Descriptor() = default;
  explicit Descriptor(int fd) : m_fd(fd) {}
  Descriptor(Descriptor &&other) noexcept : m_fd(other.release()) {}
  Descriptor &operator=(Descriptor &&other) noexcept;
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;
  ~Descriptor() { reset(); }
  int get() const { return m_fd; }
  bool valid() const { return m_fd >= 0; }
  int release();
  void reset();

private:
  int m_fd = -1;
};

// CreatePipe: both ends close-on-exec. A capacity above 0 asks for a pipe buffer of that many
// bytes (CreatePipe's nSize; the system may keep a smaller one). False with errno when no pipe
// could be made.
bool createPipe(Descriptor *readEnd, Descriptor *writeEnd, int capacity = 0);

// PeekNamedPipe: the number of bytes waiting in the pipe, without reading (FIONREAD).
// False with errno when the query fails.
bool pipeBytesWaiting(int fd, uint32_t *count);

// WriteFile on a pipe: the bytes written (all of them, or fewer when the reader went away
// midway), or -1 with errno (EPIPE when nobody reads). The process is never sent SIGPIPE.
long writePipe(int fd, const void *data, unsigned long n);

// The Windows argument rules: blanks and tabs separate arguments; double quotes group and are
// removed; 2n backslashes before a quote give n backslashes and the quote groups, 2n+1 give n
// backslashes and a literal quote; other backslashes are literal; "" inside a quoted part
// gives one literal quote. An empty quoted argument ("") is kept.
std::vector<std::string> splitCommandLine(const char *text);
// The inverse for one argument: quoted only when it is empty or holds a blank, tab or quote.
std::string quoteArgument(const std::string &arg);

// SearchPathA(NULL, name, ext): the first executable regular file named name + ext in the
// current directory or a directory of PATH. A name with a directory part is tested as given.
bool searchPath(const char *name, const char *ext, std::string *found);

// FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM): the system's text for an error code (an errno
// value here), or false when the system has none.
bool systemErrorText(uint32_t code, std::string *text);

// The Windows exception code of a child ended by a signal: SIGINT 0xC000013A, SIGSEGV
// 0xC0000005, SIGILL 0xC000001D, SIGFPE 0xC0000094, SIGABRT 0xC0000409, SIGBUS 0xC0000006;
// any other signal s gives 0xC0FF0000 + s (top bits set, so it reads as a crash).
int32_t childSignalExitCode(int signal);

enum class WaitResult { Ended, Timeout, Readable, Failed };

// A started child (the process handle). One object owns the child: it alone reaps it, so a
// process id is never waited on or signalled after it may have been reused. All operations may
// be called from two threads at once.
class ChildProcess {
public:
  ~ChildProcess(); // CloseHandle: a child still running is left running and reaped later
  ChildProcess(const ChildProcess &) = delete;
  ChildProcess &operator=(const ChildProcess &) = delete;

  uint32_t pid() const { return m_pid; }
  // WaitForSingleObject: Ended once the child has ended (it is reaped then), Timeout after
  // timeoutMs, Readable as soon as wakeFd (when not -1) has data or its writers are gone,
  // Failed with errno.
  WaitResult wait(uint32_t timeoutMs, int wakeFd = -1);
  // GetExitCodeProcess after the child has ended; false while it runs.
  bool exitCode(int32_t *code) const;
  bool ended() const;
  // TerminateProcess(code): kills the child and, when it leads a group of its own, every
  // process left in that group; the child's exit code then reads as code. False with errno
  // when the child had ended already or cannot be signalled.
  bool terminate(int32_t code);
  // True when the child leads a process group of its own.
  bool ownGroup() const { return m_groupSlot >= 0; }

private:
  friend int createProcess(const char *, int, int, std::unique_ptr<ChildProcess> *);
  ChildProcess(int pid, int pidfd, int groupSlot)
      : m_pid(pid), m_pidfd(pidfd), m_groupSlot(groupSlot) {}
  bool reap(bool block); // under m_mutex

  const int m_pid;
  const int m_pidfd;     // -1 when the kernel gives no process descriptors
  const int m_groupSlot; // the child's entry among the groups that interrupts are passed to
  mutable std::mutex m_mutex;
  bool m_ended = false;
  int32_t m_exitCode = 0;
  bool m_terminated = false;
  int32_t m_terminateCode = 0;
};

// CreateProcessA(NULL, cmdline, ..., bInheritHandles): splits the text, finds the program along
// PATH and starts it. stdinFd and outputFd (standard output and standard error) are the
// descriptors the child receives; -1 keeps the parent's own. 0 on success, else the errno
// value why the child could not be started (ENOENT for an unknown program).
int createProcess(const char *cmdline, int stdinFd, int outputFd,
                  std::unique_ptr<ChildProcess> *child);

// _spawnvp(_P_WAIT, argv[0], argv): starts argv[0] found along PATH, waits, and returns its
// exit code; -1 with errno when it cannot be started.
int spawnWait(const char *const *argv);

// WinExec(cmdline, SW_SHOW): starts the command without waiting for it; the child is reaped in
// the background. 0 on success, else the errno value.
int startDetached(const char *cmdline);

} // namespace platform

#endif
