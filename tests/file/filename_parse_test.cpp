// Taking names apart: the splitter, the setters and their invariants, copies.
#include "Port_FileName.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using Port::FileName;

namespace {

std::string S(const Port::StringBase<char> &s) { return std::string(s.GetBuffer(), s.GetLength()); }

// The invariants every setter keeps, whatever it was given.
void ExpectValid(const FileName &f) {
  const std::string path = S(f.GetPath());
  const std::string mount = S(f.GetMount());
  const std::string ext = S(f.GetExtension());
  EXPECT_EQ(std::string::npos, path.find('/')) << path;
  EXPECT_EQ(std::string::npos, path.find("\\\\")) << path;
  if (!path.empty()) {
    EXPECT_EQ('\\', path.back()) << path;
  }
  if (!ext.empty()) {
    EXPECT_EQ('.', ext[0]) << ext;
  }
  if (!mount.empty() && mount.compare(0, 2, "\\\\") != 0) {
    EXPECT_EQ(':', mount.back()) << mount;
  }
  if (!mount.empty()) {
    EXPECT_NE('\\', mount.back()) << mount;
  }
}

struct SplitCase {
  const char *name;
  const char *mount, *path, *base, *ext;
};
void PrintTo(const SplitCase &c, std::ostream *os) { *os << '"' << c.name << '"'; }

class SetFullNameTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SetFullNameTest, SplitsIntoComponents) {
  const SplitCase &c = GetParam();
  FileName f(c.name);
  EXPECT_EQ(c.mount, S(f.GetMount()));
  EXPECT_EQ(c.path, S(f.GetPath()));
  EXPECT_EQ(c.base, S(f.GetBase()));
  EXPECT_EQ(c.ext, S(f.GetExtension()));
  ExpectValid(f);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SetFullNameTest,
    ::testing::Values(SplitCase{"C:/work//src/./main.CPP", "C:", "\\work\\src\\.\\", "main",
                                ".CPP"},
                      SplitCase{"archive.tar.gz", "", "", "archive.tar", ".gz"},
                      SplitCase{"README", "", "", "README", ""},
                      SplitCase{".profile", "", "", ".profile", ""},
                      SplitCase{"C:\\home\\.profile", "C:", "\\home\\", ".profile", ""},
                      SplitCase{"d:rel\\x.y", "d:", "rel\\", "x", ".y"},
                      SplitCase{"\\\\srv\\data\\x\\f.c", "\\\\srv\\data", "\\x\\", "f", ".c"},
                      SplitCase{"//srv/data/f.c", "\\\\srv\\data", "\\", "f", ".c"},
                      SplitCase{"\\\\srv\\data", "\\\\srv\\data", "\\", "", ""},
                      SplitCase{"\\\\srv", "\\\\srv", "\\", "", ""},
                      SplitCase{"C:\\dir.d\\", "C:", "\\dir.d\\", "", ""},
                      SplitCase{"file.", "", "", "file", "."}, SplitCase{"", "", "", "", ""},
                      SplitCase{"\\", "", "\\", "", ""}, SplitCase{"////", "", "\\", "", ""},
                      SplitCase{"\\\\", "", "\\", "", ""}, SplitCase{"C:", "C:", "", "", ""}));

TEST(FileNameParse, NullNameEmptiesEverything) {
  FileName f("C:\\a\\b.c");
  f.SetFullName(nullptr);
  EXPECT_TRUE(f.IsEmpty());
  EXPECT_FALSE(f.HasMount() || f.HasPath() || f.HasBase() || f.HasExtension());
}

TEST(FileNameParse, VeryLongNameKeepsEveryCharacter) {
  std::string dir;
  for (int i = 0; i < 5000; ++i)
    dir += "/d" + std::to_string(i);
  const std::string name = "C:" + dir + "//file.txt";
  FileName f(name.c_str());
  std::string expected = dir + "\\";
  for (char &c : expected)
    if (c == '/')
      c = '\\';
  EXPECT_EQ(expected, S(f.GetPath()));
  EXPECT_EQ("file", S(f.GetBase()));
  ExpectValid(f);
  EXPECT_EQ("d4999", S(f.PopPathEnd()));
}

