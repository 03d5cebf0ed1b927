// Port_StringBaseConv.cpp - the shared string's number conversion and checksum, over UT_STR.
#include "Port_StringBase.h"

#include "basutstr.h"
#include "platform/mbcs.h"

#include <string>

namespace Port {

namespace {

// The characters of a wide text as UTF-8, so that UT_STR's readers apply to them.
std::string Narrow(const char *p, uint32_t n) { return std::string(p, n); }
std::string Narrow(const wchar_t *p, uint32_t n) { return platform::wideToMultibyte(p, n); }

// Reads a number from the start of text with read(text, &end); false when no character was
// consumed.
template <class V, class Read> bool ReadNumber(const std::string &text, V *value, Read read) {
  const char *start = text.c_str();
  char *end = const_cast<char *>(start);
  const V v = read(start, &end);
  if (end == start)
    return false;
  *value = v;
  return true;
}

} // namespace

template <> uint64_t GetValue<char>(const char *text) {
  return text ? UT_STR::StrToUINT64(text, nullptr, 10) : 0;
}

template <> uint64_t GetValue<wchar_t>(const wchar_t *text) {
  return text ? UT_STR::StrToUINT64(platform::wideToMultibyte(text).c_str(), nullptr, 10) : 0;
}

template <class T> bool StringBase<T>::GetINT32(const Port_Range &r, int32_t *value) const {
  uint32_t first, count;
  if (!value || !Clip(r, first, count))
    return false;
  return ReadNumber(Narrow(m_pchData + first, count), value,
                    [](const char *s, char **e) { return UT_STR::StrToINT32(s, e, 10); });
}

template <class T> bool StringBase<T>::GetUINT32(const Port_Range &r, uint32_t *value) const {
  uint32_t first, count;
  if (!value || !Clip(r, first, count))
    return false;
  return ReadNumber(Narrow(m_pchData + first, count), value,
                    [](const char *s, char **e) { return UT_STR::StrToUINT32(s, e, 10); });
}

template <class T> bool StringBase<T>::GetINT64(const Port_Range &r, int64_t *value) const {
  uint32_t first, count;
  if (!value || !Clip(r, first, count))
    return false;
  return ReadNumber(Narrow(m_pchData + first, count), value, [](const char *s, char **e) {
    return static_cast<int64_t>(UT_STR::StrToINT64(s, e, 10));
  });
}

template <class T> bool StringBase<T>::GetUINT64(const Port_Range &r, uint64_t *value) const {
  uint32_t first, count;
  if (!value || !Clip(r, first, count))
    return false;
  return ReadNumber(Narrow(m_pchData + first, count), value, [](const char *s, char **e) {
    return static_cast<uint64_t>(UT_STR::StrToUINT64(s, e, 10));
  });
}

template <class T> bool StringBase<T>::GetD(const Port_Range &r, double *value) const {
  uint32_t first, count;
  if (!value || !Clip(r, first, count))
    return false;
  return ReadNumber(Narrow(m_pchData + first, count), value,
                    [](const char *s, char **e) { return UT_STR::StrToD(s, e); });
}

template <class T> uint32_t StringBase<T>::CRC32() const {
  return UT_STR::CRC32(m_pchData, size_t(GetLength()) * sizeof(T));
}

#define PORT_STRINGBASE_CONV(T)                                                                    \
  template bool StringBase<T>::GetINT32(const Port_Range &, int32_t *) const;                      \
  template bool StringBase<T>::GetUINT32(const Port_Range &, uint32_t *) const;                    \
  template bool StringBase<T>::GetINT64(const Port_Range &, int64_t *) const;                      \
  template bool StringBase<T>::GetUINT64(const Port_Range &, uint64_t *) const;                    \
  template bool StringBase<T>::GetD(const Port_Range &, double *) const;                           \
  template uint32_t StringBase<T>::CRC32() const;

PORT_STRINGBASE_CONV(char)
PORT_STRINGBASE_CONV(wchar_t)

} // namespace Port
