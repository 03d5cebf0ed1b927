// xmlreader.cpp - the SAX2 parse of the library's own XML files. External entities and DTDs
// are never loaded: the files are outside input and name nothing else.
#include "msg/xmlreader.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLString.hpp>

#include "Port_File.h"
#include "basutstream.h"

#include <memory>
#include <mutex>
#include <vector>

using namespace xercesc;

void Port::XmlErrorHandler::fatalError(const SAXParseException &e) {
  m_failed = true;
  throw e;
}

namespace {

// Xerces keeps a count of its users. Its count is not safe among threads, so it changes under
// one lock.
std::mutex &xercesLock() {
  static std::mutex lock;
  return lock;
}

class XercesScope {
public:
  XercesScope() {
    std::lock_guard<std::mutex> hold(xercesLock());
    XMLPlatformUtils::Initialize();
  }
  ~XercesScope() {
    std::lock_guard<std::mutex> hold(xercesLock());
    XMLPlatformUtils::Terminate();
  }
  XercesScope(const XercesScope &) = delete;
  XercesScope &operator=(const XercesScope &) = delete;
};

// Bringing Xerces up costs far more than parsing a small file, so the first parse keeps it up
// until the process ends. Each parse still holds a count of its own, so that a parse during
// shut-down, after this one is gone, brings it up again.
void keepXercesUp() { static XercesScope untilExit; }

const XMLSize_t kEntityExpansionLimit = 64;

bool parse(const char *data, size_t length, ContentHandler &handler) {
  keepXercesUp();
  XercesScope scope;
  std::unique_ptr<SAX2XMLReader> reader(XMLReaderFactory::createXMLReader());
  reader->setFeature(XMLUni::fgSAX2CoreValidation, false);
  reader->setFeature(XMLUni::fgSAX2CoreNameSpaces, false);
  reader->setFeature(XMLUni::fgXercesLoadExternalDTD, false);
  reader->setFeature(XMLUni::fgXercesDisableDefaultEntityResolution, true);
  reader->setFeature(XMLUni::fgXercesSchema, false);
  // Bounds the expansion of entities a document declares for itself: nested entities could
  // otherwise take all memory, and each expansion costs a reader of its own, so a few thousand
  // already take seconds. The library's files use none (the predefined entities and character
  // references are not expansions).
  SecurityManager security;
  security.setEntityExpansionLimit(kEntityExpansionLimit);
  reader->setProperty(XMLUni::fgXercesSecurityManager, &security);
  Port::XmlErrorHandler errors;
  reader->setContentHandler(&handler);
  reader->setErrorHandler(&errors);
  MemBufInputSource source(reinterpret_cast<const XMLByte *>(data), length, "xml", false);
  try {
    reader->parse(source);
  } catch (const SAXException &) {
    return false;
  } catch (const XMLException &) {
    return false;
  } catch (const OutOfMemoryException &) {
    return false;
  }
  return !errors.failed();
}

} // namespace

bool xmlreader::parseBuffer(const char *data, size_t length, ContentHandler &handler) {
  return parse(data, length, handler);
}

// Read through the library's own streams, so that a file inside a zip archive reads too.
bool xmlreader::parseFile(const char *name, ContentHandler &handler) {
  UT_STREAM *stream = Port_File::open(name, UT_STREAM::Read, 0);
  if (!stream)
    return false;
  std::vector<char> data;
  unsigned char block[8192];
  for (;;) {
    const unsigned n = stream->read(block, sizeof block);
    data.insert(data.end(), block, block + n);
    if (n < sizeof block)
      break;
  }
  const bool readError = stream->geterror() != 0;
  Port_File::close(stream);
  if (readError)
    return false;
  return parse(data.data(), data.size(), handler);
}

std::string xmlreader::utf8(const XMLCh *text) {
  if (!text)
    return std::string();
  TranscodeToStr out(text, "UTF-8");
  return std::string(reinterpret_cast<const char *>(out.str()), out.length());
}

std::string xmlreader::attribute(const Attributes &attrs, const char *name) {
  XMLCh *wanted = XMLString::transcode(name);
  const XMLCh *value = attrs.getValue(wanted);
  XMLString::release(&wanted);
  return utf8(value);
}

bool xmlreader::isName(const XMLCh *text, const char *name) {
  for (; *name; ++text, ++name)
    if (*text != static_cast<XMLCh>(static_cast<unsigned char>(*name)))
      return false;
  return *text == 0;
}
