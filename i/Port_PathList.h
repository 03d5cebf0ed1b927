// Port_PathList.h - ordered lists of directories, and the process-wide search paths: the
// installation (MYQUELMO, then the QUELMO directories) and the optional QELENV path.
//
// Threads: a PathList is not locked and its texts are Port::StringBase strings: a list and its
// copies (which share the texts' blocks) belong to one thread at a time. The two process-wide
// lists are built and destroyed by the counted initialiser as libraries load and unload, and only
// read in between: any thread may walk them and read GetBuffer(), but copying a list or an
// element writes the shared counts, so copy the characters instead.
#ifndef PORT_PATHLIST_H
#define PORT_PATHLIST_H

#include "Port_Export.h"

#include "Port_StringBase.h"

namespace Port {

class PathListImpl;
class PathListIteratorImpl;

PORT_API extern const char *const delimiter; // ";" between directories in a variable's value
PORT_API extern const char *const separator; // "/" between a directory and a sub-path

// A position in a PathList; iterators compare by the element they point at.
class PORT_API PathListIterator {
public:
  PathListIterator();
  explicit PathListIterator(const StringBase<char> *element);
  PathListIterator(const PathListIterator &other);
  PathListIterator &operator=(const PathListIterator &other);
  ~PathListIterator();
  PathListIterator &operator++();
  PathListIterator operator++(int);
  PathListIterator &operator--();
  PathListIterator operator--(int);
  const StringBase<char> &operator*() const;
  const StringBase<char> *operator->() const;
  bool operator==(const PathListIterator &other) const;
  bool operator!=(const PathListIterator &other) const;

private:
  PathListIteratorImpl *m_impl;
};

// An ordered list of directory texts. Copies copy the texts.
class PORT_API PathList {
public:
  PathList();
  PathList(const PathList &other);
  PathList &operator=(const PathList &other);
  ~PathList();
  void push_back(const StringBase<char> &dir);
  int size() const;
  PathListIterator begin() const;
  PathListIterator end() const;
  // The last element; end() when the list is empty.
  PathListIterator last() const;

private:
  PathListImpl *m_impl;
};

// The installation: the MYQUELMO directory (when it is one), then the QUELMO directories in
// the order written. Initialize ends the process when the installation is unusable.
class PORT_API QuelmoPath {
public:
  static void Initialize();
  static PathList *GetInstance();
  static void Finalize();
};

// The optional second search path: MYQELENV, then the QELENV directories. Never fails.
class PORT_API QelenvPath {
public:
  static void Initialize();
  static PathList *GetInstance();
  static void Finalize();
};

// Counted start-up object: the first one builds both lists, the last one destroys them.
class PORT_API PathListInit {
public:
  PathListInit();
  ~PathListInit();
  PathListInit(const PathListInit &) = delete;
  PathListInit &operator=(const PathListInit &) = delete;

private:
  static int counter;
};

// Trims white space, turns backslashes into slashes and removes trailing slashes, keeping one
// for a root.
PORT_API void NormalizePath(StringBase<char> *path);
PORT_API bool isDir(const StringBase<char> &path);
// Ends the process with exitCode when no directory of the list has the sub-directory.
PORT_API void checkSubdirectory(PathList *list, const char *sub, const char *setting, int exitCode);

} // namespace Port

static Port::PathListInit Port_PathListInitObject;

#endif
