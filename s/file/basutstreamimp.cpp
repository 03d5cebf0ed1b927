// basutstreamimp.cpp - buffering, positioning and raw input and output of UT_STREAM.
#include "basutstreamimp.h"

#include "Port_MsgManData.h"
#include "msg/libreport.h"
#include "platform/fileio.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {
const char *const kRevision = "$Revision: 1.1 $";
const int kMinBufferSize = 2048;
const int kClassicHeaderSize = 9;

const LibraryReport report(__FILE__, kRevision);
} // namespace

UT_STREAMIMP::UT_STREAMIMP(UT_STREAM *owner, Port::FileDesc fd, UT_STREAM::Access access,
                           int bufferSize)
    : UT_IO_DEVICE(UT_IO_DEVICE_RAW), m_owner(owner), m_fd(fd), m_base(0), m_access(access),
      m_eof(false), m_lastBlock(false), m_pos(0), m_filled(0),
      m_bufSize(std::max(bufferSize, kMinBufferSize)), m_buf(new unsigned char[m_bufSize]),
      m_error(0), m_headerSize(0), m_registered(false), m_createdByTable(false),
      m_randomAccess(true), m_binary(true) {
  if (access & UT_STREAM::Compressed)
    m_mode = UT_IO_DEVICE_COMPRESSED;
  const int value = fd;
  if (value >= 0 && !fd.isArchive())
    m_binary = !platform::isTextMode(value);
}

UT_STREAMIMP::~UT_STREAMIMP() { delete[] m_buf; }

void UT_STREAMIMP::attach(Port::FileDesc fd, UT_STREAM::Access access) {
  m_fd = fd;
  setAccess(access);
  m_base = 0;
  m_pos = m_filled = 0;
  m_eof = m_lastBlock = false;
  m_error = 0;
  m_headerSize = 0;
  m_position = 0;
  const int value = fd;
  m_binary = value < 0 || fd.isArchive() || !platform::isTextMode(value);
}

void UT_STREAMIMP::setAccess(UT_STREAM::Access access) {
  m_access = access;
  m_mode = (access & UT_STREAM::Compressed) ? UT_IO_DEVICE_COMPRESSED : UT_IO_DEVICE_RAW;
}

void UT_STREAMIMP::setBufferSize(int size) {
  size = std::max(size, kMinBufferSize);
  if (size == m_bufSize)
    return;
  unsigned char *fresh = new unsigned char[size];
  delete[] m_buf;
  m_buf = fresh;
  m_bufSize = size;
  m_pos = m_filled = 0;
}

void UT_STREAMIMP::prepareCompressed() {
  if (!isWriteStream()) {
    if (!uses_new_codec())
      m_headerSize = kClassicHeaderSize;
    return;
  }
  if (uses_new_codec() && (m_access & UT_STREAM::Append))
    m_fd.lseek(0, Port::SeekType::SeekEnd());
  set_rawdata(m_buf, 0);
}

// ---------------------------------------------------------------------------------------------
// Raw input and output

int UT_STREAMIMP::get_rawdata(unsigned char *buf, unsigned n) {
  unsigned got = 0;
  // A descriptor may deliver fewer bytes than asked before its end (pipes, terminals); only
  // files are read until the request is met.
  while (got < n) {
    int r = m_fd.read(buf + got, n - got);
    if (r < 0) {
      // The bytes before the failure are handed on, but the failure must not be lost with
      // them: the load they end would otherwise pass for the last one.
      if (got)
        m_error = EIO;
      return got ? static_cast<int>(got) : -1;
    }
    if (r == 0)
      break;
    got += static_cast<unsigned>(r);
    if (!m_randomAccess)
      break;
  }
  return static_cast<int>(got);
}

int UT_STREAMIMP::set_rawdata(unsigned char *buf, unsigned n) {
  if (isCompressedAccess() && !uses_new_codec() && m_headerSize == 0) {
    long at = m_fd.lseek(0, Port::SeekType::SeekCurr());
    if (at < 0) {
      m_error = errno;
      return -1;
    }
    if (at == 0) {
      if (m_fd.write(const_cast<unsigned char *>(Signature), sizeof Signature) !=
              static_cast<int>(sizeof Signature) ||
          !write_version(m_fd)) {
        m_error = errno;
        return -1;
      }
      m_headerSize = kClassicHeaderSize;
    } else {
      report(__LINE__)->issueInternal("UT_STREAMIMP: File mode mismatch.  No signature.\n");
    }
  }
  if (n == 0)
    return 0;
  int put = m_fd.write(buf, n);
  if (put != static_cast<int>(n)) {
    m_error = errno ? errno : ENOSPC;
    return put < 0 ? -1 : put;
  }
  return put;
}

