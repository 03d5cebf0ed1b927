// searchpath_fuzz.cpp - directory names where the library parses them: the QUELMO, MYQUELMO,
// QELENV and MYQELENV settings that build the search paths, the installation file lookups over
// them, directory texts (NormalizePath, isDir, UT_PATH) and directory listings with patterns.
//
// Input fields (zero-separated): extra QUELMO directories (put before the real installation, so
// that the setting stays usable), MYQUELMO, QELENV, MYQELENV, a file name to look up, a path
// for the text operations, a pattern.
#include "Port_Env.h"
#include "Port_PathList.h"
#include "basutdir.h"
#include "basutpath.h"

#include "fuzz_fields.h"

#include <cstdlib>

namespace {

void setOrUnset(const char *name, const std::string &value) {
  if (value.empty())
    unsetenv(name);
  else
    setenv(name, value.c_str(), 1);
}

void checkList(Port::PathList *list) {
  if (!list)
    return;
  int n = 0;
  for (Port::PathListIterator i = list->begin(); i != list->end(); ++i, ++n) {
    // Stored texts are normalised: no backslash, no surrounding blanks.
    const char *text = i->GetBuffer();
    for (const char *p = text; *p; ++p)
      if (*p == '\\')
        __builtin_trap();
  }
  if (n != list->size())
    __builtin_trap();
}

void pathTexts(const std::string &path) {
  std::string copy = path;
  std::string dst(path.size() + 1, '\0');
  const char *p = path.c_str();
  UT_PATH::GetTail(p, &dst[0]);
  UT_PATH::GetHead(p, &dst[0]);
  UT_PATH::GetExt(p, &dst[0]);
  UT_PATH::GetRoot(p, &dst[0]);
  UT_PATH::GetBase(p, &dst[0]);
  UT_PATH::GetTail(&copy[0], nullptr);
  UT_PATH::IsDos(p);
  UT_PATH::InternalPath(&copy[0]);
  UT_PATH::ExternalPath(&copy[0]);
  Port::StringBase<char> text(p);
  Port::NormalizePath(&text);
  Port::isDir(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const std::string installation = std::getenv("QUELMO") ? std::getenv("QUELMO") : "";
  std::vector<std::string> f = fuzzFields(data, size, 7);
  for (std::string &field : f)
    field = field.c_str(); // environment values end at a zero

  setOrUnset("QUELMO", f[0] + ";" + installation);
  setOrUnset("MYQUELMO", f[1]);
  setOrUnset("QELENV", f[2]);
  setOrUnset("MYQELENV", f[3]);
  Port::QuelmoPath::Finalize();
  Port::QuelmoPath::Initialize();
  Port::QelenvPath::Finalize();
  Port::QelenvPath::Initialize();
  checkList(Port::QuelmoPath::GetInstance());
  checkList(Port::QelenvPath::GetInstance());

  const char *name = f[4].c_str();
  Port_Env::GetDataFileName(name, 0);
  Port_Env::GetDataFileName(name, 1);
  Port_Env::GetHelpFileName(name, 0);
  Port_Env::GetDocFileName(name, 1);
  Port_Env::GetDocFileName(name, nullptr, 0);
  Port_Env::GetExecFileName(name, 1);

  pathTexts(f[5]);
  UT_DIR::match_names(f[6].c_str(), f[5].c_str());
  UT_DIR dir(f[5].c_str(), 1);
  if (dir.isvalid())
    for (UT_DIR_ITERATOR i = dir.begin(f[6].c_str()); i != dir.end(); ++i)
      *i;
  return 0;
}
