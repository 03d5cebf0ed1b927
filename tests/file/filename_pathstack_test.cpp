// The path-component stack: pushing and popping directories at either end of the path.
#include "Port_FileName.h"
#include "Port_MsgDispatcher.h"

#include "capture_manager.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using Port::FileName;

namespace {

std::string S(const Port::StringBase<char> &s) { return std::string(s.GetBuffer(), s.GetLength()); }

struct PushCase {
  bool atStart;
  const char *path, *dir, *result;
};
void PrintTo(const PushCase &c, std::ostream *os) {
  *os << (c.atStart ? "start" : "end") << " \"" << c.path << "\" + \"" << (c.dir ? c.dir : "(null)")
      << '"';
}

class PushTest : public ::testing::TestWithParam<PushCase> {};

TEST_P(PushTest, KeepsPathInvariants) {
  const PushCase &c = GetParam();
  FileName f;
  f.SetPath(c.path);
  if (c.atStart)
    f.PushPathStart(c.dir);
  else
    f.PushPathEnd(c.dir);
  EXPECT_EQ(c.result, S(f.GetPath()));
}

INSTANTIATE_TEST_SUITE_P(
    Stack, PushTest,
    ::testing::Values(
        PushCase{true, "rel\\", "x", "x\\rel\\"}, PushCase{true, "rel\\", "/a/b/", "\\a\\b\\rel\\"},
        PushCase{true, "", "x", "x\\"}, PushCase{true, "", "x/y", "x\\y\\"},
        PushCase{true, "", "", ""}, PushCase{true, "rel\\", nullptr, "rel\\"},
        PushCase{true, "rel\\", "a\\\\", "a\\rel\\"}, PushCase{false, "\\a\\", "b", "\\a\\b\\"},
        PushCase{false, "\\a\\", "\\b/c", "\\a\\b\\c\\"}, PushCase{false, "", "\\b", "\\b\\"},
        PushCase{false, "", "b", "b\\"}, PushCase{false, "\\a\\", "", "\\a\\"},
        PushCase{false, "\\a\\", nullptr, "\\a\\"}));

class PushPathStartMessage : public ::testing::Test {
protected:
  void SetUp() override { Port_MsgDispatcher::getDefaultMsgMan()->disable(); }
  void TearDown() override { Port_MsgDispatcher::getDefaultMsgMan()->enable(); }
};

TEST_F(PushPathStartMessage, AbsolutePathRefusesAndReportsStatus) {
  porttest::CaptureManager capture;
  porttest::ScopedManager reg(&capture);
  FileName f("C:\\abs\\f.c");
  f.PushPathStart("x");
  EXPECT_EQ("\\abs\\", S(f.GetPath()));
  const auto entries = capture.entries();
  ASSERT_EQ(1u, entries.size());
  EXPECT_EQ(Port_MsgMan::MSG_STATUS, entries[0].type);
  std::wstring all;
  for (const auto &line : entries[0].lines)
    all += line;
  EXPECT_NE(std::wstring::npos, all.find(L"Prepending components to an absolute path is invalid."))
      << std::string(all.begin(), all.end());

  FileName rel("rel\\f.c");
  rel.PushPathStart("x");
  EXPECT_EQ(1u, capture.entries().size());
  EXPECT_EQ("x\\rel\\", S(rel.GetPath()));
}

TEST(PathStack, PopsFromEitherEnd) {
  const struct {
    const char *path;
    bool fromEnd;
    const char *popped, *left;
  } cases[] = {
      {"\\a\\b\\", true, "b", "\\a\\"},
      {"\\a\\b\\", false, "a", "b\\"},
      {"\\a\\", true, "a", "\\"},
      {"a\\", true, "a", ""},
      {"a\\", false, "a", ""},
      {"\\", false, "", ""},
      {"\\", true, "", ""},
      {"", true, "", ""},
      {"", false, "", ""},
  };
  for (const auto &c : cases) {
    FileName f;
    f.SetPath(c.path);
    EXPECT_EQ(c.popped, S(c.fromEnd ? f.PopPathEnd() : f.PopPathStart())) << c.path;
    EXPECT_EQ(c.left, S(f.GetPath())) << c.path;
  }
}

TEST(PathStack, PoppingEverythingTerminatesWithEmptyPath) {
  FileName f("C:\\a\\b\\c\\d\\f.c");
  std::string seen;
  for (int i = 0; i < 10 && f.HasPath(); ++i)
    seen += S(f.PopPathStart());
  EXPECT_EQ("abcd", seen);
  EXPECT_FALSE(f.HasPath());
  EXPECT_EQ("f", S(f.GetBase()));
}

} // namespace
