// hold.h - holds a service's lock for a scope, if the service is up: before its first and after
// its last counted initialiser there is no lock (start-up and shut-down run on one thread), and
// nothing is taken.
#ifndef PORTABILITY_RUNTIME_HOLD_H
#define PORTABILITY_RUNTIME_HOLD_H

namespace runtime {

template <class Lock> class Hold {
  Lock *const m_lock;

public:
  explicit Hold(Lock *lock) : m_lock(lock) {
    if (m_lock)
      m_lock->lock();
  }
  Hold(const Hold &) = delete;
  Hold &operator=(const Hold &) = delete;
  ~Hold() {
    if (m_lock)
      m_lock->unlock();
  }
};

} // namespace runtime

#endif
