// Port_MsgManDefaultImp.h - the state and the work of the default console manager.
#ifndef PORT_MSGMANDEFAULTIMP_H
#define PORT_MSGMANDEFAULTIMP_H

#include "Port_MsgMan.h"
#include "Port_Thr.h"

#include "msg/msglines.h"

#include <atomic>
#include <cstdint>

class Port_Message;
class Port_MsgManDefault;
namespace msgprep {
class Message;
}

class Port_MsgManDefaultImp {
public:
  typedef Port_MsgMan::MsgType MsgType;

  Port_MsgManDefaultImp(Port_MsgManDefault *owner, const char *name);
  Port_MsgManDefaultImp(const Port_MsgManDefaultImp &) = delete;
  Port_MsgManDefaultImp &operator=(const Port_MsgManDefaultImp &) = delete;
  virtual ~Port_MsgManDefaultImp();

  virtual void setClean(unsigned char clean);
  virtual unsigned char getClean() const;
  virtual void setAbortFlag(unsigned char flag);
  virtual unsigned char getAbortFlag() const;
  virtual void msgWrite(MsgType type, const wchar_t *text);
  virtual void output(MsgType type, const wchar_t **lines, int count);
  virtual wchar_t **msgFormat(MsgType type, unsigned char clean, int width, const wchar_t *text,
                              int *count);
  virtual void setMaxLineWidth(int width);
  virtual int getMaxLineWidth() const;
  virtual void flush();
  virtual void enable();
  virtual void disable();
  virtual bool isEnabled() const;
  virtual void msgMessage(MsgType type, const wchar_t *text, int num, const char *lib,
                          const char *file, int line, const char *rev);
  virtual void printMsg(MsgType type, const wchar_t *text, const char *lib, const char *file,
                        int line, const char *rev);
  virtual void printMsg(MsgType type, const wchar_t *text, int num, const char *lib,
                        const char *file, int line, const char *rev);
  // The per-type operations, by alias and by number.
  virtual void msgByAlias(MsgType type, const char *lib, const char *file, int line,
                          const char *rev, const char *alias, va_list args);
  virtual void msgByNum(MsgType type, const char *lib, const char *file, int line, const char *rev,
                        int num, va_list args);

  virtual unsigned getCount(MsgType type) const;
  virtual void resetCount(MsgType type);
  virtual void incrementCount(MsgType type);

  virtual void turnOffMsg(MsgType type);
  virtual void turnOnMsg(MsgType type);
  virtual bool isMsgOn(MsgType type) const;

  // Whether the manager is a Port_MsgManDefault itself, not a class derived from it.
  bool isPlain() const;
  bool noHeader() const;

private:
  void deliver(MsgType type, msgprep::Message *prepared, const Port_Message *msg,
               const msglines::Source &src, const char *alias, va_list args);
  void writePrepared(MsgType type, msgprep::Message &prepared);
  bool dropsUnseen(MsgType type, const Port_Message *msg, const char *alias) const;
  void countUnseen(MsgType type);

  // A field read and written from any thread.
  template <class T> class Locked {
  public:
    explicit Locked(T value) : m_value(value) {}
    T get() const { return m_value.load(); }
    void set(T value) { m_value.store(value); }
    void increment() { ++m_value; }

  private:
    std::atomic<T> m_value;
  };

  Locked<uint32_t> *counter(MsgType type);
  const Locked<uint32_t> *counter(MsgType type) const;

  Port_MsgManDefault *m_owner;
  char *m_name;
  Locked<bool> m_clean;
  Locked<bool> m_abortFlag;
  Locked<int32_t> m_maxLineWidth;
  Locked<uint32_t> m_statCount, m_errCount, m_warnCount, m_infoCount, m_intCount, m_fatalCount,
      m_userFatalCount, m_dbgCount;
  // Taken to change the enabled flag and to write a message, so that disabling waits for a
  // write in progress; the flag itself is read without it. Recursive, so that a message issued
  // from inside the writing of another (by an overriding output, say) comes back to this
  // manager without deadlock. Writing takes it after the dispatcher lock.
  mutable Port_ThrRecursiveLock m_writeMutex;
  std::atomic<bool> m_enabled;
  bool m_noHeader;
  // The switch of each message type, indexed by the type.
  std::atomic<bool> m_msgOn[Port_MsgMan::MSG_EXCEPTION + 1];
};

#endif
