// PortRecordPool.h - a small pool of worker threads for the record codec of compressed streams.
// Jobs run in any order on the workers; callers keep their own order (each job fills its own
// slot). The destructor waits for the jobs already given and joins every worker, so nothing is
// left running once a pool is gone.
#ifndef PORTRECORDPOOL_H
#define PORTRECORDPOOL_H

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class Port_RecordPool {
public:
  explicit Port_RecordPool(unsigned threads);
  ~Port_RecordPool();
  Port_RecordPool(const Port_RecordPool &) = delete;
  Port_RecordPool &operator=(const Port_RecordPool &) = delete;

  void Submit(std::function<void()> job);
  unsigned GetThreads() const { return static_cast<unsigned>(m_workers.size()); }

  // The number of workers a stream uses: the process limit when one is set, else the
  // hardware's thread count capped at 8; 1 means no pool.
  static unsigned Threads();
  // 0 restores the automatic count.
  static void SetThreadLimit(unsigned n);

private:
  void run();

  std::mutex m_lock;
  std::condition_variable m_wake;
  std::deque<std::function<void()>> m_jobs;
  bool m_stop = false;
  std::vector<std::thread> m_workers;
};

#endif
