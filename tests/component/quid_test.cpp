// Port::QUID: printed form, case-blind identity and order, validation, dump.
#include "Port_MsgDispatcher.h"
#include "Port_QUID.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>

namespace {

TEST(Quid, DefaultIsTheNullIdentifierWithTheDefaultComment) {
  Port::QUID q;
  EXPECT_STREQ(q.GetValue(), "{00000000-0000-0000-0000-000000000000}");
  EXPECT_STREQ(q.GetComment(), "This is Quelmo Created UID");
  EXPECT_EQ(Port::QUID::New(), q);
  EXPECT_STREQ(Port::QUID::New().GetComment(), "QUID not yet implemented for MINGW Platform");
}

TEST(Quid, PartsArePrintedInUpperCaseGroups) {
  Port::QUID q;
  q.Set(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11);
  EXPECT_STREQ(q.GetValue(), "{00000001-0002-0003-0405-060708090A0B}");
  q.Set(0xDEADBEEFu, 0xFFFF, 0xA, 0xFF, 0, 0, 0, 0, 0, 0, 0x1);
  EXPECT_STREQ(q.GetValue(), "{DEADBEEF-FFFF-000A-FF00-000000000001}");
  Port::StringBase<char> s = q;
  EXPECT_STREQ(s.GetBuffer(), q.GetValue());
}

TEST(Quid, IdentityAndOrderIgnoreLetterCase) {
  Port::QUID lower("{abcdef00-0000-0000-0000-00000000000a}");
  Port::QUID upper("{ABCDEF00-0000-0000-0000-00000000000A}", "another comment");
  Port::QUID other("{abcdef00-0000-0000-0000-00000000000b}");
  EXPECT_EQ(lower, upper);
  EXPECT_FALSE(lower < upper);
  EXPECT_FALSE(upper < lower);
  EXPECT_TRUE(lower < other);
  EXPECT_NE(upper, other);
  std::map<Port::QUID, int> keyed;
  keyed[lower] = 1;
  keyed[upper] = 2;
  EXPECT_EQ(keyed.size(), 1u);
}

TEST(Quid, LongTextsAreCutToTheirCapacity) {
  std::string longText(100, 'x');
  Port::QUID q(longText.c_str(), std::string(300, 'c').c_str());
  EXPECT_EQ(std::string(q.GetValue()), std::string(39, 'x'));
  EXPECT_EQ(std::string(q.GetComment()).size(), 127u);
}

TEST(Quid, DumpWritesValueAndComment) {
  Port::QUID q("{00000001-0002-0003-0405-060708090A0B}", "mine");
  std::ostringstream os;
  q.Dump(os);
  EXPECT_EQ(os.str(), "\nQUID Object Information : \n"
                      "   Value String = {00000001-0002-0003-0405-060708090A0B}\n"
                      "   Comment String = mine\n");
}

TEST(Quid, MalformedTextIsStoredSilentlyWithoutValidation) {
  unsigned before = Port_MsgDispatcher::getErrCount(true);
  Port::QUID q("{1234}");
  EXPECT_STREQ(q.GetValue(), "{1234}");
  EXPECT_EQ(Port_MsgDispatcher::getErrCount(true), before);
}

TEST(QuidDeathTest, MalformedTextIsReportedWithValidation) {
  GTEST_FLAG_SET(death_test_style, "threadsafe"); // a fresh process reads the variable
  setenv("QUELMO_DO_PORT_QUID_STRING_VALIDATION", "1", 1);
  EXPECT_EXIT(
      {
        Port::QUID good("{0D9C8B7A-6f5e-4d3c-2b1a-0f9e8d7c6b5a}");
        Port::QUID bad("{0D9C8B7A-6f5e-4d3c-2b1a-0f9e8d7c6b5}");
        std::exit(std::string(bad.GetValue()).size() == 37 &&
                          Port_MsgDispatcher::getErrCount(true) == 1
                      ? 0
                      : 1);
      },
      ::testing::ExitedWithCode(0),
      "Failed to construct Port::QUID from "
      "string[[:space:]]+'\\{0D9C8B7A-6f5e-4d3c-2b1a-0f9e8d7c6b5\\}'");
  unsetenv("QUELMO_DO_PORT_QUID_STRING_VALIDATION");
}

} // namespace
