// fileio.cpp - the runtime's descriptor and file-system calls over POSIX.
#include "platform/fileio.h"

#include "platform/faults.h"
#include "platform/filesys.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>

namespace platform {

namespace {

// The POSIX name, or false with ENOENT (null, empty, another drive).
bool posixName(const char *name, std::string *posix) {
  if (!toPosixName(name, posix) || posix->empty()) {
    errno = ENOENT;
    return false;
  }
  return true;
}

} // namespace

int open(const char *name, int flags, int pmode) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  int f = O_CLOEXEC;
  switch (flags & 3) {
  case O_WRONLY_:
    f |= O_WRONLY;
    break;
  case O_RDWR_:
    f |= O_RDWR;
    break;
  default:
    f |= O_RDONLY;
    break;
  }
  if (flags & O_APPEND_)
    f |= O_APPEND;
  if (flags & O_CREAT_)
    f |= O_CREAT;
  if (flags & O_TRUNC_)
    f |= O_TRUNC;
  if (flags & O_EXCL_)
    f |= O_EXCL;
  int fd;
  do
    fd = injectFault(Port_TestOpen) ? -1 : ::open(posix.c_str(), f, static_cast<mode_t>(pmode));
  while (fd < 0 && errno == EINTR);
  if (fd >= 0) {
    // The runtime refuses to open a directory as a file.
    struct ::stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      errno = EACCES;
      return -1;
    }
  }
  return fd;
}

namespace {

// One read(2), resumed when interrupted.
ssize_t readOnce(int fd, char *buf, unsigned n) {
  ssize_t got;
  do {
    const long ask = injectTransfer(Port_TestRead, n);
    got = ask < 0 ? -1 : ::read(fd, buf, static_cast<size_t>(ask));
  } while (got < 0 && errno == EINTR);
  return got;
}

bool isRegularFile(int fd) {
  struct ::stat st;
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

// The runtime's _read of a file returns fewer bytes than asked only at the end of the file, and
// readers rely on that; POSIX may stop early (a signal, a network file system), so a short read
// of a regular file is continued. Pipes and terminals return what is there.
int read(int fd, void *buf, unsigned n) {
  char *p = static_cast<char *>(buf);
  ssize_t got = readOnce(fd, p, n);
  if (got <= 0 || static_cast<unsigned>(got) == n || !isRegularFile(fd))
    return static_cast<int>(got);
  unsigned done = static_cast<unsigned>(got);
  while (done < n) {
    got = readOnce(fd, p + done, n - done);
    if (got < 0)
      return -1;
    if (got == 0)
      break;
    done += static_cast<unsigned>(got);
  }
  return static_cast<int>(done);
}

int write(int fd, const void *buf, unsigned n) {
  const char *p = static_cast<const char *>(buf);
  unsigned done = 0;
  while (done < n) {
    const long ask = injectTransfer(Port_TestWrite, n - done);
    ssize_t put = ask < 0 ? -1 : ::write(fd, p + done, static_cast<size_t>(ask));
    if (put < 0) {
      if (errno == EINTR)
        continue;
      return -1;
    }
    if (put == 0) {
      errno = ENOSPC;
      return -1;
    }
    done += static_cast<unsigned>(put);
  }
  return static_cast<int>(done);
}

long lseek(int fd, long offset, int origin) {
  int whence;
  switch (origin) {
  case 0:
    whence = SEEK_SET;
    break;
  case 1:
    whence = SEEK_CUR;
    break;
  case 2:
    whence = SEEK_END;
    break;
  default:
    errno = EINVAL;
    return -1;
  }
  if (injectFault(Port_TestSeek))
    return -1;
  off_t r = ::lseek(fd, static_cast<off_t>(offset), whence);
  return r < 0 ? -1 : static_cast<long>(r);
}

// An injected failure releases the descriptor as a real one does on Linux.
int close(int fd) {
  if (injectFault(Port_TestClose)) {
    const int e = errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  return ::close(fd);
}

// The runtime opens the standard descriptors in text mode and every other one in binary mode.
// Text mode translates nothing here: a line written to a text-mode descriptor ends in LF alone.
bool isTextMode(int fd) { return fd >= 0 && fd <= 2; }

int access(const char *name, int mode) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  int m = F_OK;
  if (mode & 2)
    m |= W_OK;
  if (mode & 4)
    m |= R_OK;
  if (injectFault(Port_TestStat))
    return -1;
  return ::access(posix.c_str(), m);
}

int unlink(const char *name) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  struct ::stat st;
  if (::lstat(posix.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EACCES; // the runtime's _unlink of a directory
    return -1;
  }
  if (injectFault(Port_TestUnlink))
    return -1;
  return ::unlink(posix.c_str());
}

int rename(const char *from, const char *to) {
  std::string a, b;
  if (!posixName(from, &a) || !posixName(to, &b))
    return -1;
  struct ::stat st;
  if (::lstat(b.c_str(), &st) == 0) {
    errno = EACCES; // Windows does not rename over an existing name
    return -1;
  }
  if (injectFault(Port_TestRename))
    return -1;
  return ::rename(a.c_str(), b.c_str());
}

int mkdir(const char *name) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  if (injectFault(Port_TestMkdir))
    return -1;
  return ::mkdir(posix.c_str(), 0777);
}

int rmdir(const char *name) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  if (injectFault(Port_TestRmdir))
    return -1;
  return ::rmdir(posix.c_str());
}

