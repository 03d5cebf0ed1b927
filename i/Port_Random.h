// Port_Random.h - Port_Random: the runtime's pseudo-random numbers, the same sequence on every
// platform, and a seed-free number for names that must not repeat.
//
// Threads: Rand, Srand and NoRepeatRand share one process-wide state under one mutex
// (getStaticLock), so any thread may call them, but all threads draw from the same sequence. A
// thread that needs a repeatable sequence of its own uses Rand_r, which touches only the
// caller's state.
#ifndef PORT_RANDOM_H
#define PORT_RANDOM_H

#include "Port_Export.h"

#include <cstdint>

class Port_ThrMutex;

class PORT_API Port_Random {
public:
  // 0..32767 from the shared sequence: seed = seed * 1103515245 + 12345 (32-bit), result =
  // (seed / 65536) & 0x7FFF. After Srand(1) the first result is 16838.
  static int Rand();
  static void Srand(unsigned int seed);
  // The same generator over the caller's state (unsigned arithmetic; a zero state starts as 1),
  // reentrant.
  static int Rand_r(unsigned int *state);
  // A 32-bit number mixed from the system time into a process-wide state, for names that must
  // differ between calls and processes.
  static unsigned int NoRepeatRand();

  // Guards the shared state of Rand, Srand and NoRepeatRand.
  static Port_ThrMutex &getStaticLock();

private:
  static int32_t seed;
  static uint64_t trueseed;
};

#endif
