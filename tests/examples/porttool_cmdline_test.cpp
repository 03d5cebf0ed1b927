// porttool's command line in the format language: checked modes, usage and help, command
// files, the banner.
#include "child_process.h"
#include "porttool_env.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

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

TEST(PortToolCmdline, ErrorPrintsTheMessageTheUsageLineAndTheHelp) {
  const ChildResult r = runProgram(kTool, {"check", "-n", "0"}, kEnv);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos,
            r.err.find("Command line error: Argument[3] <count> is not in range\n   for the "
                       "switch \"-n\". It must be between 1 and 100.\n"))
      << r.err;
  EXPECT_EQ(0u,
            r.out.find("Usage: porttool  ( ) | ( quiet [<missing>]) | ( fatal [<value:0,255>])"));
  EXPECT_NE(std::string::npos, r.out.find("porttool - a small utility of the suite"));
}

TEST(PortToolCmdline, HelpSwitchShowsUsageAndTheShippedHelpFile) {
  const ChildResult r = runProgram(kTool, {"-h"}, kEnv);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(0u, r.out.find("Usage: porttool "));
  EXPECT_NE(std::string::npos, r.out.find("\n \nporttool - a small utility of the suite built on "
                                          "the Portability library.\n"));
  EXPECT_NE(std::string::npos, r.out.find("  -h                  this help\n"));
  EXPECT_TRUE(r.err.empty()) << r.err;
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
  const ChildResult r = runProgram(kTool, {"version"}, kEnv);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(0u, r.out.find("Release 1.1 - porttool example\n"));
}

TEST(PortToolCmdline, ValueOutsideAnOptionalRangeIsNotTakenForIt) {
  // the optional <value:0,255> does not match 300, so 300 is left over
  const ChildResult r = runProgram(kTool, {"fatal", "300"}, kEnv);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.err.find("Unexpected argument[2] \"300\" found."));
}
