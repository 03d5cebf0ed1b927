// dirhandle.h - a directory held open by its descriptor, for walks that a name changed under
// them cannot lead astray (openat, fstatat, unlinkat with AT_SYMLINK_NOFOLLOW; on Windows a
// directory handle and the calls relative to it).
//
// Entry names are the file system's own: they are used as they are and never translated as
// Windows names are, so a backslash in an entry name is a character of that name. A link is
// described and removed as a link, never followed.
#ifndef PORT_PLATFORM_DIRHANDLE_H
#define PORT_PLATFORM_DIRHANDLE_H

#include "platform/filesys.h"

#include <string>
#include <vector>

namespace platform {

class DirectoryHandle {
public:
  DirectoryHandle() = default;
  ~DirectoryHandle();
  DirectoryHandle(const DirectoryHandle &) = delete;
  DirectoryHandle &operator=(const DirectoryHandle &) = delete;

  // Opens a Windows name that is a directory, not a link to one. False with errno (ENOTDIR,
  // ELOOP for a link).
  bool open(const char *name);
  // Opens the entry of parent that is a directory, not a link to one. False with errno.
  bool open(const DirectoryHandle &parent, const std::string &entry);

  // The names of the entries, without "." and "..". False with errno.
  bool list(std::vector<std::string> *names) const;
  // The entry itself (lstat). False with errno.
  bool status(const std::string &entry, FileStatus *status) const;
  // Removes a non-directory entry, or with directory set an empty directory. 0 or -1 with errno.
  int remove(const std::string &entry, bool directory) const;

private:
  int m_fd = -1;
};

} // namespace platform

#endif
