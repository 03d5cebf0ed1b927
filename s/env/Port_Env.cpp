// Port_Env.cpp - environment variables, the platform word and the user-interface language.
#include "Port_Env.h"

#include "Port_MsgMan.h"
#include "Port_Thr.h"
#include "basutstr.h"
#include "platform/environment.h"
#include "platform/locale.h"

#include <cstring>
#include <string>
#include <vector>

namespace {
const int kSolaris = 4;
const int kLinux = 8;
const int kWindowsNt = 256;

const char *const kSupportedLanguages[] = {"usenglish", "japanese"};
const unsigned kJapanesePrimaryLanguage = 0x11;

Port_ThrMutex &envMutex() {
  static Port_ThrMutex mutex;
  return mutex;
}

std::string chooseLanguage() {
  const char *value = Port_Env::GetEnv("LANGUAGE");
  if (!value) {
    if ((platform::GetUserDefaultLCID() & 0x3FF) == kJapanesePrimaryLanguage)
      return "japanese";
    return kSupportedLanguages[0];
  }
  for (const char *lang : kSupportedLanguages)
    if (std::strcmp(value, lang) == 0)
      return lang;
  const std::string warning =
      std::string("WARNING: ") + value + " is not supported as a language.  Using usenglish.\n";
  Port::PrintError(warning.c_str());
  return kSupportedLanguages[0];
}
} // namespace

char *Port_Env::GetEnv(char const *name) {
  if (!name)
    return nullptr;
  std::vector<char> copy(name, name + std::strlen(name) + 1);
  return GetEnv(copy.data());
}

char *Port_Env::GetEnv(char *name) {
  if (!name)
    return nullptr;
  UT_STR::Decode(name);
  return const_cast<char *>(platform::getenv(name));
}

int Port_Env::PutEnv(char const *assignment) { return platform::putenv(assignment); }

int Port_Env::UnsetEnv(char const *name) {
  if (!name)
    return 0;
  Port_ThrGuard<Port_ThrMutex> guard(envMutex());
  PutEnv((std::string(name) + "=").c_str());
  return 0;
}

char const *Port_Env::IsTestMode() {
  // A copy: the environment's own text may move when variables change later.
  static const char *const testMode = UT_STR::Dup(GetEnv("QEL_TEST"));
  return testMode;
}

int Port_Env::GetMachineType() { return kWindowsNt; }
bool Port_Env::IsSol() { return (GetMachineType() & kSolaris) != 0; }
bool Port_Env::IsNt() { return (GetMachineType() & kWindowsNt) != 0; }
bool Port_Env::IsLinux() { return (GetMachineType() & kLinux) != 0; }
char const *Port_Env::GetPlatformPath() { return "nt"; }

char const *Port_Env::GetLang() {
  // Never destroyed: threads that are still issuing messages while the process exits read it.
  static const std::string *const lang = new std::string(chooseLanguage());
  return lang->c_str();
}
