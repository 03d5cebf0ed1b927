// What a program pays for linking the library: the shared objects loaded at its start. XML is
// read only on demand, so nothing of a networking, Kerberos, directory-service, Unicode or
// heavyweight XML library may come along; the compression, archive, cipher and XML libraries
// are mapped only when a service first needs them.
#include "child_process.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The file names of the objects the probe lists after the given mode.
std::vector<std::string> objectsAfter(const std::string &mode) {
  std::vector<std::string> args;
  if (!mode.empty())
    args.push_back(mode);
  const porttest::ChildResult r = porttest::runProgram(porttest::testProgram("objectsprobe"), args);
  EXPECT_EQ(0, r.status) << mode << ": " << r.err;
  std::vector<std::string> objects;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);)
    objects.push_back(line.substr(line.rfind('/') + 1));
  return objects;
}

TEST(StartUp, LoadsNoNetworkDirectoryUnicodeOrXercesLibraries) {
  const std::vector<std::string> objects = objectsAfter("");
  std::string listing;
  bool library = false;
  for (const std::string &name : objects) {
    library = library || name.rfind("libPortability.so", 0) == 0;
    listing += name + "\n";
  }
  EXPECT_TRUE(library) << listing; // the list is the one of a program that loads the library
  for (const char *unwanted : {"curl", "gnutls", "krb5", "ldap", "icu", "xerces"})
    for (const std::string &name : objects)
      EXPECT_EQ(std::string::npos, name.find(unwanted)) << name << " is loaded:\n" << listing;
}

TEST(StartUp, MapsOutsideLibrariesOnlyWhenAServiceFirstNeedsThem) {
  const struct {
    const char *mode;
    std::set<std::string> mapped; // of the five below, by the same prefixes
  } cases[] = {
      {"", {}},
      {"crc", {"libdeflate"}},
      {"compress", {"libdeflate", "libnettle"}},
  };
  for (const auto &c : cases) {
    const std::vector<std::string> objects = objectsAfter(c.mode);
    ASSERT_FALSE(objects.empty()) << c.mode;
    for (const char *lib : {"libz.", "libminizip", "libdeflate", "libexpat", "libnettle"}) {
      bool loaded = false;
      for (const std::string &name : objects)
        loaded = loaded || name.rfind(lib, 0) == 0;
      EXPECT_EQ(c.mapped.count(lib) > 0, loaded) << "mode '" << c.mode << "', " << lib;
    }
  }
}

// A library missing at its first use ends the program with the message of a library that cannot
// be opened, not with a crash.
TEST(StartUp, OutsideLibraryThatCannotBeMappedEndsWithFatalMessage) {
  const porttest::ChildResult r =
      porttest::runProgram(porttest::testProgram("objectsprobe"), {"nolibrary"});
  EXPECT_EQ(91, r.status) << r.err;
  std::string text; // the message with its line breaks undone
  for (char ch : r.err)
    if (!std::isspace(static_cast<unsigned char>(ch)) || (!text.empty() && text.back() != ' '))
      text += std::isspace(static_cast<unsigned char>(ch)) ? ' ' : ch;
  EXPECT_NE(std::string::npos, text.find("dll open of library <libnettle.so")) << r.err;
  EXPECT_NE(std::string::npos, text.find("failed due to a file the system could not find or map."))
      << r.err;
  EXPECT_EQ("", r.out);
}

} // namespace
