// Zip archives made by the writers people use (Python's zipfile, minizip's writer), read
// through the fall-back of Port_File::open and through Port::ZipFile: exact bytes or a clear
// error, never other bytes silently.
#include "Port_File.h"
#include "Port_ZipFile.h"
#include "file_test_util.h"
#include "temp_tree.h"
#include "zip_maker.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

using filetest::countMessages;
using filetest::slurp;
using filetest::spit;
namespace fs = std::filesystem;

namespace {

struct ReadResult {
  bool opened = false;
  int openError = 0;
  std::string bytes;
  int readError = 0;
};

// Opens the file through the open-file table and reads it to its end.
ReadResult readThrough(const std::string &name) {
  ReadResult r;
  Port_File::clearerror();
  UT_STREAM *s = Port_File::open(name.c_str(), UT_STREAM::Read, 0);
  if (!s) {
    r.openError = Port_File::geterror();
    return r;
  }
  r.opened = true;
  unsigned char buf[8192];
  for (;;) {
    const unsigned got = s->read(buf, sizeof buf);
    r.bytes.append(reinterpret_cast<char *>(buf), got);
    if (got < sizeof buf)
      break;
  }
  r.readError = s->geterror();
  Port_File::close(s);
  return r;
}

std::string text(size_t n, unsigned seed) {
  std::string s;
  uint32_t x = seed * 2654435761u + 1;
  while (s.size() < n) {
    x = x * 1103515245u + 12345u;
    s += "alpha beta gamma delta\n"[(x >> 16) % 23];
  }
  return s;
}

uint32_t crcOf(const std::string &s) {
  return static_cast<uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef *>(s.data()), static_cast<uInt>(s.size())));
}

class ZipIntegrityTest : public ::testing::Test {
protected:
  std::string path(const std::string &name) const { return tree.root() + "/" + name; }
  void python(const std::string &script, const std::vector<std::string> &args) {
    std::string err;
    ASSERT_EQ(0, porttest::runPython(script, args, &err)) << err;
  }
  porttest::TempTree tree;
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped{&cap};
};

// Stored, deflated, empty, nested, UTF-8 named members, members with data descriptors (written
// to a stream that cannot seek back) and an archive comment: what zipfile extracts is what the
// fall-back of open reads, each member found by its path below the archive's directory.
TEST_F(ZipIntegrityTest, ArchivesOfZipfileReadBackExactly) {
  python(R"(
import io, os, sys, zipfile, random
root = sys.argv[1]
r = random.Random(7)
members = [('stored.bin', bytes(r.randrange(256) for _ in range(70000)), zipfile.ZIP_STORED),
           ('deflated.txt', ''.join(r.choice('abc \n') for _ in range(300000)).encode(),
            zipfile.ZIP_DEFLATED),
           ('empty', b'', zipfile.ZIP_STORED),
           ('dir/sub/deep.txt', b'deep\r\ninside\r\n', zipfile.ZIP_DEFLATED),
           ('\u00fcn\u00efc\u00f6d\u00e9 \u540d.txt', 'caf\u00e9'.encode(), zipfile.ZIP_DEFLATED)]
class Unseekable(io.RawIOBase):
    def __init__(self, f): self.f = f
    def writable(self): return True
    def write(self, b): return self.f.write(b)
for name, streamed in (('std', False), ('streamed', True)):
    with open(os.path.join(root, name + '.zip'), 'wb') as f:
        with zipfile.ZipFile(Unseekable(f) if streamed else f, 'w') as z:
            z.comment = b'an archive comment'
            for n, data, method in members:
                z.writestr(n, data, compress_type=method)
with zipfile.ZipFile(os.path.join(root, 'std.zip')) as z, \
        open(os.path.join(root, 'names'), 'w', encoding='utf-8') as names:
    for i, n in enumerate(z.namelist()):
        names.write(n + '\n')
        with open(os.path.join(root, 'expected%d' % i), 'wb') as out:
            out.write(z.read(n))
)",
         {tree.root()});
  std::istringstream names(slurp(path("names")));
  std::string name;
  int count = 0;
  for (int i = 0; std::getline(names, name); ++i, ++count) {
    const std::string expected = slurp(path("expected" + std::to_string(i)));
    for (const char *archive : {"std", "streamed"}) {
      const ReadResult r = readThrough(path(std::string(archive) + "/" + name));
      ASSERT_TRUE(r.opened) << archive << " " << name << " error " << r.openError;
      EXPECT_EQ(0, r.readError) << name;
      EXPECT_EQ(expected, r.bytes) << archive << " " << name;
    }
  }
  EXPECT_EQ(5, count);
}

