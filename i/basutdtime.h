// basutdtime.h - UT_CPUTIME: the process's processor time, captured and as text.
//
// A UT_CPUTIME captures the process's user and system processor time when it is made (or
// assigned); the delta forms compare the time now with that capture. The text form of a time
// is minutes, then seconds and hundredths: "%d:%c%c.%c%c", so two minutes and 5.25 seconds
// read "2:05.25". When no processor time can be read at all, the process ends with exit
// value 99 ("time failure").
//
// Threads: a UT_CPUTIME is a plain value: its const operations may run on several threads at
// once; assignment recaptures and needs the object alone. The processor time is the whole
// process's (all its threads).
#ifndef BASUTDTIME_H
#define BASUTDTIME_H

#include "Port_Export.h"

namespace Port {
template <class T> class StringBase;
}

class PORT_API UT_CPUTIME {
public:
  // Seconds and microseconds. Seconds are a long so that a wall-clock time after 2038 fits.
  struct TimeVal {
    long tv_sec;
    long tv_usec;
  };

  // Room for the longest text of asciitime_r and asciideltatime_r.
  enum { AsciiTimeSize = 32 };

  UT_CPUTIME();
  UT_CPUTIME(const UT_CPUTIME &other);
  // Captures the current times again (the other object's are not copied).
  UT_CPUTIME &operator=(const UT_CPUTIME &other);

  // Wall-clock time: seconds and milliseconds * 1000 in microseconds.
  static void GetCurrTime(TimeVal *t);
  // The process's current user and system processor times.
  static void getcurtime(TimeVal &user, TimeVal &sys);
  // Brings tv_usec into 0..999999 by carrying whole seconds.
  static void normalize(TimeVal &t);

  TimeVal getusertime() const { return m_user; }
  TimeVal getsystime() const { return m_sys; }
  // Captured user + system time.
  void gettotaltime(TimeVal *t) const;
  // Current total less the captured total.
  void getdeltatime(TimeVal *t) const;

  // The total (or delta) as text. The form without argument writes into a buffer of the
  // calling thread that the next such call overwrites; the _r form into the caller's buffer
  // of AsciiTimeSize bytes.
  const char *asciitime() const;
  char *asciitime_r(char *buffer) const;
  const char *asciideltatime() const;
  char *asciideltatime_r(char *buffer) const;
  // The same into a string; they return it.
  Port::StringBase<char> *asciitime(Port::StringBase<char> *text) const;
  Port::StringBase<char> *asciideltatime(Port::StringBase<char> *text) const;
  // The text form of any time (normalised first) into buffer of AsciiTimeSize bytes. A negative
  // time, as from a clock that went backwards, gets a leading '-'.
  static char *formattime(TimeVal t, char *buffer);

private:
  void capture();

  TimeVal m_user;
  TimeVal m_sys;
};

#endif
