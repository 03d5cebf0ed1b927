// Port_FileDesc.h - a file descriptor: an operating-system descriptor or the current member of
// a zip archive, read alike by the streams and the open-file table.
//
// Threads: a descriptor object is not locked and is used by one thread at a time. Copies share
// the open file and its position: the system's file offset for a plain file, the Port::ZipFile
// object (which locks each read and seek) for an archive member. Two threads reading through
// copies at once each get some of the bytes, in no fixed order.
#ifndef PORT_FILEDESC_H
#define PORT_FILEDESC_H

#include "Port_Export.h"

#include "Port_SeekType.h"

#include <boost/shared_ptr.hpp>

namespace Port {

class ZipFile;

class PORT_API FileDescImpl {
public:
  FileDescImpl() : m_fd(-1), m_isArchive(false) {}

  int m_fd;
  bool m_isArchive;
  boost::shared_ptr<ZipFile> m_archive;
};

// Copies refer to the same open file; destroying one never closes it: close() is explicit.
class PORT_API FileDesc {
public:
  // The integer value of a descriptor that reads an archive member.
  static constexpr int ArchiveValue = 0x345678;

  FileDesc();
  FileDesc(int fd);
  FileDesc(const boost::shared_ptr<ZipFile> &archive);
  FileDesc(const FileDesc &other);
  ~FileDesc();
  FileDesc &operator=(int fd);
  FileDesc &operator=(const boost::shared_ptr<ZipFile> &archive);
  FileDesc &operator=(const FileDesc &other);

  // Bytes read, 0 at the end, -1 on failure.
  int read(unsigned char *buf, unsigned n);
  int read(char *buf, unsigned n);
  // An archive member cannot be written: -1.
  int write(unsigned char *buf, unsigned n);
  int write(char *buf, unsigned n);
  int write(const void *buf, unsigned n);
  long lseek(long offset, SeekType &origin);
  long lseek(long offset, int origin);
  int close();

  // The descriptor for a plain file, ArchiveValue for an archive member, -1 when none.
  operator int() const;

  bool isArchive() const { return m_impl->m_isArchive; }
  const boost::shared_ptr<ZipFile> &archive() const { return m_impl->m_archive; }

private:
  FileDescImpl *m_impl;
};

} // namespace Port

#endif
