// The pool allocator against the general allocator (new/delete) for many small objects of one
// size. Two patterns: a burst (make 10000 objects, then free them all in the order made) and
// churn (a live set of 10000 in which random objects are replaced).
#include "basutfstmem.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <new>
#include <random>
#include <vector>

namespace {

struct Node {
  int64_t key;
  Node *left;
  Node *right;
};

constexpr int kObjects = 10000;
constexpr unsigned kPerBlock = 1024;

struct PoolAllocator {
  UT_PORT_FASTMEM pool{sizeof(Node), kPerBlock, "Node"};
  Node *make(int64_t key) { return new (pool.getnewptr()) Node{key, nullptr, nullptr}; }
  void free(Node *node) { pool.int_free(node); }
};

struct GeneralAllocator {
  Node *make(int64_t key) { return new Node{key, nullptr, nullptr}; }
  void free(Node *node) { delete node; }
};

template <class Allocator> void Burst(benchmark::State &state) {
  Allocator allocator;
  std::vector<Node *> nodes(kObjects);
  for (auto _ : state) {
    for (int i = 0; i < kObjects; ++i)
      nodes[i] = allocator.make(i);
    benchmark::DoNotOptimize(nodes.data());
    benchmark::ClobberMemory();
    for (int i = 0; i < kObjects; ++i)
      allocator.free(nodes[i]);
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}

template <class Allocator> void Churn(benchmark::State &state) {
  Allocator allocator;
  std::vector<Node *> nodes(kObjects);
  for (int i = 0; i < kObjects; ++i)
    nodes[i] = allocator.make(i);
  std::mt19937 random(12345);
  std::vector<uint32_t> victims(1 << 16);
  for (uint32_t &v : victims)
    v = random() % kObjects;
  size_t next = 0;
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      uint32_t v = victims[next++ & (victims.size() - 1)];
      allocator.free(nodes[v]);
      nodes[v] = allocator.make(v);
    }
    benchmark::DoNotOptimize(nodes.data());
  }
  for (Node *node : nodes)
    allocator.free(node);
  state.SetItemsProcessed(state.iterations() * 1000);
}

BENCHMARK_TEMPLATE(Burst, PoolAllocator)->Name("SmallObjectsBurst/ours");
BENCHMARK_TEMPLATE(Burst, GeneralAllocator)->Name("SmallObjectsBurst/ref");
BENCHMARK_TEMPLATE(Churn, PoolAllocator)->Name("SmallObjectsChurn/ours");
BENCHMARK_TEMPLATE(Churn, GeneralAllocator)->Name("SmallObjectsChurn/ref");

} // namespace
