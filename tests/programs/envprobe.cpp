// envprobe - prints what the environment services decide in a fresh process:
//   envprobe lang        the language, asked twice (a warning may be printed only once)
//   envprobe testmode    the test-mode value, or "(null)"
#include "Port_Env.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
  if (argc < 2)
    return 64;
  if (std::strcmp(argv[1], "lang") == 0) {
    std::printf("%s\n", Port_Env::GetLang());
    std::printf("%s\n", Port_Env::GetLang());
    return 0;
  }
  if (std::strcmp(argv[1], "testmode") == 0) {
    const char *mode = Port_Env::IsTestMode();
    std::printf("%s\n", mode ? mode : "(null)");
    return 0;
  }
  return 64;
}
