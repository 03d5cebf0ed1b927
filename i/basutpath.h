// basutpath.h - UT_PATH: cutting '/'-separated path texts into head, tail, base, root and
// extension, converting between the internal and the platform form, and the 8.3 name test.
//
// Each cutting operation writes its part into dst when dst is not null (dst is emptied first;
// the caller provides room for the whole path) and returns a pointer into path.
//
// Threads: the operations keep no state: any thread may call them, on texts that no other
// thread writes meanwhile. Letters are lowered in the "C" locale, which the library never changes.
#ifndef BASUTPATH_H
#define BASUTPATH_H

#include "Port_Export.h"

class PORT_API UT_PATH {
public:
  // The part after the last '/', or the whole text; returns a pointer to it.
  static const char *GetTail(const char *path, char *dst);
  static char *GetTail(char *path, char *dst);
  // The part before the last '/'; returns a pointer just after that '/', or null (and an empty
  // dst) when there is none.
  static const char *GetHead(const char *path, char *dst);
  static char *GetHead(char *path, char *dst);
  // The text after the last '.' of the tail; returns a pointer to it, or null (and an empty
  // dst) when the tail has no dot.
  static const char *GetExt(const char *path, char *dst);
  static char *GetExt(char *path, char *dst);
  // The path up to the last '.' of the tail (the whole path without one); returns a pointer
  // after that dot, or null.
  static const char *GetRoot(const char *path, char *dst);
  static char *GetRoot(char *path, char *dst);
  // The tail without its extension ("." and ".." are kept whole); returns a pointer to the tail.
  static const char *GetBase(const char *path, char *dst);
  static char *GetBase(char *path, char *dst);

  // In place: '\' becomes '/' and upper-case letters lower case.
  static char *InternalPath(char *path);
  // In place: '/' becomes '\'.
  static char *ExternalPath(char *path);
  // Whether every component obeys the MS-DOS 8.3 rules.
  static bool IsDos(const char *path);
};

#endif
