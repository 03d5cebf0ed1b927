// Port_Thr.h - the suite's thread library: locks, threads, per-thread data, and the scope
// guard and typed per-thread holder that the rest of the library uses over them.
//
// Threads: the locks and the per-thread slots may be used from any thread. A Port_ThrThread is
// joined or detached by its one owner. Destroy a per-thread holder only when no other thread
// still has a value in it: values of threads still running are not freed then.
#ifndef PORT_THR_H
#define PORT_THR_H

#include "Port_Export.h"

#include <atomic>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <type_traits>

// Thrown by Port_ThrGuard when its lock cannot be taken.
class PORT_API Port_ThrException {
public:
  class Exception {
  public:
    explicit Exception(int value) : m_value(value) {}
    int getValue() const { return m_value; }

  private:
    int m_value;
  };
  // The value a guard throws with when lock() fails.
  static constexpr int LockFailed = 8;
};

// A plain (non-recursive) mutex. lock() and unlock() return 0 on success.
class PORT_API Port_ThrMutex {
public:
  Port_ThrMutex() = default;
  Port_ThrMutex(const Port_ThrMutex &) = delete;
  Port_ThrMutex &operator=(const Port_ThrMutex &) = delete;
  virtual ~Port_ThrMutex() = default;
  int lock();
  int unlock();
  int trylock(); // 0 when taken

private:
  std::mutex m_mutex;
};

// A mutex that its owning thread may take again; each lock() is matched by one unlock().
class PORT_API Port_ThrRecursiveLock {
public:
  Port_ThrRecursiveLock() = default;
  Port_ThrRecursiveLock(const Port_ThrRecursiveLock &) = delete;
  Port_ThrRecursiveLock &operator=(const Port_ThrRecursiveLock &) = delete;
  virtual ~Port_ThrRecursiveLock() = default;
  int lock();
  int unlock();

private:
  std::recursive_mutex m_mutex;
};

// lock() takes the lock exclusively (for writing), readLock() shared with other readers;
// unlock() releases whichever hold the calling thread has, writeUnlock() an exclusive hold.
class PORT_API Port_ThrReaderWriterLock {
public:
  Port_ThrReaderWriterLock() = default;
  Port_ThrReaderWriterLock(const Port_ThrReaderWriterLock &) = delete;
  Port_ThrReaderWriterLock &operator=(const Port_ThrReaderWriterLock &) = delete;
  virtual ~Port_ThrReaderWriterLock() = default;
  int lock();
  int readLock();
  int unlock();
  int writeUnlock();

private:
  std::shared_mutex m_mutex;
  std::atomic<std::thread::id> m_writer{};
};

// A thread that runs fn(arg) from construction on. A thread neither joined nor detached when
// the object dies is detached, so destruction never ends the process.
class PORT_API Port_ThrThread {
public:
  typedef void *(*Function)(void *);
  Port_ThrThread(Function fn, void *arg);
  Port_ThrThread(const Port_ThrThread &) = delete;
  Port_ThrThread &operator=(const Port_ThrThread &) = delete;
  virtual ~Port_ThrThread();
  int join(); // 0 on success
  int detach();

private:
  std::thread m_thread;
};

// One slot with a separate value per thread, null until the thread sets it. At a thread's end
// a non-null value is passed to the delete function.
class PORT_API Port_ThrThreadDataHelper {
public:
  typedef void (*DeleteFunction)(void *);
  explicit Port_ThrThreadDataHelper(DeleteFunction del);
  Port_ThrThreadDataHelper(const Port_ThrThreadDataHelper &) = delete;
  Port_ThrThreadDataHelper &operator=(const Port_ThrThreadDataHelper &) = delete;
  virtual ~Port_ThrThreadDataHelper();
  void *getData() const;
  int setData(const void *data);

private:
  DeleteFunction m_delete;
  unsigned int m_key;
  bool m_valid;
};

// Scope guard over any of the three locks: takes the lock on construction, throws
// Port_ThrException::Exception(8) when that fails, releases it on destruction.
template <class T> class PORT_API Port_ThrGuard {
public:
  explicit Port_ThrGuard(T *lock) : m_lock(lock), m_held(false) {
    if (m_lock->lock() != 0)
      throw Port_ThrException::Exception(Port_ThrException::LockFailed);
    m_held = true;
  }
  explicit Port_ThrGuard(T &lock) : Port_ThrGuard(&lock) {}
  Port_ThrGuard(const Port_ThrGuard &) = delete;
  Port_ThrGuard &operator=(const Port_ThrGuard &) = delete;
  virtual ~Port_ThrGuard() {
    if (m_held)
      m_lock->unlock();
  }

private:
  T *m_lock;
  bool m_held;
};

// Typed per-thread holder for a pointer type T; each thread's value is deleted at its end.
template <class T> class PORT_API Port_ThrThreadData {
  static_assert(sizeof(T) == sizeof(void *), "Port_ThrThreadData holds pointer types");

public:
  Port_ThrThreadData() : m_helper(&destroy) {}
  virtual ~Port_ThrThreadData() = default;
  T get() const { return static_cast<T>(m_helper.getData()); }
  int set(T value) { return m_helper.setData(value); }

private:
  // Texts (char*, wchar_t*) are arrays; every other pointer is a single object.
  static void destroy(void *p) {
    if constexpr (std::is_same_v<T, char *> || std::is_same_v<T, wchar_t *>)
      delete[] static_cast<T>(p);
    else
      delete static_cast<T>(p);
  }
  Port_ThrThreadDataHelper m_helper;
};

#endif
