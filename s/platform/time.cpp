// time.cpp - clocks, calendar conversions and sleeps over POSIX.
#include "platform/time.h"

#include "platform/syscalls.h"

#include <cerrno>
#include <sys/resource.h>
#include <time.h>

namespace platform {

namespace {
// Seconds between 1601-01-01 and 1970-01-01.
constexpr uint64_t kFileTimeEpochOffset100ns = 116444736000000000ULL;

uint64_t to100ns(const timeval &tv) {
  return static_cast<uint64_t>(tv.tv_sec) * 10000000ULL + static_cast<uint64_t>(tv.tv_usec) * 10U;
}
} // namespace

bool getProcessTimes(uint64_t *user100ns, uint64_t *kernel100ns) {
  rusage usage{};
  if (sys::getrusage(RUSAGE_SELF, &usage) != 0)
    return false;
  *user100ns = to100ns(usage.ru_utime);
  *kernel100ns = to100ns(usage.ru_stime);
  return true;
}

long processClock() { return static_cast<long>(sys::clock()); }

double processClockMs() {
  timespec ts{};
  if (sys::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0)
    return -1.0;
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

long currentTime() { return static_cast<long>(sys::time(nullptr)); }

void currentTimeMs(long *seconds, int *milliseconds) {
  timespec ts{}; // a clock that cannot be read reads 0
  sys::clock_gettime(CLOCK_REALTIME, &ts);
  *seconds = static_cast<long>(ts.tv_sec);
  *milliseconds = static_cast<int>(ts.tv_nsec / 1000000);
}

uint64_t systemTimeAsFileTime() {
  timespec ts{};
  sys::clock_gettime(CLOCK_REALTIME, &ts);
  return kFileTimeEpochOffset100ns + static_cast<uint64_t>(ts.tv_sec) * 10000000ULL +
         static_cast<uint64_t>(ts.tv_nsec) / 100U;
}

double monotonicSeconds() {
  timespec ts{};
  sys::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

bool localTime(long t, std::tm *out) {
  time_t tt = static_cast<time_t>(t);
  return localtime_r(&tt, out) != nullptr;
}

bool gmTime(long t, std::tm *out) {
  time_t tt = static_cast<time_t>(t);
  return gmtime_r(&tt, out) != nullptr;
}

long mkTime(std::tm *tm) {
  tm->tm_gmtoff = 0;
  tm->tm_zone = nullptr;
  errno = 0;
  time_t t = mktime(tm);
  return static_cast<long>(t);
}

size_t strfTime(char *buffer, size_t size, const char *format, const std::tm *in) {
  if (!buffer || size == 0 || !format || !in)
    return 0;
  // The caller's record has only the nine standard fields; the zone comes from the local
  // zone rules.
  std::tm tm = *in;
  tzset();
  int summer = tm.tm_isdst > 0 ? 1 : 0;
  tm.tm_zone = tzname[summer];
  tm.tm_gmtoff = -timezone + (summer ? 3600 : 0);
  size_t n = strftime(buffer, size, format, &tm);
  if (n == 0)
    buffer[0] = '\0';
  return n;
}

void sleepUs(unsigned long long us) {
  timespec request{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000L};
  timespec remaining{};
  while (sys::nanosleep(&request, &remaining) != 0 && errno == EINTR)
    request = remaining;
}

void sleepMs(unsigned long ms) { sleepUs(static_cast<unsigned long long>(ms) * 1000); }

} // namespace platform
