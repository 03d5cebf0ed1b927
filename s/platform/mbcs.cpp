// mbcs.cpp - UTF-8 as the multibyte code page (see mbcs.h for the rules).
#include "platform/mbcs.h"

#include <cstring>
#include <cwchar>

namespace platform {

size_t multibyteLength(wchar_t wc) {
  const unsigned long c = static_cast<unsigned long>(static_cast<unsigned int>(wc));
  if (c < 0x80)
    return 1;
  if (c < 0x800)
    return 2;
  if (c < 0x10000 || c > 0x10FFFF)
    return 3; // above U+10FFFF: U+FFFD
  return 4;
}

size_t encodeMultibyte(wchar_t wc, char *out) {
  unsigned long c = static_cast<unsigned long>(static_cast<unsigned int>(wc));
  if (c > 0x10FFFF)
    c = 0xFFFD;
  unsigned char *o = reinterpret_cast<unsigned char *>(out);
  if (c < 0x80) {
    o[0] = static_cast<unsigned char>(c);
    return 1;
  }
  if (c < 0x800) {
    o[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
    o[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    o[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
    o[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    o[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 3;
  }
  o[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
  o[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
  o[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
  o[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  return 4;
}

size_t decodeMultibyte(const char *text, size_t length, wchar_t *out) {
  const unsigned char *s = reinterpret_cast<const unsigned char *>(text);
  const unsigned char b = s[0];
  *out = static_cast<wchar_t>(b);
  if (b < 0x80)
    return 1;
  size_t need;
  unsigned long c, min;
  if ((b & 0xE0) == 0xC0) {
    need = 2, c = b & 0x1F, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    need = 3, c = b & 0x0F, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    need = 4, c = b & 0x07, min = 0x10000;
  } else {
    return 1; // stray continuation byte or invalid lead byte
  }
  if (length < need)
    return 1;
  for (size_t i = 1; i < need; ++i) {
    if ((s[i] & 0xC0) != 0x80)
      return 1;
    c = (c << 6) | (s[i] & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
    return 1;
  *out = static_cast<wchar_t>(c);
  return need;
}

void appendMultibyte(std::string &out, const wchar_t *text, size_t length) {
  if (!text)
    return;
  // Plain ASCII, the common case, is copied character by character.
  size_t ascii = 0;
  while (ascii < length && static_cast<unsigned int>(text[ascii]) < 0x80)
    ++ascii;
  const size_t start = out.size();
  out.resize(start + ascii);
  for (size_t i = 0; i < ascii; ++i)
    out[start + i] = static_cast<char>(text[i]);
  if (ascii == length)
    return;
  out.reserve(out.size() + (length - ascii) * 4);
  char buf[4];
  for (size_t i = ascii; i < length; ++i)
    out.append(buf, encodeMultibyte(text[i], buf));
}

std::string wideToMultibyte(const wchar_t *text, size_t length) {
  std::string out;
  appendMultibyte(out, text, length);
  return out;
}

void appendWide(std::wstring &out, const char *text, size_t length) {
  if (!text)
    return;
  // Plain ASCII, the common case, is copied byte by byte.
  size_t i = 0;
  while (i < length && static_cast<unsigned char>(text[i]) < 0x80)
    ++i;
  const size_t start = out.size();
  out.resize(start + i);
  for (size_t k = 0; k < i; ++k)
    out[start + k] = static_cast<wchar_t>(text[k]);
  while (i < length) {
    wchar_t c;
    i += decodeMultibyte(text + i, length - i, &c);
    out += c;
  }
}

std::string wideToMultibyte(const wchar_t *text) {
  return text ? wideToMultibyte(text, std::wcslen(text)) : std::string();
}

std::wstring multibyteToWide(const char *text, size_t length) {
  std::wstring out;
  out.reserve(length);
  appendWide(out, text, length);
  return out;
}

wchar_t *multibyteToWideArray(const char *text, size_t length) {
  // A byte never decodes to more than one character.
  wchar_t *out = new wchar_t[length + 1];
  size_t n = 0;
  for (size_t i = 0; i < length; ++n) {
    if (static_cast<unsigned char>(text[i]) < 0x80)
      out[n] = static_cast<wchar_t>(text[i++]);
    else
      i += decodeMultibyte(text + i, length - i, &out[n]);
  }
  out[n] = 0;
  return out;
}

std::wstring multibyteToWide(const char *text) {
  return text ? multibyteToWide(text, std::strlen(text)) : std::wstring();
}

} // namespace platform
