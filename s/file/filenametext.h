// filenametext.h - the character tests and slicing that the file-name handle and its
// implementation share when they take Windows names apart.
#ifndef PORTABILITY_FILE_FILENAMETEXT_H
#define PORTABILITY_FILE_FILENAMETEXT_H

#include "Port_StringBase.h"

namespace Port {
namespace filenametext {

typedef StringBase<char> String;

// Both separators are accepted in every name; names are composed with the backslash.
inline bool IsSep(char c) { return c == '\\' || c == '/'; }

// A drive letter: ASCII only, whatever the locale.
inline bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// count characters of s from first; an empty count gives the empty (null) string.
inline String Slice(const String &s, unsigned first, unsigned count) {
  return count ? String(s.GetBuffer() + first, count) : String();
}

} // namespace filenametext
} // namespace Port

#endif
