// UT_STR formatting: sized integers, wide texts, exact length prediction and the all-or-nothing
// bounded forms.
#include "Port_Message.h"
#include "Port_MsgDispatcher.h"
#include "Port_StringBase.h"
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
#include <cwchar>
#include <string>
#include <type_traits>
#include <variant>
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
  EXPECT_EQ(UT_STR::SNPrintf(buf, sizeof buf, "%*d", INT_MIN, 1), -1); // |INT_MIN| is no int
  EXPECT_STREQ(buf, "untouched");
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

// ---- every target of the format engine against the C library ----

namespace {

using Value =
    std::variant<std::monostate, int, unsigned, long, unsigned long, long long, unsigned long long,
                 double, long double, const char *, const wchar_t *, void *>;

struct Conversion {
  const char *spec; // size and letter, as the C library writes them
  std::vector<Value> values;
  bool utf8 = false; // needs a UTF-8 locale for the C library
};

template <class F, class... A> void withStars(const std::vector<int> &stars, F f, A... a) {
  if (stars.empty())
    f(a...);
  else if (stars.size() == 1)
    f(stars[0], a...);
  else
    f(stars[0], stars[1], a...);
}

template <class F> void withArgs(const std::vector<int> &stars, const Value &v, F f) {
  std::visit(
      [&](auto x) {
        if constexpr (std::is_same_v<decltype(x), std::monostate>)
          withStars(stars, f);
        else
          withStars(stars, f, x);
      },
      v);
}

// False for a text that is not whole UTF-8 (a precision may cut a character in two).
bool widenUtf8(const std::string &s, std::wstring &w) {
  w.assign(s.size() + 1, L'\0');
  const size_t n = std::mbstowcs(&w[0], s.c_str(), w.size());
  w.resize(n == static_cast<size_t>(-1) ? 0 : n);
  return n != static_cast<size_t>(-1);
}

// The wide Format reads %s and %c as wide and %hs, %hc as narrow; the C library the other way.
std::wstring wideFormatOf(const std::string &c) {
  std::wstring w(c.begin(), c.end());
  const wchar_t last = w.back();
  if ((last == L's' || last == L'c') && w[w.size() - 2] != L'l')
    w.insert(w.size() - 1, 1, L'h');
  return w;
}

wchar_t *parseVa(const char *alias, const Port_Message *msg, ...) {
  va_list args;
  va_start(args, msg);
  wchar_t *text = Port_MsgDispatcher::parseMsg(alias, msg, args);
  va_end(args);
  return text;
}

// The value of a message argument: a catalogue text made of the first argument alone.
std::wstring messageValue(const std::string &alias, const std::vector<int> &stars, const Value &v) {
  static const Port_Message text(1, "", L"!%1!");
  wchar_t *got = nullptr;
  withArgs(stars, v, [&](auto... a) { got = parseVa(alias.c_str(), &text, a...); });
  std::wstring s = got ? got : L"<null>";
  delete[] got;
  return s;
}

} // namespace

namespace {

// Whether C defines the flags and precision for the conversion letter (and glibc with it).
bool definedInC(char letter, const std::string &flags, bool width, bool precision) {
  const bool isSigned = letter == 'd' || letter == 'i';
  const bool isFloat = std::strchr("eEfFgGaA", letter) != nullptr;
  const bool isInteger = isSigned || std::strchr("ouxX", letter) != nullptr;
  auto has = [&](char f) { return flags.find(f) != std::string::npos; };
  if (letter == '%')
    return flags.empty() && !width && !precision;
  if (has('#') && !isFloat && !std::strchr("oxX", letter))
    return false;
  if ((has('+') || has(' ')) && !isSigned && !isFloat)
    return false;
  if (has('0') && !isInteger && !isFloat)
    return false;
  return !precision || (letter != 'c' && letter != 'p');
}

struct Layout {
  std::string text;       // flags, width and precision
  std::vector<int> stars; // the values of its '*'s
  bool width, precision;
};

std::vector<Layout> layouts(const std::string &flags) {
  const std::vector<std::pair<std::string, std::vector<int>>> widths = {
      {"", {}}, {"1", {}}, {"9", {}}, {"*", {-12}}, {"*", {0}}, {"*", {9}}};
  const std::vector<std::pair<std::string, std::vector<int>>> precisions = {
      {"", {}},     {".", {}},   {".0", {}},  {".4", {}},
      {".*", {-3}}, {".*", {0}}, {".*", {4}}, {".*", {17}}};
  std::vector<Layout> out;
  for (const auto &w : widths)
    for (const auto &p : precisions) {
      Layout l{flags + w.first + p.first, w.second, !w.first.empty(), !p.first.empty()};
      l.stars.insert(l.stars.end(), p.second.begin(), p.second.end());
      out.push_back(l);
    }
  return out;
}

} // namespace

