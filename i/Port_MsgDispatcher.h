// Port_MsgDispatcher.h - the process-wide switchboard every message passes through: counting
// by type, catalogue lookup, filtering, hand-over to the registered managers, and the abort
// functions that end the process after a fatal message.
//
// Threads: every operation may be called from any thread. Issuing, printing, the manager list,
// the XML log and the filter serialise on the dispatcher lock, which is recursive (a manager may
// issue from its handler) and taken before every other message lock; hold a
// Port::MsgDispatcherGuard to keep several messages together. Counters and switches are atomic;
// the catalogue, the abort functions and the exit value have locks of their own.
// controlMessageProcessing loads its component through the factory, whose registry is unlocked.
#ifndef PORT_MSGDISPATCHER_H
#define PORT_MSGDISPATCHER_H

#include "Port_Export.h"

#include "Port_MsgMan.h"

#include <cstdarg>

class Port_Message;
class Port_SsInfo;
class Port_MsgManListImp;

// A position in a Port_MsgManList.
class PORT_API Port_MsgManListIterator {
public:
  Port_MsgManListIterator();
  explicit Port_MsgManListIterator(Port_MsgMan *const *pos);
  Port_MsgManListIterator &operator++();
  Port_MsgManListIterator operator++(int);
  Port_MsgMan *operator*() const;
  bool operator==(const Port_MsgManListIterator &other) const;
  bool operator!=(const Port_MsgManListIterator &other) const;

private:
  Port_MsgMan *const *m_pos;
};

// A snapshot of the registered managers; copies copy the array.
class PORT_API Port_MsgManList {
public:
  Port_MsgManList();
  Port_MsgManList(const Port_MsgManList &other);
  Port_MsgManList &operator=(const Port_MsgManList &other);
  ~Port_MsgManList();
  int getNumElements() const;
  Port_MsgManListIterator begin();
  Port_MsgManListIterator end();
  Port_MsgManListIterator begin() const;
  Port_MsgManListIterator end() const;
  void append(Port_MsgMan *mgr);

private:
  Port_MsgManListImp *m_imp;
};

class PORT_API Port_MsgDispatcher {
public:
  typedef void (*AbortFn)();

  static void initialize();
  static void finalize();

  // Issue by alias; args is the list of the alias's conversions.
  static void issueStatusMsg(const char *lib, const char *file, int line, const char *rev,
                             const char *alias, va_list args);
  static void issueErrorMsg(const char *lib, const char *file, int line, const char *rev,
                            const char *alias, va_list args);
  static void issueInfoMsg(const char *lib, const char *file, int line, const char *rev,
                           const char *alias, va_list args);
  static void issueWarningMsg(const char *lib, const char *file, int line, const char *rev,
                              const char *alias, va_list args);
  static void issueInternalMsg(const char *lib, const char *file, int line, const char *rev,
                               const char *alias, va_list args);
  static void issueDebugMsg(const char *lib, const char *file, int line, const char *rev,
                            const char *alias, va_list args);
  // The exit value is not used here: the issuing front end sets it and calls abort().
  static void issueFatalMsg(const char *lib, const char *file, int line, const char *rev,
                            int exitVal, const char *alias, va_list args);
  static void issueUserFatalMsg(const char *lib, const char *file, int line, const char *rev,
                                int exitVal, const char *alias, va_list args);

  // Issue by catalogue number.
  static void issueStatusMsgByNum(const char *lib, const char *file, int line, const char *rev,
                                  int num, va_list args);
  static void issueErrorMsgByNum(const char *lib, const char *file, int line, const char *rev,
                                 int num, va_list args);
  static void issueInfoMsgByNum(const char *lib, const char *file, int line, const char *rev,
                                int num, va_list args);
  static void issueWarningMsgByNum(const char *lib, const char *file, int line, const char *rev,
                                   int num, va_list args);
  static void issueInternalMsgByNum(const char *lib, const char *file, int line, const char *rev,
                                    int num, va_list args);
  static void issueDebugMsgByNum(const char *lib, const char *file, int line, const char *rev,
                                 int num, va_list args);
  static void issueFatalMsgByNum(const char *lib, const char *file, int line, const char *rev,
                                 int exitVal, int num, va_list args);
  static void issueUserFatalMsgByNum(const char *lib, const char *file, int line, const char *rev,
                                     int exitVal, int num, va_list args);

  // Already formatted texts.
  static void printMsg(Port_MsgMan::MsgType type, const wchar_t *text, const char *lib,
                       const char *file, int line, const char *rev);
  static void printMsg(Port_MsgMan::MsgType type, const wchar_t *text, int num, const char *lib,
                       const char *file, int line, const char *rev);
  static void printMsg(Port_MsgMan::MsgType type, const wchar_t *text, int num, const char *lib,
                       const char *file, int line, const char *rev, bool skip, bool count);

  static unsigned getStatCount();
  static unsigned getErrCount(bool all);
  static unsigned getWarnCount(bool all);
  static unsigned getInfoCount(bool all);
  static unsigned getIntCount();
  static unsigned getFatalCount();
  static unsigned getUserFatalCount();
  static unsigned getDbgCount();
  static void resetStatCount();
  static void resetErrCount();
  static void resetWarnCount();
  static void resetInfoCount();
  static void resetIntCount();
  static void resetFatalCount();
  static void resetUserFatalCount();
  static void resetDbgCount();

  static void enable();
  static void disable();
  static bool isEnabled();

  static const wchar_t *getMsgHeader(Port_MsgMan::MsgType type);
  // Tag of the type in logs and filters ("error", "user_fatal", ...); null for no type.
  static const char *getTypeTag(Port_MsgMan::MsgType type);
  static wchar_t *getCopyright();

