// versionprobe - version queries in a fresh process, against the installation of QUELMO:
// prints the latest version, the number of listed versions and the banner text.
#include "Port_Version.h"

#include <cstdio>

int main() {
  const Port::StringBase<char> version = Port::Version::getValue("version");
  const auto list = Port::Version::getValueList("version", nullptr);
  const Port::StringBase<char> banner = Port::Version::toString("tool", "build");
  std::printf("version=[%s] list=%d banner=[%s]\n", version.GetBuffer(),
              static_cast<int>(list.size()), banner.GetBuffer());
  return 0;
}
