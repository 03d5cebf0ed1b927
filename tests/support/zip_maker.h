// zip_maker.h - zip archives for tests, made by the writers people use: minizip's writer and
// Python's zipfile module.
#ifndef PORT_TEST_ZIP_MAKER_H
#define PORT_TEST_ZIP_MAKER_H

#include <cstdint>
#include <string>
#include <vector>

namespace porttest {

struct ZipMember {
  std::string name;
  std::string data;
  int method = 8;                 // 0 stored, 8 deflated
  const char *password = nullptr; // ZipCrypto encryption when set
};

// Writes the archive with minizip's writer; false when it cannot.
bool writeZip(const std::string &path, const std::vector<ZipMember> &members);

// Writes an archive holding one deflated member whose compressed data is given as it is (raw
// deflate), with its uncompressed size and CRC-32; zip64 records are written. False on failure.
bool writeRawDeflatedZip(const std::string &path, const std::string &name,
                         const std::string &deflated, uint64_t size, uint32_t crc);

// Runs a Python 3 script (the text of a program) with the arguments; the exit status, and the
// script's standard error in *err when given.
int runPython(const std::string &script, const std::vector<std::string> &args,
              std::string *err = nullptr);

// Offset of the data of the member whose local header starts at the offset.
uint64_t localDataOffset(const std::string &archive, uint64_t header);

} // namespace porttest

#endif
