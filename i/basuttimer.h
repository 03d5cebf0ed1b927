// basuttimer.h - UT_TIMER: processor and elapsed time since a restart, and readable durations.
//
// Threads: a timer is not locked, and asciitime writes the timer's own buffer, so one timer is
// used by one thread at a time. The processor time is the whole process's (all its threads), not
// the calling thread's.
#ifndef BASUTTIMER_H
#define BASUTTIMER_H

#include "Port_Export.h"

class PORT_API UT_TIMER {
public:
  // Duration texts: WORDS "1 hrs 5 secs " (each unit followed by a blank), CLOCK "01:00:05".
  enum AsciiType { WORDS = 0, CLOCK = 1 };

  // Starts both measurements.
  UT_TIMER();

  void reset();
  void reset_cpu();
  void reset_real();

  // Seconds of processor time (user + system) and of elapsed real time since the restart.
  double get_delta_cpu() const;
  double get_delta_real() const;

  // A readable text of a duration in seconds, in the timer's own buffer (overwritten by the
  // next call). Units are days, hours, minutes and seconds; a unit of 0 is left out, except in
  // CLOCK texts after the first unit written. A duration of at most one second (or not a
  // number) reads as 0 seconds ("0 secs " or "00").
  const char *asciitime(double seconds, AsciiType type);

private:
  double m_cpuStart;
  double m_realStart;
  char m_text[64];
};

#endif
