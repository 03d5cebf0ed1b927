// loadprobe - the message system under load, one situation per mode; every mode ends itself
// with SIGALRM after a time limit, so a deadlock or a spin shows as a signal, never as a hang.
//   loadprobe fatal-threads THREADS EXITVALUE   a fatal message while THREADS threads issue
//   loadprobe stream-detach MS                  streams on a full disk removed while messages
//                                               flow, one thread reporting directly to the
//                                               manager; ends with 0
//   loadprobe printmsg-churn MS                 the nine-argument printMsg while managers
//                                               come and go; ends with 0
//   loadprobe registration-wait THREADS ROUNDS  how long adding and removing a manager waits
//                                               behind THREADS issuing threads; prints
//                                               "waits MEDIAN_US MAX_US PASSED_MEDIAN" and ends
//                                               with 0
#include "Port_File.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_MsgStream.h"
#include "basutstream.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {
const char *const kRev = "$Revision: 1.1 $";

Port_MsgManData *at(int line) {
  return Port_MsgManData::createObject("Portability", "loadprobe.cpp", line, kRev);
}

std::atomic<bool> g_stop{false};
std::atomic<uint64_t> g_delivered{0};

// Lays every message out as the console manager does, then drops it.
class Discard : public Port_MsgManDefault {
public:
  Discard() : Port_MsgManDefault("discard") {}
  void output(MsgType, const wchar_t **, int) override { ++g_delivered; }
  void flush() override {}
};

// Issues messages of several kinds, with and without a catalogue entry, until told to stop.
void issueLoop(int t) {
  for (int k = 0; !g_stop.load(std::memory_order_relaxed); ++k) {
    switch (k % 4) {
    case 0:
      at(40)->issueWarning("Thread %d message %d.\n", t, k);
      break;
    case 1:
      at(41)->issueError("Cannot open \"%s\" for reading.\n", "busy.txt");
      break;
    case 2:
      at(42)->issueInfo("Thread %d still busy.\n", t);
      break;
    default:
      Port_MsgDispatcher::printMsg(Port_MsgMan::MSG_STATUS, L"printed\n", 0, "Portability",
                                   "loadprobe.cpp", 43, kRev);
    }
  }
}

std::vector<std::thread> startIssuers(int count) {
  std::vector<std::thread> pool;
  for (int t = 0; t < count; ++t)
    pool.emplace_back(issueLoop, t);
  return pool;
}

void stopAll(std::vector<std::thread> &pool) {
  g_stop = true;
  for (auto &th : pool)
    th.join();
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int fatalThreads(int threads, int exitValue) {
  Port_MsgDispatcher::getDefaultMsgMan()->turnOffMsg(Port_MsgMan::MSG_STATUS);
  std::vector<std::thread> pool = startIssuers(threads);
  sleepMs(10);
  at(50)->issueFatal(exitValue, "Cannot continue with %s.\n", "c.txt");
  return 100; // not reached
}

int streamDetach(int ms) {
  Port_MsgDispatcher::getDefaultMsgMan()->disable();
  Port_MsgStream mgr("log");
  Port_MsgDispatcher::addMsgMan(&mgr);
  std::vector<std::thread> pool = startIssuers(4);
  // Reports straight to the manager, past the dispatcher.
  pool.emplace_back([&mgr] {
    while (!g_stop.load(std::memory_order_relaxed))
      at(60)->issueMsgManWarning(&mgr, "Direct report %d.\n", 1);
  });
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  int detached = 0;
  while (std::chrono::steady_clock::now() < end) {
    // Every write to /dev/full fails with ENOSPC: the flush in delStream reports an error.
    UT_STREAM *full = Port_File::open("/dev/full", UT_STREAM::Write, 0);
    if (!full)
      return 20;
    mgr.addStream(*full);
    sleepMs(1);
    mgr.delStream(*full);
    Port_File::close(full);
    ++detached;
  }
  stopAll(pool);
  Port_MsgDispatcher::removeMsgMan(&mgr);
  std::printf("detached %d\n", detached);
  return detached > 0 ? 0 : 21;
}

int printMsgChurn(int ms) {
  Port_MsgDispatcher::getDefaultMsgMan()->disable();
  std::vector<std::thread> pool;
  for (int t = 0; t < 4; ++t)
    pool.emplace_back([] {
      while (!g_stop.load(std::memory_order_relaxed))
        Port_MsgDispatcher::printMsg(Port_MsgMan::MSG_WARNING, L"low level\n", 7, "Portability",
                                     "loadprobe.cpp", 70, kRev, false, true);
    });
  // A manager is destroyed as soon as it is removed, as the dispatcher's rules allow.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    std::vector<Discard *> managers;
    for (int i = 0; i < 16; ++i) {
      managers.push_back(new Discard);
      Port_MsgDispatcher::addMsgMan(managers.back());
    }
    for (Discard *m : managers) {
      Port_MsgDispatcher::removeMsgMan(m);
      delete m;
    }
  }
  stopAll(pool);
  std::printf("delivered %llu\n", static_cast<unsigned long long>(g_delivered.load()));
  return g_delivered.load() > 0 ? 0 : 22;
}

int registrationWait(int threads, int rounds) {
  Port_MsgDispatcher::getDefaultMsgMan()->disable();
  Discard sink;
  Port_MsgDispatcher::addMsgMan(&sink);
  std::vector<std::thread> pool = startIssuers(threads);
  sleepMs(20);
  std::vector<long long> waits;
  std::vector<uint64_t> passed;
  Discard extra;
  for (int r = 0; r < rounds; ++r) {
    const uint64_t before = g_delivered.load();
    const auto start = std::chrono::steady_clock::now();
    Port_MsgDispatcher::addMsgMan(&extra);
    Port_MsgDispatcher::removeMsgMan(&extra);
    const auto took = std::chrono::steady_clock::now() - start;
    passed.push_back(g_delivered.load() - before);
    waits.push_back(std::chrono::duration_cast<std::chrono::microseconds>(took).count() / 2);
    sleepMs(2);
  }
  stopAll(pool);
  Port_MsgDispatcher::removeMsgMan(&sink);
  std::sort(waits.begin(), waits.end());
  std::sort(passed.begin(), passed.end());
  std::printf("waits %lld %lld %llu\n", waits[waits.size() / 2], waits.back(),
              static_cast<unsigned long long>(passed[passed.size() / 2]));
  return 0;
}
} // namespace

int main(int argc, char **argv) {
  if (argc < 3)
    return 64;
  alarm(8);
  const std::string mode = argv[1];
  const int a = std::atoi(argv[2]);
  const int b = argc > 3 ? std::atoi(argv[3]) : 0;
  if (mode == "fatal-threads")
    return fatalThreads(a, b);
  if (mode == "stream-detach")
    return streamDetach(a);
  if (mode == "printmsg-churn")
    return printMsgChurn(a);
  if (mode == "registration-wait")
    return registrationWait(a, b);
  return 64;
}
