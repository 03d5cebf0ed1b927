// versionprobe - version queries in a fresh process, against the installation of QUELMO:
// prints the latest version, the number of listed versions and the banner text; with the
// arguments KEY WHEN, the value of KEY recorded at WHEN instead.
#include "Port_Version.h"

#include <cstdio>

int main(int argc, char **argv) {
  if (argc == 3) {
    std::printf("value=[%s]\n", Port::Version::getValue(argv[1], argv[2]).GetBuffer());
    return 0;
  }
  const Port::StringBase<char> version = Port::Version::getValue("version");
  const auto list = Port::Version::getValueList("version", nullptr);
  const Port::StringBase<char> banner = Port::Version::toString("tool", "build");
  std::printf("version=[%s] list=%d banner=[%s]\n", version.GetBuffer(),
              static_cast<int>(list.size()), banner.GetBuffer());
  return 0;
}
