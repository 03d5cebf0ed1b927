// basutfstmem.h - a pool allocator for many small objects of one size.
//
// A pool hands out elements from blocks of `elements per block` elements each. The free
// elements of a block are linked through their first pointer-sized word, so an element is at
// least one pointer wide: the element size is rounded up to a multiple of 4 and to at least
// sizeof(void*), and elements of a block lie `element size` bytes apart from a block start
// aligned as malloc aligns. The block that last served a request is moved to the front of the
// chain, an emptied block is freed unless it is the last one of the chain, and freeing an
// element the pool did not hand out ends the process (exit status 19).
//
// A pool is not locked: use one per thread, or lock around it. Every pool is registered with
// UT_PORT_FASTMEM_MGR from construction to destruction, so that report_usage() can list the
// pools alive.
#ifndef BASUTFSTMEM_H
#define BASUTFSTMEM_H

#include "Port_Export.h"

#include "Port_Thr.h"

#include <cstdint>
#include <vector>

// A named object that takes part in the library's usage reports.
class PORT_API UT_STATOBJ {
public:
  explicit UT_STATOBJ(const char *statName) : m_statName(statName) {}
  virtual ~UT_STATOBJ() = default;
  const char *get_statname() const { return m_statName; }

private:
  const char *m_statName; // not copied
};

// One block of a pool: its elements, the head of their free list and how many are in use.
// `prev` (null for the first block) lets a block move to the front without a search.
struct PORT_API UT_PORT_FM_BLOCK_HEAD {
  UT_PORT_FM_BLOCK_HEAD *next;
  void *free_list;
  char *memory; // owned
  unsigned int num_used;
  UT_PORT_FM_BLOCK_HEAD *prev;
};

class PORT_API UT_PORT_FASTMEM : public UT_STATOBJ {
public:
  // className names the pool in reports and is not copied. An element count of 0 is taken as
  // 1; a block never exceeds 4 GiB - 1 bytes (the element count is lowered to fit).
  UT_PORT_FASTMEM(unsigned int elemSize, unsigned int elemCount, const char *className);
  UT_PORT_FASTMEM(const UT_PORT_FASTMEM &) = delete;
  UT_PORT_FASTMEM &operator=(const UT_PORT_FASTMEM &) = delete;
  ~UT_PORT_FASTMEM() override; // frees every block and unregisters

  // One element of elem_size bytes; never null (out of memory ends the process).
  void *getnewptr();
  // Returns an element to the pool; a null pointer is ignored.
  void int_free(void *ptr);

  // Writes the pool's figures to standard output.
  void dump() const;
  // Dumps every pool alive.
  static void report_usage();
  // Stops the process at once, for debugging.
  [[noreturn]] static void abort();

  unsigned int get_elem_size() const { return m_elemSize; }
  unsigned int get_elem_cnt() const { return m_elemCount; }
  unsigned int get_block_size() const { return m_blockSize; }
  const char *get_classname() const { return m_className; }

  static Port_ThrMutex global_mutex; // guards the registry of pools
  static int global_debug;

private:
  UT_PORT_FM_BLOCK_HEAD *new_block();
  UT_PORT_FM_BLOCK_HEAD *block_holding(const void *ptr) const;
  void move_to_front(UT_PORT_FM_BLOCK_HEAD *block);
  bool startsElement(uint64_t offset) const;
  void free_block(UT_PORT_FM_BLOCK_HEAD *block);

  UT_PORT_FM_BLOCK_HEAD *m_blocks;
  // The blocks by address, so that a free finds its block in constant time whatever the
  // length of the chain: the address space is cut into spans of m_spanShift bits, no shorter
  // than a block, so a block lies in at most two spans and a span meets at most two blocks.
  // m_index is an open-addressed table (linear probing, at most half full) of (span, block)
  // for every span a block touches.
  struct IndexEntry {
    uintptr_t span;
    UT_PORT_FM_BLOCK_HEAD *block; // null: a free entry
  };
  void index_insert(UT_PORT_FM_BLOCK_HEAD *block);
  void index_erase(UT_PORT_FM_BLOCK_HEAD *block);
  void index_rebuild(size_t capacity);
  std::vector<IndexEntry> m_index;
  size_t m_indexUsed;
  unsigned int m_spanShift;
  uint64_t m_elemSizeInverse; // 2^64 / elem size, rounded up: divisibility without a division
  unsigned int m_elemSize;
  unsigned int m_elemCount;
  unsigned int m_blockSize;
  const char *m_className;
};

// The registry of live pools, in the order they were made.
class PORT_API UT_PORT_FASTMEM_MGR {
public:
  static UT_PORT_FASTMEM_MGR *Instance();
  // Dumps every registered pool in registration order.
  void report() const;

  void add(UT_PORT_FASTMEM *pool);
  void remove(UT_PORT_FASTMEM *pool);
  int get_count() const;

  UT_PORT_FASTMEM_MGR(const UT_PORT_FASTMEM_MGR &) = delete;
  UT_PORT_FASTMEM_MGR &operator=(const UT_PORT_FASTMEM_MGR &) = delete;

private:
  UT_PORT_FASTMEM_MGR() = default;
  std::vector<UT_PORT_FASTMEM *> m_pools;
};

// Consistency check of the pools: none is made; returns 0.
PORT_API int fastmem_verify();

#endif
