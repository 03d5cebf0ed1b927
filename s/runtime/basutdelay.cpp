// basutdelay.cpp - UT_DELAY.
//
// Microdelay spins an empty counting loop. Its speed is calibrated once: 500000 iterations are
// timed on the processor clock and clkticks is twice the milliseconds they took, so that a
// delay of us microseconds is (us * 1000) / clkticks iterations. The processor clock is read
// with sub-millisecond precision: on a fast processor the calibration loop takes well under a
// millisecond, and a clock counted in whole milliseconds would read 0 for ever.
#include "basutdelay.h"

#include "platform/time.h"

#include <mutex>

namespace {

constexpr long kCalibrationLoops = 500000;

// The counter is volatile so that the compiler keeps the empty loop; one out-of-line copy of the
// loop serves both the calibration and the delays, so they run at the same speed.
[[gnu::noinline]] void spin(long iterations) {
  for (volatile long i = iterations; i > 0; i = i - 1) {
  }
}

double clkticks() {
  static double ticks = 0.0;
  static std::once_flag once;
  std::call_once(once, [] {
    for (int attempt = 0; attempt < 100 && ticks <= 0.0; ++attempt) {
      double start = platform::processClockMs();
      spin(kCalibrationLoops);
      double end = platform::processClockMs();
      if (start >= 0.0 && end >= 0.0)
        ticks = 2.0 * (end - start);
    }
    if (ticks <= 0.0) // no processor clock: assume one iteration a nanosecond
      ticks = 2.0 * kCalibrationLoops / 1e6;
  });
  return ticks;
}

} // namespace

void UT_DELAY::Millidelay(int ms) {
  if (ms > 0)
    platform::sleepMs(static_cast<unsigned long>(ms));
}

void UT_DELAY::Secdelay(int s) {
  for (int i = 0; i < s; ++i)
    platform::sleepMs(1000);
}

void UT_DELAY::Microdelay(int us) {
  if (us <= 0)
    return;
  spin(static_cast<long>(static_cast<double>(us) * 1000.0 / clkticks() + 0.5));
}
