// objectsprobe - prints the path of every shared object loaded into a program that links the
// library, one a line, after the library's start-up and before it reads anything.
#include "Port_Halt.h"

#include <link.h>

#include <cstdio>

namespace {

int printObject(dl_phdr_info *info, size_t, void *) {
  if (info->dlpi_name && info->dlpi_name[0])
    std::printf("%s\n", info->dlpi_name);
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  ut_init(argc, argv);
  dl_iterate_phdr(printObject, nullptr);
  return 0;
}
