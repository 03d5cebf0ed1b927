// msgprep.h - a message on its way from the issuing thread to the managers. The dispatcher
// builds it before taking its lock: the catalogue is looked up once, the text formatted once
// and the console's lines laid out once, in the issuing thread, so that the lock only hands
// finished lines over. The library's own managers take what they need from it; a manager
// derived by a user is called as before and sees the same text.
#ifndef PORT_MSG_MSGPREP_H
#define PORT_MSG_MSGPREP_H

#include "Port_MsgMan.h"
#include "msg/msglines.h"
#include "msg/msgxml.h"

#include <cstdarg>
#include <string>
#include <vector>

class Port_Message;

namespace msgprep {

// Whether a printf format may hold a %n conversion, which writes through its argument.
bool mayWriteCount(const char *format);

// The buffers of one message, kept by the thread between its messages: once they have grown
// to a message's size, preparing the next allocates nothing.
struct Buffers {
  std::wstring text;
  std::wstring composed;
  std::string console;
  msgxml::Args args;
  msglines::Scratch scratch;
};

class Message {
public:
  // A message by alias (num 0) or by number (alias null). While it lives it is this thread's
  // current message.
  Message(Port_MsgMan::MsgType type, const msglines::Source &src, const char *alias, va_list args);
  ~Message();
  Message(const Message &) = delete;
  Message &operator=(const Message &) = delete;

  // This thread's message of that type and library issued under that alias or number, when
  // args is the argument list the dispatcher handed the manager for it (a manager derived by a
  // user may call the base class with other arguments: it then formats them itself), or null.
  static Message *current(Port_MsgMan::MsgType type, const char *lib, const char *alias,
                          va_list args);
  static Message *current(Port_MsgMan::MsgType type, const char *lib, int num, va_list args);
  // The dispatcher hands args to the next manager of this thread's message.
  static void handing(va_list args);

  const Port_Message *msg() const { return m_msg; }
  // The alias the text is formatted from.
  const char *alias() const { return m_alias; }
  // The number the console shows: the entry's, or the one the message was issued by.
  int number() const { return m_src.num; }
  // The display text; null for an alias that may write through %n, which every manager then
  // formats for itself as before.
  const wchar_t *text() const { return m_hasText ? m_buffers->text.c_str() : nullptr; }
  // The arguments one by one with their conversions, for the XML log; formatted at the first
  // call unless the text needed them already.
  const msgxml::Args &args(va_list args);

  // The bytes the console manager writes for the message with these settings; laid out at the
  // first call, again only for other settings. Only for types that are not fatal.
  const std::string &console(bool clean, int width, bool noHeader);

private:
  void formatValues(va_list args);

  Port_MsgMan::MsgType m_type;
  msglines::Source m_src;
  const char *m_key;
  int m_keyNum;
  const Port_Message *m_msg;
  const char *m_alias;
  bool m_hasText = false;
  bool m_hasValues = false;
  bool m_laidOut = false;
  bool m_clean = false;
  int m_width = 0;
  bool m_noHeader = false;
  Buffers *m_buffers;
  Message *m_previous;
  const void *m_handed = nullptr;
};

} // namespace msgprep

#endif
