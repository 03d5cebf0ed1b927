// fileio.h - descriptors and file-system calls of the Windows C runtime and kernel (_open,
// _read, _write, _lseek, _close, _access, _unlink, _mkdir, GetFileAttributesA, CopyFileA,
// _tempnam, FindFirstFileA...) on Windows names.
//
// Names are translated as in filesys.h. Every call that fails leaves the POSIX errno, whose
// small values (ENOENT 2, EACCES 13, EEXIST 17, ENOSPC 28) are the runtime's own numbers.
#ifndef PORT_PLATFORM_FILEIO_H
#define PORT_PLATFORM_FILEIO_H

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// _open flags with the runtime's values; _O_BINARY and _O_TEXT are accepted and mean nothing:
// every descriptor the library opens is binary.
enum OpenFlags {
  O_RDONLY_ = 0x0000,
  O_WRONLY_ = 0x0001,
  O_RDWR_ = 0x0002,
  O_APPEND_ = 0x0008,
  O_CREAT_ = 0x0100,
  O_TRUNC_ = 0x0200,
  O_EXCL_ = 0x0400,
  O_TEXT_ = 0x4000,
  O_BINARY_ = 0x8000
};

// _open(name, flags, pmode): a descriptor, or -1 with errno. pmode 0666 is the runtime's
// _S_IREAD | _S_IWRITE; the process umask applies as it does on POSIX. Opening never waits for
// the other end of a FIFO, as opening a pipe on Windows never does: a FIFO nobody writes opens
// for reading at once (and reads its end), a FIFO nobody reads fails for writing with ENXIO.
// Reads and writes on the descriptor then block as usual.
int open(const char *name, int flags, int pmode = 0666);
// _read/_write: bytes moved, 0 at the end of the file, -1 with errno. Interrupted calls are
// resumed; a write moves all bytes or fails.
int read(int fd, void *buf, unsigned n);
int write(int fd, const void *buf, unsigned n);
// _lseek with SEEK_SET/SEEK_CUR/SEEK_END (0, 1, 2): the new offset, or -1 with errno. A long
// is 64 bits here, so offsets beyond 4 GiB are reachable.
long lseek(int fd, long offset, int origin);
// ReadFile with an OVERLAPPED offset: up to n bytes from the given offset without moving the
// descriptor's position, so threads may share one descriptor. Fewer than n only at the end of
// the file; 0 at or beyond it; -1 with errno (EINVAL for a negative offset).
int readAt(int fd, void *buf, unsigned n, int64_t offset);
int close(int fd);
// _chsize: the file becomes size bytes long. 0 or -1 with errno.
int chsize(int fd, long size);
// The bytes of the regular file in, from its start, written at the same offsets of out, which
// starts empty. Holes stay holes when out is a regular file (SEEK_DATA/SEEK_HOLE, then
// copy_file_range or read/write); other targets receive the bytes in order. EINVAL when in is
// not a regular file. False with errno; out then holds a part of the bytes.
bool copyData(int in, int out);
// True when the descriptor is in text mode: the standard descriptors 0, 1 and 2, as the
// runtime starts them.
bool isTextMode(int fd);

// _access(name, mode) with mode 0 (exists), 2 (write), 4 (read), 6 (both): 0 or -1 with errno.
int access(const char *name, int mode);
// _unlink, _mkdir, _rmdir, _chdir, _chmod (only the owner's write bit of pmode 0200 is looked
// at for the read-only attribute; the rest of the mode is set as given). 0 or -1 with errno.
int unlink(const char *name);
int mkdir(const char *name);
int rmdir(const char *name);
int chdir(const char *name);
int chmod(const char *name, int pmode);
// MoveFileExA(MOVEFILE_REPLACE_EXISTING) within one file system: the name moves, and an
// existing file at the target is replaced in the same step, so the target is never lost to a
// move that fails. A directory replaces nothing and nothing replaces a directory (EACCES).
// EXDEV across file systems: nothing is copied here. 0 or -1 with errno.
int moveFile(const char *from, const char *to);
// _getcwd: the working directory as POSIX text; false with errno.
bool getcwd(std::string *dir);

// GetFileAttributesA: false when the name does not exist. readOnly is the absence of the
// owner's write bit.
bool getFileAttributes(const char *name, bool *readOnly, bool *directory);
// SetFileAttributesA with FILE_ATTRIBUTE_READONLY set or clear: changes only the owner's write
// bit. False with errno.
bool setFileAttributes(const char *name, bool readOnly);
// CopyFileA: the bytes (holes kept, see copyData), the mode and the times; an existing target
// is overwritten unless failIfExists. Only regular files are copied, and only onto regular
// files; the source and the target must be different files. EINVAL otherwise, and the target
// is then untouched. False with errno.
bool copyFile(const char *from, const char *to, bool failIfExists);

// _tempnam(dir, prefix): a name in dir, beginning with prefix, that does not exist yet (the
// file is not made). The tail after the prefix is drawn at random from the system's source for
// each name, so processes that share the directory and the process identifier (in different
// PID namespaces) still get different names. Empty when dir cannot be used.
std::string tempnam(const char *dir, const char *prefix);

// FindFirstFileA/FindNextFileA over "dir\pattern": the names of the entries of dir (including
// "." and "..") that match the last component, with * and ? as wild cards; false with errno when
// the directory cannot be listed.
bool findFiles(const char *pattern, std::vector<std::string> *names);

// _utime(name, NULL): the access and modification times become now. 0 or -1 with errno.
int touch(const char *name);

// _getpid.
int getpid();

} // namespace platform

#endif
