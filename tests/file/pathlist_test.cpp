// The installation search path built at start-up, the start-up exits for an unusable
// installation, and the list itself.
#include "Port_PathList.h"
#include "child_process.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

using porttest::ChildResult;
using porttest::kUnset;
using porttest::runProgram;
using porttest::TempTree;
using porttest::testProgram;

namespace {
ChildResult startWith(const std::string &quelmo, const std::string &myquelmo = kUnset,
                      const std::string &qelenv = kUnset, const std::string &myqelenv = kUnset) {
  return runProgram(testProgram("pathprobe"), {},
                    {{"QUELMO", quelmo},
                     {"MYQUELMO", myquelmo},
                     {"QELENV", qelenv},
                     {"MYQELENV", myqelenv},
                     {"QEL_NOMSGBOX", "1"}});
}
} // namespace

TEST(QuelmoStartUp, UnusableInstallationsEndTheProcessWithTheirStatus) {
  TempTree tree;
  const std::string bare = tree.mkdir("bare");
  const std::string dataOnly = tree.mkdir("dataonly/data");
  const std::string valid = tree.installation("valid");
  const struct {
    std::string quelmo;
    std::string myquelmo;
    int status;
    std::string err;
  } cases[] = {
      {kUnset, kUnset, 11, "The QUELMO environment variable is not set or is empty.\n"},
      {"", kUnset, 11, "The QUELMO environment variable is not set or is empty.\n"},
      {kUnset, valid, 11, "The QUELMO environment variable is not set or is empty.\n"},
      {tree.root() + "/missing", kUnset, 13,
       "The QUELMO directory \"" + tree.root() +
           "/missing\" does not exist.\n"
           "The QUELMO environment variable does not point to any directories.  Current setting is "
           "QUELMO=\"" +
           tree.root() + "/missing\"\n"},
      {bare, kUnset, 14,
       "None of the QUELMO directories contain a \"data\" subdirectory. Current setting is "
       "QUELMO=\"" +
           bare + "\"\n"},
      {tree.root() + "/dataonly", kUnset, 15,
       "None of the QUELMO directories contain a \"bin\" subdirectory. Current setting is "
       "QUELMO=\"" +
           tree.root() + "/dataonly\"\n"},
  };
  for (const auto &c : cases) {
    const ChildResult r = startWith(c.quelmo, c.myquelmo);
    EXPECT_EQ(c.status, r.status) << c.quelmo;
    EXPECT_EQ(c.err, r.err) << c.quelmo;
    EXPECT_EQ("", r.out);
  }
}

TEST(QuelmoStartUp, MissingDirectoryIsSkippedWithOneLine) {
  TempTree tree;
  const std::string valid = tree.installation("inst");
  const ChildResult r = startWith(tree.root() + "/nowhere;" + valid);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("The QUELMO directory \"" + tree.root() + "/nowhere\" does not exist.\n", r.err);
  EXPECT_EQ("quelmo: " + valid + "\nlast: " + valid + "\n", r.out);
}

TEST(QuelmoStartUp, PercentSignsInTheSettingPrintAsTheyAre) {
  TempTree tree;
  const std::string odd = tree.root() + "/100%s%d%n";
  const ChildResult r = startWith(odd);
  EXPECT_EQ(13, r.status);
  EXPECT_EQ(
      "The QUELMO directory \"" + odd +
          "\" does not exist.\n"
          "The QUELMO environment variable does not point to any directories.  Current setting "
          "is QUELMO=\"" +
          odd + "\"\n",
      r.err);
}

TEST(QuelmoStartUp, PrivateDirectoryFirstThenInstallationsInOrder) {
  TempTree tree;
  const std::string first = tree.installation("first");
  const std::string second = tree.installation("second");
  const std::string mine = tree.mkdir("mine"); // needs neither data nor bin
  const ChildResult r = startWith(first + ";" + second, mine);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_EQ("quelmo: " + mine + "\nquelmo: " + first + "\nquelmo: " + second + "\nlast: " + second +
                "\n",
            r.out);
}

TEST(QuelmoStartUp, EntriesAreTrimmedAndUseForwardSlashes) {
  TempTree tree;
  const std::string inst = tree.installation("inst");
  std::string windowsForm = inst;
  for (char &c : windowsForm)
    if (c == '/')
      c = '\\';
  const ChildResult r = startWith("  \t" + windowsForm + "\\\\  ;;", " C:" + tree.root() + "/ ");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("quelmo: C:" + tree.root() + "\nquelmo: " + inst + "\nlast: " + inst + "\n", r.out);
}

TEST(QuelmoStartUp, PrivateValueThatIsNoDirectoryIsIgnoredSilently) {
  TempTree tree;
  const std::string inst = tree.installation("inst");
  const ChildResult r = startWith(inst, tree.root() + "/absent;" + inst);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_EQ("quelmo: " + inst + "\nlast: " + inst + "\n", r.out);
}

TEST(QelenvPath, PrivateThenListedDirectoriesThatExist) {
  TempTree tree;
  const std::string inst = tree.installation("inst");
  const std::string a = tree.mkdir("a"), b = tree.mkdir("b"), mine = tree.mkdir("mine");
  const ChildResult r = startWith(inst, kUnset, a + ";" + tree.root() + "/none;" + b, mine);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_NE(std::string::npos,
            r.out.find("qelenv: " + mine + "\nqelenv: " + a + "\nqelenv: " + b + "\n"));
}

TEST(PathList, NormalizesDirectoryTexts) {
  const struct {
    const char *in, *out;
  } cases[] = {
      {" /a/b/ ", "/a/b"}, {"\\a\\b\\\\", "/a/b"},  {"/", "/"},
      {"///", "/"},        {"C:///", "C:/"},        {"C:/", "C:"},
      {"C:\\x\\", "C:/x"}, {"rel/dir/", "rel/dir"}, {"\t\r\n", ""},
  };
  for (const auto &c : cases) {
    Port::StringBase<char> s(c.in);
    Port::NormalizePath(&s);
    EXPECT_STREQ(c.out, s.GetBuffer()) << c.in;
  }
}

TEST(PathList, DirectoryTestAcceptsDriveRootsAndTrailingSeparators) {
  TempTree tree;
  const struct {
    std::string path;
    bool dir;
  } cases[] = {{tree.root(), true},
               {tree.root() + "/", true},
               {tree.root() + "\\", true},
               {"C:", true},
               {"C:\\", true},
               {"/", true},
               {"D:\\", false},
               {"", false},
               {tree.root() + "/no", false}};
  for (const auto &c : cases)
    EXPECT_EQ(c.dir, Port::isDir(Port::StringBase<char>(c.path.c_str()))) << c.path;
}

TEST(PathList, IteratesBothWaysAndCopiesTheTexts) {
  Port::PathList list;
  EXPECT_EQ(list.end(), list.last());
  list.push_back("one");
  list.push_back("two");
  Port::PathList copy(list);
  list.push_back("three");
  EXPECT_EQ(2, copy.size());
  EXPECT_EQ(3, list.size());
  Port::PathListIterator it = list.last();
  EXPECT_STREQ("three", it->GetBuffer());
  it--;
  EXPECT_STREQ("two", (*it).GetBuffer());
  --it;
  EXPECT_EQ(list.begin(), it);
  EXPECT_STREQ("two", (*copy.last()).GetBuffer());
}

TEST(PathList, TheShippedInstallationIsTheSearchPath) {
  const Port::PathList *q = Port::QuelmoPath::GetInstance();
  ASSERT_NE(nullptr, q);
  ASSERT_GE(q->size(), 1);
  EXPECT_NE(q->end(), q->last());
}
