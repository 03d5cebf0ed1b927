// The XML message log: element layout, UTF-8 form, the log of a run and new-message tracking
// against the previous run.
#include "Port_Message.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_MsgXml.h"
#include "child_process.h"
#include "temp_tree.h"
#include "xml_support.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <fstream>
#include <memory>
#include <string>

using porttest::ParsedLog;
using porttest::parseLog;
using porttest::slurp;

namespace {

std::string bytes(const wchar_t *text) {
  std::unique_ptr<char[]> out(Port::wcs2utf8s(text));
  return out.get();
}

std::wstring element(const Port_Message *msg, Port_MsgMan::MsgType type, unsigned flags,
                     Port::DeltaMsg::ResultType delta, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  std::unique_ptr<wchar_t[]> xml(Port::MsgDisp::createMsgXml(
      alias, msg, type, "Portability", "src/a.cpp", 42, "$Revision: 1.7 $", flags, delta, args));
  va_end(args);
  return xml.get();
}

std::string argString(const char *alias, const Port_Message *msg, ...) {
  va_list args;
  va_start(args, msg);
  std::string s = Port::genTxtMsgArgStr(alias, msg, args);
  va_end(args);
  return s;
}

struct Utf8Case {
  std::wstring in;
  std::string out;
};

porttest::ChildResult runProbe(const std::string &log, const std::string &v1, const std::string &v2,
                               const std::string &lib = "Portability") {
  return porttest::runProgram(porttest::testProgram("xmllogprobe"), {v1, v2, lib},
                              {{"XML_MSG_FILE", log}});
}

std::vector<std::string> deltas(const ParsedLog &log) {
  std::vector<std::string> out;
  for (const auto &m : log.msgs)
    out.push_back(m.attrs.at("type") + "=" + m.attrs.at("delta"));
  return out;
}

// The deltas of the log after another run of the probe, or the run's exit status when it failed.
std::vector<std::string> deltasAfterRun(const std::string &log, const std::string &v1,
                                        const std::string &v2,
                                        const std::string &lib = "Portability") {
  const int status = runProbe(log, v1, v2, lib).status;
  if (status != 0)
    return {"exit status " + std::to_string(status)};
  return deltas(parseLog(log));
}

} // namespace

TEST(XmlLogUtf8, EncodesWholeCodePointsAndReplacesLoneSurrogates) {
  const Utf8Case cases[] = {
      {L"", ""},
      {L"A\u00e9", "A\xc3\xa9"},
      {L"\u20ac", "\xe2\x82\xac"},
      {std::wstring(1, static_cast<wchar_t>(0x1F600)), "\xf0\x9f\x98\x80"},
      {std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)},
       "\xf0\x9f\x98\x80"},
      {std::wstring{static_cast<wchar_t>(0xD800), L'x'}, "\xef\xbf\xbdx"},
      {std::wstring(1, static_cast<wchar_t>(0xDC00)), "\xef\xbf\xbd"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.out, bytes(c.in.c_str())) << "input length " << c.in.size();
  EXPECT_EQ("", bytes(nullptr));
  char one[4];
  EXPECT_EQ(4, Port::wchar2utf8(static_cast<wchar_t>(0x10FFFF), one));
  EXPECT_EQ(3, Port::wchar2utf8(static_cast<wchar_t>(0xDBFF), one));
}

TEST(XmlLogElement, CatalogueWarningHasAttributesInOrderAndArgElements) {
  Port_Message msg(1234, "File \"%s\" has %d lines.\n", L"File \"!%1!\" has !%2! lines.\n");
  EXPECT_EQ(L"<msg type=\"warning\" file=\"Portability\" num=\"1234\" delta=\"unknown\" >File "
            L"&quot;<arg fmt=\"%s\" index=\"1\">a&lt;b&amp;c</arg>&quot; has <arg fmt=\"%d\" "
            L"index=\"2\">7</arg> lines.\n</msg>",
            element(&msg, Port_MsgMan::MSG_WARNING, 0, Port::DeltaMsg::UNKNOWN_MSG,
                    "File \"%s\" has %d lines.\n", "a<b&c", 7));
}

