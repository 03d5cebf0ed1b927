// tmpnamprobe - asks tmpnam for a name in a buffer of the documented size, with guard bytes
// behind it, and prints NAME[<name or (null)>] ERROR[<code>] GUARD[intact|broken].
#include "Port_File.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

int main() {
  struct {
    char buf[Port_File::MaxPathLength];
    char guard[16];
  } area;
  std::memset(area.guard, 'G', sizeof area.guard);
  Port_File::clearerror();
  const char *name = Port_File::tmpnam(area.buf);
  const bool guarded =
      std::all_of(area.guard, area.guard + sizeof area.guard, [](char c) { return c == 'G'; });
  std::printf("NAME[%s] ERROR[%d] GUARD[%s]\n", name ? name : "(null)", Port_File::geterror(),
              guarded ? "intact" : "broken");
  return 0;
}
