// UT_TIME: calendar conversions, their texts and their per-thread results.
#include "Port_StringBase.h"
#include "basuttime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

namespace {

const long k2100 = 4102444800L; // 2100-01-01 00:00:00 UTC, a Friday

TEST(TimeTest, GmtimeOfTheEpochAndOfDatesAfter2038) {
  struct Case {
    long t;
    int year, mon, mday, hour, min, sec, wday, yday;
  } cases[] = {
      {0, 70, 0, 1, 0, 0, 0, 4, 0},
      {2147483647L, 138, 0, 19, 3, 14, 7, 2, 18},
      {2147483648L, 138, 0, 19, 3, 14, 8, 2, 18},
      {k2100, 200, 0, 1, 0, 0, 0, 5, 0},
      {-1, 69, 11, 31, 23, 59, 59, 3, 364},
  };
  for (const Case &c : cases) {
    UT_TIME::Tm tm;
    ASSERT_NE(UT_TIME::GMTime_r(&c.t, &tm), nullptr) << c.t;
    EXPECT_EQ(tm.tm_year, c.year) << c.t;
    EXPECT_EQ(tm.tm_mon, c.mon);
    EXPECT_EQ(tm.tm_mday, c.mday);
    EXPECT_EQ(tm.tm_hour, c.hour);
    EXPECT_EQ(tm.tm_min, c.min);
    EXPECT_EQ(tm.tm_sec, c.sec);
    EXPECT_EQ(tm.tm_wday, c.wday);
    EXPECT_EQ(tm.tm_yday, c.yday);
    EXPECT_EQ(tm.tm_isdst, 0);
  }
}

TEST(TimeTest, AsctimeWritesTheFixedWidthText) {
  UT_TIME::Tm tm;
  char buffer[UT_TIME::AscTimeSize];
  ASSERT_NE(UT_TIME::GMTime_r(&k2100, &tm), nullptr);
  EXPECT_STREQ(UT_TIME::AscTime_r(&tm, buffer), "Fri Jan 01 00:00:00 2100\n");
  long t = 1234567890L; // 2009-02-13 23:31:30 UTC
  UT_TIME::GMTime_r(&t, &tm);
  EXPECT_STREQ(UT_TIME::AscTime(&tm), "Fri Feb 13 23:31:30 2009\n");
}

TEST(TimeTest, AsctimeRefusesFieldsOutOfRange) {
  UT_TIME::Tm good;
  long t = 0;
  UT_TIME::GMTime_r(&t, &good);
  char buffer[UT_TIME::AscTimeSize];
  struct Case {
    int32_t UT_TIME::Tm::*field;
    int32_t value;
  } cases[] = {{&UT_TIME::Tm::tm_wday, 7},  {&UT_TIME::Tm::tm_wday, -1},
               {&UT_TIME::Tm::tm_mon, 12},  {&UT_TIME::Tm::tm_mday, 0},
               {&UT_TIME::Tm::tm_hour, 24}, {&UT_TIME::Tm::tm_year, 10000 - 1900},
               {&UT_TIME::Tm::tm_min, -1},  {&UT_TIME::Tm::tm_sec, 61}};
  for (const Case &c : cases) {
    UT_TIME::Tm tm = good;
    tm.*c.field = c.value;
    EXPECT_EQ(UT_TIME::AscTime_r(&tm, buffer), nullptr) << c.value;
  }
  EXPECT_EQ(UT_TIME::AscTime_r(nullptr, buffer), nullptr);
}

TEST(TimeTest, LocalTimeAndMktimeRoundTripAfter2038) {
  for (long t : {0L, 1234567890L, 2147483648L, k2100 + 12345}) {
    UT_TIME::Tm tm;
    ASSERT_NE(UT_TIME::LocalTime_r(&t, &tm), nullptr);
    EXPECT_EQ(UT_TIME::MkTime(&tm), t);
  }
}

TEST(TimeTest, MktimeNormalisesTheRecord) {
  UT_TIME::Tm tm;
  long t = k2100;
  UT_TIME::LocalTime_r(&t, &tm);
  tm.tm_mday += 31; // one month on
  long later = UT_TIME::MkTime(&tm);
  EXPECT_GT(later, t);
  UT_TIME::Tm check;
  UT_TIME::LocalTime_r(&later, &check);
  EXPECT_EQ(tm.tm_mday, check.tm_mday);
  EXPECT_EQ(tm.tm_mon, check.tm_mon);
}

TEST(TimeTest, CtimeIsAsctimeOfTheLocalTime) {
  long t = k2100 + 3600 * 7;
  UT_TIME::Tm tm;
  char a[UT_TIME::AscTimeSize], b[UT_TIME::AscTimeSize];
  UT_TIME::LocalTime_r(&t, &tm);
  ASSERT_NE(UT_TIME::CTime_r(&t, a), nullptr);
  EXPECT_STREQ(a, UT_TIME::AscTime_r(&tm, b));
  EXPECT_STREQ(UT_TIME::CTime(&t), a);
}

TEST(TimeTest, TimeStoresAndReturnsTheCurrentTime) {
  long stored = 0;
  long now = UT_TIME::Time(&stored);
  EXPECT_EQ(stored, now);
  EXPECT_GT(now, 1700000000L);
  EXPECT_EQ(UT_TIME::DiffTime(now + 5, now), 5.0);
}

TEST(TimeTest, StrftimeFormatsIntoBuffer) {
  UT_TIME::Tm tm;
  UT_TIME::GMTime_r(&k2100, &tm);
  char buffer[32];
  EXPECT_EQ(UT_TIME::StrFTime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S %a", &tm), 23u);
  EXPECT_STREQ(buffer, "2100-01-01 00:00:00 Fri");
  char small[5];
  EXPECT_EQ(UT_TIME::StrFTime(small, sizeof small, "%Y-%m-%d", &tm), 0u);
  EXPECT_STREQ(small, "");
}

TEST(TimeTest, StringForms) {
  UT_TIME::Tm tm;
  UT_TIME::GMTime_r(&k2100, &tm);
  Port::StringBase<char> text("unchanged");
  EXPECT_EQ(UT_TIME::AscTime(&tm, &text), &text);
  EXPECT_STREQ(text, "Fri Jan 01 00:00:00 2100\n");
  char buffer[UT_TIME::AscTimeSize];
  EXPECT_EQ(UT_TIME::CTime(&k2100, &text), &text);
  EXPECT_STREQ(text, UT_TIME::CTime_r(&k2100, buffer));

  UT_TIME::Tm bad = tm;
  bad.tm_mon = 12;
  text = "unchanged";
  EXPECT_EQ(UT_TIME::AscTime(&bad, &text), nullptr);
  EXPECT_STREQ(text, "unchanged");

  // Longer than any first guess at the buffer size.
  std::string format, expected;
  for (int i = 0; i < 200; ++i) {
    format += "%Y-%m-%d ";
    expected += "2100-01-01 ";
  }
  EXPECT_EQ(UT_TIME::StrFTime(&text, format.c_str(), &tm), expected.size());
  EXPECT_STREQ(text, expected.c_str());
  EXPECT_EQ(UT_TIME::StrFTime(&text, "", &tm), 0u);
  EXPECT_STREQ(text, "");
}

TEST(TimeTest, EachThreadKeepsItsOwnResult) {
  long mine = 0;
  UT_TIME::Tm *result = UT_TIME::GMTime(&mine);
  char *text = UT_TIME::AscTime(result);
  std::string otherText;
  UT_TIME::Tm *otherResult = nullptr;
  std::thread other([&] {
    otherResult = UT_TIME::GMTime(&k2100);
    otherText = UT_TIME::AscTime(otherResult);
  });
  other.join();
  EXPECT_NE(otherResult, result);
  EXPECT_EQ(otherText, "Fri Jan 01 00:00:00 2100\n");
  EXPECT_EQ(result->tm_year, 70);
  EXPECT_STREQ(text, "Thu Jan 01 00:00:00 1970\n");
  // The same thread's next call reuses its block.
  EXPECT_EQ(UT_TIME::GMTime(&k2100), result);
  EXPECT_EQ(result->tm_year, 200);
}

} // namespace
