// xmlreader.cpp - the parse of the library's own XML files with expat. External entities and
// DTDs are never loaded: the files are outside input and name nothing else.
//
// Entities a document declares for itself are bounded before they are expanded: a document
// with a DOCTYPE is first read once with the references in its content left unexpanded, and
// every reference there, in a start tag or in an attribute default, is charged what it would
// expand to (itself and the references of its replacement text, recursively). Only a document
// within the budget is then read with its entities expanded. A document without a DOCTYPE can
// reference no entity but the predefined ones, and is read once.
#include "msg/xmlreader.h"

#include "msg/deferredlibs.h"

#include "Port_File.h"
#include "basutstream.h"

#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <type_traits>
#include <vector>

xmlreader::Attributes::Attributes(const char **pairs) : m_pairs(pairs), m_count(0) {
  while (m_pairs[2 * m_count])
    ++m_count;
}

std::string xmlreader::Attributes::value(const char *name) const {
  for (size_t i = 0; i < m_count; ++i)
    if (std::strcmp(m_pairs[2 * i], name) == 0)
      return m_pairs[2 * i + 1];
  return std::string();
}

namespace {

struct ParserFree {
  void operator()(XML_Parser p) const { deferred::expat().XML_ParserFree(p); }
};
using Parser = std::unique_ptr<std::remove_pointer<XML_Parser>::type, ParserFree>;

// windows-1252, which the files of the suite's Windows tools may name; expat itself knows
// UTF-8, UTF-16, ISO-8859-1 and US-ASCII. Bytes 0x80 to 0x9F; 0 marks the five unassigned ones.
const unsigned short kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool sameName(const char *a, const char *b) {
  for (; *a && *b; ++a, ++b) {
    const char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
    const char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
    if (x != y)
      return false;
  }
  return *a == *b;
}

int XMLCALL unknownEncoding(void *, const XML_Char *name, XML_Encoding *info) {
  if (!sameName(name, "windows-1252") && !sameName(name, "cp1252"))
    return XML_STATUS_ERROR;
  for (int b = 0; b < 256; ++b)
    info->map[b] =
        (b >= 0x80 && b < 0xA0) ? (kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : -1) : b;
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

const unsigned kOver = xmlreader::kEntityExpansionLimit + 1;

// The entities a document declares, and what its references have spent of the budget.
class EntityBudget {
public:
  void declare(const char *name, const char *value, int length) {
    Entity e;
    e.external = value == nullptr;
    if (value)
      e.text.assign(value, static_cast<size_t>(length));
    m_entities.emplace(name, std::move(e)); // the first declaration binds
  }

  // Costs computed before the end of the DOCTYPE may have met names declared later.
  void forgetCosts() {
    for (auto &e : m_entities)
      e.second.known = false;
  }

  // Charges the references in text; false once the budget is spent.
  bool charge(const char *text, size_t length) {
    bool cutOff = false;
    m_spent += references(text, length, 0, cutOff);
    if (m_spent > xmlreader::kEntityExpansionLimit)
      m_spent = kOver;
    return m_spent <= xmlreader::kEntityExpansionLimit;
  }

private:
  struct Entity {
    std::string text;
    bool external = false;
    bool known = false;
    bool open = false;
    unsigned cost = 0;
  };

  static bool predefined(const std::string &name) {
    return name == "lt" || name == "gt" || name == "amp" || name == "apos" || name == "quot";
  }

  // The expansions of the references in text, kOver at most. cutOff tells that the sum met the
  // depth bound, and so holds only for this chain of references.
  unsigned references(const char *text, size_t length, unsigned depth, bool &cutOff) {
    unsigned sum = 0;
    for (size_t i = 0; i < length && sum <= xmlreader::kEntityExpansionLimit; ++i) {
      if (text[i] != '&' || i + 1 >= length || text[i + 1] == '#')
        continue;
      const void *semi = std::memchr(text + i + 1, ';', length - i - 1);
      if (!semi)
        break;
      const size_t end = static_cast<size_t>(static_cast<const char *>(semi) - text);
      const std::string name(text + i + 1, end - i - 1);
      i = end;
      if (!predefined(name))
        sum += cost(name, depth + 1, cutOff);
    }
    return sum > xmlreader::kEntityExpansionLimit ? kOver : sum;
  }

  // What one reference to name expands to. An undeclared or external entity, a recursive one
  // and a chain deeper than the budget cannot be read here: each costs more than the budget.
  unsigned cost(const std::string &name, unsigned depth, bool &cutOff) {
    if (depth > xmlreader::kEntityExpansionLimit) {
      cutOff = true;
      return kOver;
    }
    auto it = m_entities.find(name);
    if (it == m_entities.end() || it->second.external || it->second.open)
      return kOver;
    Entity &e = it->second;
    if (e.known)
      return e.cost;
    e.open = true;
    bool deeper = false;
    const unsigned inner = references(e.text.data(), e.text.size(), depth, deeper);
    e.open = false;
    const unsigned total = inner >= kOver ? kOver : inner + 1;
    if (deeper) {
      cutOff = true;
      return total;
    }
    e.known = true;
    e.cost = total;
    return total;
  }

  std::map<std::string, Entity> m_entities;
  unsigned m_spent = 0;
};

// Feeds the bytes in pieces that XML_Parse takes (its length is an int).
bool feed(XML_Parser p, const char *data, size_t length) {
  const size_t kPiece = size_t(1) << 20;
  for (;;) {
    const size_t n = length < kPiece ? length : kPiece;
    const bool last = n == length;
    if (deferred::expat().XML_Parse(p, data, static_cast<int>(n), last ? XML_TRUE : XML_FALSE) !=
        XML_STATUS_OK)
      return false;
    if (last)
      return true;
    data += n;
    length -= n;
  }
}

Parser newParser() {
  const deferred::Expat &expat = deferred::expat();
  Parser p(expat.XML_ParserCreate(nullptr));
  if (!p)
    throw std::bad_alloc();
  expat.XML_SetUnknownEncodingHandler(p.get(), unknownEncoding, nullptr);
  expat.XML_SetParamEntityParsing(p.get(), XML_PARAM_ENTITY_PARSING_NEVER);
  // Expat's own guard against expansion, for what it expands before a handler sees it (values
  // of attributes): small documents may grow a hundredfold, none past a megabyte.
  expat.XML_SetBillionLaughsAttackProtectionActivationThreshold(p.get(), 1024 * 1024);
  expat.XML_SetBillionLaughsAttackProtectionMaximumAmplification(p.get(), 100.0f);
  return p;
}

Port::XmlParseError errorOf(XML_Parser p) {
  const deferred::Expat &expat = deferred::expat();
  Port::XmlParseError e;
  e.line = expat.XML_GetCurrentLineNumber(p);
  e.column = expat.XML_GetCurrentColumnNumber(p);
  const XML_LChar *text = expat.XML_ErrorString(expat.XML_GetErrorCode(p));
  e.text = text ? text : "";
  return e;
}

// Whether the references of a document stay within the budget.
struct Count {
  XML_Parser parser;
  EntityBudget budget;
  bool over = false;
};

void XMLCALL countDecl(void *data, const XML_Char *name, int parameter, const XML_Char *value,
                       int length, const XML_Char *, const XML_Char *, const XML_Char *,
                       const XML_Char *) {
  if (!parameter)
    static_cast<Count *>(data)->budget.declare(name, value, length);
}

void XMLCALL countEndDoctype(void *data) { static_cast<Count *>(data)->budget.forgetCosts(); }

// Receives the markup no other handler takes: start tags, attribute lists, and each entity
// reference of the content (not expanded in this pass).
void XMLCALL countDefault(void *data, const XML_Char *text, int length) {
  Count *c = static_cast<Count *>(data);
  if (!c->over && !c->budget.charge(text, static_cast<size_t>(length))) {
    c->over = true;
    deferred::expat().XML_StopParser(c->parser, XML_FALSE);
  }
}

// Text, comments, processing instructions and CDATA boundaries are kept from countDefault.
void XMLCALL skipText(void *, const XML_Char *, int) {}
void XMLCALL skipComment(void *, const XML_Char *) {}
void XMLCALL skipInstruction(void *, const XML_Char *, const XML_Char *) {}
void XMLCALL skipMark(void *) {}

bool withinBudget(const char *data, size_t length, Port::XmlErrorHandler &errors) {
  const deferred::Expat &expat = deferred::expat();
  Parser p = newParser();
  Count count;
  count.parser = p.get();
  expat.XML_SetUserData(p.get(), &count);
  expat.XML_SetEntityDeclHandler(p.get(), countDecl);
  expat.XML_SetEndDoctypeDeclHandler(p.get(), countEndDoctype);
  expat.XML_SetDefaultHandler(p.get(), countDefault); // leaves internal entities unexpanded
  expat.XML_SetCharacterDataHandler(p.get(), skipText);
  expat.XML_SetCommentHandler(p.get(), skipComment);
  expat.XML_SetProcessingInstructionHandler(p.get(), skipInstruction);
  expat.XML_SetStartCdataSectionHandler(p.get(), skipMark);
  expat.XML_SetEndCdataSectionHandler(p.get(), skipMark);
  if (feed(p.get(), data, length))
    return true;
  Port::XmlParseError e = errorOf(p.get());
  if (count.over)
    e.text = "entity expansion limit exceeded";
  errors.fatalError(e);
  return false;
}

// The reading pass: the content goes to the handler.
struct Read {
  Read(XML_Parser p, xmlreader::ContentHandler &h, Port::XmlErrorHandler &e, bool stopAtDoctype)
      : parser(p), handler(&h), errors(&e), stopOnDoctype(stopAtDoctype) {}
  XML_Parser parser;
  xmlreader::ContentHandler *handler;
  Port::XmlErrorHandler *errors;
  bool stopOnDoctype;
  bool sawDoctype = false;
  bool stopped = false;
  std::exception_ptr thrown;

  // Ends the parse; the callbacks expat still makes after it are dropped.
  void stop() {
    if (!stopped) {
      stopped = true;
      deferred::expat().XML_StopParser(parser, XML_FALSE);
    }
  }
  template <class F> void call(F &&f) {
    if (stopped)
      return;
    try {
      f();
    } catch (...) {
      thrown = std::current_exception();
      stop();
      return;
    }
    if (handler->refused())
      stop();
  }
};

void XMLCALL readStart(void *data, const XML_Char *name, const XML_Char **atts) {
  Read *r = static_cast<Read *>(data);
  r->call([&] { r->handler->startElement(name, xmlreader::Attributes(atts)); });
}

void XMLCALL readEnd(void *data, const XML_Char *name) {
  Read *r = static_cast<Read *>(data);
  r->call([&] { r->handler->endElement(name); });
}

void XMLCALL readText(void *data, const XML_Char *text, int length) {
  Read *r = static_cast<Read *>(data);
  r->call([&] { r->handler->characters(text, static_cast<size_t>(length)); });
}

void XMLCALL readDoctype(void *data, const XML_Char *, const XML_Char *, const XML_Char *, int) {
  Read *r = static_cast<Read *>(data);
  if (r->stopOnDoctype) {
    r->sawDoctype = true;
    r->stop();
  }
}

// A reference that expat leaves to the application: an entity it could not see declared.
void XMLCALL readSkipped(void *data, const XML_Char *name, int) {
  Read *r = static_cast<Read *>(data);
  if (r->stopped)
    return;
  Port::XmlParseError e = errorOf(r->parser);
  e.text = std::string("undeclared entity ") + name;
  r->errors->error(e);
  r->stop();
}

// External entities are never fetched.
int XMLCALL readExternal(XML_Parser, const XML_Char *, const XML_Char *, const XML_Char *,
                         const XML_Char *) {
  return XML_STATUS_ERROR;
}

// One reading pass. With stopOnDoctype, a document with a DOCTYPE ends the pass before any
// content reaches the handler, and sawDoctype tells so.
bool readPass(const char *data, size_t length, xmlreader::ContentHandler &handler,
              Port::XmlErrorHandler &errors, bool stopOnDoctype, bool &sawDoctype) {
  const deferred::Expat &expat = deferred::expat();
  Parser p = newParser();
  Read read(p.get(), handler, errors, stopOnDoctype);
  expat.XML_SetUserData(p.get(), &read);
  expat.XML_SetElementHandler(p.get(), readStart, readEnd);
  expat.XML_SetCharacterDataHandler(p.get(), readText);
  expat.XML_SetStartDoctypeDeclHandler(p.get(), readDoctype);
  expat.XML_SetSkippedEntityHandler(p.get(), readSkipped);
  expat.XML_SetExternalEntityRefHandler(p.get(), readExternal);
  const bool fed = feed(p.get(), data, length);
  sawDoctype = read.sawDoctype;
  if (read.thrown)
    std::rethrow_exception(read.thrown);
  if (fed || sawDoctype || handler.refused() || errors.failed())
    return fed;
  errors.fatalError(errorOf(p.get()));
  return false;
}

bool parse(const char *data, size_t length, xmlreader::ContentHandler &handler) {
  Port::XmlErrorHandler errors;
  bool sawDoctype = false;
  bool ok = readPass(data, length, handler, errors, true, sawDoctype);
  if (sawDoctype) {
    if (!withinBudget(data, length, errors))
      return false;
    ok = readPass(data, length, handler, errors, false, sawDoctype);
  }
  return ok && !handler.refused() && !errors.failed();
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
