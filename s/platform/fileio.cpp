// fileio.cpp - the runtime's descriptor and file-system calls over POSIX.
#include "platform/fileio.h"
#include "platform/syscalls.h"

#include "platform/faults.h"
#include "platform/filesys.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <random>
#include <stdexcept>

namespace platform {

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
    fd = sys::open(posix.c_str(), f | O_NONBLOCK, static_cast<mode_t>(pmode));
  while (fd < 0 && errno == EINTR);
  if (fd < 0)
    return -1;
  // The runtime refuses to open a directory as a file.
  struct ::stat st;
  if (sys::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    sys::close(fd);
    errno = EACCES;
    return -1;
  }
  // O_NONBLOCK was only for the open: reads and writes wait as the runtime's do. A descriptor
  // that would stay non-blocking is not handed out.
  const int status = sys::fcntl(fd, F_GETFL);
  if (status < 0 || sys::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    const int e = errno;
    sys::close(fd);
    errno = e;
    return -1;
  }
  return fd;
}

namespace {

// One read(2), resumed when interrupted.
ssize_t readOnce(int fd, char *buf, unsigned n) {
  ssize_t got;
  do {
    got = sys::read(fd, buf, n);
  } while (got < 0 && errno == EINTR);
  return got;
}

bool isRegularFile(int fd) {
  struct ::stat st;
  return sys::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
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
    ssize_t put = sys::write(fd, p + done, n - done);
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
  off_t r = sys::lseek(fd, static_cast<off_t>(offset), whence);
  return r < 0 ? -1 : static_cast<long>(r);
}

int readAt(int fd, void *buf, unsigned n, int64_t offset) {
  if (offset < 0) {
    errno = EINVAL;
    return -1;
  }
  char *p = static_cast<char *>(buf);
  unsigned done = 0;
  while (done < n) {
    ssize_t got = sys::pread(fd, p + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR)
        continue;
      return -1;
    }
    if (got == 0)
      break;
    done += static_cast<unsigned>(got);
  }
  return static_cast<int>(done);
}

int close(int fd) { return sys::close(fd); }

int chsize(int fd, long size) { return sys::ftruncate(fd, static_cast<off_t>(size)); }

namespace {
const size_t kCopyBuffer = 65536;

// The bytes [offset, offset + length) of in to the same offsets of out with pread/pwrite.
bool copyByReading(int in, int out, off_t offset, off_t length) {
  char buf[kCopyBuffer];
  while (length > 0) {
    const size_t want =
        length < static_cast<off_t>(sizeof buf) ? static_cast<size_t>(length) : sizeof buf;
    ssize_t got = sys::pread(in, buf, want, offset);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return false;
    if (got == 0)
      return true; // the source shrank while it was copied
    for (ssize_t done = 0; done < got;) {
      const ssize_t put =
          sys::pwrite(out, buf + done, static_cast<size_t>(got - done), offset + done);
      if (put < 0 && errno == EINTR)
        continue;
      if (put <= 0) {
        if (put == 0)
          errno = ENOSPC;
        return false;
      }
      done += put;
    }
    offset += got;
    length -= got;
  }
  return true;
}

// The same range in the kernel where it can (one file system, or any two on recent kernels).
bool copyRange(int in, int out, off_t offset, off_t length) {
  loff_t from = offset, to = offset;
  while (length > 0) {
    const size_t chunk = length > 0x40000000 ? 0x40000000u : static_cast<size_t>(length);
    const ssize_t n = sys::copy_file_range(in, &from, out, &to, chunk, 0);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                  errno == EBADF))
      return copyByReading(in, out, from, length);
    if (n < 0)
      return false;
    if (n == 0)
      return true;
    length -= n;
  }
  return true;
}

// Targets that cannot seek (pipes, character devices) take the bytes in order.
bool copyInOrder(int in, int out) {
  char buf[kCopyBuffer];
  for (;;) {
    const int got = read(in, buf, sizeof buf);
    if (got < 0)
      return false;
    if (got == 0)
      return true;
    if (write(out, buf, static_cast<unsigned>(got)) != got)
      return false;
  }
}
} // namespace

bool copyData(int in, int out) {
  struct ::stat from, to;
  if (sys::fstat(in, &from) != 0 || sys::fstat(out, &to) != 0)
    return false;
  if (!S_ISREG(from.st_mode)) {
    errno = EINVAL;
    return false;
  }
  if (!S_ISREG(to.st_mode))
    return sys::lseek(in, 0, SEEK_SET) == 0 && copyInOrder(in, out);
  const off_t size = from.st_size;
  for (off_t at = 0; at < size;) {
    off_t data = sys::lseek(in, at, SEEK_DATA);
    if (data < 0 && errno == ENXIO)
      break; // only a hole remains
    if (data < 0)
      data = at; // a file system without holes: all of it is data
    off_t hole = sys::lseek(in, data, SEEK_HOLE);
    if (hole < 0 || hole > size)
      hole = size;
    if (!copyRange(in, out, data, hole - data))
      return false;
    at = hole;
  }
  // The size, which also makes a final hole.
  return sys::ftruncate(out, size) == 0;
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
  return sys::access(posix.c_str(), m);
}

int unlink(const char *name) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  struct ::stat st;
  if (sys::lstat(posix.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EACCES; // the runtime's _unlink of a directory
    return -1;
  }
  return sys::unlink(posix.c_str());
}

