// PortCompress.cpp - Port_Compress: deflate blocks with a text header, record files, base64.
//
// Block format (all header bytes printable; a reader clears the top bit of each header byte):
//
//   offset size content
//   0      4    "QmoV"
//   4      1    '0' + major version (3 for the record codec; 8 with minor 0 also recognised)
//   5      1    '0' + minor version
//   6      1    'E' payload enciphered (Encrypt), else 'D'
//   7      1    'M' payload is base64 text, else 'B' binary
//   8      8    uncompressed size, "%8x": lower-case hexadecimal, right-aligned, blank-padded
//   16     8    payload size (bytes after the header), same form
//   24     n    payload: a zlib stream (RFC 1950) of the input; when 'E' its bytes are
//               enciphered in place (same length); when 'M' the (enciphered) stream is written as
//               base64 (RFC 2045 alphabet, "=" padding, no line breaks), at most 48882 bytes of
//               zlib data
//
// Any zlib stream reads. Blocks are made by libdeflate at level 6, which over text is a little
// smaller than zlib at level 9 and several times faster; when its output does not fit the room
// given, zlib's compress2 at level 9 makes the block instead. Blocks are read by libdeflate, and
// a stream it refuses is handed to zlib's uncompress, so damaged or unusual streams get exactly
// zlib's verdict and report.
//
// A size field is read by dropping its blanks and taking the leading hexadecimal digits (none:
// 0). A record file is a sequence of blocks with nothing between or after them; Write cuts its
// input into chunks of at most 64854 bytes, whose worst-case block fits one 68648-byte buffer.
//
// Cipher: DES (FIPS 46) in CBC mode with a 64-bit key and initial vector. Every Encrypt/Decrypt
// call is chained from the vector afresh, so each block deciphers on its own. A last partial
// block of k < 8 bytes is XOR-ed with the first k bytes of DES(last chaining block), which keeps
// the payload length.
#include "PortCompress.h"

#include "Port_MsgManData.h"
#include "Port_Thr.h"

#include "msg/deferredlibs.h"
#include "msg/libreport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace {
const char *const kRevision = "$Revision: 1.1 $";
const unsigned kHeaderSize = 24;
const unsigned kMaxChunk = 64854;
const unsigned kMaxMimeDeflate = 48882;
const unsigned kRingSize = 4;
const int kDeflateLevel = 6;
// The cipher state every object starts with.
const char *const kDefaultKey = "5E2A91C4D7B3068F";
const char *const kDefaultIV = "C3A5F00F5AA53CC3";

const LibraryReport report(__FILE__, kRevision);

// A thread's scratch: the ring of data buffers, and libdeflate's coders, which are costly to
// make and may not be shared between threads; they are made on first use.
struct Port_CompressRingBuf {
  unsigned char *buffers[kRingSize];
  int32_t next = 0;
  struct FreeCompressor {
    void operator()(libdeflate_compressor *c) const {
      deferred::libdeflate().libdeflate_free_compressor(c);
    }
  };
  struct FreeDecompressor {
    void operator()(libdeflate_decompressor *d) const {
      deferred::libdeflate().libdeflate_free_decompressor(d);
    }
  };
  std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor;
  std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor;
  Port_CompressRingBuf() {
    for (unsigned char *&b : buffers)
      b = new unsigned char[Port_Compress::GetDataBufferSize()]();
  }
  ~Port_CompressRingBuf() {
    for (unsigned char *b : buffers)
      delete[] b;
  }
  Port_CompressRingBuf(const Port_CompressRingBuf &) = delete;
  Port_CompressRingBuf &operator=(const Port_CompressRingBuf &) = delete;
};

// The per-thread slot, made once; each thread's ring is freed when the thread ends.
Port_ThrThreadData<Port_CompressRingBuf *> &dataKey() {
  static Port_ThrThreadData<Port_CompressRingBuf *> *s_DataKey =
      new Port_ThrThreadData<Port_CompressRingBuf *>;
  return *s_DataKey;
}

Port_CompressRingBuf &threadRing() {
  Port_ThrThreadData<Port_CompressRingBuf *> &key = dataKey();
  Port_CompressRingBuf *ring = key.get();
  if (!ring) {
    ring = new Port_CompressRingBuf;
    key.set(ring);
  }
  return *ring;
}

