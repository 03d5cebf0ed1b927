// PortDynamicLib.h - a shared library loaded by path, with an optional initialisation function
// called after loading and a finalisation function called before unloading.
//
// A library file that does not exist ends the process with exit value 92, one that cannot be
// mapped with 91 (fatal messages). Entry points are looked up first under the name with every
// character code lowered by 10 (the form in which the suite's components export them), then
// under the name as given.
//
// Threads: an object is not locked. load, initialize, unload and assignment change it and need
// it to themselves; in between, getEntryPoint and the is* queries may be called from several
// threads at once. Separate objects may be used in different threads, also for the same file
// (the system counts its loads), but each unload runs the finalisation function.
#ifndef PORTDYNAMICLIB_H
#define PORTDYNAMICLIB_H

#include "Port_Export.h"

class Port_DynamicLibImp;

class PORT_API PortDynamicLib {
public:
  // Loads path when it is not null (see load) and keeps the finalisation name.
  explicit PortDynamicLib(const char *path = nullptr, const char *initName = nullptr,
                          const char *finiName = nullptr);
  PortDynamicLib(const PortDynamicLib &) = delete;
  // Unloads this library (with the kept finalisation name); nothing is taken over from other.
  PortDynamicLib &operator=(const PortDynamicLib &other);
  ~PortDynamicLib(); // unloads with the kept finalisation name

  // Does nothing when loaded already; then calls initialize(initName).
  void load(const char *path, const char *initName);
  // Calls the named function (no arguments, no result) once; a missing one is skipped.
  void initialize(const char *initName);
  // Calls the finalisation function (finiName, when not null, replaces the kept one) and
  // unmaps the library.
  void unload(const char *finiName);
  // The address of the named entry point, or null (also when not loaded).
  void *getEntryPoint(const char *name) const;

  bool isLoaded() const;
  bool isInitialized() const;
  bool isValid() const; // false once a load has failed

  static const char *GetFileType(); // ".so"
  // Entry points carry no decoration here: copies name into out and returns out.
  static char *GetOSEntryPointName(const char *name, char *out);

private:
  Port_DynamicLibImp *m_imp;
};

#endif
