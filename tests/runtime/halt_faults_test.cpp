// The halt table when its shared segment cannot be had (the platform layer's test switch): the
// service falls back to a table of the process's own, in which the process is registered and
// codes posted to itself still arrive.
#include "halt_test_support.h"

#include "platform/faults.h"

#include <fcntl.h>

namespace {

Port_Halt::HaltCode g_action;

void recordAction() { g_action = Port_Halt::GetAction(); }

TEST(HaltFaults, UnmappableSharedTableFallsBackToAPrivateOne) {
  const std::string name = "/qel-halt-fault-" + std::to_string(getpid());
  shm_unlink(name.c_str());
  setenv("QEL_HALT_TABLE", name.c_str(), 1);
  Port_Halt::Finalize();
  Port_TestFault(Port_TestSharedMemory, 1, 1, EACCES);
  Port_Halt::Initialize();
  EXPECT_EQ(1, Port_TestFaultHits(Port_TestSharedMemory));
  Port_TestFaultClear();

  const unsigned long self = static_cast<unsigned long>(getpid());
  EXPECT_GE(GetHaltIndex(self), 0);
  Port_Halt::SetHandler(&recordAction);
  g_action = 0;
  Port_Halt::SendSignal(self, 2);
  EXPECT_EQ(0, Port_Halt::CheckHalt());
  EXPECT_EQ(2, g_action);
  // The table is the process's own: no segment was made.
  const int fd = shm_open(name.c_str(), O_RDONLY, 0);
  EXPECT_LT(fd, 0);
  if (fd >= 0)
    close(fd);

  Port_Halt::SetHandler(nullptr);
  Port_Halt::Finalize();
  unsetenv("QEL_HALT_TABLE");
  Port_Halt::Initialize();
  EXPECT_GE(GetHaltIndex(self), 0);
}

} // namespace