long UT_STREAMIMP::set_rawoffset(long offset) {
  long r;
  if (!isCompressedAccess()) {
    r = offset == -1 ? m_fd.lseek(0, Port::SeekType::SeekEnd())
                     : m_fd.lseek(offset, Port::SeekType::SeekSet());
  } else if (offset == -1) {
    r = m_fd.lseek(0, Port::SeekType::SeekEnd());
  } else if (offset == 0) {
    if (!uses_new_codec()) {
      if (m_headerSize == 0)
        report(__LINE__)->issueInternal("UT_STREAMIMP: Invalid start offset.\n");
      r = m_fd.lseek(m_headerSize, Port::SeekType::SeekSet());
      if (r >= 0)
        r -= m_headerSize;
    } else {
      r = m_fd.lseek(0, Port::SeekType::SeekSet());
    }
  } else {
    report(__LINE__)->issueInternal("UT_STREAMIMP: Invalid seek request.\n");
    errno = EINVAL;
    r = -1;
  }
  if (r < 0)
    m_error = errno;
  return r;
}

long UT_STREAMIMP::get_rawoffset() {
  long at = m_fd.lseek(0, Port::SeekType::SeekCurr());
  if (at >= 0 && isCompressedAccess() && at >= m_headerSize)
    at -= m_headerSize;
  return at;
}

// ---------------------------------------------------------------------------------------------
// Buffer

int UT_STREAMIMP::loadbuf() {
  if (m_lastBlock) {
    if (m_randomAccess) {
      m_eof = true;
      m_pos = m_filled = 0;
      return 0;
    }
    m_lastBlock = false;
  }
  int got = get_data(m_buf, static_cast<unsigned>(m_bufSize));
  if (got < 0) {
    m_error = EIO;
    m_pos = m_filled = 0;
    return -1;
  }
  m_base += got;
  m_filled = got;
  m_pos = 0;
  if (got < m_bufSize)
    m_lastBlock = true;
  if (got == 0)
    m_eof = true;
  return got;
}

int UT_STREAMIMP::flush(bool quiet) {
  if (m_pos == 0 || static_cast<int>(m_fd) < 0 || !isWriteStream()) {
    if (!isWriteStream()) {
      // A read stream empties its buffer, and moves the descriptor back to the logical offset
      // so that the next read loses nothing. A stream without random access (a pipe, the
      // console) cannot move back and keeps what it buffered.
      if (m_filled == m_pos || static_cast<int>(m_fd) < 0) {
        m_filled = m_pos = 0;
      } else if (m_randomAccess) {
        long at = getfoffset();
        if (set_offset(at) >= 0) {
          m_base = at;
          m_filled = m_pos = 0;
          m_eof = m_lastBlock = false;
        }
      }
      return 0;
    }
    if (m_pos == 0 && !quiet && static_cast<int>(m_fd) >= 0 && m_error != ENOSPC)
      return syncRecords();
    return 0;
  }
  if (m_error == ENOSPC) { // no space left: further data is dropped without a word
    m_pos = 0;
    return ENOSPC;
  }
  errno = 0;
  int put = set_data(m_buf, static_cast<unsigned>(m_pos));
  if (put == m_pos) {
    m_base += m_pos;
    m_pos = 0;
    // An explicit flush (and close) puts in the file what the record workers still hold.
    return quiet ? 0 : syncRecords();
  }
  if (m_error == 0)
    m_error = errno ? errno : EIO;
  if (put > 0)
    m_base += put;
  m_pos = 0;
  if (!quiet)
    report(__LINE__)->issueError("Flushing buffer failed.\n");
  return m_error;
}

int UT_STREAMIMP::syncRecords() {
  errno = 0;
  if (sync_data() == 0)
    return 0;
  if (m_error == 0)
    m_error = errno ? errno : EIO;
  report(__LINE__)->issueError("Flushing buffer failed.\n");
  return m_error;
}

