// libreport.h - LibraryReport: how the library's own sources issue their messages. A source
// keeps one, naming itself and its revision, and reports with report(__LINE__)->issueError(...).
#ifndef PORTABILITY_MSG_LIBREPORT_H
#define PORTABILITY_MSG_LIBREPORT_H

#include "Port_MsgManData.h"

class LibraryReport {
public:
  constexpr LibraryReport(const char *file, const char *revision)
      : m_file(file), m_revision(revision) {}
  // A reporting record of the library "Portability" for the given line of the source.
  Port_MsgManData *operator()(int line) const {
    return Port_MsgManData::createObject("Portability", m_file, line, m_revision);
  }

private:
  const char *m_file;
  const char *m_revision;
};

#endif
