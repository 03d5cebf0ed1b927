// Port_MsgDispatcher.cpp - the process-wide message switchboard: counters, the list of
// managers, the routing of each issued message, and the abort functions.
//
// Locks of the message system, in the order they are taken:
//   1. the dispatcher lock (msgManArrayMutex, recursive);
//   2. a manager's writing lock (Port_MsgManDefaultImp), taken by msgWrite;
//   3. a message stream's list locks (Port_MsgStreamImp), one at a time;
//   4. leaves, under which nothing else is locked and nothing is reported: the catalogue's
//      table lock, the abort list, the exit value (a manager's fields are atomics).
// The XML log and the new-message detector are kept under the dispatcher lock itself: writing
// the log may report a write error, and reading the previous log may report it corrupt.
// An issued message is looked up, formatted and laid out for the console manager before the
// dispatcher lock, in the issuing thread (msg/msgprep.h); that takes only leaves (the
// catalogue's table lock; the console manager's settings are atomics) and may issue a further
// message of its own (a message file that cannot be read) before this one is counted. Under the
// dispatcher lock the message is counted, filtered, handed to the managers in the order the
// lock is taken, and logged; so the lines of one message never mix with another's and each
// thread's messages keep their order.
// Issuing a message takes the dispatcher lock, so a thread reports nothing while it holds a
// lock of rank 2 or 3 unless it already holds the dispatcher lock; every path that takes a
// writing or list lock and may report under it (writing, flushing and removing streams) takes
// the dispatcher lock first. Reports of the library's own misuse checks are collected and
// issued after the lower lock is released.
//
// Lifetime: a fatal message ends the process with exit while other threads may still be
// issuing, and exit runs finalize. So every operation that reaches the state counts itself as
// a visitor and works only while the dispatcher is open; the default abort function closes it
// before the process exits (queued messages are dropped), and finalize frees the state only
// when no other thread is inside. Otherwise the state stays where it is for the few moments
// the process has left.
#include "Port_MsgDispatcher.h"

#include "Cit_Factory.h"
#include "Port_Env.h"
#include "Port_File.h"
#include "Port_Message.h"
#include "Port_MsgFilter.h"
#include "Port_MsgManData.h"
#include "Port_MsgXml.h"
#include "Port_Thr.h"
#include "basutstr.h"
#include "basutstream.h"
#include "msg/Port_MsgFilterImp.h"
#include "msg/catalogue.h"
#include "msg/libreport.h"
#include "msg/msglines.h"
#include "msg/msgprep.h"
#include "msg/msgtypes.h"
#include "msg/msgvisit.h"
#include "msg/msgxml.h"
#include "platform/exit.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

// The mutex of the dispatcher lock. Its holder only hands finished lines over and lets go
// within a few microseconds, less than it costs a thread to sleep and be woken again; so a
// thread that finds it taken looks again for a short while before it sleeps.
class BriefMutex {
public:
  void lock() {
    for (int i = 0; i < kSpins; ++i) {
      if (!m_busy.load(std::memory_order_relaxed) && m_mutex.try_lock()) {
        m_busy.store(true, std::memory_order_relaxed);
        return;
      }
      relax();
    }
    m_mutex.lock();
    m_busy.store(true, std::memory_order_relaxed);
  }
  void unlock() {
    m_busy.store(false, std::memory_order_relaxed);
    m_mutex.unlock();
  }

private:
  static constexpr int kSpins = 200;
  static void relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
  }
  std::mutex m_mutex;
  std::atomic<bool> m_busy{false};
};

struct DispatcherState {
  Port_ThrMutex exitValMutex;
  int32_t exitVal = 0;
  Port_ThrRecursiveLock abortArrayMutex;
  std::vector<Port_MsgDispatcher::AbortFn> abortArray;
  // The dispatcher lock: taken first of all message locks, recursive so that a manager may
  // issue a further message from inside its handler.
  BriefMutex msgManArrayMutex; // recursion is counted in t_lockDepth
  // Registration goes ahead of issuing threads: while one waits for the dispatcher lock, new
  // issuers wait here instead of queueing for the lock (see DispatcherLock).
  std::mutex gateMutex;
  std::condition_variable gateOpen;
  std::vector<Port_MsgMan *> msgManPtrArray;
  Port_MsgManDefault *defaultMsgMan = nullptr;
  std::wstring strArgPrefix;
  std::wstring strArgTerm;
  // Whether the console manager leaves the header out, as it read it when it was made.
  bool consoleNoHeader = false;
  // The XML log and the filter switched on from the environment, at the first message.
  std::string xmlMsgFile;
  std::string xmlFilterFile;
  std::string filterAppName;
  bool environmentPending = false;
  // The open XML log, and the detector of new messages with the name it reads (which it
  // does not copy).
  UT_STREAM *xmlStream = nullptr;
  // Keeps the open-file table (which owns the log's stream) alive while the log is open: the
  // dispatcher may be finalised after the file services.
  std::unique_ptr<Port_FileInit> xmlFileUse;
  std::unique_ptr<Port::DeltaMsg> deltaMsgPtr;
  std::string deltaMsgFile;
  // The active filter, consulted while Port_useFilter is set.
  std::unique_ptr<Port_MsgFilterImp> msgFilterPtr;
};

