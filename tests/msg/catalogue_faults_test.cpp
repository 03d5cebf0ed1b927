// The catalogue loader under failing I/O (the platform layer's test switch): a message file that
// cannot be opened or read is reported once and keeps the entries read before the error; an
// interrupted or short read loses nothing.
#include "Port_Message.h"
#include "Port_MsgDispatcher.h"
#include "Port_PathList.h"
#include "capture_manager.h"
#include "platform/faults.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ostream>
#include <string>

namespace {

constexpr int kEntries = 300; // about 9 KB: more than one read of the file

struct FaultCase {
  const char *name;
  int service;
  long nth;
  bool persist;
  int err;
  bool loads; // the whole file is read
};

std::ostream &operator<<(std::ostream &os, const FaultCase &c) { return os << c.name; }

class CatalogueFaults : public ::testing::TestWithParam<FaultCase> {
protected:
  // A message file of a library of its own, in an installation directory added to the search.
  // Every entry is 64 bytes long, so that each read of the file ends between two entries: the
  // entries after bytes lost to a read error would then parse as well as the ones before.
  std::string makeLibrary() {
    static std::atomic<int> counter{0};
    const std::string lib = "FaultLib" + std::to_string(++counter);
    std::string text;
    for (int i = 0; i < kEntries; ++i) {
      std::string entry = std::to_string(5000 + i) + "\n" + alias(i);
      const std::string rest = "\n" + textOf(i) + "\n;;\n";
      entry.append(64 - entry.size() - rest.size(), ' ');
      text += entry + rest;
    }
    tree.write("inst/msg/usenglish/" + lib + ".msg", text);
    Port::QuelmoPath::GetInstance()->push_back(
        Port::StringBase<char>((tree.root() + "/inst").c_str()));
    return lib;
  }
  static std::string number(int i) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", i);
    return digits;
  }
  static std::string alias(int i) { return "Alias " + number(i) + " of %s"; }
  static std::string textOf(int i) { return "Text !%1! number " + number(i); }
  int warnings(const wchar_t *text) {
    int n = 0;
    for (const auto &e : cap.entries())
      for (const auto &line : e.lines)
        n += line.find(text) != std::wstring::npos;
    return n;
  }
  porttest::TempTree tree;
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped{&cap};
};

TEST_P(CatalogueFaults, ReportOnceAndKeepWhatWasRead) {
  const FaultCase &c = GetParam();
  const std::string lib = makeLibrary();
  Port_TestFault(c.service, c.nth, c.persist, c.err);
  Port_SsInfo *info = Port_MsgDispatcher::loadMsgs(lib.c_str());
  EXPECT_GE(Port_TestFaultHits(c.service), 1);
  Port_TestFaultClear();
  ASSERT_NE(nullptr, info);
  // A second look-up neither loads nor reports again.
  Port_MsgDispatcher::lookupMsgByNum(lib.c_str(), 5000);
  EXPECT_EQ(c.loads ? 0 : 1, warnings(L"Error reading message file"));
  if (c.loads) {
    EXPECT_EQ(kEntries, info->getNumElements());
    return;
  }
  const int kept = info->getNumElements();
  EXPECT_LT(kept, kEntries);
  // The entries kept are exactly the first ones of the file, whole.
  for (int i = 0; i < kept; ++i) {
    const Port_Message *m = info->lookupMsgByNum(5000 + i);
    ASSERT_NE(nullptr, m) << i;
    const std::string expected = textOf(i);
    EXPECT_EQ(std::wstring(expected.begin(), expected.end()), m->getMsgText());
  }
  EXPECT_EQ(nullptr, info->lookupMsgByNum(5000 + kept));
  // A message of the library without its entry prints its alias as the format, with no number.
  int num = -1;
  wchar_t *text =
      Port_MsgDispatcher::translateMsg(&num, lib.c_str(), "Alias number 299 of %s", "x");
  EXPECT_EQ(std::wstring(L"Alias number 299 of x"), text);
  EXPECT_EQ(0, num);
  delete[] text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CatalogueFaults,
    ::testing::Values(FaultCase{"OpenDenied", Port_TestOpen, 1, true, EACCES, false},
                      FaultCase{"ReadErrorFromTheSecondRead", Port_TestRead, 2, true, EIO, false},
                      // stdio would read on after a single failure, across the lost bytes.
                      FaultCase{"OneReadErrorOnly", Port_TestRead, 2, false, EIO, false},
                      FaultCase{"InterruptedRead", Port_TestRead, 1, false, EINTR, true},
                      FaultCase{"ShortReads", Port_TestRead, 1, true, Port_TestShort, true}),
    [](const ::testing::TestParamInfo<FaultCase> &info) { return std::string(info.param.name); });

} // namespace
