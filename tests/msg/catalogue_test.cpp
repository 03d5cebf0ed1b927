// Message files: their grammar, where they are found, argument formatting and references,
// and the HTML and XML variants.
#include "Port_Message.h"
#include "Port_MsgDispatcher.h"
#include "child_process.h"
#include "temp_tree.h"

#include "basutstr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using porttest::ChildResult;
using porttest::kUnset;
using porttest::runProgram;
using porttest::TempTree;
using porttest::testProgram;

namespace {
struct Loaded {
  bool ok;
  std::unique_ptr<Port_SsInfo> info;
};

Loaded loadText(const std::string &content) {
  TempTree tree;
  std::string path = tree.write("Lib.msg", content);
  Loaded l{false, std::make_unique<Port_SsInfo>("Lib")};
  l.ok = l.info->load(&path[0]);
  return l;
}

std::wstring parse(const char *alias, const Port_Message *msg, ...) {
  va_list args;
  va_start(args, msg);
  wchar_t *text = Port_MsgDispatcher::parseMsg(alias, msg, args);
  va_end(args);
  std::wstring s = text ? text : L"<null>";
  delete[] text;
  return s;
}

std::wstring variant(const char *kind, Port_MsgMan::MsgType type, const char *alias,
                     const Port_Message *msg, ...) {
  va_list args;
  va_start(args, msg);
  wchar_t *text = Port_MsgDispatcher::parseMsgSubClass(kind, type, alias, msg, args);
  va_end(args);
  std::wstring s = text ? text : L"<null>";
  delete[] text;
  return s;
}
} // namespace

TEST(MessageFile, ReadsEntriesWithEscapesVariantsAndCommentsBetween) {
  const Loaded l = loadText("# comment\n\n"
                            "MSG_BY_NUM\n"
                            "# more\n"
                            "12 trailing text is ignored\r\n"
                            "Cannot read \"%s\".\\n\r\n"
                            "Kann \"!%1!\" nicht lesen.\\n\r\n"
                            "HTML=<b>!%M!</b>\r\n"
                            "XML(\"x\")=<e n=\"!%N!\">!%1!</e>\r\n"
                            ";; end\r\n"
                            "\n# between\n"
                            "13\n"
                            "Tab\\there\n"
                            "Tab\\there\\r\n"
                            ";;\n");
  ASSERT_TRUE(l.ok);
  EXPECT_TRUE(l.info->isLoaded());
  EXPECT_TRUE(l.info->isByNum());
  EXPECT_EQ(2, l.info->getNumElements());
  const Port_Message *m = l.info->lookupMsg("Cannot read \"%s\".\n");
  ASSERT_NE(nullptr, m);
  EXPECT_EQ(12, m->getMsgNum());
  EXPECT_STREQ(L"Kann \"!%1!\" nicht lesen.\n", m->getMsgText());
  EXPECT_STREQ(L"HTML=<b>!%M!</b>", m->getMsgSubClass("HTML"));
  EXPECT_STREQ(L"XML(\"x\")=<e n=\"!%N!\">!%1!</e>", m->getMsgSubClass("XML"));
  EXPECT_EQ(nullptr, m->getMsgSubClass("PDF"));
  EXPECT_EQ(m, l.info->lookupMsgByNum(12));
  const Port_Message *t = l.info->lookupMsgByNum(13);
  ASSERT_NE(nullptr, t);
  EXPECT_STREQ("Tab\there", t->getMsgAlias());
  EXPECT_STREQ(L"Tab\there\r", t->getMsgText());
}

