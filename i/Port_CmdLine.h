// Port_CmdLine.h - one command line held as a text and as an argument vector, each made from
// the other on first use. Splitting follows the suite's own rules, those of spawned command
// lines as well: white space separates, a quoted section ("a b") is kept whole anywhere in an
// argument and its quotes dropped, no escape character (not the Windows argument rules of child
// processes). Joining puts one blank after each non-empty argument and adds no quotes.
//
// Thread safety: an object is used by one thread at a time.
#ifndef PORT_CMDLINE_H
#define PORT_CMDLINE_H

#include "Port_Export.h"

namespace Port {

class PORT_API CmdLine {
public:
  // From a text; not valid when text is null or empty.
  explicit CmdLine(const char *text);
  // From argc entries of argv; not valid when argc is 0 or argv is null.
  CmdLine(int argc, const char *const *argv);
  // From a vector ended by a null entry; not valid when argv or argv[0] is null.
  explicit CmdLine(const char *const *argv);
  CmdLine(const CmdLine &other);
  CmdLine &operator=(const CmdLine &) = delete;
  ~CmdLine();

  // Null (or 0) when not valid. A text with an unterminated quote makes get_argv fail and the
  // object not valid.
  const char *get_cmdline();
  const char *const *get_argv();
  int get_argc();
  const char *get_cmdname();
  // Replaces the command name in every form present.
  void set_cmdname(const char *name);
  // True when the text holds one of the characters "*?|%".
  bool chk_meta();

private:
  static char *process_cmdline(const char *text);
  bool split();
  char *get_cmdtoken(const char *&p, bool &ok);
  void freeArgv();

  char *m_cmdline;
  int m_argc;
  char **m_argv;
  char *m_cmdname;
  unsigned char m_valid;
};

} // namespace Port

#endif
