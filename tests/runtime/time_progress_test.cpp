// Port::ProgressCallback: when updates are shown and what UpdateTaskProgress returns.
#include "Port_ProgressUpdate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records each call as "U<percent>" or "B".
class Recorder : public Port::ProgressCallback {
public:
  std::vector<std::string> calls;
  int32_t updateResult = 0;
  int32_t backgroundResult = 0;
  int32_t UpdateProgress() override {
    calls.push_back("U" + std::to_string(GetPercentDone()));
    return updateResult;
  }
  int32_t BackgroundUpdate() override {
    calls.push_back("B");
    return backgroundResult;
  }
};

TEST(ProgressTest, Defaults) {
  Recorder r;
  EXPECT_EQ(r.GetCurrentMinUpdateLimit(), 0u);
  EXPECT_EQ(r.GetCurrentMaxUpdateLimit(), 100u);
  EXPECT_EQ(r.GetUpdateThreshold(), 1u);
  EXPECT_EQ(r.GetPercentDone(), 0u);
  EXPECT_STREQ(r.GetProgressLabel(), "");
  r.SetProgressLabel("Reading");
  EXPECT_STREQ(r.GetProgressLabel(), "Reading");
  r.SetProgressLabel(nullptr);
  EXPECT_STREQ(r.GetProgressLabel(), "");
}

TEST(ProgressTest, UpdatesEachTimeTheThresholdIsReached) {
  Recorder r;
  r.SetNextTaskMinMaxLimits(0, 200);
  for (unsigned v = 1; v <= 7; ++v)
    r.UpdateTaskProgress(v);
  EXPECT_EQ(r.calls,
            (std::vector<std::string>{"B", "U1", "B", "B", "U2", "B", "B", "U3", "B", "B"}));
}

TEST(ProgressTest, ThresholdAndOffsetRange) {
  Recorder r;
  r.SetNextTaskMinMaxLimits(1000, 2000);
  r.SetUpdateThreshold(25);
  for (unsigned v : {1100u, 1250u, 1400u, 1500u, 2000u})
    r.UpdateTaskProgress(v);
  EXPECT_EQ(r.calls, (std::vector<std::string>{"B", "U25", "B", "B", "U50", "B", "U100", "B"}));
}

TEST(ProgressTest, ReturnsTheUpdateResultUnlessItIsZero) {
  Recorder r;
  r.updateResult = 7;
  r.backgroundResult = 3;
  EXPECT_EQ(r.UpdateTaskProgress(50), 7); // update due, non-zero result
  EXPECT_EQ(r.UpdateTaskProgress(50), 3); // nothing due
  r.updateResult = 0;
  EXPECT_EQ(r.UpdateTaskProgress(60), 3); // update returned 0: background too
  EXPECT_EQ(r.calls, (std::vector<std::string>{"U50", "B", "U60", "B"}));
}

TEST(ProgressTest, NewTaskStartsFromZeroPercent) {
  Recorder r;
  r.UpdateTaskProgress(90);
  EXPECT_EQ(r.GetPercentDone(), 90u);
  r.SetNextTaskMinMaxLimits(0, 10);
  EXPECT_EQ(r.GetPercentDone(), 0u);
  r.calls.clear();
  r.UpdateTaskProgress(1);
  EXPECT_EQ(r.calls, (std::vector<std::string>{"U10", "B"}));
}

TEST(ProgressTest, ValuesOutsideTheRangeAreHeldToIt) {
  Recorder r;
  r.SetNextTaskMinMaxLimits(100, 200);
  r.UpdateTaskProgress(5); // below the minimum: 0 percent, not a wrapped huge one
  EXPECT_EQ(r.GetPercentDone(), 0u);
  r.UpdateTaskProgress(4000000000u);
  EXPECT_EQ(r.GetPercentDone(), 100u);

  r.SetNextTaskMinMaxLimits(7, 7); // empty range: no division by zero
  r.UpdateTaskProgress(6);
  EXPECT_EQ(r.GetPercentDone(), 0u);
  r.UpdateTaskProgress(7);
  EXPECT_EQ(r.GetPercentDone(), 100u);

  r.SetNextTaskMinMaxLimits(0, 4000000000u); // (value - min) * 100 overflows 32 bits
  r.UpdateTaskProgress(2000000000u);
  EXPECT_EQ(r.GetPercentDone(), 50u);
}

} // namespace
