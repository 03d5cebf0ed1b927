// Record-codec streams on several threads: the file written and the bytes read back are those of a
// single thread, a damaged record reports as on one thread, and closing stops every worker.
#include "Port_File.h"
#include "basutio.h"
#include "basutstream.h"
#include "capture_manager.h"
#include "platform/faults.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

const size_t kRecord = 64000; // the stream buffer of a record file: one record per buffer

using porttest::slurp;
using porttest::spit;

// Netlist-like text with some noise, so that records differ.
std::string text(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  s.reserve(n + 100);
  while (s.size() < n)
    s += "X" + std::to_string(rng() % 100000) + " net" + std::to_string(rng() % 5000) + " net" +
         std::to_string(rng() % 5000) + " nmos w=" + std::to_string(rng() % 90 + 10) + "u\n";
  s.resize(n);
  return s;
}

// Threads of this process. A sanitizer's runtime may start a thread of its own once the program
// has started one (ThreadSanitizer does), so a baseline is taken after a thread has run.
size_t threadCount() {
  size_t n = 0;
  for (const auto &e : std::filesystem::directory_iterator("/proc/self/task")) {
    (void)e;
    ++n;
  }
  return n;
}

class RecordConcurrency : public ::testing::Test {
protected:
  void TearDown() override { UT_IO_DEVICE::SetRecordThreads(0); }
  std::string path(const char *name) const { return tree.root() + "/" + name; }

  void writeFile(const std::string &p, const std::string &data, unsigned threads,
                 unsigned format = 0) {
    UT_IO_DEVICE::SetRecordThreads(threads);
    UT_STREAM *s = Port_File::open(
        p.c_str(),
        static_cast<UT_STREAM::Access>(UT_STREAM::Write | UT_STREAM::Compressed | format), 1);
    ASSERT_NE(nullptr, s);
    // Uneven pieces, so that buffer and record boundaries fall anywhere.
    size_t at = 0, piece = 1;
    while (at < data.size()) {
      const size_t n = std::min(piece, data.size() - at);
      ASSERT_EQ(n, s->write(reinterpret_cast<const unsigned char *>(data.data()) + at,
                            static_cast<unsigned>(n)));
      at += n;
      piece = piece * 3 + 1;
    }
    EXPECT_TRUE(Port_File::close(s));
  }

  // Everything a read hands out, in pieces of `piece` bytes, and the error it ends with.
  struct ReadResult {
    std::string data;
    int error = 0;
    size_t calls = 0; // read calls that returned data
  };
  ReadResult readFile(const std::string &p, unsigned threads, unsigned piece = 7000) {
    UT_IO_DEVICE::SetRecordThreads(threads);
    ReadResult r;
    UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
    EXPECT_NE(nullptr, s);
    if (!s)
      return r;
    std::vector<unsigned char> buf(piece);
    unsigned got;
    while ((got = s->read(buf.data(), piece)) > 0) {
      r.data.append(reinterpret_cast<char *>(buf.data()), got);
      ++r.calls;
    }
    r.error = s->geterror();
    Port_File::close(s);
    return r;
  }
  porttest::TempTree tree;
};

TEST_F(RecordConcurrency, WritesTheFileOneThreadWritesAndReadsItBack) {
  const size_t sizes[] = {0,
                          1,
                          kRecord - 1,
                          kRecord,
                          kRecord + 1,
                          3 * kRecord,
                          4 * kRecord + 17,
                          9 * kRecord - 1,
                          1000003,
                          40 * kRecord + 12345};
  for (unsigned format : {0u, 0x30u}) { // the default keyed format, and plain records
    for (size_t size : sizes) {
      const std::string data = text(size, static_cast<unsigned>(size));
      const std::string one = path("one.dat"), many = path("many.dat");
      writeFile(one, data, 1, format);
      writeFile(many, data, 4, format);
      const std::string bytes = slurp(one);
      EXPECT_EQ(bytes, slurp(many)) << size << " format " << format;
      for (unsigned piece : {7000u, 64000u, 200000u}) {
        const ReadResult r = readFile(many, 4, piece);
        EXPECT_EQ(0, r.error) << size;
        EXPECT_TRUE(r.data == data) << size << " piece " << piece << " format " << format;
      }
    }
  }
}

