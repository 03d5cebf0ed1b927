// replace.h - writing a whole file so that a crash leaves the old contents or the new ones
// (ReplaceFileA with a temporary file beside the destination, or MoveFileExA with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH).
//
// beginReplace decides where the new contents go:
// - a symbolic link is followed to the file it names, which is the one replaced (the link stays);
// - a file with other hard links is written in place, as a plain open would: replacing it would
//   part it from its other names;
// - otherwise the contents go to a temporary file in the destination's own directory, named
//   ".<name>.~<process id>", made here so that nobody else holds that name. Temporary files of
//   the same destination left by writers that no longer run are removed first;
// - when no temporary file can be made there (a directory without write permission for a
//   writable file), the file is written in place.
// commitReplace then makes the temporary file's data durable (fsync), gives it the mode and,
// where permitted, the owner and group of the file it replaces, renames it over the destination
// and makes the rename durable (fsync of the directory). abandonReplace removes it.
#ifndef PORT_PLATFORM_REPLACE_H
#define PORT_PLATFORM_REPLACE_H

#include <string>

namespace platform {

struct Replacement {
  std::string destination; // the file that ends up with the new contents (POSIX name)
  std::string writeName;   // where to write them: the temporary file, or destination in place
  bool inPlace = true;
};

// Fills r for the Windows or POSIX name. False (errno set) only when the name cannot be used at
// all; a destination that cannot be replaced safely gives inPlace.
bool beginReplace(const char *name, Replacement *r);
// After the written file was closed without error: true when the destination now holds the new
// contents; false with errno, and the temporary file removed, when it could not be put in place.
bool commitReplace(const Replacement &r);
// Removes the temporary file of an unfinished replacement (nothing for one in place).
void abandonReplace(const Replacement &r);

} // namespace platform

#endif