// Every single byte of an archive changed in turn: each member then reads exactly, or fails
// at its open or at a read. A change in a member's data always fails.
TEST_F(ZipIntegrityTest, NoSingleByteChangeGivesOtherBytesSilently) {
  python(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr('a.txt', b'stored member, read as it lies in the archive\n' * 3,
               compress_type=zipfile.ZIP_STORED)
    z.writestr('b.txt', b'deflated member: ' + bytes(range(48, 123)) * 5,
               compress_type=zipfile.ZIP_DEFLATED)
)",
         {path("orig.zip")});
  const std::string original = slurp(path("orig.zip"));
  const std::string a = std::string("stored member, read as it lies in the archive\n") +
                        "stored member, read as it lies in the archive\n" +
                        "stored member, read as it lies in the archive\n";
  std::string b = "deflated member: ";
  for (int k = 0; k < 5; ++k)
    for (int c = 48; c < 123; ++c)
      b += static_cast<char>(c);
  const uint64_t aData = porttest::localDataOffset(original, 0);
  ASSERT_EQ(a, original.substr(aData, a.size()));

  // One archive name, rewritten with a new modification time each round: the shared instance
  // must notice and read the new contents.
  const std::string zip = path("f.zip");
  auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(1);
  int failures = 0;
  for (size_t at = 0; at < original.size(); ++at) {
    std::string damaged = original;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
    spit(zip, damaged);
    fs::last_write_time(zip, stamp + std::chrono::seconds(at));
    for (const auto &[name, expected] : {std::make_pair("a.txt", a), std::make_pair("b.txt", b)}) {
      const ReadResult r = readThrough(path(std::string("f/") + name));
      const bool failed = !r.opened || r.readError != 0;
      if (failed) {
        EXPECT_NE(0, r.opened ? r.readError : r.openError);
        ++failures;
      } else {
        EXPECT_EQ(expected, r.bytes) << "byte " << at << " of " << name;
      }
      if (std::string(name) == "a.txt" && at >= aData && at < aData + a.size()) {
        EXPECT_TRUE(failed) << "byte " << at << " of the stored data";
      }
    }
  }
  EXPECT_GT(failures, static_cast<int>(original.size()) / 2);
  EXPECT_GT(countMessages(cap, L"does not match its CRC-32"), 0);
}

// Members that exist but cannot be read fail with a code and a message of their own; a missing
// member fails with error 2 and says nothing, and a directory as a directory on disk does.
TEST_F(ZipIntegrityTest, UnreadableMembersFailWithTheirReason) {
  python(R"(
import sys, zipfile
root = sys.argv[1]
for name, method in (('bzip2', zipfile.ZIP_BZIP2), ('lzma', zipfile.ZIP_LZMA)):
    with zipfile.ZipFile(root + '/' + name + '.zip', 'w') as z:
        z.writestr('m.txt', b'BZh9 is not what a reader should see\n' * 10, compress_type=method)
with zipfile.ZipFile(root + '/dirs.zip', 'w') as z:
    z.writestr('dir/sub/', b'')
    z.writestr('dir/sub/file.txt', b'in a directory')
    z.writestr('implicit/file.txt', b'its directory has no entry')
with zipfile.ZipFile(root + '/header.zip', 'w') as z:
    z.writestr('m.txt', b'a member whose local header is broken', compress_type=zipfile.ZIP_STORED)
with open(root + '/header.zip', 'r+b') as f:
    f.write(b'PK\x09\x09')
)",
         {tree.root()});
  const std::string secret = "secret text " + text(3000, 3);
  ASSERT_TRUE(porttest::writeZip(path("crypt0.zip"), {{"m.txt", secret, 0, "pw"}}));
  ASSERT_TRUE(porttest::writeZip(path("crypt8.zip"), {{"m.txt", secret, 8, "pw"}}));
  const std::string crypt = slurp(path("crypt0.zip"));
  ASSERT_EQ(std::string::npos, crypt.find("secret text")); // really encrypted

  struct Case {
    const char *file;
    int error;
    const wchar_t *message; // null: none
  } cases[] = {
      {"bzip2/m.txt", ENOTSUP, L"compression method 12 is not supported"},
      {"lzma/m.txt", ENOTSUP, L"compression method 14 is not supported"},
      {"crypt0/m.txt", EACCES, L"it is encrypted"},
      {"crypt8/m.txt", EACCES, L"it is encrypted"},
      {"header/m.txt", EIO, L"the archive is damaged at this member"},
      {"dirs/dir/sub", EACCES, nullptr},
      {"dirs/dir/sub/", EACCES, nullptr},
      {"dirs/implicit", EACCES, nullptr},
      {"dirs/missing.txt", ENOENT, nullptr},
  };
  for (const Case &c : cases) {
    porttest::CaptureManager own;
    porttest::ScopedManager scope(&own);
    const ReadResult r = readThrough(path(c.file));
    EXPECT_FALSE(r.opened) << c.file;
    EXPECT_EQ(c.error, r.openError) << c.file;
    if (!c.message) {
      EXPECT_TRUE(own.entries().empty()) << c.file;
      continue;
    }
    const std::string archive = std::string(c.file).substr(0, std::string(c.file).find('/'));
    const std::wstring zipName(archive.begin(), archive.end());
    EXPECT_EQ(1, countMessages(own, std::wstring(L"Cannot read member 'm.txt' of zipfile")))
        << c.file;
    EXPECT_EQ(1, countMessages(own, zipName + L".zip'")) << c.file;
    EXPECT_EQ(1, countMessages(own, c.message)) << c.file;
  }
  EXPECT_EQ("in a directory", readThrough(path("dirs/dir/sub/file.txt")).bytes);

  // The archive object itself tells why.
  auto z = Port::ZipFile::GetInstance(path("bzip2.zip").c_str());
  ASSERT_TRUE(z);
  EXPECT_FALSE(z->OpenFile("m.txt"));
  EXPECT_EQ(Port::ZipFile::Unsupported, z->LastOpenResult());
  EXPECT_EQ(12, z->LastMethod());
  EXPECT_FALSE(z->OpenFile("none"));
  EXPECT_EQ(Port::ZipFile::NotFound, z->LastOpenResult());
}

