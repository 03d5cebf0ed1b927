// basutstream.cpp - UT_STREAM: the handle, typed binary values (most significant byte first)
// and text.
#include "basutstream.h"

#include "basutstreamimp.h"
#include "file/Port_FileImp.h"
#include "platform/mbcs.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

UT_STREAM::UT_STREAM(Port::FileDesc fd, Access access, int bufferSize)
    : m_imp(new UT_STREAMIMP(this, fd, access, bufferSize)) {
  m_imp->m_registered = true;
}

UT_STREAM::UT_STREAM(Access access, int bufferSize)
    : m_imp(new UT_STREAMIMP(this, Port::FileDesc(), access, bufferSize)) {}

UT_STREAM::UT_STREAM(const UT_STREAM &) : m_imp(nullptr) {}

UT_STREAM &UT_STREAM::operator=(const UT_STREAM &other) {
  if (this != &other) {
    UT_STREAM dying(*this);
    dying.m_imp = m_imp;
    if (m_imp)
      m_imp->m_owner = &dying;
    m_imp = nullptr;
  }
  return *this;
}

UT_STREAM::~UT_STREAM() {
  if (!m_imp)
    return;
  if (m_imp->m_registered) {
    // The table releases the entry, flushes and closes the descriptor; it never deletes a
    // stream that is being destroyed.
    m_imp->m_createdByTable = false;
    Port_FileImp::release(this);
  }
  m_imp->flush(true);
  m_imp->destroy_me();
  m_imp->m_fd = -1;
  delete m_imp;
}

long UT_STREAM::getfoffset() { return m_imp->getfoffset(); }
bool UT_STREAM::setfoffset(long offset) { return m_imp->setfoffset(offset); }
bool UT_STREAM::seekstart() {
  m_imp->m_eof = false;
  return m_imp->setfoffset(0);
}
bool UT_STREAM::seekend() { return m_imp->seekend(); }
// Known for record-codec files being read; -1 otherwise.
long UT_STREAM::getsize() { return m_imp->isWriteStream() ? -1 : m_imp->get_uncompressed_size(); }
long UT_STREAM::available() { return m_imp->isWriteStream() ? 0 : m_imp->m_filled - m_imp->m_pos; }
bool UT_STREAM::geteof() { return m_imp->m_eof; }
int UT_STREAM::geterror() { return m_imp->m_error; }
void UT_STREAM::clearerror() { m_imp->m_error = 0; }
Port::FileDesc UT_STREAM::getfid() { return m_imp->m_fd; }
bool UT_STREAM::isRandomAccess() { return m_imp->m_randomAccess; }
void UT_STREAM::setRandomAccess(unsigned char on) { m_imp->m_randomAccess = on != 0; }
bool UT_STREAM::is_access_compressed() { return m_imp->isCompressedAccess(); }
bool UT_STREAM::is_compressed() { return m_imp->get_mode() == UT_IO_DEVICE_COMPRESSED; }
char UT_STREAM::get_huf_version() { return m_imp->get_first_version(); }
char UT_STREAM::get_pak_version() { return m_imp->get_second_version(); }
int UT_STREAM::flush() { return m_imp->flush(false); }
int UT_STREAM::flush(bool quiet) { return m_imp->flush(quiet); }

unsigned UT_STREAM::read(unsigned char *buf, unsigned n) { return m_imp->read(buf, n); }
unsigned UT_STREAM::write(const unsigned char *buf, unsigned n) { return m_imp->write(buf, n); }
unsigned UT_STREAM::sread(unsigned char *buf, unsigned n) { return m_imp->sread(buf, n); }
unsigned UT_STREAM::swrite(const unsigned char *buf, unsigned n) { return m_imp->swrite(buf, n); }
unsigned UT_STREAM::peek(unsigned char *buf, unsigned n) { return m_imp->peek(buf, n); }
unsigned UT_STREAM::speek(unsigned char *buf, unsigned n) {
  unsigned got = m_imp->peek(buf, n);
  for (unsigned i = 0; i < got / 2; ++i)
    std::swap(buf[i], buf[got - 1 - i]);
  return got;
}
int UT_STREAM::skip(int n) { return m_imp->skip(n); }

