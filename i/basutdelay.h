// basutdelay.h - UT_DELAY: sleeps and short busy-waits.
//
// Threads: any thread may call these; the busy-wait's loop speed is measured once, safely, by
// the first caller.
#ifndef BASUTDELAY_H
#define BASUTDELAY_H

#include "Port_Export.h"

class PORT_API UT_DELAY {
public:
  // Suspends the calling thread for ms milliseconds (nothing for ms <= 0).
  static void Millidelay(int ms);
  // Suspends the calling thread for s seconds, one second at a time.
  static void Secdelay(int s);
  // Busy-waits about us microseconds of processor time, for delays too short to sleep. The
  // loop speed is measured once per process, on the first call.
  static void Microdelay(int us);
};

#endif
