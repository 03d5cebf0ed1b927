// basutio.cpp - UT_IO_DEVICE: raw pass-through and recognition of compressed files.
//
// Classic compressed file header (offset 0):
//   0  7  signature 5A 5A A5 A5 C3 C3 71
//   7  1  first format character (Huffman layer)
//   8  1  second format character (packing layer)
//   9  -  compressed data
// The codecs that would read and write the data behind it are not part of this build: a device
// in compressed mode moves no data and answers -1 (EINVAL), so a compressed file is never read
// as plain bytes.
#include "basutio.h"

#include "Port_Env.h"
#include "Port_MsgManData.h"
#include "Port_Thr.h"

#include <cerrno>
#include <cstring>
#include <mutex>

namespace {
const char *const kRevision = "$Revision: 1.1 $";

std::mutex &defaultLock() {
  static std::mutex m;
  return m;
}
bool g_newCompressionDefault = true;

Port_MsgManData *report(int line) {
  return Port_MsgManData::createObject("Portability", __FILE__, line, kRevision);
}
} // namespace

const unsigned char UT_IO_DEVICE::Signature[7] = {0x5A, 0x5A, 0xA5, 0xA5, 0xC3, 0xC3, 0x71};

UT_IO_DEVICE::UT_IO_DEVICE(UT_IO_DEVICE_MODE mode)
    : m_mode(mode), m_packer(nullptr), m_position(0), m_secondVersion(0), m_firstVersion(0),
      m_newCodec(NewCompressionIsTheDefault()), m_reader(nullptr) {
  if (Port_Env::GetEnv("QUELMO_USE_OLD_STYLE_COMPRESSION"))
    m_newCodec = false;
  if (Port_Env::GetEnv("QUELMO_USE_NEW_STYLE_COMPRESSION"))
    m_newCodec = true;
}

UT_IO_DEVICE::~UT_IO_DEVICE() {
  if (m_packer)
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueFatal(19, "Attempt to destroy file which contains memory.\n");
}

int UT_IO_DEVICE::get_data(unsigned char *buf, unsigned n) {
  if (m_mode == UT_IO_DEVICE_RAW)
    return get_rawdata(buf, n);
  errno = EINVAL;
  return -1;
}

int UT_IO_DEVICE::set_data(unsigned char *buf, unsigned n) {
  if (m_mode == UT_IO_DEVICE_RAW)
    return set_rawdata(buf, n);
  errno = EINVAL;
  return -1;
}

long UT_IO_DEVICE::set_offset(long offset) {
  if (m_mode == UT_IO_DEVICE_RAW)
    return set_rawoffset(offset);
  errno = EINVAL;
  return -1;
}

long UT_IO_DEVICE::get_offset() {
  if (m_mode == UT_IO_DEVICE_RAW)
    return get_rawoffset();
  return m_position;
}

bool UT_IO_DEVICE::iscompressed(Port::FileDesc fd, char &second, char &first) {
  if (fd.lseek(0, Port::SeekType::SeekSet()) != 0) {
    report(__LINE__)->issueInternal("Unable to seek to start of file\n");
    return false;
  }
  unsigned char sig[7];
  unsigned got = 0;
  while (got < sizeof sig) {
    int r = fd.read(sig + got, sizeof sig - got);
    if (r <= 0)
      break;
    got += static_cast<unsigned>(r);
  }
  if (got < sizeof sig || std::memcmp(sig, Signature, sizeof sig) != 0) {
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
  // The codecs are not built in, so there is never a packer or record reader to free.
  m_packer = nullptr;
  m_reader = nullptr;
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
