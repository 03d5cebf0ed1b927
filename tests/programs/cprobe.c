/* cprobe - reports through the C entry points from a program written in C:
 *   cprobe report | userfatal N | fatal N */
#include "Port_CMsgMan.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
  const char *cmd = argc > 1 ? argv[1] : "report";
  int value = argc > 2 ? atoi(argv[2]) : 0;
  if (strcmp(cmd, "report") == 0) {
    Port_CLocWarningFn(Port_CArgFn("CTool", __FILE__, __LINE__, "$Revision: 2.1 $"),
                       "Value %d is %s.\n", 7, "odd");
    Port_CLocStatusFn(Port_CArgFn("CTool", __FILE__, __LINE__, "$Revision: 2.1 $"), "%s\n",
                      qelform("%d-%s", 12, "ab"));
    Port_CLocDbgStubFn(Port_CArgFn("CTool", __FILE__, __LINE__, "$Revision: 2.1 $"), "x");
    return 0;
  }
  if (strcmp(cmd, "userfatal") == 0)
    Port_CLocUserFatalFn(Port_CArgFn("CTool", "c.c", 3, "1.0"), value, "Bad %s.\n", "input");
  if (strcmp(cmd, "fatal") == 0)
    Port_CLocFatalFn(Port_CArgFn("CTool", "c.c", 4, "1.0"), value, "Broken.\n");
  return 100;
}