// Deflates n bytes into out as one zlib stream; room: the space on entry, the length on success.
// The result is zlib's code.
int deflateBlock(unsigned char *out, uLongf &room, const unsigned char *in, unsigned n) {
  Port_CompressRingBuf &ring = threadRing();
  const deferred::Libdeflate &libdeflate = deferred::libdeflate();
  if (!ring.compressor)
    ring.compressor.reset(libdeflate.libdeflate_alloc_compressor(kDeflateLevel));
  if (ring.compressor) {
    // libdeflate never writes past the room; 0 means its output did not fit.
    const size_t made =
        libdeflate.libdeflate_zlib_compress(ring.compressor.get(), in, n, out, room);
    if (made) {
      room = made;
      return Z_OK;
    }
  }
  return deferred::zlib().compress2(out, &room, in, n, 9);
}

// Inflates one zlib stream into out; room as for deflateBlock.
int inflateBlock(unsigned char *out, uLongf &room, const unsigned char *in, unsigned n) {
  Port_CompressRingBuf &ring = threadRing();
  const deferred::Libdeflate &libdeflate = deferred::libdeflate();
  if (!ring.decompressor)
    ring.decompressor.reset(libdeflate.libdeflate_alloc_decompressor());
  if (ring.decompressor) {
    size_t made = 0;
    if (libdeflate.libdeflate_zlib_decompress(ring.decompressor.get(), in, n, out, room, &made) ==
        LIBDEFLATE_SUCCESS) {
      room = made;
      return Z_OK;
    }
  }
  return deferred::zlib().uncompress(out, &room, in, n);
}

bool parseHex16(const char *text, unsigned char out[8]) {
  if (!text || std::strlen(text) != 16)
    return false;
  for (int i = 0; i < 16; ++i) {
    const char c = text[i];
    int v;
    if (c >= '0' && c <= '9')
      v = c - '0';
    else if (c >= 'a' && c <= 'f')
      v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      v = c - 'A' + 10;
    else
      return false;
    if (i % 2 == 0)
      out[i / 2] = static_cast<unsigned char>(v << 4);
    else
      out[i / 2] |= static_cast<unsigned char>(v);
  }
  return true;
}

unsigned char headerByte(const unsigned char *hdr, int i) { return hdr[i] & 0x7F; }

unsigned int sizeField(const unsigned char *hdr, int offset) {
  unsigned int value = 0;
  for (int i = 0; i < 8; ++i) {
    const unsigned char c = headerByte(hdr, offset + i);
    if (c == ' ')
      continue;
    int v;
    if (c >= '0' && c <= '9')
      v = c - '0';
    else if (c >= 'a' && c <= 'f')
      v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      v = c - 'A' + 10;
    else
      break;
    value = (value << 4) | static_cast<unsigned>(v);
  }
  return value;
}

// Reads until n bytes arrived or the file ends: the count, or -1 when nothing could be read.
int readFully(Port::FileDesc &fd, unsigned char *buf, unsigned n) {
  unsigned got = 0;
  while (got < n) {
    const int r = fd.read(buf + got, n - got);
    if (r < 0)
      return got ? static_cast<int>(got) : -1;
    if (r == 0)
      break;
    got += static_cast<unsigned>(r);
  }
  return static_cast<int>(got);
}

void reportCompressZlib(int code) {
  if (code == Z_DATA_ERROR)
    report(__LINE__)->issueError("************************************************\nPort_Compress::"
                                 "Compress() : (Z_DATA_ERROR) input data was corrupted.\n");
  else if (code == Z_BUF_ERROR)
    report(__LINE__)->issueError("************************************************\nPort_Compress::"
                                 "Compress() : (Z_BUF_ERROR) not enough room in the output "
                                 "buffer.\n");
  else if (code == Z_MEM_ERROR)
    report(__LINE__)->issueError("************************************************\nPort_Compress::"
                                 "Compress() : (Z_MEM_ERROR) not enough memory.\n");
}

void reportUnCompressZlib(int code) {
  if (code == Z_DATA_ERROR)
    report(__LINE__)->issueError("************************************************\nPort_Compress::"
                                 "UnCompress() : (Z_DATA_ERROR) input data was corrupted.\n");
  else if (code == Z_BUF_ERROR)
    report(__LINE__)->issueError("************************************************\nPort_Compress::"
                                 "UnCompress() : (Z_BUF_ERROR) not enough room in the output "
                                 "buffer.\n");
  else if (code == Z_MEM_ERROR)
    report(__LINE__)->issueError("************************************************\nPort_Compress::"
                                 "UnCompress() : (Z_MEM_ERROR) not enough memory.\n");
}

