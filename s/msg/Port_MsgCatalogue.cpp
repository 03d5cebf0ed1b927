// Port_MsgCatalogue.cpp - turning an alias or number and its arguments into display text.
//
// No message file is read here yet: every lookup finds nothing, and a message prints its alias
// formatted as a printf format with its arguments (and without a number).
#include "Port_MsgDispatcher.h"

#include "Port_Message.h"
#include "basutstr.h"
#include "platform/mbcs.h"

#include <string>
#include <vector>

namespace {
const size_t kFormatBuffer = 4096;

// "%z" (a wide-string argument) becomes the runtime's "%S"; a doubled percent sign is a
// literal and is copied as it stands, so "%%z" keeps its meaning.
std::string widenConversions(const char *alias) {
  std::string out;
  for (const char *p = alias; *p; ++p) {
    out.push_back(*p);
    if (*p != '%')
      continue;
    if (p[1] == '%') {
      out.push_back(*++p);
    } else if (p[1] == 'z') {
      out.push_back('S');
      ++p;
    }
  }
  return out;
}

wchar_t *formatAlias(const char *alias, va_list args) {
  if (!alias)
    return UT_STR::WDup(L"");
  const std::string format = widenConversions(alias);
  std::vector<char> buffer(kFormatBuffer);
  va_list copy;
  va_copy(copy, args);
  int length = UT_STR::VSNPrintf(buffer.data(), buffer.size(), format.c_str(), copy);
  va_end(copy);
  if (length < 0)
    return UT_STR::WDup(platform::multibyteToWide(alias).c_str());
  if (static_cast<size_t>(length) >= buffer.size()) {
    buffer.assign(static_cast<size_t>(length) + 1, '\0');
    va_copy(copy, args);
    UT_STR::VSNPrintf(buffer.data(), buffer.size(), format.c_str(), copy);
    va_end(copy);
  }
  return UT_STR::WDup(platform::multibyteToWide(buffer.data(), length).c_str());
}
} // namespace

Port_SsInfo *Port_MsgDispatcher::loadMsgs(const char *) { return nullptr; }

Port_Message *Port_MsgDispatcher::lookupMsg(const char *, const char *) { return nullptr; }

Port_Message *Port_MsgDispatcher::lookupMsgByNum(const char *, int) { return nullptr; }

wchar_t *Port_MsgDispatcher::parseMsg(const char *alias, const Port_Message *msg, va_list args) {
  // Argument references in catalogue texts ("!%1!") are substituted once message files are
  // read; until then no entry carries them.
  if (msg)
    return UT_STR::WDup(msg->getMsgText());
  return formatAlias(alias, args);
}

wchar_t *Port_MsgDispatcher::parseMsgByNum(int, const Port_Message *msg, va_list args) {
  return parseMsg(msg ? msg->getMsgAlias() : "No message alias available", msg, args);
}

wchar_t *Port_MsgDispatcher::translateMsgVa(const char *lib, const char *alias, va_list args) {
  return parseMsg(alias, lookupMsg(lib, alias), args);
}

wchar_t *Port_MsgDispatcher::translateMsg(const char *lib, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  wchar_t *text = translateMsgVa(lib, alias, args);
  va_end(args);
  return text;
}

wchar_t *Port_MsgDispatcher::translateMsgVa(int *num, const char *lib, const char *alias,
                                            va_list args) {
  const Port_Message *msg = lookupMsg(lib, alias);
  if (num)
    *num = msg ? msg->getMsgNum() : 0;
  return parseMsg(alias, msg, args);
}

wchar_t *Port_MsgDispatcher::translateMsg(int *num, const char *lib, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  wchar_t *text = translateMsgVa(num, lib, alias, args);
  va_end(args);
  return text;
}
