// basutio.h - UT_IO_DEVICE: the layer between a buffered stream and its file. In raw mode bytes
// pass through unchanged; the compressed mode is recognised but its codecs are not part of this
// build, so a compressed device refuses to move data (get_data/set_data give -1).
#ifndef BASUTIO_H
#define BASUTIO_H

#include "Port_FileDesc.h"

#include <cstdint>

class UTPAK_DATA;
class Port_CompressMap;

enum UT_IO_DEVICE_MODE { UT_IO_DEVICE_COMPRESSED = 0, UT_IO_DEVICE_RAW = 1 };

class UT_IO_DEVICE {
public:
  explicit UT_IO_DEVICE(UT_IO_DEVICE_MODE mode);
  UT_IO_DEVICE(const UT_IO_DEVICE &) = delete;
  UT_IO_DEVICE &operator=(const UT_IO_DEVICE &) = delete;
  virtual ~UT_IO_DEVICE();
  virtual int get_rawdata(unsigned char *buf, unsigned n) = 0;
  virtual int set_rawdata(unsigned char *buf, unsigned n) = 0;
  virtual long set_rawoffset(long offset) = 0;
  virtual long get_rawoffset() = 0;

  // Bytes read (0 at the end) or written, -1 on failure.
  int get_data(unsigned char *buf, unsigned n);
  int set_data(unsigned char *buf, unsigned n);
  // -1 moves to the end; the offset reached, or -1.
  long set_offset(long offset);
  long get_offset();

  // Classic compressed file: the 7 signature bytes, then the first and second format
  // characters. On success the descriptor stands after the 9-byte header; otherwise at 0.
  static bool iscompressed(Port::FileDesc fd, char &second, char &first);
  bool write_version(Port::FileDesc fd);
  bool read_version(Port::FileDesc fd);
  void destroy_me();

  static void DisableNewCompression();
  static void EnableNewCompression();
  static bool NewCompressionIsTheDefault();

  static const unsigned char Signature[7];

  UT_IO_DEVICE_MODE get_mode() const { return m_mode; }
  void set_mode(UT_IO_DEVICE_MODE mode) { m_mode = mode; }
  char get_first_version() const { return m_firstVersion; }
  char get_second_version() const { return m_secondVersion; }
  void set_versions(char first, char second) {
    m_firstVersion = first;
    m_secondVersion = second;
  }
  bool uses_new_codec() const { return m_newCodec; }

protected:
  UT_IO_DEVICE_MODE m_mode;
  UTPAK_DATA *m_packer;
  int32_t m_position;
  char m_secondVersion;
  char m_firstVersion;
  bool m_newCodec;
  Port_CompressMap *m_reader;
};

#endif
