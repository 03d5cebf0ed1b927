// replaceprobe - writes a whole file through one of the library's whole-file writers, so that a
// test can kill it part way:
//   replaceprobe encode|cmdfile FILE LINES LETTER
// The contents are LINES lines of 63 LETTERs. Before writing it sends one byte on descriptor 3
// (when open), the moment the test's clock for the kill starts. Exit status 0 when the writer
// reported success.
#include "basutcmdfil.h"
#include "basutfileencode.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv) {
  if (argc != 5)
    return 2;
  const std::string kind = argv[1];
  const char *file = argv[2];
  const long lines = std::atol(argv[3]);
  const std::string line(63, argv[4][0]);
  const char ready = 'r';
  if (kind == "encode") {
    UT_FILEENCODE contents;
    for (long i = 0; i < lines; ++i)
      contents.writeline(line.c_str());
    (void)!::write(3, &ready, 1);
    return contents.dump(file, 0) ? 0 : 1;
  }
  if (kind == "cmdfile") {
    std::vector<const char *> args(static_cast<size_t>(lines), line.c_str());
    UT_CMDFILE contents(static_cast<int>(args.size()), args.data());
    (void)!::write(3, &ready, 1);
    return contents.unload(file, 0) ? 0 : 1;
  }
  return 2;
}