DispatcherState *state = nullptr;

std::atomic<bool> s_open{false};
// Threads inside the state: a thread counts once, however deep its visits nest.
std::atomic<int32_t> s_visitors{0};
// The library is loaded with the program, so its thread-local words can use the fast model.
#define PORT_FAST_TLS __attribute__((tls_model("initial-exec")))
thread_local int32_t t_visits PORT_FAST_TLS = 0;
// How many times this thread holds the dispatcher lock.
thread_local int32_t t_lockDepth PORT_FAST_TLS = 0;
// Set while this thread writes the XML log: a write error reported meanwhile is not logged.
thread_local bool t_writingLog PORT_FAST_TLS = false;

void enterVisit() {
  if (t_visits++ == 0)
    s_visitors.fetch_add(1);
}

void leaveVisit() {
  if (--t_visits == 0)
    s_visitors.fetch_sub(1);
}
// Threads waiting to add or remove a manager (or to read the list).
std::atomic<int32_t> s_registering{0};

// Takes the dispatcher lock, if the dispatcher is open; false when it is closed. A thread that
// holds the lock already takes it again (it is recursive) whatever the state. A registration
// announces itself first; an issuer that does not hold the lock yet lets announced
// registrations go first, so adding or removing a manager waits for the messages already
// queued for the lock, not for a stream of new ones.
bool acquire(bool announce) {
  if (t_lockDepth == 0) {
    if (!s_open.load())
      return false;
    if (announce) {
      s_registering.fetch_add(1);
    } else if (s_registering.load(std::memory_order_relaxed) > 0) {
      std::unique_lock<std::mutex> gate(state->gateMutex);
      state->gateOpen.wait(gate, [] { return s_registering.load() == 0; });
    }
  }
  if (t_lockDepth == 0)
    state->msgManArrayMutex.lock();
  ++t_lockDepth;
  return true;
}

void release(bool announced) {
  if (--t_lockDepth == 0)
    state->msgManArrayMutex.unlock();
  if (announced) {
    std::lock_guard<std::mutex> gate(state->gateMutex);
    s_registering.fetch_sub(1);
    state->gateOpen.notify_all();
  }
}

// The dispatcher lock for a scope.
class DispatcherLock {
public:
  enum Kind { Issue, Register };
  explicit DispatcherLock(Kind kind = Issue)
      : m_announced(kind == Register && t_lockDepth == 0), m_held(acquire(m_announced)) {}
  ~DispatcherLock() {
    if (m_held)
      release(m_announced);
  }
  DispatcherLock(const DispatcherLock &) = delete;
  DispatcherLock &operator=(const DispatcherLock &) = delete;
  // Taken, and the dispatcher still open (a fatal message may have closed it meanwhile).
  explicit operator bool() const { return m_held && s_open.load(); }

private:
  bool m_announced;
  bool m_held;
};

// Written under the dispatcher lock, read without it: atomics keep the unlocked reads defined.
std::atomic<bool> Port_enabled{true};
std::atomic<bool> Port_useFilter{false};
std::atomic<uint32_t> Port_statCount{0}, Port_errCount{0}, Port_warnCount{0}, Port_infoCount{0},
    Port_errPassCount{0}, Port_warnPassCount{0}, Port_infoPassCount{0}, Port_intCount{0},
    Port_fatalCount{0}, Port_userFatalCount{0}, Port_dbgCount{0};

const wchar_t *const Port_msgHeaders[] = {L"ERROR", L"WARNING",        L"",
                                          L"DEBUG", L"INTERNAL_ERROR", L"FATAL_ERROR",
                                          L"ERROR", L"INFO",           L"EXCEPTION"};
const char *const typeTagNames[] = {"error", "warning",    "status", "debug",    "internal",
                                    "fatal", "user_fatal", "info",   "exception"};

