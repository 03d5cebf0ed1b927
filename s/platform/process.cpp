// process.cpp - child processes and pipes over posix_spawn, pidfd and poll.
#include "platform/process.h"

#include "platform/filesys.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace platform {

Descriptor &Descriptor::operator=(Descriptor &&other) noexcept {
  if (this != &other) {
    reset();
    m_fd = other.release();
  }
  return *this;
}

int Descriptor::release() {
  int fd = m_fd;
  m_fd = -1;
  return fd;
}

void Descriptor::reset() {
  if (m_fd >= 0)
    ::close(m_fd);
  m_fd = -1;
}

bool createPipe(Descriptor *readEnd, Descriptor *writeEnd, int capacity) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0)
    return false;
  if (capacity > 0) {
    int saved = errno;
    ::fcntl(fds[1], F_SETPIPE_SZ, capacity); // a hint: the default stays when it is refused
    errno = saved;
  }
  *readEnd = Descriptor(fds[0]);
  *writeEnd = Descriptor(fds[1]);
  return true;
}

bool pipeBytesWaiting(int fd, uint32_t *count) {
  int n = 0;
  if (::ioctl(fd, FIONREAD, &n) != 0)
    return false;
  *count = static_cast<uint32_t>(n);
  return true;
}

long writePipe(int fd, const void *data, unsigned long n) {
  sigset_t pipeSet, old, pending;
  sigemptyset(&pipeSet);
  sigaddset(&pipeSet, SIGPIPE);
  ::pthread_sigmask(SIG_BLOCK, &pipeSet, &old);
  sigpending(&pending);
  const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
  const char *p = static_cast<const char *>(data);
  unsigned long done = 0;
  int error = 0;
  while (done < n) {
    ssize_t w = ::write(fd, p + done, n - done);
    if (w < 0) {
      if (errno == EINTR)
        continue;
      error = errno;
      break;
    }
    done += static_cast<unsigned long>(w);
  }
  if (error == EPIPE && !wasPending) {
    // Take back the SIGPIPE that this write raised, so it is never delivered.
    struct timespec zero = {0, 0};
    while (::sigtimedwait(&pipeSet, nullptr, &zero) < 0 && errno == EINTR) {
    }
  }
  ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
  if (done == 0 && error != 0) {
    errno = error;
    return -1;
  }
  return static_cast<long>(done);
}

std::vector<std::string> splitCommandLine(const char *text) {
  std::vector<std::string> args;
  if (!text)
    return args;
  const char *p = text;
  for (;;) {
    while (*p == ' ' || *p == '\t')
      ++p;
    if (!*p)
      break;
    std::string arg;
    bool quoted = false;
    while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
      if (*p == '\\') {
        size_t n = 0;
        while (p[n] == '\\')
          ++n;
        if (p[n] == '"') {
          arg.append(n / 2, '\\');
          p += n;
          if (n % 2) {
            arg += '"';
            ++p;
          }
          continue;
        }
        arg.append(n, '\\');
        p += n;
        continue;
      }
      if (*p == '"') {
        if (quoted && p[1] == '"') {
          arg += '"';
          p += 2;
          continue;
        }
        quoted = !quoted;
        ++p;
        continue;
      }
      arg += *p++;
    }
    args.push_back(arg);
  }
  return args;
}

std::string quoteArgument(const std::string &arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
    return arg;
  std::string out = "\"";
  size_t slashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    out.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
    slashes = 0;
    out += c;
  }
  out.append(2 * slashes, '\\'); // before the closing quote
  out += '"';
  return out;
}

