// basutstreamimp.h - UT_STREAMIMP: the buffer, state and raw input and output of a UT_STREAM.
//
// The buffer holds, when reading, the file bytes [base - filled, base) with the next byte at
// position; when writing, the bytes [base, base + position) not yet handed to the device.
#ifndef BASUTSTREAMIMP_H
#define BASUTSTREAMIMP_H

#include "basutio.h"
#include "basutstream.h"

#include <cstdint>
#include <cstring>

// Stop conditions of UT_STREAMIMP::readUntil and appendUntil: a character of a key, the zero
// byte, the end of a token. scan() gives the index of the first stopping byte of p[0..n), or n.
struct KeyStop {
  // One bit per byte value; a one-character key is searched with memchr.
  uint64_t set[4] = {0, 0, 0, 0};
  int single = -1;
  explicit KeyStop(const char *key) {
    for (const char *k = key; *k; ++k) {
      const unsigned char c = static_cast<unsigned char>(*k);
      set[c >> 6] |= uint64_t(1) << (c & 63);
    }
    if (key[0] && !key[1])
      single = static_cast<unsigned char>(key[0]);
  }
  bool operator()(unsigned char c) const { return (set[c >> 6] >> (c & 63)) & 1; }
  size_t scan(const unsigned char *p, size_t n) const {
    if (single >= 0) {
      const void *hit = std::memchr(p, single, n);
      return hit ? static_cast<const unsigned char *>(hit) - p : n;
    }
    for (size_t i = 0; i < n; ++i)
      if ((*this)(p[i]))
        return i;
    return n;
  }
};
struct ZeroStop {
  bool operator()(unsigned char c) const { return c == 0; }
  size_t scan(const unsigned char *p, size_t n) const {
    const void *hit = std::memchr(p, 0, n);
    return hit ? static_cast<const unsigned char *>(hit) - p : n;
  }
};
// The token ends are all below '!': eight bytes at a time are tested for such a byte, and only
// a word holding one is looked at byte by byte.
inline bool hasByteBelowBang(const unsigned char *p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return ((w - 0x2121212121212121ULL) & ~w & 0x8080808080808080ULL) != 0;
}
struct TokenStop {
  bool operator()(unsigned char c) const {
    return c == 0 || c == '\t' || c == '\n' || c == '\r' || c == ' ';
  }
  size_t scan(const unsigned char *p, size_t n) const {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      if (!hasByteBelowBang(p + i))
        continue;
      for (size_t j = i; j < i + 8; ++j)
        if ((*this)(p[j]))
          return j;
    }
    for (; i < n; ++i)
      if ((*this)(p[i]))
        return i;
    return n;
  }
};
// Blanks between tokens; scan() gives the index of the first byte that is not one.
struct NonBlank {
  static bool blank(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
  size_t scan(const unsigned char *p, size_t n) const {
    size_t i = 0;
    while (i < n && blank(p[i]))
      ++i;
    return i;
  }
};

class UT_STREAMIMP : public UT_IO_DEVICE {
public:
  UT_STREAMIMP(UT_STREAM *owner, Port::FileDesc fd, UT_STREAM::Access access, int bufferSize);
  ~UT_STREAMIMP() override;

  int get_rawdata(unsigned char *buf, unsigned n) override;
  int set_rawdata(unsigned char *buf, unsigned n) override;
  long set_rawoffset(long offset) override;
  long get_rawoffset() override;
  Port::FileDesc get_rawfd() override { return m_fd; }
  bool writes_data() const override { return isWriteStream(); }

  bool isWriteStream() const { return (m_access & (UT_STREAM::Write | UT_STREAM::Append)) != 0; }
  bool isCompressedAccess() const { return (m_access & UT_STREAM::Compressed) != 0; }

  // Attaches a descriptor (Port_File::open with a caller's stream).
  void attach(Port::FileDesc fd, UT_STREAM::Access access);
  void setAccess(UT_STREAM::Access access);
  void setBufferSize(int size);
  // After opening a compressed file: a read stream starts behind the classic header (its data
  // at offset 0 for the record codec); a write stream starts its compressed data (the classic
  // header for a new file) and extends a record file at its end.
  void prepareCompressed();

