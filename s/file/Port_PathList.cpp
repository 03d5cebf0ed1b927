// Port_PathList.cpp - directory lists and the installation search paths built at start-up.
#include "Port_PathList.h"

#include "Port_Env.h"
#include "Port_MsgMan.h"
#include "platform/exit.h"
#include "platform/filesys.h"

#include <cstring>
#include <string>
#include <vector>

namespace Port {

const char *const delimiter = ";";
const char *const separator = "/";

class PathListImpl {
public:
  std::vector<StringBase<char>> dirs;
};

class PathListIteratorImpl {
public:
  const StringBase<char> *element = nullptr;
};

namespace {
PathList *globalQuelmoPath = nullptr;
PathList *globalQelenvPath = nullptr;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Tokens of a variable's value split at the delimiter, each normalised; empty tokens (from
// doubled or trailing delimiters) are skipped.
std::vector<StringBase<char>> splitValue(const char *value) {
  std::vector<StringBase<char>> tokens;
  const char *p = value;
  for (;;) {
    const char *end = std::strchr(p, delimiter[0]);
    const size_t n = end ? static_cast<size_t>(end - p) : std::strlen(p);
    StringBase<char> token(p, static_cast<unsigned>(n));
    NormalizePath(&token);
    if (!token.IsEmpty())
      tokens.push_back(token);
    if (!end)
      break;
    p = end + 1;
  }
  return tokens;
}

[[noreturn]] void refuse(const std::string &text, int status) {
  Port::PrintError(text.c_str());
  platform::ExitProcess(status);
}

// A private directory named by a variable's whole value, first in its list when it is one.
void addPrivateDirectory(PathList *list, const char *variable) {
  const char *value = Port_Env::GetEnv(variable);
  if (!value || !*value)
    return;
  StringBase<char> dir(value);
  NormalizePath(&dir);
  if (isDir(dir))
    list->push_back(dir);
}

// Makes list, with the private directory named by privateVariable first; false when the list
// is made already.
bool startList(PathList *&list, const char *privateVariable) {
  if (list)
    return false;
  list = new PathList;
  addPrivateDirectory(list, privateVariable);
  return true;
}

// A variable's value, copied because the environment's own text may move meanwhile; empty when
// it is not set.
std::string valueOf(const char *variable) {
  const char *value = Port_Env::GetEnv(variable);
  return value ? value : "";
}
} // namespace

PathListIterator::PathListIterator() : m_impl(new PathListIteratorImpl) {}
PathListIterator::PathListIterator(const StringBase<char> *element)
    : m_impl(new PathListIteratorImpl) {
  m_impl->element = element;
}
PathListIterator::PathListIterator(const PathListIterator &other)
    : m_impl(new PathListIteratorImpl(*other.m_impl)) {}
PathListIterator &PathListIterator::operator=(const PathListIterator &other) {
  *m_impl = *other.m_impl;
  return *this;
}
PathListIterator::~PathListIterator() { delete m_impl; }
PathListIterator &PathListIterator::operator++() {
  ++m_impl->element;
  return *this;
}
PathListIterator PathListIterator::operator++(int) {
  PathListIterator old(*this);
  ++m_impl->element;
  return old;
}
PathListIterator &PathListIterator::operator--() {
  --m_impl->element;
  return *this;
}
PathListIterator PathListIterator::operator--(int) {
  PathListIterator old(*this);
  --m_impl->element;
  return old;
}
const StringBase<char> &PathListIterator::operator*() const { return *m_impl->element; }
const StringBase<char> *PathListIterator::operator->() const { return m_impl->element; }
bool PathListIterator::operator==(const PathListIterator &other) const {
  return m_impl->element == other.m_impl->element;
}
bool PathListIterator::operator!=(const PathListIterator &other) const { return !(*this == other); }

PathList::PathList() : m_impl(new PathListImpl) {}
PathList::PathList(const PathList &other) : m_impl(new PathListImpl(*other.m_impl)) {}
PathList &PathList::operator=(const PathList &other) {
  *m_impl = *other.m_impl;
  return *this;
}
PathList::~PathList() { delete m_impl; }
void PathList::push_back(const StringBase<char> &dir) { m_impl->dirs.push_back(dir); }
int PathList::size() const { return static_cast<int>(m_impl->dirs.size()); }
PathListIterator PathList::begin() const { return PathListIterator(m_impl->dirs.data()); }
PathListIterator PathList::end() const {
  return PathListIterator(m_impl->dirs.data() + m_impl->dirs.size());
}
PathListIterator PathList::last() const {
  if (m_impl->dirs.empty())
    return end();
  return PathListIterator(m_impl->dirs.data() + m_impl->dirs.size() - 1);
}

void NormalizePath(StringBase<char> *path) {
  std::string s = path->GetBuffer();
  size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b]))
    ++b;
  while (e > b && isBlank(s[e - 1]))
    --e;
  s = s.substr(b, e - b);
  for (char &c : s)
    if (c == '\\')
      c = '/';
  const bool absolute = (!s.empty() && s[0] == '/') || (s.size() > 3 && s[1] == ':' && s[2] == '/');
  while (!s.empty() && s.back() == '/')
    s.pop_back();
  if (absolute && (s.empty() || s.back() == ':'))
    s.push_back('/');
  *path = s.c_str();
}

