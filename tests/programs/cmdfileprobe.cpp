// cmdfileprobe FILE - loads a command file in a fresh process (the user's locale is read once
// per process) and prints the result.
#include "basutcmdfil.h"

#include <cstdio>

int main(int argc, char **argv) {
  if (argc < 2)
    return 64;
  UT_CMDFILE f;
  const bool ok = f.load(argv[1], 0);
  std::printf("load=%d argc=%d\n", ok ? 1 : 0, f.getargc());
  return 0;
}
