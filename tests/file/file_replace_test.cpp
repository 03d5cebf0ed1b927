// Whole-file writers (the encoded-file dump and the command-file unload) replace a file so that
// a crash leaves the old contents or the new ones: through a temporary file beside it, renamed
// into place after a flush; links followed, other hard links written in place.
#include "basutcmdfil.h"
#include "basutfileencode.h"
#include "child_process.h"
#include "platform/faults.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using porttest::slurp;

// Writes `lines` lines of the letter to path through the named writer, in this process.
bool writeWith(const std::string &kind, const std::string &path, int lines, char letter) {
  const std::string line(63, letter);
  if (kind == "encode") {
    UT_FILEENCODE contents;
    for (int i = 0; i < lines; ++i)
      contents.writeline(line.c_str());
    return contents.dump(path.c_str(), 0);
  }
  std::vector<const char *> args(static_cast<size_t>(lines), line.c_str());
  UT_CMDFILE contents(static_cast<int>(args.size()), args.data());
  return contents.unload(path.c_str(), 0);
}

// The names in dir other than the given ones (temporary files left behind).
std::vector<std::string> strays(const std::string &dir, const std::vector<std::string> &known) {
  std::vector<std::string> found;
  for (const auto &e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (std::find(known.begin(), known.end(), name) == known.end())
      found.push_back(name);
  }
  return found;
}

class WholeFileWriter : public testing::TestWithParam<std::string> {
protected:
  porttest::TempTree tree;
};

TEST_P(WholeFileWriter, ReplacesTheContentsAndKeepsTheMode) {
  const std::string file = tree.root() + "/f";
  ASSERT_TRUE(writeWith(GetParam(), file, 3, 'a'));
  ASSERT_EQ(0, ::chmod(file.c_str(), 0640));
  struct stat before;
  ASSERT_EQ(0, ::stat(file.c_str(), &before));
  ASSERT_TRUE(writeWith(GetParam(), file, 5, 'b'));
  EXPECT_EQ(std::string::npos, slurp(file).find('a'));
  EXPECT_NE(std::string::npos, slurp(file).find('b'));
  struct stat after;
  ASSERT_EQ(0, ::stat(file.c_str(), &after));
  EXPECT_EQ(0640u, after.st_mode & 07777);
  EXPECT_NE(before.st_ino, after.st_ino); // a new file was put in place
  EXPECT_EQ((std::vector<std::string>{}), strays(tree.root(), {"f"}));
}

TEST_P(WholeFileWriter, WritesThroughASymbolicLinkToItsTarget) {
  const std::string real = tree.root() + "/real", link = tree.root() + "/link";
  ASSERT_TRUE(writeWith(GetParam(), real, 3, 'a'));
  ASSERT_EQ(0, ::symlink("real", link.c_str()));
  ASSERT_TRUE(writeWith(GetParam(), link, 3, 'b'));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_NE(std::string::npos, slurp(real).find('b'));
  EXPECT_EQ((std::vector<std::string>{}), strays(tree.root(), {"real", "link"}));
}

TEST_P(WholeFileWriter, WritesAFileWithOtherHardLinksInPlace) {
  const std::string a = tree.root() + "/a", b = tree.root() + "/b";
  ASSERT_TRUE(writeWith(GetParam(), a, 3, 'a'));
  ASSERT_EQ(0, ::link(a.c_str(), b.c_str()));
  ASSERT_TRUE(writeWith(GetParam(), a, 3, 'b'));
  EXPECT_NE(std::string::npos, slurp(b).find('b')); // still one file under both names
  EXPECT_TRUE(fs::equivalent(a, b));
}

TEST_P(WholeFileWriter, RemovesTemporaryFilesOfWritersThatAreGone) {
  const std::string file = tree.root() + "/f";
  const pid_t gone = ::fork();
  if (gone == 0)
    ::_exit(0);
  ASSERT_EQ(0, porttest::waitForChild(gone));
  const std::string deadTemp = ".f.~" + std::to_string(gone);
  tree.write(deadTemp, "left by a killed writer");
  tree.write(".other.~" + std::to_string(gone), "another file's");
  ASSERT_TRUE(writeWith(GetParam(), file, 3, 'a'));
  const auto left = strays(tree.root(), {"f"});
  EXPECT_EQ(std::find(left.begin(), left.end(), deadTemp), left.end());
  EXPECT_NE(std::find(left.begin(), left.end(), ".other.~" + std::to_string(gone)), left.end());
}

