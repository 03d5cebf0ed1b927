// basutio.cpp - UT_IO_DEVICE: raw pass-through, recognition of compressed files and the two
// codecs behind compressed streams.
//
// Record codec file (first format character '3', '4' or '8'): a Port_Compress record file from
// offset 0, one record per buffer the stream hands down; the format characters are the version
// digits of the records' headers. Keyed formats ("3","3" to "3","8" and "8","0") encipher every
// record with the format's built-in DES key and vector.
//
// Classic compressed file:
//   0  7  signature 5A 5A A5 A5 C3 C3 71
//   7  1  first format character (Huffman layer)
//   8  1  second format character (packing layer)
//   9  -  packed data (UTPAK_DATA)
#include "basutio.h"

#include "PortCompress.h"
#include "PortCompressMap.h"
#include "Port_Env.h"
#include "Port_MsgManData.h"
#include "basutpak.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>

namespace {
const char *const kRevision = "$Revision: 1.2 $";

std::mutex &defaultLock() {
  static std::mutex m;
  return m;
}
bool g_newCompressionDefault = true;

Port_MsgManData *report(int line) {
  return Port_MsgManData::createObject("Portability", "basutio", line, kRevision);
}

// The key and initial vector of each keyed format, 16 hexadecimal digits each.
struct FormatKey {
  char first, second;
  const char *key, *iv;
};
const FormatKey kFormatKeys[] = {
    {'3', '3', "7A3F19C2E4B8065D", "1F2E3D4C5B6A7988"},
    {'3', '4', "C85E2B9174D3A60F", "8899AABBCCDDEEF1"},
    {'3', '5', "3B7D5F9A1C2E4068", "0F1E2D3C4B5A6978"},
    {'3', '6', "E1D2C3B4A5968778", "7766554433221109"},
    {'3', '7', "94A7C1E2F3051628", "A1B2C3D4E5F60718"},
    {'3', '8', "5C6B7A8997A6B5C4", "2468ACE013579BDF"},
    {'8', '0', "D3E4F50617283940", "FEDCBA9876543211"},
};

// Sets a compressor up for the format characters of its file.
void configureForFormat(Port_Compress *c, char first, char second) {
  for (const FormatKey &k : kFormatKeys) {
    if (k.first != first || k.second != second)
      continue;
    c->SetCompressFlags(1, 0);
    c->SetVersion(static_cast<unsigned>(first - '0'), static_cast<unsigned>(second - '0'));
    c->SetKey(k.key);
    c->SetIV(k.iv);
    return;
  }
}

class FormatHook : public Port_CompressMap::CallBack {
public:
  FormatHook(char first, char second) : m_first(first), m_second(second) {}
  void Configure(Port_Compress *c) override { configureForFormat(c, m_first, m_second); }

private:
  char m_first, m_second;
};

int readFully(Port::FileDesc &fd, unsigned char *buf, unsigned n) {
  unsigned got = 0;
  while (got < n) {
    const int r = fd.read(buf + got, n - got);
    if (r <= 0)
      break;
    got += static_cast<unsigned>(r);
  }
  return static_cast<int>(got);
}
} // namespace

const unsigned char UT_IO_DEVICE::Signature[7] = {0x5A, 0x5A, 0xA5, 0xA5, 0xC3, 0xC3, 0x71};

UT_IO_DEVICE::UT_IO_DEVICE(UT_IO_DEVICE_MODE mode)
    : m_mode(mode), m_packer(nullptr), m_position(0), m_secondVersion(0), m_firstVersion(0),
      m_newCodec(NewCompressionIsTheDefault()), m_reader(nullptr), m_writer(nullptr) {
  if (Port_Env::GetEnv("QUELMO_USE_OLD_STYLE_COMPRESSION"))
    m_newCodec = false;
  if (Port_Env::GetEnv("QUELMO_USE_NEW_STYLE_COMPRESSION"))
    m_newCodec = true;
}

UT_IO_DEVICE::~UT_IO_DEVICE() {
  if (m_packer)
    report(__LINE__)->issueFatal(19, "Attempt to destroy file which contains memory.\n");
  delete m_reader;
  delete m_writer;
}

bool UT_IO_DEVICE::readsNewFormat() const { return is_new_format(m_firstVersion); }

Port_CompressMap *UT_IO_DEVICE::reader() {
  if (!m_reader) {
    std::unique_ptr<Port_CompressMap::CallBack> hook(
        new FormatHook(m_firstVersion, m_secondVersion));
    m_reader = new Port_CompressMap(get_rawfd(), hook);
  }
  return m_reader;
}

