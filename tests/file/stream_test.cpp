// UT_STREAM over plain files: binary values, text, lines, positioning, a full disk.
#include "Port_File.h"
#include "Port_FileDesc.h"
#include "Port_SeekType.h"
#include "basutstream.h"
#include "file_test_util.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <vector>

using filetest::slurp;
using filetest::spit;

namespace {

class StreamTest : public ::testing::Test {
protected:
  std::string path(const char *name) const { return tree.root() + "/" + name; }
  UT_STREAM *openWrite(const std::string &p) {
    return Port_File::open(p.c_str(), UT_STREAM::Write, 1);
  }
  UT_STREAM *openRead(const std::string &p) {
    return Port_File::open(p.c_str(), UT_STREAM::Read, 0);
  }
  // A file of the bytes under name, open for reading.
  UT_STREAM *openReadOf(const char *name, const std::string &bytes) {
    const std::string p = path(name);
    spit(p, bytes);
    return openRead(p);
  }
  porttest::TempTree tree;
};

TEST_F(StreamTest, BinaryValuesAreStoredMostSignificantByteFirst) {
  const std::string p = path("bin");
  UT_STREAM *s = openWrite(p);
  ASSERT_NE(nullptr, s);
  s->write(0x01020304);
  s->writeshort(static_cast<short>(0xA1B2));
  s->writelong(-2L); // a long is 4 bytes in a file
  s->writeuint64(0x1122334455667788ULL);
  s->writedouble(1.5);
  s->writefloat(-0.25f);
  s->writebyte(0xFE);
  ASSERT_TRUE(Port_File::close(s));
  const std::string bytes = slurp(p);
  const std::string expected("\x01\x02\x03\x04\xA1\xB2\xFF\xFF\xFF\xFE"
                             "\x11\x22\x33\x44\x55\x66\x77\x88"
                             "\x3F\xF8\x00\x00\x00\x00\x00\x00"
                             "\xBE\x80\x00\x00\xFE",
                             31);
  EXPECT_EQ(expected, bytes);

  s = openRead(p);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(0x01020304, s->readint());
  EXPECT_EQ(static_cast<short>(0xA1B2), s->readshort());
  EXPECT_EQ(-2L, s->readlong());
  EXPECT_EQ(0x1122334455667788ULL, s->readuint64());
  EXPECT_EQ(1.5, s->readdouble());
  EXPECT_EQ(-0.25f, s->readfloat());
  EXPECT_EQ(0xFE, s->readbyte());
  // A value read past the end keeps zeros in its missing bytes.
  EXPECT_EQ(0, s->readint());
  EXPECT_TRUE(s->geteof());
  Port_File::close(s);
}

TEST_F(StreamTest, PartialValueAtTheEndKeepsZerosInMissingBytes) {
  UT_STREAM *s = openReadOf("short", std::string("\x12\x34", 2));
  ASSERT_NE(nullptr, s);
  unsigned int v = 0xFFFFFFFF;
  EXPECT_EQ(2u, s->read(v));
  EXPECT_EQ(0x1234u, v); // the two bytes read, reversed, in the low half
  Port_File::close(s);
}

TEST_F(StreamTest, WritelineEndsLinesWithCarriageReturnAndLineFeed) {
  const std::string p = path("lines");
  UT_STREAM *s = openWrite(p);
  ASSERT_NE(nullptr, s);
  s->writeline("a");
  *s << "b\nc" << 12 << ' ' << -3L << ' ' << 2.5;
  s->writetoken("tok");
  s->writestring("z");
  Port_File::close(s);
  EXPECT_EQ(std::string("a\r\nb\r\nc12 -3 2.5tok z\0", 22), slurp(p));
}

TEST_F(StreamTest, TextModeDescriptorGetsLineFeedsAlone) {
  const std::string p = path("console");
  // Standard output starts in text mode; the child points it at a file first.
  EXPECT_EXIT(
      {
        std::FILE *f = std::freopen(p.c_str(), "wb", stdout);
        UT_STREAM out(Port::FileDesc(1), UT_STREAM::Write, 4096);
        out.writeline("a");
        out << "b\n";
        out.flush();
        std::exit(f ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ("a\nb\n", slurp(p));
}

TEST_F(StreamTest, ReadlineDropsLineEndsAndReturnsALastLineWithoutOne) {
  const std::string longLine(300, 'x');
  UT_STREAM *s = openReadOf("crlf", "one\r\ntwo\n\r\n" + longLine + "\r\nlast");
  ASSERT_NE(nullptr, s);
  char buf[64];
  EXPECT_EQ(3u, s->readline(buf, sizeof buf));
  EXPECT_STREQ("one", buf);
  EXPECT_EQ(3u, s->readline(buf, sizeof buf));
  EXPECT_STREQ("two", buf);
  EXPECT_EQ(0u, s->readline(buf, sizeof buf));
  EXPECT_STREQ("", buf);
  Port::StringBase<char> line;
  EXPECT_TRUE(line.ReadLine(s)); // read in pieces of 128 bytes
  EXPECT_EQ(longLine, line.GetBuffer());
  EXPECT_TRUE(line.ReadLine(s)); // a last line without a line end is a line
  EXPECT_STREQ("last", line.GetBuffer());
  EXPECT_FALSE(line.ReadLine(s));
  EXPECT_STREQ("", line.GetBuffer());
  Port_File::close(s);
}

TEST_F(StreamTest, ReadLineIntoASharedStringLeavesItsCopiesAlone) {
  UT_STREAM *s = openReadOf("shared", "first\r\nsecond\n\n");
  ASSERT_NE(nullptr, s);
  Port::StringBase<char> line;
  ASSERT_TRUE(line.ReadLine(s));
  const Port::StringBase<char> first = line; // shares the text
  ASSERT_TRUE(line.ReadLine(s));
  const Port::StringBase<char> second = line;
  ASSERT_TRUE(line.ReadLine(s));
  EXPECT_STREQ("first", first.GetBuffer());
  EXPECT_STREQ("second", second.GetBuffer());
  EXPECT_STREQ("", line.GetBuffer());
  EXPECT_FALSE(line.ReadLine(s));
  Port_File::close(s);
}

TEST_F(StreamTest, ReadLineLoopsOverAStreamAndAnIstreamGiveTheSameLines) {
  const std::string contents[] = {"", "\n", "a", "a\n", "a\n\nb", "a\nb\n", std::string(300, 'x')};
  for (const std::string &text : contents) {
    const std::string p = tree.root() + "/lines.txt";
    spit(p, text);
    std::vector<std::string> fromStream, fromIstream;
    UT_STREAM *s = openRead(p);
    ASSERT_NE(nullptr, s);
    Port::StringBase<char> line;
    while (line.ReadLine(s))
      fromStream.push_back(line.GetBuffer());
    Port_File::close(s);
    std::istringstream in(text);
    while (line.ReadLine(in))
      fromIstream.push_back(line.GetBuffer());
    EXPECT_EQ(fromIstream, fromStream) << testing::PrintToString(text);
  }
}

TEST_F(StreamTest, ReadlineWithCarriageReturnAtTheBufferEndChecksTheNextByte) {
  UT_STREAM *s = openReadOf("cr", "ab\r\ncd\rX");
  ASSERT_NE(nullptr, s);
  char buf[4]; // "ab\r" fills it: the line feed after it is consumed
  EXPECT_EQ(2u, s->readline(buf, sizeof buf));
  EXPECT_STREQ("ab", buf);
  EXPECT_EQ(3u, s->readline(buf, sizeof buf)); // "cd\r": the X is read again
  EXPECT_STREQ("cd\r", buf);
  EXPECT_EQ(1u, s->readline(buf, sizeof buf));
  EXPECT_STREQ("X", buf);
  Port_File::close(s);
}

TEST_F(StreamTest, TokensKeysAndStrings) {
  UT_STREAM *s =
      openReadOf("tokens", std::string("  alpha\tbeta\r\ngamma key=value;rest\0tail", 39));
  ASSERT_NE(nullptr, s);
  char buf[32];
  EXPECT_EQ(5u, s->readtoken(buf, sizeof buf));
  EXPECT_STREQ("alpha", buf);
  EXPECT_EQ(4u, s->readtoken(buf, sizeof buf));
  EXPECT_STREQ("beta", buf);
  Port::StringBase<char> tok;
  EXPECT_TRUE(s->readtoken(&tok));
  EXPECT_STREQ("gamma", tok.GetBuffer());
  unsigned char key[32];
  EXPECT_EQ(4u, s->peekkey(key, sizeof key, "=;"));
  EXPECT_EQ(4u, s->readkey(key, sizeof key, "=;"));
  EXPECT_STREQ("key=", reinterpret_cast<char *>(key));
  EXPECT_EQ(6u, s->readkey(key, sizeof key, ";="));
  EXPECT_STREQ("value;", reinterpret_cast<char *>(key));
  EXPECT_EQ(5u, s->readstring(buf, sizeof buf)); // "rest" and its zero byte
  EXPECT_STREQ("rest", buf);
  EXPECT_FALSE(s->readstring(&tok)); // "tail" ends without a zero byte
  EXPECT_STREQ("tail", tok.GetBuffer());
  Port_File::close(s);
}

TEST_F(StreamTest, LinesTokensAndKeysAcrossManyBufferLoads) {
  // Lines of every length up to several buffers, CR LF and LF ends, lone CRs, blank runs: the
  // buffer boundaries fall at every kind of place. The model splits the same text.
  std::mt19937 rng(7);
  const char alphabet[] = "ab \t\r\n;,xyz";
  std::string text;
  while (text.size() < 600000) {
    const size_t n = rng() % 4 == 0 ? rng() % 70000 : rng() % 40;
    for (size_t i = 0; i < n; ++i)
      text += alphabet[rng() % (sizeof alphabet - 1)];
    text += rng() % 2 ? "\r\n" : "\n";
  }
  text += "tail\r";
  const std::string p = path("many");
  spit(p, text);

  std::vector<std::string> lines, tokens, keys;
  for (size_t from = 0; from < text.size();) {
    size_t lf = text.find('\n', from);
    std::string line = text.substr(from, lf == std::string::npos ? lf : lf - from);
    if (lf != std::string::npos && !line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
    from = lf == std::string::npos ? text.size() : lf + 1;
  }
  for (size_t from = text.find_first_not_of(" \t\r\n"); from != std::string::npos;) {
    const size_t end = text.find_first_of(" \t\r\n", from);
    tokens.push_back(text.substr(from, end == std::string::npos ? end : end - from));
    from = end == std::string::npos ? end : text.find_first_not_of(" \t\r\n", end);
  }
  for (size_t from = 0; from < text.size();) {
    const size_t end = std::min(text.find_first_of(";,", from), text.size() - 1);
    keys.push_back(text.substr(from, std::min<size_t>(end + 1 - from, 99)));
    from += keys.back().size();
  }

  UT_STREAM *s = openRead(p);
  ASSERT_NE(nullptr, s);
  std::vector<std::string> got;
  Port::StringBase<char> line;
  while (line.ReadLine(s))
    got.emplace_back(line.GetBuffer(), line.GetLength());
  EXPECT_TRUE(got == lines) << got.size() << " lines, expected " << lines.size();

  ASSERT_TRUE(s->seekstart());
  got.clear();
  while (s->readtoken(&line))
    got.emplace_back(line.GetBuffer(), line.GetLength());
  EXPECT_TRUE(got == tokens) << got.size() << " tokens, expected " << tokens.size();

  ASSERT_TRUE(s->seekstart());
  got.clear();
  unsigned char key[100], peeked[100];
  for (;;) {
    const unsigned n = s->peekkey(peeked, sizeof peeked, ";,");
    ASSERT_EQ(n, s->readkey(key, sizeof key, ";,"));
    if (n == 0)
      break;
    ASSERT_EQ(0, std::memcmp(key, peeked, n + 1));
    got.emplace_back(reinterpret_cast<char *>(key), n);
  }
  EXPECT_TRUE(got == keys) << got.size() << " keys, expected " << keys.size();
  Port_File::close(s);
}

TEST_F(StreamTest, PositioningReadsFromTheOffsetAsked) {
  const std::string p = path("pos");
  std::string content;
  for (int i = 0; i < 10000; ++i)
    content += static_cast<char>(i % 251);
  spit(p, content);
  UT_STREAM *s = openRead(p);
  ASSERT_NE(nullptr, s);
  unsigned char b;
  for (long off : {9000L, 17L, 4095L, 4096L, 0L, 9999L}) {
    ASSERT_TRUE(s->setfoffset(off)) << off;
    EXPECT_EQ(off, s->getfoffset());
    ASSERT_EQ(1u, s->read(&b, 1)) << off;
    EXPECT_EQ(static_cast<unsigned char>(content[off]), b) << off;
  }
  unsigned char peeked[3], read[3];
  ASSERT_TRUE(s->setfoffset(4094));
  EXPECT_EQ(3u, s->peek(peeked, 3)); // across the buffer's end, without moving
  EXPECT_EQ(4094, s->getfoffset());
  EXPECT_EQ(3u, s->read(read, 3));
  EXPECT_EQ(0, std::memcmp(peeked, read, 3));
  EXPECT_EQ(0, std::memcmp(read, content.data() + 4094, 3));
  EXPECT_TRUE(s->seekend());
  EXPECT_EQ(10000, s->getfoffset());
  EXPECT_EQ(0u, s->read(&b, 1));
  EXPECT_TRUE(s->seekstart());
  EXPECT_EQ(1u, s->read(&b, 1));
  EXPECT_EQ(0, b);

  s->setRandomAccess(0);
  const long before = s->getfoffset();
  EXPECT_FALSE(s->setfoffset(5000));
  EXPECT_EQ(before, s->getfoffset());
  Port_File::close(s);
}

TEST_F(StreamTest, OverwritingInTheMiddleKeepsTheRest) {
  const std::string p = path("patch");
  spit(p, "0123456789");
  UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Write, 0);
  ASSERT_NE(nullptr, s);
  ASSERT_TRUE(s->setfoffset(3));
  s->write(reinterpret_cast<const unsigned char *>("ab"), 2);
  EXPECT_EQ(5, s->getfoffset());
  Port_File::close(s);
  EXPECT_EQ("012ab56789", slurp(p));
}

TEST_F(StreamTest, FullDiskIsReportedOnceThenWritesAreDropped) {
  if (!std::filesystem::exists("/dev/full"))
    GTEST_SKIP() << "no /dev/full";
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  Port::FileDesc fd;
  UT_STREAM *s = Port_File::open("/dev/full", UT_STREAM::Write, 0);
  ASSERT_NE(nullptr, s);
  std::string chunk(3000, 'x');
  for (int i = 0; i < 10; ++i)
    s->write(reinterpret_cast<const unsigned char *>(chunk.data()), 3000);
  EXPECT_EQ(28, s->geterror());
  EXPECT_EQ(0u, s->write(reinterpret_cast<const unsigned char *>("y"), 1));
  s->writeint(7);
  Port_File::close(s);
  EXPECT_EQ(1, filetest::countMessages(cap, L"File system full"));
  EXPECT_EQ(0, filetest::countMessages(cap, L"Flushing buffer failed"));
}

TEST_F(StreamTest, FlushFailureIsReported) {
  if (!std::filesystem::exists("/dev/full"))
    GTEST_SKIP() << "no /dev/full";
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  UT_STREAM *s = Port_File::open("/dev/full", UT_STREAM::Write, 0);
  ASSERT_NE(nullptr, s);
  s->writeline("short");
  EXPECT_EQ(28, s->flush());
  EXPECT_EQ(1, filetest::countMessages(cap, L"Flushing buffer failed."));
  Port_File::close(s);
}

TEST_F(StreamTest, OffsetsBeyondFourGibibytes) {
  const std::string p = path("big");
  UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Write, 1);
  ASSERT_NE(nullptr, s);
  const long far = 5L * 1024 * 1024 * 1024 + 3; // sparse: nothing is written before it
  ASSERT_TRUE(s->setfoffset(far));
  s->writeint(0x0A0B0C0D);
  EXPECT_EQ(far + 4, s->getfoffset());
  Port_File::close(s);
  EXPECT_EQ(far + 4, Port_File::getsize(p.c_str()));
  s = openRead(p);
  ASSERT_NE(nullptr, s);
  ASSERT_TRUE(s->setfoffset(far));
  EXPECT_EQ(0x0A0B0C0D, s->readint());
  Port_File::close(s);
}

TEST_F(StreamTest, CopiedStreamHasNoImplementation) {
  const std::string p = path("copy");
  UT_STREAM *s = openWrite(p);
  ASSERT_NE(nullptr, s);
  UT_STREAM copy(*s);
  EXPECT_EQ(nullptr, copy.getImp());
  UT_STREAM assigned(UT_STREAM::Read, 4096);
  assigned = *s;
  EXPECT_EQ(nullptr, assigned.getImp());
  s->writeline("still mine");
  Port_File::close(s);
  EXPECT_EQ("still mine\r\n", slurp(p));
}

TEST(FileDesc, CopiesShareTheOpenFile) {
  porttest::TempTree tree;
  const std::string p = tree.write("d", "abc");
  UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, s);
  Port::FileDesc a = s->getfid();
  Port::FileDesc b(a);
  const int value = a;
  EXPECT_GE(value, 0);
  Port_File::close(s); // closes the file for both copies
  char c;
  EXPECT_EQ(-1, b.read(&c, 1));
  EXPECT_EQ(value, static_cast<int>(b));
}

TEST(FileDesc, ArchiveMemberHasTheFixedValueAndCannotBeWritten) {
  boost::shared_ptr<Port::ZipFile> none;
  Port::FileDesc unset(none);
  EXPECT_EQ(-1, static_cast<int>(unset)); // no archive behind it
  Port::FileDesc plain(5);
  plain = none;
  EXPECT_TRUE(plain.isArchive());
  char c = 'x';
  EXPECT_EQ(-1, plain.write(&c, 1));
  EXPECT_EQ(0, plain.close());
}

TEST(SeekType, OriginsMapToTheirNumbersAndOnlyThemselves) {
  using Port::SeekType;
  EXPECT_EQ(0, SeekType::SeekSet().SeekToInt());
  EXPECT_EQ(1, SeekType::SeekCurr().SeekToInt());
  EXPECT_EQ(2, SeekType::SeekEnd().SeekToInt());
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(i, SeekType::IntToSeek(i).SeekToInt());
  EXPECT_EQ(-1, SeekType::IntToSeek(7).SeekToInt());
  SeekType other;
  EXPECT_EQ(-1, other.SeekToInt());
  EXPECT_FALSE(other.EqualTo(SeekType::SeekSet()));
  EXPECT_TRUE(SeekType::SeekEnd().EqualTo(SeekType::IntToSeek(2)));
}

} // namespace
