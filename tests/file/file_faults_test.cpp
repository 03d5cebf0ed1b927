// Failing I/O under the file table and the streams, injected through the platform layer's test
// switch: each fault gives the documented result and error code, nothing written before it is
// lost, no table entry or descriptor is left behind, and interrupted or short transfers are
// resumed as the platform resumes them.
#include "Port_File.h"
#include "basutstream.h"
#include "file_test_util.h"
#include "platform/faults.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

using filetest::countMessages;
using filetest::slurp;
using filetest::spit;

namespace {

// Disarms the switch whatever the test's outcome.
struct FaultScope {
  FaultScope(int service, long n, bool persist, int err) {
    Port_TestFault(service, n, persist ? 1 : 0, err);
  }
  ~FaultScope() { Port_TestFaultClear(); }
};

int openDescriptors() {
  int n = 0;
  for (auto &e : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)e;
    ++n;
  }
  return n;
}

std::string pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i)
    s[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
  return s;
}

class FileFaults : public ::testing::Test {
protected:
  std::string path(const char *name) const { return tree.root() + "/" + name; }
  // A file of the bytes under name, open for reading.
  UT_STREAM *openReadOf(const char *name, const std::string &bytes) {
    spit(path(name), bytes);
    return Port_File::open(path(name).c_str(), UT_STREAM::Read, 0);
  }
  // Every one of the table's 128 entries can still be had.
  void expectWholeTableFree() {
    std::vector<UT_STREAM *> open;
    const std::string name = path("probe.txt");
    spit(name, "x");
    for (int i = 0; i < 128; ++i) {
      UT_STREAM *s = Port_File::open(name.c_str(), UT_STREAM::Read, 0);
      ASSERT_NE(nullptr, s) << "entry " << i;
      open.push_back(s);
    }
    for (UT_STREAM *s : open)
      EXPECT_TRUE(Port_File::close(s));
  }
  porttest::TempTree tree;
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped{&cap};
};

struct OpCase {
  const char *name;
  int service;
  int err;
  std::function<bool(const std::string &dir)> op;
};

std::ostream &operator<<(std::ostream &os, const OpCase &c) { return os << c.name; }

class FileOpFaults : public FileFaults, public ::testing::WithParamInterface<OpCase> {};

// Each operation fails with the errno of its failing call, left in the thread's error code.
TEST_P(FileOpFaults, FailsWithTheInjectedErrno) {
  const OpCase &c = GetParam();
  spit(path("a.txt"), "alpha");
  spit(path("b.txt"), "beta");
  const int before = openDescriptors();
  Port_File::clearerror();
  {
    FaultScope fault(c.service, 1, true, c.err);
    EXPECT_FALSE(c.op(tree.root()));
    EXPECT_GE(Port_TestFaultHits(c.service), 1);
  }
  EXPECT_EQ(c.err, Port_File::geterror());
  EXPECT_EQ(before, openDescriptors());
  EXPECT_EQ("alpha", slurp(path("a.txt"))); // the source of a failed operation is intact
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileOpFaults,
    ::testing::Values(
        OpCase{"OpenForReading", Port_TestOpen, EACCES,
               [](const std::string &d) {
                 return Port_File::open((d + "/a.txt").c_str(), UT_STREAM::Read, 0) != nullptr;
               }},
        OpCase{"CreateForWriting", Port_TestOpen, ENOSPC,
               [](const std::string &d) {
                 return Port_File::open((d + "/new.txt").c_str(), UT_STREAM::Write, 1) != nullptr;
               }},
        OpCase{"Rename", Port_TestRename, EIO,
               [](const std::string &d) {
                 return Port_File::rename((d + "/a.txt").c_str(), (d + "/c.txt").c_str());
               }},
        OpCase{"Remove", Port_TestUnlink, EACCES,
               [](const std::string &d) { return Port_File::remove((d + "/b.txt").c_str()); }},
        OpCase{"MakeDirectory", Port_TestMkdir, ENOSPC,
               [](const std::string &d) { return Port_File::mkdir((d + "/x/y").c_str(), 1); }},
        OpCase{"CopyWrite", Port_TestWrite, ENOSPC,
               [](const std::string &d) {
                 return Port_File::copy((d + "/a.txt").c_str(), (d + "/c.txt").c_str());
               }},
        OpCase{"CopyRead", Port_TestRead, EIO,
               [](const std::string &d) {
                 return Port_File::copy((d + "/a.txt").c_str(), (d + "/c.txt").c_str());
               }},
        OpCase{"PlatformCopy", Port_TestCopy, EACCES,
               [](const std::string &d) {
                 return Port_File::copy_p((d + "/a.txt").c_str(), (d + "/c.txt").c_str());
               }},
        OpCase{"Size", Port_TestStat, EIO,
               [](const std::string &d) {
                 return Port_File::getsize((d + "/a.txt").c_str(), nullptr) >= 0;
               }},
        OpCase{"Append", Port_TestWrite, ENOSPC,
               [](const std::string &d) {
                 return Port_File::append((d + "/a.txt").c_str(), (d + "/b.txt").c_str());
               }}),
    [](const ::testing::TestParamInfo<OpCase> &info) { return std::string(info.param.name); });

