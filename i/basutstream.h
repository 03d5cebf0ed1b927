// basutstream.h - UT_STREAM: a buffered byte stream over one file descriptor, with text
// operations and binary values stored most significant byte first.
//
// Threads: a stream has no lock of its own and is used by one thread at a time (its buffer and
// position change with every call); distinct streams may be used in different threads. Opening
// and closing through Port_File register the stream in the open-file table, which is locked. The
// standard streams (Port_File::getCout and the like) are single shared objects, also unlocked.
#ifndef BASUTSTREAM_H
#define BASUTSTREAM_H

#include "Port_Export.h"

#include "Port_FileDesc.h"
#include "Port_StringBase.h"

#include <cstdint>
#include <ostream>

class UT_STREAMIMP;

class PORT_API UT_STREAM {
public:
  // Bit set; the field under VersionMask selects a compressed format for a new file.
  enum Access : unsigned {
    Read = 1,
    Write = 2,
    Append = 4,
    Compressed = 8,
    StartEmpty = 0x10000,
    VersionMask = 0xFFFFF0
  };
  static bool IsAccessSet(Access a, Access bits) { return (a & bits) == bits; }

  UT_STREAM(Port::FileDesc fd, Access access, int bufferSize);
  // Without a descriptor: Port_File::open(name, stream, truncate) attaches one later.
  UT_STREAM(Access access, int bufferSize);
  // Copies and assignments leave a stream without an implementation, which must not be used.
  UT_STREAM(const UT_STREAM &other);
  UT_STREAM &operator=(const UT_STREAM &other);
  virtual ~UT_STREAM();

  // Positioning and state.
  long getfoffset();
  bool setfoffset(long offset);
  bool seekstart();
  bool seekend();
  long getsize();
  long available();
  bool geteof();
  int geterror();
  void clearerror();
  Port::FileDesc getfid();
  bool isRandomAccess();
  void setRandomAccess(unsigned char on);
  bool is_access_compressed();
  bool is_compressed();
  char get_huf_version();
  char get_pak_version();
  int flush();
  int flush(bool quiet);

  // Raw bytes.
  unsigned read(unsigned char *buf, unsigned n);
  unsigned write(const unsigned char *buf, unsigned n);
  unsigned sread(unsigned char *buf, unsigned n);
  unsigned swrite(const unsigned char *buf, unsigned n);
  unsigned peek(unsigned char *buf, unsigned n);
  unsigned speek(unsigned char *buf, unsigned n);
  int skip(int n);

  // Binary values; a long is 4 bytes in a file.
  unsigned read(char &v);
  unsigned read(unsigned char &v);
  unsigned read(short &v);
  unsigned read(unsigned short &v);
  unsigned read(int &v);
  unsigned read(unsigned int &v);
  unsigned read(long &v);
  unsigned read(unsigned long &v);
  unsigned read(long long &v);
  unsigned read(unsigned long long &v);
  unsigned read(float &v);
  unsigned read(double &v);
  unsigned char readbyte();
  char readchar();
  short readshort();
  unsigned short readushort();
  int readint();
  unsigned int readuint();
  long readlong();
  unsigned long readulong();
  int8_t readint8();
  uint8_t readuint8();
  int16_t readint16();
  uint16_t readuint16();
  int32_t readint32();
  uint32_t readuint32();
  int64_t readint64();
  uint64_t readuint64();
  float readfloat();
  double readdouble();

  unsigned write(char v);
  unsigned write(unsigned char v);
  unsigned write(short v);
  unsigned write(unsigned short v);
  unsigned write(int v);
  unsigned write(unsigned int v);
  unsigned write(long v);
  unsigned write(unsigned long v);
  unsigned write(long long v);
  unsigned write(unsigned long long v);
  unsigned write(float v);
  unsigned write(double v);
  unsigned writebyte(unsigned char v);
  unsigned writechar(char v);
  unsigned writeshort(short v);
  unsigned writeushort(unsigned short v);
  unsigned writeint(int v);
  unsigned writeuint(unsigned int v);
  unsigned writelong(long v);
  unsigned writeulong(unsigned long v);
  unsigned writeint8(int8_t v);
  unsigned writeuint8(uint8_t v);
  unsigned writeint16(int16_t v);
  unsigned writeuint16(uint16_t v);
  unsigned writeint32(int32_t v);
  unsigned writeuint32(uint32_t v);
  unsigned writeint64(int64_t v);
  unsigned writeuint64(uint64_t v);
  unsigned writefloat(float v);
  unsigned writedouble(double v);

  // Text.
  UT_STREAM &operator<<(const char *text);
  UT_STREAM &operator<<(short v);
  UT_STREAM &operator<<(unsigned short v);
  UT_STREAM &operator<<(int v);
  UT_STREAM &operator<<(unsigned int v);
  UT_STREAM &operator<<(long v);
  UT_STREAM &operator<<(unsigned long v);
  UT_STREAM &operator<<(long long v);
  UT_STREAM &operator<<(unsigned long long v);
  UT_STREAM &operator<<(float v);
  UT_STREAM &operator<<(double v);
  UT_STREAM &operator<<(char v);
  UT_STREAM &operator<<(unsigned char v);
  UT_STREAM &operator<<(const void *v);
  UT_STREAM &operator<<(std::ostream &(*manip)(std::ostream &));
  UT_STREAM &operator<<(UT_STREAM &(*manip)(UT_STREAM &));
  static UT_STREAM &endl(UT_STREAM &s);
  static UT_STREAM &flush(UT_STREAM &s);

  unsigned writeline(const char *text);
  unsigned writewideline(const wchar_t *text);
  unsigned writestring(const char *text);
  unsigned writetoken(const char *text);

  // Reads until a character of key (stored and counted), at most size - 1 bytes; the text is
  // zero-terminated.
  unsigned readkey(unsigned char *buf, unsigned size, const char *key);
  unsigned peekkey(unsigned char *buf, unsigned size, const char *key);
  unsigned readstring(char *buf, int size);
  unsigned peekstring(char *buf, int size);
  bool readstring(Port::StringBase<char> *text);
  // One line without its line end (LF or CR LF); the count excludes the line end.
  unsigned readline(char *buf, int size);
  // True when a line end was read; a last line without one is stored and gives false.
  bool readline(Port::StringBase<char> *text);
  unsigned readtoken(char *buf, int size);
  bool readtoken(Port::StringBase<char> *text);

  UT_STREAMIMP *getImp() const { return m_imp; }

private:
  friend class UT_STREAMIMP;
  UT_STREAMIMP *m_imp;
};

inline UT_STREAM::Access operator|(UT_STREAM::Access a, UT_STREAM::Access b) {
  return static_cast<UT_STREAM::Access>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

#endif
