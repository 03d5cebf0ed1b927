// PortCompress.h - Port_Compress: self-describing deflate blocks, record files of such blocks and
// base64 text.
//
// A block is a 24-byte text header ("QmoV", version digits, 'E'/'D', 'M'/'B', two "%8x" sizes)
// followed by its payload: the zlib stream of the input, optionally enciphered (Encrypt) and
// optionally written as base64 text. A record file is a plain sequence of blocks.
//
// Threads: an object is not locked; use one per thread. The static operations share only the
// per-thread scratch ring: GetDataBuffer() hands out the calling thread's four buffers in turn, so
// a buffer (and the pointers GetFirstRecord/GetNextRecord return into it) stays valid until the
// same thread has taken four more.
#ifndef PORTCOMPRESS_H
#define PORTCOMPRESS_H

#include "Port_Export.h"

#include "Port_FileDesc.h"

#include <cstdint>

class Port_CompressCipher;

class PORT_API Port_Compress {
public:
  // Offsets of the two size fields in a header.
  enum { ZipHeaderUnCompressedOffset = 8, ZipHeaderCompressedOffset = 16 };
  static const char QUELMO_ZIP_HEADER[];
  static const unsigned char s_EncodeMap[128];
  static const unsigned char s_DecodeMap[128];

  Port_Compress();
  // Defaults, then init(this, data) when init is not null.
  Port_Compress(void (*init)(Port_Compress *, void *), void *data);
  Port_Compress(const Port_Compress &other);
  Port_Compress &operator=(const Port_Compress &other);
  virtual ~Port_Compress();

  // Cipher hooks: DES in CBC mode under the object's key, each call chained from the initial
  // vector; a last partial block is XOR-ed with the enciphered last chaining block, so the
  // length never changes.
  virtual void Encrypt(unsigned char *buf, unsigned int n);
  virtual void Decrypt(unsigned char *buf, unsigned int n);

  // Cipher state: 8 key bytes and 8 vector bytes, or 16 hexadecimal digits each. False for a
  // malformed text or a weak DES key (the state is then unchanged).
  bool SetKey(const unsigned char key[8]);
  bool SetKey(const char *hex16);
  bool SetIV(const unsigned char iv[8]);
  bool SetIV(const char *hex16);
  // Back to the built-in default key and vector.
  void ResetKey();

  void SetVersion(unsigned int major, unsigned int minor);
  unsigned int GetMajorVersion() const { return m_major; }
  unsigned int GetMinorVersion() const { return m_minor; }
  void SetCompressFlags(unsigned char encrypt, unsigned char mime) {
    m_encrypt = encrypt;
    m_mime = mime;
  }
  unsigned char GetEncryptFlag() const { return m_encrypt; }
  unsigned char GetMimeFlag() const { return m_mime; }

  // One block into obuf: its length (header + payload), or 0.
  unsigned int Compress(unsigned char *obuf, unsigned int obufsz, const unsigned char *ibuf,
                        unsigned int ibufsz);
  // The bytes restored from one block, or 0.
  unsigned int UnCompress(unsigned char *obuf, unsigned int obufsz, const unsigned char *ibuf,
                          unsigned int ibufsz);
  // Base64 without line breaks: characters written (a multiple of 4); a terminating zero follows
  // when there is room for it.
  unsigned int MimeEncode(unsigned char *obuf, unsigned int obufsz, const unsigned char *ibuf,
                          unsigned int ibufsz);
  // Decodes ibufsz characters (fewer when a zero byte comes first): bytes decoded.
  unsigned int MimeDecode(unsigned char *obuf, unsigned int obufsz, const unsigned char *ibuf,
                          unsigned int ibufsz);
  void MimeReset(const unsigned char *encode, const unsigned char *decode);
  void MimeReset();

  // Appends buf to fd as records of at most 64854 input bytes: the bytes written.
  unsigned int Write(Port::FileDesc fd, const unsigned char *buf, unsigned int n);
  // Reads records from the current position into buf: the bytes restored.
  unsigned int Read(Port::FileDesc fd, unsigned char *buf, unsigned int n);

  // Tests on a header in memory.
  static bool IsQuelmoZipFormat(const unsigned char *hdr);
  static bool IsMimeEncoded(const unsigned char *hdr);
  static bool IsEncrypted(const unsigned char *hdr);
  static unsigned int GetNumUnCompressedBytes(const unsigned char *hdr);
  static unsigned int GetNumCompressedBytes(const unsigned char *hdr);
  static unsigned int GetNumHeaderBytes() { return 24; }
  static unsigned int GetHeaderSize(const unsigned char *) { return 24; }
  static void GetVersion(const unsigned char *hdr, char *out);
  static void GetHeaderData(unsigned int major, unsigned int minor, unsigned char encrypt,
                            unsigned char mime, unsigned int usize, unsigned int psize,
                            unsigned char *out);
  static unsigned int GetSizeofCompressedBuffer(unsigned int n, unsigned char compress,
                                                unsigned char encrypt, unsigned char mime);
  static unsigned int GetSizeofUnCompressedBuffer(const unsigned char *buf, unsigned char isBlock,
                                                  unsigned char, unsigned char);
  static unsigned int GetDataBufferSize() { return 68648; }
  static unsigned char *GetDataBuffer();
  // "Port_Compress [revision] zlib [version of the linked zlib]"; built once.
  static const char *GetVersion();

  // Record files. 2 = a record, 1 = end of file, 0 = error.
  static int GetHeader(Port::FileDesc fd, unsigned char *buf, const char *label);
  // The payload hdr announces, into buf (room for GetDataBufferSize() - 24 bytes): its size, or
  // 0. A payload larger than that room is corrupt.
  static unsigned int GetData(Port::FileDesc fd, unsigned char *buf, const unsigned char *hdr,
                              const char *label);
  static int GetFirstRecord(Port::FileDesc fd, unsigned char *&hdr, unsigned char *&data);
  static int GetNextRecord(Port::FileDesc fd, unsigned char *&hdr, unsigned char *&data);
  // Records from the start, or 0xFFFFFFFF when a bad record stops the walk.
  static unsigned int GetNumRecords(Port::FileDesc fd);
  static unsigned int GetNumUnCompressedBytes(Port::FileDesc fd);
  static unsigned int GetNumCompressedBytes(Port::FileDesc fd);
  static void GetVersion(Port::FileDesc fd, char *out);
  static bool IsQuelmoZipFormat(Port::FileDesc fd, unsigned char rewind);
  static bool IsMimeEncoded(Port::FileDesc fd, unsigned char rewind);
  static bool IsEncrypted(Port::FileDesc fd, unsigned char rewind);

private:
  void setDefaults();
  void refreshCipher();

  unsigned char m_key[1024];
  uint32_t m_keyLength;
  uint32_t m_major;
  uint32_t m_minor;
  unsigned char m_iv[8];
  unsigned char m_encodeMap[128];
  unsigned char m_decodeMap[128];
  uint8_t m_encrypt;
  uint8_t m_mime;
  Port_CompressCipher *m_cipher;
};

#endif
