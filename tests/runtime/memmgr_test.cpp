// Allocation that never returns null, the out-of-memory manager and the memory-use figure.
#include "basutmemmgr.h"
#include "basutmemory.h"
#include "basutqelmem.h"

#include "Port_MsgDispatcher.h"
#include "memory_child.h"
#include "platform/faults.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <regex>

namespace {

constexpr unsigned long long MiB = 1024 * 1024;
const char kFirstDeath[] = "A Quelmo application has run out of memory";

// Holds a block of memory it gives back when asked, and counts how often it was asked.
class ReleasingHandler : public UT_MEMHANDLER {
public:
  explicit ReleasingHandler(size_t size) : m_block(size ? qel_malloc(size) : nullptr) {}
  bool Recover() override {
    ++calls;
    if (!m_block)
      return false;
    qel_free(m_block);
    m_block = nullptr;
    return true;
  }
  int calls = 0;

private:
  void *m_block;
};

// The first death comes through the message system (user fatal, exit 19) with the period;
// it may be wrapped, so only its pieces are matched.
void expectFirstDeath(const ChildResult &child) {
  EXPECT_EQ(19, child.status) << child.err;
  EXPECT_EQ(1u, countOf(child.err, kFirstDeath)) << child.err;
  EXPECT_TRUE(std::regex_search(child.err, std::regex("usage is:\\s+[1-9][0-9]* kb\\.")))
      << child.err;
}

// Allocates blocks of one MiB until memory runs out (the loop ends long before, should the
// limit not take hold).
void exhaust() {
  for (int i = 0; i < 4096; ++i)
    std::memset(qel_malloc(MiB), 1, 64);
}

TEST(QelAlloc, ZeroSizedRequestsGiveDistinctUsableBlocks) {
  void *a = qel_malloc(0);
  void *b = qel_calloc(0, 8);
  void *c = qel_realloc(qel_malloc(16), 0);
  ASSERT_NE(nullptr, a);
  ASSERT_NE(nullptr, b);
  ASSERT_NE(nullptr, c);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  qel_free(a);
  qel_free(b);
  qel_free(c);
}

TEST(QelAlloc, CallocClearsAndReallocKeepsContents) {
  auto *zeroed = static_cast<unsigned char *>(qel_calloc(100, 3));
  for (int i = 0; i < 300; ++i)
    ASSERT_EQ(0, zeroed[i]) << i;
  std::memset(zeroed, 0x5a, 300);
  auto *grown = static_cast<unsigned char *>(qel_realloc(zeroed, 1 << 20));
  for (int i = 0; i < 300; ++i)
    ASSERT_EQ(0x5a, grown[i]) << i;
  qel_free(grown);
}

TEST(MemMgr, OutOfMemoryWithoutHandlerReportsOnceAndExits19) {
  SKIP_WITHOUT_REAL_MALLOC();
  ChildResult child = runInChild([] {
    if (!limitAddressSpace(UT_MEMORY::getMemoryUsage(), 64 * MiB))
      return;
    exhaust();
  });
  expectFirstDeath(child);
}

TEST(MemMgr, ImpossibleRequestsDieLikeExhaustion) {
  SKIP_WITHOUT_REAL_MALLOC();
  expectFirstDeath(runInChild([] { qel_malloc(SIZE_MAX / 2); }));
  expectFirstDeath(runInChild([] { qel_calloc(SIZE_MAX / 4, 8); }));
}

TEST(MemMgr, HandlerThatFreesMemoryLetsTheRequestSucceed) {
  SKIP_WITHOUT_REAL_MALLOC();
  ChildResult child = runInChild([] {
    static ReleasingHandler handler(96 * MiB);
    UT_MEMMGR::set_memhandler(&handler);
    if (!limitAddressSpace(UT_MEMORY::getMemoryUsage(), 32 * MiB))
      return;
    // Too big for the headroom, fits once the handler has given its block back.
    auto *block = static_cast<char *>(qel_malloc(64 * MiB));
    std::memset(block, 7, 64 * MiB);
    std::fprintf(stderr, "Recover calls: %d, last byte %d\n", handler.calls, block[64 * MiB - 1]);
  });
  EXPECT_EQ(0, child.status) << child.err;
  EXPECT_EQ("Recover calls: 1, last byte 7\n", child.err);
}

TEST(MemMgr, HandlerIsAskedBeforeTheProcessDies) {
  SKIP_WITHOUT_REAL_MALLOC();
  ChildResult child = runInChild([] {
    static ReleasingHandler handler(0); // holds nothing: Recover answers false
    UT_MEMMGR::set_memhandler(&handler);
    Port_MsgDispatcher::setAbort(
        [] { std::fprintf(stderr, "Recover calls: %d\n", handler.calls); });
    if (!limitAddressSpace(UT_MEMORY::getMemoryUsage(), 64 * MiB))
      return;
    exhaust();
  });
  expectFirstDeath(child);
  EXPECT_NE(std::string::npos, child.err.find("Recover calls: 1\n")) << child.err;
}

TEST(MemMgr, RunningOutInsideTheHandlerDies) {
  SKIP_WITHOUT_REAL_MALLOC();
  struct Greedy : UT_MEMHANDLER {
    bool Recover() override {
      std::fprintf(stderr, "in Recover\n");
      qel_malloc(SIZE_MAX / 2); // fails again while the handler runs
      return true;
    }
  };
  ChildResult child = runInChild([] {
    static Greedy handler;
    UT_MEMMGR::set_memhandler(&handler);
    qel_malloc(SIZE_MAX / 2);
  });
  expectFirstDeath(child);
  EXPECT_EQ(1u, countOf(child.err, "in Recover")) << child.err;
}

TEST(MemMgr, DyingAgainWhileReportingPrintsThePlainLine) {
  // Memory that runs out inside the message of the first death: here an abort function that
  // dies again, as an allocation in the message path would.
  ChildResult child = runInChild([] {
    Port_MsgDispatcher::setAbort([] { UT_MEMMGR::die(); });
    UT_MEMMGR::die();
  });
  EXPECT_EQ(19, child.status) << child.err;
  EXPECT_EQ(2u, countOf(child.err, kFirstDeath)) << child.err;
  EXPECT_TRUE(std::regex_search(child.err, std::regex("usage is:\\s+[1-9][0-9]* kb\\.")))
      << child.err;
  EXPECT_TRUE(std::regex_search(
      child.err, std::regex("\nA Quelmo application has run out of memory, the current memory "
                            "usage is:  [1-9][0-9]* kb\n$")))
      << child.err;
}

TEST(MemMgr, OutOfMemAnswersByTheHandler) {
  struct Case {
    const char *name;
    bool withHandler;
    size_t handlerHolds;
    int exitCode;
  } cases[] = {
      {"handler frees", true, 4096, 0},
      {"handler cannot free", true, 0, 1},
      {"no handler", false, 0, 19},
  };
  for (const Case &c : cases) {
    ChildResult child = runInChild([&c] {
      static ReleasingHandler *handler = nullptr;
      if (c.withHandler) {
        handler = new ReleasingHandler(c.handlerHolds);
        UT_MEMMGR::set_memhandler(handler);
      }
      std::fprintf(stderr, "outofmem: %d\n", outofmem(100));
    });
    EXPECT_EQ(c.exitCode, child.status) << c.name << ": " << child.err;
    if (c.exitCode == 0) {
      EXPECT_EQ("outofmem: 0\n", child.err) << c.name;
    }
    if (!c.withHandler) {
      EXPECT_EQ(1u, countOf(child.err, kFirstDeath)) << child.err;
    }
  }
}

// The handler's reserve is made again after each recovery; when that allocation fails (the
// platform layer's test switch) no reserve is left and the process ends as out of memory.
TEST(MemMgr, ReserveThatCannotBeMadeAgainIsFatal) {
  ChildResult child = runInChild([] {
    static ReleasingHandler handler(4096);
    UT_MEMMGR::set_memhandler(&handler);
    Port_TestFault(Port_TestReserve, 1, 1, ENOMEM);
    std::fprintf(stderr, "recovermem: %d\n", UT_MEMMGR::recovermem());
  });
  expectFirstDeath(child);
  EXPECT_EQ(0u, countOf(child.err, "recovermem:")) << child.err;
}

TEST(MemMgr, HandlerIsKeptUntilReplaced) {
  ReleasingHandler a(0), b(0);
  UT_MEMMGR::set_memhandler(&a);
  EXPECT_EQ(&a, UT_MEMMGR::get_memhandler());
  UT_MEMMGR::set_memhandler(&b);
  EXPECT_EQ(&b, UT_MEMMGR::get_memhandler());
  UT_MEMMGR::set_memhandler(nullptr);
  EXPECT_EQ(nullptr, UT_MEMMGR::get_memhandler());
}

TEST(Memory, UsageFollowsTheAddressSpace) {
  uint64_t before = UT_MEMORY::getMemoryUsage();
  ASSERT_GT(before, 0u);
  void *block = qel_malloc(256 * MiB);
  uint64_t during = UT_MEMORY::getMemoryUsage();
  qel_free(block);
  EXPECT_GE(during, before + 255 * MiB);
}

TEST(Memory, UsageStringGivesKilobytes) {
  uint64_t kilobytes = UT_MEMORY::getMemoryUsage() / 1024;
  std::unique_ptr<wchar_t[]> text(UT_MEMORY::getMemoryUsageString());
  ASSERT_NE(nullptr, text);
  long long shown = -1;
  wchar_t tail[32] = {0};
  ASSERT_EQ(2, std::swscanf(text.get(), L"Total memory usage is %lld %31l[^\n]", &shown, tail))
      << text.get();
  EXPECT_STREQ(L"kilobytes", tail);
  EXPECT_EQ(L'\n', text[std::wcslen(text.get()) - 1]);
  // The figure moves a little between the two readings.
  EXPECT_NEAR(static_cast<double>(kilobytes), static_cast<double>(shown), 0.05 * kilobytes);
}

TEST(Memory, ReportIsAStatusMessage) {
  unsigned before = Port_MsgDispatcher::getStatCount();
  testing::internal::CaptureStdout();
  UT_MEMORY::reportMemoryUsage();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(std::regex_search(flattened(out), std::regex("Total memory usage is [1-9][0-9]* "
                                                           "kilobytes")))
      << out;
  EXPECT_EQ(before + 1, Port_MsgDispatcher::getStatCount());
}

} // namespace
