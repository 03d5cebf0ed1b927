// fileset_fuzz.cpp - reads a version file (fileset.txt) and asks it for a key, and converts a
// date text as the file's dates are converted.
//
// Input: three fields cut at zero bytes: the file, the key, a date text. Each input is read
// from a file of its own name (a version file is read once per name and kept).
#include "Port_Version.h"
#include "fuzz_fields.h"
#include "fuzz_support.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static unsigned long round = 0;
  const std::vector<std::string> f = fuzzFields(data, size, 3);
  const std::string path = fuzzsupport::scratchPath("fileset-" + std::to_string(++round) + ".txt");
  fuzzsupport::writeFile(path, f[0].data(), f[0].size());

  const std::vector<Port::StringBase<char>> all =
      Port::Version::getValueList(f[1].c_str(), path.c_str());
  const Port::StringBase<char> latest = Port::Version::getValueInstall(f[1].c_str(), path.c_str());
  // The single query gives the first of the list, latest first.
  if (all.empty() ? !latest.IsEmpty()
                  : std::strcmp(latest.GetBuffer() ? latest.GetBuffer() : "",
                                all[0].GetBuffer() ? all[0].GetBuffer() : "") != 0)
    std::abort();
  ::unlink(path.c_str());

  // A date has five words (weekday, month, day, time, year); fewer give the default.
  const std::string date = f[2].c_str();
  size_t words = 0;
  for (size_t i = 0; i < date.size(); ++i)
    words += date[i] != ' ' && (i == 0 || date[i - 1] == ' ');
  const long when = Port::Version_Time::Convert(date.c_str(), -7);
  if (words < 5 && when != -7)
    std::abort();
  return 0;
}
