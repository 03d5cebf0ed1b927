// Port_MsgXml.cpp - the elements of the XML message log and their UTF-8 form, and the
// detector of new messages, which reads the previous run's log.
//
// The log, in UTF-8:
//   <?xml version="1.0" encoding="UTF-8"?>
//   <!-- IMPORTANT: ... -->                      (five lines)
//   <messages>
//   <msg type="warning" file="Portability" num="1234" delta="new" >text <arg fmt="%s"
//   index="1">value</arg> text</msg>              (one line per message)
//   </messages>                                   (written when the log is closed)
// Element text and attribute values are escaped alike; a character that XML cannot carry
// (C0 controls other than tab and line ends, U+FFFE, U+FFFF) is written as U+FFFD, a
// carriage return as "&#13;" (a parser would read a bare one as a line feed), and in
// attribute values tab and line feed as "&#9;" and "&#10;" (a parser would read blanks).
// So every value reads back exactly as the argument strings of new-message tracking need it.
#include "Port_MsgXml.h"

#include "Port_Message.h"
#include "Port_MsgDispatcher.h"
#include "basutstr.h"
#include "msg/msgargs.h"
#include "msg/msgxml.h"
#include "msg/xmlreader.h"
#include "platform/mbcs.h"

#include <charconv>
#include <cstring>
#include <cwchar>
#include <string_view>
#include <vector>

namespace {

const wchar_t kReplacement = 0xFFFD;

bool isSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The code point at text[i], a surrogate pair joined (i then moves to its second half); a lone
// surrogate and a value above U+10FFFF give U+FFFD.
uint32_t codePointAt(const wchar_t *text, size_t length, size_t &i) {
  const uint32_t c = static_cast<uint32_t>(text[i]);
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length) {
    const uint32_t next = static_cast<uint32_t>(text[i + 1]);
    if (next >= 0xDC00 && next <= 0xDFFF) {
      ++i;
      return 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
    }
  }
  return isSurrogate(c) || c > 0x10FFFF ? kReplacement : c;
}

bool isXmlChar(uint32_t c) {
  if (c < 0x20)
    return c == 0x9 || c == 0xA || c == 0xD;
  return !isSurrogate(c) && c != 0xFFFE && c != 0xFFFF && c <= 0x10FFFF;
}

void appendCodePoint(std::string &out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
    return;
  }
  char bytes[4];
  out.append(bytes, platform::encodeMultibyte(static_cast<wchar_t>(c), bytes));
}

// One code point of element text or, with attribute set, of an attribute value.
void appendEscaped(std::string &out, uint32_t c, bool attribute) {
  switch (c) {
  case '&':
    out += "&amp;";
    return;
  case '<':
    out += "&lt;";
    return;
  case '>':
    out += "&gt;";
    return;
  case '\'':
    out += "&apos;";
    return;
  case '"':
    out += "&quot;";
    return;
  case '\r':
    out += "&#13;";
    return;
  case '\t':
    out += attribute ? "&#9;" : "\t";
    return;
  case '\n':
    out += attribute ? "&#10;" : "\n";
    return;
  default:
    appendCodePoint(out, isXmlChar(c) ? c : kReplacement);
  }
}

void appendEscaped(std::string &out, const wchar_t *text, size_t length, bool attribute) {
  for (size_t i = 0; i < length; ++i)
    appendEscaped(out, codePointAt(text, length, i), attribute);
}

// The length of the run at text of printable ASCII characters that need no escape: copied
// as a whole.
size_t plainRun(const char *text, size_t length) {
  size_t n = 0;
  while (n < length) {
    const unsigned char b = static_cast<unsigned char>(text[n]);
    if (b < 0x20 || b >= 0x80 || b == '&' || b == '<' || b == '>' || b == '\'' || b == '"')
      break;
    ++n;
  }
  return n;
}

