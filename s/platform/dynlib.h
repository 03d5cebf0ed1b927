// dynlib.h - shared libraries of the Windows kernel (LoadLibraryA, GetProcAddress, FreeLibrary)
// over dlopen, dlsym and dlclose. The file-name extension of shared libraries is "so".
#ifndef PORT_PLATFORM_DYNLIB_H
#define PORT_PLATFORM_DYNLIB_H

namespace platform {

// LoadLibraryA: maps the library at a Windows or POSIX name with every symbol bound at once
// (RTLD_NOW); null when it cannot be mapped. A library mapped twice is counted, not mapped
// again.
void *loadLibrary(const char *name);
// GetProcAddress: the address of an exported function, or null.
void *getProcAddress(void *library, const char *name);
// FreeLibrary: drops one count; the library is unmapped with its last count. True on success.
bool freeLibrary(void *library);
// The extension of shared-library file names, with its dot.
const char *sharedLibraryExtension();

} // namespace platform

#endif
