// msglines.cpp - the console layout of message texts.
#include "msg/msglines.h"

#include "Port_Env.h"
#include "Port_MsgDispatcher.h"
#include "basutstr.h"
#include "platform/mbcs.h"
#include "str/linebreak.h"

#include <algorithm>
#include <charconv>
#include <cstring>
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

void appendWidened(std::wstring &out, const char *text) {
  platform::appendWide(out, text, std::strlen(text));
}

void appendDecimal(std::wstring &out, int value) {
  char digits[16];
  const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
  for (const char *p = digits; p < r.ptr; ++p)
    out += static_cast<wchar_t>(*p);
}

// The part of a source-file name after its last backslash, else after its last slash.
void appendSourceBaseName(std::wstring &out, const char *file) {
  if (!file) {
    out += L"Unknown";
    return;
  }
  const char *sep = std::strrchr(file, '\\');
  if (!sep)
    sep = std::strrchr(file, '/');
  appendWidened(out, sep ? sep + 1 : file);
}

// "$Revision: 1.39 $" gives "1.39"; a text that is no such keyword is used whole.
void appendRevisionNumber(std::wstring &out, const char *rev) {
  if (!rev) {
    out += L"0.0";
    return;
  }
  const char *colon = rev[0] == '$' ? std::strchr(rev, ':') : nullptr;
  const char *close = colon ? std::strchr(colon + 1, '$') : nullptr;
  if (!close) {
    appendWidened(out, rev);
    return;
  }
  const char *begin = colon + 1;
  const char *end = close;
  while (begin < end && *begin == ' ')
    ++begin;
  while (end > begin && end[-1] == ' ')
    --end;
  platform::appendWide(out, begin, static_cast<size_t>(end - begin));
}

// Neither printable nor white space: the control characters.
inline bool isControl(wchar_t c) {
  if (c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r')
    return false;
  return (c >= 0 && c < 0x20) || (c >= 0x7F && c < 0xA0);
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

std::wstring suffixFor(Port_MsgMan::MsgType type) {
  wchar_t *text = nullptr;
  if (type == Port_MsgMan::MSG_INTERNAL || type == Port_MsgMan::MSG_USER_FATAL)
    text = Port_MsgDispatcher::translateMsg("Portability", "");
  else if (type == Port_MsgMan::MSG_FATAL)
    // It starts with two blanks so that it follows the message text directly.
    text = Port_MsgDispatcher::translateMsg(
        "Portability", "  The program will now terminate.  For help, see the documentation of "
                       "your installation or contact your Quelmo support representative.");
  std::wstring suffix = text ? text : L"";
  delete[] text;
  return suffix;
}

void compose(std::wstring &out, Port_MsgMan::MsgType type, const wchar_t *text, const Source &src,
             bool noHeader, const std::wstring &suffix) {
  if (type == Port_MsgMan::MSG_STATUS) {
    out += text;
    return;
  }
  out += Port_MsgDispatcher::getMsgHeader(type);
  if (type == Port_MsgMan::MSG_DEBUG) {
    out.append(L" - ").append(text);
    return;
  }
  const bool located = type == Port_MsgMan::MSG_INTERNAL || type == Port_MsgMan::MSG_FATAL ||
                       type == Port_MsgMan::MSG_EXCEPTION;
  if (!noHeader) {
    out += L':';
    appendWidened(out, src.lib ? src.lib : "Unknown");
    if (located) {
      out += L':';
      appendSourceBaseName(out, src.file);
      out += L':';
      appendDecimal(out, src.line);
      out += L':';
      appendRevisionNumber(out, src.rev);
    }
    if (src.num != 0) {
      out += L':';
      appendDecimal(out, src.num);
    }
  }
  out.append(L" - ").append(text).append(suffix);
}

const wchar_t *cleaned(Port_MsgMan::MsgType type, bool clean, const wchar_t *text,
                       std::wstring &scratch) {
  const bool severe = alwaysEndsLines(type);
  // Most texts have nothing to clean: they are broken into lines as they stand.
  const wchar_t *end = text + std::wcslen(text);
  if (!severe && (!clean || std::none_of(text, end, [](wchar_t c) { return isControl(c); })))
    return text;
  scratch.assign(text, end);
  if (clean) {
    if (severe) {
      UT_STR::WCleanString(&scratch[0]);
    } else if (std::strcmp(Port_Env::GetLang(), "usenglish") == 0) {
      for (wchar_t &c : scratch)
        if (isControl(c))
          c = L' ';
    }
  } else if (severe && !scratch.empty() && scratch.back() == L'\n') {
    scratch.pop_back();
  }
  return scratch.c_str();
}

void appendLines(std::string &out, Port_MsgMan::MsgType type, const wchar_t *const *lines,
                 int count) {
  for (int i = 0; i < count; ++i) {
    platform::appendMultibyte(out, lines[i], std::wcslen(lines[i]));
    if (needsNewline(type, lines, i, count))
      out += '\n';
  }
}

void layOut(std::string &out, Port_MsgMan::MsgType type, bool clean, int width,
            const wchar_t *composed, Scratch &scratch) {
  const wchar_t *text = cleaned(type, clean, composed, scratch.cleaned);
  scratch.store.clear();
  scratch.starts.clear();
  linebreak::forEachLine(text, width, indentFor(type),
                         [&](size_t pad, const wchar_t *seg, size_t take, bool feed) {
                           scratch.starts.push_back(scratch.store.size());
                           scratch.store.append(pad, L' ').append(seg, take);
                           if (feed)
                             scratch.store += L'\n';
                           scratch.store += L'\0';
                         });
  scratch.lines.clear();
  for (size_t start : scratch.starts)
    scratch.lines.push_back(scratch.store.data() + start);
  appendLines(out, type, scratch.lines.data(), static_cast<int>(scratch.lines.size()));
}

} // namespace msglines
