// statdescribe.h - the library's description of a POSIX stat record. Included only by the
// platform layer's own sources.
#ifndef PORT_PLATFORM_STATDESCRIBE_H
#define PORT_PLATFORM_STATDESCRIBE_H

#include "platform/filesys.h"

#include <sys/stat.h>

namespace platform {

void describe(const struct ::stat &st, FileStatus *status);

} // namespace platform

#endif
