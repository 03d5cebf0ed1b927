// Port_CompressMap: the record index and random reads across record boundaries.
#include "PortCompressMap.h"
#include "capture_manager.h"
#include "compress_test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using compresstest::bytes;
using compresstest::TempFile;

namespace {

// Three records of 100, 50 and 70 bytes.
class CompressMapTest : public ::testing::Test {
protected:
  void SetUp() override {
    data.resize(220);
    for (int i = 0; i < 220; ++i)
      data[i] = static_cast<char>(i < 100 ? 'a' + i % 26 : i < 150 ? 'A' + i % 26 : '0' + i % 10);
    Port_Compress c;
    c.Write(file.fd(), bytes(data), 100);
    c.Write(file.fd(), bytes(data) + 100, 50);
    c.Write(file.fd(), bytes(data) + 150, 70);
  }
  std::string read(Port_CompressMap &m, unsigned pos, unsigned n) {
    std::vector<unsigned char> buf(n + 1);
    const unsigned got = m.Read(buf.data(), n, pos, 0);
    return std::string(buf.begin(), buf.begin() + got);
  }
  TempFile file;
  std::string data;
};

TEST_F(CompressMapTest, IndexesRecordsAndFindsThem) {
  Port_CompressMap m(file.fd());
  ASSERT_EQ(3, m.GetNumRecords());
  EXPECT_FALSE(m.GetError());
  EXPECT_EQ(220u, m.GetUnCompressedSize());
  EXPECT_EQ(static_cast<uint32_t>(file.size()), m.GetCompressedSize());
  const unsigned cases[][2] = {{0, 0}, {99, 0}, {100, 1}, {149, 1}, {150, 2}, {219, 2}, {5000, 2}};
  for (const auto &c : cases)
    EXPECT_EQ(c[1], m.GetRecordIdx(c[0])) << c[0];
  EXPECT_EQ(-1, m.Compare(1, 99));
  EXPECT_EQ(1, m.Compare(1, 150));
  EXPECT_TRUE(m.IsInRecord(2, 100000));
}

TEST_F(CompressMapTest, ReadsAcrossBoundariesAndBackwards) {
  Port_CompressMap m(file.fd());
  EXPECT_EQ(data.substr(99, 2), read(m, 99, 2));
  EXPECT_EQ(data.substr(90, 70), read(m, 90, 70));
  // Backwards: last, middle, first.
  EXPECT_EQ(data.substr(150, 70), read(m, 150, 70));
  EXPECT_EQ(data.substr(100, 50), read(m, 100, 50));
  EXPECT_EQ(data.substr(0, 100), read(m, 0, 100));
  // Past the end: cut at the end; starting beyond it: nothing.
  EXPECT_EQ(data.substr(210), read(m, 210, 50));
  EXPECT_EQ("", read(m, 221, 5));
  EXPECT_EQ(data, read(m, 0, 1000));
}

// Files the index cannot read whole: the record count, the error flag before and after a read
// from the start, and a read that gives nothing.
TEST(CompressMapEdge, EmptyTrailingAndUndecodableFiles) {
  const struct {
    const char *what;
    std::string record; // written as one record ("" writes none)
    std::string after;  // raw bytes appended after it
    int records;
    bool errorBefore, errorAfter; // the flag before and after the read
    unsigned readLen;
  } cases[] = {
      {"empty file", "", "", 0, false, false, 4},
      {"trailing bytes", "hello", "zz", -1, true, true, 5},
      // Second record: a valid header whose payload is not a zlib stream.
      {"record that fails to decompress", std::string(300, 'a'), "QmoV32DB      20       5junk!", 2,
       false, true, 310},
  };
  for (const auto &c : cases) {
    porttest::CaptureManager cap;
    porttest::ScopedManager scoped(&cap);
    TempFile f;
    Port_Compress comp;
    if (!c.record.empty())
      comp.Write(f.fd(), bytes(c.record), static_cast<unsigned>(c.record.size()));
    if (!c.after.empty())
      f.append(c.after);
    Port_CompressMap m(f.fd());
    EXPECT_EQ(c.records, m.GetNumRecords()) << c.what;
    EXPECT_EQ(c.errorBefore, m.GetError()) << c.what;
    std::vector<unsigned char> buf(c.readLen);
    EXPECT_EQ(0u, m.Read(buf.data(), c.readLen, 0, 0)) << c.what;
    EXPECT_EQ(c.errorAfter, m.GetError()) << c.what;
  }
}

TEST(CompressMapEdge, CallBackConfiguresTheCompressor) {
  struct Keyed : Port_CompressMap::CallBack {
    void Configure(Port_Compress *c) override { c->SetKey("0123456789abcdef"); }
  };
  TempFile f;
  Port_Compress w;
  w.SetKey("0123456789abcdef");
  w.SetCompressFlags(1, 0);
  w.Write(f.fd(), bytes("secret text"), 11);
  std::unique_ptr<Port_CompressMap::CallBack> cb(new Keyed);
  Port_CompressMap m(f.fd(), cb);
  unsigned char buf[16];
  ASSERT_EQ(11u, m.Read(buf, 11, 0, 0));
  EXPECT_EQ("secret text", std::string(buf, buf + 11));
}

} // namespace
