// Port_MsgMan.h - message managers: the abstract sink every message is handed to, and the
// default console manager that lays messages out and writes them to stdout or stderr.
//
// Variable argument lists are passed as va_list. A manager that reads one works on its own
// copy (va_copy), so the dispatcher can hand the same list to every manager in turn.
//
// Threads: the dispatcher calls managers with its lock held, so through it a manager hears one
// message at a time. Port_MsgManDefault may also be called directly from any thread: each setting
// and counter has its own mutex, and msgWrite takes the dispatcher lock and then its writing
// lock, so the lines of two messages never mix. A manager of one's own that is called directly
// (Port_MsgManData's issueMsgMan forms) must lock for itself.
#ifndef PORT_MSGMAN_H
#define PORT_MSGMAN_H

#include "Port_Export.h"

#include <cstdarg>

class Port_MsgManDefaultImp;

class PORT_API Port_MsgMan {
public:
  // The nine message types; the values are part of the interface (logs and filters use them).
  // The type is an int underneath, so that any value a caller passes (C callers pass plain
  // integers) is a valid MsgType, which the library then reports as unknown.
  enum MsgType : int {
    MSG_ERROR = 0,
    MSG_WARNING = 1,
    MSG_STATUS = 2,
    MSG_DEBUG = 3,
    MSG_INTERNAL = 4,
    MSG_FATAL = 5,
    MSG_USER_FATAL = 6,
    MSG_INFO = 7,
    MSG_EXCEPTION = 8
  };

  virtual ~Port_MsgMan();

  virtual void setClean(unsigned char clean) = 0;
  virtual unsigned char getClean() const = 0;
  virtual void setAbortFlag(unsigned char flag) = 0;
  virtual unsigned char getAbortFlag() const = 0;
  virtual void output(MsgType type, const wchar_t **lines, int count) = 0;
  virtual void msgWrite(MsgType type, const wchar_t *text) = 0;
  virtual wchar_t **msgFormat(MsgType type, unsigned char clean, int width, const wchar_t *text,
                              int *count) = 0;
  virtual void setMaxLineWidth(int width) = 0;
  virtual int getMaxLineWidth() const = 0;
  virtual void flush() = 0;
  virtual void enable() = 0;
  virtual void disable() = 0;
  virtual bool isEnabled() const = 0;
  virtual void msgMessage(MsgType type, const wchar_t *text, int num, const char *lib,
                          const char *file, int line, const char *rev) = 0;
  virtual void printMsg(MsgType type, const wchar_t *text, const char *lib, const char *file,
                        int line, const char *rev) = 0;
  virtual void printMsg(MsgType type, const wchar_t *text, int num, const char *lib,
                        const char *file, int line, const char *rev) = 0;

  virtual void msgStatus(const char *lib, const char *file, int line, const char *rev,
                         const char *alias, va_list args) = 0;
  virtual void msgError(const char *lib, const char *file, int line, const char *rev,
                        const char *alias, va_list args) = 0;
  virtual void msgInfo(const char *lib, const char *file, int line, const char *rev,
                       const char *alias, va_list args) = 0;
  virtual void msgWarning(const char *lib, const char *file, int line, const char *rev,
                          const char *alias, va_list args) = 0;
  virtual void msgInternal(const char *lib, const char *file, int line, const char *rev,
                           const char *alias, va_list args) = 0;
  virtual void msgFatal(const char *lib, const char *file, int line, const char *rev,
                        const char *alias, va_list args) = 0;
  virtual void msgUserFatal(const char *lib, const char *file, int line, const char *rev,
                            const char *alias, va_list args) = 0;
  virtual void msgDebug(const char *lib, const char *file, int line, const char *rev,
                        const char *alias, va_list args) = 0;

  virtual void msgStatusByNum(const char *lib, const char *file, int line, const char *rev, int num,
                              va_list args) = 0;
  virtual void msgErrorByNum(const char *lib, const char *file, int line, const char *rev, int num,
                             va_list args) = 0;
  virtual void msgInfoByNum(const char *lib, const char *file, int line, const char *rev, int num,
                            va_list args) = 0;
  virtual void msgWarningByNum(const char *lib, const char *file, int line, const char *rev,
                               int num, va_list args) = 0;
  virtual void msgInternalByNum(const char *lib, const char *file, int line, const char *rev,
                                int num, va_list args) = 0;
  virtual void msgFatalByNum(const char *lib, const char *file, int line, const char *rev, int num,
                             va_list args) = 0;
  virtual void msgUserFatalByNum(const char *lib, const char *file, int line, const char *rev,
                                 int num, va_list args) = 0;
  virtual void msgDebugByNum(const char *lib, const char *file, int line, const char *rev, int num,
                             va_list args) = 0;

  virtual unsigned getStatCount() const = 0;
  virtual unsigned getErrCount() const = 0;
  virtual unsigned getWarnCount() const = 0;
  virtual unsigned getInfoCount() const = 0;
  virtual unsigned getIntCount() const = 0;
  virtual unsigned getFatalCount() const = 0;
  virtual unsigned getUserFatalCount() const = 0;
  virtual unsigned getDbgCount() const = 0;

