// Port_StringBase.cpp - blocks, copy-on-write, editing, searching, comparison and tokenising of
// the shared string (layout in Port_StringBase.h).
#include "Port_StringBase.h"

#include "Port_Regexp.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cwctype>
#include <istream>
#include <new>
#include <stdexcept>
#include <string>

namespace Port {

bool char_traits<char>::islower(char c) { return std::islower(static_cast<unsigned char>(c)) != 0; }
bool char_traits<char>::isupper(char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; }
char char_traits<char>::tolower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
char char_traits<char>::toupper(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
bool char_traits<wchar_t>::islower(wchar_t c) { return std::iswlower(static_cast<wint_t>(c)) != 0; }
bool char_traits<wchar_t>::isupper(wchar_t c) { return std::iswupper(static_cast<wint_t>(c)) != 0; }
wchar_t char_traits<wchar_t>::tolower(wchar_t c) {
  return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}
wchar_t char_traits<wchar_t>::toupper(wchar_t c) {
  return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
}

template <> bool IsDigit<char>(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
template <> bool IsDigit<wchar_t>(wchar_t c) { return std::iswdigit(static_cast<wint_t>(c)) != 0; }

template <class T>
StringBaseStaticBlock<T> StringBaseStaticBlock<T>::m_zeroLengthHeader[2] = {
    {{10000, 3u << 1, 0}, {0, 0, 0, 0}}, {{10000, (3u << 1) | 1u, 0}, {0, 0, 0, 0}}};

namespace {

const uint64_t kMaxCapacity = 0x7FFFFFFFu;

template <class T> uint32_t TextLength(const T *s) {
  if (!s)
    return 0;
  const size_t n = std::char_traits<T>::length(s);
  if (n > kMaxCapacity)
    throw std::length_error("Port::StringBase: text too long");
  return static_cast<uint32_t>(n);
}

template <class T> uint32_t CountOrLength(const T *s, unsigned n) {
  if (!s)
    return 0;
  return n == 0xFFFFFFFFu ? TextLength(s) : n;
}

template <class T> bool InSet(const T *set, T c) {
  if (!set)
    return false;
  for (; *set; ++set)
    if (*set == c)
      return true;
  return false;
}

// Characters as unsigned values for exact ordering, as signed values for bands and case.
inline uint32_t Unsigned(char c) { return static_cast<unsigned char>(c); }
inline uint32_t Unsigned(wchar_t c) { return static_cast<uint32_t>(c); }
inline int32_t Signed(char c) { return static_cast<signed char>(c); }
inline int32_t Signed(wchar_t c) { return static_cast<int32_t>(c); }

template <class T> bool InBand(T c, T lo, T hi) {
  if (hi == 0)
    return c == lo;
  return Signed(c) >= Signed(lo) && Signed(c) <= Signed(hi);
}

// Compares n characters, exactly or with differing pairs upper-cased and compared as signed
// values. No length tie-break.
template <class T> int CompareRun(const T *a, const T *b, uint32_t n, bool ignoreCase) {
  for (uint32_t i = 0; i < n; ++i) {
    if (a[i] == b[i])
      continue;
    if (!ignoreCase)
      return Unsigned(a[i]) < Unsigned(b[i]) ? -1 : 1;
    const int32_t ua = Signed(char_traits<T>::toupper(a[i]));
    const int32_t ub = Signed(char_traits<T>::toupper(b[i]));
    if (ua != ub)
      return ua < ub ? -1 : 1;
  }
  return 0;
}

// Digit runs by value: leading zeros do not count, then more digits is larger, then the first
// differing digit. The same order as reading both as numbers, without overflow.
template <class T> int CompareDigitRuns(const T *a, uint32_t na, const T *b, uint32_t nb) {
  while (na > 0 && *a == T('0')) {
    ++a;
    --na;
  }
  while (nb > 0 && *b == T('0')) {
    ++b;
    --nb;
  }
  if (na != nb)
    return na < nb ? -1 : 1;
  for (uint32_t i = 0; i < na; ++i)
    if (a[i] != b[i])
      return a[i] < b[i] ? -1 : 1;
  return 0;
}

// Natural order: digit runs by value, other text over the shorter of the two runs, each side
// then advancing by its own run.
template <class T>
int CompareNatural(const T *a, uint32_t na, const T *b, uint32_t nb, bool ignoreCase) {
  uint32_t i = 0, j = 0;
  for (;;) {
    if (i >= na || j >= nb)
      return (i >= na && j >= nb) ? 0 : (i >= na ? -1 : 1);
    const bool da = IsDigit(a[i]), db = IsDigit(b[j]);
    if (da != db)
      return CompareRun(a + i, b + j, std::min(na - i, nb - j), ignoreCase);
    uint32_t ri = i, rj = j;
    if (da) {
      while (ri < na && IsDigit(a[ri]))
        ++ri;
      while (rj < nb && IsDigit(b[rj]))
        ++rj;
      const int r = CompareDigitRuns(a + i, ri - i, b + j, rj - j);
      if (r)
        return r;
    } else {
      while (ri < na && !IsDigit(a[ri]))
        ++ri;
      while (rj < nb && !IsDigit(b[rj]))
        ++rj;
      const int r = CompareRun(a + i, b + j, std::min(ri - i, rj - j), ignoreCase);
      if (r)
        return r;
    }
    i = ri;
    j = rj;
  }
}

// Exact order of n characters as unsigned values: memcmp orders bytes that way.
inline int CompareExact(const char *a, const char *b, uint32_t n) {
  const int r = std::memcmp(a, b, n);
  return (r > 0) - (r < 0);
}
inline int CompareExact(const wchar_t *a, const wchar_t *b, uint32_t n) {
  return CompareRun(a, b, n, false);
}

template <class T> int CompareTexts(const T *a, uint32_t na, const T *b, uint32_t nb, int type) {
  switch (type) {
  case 2:
  case 3:
    return CompareNatural(a, na, b, nb, type == 3);
  default: {
    const uint32_t n = std::min(na, nb);
    const int r = type == 1 ? CompareRun(a, b, n, true) : CompareExact(a, b, n);
    if (r)
      return r;
    return na == nb ? 0 : (na < nb ? -1 : 1);
  }
  }
}

// Index of the first occurrence of needle in hay, or npos. Only the ignore-case type folds case.
template <class T>
uint32_t FindText(const T *hay, uint32_t hlen, const T *needle, uint32_t nlen, int type) {
  if (nlen == 0)
    return 0;
  if (nlen > hlen)
    return 0xFFFFFFFFu;
  const uint32_t last = hlen - nlen;
  if (type != 1) {
    const T *p = hay;
    const T *end = hay + last + 1;
    while (p < end) {
      p = std::char_traits<T>::find(p, static_cast<size_t>(end - p), needle[0]);
      if (!p)
        return 0xFFFFFFFFu;
      if (std::char_traits<T>::compare(p + 1, needle + 1, nlen - 1) == 0)
        return static_cast<uint32_t>(p - hay);
      ++p;
    }
    return 0xFFFFFFFFu;
  }
  const T first = char_traits<T>::toupper(needle[0]);
  for (uint32_t i = 0; i <= last; ++i) {
    if (char_traits<T>::toupper(hay[i]) != first)
      continue;
    uint32_t k = 1;
    while (k < nlen && char_traits<T>::toupper(hay[i + k]) == char_traits<T>::toupper(needle[k]))
      ++k;
    if (k == nlen)
      return i;
  }
  return 0xFFFFFFFFu;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Blocks

template <class T> T *StringBase<T>::NewBlock(uint64_t needed, bool doubling) {
  uint64_t capacity = (needed / 16 + 1) * (doubling ? 32 : 16) - 1;
  if (capacity > kMaxCapacity)
    capacity = (needed / 16 + 1) * 16 - 1;
  if (capacity > kMaxCapacity)
    throw std::length_error("Port::StringBase: text too long");
  const size_t bytes = sizeof(Header) + (static_cast<size_t>(capacity) + 1) * sizeof(T);
  unsigned char *raw = new unsigned char[bytes];
  Header *h = new (raw) Header;
  h->m_refCount = 1;
  h->m_capacity = (static_cast<uint32_t>(capacity) << 1) | (doubling ? 1u : 0u);
  h->m_length = 0;
  T *chars = h->GetChars();
  chars[0] = 0;
  chars[capacity] = 0;
  return chars;
}

template <class T> void StringBase<T>::FreeBlock(Header *h) {
  h->~Header();
  delete[] reinterpret_cast<unsigned char *>(h);
}

template <class T> void StringBase<T>::CopyOnWrite(uint64_t needed) {
  Header *h = GetHeader();
  if (needed <= h->GetCapacity() && h->m_refCount < 2)
    return;
  const uint32_t keep = static_cast<uint32_t>(std::min<uint64_t>(h->m_length, needed));
  T *chars = NewBlock(needed, h->IsDoubling());
  std::char_traits<T>::copy(chars, m_pchData, keep);
  chars[keep] = 0;
  Header::FromChars(chars)->m_length = keep;
  Release(m_pchData);
  m_pchData = chars;
}

template <class T> T *StringBase<T>::Open(uint32_t pos, uint32_t del, uint32_t n) {
  Header *h = GetHeader();
  const uint32_t len = h->m_length;
  const uint64_t newLen = uint64_t(len) - del + n;
  const uint32_t tail = len - pos - del;
  if (newLen <= h->GetCapacity() && h->m_refCount < 2) {
    std::char_traits<T>::move(m_pchData + pos + n, m_pchData + pos + del, tail);
    h->m_length = static_cast<uint32_t>(newLen);
    m_pchData[newLen] = 0;
    return m_pchData + pos;
  }
  T *chars = NewBlock(newLen, h->IsDoubling());
  std::char_traits<T>::copy(chars, m_pchData, pos);
  std::char_traits<T>::copy(chars + pos + n, m_pchData + pos + del, tail);
  Header::FromChars(chars)->m_length = static_cast<uint32_t>(newLen);
  chars[newLen] = 0;
  Release(m_pchData);
  m_pchData = chars;
  return chars + pos;
}

template <class T> void StringBase<T>::Splice(uint32_t pos, uint32_t del, const T *s, uint32_t n) {
  if (del == 0 && n == 0)
    return;
  // Text taken from this string's own block: a second reference makes Open copy the block
  // instead of moving characters under the source, and keeps the source alive until copied.
  struct Hold {
    T *block;
    ~Hold() {
      if (block)
        Release(block);
    }
  } hold{nullptr};
  if (n && Inside(s)) {
    hold.block = m_pchData;
    AddRef(hold.block);
  }
  T *gap = Open(pos, del, n);
  if (n)
    std::char_traits<T>::copy(gap, s, n);
}

template <class T>
bool StringBase<T>::Clip(const Port_Range &r, uint32_t &first, uint32_t &count) const {
  const uint32_t len = GetLength();
  if (r.last < r.first || r.first >= len) {
    first = std::min(r.first, len);
    count = 0;
    return false;
  }
  first = r.first;
  count = std::min(r.last, len - 1) - r.first + 1;
  return true;
}

template <class T> void StringBase<T>::Construct(const T *s, uint32_t n, bool doubling) {
  T *chars = NewBlock(n, doubling);
  if (n)
    std::char_traits<T>::copy(chars, s, n);
  chars[n] = 0;
  Header::FromChars(chars)->m_length = n;
  Release(m_pchData);
  m_pchData = chars;
}

template <class T>
void StringBase<T>::ConstructRepeated(T c, uint32_t n, uint32_t capacity, bool doubling) {
  T *chars = NewBlock(capacity == npos ? n : std::max(capacity, n), doubling);
  std::char_traits<T>::assign(chars, n, c);
  chars[n] = 0;
  Header::FromChars(chars)->m_length = n;
  Release(m_pchData);
  m_pchData = chars;
}

template <class T>
void StringBase<T>::ConstructJoined(const T *const *texts, int count, bool doubling) {
  uint64_t total = 0;
  uint32_t lengths[9];
  for (int i = 0; i < count; ++i) {
    lengths[i] = TextLength(texts[i]);
    total += lengths[i];
  }
  T *chars = NewBlock(total, doubling);
  T *out = chars;
  for (int i = 0; i < count; ++i) {
    if (lengths[i])
      std::char_traits<T>::copy(out, texts[i], lengths[i]);
    out += lengths[i];
  }
  *out = 0;
  Header::FromChars(chars)->m_length = static_cast<uint32_t>(total);
  Release(m_pchData);
  m_pchData = chars;
}

// ---------------------------------------------------------------------------------------------
// Construction and assignment

template <class T> StringBase<T>::StringBase(const T *s) {
  SetEmptyBlock(false);
  Construct(s, TextLength(s), false);
}

template <class T> StringBase<T>::StringBase(const T *s, unsigned n) {
  SetEmptyBlock(false);
  Construct(s, CountOrLength(s, n), false);
}

template <class T>
StringBase<T>::StringBase(const T *s1, const T *s2, const T *s3, const T *s4, const T *s5,
                          const T *s6, const T *s7, const T *s8, const T *s9) {
  SetEmptyBlock(false);
  const T *texts[9] = {s1, s2, s3, s4, s5, s6, s7, s8, s9};
  ConstructJoined(texts, 9, false);
}

template <class T> StringBase<T>::StringBase(T c, unsigned n, unsigned capacity) {
  SetEmptyBlock(false);
  ConstructRepeated(c, n, capacity, false);
}

template <class T> StringBase<T>::StringBase(std::unique_ptr<T[]> text) {
  SetEmptyBlock(false);
  Construct(text.get(), TextLength(text.get()), false);
}

template <class T> StringBase<T>::StringBase(const StringBase &s, const Port_Range &r) {
  SetEmptyBlock(false);
  uint32_t first, count;
  if (s.Clip(r, first, count))
    Construct(s.m_pchData + first, count, false);
}

template <class T> StringBase<T> &StringBase<T>::operator=(const T *s) {
  Splice(0, GetLength(), s, TextLength(s));
  return *this;
}

template <class T> StringBase<T> &StringBase<T>::operator=(T c) {
  Assign(c, 1);
  return *this;
}

template <class T> StringBase<T> &StringBase<T>::operator=(std::unique_ptr<T[]> text) {
  Splice(0, GetLength(), text.get(), TextLength(text.get()));
  return *this;
}

template <class T> void StringBase<T>::Assign(const T *s, unsigned n) {
  Splice(0, GetLength(), s, CountOrLength(s, n));
}

template <class T> void StringBase<T>::Assign(T c, unsigned n) {
  if (n == 0 && GetLength() == 0)
    return;
  T *gap = Open(0, GetLength(), n);
  std::char_traits<T>::assign(gap, n, c);
}

template <class T> void StringBase<T>::Assign(const StringBase &s, const Port_Range &r) {
  uint32_t first, count;
  if (!s.Clip(r, first, count)) {
    Splice(0, GetLength(), nullptr, 0);
    return;
  }
  Splice(0, GetLength(), s.m_pchData + first, count);
}

template <class T> void StringBase<T>::Assign(const StringBase &s, bool reuse) {
  const Header *h = GetHeader();
  if (reuse && &s != this && h->m_refCount < 2 && h->GetCapacity() >= s.GetCapacity())
    Splice(0, h->m_length, s.m_pchData, s.GetLength());
  else
    *this = s;
}

// ---------------------------------------------------------------------------------------------
// Changing the contents

template <class T> void StringBase<T>::Append(const T *s, unsigned n) {
  Splice(GetLength(), 0, s, CountOrLength(s, n));
}

template <class T> void StringBase<T>::Append(const StringBase &s) {
  Splice(GetLength(), 0, s.m_pchData, s.GetLength());
}

template <class T> void StringBase<T>::Append(const StringBase &s, const Port_Range &r) {
  uint32_t first, count;
  if (s.Clip(r, first, count))
    Splice(GetLength(), 0, s.m_pchData + first, count);
}

template <class T> void StringBase<T>::Append(T c, unsigned n) {
  if (n)
    std::char_traits<T>::assign(Open(GetLength(), 0, n), n, c);
}

template <class T> void StringBase<T>::Insert(unsigned at, const T *s, unsigned n) {
  Splice(std::min(at, GetLength()), 0, s, CountOrLength(s, n));
}

template <class T> void StringBase<T>::Insert(unsigned at, const StringBase &s) {
  Splice(std::min(at, GetLength()), 0, s.m_pchData, s.GetLength());
}

template <class T>
void StringBase<T>::Insert(unsigned at, const StringBase &s, const Port_Range &r) {
  uint32_t first, count;
  if (s.Clip(r, first, count))
    Splice(std::min(at, GetLength()), 0, s.m_pchData + first, count);
}

template <class T> void StringBase<T>::Insert(unsigned at, T c, unsigned n) {
  if (n)
    std::char_traits<T>::assign(Open(std::min(at, GetLength()), 0, n), n, c);
}

template <class T> void StringBase<T>::Replace(const Port_Range &r, const T *s, unsigned n) {
  uint32_t first, count;
  if (Clip(r, first, count))
    Splice(first, count, s, CountOrLength(s, n));
}

template <class T> void StringBase<T>::Replace(const Port_Range &r, const StringBase &s) {
  uint32_t first, count;
  if (Clip(r, first, count))
    Splice(first, count, s.m_pchData, s.GetLength());
}

template <class T>
void StringBase<T>::Replace(const Port_Range &r, const StringBase &s, const Port_Range &sr) {
  uint32_t first, count, sfirst, scount;
  if (!Clip(r, first, count))
    return;
  s.Clip(sr, sfirst, scount);
  Splice(first, count, s.m_pchData + sfirst, scount);
}

template <class T> unsigned StringBase<T>::Replace(const T *find, const T *with, CompareType type) {
  const uint32_t flen = TextLength(find);
  if (flen == 0)
    return 0;
  const uint32_t wlen = TextLength(with);
  const uint32_t len = GetLength();
  std::vector<uint32_t> hits;
  for (uint32_t pos = 0; pos + flen <= len;) {
    const uint32_t i = FindText(m_pchData + pos, len - pos, find, flen, type);
    if (i == npos)
      break;
    hits.push_back(pos + i);
    pos += i + flen;
  }
  if (hits.empty())
    return 0;
  const uint64_t newLen = uint64_t(len) + (uint64_t(wlen) - flen) * hits.size();
  // find and with may lie in this block: build the result in a new one and release the old
  // block only afterwards.
  T *chars = NewBlock(newLen, GetHeader()->IsDoubling());
  T *out = chars;
  uint32_t from = 0;
  for (uint32_t hit : hits) {
    std::char_traits<T>::copy(out, m_pchData + from, hit - from);
    out += hit - from;
    std::char_traits<T>::copy(out, with, wlen);
    out += wlen;
    from = hit + flen;
  }
  std::char_traits<T>::copy(out, m_pchData + from, len - from);
  chars[newLen] = 0;
  Header::FromChars(chars)->m_length = static_cast<uint32_t>(newLen);
  Release(m_pchData);
  m_pchData = chars;
  return static_cast<unsigned>(hits.size());
}

template <class T> void StringBase<T>::Remove(const Port_Range &r) {
  uint32_t first, count;
  if (Clip(r, first, count))
    Splice(first, count, nullptr, 0);
}

template <class T> void StringBase<T>::Remove(unsigned i) {
  if (i < GetLength())
    Splice(i, 1, nullptr, 0);
}

template <class T> void StringBase<T>::Reduce(const Port_Range &r) {
  uint32_t first, count;
  if (!Clip(r, first, count)) {
    Splice(0, GetLength(), nullptr, 0);
    return;
  }
  const uint32_t len = GetLength();
  if (first == 0 && count == len)
    return;
  Header *h = GetHeader();
  if (h->m_refCount < 2) {
    std::char_traits<T>::move(m_pchData, m_pchData + first, count);
    m_pchData[count] = 0;
    h->m_length = count;
    return;
  }
  Construct(m_pchData + first, count, h->IsDoubling());
}

template <class T> void StringBase<T>::Truncate(unsigned n) {
  if (n >= GetLength())
    return;
  CopyOnWrite(GetLength());
  GetHeader()->m_length = n;
  m_pchData[n] = 0;
}

template <class T> void StringBase<T>::SetLength(unsigned n, T fill) {
  if (n == 0 && Header::IsStatic(GetHeader()))
    return;
  CopyOnWrite(n);
  Header *h = GetHeader();
  if (n > h->m_length)
    std::char_traits<T>::assign(m_pchData + h->m_length, n - h->m_length, fill);
  h->m_length = n;
  m_pchData[n] = 0;
}

template <class T> void StringBase<T>::Empty() {
  Header *h = GetHeader();
  if (Header::IsStatic(h))
    return;
  if (h->m_refCount < 2) {
    h->m_length = 0;
    m_pchData[0] = 0;
    return;
  }
  CopyOnWrite(0);
}

template <class T> void StringBase<T>::SetChar(unsigned i, T c) {
  if (i >= GetLength())
    return;
  CopyOnWrite(GetCapacity());
  m_pchData[i] = c;
}

template <class T> unsigned StringBase<T>::ReplaceChars(T from, T to) {
  return ReplaceChars(Port_Range(0, npos), from, to);
}

template <class T> unsigned StringBase<T>::ReplaceChars(const Port_Range &r, T from, T to) {
  uint32_t first, count;
  if (!Clip(r, first, count))
    return 0;
  if (!std::char_traits<T>::find(m_pchData + first, count, from))
    return 0;
  CopyOnWrite(GetLength());
  unsigned replaced = 0;
  for (T *p = m_pchData + first, *end = p + count; p < end; ++p)
    if (*p == from) {
      *p = to;
      ++replaced;
    }
  return replaced;
}

template <class T> void StringBase<T>::MakeLower() { MakeLower(Port_Range(0, npos)); }
template <class T> void StringBase<T>::MakeUpper() { MakeUpper(Port_Range(0, npos)); }

template <class T> void StringBase<T>::MakeLower(const Port_Range &r) {
  uint32_t first, count;
  if (!Clip(r, first, count))
    return;
  const T *p = m_pchData + first;
  if (std::none_of(p, p + count, [](T c) { return char_traits<T>::isupper(c); }))
    return;
  CopyOnWrite(GetLength());
  for (T *q = m_pchData + first, *end = q + count; q < end; ++q)
    if (char_traits<T>::isupper(*q))
      *q = char_traits<T>::tolower(*q);
}

template <class T> void StringBase<T>::MakeUpper(const Port_Range &r) {
  uint32_t first, count;
  if (!Clip(r, first, count))
    return;
  const T *p = m_pchData + first;
  if (std::none_of(p, p + count, [](T c) { return char_traits<T>::islower(c); }))
    return;
  CopyOnWrite(GetLength());
  for (T *q = m_pchData + first, *end = q + count; q < end; ++q)
    if (char_traits<T>::islower(*q))
      *q = char_traits<T>::toupper(*q);
}

template <class T> void StringBase<T>::Trim(const T *set, TrimType type) {
  if (!set)
    set = char_traits<T>::GetWhiteSpace();
  const uint32_t len = GetLength();
  uint32_t lead = 0, trail = 0;
  if (type != TrimTrailing)
    while (lead < len && InSet(set, m_pchData[lead]))
      ++lead;
  if (type != TrimLeading)
    while (trail < len - lead && InSet(set, m_pchData[len - 1 - trail]))
      ++trail;
  if (lead == 0 && trail == 0)
    return;
  if (lead + trail >= len) {
    Splice(0, len, nullptr, 0);
    return;
  }
  Reduce(Port_Range(lead, len - trail - 1));
}

template <class T> void StringBase<T>::SetCapacity(unsigned n) { CopyOnWrite(n); }

template <class T> void StringBase<T>::MakeWritable() { CopyOnWrite(GetCapacity()); }

template <class T> T *StringBase<T>::LockBuffer(unsigned n) {
  CopyOnWrite(n);
  return m_pchData;
}

template <class T> void StringBase<T>::UnlockBuffer(unsigned n) {
  if (n == npos)
    return;
  Header *h = GetHeader();
  if (h->m_refCount >= 2) {
    // Not inside a locked section: never write into a block others share, and never expose
    // characters nobody wrote.
    n = std::min(n, h->m_length);
    MakeWritable();
    h = GetHeader();
  }
  const uint32_t capacity = h->GetCapacity();
  h->m_length = std::min(n, capacity);
  m_pchData[h->m_length] = 0;
  m_pchData[capacity] = 0;
}

template <class T> void StringBase<T>::InitBuffer() {
  Release(m_pchData);
  SetEmptyBlock(false);
}

template <class T> bool StringBase<T>::ReadLine(std::basic_istream<T> &in) {
  Splice(0, GetLength(), nullptr, 0);
  T piece[128];
  bool any = false;
  for (;;) {
    in.getline(piece, 128, T('\n'));
    const std::streamsize got = in.gcount();
    if (got > 0)
      any = true;
    const uint32_t stored = TextLength(piece);
    if (stored)
      Append(piece, stored);
    if (in.fail() && !in.eof() && got == 127) {
      in.clear(in.rdstate() & ~std::ios_base::failbit);
      continue;
    }
    return any;
  }
}

// ---------------------------------------------------------------------------------------------
// Reading

template <class T> unsigned StringBase<T>::GetCharCount(T c) const {
  return static_cast<unsigned>(std::count(m_pchData, m_pchData + GetLength(), c));
}

template <class T> unsigned StringBase<T>::GetCount(T lo, T hi) const {
  return GetCount(Port_Range(0, npos), lo, hi);
}

template <class T> unsigned StringBase<T>::GetCount(const Port_Range &r, T lo, T hi) const {
  uint32_t first, count;
  Clip(r, first, count);
  const T *p = m_pchData + first;
  return static_cast<unsigned>(
      std::count_if(p, p + count, [lo, hi](T c) { return InBand(c, lo, hi); }));
}

template <class T> unsigned StringBase<T>::GetIndexOfFirstChar(T lo, T hi) const {
  return GetIndexOfFirstChar(Port_Range(0, npos), lo, hi);
}

template <class T>
unsigned StringBase<T>::GetIndexOfFirstChar(const Port_Range &r, T lo, T hi) const {
  uint32_t first, count;
  Clip(r, first, count);
  for (uint32_t i = first; i < first + count; ++i)
    if (InBand(m_pchData[i], lo, hi))
      return i;
  return npos;
}

template <class T> unsigned StringBase<T>::GetIndexOfLastChar(T lo, T hi) const {
  return GetIndexOfLastChar(Port_Range(0, npos), lo, hi);
}

template <class T>
unsigned StringBase<T>::GetIndexOfLastChar(const Port_Range &r, T lo, T hi) const {
  uint32_t first, count;
  Clip(r, first, count);
  for (uint32_t i = first + count; i > first; --i)
    if (InBand(m_pchData[i - 1], lo, hi))
      return i - 1;
  return npos;
}

template <class T> unsigned StringBase<T>::GetIndexOfString(const T *s, CompareType type) const {
  return FindText(m_pchData, GetLength(), s, TextLength(s), type);
}

template <class T>
unsigned StringBase<T>::GetIndexOfString(const T *s, unsigned n, CompareType type) const {
  return FindText(m_pchData, GetLength(), s, CountOrLength(s, n), type);
}

template <class T>
unsigned StringBase<T>::GetIndexOfString(const StringBase &s, CompareType type) const {
  return FindText(m_pchData, GetLength(), s.m_pchData, s.GetLength(), type);
}

template <class T>
unsigned StringBase<T>::GetIndexOfString(const Port_Range &r, const StringBase &s,
                                         CompareType type) const {
  uint32_t first, count;
  if (!Clip(r, first, count))
    return npos;
  const uint32_t i = FindText(m_pchData + first, count, s.m_pchData, s.GetLength(), type);
  return i == npos ? npos : first + i;
}

template <class T> unsigned StringBase<T>::GetSpanLengthOfCharsInSet(const T *set) const {
  const uint32_t len = GetLength();
  uint32_t i = 0;
  while (i < len && InSet(set, m_pchData[i]))
    ++i;
  return i;
}

template <class T> unsigned StringBase<T>::GetSpanLengthOfCharsNotInSet(const T *set) const {
  const uint32_t len = GetLength();
  uint32_t i = 0;
  while (i < len && !InSet(set, m_pchData[i]))
    ++i;
  return i;
}

template <class T> unsigned StringBase<T>::GetReverseSpanLengthOfCharsInSet(const T *set) const {
  const uint32_t len = GetLength();
  uint32_t i = 0;
  while (i < len && InSet(set, m_pchData[len - 1 - i]))
    ++i;
  return i;
}

template <class T> unsigned StringBase<T>::GetReverseSpanLengthOfCharsNotInSet(const T *set) const {
  const uint32_t len = GetLength();
  uint32_t i = 0;
  while (i < len && !InSet(set, m_pchData[len - 1 - i]))
    ++i;
  return i;
}

template <class T> int StringBase<T>::Compare(const T *s, CompareType type) const {
  return CompareTexts(m_pchData, GetLength(), s ? s : m_pchData + GetLength(), TextLength(s), type);
}

template <class T> int StringBase<T>::Compare(const T *s, unsigned n, CompareType type) const {
  return CompareTexts(m_pchData, GetLength(), s ? s : m_pchData + GetLength(), CountOrLength(s, n),
                      type);
}

template <class T>
int StringBase<T>::Compare(const Port_Range &r, const T *s, CompareType type) const {
  uint32_t first, count;
  Clip(r, first, count);
  return CompareTexts(m_pchData + first, count, s ? s : m_pchData, TextLength(s), type);
}

template <class T>
int StringBase<T>::Compare(const Port_Range &r, const T *s, unsigned n, CompareType type) const {
  uint32_t first, count;
  Clip(r, first, count);
  return CompareTexts(m_pchData + first, count, s ? s : m_pchData, CountOrLength(s, n), type);
}

template <class T>
int StringBase<T>::Compare(const Port_Range &r, const StringBase &s, CompareType type) const {
  uint32_t first, count;
  Clip(r, first, count);
  return CompareTexts(m_pchData + first, count, s.m_pchData, s.GetLength(), type);
}

template <class T>
int StringBase<T>::Compare(const Port_Range &r, const StringBase &s, const Port_Range &sr,
                           CompareType type) const {
  uint32_t first, count, sfirst, scount;
  Clip(r, first, count);
  s.Clip(sr, sfirst, scount);
  return CompareTexts(m_pchData + first, count, s.m_pchData + sfirst, scount, type);
}

template <class T> int StringBase<T>::Compare(const StringBase &s, CompareType type) const {
  return CompareTexts(m_pchData, GetLength(), s.m_pchData, s.GetLength(), type);
}

template <class T> bool StringBase<T>::Equals(const T *s, CompareType type) const {
  if (type == ExactCompare) {
    const uint32_t n = TextLength(s);
    return n == GetLength() && std::char_traits<T>::compare(m_pchData, s, n) == 0;
  }
  return Compare(s, type) == 0;
}

template <class T> bool StringBase<T>::Equals(const StringBase &s, CompareType type) const {
  if (type == ExactCompare)
    return s.GetLength() == GetLength() &&
           (s.m_pchData == m_pchData ||
            std::char_traits<T>::compare(m_pchData, s.m_pchData, GetLength()) == 0);
  return Compare(s, type) == 0;
}

template <class T>
bool StringBase<T>::Equals(const Port_Range &r, const StringBase &s, CompareType type) const {
  return Compare(r, s, type) == 0;
}

// ---------------------------------------------------------------------------------------------
// Tokens

// Empty tokens are reported as (p, p - 1), except at index 0 and 1, where that would read as the
// whole text or as the start value: there first is 0xFFFFFFFF or 0xFFFFFFFE. In every case the
// next scan starts at last + 1 (modulo 2^32), which is the delimiter that ended the token.
template <class T>
bool StringBase<T>::NextTokenRange(const Port_Range &from, Port_Range *token, const T *delimiters,
                                   ParseType type) const {
  const uint32_t len = GetLength();
  const bool atStart = from.first == 1 && from.last == 0;
  uint32_t pos = atStart ? 0 : from.last + 1;
  if (pos > len) {
    *token = Port_Range();
    return false;
  }
  if (type == SkipDelimiterRuns) {
    while (pos < len && InSet(delimiters, m_pchData[pos]))
      ++pos;
  } else if (!atStart) {
    if (pos >= len) {
      *token = Port_Range();
      return false;
    }
    if (InSet(delimiters, m_pchData[pos]))
      ++pos;
  }
  if (pos >= len) {
    *token = Port_Range();
    return false;
  }
  uint32_t end = pos;
  while (end < len && !InSet(delimiters, m_pchData[end]))
    ++end;
  if (end > pos)
    *token = Port_Range(pos, end - 1);
  else if (pos == 0)
    *token = Port_Range(0xFFFFFFFFu, 0xFFFFFFFFu);
  else if (pos == 1)
    *token = Port_Range(0xFFFFFFFEu, 0);
  else
    *token = Port_Range(pos, pos - 1);
  return true;
}

template <class T>
bool StringBase<T>::NextTokenRange(Port_Range &cursor, const T *delimiters, ParseType type) const {
  Port_Range token;
  const bool found = NextTokenRange(cursor, &token, delimiters, type);
  cursor = token;
  return found;
}

template <class T>
std::vector<StringBase<T>> StringBase<T>::Split(const T *text, const T *delimiters, bool skipEmpty,
                                                const T *openQuotes, const T *closeQuotes) {
  std::vector<StringBase> result;
  if (!text)
    return result;
  const uint32_t len = TextLength(text);
  bool quoted = false;
  if (openQuotes)
    for (const T *q = openQuotes; *q && !quoted; ++q)
      quoted = std::char_traits<T>::find(text, len, *q) != nullptr;

  if (!quoted) {
    // The tokens NextTokenRange yields, read straight from the text.
    uint32_t pos = 0;
    while (pos < len) {
      if (skipEmpty) {
        while (pos < len && InSet(delimiters, text[pos]))
          ++pos;
        if (pos >= len)
          break;
      }
      uint32_t end = pos;
      while (end < len && !InSet(delimiters, text[end]))
        ++end;
      result.emplace_back(text + pos, end - pos);
      pos = end + 1;
    }
    return result;
  }

  const uint32_t closeLen = TextLength(closeQuotes);
  StringBase token;
  bool wasQuoted = false;
  T close = 0;
  bool inQuote = false;
  for (uint32_t i = 0; i < len; ++i) {
    const T c = text[i];
    if (inQuote) {
      if (c == close) {
        if (i + 1 < len && InSet(delimiters, text[i + 1]))
          inQuote = false;
        continue;
      }
      if (c == T('\\') && i + 1 < len && text[i + 1] == close) {
        token += close;
        ++i;
        continue;
      }
      token += c;
      continue;
    }
    if (InSet(delimiters, c)) {
      if (!token.IsEmpty() || !skipEmpty || wasQuoted)
        result.push_back(token);
      token.Empty();
      wasQuoted = false;
      continue;
    }
    const T *q = token.IsEmpty() && !wasQuoted && (i == 0 || InSet(delimiters, text[i - 1]))
                     ? std::char_traits<T>::find(openQuotes, TextLength(openQuotes), c)
                     : nullptr;
    if (q) {
      const uint32_t k = static_cast<uint32_t>(q - openQuotes);
      close = k < closeLen ? closeQuotes[k] : c;
      inQuote = true;
      wasQuoted = true;
      continue;
    }
    token += c;
  }
  if (!token.IsEmpty() || wasQuoted)
    result.push_back(token);
  return result;
}

template <class T> Port_Range StringBase<T>::GetRangeOfMatch(const Port_Regexp &re) const {
  return re.Search(m_pchData, 0, GetLength());
}

template <class T>
Port_Range StringBase<T>::GetRangeOfMatch(const Port_Range &r, const Port_Regexp &re) const {
  if (r.first > GetLength())
    return Port_Range();
  uint32_t first, count;
  Clip(r, first, count);
  return re.Search(m_pchData, first, first + count);
}

// ---------------------------------------------------------------------------------------------
// StringExp: every block of its own carries the doubling flag.

template <class T> StringExp<T>::StringExp(const T *s) : m_exp(true) {
  this->Construct(s, TextLength(s), true);
}

template <class T> StringExp<T>::StringExp(const T *s, unsigned n) : m_exp(true) {
  this->Construct(s, CountOrLength(s, n), true);
}

template <class T>
StringExp<T>::StringExp(const T *s1, const T *s2, const T *s3, const T *s4, const T *s5,
                        const T *s6, const T *s7, const T *s8, const T *s9)
    : m_exp(true) {
  const T *texts[9] = {s1, s2, s3, s4, s5, s6, s7, s8, s9};
  this->ConstructJoined(texts, 9, true);
}

template <class T> StringExp<T>::StringExp(const StringExp &s, const Port_Range &r) : m_exp(true) {
  this->SetEmptyBlock(true);
  uint32_t first, count;
  if (s.Clip(r, first, count))
    this->Construct(s.GetBuffer() + first, count, true);
}

template <class T> StringExp<T>::StringExp(T c, unsigned n, unsigned capacity) : m_exp(true) {
  this->ConstructRepeated(c, n, capacity, true);
}

template struct StringBaseHeader<char>;
template struct StringBaseHeader<wchar_t>;
template struct StringBaseStaticBlock<char>;
template struct StringBaseStaticBlock<wchar_t>;
template class StringBase<char>;
template class StringBase<wchar_t>;
template class StringExp<char>;
template class StringExp<wchar_t>;

} // namespace Port
