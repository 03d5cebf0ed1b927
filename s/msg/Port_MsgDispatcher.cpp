// Port_MsgDispatcher.cpp - the process-wide message switchboard: counters, the list of
// managers, the routing of each issued message, and the abort functions.
#include "Port_MsgDispatcher.h"

#include "Port_Env.h"
#include "Port_Thr.h"
#include "basutstr.h"
#include "msg/catalogue.h"
#include "msg/msgtypes.h"
#include "platform/exit.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace {

struct DispatcherState {
  Port_ThrMutex exitValMutex;
  int32_t exitVal = 0;
  Port_ThrRecursiveLock abortArrayMutex;
  std::vector<Port_MsgDispatcher::AbortFn> abortArray;
  // The dispatcher lock: taken first of all message locks, recursive so that a manager may
  // issue a further message from inside its handler.
  Port_ThrRecursiveLock msgManArrayMutex;
  std::vector<Port_MsgMan *> msgManPtrArray;
  Port_MsgManDefault *defaultMsgMan = nullptr;
  Port_ThrRecursiveLock xmlStreamMutex;
  std::wstring strArgPrefix;
  std::wstring strArgTerm;
  // The XML log and the filter switched on from the environment at start-up.
  std::string xmlMsgFile;
  std::string xmlFilterFile;
  std::string filterAppName;
};

DispatcherState *state = nullptr;

// Written under the dispatcher lock, read without it: atomics keep the unlocked reads defined.
std::atomic<bool> Port_enabled{true};
std::atomic<uint32_t> Port_statCount{0}, Port_errCount{0}, Port_warnCount{0}, Port_infoCount{0},
    Port_errPassCount{0}, Port_warnPassCount{0}, Port_infoPassCount{0}, Port_intCount{0},
    Port_fatalCount{0}, Port_userFatalCount{0}, Port_dbgCount{0};

const wchar_t *const Port_msgHeaders[] = {L"ERROR",          L"WARNING",     L"",
                                          L"DEBUG",          L"INTERNAL_ERROR", L"FATAL_ERROR",
                                          L"ERROR",          L"INFO",        L"EXCEPTION"};
const char *const typeTagNames[] = {"error",    "warning", "status", "debug",    "internal",
                                    "fatal",    "user_fatal", "info", "exception"};

std::atomic<uint32_t> *totalCounter(Port_MsgMan::MsgType type) {
  switch (type) {
  case Port_MsgMan::MSG_ERROR: return &Port_errCount;
  case Port_MsgMan::MSG_WARNING: return &Port_warnCount;
  case Port_MsgMan::MSG_STATUS: return &Port_statCount;
  case Port_MsgMan::MSG_DEBUG: return &Port_dbgCount;
  case Port_MsgMan::MSG_INTERNAL: return &Port_intCount;
  case Port_MsgMan::MSG_FATAL: return &Port_fatalCount;
  case Port_MsgMan::MSG_USER_FATAL: return &Port_userFatalCount;
  case Port_MsgMan::MSG_INFO: return &Port_infoCount;
  default: return nullptr;
  }
}

std::atomic<uint32_t> *passCounter(Port_MsgMan::MsgType type) {
  switch (type) {
  case Port_MsgMan::MSG_ERROR: return &Port_errPassCount;
  case Port_MsgMan::MSG_WARNING: return &Port_warnPassCount;
  case Port_MsgMan::MSG_INFO: return &Port_infoPassCount;
  default: return nullptr;
  }
}

void increment(std::atomic<uint32_t> *counter) {
  if (counter)
    counter->fetch_add(1, std::memory_order_relaxed);
}

void defaultAbort() {
  const int value = Port_MsgDispatcher::getExitVal();
  if (value != 0 && Port_Env::GetEnv("QEL_DROPCORE"))
    platform::TerminateProcess(value);
  platform::ExitProcess(value);
}

// Every manager gets its own copy of the argument list: reading a va_list consumes it.
// Indexing (rather than iterating) keeps the loop valid when a handler registers or removes
// a manager.
void forEachManager(msgtypes::AliasHandler handler, const char *lib, const char *file, int line,
                    const char *rev, const char *alias, va_list args) {
  for (size_t i = 0; i < state->msgManPtrArray.size(); ++i) {
    va_list copy;
    va_copy(copy, args);
    (state->msgManPtrArray[i]->*handler)(lib, file, line, rev, alias, copy);
    va_end(copy);
  }
}

