// The default manager in-process: layouts, switches, cleaning and breaking, and the issue
// forms that go straight to one manager.
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "capture_manager.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdlib>

using porttest::CaptureManager;
using porttest::ScopedManager;

namespace {
// The layouts as such: no catalogue texts, so no numbers and no suffixes.
class ManagerTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::setenv("QEL_NO_TRANSLATE", "1", 1);
    Port_MsgDispatcher::getDefaultMsgMan()->disable();
  }
  void TearDown() override { Port_MsgDispatcher::getDefaultMsgMan()->enable(); }
  CaptureManager capture;
};

const char *const kRev = "$Revision: 1.39 $";
} // namespace

// A derived manager that hands the base class other arguments than it was given.
class Rewording : public CaptureManager {
public:
  void msgWarning(const char *lib, const char *file, int line, const char *rev, const char *alias,
                  va_list) override {
    passOn(lib, file, line, rev, alias, 42);
  }

private:
  void passOn(const char *lib, const char *file, int line, const char *rev, const char *alias,
              ...) {
    va_list other;
    va_start(other, alias);
    Port_MsgManDefault::msgWarning(lib, file, line, rev, alias, other);
    va_end(other);
  }
};

TEST_F(ManagerTest, BaseCalledWithOtherArgumentsFormatsThose) {
  Rewording rewording;
  ScopedManager registered(&rewording);
  ScopedManager plain(&capture);
  Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRev)
      ->issueWarning("Value %d.\n", 7);
  EXPECT_NE(std::wstring::npos, rewording.lastFirstLine().find(L"Value 42."))
      << rewording.lastFirstLine();
  EXPECT_NE(std::wstring::npos, capture.lastFirstLine().find(L"Value 7."))
      << capture.lastFirstLine();
}

TEST(ManagerLineWidth, InitialWidthFromTheEnvironmentIsNeverBelow80) {
  const struct {
    const char *value;
    int width;
  } cases[] = {{nullptr, 80}, {"40", 80}, {"80", 80},   {"81", 81},  {"120", 120},
               {"abc", 80},   {"", 80},   {"120x", 80}, {"-200", 80}};
  for (const auto &c : cases) {
    if (c.value)
      ::setenv("QEL_MAXLINEWIDTH", c.value, 1);
    else
      ::unsetenv("QEL_MAXLINEWIDTH");
    Port_MsgManDefault mgr("width");
    EXPECT_EQ(c.width, mgr.getMaxLineWidth()) << (c.value ? c.value : "(unset)");
  }
  ::unsetenv("QEL_MAXLINEWIDTH");
}

TEST_F(ManagerTest, SetMaxLineWidthStoresTheValueAndBreakingAppliesItsOwnMinimum) {
  capture.setMaxLineWidth(5);
  EXPECT_EQ(5, capture.getMaxLineWidth());
  capture.printMsg(Port_MsgMan::MSG_WARNING, L"aaaa bbbb cccc dddd\n", 0, "L", "f", 1, kRev);
  const auto lines = capture.entries().at(0).lines;
  // Width 5 with indent 3 is raised to 13.
  const std::vector<std::wstring> expected = {L"WARNING:L -", L"   aaaa bbbb", L"   cccc dddd\n"};
  EXPECT_EQ(expected, lines);
}

TEST_F(ManagerTest, NumberZeroPrintsNoNumber) {
  capture.printMsg(Port_MsgMan::MSG_ERROR, L"text\n", 0, "Lib", "f.cpp", 3, kRev);
  EXPECT_EQ(L"ERROR:Lib - text\n", capture.lastFirstLine());
  capture.printMsg(Port_MsgMan::MSG_ERROR, L"text\n", 7, "Lib", "f.cpp", 3, kRev);
  EXPECT_EQ(L"ERROR:Lib:7 - text\n", capture.lastFirstLine());
  capture.printMsg(Port_MsgMan::MSG_USER_FATAL, L"bad", 8, "Lib", "f.cpp", 3, kRev);
  EXPECT_EQ(L"ERROR:Lib:8 - bad", capture.lastFirstLine());
}

TEST_F(ManagerTest, SourceFileAndRevisionAreShortened) {
  const struct {
    const char *file;
    const char *rev;
    const wchar_t *expected;
  } cases[] = {
      {"C:\\src\\a.cpp", "$Revision: 1.39 $", L"INTERNAL_ERROR:L:a.cpp:9:1.39 - x"},
      {"src/lib/b.cpp", "$Revision:2.0$", L"INTERNAL_ERROR:L:b.cpp:9:2.0 - x"},
      {"mixed/dir\\c.cpp", "1.5", L"INTERNAL_ERROR:L:c.cpp:9:1.5 - x"},
      {"d.cpp", "$Id$", L"INTERNAL_ERROR:L:d.cpp:9:$Id$ - x"},
      {nullptr, nullptr, L"INTERNAL_ERROR:L:Unknown:9:0.0 - x"},
  };
  for (const auto &c : cases) {
    capture.printMsg(Port_MsgMan::MSG_INTERNAL, L"x", 0, "L", c.file, 9, c.rev);
    EXPECT_EQ(c.expected, capture.lastFirstLine());
  }
}

