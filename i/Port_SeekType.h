// Port_SeekType.h - the three seek origins as objects, compared by identity.
//
// Threads: the origin objects are made at load time and never changed: any thread may use them.
#ifndef PORT_SEEKTYPE_H
#define PORT_SEEKTYPE_H

#include "Port_Export.h"

namespace Port {

class PORT_API SeekType {
public:
  static SeekType &SeekSet();
  static SeekType &SeekCurr();
  static SeekType &SeekEnd();
  // 0, 1 and 2 give the three origins; any other value gives an origin that no call accepts
  // (its SeekToInt is -1).
  static SeekType &IntToSeek(int origin);

  // 0, 1, 2 (SEEK_SET, SEEK_CUR, SEEK_END) for the three origins, -1 for any other object.
  int SeekToInt() const;
  bool EqualTo(const SeekType &other) const { return this == &other; }

  SeekType() {}
  SeekType(const SeekType &) = delete;
  SeekType &operator=(const SeekType &) = delete;
};

} // namespace Port

#endif