int moveFile(const char *from, const char *to) {
  std::string a, b;
  if (!posixName(from, &a) || !posixName(to, &b))
    return -1;
  struct ::stat st;
  if (sys::lstat(a.c_str(), &st) != 0)
    return -1;
  int r;
  if (S_ISDIR(st.st_mode)) {
    r = sys::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_NOREPLACE);
    if (r != 0 && (errno == EINVAL || errno == ENOSYS)) {
      // A file system without the flag: the test and the move are two steps there.
      struct ::stat target;
      if (sys::lstat(b.c_str(), &target) == 0) {
        errno = EEXIST;
      } else {
        r = sys::rename(a.c_str(), b.c_str());
      }
    }
  } else {
    r = sys::rename(a.c_str(), b.c_str());
  }
  // A directory in the way, or a directory that would replace something: Windows refuses both.
  if (r != 0 && (errno == EEXIST || errno == EISDIR || errno == ENOTDIR || errno == ENOTEMPTY))
    errno = EACCES;
  return r;
}

int mkdir(const char *name) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  return sys::mkdir(posix.c_str(), 0777);
}

int rmdir(const char *name) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  return sys::rmdir(posix.c_str());
}

int chdir(const char *name) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  return sys::chdir(posix.c_str());
}

int chmod(const char *name, int pmode) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  return sys::chmod(posix.c_str(), static_cast<mode_t>(pmode & 07777));
}

bool getcwd(std::string *dir) {
  std::string buf(PATH_MAX, '\0');
  for (;;) {
    if (sys::getcwd(&buf[0], buf.size())) {
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
  FileStatus status;
  if (!stat(name, &status))
    return false;
  if (readOnly)
    *readOnly = status.readOnly;
  if (directory)
    *directory = status.isDirectory;
  return true;
}

bool setFileAttributes(const char *name, bool readOnly) {
  FileStatus status;
  if (!stat(name, &status))
    return false;
  const uint32_t m = readOnly ? (status.mode & ~uint32_t{S_IWUSR}) : (status.mode | S_IWUSR);
  return chmod(name, static_cast<int>(m)) == 0;
}

namespace {
// Closes a descriptor on every path out, keeping errno.
struct Descriptor {
  int fd;
  explicit Descriptor(int f) : fd(f) {}
  ~Descriptor() {
    if (fd >= 0) {
      const int e = errno;
      sys::close(fd);
      errno = e;
    }
  }
};
} // namespace

bool copyFile(const char *from, const char *to, bool failIfExists) {
  if (injectFault(Port_TestCopy))
    return false;
  Descriptor in(open(from, O_RDONLY_));
  if (in.fd < 0)
    return false;
  struct ::stat st;
  if (sys::fstat(in.fd, &st) != 0)
    return false;
  if (!S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return false;
  }
  // Not truncated before it is known to be another regular file.
  Descriptor out(open(to, O_WRONLY_ | O_CREAT_ | (failIfExists ? O_EXCL_ : 0), 0600));
  if (out.fd < 0)
    return false;
  struct ::stat target;
  if (sys::fstat(out.fd, &target) != 0)
    return false;
  if (!S_ISREG(target.st_mode) || (target.st_dev == st.st_dev && target.st_ino == st.st_ino)) {
    errno = EINVAL;
    return false;
  }
  if (sys::ftruncate(out.fd, 0) != 0 || !copyData(in.fd, out.fd) ||
      sys::fchmod(out.fd, st.st_mode & 07777) != 0)
    return false;
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (sys::futimens(out.fd, times) != 0)
    return false;
  const int fd = out.fd;
  out.fd = -1;
  return sys::close(fd) == 0;
}

std::string tempnam(const char *dir, const char *prefix) {
  std::string posix;
  if (!posixName(dir, &posix))
    return std::string();
  if (posix.back() != '/')
    posix += '/';
  // Candidates are only named, not made, as the runtime's _tempnam does: the randomness keeps
  // another process from choosing the same name in the meantime.
  try {
    if (injectFault(Port_TestRandom))
      throw std::runtime_error("no randomness");
    std::random_device source;
    for (int attempt = 0; attempt < 1000; ++attempt) {
      const uint64_t r = (static_cast<uint64_t>(source()) << 32) ^ source();
      char tail[32];
      std::snprintf(tail, sizeof tail, "%012llx",
                    static_cast<unsigned long long>(r & 0xFFFFFFFFFFFFull));
      const std::string candidate = posix + (prefix ? prefix : "") + tail;
      struct ::stat st;
      if (sys::lstat(candidate.c_str(), &st) == 0)
        continue;
      return errno == ENOENT ? candidate : std::string();
    }
    errno = EEXIST;
  } catch (const std::exception &) {
    errno = EIO; // no source of randomness
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
  DIR *d = sys::opendir(dir.c_str());
  if (!d)
    return false;
  names->clear();
  while (struct dirent *e = sys::readdir(d)) {
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

int touch(const char *name) {
  std::string posix;
  if (!posixName(name, &posix))
    return -1;
  return sys::utimensat(AT_FDCWD, posix.c_str(), nullptr, 0);
}

int getpid() { return static_cast<int>(::getpid()); }

} // namespace platform
