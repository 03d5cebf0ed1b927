// The file alteration monitor: changes made by another process are reported once each, with
// the right name, from the monitor's own thread. The suite names carry "Concurrency" so that
// the thread-sanitizer run picks them up.
#include "Port_FAM.h"
#include "child_process.h"
#include "platform/faults.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

class Recorder : public Port::FileCallback {
public:
  void FileChanged(const Port::StringBase<char> &name) override {
    std::lock_guard<std::mutex> hold(m_lock);
    m_names.push_back(name.GetBuffer());
    m_changed.notify_all();
  }
  // Waits until count names have come (or the time is up), then a quiet spell in which no
  // further one may come; the names heard.
  std::vector<std::string> await(size_t count, std::chrono::milliseconds quiet = 150ms) {
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait_for(hold, 5s, [&] { return m_names.size() >= count; });
    m_changed.wait_for(hold, quiet, [&] { return m_names.size() > count; });
    std::vector<std::string> got;
    got.swap(m_names);
    return got;
  }

private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<std::string> m_names;
};

// Runs a shell command in another process, from the test's directory.
void shell(const std::string &dir, const std::string &command) {
  const porttest::ChildResult r =
      porttest::runProgram("/bin/sh", {"-c", "cd '" + dir + "' && " + command});
  ASSERT_EQ(r.status, 0) << command << ": " << r.err;
}

const unsigned kBoth = Port::File::WatchSize | Port::File::WatchAttributes;

class FamConcurrencyTest : public ::testing::Test {
protected:
  void SetUp() override { fam.SetFileCallback(recorder); }
  std::string file(const std::string &relative, const std::string &content = "start\n") {
    return tree.write(relative, content);
  }
  porttest::TempTree tree;
  boost::shared_ptr<Recorder> recorder{new Recorder};
  Port::FAM fam;
};

TEST_F(FamConcurrencyTest, ReportsEachChangeOnceWithTheName) {
  const std::string name = file("a.txt");
  ASSERT_TRUE(fam.MonitorFile(name.c_str(), kBoth));
  fam.StartMonitor();
  const struct {
    const char *command;
    size_t reports;
    size_t upTo = 0; // more than reports allowed: states a second process can leave between
  } steps[] = {
      {"printf 'more\\n' >> a.txt", 1},
      {": > a.txt", 1},       // truncated
      {"chmod u-w a.txt", 1}, // read-only attribute
      {"chmod u+w a.txt", 1},
      {"chmod g-r a.txt", 0},                                 // no Windows attribute
      {"printf 'replaced!\\n' > t.tmp && mv t.tmp a.txt", 1}, // replaced by rename
      {"printf 'rEplaced!\\n' 1<> a.txt", 0}, // same size, rewritten without truncating
      {"touch -d '2001-01-01' a.txt", 0},     // times only
      {"printf 'other file\\n' > b.txt", 0},  // another file in the directory
      {"rm a.txt", 0},                        // gone: nothing to compare
      // made again: empty when made, then written, which the monitor may see apart
      {"printf 'back again, longer\\n' > a.txt", 1, 2},
  };
  for (const auto &step : steps) {
    shell(tree.root(), step.command);
    const std::vector<std::string> got = recorder->await(step.reports);
    ASSERT_GE(got.size(), step.reports) << step.command;
    ASSERT_LE(got.size(), std::max(step.reports, step.upTo)) << step.command;
    for (const std::string &n : got)
      EXPECT_EQ(n, name) << step.command;
  }
}

TEST_F(FamConcurrencyTest, SizeOnlyIgnoresAttributes) {
  const std::string name = file("s.txt");
  ASSERT_TRUE(fam.MonitorFile(name.c_str(), Port::File::WatchSize));
  fam.StartMonitor();
  shell(tree.root(), "chmod u-w s.txt");
  EXPECT_TRUE(recorder->await(0).empty());
  shell(tree.root(), "chmod u+w s.txt && printf x >> s.txt");
  EXPECT_EQ(recorder->await(1), std::vector<std::string>{name});
}

TEST_F(FamConcurrencyTest, SeveralFilesInOneAndInDifferentDirectories) {
  const std::string a = file("one/a.txt"), b = file("one/b.txt"), c = file("two/c.txt");
  for (const std::string &n : {a, b, c})
    ASSERT_TRUE(fam.MonitorFile(n.c_str(), kBoth));
  fam.StartMonitor();
  shell(tree.root(), "printf x >> one/b.txt");
  EXPECT_EQ(recorder->await(1), std::vector<std::string>{b});
  shell(tree.root(), "printf x >> two/c.txt");
  EXPECT_EQ(recorder->await(1), std::vector<std::string>{c});
  shell(tree.root(), "printf x >> one/a.txt && printf x >> two/c.txt");
  std::vector<std::string> got = recorder->await(2);
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{a, c}));
}

