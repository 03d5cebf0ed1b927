// The cost of issuing a message through the dispatcher and the default layout, against the C
// library formatting the same text.
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_MsgXml.h"

#include <benchmark/benchmark.h>

#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {
// Lays messages out like the console manager but drops the lines.
class NullManager : public Port_MsgManDefault {
public:
  void output(MsgType, const wchar_t **, int) override {}
  void flush() override {}
};

// A message without a catalogue entry: its alias is formatted as a printf format.
void BM_IssueWarningCatalogueMiss(benchmark::State &state) {
  NullManager sink;
  Port_MsgDispatcher::getDefaultMsgMan()->disable();
  Port_MsgDispatcher::addMsgMan(&sink);
  for (auto _ : state)
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $")
        ->issueWarning("Cannot open \"%s\" for reading (%d of %d).\n", "file.txt", 3, 7);
  Port_MsgDispatcher::removeMsgMan(&sink);
  Port_MsgDispatcher::getDefaultMsgMan()->enable();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IssueWarningCatalogueMiss);

// A message of the shipped catalogue: its text with the argument substituted by reference.
void BM_IssueWarningCatalogueHit(benchmark::State &state) {
  NullManager sink;
  Port_MsgDispatcher::getDefaultMsgMan()->disable();
  Port_MsgDispatcher::addMsgMan(&sink);
  for (auto _ : state)
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $")
        ->issueWarning("Error reading message file \"%s\".\n", "file.txt");
  Port_MsgDispatcher::removeMsgMan(&sink);
  Port_MsgDispatcher::getDefaultMsgMan()->enable();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IssueWarningCatalogueHit);

void BM_SnprintfReference(benchmark::State &state) {
  char buf[256];
  for (auto _ : state) {
    std::snprintf(buf, sizeof buf,
                  "WARNING:Portability - Cannot open \"%s\" for reading (%d of %d).\n", "file.txt",
                  3, 7);
    benchmark::DoNotOptimize(buf);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SnprintfReference);

// The XML log: the same message with the log off (the reference), then with the log on,
// marked new and marked old; once with the message dropped by a null manager, once written by
// the console manager as a tool writes it (standard error redirected to a file). The log opens
// once per process and stays open, so the references run first; the previous log it tracks
// against holds the message with "old.txt".
const char *const kLogAlias = "Cannot open \"%s\" for reading (%d of %d).\n";

void issueLogged(const char *name) {
  Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $")
      ->issueWarning(kLogAlias, name, 3, 7);
}

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

// Writes the previous log and opens the log on it with tracking; once per process.
bool openTrackedLog() {
  static const bool opened = [] {
    const std::string path = "/tmp/portability-bench-log-" + std::to_string(getpid()) + ".xml";
    {
      std::ofstream out(path, std::ios::binary);
      out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<messages>\n"
          << previousElement(kLogAlias, "old.txt", 3, 7) << "\n</messages>\n";
    }
    return Port_MsgDispatcher::turnOnXmlMsg(path.c_str(), true);
  }();
  return opened;
}

// Standard error goes to a scratch file while the object lives: the console manager then
// writes and flushes each message as it does for a tool whose output is redirected.
class StderrToFile {
public:
  StderrToFile() {
    const std::string path = "/tmp/portability-bench-stderr-" + std::to_string(getpid());
    std::fflush(stderr);
    m_saved = ::dup(2);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::unlink(path.c_str());
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
  bool ok() const { return m_ok; }

private:
  int m_saved = -1;
  bool m_ok = false;
};

// The message goes to a manager that drops it (null) or to the console manager (console).
void runLogged(benchmark::State &state, const char *name, bool log, bool console) {
  if (log && !openTrackedLog()) {
    state.SkipWithError("cannot open the XML log");
    return;
  }
  if (console) {
    StderrToFile redirect;
    if (!redirect.ok()) {
      state.SkipWithError("cannot redirect standard error");
      return;
    }
    for (auto _ : state)
      issueLogged(name);
  } else {
    NullManager sink;
    Port_MsgDispatcher::getDefaultMsgMan()->disable();
    Port_MsgDispatcher::addMsgMan(&sink);
    for (auto _ : state)
      issueLogged(name);
    Port_MsgDispatcher::removeMsgMan(&sink);
    Port_MsgDispatcher::getDefaultMsgMan()->enable();
  }
  state.SetItemsProcessed(state.iterations());
}

// Both references first: once open, the log stays open for the rest of the process.
void BM_IssueWarningLogOff(benchmark::State &state) { runLogged(state, "old.txt", false, false); }
BENCHMARK(BM_IssueWarningLogOff);
void BM_ConsoleWarningLogOff(benchmark::State &state) { runLogged(state, "old.txt", false, true); }
BENCHMARK(BM_ConsoleWarningLogOff);
void BM_IssueWarningLogOnNew(benchmark::State &state) { runLogged(state, "new.txt", true, false); }
BENCHMARK(BM_IssueWarningLogOnNew);
void BM_IssueWarningLogOnOld(benchmark::State &state) { runLogged(state, "old.txt", true, false); }
BENCHMARK(BM_IssueWarningLogOnOld);
void BM_ConsoleWarningLogOnNew(benchmark::State &state) { runLogged(state, "new.txt", true, true); }
BENCHMARK(BM_ConsoleWarningLogOnNew);
void BM_ConsoleWarningLogOnOld(benchmark::State &state) { runLogged(state, "old.txt", true, true); }
BENCHMARK(BM_ConsoleWarningLogOnOld);

// The floor under the two above: one element line handed to the system per message, as the
// log does so that a killed run, or a front end reading the log as it grows, misses nothing.
void BM_LogLineWriteOnly(benchmark::State &state) {
  const std::string path = "/tmp/portability-bench-line-" + std::to_string(getpid()) + ".xml";
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) {
    state.SkipWithError("cannot open a scratch file");
    return;
  }
  const std::string line = previousElement(kLogAlias, "new.txt", 3, 7) + "\n";
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
