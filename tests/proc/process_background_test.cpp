// Background runs of Port::Process: the reader thread, status while running and after, time
// limits, stop on destruction, input pipes. Suites are named for the thread-sanitizer run.
#include "Port_Process.h"
#include "recorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using porttest::Clock;
using porttest::msSince;
using porttest::Record;
using porttest::recorder;

namespace {

// Status until the child ends (each query waits up to 100 ms), bounded to a few seconds.
int waitForEnd(Port::Process &p) {
  int status = 3;
  for (int i = 0; i < 50 && status == 3; ++i)
    status = p.ChildProcStatus();
  return status;
}

TEST(ProcessConcurrency, UntrackedRunReportsRunningThenEndedAndAllowsASynchronousRun) {
  Port::Process p;
  const char *argv[] = {"sh", "-c", "sleep 0.3; exit 5"};
  ASSERT_EQ(p.Run(3, argv, false, false), 3);
  EXPECT_NE(p.GetChildPID(), Port::Process::NoChild);
  EXPECT_EQ(p.ChildProcStatus(), 3);
  EXPECT_EQ(p.Run("true", true, true), 3); // still running: nothing started
  EXPECT_EQ(waitForEnd(p), 0);
  EXPECT_EQ(p.GetChildRetcode(), 5);
  EXPECT_EQ(p.ChildProcStatus(), 0);
  // The next synchronous run starts and reports its own end.
  const char *again[] = {"sh", "-c", "exit 6"};
  EXPECT_EQ(p.Run(3, again, true, true), 0);
  EXPECT_EQ(p.GetChildRetcode(), 6);
}

TEST(ProcessConcurrency, ReaderDeliversOutputInOrderWithOneLastCall) {
  auto r = std::make_shared<Record>();
  {
    Port::Process p;
    const char *argv[] = {"sh", "-c", "echo a; sleep 0.2; seq 1 20000; echo b"};
    ASSERT_EQ(p.Run(3, argv, recorder(r), 30, false, true, false), 3);
    EXPECT_EQ(waitForEnd(p), 0);
    EXPECT_EQ(p.GetChildRetcode(), 0);
  } // joins the reader
  std::string expected = "a\n";
  for (int i = 1; i <= 20000; ++i)
    expected += std::to_string(i) + "\n";
  expected += "b\n";
  std::lock_guard<std::mutex> lock(r->mutex);
  EXPECT_EQ(r->text, expected);
  EXPECT_EQ(r->lastCalls, 1);
  EXPECT_FALSE(r->callAfterLast);
  EXPECT_TRUE(r->deleted);
}

// Interval 0: nothing reaches the receiver while the child runs, yet the child is never
// blocked by a full pipe; the whole text, its Windows line ends cleaned, comes in the last call.
TEST(ProcessConcurrency, IntervalZeroHandsAllOutputToTheFinalCall) {
  const int lines = 800000; // above 5 MiB
  auto r = std::make_shared<Record>();
  auto start = Clock::now();
  {
    Port::Process p(20000);
    std::string script =
        "BEGIN { for (i = 1; i <= " + std::to_string(lines) + "; i++) print i \"\r\" }";
    const char *argv[] = {"awk", script.c_str()};
    ASSERT_EQ(p.Run(2, argv, recorder(r), 0, false, true, false), 3);
    EXPECT_EQ(waitForEnd(p), 0);
    EXPECT_EQ(p.GetChildRetcode(), 0); // ended by itself, not by the limit
  }
  EXPECT_LT(msSince(start), 10000);
  std::string expected;
  for (int i = 1; i <= lines; ++i)
    expected += std::to_string(i) + "\n";
  ASSERT_GT(expected.size(), 5u << 20);
  std::lock_guard<std::mutex> lock(r->mutex);
  EXPECT_EQ(r->textCalls, 1);
  EXPECT_EQ(r->nullCalls, 0);
  EXPECT_EQ(r->lastCalls, 1);
  EXPECT_FALSE(r->lastWasNull);
  EXPECT_TRUE(r->text == expected) << r->text.size() << " bytes instead of " << expected.size();
}

TEST(ProcessConcurrency, TimeLimitEndsTheChildWith199WhateverTheInterval) {
  for (unsigned poll : {0u, 50u, 5000u}) {
    auto r = std::make_shared<Record>();
    Port::Process p(300);
    auto start = Clock::now();
    ASSERT_EQ(p.Run("sleep 5", recorder(r), poll, false, true, false), 3);
    EXPECT_EQ(waitForEnd(p), 0) << poll;
    EXPECT_LT(msSince(start), 2000) << poll;
    EXPECT_EQ(p.GetChildRetcode(), Port::Process::TerminatedExitCode) << poll;
  }
}

TEST(ProcessConcurrency, UntrackedTimeLimitedReaderEndsTheChildOnItsOwn) {
  auto start = Clock::now();
  Port::Process p(200);
  ASSERT_EQ(p.Run("sleep 5", false, false), 3);
  EXPECT_EQ(waitForEnd(p), 0);
  EXPECT_EQ(p.GetChildRetcode(), Port::Process::TerminatedExitCode);
  EXPECT_LT(msSince(start), 2000);
}

TEST(ProcessConcurrency, DestroyingATrackedRunStopsTheChild) {
  auto r = std::make_shared<Record>();
  auto start = Clock::now();
  {
    Port::Process p;
    ASSERT_EQ(p.Run("sleep 5", recorder(r), 50, false, true, false), 3);
  }
  EXPECT_LT(msSince(start), 2000);
  std::lock_guard<std::mutex> lock(r->mutex);
  EXPECT_EQ(r->lastCalls, 1);
  EXPECT_TRUE(r->deleted);
}

TEST(ProcessConcurrency, ChildReadsPipedInputAndSeesItsEnd) {
  auto r = std::make_shared<Record>();
  {
    Port::Process p(2000);
    ASSERT_EQ(p.Run("cat", recorder(r), 20, false, true, true), 3);
    std::string big(200000, 'x');
    big += "\nend\n";
    EXPECT_EQ(p.WriteToChild(big.data(), static_cast<unsigned>(big.size())),
              static_cast<int>(big.size()));
    EXPECT_TRUE(p.CloseChildInput());
    EXPECT_EQ(waitForEnd(p), 0);
    EXPECT_EQ(p.GetChildRetcode(), 0); // ended by the end of its input, not by the limit
    EXPECT_EQ(p.WriteToChild("x", 1), -1);
  }
  std::lock_guard<std::mutex> lock(r->mutex);
  EXPECT_EQ(r->text, std::string(200000, 'x') + "\nend\n");
}

TEST(ProcessConcurrency, WritingToAChildThatStoppedReadingFailsQuietly) {
  Port::Process p(2000);
  ASSERT_EQ(p.Run("true", recorder(std::make_shared<Record>()), 20, false, true, true), 3);
  EXPECT_EQ(waitForEnd(p), 0);
  EXPECT_EQ(p.WriteToChild("data", 4), -1); // EPIPE, and this process is not killed
}

TEST(ProcessConcurrency, TerminateEndsARunningChildWith199) {
  Port::Process p;
  ASSERT_EQ(p.Run("sleep 5", false, true), 3);
  testing::internal::CaptureStdout();
  EXPECT_TRUE(p.TerminateChildProc(false));
  EXPECT_NE(testing::internal::GetCapturedStdout().find(
                "You are about to terminate process spawned by Port::Process"),
            std::string::npos);
  EXPECT_EQ(waitForEnd(p), 0);
  EXPECT_EQ(p.GetChildRetcode(), Port::Process::TerminatedExitCode);
  EXPECT_FALSE(p.TerminateChildProc(true)); // nothing left to end
}

} // namespace
