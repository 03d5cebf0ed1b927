// Processes that end without releasing what they hold in the halt table: slots of ended
// processes, and slot locks left by dead, reused or stopped holders. Every child that could
// wait for ever ends itself with SIGALRM.
#include "halt_test_support.h"
#include "runtime/halttable.h"

#include <chrono>

namespace {

using halttest::Channel;
using halttest::forkChild;
using halttest::HaltTable;
using halttest::waitChild;

void restartService() {
  Port_Halt::Finalize();
  Port_Halt::Initialize();
}

// A child that registers, tells its slot, and waits to be killed.
pid_t registeredVictim(Channel &channel, int &index) {
  const pid_t victim = forkChild(channel, [&] {
    restartService();
    channel.toParent(GetHaltIndex(getpid()));
    channel.fromParent();
    return 0;
  });
  index = channel.fromChild();
  return victim;
}

// Whether pid, which must be a child of this process, has become a zombie within five seconds.
bool becomesZombie(pid_t pid) {
  for (int i = 0; i < 500; ++i) {
    siginfo_t info = {};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT | WNOHANG) == 0 &&
        info.si_pid == pid)
      return true;
    usleep(10000);
  }
  return false;
}

using HaltDeadProcesses = HaltTable;

TEST_F(HaltDeadProcesses, EndedProcessHasNoSlotAndIsReclaimedByTheNextRegistration) {
  for (const bool reaped : {true, false}) {
    SCOPED_TRACE(reaped ? "killed and reaped" : "killed, a zombie");
    int index = -1;
    Channel victimChannel;
    const pid_t victim = registeredVictim(victimChannel, index);
    ASSERT_GE(index, 0);
    ASSERT_LT(index, Port_HaltInfoSlots);
    kill(victim, SIGKILL);
    if (reaped) {
      ASSERT_EQ(128 + SIGKILL, waitChild(victim));
    } else {
      ASSERT_TRUE(becomesZombie(victim));
    }
    const unsigned long id = static_cast<unsigned long>(victim);
    EXPECT_TRUE(s_Port_HaltInfo[index].inUse); // a killed process releases nothing
    EXPECT_EQ(-1, GetHaltIndex(id));
    Port_Halt::SendSignal(id, 2);
    EXPECT_TRUE(Port_Halt::IsSignalDelivered(id)); // as for a process that never registered

    // Any new registration clears the dead process out of the table.
    Channel channel;
    const pid_t next = forkChild(channel, [] {
      restartService();
      return 0;
    });
    EXPECT_EQ(0, waitChild(next));
    EXPECT_FALSE(s_Port_HaltInfo[index].inUse && s_Port_HaltInfo[index].processId == id);
    if (!reaped) {
      EXPECT_EQ(128 + SIGKILL, waitChild(victim));
    }
  }
}

// An older library that shares the table writes process ids but leaves the start records
// alone: a record left by another process must not make a live owner look dead.
TEST_F(HaltDeadProcesses, StaleStartRecordOfAnotherProcessIsIgnored) {
  Channel channel;
  const pid_t live = forkChild(channel, [&] {
    channel.fromParent();
    return 0;
  });
  const int index = Port_HaltInfoSlots - 1;
  Port_HaltInfo &slot = s_Port_HaltInfo[index];
  halttable::SlotStarts &starts = halttable::startsOf(s_Port_HaltInfo)[index];
  starts.ownerId = static_cast<uint32_t>(live) + 1;
  starts.owner = 1;
  slot.processId = static_cast<uint32_t>(live); // registered by the older library
  slot.inUse = true;
  const unsigned long id = static_cast<unsigned long>(live);
  EXPECT_EQ(index, GetHaltIndex(id));
  Channel none;
  const pid_t next = forkChild(none, [] {
    restartService();
    return 0;
  });
  EXPECT_EQ(0, waitChild(next));
  EXPECT_EQ(index, GetHaltIndex(id));
  channel.toChild('q');
  EXPECT_EQ(0, waitChild(live));
}

// Who holds the lock of the test process's slot when another process posts to it.
enum class Holder { Zombie, ReusedId, SendersOwnIdFromEarlierProcess, StoppedLiveProcess };

struct HolderCase {
  Holder holder;
  bool posted; // the code reaches the slot (the lock was taken over)
  const char *name;
};

class HaltLockHolders : public HaltTable, public ::testing::WithParamInterface<HolderCase> {};

TEST_P(HaltLockHolders, PostingWaitsABoundedTime) {
  const HolderCase c = GetParam();
  const unsigned long self = static_cast<unsigned long>(getpid());
  const int index = GetHaltIndex(self);
  Port_HaltInfo &slot = s_Port_HaltInfo[index];
  halttable::SlotStarts &starts = halttable::startsOf(s_Port_HaltInfo)[index];

  Channel holderChannel;
  const pid_t holder = forkChild(holderChannel, [&] {
    if (c.holder == Holder::Zombie)
      return 0;
    if (c.holder == Holder::StoppedLiveProcess)
      raise(SIGSTOP);
    holderChannel.fromParent();
    return 0;
  });
  if (c.holder == Holder::Zombie) {
    ASSERT_TRUE(becomesZombie(holder));
  }
  if (c.holder != Holder::SendersOwnIdFromEarlierProcess) {
    slot.lock = static_cast<int32_t>(holder);
    // A live process whose recorded start time is not its own got the id of a dead holder.
    starts.holderId = static_cast<uint32_t>(holder);
    starts.holder = c.holder == Holder::ReusedId ? 1 : 0;
  }

  Channel channel;
  const pid_t sender = forkChild(channel, [&] {
    alarm(10);
    if (c.holder == Holder::SendersOwnIdFromEarlierProcess) {
      slot.lock = static_cast<int32_t>(getpid());
      starts.holderId = static_cast<uint32_t>(getpid());
      starts.holder = 1;
    }
    const auto start = std::chrono::steady_clock::now();
    Port_Halt::SendSignal(self, 2);
    const auto took = std::chrono::steady_clock::now() - start;
    return took < std::chrono::seconds(3) ? 0 : 10;
  });
  EXPECT_EQ(0, waitChild(sender));
  EXPECT_EQ(c.posted, slot.sent.load());
  if (c.posted) { // the lock taken over was released again
    EXPECT_EQ(0, slot.lock);
  }

  slot.lock = 0;
  starts.holderId = 0;
  starts.holder = 0;
  EXPECT_EQ(!c.posted, Port_Halt::IsSignalDelivered(self));
  kill(holder, SIGKILL);
  waitChild(holder);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HaltLockHolders,
    ::testing::Values(HolderCase{Holder::Zombie, true, "Zombie"},
                      HolderCase{Holder::ReusedId, true, "ReusedId"},
                      HolderCase{Holder::SendersOwnIdFromEarlierProcess, true, "OwnIdEarlier"},
                      HolderCase{Holder::StoppedLiveProcess, false, "StoppedLiveProcess"}),
    [](const ::testing::TestParamInfo<HolderCase> &info) { return info.param.name; });

} // namespace
