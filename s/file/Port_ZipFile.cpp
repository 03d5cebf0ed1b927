// Port_ZipFile.cpp - zip archive members read through minizip; archives shared per process.
#include "Port_ZipFile.h"

#include "Port_File.h"
#include "Port_MsgManData.h"
#include "platform/filesys.h"

#include <unzip.h>

#include <algorithm>
#include <mutex>
#include <string>

namespace Port {

std::vector<boost::shared_ptr<ZipFile>> m_zipFiles;

namespace {
const char *const kRevision = "$Revision: 1.1 $";

// Guards m_zipFiles: a search and the open and append that may follow happen as one step, so
// two threads asking for the same archive share one instance. The members of one archive still
// have a single current member; threads that read the same archive must take turns.
std::mutex &listLock() {
  static std::mutex m;
  return m;
}

unzFile handle(const ZipFileImpl *impl) { return static_cast<unzFile>(impl->m_handle); }
} // namespace

boost::shared_ptr<ZipFile> ZipFile::GetInstance(const StringBase<char> &path) {
  std::lock_guard<std::mutex> guard(listLock());
  for (const boost::shared_ptr<ZipFile> &z : m_zipFiles)
    if (z->GetName() == path)
      return z;
  boost::shared_ptr<ZipFile> z(new ZipFile(path));
  if (!z->Open())
    return boost::shared_ptr<ZipFile>();
  m_zipFiles.push_back(z);
  return z;
}

ZipFile::ZipFile(const StringBase<char> &path) : m_impl(new ZipFileImpl(path)) {}

ZipFile::~ZipFile() {
  Close();
  delete m_impl;
}

bool ZipFile::Open() {
  if (m_impl->m_handle)
    return true;
  std::string posix;
  if (!platform::toPosixName(m_impl->m_path.GetBuffer(), &posix) || posix.empty())
    return false;
  m_impl->m_handle = unzOpen(posix.c_str());
  return m_impl->m_handle != nullptr;
}

bool ZipFile::Close() {
  if (m_impl->m_handle) {
    if (m_impl->m_isFileOpen)
      unzCloseCurrentFile(handle(m_impl));
    unzClose(handle(m_impl));
    m_impl->m_handle = nullptr;
  }
  m_impl->m_isFileOpen = false;
  return true;
}

// A copy with a block of its own, for the same reason as the stored name.
StringBase<char> ZipFile::GetName() const { return StringBase<char>(m_impl->m_path.GetBuffer()); }

bool ZipFile::LocateFile(const StringBase<char> &name) const {
  if (!m_impl->m_handle)
    return false;
  return unzLocateFile(handle(m_impl), name.GetBuffer(), 0) == UNZ_OK;
}

bool ZipFile::OpenFile(const StringBase<char> &name) {
  if (m_impl->m_isFileOpen)
    CloseFile();
  m_impl->m_isFileOpen = false;
  if (!LocateFile(name) || unzOpenCurrentFile(handle(m_impl)) != UNZ_OK)
    return false;
  m_impl->m_isFileOpen = true;
  m_impl->m_currentFile = name;
  return true;
}

bool ZipFile::CloseFile() {
  bool ok = false;
  if (m_impl->m_isFileOpen) {
    m_impl->m_currentFile = "";
    ok = unzCloseCurrentFile(handle(m_impl)) == UNZ_OK;
  }
  m_impl->m_isFileOpen = false;
  return ok;
}

// minizip has no rewind of the current member: it is reopened.
int ZipFile::Rewind() {
  if (!m_impl->m_isFileOpen)
    return 0;
  unzCloseCurrentFile(handle(m_impl));
  int r = unzOpenCurrentFile(handle(m_impl));
  if (r != UNZ_OK)
    m_impl->m_isFileOpen = false;
  return r;
}

unsigned ZipFile::SizeOf() const {
  if (!m_impl->m_isFileOpen)
    return 0;
  unz_file_info info;
  if (unzGetCurrentFileInfo(handle(m_impl), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
    return 0;
  return static_cast<unsigned>(info.uncompressed_size);
}

long ZipFile::Tell() const {
  if (!m_impl->m_isFileOpen)
    return 0;
  return unztell(handle(m_impl));
}

int ZipFile::Read(void *buf, int n) {
  if (!m_impl->m_isFileOpen || n < 0)
    return -1;
  return unzReadCurrentFile(handle(m_impl), buf, static_cast<unsigned>(n));
}

long ZipFile::Seek(long offset, SeekType &origin) {
  if (!m_impl->m_isFileOpen)
    return 0;
  const long size = static_cast<long>(SizeOf());
  long target = 0;
  if (origin.EqualTo(SeekType::SeekSet()))
    target = offset;
  else if (origin.EqualTo(SeekType::SeekCurr()))
    target = Tell() + offset;
  else if (origin.EqualTo(SeekType::SeekEnd()))
    target = size;
  if (target > size)
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueError("Seek Error : Requested Seek Type is not Valid (%p)\n",
                     static_cast<void *>(&origin));
  // The members are compressed streams: a seek reads forward from the start. The reading ends
  // at the target, at the end of the member or at a read error.
  Rewind();
  char scratch[4096];
  long done = 0;
  while (done < target && m_impl->m_isFileOpen) {
    int want = static_cast<int>(std::min<long>(sizeof scratch, target - done));
    int got = Read(scratch, want);
    if (got <= 0)
      break;
    done += got;
  }
  const long at = Tell();
  if (at != target)
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueError("Seek Error : Requested Offset = %d, Does not Match New Offset = %d\n",
                     static_cast<int>(target), static_cast<int>(at));
  return at;
}

bool ZipFile::ExtractFileAs(const StringBase<char> &target) {
  if (!m_impl->m_isFileOpen)
    return false;
  UT_STREAM *out = Port_File::open(target.GetBuffer(), UT_STREAM::Write, 1);
  if (!out)
    return false;
  unsigned char buf[4096];
  bool ok = true;
  for (;;) {
    int got = Read(buf, sizeof buf);
    if (got < 0)
      ok = false;
    if (got <= 0)
      break;
    if (out->write(buf, static_cast<unsigned>(got)) != static_cast<unsigned>(got)) {
      ok = false;
      break;
    }
  }
  if (out->flush(true) != 0 || out->geterror() != 0)
    ok = false;
  Port_File::close(out);
  return ok;
}

} // namespace Port
