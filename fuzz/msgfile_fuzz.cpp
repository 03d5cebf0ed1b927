// msgfile_fuzz.cpp - loads a message file and translates its messages with arguments.
//
// Input: the message file. Every line of it is tried as an alias and as a number; each message
// found is translated with its alias as the format (plain text, HTML and XML variants), and the
// alias alone is formatted as a message without a catalogue entry.
#include "Port_Message.h"
#include "Port_MsgDispatcher.h"
#include "fuzz_support.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// Every argument handed to a format is this block: read as a narrow or a wide text it is
// empty; integer conversions read the pointer's bits.
alignas(16) wchar_t g_argument[64];

// The formats of the file are the caller's here: they may hold at most as many conversions as
// arguments are passed, and no width or precision large enough to make a huge text (a "*"
// would take one from a pointer's bits).
bool usableFormat(const std::string &alias) {
  int conversions = 0, digits = 0;
  for (char c : alias) {
    if (c == '*')
      return false;
    conversions += c == '%';
    digits = (c >= '0' && c <= '9') ? digits + 1 : 0;
    if (digits > 4)
      return false;
  }
  return conversions <= 12;
}

wchar_t *parse(int kind, const char *alias, const Port_Message *msg, ...) {
  va_list args;
  va_start(args, msg);
  wchar_t *text = nullptr;
  switch (kind) {
  case 0:
    text = Port_MsgDispatcher::parseMsg(alias, msg, args);
    break;
  case 1:
    text = Port_MsgDispatcher::parseMsgSubClass("HTML", Port_MsgMan::MSG_ERROR, alias, msg, args);
    break;
  default:
    text = Port_MsgDispatcher::parseMsgSubClass("XML", Port_MsgMan::MSG_WARNING, alias, msg, args);
    break;
  }
  va_end(args);
  return text;
}

void translate(int kind, const char *alias, const Port_Message *msg) {
  void *a = g_argument;
  delete[] parse(kind, alias, msg, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, 1.5, 2.5, 3.5,
                 4.5, 5.5, 6.5, 7.5, 8.5);
  for (wchar_t &c : g_argument)
    c = 0; // a %n may have written here
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const std::string path = fuzzsupport::scratchPath("messages.msg");
  fuzzsupport::writeFile(path, data, size);

  Port_SsInfo info("Fuzz");
  std::string name = path;
  info.load(&name[0]);
  info.getNumElements();

  std::string text(reinterpret_cast<const char *>(data), size);
  size_t start = 0;
  int tried = 0;
  while (start <= text.size() && tried++ < 64) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    start = end + 1;
    const Port_Message *byAlias = info.lookupMsg(line.c_str());
    const Port_Message *byNum = info.lookupMsgByNum(std::atoi(line.c_str()));
    for (const Port_Message *msg : {byAlias, byNum}) {
      if (!msg || !usableFormat(msg->getMsgAlias()))
        continue;
      for (int kind = 0; kind < 3; ++kind)
        translate(kind, msg->getMsgAlias(), msg);
    }
    if (usableFormat(line) && line.find('\0') == std::string::npos)
      translate(0, line.c_str(), nullptr);
  }
  return 0;
}
