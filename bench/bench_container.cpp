// Containers against their standard-library counterparts, in one run:
//   hash table insert and find of 1 million keys   UT_PORT_HASH    vs std::unordered_map
//   append of 1 million ints                       UT_PORT_DARRAY  vs std::vector<int>
//   sort of 1 million ints (random, 4 distinct     a_sort          vs std::sort
//   values, all equal but one)
#include "basutdarray.h"
#include "basuthash.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <random>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kKeys = 1000000;

std::vector<int> shuffledKeys() {
  std::vector<int> keys(kKeys);
  std::iota(keys.begin(), keys.end(), 1);
  std::shuffle(keys.begin(), keys.end(), std::mt19937(42));
  return keys;
}

// Keys are small integers carried in the pointer itself; the item is the key.
class IntKeyTable : public UT_PORT_HASH {
public:
  IntKeyTable() : UT_PORT_HASH(1u << 20) {}

protected:
  uint32_t hash_func(void *key) override {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key)) * 2654435761u;
  }
  int comp_func(void *key, void *item) override { return key == item ? 0 : 1; }
};

void *asKey(int k) { return reinterpret_cast<void *>(static_cast<uintptr_t>(k)); }

void BM_HashInsert_UT_PORT_HASH(benchmark::State &state) {
  std::vector<int> keys = shuffledKeys();
  for (auto _ : state) {
    IntKeyTable table;
    for (int k : keys)
      table.add(asKey(k), nullptr);
    benchmark::DoNotOptimize(table.getnum());
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_HashInsert_std_unordered_map(benchmark::State &state) {
  std::vector<int> keys = shuffledKeys();
  for (auto _ : state) {
    std::unordered_map<int, int> map;
    map.reserve(1u << 20);
    for (int k : keys)
      map.emplace(k, k);
    benchmark::DoNotOptimize(map.size());
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_HashFind_UT_PORT_HASH(benchmark::State &state) {
  std::vector<int> keys = shuffledKeys();
  IntKeyTable table;
  for (int k : keys)
    table.add(asKey(k), nullptr);
  std::shuffle(keys.begin(), keys.end(), std::mt19937(7));
  for (auto _ : state) {
    uintptr_t sum = 0;
    for (int k : keys)
      sum += reinterpret_cast<uintptr_t>(table.s_find(asKey(k)));
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_HashFind_std_unordered_map(benchmark::State &state) {
  std::vector<int> keys = shuffledKeys();
  std::unordered_map<int, int> map;
  map.reserve(1u << 20);
  for (int k : keys)
    map.emplace(k, k);
  std::shuffle(keys.begin(), keys.end(), std::mt19937(7));
  for (auto _ : state) {
    uintptr_t sum = 0;
    for (int k : keys)
      sum += static_cast<uintptr_t>(map.find(k)->second);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

// Argument: the array's growth step in elements.
void BM_Append_UT_PORT_DARRAY(benchmark::State &state) {
  const int step = static_cast<int>(state.range(0));
  for (auto _ : state) {
    PORT_DARRAY_TYPED<int> array(step, 0);
    for (int i = 0; i < kKeys; ++i)
      array.append(i);
    benchmark::DoNotOptimize(array.data());
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_Append_std_vector(benchmark::State &state) {
  for (auto _ : state) {
    std::vector<int> v;
    for (int i = 0; i < kKeys; ++i)
      v.push_back(i);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

enum SortData { RANDOM = 0, FOUR_VALUES = 1, ALL_EQUAL_BUT_ONE = 2 };

std::vector<int> sortInput(int kind) {
  std::mt19937 gen(1);
  std::vector<int> v(kKeys);
  switch (kind) {
  case RANDOM:
    for (int &x : v)
      x = static_cast<int>(gen());
    break;
  case FOUR_VALUES:
    for (int &x : v)
      x = static_cast<int>(gen() % 4);
    break;
  default:
    std::fill(v.begin(), v.end(), 5);
    v.back() = 0;
  }
  return v;
}

int compareInts(const void *a, const void *b) {
  int x = *static_cast<const int *>(a), y = *static_cast<const int *>(b);
  return (x > y) - (x < y);
}

// Argument: the kind of data (SortData). Both sides copy the input in each round.
void BM_Sort_a_sort(benchmark::State &state) {
  std::vector<int> input = sortInput(static_cast<int>(state.range(0)));
  PORT_DARRAY_TYPED<int> array(kKeys, 0);
  array.a_resetnum(kKeys);
  for (auto _ : state) {
    std::memcpy(array.data(), input.data(), input.size() * sizeof(int));
    array.a_sort(compareInts);
    benchmark::DoNotOptimize(array.data());
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_Sort_std_sort(benchmark::State &state) {
  std::vector<int> input = sortInput(static_cast<int>(state.range(0)));
  std::vector<int> v(input.size());
  for (auto _ : state) {
    std::memcpy(v.data(), input.data(), input.size() * sizeof(int));
    std::sort(v.begin(), v.end());
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

// The element counts both append rows run, so that each pair compares like with like.
void appendSizes(benchmark::internal::Benchmark *b) { b->Arg(10)->Arg(4096)->Arg(1 << 20); }

} // namespace

// Names follow "<Name>/ours" and "<Name>/ref" (scripts/bench.sh pairs them).
BENCHMARK(BM_HashInsert_UT_PORT_HASH)->Name("HashInsert/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HashInsert_std_unordered_map)->Name("HashInsert/ref")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HashFind_UT_PORT_HASH)->Name("HashFind/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HashFind_std_unordered_map)->Name("HashFind/ref")->Unit(benchmark::kMillisecond);
// The vector has no growth step: its rows repeat one measurement for each step of ours.
BENCHMARK(BM_Append_UT_PORT_DARRAY)
    ->Name("Append/ours")
    ->Apply(appendSizes)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Append_std_vector)
    ->Name("Append/ref")
    ->Apply(appendSizes)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort_a_sort)->Name("Sort/ours")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort_std_sort)->Name("Sort/ref")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
