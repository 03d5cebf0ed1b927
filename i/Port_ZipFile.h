// Port_ZipFile.h - read access to the members of a zip archive; archives are opened once per
// process and shared.
//
// Members: stored and deflated members are read; encrypted members and other compression
// methods are refused when they are opened, directory entries are not members one can read.
// Sizes, offsets and positions are 64-bit (zip64 archives, members beyond 4 GiB).
//
// Integrity: a read that reaches the end of a member first checks the bytes against the size
// and CRC-32 of the archive's directory. When they differ the read fails (-1, errno EIO) with
// an error message naming archive, member and reason, and so does every later read of that
// member: a caller gets the member's exact bytes or an error, never other bytes silently.
//
// Threads: each object has a lock of its own around every operation, so the shared instance
// of an archive may be used from any thread; it still has one current member. Whoever needs a
// member of its own asks the shared instance for OpenMember: a new object over the same
// archive file with its own reading state (every file opened through Port_File::open reads
// through one). An object used by several threads at once is safe, but its current member is
// whatever the last OpenFile chose.
#ifndef PORT_ZIPFILE_H
#define PORT_ZIPFILE_H

#include "Port_Export.h"

#include "Port_SeekType.h"
#include "Port_StringBase.h"

#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <vector>

namespace Port {

class PORT_API ZipFileImpl {
public:
  // The name gets a block of its own: archives are shared between threads, and a string's
  // block may be shared only within one thread.
  explicit ZipFileImpl(const StringBase<char> &path)
      : m_path(path.GetBuffer()), m_handle(nullptr), m_isFileOpen(false), m_state(nullptr) {}

  StringBase<char> m_path;
  void *m_handle; // unzFile
  StringBase<char> m_currentFile;
  bool m_isFileOpen;
  // The archive file, the index of its directory, the lock and the current member's reading
  // state (Port_ZipFile.cpp).
  struct State;
  State *m_state;
};

class PORT_API ZipFile {
public:
  // Why a member could not be opened.
  enum OpenResult {
    Opened,
    NotFound,    // no member of that name
    IsDirectory, // a directory entry, or a name under which other members lie
    Unsupported, // a compression method other than stored (0) and deflated (8)
    Encrypted,
    Damaged // its local header or its place in the archive is not as the directory says
  };

  // The shared archive for the path, opened on first use and opened again when the file's size
  // or modification time changed since; null when it cannot be opened (failures are not
  // remembered). Safe to call from several threads.
  static boost::shared_ptr<ZipFile> GetInstance(const StringBase<char> &path);

  explicit ZipFile(const StringBase<char> &path);
  ZipFile(const ZipFile &) = delete;
  ZipFile &operator=(const ZipFile &) = delete;
  ~ZipFile();

  bool Open();
  bool Close();
  StringBase<char> GetName() const;
  // True when the archive holds an entry of exactly that name (case-sensitive).
  bool LocateFile(const StringBase<char> &name) const;
  // Makes the member current; false when it is missing or cannot be read (LastOpenResult).
  bool OpenFile(const StringBase<char> &name);
  // The outcome of the last OpenFile, and the compression method of the member it found.
  OpenResult LastOpenResult() const;
  int LastMethod() const;
  // A new object over the same archive file, with the member open and a reading state of its
  // own; null when the member cannot be opened, with the reason (and the member's method) in
  // *why (and *method) when given. Looking a missing member up opens nothing.
  boost::shared_ptr<ZipFile> OpenMember(const StringBase<char> &name, OpenResult *why = nullptr,
                                        int *method = nullptr) const;
  // True when a member was open and had not proved damaged.
  bool CloseFile();
  int Rewind();
  uint64_t SizeOf() const;
  long Tell() const;
  // Bytes read, 0 at the end of the member, -1 with errno on failure (no member: -1).
  int Read(void *buf, int n);
  // The new position; -1 with errno EINVAL for a target before the start. A stored member is
  // positioned directly; a deflated one decodes forward from the nearest point it can (its
  // start, or the last 64 KiB decoded) at the next read. A member that proved damaged may be
  // positioned, but its reads keep failing.
  long Seek(long offset, SeekType &origin);
  // Copies the current member into the target file; false when no member is open, the target
  // cannot be written or the member proves damaged (the partial target is then removed).
  bool ExtractFileAs(const StringBase<char> &target);

private:
  ZipFileImpl *m_impl;
};

// Every archive opened so far, searched by path; guarded inside GetInstance.
PORT_API extern std::vector<boost::shared_ptr<ZipFile>> m_zipFiles;

} // namespace Port

#endif
