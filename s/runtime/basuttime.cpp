// basuttime.cpp - UT_TIME: calendar functions with per-thread results.
#include "basuttime.h"

#include "Port_StringBase.h"
#include "Port_Thr.h"
#include "platform/time.h"
#include "runtime/threadblock.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

// The calling thread's results of AscTime/CTime and GMTime/LocalTime.
struct Port_TimeTsd {
  char text[UT_TIME::AscTimeSize];
  UT_TIME::Tm tm;
};

namespace {

Port_TimeTsd *threadblock() { return runtime::threadBlock<Port_TimeTsd>(); }

// UT_TIME::Tm keeps the nine fields of the C structure with fixed widths; the C library's own
// may carry more. One copy of the field list serves both directions.
template <typename From, typename To> void copyFields(const From &in, To *out) {
  out->tm_sec = in.tm_sec;
  out->tm_min = in.tm_min;
  out->tm_hour = in.tm_hour;
  out->tm_mday = in.tm_mday;
  out->tm_mon = in.tm_mon;
  out->tm_year = in.tm_year;
  out->tm_wday = in.tm_wday;
  out->tm_yday = in.tm_yday;
  out->tm_isdst = in.tm_isdst;
}

void totm(const UT_TIME::Tm &in, std::tm *out) {
  *out = std::tm();
  copyFields(in, out);
}

void fromtm(const std::tm &in, UT_TIME::Tm *out) { copyFields(in, out); }

// *t broken down by the platform's conversion into result; null when either is missing or the
// conversion fails.
UT_TIME::Tm *converted(bool (*convert)(long, std::tm *), const long *t, UT_TIME::Tm *result) {
  std::tm out;
  if (!t || !result || !convert(*t, &out))
    return nullptr;
  fromtm(out, result);
  return result;
}

bool inrange(int32_t v, int32_t low, int32_t high) { return v >= low && v <= high; }

} // namespace

long UT_TIME::Clock() { return platform::processClock(); }

double UT_TIME::DiffTime(long end, long start) {
  return static_cast<double>(end) - static_cast<double>(start);
}

long UT_TIME::MkTime(Tm *tm) {
  if (!tm)
    return -1;
  std::tm t;
  totm(*tm, &t);
  long result = platform::mkTime(&t);
  if (result != -1)
    fromtm(t, tm);
  return result;
}

long UT_TIME::Time(long *t) {
  long now = platform::currentTime();
  if (t)
    *t = now;
  return now;
}

// "Www Mmm dd hh:mm:ss yyyy\n": the day of the month zero-padded to two digits, as the
// Windows runtime writes it.
char *UT_TIME::AscTime_r(const Tm *tm, char *buffer) {
  static const char days[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char months[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (!tm || !buffer)
    return nullptr;
  if (!inrange(tm->tm_sec, 0, 60) || !inrange(tm->tm_min, 0, 59) || !inrange(tm->tm_hour, 0, 23) ||
      !inrange(tm->tm_mday, 1, 31) || !inrange(tm->tm_mon, 0, 11) || !inrange(tm->tm_wday, 0, 6) ||
      !inrange(tm->tm_year, -1900, 9999 - 1900))
    return nullptr;
  // The checks above make the text exactly AscTimeSize bytes with its zero; the compiler cannot
  // see that, so the text is made in a roomier buffer first.
  char text[64];
  std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %04d\n", days[tm->tm_wday],
                months[tm->tm_mon], tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec,
                tm->tm_year + 1900);
  std::memcpy(buffer, text, AscTimeSize);
  return buffer;
}

char *UT_TIME::CTime_r(const long *t, char *buffer) {
  Tm local;
  if (!buffer || !LocalTime_r(t, &local))
    return nullptr;
  return AscTime_r(&local, buffer);
}

UT_TIME::Tm *UT_TIME::GMTime_r(const long *t, Tm *result) {
  return converted(platform::gmTime, t, result);
}

UT_TIME::Tm *UT_TIME::LocalTime_r(const long *t, Tm *result) {
  return converted(platform::localTime, t, result);
}

char *UT_TIME::AscTime(const Tm *tm) { return AscTime_r(tm, threadblock()->text); }

char *UT_TIME::CTime(const long *t) { return CTime_r(t, threadblock()->text); }

UT_TIME::Tm *UT_TIME::GMTime(const long *t) { return GMTime_r(t, &threadblock()->tm); }

UT_TIME::Tm *UT_TIME::LocalTime(const long *t) { return LocalTime_r(t, &threadblock()->tm); }

unsigned int UT_TIME::StrFTime(char *buffer, unsigned int size, const char *format, const Tm *tm) {
  if (!buffer || size == 0)
    return 0;
  if (!format || !tm) {
    buffer[0] = '\0';
    return 0;
  }
  std::tm t;
  totm(*tm, &t);
  return static_cast<unsigned int>(platform::strfTime(buffer, size, format, &t));
}

Port::StringBase<char> *UT_TIME::AscTime(const Tm *tm, Port::StringBase<char> *text) {
  char buffer[AscTimeSize];
  if (!text || !AscTime_r(tm, buffer))
    return nullptr;
  *text = buffer;
  return text;
}

Port::StringBase<char> *UT_TIME::CTime(const long *t, Port::StringBase<char> *text) {
  char buffer[AscTimeSize];
  if (!text || !CTime_r(t, buffer))
    return nullptr;
  *text = buffer;
  return text;
}

// strftime gives 0 both for a result that does not fit and for an empty one, so the buffer
// grows until the text fits or is plainly empty (a format that yields nothing).
unsigned int UT_TIME::StrFTime(Port::StringBase<char> *text, const char *format, const Tm *tm) {
  if (!text)
    return 0;
  *text = "";
  if (!format || !tm || !*format)
    return 0;
  std::tm t;
  totm(*tm, &t);
  size_t formatLength = std::strlen(format);
  for (size_t size = 256; size <= 64 * formatLength + 256; size *= 2) {
    std::unique_ptr<char[]> buffer(new char[size]);
    size_t n = platform::strfTime(buffer.get(), size, format, &t);
    if (n > 0) {
      *text = buffer.get();
      return static_cast<unsigned int>(n);
    }
  }
  return 0;
}
