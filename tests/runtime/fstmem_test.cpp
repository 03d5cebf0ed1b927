// The pool allocator: element layout, block chain order, reports and the fatal frees.
#include "basutfstmem.h"

#include "memory_child.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <vector>

namespace {

std::string dumpOf(const UT_PORT_FASTMEM &pool) {
  testing::internal::CaptureStdout();
  pool.dump();
  return testing::internal::GetCapturedStdout();
}

std::string header(const char *name, int size, int count) {
  char text[256];
  std::snprintf(text, sizeof text,
                "UT_PORT_FASTMEM::classname  = %s\nUT_PORT_FASTMEM::elem_size  = %d\n"
                "UT_PORT_FASTMEM::elem_cnt   = %d\nUT_PORT_FASTMEM::block_size = %d\n",
                name, size, count, size * count);
  return text;
}

ptrdiff_t distance(void *a, void *b) { return static_cast<char *>(b) - static_cast<char *>(a); }

TEST(FastMem, ElementSizeIsRoundedToFourAndHoldsALink) {
  const struct {
    unsigned asked, stored;
  } cases[] = {{1, 8}, {4, 8}, {6, 8}, {8, 8}, {9, 12}, {12, 12}, {13, 16}, {100, 100}};
  for (const auto &c : cases) {
    UT_PORT_FASTMEM pool(c.asked, 3, "Sized");
    EXPECT_EQ(c.stored, pool.get_elem_size()) << c.asked;
    void *a = pool.getnewptr();
    void *b = pool.getnewptr();
    void *d = pool.getnewptr();
    EXPECT_EQ(static_cast<ptrdiff_t>(c.stored), distance(a, b)) << c.asked;
    EXPECT_EQ(static_cast<ptrdiff_t>(c.stored), distance(b, d)) << c.asked;
    EXPECT_EQ(header("Sized", static_cast<int>(c.stored), 3) +
                  "   Block 0:  num_used = 3\n   Total used:  3 / 3 (100%)\n",
              dumpOf(pool));
    pool.int_free(a);
    pool.int_free(b);
    pool.int_free(d);
  }
}

TEST(FastMem, DumpWithoutBlocksAndWithARoundedPercentage) {
  UT_PORT_FASTMEM pool(16, 3, nullptr);
  EXPECT_EQ(header("NULL", 16, 3) + "   No blocks allocated.\n", dumpOf(pool));
  EXPECT_STREQ("UT_PORT_FASTMEM", pool.get_statname());
  void *a = pool.getnewptr();
  void *b = pool.getnewptr();
  EXPECT_EQ(header("NULL", 16, 3) + "   Block 0:  num_used = 2\n   Total used:  2 / 3 (67%)\n",
            dumpOf(pool));
  pool.int_free(a);
  pool.int_free(b);
}

TEST(FastMem, EmptiedFirstBlockIsFreedButTheLastIsKept) {
  UT_PORT_FASTMEM pool(8, 2, "Chain");
  void *a = pool.getnewptr();
  void *b = pool.getnewptr();
  void *c = pool.getnewptr(); // a second block, now at the front
  EXPECT_EQ(header("Chain", 8, 2) + "   Block 0:  num_used = 1\n   Block 1:  num_used = 2\n"
                                    "   Total used:  3 / 4 (75%)\n",
            dumpOf(pool));
  pool.int_free(c);
  EXPECT_EQ(header("Chain", 8, 2) + "   Block 0:  num_used = 2\n   Total used:  2 / 2 (100%)\n",
            dumpOf(pool));
  pool.int_free(a);
  pool.int_free(b);
  EXPECT_EQ(header("Chain", 8, 2) + "   Block 0:  num_used = 0\n   Total used:  0 / 2 (0%)\n",
            dumpOf(pool));
  EXPECT_EQ(b, pool.getnewptr()); // the kept block serves again, last freed first
}

TEST(FastMem, BlockFreedIntoMovesToTheFrontAndServesNext) {
  UT_PORT_FASTMEM pool(8, 3, "Order");
  std::vector<void *> first{pool.getnewptr(), pool.getnewptr(), pool.getnewptr()};
  void *second = pool.getnewptr();
  pool.int_free(first[1]);
  // Chain: the first block (one free) moved ahead of the second.
  EXPECT_EQ(header("Order", 8, 3) + "   Block 0:  num_used = 2\n   Block 1:  num_used = 1\n"
                                    "   Total used:  3 / 6 (50%)\n",
            dumpOf(pool));
  EXPECT_EQ(first[1], pool.getnewptr());
  void *third = pool.getnewptr(); // first block full again: the second serves
  EXPECT_EQ(8, distance(second, third));
  EXPECT_EQ(header("Order", 8, 3) + "   Block 0:  num_used = 2\n   Block 1:  num_used = 3\n"
                                    "   Total used:  5 / 6 (83%)\n",
            dumpOf(pool));
}

TEST(FastMem, ManyElementsInAnyOrder) {
  UT_PORT_FASTMEM pool(12, 16, "Many");
  uint32_t serial = 0;
  auto take = [&] {
    auto *p = static_cast<uint32_t *>(pool.getnewptr());
    p[0] = p[1] = p[2] = ++serial;
    return p;
  };
  std::vector<uint32_t *> elems;
  for (int i = 0; i < 1000; ++i)
    elems.push_back(take());
  EXPECT_EQ(1000u, std::set<uint32_t *>(elems.begin(), elems.end()).size());
  std::mt19937 random(7);
  std::shuffle(elems.begin(), elems.end(), random);
  // Free all, taking a new element now and then; every live element stays untouched.
  for (size_t k = 0; k < elems.size(); ++k) {
    ASSERT_EQ(elems[k][0], elems[k][2]) << k;
    pool.int_free(elems[k]);
    if (k % 3 == 0)
      elems.push_back(take());
  }
  EXPECT_EQ(header("Many", 12, 16) + "   Block 0:  num_used = 0\n   Total used:  0 / 16 (0%)\n",
            dumpOf(pool));
}

TEST(FastMem, NullIsIgnored) {
  UT_PORT_FASTMEM pool(8, 4, "Null");
  pool.int_free(nullptr);
  EXPECT_EQ(header("Null", 8, 4) + "   No blocks allocated.\n", dumpOf(pool));
}

TEST(FastMemDeathTest, FreesThePoolDidNotHandOutAreFatal) {
  const char notInList[] = "Tried to delete a pointer not in list.";
  const struct {
    const char *name;
    void (*run)(UT_PORT_FASTMEM &);
    const char *message;
  } cases[] = {
      {"no blocks", [](UT_PORT_FASTMEM &p) { p.int_free(&p); },
       "Unable to free as memory was not allocated."},
      {"foreign pointer",
       [](UT_PORT_FASTMEM &p) {
         p.getnewptr();
         int other;
         p.int_free(&other);
       },
       notInList},
      {"just past the block",
       [](UT_PORT_FASTMEM &p) { p.int_free(static_cast<char *>(p.getnewptr()) + 4 * 8); },
       notInList},
      {"inside an element",
       [](UT_PORT_FASTMEM &p) { p.int_free(static_cast<char *>(p.getnewptr()) + 4); }, notInList},
      {"second free",
       [](UT_PORT_FASTMEM &p) {
         void *e = p.getnewptr();
         p.int_free(e);
         p.int_free(e);
       },
       notInList},
  };
  for (const auto &c : cases) {
    ChildResult child = runInChild([&c] {
      UT_PORT_FASTMEM pool(8, 4, "Fatal");
      c.run(pool);
    });
    EXPECT_EQ(19, child.status) << c.name << ": " << child.err;
    EXPECT_EQ(1u, countOf(child.err, c.message)) << c.name << ": " << child.err;
  }
}

TEST(FastMemMgr, ReportsThePoolsAliveInOrder) {
  UT_PORT_FASTMEM_MGR *mgr = UT_PORT_FASTMEM_MGR::Instance();
  const int before = mgr->get_count();
  auto *first = new UT_PORT_FASTMEM(8, 4, "FirstPool");
  UT_PORT_FASTMEM second(16, 2, "SecondPool");
  EXPECT_EQ(before + 2, mgr->get_count());

  testing::internal::CaptureStdout();
  UT_PORT_FASTMEM::report_usage();
  std::string out = testing::internal::GetCapturedStdout();
  size_t at1 = out.find("classname  = FirstPool\n");
  size_t at2 = out.find("classname  = SecondPool\n");
  ASSERT_NE(std::string::npos, at1) << out;
  ASSERT_NE(std::string::npos, at2) << out;
  EXPECT_LT(at1, at2);

  delete first; // a report afterwards must not reach it
  EXPECT_EQ(before + 1, mgr->get_count());
  testing::internal::CaptureStdout();
  mgr->report();
  out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::string::npos, out.find("FirstPool")) << out;
  EXPECT_NE(std::string::npos, out.find("SecondPool")) << out;
  EXPECT_EQ(0, fastmem_verify());
}

} // namespace
