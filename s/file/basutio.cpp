// basutio.cpp - UT_IO_DEVICE: raw pass-through, recognition of compressed files and the two
// codecs behind compressed streams.
//
// Record codec file (first format character '3', '4' or '8'): a Port_Compress record file from
// offset 0, one record per buffer the stream hands down; the format characters are the version
// digits of the records' headers. Keyed formats ("3","3" to "3","8" and "8","0") encipher every
// record with the format's built-in DES key and vector.
//
// A long record-codec stream being written (more than kSerialRecords records) compresses its
// records on a pool of workers, at most kWindowPerThread per worker in flight, and writes them
// on the caller's thread in the order they were handed, so the file is the one a single thread
// writes. A long sequential read of a file of binary records expands up to the same
// window of records ahead on the workers. A record the workers cannot expand, or a read that
// does not follow the last one, goes through the record reader on the caller's thread, which
// hands out and reports exactly what a single thread does. A write that fails is reported by the
// next set_data or sync_data, which the stream calls on every explicit flush and on close; the
// records after a failed one are dropped.
//
// Classic compressed file:
//   0  7  signature 5A 5A A5 A5 C3 C3 71
//   7  1  first format character (Huffman layer)
//   8  1  second format character (packing layer)
//   9  -  packed data (UTPAK_DATA)
#include "basutio.h"

#include "../compress/PortRecordPool.h"
#include "PortCompress.h"
#include "PortCompressMap.h"
#include "Port_Env.h"
#include "Port_MsgManData.h"
#include "basutpak.h"
#include "msg/deferredlibs.h"
#include "msg/libreport.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace {
const char *const kRevision = "$Revision: 1.3 $";
const unsigned kMaxRecordInput = 64854; // the largest input of one record
const unsigned kSerialRecords = 3;
const unsigned kWindowPerThread = 2;

std::mutex &defaultLock() {
  static std::mutex m;
  return m;
}
bool g_newCompressionDefault = true;

const LibraryReport report("basutio", kRevision);

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

// One record being compressed by a worker: its input, its own compressor (a copy of the
// stream's), and the block once made (length 0: the compressor failed).
struct RecordSlot {
  std::vector<unsigned char> input;
  Port_Compress compressor;
  std::unique_ptr<unsigned char[]> block;
  unsigned length = 0;
  bool done = false;
  explicit RecordSlot(const Port_Compress &c) : compressor(c) {}
};

struct UT_IO_DEVICE::RecordWork {
  std::mutex lock;
  std::condition_variable finished;
  std::deque<std::shared_ptr<RecordSlot>> pending; // in file order
  bool failed = false;
  int error = 0;
  unsigned window;
  // Last: destroyed first, so every job has ended before the slots go.
  Port_RecordPool pool;
  explicit RecordWork(unsigned threads) : window(threads * kWindowPerThread), pool(threads) {}
};

// One record expanded ahead: its uncompressed start, its raw block, and the expanded data once
// made (ok false: the record is left to the record reader).
struct AheadSlot {
  uint32_t start = 0;
  uint32_t size = 0;
  std::vector<unsigned char> raw;
  std::vector<unsigned char> data;
  std::unique_ptr<Port_Compress> decipher; // a copy of the reader's, for an 'E' record
  bool ok = false;
  bool done = false;
};

struct UT_IO_DEVICE::ReadAhead {
  std::mutex lock;
  std::condition_variable finished;
  std::deque<std::shared_ptr<AheadSlot>> slots; // in file order
  uint32_t nextRaw = 0;                         // file offset of the next record to fetch
  uint32_t nextStart = 0;                       // its uncompressed start
  int32_t fetched = 0;                          // records fetched so far
  bool off = false;                             // the reader serves every read from here on
  unsigned window;
  Port_RecordPool pool; // last: destroyed first
  explicit ReadAhead(unsigned threads) : window(threads * kWindowPerThread), pool(threads) {}
};

