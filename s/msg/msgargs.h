// msgargs.h - the arguments of a message as separate texts, and the substitution of argument
// references ("!%1!", "!%%!", "!%N!"...) in catalogue texts.
#ifndef PORT_MSG_MSGARGS_H
#define PORT_MSG_MSGARGS_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace msgargs {

// The arguments of one message, formatted in one walk of the alias into storage of their own:
// no heap allocation while the values take at most kInlineBytes bytes together and there are
// at most kInlineValues of them. Each conversion of the alias gives one value, in order: "%%"
// and "%n" give none, an unknown conversion (or one the alias ends inside) gives "UNKNOWN",
// and one whose width or precision is beyond int gives an empty value (its argument is taken).
// The conversions' texts point into the alias, which must outlive the values.
class Values {
public:
  static constexpr size_t kInlineBytes = 2048;
  static constexpr size_t kInlineValues = 16;

  Values() = default;
  Values(const Values &) = delete;
  Values &operator=(const Values &) = delete;

  size_t size() const { return m_count; }
  std::string_view value(size_t i) const;
  // The conversion as written, from the percent sign to the conversion character.
  std::string_view spec(size_t i) const;

  // Formats the arguments of alias (the list is read on a copy); a null alias gives none.
  void format(const char *alias, va_list args);

  struct Span {
    const char *spec;
    uint32_t specLength, begin, end;
  };
  void add(const Span &span); // for the formatter

private:
  const Span &span(size_t i) const {
    return i < kInlineValues ? m_spans[i] : m_moreSpans[i - kInlineValues];
  }
  char m_inline[kInlineBytes];
  std::string m_heap;
  const char *m_text = m_inline;
  Span m_spans[kInlineValues];
  std::vector<Span> m_moreSpans;
  size_t m_count = 0;
};

// A message's whole text from its alias, for a message without a catalogue entry: the alias
// is a UT_STR format in which "%z" (right after the '%') is a wide text. Writes what fits of
// it into buf (size units with the terminating zero) and returns its whole length, or -1 when
// it cannot be formatted (a width or precision beyond int).
int formatAlias(char *buf, size_t size, const char *alias, va_list args);

// The same values as separate strings, into the caller's vectors, replacing what they held
// (their storage is reused). When specs is given, it receives beside each value the
// conversion's text as written.
void format(const char *alias, va_list args, std::vector<std::string> *values,
            std::vector<std::string> *specs);
std::vector<std::string> format(const char *alias, va_list args);

// The text with every reference replaced: "!%" n "!" by the n-th argument (from 1), "!%%!" by
// "%", and "!%N!", "!%T!", "!%M!", "!%Q!" by the named value when there is one. A reference
// whose number is outside the arguments, or whose letter is unknown or has no value, is
// replaced by nothing; a "!%" without a closing "!" is kept as it stands.
std::wstring substitute(const std::wstring &text, const std::vector<std::wstring> &args,
                        const std::map<wchar_t, std::wstring> &named = {});

// The same for narrow (UTF-8) arguments and no named values, appended to out without copies.
void appendSubstituted(std::wstring &out, const wchar_t *text,
                       const std::vector<std::string> &values);

// XML metacharacters: & < > ' and " become entities.
std::wstring convertMetacharacters(const std::wstring &text);

} // namespace msgargs

#endif
