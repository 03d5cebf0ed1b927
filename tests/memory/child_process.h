// child_process.h - runs a piece of a test in a forked child and collects its standard error
// and exit status, for the paths that end the process or need a process-wide limit.
#ifndef TESTS_MEMORY_CHILD_PROCESS_H
#define TESTS_MEMORY_CHILD_PROCESS_H

#include <cstdio>
#include <functional>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

struct ChildResult {
  int exitCode = -1; // -signal when killed
  std::string err;
};

// body runs in the child with its standard error going to the pipe; returning from body
// ends the child with status 0.
inline ChildResult runInChild(const std::function<void()> &body) {
  ChildResult result;
  int fds[2];
  if (::pipe(fds) != 0)
    return result;
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], 2);
    ::close(fds[0]);
    ::close(fds[1]);
    body();
    std::fflush(nullptr);
    ::_exit(0);
  }
  ::close(fds[1]);
  char buf[4096];
  ssize_t got;
  while ((got = ::read(fds[0], buf, sizeof buf)) > 0)
    result.err.append(buf, static_cast<size_t>(got));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  return result;
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
