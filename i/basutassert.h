// basutassert.h - the assertion failure routine of the older interface.
//
// Threads: the routine keeps no state; any thread may call it. Reports from several threads at
// once may interleave their lines on standard error.
#ifndef BASUTASSERT_H
#define BASUTASSERT_H

#include "Port_Export.h"

// Writes "Assertion failed: file <file>, line <line>:", the expression and, when msg is not
// empty, msg to standard error, one per line. Ends the process with exit status 1 when the
// environment variable ORVEK_BUILD is set (automated builds); otherwise returns.
PORT_API void ut_assert_failed(const char *file, int line, const char *expr, const char *msg);

#endif