void forEachManager(msgtypes::NumHandler handler, const char *lib, const char *file, int line,
                    const char *rev, int num, va_list args) {
  for (size_t i = 0; i < state->msgManPtrArray.size(); ++i) {
    va_list copy;
    va_copy(copy, args);
    (state->msgManPtrArray[i]->*handler)(lib, file, line, rev, num, copy);
    va_end(copy);
  }
}

// Bit 0 of a filter result: filtered; bit 1: highlighted.
const int kFiltered = 1;

// Filtering needs the external filter component, which this dispatcher cannot load yet: until
// it can, no message is filtered.
int filterResult() { return 0; }

// The common road of every issued message. Errors, warnings and infos are looked up, may be
// filtered and have a pass counter; fatal types ignore the enabled switch.
template <class Key, class Handler>
void issue(Port_MsgMan::MsgType type, Handler handler, const char *lib, const char *file,
           int line, const char *rev, Key key, va_list args) {
  if (!state)
    return;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(state->msgManArrayMutex);
  if (!Port_enabled.load() && !msgtypes::isFatalType(type))
    return;
  increment(totalCounter(type));
  if (msgtypes::isFilteredType(type)) {
    if (filterResult() & kFiltered)
      return;
    increment(passCounter(type));
  }
  forEachManager(handler, lib, file, line, rev, key, args);
}

} // namespace

int Port_MsgDispatcherInit::counter = 0;

Port_MsgDispatcherInit::Port_MsgDispatcherInit() {
  if (counter++ == 0)
    Port_MsgDispatcher::initialize();
}

Port_MsgDispatcherInit::~Port_MsgDispatcherInit() {
  if (--counter == 0)
    Port_MsgDispatcher::finalize();
}

void Port_MsgDispatcher::initialize() {
  if (state)
    return;
  state = new DispatcherState;
  state->strArgPrefix = L"!%";
  state->strArgTerm = L"!";
  state->abortArray.push_back(&defaultAbort);
  state->defaultMsgMan = new Port_MsgManDefault(nullptr);
  state->msgManPtrArray.push_back(state->defaultMsgMan);
  catalogue::initialize();
  for (auto [name, field] : {std::pair{"XML_MSG_FILE", &state->xmlMsgFile},
                             std::pair{"XML_FILTER_FILE", &state->xmlFilterFile},
                             std::pair{"FILTER_APP_NAME", &state->filterAppName}}) {
    if (const char *value = Port_Env::GetEnv(name))
      *field = value;
  }
}

void Port_MsgDispatcher::finalize() {
  if (!state)
    return;
  catalogue::finalize();
  state->defaultMsgMan->flush();
  delete state->defaultMsgMan;
  delete state;
  state = nullptr;
}

void Port_MsgDispatcher::lock() {
  if (state)
    state->msgManArrayMutex.lock();
}

void Port_MsgDispatcher::unlock() {
  if (state)
    state->msgManArrayMutex.unlock();
}

Port::MsgDispatcherGuard::MsgDispatcherGuard() { Port_MsgDispatcher::lock(); }
Port::MsgDispatcherGuard::~MsgDispatcherGuard() { Port_MsgDispatcher::unlock(); }

#define PORT_ISSUE_BY_ALIAS(name, type)                                                          \
  void Port_MsgDispatcher::name(const char *lib, const char *file, int line, const char *rev,    \
                                const char *alias, va_list args) {                               \
    issue(type, msgtypes::aliasHandler(type), lib, file, line, rev, alias, args);                \
  }
#define PORT_ISSUE_BY_NUM(name, type)                                                            \
  void Port_MsgDispatcher::name(const char *lib, const char *file, int line, const char *rev,    \
                                int num, va_list args) {                                         \
    issue(type, msgtypes::numHandler(type), lib, file, line, rev, num, args);                    \
  }

PORT_ISSUE_BY_ALIAS(issueStatusMsg, Port_MsgMan::MSG_STATUS)
PORT_ISSUE_BY_ALIAS(issueErrorMsg, Port_MsgMan::MSG_ERROR)
PORT_ISSUE_BY_ALIAS(issueInfoMsg, Port_MsgMan::MSG_INFO)
PORT_ISSUE_BY_ALIAS(issueWarningMsg, Port_MsgMan::MSG_WARNING)
PORT_ISSUE_BY_ALIAS(issueInternalMsg, Port_MsgMan::MSG_INTERNAL)
PORT_ISSUE_BY_ALIAS(issueDebugMsg, Port_MsgMan::MSG_DEBUG)
PORT_ISSUE_BY_NUM(issueStatusMsgByNum, Port_MsgMan::MSG_STATUS)
PORT_ISSUE_BY_NUM(issueErrorMsgByNum, Port_MsgMan::MSG_ERROR)
PORT_ISSUE_BY_NUM(issueInfoMsgByNum, Port_MsgMan::MSG_INFO)
PORT_ISSUE_BY_NUM(issueWarningMsgByNum, Port_MsgMan::MSG_WARNING)
PORT_ISSUE_BY_NUM(issueInternalMsgByNum, Port_MsgMan::MSG_INTERNAL)
PORT_ISSUE_BY_NUM(issueDebugMsgByNum, Port_MsgMan::MSG_DEBUG)
#undef PORT_ISSUE_BY_ALIAS
#undef PORT_ISSUE_BY_NUM

