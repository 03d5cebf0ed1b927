// Port_FileDesc.cpp - descriptors of plain files and of zip archive members.
#include "Port_FileDesc.h"

#include "Port_ZipFile.h"
#include "platform/fileio.h"

#include <cerrno>

namespace Port {

FileDesc::FileDesc() : m_impl(new FileDescImpl) {}

FileDesc::FileDesc(int fd) : m_impl(new FileDescImpl) { m_impl->m_fd = fd; }

FileDesc::FileDesc(const boost::shared_ptr<ZipFile> &archive) : m_impl(new FileDescImpl) {
  m_impl->m_isArchive = true;
  m_impl->m_archive = archive;
}

FileDesc::FileDesc(const FileDesc &other) : m_impl(new FileDescImpl(*other.m_impl)) {}

FileDesc::~FileDesc() { delete m_impl; }

FileDesc &FileDesc::operator=(int fd) {
  m_impl->m_fd = fd;
  m_impl->m_isArchive = false;
  m_impl->m_archive.reset();
  return *this;
}

FileDesc &FileDesc::operator=(const boost::shared_ptr<ZipFile> &archive) {
  m_impl->m_fd = -1;
  m_impl->m_isArchive = true;
  m_impl->m_archive = archive;
  return *this;
}

FileDesc &FileDesc::operator=(const FileDesc &other) {
  if (this != &other)
    *m_impl = *other.m_impl;
  return *this;
}

int FileDesc::read(unsigned char *buf, unsigned n) {
  if (m_impl->m_isArchive) {
    if (!m_impl->m_archive)
      return -1;
    return m_impl->m_archive->Read(buf, static_cast<int>(n));
  }
  if (m_impl->m_fd < 0) {
    errno = EBADF;
    return -1;
  }
  return platform::read(m_impl->m_fd, buf, n);
}

int FileDesc::read(char *buf, unsigned n) {
  return read(reinterpret_cast<unsigned char *>(buf), n);
}

int FileDesc::write(const void *buf, unsigned n) {
  if (m_impl->m_fd < 0) {
    errno = EBADF;
    return -1;
  }
  return platform::write(m_impl->m_fd, buf, n);
}

int FileDesc::write(unsigned char *buf, unsigned n) {
  return write(static_cast<const void *>(buf), n);
}

int FileDesc::write(char *buf, unsigned n) { return write(static_cast<const void *>(buf), n); }

long FileDesc::lseek(long offset, SeekType &origin) {
  if (m_impl->m_isArchive) {
    if (!m_impl->m_archive)
      return -1;
    return m_impl->m_archive->Seek(offset, origin);
  }
  if (m_impl->m_fd < 0) {
    errno = EBADF;
    return -1;
  }
  return platform::lseek(m_impl->m_fd, offset, origin.SeekToInt());
}

long FileDesc::lseek(long offset, int origin) { return lseek(offset, SeekType::IntToSeek(origin)); }

int FileDesc::close() {
  if (m_impl->m_isArchive || m_impl->m_fd < 0)
    return 0;
  return platform::close(m_impl->m_fd);
}

FileDesc::operator int() const {
  if (m_impl->m_isArchive)
    return m_impl->m_archive ? ArchiveValue : -1;
  return m_impl->m_fd;
}

} // namespace Port
