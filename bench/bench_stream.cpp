// bench_stream.cpp - UT_STREAM against stdio and iostreams on the same 64 MiB file, in one run:
// sequential writes and reads in 4 KiB and 1-byte pieces, big-endian ints, text lines and
// tokens. For lines and tokens the floor is a raw scan: read() in 1 MiB pieces and memchr
// counting the line feeds, without making any line.
#include "Port_File.h"
#include "basutstream.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr long kFileSize = 64L * 1024 * 1024;
constexpr int kPiece = 4096;

// The data file (64 MiB of bytes, readable as big-endian ints) and a text file of 64 MiB of
// lines of varying length ending in CR LF; made once, removed at the end.
struct Files {
  std::string data;
  std::string text;
  std::string out;
  Files() {
    data = Port_File::tmpnam(nullptr);
    text = Port_File::tmpnam(nullptr);
    out = Port_File::tmpnam(nullptr);
    std::vector<unsigned char> piece(kPiece);
    for (int i = 0; i < kPiece; ++i)
      piece[i] = static_cast<unsigned char>(i * 31 + 7);
    std::FILE *f = std::fopen(data.c_str(), "wb");
    for (long done = 0; done < kFileSize; done += kPiece)
      std::fwrite(piece.data(), 1, kPiece, f);
    std::fclose(f);
    f = std::fopen(text.c_str(), "wb");
    long written = 0;
    for (int line = 0; written < kFileSize; ++line) {
      std::string l(static_cast<size_t>(20 + line % 100), static_cast<char>('a' + line % 26));
      l += "\r\n";
      std::fwrite(l.data(), 1, l.size(), f);
      written += static_cast<long>(l.size());
    }
    std::fclose(f);
  }
  ~Files() {
    std::remove(data.c_str());
    std::remove(text.c_str());
    std::remove(out.c_str());
  }
};

Files &files() {
  static Files f;
  return f;
}

void setBytes(benchmark::State &state) { state.SetBytesProcessed(state.iterations() * kFileSize); }

// Each iteration opens the file as a stream, hands it to pass and closes it; what pass returns
// is kept from the optimiser.
template <class Pass>
void overStream(benchmark::State &state, const std::string &name, UT_STREAM::Access access,
                Pass pass) {
  for (auto _ : state) {
    UT_STREAM *s = Port_File::open(name.c_str(), access, access == UT_STREAM::Write ? 1 : 0);
    benchmark::DoNotOptimize(pass(s));
    Port_File::close(s);
  }
  setBytes(state);
}

// The same with the C library's stream, opened in mode.
template <class Pass>
void overFile(benchmark::State &state, const std::string &name, const char *mode, Pass pass) {
  for (auto _ : state) {
    std::FILE *f = std::fopen(name.c_str(), mode);
    benchmark::DoNotOptimize(pass(f));
    std::fclose(f);
  }
  setBytes(state);
}

// ---------------------------------------------------------------------------------------------
// Writing

void BM_Write4K_UtStream(benchmark::State &state) {
  std::vector<unsigned char> piece(kPiece, 'w');
  overStream(state, files().out, UT_STREAM::Write, [&](UT_STREAM *s) {
    for (long done = 0; done < kFileSize; done += kPiece)
      s->write(piece.data(), kPiece);
    return 0;
  });
}

void BM_Write4K_Fwrite(benchmark::State &state) {
  std::vector<unsigned char> piece(kPiece, 'w');
  overFile(state, files().out, "wb", [&](std::FILE *f) {
    for (long done = 0; done < kFileSize; done += kPiece)
      std::fwrite(piece.data(), 1, kPiece, f);
    return 0;
  });
}

void BM_Write1_UtStream(benchmark::State &state) {
  overStream(state, files().out, UT_STREAM::Write, [](UT_STREAM *s) {
    for (long done = 0; done < kFileSize; ++done) {
      const unsigned char c = static_cast<unsigned char>(done);
      s->write(&c, 1);
    }
    return 0;
  });
}

void BM_Write1_Fputc(benchmark::State &state) {
  overFile(state, files().out, "wb", [](std::FILE *f) {
    for (long done = 0; done < kFileSize; ++done)
      std::fputc(static_cast<unsigned char>(done), f);
    return 0;
  });
}

