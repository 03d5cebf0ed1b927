// bench_compress.cpp - the compression codecs against zlib in one run, on the same 64 MiB of
// mixed text: record files (Port_Compress::Write/Read) against compress2 at level 9 and
// uncompress over the same 64854-byte chunks; the classic packer against zlib level 9, and its
// expansion against inflate of that level-9 stream; and
// 64 MiB compressed streams written and read back in both codecs. Each reports its compressed
// size in the counter "packed", which scripts/bench.sh compares within a pair.
#include "PortCompress.h"
#include "Port_File.h"
#include "basutio.h"
#include "basutpak.h"
#include "basutstream.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kTextSize = 64u * 1024 * 1024;
constexpr unsigned kChunk = 64854;

// Lines of words, numbers and punctuation, like logs and netlists.
const std::string &mixedText() {
  static const std::string text = [] {
    const char *words[] = {"net",    "cell",  "instance", "port",  "wire", "module", "input",
                           "output", "clock", "reset",    "value", "the",  "of",     "and",
                           "error",  "warn",  "timing",   "slack", "path", "delay"};
    std::mt19937 rng(42);
    std::string t;
    t.reserve(kTextSize);
    while (t.size() < kTextSize) {
      const int n = 3 + static_cast<int>(rng() % 9);
      for (int i = 0; i < n; ++i) {
        t += words[rng() % 20];
        t += (rng() % 3 == 0) ? "_" + std::to_string(rng() % 10000) : "";
        t += ' ';
      }
      t += std::to_string(rng() % 100000) + ".";
      t += std::to_string(rng() % 1000) + ";\n";
    }
    t.resize(kTextSize);
    return t;
  }();
  return text;
}

std::string scratchName() { return std::string(Port_File::tmpnam(nullptr)); }

const unsigned char *bytes(const std::string &s) {
  return reinterpret_cast<const unsigned char *>(s.data());
}

// The record file of the text, made once for the read benchmarks.
const std::string &recordFile() {
  static const std::string name = [] {
    std::string n = scratchName();
    const int fd = ::open(n.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0666);
    Port::FileDesc d(fd);
    Port_Compress().Write(d, bytes(mixedText()), static_cast<unsigned>(mixedText().size()));
    d.close();
    return n;
  }();
  return name;
}

