// Port_ZipFile.cpp - zip archive members read through minizip; archives shared per process.
//
// minizip finds the archive's directory and walks it (names, directory positions). Everything
// about one member is read here from the archive itself, because this minizip keeps the 32-bit
// placeholder 0xFFFFFFFF of a zip64 entry instead of its 64-bit value, which would cut members
// at 4 GiB and lose local headers beyond 4 GiB:
//
//   central directory entry (46 bytes, then name, extra field, comment; little-endian)
//     0 u32 signature 0x02014b50   8 u16 flags (bit 0 encrypted, bit 6 strong encryption)
//    10 u16 method (0 stored, 8 deflated)   16 u32 CRC-32   20 u32 compressed size
//    24 u32 uncompressed size   28 u16 name length   30 u16 extra length   32 u16 comment length
//    42 u32 offset of the local header
//   zip64 extra field (id 0x0001): the 64-bit uncompressed size, compressed size and local
//     header offset, each present only when its 32-bit field above is 0xFFFFFFFF, in that order
//   local header (30 bytes, then name and extra field, then the data)
//     0 u32 signature 0x04034b50   8 u16 method   26 u16 name length   28 u16 extra length
//
// Offsets in the directory count from the start of the archive proper; an archive with bytes
// in front of it (a self-extracting one) has them added, found as minizip does from the end
// records. Stored members are read directly at their data offset, so they are positioned
// without reading; deflated ones are inflated with zlib. For both this file keeps the member's
// position, the length decoded so far and its CRC-32, and checks them against the directory
// when a read reaches the end of the member. All file access goes through the platform layer
// (ArchiveFile, and HandleStream for minizip), one descriptor per archive shared by all readers.
//
// Locks: the list lock (GetInstance) is taken before an archive's own lock, never after it. No
// message is issued while an archive's lock is held: the message system may read its files
// from archives.
#include "Port_ZipFile.h"

#include "Port_File.h"
#include "Port_MsgManData.h"
#include "msg/deferredlibs.h"
#include "msg/libreport.h"
#include "platform/fileio.h"
#include "platform/filesys.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace Port {
std::vector<boost::shared_ptr<ZipFile>> m_zipFiles;
} // namespace Port

namespace {
const char *const kRevision = "$Revision: 1.2 $";
// Decoded bytes of a deflated member kept behind its decoding front: a backward seek within
// them needs no new decoding from the start.
constexpr uint64_t kWindow = 64 * 1024;
// Read-ahead of a minizip handle, which reads the directory a few bytes at a time.
constexpr unsigned kReadAhead = 64 * 1024;
// Pieces in which data is read that nobody asked for (skipping, checking).
constexpr unsigned kScratch = 64 * 1024;

const LibraryReport report(__FILE__, kRevision);

std::mutex &listLock() {
  static std::mutex m;
  return m;
}

// The archive file, open for reading; positional reads let every handle share the descriptor.
class ArchiveFile {
public:
  static std::shared_ptr<ArchiveFile> open(const char *name) {
    const int fd = platform::open(name, platform::O_BINARY_ | platform::O_RDONLY_);
    if (fd < 0)
      return nullptr;
    std::shared_ptr<ArchiveFile> f(new ArchiveFile(fd));
    if (!platform::fstat(fd, &f->m_status) || !f->m_status.isRegular)
      return nullptr;
    return f;
  }
  ArchiveFile(const ArchiveFile &) = delete;
  ArchiveFile &operator=(const ArchiveFile &) = delete;
  ~ArchiveFile() { platform::close(m_fd); }

