// Regular expressions: compile status, the search's ranges, and bounds on hostile input.
#include "Port_Regexp.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>

namespace {

const Port_Range kNone(1, 0);
const uint32_t kEmptyAt0 = 0xFFFFFFFFu;

TEST(Regexp, CompileStatus) {
  struct Case {
    const char *pattern;
    int status;
  } cases[] = {
      {"abc", 0},   {"^a.c$", 0}, {"[a-z]+", 0}, {"[^]", 0},   {"\\x4g", 0}, {"\\x", 0},
      {"\\101", 0}, {"a\\$", 0},  {"[-a-]", 0},  {"a$b", 0},   {"", 1},      {"*a", 1},
      {"+a", 1},    {"?a", 1},    {"[abc", 1},   {"[a-", 1},   {"a**", 3},   {"a+?", 3},
      {"^*a", 3},   {"\\q", 3},   {"ab\\", 3},   {"[\\q]", 3}, {"\\8", 3},   {"[]", 0},
  };
  for (const Case &c : cases)
    EXPECT_EQ(Port_Regexp(c.pattern).GetStatus(), c.status) << c.pattern;
  EXPECT_EQ(Port_Regexp(static_cast<const char *>(nullptr)).GetStatus(), 1);
}

TEST(Regexp, PatternCodeLimit) {
  // 255 codes plus the end code fit; one more does not.
  EXPECT_EQ(Port_Regexp(std::string(255, 'a').c_str()).GetStatus(), 0);
  EXPECT_EQ(Port_Regexp(std::string(256, 'a').c_str()).GetStatus(), 3);
  EXPECT_EQ(Port_Regexp(std::string(100000, 'a').c_str()).GetStatus(), 3);
  std::string classes;
  for (int i = 0; i < 15; ++i)
    classes += "[a]"; // 15 * 17 = 255 codes
  EXPECT_EQ(Port_Regexp(classes.c_str()).GetStatus(), 0);
  EXPECT_EQ(Port_Regexp((classes + "[a]").c_str()).GetStatus(), 3);
  EXPECT_EQ(Port_Regexp((classes + "*").c_str()).GetStatus(), 3);
  EXPECT_EQ(Port_Regexp((std::string(254, 'a') + "*").c_str()).GetStatus(), 0);
  EXPECT_EQ(Port_Regexp((std::string(255, 'a') + "*").c_str()).GetStatus(), 3);
}

TEST(Regexp, Search) {
  struct Case {
    const char *pattern, *text;
    unsigned start;
    Port_Range expected;
  } cases[] = {
      {"a+b", "xaab", 0, {1, 3}},      {"^ab", "xab", 0, kNone},
      {"^ab", "xab", 1, {1, 2}},       {"b*", "abc", 0, {0, kEmptyAt0}},
      {"[^0-9]+", "12ab3", 0, {2, 3}}, {"c$", "abc", 0, {2, 2}},
      {"c$", "abcd", 0, kNone},        {"a.c", "a\nc abc", 0, {4, 6}},
      {"a.*c", "xabcbc!", 0, {1, 5}},  {"ab?c", "ac abc abbc", 0, {0, 1}},
      {"ab?c", "abbc abc", 1, {5, 7}}, {"x*$", "abxx", 0, {2, 3}},
      {"$", "abc", 0, {3, 2}},         {"^$", "", 0, {0, kEmptyAt0}},
      {"[z-a]", "m", 0, {0, 0}},       {"[\\]\\[]+", "a[]]b", 0, {1, 3}},
      {"[a-]+", "x-a-y", 0, {1, 3}},   {"\\x41\\102\\s\\t", "zAB \t", 0, {1, 4}},
      {"\\.\\*", "a.*", 0, {1, 2}},    {"[^]", "\n", 0, {0, 0}},
      {"[]*x", "x", 0, {0, 0}},        {"abc", "ab", 0, kNone},
      {"a", "abc", 4, kNone},          {"c*", "ab", 2, {2, 1}},
      {"\\xff", "a\xff", 0, {1, 1}},   {"a+", "aaaa", 1, {1, 3}},
  };
  for (const Case &c : cases) {
    const Port_Regexp re(c.pattern);
    ASSERT_EQ(re.GetStatus(), 0) << c.pattern;
    const Port_Range r = re.GetRangeOfMatch(c.text, c.start);
    EXPECT_EQ(r.first, c.expected.first) << c.pattern << " on " << c.text;
    EXPECT_EQ(r.last, c.expected.last) << c.pattern << " on " << c.text;
  }
  EXPECT_EQ(Port_Regexp("a**").GetRangeOfMatch("aaa"), kNone);
  EXPECT_EQ(Port_Regexp("a").GetRangeOfMatch(static_cast<const char *>(nullptr)), kNone);
}

TEST(Regexp, SearchWithinRange) {
  const Port_Regexp re("b+");
  EXPECT_EQ(re.GetRangeOfMatch("abbbc", Port_Range(0, 2)), Port_Range(1, 2));
  EXPECT_EQ(re.GetRangeOfMatch("abbbc", Port_Range(3, 99)), Port_Range(3, 3));
  EXPECT_EQ(re.GetRangeOfMatch("abbbc", Port_Range(6, 9)), kNone);
  EXPECT_EQ(Port_Regexp("c$").GetRangeOfMatch("abcd", Port_Range(0, 2)), Port_Range(2, 2));
  EXPECT_EQ(Port_Regexp("^b").GetRangeOfMatch("abcd", Port_Range(1, 2)), Port_Range(1, 1));
  // The search never reads past the range's end: the text need not be terminated there.
  const char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(Port_Regexp("z").GetRangeOfMatch(unterminated, Port_Range(0, 2)), Port_Range(2, 2));
}

TEST(Regexp, CopyAndReassign) {
  Port_Regexp a("x+");
  Port_Regexp b(a);
  a = "y";
  EXPECT_EQ(b.GetRangeOfMatch("axxb"), Port_Range(1, 2));
  EXPECT_EQ(a.GetRangeOfMatch("axxb"), kNone);
  b = a;
  EXPECT_EQ(b.GetRangeOfMatch("xy"), Port_Range(1, 1));
  a = "*";
  EXPECT_EQ(a.GetStatus(), 1);
  a = Port::StringBase<char>("[0-9]+");
  EXPECT_EQ(a.GetRangeOfMatch("ab123"), Port_Range(2, 4));
}

TEST(Regexp, ThroughTheString) {
  using Str = Port::StringBase<char>;
  const Str s("key = value");
  EXPECT_EQ(s.GetRangeOfMatch(Port_Regexp("[a-z]+$")), Port_Range(6, 10));
  EXPECT_EQ(s.GetRangeOfMatch(Port_Range(0, 4), Port_Regexp("[a-z]+$")), kNone);
  EXPECT_EQ(s.GetRangeOfMatch(Port_Range(0, 2), Port_Regexp("[a-z]+$")), Port_Range(0, 2));
  // Embedded zeros are text like any other.
  const Str z("a\0b", 3);
  EXPECT_EQ(z.GetRangeOfMatch(Port_Regexp("b")), Port_Range(2, 2));
  const Port::StringBase<wchar_t> w(L"\u00e9t\u00e9 2024");
  EXPECT_EQ(w.GetRangeOfMatch(Port_Regexp("[0-9]+")), Port_Range(4, 7));
  EXPECT_EQ(w.GetRangeOfMatch(Port_Regexp("^.t")), Port_Range(0, 1));
  EXPECT_EQ(Port_Regexp("[^a]").GetRangeOfMatch(L"a\u4e2d"), kNone);
  EXPECT_EQ(Port_Regexp("a.").GetRangeOfMatch(L"a\u4e2d"), Port_Range(0, 1));
}

TEST(Regexp, HostileInputStaysBounded) {
  // Many closures against a long text that almost matches: without remembering failed
  // continuations this takes exponential time.
  std::string pattern;
  for (int i = 0; i < 40; ++i)
    pattern += "a*";
  pattern += "b";
  const std::string text(20000, 'a');
  const Port_Regexp re(pattern.c_str());
  ASSERT_EQ(re.GetStatus(), 0);
  EXPECT_EQ(re.GetRangeOfMatch(text.c_str()), kNone);
  EXPECT_EQ(re.GetRangeOfMatch((text + "b").c_str()), Port_Range(0, 20000));
  // A closure over a long text recurses no deeper than the pattern.
  const std::string big(2000000, 'x');
  EXPECT_EQ(Port_Regexp(".*y").GetRangeOfMatch(big.c_str()), kNone);
  EXPECT_EQ(Port_Regexp("x.*").GetRangeOfMatch(big.c_str()), Port_Range(0, 1999999));
}

TEST(Regexp, AgreesWithStdRegexOnTheCommonSubset) {
  // Patterns without alternation or groups search the same way in both: leftmost start, greedy
  // closures that give back one character at a time. A search from an offset is a search of
  // the rest of the text ('^' and '$' anchor at the searched part), and wide text agrees.
  std::mt19937 rng(12345);
  const char *const elements[] = {"a", "b", ".", "[ab]", "[^a]", "[b-c]", "\\.", "[c]"};
  const char *const closures[] = {"", "", "*", "+", "?"};
  const char alphabet[] = "aabbc.\n";
  for (int round = 0; round < 3000; ++round) {
    std::string pattern = rng() % 4 == 0 ? "^" : "";
    for (int n = 1 + rng() % 5; n > 0; --n)
      pattern += std::string(elements[rng() % 8]) + closures[rng() % 5];
    if (rng() % 4 == 0)
      pattern += "$";
    std::string text;
    for (int n = rng() % 16; n > 0; --n)
      text += alphabet[rng() % 7];
    const unsigned start = round % 2 ? rng() % (text.size() + 1) : 0;
    const Port_Regexp mine(pattern.c_str());
    ASSERT_EQ(mine.GetStatus(), 0) << pattern;
    const Port_Range got = mine.GetRangeOfMatch(text.c_str(), start);
    const std::wstring wide(text.begin(), text.end());
    EXPECT_EQ(got, mine.GetRangeOfMatch(wide.c_str(), start)) << pattern << " on " << text;
    const std::string rest = text.substr(start);
    std::smatch m;
    if (std::regex_search(rest, m, std::regex(pattern))) {
      EXPECT_EQ(got.first, start + uint32_t(m.position(0))) << pattern << " on " << text;
      EXPECT_EQ(got.last, start + uint32_t(m.position(0) + m.length(0) - 1))
          << pattern << " on " << text << " from " << start;
    } else {
      EXPECT_EQ(got, kNone) << pattern << " on " << text << " from " << start;
    }
  }
}

} // namespace