  virtual void resetStatCount() = 0;
  virtual void resetErrCount() = 0;
  virtual void resetWarnCount() = 0;
  virtual void resetInfoCount() = 0;
  virtual void resetIntCount() = 0;
  virtual void resetFatalCount() = 0;
  virtual void resetUserFatalCount() = 0;
  virtual void resetDbgCount() = 0;

  virtual void turnOffMsg(MsgType type);
  virtual void turnOnMsg(MsgType type);
  virtual bool isMsgOn(MsgType type) const;
};

// The standard console manager: status and debug to standard output, all else to standard
// error. Formatting and writing go through the virtual operations, so a derived manager can
// redirect output, flush, msgFormat or msgWrite.
class PORT_API Port_MsgManDefault : public Port_MsgMan {
public:
  explicit Port_MsgManDefault(const char *name = nullptr);
  Port_MsgManDefault(const Port_MsgManDefault &) = delete;
  Port_MsgManDefault &operator=(const Port_MsgManDefault &) = delete;
  ~Port_MsgManDefault() override;

  void setClean(unsigned char clean) override;
  unsigned char getClean() const override;
  void setAbortFlag(unsigned char flag) override;
  unsigned char getAbortFlag() const override;
  void output(MsgType type, const wchar_t **lines, int count) override;
  void msgWrite(MsgType type, const wchar_t *text) override;
  wchar_t **msgFormat(MsgType type, unsigned char clean, int width, const wchar_t *text,
                      int *count) override;
  void setMaxLineWidth(int width) override;
  int getMaxLineWidth() const override;
  void flush() override;
  void enable() override;
  void disable() override;
  bool isEnabled() const override;
  void msgMessage(MsgType type, const wchar_t *text, int num, const char *lib, const char *file,
                  int line, const char *rev) override;
  void printMsg(MsgType type, const wchar_t *text, const char *lib, const char *file, int line,
                const char *rev) override;
  void printMsg(MsgType type, const wchar_t *text, int num, const char *lib, const char *file,
                int line, const char *rev) override;

  void msgStatus(const char *lib, const char *file, int line, const char *rev, const char *alias,
                 va_list args) override;
  void msgError(const char *lib, const char *file, int line, const char *rev, const char *alias,
                va_list args) override;
  void msgInfo(const char *lib, const char *file, int line, const char *rev, const char *alias,
               va_list args) override;
  void msgWarning(const char *lib, const char *file, int line, const char *rev, const char *alias,
                  va_list args) override;
  void msgInternal(const char *lib, const char *file, int line, const char *rev, const char *alias,
                   va_list args) override;
  void msgFatal(const char *lib, const char *file, int line, const char *rev, const char *alias,
                va_list args) override;
  void msgUserFatal(const char *lib, const char *file, int line, const char *rev, const char *alias,
                    va_list args) override;
  void msgDebug(const char *lib, const char *file, int line, const char *rev, const char *alias,
                va_list args) override;

  void msgStatusByNum(const char *lib, const char *file, int line, const char *rev, int num,
                      va_list args) override;
  void msgErrorByNum(const char *lib, const char *file, int line, const char *rev, int num,
                     va_list args) override;
  void msgInfoByNum(const char *lib, const char *file, int line, const char *rev, int num,
                    va_list args) override;
  void msgWarningByNum(const char *lib, const char *file, int line, const char *rev, int num,
                       va_list args) override;
  void msgInternalByNum(const char *lib, const char *file, int line, const char *rev, int num,
                        va_list args) override;
  void msgFatalByNum(const char *lib, const char *file, int line, const char *rev, int num,
                     va_list args) override;
  void msgUserFatalByNum(const char *lib, const char *file, int line, const char *rev, int num,
                         va_list args) override;
  void msgDebugByNum(const char *lib, const char *file, int line, const char *rev, int num,
                     va_list args) override;

  unsigned getStatCount() const override;
  unsigned getErrCount() const override;
  unsigned getWarnCount() const override;
  unsigned getInfoCount() const override;
  unsigned getIntCount() const override;
  unsigned getFatalCount() const override;
  unsigned getUserFatalCount() const override;
  unsigned getDbgCount() const override;

  void resetStatCount() override;
  void resetErrCount() override;
  void resetWarnCount() override;
  void resetInfoCount() override;
  void resetIntCount() override;
  void resetFatalCount() override;
  void resetUserFatalCount() override;
  void resetDbgCount() override;

  void turnOffMsg(MsgType type) override;
  void turnOnMsg(MsgType type) override;
  bool isMsgOn(MsgType type) const override;

private:
  Port_MsgManDefaultImp *m_imp;
};

namespace Port {
// Whether fatal texts go to a message box (a windowed program) rather than to the console.
// Decided once per process.
PORT_API bool UseMsgBox();
// Shows text to the user for errors met before or outside the dispatcher. The text is written
// as it stands: it often carries user data, so a '%' in it is never read as a conversion.
PORT_API void PrintError(const char *text);
} // namespace Port

#endif
