// Shared string: block layout, sharing and copy-on-write, editing (including a string's own text
// as the source), comparison, searching and tokens.
#include "Port_StringBase.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using Str = Port::StringBase<char>;
using WStr = Port::StringBase<wchar_t>;
using Exp = Port::StringExp<char>;

namespace {

std::string S(const Str &s) { return std::string(s.GetBuffer(), s.GetLength()); }

// An edit of a string, named for the failure messages, and the text it leaves.
struct EditCase {
  const char *name;
  std::function<void(Str &)> op;
  const char *expected;
};

// ---------------------------------------------------------------------------------------------
// Layout

TEST(StringLayout, ObjectIsOnePointer) {
  EXPECT_EQ(sizeof(Str), sizeof(void *));
  EXPECT_EQ(sizeof(WStr), sizeof(void *));
}

TEST(StringLayout, DefaultStringsShareTheStaticEmptyBlock) {
  Str a;
  EXPECT_EQ(a.GetLength(), 0u);
  EXPECT_EQ(a.GetCapacity(), 3u);
  EXPECT_EQ(a.GetRefCount(), 10000u);
  EXPECT_STREQ(a.GetBuffer(), "");
  {
    Str b(a), c;
    c = a;
    EXPECT_EQ(b.GetBuffer(), a.GetBuffer());
    EXPECT_EQ(c.GetBuffer(), a.GetBuffer());
    EXPECT_EQ(a.GetRefCount(), 10000u);
  }
  EXPECT_EQ(a.GetRefCount(), 10000u);
  WStr w;
  EXPECT_EQ(w.GetCapacity(), 3u);
  EXPECT_EQ(w.GetRefCount(), 10000u);
}

TEST(StringLayout, CapacityFollowsTheAllocationRule) {
  struct Case {
    unsigned length;
    unsigned plain;
    unsigned doubled;
  } cases[] = {{0, 15, 31}, {3, 15, 31}, {15, 15, 31}, {16, 31, 63}, {31, 31, 63}, {32, 47, 95}};
  for (const Case &c : cases) {
    const std::string text(c.length, 'x');
    EXPECT_EQ(Str(text.c_str()).GetCapacity(), c.plain) << c.length;
    EXPECT_EQ(Exp(text.c_str()).GetCapacity(), c.doubled) << c.length;
    EXPECT_EQ(WStr(std::wstring(c.length, L'x').c_str()).GetCapacity(), c.plain) << c.length;
  }
  Str fromNull(static_cast<const char *>(nullptr));
  EXPECT_EQ(fromNull.GetLength(), 0u);
  EXPECT_EQ(fromNull.GetCapacity(), 15u);
  EXPECT_EQ(fromNull.GetRefCount(), 1u);
}

TEST(StringLayout, HeaderFieldsPrecedeTheCharacters) {
  Str s("hello");
  const uint32_t *header = reinterpret_cast<const uint32_t *>(s.GetBuffer()) - 3;
  EXPECT_EQ(header[0], 1u);       // count
  EXPECT_EQ(header[1], 15u << 1); // capacity, flag clear
  EXPECT_EQ(header[2], 5u);       // length
  EXPECT_EQ(s.GetLengthPtr(), header + 2);
  Exp e("hello");
  EXPECT_EQ(reinterpret_cast<const uint32_t *>(e.GetBuffer())[-2], (31u << 1) | 1u);
}

TEST(StringLayout, RepeatedAndJoinedConstructors) {
  Str r('z', 4, 40);
  EXPECT_EQ(S(r), "zzzz");
  EXPECT_EQ(r.GetCapacity(), 47u);
  EXPECT_EQ(Str('z', 20).GetCapacity(), 31u);
  EXPECT_EQ(Str('z', 20, 2).GetCapacity(), 31u); // never below the count
  Str j("ab", nullptr, "cd", "", "e");
  EXPECT_EQ(S(j), "abcde");
  EXPECT_EQ(j.GetCapacity(), 15u);
  Str z("a\0b", 3);
  EXPECT_EQ(z.GetLength(), 3u);
  EXPECT_EQ(z.GetChar(2), 'b');
  Str owned(std::unique_ptr<char[]>(new char[4]{'x', 'y', 'z', 0}));
  EXPECT_EQ(S(owned), "xyz");
}

// ---------------------------------------------------------------------------------------------
// Sharing and copy-on-write

TEST(StringSharing, CopyIsACountIncrement) {
  Str a("shared text");
  Str b(a);
  EXPECT_EQ(b.GetBuffer(), a.GetBuffer());
  EXPECT_EQ(a.GetRefCount(), 2u);
  Str c;
  c = b;
  EXPECT_EQ(a.GetRefCount(), 3u);
  c = c; // self-assignment keeps the count
  EXPECT_EQ(a.GetRefCount(), 3u);
}

TEST(StringSharing, WritingToACopyLeavesTheOriginal) {
  Str a("abc");
  Str b;
  b = a;
  EXPECT_EQ(a.GetRefCount(), 2u);
  b.Append("x");
  EXPECT_NE(b.GetBuffer(), a.GetBuffer());
  EXPECT_EQ(S(a), "abc");
  EXPECT_EQ(S(b), "abcx");
  EXPECT_EQ(a.GetRefCount(), 1u);
  EXPECT_EQ(b.GetRefCount(), 1u);
}

TEST(StringSharing, EveryWriterUnsharesFirst) {
  const std::vector<std::pair<const char *, std::function<void(Str &)>>> writers = {
      {"SetChar", [](Str &s) { s.SetChar(0, 'X'); }},
      {"MakeWritable", [](Str &s) { s.MakeWritable(); }},
      {"LockBuffer", [](Str &s) { s.LockBuffer(4)[0] = 'X'; }},
      {"Truncate", [](Str &s) { s.Truncate(2); }},
      {"SetLength", [](Str &s) { s.SetLength(9, '-'); }},
      {"Insert", [](Str &s) { s.Insert(1, "--"); }},
      {"Replace", [](Str &s) { s.Replace(Port_Range(0, 1), "XY"); }},
      {"Remove", [](Str &s) { s.Remove(Port_Range(1, 2)); }},
      {"Reduce", [](Str &s) { s.Reduce(Port_Range(1, 2)); }},
      {"ReplaceChars", [](Str &s) { s.ReplaceChars('b', 'B'); }},
      {"MakeUpper", [](Str &s) { s.MakeUpper(); }},
      {"Trim", [](Str &s) { s.Trim("a"); }},
      {"Empty", [](Str &s) { s.Empty(); }},
      {"AssignText", [](Str &s) { s = "other"; }},
      {"ReplaceAll", [](Str &s) { s.Replace("bc", "Z"); }},
  };
  for (const auto &w : writers) {
    Str a("abcdef");
    Str b(a);
    w.second(b);
    EXPECT_EQ(S(a), "abcdef") << w.first;
    EXPECT_EQ(a.GetRefCount(), 1u) << w.first;
    EXPECT_NE(a.GetBuffer(), b.GetBuffer()) << w.first;
  }
}

TEST(StringSharing, UnchangedContentsStayShared) {
  const std::vector<std::pair<const char *, std::function<void(Str &)>>> readers = {
      {"ReplaceChars absent", [](Str &s) { EXPECT_EQ(s.ReplaceChars('q', 'r'), 0u); }},
      {"MakeLower no capitals", [](Str &s) { s.MakeLower(); }},
      {"MakeUpper range without letters", [](Str &s) { s.MakeUpper(Port_Range(3, 4)); }},
      {"Trim nothing to trim", [](Str &s) { s.Trim(); }},
      {"Truncate longer", [](Str &s) { s.Truncate(50); }},
      {"SetChar beyond", [](Str &s) { s.SetChar(7, 'x'); }},
      {"Replace empty range", [](Str &s) { s.Replace(Port_Range(), "x"); }},
      {"ReplaceAll absent", [](Str &s) { EXPECT_EQ(s.Replace("zz", "y"), 0u); }},
  };
  for (const auto &r : readers) {
    Str a("abc12");
    Str b(a);
    r.second(b);
    EXPECT_EQ(a.GetBuffer(), b.GetBuffer()) << r.first;
    EXPECT_EQ(a.GetRefCount(), 2u) << r.first;
  }
}

TEST(StringSharing, EmptyKeepsAnUnsharedBlockAndReplacesASharedOne) {
  Str a('x', 40);
  const char *block = a.GetBuffer();
  a.Empty();
  EXPECT_EQ(a.GetBuffer(), block);
  EXPECT_EQ(a.GetCapacity(), 47u);
  Str b('y', 40), c(b);
  c.Empty();
  EXPECT_EQ(c.GetCapacity(), 15u);
  EXPECT_EQ(c.GetLength(), 0u);
  EXPECT_EQ(b.GetLength(), 40u);
  Str d;
  d.Empty();
  EXPECT_EQ(d.GetRefCount(), 10000u);
}

TEST(StringSharing, PlainStringsGrowBySixteenAndStringExpGeometrically) {
  Str plain;
  std::vector<unsigned> capacities;
  for (int i = 0; i < 64; ++i) {
    plain += 'a';
    if (capacities.empty() || capacities.back() != plain.GetCapacity())
      capacities.push_back(plain.GetCapacity());
  }
  EXPECT_EQ(capacities, (std::vector<unsigned>{15, 31, 47, 63, 79}));

  Exp exp;
  EXPECT_EQ(exp.GetRefCount(), 10000u);
  std::set<unsigned> seen;
  for (int i = 0; i < 100000; ++i) {
    exp += 'a';
    seen.insert(exp.GetCapacity());
  }
  EXPECT_EQ(exp.GetLength(), 100000u);
  EXPECT_LE(seen.size(), 20u);
  EXPECT_GE(exp.GetCapacity(), 100000u);
}

TEST(StringSharing, StringExpSharesPlainBlocksAsTheyAre) {
  Str plain("abc");
  Exp e(plain);
  EXPECT_EQ(e.GetBuffer(), plain.GetBuffer());
  EXPECT_EQ(plain.GetRefCount(), 2u);
  Exp range(Exp("0123456789abcdefghij"), Port_Range(2, 17));
  EXPECT_EQ(S(range), "23456789abcdefgh");
  EXPECT_EQ(range.GetCapacity(), 63u);
}

TEST(StringSharing, AssignWithReuseCopiesIntoALargeEnoughBlock) {
  Str big('x', 100);
  const char *block = big.GetBuffer();
  Str small("abc");
  big.Assign(small, true);
  EXPECT_EQ(big.GetBuffer(), block);
  EXPECT_EQ(S(big), "abc");
  EXPECT_EQ(small.GetRefCount(), 1u);
  Str tiny("z");
  tiny.Assign(big, true); // too small: shares
  EXPECT_EQ(tiny.GetBuffer(), big.GetBuffer());
}

// ---------------------------------------------------------------------------------------------
// Own text as the source

TEST(StringSelfReference, OwnTextAsSourceInEveryForm) {
  const std::vector<EditCase> cases = {
      {"Append(self)", [](Str &s) { s.Append(s); }, "abcdabcd"},
      {"+= self", [](Str &s) { s += s; }, "abcdabcd"},
      {"Append(buffer)", [](Str &s) { s.Append(s.GetBuffer()); }, "abcdabcd"},
      {"Append(inner text)", [](Str &s) { s.Append(s.GetCharPtr(1), 2); }, "abcdbc"},
      {"Append(self, range)", [](Str &s) { s.Append(s, Port_Range(2, 9)); }, "abcdcd"},
      {"Insert(0, self)", [](Str &s) { s.Insert(0, s); }, "abcdabcd"},
      {"Insert(2, self)", [](Str &s) { s.Insert(2, s); }, "ababcdcd"},
      {"Insert(1, buffer)", [](Str &s) { s.Insert(1, s.GetBuffer() + 2); }, "acdbcd"},
      {"Insert(3, self, range)", [](Str &s) { s.Insert(3, s, Port_Range(0, 1)); }, "abcabd"},
      {"Replace(range, self)", [](Str &s) { s.Replace(Port_Range(1, 2), s); }, "aabcdd"},
      {"Replace(range, inner)", [](Str &s) { s.Replace(Port_Range(0, 0), s.GetCharPtr(2), 2); },
       "cdbcd"},
      {"Replace(range, self, range)",
       [](Str &s) { s.Replace(Port_Range(0, 1), s, Port_Range(2, 3)); }, "cdcd"},
      {"Assign(inner)", [](Str &s) { s.Assign(s.GetCharPtr(1), 2); }, "bc"},
      {"= inner", [](Str &s) { s = s.GetCharPtr(2); }, "cd"},
      {"Assign(self, range)", [](Str &s) { s.Assign(s, Port_Range(1, 2)); }, "bc"},
      {"ReplaceAll(find in self)", [](Str &s) { s.Replace(s.GetCharPtr(3), s.GetBuffer()); },
       "abcabcd"},
  };
  for (const EditCase &c : cases) {
    for (unsigned reserve : {0u, 200u}) {
      Str s("abcd");
      if (reserve) // room to work in place: the source must still not be overwritten
        s.SetCapacity(reserve);
      c.op(s);
      EXPECT_EQ(S(s), c.expected) << c.name << " reserve " << reserve;
    }
    Str s("abcd"), other(s);
    c.op(s);
    EXPECT_EQ(S(s), c.expected) << c.name << " shared";
    EXPECT_EQ(S(other), "abcd") << c.name << " shared";
  }
}

TEST(StringSelfReference, WideSelfAppend) {
  WStr w(L"xyz");
  w.Insert(0, w);
  w.Append(w);
  EXPECT_EQ(std::wstring(w.GetBuffer()), L"xyzxyzxyzxyz");
}

// ---------------------------------------------------------------------------------------------
// Editing

TEST(StringEdit, RangeOperations) {
  const std::vector<EditCase> cases = {
      {"Remove middle", [](Str &s) { s.Remove(Port_Range(1, 3)); }, "aef"},
      {"Remove clipped", [](Str &s) { s.Remove(Port_Range(4, 100)); }, "abcd"},
      {"Remove beyond", [](Str &s) { s.Remove(Port_Range(6, 9)); }, "abcdef"},
      {"Remove index", [](Str &s) { s.Remove(0u); }, "bcdef"},
      {"Reduce", [](Str &s) { s.Reduce(Port_Range(2, 3)); }, "cd"},
      {"Reduce empty", [](Str &s) { s.Reduce(Port_Range()); }, ""},
      {"Replace shorter", [](Str &s) { s.Replace(Port_Range(1, 4), "X"); }, "aXf"},
      {"Replace longer", [](Str &s) { s.Replace(Port_Range(0, 0), "XYZ"); }, "XYZbcdef"},
      {"Replace clipped", [](Str &s) { s.Replace(Port_Range(4, 999), "!"); }, "abcd!"},
      {"Replace at length", [](Str &s) { s.Replace(Port_Range(6, 6), "!"); }, "abcdef"},
      {"Insert front", [](Str &s) { s.Insert(0, "<"); }, "<abcdef"},
      {"Insert end", [](Str &s) { s.Insert(6, ">"); }, "abcdef>"},
      {"Insert beyond clips", [](Str &s) { s.Insert(60, ">"); }, "abcdef>"},
      {"Insert chars", [](Str &s) { s.Insert(3, '-', 3); }, "abc---def"},
      {"Append count", [](Str &s) { s.Append("xyz", 2); }, "abcdefxy"},
      {"Append null", [](Str &s) { s.Append(static_cast<const char *>(nullptr)); }, "abcdef"},
      {"Append chars", [](Str &s) { s.Append('!', 2); }, "abcdef!!"},
      {"Truncate", [](Str &s) { s.Truncate(2); }, "ab"},
      {"Truncate longer", [](Str &s) { s.Truncate(10); }, "abcdef"},
      {"SetLength longer", [](Str &s) { s.SetLength(8, '*'); }, "abcdef**"},
      {"SetLength shorter", [](Str &s) { s.SetLength(1, '*'); }, "a"},
      {"SetChar", [](Str &s) { s.SetChar(5, 'F'); }, "abcdeF"},
      {"SetChar beyond", [](Str &s) { s.SetChar(6, 'x'); }, "abcdef"},
      {"Assign chars", [](Str &s) { s.Assign('q', 3); }, "qqq"},
      {"Assign char", [](Str &s) { s = 'q'; }, "q"},
      {"Assign null", [](Str &s) { s = static_cast<const char *>(nullptr); }, ""},
      {"Assign empty range", [](Str &s) { s.Assign(Str("xyz"), Port_Range(5, 9)); }, ""},
  };
  for (const EditCase &c : cases) {
    Str s("abcdef");
    c.op(s);
    EXPECT_EQ(S(s), c.expected) << c.name;
    EXPECT_EQ(s.GetBuffer()[s.GetLength()], '\0') << c.name;
  }
}

TEST(StringEdit, ReplaceAll) {
  struct Case {
    const char *text, *find, *with;
    Str::CompareType type;
    const char *expected;
    unsigned count;
  } cases[] = {
      {"aab", "ab", "b", Str::ExactCompare, "ab", 1},
      {"aaaa", "a", "aa", Str::ExactCompare, "aaaaaaaa", 4},
      {"xAbyab", "ab", "-", Str::IgnoreCaseCompare, "x-y-", 2},
      {"xAbyab", "ab", "-", Str::NumericIgnoreCaseCompare, "xAby-", 1},
      {"abc", "", "x", Str::ExactCompare, "abc", 0},
      {"abab", "ab", "", Str::ExactCompare, "", 2},
  };
  for (const Case &c : cases) {
    Str s(c.text);
    EXPECT_EQ(s.Replace(c.find, c.with, c.type), c.count) << c.text << "/" << c.find;
    EXPECT_EQ(S(s), c.expected) << c.text << "/" << c.find;
  }
  Str many('a', 200000);
  EXPECT_EQ(many.Replace("a", "bc"), 200000u);
  EXPECT_EQ(many.GetLength(), 400000u);
}

TEST(StringEdit, CaseMappingAndCharacterReplacement) {
  Str s("Hello World");
  s.MakeUpper(Port_Range(0, 4));
  EXPECT_EQ(S(s), "HELLO World");
  s.MakeLower();
  EXPECT_EQ(S(s), "hello world");
  EXPECT_EQ(s.ReplaceChars('o', '0'), 2u);
  EXPECT_EQ(s.ReplaceChars(Port_Range(0, 3), 'l', 'L'), 2u);
  EXPECT_EQ(S(s), "heLL0 w0rld");
  WStr w(L"mixed Case");
  w.MakeUpper();
  EXPECT_EQ(std::wstring(w.GetBuffer()), L"MIXED CASE");
}

TEST(StringEdit, Trim) {
  struct Case {
    const char *text;
    const char *set;
    Str::TrimType type;
    const char *expected;
  } cases[] = {
      {"  ab \t", nullptr, Str::TrimBoth, "ab"},
      {"  ab \t", nullptr, Str::TrimLeading, "ab \t"},
      {"  ab \t", nullptr, Str::TrimTrailing, "  ab"},
      {"  \t ", " \t", Str::TrimBoth, ""},
      {"  \t ", " \t", Str::TrimTrailing, ""},
      {"xxaxx", "x", Str::TrimBoth, "a"},
      {"", "x", Str::TrimBoth, ""},
  };
  for (const Case &c : cases) {
    Str s(c.text);
    s.Trim(c.set, c.type);
    EXPECT_EQ(S(s), c.expected) << '"' << c.text << '"' << c.type;
  }
}

TEST(StringEdit, LockAndUnlockBuffer) {
  Str s("ab");
  char *p = s.LockBuffer(40);
  EXPECT_GE(s.GetCapacity(), 40u);
  std::memcpy(p, "0123456789", 10);
  s.UnlockBuffer(10);
  EXPECT_EQ(S(s), "0123456789");
  s.UnlockBuffer(Str::npos);
  EXPECT_EQ(S(s), "0123456789");
  s.LockBuffer(4);
  s.UnlockBuffer(1000); // clipped to the capacity
  EXPECT_EQ(s.GetLength(), s.GetCapacity());

  // Outside a locked section a shared block is left alone.
  Str a("shared"), b(a);
  b.UnlockBuffer(2);
  EXPECT_EQ(S(a), "shared");
  EXPECT_EQ(S(b), "sh");
  Str empty;
  empty.UnlockBuffer(3);
  EXPECT_EQ(empty.GetLength(), 0u);
  EXPECT_EQ(Str().GetBuffer()[0], '\0');
  EXPECT_EQ(Str().GetRefCount(), 10000u);
}

TEST(StringEdit, ReadLineFromStream) {
  const std::string longLine(300, 'L');
  std::istringstream in("first\n" + longLine + "\n\n" + std::string(127, 'k') + "\nlast");
  Str s("old contents");
  std::vector<std::string> lines;
  while (s.ReadLine(in))
    lines.push_back(S(s));
  EXPECT_EQ(lines,
            (std::vector<std::string>{"first", longLine, "", std::string(127, 'k'), "last"}));
  EXPECT_EQ(s.GetLength(), 0u);

  std::wistringstream win(L"\u00e9t\u00e9\n" + std::wstring(200, L'w'));
  WStr w;
  EXPECT_TRUE(w.ReadLine(win));
  EXPECT_EQ(std::wstring(w.GetBuffer()), L"\u00e9t\u00e9");
  EXPECT_TRUE(w.ReadLine(win));
  EXPECT_EQ(w.GetLength(), 200u);
  EXPECT_FALSE(w.ReadLine(win));
}

// ---------------------------------------------------------------------------------------------
// Comparison

TEST(StringCompare, AllTypes) {
  struct Case {
    const char *a, *b;
    Str::CompareType type;
    int sign;
  } cases[] = {
      {"abcd", "abc", Str::ExactCompare, 1},
      {"abc", "abd", Str::ExactCompare, -1},
      {"abc", "abc", Str::ExactCompare, 0},
      {"a\xe9", "az", Str::ExactCompare, 1}, // unsigned characters
      {"", "", Str::ExactCompare, 0},
      {"abc", "ABC", Str::IgnoreCaseCompare, 0},
      {"abc", "ABD", Str::IgnoreCaseCompare, -1},
      {"ab", "ABC", Str::IgnoreCaseCompare, -1},
      {"a_", "A[", Str::IgnoreCaseCompare, 1},
      {"file9", "file10", Str::NumericCompare, -1},
      {"file10", "file9", Str::NumericCompare, 1},
      {"a007", "a7", Str::NumericCompare, 0},
      {"abc", "abcd", Str::NumericCompare, 0},
      {"x2y10", "x2y9", Str::NumericCompare, 1},
      {"99999999999999999999999", "100000000000000000000000", Str::NumericCompare, -1},
      {"1a", "a", Str::NumericCompare, -1},
      {"", "a", Str::NumericCompare, -1},
      {"a", "", Str::NumericCompare, 1},
      {"File9", "file10", Str::NumericCompare, -1},
      {"file9", "FILE10", Str::NumericIgnoreCaseCompare, -1},
      {"Abc", "abc", Str::NumericIgnoreCaseCompare, 0},
  };
  for (const Case &c : cases) {
    const Str a(c.a);
    const int r = a.Compare(c.b, c.type);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b << " type " << c.type;
    const int rs = a.Compare(Str(c.b), c.type);
    EXPECT_EQ((rs > 0) - (rs < 0), c.sign) << c.a << " vs " << c.b << " type " << c.type;
    EXPECT_EQ(a.Equals(c.b, c.type), c.sign == 0) << c.a << " vs " << c.b;
  }
}

TEST(StringCompare, RangeAndCountForms) {
  const Str s("prefix-Body-suffix");
  EXPECT_EQ(s.Compare(Port_Range(7, 10), "Body"), 0);
  EXPECT_EQ(s.ICompare(Port_Range(7, 10), "BODY"), 0);
  EXPECT_GT(s.Compare("prefix-XX", 7), 0);
  EXPECT_EQ(Str("prefix-").Compare("prefix-XX", 7), 0);
  EXPECT_GT(s.Compare(Port_Range(7, 10), "Bodx", 4), 0);
  EXPECT_EQ(s.Compare(Port_Range(0, 5), Str("xprefix"), Port_Range(1, 6)), 0);
  EXPECT_TRUE(s.IEquals(Port_Range(12, 99), Str("SUFFIX")));
  EXPECT_EQ(s.ICompare(Str("PREFIX-BODY-SUFFIX")), 0);
  EXPECT_TRUE(Str("abc") == "abc");
  EXPECT_TRUE("abc" == Str("abc"));
  EXPECT_TRUE("abc" < Str("abd"));
  EXPECT_TRUE(Str("b") > Str("abc"));
  EXPECT_FALSE(Str("a\0b", 3) == "a"); // the exact form compares lengths first
}

// ---------------------------------------------------------------------------------------------
// Searching

TEST(StringSearch, IndexOfString) {
  struct Case {
    const char *text, *find;
    Str::CompareType type;
    unsigned expected;
  } cases[] = {
      {"hello world", "world", Str::ExactCompare, 6},
      {"hello world", "World", Str::ExactCompare, Str::npos},
      {"hello world", "WORLD", Str::IgnoreCaseCompare, 6},
      {"hello world", "WORLD", Str::NumericIgnoreCaseCompare, Str::npos},
      {"aaab", "aab", Str::ExactCompare, 1},
      {"abc", "", Str::ExactCompare, 0},
      {"ab", "abc", Str::ExactCompare, Str::npos},
      {"", "a", Str::ExactCompare, Str::npos},
  };
  for (const Case &c : cases)
    EXPECT_EQ(Str(c.text).GetIndexOfString(c.find, c.type), c.expected) << c.text << "/" << c.find;
  const Str s("one two one two");
  EXPECT_EQ(s.GetIndexOfString(Port_Range(1, 99), Str("one")), 8u);
  EXPECT_EQ(s.GetIndexOfString(Port_Range(1, 9), Str("one")), Str::npos);
  EXPECT_EQ(s.GetIndexOfString("twox", 3), 4u);
}

TEST(StringSearch, CharacterBandsAndSpans) {
  const Str s("ab12cd345");
  EXPECT_EQ(s.GetCount('0', '9'), 5u);
  EXPECT_EQ(s.GetCount('c'), 1u);
  EXPECT_EQ(s.GetCount(Port_Range(0, 3), '0', '9'), 2u);
  EXPECT_EQ(s.GetCharCount('3'), 1u);
  EXPECT_EQ(s.GetIndexOfFirstChar('0', '9'), 2u);
  EXPECT_EQ(s.GetIndexOfLastChar('a', 'z'), 5u);
  EXPECT_EQ(s.GetIndexOfFirstChar(Port_Range(4, 99), '0', '9'), 6u);
  EXPECT_EQ(s.GetIndexOfLastChar(Port_Range(0, 3), 'c'), Str::npos);
  EXPECT_EQ(s.GetIndexOfFirstChar('x'), Str::npos);
  // Bands compare signed: a byte above 127 is below 'a'.
  EXPECT_EQ(Str("\xe9").GetCount('\x01', '\x7f'), 0u);
  EXPECT_EQ(s.GetSpanLengthOfCharsInSet("ba"), 2u);
  EXPECT_EQ(s.GetSpanLengthOfCharsNotInSet("0123456789"), 2u);
  EXPECT_EQ(s.GetReverseSpanLengthOfCharsInSet("0123456789"), 3u);
  EXPECT_EQ(s.GetReverseSpanLengthOfCharsNotInSet("d"), 3u);
  EXPECT_EQ(S(s.Extract(Port_Range(4, 5))), "cd");
  EXPECT_EQ(S(s.Extract(Port_Range(7, 100))), "45");
  EXPECT_EQ(S(s.Extract(Port_Range(9, 100))), "");
  EXPECT_EQ(S(Str(s, Port_Range(3, 2))), "");
}

// ---------------------------------------------------------------------------------------------
// Tokens

std::vector<std::string> Tokens(const char *text, const char *delims, Str::ParseType type) {
  const Str s(text);
  std::vector<std::string> out;
  Port_Range cursor;
  while (s.NextTokenRange(cursor, delims, type)) {
    out.push_back(S(s.Extract(cursor)));
    if (out.size() > 100)
      break;
  }
  EXPECT_EQ(cursor, Port_Range());
  return out;
}

TEST(StringTokens, NextTokenRange) {
  using V = std::vector<std::string>;
  struct Case {
    const char *text, *delims;
    Str::ParseType type;
    V expected;
  };
  const std::vector<Case> cases = {
      {"a,b", ",", Str::SkipDelimiterRuns, V{"a", "b"}},
      {",,a,,b,", ",", Str::SkipDelimiterRuns, V{"a", "b"}},
      {"a,,b", ",", Str::EachDelimiter, V{"a", "", "b"}},
      {",a", ",", Str::EachDelimiter, V{"", "a"}},
      {",,a", ",", Str::EachDelimiter, V{"", "", "a"}},
      {",,,", ",", Str::EachDelimiter, V{"", "", ""}},
      {"a b;c", " ;", Str::EachDelimiter, V{"a", "b", "c"}},
      {"", ",", Str::EachDelimiter, V{}},
      {",,", ",", Str::SkipDelimiterRuns, V{}},
      {"abc", nullptr, Str::SkipDelimiterRuns, V{"abc"}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(Tokens(c.text, c.delims, c.type), c.expected) << '"' << c.text << '"' << c.type;

  const Str s("x y z");
  Port_Range token;
  EXPECT_TRUE(s.NextTokenRange(Port_Range(0, 0), &token, " "));
  EXPECT_EQ(token, Port_Range(2, 2));
  EXPECT_FALSE(s.NextTokenRange(Port_Range(4, 4), &token, " "));
  EXPECT_EQ(token, Port_Range());
}

TEST(StringTokens, Split) {
  using V = std::vector<std::string>;
  struct Case {
    const char *text, *delims;
    bool skipEmpty;
    const char *open, *close;
    V expected;
  };
  const std::vector<Case> cases = {
      {"a,,b", ",", true, nullptr, nullptr, V{"a", "b"}},
      {"a,,b", ",", false, nullptr, nullptr, V{"a", "", "b"}},
      {"'x,y',z", ",", true, "'", "'", V{"x,y", "z"}},
      {"a,\"\",b", ",", true, "\"", "\"", V{"a", "", "b"}},
      {"a,,b,'c'", ",", true, "'", "'", V{"a", "b", "c"}},
      {"(a,b),[c,d]", ",", true, "([", ")]", V{"a,b", "c,d"}},
      {"'it\\'s',x", ",", true, "'", "'", V{"it's", "x"}},
      {"'a\\b',x", ",", true, "'", "'", V{"a\\b", "x"}},
      {"'a'b',x", ",", true, "'", "'", V{"ab", "x"}},
      {"x'y,z", ",", true, "'", "'", V{"x'y", "z"}},
      {"'open,end", ",", true, "'", "'", V{"open,end"}},
      {"", ",", true, "'", "'", V{}},
      {"a b", " ", true, "'", "'", V{"a", "b"}},
  };
  for (const Case &c : cases) {
    V got;
    for (const Str &s : Str::Split(c.text, c.delims, c.skipEmpty, c.open, c.close))
      got.push_back(S(s));
    EXPECT_EQ(got, c.expected) << c.text;
  }
  EXPECT_TRUE(Str::Split(nullptr, ",").empty());
}

// Random edits, often with the string's own text as the source and often on a shared block,
// checked against std::string; every copy taken along the way must keep its text.
TEST(StringModel, RandomEditsMatchStdString) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    Str s;
    std::string model;
    std::vector<std::pair<Str, std::string>> copies;
    for (int step = 0; step < 60; ++step) {
      const uint32_t len = uint32_t(model.size());
      const uint32_t a = rng() % (len + 2), b = rng() % (len + 2);
      const uint32_t first = std::min(a, b), last = std::max(a, b);
      const size_t cf = std::min<size_t>(first, len);
      const size_t cn = first < len ? std::min<size_t>(last, len - 1) - first + 1 : 0;
      const std::string piece(rng() % 20, char('a' + rng() % 26));
      switch (rng() % 9) {
      case 0:
        s.Append(piece.c_str());
        model += piece;
        break;
      case 1: {
        const std::string own = model.substr(cf, cn);
        s.Append(s, Port_Range(first, last));
        model += own;
        break;
      }
      case 2: {
        const std::string own = model;
        s.Insert(first, s);
        model.insert(std::min<size_t>(first, len), own);
        break;
      }
      case 3:
        s.Replace(Port_Range(first, last), s.GetBuffer(), s.GetLength() / 2);
        if (cn)
          model = model.substr(0, cf) + model.substr(0, len / 2) + model.substr(cf + cn);
        break;
      case 4:
        s.Remove(Port_Range(first, last));
        if (cn)
          model.erase(cf, cn);
        break;
      case 5:
        s.Reduce(Port_Range(first, last));
        model = model.substr(cf, cn);
        break;
      case 6:
        s.SetLength(first, '#');
        model.resize(first, '#');
        break;
      case 7:
        s.Insert(first, piece.c_str());
        model.insert(std::min<size_t>(first, len), piece);
        break;
      default:
        copies.emplace_back(s, model);
        break;
      }
      ASSERT_EQ(S(s), model) << "round " << round << " step " << step;
      ASSERT_EQ(s.GetBuffer()[s.GetLength()], '\0');
      ASSERT_LE(s.GetLength(), s.GetCapacity());
    }
    for (const auto &c : copies)
      ASSERT_EQ(S(c.first), c.second);
  }
}

} // namespace
