// Uses an installed library as a tool would: a message with its catalogue text, a file name and,
// given a filter file, the installation's message-filtering component.
#include "Port_FileName.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_StringBase.h"

#include <cstdio>
#include <string>

static Port_MsgManData *report() {
  return Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $");
}

int main(int argc, char **argv) {
  Port::FileName name("C:\\designs\\top.v");
  std::printf("extension %s\n", name.GetExtension().GetBuffer());
  report()->issueInfo("Consumer ran.\n");
  if (argc > 1) {
    // The component (libQuelmoUtil in the installation's bin/nt) switches the filter on for the
    // application "consumer"; its file keeps infos out of the console from then on.
    const std::string control = std::string("on consumer ") + argv[1];
    const bool answer = Port_MsgDispatcher::controlMessageProcessing(control.c_str());
    std::printf("filtering %s\n", answer && Port_MsgDispatcher::isFilteringOn() ? "on" : "off");
    std::fflush(stdout);
    report()->issueInfo("Filtered away.\n");
  }
  return 0;
}
