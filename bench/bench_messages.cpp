// The cost of issuing a message through the dispatcher and the default layout, against the C
// library formatting the same text.
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_MsgXml.h"

#include <benchmark/benchmark.h>

#include <cstdarg>
#include <cstdio>
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
// marked new and marked old. The log opens once per process and stays open, so the reference
// runs first; the previous log it tracks against holds the message with "old.txt".
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

void runLogged(benchmark::State &state, const char *name, bool log) {
  if (log && !openTrackedLog()) {
    state.SkipWithError("cannot open the XML log");
    return;
  }
  NullManager sink;
  Port_MsgDispatcher::getDefaultMsgMan()->disable();
  Port_MsgDispatcher::addMsgMan(&sink);
  for (auto _ : state)
    issueLogged(name);
  Port_MsgDispatcher::removeMsgMan(&sink);
  Port_MsgDispatcher::getDefaultMsgMan()->enable();
  state.SetItemsProcessed(state.iterations());
}

void BM_IssueWarningLogOff(benchmark::State &state) { runLogged(state, "old.txt", false); }
BENCHMARK(BM_IssueWarningLogOff);
void BM_IssueWarningLogOnNew(benchmark::State &state) { runLogged(state, "new.txt", true); }
BENCHMARK(BM_IssueWarningLogOnNew);
void BM_IssueWarningLogOnOld(benchmark::State &state) { runLogged(state, "old.txt", true); }
BENCHMARK(BM_IssueWarningLogOnOld);

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
