// Uses an installed library as a tool would: a message with its catalogue text, a file name.
#include "Port_FileName.h"
#include "Port_MsgManData.h"
#include "Port_StringBase.h"

#include <cstdio>

int main() {
  Port::FileName name("C:\\designs\\top.v");
  std::printf("extension %s\n", name.GetExtension().GetBuffer());
  Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $")
      ->issueInfo("Consumer ran.\n");
  return 0;
}
