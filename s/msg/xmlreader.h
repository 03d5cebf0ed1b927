// xmlreader.h - reading the library's XML files (the previous message log, the message filter
// file) with the SAX2 reader of Xerces-C.
#ifndef PORT_MSG_XMLREADER_H
#define PORT_MSG_XMLREADER_H

#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>

#include <string>

namespace Port {

// Collects the parser's complaints: any error or fatal error makes the document unusable.
// A fatal error is thrown on, which ends the parse at once.
class XmlErrorHandler : public xercesc::ErrorHandler {
public:
  void warning(const xercesc::SAXParseException &) override {}
  void error(const xercesc::SAXParseException &) override { m_failed = true; }
  void fatalError(const xercesc::SAXParseException &e) override;
  void resetErrors() override { m_failed = false; }
  bool failed() const { return m_failed; }

private:
  bool m_failed = false;
};

} // namespace Port

namespace xmlreader {

// Parses the file (a local name, never fetched from elsewhere: no external entities, no DTD)
// with handler receiving its content. False when it cannot be read or is not well-formed.
bool parseFile(const char *name, xercesc::ContentHandler &handler);
// Parses bytes held in memory, as parseFile does (the fuzz targets use it).
bool parseBuffer(const char *data, size_t length, xercesc::ContentHandler &handler);

// UTF-8 of a parser string (null reads as empty).
std::string utf8(const XMLCh *text);
// The value of the named attribute in UTF-8, empty when absent.
std::string attribute(const xercesc::Attributes &attrs, const char *name);
// Whether a parser string is the given ASCII name.
bool isName(const XMLCh *text, const char *name);

} // namespace xmlreader

#endif
