// Port_QUID.h - Port::QUID, a 128-bit identifier kept in its printed form, the braced text
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, with a free comment. Identity and order are those of
// the text without regard to letter case; no binary form is kept.
//
// With the environment variable QUELMO_DO_PORT_QUID_STRING_VALIDATION set, a text that does not
// have the printed form is reported as an error (and stored all the same).
//
// Threads: a QUID is a plain value in two fixed character arrays (no shared string), so its const
// operations may run on several threads at once; Set, SetComment and assignment need the object
// to themselves. The validation switch is read once, safely from any thread. GetAsString and the
// conversion to StringBase<char> make new strings for the calling thread.
#ifndef PORT_QUID_H
#define PORT_QUID_H

#include "Port_Export.h"

#include "Port_StringBase.h"

#include <ostream>

namespace Port {

class PORT_API QUID {
public:
  static constexpr unsigned ValueSize = 40;    // at most 39 characters, longer texts are cut
  static constexpr unsigned CommentSize = 128; // at most 127 characters

  QUID(); // the null identifier "{00000000-0000-0000-0000-000000000000}"
  QUID(const char *text);
  QUID(const StringBase<char> &text);
  QUID(const char *text, const char *comment);
  QUID(const StringBase<char> &text, const StringBase<char> &comment);
  QUID(const QUID &other);
  QUID &operator=(const QUID &other);
  virtual ~QUID();

  bool operator==(const QUID &other) const;
  bool operator!=(const QUID &other) const;
  bool operator<(const QUID &other) const;

  void Set(unsigned int d1, unsigned short d2, unsigned short d3, unsigned char b0,
           unsigned char b1, unsigned char b2, unsigned char b3, unsigned char b4, unsigned char b5,
           unsigned char b6, unsigned char b7);
  void Set(const char *text);
  void SetComment(const StringBase<char> &comment);

  // The null identifier: new identifiers are not generated on this platform.
  static QUID New();

  const char *GetValue() const { return m_value; }
  const char *GetComment() const { return m_comment; }
  void GetAsString(StringBase<char> &out) const;
  operator StringBase<char>() const;
  std::ostream &Dump(std::ostream &os);

private:
  char m_value[ValueSize];
  char m_comment[CommentSize];
};

} // namespace Port

#endif