namespace {
// Expands one binary record (deciphered first when 'E') without a report: a record that does not
// expand to the size its header gives is left to the record reader, which reports it.
void expandRecord(AheadSlot &slot) {
  struct FreeDecompressor {
    void operator()(libdeflate_decompressor *d) const {
      deferred::libdeflate().libdeflate_free_decompressor(d);
    }
  };
  static thread_local std::unique_ptr<libdeflate_decompressor, FreeDecompressor> coder;
  const deferred::Libdeflate &libdeflate = deferred::libdeflate();
  if (!coder)
    coder.reset(libdeflate.libdeflate_alloc_decompressor());
  slot.data.resize(slot.size);
  if (slot.decipher)
    slot.decipher->Decrypt(slot.raw.data() + 24, static_cast<unsigned>(slot.raw.size() - 24));
  size_t made = 0;
  slot.ok = coder &&
            libdeflate.libdeflate_zlib_decompress(coder.get(), slot.raw.data() + 24,
                                                  slot.raw.size() - 24, slot.data.data(), slot.size,
                                                  &made) == LIBDEFLATE_SUCCESS &&
            made == slot.size;
  slot.raw.clear();
  slot.raw.shrink_to_fit();
}
} // namespace

void UT_IO_DEVICE::SetRecordThreads(unsigned n) { Port_RecordPool::SetThreadLimit(n); }

const unsigned char UT_IO_DEVICE::Signature[7] = {0x5A, 0x5A, 0xA5, 0xA5, 0xC3, 0xC3, 0x71};

UT_IO_DEVICE::UT_IO_DEVICE(UT_IO_DEVICE_MODE mode)
    : m_mode(mode), m_packer(nullptr), m_position(0), m_secondVersion(0), m_firstVersion(0),
      m_newCodec(NewCompressionIsTheDefault()), m_reader(nullptr), m_writer(nullptr),
      m_recordsHanded(0), m_work(nullptr), m_ahead(nullptr) {
  if (Port_Env::GetEnv("QUELMO_USE_OLD_STYLE_COMPRESSION"))
    m_newCodec = false;
  if (Port_Env::GetEnv("QUELMO_USE_NEW_STYLE_COMPRESSION"))
    m_newCodec = true;
}

UT_IO_DEVICE::~UT_IO_DEVICE() {
  if (m_packer)
    report(__LINE__)->issueFatal(19, "Attempt to destroy file which contains memory.\n");
  delete m_work;
  delete m_ahead;
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
  if (n && !m_ahead && m_position == 0 && !writes_data() &&
      map->GetNumRecords() > static_cast<int32_t>(kSerialRecords)) {
    const unsigned threads = Port_RecordPool::Threads();
    if (threads > 1) {
      // Mapped here, so that a library missing is reported by the reading thread.
      deferred::libdeflate();
      m_ahead = new ReadAhead(threads);
    }
  }
  if (m_ahead && !m_ahead->off && n) {
    const int got = readAhead(buf, n);
    if (got >= 0) {
      m_position += got;
      return got;
    }
  }
  const unsigned got = n ? map->Read(buf, n, static_cast<unsigned>(m_position), 0) : 0;
  if (map->GetError()) {
    errno = EIO;
    return -1;
  }
  m_position += static_cast<int32_t>(got);
  return static_cast<int>(got);
}