// Multibyte text: plain ASCII goes straight through; anything else is decoded by the
// platform's rules (a stray byte stands for the code point of its value).
void appendEscaped(std::string &out, const char *text, size_t length, bool attribute) {
  for (size_t i = 0; i < length;) {
    const size_t run = plainRun(text + i, length - i);
    out.append(text + i, run);
    i += run;
    if (i == length)
      break;
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      appendEscaped(out, b, attribute);
      ++i;
      continue;
    }
    wchar_t c;
    i += platform::decodeMultibyte(text + i, length - i, &c);
    appendEscaped(out, static_cast<uint32_t>(c), attribute);
  }
}

void appendEscaped(std::string &out, const char *text, bool attribute) {
  if (text)
    appendEscaped(out, text, std::strlen(text), attribute);
}

void appendEscaped(std::string &out, const std::string &text, bool attribute) {
  appendEscaped(out, text.data(), text.size(), attribute);
}

// A value as the log keeps it, in UTF-8: what a parser reads back from the written element.
void appendCanonical(std::string &out, std::string_view value) {
  for (size_t i = 0; i < value.size();) {
    // Printable ASCII stays as it is, whatever XML makes of it.
    size_t run = i;
    while (run < value.size() && static_cast<unsigned char>(value[run]) >= 0x20 &&
           static_cast<unsigned char>(value[run]) < 0x80)
      ++run;
    out.append(value, i, run - i);
    i = run;
    if (i == value.size())
      break;
    const unsigned char b = static_cast<unsigned char>(value[i]);
    if (b < 0x80) {
      appendCodePoint(out, isXmlChar(b) ? b : kReplacement);
      ++i;
      continue;
    }
    wchar_t c;
    i += platform::decodeMultibyte(value.data() + i, value.size() - i, &c);
    const uint32_t code = static_cast<uint32_t>(c);
    appendCodePoint(out, isXmlChar(code) ? code : kReplacement);
  }
}

void appendNumber(std::string &out, long long n) {
  char digits[24];
  const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, n);
  out.append(digits, r.ptr);
}

std::wstring widen(const std::string &text) {
  return platform::multibyteToWide(text.c_str(), text.size());
}

// "$Revision: 1.39 $" gives "1.39"; anything else stays as it is.
std::string revision(const char *rcs) {
  std::string r = rcs ? rcs : "";
  const std::string head = "$Revision: ", tail = " $";
  if (r.size() >= head.size() + tail.size() && r.compare(0, head.size(), head) == 0 &&
      r.compare(r.size() - tail.size(), tail.size(), tail) == 0)
    return r.substr(head.size(), r.size() - head.size() - tail.size());
  return r;
}

bool hasSourceAttributes(Port_MsgMan::MsgType type) {
  return type == Port_MsgMan::MSG_INTERNAL || type == Port_MsgMan::MSG_FATAL ||
         type == Port_MsgMan::MSG_EXCEPTION;
}

void appendSourceAttributes(std::string &out, const char *srcFile, int srcLine,
                            const char *srcRcs) {
  out += "srcfile=\"";
  appendEscaped(out, srcFile, true);
  out += "\" srcline=\"";
  appendNumber(out, srcLine);
  out += "\" srcrcs=\"";
  appendEscaped(out, revision(srcRcs), true);
  out += '"';
}

void appendStartTag(std::string &out, Port_MsgMan::MsgType type, const char *lib, int num) {
  out += "<msg type=\"";
  appendEscaped(out, Port_MsgDispatcher::getTypeTag(type), true);
  out += "\" file=\"";
  appendEscaped(out, lib, true);
  out += "\" num=\"";
  appendNumber(out, num);
  out += '"';
}

void appendArgElement(std::string &out, const std::string &spec, size_t index,
                      const std::string &value) {
  out += "<arg fmt=\"";
  appendEscaped(out, spec, true);
  out += "\" index=\"";
  appendNumber(out, static_cast<long long>(index));
  out += "\">";
  appendEscaped(out, value, false);
  out += "</arg>";
}

