// catprobe - looks messages up in the catalogue of a fresh process:
//   catprobe lookup LIB ALIAS...   prints "<number>|<text>" for each alias (no arguments)
//   catprobe bynum LIB NUM...      prints "<alias>|<text>" for each number
//   catprobe issue LIB ALIAS       issues the alias as a warning of library LIB
#include "Port_Message.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
std::string narrow(const wchar_t *w) {
  std::string s;
  for (; w && *w; ++w)
    s += *w < 128 ? static_cast<char>(*w) : '?';
  return s;
}
} // namespace

int main(int argc, char **argv) {
  if (argc < 4)
    return 64;
  const std::string cmd = argv[1];
  const char *lib = argv[2];
  for (int i = 3; i < argc; ++i) {
    if (cmd == "lookup") {
      int num = -1;
      wchar_t *text = Port_MsgDispatcher::translateMsg(&num, lib, argv[i]);
      std::printf("%d|%s\n", num, narrow(text).c_str());
      delete[] text;
    } else if (cmd == "bynum") {
      const Port_Message *msg = Port_MsgDispatcher::lookupMsgByNum(lib, std::atoi(argv[i]));
      std::printf("%s|%s\n", msg ? msg->getMsgAlias() : "(none)",
                  msg ? narrow(msg->getMsgText()).c_str() : "");
    } else if (cmd == "issue") {
      Port_MsgManData::createObject(lib, "catprobe.cpp", 1, "1.0")->issueWarning(argv[i]);
    } else {
      return 64;
    }
  }
  return 0;
}
