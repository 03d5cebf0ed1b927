// xmllogprobe - issues a fixed set of messages, for the XML log tests (the log comes from
// XML_MSG_FILE and is closed when the program ends):
//   xmllogprobe control TEXT     prints the answer of controlMessageProcessing(TEXT)
//   xmllogprobe own FILE         turns on a log of its own before any message, prints the
//                                answer, then issues an info
//   xmllogprobe filtering X      prints whether filtering is on before any message
//   xmllogprobe VALUE1 VALUE2 [LIB]
// a warning with a catalogue entry and argument VALUE1, an error without one with the two
// values, an info of library LIB (default "Portability"), and a status (never logged).
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
  if (argc < 3)
    return 64;
  if (std::strcmp(argv[1], "own") == 0) {
    // A log of the program's own asked for before any message.
    std::printf("answer=%d\n", Port_MsgDispatcher::turnOnXmlMsg(argv[2]) ? 1 : 0);
    Port_MsgManData::createObject("Portability", "xmllogprobe.cpp", 20, "$Revision: 1.3 $")
        ->issueInfo("probe info\n");
    return 0;
  }
  if (std::strcmp(argv[1], "filtering") == 0) {
    // Whether filtering is on before any message.
    std::printf("filtering=%d\n", Port_MsgDispatcher::isFilteringOn() ? 1 : 0);
    return 0;
  }
  if (std::strcmp(argv[1], "control") == 0) {
    std::printf("answer=%d\n", Port_MsgDispatcher::controlMessageProcessing(argv[2]) ? 1 : 0);
    return 0;
  }
  const char *lib = argc > 3 ? argv[3] : "Portability";
  const char *rev = "$Revision: 1.3 $";
  Port_MsgManData::createObject("Portability", "xmllogprobe.cpp", 12, rev)
      ->issueWarning("Message file \"%s\" wasn't found.\n", argv[1]);
  Port_MsgManData::createObject("Portability", "xmllogprobe.cpp", 14, rev)
      ->issueError("probe error %s and %s\n", argv[1], argv[2]);
  Port_MsgManData::createObject(lib, "xmllogprobe.cpp", 16, rev)->issueInfo("probe info\n");
  Port_MsgManData::createObject("Portability", "xmllogprobe.cpp", 17, rev)
      ->issueStatus("probe status\n");
  return 0;
}
