// Port_Regexp.cpp - the handle over Port_RegexpImp.
#include "Port_Regexp.h"

#include "str/Port_RegexpImp.h"

#include <cstring>
#include <cwchar>
#include <string>

Port_Regexp::Port_Regexp(const char *pattern) : m_imp(new Port_RegexpImp(pattern)) {}

Port_Regexp::Port_Regexp(const Port::StringBase<char> &pattern)
    : m_imp(new Port_RegexpImp(pattern.GetBuffer())) {}

Port_Regexp::Port_Regexp(const Port_Regexp &other) : m_imp(new Port_RegexpImp(*other.m_imp)) {}

Port_Regexp &Port_Regexp::operator=(const Port_Regexp &other) {
  *m_imp = *other.m_imp;
  return *this;
}

Port_Regexp &Port_Regexp::operator=(const char *pattern) {
  m_imp->Compile(pattern);
  return *this;
}

Port_Regexp &Port_Regexp::operator=(const Port::StringBase<char> &pattern) {
  m_imp->Compile(pattern.GetBuffer());
  return *this;
}

Port_Regexp::~Port_Regexp() { delete m_imp; }

int Port_Regexp::GetStatus() const { return m_imp->GetStatus(); }

namespace {

template <class T> size_t BoundedLength(const T *text, size_t limit) {
  size_t n = 0;
  while (n < limit && text[n])
    ++n;
  return n;
}

template <class T> Port_Range SearchFrom(const Port_RegexpImp &imp, const T *text, unsigned start) {
  if (!text)
    return Port_Range();
  const size_t len = std::char_traits<T>::length(text);
  if (start > len || len > 0xFFFFFFFFu)
    return Port_Range();
  return imp.Search(text, start, static_cast<uint32_t>(len));
}

template <class T>
Port_Range SearchWithin(const Port_RegexpImp &imp, const T *text, const Port_Range &range) {
  if (!text)
    return Port_Range();
  const uint64_t count = range.last < range.first ? 0 : uint64_t(range.last) - range.first + 1;
  // Read no further than the range's end, nor past the terminator.
  const size_t len = BoundedLength(text, static_cast<size_t>(range.first + count));
  if (range.first > len)
    return Port_Range();
  return imp.Search(text, range.first, static_cast<uint32_t>(len));
}

} // namespace

Port_Range Port_Regexp::GetRangeOfMatch(const char *text, unsigned start) const {
  return SearchFrom(*m_imp, text, start);
}

Port_Range Port_Regexp::GetRangeOfMatch(const char *text, const Port_Range &range) const {
  return SearchWithin(*m_imp, text, range);
}

Port_Range Port_Regexp::GetRangeOfMatch(const wchar_t *text, unsigned start) const {
  return SearchFrom(*m_imp, text, start);
}

Port_Range Port_Regexp::GetRangeOfMatch(const wchar_t *text, const Port_Range &range) const {
  return SearchWithin(*m_imp, text, range);
}

Port_Range Port_Regexp::Search(const char *text, unsigned first, unsigned end) const {
  return m_imp->Search(text, first, end);
}

Port_Range Port_Regexp::Search(const wchar_t *text, unsigned first, unsigned end) const {
  return m_imp->Search(text, first, end);
}