  int readAt(void *buf, unsigned n, uint64_t offset) const {
    return platform::readAt(m_fd, buf, n, static_cast<int64_t>(offset));
  }
  uint64_t size() const { return static_cast<uint64_t>(m_status.size); }
  // Size and modification time as when it was opened: a rewritten archive differs.
  bool sameAs(const platform::FileStatus &now) const {
    return now.size == m_status.size && now.modified == m_status.modified &&
           now.modifiedNanos == m_status.modifiedNanos;
  }

private:
  explicit ArchiveFile(int fd) : m_fd(fd) {}
  int m_fd;
  platform::FileStatus m_status;
};

// One minizip handle's view of the archive file: its own position and read-ahead buffer.
struct HandleStream {
  std::shared_ptr<ArchiveFile> file;
  uint64_t pos = 0;
  std::vector<unsigned char> buf;
  uint64_t bufStart = 0;
  size_t bufLen = 0;
  bool failed = false;
};

voidpf ZCALLBACK streamOpen(voidpf opaque, const void *, int) { return opaque; }

uLong ZCALLBACK streamRead(voidpf, voidpf stream, void *out, uLong size) {
  HandleStream *s = static_cast<HandleStream *>(stream);
  unsigned char *dst = static_cast<unsigned char *>(out);
  uLong done = 0;
  while (done < size) {
    if (s->pos >= s->bufStart && s->pos < s->bufStart + s->bufLen) {
      const size_t at = static_cast<size_t>(s->pos - s->bufStart);
      const size_t take = std::min<uint64_t>(s->bufLen - at, size - done);
      std::memcpy(dst + done, s->buf.data() + at, take);
      done += take;
      s->pos += take;
      continue;
    }
    const uLong rest = size - done;
    const bool direct = rest >= kReadAhead;
    unsigned char *into = direct ? dst + done : s->buf.data();
    const unsigned want =
        direct ? static_cast<unsigned>(std::min<uLong>(rest, 1u << 30)) : kReadAhead;
    const int got = s->file->readAt(into, want, s->pos);
    if (got < 0)
      s->failed = true;
    if (got <= 0)
      break;
    if (direct) {
      done += static_cast<uLong>(got);
      s->pos += static_cast<uint64_t>(got);
    } else {
      s->bufStart = s->pos;
      s->bufLen = static_cast<size_t>(got);
    }
  }
  return done;
}

uLong ZCALLBACK streamWrite(voidpf, voidpf, const void *, uLong) { return 0; }

ZPOS64_T ZCALLBACK streamTell(voidpf, voidpf stream) {
  return static_cast<HandleStream *>(stream)->pos;
}

long ZCALLBACK streamSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  HandleStream *s = static_cast<HandleStream *>(stream);
  switch (origin) {
  case ZLIB_FILEFUNC_SEEK_SET:
    s->pos = offset;
    return 0;
  case ZLIB_FILEFUNC_SEEK_CUR:
    s->pos += offset;
    return 0;
  case ZLIB_FILEFUNC_SEEK_END:
    s->pos = s->file->size() + offset;
    return 0;
  default:
    return -1;
  }
}

// minizip closes its stream when the handle is closed, and when an archive cannot be opened.
int ZCALLBACK streamClose(voidpf, voidpf stream) {
  delete static_cast<HandleStream *>(stream);
  return 0;
}

int ZCALLBACK streamError(voidpf, voidpf stream) {
  return static_cast<HandleStream *>(stream)->failed ? 1 : 0;
}

unzFile openHandle(const std::shared_ptr<ArchiveFile> &file) {
  HandleStream *s = new HandleStream;
  s->file = file;
  s->buf.resize(kReadAhead);
  zlib_filefunc64_def io = {streamOpen, streamRead,  streamWrite, streamTell,
                            streamSeek, streamClose, streamError, s};
  return deferred::minizip().unzOpen2_64("", &io);
}

uint16_t le16(const unsigned char *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const unsigned char *p) { return le16(p) | static_cast<uint32_t>(le16(p + 2)) << 16; }
uint64_t le64(const unsigned char *p) { return le32(p) | static_cast<uint64_t>(le32(p + 4)) << 32; }

bool readExactly(const ArchiveFile &file, void *buf, unsigned n, uint64_t at) {
  return file.readAt(buf, n, at) == static_cast<int>(n);
}

