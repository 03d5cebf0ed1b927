// Message streams: messages copied into standard streams and files, with switches per stream.
#include "Port_File.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgStream.h"
#include "basutstream.h"
#include "capture_manager.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using porttest::CaptureManager;
using porttest::ScopedManager;
using porttest::TempTree;

namespace {
const char *const kRev = "$Revision: 1.1 $";

class MsgStreamTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::setenv("QEL_NO_TRANSLATE", "1", 1); // layouts without catalogue numbers and suffixes
    Port_MsgDispatcher::getDefaultMsgMan()->disable();
  }
  void TearDown() override { Port_MsgDispatcher::getDefaultMsgMan()->enable(); }
  void print(Port_MsgMan::MsgType type, const wchar_t *text) {
    mgr.printMsg(type, text, "Lib", "src/f.cpp", 9, kRev);
  }
  Port_MsgStream mgr{"log"};
};
} // namespace

TEST_F(MsgStreamTest, AttachedStreamHearsEveryTypeWithTheConsoleLayout) {
  std::ostringstream out;
  mgr.addStream(out);
  for (int t = 0; t <= 8; ++t)
    print(static_cast<Port_MsgMan::MsgType>(t), L"m\n");
  EXPECT_EQ("ERROR:Lib - m\n"
            "WARNING:Lib - m\n"
            "m\n"
            "DEBUG - m\n"
            "INTERNAL_ERROR:Lib:f.cpp:9:1.1 - m \n"
            "FATAL_ERROR:Lib:f.cpp:9:1.1 - m   The program will now terminate.  For help, see\n"
            "   the documentation of your installation or contact your Quelmo support\n"
            "   representative.\n"
            "ERROR:Lib - m \n"
            "INFO:Lib - m\n"
            "EXCEPTION:Lib:f.cpp:9:1.1 - m\n",
            out.str());
}

TEST_F(MsgStreamTest, SwitchesArePerStream) {
  std::ostringstream all, errorsOnly;
  mgr.addStream(all);
  mgr.addStream(errorsOnly);
  for (int t = 1; t <= 8; ++t)
    mgr.turnOff(errorsOnly, static_cast<Port_MsgMan::MsgType>(t));
  EXPECT_TRUE(mgr.queryStream(errorsOnly, Port_MsgMan::MSG_ERROR));
  EXPECT_FALSE(mgr.queryStream(errorsOnly, Port_MsgMan::MSG_WARNING));
  EXPECT_TRUE(mgr.queryStream(all, Port_MsgMan::MSG_WARNING));
  print(Port_MsgMan::MSG_WARNING, L"w\n");
  print(Port_MsgMan::MSG_ERROR, L"e\n");
  EXPECT_EQ("WARNING:Lib - w\nERROR:Lib - e\n", all.str());
  EXPECT_EQ("ERROR:Lib - e\n", errorsOnly.str());
  mgr.setStdMsg(Port_MsgMan::MSG_WARNING, 1, 1);
  EXPECT_TRUE(mgr.isStdMsgOn(Port_MsgMan::MSG_WARNING, 1));
}

TEST_F(MsgStreamTest, StreamAttachedTwiceHearsTwiceAndIsDetachedOnceAtATime) {
  std::ostringstream out;
  mgr.addStream(out);
  mgr.addStream(out);
  print(Port_MsgMan::MSG_INFO, L"i\n");
  EXPECT_EQ("INFO:Lib - i\nINFO:Lib - i\n", out.str());
  mgr.delStream(out);
  EXPECT_TRUE(mgr.queryStream(out));
  print(Port_MsgMan::MSG_INFO, L"j\n");
  EXPECT_EQ("INFO:Lib - i\nINFO:Lib - i\nINFO:Lib - j\n", out.str());
  mgr.delStream(out);
  EXPECT_FALSE(mgr.queryStream(out));
  EXPECT_FALSE(mgr.queryStream(out, Port_MsgMan::MSG_INFO));
}

TEST_F(MsgStreamTest, MisuseIsReportedAsInternalMessages) {
  CaptureManager capture;
  ScopedManager reg(&capture);
  std::ostringstream attached, stranger;
  mgr.addStream(attached);
  mgr.delStream(stranger);
  mgr.turnOn(stranger, Port_MsgMan::MSG_ERROR);
  mgr.turnOff(stranger, Port_MsgMan::MSG_ERROR);
  mgr.turnOn(attached, static_cast<Port_MsgMan::MsgType>(9));
  mgr.turnOff(attached, static_cast<Port_MsgMan::MsgType>(-1));
  const auto entries = capture.entries();
  ASSERT_EQ(5u, entries.size());
  const wchar_t *texts[] = {L"Unable to delete requested message stream.",
                            L"Couldn't find stream in turnOn().",
                            L"Couldn't find stream in turnOff().", L"Bad message type in turnOn().",
                            L"Bad message type in turnOff()."};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(Port_MsgMan::MSG_INTERNAL, entries[i].type);
    std::wstring joined;
    for (const auto &line : entries[i].lines)
      joined += line.substr(line.find_first_not_of(L' ')) + L" ";
    EXPECT_NE(std::wstring::npos, joined.find(texts[i])) << i;
  }
  EXPECT_TRUE(mgr.queryStream(attached, Port_MsgMan::MSG_ERROR));
}

TEST_F(MsgStreamTest, DisabledManagerWritesNothing) {
  std::ostringstream out;
  mgr.addStream(out);
  mgr.disable();
  print(Port_MsgMan::MSG_ERROR, L"e\n");
  print(Port_MsgMan::MSG_FATAL, L"f\n");
  EXPECT_EQ("", out.str());
}

TEST_F(MsgStreamTest, FilesReceiveTheirLinesAndDumpShowsTheSwitches) {
  TempTree tree;
  const std::string path = tree.root() + "/log.txt";
  UT_STREAM *file = Port_File::open(path.c_str(), UT_STREAM::Write, 1);
  ASSERT_NE(nullptr, file);
  std::ostringstream out;
  mgr.addStream(out);
  mgr.addStream(*file);
  mgr.turnOff(*file, Port_MsgMan::MSG_ERROR);
  EXPECT_FALSE(mgr.isMsgOn(Port_MsgMan::MSG_ERROR, 0));
  mgr.setMaxLineWidth(20);
  print(Port_MsgMan::MSG_ERROR, L"not in the file\n");
  print(Port_MsgMan::MSG_WARNING, L"one two three four five\n");
  testing::internal::CaptureStdout();
  mgr.dump();
  EXPECT_EQ("-------------------\n"
            "STDSTREAM 0 TTTTTTTTT\n"
            "STREAM 0 FTTTTTTTT\n"
            "-------------------\n",
            testing::internal::GetCapturedStdout());
  mgr.delStream(*file);
  Port_File::close(file);
  // A line the width ended is written as a line (CR LF in a file); the last keeps its own LF.
  EXPECT_EQ("WARNING:Lib - one\r\n   two three four\r\n   five\n", porttest::slurp(path));
}
