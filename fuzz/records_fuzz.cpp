// records_fuzz.cpp - record files and single blocks of Port_Compress.
//
// Input: any bytes, read as a record file (walk, count, Read) and as one block in memory, with
// the default settings and with a keyed cipher.
#include "PortCompress.h"
#include "fuzz_support.h"

#include <cstdint>
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
  Port_Compress().UnCompress(out.data(), static_cast<unsigned>(out.size()), data,
                             static_cast<unsigned>(size));
  return 0;
}
