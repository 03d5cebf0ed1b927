// child_process.cpp - fork/exec with standard output and error sent to temporary files, so a
// chatty child can never block on a full pipe.
#include "child_process.h"
#include "temp_tree.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace porttest {

const char *const kUnset = "\x01unset";

std::map<std::string, std::string> quietEnv(std::map<std::string, std::string> env) {
  env.emplace("LANGUAGE", kUnset);
  env.emplace("LANG", "C");
  env.emplace("LC_ALL", kUnset);
  env.emplace("QEL_NOMSGBOX", "1");
  return env;
}

namespace {

int makeTemp(std::string &path) {
  char name[] = "/tmp/porttest.XXXXXX";
  const int fd = ::mkstemp(name);
  path = name;
  return fd;
}
} // namespace

namespace {
// Forks; the child sends its standard output and error to temporary files and runs inChild,
// which does not return; the parent runs inParent(pid), waits and collects what was written.
ChildResult forkCollecting(const std::function<void()> &inChild,
                           const std::function<void(pid_t)> &inParent) {
  ChildResult result;
  std::string outPath, errPath;
  const int outFd = makeTemp(outPath);
  const int errFd = makeTemp(errPath);
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    inChild();
  }
  if (pid > 0) {
    inParent(pid);
    result.status = waitForChild(pid);
  }
  ::close(outFd);
  ::close(errFd);
  result.out = slurp(outPath);
  result.err = slurp(errPath);
  ::unlink(outPath.c_str());
  ::unlink(errPath.c_str());
  return result;
}
} // namespace

ChildResult runProgram(const std::string &path, const std::vector<std::string> &args,
                       const std::map<std::string, std::string> &env, int interruptAfterMs) {
  return forkCollecting(
      [&] {
        for (const auto &[name, value] : env) {
          if (value == kUnset)
            ::unsetenv(name.c_str());
          else
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(path.c_str()));
        for (const std::string &a : args)
          argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(path.c_str(), argv.data());
        ::_exit(127);
      },
      [&](pid_t pid) {
        if (interruptAfterMs > 0) {
          ::usleep(static_cast<useconds_t>(interruptAfterMs) * 1000);
          ::kill(pid, SIGINT);
        }
      });
}

const unsigned kUnprivilegedUid = 65534;

bool canDropRoot() { return ::geteuid() == 0; }

int runInChild(const std::function<int()> &body, int timeoutSeconds, bool unprivileged) {
  if (unprivileged && !canDropRoot())
    return -1;
  const pid_t pid = ::fork();
  if (pid < 0)
    return -1;
  if (pid == 0) {
    ::alarm(static_cast<unsigned>(timeoutSeconds));
    if (unprivileged && (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivilegedUid) != 0 ||
                         ::setuid(kUnprivilegedUid) != 0))
      ::_exit(126);
    ::_exit(body());
  }
  return waitForChild(pid);
}

ChildResult runInChildCapturing(const std::function<void()> &body, int timeoutSeconds) {
  return forkCollecting(
      [&] {
        ::alarm(static_cast<unsigned>(timeoutSeconds));
        body();
        std::fflush(nullptr);
        ::_exit(0);
      },
      [](pid_t) {});
}

int exitStatusOf(int waitStatus) {
  return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
}

int waitForChild(int pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR)
      return -1;
  return exitStatusOf(status);
}

std::string installTree() { return PORT_TEST_INSTALL_TREE; }

std::string testProgram(const std::string &name) {
#ifdef PORT_TEST_PROGRAM_DIR
  return std::string(PORT_TEST_PROGRAM_DIR) + "/" + name;
#else
  return name;
#endif
}

} // namespace porttest
