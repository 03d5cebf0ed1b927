// xml_support.cpp - a SAX2 reader of message logs for the tests.
#include "xml_support.h"

#include "temp_tree.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>

#include <memory>

using namespace xercesc;

namespace {
std::string utf8(const XMLCh *s, size_t n) {
  std::basic_string<XMLCh> copy(s, n);
  TranscodeToStr out(copy.c_str(), "UTF-8");
  return std::string(reinterpret_cast<const char *>(out.str()), out.length());
}
std::string utf8(const XMLCh *s) { return utf8(s, XMLString::stringLen(s)); }

class Collector : public DefaultHandler {
public:
  explicit Collector(porttest::ParsedLog &log) : m_log(log) {}
  void startElement(const XMLCh *, const XMLCh *, const XMLCh *qname,
                    const Attributes &attrs) override {
    const std::string name = utf8(qname);
    if (name == "msg") {
      m_log.msgs.emplace_back();
      for (XMLSize_t i = 0; i < attrs.getLength(); ++i)
        m_log.msgs.back().attrs[utf8(attrs.getQName(i))] = utf8(attrs.getValue(i));
    } else if (name == "arg" && !m_log.msgs.empty()) {
      m_inArg = true;
      m_log.msgs.back().args.emplace_back();
    }
  }
  void endElement(const XMLCh *, const XMLCh *, const XMLCh *qname) override {
    if (utf8(qname) == "arg")
      m_inArg = false;
  }
  void characters(const XMLCh *chars, const XMLSize_t length) override {
    if (m_log.msgs.empty())
      return;
    const std::string text = utf8(chars, length);
    m_log.msgs.back().text += text;
    if (m_inArg)
      m_log.msgs.back().args.back() += text;
  }
  void fatalError(const SAXParseException &e) override { throw e; }
  void error(const SAXParseException &e) override { throw e; }

private:
  porttest::ParsedLog &m_log;
  bool m_inArg = false;
};
} // namespace

porttest::ParsedLog porttest::parseLog(const std::string &path) {
  ParsedLog log;
  const std::string data = slurp(path);
  XMLPlatformUtils::Initialize();
  {
    std::unique_ptr<SAX2XMLReader> reader(XMLReaderFactory::createXMLReader());
    Collector collector(log);
    reader->setContentHandler(&collector);
    reader->setErrorHandler(&collector);
    MemBufInputSource source(reinterpret_cast<const XMLByte *>(data.data()), data.size(), "log",
                             false);
    try {
      reader->parse(source);
      log.wellFormed = true;
    } catch (...) {
      log.wellFormed = false;
    }
  }
  XMLPlatformUtils::Terminate();
  return log;
}
