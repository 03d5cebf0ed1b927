// basutstr.cpp - UT_STR: copies, comparisons, searches, character classes, cleaning, line
// breaking, scrambling, checksums, and the message-text functions.
#include "basutstr.h"

#include "Port_Env.h"

#include "platform/mbcs.h"
#include "str/linebreak.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// Printable ASCII without the blank.
template <typename C> bool isVisible(C c) { return c >= C('!') && c <= C('~'); }

bool isSpaceChar(unsigned long c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Wide characters count as printable unless they are controls (C0, DEL, C1), surrogates,
// non-characters U+FFFE/U+FFFF or beyond U+10FFFF.
bool isPrintableWide(wchar_t wc) {
  const unsigned long c = static_cast<unsigned long>(static_cast<unsigned int>(wc));
  if (c < 0x20 || (c >= 0x7F && c < 0xA0))
    return false;
  if ((c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF || c > 0x10FFFF)
    return false;
  return true;
}

template <typename C> size_t length(const C *s) {
  size_t n = 0;
  while (s[n])
    ++n;
  return n;
}

template <typename C> C *duplicate(const C *s, size_t n) {
  C *copy = new C[n + 1];
  std::memcpy(copy, s, n * sizeof(C));
  copy[n] = 0;
  return copy;
}

// Bytes compare as unsigned, as strcmp does.
template <typename C> int toUpperChar(C c) {
  const int v = sizeof(C) == 1 ? int(static_cast<unsigned char>(c)) : int(c);
  return (v >= 'a' && v <= 'z') ? v - 'a' + 'A' : v;
}

template <typename C> int caseBlindCompare(const C *a, const C *b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const int ca = toUpperChar(a[i]);
    const int cb = toUpperChar(b[i]);
    if (ca != cb || ca == 0)
      return ca - cb;
  }
  return 0;
}

template <typename C> int exactCompare(const C *a, const C *b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i] || a[i] == 0) {
      if constexpr (sizeof(C) == 1)
        return int(static_cast<unsigned char>(a[i])) - int(static_cast<unsigned char>(b[i]));
      else
        return a[i] < b[i] ? -1 : (a[i] > b[i] ? 1 : 0);
    }
  }
  return 0;
}

template <typename C> C *replaceChar(C *s, C from, C to) {
  for (C *p = s; *p; ++p)
    if (*p == from)
      *p = to;
  return s;
}

template <typename C> C *swapChars(C *s, C a, C b) {
  for (C *p = s; *p; ++p) {
    if (*p == a)
      *p = b;
    else if (*p == b)
      *p = a;
  }
  return s;
}

template <typename C> C *reverse(C *s) {
  size_t n = length(s);
  for (size_t i = 0; i < n / 2; ++i) {
    C t = s[i];
    s[i] = s[n - 1 - i];
    s[n - 1 - i] = t;
  }
  return s;
}

template <typename C> C *cleanString(C *s) {
  if (!s)
    return s;
  for (C *p = s; *p; ++p)
    if (!(*p >= C(' ') && *p <= C('~')))
      *p = C(' ');
  return s;
}

template <typename C> bool allBlank(const C *s) {
  for (; *s; ++s)
    if (isVisible(*s))
      return false;
  return true;
}

template <typename C> bool isIn(C c, const C *set) {
  for (; *set; ++set)
    if (*set == c)
      return true;
  return false;
}

// Shared by GetToken and Parse: the token runs from start to the first delimiter; what follows
// that delimiter moves to the front of src.
template <typename C> int cutToken(C *src, C *token, const C *delims, size_t start) {
  size_t i = start;
  size_t n = 0;
  while (src[i] && !isIn(src[i], delims)) {
    if (token)
      token[n] = src[i];
    ++n;
    ++i;
  }
  if (token)
    token[n] = 0;
  int result;
  if (src[i]) {
    result = static_cast<int>(sizeof(C) == 1 ? static_cast<unsigned char>(src[i]) : src[i]);
    ++i;
  } else {
    result = n ? 1 : 0;
  }
  std::memmove(src, src + i, (length(src + i) + 1) * sizeof(C));
  return result;
}

