// bench_fileencode.cpp - an encoded text file of 4 MiB loaded and read line by line, plain and
// scrambled, against std::getline over an ifstream on the same plain file, in one run.
#include "Port_File.h"
#include "basutfileencode.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr long kFileSize = 4L * 1024 * 1024;

struct Texts {
  std::string plain;
  std::string scrambled;
  Texts() {
    plain = Port_File::tmpnam(nullptr);
    scrambled = Port_File::tmpnam(nullptr);
    UT_FILEENCODE f;
    long written = 0;
    for (int line = 0; written < kFileSize; ++line) {
      std::string l(static_cast<size_t>(10 + line % 90), static_cast<char>('a' + line % 26));
      f.writeline(l.c_str());
      written += static_cast<long>(l.size()) + 1;
    }
    f.dump(plain.c_str(), 0);
    f.dump(scrambled.c_str(), 1);
  }
  ~Texts() {
    std::remove(plain.c_str());
    std::remove(scrambled.c_str());
  }
};

const Texts &texts() {
  static Texts t;
  return t;
}

void readEncoded(benchmark::State &state, const std::string &name) {
  char line[4096];
  long bytes = 0;
  for (auto _ : state) {
    UT_FILEENCODE f;
    if (!f.load(name.c_str()))
      state.SkipWithError("load failed");
    long lines = 0;
    while (!f.geteof()) {
      bytes += f.readline(line, sizeof line);
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFileSize);
  benchmark::DoNotOptimize(bytes);
}

void BM_EncodedReadPlain(benchmark::State &state) { readEncoded(state, texts().plain); }
void BM_EncodedReadScrambled(benchmark::State &state) { readEncoded(state, texts().scrambled); }

void BM_GetlineIfstream(benchmark::State &state) {
  std::string line;
  long bytes = 0;
  for (auto _ : state) {
    std::ifstream in(texts().plain, std::ios::binary);
    long lines = 0;
    while (std::getline(in, line)) {
      bytes += static_cast<long>(line.size());
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFileSize);
  benchmark::DoNotOptimize(bytes);
}

BENCHMARK(BM_GetlineIfstream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodedReadPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodedReadScrambled)->Unit(benchmark::kMillisecond);

} // namespace
