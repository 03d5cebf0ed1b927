// bench_fam.cpp - the file alteration monitor against a loop that polls stat every 100 ms, in
// one run: the delay from a write to the callback (median and worst, in microseconds), and the
// processor time used while nothing changes.
#include "Port_FAM.h"
#include "Port_File.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Signals the waiting benchmark when a change was heard.
class Heard {
public:
  void notify() {
    std::lock_guard<std::mutex> hold(m_lock);
    ++m_count;
    m_cv.notify_all();
  }
  // Waits for the count to pass seen; the moment it did.
  Clock::time_point waitPast(long seen) {
    std::unique_lock<std::mutex> hold(m_lock);
    m_cv.wait_for(hold, std::chrono::seconds(2), [&] { return m_count > seen; });
    return Clock::now();
  }
  long count() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_count;
  }

private:
  std::mutex m_lock;
  std::condition_variable m_cv;
  long m_count = 0;
};

class Callback : public Port::FileCallback {
public:
  explicit Callback(Heard *heard) : m_heard(heard) {}
  void FileChanged(const Port::StringBase<char> &) override { m_heard->notify(); }

private:
  Heard *m_heard;
};

// The reference: a thread that stats the file every 100 ms and notices a size change.
class StatPoller {
public:
  StatPoller(const std::string &name, Heard *heard) : m_name(name), m_heard(heard) {
    m_thread = std::thread([this, last = size()]() mutable {
      while (!m_stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const long long now = size();
        if (now != last) {
          last = now;
          m_heard->notify();
        }
      }
    });
  }
  ~StatPoller() {
    m_stop = true;
    m_thread.join();
  }

private:
  long long size() const {
    struct stat st;
    return ::stat(m_name.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
  }
  std::string m_name;
  Heard *m_heard;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

void append(const std::string &name) { std::ofstream(name, std::ios::app) << 'x'; }

// A file in a directory of its own: the monitor watches directories, and the shared temporary
// directory of a busy machine is never quiet.
struct QuietFile {
  std::filesystem::path dir;
  std::string name;
  QuietFile() {
    dir = std::filesystem::path(Port_File::tmpnam(nullptr));
    std::filesystem::create_directory(dir);
    name = (dir / "watched.txt").string();
    append(name);
  }
  ~QuietFile() { std::filesystem::remove_all(dir); }
};

// Which watcher runs.
enum Watcher { None, Monitor, StatPoll };

// The watcher on a file, telling heard of each change it sees; the monitor is stopped first, then
// the poller, when the object goes.
class Watching {
public:
  Watching(Watcher watcher, const std::string &name, Heard *heard) {
    if (watcher == Monitor) {
      fam.reset(new Port::FAM);
      fam->MonitorFile(name.c_str(), Port::File::WatchSize);
      fam->SetFileCallback(boost::shared_ptr<Port::FileCallback>(new Callback(heard)));
      fam->StartMonitor();
    } else if (watcher == StatPoll) {
      poller.reset(new StatPoller(name, heard));
    }
  }

private:
  std::unique_ptr<StatPoller> poller;
  std::unique_ptr<Port::FAM> fam;
};

// Runs the writes and reports the delays, through the monitor or through the poller.
void measureDelay(benchmark::State &state, Watcher watcher) {
  QuietFile quiet;
  const std::string &name = quiet.name;
  Heard heard;
  Watching watching(watcher, name, &heard);
  std::vector<double> delays;
  for (auto _ : state) {
    const long seen = heard.count();
    const Clock::time_point start = Clock::now();
    append(name);
    const Clock::time_point end = heard.waitPast(seen);
    const double us = std::chrono::duration<double, std::micro>(end - start).count();
    delays.push_back(us);
    state.SetIterationTime(us / 1e6);
    // A pause between writes, at an offset to the poller's period, so that the writes do not
    // ride on its rhythm.
    std::this_thread::sleep_for(std::chrono::milliseconds(37));
  }
  std::sort(delays.begin(), delays.end());
  state.counters["median_us"] = delays[delays.size() / 2];
  state.counters["max_us"] = delays.back();
}

void BM_DelayMonitor(benchmark::State &state) { measureDelay(state, Monitor); }
void BM_DelayStatPoll100ms(benchmark::State &state) { measureDelay(state, StatPoll); }
BENCHMARK(BM_DelayMonitor)->Iterations(40)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DelayStatPoll100ms)->Iterations(40)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Processor time of the whole process over one second in which nothing changes (the
// benchmark's own thread sleeps), in microseconds.
void measureIdle(benchmark::State &state, Watcher watcher) {
  QuietFile quiet;
  Heard heard;
  Watching watching(watcher, quiet.name, &heard);
  double cpuUs = 0;
  for (auto _ : state) {
    const std::clock_t before = std::clock();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    cpuUs += 1e6 * static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC;
  }
  state.counters["cpu_us_per_s"] = cpuUs / static_cast<double>(state.iterations());
}

// The process with nothing watching: what the others are to be measured against.
void BM_IdleBaseline(benchmark::State &state) { measureIdle(state, None); }
void BM_IdleMonitor(benchmark::State &state) { measureIdle(state, Monitor); }
void BM_IdleStatPoll100ms(benchmark::State &state) { measureIdle(state, StatPoll); }
BENCHMARK(BM_IdleBaseline)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleMonitor)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleStatPoll100ms)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
