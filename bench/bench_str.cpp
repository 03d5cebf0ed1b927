// bench_str.cpp - UT_STR formatting and CRC-32 against the C library, zlib and libdeflate, in
// one run.
#include "basutstr.h"

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// A typical message: a file name, an error number, a 64-bit size and a line number.
constexpr const char *kOwnFormat = "Unable to read file \"%s\" (error %d): %lU bytes at line %I.\n";
constexpr const char *kLibcFormat =
    "Unable to read file \"%s\" (error %d): %llu bytes at line %d.\n";
constexpr const char *kFile = "C:\\work\\designs\\top_level\\netlist_final.edf";

// One formatting of the line into a 512-byte buffer an iteration; format(buf, size, line).
template <class Format> void formatLoop(benchmark::State &state, Format format) {
  char buf[512];
  int line = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(format(buf, sizeof buf, ++line));
    benchmark::ClobberMemory();
  }
}

void BM_UtStrSNPrintf(benchmark::State &state) {
  formatLoop(state, [](char *buf, size_t size, int line) {
    return UT_STR::SNPrintf(buf, size, kOwnFormat, kFile, 13, uint64_t(1234567890123), line);
  });
}
BENCHMARK(BM_UtStrSNPrintf)->Name("SNPrintf/ours");

void BM_LibcSnprintf(benchmark::State &state) {
  formatLoop(state, [](char *buf, size_t size, int line) {
    return std::snprintf(buf, size, kLibcFormat, kFile, 13,
                         static_cast<unsigned long long>(1234567890123), line);
  });
}
BENCHMARK(BM_LibcSnprintf)->Name("SNPrintf/ref");

// Hands the arguments after format to the va_list form VFormat, as its callers do.
template <int (*VFormat)(char *, size_t, const char *, va_list)>
int viaVaList(char *buf, size_t size, const char *format, ...) {
  va_list args;
  va_start(args, format);
  const int n = VFormat(buf, size, format, args);
  va_end(args);
  return n;
}

void BM_UtStrVSNPrintf(benchmark::State &state) {
  formatLoop(state, [](char *buf, size_t size, int line) {
    return viaVaList<UT_STR::VSNPrintf>(buf, size, kOwnFormat, kFile, 13, uint64_t(1234567890123),
                                        line);
  });
}
BENCHMARK(BM_UtStrVSNPrintf)->Name("VSNPrintf/ours");

void BM_LibcVsnprintf(benchmark::State &state) {
  formatLoop(state, [](char *buf, size_t size, int line) {
    return viaVaList<std::vsnprintf>(buf, size, kLibcFormat, kFile, 13,
                                     static_cast<unsigned long long>(1234567890123), line);
  });
}
BENCHMARK(BM_LibcVsnprintf)->Name("VSNPrintf/ref");

std::vector<unsigned char> data(size_t n) {
  std::vector<unsigned char> v(n);
  for (size_t i = 0; i < n; ++i)
    v[i] = static_cast<unsigned char>(i * 131 + 7);
  return v;
}

void BM_UtStrCRC32(benchmark::State &state) {
  const auto bytes = data(static_cast<size_t>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(UT_STR::CRC32(bytes.data(), bytes.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_UtStrCRC32)->Name("Crc32/ours")->RangeMultiplier(4)->Range(16, 1 << 20);

void BM_ZlibCrc32(benchmark::State &state) {
  const auto bytes = data(static_cast<size_t>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(
        crc32(crc32(0L, Z_NULL, 0), bytes.data(), static_cast<uInt>(bytes.size())));
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ZlibCrc32)->Name("Crc32/ref_zlib")->RangeMultiplier(4)->Range(16, 1 << 20);

void BM_LibdeflateCrc32(benchmark::State &state) {
  const auto bytes = data(static_cast<size_t>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(libdeflate_crc32(0, bytes.data(), bytes.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_LibdeflateCrc32)->Name("Crc32/ref_libdeflate")->RangeMultiplier(4)->Range(16, 1 << 20);

} // namespace
