// The checker: switches, collapsed switches, ranges, extensions, keywords, repeats, groups, and
// the error it reports; usage lines.
#include "cmd_test_util.h"

#include "Port_MsgDispatcher.h"
#include "capture_manager.h"

#include <gtest/gtest.h>

#include <memory>

using cmdtest::Errors;
using cmdtest::keep;

namespace {

const char *const kFormat = "cmd <in[.net]> [-o <out>] [-n <count:1,100>] {-v} [-x]";

struct Checked {
  bool ok;
  std::wstring error; // the command-line error handed to the handler
  std::vector<std::string> args;
  std::vector<std::string> switches;
  bool usage;
};

Checked check(const char *fmt, std::vector<const char *> argv) {
  Errors errors;
  UT_CMDOPCODES ops(fmt);
  UT_ARGINFO info;
  porttest::CaptureManager quiet; // keeps the usage line off the console
  porttest::ScopedManager scoped(&quiet);
  UT_CMDCHK chk(keep(errors));
  Checked c;
  c.ok = chk.chkargs(static_cast<int>(argv.size()), argv.data(), ops, info);
  c.error = errors.cmdline.empty() ? L"" : errors.cmdline[0];
  for (int i = 0; i < info.numargs; ++i)
    c.args.push_back(info.args[i].getargtxt());
  for (int i = 0; i < info.numsw; ++i) {
    std::string sw = info.switches[i].getswname();
    for (short k = 0; k < info.switches[i].getnumargs(); ++k)
      sw += std::string("=") + info.switches[i].getargtxt(k);
    c.switches.push_back(sw);
  }
  c.usage = info.usagegiven != 0;
  EXPECT_EQ(c.ok, info.error == 0);
  return c;
}

struct Case {
  std::vector<const char *> argv;
  const wchar_t *error; // empty when the check passes
};

void PrintTo(const Case &c, std::ostream *os) {
  for (const char *a : c.argv)
    *os << a << ' ';
}

class CmdCheck : public testing::TestWithParam<Case> {};

TEST_P(CmdCheck, ReportsTheExpectedError) {
  const Checked c = check(kFormat, GetParam().argv);
  EXPECT_EQ(GetParam().error, c.error);
  EXPECT_EQ(c.ok, c.error.empty());
}

const Case kCases[] = {
    {{"a", "-v", "-v", "-vx"}, L""},
    {{"a", "-n", "0"},
     L"Argument[3] <count> is not in range for the switch \"-n\". It must be between 1 and "
     L"100.\n"},
    {{"a", "-n", "x"},
     L"Expecting an integer value for argument[3] <count> of the switch \"-n\".  \"x\" is "
     L"invalid.\n"},
    {{"a", "-n"}, L"Argument <count> must be specified for the switch \"-n\".\n"},
    {{"a", "-o", "-v"}, L"Argument <out> must be specified for the switch \"-o\".\n"},
    {{"a", "-x", "-x"}, L"Switch \"-x\" is excluded or already used.\n"},
    {{"a", "-x", "-vx"}, L"Switch \"-x\" is excluded or already used.\n"},
    {{"a", "-q"}, L"Switch \"-q\" is not allowed.\n"},
    {{"a", "-vq"}, L"Switch \"-vq\" is not allowed.\n"},
    {{"a", "b"}, L"Unexpected argument[2] \"b\" found.\n"},
    {{"a", "-5"}, L"Unexpected argument[2] \"-5\" found.\n"},
    {{"-v"}, L"Argument <in> must be specified.\n"},
    {{"a.b"},
     L"Argument \"a.b\" has an invalid extension.  The valid extension is \".net\".  If your "
     L"file name has more than one \".\" in it you must explicitly enter the full file name "
     L"with its extension.\n"},
};

INSTANTIATE_TEST_SUITE_P(Format, CmdCheck, testing::ValuesIn(kCases));

TEST(CmdCheckResult, ExtensionIsAddedWhenTheNameHasNone) {
  EXPECT_EQ(std::vector<std::string>{"a.net"}, check(kFormat, {"a"}).args);
  EXPECT_EQ(std::vector<std::string>{"a.NET"}, check(kFormat, {"a.NET"}).args);
  EXPECT_EQ(std::vector<std::string>{"dir.x/a.net"}, check(kFormat, {"dir.x/a"}).args);
  EXPECT_EQ(std::vector<std::string>{"dir.x\\a.net"}, check(kFormat, {"dir.x\\a"}).args);
  EXPECT_EQ(std::vector<std::string>{"x.log"}, check("cmd <f<.log>>", {"x"}).args);
  EXPECT_EQ(std::vector<std::string>{"x.txt"}, check("cmd <f<.log>>", {"x.txt"}).args);
}

TEST(CmdCheckResult, SwitchesKeepCommandLineOrderAndCollapsedOnesAreSplit) {
  const Checked c = check(kFormat, {"-vx", "-n", "7", "a", "-o", "out"});
  ASSERT_TRUE(c.ok);
  EXPECT_EQ((std::vector<std::string>{"-v", "-x", "-n=7", "-o=out"}), c.switches);
  EXPECT_EQ(std::vector<std::string>{"a.net"}, c.args);
}

TEST(CmdCheckResult, NumbersAndVariableNamesAreRecorded) {
  Errors errors;
  UT_CMDOPCODES ops("cmd <n:-10,40000> [-s <size:1,9>]");
  UT_ARGINFO info;
  const char *argv[] = {"-s", "3", "40000"};
  ASSERT_TRUE(UT_CMDCHK(keep(errors)).chkargs(3, argv, ops, info));
  ASSERT_EQ(1, info.numargs);
  EXPECT_TRUE(info.args[0].isnum());
  EXPECT_EQ(40000, info.args[0].getargnum32());
  EXPECT_STREQ("n", info.args[0].getargname());
  EXPECT_EQ(2, info.args[0].getargvindex());
  UT_CMDARGINFO *size = info.switches[0].getarg("size", 0);
  ASSERT_NE(nullptr, size);
  EXPECT_EQ(3, size->getargnum());
  EXPECT_TRUE(size->isnum());
}

TEST(CmdCheckResult, KeywordsRepeatsAndOptionalParts) {
  const char *fmt = "cmd mode fast|slow [<level:1,3>] {<file>} [-k <kind> on|off]";
  EXPECT_TRUE(check(fmt, {"mode", "fast"}).ok);
  EXPECT_EQ((std::vector<std::string>{"mode", "slow", "2", "f1", "f2"}),
            check(fmt, {"mode", "slow", "2", "f1", "f2"}).args);
  EXPECT_EQ(L"Argument[2] \"medium\" needs to match one of these keywords: \"fast|slow\".\n",
            check(fmt, {"mode", "medium"}).error);
  EXPECT_EQ(L"Missing a keyword argument.  You must specify: \"fast|slow\".\n",
            check(fmt, {"mode"}).error);
  EXPECT_EQ(L"Switch \"-k\" has invalid value. Argument[5] \"maybe\" needs to match one of "
            L"these keywords: \"on|off\".\n",
            check(fmt, {"mode", "fast", "-k", "t", "maybe"}).error);
}

TEST(CmdCheckResult, TheGroupThatMatchedMostReportsItsError) {
  const char *fmt = "cmd (<a> x) | (<b> y z)";
  EXPECT_EQ((std::vector<std::string>{"1", "y", "z"}), check(fmt, {"1", "y", "z"}).args);
  // the second group marks two arguments before it fails, the first only one
  EXPECT_EQ(L"Argument[3] \"w\" needs to match one of these keywords: \"z\".\n",
            check(fmt, {"1", "y", "w"}).error);
}

TEST(CmdCheckResult, UsageIsGivenForHelpOrAMissingRequiredArgument) {
  Checked c = check(kFormat, {});
  EXPECT_TRUE(c.ok);
  EXPECT_TRUE(c.usage);
  c = check(kFormat, {"-H"});
  EXPECT_TRUE(c.ok);
  EXPECT_TRUE(c.usage);
  // nothing required: an empty command line is checked, and passes
  c = check("cmd [<a>] {-v}", {});
  EXPECT_TRUE(c.ok);
  EXPECT_FALSE(c.usage);
}

// Checks "a -q" against kFormat (the switch -q is not allowed) with a capturing manager in place.
struct CapturedCheck {
  bool passed;
  bool usageGiven;
  bool error;
  std::vector<porttest::CaptureManager::Entry> entries;
};
CapturedCheck checkUnknownSwitch(bool quiet) {
  UT_CMDOPCODES ops(kFormat);
  CapturedCheck result;
  porttest::CaptureManager capture;
  const char *argv[] = {"a", "-q"};
  {
    porttest::ScopedManager scoped(&capture);
    auto checker = quiet ? std::make_unique<UT_CMDCHK>(static_cast<unsigned char>(1))
                         : std::make_unique<UT_CMDCHK>();
    UT_ARGINFO info;
    result.passed = checker->chkargs(2, argv, ops, info);
    result.usageGiven = info.usagegiven;
    result.error = info.error;
  }
  result.entries = capture.entries();
  return result;
}

TEST(CmdCheckResult, ErrorGoesOutAsMessageFollowedByUsageLine) {
  const CapturedCheck c = checkUnknownSwitch(false);
  EXPECT_FALSE(c.passed);
  ASSERT_EQ(2u, c.entries.size());
  EXPECT_EQ(Port_MsgMan::MSG_ERROR, c.entries[0].type);
  EXPECT_NE(std::wstring::npos,
            c.entries[0].lines[0].find(L"Command line error: Switch \"-q\" is not allowed."));
  EXPECT_EQ(Port_MsgMan::MSG_STATUS, c.entries[1].type);
  EXPECT_EQ(L"Usage: cmd [-o <out>] [-n <count:1,100>] {-v} [-x] <in[.net]>\n",
            c.entries[1].lines[0]);
  EXPECT_TRUE(c.usageGiven);
}

TEST(CmdCheckResult, QuietCheckWritesNothing) {
  const CapturedCheck c = checkUnknownSwitch(true);
  EXPECT_FALSE(c.passed);
  EXPECT_TRUE(c.entries.empty());
  EXPECT_TRUE(c.error);
}

TEST(CmdCheckResult, CheckLeavesTheCompiledFormatAsItWas) {
  UT_CMDOPCODES ops(kFormat);
  const std::string before = cmdtest::opsText(ops.getinfo().swops);
  UT_ARGINFO info;
  const char *argv[] = {"a", "-x", "-v"};
  ASSERT_TRUE(UT_CMDCHK().chkargs(3, argv, ops, info));
  EXPECT_EQ(before, cmdtest::opsText(ops.getinfo().swops));
  ASSERT_TRUE(UT_CMDCHK().chkargs(3, argv, ops, info)); // -x may be used again
}

struct UsageCase {
  const char *fmt;
  const char *usage;
};

class CmdUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(CmdUsage, LineIsExact) { EXPECT_EQ(GetParam().usage, cmdtest::usageOf(GetParam().fmt)); }

const UsageCase kUsages[] = {
    {"cmd <in[.net]> [-o <out>] [-n <count:1,100>] {-v} [-x] [--secret]",
     "Usage: cmd [-o <out>] [-n <count:1,100>] {-v} [-x] <in[.net]>"},
    {"cmd", "Usage: cmd "},
    {"tool [-m fast|slow] <f<.log>> [{<more>}]", "Usage: tool [-m fast|slow] <f<.log>> [{<more>}]"},
    {"tool [-a|-all] mode &hid|on|off", "Usage: tool [-a|-all] mode on|off"},
    {"tool <a> [&<b>] {-d <x>}", "Usage: tool {-d <x>} <a> "},
    {"cmd (<a>) | (<b> <c>)", "Usage: cmd  ( <a>) | ( <b> <c>) "},
    {"cmd [--a <x> [-b]] [-c]", "Usage: cmd [-c] "},
};

INSTANTIATE_TEST_SUITE_P(Formats, CmdUsage, testing::ValuesIn(kUsages));

} // namespace
