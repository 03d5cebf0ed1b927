// zip_maker.cpp - zip archives for tests through minizip's writer and Python's zipfile.
#include "zip_maker.h"

#include "child_process.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>

namespace porttest {

bool writeZip(const std::string &path, const std::vector<ZipMember> &members) {
  zipFile z = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!z)
    return false;
  bool ok = true;
  for (const ZipMember &m : members) {
    zip_fileinfo info = {};
    const uLong crc =
        crc32(0L, reinterpret_cast<const Bytef *>(m.data.data()), static_cast<uInt>(m.data.size()));
    ok = ok &&
         zipOpenNewFileInZip3_64(z, m.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 m.method, m.method ? Z_BEST_COMPRESSION : 0, 0, -MAX_WBITS, 8,
                                 Z_DEFAULT_STRATEGY, m.password, crc, 0) == ZIP_OK &&
         zipWriteInFileInZip(z, m.data.data(), static_cast<unsigned>(m.data.size())) == ZIP_OK &&
         zipCloseFileInZip(z) == ZIP_OK;
  }
  return zipClose(z, nullptr) == ZIP_OK && ok;
}

bool writeRawDeflatedZip(const std::string &path, const std::string &name,
                         const std::string &deflated, uint64_t size, uint32_t crc) {
  zipFile z = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!z)
    return false;
  zip_fileinfo info = {};
  bool ok = zipOpenNewFileInZip2_64(z, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                    Z_DEFLATED, Z_BEST_SPEED, 1, 1) == ZIP_OK;
  // The writer takes at most an unsigned int at a time.
  for (size_t at = 0; ok && at < deflated.size(); at += 1u << 20) {
    const size_t piece = std::min<size_t>(1u << 20, deflated.size() - at);
    ok = zipWriteInFileInZip(z, deflated.data() + at, static_cast<unsigned>(piece)) == ZIP_OK;
  }
  ok = ok && zipCloseFileInZipRaw64(z, size, crc) == ZIP_OK;
  return zipClose(z, nullptr) == ZIP_OK && ok;
}

int runPython(const std::string &script, const std::vector<std::string> &args, std::string *err) {
  std::vector<std::string> all{"-c", script};
  all.insert(all.end(), args.begin(), args.end());
  const ChildResult r = runProgram("/usr/bin/python3", all);
  if (err)
    *err = r.err;
  return r.status;
}

uint64_t localDataOffset(const std::string &archive, uint64_t header) {
  auto le16 = [&](uint64_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(archive[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(archive[at + 1])) << 8;
  };
  return header + 30 + le16(header + 26) + le16(header + 28);
}

} // namespace porttest