// ---------------------------------------------------------------------------------------------
// Reading

void BM_Read4K_UtStream(benchmark::State &state) {
  std::vector<unsigned char> piece(kPiece);
  overStream(state, files().data, UT_STREAM::Read, [&](UT_STREAM *s) {
    unsigned sum = 0;
    while (s->read(piece.data(), kPiece) == static_cast<unsigned>(kPiece))
      sum += piece[0];
    return sum;
  });
}

void BM_Read4K_Fread(benchmark::State &state) {
  std::vector<unsigned char> piece(kPiece);
  overFile(state, files().data, "rb", [&](std::FILE *f) {
    unsigned sum = 0;
    while (std::fread(piece.data(), 1, kPiece, f) == static_cast<size_t>(kPiece))
      sum += piece[0];
    return sum;
  });
}

void BM_Read1_UtStream(benchmark::State &state) {
  overStream(state, files().data, UT_STREAM::Read, [](UT_STREAM *s) {
    unsigned sum = 0;
    unsigned char c;
    while (s->read(&c, 1) == 1)
      sum += c;
    return sum;
  });
}

void BM_Read1_Fgetc(benchmark::State &state) {
  overFile(state, files().data, "rb", [](std::FILE *f) {
    unsigned sum = 0;
    int c;
    while ((c = std::fgetc(f)) != EOF)
      sum += static_cast<unsigned>(c);
    return sum;
  });
}

// 16 Mi big-endian ints.
void BM_ReadInt_UtStream(benchmark::State &state) {
  overStream(state, files().data, UT_STREAM::Read, [](UT_STREAM *s) {
    uint32_t sum = 0;
    for (long i = 0; i < kFileSize / 4; ++i)
      sum += static_cast<uint32_t>(s->readint());
    return sum;
  });
}

void BM_ReadInt_FreadSwap(benchmark::State &state) {
  overFile(state, files().data, "rb", [](std::FILE *f) {
    uint32_t sum = 0;
    for (long i = 0; i < kFileSize / 4; ++i) {
      unsigned char b[4];
      if (std::fread(b, 1, 4, f) != 4)
        break;
      sum += (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
    }
    return sum;
  });
}

void BM_Readline_UtStream(benchmark::State &state) {
  overStream(state, files().text, UT_STREAM::Read, [](UT_STREAM *s) {
    Port::StringBase<char> line;
    size_t total = 0;
    while (line.ReadLine(s))
      total += line.GetLength();
    return total;
  });
}

void BM_Readline_StdGetline(benchmark::State &state) {
  for (auto _ : state) {
    std::ifstream in(files().text, std::ios::binary);
    std::string line;
    size_t total = 0;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      total += line.size();
    }
    benchmark::DoNotOptimize(total);
  }
  setBytes(state);
}

void BM_Readtoken_UtStream(benchmark::State &state) {
  overStream(state, files().text, UT_STREAM::Read, [](UT_STREAM *s) {
    Port::StringBase<char> token;
    size_t total = 0;
    while (s->readtoken(&token))
      total += token.GetLength();
    return total;
  });
}

void BM_LineScan_ReadMemchr(benchmark::State &state) {
  std::vector<char> piece(1 << 20);
  for (auto _ : state) {
    const int fd = ::open(files().text.c_str(), O_RDONLY);
    size_t lines = 0;
    ssize_t got;
    while ((got = ::read(fd, piece.data(), piece.size())) > 0) {
      const char *p = piece.data();
      const char *end = p + got;
      while (const void *hit = std::memchr(p, '\n', static_cast<size_t>(end - p))) {
        ++lines;
        p = static_cast<const char *>(hit) + 1;
      }
    }
    benchmark::DoNotOptimize(lines);
    ::close(fd);
  }
  setBytes(state);
}

} // namespace

BENCHMARK(BM_Write4K_UtStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write4K_Fwrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write1_UtStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write1_Fputc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read4K_UtStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read4K_Fread)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read1_UtStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read1_Fgetc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadInt_UtStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadInt_FreadSwap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Readline_UtStream)->Name("Readline/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Readline_StdGetline)->Name("Readline/ref")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Readtoken_UtStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineScan_ReadMemchr)->Unit(benchmark::kMillisecond);
