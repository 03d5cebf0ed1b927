// Port_Random.cpp - Port_Random.
#include "Port_Random.h"

#include "Port_Thr.h"
#include "basutstr.h"
#include "platform/time.h"

#include <cstdio>

int32_t Port_Random::seed = 1;
uint64_t Port_Random::trueseed = 101;

Port_ThrMutex &Port_Random::getStaticLock() {
  static Port_ThrMutex lock;
  return lock;
}

int Port_Random::Rand() {
  Port_ThrGuard<Port_ThrMutex> guard(getStaticLock());
  seed = static_cast<int32_t>(static_cast<uint32_t>(seed) * 1103515245u + 12345u);
  return (seed / 65536) & 0x7FFF;
}

void Port_Random::Srand(unsigned int s) {
  Port_ThrGuard<Port_ThrMutex> guard(getStaticLock());
  seed = static_cast<int32_t>(s);
}

int Port_Random::Rand_r(unsigned int *state) {
  unsigned int local = 0;
  if (!state)
    state = &local;
  if (*state == 0)
    *state = 1;
  *state = *state * 1103515245u + 12345u;
  return static_cast<int>((*state >> 16) & 0x7FFFu);
}

unsigned int Port_Random::NoRepeatRand() {
  Port_ThrGuard<Port_ThrMutex> guard(getStaticLock());
  uint64_t fileTime = platform::systemTimeAsFileTime();
  uint64_t high = fileTime >> 32;
  unsigned shift = ((fileTime & 0xFFu) + 32u) % 64u;
  uint64_t v = high << shift;
  trueseed = (trueseed * 2038074741ULL + v) % 2038074743ULL;
  char text[16];
  int len =
      std::snprintf(text, sizeof text, "%u", static_cast<unsigned int>(trueseed & 0xFFFFFFFFu));
  return UT_STR::CRC32(text, static_cast<size_t>(len));
}
