// Port_MemTracker.cpp - byte counters moved by the tool itself.
#include "Port_MemTracker.h"

#include "Port_Thr.h"

namespace {

// Made by Port::MemTrackerInit; before the first and after the last initialiser the count is
// kept without a lock (start-up and shut-down run on one thread).
Port_ThrMutex *s_mutex = nullptr;

// The counts are 32-bit and wrap like the unsigned arithmetic they are done in.
int32_t added(int32_t count, int n) {
  return static_cast<int32_t>(static_cast<uint32_t>(count) + static_cast<uint32_t>(n));
}

int32_t difference(int32_t now, int32_t then) {
  return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(then));
}

class Lock {
public:
  Lock() {
    if (s_mutex)
      s_mutex->lock();
  }
  ~Lock() {
    if (s_mutex)
      s_mutex->unlock();
  }
  Lock(const Lock &) = delete;
  Lock &operator=(const Lock &) = delete;
};

} // namespace

namespace Port {

int32_t MemTracker::s_bytesAllocated = 0;
int32_t MemTrackerNoLock::s_bytesAllocated = 0;
int32_t MemTrackerInit::s_counter = 0;

void MemTracker::incrementUsage(int n) {
  Lock lock;
  s_bytesAllocated = added(s_bytesAllocated, n);
}

void MemTracker::decrementUsage(int n) {
  Lock lock;
  s_bytesAllocated = difference(s_bytesAllocated, n);
}

int32_t MemTracker::getBytesAllocated() {
  Lock lock;
  return s_bytesAllocated;
}

void MemTracker::initialize() {
  if (!s_mutex)
    s_mutex = new Port_ThrMutex;
}

void MemTracker::finalize() {
  delete s_mutex;
  s_mutex = nullptr;
}

MemTrackerUsage::MemTrackerUsage() : m_snapshot(MemTracker::getBytesAllocated()) {}
void MemTrackerUsage::reset() { m_snapshot = MemTracker::getBytesAllocated(); }
int32_t MemTrackerUsage::getDelta() const {
  return difference(MemTracker::getBytesAllocated(), m_snapshot);
}

void MemTrackerNoLock::incrementUsage(int n) { s_bytesAllocated = added(s_bytesAllocated, n); }
void MemTrackerNoLock::decrementUsage(int n) { s_bytesAllocated = difference(s_bytesAllocated, n); }
int32_t MemTrackerNoLock::getBytesAllocated() { return s_bytesAllocated; }

MemTrackerNoLockUsage::MemTrackerNoLockUsage()
    : m_snapshot(MemTrackerNoLock::getBytesAllocated()) {}
void MemTrackerNoLockUsage::reset() { m_snapshot = MemTrackerNoLock::getBytesAllocated(); }
int32_t MemTrackerNoLockUsage::getDelta() const {
  return difference(MemTrackerNoLock::getBytesAllocated(), m_snapshot);
}

MemTrackerInit::MemTrackerInit() {
  if (++s_counter == 1)
    MemTracker::initialize();
}

MemTrackerInit::~MemTrackerInit() {
  if (--s_counter == 0)
    MemTracker::finalize();
}

} // namespace Port