void Port_MsgDispatcher::issueFatalMsg(const char *lib, const char *file, int line,
                                       const char *rev, int, const char *alias, va_list args) {
  issue(Port_MsgMan::MSG_FATAL, &Port_MsgMan::msgFatal, lib, file, line, rev, alias, args);
}

void Port_MsgDispatcher::issueUserFatalMsg(const char *lib, const char *file, int line,
                                           const char *rev, int, const char *alias,
                                           va_list args) {
  issue(Port_MsgMan::MSG_USER_FATAL, &Port_MsgMan::msgUserFatal, lib, file, line, rev, alias,
        args);
}

void Port_MsgDispatcher::issueFatalMsgByNum(const char *lib, const char *file, int line,
                                            const char *rev, int, int num, va_list args) {
  issue(Port_MsgMan::MSG_FATAL, &Port_MsgMan::msgFatalByNum, lib, file, line, rev, num, args);
}

void Port_MsgDispatcher::issueUserFatalMsgByNum(const char *lib, const char *file, int line,
                                                const char *rev, int, int num, va_list args) {
  issue(Port_MsgMan::MSG_USER_FATAL, &Port_MsgMan::msgUserFatalByNum, lib, file, line, rev, num,
        args);
}

void Port_MsgDispatcher::printMsg(Port_MsgMan::MsgType type, const wchar_t *text,
                                  const char *lib, const char *file, int line, const char *rev) {
  if (!state)
    return;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(state->msgManArrayMutex);
  increment(totalCounter(type));
  for (size_t i = 0; i < state->msgManPtrArray.size(); ++i)
    state->msgManPtrArray[i]->printMsg(type, text, lib, file, line, rev);
  increment(passCounter(type));
}

void Port_MsgDispatcher::printMsg(Port_MsgMan::MsgType type, const wchar_t *text, int num,
                                  const char *lib, const char *file, int line, const char *rev) {
  if (!state)
    return;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(state->msgManArrayMutex);
  increment(totalCounter(type));
  if (filterResult() & kFiltered)
    return;
  for (size_t i = 0; i < state->msgManPtrArray.size(); ++i)
    state->msgManPtrArray[i]->printMsg(type, text, num, lib, file, line, rev);
  increment(passCounter(type));
}

void Port_MsgDispatcher::printMsg(Port_MsgMan::MsgType type, const wchar_t *text, int num,
                                  const char *lib, const char *file, int line, const char *rev,
                                  bool skip, bool count) {
  if (!state)
    return;
  if (count)
    increment(totalCounter(type));
  if (skip)
    return;
  if (count)
    increment(passCounter(type));
  for (size_t i = 0; i < state->msgManPtrArray.size(); ++i)
    state->msgManPtrArray[i]->printMsg(type, text, num, lib, file, line, rev);
}

unsigned Port_MsgDispatcher::getStatCount() { return Port_statCount.load(); }
unsigned Port_MsgDispatcher::getIntCount() { return Port_intCount.load(); }
unsigned Port_MsgDispatcher::getFatalCount() { return Port_fatalCount.load(); }
unsigned Port_MsgDispatcher::getUserFatalCount() { return Port_userFatalCount.load(); }
unsigned Port_MsgDispatcher::getDbgCount() { return Port_dbgCount.load(); }
unsigned Port_MsgDispatcher::getErrCount(bool all) {
  return all ? Port_errCount.load() : Port_errPassCount.load();
}
unsigned Port_MsgDispatcher::getWarnCount(bool all) {
  return all ? Port_warnCount.load() : Port_warnPassCount.load();
}
unsigned Port_MsgDispatcher::getInfoCount(bool all) {
  return all ? Port_infoCount.load() : Port_infoPassCount.load();
}

