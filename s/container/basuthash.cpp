// basuthash.cpp - UT_PORT_HASH: buckets of singly linked chains, newest item first; the newest
// item of each chain is kept in the bucket itself.
#include "basuthash.h"

#include "Port_MsgManData.h"
#include "container/contmem.h"

#include <cstring>
#include <vector>

// A block of nodes; the nodes follow the header.
struct UT_PORT_HASH::NodeBlock {
  NodeBlock *next;
  unsigned int capacity;
  unsigned int used;
  Node *nodes() { return reinterpret_cast<Node *>(this + 1); }
};

namespace {
constexpr unsigned int kFirstBlockNodes = 16;
constexpr unsigned int kLargestBlockNodes = 4096;

// Marks an empty bucket: no item (not even a null one) has this address.
char emptyMark;
void *const kEmpty = &emptyMark;
} // namespace

UT_PORT_HASH::UT_PORT_HASH(unsigned int buckets, unsigned char flag)
    : m_buckets(buckets), m_table(nullptr), m_flag(flag), m_count(0), m_blocks(nullptr),
      m_freeNodes(nullptr), m_inverse(0) {
  if (buckets == 0) {
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $")
        ->issueFatal(3, "Invalid Bucket Count: %d\n", 0);
    return;
  }
  m_inverse = UINT64_MAX / buckets + 1;
  m_table = static_cast<Slot *>(contmem::allocate(sizeof(Slot) * static_cast<size_t>(buckets)));
  for (unsigned int b = 0; b < buckets; ++b)
    m_table[b] = Slot{kEmpty, nullptr};
}

UT_PORT_HASH::~UT_PORT_HASH() {
  releaseblocks(m_blocks);
  contmem::release(m_table);
}

// Exact for every 32-bit hash and bucket count: the low 64 bits of inverse * hash are the
// fraction hash / buckets, and multiplying that by buckets gives the remainder in the high bits.
unsigned int UT_PORT_HASH::bucketof(uint32_t hash) const {
  uint64_t fraction = m_inverse * hash;
  return static_cast<unsigned int>((static_cast<unsigned __int128>(fraction) * m_buckets) >> 64);
}

UT_PORT_HASH::Node *UT_PORT_HASH::newnode() {
  if (Node *n = m_freeNodes) {
    m_freeNodes = n->next;
    return n;
  }
  if (!m_blocks || m_blocks->used == m_blocks->capacity) {
    unsigned int capacity = m_blocks ? m_blocks->capacity * 2 : kFirstBlockNodes;
    if (capacity > kLargestBlockNodes)
      capacity = kLargestBlockNodes;
    static_assert(sizeof(NodeBlock) % alignof(Node) == 0, "nodes follow the block header");
    NodeBlock *block = static_cast<NodeBlock *>(
        contmem::allocate(sizeof(NodeBlock) + sizeof(Node) * static_cast<size_t>(capacity)));
    block->next = m_blocks;
    block->capacity = capacity;
    block->used = 0;
    m_blocks = block;
  }
  return &m_blocks->nodes()[m_blocks->used++];
}

void UT_PORT_HASH::freenode(Node *n) {
  n->next = m_freeNodes;
  m_freeNodes = n;
}

void UT_PORT_HASH::releaseblocks(NodeBlock *blocks) {
  while (blocks) {
    NodeBlock *next = blocks->next;
    contmem::release(blocks);
    blocks = next;
  }
}

void UT_PORT_HASH::del_func(void *) {}

void UT_PORT_HASH::add(void *key, void *item) {
  if (!m_table)
    return;
  Slot &slot = m_table[bucketof(hash_func(key))];
  if (slot.item != kEmpty) {
    // The bucket's item moves into a node at the front of the older ones.
    Node *n = newnode();
    n->item = slot.item;
    n->next = slot.next;
    slot.next = n;
  }
  slot.item = item ? item : key;
  ++m_count;
}

void *UT_PORT_HASH::find_and_remove(void *key, bool remove) {
  if (!m_table)
    return nullptr;
  Slot &slot = m_table[bucketof(hash_func(key))];
  if (slot.item == kEmpty)
    return nullptr;
  if (comp_func(key, slot.item) == 0) {
    void *item = slot.item;
    if (remove) {
      // The next older item, if any, takes the bucket.
      if (Node *n = slot.next) {
        slot.item = n->item;
        slot.next = n->next;
        freenode(n);
      } else {
        slot.item = kEmpty;
      }
      --m_count;
    }
    return item;
  }
  for (Node **link = &slot.next; *link; link = &(*link)->next) {
    Node *n = *link;
    if (comp_func(key, n->item) != 0)
      continue;
    void *item = n->item;
    if (remove) {
      *link = n->next;
      freenode(n);
      --m_count;
    }
    return item;
  }
  return nullptr;
}

bool UT_PORT_HASH::s_add(void *key, void *item) {
  add(key, item);
  return true;
}

void *UT_PORT_HASH::s_find(void *key) { return find_and_remove(key, false); }

void *UT_PORT_HASH::s_remove(void *key) { return find_and_remove(key, true); }

void UT_PORT_HASH::process_and_kill(bool useDelFunc, ItemFunc func) {
  if (!m_table)
    return;
  // Take every item and the nodes' memory out first: the calls below may free items or use
  // the table again, which then starts afresh.
  std::vector<void *> items;
  items.reserve(static_cast<size_t>(m_count));
  for (unsigned int b = 0; b < m_buckets; ++b) {
    Slot &slot = m_table[b];
    if (slot.item == kEmpty)
      continue;
    items.push_back(slot.item);
    for (Node *n = slot.next; n; n = n->next)
      items.push_back(n->item);
    slot = Slot{kEmpty, nullptr};
  }
  NodeBlock *blocks = m_blocks;
  m_blocks = nullptr;
  m_freeNodes = nullptr;
  m_count = 0;
  releaseblocks(blocks);
  for (void *item : items) {
    if (useDelFunc)
      del_func(item);
    else if (func)
      func(item);
  }
}
