// Compressed streams: UT_STREAM over UT_IO_DEVICE in compressed mode, opened through Port_File.
#include "PortCompress.h"
#include "Port_File.h"
#include "basutio.h"
#include "basutstream.h"
#include "capture_manager.h"
#include "compress_test_util.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using porttest::slurp;
using porttest::spit;

// Inputs that exercise the codecs differently.
std::vector<std::pair<std::string, std::string>> samples() {
  std::vector<std::pair<std::string, std::string>> v;
  v.push_back({"empty", ""});
  v.push_back({"one byte", "x"});
  std::string text;
  for (int i = 0; text.size() < 200000; ++i)
    text += "line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog\n";
  v.push_back({"text", text});
  std::mt19937 rng(7);
  std::string random(150000, 0);
  for (char &c : random)
    c = static_cast<char>(rng());
  v.push_back({"random", random});
  v.push_back({"runs", std::string(100000, 'a') + std::string(70000, 'b') + "c"});
  std::string block(40000, 0);
  for (char &c : block)
    c = static_cast<char>(rng() % 7 + 'a');
  v.push_back({"repeats beyond 32 KiB", block + block + block});
  std::string big;
  while (big.size() < 3u * 1024 * 1024)
    big += text.substr(0, 90000) + random.substr(0, 10000);
  v.push_back({"several MiB", big});
  return v;
}

class CompressedStreamTest : public ::testing::Test {
protected:
  void TearDown() override { UT_IO_DEVICE::EnableNewCompression(); }
  std::string path(const char *name) const { return tree.root() + "/" + name; }

  void writeFile(const std::string &p, const std::string &data, unsigned access) {
    UT_STREAM *s = Port_File::open(p.c_str(), static_cast<UT_STREAM::Access>(access), 1);
    ASSERT_NE(nullptr, s);
    // Uneven pieces, so that buffer and record boundaries fall anywhere.
    size_t at = 0, piece = 1;
    while (at < data.size()) {
      const size_t n = std::min(piece, data.size() - at);
      ASSERT_EQ(n, s->write(compresstest::bytes(data) + at, static_cast<unsigned>(n)));
      at += n;
      piece = piece * 3 + 1;
    }
    EXPECT_TRUE(Port_File::close(s));
  }
  std::string readFile(const std::string &p) {
    UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
    EXPECT_NE(nullptr, s);
    if (!s)
      return "<not opened>";
    std::string out;
    unsigned char buf[7000];
    unsigned got;
    while ((got = s->read(buf, sizeof buf)) > 0)
      out.append(reinterpret_cast<char *>(buf), got);
    EXPECT_EQ(0, s->geterror());
    Port_File::close(s);
    return out;
  }
  porttest::TempTree tree;
};

TEST_F(CompressedStreamTest, RecordCodecRoundTrips) {
  for (const auto &[name, data] : samples()) {
    const std::string p = path("r.dat");
    writeFile(p, data, UT_STREAM::Write | UT_STREAM::Compressed);
    const std::string raw = slurp(p);
    if (!data.empty()) {
      EXPECT_EQ("QmoV37E", raw.substr(0, 7)) << name;
    }
    EXPECT_EQ(data, readFile(p)) << name;
  }
}

TEST_F(CompressedStreamTest, FormatFieldChoosesTheRecordFormat) {
  const struct {
    unsigned field;
    const char *header; // the first 7 bytes of the file
  } cases[] = {{0x30, "QmoV32D"}, {0x10, "QmoV33E"}, {0x20, "QmoV34E"}, {0x40, "QmoV35E"},
               {0x50, "QmoV36E"}, {0x60, "QmoV37E"}, {0x70, "QmoV38E"}, {0x100000, "QmoV80E"}};
  const std::string data = "format field " + std::string(3000, 'f');
  for (const auto &c : cases) {
    const std::string p = path("f.dat");
    writeFile(p, data, UT_STREAM::Write | UT_STREAM::Compressed | c.field);
    EXPECT_EQ(c.header, slurp(p).substr(0, 7)) << std::hex << c.field;
    UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
    ASSERT_NE(nullptr, s);
    EXPECT_TRUE(s->is_compressed());
    EXPECT_EQ(c.header[4], s->get_huf_version());
    EXPECT_EQ(c.header[5], s->get_pak_version());
    Port_File::close(s);
    EXPECT_EQ(data, readFile(p)) << std::hex << c.field;
  }
}

