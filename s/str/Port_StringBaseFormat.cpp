// Port_StringBaseFormat.cpp - Format and doFormat of the shared string.
//
// The char form formats through UT_STR, which knows the library's own sized-integer
// conversions. The wchar_t form keeps the conversions of the Windows wide formatter, whose
// meaning differs from the C library's here:
//   %s %c          wide string / character      %S %C          narrow (UTF-8) string / character
//   %hs %hc        narrow                         %ls %lc %ws %wc wide
//   size prefixes  hh h l ll L I32 I64 I z j t w  %n             consumed, never written
// Specifications are read by convspec (wide printf); numbers are formatted in the "C" locale.
// A narrow text is converted from UTF-8; a null string prints as "(null)".
#include "Port_StringBase.h"

#include "basutstr.h"
#include "convspec.h"
#include "platform/mbcs.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <string>

namespace Port {

namespace {

void Pad(std::wstring &out, const std::wstring &text, int width, bool left) {
  const size_t fill = width > 0 && size_t(width) > text.size() ? size_t(width) - text.size() : 0;
  if (!left)
    out.append(fill, L' ');
  out += text;
  if (left)
    out.append(fill, L' ');
}

// A number formatted with its flags, width and precision (the digits are ASCII).
template <class V>
void FormatNumber(std::wstring &out, convspec::Spec spec, wchar_t conv, V value) {
  spec.conv = static_cast<char32_t>(conv);
  const std::string text = convspec::print(spec, value);
  out.append(text.begin(), text.end());
}

std::wstring FormatWide(const wchar_t *fmt, va_list args) {
  using convspec::Size;
  std::wstring out;
  va_list ap;
  va_copy(ap, args);
  const wchar_t *p = fmt;
  while (*p) {
    if (*p != L'%') {
      out += *p++;
      continue;
    }
    const wchar_t *start = p++;
    convspec::Spec spec;
    const convspec::Result parsed = convspec::parse(p, spec, convspec::Dialect::WidePrintf);
    if (parsed != convspec::Result::Ok) {
      // The format ends inside this conversion, or its width or precision is beyond any
      // buffer: the rest is written as it stands.
      out.append(start);
      break;
    }
    if (spec.widthStar) {
      const int width = va_arg(ap, int);
      if (width < 0) {
        spec.left = true;
        spec.width = width == INT_MIN ? INT_MAX : -width;
      } else {
        spec.width = width;
      }
    }
    if (spec.precisionStar) {
      const int precision = va_arg(ap, int);
      spec.precision = precision < 0 ? -1 : precision;
    }
    const Size size = spec.size;
    const int width = spec.width;
    const int precision = spec.precision;
    const bool left = spec.left;
    const wchar_t conv = static_cast<wchar_t>(spec.conv);
    switch (conv) {
    case L'%':
      out += L'%';
      break;
    case L'c':
    case L'C': {
      const bool wide = conv == L'c' ? size != Size::H : (size == Size::L || size == Size::W);
      const int v = va_arg(ap, int);
      const wchar_t ch = wide ? static_cast<wchar_t>(v) : static_cast<wchar_t>(v & 0xFF);
      Pad(out, std::wstring(1, ch), width, left);
      break;
    }
    case L's':
    case L'S': {
      const bool wide = conv == L's' ? size != Size::H : (size == Size::L || size == Size::W);
      const void *ptr = va_arg(ap, const void *);
      std::wstring text;
      if (!ptr)
        text = L"(null)";
      else if (wide)
        text = static_cast<const wchar_t *>(ptr);
      else
        text = platform::multibyteToWide(static_cast<const char *>(ptr));
      if (precision >= 0 && text.size() > size_t(precision))
        text.resize(size_t(precision));
      Pad(out, text, width, left);
      break;
    }
    case L'd':
    case L'i': {
      long long v;
      switch (size) {
      case Size::HH:
        v = static_cast<signed char>(va_arg(ap, int));
        break;
      case Size::H:
        v = static_cast<short>(va_arg(ap, int));
        break;
      case Size::L:
        v = va_arg(ap, long);
        break;
      case Size::LL:
      case Size::I64:
        v = va_arg(ap, long long);
        break;
      case Size::I:
      case Size::Z:
      case Size::J:
      case Size::T:
        v = va_arg(ap, ptrdiff_t);
        break;
      default:
        v = va_arg(ap, int);
        break;
      }
      FormatNumber(out, spec, conv, v);
      break;
    }
    case L'u':
    case L'o':
    case L'x':
    case L'X': {
      unsigned long long v;
      switch (size) {
      case Size::HH:
        v = static_cast<unsigned char>(va_arg(ap, unsigned));
        break;
      case Size::H:
        v = static_cast<unsigned short>(va_arg(ap, unsigned));
        break;
      case Size::L:
        v = va_arg(ap, unsigned long);
        break;
      case Size::LL:
      case Size::I64:
        v = va_arg(ap, unsigned long long);
        break;
      case Size::I:
      case Size::Z:
      case Size::J:
      case Size::T:
        v = va_arg(ap, size_t);
        break;
      default:
        v = va_arg(ap, unsigned);
        break;
      }
      FormatNumber(out, spec, conv, v);
      break;
    }
    case L'e':
    case L'E':
    case L'f':
    case L'F':
    case L'g':
    case L'G':
    case L'a':
    case L'A':
      if (size == Size::BigL)
        FormatNumber(out, spec, conv, va_arg(ap, long double));
      else
        FormatNumber(out, spec, conv, va_arg(ap, double));
      break;
    case L'p': {
      // Every hex digit of the pointer, upper case, without prefix.
      const uintptr_t v = reinterpret_cast<uintptr_t>(va_arg(ap, void *));
      std::wstring hex(2 * sizeof v, L'0');
      for (size_t i = 0; i < hex.size(); ++i)
        hex[i] = L"0123456789ABCDEF"[(v >> (4 * (hex.size() - 1 - i))) & 0xF];
      Pad(out, hex, width, left);
      break;
    }
    case L'n':
      (void)va_arg(ap, void *);
      break;
    default:
      out.append(start, p);
      break;
    }
  }
  va_end(ap);
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
