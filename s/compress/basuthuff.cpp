// basuthuff.cpp - Huffman code trees of the classic packed-data codec.
//
// Tree format. A tree over values 0..n-1 is built by inserting leaves one at a time in value
// order (addnode), each of weight w:
//   - into an empty tree: the leaf is the root;
//   - when the root is a leaf r: a new root with left = new leaf, right = r;
//   - otherwise p = root, repeat: p.weight += w; the candidate is p.left when its weight is
//     strictly less than p.right's, else p.right; when the candidate is internal and heavier
//     than w, p = candidate; otherwise the candidate is replaced, in its place under p, by a new
//     node with left = candidate, right = new leaf.
// Codes: one bit per edge from the root down, 0 for left and 1 for right, root edge first,
// written through UT_PAKIO least significant bit first within each byte. A one-value tree
// writes and reads no bits.
//
// Adaptive trees also keep every node in a list sorted by weight. Updating the leaf x repeats,
// up to the root (whose weight just grows): among the list's run of entries of x's weight, the
// shallowest node (the later entry on equal depth) is moved to the run's last entry; x trades
// places, in the list and in the tree, with the node at that entry; x's weight grows by one;
// then x's parent is updated. The list is sorted by the quicksort below, whose exact moves
// decide the order of equal weights.
#include "basuthuff.h"

#include "Port_MsgManData.h"
#include "basutpak.h"
#include "msg/libreport.h"

#include <utility>

namespace {
const char *const kRevision = "$Revision: 1.1 $";

const LibraryReport report(__FILE__, kRevision);

// The partition sort of the node lists. heavier/lighter compare with the pivot strictly
// (version '1') or not (version '2').
template <bool Inclusive> void partitionSort(UTHUF_NODE **a, int n) {
  while (n > 1) {
    int m = n / 2;
    UTHUF_NODE *const pivot = a[m];
    const int32_t pw = pivot->probability;
    int i = 0;
    while (i < n) {
      if (i == m) {
        ++i;
        continue;
      }
      UTHUF_NODE *x = a[i];
      const int32_t w = x->probability;
      if (i < m && (Inclusive ? w >= pw : w > pw)) {
        a[m] = x;
        --m;
        a[i] = a[m];
        continue; // examine position i again
      }
      if (i > m && (Inclusive ? w <= pw : w < pw)) {
        a[m] = x;
        ++m;
        a[i] = a[m];
      }
      ++i;
    }
    a[m] = pivot;
    const int leftCount = m, rightCount = n - m - 1;
    if (n - m < m) {
      partitionSort<Inclusive>(a + m + 1, rightCount);
      n = leftCount;
    } else {
      partitionSort<Inclusive>(a, leftCount);
      a += m + 1;
      n = rightCount;
    }
  }
}
} // namespace

void nodesort(UTHUF_NODE **a, int n) { partitionSort<false>(a, n); }
void nodesort_new(UTHUF_NODE **a, int n) { partitionSort<true>(a, n); }

// ---------------------------------------------------------------------------------------------
// Nodes

UTHUF_NODE::UTHUF_NODE(UTHUF_NODE *p, unsigned int v, int prob)
    : parent(p), left(nullptr), right(nullptr), value(v), probability(prob), slot(nullptr),
      depth(p ? p->depth + 1 : 0) {}

UTHUF_NODE::UTHUF_NODE(UTHUF_NODE *p, UTHUF_NODE *l, UTHUF_NODE *r)
    : parent(p), left(l), right(r), value(0), probability(l->probability + r->probability),
      slot(nullptr), depth(p ? p->depth + 1 : 0) {
  l->parent = this;
  r->parent = this;
  l->setdepth(depth + 1);
  r->setdepth(depth + 1);
}

UTHUF_NODE::~UTHUF_NODE() {
  if (isleaf())
    return;
  if (!left->isleaf())
    delete left;
  if (!right->isleaf())
    delete right;
}

void UTHUF_NODE::setdepth(int d) {
  UTHUF_NODE *n = this;
  // Iterative on the left spine keeps long chains off the call stack.
  while (n && n->depth != d) {
    n->depth = d;
    if (n->isleaf())
      return;
    n->right->setdepth(d + 1);
    n = n->left;
    ++d;
  }
}

