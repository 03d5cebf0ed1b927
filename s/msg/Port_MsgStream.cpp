// Port_MsgStream.cpp - messages copied into standard streams and UT_STREAM files.
#include "Port_MsgStream.h"

#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "basutstream.h"
#include "msg/Port_MsgStreamImp.h"
#include "msg/libreport.h"
#include "msg/msglines.h"
#include "msg/msgtypes.h"
#include "platform/mbcs.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {
const char *const kRevision = "$Revision: 1.17 $";

const LibraryReport report(__FILE__, kRevision);

void flushStream(std::ostream *s) { s->flush(); }
void flushStream(UT_STREAM *s) { s->flush(); }

template <class S> void attach(Port_MsgStreamImp::Attached<S> &list, S *stream) {
  Port_ThrGuard<Port_ThrRecursiveLock> guard(list.mutex);
  list.streams.push_back(stream);
  Port_MsgStreamImp::Switches on;
  on.fill(true);
  list.switches.push_back(on);
}

// The stream is taken off the list first and flushed with the list unlocked, since a failed
// flush reports an error; the dispatcher lock keeps every writer of this manager away until
// the flush is done (the stream may be attached a second time).
template <class S> void detach(Port_MsgStreamImp::Attached<S> &list, S *stream) {
  Port::MsgDispatcherGuard order;
  bool found = false;
  {
    Port_ThrGuard<Port_ThrRecursiveLock> guard(list.mutex);
    const int i = list.find(stream);
    if (i >= 0) {
      list.streams.erase(list.streams.begin() + i);
      list.switches.erase(list.switches.begin() + i);
      found = true;
    }
  }
  if (found)
    flushStream(stream);
  else
    report(__LINE__)->issueInternal("Unable to delete requested message stream.\n");
}

// Reports go out with the list unlocked: the report comes back to this manager's output.
template <class S>
void setSwitch(Port_MsgStreamImp::Attached<S> &list, S *stream, Port_MsgMan::MsgType type,
               bool on) {
  if (!msgtypes::isValid(type)) {
    if (on)
      report(__LINE__)->issueInternal("Bad message type in turnOn().\n");
    else
      report(__LINE__)->issueInternal("Bad message type in turnOff().\n");
    return;
  }
  {
    Port_ThrGuard<Port_ThrRecursiveLock> guard(list.mutex);
    const int i = list.find(stream);
    if (i >= 0) {
      list.switches[i][type] = on;
      return;
    }
  }
  if (on)
    report(__LINE__)->issueInternal("Couldn't find stream in turnOn().\n");
  else
    report(__LINE__)->issueInternal("Couldn't find stream in turnOff().\n");
}

template <class S>
bool query(const Port_MsgStreamImp::Attached<S> &list, const S *stream, int type) {
  if (!stream)
    return false;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(list.mutex);
  const int i = list.find(stream);
  if (i < 0)
    return false;
  return type < 0 || (msgtypes::isValid(type) && list.switches[i][type]);
}

// The switch of the type for the stream at index, which must be valid.
template <class S>
void setAt(Port_MsgStreamImp::Attached<S> &list, int index, Port_MsgMan::MsgType type, bool on) {
  Port_ThrGuard<Port_ThrRecursiveLock> guard(list.mutex);
  list.switches[index][type] = on;
}
template <class S>
bool isOnAt(const Port_MsgStreamImp::Attached<S> &list, int index, Port_MsgMan::MsgType type) {
  Port_ThrGuard<Port_ThrRecursiveLock> guard(list.mutex);
  return list.switches[index][type];
}

void writeLines(std::ostream *s, Port_MsgMan::MsgType type, const wchar_t **lines, int count) {
  for (int i = 0; i < count; ++i) {
    *s << platform::wideToMultibyte(lines[i]);
    if (msglines::needsNewline(type, lines, i, count))
      *s << '\n';
  }
}

void writeLines(UT_STREAM *s, Port_MsgMan::MsgType type, const wchar_t **lines, int count) {
  for (int i = 0; i < count; ++i) {
    if (msglines::needsNewline(type, lines, i, count)) {
      s->writewideline(lines[i]);
    } else {
      const std::string text = platform::wideToMultibyte(lines[i]);
      s->write(reinterpret_cast<const unsigned char *>(text.data()),
               static_cast<unsigned>(text.size()));
    }
  }
}

