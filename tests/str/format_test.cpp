// UT_STR formatting: sized integers, wide texts, exact length prediction and the all-or-nothing
// bounded forms.
#include "basutstr.h"
#include "str_capture.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

template <typename... Args> std::string fmt(const char *format, Args... args) {
  const int n = UT_STR::SNPrintf(nullptr, 0, format, args...);
  EXPECT_GE(n, 0) << format;
  if (n < 0)
    return "<error>";
  std::vector<char> buf(static_cast<size_t>(n) + 1);
  EXPECT_EQ(UT_STR::SNPrintf(buf.data(), buf.size(), format, args...), n) << format;
  std::vector<char> unbounded(static_cast<size_t>(n) + 1);
  EXPECT_EQ(UT_STR::SPrintf(unbounded.data(), format, args...), n) << format;
  EXPECT_STREQ(unbounded.data(), buf.data()) << format;
  return std::string(buf.data(), static_cast<size_t>(n));
}

TEST(Format, SizedIntegerConversions) {
  EXPECT_EQ(fmt("%lU", UINT64_MAX), "18446744073709551615");
  EXPECT_EQ(fmt("%lI", INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(fmt("%I|%U", -5, 4294967295u), "-5|4294967295");
  EXPECT_EQ(fmt("%hI|%hU", 70000, 65537), "4464|1");
  EXPECT_EQ(fmt("%-6hI|%06lU|%+I", -3, uint64_t(42), 7), "-3    |000042|+7");
  EXPECT_EQ(fmt("%I64d %I64u %I32d %I64X", INT64_MIN, UINT64_MAX, -1, uint64_t(0xABCDEF0123)),
            "-9223372036854775808 18446744073709551615 -1 ABCDEF0123");
}

TEST(Format, LongAndPointerKeepTheirWidth) {
  EXPECT_EQ(fmt("%ld %lx", LONG_MAX, 0x123456789abcdefUL), "9223372036854775807 123456789abcdef");
  EXPECT_EQ(fmt("%zu %lld", SIZE_MAX, LLONG_MIN), "18446744073709551615 -9223372036854775808");
  int object = 0;
  char expected[32];
  std::snprintf(expected, sizeof expected, "%016llX",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(&object)));
  EXPECT_EQ(fmt("%p", static_cast<void *>(&object)), expected);
  EXPECT_EQ(fmt("[%20p]", static_cast<void *>(nullptr)), "[    0000000000000000]");
}

TEST(Format, WideTextsAreWrittenInUtf8) {
  EXPECT_EQ(fmt("%S|%ls", L"\x65e5\x672c", L"caf\x00e9"), "\xe6\x97\xa5\xe6\x9c\xac|caf\xc3\xa9");
  EXPECT_EQ(fmt("%C%lc%c", L'\x00e9', wint_t(0x1F600), 'x'), "\xc3\xa9\xf0\x9f\x98\x80x");
  // Precision counts bytes and never splits a character; width pads to bytes.
  EXPECT_EQ(fmt("[%.4S]", L"\x65e5\x672c"), "[\xe6\x97\xa5]");
  EXPECT_EQ(fmt("[%8S]", L"\x65e5\x672c"), "[  \xe6\x97\xa5\xe6\x9c\xac]");
  EXPECT_EQ(fmt("[%-4lc]", wint_t(0x65e5)), "[\xe6\x97\xa5 ]");
  EXPECT_EQ(fmt("%hS", "narrow"), "narrow");
  EXPECT_EQ(fmt("%S|%s", static_cast<const wchar_t *>(nullptr), static_cast<const char *>(nullptr)),
            "(null)|(null)");
}

TEST(Format, StarsPercentAndCount) {
  EXPECT_EQ(fmt("[%*s|%-*d|%.*s]", -4, "ab", 3, 7, 2, "xyz"), "[ab  |7  |xy]");
  EXPECT_EQ(fmt("[%.*f]", -1, 0.5), "[0.500000]");
  int count = -1;
  EXPECT_EQ(fmt("100%% done%n!", &count), "100% done!");
  EXPECT_EQ(count, 9);
  EXPECT_EQ(fmt("%y %"), "%y %"); // unknown and unfinished conversions stay as written
}

TEST(Format, FloatingPoint) {
  EXPECT_EQ(fmt("%.2f %10.3e %g %LG", 3.14159, -12345.678, 1e-5, 2.5L),
            "3.14 -1.235e+04 1e-05 2.5");
  EXPECT_EQ(fmt("%f", DBL_MAX).size(), 316u);
}

// Every combination of flags, width and precision predicts and writes exactly what the C
// library writes for the standard conversions.
TEST(Format, AgreesWithCLibraryForStandardConversions) {
  const char *flags[] = {"", "-", "+", " ", "#", "0", "-+", "0 "};
  const char *widths[] = {"", "1", "7", "30"};
  const char *precisions[] = {"", ".0", ".3", ".25"};
  const char intConvs[] = "diouxX";
  const char floatConvs[] = "eEfgGa";
  char theirs[256], ours[256];
  for (const char *flag : flags)
    for (const char *width : widths)
      for (const char *precision : precisions) {
        for (const char *c = intConvs; *c; ++c)
          for (int v : {0, 1, -42, INT_MAX, INT_MIN}) {
            std::string f = std::string("<%") + flag + width + precision + *c + ">";
            const int n = std::snprintf(theirs, sizeof theirs, f.c_str(), v);
            std::memset(ours, 'Z', sizeof ours);
            EXPECT_EQ(UT_STR::SNPrintf(ours, sizeof ours, f.c_str(), v), n) << f << " " << v;
            EXPECT_STREQ(ours, theirs) << f;
          }
        for (const char *c = floatConvs; *c; ++c)
          for (double v : {0.0, -1.5, 123456.789, 1e-300, HUGE_VAL, -HUGE_VAL, std::nan("")}) {
            std::string f = std::string("<%") + flag + width + precision + *c + ">";
            const int n = std::snprintf(theirs, sizeof theirs, f.c_str(), v);
            EXPECT_EQ(UT_STR::SNPrintf(ours, sizeof ours, f.c_str(), v), n) << f;
            EXPECT_STREQ(ours, theirs) << f;
          }
        if (std::strchr(flag, '#') || std::strchr(flag, '0') || std::strchr(flag, '+') ||
            std::strchr(flag, ' '))
          continue;
        std::string fs = std::string("<%") + flag + width + precision + "s>";
        const int n = std::snprintf(theirs, sizeof theirs, fs.c_str(), "message text");
        EXPECT_EQ(UT_STR::SNPrintf(ours, sizeof ours, fs.c_str(), "message text"), n) << fs;
        EXPECT_STREQ(ours, theirs) << fs;
      }
}

// All or nothing around the boundary: size = length + 1 writes, size = length and below does not.
TEST(Format, BoundedWritesAllOrNothing) {
  const std::string longText(3000, 'q');
  for (size_t len : {5u, 1023u, 1024u, 3000u}) {
    const std::string text = longText.substr(0, len);
    for (size_t size : {len - 1, len, len + 1, len + 2}) {
      std::vector<char> heap(size == 0 ? 1 : size, 'X'); // exact size: overflow shows under ASan
      const int n = UT_STR::SNPrintf(heap.data(), size, "%s", text.c_str());
      EXPECT_EQ(n, static_cast<int>(len));
      if (size > len)
        EXPECT_EQ(std::string(heap.data()), text) << len << "/" << size;
      else
        EXPECT_EQ(std::string(heap.begin(), heap.end()), std::string(heap.size(), 'X'))
            << len << "/" << size;
    }
  }
  char small[6];
  std::memset(small, 'X', sizeof small);
  EXPECT_EQ(UT_STR::SNPrintf(small, 5, "%s", "hello"), 5);
  EXPECT_EQ(std::string(small, 6), "XXXXXX");
  EXPECT_EQ(UT_STR::SNPrintf(small, 6, "%s", "hello"), 5);
  EXPECT_STREQ(small, "hello");
  EXPECT_EQ(UT_STR::SNPrintf(small, 0, "%d", 1), 1);
}

TEST(Format, BoundedCountsWidthsAndWideTexts) {
  // Widths wider than the text, wide conversions and large pieces must be counted exactly.
  std::vector<char> buf(5000, 'X');
  EXPECT_EQ(UT_STR::SNPrintf(buf.data(), 20, "%20s", "x"), 20);
  EXPECT_EQ(buf[0], 'X');
  EXPECT_EQ(UT_STR::SNPrintf(buf.data(), 21, "%20s", "x"), 20);
  EXPECT_EQ(std::string(buf.data()), std::string(19, ' ') + "x");
  const std::string before(buf.data());
  EXPECT_EQ(UT_STR::SNPrintf(buf.data(), 6, "%S", L"\x65e5\x672c"), 6);
  EXPECT_EQ(std::string(buf.data()), before);
  EXPECT_EQ(UT_STR::SNPrintf(buf.data(), 7, "%S", L"\x65e5\x672c"), 6);
  EXPECT_STREQ(buf.data(), "\xe6\x97\xa5\xe6\x9c\xac");
  EXPECT_EQ(UT_STR::SNPrintf(buf.data(), 4000, "%4000d", 1), 4000);
  EXPECT_EQ(UT_STR::SNPrintf(buf.data(), 4001, "%-4000d|", 1), 4001);
  EXPECT_EQ(UT_STR::SNPrintf(buf.data(), 4002, "%-4000d|", 1), 4001);
  EXPECT_EQ(std::string(buf.data()), "1" + std::string(3999, ' ') + "|");
  // A huge width is counted without being made.
  EXPECT_EQ(UT_STR::SNPrintf(buf.data(), 10, "%100000000d", 7), 100000000);
}

// Random formats and sizes into buffers of exactly that size: the text is written whole or not
// at all, and never beyond the buffer (the sanitizer build catches any stray byte). The
// arguments are fixed; each position gets a random conversion of its kind.
TEST(Format, RandomFormatsNeverOverflow) {
  const std::vector<std::vector<std::string>> kinds = {
      {"s", "hs"},     // narrow text
      {"S", "ls"},     // wide text
      {"d", "I", "x"}, // int
      {"lU", "llu"},   // 64-bit
      {"f", "g", "e"}, // double
      {"lc", "C"},     // wide character
  };
  const char *flags[] = {"", "-", "0", "+", "#", " "};
  const char *literals[] = {"", "ab ", "\xc3\xa9", "%%", "\n"};
  const std::string text(700, 'w');
  const std::wstring wide(300, L'\x65e5');
  uint32_t seed = 12345;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  for (int round = 0; round < 300; ++round) {
    std::string format;
    for (const auto &kind : kinds) {
      format += literals[next() % 5];
      format += '%';
      format += flags[next() % 6];
      if (next() % 2)
        format += std::to_string(next() % 900);
      if (next() % 2)
        format += "." + std::to_string(next() % 400);
      format += kind[next() % kind.size()];
    }
    const char *t = text.c_str() + next() % 700;
    const wchar_t *w = wide.c_str() + next() % 300;
    const int i = static_cast<int>(next()) - (1 << 23);
    const uint64_t u = uint64_t(next()) << 30;
    const double d = (next() % 2 ? 1e200 : -3.25) / (1 + next() % 7);
    const wint_t c = 0x1F600;
    const int len = UT_STR::SNPrintf(nullptr, 0, format.c_str(), t, w, i, u, d, c);
    ASSERT_GE(len, 0) << format;
    const size_t sizes[] = {size_t(len), size_t(len) + 1, next() % (size_t(len) + 1) + 1};
    for (size_t size : sizes) {
      std::vector<char> buf(size, 'X');
      EXPECT_EQ(UT_STR::SNPrintf(buf.data(), size, format.c_str(), t, w, i, u, d, c), len);
      if (size_t(len) < size)
        EXPECT_EQ(std::strlen(buf.data()), size_t(len)) << format;
      else
        EXPECT_EQ(std::string(buf.begin(), buf.end()), std::string(size, 'X')) << format;
    }
  }
}

int countOf(const char *format, ...) {
  va_list args;
  va_start(args, format);
  const int n = UT_STR::VCountCharacters(format, args);
  va_end(args);
  return n;
}

int boundedOf(char *buf, size_t size, const char *format, ...) {
  va_list args;
  va_start(args, format);
  const int n = UT_STR::VSNPrintf(buf, size, format, args);
  va_end(args);
  return n;
}

TEST(Format, CountAndVaListForms) {
  EXPECT_EQ(countOf("%s=%5lU%%", "key", uint64_t(12)), 10);
  char buf[16] = "untouched";
  EXPECT_EQ(boundedOf(buf, 4, "%d", 12345), 5);
  EXPECT_STREQ(buf, "untouched");
  EXPECT_EQ(boundedOf(buf, sizeof buf, "%d-%S", 12345, L"x"), 7);
  EXPECT_STREQ(buf, "12345-x");
}

TEST(Format, OutputBeyondIntRangeIsAnError) {
  char buf[16] = "untouched";
  EXPECT_EQ(UT_STR::SNPrintf(buf, sizeof buf, "%2000000000d%2000000000d", 1, 2), -1);
  EXPECT_STREQ(buf, "untouched");
  EXPECT_EQ(UT_STR::SNPrintf(buf, sizeof buf, "%99999999999d", 1), -1);
}

TEST(Format, PrintfWritesToStandardOutput) {
  int n = 0;
  const std::string out = porttest::CaptureStdout(
      [&] { n = UT_STR::Printf("%s %lI %S\n", "v", int64_t(-1), L"\x65e5"); });
  EXPECT_EQ(out, "v -1 \xe6\x97\xa5\n");
  EXPECT_EQ(n, static_cast<int>(out.size()));
}

// A host program may set a locale with a decimal comma; formatting and reading keep the point.
// Without an installed locale of that kind, one is built into a temporary directory.
TEST(Format, DecimalPointIgnoresProcessLocale) {
  const char *set = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  if (!set) {
    const std::string dir = ::testing::TempDir() + "ut_str_locale";
    const std::string command = "mkdir -p " + dir + " && localedef -i de_DE -f UTF-8 " + dir +
                                "/de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) {
      setenv("LOCPATH", dir.c_str(), 1);
      set = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
  }
  if (!set)
    GTEST_SKIP() << "no locale with a decimal comma available";
  char native[16];
  std::snprintf(native, sizeof native, "%.1f", 1.5);
  const std::string text = fmt("%.1f|%e", 1.5, 2.0);
  double value = 0;
  const bool read = UT_STR::StrToD("2.5", value);
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_STREQ(native, "1,5"); // the locale is really in force
  EXPECT_EQ(text, "1.5|2.000000e+00");
  EXPECT_TRUE(read);
  EXPECT_EQ(value, 2.5);
}

} // namespace