// Flags, widths and precisions ('*' ones too, negative ones included), every size prefix and
// conversion letter, through UT_STR (narrow), the shared string's wide Format and message
// arguments, each compared with what snprintf or swprintf writes. Only what C defines is
// tried; %p is compared with the library's own form (every hex digit, upper case, no prefix).
TEST(Format, EveryTargetAgreesWithTheCLibrary) {
  const std::string oldLocale = std::setlocale(LC_CTYPE, nullptr);
  const bool utf8 = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
  int object = 0;
  std::vector<Conversion> conversions = {
      {"hhd", {300, -129}},
      {"hd", {70000, -32769}},
      {"d", {0, 7, INT_MIN}},
      {"i", {-42}},
      {"ld", {LONG_MIN, 123L}},
      {"lld", {LLONG_MAX, -5LL}},
      {"jd", {long(INTMAX_MIN)}},
      {"zd", {-77L}},
      {"td", {long(PTRDIFF_MIN)}},
      {"hhu", {511u}},
      {"hu", {65537u}},
      {"u", {0u, UINT_MAX}},
      {"lu", {ULONG_MAX}},
      {"llu", {ULLONG_MAX}},
      {"ju", {UINTMAX_MAX}},
      {"zu", {static_cast<unsigned long>(SIZE_MAX)}},
      {"tu", {77L}},
      {"o", {8u, 0u}},
      {"lo", {0777777777777UL}},
      {"x", {0xabcu, 0u}},
      {"hhx", {0x1ffu}},
      {"llx", {0x123456789abcdefULL}},
      {"X", {0xABCDEFu}},
      {"tX", {-1L}},
      {"Le", {1.25L, -3e-5L}},
      {"Lf", {-0.0L, 1e20L}},
      {"Lg", {static_cast<long double>(HUGE_VAL)}},
      {"LA", {0.1L}},
      {"c", {int('x')}},
      {"lc", {unsigned('y')}},
      {"lc", {0x65e5u}, true},
      {"s", {"message text", ""}},
      {"s", {"caf\xc3\xa9 \xe6\x97\xa5"}, true},
      {"ls", {L"wide text"}},
      {"ls", {L"\x65e5\x672c caf\x00e9"}, true},
      {"p", {static_cast<void *>(&object), static_cast<void *>(nullptr)}},
      {"%", {std::monostate{}}},
  };
  for (const char *f : {"e", "E", "f", "F", "g", "G", "a", "A"})
    conversions.push_back({f, {0.0, -1.5, 123456.789, 1e-300, -HUGE_VAL, std::nan("")}});
  const char *flagSets[] = {"", "-", "+", " ", "#", "0", "-+", "+0", " 0", "-#0"};
  std::vector<std::string> failures;
  size_t tried = 0;
  for (const Conversion &conv : conversions) {
    if (conv.utf8 && !utf8)
      continue;
    const char letter = conv.spec[std::strlen(conv.spec) - 1];
    for (const char *flags : flagSets)
      for (const Layout &layout : layouts(flags)) {
        if (!definedInC(letter, flags, layout.width, layout.precision))
          continue;
        const std::string spec = "%" + layout.text + conv.spec;
        for (size_t i = 0; i < conv.values.size(); ++i) {
          const Value &v = conv.values[i];
          // The C library's form of the same conversion; %p as the library prints it.
          std::string reference = "<" + spec + ">";
          Value referenceValue = v;
          char hex[32];
          if (letter == 'p') {
            std::snprintf(
                hex, sizeof hex, "%016llX",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(std::get<void *>(v))));
            reference[reference.size() - 2] = 's';
            referenceValue = static_cast<const char *>(hex);
          }
          char theirs[1024];
          wchar_t wideTheirs[1024];
          int n = -1, wideN = -1;
          const std::wstring wideReference(reference.begin(), reference.end());
          withArgs(layout.stars, referenceValue, [&](auto... a) {
            n = std::snprintf(theirs, sizeof theirs, reference.c_str(), a...);
            wideN = std::swprintf(wideTheirs, 1024, wideReference.c_str(), a...);
          });
          char ours[1024];
          int ourN = -2;
          std::wstring wideOurs;
          const std::wstring wideSpec = L"<" + wideFormatOf(spec) + L">";
          withArgs(layout.stars, v, [&](auto... a) {
            ourN = UT_STR::SNPrintf(ours, sizeof ours, ("<" + spec + ">").c_str(), a...);
            const Port::StringBase<wchar_t> s =
                Port::StringBase<wchar_t>::doFormat(wideSpec.c_str(), a...);
            wideOurs.assign(s.GetBuffer(), s.GetLength());
          });
          ++tried;
          std::string where = spec + " value #" + std::to_string(i);
          for (int star : layout.stars)
            where += " *" + std::to_string(star);
          if (ourN != n || (n >= 0 && std::string(ours) != theirs))
            failures.push_back("UT_STR " + where + ": " + (ourN >= 0 ? ours : "-1") + " vs " +
                               theirs);
          if (wideN < 0 || wideOurs != wideTheirs)
            failures.push_back("wide Format " + where);
          // Message arguments: "%%" gives no value, and F, "z" are letters of their own there.
          if (letter == '%' || letter == 'F' || std::strchr(conv.spec, 'z'))
            continue;
          const std::string value(theirs + 1, static_cast<size_t>(n) - 2);
          std::wstring expected;
          if (widenUtf8(value, expected) && messageValue(spec, layout.stars, v) != expected)
            failures.push_back("message " + where + ": expected " + value);
        }
      }
  }
  std::setlocale(LC_CTYPE, oldLocale.c_str());
  EXPECT_GT(tried, 10000u);
  std::string shown;
  for (size_t i = 0; i < failures.size() && i < 30; ++i)
    shown += failures[i] + "\n";
  EXPECT_TRUE(failures.empty()) << failures.size() << " differences, first ones:\n" << shown;
}