// The body: the catalogue text with each argument reference replaced by its element, or,
// without an entry, the alias with each conversion replaced by its element.
void appendBody(std::string &out, const char *alias, const Port_Message *msg,
                const msgxml::Args &args) {
  const std::vector<std::string> &values = args.values;
  const std::vector<std::string> &specs = args.specs;
  if (msg && msg->getMsgText()) {
    // The references are substituted on the wide text, whose escaped form carries them
    // unchanged ("!%1!" holds no metacharacter).
    std::vector<std::wstring> elements;
    for (size_t i = 0; i < values.size(); ++i) {
      std::string element;
      appendArgElement(element, specs[i], i + 1, values[i]);
      elements.push_back(widen(element));
    }
    std::string text;
    const wchar_t *wide = msg->getMsgText();
    appendEscaped(text, wide, std::wcslen(wide), false);
    const std::wstring body = msgargs::substitute(widen(text), elements);
    out += platform::wideToMultibyte(body.c_str(), body.size());
    return;
  }
  if (!alias)
    return;
  // Walk the alias with the conversions as written, which appear in it in order.
  const std::string_view text = alias;
  size_t from = 0;
  for (size_t i = 0; i < specs.size(); ++i) {
    size_t at = text.find(specs[i], from);
    while (at != std::string::npos && at > 0 && text[at - 1] == '%') {
      // "%%" before it is a literal percent sign, not this conversion.
      size_t percents = 0;
      for (size_t k = at; k > 0 && text[k - 1] == '%'; --k)
        ++percents;
      if (percents % 2 == 0)
        break;
      at = text.find(specs[i], at + 1);
    }
    if (at == std::string::npos)
      break;
    appendEscaped(out, text.data() + from, at - from, false);
    appendArgElement(out, specs[i], i + 1, values[i]);
    from = at + specs[i].size();
  }
  appendEscaped(out, text.data() + from, text.size() - from, false);
}

wchar_t *dup(const std::wstring &text) { return UT_STR::WDup(text.c_str()); }
wchar_t *dup(const std::string &utf8) { return dup(widen(utf8)); }

} // namespace

// ---------------------------------------------------------------------------------------------
// Elements in UTF-8

msgxml::Args msgxml::format(const char *alias, va_list args) {
  Args out;
  msgargs::format(alias, args, &out.values, &out.specs);
  return out;
}

void msgxml::appendElement(std::string &out, const char *alias, const Port_Message *msg,
                           Port_MsgMan::MsgType type, const char *lib, const char *srcFile,
                           int srcLine, const char *srcRcs, unsigned flags,
                           Port::DeltaMsg::ResultType delta, const Args &args) {
  appendStartTag(out, type, lib, msg ? msg->getMsgNum() : 0);
  out += ' ';
  out += delta == Port::DeltaMsg::NEW_MSG   ? "delta=\"new\" "
         : delta == Port::DeltaMsg::OLD_MSG ? "delta=\"old\" "
                                            : "delta=\"unknown\" ";
  if (flags & 1u)
    out += "filtered=\"1\" ";
  if (flags & 2u)
    out += "highlighted=\"1\" ";
  if (hasSourceAttributes(type))
    appendSourceAttributes(out, srcFile, srcLine, srcRcs);
  out += '>';
  appendBody(out, alias, msg, args);
  out += "</msg>";
}

void msgxml::appendElement(std::string &out, const wchar_t *text, Port_MsgMan::MsgType type,
                           const char *lib, unsigned flags, const char *srcFile, int srcLine,
                           const char *srcRcs, int num) {
  appendStartTag(out, type, lib, num);
  if (flags & 1u)
    out += " filtered=\"1\"";
  if (hasSourceAttributes(type)) {
    out += ' ';
    appendSourceAttributes(out, srcFile, srcLine, srcRcs);
  }
  out += '>';
  if (text)
    appendEscaped(out, text, std::wcslen(text), false);
  out += "</msg>";
}

// ---------------------------------------------------------------------------------------------
// UTF-8

int Port::wchar2utf8(wchar_t c, char *out) {
  uint32_t code = static_cast<uint32_t>(c);
  if (isSurrogate(code) || code > 0x10FFFF)
    code = kReplacement;
  return static_cast<int>(platform::encodeMultibyte(static_cast<wchar_t>(code), out));
}

