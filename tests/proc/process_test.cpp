// Synchronous runs of Port::Process and Port_Process with real children.
#include "Port_Proc.h"
#include "Port_Process.h"
#include "platform/faults.h"
#include "recorder.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

using porttest::errorText;
using porttest::msSince;
using porttest::Record;
using porttest::recorder;

namespace {

TEST(ProcessValidation, RefusesWildcardPipeAndOpenQuote) {
  for (const char *cmd :
       {"ls *.c", "echo a | cat", "echo ?", "echo 100%", "echo \"open", "", "   "}) {
    Port::Process p;
    EXPECT_EQ(errorText(p), "<null>");
    EXPECT_EQ(p.Run(cmd, true, true), 2) << cmd;
    EXPECT_EQ(errorText(p), "Invalid command line.") << cmd;
  }
}

TEST(ProcessValidation, StatusIsFourBeforeTheFirstRun) {
  Port::Process p;
  EXPECT_EQ(p.ChildProcStatus(), 4);
  EXPECT_EQ(p.GetChildPID(), Port::Process::NoChild);
  EXPECT_EQ(p.WriteToChild("x", 1), -1);
}

TEST(ProcessRun, CollectsOutputCompleteAndInOrder) {
  auto r = std::make_shared<Record>();
  Port::Process p;
  ASSERT_EQ(p.Run("seq 1 60000", recorder(r), 20, true, true, false), 0);
  std::string expected;
  for (int i = 1; i <= 60000; ++i)
    expected += std::to_string(i) + "\n";
  EXPECT_EQ(r->text, expected);
  EXPECT_EQ(r->lastCalls, 1);
  EXPECT_FALSE(r->callAfterLast);
  EXPECT_TRUE(r->deleted);
  EXPECT_EQ(p.GetChildRetcode(), 0);
  EXPECT_EQ(p.ChildProcStatus(), 0);
}

TEST(ProcessRun, SilentChildGetsOneNullCallAndPollPerRound) {
  auto r = std::make_shared<Record>();
  Port::Process p;
  ASSERT_EQ(p.Run("sleep 0.35", recorder(r), 50, true, true, false), 0);
  EXPECT_EQ(r->textCalls, 0);
  EXPECT_GE(r->nullCalls, 4);
  EXPECT_EQ(r->polls, r->nullCalls);
  EXPECT_TRUE(r->pollAfterNull);
  EXPECT_EQ(r->lastCalls, 1);
  EXPECT_TRUE(r->lastWasNull);
}

// The rounds are far longer than the child lives: the one that the child's end cuts short
// still ends with Output(null, false) and Poll before the final call.
TEST(ProcessRun, ChildThatEndsDuringTheFirstWaitGetsOneRound) {
  struct Case {
    const char *cmd;
    const char *text;
  } cases[] = {{"true", ""}, {"echo hi", "hi\n"}};
  for (const Case &c : cases) {
    auto r = std::make_shared<Record>();
    Port::Process p;
    ASSERT_EQ(p.Run(c.cmd, recorder(r), 5000, true, true, false), 0) << c.cmd;
    EXPECT_EQ(r->text, c.text) << c.cmd;
    EXPECT_EQ(r->nullCalls, 1) << c.cmd;
    EXPECT_EQ(r->polls, 1) << c.cmd;
    EXPECT_TRUE(r->pollAfterNull) << c.cmd;
    EXPECT_EQ(r->lastCalls, 1) << c.cmd;
    EXPECT_TRUE(r->lastWasNull) << c.cmd;
    EXPECT_FALSE(r->callAfterLast) << c.cmd;
  }
}

struct ExitCase {
  const char *script;
  int code;
  bool crash;
  bool abort;
};

TEST(ProcessRun, ReportsExitCodesAndSignalsAsWindowsCodes) {
  const ExitCase cases[] = {
      {"exit 0", 0, false, false},
      {"exit 7", 7, false, false},
      {"kill -SEGV $$", static_cast<int>(0xC0000005u), true, false},
      {"kill -ABRT $$", static_cast<int>(0xC0000409u), true, false},
      {"kill -INT $$", static_cast<int>(0xC000013Au), false, true},
  };
  for (const ExitCase &c : cases) {
    Port::Process p;
    const char *argv[] = {"sh", "-c", c.script};
    ASSERT_EQ(p.Run(3, argv, true, true), 0) << c.script;
    int code = p.GetChildRetcode();
    EXPECT_EQ(code, c.code) << c.script;
    EXPECT_EQ(Port::Process::IsCrashExitCode(code), c.crash) << c.script;
    EXPECT_EQ(Port::Process::IsAbortExitCode(code), c.abort) << c.script;
  }
  EXPECT_FALSE(Port::Process::IsCrashExitCode(1));
  EXPECT_TRUE(Port::Process::IsCrashExitCode(0x40000000));
}

TEST(ProcessRun, TimeLimitEndsTheChildWith199) {
  auto r = std::make_shared<Record>();
  Port::Process p(300);
  auto start = std::chrono::steady_clock::now();
  const char *argv[] = {"sh", "-c", "echo started; exec sleep 5"};
  ASSERT_EQ(p.Run(3, argv, recorder(r), 50, true, true, false), 0);
  EXPECT_LT(msSince(start), 2000);
  EXPECT_EQ(p.GetChildRetcode(), Port::Process::TerminatedExitCode);
  EXPECT_EQ(r->text, "started\n");
  EXPECT_EQ(r->lastCalls, 1);
}

TEST(ProcessRun, UnknownProgramFailsWithTheSystemText) {
  Port::Process p;
  EXPECT_EQ(p.Run("no_such_program_here_42 a", true, true), 1);
  EXPECT_EQ(errorText(p), "no_such_program_here_42: No such file or directory");
}

TEST(ProcessRun, FailedReadOfRunningChildEndsTheRunWithTheSystemReason) {
  auto r = std::make_shared<Record>();
  Port::Process p;
  const char *argv[] = {"sh", "-c", "echo a; exec sleep 1"};
  Port_TestFault(Port_TestRead, 1, 1, EIO);
  int status = p.Run(3, argv, recorder(r), 50, true, true, false);
  Port_TestFaultClear();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(p.GetChildPID(), Port::Process::NoChild);
  EXPECT_EQ(errorText(p), "sh: Input/output error");
  EXPECT_EQ(r->lastCalls, 1); // the receiver still hears that the run is over
}

TEST(ProcessRun, ChildReadsItsInputAndSeesItsEnd) {
  auto r = std::make_shared<Record>();
  Port::Process p(2000);
  const char *argv[] = {"sh", "-c", "while read line; do echo \"<$line>\"; done; echo end"};
  ASSERT_EQ(p.Run(3, argv, recorder(r, &p, "one\ntwo\n"), 20, true, true, true), 0);
  EXPECT_EQ(r->text, "<one>\n<two>\nend\n");
  EXPECT_EQ(p.GetChildRetcode(), 0);
}

TEST(ProcessRun, ArgumentVectorKeepsBlanksQuotesAndEmptyArguments) {
  auto r = std::make_shared<Record>();
  Port::Process p;
  const char *argv[] = {"sh", "-c", "for a; do echo \"[$a]\"; done", "x", "a b", "", "q\"t\\"};
  ASSERT_EQ(p.Run(7, argv, recorder(r), 50, true, true, false), 0);
  EXPECT_EQ(r->text, "[a b]\n[]\n[q\"t\\]\n");
}

// A bare name is completed along PATH; the directory holds shell scripts named like Windows
// programs, each printing its own name.
class ProcessCompletion : public ::testing::Test {
protected:
  void SetUp() override {
    const char *path = std::getenv("PATH");
    m_oldPath = path ? path : "";
    setenv("PATH", (m_tree.root() + ":" + m_oldPath).c_str(), 1);
  }
  void TearDown() override { setenv("PATH", m_oldPath.c_str(), 1); }
  void script(const std::string &name) {
    std::string file = m_tree.write(name, "#!/bin/sh\necho " + name + "\n");
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
  }
  std::string run(const char *cmd) {
    auto r = std::make_shared<Record>();
    Port::Process p;
    EXPECT_EQ(p.Run(cmd, recorder(r), 50, true, true, false), 0) << cmd;
    return r->text;
  }
  porttest::TempTree m_tree;
  std::string m_oldPath;
};

TEST_F(ProcessCompletion, BatchExtensionIsAppended) {
  script("tool.bat");
  EXPECT_EQ(run("tool"), "tool.bat\n");
}

TEST_F(ProcessCompletion, ExeWinsAndTheNameStaysBare) {
  script("tool.exe");
  script("tool.cmd");
  EXPECT_EQ(run("tool"), "tool.exe\n");
}

TEST_F(ProcessCompletion, PlainNameComesFirst) {
  script("tool");
  script("tool.bat");
  EXPECT_EQ(run("tool"), "tool\n");
}

// Only a carriage return followed by a line feed loses the return, also when the two come in
// different reads.
TEST(ProcessLineEnds, WindowsLineEndsAreCleanedAndNothingElse) {
  const struct {
    const char *script;
    unsigned pollMs;
    const char *text;
    int minTextCalls;
  } cases[] = {
      {"printf 'a\\r\\nb\\rc\\nd\\n\\n'", 50, "a\nb\rc\nd\n\n", 1},
      {"printf 'a\\r'; sleep 0.2; printf '\\nb\\r'", 20, "a\nb\r", 2},
  };
  for (const auto &c : cases) {
    auto r = std::make_shared<Record>();
    Port::Process p;
    const char *argv[] = {"sh", "-c", c.script};
    ASSERT_EQ(p.Run(3, argv, recorder(r), c.pollMs, true, true, false), 0) << c.script;
    EXPECT_EQ(r->text, c.text) << c.script;
    EXPECT_GE(r->textCalls, c.minTextCalls) << c.script;
  }
}

// The command text reaches the child split with the Windows argument rules; the child prints
// each argument it got in brackets.
TEST(ProcessCommandSplit, FollowsTheWindowsArgumentRules) {
  struct Case {
    const char *args;
    const char *printed;
  } cases[] = {
      {"a b\tc", "[a][b][c]"},      {"\"a b\" c", "[a b][c]"}, {"a \"\" b", "[a][][b]"},
      {"a\\\\\"b c\"", "[a\\b c]"}, {"a\\\"b", "[a\"b]"},      {"a\\\\b", "[a\\\\b]"},
      {"x\"y\"\"z\"", "[xy\"z]"},
  };
  for (const Case &c : cases) {
    auto r = std::make_shared<Record>();
    Port::Process p;
    std::string cmd = std::string("bash -c \"for a; do echo -n \\\"[$a]\\\"; done\" sh ") + c.args;
    ASSERT_EQ(p.Run(cmd.c_str(), recorder(r), 50, true, true, false), 0) << cmd;
    EXPECT_EQ(r->text, c.printed) << cmd;
  }
}

class Collector : public Port_Process {
public:
  Collector() : Port_Process(0) {}
  void DispatchOutput(const char *text, unsigned char last, void *userData) override {
    text_ += text;
    maxChunk_ = std::max(maxChunk_, std::strlen(text));
    last_ = last;
    user_ = userData;
  }
  std::string text_;
  size_t maxChunk_ = 0;
  unsigned char last_ = 0;
  void *user_ = nullptr;
};

TEST(PortProcess, DispatchesAllOutputAndTheExitCode) {
  Collector c;
  int marker;
  c.SetUserData(&marker);
  const char *cmd = "sh -c \"seq 1 30000; exit 3\"";
  ASSERT_EQ(c.Run(cmd), 0);
  std::string expected;
  for (int i = 1; i <= 30000; ++i)
    expected += std::to_string(i) + "\n";
  EXPECT_EQ(c.text_, expected);
  EXPECT_EQ(c.user_, &marker);
  EXPECT_EQ(c.GetChildRetcode(), 3);
  EXPECT_EQ(c.GetProcessID(), 0xFFFFFFFFu);
}

TEST(PortProcessDeathTest, UnderWineReadsInBlocksAndLosesNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe"); // a fresh process reads the variable
  setenv("QEL_LINUX_WINE", "1", 1);
  EXPECT_EXIT(
      {
        Collector c;
        std::string expected;
        for (int i = 1; i <= 30000; ++i)
          expected += std::to_string(i) + "\n";
        int rc = c.Run("sh -c \"seq 1 30000; exit 3\"");
        std::exit(rc == 0 && c.text_ == expected && c.GetChildRetcode() == 3 && c.maxChunk_ <= 16384
                      ? 0
                      : 1);
      },
      ::testing::ExitedWithCode(0), "");
  unsetenv("QEL_LINUX_WINE");
}

TEST(PortProcess, ReportsInvalidAndUnknownCommands) {
  Collector c;
  EXPECT_EQ(c.GetProcessErrmsg(), nullptr);
  EXPECT_EQ(c.Run("a | b"), 2);
  EXPECT_EQ(c.Run("no_such_program_here_42"), 1);
  std::unique_ptr<wchar_t[]> w(c.GetProcessErrmsg());
  EXPECT_EQ(std::wstring(w.get()), L"no_such_program_here_42: No such file or directory");
}

} // namespace
