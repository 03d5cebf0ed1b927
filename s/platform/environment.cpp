// environment.cpp - the environment block over setenv/unsetenv, one change or lookup at a time.
#include "platform/environment.h"
#include "platform/syscalls.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

// The C library changes the block without a lock of its own for readers: setenv may move the
// array that getenv walks. Every reader and writer of the library goes through this lock.
std::mutex &environmentLock() {
  static std::mutex lock;
  return lock;
}

const char *getenv(const char *name) {
  if (!name)
    return nullptr;
  std::lock_guard<std::mutex> hold(environmentLock());
  return sys::getenv(name);
}

int putenv(const char *assignment) {
  if (!assignment)
    return -1;
  const char *eq = std::strchr(assignment, '=');
  if (!eq || eq == assignment)
    return -1;
  // setenv copies, so the caller's text is never adopted into the environment (unlike
  // POSIX putenv, whose argument must outlive the variable).
  const std::string name(assignment, eq);
  std::lock_guard<std::mutex> hold(environmentLock());
  if (eq[1] == '\0')
    return sys::unsetenv(name.c_str()) == 0 ? 0 : -1;
  return sys::setenv(name.c_str(), eq + 1, 1) == 0 ? 0 : -1;
}

} // namespace platform
