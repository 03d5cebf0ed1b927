// porttool run - runs a program as a child process and shows what it writes and how it ended.
//
//   porttool run [-t MS] PROGRAM [ARG...]
//
// The program's standard output and standard error are shown together, as they arrive, then
// the line "exit code N". With -t the program is ended after MS milliseconds; it then ends
// with exit code 199. The tool's own exit value: 0 when the program ran, 1 when it could not
// be started, 2 for an invalid command line or a missing program.
#include "Port_Process.h"

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
  unsigned int limit = Port::Process::NoTimeLimit;
  if (argc >= 2 && std::strcmp(argv[0], "-t") == 0) {
    char *end = nullptr;
    unsigned long ms = std::strtoul(argv[1], &end, 10);
    if (!*argv[1] || *end || ms >= Port::Process::NoTimeLimit) {
      std::fprintf(stderr, "porttool: -t wants a number of milliseconds, not \"%s\"\n", argv[1]);
      return 2;
    }
    limit = static_cast<unsigned int>(ms);
    argc -= 2;
    argv += 2;
  }
  if (argc < 1) {
    std::fprintf(stderr, "usage: porttool run [-t MS] PROGRAM [ARG...]\n");
    return 2;
  }
  Port::Process process(limit);
  int status = process.Run(argc, argv, std::unique_ptr<Port::ChildOutput>(new ShowOutput), 100,
                           true, true, false);
  if (status != 0) {
    showError(process);
    return status == 2 ? 2 : 1;
  }
  int code = process.GetChildRetcode();
  if (code == Port::Process::TerminatedExitCode && limit != Port::Process::NoTimeLimit)
    std::printf("time limit of %u ms reached\n", limit);
  if (Port::Process::IsCrashExitCode(code) || Port::Process::IsAbortExitCode(code))
    std::printf("exit code 0x%08X\n", static_cast<unsigned int>(code));
  else
    std::printf("exit code %d\n", code);
  return 0;
}
