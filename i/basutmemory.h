// basutmemory.h - how much memory the process uses.
//
// Threads: any thread may call these. The figure is the whole process's; the text is translated
// and issued through the message system, which locks for itself.
#ifndef BASUTMEMORY_H
#define BASUTMEMORY_H

#include "Port_Export.h"

#include <cstdint>

class PORT_API UT_MEMORY {
public:
  // Bytes of virtual address space the process has in use; 0 when the system cannot tell.
  static uint64_t getMemoryUsage();
  // "Total memory usage is <n> kilobytes\n" in the user's language; the caller frees the
  // text with delete[].
  static wchar_t *getMemoryUsageString();
  // Issues that text as a status message.
  static void reportMemoryUsage();

  UT_MEMORY() = delete;
};

#endif
