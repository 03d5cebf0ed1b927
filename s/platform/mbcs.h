// mbcs.h - the runtime's multibyte conversions (mbstowcs, wcstombs and their single-character
// forms). The multibyte code page is UTF-8 whatever the process locale is.
//
// Rules, so that no text is ever lost silently:
//  - Decoding: a byte that does not begin a well-formed UTF-8 sequence (a stray continuation
//    byte, a truncated or overlong sequence, an encoded surrogate or a value above U+10FFFF)
//    stands for the code point of the same value (U+0080 to U+00FF) and decoding goes on with
//    the next byte. Decoding never stops early.
//  - Encoding: every code point takes its UTF-8 form (four bytes above U+FFFF); a lone
//    surrogate is written in its three-byte form, and a value above U+10FFFF as U+FFFD.
#ifndef PORT_PLATFORM_MBCS_H
#define PORT_PLATFORM_MBCS_H

#include <cstddef>
#include <string>

namespace platform {

std::string wideToMultibyte(const wchar_t *text, size_t length);
std::string wideToMultibyte(const wchar_t *text); // up to the terminating zero
// The same conversions appended to a buffer the caller keeps.
void appendMultibyte(std::string &out, const wchar_t *text, size_t length);
void appendWide(std::wstring &out, const char *text, size_t length);
std::wstring multibyteToWide(const char *text, size_t length);
std::wstring multibyteToWide(const char *text); // up to the terminating zero
// The same as a new zero-terminated array, which the caller frees with delete[].
wchar_t *multibyteToWideArray(const char *text, size_t length);

// Bytes the UTF-8 form of one code point takes (1 to 4).
size_t multibyteLength(wchar_t c);
// Writes the UTF-8 form of c into out (room for 4 bytes); returns the number of bytes.
size_t encodeMultibyte(wchar_t c, char *out);
// Decodes one character from text (at most length bytes, length > 0); returns the bytes used.
size_t decodeMultibyte(const char *text, size_t length, wchar_t *out);

} // namespace platform

#endif
