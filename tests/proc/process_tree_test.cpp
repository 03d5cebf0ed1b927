// Ending a child ends what it started, and an interrupt of this process reaches the child.
// The children get a stdin pipe and an output receiver, so that none of their standard
// descriptors is a terminal even when the tests run from one (such a child would stay in this
// process's group).
#include "Port_Halt.h"
#include "Port_Process.h"
#include "recorder.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

using porttest::Clock;
using porttest::msSince;
using porttest::Record;
using porttest::recorder;

namespace {

// The process id the shell wrote, once it is there.
long readPid(const std::string &file) {
  for (int i = 0; i < 200; ++i) {
    std::ifstream in(file);
    long pid = 0;
    if (in >> pid && in.peek() == '\n')
      return pid;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

// A process runs while /proc lists it in a state other than zombie or dead.
bool running(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line))
    return false;
  size_t paren = line.rfind(')');
  return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] != 'Z' &&
         line[paren + 2] != 'X';
}

bool endsWithin(long pid, int ms) {
  for (auto start = Clock::now(); msSince(start) < ms;) {
    if (!running(pid))
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return !running(pid);
}

enum class Ending { SynchronousLimit, BackgroundLimit, Terminate, DestroyTracked };

const char *describe(Ending e) {
  switch (e) {
  case Ending::SynchronousLimit:
    return "synchronous run, time limit";
  case Ending::BackgroundLimit:
    return "background run, time limit";
  case Ending::Terminate:
    return "TerminateChildProc";
  case Ending::DestroyTracked:
    return "destruction of a tracked run";
  }
  return "";
}

// The shell starts a sleeper, notes its id, and waits for it; however the shell is ended, the
// sleeper goes with it, and the run is over long before the sleeper would have been.
TEST(ProcessTree, EndingAChildEndsWhatItStarted) {
  for (Ending ending : {Ending::SynchronousLimit, Ending::BackgroundLimit, Ending::Terminate,
                        Ending::DestroyTracked}) {
    SCOPED_TRACE(describe(ending));
    porttest::TempTree tree;
    const std::string pidFile = tree.root() + "/sleeper.pid";
    const std::string script = "echo hi; sleep 30 & echo $! > " + pidFile + "; wait; echo late";
    const char *argv[] = {"sh", "-c", script.c_str()};
    auto r = std::make_shared<Record>();
    const bool limited = ending == Ending::SynchronousLimit || ending == Ending::BackgroundLimit;
    auto start = Clock::now();
    long sleeper = 0;
    {
      Port::Process p(limited ? 500 : Port::Process::NoTimeLimit);
      const bool wait = ending == Ending::SynchronousLimit;
      const int status = p.Run(3, argv, recorder(r), 50, wait, true, true);
      ASSERT_EQ(status, wait ? 0 : 3);
      sleeper = readPid(pidFile);
      ASSERT_GT(sleeper, 0);
      if (ending == Ending::Terminate) {
        EXPECT_TRUE(p.TerminateChildProc(true));
      }
      if (ending != Ending::DestroyTracked) {
        for (int i = 0; i < 50 && p.ChildProcStatus() == 3; ++i) {
        }
        EXPECT_EQ(p.ChildProcStatus(), 0);
        EXPECT_EQ(p.GetChildRetcode(), Port::Process::TerminatedExitCode);
      }
    }
    EXPECT_LT(msSince(start), 5000);
    EXPECT_TRUE(endsWithin(sleeper, 2000)) << "sleeper " << sleeper << " still runs";
    std::lock_guard<std::mutex> lock(r->mutex);
    EXPECT_EQ(r->text, "hi\n");
    EXPECT_EQ(r->lastCalls, 1);
  }
}

void noteInterrupt() { Port_Halt::SetHaltValue(2); }

// A tool that takes Ctrl+C through the halt service: the interrupt it receives during a
// synchronous run ends the child as Ctrl+C ends a console program, and the tool learns of it
// at its next check.
TEST(ProcessTree, InterruptReachesTheChildOfASynchronousRun) {
  Port_Halt::SetHandler(&noteInterrupt);
  Port_Halt::Start();
  porttest::TempTree tree;
  const std::string pidFile = tree.root() + "/child.pid";
  auto r = std::make_shared<Record>();
  Port::Process p(10000);
  std::thread interrupter([&pidFile] {
    readPid(pidFile);
    std::raise(SIGINT);
  });
  auto start = Clock::now();
  const std::string script = "echo $$ > " + pidFile + "; exec sleep 5";
  const char *argv[] = {"sh", "-c", script.c_str()};
  const int status = p.Run(3, argv, recorder(r), 50, true, true, true);
  interrupter.join();
  EXPECT_EQ(status, 0);
  EXPECT_LT(msSince(start), 3000);
  EXPECT_TRUE(Port::Process::IsAbortExitCode(p.GetChildRetcode()))
      << std::hex << p.GetChildRetcode();
  EXPECT_EQ(r->text, "");
  EXPECT_EQ(Port_Halt::CheckHalt(), 2);
  Port_Halt::Stop();
  Port_Halt::SetHandler(nullptr);
  Port_Halt::SetHaltValue(0);
}

// Runs a child that notes its id and sleeps, and interrupts this process once the id is there.
void runUntilInterrupted(const std::string &pidFile) {
  std::thread interrupter([&pidFile] {
    readPid(pidFile);
    std::raise(SIGINT);
  });
  interrupter.detach();
  Port::Process p;
  const std::string script = "echo $$ > " + pidFile + "; exec sleep 30";
  const char *argv[] = {"sh", "-c", script.c_str()};
  p.Run(3, argv, recorder(std::make_shared<Record>()), 50, true, true, true);
  std::exit(0); // not reached: the interrupt ends this process
}

// Without an interrupt handler of its own the tool is ended by Ctrl+C as before, and its child
// with it.
TEST(ProcessTreeDeathTest, InterruptEndsTheToolAndItsChild) {
  GTEST_FLAG_SET(death_test_style, "fast"); // the dying process writes where this one reads
  porttest::TempTree tree;
  const std::string pidFile = tree.root() + "/child.pid";
  auto start = Clock::now();
  // The check of the death ends when nothing holds its pipe any more, the child included.
  EXPECT_EXIT(runUntilInterrupted(pidFile), ::testing::KilledBySignal(SIGINT), "");
  EXPECT_LT(msSince(start), 5000);
  const long child = readPid(pidFile);
  ASSERT_GT(child, 0);
  EXPECT_TRUE(endsWithin(child, 2000)) << "child " << child << " still runs";
}

} // namespace