// ---------------------------------------------------------------------------------------------
// Binary values: the bytes of the value in the file are most significant first. A value that
// is not read completely keeps zeros in its missing bytes.

namespace {
template <class T> T readValue(UT_STREAMIMP *imp) {
  T v = 0;
  imp->sread(reinterpret_cast<unsigned char *>(&v), sizeof v);
  return v;
}
template <class T> unsigned writeValue(UT_STREAMIMP *imp, T v) {
  return imp->swrite(reinterpret_cast<const unsigned char *>(&v), sizeof v);
}
// Into v, counting the bytes read; File is the value's type in the file (a long is 32 bits).
template <class File, class T> unsigned readInto(UT_STREAM &s, T &v) {
  File w = 0;
  const unsigned n = s.sread(reinterpret_cast<unsigned char *>(&w), sizeof w);
  v = w;
  return n;
}
} // namespace

unsigned UT_STREAM::read(char &v) { return read(reinterpret_cast<unsigned char *>(&v), 1); }
unsigned UT_STREAM::read(unsigned char &v) { return read(&v, 1); }
unsigned UT_STREAM::read(short &v) { return readInto<short>(*this, v); }
unsigned UT_STREAM::read(unsigned short &v) { return readInto<unsigned short>(*this, v); }
unsigned UT_STREAM::read(int &v) { return readInto<int>(*this, v); }
unsigned UT_STREAM::read(unsigned int &v) { return readInto<unsigned int>(*this, v); }
unsigned UT_STREAM::read(long &v) { return readInto<int32_t>(*this, v); }
unsigned UT_STREAM::read(unsigned long &v) { return readInto<uint32_t>(*this, v); }
unsigned UT_STREAM::read(long long &v) { return readInto<long long>(*this, v); }
unsigned UT_STREAM::read(unsigned long long &v) { return readInto<unsigned long long>(*this, v); }
unsigned UT_STREAM::read(float &v) { return readInto<float>(*this, v); }
unsigned UT_STREAM::read(double &v) { return readInto<double>(*this, v); }

unsigned char UT_STREAM::readbyte() { return readValue<unsigned char>(m_imp); }
char UT_STREAM::readchar() { return readValue<char>(m_imp); }
short UT_STREAM::readshort() { return readValue<int16_t>(m_imp); }
unsigned short UT_STREAM::readushort() { return readValue<uint16_t>(m_imp); }
int UT_STREAM::readint() { return readValue<int32_t>(m_imp); }
unsigned int UT_STREAM::readuint() { return readValue<uint32_t>(m_imp); }
long UT_STREAM::readlong() { return readValue<int32_t>(m_imp); }
unsigned long UT_STREAM::readulong() { return readValue<uint32_t>(m_imp); }
int8_t UT_STREAM::readint8() { return readValue<int8_t>(m_imp); }
uint8_t UT_STREAM::readuint8() { return readValue<uint8_t>(m_imp); }
int16_t UT_STREAM::readint16() { return readValue<int16_t>(m_imp); }
uint16_t UT_STREAM::readuint16() { return readValue<uint16_t>(m_imp); }
int32_t UT_STREAM::readint32() { return readValue<int32_t>(m_imp); }
uint32_t UT_STREAM::readuint32() { return readValue<uint32_t>(m_imp); }
int64_t UT_STREAM::readint64() { return readValue<int64_t>(m_imp); }
uint64_t UT_STREAM::readuint64() { return readValue<uint64_t>(m_imp); }
float UT_STREAM::readfloat() {
  float v;
  read(v);
  return v;
}
double UT_STREAM::readdouble() {
  double v;
  read(v);
  return v;
}