TEST_F(CompressedStreamTest, KeyedRecordsDoNotDecipherUnderAnotherFormat) {
  // The same bytes under format 3.3 and 3.4 differ: each format has its own key.
  const std::string data(5000, 'k');
  writeFile(path("a"), data, UT_STREAM::Write | UT_STREAM::Compressed | 0x10);
  writeFile(path("b"), data, UT_STREAM::Write | UT_STREAM::Compressed | 0x20);
  std::string a = slurp(path("a")), b = slurp(path("b"));
  ASSERT_EQ(a.size(), b.size());
  EXPECT_NE(a.substr(24), b.substr(24));
}

TEST_F(CompressedStreamTest, SeeksForwardBackwardAndToTheEnd) {
  std::string data;
  for (int i = 0; data.size() < 300000; ++i)
    data += std::to_string(i) + ",";
  const std::string p = path("seek.dat");
  writeFile(p, data, UT_STREAM::Write | UT_STREAM::Compressed);
  UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(static_cast<long>(data.size()), s->getsize());
  for (long at : {200000L, 5L, 64000L, 63999L, 299000L, 0L, 128001L}) {
    ASSERT_TRUE(s->setfoffset(at)) << at;
    unsigned char buf[100];
    const unsigned got = s->read(buf, 100);
    EXPECT_EQ(std::min<size_t>(100, data.size() - at), got) << at;
    EXPECT_EQ(data.substr(at, got), std::string(reinterpret_cast<char *>(buf), got)) << at;
  }
  ASSERT_TRUE(s->seekend());
  EXPECT_EQ(static_cast<long>(data.size()), s->getfoffset());
  unsigned char c;
  EXPECT_EQ(0u, s->read(&c, 1));
  Port_File::close(s);
  EXPECT_EQ(static_cast<long>(data.size()), Port_File::getsize(p.c_str(), nullptr));
}

TEST_F(CompressedStreamTest, AppendExtendsARecordFile) {
  const std::string p = path("app.dat");
  writeFile(p, "first part;", UT_STREAM::Write | UT_STREAM::Compressed);
  // Append without asking for compression: the file's own format is kept.
  UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Write | UT_STREAM::Append, 0);
  ASSERT_NE(nullptr, s);
  EXPECT_TRUE(s->is_compressed());
  s->write(compresstest::bytes("second part"), 11);
  Port_File::close(s);
  EXPECT_EQ("first part;second part", readFile(p));
}

