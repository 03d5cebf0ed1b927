// packed_fuzz.cpp - the classic packed-data decoder.
//
// Input: one byte choosing the size of the unpak requests, then the packed stream. The decoder
// must end every stream with data, 0 or -1 (damage reported as an error, as a stream has it; the
// direct caller's fatal report comes from the same test); packing the decoded bytes again must
// unpack to the same bytes.
#include "Port_MsgDispatcher.h"
#include "basutio.h"
#include "basutpak.h"

#include "../tests/compress/packed_test_util.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
// The tests' in-memory device: writes append, reads consume from the front.
using packedtest::MemoryDevice;

// Whole stream, or false when the decoder reported the stream as damaged.
bool unpackAll(const std::string &bytes, int piece, std::string *out) {
  MemoryDevice dev(bytes);
  UTPAK_DATA p(&dev, '1', '2');
  p.setdamageerror(true);
  std::vector<char> buf(static_cast<size_t>(piece));
  for (;;) {
    const int got = p.unpak(buf.data(), piece);
    if (got < 0)
      return false;
    if (got == 0)
      return true;
    out->append(buf.data(), static_cast<size_t>(got));
    if (out->size() > (1u << 24))
      return false; // a stream may legitimately expand this far; stop looking
  }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  // Damage is the common case here: its error report would drown the run's output.
  static const bool quiet = [] {
    Port_MsgDispatcher::getDefaultMsgMan()->disable();
    return true;
  }();
  (void)quiet;
  const int piece = 1 + data[0] * 37;
  std::string out;
  if (!unpackAll(std::string(reinterpret_cast<const char *>(data) + 1, size - 1), piece, &out))
    return 0;
  MemoryDevice sink("");
  {
    UTPAK_DATA p(&sink, '1', '2');
    p.pak(const_cast<char *>(out.data()), static_cast<int>(out.size()));
  }
  std::string again;
  if (!unpackAll(sink.data, 4096, &again) || again != out)
    std::abort();
  return 0;
}
