// Port_StringBase.h - the library's shared string: one pointer to characters that follow a
// counted header, copied on write, for char and wchar_t; a variant whose buffer grows
// geometrically; inclusive index ranges; character classification.
//
// Block layout (one allocation, array form of the global allocator):
//   uint32 reference count | uint32 capacity << 1 | doubling flag | uint32 length | characters
// The object holds a pointer to the first character; capacity + 1 characters follow the header
// and the character at index length is the terminating 0 (except inside LockBuffer/UnlockBuffer).
// A request for n characters gets capacity ((n / 16) + 1) * 16 - 1, or * 32 with the doubling
// flag. Default-constructed strings share a static empty block whose count stays 10000.
//
// Threads: reference counts are not atomic, so a string and every string sharing its block
// belong to one thread at a time (copying or assigning writes the count, even of a const
// source); strings that share no block may be used in different threads. Hand text to another
// thread as a new string made from the characters (StringBase<T>(s.GetBuffer())). The shared
// empty block is static and never written: empty strings may be made on any thread.
#ifndef PORT_STRINGBASE_H
#define PORT_STRINGBASE_H

#include "Port_Export.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

class Port_Regexp;
class UT_STREAM;

// An inclusive pair of character indices. last < first is empty; (1, 0) means no range.
struct PORT_API Port_Range {
  uint32_t first;
  uint32_t last;

  Port_Range() : first(1), last(0) {}
  Port_Range(uint32_t f, uint32_t l) : first(f), last(l) {}
  bool IsEmpty() const { return last < first; }
  bool operator==(const Port_Range &o) const { return first == o.first && last == o.last; }
  bool operator!=(const Port_Range &o) const { return !(*this == o); }
};

