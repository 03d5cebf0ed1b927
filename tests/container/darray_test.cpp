// Growth, shifting, shrinking and copying of UT_PORT_DARRAY and the typed arrays.
#include "basutdarray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

typedef PORT_DARRAY_TYPED<int32_t> IntArray;

std::vector<int32_t> contents(IntArray &a) {
  return std::vector<int32_t>(a.data(), a.data() + a.getnum());
}

void fill(IntArray &a, std::initializer_list<int32_t> values) {
  for (int32_t v : values)
    a.append(v);
}

TEST(DArrayTest, StepIsRaisedToFortyBytes) {
  struct Case {
    int elementSize, step, expected;
  } cases[] = {{4, 5, 10}, {1, 1, 40}, {8, 5, 5}, {3, 2, 13}, {40, 1, 1}, {64, 1, 1}, {4, 0, 10}};
  for (const Case &c : cases) {
    void *storage = nullptr;
    UT_PORT_DARRAY a(&storage, c.elementSize, c.step, 1);
    EXPECT_EQ(a.getstep(), c.expected) << c.elementSize << "x" << c.step;
    EXPECT_EQ(a.getallocated(), c.expected);
    EXPECT_EQ(a.getnum(), 0);
    EXPECT_EQ(storage, a.getbuffer());
  }
}

TEST(DArrayTest, FourByteElementsWithStepFiveGrowInTens) {
  IntArray a(5);
  for (int i = 0; i < 10; ++i)
    a.append(i);
  EXPECT_EQ(a.getallocated(), 10);
  a.append(10);
  EXPECT_EQ(a.getallocated(), 20);
}

TEST(DArrayTest, GetaddrBeyondTheEndGrowsInWholeStepsAndZeroes) {
  IntArray a(10);
  int32_t *p = static_cast<int32_t *>(a.getaddr(25));
  EXPECT_EQ(a.getallocated(), 30);
  EXPECT_EQ(a.getnum(), 26);
  EXPECT_EQ(p, a.data() + 25);
  for (int i = 0; i < 30; ++i)
    EXPECT_EQ(a.data()[i], 0) << i;
  // An index below the count leaves the count alone.
  a.getaddr(3);
  EXPECT_EQ(a.getnum(), 26);
}

TEST(DArrayTest, TypedPointerFollowsTheBufferWhenItMoves) {
  IntArray a(10);
  for (int i = 0; i < 10000; ++i) {
    a.append(i * 3);
    ASSERT_EQ(a.data(), a.getbuffer());
  }
  for (int i = 0; i < 10000; ++i)
    ASSERT_EQ(a.data()[i], i * 3);
  EXPECT_EQ(a.getallocated(), 10000);
}

TEST(DArrayTest, ResetnumShrinksToWholeStepsAndClearsTheRest) {
  IntArray a(10);
  for (int i = 1; i <= 45; ++i)
    a.append(i);
  a.a_resetnum(12);
  EXPECT_EQ(a.getnum(), 12);
  EXPECT_EQ(a.getallocated(), 20);
  EXPECT_EQ(a.data()[11], 12);
  EXPECT_EQ(*static_cast<int32_t *>(a.getaddr(12)), 0); // cleared, not the old 13
  a.a_resetnum(0);
  EXPECT_EQ(a.getnum(), 0);
  EXPECT_EQ(a.getallocated(), 10);
  a.a_resetnum(50);
  EXPECT_EQ(a.getnum(), 50);
  EXPECT_EQ(a.getallocated(), 50);
  EXPECT_EQ(a.data()[0], 0);
}

TEST(DArrayTest, ResetnumKeepsAllocationWithinOneStep) {
  IntArray a(10);
  for (int i = 0; i < 20; ++i)
    a.append(i);
  a.a_resetnum(11); // 9 spare elements: less than a step
  EXPECT_EQ(a.getallocated(), 20);
}

