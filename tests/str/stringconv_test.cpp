// Shared string over the text utilities: number conversion, checksum and formatting.
#include "Port_StringBase.h"
#include "basutstr.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <stdexcept>
#include <string>

using Str = Port::StringBase<char>;
using WStr = Port::StringBase<wchar_t>;

namespace {

const Port_Range kAll(0, 0xFFFFFFFFu);

TEST(StringConvert, Int32) {
  struct Case {
    const char *text;
    Port_Range range;
    bool ok;
    int32_t value;
  } cases[] = {
      {"42xyz", kAll, true, 42},
      {"0", kAll, true, 0},
      {"  -17", kAll, true, -17},
      {"ab123cd", {2, 4}, true, 123},
      {"ab123cd", {2, 2}, true, 1},
      {"99999999999", kAll, true, 2147483647},
      {"-99999999999", kAll, true, -2147483647 - 1},
      {"xyz", kAll, false, -5},
      {"", kAll, false, -5},
      {"12", {5, 9}, false, -5},
      {"12", Port_Range(), false, -5},
  };
  for (const Case &c : cases) {
    int32_t v = -5;
    EXPECT_EQ(Str(c.text).GetINT32(c.range, &v), c.ok) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
  int32_t w = 0;
  EXPECT_TRUE(WStr(L" 77 ").ConvertToINT32(kAll, &w));
  EXPECT_EQ(w, 77);
}

TEST(StringConvert, OtherWidthsAndDouble) {
  uint32_t u32 = 0;
  EXPECT_TRUE(Str("4294967295").GetUINT32(kAll, &u32));
  EXPECT_EQ(u32, 4294967295u);
  int64_t i64 = 0;
  EXPECT_TRUE(Str("-9223372036854775807").GetINT64(kAll, &i64));
  EXPECT_EQ(i64, -9223372036854775807LL);
  uint64_t u64 = 1;
  EXPECT_TRUE(Str("18446744073709551615!").ConvertToUINT64(kAll, &u64));
  EXPECT_EQ(u64, 18446744073709551615ULL);
  EXPECT_FALSE(Str("-").GetUINT64(kAll, &u64));
  EXPECT_EQ(u64, 18446744073709551615ULL);
  double d = 1.5;
  EXPECT_TRUE(Str("3.5e2x").GetD(kAll, &d));
  EXPECT_EQ(d, 350.0);
  EXPECT_TRUE(Str("0.0").ConvertToDouble(kAll, &d));
  EXPECT_EQ(d, 0.0);
  d = 1.5;
  EXPECT_FALSE(Str("x1").GetD(kAll, &d));
  EXPECT_EQ(d, 1.5);
  EXPECT_TRUE(WStr(L"2.25").GetD(kAll, &d));
  EXPECT_EQ(d, 2.25);
}

TEST(StringConvert, GetValueAndDigits) {
  EXPECT_EQ(Port::GetValue("123abc"), 123u);
  EXPECT_EQ(Port::GetValue(L"18446744073709551615"), 18446744073709551615ULL);
  EXPECT_EQ(Port::GetValue("abc"), 0u);
  EXPECT_TRUE(Port::IsDigit('7'));
  EXPECT_FALSE(Port::IsDigit('x'));
  EXPECT_FALSE(Port::IsDigit('\xb2')); // superscript two in Latin-1 is not a digit
  EXPECT_TRUE(Port::IsDigit(L'0'));
}

TEST(StringChecksum, Crc32) {
  EXPECT_EQ(Str("abc").CRC32(), 0x352441C2u);
  EXPECT_EQ(Str::CRC32(Str("abc")), 0x352441C2u);
  EXPECT_EQ(Str().CRC32(), 0u);
  // Embedded zeros belong to the text.
  EXPECT_NE(Str("a\0b", 3).CRC32(), Str("a").CRC32());
}

TEST(StringFormat, Narrow) {
  Str s("old");
  s.Format("%d-%s-%c", 7, "x", 'y');
  EXPECT_STREQ(s.GetBuffer(), "7-x-y");
  s.Format("%lU|%hI|%I", static_cast<uint64_t>(18446744073709551615ULL), static_cast<int16_t>(-3),
           static_cast<int32_t>(-2147483647 - 1));
  EXPECT_STREQ(s.GetBuffer(), "18446744073709551615|-3|-2147483648");
  s.Format(nullptr);
  EXPECT_EQ(s.GetLength(), 0u);
  EXPECT_STREQ(Str::doFormat("%05.1f", 2.25).GetBuffer(), "002.2");
}

TEST(StringFormat, LongOutputAndOwnTextAsArgument) {
  const std::string big(100000, 'q');
  Str s;
  s.Format("<%s>", big.c_str());
  EXPECT_EQ(s.GetLength(), 100002u);
  EXPECT_EQ(s.GetChar(100001), '>');
  Str t("ab");
  t.Format("%s%s", t.GetBuffer(), t.GetBuffer());
  EXPECT_STREQ(t.GetBuffer(), "abab");
  Str u(big.c_str()), shared(u);
  u.Format("%s!", u.GetBuffer());
  EXPECT_EQ(u.GetLength(), 100001u);
  EXPECT_EQ(shared.GetLength(), 100000u);
}

TEST(StringFormat, WideUsesWindowsConversions) {
  struct Case {
    std::wstring expected;
    WStr got;
  };
  const Case cases[] = {
      {L"wide and narr\u00e9", WStr::doFormat(L"%s and %S", L"wide", "narr\xc3\xa9")},
      {L"a|b|c|d", WStr::doFormat(L"%hs|%ls|%c|%C", "a", L"b", L'c', 'd')},
      {L"[  7][7   ][007]", WStr::doFormat(L"[%3d][%-4d][%03d]", 7, 7, 7)},
      {L"[ab   ][  abc]", WStr::doFormat(L"[%-5.2s][%*s]", L"abc", 5, L"abc")},
      {L"-9000000000 ffffffff 2.50",
       WStr::doFormat(L"%I64d %x %.2f", -9000000000LL, 0xFFFFFFFFu, 2.5)},
      {L"100% (null)", WStr::doFormat(L"100%% %s", static_cast<const wchar_t *>(nullptr))},
      {L"\U0001F600", WStr::doFormat(L"%S", "\xf0\x9f\x98\x80")},
      {L"[+1.5][  3][0x1f][%,d]", WStr::doFormat(L"[%+.1f][%3Iu][%#x][%,d]", 1.5, size_t(3), 31)},
  };
  for (const Case &c : cases)
    EXPECT_EQ(std::wstring(c.got.GetBuffer(), c.got.GetLength()), c.expected);
  WStr w(L"self");
  w.Format(L"%s+%s", w.GetBuffer(), w.GetBuffer());
  EXPECT_EQ(std::wstring(w.GetBuffer()), L"self+self");
}

// Under a locale with a decimal comma every formatter and reader still uses '.': the narrow and
// wide shared string, UT_STR's printf family and SScanf. Run in a child, which sets the locale
// for the whole process as a host program would.
TEST(StringFormat, NumbersIgnoreTheProcessLocale) {
  const char *german = nullptr;
  for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
    try {
      std::locale probe(name);
      german = name;
      break;
    } catch (const std::runtime_error &) {
    }
  }
  if (!german)
    GTEST_SKIP() << "no German locale on this machine (see locale -a)";
  EXPECT_EXIT(
      {
        std::setlocale(LC_ALL, german);
        char c[32];
        std::snprintf(c, sizeof c, "%.2f", 1.5);
        if (std::string(c) != "1,50") {
          std::fprintf(stderr, "the locale writes %s\n", c);
          std::exit(2);
        }
        const char *fmt = "%.2f|%g|%e|%8.3Lf|%lu";
        const std::string expected = "1.50|0.25|1.250000e+00|  -0.125|7";
        const std::wstring wideExpected(expected.begin(), expected.end());
        char buf[64];
        UT_STR::SNPrintf(buf, sizeof buf, fmt, 1.5, 0.25, 1.25, -0.125L, 7UL);
        const Str narrow = Str::doFormat(fmt, 1.5, 0.25, 1.25, -0.125L, 7UL);
        const WStr wide = WStr::doFormat(L"%.2f|%g|%e|%8.3Lf|%lu", 1.5, 0.25, 1.25, -0.125L, 7UL);
        double read = 0;
        const int fields = UT_STR::SScanf("2.5", "%lf", &read);
        const bool ok = std::string(buf) == expected &&
                        std::string(narrow.GetBuffer(), narrow.GetLength()) == expected &&
                        std::wstring(wide.GetBuffer(), wide.GetLength()) == wideExpected &&
                        fields == 1 && read == 2.5;
        if (!ok)
          std::fprintf(stderr, "SNPrintf %s, Format %s, wide Format %ls, SScanf %d %g\n", buf,
                       narrow.GetBuffer(), wide.GetBuffer(), fields, read);
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

} // namespace