// The lines of linebreak::forEachLine as new strings, in a new array ended by a null.
template <typename C> C **breakString(const C *text, int width, int *count, int indent) {
  std::vector<C *> lines;
  if (!text) {
    if (count)
      *count = 0;
    return new C *[1] { nullptr };
  }
  linebreak::forEachLine(text, width, indent,
                         [&](size_t pad, const C *seg, size_t take, bool feed) {
                           C *line = new C[pad + take + (feed ? 1 : 0) + 1];
                           for (size_t k = 0; k < pad; ++k)
                             line[k] = C(' ');
                           std::memcpy(line + pad, seg, take * sizeof(C));
                           if (feed)
                             line[pad + take] = C('\n');
                           line[pad + take + (feed ? 1 : 0)] = 0;
                           lines.push_back(line);
                         });
  if (count)
    *count = static_cast<int>(lines.size());
  C **result = new C *[lines.size() + 1];
  std::memcpy(result, lines.data(), lines.size() * sizeof(C *));
  result[lines.size()] = nullptr;
  return result;
}

} // namespace

// ---- lengths, copies, comparisons, searches ----

size_t UT_STR::Len(const char *s) { return std::strlen(s); }
size_t UT_STR::WLen(const wchar_t *s) { return std::wcslen(s); }
size_t UT_STR::MbLen(const char *s) {
  size_t n = 0;
  size_t left = std::strlen(s);
  while (left) {
    wchar_t wc;
    const size_t used = platform::decodeMultibyte(s, left, &wc);
    s += used;
    left -= used;
    ++n;
  }
  return n;
}

char *UT_STR::Copy(char *dest, const char *src) { return std::strcpy(dest, src); }
char *UT_STR::NCopy(char *dest, const char *src, size_t n) { return std::strncpy(dest, src, n); }
char *UT_STR::Cat(char *dest, const char *src) { return std::strcat(dest, src); }
char *UT_STR::NCat(char *dest, const char *src, size_t n) { return std::strncat(dest, src, n); }
wchar_t *UT_STR::WCopy(wchar_t *dest, const wchar_t *src) { return std::wcscpy(dest, src); }
wchar_t *UT_STR::WNCopy(wchar_t *dest, const wchar_t *src, size_t n) {
  return std::wcsncpy(dest, src, n);
}
wchar_t *UT_STR::WCat(wchar_t *dest, const wchar_t *src) { return std::wcscat(dest, src); }
wchar_t *UT_STR::WNCat(wchar_t *dest, const wchar_t *src, size_t n) {
  return std::wcsncat(dest, src, n);
}

char *UT_STR::MultiCat(char *dest, const char *s1, const char *s2, const char *s3, const char *s4,
                       const char *s5, const char *s6, const char *s7, const char *s8) {
  const char *parts[] = {s1, s2, s3, s4, s5, s6, s7, s8};
  for (const char *part : parts) {
    if (!part)
      break;
    std::strcat(dest, part);
  }
  return dest;
}

int UT_STR::Compare(const char *a, const char *b) { return std::strcmp(a, b); }
int UT_STR::NCompare(const char *a, const char *b, size_t n) { return std::strncmp(a, b, n); }
int UT_STR::WCompare(const wchar_t *a, const wchar_t *b) { return exactCompare(a, b, SIZE_MAX); }
int UT_STR::WNCompare(const wchar_t *a, const wchar_t *b, size_t n) {
  return exactCompare(a, b, n);
}
int UT_STR::ICompare(const char *a, const char *b) { return caseBlindCompare(a, b, SIZE_MAX); }
int UT_STR::INCompare(const char *a, const char *b, size_t n) { return caseBlindCompare(a, b, n); }
int UT_STR::WICompare(const wchar_t *a, const wchar_t *b) {
  return caseBlindCompare(a, b, SIZE_MAX);
}
int UT_STR::WINCompare(const wchar_t *a, const wchar_t *b, size_t n) {
  return caseBlindCompare(a, b, n);
}

