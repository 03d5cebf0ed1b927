// cmdtoken.h - the suite's own command-line words, as spawned command lines and Port::CmdLine
// split them: words are separated by white space (UT_STR::IsSpace); a double quote starts a
// quoted part that runs to the next double quote and may stand anywhere in a word (a"b c"d is
// the one word ab cd); the quotes are not part of the word, and there is no escape character.
// These are not the Windows argument rules of the platform layer (backslashes before quotes,
// doubled quotes inside quotes), which the child-process command lines follow.
#ifndef PORTABILITY_STR_CMDTOKEN_H
#define PORTABILITY_STR_CMDTOKEN_H

#include <string>

namespace cmdtoken {

enum class Next {
  Word,     // *word holds the next word; p stands on the character that ended it
  End,      // nothing but white space was left
  OpenQuote // the text ends inside a quoted part
};

Next next(const char *&p, std::string *word);

} // namespace cmdtoken

#endif
