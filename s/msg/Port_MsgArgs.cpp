// Port_MsgArgs.cpp - message arguments formatted one conversion at a time, and argument
// references in catalogue texts.
//
// A conversion is: '%', flags from "-+ #0,", a width (digits or '*'), a
// precision ('.' then digits or '*'), length modifiers (h, hh, l, ll, L, q, j, t, I32, I64)
// and the conversion character. Each takes its argument with its real size on this platform:
// 'l' is a long and '%p' a pointer, both 64 bits here; "%lI"/"%lU" (and "%llI"/"%llU") are 64
// bits, "%I"/"%U" 32, as UT_STR reads them.
#include "msg/msgargs.h"

#include "Port_MsgManData.h"
#include "basutstr.h"
#include "platform/mbcs.h"
#include "str/convspec.h"

#include <cstdint>
#include <cstring>
#include <cwchar>

namespace msgargs {

namespace {
const size_t kWorkingBuffer = 4096;

// Formats one value with one conversion; a value longer than the working buffer gets a
// buffer of its own, so nothing is cut.
template <class T> std::string formatOne(const std::string &spec, T value) {
  char small[kWorkingBuffer];
  int n = UT_STR::SNPrintf(small, sizeof small, spec.c_str(), value);
  if (n < 0)
    return std::string();
  if (static_cast<size_t>(n) < sizeof small)
    return std::string(small, static_cast<size_t>(n));
  std::string out(static_cast<size_t>(n) + 1, '\0');
  n = UT_STR::SNPrintf(&out[0], out.size(), spec.c_str(), value);
  if (n < 0)
    return std::string();
  out.resize(static_cast<size_t>(n));
  return out;
}

std::string utf8(const wchar_t *text) {
  return text ? platform::wideToMultibyte(text) : std::string("(null)");
}
} // namespace

std::vector<std::string> format(const char *alias, va_list list, std::vector<std::string> *specs) {
  std::vector<std::string> out;
  if (!alias)
    return out;
  va_list args;
  va_copy(args, list);
  for (const char *p = alias; *p; ++p) {
    if (*p != '%')
      continue;
    if (p[1] == '%') {
      ++p;
      continue;
    }
    // Rebuild the conversion with '*' replaced by the value it takes.
    const char *const start = p;
    const char *q = p + 1;
    convspec::Spec cs;
    const convspec::Result parsed = convspec::parse(q, cs, convspec::Dialect::Message);
    if (parsed == convspec::Result::End) {
      out.push_back("UNKNOWN");
      if (specs)
        specs->push_back(start);
      Port_MsgManData::debugStub("Unknown conversion specifier found.\n");
      break;
    }
    std::string spec = "%";
    if (cs.left)
      spec += '-';
    if (cs.plus)
      spec += '+';
    if (cs.space)
      spec += ' ';
    if (cs.alt)
      spec += '#';
    if (cs.zero)
      spec += '0';
    if (cs.widthStar)
      spec += std::to_string(va_arg(args, int));
    else if (cs.width >= 0)
      spec += std::to_string(cs.width);
    if (cs.precisionStar) {
      const int precision = va_arg(args, int);
      spec += '.' + std::to_string(precision < 0 ? 0 : precision);
    } else if (cs.precision >= 0) {
      spec += '.' + std::to_string(cs.precision);
    }
    // Length modifiers; 'h' and 'l' in front of the library's I and U conversions belong to
    // them (16 and 64 bits).
    std::string length;
    switch (cs.size) {
    case convspec::Size::HH:
      length = "hh";
      break;
    case convspec::Size::H:
      length = "h";
      break;
    case convspec::Size::L:
      length = "l";
      break;
    case convspec::Size::LL:
      length = "ll";
      break;
    case convspec::Size::Q:
      length = "q";
      break;
    case convspec::Size::BigL:
      length = "L";
      break;
    case convspec::Size::J:
      length = "j";
      break;
    case convspec::Size::T:
      length = "t";
      break;
    case convspec::Size::I64:
      length = "I64";
      break;
    case convspec::Size::I32:
      length = "I32";
      break;
    default:
      break;
    }
    const char conv = static_cast<char>(cs.conv);
    p = q - 1;
    // A width or precision beyond int formats to nothing, its argument taken all the same.
    const size_t before = out.size();
    const bool isLong = length == "l";
    const bool isLongLong = length == "ll" || length == "q" || length == "j" || length == "I64";
    switch (conv) {
    case 'd':
    case 'i':
    case 'o':
    case 'x':
    case 'X':
    case 'u':
      if (isLong)
        out.push_back(formatOne(spec + length + conv, va_arg(args, long)));
      else if (isLongLong)
        out.push_back(formatOne(spec + "ll" + conv, va_arg(args, long long)));
      else if (length == "t")
        out.push_back(formatOne(spec + length + conv, va_arg(args, ptrdiff_t)));
      else
        out.push_back(formatOne(spec + length + conv, va_arg(args, int)));
      break;
    case 'I':
    case 'U':
      // "l" and "ll" in front of them mean 64 bits, as they do to UT_STR, which formats them.
      if (length == "l" || length == "ll")
        out.push_back(formatOne(spec + length + conv, va_arg(args, int64_t)));
      else
        out.push_back(formatOne(spec + (length == "h" ? "h" : "") + conv, va_arg(args, int32_t)));
      break;
    case 'p':
      out.push_back(formatOne(spec + conv, va_arg(args, void *)));
      break;
    case 'e':
    case 'E':
    case 'f':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      if (length == "L")
        out.push_back(formatOne(spec + "L" + conv, va_arg(args, long double)));
      else
        out.push_back(formatOne(spec + conv, va_arg(args, double)));
      break;
    case 's':
      if (isLong)
        out.push_back(formatOne(spec + 's', utf8(va_arg(args, const wchar_t *)).c_str()));
      else
        out.push_back(formatOne(spec + 's', va_arg(args, const char *)));
      break;
    case 'S':
    case 'z':
      out.push_back(formatOne(spec + 's', utf8(va_arg(args, const wchar_t *)).c_str()));
      break;
    case 'c':
      if (isLong) {
        const wchar_t wide[2] = {static_cast<wchar_t>(va_arg(args, wint_t)), 0};
        out.push_back(formatOne(spec + 's', utf8(wide).c_str()));
      } else {
        out.push_back(formatOne(spec + conv, va_arg(args, int)));
      }
      break;
    case 'C': {
      const wchar_t wide[2] = {static_cast<wchar_t>(va_arg(args, wint_t)), 0};
      out.push_back(formatOne(spec + 's', utf8(wide).c_str()));
      break;
    }
    case 'h': // a lone 'h' takes a promoted short
      out.push_back(formatOne(spec + 'd', va_arg(args, int)));
      break;
    case 'n':
      break;
    default:
      out.push_back("UNKNOWN");
      Port_MsgManData::debugStub("Unknown conversion specifier found.\n");
      break;
    }
    if (parsed == convspec::Result::TooLarge && out.size() > before)
      out.back().clear();
    // The conversion as written (q stands after its letter), for the log's fmt attribute.
    if (specs && out.size() > before)
      specs->emplace_back(start, static_cast<size_t>(q - start));
  }
  va_end(args);
  return out;
}

std::wstring substitute(const std::wstring &text, const std::vector<std::wstring> &args,
                        const std::map<wchar_t, std::wstring> &named) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != L'!' || i + 1 >= text.size() || text[i + 1] != L'%') {
      out += text[i++];
      continue;
    }
    const size_t first = i + 2; // the reference's first character
    const size_t close = first < text.size() ? text.find(L'!', first + 1) : std::wstring::npos;
    if (close == std::wstring::npos) {
      out.append(text, i, std::wstring::npos);
      break;
    }
    const wchar_t c = text[first];
    if (c >= L'0' && c <= L'9') {
      size_t n = 0;
      for (size_t k = first; k < close && text[k] >= L'0' && text[k] <= L'9' && n <= args.size();
           ++k)
        n = n * 10 + static_cast<size_t>(text[k] - L'0');
      if (n >= 1 && n <= args.size())
        out += args[n - 1];
    } else if (c == L'%') {
      out += L'%';
    } else {
      auto it = named.find(c);
      if (it != named.end())
        out += it->second;
    }
    i = close + 1;
  }
  return out;
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
