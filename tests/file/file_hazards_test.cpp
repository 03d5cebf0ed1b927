// Port_File against what a real file system presents: links, hard links, FIFOs, devices, other
// file systems, other users, odd names and races. Nothing outside the names given may change,
// no data may be lost, and no call may hang.
#include "Port_File.h"
#include "child_process.h"
#include "file_test_util.h"
#include "platform/faults.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

using filetest::slurp;
using filetest::spit;
namespace fs = std::filesystem;

namespace {

struct ::stat entryStatus(const std::string &name) {
  struct ::stat st {};
  ::lstat(name.c_str(), &st);
  return st;
}

unsigned modeOf(const std::string &name) { return entryStatus(name).st_mode & 07777; }

bool isLink(const std::string &name) { return S_ISLNK(entryStatus(name).st_mode); }

// The same name as Windows writes it: drive letter and backslashes.
std::string windowsForm(const std::string &name) {
  std::string w = "C:" + name;
  for (char &c : w)
    if (c == '/')
      c = '\\';
  return w;
}

// Child results: 0 when the call behaved, otherwise 100 + the error code it left (or 99 when
// it succeeded where it should not have).
int expectFailure(bool ok, int error) {
  if (ok)
    return 99;
  return Port_File::geterror() == error ? 0 : 100 + Port_File::geterror();
}

class FileHazardTest : public ::testing::Test {
protected:
  std::string path(const std::string &name) const { return tree.root() + "/" + name; }
  // Children that run as another user must be able to reach the tree.
  void openTreeToAll() const { fs::permissions(tree.root(), fs::perms::all); }
  void needUnprivilegedChild() const {
    if (!porttest::canDropRoot())
      GTEST_SKIP() << "the test does not run as root and cannot run a child as another user";
  }
  porttest::TempTree tree;
};

// ---------------------------------------------------------------------------------------------
// Recursive removal

TEST_F(FileHazardTest, RemoveRKeepsNamesHoldingBackslashesInsideTheTree) {
  const std::string keptFile = tree.write("keep/b", "outside");
  const std::string keptDirFile = tree.write("keep/dir/x", "outside");
  tree.write("t/..\\keep\\b", "inside");
  tree.write("t/..\\keep\\dir/y", "inside");
  EXPECT_TRUE(Port_File::remove_r(path("t").c_str()));
  EXPECT_FALSE(fs::exists(path("t")));
  EXPECT_EQ("outside", slurp(keptFile));
  EXPECT_EQ("outside", slurp(keptDirFile));
}

TEST_F(FileHazardTest, RemoveRRefusesDotAndDotDot) {
  const std::string kept = tree.write("t/sub/f", "kept");
  for (const std::string &name : {path("t/."), path("t/sub/.."), windowsForm(path("t/sub/..")),
                                  path("t/sub/..//"), path("t/sub/.\\")}) {
    Port_File::clearerror();
    EXPECT_FALSE(Port_File::remove_r(name.c_str())) << name;
    EXPECT_EQ(EINVAL, Port_File::geterror()) << name;
    EXPECT_EQ("kept", slurp(kept)) << name;
  }
}

TEST_F(FileHazardTest, RemoveRStopsAtReadOnlyFilesLikeRemove) {
  const std::string ro = tree.write("t/ro", "x");
  ::chmod(ro.c_str(), 0444);
  EXPECT_FALSE(Port_File::remove_r(path("t").c_str()));
  EXPECT_EQ(EACCES, Port_File::geterror());
  EXPECT_TRUE(fs::exists(ro));
  ::chmod(ro.c_str(), 0644);
  EXPECT_TRUE(Port_File::remove_r(path("t").c_str()));
  EXPECT_FALSE(fs::exists(path("t")));
}

// A second thread swaps a subdirectory of the tree for a link to a directory outside it, again
// and again, while the tree is removed; nothing outside may go.
TEST(FileRemoveConcurrency, SubdirectorySwappedForALinkIsNeverFollowed) {
  // Many rounds matter more than the file system: take the memory one where there is one.
  porttest::TempTree tree(fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
  const std::string t = tree.root() + "/t", outside = tree.root() + "/outside";
  const std::string sub = t + "/sub", link = tree.root() + "/link", hold = tree.root() + "/hold";
  const int kFiles = 100;
  int lost = 0, rounds = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  while (std::chrono::steady_clock::now() < end) {
    for (int i = 0; i < kFiles; ++i) {
      tree.write("outside/f" + std::to_string(i), "o"); // the names of the tree's own files
      tree.write("t/sub/f" + std::to_string(i), "f");
    }
    fs::create_directory_symlink(outside, link);
    std::atomic<bool> stop{false};
    std::thread swapper([&] {
      while (!stop.load()) {
        ::rename(sub.c_str(), hold.c_str());
        ::rename(link.c_str(), sub.c_str());
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        ::rename(sub.c_str(), link.c_str());
        ::rename(hold.c_str(), sub.c_str());
        std::this_thread::sleep_for(std::chrono::microseconds(20));
      }
    });
    Port_File::remove_r(t.c_str()); // may fail when the swap takes a name away: never harmful
    stop = true;
    swapper.join();
    int left = 0;
    for (int i = 0; i < kFiles; ++i)
      left += fs::exists(outside + "/f" + std::to_string(i)) ? 1 : 0;
    lost += kFiles - left;
    std::error_code ec;
    fs::remove_all(t, ec);
    fs::remove_all(hold, ec);
    fs::remove(link, ec);
    ++rounds;
  }
  EXPECT_EQ(0, lost) << "files lost outside the tree in " << rounds << " rounds";
  EXPECT_GT(rounds, 0);
}

// ---------------------------------------------------------------------------------------------
// Rename

TEST_F(FileHazardTest, RenameOntoTheSameFileKeepsIt) {
  const std::string a = tree.write("a", "data");
  fs::create_hard_link(a, path("hard"));
  for (const std::string &same : {a, path("./a"), windowsForm(a), path("hard")}) {
    EXPECT_TRUE(Port_File::rename(a.c_str(), same.c_str())) << same;
    EXPECT_EQ("data", slurp(a)) << same;
  }
  // A link and the file it names are one file too: either way round the data would be lost.
  fs::create_symlink(a, path("link"));
  for (const auto &[from, to] : {std::pair{path("link"), a}, std::pair{a, path("link")}}) {
    Port_File::clearerror();
    EXPECT_FALSE(Port_File::rename(from.c_str(), to.c_str())) << from;
    EXPECT_EQ(EINVAL, Port_File::geterror());
    EXPECT_EQ("data", slurp(a));
    EXPECT_TRUE(isLink(path("link")));
  }
}

TEST_F(FileHazardTest, RenameNeverPutsADirectoryAndAFileInEachOthersPlace) {
  const std::string file = tree.write("file", "kept");
  const std::string dir = tree.write("dir/inner", "inner");
  tree.mkdir("empty");
  struct Case {
    std::string from, to;
  } cases[] = {{path("dir"), file}, {file, path("empty")}, {path("dir"), path("empty")}};
  for (const Case &c : cases) {
    Port_File::clearerror();
    EXPECT_FALSE(Port_File::rename(c.from.c_str(), c.to.c_str())) << c.from << " " << c.to;
    EXPECT_EQ(EACCES, Port_File::geterror()) << c.from << " " << c.to;
  }
  EXPECT_EQ("kept", slurp(file));
  EXPECT_EQ("inner", slurp(dir));
  EXPECT_TRUE(fs::is_directory(path("empty")));
}

TEST_F(FileHazardTest, RenameFromAnUnwritableDirectoryLeavesTheDestination) {
  needUnprivilegedChild();
  openTreeToAll();
  const std::string src = tree.write("locked/a", "source");
  const std::string dst = tree.write("open/b", "destination");
  ::chmod(path("locked").c_str(), 0555);
  ::chmod(path("open").c_str(), 0777);
  ::chmod(dst.c_str(), 0666);
  EXPECT_EQ(0,
            porttest::runInChild(
                [&] { return expectFailure(Port_File::rename(src.c_str(), dst.c_str()), EACCES); },
                5, true));
  EXPECT_EQ("destination", slurp(dst));
  EXPECT_EQ("source", slurp(src));
}

// A directory on another file system than the test tree, or a skip.
class OtherFileSystem {
public:
  OtherFileSystem(const porttest::TempTree &here) : m_tree("/dev/shm") {
    struct ::stat a {
    }, b{};
    m_usable = !m_tree.root().empty() && ::stat(here.root().c_str(), &a) == 0 &&
               ::stat(m_tree.root().c_str(), &b) == 0 && a.st_dev != b.st_dev;
  }
  bool usable() const { return m_usable; }
  std::string path(const std::string &name) const { return m_tree.root() + "/" + name; }

private:
  porttest::TempTree m_tree;
  bool m_usable = false;
};

TEST_F(FileHazardTest, RenameAcrossFileSystemsMovesTheFileWithItsAttributes) {
  OtherFileSystem other(tree);
  if (!other.usable())
    GTEST_SKIP() << "/dev/shm is not a file system of its own here";
  const std::string src = tree.write("a", "moved bytes");
  ::chmod(src.c_str(), 0640);
  const auto when = fs::last_write_time(src) - std::chrono::hours(3);
  fs::last_write_time(src, when);
  const std::string dst = other.path("b");
  spit(dst, "old");
  ASSERT_TRUE(Port_File::rename(src.c_str(), dst.c_str())) << Port_File::geterror();
  EXPECT_FALSE(fs::exists(src));
  EXPECT_EQ("moved bytes", slurp(dst));
  EXPECT_EQ(0640u, modeOf(dst));
  EXPECT_EQ(when, fs::last_write_time(dst));
  EXPECT_EQ(1, std::distance(fs::directory_iterator(fs::path(dst).parent_path()),
                             fs::directory_iterator())); // no copy left behind

  // What cannot be moved stays where it was, and nothing appears at the destination.
  const std::string dir = tree.write("dir/f", "in a directory");
  Port_File::clearerror();
  EXPECT_FALSE(Port_File::rename(path("dir").c_str(), other.path("dir").c_str()));
  EXPECT_EQ(EXDEV, Port_File::geterror());
  EXPECT_EQ("in a directory", slurp(dir));
  EXPECT_FALSE(fs::exists(other.path("dir")));
}

// A move to another file system that fails on the way, wherever it fails, leaves the source and
// the old destination as they were and no copy behind.
TEST_F(FileHazardTest, MoveAcrossFileSystemsInterruptedLeavesBothFiles) {
  OtherFileSystem other(tree);
  if (!other.usable())
    GTEST_SKIP() << "/dev/shm is not a file system of its own here";
  std::string bytes(1 << 20, '\0');
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(i * 31 + i / 4096);
  struct Case {
    const char *what;
    int service;
    long n;
    int err;
  } cases[] = {
      // The copy moves 64 KiB a call after one attempt in the kernel: half way through.
      {"a write half way", Port_TestWrite, 8, ENOSPC},
      {"a read half way", Port_TestRead, 8, EIO},
      // The first move is the attempt within one file system; the second puts the copy in place.
      {"putting the copy in place", Port_TestRename, 2, EIO},
  };
  for (const Case &c : cases) {
    const std::string src = tree.write("a", bytes);
    const std::string dst = other.path("b");
    spit(dst, "old");
    Port_TestFault(c.service, c.n, 0, c.err);
    const bool moved = Port_File::rename(src.c_str(), dst.c_str());
    const long hits = Port_TestFaultHits(c.service);
    Port_TestFaultClear();
    EXPECT_FALSE(moved) << c.what;
    EXPECT_EQ(1, hits) << c.what;
    EXPECT_EQ(c.err, Port_File::geterror()) << c.what;
    EXPECT_TRUE(slurp(src) == bytes) << c.what;
    EXPECT_EQ("old", slurp(dst)) << c.what;
    EXPECT_EQ(1, std::distance(fs::directory_iterator(fs::path(dst).parent_path()),
                               fs::directory_iterator()))
        << c.what;
  }
}

// ---------------------------------------------------------------------------------------------
// Copies and appends onto themselves, from things that are not files

TEST_F(FileHazardTest, CopyOntoTheSameFileIsRefused) {
  const std::string a = tree.write("a", "precious");
  fs::create_hard_link(a, path("hard"));
  fs::create_symlink(a, path("link"));
  bool (*copies[])(const char *, const char *) = {&Port_File::copy, &Port_File::copy_p};
  for (auto copy : copies)
    for (const std::string &same : {a, path("./a"), windowsForm(a), path("hard"), path("link")}) {
      Port_File::clearerror();
      EXPECT_FALSE(copy(a.c_str(), same.c_str())) << same;
      EXPECT_EQ(EINVAL, Port_File::geterror()) << same;
      EXPECT_EQ("precious", slurp(a)) << same;
    }
}

TEST_F(FileHazardTest, AppendOntoTheSameFileIsRefused) {
  const std::string a = tree.write("a", std::string(100000, 'a'));
  fs::create_hard_link(a, path("hard"));
  fs::create_symlink(a, path("link"));
  for (const std::string &same : {a, path("hard"), path("link")}) {
    const int status = porttest::runInChild(
        [&] {
          const rlimit limit{1 << 20, 1 << 20}; // a runaway append dies here, not on the disk
          ::setrlimit(RLIMIT_FSIZE, &limit);
          return expectFailure(Port_File::append(a.c_str(), same.c_str()), EINVAL);
        },
        3);
    EXPECT_EQ(0, status) << same;
    EXPECT_EQ(100000u, fs::file_size(a)) << same;
  }
}

TEST_F(FileHazardTest, SpecialFilesNeitherHangNorFeedTheCopyFamily) {
  const std::string fifo = path("fifo");
  ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
  const std::string dst = path("dst");
  using Op = std::function<int()>;
  struct Case {
    const char *what;
    Op op;
  } cases[] = {
      {"copy from a FIFO",
       [&] { return expectFailure(Port_File::copy(fifo.c_str(), dst.c_str()), EINVAL); }},
      {"copy_p from a FIFO",
       [&] { return expectFailure(Port_File::copy_p(fifo.c_str(), dst.c_str()), EINVAL); }},
      {"copy_p_v from a FIFO",
       [&] { return expectFailure(Port_File::copy_p_v(fifo.c_str(), dst.c_str()), EINVAL); }},
      {"append from a FIFO",
       [&] { return expectFailure(Port_File::append(fifo.c_str(), dst.c_str()), EINVAL); }},
      {"copy from /dev/zero",
       [&] { return expectFailure(Port_File::copy("/dev/zero", dst.c_str()), EINVAL); }},
      {"copy_p from /dev/zero",
       [&] { return expectFailure(Port_File::copy_p("/dev/zero", dst.c_str()), EINVAL); }},
      {"append from /dev/zero",
       [&] { return expectFailure(Port_File::append("/dev/zero", dst.c_str()), EINVAL); }},
      {"appendline to a FIFO nobody reads",
       [&] { return expectFailure(Port_File::appendline("x", fifo.c_str()), ENXIO); }},
      {"open a FIFO nobody reads for writing",
       [&] { return expectFailure(Port_File::open(fifo.c_str(), UT_STREAM::Write, 0), ENXIO); }},
      {"open a FIFO nobody writes for reading: it ends at once",
       [&] {
         UT_STREAM *s = Port_File::open(fifo.c_str(), UT_STREAM::Read, 0);
         unsigned char c;
         const int r = s && s->read(&c, 1) == 0 ? 0 : 1;
         Port_File::close(s);
         return r;
       }},
  };
  for (const Case &c : cases) {
    const int status = porttest::runInChild(
        [&] {
          const rlimit limit{1 << 20, 1 << 20};
          ::setrlimit(RLIMIT_FSIZE, &limit);
          return c.op();
        },
        3);
    EXPECT_EQ(0, status) << c.what << (status == 128 + SIGALRM ? ": hangs" : "");
    EXPECT_FALSE(fs::exists(dst)) << c.what;
  }
}

TEST_F(FileHazardTest, SparseFilesAreCopiedWithTheirHoles) {
  const std::string src = path("sparse");
  const long kSize = 256L << 20;
  {
    const int fd = ::open(src.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(4, ::pwrite(fd, "head", 4, 0));
    ASSERT_EQ(4, ::pwrite(fd, "tail", 4, kSize - 4));
    ::close(fd);
  }
  const long used = static_cast<long>(entryStatus(src).st_blocks) * 512;
  if (used > (1L << 20))
    GTEST_SKIP() << "this file system keeps no holes";
  bool (*copies[])(const char *, const char *) = {&Port_File::copy, &Port_File::copy_p};
  for (auto copy : copies) {
    const std::string dst = path("copy");
    ASSERT_TRUE(copy(src.c_str(), dst.c_str()));
    const struct ::stat st = entryStatus(dst);
    EXPECT_EQ(kSize, st.st_size);
    EXPECT_LE(static_cast<long>(st.st_blocks) * 512, used + (64L << 10));
    char head[5] = {}, middle[5] = {}, tail[5] = {};
    const int fd = ::open(dst.c_str(), O_RDONLY);
    ::pread(fd, head, 4, 0);
    ::pread(fd, middle, 4, kSize / 2);
    ::pread(fd, tail, 4, kSize - 4);
    ::close(fd);
    EXPECT_STREQ("head", head);
    EXPECT_EQ(0, std::memcmp(middle, "\0\0\0\0", 4));
    EXPECT_STREQ("tail", tail);
    fs::remove(dst);
  }
}

// ---------------------------------------------------------------------------------------------
// Removal touches only the entry named

TEST_F(FileHazardTest, RemoveFChangesNoOtherFilesMode) {
  const std::string target = tree.write("target", "t");
  ::chmod(target.c_str(), 0600);
  fs::create_symlink(target, path("link"));
  const std::string a = tree.write("a", "a");
  ::chmod(a.c_str(), 0444);
  fs::create_hard_link(a, path("hard"));
  EXPECT_TRUE(Port_File::remove_f(path("link").c_str()));
  EXPECT_FALSE(fs::exists(fs::symlink_status(path("link"))));
  EXPECT_EQ(0600u, modeOf(target));
  EXPECT_TRUE(Port_File::remove_f(path("hard").c_str()));
  EXPECT_FALSE(fs::exists(path("hard")));
  EXPECT_EQ(0444u, modeOf(a));
  EXPECT_EQ("a", slurp(a));
}

TEST_F(FileHazardTest, RemoveRefusesReadOnlyFilesThatRemoveFTakes) {
  const std::string ro = tree.write("ro", "x");
  ::chmod(ro.c_str(), 0444);
  EXPECT_FALSE(Port_File::remove(ro.c_str()));
  EXPECT_EQ(EACCES, Port_File::geterror());
  EXPECT_TRUE(fs::exists(ro));
  // The read-only attribute belongs to the file: a link to it is removed as any link.
  fs::create_symlink(ro, path("link"));
  EXPECT_TRUE(Port_File::remove(path("link").c_str()));
  EXPECT_TRUE(Port_File::remove_f(ro.c_str()));
  EXPECT_FALSE(fs::exists(ro));
}

// ---------------------------------------------------------------------------------------------
// Write tests change nothing

TEST_F(FileHazardTest, CanwriteOfADanglingLinkCreatesNothing) {
  fs::create_symlink(path("nothing"), path("dangling"));
  Port_File::clearerror();
  EXPECT_FALSE(Port_File::canwrite(path("dangling").c_str()));
  EXPECT_EQ(ENOENT, Port_File::geterror());
  EXPECT_TRUE(isLink(path("dangling")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(path("nothing"))));
}

TEST_F(FileHazardTest, CanwriteAnswersForAUserWhoDoesNotOwnTheFile) {
  needUnprivilegedChild();
  openTreeToAll();
  struct Case {
    std::string name;
    unsigned mode;
    bool directory, writable;
  } cases[] = {
      {path("shared"), 0666, false, true},     {path("theirs"), 0644, false, false},
      {path("shareddir"), 0777, true, true},   {path("theirdir"), 0755, true, false},
      {path("shareddir/new"), 0, false, true}, {path("theirdir/new"), 0, false, false},
  };
  for (const Case &c : cases) {
    if (c.mode == 0)
      continue;
    if (c.directory)
      tree.mkdir(fs::path(c.name).filename());
    else
      spit(c.name, "x");
    ::chmod(c.name.c_str(), c.mode);
  }
  for (const Case &c : cases) {
    const int status = porttest::runInChild(
        [&] {
          if (c.writable)
            return Port_File::canwrite(c.name.c_str()) ? 0 : 100 + Port_File::geterror();
          return expectFailure(Port_File::canwrite(c.name.c_str()), EACCES);
        },
        5, true);
    EXPECT_EQ(0, status) << c.name;
  }
  EXPECT_FALSE(fs::exists(path("shareddir/new")));
  EXPECT_TRUE(fs::is_empty(path("shareddir")));
}

// Two threads of a user who does not own the directory test it at once.
TEST(FileCanwriteConcurrency, ThreadsTestingOneDirectoryAgree) {
  if (!porttest::canDropRoot())
    GTEST_SKIP() << "the test does not run as root and cannot run a child as another user";
  porttest::TempTree tree;
  fs::permissions(tree.root(), fs::perms::all);
  const std::string dir = tree.mkdir("shared");
  fs::permissions(dir, fs::perms::all);
  const int status = porttest::runInChild(
      [&] {
        std::atomic<int> refused{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 2; ++t)
          threads.emplace_back([&] {
            for (int i = 0; i < 300; ++i)
              if (!Port_File::canwrite(dir.c_str()))
                ++refused;
          });
        for (auto &th : threads)
          th.join();
        return refused.load() == 0 ? 0 : 1;
      },
      10, true);
  EXPECT_EQ(0, status);
  EXPECT_TRUE(fs::is_empty(dir));
}

// ---------------------------------------------------------------------------------------------
// Opening for writing with truncation empties the file in place

TEST_F(FileHazardTest, TruncatingOpenKeepsLinksHardLinksAndMode) {
  const std::string a = tree.write("a", "old content");
  ::chmod(a.c_str(), 0640);
  fs::create_hard_link(a, path("hard"));
  fs::create_symlink(a, path("link"));
  for (const std::string &name : {a, path("link"), path("hard")}) {
    UT_STREAM *s = Port_File::open(name.c_str(), UT_STREAM::Write, 1);
    ASSERT_NE(nullptr, s) << name;
    s->writeline(name.c_str());
    Port_File::close(s);
    EXPECT_EQ(name + "\r\n", slurp(a));
    EXPECT_EQ(name + "\r\n", slurp(path("hard")));
    EXPECT_TRUE(isLink(path("link")));
    EXPECT_EQ(0640u, modeOf(a));
  }
}

TEST_F(FileHazardTest, TruncatingOpenNeedsPermissionToWriteTheFile) {
  needUnprivilegedChild();
  openTreeToAll();
  const std::string dir = tree.mkdir("open");
  ::chmod(dir.c_str(), 0777);
  const std::string theirs = tree.write("open/theirs", "not yours");
  ::chmod(theirs.c_str(), 0644);
  EXPECT_EQ(0, porttest::runInChild(
                   [&] {
                     return expectFailure(Port_File::open(theirs.c_str(), UT_STREAM::Write, 1),
                                          EACCES);
                   },
                   5, true));
  EXPECT_EQ("not yours", slurp(theirs));
  EXPECT_EQ(0u, entryStatus(theirs).st_uid);
}

// ---------------------------------------------------------------------------------------------
// Temporary names

TEST_F(FileHazardTest, RelativeTemporaryNamesKeepTheirDirectory) {
  const std::string meant = tree.write("first/victim", "meant");
  const std::string other = tree.write("second/victim", "other");
  EXPECT_EXIT(
      {
        ::chdir(path("first").c_str());
        Port_File::addtmpnam("victim");
        ::chdir(path("second").c_str());
        std::exit(0); // unloading the library deletes the temporary files
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_FALSE(fs::exists(meant));
  EXPECT_EQ("other", slurp(other));
  // A working directory whose name holds a backslash has no Windows form: nothing is kept.
  const fs::path saved = fs::current_path();
  fs::current_path(tree.mkdir("odd\\name"));
  EXPECT_FALSE(Port_File::addtmpnam("x"));
  fs::current_path(saved);
}

TEST(FileTempName, BufferNeverOverflowsWithALongTemporaryDirectory) {
  porttest::TempTree tree;
  std::string longDir = tree.root();
  while (longDir.size() < 240)
    longDir += "/" + std::string(std::min<size_t>(60, 249 - longDir.size()), 'd');
  fs::create_directories(longDir);
  struct Case {
    std::string temp;
    std::string expected;
  } cases[] = {{tree.root(), "ERROR[0] GUARD[intact]"},
               {longDir, "NAME[(null)] ERROR[38] GUARD[intact]"}};
  for (const Case &c : cases) {
    porttest::ChildResult r =
        porttest::runProgram(porttest::testProgram("tmpnamprobe"), {},
                             {{"TEMP", c.temp}, {"QUELMO", porttest::installTree()}});
    EXPECT_NE(std::string::npos, r.out.find(c.expected)) << c.temp << "\n" << r.out << r.err;
  }
}

// Processes in different PID namespaces have the same process id and share /tmp.
TEST(FileTempName, NamesDifferAcrossProcessesWithTheSameId) {
  porttest::TempTree tree;
  std::string names[2];
  for (int i = 0; i < 2; ++i) {
    const std::string out = tree.root() + "/name" + std::to_string(i);
    const int status = porttest::runInChild([&] {
      if (::unshare(CLONE_NEWPID) != 0)
        return 77;
      const pid_t pid = ::fork(); // the first process of the new namespace: its id is 1
      if (pid == 0) {
        const char *name = Port_File::tmpnam(nullptr);
        spit(out, name ? name : "");
        ::_exit(0);
      }
      int st = 0;
      ::waitpid(pid, &st, 0);
      return WIFEXITED(st) ? WEXITSTATUS(st) : 1;
    });
    if (status == 77)
      GTEST_SKIP() << "no PID namespaces here";
    ASSERT_EQ(0, status);
    names[i] = slurp(out);
    EXPECT_NE(std::string::npos, names[i].find("/qel_1_")) << names[i];
  }
  EXPECT_NE(names[0], names[1]);
}

// ---------------------------------------------------------------------------------------------
// One code for one condition

TEST_F(FileHazardTest, NamesTooLongForTheSystemGiveTheNameTooLongCode) {
  const std::string src = tree.write("src", "x");
  const std::string tooLong = path(std::string(300, 'n'));
  Port_File::clearerror();
  EXPECT_FALSE(Port_File::copy(src.c_str(), tooLong.c_str()));
  EXPECT_EQ(38, Port_File::geterror());
  Port_File::clearerror();
  EXPECT_EQ(-1, Port_File::getsize(tooLong.c_str()));
  EXPECT_EQ(38, Port_File::geterror());
  Port_File::clearerror();
  EXPECT_EQ(nullptr, Port_File::open(tooLong.c_str(), UT_STREAM::Write, 1));
  EXPECT_EQ(38, Port_File::geterror());
}

} // namespace