TEST_F(ManagerTest, TurnedOffTypesAreSilentButFatalTypesCannotBeTurnedOff) {
  capture.turnOffMsg(Port_MsgMan::MSG_WARNING);
  capture.turnOffMsg(Port_MsgMan::MSG_FATAL);
  capture.turnOffMsg(Port_MsgMan::MSG_USER_FATAL);
  EXPECT_FALSE(capture.isMsgOn(Port_MsgMan::MSG_WARNING));
  EXPECT_TRUE(capture.isMsgOn(Port_MsgMan::MSG_FATAL));
  EXPECT_TRUE(capture.isMsgOn(Port_MsgMan::MSG_USER_FATAL));
  capture.printMsg(Port_MsgMan::MSG_WARNING, L"w\n", "L", "f", 1, kRev);
  EXPECT_TRUE(capture.entries().empty());
  EXPECT_EQ(0u, capture.getWarnCount());
  capture.turnOnMsg(Port_MsgMan::MSG_WARNING);
  capture.printMsg(Port_MsgMan::MSG_WARNING, L"w\n", "L", "f", 1, kRev);
  EXPECT_EQ(1u, capture.entries().size());
  EXPECT_EQ(1u, capture.getWarnCount());
}

TEST_F(ManagerTest, DisabledManagerWritesNothingButStillCounts) {
  capture.disable();
  EXPECT_FALSE(capture.isEnabled());
  capture.printMsg(Port_MsgMan::MSG_ERROR, L"e\n", "L", "f", 1, kRev);
  EXPECT_TRUE(capture.entries().empty());
  EXPECT_EQ(1u, capture.getErrCount());
  capture.enable();
  capture.printMsg(Port_MsgMan::MSG_ERROR, L"e\n", "L", "f", 1, kRev);
  EXPECT_EQ(1u, capture.entries().size());
}

// The console manager skips the layout of what it would drop: what it counts must not change,
// nor what an alias writes through %n.
TEST_F(ManagerTest, DisabledConsoleManagerCountsWhatItDropsAndAliasesStillWriteCounts) {
  Port_MsgMan *console = Port_MsgDispatcher::getDefaultMsgMan();
  console->resetErrCount();
  console->resetWarnCount();
  console->turnOffMsg(Port_MsgMan::MSG_WARNING);
  auto report = [] { return Port_MsgManData::createObject("Portability", "m.cpp", 1, kRev); };
  report()->issueError("dropped %d\n", 1);
  report()->issueWarning("turned off\n");
  int written = -1;
  report()->issueError("abc%n\n", &written);
  console->turnOnMsg(Port_MsgMan::MSG_WARNING);
  EXPECT_EQ(2u, console->getErrCount());
  EXPECT_EQ(0u, console->getWarnCount());
  EXPECT_EQ(3, written);
}

namespace {
// A manager built on the default formatting that keeps the abstract class's isMsgOn.
class SilentByDefault : public CaptureManager {
public:
  bool isMsgOn(MsgType type) const override { return Port_MsgMan::isMsgOn(type); }
};
} // namespace

TEST(ManagerBase, AManagerThatKeepsTheBaseSwitchWritesNothing) {
  SilentByDefault mgr;
  for (int t = 0; t <= 8; ++t)
    EXPECT_FALSE(mgr.isMsgOn(static_cast<Port_MsgMan::MsgType>(t)));
  mgr.printMsg(Port_MsgMan::MSG_ERROR, L"e\n", "L", "f", 1, kRev);
  EXPECT_TRUE(mgr.entries().empty());
}

TEST_F(ManagerTest, StatusHasNoHeaderAndNoIndentDebugHasOnlyItsHeader) {
  capture.printMsg(Port_MsgMan::MSG_STATUS,
                   L"one two three four five six seven eight nine ten "
                   L"eleven twelve thirteen fourteen fifteen sixteen\n",
                   "L", "f", 1, kRev);
  const auto status = capture.entries().at(0).lines;
  ASSERT_EQ(2u, status.size());
  EXPECT_EQ(L"fifteen sixteen\n", status[1]); // 80 columns, no indentation
  capture.printMsg(Port_MsgMan::MSG_DEBUG, L"d\n", 5, "L", "f", 1, kRev);
  EXPECT_EQ(L"DEBUG - d\n", capture.lastFirstLine());
}