TEST(MessageFile, InvalidFilesStopWhereTheErrorIsAndKeepEarlierEntries) {
  const struct {
    const char *content;
    bool ok;
    int entries;
  } cases[] = {
      {"MSG_BY_NUMBERS\n1\na\nb\n;;\n", true, 1}, // only the prefix is checked
      {"MESSAGES\n1\na\nb\n;;\n", false, 0},
      {"1\na\nb\n;;\n2\nc\nd\nPDF=x\n;;\n", false, 1},
      {"1\na\nb\n;x\n", false, 0},
      {"1\na\nb\n", false, 0},
      {"1\na\n", false, 0},
      {"1\na\nb\n;;\nrest of the file\n2\nc\nd\n;;\n", true, 1},
      {"", true, 0},
      {"# only comments\n\n", true, 0},
  };
  for (const auto &c : cases) {
    const Loaded l = loadText(c.content);
    EXPECT_EQ(c.ok, l.ok) << c.content;
    EXPECT_EQ(c.entries, l.info->getNumElements()) << c.content;
  }
}

TEST(MessageFile, LinesOfAnyLength) {
  const std::string longText(100000, 'x');
  const Loaded l = loadText("7\nalias\n" + longText + "\n;;\n");
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(longText.size(), std::wcslen(l.info->lookupMsgByNum(7)->getMsgText()));
}

TEST(MessageFile, NoTranslateLoadsNothingAndSucceeds) {
  ::setenv("QEL_NO_TRANSLATE", "1", 1);
  const Loaded l = loadText("1\na\nb\n;;\n");
  ::unsetenv("QEL_NO_TRANSLATE");
  EXPECT_TRUE(l.ok);
  EXPECT_EQ(0, l.info->getNumElements());
}

TEST(MessageFile, MissingFileFailsToLoad) {
  Port_SsInfo info("Lib");
  char path[] = "/nonexistent/Lib.msg";
  EXPECT_FALSE(info.load(path));
  EXPECT_FALSE(info.isLoaded());
}

TEST(MessageText, ReferencesTakeTheFormattedArguments) {
  const Port_Message m(5, "Copy %s to %s (%d of %5.2f, %lI, %z).\n",
                       L"!%2! <- !%1! [!%3!/!%4!] !%5! !%6!\n");
  EXPECT_EQ(L"b.txt <- a.txt [7/ 2.50] 12345678901 wide\n",
            parse(m.getMsgAlias(), &m, "a.txt", "b.txt", 7, 2.5, int64_t(12345678901LL), L"wide"));
}

TEST(MessageText, ReferenceEdgeCasesNeverReadOutsideTextOrArguments) {
  const struct {
    const wchar_t *text;
    const wchar_t *expected;
  } cases[] = {
      {L"plain text, arguments unused\n", L"plain text, arguments unused\n"},
      {L"100!%%! done", L"100% done"},
      {L"[!%9!]", L"[]"}, // beyond the arguments
      {L"[!%0!]", L"[]"}, // there is no argument 0
      {L"[!%99999999999999999999!]", L"[]"},
      {L"[!%X!]", L"[]"},             // unknown letter
      {L"[!%N!!%T!!%M!!%Q!]", L"[]"}, // values only variants supply
      {L"[!%1", L"[!%1"},             // no closing mark: kept as it stands
      {L"end !%", L"end !%"},
      {L"!%1!!%2!", L"onetwo"},
      {L"!%1x!", L"one"}, // copying resumes behind the closing mark
  };
  for (const auto &c : cases) {
    const Port_Message m(1, "%s%s", c.text);
    EXPECT_EQ(c.expected, parse("%s%s", &m, "one", "two")) << c.text;
  }
}

TEST(MessageText, ArgumentFormattingFollowsEachSpecification) {
  const Port_Message m(1, "", L"!%1!|!%2!|!%3!|!%4!|!%5!|!%6!|!%7!|!%8!");
  EXPECT_EQ(L"  42|ff|-7|x|0x1f|3.1e+00|UNKNOWN|", // "%%" and "%n" produce no argument
            parse("%*d|%x|%hI|%c|%#lx|%.1e|%%|%k|%n", &m, 4, 42, 255, -7, 'x', 31L, 3.14159));
  const std::string longValue(5000, 'y');
  const Port_Message big(2, "%s", L"!%1!");
  EXPECT_EQ(std::wstring(5000, L'y'), parse("%s", &big, longValue.c_str()));
}

