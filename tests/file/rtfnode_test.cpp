// Directory-tree nodes: lazy reading one level at a time and case-blind names.
#include "Port_RtfNode.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

namespace {

// Windows form of a temporary path: backslashes throughout.
Port::StringBase<char> windowsPath(std::string path) {
  for (char &c : path)
    if (c == '/')
      c = '\\';
  return Port::StringBase<char>(("C:" + path).c_str());
}

class RtfNodeTest : public ::testing::Test {
protected:
  void SetUp() override {
    tree.write("proj/src/main.c", "int main;\n");
    tree.write("proj/src/deep/inner/leaf.h", "");
    tree.write("proj/readme.txt", "");
    tree.write("proj/.hidden", "");
  }
  porttest::TempTree tree;
};

TEST_F(RtfNodeTest, ExistFollowsPathsIgnoringCase) {
  Port::RtfNode root(windowsPath(tree.root() + "/proj"));
  root.Read();
  const struct {
    const char *relative;
    bool exists;
  } cases[] = {
      {"src\\MAIN.C", true},
      {"SRC", true},
      {"readme.txt", true},
      {"Src\\Deep\\INNER\\leaf.h", true},
      {"src\\other.c", false},
      {"src\\", false},         // the empty last component matches nothing
      {"src\\\\main.c", false}, // nor an empty one in the middle
      {"", false},
      {".hidden", false},       // dot names are left out of listings
      {"readme.txt\\x", false}, // a file has no children
      {"src\\deep\\inner\\leaf.h\\", false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(root.Exist(c.relative), c.exists) << c.relative;
}

TEST_F(RtfNodeTest, UnreadRootKnowsNothing) {
  Port::RtfNode root(windowsPath(tree.root() + "/proj"));
  EXPECT_FALSE(root.Exist("src"));
  EXPECT_FALSE(root.Exist("readme.txt"));
}

TEST_F(RtfNodeTest, ReadListsOnceAndCopiesCarryTheListing) {
  Port::RtfNode root(windowsPath(tree.root() + "/proj"));
  root.Read();
  ASSERT_TRUE(root.Exist("src\\main.c")); // reads src
  tree.write("proj/later.txt", "");
  tree.write("proj/src/later.c", "");
  root.Read();
  EXPECT_FALSE(root.Exist("later.txt"));
  EXPECT_FALSE(root.Exist("src\\later.c")); // src was read before the file came

  Port::RtfNode copy(root);
  EXPECT_TRUE(copy.Exist("src\\main.c"));
  EXPECT_FALSE(copy.Exist("src\\later.c"));
  Port::RtfNode assigned("other");
  assigned = root;
  EXPECT_TRUE(assigned.Exist("SRC\\main.c"));
  EXPECT_TRUE(assigned == "PROJ");
}

TEST_F(RtfNodeTest, NameIsTheLastComponent) {
  EXPECT_EQ(std::string(Port::RtfNode("C:\\a\\b\\Leaf").GetName()), "Leaf");
  EXPECT_EQ(std::string(Port::RtfNode("plain").GetName()), "plain");
  EXPECT_TRUE(Port::RtfNode("C:\\a\\Leaf") == "lEAF");
  EXPECT_FALSE(Port::RtfNode("C:\\a\\Leaf") == "Lea");
}

TEST_F(RtfNodeTest, MissingDirectoryHasNoChildren) {
  Port::RtfNode root(windowsPath(tree.root() + "/nothing"));
  root.Read();
  EXPECT_FALSE(root.Exist("x"));
}

} // namespace
