// The cost of issuing a message through the dispatcher and the console layout, against the C
// library formatting (and writing) the same text. Names follow "<Name>/ours" and "<Name>/ref"
// (scripts/bench.sh pairs them).
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_MsgXml.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
const char *const kMissAlias = "Cannot open \"%s\" for reading (%d of %d).\n";
// An entry of the shipped catalogue, number 1003: its text takes the argument by reference.
const char *const kHitAlias = "Error reading message file \"%s\".\n";

Port_MsgManData *here() {
  return Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $");
}

// Standard error goes to a file while the object lives: the console manager then writes and
// flushes each message as it does for a tool whose output is redirected.
class StderrToFile {
public:
  explicit StderrToFile(const char *path = nullptr) {
    const std::string scratch = "/tmp/portability-bench-stderr-" + std::to_string(getpid());
    std::fflush(stderr);
    m_saved = ::dup(2);
    const int fd = ::open(path ? path : scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!path)
      ::unlink(scratch.c_str());
    m_ok = m_saved >= 0 && fd >= 0 && ::dup2(fd, 2) == 2;
    if (fd >= 0)
      ::close(fd);
  }
  ~StderrToFile() {
    std::fflush(stderr);
    if (m_saved >= 0) {
      ::dup2(m_saved, 2);
      ::close(m_saved);
    }
  }
  StderrToFile(const StderrToFile &) = delete;
  StderrToFile &operator=(const StderrToFile &) = delete;
  bool ok() const { return m_ok; }

private:
  int m_saved = -1;
  bool m_ok = false;
};

// Lays messages out like the console manager but drops the lines.
class NullManager : public Port_MsgManDefault {
public:
  void output(MsgType, const wchar_t **, int) override {}
  void flush() override {}
};

// The null manager instead of the console manager for the benchmark's lifetime.
class NullSink {
public:
  NullSink() {
    Port_MsgDispatcher::getDefaultMsgMan()->disable();
    Port_MsgDispatcher::addMsgMan(&m_sink);
  }
  ~NullSink() {
    Port_MsgDispatcher::removeMsgMan(&m_sink);
    Port_MsgDispatcher::getDefaultMsgMan()->enable();
  }

private:
  NullManager m_sink;
};

// A message without a catalogue entry: its alias is formatted as a printf format.
void BM_IssueWarningCatalogueMiss_ours(benchmark::State &state) {
  NullSink sink;
  for (auto _ : state)
    here()->issueWarning(kMissAlias, "file.txt", 3, 7);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IssueWarningCatalogueMiss_ours)->Name("IssueWarningCatalogueMiss/ours");

