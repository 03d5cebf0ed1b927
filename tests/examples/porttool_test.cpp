// The example tool, run as a user would run it.
#include "child_process.h"

#include <gtest/gtest.h>

using porttest::ChildResult;
using porttest::kUnset;
using porttest::runProgram;

namespace {
const std::string kTool = std::string(PORT_TEST_BINARY_TREE) + "/examples/porttool";
const std::map<std::string, std::string> kEnv = {
    {"QEL_NO_TRANSLATE", kUnset}, {"QEL_NOMSGBOX", "1"}, {"QEL_NO_MESSAGE_HEADER", kUnset},
    {"QEL_MAXLINEWIDTH", kUnset}, {"LANGUAGE", kUnset}, {"LANG", "C"}, {"LC_ALL", kUnset}};
} // namespace

TEST(PortTool, ShowsNumberedMessagesFromItsCatalogueAndEndsWithTheFatalExitValue) {
  const ChildResult r = runProgram(kTool, {}, kEnv);
  EXPECT_EQ(3, r.status);
  EXPECT_NE(std::string::npos, r.err.find("ERROR:porttool:101 - Cannot open \"missing.txt\" for "
                                          "reading.\n"));
  EXPECT_NE(std::string::npos, r.err.find("WARNING:porttool:102 - Only 2 of 3 files were read."));
  EXPECT_NE(std::string::npos, r.err.find("FATAL_ERROR:porttool:porttool.cpp:"));
  EXPECT_NE(std::string::npos, r.out.find("language usenglish"));
  EXPECT_NE(std::string::npos, r.out.find("Counted: 1 errors, 2 warnings, 1 infos.\n"));
}

TEST(PortTool, CtrlCStopsTheWorkCleanlyBetweenTwoSteps) {
  const ChildResult r = runProgram(kTool, {"work", "100"}, kEnv, 400);
  EXPECT_EQ(2, r.status);
  EXPECT_NE(std::string::npos, r.out.find("Interrupted: stopped cleanly after step"));
}

TEST(PortTool, WorkRunsToTheEndWithoutInterrupt) {
  const ChildResult r = runProgram(kTool, {"work", "3"}, kEnv);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("All 3 steps done.\n", r.out);
}
