// PortRecordPool.cpp - worker threads for the record codec of compressed streams.
#include "PortRecordPool.h"

#include "platform/thread.h"

#include <algorithm>
#include <atomic>

namespace {
const unsigned kMaxThreads = 8;
std::atomic<unsigned> g_limit{0};
} // namespace

// Fewer workers than asked when the system refuses threads; with none, jobs run as they are
// submitted, so the output is the same either way.
Port_RecordPool::Port_RecordPool(unsigned threads) {
  m_workers.reserve(threads);
  try {
    for (unsigned i = 0; i < threads; ++i)
      m_workers.push_back(platform::startThread([this] { run(); }));
  } catch (const std::system_error &) {
  }
}

Port_RecordPool::~Port_RecordPool() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_stop = true;
  }
  m_wake.notify_all();
  for (std::thread &t : m_workers)
    t.join();
}

void Port_RecordPool::Submit(std::function<void()> job) {
  if (m_workers.empty()) {
    job();
    return;
  }
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_jobs.push_back(std::move(job));
  }
  m_wake.notify_one();
}

void Port_RecordPool::run() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock<std::mutex> guard(m_lock);
      m_wake.wait(guard, [this] { return m_stop || !m_jobs.empty(); });
      // Jobs already given are finished even when stopping: their owners wait for them.
      if (m_jobs.empty())
        return;
      job = std::move(m_jobs.front());
      m_jobs.pop_front();
    }
    job();
  }
}

unsigned Port_RecordPool::Threads() {
  const unsigned limit = g_limit.load();
  if (limit)
    return limit;
  const unsigned hw = std::thread::hardware_concurrency();
  return std::max(1u, std::min(hw, kMaxThreads));
}

void Port_RecordPool::SetThreadLimit(unsigned n) { g_limit.store(std::min(n, kMaxThreads)); }
