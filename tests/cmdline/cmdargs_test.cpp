// The argument object: accessors and shifts, the command lines it gives back, help files,
// command files and the banner.
#include "cmd_test_util.h"

#include "basutcmdfil.h"
#include "capture_manager.h"
#include "child_process.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

namespace {

const std::map<std::string, std::string> kEnv = {{"QEL_NO_TRANSLATE", porttest::kUnset},
                                                 {"QEL_NO_MESSAGE_HEADER", porttest::kUnset},
                                                 {"QEL_MAXLINEWIDTH", porttest::kUnset},
                                                 {"LANGUAGE", porttest::kUnset},
                                                 {"LANG", "C"},
                                                 {"LC_ALL", porttest::kUnset},
                                                 {"MYQUELMO", porttest::kUnset}};

// Runs the probe with QUELMO naming an installation made from the shipped one plus files.
porttest::ChildResult probe(const porttest::TempTree &tree, const std::vector<std::string> &args) {
  std::map<std::string, std::string> env = kEnv;
  env["QUELMO"] = tree.root() + "/inst;" + porttest::installTree();
  return porttest::runProgram(porttest::testProgram("cmdargsprobe"), args, env);
}

UT_CMDARGS *quietArgs(std::vector<const char *> argv, const char *fmt, unsigned short flags = 0) {
  porttest::CaptureManager capture;
  porttest::ScopedManager scoped(&capture);
  return new UT_CMDARGS(static_cast<int>(argv.size()), argv.data(), fmt, nullptr, flags);
}

TEST(CmdArgs, AccessorsShiftsAndNamedLookups) {
  std::unique_ptr<UT_CMDARGS> args(
      quietArgs({"tool", "-v", "a", "-v", "b", "-o", "x"}, "tool <first> <second> {-v} [-o <f>]"));
  ASSERT_FALSE(args->iserror());
  EXPECT_EQ(2, args->getnumargs());
  EXPECT_EQ(3, args->getnumsw());
  EXPECT_EQ(nullptr, args->getsw("-v", 2));
  ASSERT_NE(nullptr, args->getsw("-v", 1));
  EXPECT_EQ(2, args->getsw("-v", 1)->getargvindex()); // argv without the program name
  EXPECT_TRUE(args->findsw("-o"));
  EXPECT_FALSE(args->findsw("+o"));
  EXPECT_STREQ("b", args->getarg("second", 0)->getargtxt());
  args->shift();
  EXPECT_EQ(1, args->getnumargs());
  EXPECT_STREQ("b", args->getarg(0)->getargtxt());
  EXPECT_EQ(nullptr, args->getarg("first", 0));
  args->shift();
  args->shift(); // stops at the count
  EXPECT_EQ(0, args->getnumargs());
  args->reset();
  EXPECT_EQ(2, args->getnumargs());
  args->shiftsw();
  EXPECT_STREQ("-v", args->getsw(0)->getswname());
  EXPECT_EQ(2, args->getsw(0)->getargvindex());
}

TEST(CmdArgsDeathTest, IndexOutOfRangeIsFatal) {
  std::unique_ptr<UT_CMDARGS> args(quietArgs({"tool", "a", "b"}, "tool <x> <y>"));
  args->shift();
  EXPECT_EXIT(args->getarg(1), testing::ExitedWithCode(19), "getarg: Arg index out of");
  EXPECT_EXIT(args->getsw(0), testing::ExitedWithCode(19), "getsw: Switch index out");
}

TEST(CmdArgsDeathTest, SixteenBitNumberBoundIsKept) {
  std::unique_ptr<UT_CMDARGS> args(
      quietArgs({"tool", "40000", "-32767"}, "tool <n:0,50000> <m:-40000,0>"));
  ASSERT_FALSE(args->iserror());
  EXPECT_EQ(40000, args->getarg(0)->getargnum32());
  EXPECT_EQ(-32767, args->getarg(1)->getargnum());
  EXPECT_EXIT(args->getarg(0)->getargnum(), testing::ExitedWithCode(19), "getargnum: value out of");
}

TEST(CmdArgs, CommandLinesGivenBack) {
  std::unique_ptr<UT_CMDARGS> args(
      quietArgs({"tool", "my file", "-o", "say \"hi\" now", "-v"}, "tool <f> [-o <out>] [-v]"));
  ASSERT_FALSE(args->iserror());
  EXPECT_STREQ("tool \"my file\" -o \"say \"hi\" now\" -v", args->getorigcmdline());
  char *line = args->getcmdline();
  EXPECT_STREQ("-o \"say \"\"hi\"\" now\" -v \"my file\" ", line);
  delete[] line;
}

TEST(CmdArgs, CompiledFormatConstructorChecksTheWholeVector) {
  UT_CMDOPCODES ops("tool <a> [-v]");
  porttest::CaptureManager capture;
  porttest::ScopedManager scoped(&capture);
  UT_CMDARGS good(2, std::vector<const char *>{"x", "-v"}.data(), &ops);
  EXPECT_FALSE(good.iserror());
  EXPECT_EQ(1, good.getnumargs());
  cmdtest::Errors errors;
  UT_CMDOPCODES bad("tool <a", cmdtest::keep(errors));
  UT_CMDARGS failed(1, std::vector<const char *>{"x"}.data(), &bad);
  EXPECT_TRUE(failed.iserror());
}

TEST(CmdArgs, CommandFileIsExpandedAndAFailedLoadIsAnError) {
  porttest::TempTree tree;
  const std::string file = tree.write("args.txt", "-y 3\n");
  std::unique_ptr<UT_CMDARGS> args(
      quietArgs({"tool", "-f", file.c_str(), "-x"}, "tool [-x] [-y <n:1,5>]"));
  EXPECT_FALSE(args->iserror());
  ASSERT_EQ(2, args->getnumsw());
  EXPECT_STREQ("-y", args->getsw(0)->getswname());
  EXPECT_EQ(3, args->getsw(0)->getargnum(0));
  args.reset(quietArgs({"tool", "-f", (tree.root() + "/none.txt").c_str(), "-x"},
                       "tool [-x] [-y <n:1,5>]"));
  EXPECT_TRUE(args->iserror());
  // with command files switched off "-f" is an ordinary (here unknown) switch
  args.reset(
      quietArgs({"tool", "-f", file.c_str()}, "tool [-x] [-y <n:1,5>]", UT_CMDARGS_NO_CMDFILE));
  EXPECT_TRUE(args->iserror());
}

TEST(CmdArgsHelp, HelpSwitchPrintsUsageThenTheBaseHelpFile) {
  porttest::TempTree tree;
  tree.write("inst/base/msgs/usenglish/tool.usg", "Tool help, first line.\nSecond line.\n");
  const auto r = probe(tree, {"tool.exe <a> [-v]", "tool", "-h"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("Usage: tool.exe [-v] <a>\n \nTool help, first line.\nSecond line.\nerror=0 usage=1\n"
            "cmdline=[]\norig=[tool -h]\n",
            r.out);
}

TEST(CmdArgsHelp, UnknownArchitectureIsNamedThenBaseHelpFollows) {
  porttest::TempTree tree;
  tree.write("inst/data/tool.usg", "Data help.\n");
  tree.write("inst/archy/data/tool.usg", "Archy help.\n");
  auto r = probe(tree, {"tool <a>", "tool", "-h", "ARCHX"});
  EXPECT_NE(std::string::npos,
            r.out.find("There is no archx architecture specific help available for tool.  The\n"
                       "architecture independent help is instead provided below.\n \nData help.\n"))
      << r.out;
  r = probe(tree, {"tool <a>", "tool", "-h", "archy"});
  EXPECT_NE(std::string::npos, r.out.find(" \nArchy help.\n")) << r.out;
}

TEST(CmdArgsHelp, ErrorShowsHelpWithoutTakingAnArgumentForAnArchitecture) {
  porttest::TempTree tree;
  tree.write("inst/data/tool.usg", "Data help.\n");
  const auto r = probe(tree, {"tool <a>", "tool", "x", "y"});
  EXPECT_NE(std::string::npos, r.err.find("Command line error: Unexpected argument[2] \"y\""));
  EXPECT_EQ(std::string::npos, r.out.find("architecture specific")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("Usage: tool <a>\n \nData help.\nerror=1 usage=1\n"));
}

TEST(CmdArgsHelp, WithoutAHelpFileTheHelpFunctionIsCalled) {
  porttest::TempTree tree;
  const auto r = probe(tree, {"nohelp <a>", "nohelp", "-?"});
  EXPECT_NE(std::string::npos, r.out.find("Usage: nohelp <a>\nhelp function called\n")) << r.out;
}

TEST(CmdArgsHelp, BannerIsPrintedWithNamesUnlessUsageWasGiven) {
  porttest::TempTree tree;
  auto r = probe(tree, {"names", "tool <a>", "tool", "x"});
  EXPECT_EQ(0u, r.out.find("Release 1.1 - probe build\nCopyright")) << r.out;
  r = probe(tree, {"names", "tool <a> [-intstyle]", "tool", "x", "-intstyle"});
  EXPECT_EQ(std::string::npos, r.out.find("Release")) << r.out;
  r = probe(tree, {"names", "tool <a>", "tool", "-h"});
  EXPECT_EQ(0u, r.out.find("Release 1.1 - probe build\nCopyright")) << r.out;
  EXPECT_EQ(1u, [&] {
    size_t n = 0;
    for (size_t at = r.out.find("Release"); at != std::string::npos;
         at = r.out.find("Release", at + 1))
      ++n;
    return n;
  }());
}

TEST(CmdArgsHelp, TopicHelpGetsTheSecondArgument) {
  porttest::TempTree tree;
  const auto r = probe(tree, {"topic", "tool <a>", "tool", "-help", "colours"});
  EXPECT_NE(std::string::npos, r.out.find("topic help for colours\n")) << r.out;
}

} // namespace
