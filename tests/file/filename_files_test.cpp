// Names whose components hold a colon reach their files: a colon is an ordinary character of a
// name on this platform, and only a drive at the start of a name is a mount.
#include "Port_File.h"
#include "Port_FileName.h"
#include "basutdir.h"
#include "file_test_util.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

using Port::FileName;
namespace fs = std::filesystem;

namespace {

std::string S(const Port::StringBase<char> &s) { return std::string(s.GetBuffer(), s.GetLength()); }

std::string readAll(UT_STREAM *s) {
  std::string r;
  unsigned char buf[64];
  while (unsigned n = s->read(buf, sizeof buf))
    r.append(reinterpret_cast<char *>(buf), n);
  return r;
}

class ColonNameTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_dir = m_tree.mkdir("runs:2026");
    filetest::spit(m_dir + "/run_12:30.log", "twelve thirty");
    filetest::spit(m_dir + "/at:", "");
  }
  porttest::TempTree m_tree;
  std::string m_dir;
};

TEST_F(ColonNameTest, AbsoluteNameIsTestedOpenedAndListed) {
  FileName dir(m_dir.c_str());
  EXPECT_EQ("runs:2026", S(dir.GetBase()));
  EXPECT_TRUE(Port_File::isdir(dir));

  FileName file((m_dir + "\\run_12:30.log").c_str());
  EXPECT_EQ("run_12:30", S(file.GetBase()));
  EXPECT_TRUE(Port_File::exist(file));
  EXPECT_TRUE(Port_File::isfile(file));
  EXPECT_TRUE(Port_File::canread(file));
  EXPECT_FALSE(Port_File::isdir(file));

  UT_STREAM *in = Port_File::open(file, UT_STREAM::Read, 0);
  ASSERT_NE(nullptr, in);
  EXPECT_EQ("twelve thirty", readAll(in));
  EXPECT_TRUE(Port_File::close(in));

  const UT_DIR listing(S(dir.GetFullName()).c_str(), 1);
  std::set<std::string> names;
  for (UT_DIR_ITERATOR it = listing.begin("*.log"); it != listing.end(); ++it)
    names.insert(*it);
  EXPECT_EQ(std::set<std::string>{"run_12:30.log"}, names);
}

TEST_F(ColonNameTest, RelativeNameIsFoundInTheCurrentDirectory) {
  const fs::path saved = fs::current_path();
  fs::current_path(m_dir);
  const bool found = Port_File::isfile(FileName("run_12:30.log"));
  const bool endsInColon = Port_File::exist(FileName("at:"));
  UT_STREAM *out = Port_File::open(FileName("new:one.txt"), UT_STREAM::Write, 1);
  if (out) {
    out->write(reinterpret_cast<const unsigned char *>("x"), 1);
    Port_File::close(out);
  }
  fs::current_path(saved);
  EXPECT_TRUE(found);
  EXPECT_TRUE(endsInColon);
  ASSERT_NE(nullptr, out);
  EXPECT_EQ("x", filetest::slurp(m_dir + "/new:one.txt"));
}

} // namespace
