// convspec.cpp - reading conversions; formatting numbers in the "C" locale.
#include "convspec.h"

#include "platform/clocale.h"

#include <climits>
#include <cstdio>

namespace convspec {

namespace {

template <class C> bool isDigit(C c) { return c >= C('0') && c <= C('9'); }

// Digits into value; false when they go beyond INT_MAX (all of them are read).
template <class C> bool readNumber(const C *&p, int &value) {
  long long v = 0;
  bool fits = true;
  for (; isDigit(*p); ++p) {
    if (fits)
      v = v * 10 + (*p - C('0'));
    fits = fits && v <= INT_MAX;
  }
  value = fits ? static_cast<int>(v) : INT_MAX;
  return fits;
}

template <class C> bool isFlag(C c, Dialect d) {
  switch (c) {
  case C('-'):
  case C('+'):
  case C(' '):
  case C('#'):
  case C('0'):
    return d != Dialect::Scanf;
  case C(','):
    return d == Dialect::Printf || d == Dialect::Message;
  case C('\''):
    return d == Dialect::Printf;
  default:
    return false;
  }
}

template <class C> Size readSize(const C *&p, Dialect d) {
  const C c = *p;
  const bool message = d == Dialect::Message;
  const bool wide = d == Dialect::WidePrintf;
  if (c == C('h') || c == C('l')) {
    ++p;
    if (*p == c) {
      ++p;
      return c == C('h') ? Size::HH : Size::LL;
    }
    return c == C('h') ? Size::H : Size::L;
  }
  if (c == C('I') && p[1] == C('6') && p[2] == C('4')) {
    p += 3;
    return Size::I64;
  }
  if (c == C('I') && p[1] == C('3') && p[2] == C('2')) {
    p += 3;
    return Size::I32;
  }
  Size size = Size::None;
  if (c == C('L'))
    size = Size::BigL;
  else if (c == C('j'))
    size = Size::J;
  else if (c == C('t'))
    size = Size::T;
  else if (c == C('q') && !wide)
    size = Size::Q;
  else if (c == C('z') && !message)
    size = Size::Z;
  else if (c == C('w') && !message)
    size = Size::W;
  else if (c == C('I') && wide)
    size = Size::I;
  if (size != Size::None)
    ++p;
  return size;
}

// The single-conversion format handed to snprintf.
void buildFormat(char *f, const Spec &s, const char *length) {
  char *p = f;
  *p++ = '%';
  if (s.left)
    *p++ = '-';
  if (s.plus)
    *p++ = '+';
  if (s.space)
    *p++ = ' ';
  if (s.alt)
    *p++ = '#';
  if (s.zero)
    *p++ = '0';
  if (s.width > 0)
    p += std::snprintf(p, 12, "%d", s.width);
  if (s.precision >= 0)
    p += std::snprintf(p, 13, ".%d", s.precision);
  while (*length)
    *p++ = *length++;
  *p++ = static_cast<char>(s.conv);
  *p = 0;
}

template <class T> int printWith(char *buf, size_t size, const Spec &s, const char *length, T v) {
  char format[48];
  buildFormat(format, s, length);
  platform::CLocaleScope cLocale;
  return std::snprintf(buf, size, format, v);
}

} // namespace

template <class C> Result parse(const C *&p, Spec &s, Dialect d) {
  bool tooLarge = false;
  if (d == Dialect::Scanf && *p == C('*')) {
    s.suppress = true;
    ++p;
  }
  for (; isFlag(*p, d); ++p) {
    switch (*p) {
    case C('-'):
      s.left = true;
      break;
    case C('+'):
      s.plus = true;
      break;
    case C(' '):
      s.space = true;
      break;
    case C('#'):
      s.alt = true;
      break;
    case C('0'):
      s.zero = true;
      break;
    default:
      break;
    }
  }
  if (*p == C('*') && d != Dialect::Scanf) {
    s.widthStar = true;
    ++p;
  } else if (isDigit(*p) && !readNumber(p, s.width)) {
    tooLarge = true;
  }
  if (*p == C('.') && d != Dialect::Scanf) {
    ++p;
    if (*p == C('*')) {
      s.precisionStar = true;
      ++p;
    } else {
      s.precision = 0;
      if (!readNumber(p, s.precision))
        tooLarge = true;
    }
  }
  s.size = readSize(p, d);
  if (!*p)
    return Result::End;
  s.conv = static_cast<char32_t>(*p++);
  return tooLarge ? Result::TooLarge : Result::Ok;
}

template Result parse<char>(const char *&, Spec &, Dialect);
template Result parse<wchar_t>(const wchar_t *&, Spec &, Dialect);

int print(char *buf, size_t size, const Spec &s, long long value) {
  return printWith(buf, size, s, "ll", value);
}

int print(char *buf, size_t size, const Spec &s, unsigned long long value) {
  return printWith(buf, size, s, "ll", value);
}

int print(char *buf, size_t size, const Spec &s, double value) {
  return printWith(buf, size, s, "", value);
}

int print(char *buf, size_t size, const Spec &s, long double value) {
  return printWith(buf, size, s, "L", value);
}

} // namespace convspec
