// file_test_util.h - helpers of the file-layer tests: whole-file reads and writes, message
// capture.
#ifndef PORT_TEST_FILE_UTIL_H
#define PORT_TEST_FILE_UTIL_H

#include "capture_manager.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace filetest {

inline std::string slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void spit(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// How many captured messages contain the text in their first line.
inline int countMessages(porttest::CaptureManager &cap, const std::wstring &text) {
  int n = 0;
  for (const auto &e : cap.entries()) {
    std::wstring all;
    for (const auto &l : e.lines)
      all += l;
    if (all.find(text) != std::wstring::npos)
      ++n;
  }
  return n;
}

} // namespace filetest

#endif
