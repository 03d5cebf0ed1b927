// Port_MsgManData.cpp - the reporting record and its issue operations. Every issue operation
// consumes the record; the fatal ones then set the exit value and run the abort functions.
#include "Port_MsgManData.h"

#include "Port_MsgDispatcher.h"
#include "basutstr.h"
#include "msg/msgtypes.h"

#include <cstring>

namespace {
bool isErrwarnType(Port_MsgMan::MsgType type) {
  return type == Port_MsgMan::MSG_ERROR || type == Port_MsgMan::MSG_WARNING ||
         type == Port_MsgMan::MSG_INFO || type == Port_MsgMan::MSG_STATUS;
}

typedef void (*DispatchByAlias)(const char *, const char *, int, const char *, const char *,
                                va_list);
typedef void (*DispatchByNum)(const char *, const char *, int, const char *, int, va_list);

DispatchByAlias dispatcherByAlias(Port_MsgMan::MsgType type) {
  switch (type) {
  case Port_MsgMan::MSG_ERROR:
    return &Port_MsgDispatcher::issueErrorMsg;
  case Port_MsgMan::MSG_WARNING:
    return &Port_MsgDispatcher::issueWarningMsg;
  case Port_MsgMan::MSG_INFO:
    return &Port_MsgDispatcher::issueInfoMsg;
  case Port_MsgMan::MSG_STATUS:
    return &Port_MsgDispatcher::issueStatusMsg;
  default:
    return nullptr;
  }
}

DispatchByNum dispatcherByNum(Port_MsgMan::MsgType type) {
  switch (type) {
  case Port_MsgMan::MSG_ERROR:
    return &Port_MsgDispatcher::issueErrorMsgByNum;
  case Port_MsgMan::MSG_WARNING:
    return &Port_MsgDispatcher::issueWarningMsgByNum;
  case Port_MsgMan::MSG_INFO:
    return &Port_MsgDispatcher::issueInfoMsgByNum;
  case Port_MsgMan::MSG_STATUS:
    return &Port_MsgDispatcher::issueStatusMsgByNum;
  default:
    return nullptr;
  }
}
} // namespace

namespace {
size_t sizeWithZero(const char *text) { return text ? std::strlen(text) + 1 : 0; }

// Copies text (when not null) to at and moves at past it.
char *copyTo(char *&at, const char *text) {
  if (!text)
    return nullptr;
  char *start = at;
  const size_t n = std::strlen(text) + 1;
  std::memcpy(at, text, n);
  at += n;
  return start;
}
} // namespace

// A record is made for every message: its three texts share one allocation, in the order lib,
// file, rev, so that the first of them that is not null owns the block.
Port_MsgManData::Port_MsgManData(const char *lib, const char *file, int line, const char *rev)
    : m_lib(nullptr), m_file(nullptr), m_line(line), m_rev(nullptr) {
  const size_t size = sizeWithZero(lib) + sizeWithZero(file) + sizeWithZero(rev);
  if (size == 0)
    return;
  char *at = new char[size];
  m_lib = copyTo(at, lib);
  m_file = copyTo(at, file);
  m_rev = copyTo(at, rev);
}

Port_MsgManData::~Port_MsgManData() { delete[](m_lib ? m_lib : m_file ? m_file : m_rev); }

Port_MsgManData *Port_MsgManData::createObject(const char *lib, const char *file, int line,
                                               const char *rev) {
  return new Port_MsgManData(lib, file, line, rev);
}

#define PORT_LOCATION m_lib, m_file, m_line, m_rev