std::atomic<uint32_t> *totalCounter(Port_MsgMan::MsgType type) {
  switch (type) {
  case Port_MsgMan::MSG_ERROR:
    return &Port_errCount;
  case Port_MsgMan::MSG_WARNING:
    return &Port_warnCount;
  case Port_MsgMan::MSG_STATUS:
    return &Port_statCount;
  case Port_MsgMan::MSG_DEBUG:
    return &Port_dbgCount;
  case Port_MsgMan::MSG_INTERNAL:
    return &Port_intCount;
  case Port_MsgMan::MSG_FATAL:
    return &Port_fatalCount;
  case Port_MsgMan::MSG_USER_FATAL:
    return &Port_userFatalCount;
  case Port_MsgMan::MSG_INFO:
    return &Port_infoCount;
  default:
    return nullptr;
  }
}

std::atomic<uint32_t> *passCounter(Port_MsgMan::MsgType type) {
  switch (type) {
  case Port_MsgMan::MSG_ERROR:
    return &Port_errPassCount;
  case Port_MsgMan::MSG_WARNING:
    return &Port_warnPassCount;
  case Port_MsgMan::MSG_INFO:
    return &Port_infoPassCount;
  default:
    return nullptr;
  }
}

const LibraryReport report(__FILE__, "$Revision: 1.2 $");

void increment(std::atomic<uint32_t> *counter) {
  if (counter)
    counter->fetch_add(1, std::memory_order_relaxed);
}

void defaultAbort() {
  const int value = Port_MsgDispatcher::getExitVal();
  if (value != 0 && Port_Env::GetEnv("QEL_DROPCORE"))
    platform::TerminateProcess(value);
  // No further work from here on: the clean-up that exit runs must not meet threads that
  // are still delivering messages.
  s_open = false;
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
    msgprep::Message::handing(copy);
    (state->msgManPtrArray[i]->*handler)(lib, file, line, rev, alias, copy);
    va_end(copy);
  }
}

void forEachManager(msgtypes::NumHandler handler, const char *lib, const char *file, int line,
                    const char *rev, int num, va_list args) {
  for (size_t i = 0; i < state->msgManPtrArray.size(); ++i) {
    va_list copy;
    va_copy(copy, args);
    msgprep::Message::handing(copy);
    (state->msgManPtrArray[i]->*handler)(lib, file, line, rev, num, copy);
    va_end(copy);
  }
}

// Bit 0 of a filter result: filtered; bit 1: highlighted.
const int kFiltered = 1;

// The XML log, under the dispatcher lock. Each element is one line in UTF-8, flushed at once
// so that a killed run leaves every message issued so far.
void writeLog(std::string &line) {
  if (!state->xmlStream || t_writingLog)
    return;
  t_writingLog = true;
  line += '\n';
  state->xmlStream->write(reinterpret_cast<const unsigned char *>(line.data()),
                          static_cast<unsigned>(line.size()));
  state->xmlStream->flush(true);
  t_writingLog = false;
}

void writeLog(const wchar_t *element) {
  std::unique_ptr<char[]> bytes(Port::wcs2utf8s(element));
  std::string line = bytes.get();
  writeLog(line);
}

// Whether a file that is already there may be taken over as the log: it is empty, or it is a
// log of ours (it starts with the log's header, the XML declaration and the comment before the
// root element, as even the log of a killed run does). A file that cannot be read is taken over
// as before; the tracking reports it.
bool mayReplaceWithLog(const char *file) {
  if (!Port_File::isfile(file) || !Port_File::canread(file))
    return true;
  std::unique_ptr<wchar_t[]> wideHeader(Port::MsgDisp::createXmlRootOpen());
  std::unique_ptr<char[]> header(Port::wcs2utf8s(wideHeader.get()));
  const char *root = std::strstr(header.get(), "<messages>");
  const size_t length = root ? static_cast<size_t>(root - header.get()) : std::strlen(header.get());
  header[length] = '\0';
  UT_STREAM *in = Port_File::open(file, UT_STREAM::Read, 0);
  if (!in)
    return true;
  std::string start(length, '\0');
  const unsigned got =
      in->read(reinterpret_cast<unsigned char *>(&start[0]), static_cast<unsigned>(length));
  Port_File::close(in);
  start.resize(got);
  return got == 0 || start == header.get();
}

// Warns about a file that must not be replaced by the log; true when it is such a file.
bool refuseForeignFile(const char *file) {
  if (mayReplaceWithLog(file))
    return false;
  report(__LINE__)->issueWarning("The file \"%s\" is not a message log, therefore it is left "
                                 "as it is and messages will not be logged.\n",
                                 file);
  return true;
}