struct SetterCase {
  enum Which { Mount, Path, Extension } which;
  const char *input;
  const char *stored;
};
void PrintTo(const SetterCase &c, std::ostream *os) {
  *os << c.which << " \"" << (c.input ? c.input : "(null)") << '"';
}

class SetterTest : public ::testing::TestWithParam<SetterCase> {};

TEST_P(SetterTest, NormalisesComponent) {
  const SetterCase &c = GetParam();
  FileName f("X:\\old\\name.old");
  switch (c.which) {
  case SetterCase::Mount:
    f.SetMount(c.input);
    EXPECT_EQ(c.stored, S(f.GetMount()));
    break;
  case SetterCase::Path:
    f.SetPath(c.input);
    EXPECT_EQ(c.stored, S(f.GetPath()));
    break;
  case SetterCase::Extension:
    f.SetExtension(c.input);
    EXPECT_EQ(c.stored, S(f.GetExtension()));
    break;
  }
  ExpectValid(f);
}

INSTANTIATE_TEST_SUITE_P(
    Components, SetterTest,
    ::testing::Values(
        SetterCase{SetterCase::Mount, "d", "d:"}, SetterCase{SetterCase::Mount, "C:\\", "C:"},
        SetterCase{SetterCase::Mount, "c:/", "c:"},
        SetterCase{SetterCase::Mount, "\\\\srv\\share\\", "\\\\srv\\share"},
        SetterCase{SetterCase::Mount, "//srv/share", "\\\\srv\\share"},
        SetterCase{SetterCase::Mount, "\\\\\\", ""}, SetterCase{SetterCase::Mount, nullptr, ""},
        SetterCase{SetterCase::Path, "a//b", "a\\b\\"},
        SetterCase{SetterCase::Path, "/a\\/\\b/", "\\a\\b\\"},
        SetterCase{SetterCase::Path, "////", "\\"}, SetterCase{SetterCase::Path, "", ""},
        SetterCase{SetterCase::Path, nullptr, ""}, SetterCase{SetterCase::Extension, "txt", ".txt"},
        SetterCase{SetterCase::Extension, ".txt", ".txt"},
        SetterCase{SetterCase::Extension, "", ""}));

TEST(FileNameParse, FourPartConstructorSetsEachComponent) {
  FileName f("e", "/x//y", "name", "ext");
  EXPECT_EQ("e:\\x\\y\\name.ext", S(f.GetName()));
}

TEST(FileNameParse, SetTailSplitsAtLastDot) {
  const struct {
    const char *tail, *base, *ext;
  } cases[] = {{"a.tar.gz", "a.tar", ".gz"},
               {"README", "README", ""},
               {".profile", ".profile", ""},
               {"file.", "file", "."},
               {nullptr, "", ""}};
  for (const auto &c : cases) {
    FileName f("C:\\d\\old.x");
    f.SetTail(c.tail);
    EXPECT_EQ(c.base, S(f.GetBase())) << (c.tail ? c.tail : "(null)");
    EXPECT_EQ(c.ext, S(f.GetExtension())) << (c.tail ? c.tail : "(null)");
    EXPECT_EQ("\\d\\", S(f.GetPath()));
  }
}

TEST(FileNameParse, SetHeadReplacesMountAndPathAndDropsTail) {
  FileName f("C:\\old\\name.txt");
  f.SetHead("D:/new/dir");
  EXPECT_EQ("D:", S(f.GetMount()));
  EXPECT_EQ("\\new\\dir\\", S(f.GetPath()));
  EXPECT_FALSE(f.HasBase());
  EXPECT_FALSE(f.HasExtension());
  f.SetHead("\\\\srv\\share");
  EXPECT_EQ("\\\\srv\\share", S(f.GetMount()));
  EXPECT_EQ("\\", S(f.GetPath()));
  f.SetHead("");
  EXPECT_TRUE(f.IsEmpty());
}

