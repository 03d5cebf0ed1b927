// counted.h - the counted initialisers of the runtime services: the first one made starts its
// service and the last one to go ends it. They are made and destroyed during start-up and
// shut-down, on one thread, so the count needs no lock.
#ifndef PORTABILITY_RUNTIME_COUNTED_H
#define PORTABILITY_RUNTIME_COUNTED_H

#include <cstdint>

namespace runtime {

inline void firstStarts(int32_t &count, void (*start)()) {
  if (++count == 1)
    start();
}

inline void lastEnds(int32_t &count, void (*end)()) {
  if (--count == 0)
    end();
}

} // namespace runtime

#endif