// The streams whose switch for the type is on, taken with the list locked.
template <class S>
std::vector<S *> selected(const Port_MsgStreamImp::Attached<S> &list, Port_MsgMan::MsgType type) {
  std::vector<S *> out;
  Port_ThrGuard<Port_ThrRecursiveLock> guard(list.mutex);
  for (size_t i = 0; i < list.streams.size(); ++i)
    if (list.switches[i][type])
      out.push_back(list.streams[i]);
  return out;
}

// Called with the dispatcher lock held, which keeps delStream away: the streams stay attached
// while they are written, and a failed write may report with the list unlocked.
template <class S>
void writeAll(const Port_MsgStreamImp::Attached<S> &list, Port_MsgMan::MsgType type,
              const wchar_t **lines, int count) {
  for (S *stream : selected(list, type))
    writeLines(stream, type, lines, count);
}

template <class S> void dumpList(const Port_MsgStreamImp::Attached<S> &list, const char *word) {
  Port_ThrGuard<Port_ThrRecursiveLock> guard(list.mutex);
  for (size_t i = 0; i < list.switches.size(); ++i) {
    std::printf("%s %d ", word, static_cast<int>(i));
    for (bool on : list.switches[i])
      std::putchar(on ? 'T' : 'F');
    std::putchar('\n');
  }
}
} // namespace

Port_MsgStream::Port_MsgStream(const char *name)
    : Port_MsgManDefault(name), m_imp(new Port_MsgStreamImp(this)) {}

Port_MsgStream::~Port_MsgStream() { delete m_imp; }

void Port_MsgStream::addStream(std::ostream &stream) { attach(m_imp->standard, &stream); }
void Port_MsgStream::addStream(UT_STREAM &stream) { attach(m_imp->files, &stream); }
void Port_MsgStream::delStream(std::ostream &stream) { detach(m_imp->standard, &stream); }
void Port_MsgStream::delStream(UT_STREAM &stream) { detach(m_imp->files, &stream); }

void Port_MsgStream::turnOn(std::ostream &stream, MsgType type) {
  setSwitch(m_imp->standard, &stream, type, true);
}
void Port_MsgStream::turnOn(UT_STREAM &stream, MsgType type) {
  setSwitch(m_imp->files, &stream, type, true);
}
void Port_MsgStream::turnOff(std::ostream &stream, MsgType type) {
  setSwitch(m_imp->standard, &stream, type, false);
}
void Port_MsgStream::turnOff(UT_STREAM &stream, MsgType type) {
  setSwitch(m_imp->files, &stream, type, false);
}

bool Port_MsgStream::queryStream(const std::ostream &stream) const {
  return query(m_imp->standard, &stream, -1);
}
bool Port_MsgStream::queryStream(const UT_STREAM &stream) const {
  return query(m_imp->files, &stream, -1);
}
bool Port_MsgStream::queryStream(const std::ostream &stream, MsgType type) const {
  return query(m_imp->standard, &stream, type);
}
bool Port_MsgStream::queryStream(const UT_STREAM &stream, MsgType type) const {
  return query(m_imp->files, &stream, type);
}

void Port_MsgStream::setMsg(MsgType type, int index, unsigned char on) {
  setAt(m_imp->files, index, type, on != 0);
}
bool Port_MsgStream::isMsgOn(MsgType type, int index) const {
  return isOnAt(m_imp->files, index, type);
}
void Port_MsgStream::setStdMsg(MsgType type, int index, unsigned char on) {
  setAt(m_imp->standard, index, type, on != 0);
}
bool Port_MsgStream::isStdMsgOn(MsgType type, int index) const {
  return isOnAt(m_imp->standard, index, type);
}

void Port_MsgStream::output(MsgType type, const wchar_t **lines, int count) {
  Port::MsgDispatcherGuard order;
  if (!isEnabled() || !msgtypes::isValid(type))
    return;
  writeAll(m_imp->standard, type, lines, count);
  writeAll(m_imp->files, type, lines, count);
}

void Port_MsgStream::flush() {
  Port::MsgDispatcherGuard order;
  {
    Port_ThrGuard<Port_ThrRecursiveLock> guard(m_imp->standard.mutex);
    for (std::ostream *s : m_imp->standard.streams)
      s->flush();
  }
  std::vector<UT_STREAM *> files;
  {
    Port_ThrGuard<Port_ThrRecursiveLock> guard(m_imp->files.mutex);
    files = m_imp->files.streams;
  }
  for (UT_STREAM *s : files) // a failed flush reports
    s->flush();
}

void Port_MsgStream::dump() const {
  std::printf("-------------------\n");
  dumpList(m_imp->standard, "STDSTREAM");
  dumpList(m_imp->files, "STREAM");
  std::printf("-------------------\n");
  std::fflush(stdout);
}