int chdir(const char *name) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  return ::chdir(posix.c_str());
}

int chmod(const char *name, int pmode) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  if (injectFault(Port_TestChmod))
    return -1;
  return ::chmod(posix.c_str(), static_cast<mode_t>(pmode & 07777));
}

int getmode(const char *name) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  struct ::stat st;
  if (injectFault(Port_TestStat) || ::stat(posix.c_str(), &st) != 0)
    return -1;
  return static_cast<int>(st.st_mode & 07777);
}

bool getcwd(std::string *dir) {
  std::string buf(PATH_MAX, '\0');
  for (;;) {
    if (::getcwd(&buf[0], buf.size())) {
      buf.resize(std::char_traits<char>::length(buf.c_str()));
      *dir = buf;
      return true;
    }
    if (errno != ERANGE)
      return false;
    buf.resize(buf.size() * 2);
  }
}

bool getFileAttributes(const char *name, bool *readOnly, bool *directory) {
  std::string posix;
  if (!posixName(name, &posix))
    return false;
  struct ::stat st;
  if (injectFault(Port_TestStat) || ::stat(posix.c_str(), &st) != 0)
    return false;
  if (readOnly)
    *readOnly = (st.st_mode & S_IWUSR) == 0;
  if (directory)
    *directory = S_ISDIR(st.st_mode);
  return true;
}

bool setFileAttributes(const char *name, bool readOnly) {
  std::string posix;
  if (!posixName(name, &posix))
    return false;
  struct ::stat st;
  if (::stat(posix.c_str(), &st) != 0)
    return false;
  mode_t m = st.st_mode & 07777;
  m = readOnly ? (m & ~S_IWUSR) : (m | S_IWUSR);
  if (injectFault(Port_TestChmod))
    return false;
  return ::chmod(posix.c_str(), m) == 0;
}

bool copyFile(const char *from, const char *to, bool failIfExists) {
  std::string a, b;
  if (!posixName(from, &a) || !posixName(to, &b))
    return false;
  if (injectFault(Port_TestCopy) || injectFault(Port_TestOpen))
    return false;
  int in = ::open(a.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0)
    return false;
  struct ::stat st;
  if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    if (S_ISDIR(st.st_mode))
      errno = EACCES;
    int e = errno;
    ::close(in);
    errno = e;
    return false;
  }
  int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
  int out = injectFault(Port_TestOpen) ? -1 : ::open(b.c_str(), flags, 0600);
  if (out < 0) {
    int e = errno;
    ::close(in);
    errno = e;
    return false;
  }
  char buf[65536];
  bool ok = true;
  for (;;) {
    int got = read(in, buf, sizeof buf);
    if (got < 0) {
      ok = false;
      break;
    }
    if (got == 0)
      break;
    if (write(out, buf, static_cast<unsigned>(got)) != got) {
      ok = false;
      break;
    }
  }
  int e = errno;
  if (ok && ::fchmod(out, st.st_mode & 07777) != 0)
    ok = false;
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (ok && ::futimens(out, times) != 0)
    ok = false;
  if (!ok)
    e = errno;
  ::close(in);
  if (::close(out) != 0 && ok) {
    ok = false;
    e = errno;
  }
  errno = e;
  return ok;
}

std::string tempnam(const char *dir, const char *prefix) {
  std::string posix;
  if (!posixName(dir, &posix))
    return std::string();
  static std::atomic<unsigned> counter{0};
  if (posix.back() != '/')
    posix += '/';
  // Candidates are only named, not made: another process could take the name before it is
  // used, which the runtime's _tempnam allows as well.
  for (int attempt = 0; attempt < 100000; ++attempt) {
    char tail[32];
    std::snprintf(tail, sizeof tail, "%u", counter.fetch_add(1) + 1);
    std::string candidate = posix + (prefix ? prefix : "") + tail;
    struct ::stat st;
    if (::lstat(candidate.c_str(), &st) != 0 && errno == ENOENT)
      return candidate;
  }
  return std::string();
}

bool findFiles(const char *pattern, std::vector<std::string> *names) {
  std::string posix;
  if (!posixName(pattern, &posix))
    return false;
  std::string dir, mask;
  const std::string::size_type slash = posix.rfind('/');
  if (slash == std::string::npos) {
    dir = ".";
    mask = posix;
  } else {
    dir = slash == 0 ? "/" : posix.substr(0, slash);
    mask = posix.substr(slash + 1);
  }
  if (mask.empty()) {
    errno = ENOENT;
    return false;
  }
  if (injectFault(Port_TestListDir))
    return false;
  DIR *d = ::opendir(dir.c_str());
  if (!d)
    return false;
  names->clear();
  while (struct dirent *e = ::readdir(d)) {
    // "*.*" matches every name on Windows, also names without a dot.
    if (mask == "*.*" || ::fnmatch(mask.c_str(), e->d_name, 0) == 0)
      names->push_back(e->d_name);
  }
  ::closedir(d);
  if (names->empty()) {
    errno = ENOENT;
    return false;
  }
  return true;
}

bool isLink(const char *name) {
  std::string posix;
  if (!posixName(name, &posix))
    return false;
  while (posix.size() > 1 && posix.back() == '/')
    posix.pop_back();
  struct ::stat st;
  return ::lstat(posix.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

int touch(const char *name) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  return ::utimensat(AT_FDCWD, posix.c_str(), nullptr, 0);
}

int getpid() { return static_cast<int>(::getpid()); }

} // namespace platform
