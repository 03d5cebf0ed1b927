// basuthuff.h - Huffman code trees of the classic packed-data codec: a semi-static tree rebuilt
// from leaf weights (UTHUF_TREE) and an adaptive tree updated after every coded value
// (UTHUF_ADAPTIVETREE). Trees are built by inserting leaves one at a time in value order, not by
// pairing the two lightest nodes: encoder and decoder must run the same insertion, sort and
// update rules to agree on the codes.
//
// Threads: a tree belongs to one coder and is not locked.
#ifndef BASUTHUFF_H
#define BASUTHUFF_H

#include "Port_Export.h"
#include "basutpak.h"

#include <cstdint>

class UT_PAKIO;

class PORT_API UTHUF_NODE {
public:
  // A leaf.
  UTHUF_NODE(UTHUF_NODE *parent, unsigned int value, int probability);
  // An internal node over two children, which it adopts.
  UTHUF_NODE(UTHUF_NODE *parent, UTHUF_NODE *left, UTHUF_NODE *right);
  UTHUF_NODE(const UTHUF_NODE &) = delete;
  UTHUF_NODE &operator=(const UTHUF_NODE &) = delete;
  // Destroys the internal nodes below, never a leaf.
  ~UTHUF_NODE();

  bool isleaf() const { return left == nullptr; }
  // Sets the depths of the whole subtree below this node, each once, from this node's.
  void setsubtreedepths();
  void setdepth(int d);
  void updateprobability();
  // Writes the code of this node: one bit per edge from the root, 0 left, 1 right.
  void putbits(UT_PAKIO *io) const;

  UTHUF_NODE *parent;
  UTHUF_NODE *left;  // null in a leaf
  UTHUF_NODE *right; // internal nodes
  uint32_t value;    // leaves
  int32_t probability;
  UTHUF_NODE **slot; // adaptive trees: this node's entry in the node list
  int32_t depth;
};

class PORT_API UTHUF_TREE {
public:
  // n leaves of weight 1, inserted in value order. version '1' or '2' (0 means '2'); any other
  // is fatal.
  UTHUF_TREE(int n, UT_PAKIO *io, char version);
  UTHUF_TREE(const UTHUF_TREE &) = delete;
  UTHUF_TREE &operator=(const UTHUF_TREE &) = delete;
  ~UTHUF_TREE();

  void addnode(UTHUF_NODE *leaf) { insert(leaf, true); }
  // Rebuilds the tree from the leaves' current weights.
  void rebuild();
  void putword(unsigned int v);
  unsigned int getword() {
    // The common case inline: a code the table holds whole.
    unsigned bits;
    if (m_tableValid && m_io->peekbits(kTableBits, bits)) {
      const uint32_t entry = m_table[bits];
      if (!(entry & kDeep)) {
        m_io->dropbits(entry >> 16);
        return entry & 0xFFFF;
      }
    }
    return getwordslow();
  }

  UTHUF_NODE *getleaf(int v) const { return m_leaves[v]; }
  UTHUF_NODE *getroot() const { return m_root; }
  int getnumvalues() const { return m_n; }
  char getversion() const { return m_version; }

protected:
  // Decoding table: index = the next kTableBits bits, entry = value | code length << 16, or,
  // with kDeep set, the index of a node kTableBits edges down in m_deep.
  static constexpr unsigned kTableBits = 11;
  static constexpr uint32_t kTableSize = 1u << kTableBits;
  static constexpr uint32_t kDeep = 0x80000000u;

  // addnode; without depths, the new node's subtree keeps its old depths, for a caller that
  // inserts many and sets every depth once at the end (setsubtreedepths).
  void insert(UTHUF_NODE *leaf, bool depths);
  unsigned int getwordslow();
  void deleteinternal();
  void spare(UTHUF_NODE *internal);
  // A new internal node over l and r under p, a spare one when there is one; with depths, as
  // the node constructor, otherwise leaving the subtrees' depths.
  UTHUF_NODE *internalnode(UTHUF_NODE *p, UTHUF_NODE *l, UTHUF_NODE *r, bool depths);
  UTHUF_NODE *internalnode(UTHUF_NODE *p, UTHUF_NODE *l, UTHUF_NODE *r, UTHUF_NODE *node);
  void cachecodes();
  // Every change of the tree's shape calls this: the codes and the decoding table are made
  // again from the tree when next needed.
  void treechanged() {
    m_cached = false;
    m_tableValid = false;
  }
  void buildtable();
  void filltable(const UTHUF_NODE *n, unsigned code, unsigned depth);

  char m_version;
  UT_PAKIO *m_io;
  UTHUF_NODE *m_root;
  int32_t m_n;
  UTHUF_NODE **m_leaves;
  // Codes of up to 32 bits, kept between rebuilds of a semi-static tree (root edge in bit 0).
  uint32_t *m_codes;
  uint8_t *m_lengths;
  bool m_cached;
  // Decoding table, indexed by the next kTableBits bits (the first read in bit 0): the value
  // and code length of the leaf they lead to, or, for a code longer than the table, the node
  // kTableBits edges down (an index into m_deep) from which decoding goes on bit by bit. Kept
  // while the tree keeps its shape; an adaptive tree, whose shape changes with every value,
  // decodes bit by bit instead.
  uint32_t *m_table;
  const UTHUF_NODE **m_deep;
  uint32_t m_deepCount;
  bool m_tableValid;
  bool m_useTable;
  // Internal nodes kept from earlier builds, chained through parent.
  UTHUF_NODE *m_spare;
};

class PORT_API UTHUF_ADAPTIVETREE : public UTHUF_TREE {
public:
  UTHUF_ADAPTIVETREE(int n, UT_PAKIO *io, char version);
  ~UTHUF_ADAPTIVETREE();

  // Counts one occurrence of the leaf's value, keeping the node list sorted.
  void updatetree(UTHUF_NODE *leaf);
  // Divides the leaf weights by 8 (at least 1) and rebuilds.
  void agenodes();
  void rebuild();
  // Fatal when the node list is out of order or a slot does not point back at its entry.
  void checknodes() const;

  UTHUF_NODE *const *getnodes() const { return m_nodes; }
  int getnumnodes() const { return m_numNodes; }

private:
  void setslots();
  void exchange(UTHUF_NODE **a, UTHUF_NODE **b);

  int32_t m_numNodes;
  UTHUF_NODE **m_nodes;
};

// Quicksorts nodes by weight, ascending: nodesort keeps lighter/heavier strict (version '1'),
// nodesort_new moves equal weights as well (version '2').
PORT_API void nodesort(UTHUF_NODE **a, int n);
PORT_API void nodesort_new(UTHUF_NODE **a, int n);

#endif
