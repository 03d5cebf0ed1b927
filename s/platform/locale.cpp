// locale.cpp - the user's default locale from the POSIX locale variables.
#include "platform/locale.h"
#include "platform/environment.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

unsigned int GetUserDefaultLCID() {
  const char *value = nullptr;
  for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    value = getenv(name);
    if (value && *value)
      break;
    value = nullptr;
  }
  if (!value)
    return 0x0409;
  if (std::strncmp(value, "ja", 2) == 0)
    return 0x0411;
  if (std::strncmp(value, "fr", 2) == 0)
    return 0x040C;
  if (std::strncmp(value, "de", 2) == 0)
    return 0x0407;
  return 0x0409;
}

std::string GetLocaleLanguage(unsigned int lcid) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04X", lcid & 0xFFFFu);
  return buf;
}

} // namespace platform
