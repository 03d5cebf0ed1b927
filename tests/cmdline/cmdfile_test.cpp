// Command files: reading, quotes and comments, the entry limit, the byte check, and writing a
// vector back so that it reads the same.
#include "basutcmdfil.h"

#include "capture_manager.h"
#include "child_process.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

std::vector<std::string> vec(const UT_CMDFILE &f) {
  std::vector<std::string> out;
  for (int i = 0; i < f.getargc(); ++i)
    out.push_back(f.getargv()[i]);
  if (f.getargc() > 0) {
    EXPECT_EQ(nullptr, f.getargv()[f.getargc()]);
  }
  return out;
}

class CmdFile : public testing::Test {
protected:
  std::string write(const std::string &content) { return m_tree.write("args.txt", content); }
  porttest::TempTree m_tree;
  porttest::CaptureManager m_capture;
  porttest::ScopedManager m_scoped{&m_capture};
};

TEST_F(CmdFile, QuotesCommentsAndBlanks) {
  UT_CMDFILE f;
  ASSERT_TRUE(f.load(write("a \"b c\" d # e f\n\n\t\"say \"\"hi\"\"\"  \"\"x\nlast").c_str(), 0));
  EXPECT_EQ((std::vector<std::string>{"a", "b c", "d", "say \"hi\"", "", "x", "last"}), vec(f));
}

TEST_F(CmdFile, UnmatchedQuoteFailsNamingTheFile) {
  UT_CMDFILE f;
  const std::string name = write("ok\n\"abc\n");
  EXPECT_FALSE(f.load(name.c_str(), 0));
  EXPECT_FALSE(f.loadstat());
  EXPECT_EQ((std::vector<std::string>{"ok"}), vec(f)); // what was read stays
  EXPECT_NE(std::wstring::npos, m_capture.lastFirstLine().find(L"Unmatched double quote found"));
}

TEST_F(CmdFile, ArgumentVectorIsExpandedInPlace) {
  const std::string name = write("-y 3\n");
  const char *argv[] = {"tool", "-f", name.c_str(), "-x", "-f"};
  UT_CMDFILE f(5, argv);
  EXPECT_TRUE(f.loadstat());
  EXPECT_EQ((std::vector<std::string>{"tool", "-y", "3", "-x"}), vec(f));
}

TEST_F(CmdFile, MissingFileIsReported) {
  UT_CMDFILE f;
  EXPECT_FALSE(f.load((m_tree.root() + "/none").c_str(), 0));
  EXPECT_NE(std::wstring::npos, m_capture.lastFirstLine().find(L"Unable to open command file"));
  EXPECT_EQ(nullptr, f.getargv());
}

TEST_F(CmdFile, AtMost256EntriesInAll) {
  std::string many;
  for (int i = 0; i < 255; ++i)
    many += "w\n";
  const std::string name = write(many);
  const char *argv[] = {"tool", "-f", name.c_str()};
  UT_CMDFILE fits(3, argv);
  EXPECT_TRUE(fits.loadstat());
  EXPECT_EQ(256, fits.getargc());
  const char *argv2[] = {"tool", "extra", "-f", name.c_str()};
  UT_CMDFILE over(4, argv2);
  EXPECT_FALSE(over.loadstat());
  EXPECT_EQ(256, over.getargc());
}

TEST_F(CmdFile, EveryVectorRoundTripsThroughUnloadAndLoad) {
  const char *argv[] = {"tool", "plain",       "two words", "tab\there", "say \"hi\"",
                        "",     "#notcomment", "\"",        "-f",        "x"};
  UT_CMDFILE original(8, argv); // "-f x" stays out: it would be expanded
  const std::string out = m_tree.root() + "/out.txt";
  ASSERT_TRUE(original.unload(out.c_str(), 1));
  UT_CMDFILE back;
  ASSERT_TRUE(back.load(out.c_str(), 0));
  std::vector<std::string> expected = vec(original);
  expected.erase(expected.begin());
  EXPECT_EQ(expected, vec(back));
}

TEST_F(CmdFile, UnloadToAnUnwritablePlaceFails) {
  const char *argv[] = {"a"};
  UT_CMDFILE f(1, argv);
  EXPECT_FALSE(f.unload((m_tree.root() + "/no/such/dir/out.txt").c_str(), 0));
  EXPECT_NE(std::wstring::npos, m_capture.lastFirstLine().find(L"Unable to open command file"));
}

// The byte check depends on the user's locale, which the platform reads once per process.
TEST(CmdFileLocale, HighByteIsRejectedOnlyUnderAnEnglishLocale) {
  porttest::TempTree tree;
  const std::string name = tree.write("args.txt", "caf\xe9 x\n");
  const std::string program = porttest::testProgram("cmdfileprobe");
  auto r = porttest::runProgram(program, {name}, {{"LC_ALL", "en_US"}});
  EXPECT_NE(std::string::npos, r.err.find("Invalid file format, check the command argument file"));
  EXPECT_EQ("load=0 argc=0\n", r.out);
  r = porttest::runProgram(program, {name}, {{"LC_ALL", "fr_FR"}});
  EXPECT_EQ("load=1 argc=2\n", r.out) << r.err;
}

} // namespace
