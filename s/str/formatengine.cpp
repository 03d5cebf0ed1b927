// formatengine.cpp - walking printf formats (see formatengine.h for the rules).
#include "formatengine.h"

#include "platform/mbcs.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <type_traits>

namespace fmtengine {

// ---- the letters' shared meaning ----

Integer integerOf(convspec::Size size) {
  using convspec::Size;
  switch (size) {
  case Size::HH:
    return Integer::Char;
  case Size::H:
    return Integer::Short;
  case Size::L:
  case Size::W:
    return Integer::Long;
  case Size::LL:
  case Size::Q:
  case Size::I64:
  case Size::BigL:
    return Integer::LongLong;
  case Size::J:
    return Integer::IntMax;
  case Size::Z:
  case Size::I:
    return Integer::Size;
  case Size::T:
    return Integer::PtrDiff;
  default:
    return Integer::Int;
  }
}

bool integer(Conv &c, char letter) {
  c.kind = letter == 'd' || letter == 'i' ? Kind::Signed : Kind::Unsigned;
  c.letter = letter;
  c.integer = integerOf(c.size);
  return true;
}

bool character(Conv &c, bool wide) {
  c.kind = c.conv == 'c' || c.conv == 'C' ? Kind::Char : Kind::Text;
  c.wide = wide;
  return true;
}

bool libraryInteger(Conv &c, char letter) {
  using convspec::Size;
  c.kind = letter == 'I' ? Kind::Signed : Kind::Unsigned;
  c.letter = letter == 'I' ? 'i' : 'u';
  switch (c.size) {
  case Size::H:
    c.integer = Integer::Short;
    break;
  case Size::L:
  case Size::W:
  case Size::LL:
  case Size::Q:
  case Size::I64:
    c.integer = Integer::LongLong;
    break;
  default:
    c.integer = Integer::Int;
    break;
  }
  return true;
}

bool standard(Conv &c) {
  switch (c.conv) {
  case 'd':
  case 'i':
  case 'o':
  case 'u':
  case 'x':
  case 'X':
    return integer(c, static_cast<char>(c.conv));
  case 'p':
    c.kind = Kind::Pointer;
    return true;
  case 'e':
  case 'E':
  case 'f':
  case 'F':
  case 'g':
  case 'G':
  case 'a':
  case 'A':
    c.kind = Kind::Float;
    c.letter = static_cast<char>(c.conv);
    return true;
  default:
    return false;
  }
}

bool printfLetters(Conv &c) {
  switch (c.conv) {
  case 'I':
  case 'U':
    return libraryInteger(c, static_cast<char>(c.conv));
  case 'n':
    c.kind = Kind::Count;
    c.integer = integerOf(c.size);
    return true;
  case '%':
    c.kind = Kind::Percent;
    return true;
  case 'c':
  case 's':
    return character(c, c.size == convspec::Size::L || c.size == convspec::Size::W);
  case 'C':
  case 'S':
    return character(c, c.size != convspec::Size::H);
  default:
    return standard(c);
  }
}

void storeCount(Integer type, void *target, long long count) {
  switch (type) {
  case Integer::Char:
    *static_cast<signed char *>(target) = static_cast<signed char>(count);
    break;
  case Integer::Short:
    *static_cast<short *>(target) = static_cast<short>(count);
    break;
  case Integer::Long:
    *static_cast<long *>(target) = static_cast<long>(count);
    break;
  case Integer::LongLong:
    *static_cast<long long *>(target) = count;
    break;
  case Integer::IntMax:
    *static_cast<intmax_t *>(target) = static_cast<intmax_t>(count);
    break;
  case Integer::Size:
    *static_cast<size_t *>(target) = static_cast<size_t>(count);
    break;
  case Integer::PtrDiff:
    *static_cast<ptrdiff_t *>(target) = static_cast<ptrdiff_t>(count);
    break;
  default:
    *static_cast<int *>(target) = static_cast<int>(count);
    break;
  }
}

template <class C> Read read(const C *&p, Conv &c, const Rules &rules) {
  if (rules.bareLetters && *p > 0 && *p < 0x80 &&
      std::strchr(rules.bareLetters, static_cast<int>(*p))) {
    c.conv = static_cast<char32_t>(*p++);
    return rules.letters(c) ? Read::Ok : Read::Unknown;
  }
  const convspec::Result r = convspec::parse(p, c, rules.dialect);
  if (r == convspec::Result::End)
    return Read::End;
  c.tooLarge = r == convspec::Result::TooLarge;
  return rules.letters(c) ? Read::Ok : Read::Unknown;
}

// ---- output ----

template <class C> void Output<C>::write(const C *s, size_t n) {
  if (n && std::fwrite(s, sizeof(C), n, m_file) != n)
    m_failed = true;
}

template <class C> bool Output<C>::fill(C c, size_t n) {
  if (m_file) {
    C blanks[64];
    std::fill_n(blanks, 64, c);
    for (size_t k; n; n -= k)
      if (!put(blanks, k = std::min<size_t>(n, 64)))
        return false;
    return true;
  }
  if (!room(n))
    return false;
  m_total += n;
  if (m_buffer) {
    const size_t k = std::min(n, m_room);
    std::fill_n(m_buffer, k, c);
    m_buffer += k;
    m_room -= k;
  } else if (m_grow) {
    m_grow->append(n, c);
  }
  return true;
}

template <class C> bool Output<C>::putAscii(const char *s, size_t n) {
  if constexpr (std::is_same_v<C, char>) {
    return put(s, n);
  } else {
    C wide[64];
    for (size_t k; n; n -= k, s += k) {
      k = std::min<size_t>(n, 64);
      std::copy(s, s + k, wide);
      if (!put(wide, k))
        return false;
    }
    return true;
  }
}

namespace {

// ---- arguments ----

struct Args { // a va_list passed by reference whatever its type is on the platform
  va_list ap;
};

union Value {
  long long s;
  unsigned long long u;
  double d;
  long double ld;
  void *p;
  int i;
};

void takeStars(Args &a, Conv &c) {
  if (c.widthStar) {
    // INT_MIN has no width of its own size: it is beyond int, as C has it.
    const int v = va_arg(a.ap, int);
    c.left = c.left || v < 0;
    c.width = v == INT_MIN ? INT_MAX : v < 0 ? -v : v;
    c.tooLarge = c.tooLarge || v == INT_MIN;
  }
  if (c.precisionStar) {
    const int v = va_arg(a.ap, int);
    c.precision = v < 0 ? -1 : v;
  }
}

long long takeSigned(Args &a, Integer type) {
  switch (type) {
  case Integer::Char:
    return static_cast<signed char>(va_arg(a.ap, int));
  case Integer::Short:
    return static_cast<short>(va_arg(a.ap, int));
  case Integer::Long:
    return va_arg(a.ap, long);
  case Integer::LongLong:
    return va_arg(a.ap, long long);
  case Integer::IntMax:
    return va_arg(a.ap, intmax_t);
  case Integer::Size:
    return va_arg(a.ap, std::make_signed_t<size_t>);
  case Integer::PtrDiff:
    return va_arg(a.ap, ptrdiff_t);
  default:
    return va_arg(a.ap, int);
  }
}

unsigned long long takeUnsigned(Args &a, Integer type) {
  switch (type) {
  case Integer::Char:
    return static_cast<unsigned char>(va_arg(a.ap, unsigned));
  case Integer::Short:
    return static_cast<unsigned short>(va_arg(a.ap, unsigned));
  case Integer::Long:
    return va_arg(a.ap, unsigned long);
  case Integer::LongLong:
    return va_arg(a.ap, unsigned long long);
  case Integer::IntMax:
    return va_arg(a.ap, uintmax_t);
  case Integer::Size:
    return va_arg(a.ap, size_t);
  case Integer::PtrDiff:
    return static_cast<std::make_unsigned_t<ptrdiff_t>>(va_arg(a.ap, ptrdiff_t));
  default:
    return va_arg(a.ap, unsigned);
  }
}

Value take(Args &a, const Conv &c) {
  Value v{};
  switch (c.kind) {
  case Kind::Signed:
    v.s = takeSigned(a, c.integer);
    break;
  case Kind::Unsigned:
    v.u = takeUnsigned(a, c.integer);
    break;
  case Kind::Float:
    if (c.size == convspec::Size::BigL)
      v.ld = va_arg(a.ap, long double);
    else
      v.d = va_arg(a.ap, double);
    break;
  case Kind::Char:
    v.i = va_arg(a.ap, int);
    break;
  case Kind::Text:
  case Kind::Pointer:
  case Kind::Count:
  case Kind::Skip:
    v.p = va_arg(a.ap, void *);
    break;
  default:
    break;
  }
  return v;
}

// ---- printing ----

// units of output padded to the width with blanks; write() puts the units themselves.
template <class C, class Write>
bool padded(Output<C> &out, const Conv &c, size_t units, Write write) {
  const size_t pad = c.width > 0 && static_cast<size_t>(c.width) > units ? c.width - units : 0;
  if (pad && !c.left && !out.fill(C(' '), pad))
    return false;
  if (!write())
    return false;
  return !pad || !c.left || out.fill(C(' '), pad);
}

// A formatted number padded to the width: blanks on the right for '-'; zeros after the sign
// and any "0x" prefix for '0' (not for an integer with a precision, nor for infinity or NaN);
// blanks on the left otherwise.
template <class C>
bool padNumber(Output<C> &out, const Conv &c, const char *text, size_t n, bool zeroAllowed) {
  const size_t width = static_cast<size_t>(c.width > 0 ? c.width : 0);
  if (n >= width)
    return out.putAscii(text, n);
  const size_t pad = width - n;
  if (c.left)
    return out.putAscii(text, n) && out.fill(C(' '), pad);
  if (!c.zero || !zeroAllowed)
    return out.fill(C(' '), pad) && out.putAscii(text, n);
  size_t prefix = 0;
  if (n > 0 && (text[0] == '-' || text[0] == '+' || text[0] == ' '))
    prefix = 1;
  if (n > prefix + 1 && text[prefix] == '0' && (text[prefix + 1] == 'x' || text[prefix + 1] == 'X'))
    prefix += 2;
  return out.putAscii(text, prefix) && out.fill(C('0'), pad) &&
         out.putAscii(text + prefix, n - prefix);
}

// One number in the "C" locale, without its width (see padNumber). A piece too long for the
// stack buffer (a large precision) gets a heap buffer, or is only counted when the output
// would not keep it.
template <class C, class T>
bool number(Output<C> &out, const Conv &c, T value, bool finite = true) {
  convspec::Spec inner = c;
  inner.width = -1;
  inner.left = false;
  inner.zero = false;
  inner.conv = static_cast<char32_t>(c.letter);
  const bool isInteger = c.kind == Kind::Signed || c.kind == Kind::Unsigned;
  const bool zeroAllowed = isInteger ? c.precision < 0 : finite;
  char piece[128];
  const int n = convspec::print(piece, sizeof piece, inner, value);
  if (n < 0)
    return false;
  if (static_cast<size_t>(n) < sizeof piece)
    return padNumber(out, c, piece, static_cast<size_t>(n), zeroAllowed);
  const size_t total = std::max(static_cast<size_t>(n), static_cast<size_t>(std::max(c.width, 0)));
  if (!out.keeps(total))
    return out.fill(C(' '), total);
  std::string big(static_cast<size_t>(n) + 1, '\0');
  if (convspec::print(&big[0], big.size(), inner, value) != n)
    return false;
  return padNumber(out, c, big.data(), static_cast<size_t>(n), zeroAllowed);
}

// Digits of v in base 8, 10 or 16, written backwards from end; returns the first one.
char *digits(char *end, unsigned long long v, char letter) {
  const char *set = letter == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  if (letter == 'o') {
    do
      *--end = static_cast<char>('0' + (v & 7));
    while (v >>= 3);
  } else if (letter == 'x' || letter == 'X') {
    do
      *--end = set[v & 15];
    while (v >>= 4);
  } else {
    do
      *--end = static_cast<char>('0' + v % 10);
    while (v /= 10);
  }
  return end;
}

// An integer as C prints it, without snprintf: at least precision digits (none for a zero
// with precision 0), '#' a leading 0 in octal and 0x or 0X before a nonzero hex value, the
// sign '-', or '+' or ' ' as the flags ask for a signed conversion; then padded. A precision
// beyond the stack buffer goes through snprintf.
template <class C> bool integerValue(Output<C> &out, const Conv &c, const Value &v) {
  const bool isSigned = c.kind == Kind::Signed;
  if (c.precision > 64)
    return isSigned ? number(out, c, v.s) : number(out, c, v.u);
  const bool negative = isSigned && v.s < 0;
  const unsigned long long magnitude = !isSigned  ? v.u
                                       : negative ? 0ULL - static_cast<unsigned long long>(v.s)
                                                  : static_cast<unsigned long long>(v.s);
  char buf[96];
  char *const end = buf + sizeof buf;
  char *first = magnitude == 0 && c.precision == 0 ? end : digits(end, magnitude, c.letter);
  if (c.width < 0 && c.precision < 0 && !c.alt && !c.plus && !c.space) { // the common "%d"
    if (negative)
      *--first = '-';
    return out.putAscii(first, static_cast<size_t>(end - first));
  }
  while (end - first < c.precision)
    *--first = '0';
  if (c.alt && c.letter == 'o' && (first == end || *first != '0'))
    *--first = '0';
  if (c.alt && (c.letter == 'x' || c.letter == 'X') && magnitude != 0) {
    *--first = c.letter;
    *--first = '0';
  }
  if (negative)
    *--first = '-';
  else if (isSigned && (c.plus || c.space))
    *--first = c.plus ? '+' : ' ';
  return padNumber(out, c, first, static_cast<size_t>(end - first), c.precision < 0);
}

// Writes units in pieces through a stack buffer; produce(piece, room) fills at most room
// units and returns how many (0 at the end).
template <class C, class Produce> bool inPieces(Output<C> &out, Produce produce) {
  C piece[256];
  for (size_t n; (n = produce(piece, sizeof piece / sizeof *piece)) != 0;)
    if (!out.put(piece, n))
      return false;
  return true;
}

// A text of the output's own width, cut to the precision.
template <class C> bool sameText(Output<C> &out, const Conv &c, const C *text) {
  size_t n = 0;
  if constexpr (std::is_same_v<C, char>)
    n = c.precision >= 0 ? strnlen(text, static_cast<size_t>(c.precision)) : std::strlen(text);
  else
    n = c.precision >= 0 ? wcsnlen(text, static_cast<size_t>(c.precision)) : std::wcslen(text);
  return padded(out, c, n, [&] { return out.put(text, n); });
}

// A wide text into narrow output, in UTF-8: whole characters up to the precision in bytes.
bool convertedText(Output<char> &out, const Conv &c, const wchar_t *text) {
  const size_t limit = c.precision >= 0 ? static_cast<size_t>(c.precision) : SIZE_MAX;
  size_t chars = 0, units = 0;
  for (size_t k; text[chars] && units + (k = platform::multibyteLength(text[chars])) <= limit;
       ++chars)
    units += k;
  return padded(out, c, units, [&] {
    size_t i = 0;
    return inPieces(out, [&](char *piece, size_t room) {
      size_t n = 0;
      for (; i < chars && n + 4 <= room; ++i)
        n += platform::encodeMultibyte(text[i], piece + n);
      return n;
    });
  });
}

// A UTF-8 text into wide output: whole characters up to the precision.
bool convertedText(Output<wchar_t> &out, const Conv &c, const char *text) {
  const size_t limit = c.precision >= 0 ? static_cast<size_t>(c.precision) : SIZE_MAX;
  const size_t length = std::strlen(text);
  size_t bytes = 0, chars = 0;
  for (wchar_t w; bytes < length && chars < limit; ++chars)
    bytes += platform::decodeMultibyte(text + bytes, length - bytes, &w);
  return padded(out, c, chars, [&] {
    size_t i = 0;
    return inPieces(out, [&](wchar_t *piece, size_t room) {
      size_t n = 0;
      for (; i < bytes && n < room; ++n)
        i += platform::decodeMultibyte(text + i, bytes - i, piece + n);
      return n;
    });
  });
}

template <class C> bool textValue(Output<C> &out, const Conv &c, const void *p) {
  if (c.wide) {
    const wchar_t *text = p ? static_cast<const wchar_t *>(p) : L"(null)";
    if constexpr (std::is_same_v<C, wchar_t>)
      return sameText(out, c, text);
    else
      return convertedText(out, c, text);
  }
  const char *text = p ? static_cast<const char *>(p) : "(null)";
  if constexpr (std::is_same_v<C, char>)
    return sameText(out, c, text);
  else
    return convertedText(out, c, text);
}

template <class C> bool charValue(Output<C> &out, const Conv &c, int v) {
  C units[4];
  size_t n = 1;
  if constexpr (std::is_same_v<C, char>) {
    if (c.wide)
      n = platform::encodeMultibyte(static_cast<wchar_t>(v), units);
    else
      units[0] = static_cast<char>(v);
  } else {
    units[0] = c.wide ? static_cast<wchar_t>(v) : static_cast<wchar_t>(v & 0xFF);
  }
  return padded(out, c, n, [&] { return out.put(units, n); });
}

template <class C> bool pointerValue(Output<C> &out, const Conv &c, const void *p) {
  const uintptr_t v = reinterpret_cast<uintptr_t>(p);
  char hex[2 * sizeof(uintptr_t)];
  for (size_t i = 0; i < sizeof hex; ++i)
    hex[i] = "0123456789ABCDEF"[(v >> (4 * (sizeof hex - 1 - i))) & 0xF];
  return padded(out, c, sizeof hex, [&] { return out.putAscii(hex, sizeof hex); });
}

template <class C> bool printValue(Output<C> &out, const Conv &c, const Value &v) {
  switch (c.kind) {
  case Kind::Signed:
  case Kind::Unsigned:
    return integerValue(out, c, v);
  case Kind::Float:
    if (c.size == convspec::Size::BigL)
      return number(out, c, v.ld, std::isfinite(v.ld));
    return number(out, c, v.d, std::isfinite(v.d));
  case Kind::Char:
    return charValue(out, c, v.i);
  case Kind::Text:
    return textValue(out, c, v.p);
  case Kind::Pointer:
    return pointerValue(out, c, v.p);
  case Kind::Count:
    storeCount(c.integer, v.p, static_cast<long long>(out.total()));
    return true;
  case Kind::Percent:
    return out.putAscii("%", 1);
  default:
    return true;
  }
}

// ---- the walk ----

template <class C> const C *nextPercent(const C *p) {
  const C *pct;
  if constexpr (std::is_same_v<C, char>)
    pct = std::strchr(p, '%');
  else
    pct = std::wcschr(p, L'%');
  if (pct)
    return pct;
  if constexpr (std::is_same_v<C, char>)
    return p + std::strlen(p);
  else
    return p + std::wcslen(p);
}

// An unknown conversion: the rules' marker as its value, or its text as it stands.
template <class C>
bool unknown(Output<C> &out, const Rules &rules, Observer<C> *observer, const C *spec, size_t n,
             bool print) {
  const size_t begin = out.total();
  if (print &&
      !(rules.unknown ? out.putAscii(rules.unknown, std::strlen(rules.unknown)) : out.put(spec, n)))
    return false;
  if (observer)
    observer->value(spec, n, begin, out.total(), false);
  return true;
}

template <class C>
bool convert(Output<C> &out, Args &args, Conv &c, Read r, const C *spec, const C *end,
             const Rules &rules, Observer<C> *observer) {
  const size_t n = static_cast<size_t>(end - spec);
  if (r == Read::Unknown)
    return unknown(out, rules, observer, spec, n, !c.tooLarge);
  const Value v = take(args, c);
  if (c.kind == Kind::Nothing)
    return true;
  const size_t begin = out.total();
  if (!c.tooLarge && !printValue(out, c, v))
    return false;
  if (observer)
    observer->value(spec, n, begin, out.total(), true);
  return true;
}

} // namespace

template <class C>
int walk(Output<C> &out, const C *fmt, va_list list, const Rules &rules, Observer<C> *observer) {
  Args args;
  va_copy(args.ap, list);
  int result = -1;
  for (const C *p = fmt;;) {
    const C *pct = nextPercent(p);
    if (rules.literals && !out.put(p, static_cast<size_t>(pct - p)))
      break;
    if (!*pct) {
      result = static_cast<int>(out.total());
      break;
    }
    const C *q = pct + 1;
    Conv c;
    Read r = read(q, c, rules);
    if (r != Read::End && (c.widthStar || c.precisionStar))
      takeStars(args, c);
    if (r != Read::End && c.tooLarge && rules.tooLarge != TooLarge::Empty) {
      if (rules.tooLarge == TooLarge::Fail)
        break;
      r = Read::End;
    }
    if (r == Read::End) {
      // The format ends inside this conversion: the rest is its text.
      const size_t rest = std::char_traits<C>::length(pct);
      if (unknown(out, rules, observer, pct, rest, true))
        result = static_cast<int>(out.total());
      break;
    }
    if (!convert(out, args, c, r, pct, q, rules, observer))
      break;
    p = q;
  }
  va_end(args.ap);
  return result;
}

template Read read<char>(const char *&, Conv &, const Rules &);
template Read read<wchar_t>(const wchar_t *&, Conv &, const Rules &);
template class Output<char>;
template class Output<wchar_t>;
template int walk<char>(Output<char> &, const char *, va_list, const Rules &, Observer<char> *);
template int walk<wchar_t>(Output<wchar_t> &, const wchar_t *, va_list, const Rules &,
                           Observer<wchar_t> *);

} // namespace fmtengine
