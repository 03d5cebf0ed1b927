// Port_Env.h - the process environment, the platform word and the user-interface language.
#ifndef PORT_ENV_H
#define PORT_ENV_H

class Port_Env {
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
};

#endif
