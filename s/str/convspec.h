// convspec.h - the one reader of printf and scanf conversions, and the one
// number formatter behind them, shared by UT_STR's Printf family and SScanf, the shared
// string's Format and the message arguments.
//
// A conversion after its '%' is read as
//   [*] flags width precision size conversion
// where, depending on the dialect,
//   '*'         (scanf only) the field is read but not stored
//   flags       printf: any of "-+ #0" (narrow printf also ',' and '\'', messages ','), ignored
//               where the dialect does not print them
//   width       digits, or '*' for printf (an int argument)
//   precision   printf only: '.' then digits or '*'
//   size        hh h l ll L q j z t w I64 I32, and for the wide printf a bare I
//               (messages: h hh l ll L q j t I64 I32)
//   conversion  the next character as written; its meaning is the caller's
// Numbers are always formatted in the "C" locale: the decimal point is '.' whatever locale the
// process has set.
#ifndef PORT_STR_CONVSPEC_H
#define PORT_STR_CONVSPEC_H

#include <cstddef>
#include <string>

namespace convspec {

enum class Dialect { Printf, WidePrintf, Message, Scanf };

// The size prefix as written.
enum class Size { None, HH, H, L, LL, Q, BigL, J, Z, T, W, I64, I32, I };

struct Spec {
  bool left = false, plus = false, space = false, alt = false, zero = false;
  bool suppress = false; // scanf '*'
  bool widthStar = false, precisionStar = false;
  int width = -1;     // -1: none
  int precision = -1; // -1: none
  Size size = Size::None;
  char32_t conv = 0;
};

enum class Result {
  Ok,
  End,     // the format ends inside the conversion
  TooLarge // a width or precision beyond int (the conversion is read all the same)
};

// Reads one conversion; p points behind the '%' and is left behind the conversion
// character (or at the end of the format for End).
template <class C> Result parse(const C *&p, Spec &s, Dialect dialect);

extern template Result parse<char>(const char *&, Spec &, Dialect);
extern template Result parse<wchar_t>(const wchar_t *&, Spec &, Dialect);

// Formats one number in the "C" locale with the flags, width (when > 0), precision and
// conversion of s (conv one of d o u x X for the integers, e E f F g G a A for the floating
// point ones). Writes at most size bytes including the terminating zero into buf and returns
// the length of the whole text, as snprintf does (negative on failure).
int print(char *buf, size_t size, const Spec &s, long long value);
int print(char *buf, size_t size, const Spec &s, unsigned long long value);
int print(char *buf, size_t size, const Spec &s, double value);
int print(char *buf, size_t size, const Spec &s, long double value);

// The same into a string, whatever its length.
template <class T> std::string print(const Spec &s, T value) {
  char small[128];
  const int n = print(small, sizeof small, s, value);
  if (n < 0)
    return std::string();
  if (static_cast<size_t>(n) < sizeof small)
    return std::string(small, static_cast<size_t>(n));
  std::string big(static_cast<size_t>(n) + 1, '\0');
  if (print(&big[0], big.size(), s, value) != n)
    return std::string();
  big.resize(static_cast<size_t>(n));
  return big;
}

} // namespace convspec

#endif
