// Port_MsgManData.h - the reporting record: library, source file, line and revision of the
// code that reports, and the issue operations through which every part of the library and of
// the tools reports a message. Each issue operation deletes the record, so the usual form is
//   Port_MsgManData::createObject("Portability", __FILE__, __LINE__, rev)->issueError(...);
//
// Threads: a record is made by one thread for one report and deleted by the issue operation, so
// it is never shared. The issue operations may be called from any thread: those through the
// dispatcher serialise on its lock; the issueMsgMan and printMsgMan forms call the manager
// directly, without it (Port_MsgManDefault locks for itself).
#ifndef PORT_MSGMANDATA_H
#define PORT_MSGMANDATA_H

#include "Port_Export.h"

#include "Port_MsgMan.h"

class PORT_API Port_MsgManData {
public:
  Port_MsgManData(const char *lib, const char *file, int line, const char *rev);
  Port_MsgManData(const Port_MsgManData &) = delete;
  Port_MsgManData &operator=(const Port_MsgManData &) = delete;
  ~Port_MsgManData();
  static Port_MsgManData *createObject(const char *lib, const char *file, int line,
                                       const char *rev);

  // Through the dispatcher (counted, filtered, logged). Each deletes this object.
  void issueStatus(const char *alias, ...);
  void issueError(const char *alias, ...);
  void issueInfo(const char *alias, ...);
  void issueWarning(const char *alias, ...);
  void issueInternal(const char *alias, ...);
  void issueDebug(const char *alias, ...);
  void issueFatal(int exitVal, const char *alias, ...);
  void issueUserFatal(int exitVal, const char *alias, ...);
  void issueErrwarn(Port_MsgMan::MsgType type, unsigned char cond, const char *alias, ...);

  void issueStatusByNum(int num, ...);
  void issueErrorByNum(int num, ...);
  void issueInfoByNum(int num, ...);
  void issueWarningByNum(int num, ...);
  void issueInternalByNum(int num, ...);
  void issueDebugByNum(int num, ...);
  void issueFatalByNum(int exitVal, int num, ...);
  void issueUserFatalByNum(int exitVal, int num, ...);
  void issueErrwarnByNum(Port_MsgMan::MsgType type, unsigned char cond, int num, ...);

  // Straight to one manager, bypassing the dispatcher. Each deletes this object; the fatal
  // forms still set the exit value and run the abort functions.
  void issueMsgManStatus(Port_MsgMan *mgr, const char *alias, ...);
  void issueMsgManError(Port_MsgMan *mgr, const char *alias, ...);
  void issueMsgManInfo(Port_MsgMan *mgr, const char *alias, ...);
  void issueMsgManWarning(Port_MsgMan *mgr, const char *alias, ...);
  void issueMsgManInternal(Port_MsgMan *mgr, const char *alias, ...);
  void issueMsgManDebug(Port_MsgMan *mgr, const char *alias, ...);
  void issueMsgManFatal(Port_MsgMan *mgr, int exitVal, const char *alias, ...);
  void issueMsgManUserFatal(Port_MsgMan *mgr, int exitVal, const char *alias, ...);
  void issueMsgManErrwarn(Port_MsgMan *mgr, Port_MsgMan::MsgType type, unsigned char cond,
                          const char *alias, ...);

  void issueMsgManStatusByNum(Port_MsgMan *mgr, int num, ...);
  void issueMsgManErrorByNum(Port_MsgMan *mgr, int num, ...);
  void issueMsgManInfoByNum(Port_MsgMan *mgr, int num, ...);
  void issueMsgManWarningByNum(Port_MsgMan *mgr, int num, ...);
  void issueMsgManInternalByNum(Port_MsgMan *mgr, int num, ...);
  void issueMsgManDebugByNum(Port_MsgMan *mgr, int num, ...);
  void issueMsgManFatalByNum(Port_MsgMan *mgr, int exitVal, int num, ...);
  void issueMsgManUserFatalByNum(Port_MsgMan *mgr, int exitVal, int num, ...);
  void issueMsgManErrwarnByNum(Port_MsgMan *mgr, Port_MsgMan::MsgType type, unsigned char cond,
                               int num, ...);

  // Already formatted texts. These do not delete the object.
  void print(Port_MsgMan::MsgType type, const wchar_t *text);
  void printMsgMan(Port_MsgMan *mgr, Port_MsgMan::MsgType type, const wchar_t *text);
  void printMsgMan(Port_MsgMan *mgr, Port_MsgMan::MsgType type, const wchar_t *text, int num);

  // Stands in for debug reports in builds without them.
  static void debugStub(...) {}

  const char *getLib() const { return m_lib; }
  const char *getFile() const { return m_file; }
  int getLine() const { return m_line; }
  const char *getRev() const { return m_rev; }

private:
  char *m_lib;
  char *m_file;
  int m_line;
  char *m_rev;
};

#endif
