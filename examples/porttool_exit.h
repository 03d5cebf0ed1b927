// porttool_exit.h - how porttool run turns the exit code of a child into its own exit value
// (the values are listed in porttool_run.cpp).
#ifndef PORTTOOL_EXIT_H
#define PORTTOOL_EXIT_H

#include "Port_Process.h"

#include <csignal>
#include <cstdint>

// The signal behind the exception code of a child that a signal ended, 0 for none. The codes
// are the library's: the Windows ones for the signals that have one, 0xC0FF0000 + n for any
// other signal n.
inline int signalOfExitCode(int code) {
  const uint32_t c = static_cast<uint32_t>(code);
  switch (c) {
  case 0xC000013Au:
    return SIGINT;
  case 0xC0000005u:
    return SIGSEGV;
  case 0xC0000006u:
    return SIGBUS;
  case 0xC000001Du:
    return SIGILL;
  case 0xC0000094u:
    return SIGFPE;
  case 0xC0000409u:
    return SIGABRT;
  default:
    return (c & 0xFFFFFF00u) == 0xC0FF0000u && (c & 0xFFu) > 0 && (c & 0xFFu) < 128
               ? static_cast<int>(c & 0xFFu)
               : 0;
  }
}

// porttool's exit value for the child's exit code.
inline int childExitValue(int code, bool timedOut) {
  if (timedOut)
    return 124;
  if (Port::Process::IsAbortExitCode(code) || Port::Process::IsCrashExitCode(code)) {
    const int signal = signalOfExitCode(code);
    return signal ? 128 + signal : 255;
  }
  const int low = code & 0xFF;
  return low != 0 ? low : code != 0 ? 1 : 0;
}

#endif
