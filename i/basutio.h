// basutio.h - UT_IO_DEVICE: the layer between a buffered stream and its file. In raw mode bytes
// pass through unchanged; in compressed mode they are packed and unpacked by the codec that the
// file's two format characters name: first character '3', '4' or '8' the record codec
// (Port_Compress records, read through Port_CompressMap), anything else the classic codec
// (UTPAK_DATA behind the 9-byte signature header).
//
// Threads: the process default (Disable/EnableNewCompression) is locked; a device belongs to one
// stream and is used by one thread at a time. A long record-codec stream compresses or expands
// its records on a few worker threads of its own, which destroy_me stops.
#ifndef BASUTIO_H
#define BASUTIO_H

#include "Port_Export.h"

#include "Port_FileDesc.h"

#include <cstdint>

class UTPAK_DATA;
class Port_CompressMap;
class Port_Compress;

enum UT_IO_DEVICE_MODE { UT_IO_DEVICE_COMPRESSED = 0, UT_IO_DEVICE_RAW = 1 };

class PORT_API UT_IO_DEVICE {
public:
  explicit UT_IO_DEVICE(UT_IO_DEVICE_MODE mode);
  UT_IO_DEVICE(const UT_IO_DEVICE &) = delete;
  UT_IO_DEVICE &operator=(const UT_IO_DEVICE &) = delete;
  virtual ~UT_IO_DEVICE();
  virtual int get_rawdata(unsigned char *buf, unsigned n) = 0;
  virtual int set_rawdata(unsigned char *buf, unsigned n) = 0;
  virtual long set_rawoffset(long offset) = 0;
  virtual long get_rawoffset() = 0;
  // The descriptor the raw operations use; the record codec reads its records through it.
  virtual Port::FileDesc get_rawfd() = 0;
  // True for a device that writes (its data is packed, not unpacked).
  virtual bool writes_data() const = 0;

  // Bytes read (0 at the end) or written, -1 on failure.
  int get_data(unsigned char *buf, unsigned n);
  int set_data(unsigned char *buf, unsigned n);
  // -1 moves to the end; the offset reached, or -1.
  long set_offset(long offset);
  long get_offset();

  // A record file (its first 24 bytes a recognised record header: the characters are its
  // version digits, the descriptor is left at 0), or a classic compressed file (the 7 signature
  // bytes, then the first and second format characters: the descriptor stands after the 9-byte
  // header). Otherwise false with the descriptor at 0.
  static bool iscompressed(Port::FileDesc fd, char &second, char &first);
  bool write_version(Port::FileDesc fd);
  bool read_version(Port::FileDesc fd);
  void destroy_me();
  // Writes every record still being compressed; 0, or -1 with errno set by the failing write.
  int sync_data();
  // The worker threads of the record codec: a long record-codec stream compresses several
  // records at once, in the order written. 1 forces single-thread operation; 0 restores the
  // automatic count (the hardware's, at most 8).
  static void SetRecordThreads(unsigned n);

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
  void set_new_codec(bool on) { m_newCodec = on; }
  // A first format character of the record codec's family ('3', '4', '8').
  static bool is_new_format(char first) { return first == '3' || first == '4' || first == '8'; }
  // The uncompressed size of a record-codec file, -1 when not known (raw or classic).
  long get_uncompressed_size();

protected:
  UT_IO_DEVICE_MODE m_mode;
  UTPAK_DATA *m_packer;
  int32_t m_position;
  char m_secondVersion;
  char m_firstVersion;
  bool m_newCodec;
  Port_CompressMap *m_reader;
  // Record codec, writing: the compressor set up for the file's format.
  Port_Compress *m_writer;
  // Record codec, writing: records handed so far, and the workers once the stream is long.
  struct RecordWork;
  unsigned m_recordsHanded;
  RecordWork *m_work;
  // Record codec, reading: records expanded ahead by the workers on a long sequential read.
  struct ReadAhead;
  ReadAhead *m_ahead;

private:
  bool readsNewFormat() const;
  bool makePacker();
  Port_CompressMap *reader();
  int setNewData(unsigned char *buf, unsigned n);
  bool writeRecord(const unsigned char *block, unsigned length);
  void writeMadeRecord(const unsigned char *block, unsigned length);
  int readAhead(unsigned char *buf, unsigned n);
  int getClassicData(unsigned char *buf, unsigned n);
  int setClassicData(unsigned char *buf, unsigned n);
  long setClassicOffset(long offset);
};

#endif