TEST_F(FamConcurrencyTest, SameNameTwiceIsNotAddedAndAMissingFileThrows) {
  const std::string name = file("a.txt");
  EXPECT_TRUE(fam.MonitorFile(name.c_str(), kBoth));
  EXPECT_FALSE(fam.MonitorFile(name.c_str(), Port::File::WatchSize));
  // The file's state is read when it is added: a caller that ignores the result still learns
  // that the file is not watched.
  try {
    fam.MonitorFile((tree.root() + "/none.txt").c_str(), kBoth);
    FAIL() << "no exception";
  } catch (const Port::FAMException &e) {
    const std::wstring text = e.getLocalized();
    EXPECT_NE(text.find(L"Could not get stats for file"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"none.txt"), std::wstring::npos) << text;
  }
  // The failed call added nothing: the file can be watched once it exists.
  const std::string later = file("none.txt");
  EXPECT_TRUE(fam.MonitorFile(later.c_str(), kBoth));
}

TEST_F(FamConcurrencyTest, SuspendResumeAndExit) {
  const std::string name = file("a.txt");
  ASSERT_TRUE(fam.MonitorFile(name.c_str(), kBoth));
  fam.StartMonitor();
  fam.SuspendMonitor();
  shell(tree.root(), "printf x >> a.txt");
  EXPECT_TRUE(recorder->await(0, 300ms).empty()) << "reported while suspended";
  fam.ResumeMonitor();
  EXPECT_EQ(recorder->await(1), std::vector<std::string>{name}) << "missed while suspended";
  shell(tree.root(), "printf x >> a.txt");
  EXPECT_EQ(recorder->await(1), std::vector<std::string>{name});

  fam.ExitMonitor();
  shell(tree.root(), "printf x >> a.txt");
  EXPECT_TRUE(recorder->await(0, 300ms).empty());
  fam.ResumeMonitor(); // an ended monitor stays ended
  fam.StartMonitor();
  shell(tree.root(), "printf x >> a.txt");
  EXPECT_TRUE(recorder->await(0, 300ms).empty());
}

TEST_F(FamConcurrencyTest, RemovedDirectoryDoesNotStopTheOthers) {
  const std::string a = file("one/a.txt"), c = file("two/c.txt");
  ASSERT_TRUE(fam.MonitorFile(a.c_str(), kBoth));
  ASSERT_TRUE(fam.MonitorFile(c.c_str(), kBoth));
  fam.SetPollingInterval(50);
  fam.StartMonitor();
  shell(tree.root(), "rm -r two");
  EXPECT_TRUE(recorder->await(0).empty());
  shell(tree.root(), "printf x >> one/a.txt");
  EXPECT_EQ(recorder->await(1), std::vector<std::string>{a});
  // The directory made again is watched again.
  // (Made empty, then written: the monitor may see the two states apart.)
  shell(tree.root(), "mkdir two && printf 'c again\\n' > two/c.txt");
  const std::vector<std::string> again = recorder->await(1);
  EXPECT_TRUE(again.size() == 1 || again == std::vector<std::string>(2, c));
  EXPECT_EQ(again.at(0), c);
  shell(tree.root(), "printf x >> two/c.txt");
  EXPECT_EQ(recorder->await(1), std::vector<std::string>{c});
}

TEST_F(FamConcurrencyTest, CallbackCanBeReplacedAndMonitorDestroyedWhileChangesArrive) {
  const std::string name = file("a.txt");
  auto local = std::make_unique<Port::FAM>();
  ASSERT_TRUE(local->MonitorFile(name.c_str(), kBoth));
  local->SetFileCallback(recorder);
  local->StartMonitor();
  shell(tree.root(), "printf x >> a.txt");
  EXPECT_EQ(recorder->await(1).size(), 1u);
  boost::shared_ptr<Recorder> second(new Recorder);
  local->SetFileCallback(second);
  shell(tree.root(), "printf x >> a.txt");
  EXPECT_EQ(second->await(1).size(), 1u);
  EXPECT_TRUE(recorder->await(0, 0ms).empty()) << "the old callback was called";
  shell(tree.root(), "for i in 1 2 3 4 5 6 7 8; do printf x >> a.txt; done");
  local.reset(); // joins the thread while changes may still be coming in
}

