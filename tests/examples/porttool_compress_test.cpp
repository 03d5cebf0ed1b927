// porttool compress / expand / format, run as a user would run them.
#include "child_process.h"
#include "porttool_env.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using porttest::ChildResult;
using porttest::kUnset;
using porttest::runProgram;
using porttest::unwrapped;

namespace {
const std::string &kTool = porttest::kPortTool;
const std::map<std::string, std::string> kEnv =
    porttest::portToolEnv({{"QUELMO_USE_OLD_STYLE_COMPRESSION", porttest::kUnset},
                           {"QUELMO_USE_NEW_STYLE_COMPRESSION", porttest::kUnset}});

using porttest::slurp;

std::string rows(size_t size) {
  std::string text;
  for (int i = 0; text.size() < size; ++i)
    text += "row " + std::to_string(i) + " holds " + std::to_string(i * 7919 % 1000) + "\n";
  return text;
}

// Bytes that hardly compress.
std::string noise(size_t size) {
  std::string bytes(size, '\0');
  uint32_t x = 12345;
  for (char &c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

// The names in dir, sorted.
std::vector<std::string> entries(const std::string &dir) {
  std::vector<std::string> names;
  for (const auto &e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Runs porttool with its arguments through the shell, which sets up redirections, limits and
// signal dispositions first: sh -c SCRIPT porttool ARGS... ("$0" is the tool).
ChildResult viaShell(const std::string &script, const std::vector<std::string> &args) {
  std::vector<std::string> all = {"-c", script, kTool};
  all.insert(all.end(), args.begin(), args.end());
  return runProgram("/bin/sh", all, kEnv);
}

TEST(PortToolCompress, CompressesExpandsAndNamesTheFormatInBothCodecs) {
  porttest::TempTree tree;
  const std::string text = rows(3u * 1024 * 1024);
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
    EXPECT_EQ("", r.out);
    EXPECT_LT(slurp(packed).size(), text.size() / 3);
    r = runProgram(kTool, {"format", packed}, kEnv);
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(packed + ": " + c.format + "\n", r.out);
    const std::string back = tree.root() + "/back.txt";
    r = runProgram(kTool, {"expand", "-f", packed, back}, kEnv);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_TRUE(slurp(back) == text) << c.format;
  }
  ChildResult r = runProgram(kTool, {"format", in}, kEnv);
  EXPECT_EQ(in + ": plain file.\n", r.out);
}

// Progress goes to standard error, when asked for with -v (standard error is no terminal
// here), never with -q, and never into the data written to standard output.
TEST(PortToolCompress, ProgressStaysOutOfTheDataAndShowsOnlyWhenAsked) {
  porttest::TempTree tree;
  const std::string text = rows(3u * 1024 * 1024);
  const std::string in = tree.write("in.txt", text);
  const std::string packed = tree.root() + "/p.pk";
  ASSERT_EQ(0, runProgram(kTool, {"compress", in, packed}, kEnv).status);
  const struct {
    std::vector<std::string> options;
    bool shown;
  } cases[] = {{{}, false}, {{"-v"}, true}, {{"-v", "-q"}, false}, {{"-q"}, false}};
  for (const auto &c : cases) {
    std::vector<std::string> args = {"compress"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(in);
    args.push_back("-");
    const ChildResult r = runProgram(kTool, args, kEnv);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_TRUE(r.out == slurp(packed)) << "standard output holds exactly the compressed data";
    EXPECT_EQ(c.shown, unwrapped(r.err).find("compress: 10 percent done.\n") != std::string::npos)
        << r.err;
  }
}

TEST(PortToolCompress, DashIsStandardInputAndOutput) {
  porttest::TempTree tree;
  const std::string text = rows(200000);
  const std::string in = tree.write("in.txt", text);
  const std::string packed = tree.root() + "/p.pk", back = tree.root() + "/back.txt";
  ChildResult r = viaShell("\"$0\" compress - - < \"$1\" > \"$2\"", {in, packed});
  ASSERT_EQ(0, r.status) << r.err;
  r = runProgram(kTool, {"format", packed}, kEnv);
  EXPECT_EQ(packed + ": compressed records, format 3.7.\n", r.out);
  r = viaShell("\"$0\" expand - - < \"$1\" > \"$2\"", {packed, back});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(slurp(back) == text);
  r = viaShell("\"$0\" format - < \"$1\"", {packed});
  EXPECT_EQ("-: compressed records, format 3.7.\n", r.out);
}

// The output is the input under another name: refused even with -f, and the file stays.
TEST(PortToolCompress, RefusesToWriteAFileOntoItself) {
  porttest::TempTree tree;
  const std::string text = rows(100000);
  const std::string in = tree.write("in.txt", text);
  ASSERT_EQ(0, ::link(in.c_str(), (tree.root() + "/hard.txt").c_str()));
  ASSERT_EQ(0, ::symlink(in.c_str(), (tree.root() + "/soft.txt").c_str()));
  tree.mkdir("sub");
  const std::string names[] = {in, tree.root() + "/sub/../in.txt", tree.root() + "/hard.txt",
                               tree.root() + "/soft.txt"};
  for (const std::string &out : names)
    for (const char *mode : {"compress", "expand"})
      for (const bool force : {false, true}) {
        std::vector<std::string> args = {mode, in, out};
        if (force)
          args.insert(args.begin() + 1, "-f");
        const ChildResult r = runProgram(kTool, args, kEnv);
        EXPECT_EQ(1, r.status) << out << " " << mode;
        EXPECT_NE(std::string::npos, unwrapped(r.err).find("are the same file")) << r.err;
        EXPECT_TRUE(slurp(in) == text) << out << " " << mode;
      }
  EXPECT_EQ((std::vector<std::string>{"hard.txt", "in.txt", "soft.txt", "sub"}),
            entries(tree.root()));
}

TEST(PortToolCompress, ReplacesAnExistingOutputOnlyWithForce) {
  porttest::TempTree tree;
  const std::string in = tree.write("in.txt", rows(100000));
  const std::string out = tree.write("out.pk", "previous");
  ChildResult r = runProgram(kTool, {"compress", in, out}, kEnv);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos,
            unwrapped(r.err).find("\"" + out + "\" already exists; -f overwrites it."))
      << r.err;
  EXPECT_EQ("previous", slurp(out));
  r = runProgram(kTool, {"compress", "-f", in, out}, kEnv);
  EXPECT_EQ(0, r.status) << r.err;
  r = runProgram(kTool, {"format", out}, kEnv);
  EXPECT_EQ(out + ": compressed records, format 3.7.\n", r.out);
  EXPECT_EQ((std::vector<std::string>{"in.txt", "out.pk"}), entries(tree.root()));
}

// Ctrl+C while the input still arrives (through a pipe the test feeds): the previous output
// stays as it was and no temporary file is left.
TEST(PortToolCompress, InterruptedCompressLeavesThePreviousOutputAndNoTemporaryFile) {
  porttest::TempTree tree;
  const std::string fifo = tree.root() + "/in.fifo";
  ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
  const std::string out = tree.write("out.pk", "previous");
  void (*oldPipe)(int) = std::signal(SIGPIPE, SIG_IGN);
  std::thread feeder([&] {
    // Opened without waiting, so that a tool that never reads cannot hold the test up.
    int fd = -1;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (fd < 0 && std::chrono::steady_clock::now() < until) {
      fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd < 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (fd < 0)
      return;
    ::fcntl(fd, F_SETFL, 0);
    const std::string part = rows(1u << 20);
    ssize_t ignored = ::write(fd, part.data(), part.size());
    // The interrupt comes at 2 s; more data, and the end, only after it.
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    ignored = ::write(fd, part.data(), part.size());
    (void)ignored;
    ::close(fd);
  });
  // exec: the interrupt reaches the tool itself, whose standard input is the pipe.
  const ChildResult r = runProgram(
      "/bin/sh", {"-c", "exec \"$0\" compress -f - \"$1\" < \"$2\"", kTool, out, fifo}, kEnv, 2000);
  feeder.join();
  std::signal(SIGPIPE, oldPipe);
  EXPECT_EQ(130, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("Interrupted")) << r.err;
  EXPECT_EQ("previous", slurp(out));
  EXPECT_EQ((std::vector<std::string>{"in.fifo", "out.pk"}), entries(tree.root()));
}

// A write that fails midway (the file-size limit stands in for a full disk) and input that
// cannot be read to its end: no output, the previous one kept, no temporary file.
TEST(PortToolCompress, FailingCompressOrExpandLeavesNoPartialOutput) {
  porttest::TempTree tree;
  const std::string in = tree.write("in.bin", noise(1u << 20));
  const std::string out = tree.write("out.pk", "previous");
  ChildResult r =
      viaShell("trap '' XFSZ; ulimit -f 64; exec \"$0\" compress -f \"$1\" \"$2\"", {in, out});
  EXPECT_EQ(1, r.status) << r.err;
  EXPECT_NE(std::string::npos, unwrapped(r.err).find("File too large")) << r.err;
  EXPECT_EQ("previous", slurp(out));

  const std::string packed = tree.root() + "/p.pk";
  ASSERT_EQ(0, runProgram(kTool, {"compress", "-classic", in, packed}, kEnv).status);
  const std::string raw = slurp(packed);
  const std::string cut = tree.write("cut.pk", raw.substr(0, raw.size() - 2));
  r = runProgram(kTool, {"expand", cut, tree.root() + "/back.bin"}, kEnv);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, unwrapped(r.err).find("is damaged")) << r.err;
  EXPECT_EQ((std::vector<std::string>{"cut.pk", "in.bin", "out.pk", "p.pk"}), entries(tree.root()));
}

TEST(PortToolCompress, OpenErrorsNameTheReasonAndBadArgumentsExitWithTwo) {
  porttest::TempTree tree;
  const std::string missing = tree.root() + "/missing.txt";
  ChildResult r = runProgram(kTool, {"compress", missing, tree.root() + "/out"}, kEnv);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, unwrapped(r.err).find("Cannot open \"" + missing +
                                                     "\" for reading: No such file or directory."))
      << r.err;
  r = runProgram(kTool, {"format", missing}, kEnv);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, unwrapped(r.err).find("No such file or directory")) << r.err;
  const std::string in = tree.write("in.txt", "text\n");
  r = runProgram(kTool, {"compress", in, tree.root() + "/no/such/dir/out"}, kEnv);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, unwrapped(r.err).find("No such file or directory")) << r.err;
  const std::vector<std::string> wrong[] = {
      {"compress", in}, {"expand", "-z", in, in + ".x"}, {"format"}, {"compress", "-classic"}};
  for (const auto &args : wrong) {
    r = runProgram(kTool, args, kEnv);
    EXPECT_EQ(2, r.status) << args.back();
    EXPECT_EQ(0u, unwrapped(r.err).find("porttool: ")) << r.err;
    EXPECT_NE(std::string::npos, unwrapped(r.err).find("\ntry 'porttool -h'\n")) << r.err;
    EXPECT_EQ("", r.out);
  }
}

} // namespace
