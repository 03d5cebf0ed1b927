// basuttime.h - UT_TIME: thread-safe forms of the C library's calendar-time functions.
//
// Calendar times are seconds since 1970-01-01 00:00:00 UTC in a long (64 bits here), so dates
// after 2038 work. The forms that return a pointer keep their result in a block of the calling
// thread: it stays valid until the same thread's next call of the same kind (AscTime and
// CTime share a text; GMTime and LocalTime share a record) and is freed when the thread ends.
// The _r forms write into the caller's storage instead.
#ifndef BASUTTIME_H
#define BASUTTIME_H

#include "Port_Export.h"

#include <cstdint>

namespace Port {
template <class T> class StringBase;
}

class PORT_API UT_TIME {
public:
  // The broken-down calendar time, field for field as the C library's struct tm.
  struct Tm {
    int32_t tm_sec;   // 0..60
    int32_t tm_min;   // 0..59
    int32_t tm_hour;  // 0..23
    int32_t tm_mday;  // 1..31
    int32_t tm_mon;   // 0..11
    int32_t tm_year;  // years since 1900
    int32_t tm_wday;  // 0..6, Sunday 0
    int32_t tm_yday;  // 0..365
    int32_t tm_isdst; // > 0 summer time, 0 not, < 0 unknown
  };

  // Length of the text of AscTime/CTime with its newline and terminating zero, e.g.
  // "Thu Jan  1 00:00:00 1970\n". Buffers given to the _r forms hold at least this many bytes.
  enum { AscTimeSize = 26 };

  // Processor time in clock ticks (CLOCKS_PER_SEC a second), or -1.
  static long Clock();
  // end - start in seconds.
  static double DiffTime(long end, long start);
  // The calendar time of a local broken-down time, normalising *tm; -1 when not representable.
  static long MkTime(Tm *tm);
  // The current calendar time, also stored in *t when t is not null.
  static long Time(long *t);

  // Text of the form "Thu Jan  1 00:00:00 1970\n"; null when a field is out of range or the
  // year does not fit in four digits. CTime gives the local time of *t.
  static char *AscTime(const Tm *tm);
  static char *CTime(const long *t);
  // Broken-down UTC or local time of *t; null when it cannot be represented.
  static Tm *GMTime(const long *t);
  static Tm *LocalTime(const long *t);

  // The same into the caller's storage (AscTimeSize bytes for the texts); they return the
  // caller's storage, or null as above.
  static char *AscTime_r(const Tm *tm, char *buffer);
  static char *CTime_r(const long *t, char *buffer);
  static Tm *GMTime_r(const long *t, Tm *result);
  static Tm *LocalTime_r(const long *t, Tm *result);

  // The same into a string; they return it, or null (leaving it unchanged) as above.
  static Port::StringBase<char> *AscTime(const Tm *tm, Port::StringBase<char> *text);
  static Port::StringBase<char> *CTime(const long *t, Port::StringBase<char> *text);

  // strftime into buffer (size bytes with the terminating zero); the length written, or 0
  // (and an empty text) when the result does not fit.
  static unsigned int StrFTime(char *buffer, unsigned int size, const char *format, const Tm *tm);
  // strftime into a string of any length; the length of the result.
  static unsigned int StrFTime(Port::StringBase<char> *text, const char *format, const Tm *tm);
};

#endif
