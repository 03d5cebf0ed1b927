// UT_STR number reading, formatted reading and wildcard matching.
#include "basutstr.h"
#include "capture_manager.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

TEST(NumberReading, BasesSignsAndEndPointer) {
  struct Case {
    const char *text;
    int base;
    long long value;
    int used; // characters consumed
  } cases[] = {
      {"  0x1F", 16, 31, 6}, {"0x1F", 0, 31, 4},  {"017", 0, 15, 3},      {"17", 0, 17, 2},
      {"-101z", 2, -5, 4},   {"zz", 36, 1295, 2}, {"+42 rest", 1, 42, 3}, // base 1 -> 10
      {"0x", 16, 0, 1},      {"0xg", 0, 0, 1},    {"12a", 10, 12, 2},     {"7", 99, 7, 1},
  };
  for (const Case &c : cases) {
    char *end = nullptr;
    EXPECT_EQ(UT_STR::StrToINT64(c.text, &end, c.base), c.value) << c.text;
    EXPECT_EQ(end - c.text, c.used) << c.text;
  }
}

TEST(NumberReading, NoDigitsLeavesEndAtStart) {
  for (const char *text : {"", "   ", "abc", " -", "+x"}) {
    char *end = nullptr;
    EXPECT_EQ(UT_STR::StrToINT32(text, &end, 10), 0) << '"' << text << '"';
    EXPECT_EQ(end, text) << '"' << text << '"';
  }
}

TEST(NumberReading, OverflowClampsAndConsumesAllDigits) {
  char *end = nullptr;
  const char *big = "99999999999xyz";
  EXPECT_EQ(UT_STR::StrToINT32(big, &end, 10), INT32_MAX);
  EXPECT_EQ(end, big + 11);
  EXPECT_EQ(UT_STR::StrToINT32("-99999999999", &end, 10), INT32_MIN);
  EXPECT_EQ(UT_STR::StrToINT32("2147483647", &end, 10), INT32_MAX);
  EXPECT_EQ(UT_STR::StrToINT32("-2147483648", &end, 10), INT32_MIN);
  EXPECT_EQ(UT_STR::StrToINT32("2147483648", &end, 10), INT32_MAX);
  EXPECT_EQ(UT_STR::StrToUINT32("4294967295", &end, 10), UINT32_MAX);
  EXPECT_EQ(UT_STR::StrToUINT32("4294967296", &end, 10), UINT32_MAX);
  EXPECT_EQ(UT_STR::StrToUINT32("-99999999999", &end, 10), 0u);
  EXPECT_EQ(UT_STR::StrToUINT32("-1", &end, 10), UINT32_MAX); // negated modulo 2^32
  EXPECT_EQ(UT_STR::StrToINT64("9223372036854775808", &end, 10), INT64_MAX);
  EXPECT_EQ(UT_STR::StrToINT64("-9223372036854775808", &end, 10), INT64_MIN);
  EXPECT_EQ(UT_STR::StrToUINT64("18446744073709551616", &end, 10), UINT64_MAX);
  EXPECT_EQ(UT_STR::StrToUINT64("ffffffffffffffff", &end, 16), UINT64_MAX);
  // long is this platform's long: 64 bits.
  EXPECT_EQ(UT_STR::StrToL("4294967296", &end, 10), 4294967296L);
  EXPECT_EQ(UT_STR::StrToL("99999999999999999999", &end, 10), LONG_MAX);
  EXPECT_EQ(UT_STR::StrToUL("99999999999999999999", &end, 10), ULONG_MAX);
  EXPECT_EQ(UT_STR::AToI("  -77abc"), -77);
  EXPECT_EQ(UT_STR::AToI("99999999999"), INT_MAX);
  EXPECT_EQ(UT_STR::AToINT64("-12"), -12);
  EXPECT_EQ(UT_STR::AToF("2.5e1x"), 25.0);
}

TEST(NumberReading, StrictFormsWriteOnlyOnSuccess) {
  struct Case {
    const char *text;
    bool ok;
    int value;
  } cases[] = {{"12 ", true, 12}, {" -7\t\n", true, -7}, {"12a", false, 0}, {"", false, 0},
               {"  ", false, 0},  {"abc", false, 0},     {"0", true, 0},    {"- 1", false, 0}};
  for (const Case &c : cases) {
    int v = 555;
    EXPECT_EQ(UT_STR::StrToINT32(c.text, &v), c.ok) << c.text;
    EXPECT_EQ(v, c.ok ? c.value : 555) << c.text;
  }
  long long v64 = 1;
  EXPECT_TRUE(UT_STR::StrToINT64("-9000000000", &v64));
  EXPECT_EQ(v64, -9000000000LL);
  long l = 3;
  EXPECT_FALSE(UT_STR::StrToL("4x", l));
  EXPECT_EQ(l, 3);
  double d = 1;
  EXPECT_TRUE(UT_STR::StrToD(" 0.25 ", d));
  EXPECT_EQ(d, 0.25);
  EXPECT_FALSE(UT_STR::StrToD("0.25q", d));
  EXPECT_FALSE(UT_STR::StrToD(".", d));
  EXPECT_EQ(d, 0.25);
  int untouched = 9;
  EXPECT_FALSE(UT_STR::StrToINT32(nullptr, &untouched));
}

