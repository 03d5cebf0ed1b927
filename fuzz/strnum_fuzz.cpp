// strnum_fuzz.cpp - UT_STR number reading: the AToX family, StrToX with every base, the strict
// forms, and SScanf of numbers.
//
// Input: the text to read (the base comes from its first byte).
#include "basutstr.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  const char *s = text.c_str();
  const int base = size ? data[0] % 38 : 10;
  UT_STR::AToI(s);
  UT_STR::AToINT32(s);
  UT_STR::AToL(s);
  UT_STR::AToINT64(s);
  UT_STR::AToF(s);

  char *end = nullptr;
  const char *limit = s + std::char_traits<char>::length(s);
  auto check = [&] {
    // end points into the text, never past its terminating zero.
    if (end < s || end > limit)
      __builtin_trap();
  };
  UT_STR::StrToINT32(s, &end, base);
  check();
  UT_STR::StrToUINT32(s, &end, base);
  check();
  UT_STR::StrToINT64(s, &end, base);
  check();
  UT_STR::StrToUINT64(s, &end, base);
  check();
  UT_STR::StrToL(s, &end, base);
  check();
  UT_STR::StrToUL(s, &end, base);
  check();
  UT_STR::StrToD(s, &end);
  check();

  int i = 0;
  long long ll = 0;
  long l = 0;
  double d = 0;
  UT_STR::StrToINT32(s, &i);
  UT_STR::StrToINT64(s, &ll);
  UT_STR::StrToL(s, l);
  UT_STR::StrToD(s, d);

  int a = 0, b = 0;
  unsigned u = 0;
  double g = 0;
  char word[16];
  UT_STR::SScanf(s, "%d %x %lf %15s %i", &a, &u, &g, word, &b);
  return 0;
}
