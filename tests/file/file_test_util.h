// file_test_util.h - helpers of the file-layer tests: whole-file reads and writes, message
// capture.
#ifndef PORT_TEST_FILE_UTIL_H
#define PORT_TEST_FILE_UTIL_H

#include "capture_manager.h"
#include "temp_tree.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace filetest {

using porttest::slurp;
using porttest::spit;

// The text with every run of white space made one blank, so that wrapped lines compare.
inline std::wstring squeeze(const std::wstring &text) {
  std::wstring r;
  for (wchar_t c : text) {
    const bool blank = c == L' ' || c == L'\n' || c == L'\t';
    if (blank && !r.empty() && r.back() == L' ')
      continue;
    r += blank ? L' ' : c;
  }
  return r;
}

// How many captured messages contain the text, whatever their wrapping.
inline int countMessages(porttest::CaptureManager &cap, const std::wstring &text) {
  int n = 0;
  for (const auto &e : cap.entries()) {
    std::wstring all;
    for (const auto &l : e.lines)
      all += l + L" ";
    if (squeeze(all).find(squeeze(text)) != std::wstring::npos)
      ++n;
  }
  return n;
}

} // namespace filetest

#endif
