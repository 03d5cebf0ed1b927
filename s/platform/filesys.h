// filesys.h - file-system queries of the Windows C runtime (_stat) on Windows names.
//
// Names: there is one drive, C:, whose root is the POSIX root. A leading "C:" (either case) is
// dropped and every backslash becomes a slash, so C:\work\a.txt, \work\a.txt and /work/a.txt
// all name /work/a.txt. Any other drive letter does not exist.
#ifndef PORT_PLATFORM_FILESYS_H
#define PORT_PLATFORM_FILESYS_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// The POSIX name of a Windows name; false (ENOENT) for a drive other than C:.
bool toPosixName(const char *name, std::string *posix);
// The start of a small file of the system's (/proc/...), at most size - 1 bytes, into buf and
// ended by a NUL, without allocating; false when it cannot be read or is empty.
bool readSystemFile(const char *posixPath, char *buf, size_t size);
// The same for a name that must name a file: false with errno ENOENT also for null or empty.
bool posixName(const char *name, std::string *posix);

struct FileStatus {
  bool isDirectory = false;
  bool isRegular = false;
  bool isLink = false; // only from lstat: the entry is a symbolic link (a reparse point)
  int64_t size = 0;
  int64_t modified = 0;      // seconds since 1970
  int32_t modifiedNanos = 0; // within that second, where the file system keeps them
  bool readOnly = false;     // the owner's write bit is clear
  uint32_t mode = 0;         // the permission bits (07777)
  // Which file this is (the volume serial number and file index of
  // GetFileInformationByHandle): two names with equal pairs reach the same file.
  uint64_t device = 0;
  uint64_t inode = 0;
};

inline bool sameFile(const FileStatus &a, const FileStatus &b) {
  return a.device == b.device && a.inode == b.inode;
}

// _stat: false when the name does not exist (or names another drive), errno set.
bool stat(const char *name, FileStatus *status);
// The entry itself: a link is described as a link, never followed (GetFileAttributesEx of a
// reparse point). Trailing separators are ignored, so "link\" is still the link.
bool lstat(const char *name, FileStatus *status);
// _fstat of an open descriptor.
bool fstat(int fd, FileStatus *status);

// fopen on a Windows name; null when it cannot be opened. Binary and text modes are the same
// here: readers of text files drop the carriage return of a CR LF line end themselves.
std::FILE *fopen(const char *name, const char *mode);

} // namespace platform

#endif
