// msgprep.cpp - messages prepared in the issuing thread.
#include "msg/msgprep.h"

#include "Port_Message.h"
#include "Port_MsgDispatcher.h"
#include "msg/catalogue.h"
#include "msg/msgargs.h"

#include <cstring>
#include <memory>
#include <type_traits>

namespace msgprep {

namespace {
const char *const kNoAlias = "No message alias available";
// Buffers that grew past this for one long message are let go afterwards.
const size_t kKeptCapacity = 16384;

// A message issued from inside the delivery of another (by a manager, say) nests: one set of
// buffers per depth.
thread_local std::vector<std::unique_ptr<Buffers>> t_buffers;
thread_local size_t t_depth = 0;
thread_local Message *t_current = nullptr;

Buffers *takeBuffers() {
  if (t_buffers.size() <= t_depth)
    t_buffers.push_back(std::make_unique<Buffers>());
  Buffers *b = t_buffers[t_depth++].get();
  b->text.clear();
  b->console.clear();
  return b;
}

size_t valuesCapacity(const std::vector<std::string> &values) {
  size_t n = 0;
  for (const std::string &v : values)
    n += v.capacity();
  return n;
}

void releaseBuffers(Buffers *b) {
  --t_depth;
  if (b->text.capacity() > kKeptCapacity || b->console.capacity() > kKeptCapacity * 4 ||
      b->scratch.store.capacity() > kKeptCapacity || valuesCapacity(b->args.values) > kKeptCapacity)
    t_buffers[t_depth] = std::make_unique<Buffers>();
}

} // namespace

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

Message::Message(Port_MsgMan::MsgType type, const msglines::Source &src, const char *alias,
                 va_list args)
    : m_type(type), m_src(src), m_key(alias), m_keyNum(src.num),
      m_msg(alias ? Port_MsgDispatcher::lookupMsg(src.lib, alias)
                  : Port_MsgDispatcher::lookupMsgByNum(src.lib, src.num)),
      m_alias(alias   ? alias
              : m_msg ? m_msg->getMsgAlias()
                      : kNoAlias),
      m_buffers(takeBuffers()), m_previous(t_current) {
  t_current = this;
  if (alias)
    m_src.num = m_msg ? m_msg->getMsgNum() : 0;
  if (m_msg) {
    // The values formatted for the text serve the XML log as well.
    if (catalogue::takesValues(m_msg))
      formatValues(args);
    catalogue::appendText(m_buffers->text, m_alias, m_msg, args,
                          m_hasValues ? &m_buffers->args.values : nullptr);
    m_hasText = true;
  } else if (!mayWriteCount(m_alias)) {
    catalogue::appendText(m_buffers->text, m_alias, nullptr, args, nullptr);
    m_hasText = true;
  }
}

Message::~Message() {
  t_current = m_previous;
  releaseBuffers(m_buffers);
}

namespace {
// Which argument list this is. Where va_list is an array it is passed on by address, so a
// manager that forwards its list unchanged passes the same address; elsewhere there is no
// identity, and nothing is taken from the prepared message.
template <class List> const void *identity(List args) {
  if constexpr (std::is_pointer<List>::value)
    return args;
  else
    return nullptr;
}
} // namespace

void Message::handing(va_list args) {
  if (t_current)
    t_current->m_handed = identity(args);
}

Message *Message::current(Port_MsgMan::MsgType type, const char *lib, const char *alias,
                          va_list args) {
  Message *m = t_current;
  return m && m->m_type == type && m->m_src.lib == lib && m->m_key == alias && alias &&
                 m->m_handed && m->m_handed == identity(args)
             ? m
             : nullptr;
}

Message *Message::current(Port_MsgMan::MsgType type, const char *lib, int num, va_list args) {
  Message *m = t_current;
  return m && m->m_type == type && m->m_src.lib == lib && !m->m_key && m->m_keyNum == num &&
                 m->m_handed && m->m_handed == identity(args)
             ? m
             : nullptr;
}

void Message::formatValues(va_list args) {
  if (m_hasValues)
    return;
  msgargs::format(m_alias, args, &m_buffers->args.values, &m_buffers->args.specs);
  m_hasValues = true;
}

const msgxml::Args &Message::args(va_list args) {
  formatValues(args);
  return m_buffers->args;
}

const std::string &Message::console(bool clean, int width, bool noHeader) {
  if (m_laidOut && clean == m_clean && width == m_width && noHeader == m_noHeader)
    return m_buffers->console;
  m_laidOut = true;
  m_clean = clean;
  m_width = width;
  m_noHeader = noHeader;
  const std::wstring suffix = msglines::suffixFor(m_type);
  m_buffers->composed.clear();
  msglines::compose(m_buffers->composed, m_type, text(), m_src, noHeader, suffix);
  m_buffers->console.clear();
  msglines::layOut(m_buffers->console, m_type, clean, width, m_buffers->composed.c_str(),
                   m_buffers->scratch);
  return m_buffers->console;
}

} // namespace msgprep
