// envfileprobe - looks installation files up in a fresh process and prints the results:
//   envfileprobe KIND NAME MUSTEXIST [KIND NAME MUSTEXIST...]   KIND: help doc exec data
//   envfileprobe override INSTALL LOCAL [TAG]
#include "Port_Env.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv) {
  if (argc >= 4 && std::strcmp(argv[1], "override") == 0) {
    Port_Env::IssueOverrideMessage(argv[2], argv[3], argc > 4 ? argv[4] : nullptr);
    Port_Env::IssueOverrideMessage(argv[2], argv[3], argc > 4 ? argv[4] : nullptr);
    return 0;
  }
  for (int i = 1; i + 2 < argc; i += 3) {
    const char *kind = argv[i], *name = argv[i + 1];
    const unsigned char must = static_cast<unsigned char>(std::atoi(argv[i + 2]));
    const char *result = nullptr;
    if (std::strcmp(kind, "help") == 0)
      result = Port_Env::GetHelpFileName(name, must);
    else if (std::strcmp(kind, "doc") == 0)
      result = Port_Env::GetDocFileName(name, must);
    else if (std::strcmp(kind, "exec") == 0)
      result = Port_Env::GetExecFileName(name, must);
    else if (std::strcmp(kind, "data") == 0)
      result = Port_Env::GetDataFileName(name, must);
    std::printf("%s\n", result ? result : "(null)");
  }
  return 0;
}
