// Port_HeapMonitor.h - a byte count of the objects of monitored classes. A class that derives
// from Port::HeapMonitor (or Port::HeapMonitorNoLock) allocates through the class's operator
// new; when the environment variable QEL_MEM_MONITOR is set and not empty, each block carries
// a hidden prefix with its size, and the count follows every new and delete. When it is unset
// the operators are the global ones and the count stays 0. The variable is read once per
// class, on first use.
//
// Port::HeapMonitor counts under a mutex made by the counted initialiser below;
// Port::HeapMonitorNoLock keeps a count of its own without any lock, for single-threaded use.
// The counts are signed 32-bit.
#ifndef PORT_HEAPMONITOR_H
#define PORT_HEAPMONITOR_H

#include "Port_Export.h"

#include <cstddef>
#include <cstdint>

namespace Port {

class PORT_API HeapMonitor {
public:
  static void *operator new(size_t size);
  static void operator delete(void *ptr);
  static void *operator new[](size_t size);
  static void operator delete[](void *ptr);

  static bool isHeapMonitorActive();
  static int32_t getBytesAllocated();
  // Make and delete the mutex; run by Port::HeapMonitorInit.
  static void initialize();
  static void finalize();

private:
  static int32_t s_bytesAllocated;
};

// A snapshot of HeapMonitor's count; getDelta() is what has been allocated since.
class PORT_API HeapMonitorUsage {
public:
  HeapMonitorUsage();
  HeapMonitorUsage(const HeapMonitorUsage &other) = default;
  HeapMonitorUsage &operator=(const HeapMonitorUsage &other) = default;
  void reset();
  int32_t getDelta() const;

private:
  int32_t m_snapshot;
};

class PORT_API HeapMonitorNoLock {
public:
  static void *operator new(size_t size);
  static void operator delete(void *ptr);
  static void *operator new[](size_t size);
  static void operator delete[](void *ptr);

  static bool isHeapMonitorActive();
  static int32_t getBytesAllocated();
  static void initialize() {}
  static void finalize() {}

private:
  static int32_t s_bytesAllocated;
};

class PORT_API HeapMonitorNoLockUsage {
public:
  HeapMonitorNoLockUsage();
  HeapMonitorNoLockUsage(const HeapMonitorNoLockUsage &other) = default;
  HeapMonitorNoLockUsage &operator=(const HeapMonitorNoLockUsage &other) = default;
  void reset();
  int32_t getDelta() const;

private:
  int32_t m_snapshot;
};

// Counted start-up object: the first one alive makes HeapMonitor's mutex, the last one to die
// deletes it.
class PORT_API HeapMonitorInit {
public:
  HeapMonitorInit();
  ~HeapMonitorInit();
  HeapMonitorInit(const HeapMonitorInit &) = delete;
  HeapMonitorInit &operator=(const HeapMonitorInit &) = delete;

private:
  static int32_t s_counter;
};
static HeapMonitorInit HeapMonitorInitObject;

} // namespace Port

#endif
