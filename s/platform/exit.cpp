// exit.cpp - process exit with Windows exit values mapped onto POSIX statuses.
#include "platform/exit.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace platform {

int ExitStatus(int value) {
  if (value != 0 && (value & 0xFF) == 0)
    return 255;
  return value & 0xFF;
}

void ExitProcess(int value) { std::exit(ExitStatus(value)); }

void TerminateProcess(int value) {
  // Buffered console output would be lost with _exit; Windows console writes are unbuffered.
  std::fflush(stdout);
  std::fflush(stderr);
  ::_exit(ExitStatus(value));
}

} // namespace platform
