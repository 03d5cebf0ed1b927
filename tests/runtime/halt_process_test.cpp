// The halt table between real processes: posting codes, registration at start and end,
// reclaiming slots of processes that are gone, fork children, and a full table.
#include "halt_test_support.h"

namespace {

using halttest::Channel;
using halttest::checkHaltUntil;
using halttest::forkChild;
using halttest::HaltTable;
using halttest::waitChild;

Port_Halt::HaltCode g_action = 0;
void recordAction() { g_action = Port_Halt::GetAction(); }

// A forked child starts the service afresh, as a newly started program of the suite does.
void restartService() {
  Port_Halt::Finalize();
  Port_Halt::Initialize();
}

// The exit status of a child that starts the service afresh: 0 when it was given the slot.
int statusOfStartIn(int slot) {
  Channel channel;
  const pid_t child = forkChild(channel, [slot] {
    restartService();
    return GetHaltIndex(getpid()) == slot ? 0 : 10;
  });
  return waitChild(child);
}

using HaltProcesses = HaltTable;

TEST_F(HaltProcesses, TwoProcessesPostCodesToEachOther) {
  g_action = 0;
  Port_Halt::SetHandler(&recordAction);
  Channel channel;
  const pid_t child = forkChild(channel, [&] {
    restartService();
    Port_Halt::SetHandler(&recordAction);
    channel.toParent('r');
    if (channel.fromParent() != 'g')
      return 10;
    if (!checkHaltUntil([] { return g_action != 0; }))
      return 11;
    if (g_action != 2 || Port_Halt::GetAction() != 4)
      return 12;
    Port_Halt::SendSignal(static_cast<unsigned long>(getppid()), 3);
    channel.toParent('d');
    return channel.fromParent() == 'q' ? 0 : 13;
  });
  ASSERT_EQ(channel.fromChild(), 'r');
  const unsigned long childId = static_cast<unsigned long>(child);
  EXPECT_GE(GetHaltIndex(childId), 0);
  EXPECT_NE(GetHaltIndex(childId), GetHaltIndex(getpid()));

  Port_Halt::SendSignal(childId, 2);
  EXPECT_FALSE(Port_Halt::IsSignalDelivered(childId));
  channel.toChild('g');
  ASSERT_EQ(channel.fromChild(), 'd');
  EXPECT_TRUE(Port_Halt::IsSignalDelivered(childId));
  EXPECT_GE(GetHaltIndex(childId), 0);

  const unsigned long self = static_cast<unsigned long>(getpid());
  EXPECT_FALSE(Port_Halt::IsSignalDelivered(self));
  Port_Halt::CheckHalt();
  EXPECT_EQ(g_action, 3);
  EXPECT_TRUE(Port_Halt::IsSignalDelivered(self));

  channel.toChild('q');
  EXPECT_EQ(waitChild(child), 0);
}

TEST_F(HaltProcesses, SlotIsReleasedWhenProcessEndsNormally) {
  Channel channel;
  const pid_t child = forkChild(channel, [&] {
    restartService();
    channel.toParent(GetHaltIndex(getpid()));
    return channel.fromParent() == 'q' ? 0 : 10;
  });
  const int index = channel.fromChild();
  ASSERT_GE(index, 0);
  ASSERT_LT(index, Port_HaltInfoSlots);
  EXPECT_EQ(GetHaltIndex(child), index);
  EXPECT_TRUE(s_Port_HaltInfo[index].inUse);

  channel.toChild('q');
  EXPECT_EQ(waitChild(child), 0);
  EXPECT_EQ(GetHaltIndex(child), -1);
  EXPECT_FALSE(s_Port_HaltInfo[index].inUse);
  EXPECT_EQ(s_Port_HaltInfo[index].processId, 0xFFFFFFFFu);
}

TEST_F(HaltProcesses, SlotOfKilledProcessIsReclaimed) {
  Channel victimChannel;
  const pid_t victim = forkChild(victimChannel, [&] {
    restartService();
    victimChannel.toParent(GetHaltIndex(getpid()));
    victimChannel.fromParent();
    return 0;
  });
  const int index = victimChannel.fromChild();
  ASSERT_GE(index, 0);
  ASSERT_LT(index, Port_HaltInfoSlots);
  kill(victim, SIGKILL);
  ASSERT_EQ(waitChild(victim), 128 + SIGKILL);
  ASSERT_TRUE(s_Port_HaltInfo[index].inUse); // a killed process releases nothing

  // The dead process's slot is the only one not held by a live process.
  fillFreeSlots();
  EXPECT_EQ(statusOfStartIn(index), 0);
}

TEST_F(HaltProcesses, SlotLockLeftByDeadProcessIsTakenOver) {
  Channel none;
  const pid_t dead = forkChild(none, [] { return 0; });
  ASSERT_EQ(waitChild(dead), 0);
  const unsigned long self = static_cast<unsigned long>(getpid());
  Port_HaltInfo &slot = s_Port_HaltInfo[GetHaltIndex(self)];
  slot.lock = static_cast<int32_t>(dead); // as if it died between locking and unlocking

  Channel channel;
  const pid_t sender = forkChild(channel, [self] {
    alarm(10); // a sender spinning for ever ends with SIGALRM
    Port_Halt::SendSignal(self, 2);
    return 0;
  });
  EXPECT_EQ(waitChild(sender), 0);
  EXPECT_EQ(slot.lock, 0);
  EXPECT_FALSE(Port_Halt::IsSignalDelivered(self));
}

void failIfCalled() { std::exit(20); }

TEST_F(HaltProcesses, ForkChildLeavesParentRegistrationAlone) {
  const unsigned long self = static_cast<unsigned long>(getpid());
  const int index = GetHaltIndex(self);
  Port_Halt::SendSignal(self, 2); // waiting for the parent, not for the child
  Port_Halt::SetHandler(&failIfCalled);

  Channel channel;
  const pid_t child = forkChild(channel, [&] {
    Port_Halt::CheckHalt(); // must not take the parent's code
    const int own = GetHaltIndex(getpid());
    return own >= 0 && own != index ? 0 : 10;
  });
  EXPECT_EQ(waitChild(child), 0); // its end ran the halt finalisation
  EXPECT_EQ(GetHaltIndex(self), index);
  EXPECT_EQ(GetHaltIndex(child), -1);
  EXPECT_FALSE(Port_Halt::IsSignalDelivered(self));

  g_action = 0;
  Port_Halt::SetHandler(&recordAction);
  Port_Halt::CheckHalt();
  EXPECT_EQ(g_action, 2);
}

TEST_F(HaltProcesses, LastFreeSlotIsTaken) {
  const int last = Port_HaltInfoSlots - 1;
  fillFreeSlots();
  s_Port_HaltInfo[last].inUse = false;
  EXPECT_EQ(statusOfStartIn(last), 0);
}

TEST_F(HaltProcesses, FullTableEndsStartWithStatusOne) {
  fillFreeSlots();
  EXPECT_EXIT(
      restartService(), ::testing::ExitedWithCode(1),
      // The console wraps the text at 80 columns.
      "FATAL.*Unable to start program\\.[[:space:]]+Too[[:space:]]+many Quelmo processes\\.");
}

} // namespace