char *UT_STR::FindChar(const char *s, int c) { return const_cast<char *>(std::strchr(s, c)); }
char *UT_STR::RFindChar(const char *s, int c) { return const_cast<char *>(std::strrchr(s, c)); }
char *UT_STR::FindCharFromSet(const char *s, const char *set) {
  return const_cast<char *>(std::strpbrk(s, set));
}
char *UT_STR::FindString(const char *s, const char *sub) {
  return const_cast<char *>(std::strstr(s, sub));
}
size_t UT_STR::SpanLength(const char *s, const char *set) { return std::strspn(s, set); }
size_t UT_STR::CSpanLength(const char *s, const char *set) { return std::strcspn(s, set); }
wchar_t *UT_STR::WFindChar(const wchar_t *s, wchar_t c) {
  return const_cast<wchar_t *>(std::wcschr(s, c));
}
wchar_t *UT_STR::WRFindChar(const wchar_t *s, wchar_t c) {
  return const_cast<wchar_t *>(std::wcsrchr(s, c));
}
wchar_t *UT_STR::WFindCharFromSet(const wchar_t *s, const wchar_t *set) {
  return const_cast<wchar_t *>(std::wcspbrk(s, set));
}
wchar_t *UT_STR::WFindString(const wchar_t *s, const wchar_t *sub) {
  return const_cast<wchar_t *>(std::wcsstr(s, sub));
}
size_t UT_STR::WSpanLength(const wchar_t *s, const wchar_t *set) { return std::wcsspn(s, set); }
size_t UT_STR::WCSpanLength(const wchar_t *s, const wchar_t *set) { return std::wcscspn(s, set); }

bool UT_STR::ContainsChar(const char *s, int c) {
  const char ch = static_cast<char>(c);
  for (; *s; ++s)
    if (*s == ch)
      return true;
  return false;
}
bool UT_STR::WContainsChar(const wchar_t *s, wchar_t c) {
  for (; *s; ++s)
    if (*s == c)
      return true;
  return false;
}

bool UT_STR::AllBlank(const char *s) { return allBlank(s); }
bool UT_STR::WAllBlank(const wchar_t *s) { return allBlank(s); }

char *UT_STR::Upper(char *s) {
  for (char *p = s; *p; ++p)
    *p = static_cast<char>(ToUpper(static_cast<unsigned char>(*p)));
  return s;
}
char *UT_STR::Lower(char *s) {
  for (char *p = s; *p; ++p)
    *p = static_cast<char>(ToLower(static_cast<unsigned char>(*p)));
  return s;
}
wchar_t *UT_STR::WUpper(wchar_t *s) {
  for (wchar_t *p = s; *p; ++p)
    *p = static_cast<wchar_t>(ToUpper(*p));
  return s;
}
wchar_t *UT_STR::WLower(wchar_t *s) {
  for (wchar_t *p = s; *p; ++p)
    *p = static_cast<wchar_t>(ToLower(*p));
  return s;
}

// ---- character classes ("C" locale) ----

