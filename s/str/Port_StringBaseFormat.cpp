// Port_StringBaseFormat.cpp - Format and doFormat of the shared string.
//
// The char form formats through UT_STR, which knows the library's own sized-integer
// conversions. The wchar_t form keeps the conversions of the Windows wide formatter, whose
// meaning differs from the C library's here:
//   %s %c          wide string / character      %S %C          narrow (UTF-8) string / character
//   %hs %hc        narrow                         %ls %lc %ws %wc wide
//   size prefixes  hh h l ll L I32 I64 I z j t    %n             consumed, never written
// A narrow text is converted from UTF-8; a null string prints as "(null)".
#include "Port_StringBase.h"

#include "basutstr.h"
#include "platform/mbcs.h"

#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace Port {

namespace {

enum class Size { None, HH, H, L, LL, BigL, I32, Ptr, W };

void Pad(std::wstring &out, const std::wstring &text, int width, bool left) {
  const size_t fill = width > 0 && size_t(width) > text.size() ? size_t(width) - text.size() : 0;
  if (!left)
    out.append(fill, L' ');
  out += text;
  if (left)
    out.append(fill, L' ');
}

// Formats one numeric conversion with the C library: spec is "%" flags width precision.
template <class V>
void FormatNumber(std::wstring &out, const std::wstring &spec, const wchar_t *length, wchar_t conv,
                  int width, int precision, V value) {
  const std::wstring f = spec + length + conv;
  std::vector<wchar_t> buf(size_t(width > 0 ? width : 0) + size_t(precision > 0 ? precision : 0) +
                           400);
  const int n = std::swprintf(buf.data(), buf.size(), f.c_str(), value);
  if (n > 0)
    out.append(buf.data(), size_t(n));
}

std::wstring FormatWide(const wchar_t *fmt, va_list args) {
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
    std::wstring spec = L"%";
    bool left = false;
    while (*p && std::wcschr(L"-+ #0", *p)) {
      left = left || *p == L'-';
      spec += *p++;
    }
    int width = -1;
    if (*p == L'*') {
      width = va_arg(ap, int);
      if (width < 0) {
        left = true;
        spec += L'-';
        width = -width;
      }
      spec += std::to_wstring(width);
      ++p;
    } else if (*p >= L'0' && *p <= L'9') {
      width = 0;
      while (*p >= L'0' && *p <= L'9' && width < 100000)
        width = width * 10 + (*p++ - L'0');
      while (*p >= L'0' && *p <= L'9')
        ++p;
      spec += std::to_wstring(width);
    }
    int precision = -1;
    if (*p == L'.') {
      ++p;
      precision = 0;
      if (*p == L'*') {
        precision = va_arg(ap, int);
        ++p;
      } else {
        while (*p >= L'0' && *p <= L'9' && precision < 100000)
          precision = precision * 10 + (*p++ - L'0');
        while (*p >= L'0' && *p <= L'9')
          ++p;
      }
      if (precision >= 0)
        spec += L"." + std::to_wstring(precision);
    }
    Size size = Size::None;
    if (p[0] == L'h' && p[1] == L'h') {
      size = Size::HH;
      p += 2;
    } else if (p[0] == L'h') {
      size = Size::H;
      ++p;
    } else if (p[0] == L'l' && p[1] == L'l') {
      size = Size::LL;
      p += 2;
    } else if (p[0] == L'l') {
      size = Size::L;
      ++p;
    } else if (p[0] == L'L') {
      size = Size::BigL;
      ++p;
    } else if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
      size = Size::LL;
      p += 3;
    } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
      size = Size::I32;
      p += 3;
    } else if (p[0] == L'I' || p[0] == L'z' || p[0] == L'j' || p[0] == L't') {
      size = Size::Ptr;
      ++p;
    } else if (p[0] == L'w') {
      size = Size::W;
      ++p;
    }
    const wchar_t conv = *p;
    if (!conv) {
      out.append(start, p);
      break;
    }
    ++p;
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
        v = va_arg(ap, long long);
        break;
      case Size::Ptr:
        v = va_arg(ap, ptrdiff_t);
        break;
      default:
        v = va_arg(ap, int);
        break;
      }
      FormatNumber(out, spec, L"ll", conv, width, precision, v);
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
        v = va_arg(ap, unsigned long long);
        break;
      case Size::Ptr:
        v = va_arg(ap, size_t);
        break;
      default:
        v = va_arg(ap, unsigned);
        break;
      }
      FormatNumber(out, spec, L"ll", conv, width, precision, v);
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
        FormatNumber(out, spec, L"L", conv, width, precision, va_arg(ap, long double));
      else
        FormatNumber(out, spec, L"", conv, width, precision, va_arg(ap, double));
      break;
    case L'p': {
      wchar_t buf[32];
      std::swprintf(
          buf, 32, L"%016llX",
          static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(va_arg(ap, void *))));
      Pad(out, buf, width, left);
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
