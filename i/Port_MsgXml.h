// Port_MsgXml.h - the XML message log: the elements written for each message, their UTF-8
// form, and the detector that marks a message new or old against the log of the previous run.
//
// Thread safety: the element builders and the UTF-8 functions keep no state. A DeltaMsg is
// read once (readXmlMsg) and then only asked (isNewMsg); the dispatcher does both under its
// lock.
#ifndef PORT_MSGXML_H
#define PORT_MSGXML_H

#include "Port_Export.h"

#include "Port_MsgMan.h"

#include <cstdarg>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

class Port_Message;

namespace Port {

// UTF-8 of a wide text (null reads as empty): every code point in its own form, four bytes
// above U+FFFF. A surrogate pair is joined into its code point; a lone surrogate and a value
// above U+10FFFF become U+FFFD. New array, freed by the caller with delete[].
PORT_API char *wcs2utf8s(const wchar_t *text);
// The UTF-8 form of one code point into out (room for 4 bytes); returns the number of bytes.
PORT_API int wchar2utf8(wchar_t c, char *out);

// The key of a message: library name, type tag and message number (0 without a catalogue
// entry), joined without separators.
PORT_API std::string generateKey(const char *lib, const char *typeTag, int num);

// The argument string of a message: the formatted values of the arguments, joined with a zero
// byte. With a catalogue entry, the values its text references, in the order of the
// references (a reference beyond the arguments is skipped); without one, the alias itself and
// then every value in order, so that messages without an entry differ by their alias.
PORT_API std::string genTxtMsgArgStr(const char *alias, const Port_Message *msg, va_list args);

// Tells whether a message was issued by the previous run, as recorded in its XML log.
class PORT_API DeltaMsg {
public:
  enum ResultType { NEW_MSG = 0, OLD_MSG = 1, UNKNOWN_MSG = 2 };

  // The name is not copied; it must outlive the detector.
  explicit DeltaMsg(const char *dataFile);
  DeltaMsg(const DeltaMsg &) = delete;
  DeltaMsg &operator=(const DeltaMsg &) = delete;
  ~DeltaMsg();

  // Reads the previous log. False when the file is not well-formed XML (a log from a run that
  // was killed has no closing tag) or holds no "messages" root: every message then stays new.
  bool readXmlMsg();
  // New unless the previous log holds a message with the same key and argument string.
  bool isNewMsg(const char *lib, const char *alias, const Port_Message *msg, const char *typeTag,
                va_list args) const;
  // The same for a key and argument string already formed.
  bool isNewMsg(const std::string &key, const std::string &argStr) const;

  // Adds one recorded message (the reader's entry).
  void addMsg(const std::string &key, const std::string &argStr);
  unsigned getCount() const { return m_count; }

private:
  std::map<std::string, std::multiset<std::pair<uint32_t, std::string>>> m_seen;
  unsigned m_count = 0;
  const char *m_dataFile;
  bool m_allNew = true;
};

namespace MsgDisp {
// The log's header (declaration, comment, "<messages>") and closing tag; new arrays.
PORT_API wchar_t *createXmlRootOpen();
PORT_API wchar_t *createXmlRootClose();
// The element of an issued message. flags: bit 0 filtered, bit 1 highlighted.
PORT_API wchar_t *createMsgXml(const char *alias, const Port_Message *msg,
                               Port_MsgMan::MsgType type, const char *lib, const char *srcFile,
                               int srcLine, const char *srcRcs, unsigned int flags,
                               DeltaMsg::ResultType delta, va_list args);
// The element of a ready text with a number.
PORT_API wchar_t *createMsgXml(const wchar_t *text, Port_MsgMan::MsgType type, const char *lib,
                               unsigned int flags, const char *srcFile, int srcLine,
                               const char *srcRcs, int num);
// & < > ' " as entities; new array.
PORT_API wchar_t *convertMetacharacters(const wchar_t *text);
} // namespace MsgDisp

} // namespace Port

#endif