// Members read in turns, in one thread, through two opens each: every open reads its own
// member from its own position.
TEST_F(ZipIntegrityTest, MembersOpenAtOnceKeepTheirOwnPositions) {
  const std::string one = text(200000, 1), two = text(150000, 2);
  ASSERT_TRUE(porttest::writeZip(path("m.zip"), {{"one", one, 8}, {"two", two, 0}}));
  const std::string names[] = {path("m/one"), path("m/two"), path("m/one")};
  const std::string *want[] = {&one, &two, &one};
  UT_STREAM *s[3];
  std::string got[3];
  for (int i = 0; i < 3; ++i)
    ASSERT_NE(nullptr, s[i] = Port_File::open(names[i].c_str(), UT_STREAM::Read, 0));
  const unsigned step[] = {1000, 7000, 333};
  for (bool more = true; more;) {
    more = false;
    for (int i = 0; i < 3; ++i) {
      unsigned char buf[7000];
      const unsigned n = s[i]->read(buf, step[i]);
      got[i].append(reinterpret_cast<char *>(buf), n);
      more = more || n == step[i];
    }
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(0, s[i]->geterror());
    EXPECT_EQ(*want[i], got[i]) << i;
    Port_File::close(s[i]);
  }
}

// Seeks in both directions land on the right byte, stored members and deflated ones alike;
// positions before the start are refused as for a plain file.
TEST_F(ZipIntegrityTest, SeeksLandOnTheRightByte) {
  const std::string data = text(300000, 5);
  ASSERT_TRUE(porttest::writeZip(path("s.zip"), {{"d", data, 8}, {"s", data, 0}}));
  const std::string plain = tree.write("plain.txt", data);
  for (const std::string &name : {path("s/d"), path("s/s"), plain}) {
    UT_STREAM *s = Port_File::open(name.c_str(), UT_STREAM::Read, 0);
    ASSERT_NE(nullptr, s);
    const long targets[] = {250000, 1000, 1100, 299990, 0, 70000, 5000, 299999, 150000, 149000};
    for (long t : targets) {
      ASSERT_TRUE(s->setfoffset(t)) << name << " " << t;
      unsigned char buf[16];
      const unsigned n = s->read(buf, sizeof buf);
      EXPECT_EQ(data.substr(t, 16), std::string(reinterpret_cast<char *>(buf), n))
          << name << " at " << t;
    }
    EXPECT_EQ(300000, Port_File::getsize(name.c_str(), s));
    s->clearerror();
    EXPECT_FALSE(s->setfoffset(-5)) << name;
    EXPECT_EQ(EINVAL, s->geterror()) << name;
    Port_File::close(s);
    EXPECT_EQ(300000, Port_File::getsize(name.c_str())) << name;
  }
}

