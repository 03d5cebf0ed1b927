// porttool check - shows what the command-line checker made of a command line: the banner, the
// switches with their values, and the files with their extension added where it was missing.
#include "porttool.h"

#include "Port_MsgManData.h"
#include "Port_Version.h"

namespace {
const char *const kRev = "$Revision: 1.1 $";

Port_MsgManData *report(int line) {
  return Port_MsgManData::createObject("porttool", __FILE__, line, kRev);
}
} // namespace

int checkMode(int, char **) {
  const UT_CMDARGS &args = porttoolArgs();
  Port::Version::init("porttool", "check");
  const UT_CMDSWINFO *count = args.getsw("-n", 0);
  const UT_CMDSWINFO *mode = args.getsw("-mode", 0);
  const UT_CMDSWINFO *out = args.getsw("-o", 0);
  int verbose = 0;
  while (args.getsw("-v", static_cast<short>(verbose)))
    ++verbose;
  report(__LINE__)->issueStatus(
      "count=%d mode=%s out=%s verbose=%d\n", count ? count->getargnum32(0) : 10,
      mode ? mode->getargtxt(0) : "fast", out ? out->getargtxt(0) : "-", verbose);
  for (short i = 0; const UT_CMDARGINFO *file = args.getarg("file", i); ++i)
    report(__LINE__)->issueStatus("file %s\n", file->getargtxt());
  char *line = args.getcmdline();
  report(__LINE__)->issueStatus("checked: %s\n", line);
  delete[] line;
  return 0;
}
