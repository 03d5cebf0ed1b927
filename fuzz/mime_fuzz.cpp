// mime_fuzz.cpp - base64 of Port_Compress.
//
// Input: any bytes, decoded as base64 text (by its length, never past it), and encoded and
// decoded again, which must give the input back.
#include "PortCompress.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 100000)
    return 0;
  Port_Compress c;
  const unsigned n = static_cast<unsigned>(size);
  std::vector<unsigned char> decoded(n + 1);
  c.MimeDecode(decoded.data(), n + 1, data, n);
  // Exactly the room needed: nothing may be written past it.
  const unsigned room = Port_Compress::GetSizeofCompressedBuffer(n, 0, 0, 1);
  std::vector<unsigned char> text(room);
  const unsigned chars = c.MimeEncode(text.data(), room, data, n);
  std::vector<unsigned char> back(room + 1);
  const unsigned bytes = c.MimeDecode(back.data(), room + 1, text.data(), chars);
  if (bytes != n || (n && std::memcmp(back.data(), data, n) != 0))
    std::abort();
  return 0;
}
