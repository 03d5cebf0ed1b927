// Child processes when the system refuses what a run needs: the start itself, the output pipe,
// the process descriptor, the reader thread, the thread that reaps a child left behind. The
// caller gets the run's failure status and the reason, and nothing is left over: descriptors,
// threads, children.
#include "Port_Process.h"
#include "platform/faults.h"
#include "recorder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

using porttest::errorText;
using porttest::Record;
using porttest::recorder;

namespace {

namespace fs = std::filesystem;

size_t entriesOf(const char *dir) {
  size_t n = 0;
  for (auto it = fs::directory_iterator(dir); it != fs::directory_iterator(); ++it)
    ++n;
  return n;
}

// This process's children that still exist, zombies included.
std::string children() {
  std::string all;
  for (const auto &task : fs::directory_iterator("/proc/self/task")) {
    std::ifstream in(task.path() / "children");
    std::stringstream text;
    text << in.rdbuf();
    all += text.str();
  }
  return all;
}

// What a run may leave behind, taken before and compared after.
struct Leftovers {
  // A thread started and ended first: a sanitizer's runtime starts a helper thread of its own
  // with the process's first thread, which must not count as left over.
  bool warm = (std::thread([] {}).join(), true);
  size_t descriptors = entriesOf("/proc/self/fd");
  size_t threads = entriesOf("/proc/self/task");

