// basutstrparse.cpp - UT_STR number reading, formatted reading and wildcard matching.
#include "basutstr.h"

#include "Port_MsgManData.h"
#include "formatengine.h"
#include "platform/clocale.h"
#include "platform/mbcs.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

namespace {

int digitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z')
    return c - 'A' + 10;
  return 99;
}

// Reads an integer of type T. Past the type's range the digits are still consumed and the
// result is the maximum, or the minimum with a '-' sign. An unsigned type negates a '-' value
// modulo its range, as strtoul does. end receives the first character not used, or s itself
// when there is no digit (also for a text of white space only).
template <typename T> T readInteger(const char *s, char **end, int base) {
  using U = std::make_unsigned_t<T>;
  if (base != 0 && (base < 2 || base > 36))
    base = 10;
  const char *p = s;
  while (UT_STR::IsSpace(static_cast<unsigned char>(*p)))
    ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  if ((base == 0 || base == 16) && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
      digitValue(p[2]) < 16) {
    p += 2;
    base = 16;
  } else if (base == 0) {
    base = p[0] == '0' ? 8 : 10;
  }
  const U limit = std::is_signed_v<T> ? (negative ? U(std::numeric_limits<T>::max()) + 1
                                                  : U(std::numeric_limits<T>::max()))
                                      : std::numeric_limits<U>::max();
  U value = 0;
  bool overflow = false;
  const char *digits = p;
  for (int d; (d = digitValue(*p)) < base; ++p) {
    if (overflow)
      continue;
    if (value > (limit - U(d)) / U(base)) {
      overflow = true;
      continue;
    }
    value = value * U(base) + U(d);
  }
  if (p == digits) {
    if (end)
      *end = const_cast<char *>(s);
    return 0;
  }
  if (end)
    *end = const_cast<char *>(p);
  if (overflow) {
    if (std::is_signed_v<T>)
      return negative ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
    return negative ? 0 : std::numeric_limits<T>::max();
  }
  if (negative)
    return static_cast<T>(U(0) - value);
  return static_cast<T>(value);
}

bool onlySpaceFrom(const char *p) {
  while (UT_STR::IsSpace(static_cast<unsigned char>(*p)))
    ++p;
  return *p == 0;
}

template <typename T, typename Out> bool readStrict(const char *s, Out &out) {
  if (!s)
    return false;
  char *end = nullptr;
  const T v = readInteger<T>(s, &end, 10);
  if (end == s || !onlySpaceFrom(end))
    return false;
  out = v;
  return true;
}

// Wildcard patterns compiled to a sequence of characters, ANY ('?') and STAR ('*').
constexpr long ANY = -1;
constexpr long STAR = -2;

template <typename C> long code(C c) { return long(std::make_unsigned_t<C>(c)); }
long upper(long c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }

// Greedy matching that remembers only the last star: a later star can absorb whatever an
// earlier one would have, so this finds a match whenever one exists, with any number of stars.
template <typename C>
bool matchCompiled(const C *text, const std::vector<long> &pattern, bool caseBlind) {
  size_t t = 0, p = 0;
  size_t starP = SIZE_MAX, starT = 0;
  const size_t np = pattern.size();
  while (text[t]) {
    if (p < np && pattern[p] == STAR) {
      starP = ++p;
      starT = t;
      continue;
    }
    if (p < np && (pattern[p] == ANY || (caseBlind ? upper(code(text[t])) == upper(pattern[p])
                                                   : code(text[t]) == pattern[p]))) {
      ++p;
      ++t;
      continue;
    }
    if (starP == SIZE_MAX)
      return false;
    p = starP;
    t = ++starT;
  }
  while (p < np && pattern[p] == STAR)
    ++p;
  return p == np;
}

template <typename C> std::vector<long> compilePlain(const C *pattern) {
  std::vector<long> out;
  for (; *pattern; ++pattern) {
    if (*pattern == C('*'))
      out.push_back(STAR);
    else if (*pattern == C('?'))
      out.push_back(ANY);
    else
      out.push_back(code(*pattern));
  }
  return out;
}

