// porttool.h - what the modes of porttool share: the checked command line of the run.
#ifndef PORTTOOL_H
#define PORTTOOL_H

#include "basutcmdarg.h"

// The command line of this run, checked against the format of all modes.
const UT_CMDARGS &porttoolArgs();

// porttool check [-o <out>] [-n <count:1,100>] {-v} [-mode fast|slow] [{<file[.txt]>}]
int checkMode(int argc, char **argv);

#endif