bool UT_STR::IsUpper(int c) { return c >= 'A' && c <= 'Z'; }
bool UT_STR::IsLower(int c) { return c >= 'a' && c <= 'z'; }
bool UT_STR::IsAlpha(int c) { return IsUpper(c) || IsLower(c); }
bool UT_STR::IsDigit(int c) { return c >= '0' && c <= '9'; }
bool UT_STR::IsAlnum(int c) { return IsAlpha(c) || IsDigit(c); }
bool UT_STR::IsXDigit(int c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool UT_STR::IsCntrl(int c) { return (c >= 0 && c < 0x20) || c == 0x7F; }
bool UT_STR::IsSpace(int c) { return c >= 0 && isSpaceChar(static_cast<unsigned long>(c)); }
bool UT_STR::IsPrint(int c) { return c >= ' ' && c <= '~'; }
bool UT_STR::IsGraph(int c) { return c > ' ' && c <= '~'; }
bool UT_STR::IsPunct(int c) { return IsGraph(c) && !IsAlnum(c); }
bool UT_STR::IsAscii(int c) { return c >= 0 && c < 0x80; }
int UT_STR::ToLower(int c) { return IsUpper(c) ? c - 'A' + 'a' : c; }
int UT_STR::ToUpper(int c) { return IsLower(c) ? c - 'a' + 'A' : c; }

// ---- copies ----

char *UT_STR::Dup(const char *s) { return s ? duplicate(s, std::strlen(s)) : nullptr; }
wchar_t *UT_STR::WDup(const wchar_t *s) { return s ? duplicate(s, std::wcslen(s)) : nullptr; }

void UT_STR::DelStrings(char **strs, int n) {
  if (!strs)
    return;
  for (int i = 0; i < n; ++i)
    delete[] strs[i];
  delete[] strs;
}
void UT_STR::WDelStrings(wchar_t **strs, int n) {
  if (!strs)
    return;
  for (int i = 0; i < n; ++i)
    delete[] strs[i];
  delete[] strs;
}

char *UT_STR::Tokenize(char *s, const char *delims) {
  thread_local char *next = nullptr;
  if (s)
    next = s;
  if (!next)
    return nullptr;
  char *start = next + std::strspn(next, delims);
  if (!*start) {
    next = nullptr;
    return nullptr;
  }
  char *end = start + std::strcspn(start, delims);
  if (*end) {
    *end = 0;
    next = end + 1;
  } else {
    next = nullptr;
  }
  return start;
}

// Without setlocale the collation order is that of the "C" locale: byte order.
int UT_STR::Collate(const char *a, const char *b) { return std::strcmp(a, b); }
size_t UT_STR::Transform(char *dest, const char *src, size_t n) {
  const size_t len = std::strlen(src);
  if (dest && n > len)
    std::memcpy(dest, src, len + 1);
  return len;
}
char *UT_STR::Error(int errnum) { return std::strerror(errnum); }

// ---- conversions between multibyte and wide text ----

wchar_t *UT_STR::StrToWstr(const char *s) { return MbstrToWstr(s); }
wchar_t *UT_STR::MbstrToWstr(const char *s) {
  if (!s)
    return nullptr;
  const std::wstring w = platform::multibyteToWide(s);
  return duplicate(w.c_str(), w.size());
}
char *UT_STR::WstrToMbstr(const wchar_t *s) {
  if (!s)
    return nullptr;
  const std::string m = platform::wideToMultibyte(s);
  return duplicate(m.c_str(), m.size());
}
wchar_t UT_STR::CharToWchar(char c) { return static_cast<wchar_t>(static_cast<unsigned char>(c)); }
int UT_STR::WcharToMbchar(char *out, wchar_t c) {
  return static_cast<int>(platform::encodeMultibyte(c, out));
}
int UT_STR::MbcharToWchar(wchar_t *out, const char *s, size_t n) {
  if (!s || n == 0 || !*s) {
    if (out && s && n)
      *out = 0;
    return 0;
  }
  const size_t len = std::min(n, std::strlen(s));
  wchar_t wc;
  const size_t used = platform::decodeMultibyte(s, len, &wc);
  if (out)
    *out = wc;
  return static_cast<int>(used);
}

char *UT_STR::ReplaceChar(char *s, char from, char to) { return replaceChar(s, from, to); }
wchar_t *UT_STR::WReplaceChar(wchar_t *s, wchar_t from, wchar_t to) {
  return replaceChar(s, from, to);
}
char *UT_STR::SwapChars(char *s, char a, char b) { return swapChars(s, a, b); }
wchar_t *UT_STR::WSwapChars(wchar_t *s, wchar_t a, wchar_t b) { return swapChars(s, a, b); }
char *UT_STR::Reverse(char *s) { return reverse(s); }
wchar_t *UT_STR::WReverse(wchar_t *s) { return reverse(s); }

// ---- trimming, padding, cleaning, tokens ----

char *UT_STR::Trim(char *s) {
  if (!s)
    return s;
  size_t start = 0;
  while (s[start] && !isVisible(s[start]))
    ++start;
  size_t end = std::strlen(s);
  while (end > start && !isVisible(s[end - 1]))
    --end;
  std::memmove(s, s + start, end - start);
  s[end - start] = 0;
  return s;
}

char *UT_STR::Pad(char *s, int n) {
  if (!s)
    return s;
  size_t len = std::strlen(s);
  while (n > 0 && len < static_cast<size_t>(n))
    s[len++] = ' ';
  s[len] = 0;
  return s;
}

char *UT_STR::CleanString(char *s) { return cleanString(s); }
wchar_t *UT_STR::WCleanString(wchar_t *s) { return cleanString(s); }

int UT_STR::GetToken(char *src, char *token, const char *delims) {
  if (!src) {
    if (token)
      *token = 0;
    return 0;
  }
  size_t start = 0;
  while (src[start] && !isVisible(src[start]))
    ++start;
  return cutToken(src, token, delims ? delims : "", start);
}

int UT_STR::Parse(char *src, char *token, const char *delims) {
  if (!src) {
    if (token)
      *token = 0;
    return 0;
  }
  if (!delims)
    delims = "";
  const size_t start = (*delims && src[0] == delims[0]) ? 1 : 0;
  return cutToken(src, token, delims, start);
}

int UT_STR::WParse(wchar_t *src, wchar_t *token, const wchar_t *delims) {
  if (!src) {
    if (token)
      *token = 0;
    return 0;
  }
  if (!delims)
    delims = L"";
  const size_t start = (*delims && src[0] == delims[0]) ? 1 : 0;
  return cutToken(src, token, delims, start);
}

// ---- line breaking ----

char **UT_STR::BreakString(const char *text, int width, int *count, int indent) {
  return breakString(text, width, count, indent);
}
char **UT_STR::BreakString(const char *text, short width, short *count, short indent) {
  int n = 0;
  char **lines = breakString(text, width, &n, indent);
  if (count)
    *count = static_cast<short>(n);
  return lines;
}
wchar_t **UT_STR::WBreakString(const wchar_t *text, int width, int *count, int indent) {
  return breakString(text, width, count, indent);
}

// ---- scrambling ----
//
// Encode: byte i (from 0) with its top bit clear becomes ((byte | 0x80) - (i + 2)) mod 256;
// bytes with the top bit set stay. Decode applies only to a text whose first byte has its top
// bit set, and turns back each byte b for which (b + i + 2) mod 256 has its top bit set.

namespace {

void scramble(unsigned char *p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (!(p[i] & 0x80))
      p[i] = static_cast<unsigned char>((p[i] | 0x80u) - (i + 2));
}

void unscramble(unsigned char *p, size_t n) {
  if (n == 0 || !(p[0] & 0x80))
    return;
  for (size_t i = 0; i < n; ++i) {
    const unsigned v = (p[i] + i + 2) & 0xFFu;
    if (v & 0x80)
      p[i] = static_cast<unsigned char>(v & 0x7F);
  }
}

} // namespace

// A text whose scrambled form could not be turned back is left as it is: past 126 bytes a
// scrambled byte can be zero and would cut the text, and bytes from 0x80 up (which Encode
// keeps) may be changed by Decode. Such a text stays readable instead of being lost.
char *UT_STR::Encode(char *s) {
  if (!s)
    return s;
  const size_t n = std::strlen(s);
  std::string trial(s, n);
  unsigned char *t = reinterpret_cast<unsigned char *>(&trial[0]);
  scramble(t, n);
  if (std::memchr(t, 0, n))
    return s;
  std::string back = trial;
  unscramble(reinterpret_cast<unsigned char *>(&back[0]), n);
  if (back != std::string(s, n))
    return s;
  std::memcpy(s, trial.data(), n);
  return s;
}

char *UT_STR::Decode(char *s) {
  if (s)
    unscramble(reinterpret_cast<unsigned char *>(s), std::strlen(s));
  return s;
}

// ---- numbers and checksums ----

char *UT_STR::IToA(int32_t value, char *buf) {
  std::snprintf(buf, 12, "%d", static_cast<int>(value));
  return buf;
}
char *UT_STR::UIToA(uint32_t value, char *buf) {
  std::snprintf(buf, 12, "%u", static_cast<unsigned>(value));
  return buf;
}

// The standard CRC-32 (reflected polynomial 0xEDB88320). libdeflate is as fast as a table per
// byte on the shortest buffers and folds 64 bytes at a time with carry-less multiplication on
// long ones, where the processor has it.
uint32_t UT_STR::CRC32(const void *data, size_t length) {
  if (!data || length == 0)
    return 0;
  return libdeflate_crc32(0, data, length);
}

// ---- message-text functions ----

wchar_t *skip_space(const wchar_t *s) {
  if (!s)
    return nullptr;
  while (*s != L'\n' && isSpaceChar(static_cast<unsigned long>(*s)))
    ++s;
  return const_cast<wchar_t *>(s);
}

const char *strip_path(const char *path) {
  if (!path)
    return "Unknown";
  if (const char *slash = std::strrchr(path, '/'))
    path = slash + 1;
  if (const char *backslash = std::strrchr(path, '\\'))
    path = backslash + 1;
  return path;
}

bool is_fmt(wchar_t c) { return c != 0 && std::wcschr(L"diopuxXfeEgGcsn%z", c) != nullptr; }

wchar_t *get_str_by_sep(wchar_t *text, wchar_t sep) {
  if (!text || !sep)
    return nullptr;
  wchar_t *first = std::wcschr(text, sep);
  if (!first)
    return nullptr;
  wchar_t *second = std::wcschr(first + 1, sep);
  if (!second || first[1] != L'%')
    return nullptr;
  wchar_t *field = duplicate(first + 1, static_cast<size_t>(second - first - 1));
  std::wmemmove(first, second + 1, std::wcslen(second + 1) + 1);
  return field;
}

wchar_t *replace_var(const wchar_t *field, wchar_t *const *names, int count) {
  if (!field)
    return nullptr;
  if (field[0] == L'%') {
    if (field[1] == L'%')
      return duplicate(L"%", 1);
    if (field[1] == L'n')
      return duplicate(L"n", 1);
    if (field[1] >= L'0' && field[1] <= L'9') {
      long n = 0;
      for (const wchar_t *p = field + 1; *p >= L'0' && *p <= L'9' && n <= count; ++p)
        n = n * 10 + (*p - L'0');
      if (n < 1 || n > count || !names || !names[n - 1])
        return nullptr;
      return UT_STR::WDup(names[n - 1]);
    }
  }
  return UT_STR::WDup(field);
}

wchar_t *cleanwchars(wchar_t *s) {
  if (!s)
    return s;
  for (wchar_t *p = s; *p; ++p)
    if (!isPrintableWide(*p) && !isSpaceChar(static_cast<unsigned long>(*p)))
      *p = L' ';
  return s;
}

char *cleanchars(char *s) {
  if (!s)
    return s;
  for (char *p = s; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if ((c < 0x20 && !isSpaceChar(c)) || c == 0x7F)
      *p = ' ';
  }
  return s;
}

wchar_t *clean_str(wchar_t *text) {
  const char *lang = Port_Env::GetEnv("LANGUAGE");
  if (!lang || std::strcmp(lang, "usenglish") == 0)
    cleanwchars(text);
  return text;
}

int num_varargs(const wchar_t *fmt) {
  if (!fmt)
    return 0;
  int n = 0;
  for (; *fmt; ++fmt)
    if (*fmt == L'%')
      ++n;
  return n > 0 ? n - 1 : 0;
}

wchar_t *add_cr(const wchar_t *text) {
  if (!text)
    return nullptr;
  std::wstring out;
  for (const wchar_t *p = text; *p; ++p) {
    if (*p == L'\n' && (p == text || p[-1] != L'\r'))
      out += L'\r';
    out += *p;
  }
  return duplicate(out.c_str(), out.size());
}

namespace {

template <typename C> C *substitute(const C *text, const C *from, const C *to) {
  if (!text)
    return nullptr;
  const size_t textLen = length(text);
  const size_t fromLen = from ? length(from) : 0;
  if (fromLen == 0)
    return duplicate(text, textLen);
  const size_t toLen = to ? length(to) : 0;
  std::basic_string<C> out;
  out.reserve(textLen);
  size_t i = 0;
  while (i < textLen) {
    if (i + fromLen <= textLen && std::memcmp(text + i, from, fromLen * sizeof(C)) == 0) {
      out.append(to ? to : text + i, toLen);
      i += fromLen;
    } else {
      out += text[i++];
    }
  }
  return duplicate(out.c_str(), out.size());
}

template <typename C> int countOccurrences(const C *s, const C *sub) {
  if (!s || !sub || !*sub)
    return 0;
  const size_t subLen = length(sub);
  int n = 0;
  for (const C *p = s; *p;) {
    size_t k = 0;
    while (k < subLen && p[k] == sub[k])
      ++k;
    if (k == subLen) {
      ++n;
      p += subLen;
    } else {
      ++p;
    }
  }
  return n;
}

} // namespace

wchar_t *ut_strsubst(const wchar_t *text, const wchar_t *from, const wchar_t *to) {
  return substitute(text, from, to);
}
char *ut_strsubst(const char *text, const char *from, const char *to) {
  return substitute(text, from, to);
}

int count_char(const char *s, char c) {
  int n = 0;
  if (s)
    for (; *s; ++s)
      n += (*s == c);
  return n;
}
int count_wchar(const wchar_t *s, wchar_t c) {
  int n = 0;
  if (s)
    for (; *s; ++s)
      n += (*s == c);
  return n;
}
int count_str(const wchar_t *s, const wchar_t *sub) { return countOccurrences(s, sub); }
int count_str(const char *s, const char *sub) { return countOccurrences(s, sub); }