  // Threads and children that are on their way out get a moment.
  void expectNone() const {
    for (int i = 0; i < 200 && (entriesOf("/proc/self/task") > threads || !children().empty()); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(descriptors, entriesOf("/proc/self/fd"));
    EXPECT_EQ(threads, entriesOf("/proc/self/task"));
    EXPECT_EQ("", children());
  }
};

// Runs the three-word argv with the next call of the service failing with err; the run must fail
// having met the fault once. Clears the fault and returns the run's error text.
std::string failedRunText(Port::Process &p, const char *const *argv,
                          const std::shared_ptr<Record> &r, int service, int err, bool wait) {
  EXPECT_EQ(0, Port_TestFault(service, 1, 0, err));
  EXPECT_EQ(1, p.Run(3, argv, recorder(r), 50, wait, true, false));
  EXPECT_EQ(1, Port_TestFaultHits(service));
  Port_TestFaultClear();
  return errorText(p);
}

struct Refusal {
  const char *name;
  int service;
  int err;
  const char *text; // the run's error text
};

class ProcessRefused : public ::testing::TestWithParam<Refusal> {
protected:
  void TearDown() override { Port_TestFaultClear(); }
};

const char *const kArgv[] = {"sh", "-c", "echo out"};

// Synchronous and background runs alike.
TEST_P(ProcessRefused, RunFailsWithTheReasonAndLeavesNothing) {
  const Refusal &c = GetParam();
  for (bool wait : {true, false}) {
    Leftovers before;
    {
      auto r = std::make_shared<Record>();
      Port::Process p;
      EXPECT_EQ(c.text, failedRunText(p, kArgv, r, c.service, c.err, wait)) << wait;
      EXPECT_EQ(Port::Process::NoChild, p.GetChildPID()) << wait;
      EXPECT_EQ("", r->text) << wait;
    }
    before.expectNone();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProcessRefused,
    ::testing::Values(Refusal{"SpawnOutOfProcesses", Port_TestSpawn, EAGAIN,
                              "sh: Resource temporarily unavailable"},
                      Refusal{"SpawnOutOfMemory", Port_TestSpawn, ENOMEM,
                              "sh: Cannot allocate memory"},
                      Refusal{"NoPipe", Port_TestPipe, EMFILE, "sh: Too many open files"}),
    [](const ::testing::TestParamInfo<Refusal> &info) { return info.param.name; });

// A wait that fails ends a synchronous run with the reason; the child is reaped by then or
// afterwards, by the thread that takes over children nobody waits for.
TEST(ProcessFaults, WaitFailingEndsASynchronousRunWithTheReason) {
  Leftovers before;
  {
    auto r = std::make_shared<Record>();
    Port::Process p;
    const char *argv[] = {"sh", "-c", "sleep 0.2; echo out"};
    EXPECT_EQ("sh: Cannot allocate memory", failedRunText(p, argv, r, Port_TestPoll, ENOMEM, true));
  }
  before.expectNone();
}

// Output that stops half way: the run fails with the reason, the receiver keeps what came
// before, in order, and hears the end of the run. The child writes in bursts, one read each.
TEST(ProcessFaults, ReadFailingHalfWayKeepsWhatCameBefore) {
  {
    Port::Process warm; // the catalogue is read before the fault is armed
    warm.Run("no_such_program_here_42", true, true);
    errorText(warm);
  }
  Leftovers before;
  const std::string all = "line1\nline2\nline3\nline4\nline5\nline6\n";
  for (bool wait : {true, false}) {
    auto r = std::make_shared<Record>();
    {
      Port::Process p;
      const char *argv[] = {"sh", "-c", "for i in 1 2 3 4 5 6; do echo line$i; sleep 0.05; done"};
      ASSERT_EQ(0, Port_TestFault(Port_TestRead, 3, 1, EIO));
      const int status = p.Run(3, argv, recorder(r), 10, wait, true, false);
      if (wait) {
        EXPECT_EQ(1, status);
        EXPECT_EQ("sh: Input/output error", errorText(p));
      }
    } // a tracked reader is joined here
    Port_TestFaultClear();
    std::lock_guard<std::mutex> lock(r->mutex);
    EXPECT_LT(r->text.size(), all.size()) << wait;
    EXPECT_EQ(all.substr(0, r->text.size()), r->text) << wait;
    EXPECT_EQ(1, r->lastCalls) << wait;
  }
  before.expectNone();
}

// Only a background run has a reader thread; without it nobody would watch the child, so the
// child is ended and the run reports that it could not start.
TEST(ProcessFaults, ReaderThreadRefusedEndsTheChildAndReportsTheRun) {
  Leftovers before;
  auto r = std::make_shared<Record>();
  {
    Port::Process p;
    const char *argv[] = {"sh", "-c", "echo out; exec sleep 5"};
    EXPECT_EQ("sh: Resource temporarily unavailable",
              failedRunText(p, argv, r, Port_TestThread, EAGAIN, false));
    EXPECT_EQ(Port::Process::NoChild, p.GetChildPID());
  }
  EXPECT_TRUE(r->deleted);
  before.expectNone();
}

// Without a process descriptor the end of the child is found by looking; the run's result is
// the same.
TEST(ProcessFaults, NoProcessDescriptorStillWaitsForTheChildAndItsCode) {
  Leftovers before;
  for (bool wait : {true, false}) {
    auto r = std::make_shared<Record>();
    {
      Port::Process p;
      const char *argv[] = {"sh", "-c", "echo out; sleep 0.1; exit 7"};
      ASSERT_EQ(0, Port_TestFault(Port_TestPidfd, 1, 0, ENOSYS));
      const int status = p.Run(3, argv, recorder(r), 20, wait, true, false);
      EXPECT_EQ(1, Port_TestFaultHits(Port_TestPidfd));
      Port_TestFaultClear();
      EXPECT_EQ(wait ? 0 : 3, status);
      for (int i = 0; i < 100 && p.ChildProcStatus() == 3; ++i) {
      }
      EXPECT_EQ(7, p.GetChildRetcode()) << wait;
    } // a tracked reader is joined here
    std::lock_guard<std::mutex> lock(r->mutex);
    EXPECT_EQ("out\n", r->text) << wait;
  }
  before.expectNone();
}

// An untracked child outlives its Process object and is reaped by a thread of its own; when
// that thread cannot be started, the child is reaped once another child is started.
TEST(ProcessFaults, ChildLeftBehindWithoutAReaperIsReapedLater) {
  Leftovers before;
  unsigned pid;
  {
    Port::Process p;
    ASSERT_EQ(3, p.Run("sleep 0.1", false, false));
    pid = p.GetChildPID();
    ASSERT_EQ(0, Port_TestFault(Port_TestThread, 1, 1, EAGAIN));
  } // the child still runs: its reaper is refused
  EXPECT_EQ(1, Port_TestFaultHits(Port_TestThread));
  Port_TestFaultClear();
  // Nobody reaps it meanwhile: it ends as a zombie.
  const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
  std::string state;
  for (int i = 0; i < 500 && state.find(") Z") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::ifstream in(stat);
    std::getline(in, state);
  }
  EXPECT_NE(std::string::npos, state.find(") Z")) << state;
  Port::Process next;
  EXPECT_EQ(0, next.Run("sh -c \"exit 0\"", true, true));
  before.expectNone();
}

} // namespace
