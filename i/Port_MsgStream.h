// Port_MsgStream.h - a message manager that copies messages, laid out as on the console, into
// any number of standard output streams and UT_STREAM files, each with its own switch per
// message type. Register it with Port_MsgDispatcher::addMsgMan; remove it from the dispatcher
// before destroying it, and remove a stream before closing it.
//
// Threads: the operations may be called from any thread. The standard streams and the UT_STREAM
// files are two lists with a lock each; writing and delStream run under the dispatcher lock. An
// attached stream is written on whichever thread issues a message: while it is attached, use it
// yourself only while holding a Port::MsgDispatcherGuard (a UT_STREAM has no lock).
#ifndef PORT_MSGSTREAM_H
#define PORT_MSGSTREAM_H

#include "Port_Export.h"

#include "Port_MsgMan.h"

#include <ostream>

class UT_STREAM;
class Port_MsgStreamImp;

class PORT_API Port_MsgStream : public Port_MsgManDefault {
public:
  explicit Port_MsgStream(const char *name = nullptr);
  ~Port_MsgStream() override; // flushes nothing, closes nothing

  // Attach with every type switched on; a stream attached twice hears each message twice.
  void addStream(std::ostream &stream);
  void addStream(UT_STREAM &stream);
  // Flush the stream and detach its first occurrence (the stream is not closed).
  void delStream(std::ostream &stream);
  void delStream(UT_STREAM &stream);

  void turnOn(std::ostream &stream, MsgType type);
  void turnOn(UT_STREAM &stream, MsgType type);
  void turnOff(std::ostream &stream, MsgType type);
  void turnOff(UT_STREAM &stream, MsgType type);
  bool queryStream(const std::ostream &stream) const;
  bool queryStream(const UT_STREAM &stream) const;
  bool queryStream(const std::ostream &stream, MsgType type) const;
  bool queryStream(const UT_STREAM &stream, MsgType type) const;

  // The switch of the UT_STREAM (setMsg, isMsgOn) or standard stream (setStdMsg, isStdMsgOn)
  // at a position; the position must be below the number attached.
  void setMsg(MsgType type, int index, unsigned char on);
  bool isMsgOn(MsgType type, int index) const;
  void setStdMsg(MsgType type, int index, unsigned char on);
  bool isStdMsgOn(MsgType type, int index) const;
  using Port_MsgManDefault::isMsgOn;

  void output(MsgType type, const wchar_t **lines, int count) override;
  void flush() override;
  // The switch table on standard output.
  void dump() const;

private:
  Port_MsgStreamImp *m_imp;
};

#endif