TEST_F(CompressedStreamTest, WriteStreamsRefuseSeeksAwayFromTheirEnd) {
  // Going back to patch a placeholder cannot work on packed data: the seek must fail (22, kept
  // as the stream's error) and leave the position at the end, where the next bytes go.
  const struct {
    const char *name;
    unsigned access;
    bool classic;
    size_t before; // bytes already in the file, for an append
  } cases[] = {{"3.2", UT_STREAM::Compressed | 0x30, false, 0},
               {"3.3", UT_STREAM::Compressed | 0x10, false, 0},
               {"3.4", UT_STREAM::Compressed | 0x20, false, 0},
               {"3.5", UT_STREAM::Compressed | 0x40, false, 0},
               {"3.6", UT_STREAM::Compressed | 0x50, false, 0},
               {"3.7", UT_STREAM::Compressed | 0x60, false, 0},
               {"3.8", UT_STREAM::Compressed | 0x70, false, 0},
               {"8.0", UT_STREAM::Compressed | 0x100000, false, 0},
               {"3.7 appended to", UT_STREAM::Append, false, 40},
               {"classic", UT_STREAM::Compressed, true, 0}};
  std::string data(100, 0);
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>('a' + i % 26);
  for (const auto &c : cases) {
    if (c.classic)
      UT_IO_DEVICE::DisableNewCompression();
    const std::string p = path("patch.dat");
    std::remove(p.c_str());
    if (c.before)
      writeFile(p, data.substr(0, c.before), UT_STREAM::Write | UT_STREAM::Compressed);
    UT_STREAM *s =
        Port_File::open(p.c_str(), static_cast<UT_STREAM::Access>(UT_STREAM::Write | c.access), 0);
    ASSERT_NE(nullptr, s) << c.name;
    ASSERT_TRUE(s->is_compressed()) << c.name;
    ASSERT_EQ(data.size() - c.before, s->write(compresstest::bytes(data) + c.before,
                                               static_cast<unsigned>(data.size() - c.before)))
        << c.name;
    ASSERT_EQ(100, s->getfoffset()) << c.name;
    for (long bad : {10L, 0L, 99L, 101L, 150L}) {
      EXPECT_FALSE(s->setfoffset(bad)) << c.name << " " << bad;
      EXPECT_EQ(EINVAL, s->geterror()) << c.name << " " << bad;
      EXPECT_EQ(100, s->getfoffset()) << c.name << " " << bad;
      s->clearerror();
    }
    EXPECT_TRUE(s->setfoffset(100)) << c.name;
    EXPECT_TRUE(s->seekend()) << c.name;
    EXPECT_EQ(100, s->getfoffset()) << c.name;
    EXPECT_EQ(0, s->geterror()) << c.name;
    EXPECT_EQ(4u, s->write(compresstest::bytes("WXYZ"), 4)) << c.name;
    EXPECT_TRUE(Port_File::close(s)) << c.name;
    EXPECT_EQ(data + "WXYZ", readFile(p)) << c.name;
    UT_IO_DEVICE::EnableNewCompression();
  }
}

TEST_F(CompressedStreamTest, PlainFileOpenedWithCompressedReadAccessReadsPlain) {
  const std::string p = path("plain.txt");
  spit(p, "just text");
  UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read | UT_STREAM::Compressed, 0);
  ASSERT_NE(nullptr, s);
  EXPECT_FALSE(s->is_compressed());
  unsigned char buf[20];
  EXPECT_EQ(9u, s->read(buf, 20));
  Port_File::close(s);
}

TEST_F(CompressedStreamTest, DamagedRecordFileIsAStreamErrorNotACrash) {
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  std::string data(200000, 0);
  std::mt19937 rng(3);
  for (char &c : data)
    c = static_cast<char>('a' + rng() % 20);
  const std::string p = path("bad.dat");
  writeFile(p, data, UT_STREAM::Write | UT_STREAM::Compressed | 0x30);
  const std::string raw = slurp(p);
  for (size_t cut : {raw.size() - 5, raw.size() / 2, size_t(30)}) {
    spit(p, raw.substr(0, cut));
    UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
    ASSERT_NE(nullptr, s) << cut;
    unsigned char buf[4096];
    size_t total = 0;
    unsigned got;
    while ((got = s->read(buf, sizeof buf)) > 0)
      total += got;
    EXPECT_NE(0, s->geterror()) << cut;
    EXPECT_LT(total, data.size()) << cut;
    Port_File::close(s);
  }
  std::string flipped = raw;
  flipped[100] ^= 0x40;
  spit(p, flipped);
  UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, s);
  unsigned char buf[4096];
  while (s->read(buf, sizeof buf) > 0) {
  }
  EXPECT_NE(0, s->geterror());
  Port_File::close(s);
}

TEST_F(CompressedStreamTest, RecognisesRecordFilesAndLeavesTheDescriptorAtZero) {
  compresstest::TempFile f;
  Port_Compress c;
  c.SetVersion(3, 5);
  c.Write(f.fd(), compresstest::bytes("abcdef"), 6);
  char first = 0, second = 0;
  EXPECT_TRUE(UT_IO_DEVICE::iscompressed(f.fd(), second, first));
  EXPECT_EQ('3', first);
  EXPECT_EQ('5', second);
  EXPECT_EQ(0, f.fd().lseek(0, 1));
}

