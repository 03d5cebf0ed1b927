// Port_Version.cpp - version data of the installation (fileset.txt) and the release banner.
//
// fileset.txt, one entry per line:
//   <weekday> <month> <day> <hh:mm:ss> <year> :: <key> = <value>
// The key is trimmed; the value is trimmed of blanks, tabs and line feeds, except the value of
// "summary", which is kept as written and gets a line feed. Lines without "::", or without "="
// after it, are ignored; a date that cannot be read gives the time -1.
//
// Every file is read once, into a table of its own, under the write side of a process-wide
// reader-writer lock; a loaded table never changes again, so lookups need no lock.
#include "Port_Version.h"
#include "env/Port_VersionImp.h"

#include "Port_File.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_PathList.h"
#include "Port_Thr.h"
#include "basutstr.h"
#include "basutstream.h"
#include "basuttime.h"
#include "msg/libreport.h"

#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <string>

extern "C" {
const char lib_KRT_Portability_SoftwareVersion[] = "SoftwareVersion: 1.1";
const char lib_KRT_Portability_Branch[] = "Branch: main";
const char lib_KRT_Portability_RCQTag[] = "RCQTag: Portability-1.1";
const char lib_KRT_Portability_Developer[] = "Developer: The Portability developers";
const char lib_KRT_Portability_Copyright[] = "Copyright: The Portability developers";
}

