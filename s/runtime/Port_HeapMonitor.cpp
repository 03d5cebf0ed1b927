// Port_HeapMonitor.cpp - class allocation functions that count the bytes of monitored objects.
//
// Monitored block layout: [size_t n][padding to kPrefix bytes][n bytes of the object]. The
// prefix is as wide as the alignment operator new guarantees, so the object keeps it.
#include "Port_HeapMonitor.h"
#include "platform/environment.h"

#include "bytecount.h"
#include "counted.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr size_t kPrefix = __STDCPP_DEFAULT_NEW_ALIGNMENT__ > sizeof(size_t)
                               ? __STDCPP_DEFAULT_NEW_ALIGNMENT__
                               : sizeof(size_t);

// Whether QEL_MEM_MONITOR asks for monitoring; each class decides once for the process.
enum Decision { kUnknown, kOn, kOff };

bool decide(std::atomic<int> &decision) {
  int value = decision.load(std::memory_order_acquire);
  if (value == kUnknown) {
    const char *env = platform::getenv("QEL_MEM_MONITOR");
    value = env && *env ? kOn : kOff;
    decision.store(value, std::memory_order_release);
  }
  return value == kOn;
}

void addTo(int32_t &count, size_t n, bool add) {
  count = add ? bytecount::added(count, n) : bytecount::difference(count, static_cast<int32_t>(n));
}

template <class Count> void *monitoredNew(size_t size, bool on, Count count) {
  if (!on)
    return ::operator new(size);
  if (size > SIZE_MAX - kPrefix)
    throw std::bad_alloc();
  char *block = static_cast<char *>(::operator new(size + kPrefix));
  std::memcpy(block, &size, sizeof size);
  count(size, true);
  return block + kPrefix;
}

template <class Count> void monitoredDelete(void *ptr, bool on, Count count) {
  if (!ptr)
    return;
  if (!on) {
    ::operator delete(ptr);
    return;
  }
  char *block = static_cast<char *>(ptr) - kPrefix;
  size_t size;
  std::memcpy(&size, block, sizeof size);
  count(size, false);
  ::operator delete(block);
}

std::atomic<int> s_decision{kUnknown};
std::atomic<int> s_decisionNoLock{kUnknown};
bytecount::ServiceLock s_lock;

void countLocked(int32_t &count, size_t n, bool add) {
  bytecount::ServiceLock::Guard guard(s_lock);
  addTo(count, n, add);
}

} // namespace

namespace Port {

int32_t HeapMonitor::s_bytesAllocated = 0;
int32_t HeapMonitorNoLock::s_bytesAllocated = 0;
int32_t HeapMonitorInit::s_counter = 0;

void *HeapMonitor::operator new(size_t size) {
  return monitoredNew(size, isHeapMonitorActive(),
                      [](size_t n, bool add) { countLocked(s_bytesAllocated, n, add); });
}
void HeapMonitor::operator delete(void *ptr) {
  monitoredDelete(ptr, isHeapMonitorActive(),
                  [](size_t n, bool add) { countLocked(s_bytesAllocated, n, add); });
}
void *HeapMonitor::operator new[](size_t size) { return HeapMonitor::operator new(size); }
void HeapMonitor::operator delete[](void *ptr) { HeapMonitor::operator delete(ptr); }

bool HeapMonitor::isHeapMonitorActive() { return decide(s_decision); }

int32_t HeapMonitor::getBytesAllocated() {
  bytecount::ServiceLock::Guard guard(s_lock);
  return s_bytesAllocated;
}

void HeapMonitor::initialize() { s_lock.make(); }

void HeapMonitor::finalize() { s_lock.drop(); }

HeapMonitorUsage::HeapMonitorUsage() : m_snapshot(HeapMonitor::getBytesAllocated()) {}
void HeapMonitorUsage::reset() { m_snapshot = HeapMonitor::getBytesAllocated(); }
int32_t HeapMonitorUsage::getDelta() const {
  return bytecount::difference(HeapMonitor::getBytesAllocated(), m_snapshot);
}

void *HeapMonitorNoLock::operator new(size_t size) {
  return monitoredNew(size, isHeapMonitorActive(),
                      [](size_t n, bool add) { addTo(s_bytesAllocated, n, add); });
}
void HeapMonitorNoLock::operator delete(void *ptr) {
  monitoredDelete(ptr, isHeapMonitorActive(),
                  [](size_t n, bool add) { addTo(s_bytesAllocated, n, add); });
}
void *HeapMonitorNoLock::operator new[](size_t size) {
  return HeapMonitorNoLock::operator new(size);
}
void HeapMonitorNoLock::operator delete[](void *ptr) { HeapMonitorNoLock::operator delete(ptr); }

bool HeapMonitorNoLock::isHeapMonitorActive() { return decide(s_decisionNoLock); }
int32_t HeapMonitorNoLock::getBytesAllocated() { return s_bytesAllocated; }

HeapMonitorNoLockUsage::HeapMonitorNoLockUsage()
    : m_snapshot(HeapMonitorNoLock::getBytesAllocated()) {}
void HeapMonitorNoLockUsage::reset() { m_snapshot = HeapMonitorNoLock::getBytesAllocated(); }
int32_t HeapMonitorNoLockUsage::getDelta() const {
  return bytecount::difference(HeapMonitorNoLock::getBytesAllocated(), m_snapshot);
}

HeapMonitorInit::HeapMonitorInit() { runtime::firstStarts(s_counter, HeapMonitor::initialize); }

HeapMonitorInit::~HeapMonitorInit() { runtime::lastEnds(s_counter, HeapMonitor::finalize); }

} // namespace Port
