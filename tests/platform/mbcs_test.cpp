// UTF-8 as the multibyte code page, and exit values mapped onto POSIX statuses.
#include "platform/exit.h"
#include "platform/mbcs.h"

#include <gtest/gtest.h>

TEST(Multibyte, EncodesEveryCodePointInItsUtf8Form) {
  const struct {
    std::wstring wide;
    std::string bytes;
  } cases[] = {
      {L"abc", "abc"},
      {L"caf\u00e9", "caf\xc3\xa9"},
      {L"\u65e5\u672c", "\xe6\x97\xa5\xe6\x9c\xac"},
      {std::wstring(1, wchar_t(0x1F600)), "\xf0\x9f\x98\x80"},
      {std::wstring(1, wchar_t(0x110000)), "\xef\xbf\xbd"}, // beyond Unicode: U+FFFD
  };
  for (const auto &c : cases) {
    EXPECT_EQ(c.bytes, platform::wideToMultibyte(c.wide.c_str()));
    if (c.wide[0] != wchar_t(0x110000)) {
      EXPECT_EQ(c.wide, platform::multibyteToWide(c.bytes.c_str()));
    }
  }
}

TEST(Multibyte, InvalidBytesStandForTheirOwnValueAndDecodingGoesOn) {
  const struct {
    std::string bytes;
    std::wstring wide;
  } cases[] = {
      {"a\xff"
       "b",
       L"a\u00ffb"},                                     // never a lead byte
      {"\x80x", L"\u0080x"},                             // stray continuation byte
      {"\xc3", L"\u00c3"},                               // truncated at the end
      {"\xc3(", L"\u00c3("},                             // broken sequence
      {"\xc0\xaf", L"\u00c0\u00af"},                     // overlong
      {"\xed\xa0\x80", L"\u00ed\u00a0\u0080"},           // encoded surrogate
      {"\xf4\x90\x80\x80", L"\u00f4\u0090\u0080\u0080"}, // above U+10FFFF
  };
  for (const auto &c : cases) {
    EXPECT_EQ(c.wide, platform::multibyteToWide(c.bytes.data(), c.bytes.size()));
    wchar_t *array = platform::multibyteToWideArray(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(c.wide, std::wstring(array));
    delete[] array;
  }
}

TEST(ExitStatus, NonZeroValuesNeverReadAsSuccess) {
  const struct {
    int value, status;
  } cases[] = {{0, 0}, {1, 1}, {19, 19}, {255, 255}, {256, 255}, {257, 1}, {512, 255}, {-1, 255}};
  for (const auto &c : cases)
    EXPECT_EQ(c.status, platform::ExitStatus(c.value)) << c.value;
}
