// filesys.cpp - _stat over stat(2), with Windows names translated at the boundary.
#include "platform/filesys.h"

#include "platform/statdescribe.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>

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
  status->readOnly = (st.st_mode & S_IWUSR) == 0;
  status->device = static_cast<uint64_t>(st.st_dev);
  status->inode = static_cast<uint64_t>(st.st_ino);
}

namespace {
bool posixName(const char *name, std::string *posix) {
  if (!toPosixName(name, posix) || posix->empty()) {
    errno = ENOENT;
    return false;
  }
  return true;
}
} // namespace

bool stat(const char *name, FileStatus *status) {
  std::string posix;
  if (!posixName(name, &posix))
    return false;
  struct ::stat st;
  if (::stat(posix.c_str(), &st) != 0)
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
  if (::lstat(posix.c_str(), &st) != 0)
    return false;
  describe(st, status);
  return true;
}

bool fstat(int fd, FileStatus *status) {
  struct ::stat st;
  if (::fstat(fd, &st) != 0)
    return false;
  describe(st, status);
  return true;
}

std::FILE *fopen(const char *name, const char *mode) {
  std::string posix;
  if (!toPosixName(name, &posix) || posix.empty())
    return nullptr;
  return std::fopen(posix.c_str(), mode);
}

} // namespace platform
