// wildcard_fuzz.cpp - wildcard matching of a text against a pattern ('*', '?', and in
// SimpleMatch backslash escapes), narrow and wide, case-sensitive and not.
//
// Input: the pattern, a zero byte, then the text.
#include "basutstr.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

std::wstring widen(const std::string &s) {
  std::wstring w;
  for (unsigned char c : s)
    w += static_cast<wchar_t>(c);
  return w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *bytes = reinterpret_cast<const char *>(data);
  const char *zero = static_cast<const char *>(std::memchr(bytes, 0, size));
  if (!zero)
    return 0;
  const std::string pattern(bytes, zero);
  const std::string text(zero + 1, bytes + size);
  const bool exact = UT_STR::Match(text.c_str(), pattern.c_str());
  const bool folded = UT_STR::IMatch(text.c_str(), pattern.c_str());
  UT_STR::SimpleMatch(text.c_str(), pattern.c_str());
  const std::wstring wtext = widen(text.c_str()), wpattern = widen(pattern);
  const bool wexact = UT_STR::WMatch(wtext.c_str(), wpattern.c_str());
  UT_STR::WIMatch(wtext.c_str(), wpattern.c_str());
  // A case-sensitive match is also a match when case is ignored.
  if (exact && !folded)
    __builtin_trap();
  // Without wild cards, a match is equality.
  if (pattern.find_first_of("*?") == std::string::npos && exact != (pattern == text.c_str()))
    __builtin_trap();
  // Bytes widen to the same code points: the wide match agrees with the narrow one.
  if (exact != wexact)
    __builtin_trap();
  return 0;
}
