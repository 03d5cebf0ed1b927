// Port_Exception.cpp - the library's exception classes and their process-wide count.
#include "Port_Exception.h"

#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_Thr.h"
#include "platform/mbcs.h"

#include <cstdarg>
#include <cwchar>

namespace {

const char kRevision[] = "$Revision: 1.1 $";

// A constant-initialised object: usable by exceptions made during any unit's static
// initialisation.
Port_ThrMutex mtxMine;
int32_t ms_ExceptionCount = 0;

wchar_t *duplicate(const wchar_t *text) {
  if (!text)
    return nullptr;
  size_t length = std::wcslen(text);
  wchar_t *copy = new wchar_t[length + 1];
  std::wmemcpy(copy, text, length + 1);
  return copy;
}

// Whether text has a conversion that would read an argument ("%%" reads none).
bool readsArguments(const char *text) {
  for (const char *p = text; *p; ++p) {
    if (*p != '%')
      continue;
    if (p[1] != '%')
      return true;
    ++p;
  }
  return false;
}

// A description given at construction comes without arguments. One whose text still has
// conversions cannot be formatted without reading arguments that were never passed, so it is
// kept as it stands.
wchar_t *translateDescription(const char *lib, const char *desc) {
  if (!desc)
    return nullptr;
  if (readsArguments(desc)) {
    std::wstring wide = platform::multibyteToWide(desc);
    return duplicate(wide.c_str());
  }
  return Port_MsgDispatcher::translateMsg(lib ? lib : "", desc);
}

void countOne() {
  Port_ThrGuard<Port_ThrMutex> guard(mtxMine);
  ++ms_ExceptionCount;
}

const char *orEmpty(const char *text) { return text ? text : ""; }

} // namespace

namespace Port {

Exception::Exception(const char *lib, const char *file, const char *rev, int line, const char *desc)
    : m_lib(lib), m_file(file), m_rev(rev), m_line(line), m_description(nullptr) {
  countOne();
  m_description = translateDescription(lib, desc);
}

Exception::Exception(const char *lib, const char *file, const char *rev, int line)
    : m_lib(lib), m_file(file), m_rev(rev), m_line(line), m_description(nullptr) {
  countOne();
}

Exception::Exception(const Exception &other)
    : m_lib(other.m_lib), m_file(other.m_file), m_rev(other.m_rev), m_line(other.m_line),
      m_description(duplicate(other.getLocalized())) {}

Exception &Exception::operator=(const Exception &other) {
  if (this == &other)
    return *this;
  wchar_t *description = duplicate(other.getLocalized());
  delete[] m_description;
  m_description = description;
  m_lib = other.m_lib;
  m_file = other.m_file;
  m_rev = other.m_rev;
  m_line = other.m_line;
  return *this;
}

Exception::~Exception() { delete[] m_description; }

const wchar_t *Exception::getLocalized() const { return m_description; }

void Exception::report() const {
  if (!m_description) {
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueInternal(
            "An exceptional condition has been detected that contains no other information.");
    return;
  }
  // A missing file or revision goes through as null: the layout prints "Unknown" and "0.0".
  Port_MsgDispatcher::printMsg(Port_MsgMan::MSG_EXCEPTION, m_description, orEmpty(m_lib), m_file,
                               m_line, m_rev);
}

Exception &Exception::setDescription(const char *fmt, ...) {
  wchar_t *description = nullptr;
  if (fmt) {
    va_list args;
    va_start(args, fmt);
    description = Port_MsgDispatcher::translateMsgVa(orEmpty(m_lib), fmt, args);
    va_end(args);
  }
  delete[] m_description;
  m_description = description;
  return *this;
}

Exception &Exception::setLocalized(const wchar_t *text) {
  wchar_t *description = duplicate(text);
  delete[] m_description;
  m_description = description;
  return *this;
}

int Exception::getCount() {
  Port_ThrGuard<Port_ThrMutex> guard(mtxMine);
  return ms_ExceptionCount;
}

void Exception::clearCount() {
  Port_ThrGuard<Port_ThrMutex> guard(mtxMine);
  ms_ExceptionCount = 0;
}

BadCastException::BadCastException(const char *lib, const char *file, const char *rev, int line)
    : Exception(lib, file, rev, line, "Bad cast\n") {}
BadCastException::BadCastException(const char *lib, const char *file, const char *rev, int line,
                                   const char *desc)
    : Exception(lib, file, rev, line, desc) {}

NullPointerException::NullPointerException(const char *lib, const char *file, const char *rev,
                                           int line)
    : Exception(lib, file, rev, line, "NULL pointer\n") {}
NullPointerException::NullPointerException(const char *lib, const char *file, const char *rev,
                                           int line, const char *desc)
    : Exception(lib, file, rev, line, desc) {}

FAMException::FAMException(const char *lib, const char *file, const char *rev, int line)
    : Exception(lib, file, rev, line, "File Alteration Monitor Exception\n") {}
FAMException::FAMException(const char *lib, const char *file, const char *rev, int line,
                           const char *desc)
    : Exception(lib, file, rev, line, desc) {}

} // namespace Port