void reportMaxCompress(unsigned limit, unsigned size) {
  report(__LINE__)->issueError(
      "************************************************\nPort_Compress::Compress() : Maximum "
      "ibufsz (%d) exceeded (%d). Reduce your input buffer size and try again.\n",
      static_cast<int>(limit), static_cast<int>(size));
}

void reportMaxUnCompress(unsigned limit, unsigned size) {
  report(__LINE__)->issueError(
      "************************************************\nPort_Compress::UnCompress() : Maximum "
      "ibufsz (%d) exceeded (%d). Reduce your input buffer size and try again.\n",
      static_cast<int>(limit), static_cast<int>(size));
}
} // namespace

// The DES key schedule behind the cipher hooks.
class Port_CompressCipher {
public:
  des_ctx ctx;
};

// ---------------------------------------------------------------------------------------------
// Statics

const char Port_Compress::QUELMO_ZIP_HEADER[] = "QmoV30EM0000000000000000";

const unsigned char Port_Compress::s_EncodeMap[128] = {
    'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R', 'S',
    'T', 'U', 'V', 'W', 'X', 'Y', 'Z', 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l',
    'm', 'n', 'o', 'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z', '0', '1', '2', '3', '4',
    '5', '6', '7', '8', '9', '+', '/', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};

#define D100 100
const unsigned char Port_Compress::s_DecodeMap[128] = {
    D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100,
    D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100,
    D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, D100, 62,   D100, D100, D100, 63,
    52,   53,   54,   55,   56,   57,   58,   59,   60,   61,   D100, D100, D100, 0,    D100, D100,
    D100, 0,    1,    2,    3,    4,    5,    6,    7,    8,    9,    10,   11,   12,   13,   14,
    15,   16,   17,   18,   19,   20,   21,   22,   23,   24,   25,   D100, D100, D100, D100, D100,
    D100, 26,   27,   28,   29,   30,   31,   32,   33,   34,   35,   36,   37,   38,   39,   40,
    41,   42,   43,   44,   45,   46,   47,   48,   49,   50,   51,   D100, D100, D100, D100, D100};
#undef D100

// ---------------------------------------------------------------------------------------------
// Construction and settings

Port_Compress::Port_Compress() : m_cipher(new Port_CompressCipher) { setDefaults(); }

Port_Compress::Port_Compress(void (*init)(Port_Compress *, void *), void *data)
    : m_cipher(new Port_CompressCipher) {
  setDefaults();
  if (init)
    init(this, data);
}

Port_Compress::Port_Compress(const Port_Compress &other)
    : m_cipher(new Port_CompressCipher(*other.m_cipher)) {
  std::memcpy(m_key, other.m_key, sizeof m_key);
  m_keyLength = other.m_keyLength;
  m_major = other.m_major;
  m_minor = other.m_minor;
  std::memcpy(m_iv, other.m_iv, sizeof m_iv);
  std::memcpy(m_encodeMap, other.m_encodeMap, sizeof m_encodeMap);
  std::memcpy(m_decodeMap, other.m_decodeMap, sizeof m_decodeMap);
  m_encrypt = other.m_encrypt;
  m_mime = other.m_mime;
}

Port_Compress &Port_Compress::operator=(const Port_Compress &other) {
  if (this == &other)
    return *this;
  Port_CompressCipher *fresh = new Port_CompressCipher(*other.m_cipher);
  delete m_cipher;
  m_cipher = fresh;
  std::memcpy(m_key, other.m_key, sizeof m_key);
  m_keyLength = other.m_keyLength;
  m_major = other.m_major;
  m_minor = other.m_minor;
  std::memcpy(m_iv, other.m_iv, sizeof m_iv);
  std::memcpy(m_encodeMap, other.m_encodeMap, sizeof m_encodeMap);
  std::memcpy(m_decodeMap, other.m_decodeMap, sizeof m_decodeMap);
  m_encrypt = other.m_encrypt;
  m_mime = other.m_mime;
  return *this;
}

