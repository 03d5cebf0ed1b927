// porttool compress / expand / format, run as a user would run them.
#include "child_process.h"
#include "porttool_env.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

using porttest::ChildResult;
using porttest::kUnset;
using porttest::runProgram;

namespace {
const std::string &kTool = porttest::kPortTool;
const std::map<std::string, std::string> kEnv =
    porttest::portToolEnv({{"QUELMO_USE_OLD_STYLE_COMPRESSION", porttest::kUnset},
                           {"QUELMO_USE_NEW_STYLE_COMPRESSION", porttest::kUnset}});

std::string slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PortToolCompress, CompressesExpandsAndNamesTheFormatInBothCodecs) {
  porttest::TempTree tree;
  std::string text;
  for (int i = 0; text.size() < 3u * 1024 * 1024; ++i)
    text += "row " + std::to_string(i) + " holds " + std::to_string(i * 7919 % 1000) + "\n";
  const std::string in = tree.write("in.txt", text);
  const struct {
    std::vector<std::string> args;
    const char *format;
  } cases[] = {{{"compress", in, tree.root() + "/r.pk"}, "compressed records, format 3.7."},
               {{"compress", "-classic", in, tree.root() + "/c.pk"}, "packed data, format 2.1."}};
  for (const auto &c : cases) {
    const std::string packed = c.args.back();
    ChildResult r = runProgram(kTool, c.args, kEnv);
    ASSERT_EQ(0, r.status) << r.err;
    // A long copy shows its progress.
    EXPECT_NE(std::string::npos, r.out.find("compress: 10 percent done.")) << r.out;
    EXPECT_LT(slurp(packed).size(), text.size() / 3);
    r = runProgram(kTool, {"format", packed}, kEnv);
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(packed + ": " + c.format + "\n", r.out);
    const std::string back = tree.root() + "/back.txt";
    r = runProgram(kTool, {"expand", packed, back}, kEnv);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_TRUE(slurp(back) == text) << c.format;
  }
  ChildResult r = runProgram(kTool, {"format", in}, kEnv);
  EXPECT_EQ(in + ": plain file.\n", r.out);
}

TEST(PortToolCompress, DamagedInputAndBadArgumentsFail) {
  porttest::TempTree tree;
  const std::string in = tree.write("in.txt", std::string(200000, 'q') + "tail");
  const std::string packed = tree.root() + "/p.pk";
  ASSERT_EQ(0, runProgram(kTool, {"compress", "-classic", in, packed}, kEnv).status);
  const std::string raw = slurp(packed);
  const std::string cut = tree.write("cut.pk", raw.substr(0, raw.size() - 2));
  ChildResult r = runProgram(kTool, {"expand", cut, tree.root() + "/out"}, kEnv);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.err.find("is damaged")) << r.err;
  r = runProgram(kTool, {"compress", in}, kEnv);
  EXPECT_EQ(2, r.status);
  EXPECT_NE(std::string::npos, r.err.find("Usage: porttool compress")) << r.err;
}

} // namespace