template <typename C> bool matchPlain(const C *text, const C *pattern, bool caseBlind) {
  if (!text || !pattern)
    return false;
  return matchCompiled(text, compilePlain(pattern), caseBlind);
}

} // namespace

// ---- number reading ----

int32_t UT_STR::StrToINT32(const char *s, char **end, int base) {
  return readInteger<int32_t>(s, end, base);
}
uint32_t UT_STR::StrToUINT32(const char *s, char **end, int base) {
  return readInteger<uint32_t>(s, end, base);
}
long long UT_STR::StrToINT64(const char *s, char **end, int base) {
  return readInteger<long long>(s, end, base);
}
unsigned long long UT_STR::StrToUINT64(const char *s, char **end, int base) {
  return readInteger<unsigned long long>(s, end, base);
}
long UT_STR::StrToL(const char *s, char **end, int base) { return readInteger<long>(s, end, base); }
unsigned long UT_STR::StrToUL(const char *s, char **end, int base) {
  return readInteger<unsigned long>(s, end, base);
}
double UT_STR::StrToD(const char *s, char **end) {
  platform::CLocaleScope cLocale;
  return std::strtod(s, end);
}

bool UT_STR::StrToINT32(const char *s, int *value) {
  return value && readStrict<int32_t>(s, *value);
}
bool UT_STR::StrToINT64(const char *s, long long *value) {
  return value && readStrict<long long>(s, *value);
}
bool UT_STR::StrToL(const char *s, long &value) { return readStrict<long>(s, value); }
bool UT_STR::StrToD(const char *s, double &value) {
  if (!s)
    return false;
  char *end = nullptr;
  const double v = StrToD(s, &end);
  if (end == s || !onlySpaceFrom(end))
    return false;
  value = v;
  return true;
}

int UT_STR::AToI(const char *s) { return s ? readInteger<int>(s, nullptr, 10) : 0; }
int32_t UT_STR::AToINT32(const char *s) { return s ? readInteger<int32_t>(s, nullptr, 10) : 0; }
long UT_STR::AToL(const char *s) { return s ? readInteger<long>(s, nullptr, 10) : 0; }
long long UT_STR::AToINT64(const char *s) { return s ? readInteger<long long>(s, nullptr, 10) : 0; }
double UT_STR::AToF(const char *s) { return s ? StrToD(s, nullptr) : 0.0; }

// ---- formatted reading ----
//
// Each conversion is read on its own by the C library's sscanf, preceded by the literal text
// before it, with a "%n" behind it to learn how far it read. Conversions are read by the format
// engine (scanf dialect), which gives the sizes and the library's letters their meaning: %I and
// %U read signed and unsigned 32-bit integers, 16-bit with h, 64-bit with l, ll, q, w or I64;
// wide strings and characters ("%S", "%ls", "%C", "%lc", and "%l[") are read as UTF-8 and
// stored as wide text; "%n" counts from the start of the input.