Port_Compress::~Port_Compress() { delete m_cipher; }

void Port_Compress::setDefaults() {
  std::memset(m_key, 0, sizeof m_key);
  m_keyLength = 0;
  m_major = 3;
  m_minor = 2;
  m_encrypt = 0;
  m_mime = 0;
  MimeReset();
  ResetKey();
}

void Port_Compress::ResetKey() {
  parseHex16(kDefaultKey, m_key);
  m_keyLength = 8;
  parseHex16(kDefaultIV, m_iv);
  refreshCipher();
}

void Port_Compress::refreshCipher() {
  deferred::nettle().nettle_des_set_key(&m_cipher->ctx, m_key);
}

bool Port_Compress::SetKey(const unsigned char key[8]) {
  des_ctx probe;
  if (!key || !deferred::nettle().nettle_des_set_key(&probe, key))
    return false;
  std::memcpy(m_key, key, 8);
  m_keyLength = 8;
  m_cipher->ctx = probe;
  return true;
}

bool Port_Compress::SetKey(const char *hex16) {
  unsigned char key[8];
  return parseHex16(hex16, key) && SetKey(key);
}

bool Port_Compress::SetIV(const unsigned char iv[8]) {
  if (!iv)
    return false;
  std::memcpy(m_iv, iv, 8);
  return true;
}

bool Port_Compress::SetIV(const char *hex16) {
  unsigned char iv[8];
  return parseHex16(hex16, iv) && SetIV(iv);
}

void Port_Compress::SetVersion(unsigned int major, unsigned int minor) {
  if (major != 8) {
    if (major < 3 || major > 4)
      major = 3;
    if ((major == 3 && minor > 8) || (major == 4 && minor > 3))
      minor = 0;
  }
  m_major = major;
  m_minor = minor;
  if (!(m_minor == 0 && m_major != 8))
    refreshCipher();
}

void Port_Compress::Encrypt(unsigned char *buf, unsigned int n) {
  if (!buf || n == 0)
    return;
  uint8_t chain[DES_BLOCK_SIZE];
  std::memcpy(chain, m_iv, sizeof chain);
  const unsigned whole = n - n % DES_BLOCK_SIZE;
  const deferred::Nettle &nettle = deferred::nettle();
  if (whole)
    nettle.nettle_cbc_encrypt(&m_cipher->ctx,
                              reinterpret_cast<nettle_cipher_func *>(nettle.nettle_des_encrypt),
                              DES_BLOCK_SIZE, chain, whole, buf, buf);
  if (whole < n) {
    uint8_t pad[DES_BLOCK_SIZE];
    nettle.nettle_des_encrypt(&m_cipher->ctx, DES_BLOCK_SIZE, pad, chain);
    for (unsigned i = whole; i < n; ++i)
      buf[i] ^= pad[i - whole];
  }
}

void Port_Compress::Decrypt(unsigned char *buf, unsigned int n) {
  if (!buf || n == 0)
    return;
  uint8_t chain[DES_BLOCK_SIZE];
  std::memcpy(chain, m_iv, sizeof chain);
  const unsigned whole = n - n % DES_BLOCK_SIZE;
  uint8_t last[DES_BLOCK_SIZE];
  std::memcpy(last, whole ? buf + whole - DES_BLOCK_SIZE : m_iv, sizeof last);
  const deferred::Nettle &nettle = deferred::nettle();
  if (whole)
    nettle.nettle_cbc_decrypt(&m_cipher->ctx,
                              reinterpret_cast<nettle_cipher_func *>(nettle.nettle_des_decrypt),
                              DES_BLOCK_SIZE, chain, whole, buf, buf);
  if (whole < n) {
    uint8_t pad[DES_BLOCK_SIZE];
    nettle.nettle_des_encrypt(&m_cipher->ctx, DES_BLOCK_SIZE, pad, last);
    for (unsigned i = whole; i < n; ++i)
      buf[i] ^= pad[i - whole];
  }
}

// ---------------------------------------------------------------------------------------------
// Blocks

