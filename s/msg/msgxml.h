// msgxml.h - the XML log's elements, built in UTF-8 from a message's arguments formatted once:
// the dispatcher needs both the element and the argument string of new-message tracking for
// every logged message, and formatting the arguments twice doubled the log's cost.
#ifndef PORT_MSG_MSGXML_H
#define PORT_MSG_MSGXML_H

#include "Port_MsgMan.h"
#include "Port_MsgXml.h"

#include <cstdarg>
#include <string>
#include <vector>

class Port_Message;

namespace msgxml {

// One formatted value per conversion of the alias, and beside it the conversion as written.
struct Args {
  std::vector<std::string> values;
  std::vector<std::string> specs;
};

// The list is read on a copy.
Args format(const char *alias, va_list args);

// What Port::genTxtMsgArgStr gives for these arguments.
std::string argString(const char *alias, const Port_Message *msg, const Args &args);
void appendArgString(std::string &out, const char *alias, const Port_Message *msg,
                     const Args &args);
// What Port::generateKey gives, appended.
void appendKey(std::string &out, const char *lib, const char *typeTag, int num);

// Appends the element of an issued message (no line end).
void appendElement(std::string &out, const char *alias, const Port_Message *msg,
                   Port_MsgMan::MsgType type, const char *lib, const char *srcFile, int srcLine,
                   const char *srcRcs, unsigned flags, Port::DeltaMsg::ResultType delta,
                   const Args &args);

// Appends the element of a ready text with a number (no line end).
void appendElement(std::string &out, const wchar_t *text, Port_MsgMan::MsgType type,
                   const char *lib, unsigned flags, const char *srcFile, int srcLine,
                   const char *srcRcs, int num);

} // namespace msgxml

#endif
