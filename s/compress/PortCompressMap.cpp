// PortCompressMap.cpp - Port_CompressMap: record index and random reads over a record file.
//
// For record k the map keeps positions[k], the file offset of its 24-byte header, and starts[k],
// the uncompressed offset of its first byte (starts[0] = 0, ascending). Record k holds the
// positions [starts[k], starts[k + 1]); the last record holds everything from its start on.
#include "PortCompressMap.h"

#include <algorithm>
#include <cstring>

Port_CompressMap::Port_CompressMap(Port::FileDesc fd)
    : m_count(0), m_positions(nullptr), m_starts(nullptr), m_data(nullptr), m_current(0),
      m_length(0), m_fd(fd), m_compressedSize(0), m_uncompressedSize(0), m_error(false) {
  build();
}

Port_CompressMap::Port_CompressMap(Port::FileDesc fd, const std::unique_ptr<CallBack> &cb)
    : m_count(0), m_positions(nullptr), m_starts(nullptr), m_data(nullptr), m_current(0),
      m_length(0), m_fd(fd), m_compressedSize(0), m_uncompressedSize(0), m_error(false) {
  if (cb)
    cb->Configure(&m_compressor);
  build();
}

Port_CompressMap::~Port_CompressMap() {
  delete[] m_positions;
  delete[] m_starts;
  delete[] m_data;
}

bool Port_CompressMap::load(const unsigned char *hdr) {
  const unsigned want = Port_Compress::GetNumUnCompressedBytes(hdr);
  m_length = m_compressor.UnCompress(m_data, Port_Compress::GetDataBufferSize(), hdr,
                                     Port_Compress::GetNumCompressedBytes(hdr) + 24);
  // A record that does not give what its header announces would misplace every later byte.
  if (m_length != want)
    m_error = true;
  return !m_error;
}

void Port_CompressMap::build() {
  const unsigned records = Port_Compress::GetNumRecords(m_fd);
  if (records == 0xFFFFFFFFu) {
    m_count = -1;
    m_error = true;
    return;
  }
  if (records == 0)
    return;
  m_count = static_cast<int32_t>(records);
  m_positions = new uint32_t[records];
  m_starts = new uint32_t[records];
  unsigned char *hdr, *payload;
  int r = Port_Compress::GetFirstRecord(m_fd, hdr, payload);
  if (r != 2) {
    m_error = r == 0;
    return;
  }
  m_data = new unsigned char[Port_Compress::GetDataBufferSize()];
  m_current = 0;
  load(hdr);
  uint32_t f = 0, u = 0;
  uint32_t k = 0;
  while (r == 2) {
    if (k < records) {
      m_positions[k] = f;
      m_starts[k] = u;
      u += Port_Compress::GetNumUnCompressedBytes(hdr);
      f += Port_Compress::GetHeaderSize(hdr) + Port_Compress::GetNumCompressedBytes(hdr);
      ++k;
    }
    r = Port_Compress::GetNextRecord(m_fd, hdr, payload);
    if (r == 0)
      m_error = true;
  }
  m_compressedSize = f;
  m_uncompressedSize = u;
}

int Port_CompressMap::Compare(unsigned int idx, unsigned int pos) const {
  if (pos < m_starts[idx])
    return -1;
  if (idx + 1 < static_cast<unsigned>(m_count) && pos >= m_starts[idx + 1])
    return 1;
  return 0;
}

unsigned int Port_CompressMap::GetRecordIdx(unsigned int pos) const {
  if (m_count <= 0)
    return 0;
  const unsigned count = static_cast<unsigned>(m_count);
  const unsigned current = static_cast<unsigned>(m_current);
  for (unsigned idx : {current, (current + 1) % count, 0u, count - 1})
    if (IsInRecord(idx, pos))
      return idx;
  // The last record whose start is not after pos.
  const uint32_t *after = std::upper_bound(m_starts, m_starts + count, pos);
  return after == m_starts ? 0 : static_cast<unsigned>(after - m_starts - 1);
}

unsigned int Port_CompressMap::Read(unsigned char *buf, unsigned int n, unsigned int pos,
                                    unsigned int done) {
  if (m_count <= 0)
    return 0;
  // Iterative: a read that crosses records continues in the next one.
  for (;;) {
    const unsigned idx = GetRecordIdx(pos);
    if (static_cast<int32_t>(idx) != m_current) {
      m_current = static_cast<int32_t>(idx);
      m_fd.lseek(0, Port::SeekType::SeekSet());
      m_fd.lseek(static_cast<long>(m_positions[idx]), Port::SeekType::SeekSet());
      unsigned char *hdr, *payload;
      const int r = Port_Compress::GetNextRecord(m_fd, hdr, payload);
      // A record that is no longer there means the file changed under the map.
      if (r != 2 || !load(hdr))
        m_error = true;
    }
    if (m_error)
      return 0;
    const unsigned within = pos - m_starts[m_current];
    if (within > m_length)
      return 0;
    const unsigned avail = m_length - within;
    if (n <= avail) {
      std::memcpy(buf, m_data + within, n);
      return done + n;
    }
    std::memcpy(buf, m_data + within, avail);
    if (m_current == m_count - 1)
      return done + avail;
    if (avail == 0)
      return 0; // cannot happen with records of the announced sizes; never loop on it
    buf += avail;
    n -= avail;
    pos += avail;
    done += avail;
  }
}