unsigned int Port_Compress::Compress(unsigned char *obuf, unsigned int obufsz,
                                     const unsigned char *ibuf, unsigned int ibufsz) {
  if (!obuf || !ibuf)
    return 0;
  if (ibufsz == 0) {
    if (obufsz != 0)
      obuf[0] = 0;
    return 0;
  }
  if (obufsz <= kHeaderSize) {
    reportCompressZlib(Z_DATA_ERROR);
    return 0;
  }
  std::memset(obuf, 'X', 3);
  uLongf deflated = obufsz - kHeaderSize;
  const int rc = deflateBlock(obuf + kHeaderSize, deflated, ibuf, ibufsz);
  unsigned char *scratch = GetDataBuffer();
  if (rc != Z_OK) {
    reportCompressZlib(rc);
    return 0;
  }
  unsigned payload = static_cast<unsigned>(deflated);
  if (m_encrypt)
    Encrypt(obuf + kHeaderSize, payload);
  if (m_mime) {
    if (payload > kMaxMimeDeflate) {
      reportMaxCompress(kMaxMimeDeflate, payload);
      return 0;
    }
    std::memcpy(scratch, obuf + kHeaderSize, payload);
    payload = MimeEncode(obuf + kHeaderSize, obufsz - kHeaderSize, scratch, payload);
    if (payload == 0)
      return 0;
  }
  GetHeaderData(m_major, m_minor, m_encrypt, m_mime, ibufsz, payload, obuf);
  return payload + kHeaderSize;
}

unsigned int Port_Compress::UnCompress(unsigned char *obuf, unsigned int obufsz,
                                       const unsigned char *ibuf, unsigned int ibufsz) {
  if (!obuf || !ibuf)
    return 0;
  if (ibufsz <= kHeaderSize || !IsQuelmoZipFormat(ibuf)) {
    reportUnCompressZlib(Z_DATA_ERROR);
    return 0;
  }
  m_major = headerByte(ibuf, 4) - '0';
  m_minor = headerByte(ibuf, 5) - '0';
  const bool mime = headerByte(ibuf, 7) == 'M';
  const bool enciphered = headerByte(ibuf, 6) == 'E';
  const unsigned char *payload = ibuf + kHeaderSize;
  unsigned length = ibufsz - kHeaderSize;
  if (mime) {
    if (length > kMaxMimeDeflate) {
      reportMaxUnCompress(kMaxMimeDeflate, length);
      return 0;
    }
    unsigned char *scratch = GetDataBuffer();
    length = MimeDecode(scratch, std::min(obufsz, GetDataBufferSize()), payload, length);
    payload = scratch;
  } else if (enciphered) {
    if (length > kMaxChunk) {
      reportMaxUnCompress(kMaxChunk, length);
      return 0;
    }
    unsigned char *scratch = GetDataBuffer();
    std::memcpy(scratch, payload, length);
    payload = scratch;
  }
  if (enciphered)
    Decrypt(const_cast<unsigned char *>(payload), length);
  uLongf restored = obufsz;
  const int rc = inflateBlock(obuf, restored, payload, length);
  if (rc != Z_OK) {
    reportUnCompressZlib(rc);
    return 0;
  }
  return static_cast<unsigned>(restored);
}

// ---------------------------------------------------------------------------------------------
// Base64

unsigned int Port_Compress::MimeEncode(unsigned char *obuf, unsigned int obufsz,
                                       const unsigned char *ibuf, unsigned int ibufsz) {
  if (!ibuf || !obuf)
    return 0;
  if (obufsz == 0)
    return 0;
  obuf[0] = 0;
  if (ibufsz == 0)
    return 0;
  const unsigned need = GetSizeofCompressedBuffer(ibufsz, 0, 0, 1);
  if (obufsz < need) {
    report(__LINE__)->issueError(
        "Port_Compress::MimeEncode() obufsz is too small (%d), it should be at least %d.\n",
        static_cast<int>(obufsz), static_cast<int>(need));
    return 0;
  }
  unsigned out = 0;
  for (unsigned i = 0; i < ibufsz; i += 3) {
    const unsigned left = ibufsz - i;
    uint32_t v = static_cast<uint32_t>(ibuf[i]) << 16;
    if (left > 1)
      v |= static_cast<uint32_t>(ibuf[i + 1]) << 8;
    if (left > 2)
      v |= ibuf[i + 2];
    obuf[out] = m_encodeMap[(v >> 18) & 0x3F];
    obuf[out + 1] = m_encodeMap[(v >> 12) & 0x3F];
    obuf[out + 2] = left == 1 ? '=' : m_encodeMap[(v >> 6) & 0x3F];
    obuf[out + 3] = left < 3 ? '=' : m_encodeMap[v & 0x3F];
    out += 4;
  }
  if (out < obufsz)
    obuf[out] = 0;
  return out;
}

