// basutfileencode.cpp - encoded text files: whole files held in memory, plain or scrambled.
//
// A scrambled file: the signature 06 1E 43 00 09, then the contents, the k-th byte (k from 0 at
// the first byte after the signature) stored as ((b - k % 7) mod 256 + k % 74) mod 256.
#include "basutfileencode.h"

#include "Port_File.h"
#include "Port_MsgManData.h"
#include "basutdarray.h"
#include "basutstream.h"
#include "filereplace.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

const char *const kRevision = "$Revision: 1.4 $";
const unsigned char kSignature[5] = {0x06, 0x1E, 0x43, 0x00, 0x09};
const unsigned kBlock = 65536;      // bytes read from the stream at a time
const unsigned kWriteChunk = 65536; // bytes scrambled into the write buffer at a time
const int kStep = 2048;             // growth step of the contents

Port_FileInit fileInit;

inline std::uint8_t scramble(std::uint8_t b, long k) {
  return static_cast<std::uint8_t>(b - k % 7 + k % 74);
}

// The unscrambling offset k % 7 - k % 74 repeats every 518 (7 * 74) bytes.
const int kPeriod = 7 * 74;
struct Offsets {
  std::uint8_t add[kPeriod];
  Offsets() {
    for (int k = 0; k < kPeriod; ++k)
      add[k] = static_cast<std::uint8_t>(k % 7 - k % 74);
  }
};

// Unscrambles n bytes, k counting from 0 at p.
void unscrambleRange(std::uint8_t *p, long n) {
  static const Offsets offsets;
  for (long at = 0; at < n; at += kPeriod) {
    const long len = std::min<long>(kPeriod, n - at);
    for (long k = 0; k < len; ++k)
      p[at + k] = static_cast<std::uint8_t>(p[at + k] + offsets.add[k]);
  }
}

// Closes a stream through the open-file table.
struct StreamCloser {
  void operator()(UT_STREAM *s) const { Port_File::close(s); }
};
typedef std::unique_ptr<UT_STREAM, StreamCloser> StreamPtr;

} // namespace

class UT_FILEENCODEIMP {
public:
  UT_FILEENCODEIMP() : m_eof(false), m_contents(kStep, 0), m_pos(0) {}
  UT_FILEENCODEIMP(const UT_FILEENCODEIMP &other) : UT_FILEENCODEIMP() { *this = other; }
  UT_FILEENCODEIMP &operator=(const UT_FILEENCODEIMP &other) {
    if (this == &other)
      return *this;
    const int n = other.length();
    m_contents.a_resetnum(0);
    if (n > 0) {
      m_contents.getaddr(n - 1);
      std::memcpy(data(), other.data(), static_cast<size_t>(n));
    }
    m_eof = other.m_eof;
    m_pos = other.m_pos;
    return *this;
  }

  int length() const { return m_contents.getnum(); }
  std::uint8_t *data() { return m_contents.data(); }
  const std::uint8_t *data() const { return m_contents.data(); }

  bool load(const char *name);
  bool dump(const char *name, bool scrambled);
  void append(const void *bytes, size_t n);
  unsigned readline(char *buf, unsigned size);
  unsigned peek(char *buf, unsigned n) const;
  unsigned readkey(char *buf, unsigned n, const char *delims);
  // The part [start, start + count) that lies inside the contents (count 0: up to the end);
  // false when none does.
  bool clip(long start, unsigned count, long *end) const;

  bool m_eof;
  PORT_DARRAY_Port_UINT8 m_contents;
  std::int32_t m_pos;
};

void UT_FILEENCODEIMP::append(const void *bytes, size_t n) {
  if (n == 0)
    return;
  const int at = length();
  m_contents.getaddr(at + static_cast<int>(n) - 1);
  std::memcpy(data() + at, bytes, n);
}

bool UT_FILEENCODEIMP::load(const char *name) {
  const int start = length();
  if (!name)
    return false;
  StreamPtr in(Port_File::open(name, UT_STREAM::Read, 0));
  if (!in)
    return false;
  const long size = Port_File::getsize(name, in.get());
  if (size > 0 && size > static_cast<long>(INT_MAX) - start)
    return false;
  m_eof = false;

  unsigned char head[sizeof kSignature];
  bool scrambled = false;
  if (in->peek(head, sizeof head) != sizeof head)
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueInternal("Number of bytes peeked does not match number of bytes requested.  "
                        "Corrupted file?\n");
  else if (std::memcmp(head, kSignature, sizeof head) == 0)
    scrambled = in->read(head, sizeof head) == sizeof head;

  // Read straight into the contents: room for the announced size is made at once, and the
  // array grows further only when the file has grown since.
  long held = start;
  if (size > 0)
    m_contents.getaddr(static_cast<int>(start + size - 1));
  for (;;) {
    if (held + kBlock > static_cast<long>(INT_MAX)) {
      m_contents.a_resetnum(start);
      return false;
    }
    if (held + static_cast<long>(kBlock) > length())
      m_contents.getaddr(static_cast<int>(held + kBlock - 1));
    const unsigned got = in->read(data() + held, kBlock);
    held += got;
    if (got == 0 || in->geteof())
      break;
  }
  const bool failed = in->geterror() != 0;
  m_contents.a_resetnum(static_cast<int>(failed ? start : held));
  if (failed)
    return false;
  if (scrambled)
    unscrambleRange(data() + start, held - start);
  return true;
}

