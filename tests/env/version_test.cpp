// Version data: fileset.txt parsing and ordering, dated queries, the banner, a missing file.
#include "Port_Version.h"

#include "capture_manager.h"
#include "child_process.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

std::vector<std::string> strings(const std::vector<Port::StringBase<char>> &v) {
  std::vector<std::string> out;
  for (const auto &s : v)
    out.push_back(s.GetBuffer());
  return out;
}

class VersionFile : public testing::Test {
protected:
  std::string file(const std::string &content) {
    return m_tree.write("v" + std::to_string(++m_n) + "/fileset.txt", content);
  }
  porttest::TempTree m_tree;
  int m_n = 0;
};

TEST_F(VersionFile, LatestDateWinsAndListsAreLatestFirst) {
  const std::string f = file("Mon Nov 30 09:00:00 2026 :: version = 1.0\n"
                             "Thu Dec 10 09:00:00 2026 :: version = 1.1\n"
                             "Tue Dec  1 09:00:00 2026 :: version = 1.05\n");
  EXPECT_STREQ("1.1", Port::Version::getValueInstall("version", f.c_str()).GetBuffer());
  EXPECT_EQ((std::vector<std::string>{"1.1", "1.05", "1.0"}),
            strings(Port::Version::getValueList("version", f.c_str())));
}

TEST_F(VersionFile, EqualDatesPutTheLaterLineFirst) {
  const std::string f = file("Mon Nov 30 09:00:00 2026 :: build = first\n"
                             "Mon Nov 30 09:00:00 2026 :: build = second\n");
  EXPECT_STREQ("second", Port::Version::getValueInstall("build", f.c_str()).GetBuffer());
  EXPECT_EQ((std::vector<std::string>{"second", "first"}),
            strings(Port::Version::getValueList("build", f.c_str())));
}

// Dated queries read the installation's file: a child process with an installation of its own.
TEST(VersionInstall, DatedQueryNeedsAnExactDate) {
  porttest::TempTree tree;
  const std::string inst = tree.installation("inst");
  tree.write("inst/fileset.txt", "Mon Nov 30 09:00:00 2026 :: version = 1.0\n"
                                 "Thu Dec 10 09:00:00 2026 :: version = 1.1\n");
  const struct {
    const char *key, *when, *expected;
  } cases[] = {
      {"version", "Mon Nov 30 09:00:00 2026", "1.0"},
      {"version", "Tue Dec  1 09:00:00 2026", ""},
      {"version", "not a date", ""},
      {"version", "", "1.1"},
      {"unknown", "", ""},
  };
  for (const auto &c : cases) {
    const auto r = porttest::runProgram(porttest::testProgram("versionprobe"), {c.key, c.when},
                                        {{"QUELMO", inst}, {"MYQUELMO", porttest::kUnset}});
    EXPECT_EQ(std::string("value=[") + c.expected + "]\n", r.out) << c.key << " at " << c.when;
  }
}

TEST_F(VersionFile, FieldsAreSplitAndTrimmed) {
  const std::string f = file("Thu Dec 10 09:00:00 2026 ::  version =\t1.1 \t\n"
                             "Thu Dec 10 09:00:00 2026 :: summary=first line\n"
                             "garbage :: version = undated\n"
                             "no separator = here\n"
                             "Thu Dec 10 09:00:00 2026 :: no equals\n");
  // An unreadable date sorts before every real one.
  EXPECT_EQ((std::vector<std::string>{"1.1", "undated"}),
            strings(Port::Version::getValueList("version", f.c_str())));
  EXPECT_EQ(std::vector<std::string>{"first line\n"},
            strings(Port::Version::getValueList("summary", f.c_str())));
  EXPECT_TRUE(Port::Version::getValueList("no separator", f.c_str()).empty());
  EXPECT_TRUE(Port::Version::getValueList("no equals", f.c_str()).empty());
}

TEST(VersionTime, ConvertReadsTheCLibraryDateForm) {
  const long a = Port::Version_Time::Convert("Thu Dec 10 09:00:00 2026", -2);
  const long b = Port::Version_Time::Convert("Thu Dec 10 09:00:01 2026", -2);
  EXPECT_GT(a, 0);
  EXPECT_EQ(1, b - a);
  EXPECT_EQ(-2, Port::Version_Time::Convert("Thu Dec 10 2026", -2));
  EXPECT_EQ(-2, Port::Version_Time::Convert("Thu Dec 10 9h 2026", -2));
  // an unknown month counts as January
  EXPECT_EQ(Port::Version_Time::Convert("Thu Jan 10 09:00:00 2026", -2),
            Port::Version_Time::Convert("Thu Foo 10 09:00:00 2026", -2));
}

TEST(Version, BannerFromTheShippedFile) {
  EXPECT_STREQ("Release 1.1 tool build", Port::Version::toString("tool", "build").GetBuffer());
  porttest::CaptureManager capture;
  {
    porttest::ScopedManager scoped(&capture);
    Port::Version::init("tool", "build");
  }
  const auto entries = capture.entries();
  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ(L"Release 1.1 - tool build\n", entries[0].lines[0]);
  EXPECT_EQ(0u, entries[1].lines[0].find(L"Copyright"));
}

TEST_F(VersionFile, FilesAreKeptApartAndReadOnce) {
  const std::string a = file("Mon Nov 30 09:00:00 2026 :: version = A\n");
  const std::string b = file("Mon Nov 30 09:00:00 2026 :: version = B\n");
  EXPECT_STREQ("A", Port::Version::getValueInstall("version", a.c_str()).GetBuffer());
  EXPECT_EQ(std::vector<std::string>{"B"},
            strings(Port::Version::getValueList("version", b.c_str())));
  EXPECT_STREQ("A", Port::Version::getValueInstall("version", a.c_str()).GetBuffer());
  EXPECT_STREQ("1.1", Port::Version::getValue("version").GetBuffer()); // the installation's
}

TEST(VersionConcurrency, QueriesFromManyThreadsAgree) {
  porttest::TempTree tree;
  const std::string f = tree.write("fileset.txt", "Mon Nov 30 09:00:00 2026 :: version = 7\n");
  std::vector<std::thread> threads;
  std::vector<int> ok(8, 0);
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i)
        ok[t] += Port::Version::getValueInstall("version", f.c_str()) == "7" ? 1 : 0;
    });
  for (auto &t : threads)
    t.join();
  for (int n : ok)
    EXPECT_EQ(200, n);
}

TEST(VersionInstall, MissingFileGivesOneErrorAndEmptyAnswers) {
  porttest::TempTree tree;
  const std::string inst = tree.installation("inst");
  const auto r = porttest::runProgram(porttest::testProgram("versionprobe"), {},
                                      {{"QUELMO", inst}, {"MYQUELMO", porttest::kUnset}});
  EXPECT_EQ("version=[] list=0 banner=[Release  tool build]\n", r.out);
  size_t n = 0;
  for (size_t at = r.err.find("There is no readable fileset.txt"); at != std::string::npos;
       at = r.err.find("There is no readable fileset.txt", at + 1))
    ++n;
  EXPECT_EQ(1u, n) << r.err;
}

} // namespace