unsigned int Port_Compress::MimeDecode(unsigned char *obuf, unsigned int obufsz,
                                       const unsigned char *ibuf, unsigned int ibufsz) {
  if (!ibuf || !obuf)
    return 0;
  if (obufsz == 0)
    return 0;
  obuf[0] = 0;
  if (ibufsz == 0)
    return 0;
  // The text ends at ibufsz or at a zero byte before it.
  const void *zero = std::memchr(ibuf, 0, ibufsz);
  const unsigned length =
      zero ? static_cast<unsigned>(static_cast<const unsigned char *>(zero) - ibuf) : ibufsz;
  if (obufsz < length) {
    report(__LINE__)->issueError(
        "Port_Compress::MimeDecode() obufsz is too small (%d), it should be at least %d.\n",
        static_cast<int>(obufsz), static_cast<int>(length));
    return 0;
  }
  auto value = [&](unsigned at) -> uint32_t {
    if (at >= length)
      return 0;
    const unsigned char c = ibuf[at];
    return c < 128 ? m_decodeMap[c] : 100;
  };
  unsigned count = 0;
  for (unsigned i = 0; i < length; i += 4) {
    const uint32_t v = (value(i) << 18) + (value(i + 1) << 12) + (value(i + 2) << 6) + value(i + 3);
    // At most 3 bytes per 4 characters: always inside obufsz >= length, except for a last group
    // of 1 to 3 characters, which is cut at the end of the room.
    const unsigned char bytes[3] = {static_cast<unsigned char>(v >> 16),
                                    static_cast<unsigned char>(v >> 8),
                                    static_cast<unsigned char>(v)};
    for (unsigned k = 0; k < 3 && count + k < obufsz; ++k)
      obuf[count + k] = bytes[k];
    const bool last = i + 4 >= length;
    unsigned grow = 3;
    if (last && i + 3 < length && ibuf[i + 3] == '=') {
      grow = 2;
      if (ibuf[i + 2] == '=') {
        grow = 1;
        if (ibuf[i + 1] == '=')
          grow = 0;
      }
    }
    count += grow;
  }
  count = std::min(count, obufsz);
  if (count < obufsz)
    obuf[count] = 0;
  return count;
}

void Port_Compress::MimeReset(const unsigned char *encode, const unsigned char *decode) {
  if (encode)
    std::memcpy(m_encodeMap, encode, sizeof m_encodeMap);
  if (decode)
    std::memcpy(m_decodeMap, decode, sizeof m_decodeMap);
}

void Port_Compress::MimeReset() { MimeReset(s_EncodeMap, s_DecodeMap); }

// ---------------------------------------------------------------------------------------------
// Headers in memory

bool Port_Compress::IsQuelmoZipFormat(const unsigned char *hdr) {
  if (!hdr)
    return false;
  if (headerByte(hdr, 0) != 'Q' || headerByte(hdr, 1) != 'm' || headerByte(hdr, 2) != 'o' ||
      headerByte(hdr, 3) != 'V')
    return false;
  const unsigned char major = headerByte(hdr, 4), minor = headerByte(hdr, 5);
  return major == '3' || (major == '8' && minor == '0');
}

bool Port_Compress::IsMimeEncoded(const unsigned char *hdr) {
  return IsQuelmoZipFormat(hdr) && headerByte(hdr, 7) == 'M';
}

bool Port_Compress::IsEncrypted(const unsigned char *hdr) {
  return IsQuelmoZipFormat(hdr) && headerByte(hdr, 6) == 'E';
}

unsigned int Port_Compress::GetNumUnCompressedBytes(const unsigned char *hdr) {
  return IsQuelmoZipFormat(hdr) ? sizeField(hdr, ZipHeaderUnCompressedOffset) : 0;
}

unsigned int Port_Compress::GetNumCompressedBytes(const unsigned char *hdr) {
  return IsQuelmoZipFormat(hdr) ? sizeField(hdr, ZipHeaderCompressedOffset) : 0;
}

