// Reading a previous log that declares entities of its own: a log never does, so a document
// may expand at most 64 of them (each reference counts, nested ones too), nothing is fetched
// from elsewhere, and expansion bombs are refused at once.
#include "Port_MsgXml.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

std::string repeat(const std::string &s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i)
    out += s;
  return out;
}

// A log of one numbered error of library `file` whose only argument is `arg`.
std::string log(const std::string &prolog, const std::string &arg, const std::string &file = "L") {
  return "<?xml version=\"1.0\"?>\n" + prolog + "<messages><msg type=\"error\" file=\"" + file +
         "\" num=\"1\"><arg fmt=\"%s\" index=\"1\">" + arg + "</arg></msg></messages>\n";
}

const std::string kFlat = "<!DOCTYPE messages [<!ENTITY e \"x\">]>";
// b expands to 8 entities (itself and seven of a).
const std::string kNested =
    "<!DOCTYPE messages [<!ENTITY a \"x\"><!ENTITY b \"" + repeat("&a;", 7) + "\">]>";

struct EntityCase {
  const char *what;
  std::string document;
  bool reads;
  std::string key = "Lerror1"; // when it reads: the message recorded, with this argument
  std::string value = std::string();
};

TEST(XmlLogEntities, ExpansionsUpToTheLimitReadAndBeyondItMakeTheLogCorrupt) {
  const EntityCase cases[] = {
      {"64 references", log(kFlat, repeat("&e;", 64)), true, "Lerror1", repeat("x", 64)},
      {"65 references", log(kFlat, repeat("&e;", 65)), false},
      {"nested, 64 in all", log(kNested, repeat("&b;", 8)), true, "Lerror1", repeat("x", 56)},
      {"nested, 65 in all", log(kNested, repeat("&b;", 8) + "&a;"), false},
      {"one in an attribute, 64 in all",
       log("<!DOCTYPE messages [<!ENTITY e \"x\"><!ENTITY l \"Lib\">]>", repeat("&e;", 63), "&l;"),
       true, "Liberror1", repeat("x", 63)},
      {"one in an attribute, 65 in all",
       log("<!DOCTYPE messages [<!ENTITY e \"x\"><!ENTITY l \"Lib\">]>", repeat("&e;", 64), "&l;"),
       false},
      {"predefined entities and character references",
       log(kFlat, repeat("&amp;", 100) + repeat("&#65;", 100)), true, "Lerror1",
       repeat("&", 100) + repeat("A", 100)},
      {"markup in an entity",
       "<!DOCTYPE messages [<!ENTITY m '<msg type=\"error\" file=\"M\" num=\"2\"><arg "
       "fmt=\"&#37;s\" "
       "index=\"1\">v</arg></msg>'>]><messages>&m;</messages>",
       true, "Merror2", "v"},
      {"a DOCTYPE without entities", log("<!DOCTYPE messages>", "v"), true, "Lerror1", "v"},
      {"recursive entities",
       log("<!DOCTYPE messages [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]>", "&a;"), false},
      {"an external entity", log("<!DOCTYPE messages [<!ENTITY x SYSTEM \"other.xml\">]>", "&x;"),
       false},
      {"an entity left to an external DTD", log("<!DOCTYPE messages SYSTEM \"other.dtd\">", "&u;"),
       false},
      {"windows-1252",
       "<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + log("", "\x80\xe9").substr(22), true,
       "Lerror1", "\xe2\x82\xac\xc3\xa9"},
  };
  porttest::TempTree tree;
  tree.write("other.xml", "x");
  tree.write("other.dtd", "<!ENTITY u \"x\">");
  for (const EntityCase &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = tree.write("log.xml", c.document);
    Port::DeltaMsg delta(path.c_str());
    ASSERT_EQ(c.reads, delta.readXmlMsg());
    if (c.reads) {
      EXPECT_EQ(1u, delta.getCount());
      EXPECT_FALSE(delta.isNewMsg(c.key, c.value));
    } else {
      EXPECT_EQ(0u, delta.getCount());
      EXPECT_TRUE(delta.isNewMsg(c.key, c.value));
    }
  }
}

// A billion expansions, in element content and in an attribute value, from a few hundred bytes.
TEST(XmlLogEntities, ExpansionBombsAreRefusedAtOnce) {
  std::string dtd = "<!DOCTYPE messages [<!ENTITY a0 \"aaaaaaaaaa\">";
  for (int i = 1; i <= 9; ++i)
    dtd += "<!ENTITY a" + std::to_string(i) + " \"" +
           repeat("&a" + std::to_string(i - 1) + ";", 10) + "\">";
  dtd += "]>";
  porttest::TempTree tree;
  for (const std::string &document : {log(dtd, "&a9;"), log(dtd, "v", "&a9;")}) {
    const std::string path = tree.write("log.xml", document);
    Port::DeltaMsg delta(path.c_str());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(delta.readXmlMsg());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  }
}

} // namespace
