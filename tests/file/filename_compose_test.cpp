// Putting names together: defaults, the current drive and directory, normalising, abbreviating,
// URLs and the validity check.
#include "Port_FileName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

using Port::FileName;

namespace {

namespace fs = std::filesystem;

std::string S(const Port::StringBase<char> &s) { return std::string(s.GetBuffer(), s.GetLength()); }

// Runs each test in a directory of known name and restores the working directory afterwards.
class CurrentDirTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_saved = fs::current_path();
    // Unique per run: suites of several checkouts may run at once on one machine.
    m_dir = fs::temp_directory_path() / ("fname_cwd_" + std::to_string(std::random_device()()));
    fs::create_directories(m_dir / "sub");
    fs::current_path(m_dir);
  }
  void TearDown() override {
    fs::current_path(m_saved);
    fs::remove_all(m_dir);
  }
  // The working directory as drive C sees it, with a final separator: C:\tmp\fname_cwd_1\.
  std::string WindowsCwd() const {
    std::string s = "C:" + fs::current_path().string() + "\\";
    for (char &c : s)
      if (c == '/')
        c = '\\';
    return s;
  }

  fs::path m_saved;
  fs::path m_dir;
};

TEST_F(CurrentDirTest, MissingPathIsFilledInAndStored) {
  FileName f("x.txt");
  EXPECT_EQ(WindowsCwd() + "x.txt", S(f.GetFullName()));
  EXPECT_EQ(WindowsCwd().substr(2), S(f.GetPath()));
  EXPECT_FALSE(f.HasMount());
  EXPECT_EQ(WindowsCwd() + "x.txt", std::string(static_cast<const char *>(f)));
}

TEST_F(CurrentDirTest, RootAsCurrentDirectoryGivesAbsoluteName) {
  fs::current_path("/");
  const struct {
    const char *name, *full;
  } cases[] = {{"x.txt", "C:\\x.txt"}, {"c:x.txt", "c:\\x.txt"}};
  for (const auto &c : cases) {
    FileName f(c.name);
    EXPECT_EQ(c.full, S(f.GetFullName())) << c.name;
    EXPECT_EQ("\\", S(f.GetPath())) << c.name;
  }
}

TEST_F(CurrentDirTest, RelativePathGoesBelowCurrentDirectoryOfItsDrive) {
  FileName lower("c:sub\\a.b");
  EXPECT_EQ("c:" + WindowsCwd().substr(2) + "sub\\a.b", S(lower.GetFullName()));
  FileName none("sub/a.b");
  EXPECT_EQ(WindowsCwd() + "sub\\a.b", S(none.GetFullName()));
  // A drive that does not exist has no current directory: its root is used.
  FileName other("q:sub\\a.b");
  EXPECT_EQ("q:\\sub\\a.b", S(other.GetFullName()));
}

TEST_F(CurrentDirTest, AbsolutePathIsNormalisedWithCurrentDirectory) {
  FileName f("sub\\..\\sub\\.\\a.b");
  EXPECT_EQ(WindowsCwd() + "sub\\a.b", S(f.GetAbsolutePath()));
  FileName up("..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\a.b");
  EXPECT_EQ("C:\\a.b", S(up.GetAbsolutePath()));
}

TEST_F(CurrentDirTest, AbsolutePathKeepsColonsInTheirComponents) {
  const struct {
    const char *name;
    std::string absolute;
  } cases[] = {
      {"run_12:30.log", WindowsCwd() + "run_12:30.log"},
      {"sub\\t:1\\..\\f.txt:s", WindowsCwd() + "sub\\f.txt:s"},
      {"c:sub\\a:b", "c:" + WindowsCwd().substr(2) + "sub\\a:b"},
      {"\\\\server\\share\\dir\\file.txt:stream", "\\\\server\\share\\dir\\file.txt:stream"},
      {"\\\\server\\share\\..\\x:y", "\\\\server\\share\\x:y"},
  };
  for (const auto &c : cases) {
    FileName f(c.name);
    EXPECT_EQ(c.absolute, S(f.GetAbsolutePath())) << c.name;
  }
}

TEST_F(CurrentDirTest, CurrentDirForAllDrivesCarriesTheDrive) {
  EXPECT_EQ(WindowsCwd(), S(Port::FileNameImpl::GetCurrentDir(0)));
  EXPECT_EQ(WindowsCwd().substr(2), S(Port::FileNameImpl::GetCurrentDir(3)));
  EXPECT_EQ("", S(Port::FileNameImpl::GetCurrentDir(4)));
}

