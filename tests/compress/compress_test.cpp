// Port_Compress: block headers, deflate payloads, the DES cipher hooks, base64 and record files.
#include "PortCompress.h"
#include "capture_manager.h"
#include "compress_test_util.h"

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

using compresstest::bytes;
using compresstest::TempFile;

namespace {

std::vector<unsigned char> hex(const char *text) {
  std::vector<unsigned char> out;
  for (size_t i = 0; text[i] && text[i + 1]; i += 2)
    out.push_back(static_cast<unsigned char>(std::stoi(std::string(text + i, 2), nullptr, 16)));
  return out;
}

// Messages that contain the text, whatever their wrapping (continuation lines start with blanks).
int countErrors(porttest::CaptureManager &cap, const std::wstring &part) {
  int n = 0;
  for (const auto &e : cap.entries()) {
    std::wstring joined;
    for (const auto &line : e.lines)
      for (wchar_t c : line) {
        const bool blank = c == L' ' || c == L'\n';
        if (!(blank && !joined.empty() && joined.back() == L' '))
          joined += blank ? L' ' : c;
      }
    n += joined.find(part) != std::wstring::npos;
  }
  return n;
}

// --- cipher -----------------------------------------------------------------------------------

TEST(CompressCipher, DesMatchesPublishedSingleBlockVector) {
  // FIPS 46 worked example: one block, zero vector, so CBC is ECB.
  Port_Compress c;
  ASSERT_TRUE(c.SetKey("133457799BBCDFF1"));
  ASSERT_TRUE(c.SetIV("0000000000000000"));
  std::vector<unsigned char> block = hex("0123456789ABCDEF");
  c.Encrypt(block.data(), 8);
  EXPECT_EQ(hex("85E813540F0AB405"), block);
  c.Decrypt(block.data(), 8);
  EXPECT_EQ(hex("0123456789ABCDEF"), block);
}

TEST(CompressCipher, CbcMatchesPublishedVector) {
  // FIPS 81 CBC example: "Now is the time for all ".
  Port_Compress c;
  ASSERT_TRUE(c.SetKey("0123456789abcdef"));
  ASSERT_TRUE(c.SetIV("1234567890abcdef"));
  std::string text = "Now is the time for all ";
  std::vector<unsigned char> buf(text.begin(), text.end());
  c.Encrypt(buf.data(), static_cast<unsigned>(buf.size()));
  EXPECT_EQ(hex("e5c7cdde872bf27c43e934008c389c0f683788499a7c05f6"), buf);
  // Every call chains from the vector afresh.
  c.Decrypt(buf.data(), static_cast<unsigned>(buf.size()));
  EXPECT_EQ(text, std::string(buf.begin(), buf.end()));
}

TEST(CompressCipher, PartialLastBlockKeepsLengthAndRoundTrips) {
  Port_Compress c;
  for (unsigned n : {1u, 7u, 9u, 23u}) {
    std::vector<unsigned char> plain(n);
    for (unsigned i = 0; i < n; ++i)
      plain[i] = static_cast<unsigned char>(i * 37 + 5);
    std::vector<unsigned char> buf = plain;
    c.Encrypt(buf.data(), n);
    EXPECT_NE(plain, buf) << n;
    c.Decrypt(buf.data(), n);
    EXPECT_EQ(plain, buf) << n;
  }
}

TEST(CompressCipher, RejectsMalformedAndWeakKeys) {
  Port_Compress c;
  EXPECT_FALSE(c.SetKey("0123"));
  EXPECT_FALSE(c.SetKey("0123456789abcdeg"));
  EXPECT_FALSE(c.SetKey("0101010101010101")); // a weak DES key
}

// --- blocks -----------------------------------------------------------------------------------

TEST(CompressBlock, HeaderAndPayloadAreAStandardZlibStream) {
  Port_Compress c;
  const std::string text = "hello, hello, hello";
  std::vector<unsigned char> out(200);
  const unsigned n = c.Compress(out.data(), 200, bytes(text), static_cast<unsigned>(text.size()));
  ASSERT_GT(n, 24u);
  EXPECT_EQ("QmoV32DB      13", std::string(out.begin(), out.begin() + 16));
  char psize[9];
  std::snprintf(psize, sizeof psize, "%8x", n - 24);
  EXPECT_EQ(std::string(psize), std::string(out.begin() + 16, out.begin() + 24));
  std::vector<unsigned char> back(100);
  uLongf len = 100;
  ASSERT_EQ(Z_OK, uncompress(back.data(), &len, out.data() + 24, n - 24));
  EXPECT_EQ(text, std::string(back.begin(), back.begin() + len));
}

// zlib streams as other writers make them: every level, small windows, the other strategies.
struct ZlibMaker {
  int level, windowBits, strategy;
};

std::vector<unsigned char> zlibStream(const std::string &text, const ZlibMaker &m) {
  z_stream z{};
  EXPECT_EQ(Z_OK, deflateInit2(&z, m.level, Z_DEFLATED, m.windowBits, 8, m.strategy));
  std::vector<unsigned char> out(deflateBound(&z, text.size()));
  z.next_in = const_cast<Bytef *>(bytes(text));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(Z_STREAM_END, deflate(&z, Z_FINISH));
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(CompressBlock, UnCompressAcceptsAnyZlibStream) {
  std::string text(5000, 'q');
  for (int i = 0; i < 3000; ++i)
    text += std::to_string(i * 7919 % 1000) + (i % 11 ? " " : "\n");
  const ZlibMaker makers[] = {{0, 15, Z_DEFAULT_STRATEGY}, {1, 15, Z_DEFAULT_STRATEGY},
                              {6, 15, Z_DEFAULT_STRATEGY}, {9, 15, Z_DEFAULT_STRATEGY},
                              {9, 9, Z_DEFAULT_STRATEGY},  {9, 15, Z_FIXED},
                              {9, 15, Z_HUFFMAN_ONLY},     {9, 15, Z_RLE}};
  for (const ZlibMaker &m : makers) {
    const std::vector<unsigned char> stream = zlibStream(text, m);
    std::vector<unsigned char> block(24 + stream.size());
    std::copy(stream.begin(), stream.end(), block.begin() + 24);
    Port_Compress::GetHeaderData(3, 2, 0, 0, static_cast<unsigned>(text.size()),
                                 static_cast<unsigned>(stream.size()), block.data());
    std::vector<unsigned char> out(text.size() + 100);
    Port_Compress c;
    ASSERT_EQ(text.size(), c.UnCompress(out.data(), static_cast<unsigned>(out.size()), block.data(),
                                        static_cast<unsigned>(block.size())))
        << m.level << " " << m.windowBits << " " << m.strategy;
    EXPECT_EQ(text, std::string(out.begin(), out.begin() + text.size()));
  }
}

// Whatever a damaged stream holds, the verdict is zlib's: success with zlib's bytes, or failure
// with the report of zlib's code.
TEST(CompressBlock, DamagedStreamsGetZlibsVerdict) {
  std::string text;
  for (int i = 0; i < 400; ++i)
    text += std::to_string(i * 7919 % 1000) + (i % 7 ? " net" : " cell\n");
  Port_Compress c;
  std::vector<unsigned char> good(8000);
  const unsigned n = c.Compress(good.data(), 8000, bytes(text), static_cast<unsigned>(text.size()));
  ASSERT_GT(n, 24u);
  good.resize(n);
  std::vector<std::vector<unsigned char>> damaged;
  for (unsigned cut = 25; cut < n; ++cut)
    damaged.emplace_back(good.begin(), good.begin() + cut);
  for (unsigned at = 24; at < n; ++at)
    for (unsigned char bit : {0x01, 0x80}) {
      damaged.push_back(good);
      damaged.back()[at] ^= bit;
    }
  // A preset dictionary announced, the header check kept valid.
  damaged.push_back(good);
  unsigned char &flags = damaged.back()[25];
  flags = static_cast<unsigned char>((flags | 0x20) & 0xE0);
  flags = static_cast<unsigned char>(flags + (31 - (damaged.back()[24] * 256 + flags) % 31) % 31);
  for (const std::vector<unsigned char> &block : damaged) {
    for (unsigned room : {static_cast<unsigned>(text.size()), 100u}) {
      std::vector<unsigned char> theirs(room), ours(room);
      uLongf len = room;
      const int rc = uncompress(theirs.data(), &len, block.data() + 24, block.size() - 24);
      porttest::CaptureManager cap;
      porttest::ScopedManager scoped(&cap);
      const unsigned got =
          c.UnCompress(ours.data(), room, block.data(), static_cast<unsigned>(block.size()));
      if (rc == Z_OK) {
        ASSERT_EQ(len, got);
        EXPECT_EQ(0, std::memcmp(theirs.data(), ours.data(), len));
        continue;
      }
      ASSERT_EQ(0u, got) << block.size() << " " << room;
      const wchar_t *code = rc == Z_DATA_ERROR  ? L"(Z_DATA_ERROR)"
                            : rc == Z_BUF_ERROR ? L"(Z_BUF_ERROR)"
                                                : L"(Z_MEM_ERROR)";
      ASSERT_EQ(1u, cap.entries().size());
      ASSERT_EQ(1, countErrors(cap, code)) << block.size() << " " << room;
    }
  }
}

// Short incompressible inputs need more room in libdeflate than the sizing rule gives; such blocks
// must still be made in that room. From a thousand bytes on, the rule covers libdeflate's worst
// case, so full chunks of a record file never need another deflater.
TEST(CompressBlock, IncompressibleInputFitsTheSizedRoom) {
  for (unsigned n : {1000u, 5001u, 64854u})
    EXPECT_GE(Port_Compress::GetSizeofCompressedBuffer(n, 1, 0, 0) - 24,
              libdeflate_zlib_compress_bound(nullptr, n))
        << n;
  std::string noise;
  uint32_t x = 12345;
  for (int i = 0; i < 70000; ++i) {
    x = x * 1103515245u + 12345u;
    noise += static_cast<char>(x >> 24);
  }
  Port_Compress c;
  for (unsigned n : {1u, 2u, 31u, 32u, 100u, 500u, 700u, 4999u, 5001u, 64854u}) {
    const unsigned room = Port_Compress::GetSizeofCompressedBuffer(n, 1, 0, 0);
    std::vector<unsigned char> block(room);
    const unsigned made = c.Compress(block.data(), room, bytes(noise), n);
    ASSERT_GT(made, 24u) << n;
    std::vector<unsigned char> back(n);
    uLongf len = n;
    ASSERT_EQ(Z_OK, uncompress(back.data(), &len, block.data() + 24, made - 24)) << n;
    EXPECT_EQ(0, std::memcmp(back.data(), noise.data(), n)) << n;
  }
}

TEST(CompressBlock, EveryFlagCombinationRoundTrips) {
  std::string text;
  for (int i = 0; i < 3000; ++i)
    text += std::to_string(i * 7919 % 1000) + " ";
  for (int flags = 0; flags < 4; ++flags) {
    Port_Compress c;
    c.SetCompressFlags(flags & 1, flags & 2 ? 1 : 0);
    const unsigned room = Port_Compress::GetSizeofCompressedBuffer(
        static_cast<unsigned>(text.size()), 1, 0, flags & 2 ? 1 : 0);
    std::vector<unsigned char> block(room);
    const unsigned n =
        c.Compress(block.data(), room, bytes(text), static_cast<unsigned>(text.size()));
    ASSERT_GT(n, 24u) << flags;
    EXPECT_EQ((flags & 1) != 0, Port_Compress::IsEncrypted(block.data())) << flags;
    EXPECT_EQ((flags & 2) != 0, Port_Compress::IsMimeEncoded(block.data())) << flags;
    // A payload read from a file has nothing after it: decoding must stop at its length.
    std::vector<unsigned char> exact(block.begin(), block.begin() + n);
    Port_Compress reader;
    std::vector<unsigned char> out(text.size());
    ASSERT_EQ(text.size(),
              reader.UnCompress(out.data(), static_cast<unsigned>(out.size()), exact.data(), n))
        << flags;
    EXPECT_EQ(text, std::string(out.begin(), out.end())) << flags;
  }
}

TEST(CompressBlock, EmptyInputAndTinyOutput) {
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  Port_Compress c;
  unsigned char out[64];
  out[0] = 'z';
  EXPECT_EQ(0u, c.Compress(out, sizeof out, bytes("x"), 0));
  EXPECT_EQ(0, out[0]);
  EXPECT_EQ(0u, c.Compress(out, 24, bytes("abc"), 3));
  EXPECT_EQ(1, countErrors(cap, L"(Z_DATA_ERROR) input data was corrupted"));
  EXPECT_EQ(0u, c.Compress(nullptr, 64, bytes("abc"), 3));
}

TEST(CompressBlock, DamagedBlocksGiveZeroWithAReport) {
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  const std::string text(3000, 'a');
  for (int flags = 0; flags < 4; ++flags) {
    Port_Compress c;
    c.SetCompressFlags(flags & 1, flags & 2 ? 1 : 0);
    std::vector<unsigned char> block(8000);
    const unsigned n = c.Compress(block.data(), 8000, bytes(text), 3000);
    ASSERT_GT(n, 24u);
    std::vector<unsigned char> out(4000);
    // Cut short, and with a byte of the payload flipped.
    EXPECT_EQ(0u, c.UnCompress(out.data(), 4000, block.data(), n - 3)) << flags;
    block[26] ^= 0x55;
    block[n - 2] ^= 0x55;
    EXPECT_EQ(0u, c.UnCompress(out.data(), 4000, block.data(), n)) << flags;
    // Not enough room for the data.
    block[26] ^= 0x55;
    block[n - 2] ^= 0x55;
    EXPECT_EQ(0u, c.UnCompress(out.data(), 100, block.data(), n)) << flags;
  }
  EXPECT_EQ(0u, Port_Compress().UnCompress(std::vector<unsigned char>(10).data(), 10,
                                           bytes("QmoV32DB"), 8));
  EXPECT_GE(cap.entries().size(), 9u);
}

TEST(CompressBlock, UnCompressTakesTheBlockVersion) {
  Port_Compress w;
  w.SetVersion(3, 5);
  std::vector<unsigned char> block(100);
  const unsigned n = w.Compress(block.data(), 100, bytes("abc"), 3);
  Port_Compress r;
  std::vector<unsigned char> out(10);
  ASSERT_EQ(3u, r.UnCompress(out.data(), 10, block.data(), n));
  EXPECT_EQ(3u, r.GetMajorVersion());
  EXPECT_EQ(5u, r.GetMinorVersion());
}

// --- header tests -----------------------------------------------------------------------------

struct HeaderCase {
  const char *text;
  bool recognised;
};

TEST(CompressHeader, RecognitionTable) {
  const HeaderCase cases[] = {
      {"QmoV32DB      10       8", true},  {"QmoV39EM       1       4", true},
      {"QmoV80DB       1       1", true},  {"QmoV81DB       1       1", false},
      {"QmoV42DB       1       1", false}, {"QmoW32DB       1       1", false},
  };
  for (const HeaderCase &c : cases)
    EXPECT_EQ(c.recognised, Port_Compress::IsQuelmoZipFormat(bytes(c.text))) << c.text;
  std::string high = "QmoV32EM      1f       c";
  for (char &ch : high)
    ch = static_cast<char>(ch | 0x80);
  EXPECT_TRUE(Port_Compress::IsQuelmoZipFormat(bytes(high)));
  EXPECT_TRUE(Port_Compress::IsEncrypted(bytes(high)));
  EXPECT_TRUE(Port_Compress::IsMimeEncoded(bytes(high)));
  EXPECT_EQ(0x1fu, Port_Compress::GetNumUnCompressedBytes(bytes(high)));
  EXPECT_EQ(0xcu, Port_Compress::GetNumCompressedBytes(bytes(high)));
  char version[8];
  Port_Compress::GetVersion(bytes(high), version);
  EXPECT_STREQ("3.2", version);
  Port_Compress::GetVersion(bytes("QmoV81DB       1       1"), version);
  EXPECT_STREQ("", version);
  EXPECT_EQ(0u, Port_Compress::GetNumCompressedBytes(bytes("QmoV32DB       1   zzzzz")));
}

TEST(CompressHeader, SetVersionClampsOutOfRangePairs) {
  const unsigned cases[][4] = {{3, 2, 3, 2}, {4, 3, 4, 3}, {4, 4, 4, 0}, {3, 9, 3, 0},
                               {7, 1, 3, 1}, {8, 5, 8, 5}, {2, 8, 3, 8}};
  for (const auto &k : cases) {
    Port_Compress c;
    c.SetVersion(k[0], k[1]);
    EXPECT_EQ(k[2], c.GetMajorVersion()) << k[0] << "." << k[1];
    EXPECT_EQ(k[3], c.GetMinorVersion()) << k[0] << "." << k[1];
  }
}

TEST(CompressHeader, SizesAndVersionText) {
  EXPECT_EQ(8u, Port_Compress::GetSizeofCompressedBuffer(3, 0, 0, 1));
  EXPECT_EQ(4u, Port_Compress::GetSizeofCompressedBuffer(2, 0, 0, 1)); // u = 3
  EXPECT_EQ(24u + 12u + 1010u, Port_Compress::GetSizeofCompressedBuffer(1000, 1, 0, 0));
  EXPECT_EQ(5u, Port_Compress::GetSizeofUnCompressedBuffer(bytes("hello"), 0, 0, 0));
  EXPECT_EQ(0x20u,
            Port_Compress::GetSizeofUnCompressedBuffer(bytes("QmoV32DB      1f      20"), 1, 0, 0));
  const std::string v = Port_Compress::GetVersion();
  EXPECT_EQ(0u, v.find("Port_Compress ["));
  EXPECT_NE(std::string::npos, v.find(std::string("zlib [") + zlibVersion() + "]"));
  EXPECT_NE(std::string::npos, v.find("libdeflate [" LIBDEFLATE_VERSION_STRING "]"));
}

// --- base64 -----------------------------------------------------------------------------------

TEST(CompressMime, PadsShortGroupsAndNeverWritesPastTheRoom) {
  const struct {
    const char *in;
    const char *out;
  } cases[] = {{"M", "TQ=="}, {"Ma", "TWE="}, {"Man", "TWFu"}, {"Many", "TWFueQ=="}};
  for (const auto &k : cases) {
    Port_Compress c;
    const unsigned n = static_cast<unsigned>(std::strlen(k.in));
    const unsigned need = Port_Compress::GetSizeofCompressedBuffer(n, 0, 0, 1);
    std::vector<unsigned char> out(need + 1, 0xEE);
    const unsigned got = c.MimeEncode(out.data(), need, bytes(k.in), n);
    EXPECT_EQ(std::strlen(k.out), got) << k.in;
    EXPECT_EQ(k.out, std::string(out.begin(), out.begin() + got)) << k.in;
    EXPECT_EQ(0xEE, out[need]) << k.in;
    std::vector<unsigned char> back(16, 0xEE);
    EXPECT_EQ(n, c.MimeDecode(back.data(), 16, out.data(), got)) << k.in;
    EXPECT_EQ(k.in, std::string(back.begin(), back.begin() + n));
  }
}

TEST(CompressMime, TooSmallOutputIsReported) {
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  Port_Compress c;
  unsigned char out[7];
  EXPECT_EQ(0u, c.MimeEncode(out, 7, bytes("abc"), 3));
  EXPECT_EQ(1, countErrors(cap, L"MimeEncode() obufsz is too small (7), it should be at least 8"));
  EXPECT_EQ(0u, c.MimeDecode(out, 3, bytes("YWJj"), 4));
  EXPECT_EQ(1, countErrors(cap, L"MimeDecode() obufsz is too small (3), it should be at least 4"));
}

TEST(CompressMime, CustomMapsAndReset) {
  Port_Compress c;
  unsigned char enc[128], dec[128];
  std::memcpy(enc, Port_Compress::s_EncodeMap, 128);
  std::memcpy(dec, Port_Compress::s_DecodeMap, 128);
  std::swap(enc[0], enc[1]); // 'A' and 'B' trade places
  dec['A'] = 1;
  dec['B'] = 0;
  c.MimeReset(enc, dec);
  unsigned char out[8];
  ASSERT_EQ(4u, c.MimeEncode(out, 8, bytes("\0\0\0"), 3));
  EXPECT_EQ("BBBB", std::string(out, out + 4));
  c.MimeReset();
  ASSERT_EQ(4u, c.MimeEncode(out, 8, bytes("\0\0\0"), 3));
  EXPECT_EQ("AAAA", std::string(out, out + 4));
}

// --- record files -----------------------------------------------------------------------------

TEST(CompressRecords, WriteCutsChunksAndReadRestores) {
  TempFile f;
  std::string data(64855, 0);
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>((i * i) % 251);
  Port_Compress c;
  const unsigned written = c.Write(f.fd(), bytes(data), static_cast<unsigned>(data.size()));
  EXPECT_EQ(static_cast<unsigned>(f.size()), written);
  EXPECT_EQ(2u, Port_Compress::GetNumRecords(f.fd()));
  EXPECT_EQ(64855u, Port_Compress::GetNumUnCompressedBytes(f.fd()));
  unsigned char *hdr, *payload;
  ASSERT_EQ(2, Port_Compress::GetFirstRecord(f.fd(), hdr, payload));
  EXPECT_EQ(64854u, Port_Compress::GetNumUnCompressedBytes(hdr));
  ASSERT_EQ(2, Port_Compress::GetNextRecord(f.fd(), hdr, payload));
  EXPECT_EQ(1u, Port_Compress::GetNumUnCompressedBytes(hdr));
  EXPECT_EQ(1, Port_Compress::GetNextRecord(f.fd(), hdr, payload));
  EXPECT_EQ(written, Port_Compress::GetNumCompressedBytes(f.fd()));

  f.fd().lseek(0, 0);
  std::vector<unsigned char> out(70000);
  ASSERT_EQ(64855u, c.Read(f.fd(), out.data(), 70000));
  EXPECT_EQ(data, std::string(out.begin(), out.begin() + 64855));
}

TEST(CompressRecords, ReadIntoTooSmallBufferStopsBeforeTheRecord) {
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  TempFile f;
  const std::string data(1000, 'k');
  Port_Compress c;
  c.Write(f.fd(), bytes(data), 1000);
  f.fd().lseek(0, 0);
  std::vector<unsigned char> out(1000);
  EXPECT_EQ(0u, c.Read(f.fd(), out.data(), 999));
  EXPECT_EQ(1, countErrors(cap, L"The buffer size is too small (specified 999, needed 1000)"));
  EXPECT_EQ(0, f.fd().lseek(0, 1));
  EXPECT_EQ(1000u, c.Read(f.fd(), out.data(), 1000));
}

TEST(CompressRecords, EmptyFileAndTrailingGarbage) {
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  TempFile f;
  EXPECT_EQ(0u, Port_Compress::GetNumRecords(f.fd()));
  Port_Compress c;
  EXPECT_EQ(0u, c.Write(f.fd(), bytes(""), 0));
  c.Write(f.fd(), bytes("some text"), 9);
  f.append("x");
  EXPECT_EQ(0xFFFFFFFFu, Port_Compress::GetNumRecords(f.fd()));
  EXPECT_EQ(1, countErrors(cap, L"Port_Compress::GetNextRecord() : This is not a QUELMO ZIP"));
  f.fd().lseek(0, 0);
  std::vector<unsigned char> out(100);
  EXPECT_EQ(0u, c.Read(f.fd(), out.data(), 100));
}

TEST(CompressRecords, PayloadBeyondTheBufferIsCorruptNotAnOverrun) {
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  TempFile f;
  f.append("QmoV32DB      10   fffff");
  f.append(std::string(70000, 'z'));
  unsigned char *hdr, *payload;
  EXPECT_EQ(0, Port_Compress::GetFirstRecord(f.fd(), hdr, payload));
  EXPECT_EQ(1, countErrors(cap, L"Port_Compress::GetNextRecord() : Data corruption error"));
}

TEST(CompressRecords, FileHeaderTests) {
  TempFile f;
  Port_Compress c;
  c.SetCompressFlags(1, 1);
  c.Write(f.fd(), bytes("abc"), 3);
  EXPECT_TRUE(Port_Compress::IsQuelmoZipFormat(f.fd(), 1));
  EXPECT_TRUE(Port_Compress::IsEncrypted(f.fd(), 1));
  EXPECT_TRUE(Port_Compress::IsMimeEncoded(f.fd(), 1));
  f.fd().lseek(0, 0);
  char version[8];
  Port_Compress::GetVersion(f.fd(), version);
  EXPECT_STREQ("3.2", version);
}

// --- per-thread ring ---------------------------------------------------------------------------

TEST(CompressRingConcurrency, FourBuffersPerThreadInTurn) {
  auto ring = [] {
    std::vector<unsigned char *> seen;
    for (int i = 0; i < 5; ++i)
      seen.push_back(Port_Compress::GetDataBuffer());
    return seen;
  };
  std::vector<unsigned char *> mine = ring();
  EXPECT_EQ(mine[0], mine[4]);
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j)
      EXPECT_NE(mine[i], mine[j]);
  std::vector<unsigned char *> theirs;
  std::thread t([&] { theirs = ring(); });
  t.join();
  for (unsigned char *p : theirs)
    for (int i = 0; i < 4; ++i)
      EXPECT_NE(mine[i], p);
}

TEST(CompressRingConcurrency, ThreadsCompressIndependently) {
  std::vector<std::thread> threads;
  std::vector<int> ok(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t, &ok] {
      std::string text(20000, static_cast<char>('a' + t));
      for (size_t i = 0; i < text.size(); i += 7)
        text[i] = static_cast<char>('0' + (i + t) % 10);
      Port_Compress c;
      c.SetCompressFlags(1, 1);
      int good = 0;
      for (int round = 0; round < 20; ++round) {
        std::vector<unsigned char> block(40000), out(20000);
        const unsigned n = c.Compress(block.data(), 40000, bytes(text), 20000);
        good += n && c.UnCompress(out.data(), 20000, block.data(), n) == 20000 &&
                std::memcmp(out.data(), text.data(), 20000) == 0;
      }
      ok[t] = good;
    });
  for (auto &th : threads)
    th.join();
  for (int t = 0; t < 4; ++t)
    EXPECT_EQ(20, ok[t]);
}

} // namespace
