// basutfileencode.h - UT_FILEENCODE: a whole text file held in memory, read line by line or up
// to a delimiter, or built line by line and written out plain or scrambled.
//
// File format: a scrambled file is the 5-byte signature 06 1E 43 00 09 followed by the
// scrambled contents; any other file is plain, all of its bytes being the contents. The k-th
// byte of a scrambled range (k from 0) is b' = ((b - k % 7) mod 256 + k % 74) mod 256. The
// scrambling takes no key: it keeps a casual reader out, nothing more.
//
// An object is used by one thread at a time.
#ifndef BASUTFILEENCODE_H
#define BASUTFILEENCODE_H

#include "Port_Export.h"

class UT_FILEENCODEIMP;

class PORT_API UT_FILEENCODE {
public:
  UT_FILEENCODE();
  // Copies carry the contents, the position and the end flag.
  UT_FILEENCODE(const UT_FILEENCODE &other);
  UT_FILEENCODE &operator=(const UT_FILEENCODE &other);
  ~UT_FILEENCODE();

  // Appends the file's contents, unscrambled when the file carries the signature; the position
  // is not moved. False when the file cannot be opened or read, or would make the contents
  // larger than 2 GiB - 1 (the contents then stay as they were).
  bool load(char const *name);
  // Writes the contents, behind the signature and scrambled when scrambled is set; the object's
  // contents stay plain. False when the file cannot be opened or not every byte was written.
  // The file is replaced whole: the new contents go to a temporary file beside it
  // (".<name>.~<pid>"), flushed to the disk and renamed over it, so that a crash leaves the old
  // contents or the new ones; mode, owner and group are kept, and a symbolic link is written
  // through to its target. A file with other hard links is written in place, so that it stays
  // one file under all of its names (a crash may then leave it incomplete).
  bool dump(char const *name, unsigned char scrambled);
  // Appends text and a line feed, unless text is empty or already ends with one.
  void writeline(char const *text);
  // The next line without its line end (a line feed, or a carriage return and a line feed),
  // zero-terminated; the result is its length. A line of size bytes or more fills buf with
  // size bytes, unterminated, and returns size; the rest of the line is read next. 0 with buf
  // empty after the end.
  unsigned int readline(char *buf, unsigned int size);
  // Copies up to n bytes from the position without moving it; the number copied.
  unsigned int peek(char *buf, unsigned int n);
  // Copies bytes up to and including the first one found in delims, at most n, unterminated;
  // the number copied.
  unsigned int readkey(char *buf, unsigned int n, char const *delims);
  // Moves the position to pos and clears the end flag when 0 <= pos < contents length;
  // otherwise changes nothing and returns false.
  bool setfoffset(long pos);
  long getfoffset() const;
  // Set once a read has reached the end of the contents.
  bool geteof() const;
  // Clears the end flag and, when there are contents, moves to the start; whether there are.
  bool rewind();
  // Scramble or unscramble count bytes from start in place (count 0: up to the end), k
  // counting from start. Bytes outside the contents are left alone.
  void encodebuff(long start, unsigned int count);
  void decodebuff(long start, unsigned int count);

private:
  UT_FILEENCODEIMP *m_imp;
};

#endif
