// What a program pays for linking the library: the shared objects loaded at its start. XML is
// read only on demand, so nothing of a networking, Kerberos, directory-service, Unicode or
// heavyweight XML library may come along.
#include "child_process.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

TEST(StartUp, LoadsNoNetworkDirectoryUnicodeOrXercesLibraries) {
  const porttest::ChildResult r = porttest::runProgram(porttest::testProgram("objectsprobe"), {});
  ASSERT_EQ(0, r.status) << r.err;
  std::vector<std::string> objects;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);)
    objects.push_back(line.substr(line.rfind('/') + 1));
  bool library = false;
  for (const std::string &name : objects)
    library = library || name.rfind("libPortability.so", 0) == 0;
  EXPECT_TRUE(library) << r.out; // the list is the one of a program that loads the library
  for (const char *unwanted : {"curl", "gnutls", "krb5", "ldap", "icu", "xerces"})
    for (const std::string &name : objects)
      EXPECT_EQ(std::string::npos, name.find(unwanted)) << name << " is loaded:\n" << r.out;
}

} // namespace
