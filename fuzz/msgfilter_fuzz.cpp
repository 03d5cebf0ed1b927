// msgfilter_fuzz.cpp - reads a message filter file and filters messages with it.
//
// Input: the filter file, read for the application "tool". Messages of each filtered type are
// then issued (the console stays quiet); a malformed file must leave filtering off.
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "fuzz_support.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const std::string path = fuzzsupport::scratchPath("filter.xml");
  static const bool quiet = [] {
    Port_MsgDispatcher::getDefaultMsgMan()->disable();
    return true;
  }();
  (void)quiet;
  fuzzsupport::writeFile(path, data, size);

  Port_MsgDispatcher::turnOnFiltering(path.c_str(), "tool");
  const unsigned before = Port_MsgDispatcher::getErrCount(true);
  Port_MsgManData::createObject("Portability", "f.cpp", 1, "r")->issueError("disk %s\n", "full");
  Port_MsgManData::createObject("Portability", "f.cpp", 2, "r")->issueWarning("w\n");
  Port_MsgManData::createObject("Portability", "f.cpp", 3, "r")->issueInfo("i %d\n", 3);
  Port_MsgDispatcher::printMsg(Port_MsgMan::MSG_ERROR, L"ready disk", 7, "Portability", "f", 4,
                               "r");
  if (Port_MsgDispatcher::getErrCount(true) != before + 2)
    std::abort(); // filtered or not, every error is counted
  Port_MsgDispatcher::turnOffFiltering();
  return 0;
}
