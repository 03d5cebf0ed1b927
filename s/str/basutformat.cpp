// basutformat.cpp - the formatting engine behind UT_STR::Printf, SPrintf, SNPrintf and their
// va_list forms, with the library's sized-integer conversions.
//
// A format is walked conversion by conversion. Each argument is fetched with its real type on
// this platform and formatted on its own: numbers by convspec (in the "C" locale), texts and
// characters by hand,
// wide ones converted to UTF-8. Counting and writing share the walk, so the predicted length is
// exactly what is written.
//
// Conversions are read by convspec (narrow printf); a negative '*' width means
// '-' and its absolute value, a negative '*' precision means none. Conversions:
//   d i o u x X e E f F g G a A c C s S p n %
//   I (signed 32-bit)  U (unsigned 32-bit), with h: 16-bit, with l or ll: 64-bit
#include "basutstr.h"

#include "convspec.h"
#include "platform/mbcs.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <type_traits>

namespace {

enum class Length { None, HH, H, L, LL, LD, J, Z, T };

struct Spec : convspec::Spec {
  Length length = Length::None;
  char conv = 0; // normalised: d o u x X e E f F g G a A c s p n %
  bool wide = false;
};

// Invalid: the format ends inside a conversion; TooLarge: a width or precision beyond int.
enum class ParseResult { Ok, Unknown, Invalid, TooLarge };

// Reads one conversion after its '%' and gives it this formatter's meaning. On return p is
// behind what was read.
ParseResult parseSpec(const char *&p, Spec &s) {
  switch (convspec::parse(p, s, convspec::Dialect::Printf)) {
  case convspec::Result::End:
    return ParseResult::Invalid;
  case convspec::Result::TooLarge:
    return ParseResult::TooLarge;
  case convspec::Result::Ok:
    break;
  }
  switch (s.size) {
  case convspec::Size::HH:
    s.length = Length::HH;
    break;
  case convspec::Size::H:
    s.length = Length::H;
    break;
  case convspec::Size::L:
  case convspec::Size::W:
    s.length = Length::L;
    break;
  case convspec::Size::LL:
  case convspec::Size::Q:
  case convspec::Size::I64:
    s.length = Length::LL;
    break;
  case convspec::Size::BigL:
    s.length = Length::LD;
    break;
  case convspec::Size::J:
    s.length = Length::J;
    break;
  case convspec::Size::Z:
    s.length = Length::Z;
    break;
  case convspec::Size::T:
    s.length = Length::T;
    break;
  default:
    break;
  }
  const char32_t c = static_cast<convspec::Spec &>(s).conv;
  switch (c) {
  case 'I':
  case 'U':
    // The library's sized integers: plain 32-bit, 'h' 16-bit, 'l' 64-bit.
    s.conv = c == 'I' ? 'd' : 'u';
    s.length = s.length == Length::H                               ? Length::H
               : (s.length == Length::L || s.length == Length::LL) ? Length::LL
                                                                   : Length::None;
    return ParseResult::Ok;
  case 'i':
    s.conv = 'd';
    return ParseResult::Ok;
  case 'd':
  case 'o':
  case 'u':
  case 'x':
  case 'X':
  case 'e':
  case 'E':
  case 'f':
  case 'F':
  case 'g':
  case 'G':
  case 'a':
  case 'A':
  case 'p':
  case 'n':
  case '%':
    s.conv = static_cast<char>(c);
    return ParseResult::Ok;
  case 'c':
  case 's':
    s.conv = static_cast<char>(c);
    s.wide = s.length == Length::L;
    return ParseResult::Ok;
  case 'C':
  case 'S':
    s.conv = static_cast<char>(c - 'A' + 'a');
    s.wide = s.length != Length::H;
    return ParseResult::Ok;
  default:
    return ParseResult::Unknown;
  }
}

// Output targets. Each keeps no count of its own: the walk counts.
struct CountSink {
  bool canHold(size_t) const { return false; }
  void put(const char *, size_t) {}
  void fill(char, size_t) {}
};

struct BufferSink { // unbounded: the caller promised room
  char *out;
  bool canHold(size_t) const { return true; }
  void put(const char *s, size_t n) {
    std::memcpy(out, s, n);
    out += n;
  }
  void fill(char c, size_t n) {
    std::memset(out, c, n);
    out += n;
  }
};

struct BoundedSink { // writes what fits in cap bytes, drops the rest
  char *out;
  size_t room;
  bool canHold(size_t n) const { return n <= room; }
  void put(const char *s, size_t n) {
    const size_t k = n < room ? n : room;
    std::memcpy(out, s, k);
    out += k;
    room -= k;
  }
  void fill(char c, size_t n) {
    const size_t k = n < room ? n : room;
    std::memset(out, c, k);
    out += k;
    room -= k;
  }
};

struct FileSink {
  std::FILE *file;
  bool failed = false;
  bool canHold(size_t) const { return true; }
  void put(const char *s, size_t n) {
    if (n && std::fwrite(s, 1, n, file) != n)
      failed = true;
  }
  void fill(char c, size_t n) {
    char blanks[64];
    std::memset(blanks, c, sizeof blanks);
    while (n) {
      const size_t k = n < sizeof blanks ? n : sizeof blanks;
      put(blanks, k);
      n -= k;
    }
  }
};

template <typename Sink> class Writer {
public:
  explicit Writer(Sink &sink) : m_sink(sink) {}
  bool put(const char *s, size_t n) {
    if (n > static_cast<size_t>(INT_MAX) - m_total)
      return false;
    m_sink.put(s, n);
    m_total += n;
    return true;
  }
  bool fill(char c, size_t n) {
    if (n > static_cast<size_t>(INT_MAX) - m_total)
      return false;
    m_sink.fill(c, n);
    m_total += n;
    return true;
  }
  // A text padded to the width.
  bool padded(const Spec &s, const char *text, size_t n) {
    const size_t pad = s.width > 0 && static_cast<size_t>(s.width) > n ? s.width - n : 0;
    if (!s.left && !fill(' ', pad))
      return false;
    if (!put(text, n))
      return false;
    return !s.left || fill(' ', pad);
  }
  size_t total() const { return m_total; }
  // False when the sink would not keep all of n more bytes: such a piece is only counted (a
  // bounded text that does not fit is not kept at all).
  bool canHold(size_t n) const { return m_sink.canHold(n); }

private:
  Sink &m_sink;
  size_t m_total = 0;
};

// Pads a formatted number to the width itself, so that a huge width costs no time in snprintf:
// blanks on the right for '-'; zeros after the sign and any "0x" prefix for '0' (not for an
// integer with a precision, nor for infinity or NaN); blanks on the left otherwise.
template <typename Sink>
bool padNumber(Writer<Sink> &w, const Spec &s, const char *text, size_t n, bool zeroAllowed) {
  const size_t width = static_cast<size_t>(s.width > 0 ? s.width : 0);
  if (n >= width)
    return w.put(text, n);
  const size_t pad = width - n;
  if (s.left)
    return w.put(text, n) && w.fill(' ', pad);
  if (!s.zero || !zeroAllowed)
    return w.fill(' ', pad) && w.put(text, n);
  size_t prefix = 0;
  if (n > 0 && (text[0] == '-' || text[0] == '+' || text[0] == ' '))
    prefix = 1;
  if (n > prefix + 1 && text[prefix] == '0' && (text[prefix + 1] == 'x' || text[prefix + 1] == 'X'))
    prefix += 2;
  return w.put(text, prefix) && w.fill('0', pad) && w.put(text + prefix, n - prefix);
}

// Formats one number in the "C" locale, without its width (see padNumber). A piece too long
// for the stack buffer (a large precision) gets a heap buffer, or is only counted when it cannot
// be kept.
template <typename Sink, typename T>
bool formatNumber(Writer<Sink> &w, const Spec &s, T value, bool finite = true) {
  convspec::Spec inner = s;
  inner.width = -1;
  inner.left = false;
  inner.zero = false;
  inner.conv = static_cast<char32_t>(s.conv);
  const bool isInteger = std::strchr("diouxX", s.conv) != nullptr;
  const bool zeroAllowed = isInteger ? s.precision < 0 : finite;
  char piece[128];
  const int n = convspec::print(piece, sizeof piece, inner, value);
  if (n < 0)
    return false;
  if (static_cast<size_t>(n) < sizeof piece)
    return padNumber(w, s, piece, static_cast<size_t>(n), zeroAllowed);
  const size_t total =
      std::max(static_cast<size_t>(n), static_cast<size_t>(s.width > 0 ? s.width : 0));
  if (!w.canHold(total))
    return w.fill(' ', total);
  std::string big(static_cast<size_t>(n) + 1, '\0');
  if (convspec::print(&big[0], big.size(), inner, value) != n)
    return false;
  return padNumber(w, s, big.data(), static_cast<size_t>(n), zeroAllowed);
}

// Decimal digits of v, written backwards from end; returns the first digit.
char *decimalDigits(char *end, unsigned long long v) {
  do {
    *--end = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  return end;
}

// The common "%d" and "%u" without flags, width or precision, without snprintf.
bool isPlain(const Spec &s) {
  return !s.left && !s.plus && !s.space && !s.alt && !s.zero && s.width < 0 && s.precision < 0;
}

template <typename Sink> bool plainSigned(Writer<Sink> &w, long long v) {
  char buf[24];
  char *end = buf + sizeof buf;
  const unsigned long long magnitude =
      v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  char *first = decimalDigits(end, magnitude);
  if (v < 0)
    *--first = '-';
  return w.put(first, static_cast<size_t>(end - first));
}

template <typename Sink> bool plainUnsigned(Writer<Sink> &w, unsigned long long v) {
  char buf[24];
  char *end = buf + sizeof buf;
  char *first = decimalDigits(end, v);
  return w.put(first, static_cast<size_t>(end - first));
}

// A wide text in UTF-8, cut to at most precision bytes without splitting a character.
template <typename Sink> bool formatWide(Writer<Sink> &w, const Spec &s, const wchar_t *text) {
  std::string m;
  if (!text) {
    m = "(null)";
  } else {
    for (const wchar_t *p = text; *p; ++p) {
      char buf[4];
      const size_t k = platform::encodeMultibyte(*p, buf);
      if (s.precision >= 0 && m.size() + k > static_cast<size_t>(s.precision))
        break;
      m.append(buf, k);
    }
  }
  size_t n = m.size();
  if (s.precision >= 0 && n > static_cast<size_t>(s.precision))
    n = static_cast<size_t>(s.precision); // only for "(null)"
  return w.padded(s, m.data(), n);
}

template <typename Sink> int walk(Sink &sink, const char *fmt, va_list args) {
  Writer<Sink> w(sink);
  va_list ap;
  va_copy(ap, args);
  int result = -1;
  const char *p = fmt;
  for (;;) {
    const char *pct = std::strchr(p, '%');
    if (!pct) {
      if (!w.put(p, std::strlen(p)))
        break;
      result = static_cast<int>(w.total());
      break;
    }
    if (!w.put(p, static_cast<size_t>(pct - p)))
      break;
    const char *q = pct + 1;
    Spec s;
    const ParseResult parsed = parseSpec(q, s);
    if (parsed == ParseResult::TooLarge)
      break;
    if (parsed == ParseResult::Invalid) {
      // A format ending inside a conversion: the rest is written as it stands.
      if (!w.put(pct, std::strlen(pct)))
        break;
      result = static_cast<int>(w.total());
      break;
    }
    if (s.widthStar) {
      const int v = va_arg(ap, int);
      if (v < 0) {
        s.left = true;
        s.width = v == INT_MIN ? INT_MAX : -v;
      } else {
        s.width = v;
      }
    }
    if (s.precisionStar) {
      const int v = va_arg(ap, int);
      s.precision = v < 0 ? -1 : v;
    }
    bool ok = true;
    if (parsed == ParseResult::Unknown) {
      ok = w.put(pct, static_cast<size_t>(q - pct));
    } else {
      switch (s.conv) {
      case '%':
        ok = w.put("%", 1);
        break;
      case 'd': {
        long long v;
        switch (s.length) {
        case Length::HH:
          v = static_cast<signed char>(va_arg(ap, int));
          break;
        case Length::H:
          v = static_cast<short>(va_arg(ap, int));
          break;
        case Length::L:
          v = va_arg(ap, long);
          break;
        case Length::LL:
        case Length::LD:
          v = va_arg(ap, long long);
          break;
        case Length::J:
          v = va_arg(ap, intmax_t);
          break;
        case Length::Z:
          v = va_arg(ap, std::make_signed_t<size_t>);
          break;
        case Length::T:
          v = va_arg(ap, ptrdiff_t);
          break;
        default:
          v = va_arg(ap, int);
          break;
        }
        ok = isPlain(s) ? plainSigned(w, v) : formatNumber(w, s, v);
        break;
      }
      case 'o':
      case 'u':
      case 'x':
      case 'X': {
        unsigned long long v;
        switch (s.length) {
        case Length::HH:
          v = static_cast<unsigned char>(va_arg(ap, unsigned));
          break;
        case Length::H:
          v = static_cast<unsigned short>(va_arg(ap, unsigned));
          break;
        case Length::L:
          v = va_arg(ap, unsigned long);
          break;
        case Length::LL:
        case Length::LD:
          v = va_arg(ap, unsigned long long);
          break;
        case Length::J:
          v = va_arg(ap, uintmax_t);
          break;
        case Length::Z:
          v = va_arg(ap, size_t);
          break;
        case Length::T:
          v = static_cast<std::make_unsigned_t<ptrdiff_t>>(va_arg(ap, ptrdiff_t));
          break;
        default:
          v = va_arg(ap, unsigned);
          break;
        }
        ok = (s.conv == 'u' && isPlain(s)) ? plainUnsigned(w, v) : formatNumber(w, s, v);
        break;
      }
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'a':
      case 'A': {
        if (s.length == Length::LD) {
          const long double v = va_arg(ap, long double);
          ok = formatNumber(w, s, v, std::isfinite(v));
        } else {
          const double v = va_arg(ap, double);
          ok = formatNumber(w, s, v, std::isfinite(v));
        }
        break;
      }
      case 'p': {
        // As on Windows: every hex digit of the pointer, upper case, without prefix.
        const uintptr_t v = reinterpret_cast<uintptr_t>(va_arg(ap, void *));
        char hex[2 * sizeof(uintptr_t)];
        for (size_t i = 0; i < sizeof hex; ++i)
          hex[i] = "0123456789ABCDEF"[(v >> (4 * (sizeof hex - 1 - i))) & 0xF];
        ok = w.padded(s, hex, sizeof hex);
        break;
      }
      case 'c':
        if (s.wide) {
          char buf[4];
          const size_t k = platform::encodeMultibyte(static_cast<wchar_t>(va_arg(ap, wint_t)), buf);
          ok = w.padded(s, buf, k);
        } else {
          const char c = static_cast<char>(va_arg(ap, int));
          ok = w.padded(s, &c, 1);
        }
        break;
      case 's':
        if (s.wide) {
          ok = formatWide(w, s, va_arg(ap, const wchar_t *));
        } else {
          const char *text = va_arg(ap, const char *);
          if (!text)
            text = "(null)";
          const size_t n = s.precision >= 0 ? strnlen(text, static_cast<size_t>(s.precision))
                                            : std::strlen(text);
          ok = w.padded(s, text, n);
        }
        break;
      case 'n': {
        const size_t done = w.total();
        switch (s.length) {
        case Length::HH:
          *va_arg(ap, signed char *) = static_cast<signed char>(done);
          break;
        case Length::H:
          *va_arg(ap, short *) = static_cast<short>(done);
          break;
        case Length::L:
          *va_arg(ap, long *) = static_cast<long>(done);
          break;
        case Length::LL:
          *va_arg(ap, long long *) = static_cast<long long>(done);
          break;
        case Length::J:
          *va_arg(ap, intmax_t *) = static_cast<intmax_t>(done);
          break;
        case Length::Z:
          *va_arg(ap, size_t *) = done;
          break;
        case Length::T:
          *va_arg(ap, ptrdiff_t *) = static_cast<ptrdiff_t>(done);
          break;
        default:
          *va_arg(ap, int *) = static_cast<int>(done);
          break;
        }
        break;
      }
      }
    }
    if (!ok)
      break;
    p = q;
  }
  va_end(ap);
  return result;
}

} // namespace

int UT_STR::VCountCharacters(const char *fmt, va_list args) {
  if (!fmt)
    return -1;
  CountSink sink;
  return walk(sink, fmt, args);
}

int UT_STR::VSPrintf(char *buf, const char *fmt, va_list args) {
  if (!buf || !fmt)
    return -1;
  BufferSink sink{buf};
  const int n = walk(sink, fmt, args);
  *sink.out = 0;
  return n;
}

int UT_STR::SPrintf(char *buf, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const int n = VSPrintf(buf, fmt, args);
  va_end(args);
  return n;
}

int UT_STR::Printf(const char *fmt, ...) {
  if (!fmt)
    return -1;
  va_list args;
  va_start(args, fmt);
  FileSink sink{stdout};
  int n = walk(sink, fmt, args);
  va_end(args);
  return sink.failed ? -1 : n;
}

// All or nothing: the text is first formatted into a scratch buffer on the stack; when it fits
// there and in the caller's buffer it is copied, when it fits only in the caller's buffer it is
// formatted again straight into it, and otherwise the caller's buffer is not touched.
int UT_STR::VSNPrintf(char *buf, size_t size, const char *fmt, va_list args) {
  if (!fmt)
    return -1;
  char scratch[1024];
  BoundedSink first{scratch, sizeof scratch - 1};
  const int n = walk(first, fmt, args);
  if (n < 0 || !buf || static_cast<size_t>(n) >= size)
    return n;
  if (static_cast<size_t>(n) < sizeof scratch) {
    std::memcpy(buf, scratch, static_cast<size_t>(n));
    buf[n] = 0;
    return n;
  }
  BoundedSink second{buf, static_cast<size_t>(n)};
  const int again = walk(second, fmt, args);
  buf[again >= 0 && again <= n ? again : 0] = 0;
  return again == n ? n : -1;
}

int UT_STR::SNPrintf(char *buf, size_t size, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const int n = VSNPrintf(buf, size, fmt, args);
  va_end(args);
  return n;
}
