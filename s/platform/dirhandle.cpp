// dirhandle.cpp - directory walks relative to open descriptors.
#include "platform/dirhandle.h"
#include "platform/syscalls.h"

#include "platform/faults.h"
#include "platform/statdescribe.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {
const int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

int openAt(int dirFd, const char *name) {
  int fd;
  do
    fd = sys::openat(dirFd, name, kDirectoryFlags);
  while (fd < 0 && errno == EINTR);
  return fd;
}
} // namespace

DirectoryHandle::~DirectoryHandle() {
  if (m_fd >= 0)
    sys::close(m_fd);
}

bool DirectoryHandle::open(const char *name) {
  std::string posix;
  if (!toPosixName(name, &posix) || posix.empty()) {
    errno = ENOENT;
    return false;
  }
  while (posix.size() > 1 && posix.back() == '/')
    posix.pop_back();
  if (m_fd >= 0)
    sys::close(m_fd);
  m_fd = openAt(AT_FDCWD, posix.c_str());
  return m_fd >= 0;
}

bool DirectoryHandle::open(const DirectoryHandle &parent, const std::string &entry) {
  if (m_fd >= 0)
    sys::close(m_fd);
  m_fd = openAt(parent.m_fd, entry.c_str());
  return m_fd >= 0;
}

bool DirectoryHandle::list(std::vector<std::string> *names) const {
  // The stream takes over a descriptor of its own, read from the start.
  const int fd = sys::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
  if (fd < 0)
    return false;
  DIR *d = sys::fdopendir(fd);
  if (!d) {
    const int e = errno;
    sys::close(fd);
    errno = e;
    return false;
  }
  ::rewinddir(d);
  names->clear();
  errno = 0;
  while (struct dirent *e = sys::readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..")
      names->push_back(name);
  }
  const int e = errno;
  ::closedir(d);
  errno = e;
  return e == 0;
}

bool DirectoryHandle::status(const std::string &entry, FileStatus *status) const {
  struct ::stat st;
  if (sys::fstatat(m_fd, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return false;
  describe(st, status);
  return true;
}

int DirectoryHandle::remove(const std::string &entry, bool directory) const {
  return sys::unlinkat(m_fd, entry.c_str(), directory ? AT_REMOVEDIR : 0);
}

} // namespace platform
