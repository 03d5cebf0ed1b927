// The chained hash table UT_PORT_HASH.
#include "basuthash.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Entry {
  int key;
  int value;
};

// A table of Entry items found by a pointer to their int key.
class EntryTable : public UT_PORT_HASH {
public:
  explicit EntryTable(unsigned int buckets) : UT_PORT_HASH(buckets) {}
  std::vector<int> deleted;

protected:
  uint32_t hash_func(void *key) override { return static_cast<uint32_t>(*static_cast<int *>(key)); }
  int comp_func(void *key, void *item) override {
    return *static_cast<int *>(key) == static_cast<Entry *>(item)->key ? 0 : 1;
  }
  void del_func(void *item) override { deleted.push_back(static_cast<Entry *>(item)->key); }
};

Entry *find(EntryTable &t, int key) { return static_cast<Entry *>(t.s_find(&key)); }

TEST(HashTest, AddsFindsAndRemovesWithAnyBucketCount) {
  for (unsigned int buckets : {1u, 7u, 1024u}) {
    EntryTable t(buckets);
    std::vector<Entry> entries;
    for (int i = 0; i < 100; ++i)
      entries.push_back({i * 37, i});
    for (Entry &e : entries)
      EXPECT_TRUE(t.s_add(&e.key, &e));
    EXPECT_EQ(t.getnum(), 100);
    for (Entry &e : entries)
      EXPECT_EQ(find(t, e.key), &e) << buckets;
    EXPECT_EQ(find(t, 1), nullptr);

    int key = 37 * 50;
    EXPECT_EQ(t.s_remove(&key), &entries[50]);
    EXPECT_EQ(t.getnum(), 99);
    EXPECT_EQ(find(t, key), nullptr);
    EXPECT_EQ(t.s_remove(&key), nullptr);
    EXPECT_EQ(t.getnum(), 99);
    EXPECT_EQ(find(t, 37 * 51), &entries[51]);
  }
}

TEST(HashTest, NewestDuplicateIsFoundFirst) {
  EntryTable t(3);
  Entry older{4, 1}, newer{4, 2};
  t.add(&older.key, &older);
  t.add(&newer.key, &newer);
  int key = 4;
  EXPECT_EQ(t.find_and_remove(&key, false), &newer);
  EXPECT_EQ(t.find_and_remove(&key, true), &newer);
  EXPECT_EQ(t.find_and_remove(&key, false), &older);
  EXPECT_EQ(t.getnum(), 1);
}

TEST(HashTest, NullItemStoresTheKey) {
  EntryTable t(5);
  Entry e{9, 0};
  t.add(&e, nullptr); // the Entry starts with its key, so it is its own key and item
  EXPECT_EQ(find(t, 9), &e);
}

TEST(HashTest, ProcessAndKillVisitsEveryItemOnceAndEmptiesTheTable) {
  EntryTable t(4);
  Entry entries[6] = {{0, 0}, {1, 0}, {2, 0}, {4, 0}, {5, 0}, {8, 0}};
  for (Entry &e : entries)
    t.add(&e.key, &e);

  t.process_and_kill(true, nullptr);
  // Bucket by bucket (0: 8, 4, 0 newest first; 1: 5, 1; 2: 2).
  EXPECT_EQ(t.deleted, (std::vector<int>{8, 4, 0, 5, 1, 2}));
  EXPECT_EQ(t.getnum(), 0);
  EXPECT_EQ(find(t, 4), nullptr);

  static int visits;
  visits = 0;
  for (Entry &e : entries)
    t.add(&e.key, &e);
  t.process_and_kill(false, [](void *item) { visits += static_cast<Entry *>(item)->key; });
  EXPECT_EQ(visits, 0 + 1 + 2 + 4 + 5 + 8);
  EXPECT_EQ(t.deleted.size(), 6u);
  EXPECT_EQ(t.getnum(), 0);
}

TEST(HashTest, RemovedNodesAreReusedAndTheTableWorksAfterProcessAndKill) {
  EntryTable t(16);
  std::vector<Entry> first, second;
  for (int i = 0; i < 300; ++i) {
    first.push_back({i, 0});
    second.push_back({1000 + i, 0});
  }
  for (int round = 0; round < 2; ++round) {
    for (Entry &e : first)
      t.add(&e.key, &e);
    for (Entry &e : first)
      EXPECT_EQ(t.s_remove(&e.key), &e);
    EXPECT_EQ(t.getnum(), 0);
    for (Entry &e : second)
      t.add(&e.key, &e);
    for (Entry &e : second)
      ASSERT_EQ(find(t, e.key), &e);
    EXPECT_EQ(find(t, 5), nullptr);
    t.process_and_kill(false, nullptr);
    EXPECT_EQ(t.getnum(), 0);
    EXPECT_EQ(find(t, 1005), nullptr);
  }
}

// Any 32-bit hash lands in bucket hash % buckets: visiting order shows the buckets.
class ScrambledTable : public UT_PORT_HASH {
public:
  explicit ScrambledTable(unsigned int buckets) : UT_PORT_HASH(buckets) {}
  static uint32_t scramble(int key) { return static_cast<uint32_t>(key) * 0x9E3779B1u + 0xFFu; }
  std::vector<int> order;

protected:
  uint32_t hash_func(void *key) override { return scramble(*static_cast<int *>(key)); }
  int comp_func(void *key, void *item) override {
    return *static_cast<int *>(key) == *static_cast<int *>(item) ? 0 : 1;
  }
  void del_func(void *item) override { order.push_back(*static_cast<int *>(item)); }
};

TEST(HashTest, BucketIsTheHashModuloTheBucketCount) {
  std::vector<int> keys(500);
  for (int i = 0; i < 500; ++i)
    keys[i] = i * 7919;
  for (unsigned int buckets : {1u, 7u, 1000u, 65537u, 3000017u}) {
    ScrambledTable t(buckets);
    for (int &k : keys)
      t.add(&k, nullptr);
    std::vector<std::pair<uint32_t, int>> expected; // (bucket, newest first)
    for (int i = 499; i >= 0; --i)
      expected.emplace_back(ScrambledTable::scramble(keys[i]) % buckets, 499 - i);
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    t.process_and_kill(true, nullptr);
    ASSERT_EQ(t.order.size(), 500u);
    for (size_t i = 0; i < 500; ++i)
      EXPECT_EQ(t.order[i], keys[499 - expected[i].second]) << buckets << " at " << i;
  }
}

TEST(HashDeathTest, ZeroBucketsIsFatal) {
  EXPECT_EXIT({ EntryTable t(0); }, testing::ExitedWithCode(3), "Invalid Bucket Count: 0");
}

} // namespace
