// child_process.h - runs a program in a child process with extra environment variables and
// collects its exit status, standard output and standard error.
#ifndef PORT_TEST_CHILD_PROCESS_H
#define PORT_TEST_CHILD_PROCESS_H

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace porttest {

struct ChildResult {
  int status = -1; // exit status, or 128 + signal number when killed by a signal
  std::string out;
  std::string err;
};

// Variables mapped to nullptr-like "\x01unset" are removed from the child's environment.
extern const char *const kUnset;

// The environment of a probe whose messages come in the C language and never wait on a message
// box: LANGUAGE and LC_ALL removed, LANG=C, QEL_NOMSGBOX=1. What env names already stands.
std::map<std::string, std::string> quietEnv(std::map<std::string, std::string> env = {});

// With interruptAfterMs > 0 the child is sent SIGINT (Ctrl+C) that many milliseconds after
// it starts.
ChildResult runProgram(const std::string &path, const std::vector<std::string> &args,
                       const std::map<std::string, std::string> &env = {},
                       int interruptAfterMs = 0);

// Runs body in a forked child and returns the child's exit status, which is body's result, or
// 128 + the signal that ended it. The child is killed by SIGALRM after timeoutSeconds, so a call
// that hangs shows as 128 + SIGALRM instead of stalling the test. The child ends with _exit: no
// exit handlers of the test process run in it. With unprivileged set, the child first gives up
// root for uid and gid 65534; see canDropRoot.
int runInChild(const std::function<int()> &body, int timeoutSeconds = 5, bool unprivileged = false);
// Runs body in a forked child whose standard output and error go to temporary files, and
// returns its status (as runInChild's) with what it wrote. Returning from body ends the child
// with 0; the child is killed by SIGALRM after timeoutSeconds.
ChildResult runInChildCapturing(const std::function<void()> &body, int timeoutSeconds = 60);
// The one convention of these helpers for how a child ended, from a waitpid status: its exit
// code, or 128 + the signal that ended it (as a shell reports it).
int exitStatusOf(int waitStatus);
// Waits for the child pid (through interruptions) and returns exitStatusOf its status, or -1
// when it cannot be waited for.
int waitForChild(int pid);
// True when the test runs as root and so can run children as an unprivileged user.
bool canDropRoot();
// The uid an unprivileged child runs as.
extern const unsigned kUnprivilegedUid;

// The shipped installation tree.
std::string installTree();

// The path of a test program built from tests/programs/<name>.cpp.
std::string testProgram(const std::string &name);

} // namespace porttest

#endif