TEST(FileNameParse, CopiesAreIndependent) {
  FileName a("C:\\a\\b.c");
  FileName b(a);
  FileName c;
  c = a;
  b.SetBase("other");
  c.SetPath("\\z");
  EXPECT_EQ("C:\\a\\b.c", S(a.GetName()));
  EXPECT_EQ("C:\\a\\other.c", S(b.GetName()));
  EXPECT_EQ("C:\\z\\b.c", S(c.GetName()));
  a = a;
  EXPECT_EQ("C:\\a\\b.c", S(a.GetName()));
}

TEST(FileNameParse, AssigningOwnFullNameTextIsSafe) {
  FileName f("C:\\a\\b.c");
  const char *own = f;
  f = own;
  EXPECT_EQ("C:\\a\\b.c", S(f.GetName()));
  f.SetFullName(static_cast<const char *>(f));
  EXPECT_EQ("C:\\a\\b.c", S(f.GetName()));
}

TEST(FileNameParse, HasExtensionIgnoresCaseAndDot) {
  FileName f("C:/work//src/./main.CPP");
  EXPECT_TRUE(f.HasExtension("cpp"));
  EXPECT_TRUE(f.HasExtension(".Cpp"));
  EXPECT_FALSE(f.HasExtension("c"));
  EXPECT_FALSE(f.HasExtension(nullptr));
  FileName none("README");
  EXPECT_TRUE(none.HasExtension(""));
  EXPECT_TRUE(none.HasExtension(nullptr));
  EXPECT_FALSE(none.HasExtension("txt"));
}

TEST(FileNameParse, SplitterLeavesFlagUnusedAndCollapsesSeparators) {
  Port::StringBase<char> mount, dir, base, ext;
  Port::tsplitpath("C:\\\\a//b\\c.d.e", mount, dir, base, ext, true);
  EXPECT_EQ("C:", S(mount));
  EXPECT_EQ("\\a/b\\", S(dir));
  EXPECT_EQ("c.d", S(base));
  EXPECT_EQ(".e", S(ext));
}

TEST(FileNameParse, RemoveSlashCollapsesRuns) {
  const struct {
    const char *in, *out;
  } cases[] = {{"a\\\\\\b", "a\\b"}, {"\\\\", "\\"}, {"a/\\b", "a/b"}, {"abc", "abc"}, {"", ""}};
  for (const auto &c : cases) {
    Port::StringBase<char> s(c.in);
    Port::removeslash(s);
    EXPECT_EQ(c.out, S(s)) << c.in;
  }
}

TEST(FileNameParse, NetworkNamesAreRecognised) {
  typedef Port::StringBase<char> Str;
  EXPECT_TRUE(Port::FileNameImpl::IsRemoteName(Str("\\\\srv\\x")));
  EXPECT_FALSE(Port::FileNameImpl::IsRemoteName(Str("\\\\srv\\c:")));
  EXPECT_FALSE(Port::FileNameImpl::IsRemoteName(Str("\\srv")));
  EXPECT_FALSE(Port::FileNameImpl::IsRemoteName(Str("")));
}

} // namespace

namespace {

// Every name of up to five characters over an alphabet of the characters that matter: the
// object stays valid, and reading back its name and parsing that again gives the same object.
TEST(FileNameParse, EveryShortNameLeavesValidStableObject) {
  const char alphabet[] = {'a', '.', '\\', '/', ':'};
  std::string name;
  std::vector<int> digits;
  for (int len = 0; len <= 5; ++len) {
    digits.assign(len, 0);
    for (;;) {
      name.clear();
      for (int d : digits)
        name += alphabet[d];
      FileName f(name.c_str());
      ExpectValid(f);
      FileName again(S(f.GetName()).c_str());
      EXPECT_EQ(S(f.GetName()), S(again.GetName())) << '"' << name << '"';
      FileName normal(S(f.Normalize()).c_str());
      ExpectValid(normal);
      const std::string shortName = S(f.GetAbbreviatedName(3));
      EXPECT_TRUE(shortName.size() <= 3 || shortName == S(f.GetTail())) << '"' << name << '"';
      int i = 0;
      while (i < len && ++digits[i] == 5)
        digits[i++] = 0;
      if (i == len)
        break;
      if (::testing::Test::HasFailure())
        return;
    }
  }
}

} // namespace
