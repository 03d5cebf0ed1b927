// UT_STR text operations: copies, cleaning, tokens, line breaking, scrambling, checksums.
#include "basutstr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

// Array allocations of this program (and of the library it loads) go through these two, so a
// test can see which blocks a call frees. Both sides use malloc and free, so they stay a pair
// for the sanitizers as well.
namespace {
std::atomic<bool> g_recordFrees{false};
void *g_freed[16];
std::atomic<int> g_freedCount{0};
} // namespace

// Kept out of line: inlined, the compiler would pair malloc with delete[] and warn.
__attribute__((noinline)) void *operator new[](std::size_t size) {
  if (void *p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete[](void *p) noexcept {
  if (p && g_recordFrees.load()) {
    const int i = g_freedCount.fetch_add(1);
    if (i < 16)
      g_freed[i] = p;
  }
  std::free(p);
}
void operator delete[](void *p, std::size_t) noexcept { operator delete[](p); }
// The library also allocates arrays without exceptions (the regular-expression compiler does).
__attribute__((noinline)) void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
  return std::malloc(size ? size : 1);
}
void operator delete[](void *p, const std::nothrow_t &) noexcept { operator delete[](p); }

namespace {

// Records the array frees made while it lives.
class ArrayFrees {
public:
  ArrayFrees() {
    g_freedCount = 0;
    g_recordFrees = true;
  }
  ~ArrayFrees() { g_recordFrees = false; }
  std::vector<void *> pointers() const {
    return std::vector<void *>(g_freed, g_freed + std::min(g_freedCount.load(), 16));
  }
};

// count is read after the call that filled it.
template <typename C> std::vector<std::basic_string<C>> takeLines(C **lines, const int *pcount) {
  const int count = *pcount;
  std::vector<std::basic_string<C>> out;
  for (int i = 0; i < count; ++i)
    out.emplace_back(lines[i]);
  if constexpr (sizeof(C) == 1)
    UT_STR::DelStrings(lines, count);
  else
    UT_STR::WDelStrings(lines, count);
  return out;
}

TEST(UtStr, DupCopiesAndKeepsNull) {
  const char *text = "abc";
  char *copy = UT_STR::Dup(text);
  ASSERT_NE(copy, text);
  EXPECT_STREQ(copy, "abc");
  delete[] copy;
  EXPECT_EQ(UT_STR::Dup(nullptr), nullptr);
  wchar_t *wcopy = UT_STR::WDup(L"\x65e5x");
  EXPECT_EQ(std::wstring(wcopy), L"\x65e5x");
  delete[] wcopy;
  EXPECT_EQ(UT_STR::WDup(nullptr), nullptr);
}

TEST(UtStr, DelStringsFreesEachEntryAndTheArrayOnceAndSkipsNullEntries) {
  char **strs = new char *[3] { UT_STR::Dup("a"), nullptr, UT_STR::Dup("c") };
  const std::vector<void *> expected = {strs[0], strs[2], strs};
  {
    ArrayFrees frees;
    UT_STR::DelStrings(strs, 3);
    EXPECT_EQ(expected, frees.pointers());
  }
  wchar_t **wstrs = new wchar_t *[2] { nullptr, UT_STR::WDup(L"w") };
  const std::vector<void *> wexpected = {wstrs[1], wstrs};
  {
    ArrayFrees frees;
    UT_STR::WDelStrings(wstrs, 2);
    EXPECT_EQ(wexpected, frees.pointers());
  }
  ArrayFrees none;
  UT_STR::DelStrings(nullptr, 4);
  UT_STR::LDelStrings(nullptr, 0);
  EXPECT_TRUE(none.pointers().empty());
}

TEST(UtStr, CleanStringBlanksOutsidePrintableAscii) {
  char s[] = "a\tb\x01\xc3\xa9~";
  EXPECT_EQ(UT_STR::CleanString(s), s);
  EXPECT_STREQ(s, "a b   ~");
  wchar_t w[] = L"x\n\x65e5 y";
  EXPECT_EQ(UT_STR::WCleanString(w), w);
  EXPECT_EQ(std::wstring(w), L"x   y");
  EXPECT_EQ(UT_STR::CleanString(nullptr), nullptr);
}

TEST(UtStr, TrimAndPad) {
  char s[32] = " \t\x80hello world\x7f\n ";
  EXPECT_STREQ(UT_STR::Trim(s), "hello world");
  char blank[8] = " \t ";
  EXPECT_STREQ(UT_STR::Trim(blank), "");
  char p[8] = "ab";
  EXPECT_STREQ(UT_STR::Pad(p, 5), "ab   ");
  EXPECT_STREQ(UT_STR::Pad(p, 2), "ab   ");
  EXPECT_EQ(UT_STR::Pad(nullptr, 3), nullptr);
}

TEST(UtStr, AllBlank) {
  EXPECT_TRUE(UT_STR::AllBlank(""));
  EXPECT_TRUE(UT_STR::AllBlank(" \t\n\x7f\xa0"));
  EXPECT_FALSE(UT_STR::AllBlank("  !"));
  EXPECT_TRUE(UT_STR::WAllBlank(L" \x3000"));
  EXPECT_FALSE(UT_STR::WAllBlank(L" ~"));
}

// One call of a tokenizer on a text it shifts: what it returns, the token, the text left.
struct TokenStep {
  int result;
  const char *token;
  const char *rest;
};

// Runs next over text until the steps are done, checking each call against its step.
void expectTokens(int (*next)(char *, char *, const char *), const char *text, const char *delims,
                  const std::vector<TokenStep> &steps) {
  std::vector<char> src(text, text + std::strlen(text) + 1);
  char token[32];
  for (const TokenStep &step : steps) {
    EXPECT_EQ(next(src.data(), token, delims), step.result) << text << " -> " << step.token;
    EXPECT_STREQ(token, step.token) << text;
    EXPECT_STREQ(src.data(), step.rest) << text << " -> " << step.token;
  }
}

TEST(UtStr, GetTokenSkipsBlanksAndShiftsRest) {
  expectTokens(UT_STR::GetToken, "  key=value;rest", "=;",
               {{'=', "key", "value;rest"}, {';', "value", "rest"}, {1, "rest", ""}, {0, "", ""}});
  char token[32];
  EXPECT_EQ(UT_STR::GetToken(nullptr, token, ";"), 0);
}

TEST(UtStr, ParseKeepsBlanksAndSkipsLeadingFirstDelimiter) {
  expectTokens(UT_STR::Parse, ",  a,b", ",", {{',', "  a", "b"}});
  char token[16];
  wchar_t wsrc[] = L";x";
  wchar_t wtoken[8];
  EXPECT_EQ(UT_STR::WParse(wsrc, wtoken, L";"), 1);
  EXPECT_EQ(std::wstring(wtoken), L"x");
  EXPECT_EQ(UT_STR::Parse(nullptr, token, ","), 0);
}

TEST(UtStr, BreakStringWrapsAtBlanksWithIndent) {
  int n = 0;
  // Width 15, indent 3: first line up to 15 characters, then 3 blanks and up to 12 more.
  auto lines =
      takeLines(UT_STR::BreakString("the quick brown fox jumps over the lazy dog", 15, &n, 3), &n);
  std::vector<std::string> expected = {"the quick brown", "   fox jumps", "   over the",
                                       "   lazy dog"};
  EXPECT_EQ(lines, expected);
  for (const std::string &line : lines)
    EXPECT_LE(line.size(), 15u);
}

TEST(UtStr, BreakStringCutsLongWordsAndHonoursLineFeeds) {
  int n = 0;
  auto lines =
      takeLines(UT_STR::BreakString("abcdefghijklmnopqrstuvwxy\nz\n\nend\n", 10, &n, 0), &n);
  // A line that the text ended keeps its line feed; one that the width ended has none.
  std::vector<std::string> expected = {"abcdefghij", "klmnopqrst", "uvwxy\n", "z\n", "\n", "end\n"};
  EXPECT_EQ(lines, expected);

  lines = takeLines(UT_STR::BreakString("one\r\ntwo\r\n", 20, &n, 0), &n);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two"}));

  lines = takeLines(UT_STR::BreakString("", 20, &n, 0), &n);
  EXPECT_EQ(lines, std::vector<std::string>{""});
}

TEST(UtStr, BreakStringRaisesIndentAndWidth) {
  // Indent 20 becomes 3, width 5 becomes 13.
  int n = 0;
  auto lines = takeLines(UT_STR::BreakString("aaaa bbbb cccc dddd", 5, &n, 20), &n);
  std::vector<std::string> expected = {"aaaa bbbb", "   cccc dddd"};
  EXPECT_EQ(lines, expected);

  short sn = 0;
  char **slines = UT_STR::BreakString("aaaa bbbb cccc dddd", short(5), &sn, short(20));
  EXPECT_EQ(sn, 2);
  UT_STR::DelStrings(slines, sn);
}

TEST(UtStr, BreakStringDoesNotSplitUtf8Characters) {
  int n = 0;
  // Eleven two-byte characters: a cut at byte 10 would fall inside none, at 11 inside one.
  std::string text;
  for (int i = 0; i < 11; ++i)
    text += "\xc3\xa9";
  auto lines = takeLines(UT_STR::BreakString(("x" + text).c_str(), 10, &n, 0), &n);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "x" + text.substr(0, 8));
  EXPECT_EQ(lines[0] + lines[1] + lines[2], "x" + text);
}

TEST(UtStr, WBreakStringCountsWideCharacters) {
  int n = 0;
  std::wstring text = L"\x65e5\x672c\x8a9e\x65e5\x672c\x8a9e\x65e5\x672c\x8a9e\x65e5 \x672c";
  auto lines = takeLines(UT_STR::LBreakString(text.c_str(), 10, &n, 0), &n);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], text.substr(0, 10));
  EXPECT_EQ(lines[1], L"\x672c");
}

