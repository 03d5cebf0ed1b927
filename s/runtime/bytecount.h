// bytecount.h - what the heap monitor and the memory tracker share: 32-bit byte counts that wrap
// like the unsigned arithmetic they are done in, and a lock that exists only while the service's
// counted initialiser is alive (start-up and shut-down run on one thread, so before the first
// and after the last initialiser the count is kept without one).
#ifndef PORTABILITY_RUNTIME_BYTECOUNT_H
#define PORTABILITY_RUNTIME_BYTECOUNT_H

#include "Port_Thr.h"
#include "runtime/hold.h"

#include <cstddef>
#include <cstdint>

namespace bytecount {

inline int32_t added(int32_t count, size_t n) {
  return static_cast<int32_t>(static_cast<uint32_t>(count) + static_cast<uint32_t>(n));
}

inline int32_t difference(int32_t now, int32_t then) {
  return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(then));
}

class ServiceLock {
public:
  void make() {
    if (!m_mutex)
      m_mutex = new Port_ThrMutex;
  }
  void drop() {
    delete m_mutex;
    m_mutex = nullptr;
  }

  // Holds the lock for a scope, when there is one.
  class Guard : public runtime::Hold<Port_ThrMutex> {
  public:
    explicit Guard(ServiceLock &lock) : Hold(lock.m_mutex) {}
  };

private:
  Port_ThrMutex *m_mutex = nullptr;
};

} // namespace bytecount

#endif
