// Port_Exception.h - the exceptions the library's newer classes throw. Each carries where it
// was raised (library, source file, revision, line) and a description translated into the
// user's language, and can report itself as a message of the exception type. A process-wide
// count records how many were made (copies are not counted).
//
// Threads: the count is kept under a mutex, so exceptions may be made and copied, and the count
// read or cleared, on any thread. An exception object is not locked: setDescription and
// setLocalized need it to themselves. A copy owns its own description, so it may be handed to
// another thread.
#ifndef PORT_EXCEPTION_H
#define PORT_EXCEPTION_H

#include "Port_Export.h"

#include <cstdint>

namespace Port {

class PORT_API Exception {
public:
  // lib, file and rev are kept as pointers, not copied: pass texts that outlive the
  // exception (literals). desc is a catalogue alias, translated through lib's catalogue.
  Exception(const char *lib, const char *file, const char *rev, int line, const char *desc);
  Exception(const char *lib, const char *file, const char *rev, int line);
  Exception(const Exception &other);
  Exception &operator=(const Exception &other);
  virtual ~Exception();

  // The description, or null when there is none.
  virtual const wchar_t *getLocalized() const;
  // Issues the description as an exception-type message at the exception's place; without a
  // description, an internal message saying so.
  virtual void report() const;

  // Replaces the description by the translation of fmt with its arguments.
  Exception &setDescription(const char *fmt, ...);
  // Replaces the description by a copy of text (null: no description).
  Exception &setLocalized(const wchar_t *text);

  const char *getSsName() const { return m_lib; }
  const char *getFileName() const { return m_file; }
  const char *getFileRev() const { return m_rev; }
  int getLineNo() const { return m_line; }

  static int getCount();
  static void clearCount();

private:
  const char *m_lib;
  const char *m_file;
  const char *m_rev;
  int32_t m_line;
  wchar_t *m_description;
};

// Default description "Bad cast\n".
class PORT_API BadCastException : public Exception {
public:
  BadCastException(const char *lib, const char *file, const char *rev, int line);
  BadCastException(const char *lib, const char *file, const char *rev, int line, const char *desc);
  BadCastException(const BadCastException &other) = default;
};

// Default description "NULL pointer\n".
class PORT_API NullPointerException : public Exception {
public:
  NullPointerException(const char *lib, const char *file, const char *rev, int line);
  NullPointerException(const char *lib, const char *file, const char *rev, int line,
                       const char *desc);
  NullPointerException(const NullPointerException &other) = default;
};

// Thrown by the file alteration monitor; default description
// "File Alteration Monitor Exception\n".
class PORT_API FAMException : public Exception {
public:
  FAMException(const char *lib, const char *file, const char *rev, int line);
  FAMException(const char *lib, const char *file, const char *rev, int line, const char *desc);
  FAMException(const FAMException &other) = default;
};

} // namespace Port

#endif