TEST(XmlLogElement, MarksAndSourceAttributes) {
  const std::wstring filtered =
      element(nullptr, Port_MsgMan::MSG_ERROR, 3, Port::DeltaMsg::NEW_MSG, "x %s %-5s y", "p", "q");
  EXPECT_EQ(L"<msg type=\"error\" file=\"Portability\" num=\"0\" delta=\"new\" filtered=\"1\" "
            L"highlighted=\"1\" >x <arg fmt=\"%s\" index=\"1\">p</arg> <arg fmt=\"%-5s\" "
            L"index=\"2\">q    </arg> y</msg>",
            filtered);
  const std::wstring internal =
      element(nullptr, Port_MsgMan::MSG_INTERNAL, 0, Port::DeltaMsg::OLD_MSG, "100%% sure");
  EXPECT_EQ(L"<msg type=\"internal\" file=\"Portability\" num=\"0\" delta=\"old\" "
            L"srcfile=\"src/a.cpp\" srcline=\"42\" srcrcs=\"1.7\">100%% sure</msg>",
            internal);
  std::unique_ptr<wchar_t[]> second(Port::MsgDisp::createMsgXml(
      L"ready <text>", Port_MsgMan::MSG_INFO, "L\"i&b", 1, "f.cpp", 3, "rev", 77));
  EXPECT_EQ(L"<msg type=\"info\" file=\"L&quot;i&amp;b\" num=\"77\" filtered=\"1\">ready "
            L"&lt;text&gt;</msg>",
            std::wstring(second.get()));
}

TEST(XmlLogElement, CharactersXmlCannotCarryAreReplacedAndLineEndsKept) {
  const std::wstring xml =
      element(nullptr, Port_MsgMan::MSG_INFO, 0, Port::DeltaMsg::UNKNOWN_MSG, "%s", "a\x01\rb");
  EXPECT_NE(std::wstring::npos, xml.find(L">a\ufffd&#13;b</arg>"))
      << std::string(bytes(xml.c_str()));
}

TEST(XmlLogArgString, TakesReferencedValuesInReferenceOrder) {
  Port_Message msg(5, "%s %s %s", L"!%2! then !%1! and !%2! !%9!");
  EXPECT_EQ(std::string("b\0a\0b", 5), argString("%s %s %s", &msg, "a", "b", "c"));
  // Without a catalogue entry the alias leads, so different aliases never match.
  EXPECT_EQ(std::string("v=%d\0"
                        "3",
                        6),
            argString("v=%d", nullptr, 3));
}

