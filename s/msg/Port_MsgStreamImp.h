// Port_MsgStreamImp.h - the attached streams of a message stream manager and their switches.
#ifndef PORT_MSGSTREAMIMP_H
#define PORT_MSGSTREAMIMP_H

#include "Port_MsgMan.h"
#include "Port_Thr.h"

#include <array>
#include <ostream>
#include <vector>

class UT_STREAM;
class Port_MsgStream;

class Port_MsgStreamImp {
public:
  typedef std::array<bool, 9> Switches; // one per message type, 0 to 8

  // One kind of stream: the streams in order of attachment, their switches, and the mutex
  // that guards both.
  template <class S> struct Attached {
    std::vector<S *> streams;
    std::vector<Switches> switches;
    // Taken after the dispatcher lock when both are held; nothing is written or reported
    // while it is held (a write to a full disk reports an error, which comes back here).
    mutable Port_ThrRecursiveLock mutex;

    int find(const S *stream) const {
      for (size_t i = 0; i < streams.size(); ++i)
        if (streams[i] == stream)
          return static_cast<int>(i);
      return -1;
    }
  };

  explicit Port_MsgStreamImp(Port_MsgStream *owner) : owner(owner) {}

  Port_MsgStream *owner;
  Attached<std::ostream> standard;
  Attached<UT_STREAM> files;
};

#endif