bool openLog(const char *file) {
  if (state->xmlStream || !file || !*file || refuseForeignFile(file))
    return false;
  auto fileUse = std::make_unique<Port_FileInit>();
  UT_STREAM *stream = Port_File::open(file, UT_STREAM::Write, 1);
  if (!stream) {
    report(__LINE__)->issueWarning("The message log \"%s\" cannot be written (%s), therefore "
                                   "messages will not be logged.\n",
                                   file, UT_STR::Error(Port_File::geterror()));
    return false;
  }
  state->xmlStream = stream;
  state->xmlFileUse = std::move(fileUse);
  std::unique_ptr<wchar_t[]> header(Port::MsgDisp::createXmlRootOpen());
  writeLog(header.get());
  return true;
}

void closeLog() {
  if (!state->xmlStream)
    return;
  std::unique_ptr<wchar_t[]> tail(Port::MsgDisp::createXmlRootClose());
  writeLog(tail.get());
  UT_STREAM *stream = state->xmlStream;
  state->xmlStream = nullptr;
  Port_File::close(stream);
  state->xmlFileUse.reset();
}

// The log and filter named by the environment start with the first message, when the
// installation and the file services are surely up. Under the dispatcher lock.
void startFromEnvironment() {
  if (!state->environmentPending)
    return;
  state->environmentPending = false;
  if (!state->xmlMsgFile.empty())
    Port_MsgDispatcher::turnOnXmlMsg(state->xmlMsgFile.c_str(), true);
  if (!state->xmlFilterFile.empty())
    Port_MsgDispatcher::turnOnFiltering(state->xmlFilterFile.c_str(), state->filterAppName.c_str());
}

// The environment's log and filter come first: they are applied before the first message and
// before the first call that turns the log or the filter on or off or asks about the filter.
void applyEnvironment() {
  msgvisit::Visit visit;
  DispatcherLock guard(DispatcherLock::Register);
  if (visit && guard)
    startFromEnvironment();
}

const char *aliasFor(const char *alias, const Port_Message *) { return alias; }
const char *aliasFor(int, const Port_Message *msg) { return msg ? msg->getMsgAlias() : nullptr; }

// Filters and logs a message looked up in the catalogue; deliver passes it on when it is not
// filtered. The element is built from the arguments the prepared message formatted, when there
// is one. Returns the filter result. Under the dispatcher lock.
template <class Deliver>
int filterAndLog(Port_MsgMan::MsgType type, const char *lib, const char *file, int line,
                 const char *rev, const char *alias, const Port_Message *msg, va_list args,
                 msgprep::Message *prepared, Deliver deliver) {
  const bool logging = state->xmlStream && !t_writingLog;
  const bool filtering = Port_useFilter.load() && state->msgFilterPtr;
  const char *tag = Port_MsgDispatcher::getTypeTag(type);
  const int mask =
      filtering ? static_cast<int>(state->msgFilterPtr->Matches(lib, alias, msg, tag, args)) : 0;
  if (!(mask & kFiltered))
    deliver();
  if (!logging || !state->xmlStream)
    return mask;
  // The arguments are formatted once, for the text, the argument string and the element.
  msgxml::Args own;
  if (!prepared)
    own = msgxml::format(alias, args);
  const msgxml::Args &formatted = prepared ? prepared->args(args) : own;
  // Under the dispatcher lock: these buffers serve every message.
  static std::string element, key;
  element.clear();
  Port::DeltaMsg::ResultType delta = Port::DeltaMsg::UNKNOWN_MSG;
  if (state->deltaMsgPtr) {
    key.clear();
    msgxml::appendKey(key, lib, tag, msg ? msg->getMsgNum() : 0);
    msgxml::appendArgString(element, alias, msg, formatted);
    delta = state->deltaMsgPtr->isNewMsg(key, element) ? Port::DeltaMsg::NEW_MSG
                                                       : Port::DeltaMsg::OLD_MSG;
    element.clear();
  }
  msgxml::appendElement(element, alias, msg, type, lib, file, line, rev,
                        static_cast<unsigned>(mask), delta, formatted);
  writeLog(element);
  if (element.capacity() > 65536)
    std::string().swap(element);
  return mask;
}

