// porttool run - runs a program as a child process and shows what it writes and how it ended.
//
//   porttool run [-t MS] PROGRAM [ARG...]
//
// The program's standard output and standard error are shown together, as they arrive, then
// the line "exit code N". With -t the program is ended after MS milliseconds.
//
// The tool exits with the program's exit code: its low byte, or 1 when the low byte is 0 but
// the code is not. Otherwise:
//   124  the time limit was reached (as timeout(1) does)
//   128 + n  the program was ended by signal n (130 for Ctrl+C, 134 abort, 139 a segmentation
//       fault...); the library reports such an end as a Windows exception code, which is turned
//       back into its signal
//   255  a crash code that names no signal
//   127  the program could not be started (not found, not executable) or not waited for
//   2    an invalid command line (the error and "try 'porttool -h'" on standard error)
#include "porttool.h"
#include "porttool_exit.h"

#include "Port_Process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

// Shows the child's output on this process's standard output.
class ShowOutput : public Port::ChildOutput {
public:
  void Output(const char *text, bool) override {
    if (!text)
      return;
    std::fputs(text, stdout);
    std::fflush(stdout);
  }
};

void showError(const Port::Process &process) {
  std::unique_ptr<wchar_t[]> text(process.GetProcessErrmsg());
  if (text)
    std::fprintf(stderr, "porttool: %ls\n", text.get());
}

} // namespace

int runCommand(int argc, char **argv) {
  if (argc >= 1 && (is_helpsw(argv[0]) || std::strcmp(argv[0], "--help") == 0)) {
    showHelp();
    return ExitDone;
  }
  unsigned int limit = Port::Process::NoTimeLimit;
  if (argc >= 1 && std::strcmp(argv[0], "-t") == 0) {
    if (argc < 2)
      return usageError("-t wants a number of milliseconds");
    char *end = nullptr;
    unsigned long ms = std::strtoul(argv[1], &end, 10);
    if (!*argv[1] || *end || argv[1][0] == '-' || ms >= Port::Process::NoTimeLimit)
      return usageError("-t wants a number of milliseconds, not \"%s\"", argv[1]);
    limit = static_cast<unsigned int>(ms);
    argc -= 2;
    argv += 2;
  }
  if (argc < 1)
    return usageError("run wants a program to run");
  Port::Process process(limit);
  const auto start = std::chrono::steady_clock::now();
  int status = process.Run(argc, argv, std::unique_ptr<Port::ChildOutput>(new ShowOutput), 100,
                           true, true, false);
  if (status == 2) {
    showError(process);
    return tryHelp();
  }
  if (status != 0) {
    showError(process);
    return 127;
  }
  const int code = process.GetChildRetcode();
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
  // A program may end with 199 itself; the limit has been reached only when its time is up.
  const bool timedOut = limit != Port::Process::NoTimeLimit &&
                        code == Port::Process::TerminatedExitCode &&
                        elapsed >= static_cast<long long>(limit);
  if (timedOut)
    std::printf("time limit of %u ms reached\n", limit);
  if (Port::Process::IsCrashExitCode(code) || Port::Process::IsAbortExitCode(code))
    std::printf("exit code 0x%08X\n", static_cast<unsigned int>(code));
  else
    std::printf("exit code %d\n", code);
  std::fflush(stdout);
  return childExitValue(code, timedOut);
}
