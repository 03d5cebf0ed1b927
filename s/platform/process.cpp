// process.cpp - child processes and pipes over posix_spawn, pidfd and poll.
#include "platform/process.h"
#include "platform/syscalls.h"

#include "platform/environment.h"
#include "platform/filesys.h"
#include "platform/thread.h"
#include "platform/time.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
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
    sys::close(m_fd);
  m_fd = -1;
}

bool createPipe(Descriptor *readEnd, Descriptor *writeEnd, int capacity) {
  int fds[2];
  if (sys::pipe2(fds, O_CLOEXEC) != 0)
    return false;
  if (capacity > 0) {
    int saved = errno;
    sys::fcntl(fds[1], F_SETPIPE_SZ, capacity); // a hint: the default stays when it is refused
    errno = saved;
  }
  *readEnd = Descriptor(fds[0]);
  *writeEnd = Descriptor(fds[1]);
  return true;
}

bool pipeBytesWaiting(int fd, uint32_t *count) {
  int n = 0;
  if (sys::ioctl(fd, FIONREAD, &n) != 0)
    return false;
  *count = static_cast<uint32_t>(n);
  return true;
}

long writePipe(int fd, const void *data, unsigned long n) {
  sigset_t pipeSet, old, pending;
  sigemptyset(&pipeSet);
  sigaddset(&pipeSet, SIGPIPE);
  const bool blocked = sys::pthread_sigmask(SIG_BLOCK, &pipeSet, &old) == 0;
  sigemptyset(&pending);
  const bool wasPending = sys::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
  const char *p = static_cast<const char *>(data);
  unsigned long done = 0;
  int error = 0;
  while (done < n) {
    ssize_t w = sys::write(fd, p + done, n - done);
    if (w < 0) {
      if (errno == EINTR)
        continue;
      error = errno;
      break;
    }
    done += static_cast<unsigned long>(w);
  }
  if (error == EPIPE && blocked && !wasPending) {
    // Take back the SIGPIPE that this write raised, so it is never delivered.
    struct timespec zero = {0, 0};
    while (sys::sigtimedwait(&pipeSet, nullptr, &zero) < 0 && errno == EINTR) {
    }
  }
  if (blocked)
    sys::pthread_sigmask(SIG_SETMASK, &old, nullptr);
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
  return sys::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         sys::access(path.c_str(), X_OK) == 0;
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
  const char *path = getenv("PATH");
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

// Children that lead groups of their own, to which this process passes on its interrupts. An
// entry is 0 when free, -1 while it is kept for a child being started, else the group's id.
// The interrupt handler reads the entries without a lock; everything else happens under
// g_groupMutex. An entry is cleared once its child has ended but before the child is reaped,
// so the handler never signals a group id that may have passed to other processes.
static const int kMaxGroups = 256;
static std::atomic<int> g_groups[kMaxGroups];
static_assert(std::atomic<int>::is_always_lock_free, "read by a signal handler");
static std::mutex g_groupMutex;
static int g_groupsInUse = 0;
static struct sigaction g_interruptBefore; // the action the handler stands in front of

// SIGINT while children lead groups of their own: the interrupt goes to each such group, then
// this process acts on it as it did before the handler was put in front (the default action
// ends it, an ignored interrupt stays ignored, a handler of its own is called).
static void passInterrupt(int signal, siginfo_t *info, void *context) {
  const int saved = errno;
  for (std::atomic<int> &entry : g_groups) {
    const int group = entry.load(std::memory_order_acquire);
    if (group > 0)
      sys::kill(-group, SIGINT);
  }
  const struct sigaction &before = g_interruptBefore;
  if (before.sa_flags & SA_SIGINFO) {
    if (before.sa_sigaction)
      before.sa_sigaction(signal, info, context);
  } else if (before.sa_handler == SIG_DFL) {
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sys::sigaction(SIGINT, &dfl, nullptr);
    ::raise(SIGINT); // blocked until this handler returns, then it takes its default effect
  } else if (before.sa_handler != SIG_IGN) {
    before.sa_handler(signal);
  }
  errno = saved;
}

// Keeps an entry for a child about to be started in a group of its own; -1 when the table is
// full or the handler cannot be installed (the child then stays in this process's group).
static int reserveGroupEntry() {
  std::lock_guard<std::mutex> lock(g_groupMutex);
  for (int i = 0; i < kMaxGroups; ++i) {
    if (g_groups[i].load() != 0)
      continue;
    if (g_groupsInUse == 0) {
      struct sigaction pass = {};
      pass.sa_sigaction = passInterrupt;
      sigemptyset(&pass.sa_mask);
      pass.sa_flags = SA_SIGINFO | SA_RESTART;
      if (sys::sigaction(SIGINT, nullptr, &g_interruptBefore) != 0 ||
          sys::sigaction(SIGINT, &pass, nullptr) != 0)
        return -1;
    }
    ++g_groupsInUse;
    g_groups[i].store(-1);
    return i;
  }
  return -1;
}

static void releaseGroupEntry(int entry) {
  if (entry < 0)
    return;
  std::lock_guard<std::mutex> lock(g_groupMutex);
  g_groups[entry].store(0, std::memory_order_release);
  if (--g_groupsInUse > 0)
    return;
  // The action that stood before comes back, unless another was installed meanwhile (the halt
  // service's handler, for one), which then stays.
  struct sigaction current;
  if (sys::sigaction(SIGINT, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) &&
      current.sa_sigaction == passInterrupt)
    sys::sigaction(SIGINT, &g_interruptBefore, nullptr);
}

// Waits for pid to end (or only looks, without block) and reaps it; a group entry it holds is
// released in between. 1 when it has ended (*status holds its wait status, 0 when it was reaped
// elsewhere), 0 while it runs, -1 with errno on failure.
static int reapChild(int pid, int groupEntry, bool block, int *status) {
  siginfo_t info;
  info.si_pid = 0;
  int r;
  do
    r = sys::waitid(P_PID, static_cast<id_t>(pid), &info,
                    WEXITED | WNOWAIT | (block ? 0 : WNOHANG));
  while (r < 0 && errno == EINTR);
  if (r < 0 && errno != ECHILD)
    return -1;
  if (r == 0 && info.si_pid == 0)
    return 0;
  releaseGroupEntry(groupEntry);
  *status = 0;
  if (r < 0) // reaped elsewhere (SIGCHLD ignored): the child is gone and its code unknown
    return 1;
  pid_t w;
  do
    w = sys::waitpid(pid, status, 0);
  while (w < 0 && errno == EINTR);
  if (w < 0)
    *status = 0;
  return 1;
}

// Children whose reaping thread could not be started; they are looked at again whenever a
// child is started or handed to the background.
static std::mutex g_orphanMutex;
static std::vector<std::pair<int, int>> g_orphans; // pid, group entry

static void reapOrphans() {
  std::lock_guard<std::mutex> lock(g_orphanMutex);
  int status;
  g_orphans.erase(std::remove_if(g_orphans.begin(), g_orphans.end(),
                                 [&status](const std::pair<int, int> &o) {
                                   return reapChild(o.first, o.second, false, &status) == 1;
                                 }),
                  g_orphans.end());
}

// A child nobody waits for any more is reaped by a thread of its own, so it leaves no zombie.
// Without a thread it is kept for reapOrphans, a zombie in the meantime.
static void reapInBackground(int pid, int groupEntry) {
  reapOrphans();
  try {
    startThread([pid, groupEntry] {
      int status;
      while (reapChild(pid, groupEntry, true, &status) < 0)
        sleepMs(10); // a wait that fails is tried again, without spinning
    }).detach();
  } catch (const std::system_error &) {
    std::lock_guard<std::mutex> lock(g_orphanMutex);
    g_orphans.emplace_back(pid, groupEntry);
  }
}

ChildProcess::~ChildProcess() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_ended && !reap(false))
      reapInBackground(m_pid, m_groupSlot);
  }
  if (m_pidfd >= 0)
    sys::close(m_pidfd);
}