// The log of a run, read back: every element new in the first run, old in the second unless
// its arguments changed; the status message is not logged.
TEST(XmlLogRun, SecondRunMarksRepeatedMessagesOld) {
  porttest::TempTree tree;
  const std::string log = tree.root() + "/msgs.xml";
  ASSERT_EQ(0, runProbe(log, "one", "two").status);
  ParsedLog first = parseLog(log);
  ASSERT_TRUE(first.wellFormed) << slurp(log);
  EXPECT_EQ((std::vector<std::string>{"warning=new", "error=new", "info=new"}), deltas(first));
  EXPECT_EQ("1002", first.msgs[0].attrs.at("num"));
  EXPECT_EQ((std::vector<std::string>{"one"}), first.msgs[0].args);
  EXPECT_EQ((std::vector<std::string>{"one", "two"}), first.msgs[1].args);
  const std::string text = slurp(log);
  EXPECT_EQ(0u, text.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- IMPORTANT"));
  EXPECT_EQ(text.size() - 12, text.rfind("</messages>\n"));

  EXPECT_EQ((std::vector<std::string>{"warning=old", "error=old", "info=old"}),
            deltasAfterRun(log, "one", "two"));

  EXPECT_EQ((std::vector<std::string>{"warning=old", "error=new", "info=old"}),
            deltasAfterRun(log, "one", "TWO"));
}

TEST(XmlLogRun, ValuesAndNamesWithMetacharactersRoundTrip) {
  porttest::TempTree tree;
  const std::string log = tree.root() + "/msgs.xml";
  const std::string odd = "<a href=\"x\">&amp; 'q'\t\xe2\x82\xac\xf0\x9f\x98\x80";
  ASSERT_EQ(0, runProbe(log, odd, "l1\r\nl2", "we\"ird&<lib").status);
  ParsedLog first = parseLog(log);
  ASSERT_TRUE(first.wellFormed) << slurp(log);
  // The library of the info has no message file: its warning comes before the info.
  ASSERT_EQ(4u, first.msgs.size());
  EXPECT_EQ(odd, first.msgs[0].args.at(0));
  EXPECT_EQ("l1\r\nl2", first.msgs[1].args.at(1));
  EXPECT_EQ("warning", first.msgs[2].attrs.at("type"));
  EXPECT_EQ("we\"ird&<lib", first.msgs[3].attrs.at("file"));
  EXPECT_EQ((std::vector<std::string>{"warning=old", "error=old", "warning=old", "info=old"}),
            deltasAfterRun(log, odd, "l1\r\nl2", "we\"ird&<lib"));
}

// Console messages are wrapped at 80 columns: their lines and blanks joined again.
std::string unwrapped(const std::string &text) {
  std::string flat;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\n';
    if (!blank || flat.empty() || flat.back() != ' ')
      flat += blank ? ' ' : c;
  }
  return flat;
}

// The log's header: the XML declaration and the comment before the root element.
std::string logHeader() {
  std::unique_ptr<wchar_t[]> open(Port::MsgDisp::createXmlRootOpen());
  const std::string text = bytes(open.get());
  return text.substr(0, text.find("<messages>"));
}

// A run that was killed leaves no closing tag: the next run calls the log corrupt and marks
// everything new, and so does a log of ours whose body cannot be read.
TEST(XmlLogRun, UnfinishedOrDamagedPreviousLogIsCorrupt) {
  porttest::TempTree tree;
  const std::string log = tree.root() + "/msgs.xml";
  ASSERT_EQ(0, runProbe(log, "one", "two").status);
  const std::string whole = slurp(log);
  std::string expanding = logHeader() + "<!DOCTYPE messages [<!ENTITY e \"x\">]><messages>";
  for (int i = 0; i < 100; ++i)
    expanding += "&e;"; // a log never declares entities; each expansion costs a parser
  expanding += "</messages>";
  const std::string bad[] = {whole.substr(0, whole.rfind("</messages>")),
                             whole.substr(0, whole.size() / 2), logHeader() + "<other/>",
                             expanding};
  for (const std::string &content : bad) {
    tree.write("msgs.xml", content);
    const porttest::ChildResult r = runProbe(log, "one", "two");
    ASSERT_EQ(0, r.status);
    EXPECT_NE(std::string::npos,
              r.err.find("corrupt, therefore all messages will be marked as new."))
        << r.err;
    ParsedLog next = parseLog(log);
    ASSERT_TRUE(next.wellFormed);
    // The warning itself is issued before the log opens; the three probe messages follow.
    EXPECT_EQ((std::vector<std::string>{"warning=new", "error=new", "info=new"}), deltas(next));
  }
  // An empty file is taken over as a log with nothing in it.
  tree.write("msgs.xml", "");
  EXPECT_EQ((std::vector<std::string>{"warning=new", "error=new", "info=new"}),
            deltasAfterRun(log, "one", "two"));
}

