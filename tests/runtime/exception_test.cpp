// The exception family (place, description, count, report) and the assertion routine.
#include "Port_Exception.h"
#include "basutassert.h"

#include "Port_MsgDispatcher.h"
#include "memory_child.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

const char kRev[] = "$Revision: 1.7 $";

TEST(Exception, CountsMadeExceptionsButNotCopies) {
  Port::Exception::clearCount();
  Port::Exception plain("Tool", "a.cpp", kRev, 1);
  Port::BadCastException cast("Tool", "b.cpp", kRev, 2);
  Port::FAMException fam("Tool", "c.cpp", kRev, 3, "Watching failed\n");
  Port::Exception copy(cast);
  Port::Exception assigned(plain);
  assigned = fam;
  EXPECT_EQ(3, Port::Exception::getCount());
  Port::Exception::clearCount();
  EXPECT_EQ(0, Port::Exception::getCount());
}

TEST(Exception, SubclassesCarryTheirDefaultDescriptionAndThePlace) {
  const Port::BadCastException cast("Tool", "cast.cpp", kRev, 11);
  const Port::NullPointerException null("Tool", "null.cpp", kRev, 12);
  const Port::FAMException fam("Portability", "fam.cpp", kRev, 13);
  const struct {
    const Port::Exception &e;
    const wchar_t *description;
    const char *file;
    int line;
  } cases[] = {{cast, L"Bad cast\n", "cast.cpp", 11},
               {null, L"NULL pointer\n", "null.cpp", 12},
               {fam, L"File Alteration Monitor Exception\n", "fam.cpp", 13}};
  for (const auto &c : cases) {
    ASSERT_NE(nullptr, c.e.getLocalized()) << c.file;
    EXPECT_STREQ(c.description, c.e.getLocalized());
    EXPECT_STREQ(c.file, c.e.getFileName());
    EXPECT_EQ(c.line, c.e.getLineNo());
    EXPECT_STREQ(kRev, c.e.getFileRev());
  }
  EXPECT_STREQ("Portability", fam.getSsName());
  EXPECT_STREQ(L"Cast of the widget failed\n",
               Port::BadCastException("Tool", "x.cpp", kRev, 1, "Cast of the widget failed\n")
                   .getLocalized());
}

TEST(Exception, DescriptionsAreSetFormattedOrCopied) {
  Port::Exception e("Portability", "fam.cpp", kRev, 5);
  EXPECT_EQ(nullptr, e.getLocalized());
  EXPECT_EQ(&e, &e.setDescription("Could not get stats for file %s\n", "a.txt"));
  EXPECT_STREQ(L"Could not get stats for file a.txt\n", e.getLocalized());

  wchar_t text[] = L"own text";
  EXPECT_EQ(&e, &e.setLocalized(text));
  text[0] = L'X';
  EXPECT_STREQ(L"own text", e.getLocalized());

  Port::Exception copy(e);
  e.setLocalized(nullptr);
  EXPECT_EQ(nullptr, e.getLocalized());
  EXPECT_STREQ(L"own text", copy.getLocalized());
}

TEST(Exception, ConstructorDescriptionWithConversionsIsKeptAsItStands) {
  // There are no arguments to fill them with; formatting would read garbage.
  Port::Exception e("Portability", "x.cpp", kRev, 1, "Ready: 100%% of %s\n");
  EXPECT_STREQ(L"Ready: 100%% of %s\n", e.getLocalized());
}

TEST(Exception, ReportWithoutDescriptionIsAnInternalMessage) {
  unsigned internal = Port_MsgDispatcher::getIntCount();
  testing::internal::CaptureStderr();
  Port::Exception("Tool", "a.cpp", kRev, 9).report();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(1u, countOf(err, "An exceptional condition has been detected that contains no "
                             "other information."))
      << err;
  EXPECT_EQ(internal + 1, Port_MsgDispatcher::getIntCount());
}

TEST(Exception, ReportWithDescriptionIsAnExceptionMessage) {
  unsigned internal = Port_MsgDispatcher::getIntCount();
  testing::internal::CaptureStderr();
  Port::NullPointerException("Tool", "a.cpp", kRev, 9).report();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(1u, countOf(err, "NULL pointer")) << err;
  EXPECT_EQ(0u, countOf(err, "exceptional condition")) << err;
  EXPECT_EQ(internal, Port_MsgDispatcher::getIntCount());
}

TEST(Exception, ReportOfAnUnknownPlaceShowsUnknownFileAndRevision) {
  testing::internal::CaptureStderr();
  Port::NullPointerException("Tool", nullptr, nullptr, 9).report();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, err.find(":Tool:Unknown:9:0.0")) << err;
}

TEST(Exception, CanBeThrownAndCaughtAsTheBase) {
  try {
    throw Port::FAMException("Portability", __FILE__, kRev, __LINE__);
  } catch (const Port::Exception &e) {
    EXPECT_STREQ(L"File Alteration Monitor Exception\n", e.getLocalized());
    return;
  }
  FAIL() << "not caught";
}

TEST(Assert, PrintsTheFailureAndReturnsInInteractiveBuilds) {
  ::unsetenv("ORVEK_BUILD");
  const struct {
    const char *msg;
    const char *expected;
  } cases[] = {
      {"", "Assertion failed: file src/a.c, line 42:\ncount > 0\n"},
      {nullptr, "Assertion failed: file src/a.c, line 42:\ncount > 0\n"},
      {"no items", "Assertion failed: file src/a.c, line 42:\ncount > 0\nno items\n"},
  };
  for (const auto &c : cases) {
    testing::internal::CaptureStderr();
    ut_assert_failed("src/a.c", 42, "count > 0", c.msg);
    EXPECT_EQ(c.expected, testing::internal::GetCapturedStderr());
  }
}

TEST(Assert, EndsAutomatedBuildsWithStatusOne) {
  ChildResult child = runInChild([] {
    ::setenv("ORVEK_BUILD", "", 1);
    ut_assert_failed("b.c", 7, "p != 0", "null");
    std::fprintf(stderr, "returned\n");
  });
  EXPECT_EQ(1, child.status);
  EXPECT_EQ("Assertion failed: file b.c, line 7:\np != 0\nnull\n", child.err);
}

} // namespace
