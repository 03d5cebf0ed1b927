// Port_HeapMonitor.cpp - class allocation functions that count the bytes of monitored objects.
//
// Monitored block layout: [size_t n][padding to kPrefix bytes][n bytes of the object]. The
// prefix is as wide as the alignment operator new guarantees, so the object keeps it.
#include "Port_HeapMonitor.h"
#include "platform/environment.h"

#include "Port_Thr.h"

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

// The counts are 32-bit and wrap like the unsigned arithmetic they are done in.
void addTo(int32_t &count, size_t n, bool add) {
  uint32_t value = static_cast<uint32_t>(count);
  uint32_t delta = static_cast<uint32_t>(n);
  count = static_cast<int32_t>(add ? value + delta : value - delta);
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
// Made by Port::HeapMonitorInit; before the first and after the last initialiser the count is
// kept without a lock (start-up and shut-down run on one thread).
Port_ThrMutex *s_mutex = nullptr;

void countLocked(int32_t &count, size_t n, bool add) {
  if (s_mutex)
    s_mutex->lock();
  addTo(count, n, add);
  if (s_mutex)
    s_mutex->unlock();
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
  if (!s_mutex)
    return s_bytesAllocated;
  Port_ThrGuard<Port_ThrMutex> guard(s_mutex);
  return s_bytesAllocated;
}

void HeapMonitor::initialize() {
  if (!s_mutex)
    s_mutex = new Port_ThrMutex;
}

void HeapMonitor::finalize() {
  delete s_mutex;
  s_mutex = nullptr;
}

HeapMonitorUsage::HeapMonitorUsage() : m_snapshot(HeapMonitor::getBytesAllocated()) {}
void HeapMonitorUsage::reset() { m_snapshot = HeapMonitor::getBytesAllocated(); }
int32_t HeapMonitorUsage::getDelta() const {
  return static_cast<int32_t>(static_cast<uint32_t>(HeapMonitor::getBytesAllocated()) -
                              static_cast<uint32_t>(m_snapshot));
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
  return static_cast<int32_t>(static_cast<uint32_t>(HeapMonitorNoLock::getBytesAllocated()) -
                              static_cast<uint32_t>(m_snapshot));
}

HeapMonitorInit::HeapMonitorInit() {
  if (++s_counter == 1)
    HeapMonitor::initialize();
}

HeapMonitorInit::~HeapMonitorInit() {
  if (--s_counter == 0)
    HeapMonitor::finalize();
}

} // namespace Port
