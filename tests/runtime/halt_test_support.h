// halt_test_support.h - a halt table of the test's own, and forked children that talk to the
// test through a pipe.
#ifndef HALT_TEST_SUPPORT_H
#define HALT_TEST_SUPPORT_H

#include "Port_Halt.h"
#include "child_process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

namespace halttest {

// Gives each test a shared segment of its own (QEL_HALT_TABLE), so that tests running at the
// same time never see each other's registrations, and removes it afterwards.
class HaltTable : public ::testing::Test {
protected:
  void SetUp() override {
    m_name = "/qel-halt-test-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    // A segment name holds no slash after the first (parameterised tests have one).
    for (size_t i = 1; i < m_name.size(); ++i)
      if (m_name[i] == '/')
        m_name[i] = '-';
    shm_unlink(m_name.c_str());
    setenv("QEL_HALT_TABLE", m_name.c_str(), 1);
    Port_Halt::Finalize();
    Port_Halt::Initialize();
    ASSERT_GE(GetHaltIndex(getpid()), 0);
  }
  void TearDown() override {
    Port_Halt::Finalize();
    shm_unlink(m_name.c_str());
    unsetenv("QEL_HALT_TABLE");
    Port_Halt::Initialize();
  }

  // Marks every free slot as held by a process that certainly exists (the init process).
  static void fillFreeSlots() {
    for (int i = 0; i < Port_HaltInfoSlots; ++i)
      if (!s_Port_HaltInfo[i].inUse) {
        s_Port_HaltInfo[i].processId = 1;
        s_Port_HaltInfo[i].inUse = true;
      }
  }

private:
  std::string m_name;
};

// One byte messages between the test and a child; every wait gives up after ten seconds.
class Channel {
public:
  Channel() {
    if (pipe(m_down) != 0 || pipe(m_up) != 0)
      std::abort();
  }
  ~Channel() {
    for (int fd : {m_down[0], m_down[1], m_up[0], m_up[1]})
      if (fd >= 0)
        close(fd);
  }
  // In the parent after fork: keep the ends it uses.
  void parentSide() { closeEnd(m_down[0]), closeEnd(m_up[1]); }
  void childSide() { closeEnd(m_down[1]), closeEnd(m_up[0]); }

  bool toChild(int value) { return put(m_down[1], value); }
  bool toParent(int value) { return put(m_up[1], value); }
  int fromChild() { return get(m_up[0]); } // -1 on end of file or time-out
  int fromParent() { return get(m_down[0]); }

private:
  static void closeEnd(int &fd) {
    close(fd);
    fd = -1;
  }
  static bool put(int fd, int value) {
    const unsigned char byte = static_cast<unsigned char>(value);
    return write(fd, &byte, 1) == 1;
  }
  static int get(int fd) {
    pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, 10000) != 1)
      return -1;
    unsigned char byte;
    return read(fd, &byte, 1) == 1 ? byte : -1;
  }
  int m_down[2];
  int m_up[2];
};

// Runs body in a forked child that ends with std::exit(body()), as a program's main returns.
inline pid_t forkChild(Channel &channel, const std::function<int()> &body) {
  const pid_t pid = fork();
  if (pid == 0) {
    channel.childSide();
    std::exit(body());
  }
  channel.parentSide();
  return pid;
}

// The child's exit status, or 128 + the signal that ended it.
inline int waitChild(pid_t pid) { return porttest::waitForChild(pid); }

// Calls CheckHalt until done() holds or ten seconds pass.
inline bool checkHaltUntil(const std::function<bool()> &done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < end) {
    Port_Halt::CheckHalt();
    if (done())
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

} // namespace halttest

#endif
