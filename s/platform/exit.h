// exit.h - ending the process (exit, TerminateProcess on the current process).
#ifndef PORT_PLATFORM_EXIT_H
#define PORT_PLATFORM_EXIT_H

namespace platform {

// A Windows exit value is 32 bits; a POSIX exit status keeps only the low 8. A non-zero value
// whose low 8 bits are zero (256, 512...) would read as success, so it is reported as 255.
int ExitStatus(int value);

// exit(value): clean-up handlers run. exit may not run twice at once: a second thread that
// calls this while the process is ending waits for the end, and a call from one of the
// clean-up handlers ends the process at once as TerminateProcess does.
[[noreturn]] void ExitProcess(int value);

// TerminateProcess(GetCurrentProcess(), value): ends at once, no clean-up runs.
[[noreturn]] void TerminateProcess(int value);

} // namespace platform

#endif