// A file that is not a log of ours is left as it is: the run warns and goes on without a log.
TEST(XmlLogRun, FileThatIsNoLogIsLeftAlone) {
  porttest::TempTree tree;
  const std::string log = tree.root() + "/notes.txt";
  for (const std::string &content : {std::string("my notes\n"), std::string("<other/>"),
                                     std::string("\xff\xfe<"), logHeader().substr(0, 20)}) {
    tree.write("notes.txt", content);
    const porttest::ChildResult r = runProbe(log, "one", "two");
    ASSERT_EQ(0, r.status);
    EXPECT_EQ(content, slurp(log));
    EXPECT_NE(std::string::npos, unwrapped(r.err).find("\"" + log + "\" is not a message log"))
        << r.err;
    EXPECT_EQ(std::string::npos, r.err.find("corrupt")) << r.err;
  }
}

TEST(XmlLogRun, UnwritableLogIsReportedWithTheSystemsReason) {
  porttest::TempTree tree;
  const std::string log = tree.root() + "/no/such/dir/msgs.xml";
  const porttest::ChildResult r = runProbe(log, "a", "b");
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(std::string::npos, r.err.find("corrupt"));
  const std::string flat = unwrapped(r.err);
  EXPECT_NE(std::string::npos, flat.find("cannot be written (No such file or directory)")) << r.err;
  EXPECT_NE(std::string::npos, flat.find("msgs.xml")) << r.err;
}

// XML_MSG_FILE comes first: a log the program asks for before its first message is refused, and
// the log the environment names is written.
TEST(XmlLogRun, EnvironmentLogTakesPrecedenceOverTheProgramsOwn) {
  porttest::TempTree tree;
  const std::string envLog = tree.root() + "/env.xml", own = tree.root() + "/own.xml";
  const porttest::ChildResult r = porttest::runProgram(porttest::testProgram("xmllogprobe"),
                                                       {"own", own}, {{"XML_MSG_FILE", envLog}});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ("answer=0\n", r.out);
  EXPECT_FALSE(std::ifstream(own).good());
  const ParsedLog log = parseLog(envLog);
  ASSERT_TRUE(log.wellFormed) << slurp(envLog);
  EXPECT_EQ((std::vector<std::string>{"info=new"}), deltas(log));

  // Without the variable the program's own log is taken.
  const porttest::ChildResult alone = porttest::runProgram(
      porttest::testProgram("xmllogprobe"), {"own", own}, {{"XML_MSG_FILE", porttest::kUnset}});
  EXPECT_EQ("answer=1\n", alone.out);
  EXPECT_TRUE(parseLog(own).wellFormed);
}

// One log per process: this test opens it for the rest of the test program.
TEST(XmlLogSwitch, SecondTurnOnIsRefusedAndFirstLogStays) {
  porttest::TempTree tree;
  // A previous log of ours, which the new one replaces.
  const std::string first =
      tree.write("first.xml", logHeader() + "<messages>\n<msg>old contents</msg>\n");
  const std::string second = tree.root() + "/second.xml";
  ASSERT_TRUE(Port_MsgDispatcher::turnOnXmlMsg(first.c_str()));
  EXPECT_FALSE(Port_MsgDispatcher::turnOnXmlMsg(second.c_str()));
  EXPECT_FALSE(Port_MsgDispatcher::turnOnXmlMsg(first.c_str(), true));
  Port_MsgDispatcher::getDefaultMsgMan()->disable();
  Port_MsgManData::createObject("Portability", "t.cpp", 1, "r")->issueInfo("still %d\n", 1);
  Port_MsgDispatcher::getDefaultMsgMan()->enable();
  const std::string text = slurp(first);
  EXPECT_EQ(std::string::npos, text.find("old contents"));
  EXPECT_NE(std::string::npos,
            text.find("<msg type=\"info\" file=\"Portability\" num=\"0\" delta=\"unknown\" >"
                      "still <arg fmt=\"%d\" index=\"1\">1</arg>\n</msg>\n"))
      << text;
}
