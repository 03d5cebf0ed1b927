// exit.cpp - process exit with Windows exit values mapped onto POSIX statuses.
#include "platform/exit.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace platform {

int ExitStatus(int value) {
  if (value != 0 && (value & 0xFF) == 0)
    return 255;
  return value & 0xFF;
}

namespace {
std::atomic<bool> s_exiting{false};
thread_local bool t_exiting = false;
} // namespace

void ExitProcess(int value) {
  if (s_exiting.exchange(true)) {
    if (t_exiting) // from a clean-up handler of this thread's own exit
      TerminateProcess(value);
    for (;;) // the first caller's exit ends the process
      ::pause();
  }
  t_exiting = true;
  std::exit(ExitStatus(value));
}

void TerminateProcess(int value) {
  // Buffered console output would be lost with _exit; Windows console writes are unbuffered.
  std::fflush(stdout);
  std::fflush(stderr);
  ::_exit(ExitStatus(value));
}

} // namespace platform
