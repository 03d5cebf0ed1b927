// Sorting and binary search of the arrays.
#include "basutdarray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

namespace {

typedef PORT_DARRAY_TYPED<int32_t> IntArray;

long g_comparisons = 0;

int compareInts(const void *a, const void *b) {
  ++g_comparisons;
  int32_t x = *static_cast<const int32_t *>(a), y = *static_cast<const int32_t *>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

// Sorted by key; tag tells equal keys apart.
struct Tagged {
  int32_t key;
  int32_t tag;
};

int compareTagged(const void *a, const void *b) {
  return compareInts(&static_cast<const Tagged *>(a)->key, &static_cast<const Tagged *>(b)->key);
}

std::vector<int32_t> contents(IntArray &a) {
  return std::vector<int32_t>(a.data(), a.data() + a.getnum());
}

IntArray *load(IntArray &a, const std::vector<int32_t> &values) {
  for (int32_t v : values)
    a.append(v);
  return &a;
}

std::vector<int32_t> randomValues(size_t n, int32_t distinct, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int32_t> dist(0, distinct - 1);
  std::vector<int32_t> v(n);
  for (auto &x : v)
    x = dist(gen);
  return v;
}

TEST(SortTest, SortsLikeStdSort) {
  struct Case {
    size_t n;
    int32_t distinct;
  } cases[] = {{0, 1}, {1, 1}, {2, 2}, {3, 3}, {1000, 1000000}, {1000, 2}, {1000, 1}, {4097, 17}};
  for (const Case &c : cases) {
    std::vector<int32_t> values = randomValues(c.n, c.distinct, static_cast<unsigned>(c.n));
    IntArray a;
    load(a, values)->a_sort(compareInts);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(contents(a), values) << c.n << " values of " << c.distinct;
  }
}

TEST(SortTest, SortsOnlyTheGivenRange) {
  IntArray a;
  load(a, {9, 5, 4, 3, 0});
  a.a_sort(compareInts, 1, 3);
  EXPECT_EQ(contents(a), (std::vector<int32_t>{9, 3, 4, 5, 0}));
  a.a_sort(compareInts, 2); // to the last element
  EXPECT_EQ(contents(a), (std::vector<int32_t>{9, 3, 0, 4, 5}));
  a.a_sort(compareInts, 3, 99); // clamped to the array
  EXPECT_EQ(contents(a), (std::vector<int32_t>{9, 3, 0, 4, 5}));
}

// Data with few distinct values must not send the quicksort quadratic: all equal but one
// smaller element, sorted and reverse-sorted runs of two values, and a sawtooth.
TEST(SortTest, FewDistinctValuesStayNLogN) {
  const int n = 100000;
  std::vector<std::vector<int32_t>> inputs;
  std::vector<int32_t> v(n, 5);
  v[n - 1] = 0;
  inputs.push_back(v);
  for (int i = 0; i < n; ++i)
    v[i] = i < n / 2 ? 0 : 1;
  inputs.push_back(v);
  std::reverse(v.begin(), v.end());
  inputs.push_back(v);
  for (int i = 0; i < n; ++i)
    v[i] = i % 3;
  inputs.push_back(v);
  for (const auto &input : inputs) {
    IntArray a(n); // grown in one step: the sort is what is measured here
    load(a, input);
    g_comparisons = 0;
    a.a_sort(compareInts);
    EXPECT_LT(g_comparisons, 40L * n);
    EXPECT_TRUE(std::is_sorted(a.data(), a.data() + n));
  }
}

TEST(SortDeathTest, InconsistentComparisonIsFatal) {
  EXPECT_EXIT(
      {
        IntArray a;
        load(a, {1, 2, 3});
        a.a_sort([](const void *, const void *) { return 1; });
      },
      testing::ExitedWithCode(19), "Sort produced an unsorted");
}

TEST(SearchTest, InsertKeepsOrderAndPutsDuplicatesFirst) {
  PORT_DARRAY_TYPED<Tagged> a;
  int tag = 0;
  for (int32_t key : {3, 1, 2}) {
    Tagged t{key, tag++};
    EXPECT_EQ(a.a_bsearch(&t, compareTagged, 1), -1);
  }
  Tagged dup{2, 99};
  EXPECT_EQ(a.a_bsearch(&dup, compareTagged, 1), 1); // found at 1; the new one goes there
  ASSERT_EQ(a.getnum(), 4);
  std::vector<std::pair<int32_t, int32_t>> got;
  for (int i = 0; i < 4; ++i)
    got.emplace_back(a.data()[i].key, a.data()[i].tag);
  EXPECT_EQ(got, (std::vector<std::pair<int32_t, int32_t>>{{1, 1}, {2, 99}, {2, 2}, {3, 0}}));
}

TEST(SearchTest, FindsTheFirstOfEqualElements) {
  IntArray a;
  load(a, {1, 2, 2, 2, 2, 2, 2, 3, 7});
  struct Case {
    int32_t key;
    int expected;
  } cases[] = {{2, 1}, {1, 0}, {3, 7}, {7, 8}, {0, -1}, {5, -1}, {8, -1}};
  for (const Case &c : cases)
    EXPECT_EQ(a.a_bsearch(&c.key, compareInts), c.expected) << c.key;
  EXPECT_EQ(a.getnum(), 9); // searching does not insert
  IntArray empty;
  int32_t key = 1;
  EXPECT_EQ(empty.a_bsearch(&key, compareInts), -1);
}

TEST(SearchTest, SortaddInsertsInOrderAndReturnsTheIndex) {
  IntArray a;
  struct Step {
    int32_t key;
    int index;
  } steps[] = {{5, 0}, {9, 1}, {1, 0}, {7, 2}, {9, 3}, {10, 5}};
  for (const Step &s : steps)
    EXPECT_EQ(a.a_sortadd(&s.key, compareInts), s.index) << s.key;
  EXPECT_EQ(contents(a), (std::vector<int32_t>{1, 5, 7, 9, 9, 10}));
}

// The key may be an element of the array itself, even when inserting moves the buffer.
TEST(SearchTest, InsertingAnElementOfTheArraySurvivesReallocation) {
  IntArray a(10);
  for (int32_t i = 0; i < 10; ++i)
    a.append(i * 2);
  ASSERT_EQ(a.getallocated(), a.getnum());
  a.a_bsearch(a.data() + 9, compareInts, 1);
  EXPECT_EQ(contents(a), (std::vector<int32_t>{0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 18}));
}

} // namespace

namespace {

// An array whose elements lie in separate chunks of four: the base class's own sort, search
// and shift must reach every element through getaddr.
class ChunkedArray : public UT_PORT_BASE_ARRAY {
public:
  ChunkedArray() : UT_PORT_BASE_ARRAY(sizeof(int32_t), 4, 1) {}
  void *getaddr(int index) override {
    while (index >= m_allocated) {
      m_chunks.emplace_back(new int32_t[4]());
      m_allocated += 4;
    }
    if (index >= m_used)
      m_used = index + 1;
    return &m_chunks[index / 4][index % 4];
  }
  int intgetindex(void *address) override {
    for (int i = 0; i < m_used; ++i)
      if (getaddr(i) == address)
        return i;
    return -1;
  }
  std::vector<int32_t> values() {
    std::vector<int32_t> v;
    for (int i = 0; i < m_used; ++i)
      v.push_back(*static_cast<int32_t *>(getaddr(i)));
    return v;
  }

private:
  std::vector<std::unique_ptr<int32_t[]>> m_chunks;
};

TEST(BaseArrayTest, SortSearchAndShiftThroughGetaddr) {
  std::vector<int32_t> values = randomValues(999, 50, 3);
  ChunkedArray a;
  for (size_t i = 0; i < values.size(); ++i)
    *static_cast<int32_t *>(a.getaddr(static_cast<int>(i))) = values[i];
  a.a_sort(compareInts);
  std::sort(values.begin(), values.end());
  EXPECT_EQ(a.values(), values);

  int32_t key = 25;
  int first =
      static_cast<int>(std::lower_bound(values.begin(), values.end(), key) - values.begin());
  EXPECT_EQ(a.a_bsearch(&key, compareInts), first);
  key = 1000;
  EXPECT_EQ(a.a_sortadd(&key, compareInts), 999);
  a.a_shift(1, -1); // drop the first element
  values.erase(values.begin());
  values.push_back(1000);
  EXPECT_EQ(a.values(), values);

  int32_t *copy = static_cast<int32_t *>(a.a_makearray());
  EXPECT_EQ(std::vector<int32_t>(copy, copy + a.getnum()), values);
  std::free(copy);
  a.a_resetnum(3);
  EXPECT_EQ(a.getnum(), 3);
}

} // namespace
