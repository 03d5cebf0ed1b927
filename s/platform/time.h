// time.h - the platform's clocks, calendar conversions and sleeps.
//
// Each function keeps the contract of the Windows or C-runtime call named beside it; calendar
// times are seconds since 1970-01-01 00:00:00 UTC held in a 64-bit long, so dates after 2038
// work.
#ifndef PORT_PLATFORM_TIME_H
#define PORT_PLATFORM_TIME_H

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace platform {

// GetProcessTimes: the process's user and kernel processor time in 100-nanosecond units.
// False when they cannot be read.
bool getProcessTimes(uint64_t *user100ns, uint64_t *kernel100ns);

// clock: the process's processor time in clock ticks (CLOCKS_PER_SEC a second), or -1.
long processClock();

// The process's processor time in milliseconds with sub-millisecond precision, or -1.0.
double processClockMs();

// time: the current calendar time.
long currentTime();

// ftime: the current calendar time in whole seconds and the milliseconds within the second.
void currentTimeMs(long *seconds, int *milliseconds);

// GetSystemTimeAsFileTime: 100-nanosecond intervals since 1601-01-01 00:00:00 UTC.
uint64_t systemTimeAsFileTime();

// QueryPerformanceCounter as seconds: a clock that only moves forward, for elapsed times.
double monotonicSeconds();

// localtime_s / gmtime_s: the broken-down local or UTC time of t into *out, thread-safe.
// False when t cannot be represented.
bool localTime(long t, std::tm *out);
bool gmTime(long t, std::tm *out);

// mktime: the calendar time of a local broken-down time, normalising *tm; -1 when it cannot be
// represented.
long mkTime(std::tm *tm);

// strftime over the nine standard fields of *tm; the time-zone conversions (%Z, %z) name the
// local zone, summer or winter by tm_isdst. Returns the length written, 0 when it did not fit.
size_t strfTime(char *buffer, size_t size, const char *format, const std::tm *tm);

// Sleep: suspends the calling thread for ms milliseconds (interrupted sleeps are resumed).
void sleepMs(unsigned long ms);
// The same in microseconds, for the short waits of the library's own spinning locks.
void sleepUs(unsigned long long us);

} // namespace platform

#endif
