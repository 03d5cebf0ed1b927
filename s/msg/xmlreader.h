// xmlreader.h - reading the library's XML files (the previous message log, the message filter
// file) with expat, event by event.
#ifndef PORT_MSG_XMLREADER_H
#define PORT_MSG_XMLREADER_H

#include <cstddef>
#include <string>

namespace Port {

// Where and why a document could not be read.
struct XmlParseError {
  unsigned long line = 0;
  unsigned long column = 0;
  std::string text;
};

// Collects the parser's complaints: any error or fatal error makes the document unusable. A
// fatal error also ends the parse.
class XmlErrorHandler {
public:
  virtual ~XmlErrorHandler() = default;
  virtual void warning(const XmlParseError &) {}
  virtual void error(const XmlParseError &e) { record(e); }
  virtual void fatalError(const XmlParseError &e) { record(e); }
  virtual void resetErrors() {
    m_failed = false;
    m_first = XmlParseError();
  }
  bool failed() const { return m_failed; }
  // The first complaint, for diagnostics.
  const XmlParseError &first() const { return m_first; }

private:
  void record(const XmlParseError &e) {
    if (!m_failed)
      m_first = e;
    m_failed = true;
  }
  bool m_failed = false;
  XmlParseError m_first;
};

} // namespace Port

namespace xmlreader {

// The attributes of a start tag: name/value pairs in UTF-8, as the parser hands them over
// (valid during the startElement call only).
class Attributes {
public:
  explicit Attributes(const char **pairs);
  size_t getLength() const { return m_count; }
  // The value of the named attribute, empty when absent.
  std::string value(const char *name) const;

private:
  const char **m_pairs;
  size_t m_count;
};

// Receives a document's content. Names and text are UTF-8; text may come in several pieces.
// A handler that finds the document unusable calls refuse(): the parse ends and fails.
class ContentHandler {
public:
  virtual ~ContentHandler() = default;
  virtual void startElement(const char *name, const Attributes &attrs) = 0;
  virtual void endElement(const char *name) = 0;
  virtual void characters(const char *text, size_t length) = 0;

  void refuse() { m_refused = true; }
  bool refused() const { return m_refused; }

private:
  bool m_refused = false;
};

// Documents may expand at most this many entities of their own (each reference counts, nested
// ones too; the predefined entities and character references are not expansions).
const unsigned kEntityExpansionLimit = 64;

// Parses the file (a local name, never fetched from elsewhere: no external entities, no DTD)
// with handler receiving its content. False when it cannot be read, is not well-formed, or the
// handler refused it.
bool parseFile(const char *name, ContentHandler &handler);
// Parses bytes held in memory, as parseFile does (the fuzz targets use it).
bool parseBuffer(const char *data, size_t length, ContentHandler &handler);

} // namespace xmlreader

#endif
