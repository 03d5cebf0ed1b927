// basutdtime.cpp - UT_CPUTIME: processor times from the platform and their text form.
#include "basutdtime.h"

#include "Port_MsgManData.h"
#include "Port_StringBase.h"
#include "Port_Thr.h"
#include "platform/time.h"
#include "runtime/threadblock.h"

#include <cstdio>
#include <ctime>

// The calling thread's text of asciitime() and asciideltatime().
struct Port_DTimeTsd {
  char text[128];
};

namespace {

const char *const kRevision = "$Revision: 1.1 $";

void timefailure() {
  Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
      ->issueFatal(99, "time failure\n");
}

Port_DTimeTsd *threadblock() { return runtime::threadBlock<Port_DTimeTsd>(); }

UT_CPUTIME::TimeVal from100ns(uint64_t t) {
  UT_CPUTIME::TimeVal v;
  v.tv_sec = static_cast<long>(t / 10000000ULL);
  v.tv_usec = static_cast<long>((t / 10U) % 1000000ULL);
  return v;
}

UT_CPUTIME::TimeVal add(const UT_CPUTIME::TimeVal &a, const UT_CPUTIME::TimeVal &b) {
  UT_CPUTIME::TimeVal r{a.tv_sec + b.tv_sec, a.tv_usec + b.tv_usec};
  UT_CPUTIME::normalize(r);
  return r;
}

} // namespace

// "%d:%c%c.%c%c": minutes, the two digits of the remaining seconds, tenths and hundredths.
char *UT_CPUTIME::formattime(TimeVal t, char *buffer) {
  if (!buffer)
    return nullptr;
  normalize(t);
  bool negative = t.tv_sec < 0;
  if (negative) { // a clock that went backwards: show the magnitude with a sign
    t.tv_sec = -t.tv_sec - (t.tv_usec ? 1 : 0);
    t.tv_usec = t.tv_usec ? 1000000 - t.tv_usec : 0;
  }
  long seconds = t.tv_sec % 60;
  std::snprintf(buffer, AsciiTimeSize, "%s%ld:%c%c.%c%c", negative ? "-" : "", t.tv_sec / 60,
                static_cast<char>('0' + seconds / 10), static_cast<char>('0' + seconds % 10),
                static_cast<char>('0' + t.tv_usec / 100000),
                static_cast<char>('0' + (t.tv_usec / 10000) % 10));
  return buffer;
}

UT_CPUTIME::UT_CPUTIME() { capture(); }

UT_CPUTIME::UT_CPUTIME(const UT_CPUTIME &) { capture(); }

UT_CPUTIME &UT_CPUTIME::operator=(const UT_CPUTIME &) {
  capture();
  return *this;
}

void UT_CPUTIME::capture() { getcurtime(m_user, m_sys); }

void UT_CPUTIME::GetCurrTime(TimeVal *t) {
  long seconds = 0;
  int milliseconds = 0;
  platform::currentTimeMs(&seconds, &milliseconds);
  if (seconds == 0 && milliseconds == 0)
    timefailure();
  if (t) {
    t->tv_sec = seconds;
    t->tv_usec = static_cast<long>(milliseconds) * 1000;
  }
}

void UT_CPUTIME::getcurtime(TimeVal &user, TimeVal &sys) {
  uint64_t user100ns = 0, kernel100ns = 0;
  if (platform::getProcessTimes(&user100ns, &kernel100ns)) {
    user = from100ns(user100ns);
    sys = from100ns(kernel100ns);
    return;
  }
  sys.tv_sec = 0;
  sys.tv_usec = 0;
  user.tv_usec = 0;
  long ticks = platform::processClock();
  if (ticks != -1) {
    user.tv_sec = ticks / static_cast<long>(CLOCKS_PER_SEC);
    return;
  }
  user.tv_sec = 0;
  timefailure();
}

void UT_CPUTIME::normalize(TimeVal &t) {
  long carry = t.tv_usec / 1000000;
  t.tv_usec -= carry * 1000000;
  t.tv_sec += carry;
  if (t.tv_usec < 0) {
    t.tv_usec += 1000000;
    t.tv_sec -= 1;
  }
}

void UT_CPUTIME::gettotaltime(TimeVal *t) const {
  if (t)
    *t = add(m_user, m_sys);
}

void UT_CPUTIME::getdeltatime(TimeVal *t) const {
  if (!t)
    return;
  TimeVal user, sys;
  getcurtime(user, sys);
  TimeVal now = add(user, sys);
  TimeVal then = add(m_user, m_sys);
  t->tv_sec = now.tv_sec - then.tv_sec;
  t->tv_usec = now.tv_usec - then.tv_usec;
  normalize(*t);
}

namespace {
// The text of the time that get gives; null without a buffer.
char *formatted(const UT_CPUTIME &timer, void (UT_CPUTIME::*get)(UT_CPUTIME::TimeVal *) const,
                char *buffer) {
  if (!buffer)
    return nullptr;
  UT_CPUTIME::TimeVal t;
  (timer.*get)(&t);
  return UT_CPUTIME::formattime(t, buffer);
}
} // namespace

char *UT_CPUTIME::asciitime_r(char *buffer) const {
  return formatted(*this, &UT_CPUTIME::gettotaltime, buffer);
}

char *UT_CPUTIME::asciideltatime_r(char *buffer) const {
  return formatted(*this, &UT_CPUTIME::getdeltatime, buffer);
}

const char *UT_CPUTIME::asciitime() const { return asciitime_r(threadblock()->text); }

const char *UT_CPUTIME::asciideltatime() const { return asciideltatime_r(threadblock()->text); }

Port::StringBase<char> *UT_CPUTIME::asciitime(Port::StringBase<char> *text) const {
  char buffer[AsciiTimeSize];
  if (text)
    *text = asciitime_r(buffer);
  return text;
}

Port::StringBase<char> *UT_CPUTIME::asciideltatime(Port::StringBase<char> *text) const {
  char buffer[AsciiTimeSize];
  if (text)
    *text = asciideltatime_r(buffer);
  return text;
}