unsigned UT_STREAM::write(char v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::write(unsigned char v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::write(short v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::write(unsigned short v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::write(int v) { return writeValue(m_imp, static_cast<int32_t>(v)); }
unsigned UT_STREAM::write(unsigned int v) { return writeValue(m_imp, static_cast<uint32_t>(v)); }
unsigned UT_STREAM::write(long v) { return writeValue(m_imp, static_cast<int32_t>(v)); }
unsigned UT_STREAM::write(unsigned long v) { return writeValue(m_imp, static_cast<uint32_t>(v)); }
unsigned UT_STREAM::write(long long v) { return writeValue(m_imp, static_cast<int64_t>(v)); }
unsigned UT_STREAM::write(unsigned long long v) {
  return writeValue(m_imp, static_cast<uint64_t>(v));
}
unsigned UT_STREAM::write(float v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::write(double v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::writebyte(unsigned char v) { return write(v); }
unsigned UT_STREAM::writechar(char v) { return write(v); }
unsigned UT_STREAM::writeshort(short v) { return write(v); }
unsigned UT_STREAM::writeushort(unsigned short v) { return write(v); }
unsigned UT_STREAM::writeint(int v) { return write(v); }
unsigned UT_STREAM::writeuint(unsigned int v) { return write(v); }
unsigned UT_STREAM::writelong(long v) { return write(v); }
unsigned UT_STREAM::writeulong(unsigned long v) { return write(v); }
unsigned UT_STREAM::writeint8(int8_t v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::writeuint8(uint8_t v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::writeint16(int16_t v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::writeuint16(uint16_t v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::writeint32(int32_t v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::writeuint32(uint32_t v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::writeint64(int64_t v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::writeuint64(uint64_t v) { return writeValue(m_imp, v); }
unsigned UT_STREAM::writefloat(float v) { return write(v); }
unsigned UT_STREAM::writedouble(double v) { return write(v); }

// ---------------------------------------------------------------------------------------------
// Text

namespace {
// Writes text; on a binary descriptor every line feed is preceded by a carriage return.
unsigned writeText(UT_STREAMIMP *imp, const char *text, size_t n) {
  if (!text)
    return 0;
  if (!imp->m_binary)
    return imp->write(reinterpret_cast<const unsigned char *>(text), static_cast<unsigned>(n));
  unsigned done = 0;
  const char *end = text + n;
  while (text < end) {
    const char *lf = static_cast<const char *>(std::memchr(text, '\n', end - text));
    const char *stop = lf ? lf : end;
    done += imp->write(reinterpret_cast<const unsigned char *>(text),
                       static_cast<unsigned>(stop - text));
    if (!lf)
      break;
    static const unsigned char crlf[2] = {'\r', '\n'};
    done += imp->write(crlf, 2);
    text = lf + 1;
  }
  return done;
}

UT_STREAM &format(UT_STREAM &s, const char *fmt, ...) __attribute__((format(printf, 2, 3)));
UT_STREAM &format(UT_STREAM &s, const char *fmt, ...) {
  char buf[64];
  va_list args;
  va_start(args, fmt);
  int n = std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  if (n > 0)
    writeText(s.getImp(), buf, static_cast<size_t>(n));
  return s;
}
} // namespace

UT_STREAM &UT_STREAM::operator<<(const char *text) {
  if (text)
    writeText(m_imp, text, std::strlen(text));
  return *this;
}
UT_STREAM &UT_STREAM::operator<<(short v) { return format(*this, "%hd", v); }
UT_STREAM &UT_STREAM::operator<<(unsigned short v) { return format(*this, "%hu", v); }
UT_STREAM &UT_STREAM::operator<<(int v) { return format(*this, "%d", v); }
UT_STREAM &UT_STREAM::operator<<(unsigned int v) { return format(*this, "%u", v); }
UT_STREAM &UT_STREAM::operator<<(long v) { return format(*this, "%ld", v); }
UT_STREAM &UT_STREAM::operator<<(unsigned long v) { return format(*this, "%lu", v); }
UT_STREAM &UT_STREAM::operator<<(long long v) { return format(*this, "%lld", v); }
UT_STREAM &UT_STREAM::operator<<(unsigned long long v) { return format(*this, "%llu", v); }
UT_STREAM &UT_STREAM::operator<<(float v) { return format(*this, "%g", static_cast<double>(v)); }
UT_STREAM &UT_STREAM::operator<<(double v) { return format(*this, "%g", v); }
UT_STREAM &UT_STREAM::operator<<(char v) { return format(*this, "%c", v); }
UT_STREAM &UT_STREAM::operator<<(unsigned char v) { return format(*this, "%c", v); }
UT_STREAM &UT_STREAM::operator<<(const void *v) {
  return format(*this, "%lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(v)));
}
UT_STREAM &UT_STREAM::operator<<(std::ostream &(*)(std::ostream &)) { return endl(*this); }
UT_STREAM &UT_STREAM::operator<<(UT_STREAM &(*manip)(UT_STREAM &)) { return manip(*this); }
UT_STREAM &UT_STREAM::endl(UT_STREAM &s) {
  s.writeline("");
  s.flush();
  return s;
}
UT_STREAM &UT_STREAM::flush(UT_STREAM &s) {
  s.flush();
  return s;
}

unsigned UT_STREAM::writeline(const char *text) {
  unsigned n = text ? write(reinterpret_cast<const unsigned char *>(text),
                            static_cast<unsigned>(std::strlen(text)))
                    : 0;
  static const unsigned char crlf[2] = {'\r', '\n'};
  return n + (m_imp->m_binary ? write(crlf, 2) : write(crlf + 1, 1));
}

unsigned UT_STREAM::writewideline(const wchar_t *text) {
  std::string mb = text ? platform::wideToMultibyte(text) : std::string();
  return writeline(mb.c_str());
}

unsigned UT_STREAM::writestring(const char *text) {
  if (!text)
    text = "";
  return write(reinterpret_cast<const unsigned char *>(text),
               static_cast<unsigned>(std::strlen(text) + 1));
}

unsigned UT_STREAM::writetoken(const char *text) {
  unsigned n = text ? write(reinterpret_cast<const unsigned char *>(text),
                            static_cast<unsigned>(std::strlen(text)))
                    : 0;
  static const unsigned char blank = ' ';
  return n + write(&blank, 1);
}

unsigned UT_STREAM::readkey(unsigned char *buf, unsigned size, const char *key) {
  bool ended;
  return m_imp->readUntil(buf, size, KeyStop{key ? key : ""}, false, &ended);
}

unsigned UT_STREAM::peekkey(unsigned char *buf, unsigned size, const char *key) {
  bool ended;
  return m_imp->readUntil(buf, size, KeyStop{key ? key : ""}, true, &ended);
}

namespace {
// Up to a zero byte into buf of size bytes (nothing for a size of 0 or less), consumed or peeked.
unsigned untilZero(UT_STREAMIMP *imp, char *buf, int size, bool peek) {
  bool ended;
  if (size <= 0)
    return 0;
  return imp->readUntil(reinterpret_cast<unsigned char *>(buf), static_cast<unsigned>(size),
                        ZeroStop{}, peek, &ended);
}
} // namespace

unsigned UT_STREAM::readstring(char *buf, int size) { return untilZero(m_imp, buf, size, false); }

unsigned UT_STREAM::peekstring(char *buf, int size) { return untilZero(m_imp, buf, size, true); }

bool UT_STREAM::readstring(Port::StringBase<char> *text) {
  if (!text)
    return false;
  text->Empty();
  return m_imp->appendUntil(text, ZeroStop{}) >= 0;
}

namespace {
// One piece of a line: reads up to a line feed; drops LF or CR LF; a CR that filled the piece
// is checked against the next byte. *ended tells whether the line end was consumed.
unsigned readLinePiece(UT_STREAMIMP *imp, char *buf, int size, bool *ended) {
  *ended = false;
  if (!buf || size <= 0)
    return 0;
  unsigned n = imp->readUntil(reinterpret_cast<unsigned char *>(buf), static_cast<unsigned>(size),
                              KeyStop{"\n"}, false, ended);
  if (*ended) {
    --n;
    if (n > 0 && buf[n - 1] == '\r')
      --n;
    buf[n] = 0;
    return n;
  }
  if (n > 0 && buf[n - 1] == '\r') {
    unsigned char next;
    if (imp->peek(&next, 1) == 1 && next == '\n') {
      imp->read(&next, 1);
      --n;
      buf[n] = 0;
      *ended = true;
    }
  }
  return n;
}
} // namespace

unsigned UT_STREAM::readline(char *buf, int size) {
  bool ended;
  return readLinePiece(m_imp, buf, size, &ended);
}

bool UT_STREAM::readline(Port::StringBase<char> *text) {
  if (!text)
    return false;
  // Most lines lie whole in the buffer: the text is set once, without its line end.
  if (m_imp->m_pos < m_imp->m_filled) {
    const unsigned char *from = m_imp->m_buf + m_imp->m_pos;
    const size_t avail = static_cast<size_t>(m_imp->m_filled - m_imp->m_pos);
    if (const void *hit = std::memchr(from, '\n', avail)) {
      const size_t at = static_cast<size_t>(static_cast<const unsigned char *>(hit) - from);
      const size_t length = at > 0 && from[at - 1] == '\r' ? at - 1 : at;
      text->Assign(reinterpret_cast<const char *>(from), static_cast<unsigned>(length));
      m_imp->m_pos += static_cast<int32_t>(at + 1);
      return true;
    }
  }
  text->Empty();
  if (m_imp->appendUntil(text, KeyStop{"\n"}) < 0)
    return false;
  const unsigned n = text->GetLength();
  if (n > 0 && text->GetBuffer()[n - 1] == '\r')
    text->Truncate(n - 1);
  return true;
}

namespace {
void skipBlanks(UT_STREAMIMP *imp) { imp->skipWhile(NonBlank{}); }

// After a token that ended in a carriage return, a following line feed belongs to it.
void eatLineFeed(UT_STREAMIMP *imp) {
  unsigned char c;
  if (imp->peek(&c, 1) == 1 && c == '\n')
    imp->read(&c, 1);
}
} // namespace

unsigned UT_STREAM::readtoken(char *buf, int size) {
  if (!buf || size <= 0)
    return 0;
  skipBlanks(m_imp);
  bool ended;
  unsigned n = m_imp->readUntil(reinterpret_cast<unsigned char *>(buf), static_cast<unsigned>(size),
                                TokenStop{}, false, &ended);
  if (ended) {
    if (buf[n - 1] == '\r')
      eatLineFeed(m_imp);
    buf[--n] = 0;
  }
  return n;
}

bool UT_STREAM::readtoken(Port::StringBase<char> *text) {
  if (!text)
    return false;
  text->Empty();
  skipBlanks(m_imp);
  const int stop = m_imp->appendUntil(text, TokenStop{});
  if (stop == '\r')
    eatLineFeed(m_imp);
  return stop >= 0 || !text->IsEmpty();
}

// ---------------------------------------------------------------------------------------------
// The shared string's line reading from a stream

template <> bool Port::StringBase<char>::ReadLine(UT_STREAM *in) {
  if (!in || !in->getImp()) {
    *this = "";
    return false;
  }
  // readline tells whether a line end was read; a last line without one is a line all the same,
  // as for the istream form, so that a read loop never drops it.
  return in->readline(this) || GetLength() > 0;
}

template <> bool Port::StringBase<wchar_t>::ReadLine(UT_STREAM *in) {
  Port::StringBase<char> line;
  const bool ended = line.ReadLine(in);
  *this = platform::multibyteToWide(line.GetBuffer(), line.GetLength()).c_str();
  return ended;
}
