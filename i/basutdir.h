// basutdir.h - UT_DIR, a snapshot of the names in one directory, and UT_DIR_ITERATOR, which
// walks them, all or only those matching a wildcard pattern (case ignored).
//
// Threads: a UT_DIR is filled when made and only read afterwards, so its const operations may
// run on several threads at once (match_names keeps no state); assignment needs it alone. An
// iterator holds its pattern as a Port::StringBase: an iterator and its copies belong to one
// thread at a time.
#ifndef BASUTDIR_H
#define BASUTDIR_H

#include "Port_Export.h"

#include "Port_StringBase.h"

class UT_DIRIMP;
class UT_DIR_ITERATOR;

class PORT_API UT_DIR {
public:
  // Lists path (files and directories alike, in the order the system reports them); with
  // skipDotNames, names beginning with "." are left out. A null path gives an empty listing.
  explicit UT_DIR(char const *path, unsigned char skipDotNames = 0);
  // Not allowed: ends the process with "Copy constructor not allowed".
  UT_DIR(UT_DIR const &other);
  UT_DIR &operator=(UT_DIR const &other);
  ~UT_DIR();

  // Whether the listing found at least one entry.
  bool isvalid() const;
  UT_DIR_ITERATOR begin() const;
  UT_DIR_ITERATOR begin(char const *pattern) const;
  UT_DIR_ITERATOR end() const;
  static bool match_names(char const *pattern, char const *name);

  int getnum() const;
  char const *getname(int index) const;

private:
  UT_DIRIMP *m_imp;
};

class PORT_API UT_DIR_ITERATOR {
public:
  UT_DIR_ITERATOR(); // belongs to no listing
  UT_DIR_ITERATOR(UT_DIR const *dir, int index, char const *pattern);
  UT_DIR_ITERATOR(UT_DIR_ITERATOR const &other);
  UT_DIR_ITERATOR &operator=(UT_DIR_ITERATOR const &other);
  ~UT_DIR_ITERATOR();

  UT_DIR_ITERATOR &operator++();
  UT_DIR_ITERATOR operator++(int);
  // The current name; throws Port::NullPointerException for an iterator of no listing (and
  // for one standing at the end).
  char const *operator*() const;
  bool operator==(UT_DIR_ITERATOR const &other) const;
  bool operator!=(UT_DIR_ITERATOR const &other) const;

private:
  void skipNonMatching();

  UT_DIR const *m_dir;
  bool m_filtering;
  int m_index;
  Port::StringBase<char> m_pattern;
};

#endif
