// catalogue.h - the table of loaded message files, built and torn down with the dispatcher.
#ifndef PORT_MSG_CATALOGUE_H
#define PORT_MSG_CATALOGUE_H

#include <cstdarg>
#include <string>
#include <vector>

class Port_Message;

namespace catalogue {
void initialize();
void finalize();

// Whether the catalogue text of the entry refers to the arguments one by one ("!%1!"...).
bool takesValues(const Port_Message *msg);

// Appends the display text of a message: without an entry, the alias formatted as a printf
// format; with one, its text with the argument references replaced by the arguments formatted
// one by one (values, when the caller has formatted them already). The list is read on a copy.
void appendText(std::wstring &out, const char *alias, const Port_Message *msg, va_list args,
                const std::vector<std::string> *values);
} // namespace catalogue

#endif