void BM_RecordsWrite(benchmark::State &state) {
  const std::string &text = mixedText();
  const std::string name = scratchName();
  unsigned written = 0;
  for (auto _ : state) {
    const int fd = ::open(name.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0666);
    Port::FileDesc d(fd);
    written = Port_Compress().Write(d, bytes(text), static_cast<unsigned>(text.size()));
    d.close();
  }
  ::unlink(name.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["packed"] = written;
}

void BM_ZlibCompress2Level9(benchmark::State &state) {
  const std::string &text = mixedText();
  std::vector<unsigned char> out(compressBound(kChunk));
  size_t total = 0;
  for (auto _ : state) {
    total = 0;
    for (size_t at = 0; at < text.size(); at += kChunk) {
      uLongf len = out.size();
      const uLong n = std::min<size_t>(kChunk, text.size() - at);
      compress2(out.data(), &len, bytes(text) + at, n, 9);
      total += len + 24; // the same framing as a record
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["packed"] = static_cast<double>(total);
}

void BM_RecordsRead(benchmark::State &state) {
  const std::string &name = recordFile();
  std::vector<unsigned char> out(kTextSize);
  unsigned got = 0;
  for (auto _ : state) {
    const int fd = ::open(name.c_str(), O_RDONLY);
    Port::FileDesc d(fd);
    got = Port_Compress().Read(d, out.data(), static_cast<unsigned>(out.size()));
    d.close();
  }
  if (got != kTextSize)
    state.SkipWithError("record file did not read back whole");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTextSize));
}

void BM_ZlibUncompress(benchmark::State &state) {
  const std::string &text = mixedText();
  std::vector<std::vector<unsigned char>> chunks;
  for (size_t at = 0; at < text.size(); at += kChunk) {
    std::vector<unsigned char> c(compressBound(kChunk));
    uLongf len = c.size();
    compress2(c.data(), &len, bytes(text) + at, std::min<size_t>(kChunk, text.size() - at), 9);
    c.resize(len);
    chunks.push_back(std::move(c));
  }
  std::vector<unsigned char> out(kTextSize);
  for (auto _ : state) {
    size_t at = 0;
    for (const auto &c : chunks) {
      uLongf len = kChunk;
      uncompress(out.data() + at, &len, c.data(), c.size());
      at += len;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTextSize));
}

// Counts what the packer writes.
class CountingDevice : public UT_IO_DEVICE {
public:
  CountingDevice() : UT_IO_DEVICE(UT_IO_DEVICE_RAW) {}
  int get_rawdata(unsigned char *, unsigned) override { return 0; }
  int set_rawdata(unsigned char *, unsigned n) override {
    count += n;
    return static_cast<int>(n);
  }
  long set_rawoffset(long) override { return 0; }
  long get_rawoffset() override { return 0; }
  Port::FileDesc get_rawfd() override { return Port::FileDesc(); }
  bool writes_data() const override { return true; }
  size_t count = 0;
};

void BM_ClassicPack(benchmark::State &state) {
  const std::string &text = mixedText();
  size_t packed = 0;
  for (auto _ : state) {
    CountingDevice dev;
    {
      UTPAK_DATA p(&dev, '1', '2');
      // The classic stream hands its packer 16384-byte buffers.
      for (size_t at = 0; at < text.size(); at += 16384)
        p.pak(const_cast<char *>(text.data()) + at,
              static_cast<int>(std::min<size_t>(16384, text.size() - at)));
    }
    packed = dev.count;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["packed"] = static_cast<double>(packed);
}

// The classic stream of the text, packed once in 16384-byte blocks as the classic stream writes
// it, and the same text deflated at level 9, for the expansion pair.
class MemoryDevice : public UT_IO_DEVICE {
public:
  MemoryDevice() : UT_IO_DEVICE(UT_IO_DEVICE_RAW) {}
  int get_rawdata(unsigned char *buf, unsigned n) override {
    const size_t take = std::min<size_t>(n, data.size() - at);
    std::copy(data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + take),
              buf);
    at += take;
    return static_cast<int>(take);
  }
  int set_rawdata(unsigned char *buf, unsigned n) override {
    data.insert(data.end(), buf, buf + n);
    return static_cast<int>(n);
  }
  long set_rawoffset(long) override { return 0; }
  long get_rawoffset() override { return 0; }
  Port::FileDesc get_rawfd() override { return Port::FileDesc(); }
  bool writes_data() const override { return true; }
  std::vector<unsigned char> data;
  size_t at = 0;
};

const std::vector<unsigned char> &classicPacked() {
  static const std::vector<unsigned char> packed = [] {
    const std::string &text = mixedText();
    MemoryDevice dev;
    {
      UTPAK_DATA p(&dev, '1', '2');
      for (size_t at = 0; at < text.size(); at += 16384)
        p.pak(const_cast<char *>(text.data()) + at,
              static_cast<int>(std::min<size_t>(16384, text.size() - at)));
    }
    return dev.data;
  }();
  return packed;
}

const std::vector<unsigned char> &deflated9() {
  static const std::vector<unsigned char> packed = [] {
    const std::string &text = mixedText();
    std::vector<unsigned char> out(compressBound(static_cast<uLong>(text.size())));
    uLongf len = static_cast<uLongf>(out.size());
    compress2(out.data(), &len, bytes(text), static_cast<uLong>(text.size()), 9);
    out.resize(len);
    return out;
  }();
  return packed;
}

// Expanding the classic stream in the classic stream's 16384-byte reads.
void BM_ClassicUnpack(benchmark::State &state) {
  const std::vector<unsigned char> &packed = classicPacked();
  std::vector<char> out(16384);
  size_t back = 0;
  for (auto _ : state) {
    MemoryDevice dev;
    dev.data = packed;
    UTPAK_DATA p(&dev, '1', '2');
    back = 0;
    int got;
    while ((got = p.unpak(out.data(), static_cast<int>(out.size()))) > 0)
      back += static_cast<size_t>(got);
  }
  if (back != mixedText().size())
    state.SkipWithError("classic stream did not expand whole");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * mixedText().size()));
  state.counters["packed"] = static_cast<double>(packed.size());
}

// Feeds n bytes of in to the stream z and runs step over out until it stops returning Z_OK;
// the bytes it wrote, all told (out is reused each round).
template <class Step>
size_t pump(z_stream &z, const unsigned char *in, size_t n, std::vector<unsigned char> &out,
            Step step) {
  z.next_in = const_cast<Bytef *>(in);
  z.avail_in = static_cast<uInt>(n);
  size_t written = 0;
  int rc;
  do {
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    rc = step(z);
    written += out.size() - z.avail_out;
  } while (rc == Z_OK);
  return written;
}

