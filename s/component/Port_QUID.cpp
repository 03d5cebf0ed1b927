// Port_QUID.cpp - identifiers in their printed form.
#include "Port_QUID.h"

#include "Port_Env.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "basutstr.h"

#include <cctype>
#include <cstring>

static Port_MsgDispatcherInit dispatcherInit;

namespace {

const char *const kRevision = "$Revision: 1.1 $";
const char *const kNullValue = "{00000000-0000-0000-0000-000000000000}";
const char *const kDefaultComment = "This is Quelmo Created UID";

void copyCut(char *dst, unsigned size, const char *src) {
  std::memset(dst, 0, size);
  if (src)
    std::strncpy(dst, src, size - 1);
}

// Where the template has '0' a hexadecimal digit, elsewhere the same character, and the text
// ends where the template ends.
bool hasPrintedForm(const char *text) {
  size_t i = 0;
  for (; kNullValue[i]; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (kNullValue[i] == '0' ? !std::isxdigit(c) : c != static_cast<unsigned char>(kNullValue[i]))
      return false;
  }
  return text[i] == '\0';
}

bool validationOn() {
  static const bool on = Port_Env::GetEnv("QUELMO_DO_PORT_QUID_STRING_VALIDATION") != nullptr;
  return on;
}

} // namespace

namespace Port {

QUID::QUID() {
  copyCut(m_value, ValueSize, kNullValue);
  copyCut(m_comment, CommentSize, kDefaultComment);
}

QUID::QUID(const char *text) : QUID() { Set(text); }
QUID::QUID(const StringBase<char> &text) : QUID() { Set(text.GetBuffer()); }

QUID::QUID(const char *text, const char *comment) : QUID() {
  Set(text);
  copyCut(m_comment, CommentSize, comment);
}

QUID::QUID(const StringBase<char> &text, const StringBase<char> &comment) : QUID() {
  Set(text.GetBuffer());
  SetComment(comment);
}

QUID::QUID(const QUID &other) {
  std::memcpy(m_value, other.m_value, ValueSize);
  std::memcpy(m_comment, other.m_comment, CommentSize);
}

QUID &QUID::operator=(const QUID &other) {
  std::memmove(m_value, other.m_value, ValueSize);
  std::memmove(m_comment, other.m_comment, CommentSize);
  return *this;
}

QUID::~QUID() {}

bool QUID::operator==(const QUID &other) const {
  return UT_STR::INCompare(m_value, other.m_value, ValueSize) == 0;
}

bool QUID::operator!=(const QUID &other) const { return !(*this == other); }

bool QUID::operator<(const QUID &other) const {
  return UT_STR::INCompare(m_value, other.m_value, ValueSize) < 0;
}

void QUID::Set(unsigned int d1, unsigned short d2, unsigned short d3, unsigned char b0,
               unsigned char b1, unsigned char b2, unsigned char b3, unsigned char b4,
               unsigned char b5, unsigned char b6, unsigned char b7) {
  std::memset(m_value, 0, ValueSize);
  UT_STR::SNPrintf(m_value, ValueSize, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", d1,
                   static_cast<unsigned>(d2), static_cast<unsigned>(d3), unsigned(b0), unsigned(b1),
                   unsigned(b2), unsigned(b3), unsigned(b4), unsigned(b5), unsigned(b6),
                   unsigned(b7));
}

void QUID::Set(const char *text) {
  if (!text)
    text = "";
  if (validationOn() && !hasPrintedForm(text))
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueError("Failed to construct Port::QUID from string '%s';Format of string may not "
                     "be correct, it should be of the format "
                     "{00000000-0000-0000-0000-000000000000}\n",
                     text);
  copyCut(m_value, ValueSize, text);
}

void QUID::SetComment(const StringBase<char> &comment) {
  copyCut(m_comment, CommentSize, comment.GetBuffer());
}

QUID QUID::New() { return QUID(kNullValue, "QUID not yet implemented for MINGW Platform"); }

void QUID::GetAsString(StringBase<char> &out) const { out = m_value; }

QUID::operator StringBase<char>() const { return StringBase<char>(m_value); }

std::ostream &QUID::Dump(std::ostream &os) {
  os << "\n"
     << "QUID Object Information : "
     << "\n"
     << "   Value String = " << m_value << "\n"
     << "   Comment String = " << m_comment << "\n";
  return os;
}

} // namespace Port
