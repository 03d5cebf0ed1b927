// The message system under load, each situation in a child process (tests/programs/loadprobe)
// that ends itself with SIGALRM after eight seconds: a deadlock or a spin shows as that signal.
#include "child_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

using porttest::ChildResult;
using porttest::installTree;
using porttest::runProgram;
using porttest::testProgram;

namespace {
ChildResult probe(const std::vector<std::string> &args) {
  return runProgram(testProgram("loadprobe"), args, {{"QUELMO", installTree()}});
}

// The child's standard error holds thousands of messages; show only its end on failure.
std::string tail(const std::string &text) {
  return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
}
} // namespace

// A thread-sanitizer process takes seconds to start and end: fewer runs there.
#if defined(__SANITIZE_THREAD__)
const int kFatalRuns = 8;
#else
const int kFatalRuns = 40;
#endif

TEST(DispatcherConcurrency, FatalMessageAmongBusyThreadsEndsWithItsExitValue) {
  for (int run = 0; run < kFatalRuns; ++run) {
    const ChildResult r = probe({"fatal-threads", "8", "7"});
    ASSERT_EQ(7, r.status) << "run " << run << "\n" << tail(r.err);
    EXPECT_NE(std::string::npos, r.err.find("Cannot continue with c.txt.")) << tail(r.err);
  }
}

TEST(DispatcherConcurrency, StreamRemovedWhileItsFlushFailsNeverDeadlocks) {
  const ChildResult r = probe({"stream-detach", "1500"});
  ASSERT_NE(128 + SIGALRM, r.status) << "deadlocked\n" << tail(r.err);
  EXPECT_EQ(0, r.status) << r.out << tail(r.err);
}

TEST(DispatcherConcurrency, LowLevelPrintMsgWhileManagersComeAndGo) {
  const ChildResult r = probe({"printmsg-churn", "1000"});
  EXPECT_EQ(0, r.status) << r.out << tail(r.err);
}

TEST(DispatcherConcurrency, RegistrationWaitsForFewMessagesOnly) {
  const ChildResult r = probe({"registration-wait", "8", "40"});
  ASSERT_EQ(0, r.status) << tail(r.err);
  long long medianUs = 0, maxUs = 0;
  unsigned long long passedMedian = 0;
  ASSERT_EQ(3, std::sscanf(r.out.c_str(), "waits %lld %lld %llu", &medianUs, &maxUs, &passedMedian))
      << r.out;
  std::printf("registration wait: median %lld us, max %lld us, messages passed (median) %llu\n",
              medianUs, maxUs, passedMedian);
  // A fair dispatcher lets at most the messages already queued for the lock go first.
  EXPECT_LE(passedMedian, 16u);
}
