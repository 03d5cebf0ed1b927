// Port_FileName.cpp - the file-name handle over its implementation, the splitter and the
// case-keeping name encoding.
#include "Port_FileName.h"

#include "Port_MsgManData.h"
#include "filenametext.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace Port {

namespace {

typedef StringBase<char> String;

const char *const kRevision = "$Revision: 1.1 $";

using filenametext::IsLetter;
using filenametext::IsSep;
using filenametext::Slice;

} // namespace

const char *const enc_prefix = "_uu_";

FileName::FileName() : m_impl(new FileNameImpl(*this)) {}

FileName::FileName(const FileName &other) : m_impl(new FileNameImpl(*this)) {
  m_impl->Copy(*other.m_impl);
}

FileName::FileName(const char *name) : m_impl(new FileNameImpl(*this)) {
  m_impl->SetFullName(name);
}

FileName::FileName(const char *mount, const char *path, const char *base, const char *ext)
    : m_impl(new FileNameImpl(*this)) {
  m_impl->SetMount(mount);
  m_impl->SetPath(path);
  m_impl->SetBase(base);
  m_impl->SetExtension(ext);
}

FileName::~FileName() { delete m_impl; }

FileName &FileName::operator=(const FileName &other) {
  if (this != &other)
    m_impl->Copy(*other.m_impl);
  return *this;
}

FileName &FileName::operator=(const char *name) {
  // The name may be this object's own full-name text: parse it before the old implementation
  // (which owns that text) goes.
  std::unique_ptr<FileNameImpl> fresh(new FileNameImpl(*this));
  fresh->SetFullName(name);
  delete m_impl;
  m_impl = fresh.release();
  return *this;
}

void FileName::SetMount(const char *mount) { m_impl->SetMount(mount); }
void FileName::SetPath(const char *path) { m_impl->SetPath(path); }
void FileName::SetBase(const char *base) { m_impl->SetBase(base); }
void FileName::SetExtension(const char *ext) { m_impl->SetExtension(ext); }
void FileName::SetFullName(const char *name) { m_impl->SetFullName(name); }
void FileName::SetHead(const char *head) { m_impl->SetHead(head); }
void FileName::SetTail(const char *tail) { m_impl->SetTail(tail); }
void FileName::Empty() { m_impl->Empty(); }

String FileName::GetMount(bool keepNetworkName) const { return m_impl->GetMount(keepNetworkName); }
String FileName::GetPath() const { return m_impl->GetPath(); }
String FileName::GetBase() const { return m_impl->GetBase(); }
String FileName::GetExtension() const { return m_impl->GetExtension(); }
String FileName::GetHead(bool keepNetworkName, bool removeFinalSep) const {
  return m_impl->GetHead(keepNetworkName, removeFinalSep);
}
String FileName::GetTail() const { return m_impl->GetTail(); }
String FileName::GetName() const { return m_impl->GetName(); }

String FileName::GetFullName(bool keepNetworkName, const char *defMount, const char *defPath,
                             const char *defBase, const char *defExt, bool removeFinalSep) {
  return m_impl->GetFullName(keepNetworkName, defMount, defPath, defBase, defExt, removeFinalSep);
}

FileName::operator const char *() { return m_impl->GetFullNameCached(); }

String FileName::GetAbsolutePath(bool keepNetworkName) {
  String r = m_impl->GetMountAndPath(keepNetworkName, nullptr, nullptr, false, false);
  r += m_impl->GetBase();
  r += m_impl->GetExtension();
  FileName absolute(r.GetBuffer());
  return absolute.Normalize(keepNetworkName);
}

String FileName::Normalize(bool keepNetworkName) const {
  return m_impl->Normalize(keepNetworkName);
}

String FileName::MakeCanonical(bool native) {
  String r = m_impl->GetFullName(native, nullptr, nullptr, nullptr, nullptr, false);
  if (!native)
    r.ReplaceChars('\\', '/');
  return r;
}

String FileName::MakeNative() {
  return m_impl->GetFullName(true, nullptr, nullptr, nullptr, nullptr, false);
}

String FileName::GetAbbreviatedName(int maxLength, bool keepTail) const {
  return m_impl->GetAbbreviatedName(maxLength, keepTail);
}

