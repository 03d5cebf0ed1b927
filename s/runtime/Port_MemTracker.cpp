// Port_MemTracker.cpp - byte counters moved by the tool itself.
#include "Port_MemTracker.h"

#include "bytecount.h"
#include "counted.h"

namespace {

bytecount::ServiceLock s_lock;

using bytecount::added;
using bytecount::difference;
using Lock = bytecount::ServiceLock::Guard;

} // namespace

namespace Port {

int32_t MemTracker::s_bytesAllocated = 0;
int32_t MemTrackerNoLock::s_bytesAllocated = 0;
int32_t MemTrackerInit::s_counter = 0;

void MemTracker::incrementUsage(int n) {
  Lock lock(s_lock);
  s_bytesAllocated = added(s_bytesAllocated, n);
}

void MemTracker::decrementUsage(int n) {
  Lock lock(s_lock);
  s_bytesAllocated = difference(s_bytesAllocated, n);
}

int32_t MemTracker::getBytesAllocated() {
  Lock lock(s_lock);
  return s_bytesAllocated;
}

void MemTracker::initialize() { s_lock.make(); }

void MemTracker::finalize() { s_lock.drop(); }

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

MemTrackerInit::MemTrackerInit() { runtime::firstStarts(s_counter, MemTracker::initialize); }

MemTrackerInit::~MemTrackerInit() { runtime::lastEnds(s_counter, MemTracker::finalize); }

} // namespace Port