TEST_F(ManagerTest, CleaningReplacesControlCharactersAndKeepsOtherText) {
  capture.printMsg(Port_MsgMan::MSG_WARNING,
                   L"a\x07"
                   L"b\x1b"
                   L"c caf\u00e9\n",
                   "L", "f", 1, kRev);
  EXPECT_EQ(L"WARNING:L - a b c caf\u00e9\n", capture.lastFirstLine());
  // Severe types are cleaned to plain printable text: the line feed becomes a blank.
  capture.printMsg(Port_MsgMan::MSG_INTERNAL, L"x\ty\n", "L", "f", 1, kRev);
  EXPECT_EQ(L"INTERNAL_ERROR:L:f:1:1.39 - x y ", capture.lastFirstLine());
}

TEST_F(ManagerTest, WithoutCleaningSevereTypesLoseOneTrailingNewline) {
  capture.setClean(false);
  EXPECT_EQ(0, capture.getClean());
  capture.printMsg(Port_MsgMan::MSG_INTERNAL, L"x\ty\n", "L", "f", 1, kRev);
  EXPECT_EQ(L"INTERNAL_ERROR:L:f:1:1.39 - x\ty", capture.lastFirstLine());
}

TEST_F(ManagerTest, AbortFlagFollowsTheTypeOfTheLastMessage) {
  ScopedManager reg(&capture);
  capture.setAbortFlag(1);
  EXPECT_EQ(1, capture.getAbortFlag());
  Port_MsgManData::createObject("L", "f", 1, kRev)->issueWarning("w\n");
  EXPECT_EQ(0, capture.getAbortFlag());
  capture.setAbortFlag(1);
  Port_MsgManData::createObject("L", "f", 1, kRev)
      ->issueMsgManErrwarn(&capture, Port_MsgMan::MSG_ERROR, 1, "e\n");
  EXPECT_EQ(0, capture.getAbortFlag());
}

TEST_F(ManagerTest, MsgManFormsBypassTheDispatcher) {
  Port_MsgManData::createObject("Portability", "f", 1, kRev)
      ->issueMsgManError(&capture, "e %s\n", "x");
  Port_MsgManData::createObject("Portability", "f", 1, kRev)
      ->issueMsgManWarningByNum(&capture, 99031);
  EXPECT_EQ(0u, Port_MsgDispatcher::getErrCount(true));
  EXPECT_EQ(0u, Port_MsgDispatcher::getWarnCount(true));
  const auto entries = capture.entries();
  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ(L"ERROR:Portability - e x\n", entries[0].lines.at(0));
  EXPECT_EQ(L"WARNING:Portability:99031 - No message alias available", entries[1].lines.at(0));
}

TEST_F(ManagerTest, ErrwarnIssuesOnlyWhenTheConditionHoldsForItsFourTypes) {
  ScopedManager reg(&capture);
  const struct {
    Port_MsgMan::MsgType type;
    unsigned char cond;
    bool issued;
  } cases[] = {{Port_MsgMan::MSG_ERROR, 1, true},     {Port_MsgMan::MSG_WARNING, 1, true},
               {Port_MsgMan::MSG_INFO, 1, true},      {Port_MsgMan::MSG_STATUS, 1, true},
               {Port_MsgMan::MSG_ERROR, 0, false},    {Port_MsgMan::MSG_DEBUG, 1, false},
               {Port_MsgMan::MSG_INTERNAL, 1, false}, {Port_MsgMan::MSG_FATAL, 1, false}};
  size_t expected = 0;
  for (const auto &c : cases) {
    Port_MsgManData::createObject("Portability", "f", 1, kRev)->issueErrwarn(c.type, c.cond, "m\n");
    Port_MsgManData::createObject("Portability", "f", 1, kRev)
        ->issueErrwarnByNum(c.type, c.cond, 99004);
    expected += c.issued ? 2 : 0;
    EXPECT_EQ(expected, capture.entries().size()) << c.type << " " << int(c.cond);
  }
}

TEST_F(ManagerTest, WideStringArgumentsOfTheAliasArePrinted) {
  ScopedManager reg(&capture);
  Port_MsgManData::createObject("L", "f", 1, kRev)
      ->issueWarning("File %z, %s, 100%% done.\n", L"na\u00efve.txt", "b");
  EXPECT_EQ(L"WARNING:L - File na\u00efve.txt, b, 100% done.\n", capture.lastFirstLine());
}

TEST_F(ManagerTest, PrintGoesThroughTheDispatcherWithTheRecordsLocation) {
  ScopedManager reg(&capture);
  Port_MsgManData data("Lib", "dir/src.cpp", 12, kRev);
  data.print(Port_MsgMan::MSG_EXCEPTION, L"boom\n");
  EXPECT_EQ(L"EXCEPTION:Lib:src.cpp:12:1.39 - boom\n", capture.lastFirstLine());
  data.printMsgMan(&capture, Port_MsgMan::MSG_ERROR, L"direct\n", 9);
  EXPECT_EQ(L"ERROR:Lib:9 - direct\n", capture.lastFirstLine());
  EXPECT_EQ(0u, Port_MsgDispatcher::getErrCount(true));
}