// The library's sized conversions take the argument UT_STR formats them from: "%lI", "%llI",
// "%qI", "%I64U" and "%lU" a 64-bit value, "%I" and "%U" 32 bits, "%hI" 16; each formatted as
// UT_STR::SPrintf does.
TEST(MessageText, SizedConversionsTakeTheArgumentUtStrFormats) {
  const struct {
    const char *spec;
    bool wide; // a 64-bit argument
  } cases[] = {{"%I", false},  {"%U", false},  {"%hI", false},  {"%lI", true}, {"%lU", true},
               {"%llI", true}, {"%llU", true}, {"%12lI", true}, {"%qI", true}, {"%I64U", true}};
  const Port_Message m(1, "", L"!%1!|!%2!");
  for (const auto &c : cases) {
    const std::string alias = std::string(c.spec) + "|%s";
    char expected[64];
    std::wstring got;
    if (c.wide) {
      const int64_t value = -12345678901LL;
      UT_STR::SPrintf(expected, c.spec, value);
      got = parse(alias.c_str(), &m, value, "next");
    } else {
      const int32_t value = -1234567;
      UT_STR::SPrintf(expected, c.spec, value);
      got = parse(alias.c_str(), &m, value, "next");
    }
    const std::string e(expected);
    EXPECT_EQ(std::wstring(e.begin(), e.end()) + L"|next", got) << c.spec;
  }
}

TEST(MessageText, WithoutAnEntryTheAliasIsTheFormat) {
  EXPECT_EQ(L"File na\u00efve.txt has 3 lines, 100%.\n",
            parse("File %z has %d lines, 100%%.\n", nullptr, L"na\u00efve.txt", 3));
  // A 'z' right after the '%' is a wide text even before another letter; "%%z" is text.
  EXPECT_EQ(L"%z w|wu", parse("%%z %z|%zu", nullptr, L"w", L"w"));
  const std::string longValue(6000, 'z');
  EXPECT_EQ(std::wstring(6000, L'z') + L"!", parse("%s!", nullptr, longValue.c_str()));
}

TEST(MessageVariants, HtmlAndXmlWithNamedValuesAndArgumentLists) {
  Port_Message m(42, "Cannot open %s with <%s>.\n", L"Open !%1! failed (!%2!).");
  m.addMsgSubClass(L"HTML=<p class=\"!%T!\">!%N!: !%M!</p>");
  // Every comma stands for the base argument at its position: here the second and third.
  m.addMsgSubClass(L"XML(\"<!%1!>\",,\"n\\\"=\\t\")=!%1!|!%2!|!%3!|!%4!|!%Q!");
  EXPECT_EQ(L"<p class=\"WARNING\">42: Open a&amp;b failed (&lt;x&gt;).</p>",
            variant("HTML", Port_MsgMan::MSG_WARNING, m.getMsgAlias(), &m, "a&b", "<x>"));
  EXPECT_EQ(L"<a&amp;b>|&lt;x&gt;||n\"=\t|Open <a&amp;b> failed (&lt;x&gt;).",
            variant("XML", Port_MsgMan::MSG_ERROR, m.getMsgAlias(), &m, "a&b", "<x>"));
  EXPECT_EQ(L"<null>", variant("PDF", Port_MsgMan::MSG_ERROR, m.getMsgAlias(), &m, "a", "b"));
  EXPECT_EQ(L"<null>", variant("XML", Port_MsgMan::MSG_ERROR, "x", nullptr));
}

namespace {
ChildResult catprobe(const std::vector<std::string> &args, const std::string &quelmo,
                     std::map<std::string, std::string> env = {}) {
  env.emplace("QUELMO", quelmo);
  env.emplace("MYQUELMO", kUnset);
  env.emplace("QEL_NO_TRANSLATE", kUnset);
  env.emplace("QEL_MAXLINEWIDTH", "400"); // paths of temporary trees are long
  return runProgram(testProgram("catprobe"), args, porttest::quietEnv(env));
}

const char *const kEntry = "7\nHello.\nHello from %s.\n;;\n";
} // namespace