TEST_P(WholeFileWriter, AFailedRenameKeepsTheOldContentsAndLeavesNoTemporaryFile) {
  const std::string file = tree.root() + "/f";
  ASSERT_TRUE(writeWith(GetParam(), file, 3, 'a'));
  const std::string old = slurp(file);
  Port_TestFault(Port_TestRename, 1, 0, EIO);
  EXPECT_FALSE(writeWith(GetParam(), file, 5, 'b'));
  Port_TestFaultClear();
  EXPECT_EQ(old, slurp(file));
  EXPECT_EQ((std::vector<std::string>{}), strays(tree.root(), {"f"}));
}

// A child writing the file is killed at random points of its write: each time the file holds
// the old contents or the new ones, whole; a writer that runs to the end afterwards leaves no
// temporary file behind.
TEST_P(WholeFileWriter, AWriterKilledAtAnyPointLeavesTheOldOrTheNewContents) {
  const std::string file = tree.root() + "/f";
  const int kLines = 20000; // about 1.3 MB
  ASSERT_TRUE(writeWith(GetParam(), file, kLines, 'n'));
  const std::string fresh = slurp(file);
  ASSERT_TRUE(writeWith(GetParam(), file, kLines / 2, 'o'));
  const std::string old = slurp(file);

  // Runs the probe; kills it afterUs microseconds after it starts writing (never when < 0).
  // Returns how long it ran from that point.
  const auto runProbe = [&](long afterUs) {
    int ready[2];
    EXPECT_EQ(0, ::pipe(ready));
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(ready[1], 3);
      const std::string probe = porttest::testProgram("replaceprobe");
      const std::string lines = std::to_string(kLines);
      ::execl(probe.c_str(), probe.c_str(), GetParam().c_str(), file.c_str(), lines.c_str(), "n",
              static_cast<char *>(nullptr));
      ::_exit(127);
    }
    ::close(ready[1]);
    char byte;
    pollfd p = {ready[0], POLLIN, 0};
    EXPECT_EQ(1, ::poll(&p, 1, 20000));
    EXPECT_EQ(1, ::read(ready[0], &byte, 1));
    const auto start = std::chrono::steady_clock::now();
    if (afterUs >= 0) {
      ::usleep(static_cast<useconds_t>(afterUs));
      ::kill(pid, SIGKILL);
    }
    const int status = porttest::waitForChild(pid);
    ::close(ready[0]);
    EXPECT_TRUE(afterUs >= 0 ? status == 0 || status == 128 + SIGKILL : status == 0) << status;
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
  };

  const long whole = runProbe(-1);
  ASSERT_EQ(fresh, slurp(file));
  std::mt19937 random(12345);
  std::uniform_int_distribution<long> point(0, whole + whole / 4);
  int sawOld = 0, sawNew = 0;
  for (int kill = 0; kill < 50; ++kill) {
    ASSERT_TRUE(writeWith(GetParam(), file, kLines / 2, 'o'));
    runProbe(point(random));
    const std::string now = slurp(file);
    ASSERT_TRUE(now == old || now == fresh) << "kill " << kill << ": " << now.size() << " bytes";
    (now == old ? sawOld : sawNew)++;
  }
  RecordProperty("killed_with_old_contents", sawOld);
  RecordProperty("killed_with_new_contents", sawNew);
  runProbe(-1);
  EXPECT_EQ(fresh, slurp(file));
  EXPECT_EQ((std::vector<std::string>{}), strays(tree.root(), {"f"}));
}

INSTANTIATE_TEST_SUITE_P(Writers, WholeFileWriter, testing::Values("encode", "cmdfile"),
                         [](const testing::TestParamInfo<std::string> &info) {
                           return info.param == "encode" ? "EncodedFileDump" : "CommandFileUnload";
                         });

} // namespace
