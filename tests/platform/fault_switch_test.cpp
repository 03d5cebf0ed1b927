// The platform layer's test switch itself: which calls it fails, with what, and that it counts
// and disarms as documented. Observed through the library's own operations.
#include "Port_File.h"
#include "platform/faults.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <string>

namespace {

class FaultSwitch : public ::testing::Test {
protected:
  void TearDown() override { Port_TestFaultClear(); }
  // Makes a directory through the library: true when it was made.
  bool makeDir(int i) {
    return Port_File::mkdir((tree.root() + "/d" + std::to_string(i)).c_str(), 0);
  }
  porttest::TempTree tree;
};

TEST_F(FaultSwitch, FailsOnlyTheNthCall) {
  ASSERT_EQ(0, Port_TestFault(Port_TestMkdir, 3, 0, ENOSPC));
  EXPECT_TRUE(makeDir(1));
  EXPECT_TRUE(makeDir(2));
  EXPECT_FALSE(makeDir(3));
  EXPECT_EQ(ENOSPC, Port_File::geterror());
  EXPECT_TRUE(makeDir(4));
  EXPECT_EQ(4, Port_TestFaultCalls(Port_TestMkdir));
  EXPECT_EQ(1, Port_TestFaultHits(Port_TestMkdir));
}

TEST_F(FaultSwitch, PersistentFaultFailsEveryCallFromTheNth) {
  ASSERT_EQ(0, Port_TestFault(Port_TestMkdir, 2, 1, EACCES));
  EXPECT_TRUE(makeDir(1));
  for (int i = 2; i < 6; ++i)
    EXPECT_FALSE(makeDir(i)) << i;
  EXPECT_EQ(4, Port_TestFaultHits(Port_TestMkdir));
}

TEST_F(FaultSwitch, OnlyTheArmedServiceFails) {
  ASSERT_EQ(0, Port_TestFault(Port_TestRename, 1, 1, EIO));
  EXPECT_TRUE(makeDir(1));
  EXPECT_EQ(0, Port_TestFaultCalls(Port_TestMkdir));
}

TEST_F(FaultSwitch, ClearDisarmsAndResetsCounts) {
  ASSERT_EQ(0, Port_TestFault(Port_TestMkdir, 1, 1, EIO));
  EXPECT_FALSE(makeDir(1));
  Port_TestFaultClear();
  EXPECT_TRUE(makeDir(1));
  EXPECT_EQ(0, Port_TestFaultCalls(Port_TestMkdir));
  EXPECT_EQ(0, Port_TestFaultHits(Port_TestMkdir));
}

TEST_F(FaultSwitch, CountsCallsWithoutFailingThemWhenArmedBeyondReach) {
  ASSERT_EQ(0, Port_TestFault(Port_TestMkdir, LONG_MAX, 0, EIO));
  EXPECT_TRUE(makeDir(1));
  EXPECT_TRUE(makeDir(2));
  EXPECT_EQ(2, Port_TestFaultCalls(Port_TestMkdir));
}

TEST_F(FaultSwitch, RejectsUnknownServicesAndCounts) {
  EXPECT_EQ(-1, Port_TestFault(Port_TestServiceCount, 1, 0, EIO));
  EXPECT_EQ(-1, Port_TestFault(-1, 1, 0, EIO));
  EXPECT_EQ(-1, Port_TestFault(Port_TestRead, 0, 0, EIO));
  EXPECT_EQ(0, Port_TestFaultCalls(Port_TestServiceCount));
}

// A short transfer armed for a call that moves no bytes leaves that call alone.
TEST_F(FaultSwitch, ShortTransferDoesNotFailOtherCalls) {
  ASSERT_EQ(0, Port_TestFault(Port_TestMkdir, 1, 1, Port_TestShort));
  EXPECT_TRUE(makeDir(1));
  EXPECT_EQ(0, Port_TestFaultHits(Port_TestMkdir));
}

} // namespace