TEST(MessageSearch, FoundInTheLanguageDirectoryWithEnglishStandingInForJapanese) {
  TempTree tree;
  const std::string inst = tree.installation("inst");
  tree.write("inst/msg/usenglish/Lib.msg", kEntry);
  EXPECT_EQ("7|Hello from %s.\n", catprobe({"lookup", "Lib", "Hello."}, inst).out);
  EXPECT_EQ("7|Hello from %s.\n",
            catprobe({"lookup", "Lib", "Hello."}, inst, {{"LANGUAGE", "japanese"}}).out);
  tree.write("inst/msg/japanese/Lib.msg", "7\nHello.\nKonnichiwa.\n;;\n");
  EXPECT_EQ("7|Konnichiwa.\n",
            catprobe({"lookup", "Lib", "Hello."}, inst, {{"LANGUAGE", "japanese"}}).out);
}

TEST(MessageSearch, PrivateDirectoryThenInstallationsInOrder) {
  TempTree tree;
  const std::string first = tree.installation("first");
  const std::string second = tree.installation("second");
  tree.write("second/msg/usenglish/Lib.msg", "7\nHello.\nsecond\n;;\n");
  EXPECT_EQ("7|second\n", catprobe({"lookup", "Lib", "Hello."}, first + ";" + second).out);
  tree.write("first/msg/usenglish/Lib.msg", "7\nHello.\nfirst\n;;\n");
  const std::string mine = tree.mkdir("mine");
  tree.write("mine/msg/usenglish/Lib.msg", "7\nHello.\nmine\n;;\n");
  EXPECT_EQ("7|first\n", catprobe({"lookup", "Lib", "Hello."}, first + ";" + second).out);
  EXPECT_EQ("7|mine\n",
            catprobe({"lookup", "Lib", "Hello."}, first + ";" + second, {{"MYQUELMO", mine}}).out);
}

TEST(MessageSearch, MissingOrBrokenFileIsReportedOnceAndMessagesPrintTheirAlias) {
  TempTree tree;
  const std::string inst = tree.installation("inst");
  ChildResult r = catprobe({"issue", "Lib", "First.\n", "Second.\n"}, inst);
  EXPECT_EQ("WARNING:Portability - Message file \"Lib.msg\" wasn't found.\n"
            "WARNING:Lib - First.\n"
            "WARNING:Lib - Second.\n",
            r.err);
  const std::string path =
      tree.write("inst/msg/usenglish/Lib.msg", kEntry + std::string("x\n"
                                                                    "8\nBye.\n"));
  // "x" ends the entries without error; a file that breaks inside an entry is reported.
  r = catprobe({"lookup", "Lib", "Hello.", "Bye."}, inst);
  EXPECT_EQ("7|Hello from %s.\n0|Bye.\n", r.out);
  EXPECT_EQ("", r.err);
  tree.write("inst/msg/usenglish/Lib.msg", kEntry + std::string("8\nBye.\n"));
  r = catprobe({"lookup", "Lib", "Hello.", "Bye."}, inst);
  EXPECT_EQ("7|Hello from %s.\n0|Bye.\n", r.out);
  EXPECT_EQ("WARNING:Portability - Error reading message file \"" + path + "\".\n", r.err);
}

TEST(MessageSearch, NoTranslateMeansAliasTextWithoutNumber) {
  TempTree tree;
  const std::string inst = tree.installation("inst");
  tree.write("inst/msg/usenglish/Lib.msg", kEntry);
  const ChildResult r = catprobe({"issue", "Lib", "Hello."}, inst, {{"QEL_NO_TRANSLATE", "1"}});
  EXPECT_EQ("WARNING:Lib - Hello.", r.err);
}

TEST(MessageSearch, NumberedLookup) {
  TempTree tree;
  const std::string inst = tree.installation("inst");
  tree.write("inst/msg/usenglish/Lib.msg", kEntry);
  EXPECT_EQ("Hello.|Hello from %s.\n(none)|\n", catprobe({"bynum", "Lib", "7", "8"}, inst).out);
}
