// Installation files found along the search path, and the reports of private overrides.
#include "child_process.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

using porttest::ChildResult;
using porttest::kUnset;
using porttest::quietEnv;
using porttest::runProgram;
using porttest::TempTree;
using porttest::testProgram;

namespace {
class EnvFiles : public ::testing::Test {
protected:
  void SetUp() override {
    inst = tree.installation("inst");
    mine = tree.mkdir("mine");
  }
  ChildResult probe(const std::vector<std::string> &args,
                    std::map<std::string, std::string> env = {}) {
    env.emplace("QUELMO", inst);
    env.emplace("MYQUELMO", mine);
    env.emplace("QUELMO_VERBOSE_OVERRIDES", kUnset);
    env.emplace("QEL_MAXLINEWIDTH", "1000");
    return runProgram(testProgram("envfileprobe"), args, quietEnv(env));
  }
  TempTree tree;
  std::string inst, mine;
};

std::string overrideLine(const std::string &name, const std::string &local) {
  return "Overriding Quelmo file <" + name + "> with local file <" + local + ">\n";
}
} // namespace

TEST_F(EnvFiles, PrivateCopyWinsAndIsReportedOnceByDefault) {
  tree.write("inst/data/cells.dat", "i");
  tree.write("mine/data/cells.dat", "m");
  tree.write("inst/data/pins.dat", "i");
  tree.write("mine/data/pins.dat", "m");
  const ChildResult r = probe({"data", "cells.dat", "1", "data", "pins.dat", "1"});
  EXPECT_EQ(0, r.status);
  // The report (a status message) comes before the name is returned; the second override
  // is not reported.
  EXPECT_EQ(overrideLine("cells.dat", mine + "/data/cells.dat") + mine + "/data/cells.dat\n" +
                mine + "/data/pins.dat\n",
            r.out);
}

TEST_F(EnvFiles, OverrideReportsFollowTheVariable) {
  const struct {
    const char *value;
    int reports;
    bool unrecognized;
  } cases[] = {{kUnset, 1, false}, {"no", 1, false},  {"One", 1, false}, {"none", 0, false},
               {"NONE", 0, false}, {"yes", 2, false}, {"aLL", 2, false}, {"maybe", 1, true}};
  for (const auto &c : cases) {
    const ChildResult r =
        probe({"override", "a.dat", "/x/a.dat"}, {{"QUELMO_VERBOSE_OVERRIDES", c.value}});
    int reports = 0;
    for (size_t p = r.out.find("Overriding"); p != std::string::npos;
         p = r.out.find("Overriding", p + 1))
      ++reports;
    EXPECT_EQ(c.reports, reports) << c.value;
    EXPECT_EQ(c.unrecognized, r.out.find("Unrecognized value maybe for environment variable "
                                         "QUELMO_VERBOSE_OVERRIDES\n") != std::string::npos)
        << c.value;
  }
  const ChildResult tagged = probe({"override", "a.dat", "/x/a.dat", "tool"});
  EXPECT_EQ("tool -- " + overrideLine("a.dat", "/x/a.dat"), tagged.out);
}

TEST_F(EnvFiles, DataFilesMustBeRegularExecutablesNeedOnlyExist) {
  tree.mkdir("inst/data/adir");
  tree.mkdir("inst/bin/nt/tool.exe");
  const ChildResult r = probe({"data", "adir", "1", "exec", "tool", "1"});
  EXPECT_EQ("(null)\n" + inst + "/bin/nt/tool.exe\n", r.out);
}

TEST_F(EnvFiles, MissingFileGivesNullOrWhereItWouldBe) {
  const ChildResult r = probe({"help", "nohelp", "0", "help", "nohelp", "1", "doc", "book", "0"});
  EXPECT_EQ(inst + "/doc/usenglish/help/nohelp/nohelp.map\n(null)\n" + inst +
                "/doc/usenglish/books/book.pdf\n",
            r.out);
  EXPECT_EQ("", r.err);
}

TEST_F(EnvFiles, JapaneseHelpFallsBackToEnglish) {
  tree.write("inst/doc/usenglish/help/tool/tool.map", "m");
  tree.write("inst/doc/japanese/help/other/other.map", "m");
  const ChildResult r =
      probe({"help", "tool", "1", "help", "other", "1"}, {{"LANGUAGE", "japanese"}});
  EXPECT_EQ(inst + "/doc/usenglish/help/tool/tool.map\n" + inst +
                "/doc/japanese/help/other/other.map\n",
            r.out);
}
