// environment.h - the runtime's environment block (getenv, _putenv).
#ifndef PORT_PLATFORM_ENVIRONMENT_H
#define PORT_PLATFORM_ENVIRONMENT_H

#include <mutex>

namespace platform {

// The lock under which the library reads and changes the environment block (and hands it to a
// child). The values' texts stay where they are when the block changes; the block itself moves.
std::mutex &environmentLock();

// getenv: the value of the variable, or null. The pointer is the runtime's own.
const char *getenv(const char *name);

// _putenv: "NAME=value" sets the variable, "NAME=" removes it. Returns 0 on success, -1 when
// the assignment has no '=' or an empty name, or the environment cannot be changed.
int putenv(const char *assignment);
// Both are safe to call from several threads at once.

} // namespace platform

#endif
