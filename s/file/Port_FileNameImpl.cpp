// Port_FileNameImpl.cpp - parsing, composing and normalising Windows file names (component
// rules in Port_FileName.h).
#include "Port_FileName.h"

#include "filenametext.h"
#include "platform/drive.h"

#include <string>
#include <vector>

namespace Port {

namespace {

typedef StringBase<char> String;

const char kSep = '\\';

using filenametext::IsLetter;
using filenametext::IsSep;
using filenametext::Slice;

String Text(const char *s) { return s ? String(s) : String(); }

char LastChar(const String &s) { return s.IsEmpty() ? 0 : s.GetChar(s.GetLength() - 1); }

// 1 = A:, whatever the case of the letter; 0 when the mount is no drive.
int DriveNumber(const String &mount) {
  if (mount.GetLength() < 2 || mount.GetChar(1) != ':' || !IsLetter(mount.GetChar(0)))
    return 0;
  return char_traits<char>::toupper(mount.GetChar(0)) - 64;
}

// "\\?\UNC" and "\\.\UNC": the device prefixes in front of a network name.
bool IsUncPrefix(const String &mount) {
  return mount.GetLength() == 7 && (mount.GetChar(2) == '?' || mount.GetChar(2) == '.') &&
         mount.GetChar(3) == kSep &&
         String(mount.GetBuffer() + 4).Equals(String("UNC"), String::IgnoreCaseCompare);
}

// A network mount needs a separator before a relative path; a drive does not (C:dir\ is the
// directory dir below the drive's current directory).
String JoinMountPath(const String &mount, const String &path) {
  String r(mount);
  if (FileNameImpl::IsRemoteName(mount) && !path.IsEmpty() && path.GetChar(0) != kSep)
    r += kSep;
  r += path;
  return r;
}

// Removes a final separator unless it is the root's, the one right after the mount (C:\, \,
// \\server\share\): C: alone would name the drive's current directory, and an empty text the
// process's.
void RemoveFinalSepOutsideRoot(String &name, unsigned mountLength) {
  if (name.GetLength() > mountLength + 1)
    FileNameImpl::RemoveFinalSepIfPresent(name);
}

// Removes the first component of a path and returns it: one leading separator is dropped, then
// everything up to the next separator is taken together with that separator, or the whole rest
// when there is none.
String PopStart(String &path) {
  if (path.IsEmpty())
    return String();
  if (path.GetChar(0) == kSep)
    path.Remove(0u);
  const unsigned i = path.GetIndexOfFirstChar(kSep);
  if (i == String::npos) {
    String r(path);
    path.Empty();
    return r;
  }
  String r = Slice(path, 0, i);
  path.Remove(Port_Range(0, i));
  return r;
}

// "." steps are dropped; ".." removes the step before it. Above the root of an absolute path
// there is nothing to remove; a relative path keeps the ".." steps it cannot resolve.
String NormalizePath(const String &path) {
  if (path.IsEmpty())
    return path;
  std::vector<String> steps;
  const bool absolute = path.GetChar(0) == kSep;
  const char *p = path.GetBuffer();
  const char *end = path.GetBufferEnd();
  while (p < end) {
    const char *q = p;
    while (q < end && *q != kSep)
      ++q;
    const unsigned n = static_cast<unsigned>(q - p);
    if (n == 0 || (n == 1 && p[0] == '.')) {
      // empty or "."
    } else if (n == 2 && p[0] == '.' && p[1] == '.') {
      if (!steps.empty() && !steps.back().Equals(".."))
        steps.pop_back();
      else if (!absolute)
        steps.push_back(String(".."));
    } else {
      steps.push_back(String(p, n));
    }
    p = q + 1;
  }
  StringExp<char> r;
  if (absolute)
    r += kSep;
  for (const String &s : steps) {
    r += s;
    r += kSep;
  }
  return r;
}

} // namespace

void FileNameImpl::Copy(const FileNameImpl &other) {
  m_mount = other.m_mount;
  m_path = other.m_path;
  m_base = other.m_base;
  m_extension = other.m_extension;
}

void FileNameImpl::SetMount(const char *mount) {
  String m = Text(mount);
  ConvertSlashes(m);
  unsigned n = m.GetLength();
  while (n > 0 && m.GetChar(n - 1) == kSep)
    --n;
  m.Truncate(n);
  if (!m.IsEmpty() && !IsRemoteName(m) && LastChar(m) != ':')
    m += ':';
  m_mount = m;
}

void FileNameImpl::SetPath(const char *path) {
  String p = Text(path);
  ConvertSlashes(p);
  if (!p.IsEmpty() && LastChar(p) != kSep)
    p += kSep;
  removeslash(p);
  m_path = p;
}

void FileNameImpl::SetBase(const char *base) { m_base = Text(base); }

void FileNameImpl::SetExtension(const char *ext) {
  String e = Text(ext);
  if (!e.IsEmpty() && e.GetChar(0) != '.')
    e.Insert(0, '.');
  m_extension = e;
}

void FileNameImpl::SetFullName(const char *name) {
  if (!name) {
    Empty();
    return;
  }
  String text(name);
  ConvertSlashes(text);
  String mount, dir, base, ext;
  tsplitpath(text, mount, dir, base, ext, false);
  SetPath(dir);
  SetBase(base);
  SetExtension(ext);
  if (!IsRemoteName(text)) {
    SetMount(mount);
    return;
  }
  // \\server\share\dir\name.ext: the collapsed directory reads \server\share\dir\. The mount
  // takes server and share; behind the prefixes \\?\UNC and \\.\UNC it takes the server and
  // share that follow too, so that ".." cannot leave the share.
  if (!m_path.IsEmpty())
    m_path.Remove(0u);
  String m;
  int parts = 2;
  for (int i = 0; i < parts; ++i) {
    String part = PopPathStart();
    if (part.IsEmpty()) {
      // \\server and \\server\share name the server or the share, not a file in it.
      part = GetTail();
      m_base.Empty();
      m_extension.Empty();
    }
    if (part.IsEmpty())
      break;
    m += i == 0 ? "\\\\" : "\\";
    m += part;
    if (i == 1 && IsUncPrefix(m))
      parts = 4;
  }
  // Only separators leave no mount: the root.
  m_mount = m;
  String rest = m_path;
  m_path = String("\\");
  m_path += rest;
}

void FileNameImpl::SetHead(const char *head) {
  if (!head || !*head) {
    Empty();
    return;
  }
  String h(head);
  h += kSep;
  SetFullName(h);
}

void FileNameImpl::SetTail(const char *tail) {
  String t = Text(tail);
  const unsigned dot = t.GetIndexOfLastChar('.');
  if (dot == String::npos || dot == 0) {
    m_base = t;
    m_extension.Empty();
    return;
  }
  m_base = Slice(t, 0, dot);
  m_extension = Slice(t, dot, t.GetLength() - dot);
}

void FileNameImpl::Empty() {
  m_mount.Empty();
  m_path.Empty();
  m_base.Empty();
  m_extension.Empty();
}

String FileNameImpl::GetMount(bool keepNetworkName) const {
  String m(m_mount);
  unsigned driveType = 0;
  if (!keepNetworkName && IsRemoteName(m))
    GetLocalName(m, &driveType);
  return m;
}

String FileNameImpl::GetHead(bool keepNetworkName, bool removeFinalSep) const {
  String m = GetMount(keepNetworkName);
  RemoveFinalSepIfPresent(m);
  String r = JoinMountPath(m, m_path);
  if (removeFinalSep)
    RemoveFinalSepOutsideRoot(r, m.GetLength());
  return r;
}

String FileNameImpl::GetTail() const {
  String r(m_base);
  r += m_extension;
  return r;
}

String FileNameImpl::GetName() const {
  String r = JoinMountPath(m_mount, m_path);
  r += m_base;
  r += m_extension;
  return r;
}

String FileNameImpl::GetMountAndPath(bool keepNetworkName, const char *defMount,
                                     const char *defPath, bool, bool removeFinalSep) {
  unsigned mountLength = 0;
  String r = ComposeMountAndPath(keepNetworkName, defMount, defPath, mountLength);
  if (removeFinalSep)
    RemoveFinalSepOutsideRoot(r, mountLength);
  return r;
}

String FileNameImpl::ComposeMountAndPath(bool keepNetworkName, const char *defMount,
                                         const char *defPath, unsigned &mountLength) {
  String mount;
  if (m_mount.IsEmpty() && defMount && *defMount) {
    SetMount(defMount);
    mount = m_mount;
    m_mount.Empty();
    if (!IsRemoteName(mount))
      mount.Truncate(2);
  } else if (m_mount.IsEmpty()) {
    mount = String(static_cast<char>(64 + platform::getdrive()), 1);
    mount += ':';
  } else {
    mount = GetMount(keepNetworkName);
  }
  const int drive = DriveNumber(mount);

  String r;
  if (m_path.IsEmpty()) {
    if (defPath && *defPath) {
      SetPath(defPath);
    } else {
      // The root of a drive or share reads as an empty current directory.
      String cur = drive >= 1 ? GetCurrentDir(drive) : String();
      SetPath(cur.IsEmpty() ? "\\" : cur.GetBuffer());
    }
    r = JoinMountPath(mount, m_path);
  } else if (m_path.GetChar(0) == kSep) {
    unsigned n = mount.GetLength();
    while (n > 0 && IsSep(mount.GetChar(n - 1)))
      --n;
    mount.Truncate(n);
    r = mount;
    r += m_path;
  } else {
    r = mount;
    if (drive >= 1 || IsRemoteName(mount))
      r += kSep;
    // The drive's directory starts with a separator (unless it is the root), which would
    // double the one just written.
    String cur = drive >= 1 ? GetCurrentDir(drive) : String();
    if (!cur.IsEmpty())
      r.Append(cur.GetBuffer() + 1);
    r += m_path;
  }
  mountLength = mount.GetLength();
  return r;
}

String FileNameImpl::GetFullName(bool keepNetworkName, const char *defMount, const char *defPath,
                                 const char *defBase, const char *defExt, bool removeFinalSep) {
  unsigned mountLength = 0;
  String r = ComposeMountAndPath(keepNetworkName, defMount, defPath, mountLength);
  if (!m_base.IsEmpty())
    r += m_base;
  else if (defBase)
    r += defBase;
  if (!m_extension.IsEmpty()) {
    r += m_extension;
  } else if (defExt && *defExt) {
    if (*defExt != '.')
      r += '.';
    r += defExt;
  }
  if (removeFinalSep)
    RemoveFinalSepOutsideRoot(r, mountLength);
  return r;
}

const char *FileNameImpl::GetFullNameCached() {
  m_fullName = GetFullName(true, nullptr, nullptr, nullptr, nullptr, false);
  return m_fullName.GetBuffer();
}

String FileNameImpl::Normalize(bool keepNetworkName) const {
  String r = JoinMountPath(GetMount(keepNetworkName), NormalizePath(m_path));
  r += m_base;
  r += m_extension;
  // Without a mount, "a\..\b:c" must not come out as b:c, which is drive b.
  if (m_mount.IsEmpty() && DriveNumber(r) > 0)
    r.Insert(0, ".\\");
  return r;
}

String FileNameImpl::GetAbbreviatedName(int maxLength, bool keepTail) const {
  const unsigned max = maxLength < 0 ? 0u : static_cast<unsigned>(maxLength);
  String full = GetName();
  if (full.GetLength() <= max)
    return full;
  String tail = GetTail();
  if (tail.GetLength() > max)
    return keepTail ? tail : String();
  // A name that is relative and has no mount must not turn absolute when shortened.
  String prefix(m_mount);
  if (!m_mount.IsEmpty() || (HasPath() && m_path.GetChar(0) == kSep))
    prefix += kSep;
  prefix += "...\\";
  String path(m_path);
  while (!path.IsEmpty()) {
    PopStart(path);
    if (prefix.GetLength() + path.GetLength() + tail.GetLength() <= max) {
      String r(prefix);
      r += path;
      r += tail;
      return r;
    }
  }
  return tail;
}

bool FileNameImpl::IsEmpty() const {
  return m_mount.IsEmpty() && m_path.IsEmpty() && m_base.IsEmpty() && m_extension.IsEmpty();
}

bool FileNameImpl::HasExtension(const char *ext) const {
  if (!ext || !*ext)
    return m_extension.IsEmpty();
  String e(ext);
  if (e.GetChar(0) != '.')
    e.Insert(0, '.');
  return m_extension.Equals(e, String::IgnoreCaseCompare);
}

bool FileNameImpl::PushPathStart(const char *dir) {
  if (!m_path.IsEmpty() && m_path.GetChar(0) == kSep)
    return false;
  String d = Text(dir);
  ConvertSlashes(d);
  if (!d.IsEmpty() && LastChar(d) != kSep)
    d += kSep;
  d += m_path;
  SetPath(d);
  return true;
}

void FileNameImpl::PushPathEnd(const char *dir) {
  String d = Text(dir);
  if (d.IsEmpty())
    return;
  ConvertSlashes(d);
  String p(m_path);
  if (!p.IsEmpty()) {
    if (LastChar(p) != kSep)
      p += kSep;
    if (d.GetChar(0) == kSep)
      d.Remove(0u);
  }
  p += d;
  SetPath(p);
}

String FileNameImpl::PopPathStart() { return PopStart(m_path); }

String FileNameImpl::PopPathEnd() {
  const unsigned len = m_path.GetLength();
  if (len == 0)
    return String();
  const unsigned end = LastChar(m_path) == kSep ? len - 1 : len;
  const unsigned i = end ? m_path.GetIndexOfLastChar(Port_Range(0, end - 1), kSep) : String::npos;
  if (i == String::npos) {
    String r = Slice(m_path, 0, end);
    m_path.Empty();
    return r;
  }
  String r = Slice(m_path, i + 1, end - i - 1);
  m_path.Truncate(i + 1);
  return r;
}

void FileNameImpl::ConvertSlashes(String &s) { s.ReplaceChars('/', kSep); }

void FileNameImpl::RemoveFinalSepIfPresent(String &s) {
  if (LastChar(s) == kSep)
    s.Truncate(s.GetLength() - 1);
}

bool FileNameImpl::IsRemoteName(const String &s) {
  return s.GetLength() >= 2 && s.GetChar(0) == kSep && s.GetChar(1) == kSep;
}

String FileNameImpl::GetCurrentDir(int drive) {
  std::string dir;
  if (drive < 1) {
    if (!platform::getdcwd(0, dir))
      return String();
    String r(dir.c_str());
    if (LastChar(r) != kSep)
      r += kSep;
    return r;
  }
  // "C:\" is the root; "C:\home\user" gives \home\user\.
  if (!platform::getdcwd(drive, dir) || dir.size() <= 3)
    return String();
  String r(dir.c_str() + 2);
  r += kSep;
  return r;
}

bool FileNameImpl::GetLocalName(String &, unsigned *) { return false; }

bool FileNameImpl::GetRemoteMountName(String *) { return false; }

} // namespace Port
