// UT_CPUTIME: processor times, normalisation and the text form.
#include "Port_StringBase.h"
#include "basutdtime.h"
#include "basuttime.h"
#include "platform/faults.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <thread>

namespace {

// Burns about ms milliseconds of processor time.
void burn(long ms) {
  UT_CPUTIME start;
  UT_CPUTIME::TimeVal d{0, 0};
  volatile unsigned long sink = 0;
  while (d.tv_sec * 1000 + d.tv_usec / 1000 < ms) {
    for (int i = 0; i < 100000; ++i)
      sink = sink + static_cast<unsigned long>(i);
    start.getdeltatime(&d);
  }
}

TEST(CpuTimeTest, Normalize) {
  struct Case {
    long sec, usec, wantSec, wantUsec;
  } cases[] = {{1, -1, 0, 999999},     {0, 2500000, 2, 500000}, {2, -2500000, -1, 500000},
               {5, 999999, 5, 999999}, {0, 1000000, 1, 0},      {3, -1000000, 2, 0}};
  for (const Case &c : cases) {
    UT_CPUTIME::TimeVal t{c.sec, c.usec};
    UT_CPUTIME::normalize(t);
    EXPECT_EQ(t.tv_sec, c.wantSec) << c.sec << "," << c.usec;
    EXPECT_EQ(t.tv_usec, c.wantUsec) << c.sec << "," << c.usec;
  }
}

TEST(CpuTimeTest, TextIsMinutesSecondsAndHundredths) {
  struct Case {
    long sec, usec;
    const char *text;
  } cases[] = {{125, 250000, "2:05.25"}, {0, 0, "0:00.00"},      {3599, 999999, "59:59.99"},
               {60, 90000, "1:00.09"},   {7260, 0, "121:00.00"}, {0, 1500000, "0:01.50"},
               {0, -10000, "-0:00.01"}};
  for (const Case &c : cases) {
    char buffer[UT_CPUTIME::AsciiTimeSize];
    EXPECT_STREQ(UT_CPUTIME::formattime({c.sec, c.usec}, buffer), c.text);
  }
}

TEST(CpuTimeTest, DeltaGrowsWithProcessorTimeUsed) {
  UT_CPUTIME start;
  burn(60);
  UT_CPUTIME::TimeVal d;
  start.getdeltatime(&d);
  EXPECT_GE(d.tv_sec * 1000000 + d.tv_usec, 60000);
  EXPECT_LT(d.tv_sec, 30);
  EXPECT_GE(d.tv_usec, 0);
  EXPECT_LT(d.tv_usec, 1000000);

  UT_CPUTIME later;
  UT_CPUTIME::TimeVal before, after;
  start.gettotaltime(&before);
  later.gettotaltime(&after);
  EXPECT_GE((after.tv_sec - before.tv_sec) * 1000000 + after.tv_usec - before.tv_usec, 60000);
  UT_CPUTIME::TimeVal user = later.getusertime(), sys = later.getsystime();
  UT_CPUTIME::TimeVal sum{user.tv_sec + sys.tv_sec, user.tv_usec + sys.tv_usec};
  UT_CPUTIME::normalize(sum);
  EXPECT_EQ(sum.tv_sec, after.tv_sec);
  EXPECT_EQ(sum.tv_usec, after.tv_usec);
}

TEST(CpuTimeTest, AssignmentCapturesAgain) {
  UT_CPUTIME first;
  burn(30);
  UT_CPUTIME second;
  first = second; // captures now, not second's time
  UT_CPUTIME::TimeVal a, b;
  second.gettotaltime(&b);
  first.gettotaltime(&a);
  EXPECT_GE(a.tv_sec * 1000000 + a.tv_usec, b.tv_sec * 1000000 + b.tv_usec);
}

TEST(CpuTimeTest, AsciitimeUsesAPerThreadBuffer) {
  UT_CPUTIME t;
  const char *mine = t.asciitime();
  char expected[UT_CPUTIME::AsciiTimeSize];
  EXPECT_STREQ(mine, t.asciitime_r(expected));
  const char *theirs = nullptr;
  std::thread other([&] { theirs = t.asciitime(); });
  other.join();
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(t.asciideltatime(), mine);

  Port::StringBase<char> text;
  EXPECT_EQ(t.asciitime(&text), &text);
  EXPECT_STREQ(text, expected);
}

TEST(CpuTimeTest, WallClockAgreesWithTime) {
  UT_CPUTIME::TimeVal now;
  UT_CPUTIME::GetCurrTime(&now);
  long t = UT_TIME::Time(nullptr);
  EXPECT_LE(std::labs(now.tv_sec - t), 1L);
  EXPECT_EQ(now.tv_usec % 1000, 0);
  EXPECT_LT(now.tv_usec, 1000000);
}

} // namespace

namespace {

// Makes the named platform clocks fail on every call for the life of the object.
class ClockFaults {
public:
  explicit ClockFaults(std::initializer_list<int> clocks) {
    for (int clock : clocks)
      Port_TestFault(clock, 1, 1, 0);
  }
  ~ClockFaults() { Port_TestFaultClear(); }
};

TEST(CpuTimeTest, WithoutProcessTimesTheProcessorClockGivesWholeUserSeconds) {
  ClockFaults scope{Port_TestProcessTimes};
  UT_CPUTIME::TimeVal user{-1, -1}, sys{-1, -1};
  UT_CPUTIME::getcurtime(user, sys);
  long clockSeconds = static_cast<long>(std::clock() / CLOCKS_PER_SEC);
  EXPECT_LE(std::labs(user.tv_sec - clockSeconds), 1L);
  EXPECT_EQ(user.tv_usec, 0);
  EXPECT_EQ(sys.tv_sec, 0);
  EXPECT_EQ(sys.tv_usec, 0);
}

TEST(CpuTimeDeathTest, NoProcessorTimeAtAllIsFatal) {
  EXPECT_EXIT(
      {
        ClockFaults scope({Port_TestProcessTimes, Port_TestProcessClock});
        UT_CPUTIME t;
      },
      testing::ExitedWithCode(99), "time failure");
}

TEST(CpuTimeDeathTest, WallClockReadingZeroIsFatal) {
  EXPECT_EXIT(
      {
        ClockFaults scope{Port_TestWallClock};
        UT_CPUTIME::TimeVal t;
        UT_CPUTIME::GetCurrTime(&t);
      },
      testing::ExitedWithCode(99), "time failure");
}

} // namespace