void UTHUF_NODE::setsubtreedepths() {
  UTHUF_NODE *n = this;
  while (!n->isleaf()) {
    n->left->depth = n->depth + 1;
    n->right->depth = n->depth + 1;
    n->right->setsubtreedepths();
    n = n->left;
  }
}

void UTHUF_NODE::updateprobability() {
  for (UTHUF_NODE *n = this; n; n = n->parent) {
    if (n->isleaf())
      continue;
    const int32_t sum = n->left->probability + n->right->probability;
    if (sum == n->probability)
      return;
    n->probability = sum;
  }
}

void UTHUF_NODE::putbits(UT_PAKIO *io) const {
  // A path is at most as long as the tree has values; the codec's trees have at most 286.
  uint8_t bits[512];
  int count = 0;
  for (const UTHUF_NODE *n = this; n->parent && count < 512; n = n->parent)
    bits[count++] = n->parent->right == n ? 1 : 0;
  while (count > 0)
    io->putbits(bits[--count], 1);
}

// ---------------------------------------------------------------------------------------------
// Semi-static trees

UTHUF_TREE::UTHUF_TREE(int n, UT_PAKIO *io, char version)
    : m_version(version == 0 ? '2' : version), m_io(io), m_root(nullptr), m_n(n), m_leaves(nullptr),
      m_codes(nullptr), m_lengths(nullptr), m_cached(false), m_table(nullptr), m_deep(nullptr),
      m_deepCount(0), m_tableValid(false), m_useTable(true), m_spare(nullptr) {
  if (m_version != '1' && m_version != '2')
    report(__LINE__)->issueFatal(1, "Unknown Huffman compression type.\n");
  m_leaves = new UTHUF_NODE *[n > 0 ? n : 1];
  m_codes = new uint32_t[n > 0 ? n : 1];
  m_lengths = new uint8_t[n > 0 ? n : 1];
  m_table = new uint32_t[kTableSize];
  m_deep = new const UTHUF_NODE *[kTableSize];
  for (int i = 0; i < n; ++i)
    m_leaves[i] = new UTHUF_NODE(nullptr, static_cast<unsigned>(i), 1);
  rebuild();
}

UTHUF_TREE::~UTHUF_TREE() {
  // A one-value tree's root is its leaf, which the leaves array frees.
  deleteinternal();
  while (m_spare) {
    UTHUF_NODE *next = m_spare->parent;
    delete m_spare; // without children now
    m_spare = next;
  }
  for (int i = 0; i < m_n; ++i)
    delete m_leaves[i];
  delete[] m_leaves;
  delete[] m_codes;
  delete[] m_lengths;
  delete[] m_table;
  delete[] m_deep;
}

void UTHUF_TREE::deleteinternal() {
  if (m_root && !m_root->isleaf())
    spare(m_root);
  m_root = nullptr;
  treechanged();
}

// The internal nodes of a tree that is taken down wait, childless and chained through parent,
// for the next build: a rebuild for every block of data then allocates nothing.
void UTHUF_TREE::spare(UTHUF_NODE *n) {
  while (!n->isleaf()) {
    UTHUF_NODE *l = n->left, *r = n->right;
    n->left = n->right = nullptr;
    n->parent = m_spare;
    m_spare = n;
    if (!r->isleaf())
      spare(r);
    n = l;
  }
}

UTHUF_NODE *UTHUF_TREE::internalnode(UTHUF_NODE *p, UTHUF_NODE *l, UTHUF_NODE *r, bool depths) {
  if (!m_spare)
    return depths ? new UTHUF_NODE(p, l, r) : internalnode(p, l, r, new UTHUF_NODE(p, 0u, 0));
  UTHUF_NODE *node = m_spare;
  m_spare = node->parent;
  node->depth = p ? p->depth + 1 : 0;
  internalnode(p, l, r, node);
  if (depths) {
    l->setdepth(node->depth + 1);
    r->setdepth(node->depth + 1);
  }
  return node;
}

// The node without moving the children's subtrees down now: a rebuild would walk them again at
// each insertion below them, and sets every depth once at its end.
UTHUF_NODE *UTHUF_TREE::internalnode(UTHUF_NODE *p, UTHUF_NODE *l, UTHUF_NODE *r,
                                     UTHUF_NODE *node) {
  node->parent = p;
  node->left = l;
  node->right = r;
  node->value = 0;
  node->probability = l->probability + r->probability;
  node->slot = nullptr;
  l->parent = node;
  r->parent = node;
  return node;
}