bool ChildProcess::reap(bool block) {
  if (m_ended)
    return true;
  int status = 0;
  if (reapChild(m_pid, m_groupSlot, block, &status) != 1)
    return false;
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
    int r = sys::poll(fds, n, slice);
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
  // Not yet reaped: the id still names this child, and so its group, which no other process
  // can lead meanwhile; the signals cannot reach anyone else. The group goes first, so that
  // nothing in it starts more processes once the child is gone; the child is signalled itself
  // as well, in case it left its group.
  const bool groupHit = m_groupSlot >= 0 && sys::kill(-m_pid, SIGKILL) == 0;
  int r = m_pidfd >= 0
              ? static_cast<int>(sys::syscall(SYS_pidfd_send_signal, m_pidfd, SIGKILL, nullptr, 0))
              : sys::kill(m_pid, SIGKILL);
  if (r != 0 && !groupHit)
    return false;
  m_terminated = true;
  m_terminateCode = code;
  return true;
}

// posix_spawnp of argv with the given standard descriptors; the child gets the default
// handling of SIGPIPE and SIGINT and an empty signal mask, and with ownGroup a process group
// of its own.
static int spawnProgram(const std::vector<std::string> &args, int stdinFd, int outputFd,
                        bool ownGroup, pid_t *pid) {
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
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (ownGroup) {
    posix_spawnattr_setpgroup(&attr, 0);
    flags |= POSIX_SPAWN_SETPGROUP;
  }
  posix_spawnattr_setflags(&attr, flags);

  std::unique_lock<std::mutex> environment(environmentLock()); // the child copies environ
  int rc = sys::posix_spawnp(pid, program.c_str(), &actions, &attr, argv.data(), environ);
  // A bare name without an extension is also tried with ".exe", as Windows does.
  if (rc == ENOENT && program.find('/') == std::string::npos &&
      program.find('.') == std::string::npos) {
    std::string exe = program + ".exe";
    rc = sys::posix_spawnp(pid, exe.c_str(), &actions, &attr, argv.data(), environ);
    if (rc != 0)
      rc = ENOENT;
  }
  environment.unlock();
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  return rc;
}