void BM_ZlibInflateStream(benchmark::State &state) {
  const std::vector<unsigned char> &packed = deflated9();
  std::vector<unsigned char> out(16384);
  size_t back = 0;
  for (auto _ : state) {
    z_stream z{};
    inflateInit(&z);
    back = pump(z, packed.data(), packed.size(), out,
                [](z_stream &s) { return inflate(&s, Z_NO_FLUSH); });
    inflateEnd(&z);
  }
  if (back != mixedText().size())
    state.SkipWithError("deflated text did not inflate whole");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * mixedText().size()));
  state.counters["packed"] = static_cast<double>(packed.size());
}

void BM_ZlibDeflateLevel9Stream(benchmark::State &state) {
  const std::string &text = mixedText();
  std::vector<unsigned char> out(1 << 20);
  size_t packed = 0;
  for (auto _ : state) {
    z_stream z{};
    deflateInit(&z, 9);
    packed =
        pump(z, bytes(text), text.size(), out, [](z_stream &s) { return deflate(&s, Z_FINISH); });
    deflateEnd(&z);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["packed"] = static_cast<double>(packed);
}

// Writes the text to a compressed stream under name in pieces of buf's size and reads it back
// through buf; returns how many bytes came back.
size_t writeAndReadBack(const std::string &name, const std::string &text,
                        std::vector<unsigned char> &buf) {
  UT_STREAM *out = Port_File::open(name.c_str(), UT_STREAM::Write | UT_STREAM::Compressed, 1);
  for (size_t at = 0; at < text.size(); at += buf.size())
    out->write(bytes(text) + at, static_cast<unsigned>(std::min(buf.size(), text.size() - at)));
  Port_File::close(out);
  UT_STREAM *in = Port_File::open(name.c_str(), UT_STREAM::Read, 0);
  size_t back = 0;
  unsigned got;
  while ((got = in->read(buf.data(), static_cast<unsigned>(buf.size()))) > 0)
    back += got;
  Port_File::close(in);
  return back;
}

// A compressed stream of the text written and read back; state.range(0): 1 record codec, 0
// classic.
void BM_CompressedStreamWriteRead(benchmark::State &state) {
  const std::string &text = mixedText();
  const std::string name = scratchName();
  if (state.range(0))
    UT_IO_DEVICE::EnableNewCompression();
  else
    UT_IO_DEVICE::DisableNewCompression();
  std::vector<unsigned char> buf(1 << 16);
  size_t back = 0;
  for (auto _ : state)
    back = writeAndReadBack(name, text, buf);
  UT_IO_DEVICE::EnableNewCompression();
  std::FILE *f = std::fopen(name.c_str(), "rb");
  std::fseek(f, 0, SEEK_END);
  state.counters["packed"] = static_cast<double>(std::ftell(f));
  std::fclose(f);
  ::unlink(name.c_str());
  if (back != text.size())
    state.SkipWithError("stream did not read back whole");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * text.size()));
}

// A record-codec stream of the text written and read back with the given worker count (0: the
// automatic one); wall time, since the work is spread over threads.
void recordStream(benchmark::State &state, unsigned threads) {
  const std::string &text = mixedText();
  const std::string name = scratchName();
  UT_IO_DEVICE::SetRecordThreads(threads);
  std::vector<unsigned char> buf(1 << 16);
  size_t back = 0;
  for (auto _ : state)
    back = writeAndReadBack(name, text, buf);
  UT_IO_DEVICE::SetRecordThreads(0);
  ::unlink(name.c_str());
  if (back != text.size())
    state.SkipWithError("stream did not read back whole");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * text.size()));
}
void BM_RecordStreamWorkers(benchmark::State &state) { recordStream(state, 0); }
void BM_RecordStreamOneThread(benchmark::State &state) { recordStream(state, 1); }

} // namespace

// Pairs for scripts/bench.sh: each codec against the zlib it must beat.
BENCHMARK(BM_RecordsWrite)->Name("RecordsWrite/ours")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibCompress2Level9)
    ->Name("RecordsWrite/ref")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordsRead)->Name("RecordsRead/ours")->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibUncompress)->Name("RecordsRead/ref")->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassicPack)->Name("ClassicPack/ours")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibDeflateLevel9Stream)
    ->Name("ClassicPack/ref")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassicUnpack)
    ->Name("ClassicUnpack/ours")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflateStream)
    ->Name("ClassicUnpack/ref")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressedStreamWriteRead)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordStreamWorkers)
    ->Name("RecordStream/ours")
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordStreamOneThread)
    ->Name("RecordStream/ref_onethread")
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