namespace {
const char *const kRev = "$Revision: 1.1 $";
const char *const kFileName = "fileset.txt";
const char *const kInstallKey = ""; // the table of the installation's file

const LibraryReport report("Port_Version", kRev);

// The lock and the tables live as long as the library.
struct VersionState {
  Port_ThrReaderWriterLock lock;
  std::map<std::string, std::unique_ptr<Port::Version_Hash>> tables;
};

VersionState &state() {
  static VersionState *s = new VersionState; // never destroyed: queries may come at unload
  return *s;
}

const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Reads "hh:mm:ss" (any single character between the numbers).
bool readTimeOfDay(const std::string &text, int &h, int &m, int &s) {
  int *fields[3] = {&h, &m, &s};
  size_t i = 0;
  for (int f = 0; f < 3; ++f) {
    if (f > 0) {
      if (i >= text.size())
        return false;
      ++i; // the separator
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9')
      return false;
    int v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      v = v < 100000 ? v * 10 + (text[i] - '0') : v;
    *fields[f] = v;
  }
  return true;
}

// A text of 1 to 9 decimal digits.
bool readDigits(const std::string &text, int &value) {
  if (text.empty() || text.size() > 9)
    return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

std::string trimmed(const std::string &s, const char *set) {
  const size_t b = s.find_first_not_of(set);
  if (b == std::string::npos)
    return std::string();
  return s.substr(b, s.find_last_not_of(set) - b + 1);
}
} // namespace

namespace Port {

long Version_Time::Convert(char const *text, long defaultValue) {
  if (!text)
    return defaultValue;
  std::vector<std::string> parts;
  for (const char *p = text; *p;) {
    while (*p == ' ')
      ++p;
    const char *start = p;
    while (*p && *p != ' ')
      ++p;
    if (p > start)
      parts.emplace_back(start, p);
  }
  if (parts.size() < 5)
    return defaultValue;
  int month = 0;
  for (int i = 0; i < 12; ++i)
    if (parts[1] == kMonths[i])
      month = i;
  int h = 0, m = 0, s = 0;
  if (!readTimeOfDay(parts[3], h, m, s))
    return defaultValue;
  int day = 0, year = 0;
  if (!readDigits(parts[2], day) || !readDigits(parts[4], year))
    return defaultValue;
  UT_TIME::Tm tm = {};
  tm.tm_sec = s;
  tm.tm_min = m;
  tm.tm_hour = h;
  tm.tm_mday = day;
  tm.tm_mon = month;
  tm.tm_year = year - 1900;
  tm.tm_isdst = -1;
  return UT_TIME::MkTime(&tm);
}

void Version_Hash::AddEntry(StringBase<char> const &key, long time, StringBase<char> const &value) {
  auto &entries = m_table[std::string(key.GetBuffer(), key.GetLength())];
  auto at = entries.begin();
  while (at != entries.end() && at->first >= time)
    ++at;
  entries.insert(at, std::make_pair(time, value));
}

namespace {
// Loaded tables are shared by every thread without a lock, and a string's block may be shared
// only within one thread (its count is not atomic): values leave a table as copies of their
// characters, never as shared blocks.
StringBase<char> copyOf(const StringBase<char> &value) {
  return StringBase<char>(value.GetBuffer(), value.GetLength());
}
} // namespace

StringBase<char> Version_Hash::getValue(char const *key, char const *when) const {
  const auto found = m_table.find(key ? key : "");
  if (found == m_table.end() || found->second.empty())
    return StringBase<char>();
  if (!when || !*when || std::strcmp(key, "summary") == 0)
    return copyOf(found->second.front().second);
  const long time = Version_Time::Convert(when, Version_Time::errorvalue2);
  if (time < 0)
    return StringBase<char>();
  for (const auto &entry : found->second)
    if (entry.first == time)
      return copyOf(entry.second);
  return StringBase<char>();
}

std::vector<StringBase<char>> Version_Hash::getValueList(char const *key) const {
  std::vector<StringBase<char>> values;
  const auto found = m_table.find(key ? key : "");
  if (found != m_table.end())
    for (const auto &entry : found->second)
      values.push_back(copyOf(entry.second));
  return values;
}

StringBase<char> Version_Imp::CreateFilePath(char const *dir, char const *name) {
  StringBase<char> path(dir ? dir : "");
  path += "/";
  path += name ? name : "";
  return path;
}

StringBase<char> Version_Imp::GetInstallFilePath() {
  StringBase<char> candidate;
  PathList *dirs = QuelmoPath::GetInstance();
  if (dirs) {
    for (PathListIterator it = dirs->begin(); it != dirs->end(); ++it) {
      candidate = CreateFilePath(it->GetBuffer(), kFileName);
      if (Port_File::canread(candidate.GetBuffer()))
        return candidate;
    }
  }
  report(__LINE__)->issueError("There is no readable fileset.txt filename in the list of MYQUELMO "
                               "or QUELMO environment variables\n");
  return candidate;
}

bool Version_Imp::ParseLine(char const *line, long &time, StringBase<char> &key,
                            StringBase<char> &value) {
  if (!line)
    return false;
  const std::string text(line);
  const size_t sep = text.find("::");
  if (sep == std::string::npos)
    return false;
  const size_t eq = text.find('=', sep + 2);
  if (eq == std::string::npos)
    return false;
  const std::string k = trimmed(text.substr(sep + 2, eq - sep - 2), " \t\r\n");
  std::string v = text.substr(eq + 1);
  if (k == "summary")
    v += "\n";
  else
    v = trimmed(v, " \t\n");
  time = Version_Time::Convert(text.substr(0, sep).c_str(), Version_Time::errorvalue1);
  key = StringBase<char>(k.c_str());
  value = StringBase<char>(v.c_str());
  return true;
}

void Version_Imp::LoadInfo(char const *path, Version_Hash &table) {
  table.Empty();
  UT_STREAM *in = path ? Port_File::open(path, UT_STREAM::Read, 0) : nullptr;
  if (!in)
    return;
  std::list<std::string> lines; // last line first
  StringBase<char> line;
  for (;;) {
    const bool more = line.ReadLine(in);
    if (more || !line.IsEmpty())
      lines.emplace_front(line.GetBuffer(), line.GetLength());
    if (!more)
      break;
    line.Empty();
  }
  Port_File::close(in);
  for (const std::string &l : lines) {
    long time = 0;
    StringBase<char> key, value;
    if (ParseLine(l.c_str(), time, key, value))
      table.AddEntry(key, time, value);
  }
}

const Version_Hash &Version_Imp::table(char const *file) {
  VersionState &s = state();
  const std::string name = file ? file : kInstallKey;
  const int rc = s.lock.lock();
  if (rc != 0)
    report(__LINE__)->issueFatal(19, "Couldn't create a thread lock [errcode:%u]\n",
                                 static_cast<unsigned>(rc));
  std::unique_ptr<Version_Hash> &slot = s.tables[name];
  if (!slot) {
    slot.reset(new Version_Hash);
    const StringBase<char> path = file ? StringBase<char>(file) : GetInstallFilePath();
    LoadInfo(path.GetBuffer(), *slot);
  }
  const Version_Hash &result = *slot;
  s.lock.unlock();
  return result;
}

StringBase<char> Version_Imp::getValue(char const *key, char const *when, char const *file) {
  return table(file).getValue(key, when);
}

std::vector<StringBase<char>> Version_Imp::getValueList(char const *key, char const *file) {
  return table(file).getValueList(key);
}

StringBase<char> Version::getValue(char const *key) {
  return Version_Imp::getValue(key, "", nullptr);
}

StringBase<char> Version::getValue(char const *key, char const *when) {
  return Version_Imp::getValue(key, when, nullptr);
}

StringBase<char> Version::getValueInstall(char const *key, char const *file) {
  return Version_Imp::getValue(key, "", file);
}

std::vector<StringBase<char>> Version::getValueList(char const *key, char const *file) {
  return Version_Imp::getValueList(key, file);
}

StringBase<char> Version::toString(char const *a, char const *b) {
  StringBase<char> text("Release ");
  text += getValue("version");
  text += " ";
  text += a ? a : "";
  text += " ";
  text += b ? b : "";
  return text;
}

void Version::print(char const *a, char const *b) {
  const StringBase<char> version = getValue("version");
  report(__LINE__)->issueStatus("Release %s - %s %s\n", version.GetBuffer(), a ? a : "",
                                b ? b : "");
}

void Version::printCopyright() {
  report(__LINE__)->issueStatus(
      "Copyright (c) 2026 The Portability developers.  All rights reserved.\n");
}

void Version::init(char const *a, char const *b) {
  print(a, b);
  printCopyright();
}

} // namespace Port
