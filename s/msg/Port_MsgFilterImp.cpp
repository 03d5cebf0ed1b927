// Port_MsgFilterImp.cpp - the message filter and the reading of its file.
//
// The filter file is XML (UTF-8):
//   <messagefilter>
//     <application name="porttool">            one section per application; name "*" is
//                                              read for every application
//       <type name="warning" action="filter"/> every message of a type (a type tag: error,
//                                              warning, info...)
//       <message lib="Portability" type="error" num="1002" action="highlight">
//         <text>wasn't found</text>            the message key's entry applies when one of
//       </message>                             its texts occurs in the message's text; without
//                                              a text element, to every message of the key
//     </application>
//   </messagefilter>
// action is "filter" or "highlight" (both may be given, separated by a blank). num is the
// catalogue number, 0 for messages without a catalogue entry. Anything else makes the file
// malformed, and nothing of it is used.
#include "msg/Port_MsgFilterImp.h"

#include "Port_Message.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgXml.h"
#include "msg/xmlreader.h"
#include "platform/mbcs.h"

#include <memory>
#include <sstream>

namespace {

unsigned parseAction(const std::string &action) {
  std::istringstream words(action);
  std::string word;
  unsigned mask = 0;
  while (words >> word) {
    if (word == "filter")
      mask |= Port_MsgFilterImp::kFiltered;
    else if (word == "highlight")
      mask |= Port_MsgFilterImp::kHighlighted;
    else
      return 0;
  }
  return mask;
}

bool isTypeTag(const std::string &tag) {
  for (int t = 0; t <= 8; ++t)
    if (tag == Port_MsgDispatcher::getTypeTag(static_cast<Port_MsgMan::MsgType>(t)))
      return true;
  return false;
}

bool isNumber(const std::string &s) {
  if (s.empty() || s.size() > 9)
    return false;
  for (char c : s)
    if (c < '0' || c > '9')
      return false;
  return true;
}

// Reads the file's structure; a mistake anywhere marks it malformed and ends the parse.
class FilterReader : public xmlreader::ContentHandler {
public:
  FilterReader(Port_MsgFilterImp &filter, const std::string &app) : m_filter(filter), m_app(app) {}
  bool malformed() const { return m_malformed; }
  bool found() const { return m_found; }

  void startElement(const char *name, const xmlreader::Attributes &attrs) override {
    const std::string qname = name;
    ++m_depth;
    if (m_depth == 1) {
      check(qname == "messagefilter");
      return;
    }
    if (m_depth == 2) {
      if (!check(qname == "application" && attrs.getLength() == 1))
        return;
      const std::string app = attrs.value("name");
      m_inApp = app == m_app || app == "*";
      m_found = m_found || m_inApp;
      return;
    }
    if (m_depth == 3 && qname == "type") {
      const std::string tag = attrs.value("name");
      const unsigned mask = parseAction(attrs.value("action"));
      if (check(isTypeTag(tag) && mask != 0 && attrs.getLength() == 2) && m_inApp)
        m_filter.AddType(tag, mask);
      return;
    }
    if (m_depth == 3 && qname == "message") {
      const std::string lib = attrs.value("lib");
      const std::string type = attrs.value("type");
      const std::string num = attrs.value("num");
      m_mask = parseAction(attrs.value("action"));
      if (!check(!lib.empty() && isTypeTag(type) && isNumber(num) && m_mask != 0 &&
                 attrs.getLength() == 4))
        return;
      m_key = Port::generateKey(lib.c_str(), type.c_str(), std::stoi(num));
      m_texts = 0;
      return;
    }
    if (m_depth == 4 && qname == "text") {
      if (!check(attrs.getLength() == 0))
        return;
      m_inText = true;
      m_text.clear();
      return;
    }
    check(false);
  }

  void endElement(const char *) override {
    if (m_depth == 4) {
      m_inText = false;
      ++m_texts;
      if (m_inApp)
        m_filter.AddPattern(m_key, m_mask, m_text);
    } else if (m_depth == 3 && !m_key.empty()) {
      if (m_texts == 0 && m_inApp)
        m_filter.AddPattern(m_key, m_mask, std::wstring());
      m_key.clear();
    }
    --m_depth;
  }

  void characters(const char *text, size_t length) override {
    if (m_inText) {
      m_text += platform::multibyteToWide(text, length);
      return;
    }
    for (size_t i = 0; i < length; ++i)
      if (!check(text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
        return;
  }

private:
  bool check(bool ok) {
    if (!ok) {
      m_malformed = true;
      refuse();
    }
    return ok;
  }

  Port_MsgFilterImp &m_filter;
  std::string m_app;
  int m_depth = 0;
  bool m_inApp = false;
  bool m_found = false;
  bool m_malformed = false;
  bool m_inText = false;
  std::string m_key;
  unsigned m_mask = 0;
  int m_texts = 0;
  std::wstring m_text;
};

} // namespace

Port_MsgFilterImp::Port_MsgFilterImp(const char *filterFile, const char *appName)
    : m_filterFile(filterFile ? filterFile : ""), m_appName(appName ? appName : "") {}

bool Port_MsgFilterImp::ReadFilterFile() {
  m_types.clear();
  m_messages.clear();
  FilterReader reader(*this, m_appName);
  const bool parsed = xmlreader::parseFile(m_filterFile.c_str(), reader);
  m_malformed = !parsed || reader.malformed();
  if (m_malformed || !reader.found()) {
    m_types.clear();
    m_messages.clear();
    return false;
  }
  return true;
}

void Port_MsgFilterImp::AddType(const std::string &typeTag, unsigned mask) {
  m_types[typeTag] |= mask;
}

void Port_MsgFilterImp::AddPattern(const std::string &key, unsigned mask,
                                   const std::wstring &text) {
  m_messages[key].patterns.push_back({mask, text});
}

unsigned Port_MsgFilterImp::Matches(const char *key) const {
  auto it = m_types.find(key ? key : "");
  return it == m_types.end() ? 0 : it->second;
}

unsigned Port_MsgFilterImp::MatchText(const char *lib, unsigned int num, const char *typeTag,
                                      const wchar_t *text) const {
  unsigned mask = Matches(typeTag);
  auto it = m_messages.find(Port::generateKey(lib, typeTag, static_cast<int>(num)));
  if (it == m_messages.end() || !text)
    return mask;
  const std::wstring whole = text;
  for (const Pattern &p : it->second.patterns)
    if (whole.find(p.text) != std::wstring::npos)
      mask |= p.mask;
  return mask;
}

bool Port_MsgFilterImp::Matches(const char *lib, unsigned int num, const char *typeTag,
                                const wchar_t *text) const {
  return MatchText(lib, num, typeTag, text) != 0;
}

// The text is formatted only when the message's key has patterns.
unsigned Port_MsgFilterImp::Matches(const char *lib, const char *alias, const Port_Message *msg,
                                    const char *typeTag, va_list args) const {
  const int num = msg ? msg->getMsgNum() : 0;
  if (m_messages.find(Port::generateKey(lib, typeTag, num)) == m_messages.end())
    return Matches(typeTag);
  std::unique_ptr<wchar_t[]> text(Port_MsgDispatcher::parseMsg(alias, msg, args));
  return MatchText(lib, static_cast<unsigned>(num), typeTag, text.get());
}
