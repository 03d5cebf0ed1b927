// UT_TIMER durations and UT_DELAY sleeps and busy-waits.
#include "basutdelay.h"
#include "basuttimer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

TEST(TimerTest, AsciitimeTexts) {
  struct Case {
    double seconds;
    UT_TIMER::AsciiType type;
    const char *text;
  } cases[] = {
      {0.5, UT_TIMER::WORDS, "0 secs "},
      {0.5, UT_TIMER::CLOCK, "00"},
      {1.0, UT_TIMER::WORDS, "0 secs "},
      {60.0, UT_TIMER::CLOCK, "01:00"},
      {60.0, UT_TIMER::WORDS, "1 mins "},
      {3605.0, UT_TIMER::WORDS, "1 hrs 5 secs "},
      {3605.0, UT_TIMER::CLOCK, "01:00:05"},
      {90061.0, UT_TIMER::WORDS, "1 days 1 hrs 1 mins 1 secs "},
      {90061.0, UT_TIMER::CLOCK, "1:01:01:01"},
      {86400.0, UT_TIMER::CLOCK, "1:00:00:00"},
      {86400.0, UT_TIMER::WORDS, "1 days "},
      {1.5, UT_TIMER::WORDS, "1 secs "},
      {59.99, UT_TIMER::CLOCK, "59"},
      {-3.0, UT_TIMER::WORDS, "0 secs "},
      {std::numeric_limits<double>::quiet_NaN(), UT_TIMER::CLOCK, "00"},
  };
  UT_TIMER timer;
  for (const Case &c : cases)
    EXPECT_STREQ(timer.asciitime(c.seconds, c.type), c.text) << c.seconds << "/" << c.type;
}

TEST(TimerTest, HugeDurationFitsTheText) {
  UT_TIMER timer;
  std::string text = timer.asciitime(1e300, UT_TIMER::WORDS);
  EXPECT_EQ(text.rfind("11574074074 days ", 0), 0u) << text;
  EXPECT_LT(text.size(), 64u);
}

TEST(TimerTest, MeasuresElapsedAndProcessorTime) {
  UT_TIMER timer;
  UT_DELAY::Millidelay(50);
  double real = timer.get_delta_real();
  EXPECT_GE(real, 0.049);
  EXPECT_LT(real, 30.0);
  // Sleeping uses (almost) no processor time.
  EXPECT_LT(timer.get_delta_cpu(), 0.04);

  timer.reset_real();
  EXPECT_LT(timer.get_delta_real(), real);
}

TEST(DelayTest, MicrodelaySpinsForProcessorTime) {
  UT_DELAY::Microdelay(1); // calibrates
  UT_TIMER timer;
  UT_DELAY::Microdelay(100000);
  double cpu = timer.get_delta_cpu();
  // Calibration is coarse, and a loaded machine (parallel tests, sanitizers) skews it: accept a
  // factor of ten either way; a delay that does not spin uses next to no processor time.
  EXPECT_GT(cpu, 0.01);
  EXPECT_LT(cpu, 1.0);
}

TEST(DelayTest, NonPositiveDelaysReturnAtOnce) {
  UT_TIMER timer;
  UT_DELAY::Millidelay(0);
  UT_DELAY::Millidelay(-5);
  UT_DELAY::Secdelay(0);
  UT_DELAY::Microdelay(-1);
  EXPECT_LT(timer.get_delta_real(), 0.5);
}

TEST(DelayTest, SecdelaySleepsWholeSeconds) {
  UT_TIMER timer;
  UT_DELAY::Secdelay(1);
  EXPECT_GE(timer.get_delta_real(), 0.99);
}

} // namespace
