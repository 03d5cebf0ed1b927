// Port_Regexp.h - a small regular-expression matcher: literals, escapes, '.', classes, the
// anchors '^' and '$' and the greedy closures '*', '+' and '?'. A pattern is compiled once into
// at most 256 16-bit codes; searches return the inclusive range of the first match.
//
// Threads: searches only read the compiled pattern and keep their working state on the stack, so
// the const operations of one object may run on several threads at once. Construction,
// assignment and recompiling need the object to themselves. No Port::StringBase is kept: a
// pattern given as one is only read while compiling.
#ifndef PORT_REGEXP_H
#define PORT_REGEXP_H

#include "Port_Export.h"

#include "Port_StringBase.h"

class Port_RegexpImp;

class PORT_API Port_Regexp {
public:
  // Status after compiling: 0 compiled; 1 no or empty pattern, a pattern starting with a
  // closure, a class without its ']'; 2 no pattern buffer; 3 too long (more than 255 codes), a
  // closure after an anchor or another closure, or an invalid escape.
  Port_Regexp(const char *pattern);
  Port_Regexp(const Port::StringBase<char> &pattern);
  Port_Regexp(const Port_Regexp &other);
  Port_Regexp &operator=(const Port_Regexp &other);
  Port_Regexp &operator=(const char *pattern);
  Port_Regexp &operator=(const Port::StringBase<char> &pattern);
  ~Port_Regexp();

  int GetStatus() const;

  // The range of the first match at or after start: (first, first - 1) for an empty match, the
  // no-range value (1, 0) when nothing matches, start lies beyond the text or the pattern did
  // not compile.
  Port_Range GetRangeOfMatch(const char *text, unsigned start = 0) const;
  // The same within range.first .. range.last, clipped to the text.
  Port_Range GetRangeOfMatch(const char *text, const Port_Range &range) const;
  // Wide texts: characters above 255 match only '.'.
  Port_Range GetRangeOfMatch(const wchar_t *text, unsigned start = 0) const;
  Port_Range GetRangeOfMatch(const wchar_t *text, const Port_Range &range) const;

  // Searches the characters [first, end) of text, which must all be readable (zeros included);
  // '^' and '$' anchor at first and end.
  Port_Range Search(const char *text, unsigned first, unsigned end) const;
  Port_Range Search(const wchar_t *text, unsigned first, unsigned end) const;

private:
  Port_RegexpImp *m_imp;
};

#endif
