// Port_Message.cpp - catalogue entries.
#include "Port_Message.h"

#include "basutstr.h"
#include "msg/Port_MessageImp.h"

#include <cstring>
#include <cwchar>
#include <utility>

Port_MessageImp::Port_MessageImp(int num, const char *a, const wchar_t *t)
    : number(num), alias(UT_STR::Dup(a)), text(UT_STR::WDup(t)), html(nullptr), xml(nullptr) {}

Port_MessageImp::Port_MessageImp(const Port_MessageImp &other)
    : number(other.number), alias(UT_STR::Dup(other.alias)), text(UT_STR::WDup(other.text)),
      html(UT_STR::WDup(other.html)), xml(UT_STR::WDup(other.xml)) {}

Port_MessageImp &Port_MessageImp::operator=(const Port_MessageImp &other) {
  if (this == &other)
    return *this;
  Port_MessageImp copy(other);
  number = copy.number;
  std::swap(alias, copy.alias);
  std::swap(text, copy.text);
  std::swap(html, copy.html);
  std::swap(xml, copy.xml);
  return *this;
}

Port_MessageImp::~Port_MessageImp() {
  delete[] alias;
  delete[] text;
  delete[] html;
  delete[] xml;
}

Port_Message::Port_Message(int num, const char *alias, const wchar_t *text)
    : m_imp(new Port_MessageImp(num, alias, text)) {}
Port_Message::Port_Message(const Port_Message &other) : m_imp(new Port_MessageImp(*other.m_imp)) {}
Port_Message &Port_Message::operator=(const Port_Message &other) {
  *m_imp = *other.m_imp;
  return *this;
}
Port_Message::~Port_Message() { delete m_imp; }

int Port_Message::getMsgNum() const { return m_imp->number; }
const char *Port_Message::getMsgAlias() const { return m_imp->alias; }
const wchar_t *Port_Message::getMsgText() const { return m_imp->text; }

const wchar_t *Port_Message::getMsgSubClass(const char *kind) const {
  if (!kind)
    return nullptr;
  if (std::strcmp(kind, "XML") == 0)
    return m_imp->xml;
  if (std::strcmp(kind, "HTML") == 0)
    return m_imp->html;
  return nullptr;
}

void Port_Message::addMsgSubClass(const wchar_t *line) {
  if (!line)
    return;
  wchar_t **slot = nullptr;
  if (std::wcsncmp(line, L"XML", 3) == 0)
    slot = &m_imp->xml;
  else if (std::wcsncmp(line, L"HTML", 4) == 0)
    slot = &m_imp->html;
  if (!slot)
    return;
  delete[] * slot;
  *slot = UT_STR::WDup(line);
}
