// Huffman trees: insertion order, codes, the two node sorts, adaptive updates and ageing.
#include "basuthuff.h"
#include "packed_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using packedtest::MemoryDevice;

namespace {

TEST(HuffmanTree, ThreeEqualWeightsBuildTheDocumentedShape) {
  MemoryDevice dev;
  UT_PAKIO io(&dev);
  UTHUF_TREE t(3, &io, '2');
  const UTHUF_NODE *root = t.getroot();
  ASSERT_FALSE(root->isleaf());
  EXPECT_EQ(t.getleaf(1), root->left);
  ASSERT_FALSE(root->right->isleaf());
  EXPECT_EQ(t.getleaf(0), root->right->left);
  EXPECT_EQ(t.getleaf(2), root->right->right);
  EXPECT_EQ(3, root->probability);
  EXPECT_EQ(2, t.getleaf(2)->depth);
  // Codes, root edge first: 1 -> 0, 0 -> 1 0, 2 -> 1 1; packed from bit 0 up: 0b11010.
  t.putword(1);
  t.putword(0);
  t.putword(2);
  io.unload_next_buffer();
  ASSERT_EQ(1u, dev.data.size());
  EXPECT_EQ(0x1A, static_cast<unsigned char>(dev.data[0]));

  MemoryDevice in(dev.data);
  UT_PAKIO rio(&in);
  UTHUF_TREE r(3, &rio, '2');
  EXPECT_EQ(1u, r.getword());
  EXPECT_EQ(0u, r.getword());
  EXPECT_EQ(2u, r.getword());
}

TEST(HuffmanTree, OneValueTreeWritesAndReadsNoBits) {
  MemoryDevice dev;
  UT_PAKIO io(&dev);
  {
    UTHUF_TREE t(1, &io, '1');
    t.putword(0);
    t.putword(0);
    EXPECT_EQ(0u, t.getword());
    UTHUF_ADAPTIVETREE a(1, &io, '1');
    a.updatetree(a.getleaf(0));
    a.agenodes();
  } // and frees its single leaf once
  io.unload_next_buffer();
  EXPECT_TRUE(dev.data.empty());
  EXPECT_FALSE(io.overrun());
}

TEST(HuffmanTree, RebuildFollowsTheWeights) {
  MemoryDevice dev;
  UT_PAKIO io(&dev);
  UTHUF_TREE t(4, &io, '2');
  const int w[4] = {50, 1, 1, 10};
  for (int i = 0; i < 4; ++i)
    t.getleaf(i)->probability = w[i];
  t.rebuild();
  EXPECT_EQ(62, t.getroot()->probability);
  // Heavier values never get longer codes here.
  EXPECT_LE(t.getleaf(0)->depth, t.getleaf(3)->depth);
  EXPECT_LE(t.getleaf(3)->depth, t.getleaf(1)->depth);
}

// Every child one deeper than its parent; the depth of the deepest leaf.
int checkDepths(const UTHUF_NODE *n) {
  if (n->isleaf())
    return n->depth;
  EXPECT_EQ(n->depth + 1, n->left->depth);
  EXPECT_EQ(n->depth + 1, n->right->depth);
  EXPECT_EQ(n, n->left->parent);
  EXPECT_EQ(n, n->right->parent);
  return std::max(checkDepths(n->left), checkDepths(n->right));
}

TEST(HuffmanTree, DecodingFollowsEveryRebuildAndCodesOfAnyLength) {
  // Weight sets for 40 values: doubling weights give codes far longer than a decoding table's
  // reach, flat and random ones short codes; zero weights still get codes. Values are coded
  // between raw bit fields of odd widths, and the tree is rebuilt every 500 values, so that
  // each decoded value depends on the current tree and every bit alignment.
  const int n = 40;
  std::mt19937 rng(5);
  std::vector<std::vector<int>> sets;
  sets.push_back(std::vector<int>(n, 1));
  std::vector<int> doubling(n);
  for (int i = 0; i < n; ++i)
    doubling[i] = i < 4 ? 0 : 1 << std::min(i - 4, 15);
  sets.push_back(doubling);
  std::vector<int> reversed(doubling.rbegin(), doubling.rend());
  sets.push_back(reversed);
  for (int k = 0; k < 3; ++k) {
    std::vector<int> w(n);
    for (int &x : w)
      x = static_cast<int>(rng() % 3000);
    sets.push_back(w);
  }
  int deepest = 0;
  std::vector<unsigned> values, extras;
  MemoryDevice dev;
  {
    UT_PAKIO io(&dev);
    UTHUF_TREE t(n, &io, '2');
    for (size_t round = 0; round < 2 * sets.size(); ++round) {
      for (int i = 0; i < n; ++i)
        t.getleaf(i)->probability = sets[round % sets.size()][static_cast<size_t>(i)];
      t.rebuild();
      deepest = std::max(deepest, checkDepths(t.getroot()));
      for (int k = 0; k < 500; ++k) {
        const unsigned v = rng() % n, extra = rng() % 128;
        values.push_back(v);
        extras.push_back(extra);
        t.putword(v);
        io.putbits(extra, 1 + v % 7);
      }
    }
    io.unload_next_buffer();
  }
  EXPECT_GT(deepest, 20);

  MemoryDevice in(dev.data);
  UT_PAKIO io(&in);
  UTHUF_TREE t(n, &io, '2');
  size_t at = 0;
  for (size_t round = 0; round < 2 * sets.size(); ++round) {
    for (int i = 0; i < n; ++i)
      t.getleaf(i)->probability = sets[round % sets.size()][static_cast<size_t>(i)];
    t.rebuild();
    for (int k = 0; k < 500; ++k, ++at) {
      ASSERT_EQ(values[at], t.getword()) << "value " << at;
      ASSERT_EQ(extras[at] & ((1u << (1 + values[at] % 7)) - 1), io.getbits(1 + values[at] % 7))
          << "value " << at;
    }
  }
  EXPECT_FALSE(io.overrun());
}

std::vector<char> sortOrder(void (*sort)(UTHUF_NODE **, int), const std::vector<int> &weights) {
  std::vector<UTHUF_NODE *> nodes;
  for (size_t i = 0; i < weights.size(); ++i)
    nodes.push_back(new UTHUF_NODE(nullptr, static_cast<unsigned>(i), weights[i]));
  std::vector<UTHUF_NODE *> a = nodes;
  sort(a.data(), static_cast<int>(a.size()));
  std::vector<char> order;
  for (UTHUF_NODE *n : a)
    order.push_back(static_cast<char>('A' + n->value));
  for (UTHUF_NODE *n : nodes)
    delete n;
  return order;
}

TEST(HuffmanSort, EqualWeightsOrderDiffersByVersion) {
  EXPECT_EQ((std::vector<char>{'A', 'B', 'C'}), sortOrder(nodesort, {1, 1, 1}));
  EXPECT_EQ((std::vector<char>{'A', 'C', 'B'}), sortOrder(nodesort_new, {1, 1, 1}));
}

TEST(HuffmanSort, BothSortsOrderByWeight) {
  std::mt19937 rng(11);
  for (int round = 0; round < 50; ++round) {
    std::vector<int> w(1 + rng() % 70);
    for (int &x : w)
      x = static_cast<int>(rng() % 9);
    for (auto sort : {nodesort, nodesort_new}) {
      std::vector<UTHUF_NODE *> nodes;
      for (size_t i = 0; i < w.size(); ++i)
        nodes.push_back(new UTHUF_NODE(nullptr, static_cast<unsigned>(i), w[i]));
      sort(nodes.data(), static_cast<int>(nodes.size()));
      for (size_t i = 1; i < nodes.size(); ++i)
        EXPECT_LE(nodes[i - 1]->probability, nodes[i]->probability);
      for (UTHUF_NODE *n : nodes)
        delete n;
    }
  }
}

TEST(HuffmanAdaptive, UpdatesKeepTheListSortedAndBothEndsInStep) {
  for (char version : {'1', '2'}) {
    MemoryDevice dev;
    std::vector<unsigned> values;
    std::mt19937 rng(5);
    {
      UT_PAKIO io(&dev);
      UTHUF_ADAPTIVETREE t(32, &io, version);
      for (int i = 0; i < 5000; ++i) {
        // Skewed values, so that the tree reshapes and ages.
        const unsigned v = (rng() % 4 == 0) ? rng() % 32 : rng() % 3;
        values.push_back(v);
        t.putword(v);
        t.updatetree(t.getleaf(static_cast<int>(v)));
        t.checknodes();
        if (t.getroot()->probability > 0x7FF) {
          t.agenodes();
          for (int k = 0; k < 32; ++k)
            ASSERT_GE(t.getleaf(k)->probability, 1);
          t.checknodes();
        }
        const UTHUF_NODE *r = t.getroot();
        ASSERT_EQ(r->left->probability + r->right->probability, r->probability);
      }
      io.unload_next_buffer();
    }
    MemoryDevice in(dev.data);
    UT_PAKIO io(&in);
    UTHUF_ADAPTIVETREE t(32, &io, version);
    for (unsigned v : values) {
      ASSERT_EQ(v, t.getword()) << version;
      t.updatetree(t.getleaf(static_cast<int>(v)));
      if (t.getroot()->probability > 0x7FF)
        t.agenodes();
    }
  }
}

TEST(HuffmanDeath, OutOfRangeValueAndUnknownVersionAreFatal) {
  EXPECT_EXIT(
      {
        MemoryDevice dev;
        UT_PAKIO io(&dev);
        UTHUF_TREE t(3, &io, '2');
        t.putword(3);
      },
      ::testing::ExitedWithCode(1), "Value out of range to[[:space:]]+UTHUF_TREE::putword");
  EXPECT_EXIT(
      {
        MemoryDevice dev;
        UT_PAKIO io(&dev);
        UTHUF_TREE t(3, &io, '7');
      },
      ::testing::ExitedWithCode(1), "Unknown Huffman compression[[:space:]]+type");
}

} // namespace
