// The C entry points and qelform.
#include "Port_CMsgMan.h"
#include "Port_MsgDispatcher.h"
#include "child_process.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using porttest::ChildResult;
using porttest::kUnset;
using porttest::runProgram;
using porttest::testProgram;

namespace {
// The C tool ships no message file: its first report says so.
const std::string kNoFile = "WARNING:Portability - Message file \"CTool.msg\" wasn't found.\n";

ChildResult cprobe(const std::vector<std::string> &args) {
  return runProgram(testProgram("cprobe"), args,
                    {{"QEL_NO_TRANSLATE", "1"},
                     {"QEL_NOMSGBOX", "1"},
                     {"QEL_NO_MESSAGE_HEADER", kUnset},
                     {"QEL_MAXLINEWIDTH", kUnset}});
}
} // namespace

TEST(CEntryPoints, ReportFromACProgram) {
  const ChildResult r = cprobe({"report"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(kNoFile + "WARNING:CTool - Value 7 is odd.\n", r.err);
  EXPECT_EQ("12-ab\n", r.out); // the debug stub prints nothing
}

TEST(CEntryPoints, UserFatalIsIssuedAsAnErrorAndEndsTheProcess) {
  const ChildResult r = cprobe({"userfatal", "6"});
  EXPECT_EQ(6, r.status);
  EXPECT_EQ(kNoFile + "ERROR:CTool - Bad input.\n", r.err);
}

TEST(CEntryPoints, FatalEndsWithItsExitValue) {
  const ChildResult r = cprobe({"fatal", "8"});
  EXPECT_EQ(8, r.status);
  EXPECT_EQ(kNoFile.size(), r.err.find("FATAL_ERROR:CTool:c.c:4:1.0 - Broken."));
}

TEST(CEntryPoints, UserFatalCountsAsAnError) {
  Port_MsgDispatcher::getDefaultMsgMan()->disable();
  // An abort function that returns lets the count be seen; the default one would end the test.
  Port_MsgDispatcher::unsetAbort(Port_MsgDispatcher::getDefaultAbortFn());
  Port_CLocUserFatalFn(Port_CArgFn("CTool", "c.c", 1, "1.0"), 5, "Bad.\n");
  EXPECT_EQ(1u, Port_MsgDispatcher::getErrCount(true));
  EXPECT_EQ(0u, Port_MsgDispatcher::getUserFatalCount());
  EXPECT_EQ(5, Port_MsgDispatcher::getExitVal());
}

TEST(Qelform, TextsUpTo2047CharactersFitAndLongerOnesAreFatal) {
  const std::string fits(2047, 'a');
  EXPECT_EQ(fits, qelform("%s", fits.c_str()));
  const std::string tooLong(2048, 'b');
  EXPECT_EXIT(qelform("%s", tooLong.c_str()), ::testing::ExitedWithCode(19), "Stack corrupted");
}

TEST(Qelform, RingKeepsEarlierResultsUntilItWrapsAround) {
  const std::string a(1999, 'a'), b(1999, 'b'), c(1999, 'c');
  const char *first = qelform("%s", a.c_str());
  const char *second = qelform("%s", b.c_str());
  EXPECT_EQ(a, first); // 2 x 2000 bytes fit in the ring
  EXPECT_EQ(b, second);
  const char *third = qelform("%s", c.c_str());
  EXPECT_EQ(first, third); // the third starts the ring again
  EXPECT_EQ(c, first);
  EXPECT_EQ(b, second);
}

TEST(Qelform, EachThreadHasItsOwnRing) {
  const char *mine = qelform("main %d", 1);
  std::string theirs;
  std::thread t([&theirs] {
    for (int i = 0; i < 1000; ++i)
      theirs = qelform("thread %d", i);
  });
  t.join();
  EXPECT_STREQ("main 1", mine);
  EXPECT_EQ("thread 999", theirs);
}
