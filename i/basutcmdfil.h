// basutcmdfil.h - command files: arguments read from a text file named with "-f" on the
// command line, and an argument vector written back to such a file.
//
// File format: arguments separated by blanks, tabs and line ends; an argument beginning with
// "#" starts a comment to the end of the line; an argument beginning with a double quote runs
// to the next single double quote on the same line, keeps blanks, and reads two double quotes
// as one. At most 256 entries in all. Under an English user locale every byte must be
// printable or a control character.
//
// Thread safety: an object is used by one thread at a time.
#ifndef BASUTCMDFIL_H
#define BASUTCMDFIL_H

#include "Port_Export.h"

class UT_CMDFILEIMP;

class PORT_API UT_CMDFILE {
public:
  enum { MaxEntries = 256 };

  UT_CMDFILE();
  // Copies argv, replacing each "-f name" by the arguments of the file name; a "-f" at the very
  // end is dropped. loadstat() is the result of the last file loaded.
  UT_CMDFILE(int argc, const char *const *argv);
  ~UT_CMDFILE();
  UT_CMDFILE(const UT_CMDFILE &) = delete;
  UT_CMDFILE &operator=(const UT_CMDFILE &) = delete;

  // Reads file; unless append, the vector is emptied first. True on success; a failed load
  // keeps the arguments read so far.
  bool load(const char *file, unsigned char append);
  // Writes one argument per line (from the second when skipFirst), quoted where load would
  // otherwise split or change it, so that load gives the same vector back. True on success.
  // The file is replaced whole: the new contents go to a temporary file beside it
  // (".<name>.~<pid>"), flushed to the disk and renamed over it, so that a crash leaves the old
  // contents or the new ones; mode, owner and group are kept, and a symbolic link is written
  // through to its target. A file with other hard links is written in place, so that it stays
  // one file under all of its names (a crash may then leave it incomplete).
  bool unload(const char *file, unsigned char skipFirst);
  int getargc() const;
  // The vector, ended by a null entry; null when it is empty.
  const char *const *getargv() const;
  bool loadstat() const;

private:
  UT_CMDFILEIMP *m_imp;
};

#endif