// An error, warning or info: filtered or passed to the managers, then logged.
template <class Key, class Handler>
void issueLogged(Port_MsgMan::MsgType type, Handler handler, const msglines::Source &src, Key key,
                 msgprep::Message &prepared, va_list args) {
  const Port_Message *msg = prepared.msg();
  filterAndLog(type, src.lib, src.file, src.line, src.rev, aliasFor(key, msg), msg, args, &prepared,
               [&] {
                 increment(passCounter(type));
                 forEachManager(handler, src.lib, src.file, src.line, src.rev, key, args);
               });
}

msglines::Source sourceOf(const char *lib, const char *file, int line, const char *rev,
                          const char *) {
  return msglines::Source{lib, file, line, rev, 0};
}
msglines::Source sourceOf(const char *lib, const char *file, int line, const char *rev, int num) {
  return msglines::Source{lib, file, line, rev, num};
}
const char *aliasKey(const char *alias) { return alias; }
const char *aliasKey(int) { return nullptr; }

// The console manager's lines, laid out in the issuing thread for its settings of the moment:
// under the lock it only writes them (and lays them out again should its settings have changed
// meanwhile). Its settings are leaves, read here without the dispatcher lock.
void prepareConsole(Port_MsgMan::MsgType type, msgprep::Message &prepared) {
  Port_MsgMan *console = state->defaultMsgMan;
  if (msgtypes::isFatalType(type) || !prepared.text() || !console->isEnabled() ||
      !console->isMsgOn(type))
    return;
  prepared.console(console->getClean() != 0, console->getMaxLineWidth(), state->consoleNoHeader);
}

// The common road of every issued message. The message is looked up, formatted and laid out
// first, in the issuing thread; the dispatcher lock then only hands it to the managers in the
// order the lock is taken. Errors, warnings and infos may be filtered and have a pass counter;
// fatal types ignore the enabled switch.
template <class Key, class Handler>
void issue(Port_MsgMan::MsgType type, Handler handler, const char *lib, const char *file, int line,
           const char *rev, Key key, va_list args) {
  msgvisit::Visit visit;
  if (!visit)
    return;
  const bool fatal = msgtypes::isFatalType(type);
  if (!Port_enabled.load() && !fatal)
    return;
  const msglines::Source src = sourceOf(lib, file, line, rev, key);
  msgprep::Message prepared(type, src, aliasKey(key), args);
  prepareConsole(type, prepared);
  DispatcherLock guard;
  if (!guard)
    return;
  if (!Port_enabled.load() && !fatal)
    return;
  increment(totalCounter(type));
  startFromEnvironment();
  if (msgtypes::isFilteredType(type))
    issueLogged(type, handler, src, key, prepared, args);
  else
    forEachManager(handler, lib, file, line, rev, key, args);
}

// fn(the list of managers), visiting the dispatcher and holding its lock to register; fallback
// when the dispatcher is not up or has closed.
template <class R, class Fn> R withManagers(R fallback, Fn fn) {
  msgvisit::Visit visit;
  DispatcherLock guard(DispatcherLock::Register);
  if (!visit || !guard)
    return fallback;
  return fn(state->msgManPtrArray);
}

} // namespace

int Port_MsgDispatcherInit::counter = 0;

msgvisit::Visit::Visit() {
  enterVisit();
  m_open = s_open.load();
}

msgvisit::Visit::~Visit() { leaveVisit(); }

Port_MsgDispatcherInit::Port_MsgDispatcherInit() {
  if (counter++ == 0)
    Port_MsgDispatcher::initialize();
}

Port_MsgDispatcherInit::~Port_MsgDispatcherInit() {
  if (--counter == 0)
    Port_MsgDispatcher::finalize();
}

void Port_MsgDispatcher::initialize() {
  if (state) { // left in place by a finalize that met other threads
    s_open = true;
    return;
  }
  state = new DispatcherState;
  state->strArgPrefix = L"!%";
  state->strArgTerm = L"!";
  state->abortArray.push_back(&defaultAbort);
  state->defaultMsgMan = new Port_MsgManDefault(nullptr);
  state->consoleNoHeader = Port_Env::GetEnv("QEL_NO_MESSAGE_HEADER") != nullptr;
  state->msgManPtrArray.push_back(state->defaultMsgMan);
  catalogue::initialize();
  for (auto [name, field] : {std::pair{"XML_MSG_FILE", &state->xmlMsgFile},
                             std::pair{"XML_FILTER_FILE", &state->xmlFilterFile},
                             std::pair{"FILTER_APP_NAME", &state->filterAppName}}) {
    if (const char *value = Port_Env::GetEnv(name))
      *field = value;
  }
  state->environmentPending = !state->xmlMsgFile.empty() || !state->xmlFilterFile.empty();
  s_open = true;
}

