// Message filtering from a filter file, and control strings handed to the message-filtering
// component of the sample utilities library.
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "capture_manager.h"
#include "child_process.h"
#include "temp_tree.h"
#include "xml_support.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <memory>
#include <string>
#include <vector>

using porttest::CaptureManager;
using porttest::ScopedManager;

namespace {

const char *const kFilterFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- two applications -->
<messagefilter>
  <application name="tool">
    <type name="warning" action="filter"/>
    <type name="info" action="highlight"/>
    <message lib="Portability" type="error" num="0" action="highlight">
      <text>disk</text>
    </message>
    <message lib="Portability" type="error" num="0" action="filter">
      <text>noise &amp; more</text>
    </message>
  </application>
  <application name="other">
    <type name="error" action="filter"/>
  </application>
</messagefilter>
)";

Port_MsgManData *report() {
  return Port_MsgManData::createObject("Portability", "msgfilter_test.cpp", 1, "r");
}

class MsgFilterTest : public ::testing::Test {
protected:
  void SetUp() override { Port_MsgDispatcher::getDefaultMsgMan()->disable(); }
  void TearDown() override {
    Port_MsgDispatcher::turnOffFiltering();
    Port_MsgDispatcher::getDefaultMsgMan()->enable();
  }
  porttest::TempTree tree;
};

std::string marks(const porttest::LoggedMsg &m) {
  return m.attrs.at("type") + (m.attrs.count("filtered") ? "+filtered" : "") +
         (m.attrs.count("highlighted") ? "+highlighted" : "");
}

// The translation for tools that show messages themselves.
std::wstring translate(Port_MsgMan::MsgType type, bool &filtered, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  int num = -1;
  std::unique_ptr<wchar_t[]> text(
      Port_MsgDispatcher::translateMsgVa(&num, "Portability", type, filtered, alias, args));
  va_end(args);
  return text ? text.get() : L"(null)";
}

} // namespace

// A tool that shows a message itself learns whether it is filtered, and the message is logged
// with its marks and no source location, but is neither counted nor passed to the managers.
TEST_F(MsgFilterTest, TranslationForAToolThatShowsItIsFilteredAndLogged) {
  const std::string filter = tree.write("filter.xml", kFilterFile);
  const std::string log = tree.root() + "/log.xml";
  ASSERT_TRUE(Port_MsgDispatcher::turnOnXmlMsg(log.c_str()));
  Port_MsgDispatcher::turnOnFiltering(filter.c_str(), "tool");
  CaptureManager capture;
  ScopedManager reg(&capture);
  bool filtered = false;
  EXPECT_EQ(L"w 1\n", translate(Port_MsgMan::MSG_WARNING, filtered, "w %d\n", 1));
  EXPECT_TRUE(filtered);
  EXPECT_EQ(L"disk is full\n", translate(Port_MsgMan::MSG_ERROR, filtered, "%s is full\n", "disk"));
  EXPECT_FALSE(filtered);
  EXPECT_EQ(L"plain\n", translate(Port_MsgMan::MSG_ERROR, filtered, "plain\n"));
  EXPECT_FALSE(filtered);
  EXPECT_EQ(0u, Port_MsgDispatcher::getWarnCount(true) + Port_MsgDispatcher::getErrCount(true));
  EXPECT_TRUE(capture.entries().empty());
  const porttest::ParsedLog parsed = porttest::parseLog(log);
  ASSERT_EQ(3u, parsed.msgs.size());
  EXPECT_EQ("warning+filtered", marks(parsed.msgs[0]));
  EXPECT_EQ("error+highlighted", marks(parsed.msgs[1]));
  EXPECT_EQ("error", marks(parsed.msgs[2]));
  EXPECT_EQ((std::vector<std::string>{"disk"}), parsed.msgs[1].args);
}