TEST_F(FileFaults, FailedOpensLeaveNoTableEntryOrDescriptor) {
  const std::string name = path("a.txt");
  spit(name, "alpha");
  const int before = openDescriptors();
  // More failures than the table has entries: a leaked entry per failure would fill it.
  for (int service : {Port_TestOpen, Port_TestSeek, Port_TestStat}) {
    FaultScope fault(service, 1, true, EIO);
    for (int i = 0; i < 70; ++i)
      EXPECT_EQ(nullptr, Port_File::open(name.c_str(), UT_STREAM::Read, 0));
  }
  EXPECT_EQ(before, openDescriptors());
  expectWholeTableFree();
}

TEST_F(FileFaults, FailingCloseStillReleasesEntryAndDescriptor) {
  const std::string name = path("a.txt");
  const int before = openDescriptors();
  UT_STREAM *s = Port_File::open(name.c_str(), UT_STREAM::Write, 1);
  ASSERT_NE(nullptr, s);
  s->writeline("kept");
  {
    FaultScope fault(Port_TestClose, 1, false, EIO);
    Port_File::close(s);
    EXPECT_EQ(1, Port_TestFaultHits(Port_TestClose));
  }
  EXPECT_EQ(before, openDescriptors());
  EXPECT_EQ("kept\r\n", slurp(name)); // flushed before the descriptor was closed
  expectWholeTableFree();
}

// A disk that fills up mid-file keeps every byte flushed before, reports once, and drops the
// rest without a word.
TEST_F(FileFaults, FullDiskKeepsWhatWasWrittenAndReportsOnce) {
  const std::string name = path("out.dat");
  const std::string data = pattern(3 * 4096 + 100);
  UT_STREAM *s = Port_File::open(name.c_str(), UT_STREAM::Write, 1);
  ASSERT_NE(nullptr, s);
  s->write(reinterpret_cast<const unsigned char *>(data.data()), 2 * 4096); // two flushes
  {
    FaultScope fault(Port_TestWrite, 1, true, ENOSPC);
    s->write(reinterpret_cast<const unsigned char *>(data.data() + 2 * 4096), 4096 + 100);
    s->write(reinterpret_cast<const unsigned char *>(data.data()), 5000);
    EXPECT_EQ(ENOSPC, s->geterror());
    Port_File::close(s);
  }
  EXPECT_EQ(1, countMessages(cap, L"File system full"));
  EXPECT_EQ(data.substr(0, 2 * 4096), slurp(name));
}

TEST_F(FileFaults, WriteErrorIsReportedWithItsNumber) {
  const std::string name = path("out.dat");
  UT_STREAM *s = Port_File::open(name.c_str(), UT_STREAM::Write, 1);
  ASSERT_NE(nullptr, s);
  const std::string data = pattern(4096);
  {
    FaultScope fault(Port_TestWrite, 1, false, EIO);
    s->write(reinterpret_cast<const unsigned char *>(data.data()), 4096);
  }
  EXPECT_EQ(EIO, s->geterror());
  EXPECT_EQ(1, countMessages(cap, L"Cannot write file - errno = 5"));
  Port_File::close(s);
}

// EINTR once, or every transfer cut in half: the platform resumes, so the caller sees the
// whole file written and read back with no error.
struct TransferCase {
  const char *name;
  int service;
  bool persist;
  int err;
};