// What the system may refuse when the monitor starts: the watch of a directory, the monitor's
// thread. The start throws with the system's code and leaves nothing started.
struct StartRefusal {
  const char *name;
  int service;
  long nth;
  int err;
  const wchar_t *text;
};

class FamConcurrencyRefusedStart : public FamConcurrencyTest,
                                   public ::testing::WithParamInterface<StartRefusal> {};

TEST_P(FamConcurrencyRefusedStart, ThrowsAndASecondStartWorks) {
  const StartRefusal &c = GetParam();
  const std::string name = file("a.txt");
  ASSERT_TRUE(fam.MonitorFile(name.c_str(), kBoth));
  ASSERT_EQ(Port_TestFault(c.service, c.nth, 0, c.err), 0);
  try {
    fam.StartMonitor();
    Port_TestFaultClear();
    FAIL() << "no exception";
  } catch (const Port::FAMException &e) {
    Port_TestFaultClear();
    EXPECT_NE(std::wstring(e.getLocalized()).find(c.text), std::wstring::npos);
  }
  fam.StartMonitor(); // nothing was started: a second attempt works
  shell(tree.root(), "printf x >> a.txt");
  EXPECT_EQ(recorder->await(1), std::vector<std::string>{name});
}

INSTANTIATE_TEST_SUITE_P(Cases, FamConcurrencyRefusedStart,
                         ::testing::Values(
                             // the watch, made after the notifier
                             StartRefusal{"DirectoryCannotBeWatched", Port_TestNotify, 2, ENOSPC,
                                          L"Event Object Could Not Be Created 28"},
                             StartRefusal{"NoThread", Port_TestThread, 1, EAGAIN,
                                          L"Event Object Could Not Be Created 11"}),
                         [](const ::testing::TestParamInfo<StartRefusal> &info) {
                           return info.param.name;
                         });

TEST_F(FamConcurrencyTest, RenamedDirectoryIsWatchedUnderItsNameAgain) {
  const std::string a = file("one/a.txt");
  ASSERT_TRUE(fam.MonitorFile(a.c_str(), kBoth));
  fam.SetPollingInterval(50);
  fam.StartMonitor();
  shell(tree.root(), "mv one moved && printf x >> moved/a.txt");
  EXPECT_TRUE(recorder->await(0).empty()) << "a change under the new name is not the file's";
  shell(tree.root(), "mkdir one && printf 'new one\\n' > one/a.txt");
  const std::vector<std::string> again = recorder->await(1); // made empty, then written
  EXPECT_TRUE(again.size() == 1 || again == std::vector<std::string>(2, a));
  EXPECT_EQ(again.at(0), a);
  shell(tree.root(), "printf x >> one/a.txt");
  EXPECT_EQ(recorder->await(1), std::vector<std::string>{a});
}

TEST(FamConcurrencyFile, StateRecordAndErrors) {
  porttest::TempTree tree;
  const std::string name = tree.write("f.txt", "12345");
  Port::File f(name.c_str(), kBoth);
  EXPECT_EQ(f.GetState().sizeLow, 5u);
  EXPECT_EQ(f.GetState().sizeHigh, 0u);
  EXPECT_EQ(f.GetState().attributes & 1u, 0u);
  EXPECT_EQ(f.GetMonitorFlags(), 12u);
  EXPECT_EQ(Port::File(name.c_str(), Port::File::WatchSize).GetMonitorFlags(), 8u);
  EXPECT_EQ(std::string(f.GetDirectoryPath()).back(), '\\');
  EXPECT_FALSE(f.IsModified());
  ASSERT_EQ(::chmod(name.c_str(), 0444), 0);
  f.SetCurrState();
  EXPECT_TRUE(f.IsModified());
  EXPECT_EQ(f.GetState().attributes & 1u, 1u);
  f.SetPrevState();
  EXPECT_FALSE(f.IsModified());
  EXPECT_TRUE(f == Port::File(name.c_str(), 0));

  try {
    Port::File missing((tree.root() + "/none").c_str(), kBoth);
    FAIL() << "no exception";
  } catch (const Port::FAMException &e) {
    const std::wstring text = e.getLocalized();
    EXPECT_NE(text.find(L"Could not get stats for file"), std::wstring::npos);
    EXPECT_NE(text.find(L"none"), std::wstring::npos);
  }
}

} // namespace
