// Counting, registration, enabling and re-entrancy of the message dispatcher.
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "capture_manager.h"

#include <gtest/gtest.h>

#include <cstdio>

using porttest::CaptureManager;
using porttest::ScopedManager;

namespace {
const char *const kRev = "$Revision: 1.2 $";

Port_MsgManData *report() {
  return Port_MsgManData::createObject("Portability", "dispatcher_test.cpp", 1, kRev);
}

// The default manager writes to the console; tests that only count keep it quiet.
class DispatcherTest : public ::testing::Test {
protected:
  void SetUp() override { Port_MsgDispatcher::getDefaultMsgMan()->disable(); }
  void TearDown() override { Port_MsgDispatcher::getDefaultMsgMan()->enable(); }
};
} // namespace

TEST_F(DispatcherTest, CountsEachTypeAndDeliversToEveryManager) {
  CaptureManager capture;
  ScopedManager reg(&capture);
  report()->issueError("e %d\n", 1);
  report()->issueError("e %d\n", 2);
  report()->issueWarning("w\n");
  report()->issueInfo("i\n");
  report()->issueStatus("s\n");
  report()->issueDebug("d\n");
  report()->issueInternal("n\n");
  EXPECT_EQ(2u, Port_MsgDispatcher::getErrCount(true));
  EXPECT_EQ(2u, Port_MsgDispatcher::getErrCount(false));
  EXPECT_EQ(1u, Port_MsgDispatcher::getWarnCount(true));
  EXPECT_EQ(1u, Port_MsgDispatcher::getInfoCount(false));
  EXPECT_EQ(1u, Port_MsgDispatcher::getStatCount());
  EXPECT_EQ(1u, Port_MsgDispatcher::getDbgCount());
  EXPECT_EQ(1u, Port_MsgDispatcher::getIntCount());
  ASSERT_EQ(7u, capture.entries().size());
  EXPECT_EQ(2u, capture.getErrCount());

  Port_MsgDispatcher::resetErrCount();
  EXPECT_EQ(0u, Port_MsgDispatcher::getErrCount(true));
  EXPECT_EQ(0u, Port_MsgDispatcher::getErrCount(false));
}

TEST_F(DispatcherTest, DisabledDispatcherNeitherCountsNorDelivers) {
  CaptureManager capture;
  ScopedManager reg(&capture);
  Port_MsgDispatcher::disable();
  EXPECT_FALSE(Port_MsgDispatcher::isEnabled());
  report()->issueError("e\n");
  report()->issueWarning("w\n");
  report()->issueStatus("s\n");
  report()->issueInternal("n\n");
  Port_MsgDispatcher::enable();
  EXPECT_EQ(0u, Port_MsgDispatcher::getErrCount(true));
  EXPECT_EQ(0u, Port_MsgDispatcher::getWarnCount(true));
  EXPECT_EQ(0u, Port_MsgDispatcher::getStatCount());
  EXPECT_EQ(0u, Port_MsgDispatcher::getIntCount());
  EXPECT_TRUE(capture.entries().empty());
}

TEST_F(DispatcherTest, ManagerRegisteredTwiceHearsTwiceAndIsRemovedOnceAtATime) {
  CaptureManager capture;
  EXPECT_FALSE(Port_MsgDispatcher::containsMsgMan(&capture));
  EXPECT_TRUE(Port_MsgDispatcher::addMsgMan(&capture));
  EXPECT_TRUE(Port_MsgDispatcher::addMsgMan(&capture));
  EXPECT_EQ(3, Port_MsgDispatcher::getAllMsgMans().getNumElements());
  report()->issueWarning("twice\n");
  EXPECT_EQ(2u, capture.entries().size());

  EXPECT_TRUE(Port_MsgDispatcher::removeMsgMan(&capture));
  EXPECT_TRUE(Port_MsgDispatcher::containsMsgMan(&capture));
  report()->issueWarning("once\n");
  EXPECT_EQ(3u, capture.entries().size());
  EXPECT_TRUE(Port_MsgDispatcher::removeMsgMan(&capture));
  EXPECT_FALSE(Port_MsgDispatcher::removeMsgMan(&capture));
}

TEST_F(DispatcherTest, ManagerListIsASnapshotInRegistrationOrder) {
  CaptureManager a, b;
  ScopedManager ra(&a), rb(&b);
  Port_MsgManList list = Port_MsgDispatcher::getAllMsgMans();
  Port_MsgManList copy = list;
  Port_MsgDispatcher::removeMsgMan(&a);
  std::vector<Port_MsgMan *> seen;
  for (Port_MsgManListIterator it = copy.begin(); it != copy.end(); it++)
    seen.push_back(*it);
  ASSERT_EQ(3u, seen.size());
  EXPECT_EQ(Port_MsgDispatcher::getDefaultMsgMan(), seen[0]);
  EXPECT_EQ(&a, seen[1]);
  EXPECT_EQ(&b, seen[2]);
  Port_MsgDispatcher::addMsgMan(&a); // so that ScopedManager's removal balances
}

