// Port_SsInfo.cpp - reading one library's message file.
//
// Message file grammar (lines end with LF or CR LF and may be of any length):
//   file     := comments [ "MSG_BY_NUM..." line comments ] { entry comments } [ rest ]
//   comments := { line beginning with '#' | empty line }
//   entry    := number line      a decimal number (text after it is ignored)
//               alias line       narrow; \n \t \r stand for newline, tab, carriage return
//               text line        wide (UTF-8 in the file); the same three escapes
//               { variant line } beginning with "HTML" or "XML", kept whole
//               terminator line  beginning with ";;"
//   rest     := anything from the first line (after comments) that does not begin with a digit
// A first line beginning with 'M' that is not "MSG_BY_NUM", a missing line inside an entry,
// a variant line of another kind or a terminator not beginning with ";;" makes the file
// invalid; the entries read before the error stay.
#include "Port_Message.h"

#include "Port_Env.h"
#include "basutstr.h"
#include "platform/filesys.h"
#include "platform/mbcs.h"

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class Port_SsInfoImp {
public:
  std::string name;
  std::vector<std::unique_ptr<Port_Message>> messages; // owns every entry
  // Keyed by the entry's own copy of its alias: a look-up then copies nothing.
  std::unordered_map<std::string_view, Port_Message *> byAlias;
  std::unordered_map<int, Port_Message *> byNum;
  bool byNumMarker = false;
  bool loaded = false;
};

namespace {
// Reads lines of any length, one ahead, without their line end. A read error ends the input
// for good, and the line it cut short is dropped: reading on after it would join text from both
// sides of the lost bytes.
class LineReader {
public:
  explicit LineReader(std::FILE *f) : m_file(f) { advance(); }
  bool atEnd() const { return m_atEnd; }
  bool failed() const { return m_failed; }
  const std::string &peek() const { return m_line; }
  std::string take() {
    std::string line = m_line;
    advance();
    return line;
  }

private:
  void advance() {
    m_line.clear();
    if (m_failed) {
      m_atEnd = true;
      return;
    }
    int c;
    bool any = false;
    while ((c = std::fgetc(m_file)) != EOF) {
      any = true;
      if (c == '\n')
        break;
      m_line.push_back(static_cast<char>(c));
    }
    if (c == EOF && std::ferror(m_file)) {
      m_failed = true;
      m_line.clear();
      any = false;
    }
    m_atEnd = !any;
    if (!m_line.empty() && m_line.back() == '\r')
      m_line.pop_back();
  }

  std::FILE *m_file;
  std::string m_line;
  bool m_atEnd = false;
  bool m_failed = false;
};

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};

std::string unescape(const std::string &s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char n = s[i + 1];
      if (n == 'n' || n == 't' || n == 'r') {
        out += n == 'n' ? '\n' : n == 't' ? '\t' : '\r';
        ++i;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

bool startsWith(const std::string &s, const char *prefix) {
  return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

void skipComments(LineReader &in) {
  while (!in.atEnd() && (in.peek().empty() || in.peek()[0] == '#'))
    in.take();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
} // namespace

Port_SsInfo::Port_SsInfo(const char *lib) : m_imp(new Port_SsInfoImp) {
  m_imp->name = lib ? lib : "";
}

Port_SsInfo::~Port_SsInfo() { delete m_imp; }

bool Port_SsInfo::load(char *path) {
  m_imp->loaded = false;
  if (Port_Env::GetEnv("QEL_NO_TRANSLATE")) {
    m_imp->loaded = true;
    return true;
  }
  std::unique_ptr<std::FILE, FileCloser> file(platform::fopen(path, "rb"));
  if (!file)
    return false;
  LineReader in(file.get());
  skipComments(in);
  if (!in.atEnd() && !in.peek().empty() && in.peek()[0] == 'M') {
    if (!startsWith(in.peek(), "MSG_BY_NUM"))
      return false;
    m_imp->byNumMarker = true;
    in.take();
    skipComments(in);
  }
  while (!in.atEnd() && isDigit(in.peek()[0])) {
    const int number = UT_STR::AToI(in.take().c_str());
    if (in.atEnd())
      return false;
    const std::string alias = unescape(in.take());
    if (in.atEnd())
      return false;
    auto message = std::make_unique<Port_Message>(
        number, alias.c_str(), platform::multibyteToWide(unescape(in.take()).c_str()).c_str());
    for (;;) {
      if (in.atEnd())
        return false;
      const std::string line = in.take();
      if (!line.empty() && line[0] == ';') {
        if (!startsWith(line, ";;"))
          return false;
        break;
      }
      if (!startsWith(line, "HTML") && !startsWith(line, "XML"))
        return false;
      message->addMsgSubClass(platform::multibyteToWide(line.c_str()).c_str());
    }
    // The first entry of an alias or number wins.
    m_imp->byAlias.emplace(std::string_view(message->getMsgAlias()), message.get());
    m_imp->byNum.emplace(number, message.get());
    m_imp->messages.push_back(std::move(message));
    skipComments(in);
  }
  // A file cut short by a read error keeps the entries read before it but did not load.
  m_imp->loaded = !in.failed();
  return m_imp->loaded;
}

bool Port_SsInfo::isLoaded() const { return m_imp->loaded; }
const char *Port_SsInfo::getName() const { return m_imp->name.c_str(); }
bool Port_SsInfo::isByNum() const { return m_imp->byNumMarker; }
int Port_SsInfo::getNumElements() const { return static_cast<int>(m_imp->messages.size()); }

Port_Message *Port_SsInfo::lookupMsg(const char *alias) const {
  if (!alias)
    return nullptr;
  auto it = m_imp->byAlias.find(alias);
  return it == m_imp->byAlias.end() ? nullptr : it->second;
}

Port_Message *Port_SsInfo::lookupMsgByNum(int num) const {
  auto it = m_imp->byNum.find(num);
  return it == m_imp->byNum.end() ? nullptr : it->second;
}