// XML_FILTER_FILE is applied before the first question about filtering, not only before the
// first message.
TEST_F(MsgFilterTest, EnvironmentFilterIsOnBeforeTheFirstMessage) {
  const std::string filter = tree.write("filter.xml", kFilterFile);
  const porttest::ChildResult on =
      porttest::runProgram(porttest::testProgram("xmllogprobe"), {"filtering", "x"},
                           {{"XML_FILTER_FILE", filter}, {"FILTER_APP_NAME", "tool"}});
  EXPECT_EQ("filtering=1\n", on.out) << on.err;
  const porttest::ChildResult off =
      porttest::runProgram(porttest::testProgram("xmllogprobe"), {"filtering", "x"},
                           {{"XML_FILTER_FILE", porttest::kUnset}});
  EXPECT_EQ("filtering=0\n", off.out) << off.err;
}

TEST_F(MsgFilterTest, FiltersAndHighlightsByTypeAndByKeyWithText) {
  const std::string filter = tree.write("filter.xml", kFilterFile);
  const std::string log = tree.root() + "/log.xml";
  ASSERT_TRUE(Port_MsgDispatcher::turnOnXmlMsg(log.c_str()));
  Port_MsgDispatcher::turnOnFiltering(filter.c_str(), "tool");
  ASSERT_TRUE(Port_MsgDispatcher::isFilteringOn());
  CaptureManager capture;
  {
    ScopedManager reg(&capture);
    report()->issueWarning("w %d\n", 1);
    report()->issueError("%s is full\n", "disk");
    report()->issueError("just %s\n", "noise & more");
    report()->issueError("plain\n");
    report()->issueInfo("i\n");
    Port_MsgDispatcher::printMsg(Port_MsgMan::MSG_WARNING, L"ready", 7, "Portability", "f", 1, "r");
  }
  EXPECT_EQ(2u, Port_MsgDispatcher::getWarnCount(true));
  EXPECT_EQ(0u, Port_MsgDispatcher::getWarnCount(false));
  EXPECT_EQ(3u, Port_MsgDispatcher::getErrCount(true));
  EXPECT_EQ(2u, Port_MsgDispatcher::getErrCount(false));
  ASSERT_EQ(3u, capture.entries().size()); // two errors and the info
  for (const auto &e : capture.entries())
    EXPECT_NE(Port_MsgMan::MSG_WARNING, e.type);
  const porttest::ParsedLog parsed = porttest::parseLog(log);
  ASSERT_EQ(6u, parsed.msgs.size());
  const std::string expected[] = {"warning+filtered", "error+highlighted",
                                  "error+filtered",   "error",
                                  "info+highlighted", "warning+filtered"};
  for (size_t i = 0; i < 6; ++i)
    EXPECT_EQ(expected[i], marks(parsed.msgs[i])) << i;
}

TEST_F(MsgFilterTest, SectionsAreReadPerApplication) {
  const std::string filter = tree.write("filter.xml", kFilterFile);
  Port_MsgDispatcher::turnOnFiltering(filter.c_str(), "other");
  ASSERT_TRUE(Port_MsgDispatcher::isFilteringOn());
  report()->issueWarning("w\n");
  report()->issueError("disk\n");
  EXPECT_EQ(1u, Port_MsgDispatcher::getWarnCount(false));
  EXPECT_EQ(0u, Port_MsgDispatcher::getErrCount(false));
  Port_MsgDispatcher::turnOffFiltering();
  Port_MsgDispatcher::turnOnFiltering(filter.c_str(), "nobody");
  EXPECT_FALSE(Port_MsgDispatcher::isFilteringOn());
}