char *Port::wcs2utf8s(const wchar_t *text) {
  std::string bytes;
  const size_t length = text ? std::wcslen(text) : 0;
  for (size_t i = 0; i < length; ++i)
    appendCodePoint(bytes, codePointAt(text, length, i));
  char *out = new char[bytes.size() + 1];
  std::memcpy(out, bytes.data(), bytes.size());
  out[bytes.size()] = '\0';
  return out;
}

// ---------------------------------------------------------------------------------------------
// Elements

wchar_t *Port::MsgDisp::createXmlRootOpen() {
  return dup(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             L"<!-- IMPORTANT: This is an internal file that has been generated\n"
             L"     by the Quelmo Ovrin software.  Any direct editing or\n"
             L"     changes made to this file may result in unpredictable\n"
             L"     behavior or data corruption.  It is strongly advised that\n"
             L"     users do not edit the contents of this file. -->\n"
             L"<messages>");
}

wchar_t *Port::MsgDisp::createXmlRootClose() { return dup(L"</messages>"); }

wchar_t *Port::MsgDisp::convertMetacharacters(const wchar_t *text) {
  return dup(msgargs::convertMetacharacters(text ? text : L""));
}

wchar_t *Port::MsgDisp::createMsgXml(const char *alias, const Port_Message *msg,
                                     Port_MsgMan::MsgType type, const char *lib,
                                     const char *srcFile, int srcLine, const char *srcRcs,
                                     unsigned int flags, DeltaMsg::ResultType delta, va_list args) {
  std::string xml;
  msgxml::appendElement(xml, alias, msg, type, lib, srcFile, srcLine, srcRcs, flags, delta,
                        msgxml::format(alias, args));
  return dup(xml);
}

wchar_t *Port::MsgDisp::createMsgXml(const wchar_t *text, Port_MsgMan::MsgType type,
                                     const char *lib, unsigned int flags, const char *srcFile,
                                     int srcLine, const char *srcRcs, int num) {
  std::string xml;
  msgxml::appendElement(xml, text, type, lib, flags, srcFile, srcLine, srcRcs, num);
  return dup(xml);
}

// ---------------------------------------------------------------------------------------------
// New-message tracking

void msgxml::appendKey(std::string &out, const char *lib, const char *typeTag, int num) {
  out += lib ? lib : "";
  out += typeTag ? typeTag : "";
  appendNumber(out, num);
}

std::string Port::generateKey(const char *lib, const char *typeTag, int num) {
  std::string key;
  msgxml::appendKey(key, lib, typeTag, num);
  return key;
}

std::string Port::genTxtMsgArgStr(const char *alias, const Port_Message *msg, va_list args) {
  return msgxml::argString(alias, msg, msgxml::format(alias, args));
}

void msgxml::appendArgString(std::string &out, const char *alias, const Port_Message *msg,
                             const Args &args) {
  const std::vector<std::string> &values = args.values;
  if (msg && msg->getMsgText()) {
    // The referenced values, in the order of the references: substitute the references with
    // marked values and split the result at the marks.
    std::vector<std::wstring> marked;
    for (size_t i = 0; i < values.size(); ++i)
      marked.push_back(L"\x01" + std::to_wstring(i) + L"\x02");
    const std::wstring refs = msgargs::substitute(msg->getMsgText(), marked);
    bool first = true;
    for (size_t at = refs.find(L'\x01'); at != std::wstring::npos;
         at = refs.find(L'\x01', at + 1)) {
      const size_t end = refs.find(L'\x02', at);
      if (end == std::wstring::npos)
        break;
      const size_t index = std::wcstoul(refs.substr(at + 1, end - at - 1).c_str(), nullptr, 10);
      if (index >= values.size())
        continue;
      if (!first)
        out += '\0';
      appendCanonical(out, values[index]);
      first = false;
    }
    return;
  }
  appendCanonical(out, alias ? alias : "");
  for (const std::string &v : values) {
    out += '\0';
    appendCanonical(out, v);
  }
}

std::string msgxml::argString(const char *alias, const Port_Message *msg, const Args &args) {
  std::string out;
  appendArgString(out, alias, msg, args);
  return out;
}

