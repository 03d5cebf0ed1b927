// Port_File::open and close: the 128-entry table, shared entries, access modes, refusals.
#include "Port_File.h"
#include "basutio.h"
#include "file_test_util.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <thread>
#include <vector>

using filetest::slurp;
using filetest::spit;

namespace {

class FileTableTest : public ::testing::Test {
protected:
  std::string path(const std::string &name) const { return tree.root() + "/" + name; }
  porttest::TempTree tree;
};

TEST_F(FileTableTest, The129thOpenFailsUntilAnEntryIsFreed) {
  const std::string p = tree.write("shared.txt", "x");
  std::vector<UT_STREAM *> open;
  for (int i = 0; i < 128; ++i) {
    UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
    ASSERT_NE(nullptr, s) << i;
    open.push_back(s);
  }
  {
    porttest::CaptureManager cap;
    porttest::ScopedManager scoped(&cap);
    EXPECT_EQ(nullptr, Port_File::open(p.c_str(), UT_STREAM::Read, 0));
    EXPECT_EQ(1, filetest::countMessages(cap, L"Too many opened files!  Cannot open file"));
    EXPECT_EQ(1, filetest::countMessages(cap, L"Open files list:"));
    EXPECT_EQ(128, filetest::countMessages(cap, L"shared.txt : read"));
  }
  ASSERT_TRUE(Port_File::close(open.back()));
  open.pop_back();
  UT_STREAM *again = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
  EXPECT_NE(nullptr, again);
  open.push_back(again);
  for (UT_STREAM *s : open)
    EXPECT_TRUE(Port_File::close(s));
}

TEST_F(FileTableTest, ReopeningTheSameStreamSharesItsEntry) {
  const std::string p = path("own.txt");
  UT_STREAM mine(UT_STREAM::Write, 4096);
  ASSERT_EQ(&mine, Port_File::open(p.c_str(), &mine, 1));
  ASSERT_EQ(&mine, Port_File::open(p.c_str(), &mine, 1)); // a second use of the same entry
  mine.writeline("kept");
  EXPECT_TRUE(Port_File::close(&mine));
  mine.writeline("both"); // still open: one use remains
  EXPECT_TRUE(Port_File::close(&mine));
  EXPECT_FALSE(Port_File::close(&mine)); // gone from the table
  EXPECT_EQ(-1, static_cast<int>(mine.getfid()));
  EXPECT_EQ("kept\r\nboth\r\n", slurp(p));
}

TEST_F(FileTableTest, DestroyingARegisteredStreamReleasesItsEntry) {
  const std::string p = path("destroyed.txt");
  {
    UT_STREAM mine(UT_STREAM::Write, 4096);
    ASSERT_NE(nullptr, Port_File::open(p.c_str(), &mine, 1));
    ASSERT_NE(nullptr, Port_File::open(p.c_str(), &mine, 1));
    mine.writeline("flushed on destruction");
  }
  EXPECT_EQ("flushed on destruction\r\n", slurp(p));
  UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Write, 1);
  ASSERT_NE(nullptr, s);
  delete s; // deleting a stream of the table closes it too
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  Port_File::dumpopenfiles();
  EXPECT_EQ(1, static_cast<int>(cap.entries().size())); // only the heading: the table is empty
}

TEST_F(FileTableTest, AccessModesDecideWhereWritesGo) {
  struct Case {
    const char *name;
    unsigned access;
    unsigned char truncate;
    const char *expected;
  } cases[] = {
      {"write keeps the tail", UT_STREAM::Write, 0, "NEW\r\n56789"},
      {"write with truncate", UT_STREAM::Write, 1, "NEW\r\n"},
      {"write and append", UT_STREAM::Write | UT_STREAM::Append, 0, "0123456789NEW\r\n"},
      {"append alone", UT_STREAM::Append, 0, "0123456789NEW\r\n"},
  };
  for (const Case &c : cases) {
    const std::string p = path("mode.txt");
    spit(p, "0123456789");
    UT_STREAM *s = Port_File::open(p.c_str(), static_cast<UT_STREAM::Access>(c.access), c.truncate);
    ASSERT_NE(nullptr, s) << c.name;
    s->writeline("NEW");
    Port_File::close(s);
    EXPECT_EQ(c.expected, slurp(p)) << c.name;
  }
}

