// Port_EnvFiles.cpp - help, document, executable and data files of the installation, found
// along the installation search path, and the report of a user's private overrides.
#include "Port_Env.h"

#include "Port_File.h"
#include "Port_MsgManData.h"
#include "Port_PathList.h"
#include "Port_Thr.h"
#include "basutstr.h"
#include "msg/libreport.h"

#include <atomic>
#include <cstring>
#include <string>

// The file names last returned to one thread, one of each kind; each lookup frees the
// previous name of its kind.
class Port_EnvTsd {
public:
  Port_EnvTsd() = default;
  Port_EnvTsd(const Port_EnvTsd &) = delete;
  Port_EnvTsd &operator=(const Port_EnvTsd &) = delete;
  ~Port_EnvTsd() {
    for (char *&text : names)
      delete[] text;
  }
  enum Kind { Help, Doc, Exec, Data, Kinds };
  char *names[Kinds] = {};
};

namespace {
const char *const kRevision = "$Revision: 1.22 $";

enum OverrideMode { Undecided, FirstOnly, Never, Always };
std::atomic<int> overrideMode{Undecided};
std::atomic<bool> overridePending{true};

Port_EnvTsd *threadData() {
  static Port_ThrThreadData<Port_EnvTsd *> perThread;
  Port_EnvTsd *tsd = perThread.get();
  if (!tsd) {
    tsd = new Port_EnvTsd;
    perThread.set(tsd);
  }
  return tsd;
}

typedef std::string (*Pattern)(const std::string &dir, const char *lang, const char *name,
                               const char *ext);
typedef bool (*Test)(const char *path);

bool exists(const char *path) { return Port_File::exist(path); }
bool isRegularFile(const char *path) { return Port_File::isfile(path); }

// The first candidate along the search path that passes the test; with mustExist false and
// nothing found, where the file would be in the last directory tried.
const char *lookup(Port_EnvTsd::Kind kind, const char *name, const char *ext, bool mustExist,
                   Pattern pattern, Test test, bool englishHelpFallback) {
  Port_EnvTsd *tsd = threadData();
  delete[] tsd->names[kind];
  tsd->names[kind] = nullptr;
  const Port::PathList *dirs = Port::QuelmoPath::GetInstance();
  if (!dirs || !name)
    return nullptr;
  const Port::PathListIterator last = dirs->last();
  std::string candidate;
  bool found = false, overridden = false;
  const char *lang = Port_Env::GetLang();
  for (int pass = 0; pass < 2 && !found; ++pass) {
    if (pass == 1) {
      if (!englishHelpFallback || std::strcmp(lang, "japanese") != 0)
        break;
      lang = "usenglish";
    }
    for (Port::PathListIterator it = dirs->begin(); it != dirs->end(); ++it) {
      candidate = pattern(it->GetBuffer(), lang, name, ext);
      if (test(candidate.c_str())) {
        found = true;
        overridden = it != last;
        break;
      }
    }
  }
  if (!found && mustExist)
    return nullptr;
  if (overridden)
    Port_Env::IssueOverrideMessage(name, candidate.c_str(), nullptr);
  tsd->names[kind] = UT_STR::Dup(candidate.c_str());
  return tsd->names[kind];
}

std::string helpPattern(const std::string &dir, const char *lang, const char *name, const char *) {
  return dir + "/doc/" + lang + "/help/" + name + "/" + name + ".map";
}
std::string docPattern(const std::string &dir, const char *lang, const char *name,
                       const char *ext) {
  return dir + "/doc/" + lang + "/books/" + name + (ext ? ext : "");
}
std::string execPattern(const std::string &dir, const char *, const char *name, const char *) {
  return dir + "/bin/" + Port_Env::GetPlatformPath() + "/" + name + ".exe";
}
std::string dataPattern(const std::string &dir, const char *, const char *name, const char *) {
  return dir + "/data/" + name;
}

const LibraryReport report("Port_Env", kRevision);

int decideOverrideMode() {
  const char *value = Port_Env::GetEnv("QUELMO_VERBOSE_OVERRIDES");
  if (!value || UT_STR::ICompare(value, "NO") == 0 || UT_STR::ICompare(value, "ONE") == 0)
    return FirstOnly;
  if (UT_STR::ICompare(value, "NONE") == 0)
    return Never;
  if (UT_STR::ICompare(value, "YES") == 0 || UT_STR::ICompare(value, "ALL") == 0)
    return Always;
  report(__LINE__)->issueStatus("Unrecognized value %s for environment variable %s\n", value,
                                "QUELMO_VERBOSE_OVERRIDES");
  return FirstOnly;
}
} // namespace

char const *Port_Env::GetHelpFileName(char const *name, unsigned char mustExist) {
  return lookup(Port_EnvTsd::Help, name, nullptr, mustExist, &helpPattern, &exists, true);
}

char const *Port_Env::GetDocFileName(char const *name, char const *ext, unsigned char mustExist) {
  return lookup(Port_EnvTsd::Doc, name, ext, mustExist, &docPattern, &exists, false);
}

char const *Port_Env::GetDocFileName(char const *name, unsigned char mustExist) {
  return GetDocFileName(name, ".pdf", mustExist);
}

char const *Port_Env::GetExecFileName(char const *name, unsigned char mustExist) {
  return lookup(Port_EnvTsd::Exec, name, nullptr, mustExist, &execPattern, &exists, false);
}

char const *Port_Env::GetDataFileName(char const *name, unsigned char mustExist) {
  return lookup(Port_EnvTsd::Data, name, nullptr, mustExist, &dataPattern, &isRegularFile, false);
}

void Port_Env::IssueOverrideMessage(char const *installName, char const *localName,
                                    char const *tag) {
  int mode = overrideMode.load();
  if (mode == Undecided) {
    mode = decideOverrideMode();
    overrideMode.store(mode);
  }
  if (mode == Always || (mode == FirstOnly && overridePending.load())) {
    const std::string prefix = tag ? std::string(tag) + " -- " : std::string();
    report(__LINE__)->issueStatus("%sOverriding Quelmo file <%s> with local file <%s>\n",
                                  prefix.c_str(), installName ? installName : "",
                                  localName ? localName : "");
  }
  overridePending.store(false);
}
