// Port_File name tests, copies, renames, removal, directories and temporary names.
#include "Port_File.h"
#include "child_process.h"
#include "file_test_util.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

using filetest::slurp;
using filetest::spit;
namespace fs = std::filesystem;

namespace {

class FileOpsTest : public ::testing::Test {
protected:
  std::string path(const std::string &name) const { return tree.root() + "/" + name; }
  porttest::TempTree tree;
};

TEST_F(FileOpsTest, NameTestsRejectNamesLongerThan260) {
  const std::string dir = tree.mkdir("d");
  std::string at260 = dir + "/";
  at260 += std::string(260 - at260.size(), 'n');
  ASSERT_EQ(260u, at260.size());
  const std::string at261 = at260 + "n";
  spit(at260, "content"); // a name of 260 characters is a valid file
  bool (*tests[])(const char *) = {&Port_File::exist, &Port_File::isdir, &Port_File::isfile,
                                   &Port_File::canread, &Port_File::canwrite};
  for (auto test : tests) {
    porttest::CaptureManager cap;
    porttest::ScopedManager scoped(&cap);
    Port_File::clearerror();
    EXPECT_FALSE(test(at261.c_str()));
    EXPECT_EQ(38, Port_File::geterror());
    EXPECT_EQ(1,
              filetest::countMessages(cap, L"exceeds the allowed maximum file path length [260]"));
    Port_File::clearerror();
    test(at260.c_str());
    EXPECT_NE(38, Port_File::geterror());
  }
  EXPECT_TRUE(Port_File::isfile(at260.c_str()));
  EXPECT_FALSE(Port_File::exist(nullptr));
  EXPECT_EQ(2, Port_File::geterror());
}

TEST_F(FileOpsTest, RootStaysTheRootHoweverItIsWritten) {
  for (const char *root : {"/", "\\", "C:", "C:\\", "c:/", "//"}) {
    EXPECT_TRUE(Port_File::isdir(root)) << root;
    EXPECT_TRUE(Port_File::exist(root)) << root;
  }
  EXPECT_FALSE(Port_File::isdir("D:\\"));
  const std::string dir = tree.mkdir("sub");
  EXPECT_TRUE(Port_File::isdir((dir + "///").c_str()));
  EXPECT_TRUE(Port_File::isdir((dir + "\\").c_str()));
}

TEST_F(FileOpsTest, KindTestsTellFilesFromDirectories) {
  const std::string file = tree.write("f.txt", "abc");
  const std::string empty = tree.write("empty.txt", "");
  const std::string dir = tree.mkdir("dir");
  EXPECT_TRUE(Port_File::isfile(file.c_str()));
  EXPECT_FALSE(Port_File::isfile(dir.c_str()));
  EXPECT_EQ(13, Port_File::geterror());
  EXPECT_FALSE(Port_File::isdir(file.c_str()));
  EXPECT_EQ(13, Port_File::geterror());
  EXPECT_TRUE(Port_File::canread(file.c_str()));
  EXPECT_TRUE(Port_File::canread(empty.c_str()));
  EXPECT_TRUE(Port_File::canread(dir.c_str()));
  EXPECT_TRUE(Port_File::canread_dir(dir.c_str()));
  EXPECT_FALSE(Port_File::canread_dir(file.c_str()));
  EXPECT_TRUE(Port_File::canwrite_dir((dir + "/").c_str()));
  EXPECT_FALSE(Port_File::canwrite_dir(path("nowhere").c_str()));
  EXPECT_FALSE(fs::exists(path("nowhere"))); // the test made nothing
  EXPECT_FALSE(Port_File::canread(path("missing").c_str()));
  EXPECT_EQ(2, Port_File::geterror());
}

TEST_F(FileOpsTest, CanwriteProbesWithoutLeavingTraces) {
  const std::string file = tree.write("w.txt", "abc");
  EXPECT_TRUE(Port_File::canwrite(file.c_str()));
  EXPECT_TRUE(Port_File::canwrite(path("new.txt").c_str()));
  EXPECT_FALSE(fs::exists(path("new.txt")));
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_FALSE(Port_File::canwrite(file.c_str()));
  EXPECT_EQ(13, Port_File::geterror());
  EXPECT_TRUE(Port_File::make_writable(file.c_str()));
  EXPECT_TRUE(Port_File::canwrite(file.c_str()));
  EXPECT_EQ("abc", slurp(file));
  EXPECT_FALSE(Port_File::make_writable(path("missing").c_str()));
}

TEST_F(FileOpsTest, RecursiveMkdirCreatesEveryLevelOnce) {
  const std::string target = path("a\\b/c");
  EXPECT_TRUE(Port_File::mkdir(target.c_str(), 1));
  EXPECT_TRUE(fs::is_directory(path("a/b/c")));
  Port_File::clearerror();
  EXPECT_FALSE(Port_File::mkdir((target + "/").c_str(), 1));
  EXPECT_EQ(17, Port_File::geterror());
  const std::string file = tree.write("f", "x");
  EXPECT_FALSE(Port_File::mkdir((file + "/below").c_str(), 1));
  EXPECT_NE(0, Port_File::geterror());
  EXPECT_TRUE(Port_File::mkdir(path("plain").c_str(), 0));
  EXPECT_FALSE(Port_File::mkdir(path("plain").c_str(), 0));
  EXPECT_TRUE(Port_File::rmdir(path("plain").c_str()));
  EXPECT_FALSE(fs::exists(path("plain")));
}

TEST_F(FileOpsTest, RenameReplacesAnExistingDestination) {
  const std::string a = tree.write("a", "from a");
  const std::string b = tree.write("b", "old b");
  EXPECT_TRUE(Port_File::rename(a.c_str(), b.c_str()));
  EXPECT_FALSE(fs::exists(a));
  EXPECT_EQ("from a", slurp(b));
  EXPECT_FALSE(Port_File::rename(a.c_str(), b.c_str()));
  EXPECT_EQ(2, Port_File::geterror());
  EXPECT_EQ("from a", slurp(b));
}

TEST_F(FileOpsTest, CopiesAndAppends) {
  std::string big(10000, '\0');
  for (size_t i = 0; i < big.size(); ++i)
    big[i] = static_cast<char>(i * 7);
  const std::string src = tree.write("src", big);
  EXPECT_TRUE(Port_File::copy(src.c_str(), path("dst").c_str()));
  EXPECT_EQ(big, slurp(path("dst")));
  EXPECT_FALSE(Port_File::copy(path("missing").c_str(), path("dst2").c_str()));
  EXPECT_EQ(2, Port_File::geterror());
  EXPECT_FALSE(fs::exists(path("dst2")));

  EXPECT_TRUE(Port_File::append(src.c_str(), path("dst").c_str()));
  EXPECT_EQ(big + big, slurp(path("dst")));
  EXPECT_TRUE(Port_File::append(src.c_str(), path("fresh").c_str()));
  EXPECT_EQ(big, slurp(path("fresh")));
  EXPECT_FALSE(Port_File::append(path("missing").c_str(), path("fresh").c_str()));
  EXPECT_EQ(2, Port_File::geterror());

  EXPECT_TRUE(Port_File::appendline("one", path("log").c_str()));
  EXPECT_TRUE(Port_File::appendline("two", path("log").c_str()));
  EXPECT_EQ("one\r\ntwo\r\n", slurp(path("log")));
}

TEST_F(FileOpsTest, CopyPVCopiesOnlyWhatDiffers) {
  const std::string src = tree.write("src", "same bytes");
  EXPECT_TRUE(Port_File::copy_p(src.c_str(), path("dst").c_str()));
  EXPECT_EQ(fs::last_write_time(src), fs::last_write_time(path("dst")));
  // Mark the copy in a way the comparison does not look at: a copy would remove the mark.
  fs::permissions(path("dst"), fs::perms::others_exec, fs::perm_options::add);
  fs::permissions(src, fs::perms::others_exec, fs::perm_options::add);
  fs::permissions(path("dst"), fs::perms::group_exec, fs::perm_options::add);
  EXPECT_TRUE(Port_File::copy_p_v(src.c_str(), path("dst").c_str()));
  EXPECT_TRUE((fs::status(path("dst")).permissions() & fs::perms::group_exec) != fs::perms::none);

  // Same size and time, one byte different: copied.
  const auto when = fs::last_write_time(src);
  spit(path("dst"), "same bytez");
  fs::last_write_time(path("dst"), when);
  EXPECT_TRUE(Port_File::copy_p_v(src.c_str(), path("dst").c_str()));
  EXPECT_EQ("same bytes", slurp(path("dst")));
  EXPECT_TRUE((fs::status(path("dst")).permissions() & fs::perms::group_exec) == fs::perms::none);
}

TEST_F(FileOpsTest, RemovalForcedAndRecursive) {
  const std::string ro = tree.write("ro", "x");
  fs::permissions(ro, fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_TRUE(Port_File::remove_f(ro.c_str()));
  EXPECT_FALSE(fs::exists(ro));
  EXPECT_FALSE(Port_File::remove(ro.c_str()));
  EXPECT_EQ(2, Port_File::geterror());

  tree.write("top/a/b/file", "1");
  tree.write("top/a/other", "2");
  tree.mkdir("top/empty");
  const std::string outside = tree.write("outside/keep", "kept");
  fs::create_directory_symlink(tree.root() + "/outside", path("top/link"));
  EXPECT_TRUE(Port_File::remove_r(path("top").c_str()));
  EXPECT_FALSE(fs::exists(path("top")));
  EXPECT_EQ("kept", slurp(outside)); // the link was removed, not followed
  const std::string lone = tree.write("lone", "x");
  EXPECT_TRUE(Port_File::remove_r(lone.c_str()));
  EXPECT_FALSE(fs::exists(lone));
}

TEST_F(FileOpsTest, SizesAndTimes) {
  const std::string f = tree.write("sized", std::string(1234, 'z'));
  EXPECT_EQ(1234, Port_File::getsize(f.c_str()));
  EXPECT_EQ(1234, Port_File::getsize_noopen(f.c_str()));
  EXPECT_EQ(-1, Port_File::getsize_noopen(tree.root().c_str()));
  EXPECT_EQ(13, Port_File::geterror());
  UT_STREAM *s = Port_File::open(f.c_str(), UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, s);
  s->skip(10);
  EXPECT_EQ(1234, Port_File::getsize(f.c_str(), s));
  EXPECT_EQ(10, s->getfoffset()); // the stream is left where it was
  Port_File::close(s);

  fs::last_write_time(f, fs::file_time_type::clock::now() - std::chrono::hours(1));
  long t = 0;
  ASSERT_TRUE(Port_File::getdatetime(f.c_str(), t));
  const long now = static_cast<long>(std::time(nullptr));
  EXPECT_NEAR(now - 3600, t, 5);
  char text[64];
  const long epoch = 0;
  const int n = Port_File::asciidatetime(epoch, text);
  EXPECT_EQ(24, n);
  EXPECT_EQ(std::strlen(text), static_cast<size_t>(n));
  EXPECT_EQ(nullptr, std::strchr(text, '\n'));
  EXPECT_FALSE(Port_File::asciidatetime(path("missing").c_str(), text));
  EXPECT_STREQ("?", text);
}

TEST_F(FileOpsTest, TouchCreatesOrRenews) {
  EXPECT_TRUE(Port_File::touchfile(path("new").c_str()));
  EXPECT_TRUE(fs::exists(path("new")));
  EXPECT_EQ(0u, fs::file_size(path("new")));
  const std::string old = tree.write("old", "keep me");
  const auto before = fs::file_time_type::clock::now() - std::chrono::hours(2);
  fs::last_write_time(old, before);
  EXPECT_TRUE(Port_File::touchfile(old.c_str()));
  EXPECT_GT(fs::last_write_time(old), before + std::chrono::hours(1));
  EXPECT_EQ("keep me", slurp(old));
}

TEST_F(FileOpsTest, NameFormsAndSearch) {
  struct {
    const char *a, *b;
    bool match;
  } names[] = {{"C:\\Dir\\\\File.TXT", "c:/dir/file.txt", true},
               {"a//b", "A\\B", true},
               {"a/b", "a/c", false}};
  for (const auto &c : names)
    EXPECT_EQ(c.match, Port_File::namematch(c.a, c.b)) << c.a << " " << c.b;
  struct {
    const char *name;
    bool absolute;
  } forms[] = {{"/x", true},   {"\\x", true},  {"C:\\x", true}, {"c:/x", true},
               {"C:x", false}, {"x/y", false}, {"", false}};
  for (const auto &c : forms)
    EXPECT_EQ(c.absolute, Port_File::isabsolute(c.name)) << c.name;
  char unixName[] = "a\\b\\c", dosName[] = "a/b/c";
  Port_File::makeunixpath(unixName);
  Port_File::makedospath(dosName);
  EXPECT_STREQ("a/b/c", unixName);
  EXPECT_STREQ("a\\b\\c", dosName);

  tree.write("second/wanted.txt", "w");
  const std::string first = tree.mkdir("first"), second = tree.root() + "/second";
  const char *dirs[] = {first.c_str(), second.c_str(), nullptr};
  char out[512];
  EXPECT_EQ(dirs[1], Port_File::find("wanted.txt", dirs, 3, out));
  EXPECT_EQ(second + "/wanted.txt", out);
  EXPECT_EQ(nullptr, Port_File::find("absent.txt", dirs, 3, out));
  EXPECT_EQ(nullptr, Port_File::find("wanted.txt", dirs, 1, out));
}

TEST_F(FileOpsTest, WorkingDirectoryInWindowsForm) {
  const fs::path saved = fs::current_path();
  const std::string dir = tree.mkdir("cwd");
  ASSERT_TRUE(Port_File::chdir(dir.c_str()));
  std::string expected = "C:" + dir;
  for (char &c : expected)
    if (c == '/')
      c = '\\';
  EXPECT_EQ(expected, Port_File::getcwd().GetBuffer());
  char buf[512];
  Port_File::getcwd(buf, sizeof buf);
  EXPECT_EQ(expected, buf);
  EXPECT_FALSE(Port_File::chdir(nullptr));
  EXPECT_EQ(2, Port_File::geterror());
  fs::current_path(saved);
  EXPECT_EXIT(
      {
        char small[4];
        Port_File::getcwd(small, sizeof small);
      },
      ::testing::ExitedWithCode(69), "exceeds length limit of 4");
}

TEST_F(FileOpsTest, TemporaryNames) {
  char *first = Port_File::tmpnam(nullptr);
  ASSERT_NE(nullptr, first);
  const std::string firstCopy = first;
  char *second = Port_File::tmpnam(nullptr); // replaces the first buffer
  ASSERT_NE(nullptr, second);
  EXPECT_NE(firstCopy, second);
  const std::string prefix = "qel_" + std::to_string(::getpid()) + "_";
  EXPECT_NE(std::string::npos, firstCopy.find("/" + prefix));
  EXPECT_FALSE(fs::exists(firstCopy));
  char buf[512];
  EXPECT_EQ(buf, Port_File::tmpnam(buf));
  EXPECT_NE(std::string::npos, std::string(buf).find(prefix));

  EXPECT_FALSE(Port_File::addtmpnam(static_cast<const char *>(nullptr)));
  EXPECT_TRUE(Port_File::addtmpnam("kept-name"));
  EXPECT_TRUE(Port_File::remtmpnam("kept-name"));
  EXPECT_FALSE(Port_File::remtmpnam("kept-name"));
  for (int i = 0; i < 128; ++i)
    ASSERT_TRUE(Port_File::addtmpnam(("n" + std::to_string(i)).c_str()));
  EXPECT_FALSE(Port_File::addtmpnam("one too many"));
  for (int i = 0; i < 128; ++i)
    ASSERT_TRUE(Port_File::remtmpnam(("n" + std::to_string(i)).c_str()));
}

TEST_F(FileOpsTest, TemporaryFilesAreDeletedAtTheEnd) {
  const std::string doomed = tree.write("doomed", "x");
  EXPECT_EXIT(
      {
        Port_File::addtmpnam(doomed.c_str());
        std::exit(0); // unloading the library finalises the table
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_FALSE(fs::exists(doomed));
}

TEST(FileTempDir, OnlyExistingWritableDirectoriesAreChosen) {
  porttest::TempTree tree;
  const std::string temp = tree.mkdir("temp"), tmp = tree.mkdir("tmp"), other = tree.mkdir("o");
  const std::string missing = tree.root() + "/missing";
  const std::string file = tree.write("file", "x");
  struct Case {
    std::map<std::string, std::string> env;
    std::string expected;
  } cases[] = {
      {{{"TEMP", temp}, {"TMP", tmp}}, temp},
      {{{"TEMP", missing}, {"TMP", tmp}}, tmp},
      {{{"TEMP", file}, {"TMP", porttest::kUnset}, {"TMPDIR", other}}, other},
      {{{"TEMP", porttest::kUnset}, {"TMP", porttest::kUnset}, {"TMPDIR", missing}}, "/tmp"},
  };
  for (const Case &c : cases) {
    std::map<std::string, std::string> env = c.env;
    env["QUELMO"] = porttest::installTree();
    porttest::ChildResult r = porttest::runProgram(porttest::testProgram("tmpdirprobe"), {}, env);
    EXPECT_NE(std::string::npos, r.out.find("TMPDIR-CHOSEN[" + c.expected + "]"))
        << c.expected << "\n"
        << r.out << r.err;
    EXPECT_FALSE(fs::exists(missing));
  }
}

} // namespace
