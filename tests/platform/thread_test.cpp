// The thread library: guards, locks, threads and per-thread data.
#include "Port_Thr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <utility>
#include <vector>

namespace {
// A lock whose lock() can be told to fail, to see what a guard does then.
struct FlakyLock {
  int result = 0;
  int locks = 0;
  int unlocks = 0;
  int lock() {
    ++locks;
    return result;
  }
  int unlock() {
    ++unlocks;
    return 0;
  }
};
} // namespace

TEST(ThrGuard, ReleasesOnScopeExitAndThrowsEightWhenTheLockFails) {
  FlakyLock lock;
  {
    Port_ThrGuard<FlakyLock> guard(&lock);
    EXPECT_EQ(1, lock.locks);
    EXPECT_EQ(0, lock.unlocks);
  }
  EXPECT_EQ(1, lock.unlocks);

  lock.result = 3;
  try {
    Port_ThrGuard<FlakyLock> guard(&lock);
    FAIL() << "no exception";
  } catch (const Port_ThrException::Exception &e) {
    EXPECT_EQ(8, e.getValue());
  }
  EXPECT_EQ(1, lock.unlocks); // a lock never taken is never released
}

TEST(ThrLocks, RecursiveLockMayBeRetakenByItsOwner) {
  Port_ThrRecursiveLock lock;
  EXPECT_EQ(0, lock.lock());
  EXPECT_EQ(0, lock.lock());
  EXPECT_EQ(0, lock.unlock());
  EXPECT_EQ(0, lock.unlock());
}

TEST(ThrLocks, MutexExcludesOtherThreads) {
  Port_ThrMutex mutex;
  long counter = 0;
  std::vector<std::unique_ptr<Port_ThrThread>> threads;
  struct Arg {
    Port_ThrMutex *mutex;
    long *counter;
  } arg{&mutex, &counter};
  for (int i = 0; i < 4; ++i)
    threads.emplace_back(new Port_ThrThread(
        [](void *p) -> void * {
          Arg *a = static_cast<Arg *>(p);
          for (int k = 0; k < 10000; ++k) {
            Port_ThrGuard<Port_ThrMutex> guard(a->mutex);
            ++*a->counter;
          }
          return nullptr;
        },
        &arg));
  for (auto &t : threads)
    EXPECT_EQ(0, t->join());
  EXPECT_EQ(40000, counter);
}

TEST(ThrLocks, ReaderWriterLockIsExclusiveForWritersAndSharedForReaders) {
  Port_ThrReaderWriterLock rw;
  ASSERT_EQ(0, rw.readLock());
  ASSERT_EQ(0, rw.readLock()); // a second reader gets in
  EXPECT_EQ(0, rw.unlock());
  EXPECT_EQ(0, rw.unlock());
  ASSERT_EQ(0, rw.lock());
  std::atomic<bool> readerIn{false};
  std::pair<Port_ThrReaderWriterLock *, std::atomic<bool> *> args(&rw, &readerIn);
  Port_ThrThread reader(
      [](void *p) -> void * {
        auto *args = static_cast<std::pair<Port_ThrReaderWriterLock *, std::atomic<bool> *> *>(p);
        args->first->readLock();
        args->second->store(true);
        args->first->unlock();
        return nullptr;
      },
      &args);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(readerIn.load()); // held out by the writer
  EXPECT_EQ(0, rw.writeUnlock());
  EXPECT_EQ(0, reader.join());
  EXPECT_TRUE(readerIn.load());
}

namespace {
std::atomic<int> deleted{0};
struct Tracked {
  ~Tracked() { ++deleted; }
};
} // namespace

TEST(ThrThreadData, EachThreadHasItsOwnValueDeletedWhenTheThreadEnds) {
  deleted = 0;
  Port_ThrThreadData<Tracked *> data;
  EXPECT_EQ(nullptr, data.get());
  Tracked *mine = new Tracked;
  data.set(mine);
  Port_ThrThread other(
      [](void *p) -> void * {
        auto *d = static_cast<Port_ThrThreadData<Tracked *> *>(p);
        if (d->get() != nullptr)
          return nullptr; // the main thread's value must not show here
        d->set(new Tracked);
        return nullptr;
      },
      &data);
  EXPECT_EQ(0, other.join());
  EXPECT_EQ(1, deleted.load());
  EXPECT_EQ(mine, data.get());
}

TEST(ThrThreadData, TextValuesAreArrays) {
  // Array texts go through delete[]; AddressSanitizer reports a mismatch otherwise.
  Port_ThrThread t(
      [](void *) -> void * {
        static Port_ThrThreadData<char *> text;
        text.set(new char[16]);
        return nullptr;
      },
      nullptr);
  EXPECT_EQ(0, t.join());
}
