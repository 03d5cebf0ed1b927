// The halt service within one process: the handler call, posted codes, the halt value.
#include "halt_test_support.h"

namespace {

using halttest::HaltTable;

int g_calls;
Port_Halt::HaltCode g_action;

void recordAction() {
  ++g_calls;
  g_action = Port_Halt::GetAction();
}

class HaltService : public HaltTable {
protected:
  void SetUp() override {
    HaltTable::SetUp();
    g_calls = 0;
    g_action = 0;
    Port_Halt::SetHandler(&recordAction);
  }
};

TEST_F(HaltService, QuietCheckReturnsZeroAndCallsNoHandler) {
  EXPECT_EQ(Port_Halt::CheckHalt(), 0);
  EXPECT_FALSE(Port_Halt::Halted());
  EXPECT_FALSE(GetNotify());
  EXPECT_EQ(g_calls, 0);
}

TEST_F(HaltService, PostedCodeIsTakenByTheNextCheckOnly) {
  const unsigned long self = static_cast<unsigned long>(getpid());
  Port_Halt::SendSignal(self, 2);
  EXPECT_FALSE(Port_Halt::IsSignalDelivered(self));
  EXPECT_TRUE(CheckForSentHalt());
  EXPECT_TRUE(GetNotify());

  EXPECT_EQ(Port_Halt::CheckHalt(), 0);
  EXPECT_EQ(g_calls, 1);
  EXPECT_EQ(g_action, 2);
  EXPECT_EQ(Port_Halt::GetAction(), 4);
  EXPECT_TRUE(Port_Halt::IsSignalDelivered(self));
  EXPECT_FALSE(CheckForSentHalt());

  Port_Halt::CheckHalt();
  EXPECT_EQ(g_calls, 1);
}

TEST_F(HaltService, LaterCodeReplacesOneNotYetTaken) {
  const unsigned long self = static_cast<unsigned long>(getpid());
  Port_Halt::SendSignal(self, 2);
  Port_Halt::SendSignal(self, 7);
  Port_Halt::CheckHalt();
  EXPECT_EQ(g_calls, 1);
  EXPECT_EQ(g_action, 7);
}

TEST_F(HaltService, NotifyCallsHandlerWithoutAction) {
  Port_Halt::SetNotify();
  EXPECT_TRUE(GetNotify());
  Port_Halt::CheckHalt();
  EXPECT_EQ(g_calls, 1);
  EXPECT_EQ(g_action, 4);
  EXPECT_FALSE(GetNotify());
}

TEST_F(HaltService, GetNewActionTakesThePostedCode) {
  const unsigned long self = static_cast<unsigned long>(getpid());
  EXPECT_EQ(GetNewAction(), 4);
  Port_Halt::SendSignal(self, 3);
  EXPECT_EQ(GetNewAction(), 3);
  EXPECT_TRUE(Port_Halt::IsSignalDelivered(self));
  EXPECT_EQ(GetNewAction(), 4);
}

void haltWithValueOne() { Port_Halt::SetHaltValue(1); }

TEST_F(HaltService, HandlerSettingHaltValueOneEndsProcessWithStatusZero) {
  Port_Halt::SetHandler(&haltWithValueOne);
  Port_Halt::SetNotify();
  EXPECT_EXIT(
      {
        Port_Halt::CheckHalt();
        std::exit(5);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(HaltService, HaltValueDecidesTheQueries) {
  struct Case {
    Port_Halt::HaltCode value;
    bool halted, haltCmd;
  } const cases[] = {{0, false, false}, {2, true, true},   {3, true, true},
                     {4, true, false},  {-1, true, false}, {9, true, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.value);
    Port_Halt::SetHaltValue(c.value);
    EXPECT_EQ(Port_Halt::CheckHalt(), c.value);
    EXPECT_EQ(Port_Halt::Halted(), c.halted);
    EXPECT_EQ(Port_Halt::CheckForHaltCmd(), c.haltCmd);
    EXPECT_EQ(Port_Halt::CheckForContinueCmd(), !c.haltCmd);
  }
  EXPECT_EQ(g_calls, 0);
}

TEST(HaltCodes, OneToThreeMeanHalt) {
  for (Port_Halt::HaltCode code : {-1, 0, 1, 2, 3, 4, 5, 0x7FFFFFFF}) {
    const bool halt = code >= 1 && code <= 3;
    EXPECT_EQ(Port_Halt::CodeMeansHalt(code), halt) << code;
    EXPECT_EQ(Port_Halt::CodeMeansContinue(code), !halt) << code;
  }
}

TEST_F(HaltService, UnregisteredProcessHasNoSlot) {
  const unsigned long self = static_cast<unsigned long>(getpid());
  // Ids that no process holds, and one that equals ours in its low 32 bits.
  for (unsigned long pid : {0UL, 0xFFFFFFFFUL, 0x7FFFFFFEUL, (1UL << 32) + self}) {
    SCOPED_TRACE(pid);
    EXPECT_EQ(GetHaltIndex(pid), -1);
    EXPECT_TRUE(Port_Halt::IsSignalDelivered(pid));
    Port_Halt::SendSignal(pid, 2);
  }
  EXPECT_TRUE(Port_Halt::IsSignalDelivered(self));
  Port_Halt::CheckHalt();
  EXPECT_EQ(g_calls, 0);
}

TEST_F(HaltService, HandlerIsCalledWithHaltStateLocked) {
  // The handler may use every guarded operation: the state lock is recursive.
  Port_Halt::SetHandler([] {
    Port_Halt::SetHaltValue(2);
    Port_Halt::SetNotify();
    ++g_calls;
  });
  Port_Halt::SetNotify();
  EXPECT_EQ(Port_Halt::CheckHalt(), 2);
  EXPECT_EQ(g_calls, 1);
}

// When no shared segment can be had the process keeps a table of its own.
TEST(HaltPrivateTable, ServiceWorksWithoutSharedSegment) {
  setenv("QEL_HALT_TABLE", "/no/such/segment", 1);
  Port_Halt::Finalize();
  Port_Halt::Initialize();
  const unsigned long self = static_cast<unsigned long>(getpid());
  EXPECT_GE(GetHaltIndex(self), 0);
  g_calls = 0;
  Port_Halt::SetHandler(&recordAction);
  Port_Halt::SendSignal(self, 3);
  Port_Halt::CheckHalt();
  EXPECT_EQ(g_calls, 1);
  EXPECT_EQ(g_action, 3);
  Port_Halt::Finalize();
  unsetenv("QEL_HALT_TABLE");
  Port_Halt::Initialize();
}

} // namespace
