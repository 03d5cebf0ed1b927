// Port_MsgArgs.cpp - message arguments formatted one conversion at a time, and argument
// references in catalogue texts.
//
// The alias is walked by the format engine (formatengine.h) in the message dialect: flags
// from "-+ #0,", a width (digits or '*'), a precision ('.' then digits or '*'), sizes h hh l
// ll L q j t I32 I64, and the conversion character. Each conversion takes its argument with
// its real size on this platform and is formatted as UT_STR formats it, except for these
// letters of the messages' own:
//   s c     narrow; wide (in UTF-8) with l        S z C   wide (in UTF-8) whatever the size
//   h       an int printed as %d                   n       takes nothing, gives no value
//   %%      gives no value; '%' with flags, width, precision or size, and F, are unknown
// A message without a catalogue entry has its whole text formatted from the alias with UT_STR's
// letters, and "%z" right after the '%' a wide text ("%zu" is a wide text and a 'u').
#include "msg/msgargs.h"

#include "Port_MsgManData.h"
#include "platform/mbcs.h"
#include "str/formatengine.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace msgargs {

namespace {

using fmtengine::Conv;
using fmtengine::Kind;

bool messageLetters(Conv &c) {
  const bool l = c.size == convspec::Size::L;
  switch (c.conv) {
  case '%': {
    const bool plain = !c.left && !c.plus && !c.space && !c.alt && !c.zero && !c.widthStar &&
                       !c.precisionStar && c.width < 0 && c.precision < 0 &&
                       c.size == convspec::Size::None;
    c.kind = Kind::Nothing;
    return plain;
  }
  case 'n':
    c.kind = Kind::Nothing;
    return true;
  case 'F':
    return false;
  case 'I':
  case 'U':
    return fmtengine::libraryInteger(c, static_cast<char>(c.conv));
  case 'h':
    fmtengine::integer(c, 'd');
    c.integer = fmtengine::Integer::Int;
    return true;
  case 's':
  case 'c':
    return fmtengine::character(c, l);
  case 'S':
  case 'z':
  case 'C':
    return fmtengine::character(c, true);
  default:
    return fmtengine::standard(c);
  }
}

const fmtengine::Rules kRules{convspec::Dialect::Message, messageLetters, "UNKNOWN",
                              fmtengine::TooLarge::Empty, false};

bool aliasLetters(Conv &c) {
  return c.conv == 'z' ? fmtengine::character(c, true) : fmtengine::printfLetters(c);
}

const fmtengine::Rules kAliasRules{convspec::Dialect::Printf, aliasLetters, nullptr,
                                   fmtengine::TooLarge::Fail, true,         "z"};

struct Collect final : fmtengine::Observer<char> {
  explicit Collect(Values &values) : values(values) {}
  void value(const char *spec, size_t specLength, size_t begin, size_t end, bool known) override {
    if (!known)
      Port_MsgManData::debugStub("Unknown conversion specifier found.\n");
    values.add({spec, static_cast<uint32_t>(specLength), static_cast<uint32_t>(begin),
                static_cast<uint32_t>(end)});
  }
  Values &values;
};

} // namespace

void Values::add(const Span &span) {
  if (m_count < kInlineValues)
    m_spans[m_count] = span;
  else
    m_moreSpans.push_back(span);
  ++m_count;
}

std::string_view Values::value(size_t i) const {
  const Span &s = span(i);
  return std::string_view(m_text + s.begin, s.end - s.begin);
}

std::string_view Values::spec(size_t i) const {
  const Span &s = span(i);
  return std::string_view(s.spec, s.specLength);
}

