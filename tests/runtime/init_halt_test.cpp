// The counted initialiser of the halt service, and the older start-up entries.
#include "Port_Halt.h"

#include <gtest/gtest.h>

#include <memory>

#include <unistd.h>

namespace {

TEST(HaltInit, ServiceIsUpBeforeMain) {
  EXPECT_NE(s_Port_HaltInfo, nullptr);
  EXPECT_GE(GetHaltIndex(getpid()), 0);
}

TEST(HaltInit, OnlyTheLastInitialiserTearsDown) {
  const int index = GetHaltIndex(getpid());
  {
    Port_HaltInit extra;
    auto more = std::make_unique<Port_HaltInit>();
  }
  EXPECT_EQ(GetHaltIndex(getpid()), index);
  EXPECT_NE(s_Port_HaltInfo, nullptr);
}

TEST(HaltInit, InitializeAgainKeepsTheOneRegistration) {
  const int index = GetHaltIndex(getpid());
  Port_Halt::Initialize();
  EXPECT_EQ(GetHaltIndex(getpid()), index);
  int slots = 0;
  for (int i = 0; i < Port_HaltInfoSlots; ++i)
    slots += s_Port_HaltInfo[i].inUse && s_Port_HaltInfo[i].processId == unsigned(getpid());
  EXPECT_EQ(slots, 1);
}

TEST(HaltInit, OlderStartupEntriesAreInert) {
  const char *const argv[] = {"tool", "-x", nullptr};
  ut_init(2, argv);
  ut_init(0, nullptr);
  EXPECT_EQ(init_basut, 0);
  EXPECT_EQ(ut_new_handler, 0);
  EXPECT_GE(GetHaltIndex(getpid()), 0);
}

} // namespace