std::ostream &operator<<(std::ostream &os, const TransferCase &c) { return os << c.name; }

class TransferFaults : public FileFaults, public ::testing::WithParamInterface<TransferCase> {};

TEST_P(TransferFaults, AreResumedAndLoseNothing) {
  const TransferCase &c = GetParam();
  const std::string name = path("lines.txt");
  std::string text;
  for (int i = 0; i < 1500; ++i)
    text += "line " + std::to_string(i) + "\r\n";
  if (c.service == Port_TestRead)
    spit(name, text);
  FaultScope fault(c.service, 1, c.persist, c.err);
  if (c.service == Port_TestWrite) {
    UT_STREAM *s = Port_File::open(name.c_str(), UT_STREAM::Write, 1);
    ASSERT_NE(nullptr, s);
    for (int i = 0; i < 1500; ++i)
      s->writeline(("line " + std::to_string(i)).c_str());
    EXPECT_EQ(0, s->geterror());
    EXPECT_TRUE(Port_File::close(s));
    EXPECT_EQ(text, slurp(name));
  } else {
    UT_STREAM *s = Port_File::open(name.c_str(), UT_STREAM::Read, 0);
    ASSERT_NE(nullptr, s);
    char line[64];
    for (int i = 0; i < 1500; ++i) {
      s->readline(line, sizeof line);
      ASSERT_EQ("line " + std::to_string(i), line);
    }
    EXPECT_EQ(0, s->geterror());
    Port_File::close(s);
  }
  EXPECT_GE(Port_TestFaultHits(c.service), 1);
  EXPECT_EQ(0, cap.entries().size());
}

INSTANTIATE_TEST_SUITE_P(
    Table, TransferFaults,
    ::testing::Values(TransferCase{"InterruptedWrite", Port_TestWrite, false, EINTR},
                      TransferCase{"ShortWrites", Port_TestWrite, true, Port_TestShort},
                      TransferCase{"InterruptedRead", Port_TestRead, false, EINTR},
                      TransferCase{"ShortReads", Port_TestRead, true, Port_TestShort}),
    [](const ::testing::TestParamInfo<TransferCase> &info) {
      return std::string(info.param.name);
    });

TEST_F(FileFaults, ReadErrorStopsTheStreamWithEio) {
  const std::string data = pattern(3 * 4096);
  UT_STREAM *s = openReadOf("big.dat", data);
  ASSERT_NE(nullptr, s);
  std::string got(data.size(), '\0');
  unsigned n;
  {
    // The first load is the open's probe and the second the stream's first buffer.
    FaultScope fault(Port_TestRead, 2, true, EIO);
    n = s->read(reinterpret_cast<unsigned char *>(&got[0]), static_cast<unsigned>(data.size()));
  }
  EXPECT_EQ(EIO, s->geterror());
  EXPECT_LT(n, data.size());
  EXPECT_EQ(data.substr(0, n), got.substr(0, n)); // what was delivered is right
  Port_File::close(s);
}

TEST_F(FileFaults, FailingSeekLeavesThePositionAndReportsErrno) {
  const std::string data = pattern(3 * 4096);
  UT_STREAM *s = openReadOf("big.dat", data);
  ASSERT_NE(nullptr, s);
  unsigned char c = 0;
  s->read(&c, 1);
  {
    FaultScope fault(Port_TestSeek, 1, true, EIO);
    EXPECT_FALSE(s->setfoffset(2 * 4096 + 5));
  }
  EXPECT_EQ(EIO, s->geterror());
  s->clearerror();
  EXPECT_EQ(1, s->getfoffset());
  s->read(&c, 1);
  EXPECT_EQ(data[1], static_cast<char>(c));
  Port_File::close(s);
}

// A member of a zip archive standing in for a directory: a failing look-up of the archive is a
// missing file, and leaves nothing open.
TEST_F(FileFaults, ArchiveLookupFailureIsAMissingFile) {
  const int before = openDescriptors();
  {
    FaultScope fault(Port_TestStat, 1, true, EIO);
    EXPECT_EQ(nullptr,
              Port_File::open((tree.root() + "/sub/member.txt").c_str(), UT_STREAM::Read, 0));
  }
  EXPECT_EQ(ENOENT, Port_File::geterror());
  EXPECT_EQ(before, openDescriptors());
}

} // namespace
