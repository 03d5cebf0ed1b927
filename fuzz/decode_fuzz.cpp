// decode_fuzz.cpp - the reversible scrambling of printable text: Decode of any text, and
// Encode followed by Decode giving the text back.
//
// Input: the text.
#include "basutstr.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string text(reinterpret_cast<const char *>(data), size);
  std::string any = text;
  if (UT_STR::Decode(&any[0]) != &any[0])
    __builtin_trap();

  // The scrambling is reversible for texts of 7-bit bytes short enough that no byte scrambles
  // to zero (the offset stays below 128).
  const std::string original = text.c_str();
  if (original.size() > 125)
    return 0;
  for (unsigned char c : original)
    if (c >= 0x80)
      return 0;
  std::string round = original;
  UT_STR::Encode(&round[0]);
  if (std::strlen(round.c_str()) != original.size())
    __builtin_trap();
  UT_STR::Decode(&round[0]);
  if (round != original)
    __builtin_trap();
  return 0;
}