  static Port_MsgMan *getDefaultMsgMan();
  static bool addMsgMan(Port_MsgMan *mgr);
  static bool removeMsgMan(Port_MsgMan *mgr);
  static bool containsMsgMan(Port_MsgMan *mgr);
  static Port_MsgManList getAllMsgMans();
  static void setMaxLineWidth(int width);

  static void setAbort(AbortFn fn);
  static void unsetAbort(AbortFn fn);
  static AbortFn getDefaultAbortFn();
  static void abort();
  [[noreturn]] static void exit(int value);
  static void setExitVal(int value);
  static int getExitVal();

  // Catalogue.
  static Port_SsInfo *loadMsgs(const char *lib);
  static Port_Message *lookupMsg(const char *lib, const char *alias);
  static Port_Message *lookupMsgByNum(const char *lib, int num);
  static wchar_t *parseMsg(const char *alias, const Port_Message *msg, va_list args);
  static wchar_t *parseMsgByNum(int num, const Port_Message *msg, va_list args);
  static wchar_t *translateMsg(const char *lib, const char *alias, ...);
  static wchar_t *translateMsgVa(const char *lib, const char *alias, va_list args);
  static wchar_t *translateMsg(int *num, const char *lib, const char *alias, ...);
  static wchar_t *translateMsgVa(int *num, const char *lib, const char *alias, va_list args);
  // For tools that display messages themselves: also decides the filter state (returned in
  // filtered) and logs the message as an issued one would be.
  static wchar_t *translateMsgVa(int *num, const char *lib, Port_MsgMan::MsgType type,
                                 bool &filtered, const char *alias, va_list args);
  static const wchar_t *lookupMsgTranslation(const char *lib, const char *alias);
  static const wchar_t *lookupMsgTranslationByNum(const char *lib, int num);
  // The HTML or XML variant of a message ("HTML", "XML"), or null.
  static const wchar_t *lookupMsgSubClass(const char *kind, const char *lib, const char *alias);
  static const wchar_t *lookupMsgSubClassByNum(const char *kind, const char *lib, int num);
  static wchar_t *parseMsgSubClass(const char *kind, Port_MsgMan::MsgType type, const char *alias,
                                   const Port_Message *msg, va_list args);
  static wchar_t *parseMsgSubClassByNum(const char *kind, Port_MsgMan::MsgType type, int num,
                                        const Port_Message *msg, va_list args);
  static wchar_t *translateMsgSubClass(const char *kind, Port_MsgMan::MsgType type, const char *lib,
                                       const char *alias, ...);
  static wchar_t *translateMsgSubClassVa(const char *kind, Port_MsgMan::MsgType type,
                                         const char *lib, const char *alias, va_list args);

  // XML message log. Opens a log on the file (the contents of an earlier log are replaced);
  // false when a log is already open, or the file cannot be written (a warning names it and the
  // system's reason), or it is there and is not a log (it does not start with the log's header:
  // it is left as it is, with a warning). With track set, first reads the file as the log of the
  // previous run and marks every message logged new or old against it; false, and nothing
  // changed, when tracking is already on. The log and the filter that XML_MSG_FILE and
  // XML_FILTER_FILE name are applied before the first message and before the first call of
  // turnOnXmlMsg, turnOnFiltering, turnOffFiltering or isFilteringOn, so that with XML_MSG_FILE
  // set a program's own turnOnXmlMsg returns false. A run that never uses these leaves the file
  // named by XML_MSG_FILE as it was. The closing tag is written when the dispatcher is
  // finalised.
  static bool turnOnXmlMsg(const char *file);
  static bool turnOnXmlMsg(const char *file, bool track);

  // Message filtering from a filter file, for one application. A missing file is ignored; an
  // unreadable or malformed one is reported and leaves filtering off. A filter in place stays
  // (turn it off first to read another). A filtered message is counted, reaches no manager,
  // and is logged with its mark; a highlighted one is shown and logged with its mark.
  // XML_FILTER_FILE and FILTER_APP_NAME switch it on with the first message.
  static void turnOnFiltering(const char *filterFile, const char *appName);
  static void turnOffFiltering();
  static bool isFilteringOn();
  // Hands a control string to the message-filtering component of the utilities library
  // (loaded through the component factory) and returns its answer; false, with a warning,
  // when the library cannot be loaded, and false when it lacks the component.
  static bool controlMessageProcessing(const char *control);

  // Internal: the dispatcher lock (recursive), taken first of all the message locks.
  static void lock();
  static void unlock();
};

namespace Port {
// Holds the dispatcher lock for its lifetime, so several messages come out together.
class PORT_API MsgDispatcherGuard {
public:
  MsgDispatcherGuard();
  ~MsgDispatcherGuard();
  MsgDispatcherGuard(const MsgDispatcherGuard &) = delete;
  MsgDispatcherGuard &operator=(const MsgDispatcherGuard &) = delete;
};
} // namespace Port

// Counted start-up object: the first one alive builds the dispatcher, the last one to die
// tears it down. Every unit that includes this header holds one, so the dispatcher exists
// before any static object of that unit can issue a message.
class PORT_API Port_MsgDispatcherInit {
public:
  Port_MsgDispatcherInit();
  ~Port_MsgDispatcherInit();
  Port_MsgDispatcherInit(const Port_MsgDispatcherInit &) = delete;
  Port_MsgDispatcherInit &operator=(const Port_MsgDispatcherInit &) = delete;

private:
  static int counter;
};
static Port_MsgDispatcherInit Port_MsgDispatcherInitObject;

#endif
