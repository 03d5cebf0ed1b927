// memory_child.h - pieces of the memory tests that run in a forked child: the paths that end
// the process or need a process-wide limit, and reading the messages they leave.
#ifndef TESTS_MEMORY_MEMORY_CHILD_H
#define TESTS_MEMORY_MEMORY_CHILD_H

#include "child_process.h"

#include <cstdio>
#include <functional>
#include <string>

#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
#define PORT_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PORT_TEST_ASAN 1
#endif
#endif

// AddressSanitizer reserves terabytes of address space and cannot run under RLIMIT_AS; its
// allocator also refuses impossible sizes by aborting instead of returning null.
#ifdef PORT_TEST_ASAN
#define SKIP_WITHOUT_REAL_MALLOC()                                                                 \
  GTEST_SKIP() << "AddressSanitizer cannot run out of memory under an address-space limit"
#else
#define SKIP_WITHOUT_REAL_MALLOC() (void)0
#endif

// Children that end the process run through the tests' one fork helper.
using porttest::ChildResult;
inline ChildResult runInChild(const std::function<void()> &body) {
  return porttest::runInChildCapturing(body);
}

// Limits the calling process's address space to what it uses now plus headroom bytes.
inline bool limitAddressSpace(unsigned long long inUse, unsigned long long headroom) {
  struct rlimit limit;
  limit.rlim_cur = limit.rlim_max = inUse + headroom;
  return ::setrlimit(RLIMIT_AS, &limit) == 0;
}

// The text with every run of blanks and line ends made one blank: console messages are
// wrapped, and a phrase may be split across lines.
inline std::string flattened(const std::string &text) {
  std::string flat;
  for (char c : text) {
    bool blank = c == ' ' || c == '\n' || c == '\t';
    if (!blank)
      flat += c;
    else if (flat.empty() || flat.back() != ' ')
      flat += ' ';
  }
  return flat;
}

// How often part occurs in text, wrapping aside.
inline size_t countOf(const std::string &text, const std::string &part) {
  const std::string flat = flattened(text);
  size_t count = 0;
  for (size_t at = flat.find(part); at != std::string::npos; at = flat.find(part, at + 1))
    ++count;
  return count;
}

#endif
