// objectsprobe - prints the path of every shared object loaded into a program that links the
// library, one a line, after the library's start-up and after the service the mode names:
//   objectsprobe              nothing but the start-up
//   objectsprobe crc          a CRC-32 of a string
//   objectsprobe compress     a block compressed and restored (ends with 3 when it differs)
//   objectsprobe nolibrary    the same, with every mapping of an outside library failing
#include "PortCompress.h"
#include "Port_Halt.h"
#include "basutstr.h"
#include "platform/faults.h"

#include <link.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int printObject(dl_phdr_info *info, size_t, void *) {
  if (info->dlpi_name && info->dlpi_name[0])
    std::printf("%s\n", info->dlpi_name);
  return 0;
}

bool roundTrip() {
  const std::string text(5000, 'q');
  unsigned char packed[8192], restored[8192];
  Port_Compress codec;
  const unsigned n =
      codec.Compress(packed, sizeof packed, reinterpret_cast<const unsigned char *>(text.data()),
                     static_cast<unsigned>(text.size()));
  return n > 0 && codec.UnCompress(restored, sizeof restored, packed, n) == text.size() &&
         std::memcmp(restored, text.data(), text.size()) == 0;
}

} // namespace

int main(int argc, char **argv) {
  ut_init(argc, argv);
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "crc") {
    if (UT_STR::CRC32("123456789", 9) != 0xCBF43926u)
      return 3;
  } else if (mode == "compress" || mode == "nolibrary") {
    if (mode == "nolibrary")
      Port_TestFault(Port_TestDlOpen, 1, 1, ENOENT);
    if (!roundTrip())
      return 3;
  } else if (!mode.empty()) {
    return 64;
  }
  dl_iterate_phdr(printObject, nullptr);
  return 0;
}