TEST(UtStr, EncodeDecodeRoundTrip) {
  const char *texts[] = {"QUELMO", "a", "PATH=/usr/bin:/bin", ""};
  for (const char *t : texts) {
    char buf[64];
    std::strcpy(buf, t);
    UT_STR::Encode(buf);
    if (*t) {
      EXPECT_NE(std::string(buf), t);
      EXPECT_TRUE(static_cast<unsigned char>(buf[0]) & 0x80);
    }
    EXPECT_STREQ(UT_STR::Decode(buf), t);
  }
  char first[] = "A";
  UT_STR::Encode(first);
  EXPECT_EQ(static_cast<unsigned char>(first[0]), 0xC1 - 2);
  char plain[] = "HOME";
  EXPECT_STREQ(UT_STR::Decode(plain), "HOME"); // first byte below 128: unchanged
}

// Texts whose scrambled form would not come back (a zero byte past 126 bytes, bytes from 0x80
// up that Decode would alter) are left as they are rather than lost.
TEST(UtStr, EncodeNeverLosesText) {
  std::string texts[] = {std::string(300, 'a') + "xyz~", "t\xc3\xa9t\xc3\xa9",
                         "\x01"
                         "abc"};
  for (const std::string &t : texts) {
    std::vector<char> buf(t.begin(), t.end());
    buf.push_back(0);
    UT_STR::Encode(buf.data());
    EXPECT_EQ(std::string(buf.data()), t);
    EXPECT_EQ(std::string(UT_STR::Decode(buf.data())), t);
  }
  // A text that begins with a byte from 0x80 up cannot be told from a scrambled one: Encode
  // leaves it, and only Decode would change it.
  char high[] = "\xc3\xa9t\xc3\xa9";
  EXPECT_STREQ(UT_STR::Encode(high), "\xc3\xa9t\xc3\xa9");

  std::vector<char> shortText(121, 'Q');
  shortText.back() = 0;
  UT_STR::Encode(shortText.data());
  EXPECT_NE(shortText[0], 'Q');
  EXPECT_EQ(std::string(UT_STR::Decode(shortText.data())), std::string(120, 'Q'));
}

