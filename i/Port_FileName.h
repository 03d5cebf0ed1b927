// Port_FileName.h - Windows file names taken apart into mount, path, base and extension, and
// put together again with the current drive and directory filled in.
//
// Components:  mount  "C:" or "\\server\share" (no final separator), empty when none
//              path   directory, "\" at its end whenever it is not empty, "\" at its start when
//                     absolute; never a "/" and never two separators in a row
//              base   file name without extension
//              ext    extension with its leading dot (".txt"), empty when none
// head = mount + path, tail = base + ext, full name = mount + path + base + ext.
// Forward slashes are accepted on input and stored as backslashes.
//
// Threads: the components are Port::StringBase strings, so an object is used by one thread at a
// time, and so are the strings its getters return (they may share the object's blocks). The
// getters that fill in a missing path, and operator const char*, write the object too. Distinct
// objects may be used in different threads; the current drive and directory they fill in are
// the process's, read at the time of the call.
#ifndef PORT_FILENAME_H
#define PORT_FILENAME_H

#include "Port_Export.h"

#include "Port_StringBase.h"

namespace Port {

class FileName;

class PORT_API FileNameImpl {
public:
  typedef StringBase<char> String;

  explicit FileNameImpl(FileName &owner) : m_owner(owner) {}
  FileNameImpl(const FileNameImpl &) = delete;
  FileNameImpl &operator=(const FileNameImpl &) = delete;

  // The four components of other; the full-name cache is not copied.
  void Copy(const FileNameImpl &other);

  void SetMount(const char *mount);
  void SetPath(const char *path);
  void SetBase(const char *base);
  void SetExtension(const char *ext);
  void SetFullName(const char *name);
  void SetHead(const char *head);
  void SetTail(const char *tail);
  void Empty();

  String GetMount(bool keepNetworkName) const;
  const String &GetPath() const { return m_path; }
  const String &GetBase() const { return m_base; }
  const String &GetExtension() const { return m_extension; }
  String GetHead(bool keepNetworkName, bool removeFinalSep) const;
  String GetTail() const;
  String GetName() const;
  // Mount and path with the current drive and directory (or the defaults) filled in. An empty
  // path is replaced in the object by the directory that is filled in.
  String GetMountAndPath(bool keepNetworkName, const char *defMount, const char *defPath, bool,
                         bool removeFinalSep);
  String GetFullName(bool keepNetworkName, const char *defMount, const char *defPath,
                     const char *defBase, const char *defExt, bool removeFinalSep);
  const char *GetFullNameCached();
  String Normalize(bool keepNetworkName) const;
  String GetAbbreviatedName(int maxLength, bool keepTail) const;

  bool IsEmpty() const;
  bool HasMount() const { return !m_mount.IsEmpty(); }
  bool HasPath() const { return !m_path.IsEmpty(); }
  bool HasBase() const { return !m_base.IsEmpty(); }
  bool HasExtension() const { return !m_extension.IsEmpty(); }
  bool HasExtension(const char *ext) const;

  // False, changing nothing, when the path is absolute: nothing can go in front of it.
  bool PushPathStart(const char *dir);
  void PushPathEnd(const char *dir);
  String PopPathStart();
  String PopPathEnd();

  static void ConvertSlashes(String &s);
  static void RemoveFinalSepIfPresent(String &s);
  // True for "\\server...": two separators in front. A colon further on belongs to the
  // component it stands in ("\\srv\share\f.txt:stream").
  static bool IsRemoteName(const String &s);
  // drive >= 1: that drive's current directory without its drive, with a final separator, and
  // empty for its root or a drive that does not exist. drive < 1: the process's current
  // directory with its drive and a final separator.
  static String GetCurrentDir(int drive);
  // Network-to-local translations: none exist on this platform; each returns false.
  static bool GetLocalName(String &name, unsigned *driveType);
  static bool GetRemoteMountName(String *name);

private:
  // GetMountAndPath without removing a final separator; mountLength receives the length of the
  // mount text the result begins with (its root separator, if any, follows it).
  String ComposeMountAndPath(bool keepNetworkName, const char *defMount, const char *defPath,
                             unsigned &mountLength);

