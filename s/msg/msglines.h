// msglines.h - the console layout of a message: the header composed around its text, the
// cleaning and breaking of that text into lines, and where the lines get a newline when they
// are written. Shared by every manager that writes lines (console, standard streams, files).
#ifndef PORT_MSG_MSGLINES_H
#define PORT_MSG_MSGLINES_H

#include "Port_MsgMan.h"

#include <string>
#include <vector>

namespace msglines {

// Internal, fatal and user-fatal messages end every line.
bool alwaysEndsLines(Port_MsgMan::MsgType type);

// Whether line i of count is followed by a newline: always for the types above; otherwise not
// when the line ends its own text line (a line feed after something other than blanks), is a
// lone line feed, is the last line, or the next line begins with a line feed or is blank.
bool needsNewline(Port_MsgMan::MsgType type, const wchar_t *const *lines, int i, int count);

// Where a message comes from, for its header.
struct Source {
  const char *lib;
  const char *file;
  int line;
  const char *rev;
  int num;
};

// What follows the text of internal, fatal and user-fatal messages, from the catalogue; empty
// for the other types.
std::wstring suffixFor(Port_MsgMan::MsgType type);

// Appends the text of a message of a valid type as the console shows it: the header (the
// type's word; unless noHeader, the library, the number and for internal, fatal and exception
// messages the source file, line and revision), " - ", the text and the suffix.
void compose(std::wstring &out, Port_MsgMan::MsgType type, const wchar_t *text, const Source &src,
             bool noHeader, const std::wstring &suffix);

// The text to break into lines: the text itself, or scratch holding it cleaned of control
// characters (when clean is set) or without the line feed that ends it (for the types that
// end every line).
const wchar_t *cleaned(Port_MsgMan::MsgType type, bool clean, const wchar_t *text,
                       std::wstring &scratch);

// The indent of continued lines.
inline int indentFor(Port_MsgMan::MsgType type) { return type == Port_MsgMan::MSG_STATUS ? 0 : 3; }

// Appends the lines as they are written: each in UTF-8, followed by a newline where
// needsNewline says so.
void appendLines(std::string &out, Port_MsgMan::MsgType type, const wchar_t *const *lines,
                 int count);

// Buffers kept between messages, so that laying a message out allocates nothing once they
// have grown to its size.
struct Scratch {
  std::wstring cleaned;
  std::wstring store;
  std::vector<size_t> starts;
  std::vector<const wchar_t *> lines;
};

// Appends the bytes the console manager writes for a composed text: cleaned, broken at width
// and written as appendLines writes them (what msgFormat and output do, without a new string
// per line).
void layOut(std::string &out, Port_MsgMan::MsgType type, bool clean, int width,
            const wchar_t *composed, Scratch &scratch);

} // namespace msglines

#endif
