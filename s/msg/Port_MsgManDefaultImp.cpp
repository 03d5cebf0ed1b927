// Port_MsgManDefaultImp.cpp - the console layouts of the default manager: header, library,
// number and source location, cleaning, line breaking and the newline rules of the output.
#include "msg/Port_MsgManDefaultImp.h"

#include "Port_Env.h"
#include "Port_Message.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "basutstr.h"
#include "msg/msglines.h"
#include "msg/msgtypes.h"
#include "platform/mbcs.h"
#include "platform/msgbox.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <typeinfo>

namespace {
const char *const kRevision = "$Revision: 1.39 $";
const int kDefaultLineWidth = 80;

int initialLineWidth() {
  const char *value = Port_Env::GetEnv("QEL_MAXLINEWIDTH");
  if (!value)
    return kDefaultLineWidth;
  char *end = nullptr;
  errno = 0;
  const long width = std::strtol(value, &end, 10);
  if (end == value || *end != '\0' || errno == ERANGE || width <= kDefaultLineWidth ||
      width > 100000)
    return kDefaultLineWidth;
  return static_cast<int>(width);
}

std::wstring widen(const char *text) { return platform::multibyteToWide(text); }

void appendWidened(std::wstring &out, const char *text) {
  const char *p = text;
  for (; *p && static_cast<unsigned char>(*p) < 0x80; ++p)
    out += static_cast<wchar_t>(*p);
  if (*p) // an ASCII byte never belongs to a longer sequence: the rest decodes on its own
    out += platform::multibyteToWide(p);
}

void appendDecimal(std::wstring &out, int value) {
  char digits[16];
  const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
  for (const char *p = digits; p < r.ptr; ++p)
    out += static_cast<wchar_t>(*p);
}

// The part of a source-file name after its last backslash, else after its last slash.
std::wstring sourceBaseName(const char *file) {
  if (!file)
    return L"Unknown";
  const char *sep = std::strrchr(file, '\\');
  if (!sep)
    sep = std::strrchr(file, '/');
  return widen(sep ? sep + 1 : file);
}

// "$Revision: 1.39 $" gives "1.39"; a text that is no such keyword is used whole.
std::wstring revisionNumber(const char *rev) {
  if (!rev)
    return L"0.0";
  const char *colon = rev[0] == '$' ? std::strchr(rev, ':') : nullptr;
  const char *close = colon ? std::strchr(colon + 1, '$') : nullptr;
  if (!close)
    return widen(rev);
  const char *begin = colon + 1;
  const char *end = close;
  while (begin < end && *begin == ' ')
    ++begin;
  while (end > begin && end[-1] == ' ')
    --end;
  return widen(std::string(begin, end).c_str());
}

// What follows the text of internal, fatal and user-fatal messages, from the catalogue.
std::wstring suffixFor(Port_MsgMan::MsgType type) {
  wchar_t *text = nullptr;
  if (type == Port_MsgMan::MSG_INTERNAL || type == Port_MsgMan::MSG_USER_FATAL)
    text = Port_MsgDispatcher::translateMsg("Portability", "");
  else if (type == Port_MsgMan::MSG_FATAL)
    // It starts with two blanks so that it follows the message text directly.
    text = Port_MsgDispatcher::translateMsg(
        "Portability", "  The program will now terminate.  For help, see the documentation of "
                       "your installation or contact your Quelmo support representative.");
  std::wstring suffix = text ? text : L"";
  delete[] text;
  return suffix;
}

// Whether a printf format may hold a %n conversion, which writes through its argument: any
// conversion whose flags, width, precision and length are followed by the letter n.
bool mayWriteCount(const char *format) {
  for (const char *p = std::strchr(format, '%'); p; p = std::strchr(p, '%')) {
    ++p;
    if (*p == '%') {
      ++p;
      continue;
    }
    while (*p && std::strchr("-+ #0,.*123456789hlLqjtI", *p))
      ++p;
    if (*p == 'n')
      return true;
  }
  return false;
}

// Neither printable nor white space: the control characters.
inline bool isControl(wchar_t c) {
  if (c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r')
    return false;
  return (c >= 0 && c < 0x20) || (c >= 0x7F && c < 0xA0);
}
} // namespace

Port_MsgManDefaultImp::Port_MsgManDefaultImp(Port_MsgManDefault *owner, const char *name)
    : m_owner(owner), m_name(UT_STR::Dup(name)), m_clean(true), m_abortFlag(false),
      m_maxLineWidth(initialLineWidth()), m_statCount(0), m_errCount(0), m_warnCount(0),
      m_infoCount(0), m_intCount(0), m_fatalCount(0), m_userFatalCount(0), m_dbgCount(0),
      m_enabled(true), m_noHeader(Port_Env::GetEnv("QEL_NO_MESSAGE_HEADER") != nullptr) {
  for (MsgType t : {Port_MsgMan::MSG_ERROR, Port_MsgMan::MSG_WARNING, Port_MsgMan::MSG_STATUS,
                    Port_MsgMan::MSG_DEBUG, Port_MsgMan::MSG_INTERNAL, Port_MsgMan::MSG_INFO,
                    Port_MsgMan::MSG_EXCEPTION})
    m_msgOn[t] = true;
}

Port_MsgManDefaultImp::~Port_MsgManDefaultImp() { delete[] m_name; }

void Port_MsgManDefaultImp::setClean(unsigned char clean) { m_clean.set(clean != 0); }
unsigned char Port_MsgManDefaultImp::getClean() const { return m_clean.get(); }
void Port_MsgManDefaultImp::setAbortFlag(unsigned char flag) { m_abortFlag.set(flag != 0); }
unsigned char Port_MsgManDefaultImp::getAbortFlag() const { return m_abortFlag.get(); }
void Port_MsgManDefaultImp::setMaxLineWidth(int width) { m_maxLineWidth.set(width); }
int Port_MsgManDefaultImp::getMaxLineWidth() const { return m_maxLineWidth.get(); }

void Port_MsgManDefaultImp::enable() {
  Port_ThrGuard<Port_ThrRecursiveLock> guard(m_writeMutex);
  m_enabled = true;
}
void Port_MsgManDefaultImp::disable() {
  Port_ThrGuard<Port_ThrRecursiveLock> guard(m_writeMutex);
  m_enabled = false;
}
bool Port_MsgManDefaultImp::isEnabled() const {
  Port_ThrGuard<Port_ThrRecursiveLock> guard(m_writeMutex);
  return m_enabled;
}

void Port_MsgManDefaultImp::msgWrite(MsgType type, const wchar_t *text) {
  // The dispatcher lock before the writing lock, also when a caller hands the message to this
  // manager directly: a failed write reports through the dispatcher.
  Port::MsgDispatcherGuard order;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(m_writeMutex);
  const bool fatal = msgtypes::isFatalType(type);
  if (!m_enabled && !fatal)
    return;
  if (fatal && Port::UseMsgBox()) {
    platform::MessageBoxA("Quelmo", platform::wideToMultibyte(text).c_str());
    return;
  }
  int count = 0;
  wchar_t **lines =
      m_owner->msgFormat(type, m_owner->getClean(), m_owner->getMaxLineWidth(), text, &count);
  if (!lines)
    return;
  m_owner->output(type, const_cast<const wchar_t **>(lines), count);
  UT_STR::WDelStrings(lines, count);
}

wchar_t **Port_MsgManDefaultImp::msgFormat(MsgType type, unsigned char clean, int width,
                                           const wchar_t *text, int *count) {
  if (!text)
    text = L"";
  const int indent = type == Port_MsgMan::MSG_STATUS ? 0 : 3;
  const bool severe = msglines::alwaysEndsLines(type);
  // Most texts have nothing to clean: they are broken into lines as they stand.
  const wchar_t *end = text + std::wcslen(text);
  if (!severe && (!clean || std::none_of(text, end, [](wchar_t c) { return isControl(c); })))
    return UT_STR::LBreakString(text, width, count, indent);
  std::wstring copy = text;
  if (clean) {
    if (severe) {
      UT_STR::WCleanString(&copy[0]);
    } else if (std::strcmp(Port_Env::GetLang(), "usenglish") == 0) {
      for (wchar_t &c : copy)
        if (isControl(c))
          c = L' ';
    }
  } else if (severe && !copy.empty() && copy.back() == L'\n') {
    copy.pop_back();
  }
  return UT_STR::LBreakString(copy.c_str(), width, count, indent);
}

void Port_MsgManDefaultImp::output(MsgType type, const wchar_t **lines, int count) {
  if (!m_owner->isMsgOn(type))
    return;
  FILE *stream =
      (type == Port_MsgMan::MSG_STATUS || type == Port_MsgMan::MSG_DEBUG) ? stdout : stderr;
  std::string buffer;
  for (int i = 0; i < count; ++i) {
    buffer += platform::wideToMultibyte(lines[i]);
    if (msglines::needsNewline(type, lines, i, count))
      buffer += '\n';
  }
  // One write per message: the lines of a message stay together even where another writer
  // shares the stream.
  std::fwrite(buffer.data(), 1, buffer.size(), stream);
  std::fflush(stream);
}

void Port_MsgManDefaultImp::flush() {
  std::fflush(stdout);
  std::fflush(stderr);
}

void Port_MsgManDefaultImp::msgMessage(MsgType type, const wchar_t *text, int num, const char *lib,
                                       const char *file, int line, const char *rev) {
  if (!msgtypes::isValid(type)) {
    const std::string narrow = platform::wideToMultibyte(text);
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueInternal("Unknown msg type '%d' received for msg '%s'.\n", static_cast<int>(type),
                        narrow.c_str());
    return;
  }
  if (!text || !m_owner->isMsgOn(type))
    return;

  const wchar_t *header = Port_MsgDispatcher::getMsgHeader(type);
  const std::wstring suffix = suffixFor(type);

  // Composed in one buffer: this runs for every message of every manager.
  std::wstring composed;
  composed.reserve(std::wcslen(text) + suffix.size() + 96);
  switch (type) {
  case Port_MsgMan::MSG_STATUS:
    composed = text;
    break;
  case Port_MsgMan::MSG_DEBUG:
    composed.append(header).append(L" - ").append(text);
    break;
  case Port_MsgMan::MSG_INTERNAL:
  case Port_MsgMan::MSG_FATAL:
  case Port_MsgMan::MSG_EXCEPTION:
    composed.append(header);
    if (!m_noHeader) {
      composed += L':';
      appendWidened(composed, lib ? lib : "Unknown");
      composed += L':';
      composed += sourceBaseName(file);
      composed += L':';
      appendDecimal(composed, line);
      composed += L':';
      composed += revisionNumber(rev);
      if (num != 0) {
        composed += L':';
        appendDecimal(composed, num);
      }
    }
    composed.append(L" - ").append(text).append(suffix);
    break;
  default: // error, warning, user fatal, info
    composed.append(header);
    if (!m_noHeader) {
      composed += L':';
      appendWidened(composed, lib ? lib : "Unknown");
      if (num != 0) {
        composed += L':';
        appendDecimal(composed, num);
      }
    }
    composed.append(L" - ").append(text).append(suffix);
    break;
  }

  incrementCount(type);
  m_owner->msgWrite(type, composed.c_str());
  m_owner->flush();
}

void Port_MsgManDefaultImp::printMsg(MsgType type, const wchar_t *text, const char *lib,
                                     const char *file, int line, const char *rev) {
  m_owner->msgMessage(type, text, 0, lib, file, line, rev);
}

void Port_MsgManDefaultImp::printMsg(MsgType type, const wchar_t *text, int num, const char *lib,
                                     const char *file, int line, const char *rev) {
  m_owner->msgMessage(type, text, num, lib, file, line, rev);
}

// A disabled console manager writes nothing but fatal messages; it still counts what it would
// have written and flushes. Laying the text out only to drop it is skipped when nobody can
// tell: the manager is not a derived one (which may override the layout), and the text comes
// from the catalogue or from an alias that cannot write a count through %n.
bool Port_MsgManDefaultImp::dropsUnseen(MsgType type, const Port_Message *msg,
                                        const char *alias) const {
  if (msgtypes::isFatalType(type) || typeid(*m_owner) != typeid(Port_MsgManDefault) || isEnabled())
    return false;
  return msg || !mayWriteCount(alias);
}

void Port_MsgManDefaultImp::countUnseen(MsgType type) {
  m_owner->setAbortFlag(false);
  if (!m_owner->isMsgOn(type))
    return;
  incrementCount(type);
  m_owner->flush();
}

void Port_MsgManDefaultImp::msgByAlias(MsgType type, const char *lib, const char *file, int line,
                                       const char *rev, const char *alias, va_list args) {
  const Port_Message *msg = Port_MsgDispatcher::lookupMsg(lib, alias);
  if (dropsUnseen(type, msg, alias)) {
    countUnseen(type);
    return;
  }
  wchar_t *text = Port_MsgDispatcher::parseMsg(alias, msg, args);
  m_owner->setAbortFlag(msgtypes::isFatalType(type));
  m_owner->msgMessage(type, text, msg ? msg->getMsgNum() : 0, lib, file, line, rev);
  delete[] text;
}

void Port_MsgManDefaultImp::msgByNum(MsgType type, const char *lib, const char *file, int line,
                                     const char *rev, int num, va_list args) {
  const Port_Message *msg = Port_MsgDispatcher::lookupMsgByNum(lib, num);
  if (dropsUnseen(type, msg, "No message alias available")) {
    countUnseen(type);
    return;
  }
  wchar_t *text = Port_MsgDispatcher::parseMsgByNum(num, msg, args);
  m_owner->setAbortFlag(msgtypes::isFatalType(type));
  m_owner->msgMessage(type, text, num, lib, file, line, rev);
  delete[] text;
}

Port_MsgManDefaultImp::Locked<uint32_t> *Port_MsgManDefaultImp::counter(MsgType type) {
  switch (type) {
  case Port_MsgMan::MSG_STATUS:
    return &m_statCount;
  case Port_MsgMan::MSG_ERROR:
    return &m_errCount;
  case Port_MsgMan::MSG_WARNING:
    return &m_warnCount;
  case Port_MsgMan::MSG_INFO:
    return &m_infoCount;
  case Port_MsgMan::MSG_INTERNAL:
    return &m_intCount;
  case Port_MsgMan::MSG_FATAL:
    return &m_fatalCount;
  case Port_MsgMan::MSG_USER_FATAL:
    return &m_userFatalCount;
  case Port_MsgMan::MSG_DEBUG:
    return &m_dbgCount;
  default:
    return nullptr;
  }
}

const Port_MsgManDefaultImp::Locked<uint32_t> *Port_MsgManDefaultImp::counter(MsgType type) const {
  return const_cast<Port_MsgManDefaultImp *>(this)->counter(type);
}

unsigned Port_MsgManDefaultImp::getCount(MsgType type) const {
  const Locked<uint32_t> *c = counter(type);
  return c ? c->get() : 0;
}

void Port_MsgManDefaultImp::resetCount(MsgType type) {
  if (Locked<uint32_t> *c = counter(type))
    c->set(0);
}

void Port_MsgManDefaultImp::incrementCount(MsgType type) {
  if (Locked<uint32_t> *c = counter(type))
    c->increment();
}

void Port_MsgManDefaultImp::turnOffMsg(MsgType type) {
  Port_ThrGuard<Port_ThrMutex> guard(m_msgOnMutex);
  auto it = m_msgOn.find(type);
  if (it != m_msgOn.end())
    it->second = false;
}

void Port_MsgManDefaultImp::turnOnMsg(MsgType type) {
  Port_ThrGuard<Port_ThrMutex> guard(m_msgOnMutex);
  auto it = m_msgOn.find(type);
  if (it != m_msgOn.end())
    it->second = true;
}

bool Port_MsgManDefaultImp::isMsgOn(MsgType type) const {
  if (msgtypes::isFatalType(type))
    return true;
  Port_ThrGuard<Port_ThrMutex> guard(m_msgOnMutex);
  auto it = m_msgOn.find(type);
  return it != m_msgOn.end() && it->second;
}