String FileName::GetNameAsURL() {
  String name = GetAbsolutePath(false);
  if (name.GetLength() >= 2 && name.GetChar(1) == ':') {
    String drive = Slice(name, 0, 2);
    std::printf("path is <%s>\n", drive.GetBuffer());
    String hostPart("///");
    hostPart += drive.GetChar(0);
    hostPart += '|';
    name.Replace(Port_Range(0, 1), hostPart);
  }
  name.ReplaceChars('\\', '/');
  String r("file:");
  r += name;
  return r;
}

bool FileName::IsValidPath() {
  const char *full = m_impl->GetFullNameCached();
  for (const char *p = full; *p; ++p) {
    switch (*p) {
    case '<':
    case '>':
    case '|':
    case '*':
    case '?':
    case '"':
    case '\n':
    case '\t':
      return false;
    case ':':
      if (p != full + 1)
        return false;
      break;
    default:
      break;
    }
  }
  return true;
}

bool FileName::IsEmpty() const { return m_impl->IsEmpty(); }
bool FileName::HasMount() const { return m_impl->HasMount(); }
bool FileName::HasPath() const { return m_impl->HasPath(); }
bool FileName::HasBase() const { return m_impl->HasBase(); }
bool FileName::HasExtension() const { return m_impl->HasExtension(); }
bool FileName::HasExtension(const char *ext) const { return m_impl->HasExtension(ext); }

void FileName::PushPathStart(const char *dir) {
  if (!m_impl->PushPathStart(dir))
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueStatus("Prepending components to an absolute path is invalid.\n");
}

void FileName::PushPathEnd(const char *dir) { m_impl->PushPathEnd(dir); }
String FileName::PopPathStart() { return m_impl->PopPathStart(); }
String FileName::PopPathEnd() { return m_impl->PopPathEnd(); }

void removeslash(String &s) {
  const char *p = s.GetBuffer();
  const char *end = s.GetBufferEnd();
  bool doubled = false;
  for (const char *q = p; q + 1 < end; ++q)
    if (IsSep(q[0]) && IsSep(q[1])) {
      doubled = true;
      break;
    }
  if (!doubled)
    return;
  StringExp<char> r;
  for (const char *q = p; q < end; ++q)
    if (!(IsSep(*q) && q > p && IsSep(q[-1])))
      r += *q;
  s = r;
}

void tsplitpath(const String &name, String &mount, String &dir, String &base, String &ext, bool) {
  String s(name);
  removeslash(s);
  const unsigned len = s.GetLength();
  const char *p = s.GetBuffer();

  // Only a drive is a mount here: on Windows a later colon names a stream of the file, and on
  // this platform it is an ordinary character of a name.
  const unsigned start = len >= 2 && IsLetter(p[0]) && p[1] == ':' ? 2 : 0;
  mount = Slice(s, 0, start);

  unsigned tail = len;
  while (tail > start && !IsSep(p[tail - 1]))
    --tail;
  dir = Slice(s, start, tail - start);

  // A dot that starts the tail (".profile") belongs to the base.
  unsigned dot = len;
  while (dot > tail && p[dot - 1] != '.')
    --dot;
  if (dot <= tail + 1) {
    base = Slice(s, tail, len - tail);
    ext.Empty();
    return;
  }
  base = Slice(s, tail, dot - 1 - tail);
  ext = Slice(s, dot - 1, len - dot + 1);
}

bool GetNetworkName(String &) { return false; }

String EncodeName(const char *name) {
  StringExp<char> r;
  if (!name)
    return r;
  for (const char *p = name; *p; ++p) {
    if (char_traits<char>::isupper(*p)) {
      r += enc_prefix;
      r += char_traits<char>::tolower(*p);
    } else {
      r += *p;
    }
  }
  return r;
}

String DecodeName(const char *name) {
  StringExp<char> r;
  if (!name)
    return r;
  const size_t n = std::strlen(enc_prefix);
  for (const char *p = name; *p;) {
    if (std::strncmp(p, enc_prefix, n) == 0) {
      p += n;
      if (*p)
        r += char_traits<char>::toupper(*p++);
    } else {
      r += *p++;
    }
  }
  return r;
}

} // namespace Port
