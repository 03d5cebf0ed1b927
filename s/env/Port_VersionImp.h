// Port_VersionImp.h - the tables behind Port::Version: one per version file, each loaded once.
#ifndef PORT_VERSIONIMP_H
#define PORT_VERSIONIMP_H

#include "Port_StringBase.h"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Port {

// Key text -> (time, value) pairs, latest first; equal times keep their insertion order.
class Version_Hash {
public:
  Version_Hash() { m_table.reserve(100); }
  void AddEntry(StringBase<char> const &key, long time, StringBase<char> const &value);
  // The latest value when when is empty or key is "summary"; otherwise the value whose time is
  // exactly that of when. Empty when there is none.
  StringBase<char> getValue(char const *key, char const *when) const;
  std::vector<StringBase<char>> getValueList(char const *key) const;
  void Empty() { m_table.clear(); }

private:
  std::unordered_map<std::string, std::vector<std::pair<long, StringBase<char>>>> m_table;
};

class Version_Imp {
public:
  // The common path of the single-value queries; file null means the installation's file.
  static StringBase<char> getValue(char const *key, char const *when, char const *file);
  static std::vector<StringBase<char>> getValueList(char const *key, char const *file);
  // The first readable fileset.txt along the installation path; when there is none, an error
  // message and the last candidate.
  static StringBase<char> GetInstallFilePath();
  static StringBase<char> CreateFilePath(char const *dir, char const *name);
  // Empties table and loads path into it (an unreadable file leaves it empty).
  static void LoadInfo(char const *path, Version_Hash &table);
  // Splits "date :: key = value"; false for a line without "::" or without "=" after it.
  static bool ParseLine(char const *line, long &time, StringBase<char> &key,
                        StringBase<char> &value);

private:
  // The table of file (null: the installation's), loaded on first use.
  static const Version_Hash &table(char const *file);
};

} // namespace Port

#endif
