// regexp_fuzz.cpp - compiles a pattern and searches a text with it.
//
// Input: the pattern, a zero byte, then the text (the whole input is the pattern when there is
// no zero byte, and then is searched in itself). Both the narrow and the wide searches run, from
// the start, from a start inside the text, and over an explicit range that includes zeros.
#include "Port_Regexp.h"
#include "fuzz_fields.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *bytes = reinterpret_cast<const char *>(data);
  const char *zero = static_cast<const char *>(std::memchr(bytes, 0, size));
  const std::string pattern(bytes, zero ? zero - bytes : size);
  const std::string text = zero ? std::string(zero + 1, bytes + size) : pattern;
  const std::wstring wtext = fuzzWiden(text);

  Port_Regexp re(pattern.c_str());
  if (re.GetStatus() != 0)
    return 0;
  const unsigned length = static_cast<unsigned>(text.size());
  const unsigned start = length ? static_cast<unsigned char>(text[0]) % (length + 2) : 0;
  Port_Range a = re.GetRangeOfMatch(text.c_str());
  Port_Range b = re.GetRangeOfMatch(wtext.c_str());
  // An ASCII text matches as the same wide text does.
  bool ascii = true;
  for (unsigned char c : text)
    ascii = ascii && c != 0 && c < 0x80;
  if (ascii && a != b)
    __builtin_trap();
  re.GetRangeOfMatch(text.c_str(), start);
  re.GetRangeOfMatch(wtext.c_str(), start);
  re.Search(text.c_str(), 0, length);
  re.Search(wtext.c_str(), start > length ? length : start, length);
  Port_Regexp copy(re);
  copy = pattern.c_str();
  copy.GetRangeOfMatch(text.c_str(), Port_Range(0, length ? length - 1 : 0));
  return 0;
}
