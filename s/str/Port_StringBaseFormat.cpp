// Port_StringBaseFormat.cpp - Format and doFormat of the shared string.
//
// The char form formats through UT_STR, which knows the library's own sized-integer
// conversions. The wchar_t form goes through the format engine (formatengine.h) with the
// conversions of the Windows wide formatter, whose meaning differs from the C library's here:
//   %s %c          wide string / character      %S %C          narrow (UTF-8) string / character
//   %hs %hc        narrow                         %ls %lc %ws %wc wide
//   size prefixes  hh h l ll L I32 I64 I z j t w  %n             consumed, never written
// Any other letter is written as it stands; a format that ends inside a conversion, or a width
// or precision beyond int, ends the text with the rest written as it stands.
#include "Port_StringBase.h"

#include "basutstr.h"
#include "formatengine.h"

#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <string>

namespace Port {

namespace {

using fmtengine::Conv;
using fmtengine::Kind;

bool wideLetters(Conv &c) {
  using convspec::Size;
  switch (c.conv) {
  case '%':
    c.kind = Kind::Percent;
    return true;
  case 'n':
    c.kind = Kind::Skip;
    return true;
  case 'c':
  case 's':
    return fmtengine::character(c, c.size != Size::H);
  case 'C':
  case 'S':
    return fmtengine::character(c, c.size == Size::L || c.size == Size::W);
  default:
    return fmtengine::standard(c);
  }
}

const fmtengine::Rules kWideRules{convspec::Dialect::WidePrintf, wideLetters, nullptr,
                                  fmtengine::TooLarge::AsEnd};

std::wstring FormatWide(const wchar_t *fmt, va_list args) {
  std::wstring out;
  fmtengine::Output<wchar_t> grow(out);
  fmtengine::walk(grow, fmt, args, kWideRules);
  return out;
}

std::string FormatText(const char *fmt, va_list args) {
  char small[512];
  va_list ap;
  va_copy(ap, args);
  const int n = UT_STR::VSNPrintf(small, sizeof small, fmt, ap);
  va_end(ap);
  if (n < 0)
    return std::string();
  if (size_t(n) < sizeof small)
    return std::string(small, size_t(n));
  std::string big(size_t(n) + 1, '\0');
  va_copy(ap, args);
  const int m = UT_STR::VSNPrintf(&big[0], big.size(), fmt, ap);
  va_end(ap);
  big.resize(m == n ? size_t(n) : 0);
  return big;
}

std::wstring FormatText(const wchar_t *fmt, va_list args) { return FormatWide(fmt, args); }

} // namespace

// Formatted apart from this string and then assigned: an argument may be this string's own text.
template <class T> void StringBase<T>::VFormat(const T *fmt, va_list args) {
  const std::basic_string<T> text = fmt ? FormatText(fmt, args) : std::basic_string<T>();
  Splice(0, GetLength(), text.data(), static_cast<uint32_t>(text.size()));
}

template <class T> void StringBase<T>::Format(const T *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  VFormat(fmt, ap);
  va_end(ap);
}

template <class T> StringBase<T> StringBase<T>::doFormat(const T *fmt, ...) {
  StringBase s;
  va_list ap;
  va_start(ap, fmt);
  s.VFormat(fmt, ap);
  va_end(ap);
  return s;
}

template void StringBase<char>::VFormat(const char *, va_list);
template void StringBase<wchar_t>::VFormat(const wchar_t *, va_list);
template void StringBase<char>::Format(const char *, ...);
template void StringBase<wchar_t>::Format(const wchar_t *, ...);
template StringBase<char> StringBase<char>::doFormat(const char *, ...);
template StringBase<wchar_t> StringBase<wchar_t>::doFormat(const wchar_t *, ...);

} // namespace Port
