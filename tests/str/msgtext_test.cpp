// Message-text functions: skipping, paths, placeholders, cleaning, substitution, counting.
#include "basutstr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::wstring take(wchar_t *s) {
  std::unique_ptr<wchar_t[]> owner(s);
  return s ? std::wstring(s) : std::wstring(L"<null>");
}

TEST(MsgText, SkipSpaceStopsAtLineFeed) {
  EXPECT_EQ(std::wstring(skip_space(L" \t\r abc")), L"abc");
  EXPECT_EQ(std::wstring(skip_space(L"  \n  x")), L"\n  x");
  EXPECT_EQ(std::wstring(skip_space(L"")), L"");
  EXPECT_EQ(skip_space(nullptr), nullptr);
}

TEST(MsgText, StripPathTakesLastComponentOfEitherSeparator) {
  struct Case {
    const char *in, *out;
  } cases[] = {{"/a/b/c.cpp", "c.cpp"},
               {"C:\\x\\y\\z.cpp", "z.cpp"},
               {"a/b\\c/d\\e.h", "e.h"},
               {"plain.c", "plain.c"},
               {"dir/", ""}};
  for (const Case &c : cases)
    EXPECT_STREQ(strip_path(c.in), c.out) << c.in;
  EXPECT_STREQ(strip_path(nullptr), "Unknown");
}

TEST(MsgText, IsFmtKnowsConversionLetters) {
  for (wchar_t c : std::wstring(L"diopuxXfeEgGcsn%z"))
    EXPECT_TRUE(is_fmt(c)) << char(c);
  for (wchar_t c : std::wstring(L"abyZ-1 "))
    EXPECT_FALSE(is_fmt(c)) << char(c);
  EXPECT_FALSE(is_fmt(0));
}

TEST(MsgText, NumVarargsCountsPercentSignsLessOne) {
  EXPECT_EQ(num_varargs(L"%s and %d"), 1);
  EXPECT_EQ(num_varargs(L"%a%b%c"), 2);
  EXPECT_EQ(num_varargs(L"none"), 0);
  EXPECT_EQ(num_varargs(nullptr), 0);
}

TEST(MsgText, GetStrBySepRemovesPercentField) {
  wchar_t text[] = L"file !%1! not found";
  EXPECT_EQ(take(get_str_by_sep(text, L'!')), L"%1");
  EXPECT_EQ(std::wstring(text), L"file  not found");

  wchar_t plain[] = L"a !b! c";
  EXPECT_EQ(get_str_by_sep(plain, L'!'), nullptr);
  EXPECT_EQ(std::wstring(plain), L"a !b! c");

  wchar_t single[] = L"a !%1 c";
  EXPECT_EQ(get_str_by_sep(single, L'!'), nullptr);
}

TEST(MsgText, ReplaceVarResolvesPlaceholders) {
  wchar_t one[] = L"alpha", two[] = L"beta";
  wchar_t *names[] = {one, two};
  EXPECT_EQ(take(replace_var(L"%%", names, 2)), L"%");
  EXPECT_EQ(take(replace_var(L"%n", names, 2)), L"n");
  EXPECT_EQ(take(replace_var(L"%1", names, 2)), L"alpha");
  EXPECT_EQ(take(replace_var(L"%2", names, 2)), L"beta");
  EXPECT_EQ(replace_var(L"%3", names, 2), nullptr);
  EXPECT_EQ(replace_var(L"%0", names, 2), nullptr);
  EXPECT_EQ(replace_var(L"%99999999999999999999", names, 2), nullptr);
  EXPECT_EQ(take(replace_var(L"text", names, 2)), L"text");
}

TEST(MsgText, CleanCharsBlanksControlsButKeepsWhiteSpaceAndText) {
  wchar_t w[] = L"a\x01\tb\n\x7f\x85\x00e9\x65e5";
  cleanwchars(w);
  EXPECT_EQ(std::wstring(w), L"a \tb\n  \x00e9\x65e5");

  wchar_t jp[] = L"\x65e5\x672c \x0001x";
  cleanwchars(jp);
  EXPECT_EQ(std::wstring(jp), L"\x65e5\x672c  x");

  char n[] = "a\x01\t\xc3\xa9\x7f";
  cleanchars(n);
  EXPECT_STREQ(n, "a \t\xc3\xa9 ");
}

TEST(MsgText, CleanStrDependsOnLanguage) {
  struct Case {
    const char *language; // null: unset
    bool cleaned;
  } cases[] = {{nullptr, true}, {"usenglish", true}, {"japanese", false}};
  for (const Case &c : cases) {
    if (c.language)
      setenv("LANGUAGE", c.language, 1);
    else
      unsetenv("LANGUAGE");
    wchar_t text[] = L"x\x01y";
    clean_str(text);
    EXPECT_EQ(std::wstring(text), c.cleaned ? L"x y" : L"x\x01y") << (c.language ? c.language : "");
  }
  unsetenv("LANGUAGE");
}

TEST(MsgText, AddCrOnlyWhereMissing) {
  EXPECT_EQ(take(add_cr(L"a\nb\r\nc\n")), L"a\r\nb\r\nc\r\n");
  EXPECT_EQ(take(add_cr(L"\n\n")), L"\r\n\r\n");
  EXPECT_EQ(take(add_cr(L"")), L"");
}

TEST(MsgText, StrsubstReplacesLeftToRightWithoutRescanning) {
  struct Case {
    const wchar_t *text, *from, *to, *out;
  } cases[] = {
      {L"a.b.c", L".", L"::", L"a::b::c"},
      {L"aaa", L"aa", L"aaaa", L"aaaaa"}, // overlapping: left to right, no rescan
      {L"abc", L"x", L"y", L"abc"},
      {L"abcabc", L"abc", L"", L""},
      {L"ab", L"abc", L"z", L"ab"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(take(ut_strsubst(c.text, c.from, c.to)), c.out) << c.text;
  std::unique_ptr<char[]> narrow(ut_strsubst("x%zy%z", "%z", "%S"));
  EXPECT_STREQ(narrow.get(), "x%Sy%S");
}

TEST(MsgText, Counting) {
  EXPECT_EQ(count_char("a,b,,c", ','), 3);
  EXPECT_EQ(count_wchar(L"\x65e5x\x65e5", L'\x65e5'), 2);
  EXPECT_EQ(count_str(L"aaaa", L"aa"), 2);
  EXPECT_EQ(count_str(L"abcab", L"abc"), 1);
  EXPECT_EQ(count_str("%s %d %s", "%s"), 2);
  EXPECT_EQ(count_str("ab", "abc"), 0);
  EXPECT_EQ(count_str(static_cast<const char *>(nullptr), "a"), 0);
  EXPECT_EQ(count_str(L"abc", L""), 0);
}

} // namespace
