// compressmap_fuzz.cpp - Port_CompressMap over any record file.
//
// Input: two bytes steering the reads, then the file. Reads at positions forwards and backwards
// must stay inside the map's data and never loop.
#include "PortCompressMap.h"
#include "fuzz_support.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2)
    return 0;
  fuzzsupport::ScratchFile file(data + 2, size - 2);
  if (!file.ok())
    return 0;
  Port_CompressMap map(file.fd());
  const unsigned total = map.GetUnCompressedSize();
  const unsigned step = 1 + data[0] * 97u;
  const unsigned n = 1 + data[1] * 131u;
  std::vector<unsigned char> buf(n);
  for (unsigned pos = 0; pos <= total + step && pos < (1u << 22); pos += step)
    map.Read(buf.data(), n, pos, 0);
  for (unsigned k = 0; k < 8; ++k)
    map.Read(buf.data(), n, total - (total / 8) * k, 0);
  return 0;
}