// Serves a read from the records expanded ahead; -1 leaves it (and every later read) to the
// record reader.
int UT_IO_DEVICE::readAhead(unsigned char *buf, unsigned n) {
  ReadAhead &a = *m_ahead;
  const int32_t count = m_reader->GetNumRecords();
  Port::FileDesc fd = get_rawfd();
  // Fetch raw records up to the window, on this thread, and hand them to the workers.
  auto refill = [&]() {
    while (a.slots.size() < a.window && a.fetched < count) {
      std::shared_ptr<AheadSlot> slot = std::make_shared<AheadSlot>();
      unsigned char hdr[24];
      if (fd.lseek(static_cast<long>(a.nextRaw), Port::SeekType::SeekSet()) !=
              static_cast<long>(a.nextRaw) ||
          readFully(fd, hdr, 24) != 24 || !Port_Compress::IsQuelmoZipFormat(hdr))
        return false;
      const unsigned payload = Port_Compress::GetNumCompressedBytes(hdr);
      slot->start = a.nextStart;
      slot->size = Port_Compress::GetNumUnCompressedBytes(hdr);
      slot->raw.assign(hdr, hdr + 24);
      slot->raw.resize(24 + static_cast<size_t>(payload));
      if (readFully(fd, slot->raw.data() + 24, payload) != static_cast<int>(payload))
        return false;
      a.nextRaw += 24 + payload;
      a.nextStart += slot->size;
      ++a.fetched;
      // Binary records within the reader's limits are expanded ahead; base64 ones are left to
      // the reader.
      const bool keyed = (hdr[6] & 0x7F) == 'E';
      const bool plain = (hdr[7] & 0x7F) == 'B' && (!keyed || payload <= kMaxRecordInput);
      if (plain && keyed)
        slot->decipher.reset(new Port_Compress(m_reader->GetCompressor()));
      {
        std::lock_guard<std::mutex> guard(a.lock);
        a.slots.push_back(slot);
        if (!plain)
          slot->done = true; // ok stays false: the record reader deciphers it
      }
      if (plain) {
        ReadAhead *ahead = &a;
        a.pool.Submit([ahead, slot] {
          expandRecord(*slot);
          std::lock_guard<std::mutex> guard(ahead->lock);
          slot->done = true;
          ahead->finished.notify_all();
        });
      }
    }
    return true;
  };
  const uint32_t pos = static_cast<uint32_t>(m_position);
  unsigned copied = 0;
  for (;;) {
    if (!refill()) {
      a.off = true;
      return -1;
    }
    std::shared_ptr<AheadSlot> slot;
    {
      std::unique_lock<std::mutex> guard(a.lock);
      // Records wholly before the position are done with.
      while (!a.slots.empty() && a.slots.front()->done && a.slots.front()->ok &&
             a.slots.front()->start + a.slots.front()->size <= pos + copied &&
             !(a.fetched == count && a.slots.size() == 1))
        a.slots.pop_front();
      if (a.slots.empty()) {
        // Past the last record: the end of the data.
        if (a.fetched == count)
          return static_cast<int>(copied);
        continue;
      }
      slot = a.slots.front();
      a.finished.wait(guard, [&slot] { return slot->done; });
    }
    const uint32_t at = pos + copied;
    if (!slot->ok || at < slot->start) {
      a.off = true;
      return -1;
    }
    const uint32_t within = at - slot->start;
    const unsigned take =
        within >= slot->size ? 0 : std::min<unsigned>(n - copied, slot->size - within);
    if (take)
      std::memcpy(buf + copied, slot->data.data() + within, take);
    copied += take;
    const bool last = a.fetched == count && a.slots.size() == 1;
    if (copied == n || last)
      return static_cast<int>(copied);
    if (take == 0 && within < slot->size) {
      a.off = true;
      return -1;
    }
    std::lock_guard<std::mutex> guard(a.lock);
    a.slots.pop_front();
  }
}

int UT_IO_DEVICE::set_data(unsigned char *buf, unsigned n) {
  if (m_mode == UT_IO_DEVICE_RAW)
    return set_rawdata(buf, n);
  return m_newCodec ? setNewData(buf, n) : setClassicData(buf, n);
}

bool UT_IO_DEVICE::writeRecord(const unsigned char *block, unsigned length) {
  if (length == 0) {
    errno = EIO;
    return false;
  }
  return set_rawdata(const_cast<unsigned char *>(block), length) == static_cast<int>(length);
}