void Port_MsgDispatcher::finalize() {
  if (!state)
    return;
  s_open = false;
  if (s_visitors.load() != (t_visits > 0 ? 1 : 0)) {
    state->defaultMsgMan->flush();
    return;
  }
  catalogue::finalize();
  Port_useFilter = false;
  state->msgFilterPtr.reset();
  state->deltaMsgPtr.reset();
  state->defaultMsgMan->flush();
  delete state->defaultMsgMan;
  state->msgManPtrArray.clear();
  closeLog();
  delete state;
  state = nullptr;
}

// The lock is held across calls here, so the outermost lock starts a visit and its unlock
// ends it. A thread that could not lock (the dispatcher was closed) does not unlock either.
void Port_MsgDispatcher::lock() {
  if (t_lockDepth > 0) {
    acquire(false);
    return;
  }
  enterVisit();
  if (!acquire(false))
    leaveVisit();
}

void Port_MsgDispatcher::unlock() {
  if (t_lockDepth == 0)
    return;
  release(false);
  if (t_lockDepth == 0)
    leaveVisit();
}

Port::MsgDispatcherGuard::MsgDispatcherGuard() { Port_MsgDispatcher::lock(); }
Port::MsgDispatcherGuard::~MsgDispatcherGuard() { Port_MsgDispatcher::unlock(); }

#define PORT_ISSUE_BY_ALIAS(name, type)                                                            \
  void Port_MsgDispatcher::name(const char *lib, const char *file, int line, const char *rev,      \
                                const char *alias, va_list args) {                                 \
    issue(type, msgtypes::aliasHandler(type), lib, file, line, rev, alias, args);                  \
  }