void UTHUF_TREE::insert(UTHUF_NODE *x, bool depths) {
  treechanged();
  const int32_t w = x->probability;
  if (!m_root) {
    m_root = x;
    x->parent = nullptr;
    x->depth = 0;
    return;
  }
  if (m_root->isleaf()) {
    UTHUF_NODE *r = m_root;
    m_root = internalnode(nullptr, x, r, true);
    return;
  }
  UTHUF_NODE *p = m_root;
  for (;;) {
    p->probability += w;
    UTHUF_NODE *cand = p->left->probability < p->right->probability ? p->left : p->right;
    if (!cand->isleaf() && cand->probability > w) {
      p = cand;
      continue;
    }
    const bool onLeft = p->left == cand;
    UTHUF_NODE *node = internalnode(p, cand, x, depths);
    if (onLeft)
      p->left = node;
    else
      p->right = node;
    return;
  }
}

void UTHUF_TREE::rebuild() {
  deleteinternal();
  for (int i = 0; i < m_n; ++i)
    insert(m_leaves[i], false);
  if (m_root)
    m_root->setsubtreedepths();
}

void UTHUF_TREE::cachecodes() {
  for (int v = 0; v < m_n; ++v) {
    uint32_t code = 0;
    int len = 0;
    const UTHUF_NODE *n = m_leaves[v];
    // Walking up shifts each edge further up: the root edge ends in bit 0, written first.
    for (; n->parent && len <= 32; n = n->parent, ++len)
      code = (code << 1) | (n->parent->right == n ? 1u : 0u);
    m_codes[v] = code;
    m_lengths[v] = static_cast<uint8_t>(len <= 32 ? len : 255);
  }
  m_cached = true;
}

void UTHUF_TREE::putword(unsigned int v) {
  if (v >= static_cast<unsigned>(m_n)) {
    report(__LINE__)->issueFatal(1, "Value out of range to UTHUF_TREE::putword.\n");
    return;
  }
  if (!m_cached)
    cachecodes();
  if (m_lengths[v] <= 32) {
    if (m_lengths[v])
      m_io->putbits(m_codes[v], m_lengths[v]);
    return;
  }
  m_leaves[v]->putbits(m_io);
}

// Each entry is what walking down from the root along its index's bits, the first in bit 0,
// meets first: a leaf (its code is a prefix of the index, so every index that shares those
// bits gets it) or the node kTableBits edges down. Decoding through it therefore reads the same
// bits and gives the same value as the walk, as long as the tree has the shape it was made
// from; every change of shape (addnode, deleteinternal, the exchanges of updatetree) clears
// m_tableValid.
void UTHUF_TREE::buildtable() {
  m_deepCount = 0;
  filltable(m_root, 0, 0);
  m_tableValid = true;
}

void UTHUF_TREE::filltable(const UTHUF_NODE *n, unsigned code, unsigned depth) {
  // Internal nodes above the table's depth: their children extend the code by one bit.
  while (!n->isleaf() && depth < kTableBits) {
    filltable(n->left, code, depth + 1);
    code |= 1u << depth;
    n = n->right;
    ++depth;
  }
  uint32_t entry;
  if (n->isleaf()) {
    entry = n->value | (depth << 16);
  } else {
    m_deep[m_deepCount] = n;
    entry = kDeep | m_deepCount++;
  }
  for (uint32_t i = code; i < kTableSize; i += 1u << depth)
    m_table[i] = entry;
}

unsigned int UTHUF_TREE::getwordslow() {
  const UTHUF_NODE *n = m_root;
  unsigned bits;
  if (m_useTable && m_io->peekbits(kTableBits, bits)) {
    if (!m_tableValid)
      buildtable();
    const uint32_t entry = m_table[bits];
    if (!(entry & kDeep)) {
      m_io->dropbits(entry >> 16);
      return entry & 0xFFFF;
    }
    m_io->dropbits(kTableBits);
    n = m_deep[entry & ~kDeep];
  }
  // Bit by bit: adaptive trees, codes longer than the table, and the ends of buffer and input.
  while (!n->isleaf())
    n = m_io->getbits(1) ? n->right : n->left;
  return n->value;
}

// ---------------------------------------------------------------------------------------------
// Adaptive trees

