// The example tool, run as a user would run it.
#include "child_process.h"
#include "porttool_env.h"
#include "temp_tree.h"
#include "xml_support.h"
#include "zip_maker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using porttest::ChildResult;
using porttest::kUnset;
using porttest::runProgram;

namespace {
const std::string &kTool = porttest::kPortTool;
const std::map<std::string, std::string> kEnv = porttest::portToolEnv();
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

// Two runs with the XML log: every message of the first is new; the second run marks old what
// the first issued with the same arguments. The first run ends with its fatal message, and its
// log must still be complete for the next run to read.
TEST(PortTool, XmlLogMarksWhatThePreviousRunIssuedOld) {
  porttest::TempTree tree;
  const std::string log = tree.root() + "/messages.xml";
  std::map<std::string, std::string> env = kEnv;
  env["XML_MSG_FILE"] = log;
  auto marks = [&] {
    const porttest::ParsedLog parsed = porttest::parseLog(log);
    EXPECT_TRUE(parsed.wellFormed) << porttest::slurp(log);
    std::vector<std::string> out;
    for (const auto &m : parsed.msgs)
      out.push_back(m.attrs.at("type") + " " + m.attrs.at("num") + " " + m.attrs.at("delta"));
    return out;
  };
  ASSERT_EQ(3, runProgram(kTool, {}, env).status);
  EXPECT_EQ((std::vector<std::string>{"error 101 new", "warning 102 new", "info 103 new",
                                      "warning 104 new"}),
            marks());
  ASSERT_EQ(0, runProgram(kTool, {"quiet"}, env).status);
  EXPECT_EQ((std::vector<std::string>{"error 101 old", "warning 102 old", "info 103 old",
                                      "warning 104 old"}),
            marks());
  ASSERT_EQ(0, runProgram(kTool, {"quiet", "other.txt"}, env).status);
  EXPECT_EQ((std::vector<std::string>{"error 101 new", "warning 102 old", "info 103 old",
                                      "warning 104 old"}),
            marks());
}

TEST(PortTool, CtrlCStopsTheWorkCleanlyBetweenTwoSteps) {
  // The interrupt comes well after start-up (a sanitized tool on a busy machine starts slowly)
  // and well before the 10 s of work are done.
  const ChildResult r = runProgram(kTool, {"work", "100"}, kEnv, 4000);
  EXPECT_EQ(2, r.status);
  EXPECT_NE(std::string::npos, r.out.find("Interrupted: stopped cleanly after step"));
}

TEST(PortTool, WorkRunsToTheEndWithoutInterrupt) {
  const ChildResult r = runProgram(kTool, {"work", "3"}, kEnv);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("All 3 steps done.\n", r.out);
}

TEST(PortTool, CatPrintsAFileFromDiskOrFromAnArchiveStandingInForItsDirectory) {
  char dir[] = "/tmp/porttool-cat.XXXXXX";
  ASSERT_NE(nullptr, ::mkdtemp(dir));
  const std::string root = dir;
  const std::string onDisk = root + "/plain.txt";
  std::FILE *f = std::fopen(onDisk.c_str(), "wb");
  std::fputs("first\r\nsecond", f);
  std::fclose(f);
  ChildResult r = runProgram(kTool, {"cat", onDisk}, kEnv);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("first\nsecond\n", r.out);

  // A stored zip archive "<root>/sub.zip" holding the member "<root>/sub/inner.txt".
  const std::string member = root + "/sub/inner.txt", text = "from the archive\n";
  auto le = [](std::string &s, uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
      s += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : text) {
    crc ^= c;
    for (int k = 0; k < 8; ++k)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  crc = ~crc;
  std::string common;
  le(common, 20, 2), le(common, 0, 2), le(common, 0, 2), le(common, 0, 2), le(common, 0x21, 2);
  le(common, crc, 4), le(common, text.size(), 4), le(common, text.size(), 4);
  le(common, member.size(), 2), le(common, 0, 2);
  std::string zip;
  le(zip, 0x04034b50, 4);
  zip += common + member + text;
  const uint32_t cd = zip.size();
  le(zip, 0x02014b50, 4), le(zip, 20, 2);
  zip += common;
  le(zip, 0, 2), le(zip, 0, 2), le(zip, 0, 2), le(zip, 0, 4), le(zip, 0, 4);
  zip += member;
  const uint32_t cdSize = zip.size() - cd;
  le(zip, 0x06054b50, 4), le(zip, 0, 4), le(zip, 1, 2), le(zip, 1, 2), le(zip, cdSize, 4);
  le(zip, cd, 4), le(zip, 0, 2);
  f = std::fopen((root + "/sub.zip").c_str(), "wb");
  std::fwrite(zip.data(), 1, zip.size(), f);
  std::fclose(f);
  r = runProgram(kTool, {"cat", member}, kEnv);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(text, r.out);

  r = runProgram(kTool, {"cat", root + "/absent.txt"}, kEnv);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos,
            porttest::unwrapped(r.err).find("Cannot open \"" + root +
                                            "/absent.txt\" for reading: No such file or "
                                            "directory."))
      << r.err;
  std::remove(onDisk.c_str());
  std::remove((root + "/sub.zip").c_str());
  ::rmdir(dir);
}

TEST(PortTool, CopiesItsMessagesToALogFile) {
  porttest::TempTree tree;
  const std::string log = tree.root() + "/porttool.log";
  const ChildResult r = runProgram(kTool, {"--log", log, "quiet"}, kEnv);
  EXPECT_EQ(0, r.status);
  const std::string content = porttest::slurp(log);
  EXPECT_NE(std::string::npos,
            content.find("ERROR:porttool:101 - Cannot open \"missing.txt\" for reading.\n"));
  EXPECT_NE(std::string::npos, content.find("Counted: 1 errors, 2 warnings, 1 infos.\n"));
}

// An archive made inside the directory it stands in for (members named below it), and members
// that cannot be read exactly: the tool prints the reason and fails.
TEST(PortTool, CatReadsArchivesOfZipToolsAndFailsOnUnreadableMembers) {
  porttest::TempTree tree;
  const std::string root = tree.root();
  const std::string text = "line one\nline two\n";
  ASSERT_TRUE(porttest::writeZip(root + "/good.zip", {{"inner.txt", text, 8}}));
  ChildResult r = runProgram(kTool, {"cat", root + "/good/inner.txt"}, kEnv);
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(text, r.out);

  ASSERT_TRUE(porttest::writeZip(root + "/damaged.zip", {{"m.txt", text, 0}}));
  std::fstream f(root + "/damaged.zip", std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(30 + 5 + 3); // local header, name "m.txt", then into the data
  f.put('X');
  f.close();
  ASSERT_TRUE(porttest::writeZip(root + "/secret.zip", {{"m.txt", text, 8, "password"}}));
  std::string err;
  ASSERT_EQ(0, porttest::runPython("import sys, zipfile\n"
                                   "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                                   "    z.writestr('m.txt', sys.argv[2], zipfile.ZIP_BZIP2)\n",
                                   {root + "/bzip2.zip", text}, &err))
      << err;
  const struct {
    const char *archive;
    const char *reason;
  } cases[] = {{"damaged", "its data does not match its CRC-32"},
               {"secret", "it is encrypted"},
               {"bzip2", "its compression method 12 is not supported"}};
  for (const auto &c : cases) {
    const std::string name = root + "/" + c.archive + "/m.txt";
    r = runProgram(kTool, {"cat", name}, kEnv);
    EXPECT_EQ(1, r.status) << c.archive;
    EXPECT_NE(std::string::npos, porttest::unwrapped(r.err).find(c.reason)) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("ERROR:porttool:")) << r.err;
    EXPECT_EQ(std::string::npos, r.out.find("line two")) << c.archive;
  }
}

TEST(PortTool, WatchPrintsEachChangeUntilCtrlC) {
  porttest::TempTree tree;
  const std::string name = tree.write("watched.txt", "first\n");
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    std::ofstream(name, std::ios::app) << "more\n";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::ofstream(name, std::ios::app) << "and more\n";
  });
  const ChildResult r = runProgram(kTool, {"watch", name, tree.root() + "/none"}, kEnv, 3500);
  writer.join();
  EXPECT_EQ(2, r.status);
  const std::string changed = "\"" + name + "\" changed.\n";
  EXPECT_EQ(r.out,
            "Watching 1 file(s); Ctrl+C stops.\n" + changed + changed + "Stopped watching.\n");
  // The missing file is reported through the monitor's exception, and the others are watched.
  EXPECT_NE(std::string::npos, r.err.find("Could not get stats for file")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("/none")) << r.err;
}