// The number of bytes in front of the archive proper: the position of the end record that
// gives the directory's place (the zip64 one when there is one), less the directory's offset
// and size as recorded.
uint64_t bytesBefore(const ArchiveFile &file) {
  const uint64_t size = file.size();
  const uint64_t span = std::min<uint64_t>(size, 0xFFFF + 22);
  std::vector<unsigned char> tail(span);
  if (!readExactly(file, tail.data(), static_cast<unsigned>(span), size - span))
    return 0;
  for (uint64_t i = span < 22 ? 0 : span - 22 + 1; i-- > 0;) {
    const unsigned char *e = tail.data() + i;
    if (le32(e) != 0x06054b50)
      continue;
    const uint64_t end = size - span + i;
    uint64_t cdSize = le32(e + 12), cdOffset = le32(e + 16), recordAt = end;
    unsigned char loc[20], z64[56];
    if (end >= 20 && readExactly(file, loc, 20, end - 20) && le32(loc) == 0x07064b50 &&
        readExactly(file, z64, 56, le64(loc + 8)) && le32(z64) == 0x06064b50) {
      recordAt = le64(loc + 8);
      cdSize = le64(z64 + 40);
      cdOffset = le64(z64 + 48);
    }
    return recordAt >= cdOffset + cdSize ? recordAt - (cdOffset + cdSize) : 0;
  }
  return 0;
}

// One entry of the directory, with its zip64 values.
struct Entry {
  std::string name;
  uint16_t flag = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint64_t compressed = 0;
  uint64_t size = 0;
  uint64_t local = 0;
};

bool readEntry(const ArchiveFile &file, uint64_t at, Entry *e) {
  unsigned char h[46];
  if (!readExactly(file, h, sizeof h, at) || le32(h) != 0x02014b50)
    return false;
  const uint16_t nameLength = le16(h + 28), extraLength = le16(h + 30);
  std::vector<unsigned char> rest(nameLength + extraLength);
  if (!rest.empty() && !readExactly(file, rest.data(), static_cast<unsigned>(rest.size()), at + 46))
    return false;
  e->name.assign(reinterpret_cast<char *>(rest.data()), nameLength);
  e->flag = le16(h + 8);
  e->method = le16(h + 10);
  e->crc = le32(h + 16);
  e->compressed = le32(h + 20);
  e->size = le32(h + 24);
  e->local = le32(h + 42);
  const unsigned char *x = rest.data() + nameLength, *xEnd = x + extraLength;
  while (xEnd - x >= 4) {
    const uint16_t id = le16(x), length = le16(x + 2);
    const unsigned char *field = x + 4, *fieldEnd = field + length;
    if (fieldEnd > xEnd)
      return false;
    if (id == 0x0001) {
      for (uint64_t *v : {&e->size, &e->compressed, &e->local}) {
        if (*v != 0xFFFFFFFFu)
          continue;
        if (fieldEnd - field < 8)
          return false;
        *v = le64(field);
        field += 8;
      }
    }
    x = fieldEnd;
  }
  return true;
}

// Why a member proved unreadable while it was read.
enum class Fault { None, Checksum, Length, Corrupt, Truncated, Io };

// zlib's inflater over a deflated member's data, read from the archive in pieces.
struct Inflater {
  Inflater() = default;
  Inflater(const Inflater &) = delete;
  Inflater &operator=(const Inflater &) = delete;
  ~Inflater() {
    if (live)
      deferred::zlib().inflateEnd(&zs);
  }
  bool restart() {
    const deferred::Zlib &zlib = deferred::zlib();
    if (!live &&
        zlib.inflateInit2_(&zs, -MAX_WBITS, ZLIB_VERSION, static_cast<int>(sizeof zs)) != Z_OK)
      return false;
    if (live && zlib.inflateReset(&zs) != Z_OK)
      return false;
    live = true;
    zs.avail_in = 0;
    read = 0;
    ended = false;
    return true;
  }
  z_stream zs = {};
  bool live = false;
  std::vector<unsigned char> in = std::vector<unsigned char>(kScratch);
  uint64_t read = 0; // compressed bytes taken from the archive
  bool ended = false;
};

// The reading state of the current member.
struct Member {
  std::string name; // as the archive's directory gives it
  int method = 0;
  uint64_t size = 0;
  uint64_t compressed = 0;
  uint32_t crcWanted = 0;
  uint64_t dataStart = 0; // offset of the member's data in the archive file
  uint64_t pos = 0;       // the reader's position
  // Stored: the length of the prefix whose CRC is known. Deflated: the bytes decoded so far.
  uint64_t decoded = 0;
  uint32_t crc = 0; // of the first `decoded` bytes
  bool checked = false;
  int error = 0; // EIO once the member proved damaged: every later read fails
  std::unique_ptr<Inflater> inflater;
  std::vector<unsigned char> window; // deflated: ring of the last kWindow decoded bytes
};