const std::string kClassicHeader("\x5A\x5A\xA5\xA5\xC3\xC3\x71"
                                 "21",
                                 9);

TEST_F(CompressedStreamTest, ClassicCodecRoundTrips) {
  UT_IO_DEVICE::DisableNewCompression();
  for (const auto &[name, data] : samples()) {
    const std::string p = path("c.dat");
    writeFile(p, data, UT_STREAM::Write | UT_STREAM::Compressed);
    EXPECT_EQ(kClassicHeader, slurp(p).substr(0, 9)) << name;
    EXPECT_EQ(data, readFile(p)) << name;
  }
}

TEST_F(CompressedStreamTest, OldStyleEnvironmentGivesClassicFilesAClassicPair) {
  // A record-codec format asked for, the classic codec forced: the file must still read back.
  setenv("QUELMO_USE_OLD_STYLE_COMPRESSION", "1", 1);
  const std::string data = "forced classic " + std::string(5000, 'c');
  const std::string p = path("env.dat");
  writeFile(p, data, UT_STREAM::Write | UT_STREAM::Compressed | 0x60);
  unsetenv("QUELMO_USE_OLD_STYLE_COMPRESSION");
  EXPECT_EQ(kClassicHeader, slurp(p).substr(0, 9));
  EXPECT_EQ(data, readFile(p));
}

TEST_F(CompressedStreamTest, ClassicSeeksRereadFromTheStart) {
  UT_IO_DEVICE::DisableNewCompression();
  std::string data;
  for (int i = 0; data.size() < 100000; ++i)
    data += std::to_string(i * 31) + ";";
  const std::string p = path("cs.dat");
  writeFile(p, data, UT_STREAM::Write | UT_STREAM::Compressed);
  UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(-1, s->getsize());
  for (long at : {60000L, 10L, 99000L, 20000L}) {
    ASSERT_TRUE(s->setfoffset(at)) << at;
    unsigned char buf[50];
    ASSERT_EQ(50u, s->read(buf, 50)) << at;
    EXPECT_EQ(data.substr(at, 50), std::string(reinterpret_cast<char *>(buf), 50)) << at;
  }
  ASSERT_TRUE(s->seekend());
  EXPECT_EQ(static_cast<long>(data.size()), s->getfoffset());
  Port_File::close(s);
  EXPECT_EQ(static_cast<long>(data.size()), Port_File::getsize(p.c_str(), nullptr));
}

TEST_F(CompressedStreamTest, ClassicFilesAreNotAppendedTo) {
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  UT_IO_DEVICE::DisableNewCompression();
  const std::string p = path("ca.dat");
  writeFile(p, "packed", UT_STREAM::Write | UT_STREAM::Compressed);
  const std::string before = slurp(p);
  const std::string src = path("src.txt");
  spit(src, "more");
  // Every way of appending is refused with 22 recorded, and the file is left as it was.
  const struct {
    const char *name;
    std::function<bool()> append;
  } ways[] = {
      {"open to append",
       [&] { return Port_File::open(p.c_str(), UT_STREAM::Write | UT_STREAM::Append, 0); }},
      {"open to append compressed",
       [&] {
         return Port_File::open(p.c_str(),
                                UT_STREAM::Write | UT_STREAM::Append | UT_STREAM::Compressed, 0);
       }},
      {"append only", [&] { return Port_File::open(p.c_str(), UT_STREAM::Append, 0) != nullptr; }},
      {"open with a stream",
       [&] {
         UT_STREAM s(UT_STREAM::Write | UT_STREAM::Append, 4096);
         return Port_File::open(p.c_str(), &s, 0) != nullptr;
       }},
      {"append", [&] { return Port_File::append(src.c_str(), p.c_str()); }},
      {"appendline", [&] { return Port_File::appendline("more", p.c_str()); }},
  };
  for (const auto &w : ways) {
    Port_File::clearerror();
    const size_t messages = cap.entries().size();
    EXPECT_FALSE(w.append()) << w.name;
    EXPECT_EQ(EINVAL, Port_File::geterror()) << w.name;
    EXPECT_EQ(messages + 1, cap.entries().size()) << w.name;
    EXPECT_EQ(before, slurp(p)) << w.name;
  }
  EXPECT_EQ("packed", readFile(p));
}

