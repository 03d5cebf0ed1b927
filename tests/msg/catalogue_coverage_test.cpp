// Every alias the library reports has an entry in the message file it ships, so that no
// message of the library prints without its number.
#include "Port_Message.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace {
struct Use {
  std::string file;
  std::string alias; // as the program sees it: escapes decoded
  bool literal;
};

std::string decode(const std::string &literal) {
  std::string out;
  for (size_t i = 0; i < literal.size(); ++i) {
    if (literal[i] == '\\' && i + 1 < literal.size()) {
      const char n = literal[++i];
      out += n == 'n' ? '\n' : n == 't' ? '\t' : n == 'r' ? '\r' : n;
    } else {
      out += literal[i];
    }
  }
  return out;
}

// The alias argument of each issue operation and of each translation in library
// "Portability": adjacent string literals, or a note that the argument is no literal.
std::vector<Use> usesIn(const std::string &file, const std::string &text) {
  static const std::regex call("(?:->|\\.)issue(Status|Error|Info|Warning|Internal|Debug|Fatal|"
                               "UserFatal|Errwarn)\\s*\\(|translateMsg\\(\\s*\"Portability\"\\s*,");
  static const std::regex literal("^\\s*\"((?:[^\"\\\\]|\\\\.)*)\"");
  std::vector<Use> uses;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), call); it != std::sregex_iterator();
       ++it) {
    size_t pos = it->position() + it->length();
    const std::string kind = (*it)[1];
    const int skip = kind == "Fatal" || kind == "UserFatal" ? 1 : kind == "Errwarn" ? 2 : 0;
    for (int k = 0; k < skip; ++k)
      pos = text.find(',', pos) + 1;
    std::string alias;
    bool found = false;
    std::smatch m;
    while (std::regex_search(text.begin() + pos, text.end(), m, literal)) {
      alias += m[1];
      pos += m.length();
      found = true;
    }
    uses.push_back({file, decode(alias), found});
  }
  return uses;
}
} // namespace

TEST(CatalogueCoverage, EveryReportedAliasHasAnEntry) {
  const std::string root = PORT_TEST_SOURCE_TREE;
  std::string msgFile = root + "/install/msg/usenglish/Portability.msg";
  Port_SsInfo catalogue("Portability");
  ASSERT_TRUE(catalogue.load(&msgFile[0]));
  int checked = 0;
  for (const auto &entry : std::filesystem::recursive_directory_iterator(root + "/s")) {
    if (entry.path().extension() != ".cpp")
      continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    // The issue operations themselves pass their parameter on; they are not reports.
    if (entry.path().filename() == "Port_MsgManData.cpp")
      continue;
    for (const Use &use : usesIn(entry.path().filename().string(), text.str())) {
      EXPECT_TRUE(use.literal) << use.file
                               << ": the alias is not a literal, so it cannot be "
                                  "checked against the catalogue";
      EXPECT_NE(nullptr, catalogue.lookupMsg(use.alias.c_str()))
          << use.file << ": no catalogue entry for \"" << use.alias << "\"";
      ++checked;
    }
  }
  EXPECT_GT(checked, 0);
}

TEST(CatalogueCoverage, NumbersAreUnique) {
  std::ifstream in(std::string(PORT_TEST_SOURCE_TREE) + "/install/msg/usenglish/Portability.msg");
  std::string line, previous = "\n";
  std::set<int> numbers;
  bool atEntry = true;
  while (std::getline(in, line)) {
    if (atEntry && !line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
      EXPECT_TRUE(numbers.insert(std::stoi(line)).second) << "number used twice: " << line;
    }
    atEntry = line.rfind(";;", 0) == 0 || (atEntry && (line.empty() || line[0] == '#'));
  }
  EXPECT_FALSE(numbers.empty());
}
