// UT_PATH: cutting path texts and the 8.3 test.
#include "basutpath.h"

#include <gtest/gtest.h>

#include <string>

namespace {
// What a cutting operation returned: the offset of the pointer in the path (-1 for null) and
// the text written to dst.
struct Cut {
  long offset;
  std::string dst;
  bool operator==(const Cut &o) const { return offset == o.offset && dst == o.dst; }
};
std::ostream &operator<<(std::ostream &os, const Cut &c) {
  return os << c.offset << " \"" << c.dst << "\"";
}

Cut cut(const char *(*op)(const char *, char *), const char *path) {
  char dst[256] = "garbage";
  const char *p = op(path, dst);
  return Cut{p ? p - path : -1, dst};
}
} // namespace

TEST(UtPath, CutsPathsAtTheLastSlashAndDot) {
  const struct {
    const char *(*op)(const char *, char *);
    const char *name;
    const char *path;
    Cut expected;
  } cases[] = {
      {&UT_PATH::GetTail, "tail", "/a/b/file.txt", {5, "file.txt"}},
      {&UT_PATH::GetTail, "tail", "file", {0, "file"}},
      {&UT_PATH::GetHead, "head", "/a/b/file.txt", {5, "/a/b"}},
      {&UT_PATH::GetHead, "head", "file.txt", {-1, ""}},
      {&UT_PATH::GetExt, "ext", "/a/file.tar.gz", {12, "gz"}},
      {&UT_PATH::GetExt, "ext", "dir.old/file", {-1, ""}},
      {&UT_PATH::GetRoot, "root", "/a/file.tar.gz", {12, "/a/file.tar"}},
      {&UT_PATH::GetRoot, "root", "dir.old/file", {-1, "dir.old/file"}},
      {&UT_PATH::GetBase, "base", "/a/file.tar.gz", {3, "file.tar"}},
      {&UT_PATH::GetBase, "base", "/a/..", {3, ".."}},
      {&UT_PATH::GetBase, "base", ".", {0, "."}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.expected, cut(c.op, c.path)) << c.name << " of " << c.path;
}

TEST(UtPath, WritableFormsPointIntoTheCallersBuffer) {
  char path[] = "x/y.c";
  char *ext = UT_PATH::GetExt(path, nullptr);
  ASSERT_NE(nullptr, ext);
  EXPECT_EQ(path + 4, ext);
  EXPECT_EQ(path + 2, UT_PATH::GetTail(path, nullptr));
}

TEST(UtPath, ConvertsBetweenInternalAndExternalForms) {
  char a[] = "C:\\Work\\Src\\Main.CPP";
  EXPECT_STREQ("c:/work/src/main.cpp", UT_PATH::InternalPath(a));
  char b[] = "c:/work/src";
  EXPECT_STREQ("c:\\work\\src", UT_PATH::ExternalPath(b));
}

TEST(UtPath, DosNames) {
  const struct {
    const char *path;
    bool dos;
  } cases[] = {{"c:/tools/readme.txt", true},
               {"c:/tools/longfilename.txt", false},
               {"c:/a+b/x.c", false},
               {"readme.text", false},
               {"../x/./y.h", true},
               {"", false},
               {nullptr, false},
               {"ab[1].c", false},
               {"/usr/bin", true},
               {".hidden", false}};
  for (const auto &c : cases)
    EXPECT_EQ(c.dos, UT_PATH::IsDos(c.path)) << (c.path ? c.path : "(null)");
}
