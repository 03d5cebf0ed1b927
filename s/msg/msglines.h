// msglines.h - where the lines of a broken message text get a newline when they are written,
// shared by every manager that writes lines (console, standard streams, files).
#ifndef PORT_MSG_MSGLINES_H
#define PORT_MSG_MSGLINES_H

#include "Port_MsgMan.h"

namespace msglines {

// Internal, fatal and user-fatal messages end every line.
bool alwaysEndsLines(Port_MsgMan::MsgType type);

// Whether line i of count is followed by a newline: always for the types above; otherwise not
// when the line ends its own text line (a line feed after something other than blanks), is a
// lone line feed, is the last line, or the next line begins with a line feed or is blank.
bool needsNewline(Port_MsgMan::MsgType type, const wchar_t *const *lines, int i, int count);

} // namespace msglines

#endif
