// startup_ours - the smallest program of the suite: it links the library, calls its start-up
// entry and greets. Its whole run is what every tool pays before doing anything.
#include "Port_Halt.h"

#include <cstdio>

int main(int argc, char **argv) {
  ut_init(argc, argv);
  std::puts("hello");
  return 0;
}
