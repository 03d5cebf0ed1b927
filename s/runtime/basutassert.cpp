// basutassert.cpp - the assertion failure routine of the older interface.
#include "basutassert.h"
#include "platform/environment.h"
#include "platform/exit.h"

#include <cstdio>
#include <cstdlib>

void ut_assert_failed(const char *file, int line, const char *expr, const char *msg) {
  std::fprintf(stderr, "Assertion failed: file %s, line %d:\n%s\n", file ? file : "", line,
               expr ? expr : "");
  if (msg && *msg)
    std::fprintf(stderr, "%s\n", msg);
  std::fflush(stderr);
  // Automated builds stop at the first failed assertion; interactive ones go on.
  if (platform::getenv("ORVEK_BUILD"))
    platform::ExitProcess(1);
}
