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

struct FileStatus {
  bool isDirectory = false;
  bool isRegular = false;
  int64_t size = 0;
  int64_t modified = 0;      // seconds since 1970
  int32_t modifiedNanos = 0; // within that second, where the file system keeps them
  bool readOnly = false;     // the owner's write bit is clear
};

// _stat: false when the name does not exist (or names another drive).
bool stat(const char *name, FileStatus *status);
// _fstat on an open descriptor: false with errno.
bool fstat(int fd, FileStatus *status);

// fopen on a Windows name; null when it cannot be opened. Binary and text modes are the same
// here: readers of text files drop the carriage return of a CR LF line end themselves.
std::FILE *fopen(const char *name, const char *mode);

} // namespace platform

#endif