bool isDir(const StringBase<char> &path) {
  std::string s = path.GetBuffer();
  // A lone separator of either kind names the root and is kept.
  if (s != "\\" && s != "/")
    while (!s.empty() && (s.back() == '\\' || s.back() == '/'))
      s.pop_back();
  if (s.size() >= 2 && s[1] == ':' && s.back() == ':')
    s.push_back('\\');
  platform::FileStatus status;
  return !s.empty() && platform::stat(s.c_str(), &status) && status.isDirectory;
}

void checkSubdirectory(PathList *list, const char *sub, const char *setting, int exitCode) {
  for (PathListIterator it = list->begin(); it != list->end(); ++it) {
    std::string candidate = it->GetBuffer();
    if (candidate.empty() || candidate.back() != '/')
      candidate += separator;
    candidate += sub;
    if (isDir(StringBase<char>(candidate.c_str())))
      return;
  }
  refuse(std::string("None of the QUELMO directories contain a \"") + sub +
             "\" subdirectory. Current setting is QUELMO=\"" + (setting ? setting : "") + "\"\n",
         exitCode);
}

void QuelmoPath::Initialize() {
  if (!startList(globalQuelmoPath, "MYQUELMO"))
    return;
  const std::string setting = valueOf("QUELMO");
  if (setting.empty())
    refuse("The QUELMO environment variable is not set or is empty.\n", 11);
  int installed = 0;
  for (const StringBase<char> &token : splitValue(setting.c_str())) {
    if (isDir(token)) {
      globalQuelmoPath->push_back(token);
      ++installed;
    } else {
      Port::PrintError(
          (std::string("The QUELMO directory \"") + token.GetBuffer() + "\" does not exist.\n")
              .c_str());
    }
  }
  if (installed == 0)
    refuse("The QUELMO environment variable does not point to any directories.  Current "
           "setting is QUELMO=\"" +
               setting + "\"\n",
           13);
  checkSubdirectory(globalQuelmoPath, "data", setting.c_str(), 14);
  checkSubdirectory(globalQuelmoPath, "bin", setting.c_str(), 15);
}

PathList *QuelmoPath::GetInstance() { return globalQuelmoPath; }

void QuelmoPath::Finalize() {
  delete globalQuelmoPath;
  globalQuelmoPath = nullptr;
}

void QelenvPath::Initialize() {
  if (!startList(globalQelenvPath, "MYQELENV"))
    return;
  const std::string setting = valueOf("QELENV");
  for (const StringBase<char> &token : splitValue(setting.c_str()))
    if (isDir(token))
      globalQelenvPath->push_back(token);
}

PathList *QelenvPath::GetInstance() { return globalQelenvPath; }

void QelenvPath::Finalize() {
  delete globalQelenvPath;
  globalQelenvPath = nullptr;
}

int PathListInit::counter = 0;

PathListInit::PathListInit() {
  if (counter++ == 0) {
    QuelmoPath::Initialize();
    QelenvPath::Initialize();
  }
}

PathListInit::~PathListInit() {
  if (--counter == 0) {
    QelenvPath::Finalize();
    QuelmoPath::Finalize();
  }
}

} // namespace Port