// The reference: the C library formatting the line the console manager shows.
template <class... Args>
void formatLoop(benchmark::State &state, const char *format, Args... args) {
  char buf[256];
  for (auto _ : state) {
    std::snprintf(buf, sizeof buf, format, args...);
    benchmark::DoNotOptimize(buf);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_IssueWarningCatalogueMiss_ref(benchmark::State &state) {
  formatLoop(state, "WARNING:Portability - Cannot open \"%s\" for reading (%d of %d).\n",
             "file.txt", 3, 7);
}
BENCHMARK(BM_IssueWarningCatalogueMiss_ref)->Name("IssueWarningCatalogueMiss/ref");

// A message of the shipped catalogue: its text with the argument substituted by reference.
void BM_IssueWarningCatalogueHit_ours(benchmark::State &state) {
  NullSink sink;
  for (auto _ : state)
    here()->issueWarning(kHitAlias, "file.txt");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IssueWarningCatalogueHit_ours)->Name("IssueWarningCatalogueHit/ours");

void BM_IssueWarningCatalogueHit_ref(benchmark::State &state) {
  formatLoop(state, "WARNING:Portability:1003 - Error reading message file \"%s\".\n", "file.txt");
}
BENCHMARK(BM_IssueWarningCatalogueHit_ref)->Name("IssueWarningCatalogueHit/ref");

// The console manager itself (no derived class) with its output discarded: standard error goes
// to /dev/null; the reference formats the same line and writes it there too.
void BM_ConsoleWarningDiscarded_ours(benchmark::State &state) {
  StderrToFile redirect("/dev/null");
  if (!redirect.ok()) {
    state.SkipWithError("cannot redirect standard error");
    return;
  }
  for (auto _ : state)
    here()->issueWarning(kMissAlias, "file.txt", 3, 7);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConsoleWarningDiscarded_ours)->Name("ConsoleWarningDiscarded/ours");

void BM_ConsoleWarningDiscarded_ref(benchmark::State &state) {
  std::FILE *f = std::fopen("/dev/null", "wb");
  if (!f) {
    state.SkipWithError("cannot open /dev/null");
    return;
  }
  char buf[256];
  for (auto _ : state) {
    const int n = std::snprintf(
        buf, sizeof buf, "WARNING:Portability - Cannot open \"%s\" for reading (%d of %d).\n",
        "file.txt", 3, 7);
    std::fwrite(buf, 1, static_cast<size_t>(n), f);
    std::fflush(f);
  }
  std::fclose(f);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConsoleWarningDiscarded_ref)->Name("ConsoleWarningDiscarded/ref");

// Throughput: a fixed number of warnings per iteration, shared out among 1, 2 or 4 threads,
// timed on the wall clock. Our side issues them to the console manager, standard error going
// to a file; the reference formats the same line with snprintf and writes it with fwrite and
// fflush, under one mutex, to a file. Equal times per iteration for more threads mean equal
// throughput.
const int kMessagesPerIteration = 4000;

template <class Issue> void runThreads(benchmark::State &state, Issue issue) {
  const int threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
      pool.emplace_back([&, t] {
        for (int i = t; i < kMessagesPerIteration; i += threads)
          issue(i);
      });
    for (std::thread &th : pool)
      th.join();
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.SetItemsProcessed(state.iterations() * kMessagesPerIteration);
}

void BM_ConsoleThreads_ours(benchmark::State &state) {
  StderrToFile redirect;
  if (!redirect.ok()) {
    state.SkipWithError("cannot redirect standard error");
    return;
  }
  runThreads(state, [](int i) { here()->issueWarning(kMissAlias, "file.txt", i, 7); });
}
BENCHMARK(BM_ConsoleThreads_ours)
    ->Name("ConsoleThreads/ours")
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->UseManualTime();

void BM_ConsoleThreads_ref(benchmark::State &state) {
  const std::string path = "/tmp/portability-bench-ref-" + std::to_string(getpid());
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) {
    state.SkipWithError("cannot open a scratch file");
    return;
  }
  std::remove(path.c_str());
  std::mutex mutex;
  runThreads(state, [&](int i) {
    char buf[256];
    const int n = std::snprintf(
        buf, sizeof buf, "WARNING:Portability - Cannot open \"%s\" for reading (%d of %d).\n",
        "file.txt", i, 7);
    std::lock_guard<std::mutex> lock(mutex);
    std::fwrite(buf, 1, static_cast<size_t>(n), f);
    std::fflush(f);
  });
  std::fclose(f);
}
BENCHMARK(BM_ConsoleThreads_ref)
    ->Name("ConsoleThreads/ref")
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->UseManualTime();

// The XML log: a message shown on the console (standard error to a file) with the log on,
// tracking against a previous log, against the same message with the log off. The previous log
// holds the message with "old.txt": marked old, and new with "new.txt".
std::string previousElement(const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  std::unique_ptr<wchar_t[]> xml(
      Port::MsgDisp::createMsgXml(alias, nullptr, Port_MsgMan::MSG_WARNING, "Portability", __FILE__,
                                  __LINE__, "r", 0, Port::DeltaMsg::NEW_MSG, args));
  va_end(args);
  std::unique_ptr<char[]> bytes(Port::wcs2utf8s(xml.get()));
  return bytes.get();
}

// Writes a previous log (header, the one element, the end) and opens the log on it, once per
// process: the benchmark function runs several times, and the log stays open.
bool openTrackedLog(const std::string &path) {
  static const bool opened = [&] {
    std::unique_ptr<wchar_t[]> open(Port::MsgDisp::createXmlRootOpen());
    std::unique_ptr<wchar_t[]> close(Port::MsgDisp::createXmlRootClose());
    std::unique_ptr<char[]> head(Port::wcs2utf8s(open.get()));
    std::unique_ptr<char[]> tail(Port::wcs2utf8s(close.get()));
    {
      std::ofstream out(path, std::ios::binary);
      out << head.get() << "\n"
          << previousElement(kMissAlias, "old.txt", 3, 7) << "\n"
          << tail.get() << "\n";
    }
    const bool on = Port_MsgDispatcher::turnOnXmlMsg(path.c_str(), true);
    // The log stays open for the process; its name goes now, so that no run leaves it behind.
    std::remove(path.c_str());
    return on;
  }();
  return opened;
}

void runLogged(benchmark::State &state, const char *name, bool log) {
  const std::string path = "/tmp/portability-bench-log-" + std::to_string(getpid()) + ".xml";
  if (log && !openTrackedLog(path)) {
    state.SkipWithError("cannot open the XML log");
    return;
  }
  {
    StderrToFile redirect;
    if (!redirect.ok()) {
      state.SkipWithError("cannot redirect standard error");
      return;
    }
    for (auto _ : state)
      here()->issueWarning(kMissAlias, name, 3, 7);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ConsoleWarningLogNew_ours(benchmark::State &state) { runLogged(state, "new.txt", true); }
BENCHMARK(BM_ConsoleWarningLogNew_ours)->Name("ConsoleWarningLogNew/ours");
void BM_ConsoleWarningLogNew_ref(benchmark::State &state) { runLogged(state, "new.txt", false); }
BENCHMARK(BM_ConsoleWarningLogNew_ref)->Name("ConsoleWarningLogNew/ref");
void BM_ConsoleWarningLogOld_ours(benchmark::State &state) { runLogged(state, "old.txt", true); }
BENCHMARK(BM_ConsoleWarningLogOld_ours)->Name("ConsoleWarningLogOld/ours");
void BM_ConsoleWarningLogOld_ref(benchmark::State &state) { runLogged(state, "old.txt", false); }
BENCHMARK(BM_ConsoleWarningLogOld_ref)->Name("ConsoleWarningLogOld/ref");

// The floor under the log: one element line handed to the system per message, as the log does
// so that a killed run, or a front end reading the log as it grows, misses nothing.
void BM_LogLineWriteOnly(benchmark::State &state) {
  const std::string path = "/tmp/portability-bench-line-" + std::to_string(getpid()) + ".xml";
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) {
    state.SkipWithError("cannot open a scratch file");
    return;
  }
  const std::string line = previousElement(kMissAlias, "new.txt", 3, 7) + "\n";
  for (auto _ : state) {
    std::fwrite(line.data(), 1, line.size(), f);
    std::fflush(f);
  }
  std::fclose(f);
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogLineWriteOnly);
} // namespace