// A member whose data is damaged: reading up to the end reports the error, ExtractFileAs
// removes what it wrote, and the member stays failed after a rewind.
TEST_F(ZipIntegrityTest, DamagedMemberFailsAtItsEnd) {
  const std::string data = text(50000, 9);
  ASSERT_TRUE(porttest::writeZip(path("d.zip"), {{"s", data, 0}}));
  std::string bytes = slurp(path("d.zip"));
  bytes[porttest::localDataOffset(bytes, 0) + 100] ^= 1;
  spit(path("d.zip"), bytes);
  Port::ZipFile z(path("d.zip").c_str());
  ASSERT_TRUE(z.Open());
  ASSERT_TRUE(z.OpenFile("s"));
  std::vector<char> buf(data.size());
  EXPECT_EQ(49000, z.Read(buf.data(), 49000)); // not yet at the end
  errno = 0;
  EXPECT_EQ(-1, z.Read(buf.data(), 5000));
  EXPECT_EQ(EIO, errno);
  EXPECT_EQ(0, z.Rewind());
  EXPECT_EQ(-1, z.Read(buf.data(), 10));
  EXPECT_FALSE(z.CloseFile());
  ASSERT_TRUE(z.OpenFile("s"));
  EXPECT_FALSE(z.ExtractFileAs(path("out").c_str()));
  EXPECT_FALSE(fs::exists(path("out")));
  EXPECT_EQ(2, countMessages(cap, L"Member 's' of zipfile"));

  // A member whose directory size is larger than its deflated data holds.
  ASSERT_TRUE(
      porttest::writeRawDeflatedZip(path("short.zip"), "m", std::string("\x03\x00", 2), 10, 0));
  const ReadResult r = readThrough(path("short/m"));
  EXPECT_TRUE(r.opened);
  EXPECT_EQ(EIO, r.readError);
  EXPECT_EQ("", r.bytes);
  EXPECT_EQ(1, countMessages(cap, L"its data ends after 0 bytes instead of 10"));
}

// The member is found under the name as given, under its path below the directory that the
// archive stands in for, and under its path below the archive's own directory: archives made
// inside the directory and archives made of the directory both serve ./name and absolute names.
TEST_F(ZipIntegrityTest, MembersAreFoundRelativeToTheArchive) {
  tree.mkdir("in");
  tree.mkdir("of");
  ASSERT_TRUE(porttest::writeZip(
      path("in/sub.zip"), {{"inner.txt", "made inside sub", 8}, {"deeper/x.txt", "deeper", 0}}));
  ASSERT_TRUE(porttest::writeZip(path("of/sub.zip"), {{"sub/inner.txt", "made of sub", 8}}));
  const fs::path before = fs::current_path();
  for (const char *dir : {"in", "of"}) {
    fs::current_path(path(dir));
    const std::string want = std::string(dir) == "in" ? "made inside sub" : "made of sub";
    for (const std::string &name :
         {std::string("sub/inner.txt"), std::string("./sub/inner.txt"),
          std::string("sub/../sub/inner.txt"), path(std::string(dir) + "/sub/inner.txt")})
      EXPECT_EQ(want, readThrough(name).bytes) << dir << " " << name;
  }
  EXPECT_EQ("deeper", readThrough(path("in/sub/deeper/x.txt")).bytes);
  fs::current_path(before);
}

// Threads reading different members of one archive, and the same member, get their bytes.
TEST(ZipConcurrencyTest, ThreadsReadMembersOfOneArchive) {
  porttest::TempTree tree;
  const std::string one = text(400000, 11), two = text(300000, 12);
  const std::string zip = tree.root() + "/t.zip";
  ASSERT_TRUE(porttest::writeZip(zip, {{"one", one, 8}, {"two", two, 0}}));
  const std::string names[] = {tree.root() + "/t/one", tree.root() + "/t/two",
                               tree.root() + "/t/one", tree.root() + "/t/two"};
  const std::string *want[] = {&one, &two, &one, &two};
  int wrong[4] = {};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] {
      for (int round = 0; round < 4; ++round) {
        const ReadResult r = readThrough(names[i]);
        if (!r.opened || r.readError || r.bytes != *want[i])
          ++wrong[i];
      }
    });
  for (auto &t : threads)
    t.join();
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(0, wrong[i]) << i;
}

// Members beyond 4 GiB, and members whose local header lies beyond 4 GiB. The archives are
// made quickly: a deflated member of zeros from repeated flushed pieces, and a stored member
// whose zeros are a hole in a sparse file.
class ZipLargeTest : public ::testing::Test {
protected:
  porttest::TempTree tree;
};

std::string deflatePiece(const std::string &in) {
  z_stream zs = {};
  deflateInit2(&zs, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, in.size()) + 64, '\0');
  zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
  zs.avail_in = static_cast<uInt>(in.size());
  zs.next_out = reinterpret_cast<Bytef *>(&out[0]);
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FULL_FLUSH); // byte-aligned and self-contained: pieces may follow each other
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

