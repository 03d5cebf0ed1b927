// filename_fuzz.cpp - Port::FileName on arbitrary names: parsing with SetFullName, every getter,
// Normalize, GetAbsolutePath and GetNameAsURL.
//
// Besides crashes it checks that the components keep their invariants, that a name reads back
// as itself, and that no result names another file by losing what anchors the name: the drive
// or the network mount (server and share) it came from, or the root of an absolute path. A name
// without a mount gains none, except the current drive where the current directory is filled in.
#include "Port_FileName.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

typedef Port::StringBase<char> String;

std::string S(const String &s) { return std::string(s.GetBuffer(), s.GetLength()); }

[[noreturn]] void Fail(const char *what, const std::string &name, const std::string &result) {
  std::fprintf(stderr, "filename_fuzz: %s\n  name:   \"%s\"\n  result: \"%s\"\n", what,
               name.c_str(), result.c_str());
  std::abort();
}

#define CHECK(cond, what, result)                                                                  \
  do {                                                                                             \
    if (!(cond))                                                                                   \
      Fail(what, name, result);                                                                    \
  } while (0)

bool IsDrive(const std::string &m) {
  return m.size() == 2 && m[1] == ':' &&
         ((m[0] >= 'A' && m[0] <= 'Z') || (m[0] >= 'a' && m[0] <= 'z'));
}

bool IsNetwork(const std::string &m) { return m.compare(0, 2, "\\\\") == 0; }

bool IsAbsolutePath(const std::string &p) { return !p.empty() && p[0] == '\\'; }

void CheckInvariants(const Port::FileName &f, const std::string &name) {
  const std::string mount = S(f.GetMount()), path = S(f.GetPath()), ext = S(f.GetExtension());
  CHECK(path.find('/') == std::string::npos, "path holds '/'", path);
  CHECK(path.find("\\\\") == std::string::npos, "path holds a doubled separator", path);
  CHECK(path.empty() || path.back() == '\\', "path without final separator", path);
  CHECK(ext.empty() || ext[0] == '.', "extension without dot", ext);
  CHECK(mount.empty() || IsDrive(mount) || IsNetwork(mount), "mount is neither drive nor network",
        mount);
  CHECK(!IsNetwork(mount) || IsAbsolutePath(path), "network name with relative path", path);
}

// A result that stands for the same file keeps the mount, and an absolute path stays absolute.
void CheckKeepsAnchor(const Port::FileName &f, const std::string &name, const std::string &result,
                      const char *what) {
  Port::FileName r(result.c_str());
  const std::string mount = S(f.GetMount());
  CHECK(S(r.GetMount()) == mount, what, result);
  if (IsAbsolutePath(S(f.GetPath())))
    CHECK(IsAbsolutePath(S(r.GetPath())), what, result);
}

// A result with the current drive and directory filled in: the mount of the name, or a drive
// where it had none, in front of an absolute path.
void CheckFilledIn(const Port::FileName &f, const std::string &name, const std::string &result,
                   const char *what) {
  Port::FileName r(result.c_str());
  const std::string mount = S(f.GetMount()), got = S(r.GetMount());
  CHECK(mount.empty() ? IsDrive(got) : got == mount, what, result);
  CHECK(IsAbsolutePath(S(r.GetPath())), what, result);
}

void CheckUrl(const Port::FileName &f, const std::string &name, const std::string &url) {
  std::string mount = S(f.GetMount());
  if (mount.empty() || IsDrive(mount)) {
    // file:///C|/... with the name's drive, or the current one when it had none.
    const std::string drive = !mount.empty() ? mount : url.size() > 8 ? url.substr(8, 1) + ":" : "";
    const std::string expected = "file:///" + drive.substr(0, 1) + "|/";
    CHECK(IsDrive(drive) && url.compare(0, expected.size(), expected) == 0, "URL lost the drive",
          url);
    return;
  }
  for (char &c : mount)
    if (c == '\\')
      c = '/';
  CHECK(url.compare(0, 5 + mount.size(), "file:" + mount) == 0, "URL lost the server", url);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // GetNameAsURL writes a line to standard output for every name.
  if (!std::freopen("/dev/null", "w", stdout))
    std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string name(reinterpret_cast<const char *>(data), size);
  const char *text = name.c_str(); // up to the first NUL, as a caller's text would be

  Port::FileName f;
  f.SetFullName(text);
  CheckInvariants(f, name);

  // Reading back: the name as stored parses to itself, and so do its components set one by one.
  const std::string stored = S(f.GetName());
  Port::FileName again(stored.c_str());
  CHECK(S(again.GetName()) == stored, "name does not read back as itself", S(again.GetName()));
  Port::FileName parts(S(f.GetMount()).c_str(), S(f.GetPath()).c_str(), S(f.GetBase()).c_str(),
                       S(f.GetExtension()).c_str());
  CHECK(S(parts.GetName()) == stored, "components do not give the name back", S(parts.GetName()));

  const std::string normal = S(f.Normalize(true));
  CheckKeepsAnchor(f, name, normal, "Normalize changed the mount or the root");
  CHECK(S(Port::FileName(normal.c_str()).Normalize(true)) == normal, "Normalize is not stable",
        normal);
  CheckKeepsAnchor(f, name, S(f.Normalize(false)), "Normalize(false) changed the mount");
  CheckKeepsAnchor(f, name, S(f.GetHead(true, false)), "GetHead changed the mount or the root");
  CheckKeepsAnchor(f, name, S(f.GetHead(true, true)), "GetHead(removeFinalSep) lost the root");
  CheckKeepsAnchor(f, name, S(f.GetHead(false, true)), "GetHead(false, true) lost the root");
  (void)f.GetTail();
  (void)f.GetAbbreviatedName(static_cast<int>(size % 64) - 1, size % 2 == 0);
  (void)f.HasExtension("txt");
  (void)f.IsValidPath();

  // The getters below fill in the current directory and store it: work on copies.
  Port::FileName full(f);
  CheckFilledIn(f, name, S(full.GetFullName()), "GetFullName lost the mount");
  Port::FileName trimmed(f);
  CheckFilledIn(f, name, S(trimmed.GetFullName(true, nullptr, nullptr, nullptr, nullptr, true)),
                "GetFullName(removeFinalSep) lost the mount or the root");
  Port::FileName defaults(f);
  (void)defaults.GetFullName(false, "d:", "\\def\\", "base", "ext", true);
  Port::FileName cached(f);
  CheckFilledIn(f, name, std::string(static_cast<const char *>(cached)),
                "operator const char* lost the mount");
  Port::FileName absolute(f);
  const std::string abs = S(absolute.GetAbsolutePath(true));
  CheckFilledIn(f, name, abs, "GetAbsolutePath lost the mount");
  Port::FileName native(f);
  (void)native.MakeCanonical(false);
  (void)native.MakeNative();
  Port::FileName url(f);
  CheckUrl(f, name, S(url.GetNameAsURL()));

  Port::FileName popped(f);
  while (!popped.PopPathEnd().IsEmpty() && popped.HasPath()) {
  }
  Port::FileName poppedStart(f);
  while (!poppedStart.PopPathStart().IsEmpty()) {
  }
  return 0;
}