namespace {

using fmtengine::Conv;
using fmtengine::Kind;

bool scanLetters(Conv &c) {
  using convspec::Size;
  c.letter = static_cast<char>(c.conv);
  switch (c.conv) {
  case 'I':
  case 'U':
    return fmtengine::libraryInteger(c, static_cast<char>(c.conv));
  case 'S':
  case 'C':
    c.letter = c.conv == 'S' ? 's' : 'c';
    return fmtengine::character(c, c.size != Size::H);
  case 's':
  case 'c':
  case '[':
    return fmtengine::character(c, c.size == Size::L || c.size == Size::W);
  case 'n':
    c.kind = Kind::Count;
    c.integer = fmtengine::integerOf(c.size);
    return true;
  default:
    return fmtengine::standard(c);
  }
}

const fmtengine::Rules kScanRules{convspec::Dialect::Scanf, scanLetters};

// The size as glibc's sscanf spells it for the conversion's target.
const char *targetSize(const Conv &c) {
  using convspec::Size;
  switch (c.kind) {
  case Kind::Signed:
  case Kind::Unsigned:
    switch (c.integer) {
    case fmtengine::Integer::Char:
      return "hh";
    case fmtengine::Integer::Short:
      return "h";
    case fmtengine::Integer::Long:
      return "l";
    case fmtengine::Integer::LongLong:
      return "ll";
    case fmtengine::Integer::IntMax:
      return "j";
    case fmtengine::Integer::Size:
      return "z";
    case fmtengine::Integer::PtrDiff:
      return "t";
    default:
      return "";
    }
  case Kind::Float:
    if (c.size == Size::L || c.size == Size::W)
      return "l";
    return c.size == Size::BigL || c.size == Size::LL || c.size == Size::Q || c.size == Size::I64
               ? "L"
               : "";
  default:
    return "";
  }
}

struct ScanSpec {
  bool suppress = false;
  std::string width;
  std::string length; // as glibc spells it
  std::string conv;   // the letter, or the whole "[...]" set
  bool wide = false;
  fmtengine::Integer count = fmtengine::Integer::Int; // the target of "%n"
};

// A conversion after its '%': an optional '*', width, size, then the conversion letter, or for
// '[' everything up to the closing ']' (a ']' right after '[' or '[^' is in the set).
bool nextFormatSpec(const char *&f, ScanSpec &s) {
  Conv c;
  // A width beyond int is read as INT_MAX, which no field reaches.
  if (fmtengine::read(f, c, kScanRules) != fmtengine::Read::Ok)
    return false;
  s.suppress = c.suppress;
  if (c.width >= 0)
    s.width = std::to_string(c.width);
  s.length = targetSize(c);
  s.conv = c.letter;
  s.wide = c.wide;
  s.count = c.integer;
  if (c.conv != '[')
    return true;
  if (*f == '^')
    s.conv += *f++;
  if (*f == ']')
    s.conv += *f++;
  while (*f && *f != ']')
    s.conv += *f++;
  if (*f != ']')
    return false;
  s.conv += *f++;
  return true;
}

} // namespace

namespace {

// One reading in progress. Each step returns false when the reading ends, with result set to
// what SScanf returns.
struct Scanner {
  explicit Scanner(const char *input) : start(input), in(input) {}
  const char *const start;
  const char *in;
  va_list ap;
  int assigned = 0;
  bool converted = false; // some conversion succeeded, so running out of input is no EOF