TEST_F(MsgFilterTest, MissingFileIsIgnoredAndMalformedOneReported) {
  CaptureManager capture;
  ScopedManager reg(&capture);
  Port_MsgDispatcher::turnOnFiltering((tree.root() + "/none.xml").c_str(), "tool");
  Port_MsgDispatcher::turnOnFiltering(nullptr, "tool");
  EXPECT_FALSE(Port_MsgDispatcher::isFilteringOn());
  EXPECT_TRUE(capture.entries().empty());
  const std::string bad[] = {
      "<messagefilter><application name=\"tool\"><type name=\"warning\" action=\"filter\"/>",
      "<messagefilter><application name=\"tool\"><type name=\"warn\" action=\"filter\"/>"
      "</application></messagefilter>",
      "<messagefilter><application name=\"tool\"><type name=\"warning\" action=\"drop\"/>"
      "</application></messagefilter>",
      "<messagefilter><application name=\"tool\"><message lib=\"L\" type=\"error\" num=\"x\" "
      "action=\"filter\"/></application></messagefilter>",
      "<other/>",
      "",
  };
  for (const std::string &content : bad) {
    const std::string file = tree.write("bad.xml", content);
    Port_MsgDispatcher::turnOffFiltering();
    const size_t before = capture.entries().size();
    Port_MsgDispatcher::turnOnFiltering(file.c_str(), "tool");
    EXPECT_FALSE(Port_MsgDispatcher::isFilteringOn()) << content;
    ASSERT_EQ(before + 1, capture.entries().size()) << content;
    std::wstring text;
    const auto entries = capture.entries();
    for (const std::wstring &line : entries.back().lines)
      text += line;
    EXPECT_NE(std::wstring::npos, text.find(L"is malformed, therefore")) << content;
  }
}

TEST_F(MsgFilterTest, SecondFilterKeepsTheFirst) {
  const std::string filter = tree.write("filter.xml", kFilterFile);
  Port_MsgDispatcher::turnOnFiltering(filter.c_str(), "tool");
  Port_MsgDispatcher::turnOnFiltering(filter.c_str(), "other");
  report()->issueError("plain\n");
  EXPECT_EQ(1u, Port_MsgDispatcher::getErrCount(false));
}

// The sample utilities library lies in the private tree of the build (MYQUELMO).
TEST_F(MsgFilterTest, ControlStringsReachTheComponent) {
  const std::string filter = tree.write("filter.xml", kFilterFile);
  EXPECT_FALSE(Port_MsgDispatcher::controlMessageProcessing("status"));
  EXPECT_TRUE(Port_MsgDispatcher::controlMessageProcessing(("on tool " + filter).c_str()));
  EXPECT_TRUE(Port_MsgDispatcher::isFilteringOn());
  EXPECT_TRUE(Port_MsgDispatcher::controlMessageProcessing("status"));
  EXPECT_TRUE(Port_MsgDispatcher::controlMessageProcessing("off"));
  EXPECT_FALSE(Port_MsgDispatcher::isFilteringOn());
  EXPECT_FALSE(Port_MsgDispatcher::controlMessageProcessing("bogus"));
  EXPECT_FALSE(Port_MsgDispatcher::controlMessageProcessing(nullptr));
}

TEST(MsgFilterControl, WithoutTheLibraryAnswersFalseAndWarns) {
  const porttest::ChildResult r =
      porttest::runProgram(porttest::testProgram("xmllogprobe"), {"control", "status"},
                           {{"MYQUELMO", porttest::kUnset}});
  EXPECT_EQ(0, r.status);
  EXPECT_NE(std::string::npos, r.out.find("answer=0")) << r.out;
  EXPECT_NE(std::string::npos, r.err.find("Runtime library \"libQuelmoUtil\" either doesn't"))
      << r.err;
}

// The commented example shipped in the installation is a valid filter file.
TEST_F(MsgFilterTest, ShippedExampleReads) {
  const std::string example = porttest::installTree() + "/data/msgfilter.xml";
  Port_MsgDispatcher::turnOnFiltering(example.c_str(), "porttool");
  EXPECT_TRUE(Port_MsgDispatcher::isFilteringOn());
  report()->issueInfo("shown\n");
  EXPECT_EQ(1u, Port_MsgDispatcher::getInfoCount(false));
}