  long getfoffset() const { return isWriteStream() ? m_base + m_pos : m_base - (m_filled - m_pos); }
  bool setfoffset(long offset);
  bool seekend();
  int flush(bool quiet);
  int loadbuf();

  // The buffer is only ever filled by reading, so bytes in it mean a read stream.
  unsigned read(unsigned char *buf, unsigned n) {
    const int32_t avail = m_filled - m_pos;
    if (avail > 0 && static_cast<unsigned>(avail) >= n) {
      if (n == 1)
        *buf = m_buf[m_pos];
      else
        std::memcpy(buf, m_buf + m_pos, n);
      m_pos += static_cast<int32_t>(n);
      return n;
    }
    return readSlow(buf, n);
  }
  unsigned write(const unsigned char *buf, unsigned n) {
    if (static_cast<unsigned>(m_bufSize - m_pos) > n && m_error != 28 && isWriteStream()) {
      if (n == 1)
        m_buf[m_pos] = *buf;
      else
        std::memcpy(m_buf + m_pos, buf, n);
      m_pos += static_cast<int32_t>(n);
      return n;
    }
    return writeSlow(buf, n);
  }
  unsigned sread(unsigned char *buf, unsigned n);
  unsigned swrite(const unsigned char *buf, unsigned n);
  // Makes at least n bytes (at most the buffer size) available without moving; the number
  // available.
  unsigned fillForPeek(unsigned n);
  unsigned peek(unsigned char *buf, unsigned n);
  int skip(int n);
  // Reads up to size - 1 bytes, stopping after a byte for which stop() is true; *ended tells
  // whether such a byte ended the text. With peek the position does not move.
  template <class Stop>
  unsigned readUntil(unsigned char *buf, unsigned size, Stop stop, bool peek, bool *ended);
  // Appends to text the bytes before the first stopping byte, straight from the buffer; that
  // byte is consumed but not appended. It is returned, or -1 when the data ended first.
  template <class Stop> int appendUntil(Port::StringBase<char> *text, Stop stop);
  // Moves past the bytes scan() passes over (blanks); false when the data ended first.
  template <class Skip> bool skipWhile(Skip skip);

  UT_STREAM *m_owner;
  Port::FileDesc m_fd;
  long m_base; // a long, so that files beyond 2 GiB keep their offsets
  UT_STREAM::Access m_access;
  bool m_eof;
  bool m_lastBlock;
  int32_t m_pos;
  int32_t m_filled;
  int32_t m_bufSize;
  unsigned char *m_buf;
  int32_t m_error;
  int32_t m_headerSize;
  bool m_registered;
  bool m_createdByTable;
  bool m_randomAccess;
  bool m_binary;

private:
  unsigned readSlow(unsigned char *buf, unsigned n);
  unsigned writeSlow(const unsigned char *buf, unsigned n);
  void reportWriteError();
  int syncRecords();
};

extern template unsigned UT_STREAMIMP::readUntil<KeyStop>(unsigned char *, unsigned, KeyStop, bool,
                                                          bool *);
extern template unsigned UT_STREAMIMP::readUntil<ZeroStop>(unsigned char *, unsigned, ZeroStop,
                                                           bool, bool *);
extern template unsigned UT_STREAMIMP::readUntil<TokenStop>(unsigned char *, unsigned, TokenStop,
                                                            bool, bool *);
extern template int UT_STREAMIMP::appendUntil<KeyStop>(Port::StringBase<char> *, KeyStop);
extern template int UT_STREAMIMP::appendUntil<ZeroStop>(Port::StringBase<char> *, ZeroStop);
extern template int UT_STREAMIMP::appendUntil<TokenStop>(Port::StringBase<char> *, TokenStop);
extern template bool UT_STREAMIMP::skipWhile<NonBlank>(NonBlank);

#endif
