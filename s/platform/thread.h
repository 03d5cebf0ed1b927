// thread.h - the one way the library starts a thread, so that the test switch can refuse it as
// the system does when it is out of threads or memory: std::system_error, EAGAIN by default.
#ifndef PORT_PLATFORM_THREAD_H
#define PORT_PLATFORM_THREAD_H

#include "platform/faults.h"

#include <cerrno>
#include <system_error>
#include <thread>
#include <utility>

namespace platform {

template <class F> std::thread startThread(F &&body) {
  if (injectFault(Port_TestThread))
    throw std::system_error(errno, std::generic_category(), "cannot start a thread");
  return std::thread(std::forward<F>(body));
}

} // namespace platform

#endif