void Port_Compress::GetVersion(const unsigned char *hdr, char *out) {
  if (!out)
    return;
  if (!IsQuelmoZipFormat(hdr)) {
    out[0] = 0;
    return;
  }
  out[0] = static_cast<char>(headerByte(hdr, 4));
  out[1] = '.';
  out[2] = static_cast<char>(headerByte(hdr, 5));
  out[3] = 0;
}

void Port_Compress::GetHeaderData(unsigned int major, unsigned int minor, unsigned char encrypt,
                                  unsigned char mime, unsigned int usize, unsigned int psize,
                                  unsigned char *out) {
  std::memcpy(out, QUELMO_ZIP_HEADER, kHeaderSize);
  out[4] = static_cast<unsigned char>('0' + major);
  out[5] = static_cast<unsigned char>('0' + minor);
  out[6] = encrypt ? 'E' : 'D';
  out[7] = mime ? 'M' : 'B';
  char field[16];
  std::snprintf(field, sizeof field, "%8x", usize);
  std::memcpy(out + ZipHeaderUnCompressedOffset, field, 8);
  std::snprintf(field, sizeof field, "%8x", psize);
  std::memcpy(out + ZipHeaderCompressedOffset, field, 8);
}

unsigned int Port_Compress::GetSizeofCompressedBuffer(unsigned int n, unsigned char compress,
                                                      unsigned char, unsigned char mime) {
  unsigned value = n;
  if (compress)
    value = 24 + 12 + (n * 1010u + 999u) / 1000u;
  if (mime) {
    const unsigned u = (4 * value + 3) / 3;
    return u + (4 - u % 4);
  }
  return value;
}

unsigned int Port_Compress::GetSizeofUnCompressedBuffer(const unsigned char *buf,
                                                        unsigned char isBlock, unsigned char,
                                                        unsigned char) {
  if (!isBlock)
    return buf ? static_cast<unsigned>(std::strlen(reinterpret_cast<const char *>(buf))) : 0;
  return std::max(GetNumUnCompressedBytes(buf), GetNumCompressedBytes(buf));
}

unsigned char *Port_Compress::GetDataBuffer() {
  Port_CompressRingBuf &ring = threadRing();
  unsigned char *b = ring.buffers[ring.next];
  ring.next = (ring.next + 1) % static_cast<int32_t>(kRingSize);
  return b;
}

// The deflate libraries actually linked: zlib reports its own version; libdeflate's is the one of
// the header built against, its only version record.
const char *Port_Compress::GetVersion() {
  static const std::string text = std::string("Port_Compress [") + kRevision + "] zlib [" +
                                  deferred::zlib().zlibVersion() +
                                  "] libdeflate [" LIBDEFLATE_VERSION_STRING "]";
  return text.c_str();
}

// ---------------------------------------------------------------------------------------------
// Record files

unsigned int Port_Compress::Write(Port::FileDesc fd, const unsigned char *buf, unsigned int n) {
  unsigned char *block = GetDataBuffer();
  unsigned total = 0;
  unsigned done = 0;
  do {
    const unsigned chunk = std::min(n - done, kMaxChunk);
    const unsigned length = Compress(block, GetDataBufferSize(), buf + done, chunk);
    if (length) {
      fd.write(block, length);
      total += length;
    }
    done += chunk;
  } while (done < n);
  return total;
}

unsigned int Port_Compress::Read(Port::FileDesc fd, unsigned char *buf, unsigned int n) {
  unsigned char *block = GetDataBuffer();
  unsigned total = 0;
  unsigned room = n;
  for (;;) {
    const int h = GetHeader(fd, block, "Port_Compress::Read()");
    if (h == 1)
      return total;
    if (h == 0)
      return 0;
    const unsigned usize = GetNumUnCompressedBytes(block);
    if (static_cast<uint64_t>(total) + usize > n) {
      report(__LINE__)->issueError(
          "Port_Compress::Read() : The buffer size is too small (specified %d, needed %d).\n",
          static_cast<int>(n), static_cast<int>(usize));
      const long at = fd.lseek(0, Port::SeekType::SeekCurr());
      if (at - static_cast<long>(kHeaderSize) >= 0)
        fd.lseek(at - static_cast<long>(kHeaderSize), Port::SeekType::SeekSet());
      return total;
    }
    const unsigned payload = GetData(fd, block + kHeaderSize, block, "Port_Compress::Read()");
    if (payload == 0)
      continue;
    const unsigned got = UnCompress(buf + total, room, block, payload + kHeaderSize);
    total += got;
    if (room <= got)
      return total;
    room -= got;
  }
}

