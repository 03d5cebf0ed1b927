// Port_CmdLine.cpp - a command line as text and as argument vector, converted lazily.
#include "Port_CmdLine.h"

#include "basutstr.h"
#include "str/cmdtoken.h"

#include <cstring>
#include <string>
#include <vector>

namespace {
char *dup(const char *text) { return text ? UT_STR::Dup(text) : nullptr; }

bool isSpace(char c) { return UT_STR::IsSpace(static_cast<unsigned char>(c)); }
} // namespace

namespace Port {

// A backslash goes before every later double quote that follows a single backslash, so that the
// quote stays escaped when the text is split again by the Windows argument rules.
char *CmdLine::process_cmdline(const char *text) {
  if (!text)
    return nullptr;
  std::string out;
  bool seenQuote = false;
  for (size_t i = 0; text[i]; ++i) {
    if (text[i] == '"') {
      if (seenQuote && i >= 1 && text[i - 1] == '\\' && (i < 2 || text[i - 2] != '\\'))
        out += '\\';
      seenQuote = true;
    }
    out += text[i];
  }
  return UT_STR::Dup(out.c_str());
}

CmdLine::CmdLine(const char *text)
    : m_cmdline(process_cmdline(text)), m_argc(0), m_argv(nullptr), m_cmdname(nullptr),
      m_valid(text && *text) {}

CmdLine::CmdLine(int argc, const char *const *argv)
    : m_cmdline(nullptr), m_argc(0), m_argv(nullptr), m_cmdname(nullptr),
      m_valid(argc > 0 && argv) {
  if (!m_valid)
    return;
  m_argv = new char *[argc + 1];
  for (int i = 0; i < argc; ++i)
    m_argv[i] = dup(argv[i] ? argv[i] : "");
  m_argv[argc] = nullptr;
  m_argc = argc;
  m_cmdname = dup(m_argv[0]);
}

CmdLine::CmdLine(const char *const *argv)
    : m_cmdline(nullptr), m_argc(0), m_argv(nullptr), m_cmdname(nullptr), m_valid(argv && argv[0]) {
  if (!m_valid)
    return;
  int argc = 0;
  while (argv[argc])
    ++argc;
  m_argv = new char *[argc + 1];
  for (int i = 0; i < argc; ++i)
    m_argv[i] = dup(argv[i]);
  m_argv[argc] = nullptr;
  m_argc = argc;
  m_cmdname = dup(m_argv[0]);
}

CmdLine::CmdLine(const CmdLine &other)
    : m_cmdline(dup(other.m_cmdline)), m_argc(other.m_argc), m_argv(nullptr),
      m_cmdname(dup(other.m_cmdname)), m_valid(other.m_valid) {
  if (!other.m_argv)
    return;
  m_argv = new char *[m_argc + 1];
  for (int i = 0; i < m_argc; ++i)
    m_argv[i] = dup(other.m_argv[i]);
  m_argv[m_argc] = nullptr;
}

CmdLine::~CmdLine() {
  delete[] m_cmdline;
  delete[] m_cmdname;
  freeArgv();
}

void CmdLine::freeArgv() {
  if (m_argv)
    for (int i = 0; i < m_argc; ++i)
      delete[] m_argv[i];
  delete[] m_argv;
  m_argv = nullptr;
  m_argc = 0;
}

const char *CmdLine::get_cmdline() {
  if (!m_valid)
    return nullptr;
  if (!m_cmdline && m_argv) {
    std::string text;
    for (int i = 0; i < m_argc; ++i) {
      if (!*m_argv[i])
        continue;
      text += m_argv[i];
      text += ' ';
    }
    m_cmdline = UT_STR::Dup(text.c_str());
  }
  return m_cmdline;
}

// The next token at p: blanks skipped, quoted sections kept whole without their quotes. Null at
// the end of the text; ok false for an unterminated quote.
char *CmdLine::get_cmdtoken(const char *&p, bool &ok) {
  std::string token;
  const cmdtoken::Next next = cmdtoken::next(p, &token);
  ok = next != cmdtoken::Next::OpenQuote;
  return next == cmdtoken::Next::Word ? UT_STR::Dup(token.c_str()) : nullptr;
}

bool CmdLine::split() {
  std::vector<char *> tokens;
  const char *p = m_cmdline ? m_cmdline : "";
  bool ok = true;
  while (char *token = get_cmdtoken(p, ok))
    tokens.push_back(token);
  if (!ok) {
    for (char *t : tokens)
      delete[] t;
    m_valid = 0;
    return false;
  }
  freeArgv();
  m_argv = new char *[tokens.size() + 1];
  for (size_t i = 0; i < tokens.size(); ++i)
    m_argv[i] = tokens[i];
  m_argv[tokens.size()] = nullptr;
  m_argc = static_cast<int>(tokens.size());
  if (m_argc > 0) {
    // The name is the first token, also when it was asked for (and cached) before splitting.
    delete[] m_cmdname;
    m_cmdname = dup(m_argv[0]);
  }
  return true;
}

const char *const *CmdLine::get_argv() {
  if (!m_valid)
    return nullptr;
  if (!m_argv && !split())
    return nullptr;
  return m_argv;
}

int CmdLine::get_argc() { return get_argv() ? m_argc : 0; }

const char *CmdLine::get_cmdname() {
  if (!m_valid)
    return nullptr;
  if (!m_cmdname && m_cmdline) {
    // The first token as splitting reads it (quotes dropped), so that the name is the same
    // whichever of the name and the vector is asked for first. A first word with an open quote
    // has no token: its text up to the first white space stands for it.
    const char *p = m_cmdline;
    bool ok = true;
    m_cmdname = get_cmdtoken(p, ok);
    if (!m_cmdname) {
      p = m_cmdline;
      while (*p && !isSpace(*p))
        ++p;
      m_cmdname = UT_STR::Dup(std::string(static_cast<const char *>(m_cmdline), p).c_str());
    }
  }
  return m_cmdname;
}

void CmdLine::set_cmdname(const char *name) {
  if (!m_valid || !name)
    return;
  if (m_argv && m_argc > 0) {
    delete[] m_argv[0];
    m_argv[0] = dup(name);
  }
  if (m_cmdline) {
    const char *p = m_cmdline;
    while (*p && !isSpace(*p))
      ++p;
    const std::string text = std::string(name) + p;
    delete[] m_cmdline;
    m_cmdline = UT_STR::Dup(text.c_str());
  }
  if (m_cmdname) {
    delete[] m_cmdname;
    m_cmdname = dup(name);
  }
}

bool CmdLine::chk_meta() {
  const char *text = get_cmdline();
  return text && std::strpbrk(text, "*?|%") != nullptr;
}

} // namespace Port
