// dynlib.cpp - shared libraries over dlopen.
#include "platform/dynlib.h"
#include "platform/syscalls.h"

#include "platform/filesys.h"

#include <dlfcn.h>
#include <string>

namespace platform {

void *loadLibrary(const char *name) {
  std::string posix;
  if (!name || !toPosixName(name, &posix) || posix.empty())
    return nullptr;
  return sys::dlopen(posix.c_str(), RTLD_NOW);
}

void *getProcAddress(void *library, const char *name) {
  if (!library || !name)
    return nullptr;
  return sys::dlsym(library, name);
}

bool freeLibrary(void *library) { return library && ::dlclose(library) == 0; }

const char *sharedLibraryExtension() { return ".so"; }

} // namespace platform
