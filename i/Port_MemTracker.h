// Port_MemTracker.h - a byte counter that a tool moves itself, to watch the memory of its own
// structures. Port::MemTracker counts under a mutex made by the counted initialiser below;
// Port::MemTrackerNoLock keeps a count of its own without any lock, for single-threaded use.
// The counts are signed 32-bit.
#ifndef PORT_MEMTRACKER_H
#define PORT_MEMTRACKER_H

#include "Port_Export.h"

#include <cstdint>

namespace Port {

class PORT_API MemTracker {
public:
  static void incrementUsage(int n);
  static void decrementUsage(int n);
  static int32_t getBytesAllocated();
  // Make and delete the mutex; run by Port::MemTrackerInit.
  static void initialize();
  static void finalize();

private:
  static int32_t s_bytesAllocated;
};

// A snapshot of MemTracker's count; getDelta() is how much it has grown since.
class PORT_API MemTrackerUsage {
public:
  MemTrackerUsage();
  MemTrackerUsage(const MemTrackerUsage &other) = default;
  MemTrackerUsage &operator=(const MemTrackerUsage &other) = default;
  void reset();
  int32_t getDelta() const;

private:
  int32_t m_snapshot;
};

class PORT_API MemTrackerNoLock {
public:
  static void incrementUsage(int n);
  static void decrementUsage(int n);
  static int32_t getBytesAllocated();
  static void initialize() {}
  static void finalize() {}

private:
  static int32_t s_bytesAllocated;
};

class PORT_API MemTrackerNoLockUsage {
public:
  MemTrackerNoLockUsage();
  MemTrackerNoLockUsage(const MemTrackerNoLockUsage &other) = default;
  MemTrackerNoLockUsage &operator=(const MemTrackerNoLockUsage &other) = default;
  void reset();
  int32_t getDelta() const;

private:
  int32_t m_snapshot;
};

// Counted start-up object: the first one alive makes MemTracker's mutex, the last one to die
// deletes it.
class PORT_API MemTrackerInit {
public:
  MemTrackerInit();
  ~MemTrackerInit();
  MemTrackerInit(const MemTrackerInit &) = delete;
  MemTrackerInit &operator=(const MemTrackerInit &) = delete;

private:
  static int32_t s_counter;
};
static MemTrackerInit MemTrackerInitObject;

} // namespace Port

#endif
