// fileencode_fuzz.cpp - loading and reading encoded text files (plain, or scrambled behind the
// signature), then writing them back scrambled and loading that again.
//
// Input: one control byte (the readline buffer size and a position to seek to), then the bytes
// of the file to load.
#include "Port_File.h"
#include "basutfileencode.h"
#include "basutstream.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const std::string &scratch(int which) {
  static const std::string names[2] = {fuzzsupport::scratchPath("encoded.in"),
                                       fuzzsupport::scratchPath("encoded.out")};
  return names[which];
}

// What a stream reads from the file: its bytes, or what its decoder makes of them when the file
// is compressed. False when the stream fails (a damaged compressed file), or gives more than a
// run should walk through line by line.
bool streamed(const std::string &path, std::string *out) {
  UT_STREAM *s = Port_File::open(path.c_str(), UT_STREAM::Read, 0);
  if (!s)
    return false;
  unsigned char buf[4096];
  while (const unsigned got = s->read(buf, sizeof buf)) {
    out->append(reinterpret_cast<char *>(buf), got);
    if (out->size() > (1u << 20))
      break;
  }
  const bool ok = s->geterror() == 0 && out->size() <= (1u << 20);
  Port_File::close(s);
  return ok;
}

// What the contents must be: the bytes, unscrambled behind the signature.
std::string expected(const std::string &file) {
  static const std::string signature("\x06\x1e\x43\x00\x09", 5);
  if (file.compare(0, 5, signature) != 0 || file.size() < 5)
    return file;
  std::string out = file.substr(5);
  for (size_t k = 0; k < out.size(); ++k)
    out[k] = static_cast<char>(static_cast<unsigned char>(out[k]) + k % 7 - k % 74);
  return out;
}

std::string drain(UT_FILEENCODE &f) {
  std::string out;
  char buf[97];
  while (unsigned n = f.readkey(buf, sizeof buf, "")) {
    if (n > sizeof buf)
      __builtin_trap();
    out.append(buf, n);
  }
  return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  const unsigned control = data[0];
  const std::string file(reinterpret_cast<const char *>(data) + 1, size - 1);
  fuzzsupport::writeFile(scratch(0), file.data(), file.size());
  // A compressed file is loaded through its decoder: the contents are what it hands out, and a
  // damaged one fails to load.
  std::string contents;
  const bool readable = streamed(scratch(0), &contents);
  UT_FILEENCODE f;
  if (!f.load(scratch(0).c_str())) {
    // Refused by the open-file layer or failed while reading: nothing may have been taken in.
    if (f.rewind())
      __builtin_trap();
    return 0;
  }
  if (!readable) {
    // Loaded what a stream could not read: only a file beyond the walk's limit may be.
    if (contents.size() <= (1u << 20))
      __builtin_trap();
    return 0;
  }
  const std::string want = expected(contents);
  if (drain(f) != want)
    __builtin_trap();

  // Line by line with a small buffer: every byte is consumed once, no result exceeds the buffer.
  f.rewind();
  const unsigned lineSize = control % 16 + 1;
  char line[17];
  size_t lines = 0;
  while (!f.geteof()) {
    const long before = f.getfoffset();
    const unsigned n = f.readline(line, lineSize);
    if (n > lineSize || (n < lineSize && line[n] != '\0'))
      __builtin_trap();
    if (f.getfoffset() <= before && !f.geteof())
      __builtin_trap();
    if (++lines > want.size() + 1)
      __builtin_trap();
  }
  if (f.getfoffset() != static_cast<long>(want.size()))
    __builtin_trap();

  // Positions: inside the contents accepted, outside refused.
  const long pos = static_cast<long>(control) - 128;
  const bool inside = pos >= 0 && pos < static_cast<long>(want.size());
  if (f.setfoffset(pos) != inside)
    __builtin_trap();
  if (inside && drain(f) != want.substr(static_cast<size_t>(pos)))
    __builtin_trap();

  // Written scrambled and loaded again: the same contents.
  if (!f.dump(scratch(1).c_str(), 1))
    __builtin_trap();
  UT_FILEENCODE back;
  if (!back.load(scratch(1).c_str()) || drain(back) != want)
    __builtin_trap();
  return 0;
}
