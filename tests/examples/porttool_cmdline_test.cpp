// porttool's command line in the format language: checked modes, usage and help, command
// files, the banner.
#include "child_process.h"
#include "porttool_env.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using porttest::ChildResult;
using porttest::kUnset;
using porttest::runProgram;

namespace {
const std::string &kTool = porttest::kPortTool;
const std::map<std::string, std::string> kEnv =
    porttest::portToolEnv({{"MYQUELMO", porttest::kUnset}});
} // namespace

TEST(PortToolCmdline, CheckModeReportsSwitchesAndFilesWithTheirExtension) {
  const ChildResult r =
      runProgram(kTool, {"check", "-n", "5", "-vv", "-mode", "slow", "a", "b.txt"}, kEnv);
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("Release 1.1 - porttool check\n"
            "Copyright (c) 2026 The Portability developers.  All rights reserved.\n"
            "count=5 mode=slow out=- verbose=2\nfile a.txt\nfile b.txt\n"
            "checked: -n 5 -v -v -mode slow check a.txt b.txt \n",
            r.out);
}

// A wrong command line: the error and one line of advice on standard error, nothing on
// standard output, exit value 2.
TEST(PortToolCmdline, ErrorPrintsTheMessageAndTheAdviceAndExitsWithTwo) {
  const struct {
    std::vector<std::string> args;
    const char *err;
  } cases[] = {
      {{"check", "-n", "0"},
       "porttool: Argument[3] <count> is not in range for the switch \"-n\". It must be between "
       "1 and 100.\ntry 'porttool -h'\n"},
      // the optional <value:0,255> does not match 300, so 300 is left over
      {{"fatal", "300"}, "porttool: Unexpected argument[2] \"300\" found.\ntry 'porttool -h'\n"},
      {{"--log"}, "porttool: --log wants the name of a log file\ntry 'porttool -h'\n"},
  };
  for (const auto &c : cases) {
    const ChildResult r = runProgram(kTool, c.args, kEnv);
    EXPECT_EQ(2, r.status) << c.err;
    EXPECT_EQ(c.err, r.err);
    EXPECT_EQ("", r.out);
  }
  const ChildResult r = runProgram(kTool, {"check", "-f", "/no/such/args.txt"}, kEnv);
  EXPECT_EQ(2, r.status);
  EXPECT_NE(std::string::npos, r.err.find("\"/no/such/args.txt\"")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("\ntry 'porttool -h'\n")) << r.err;
}

// The help file is shown as it is laid out: each of its lines is one line of the output.
TEST(PortToolCmdline, HelpShowsUsageAndTheShippedHelpFileWithItsLayout) {
  std::ifstream file(std::string(PORT_TEST_SOURCE_TREE) +
                     "/install/base/msgs/usenglish/porttool.usg");
  std::string help((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(help.empty());
  for (const char *word : {"-h", "--help"}) {
    const ChildResult r = runProgram(kTool, {word}, kEnv);
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(0u, r.out.find("Usage: porttool ")) << word;
    EXPECT_NE(std::string::npos, r.out.find("\n \n" + help)) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("  -h, --help          this help\n"));
    EXPECT_TRUE(r.err.empty()) << r.err;
  }
  // The modes that read their own words give the same help.
  for (const char *mode : {"compress", "run"}) {
    const ChildResult r = runProgram(kTool, {mode, "--help"}, kEnv);
    EXPECT_EQ(0, r.status) << mode;
    EXPECT_NE(std::string::npos, r.out.find(help)) << mode;
  }
}

TEST(PortToolCmdline, CommandFileSuppliesArguments) {
  porttest::TempTree tree;
  const std::string file =
      tree.write("args.txt", "# the usual options\n-o \"out file\" -n 42\n\"my notes\"\n");
  const ChildResult r = runProgram(kTool, {"check", "-f", file, "more"}, kEnv);
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos,
            r.out.find("count=42 mode=fast out=out file verbose=0\nfile my notes.txt\n"
                       "file more.txt\n"))
      << r.out;
}

TEST(PortToolCmdline, VersionModeShowsTheBannerOfTheShippedFileset) {
  for (const char *word : {"version", "--version"}) {
    const ChildResult r = runProgram(kTool, {word}, kEnv);
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(0u, r.out.find("Release 1.1 - porttool example\n")) << word;
  }
}