// ---------------------------------------------------------------------------------------------
// Data

int UT_IO_DEVICE::get_data(unsigned char *buf, unsigned n) {
  if (m_mode == UT_IO_DEVICE_RAW)
    return get_rawdata(buf, n);
  if (!readsNewFormat())
    return getClassicData(buf, n);
  m_newCodec = true;
  Port_CompressMap *map = reader();
  // A damaged record is an error of the stream, not a silent end of its data.
  if (map->GetError()) {
    errno = EIO;
    return -1;
  }
  const unsigned got = n ? map->Read(buf, n, static_cast<unsigned>(m_position), 0) : 0;
  if (map->GetError()) {
    errno = EIO;
    return -1;
  }
  m_position += static_cast<int32_t>(got);
  return static_cast<int>(got);
}

int UT_IO_DEVICE::set_data(unsigned char *buf, unsigned n) {
  if (m_mode == UT_IO_DEVICE_RAW)
    return set_rawdata(buf, n);
  return m_newCodec ? setNewData(buf, n) : setClassicData(buf, n);
}

int UT_IO_DEVICE::setNewData(unsigned char *buf, unsigned n) {
  if (!m_writer) {
    m_writer = new Port_Compress;
    configureForFormat(m_writer, m_firstVersion, m_secondVersion);
  }
  const unsigned kChunk = 64854; // the largest input of one record
  unsigned done = 0;
  while (done < n) {
    const unsigned chunk = std::min(n - done, kChunk);
    unsigned char *block = Port_Compress::GetDataBuffer();
    const unsigned length =
        m_writer->Compress(block, Port_Compress::GetDataBufferSize(), buf + done, chunk);
    if (length == 0) {
      errno = EIO;
      return done ? static_cast<int>(done) : -1;
    }
    const int put = set_rawdata(block, length);
    if (put != static_cast<int>(length))
      return done ? static_cast<int>(done) : -1;
    done += chunk;
    m_position += static_cast<int32_t>(chunk);
  }
  return static_cast<int>(n);
}

long UT_IO_DEVICE::get_uncompressed_size() {
  if (m_mode == UT_IO_DEVICE_RAW || !readsNewFormat())
    return -1;
  if (m_reader)
    return static_cast<long>(m_reader->GetUnCompressedSize());
  Port::FileDesc fd = get_rawfd();
  const long at = fd.lseek(0, Port::SeekType::SeekCurr());
  const unsigned size = Port_Compress::GetNumUnCompressedBytes(fd);
  if (at >= 0)
    fd.lseek(at, Port::SeekType::SeekSet());
  return static_cast<long>(size);
}

// ---------------------------------------------------------------------------------------------
// Positioning

long UT_IO_DEVICE::set_offset(long offset) {
  if (m_mode == UT_IO_DEVICE_RAW)
    return set_rawoffset(offset);
  // Compressed data being written can only grow at its end: neither codec can go back to
  // rewrite bytes already packed, nor leave a gap.
  if (writes_data() && offset != -1 && offset != m_position) {
    errno = EINVAL;
    return -1;
  }
  const bool recordCodec = m_firstVersion ? readsNewFormat() : m_newCodec;
  if (!recordCodec)
    return setClassicOffset(offset);
  if (offset == -1) {
    // What is written so far is the end of a stream being written; a record file's uncompressed
    // size is the end of one being read.
    const long size = get_uncompressed_size();
    m_position = static_cast<int32_t>(std::max<long>(size, m_writer ? m_position : 0));
  } else {
    if (offset < 0) {
      errno = EINVAL;
      return -1;
    }
    m_position = static_cast<int32_t>(offset);
  }
  return m_position;
}

long UT_IO_DEVICE::get_offset() {
  if (m_mode == UT_IO_DEVICE_RAW)
    return get_rawoffset();
  return m_position;
}

// ---------------------------------------------------------------------------------------------
// Classic codec

// Only the pairs the packer knows ('1' or '2' for the trees, '1' for the packer) are unpacked: a
// damaged header is an error of the stream, not a fatal report.
bool UT_IO_DEVICE::makePacker() {
  if (m_packer)
    return true;
  const char h = m_firstVersion, p = m_secondVersion;
  if (!(h == 0 || h == '1' || h == '2') || !(p == 0 || p == '1')) {
    errno = EINVAL;
    return false;
  }
  m_packer = new UTPAK_DATA(this, p, h);
  // A damaged file is a read error of its stream: the program reading it goes on.
  m_packer->setdamageerror(true);
  m_secondVersion = m_packer->gettype();
  m_firstVersion = m_packer->gethufversion();
  return true;
}

