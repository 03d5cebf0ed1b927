// stream_fuzz.cpp - reads an arbitrary file through a buffered stream: lines, tokens, keys,
// strings, binary values, peeks and seeks, in an order the input chooses.
//
// Input: a script (up to the first zero byte), then the file's bytes. Each script byte picks an
// operation (low five bits) and a size (high three bits); the first script byte
// is not used. A file that looks compressed is read through its codec; damage is a read error.
#include "Port_File.h"
#include "Port_StringBase.h"
#include "basutstream.h"

#include "fuzz_fields.h"
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

void step(UT_STREAM &s, unsigned char op) {
  // Sizes around the smallest stream buffer (2048 bytes) and beyond.
  static const int sizes[8] = {0, 1, 2, 3, 16, 255, 2049, 5000};
  const int size = sizes[op >> 5];
  static char buffer[5001];
  char *b = buffer;
  unsigned char *u = reinterpret_cast<unsigned char *>(b);
  Port::StringBase<char> text;
  unsigned got = 0;
  switch (op & 31) {
  case 0:
    got = s.readline(b, size);
    break;
  case 1:
    s.readline(&text);
    break;
  case 2:
    got = s.readtoken(b, size);
    break;
  case 3:
    s.readtoken(&text);
    break;
  case 4:
    got = s.readkey(u, static_cast<unsigned>(size), ",;\n");
    break;
  case 5:
    got = s.peekkey(u, static_cast<unsigned>(size), " ");
    break;
  case 6:
    got = s.readstring(b, size);
    break;
  case 7:
    s.readstring(&text);
    break;
  case 8:
    got = s.peekstring(b, size);
    break;
  case 9:
    got = s.read(u, static_cast<unsigned>(size));
    break;
  case 10:
    got = s.sread(u, static_cast<unsigned>(size));
    break;
  case 11:
    got = s.peek(u, static_cast<unsigned>(size));
    break;
  case 12:
    s.readint32();
    break;
  case 13:
    s.readint64();
    break;
  case 14:
    s.readdouble();
    break;
  case 15:
    s.readfloat();
    break;
  case 16:
    s.readshort();
    break;
  case 17:
    s.readlong();
    break;
  case 18:
    s.readulong();
    break;
  case 19:
    s.readbyte();
    break;
  case 20:
    s.readchar();
    break;
  case 21:
    s.readuint16();
    break;
  case 22:
    s.setfoffset(size);
    break;
  case 23:
    s.seekstart();
    break;
  case 24:
    s.seekend();
    break;
  case 25:
    s.getsize();
    s.available();
    s.getfoffset();
    break;
  case 26:
    s.geteof();
    s.geterror();
    s.clearerror();
    break;
  case 27: {
    unsigned long long v;
    s.read(v);
  } break;
  case 28: {
    long v;
    s.read(v);
  } break;
  case 29: {
    char c;
    s.read(c);
  } break;
  case 30:
    got = s.speek(u, static_cast<unsigned>(size));
    break;
  default:
    s.readuint64();
    break;
  }
  // The buffer versions never report more than they could store.
  if (size > 0 && got > static_cast<unsigned>(size))
    __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const std::string path = fuzzsupport::scratchPath("stream.dat");
  std::vector<std::string> f = fuzzFields(data, size, 2);
  const std::string &script = f[0];
  fuzzsupport::writeFile(path, f[1].data(), f[1].size());

  UT_STREAM *s = Port_File::open(path.c_str(), UT_STREAM::Read, 0);
  if (!s)
    return 0;
  for (size_t i = 1; i < script.size() && i < 64; ++i)
    step(*s, static_cast<unsigned char>(script[i]));
  Port_File::close(s);
  return 0;
}
