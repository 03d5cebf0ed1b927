// A message to the console manager is formatted, looked up and laid out in buffers the issuing
// thread keeps: once they have grown, issuing allocates nothing. The test counts this thread's
// calls of operator new (replaced for the whole test program; sanitizers bring their own).
#include "Port_MsgDispatcher.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <string>
#include <unistd.h>

#if !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
namespace {
thread_local long t_allocations = 0;
}

void *operator new(std::size_t size) {
  ++t_allocations;
  if (void *p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {
// Issued straight through the dispatcher: the reporting record of Port_MsgManData is an
// allocation of its own, by its interface.
void warn(const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  Port_MsgDispatcher::issueWarningMsg("Portability", __FILE__, __LINE__, "$Revision: 1.1 $", alias,
                                      args);
  va_end(args);
}

long allocationsOf(void (*issue)()) {
  const long before = t_allocations;
  for (int i = 0; i < 10; ++i)
    issue();
  return t_allocations - before;
}
} // namespace

TEST(MessageBuffers, ConsoleMessageAllocatesNothingOnceWarm) {
  porttest::TempTree tree;
  std::fflush(stderr);
  const int saved = ::dup(2);
  const int fd = ::open((tree.root() + "/stderr.txt").c_str(), O_WRONLY | O_CREAT, 0600);
  ::dup2(fd, 2);
  ::close(fd);
  struct Case {
    const char *name;
    void (*issue)();
  };
  const Case cases[] = {
      {"alias", [] { warn("Cannot open \"%s\" for reading (%d of %d).\n", "file.txt", 3, 7); }},
      {"long alias",
       [] {
         static const std::string a(100, 'a'), b(150, 'b');
         warn("%s and %s, wrapped over several lines of the console.\n", a.c_str(), b.c_str());
       }},
      {"catalogue entry without arguments",
       [] { warn("Unable to start program.  Too many Quelmo processes.\n"); }},
  };
  for (const Case &c : cases) {
    c.issue(); // the buffers grow to the message
    EXPECT_EQ(0, allocationsOf(c.issue)) << c.name;
  }
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
}
#endif