  int failure(int r) const { return (r == EOF && !converted) ? -1 : assigned; }
  bool literal(const char *from, const char *to, int &result);
  bool convert(const ScanSpec &spec, int &result);
  bool wideChars(const ScanSpec &spec, int &result);
  bool field(const ScanSpec &spec, int &result);
};

bool Scanner::literal(const char *from, const char *to, int &result) {
  const std::string piece = std::string(from, to) + "%n";
  int used = -1;
  const int r = std::sscanf(in, piece.c_str(), &used);
  if (used < 0) {
    result = failure(r);
    return false;
  }
  in += used;
  return true;
}

bool Scanner::convert(const ScanSpec &spec, int &result) {
  if (spec.conv == "n") {
    if (!spec.suppress)
      fmtengine::storeCount(spec.count, va_arg(ap, void *), static_cast<long long>(in - start));
    return true;
  }
  if (spec.wide && spec.conv == "c")
    return wideChars(spec, result);
  return field(spec, result);
}

// Wide characters: as many UTF-8 characters as the width says (one by default).
bool Scanner::wideChars(const ScanSpec &spec, int &result) {
  const int count = spec.width.empty() ? 1 : std::atoi(spec.width.c_str());
  wchar_t *out = spec.suppress ? nullptr : va_arg(ap, wchar_t *);
  int k = 0;
  for (; k < count && *in; ++k) {
    wchar_t wc;
    in += platform::decodeMultibyte(in, std::strlen(in), &wc);
    if (out)
      out[k] = wc;
  }
  if (k == 0) {
    result = converted ? assigned : -1;
    return false;
  }
  converted = true;
  if (out)
    ++assigned;
  return true;
}

bool Scanner::field(const ScanSpec &spec, int &result) {
  std::string piece = "%";
  if (spec.suppress || spec.wide)
    piece += '*';
  piece += spec.width + spec.length + spec.conv + "%n";
  int used = -1;
  int r;
  void *target = spec.suppress ? nullptr : va_arg(ap, void *);
  if (!spec.suppress && !spec.wide) {
    r = std::sscanf(in, piece.c_str(), target, &used);
  } else {
    // Wide text is read as bytes first (suppressed) and then decoded from the input.
    r = std::sscanf(in, piece.c_str(), &used);
  }
  if (used < 0) {
    result = failure(r);
    return false;
  }
  if (spec.wide && target) {
    // For a wide string, skip the white space sscanf skipped; a character or set field is
    // the bytes read themselves.
    const char *field = in;
    if (spec.conv == "s")
      while (UT_STR::IsSpace(static_cast<unsigned char>(*field)))
        ++field;
    const std::wstring w = platform::multibyteToWide(field, static_cast<size_t>(in + used - field));
    wchar_t *out = static_cast<wchar_t *>(target);
    std::wmemcpy(out, w.data(), w.size());
    if (spec.conv != "c")
      out[w.size()] = 0;
  }
  in += used;
  converted = true;
  if (!spec.suppress)
    ++assigned;
  return true;
}

} // namespace

int UT_STR::VSScanf(const char *s, const char *fmt, va_list args) {
  if (!s || !fmt)
    return -1;
  platform::CLocaleScope cLocale;
  Scanner scanner(s);
  va_copy(scanner.ap, args);
  int result = 0;
  for (const char *f = fmt;;) {
    const char *literal = f;
    while (*f && !(*f == '%' && f[1] != '%'))
      f += (*f == '%') ? 2 : 1;
    if (f > literal && !scanner.literal(literal, f, result))
      break;
    ScanSpec spec;
    if (!*f || !nextFormatSpec(++f, spec)) {
      result = scanner.assigned;
      break;
    }
    if (!scanner.convert(spec, result))
      break;
  }
  va_end(scanner.ap);
  return result;
}

int UT_STR::SScanf(const char *s, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const int n = VSScanf(s, fmt, args);
  va_end(args);
  return n;
}

// ---- wildcard matching ----

bool UT_STR::Match(const char *text, const char *pattern) {
  return matchPlain(text, pattern, false);
}
bool UT_STR::IMatch(const char *text, const char *pattern) {
  return matchPlain(text, pattern, true);
}
bool UT_STR::WMatch(const wchar_t *text, const wchar_t *pattern) {
  return matchPlain(text, pattern, false);
}
bool UT_STR::WIMatch(const wchar_t *text, const wchar_t *pattern) {
  return matchPlain(text, pattern, true);
}

bool UT_STR::SimpleMatch(const char *text, const char *pattern) {
  if (!text || !pattern)
    return false;
  std::vector<long> compiled;
  for (const char *p = pattern; *p; ++p) {
    if (*p == '\\') {
      const char next = p[1];
      if (next != '\\' && next != '?' && next != '*') {
        Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $")
            ->issueWarning("Wrong esacping sequence for pattern \"%s\".\n", pattern);
        return false;
      }
      compiled.push_back(static_cast<unsigned char>(next));
      ++p;
    } else if (*p == '*') {
      compiled.push_back(STAR);
    } else if (*p == '?') {
      compiled.push_back(ANY);
    } else {
      compiled.push_back(static_cast<unsigned char>(*p));
    }
  }
  return matchCompiled(text, compiled, false);
}
