// wildcard_fuzz.cpp - wildcard matching of a text against a pattern ('*', '?', and in
// SimpleMatch backslash escapes), narrow and wide, case-sensitive and not.
//
// Input: the pattern, a zero byte, then the text.
#include "basutstr.h"
#include "fuzz_fields.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (!std::memchr(data, 0, size))
    return 0;
  const std::vector<std::string> f = fuzzFields(data, size, 2);
  const std::string &pattern = f[0], &text = f[1];
  const bool exact = UT_STR::Match(text.c_str(), pattern.c_str());
  const bool folded = UT_STR::IMatch(text.c_str(), pattern.c_str());
  UT_STR::SimpleMatch(text.c_str(), pattern.c_str());
  const std::wstring wtext = fuzzWiden(text.c_str()), wpattern = fuzzWiden(pattern);
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
