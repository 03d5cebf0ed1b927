// msgargs.h - the arguments of a message as separate texts, and the substitution of argument
// references ("!%1!", "!%%!", "!%N!"...) in catalogue texts.
#ifndef PORT_MSG_MSGARGS_H
#define PORT_MSG_MSGARGS_H

#include <cstdarg>
#include <map>
#include <string>
#include <vector>

namespace msgargs {

// One formatted text per conversion of the alias, in order; "%%" and "%n"
// produce none, an unknown conversion produces "UNKNOWN". The list is read on a copy. When
// specs is given, it receives beside each value the conversion's text as written, from the
// percent sign to the conversion character.
std::vector<std::string> format(const char *alias, va_list args,
                                std::vector<std::string> *specs = nullptr);

// The text with every reference replaced: "!%" n "!" by the n-th argument (from 1), "!%%!" by
// "%", and "!%N!", "!%T!", "!%M!", "!%Q!" by the named value when there is one. A reference
// whose number is outside the arguments, or whose letter is unknown or has no value, is
// replaced by nothing; a "!%" without a closing "!" is kept as it stands.
std::wstring substitute(const std::wstring &text, const std::vector<std::wstring> &args,
                        const std::map<wchar_t, std::wstring> &named = {});

// XML metacharacters: & < > ' and " become entities.
std::wstring convertMetacharacters(const std::wstring &text);

} // namespace msgargs

#endif
