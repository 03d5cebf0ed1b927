// cmdfile_fuzz.cpp - reads a command file, writes the arguments back and reads them again.
//
// Input: the file's bytes. What load reads, unload must write so that load reads the same.
#include "basutcmdfil.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const std::string in = fuzzsupport::scratchPath("cmdfile.in"),
                           out = fuzzsupport::scratchPath("cmdfile.out");
  fuzzsupport::writeFile(in, data, size);

  // A compressed file is read through its decoder, damaged or not.
  UT_CMDFILE first;
  if (!first.load(in.c_str(), 0))
    return 0;
  // A line feed inside an argument cannot come from load, which reads line by line.
  if (!first.unload(out.c_str(), 0))
    std::abort();
  UT_CMDFILE second;
  if (!second.load(out.c_str(), 0) || second.getargc() != first.getargc())
    std::abort();
  for (int i = 0; i < first.getargc(); ++i)
    if (std::strcmp(first.getargv()[i], second.getargv()[i]) != 0)
      std::abort();
  return 0;
}