TEST(DArrayTest, Shift) {
  struct Case {
    int index, direction;
    std::vector<int32_t> expected;
  } cases[] = {
      {0, 1, {1, 1, 2, 3}}, {1, 1, {1, 2, 2, 3}}, {3, 1, {1, 2, 3, 0}},
      {4, 1, {1, 2, 3}},    {-1, 1, {1, 2, 3}},   {1, 0, {2, 3}},
      {3, -1, {1, 2}},      {0, -1, {1, 2, 3}},   {4, -1, {1, 2, 3}},
  };
  for (const Case &c : cases) {
    IntArray a;
    fill(a, {1, 2, 3});
    a.a_shift(c.index, c.direction);
    EXPECT_EQ(contents(a), c.expected) << c.index << "," << c.direction;
  }
}

TEST(DArrayTest, RemovedSlotReadsZeroWhenReused) {
  IntArray a;
  fill(a, {7, 8});
  a.a_shift(2, -1);
  EXPECT_EQ(*static_cast<int32_t *>(a.getaddr(1)), 0);
}

TEST(DArrayTest, Intgetindex) {
  IntArray a;
  fill(a, {1, 2, 3});
  char *base = reinterpret_cast<char *>(a.data());
  EXPECT_EQ(a.intgetindex(base), 0);
  EXPECT_EQ(a.intgetindex(base + 8), 2);
  EXPECT_EQ(a.intgetindex(base + 2), -1);  // inside an element
  EXPECT_EQ(a.intgetindex(base - 4), -1);  // before the buffer
  EXPECT_EQ(a.intgetindex(base + 12), -1); // past the used elements
}

TEST(DArrayTest, MakearrayCopiesTheUsedElements) {
  IntArray a;
  EXPECT_EQ(a.a_makearray(), nullptr);
  fill(a, {4, 5, 6});
  int32_t *copy = static_cast<int32_t *>(a.a_makearray());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, a.data());
  EXPECT_EQ(std::vector<int32_t>(copy, copy + 3), (std::vector<int32_t>{4, 5, 6}));
  std::free(copy);
}

TEST(DArrayTest, UnclearedArrayKeepsStorageReferenceOfPlainDarray) {
  void *storage = nullptr;
  UT_PORT_DARRAY a(&storage, 16, 1, 0);
  EXPECT_EQ(a.getstep(), 2);
  std::memset(a.getaddr(100), 0xAB, 16);
  EXPECT_EQ(storage, a.getbuffer());
  EXPECT_EQ(static_cast<unsigned char *>(storage)[100 * 16], 0xAB);
}

TEST(DArrayTest, PtrDiffArrayHoldsPointerDifferences) {
  PORT_DARRAY_Port_PtrDiff a;
  char text[64];
  a.append(&text[40] - &text[0]);
  a.append(&text[0] - &text[63]);
  EXPECT_EQ(a.data()[0], 40);
  EXPECT_EQ(a.data()[1], -63);
}

TEST(DArrayDeathTest, NegativeIndexIsFatal) {
  EXPECT_EXIT(
      {
        IntArray a;
        a.getaddr(-1);
      },
      testing::ExitedWithCode(19), "Bad index");
  EXPECT_EXIT(
      {
        IntArray a;
        a.a_resetnum(-2);
      },
      testing::ExitedWithCode(19), "Bad index");
}

TEST(DArrayDeathTest, GrowthBeyondMemoryEndsAsOutOfMemory) {
  // Under AddressSanitizer this needs allocator_may_return_null=1 (scripts/test.sh sets it):
  // otherwise its allocator ends the process itself on such a request.
  EXPECT_EXIT(
      {
        void *storage = nullptr;
        UT_PORT_DARRAY a(&storage, 1 << 20, 1, 0);
        a.getaddr(2000000000); // 2^51 bytes
      },
      testing::ExitedWithCode(19), "run out of memory");
}

} // namespace
