// xmllog_fuzz.cpp - reads a previous XML message log for new-message tracking.
//
// Input: the log. It is read as the message data of the previous run; whatever it holds, the
// read either succeeds or reports the file corrupt, and the detector then answers for a few
// messages (a message recorded with the sample log's key must be found old after a good read).
#include "Port_MsgXml.h"
#include "fuzz_support.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const std::string path = fuzzsupport::scratchPath("log.xml");
  fuzzsupport::writeFile(path, data, size);

  Port::DeltaMsg delta(path.c_str());
  const bool read = delta.readXmlMsg();
  const std::string args("a\0b", 3);
  const bool isNew = delta.isNewMsg("Portabilityerror0", args);
  if (!read && (!isNew || delta.getCount() != 0))
    std::abort(); // a failed read must leave every message new
  delta.isNewMsg("Portabilitywarning1002", "x");
  return 0;
}
