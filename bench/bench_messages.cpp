// The cost of issuing a message through the dispatcher and the default layout, against the C
// library formatting the same text.
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"

#include <benchmark/benchmark.h>

#include <cstdio>

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
    std::snprintf(buf, sizeof buf, "WARNING:Portability - Cannot open \"%s\" for reading (%d of %d).\n",
                  "file.txt", 3, 7);
    benchmark::DoNotOptimize(buf);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SnprintfReference);
} // namespace
