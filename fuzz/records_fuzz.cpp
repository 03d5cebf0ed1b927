// records_fuzz.cpp - record files and single blocks of Port_Compress.
//
// Input: any bytes, read as a record file (walk, count, Read) and as one block in memory, with
// the default settings and with a keyed cipher. A plain block in memory must read exactly as
// zlib's uncompress reads its payload: the same bytes, or a failure where zlib fails.
#include "PortCompress.h"
#include "fuzz_support.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzzsupport::ScratchFile file(data, size);
  if (!file.ok())
    return 0;
  Port::FileDesc &fd = file.fd();
  Port_Compress::GetNumRecords(fd);
  Port_Compress::GetNumUnCompressedBytes(fd);
  std::vector<unsigned char> out(Port_Compress::GetDataBufferSize());
  Port_Compress keyed;
  keyed.SetKey("0123456789abcdef");
  unsigned char *hdr, *payload;
  for (int r = Port_Compress::GetFirstRecord(fd, hdr, payload); r == 2;
       r = Port_Compress::GetNextRecord(fd, hdr, payload)) {
    const unsigned length = Port_Compress::GetNumCompressedBytes(hdr) + 24;
    Port_Compress plain;
    plain.UnCompress(out.data(), static_cast<unsigned>(out.size()), hdr, length);
    keyed.UnCompress(out.data(), static_cast<unsigned>(out.size()), hdr, length);
  }
  fd.lseek(0, 0);
  std::vector<unsigned char> whole(200000);
  Port_Compress().Read(fd, whole.data(), static_cast<unsigned>(whole.size()));
  char version[8];
  fd.lseek(0, 0);
  Port_Compress::GetVersion(fd, version);
  const unsigned ours = Port_Compress().UnCompress(out.data(), static_cast<unsigned>(out.size()),
                                                   data, static_cast<unsigned>(size));
  if (size > 24 && Port_Compress::IsQuelmoZipFormat(data) && !Port_Compress::IsMimeEncoded(data) &&
      !Port_Compress::IsEncrypted(data)) {
    std::vector<unsigned char> theirs(out.size());
    uLongf length = theirs.size();
    const int rc = uncompress(theirs.data(), &length, data + 24, size - 24);
    // A stream of nothing restores 0 bytes, which also reads as a failure.
    const unsigned expected = rc == Z_OK ? static_cast<unsigned>(length) : 0;
    if (ours != expected || std::memcmp(out.data(), theirs.data(), expected) != 0)
      __builtin_trap();
  }
  return 0;
}