static bool isExecutableFile(const std::string &path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool searchPath(const char *name, const char *ext, std::string *found) {
  if (!name || !*name)
    return false;
  std::string posix;
  if (!toPosixName(name, &posix))
    return false;
  posix += ext ? ext : "";
  if (posix.find('/') != std::string::npos) {
    if (!isExecutableFile(posix))
      return false;
    *found = posix;
    return true;
  }
  const char *path = ::getenv("PATH");
  std::string dirs = path ? path : "";
  size_t start = 0;
  for (;;) {
    size_t end = dirs.find(':', start);
    std::string dir =
        dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + posix;
    if (isExecutableFile(candidate)) {
      *found = candidate;
      return true;
    }
    if (end == std::string::npos)
      return false;
    start = end + 1;
  }
}

bool systemErrorText(uint32_t code, std::string *text) {
  char buf[2048];
  const char *msg = ::strerror_r(static_cast<int>(code), buf, sizeof buf);
  if (!msg || std::strncmp(msg, "Unknown error", 13) == 0)
    return false;
  *text = msg;
  return true;
}

int32_t childSignalExitCode(int signal) {
  switch (signal) {
  case SIGINT:
    return static_cast<int32_t>(0xC000013Au);
  case SIGSEGV:
    return static_cast<int32_t>(0xC0000005u);
  case SIGBUS:
    return static_cast<int32_t>(0xC0000006u);
  case SIGILL:
    return static_cast<int32_t>(0xC000001Du);
  case SIGFPE:
    return static_cast<int32_t>(0xC0000094u);
  case SIGABRT:
    return static_cast<int32_t>(0xC0000409u);
  default:
    return static_cast<int32_t>(0xC0FF0000u + static_cast<uint32_t>(signal));
  }
}

static int32_t exitCodeOf(int status) {
  if (WIFSIGNALED(status))
    return childSignalExitCode(WTERMSIG(status));
  return WEXITSTATUS(status);
}

// A child nobody waits for any more is reaped by a thread of its own, so it leaves no zombie.
static void reapInBackground(int pid) {
  std::thread([pid] {
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

ChildProcess::~ChildProcess() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_ended && !reap(false))
      reapInBackground(m_pid);
  }
  if (m_pidfd >= 0)
    ::close(m_pidfd);
}

bool ChildProcess::reap(bool block) {
  if (m_ended)
    return true;
  int status = 0;
  pid_t r;
  do
    r = ::waitpid(m_pid, &status, block ? 0 : WNOHANG);
  while (r < 0 && errno == EINTR);
  if (r == 0)
    return false;
  if (r < 0) {
    // Reaped elsewhere (SIGCHLD ignored): the child is gone and its code unknown.
    if (errno != ECHILD)
      return false;
    status = 0;
  }
  m_ended = true;
  m_exitCode = m_terminated ? m_terminateCode : exitCodeOf(status);
  return true;
}

WaitResult ChildProcess::wait(uint32_t timeoutMs, int wakeFd) {
  using Clock = std::chrono::steady_clock;
  const bool forever = timeoutMs == 0xFFFFFFFFu;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (reap(false))
        return WaitResult::Ended;
    }
    int left = INT_MAX;
    if (!forever) {
      auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      left = static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(ms.count(), INT_MAX)));
    }
    // Without a process descriptor the end of the child is seen by looking again shortly.
    int slice = m_pidfd >= 0 ? (forever ? -1 : left) : std::min(left, 2);
    struct pollfd fds[2];
    nfds_t n = 0;
    if (m_pidfd >= 0)
      fds[n++] = {m_pidfd, POLLIN, 0};
    if (wakeFd >= 0)
      fds[n++] = {wakeFd, POLLIN, 0};
    int r = ::poll(fds, n, slice);
    if (r < 0 && errno != EINTR)
      return WaitResult::Failed;
    if (r > 0 && wakeFd >= 0 && fds[n - 1].revents)
      return WaitResult::Readable;
    if (r > 0 && m_pidfd >= 0 && fds[0].revents) {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (reap(true))
        return WaitResult::Ended;
      return WaitResult::Failed;
    }
    if (!forever && left == 0) {
      std::lock_guard<std::mutex> lock(m_mutex);
      return reap(false) ? WaitResult::Ended : WaitResult::Timeout;
    }
  }
}

bool ChildProcess::exitCode(int32_t *code) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_ended)
    return false;
  *code = m_exitCode;
  return true;
}

bool ChildProcess::ended() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_ended;
}

bool ChildProcess::terminate(int32_t code) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_ended) {
    errno = ESRCH;
    return false;
  }
  // Not yet reaped: the id still names this child, so the signal cannot reach another process.
  int r = m_pidfd >= 0
              ? static_cast<int>(::syscall(SYS_pidfd_send_signal, m_pidfd, SIGKILL, nullptr, 0))
              : ::kill(m_pid, SIGKILL);
  if (r != 0)
    return false;
  m_terminated = true;
  m_terminateCode = code;
  return true;
}

// posix_spawnp of argv with the given standard descriptors; the child gets the default
// handling of SIGPIPE and SIGINT and an empty signal mask.
static int spawnProgram(const std::vector<std::string> &args, int stdinFd, int outputFd,
                        pid_t *pid) {
  if (args.empty() || args[0].empty())
    return ENOENT;
  std::vector<char *> argv;
  for (const std::string &a : args)
    argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  std::string program;
  if (!toPosixName(args[0].c_str(), &program))
    return ENOENT;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdinFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
  if (outputFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
  }
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  int rc = ::posix_spawnp(pid, program.c_str(), &actions, &attr, argv.data(), environ);
  // A bare name without an extension is also tried with ".exe", as Windows does.
  if (rc == ENOENT && program.find('/') == std::string::npos &&
      program.find('.') == std::string::npos) {
    std::string exe = program + ".exe";
    rc = ::posix_spawnp(pid, exe.c_str(), &actions, &attr, argv.data(), environ);
    if (rc != 0)
      rc = ENOENT;
  }
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  return rc;
}

int createProcess(const char *cmdline, int stdinFd, int outputFd,
                  std::unique_ptr<ChildProcess> *child) {
  pid_t pid;
  int rc = spawnProgram(splitCommandLine(cmdline), stdinFd, outputFd, &pid);
  if (rc != 0)
    return rc;
  int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); // close-on-exec already
  child->reset(new ChildProcess(pid, pidfd < 0 ? -1 : pidfd));
  return 0;
}

int spawnWait(const char *const *argv) {
  std::vector<std::string> args;
  for (const char *const *a = argv; a && *a; ++a)
    args.emplace_back(*a);
  pid_t pid;
  int rc = spawnProgram(args, -1, -1, &pid);
  if (rc != 0) {
    errno = rc;
    return -1;
  }
  int status = 0;
  pid_t r;
  do
    r = ::waitpid(pid, &status, 0);
  while (r < 0 && errno == EINTR);
  if (r < 0)
    return -1;
  return exitCodeOf(status);
}

int startDetached(const char *cmdline) {
  pid_t pid;
  int rc = spawnProgram(splitCommandLine(cmdline), -1, -1, &pid);
  if (rc == 0)
    reapInBackground(pid);
  return rc;
}

} // namespace platform
