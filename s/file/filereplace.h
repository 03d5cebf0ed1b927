// filereplace.h - FileReplace: a writer of a whole file opens the name it gives for writing,
// writes and closes it, then commits; a crash or an error before the commit leaves the old
// contents (the rules of the replacement are in platform/replace.h).
#ifndef PORTABILITY_FILE_FILEREPLACE_H
#define PORTABILITY_FILE_FILEREPLACE_H

#include "platform/replace.h"

class FileReplace {
public:
  explicit FileReplace(const char *name) : m_name(name) {
    m_usable = platform::beginReplace(name, &m_replacement);
  }
  ~FileReplace() {
    if (m_usable && !m_committed)
      platform::abandonReplace(m_replacement);
  }
  FileReplace(const FileReplace &) = delete;
  FileReplace &operator=(const FileReplace &) = delete;

  // The name to open for writing: a name that cannot be used at all is handed on as it is, so
  // that opening it fails and is reported as before.
  const char *writeName() const { return m_usable ? m_replacement.writeName.c_str() : m_name; }
  // Call once the written file is closed without error.
  bool commit() {
    m_committed = true;
    return !m_usable || platform::commitReplace(m_replacement);
  }

private:
  const char *m_name;
  platform::Replacement m_replacement;
  bool m_usable = false;
  bool m_committed = false;
};

#endif
