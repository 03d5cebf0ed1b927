// cmdtoken.cpp - the suite's own command-line words (see cmdtoken.h).
#include "str/cmdtoken.h"

#include "basutstr.h"

#include <cstring>

namespace cmdtoken {

namespace {
bool isSpace(char c) { return UT_STR::IsSpace(static_cast<unsigned char>(c)); }
} // namespace

Next next(const char *&p, std::string *word) {
  while (*p && isSpace(*p))
    ++p;
  if (!*p)
    return Next::End;
  word->clear();
  while (*p && !isSpace(*p)) {
    if (*p != '"') {
      *word += *p++;
      continue;
    }
    const char *close = std::strchr(p + 1, '"');
    if (!close)
      return Next::OpenQuote;
    word->append(p + 1, close);
    p = close + 1;
  }
  return Next::Word;
}

} // namespace cmdtoken
