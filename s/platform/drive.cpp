// drive.cpp - the single drive C: over the POSIX root and its current directory.
#include "platform/drive.h"
#include "platform/syscalls.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform {

namespace {
const int kDriveC = 3;
}

int getdrive() { return kDriveC; }

bool getdcwd(int drive, std::string &dir) {
  dir.clear();
  if (drive != 0 && drive != kDriveC)
    return false;
  std::vector<char> buf(1024);
  while (sys::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE || buf.size() > (1u << 24))
      return false;
    buf.resize(buf.size() * 2);
  }
  // A working directory that is not an absolute POSIX name (unreachable, "(unreachable)/x")
  // has no Windows form.
  if (buf[0] != '/')
    return false;
  dir = "C:";
  for (const char *p = buf.data(); *p; ++p)
    dir += *p == '/' ? '\\' : *p;
  return true;
}

} // namespace platform
