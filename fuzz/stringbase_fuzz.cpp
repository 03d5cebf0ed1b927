// stringbase_fuzz.cpp - the shared string's Split, NextTokenRange, natural-order comparison and
// number conversion, narrow and wide.
//
// Input fields (zero-separated): options, text, delimiters, open quotes, close quotes, a second
// text for the comparisons. Option bits of the first byte: 1 skip empty tokens, 2 use quotes.
#include "Port_StringBase.h"

#include "fuzz_fields.h"

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

template <class T>
void tokens(const Port::StringBase<T> &text, const T *delimiters,
            typename Port::StringBase<T>::ParseType type) {
  Port_Range cursor;
  // Every call makes progress, so there are at most length + 1 tokens.
  for (unsigned n = 0; text.NextTokenRange(cursor, delimiters, type); ++n) {
    if (n > text.GetLength() + 1)
      __builtin_trap();
    // Empty tokens at the start carry the markers 0xFFFFFFFF and 0xFFFFFFFE in first.
    if (cursor.IsEmpty() || cursor.first >= 0xFFFFFFFEu)
      continue;
    if (cursor.last >= text.GetLength())
      __builtin_trap();
    for (uint32_t i = cursor.first; i <= cursor.last; ++i)
      for (const T *d = delimiters; *d; ++d)
        if (text.GetBuffer()[i] == *d)
          __builtin_trap();
    int32_t i32 = 0;
    uint32_t u32 = 0;
    int64_t i64 = 0;
    uint64_t u64 = 0;
    double d = 0;
    text.GetINT32(cursor, &i32);
    text.GetUINT32(cursor, &u32);
    text.GetINT64(cursor, &i64);
    text.GetUINT64(cursor, &u64);
    text.GetD(cursor, &d);
  }
}

template <class T>
void run(const std::basic_string<T> &text, const std::basic_string<T> &delimiters,
         const std::basic_string<T> &open, const std::basic_string<T> &close,
         const std::basic_string<T> &other, unsigned options) {
  typedef Port::StringBase<T> S;
  const bool skipEmpty = options & 1;
  const T *openQuotes = (options & 2) ? open.c_str() : nullptr;
  // Each open quote needs its close quote.
  std::basic_string<T> closing = close;
  closing.resize(open.size(), T('"'));
  const std::vector<S> parts =
      S::Split(text.c_str(), delimiters.c_str(), skipEmpty, openQuotes, closing.c_str());
  if (parts.size() > text.size() + 1)
    __builtin_trap();

  const S s(text.c_str(), static_cast<unsigned>(text.size()));
  tokens(s, delimiters.c_str(), S::SkipDelimiterRuns);
  tokens(s, delimiters.c_str(), S::EachDelimiter);

  const S t(other.c_str());
  for (auto type :
       {S::ExactCompare, S::IgnoreCaseCompare, S::NumericCompare, S::NumericIgnoreCaseCompare}) {
    // The comparisons are antisymmetric, the natural order included.
    if (sign(s.Compare(t, type)) != -sign(t.Compare(s, type)))
      __builtin_trap();
    if (s.Compare(s, type) != 0)
      __builtin_trap();
  }
  Port::GetValue(text.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<std::string> f = fuzzFields(data, size, 6);
  const unsigned options = f[0].empty() ? 0 : static_cast<unsigned char>(f[0][0]);
  run<char>(f[1], f[2], f[3], f[4], f[5], options);
  run<wchar_t>(fuzzWiden(f[1]), fuzzWiden(f[2]), fuzzWiden(f[3]), fuzzWiden(f[4]), fuzzWiden(f[5]),
               options);
  return 0;
}