void UT_STREAMIMP::reportWriteError() {
  if (m_error == ENOSPC)
    report(__LINE__)->issueError("File system full\n");
  else
    report(__LINE__)->issueError("Cannot write file - errno = %d\n", m_error);
}

unsigned UT_STREAMIMP::writeSlow(const unsigned char *buf, unsigned n) {
  if (m_error == ENOSPC)
    return 0;
  if (!isWriteStream()) {
    m_error = EBADF; // not open for writing
    return 0;
  }
  if (m_pos >= m_bufSize && flush(true) != 0)
    return 0;
  unsigned done = 0;
  while (done < n) {
    unsigned room = static_cast<unsigned>(m_bufSize - m_pos);
    unsigned take = std::min(room, n - done);
    std::memcpy(m_buf + m_pos, buf + done, take);
    m_pos += static_cast<int32_t>(take);
    done += take;
    if (m_pos == m_bufSize && flush(true) != 0) {
      reportWriteError();
      if (m_error == ENOSPC)
        return done;
    }
  }
  return done;
}

unsigned UT_STREAMIMP::readSlow(unsigned char *buf, unsigned n) {
  if (isWriteStream()) {
    m_error = EBADF;
    return 0;
  }
  unsigned done = 0;
  while (done < n) {
    unsigned avail = static_cast<unsigned>(m_filled - m_pos);
    if (avail == 0) {
      if (m_eof || loadbuf() <= 0)
        break;
      continue;
    }
    unsigned take = std::min(avail, n - done);
    std::memcpy(buf + done, m_buf + m_pos, take);
    m_pos += static_cast<int32_t>(take);
    done += take;
  }
  return done;
}

unsigned UT_STREAMIMP::sread(unsigned char *buf, unsigned n) {
  unsigned got = read(buf, n);
  std::reverse(buf, buf + got);
  return got;
}

unsigned UT_STREAMIMP::swrite(const unsigned char *buf, unsigned n) {
  if (m_error != ENOSPC && static_cast<unsigned>(m_bufSize - m_pos) > n && isWriteStream()) {
    unsigned char *p = m_buf + m_pos;
    for (unsigned i = 0; i < n; ++i)
      p[i] = buf[n - 1 - i];
    m_pos += static_cast<int32_t>(n);
    return n;
  }
  std::vector<unsigned char> reversed(buf, buf + n);
  std::reverse(reversed.begin(), reversed.end());
  return writeSlow(reversed.data(), n);
}

unsigned UT_STREAMIMP::fillForPeek(unsigned n) {
  if (isWriteStream())
    return 0;
  n = std::min(n, static_cast<unsigned>(m_bufSize));
  unsigned avail = static_cast<unsigned>(m_filled - m_pos);
  if (avail >= n || m_eof)
    return avail;
  // Move what is left to the front and top the buffer up behind it.
  std::memmove(m_buf, m_buf + m_pos, avail);
  m_filled = static_cast<int32_t>(avail);
  m_pos = 0;
  while (static_cast<unsigned>(m_filled) < n) {
    if (m_lastBlock && m_randomAccess)
      break;
    m_lastBlock = false;
    int got = get_data(m_buf + m_filled, static_cast<unsigned>(m_bufSize - m_filled));
    if (got < 0) {
      m_error = EIO;
      break;
    }
    m_base += got;
    m_filled += got;
    if (got < m_bufSize - (m_filled - got))
      m_lastBlock = true;
    if (got == 0)
      break;
  }
  return static_cast<unsigned>(m_filled - m_pos);
}

unsigned UT_STREAMIMP::peek(unsigned char *buf, unsigned n) {
  unsigned avail = std::min(fillForPeek(n), n);
  std::memcpy(buf, m_buf + m_pos, avail);
  return avail;
}

int UT_STREAMIMP::skip(int n) {
  if (n <= 0 || isWriteStream())
    return 0;
  int done = 0;
  unsigned char scratch[4096];
  while (done < n) {
    unsigned want = std::min<unsigned>(sizeof scratch, static_cast<unsigned>(n - done));
    unsigned got = read(scratch, want);
    done += static_cast<int>(got);
    if (got < want)
      break;
  }
  return done;
}