int UT_IO_DEVICE::getClassicData(unsigned char *buf, unsigned n) {
  if (!makePacker())
    return -1;
  const int got = m_packer->unpak(reinterpret_cast<char *>(buf), static_cast<int>(n));
  if (got < 0) {
    errno = EIO;
    return -1;
  }
  m_position += got;
  return got;
}

int UT_IO_DEVICE::setClassicData(unsigned char *buf, unsigned n) {
  if (!makePacker())
    return -1;
  m_packer->pak(reinterpret_cast<char *>(buf), static_cast<int>(n));
  m_position += static_cast<int32_t>(n);
  return static_cast<int>(n);
}

long UT_IO_DEVICE::setClassicOffset(long offset) {
  if (writes_data())
    return m_position;
  if (offset >= 0 && offset < m_position) {
    if (set_rawoffset(0) < 0) {
      report(__LINE__)->issueFatal(1, "Unable to set raw offset for compressed file.\n");
      return -1;
    }
    delete m_packer;
    m_packer = nullptr;
    m_position = 0;
  }
  unsigned char scratch[4096];
  while (offset == -1 || m_position < offset) {
    const unsigned want =
        offset == -1 ? sizeof scratch
                     : static_cast<unsigned>(std::min<long>(sizeof scratch, offset - m_position));
    const int got = getClassicData(scratch, want);
    if (got < 0)
      return -1;
    if (got == 0)
      break;
  }
  return m_position;
}

// ---------------------------------------------------------------------------------------------
// Recognition and format characters

bool UT_IO_DEVICE::iscompressed(Port::FileDesc fd, char &second, char &first) {
  if (fd.lseek(0, Port::SeekType::SeekSet()) != 0) {
    report(__LINE__)->issueInternal("Unable to seek to start of file\n");
    return false;
  }
  unsigned char head[24];
  if (readFully(fd, head, sizeof head) == static_cast<int>(sizeof head) &&
      Port_Compress::IsQuelmoZipFormat(head)) {
    first = static_cast<char>(head[4] & 0x7F);
    second = static_cast<char>(head[5] & 0x7F);
    if (fd.lseek(0, Port::SeekType::SeekSet()) != 0) {
      report(__LINE__)->issueInternal("Unable to seek to start of file\n");
      return false;
    }
    return true;
  }
  if (fd.lseek(0, Port::SeekType::SeekSet()) != 0) {
    report(__LINE__)->issueInternal("Unable to seek to start of file\n");
    return false;
  }
  unsigned char sig[7];
  if (readFully(fd, sig, sizeof sig) != static_cast<int>(sizeof sig) ||
      std::memcmp(sig, Signature, sizeof sig) != 0) {
    // Plain files are read from their start by the caller.
    if (fd.lseek(0, Port::SeekType::SeekSet()) != 0)
      report(__LINE__)->issueInternal("Unable to seek to start of file\n");
    return false;
  }
  char c;
  if (fd.read(&c, 1) != 1) {
    report(__LINE__)->issueInternal("Unable to read hversion of compressed file\n");
    return false;
  }
  first = c;
  if (fd.read(&c, 1) != 1) {
    report(__LINE__)->issueInternal("Unable to read pversion of compressed file\n");
    return false;
  }
  second = c;
  return true;
}

bool UT_IO_DEVICE::write_version(Port::FileDesc fd) {
  return fd.write(&m_firstVersion, 1) == 1 && fd.write(&m_secondVersion, 1) == 1;
}

bool UT_IO_DEVICE::read_version(Port::FileDesc fd) {
  return fd.read(&m_firstVersion, 1) == 1 && fd.read(&m_secondVersion, 1) == 1;
}

void UT_IO_DEVICE::destroy_me() {
  // A packer being written ends its stream here, while the descriptor is still open.
  delete m_packer;
  m_packer = nullptr;
  delete m_reader;
  m_reader = nullptr;
  delete m_writer;
  m_writer = nullptr;
}

void UT_IO_DEVICE::DisableNewCompression() {
  std::lock_guard<std::mutex> guard(defaultLock());
  g_newCompressionDefault = false;
}

void UT_IO_DEVICE::EnableNewCompression() {
  std::lock_guard<std::mutex> guard(defaultLock());
  g_newCompressionDefault = true;
}

bool UT_IO_DEVICE::NewCompressionIsTheDefault() {
  std::lock_guard<std::mutex> guard(defaultLock());
  return g_newCompressionDefault;
}