// A system out of threads: the pool starts fewer workers than asked, or none, and the stream
// does the work itself; the bytes are the same.
TEST_F(RecordConcurrency, ThreadsRefusedGiveTheSameFile) {
  const std::string data = text(9 * kRecord + 5, 9);
  const std::string one = path("one.dat"), refused = path("refused.dat");
  writeFile(one, data, 1);
  for (long nth : {1L, 3L}) { // none started, or two of four
    ASSERT_EQ(0, Port_TestFault(Port_TestThread, nth, 1, EAGAIN));
    writeFile(refused, data, 4);
    const ReadResult r = readFile(refused, 4);
    const long hits = Port_TestFaultHits(Port_TestThread);
    Port_TestFaultClear();
    EXPECT_GT(hits, 0) << nth;
    EXPECT_EQ(slurp(one), slurp(refused)) << nth;
    EXPECT_EQ(0, r.error) << nth;
    EXPECT_TRUE(r.data == data) << nth;
  }
}

TEST_F(RecordConcurrency, SeeksWhileReadingAheadGiveTheRightBytes) {
  const std::string data = text(30 * kRecord + 999, 5);
  const std::string p = path("seek.dat");
  writeFile(p, data, 4);
  UT_IO_DEVICE::SetRecordThreads(4);
  UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, s);
  std::vector<unsigned char> buf(100000);
  // Read into the window, jump back to the start, forward across it, then to the end.
  ASSERT_EQ(100000u, s->read(buf.data(), 100000));
  EXPECT_EQ(data.substr(0, 100000), std::string(buf.begin(), buf.end()));
  for (long at : {0L, 17L * static_cast<long>(kRecord) + 5, 3L, 29L * static_cast<long>(kRecord)}) {
    ASSERT_TRUE(s->setfoffset(at)) << at;
    const unsigned got = s->read(buf.data(), 100000);
    EXPECT_EQ(data.substr(static_cast<size_t>(at), got),
              std::string(buf.begin(), buf.begin() + got))
        << at;
    EXPECT_EQ(std::min<size_t>(100000, data.size() - static_cast<size_t>(at)), got) << at;
  }
  EXPECT_EQ(0, s->geterror());
  Port_File::close(s);
}

// Flips one payload byte of record `index` of a record file.
std::string damage(std::string raw, size_t index) {
  size_t at = 0;
  for (size_t k = 0; k < index; ++k) {
    std::string size = raw.substr(at + 16, 8);
    at += 24 + std::stoul(size, nullptr, 16);
  }
  raw[at + 24 + 300] ^= 0x5A;
  return raw;
}

TEST_F(RecordConcurrency, DamagedRecordReportsAsOnOneThread) {
  const std::string data = text(30 * kRecord + 77, 9);
  const std::string p = path("bad.dat");
  for (unsigned format : {0u, 0x30u}) {
    writeFile(p, data, 1, format);
    spit(p, damage(slurp(p), 15));
    std::vector<ReadResult> results;
    std::vector<std::vector<std::wstring>> messages;
    for (unsigned threads : {1u, 4u}) {
      porttest::CaptureManager cap;
      porttest::ScopedManager scoped(&cap);
      results.push_back(readFile(p, threads, 10000));
      std::vector<std::wstring> lines;
      for (const auto &e : cap.entries())
        lines.insert(lines.end(), e.lines.begin(), e.lines.end());
      messages.push_back(lines);
    }
    EXPECT_NE(0, results[0].error);
    EXPECT_LT(results[0].data.size(), 15 * kRecord + 1);
    EXPECT_FALSE(messages[0].empty());
    EXPECT_EQ(results[0].error, results[1].error) << format;
    EXPECT_EQ(results[0].calls, results[1].calls) << format;
    EXPECT_TRUE(results[0].data == results[1].data) << format;
    EXPECT_EQ(messages[0], messages[1]) << format;
  }
}

