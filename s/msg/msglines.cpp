// msglines.cpp - the newline rules of message output.
#include "msg/msglines.h"

#include <cwchar>

namespace msglines {

namespace {
// A line feed with something other than blanks before it.
bool endsOwnLine(const wchar_t *line) {
  const wchar_t *nl = std::wcschr(line, L'\n');
  if (!nl)
    return false;
  for (const wchar_t *p = line; p < nl; ++p)
    if (*p != L' ')
      return true;
  return false;
}

// Nothing but blanks and one line feed.
bool isBlankLine(const wchar_t *line) {
  const wchar_t *p = line;
  while (*p == L' ')
    ++p;
  return p[0] == L'\n' && p[1] == L'\0';
}
} // namespace

bool alwaysEndsLines(Port_MsgMan::MsgType type) {
  return type == Port_MsgMan::MSG_INTERNAL || type == Port_MsgMan::MSG_FATAL ||
         type == Port_MsgMan::MSG_USER_FATAL;
}

bool needsNewline(Port_MsgMan::MsgType type, const wchar_t *const *lines, int i, int count) {
  if (alwaysEndsLines(type))
    return true;
  const wchar_t *line = lines[i];
  if (endsOwnLine(line) || std::wcscmp(line, L"\n") == 0 || i == count - 1)
    return false;
  const wchar_t *next = lines[i + 1];
  return next[0] != L'\n' && !isBlankLine(next);
}

} // namespace msglines