TEST_F(DispatcherTest, SetMaxLineWidthReachesEveryManager) {
  CaptureManager capture;
  ScopedManager reg(&capture);
  Port_MsgDispatcher::setMaxLineWidth(132);
  EXPECT_EQ(132, capture.getMaxLineWidth());
  EXPECT_EQ(132, Port_MsgDispatcher::getDefaultMsgMan()->getMaxLineWidth());
}

TEST(DispatcherTables, HeadersAndTagsByType) {
  const struct {
    Port_MsgMan::MsgType type;
    const wchar_t *header;
    const char *tag;
  } cases[] = {
      {Port_MsgMan::MSG_ERROR, L"ERROR", "error"},
      {Port_MsgMan::MSG_WARNING, L"WARNING", "warning"},
      {Port_MsgMan::MSG_STATUS, L"", "status"},
      {Port_MsgMan::MSG_DEBUG, L"DEBUG", "debug"},
      {Port_MsgMan::MSG_INTERNAL, L"INTERNAL_ERROR", "internal"},
      {Port_MsgMan::MSG_FATAL, L"FATAL_ERROR", "fatal"},
      {Port_MsgMan::MSG_USER_FATAL, L"ERROR", "user_fatal"},
      {Port_MsgMan::MSG_INFO, L"INFO", "info"},
      {Port_MsgMan::MSG_EXCEPTION, L"EXCEPTION", "exception"},
  };
  for (const auto &c : cases) {
    EXPECT_STREQ(c.header, Port_MsgDispatcher::getMsgHeader(c.type)) << c.tag;
    EXPECT_STREQ(c.tag, Port_MsgDispatcher::getTypeTag(c.type));
  }
  EXPECT_EQ(nullptr, Port_MsgDispatcher::getTypeTag(static_cast<Port_MsgMan::MsgType>(9)));
  EXPECT_EQ(nullptr, Port_MsgDispatcher::getMsgHeader(static_cast<Port_MsgMan::MsgType>(-1)));
}

TEST(DispatcherTables, CopyrightIsOneLineNamingTheMaker) {
  wchar_t *text = Port_MsgDispatcher::getCopyright();
  ASSERT_NE(nullptr, text);
  const std::wstring s = text;
  delete[] text;
  EXPECT_NE(std::wstring::npos, s.find(L"Copyright"));
  EXPECT_EQ(std::wstring::npos, s.find(L'\n'));
}

namespace {
// Issues a further message from inside its own handler, back through the dispatcher, which
// comes back to this same manager while it is writing.
class EchoManager : public CaptureManager {
public:
  void output(MsgType type, const wchar_t **lines, int count) override {
    CaptureManager::output(type, lines, count);
    if (type == MSG_WARNING)
      Port_MsgManData::createObject("Portability", "echo", 1, kRev)->issueInfo("echo\n");
  }
};
} // namespace

TEST_F(DispatcherTest, ManagerMayIssueFromItsOwnHandler) {
  EchoManager echo;
  ScopedManager reg(&echo);
  report()->issueWarning("original\n");
  const auto entries = echo.entries();
  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ(Port_MsgMan::MSG_WARNING, entries[0].type);
  EXPECT_EQ(Port_MsgMan::MSG_INFO, entries[1].type);
  EXPECT_EQ(1u, Port_MsgDispatcher::getInfoCount(true));
}

TEST_F(DispatcherTest, GuardHoldsTheLockAcrossSeveralMessages) {
  CaptureManager capture;
  ScopedManager reg(&capture);
  {
    Port::MsgDispatcherGuard guard;
    report()->issueWarning("one\n");
    report()->issueWarning("two\n"); // the lock is recursive: no deadlock
  }
  EXPECT_EQ(2u, capture.entries().size());
}

TEST(DispatcherExit, ExitValueIsKept) {
  EXPECT_EQ(0, Port_MsgDispatcher::getExitVal());
  Port_MsgDispatcher::setExitVal(17);
  EXPECT_EQ(17, Port_MsgDispatcher::getExitVal());
  Port_MsgDispatcher::setExitVal(0);
}

TEST(DispatcherExit, DefaultAbortIsTheFirstRegistered) {
  EXPECT_NE(nullptr, Port_MsgDispatcher::getDefaultAbortFn());
}