bool UT_FILEENCODEIMP::dump(const char *name, bool scrambled) {
  if (!name)
    return false;
  FileReplace replace(name);
  StreamPtr out(Port_File::open(replace.writeName(), UT_STREAM::Write, 1));
  if (!out)
    return false;
  bool ok = true;
  const unsigned n = static_cast<unsigned>(length());
  if (!scrambled) {
    ok = out->write(data(), n) == n;
  } else {
    // Scrambled a chunk at a time into a buffer of its own, so the contents stay plain even
    // when writing fails half way.
    ok = out->write(kSignature, sizeof kSignature) == sizeof kSignature;
    std::unique_ptr<std::uint8_t[]> chunk(new std::uint8_t[kWriteChunk]);
    for (unsigned at = 0; ok && at < n; at += kWriteChunk) {
      const unsigned len = std::min(kWriteChunk, n - at);
      for (unsigned i = 0; i < len; ++i)
        chunk[i] = scramble(data()[at + i], static_cast<long>(at + i));
      ok = out->write(chunk.get(), len) == len;
    }
  }
  if (out->flush(true) != 0 || out->geterror() != 0)
    ok = false;
  if (!Port_File::close(out.release()))
    ok = false;
  return ok && replace.commit();
}

unsigned UT_FILEENCODEIMP::readline(char *buf, unsigned size) {
  if (m_eof || size == 0) {
    if (size > 0)
      buf[0] = '\0';
    return 0;
  }
  const int len = length();
  const std::uint8_t *from = data() + m_pos;
  const unsigned avail = static_cast<unsigned>(len - m_pos);
  const unsigned limit = std::min(size, avail);
  const void *lf = std::memchr(from, '\n', limit);
  unsigned copied =
      lf ? static_cast<unsigned>(static_cast<const std::uint8_t *>(lf) - from) + 1 : limit;
  std::memcpy(buf, from, copied);
  m_pos += static_cast<std::int32_t>(copied);
  unsigned result = copied;
  if (copied < size) {
    if (copied > 0 && buf[copied - 1] == '\n') {
      --copied;
      if (copied > 0 && buf[copied - 1] == '\r')
        --copied;
    }
    buf[copied] = '\0';
    result = copied;
  }
  if (m_pos >= len)
    m_eof = true;
  return result;
}

unsigned UT_FILEENCODEIMP::peek(char *buf, unsigned n) const {
  if (m_eof)
    return 0;
  const unsigned count = std::min(n, static_cast<unsigned>(length() - m_pos));
  std::memcpy(buf, data() + m_pos, count);
  return count;
}

unsigned UT_FILEENCODEIMP::readkey(char *buf, unsigned n, const char *delims) {
  const int len = length();
  if (m_eof || m_pos >= len || n == 0)
    return 0;
  unsigned copied = 0;
  while (copied < n && m_pos < len) {
    const char c = static_cast<char>(data()[m_pos++]);
    buf[copied++] = c;
    if (delims && c != '\0' && std::strchr(delims, c))
      break;
  }
  if (m_pos >= len)
    m_eof = true;
  return copied;
}

bool UT_FILEENCODEIMP::clip(long start, unsigned count, long *end) const {
  const long len = length();
  if (start < 0 || start >= len)
    return false;
  *end = count == 0 ? len : std::min(len, start + static_cast<long>(count));
  return true;
}

UT_FILEENCODE::UT_FILEENCODE() : m_imp(new UT_FILEENCODEIMP) {}
UT_FILEENCODE::UT_FILEENCODE(const UT_FILEENCODE &other)
    : m_imp(new UT_FILEENCODEIMP(*other.m_imp)) {}
UT_FILEENCODE &UT_FILEENCODE::operator=(const UT_FILEENCODE &other) {
  *m_imp = *other.m_imp;
  return *this;
}
UT_FILEENCODE::~UT_FILEENCODE() { delete m_imp; }

bool UT_FILEENCODE::load(char const *name) { return m_imp->load(name); }
bool UT_FILEENCODE::dump(char const *name, unsigned char scrambled) {
  return m_imp->dump(name, scrambled != 0);
}

void UT_FILEENCODE::writeline(char const *text) {
  const size_t n = text ? std::strlen(text) : 0;
  if (n == 0)
    return;
  m_imp->append(text, n);
  if (text[n - 1] != '\n')
    m_imp->append("\n", 1);
}

unsigned int UT_FILEENCODE::readline(char *buf, unsigned int size) {
  return m_imp->readline(buf, size);
}
unsigned int UT_FILEENCODE::peek(char *buf, unsigned int n) { return m_imp->peek(buf, n); }
unsigned int UT_FILEENCODE::readkey(char *buf, unsigned int n, char const *delims) {
  return m_imp->readkey(buf, n, delims);
}

bool UT_FILEENCODE::setfoffset(long pos) {
  // A position outside the contents would make the next read run outside them.
  if (pos < 0 || pos >= m_imp->length())
    return false;
  m_imp->m_pos = static_cast<std::int32_t>(pos);
  m_imp->m_eof = false;
  return true;
}

long UT_FILEENCODE::getfoffset() const { return m_imp->m_pos; }
bool UT_FILEENCODE::geteof() const { return m_imp->m_eof; }

bool UT_FILEENCODE::rewind() {
  m_imp->m_eof = false;
  if (m_imp->length() == 0)
    return false;
  m_imp->m_pos = 0;
  return true;
}

void UT_FILEENCODE::encodebuff(long start, unsigned int count) {
  long end;
  if (!m_imp->clip(start, count, &end))
    return;
  std::uint8_t *d = m_imp->data();
  for (long i = start; i < end; ++i)
    d[i] = scramble(d[i], i - start);
}

void UT_FILEENCODE::decodebuff(long start, unsigned int count) {
  long end;
  if (!m_imp->clip(start, count, &end))
    return;
  unscrambleRange(m_imp->data() + start, end - start);
}
