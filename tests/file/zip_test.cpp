// Zip archives: shared instances, members, seeking by reading, extraction, the fall-back of
// Port_File::open to an archive standing in for a directory, and damaged archives.
#include "Port_File.h"
#include "Port_ZipFile.h"
#include "file_test_util.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

using filetest::slurp;
using filetest::spit;
namespace fs = std::filesystem;

namespace {

uint32_t crc32(const std::string &data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void put16(std::string &s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string &s, uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}

// A zip archive with stored (uncompressed) members: local headers, central directory, end
// record. With corrupt, every member claims to be deflated but holds a block of the reserved
// type, which no inflater accepts.
std::string makeZip(const std::vector<std::pair<std::string, std::string>> &members,
                    bool corrupt = false) {
  std::string out, central;
  for (const auto &m : members) {
    const uint32_t offset = static_cast<uint32_t>(out.size());
    const uint32_t crc = crc32(m.second);
    const std::string data = corrupt ? std::string(16, '\xFF') : m.second;
    std::string common;
    put16(common, 20);              // version needed
    put16(common, 0);               // flags
    put16(common, corrupt ? 8 : 0); // deflated or stored
    put16(common, 0);               // time
    put16(common, 0x21);            // date: 1980-01-01
    put32(common, crc);
    put32(common, static_cast<uint32_t>(data.size()));
    put32(common, static_cast<uint32_t>(m.second.size()));
    put16(common, static_cast<unsigned>(m.first.size()));
    put16(common, 0); // extra length
    put32(out, 0x04034b50);
    out += common + m.first + data;
    put32(central, 0x02014b50);
    put16(central, 20); // made by
    central += common;
    put16(central, 0); // comment length
    put16(central, 0); // disk
    put16(central, 0); // internal attributes
    put32(central, 0); // external attributes
    put32(central, offset);
    central += m.first;
  }
  const uint32_t cdOffset = static_cast<uint32_t>(out.size());
  out += central;
  put32(out, 0x06054b50);
  put16(out, 0);
  put16(out, 0);
  put16(out, static_cast<unsigned>(members.size()));
  put16(out, static_cast<unsigned>(members.size()));
  put32(out, static_cast<uint32_t>(central.size()));
  put32(out, cdOffset);
  put16(out, 0);
  return out;
}

std::string hundredBytes() {
  std::string s;
  for (int i = 0; i < 100; ++i)
    s += static_cast<char>(i);
  return s;
}

class ZipTest : public ::testing::Test {
protected:
  std::string path(const std::string &name) const { return tree.root() + "/" + name; }
  porttest::TempTree tree;
};

TEST_F(ZipTest, InstancesAreSharedAndFailuresNotKept) {
  const std::string zip = path("a.zip");
  spit(zip, makeZip({{"m", "x"}}));
  auto first = Port::ZipFile::GetInstance(zip.c_str());
  ASSERT_TRUE(first);
  EXPECT_EQ(first.get(), Port::ZipFile::GetInstance(zip.c_str()).get());
  const size_t known = Port::m_zipFiles.size();
  const std::string notZip = tree.write("not.zip", "plain text, no archive");
  EXPECT_FALSE(Port::ZipFile::GetInstance(notZip.c_str()));
  EXPECT_FALSE(Port::ZipFile::GetInstance(notZip.c_str()));
  EXPECT_EQ(known, Port::m_zipFiles.size());
  spit(notZip, makeZip({{"m", "now it is one"}}));
  EXPECT_TRUE(Port::ZipFile::GetInstance(notZip.c_str())); // tried again, not remembered
}

TEST_F(ZipTest, MembersOpenReadAndClose) {
  const std::string zip = path("m.zip");
  spit(zip, makeZip({{"dir/one.txt", "first member"}, {"two", hundredBytes()}}));
  Port::ZipFile z(zip.c_str());
  EXPECT_EQ(-1, z.Read(nullptr, 1)); // not open at all
  ASSERT_TRUE(z.Open());
  EXPECT_TRUE(z.LocateFile("dir/one.txt"));
  EXPECT_FALSE(z.LocateFile("one.txt"));
  EXPECT_FALSE(z.OpenFile("missing"));
  char buf[64];
  EXPECT_EQ(-1, z.Read(buf, sizeof buf));
  EXPECT_EQ(0u, z.SizeOf());
  EXPECT_EQ(0, z.Tell());
  ASSERT_TRUE(z.OpenFile("dir/one.txt"));
  EXPECT_EQ(12u, z.SizeOf());
  EXPECT_EQ(12, z.Read(buf, sizeof buf));
  EXPECT_EQ("first member", std::string(buf, 12));
  EXPECT_EQ(0, z.Read(buf, sizeof buf));
  EXPECT_EQ(0, z.Rewind());
  EXPECT_EQ(5, z.Read(buf, 5));
  EXPECT_TRUE(z.CloseFile());
  EXPECT_FALSE(z.CloseFile());
  EXPECT_EQ(-1, z.Read(buf, 1));
}

TEST_F(ZipTest, SeekReadsForwardFromTheStart) {
  const std::string zip = path("s.zip");
  spit(zip, makeZip({{"h", hundredBytes()}}));
  Port::ZipFile z(zip.c_str());
  ASSERT_TRUE(z.Open());
  EXPECT_EQ(0, z.Seek(5, Port::SeekType::SeekSet())); // no member
  ASSERT_TRUE(z.OpenFile("h"));
  char buf[20];
  ASSERT_EQ(20, z.Read(buf, 20));
  EXPECT_EQ(30, z.Seek(10, Port::SeekType::SeekCurr()));
  ASSERT_EQ(1, z.Read(buf, 1));
  EXPECT_EQ(30, buf[0]);
  EXPECT_EQ(7, z.Seek(7, Port::SeekType::SeekSet()));
  EXPECT_EQ(100, z.Seek(123, Port::SeekType::SeekEnd()));
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  EXPECT_EQ(100, z.Seek(150, Port::SeekType::SeekSet()));
  EXPECT_EQ(1, filetest::countMessages(cap, L"Seek Error : Requested Seek Type is not Valid"));
  EXPECT_EQ(1, filetest::countMessages(
                   cap, L"Seek Error : Requested Offset = 150, Does not Match New Offset = 100"));
}

TEST_F(ZipTest, ExtractFileAsReportsWhetherTheCopyWasMade) {
  const std::string zip = path("x.zip");
  spit(zip, makeZip({{"h", hundredBytes()}}));
  Port::ZipFile z(zip.c_str());
  ASSERT_TRUE(z.Open());
  EXPECT_FALSE(z.ExtractFileAs(path("none").c_str())); // no member open
  ASSERT_TRUE(z.OpenFile("h"));
  EXPECT_TRUE(z.ExtractFileAs(path("out").c_str()));
  EXPECT_EQ(hundredBytes(), slurp(path("out")));
  ASSERT_TRUE(z.OpenFile("h"));
  EXPECT_FALSE(z.ExtractFileAs(path("no/such/dir/out").c_str()));
}

TEST_F(ZipTest, MissingFileIsReadFromTheNearestArchive) {
  tree.mkdir("lib");
  const std::string wanted = path("lib/data/cells.txt");
  spit(path("lib/data.zip"), makeZip({{wanted, "from data.zip\r\nline 2\r\n"}}));
  spit(path("lib.zip"), makeZip({{wanted, "from lib.zip\n"}}));
  UT_STREAM *s = Port_File::open(wanted.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(Port::FileDesc::ArchiveValue, static_cast<int>(s->getfid()));
  Port::StringBase<char> line;
  EXPECT_TRUE(line.ReadLine(s));
  EXPECT_STREQ("from data.zip", line.GetBuffer());
  EXPECT_TRUE(s->setfoffset(5)); // seeking within the member
  EXPECT_TRUE(line.ReadLine(s));
  EXPECT_STREQ("data.zip", line.GetBuffer());
  EXPECT_TRUE(line.ReadLine(s));
  EXPECT_STREQ("line 2", line.GetBuffer());
  Port_File::close(s);

  fs::remove(path("lib/data.zip"));
  s = Port_File::open(wanted.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, s);
  EXPECT_TRUE(line.ReadLine(s));
  EXPECT_STREQ("from lib.zip", line.GetBuffer());
  Port_File::close(s);

  // The member is looked up under the name as given to open.
  Port_File::clearerror();
  EXPECT_EQ(nullptr, Port_File::open(path("lib/data/other.txt").c_str(), UT_STREAM::Read, 0));
  EXPECT_EQ(2, Port_File::geterror());
  EXPECT_EQ(nullptr, Port_File::open(path("nozip/x.txt").c_str(), UT_STREAM::Read, 0));
  EXPECT_EQ(2, Port_File::geterror());
}

TEST_F(ZipTest, DamagedArchivesFailCleanly) {
  const std::string wanted = path("d/m.txt");
  const std::string whole = makeZip({{wanted, std::string(3000, 'q')}});
  struct Case {
    const char *name;
    std::string bytes;
  } cases[] = {
      {"garbage", std::string(200, '\x5A')},
      {"truncated", whole.substr(0, whole.size() / 2)},
      {"empty", ""},
      {"end record only", whole.substr(whole.size() - 22)},
  };
  for (const Case &c : cases) {
    spit(path("d.zip"), c.bytes);
    porttest::CaptureManager cap;
    porttest::ScopedManager scoped(&cap);
    Port_File::clearerror();
    EXPECT_EQ(nullptr, Port_File::open(wanted.c_str(), UT_STREAM::Read, 0)) << c.name;
    EXPECT_EQ(2, Port_File::geterror()) << c.name;
    EXPECT_EQ(1, filetest::countMessages(cap, L"but zipfile could not be opened")) << c.name;
  }

  // An archive whose member data is damaged: the read stops with an error.
  spit(path("d.zip"), makeZip({{wanted, std::string(3000, 'q')}}, true));
  UT_STREAM *s = Port_File::open(wanted.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, s);
  unsigned char buf[4096];
  const unsigned got = s->read(buf, sizeof buf);
  EXPECT_EQ(0u, got);
  EXPECT_EQ(5, s->geterror());
  Port_File::close(s);
}

TEST_F(ZipTest, InstancesAreSharedAcrossThreads) {
  const std::string zip = path("t.zip");
  spit(zip, makeZip({{"m", "x"}}));
  std::vector<Port::ZipFile *> seen(8);
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&, i] { seen[i] = Port::ZipFile::GetInstance(zip.c_str()).get(); });
  for (auto &t : threads)
    t.join();
  for (Port::ZipFile *z : seen) {
    EXPECT_NE(nullptr, z);
    EXPECT_EQ(seen[0], z);
  }
}

} // namespace
