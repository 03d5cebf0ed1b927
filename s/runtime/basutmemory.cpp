// basutmemory.cpp - the process's memory use, as a figure and as a message.
#include "basutmemory.h"

#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "platform/memory.h"

#include <memory>

namespace {
const char kRevision[] = "$Revision: 1.1 $";
}

uint64_t UT_MEMORY::getMemoryUsage() { return platform::VirtualMemoryInUse(); }

wchar_t *UT_MEMORY::getMemoryUsageString() {
  int64_t kilobytes = static_cast<int64_t>(getMemoryUsage() / 1024);
  return Port_MsgDispatcher::translateMsg("Portability", "Total memory usage is %lI kilobytes\n",
                                          kilobytes);
}

void UT_MEMORY::reportMemoryUsage() {
  std::unique_ptr<wchar_t[]> text(getMemoryUsageString());
  Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
      ->issueStatus("%z", text.get());
}
