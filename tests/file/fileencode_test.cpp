// Encoded text files: loading plain and scrambled files, reading by line and by delimiter,
// building and writing.
#include "basutfileencode.h"
#include "capture_manager.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using porttest::slurp;

// All of the contents from the position, read with readkey and no delimiter.
std::string rest(UT_FILEENCODE &f) {
  std::string out;
  char buf[64];
  while (unsigned n = f.readkey(buf, sizeof buf, ""))
    out.append(buf, n);
  return out;
}

class FileEncodeTest : public ::testing::Test {
protected:
  porttest::TempTree tree;
  // An object holding exactly text (through a plain file).
  void fill(UT_FILEENCODE &f, const std::string &text) {
    ASSERT_TRUE(f.load(tree.write("fill.txt", text).c_str()));
  }
};

TEST_F(FileEncodeTest, ScrambleFormulaAndInverse) {
  UT_FILEENCODE f;
  std::string all;
  for (int i = 0; i < 300; ++i)
    all += static_cast<char>(i * 37);
  fill(f, std::string(1, '\0') + std::string(1, '\0') + all);
  f.encodebuff(0, 0);
  char two[2];
  ASSERT_EQ(f.peek(two, 2), 2u);
  EXPECT_EQ(two[0], '\0'); // k = 0: unchanged
  EXPECT_EQ(two[1], '\0'); // k = 1: (0 - 1) mod 256 + 1
  f.decodebuff(0, 0);
  EXPECT_EQ(rest(f), std::string(2, '\0') + all);

  // A range in the middle scrambles with k counted from its own start.
  UT_FILEENCODE g;
  fill(g, "abcdefghij");
  g.encodebuff(3, 4);
  EXPECT_EQ(rest(g), std::string("abcd") + char('e' - 1 + 1) + char('f' - 2 + 2) +
                         char('g' - 3 + 3) + "hij");
}

TEST_F(FileEncodeTest, ScrambledDumpStartsWithSignatureAndLoadsBackIdentical) {
  UT_FILEENCODE f;
  std::string text;
  for (int i = 0; i < 5000; ++i) // crosses the write chunk and the 74-byte period
    text += static_cast<char>((i * 131) % 256);
  fill(f, text);
  const std::string path = tree.root() + "/scrambled.dat";
  ASSERT_TRUE(f.dump(path.c_str(), 1));
  const std::string bytes = slurp(path);
  ASSERT_EQ(bytes.size(), text.size() + 5);
  EXPECT_EQ(bytes.substr(0, 5), std::string("\x06\x1e\x43\x00\x09", 5));
  EXPECT_NE(bytes.substr(5), text);
  EXPECT_EQ(rest(f), text) << "dump must leave the object's contents plain";

  UT_FILEENCODE back;
  ASSERT_TRUE(back.load(path.c_str()));
  EXPECT_EQ(rest(back), text);
}

TEST_F(FileEncodeTest, WritelineAddsLineFeedsOnlyWhereMissing) {
  UT_FILEENCODE f;
  f.writeline("a");
  f.writeline("");
  f.writeline("b\n");
  const std::string path = tree.root() + "/plain.txt";
  ASSERT_TRUE(f.dump(path.c_str(), 0));
  EXPECT_EQ(slurp(path), "a\nb\n");
}

TEST_F(FileEncodeTest, LoadingTwiceAppendsAndKeepsThePosition) {
  UT_FILEENCODE f;
  fill(f, "one\n");
  char buf[16];
  ASSERT_EQ(f.readline(buf, sizeof buf), 3u);
  EXPECT_TRUE(f.geteof());
  const std::string second = tree.root() + "/second.dat";
  UT_FILEENCODE s;
  s.writeline("two");
  ASSERT_TRUE(s.dump(second.c_str(), 1)); // scrambled part unscrambles from its own start
  ASSERT_TRUE(f.load(second.c_str()));
  EXPECT_FALSE(f.geteof());
  EXPECT_EQ(f.getfoffset(), 4);
  EXPECT_EQ(rest(f), "two\n");
}

TEST_F(FileEncodeTest, MissingFileIsNotLoaded) {
  UT_FILEENCODE f;
  EXPECT_FALSE(f.load((tree.root() + "/none.txt").c_str()));
  EXPECT_FALSE(f.rewind());
}

TEST_F(FileEncodeTest, ShortFileLoadsAsPlainAfterInternalMessage) {
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  UT_FILEENCODE f;
  fill(f, "\x06\x1e");
  const auto entries = cap.entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].type, Port_MsgMan::MSG_INTERNAL);
  EXPECT_NE(entries[0].lines[0].find(L"Number of bytes"), std::wstring::npos);
  EXPECT_EQ(rest(f), "\x06\x1e");
}

