// xml_support.h - parses an XML message log back with Xerces-C, the way a reader of the log
// would, and keeps its msg elements.
#ifndef PORT_TEST_XML_SUPPORT_H
#define PORT_TEST_XML_SUPPORT_H

#include <map>
#include <string>
#include <vector>

namespace porttest {

struct LoggedMsg {
  std::map<std::string, std::string> attrs; // attribute name -> value (UTF-8)
  std::vector<std::string> args;            // text of each arg element
  std::string text;                         // the body's text, arg values included
};

struct ParsedLog {
  bool wellFormed = false;
  std::vector<LoggedMsg> msgs;
};

ParsedLog parseLog(const std::string &path);

} // namespace porttest

#endif
