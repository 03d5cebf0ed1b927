// halt.cpp - the POSIX half of the halt service (see halt.h for the contracts).
#include "platform/halt.h"

#include "platform/faults.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

uint32_t currentProcessId() { return static_cast<uint32_t>(getpid()); }

bool processExists(uint32_t pid) {
  if (pid == 0 || pid > static_cast<uint32_t>(INT32_MAX))
    return false;
  if (kill(static_cast<pid_t>(pid), 0) == 0)
    return true;
  return errno == EPERM;
}

bool setInterruptHandler(void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler ? handler : SIG_DFL;
  sigemptyset(&action.sa_mask);
  action.sa_flags = handler ? SA_RESTART : 0;
  return sigaction(SIGINT, &action, nullptr) == 0;
}

static std::string haltSegmentName() {
  const char *name = std::getenv("QEL_HALT_TABLE");
  if (name && *name)
    return *name == '/' ? std::string(name) : "/" + std::string(name);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "/quelmo-halt-%u", static_cast<unsigned>(geteuid()));
  return buffer;
}

void *mapSharedHaltTable(size_t bytes) {
  if (injectFault(Port_TestSharedMemory))
    return nullptr;
  const std::string name = haltSegmentName();
  const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0)
    return nullptr;
  struct stat st;
  void *view = MAP_FAILED;
  // Two processes may create the segment at once: both grow it to the same size, and the
  // bytes stay zero. A segment that another user planted under our name is not used.
  if (fstat(fd, &st) == 0 && st.st_uid == geteuid() &&
      (static_cast<size_t>(st.st_size) >= bytes || ftruncate(fd, static_cast<off_t>(bytes)) == 0))
    view = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  return view == MAP_FAILED ? nullptr : view;
}

void unmapSharedHaltTable(void *view, size_t bytes) {
  if (view)
    munmap(view, bytes);
}

void atForkChild(void (*fn)()) { pthread_atfork(nullptr, nullptr, fn); }

} // namespace platform