TEST_F(FileTableTest, RefusalsLeaveTheirCodes) {
  const std::string existing = tree.write("exists.txt", "data");
  const std::string dir = tree.mkdir("adir");
  struct Case {
    const char *name;
    std::string path;
    unsigned access;
    int error;
  } cases[] = {
      {"missing file for reading", path("missing.txt"), UT_STREAM::Read, 2},
      {"empty name", "", UT_STREAM::Read, 2},
      {"directory", dir, UT_STREAM::Read, 13},
      {"directory for writing", dir, UT_STREAM::Write, 13},
      {"start empty on an existing file", existing, UT_STREAM::Read | UT_STREAM::StartEmpty, 17},
      {"missing parent for writing", path("no/such/file"), UT_STREAM::Write, 2},
  };
  for (const Case &c : cases) {
    Port_File::clearerror();
    EXPECT_EQ(nullptr, Port_File::open(c.path.c_str(), static_cast<UT_STREAM::Access>(c.access), 0))
        << c.name;
    EXPECT_EQ(c.error, Port_File::geterror()) << c.name;
  }
  EXPECT_EQ("data", slurp(existing));
  Port_File::clearerror();
  EXPECT_EQ(nullptr, Port_File::open(static_cast<const char *>(nullptr), UT_STREAM::Write, 1));
  EXPECT_EQ(2, Port_File::geterror());
  EXPECT_FALSE(Port_File::close(nullptr));
}

TEST_F(FileTableTest, ClassicCompressedFilesOpenCompressedNotAsPlainBytes) {
  const std::string p = path("packed.dat");
  spit(p, std::string("\x5A\x5A\xA5\xA5\xC3\xC3\x71"
                      "21",
                      9));
  UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, s);
  EXPECT_TRUE(s->is_compressed());
  EXPECT_EQ('2', s->get_huf_version());
  EXPECT_EQ('1', s->get_pak_version());
  Port_File::close(s);
}

TEST_F(FileTableTest, RecognisesTheClassicHeader) {
  struct Case {
    std::string bytes;
    bool compressed;
    const wchar_t *message;
  } cases[] = {
      {std::string("\x5A\x5A\xA5\xA5\xC3\xC3\x71"
                   "21",
                   9),
       true, nullptr},
      {std::string("\x5A\x5A\xA5\xA5\xC3\xC3\x71"
                   "2",
                   8),
       false, L"Unable to read pversion of compressed file"},
      {"plain text file", false, nullptr},
  };
  for (const Case &c : cases) {
    const std::string p = path("probe");
    spit(p, c.bytes);
    UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Write | UT_STREAM::Append, 0);
    porttest::CaptureManager cap;
    porttest::ScopedManager scoped(&cap);
    char first = 0, second = 0;
    if (s) // a plain append opens; the header makes the open fail
      Port_File::close(s);
    Port::FileDesc fd(::open(p.c_str(), 0));
    EXPECT_EQ(c.compressed, UT_IO_DEVICE::iscompressed(fd, second, first));
    if (c.compressed) {
      EXPECT_EQ('2', first);
      EXPECT_EQ('1', second);
    }
    if (c.message) {
      EXPECT_EQ(1, filetest::countMessages(cap, c.message));
    }
    if (!c.compressed && !c.message) {
      EXPECT_EQ(0, fd.lseek(0, 1)); // left at the start
    }
    fd.close();
  }
}

TEST_F(FileTableTest, TracesOpensWhenAskedTo) {
  const std::string p = tree.write("traced.txt", "t");
  EXPECT_EXIT(
      {
        setenv("QEL_FOPENS", "1", 1);
        // The flag is read at start-up: restart the module to take it.
        Port_File::finalize();
        Port_File::initialize();
        porttest::CaptureManager cap;
        porttest::ScopedManager scoped(&cap);
        UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
        Port_File::close(s);
        const std::wstring expected = L"Open file \"" + std::wstring(p.begin(), p.end()) + L"\"";
        std::exit(s && filetest::countMessages(cap, expected) == 1 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(FileTableTest, ReportsMemoryGrowthAtTheEndWhenAsked) {
  const std::string out = path("stdout");
  EXPECT_EXIT(
      {
        std::FILE *f = std::freopen(out.c_str(), "wb", stdout);
        setenv("QEL_MEMUSAGE", "1", 1);
        Port_File::finalize();
        Port_File::initialize(); // takes the variable and the memory use now
        Port_File::finalize();
        Port_File::initialize();
        std::exit(f ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  const std::string text = slurp(out);
  EXPECT_EQ(0u, text.find("QEL_MEMUSAGE - process used ")) << text;
  EXPECT_NE(std::string::npos, text.find(" bytes of memory\n")) << text;
}

TEST_F(FileTableTest, ThreadsOpenAndCloseTogether) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([this, t] {
      for (int i = 0; i < 40; ++i) {
        const std::string p = path("t" + std::to_string(t) + "_" + std::to_string(i));
        UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Write, 1);
        if (!s)
          continue;
        s->writeint(t * 1000 + i);
        Port_File::close(s);
      }
    });
  for (auto &th : threads)
    th.join();
  for (int t = 0; t < 8; ++t)
    for (int i = 0; i < 40; ++i) {
      const std::string p = path("t" + std::to_string(t) + "_" + std::to_string(i));
      UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
      ASSERT_NE(nullptr, s) << p;
      EXPECT_EQ(t * 1000 + i, s->readint());
      Port_File::close(s);
    }
}

} // namespace
