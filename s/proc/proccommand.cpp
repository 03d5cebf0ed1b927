// proccommand.cpp - command lines, output collection and error texts of child processes.
#include "proc/proccommand.h"

#include "Port_MsgDispatcher.h"
#include "Port_Process.h"
#include "platform/fileio.h"
#include "platform/process.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace proc {

static bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The end of the first argument of text (from its first non-blank character), or npos when a
// quote is left open anywhere in the text.
static size_t firstWordEnd(const std::string &text, size_t *start) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i]))
    ++i;
  *start = i;
  size_t end = std::string::npos;
  bool quoted = false;
  size_t slashes = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"' && slashes % 2 == 0)
      quoted = !quoted;
    slashes = c == '\\' ? slashes + 1 : 0;
    if (end == std::string::npos && !quoted && isBlank(c))
      end = i;
  }
  if (quoted)
    return std::string::npos;
  return end == std::string::npos ? text.size() : end;
}

CommandLine::CommandLine(const char *text) {
  if (!text)
    return;
  m_text = text;
  if (m_text.find_first_of("*?|%") != std::string::npos)
    return;
  size_t start;
  m_nameEnd = firstWordEnd(m_text, &start);
  if (m_nameEnd == std::string::npos || start == m_text.size())
    return;
  std::vector<std::string> args = platform::splitCommandLine(m_text.c_str());
  if (args.empty() || args[0].empty())
    return;
  m_name = args[0];
  m_valid = true;
}

CommandLine::CommandLine(int argc, const char *const *argv) {
  if (argc <= 0 || !argv || !argv[0] || !argv[0][0])
    return;
  for (int i = 0; i < argc && argv[i]; ++i) {
    if (i)
      m_text += ' ';
    m_text += platform::quoteArgument(argv[i]);
    if (std::strpbrk(argv[i], "*?|%"))
      return;
  }
  m_name = argv[0];
  m_nameEnd = platform::quoteArgument(argv[0]).size();
  m_valid = true;
}

void CommandLine::setName(const std::string &name) {
  size_t start;
  firstWordEnd(m_text, &start);
  std::string word = platform::quoteArgument(name);
  m_text.replace(start, m_nameEnd - start, word);
  m_nameEnd = start + word.size();
  m_name = name;
}

void CommandLine::completeName() {
  if (!m_valid)
    return;
  std::string name = m_name;
  for (char &c : name)
    if (c == '\\')
      c = '/';
  size_t slash = name.rfind('/');
  if (slash != std::string::npos || name.find('.') != std::string::npos)
    return;
  static const char *const kExtensions[] = {"", ".exe", ".bat", ".cmd"};
  for (const char *ext : kExtensions) {
    std::string found;
    if (!platform::searchPath(name.c_str(), ext, &found))
      continue;
    if (std::strcmp(ext, ".bat") == 0 || std::strcmp(ext, ".cmd") == 0)
      setName(m_name + ext);
    return;
  }
}

std::string removeReturns(std::string text, std::string *carry, bool last) {
  if (carry && !carry->empty()) {
    text.insert(0, *carry);
    carry->clear();
  }
  if (!last && carry && !text.empty() && text.back() == '\r') {
    text.pop_back();
    *carry = "\r";
  }
  size_t cr = text.find('\r');
  if (cr == std::string::npos)
    return text;
  // Compacted in place from the first carriage return on.
  size_t out = cr;
  for (size_t i = cr; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      continue;
    text[out++] = text[i];
  }
  text.resize(out);
  return text;
}

bool readWaiting(int fd, bool all, bool childRunning, std::string *text, uint32_t *error) {
  for (;;) {
    uint32_t waiting = 0;
    if (!platform::pipeBytesWaiting(fd, &waiting)) {
      if (childRunning) {
        *error = static_cast<uint32_t>(errno);
        return false;
      }
      return true;
    }
    if (waiting == 0)
      return true;
    size_t old = text->size();
    text->resize(old + waiting);
    int got = platform::read(fd, &(*text)[old], waiting);
    if (got < 0) {
      text->resize(old);
      if (childRunning) {
        *error = static_cast<uint32_t>(errno);
        return false;
      }
      return true;
    }
    text->resize(old + static_cast<size_t>(got));
    if (!all || got == 0)
      return true;
  }
}

bool collectOutput(int fd, Port::ChildOutput *out, bool last, bool roundCall, bool childRunning,
                   std::string *carry, uint32_t *error, bool *gotBytes, std::string *held) {
  std::string text;
  if (held)
    text.swap(*held);
  const size_t before = text.size();
  if (!readWaiting(fd, last, childRunning, &text, error)) {
    if (held)
      held->swap(text); // what was kept back is still delivered by the final call
    return false;
  }
  if (gotBytes)
    *gotBytes = text.size() > before;
  std::string clean = removeReturns(std::move(text), carry, last);
  if (!clean.empty()) {
    out->Output(clean.c_str(), last);
    if (last)
      return true;
  }
  if (roundCall || last)
    out->Output(nullptr, last);
  return true;
}

wchar_t *processErrorText(bool invalid, const std::string &name, uint32_t error) {
  if (invalid)
    return Port_MsgDispatcher::translateMsg("Portability", "Invalid command line.");
  std::string text;
  if (error != 0 && platform::systemErrorText(error, &text))
    return Port_MsgDispatcher::translateMsg("Portability", "%s: %s", name.c_str(), text.c_str());
  if (error != 0)
    return Port_MsgDispatcher::translateMsg("Portability", "%s: Error code %ld.", name.c_str(),
                                            static_cast<long>(error));
  return Port_MsgDispatcher::translateMsg("Portability", "%s: unknown error occurred.",
                                          name.c_str());
}

} // namespace proc