// Values longer than the inline storage together are formatted again into a heap buffer of
// their exact length, so nothing is cut.
void Values::format(const char *alias, va_list args) {
  m_count = 0;
  m_moreSpans.clear();
  m_text = m_inline;
  if (!alias)
    return;
  Collect collect(*this);
  fmtengine::Output<char> out(m_inline, kInlineBytes);
  const int n = fmtengine::walk(out, alias, args, kRules, &collect);
  if (n <= static_cast<int>(kInlineBytes))
    return;
  m_count = 0;
  m_moreSpans.clear();
  m_heap.assign(static_cast<size_t>(n), '\0');
  m_text = m_heap.data();
  fmtengine::Output<char> big(&m_heap[0], m_heap.size());
  fmtengine::walk(big, alias, args, kRules, &collect);
}

int formatAlias(char *buf, size_t size, const char *alias, va_list args) {
  fmtengine::Output<char> out(buf, size ? size - 1 : 0);
  const int n = fmtengine::walk(out, alias, args, kAliasRules);
  if (buf && size)
    buf[std::min(out.total(), size - 1)] = 0;
  return n;
}

void format(const char *alias, va_list list, std::vector<std::string> *out,
            std::vector<std::string> *specs) {
  Values values;
  values.format(alias, list);
  out->resize(values.size());
  if (specs)
    specs->resize(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    (*out)[i].assign(values.value(i));
    if (specs)
      (*specs)[i].assign(values.spec(i));
  }
}

std::vector<std::string> format(const char *alias, va_list list) {
  std::vector<std::string> out;
  format(alias, list, &out, nullptr);
  return out;
}

namespace {
// Appends text with its references replaced: argument(n) appends the n-th of count arguments
// (from 1), name(c) the value named c.
template <class Argument, class Name>
void replaceReferences(std::wstring &out, std::wstring_view text, size_t count, Argument argument,
                       Name name) {
  size_t i = 0;
  while (i < text.size()) {
    const size_t mark = text.find(L'!', i);
    if (mark == std::wstring_view::npos) {
      out.append(text.substr(i));
      return;
    }
    out.append(text.substr(i, mark - i));
    i = mark;
    if (i + 1 >= text.size() || text[i + 1] != L'%') {
      out += text[i++];
      continue;
    }
    const size_t first = i + 2; // the reference's first character
    const size_t close = first < text.size() ? text.find(L'!', first + 1) : text.npos;
    if (close == text.npos) {
      out.append(text.substr(i));
      return;
    }
    const wchar_t c = text[first];
    if (c >= L'0' && c <= L'9') {
      size_t n = 0;
      for (size_t k = first; k < close && text[k] >= L'0' && text[k] <= L'9' && n <= count; ++k)
        n = n * 10 + static_cast<size_t>(text[k] - L'0');
      if (n >= 1 && n <= count)
        argument(n - 1);
    } else if (c == L'%') {
      out += L'%';
    } else {
      name(c);
    }
    i = close + 1;
  }
}
} // namespace

std::wstring substitute(const std::wstring &text, const std::vector<std::wstring> &args,
                        const std::map<wchar_t, std::wstring> &named) {
  std::wstring out;
  out.reserve(text.size());
  replaceReferences(
      out, text, args.size(), [&](size_t n) { out += args[n]; },
      [&](wchar_t c) {
        auto it = named.find(c);
        if (it != named.end())
          out += it->second;
      });
  return out;
}

void appendSubstituted(std::wstring &out, const wchar_t *text,
                       const std::vector<std::string> &values) {
  replaceReferences(
      out, text, values.size(),
      [&](size_t n) { platform::appendWide(out, values[n].data(), values[n].size()); },
      [](wchar_t) {});
}

std::wstring convertMetacharacters(const std::wstring &text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    switch (c) {
    case L'&':
      out += L"&amp;";
      break;
    case L'<':
      out += L"&lt;";
      break;
    case L'>':
      out += L"&gt;";
      break;
    case L'\'':
      out += L"&apos;";
      break;
    case L'"':
      out += L"&quot;";
      break;
    default:
      out += c;
    }
  }
  return out;
}

} // namespace msgargs
