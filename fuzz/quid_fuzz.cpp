// quid_fuzz.cpp - identifiers read from text (component registrations, files): Port::QUID's
// validation of the printed form, its cut to capacity, and its case-blind identity and order.
//
// Input: the identifier text. Validation is on (QUELMO_DO_PORT_QUID_STRING_VALIDATION), so
// malformed texts go through the error report as well.
#include "Port_MsgDispatcher.h"
#include "Port_QUID.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("QUELMO_DO_PORT_QUID_STRING_VALIDATION", "1", 1);
  Port_MsgDispatcher::disable(); // the reports are counted, not printed
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string text(reinterpret_cast<const char *>(data), size);
  text = text.c_str(); // up to the first zero byte, as a C caller would pass it
  Port::QUID q(text.c_str(), text.c_str());
  if (std::strlen(q.GetValue()) >= Port::QUID::ValueSize ||
      std::strlen(q.GetComment()) >= Port::QUID::CommentSize)
    std::abort();
  if (std::strncmp(q.GetValue(), text.c_str(), Port::QUID::ValueSize - 1) != 0)
    std::abort();
  std::string upper = q.GetValue();
  for (char &c : upper)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  Port::QUID other(upper.c_str());
  if (!(q == other) || q < other || other < q)
    std::abort();
  return 0;
}