UTHUF_ADAPTIVETREE::UTHUF_ADAPTIVETREE(int n, UT_PAKIO *io, char version)
    : UTHUF_TREE(n, io, version), m_numNodes(2 * n - 1), m_nodes(new UTHUF_NODE *[2 * n]) {
  m_useTable = false;
  // Every node once, from each leaf in value order up to the first node already listed; slot
  // marks a listed node meanwhile.
  int count = 0;
  for (int i = 0; i < m_n; ++i)
    for (UTHUF_NODE *p = m_leaves[i]; p && !p->slot; p = p->parent) {
      if (count == 2 * m_n) {
        count = -1;
        break;
      }
      p->slot = &m_nodes[count];
      m_nodes[count++] = p;
    }
  if (count != m_numNodes) {
    report(__LINE__)->issueFatal(1, "Error building nodes array.\n");
    return;
  }
  if (m_version == '1')
    nodesort(m_nodes, m_numNodes);
  else if (m_version == '2')
    nodesort_new(m_nodes, m_numNodes);
  else
    report(__LINE__)->issueFatal(44, "Unknown huffman version 0x%x\n", m_version);
  setslots();
}

UTHUF_ADAPTIVETREE::~UTHUF_ADAPTIVETREE() { delete[] m_nodes; }

void UTHUF_ADAPTIVETREE::setslots() {
  for (int i = 0; i < m_numNodes; ++i)
    m_nodes[i]->slot = &m_nodes[i];
}

void UTHUF_ADAPTIVETREE::rebuild() {
  deleteinternal();
  int count = 0;
  for (int i = 0; i < m_n; ++i) {
    UTHUF_NODE *leaf = m_leaves[i];
    insert(leaf, false);
    if (count < m_numNodes)
      m_nodes[count++] = leaf;
    if (leaf->parent && count < m_numNodes)
      m_nodes[count++] = leaf->parent;
  }
  if (m_root)
    m_root->setsubtreedepths();
  if (count != m_numNodes) {
    report(__LINE__)->issueFatal(1, "Error building tree.\n");
    return;
  }
  nodesort(m_nodes, m_numNodes);
  setslots();
}

void UTHUF_ADAPTIVETREE::agenodes() {
  for (int i = 0; i < m_n; ++i) {
    const int32_t w = m_leaves[i]->probability / 8;
    m_leaves[i]->probability = w < 1 ? 1 : w;
  }
  rebuild();
}

void UTHUF_ADAPTIVETREE::exchange(UTHUF_NODE **a, UTHUF_NODE **b) {
  std::swap(*a, *b);
  (*a)->slot = a;
  (*b)->slot = b;
}

void UTHUF_ADAPTIVETREE::updatetree(UTHUF_NODE *x) {
  treechanged();
  while (x) {
    if (x == m_root) {
      ++x->probability;
      return;
    }
    const int32_t w = x->probability;
    UTHUF_NODE **first = x->slot;
    UTHUF_NODE **last = x->slot;
    while (first > m_nodes && (*(first - 1))->probability == w)
      --first;
    while (last < m_nodes + m_numNodes - 1 && (*(last + 1))->probability == w)
      ++last;
    UTHUF_NODE **shallow = first;
    for (UTHUF_NODE **e = first + 1; e <= last; ++e)
      if ((*e)->depth <= (*shallow)->depth)
        shallow = e;
    if (shallow != last)
      exchange(shallow, last);
    if (*last != x) {
      UTHUF_NODE *y = *last;
      exchange(x->slot, last);
      UTHUF_NODE *xp = x->parent, *yp = y->parent;
      if (xp == yp) {
        std::swap(xp->left, xp->right);
      } else {
        UTHUF_NODE **xs = xp->left == x ? &xp->left : &xp->right;
        UTHUF_NODE **ys = yp->left == y ? &yp->left : &yp->right;
        *xs = y;
        *ys = x;
        x->parent = yp;
        y->parent = xp;
        x->setdepth(yp->depth + 1);
        y->setdepth(xp->depth + 1);
      }
    }
    ++x->probability;
    x = x->parent;
  }
}

void UTHUF_ADAPTIVETREE::checknodes() const {
  for (int i = 0; i + 1 < m_numNodes; ++i) {
    if (m_nodes[i + 1]->probability < m_nodes[i]->probability)
      report(__LINE__)->issueFatal(2, "Nodes list sanity error 2.\n");
    if (m_nodes[i]->slot != &m_nodes[i])
      report(__LINE__)->issueFatal(3, "Nodes list sanity error 3.\n");
  }
}
