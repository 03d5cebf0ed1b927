// tmpdirprobe - prints the directory that temporary names are made in: TMPDIR-CHOSEN[<dir>]
#include "Port_File.h"

#include <cstdio>
#include <string>

int main() {
  const char *made = Port_File::tmpnam(nullptr);
  if (!made)
    return 1;
  const std::string name = made;
  std::printf("TMPDIR-CHOSEN[%s]\n", name.substr(0, name.rfind('/')).c_str());
  return 0;
}