TEST(FileNameCompose, DefaultsFillOnlyMissingComponents) {
  const struct {
    const char *name, *defMount, *defPath, *defBase, *defExt;
    bool removeFinalSep;
    const char *full;
  } cases[] = {
      {"a.b", "d:\\zzz", "\\p", nullptr, nullptr, false, "d:\\p\\a.b"},
      {"", "e", "/p/q/", "base", "ext", false, "e:\\p\\q\\base.ext"},
      {"x:\\p\\", "d:", "\\other", "base", ".e", false, "x:\\p\\base.e"},
      {"x:\\p\\n", nullptr, nullptr, "base", "e", false, "x:\\p\\n.e"},
      {"x:\\p\\", nullptr, nullptr, nullptr, nullptr, true, "x:\\p"},
      {"\\\\srv\\share\\d\\f.c", "d:", nullptr, nullptr, nullptr, true, "\\\\srv\\share\\d\\f.c"},
  };
  for (const auto &c : cases) {
    FileName f(c.name);
    const std::string mount = S(f.GetMount());
    EXPECT_EQ(c.full,
              S(f.GetFullName(true, c.defMount, c.defPath, c.defBase, c.defExt, c.removeFinalSep)))
        << c.name;
    EXPECT_EQ(mount, S(f.GetMount())) << "the default mount is not stored";
  }
}

TEST(FileNameCompose, NormalizeResolvesDotSteps) {
  const struct {
    const char *name, *normal;
  } cases[] = {
      {"C:/work//src/./main.CPP", "C:\\work\\src\\main.CPP"},
      {"C:\\a\\b\\..\\c\\f", "C:\\a\\c\\f"},
      {"C:\\a\\.\\..\\f", "C:\\f"},
      {"C:\\..\\..\\f", "C:\\f"},
      {"C:\\a\\..b\\f", "C:\\a\\..b\\f"},
      {"C:\\ab.\\x\\f", "C:\\ab.\\x\\f"},
      {"a\\..\\c\\f", "c\\f"},
      {"..\\..\\a\\b\\..\\f", "..\\..\\a\\f"},
      {"a\\..\\f", "f"},
      {"\\\\srv\\share\\x\\..\\..\\f", "\\\\srv\\share\\f"},
      {"f.txt", "f.txt"},
      // Colons stay in their components; the mount stays whatever ".." asks.
      {"C:\\a\\b:c\\..\\run_12:30.log", "C:\\a\\run_12:30.log"},
      {"\\\\srv\\share\\d\\..\\..\\f.txt:s", "\\\\srv\\share\\f.txt:s"},
      {"a:b\\..\\x", "a:x"},
      {"ab:c\\..\\x", "x"},
      // What is left must not read as a drive.
      {".\\a:b", ".\\a:b"},
      {"x\\..\\a:b\\f", ".\\a:b\\f"},
      {"\\\\?\\C:\\..\\x", "\\\\?\\C:\\x"},
      {"\\\\?\\UNC\\srv\\share\\..\\x", "\\\\?\\UNC\\srv\\share\\x"},
  };
  for (const auto &c : cases) {
    FileName f(c.name);
    const std::string before = S(f.GetName());
    EXPECT_EQ(c.normal, S(f.Normalize(true))) << c.name;
    EXPECT_EQ(before, S(f.GetName())) << "Normalize changed the object";
  }
}

TEST(FileNameCompose, GetHeadTailAndName) {
  FileName f("C:\\a\\b\\f.txt");
  EXPECT_EQ("C:\\a\\b\\", S(f.GetHead()));
  EXPECT_EQ("C:\\a\\b", S(f.GetHead(true, true)));
  EXPECT_EQ("f.txt", S(f.GetTail()));
  FileName net("\\\\srv\\share", "rel", "f", "c");
  EXPECT_EQ("\\\\srv\\share\\rel\\f.c", S(net.GetName()));
  EXPECT_EQ("\\\\srv\\share\\rel\\f.c", S(net.GetFullName()));
}

// Removing the final separator of a root would make C:\ the current directory of drive C, and
// \ the current directory of the process: roots keep theirs.
TEST(FileNameCompose, RootsKeepTheirSeparatorWhenTheFinalOneIsRemoved) {
  const struct {
    const char *name, *head, *full;
  } cases[] = {
      {"D:\\x", "D:\\", "D:\\x"},
      {"\\x", "\\", "C:\\x"},
      {"C:\\", "C:\\", "C:\\"},
      {"\\", "\\", "C:\\"},
      {"\\\\srv\\share\\x", "\\\\srv\\share\\", "\\\\srv\\share\\x"},
      {"\\\\srv\\share\\", "\\\\srv\\share\\", "\\\\srv\\share\\"},
      {"\\\\?\\UNC\\srv\\share\\", "\\\\?\\UNC\\srv\\share\\", "\\\\?\\UNC\\srv\\share\\"},
      // Below the root the final separator goes.
      {"D:\\a\\b\\", "D:\\a\\b", "D:\\a\\b"},
      {"d:rel\\x", "d:rel", "d:\\rel\\x"},
      {"\\\\srv\\share\\a\\x", "\\\\srv\\share\\a", "\\\\srv\\share\\a\\x"},
  };
  for (const auto &c : cases) {
    FileName f(c.name);
    EXPECT_EQ(c.head, S(f.GetHead(true, true))) << c.name;
    EXPECT_EQ(c.full, S(f.GetFullName(true, nullptr, nullptr, nullptr, nullptr, true))) << c.name;
  }
  FileName owner;
  Port::FileNameImpl impl(owner);
  impl.SetFullName("D:\\");
  EXPECT_EQ("D:\\", S(impl.GetMountAndPath(true, nullptr, nullptr, false, true)));
  impl.SetFullName("D:\\a\\");
  EXPECT_EQ("D:\\a", S(impl.GetMountAndPath(true, nullptr, nullptr, false, true)));
}

