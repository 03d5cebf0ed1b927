// basutcmdfil.cpp - command files (format in basutcmdfil.h) and the expansion of "-f name" in an
// argument vector.
#include "basutcmdfil.h"

#include "Port_File.h"
#include "Port_MsgManData.h"
#include "Port_StringBase.h"
#include "basutdarray.h"
#include "basutstr.h"
#include "basutstream.h"
#include "file/filereplace.h"
#include "msg/libreport.h"
#include "platform/locale.h"

#include <cstring>
#include <string>
#include <vector>

namespace {
const char *const kRev = "$Revision: 1.1 $";

const LibraryReport report(__FILE__, kRev);

// Bytes other than printable and control characters make a file invalid only where the user's
// language is English: elsewhere they are letters of the local code page.
bool userLanguageIsEnglish() {
  const std::string id = platform::GetLocaleLanguage(platform::GetUserDefaultLCID());
  return id.size() >= 4 && id.compare(2, 2, "09") == 0;
}

bool isPlainByte(unsigned char c) { return UT_STR::IsPrint(c) || UT_STR::IsCntrl(c); }

// An argument as load reads it back: quoted when it is empty, holds a blank, a tab, a double
// quote or a carriage return (which would end the line), or would start a comment.
std::string quoteForFile(const char *arg) {
  const bool quote = !*arg || *arg == '#' || std::strpbrk(arg, " \t\"\r") != nullptr;
  if (!quote)
    return arg;
  std::string text = "\"";
  for (const char *p = arg; *p; ++p) {
    if (*p == '"')
      text += '"';
    text += *p;
  }
  text += '"';
  return text;
}
} // namespace

class UT_CMDFILEIMP {
public:
  UT_CMDFILEIMP() : m_args(10, 1), m_status(true) { m_args.append(nullptr); }
  ~UT_CMDFILEIMP() { clear(); }

  int count() const { return m_args.getnum() - 1; } // the last entry is the null one
  void add(const char *text) {
    m_args[count()] = UT_STR::Dup(text);
    m_args.append(nullptr);
  }
  void clear() {
    for (int i = 0; i < count(); ++i)
      delete[] m_args[i];
    m_args.a_resetnum(0);
    m_args.append(nullptr);
  }
  bool load(const char *file, bool append);
  bool unload(const char *file, bool skipFirst);
  bool parseLine(const std::string &line, const char *file);

  PORT_DARRAY_TYPED<char *> m_args;
  bool m_status;
};

bool UT_CMDFILEIMP::parseLine(const std::string &line, const char *file) {
  size_t i = 0;
  const size_t n = line.size();
  while (i < n) {
    while (i < n && (line[i] == ' ' || line[i] == '\t'))
      ++i;
    if (i >= n || line[i] == '#')
      return true;
    std::string arg;
    if (line[i] == '"') {
      size_t j = i + 1;
      for (;; ++j) {
        if (j >= n) {
          report(__LINE__)->issueError(
              "Unmatched double quote found, check the command argument file \"%s\".\n", file);
          return false;
        }
        if (line[j] != '"') {
          arg += line[j];
        } else if (j + 1 < n && line[j + 1] == '"') {
          arg += '"';
          ++j;
        } else {
          break;
        }
      }
      i = j + 1;
    } else {
      const size_t start = i;
      while (i < n && line[i] != ' ' && line[i] != '\t')
        ++i;
      arg.assign(line, start, i - start);
    }
    if (count() >= UT_CMDFILE::MaxEntries) {
      report(__LINE__)->issueError(
          "The command argument file \"%s\" makes the command line longer than %d arguments.\n",
          file, static_cast<int>(UT_CMDFILE::MaxEntries));
      return false;
    }
    add(arg.c_str());
  }
  return true;
}

bool UT_CMDFILEIMP::load(const char *file, bool append) {
  if (!file)
    file = "";
  UT_STREAM *in = Port_File::open(file, UT_STREAM::Read, 0);
  if (!in) {
    report(__LINE__)->issueError("Unable to open command file \"%s\"\n", file);
    return false;
  }
  std::vector<std::string> lines;
  Port::StringBase<char> line;
  for (;;) {
    const bool ended = line.ReadLine(in);
    if (ended || !line.IsEmpty())
      lines.emplace_back(line.GetBuffer(), line.GetLength());
    if (!ended)
      break;
  }
  Port_File::close(in);
  for (const std::string &l : lines) {
    for (unsigned char c : l) {
      if (!isPlainByte(c) && userLanguageIsEnglish()) {
        report(__LINE__)->issueError(
            "Invalid file format, check the command argument file \"%s\".\n", file);
        return false;
      }
    }
  }
  if (!append)
    clear();
  for (const std::string &l : lines)
    if (!parseLine(l, file))
      return false;
  return true;
}

bool UT_CMDFILEIMP::unload(const char *file, bool skipFirst) {
  if (!file)
    file = "";
  FileReplace replace(file);
  UT_STREAM *out = Port_File::open(replace.writeName(), UT_STREAM::Write, 1);
  if (!out) {
    report(__LINE__)->issueError("Unable to open command file \"%s\" for write\n", file);
    return false;
  }
  for (int i = skipFirst ? 1 : 0; i < count(); ++i)
    out->writeline(quoteForFile(m_args[i]).c_str());
  const bool written = out->flush(true) == 0 && out->geterror() == 0;
  return Port_File::close(out) && written && replace.commit();
}

UT_CMDFILE::UT_CMDFILE() : m_imp(new UT_CMDFILEIMP) {}

UT_CMDFILE::UT_CMDFILE(int argc, const char *const *argv) : m_imp(new UT_CMDFILEIMP) {
  for (int i = 0; argv && i < argc; ++i) {
    const char *arg = argv[i] ? argv[i] : "";
    if (std::strcmp(arg, "-f") != 0) {
      m_imp->add(arg);
      continue;
    }
    if (i + 1 < argc)
      m_imp->m_status = m_imp->load(argv[++i], true);
  }
}

UT_CMDFILE::~UT_CMDFILE() { delete m_imp; }

bool UT_CMDFILE::load(const char *file, unsigned char append) {
  m_imp->m_status = m_imp->load(file, append != 0);
  return m_imp->m_status;
}

bool UT_CMDFILE::unload(const char *file, unsigned char skipFirst) {
  return m_imp->unload(file, skipFirst != 0);
}

int UT_CMDFILE::getargc() const { return m_imp->count(); }

const char *const *UT_CMDFILE::getargv() const {
  return m_imp->count() > 0 ? m_imp->m_args.data() : nullptr;
}

bool UT_CMDFILE::loadstat() const { return m_imp->m_status; }
