// The command format compiler: opcodes, groups, every compile error, the dump.
#include "cmd_test_util.h"

#include "Port_MsgDispatcher.h"
#include "capture_manager.h"

#include <gtest/gtest.h>

using cmdtest::Errors;
using cmdtest::keep;
using cmdtest::opsText;

namespace {

struct Compiled {
  std::string sw, arg;
  int groups;
};

Compiled compile(const char *fmt) {
  Errors errors;
  UT_CMDOPCODES ops(fmt, keep(errors));
  EXPECT_TRUE(errors.format.empty()) << fmt << ": " << errors.format[0];
  return {opsText(ops.getinfo().swops), opsText(ops.getinfo().argops), ops.getinfo().numgrps};
}

TEST(CmdFormat, CommandAloneIsOneEmptyGroup) {
  const Compiled c = compile("cmd");
  EXPECT_EQ("GROUP ENDGROUP 0", c.sw);
  EXPECT_EQ("GROUP ENDGROUP 0", c.arg);
  EXPECT_EQ(1, c.groups);
}

TEST(CmdFormat, SwitchesCompileToTheirOpcodeSequences) {
  EXPECT_EQ("GROUP SWITCH KEY '-o' ENDKEY VAR 'file' ENDSWITCH ENDGROUP 0",
            compile("cmd [-o <file>]").sw);
  EXPECT_EQ("GROUP SWITCH REPEAT KEY '-v' ENDKEY ENDSWITCH ENDGROUP 0", compile("cmd {-v}").sw);
  EXPECT_EQ("GROUP SWITCH KEY '-mode' ENDKEY KEY 'fast' 'slow' ENDKEY ENDSWITCH ENDGROUP 0",
            compile("cmd [-mode fast|slow]").sw);
  EXPECT_EQ("GROUP SECRETSW KEY '-dbg' ENDKEY ENDSWITCH ENDGROUP 0", compile("cmd [--dbg]").sw);
  EXPECT_EQ("GROUP SWITCH KEY '-a' '-all' ENDKEY ENDSWITCH ENDGROUP 0",
            compile("cmd [-a|-all]").sw);
  EXPECT_EQ("GROUP SWITCH KEY '+x' ENDKEY ENDSWITCH ENDGROUP 0", compile("cmd [+x]").sw);
}

TEST(CmdFormat, VariablesCarryTheirQualifiers) {
  EXPECT_EQ("GROUP VAR 'in' SUFFIX '.net|.edn' ENDGROUP 0", compile("cmd <in[.net|.edn]>").arg);
  EXPECT_EQ("GROUP VAR 'n' RANGE #-5 #5 ENDGROUP 0", compile("cmd <n:-5,5>").arg);
  EXPECT_EQ("GROUP VAR 'f' VARSUFFIX '<.log' ENDGROUP 0", compile("cmd <f<.log>>").arg);
  EXPECT_EQ("GROUP OPTION REPEAT VAR 'f' ENDREPEAT ENDOPTION ENDGROUP 0",
            compile("cmd [{<f>}]").arg);
  EXPECT_EQ("GROUP KEY 'on' 'off' ENDKEY ENDGROUP 0", compile("cmd on|off").arg);
  EXPECT_EQ("GROUP OPTION SECRETARG VAR 'x' ENDOPTION ENDGROUP 0", compile("cmd [&<x>]").arg);
  EXPECT_EQ("GROUP VAR 'a' KEY SECRETARG 'hid' 'vis' ENDKEY ENDGROUP 0",
            compile("cmd <a> &hid|vis").arg);
}

TEST(CmdFormat, ExplicitGroupsGetOffsetsInBothArrays) {
  Errors errors;
  UT_CMDOPCODES ops("cmd (<a>) | ([-x] <b> <c>)", keep(errors));
  ASSERT_FALSE(ops.iserror());
  const UT_OPCODEINFO &info = ops.getinfo();
  ASSERT_EQ(2, info.numgrps);
  EXPECT_EQ("GROUP VAR 'a' ENDGROUP GROUP VAR 'b' VAR 'c' ENDGROUP 0", opsText(info.argops));
  EXPECT_EQ(0, info.arggrpoff[0]);
  EXPECT_EQ(5, info.arggrpoff[1]); // GROUP, VAR, LITERAL + text, ENDGROUP
  EXPECT_EQ(0, info.swgrpoff[0]);
  EXPECT_EQ(2, info.swgrpoff[1]);
}

TEST(CmdFormat, NumbersAreAtMostTenDigits) {
  EXPECT_TRUE(isnumber("-2147483648"));
  EXPECT_TRUE(isnumber("+0"));
  EXPECT_FALSE(isnumber("12345678901"));
  EXPECT_FALSE(isnumber("-"));
  EXPECT_FALSE(isnumber("1e3"));
  EXPECT_FALSE(isnumber(""));
  // an eleven-digit word in a format is a keyword, not a number
  EXPECT_EQ("GROUP KEY '12345678901' ENDKEY ENDGROUP 0", compile("cmd 12345678901").arg);
  EXPECT_TRUE(is_helpsw("-HELP"));
  EXPECT_TRUE(is_helpsw("-?"));
  EXPECT_FALSE(is_helpsw("--help"));
}

struct BadFormat {
  const char *fmt;
  const char *message;
};

void PrintTo(const BadFormat &b, std::ostream *os) { *os << b.fmt; }

class CmdFormatError : public testing::TestWithParam<BadFormat> {};

TEST_P(CmdFormatError, IsReportedToTheHandlerVerbatim) {
  Errors errors;
  UT_CMDOPCODES ops(GetParam().fmt, keep(errors));
  EXPECT_TRUE(ops.iserror());
  ASSERT_EQ(1u, errors.format.size());
  EXPECT_EQ(GetParam().message, errors.format[0]);
  EXPECT_EQ(0, ops.getinfo().argops.getnum());
  EXPECT_EQ(0, ops.getinfo().swops.getnum());
}

const BadFormat kBadFormats[] = {
    {"", "The first word in the format string must be the cmd name."},
    {"<a>", "The first word in the format string must be the cmd name."},
    {"cmd (<a>", "Closing ')' expected."},
    {"cmd {<a>", "Closing '}' expected."},
    {"cmd [<a>", "Closing ']' expected."},
    {"cmd (<a> (<b>))", "Cannot nest groups '()'."},
    {"cmd <a>)", "Unexpected ')' found."},
    {"cmd <a> >", "Unexpected endvar '>' found."},
    {"cmd <a> | <b>", "Unexpected '|' found."},
    {"cmd (<a>) | <b>", "Unexpected '|' found."},
    {"cmd -x", "Unexpected switch found.  Switches need to be enclosed by []s."},
    {"cmd <a> :", "Unexpected ':' found."},
    {"cmd <a> ,", "Unexpected ',' found."},
    {"cmd {{<a>}}", "Cannot nest repeat {} clauses."},
    {"cmd {-a {-b}}", "Cannot nest repeating switches."},
    {"cmd <a> }", "Unexpected '}' found."},
    {"cmd <a> ]", "Unexpected ']' found."},
    {"cmd a&b", "The character '&' in keyword 'a&b' is not allowed."},
    {"cmd [-o&x]", "The character '&' in keyword '-o&x' is not allowed."},
    {"cmd [& x]", "& can only hide literal or variable"},
    {"cmd <a> &x", "Unexpected '&' found."},
    {"cmd <a> &<b>", "Unexpected '&' found."},
    {"cmd <>", "Literal expected inside of <>s."},
    {"cmd <a[]>", "Illegal token found inside of <>s."},
    {"cmd <a[.x|]>", "Illegal token found inside of <>s."},
    {"cmd <a[.x>", "Expecting a closing ']'."},
    {"cmd <a[.x]", "Expecting a closing '>'."},
    {"cmd <a[&.x]>", "Can't hide single literal argument."},
    {"cmd <n:x,5>", "Number expected after ':'."},
    {"cmd <n:1 5>", "A range indicator ',' is expected."},
    {"cmd <n:1,x>", "Number expected after ':'."},
    {"cmd <n:5,5>", "The min range must be less than the max range."},
    {"cmd <n:1,5", "An endvar '>' is expected."},
    {"cmd <a<>>", "Illegal token found inside of <>s."},
    {"cmd <a<.x>", "Expecting a closing '>'."},
    {"cmd <a b>", "Unknown token found inside of <>s."},
    {"cmd [-]", "A switch name is expected."},
    {"cmd [-h]", "The '-h' switch is reserved for help."},
    {"cmd [-HELP]", "The '-HELP' switch is reserved for help."},
    {"cmd [-?]", "The '-?' switch is reserved for help."},
    {"cmd [-f <file>]", "The '-f' switch is reserved for command files."},
    {"cmd [-a|b]", "Unexpected '|' found in switch statement."},
    {"cmd [-a|-b|c]", "Illegal term found.  Switch expected."},
    {"cmd [-a|-b}", "Unexpected '}' found."},
    {"cmd [-a|-b", "Unexpected EOL found.  Expecting a ']'."},
    {"cmd {-a <x>", "Expecting a '}' to terminate switch."},
    {"cmd <123456789012345678901234567890123456789012345678901234567890123456789012345678901234"
     "5678901234567890123456789012345678901234567890>",
     "A literal may hold at most 121 characters."},
};

INSTANTIATE_TEST_SUITE_P(All, CmdFormatError, testing::ValuesIn(kBadFormats));

TEST(CmdFormat, SecondUppercaseFIsAnOrdinarySwitch) {
  EXPECT_EQ("GROUP SWITCH KEY '-F' ENDKEY ENDSWITCH ENDGROUP 0", compile("cmd [-F]").sw);
}

TEST(CmdFormatDeathTest, ErrorWithoutHandlerIsFatalWithExitValue19) {
  EXPECT_EXIT(UT_CMDOPCODES("cmd <n:5,5>"), testing::ExitedWithCode(19),
              "Error at fmtstr\\[9\\]=\"5\"");
}

TEST(CmdFormat, DumpListsOpcodesAndOffsets) {
  porttest::CaptureManager capture;
  UT_CMDOPCODES ops("cmd [-n <c:1,9>]");
  {
    porttest::ScopedManager scoped(&capture);
    ops.dumpops();
  }
  std::wstring all;
  for (const auto &e : capture.entries())
    all += e.lines.at(0);
  EXPECT_EQ(L"Switch OPs are:\nOP_GROUP\nOP_SWITCH\nOP_KEY\nOP_LITERAL\n-n\nOP_ENDKEY\nOP_VAR\n"
            L"OP_LITERAL\nc\nOP_RANGE\nOP_NUMBER\n1\nOP_NUMBER\n9\nOP_ENDSWITCH\nOP_ENDGROUP\n"
            L"Arg OPs are:\nOP_GROUP\nOP_ENDGROUP\nNumber of grps = 1\n"
            L"Grp arg and sw offsets are:\narggrpoff[0]=0     swgrpoff[0]=0\n",
            all);
}

} // namespace
