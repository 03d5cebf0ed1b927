// Port::CmdLine: splitting, joining, the command name, meta characters.
#include "Port_CmdLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> argvOf(Port::CmdLine &c) {
  std::vector<std::string> out;
  const char *const *argv = c.get_argv();
  for (int i = 0; argv && i < c.get_argc(); ++i)
    out.push_back(argv[i]);
  if (argv) {
    EXPECT_EQ(nullptr, argv[c.get_argc()]);
  }
  return out;
}

TEST(CmdLineValue, TextIsSplitWithQuotedSections) {
  Port::CmdLine c("prog a \"b c\" d\"e f\"g \"\"");
  EXPECT_EQ((std::vector<std::string>{"prog", "a", "b c", "de fg", ""}), argvOf(c));
  EXPECT_STREQ("prog", c.get_cmdname());
}

// The command name is the first token as splitting reads it, whichever of the name and the
// vector is asked for first.
TEST(CmdLineValue, CommandNameIsTheFirstTokenInEitherOrder) {
  const struct {
    const char *text;
    const char *name;
  } cases[] = {{"prog a b", "prog"},
               {"prog\"a%\"a x", "proga%a"},
               {"\"my prog\" a b", "my prog"},
               {"  lead \"\" x", "lead"},
               {"\"\"x y", "x"}};
  for (const auto &c : cases) {
    Port::CmdLine nameFirst(c.text);
    EXPECT_STREQ(c.name, nameFirst.get_cmdname()) << c.text;
    ASSERT_NE(nullptr, nameFirst.get_argv()) << c.text;
    EXPECT_STREQ(c.name, nameFirst.get_argv()[0]) << c.text;
    EXPECT_STREQ(c.name, nameFirst.get_cmdname()) << c.text;

    Port::CmdLine vectorFirst(c.text);
    ASSERT_NE(nullptr, vectorFirst.get_argv()) << c.text;
    EXPECT_STREQ(c.name, vectorFirst.get_argv()[0]) << c.text;
    EXPECT_STREQ(c.name, vectorFirst.get_cmdname()) << c.text;
  }
}

TEST(CmdLineValue, UnterminatedQuoteMakesTheObjectInvalid) {
  Port::CmdLine c("prog \"abc");
  EXPECT_EQ(nullptr, c.get_argv());
  EXPECT_EQ(0, c.get_argc());
  EXPECT_EQ(nullptr, c.get_cmdline());
  EXPECT_EQ(nullptr, c.get_cmdname());
}

TEST(CmdLineValue, VectorIsJoinedWithoutQuotes) {
  const char *argv[] = {"prog", "x y", "", "z", nullptr};
  Port::CmdLine fromCount(4, argv);
  EXPECT_STREQ("prog x y z ", fromCount.get_cmdline());
  EXPECT_STREQ("prog", fromCount.get_cmdname());
  Port::CmdLine fromNull(argv);
  EXPECT_EQ(4, fromNull.get_argc());
  Port::CmdLine copy(fromNull);
  EXPECT_STREQ("prog x y z ", copy.get_cmdline());
}

TEST(CmdLineValue, InvalidInputs) {
  EXPECT_EQ(nullptr, Port::CmdLine("").get_cmdline());
  EXPECT_EQ(nullptr, Port::CmdLine(static_cast<const char *>(nullptr)).get_cmdline());
  EXPECT_EQ(nullptr, Port::CmdLine(0, nullptr).get_argv());
  const char *empty[] = {nullptr};
  EXPECT_EQ(nullptr, Port::CmdLine(empty).get_cmdname());
}

TEST(CmdLineValue, CommandNameIsReplacedInEveryForm) {
  Port::CmdLine text("prog a");
  text.set_cmdname("tool2");
  EXPECT_STREQ("tool2 a", text.get_cmdline());
  EXPECT_EQ((std::vector<std::string>{"tool2", "a"}), argvOf(text));
  const char *argv[] = {"prog", "b"};
  Port::CmdLine vec(2, argv);
  vec.get_cmdline();
  vec.set_cmdname("t3");
  EXPECT_STREQ("t3 b ", vec.get_cmdline());
  EXPECT_STREQ("t3", vec.get_cmdname());
}

TEST(CmdLineValue, MetaCharacters) {
  EXPECT_TRUE(Port::CmdLine("ls *.c").chk_meta());
  EXPECT_TRUE(Port::CmdLine("a | b").chk_meta());
  EXPECT_TRUE(Port::CmdLine("echo %PATH%").chk_meta());
  EXPECT_FALSE(Port::CmdLine("ls a.c").chk_meta());
}

TEST(CmdLineValue, EscapedQuoteAfterTheFirstKeepsItsBackslash) {
  // a later quote after a single backslash gets a second backslash; the first quote does not
  EXPECT_STREQ("a \\\" \"b\\\\\" c\\\\\"", Port::CmdLine("a \\\" \"b\\\" c\\\"").get_cmdline());
  EXPECT_STREQ("x \"a\\\\\"\"", Port::CmdLine("x \"a\\\\\"\"").get_cmdline());
}

} // namespace