template <class Stop>
unsigned UT_STREAMIMP::readUntil(unsigned char *buf, unsigned size, Stop stop, bool peekOnly,
                                 bool *ended) {
  *ended = false;
  if (!buf || size == 0)
    return 0;
  const unsigned limit = size - 1;
  unsigned count = 0;
  if (peekOnly) {
    const size_t avail = std::min(fillForPeek(limit), limit);
    const size_t at = stop.scan(m_buf + m_pos, avail);
    count = static_cast<unsigned>(at < avail ? at + 1 : avail);
    std::memcpy(buf, m_buf + m_pos, count);
    *ended = at < avail;
    buf[count] = 0;
    return count;
  }
  while (count < limit) {
    if (m_pos >= m_filled) {
      if (isWriteStream() || m_eof || loadbuf() <= 0)
        break;
    }
    const size_t avail = std::min<size_t>(m_filled - m_pos, limit - count);
    const size_t at = stop.scan(m_buf + m_pos, avail);
    const size_t take = at < avail ? at + 1 : avail;
    std::memcpy(buf + count, m_buf + m_pos, take);
    m_pos += static_cast<int32_t>(take);
    count += static_cast<unsigned>(take);
    if (at < avail) {
      *ended = true;
      break;
    }
  }
  buf[count] = 0;
  return count;
}

template <class Stop> int UT_STREAMIMP::appendUntil(Port::StringBase<char> *text, Stop stop) {
  for (;;) {
    if (m_pos >= m_filled) {
      if (isWriteStream() || m_eof || loadbuf() <= 0)
        return -1;
    }
    const unsigned char *from = m_buf + m_pos;
    const size_t avail = static_cast<size_t>(m_filled - m_pos);
    const size_t at = stop.scan(from, avail);
    if (at > 0)
      text->Append(reinterpret_cast<const char *>(from), static_cast<unsigned>(at));
    if (at < avail) {
      m_pos += static_cast<int32_t>(at + 1);
      return from[at];
    }
    m_pos = m_filled;
  }
}

template <class Skip> bool UT_STREAMIMP::skipWhile(Skip skip) {
  for (;;) {
    if (m_pos >= m_filled) {
      if (isWriteStream() || m_eof || loadbuf() <= 0)
        return false;
    }
    const size_t avail = static_cast<size_t>(m_filled - m_pos);
    const size_t at = skip.scan(m_buf + m_pos, avail);
    m_pos += static_cast<int32_t>(at);
    if (at < avail)
      return true;
  }
}

// The forms of readUntil, appendUntil and skipWhile that UT_STREAM uses.
template unsigned UT_STREAMIMP::readUntil<KeyStop>(unsigned char *, unsigned, KeyStop, bool,
                                                   bool *);
template unsigned UT_STREAMIMP::readUntil<ZeroStop>(unsigned char *, unsigned, ZeroStop, bool,
                                                    bool *);
template unsigned UT_STREAMIMP::readUntil<TokenStop>(unsigned char *, unsigned, TokenStop, bool,
                                                     bool *);
template int UT_STREAMIMP::appendUntil<KeyStop>(Port::StringBase<char> *, KeyStop);
template int UT_STREAMIMP::appendUntil<ZeroStop>(Port::StringBase<char> *, ZeroStop);
template int UT_STREAMIMP::appendUntil<TokenStop>(Port::StringBase<char> *, TokenStop);
template bool UT_STREAMIMP::skipWhile<NonBlank>(NonBlank);

// ---------------------------------------------------------------------------------------------
// Positioning

bool UT_STREAMIMP::setfoffset(long offset) {
  if (isWriteStream() && flush(true) != 0)
    return false;
  if (!m_randomAccess)
    return false;
  if (!isWriteStream() && offset >= m_base - m_filled && offset < m_base) {
    m_pos = static_cast<int32_t>(offset - (m_base - m_filled));
    m_eof = false;
    return true;
  }
  errno = 0;
  long at = set_offset(offset);
  if (at < 0) {
    m_error = errno ? errno : EINVAL;
    return false;
  }
  m_base = at;
  m_pos = m_filled = 0;
  m_eof = m_lastBlock = false;
  if (!isWriteStream())
    loadbuf();
  return true;
}

bool UT_STREAMIMP::seekend() {
  if (isWriteStream() && flush(true) != 0)
    return false;
  long end = set_offset(-1);
  if (end < 0) {
    m_error = errno ? errno : EINVAL;
    return false;
  }
  return setfoffset(end);
}
