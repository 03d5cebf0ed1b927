// Port_Env.h - the process environment, the platform word and the user-interface language.
//
// Threads: any thread may call these. GetLang and IsTestMode are fixed once, safely; the file
// names of the Get...FileName lookups are per thread. GetEnv returns the environment's own text
// (not to be freed). The environment is not locked against readers: PutEnv and UnsetEnv are
// unsafe while other threads read variables, so set them before starting threads.
#ifndef PORT_ENV_H
#define PORT_ENV_H

#include "Port_Export.h"

class PORT_API Port_Env {
public:
  Port_Env() {}
  Port_Env(const Port_Env &) {}
  Port_Env &operator=(const Port_Env &) { return *this; }
  ~Port_Env() {}

  // The value of the variable, or null. The name is first passed through UT_STR::Decode
  // (a name whose first byte is below 128 is unchanged); the char* form decodes in place.
  static char *GetEnv(char const *name);
  static char *GetEnv(char *name);
  // "NAME=value" sets a variable, "NAME=" removes it; 0 on success.
  static int PutEnv(char const *assignment);
  static int UnsetEnv(char const *name);

  // The value of QEL_TEST, read once; non-null means test mode.
  static char const *IsTestMode();

  // Platform word: 4 Solaris, 8 Linux, 256 Windows NT. This library reports NT.
  static int GetMachineType();
  static bool IsSol();
  static bool IsNt();
  static bool IsLinux();
  // The platform directory of executables and libraries: "nt".
  static char const *GetPlatformPath();

  // The user-interface language ("usenglish" or "japanese"), fixed on first use.
  static char const *GetLang();

  // Files of the installation, searched along the installation path (a user's private
  // directory first). The names belong to the calling thread until it asks again for a name
  // of the same kind; callers do not free them. Not found: null with mustExist, otherwise
  // where the file would be in the last directory searched. A file found before the
  // installation directory itself is reported as an override.
  //   help  <dir>/doc/<language>/help/<name>/<name>.map (a missing Japanese one: usenglish)
  //   doc   <dir>/doc/<language>/books/<name><ext>      (ext ".pdf" in the short form)
  //   exec  <dir>/bin/nt/<name>.exe
  //   data  <dir>/data/<name>, which must be a regular file
  static char const *GetHelpFileName(char const *name, unsigned char mustExist);
  static char const *GetDocFileName(char const *name, char const *ext, unsigned char mustExist);
  static char const *GetDocFileName(char const *name, unsigned char mustExist);
  static char const *GetExecFileName(char const *name, unsigned char mustExist);
  static char const *GetDataFileName(char const *name, unsigned char mustExist);
  // Reports that a local file replaces an installation file, as often as
  // QUELMO_VERBOSE_OVERRIDES asks: unset, NO or ONE the first time only, NONE never, YES or
  // ALL every time (any case).
  static void IssueOverrideMessage(char const *installName, char const *localName, char const *tag);
};

#endif
