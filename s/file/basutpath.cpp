// basutpath.cpp - path texts cut at '/', and the 8.3 name test.
#include "basutpath.h"

#include <cctype>
#include <cstring>
#include <string>

namespace {
const char *lastSlash(const char *path) { return std::strrchr(path, '/'); }

const char *tailOf(const char *path) {
  const char *slash = lastSlash(path);
  return slash ? slash + 1 : path;
}

// The last dot of the tail, or null; "." and ".." have no extension.
const char *extensionDot(const char *path) {
  const char *tail = tailOf(path);
  if (std::strcmp(tail, ".") == 0 || std::strcmp(tail, "..") == 0)
    return nullptr;
  return std::strrchr(tail, '.');
}

void put(char *dst, const char *begin, size_t n) {
  if (!dst)
    return;
  std::memcpy(dst, begin, n);
  dst[n] = '\0';
}

void clear(char *dst) {
  if (dst)
    dst[0] = '\0';
}

// Printable characters from '!' to '~', less those MS-DOS names may not hold.
bool isDosChar(char c) {
  if (c < '!' || c > '~')
    return false;
  return std::strchr("[]|<>+=;./\\,", c) == nullptr;
}

bool isDosComponent(const std::string &part) {
  if (part == "." || part == "..")
    return true;
  const size_t dot = part.find('.');
  const std::string base = part.substr(0, dot);
  const std::string ext = dot == std::string::npos ? "" : part.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3)
    return false;
  for (char c : base + ext)
    if (!isDosChar(c))
      return false;
  return true;
}
} // namespace

const char *UT_PATH::GetTail(const char *path, char *dst) {
  clear(dst);
  const char *tail = tailOf(path);
  put(dst, tail, std::strlen(tail));
  return tail;
}

const char *UT_PATH::GetHead(const char *path, char *dst) {
  clear(dst);
  const char *slash = lastSlash(path);
  if (!slash)
    return nullptr;
  put(dst, path, static_cast<size_t>(slash - path));
  return slash + 1;
}

const char *UT_PATH::GetExt(const char *path, char *dst) {
  clear(dst);
  const char *dot = extensionDot(path);
  if (!dot)
    return nullptr;
  put(dst, dot + 1, std::strlen(dot + 1));
  return dot + 1;
}

const char *UT_PATH::GetRoot(const char *path, char *dst) {
  clear(dst);
  const char *dot = extensionDot(path);
  if (!dot) {
    put(dst, path, std::strlen(path));
    return nullptr;
  }
  put(dst, path, static_cast<size_t>(dot - path));
  return dot + 1;
}

const char *UT_PATH::GetBase(const char *path, char *dst) {
  clear(dst);
  const char *tail = tailOf(path);
  const char *dot = extensionDot(path);
  put(dst, tail, dot ? static_cast<size_t>(dot - tail) : std::strlen(tail));
  return tail;
}

char *UT_PATH::GetTail(char *path, char *dst) {
  return const_cast<char *>(GetTail(static_cast<const char *>(path), dst));
}
char *UT_PATH::GetHead(char *path, char *dst) {
  return const_cast<char *>(GetHead(static_cast<const char *>(path), dst));
}
char *UT_PATH::GetExt(char *path, char *dst) {
  return const_cast<char *>(GetExt(static_cast<const char *>(path), dst));
}
char *UT_PATH::GetRoot(char *path, char *dst) {
  return const_cast<char *>(GetRoot(static_cast<const char *>(path), dst));
}
char *UT_PATH::GetBase(char *path, char *dst) {
  return const_cast<char *>(GetBase(static_cast<const char *>(path), dst));
}

char *UT_PATH::InternalPath(char *path) {
  if (!path)
    return path;
  for (char *p = path; *p; ++p)
    *p = *p == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
  return path;
}

char *UT_PATH::ExternalPath(char *path) {
  if (!path)
    return path;
  for (char *p = path; *p; ++p)
    if (*p == '/')
      *p = '\\';
  return path;
}

bool UT_PATH::IsDos(const char *path) {
  if (!path || !*path)
    return false;
  if (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':')
    path += 2;
  std::string rest = path;
  while (!rest.empty()) {
    const size_t slash = rest.rfind('/');
    const std::string part = slash == std::string::npos ? rest : rest.substr(slash + 1);
    // A leading '/' (an absolute path) leaves an empty first component, which is the root.
    if (!(part.empty() && slash == 0) && !isDosComponent(part))
      return false;
    if (slash == std::string::npos)
      break;
    rest.erase(slash);
  }
  return true;
}
