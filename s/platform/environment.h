// environment.h - the runtime's environment block (getenv, _putenv).
#ifndef PORT_PLATFORM_ENVIRONMENT_H
#define PORT_PLATFORM_ENVIRONMENT_H

namespace platform {

// getenv: the value of the variable, or null. The pointer is the runtime's own.
const char *getenv(const char *name);

// _putenv: "NAME=value" sets the variable, "NAME=" removes it. Returns 0 on success, -1 when
// the assignment has no '=' or an empty name, or the environment cannot be changed.
int putenv(const char *assignment);

} // namespace platform

#endif
