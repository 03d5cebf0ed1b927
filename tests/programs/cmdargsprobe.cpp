// cmdargsprobe - builds a UT_CMDARGS in a fresh process, so that help files and the banner are
// looked up in the installation the test chooses:
//   cmdargsprobe [names|topic] FORMAT PROGRAM ARGS...
// "names" passes the banner names "probe" and "build"; "topic" uses the topic-help path. Prints
// the flags, the checked command line and the switches and arguments.
#include "basutcmdarg.h"

#include <cstdio>
#include <cstring>

namespace {
void help() { std::printf("help function called\n"); }
void topic(const char *word) {
  std::printf("topic help for %s\n", word);
  delete[] word;
}
} // namespace

int main(int argc, char **argv) {
  int first = 1;
  const char *mode = "";
  if (argc > 1 && (std::strcmp(argv[1], "names") == 0 || std::strcmp(argv[1], "topic") == 0))
    mode = argv[first++];
  if (argc < first + 2)
    return 64;
  const char *fmt = argv[first];
  const int n = argc - first - 1;
  const char *const *v = argv + first + 1;
  UT_CMDARGS *args;
  if (std::strcmp(mode, "names") == 0)
    args = new UT_CMDARGS("probe", "build", n, v, fmt, &help, 0);
  else if (std::strcmp(mode, "topic") == 0)
    args = new UT_CMDARGS(n, v, "probe", "build", fmt, &topic, 0);
  else
    args = new UT_CMDARGS(n, v, fmt, &help, 0);
  std::printf("error=%d usage=%d\n", args->iserror() ? 1 : 0, args->gaveusage() ? 1 : 0);
  char *line = args->getcmdline();
  std::printf("cmdline=[%s]\n", line);
  delete[] line;
  std::printf("orig=[%s]\n", args->getorigcmdline());
  delete args;
  return 0;
}
