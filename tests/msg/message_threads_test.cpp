// Messages issued from many threads while managers and streams come and go: the console's
// lines of each message stay whole, each thread's messages keep their order, and every counter
// is exact. In-process (standard error goes to a file for the test), so that the
// thread-sanitizer pass sees the dispatcher, the managers and the prepared messages.
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_MsgStream.h"
#include "capture_manager.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

#if defined(__SANITIZE_THREAD__)
const int kEach = 60;
#else
const int kEach = 400;
#endif
const int kThreads = 4;

// Standard error into a file while the object lives.
class StderrToFile {
public:
  explicit StderrToFile(const std::string &path) {
    std::fflush(stderr);
    m_saved = ::dup(2);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
  }
  ~StderrToFile() {
    std::fflush(stderr);
    ::dup2(m_saved, 2);
    ::close(m_saved);
  }
  StderrToFile(const StderrToFile &) = delete;
  StderrToFile &operator=(const StderrToFile &) = delete;

private:
  int m_saved;
};

// Checks that text holds exactly kThreads * kEach messages "Worker t says i.", one line each,
// and that each thread's numbers come in order without a gap.
void expectWholeOrderedLines(const std::string &text, const char *where) {
  std::istringstream lines(text);
  std::string line;
  std::map<int, int> next;
  int count = 0;
  const std::regex form("WARNING:Portability - Worker ([0-9]+) says ([0-9]+)\\.");
  while (std::getline(lines, line)) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, form)) << where << ": mixed or broken line: " << line;
    const int worker = std::stoi(m[1]);
    ASSERT_EQ(next[worker], std::stoi(m[2])) << where << ": out of order: " << line;
    ++next[worker];
    ++count;
  }
  EXPECT_EQ(kThreads * kEach, count) << where;
}

void issueFrom(int worker) {
  for (int i = 0; i < kEach; ++i)
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $")
        ->issueWarning("Worker %d says %d.\n", worker, i);
}

} // namespace

TEST(MessageConcurrency, ThreadsIssuingWhileManagersAndStreamsComeAndGo) {
  porttest::TempTree tree;
  const std::string errPath = tree.root() + "/stderr.txt";
  Port_MsgMan *console = Port_MsgDispatcher::getDefaultMsgMan();
  Port_MsgDispatcher::resetWarnCount();
  console->resetWarnCount();
  // A stream manager that stays for the whole run, beside the console manager.
  Port_MsgStream stream("threads");
  std::ostringstream kept;
  stream.addStream(kept);
  ASSERT_TRUE(Port_MsgDispatcher::addMsgMan(&stream));
  std::atomic<bool> done{false};
  std::atomic<int> churns{0};
  {
    StderrToFile redirect(errPath);
    // Managers and streams added and removed while the workers issue.
    std::thread churn([&] {
      while (!done.load()) {
        porttest::CaptureManager capture;
        std::ostringstream passing;
        Port_MsgDispatcher::addMsgMan(&capture);
        stream.addStream(passing);
        std::this_thread::yield();
        stream.delStream(passing);
        Port_MsgDispatcher::removeMsgMan(&capture);
        ++churns;
      }
    });
    // The workers start once the churn is under way, so that the two overlap on any machine.
    while (churns.load() == 0)
      std::this_thread::yield();
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
      workers.emplace_back(issueFrom, t);
    for (std::thread &w : workers)
      w.join();
    done = true;
    churn.join();
  }
  Port_MsgDispatcher::removeMsgMan(&stream);
  stream.delStream(kept);
  EXPECT_EQ(static_cast<unsigned>(kThreads * kEach), Port_MsgDispatcher::getWarnCount(true));
  EXPECT_EQ(static_cast<unsigned>(kThreads * kEach), Port_MsgDispatcher::getWarnCount(false));
  EXPECT_EQ(static_cast<unsigned>(kThreads * kEach), console->getWarnCount());
  EXPECT_EQ(static_cast<unsigned>(kThreads * kEach), stream.getWarnCount());
  std::ifstream err(errPath);
  std::stringstream text;
  text << err.rdbuf();
  expectWholeOrderedLines(text.str(), "console");
  expectWholeOrderedLines(kept.str(), "stream");
}

// The console manager's settings changed by another thread while messages are issued: each
// message is written whole with the width it met under the lock, laid out again when the width
// it was prepared for has changed meanwhile.
TEST(MessageConcurrency, LineWidthChangedWhileThreadsIssue) {
  porttest::TempTree tree;
  const std::string errPath = tree.root() + "/stderr.txt";
  Port_MsgMan *console = Port_MsgDispatcher::getDefaultMsgMan();
  const int width = console->getMaxLineWidth();
  const std::string word(30, 'w');
  std::atomic<bool> done{false};
  {
    StderrToFile redirect(errPath);
    std::thread changer([&] {
      for (int i = 0; !done.load(); ++i)
        console->setMaxLineWidth(i % 2 ? 80 : 200);
    });
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
      workers.emplace_back([&, t] {
        for (int i = 0; i < kEach; ++i)
          Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $")
              ->issueWarning("Worker %d says %d %s %s.\n", t, i, word.c_str(), word.c_str());
      });
    for (std::thread &w : workers)
      w.join();
    done = true;
    changer.join();
  }
  console->setMaxLineWidth(width);
  // At width 80 the message takes two lines, the second indented; at 200 one.
  std::ifstream err(errPath);
  std::string line, pending;
  std::map<int, int> next;
  const std::regex whole("WARNING:Portability - Worker ([0-9]+) says ([0-9]+) w+ w+\\.");
  const std::regex first("WARNING:Portability - Worker ([0-9]+) says ([0-9]+) w+");
  int count = 0;
  while (std::getline(err, line)) {
    std::string joined = line;
    std::smatch m;
    if (!std::regex_match(joined, m, whole)) {
      ASSERT_TRUE(std::regex_match(line, first)) << line;
      std::string rest;
      ASSERT_TRUE(std::getline(err, rest));
      ASSERT_EQ(0u, rest.rfind("   w", 0)) << "continuation expected: " << rest;
      joined = line + " " + rest.substr(3);
      ASSERT_TRUE(std::regex_match(joined, m, whole)) << joined;
    }
    const int worker = std::stoi(m[1]);
    ASSERT_EQ(next[worker], std::stoi(m[2])) << joined;
    ++next[worker];
    ++count;
  }
  EXPECT_EQ(kThreads * kEach, count);
}