namespace Port {

// Classification and case mapping of the runtime library (the process never changes its locale,
// so these are the "C" rules).
template <class T> struct char_traits;

template <> struct PORT_API char_traits<char> {
  static bool islower(char c);
  static bool isupper(char c);
  static char tolower(char c);
  static char toupper(char c);
  static const char *GetWhiteSpace() { return " \t"; }
};

template <> struct PORT_API char_traits<wchar_t> {
  static bool islower(wchar_t c);
  static bool isupper(wchar_t c);
  static wchar_t tolower(wchar_t c);
  static wchar_t toupper(wchar_t c);
  static const wchar_t *GetWhiteSpace() { return L" \t"; }
};

template <class T> PORT_API bool IsDigit(T c);
template <> PORT_API bool IsDigit<char>(char c);
template <> PORT_API bool IsDigit<wchar_t>(wchar_t c);
// The decimal unsigned number at the start of text (0 when there is none).
template <class T> PORT_API uint64_t GetValue(const T *text);
template <> PORT_API uint64_t GetValue<char>(const char *text);
template <> PORT_API uint64_t GetValue<wchar_t>(const wchar_t *text);

template <class T> struct StringBaseStaticBlock;

template <class T> struct PORT_API StringBaseHeader {
  uint32_t m_refCount;
  uint32_t m_capacity; // capacity << 1 | doubling flag
  uint32_t m_length;

  uint32_t GetCapacity() const { return m_capacity >> 1; }
  bool IsDoubling() const { return (m_capacity & 1) != 0; }
  T *GetChars() { return reinterpret_cast<T *>(this + 1); }
  static StringBaseHeader *FromChars(const T *p) {
    return reinterpret_cast<StringBaseHeader *>(const_cast<T *>(p)) - 1;
  }

  static bool IsStatic(const StringBaseHeader *h);
};

template <class T> struct PORT_API StringBaseStaticBlock {
  StringBaseHeader<T> header;
  T chars[4];

  // [0] is shared by all default-constructed strings, [1] by default-constructed StringExp
  // objects (doubling flag set, so that their first block of their own grows geometrically).
  // Both have count 10000 and capacity 3; neither is ever counted, changed or freed.
  static StringBaseStaticBlock m_zeroLengthHeader[2];
};

template <class T> inline bool StringBaseHeader<T>::IsStatic(const StringBaseHeader *h) {
  typedef StringBaseStaticBlock<T> Block;
  return reinterpret_cast<uintptr_t>(h) -
             reinterpret_cast<uintptr_t>(&Block::m_zeroLengthHeader[0]) <
         sizeof(Block::m_zeroLengthHeader);
}

template <class T> class PORT_API StringBase {
public:
  typedef StringBaseHeader<T> Header;

  enum CompareType {
    ExactCompare = 0,
    IgnoreCaseCompare = 1,
    NumericCompare = 2,
    NumericIgnoreCaseCompare = 3
  };
  enum TrimType { TrimLeading = 0, TrimTrailing = 1, TrimBoth = 2 };
  enum ParseType { EachDelimiter = 0, SkipDelimiterRuns = 1 };

  static constexpr uint32_t npos = 0xFFFFFFFFu;

  // Construction, assignment, destruction. A count of npos means "up to the terminator".
  StringBase() { SetEmptyBlock(false); }
  StringBase(const T *s);
  StringBase(const T *s, unsigned n);
  StringBase(const T *s1, const T *s2, const T *s3 = 0, const T *s4 = 0, const T *s5 = 0,
             const T *s6 = 0, const T *s7 = 0, const T *s8 = 0, const T *s9 = 0);
  StringBase(T c, unsigned n, unsigned capacity = npos);
  // Copies the text of the array (up to its terminator); the array is freed afterwards.
  explicit StringBase(std::unique_ptr<T[]> text);
  StringBase(const StringBase &s) : m_pchData(s.m_pchData) { AddRef(m_pchData); }
  StringBase(StringBase &&s) noexcept : m_pchData(s.m_pchData) { s.SetEmptyBlock(false); }
  StringBase(const StringBase &s, const Port_Range &r);
  ~StringBase() { Release(m_pchData); }

  StringBase &operator=(const StringBase &s) {
    AddRef(s.m_pchData);
    Release(m_pchData);
    m_pchData = s.m_pchData;
    return *this;
  }
  StringBase &operator=(StringBase &&s) noexcept {
    if (this != &s) {
      Release(m_pchData);
      m_pchData = s.m_pchData;
      s.SetEmptyBlock(false);
    }
    return *this;
  }
  StringBase &operator=(const T *s);
  StringBase &operator=(T c);
  StringBase &operator=(std::unique_ptr<T[]> text);

  void Assign(const T *s, unsigned n);
  void Assign(T c, unsigned n);
  void Assign(const StringBase &s, const Port_Range &r);
  // With reuse, an unshared block large enough for s's capacity receives a copy of s's
  // characters instead of sharing s's block.
  void Assign(const StringBase &s, bool reuse);

  // Changing the contents.
  void Append(const T *s, unsigned n = npos);
  void Append(const StringBase &s);
  void Append(const StringBase &s, const Port_Range &r);
  void Append(T c, unsigned n = 1);
  StringBase &operator+=(const T *s) {
    Append(s);
    return *this;
  }
  StringBase &operator+=(const StringBase &s) {
    Append(s);
    return *this;
  }
  StringBase &operator+=(T c) {
    Append(c);
    return *this;
  }

  // at is clipped to the length.
  void Insert(unsigned at, const T *s, unsigned n = npos);
  void Insert(unsigned at, const StringBase &s);
  void Insert(unsigned at, const StringBase &s, const Port_Range &r);
  void Insert(unsigned at, T c, unsigned n = 1);

  void Replace(const Port_Range &r, const T *s, unsigned n = npos);
  void Replace(const Port_Range &r, const StringBase &s);
  void Replace(const Port_Range &r, const StringBase &s, const Port_Range &sr);
  // Replaces every occurrence of find, left to right, without rescanning the inserted text.
  // Returns the number of replacements; an empty or null find changes nothing.
  unsigned Replace(const T *find, const T *with, CompareType type = ExactCompare);

  void Remove(const Port_Range &r);
  void Remove(unsigned i);
  void Reduce(const Port_Range &r);
  void Truncate(unsigned n);
  void SetLength(unsigned n, T fill = T(' '));
  void Empty();
  void SetChar(unsigned i, T c);
  unsigned ReplaceChars(T from, T to);
  unsigned ReplaceChars(const Port_Range &r, T from, T to);
  void MakeLower();
  void MakeUpper();
  void MakeLower(const Port_Range &r);
  void MakeUpper(const Port_Range &r);
  // A null set means the white space of char_traits.
  void Trim(const T *set = 0, TrimType type = TrimBoth);
  void SetCapacity(unsigned n);
  void MakeWritable();
  T *LockBuffer(unsigned n);
  void UnlockBuffer(unsigned n);
  // Drops the current block and shares the static empty block.
  void InitBuffer();

  void Format(const T *fmt, ...);
  void VFormat(const T *fmt, va_list args);
  static StringBase doFormat(const T *fmt, ...);

  // Replaces the contents by the next line (without its line feed). True when a line was read,
  // also a last line that has no line feed; false only when the input was already at its end
  // (the string is then empty), so that `while (s.ReadLine(in))` reads every line.
  bool ReadLine(std::basic_istream<T> &in);
  // The same from a buffered file stream (UT_STREAM::readline), with the same result; a wide
  // string takes the line as UTF-8.
  bool ReadLine(UT_STREAM *in);

  // Reading.
  unsigned GetLength() const { return GetHeader()->m_length; }
  bool IsEmpty() const { return GetHeader()->m_length == 0; }
  unsigned GetCapacity() const { return GetHeader()->GetCapacity(); }
  unsigned GetRefCount() const { return GetHeader()->m_refCount; }
  const T *GetBuffer() const { return m_pchData; }
  operator const T *() const { return m_pchData; }
  const T *GetCharPtr(unsigned i) const { return m_pchData + i; }
  const T *GetBufferEnd() const { return m_pchData + GetHeader()->m_length; }
  const uint32_t *GetLengthPtr() const { return &GetHeader()->m_length; }
  T GetChar(unsigned i) const { return m_pchData[i]; }

  unsigned GetCharCount(T c) const;
  // Characters in lo..hi compared as signed values; hi == 0 means exactly lo.
  unsigned GetCount(T lo, T hi = 0) const;
  unsigned GetCount(const Port_Range &r, T lo, T hi = 0) const;
  unsigned GetIndexOfFirstChar(T lo, T hi = 0) const;
  unsigned GetIndexOfFirstChar(const Port_Range &r, T lo, T hi = 0) const;
  unsigned GetIndexOfLastChar(T lo, T hi = 0) const;
  unsigned GetIndexOfLastChar(const Port_Range &r, T lo, T hi = 0) const;

  unsigned GetIndexOfString(const T *s, CompareType type = ExactCompare) const;
  unsigned GetIndexOfString(const T *s, unsigned n, CompareType type = ExactCompare) const;
  unsigned GetIndexOfString(const StringBase &s, CompareType type = ExactCompare) const;
  unsigned GetIndexOfString(const Port_Range &r, const StringBase &s,
                            CompareType type = ExactCompare) const;

  unsigned GetSpanLengthOfCharsInSet(const T *set) const;
  unsigned GetSpanLengthOfCharsNotInSet(const T *set) const;
  unsigned GetReverseSpanLengthOfCharsInSet(const T *set) const;
  unsigned GetReverseSpanLengthOfCharsNotInSet(const T *set) const;

  int Compare(const T *s, CompareType type = ExactCompare) const;
  int Compare(const T *s, unsigned n, CompareType type = ExactCompare) const;
  int Compare(const Port_Range &r, const T *s, CompareType type = ExactCompare) const;
  int Compare(const Port_Range &r, const T *s, unsigned n, CompareType type = ExactCompare) const;
  int Compare(const Port_Range &r, const StringBase &s, CompareType type = ExactCompare) const;
  int Compare(const Port_Range &r, const StringBase &s, const Port_Range &sr,
              CompareType type = ExactCompare) const;
  int Compare(const StringBase &s, CompareType type = ExactCompare) const;

  int ICompare(const T *s) const { return Compare(s, IgnoreCaseCompare); }
  int ICompare(const T *s, unsigned n) const { return Compare(s, n, IgnoreCaseCompare); }
  int ICompare(const Port_Range &r, const T *s) const { return Compare(r, s, IgnoreCaseCompare); }
  int ICompare(const Port_Range &r, const T *s, unsigned n) const {
    return Compare(r, s, n, IgnoreCaseCompare);
  }
  int ICompare(const Port_Range &r, const StringBase &s) const {
    return Compare(r, s, IgnoreCaseCompare);
  }
  int ICompare(const Port_Range &r, const StringBase &s, const Port_Range &sr) const {
    return Compare(r, s, sr, IgnoreCaseCompare);
  }
  int ICompare(const StringBase &s) const { return Compare(s, IgnoreCaseCompare); }

  bool Equals(const T *s, CompareType type = ExactCompare) const;
  bool Equals(const StringBase &s, CompareType type = ExactCompare) const;
  bool Equals(const Port_Range &r, const StringBase &s, CompareType type = ExactCompare) const;
  bool IEquals(const T *s) const { return Equals(s, IgnoreCaseCompare); }
  bool IEquals(const StringBase &s) const { return Equals(s, IgnoreCaseCompare); }
  bool IEquals(const Port_Range &r, const StringBase &s) const {
    return Equals(r, s, IgnoreCaseCompare);
  }

  bool operator==(const T *s) const { return Equals(s); }
  bool operator!=(const T *s) const { return !Equals(s); }
  bool operator<(const T *s) const { return Compare(s) < 0; }
  bool operator<=(const T *s) const { return Compare(s) <= 0; }
  bool operator>(const T *s) const { return Compare(s) > 0; }
  bool operator>=(const T *s) const { return Compare(s) >= 0; }
  bool operator==(const StringBase &s) const { return Equals(s); }
  bool operator!=(const StringBase &s) const { return !Equals(s); }
  bool operator<(const StringBase &s) const { return Compare(s) < 0; }
  bool operator<=(const StringBase &s) const { return Compare(s) <= 0; }
  bool operator>(const StringBase &s) const { return Compare(s) > 0; }
  bool operator>=(const StringBase &s) const { return Compare(s) >= 0; }

  StringBase Extract(const Port_Range &r) const { return StringBase(*this, r); }

  // Decimal conversion of the range's text; trailing text after the number is accepted. False,
  // with the output unchanged, when no character could be read as a number.
  bool GetINT32(const Port_Range &r, int32_t *value) const;
  bool GetUINT32(const Port_Range &r, uint32_t *value) const;
  bool GetINT64(const Port_Range &r, int64_t *value) const;
  bool GetUINT64(const Port_Range &r, uint64_t *value) const;
  bool GetD(const Port_Range &r, double *value) const;
  bool ConvertToINT32(const Port_Range &r, int32_t *value) const { return GetINT32(r, value); }
  bool ConvertToUINT32(const Port_Range &r, uint32_t *value) const { return GetUINT32(r, value); }
  bool ConvertToINT64(const Port_Range &r, int64_t *value) const { return GetINT64(r, value); }
  bool ConvertToUINT64(const Port_Range &r, uint64_t *value) const { return GetUINT64(r, value); }
  bool ConvertToDouble(const Port_Range &r, double *value) const { return GetD(r, value); }

  uint32_t CRC32() const;
  static uint32_t CRC32(const StringBase &s) { return s.CRC32(); }

  // Tokeniser. The cursor holds the previous token; (1, 0) starts at the beginning. True with
  // the next token's range in the cursor; false, with the cursor reset to (1, 0), at the end.
  // An empty token reads as an empty range whose first index may lie beyond the text.
  bool NextTokenRange(Port_Range &cursor, const T *delimiters,
                      ParseType type = SkipDelimiterRuns) const;
  bool NextTokenRange(const Port_Range &from, Port_Range *token, const T *delimiters,
                      ParseType type = SkipDelimiterRuns) const;
  static std::vector<StringBase> Split(const T *text, const T *delimiters, bool skipEmpty = true,
                                       const T *openQuotes = 0, const T *closeQuotes = 0);

  Port_Range GetRangeOfMatch(const Port_Regexp &re) const;
  Port_Range GetRangeOfMatch(const Port_Range &r, const Port_Regexp &re) const;

protected:
  Header *GetHeader() const { return Header::FromChars(m_pchData); }
  void SetEmptyBlock(bool doubling) {
    m_pchData = StringBaseStaticBlock<T>::m_zeroLengthHeader[doubling ? 1 : 0].chars;
  }
  // Replaces the block by a new one holding n characters of s, sized for n (doubled when asked).
  void Construct(const T *s, uint32_t n, bool doubling);
  void ConstructRepeated(T c, uint32_t n, uint32_t capacity, bool doubling);
  void ConstructJoined(const T *const *texts, int count, bool doubling);

  static void AddRef(T *p) {
    Header *h = Header::FromChars(p);
    if (!Header::IsStatic(h))
      ++h->m_refCount;
  }
  static void Release(T *p) {
    Header *h = Header::FromChars(p);
    if (!Header::IsStatic(h) && --h->m_refCount == 0)
      FreeBlock(h);
  }
  static void FreeBlock(Header *h);
  static T *NewBlock(uint64_t needed, bool doubling);

  void CopyOnWrite(uint64_t needed);
  // Replaces del characters at pos by n characters and returns where those n go; the block is
  // unshared afterwards.
  T *Open(uint32_t pos, uint32_t del, uint32_t n);
  // The same, copying n characters from s, which may lie inside this string's own block.
  void Splice(uint32_t pos, uint32_t del, const T *s, uint32_t n);
  bool Inside(const T *s) const {
    const uintptr_t at = reinterpret_cast<uintptr_t>(s);
    const uintptr_t begin = reinterpret_cast<uintptr_t>(m_pchData);
    return at >= begin && at <= begin + GetHeader()->GetCapacity() * sizeof(T);
  }
  // Clips r to this string: false when it selects nothing.
  bool Clip(const Port_Range &r, uint32_t &first, uint32_t &count) const;

  T *m_pchData;
};

template <class T> bool operator==(const T *a, const StringBase<T> &b) { return b == a; }
template <class T> bool operator!=(const T *a, const StringBase<T> &b) { return b != a; }
template <class T> bool operator<(const T *a, const StringBase<T> &b) { return b > a; }
template <class T> bool operator<=(const T *a, const StringBase<T> &b) { return b >= a; }
template <class T> bool operator>(const T *a, const StringBase<T> &b) { return b < a; }
template <class T> bool operator>=(const T *a, const StringBase<T> &b) { return b <= a; }

// A string whose blocks carry the doubling flag: appending repeatedly grows the buffer
// geometrically. Copies of plain strings share their blocks as they are.
template <class T> class PORT_API StringExp : public StringBase<T> {
public:
  typedef StringBase<T> Base;
  using Base::npos;

  StringExp() : m_exp(true) { this->SetEmptyBlock(true); }
  StringExp(const T *s);
  StringExp(const T *s, unsigned n);
  StringExp(const T *s1, const T *s2, const T *s3 = 0, const T *s4 = 0, const T *s5 = 0,
            const T *s6 = 0, const T *s7 = 0, const T *s8 = 0, const T *s9 = 0);
  StringExp(const StringExp &s, const Port_Range &r);
  StringExp(T c, unsigned n, unsigned capacity = npos);
  StringExp(const Base &s) : Base(s), m_exp(true) {}
  StringExp(const StringExp &s) : Base(s), m_exp(true) {}

  StringExp &operator=(const StringExp &s) {
    Base::operator=(s);
    return *this;
  }
  StringExp &operator=(const Base &s) {
    Base::operator=(s);
    return *this;
  }
  StringExp &operator=(const T *s) {
    Base::operator=(s);
    return *this;
  }
  StringExp &operator=(T c) {
    Base::operator=(c);
    return *this;
  }

private:
  bool m_exp;
};

extern template struct StringBaseHeader<char>;
extern template struct StringBaseHeader<wchar_t>;
extern template struct StringBaseStaticBlock<char>;
extern template struct StringBaseStaticBlock<wchar_t>;
template <> bool StringBase<char>::ReadLine(UT_STREAM *in);
template <> bool StringBase<wchar_t>::ReadLine(UT_STREAM *in);
extern template class StringBase<char>;
extern template class StringBase<wchar_t>;
extern template class StringExp<char>;
extern template class StringExp<wchar_t>;

} // namespace Port

#endif