TEST(Scan, SizedIntegersAndLiterals) {
  int32_t a = 0;
  int64_t b = 0;
  short c = 0;
  unsigned u = 0;
  char word[16] = "";
  EXPECT_EQ(UT_STR::SScanf("a=-5, b=0x7fffffffffffffff c=12 u=4000000000 end",
                           "a=%I, b=%lI c=%hI u=%U %s", &a, &b, &c, &u, word),
            5);
  EXPECT_EQ(a, -5);
  EXPECT_EQ(b, INT64_MAX);
  EXPECT_EQ(c, 12);
  EXPECT_EQ(u, 4000000000u);
  EXPECT_STREQ(word, "end");
  int64_t q = 0, w = 0;
  EXPECT_EQ(UT_STR::SScanf("-12345678901 12345678902", "%qI %I64I", &q, &w), 2);
  EXPECT_EQ(q, -12345678901LL);
  EXPECT_EQ(w, 12345678902LL);
}

TEST(Scan, SuppressionSetsCountAndFailures) {
  int x = 0, pos = -1;
  char set[16] = "";
  EXPECT_EQ(UT_STR::SScanf("skip 42]]abc", "%*s %d%n%[]a]", &x, &pos, set), 2);
  EXPECT_EQ(x, 42);
  EXPECT_EQ(pos, 7);
  EXPECT_STREQ(set, "]]a");
  EXPECT_EQ(UT_STR::SScanf("x", "%d", &x), 0); // matching failure
  EXPECT_EQ(UT_STR::SScanf("", "%d", &x), -1); // input ends before the first conversion
  EXPECT_EQ(UT_STR::SScanf("   ", "%d", &x), -1);
  EXPECT_EQ(UT_STR::SScanf("1 ", "%d %d", &x, &pos), 1);
  double d = 0;
  EXPECT_EQ(UT_STR::SScanf("100%: 2.5", "100%%: %lf", &d), 1);
  EXPECT_EQ(d, 2.5);
}

TEST(Scan, WideTextsAreReadAsUtf8) {
  wchar_t ws[8] = L"";
  wchar_t wc[2] = L"";
  EXPECT_EQ(UT_STR::SScanf("  \xe6\x97\xa5\xe6\x9c\xac rest \xc3\xa9", "%S %*s %C", ws, wc), 2);
  EXPECT_EQ(std::wstring(ws), L"\x65e5\x672c");
  EXPECT_EQ(wc[0], L'\x00e9');
}

TEST(Match, Wildcards) {
  struct Case {
    const char *text, *pattern;
    bool match, imatch;
  } cases[] = {
      {"abc.txt", "*.txt", true, true},
      {"abc", "a?c", true, true},
      {"abc", "A?C", false, true},
      {"abc", "ab", false, false},
      {"", "*", true, true},
      {"", "?", false, false},
      {"aaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*a*b", true, true}, // more than ten stars
      {"mississippi", "m*iss*ppi", true, true},
      {"mississippi", "m*iss*ppx", false, false},
      {"x\xc3\xa9y", "x??y", true, true},
      {"abc", "abc*", true, true},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(UT_STR::Match(c.text, c.pattern), c.match) << c.text << " " << c.pattern;
    EXPECT_EQ(UT_STR::IMatch(c.text, c.pattern), c.imatch) << c.text << " " << c.pattern;
  }
  EXPECT_TRUE(UT_STR::WMatch(L"\x65e5\x672c.msg", L"?\x672c.*"));
  EXPECT_TRUE(UT_STR::LIMatch(L"README", L"read*"));
  EXPECT_FALSE(UT_STR::WMatch(L"README", L"read*"));
}

TEST(Match, SimpleMatchEscapes) {
  EXPECT_TRUE(UT_STR::SimpleMatch("a*b", "a\\*b"));
  EXPECT_FALSE(UT_STR::SimpleMatch("axb", "a\\*b"));
  EXPECT_TRUE(UT_STR::SimpleMatch("a?b\\", "a\\?b\\\\"));
  EXPECT_TRUE(UT_STR::SimpleMatch("anything", "a*g"));
}

TEST(Match, SimpleMatchWarnsAboutBadEscape) {
  porttest::CaptureManager capture;
  porttest::ScopedManager scoped(&capture);
  for (const char *pattern : {"a\\x", "ab\\"}) {
    EXPECT_FALSE(UT_STR::SimpleMatch("ax", pattern)) << pattern;
    ASSERT_FALSE(capture.entries().empty());
    const auto entries = capture.entries();
    const auto &last = entries.back();
    EXPECT_EQ(last.type, Port_MsgMan::MSG_WARNING);
    std::wstring text;
    for (const std::wstring &line : last.lines)
      text += line;
    const std::wstring expected = L"Wrong esacping sequence for pattern \"" +
                                  std::wstring(pattern, pattern + std::strlen(pattern)) + L"\".";
    EXPECT_NE(text.find(expected), std::wstring::npos) << pattern;
  }
  EXPECT_EQ(capture.entries().size(), 2u);
}

} // namespace