TEST_F(CompressedStreamTest, TruncatedClassicFileIsAStreamError) {
  UT_IO_DEVICE::DisableNewCompression();
  std::string data;
  for (int i = 0; i < 50000; ++i)
    data += static_cast<char>('a' + (i * 7 + i / 13) % 23);
  const std::string p = path("ct.dat");
  writeFile(p, data, UT_STREAM::Write | UT_STREAM::Compressed);
  const std::string raw = slurp(p);
  spit(p, raw.substr(0, raw.size() / 2));
  UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, s);
  unsigned char buf[1000];
  size_t total = 0;
  unsigned got;
  while ((got = s->read(buf, sizeof buf)) > 0)
    total += got;
  EXPECT_NE(0, s->geterror());
  EXPECT_LT(total, data.size());
  Port_File::close(s);
}

TEST_F(CompressedStreamTest, DamagedClassicFileIsAStreamErrorNotTheEndOfTheProgram) {
  // The classic format has no check value: a flipped byte may only give wrong bytes, or a
  // back-reference outside the data. That one must fail the read (5, with an error message), not
  // end the program reading the file; the failing call hands out none of its bytes.
  UT_IO_DEVICE::DisableNewCompression();
  std::string data;
  for (int i = 0; i < 60; ++i)
    data += "row " + std::to_string(i % 7) + " of the table;\n";
  const std::string p = path("flip.dat");
  writeFile(p, data, UT_STREAM::Write | UT_STREAM::Compressed);
  const std::string raw = slurp(p);
  ASSERT_LT(raw.size(), 400u); // one stream buffer holds it all: the first read is the damaged one
  int bogus = 0, failed = 0;
  for (size_t at = 9; at < raw.size(); ++at) // the packed data, behind the header
    for (unsigned char mask : {0x01, 0x10, 0x80, 0xFF}) {
      porttest::CaptureManager cap;
      porttest::ScopedManager scoped(&cap);
      std::string flipped = raw;
      flipped[at] = static_cast<char>(flipped[at] ^ mask);
      spit(p, flipped);
      UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
      ASSERT_NE(nullptr, s) << at;
      std::vector<unsigned char> buf(1 << 20);
      const unsigned got = s->read(buf.data(), static_cast<unsigned>(buf.size()));
      const int error = s->geterror();
      const std::vector<porttest::CaptureManager::Entry> messages = cap.entries();
      if (error != 0) {
        ++failed;
        EXPECT_EQ(EIO, error) << at << " " << int(mask);
        EXPECT_EQ(0u, got) << at << " " << int(mask);
        EXPECT_EQ(0u, s->read(buf.data(), 100)) << at << " " << int(mask);
      }
      for (const auto &m : messages) {
        ASSERT_FALSE(m.lines.empty());
        EXPECT_EQ(Port_MsgMan::MSG_ERROR, m.type) << at << " " << int(mask);
        EXPECT_NE(std::wstring::npos, m.lines[0].find(L"Bogus offset reading packed data."))
            << at << " " << int(mask);
        EXPECT_NE(0, error) << at << " " << int(mask);
      }
      bogus += !messages.empty();
      Port_File::close(s);
    }
  // The table reaches the damage it is about, and a reader after it.
  EXPECT_GT(bogus, 0);
  EXPECT_GT(failed, bogus);
  spit(p, raw);
  EXPECT_EQ(data, readFile(p));
}

TEST_F(CompressedStreamTest, DefaultSwitch) {
  EXPECT_TRUE(UT_IO_DEVICE::NewCompressionIsTheDefault());
  UT_IO_DEVICE::DisableNewCompression();
  EXPECT_FALSE(UT_IO_DEVICE::NewCompressionIsTheDefault());
  UT_IO_DEVICE::EnableNewCompression();
  EXPECT_TRUE(UT_IO_DEVICE::NewCompressionIsTheDefault());
}

} // namespace