TEST_F(FileEncodeTest, ReadlineSplitsLines) {
  struct Case {
    std::string contents;
    unsigned size;
    std::vector<std::pair<unsigned, std::string>> reads; // result and bytes copied
  };
  const Case cases[] = {
      {"x\r\ny", 10, {{1, "x"}, {1, "y"}, {0, ""}}},
      {"\n\r\n\n", 10, {{0, ""}, {0, ""}, {0, ""}, {0, ""}}},
      {"\r\n", 10, {{0, ""}}},
      {"abcdef\n", 4, {{4, "abcd"}, {2, "ef"}}},
      {"abc\n", 4, {{4, "abc\n"}}}, // size bytes copied: unterminated, line end kept
  };
  for (const Case &c : cases) {
    UT_FILEENCODE f;
    fill(f, c.contents);
    for (const auto &r : c.reads) {
      char buf[16];
      std::memset(buf, '#', sizeof buf);
      const unsigned n = f.readline(buf, c.size);
      EXPECT_EQ(n, r.first) << c.contents;
      if (n < c.size) {
        EXPECT_EQ(std::string(buf), r.second) << c.contents;
      } else {
        EXPECT_EQ(std::string(buf, n), r.second) << c.contents;
      }
    }
    EXPECT_TRUE(f.geteof()) << c.contents;
  }
}

TEST_F(FileEncodeTest, ReadkeyStopsAfterDelimiter) {
  UT_FILEENCODE f;
  fill(f, "key=value;rest");
  char buf[16];
  ASSERT_EQ(f.readkey(buf, sizeof buf, "=;"), 4u);
  EXPECT_EQ(std::string(buf, 4), "key=");
  ASSERT_EQ(f.readkey(buf, 3, "=;"), 3u);
  EXPECT_EQ(std::string(buf, 3), "val");
  ASSERT_EQ(f.readkey(buf, sizeof buf, "=;"), 3u);
  EXPECT_EQ(std::string(buf, 3), "ue;");
  ASSERT_EQ(f.readkey(buf, sizeof buf, "=;"), 4u);
  EXPECT_TRUE(f.geteof());
  EXPECT_EQ(f.readkey(buf, sizeof buf, "=;"), 0u);
  EXPECT_EQ(f.peek(buf, sizeof buf), 0u);
}

TEST_F(FileEncodeTest, SetfoffsetRefusesPositionsOutsideContents) {
  UT_FILEENCODE f;
  fill(f, "abc\ndef\n");
  char buf[16];
  f.readline(buf, sizeof buf);
  for (long bad : {-1L, -100000L, 8L, 9L}) {
    EXPECT_FALSE(f.setfoffset(bad)) << bad;
    EXPECT_EQ(f.getfoffset(), 4) << bad;
  }
  // Going back after the end reads again.
  EXPECT_EQ(rest(f), "def\n");
  EXPECT_TRUE(f.geteof());
  ASSERT_TRUE(f.setfoffset(7));
  EXPECT_EQ(f.readline(buf, sizeof buf), 0u);
  EXPECT_EQ(f.getfoffset(), 8);
  ASSERT_TRUE(f.rewind());
  EXPECT_EQ(f.readline(buf, sizeof buf), 3u);
  EXPECT_STREQ(buf, "abc");
}

TEST_F(FileEncodeTest, PeekDoesNotMove) {
  UT_FILEENCODE f;
  fill(f, "hello");
  char buf[16];
  ASSERT_EQ(f.peek(buf, 3), 3u);
  ASSERT_EQ(f.peek(buf, sizeof buf), 5u);
  EXPECT_EQ(f.getfoffset(), 0);
}

TEST_F(FileEncodeTest, CopiesAreIndependent) {
  UT_FILEENCODE f;
  fill(f, "a\nb\n");
  char buf[8];
  f.readline(buf, sizeof buf);
  UT_FILEENCODE g(f);
  f.writeline("c");
  EXPECT_EQ(rest(g), "b\n");
  g = f;
  EXPECT_EQ(rest(g), "b\nc\n");
}

TEST_F(FileEncodeTest, DumpToUnwritablePlaceFails) {
  UT_FILEENCODE f;
  f.writeline("x");
  EXPECT_FALSE(f.dump((tree.root() + "/no/such/dir/f.txt").c_str(), 1));
}

} // namespace
