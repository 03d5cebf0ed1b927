// PortCompressMap.h - Port_CompressMap: random read access to the uncompressed contents of a
// record file written by Port_Compress.
//
// The map walks the file once when made, keeping where each record starts in the file and in
// the uncompressed data; a read decompresses the record that holds its position (keeping it for
// the next read) and runs on into the following records. A damaged record sets the error flag
// for good: every later Read gives 0. One map serves one thread at a time; it is not locked.
#ifndef PORTCOMPRESSMAP_H
#define PORTCOMPRESSMAP_H

#include "Port_Export.h"

#include "PortCompress.h"
#include "Port_FileDesc.h"

#include <cstdint>
#include <memory>

class PORT_API Port_CompressMap {
public:
  // Sets the compressor up (flags, version, cipher) for the file's format before the walk.
  class CallBack {
  public:
    virtual ~CallBack() = default;
    virtual void Configure(Port_Compress *compressor) = 0;
  };

  explicit Port_CompressMap(Port::FileDesc fd);
  Port_CompressMap(Port::FileDesc fd, const std::unique_ptr<CallBack> &cb);
  Port_CompressMap(const Port_CompressMap &) = delete;
  Port_CompressMap &operator=(const Port_CompressMap &) = delete;
  ~Port_CompressMap();

  // Copies up to n bytes from uncompressed position pos into buf: done plus the bytes copied,
  // or 0 (nothing there, or an error). Callers pass done = 0.
  unsigned int Read(unsigned char *buf, unsigned int n, unsigned int pos, unsigned int done);
  unsigned int GetRecordIdx(unsigned int pos) const;
  bool IsInRecord(unsigned int idx, unsigned int pos) const { return Compare(idx, pos) == 0; }
  // -1 pos before record idx, 1 pos at or after the next record, else 0.
  int Compare(unsigned int idx, unsigned int pos) const;

  int32_t GetNumRecords() const { return m_count; }
  uint32_t GetUnCompressedSize() const { return m_uncompressedSize; }
  uint32_t GetCompressedSize() const { return m_compressedSize; }
  bool GetError() const { return m_error; }
  Port_Compress &GetCompressor() { return m_compressor; }

private:
  void build();
  // Decompresses the block at hdr into the data buffer; false (and the error flag) when the
  // record does not give the size its header announces.
  bool load(const unsigned char *hdr);

  int32_t m_count;
  uint32_t *m_positions;
  uint32_t *m_starts;
  unsigned char *m_data;
  Port_Compress m_compressor;
  int32_t m_current;
  uint32_t m_length;
  Port::FileDesc m_fd;
  uint32_t m_compressedSize;
  uint32_t m_uncompressedSize;
  bool m_error;
};

#endif
