// Port_Version.h - version data of the installation: the file "fileset.txt" records, one line
// each, a dated value of a named property of an installed file set, for instance
//   Thu Dec 10 09:00:00 2026 :: version = 1.1
// Port::Version answers queries on it and prints the release banner of the tools.
//
// Thread safety: loading happens under a process-wide reader-writer lock; every query may be
// made from any thread.
#ifndef PORT_VERSION_H
#define PORT_VERSION_H

#include "Port_Export.h"

#include "Port_StringBase.h"

#include <vector>

namespace Port {

class PORT_API Version {
public:
  // The latest value of key; empty when unknown.
  static StringBase<char> getValue(char const *key);
  // The value recorded with exactly the date when (written as in the file); the latest value
  // when when is empty or key is "summary".
  static StringBase<char> getValue(char const *key, char const *when);
  // The latest value of key in file (read once; later queries on the same file reuse it).
  static StringBase<char> getValueInstall(char const *key, char const *file);
  // Every value of key, latest first; file, when not null, names the file to read.
  static std::vector<StringBase<char>> getValueList(char const *key, char const *file);
  // "Release <version> a b".
  static StringBase<char> toString(char const *a, char const *b);
  // The status message "Release <version> - a b".
  static void print(char const *a, char const *b);
  // The copyright notice as a status message.
  static void printCopyright();
  // print(a, b), then printCopyright().
  static void init(char const *a, char const *b);
};

// Converts the dates of fileset.txt ("Thu Dec 10 09:00:00 2026") into calendar times.
class PORT_API Version_Time {
public:
  enum { MAX_STR_LEN = 255 };
  static const long errorvalue1 = -1; // a date that cannot be read while loading
  static const long errorvalue2 = -2; // a date that cannot be read in a query
  // The local calendar time of text, or defaultValue when a part is missing.
  static long Convert(char const *text, long defaultValue);
};

} // namespace Port

// Identification of this build of the library, each "label: value".
extern "C" {
PORT_API extern const char lib_KRT_Portability_SoftwareVersion[];
PORT_API extern const char lib_KRT_Portability_Branch[];
PORT_API extern const char lib_KRT_Portability_RCQTag[];
PORT_API extern const char lib_KRT_Portability_Developer[];
PORT_API extern const char lib_KRT_Portability_Copyright[];
}

#endif
