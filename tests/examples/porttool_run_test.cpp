// porttool run: a program run as a child, its output and exit code shown, with a time limit; the
// tool exits with the program's exit value.
#include "child_process.h"
#include "porttool_env.h"
#include "porttool_exit.h"

#include <gtest/gtest.h>

#include <chrono>

using porttest::ChildResult;
using porttest::runProgram;

namespace {

const std::string &kTool = porttest::kPortTool;

TEST(PortToolRun, ShowsOutputOfBothStreamsAndExitsWithTheExitCode) {
  const ChildResult r =
      runProgram(kTool, {"run", "sh", "-c", "echo out; echo err >&2; echo 'two words'; exit 4"});
  EXPECT_EQ(4, r.status);
  EXPECT_EQ("out\nerr\ntwo words\nexit code 4\n", r.out);
}

TEST(PortToolRun, ExitValueFollowsHowTheProgramEnded) {
  const struct {
    const char *script;
    int status;
  } cases[] = {{"exit 0", 0},          {"exit 1", 1},          {"exit 255", 255},
               {"kill -INT $$", 130},  {"kill -ABRT $$", 134}, {"kill -SEGV $$", 139},
               {"kill -TERM $$", 143}, {"kill -KILL $$", 137}};
  for (const auto &c : cases) {
    const ChildResult r = runProgram(kTool, {"run", "sh", "-c", c.script});
    EXPECT_EQ(c.status, r.status) << c.script << "\n" << r.out;
  }
}

// Codes that a child on this system cannot end with, and the signal codes, mapped directly.
TEST(PortToolRun, ExitCodesMapToTheirLowByteOrTheirSignal) {
  const struct {
    uint32_t code;
    bool timedOut;
    int value;
  } cases[] = {{0, false, 0},
               {7, false, 7},
               {0x100, false, 1},
               {0x1FF, false, 255},
               {0x3FFFFF00, false, 1},
               {199, true, 124},
               {0xC000013A, false, 130},
               {0xC0000005, false, 139},
               {0xC0000409, false, 134},
               {0xC0FF000F, false, 143},
               {0xC0000135, false, 255},
               {0x80000000, false, 255}};
  for (const auto &c : cases)
    EXPECT_EQ(c.value, childExitValue(static_cast<int>(c.code), c.timedOut)) << std::hex << c.code;
}

TEST(PortToolRun, TimeLimitEndsTheProgramWithExitValue124) {
  auto start = std::chrono::steady_clock::now();
  const ChildResult r = runProgram(kTool, {"run", "-t", "300", "sh", "-c", "echo begun; sleep 5"});
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                  start)
                .count();
  EXPECT_EQ(124, r.status);
  EXPECT_EQ("begun\ntime limit of 300 ms reached\nexit code 199\n", r.out);
  EXPECT_LT(ms, 2500);
  // A program that ends with 199 by itself has not run out of time.
  EXPECT_EQ(199, runProgram(kTool, {"run", "-t", "5000", "sh", "-c", "exit 199"}).status);
}

TEST(PortToolRun, ReportsProgramsThatCannotRun) {
  ChildResult r = runProgram(kTool, {"run", "no_such_program_here_42"});
  EXPECT_EQ(127, r.status);
  EXPECT_NE(std::string::npos, r.err.find("no_such_program_here_42: No such file or directory"));
  r = runProgram(kTool, {"run", "ls", "*.c"});
  EXPECT_EQ(2, r.status);
  EXPECT_EQ("porttool: Invalid command line.\ntry 'porttool -h'\n", r.err);
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{"run", "-t", "soon", "true"}, std::vector<std::string>{"run"}}) {
    r = runProgram(kTool, args);
    EXPECT_EQ(2, r.status);
    EXPECT_NE(std::string::npos, r.err.find("\ntry 'porttool -h'\n")) << r.err;
  }
}

} // namespace