TEST(FileNameCompose, CanonicalAndNativeForms) {
  FileName f("C:\\a\\b.c");
  EXPECT_EQ("C:/a/b.c", S(f.MakeCanonical(false)));
  EXPECT_EQ("C:\\a\\b.c", S(f.MakeCanonical(true)));
  EXPECT_EQ("C:\\a\\b.c", S(f.MakeNative()));
}

TEST(FileNameCompose, AbbreviationTable) {
  const struct {
    int max;
    bool keepTail;
    const char *result;
  } cases[] = {
      {25, true, "C:\\one\\two\\three\\file.txt"},
      {100, false, "C:\\one\\two\\three\\file.txt"},
      {24, true, "C:\\...\\three\\file.txt"},
      {21, true, "C:\\...\\three\\file.txt"},
      {20, true, "C:\\...\\file.txt"},
      {15, true, "C:\\...\\file.txt"},
      {14, true, "file.txt"},
      {8, true, "file.txt"},
      {5, true, "file.txt"},
      {5, false, ""},
      {-1, false, ""},
  };
  FileName f("C:\\one\\two\\three\\file.txt");
  for (const auto &c : cases)
    EXPECT_EQ(c.result, S(f.GetAbbreviatedName(c.max, c.keepTail))) << c.max;
}

TEST(FileNameCompose, AbbreviationOfRelativeNameStaysRelative) {
  FileName f("one\\two\\three\\file.txt");
  EXPECT_EQ("...\\three\\file.txt", S(f.GetAbbreviatedName(19)));
}

TEST(FileNameCompose, AbbreviationOfVeryLongName) {
  std::string name = "C:";
  for (int i = 0; i < 2000; ++i)
    name += "\\dir";
  name += "\\f.txt";
  FileName f(name.c_str());
  EXPECT_EQ("C:\\...\\dir\\dir\\f.txt", S(f.GetAbbreviatedName(20)));
}

TEST(FileNameCompose, UrlUsesDriveBarAndForwardSlashes) {
  FileName f("C:\\a\\.\\b.txt");
  ::testing::internal::CaptureStdout();
  const std::string url = S(f.GetNameAsURL());
  EXPECT_EQ("path is <C:>\n", ::testing::internal::GetCapturedStdout());
  EXPECT_EQ("file:///C|/a/b.txt", url);
  FileName net("\\\\srv\\share\\x\\f.c");
  EXPECT_EQ("file://srv/share/x/f.c", S(net.GetNameAsURL()));
  FileName stream("\\\\srv\\share\\x\\f.txt:s");
  EXPECT_EQ("file://srv/share/x/f.txt:s", S(stream.GetNameAsURL()));
}

TEST(FileNameCompose, ValidPathRejectsReservedCharacters) {
  const struct {
    const char *name;
    bool valid;
  } cases[] = {
      {"C:\\a.txt", true},
      {"a.txt", true},
      {"\\\\srv\\share\\a.txt", true},
      {"\\\\srv\\share\\a?.txt", false},
      {"C:\\a*.txt", false},
      {"C:\\a<b", false},
      {"C:\\a>b", false},
      {"C:\\a|b", false},
      {"C:\\a\"b", false},
      {"C:\\a\tb", false},
      {"C:\\a\nb", false},
      {"C:\\d\\a:b", false},
      {"\\\\srv\\share\\f.txt:stream", false},
  };
  for (const auto &c : cases) {
    FileName f(c.name);
    EXPECT_EQ(c.valid, f.IsValidPath()) << c.name;
  }
}

TEST(FileNameCompose, EncodeAndDecodeKeepCase) {
  const struct {
    const char *plain, *encoded;
  } cases[] = {{"ABc", "_uu_a_uu_bc"}, {"MyFile", "_uu_my_uu_file"}, {"lower", "lower"}, {"", ""}};
  for (const auto &c : cases) {
    EXPECT_EQ(c.encoded, S(Port::EncodeName(c.plain))) << c.plain;
    EXPECT_EQ(c.plain, S(Port::DecodeName(c.encoded))) << c.encoded;
  }
  EXPECT_EQ("", S(Port::EncodeName(nullptr)));
  EXPECT_EQ("ab", S(Port::DecodeName("ab_uu_")));
  EXPECT_STREQ("_uu_", Port::enc_prefix);
}

} // namespace