void Port_MsgDispatcher::resetStatCount() { Port_statCount = 0; }
void Port_MsgDispatcher::resetIntCount() { Port_intCount = 0; }
void Port_MsgDispatcher::resetFatalCount() { Port_fatalCount = 0; }
void Port_MsgDispatcher::resetUserFatalCount() { Port_userFatalCount = 0; }
void Port_MsgDispatcher::resetDbgCount() { Port_dbgCount = 0; }
void Port_MsgDispatcher::resetErrCount() {
  Port::MsgDispatcherGuard guard;
  Port_errCount = 0;
  Port_errPassCount = 0;
}
void Port_MsgDispatcher::resetWarnCount() {
  Port::MsgDispatcherGuard guard;
  Port_warnCount = 0;
  Port_warnPassCount = 0;
}
void Port_MsgDispatcher::resetInfoCount() {
  Port::MsgDispatcherGuard guard;
  Port_infoCount = 0;
  Port_infoPassCount = 0;
}

void Port_MsgDispatcher::enable() { Port_enabled = true; }
void Port_MsgDispatcher::disable() { Port_enabled = false; }
bool Port_MsgDispatcher::isEnabled() { return Port_enabled.load(); }

const wchar_t *Port_MsgDispatcher::getMsgHeader(Port_MsgMan::MsgType type) {
  return msgtypes::isValid(type) ? Port_msgHeaders[type] : nullptr;
}

const char *Port_MsgDispatcher::getTypeTag(Port_MsgMan::MsgType type) {
  return msgtypes::isValid(type) ? typeTagNames[type] : nullptr;
}

wchar_t *Port_MsgDispatcher::getCopyright() {
  return UT_STR::WDup(L"Copyright (c) 1996-2026 Quelmo Design Systems, Inc.  All rights reserved.");
}

Port_MsgMan *Port_MsgDispatcher::getDefaultMsgMan() {
  return state ? state->defaultMsgMan : nullptr;
}

bool Port_MsgDispatcher::addMsgMan(Port_MsgMan *mgr) {
  if (!state)
    return false;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(state->msgManArrayMutex);
  state->msgManPtrArray.push_back(mgr);
  return true;
}

bool Port_MsgDispatcher::removeMsgMan(Port_MsgMan *mgr) {
  if (!state)
    return false;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(state->msgManArrayMutex);
  auto &list = state->msgManPtrArray;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (*it == mgr) {
      list.erase(it);
      return true;
    }
  }
  return false;
}

bool Port_MsgDispatcher::containsMsgMan(Port_MsgMan *mgr) {
  if (!state)
    return false;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(state->msgManArrayMutex);
  for (Port_MsgMan *m : state->msgManPtrArray)
    if (m == mgr)
      return true;
  return false;
}

Port_MsgManList Port_MsgDispatcher::getAllMsgMans() {
  Port_MsgManList list;
  if (!state)
    return list;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(state->msgManArrayMutex);
  for (Port_MsgMan *m : state->msgManPtrArray)
    list.append(m);
  return list;
}

void Port_MsgDispatcher::setMaxLineWidth(int width) {
  if (!state)
    return;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(state->msgManArrayMutex);
  for (size_t i = 0; i < state->msgManPtrArray.size(); ++i)
    state->msgManPtrArray[i]->setMaxLineWidth(width);
}

void Port_MsgDispatcher::setAbort(AbortFn fn) {
  if (!state)
    return;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(state->abortArrayMutex);
  state->abortArray.push_back(fn);
}

void Port_MsgDispatcher::unsetAbort(AbortFn fn) {
  if (!state)
    return;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(state->abortArrayMutex);
  auto &fns = state->abortArray;
  for (auto it = fns.begin(); it != fns.end(); ++it) {
    if (*it == fn) {
      fns.erase(it);
      return;
    }
  }
}

Port_MsgDispatcher::AbortFn Port_MsgDispatcher::getDefaultAbortFn() { return &defaultAbort; }

void Port_MsgDispatcher::abort() {
  if (!state) {
    defaultAbort();
    return;
  }
  // Run from a snapshot with the lock released: the default function ends the process, and
  // the clean-up that exit runs tears the dispatcher (and this lock) down.
  std::vector<AbortFn> fns;
  {
    Port_ThrGuard<Port_ThrRecursiveLock> guard(state->abortArrayMutex);
    fns = state->abortArray;
  }
  for (auto it = fns.rbegin(); it != fns.rend(); ++it)
    (*it)();
}

void Port_MsgDispatcher::exit(int value) { platform::ExitProcess(value); }

void Port_MsgDispatcher::setExitVal(int value) {
  if (!state)
    return;
  Port_ThrGuard<Port_ThrMutex> guard(state->exitValMutex);
  state->exitVal = value;
}

int Port_MsgDispatcher::getExitVal() {
  if (!state)
    return 0;
  Port_ThrGuard<Port_ThrMutex> guard(state->exitValMutex);
  return state->exitVal;
}
