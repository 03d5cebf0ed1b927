// zip_fuzz.cpp - zip archives standing in for a directory: members opened, read and positioned
// through Port::ZipFile and through the fall-back of Port_File::open.
//
// Input: the bytes of an archive. Its directory is walked independently with minizip, and each
// entry is opened through the library. Whatever a reader yields must be the entry's exact bytes
// or an error: bytes read to the end without an error have the CRC-32 and length that the
// directory gives, and equal what minizip's own reader extracts when that reader, too, reaches
// the end without an error (its close then checks the CRC). Reads after seeks give the same
// bytes as the whole read, or an error.
#include "Port_File.h"
#include "Port_ZipFile.h"
#include "fuzz_support.h"

#include <unzip.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// No member of an input may make the target read more than this.
constexpr uint64_t kLimit = 16u << 20;

struct Directory {
  std::string name;
  uint32_t crc;
  uint64_t size;
};

std::vector<Directory> walk(const std::string &path) {
  std::vector<Directory> entries;
  unzFile z = unzOpen64(path.c_str());
  if (!z)
    return entries;
  for (int r = unzGoToFirstFile(z); r == UNZ_OK && entries.size() < 64; r = unzGoToNextFile(z)) {
    unz_file_info64 info;
    char name[1024];
    if (unzGetCurrentFileInfo64(z, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
      break;
    if (info.size_filename >= sizeof name)
      continue;
    // A name met again stands for its first entry, in every reader.
    const std::string n(name, info.size_filename);
    bool seen = false;
    for (const Directory &e : entries)
      seen = seen || e.name == n;
    if (seen)
      continue;
    entries.push_back({n, static_cast<uint32_t>(info.crc), info.uncompressed_size});
  }
  unzClose(z);
  return entries;
}

// minizip's extraction of the entry: true with the bytes when it reads to the end and its close
// accepts the CRC-32.
bool extractWithMinizip(const std::string &path, const std::string &name, std::string *bytes) {
  unzFile z = unzOpen64(path.c_str());
  if (!z)
    return false;
  bool ok = unzLocateFile(z, name.c_str(), 1) == UNZ_OK && unzOpenCurrentFile(z) == UNZ_OK;
  if (ok) {
    char buf[8192];
    int got;
    while ((got = unzReadCurrentFile(z, buf, sizeof buf)) > 0 && bytes->size() < kLimit)
      bytes->append(buf, static_cast<size_t>(got));
    ok = got == 0 && unzCloseCurrentFile(z) == UNZ_OK;
  }
  unzClose(z);
  return ok;
}

// Reads the current member to its end; false on an error, or when it is larger than kLimit.
bool readAll(Port::ZipFile &z, std::string *bytes) {
  char buf[4096];
  for (;;) {
    const int got = z.Read(buf, sizeof buf);
    if (got < 0 || bytes->size() > kLimit)
      return false;
    if (got == 0)
      return true;
    bytes->append(buf, static_cast<size_t>(got));
  }
}

void check(bool condition) {
  if (!condition)
    __builtin_trap();
}

// Positions taken from the input, read back after a seek.
void seekAndCompare(Port::ZipFile &z, const std::string &whole, const uint8_t *data, size_t size) {
  for (size_t i = 0; i + 2 <= size && i < 16; i += 2) {
    const long target = whole.empty() ? 0 : (data[i] | data[i + 1] << 8) % (whole.size() + 1);
    if (z.Seek(target, Port::SeekType::SeekSet()) != target)
      continue;
    char buf[300];
    const int got = z.Read(buf, sizeof buf);
    if (got < 0)
      return;
    check(whole.compare(static_cast<size_t>(target), static_cast<size_t>(got), buf,
                        static_cast<size_t>(got)) == 0);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const fs::path dir = fs::temp_directory_path() / ("zip_fuzz." + std::to_string(getpid()));
  static long round = 0;
  fs::create_directories(dir);
  const std::string path = (dir / "a.zip").string();
  {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
      return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  // The archive instances of the open fall-back are told apart by size and time.
  fs::last_write_time(path, fs::file_time_type() + std::chrono::seconds(++round));

  Port::ZipFile z(path.c_str());
  if (!z.Open())
    return 0;
  for (const Directory &d : walk(path)) {
    std::string ours;
    if (!z.OpenFile(d.name.c_str()) || !readAll(z, &ours))
      continue;
    // The 32-bit placeholder of a zip64 size is what this minizip reports for it.
    check(ours.size() == d.size || d.size == 0xFFFFFFFFu);
    check(static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef *>(ours.data()),
                                      static_cast<uInt>(ours.size()))) == d.crc);
    std::string theirs;
    if (extractWithMinizip(path, d.name, &theirs))
      check(theirs == ours);
    seekAndCompare(z, ours, data, size);

    // The same member through the open-file table, named below the directory it stands for;
    // names that would climb out of it, or that a file name would read otherwise, are left out.
    if (d.name.empty() || d.name[0] == '/' || d.name.back() == '/' ||
        d.name.find_first_of("\\:") != std::string::npos ||
        d.name.find("..") != std::string::npos || d.name.find("./") != std::string::npos ||
        d.name.find("//") != std::string::npos)
      continue;
    UT_STREAM *s = Port_File::open((dir / "a" / d.name).string().c_str(), UT_STREAM::Read, 0);
    if (!s)
      continue;
    std::string streamed;
    unsigned char buf[4096];
    unsigned got;
    while ((got = s->read(buf, sizeof buf)) > 0 && streamed.size() <= kLimit)
      streamed.append(reinterpret_cast<char *>(buf), got);
    // A compressed member is read through its decoder: what it hands out is not the member's
    // bytes, and damage is a read error.
    check(s->geterror() != 0 || s->is_compressed() || streamed == ours);
    Port_File::close(s);
  }
  return 0;
}