#define PORT_ISSUE_BY_NUM(name, type)                                                              \
  void Port_MsgDispatcher::name(const char *lib, const char *file, int line, const char *rev,      \
                                int num, va_list args) {                                           \
    issue(type, msgtypes::numHandler(type), lib, file, line, rev, num, args);                      \
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

void Port_MsgDispatcher::issueFatalMsg(const char *lib, const char *file, int line, const char *rev,
                                       int, const char *alias, va_list args) {
  issue(Port_MsgMan::MSG_FATAL, &Port_MsgMan::msgFatal, lib, file, line, rev, alias, args);
}

void Port_MsgDispatcher::issueUserFatalMsg(const char *lib, const char *file, int line,
                                           const char *rev, int, const char *alias, va_list args) {
  issue(Port_MsgMan::MSG_USER_FATAL, &Port_MsgMan::msgUserFatal, lib, file, line, rev, alias, args);
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

void Port_MsgDispatcher::printMsg(Port_MsgMan::MsgType type, const wchar_t *text, const char *lib,
                                  const char *file, int line, const char *rev) {
  msgvisit::Visit visit;
  DispatcherLock guard;
  if (!visit || !guard)
    return;
  increment(totalCounter(type));
  for (size_t i = 0; i < state->msgManPtrArray.size(); ++i)
    state->msgManPtrArray[i]->printMsg(type, text, lib, file, line, rev);
  increment(passCounter(type));
}

void Port_MsgDispatcher::printMsg(Port_MsgMan::MsgType type, const wchar_t *text, int num,
                                  const char *lib, const char *file, int line, const char *rev) {
  msgvisit::Visit visit;
  DispatcherLock guard;
  if (!visit || !guard)
    return;
  increment(totalCounter(type));
  startFromEnvironment();
  const int mask = Port_useFilter.load() && state->msgFilterPtr
                       ? static_cast<int>(state->msgFilterPtr->MatchText(
                             lib, static_cast<unsigned>(num), getTypeTag(type), text))
                       : 0;
  if (!(mask & kFiltered)) {
    for (size_t i = 0; i < state->msgManPtrArray.size(); ++i)
      state->msgManPtrArray[i]->printMsg(type, text, num, lib, file, line, rev);
    increment(passCounter(type));
  }
  if (state->xmlStream && !t_writingLog) {
    std::string element;
    msgxml::appendElement(element, text, type, lib, static_cast<unsigned>(mask & kFiltered), file,
                          line, rev, num);
    writeLog(element);
  }
}

// For tools that show messages themselves: the text, filtered and logged as an issued message
// would be (without a source location), but neither counted nor passed to the managers.
wchar_t *Port_MsgDispatcher::translateMsgVa(int *num, const char *lib, Port_MsgMan::MsgType type,
                                            bool &filtered, const char *alias, va_list args) {
  filtered = false;
  wchar_t *text = translateMsgVa(num, lib, alias, args);
  msgvisit::Visit visit;
  if (!visit)
    return text;
  DispatcherLock guard;
  if (!guard)
    return text;
  startFromEnvironment();
  const Port_Message *msg = lookupMsg(lib, alias);
  const int mask = filterAndLog(type, lib, "", 0, "", alias, msg, args, nullptr, [] {});
  filtered = (mask & kFiltered) != 0;
  return text;
}

// Under the dispatcher lock like the other forms: without it a manager removed (and destroyed)
// by another thread could still be called.
void Port_MsgDispatcher::printMsg(Port_MsgMan::MsgType type, const wchar_t *text, int num,
                                  const char *lib, const char *file, int line, const char *rev,
                                  bool skip, bool count) {
  msgvisit::Visit visit;
  if (!visit)
    return;
  if (count)
    increment(totalCounter(type));
  if (skip)
    return;
  if (count)
    increment(passCounter(type));
  DispatcherLock guard;
  if (!guard)
    return;
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
  msgvisit::Visit visit;
  DispatcherLock guard;
  Port_errCount = 0;
  Port_errPassCount = 0;
}
void Port_MsgDispatcher::resetWarnCount() {
  msgvisit::Visit visit;
  DispatcherLock guard;
  Port_warnCount = 0;
  Port_warnPassCount = 0;
}
void Port_MsgDispatcher::resetInfoCount() {
  msgvisit::Visit visit;
  DispatcherLock guard;
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
  msgvisit::Visit visit;
  return visit ? state->defaultMsgMan : nullptr;
}

bool Port_MsgDispatcher::addMsgMan(Port_MsgMan *mgr) {
  return withManagers(false, [mgr](std::vector<Port_MsgMan *> &list) {
    list.push_back(mgr);
    return true;
  });
}

bool Port_MsgDispatcher::removeMsgMan(Port_MsgMan *mgr) {
  return withManagers(false, [mgr](std::vector<Port_MsgMan *> &list) {
    auto it = std::find(list.begin(), list.end(), mgr);
    if (it == list.end())
      return false;
    list.erase(it);
    return true;
  });
}

bool Port_MsgDispatcher::containsMsgMan(Port_MsgMan *mgr) {
  return withManagers(false, [mgr](std::vector<Port_MsgMan *> &list) {
    return std::find(list.begin(), list.end(), mgr) != list.end();
  });
}

Port_MsgManList Port_MsgDispatcher::getAllMsgMans() {
  return withManagers(Port_MsgManList(), [](std::vector<Port_MsgMan *> &list) {
    Port_MsgManList all;
    for (Port_MsgMan *m : list)
      all.append(m);
    return all;
  });
}

void Port_MsgDispatcher::setMaxLineWidth(int width) {
  withManagers(false, [width](std::vector<Port_MsgMan *> &list) {
    for (size_t i = 0; i < list.size(); ++i)
      list[i]->setMaxLineWidth(width);
    return true;
  });
}

void Port_MsgDispatcher::setAbort(AbortFn fn) {
  msgvisit::Visit visit;
  if (!visit)
    return;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(state->abortArrayMutex);
  state->abortArray.push_back(fn);
}

void Port_MsgDispatcher::unsetAbort(AbortFn fn) {
  msgvisit::Visit visit;
  if (!visit)
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
  // Run from a snapshot with the lock released: the default function ends the process, and
  // the clean-up that exit runs tears the dispatcher (and this lock) down.
  std::vector<AbortFn> fns;
  {
    msgvisit::Visit visit;
    if (!visit) {
      defaultAbort();
      return;
    }
    Port_ThrGuard<Port_ThrRecursiveLock> guard(state->abortArrayMutex);
    fns = state->abortArray;
  }
  for (auto it = fns.rbegin(); it != fns.rend(); ++it)
    (*it)();
}

void Port_MsgDispatcher::exit(int value) { platform::ExitProcess(value); }

void Port_MsgDispatcher::setExitVal(int value) {
  msgvisit::Visit visit;
  if (!visit)
    return;
  Port_ThrGuard<Port_ThrMutex> guard(state->exitValMutex);
  state->exitVal = value;
}

int Port_MsgDispatcher::getExitVal() {
  msgvisit::Visit visit;
  if (!visit)
    return 0;
  Port_ThrGuard<Port_ThrMutex> guard(state->exitValMutex);
  return state->exitVal;
}

bool Port_MsgDispatcher::turnOnXmlMsg(const char *file) {
  msgvisit::Visit visit;
  DispatcherLock guard(DispatcherLock::Register);
  if (!visit || !guard)
    return false;
  startFromEnvironment();
  return openLog(file);
}

// The log is checked before the detector reads anything: while a log is open on the file, its
// contents are this run's messages, not the previous run's.
bool Port_MsgDispatcher::turnOnXmlMsg(const char *file, bool track) {
  if (!track)
    return turnOnXmlMsg(file);
  msgvisit::Visit visit;
  DispatcherLock guard(DispatcherLock::Register);
  if (!visit || !guard)
    return false;
  startFromEnvironment();
  if (!file || !*file || state->deltaMsgPtr || state->xmlStream || refuseForeignFile(file))
    return false;
  state->deltaMsgFile = file;
  auto delta = std::make_unique<Port::DeltaMsg>(state->deltaMsgFile.c_str());
  if (Port_File::canread(file)) {
    if (!delta->readXmlMsg())
      report(__LINE__)->issueWarning(
          "The message file \"%s\" is corrupt, therefore all messages will be "
          "marked as new.\n",
          file);
  } else if (Port_File::isfile(file)) {
    report(__LINE__)->issueWarning(
        "The message data file \"%s\" is not readable, therefore all "
        "messages will be marked as new. To resolve this issue, please modify "
        "the file permission settings of the message data file.\n",
        file);
  }
  if (!openLog(file))
    return false;
  state->deltaMsgPtr = std::move(delta);
  return true;
}

void Port_MsgDispatcher::turnOnFiltering(const char *filterFile, const char *appName) {
  applyEnvironment();
  if (!filterFile || !*filterFile || !Port_File::isfile(filterFile))
    return;
  if (!Port_File::canread(filterFile)) {
    report(__LINE__)->issueWarning(
        "The message filter file \"%s\" is not readable, therefore messages "
        "will be not be filtered. To resolve this issue, please modify the "
        "file permission setting of the filter file.",
        filterFile);
    return;
  }
  msgvisit::Visit visit;
  DispatcherLock guard(DispatcherLock::Register);
  if (!visit || !guard || state->msgFilterPtr)
    return;
  state->msgFilterPtr = std::make_unique<Port_MsgFilterImp>(filterFile, appName);
  Port_useFilter = state->msgFilterPtr->ReadFilterFile();
  if (state->msgFilterPtr->IsMalformed())
    report(__LINE__)->issueWarning(
        "The message filter file \"%s\" is malformed, therefore messages will "
        "not be filtered.\n",
        filterFile);
}

void Port_MsgDispatcher::turnOffFiltering() {
  msgvisit::Visit visit;
  DispatcherLock guard(DispatcherLock::Register);
  if (!visit || !guard)
    return;
  startFromEnvironment();
  Port_useFilter = false;
  state->msgFilterPtr.reset();
}

bool Port_MsgDispatcher::isFilteringOn() {
  applyEnvironment();
  return Port_useFilter.load();
}

const Port::QUID &UtilI::IMessageFiltering::InterfaceID() {
  static const Port::QUID *id = new Port::QUID("{bf2cf11a-4f17-4851-bf24-a31da3ba1e61}");
  return *id;
}

const Port::QUID &Port::CMessageFilteringCompID() {
  static const Port::QUID *id = new Port::QUID("{ed59281d-36f1-4476-a649-294b5dba7ae9}");
  return *id;
}

const char *Port::CMessageFilteringLibraryName() { return "libQuelmoUtil"; }

// The component is called without the dispatcher lock: it may switch filtering itself.
bool Port_MsgDispatcher::controlMessageProcessing(const char *control) {
  const char *library = Port::CMessageFilteringLibraryName();
  if (!CitP::Factory::LoadLibraryFactory(Port::StringBase<char>(library))) {
    report(__LINE__)->issueWarning("Runtime library \"%s\" either doesn't exist or is corrupt.\n",
                                   library);
    return false;
  }
  CitP::InstanceRef instance = CitP::Factory::CreateInstanceRef(Port::CMessageFilteringCompID());
  if (!instance)
    return false;
  // An object hands out the interface named by the identifier, so the cast is by contract.
  auto *filtering = static_cast<UtilI::IMessageFiltering *>(
      instance->GetInterface(UtilI::IMessageFiltering::InterfaceID()));
  if (!filtering)
    return false;
  return filtering->ControlMessageProcessing(Port::StringBase<char>(control ? control : ""));
}