void Port_MsgManData::issueStatus(const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  Port_MsgDispatcher::issueStatusMsg(PORT_LOCATION, alias, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueStatusByNum(int num, ...) {
  va_list args;
  va_start(args, num);
  Port_MsgDispatcher::issueStatusMsgByNum(PORT_LOCATION, num, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueError(const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  Port_MsgDispatcher::issueErrorMsg(PORT_LOCATION, alias, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueErrorByNum(int num, ...) {
  va_list args;
  va_start(args, num);
  Port_MsgDispatcher::issueErrorMsgByNum(PORT_LOCATION, num, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueInfo(const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  Port_MsgDispatcher::issueInfoMsg(PORT_LOCATION, alias, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueInfoByNum(int num, ...) {
  va_list args;
  va_start(args, num);
  Port_MsgDispatcher::issueInfoMsgByNum(PORT_LOCATION, num, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueWarning(const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  Port_MsgDispatcher::issueWarningMsg(PORT_LOCATION, alias, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueWarningByNum(int num, ...) {
  va_list args;
  va_start(args, num);
  Port_MsgDispatcher::issueWarningMsgByNum(PORT_LOCATION, num, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueInternal(const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  Port_MsgDispatcher::issueInternalMsg(PORT_LOCATION, alias, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueInternalByNum(int num, ...) {
  va_list args;
  va_start(args, num);
  Port_MsgDispatcher::issueInternalMsgByNum(PORT_LOCATION, num, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueDebug(const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  Port_MsgDispatcher::issueDebugMsg(PORT_LOCATION, alias, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueDebugByNum(int num, ...) {
  va_list args;
  va_start(args, num);
  Port_MsgDispatcher::issueDebugMsgByNum(PORT_LOCATION, num, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueFatal(int exitVal, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  Port_MsgDispatcher::issueFatalMsg(PORT_LOCATION, exitVal, alias, args);
  va_end(args);
  Port_MsgDispatcher::setExitVal(exitVal);
  delete this;
  Port_MsgDispatcher::abort();
}

void Port_MsgManData::issueFatalByNum(int exitVal, int num, ...) {
  va_list args;
  va_start(args, num);
  Port_MsgDispatcher::issueFatalMsgByNum(PORT_LOCATION, exitVal, num, args);
  va_end(args);
  Port_MsgDispatcher::setExitVal(exitVal);
  delete this;
  Port_MsgDispatcher::abort();
}

void Port_MsgManData::issueUserFatal(int exitVal, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  Port_MsgDispatcher::issueUserFatalMsg(PORT_LOCATION, exitVal, alias, args);
  va_end(args);
  Port_MsgDispatcher::setExitVal(exitVal);
  delete this;
  Port_MsgDispatcher::abort();
}

void Port_MsgManData::issueUserFatalByNum(int exitVal, int num, ...) {
  va_list args;
  va_start(args, num);
  Port_MsgDispatcher::issueUserFatalMsgByNum(PORT_LOCATION, exitVal, num, args);
  va_end(args);
  Port_MsgDispatcher::setExitVal(exitVal);
  delete this;
  Port_MsgDispatcher::abort();
}

void Port_MsgManData::issueErrwarn(Port_MsgMan::MsgType type, unsigned char cond, const char *alias,
                                   ...) {
  if (cond && isErrwarnType(type)) {
    va_list args;
    va_start(args, alias);
    dispatcherByAlias(type)(PORT_LOCATION, alias, args);
    va_end(args);
  }
  delete this;
}

void Port_MsgManData::issueErrwarnByNum(Port_MsgMan::MsgType type, unsigned char cond, int num,
                                        ...) {
  if (cond && isErrwarnType(type)) {
    va_list args;
    va_start(args, num);
    dispatcherByNum(type)(PORT_LOCATION, num, args);
    va_end(args);
  }
  delete this;
}

void Port_MsgManData::issueMsgManStatus(Port_MsgMan *mgr, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  if (mgr)
    mgr->msgStatus(PORT_LOCATION, alias, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueMsgManStatusByNum(Port_MsgMan *mgr, int num, ...) {
  va_list args;
  va_start(args, num);
  if (mgr)
    mgr->msgStatusByNum(PORT_LOCATION, num, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueMsgManError(Port_MsgMan *mgr, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  if (mgr)
    mgr->msgError(PORT_LOCATION, alias, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueMsgManErrorByNum(Port_MsgMan *mgr, int num, ...) {
  va_list args;
  va_start(args, num);
  if (mgr)
    mgr->msgErrorByNum(PORT_LOCATION, num, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueMsgManInfo(Port_MsgMan *mgr, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  if (mgr)
    mgr->msgInfo(PORT_LOCATION, alias, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueMsgManInfoByNum(Port_MsgMan *mgr, int num, ...) {
  va_list args;
  va_start(args, num);
  if (mgr)
    mgr->msgInfoByNum(PORT_LOCATION, num, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueMsgManWarning(Port_MsgMan *mgr, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  if (mgr)
    mgr->msgWarning(PORT_LOCATION, alias, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueMsgManWarningByNum(Port_MsgMan *mgr, int num, ...) {
  va_list args;
  va_start(args, num);
  if (mgr)
    mgr->msgWarningByNum(PORT_LOCATION, num, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueMsgManInternal(Port_MsgMan *mgr, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  if (mgr)
    mgr->msgInternal(PORT_LOCATION, alias, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueMsgManInternalByNum(Port_MsgMan *mgr, int num, ...) {
  va_list args;
  va_start(args, num);
  if (mgr)
    mgr->msgInternalByNum(PORT_LOCATION, num, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueMsgManDebug(Port_MsgMan *mgr, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  if (mgr)
    mgr->msgDebug(PORT_LOCATION, alias, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueMsgManDebugByNum(Port_MsgMan *mgr, int num, ...) {
  va_list args;
  va_start(args, num);
  if (mgr)
    mgr->msgDebugByNum(PORT_LOCATION, num, args);
  va_end(args);
  delete this;
}

void Port_MsgManData::issueMsgManFatal(Port_MsgMan *mgr, int exitVal, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  if (mgr)
    mgr->msgFatal(PORT_LOCATION, alias, args);
  va_end(args);
  Port_MsgDispatcher::setExitVal(exitVal);
  delete this;
  Port_MsgDispatcher::abort();
}

void Port_MsgManData::issueMsgManFatalByNum(Port_MsgMan *mgr, int exitVal, int num, ...) {
  va_list args;
  va_start(args, num);
  if (mgr)
    mgr->msgFatalByNum(PORT_LOCATION, num, args);
  va_end(args);
  Port_MsgDispatcher::setExitVal(exitVal);
  delete this;
  Port_MsgDispatcher::abort();
}

void Port_MsgManData::issueMsgManUserFatal(Port_MsgMan *mgr, int exitVal, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  if (mgr)
    mgr->msgUserFatal(PORT_LOCATION, alias, args);
  va_end(args);
  Port_MsgDispatcher::setExitVal(exitVal);
  delete this;
  Port_MsgDispatcher::abort();
}

void Port_MsgManData::issueMsgManUserFatalByNum(Port_MsgMan *mgr, int exitVal, int num, ...) {
  va_list args;
  va_start(args, num);
  if (mgr)
    mgr->msgUserFatalByNum(PORT_LOCATION, num, args);
  va_end(args);
  Port_MsgDispatcher::setExitVal(exitVal);
  delete this;
  Port_MsgDispatcher::abort();
}

void Port_MsgManData::issueMsgManErrwarn(Port_MsgMan *mgr, Port_MsgMan::MsgType type,
                                         unsigned char cond, const char *alias, ...) {
  if (mgr && cond && isErrwarnType(type)) {
    va_list args;
    va_start(args, alias);
    (mgr->*msgtypes::aliasHandler(type))(PORT_LOCATION, alias, args);
    va_end(args);
  }
  delete this;
}

void Port_MsgManData::issueMsgManErrwarnByNum(Port_MsgMan *mgr, Port_MsgMan::MsgType type,
                                              unsigned char cond, int num, ...) {
  if (mgr && cond && isErrwarnType(type)) {
    va_list args;
    va_start(args, num);
    (mgr->*msgtypes::numHandler(type))(PORT_LOCATION, num, args);
    va_end(args);
  }
  delete this;
}

void Port_MsgManData::print(Port_MsgMan::MsgType type, const wchar_t *text) {
  Port_MsgDispatcher::printMsg(type, text, PORT_LOCATION);
}

void Port_MsgManData::printMsgMan(Port_MsgMan *mgr, Port_MsgMan::MsgType type,
                                  const wchar_t *text) {
  if (mgr)
    mgr->printMsg(type, text, PORT_LOCATION);
}

void Port_MsgManData::printMsgMan(Port_MsgMan *mgr, Port_MsgMan::MsgType type, const wchar_t *text,
                                  int num) {
  if (mgr)
    mgr->printMsg(type, text, num, PORT_LOCATION);
}