  // The handle this object belongs to; nothing here needs it yet.
  [[maybe_unused]] FileName &m_owner;
  String m_mount;
  String m_path;
  String m_base;
  String m_extension;
  String m_fullName;
};

class PORT_API FileName {
public:
  typedef StringBase<char> String;

  FileName();
  FileName(const FileName &other);
  FileName(const char *name);
  FileName(const char *mount, const char *path, const char *base, const char *ext);
  virtual ~FileName();

  FileName &operator=(const FileName &other);
  FileName &operator=(const char *name);

  // A null text and an empty one alike make the component empty.
  void SetMount(const char *mount);
  void SetPath(const char *path);
  void SetBase(const char *base);
  void SetExtension(const char *ext);
  void SetFullName(const char *name);
  void SetHead(const char *head);
  void SetTail(const char *tail);
  void Empty();

  String GetMount(bool keepNetworkName = true) const;
  String GetPath() const;
  String GetBase() const;
  String GetExtension() const;
  String GetHead(bool keepNetworkName = true, bool removeFinalSep = false) const;
  String GetTail() const;
  // The components as stored; nothing is filled in.
  String GetName() const;
  // Fills in (and stores) the current directory when the path is empty; the current drive is
  // used, not stored, when the mount is empty.
  String GetFullName(bool keepNetworkName = true, const char *defMount = 0, const char *defPath = 0,
                     const char *defBase = 0, const char *defExt = 0, bool removeFinalSep = false);
  // GetFullName(); valid until the next call or the destruction of the object.
  operator const char *();
  String GetAbsolutePath(bool keepNetworkName = true);
  // The name with "." and ".." steps of the path resolved; the object is not changed.
  String Normalize(bool keepNetworkName = true) const;
  // native false: with forward slashes.
  String MakeCanonical(bool native = true);
  String MakeNative();
  String GetAbbreviatedName(int maxLength, bool keepTail = true) const;
  // "file:///C|/dir/name.ext", "file://server/share/dir/name.ext", from the absolute path.
  // Writes "path is <C:>" (the drive) as a line to standard output.
  String GetNameAsURL();
  // True when the full name holds none of < > | * ? " newline tab and no ':' other than the
  // drive's.
  bool IsValidPath();

  bool IsEmpty() const;
  bool HasMount() const;
  bool HasPath() const;
  bool HasBase() const;
  bool HasExtension() const;
  // Case-insensitive, with or without the dot; null or empty asks for no extension.
  bool HasExtension(const char *ext) const;

  void PushPathStart(const char *dir);
  void PushPathEnd(const char *dir);
  String PopPathStart();
  String PopPathEnd();

  static char GetPathSeparator() { return '\\'; }

private:
  FileNameImpl *m_impl;
};

// The marker of EncodeName: "_uu_".
PORT_API extern const char *const enc_prefix;

// Collapses every run of separators ('\' or '/') into its first character.
PORT_API void removeslash(StringBase<char> &s);
// Splits a name into mount (a drive: a letter and ':' at the start, else empty), directory
// (through the last separator), base and extension (from the last '.', unless that dot starts
// the tail). Any other ':' stays in its component: "run_12:30.log" is a base and an extension.
// A network name is left to the caller: its mount is empty here. The flag is unused.
PORT_API void tsplitpath(const StringBase<char> &name, StringBase<char> &mount,
                         StringBase<char> &dir, StringBase<char> &base, StringBase<char> &ext,
                         bool);
PORT_API bool GetNetworkName(StringBase<char> &name);
// MyFile <-> _uu_my_uu_file: case kept through names that are folded to lower case.
PORT_API StringBase<char> EncodeName(const char *name);
PORT_API StringBase<char> DecodeName(const char *name);

} // namespace Port

#endif