int Port_Compress::GetHeader(Port::FileDesc fd, unsigned char *buf, const char *label) {
  const int got = readFully(fd, buf, kHeaderSize);
  if (got == static_cast<int>(kHeaderSize) && IsQuelmoZipFormat(buf))
    return 2;
  if (got <= 0)
    return 1;
  if (label && *label)
    report(__LINE__)->issueError("%s : This is not a QUELMO ZIP file.\n", label);
  return 0;
}

unsigned int Port_Compress::GetData(Port::FileDesc fd, unsigned char *buf, const unsigned char *hdr,
                                    const char *label) {
  const unsigned size = GetNumCompressedBytes(hdr);
  if (size <= GetDataBufferSize() - kHeaderSize &&
      readFully(fd, buf, size) == static_cast<int>(size))
    return size;
  if (label)
    report(__LINE__)->issueError("%s : Data corruption error.\n", label);
  return 0;
}

int Port_Compress::GetFirstRecord(Port::FileDesc fd, unsigned char *&hdr, unsigned char *&data) {
  fd.lseek(0, Port::SeekType::SeekSet());
  return GetNextRecord(fd, hdr, data);
}

int Port_Compress::GetNextRecord(Port::FileDesc fd, unsigned char *&hdr, unsigned char *&data) {
  hdr = nullptr;
  data = nullptr;
  unsigned char *block = GetDataBuffer();
  const int h = GetHeader(fd, block, "Port_Compress::GetNextRecord()");
  if (h != 2)
    return h;
  hdr = block;
  data = block + kHeaderSize;
  const unsigned got = GetData(fd, data, block, "Port_Compress::GetNextRecord()");
  if (got == 0 && GetNumCompressedBytes(block) != 0)
    return 0;
  return 2;
}

unsigned int Port_Compress::GetNumRecords(Port::FileDesc fd) {
  unsigned char *hdr, *data;
  unsigned count = 0;
  int r = GetFirstRecord(fd, hdr, data);
  while (r == 2) {
    ++count;
    r = GetNextRecord(fd, hdr, data);
  }
  return r == 1 ? count : 0xFFFFFFFFu;
}

unsigned int Port_Compress::GetNumUnCompressedBytes(Port::FileDesc fd) {
  unsigned char *hdr, *data;
  unsigned total = 0;
  for (int r = GetFirstRecord(fd, hdr, data); r == 2; r = GetNextRecord(fd, hdr, data))
    total += GetNumUnCompressedBytes(hdr);
  return total;
}

unsigned int Port_Compress::GetNumCompressedBytes(Port::FileDesc fd) {
  fd.lseek(0, Port::SeekType::SeekSet());
  const long end = fd.lseek(0, Port::SeekType::SeekEnd());
  return end < 0 ? 0 : static_cast<unsigned>(end);
}

void Port_Compress::GetVersion(Port::FileDesc fd, char *out) {
  unsigned char hdr[kHeaderSize];
  if (GetHeader(fd, hdr, "Port_Compress::GetVersion()") == 2)
    GetVersion(hdr, out);
  else if (out)
    out[0] = 0;
}

namespace {
bool probeHeader(Port::FileDesc fd, unsigned char rewind, unsigned char hdr[24]) {
  if (rewind)
    fd.lseek(0, Port::SeekType::SeekSet());
  return Port_Compress::GetHeader(fd, hdr, nullptr) == 2;
}
} // namespace

bool Port_Compress::IsQuelmoZipFormat(Port::FileDesc fd, unsigned char rewind) {
  unsigned char hdr[kHeaderSize];
  return probeHeader(fd, rewind, hdr);
}

bool Port_Compress::IsMimeEncoded(Port::FileDesc fd, unsigned char rewind) {
  unsigned char hdr[kHeaderSize];
  return probeHeader(fd, rewind, hdr) && IsMimeEncoded(hdr);
}

bool Port_Compress::IsEncrypted(Port::FileDesc fd, unsigned char rewind) {
  unsigned char hdr[kHeaderSize];
  return probeHeader(fd, rewind, hdr) && IsEncrypted(hdr);
}
