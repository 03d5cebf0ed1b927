// basuthash.h - UT_PORT_HASH, a chained hash table of untyped pointers, over the store
// interface UT_STORE.
//
// The table stores pointers only: it never copies, frees or otherwise touches the items
// (except through del_func or a caller's function in process_and_kill). A derived class gives
// the two operations that make it a table of something:
//   hash_func(key)        the hash of a key (any 32-bit value; the table takes it modulo the
//                         bucket count);
//   comp_func(key, item)  0 when the stored item matches the key, anything else when not.
// and may override del_func(item), which process_and_kill(true, ...) applies to every item.
//
// No locking; a table is used by one thread at a time.
#ifndef BASUTHASH_H
#define BASUTHASH_H

#include "Port_Export.h"

#include <cstdint>

// A store of untyped items found by key.
class PORT_API UT_STORE {
public:
  UT_STORE() = default;
  UT_STORE(const UT_STORE &) = delete;
  UT_STORE &operator=(const UT_STORE &) = delete;
  virtual ~UT_STORE() = default;
  virtual bool s_add(void *key, void *item) = 0;
  virtual void *s_find(void *key) = 0;
  virtual void *s_remove(void *key) = 0;
};

class PORT_API UT_PORT_HASH : public UT_STORE {
public:
  typedef void (*ItemFunc)(void *item);

  // buckets == 0 is a fatal error with exit value 3. flag is kept for derived classes.
  UT_PORT_HASH(unsigned int buckets, unsigned char flag = 0);
  // Frees the nodes and the buckets; the items are not freed.
  ~UT_PORT_HASH() override;

  // Adds item (or key itself when item is null) at the head of its bucket's chain. Duplicates
  // are allowed; the newest is found first. Always true.
  bool s_add(void *key, void *item) override;
  // The first item of the key's chain that matches key, or null.
  void *s_find(void *key) override;
  // As s_find, and the node is removed from the table.
  void *s_remove(void *key) override;

  void add(void *key, void *item);
  void *find_and_remove(void *key, bool remove);

  // Calls del_func (useDelFunc) or func (when not null) on every item, bucket by bucket in
  // chain order, and empties the table: afterwards it holds no node, so nothing can reach an
  // item that the function freed. The items are taken out of the table before the first call,
  // so the function may use the table.
  void process_and_kill(bool useDelFunc, ItemFunc func);

  int getnum() const { return m_count; }
  unsigned int getbuckets() const { return m_buckets; }
  unsigned char getflag() const { return m_flag; }

protected:
  virtual uint32_t hash_func(void *key) = 0;
  virtual int comp_func(void *key, void *item) = 0;
  virtual void del_func(void *item);

private:
  struct Node {
    Node *next;
    void *item;
  };
  // A bucket holds its chain's newest item itself, so that most finds read one bucket and no
  // node; the older items follow in nodes. item is emptySlot() when the chain is empty.
  struct Slot {
    void *item;
    Node *next;
  };
  struct NodeBlock;

  Node *newnode();
  void freenode(Node *n);
  void releaseblocks(NodeBlock *blocks);
  // hash modulo the bucket count, by multiplication with a precomputed inverse.
  unsigned int bucketof(uint32_t hash) const;

  unsigned int m_buckets;
  Slot *m_table;
  unsigned char m_flag;
  int m_count;
  // Nodes are carved from blocks that the table owns (each twice the size of the one before,
  // up to a limit) and recycled through a free list, so a table of many entries does not pay
  // one allocation per node and is freed block by block.
  NodeBlock *m_blocks;
  Node *m_freeNodes;
  uint64_t m_inverse; // 2^64 / buckets, rounded up
};

#endif
