// drive.h - the runtime's drives and their current directories (_getdrive, _getdcwd).
//
// There is one drive, C: (number 3), whose root is the POSIX root. Its current directory is the
// process's working directory in Windows form: /home/user reads as C:\home\user, / as C:\.
#ifndef PORT_PLATFORM_DRIVE_H
#define PORT_PLATFORM_DRIVE_H

#include <string>

namespace platform {

// _getdrive: the current drive, 1 = A:, 2 = B:, 3 = C:...
int getdrive();

// _getdcwd(drive, ...): the current directory of the drive (0 = the current drive) in Windows
// form, with its drive and without a final separator except at the root ("C:\home\user",
// "C:\"). False, with dir empty, when the drive does not exist or its directory cannot be read.
// Unlike the runtime's fixed buffer, the text has no length limit.
bool getdcwd(int drive, std::string &dir);

} // namespace platform

#endif
