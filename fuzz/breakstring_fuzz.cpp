// breakstring_fuzz.cpp - line breaking of a text at a width with an indent, narrow and wide.
//
// Input: width byte, indent byte, then the text.
#include "basutstr.h"

#include "fuzz_fields.h"

#include <cwchar>

namespace {

// A broken text is a count and that many lines, each of them there.
template <class C> void checkLines(C **lines, int count) {
  if (count < 0 || (count > 0 && !lines))
    __builtin_trap();
  for (int i = 0; i < count; ++i)
    if (!lines[i])
      __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2)
    return 0;
  const int width = static_cast<int8_t>(data[0]);
  const int indent = static_cast<int8_t>(data[1]) % 64;
  const std::string text(reinterpret_cast<const char *>(data + 2), size - 2);

  int count = -1;
  char **lines = UT_STR::BreakString(text.c_str(), width, &count, indent);
  checkLines(lines, count);
  UT_STR::DelStrings(lines, count);

  short scount = -1;
  lines = UT_STR::BreakString(text.c_str(), static_cast<short>(width), &scount,
                              static_cast<short>(indent));
  UT_STR::DelStrings(lines, scount);

  const std::wstring wtext = fuzzWiden(text.c_str());
  count = -1;
  wchar_t **wlines = UT_STR::WBreakString(wtext.c_str(), width, &count, indent);
  checkLines(wlines, count);
  UT_STR::WDelStrings(wlines, count);
  return 0;
}
