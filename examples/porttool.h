// porttool.h - what the modes of porttool share: the checked command line of the run, the help,
// and the exit values.
#ifndef PORTTOOL_H
#define PORTTOOL_H

#include "basutcmdarg.h"

// The tool's own exit values. run passes on the child's instead (porttool_run.cpp); a fatal
// message ends with the value it names.
enum PorttoolExit { ExitDone = 0, ExitFailed = 1, ExitUsage = 2 };

// The command line of this run, checked against the format of all modes.
const UT_CMDARGS &porttoolArgs();

// The usage line and the help file porttool.usg on standard output, as -h shows them.
void showHelp();

// A wrong command line: "porttool: TEXT" and "try 'porttool -h'" on standard error. The result
// is ExitUsage.
int usageError(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Only the line "try 'porttool -h'", for an error that was reported already. ExitUsage.
int tryHelp();

// The operating system's text for an errno-style code, such as Port_File::geterror() leaves.
const char *reasonText(int code);

// porttool check [-o <out>] [-n <count:1,100>] {-v} [-mode fast|slow] [{<file[.txt]>}]
int checkMode(int argc, char **argv);

#endif