Port::DeltaMsg::DeltaMsg(const char *dataFile) : m_dataFile(dataFile) {}
Port::DeltaMsg::~DeltaMsg() = default;

void Port::DeltaMsg::addMsg(const std::string &key, const std::string &argStr) {
  m_seen[key].emplace(UT_STR::CRC32(argStr.data(), argStr.size()), argStr);
  ++m_count;
}

bool Port::DeltaMsg::isNewMsg(const std::string &key, const std::string &argStr) const {
  if (m_allNew)
    return true;
  auto it = m_seen.find(key);
  if (it == m_seen.end())
    return true;
  // The entries of one check value follow each other, the first after {crc, ""}; looked at
  // in place, so that no copy of the argument string is made.
  const uint32_t crc = UT_STR::CRC32(argStr.data(), argStr.size());
  for (auto e = it->second.lower_bound({crc, std::string()});
       e != it->second.end() && e->first == crc; ++e)
    if (e->second == argStr)
      return false;
  return true;
}

bool Port::DeltaMsg::isNewMsg(const char *lib, const char *alias, const Port_Message *msg,
                              const char *typeTag, va_list args) const {
  if (m_allNew)
    return true;
  return isNewMsg(generateKey(lib, typeTag, msg ? msg->getMsgNum() : 0),
                  genTxtMsgArgStr(alias, msg, args));
}

namespace {

// Collects each msg element of a log: its key, and its argument string as genTxtMsgArgStr
// forms it (for a message without an entry, the body with each arg element read as its fmt
// attribute gives back the alias).
class LogReader : public xmlreader::ContentHandler {
public:
  explicit LogReader(Port::DeltaMsg &delta) : m_delta(delta) {}
  bool sawRoot() const { return m_root; }

  void startElement(const char *qname, const xmlreader::Attributes &attrs) override {
    if (m_depth++ == 0) {
      m_root = std::strcmp(qname, "messages") == 0;
      return;
    }
    if (!m_root)
      return;
    if (m_depth == 2 && std::strcmp(qname, "msg") == 0) {
      m_inMsg = true;
      m_key = attrs.value("file") + attrs.value("type") + attrs.value("num");
      m_numbered = attrs.value("num") != "0";
      m_alias.clear();
      m_values.clear();
    } else if (m_inMsg && m_depth == 3 && std::strcmp(qname, "arg") == 0) {
      m_inArg = true;
      m_alias += attrs.value("fmt");
      m_values.emplace_back();
    }
  }

  void endElement(const char *qname) override {
    --m_depth;
    if (m_inArg && m_depth == 2) {
      m_inArg = false;
    } else if (m_inMsg && m_depth == 1 && std::strcmp(qname, "msg") == 0) {
      m_inMsg = false;
      std::string argStr;
      if (m_numbered) {
        for (size_t i = 0; i < m_values.size(); ++i)
          argStr += (i ? std::string(1, '\0') : std::string()) + m_values[i];
      } else {
        argStr = m_alias;
        for (const std::string &v : m_values)
          argStr += '\0' + v;
      }
      m_delta.addMsg(m_key, argStr);
    }
  }

  void characters(const char *chars, size_t length) override {
    if (!m_inMsg)
      return;
    const std::string text(chars, length);
    if (m_inArg)
      m_values.back() += text;
    else if (m_depth == 2)
      m_alias += text;
  }

private:
  Port::DeltaMsg &m_delta;
  int m_depth = 0;
  bool m_root = false;
  bool m_inMsg = false;
  bool m_inArg = false;
  bool m_numbered = false;
  std::string m_key;
  std::string m_alias;
  std::vector<std::string> m_values;
};

} // namespace

bool Port::DeltaMsg::readXmlMsg() {
  m_seen.clear();
  m_count = 0;
  m_allNew = true;
  LogReader reader(*this);
  if (!xmlreader::parseFile(m_dataFile, reader) || !reader.sawRoot()) {
    m_seen.clear();
    m_count = 0;
    return false;
  }
  m_allNew = false;
  return true;
}