TEST_F(RecordConcurrency, CloseInTheMiddleLeavesNothingRunning) {
  const std::string data = text(25 * kRecord, 11);
  const std::string p = path("close.dat");
  std::thread([] {}).join();
  const size_t before = threadCount();
  // Writing: close with records still being made; the file holds all of them.
  UT_IO_DEVICE::SetRecordThreads(4);
  UT_STREAM *w = Port_File::open(
      p.c_str(), static_cast<UT_STREAM::Access>(UT_STREAM::Write | UT_STREAM::Compressed), 1);
  ASSERT_NE(nullptr, w);
  ASSERT_EQ(data.size(), w->write(reinterpret_cast<const unsigned char *>(data.data()),
                                  static_cast<unsigned>(data.size())));
  EXPECT_GT(threadCount(), before); // the pool is working
  EXPECT_TRUE(Port_File::close(w));
  EXPECT_EQ(before, threadCount());
  EXPECT_TRUE(readFile(p, 1).data == data);
  // Reading: close with records expanded ahead and not yet read.
  UT_IO_DEVICE::SetRecordThreads(4);
  UT_STREAM *r = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, r);
  std::vector<unsigned char> buf(3 * kRecord);
  ASSERT_EQ(buf.size(), r->read(buf.data(), static_cast<unsigned>(buf.size())));
  EXPECT_GT(threadCount(), before);
  Port_File::close(r);
  EXPECT_EQ(before, threadCount());
}

TEST_F(RecordConcurrency, ShortStreamsStartNoWorkers) {
  std::thread([] {}).join();
  const size_t before = threadCount();
  UT_IO_DEVICE::SetRecordThreads(4);
  UT_STREAM *w =
      Port_File::open(path("short.dat").c_str(),
                      static_cast<UT_STREAM::Access>(UT_STREAM::Write | UT_STREAM::Compressed), 1);
  ASSERT_NE(nullptr, w);
  const std::string data = text(3 * kRecord, 2);
  w->write(reinterpret_cast<const unsigned char *>(data.data()),
           static_cast<unsigned>(data.size()));
  EXPECT_EQ(before, threadCount());
  EXPECT_TRUE(Port_File::close(w));
}

// The file a failing write leaves (a size limit stops it mid-stream) and the error the stream
// ends with are those of one thread.
TEST_F(RecordConcurrency, FailedWriteLeavesWhatOneThreadLeaves) {
  const std::string data = text(30 * kRecord, 13);
  struct rlimit old;
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &old));
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> files;
  std::vector<int> errors;
  for (unsigned threads : {1u, 4u}) {
    porttest::CaptureManager cap;
    porttest::ScopedManager scoped(&cap);
    const std::string p = path(threads == 1 ? "full1.dat" : "full4.dat");
    UT_IO_DEVICE::SetRecordThreads(threads);
    UT_STREAM *s = Port_File::open(
        p.c_str(), static_cast<UT_STREAM::Access>(UT_STREAM::Write | UT_STREAM::Compressed), 1);
    ASSERT_NE(nullptr, s);
    struct rlimit small = old;
    small.rlim_cur = 300000;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    for (size_t at = 0; at < data.size(); at += 10000)
      s->write(reinterpret_cast<const unsigned char *>(data.data()) + at, 10000);
    s->flush();
    errors.push_back(s->geterror());
    Port_File::close(s);
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &old));
    files.push_back(slurp(p));
    EXPECT_FALSE(cap.entries().empty()) << threads;
  }
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(EFBIG, errors[0]);
  EXPECT_EQ(errors[0], errors[1]);
  EXPECT_TRUE(files[0] == files[1]) << files[0].size() << " " << files[1].size();
}

} // namespace
