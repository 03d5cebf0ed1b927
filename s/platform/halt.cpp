// halt.cpp - the POSIX half of the halt service (see halt.h for the contracts).
#include "platform/halt.h"
#include "platform/environment.h"
#include "platform/filesys.h"
#include "platform/syscalls.h"

#include "platform/faults.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

uint32_t currentProcessId() { return static_cast<uint32_t>(getpid()); }

uint64_t processStartTime(uint32_t pid) {
  if (pid == 0 || pid > static_cast<uint32_t>(INT32_MAX))
    return 0;
  char path[32];
  std::snprintf(path, sizeof path, "/proc/%u/stat", static_cast<unsigned>(pid));
  char buffer[1024];
  if (!readSystemFile(path, buffer, sizeof buffer))
    return 0;
  // "pid (name) state ppid ...": the name may hold blanks and parentheses, so the fields are
  // counted from the last closing parenthesis; the state is field 3, the start time field 22.
  const char *p = std::strrchr(buffer, ')');
  if (!p)
    return 0;
  char state = 0;
  unsigned long long start = 0;
  if (std::sscanf(
          p + 1, " %c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
          &state, &start) != 2)
    return 0;
  if (state == 'Z' || state == 'X')
    return 0;
  return start == 0 ? 1 : start; // a process started in the boot's first tick still exists
}

bool setInterruptHandler(void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler ? handler : SIG_DFL;
  sigemptyset(&action.sa_mask);
  action.sa_flags = handler ? SA_RESTART : 0;
  return sys::sigaction(SIGINT, &action, nullptr) == 0;
}

static std::string haltSegmentName() {
  const char *name = getenv("QEL_HALT_TABLE");
  if (name && *name)
    return *name == '/' ? std::string(name) : "/" + std::string(name);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "/quelmo-halt-%u", static_cast<unsigned>(geteuid()));
  return buffer;
}

void *mapSharedHaltTable(size_t bytes) {
  const std::string name = haltSegmentName();
  const int fd = sys::shm_open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0)
    return nullptr;
  struct stat st;
  void *view = MAP_FAILED;
  // Two processes may create the segment at once: both grow it to the same size, and the
  // bytes stay zero. A segment that another user planted under our name is not used.
  if (sys::fstat(fd, &st) == 0 && st.st_uid == geteuid() &&
      (static_cast<size_t>(st.st_size) >= bytes ||
       sys::ftruncate(fd, static_cast<off_t>(bytes)) == 0))
    view = sys::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  sys::close(fd);
  return view == MAP_FAILED ? nullptr : view;
}

void unmapSharedHaltTable(void *view, size_t bytes) {
  if (view)
    munmap(view, bytes);
}

void atForkChild(void (*fn)()) { pthread_atfork(nullptr, nullptr, fn); }

} // namespace platform