int UT_IO_DEVICE::setNewData(unsigned char *buf, unsigned n) {
  if (!m_writer) {
    m_writer = new Port_Compress;
    configureForFormat(m_writer, m_firstVersion, m_secondVersion);
  }
  unsigned done = 0;
  while (done < n) {
    const unsigned chunk = std::min(n - done, kMaxRecordInput);
    if (!m_work && ++m_recordsHanded > kSerialRecords) {
      const unsigned threads = Port_RecordPool::Threads();
      if (threads > 1)
        m_work = new RecordWork(threads);
    }
    if (!m_work) {
      unsigned char *block = Port_Compress::GetDataBuffer();
      const unsigned length =
          m_writer->Compress(block, Port_Compress::GetDataBufferSize(), buf + done, chunk);
      if (!writeRecord(block, length))
        return done ? static_cast<int>(done) : -1;
    } else {
      // Keep the window: write the records already made, wait for the oldest when full.
      for (;;) {
        std::shared_ptr<RecordSlot> front;
        {
          std::unique_lock<std::mutex> guard(m_work->lock);
          if (m_work->failed) {
            errno = m_work->error;
            return done ? static_cast<int>(done) : -1;
          }
          if (m_work->pending.empty())
            break;
          if (m_work->pending.size() >= m_work->window)
            m_work->finished.wait(guard, [this] { return m_work->pending.front()->done; });
          else if (!m_work->pending.front()->done)
            break;
          front = m_work->pending.front();
          m_work->pending.pop_front();
        }
        writeMadeRecord(front->block.get(), front->length);
      }
      std::shared_ptr<RecordSlot> slot = std::make_shared<RecordSlot>(*m_writer);
      slot->input.assign(buf + done, buf + done + chunk);
      slot->block.reset(new unsigned char[Port_Compress::GetDataBufferSize()]);
      {
        std::lock_guard<std::mutex> guard(m_work->lock);
        m_work->pending.push_back(slot);
      }
      RecordWork *work = m_work;
      m_work->pool.Submit([work, slot] {
        const unsigned length = slot->compressor.Compress(
            slot->block.get(), Port_Compress::GetDataBufferSize(), slot->input.data(),
            static_cast<unsigned>(slot->input.size()));
        std::lock_guard<std::mutex> guard(work->lock);
        slot->length = length;
        slot->done = true;
        work->finished.notify_all();
      });
    }
    done += chunk;
    m_position += static_cast<int32_t>(chunk);
  }
  return static_cast<int>(n);
}

// A record the workers made, written in its turn; a failure is kept for the writer to report,
// and no record behind it is written.
void UT_IO_DEVICE::writeMadeRecord(const unsigned char *block, unsigned length) {
  if (writeRecord(block, length))
    return;
  std::lock_guard<std::mutex> guard(m_work->lock);
  m_work->failed = true;
  m_work->error = errno ? errno : EIO;
}

int UT_IO_DEVICE::sync_data() {
  if (!m_work)
    return 0;
  for (;;) {
    std::shared_ptr<RecordSlot> front;
    {
      std::unique_lock<std::mutex> guard(m_work->lock);
      if (m_work->failed) {
        // Records behind a failed one are never written: the file keeps the prefix that a
        // single thread would have left.
        m_work->finished.wait(guard, [this] {
          return std::all_of(m_work->pending.begin(), m_work->pending.end(),
                             [](const std::shared_ptr<RecordSlot> &s) { return s->done; });
        });
        m_work->pending.clear();
        errno = m_work->error;
        return -1;
      }
      if (m_work->pending.empty())
        return 0;
      m_work->finished.wait(guard, [this] { return m_work->pending.front()->done; });
      front = m_work->pending.front();
      m_work->pending.pop_front();
    }
    writeMadeRecord(front->block.get(), front->length);
  }
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
  if (writes_data() && sync_data() < 0)
    return -1;
  if (writes_data() && offset != -1 && offset != m_position) {
    errno = EINVAL;
    return -1;
  }
  if (m_ahead && offset != m_position) {
    delete m_ahead;
    m_ahead = nullptr;
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
  // Records still being made are written, and the workers stopped, while the descriptor is
  // still open; a failure here has no one to report to (the stream's flush reports it first).
  sync_data();
  delete m_work;
  m_work = nullptr;
  delete m_ahead;
  m_ahead = nullptr;
  m_recordsHanded = 0;
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
