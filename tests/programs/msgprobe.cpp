// msgprobe - issues messages through the library as a tool would, so that tests can compare
// what reaches the real standard output and standard error, and how the process ends.
//   msgprobe layouts | wrap | fatal N | userfatal N | abort-order N | threads N M |
//            unknown-type | printerror TEXT
// Every run registers an exit handler that prints "atexit ran", to show whether clean-up ran.
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {
const char *const kRev = "$Revision: 1.39 $";
const char *const kFile = "C:\\work\\src\\Port_File.cpp";

Port_MsgManData *at(int line) {
  return Port_MsgManData::createObject("Portability", kFile, line, kRev);
}

void layouts() {
  at(10)->issueError("Cannot open \"%s\" for reading.\n", "a.txt");
  at(11)->issueWarning("Disk %d is nearly full.\n", 2);
  at(12)->issueInfo("Read %I lines.\n", 42);
  at(13)->issueStatus("Processing %s.\n", "b.txt");
  at(14)->issueDebug("Value is %x.\n", 255);
  at(231)->issueInternal("Unexpected state %d.\n", 7);
  Port_MsgDispatcher::printMsg(Port_MsgMan::MSG_ERROR, L"Numbered error.\n", 123, "Portability",
                               kFile, 20, kRev);
  Port_MsgDispatcher::printMsg(Port_MsgMan::MSG_INTERNAL, L"Numbered internal.\n", 77,
                               "Portability", kFile, 21, kRev);
  Port_MsgDispatcher::printMsg(Port_MsgMan::MSG_EXCEPTION, L"Something threw.\n", "Portability",
                               kFile, 22, kRev);
  Port_MsgDispatcher::printMsg(Port_MsgMan::MSG_WARNING, L"No location.\n", nullptr, nullptr, 0,
                               nullptr);
  Port_MsgDispatcher::printMsg(Port_MsgMan::MSG_EXCEPTION, L"Plain revision.\n", "Portability",
                               "/unix/path/x.cpp", 5, "2.7");
}

void wrap() {
  at(30)->issueWarning("The quick brown fox jumps over the lazy dog and keeps running through "
                       "the field until the sun goes down behind the hills.\n");
  at(31)->issueStatus("The quick brown fox jumps over the lazy dog and keeps running through "
                      "the field until the sun goes down behind the hills.\n");
}

// Several threads issue long warnings; every segment of a wrapped message carries the
// message's tag, so a reader can tell whether lines of different messages were interleaved.
void threads(int count, int perThread) {
  std::vector<std::thread> pool;
  for (int t = 0; t < count; ++t) {
    pool.emplace_back([t, perThread] {
      for (int k = 0; k < perThread; ++k) {
        char tag[32];
        std::snprintf(tag, sizeof tag, "t%dm%d", t, k);
        std::string text;
        for (int w = 0; w < 12; ++w)
          text += std::string(tag) + "-word" + std::to_string(w) + " ";
        text += "\n";
        at(70)->issueWarning("%s", text.c_str());
      }
    });
  }
  for (auto &th : pool)
    th.join();
  std::printf("warnings %u\n", Port_MsgDispatcher::getWarnCount(true));
}

void atExit() { std::puts("atexit ran"); }

void firstAbort() { std::puts("first abort"); }
void secondAbort() { std::puts("second abort"); }
} // namespace

int main(int argc, char **argv) {
  if (argc < 2)
    return 64;
  const std::string cmd = argv[1];
  const int value = argc > 2 ? std::atoi(argv[2]) : 0;
  std::atexit(&atExit);
  // A windowed program: the suite's user-interface library is loaded before any message.
  if (std::getenv("PORT_TEST_LOAD_GUI") &&
      !dlopen(PORT_TEST_PROGRAM_DIR "/libQuelmoGui.so", RTLD_NOW))
    return 65;
  if (cmd == "layouts") {
    layouts();
  } else if (cmd == "wrap") {
    wrap();
  } else if (cmd == "fatal") {
    at(231)->issueFatal(value, "Cannot continue with %s.\n", "c.txt");
    return 100; // not reached: the abort functions end the process
  } else if (cmd == "fatal-disabled") {
    Port_MsgDispatcher::disable();
    Port_MsgDispatcher::getDefaultMsgMan()->disable();
    Port_MsgDispatcher::getDefaultMsgMan()->turnOffMsg(Port_MsgMan::MSG_FATAL); // no effect
    at(232)->issueWarning("silenced\n");
    at(233)->issueFatal(value, "Cannot continue.\n");
    return 100;
  } else if (cmd == "userfatal") {
    at(40)->issueUserFatal(value, "Bad input %s.\n", "d.txt");
    return 100;
  } else if (cmd == "abort-order") {
    Port_MsgDispatcher::setAbort(&firstAbort);
    Port_MsgDispatcher::setAbort(&secondAbort);
    Port_MsgDispatcher::setAbort(&firstAbort);
    Port_MsgDispatcher::unsetAbort(&firstAbort); // removes the oldest registration only
    std::fflush(stdout);
    at(50)->issueFatal(value, "Stop.\n");
    return 100;
  } else if (cmd == "threads") {
    threads(value, argc > 3 ? std::atoi(argv[3]) : 1);
  } else if (cmd == "unknown-type") {
    Port_MsgDispatcher::printMsg(static_cast<Port_MsgMan::MsgType>(42), L"odd", "Portability",
                                 kFile, 60, kRev);
  } else if (cmd == "printerror") {
    Port::PrintError(argc > 2 ? argv[2] : "");
  } else {
    return 64;
  }
  return 0;
}
