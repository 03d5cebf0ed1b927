// child_process.h - runs a program in a child process with extra environment variables and
// collects its exit status, standard output and standard error.
#ifndef PORT_TEST_CHILD_PROCESS_H
#define PORT_TEST_CHILD_PROCESS_H

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

// With interruptAfterMs > 0 the child is sent SIGINT (Ctrl+C) that many milliseconds after
// it starts.
ChildResult runProgram(const std::string &path, const std::vector<std::string> &args,
                       const std::map<std::string, std::string> &env = {},
                       int interruptAfterMs = 0);

// The shipped installation tree.
std::string installTree();

// The path of a test program built from tests/programs/<name>.cpp.
std::string testProgram(const std::string &name);

} // namespace porttest

#endif
