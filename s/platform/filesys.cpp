// filesys.cpp - _stat over stat(2), with Windows names translated at the boundary.
#include "platform/filesys.h"
#include "platform/syscalls.h"

#include "platform/faults.h"
#include "platform/fileio.h"
#include "platform/statdescribe.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace platform {

bool toPosixName(const char *name, std::string *posix) {
  if (!name)
    return false;
  const char *p = name;
  if (std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') {
    if (std::toupper(static_cast<unsigned char>(p[0])) != 'C')
      return false;
    p += 2;
  }
  posix->assign(p);
  for (char &c : *posix)
    if (c == '\\')
      c = '/';
  if (posix->empty() && p != name)
    posix->assign("."); // "C:" alone: the current directory of the drive
  return true;
}

void describe(const struct ::stat &st, FileStatus *status) {
  status->isDirectory = S_ISDIR(st.st_mode);
  status->isRegular = S_ISREG(st.st_mode);
  status->isLink = S_ISLNK(st.st_mode);
  status->size = static_cast<int64_t>(st.st_size);
  status->modified = static_cast<int64_t>(st.st_mtime);
  status->modifiedNanos = static_cast<int32_t>(st.st_mtim.tv_nsec);
  status->readOnly = (st.st_mode & S_IWUSR) == 0;
  status->mode = static_cast<uint32_t>(st.st_mode & 07777);
  status->device = static_cast<uint64_t>(st.st_dev);
  status->inode = static_cast<uint64_t>(st.st_ino);
}

bool posixName(const char *name, std::string *posix) {
  if (!toPosixName(name, posix) || posix->empty()) {
    errno = ENOENT;
    return false;
  }
  return true;
}

bool stat(const char *name, FileStatus *status) {
  std::string posix;
  if (!posixName(name, &posix))
    return false;
  struct ::stat st;
  if (sys::stat(posix.c_str(), &st) != 0)
    return false;
  describe(st, status);
  return true;
}

bool lstat(const char *name, FileStatus *status) {
  std::string posix;
  if (!posixName(name, &posix))
    return false;
  while (posix.size() > 1 && posix.back() == '/')
    posix.pop_back();
  struct ::stat st;
  if (sys::lstat(posix.c_str(), &st) != 0)
    return false;
  describe(st, status);
  return true;
}

bool fstat(int fd, FileStatus *status) {
  struct ::stat st;
  if (sys::fstat(fd, &st) != 0)
    return false;
  describe(st, status);
  return true;
}

namespace {

// A stream's bytes move through the layer's descriptor calls, so that faults injected into them
// reach stdio readers and writers as well.
ssize_t cookieRead(void *cookie, char *buf, size_t n) {
  const int fd = static_cast<int>(reinterpret_cast<intptr_t>(cookie));
  return platform::read(fd, buf, static_cast<unsigned>(n > 0x40000000 ? 0x40000000 : n));
}

ssize_t cookieWrite(void *cookie, const char *buf, size_t n) {
  const int fd = static_cast<int>(reinterpret_cast<intptr_t>(cookie));
  const int put = platform::write(fd, buf, static_cast<unsigned>(n > 0x40000000 ? 0x40000000 : n));
  return put < 0 ? 0 : put; // stdio takes 0 as the write error
}

int cookieSeek(void *cookie, off64_t *offset, int whence) {
  const int fd = static_cast<int>(reinterpret_cast<intptr_t>(cookie));
  const long r = platform::lseek(fd, static_cast<long>(*offset), whence);
  if (r < 0)
    return -1;
  *offset = r;
  return 0;
}

int cookieClose(void *cookie) {
  return platform::close(static_cast<int>(reinterpret_cast<intptr_t>(cookie)));
}

// fopen's mode ("r", "w", "a", each with an optional "+", "b" or "t") as _open flags; -1 for
// another mode.
int openFlags(const char *mode) {
  int flags;
  switch (mode[0]) {
  case 'r':
    flags = O_RDONLY_;
    break;
  case 'w':
    flags = O_WRONLY_ | O_CREAT_ | O_TRUNC_;
    break;
  case 'a':
    flags = O_WRONLY_ | O_CREAT_ | O_APPEND_;
    break;
  default:
    return -1;
  }
  if (std::strchr(mode + 1, '+'))
    flags = (flags & ~O_WRONLY_) | O_RDWR_;
  return flags;
}

} // namespace

std::FILE *fopen(const char *name, const char *mode) {
  const int flags = mode ? openFlags(mode) : -1;
  if (flags < 0) {
    errno = EINVAL;
    return nullptr;
  }
  const int fd = platform::open(name, flags);
  if (fd < 0)
    return nullptr;
  const cookie_io_functions_t io = {cookieRead, cookieWrite, cookieSeek, cookieClose};
  std::FILE *f = sys::fopencookie(reinterpret_cast<void *>(static_cast<intptr_t>(fd)), mode, io);
  if (!f) {
    const int e = errno;
    platform::close(fd);
    errno = e;
  }
  return f;
}

bool readSystemFile(const char *posixPath, char *buf, size_t size) {
  int fd;
  do
    fd = sys::open(posixPath, O_RDONLY | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0)
    return false;
  ssize_t got;
  do
    got = sys::read(fd, buf, size - 1);
  while (got < 0 && errno == EINTR);
  sys::close(fd);
  if (got <= 0)
    return false;
  buf[got] = '\0';
  return true;
}

} // namespace platform