// Whether a child with these standard descriptors (-1: this process's own) would share a
// terminal with this process.
static bool sharesTerminal(int stdinFd, int outputFd) {
  const int saved = errno;
  const bool shares = sys::isatty(stdinFd >= 0 ? stdinFd : 0) ||
                      sys::isatty(outputFd >= 0 ? outputFd : 1) ||
                      sys::isatty(outputFd >= 0 ? outputFd : 2);
  errno = saved;
  return shares;
}

int createProcess(const char *cmdline, int stdinFd, int outputFd,
                  std::unique_ptr<ChildProcess> *child) {
  reapOrphans();
  const int entry = sharesTerminal(stdinFd, outputFd) ? -1 : reserveGroupEntry();
  pid_t pid;
  int rc = spawnProgram(splitCommandLine(cmdline), stdinFd, outputFd, entry >= 0, &pid);
  if (rc != 0) {
    releaseGroupEntry(entry);
    return rc;
  }
  if (entry >= 0)
    g_groups[entry].store(pid, std::memory_order_release);
  int pidfd = static_cast<int>(sys::syscall(SYS_pidfd_open, pid, 0)); // close-on-exec already
  child->reset(new ChildProcess(pid, pidfd < 0 ? -1 : pidfd, entry));
  return 0;
}

int spawnWait(const char *const *argv) {
  std::vector<std::string> args;
  for (const char *const *a = argv; a && *a; ++a)
    args.emplace_back(*a);
  pid_t pid;
  int rc = spawnProgram(args, -1, -1, false, &pid);
  if (rc != 0) {
    errno = rc;
    return -1;
  }
  int status = 0;
  pid_t r;
  do
    r = sys::waitpid(pid, &status, 0);
  while (r < 0 && errno == EINTR);
  if (r < 0)
    return -1;
  return exitCodeOf(status);
}

int startDetached(const char *cmdline) {
  pid_t pid;
  int rc = spawnProgram(splitCommandLine(cmdline), -1, -1, false, &pid);
  if (rc == 0)
    reapInBackground(pid, -1);
  return rc;
}

} // namespace platform
