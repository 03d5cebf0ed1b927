// Port_MsgManDefaultImp.cpp - the console layouts of the default manager: header, library,
// number and source location, cleaning, line breaking and the newline rules of the output.
#include "msg/Port_MsgManDefaultImp.h"

#include "Port_Env.h"
#include "Port_Message.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "basutstr.h"
#include "msg/msglines.h"
#include "msg/msgprep.h"
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

} // namespace

Port_MsgManDefaultImp::Port_MsgManDefaultImp(Port_MsgManDefault *owner, const char *name)
    : m_owner(owner), m_name(UT_STR::Dup(name)), m_clean(true), m_abortFlag(false),
      m_maxLineWidth(initialLineWidth()), m_statCount(0), m_errCount(0), m_warnCount(0),
      m_infoCount(0), m_intCount(0), m_fatalCount(0), m_userFatalCount(0), m_dbgCount(0),
      m_enabled(true), m_noHeader(Port_Env::GetEnv("QEL_NO_MESSAGE_HEADER") != nullptr) {
  for (std::atomic<bool> &on : m_msgOn)
    on = true;
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
// Read without the writing lock: the dispatcher asks before its own lock is taken.
bool Port_MsgManDefaultImp::isEnabled() const { return m_enabled.load(); }

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
  std::wstring scratch;
  return UT_STR::LBreakString(msglines::cleaned(type, clean != 0, text ? text : L"", scratch),
                              width, count, msglines::indentFor(type));
}

void Port_MsgManDefaultImp::output(MsgType type, const wchar_t **lines, int count) {
  if (!m_owner->isMsgOn(type))
    return;
  FILE *stream =
      (type == Port_MsgMan::MSG_STATUS || type == Port_MsgMan::MSG_DEBUG) ? stdout : stderr;
  std::string buffer;
  msglines::appendLines(buffer, type, lines, count);
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

  std::wstring composed;
  msglines::compose(composed, type, text, msglines::Source{lib, file, line, rev, num}, m_noHeader,
                    msglines::suffixFor(type));
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
  if (msgtypes::isFatalType(type) || !isPlain() || isEnabled())
    return false;
  return msg || !msgprep::mayWriteCount(alias);
}

void Port_MsgManDefaultImp::countUnseen(MsgType type) {
  m_owner->setAbortFlag(false);
  if (!m_owner->isMsgOn(type))
    return;
  incrementCount(type);
  m_owner->flush();
}

// The message the dispatcher prepared gives the catalogue entry and the text; a message that
// comes another way (a manager called directly) is looked up and formatted here.
void Port_MsgManDefaultImp::msgByAlias(MsgType type, const char *lib, const char *file, int line,
                                       const char *rev, const char *alias, va_list args) {
  msgprep::Message *prepared = msgprep::Message::current(type, lib, alias, args);
  const Port_Message *msg = prepared ? prepared->msg() : Port_MsgDispatcher::lookupMsg(lib, alias);
  deliver(type, prepared, msg, msglines::Source{lib, file, line, rev, msg ? msg->getMsgNum() : 0},
          alias, args);
}

void Port_MsgManDefaultImp::msgByNum(MsgType type, const char *lib, const char *file, int line,
                                     const char *rev, int num, va_list args) {
  msgprep::Message *prepared = msgprep::Message::current(type, lib, num, args);
  const Port_Message *msg =
      prepared ? prepared->msg() : Port_MsgDispatcher::lookupMsgByNum(lib, num);
  deliver(type, prepared, msg, msglines::Source{lib, file, line, rev, num}, nullptr, args);
}

void Port_MsgManDefaultImp::deliver(MsgType type, msgprep::Message *prepared,
                                    const Port_Message *msg, const msglines::Source &src,
                                    const char *alias, va_list args) {
  if (dropsUnseen(type, msg, alias ? alias : "No message alias available")) {
    countUnseen(type);
    return;
  }
  const wchar_t *text = prepared ? prepared->text() : nullptr;
  if (text && !msgtypes::isFatalType(type) && isPlain()) {
    writePrepared(type, *prepared);
    return;
  }
  wchar_t *own = text    ? nullptr
                 : alias ? Port_MsgDispatcher::parseMsg(alias, msg, args)
                         : Port_MsgDispatcher::parseMsgByNum(src.num, msg, args);
  m_owner->setAbortFlag(msgtypes::isFatalType(type));
  m_owner->msgMessage(type, text ? text : own, src.num, src.lib, src.file, src.line, src.rev);
  delete[] own;
}

// What msgMessage, msgWrite, msgFormat, output and flush do for a manager that overrides none
// of them, with the lines laid out before the dispatcher lock (or here, for settings other than
// those the dispatcher laid them out for).
void Port_MsgManDefaultImp::writePrepared(MsgType type, msgprep::Message &prepared) {
  setAbortFlag(false);
  if (!isMsgOn(type))
    return;
  incrementCount(type);
  {
    Port::MsgDispatcherGuard order;
    Port_ThrGuard<Port_ThrRecursiveLock> guard(m_writeMutex);
    if (m_enabled) {
      const std::string &bytes = prepared.console(getClean() != 0, getMaxLineWidth(), m_noHeader);
      FILE *stream =
          (type == Port_MsgMan::MSG_STATUS || type == Port_MsgMan::MSG_DEBUG) ? stdout : stderr;
      std::fwrite(bytes.data(), 1, bytes.size(), stream);
      // flush() below flushes both standard streams, this one among them.
    }
  }
  flush();
}

bool Port_MsgManDefaultImp::isPlain() const {
  return typeid(*m_owner) == typeid(Port_MsgManDefault);
}

bool Port_MsgManDefaultImp::noHeader() const { return m_noHeader; }

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

// Every type but the two fatal ones has a switch; fatal messages are always on.
void Port_MsgManDefaultImp::turnOffMsg(MsgType type) {
  if (msgtypes::isValid(type) && !msgtypes::isFatalType(type))
    m_msgOn[type] = false;
}

void Port_MsgManDefaultImp::turnOnMsg(MsgType type) {
  if (msgtypes::isValid(type) && !msgtypes::isFatalType(type))
    m_msgOn[type] = true;
}

bool Port_MsgManDefaultImp::isMsgOn(MsgType type) const {
  if (msgtypes::isFatalType(type))
    return true;
  return msgtypes::isValid(type) && m_msgOn[type].load();
}
