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

// Reads the file's structure; a mistake anywhere marks it malformed (thrown as a SAX error so
// the parse stops).
class FilterReader : public xercesc::DefaultHandler {
public:
  FilterReader(Port_MsgFilterImp &filter, const std::string &app) : m_filter(filter), m_app(app) {}
  bool malformed() const { return m_malformed; }
  bool found() const { return m_found; }

  void startElement(const XMLCh *, const XMLCh *, const XMLCh *qname,
                    const xercesc::Attributes &attrs) override {
    ++m_depth;
    if (m_depth == 1)
      return check(xmlreader::isName(qname, "messagefilter"));
    if (m_depth == 2) {
      check(xmlreader::isName(qname, "application") && attrs.getLength() == 1);
      const std::string name = xmlreader::attribute(attrs, "name");
      m_inApp = name == m_app || name == "*";
      m_found = m_found || m_inApp;
      return;
    }
    if (m_depth == 3 && xmlreader::isName(qname, "type")) {
      const std::string tag = xmlreader::attribute(attrs, "name");
      const unsigned mask = parseAction(xmlreader::attribute(attrs, "action"));
      check(isTypeTag(tag) && mask != 0 && attrs.getLength() == 2);
      if (m_inApp)
        m_filter.AddType(tag, mask);
      return;
    }
    if (m_depth == 3 && xmlreader::isName(qname, "message")) {
      const std::string lib = xmlreader::attribute(attrs, "lib");
      const std::string type = xmlreader::attribute(attrs, "type");
      const std::string num = xmlreader::attribute(attrs, "num");
      m_mask = parseAction(xmlreader::attribute(attrs, "action"));
      check(!lib.empty() && isTypeTag(type) && isNumber(num) && m_mask != 0 &&
            attrs.getLength() == 4);
      m_key = Port::generateKey(lib.c_str(), type.c_str(), std::stoi(num));
      m_texts = 0;
      return;
    }
    if (m_depth == 4 && xmlreader::isName(qname, "text")) {
      check(attrs.getLength() == 0);
      m_inText = true;
      m_text.clear();
      return;
    }
    check(false);
  }

  void endElement(const XMLCh *, const XMLCh *, const XMLCh *) override {
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

  void characters(const XMLCh *chars, const XMLSize_t length) override {
    std::basic_string<XMLCh> copy(chars, length);
    if (m_inText) {
      const std::string text = xmlreader::utf8(copy.c_str());
      m_text += platform::multibyteToWide(text.c_str(), text.size());
      return;
    }
    for (XMLCh c : copy)
      check(c == ' ' || c == '\t' || c == '\n' || c == '\r');
  }

private:
  void check(bool ok) {
    if (!ok) {
      m_malformed = true;
      throw xercesc::SAXException("malformed message filter file");
    }
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
