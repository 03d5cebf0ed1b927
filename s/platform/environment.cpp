// environment.cpp - the environment block over setenv/unsetenv.
#include "platform/environment.h"
#include "platform/syscalls.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

const char *getenv(const char *name) { return name ? sys::getenv(name) : nullptr; }

int putenv(const char *assignment) {
  if (!assignment)
    return -1;
  const char *eq = std::strchr(assignment, '=');
  if (!eq || eq == assignment)
    return -1;
  // setenv copies, so the caller's text is never adopted into the environment (unlike
  // POSIX putenv, whose argument must outlive the variable).
  const std::string name(assignment, eq);
  if (eq[1] == '\0')
    return sys::unsetenv(name.c_str()) == 0 ? 0 : -1;
  return sys::setenv(name.c_str(), eq + 1, 1) == 0 ? 0 : -1;
}

} // namespace platform