// A message to issue once the archive's lock is released.
using Pending = std::function<void()>;

} // namespace

namespace Port {

struct ZipFileImpl::State {
  std::mutex lock;
  std::shared_ptr<ArchiveFile> file;
  uint64_t bytesBefore = 0;
  // Member name -> position of its entry in the directory (unzGetOffset64); built on the first
  // lookup. Duplicate names keep their first entry, as minizip's own search does.
  bool indexed = false;
  std::map<std::string, uint64_t> index;
  Member member;
  ZipFile::OpenResult lastResult = ZipFile::NotFound;
  int lastMethod = 0;
};

namespace {

using State = ZipFileImpl::State;

unzFile handleOf(const ZipFileImpl *impl) { return static_cast<unzFile>(impl->m_handle); }

void buildIndex(ZipFileImpl *impl) {
  State &st = *impl->m_state;
  if (st.indexed || !impl->m_handle)
    return;
  st.indexed = true;
  unzFile h = handleOf(impl);
  const deferred::Minizip &unz = deferred::minizip();
  std::vector<char> name;
  for (int r = unz.unzGoToFirstFile(h); r == UNZ_OK; r = unz.unzGoToNextFile(h)) {
    unz_file_info64 info;
    if (unz.unzGetCurrentFileInfo64(h, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
      break;
    name.resize(info.size_filename + 1);
    if (unz.unzGetCurrentFileInfo64(h, &info, name.data(), static_cast<uLong>(name.size()), nullptr,
                                    0, nullptr, 0) != UNZ_OK)
      break;
    st.index.emplace(std::string(name.data(), info.size_filename), unz.unzGetOffset64(h));
  }
}

// Finds a member: Opened with its directory position, IsDirectory for a name under which other
// entries lie, or NotFound.
ZipFile::OpenResult lookUp(ZipFileImpl *impl, const std::string &name, uint64_t *offset) {
  buildIndex(impl);
  const std::map<std::string, uint64_t> &index = impl->m_state->index;
  if (name.empty())
    return ZipFile::NotFound;
  auto it = index.find(name);
  if (it != index.end()) {
    *offset = it->second;
    return ZipFile::Opened;
  }
  const std::string dir = name.back() == '/' ? name : name + '/';
  auto below = index.lower_bound(dir);
  if (below != index.end() && below->first.compare(0, dir.size(), dir) == 0)
    return ZipFile::IsDirectory;
  return ZipFile::NotFound;
}

void closeMember(ZipFileImpl *impl) {
  impl->m_isFileOpen = false;
  impl->m_currentFile = "";
  impl->m_state->member = Member();
}

// Opens the entry at the directory position as the current member, after checking that this
// reader can give its exact bytes.
ZipFile::OpenResult openAt(ZipFileImpl *impl, uint64_t offset, const std::string &expected) {
  State &st = *impl->m_state;
  const ArchiveFile &file = *st.file;
  st.lastMethod = 0;
  Entry e;
  if (!readEntry(file, offset + st.bytesBefore, &e))
    return ZipFile::Damaged;
  if (e.name != expected)
    return ZipFile::NotFound; // the directory is not the one the index was made from
  st.lastMethod = e.method;
  if (!e.name.empty() && e.name.back() == '/')
    return ZipFile::IsDirectory;
  if (e.flag & 0x41)
    return ZipFile::Encrypted;
  if (e.method != 0 && e.method != Z_DEFLATED)
    return ZipFile::Unsupported;
  if (e.method == 0 && e.compressed != e.size)
    return ZipFile::Damaged;
  unsigned char h[30];
  const uint64_t local = e.local + st.bytesBefore;
  if (local > file.size() || !readExactly(file, h, sizeof h, local) || le32(h) != 0x04034b50 ||
      le16(h + 8) != e.method)
    return ZipFile::Damaged;
  const uint64_t dataStart = local + 30 + le16(h + 26) + le16(h + 28);
  if (dataStart > file.size() || e.compressed > file.size() - dataStart)
    return ZipFile::Damaged;
  Member m;
  m.name = e.name;
  m.method = e.method;
  m.size = e.size;
  m.compressed = e.compressed;
  m.crcWanted = e.crc;
  m.dataStart = dataStart;
  m.crc = static_cast<uint32_t>(deferred::zlib().crc32(0L, Z_NULL, 0));
  if (m.method == Z_DEFLATED) {
    m.inflater.reset(new Inflater);
    if (!m.inflater->restart())
      return ZipFile::Damaged;
  }
  st.member = std::move(m);
  impl->m_isFileOpen = true;
  impl->m_currentFile = e.name.c_str();
  return ZipFile::Opened;
}

// A member's reader (OpenMember) has the archive file but makes its minizip handle only when
// it is asked to look a name up.
bool ensureHandle(ZipFileImpl *impl) {
  State &st = *impl->m_state;
  if (impl->m_handle)
    return true;
  std::shared_ptr<ArchiveFile> file =
      st.file ? st.file : ArchiveFile::open(impl->m_path.GetBuffer());
  if (!file)
    return false;
  impl->m_handle = openHandle(file);
  if (!impl->m_handle)
    return false;
  if (!st.file) {
    st.file = file;
    st.bytesBefore = bytesBefore(*file);
  }
  return true;
}

ZipFile::OpenResult openByName(ZipFileImpl *impl, const std::string &name) {
  closeMember(impl);
  uint64_t offset = 0;
  ZipFile::OpenResult r = lookUp(impl, name, &offset);
  if (r == ZipFile::Opened)
    r = openAt(impl, offset, name);
  impl->m_state->lastResult = r;
  return r;
}

// Marks the member damaged and prepares its message.
int fail(ZipFileImpl *impl, Fault fault, int code, Pending *pending) {
  Member &m = impl->m_state->member;
  m.error = EIO;
  errno = EIO;
  const std::string member = m.name, archive = impl->m_path.GetBuffer();
  const uint64_t decoded = m.decoded, size = m.size;
  *pending = [=] {
    const char *a = archive.c_str(), *n = member.c_str();
    switch (fault) {
    case Fault::Checksum:
      report(__LINE__)->issueError(
          "Member '%s' of zipfile '%s' is damaged: its data does not match its CRC-32.\n", n, a);
      break;
    case Fault::Length:
      report(__LINE__)->issueError(
          "Member '%s' of zipfile '%s' is damaged: its data ends after %lU bytes instead of "
          "%lU.\n",
          n, a, static_cast<unsigned long long>(decoded), static_cast<unsigned long long>(size));
      break;
    case Fault::Corrupt:
      report(__LINE__)->issueError(
          "Member '%s' of zipfile '%s' is damaged: its compressed data cannot be decoded.\n", n, a);
      break;
    case Fault::Truncated:
      report(__LINE__)->issueError(
          "Member '%s' of zipfile '%s' is damaged: its data runs past the end of the archive.\n", n,
          a);
      break;
    case Fault::Io:
      report(__LINE__)->issueError("Member '%s' of zipfile '%s' cannot be read (errno %d).\n", n, a,
                                   code);
      break;
    case Fault::None:
      break;
    }
  };
  return -1;
}

// Adds the bytes [at, at + len) to a stored member's CRC where they continue its known prefix.
void extendStoredCrc(Member &m, const unsigned char *data, uint64_t at, unsigned len) {
  if (at <= m.decoded && at + len > m.decoded) {
    const uint64_t skip = m.decoded - at;
    m.crc = static_cast<uint32_t>(
        deferred::zlib().crc32(m.crc, data + skip, static_cast<uInt>(len - skip)));
    m.decoded = at + len;
  }
}

// The end of the member is reached: its bytes must be what the directory says. A stored member
// read with gaps has the gaps read now.
bool verify(ZipFileImpl *impl, Pending *pending) {
  State &st = *impl->m_state;
  Member &m = st.member;
  if (m.checked)
    return true;
  if (m.method == 0) {
    std::vector<unsigned char> scratch(kScratch);
    while (m.decoded < m.size) {
      const unsigned want = static_cast<unsigned>(std::min<uint64_t>(kScratch, m.size - m.decoded));
      const int got = st.file->readAt(scratch.data(), want, m.dataStart + m.decoded);
      if (got < 0 || static_cast<unsigned>(got) < want) {
        fail(impl, got < 0 ? Fault::Io : Fault::Truncated, errno, pending);
        return false;
      }
      extendStoredCrc(m, scratch.data(), m.decoded, want);
    }
  }
  if (m.decoded != m.size || m.crc != m.crcWanted) {
    fail(impl, m.decoded != m.size ? Fault::Length : Fault::Checksum, 0, pending);
    return false;
  }
  m.checked = true;
  return true;
}

int readStored(ZipFileImpl *impl, unsigned char *buf, unsigned n, Pending *pending) {
  State &st = *impl->m_state;
  Member &m = st.member;
  if (m.pos >= m.size)
    return verify(impl, pending) ? 0 : -1;
  const unsigned want = static_cast<unsigned>(std::min<uint64_t>(n, m.size - m.pos));
  const int got = st.file->readAt(buf, want, m.dataStart + m.pos);
  if (got < 0)
    return fail(impl, Fault::Io, errno, pending);
  if (static_cast<unsigned>(got) < want)
    return fail(impl, Fault::Truncated, 0, pending);
  extendStoredCrc(m, buf, m.pos, want);
  m.pos += want;
  if (m.pos == m.size && !verify(impl, pending))
    return -1;
  return static_cast<int>(want);
}

// Inflates up to n bytes at the decoding front into dst, keeping the CRC and the window. The
// bytes made, 0 when the deflated data has ended, -1 with the fault.
int decode(ZipFileImpl *impl, unsigned char *dst, unsigned n, Fault *fault, int *code) {
  State &st = *impl->m_state;
  Member &m = st.member;
  Inflater &inf = *m.inflater;
  unsigned made = 0;
  while (made == 0 && !inf.ended) {
    if (inf.zs.avail_in == 0 && inf.read < m.compressed) {
      const unsigned want =
          static_cast<unsigned>(std::min<uint64_t>(inf.in.size(), m.compressed - inf.read));
      const int got = st.file->readAt(inf.in.data(), want, m.dataStart + inf.read);
      if (got < 0 || static_cast<unsigned>(got) < want) {
        *fault = got < 0 ? Fault::Io : Fault::Truncated;
        *code = errno;
        return -1;
      }
      inf.read += want;
      inf.zs.next_in = inf.in.data();
      inf.zs.avail_in = want;
    }
    inf.zs.next_out = dst;
    inf.zs.avail_out = n;
    const int r = deferred::zlib().inflate(&inf.zs, Z_NO_FLUSH);
    made = n - inf.zs.avail_out;
    if (r == Z_STREAM_END) {
      inf.ended = true;
    } else if (r != Z_OK && !(r == Z_BUF_ERROR && made > 0)) {
      // Z_BUF_ERROR without output: the compressed data ran out before the stream ended.
      *fault = Fault::Corrupt;
      return -1;
    }
  }
  if (made == 0)
    return 0;
  m.crc = static_cast<uint32_t>(deferred::zlib().crc32(m.crc, dst, made));
  if (m.window.empty())
    m.window.resize(kWindow);
  const unsigned keep = static_cast<unsigned>(std::min<uint64_t>(kWindow, made));
  uint64_t at = m.decoded + made - keep;
  const unsigned char *src = dst + (made - keep);
  for (unsigned left = keep; left > 0;) {
    const size_t slot = static_cast<size_t>(at % kWindow);
    const size_t piece = std::min<size_t>(left, kWindow - slot);
    std::memcpy(m.window.data() + slot, src, piece);
    src += piece;
    at += piece;
    left -= static_cast<unsigned>(piece);
  }
  m.decoded += made;
  return static_cast<int>(made);
}

int readDeflated(ZipFileImpl *impl, unsigned char *buf, unsigned n, Pending *pending) {
  Member &m = impl->m_state->member;
  Fault fault = Fault::Corrupt;
  int code = 0;
  if (m.pos < m.decoded) {
    if (m.decoded - m.pos <= std::min(m.decoded, kWindow)) {
      unsigned take = static_cast<unsigned>(std::min<uint64_t>(n, m.decoded - m.pos));
      for (unsigned done = 0; done < take;) {
        const size_t slot = static_cast<size_t>((m.pos + done) % kWindow);
        const size_t piece = std::min<size_t>(take - done, kWindow - slot);
        std::memcpy(buf + done, m.window.data() + slot, piece);
        done += static_cast<unsigned>(piece);
      }
      m.pos += take;
      return static_cast<int>(take);
    }
    // Further back than the window: decode again from the start.
    if (!m.inflater->restart())
      return fail(impl, Fault::Corrupt, 0, pending);
    m.decoded = 0;
    m.crc = static_cast<uint32_t>(deferred::zlib().crc32(0L, Z_NULL, 0));
  }
  if (m.decoded < m.pos) {
    std::vector<unsigned char> scratch(kScratch);
    while (m.decoded < m.pos) {
      const unsigned want = static_cast<unsigned>(std::min<uint64_t>(kScratch, m.pos - m.decoded));
      const int got = decode(impl, scratch.data(), want, &fault, &code);
      if (got <= 0)
        return fail(impl, got < 0 ? fault : Fault::Length, code, pending);
    }
  }
  if (m.pos >= m.size)
    return verify(impl, pending) ? 0 : -1;
  const unsigned want = static_cast<unsigned>(std::min<uint64_t>(n, m.size - m.pos));
  const int got = decode(impl, buf, want, &fault, &code);
  if (got <= 0)
    return fail(impl, got < 0 ? fault : Fault::Length, code, pending);
  m.pos += static_cast<unsigned>(got);
  if (m.decoded == m.size && !verify(impl, pending))
    return -1;
  return got;
}

} // namespace

// ---------------------------------------------------------------------------------------------

boost::shared_ptr<ZipFile> ZipFile::GetInstance(const StringBase<char> &path) {
  std::lock_guard<std::mutex> guard(listLock());
  platform::FileStatus now;
  const bool exists = platform::stat(path.GetBuffer(), &now);
  for (auto it = m_zipFiles.begin(); it != m_zipFiles.end(); ++it) {
    if ((*it)->GetName() != path)
      continue;
    State &st = *(*it)->m_impl->m_state;
    bool current;
    {
      std::lock_guard<std::mutex> lock(st.lock);
      current = exists && st.file && st.file->sameAs(now);
    }
    if (current)
      return *it;
    // Rewritten or removed since: members already open keep reading the old file.
    m_zipFiles.erase(it);
    break;
  }
  boost::shared_ptr<ZipFile> z(new ZipFile(path));
  if (!z->Open())
    return boost::shared_ptr<ZipFile>();
  m_zipFiles.push_back(z);
  return z;
}

ZipFile::ZipFile(const StringBase<char> &path) : m_impl(new ZipFileImpl(path)) {
  m_impl->m_state = new ZipFileImpl::State;
}

ZipFile::~ZipFile() {
  Close();
  delete m_impl->m_state;
  delete m_impl;
}

bool ZipFile::Open() {
  std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
  return ensureHandle(m_impl);
}

bool ZipFile::Close() {
  std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
  closeMember(m_impl);
  if (m_impl->m_handle) {
    deferred::minizip().unzClose(handleOf(m_impl));
    m_impl->m_handle = nullptr;
  }
  m_impl->m_state->file.reset();
  m_impl->m_state->indexed = false;
  m_impl->m_state->index.clear();
  return true;
}

// A copy with a block of its own, for the same reason as the stored name.
StringBase<char> ZipFile::GetName() const { return StringBase<char>(m_impl->m_path.GetBuffer()); }

bool ZipFile::LocateFile(const StringBase<char> &name) const {
  std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
  if (!m_impl->m_state->file || !ensureHandle(m_impl))
    return false;
  buildIndex(m_impl);
  return m_impl->m_state->index.count(name.GetBuffer()) != 0;
}

bool ZipFile::OpenFile(const StringBase<char> &name) {
  std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
  if (!m_impl->m_state->file || !ensureHandle(m_impl)) {
    closeMember(m_impl);
    m_impl->m_state->lastResult = NotFound;
    return false;
  }
  return openByName(m_impl, name.GetBuffer()) == Opened;
}

ZipFile::OpenResult ZipFile::LastOpenResult() const {
  std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
  return m_impl->m_state->lastResult;
}

int ZipFile::LastMethod() const {
  std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
  return m_impl->m_state->lastMethod;
}

boost::shared_ptr<ZipFile> ZipFile::OpenMember(const StringBase<char> &name, OpenResult *why,
                                               int *method) const {
  OpenResult r = NotFound;
  uint64_t offset = 0, before = 0;
  std::shared_ptr<ArchiveFile> file;
  {
    std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
    if (m_impl->m_handle) {
      r = lookUp(m_impl, name.GetBuffer(), &offset);
      file = m_impl->m_state->file;
      before = m_impl->m_state->bytesBefore;
    }
  }
  // The member's reader shares the archive file; it needs no minizip handle of its own unless
  // it is asked to open another member by name.
  boost::shared_ptr<ZipFile> member;
  int found = 0;
  if (r == Opened) {
    member.reset(new ZipFile(GetName()));
    ZipFileImpl *mi = member->m_impl;
    std::lock_guard<std::mutex> guard(mi->m_state->lock);
    mi->m_state->file = file;
    mi->m_state->bytesBefore = before;
    r = openAt(mi, offset, name.GetBuffer());
    found = mi->m_state->lastMethod;
  }
  if (why)
    *why = r;
  if (method)
    *method = found;
  return r == Opened ? member : boost::shared_ptr<ZipFile>();
}

bool ZipFile::CloseFile() {
  std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
  if (!m_impl->m_isFileOpen)
    return false;
  const bool sound = m_impl->m_state->member.error == 0;
  closeMember(m_impl);
  return sound;
}

// The position goes back to the start; a deflated member decodes again only when a read needs
// bytes that are no longer in its window.
int ZipFile::Rewind() {
  std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
  if (m_impl->m_isFileOpen)
    m_impl->m_state->member.pos = 0;
  return UNZ_OK;
}

uint64_t ZipFile::SizeOf() const {
  std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
  return m_impl->m_isFileOpen ? m_impl->m_state->member.size : 0;
}

long ZipFile::Tell() const {
  std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
  return m_impl->m_isFileOpen ? static_cast<long>(m_impl->m_state->member.pos) : 0;
}

int ZipFile::Read(void *buf, int n) {
  Pending pending;
  int r;
  {
    std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
    const Member &m = m_impl->m_state->member;
    if (!m_impl->m_isFileOpen || n < 0 || (!buf && n > 0)) {
      errno = EBADF;
      return -1;
    }
    if (m.error) {
      errno = m.error;
      return -1;
    }
    unsigned char *out = static_cast<unsigned char *>(buf);
    r = m.method == 0 ? readStored(m_impl, out, static_cast<unsigned>(n), &pending)
                      : readDeflated(m_impl, out, static_cast<unsigned>(n), &pending);
  }
  if (pending) {
    const int code = errno;
    pending();
    errno = code;
  }
  return r;
}

long ZipFile::Seek(long offset, SeekType &origin) {
  int64_t target = 0, size = 0;
  {
    std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
    Member &m = m_impl->m_state->member;
    if (!m_impl->m_isFileOpen)
      return 0;
    size = static_cast<int64_t>(m.size);
    if (origin.EqualTo(SeekType::SeekSet()))
      target = offset;
    else if (origin.EqualTo(SeekType::SeekCurr()))
      target = static_cast<int64_t>(m.pos) + offset;
    else if (origin.EqualTo(SeekType::SeekEnd()))
      target = size;
    if (target < 0) {
      errno = EINVAL;
      return -1;
    }
    m.pos = static_cast<uint64_t>(std::min(target, size));
  }
  if (target > size) {
    report(__LINE__)->issueError("Seek Error : Requested Seek Type is not Valid (%p)\n",
                                 static_cast<void *>(&origin));
    report(__LINE__)->issueError(
        "Seek Error : Requested Offset = %d, Does not Match New Offset = %d\n",
        static_cast<int>(target), static_cast<int>(size));
  }
  return static_cast<long>(std::min(target, size));
}

bool ZipFile::ExtractFileAs(const StringBase<char> &target) {
  {
    std::lock_guard<std::mutex> guard(m_impl->m_state->lock);
    if (!m_impl->m_isFileOpen)
      return false;
  }
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
  if (!ok)
    Port_File::remove(target.GetBuffer());
  return ok;
}

} // namespace Port