TEST(UtStr, Crc32) {
  EXPECT_EQ(UT_STR::CRC32("abc", 3), 0x352441C2u);
  EXPECT_EQ(UT_STR::CRC32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(UT_STR::CRC32("abc", 0), 0u);
}

TEST(UtStr, IToA) {
  char buf[12];
  EXPECT_STREQ(UT_STR::IToA(INT32_MIN, buf), "-2147483648");
  EXPECT_STREQ(UT_STR::UIToA(UINT32_MAX, buf), "4294967295");
}

TEST(UtStr, CaseBlindCompareReturnsDifference) {
  EXPECT_EQ(UT_STR::ICompare("abc", "ABC"), 0);
  EXPECT_EQ(UT_STR::ICompare("abd", "ABC"), 1);
  EXPECT_LT(UT_STR::ICompare("ab", "ABC"), 0);
  EXPECT_EQ(UT_STR::INCompare("abcX", "ABCy", 3), 0);
  EXPECT_EQ(UT_STR::ICompare("\xe9", "a"), 0xE9 - 'A');
  EXPECT_EQ(UT_STR::WICompare(L"x", L"X"), 0);
  EXPECT_GT(UT_STR::WCompare(L"\x65e5", L"a"), 0);
}

TEST(UtStr, CharacterClassesAreThoseOfTheCLocale) {
  EXPECT_TRUE(UT_STR::IsSpace('\v'));
  EXPECT_FALSE(UT_STR::IsSpace(0xA0));
  EXPECT_FALSE(UT_STR::IsAlpha(0xE9));
  EXPECT_FALSE(UT_STR::IsPrint(-23));
  EXPECT_TRUE(UT_STR::IsPunct('~'));
  EXPECT_EQ(UT_STR::ToUpper(0xE9), 0xE9);
  EXPECT_EQ(UT_STR::ToUpper('q'), 'Q');
}

TEST(UtStr, SmallInPlaceOperations) {
  char s[] = "a-b-c";
  EXPECT_STREQ(UT_STR::ReplaceChar(s, '-', '+'), "a+b+c");
  EXPECT_STREQ(UT_STR::SwapChars(s, 'a', 'c'), "c+b+a");
  EXPECT_STREQ(UT_STR::Reverse(s), "a+b+c");
  char m[32] = "x";
  EXPECT_STREQ(UT_STR::MultiCat(m, "1", "2", nullptr, "never"), "x12");
  char t[] = " one, two ,three";
  EXPECT_STREQ(UT_STR::Tokenize(t, " ,"), "one");
  EXPECT_STREQ(UT_STR::Tokenize(nullptr, " ,"), "two");
  EXPECT_STREQ(UT_STR::Tokenize(nullptr, " ,"), "three");
  EXPECT_EQ(UT_STR::Tokenize(nullptr, " ,"), nullptr);
}

TEST(UtStr, MultibyteConversionsUseUtf8) {
  wchar_t *w = UT_STR::MbstrToWstr("x\xe6\x97\xa5\xff");
  EXPECT_EQ(std::wstring(w), L"x\x65e5\x00ff");
  char *m = UT_STR::WstrToMbstr(w);
  EXPECT_STREQ(m, "x\xe6\x97\xa5\xc3\xbf");
  EXPECT_EQ(UT_STR::MbLen(m), 3u);
  delete[] w;
  delete[] m;
  wchar_t c = 0;
  EXPECT_EQ(UT_STR::MbcharToWchar(&c, "\xe6\x97\xa5z", 4), 3);
  EXPECT_EQ(c, L'\x65e5');
  char out[4];
  EXPECT_EQ(UT_STR::WcharToMbchar(out, L'\x1F600'), 4);
}

} // namespace
