// proccommand.h - what both child-process interfaces share: the command line handed to the
// system (validated, its command name completed along PATH), the line-end cleaning of child
// output, collection of the output waiting in a pipe, and the error texts.
#ifndef PORT_PROC_PROCCOMMAND_H
#define PORT_PROC_PROCCOMMAND_H

#include <cstdint>
#include <string>

namespace Port {
class ChildOutput;
}

namespace proc {

// One command line as the system receives it: a single text in which arguments are split with
// the Windows rules.
class CommandLine {
public:
  // From a text: invalid when null, blank, holding one of "*?|%" or an unbalanced quote.
  explicit CommandLine(const char *text);
  // From a vector: each argument quoted as the Windows rules need, so that it arrives whole.
  CommandLine(int argc, const char *const *argv);

  bool valid() const { return m_valid; }
  const std::string &text() const { return m_text; }
  const std::string &name() const { return m_name; }
  // A bare name (no directory part, no extension) is completed with the first of "", ".exe",
  // ".bat", ".cmd" that names an executable file along PATH; ".bat" and ".cmd" are written
  // into the command line, a hit without an extension or with ".exe" leaves it as it was.
  void completeName();

private:
  void setName(const std::string &name);
  std::string m_text;
  std::string m_name;
  size_t m_nameEnd = 0; // end of the command word in m_text
  bool m_valid = false;
};

// Drops each carriage return that stands directly before a line feed; other characters stay.
// A carriage return at the end of a piece that is not the last is kept back in carry and put in
// front of the next piece.
std::string removeReturns(std::string text, std::string *carry, bool last);

// Reads what waits in the output pipe onto the end of *text: one piece, or with all everything
// until the pipe holds nothing more. False when the pipe cannot be queried or read while the
// child was still running (errno kept in *error); after the child's end such a failure only
// ends the reading.
bool readWaiting(int fd, bool all, bool childRunning, std::string *text, uint32_t *error);

// Collects what waits in the output pipe, behind the text in *held (read earlier and kept
// back; emptied), when given. With data: the text is cleaned and handed to
// out->Output(text, last). Then, unless text was handed over with last, Output(null, last)
// follows when roundCall or last is set. With last, everything that is left is read. False as
// readWaiting. gotBytes, when given, tells whether anything was read from the pipe.
bool collectOutput(int fd, Port::ChildOutput *out, bool last, bool roundCall, bool childRunning,
                   std::string *carry, uint32_t *error, bool *gotBytes = nullptr,
                   std::string *held = nullptr);

// The error text of a run: "Invalid command line.", "<name>: <system text>",
// "<name>: Error code <n>." or "<name>: unknown error occurred.", translated.
wchar_t *processErrorText(bool invalid, const std::string &name, uint32_t error);

} // namespace proc

#endif
