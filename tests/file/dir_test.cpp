// Directory listings and their iterators.
#include "Port_Exception.h"
#include "basutdir.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using porttest::TempTree;

namespace {
std::multiset<std::string> namesOf(const UT_DIR &dir, const char *pattern = nullptr) {
  std::multiset<std::string> names;
  for (UT_DIR_ITERATOR it = pattern ? dir.begin(pattern) : dir.begin(); it != dir.end(); ++it)
    names.insert(*it);
  return names;
}
} // namespace

TEST(Directories, ListsEveryEntryOrSkipsDotNames) {
  TempTree tree;
  tree.write("d/a.txt", "a");
  tree.write("d/b.log", "b");
  tree.write("d/.hidden", "h");
  tree.mkdir("d/sub");
  const UT_DIR all((tree.root() + "/d").c_str(), 0);
  EXPECT_TRUE(all.isvalid());
  EXPECT_EQ((std::multiset<std::string>{".", "..", ".hidden", "a.txt", "b.log", "sub"}),
            namesOf(all));
  const UT_DIR visible((tree.root() + "\\d\\").c_str(), 1);
  EXPECT_EQ((std::multiset<std::string>{"a.txt", "b.log", "sub"}), namesOf(visible));
}

TEST(Directories, PatternsIgnoreCaseAndTheFilteredWalkReachesTheEnd) {
  TempTree tree;
  tree.write("d/a.txt", "a");
  tree.write("d/B.TXT", "b");
  tree.write("d/c.log", "c");
  const UT_DIR dir((tree.root() + "/d").c_str(), 1);
  EXPECT_EQ((std::multiset<std::string>{"a.txt", "B.TXT"}), namesOf(dir, "*.TXT"));
  EXPECT_EQ((std::multiset<std::string>{"c.log"}), namesOf(dir, "?.lOg"));
  EXPECT_EQ(dir.end(), dir.begin("*.none"));
  UT_DIR_ITERATOR it = dir.begin("c*");
  EXPECT_STREQ("c.log", *it++);
  EXPECT_EQ(dir.end(), it);
  EXPECT_TRUE(UT_DIR::match_names("*.TXT", "a.txt"));
  EXPECT_FALSE(UT_DIR::match_names("*.TXT", "a.txt.bak"));
}

TEST(Directories, MissingDirectoryOrNullPathGivesAnInvalidEmptyListing) {
  TempTree tree;
  for (const UT_DIR *dir : {new UT_DIR((tree.root() + "/none").c_str(), 0), new UT_DIR(nullptr, 0),
                            new UT_DIR("Q:\\other\\drive", 0)}) {
    EXPECT_FALSE(dir->isvalid());
    EXPECT_EQ(dir->begin(), dir->end());
    delete dir;
  }
}

TEST(Directories, AssignmentCopiesTheNames) {
  TempTree tree;
  tree.write("d/x", "x");
  UT_DIR target(nullptr, 0);
  {
    const UT_DIR source((tree.root() + "/d").c_str(), 1);
    target = source;
  }
  EXPECT_TRUE(target.isvalid());
  EXPECT_EQ((std::multiset<std::string>{"x"}), namesOf(target));
}

TEST(Directories, IteratorOfNoListingThrowsNullPointer) {
  const UT_DIR_ITERATOR lost;
  EXPECT_THROW(*lost, Port::NullPointerException);
  const UT_DIR empty(nullptr, 0);
  EXPECT_THROW(*empty.end(), Port::NullPointerException);
}

TEST(Directories, CopyConstructionIsFatal) {
  TempTree tree;
  const UT_DIR dir(tree.root().c_str(), 0);
  EXPECT_EXIT({ UT_DIR copy(dir); }, ::testing::ExitedWithCode(19), "Copy constructor not allowed");
}
