// Port_ZipFile.h - read access to the members of a zip archive; archives are opened once per
// process and shared.
#ifndef PORT_ZIPFILE_H
#define PORT_ZIPFILE_H

#include "Port_SeekType.h"
#include "Port_StringBase.h"

#include <boost/shared_ptr.hpp>

#include <vector>

namespace Port {

class ZipFileImpl {
public:
  // The name gets a block of its own: archives are shared between threads, and a string's
  // block may be shared only within one thread.
  explicit ZipFileImpl(const StringBase<char> &path)
      : m_path(path.GetBuffer()), m_handle(nullptr), m_isFileOpen(false) {}

  StringBase<char> m_path;
  void *m_handle; // unzFile
  StringBase<char> m_currentFile;
  bool m_isFileOpen;
};

// One archive has one current member: opening a member through any holder of the archive
// replaces the member another holder was reading.
class ZipFile {
public:
  // The shared archive for the path, opened on first use; null when it cannot be opened
  // (failures are not remembered). Safe to call from several threads.
  static boost::shared_ptr<ZipFile> GetInstance(const StringBase<char> &path);

  explicit ZipFile(const StringBase<char> &path);
  ZipFile(const ZipFile &) = delete;
  ZipFile &operator=(const ZipFile &) = delete;
  ~ZipFile();

  bool Open();
  bool Close();
  StringBase<char> GetName() const;
  bool LocateFile(const StringBase<char> &name) const;
  bool OpenFile(const StringBase<char> &name);
  bool CloseFile();
  int Rewind();
  unsigned SizeOf() const;
  long Tell() const;
  int Read(void *buf, int n);
  long Seek(long offset, SeekType &origin);
  // Copies the current member into the target file; false when no member is open or the
  // target cannot be written.
  bool ExtractFileAs(const StringBase<char> &target);

private:
  ZipFileImpl *m_impl;
};

// Every archive opened so far, searched by path; guarded inside GetInstance.
extern std::vector<boost::shared_ptr<ZipFile>> m_zipFiles;

} // namespace Port

#endif
