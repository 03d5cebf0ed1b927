// formatengine.h - the one walker of printf formats, behind UT_STR's Printf family, the shared
// string's Format and the message arguments, and the one reader of conversions behind SScanf.
//
// A format is walked once, whatever the target: narrow or wide output, into a fixed buffer
// (what does not fit is dropped but counted), a growing string, a file, or only counted. Each
// conversion is read by convspec, its '*' width and precision taken, and then given a meaning
// by the caller's letter function: what kind of value it is and whether a text or character
// is wide. Everything else is shared:
//   argument sizes  hh 8 bits, h 16, l and w long, ll q I64 and L (on an integer) long long,
//                   j intmax_t, z and I size_t, t ptrdiff_t, none and I32 int
//   library letters I and U (through libraryInteger): 32 bits; with h 16; with l w ll q I64 64
//   '*'             an int argument; a negative width means '-' and its absolute value, a
//                   negative precision means none; INT_MIN is a width beyond int
//   numbers         integers printed here, floating point ones by snprintf in the "C" locale;
//                   padded here (a huge width costs no time)
//   %p              every hex digit of the pointer, upper case, without prefix
//   texts           a null pointer prints "(null)"; a wide text into narrow output is UTF-8,
//                   a narrow one into wide output is read as UTF-8; the precision and width
//                   count output units (bytes or wide characters) and never split a character
//                   when converting; a narrow character into wide output is its byte value
// The output's length is limited to INT_MAX units; beyond it the walk fails.
#ifndef PORT_STR_FORMATENGINE_H
#define PORT_STR_FORMATENGINE_H

#include "convspec.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace fmtengine {

// What a conversion prints and what it takes from the argument list.
enum class Kind : uint8_t {
  Signed,   // an integer of type `integer`, printed with `letter` (d)
  Unsigned, // the same, unsigned (o u x X)
  Float,    // a double, or a long double with L (e E f F g G a A)
  Char,     // an int (a wint_t when wide)
  Text,     // a pointer to a text (wide when wide)
  Pointer,  // a pointer
  Count,    // a pointer that receives the count of units written so far
  Skip,     // a pointer, ignored
  Percent,  // nothing taken; prints '%'
  Nothing   // nothing taken, nothing printed, no value
};

// The C type an integer argument is read as.
enum class Integer : uint8_t { Int, Char, Short, Long, LongLong, IntMax, Size, PtrDiff };

struct Conv : convspec::Spec {
  Kind kind = Kind::Nothing;
  Integer integer = Integer::Int;
  char letter = 0;       // numbers: the printf conversion letter
  bool wide = false;     // Char and Text
  bool tooLarge = false; // a width or precision beyond int was written
};

// Helpers for letter functions, each giving c the meaning named and returning true.
// integer(): an integer conversion (d i o u x X) with the size as written; libraryInteger():
// the library's I (signed) and U (unsigned); character(): c and C a Char, any other letter a
// Text, wide or not. standard() gives d i o u x X e E f F g G a A p their meaning and returns
// false for any other letter.
bool integer(Conv &c, char letter);
bool libraryInteger(Conv &c, char letter);
bool character(Conv &c, bool wide);
bool standard(Conv &c);
// The integer type a size prefix gives.
Integer integerOf(convspec::Size size);
// Stores a count through target as the integer type says (for %n).
void storeCount(Integer type, void *target, long long count);

enum class TooLarge : uint8_t {
  Fail,  // the walk fails
  AsEnd, // the rest of the format is written as it stands
  Empty  // the argument is taken and the conversion prints nothing
};

template <class C> struct Observer {
  // A conversion has printed a value: spec is its text as written (from the '%'), value the
  // units [begin, end) of the output.
  // known is false for an unknown conversion (or one the format ends inside).
  virtual void value(const C *spec, size_t specLength, size_t begin, size_t end, bool known) = 0;

protected:
  ~Observer() = default;
};

struct Rules {
  convspec::Dialect dialect;
  // Gives c (as read, its conv and size set) its meaning; false for an unknown conversion.
  bool (*letters)(Conv &c);
  // The value of an unknown conversion, and of one the format ends inside; null: written as
  // it stands (the latter together with the rest of the format).
  const char *unknown = nullptr;
  TooLarge tooLarge = TooLarge::Fail;
  bool literals = true; // the text between conversions is written
  // Letters that, right after the '%', are the conversion itself rather than a size.
  const char *bareLetters = nullptr;
};

// The meaning UT_STR's Printf family gives the letters (see basutformat.cpp).
bool printfLetters(Conv &c);

// Reads one conversion after its '%' (p is left behind it) and gives it its meaning. End: the
// format ends inside the conversion.
enum class Read { Ok, Unknown, End };
template <class C> Read read(const C *&p, Conv &c, const Rules &rules);

// Where a walk writes.
template <class C> class Output {
public:
  Output() = default;                // counts only
  Output(C *buffer, size_t capacity) // keeps the first capacity units, counts all
      : m_buffer(buffer), m_room(capacity) {}
  explicit Output(std::basic_string<C> &grow) : m_grow(&grow) {}
  explicit Output(std::FILE *file) : m_file(file) {}

  bool put(const C *s, size_t n) { // inline: the walk's most frequent call
    if (!room(n))
      return false;
    m_total += n;
    if (m_buffer) {
      const size_t k = n < m_room ? n : m_room;
      std::char_traits<C>::copy(m_buffer, s, k);
      m_buffer += k;
      m_room -= k;
    } else if (m_grow) {
      m_grow->append(s, n);
    } else if (m_file) {
      write(s, n);
    }
    return true;
  }
  bool fill(C c, size_t n);
  bool putAscii(const char *s, size_t n); // ASCII text, widened for wide output
  size_t total() const { return m_total; }
  bool failed() const { return m_failed; } // a file write failed
  bool keeps(size_t n) const { return m_grow || m_file || n <= m_room; }

private:
  bool room(size_t n) const { return n <= static_cast<size_t>(INT32_MAX) - m_total; }
  void write(const C *s, size_t n);
  C *m_buffer = nullptr;
  size_t m_room = 0;
  std::basic_string<C> *m_grow = nullptr;
  std::FILE *m_file = nullptr;
  size_t m_total = 0;
  bool m_failed = false;
};

// Walks fmt with the arguments (read on a copy); returns the units written, or -1.
template <class C>
int walk(Output<C> &out, const C *fmt, va_list args, const Rules &rules,
         Observer<C> *observer = nullptr);

extern template Read read<char>(const char *&, Conv &, const Rules &);
extern template Read read<wchar_t>(const wchar_t *&, Conv &, const Rules &);
extern template class Output<char>;
extern template class Output<wchar_t>;
extern template int walk<char>(Output<char> &, const char *, va_list, const Rules &,
                               Observer<char> *);
extern template int walk<wchar_t>(Output<wchar_t> &, const wchar_t *, va_list, const Rules &,
                                  Observer<wchar_t> *);

} // namespace fmtengine

#endif
