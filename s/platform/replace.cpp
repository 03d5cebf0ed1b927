// replace.cpp - whole-file replacement through a temporary file and rename(2).
#include "platform/replace.h"
#include "platform/syscalls.h"

#include "platform/faults.h"
#include "platform/filesys.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace platform {

namespace {

// Follows a chain of symbolic links to the name of the file it ends at (which need not exist).
std::string followLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    char target[PATH_MAX];
    const ssize_t n = sys::readlink(path.c_str(), target, sizeof target - 1);
    if (n < 0)
      return path;
    target[n] = '\0';
    if (target[0] == '/') {
      path = target;
    } else {
      const size_t slash = path.rfind('/');
      path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + target;
    }
  }
  return path;
}

void splitPath(const std::string &path, std::string *dir, std::string *base) {
  const size_t slash = path.rfind('/');
  *dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  *base = slash == std::string::npos ? path : path.substr(slash + 1);
}

// ".<base>.~<pid>" names a temporary file of base; true with the writer's process id.
bool temporaryOf(const std::string &entry, const std::string &base, long *pid) {
  const std::string prefix = "." + base + ".~";
  if (entry.compare(0, prefix.size(), prefix) != 0 || entry.size() == prefix.size())
    return false;
  char *end = nullptr;
  *pid = std::strtol(entry.c_str() + prefix.size(), &end, 10);
  return *end == '\0' && *pid > 0;
}

// Removes the temporary files of base left in dir by writers that are gone.
void removeAbandoned(const std::string &dir, const std::string &base) {
  DIR *d = sys::opendir(dir.c_str());
  if (!d)
    return;
  while (const dirent *e = sys::readdir(d)) {
    long pid = 0;
    if (temporaryOf(e->d_name, base, &pid) && pid != ::getpid() &&
        sys::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      sys::unlink((dir + "/" + e->d_name).c_str());
  }
  ::closedir(d);
}

bool syncPath(const std::string &path, int flags) {
  const int fd = sys::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0)
    return false;
  int r;
  do
    r = sys::fsync(fd);
  while (r != 0 && errno == EINTR);
  const int saved = errno;
  sys::close(fd);
  errno = saved;
  // Some file systems (and directories on some) cannot be synchronised; the data is then as
  // safe as they make it.
  return r == 0 || errno == EINVAL || errno == EROFS;
}

} // namespace

bool beginReplace(const char *name, Replacement *r) {
  std::string posix;
  if (!posixName(name, &posix))
    return false;
  r->destination = followLinks(posix);
  r->writeName = r->destination;
  r->inPlace = true;
  struct ::stat st;
  if (sys::stat(r->destination.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || st.st_nlink > 1))
    return true; // devices, pipes and files with other names are written where they are
  std::string dir, base;
  splitPath(r->destination, &dir, &base);
  if (base.empty())
    return true;
  removeAbandoned(dir, base);
  const std::string temp = dir + "/." + base + ".~" + std::to_string(::getpid());
  int fd;
  do
    fd = sys::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0)
    return true; // no room for a temporary file: in place, as before
  sys::close(fd);
  r->writeName = temp;
  r->inPlace = false;
  return true;
}

bool commitReplace(const Replacement &r) {
  if (r.inPlace) {
    syncPath(r.writeName, O_RDONLY); // written where it is: only the flush to the disk is left
    return true;
  }
  struct ::stat old;
  if (sys::stat(r.destination.c_str(), &old) == 0) {
    // Owner first: chown clears the set-user-id bits that chmod then puts back.
    if (sys::chown(r.writeName.c_str(), old.st_uid, old.st_gid) != 0) {
      // Not permitted to give the file away: keep at least the group where that is allowed.
      (void)sys::chown(r.writeName.c_str(), static_cast<uid_t>(-1), old.st_gid);
    }
    (void)sys::chmod(r.writeName.c_str(), old.st_mode & 07777);
  }
  std::string dir, base;
  splitPath(r.destination, &dir, &base);
  if (!syncPath(r.writeName, O_RDONLY) ||
      sys::rename(r.writeName.c_str(), r.destination.c_str()) != 0) {
    const int saved = errno;
    sys::unlink(r.writeName.c_str());
    errno = saved;
    return false;
  }
  syncPath(dir, O_RDONLY | O_DIRECTORY);
  return true;
}

void abandonReplace(const Replacement &r) {
  if (!r.inPlace)
    sys::unlink(r.writeName.c_str());
}

} // namespace platform
