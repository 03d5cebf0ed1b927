// basuttimer.cpp - UT_TIMER.
#include "basuttimer.h"

#include "platform/time.h"

#include <cstdio>
#include <cstring>

namespace {
double cpuseconds() {
  uint64_t user = 0, kernel = 0;
  if (!platform::getProcessTimes(&user, &kernel))
    return 0.0;
  return static_cast<double>(user + kernel) / 1e7;
}

// Beyond this the day count would not fit in the text; such a duration is shown as this one.
constexpr double kLongestDuration = 1e15;
} // namespace

UT_TIMER::UT_TIMER() : m_cpuStart(0.0), m_realStart(0.0) {
  m_text[0] = '\0';
  reset();
}

void UT_TIMER::reset() {
  reset_cpu();
  reset_real();
}

void UT_TIMER::reset_cpu() { m_cpuStart = cpuseconds(); }

void UT_TIMER::reset_real() { m_realStart = platform::monotonicSeconds(); }

double UT_TIMER::get_delta_cpu() const { return cpuseconds() - m_cpuStart; }

double UT_TIMER::get_delta_real() const { return platform::monotonicSeconds() - m_realStart; }

const char *UT_TIMER::asciitime(double seconds, AsciiType type) {
  static const long divisors[4] = {86400, 3600, 60, 1};
  static const char *const words[4] = {"%ld days ", "%ld hrs ", "%ld mins ", "%ld secs "};
  static const char *const clock[4] = {"%ld:", "%02ld:", "%02ld:", "%02ld"};
  const char *const *formats = type == CLOCK ? clock : words;

  m_text[0] = '\0';
  if (!(seconds > 1.0)) {
    std::snprintf(m_text, sizeof m_text, formats[3], 0L);
    return m_text;
  }
  if (seconds > kLongestDuration)
    seconds = kLongestDuration;
  bool written = false;
  size_t used = 0;
  for (int unit = 0; unit < 4; ++unit) {
    long n = static_cast<long>(seconds / static_cast<double>(divisors[unit]));
    if (n != 0 || (type == CLOCK && written)) {
      int len = std::snprintf(m_text + used, sizeof m_text - used, formats[unit], n);
      if (len > 0)
        used += static_cast<size_t>(len) < sizeof m_text - used ? static_cast<size_t>(len)
                                                                : sizeof m_text - used - 1;
      written = true;
    }
    if (n != 0)
      seconds -= static_cast<double>(n) * static_cast<double>(divisors[unit]);
  }
  return m_text;
}
