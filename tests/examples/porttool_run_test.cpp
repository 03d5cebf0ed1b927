// porttool run: a program run as a child, its output and exit code shown, with a time limit.
#include "child_process.h"
#include "porttool_env.h"

#include <gtest/gtest.h>

#include <chrono>

using porttest::ChildResult;
using porttest::runProgram;

namespace {

const std::string &kTool = porttest::kPortTool;

TEST(PortToolRun, ShowsOutputOfBothStreamsAndTheExitCode) {
  const ChildResult r =
      runProgram(kTool, {"run", "sh", "-c", "echo out; echo err >&2; echo 'two words'; exit 4"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("out\nerr\ntwo words\nexit code 4\n", r.out);
}

TEST(PortToolRun, TimeLimitEndsTheProgram) {
  auto start = std::chrono::steady_clock::now();
  const ChildResult r = runProgram(kTool, {"run", "-t", "300", "sh", "-c", "echo begun; sleep 5"});
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                  start)
                .count();
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("begun\ntime limit of 300 ms reached\nexit code 199\n", r.out);
  EXPECT_LT(ms, 2500);
}

TEST(PortToolRun, ReportsProgramsThatCannotRun) {
  ChildResult r = runProgram(kTool, {"run", "no_such_program_here_42"});
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.err.find("no_such_program_here_42: No such file or directory"));
  r = runProgram(kTool, {"run", "ls", "*.c"});
  EXPECT_EQ(2, r.status);
  EXPECT_NE(std::string::npos, r.err.find("Invalid command line."));
  r = runProgram(kTool, {"run", "-t", "soon", "true"});
  EXPECT_EQ(2, r.status);
}

} // namespace