TEST_F(ZipLargeTest, DeflatedMemberBeyondFourGiBReadsToItsEnd) {
  const uint64_t mib = 1 << 20, zeroPieces = 4096; // 4 GiB of zeros, then 1 MiB of text
  const std::string zeros(mib, '\0'), tail = text(mib, 4);
  const std::string zeroPiece = deflatePiece(zeros);
  std::string deflated;
  uint32_t crc = 0;
  const uint32_t zeroCrc = crcOf(zeros);
  for (uint64_t i = 0; i < zeroPieces; ++i) {
    deflated += zeroPiece;
    crc = static_cast<uint32_t>(crc32_combine(crc, zeroCrc, static_cast<z_off_t>(mib)));
  }
  deflated += deflatePiece(tail) + std::string("\x03\x00", 2); // an empty final block
  crc = static_cast<uint32_t>(crc32_combine(crc, crcOf(tail), static_cast<z_off_t>(mib)));
  const uint64_t size = zeroPieces * mib + mib;
  ASSERT_TRUE(
      porttest::writeRawDeflatedZip(tree.root() + "/big.zip", "huge.bin", deflated, size, crc));

  const std::string name = tree.root() + "/big/huge.bin";
  EXPECT_EQ(static_cast<long>(size), Port_File::getsize(name.c_str()));
  UT_STREAM *s = Port_File::open(name.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, s);
  const long tailStart = static_cast<long>(zeroPieces * mib);
  ASSERT_TRUE(s->setfoffset(tailStart - 10)); // decodes the 4 GiB of zeros once
  std::string rest;
  std::vector<unsigned char> buf(mib);
  for (unsigned got; (got = s->read(buf.data(), static_cast<unsigned>(buf.size()))) > 0;)
    rest.append(reinterpret_cast<char *>(buf.data()), got);
  EXPECT_EQ(0, s->geterror());
  EXPECT_EQ(std::string(10, '\0') + tail, rest);
  EXPECT_EQ(static_cast<long>(size), s->getfoffset());
  EXPECT_EQ(static_cast<long>(size), Port_File::getsize(name.c_str(), s));
  Port_File::close(s);
}

TEST_F(ZipLargeTest, LocalHeaderBeyondFourGiB) {
  std::string err;
  ASSERT_EQ(0, porttest::runPython(R"(
import sys, zipfile
# The zeros become a hole of the sparse file, and their checksum is not computed: the first
# member is never read to its end, and 4 GiB of CRC-32 would take most of the test's time.
chunk = bytes(1 << 30)
zipfile.crc32 = lambda data, crc=0: 0 if data is chunk else __import__('zlib').crc32(data, crc)
class Sparse:
    def __init__(self, f): self.f = f
    def write(self, b):
        if b is chunk:
            self.f.seek(len(b), 1)
            return len(b)
        return self.f.write(b)
    def seek(self, *a): return self.f.seek(*a)
    def tell(self): return self.f.tell()
    def flush(self): self.f.flush()
with open(sys.argv[1], 'wb') as f:
    with zipfile.ZipFile(Sparse(f), 'w') as z:
        with z.open(zipfile.ZipInfo('first.bin'), 'w', force_zip64=True) as m:
            for _ in range(4):
                m.write(chunk)
            m.write(b'end of the first member')
        z.writestr('second.txt', b'beyond four gigabytes')
)",
                                   {tree.root() + "/sparse.zip"}, &err))
      << err;
  EXPECT_EQ("beyond four gigabytes", readThrough(tree.root() + "/sparse/second.txt").bytes);

  // The first member is stored: bytes beyond 4 GiB are reached directly, without reading the
  // 4 GiB before them (the reads stop short of the end, whose check would read them).
  Port::ZipFile z((tree.root() + "/sparse.zip").c_str());
  ASSERT_TRUE(z.Open());
  ASSERT_TRUE(z.OpenFile("first.bin"));
  const uint64_t fourGiB = uint64_t(1) << 32;
  EXPECT_EQ(fourGiB + 23, z.SizeOf());
  EXPECT_EQ(static_cast<long>(fourGiB),
            z.Seek(static_cast<long>(fourGiB), Port::SeekType::SeekSet()));
  char buf[11];
  ASSERT_EQ(11, z.Read(buf, 11));
  EXPECT_EQ("end of the ", std::string(buf, 11));
  EXPECT_EQ(static_cast<long>(fourGiB + 11), z.Tell());
}

} // namespace
